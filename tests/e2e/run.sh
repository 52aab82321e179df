#!/usr/bin/env bash
# The application's run: its working directory, environment, output file and window; the
# entries that name its processes and how they ended; the exit codes that end the watcher;
# failed launches; the entries for bad values and unknown keys; and nothing kept between
# launches with every key set.
source "$(dirname "$0")/lib.sh"

# Every part has an application and a keeper of its own names, so that none adopts another's.
# install_app DIR NAME: run-app as DIR/NAME.
install_app() { mkdir -p "$1"; cp "$bin/run-app$ext" "$1/$2$ext"; }
# start_from CWD DIR NAME SETTINGS: start_watcher from another directory, with the settings
# SETTINGS.
start_from() {
    (cd "$1" && exec $runner "$2/$3$ext" /i "$(native_path "$4")" > /dev/null 2>&1) &
}
# stop DIR NAME PID [ARGS...]: the stop request, and the watcher PID ended.
stop() {
    local dir=$1 name=$2 pid=$3
    shift 3
    keeper "$dir" "$name" /u "$@" > /dev/null 2>&1
    wait_for 30 ended "$pid"
}

# end_apps: ends the applications that stay, at the end of a part (Linux; under Wine the end
# of the session does it).
end_apps() {
    is_windows && return 0
    local pid scratch
    scratch=$(cd "$work" && pwd -P)
    # Only the last run of a record can still be running.
    find "$work" -name '*.txt' -exec awk '$1 == "pid" { last[FILENAME] = $2 }
                                          END { for (f in last) print last[f] }' {} + |
        while read -r pid; do
            case $(readlink "/proc/$pid/exe" 2>/dev/null) in "$scratch"/*) kill -KILL "$pid" ;; esac
        done
}
# The records of run-app: "run K" begins the record of run K, then "KEY VALUE" lines.
runs() { if [ -f "$1" ]; then grep -c '^run ' "$1"; else echo 0; fi; }
has_runs() { [ "$(runs "$1")" -ge "$2" ]; }
# field RECORD K KEY: the values of KEY in run K, one a line.
field() {
    awk -v k="$2" -v key="$3" '$1 == "run" { run = $2 }
                               run == k && $1 == key { sub(/^[^ ]* /, ""); print }' "$1"
}
# variable RECORD K NAME: the values of NAME in the environment of run K, one an entry.
variable() { field "$1" "$2" env | awk -v n="$3" 'index($0, n " ") == 1 { v = substr($0, length(n) + 2); sub(/^[^=]*=/, "", v); print v }'; }
is_unset() { field "$1" "$2" unset | grep -qxF -- "$3"; }
# The seconds of the "End" entries made "T", to compare the rest.
without_times() { messages "$1" | sed -E 's/ after [0-9]+\.[0-9] s$/ after T s/'; }
# seconds LOG N: the seconds of the N-th "End" entry.
seconds() { messages "$1" | sed -nE 's/^End .* after ([0-9]+\.[0-9]) s$/\1/p' | sed -n "$2p"; }
within() { awk -v t="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(t != "" && t + 0 >= lo && t + 0 <= hi) }'; }
second_entry() { messages "$1" | sed -n 2p; }
# The directory as the application records it: links resolved on Linux.
real_dir() { if is_windows; then native_path "$1"; else (cd "$1" && pwd -P); fi; }

# stop_later DIR NAME PID [ARGS...]: stop in the background; stopped waits for all of them.
stoppers=()
stop_later() { stop "$@" & stoppers+=($!); }
stopped() { [ ${#stoppers[@]} -eq 0 ] || wait "${stoppers[@]}"; stoppers=(); end_apps; }

if is_windows; then slack=2.0; else slack=0.4; fi

export KEEPER_E2E_BASE=base KEEPER_E2E_REPLACED=old KEEPER_E2E_REMOVED=gone KEEPER_E2E_KEPT=kept
names="KEEPER_E2E_SET KEEPER_E2E_REPLACED KEEPER_E2E_REMOVED KEEPER_E2E_KEPT KEEPER_E2E_EXPANDED
       KEEPER_E2E_OWN KEEPER_E2E_UNKNOWN KEEPER_E2E_MIXED KEEPER_E2E_QUOTED KC_WIDE PATH path"
names=$(echo $names)

# --- Window (Windows): the show state the application gets; a console program's window ----
if is_windows; then
    echo "# at $SECONDS s: Window"
    # A console window needs a display; without one Wine makes none at all.
    if can_show_boxes && start_display; then export DISPLAY=$display; shown=1; else shown=0; fi
    dir=$work/window
    cases="normal hidden Minimized MAXIMIZED absent sideways output nul"
    pids=()
    for w in $cases; do
        install_keeper "$dir/$w" kw-$w
        install_app "$dir/$w" run-w-$w
        case $w in
            absent) key="" ;;
            output) key="OutputFile=output.txt" ;;
            nul) key="OutputFile=NUL" ;;
            *) key="Window=$w" ;;
        esac
        config "$dir/$w/kw-$w.cfg" "$dir/$w/run-w-$w$ext" "$(native_path "$dir/$w/record.txt") stay" $key
        start_watcher "$dir/$w" kw-$w
        pids+=($!)
        # The first programs of a Wine session may not start together.
        [ ${#pids[@]} -gt 1 ] || wait_for 20 has_runs "$dir/$w/record.txt" 1
    done
    for w in $cases; do wait_for 30 has_runs "$dir/$w/record.txt" 1; done
    startup() { field "$dir/$1/record.txt" 1 startup; }
    # STARTF_USESHOWWINDOW with SW_SHOWNORMAL 1, SW_HIDE 0, SW_SHOWMINNOACTIVE 7, SW_SHOWMAXIMIZED 3
    same "Window=normal: STARTF_USESHOWWINDOW, SW_SHOWNORMAL" "1 1" "$(startup normal)"
    same "Window=hidden: STARTF_USESHOWWINDOW, SW_HIDE" "1 0" "$(startup hidden)"
    same "Window=Minimized: STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE" "1 7" "$(startup Minimized)"
    same "Window=MAXIMIZED: STARTF_USESHOWWINDOW, SW_SHOWMAXIMIZED" "1 3" "$(startup MAXIMIZED)"
    same "no Window: the start-up information as before (flags 0, show value 1)" "0 1" "$(startup absent)"
    same "Window=sideways: as without the key" "0 1" "$(startup sideways)"
    same "Window=sideways: its entry right after 'Start kw-sideways'" \
        "Invalid value of Window: sideways" "$(second_entry "$dir/sideways/kw-sideways.log")"
    check "Window=normal: no entry about the value" [ "$(line_count "$dir/normal/kw-normal.log")" -eq 2 ]
    if [ $shown -eq 1 ]; then
        console() { field "$dir/$1/record.txt" 1 console; }
        # "1 1": a visible console window; "0 0": none.
        same "no Window: a console program gets its visible console window, as before" "1 1" "$(console absent)"
        same "Window=hidden: a console program gets no console window" "0 0" "$(console hidden)"
        same "OutputFile: a console program gets no console window" "0 0" "$(console output)"
        same "OutputFile=NUL: no console window either" "0 0" "$(console nul)"
    else
        echo "skip - console windows: no display (Xvfb, xdotool, ImageMagick)"
    fi
    check "OutputFile=NUL: the output goes nowhere, no file is made" \
        not compgen -G "$dir/nul/[Nn][Uu][Ll]*"
    check "OutputFile beside Window's cases: the output is in the file" \
        grep -q '^out 1 ' "$dir/output/output.txt"
    # The end of the session ends the watchers and their applications.
    if [ $shown -eq 1 ]; then stop_display; unset DISPLAY; else wineserver -k; wineserver -w; fi
    for pid in "${pids[@]}"; do wait_for 20 ended "$pid"; done
fi

# --- the settings read at the start: WorkingDirectory, [Environment], bad values, unknown keys --
echo "# at $SECONDS s: WorkingDirectory, [Environment], unknown keys"
# WorkingDirectory absolute, and relative to the settings file, not to keeper's directory.
dir=$work/directory
install_keeper "$dir" kwa
install_app "$dir" run-wd-abs
mkdir -p "$dir/absolute" "$dir/conf/relative" "$dir/elsewhere"
config "$dir/kwa.cfg" "$dir/run-wd-abs$ext" "$(native_path "$dir/abs.txt") stay $names" \
    "WorkingDirectory=$(native_path "$dir/absolute")"
start_watcher "$dir" kwa
absolute=$!
wait_for 20 has_runs "$dir/abs.txt" 1
install_keeper "$dir" kwr
install_app "$dir" run-wd-rel
config "$dir/conf/kwr.cfg" "$dir/run-wd-rel$ext" "$(native_path "$dir/rel.txt") stay" \
    "WorkingDirectory=relative"
start_from "$dir/elsewhere" "$dir" kwr "$dir/conf/kwr.cfg"
relative=$!

# [Environment]: set, replace, remove, %NAME% from keeper's own environment, a bad line.
environment=$work/environment
install_keeper "$environment" ke
install_app "$environment" run-env
if is_windows; then
    # A name in another case replaces the inherited variable.
    path_line='path=%PATH%;Z:\keeper-e2e-extra'
else
    path_line='path=lower'  # names are exact: a variable of its own beside PATH
fi
config "$environment/ke.cfg" "$environment/run-env$ext" "$(native_path "$environment/env.txt") stay $names" \
    "[Environment]" \
    "KEEPER_E2E_SET=set by keeper" \
    "KEEPER_E2E_REPLACED=new" \
    "KEEPER_E2E_REMOVED=" \
    "KEEPER_E2E_EXPANDED=<%KEEPER_E2E_BASE%>" \
    "KEEPER_E2E_OWN=%KEEPER_E2E_REPLACED%" \
    "KEEPER_E2E_UNKNOWN=%KEEPER_E2E_NOPE%" \
    "KEEPER_E2E_MIXED=%KEEPER_E2E_BASE%-100%%-5%" \
    "KEEPER_E2E_QUOTED=\"  blanks kept  \"" \
    "JustAWord" \
    "$path_line"
# A value beyond the ANSI code page, in keeper's own environment: the application gets it
# whole whenever keeper builds the environment, for [Environment] or for HangTimeout alone.
# Wine reads the Unix environment in the character set of LC_CTYPE.
wide='Łódź★'
start_wide() { (cd "$1" && exec env -u LC_ALL LC_CTYPE=C.UTF-8 KC_WIDE="$wide" $runner "./$2$ext" > /dev/null 2>&1) & }
start_wide "$environment" ke
environment_watcher=$!
wide_hang=$work/wide-hang
install_keeper "$wide_hang" kh
install_app "$wide_hang" run-wide-hang
config "$wide_hang/kh.cfg" "$wide_hang/run-wide-hang$ext" "$(native_path "$wide_hang/env.txt") stay KC_WIDE" \
    "HangTimeout=600000"
start_wide "$wide_hang" kh
wide_hang_watcher=$!

# Unknown keys, after a bad value; key names in any case are known.
unknown=$work/unknown
install_keeper "$unknown" ku
install_app "$unknown" run-unknown
config "$unknown/ku.cfg" "$unknown/run-unknown$ext" "$(native_path "$unknown/record.txt") exit:0,stay" \
    "SleepIntervall=300" "sleepinterval=0" "Colour=blue" ";MaxSleepInterval=5" "Window=sideways" \
    "LOGDETAILS=0" $'Adoption=o\x0Eff' "[Other]" "Colour=red"
start_watcher "$unknown" ku
unknown_watcher=$!

# NoRestartExitCodes with an invalid item counts as absent.
invalid=$work/no-restart-invalid
install_keeper "$invalid" ki
install_app "$invalid" run-no-restart-invalid
config "$invalid/ki.cfg" "$invalid/run-no-restart-invalid$ext" \
    "$(native_path "$invalid/record.txt") exit:3,exit:3,stay" "SleepInterval=0" "NoRestartExitCodes=3,x"
start_watcher "$invalid" ki
invalid_watcher=$!

wait_for 20 has_runs "$dir/rel.txt" 1
same "WorkingDirectory absolute: the application runs there" \
    "$(real_dir "$dir/absolute")" "$(field "$dir/abs.txt" 1 cwd)"
same "WorkingDirectory relative: taken from the settings file's directory, not keeper's" \
    "$(real_dir "$dir/conf/relative")" "$(field "$dir/rel.txt" 1 cwd)"
# Without the section [Environment] the application gets keeper's environment as it is.
untouched() { [ "$(variable "$dir/abs.txt" 1 KEEPER_E2E_REMOVED)" = gone ] && is_unset "$dir/abs.txt" 1 KEEPER_E2E_SET; }
check "no [Environment]: the environment is inherited untouched" untouched
same "WorkingDirectory: no entry but the starts" \
    "$(printf 'Start kwa\nStart %s' "$(native_path "$dir/run-wd-abs$ext")")" "$(messages "$dir/kwa.log")"
stop_later "$dir" kwa $absolute
stop_later "$dir" kwr $relative /i "$(native_path "$dir/conf/kwr.cfg")"

dir=$environment
wait_for 20 has_runs "$dir/env.txt" 1
env_is() { same "[Environment]: $1 is '$2'" "$2" "$(variable "$dir/env.txt" 1 "$1")"; }
env_is KEEPER_E2E_SET "set by keeper"
env_is KEEPER_E2E_REPLACED new
check "[Environment]: an empty value removes the variable" is_unset "$dir/env.txt" 1 KEEPER_E2E_REMOVED
env_is KEEPER_E2E_KEPT kept
env_is KEEPER_E2E_EXPANDED "<base>"
# %NAME% comes from keeper's own environment, not from the one the section makes.
env_is KEEPER_E2E_OWN old
env_is KEEPER_E2E_UNKNOWN "%KEEPER_E2E_NOPE%"
env_is KEEPER_E2E_MIXED "base-100%%-5%"
env_is KEEPER_E2E_QUOTED "  blanks kept  "
env_is KC_WIDE "$wide"
same "[Environment]: a line without '=' gets its entry after 'Start ke', and nothing else does" \
    "$(printf 'Start ke\nInvalid value of Environment: JustAWord\nStart %s' "$(native_path "$dir/run-env$ext")")" \
    "$(messages "$dir/ke.log")"
if is_windows; then
    mapfile -t paths < <(variable "$dir/env.txt" 1 PATH)
    replaced() { [ "${#paths[@]}" -eq 1 ] && matches "${paths[0]:-}" '^C:\\[^%]*;Z:\\keeper-e2e-extra$'; }
    check "[Environment]: 'path=' replaces PATH, one variable (${paths[*]})" replaced
else
    env_is PATH "$PATH"
    env_is path lower
fi
stop_later "$dir" ke $environment_watcher
wait_for 20 has_runs "$wide_hang/env.txt" 1
same "HangTimeout alone: KC_WIDE is '$wide'" "$wide" "$(variable "$wide_hang/env.txt" 1 KC_WIDE)"
stop_later "$wide_hang" kh $wide_hang_watcher

dir=$unknown
wait_for 20 has_runs "$dir/record.txt" 1
started=$SECONDS
wait_for 20 has_runs "$dir/record.txt" 2
# The pause would be the default 10 s if "sleepinterval" were not SleepInterval.
check "unknown keys: 'sleepinterval=0' relaunches at once ($((SECONDS - started)) s)" [ $((SECONDS - started)) -lt 8 ]
command=$(native_path "$dir/run-unknown$ext")
# A control byte in a value is shown, not copied: 0x0E would cut the log at the next entry.
same "unknown keys: only the bad values are logged without LogDetails; known keys in any case" \
    "$(printf 'Start ku\nInvalid value of Window: sideways\nInvalid value of Adoption: o\\x0Eff\nStart %s\nRestart %s' \
        "$command" "$command")" "$(messages "$dir/ku.log")"
cfg=$(native_path "$dir/ku.cfg")
same "unknown keys: /s names each remark with its line, in file order" \
    "$(printf '%s, line 4: Unknown key in Settings: SleepIntervall\n%s, line 6: Unknown key in Settings: Colour\n%s, line 8: Invalid value of Window: sideways' \
        "$cfg" "$cfg" "$cfg")" "$(keeper "$dir" ku /s 2>/dev/null | tr -d '\r' | grep ', line [468]:')"
stop_later "$dir" ku $unknown_watcher

dir=$invalid
check "NoRestartExitCodes=3,x: exit code 3 restarts" wait_for 30 has_runs "$dir/record.txt" 3
same "NoRestartExitCodes=3,x: its entry right after 'Start ki'" \
    "Invalid value of NoRestartExitCodes: 3,x" "$(second_entry "$dir/ki.log")"
check "NoRestartExitCodes=3,x: no 'End' entry" [ "$(messages "$dir/ki.log" | grep -c '^End ')" -eq 0 ]
check "NoRestartExitCodes=3,x: the watcher keeps running" alive $invalid_watcher
stop_later "$dir" ki $invalid_watcher
stopped

# --- OutputFile, and launches that fail -------------------------------------------------
echo "# at $SECONDS s: OutputFile, failed launches"
# The runs' output in order, appended; a relative name; standard input reads nothing.
dir=$work/output
install_keeper "$dir" ko
install_app "$dir" run-out
mkdir -p "$dir/conf/logs" "$dir/elsewhere"
printf 'a line from before\n' > "$dir/conf/logs/app.txt"
config "$dir/conf/ko.cfg" "$dir/run-out$ext" "$(native_path "$dir/out.txt") exit:0,exit:0,exit:0,stay" \
    "SleepInterval=0" "OutputFile=logs/app.txt"
printf 'not for the application\n' > "$dir/input.txt"
if is_windows; then
    (cd "$dir/elsewhere" && exec $runner "$dir/ko$ext" /i "$(native_path "$dir/conf/ko.cfg")" \
         < "$dir/input.txt" > /dev/null 2>&1) &
else
    # keeper gets 0, 1, 2 and 7 from its starter and nothing else, so that any other
    # descriptor the application has is one keeper leaked; its standard input, and 7, are
    # files the application must not get.
    (cd "$dir/elsewhere" || exit
     for fd in "/proc/$BASHPID/fd/"*; do
         n=${fd##*/}
         [ "$n" -gt 2 ] && [ "$n" -ne 255 ] && eval "exec $n>&-" 2>/dev/null
     done
     exec 7< "$dir/input.txt"
     exec "$dir/ko" /i "$dir/conf/ko.cfg" < "$dir/input.txt" > /dev/null 2>&1) &
fi
output_watcher=$!

# With LogFileLimit: a file at the limit is renamed to its ".1" name before a launch, one
# below it is not.
declare -A limited
for size in 100 99; do
    d=$work/limit-$size
    install_keeper "$d" kl$size
    install_app "$d" run-limit$size
    head -c "$size" /dev/zero | tr '\0' x > "$d/app.txt"
    config "$d/kl$size.cfg" "$d/run-limit$size$ext" "$(native_path "$d/record.txt") stay" \
        "LogFileLimit=100" "OutputFile=$(native_path "$d/app.txt")"
    start_watcher "$d" kl$size
    limited[$size]=$!
done

# Linux: keeper started with its standard descriptors closed (cron, some service starters)
# opens the output file as one of them; the application's output still goes there.
if ! is_windows; then
    d=$work/closed
    install_keeper "$d" kc
    install_app "$d" run-closed
    config "$d/kc.cfg" "$d/run-closed" "$d/record.txt stay" "OutputFile=app.txt"
    (cd "$d" && exec ./kc <&- >&- 2>&-) &
    closed_watcher=$!
fi

# A missing working directory, an output file in a missing directory, one that is a
# directory (root may write anywhere), and on Linux a FIFO that nobody reads (the watcher
# must not wait in its open): one "Error" entry each, naming the setting and its value, and
# the watcher ends. A missing program: the entry names nothing, and with LogDetails an entry
# after it names the command line.
error_entry='^Error -?[0-9]+: [^ ].*$'
fail_cases="directory output folder program"
is_windows || fail_cases+=" fifo"
declare -A failed_setting
declare -A failing
for what in $fail_cases; do
    d=$work/fail-$what
    install_keeper "$d" kf$what
    install_app "$d" run-fail-$what
    case $what in
        directory) key="WorkingDirectory=$(native_path "$d/missing")" ;;
        output) key="OutputFile=$(native_path "$d/missing/app.txt")" ;;
        folder) key="OutputFile=$(native_path "$d/folder")" && mkdir "$d/folder" ;;
        fifo) key="OutputFile=$d/pipe" && mkfifo "$d/pipe" ;;
        program) key="LogDetails=1" && rm "$d/run-fail-$what$ext" ;;
    esac
    failed_setting[$what]=${key/=/ }
    config "$d/kf$what.cfg" "$d/run-fail-$what$ext" "$(native_path "$d/record.txt") stay" "SleepInterval=0" "$key"
    start_watcher "$d" kf$what
    failing[$what]=$!
done

# With MaxSleepInterval the watcher tries again until both directories are there.
retry=$work/fail-retry
install_keeper "$retry" kfr
install_app "$retry" run-fail-retry
config "$retry/kfr.cfg" "$retry/run-fail-retry$ext" "$(native_path "$retry/record.txt") stay" \
    "SleepInterval=100" "MaxSleepInterval=400" "WorkingDirectory=wd" \
    "OutputFile=$(if is_windows; then echo 'out\app.txt'; else echo out/app.txt; fi)"
start_watcher "$retry" kfr
retry_watcher=$!

wait_for 20 has_runs "$dir/out.txt" 4
wait_for 10 grep -qs '^err 4 ' "$dir/conf/logs/app.txt"
expected="a line from before"
for k in 1 2 3 4; do
    pid=$(field "$dir/out.txt" $k pid)
    expected+=$'\n'"out $k $pid"$'\n'"err $k $pid"
done
same "OutputFile: the file kept, then both outputs of four runs in order" \
    "$expected" "$(tr -d '\r' < "$dir/conf/logs/app.txt")"
if is_windows; then
    # FILE_TYPE_CHAR and no console: NUL, where keeper's own standard input is a file.
    same "OutputFile: the standard input is NUL" "2 0" "$(field "$dir/out.txt" 1 stdin)"
else
    out=$(real_dir "$dir/conf/logs")/app.txt
    for k in 1 4; do
        same "OutputFile: run $k has /dev/null on 0, the file on 1 and 2, and nothing else" \
            "$(printf '0 /dev/null\n1 %s\n2 %s' "$out" "$out")" "$(field "$dir/out.txt" $k fd | sort -n)"
    done
fi
stop_later "$dir" ko $output_watcher /i "$(native_path "$dir/conf/ko.cfg")"

for size in 100 99; do wait_for 10 grep -qs '^err 1' "$work/limit-$size/app.txt"; done
d=$work/limit-100
check "LogFileLimit: an output file of 100 bytes is renamed to app.1.txt before the launch" \
    [ "$(cat "$d/app.1.txt" 2>/dev/null)" = "$(head -c 100 /dev/zero | tr '\0' x)" ]
check "LogFileLimit: and the new one holds the run's output only" \
    [ "$(tr -d '\r' < "$d/app.txt")" = "$(printf 'out 1 %s\nerr 1 %s' "$(field "$d/record.txt" 1 pid)" "$(field "$d/record.txt" 1 pid)")" ]
d=$work/limit-99
kept() { [ ! -e "$d/app.1.txt" ] && [ "$(head -c 99 "$d/app.txt")" = "$(head -c 99 /dev/zero | tr '\0' x)" ]; }
check "LogFileLimit: one of 99 bytes is kept and appended to" kept
stop_later "$work/limit-100" kl100 "${limited[100]}"
if ! is_windows; then
    d=$work/closed
    wait_for 10 grep -qs '^err 1' "$d/app.txt"
    same "closed standard descriptors: the output file holds the output" \
        "$(printf 'out 1 %s\nerr 1 %s' "$(field "$d/record.txt" 1 pid)" "$(field "$d/record.txt" 1 pid)")" \
        "$(cat "$d/app.txt" 2>/dev/null)"
    stop_later "$d" kc $closed_watcher
fi
stop_later "$work/limit-99" kl99 "${limited[99]}"

for what in $fail_cases; do
    d=$work/fail-$what watcher=${failing[$what]}
    on_its_own=yes
    wait_for 15 ended $watcher || { on_its_own=no; stop "$d" kf$what $watcher; }
    wait $watcher
    rc=$?
    check "failed launch ($what): the watcher ends on its own ($on_its_own), with exit code 5 ($rc)" \
        [ "$on_its_own $rc" = "yes 5" ]
    log=$(messages "$d/kf$what.log")
    if [ $what = program ]; then
        # "Error 2: text", then the command line: "<program> <parameters>".
        line="Command line: $(native_path "$d/run-fail-program$ext") $(native_path "$d/record.txt") stay"
        one_error() {
            [ "$(echo "$log" | wc -l)" -eq 3 ] && matches "$(echo "$log" | sed -n 2p)" "${error_entry%\$}[^)]\$" &&
                [ "$(echo "$log" | sed -n 3p)" = "$line" ]
        }
    else
        setting=${failed_setting[$what]}
        one_error() {
            [ "$(echo "$log" | wc -l)" -eq 2 ] && matches "$(echo "$log" | sed -n 2p)" "$error_entry" &&
                [[ "$(echo "$log" | sed -n 2p)" == *" ($setting)" ]]
        }
    fi
    check "failed launch ($what): 'Start kf$what', then one entry 'Error N: text' that names what failed ($(echo $log))" one_error
    check "failed launch ($what): nothing was launched" [ "$(runs "$d/record.txt")" -eq 0 ]
done
nothing_made() { [ ! -e "$work/fail-directory/missing" ] && [ ! -e "$work/fail-output/missing" ]; }
check "failed launch: no directory is made" nothing_made

d=$retry
errors() { messages "$d/kfr.log" | grep -cE "$error_entry"; }
errors_beyond() { [ "$(errors)" -gt "$1" ]; }
check "retry: a missing directory is a failed launch, tried again and again" wait_for 10 errors_beyond 2
check "retry: the watcher keeps running" alive $retry_watcher
mkdir "$d/wd"
check "retry: with the working directory there, the missing output directory still fails" \
    wait_for 10 errors_beyond $(($(errors) + 1))
mkdir "$d/out"
check "retry: with both there, the application is started, logged as a start" \
    wait_for 15 has_line "$d/kfr.log" "Start $(native_path "$d/run-fail-retry$ext")"
wait_for 10 grep -qs '^err 1' "$d/out/app.txt"
same "retry: in its working directory" "$(real_dir "$d/wd")" "$(field "$d/record.txt" 1 cwd)"
check "retry: with its output in the file" grep -qs '^out 1 ' "$d/out/app.txt"
stop_later "$d" kfr $retry_watcher
stopped

# --- how the application ended: LogDetails and NoRestartExitCodes -----------------------
echo "# at $SECONDS s: LogDetails, NoRestartExitCodes"
# An instance that already runs is adopted and named; once it ends, keeper launches one.
adopt=$work/adopt
install_keeper "$adopt" ka
install_app "$adopt" run-adopt
if is_windows; then lifetime=6000; else lifetime=3000; fi
parameters="$(native_path "$adopt/record.txt") exit:5@$lifetime,stay"
(cd "$adopt" && exec $runner ./run-adopt$ext $parameters > /dev/null 2>&1) &
wait_for 20 has_runs "$adopt/record.txt" 1
config "$adopt/ka.cfg" "$adopt/run-adopt$ext" "$parameters" "SleepInterval=0" "LogDetails=0x1"
start_watcher "$adopt" ka
adopt_watcher=$!

# The processes started, each with how it ended.
dir=$work/details
install_keeper "$dir" kd
install_app "$dir" run-details
if is_windows; then
    plan=exit:3@1200,exit:3221225477,exit:65535,exit:65536,stay
    ends=("exit code 3" "exit code 3221225477 (0xC0000005)" "exit code 65535" "exit code 65536 (0x00010000)")
else
    plan=exit:3@1200,signal:11,signal:9,exit:0,stay
    ends=("exit code 3" "signal 11 (SIGSEGV)" "signal 9 (SIGKILL)" "exit code 0")
fi
config "$dir/kd.cfg" "$dir/run-details$ext" "$(native_path "$dir/record.txt") $plan" \
    "SleepInterval=0" "LogDetails=1"
start_watcher "$dir" kd
details_watcher=$!

# A listed code ends the watcher, another code or a signal does not.
no_restart=$work/no-restart
install_keeper "$no_restart" kn
install_app "$no_restart" run-no-restart
if is_windows; then
    # The same 32-bit pattern as 3221225477 (0xC0000005).
    codes=" 11 , -1073741819 "
    plan=exit:4,exit:3221225477,stay
    restarts=1 status="exit code 3221225477 (0xC0000005)"
else
    codes=" 11 , 0x3 "
    plan=signal:11,exit:4,exit:3,stay
    restarts=2 status="exit code 3"
fi
config "$no_restart/kn.cfg" "$no_restart/run-no-restart$ext" "$(native_path "$no_restart/record.txt") $plan" \
    "SleepInterval=0" "NoRestartExitCodes=$codes"
start_watcher "$no_restart" kn
no_restart_watcher=$!

wait_for 30 has_runs "$dir/record.txt" 5
sleep 1
stop "$dir" kd $details_watcher
command=$(native_path "$dir/run-details$ext")
expected="Start kd"$'\n'"Start $command: process $(field "$dir/record.txt" 1 pid)"
for k in 1 2 3 4; do
    expected+=$'\n'"End $command: ${ends[$((k - 1))]} after T s"
    expected+=$'\n'"Restart $command: process $(field "$dir/record.txt" $((k + 1)) pid)"
done
expected+=$'\n'"Stop kd"
same "LogDetails=1: each launch with the process the application has, each end with its status" \
    "$expected" "$(without_times "$dir/kd.log")"
t=$(seconds "$dir/kd.log" 1)
check "LogDetails=1: the run of 1.2 s is logged as such ($t s)" within "$t" 1.2 "$(awk -v s=$slack 'BEGIN { print 1.2 + s }')"

dir=$adopt
wait_for 30 has_runs "$dir/record.txt" 2
sleep 0.5
stop "$dir" ka $adopt_watcher
command=$(native_path "$dir/run-adopt$ext")
# Linux cannot learn how a process that is not its child ended.
if is_windows; then status5="exit code 5"; else status5="exit code unknown"; fi
same "LogDetails=0x1: the running instance adopted, its end, the launch after it" \
    "$(printf 'Start ka\nAdopt %s: process %s\nEnd %s: %s after T s\nStart %s: process %s\nStop ka' \
        "$command" "$(field "$dir/record.txt" 1 pid)" "$command" "$status5" "$command" "$(field "$dir/record.txt" 2 pid)")" \
    "$(without_times "$dir/ka.log")"
t=$(seconds "$dir/ka.log" 1)
check "LogDetails=0x1: the time counts from the adoption ($t s, the instance lived $lifetime ms)" \
    within "$t" 0 "$((lifetime / 1000)).0"

dir=$no_restart
command=$(native_path "$dir/run-no-restart$ext")
on_its_own=yes
wait_for 15 ended $no_restart_watcher || { on_its_own=no; stop "$dir" kn $no_restart_watcher; }
wait $no_restart_watcher
rc=$?
check "NoRestartExitCodes: the watcher ends on its own ($on_its_own), with exit code 0 ($rc)" \
    [ "$on_its_own $rc" = "yes 0" ]
expected="Start kn"$'\n'"Start $command"
for ((i = 0; i < restarts; i++)); do expected+=$'\n'"Restart $command"; done
expected+=$'\n'"End $command: $status after T s"$'\n'"Stop kn"
same "NoRestartExitCodes: relaunched after the other endings, then 'End' (without LogDetails) and 'Stop'" \
    "$expected" "$(without_times "$dir/kn.log")"
check "NoRestartExitCodes: no launch after the listed code" [ "$(runs "$dir/record.txt")" -eq $((restarts + 1)) ]
stopped

# --- every key set: keeper holds no more between launches than without them --------------
echo "# at $SECONDS s: every key set"
# The application ends at once, again and again, but run FIRST and run LAST stay a while:
# then keeper waits between two launches, and what it holds is counted.
if is_windows; then
    unit=handles first=3 last=11 pause=6000
    cp "$bin/handle-count$ext" "$work/"
    look() { (cd "$work" && $runner ./handle-count$ext "$1$ext" | tr -d '\r'); }
else
    unit=descriptors first=30 last=150 pause=3000
    look() { ls "/proc/$(if [ "$1" = kplain ]; then echo $plain; else echo $full; fi)/fd" | wc -l; }
fi
plan=$(for ((k = 1; k <= last; k++)); do
           if [ $k -eq $first ] || [ $k -eq $last ]; then printf 'exit:0@%s,' $pause; else printf 'exit:0,'; fi
       done)stay
dir=$work/hold
mkdir -p "$dir/plain" "$dir/full/wd"
install_keeper "$dir/plain" kplain
install_app "$dir/plain" run-plain
config "$dir/plain/kplain.cfg" "$dir/plain/run-plain$ext" "$(native_path "$dir/plain/record.txt") $plan" \
    "SleepInterval=0"
install_keeper "$dir/full" kfull
install_app "$dir/full" run-full
config "$dir/full/kfull.cfg" "$dir/full/run-full$ext" "$(native_path "$dir/full/record.txt") $plan" \
    "SleepInterval=0" "WorkingDirectory=wd" "OutputFile=app.txt" "Window=hidden" "LogDetails=1" \
    "NoRestartExitCodes=12" "LogFileLimit=100000" "[Environment]" "KEEPER_E2E_SET=1" "KEEPER_E2E_REMOVED="
start_watcher "$dir/plain" kplain
plain=$!
start_watcher "$dir/full" kfull
full=$!
# measure RUN: "PLAIN FULL", the fewest of two looks at each watcher while both wait for their
# run RUN, after the launch's entry; nothing when one of them has gone on before the end.
measure() {
    local p f
    wait_for 60 both_at "$1" || return
    sleep 0.5
    p=$({ look kplain; look kplain; } | sort -n | head -n 1)
    f=$({ look kfull; look kfull; } | sort -n | head -n 1)
    both_at "$1" && [ "$(runs "$dir/plain/record.txt")$(runs "$dir/full/record.txt")" = "$1$1" ] &&
        echo "$p $f"
}
both_at() { has_runs "$dir/plain/record.txt" "$1" && has_runs "$dir/full/record.txt" "$1"; }
read -r plain1 full1 <<< "$(measure $first)"
read -r plain2 full2 <<< "$(measure $last)"
echo "# $unit while run $first and run $last stay: without the keys $plain1, $plain2; with every key $full1, $full2"
flat() { [ "${full1:-0}" -gt 0 ] && [ "${full2:-999}" -le "$full1" ]; }
check "every key: the $unit stay flat over $((last - first)) launches ($full1, then $full2)" flat
check "every key: no more $unit than without the keys ($full2 against $plain2)" \
    [ "${full2:-999}" -le "${plain2:-0}" ]
check "every key: no entry about a value or a key" \
    [ "$(messages "$dir/full/kfull.log" | grep -cE '^(Invalid value|Unknown key)')" -eq 0 ]
check "every key: each run's output collected beside the settings, not in the working directory" \
    wait_for 10 grep -qs "^err $last " "$dir/full/app.txt"
check "without the keys: the runs go on" wait_for 20 has_runs "$dir/plain/record.txt" $((last + 1))
stop_later "$dir/plain" kplain $plain
stop_later "$dir/full" kfull $full
stopped

summary
