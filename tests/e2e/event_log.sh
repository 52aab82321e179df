#!/usr/bin/env bash
# The event log: time-stamped lines in the locale's patterns, a log that cannot be written
# ends the program with the error report, a deleted log comes back, and duplicates
# writing at the same moment as the watcher all get their line in.
source "$(dirname "$0")/lib.sh"
module=$(demo_module)
stamp_line() { # stamp_line FILE REGEX: every line of FILE is a time stamp and a message
    [ -s "$1" ] && ! grep -v -E -- "^$2 [^ ].*"$'\r'"\$" "$1" > /dev/null
}

# --- lines in the locale's patterns ---------------------------------------------------------
if is_windows; then
    locales=("C|[0-9]{1,2}/[0-9]{1,2}/[0-9]{4}( [0-9]{1,2}:[0-9]{2}:[0-9]{2} (AM|PM))?")
else
    locales=("C|[0-9]{2}/[0-9]{2}/[0-9]{2}( [0-9]{2}:[0-9]{2}:[0-9]{2})?")
    locale -a 2>/dev/null | grep -qi '^de_DE.utf-\?8$' &&
        locales+=("de_DE.UTF-8|[0-9]{2}\.[0-9]{2}\.[0-9]{4}( [0-9]{2}:[0-9]{2}:[0-9]{2})?")
fi
for entry in "${locales[@]}"; do
    name=${entry%%|*} pattern=${entry#*|}
    dir=$work/t-${name%%.*}
    install_keeper "$dir" kt
    settings "$dir" kt 200 0
    (cd "$dir" && LC_ALL=$name exec $runner ./kt$ext) &
    watcher=$!
    wait_for 20 has_line "$dir/kt.log" "Restart $(native_path "$dir/keeper-demo$ext")"
    (cd "$dir" && LC_ALL=$name $runner ./kt$ext /u)
    wait_for 20 ended $watcher
    check "locale $name: every line is stamped like '$pattern'" stamp_line "$dir/kt.log" "$pattern"
    is_windows && { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; }  # next locale
done

# --- a deleted log is created again by the next entry -------------------------------------
dir=$work/deleted
install_keeper "$dir" kd
settings "$dir" kd 300 0
(cd "$dir" && exec $runner ./kd$ext) &
watcher=$!
wait_for 20 has_line "$dir/kd.log" "Restart $(native_path "$dir/keeper-demo$ext")"
rm -f "$dir/kd.log"
check "deleted log: the next entry creates it again" \
    wait_for 20 has_line "$dir/kd.log" "Restart $(native_path "$dir/keeper-demo$ext")"
check "deleted log: with the new entries only" [ "$(count_lines "$dir/kd.log" "Start kd")" -eq 0 ]

# --- twenty duplicates writing while the watcher logs -------------------------------------
pids=()
for i in $(seq 20); do
    (cd "$dir" && exec $runner ./kd$ext) &
    pids+=($!)
done
codes=0
for pid in "${pids[@]}"; do wait $pid || codes=$((codes + 1)); done
check "duplicates: all twenty exit with code 0" [ $codes -eq 0 ]
check "duplicates: all twenty entries are in the log" [ "$(count_lines "$dir/kd.log" \
    "Watching on the module $module is already started on this computer.")" -eq 20 ]
check "duplicates: every line is whole" stamp_line "$dir/kd.log" "[0-9/.: APM]+"
check "duplicates: the watcher keeps running" alive $watcher
keeper "$dir" kd /u
wait_for 20 ended $watcher

# --- a log that cannot be written ends the program with the report ------------------------
expect_report() { # expect_report DIR NAME MESSAGE ARGS...: runs keeper, expects exit code 1
    local dir=$1 name=$2 message=$3; shift 3
    if is_windows; then
        if can_show_boxes && start_display; then
            (cd "$dir" && DISPLAY=$display exec $runner ./$name$ext "$@") &
            local box=$!
            check "$message: the error box shows" \
                dismiss_box "Application Error" "$artifacts/error-box-${message// /-}.png"
            wait_for 20 ended $box || kill $box
            wait $box
            check "$message: exit code 1" [ $? -eq 1 ]
            stop_display
        else
            keeper "$dir" "$name" "$@"
            check "$message: exit code 1" [ $? -eq 1 ]
        fi
    else
        local err
        err=$(keeper "$dir" "$name" "$@" 2>&1 >/dev/null)
        check "$message: exit code 1" [ $? -eq 1 ]
        err=${err//$'\r'/}
        local report="^Application Error: Exception EInOutError in module $name at [0-9A-F]{8}\.
$message\.\$"
        check "$message: the report names EInOutError and '$message'" matches "$err" "$report"
    fi
}

dir=$work/missing
install_keeper "$dir" km
settings "$dir" km 60000 0
if is_windows; then missing_text="Invalid filename"; else missing_text="File not found"; fi
expect_report "$dir" km "$missing_text" /l "$(native_path "$dir/no-such-dir/km.log")"

dir=$work/readonly
install_keeper "$dir" kr
settings "$dir" kr 60000 0
printf 'kept\r\n' > "$dir/kr.log"
chmod 444 "$dir/kr.log"
if is_windows; then
    # Wine running as root writes to read-only files; a directory where the log should
    # be is refused with the same code.
    mkdir "$dir/dir.log"
    expect_report "$dir" kr "File access denied" /l "$(native_path "$dir/dir.log")"
elif [ "$(id -u)" -ne 0 ]; then
    expect_report "$dir" kr "File access denied"
elif command -v setpriv > /dev/null; then
    # root writes anywhere: the program runs as nobody for this case
    chmod 755 "$work" "$dir"; chmod 644 "$dir/kr.cfg"
    mkdir -m 700 "$work/run-nobody"; chown 65534 "$work/run-nobody"
    XDG_RUNTIME_DIR=$work/run-nobody runner="setpriv --reuid=65534 --regid=65534 --clear-groups" \
        expect_report "$dir" kr "File access denied"
fi
check "read-only log: left as it was" [ "$(cat "$dir/kr.log")" = $'kept\r' ]

summary
