#!/usr/bin/env bash
# Faults of the log file: a full disk, and while a watcher waits the log replaced by a
# directory, made read-only, or held by another process. The entry that cannot be written
# ends the program with the error report and exit code 1 and leaves what was there whole;
# a log held only for a moment is waited for.
source "$(dirname "$0")/lib.sh"
unset DISPLAY  # no error boxes under Wine: the box returns at once, exit code 1 follows

# own_app DIR NAME KEEPER PARAMETERS: keeper KEEPER watches DIR/NAME, a copy of the demo
# program under a name of its own (a running instance of the same name would be adopted).
own_app() {
    cp "$bin/keeper-demo$ext" "$1/$2$ext"
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\nSleepInterval=0\r\n' \
        "$(native_path "$1/$2$ext")" "$4" > "$1/$3.cfg"
}

mounted=() immutable=()
cleanup() {
    for f in "${immutable[@]}"; do chattr -i "$f" 2>/dev/null; done
    for m in "${mounted[@]}"; do umount -l "$m" 2>/dev/null; done
    finish
}
trap cleanup EXIT

if is_windows; then stamp='[0-9]{1,2}/[0-9]{1,2}/[0-9]{4}( [0-9]{1,2}:[0-9]{2}:[0-9]{2} (AM|PM))?'
else stamp='[0-9]{2}/[0-9]{2}/[0-9]{2}( [0-9]{2}:[0-9]{2}:[0-9]{2})?'; fi
# whole_lines FILE: the number of lines of FILE that are not a time stamp, a message and CR LF
malformed_lines() { grep -c -v -E -- "^$stamp [^ ].*"$'\r'"\$" "$1"; }

# expect_end PID ERRFILE NAME MESSAGE WHAT: the watcher PID ends with code 1 and, on Linux,
# the report naming EInOutError and MESSAGE on standard error.
expect_end() {
    local pid=$1 err=$2 name=$3 message=$4 what=$5
    check "$what: the watcher ends" wait_for 60 ended "$pid"
    wait "$pid"
    local code=$?
    check "$what: exit code 1 (got $code)" [ "$code" -eq 1 ]
    if ! is_windows; then
        local report="^Application Error: Exception EInOutError in module $name at [0-9A-F]{8}\.
$message\.\$"
        local text
        text=$(tr -d '\r' < "$err")
        check "$what: the report says '$message'" matches "$text" "$report"
        [[ "$text" =~ $report ]] || echo "# standard error: $text"
    fi
}

# start_watcher DIR NAME ARGS...: a watcher in the background, standard error to DIR/err
start_watcher() {
    local dir=$1 name=$2; shift 2
    (cd "$dir" && exec $runner "./$name$ext" "$@" 2> "$dir/err") &
}

# --- a full disk -----------------------------------------------------------------------------
dir=$work/full
install_keeper "$dir" kf
own_app "$dir" faults-full kf 0  # the application ends at once and is relaunched at once
mkdir "$dir/disk"
if mount -t tmpfs -o size=4k,mode=0755 keeper-e2e-full "$dir/disk" 2>/dev/null; then
    mounted+=("$dir/disk")
    log=$dir/disk/kf.log
    start_watcher "$dir" kf /l "$(native_path "$log")"
    watcher=$!
    if is_windows; then full_text="I/O error 112"; else full_text="I/O error 28"; fi
    expect_end "$watcher" "$dir/err" kf "$full_text" "full disk"
    lines=$(line_count "$log")
    bytes=$(wc -c < "$log")
    echo "# full disk: $bytes bytes in $lines lines before the entry that did not fit"
    check "full disk: the log filled the disk ($bytes of 4096 bytes)" [ "$bytes" -gt $((4096 - 128)) ]
    check "full disk: the watcher's start came first" \
        [ "$(head -n 1 "$log" | sed 's/^.* \(Start kf\)\r$/\1/')" = "Start kf" ]
    if is_windows; then
        # Wine reports a write that the full disk cut short as a success, so the entry
        # before the failing one may end early; every line before that is whole.
        check "full disk: every line but the last is whole" \
            [ "$(head -n -1 "$log" | grep -c -v -E -- "^$stamp [^ ].*"$'\r'"\$")" -eq 0 ]
        tail -c 2 "$log" | od -An -tx1 | grep -q '0d 0a' || echo "# full disk: the last line is cut short: $(tail -n 1 "$log")"
    else
        check "full disk: every line is whole" [ "$(malformed_lines "$log")" -eq 0 ]
        check "full disk: the failed entry left no bytes behind the last line" \
            [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' ')" = 0d0a ]
    fi
else
    echo "skip - full disk: no tmpfs can be mounted here"
fi

# --- while the watcher waits ---------------------------------------------------------------
# watcher_waiting DIR NAME: a watcher that has launched the application and now waits
watcher_waiting() {
    install_keeper "$1" "$2"
    own_app "$1" "faults-$2" "$2" 60000
    start_watcher "$1" "$2"
    watcher=$!
    wait_for 30 has_line "$1/$2.log" "Start $(native_path "$1/faults-$2$ext")"
}

# The log replaced by a directory: the stop entry cannot be created.
dir=$work/dir
watcher_waiting "$dir" kd
rm "$dir/kd.log"
mkdir "$dir/kd.log"
keeper "$dir" kd /u
expect_end "$watcher" "$dir/err" kd "File access denied" "log replaced by a directory"
check "log replaced by a directory: the directory stays empty" [ -z "$(ls -A "$dir/kd.log")" ]

# The log made read-only: immutable, which binds root and Wine as well.
dir=$work/readonly
watcher_waiting "$dir" kr
cp "$dir/kr.log" "$dir/kept.log"
if chattr +i "$dir/kr.log" 2>/dev/null; then
    immutable+=("$dir/kr.log")
    keeper "$dir" kr /u
    expect_end "$watcher" "$dir/err" kr "File access denied" "read-only log"
    check "read-only log: left as it was" cmp -s "$dir/kr.log" "$dir/kept.log"
    chattr -i "$dir/kr.log"
else
    echo "skip - read-only log: chattr +i does not work on this file system"
    keeper "$dir" kr /u
    wait_for 30 ended "$watcher"
fi

if is_windows; then
    echo "skip - a log held by another process: flock does not reach Wine's share modes"
else
    # Held for a moment: the entry waits for the lock and gets in.
    dir=$work/held-briefly
    watcher_waiting "$dir" kb
    flock "$dir/kb.log" sleep 1 > /dev/null 2>&1 &
    holder=$!
    sleep 0.3
    started=$SECONDS
    keeper "$dir" kb /u
    check "log held for 1 s: the watcher ends" wait_for 30 ended "$watcher"
    wait "$watcher"
    check "log held for 1 s: exit code 0" [ $? -eq 0 ]
    check "log held for 1 s: the stop entry got in after the holder let go" has_line "$dir/kb.log" "Stop kb"
    echo "# log held for 1 s: the stop entry came $((SECONDS - started)) s after the request"
    wait "$holder"

    # Held longer than the two seconds of waiting: the report, and the log unchanged.
    dir=$work/held
    watcher_waiting "$dir" kh
    cp "$dir/kh.log" "$dir/kept.log"
    flock "$dir/kh.log" sleep 8 > /dev/null 2>&1 &
    holder=$!
    sleep 0.5
    started=$SECONDS
    keeper "$dir" kh /u
    expect_end "$watcher" "$dir/err" kh "I/O error 11" "log held for 8 s"
    echo "# log held for 8 s: the watcher gave up after $((SECONDS - started)) s"
    check "log held for 8 s: gave up before the holder let go" [ $((SECONDS - started)) -lt 7 ]
    check "log held for 8 s: left as it was" cmp -s "$dir/kh.log" "$dir/kept.log"
    kill $(pgrep -P "$holder") "$holder" 2>/dev/null  # the lock holder and its sleep
fi

# --- memory that runs out: the report "Out of memory" and exit code 1, not an abort ----------
# keeper's own allocator is linked into the release build only, not where the C library's
# is replaced by a sanitizer's.
if ! is_windows && [ -z "${KEEPER_SANITIZED:-}" ]; then
    dir=$work/memory
    install_keeper "$dir" km
    own_app "$dir" faults-memory km 0
    head -c 2000000 /dev/zero | tr '\0' ';' >> "$dir/km.cfg"  # a comment of 2 MB, read whole
    err=$(cd "$dir" && LD_PRELOAD=$bin/no-memory.so ./km 2>&1 >/dev/null)
    code=$?
    check "out of memory: exit code 1 (got $code)" [ "$code" -eq 1 ]
    check "out of memory: the report says so ($err)" \
        matches "${err//$'\r'/}" $'^Application Error: Exception EOutOfMemory in module km at [0-9A-F]{8}\.\nOut of memory\.$'
    check "out of memory: nothing is logged" [ ! -e "$dir/km.log" ]
fi

summary
