#!/usr/bin/env bash
# Linux: SIGTERM and SIGINT are stop requests, SIGHUP is ignored, the application keeper
# launches gets the default signal dispositions and mask, and what keeper's starter passed
# on (an ignored SIGCHLD, a blocked SIGTERM, closed standard descriptors) is put back.
source "$(dirname "$0")/lib.sh"
if is_windows; then
    echo "skip - signals are Linux's"
    summary
    exit
fi

# The application of this script has a name of its own: a watcher adopts any process
# of the configured name, also one of another test running at the same time.
app=signals-demo
# install DIR: keeper as DIR/k, watching DIR's own copy of the demo, which lives for
# PARAMETERS ms, with the pause SLEEP.
install() { # install DIR PARAMETERS SLEEP
    install_keeper "$1" k
    cp "$bin/keeper-demo" "$1/$app"
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\nSleepInterval=%s\r\n' \
        "$1/$app" "$2" "$3" > "$1/k.cfg"
}
# app_pid DIR: the process whose executable is DIR's demo.
app_pid() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/exe" 2>/dev/null)" = "$1/$app" ] && { echo "${p#/proc/}"; return; }
    done
}
status_field() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"; }
# The signals 1 to 31 of a mask of /proc/PID/status; the real-time ones above are the C
# library's own.
standard() { echo $((0x$1 & 0x7FFFFFFF)); }

for signal in TERM INT; do
    dir=$work/$signal
    install "$dir" 600000 0
    (cd "$dir" && exec ./k) &
    watcher=$!
    check "SIG$signal: the watcher launches the application" \
        wait_for 20 has_line "$dir/k.log" "Start $dir/$app"
    kill -s "$signal" $watcher
    check "SIG$signal: the watcher ends" wait_for 20 ended $watcher
    wait $watcher
    check "SIG$signal: with exit code 0" [ $? -eq 0 ]
    check "SIG$signal: it logs its stop" has_line "$dir/k.log" "Stop k"
    pid=$(app_pid "$dir")
    check "SIG$signal: the application keeps running" [ -n "$pid" ]
    kill -KILL $pid 2>/dev/null  # the next watcher would adopt it
done

# The application: dispositions and mask as if keeper had none. The shell starts keeper in
# the background with SIGINT and SIGQUIT ignored, and keeper ignores SIGHUP.
dir=$work/HUP
install "$dir" 600000 0
(cd "$dir" && exec ./k) &
watcher=$!
wait_for 20 has_line "$dir/k.log" "Start $dir/$app"
pid=$(app_pid "$dir")
check "launched application: no signal ignored" [ "$(standard "$(status_field "$pid" SigIgn)")" -eq 0 ]
check "launched application: no signal blocked" [ "$(standard "$(status_field "$pid" SigBlk)")" -eq 0 ]
kill -s HUP $watcher
sleep 0.5
check "SIGHUP: the watcher keeps running" alive $watcher
check "SIGHUP: nothing is logged" [ "$(line_count "$dir/k.log")" -eq 2 ]
keeper "$dir" k /u
check "SIGHUP: keeper /u still stops it" wait_for 20 ended $watcher
kill -KILL $pid 2>/dev/null

# What a starter may pass on through exec: SIGCHLD ignored (no exit code would be left to
# read), SIGTERM blocked (it would never become a stop request), descriptors 0-2 closed
# (keeper's own files would take them).
dir=$work/inherited
install "$dir" 1000 0
printf 'LogDetails=1\r\n' >> "$dir/k.cfg"
(cd "$dir" && exec env --ignore-signal=CHLD --block-signal=TERM ./k <&- >&- 2>&-) &
watcher=$!
end_line="End $dir/$app: exit code 0 after "
check "inherited SIGCHLD ignored: the exit code is read" \
    wait_for 20 grep -qF "$end_line" "$dir/k.log"
standard_files() { [ "$(readlink /proc/$watcher/fd/0 /proc/$watcher/fd/1 /proc/$watcher/fd/2)" = $'/dev/null\n/dev/null\n/dev/null' ]; }
check "inherited descriptors 0-2 closed: they are /dev/null" standard_files
kill -s TERM $watcher
check "inherited SIGTERM blocked: SIGTERM stops the watcher all the same" wait_for 20 ended $watcher
pid=$(app_pid "$dir")
[ -n "$pid" ] && kill -KILL $pid

# In a pause: without back-off the application is launched once more first, as for /u;
# backing off, the stop ends the pause at once.
for max in "" 600000; do
    dir=$work/pause$max
    install "$dir" 0 5000
    [ -n "$max" ] && printf 'MaxSleepInterval=%s\r\n' "$max" >> "$dir/k.cfg"
    (cd "$dir" && exec ./k) &
    watcher=$!
    wait_for 20 has_line "$dir/k.log" "Start $dir/$app"
    sleep 1
    kill -s TERM $watcher
    launches=1 what="without back-off, one more launch"
    [ -n "$max" ] && launches=0 what="backing off, at once"
    check "SIGTERM in a pause, $what: the watcher ends" wait_for 10 ended $watcher
    check "SIGTERM in a pause, $what: restarts" \
        [ "$(count_lines "$dir/k.log" "Restart $dir/$app")" -eq $launches ]
    check "SIGTERM in a pause, $what: it logs its stop" has_line "$dir/k.log" "Stop k"
    pid=$(app_pid "$dir")
    [ -n "$pid" ] && kill -KILL $pid
done

summary
