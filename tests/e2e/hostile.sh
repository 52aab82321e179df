#!/usr/bin/env bash
# Hostile input: settings files of garbage, huge values, odd structure and line ends, and
# command lines of many, huge or odd arguments. Each has one clear outcome (a watcher
# running the right command, the misconfiguration message, or an error entry or report),
# never a crash or a hang. The expected outcomes are the same for the Linux INI lookup and
# for GetPrivateProfileStringA under Wine.
source "$(dirname "$0")/lib.sh"
unset DISPLAY  # without a display the error box returns at once

# --- settings files ----------------------------------------------------------------------------
# Each case writes DIR/NAME.cfg for a watcher of DIR/hostile-N, a copy of the demo program
# under a name of its own (a running instance of the same name would be adopted).
app() { native_path "$dir/hostile-$n$ext"; }
line() { printf '%s%s' "$1" "${eol:-$'\r\n'}"; }
valid_section() { line '[Settings]'; line "ApplicationName=$(app)"; line 'Parameters=60000'; line 'SleepInterval=0'; }

cfg_garbage() { head -c 65536 /dev/urandom; }
cfg_garbage_then_section() { # bytes 0x01 to 0xFF, no NUL, then a section of its own
    head -c 65536 /dev/urandom | tr '\000' 'x'; printf '\r\n'; valid_section; }
cfg_huge_command() {
    line '[Settings]'; printf 'ApplicationName=%s' "$(app)"; head -c 1048576 /dev/zero | tr '\000' 'y'; printf '\r\n'; }
cfg_huge_parameters() {
    line '[Settings]'; line "ApplicationName=$(app)"
    printf 'Parameters=60000 '; head -c 1048576 /dev/zero | tr '\000' 'p'; printf '\r\n'; }
cfg_no_section() { line "ApplicationName=$(app)"; line 'Parameters=60000'; }
cfg_other_section() { line '[Setting]'; line "ApplicationName=$(app)"; }
cfg_duplicate_keys() { valid_section; line "ApplicationName=$(native_path "$dir/other$ext")"; }
cfg_duplicate_sections_first_has_key() {
    valid_section; line '[Settings]'; line "ApplicationName=$(native_path "$dir/other$ext")"; }
cfg_duplicate_sections_second_has_key() {
    line '[Settings]'; line 'Parameters=60000'; line '[Settings]'; line "ApplicationName=$(app)"; }
cfg_crlf() { eol=$'\r\n' valid_section; }
cfg_lf() { eol=$'\n' valid_section; }
cfg_cr() { eol=$'\r' valid_section; }
cfg_byte_order_mark() { printf '\xEF\xBB\xBF'; valid_section; }
cfg_100000_lines() {
    line '[Other]'
    awk 'BEGIN { for (i = 1; i <= 99990; i++) printf "Key%d=value %d\r\n", i, i }'
    valid_section; }

# name | outcome: watch (the watcher runs app), none (misconfigured), error (CreateEvent fails)
cases=(
    "garbage|none"
    "garbage_then_section|watch"
    "huge_command|error"
    "huge_parameters|watch"
    "no_section|none"
    "other_section|none"
    "duplicate_keys|watch"
    "duplicate_sections_first_has_key|watch"
    "duplicate_sections_second_has_key|none"
    "crlf|watch"
    "lf|watch"
    "cr|watch"
    "byte_order_mark|watch"
    "100000_lines|watch"
)
n=0
for entry in "${cases[@]}"; do
    what=${entry%%|*} outcome=${entry#*|}
    n=$((n + 1))
    dir=$work/settings-$n
    name=ks$n
    install_keeper "$dir" "$name"
    cp "$bin/keeper-demo$ext" "$dir/hostile-$n$ext"
    "cfg_$what" > "$dir/$name.cfg"
    log=$dir/$name.log
    started=$SECONDS
    case $outcome in
    watch)
        (cd "$dir" && exec timeout 120 $runner "./$name$ext" 2> "$dir/err") &
        watcher=$!
        check "settings $what: the watcher runs $(app)" wait_for 60 has_line "$log" "Start $(app)"
        if [ "$what" = huge_parameters ] && ! is_windows; then
            child=$(pgrep -n -f -- "$dir/hostile-$n")
            # argv[1] 60000, argv[2] the rest of the 16383 bytes the setting is cut to
            length=$(tr '\0' '\n' < /proc/"$child"/cmdline | sed -n 3p | tr -d '\n' | wc -c)
            check "settings $what: the parameters are cut to 16383 bytes" [ "$length" -eq $((16383 - 6)) ]
        fi
        keeper "$dir" "$name" /u
        check "settings $what: the watcher stops" wait_for 30 ended "$watcher"
        wait "$watcher"
        check "settings $what: exit code 0" [ $? -eq 0 ]
        ;;
    none)
        err=$(cd "$dir" && timeout 60 $runner "./$name$ext" 2>&1 >/dev/null)
        code=$?
        check "settings $what: misconfigured, exit code 6: not configured (got $code)" [ "$code" -eq 6 ]
        if ! is_windows; then
            check "settings $what: the message" \
                [ "$(sed -n 1p <<< "$err")" = "$name: A module name is not defined." ]
            names_file() { [ "$(wc -l <<< "$err")" -eq 2 ] && [[ "$(sed -n 2p <<< "$err")" == *"$dir/$name.cfg"* ]]; }
            check "settings $what: one more line, naming the file ($(sed -n 2p <<< "$err" | head -c 120))" \
                names_file
        fi
        check "settings $what: nothing logged" [ ! -e "$log" ]
        ;;
    error)
        (cd "$dir" && timeout 60 $runner "./$name$ext" > /dev/null 2>&1)
        code=$?
        check "settings $what: exit code 8: a call of the system failed (got $code)" [ "$code" -eq 8 ]
        check "settings $what: one entry 'Error CreateEvent: <text>'" \
            [ "$(grep -c -E '^.* Error CreateEvent: [^ ].*'$'\r''$' "$log" 2>/dev/null)" = 1 ]
        check "settings $what: and nothing else" [ "$(line_count "$log")" -eq 1 ]
        [ -f "$log" ] && echo "# $(tr -d '\r' < "$log")"
        ;;
    esac
    echo "# settings $what: $(wc -c < "$dir/$name.cfg") bytes, $((SECONDS - started)) s"
done

# --- command lines ---------------------------------------------------------------------------
dir=$work/arguments
install_keeper "$dir" ka
n=args
cp "$bin/keeper-demo$ext" "$dir/hostile-$n$ext"
line() { printf '%s\r\n' "$1"; }
valid_section > "$dir/ka.cfg"
# run_args WHAT ARGS...: keeper in dir with ARGS, as a duplicate of the watcher started
# below, so that each run writes one entry and ends.
run_args() {
    local what=$1; shift
    (cd "$dir" && exec timeout 120 $runner "./ka$ext" "$@" > /dev/null 2> "$dir/err")
}
(cd "$dir" && exec $runner "./ka$ext") &
watcher=$!
wait_for 30 has_line "$dir/ka.log" "Start ka"
if is_windows; then module=HOSTILE-ARGS.EXE; else module=HOSTILE-ARGS; fi
duplicate="Watching on the module $module is already started on this computer."

# Ten thousand arguments: every one is walked, and the last /l counts.
args=()
for i in $(seq 9998); do args+=(x); done
started=$SECONDS
run_args many "${args[@]}" /l many.log
code=$?
echo "# 10000 arguments: $((SECONDS - started)) s"
check "10000 arguments: exit code 0 (got $code)" [ "$code" -eq 0 ]
check "10000 arguments: the last /l names the log" has_line "$dir/many.log" "$duplicate"

# A double quote without its partner, and control bytes. On Linux the arguments arrive as
# the shell split them, so they are ordinary bytes of the file name. Under Wine they become
# one command line, where a quote opens a stretch to the end and control bytes separate.
if is_windows; then
    # Wine writes the quote as \" into the command line; the backslash is an ordinary
    # character and the quote opens a stretch to the end: the log is quote\d.log.
    mkdir "$dir/quote"
    run_args quote /l 'quote"d.log'
    check "unbalanced quote: exit code 0" [ $? -eq 0 ]
    check "unbalanced quote: the backslash stays, the quote goes" has_line "$dir/quote/d.log" "$duplicate"
    run_args control /l $'control\x01\x1f.log'
    check "control bytes: exit code 0" [ $? -eq 0 ]
    check "control bytes: they separate arguments, so the log is 'control'" \
        has_line "$dir/control" "$duplicate"
else
    run_args quote /l 'quote"d.log'
    check "unbalanced quote: exit code 0" [ $? -eq 0 ]
    check "unbalanced quote: part of the file name" has_line "$dir/quote\"d.log" "$duplicate"
    run_args control /l $'control\x01\x1f.log'
    check "control bytes: exit code 0" [ $? -eq 0 ]
    check "control bytes: part of the file name" has_line "$dir/"$'control\x01\x1f.log' "$duplicate"
fi

# A log name of 32 KiB: the platform refuses it, and the report says so. A Windows
# command line holds 32767 characters at most, so Wine gets a little less.
if is_windows; then size=32000; else size=32768; fi
long=$(head -c "$size" /dev/zero | tr '\000' 'n')
run_args long /l "$long"
code=$?
check "log name of $size bytes: exit code 1 (got $code)" [ "$code" -eq 1 ]
if ! is_windows; then
    check "log name of $size bytes: the report says 'Invalid filename'" \
        matches "$(tr -d '\r' < "$dir/err")" "^Application Error: Exception EInOutError in module ka at [0-9A-F]{8}\.
Invalid filename\.\$"
fi

keeper "$dir" ka /u
check "arguments: the watcher is untouched by all of them" wait_for 30 ended "$watcher"
check "arguments: its log holds its start, the launch and its stop only" \
    [ "$(line_count "$dir/ka.log")" -eq 3 -a "$(count_lines "$dir/ka.log" "Stop ka")" -eq 1 ]

summary
