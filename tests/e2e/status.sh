#!/usr/bin/env bash
# The status query: "keeper /s" tells whether a watcher runs, whether the application runs,
# its process and since when, the restarts and the last end; exit codes 0, 1 and 3. It
# starts, stops and logs nothing, and a killed watcher's record counts no more.
source "$(dirname "$0")/lib.sh"

# The application of this script has a name of its own: a watcher adopts any process of
# the configured name, also one of another test running at the same time.
app=status-demo$ext
# install DIR NAME PARAMETERS SLEEP [KEY=VALUE...]: keeper as DIR/NAME watching DIR's own
# copy of the demo.
install() {
    local dir=$1 name=$2 parameters=$3 sleep=$4
    shift 4
    install_keeper "$dir" "$name"
    cp "$bin/keeper-demo$ext" "$dir/$app"
    config "$dir/$name.cfg" "$dir/$app" "$parameters" "SleepInterval=$sleep" "$@"
}
# query DIR NAME [ARGS...]: the query's output, without CRs, in $out, its exit code in $code.
query() {
    local dir=$1 name=$2
    shift 2
    out=$(keeper "$dir" "$name" /s "$@" 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}")
    code=$?
}
line_of() { grep "^$1" <<< "$out"; }
stamp='[0-9][0-9/. :APMapm-]*[0-9APMapm]'

dir=$work/a
install "$dir" ks 1500 1000
log=$dir/ks.log
module=$(if is_windows; then echo STATUS-DEMO.EXE; else echo STATUS-DEMO; fi)

query "$dir" ks
check "no watcher: exit code 3 (got $code)" [ "$code" -eq 3 ]
check "no watcher: says so, and what a watcher would launch ($out)" \
    [ "$out" = "$(printf 'No watcher runs for the module %s.\nCommand: %s 1500' "$module" "$(native_path "$dir/$app")")" ]
check "no watcher: nothing logged" [ ! -e "$log" ]
if ! is_windows; then
    check "no watcher: the instance name is not taken" [ ! -e "$XDG_RUNTIME_DIR/keeper/ks_$module" ]
fi

(cd "$dir" && exec $runner ./ks$ext) &
watcher=$!
check "the watcher launches the application" wait_for 30 has_line "$log" "Start $(native_path "$dir/$app")"
query "$dir" ks
check "running: exit code 0 (got $code)" [ "$code" -eq 0 ]
check "running: the watcher's process and since when ($(line_of Watcher))" \
    matches "$(line_of Watcher)" "^Watcher: process [0-9]+, running since $stamp\$"
check "running: the application, launched ($(line_of Application))" \
    matches "$(line_of Application)" "^Application: process [0-9]+, launched, running since $stamp\$"
check "running: no restarts yet" [ "$(line_of Restarts)" = "Restarts: 0" ]
check "running: no end yet" [ -z "$(line_of 'Last end')" ]
check "running: the command, its program's full path ($(line_of Command))" \
    [ "$(line_of Command)" = "Command: $(native_path "$dir/$app") 1500" ]
check "running: the settings file" [ "$(line_of 'Settings file')" = "Settings file: $(native_path "$dir/ks.cfg")" ]
check "running: the log file" [ "$(line_of 'Log file')" = "Log file: $(native_path "$log")" ]
if ! is_windows; then
    check "running: the watcher's process is keeper's" \
        [ "$(line_of Watcher | sed 's/^Watcher: process \([0-9]*\),.*/\1/')" = "$watcher" ]
fi

# The application lives 1.5 s, then keeper pauses 1 s: the query in the pause says when
# the next launch is due and how the last run ended.
paused() { query "$dir" ks; [ "$code" -eq 1 ]; }
check "in the pause: exit code 1" wait_for 20 paused
check "in the pause: the next launch ($(line_of Application))" \
    matches "$(line_of Application)" "^Application: not running, next launch at $stamp\$"
check "in the pause: the last end as its End entry says it ($(line_of 'Last end'))" \
    matches "$(line_of 'Last end')" '^Last end: exit code 0 after 1\.[4-9] s$'
restarted() { query "$dir" ks; [ "$code" -eq 0 ] && [ "$(line_of Restarts)" = "Restarts: 1" ]; }
check "after the pause: running again, one restart" wait_for 20 restarted
check "the queries logged nothing" [ "$(grep -cv -e ' Start ' -e ' Restart ' "$log")" -eq 0 ]

# The same settings and program name through /l and /i, from another directory.
other=$work/elsewhere
install_keeper "$other" ks
query "$other" ks /i "$(native_path "$dir/ks.cfg")" /l "$(native_path "$work/unused.log")"
check "/i and /l: the watcher of those settings is found (exit code $code)" [ "$code" -eq 0 ]
check "/i and /l: its own log file is named" [ "$(line_of 'Log file')" = "Log file: $(native_path "$log")" ]
check "/i and /l: nothing logged" [ ! -e "$work/unused.log" ]

keeper "$dir" ks /u
check "after the stop: the watcher ends" wait_for 30 ended $watcher
query "$dir" ks
check "after the stop: exit code 3 (got $code)" [ "$code" -eq 3 ]
is_windows || check "after the stop: the watcher removed its record" \
    [ ! -e "$XDG_RUNTIME_DIR/keeper/ks_$module.status" ]

# An adopted instance.
kill_demo() {
    local p
    if is_windows; then return; fi
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/exe" 2>/dev/null)" = "$1/$app" ] && kill -KILL "${p#/proc/}" 2>/dev/null
    done
}
kill_demo "$dir"
dir=$work/b
install "$dir" ka -1 1000
(cd "$dir" && exec $runner "./$app" -1) &
demo=$!
sleep 1
(cd "$dir" && exec $runner ./ka$ext) &
watcher=$!
adopted() { query "$dir" ka; [ "$code" -eq 0 ]; }
check "adopted: exit code 0" wait_for 30 adopted
check "adopted: the application, adopted ($(line_of Application))" \
    matches "$(line_of Application)" "^Application: process [0-9]+, adopted, watched since $stamp\$"

# A killed watcher leaves no record that a query could take for a running one.
kill -KILL $watcher
wait $watcher 2>/dev/null
is_windows && sleep 2  # until Wine has closed the killed process's handles
query "$dir" ka
check "a killed watcher: exit code 3 (got $code)" [ "$code" -eq 3 ]
check "a killed watcher: says no watcher runs" [ "$(head -1 <<< "$out")" = "No watcher runs for the module $module." ]
kill -KILL $demo 2>/dev/null

# A held name always has a record: a watcher whose first entry waits for another writer of
# the log is found all the same; a name held without a record (no watcher of keeper's holds
# it so for longer than a moment) is a watcher whose status cannot be read (Linux).
if ! is_windows; then
    dir=$work/held
    install "$dir" kh 600000 0
    flock "$dir/kh.log" sleep 1.5 &
    holder=$!
    sleep 0.2
    (cd "$dir" && exec ./kh) &
    watcher=$!
    sleep 0.5
    query "$dir" kh
    starting() { [ "$code" -eq 1 ] && [ "$(line_of Application)" = "Application: not running" ]; }
    check "start held up by the log: the watcher is found, not running yet (exit code $code)" starting
    wait $holder
    keeper "$dir" kh /u
    wait_for 20 ended $watcher
    kill_demo "$dir"
    name=$XDG_RUNTIME_DIR/keeper/kh_$module
    python3 -c 'import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NONBLOCK)
fcntl.fcntl(fd, fcntl.F_OFD_SETLK, bytes(32))  # F_RDLCK (0) on the whole FIFO, as holders lock it
time.sleep(3)' "$name" &
    holder=$!
    sleep 0.5
    query "$dir" kh
    check "a name held without a record: exit code 4 (got $code)" [ "$code" -eq 4 ]
    kill $holder
fi

# A launch that fails, retried: the last failure with its entry and time; a program that
# cannot be found is named so.
dir=$work/failing
install "$dir" kf 1500 100 "MaxSleepInterval=60000" "WorkingDirectory=$(native_path "$dir/gone")"
(cd "$dir" && exec $runner ./kf$ext) &
watcher=$!
failure() { query "$dir" kf; [ -n "$(line_of 'Last launch failure')" ]; }
check "failed launches: exit code 1, the watcher runs" wait_for 30 failure
last_failure() {
    [[ "$(line_of 'Last launch failure')" == "Last launch failure: Error "*": "*" (WorkingDirectory $(native_path "$dir/gone")), at "* ]] &&
        matches "$(line_of 'Last launch failure')" ", at $stamp\$"
}
check "failed launches: the last one, with its entry and time ($(line_of 'Last launch failure'))" last_failure
keeper "$dir" kf /u
wait_for 30 ended $watcher
rm "$dir/$app"
query "$dir" kf
check "a missing program: the command is not found ($(line_of Command))" \
    [ "$(line_of Command)" = "Command: $(native_path "$dir/$app") 1500 (not found)" ]

# A query of a misconfigured keeper answers without a box.
dir=$work/c
install_keeper "$dir" kc
query "$dir" kc
check "misconfigured: exit code 3 (got $code)" [ "$code" -eq 3 ]
check "misconfigured: says so in its output" [ "$out" = "A module name is not defined." ]

summary
