#!/usr/bin/env bash
# The roles an invocation takes: misconfigured, watcher, duplicate, stopper, idle
# stopper; the case rule of event names; one watcher out of many racing invocations.
source "$(dirname "$0")/lib.sh"
module=$(demo_module)

# --- misconfigured: no settings file, or a command without a file name ------------------
install_keeper "$work/a" ka
if is_windows; then
    keeper "$work/a" ka > /dev/null 2>&1  # without a display the box returns at once
    check "misconfigured: no settings file, exit code 7" [ $? -eq 7 ]
    if can_show_boxes && start_display; then
        (cd "$work/a" && DISPLAY=$display exec $runner ./ka$ext) &
        box=$!
        check "misconfigured: the box shows, captioned with the program name" \
            dismiss_box ka "$artifacts/misconfigured-box.png"
        check "misconfigured: closing the box ends the program" wait_for 20 ended $box
        wait $box
        check "misconfigured: exit code 7 after the box" [ $? -eq 7 ]
        stop_display
    else
        echo "skip - no Xvfb, xdotool or import: the box is not looked at"
    fi
else
    err=$(keeper "$work/a" ka 2>&1 >/dev/null)
    check "misconfigured: no settings file, exit code 7" [ $? -eq 7 ]
    check "misconfigured: message captioned with the program name" \
        [ "$(sed -n 1p <<< "$err")" = "ka: A module name is not defined." ]
    check "misconfigured: a missing file is named with the reason ($(sed -n 2p <<< "$err"))" \
        [ "$(sed -n 2p <<< "$err")" = "ka: The settings file $work/a/ka.cfg cannot be read: No such file or directory" ]
    # Each cause in a line of its own after the box's line, and nothing more.
    causes=(
        "[Setting]|ApplicationName=/bin/true|ka: The settings file $work/a/ka.cfg has no section [Settings]"
        "[Settings]|ApplicationNmae=/bin/true|SleepInterval=1|ka: The section [Settings] of $work/a/ka.cfg has no key ApplicationName; its keys: ApplicationNmae, SleepInterval"
        "[Settings]|ApplicationName=|ka: ApplicationName in $work/a/ka.cfg names no program"
    )
    for cause in "${causes[@]}"; do
        IFS='|' read -r -a lines <<< "$cause"
        printf '%s\r\n' "${lines[@]:0:${#lines[@]}-1}" > "$work/a/ka.cfg"
        err=$(keeper "$work/a" ka 2>&1 >/dev/null)
        check "misconfigured: the cause is named: ${lines[-1]#ka: }" \
            [ "$err" = "$(printf 'ka: A module name is not defined.\n%s' "${lines[-1]}")" ]
    done
fi
printf '[Settings]\r\nApplicationName=%s\r\n' "$(native_path "$work/a/")" > "$work/a/ka.cfg"
keeper "$work/a" ka > /dev/null 2>&1
check "misconfigured: a command ending in a delimiter exits 6, not configured" [ $? -eq 6 ]
check "misconfigured: nothing logged" [ ! -e "$work/a/ka.log" ]

# --- help and the version: printed, exit code 0, and nothing started --------------------
settings "$work/a" ka 60000 0
for switch in /? -h --help /v --version; do
    out=$(keeper "$work/a" ka "$switch" 2>/dev/null | tr -d '\r')
    code=$?
    case $switch in /v|--version) expected="^ka [0-9]+\.[0-9]+\.[0-9]+\$" ;; *) expected="^Usage: ka \[/u \| /s\]" ;; esac
    answered() { [ "$code" -eq 0 ] && matches "$out" "$expected" && [ ! -e "$work/a/ka.log" ]; }
    check "$switch: prints $(head -1 <<< "$out"), exit code 0, starts no watcher" answered
done
rm -f "$work/a/ka.cfg"

# --- watcher, duplicate, stopper, idle stopper -------------------------------------------
install_keeper "$work/b" kb
settings "$work/b" kb "60000 $(native_path "$work/b/launches.txt")" 0
log=$work/b/kb.log
(cd "$work/b" && exec $runner ./kb$ext) &
watcher=$!
check "watcher: logs its own start" wait_for 20 has_line "$log" "Start kb"
check "watcher: launches the application" \
    wait_for 20 has_line "$log" "Start $(native_path "$work/b/keeper-demo$ext")"

before=$(line_count "$log")
keeper "$work/b" kb
check "duplicate: exit code 0" [ $? -eq 0 ]
check "duplicate: logs that the module is watched" \
    has_line "$log" "Watching on the module $module is already started on this computer."
check "duplicate: one entry only" [ "$(line_count "$log")" -eq $((before + 1)) ]
check "duplicate: the watcher keeps running" alive $watcher

before=$(line_count "$log")
keeper "$work/b" kb /U
check "/U is no stop switch: it makes a duplicate" [ "$(line_count "$log")" -eq $((before + 1)) ]

before=$(line_count "$log")
keeper "$work/b" kb /u
check "stopper: exit code 0" [ $? -eq 0 ]
check "stopper: the watcher ends" wait_for 20 ended $watcher
wait $watcher
check "stopper: the watcher exits with code 0" [ $? -eq 0 ]
check "stopper: the watcher logs its stop" has_line "$log" "Stop kb"
check "stopper: only the watcher's entry is added" [ "$(line_count "$log")" -eq $((before + 1)) ]
check "stopper: the application was launched once" [ "$(wc -l < "$work/b/launches.txt")" -eq 1 ]
is_windows || check "stopper: the application keeps running" pgrep -f -- "$work/b/keeper-demo" > /dev/null

before=$(line_count "$log")
keeper "$work/b" kb -u
check "idle stopper: exit code 0" [ $? -eq 0 ]
check "idle stopper: nothing logged" [ "$(line_count "$log")" -eq "$before" ]

# --- switches: /i and /l with bare names resolve in the current directory ----------------
install_keeper "$work/s" ks
mkdir -p "$work/cwd"
settings "$work/s" other 100 0
mv "$work/s/other.cfg" "$work/cwd/other.cfg"
(cd "$work/cwd" && exec $runner "$work/s/ks$ext" /i other.cfg /l here.log) &
watcher=$!
check "switches: /i and /l take bare names from the current directory" \
    wait_for 20 has_line "$work/cwd/here.log" "Start ks"
(cd "$work/cwd" && $runner "$work/s/ks$ext" /u /i other.cfg)
check "switches: the stop request finds the watcher" wait_for 20 ended $watcher
check "switches: nothing went to the default log" [ ! -e "$work/s/ks.log" ]

# A log name longer than 259 bytes is used whole, not cut.
long=$work/l/$(printf 'directory-%03d/' $(seq 1 25) | tr -d ' ')
mkdir -p "$long"
install_keeper "$work/l" kl
settings "$work/l" kl 60000 0
(cd "$work/l" && exec $runner ./kl$ext /l "$(native_path "$long")entries.log") &
watcher=$!
check "switches: a log name of ${#long}+ bytes is used whole" \
    wait_for 20 has_line "${long}entries.log" "Start kl"
keeper "$work/l" kl /u
check "switches: that watcher stops" wait_for 20 ended $watcher

# --- event names compare case and all: KC and kc are different watchers -------------------
install_keeper "$work/c1" kc
install_keeper "$work/c2" KC
settings "$work/c1" kc 60000 0
settings "$work/c2" KC 60000 0
(cd "$work/c1" && exec $runner ./kc$ext) &
lower=$!
check "case: the first watcher starts" wait_for 20 has_line "$work/c1/kc.log" "Start kc"
(cd "$work/c2" && exec $runner ./KC$ext) &
upper=$!
check "case: a program name differing in case is a watcher of its own" \
    wait_for 20 has_line "$work/c2/KC.log" "Start KC"
keeper "$work/c2" KC /u
check "case: its stop request reaches only its own watcher" wait_for 20 ended $upper
check "case: the other watcher keeps running" alive $lower
keeper "$work/c1" kc /u
check "case: the other watcher stops on its own request" wait_for 20 ended $lower

# --- twenty invocations at once: exactly one watcher ---------------------------------------
install_keeper "$work/d" kd
settings "$work/d" kd 60000 0
pids=()
for i in $(seq 20); do
    (cd "$work/d" && exec $runner ./kd$ext) &
    pids+=($!)
done
wait_for 30 bash -c "[ \$(ps -o pid= -p ${pids[*]// /,} | wc -l) -le 1 ]"
running=()
for pid in "${pids[@]}"; do alive $pid && running+=($pid); done
check "race: exactly one of twenty stays as the watcher" [ ${#running[@]} -eq 1 ]
check "race: exactly one start entry" [ "$(count_lines "$work/d/kd.log" "Start kd")" -eq 1 ]
duplicates=$(count_lines "$work/d/kd.log" "Watching on the module $module is already started on this computer.")
check "race: nineteen duplicate entries" [ "$duplicates" -eq 19 ]
keeper "$work/d" kd /u
check "race: the watcher stops" wait_for 20 ended "${running[0]:-0}"

summary
