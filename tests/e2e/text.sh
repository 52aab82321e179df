#!/usr/bin/env bash
# Text as the user's system writes it: module names that differ only in the case of a
# non-ASCII letter (café, CAFÉ), a settings file saved as "Unicode" (UTF-16LE), or as UTF-16
# without its mark, a command line where a program is due, and on Linux the time stamps of a
# locale that is not installed.
source "$(dirname "$0")/lib.sh"

# The settings in the encoding the target reads: UTF-8 on Linux, code page 1252 on Windows.
encode() { if is_windows; then iconv -f UTF-8 -t CP1252; else cat; fi; }
decoded() { if is_windows; then iconv -f CP1252 -t UTF-8 "$1"; else cat "$1"; fi; }
has_decoded_line() { decoded "$1" > "$1.utf8" 2>/dev/null && has_line "$1.utf8" "$2"; }
# watch FILE COMMAND PARAMETERS: a settings file, CR LF, in the target's encoding
watch() {
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\nSleepInterval=0\r\n' \
        "$(native_path "$2")" "$3" | encode > "$1"
}
# The process behind a watcher's pidfd: what it watches (Linux).
watched() { grep -h '^Pid:' /proc/"$1"/fdinfo/* 2>/dev/null | awk '{ print $2 }' | head -n 1; }
started=()  # processes this script started or had keeper start, ended by their ids
end_started() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${started[@]}"; do wait_for 10 ended "$pid"; done
    started=()
}

utf8_locale=
if is_windows; then
    run_locale=()  # Wine takes code page 1252 from the test's own locale
elif locale -a 2>/dev/null | grep -qi '^de_DE.utf-\?8$'; then
    utf8_locale=de_DE.UTF-8
    run_locale=(env LC_ALL=$utf8_locale)
fi

if is_windows || [ -n "$utf8_locale" ]; then
    # --- a watcher of café is stopped by a /u whose settings name CAFÉ ------------------
    dir=$work/stop
    install_keeper "$dir" kc
    cp "$bin/keeper-demo$ext" "$dir/café$ext"
    watch "$dir/kc.cfg" "$dir/café$ext" 60000
    watch "$dir/upper.cfg" "$dir/CAFÉ$ext" 60000
    (cd "$dir" && exec "${run_locale[@]}" $runner ./kc$ext) &
    watcher=$!
    started+=($watcher)
    check "café: the watcher launches café" \
        wait_for 20 has_decoded_line "$dir/kc.log" "Start $(native_path "$dir/café$ext")"
    is_windows || started+=($(watched $watcher))
    (cd "$dir" && "${run_locale[@]}" $runner ./kc$ext /u /i upper.cfg)
    check "café: a stop request for CAFÉ reaches the watcher of café" wait_for 20 ended $watcher
    check "café: the watcher logs its stop" has_decoded_line "$dir/kc.log" "Stop kc"
    end_started  # its café would be adopted below
    if is_windows; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; fi

    # --- a running CAFÉ is adopted by a watcher configured with café --------------------
    dir=$work/adopt
    install_keeper "$dir" ka
    cp "$bin/keeper-demo$ext" "$dir/CAFÉ$ext"
    (cd "$dir" && exec $runner "./CAFÉ$ext" 60000 "$(native_path "$dir/launches")") &
    running=$!
    started+=($running)
    wait_for 20 test -s "$dir/launches"
    # café itself does not exist: launching it instead of adopting would fail.
    watch "$dir/ka.cfg" "$dir/café$ext" "60000 $(native_path "$dir/launches")"
    (cd "$dir" && exec "${run_locale[@]}" $runner ./ka$ext) &
    watcher=$!
    started+=($watcher)
    wait_for 20 has_line "$dir/ka.log" "Start ka"
    sleep 1
    adopted_only() { [ "$(wc -l < "$dir/launches")" -eq 1 ] && [ "$(line_count "$dir/ka.log")" -eq 1 ]; }
    check "café: the running CAFÉ is adopted, not launched" adopted_only
    check "café: the watcher watches it" alive $watcher
    is_windows || check "café: the watched process is CAFÉ" [ "$(watched $watcher)" = "$running" ]
    (cd "$dir" && "${run_locale[@]}" $runner ./ka$ext /u)
    wait_for 20 ended $watcher
    end_started
    if is_windows; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; fi
else
    echo "skip - café and CAFÉ need the de_DE.UTF-8 locale"
fi

# --- a settings file saved as Unicode: UTF-16LE with its mark, CR LF ----------------------
dir=$work/unicode/répertoire
install_keeper "$dir" ku
{
    printf '\xFF\xFE'
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=60000\r\nSleepInterval=0\r\n' \
        "$(native_path "$dir/keeper-demo$ext")" | iconv -f UTF-8 -t UTF-16LE
} > "$dir/ku.cfg"
(cd "$dir" && exec $runner ./ku$ext) &
watcher=$!
started+=($watcher)
check "UTF-16LE settings: the watcher starts" wait_for 20 has_decoded_line "$dir/ku.log" "Start ku"
check "UTF-16LE settings: the application in répertoire is launched" \
    wait_for 20 has_decoded_line "$dir/ku.log" "Start $(native_path "$dir/keeper-demo$ext")"
is_windows || started+=($(watched $watcher))
(cd "$dir" && $runner ./ku$ext /u)
check "UTF-16LE settings: the stop request reaches the watcher" wait_for 20 ended $watcher
end_started

# --- UTF-16 saved without its mark (little- and big-endian): not read, but named: as the
# cause (Linux), and by /s on both targets ---------------------------------------------------
dir=$work/unmarked
install_keeper "$dir" kn
unmarked="The settings file $(native_path "$dir/kn.cfg") is UTF-16 without a byte-order mark: save it as UTF-8, or as Unicode with its mark"
for encoding in UTF-16LE UTF-16BE; do
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=60000\r\n' \
        "$(native_path "$dir/keeper-demo$ext")" | iconv -f UTF-8 -t $encoding > "$dir/kn.cfg"
    err=$(keeper "$dir" kn 2>&1 > /dev/null)  # without a display the box returns at once
    code=$?
    check "$encoding without its mark: no program named, exit code 6 (got $code)" [ "$code" -eq 6 ]
    is_windows || check "$encoding without its mark: the cause is named ($(sed -n 2p <<< "$err"))" \
        [ "$err" = "$(printf 'kn: A module name is not defined.\nkn: %s' "$unmarked")" ]
    out=$(keeper "$dir" kn /s 2> /dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}")
    code=$?
    check "$encoding without its mark: /s exits with 3 (got $code)" [ "$code" -eq 3 ]
    check "$encoding without its mark: /s names it ($out)" \
        [ "$out" = "$(printf 'A module name is not defined.\n%s' "$unmarked")" ]
done
check "UTF-16 without its mark: nothing logged" [ ! -e "$dir/kn.log" ]

# --- the original keys given twice, in sections given twice: the log is the original one,
# the remarks on the file's form come with LogDetails only ---------------------------------
dir=$work/twice
install_keeper "$dir" kt
cp "$bin/keeper-demo$ext" "$dir/twice$ext"  # a name of its own: no earlier demo is adopted
for details in "" "LogDetails=1"; do
    rm -f "$dir/kt.log"
    {
        printf '[Settings]\r\nApplicationName=%s\r\nApplicationName=%s\r\n' \
            "$(native_path "$dir/twice$ext")" "$(native_path "$dir/other$ext")"
        printf 'Parameters=60000\r\nSleepInterval=0\r\n%s\r\n[Setings]\r\nX=1\r\n' "$details"
        printf '[settings]\r\nParameters=1\r\n'
    } > "$dir/kt.cfg"
    (cd "$dir" && exec $runner ./kt$ext) &
    watcher=$!
    wait_for 20 grep -qF "Start $(native_path "$dir/twice$ext")" "$dir/kt.log"
    keeper "$dir" kt /u
    wait_for 20 ended $watcher
    # The next watcher must launch the demo, not adopt this one.
    if is_windows; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; else end_scratch_processes "$dir"; fi
    if [ -z "$details" ]; then
        original() {
            [ "$(line_count "$dir/kt.log")" -eq 3 ] && has_line "$dir/kt.log" "Start kt" &&
                has_line "$dir/kt.log" "Stop kt"
        }
        check "keys and sections twice: the log is the original one" original
    else
        remarks() {
            has_line "$dir/kt.log" "Duplicate key in Settings: ApplicationName; the first one counts" &&
                has_line "$dir/kt.log" "Unknown section: Setings" &&
                has_line "$dir/kt.log" "Duplicate section: settings; the first one counts"
        }
        check "keys and sections twice: LogDetails logs the remarks on the form" remarks
    fi
done

# --- a whole command line in ApplicationName: /s names it at its line, the log with
# LogDetails only ------------------------------------------------------------------------
dir="$work/command line"
install_keeper "$dir" kg
arguments="ApplicationName holds arguments: put them in Parameters"
logged_alone() { [ -f "$1" ] && ! has_line "$1" "$2"; }
for details in "" "LogDetails=1"; do
    rm -f "$dir/kg.log"
    # A program that is not there: the launch fails and ends the watcher.
    printf '[Settings]\r\nApplicationName="%s" -x 3\r\nSleepInterval=0\r\n%s\r\n' \
        "$(native_path "$dir/missing$ext")" "$details" > "$dir/kg.cfg"
    out=$(keeper "$dir" kg /s 2> /dev/null | tr -d '\r')
    check "a command line in ApplicationName${details:+ and $details}: /s names it at line 2" \
        grep -qxF "$(native_path "$dir/kg.cfg"), line 2: $arguments" <<< "$out"
    keeper "$dir" kg > /dev/null 2>&1
    if [ -z "$details" ]; then
        check "a command line in ApplicationName: without LogDetails, the log does not name it" \
            logged_alone "$dir/kg.log" "$arguments"
    else
        check "a command line in ApplicationName: with LogDetails, the log names it" \
            has_line "$dir/kg.log" "$arguments"
    fi
done

# --- a locale that is not installed: time stamps of the C locale, as date(1) writes --------
if ! is_windows; then
    dir=$work/nolocale
    install_keeper "$dir" kx
    settings "$dir" kx 200 0
    before=$(LC_ALL=C date +%D)
    (cd "$dir" && exec env LC_ALL=xx_XX.UTF-8 ./kx) &
    watcher=$!
    started+=($watcher)
    wait_for 20 has_line "$dir/kx.log" "Restart $(native_path "$dir/keeper-demo")"
    (cd "$dir" && env LC_ALL=xx_XX.UTF-8 ./kx /u)
    wait_for 20 ended $watcher
    after=$(LC_ALL=C date +%D)
    # 12/09/26 00:01:38 Start kx: two-digit fields, a 24-hour clock, no am or pm.
    c_stamped() {
        [ -s "$1" ] && ! grep -v -E -- "^($before|$after)( [0-2][0-9]:[0-5][0-9]:[0-5][0-9])? (Start|Restart|Stop) [^ ].*"$'\r'"\$" "$1" > /dev/null
    }
    check "uninstalled locale: every line is stamped as in the C locale ($(head -c 17 "$dir/kx.log"))" \
        c_stamped "$dir/kx.log"
fi

summary
