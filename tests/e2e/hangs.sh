#!/usr/bin/env bash
# "HangTimeout": an application that hangs is logged "Hung", ended with what it started and
# relaunched. Windows (under Wine, on a display of its own): a window that stops answering;
# one that answers and a process without windows are never hung. Linux: the notification
# protocol's pings that stop, "WATCHDOG=trigger", an application that never pings, a child's
# and an adopted instance's datagrams, and the variables the application gets. The protocol's
# other clients and edges are tested by notify.sh.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_app_lib.sh"

# The seconds of the "End" entry of COMMAND whose status is STATUS-RE, times ten; -1 without one.
end_tenths() {
    local entry pattern
    pattern="^End $(re "$2"): $3 after ([0-9]+)\\.([0-9]) s\$"
    while IFS= read -r entry; do
        [[ $entry =~ $pattern ]] && { echo $((10#${BASH_REMATCH[1]} * 10 + BASH_REMATCH[2])); return; }
    done < <(messages "$1")
    echo -1
}

# The parts under Wine, on a display of their own. A function, so that the script ends
# after it whatever happens in it.
windows_hangs() {
    if ! can_show_boxes; then
        echo "skip - no Xvfb, xdotool or import: windows cannot be shown, hangs are not tested"
        return
    fi
    start_display || { fail "a display for the windows (Xvfb)"; return; }
    local timeout=2000 dir hung_stamps answer_stamps bare_stamps adopt_stamps log stopped relaunched tenths
    local hung_app adopt started hung_watcher answer_watcher bare_watcher adopt_watcher adopt_app
    local tree_app tree_stamps tree_watcher sleeper

    # --- a window that answers for 3 s, then stops: hung, ended, relaunched -------------------
    # NoRestartExitCodes names the code of the end by force (1): it must not stop keeper.
    dir=$work/hung
    hung_app=$(native_path "$dir/hang-window$ext")
    hung_stamps=$dir/stamps.txt
    hang_part "$dir" kw-hung hang-window "window 3000 $(native_path "$hung_stamps")" \
        HangTimeout=$timeout SleepInterval=0 LogDetails=1 NoRestartExitCodes=1
    start_watcher "$dir" kw-hung env DISPLAY="$display"
    hung_watcher=$watcher

    # --- a hung window with a child of the same file: the tree goes, the child is not adopted --
    dir=$work/tree
    tree_app=$(native_path "$dir/hang-tree$ext")
    tree_stamps=$dir/stamps.txt
    hang_part "$dir" kw-tree hang-tree "window-child 3000 $(native_path "$tree_stamps")" \
        HangTimeout=$timeout SleepInterval=0 LogDetails=1
    start_watcher "$dir" kw-tree env DISPLAY="$display"
    tree_watcher=$watcher

    # --- a window that keeps answering, and a process without windows ------------------------
    dir=$work/answer
    answer_stamps=$dir/stamps.txt
    hang_part "$dir" kw-answer hang-answer "window -1 $(native_path "$answer_stamps")" \
        HangTimeout=$timeout SleepInterval=0
    start_watcher "$dir" kw-answer env DISPLAY="$display"
    answer_watcher=$watcher
    dir=$work/bare
    install_keeper "$dir" kw-bare
    cp "$bin/stamp-app$ext" "$dir/stamp-bare$ext"
    echo -1 > "$dir/plan.txt"
    bare_stamps=$dir/stamps.txt
    hang_settings "$dir" kw-bare "$dir/stamp-bare$ext" \
        "$(native_path "$dir/plan.txt") $(native_path "$bare_stamps")" HangTimeout=$timeout SleepInterval=0
    start_watcher "$dir" kw-bare env DISPLAY="$display"
    bare_watcher=$watcher
    started=$SECONDS

    # --- an adopted instance's window is checked too ------------------------------------------
    dir=$work/adopt
    adopt_stamps=$dir/stamps.txt
    hang_part "$dir" kw-adopt hang-adopt "window 3000 $(native_path "$adopt_stamps")" \
        HangTimeout=$timeout SleepInterval=0 LogDetails=1
    (cd "$dir" && DISPLAY=$display exec $runner ./hang-adopt$ext window 3000 "$(native_path "$adopt_stamps")") &
    adopt_app=$!
    start_adopting adopted "$dir" kw-adopt "$adopt_stamps" env DISPLAY="$display"
    adopt_watcher=$watcher

    log=$work/hung/kw-hung.log
    check "hung window: the application is relaunched" wait_for 60 eval '[ "$(runs "$hung_stamps")" -ge 2 ]'
    grep -q '^X' "$hung_stamps" && fail "hung window: the application made its window ($(grep '^X' "$hung_stamps"))"
    check "hung window: \"Hung\", its End with exit code 1, then \"Restart\"" \
        in_order "$log" "^Start $(re "$hung_app"): process" "^Hung $(re "$hung_app"): a window did not answer\$" \
        "^End $(re "$hung_app"): exit code 1 after " "^Restart $(re "$hung_app"): process"
    stopped=$(stamp "$hung_stamps" Q 1) relaunched=$(stamp "$hung_stamps" S 2)
    echo "# the window stopped answering at $stopped ms; relaunched at $relaunched ms"
    check "hung window: not hung before HangTimeout ($timeout ms) of not answering" \
        [ $((relaunched - stopped)) -ge $((timeout - 300)) ]
    check "hung window: relaunched within HangTimeout and 8 s of not answering" \
        [ $((relaunched - stopped)) -lt $((timeout + 8000)) ]
    tenths=$(end_tenths "$log" "$hung_app" "exit code 1")
    check "hung window: the End entry gives the run's length ($tenths/10 s)" between "$tenths" 45 140
    check "hung window: the watcher goes on (NoRestartExitCodes does not apply)" alive $hung_watcher
    # The relaunched window answers: three more time-outs without a second hang.
    sleep $((3 * timeout / 1000 + 1))
    check "hung window: a window that answers again is not hung" \
        [ "$(count_lines "$log" "Hung $hung_app: a window did not answer")" -eq 1 ]
    check "hung window: launched twice" [ "$(runs "$hung_stamps")" -eq 2 ]
    check "hung window: the watcher stops" stop_watcher "$work/hung" kw-hung $hung_watcher env DISPLAY="$display"

    log=$work/tree/kw-tree.log
    check "hung tree: the application is relaunched" wait_for 30 eval '[ "$(runs "$tree_stamps")" -ge 2 ]'
    sleeper=$(stamp "$tree_stamps" C 1 3)
    check "hung tree: \"Hung\", then \"Restart\", and nothing adopted" \
        in_order "$log" "^Start $(re "$tree_app"): process" "^Hung $(re "$tree_app"): a window did not answer\$" \
        "^Restart $(re "$tree_app"): process"
    check "hung tree: the child was not adopted" [ "$(grep -c 'Adopt ' "$log")" -eq 0 ]
    check "hung tree: the child ran" [ "$sleeper" -gt 0 ]
    check "hung tree: the child ($sleeper) went with the application" \
        not $runner "$bin/stop-app$ext" alive "$sleeper" "hang-tree$ext"
    check "hung tree: the watcher stops" stop_watcher "$work/tree" kw-tree $tree_watcher env DISPLAY="$display"

    # At least four time-outs have passed since the other two were launched.
    sleep $((started + 4 * timeout / 1000 + 2 - SECONDS > 0 ? started + 4 * timeout / 1000 + 2 - SECONDS : 0))
    check "answering window: never hung over four HangTimeouts" \
        [ "$(messages "$work/answer/kw-answer.log" | grep -c '^Hung ')" -eq 0 ]
    check "answering window: launched once, and still running" \
        [ "$(runs "$answer_stamps")" -eq 1 -a "$(line_count "$work/answer/kw-answer.log")" -eq 2 ]
    check "process without windows: never hung over four HangTimeouts" \
        [ "$(messages "$work/bare/kw-bare.log" | grep -c '^Hung ')" -eq 0 ]
    check "process without windows: launched once, and still running" \
        [ "$(runs "$bare_stamps")" -eq 1 -a "$(line_count "$work/bare/kw-bare.log")" -eq 2 ]
    check "answering window: the watcher stops" stop_watcher "$work/answer" kw-answer $answer_watcher env DISPLAY="$display"
    check "process without windows: the watcher stops" stop_watcher "$work/bare" kw-bare $bare_watcher env DISPLAY="$display"

    if [ "$adopt_watcher" != 0 ]; then
        log=$work/adopt/kw-adopt.log
        adopt=$(native_path "$work/adopt/hang-adopt$ext")
        check "adopted window: relaunched after it stopped answering" \
            wait_for 40 eval '[ "$(runs "$adopt_stamps")" -ge 2 ]'
        # The first launch after an adoption is the watcher's first: a "Start".
        check "adopted window: adopted, \"Hung\", then \"Start\"" \
            in_order "$log" "^Adopt $(re "$adopt"): process [0-9]+\$" "^Hung $(re "$adopt"): a window did not answer\$" "^Start $(re "$adopt")"
        check "adopted window: not hung before HangTimeout of not answering" \
            [ $(($(stamp "$adopt_stamps" S 2) - $(stamp "$adopt_stamps" Q 1))) -ge $((timeout - 300)) ]
        check "adopted window: the watcher stops" stop_watcher "$work/adopt" kw-adopt $adopt_watcher env DISPLAY="$display"
    fi
    { kill -KILL "$adopt_app"; wait "$adopt_app"; } 2>/dev/null
    stop_display
}
if is_windows; then
    windows_hangs
fi
if is_windows; then
    summary
    exit
fi

# --- Linux: all parts run side by side; each watcher has a name and a directory of its own --
timeout=1500
manager=$work/manager.notify  # a service manager's socket that keeper itself was given

# Pings every 300 ms for 2 s, then silence: hung HangTimeout after the last ping. The
# relaunched instance pings for ever and is never hung.
dir=$work/silent
silent_stamps=$dir/stamps.txt
hang_part "$dir" kh-silent hang-silent "ping 2000 300 $silent_stamps" \
    HangTimeout=$timeout SleepInterval=0 LogDetails=1
start_watcher "$dir" kh-silent
silent_watcher=$watcher

# "WATCHDOG=trigger" after 1 s, with a HangTimeout far longer: hung at once.
dir=$work/trigger
trigger_stamps=$dir/stamps.txt
hang_part "$dir" kh-trigger hang-trigger "trigger 1000 $trigger_stamps" \
    HangTimeout=30000 SleepInterval=0 LogDetails=1
start_watcher "$dir" kh-trigger
trigger_watcher=$watcher

# Never sends anything; records its variables. keeper itself was given a manager's.
dir=$work/quiet
quiet_stamps=$dir/stamps.txt
hang_part "$dir" kh-quiet hang-quiet "env $quiet_stamps" HangTimeout=$timeout SleepInterval=0
start_watcher "$dir" kh-quiet env NOTIFY_SOCKET="$manager" WATCHDOG_USEC=5000000 WATCHDOG_PID=$$
quiet_watcher=$watcher

# Its child sends "READY=1" and "WATCHDOG=trigger": a process of the application's session
# speaks for it.
dir=$work/child
child_stamps=$dir/stamps.txt
hang_part "$dir" kh-child hang-child "child $child_stamps" HangTimeout=$timeout SleepInterval=0
start_watcher "$dir" kh-child
child_watcher=$watcher

# An instance keeper adopts, which has the socket's address from before and triggers: it is
# watched as a launched one.
dir=$work/adopted
adopted_stamps=$dir/stamps.txt
socket=$(socket_of kh-adopted_HANG-ADOPTED)
hang_part "$dir" kh-adopted hang-adopted "adopted $socket $adopted_stamps" \
    HangTimeout=$timeout SleepInterval=0 LogDetails=1
(cd "$dir" && exec env -u NOTIFY_SOCKET ./hang-adopted adopted "$socket" "$adopted_stamps") &
adopted_app=$!
start_adopting adopted "$dir" kh-adopted "$adopted_stamps"
adopted_watcher=$watcher

# Without the key, and with an invalid value: keeper gives no socket, and what keeper
# itself inherited passes as before.
dir=$work/nokey
nokey_stamps=$dir/stamps.txt
hang_part "$dir" kh-nokey hang-nokey "env $nokey_stamps" SleepInterval=0
start_watcher "$dir" kh-nokey env -u NOTIFY_SOCKET -u WATCHDOG_USEC -u WATCHDOG_PID
nokey_watcher=$watcher
dir=$work/invalid
invalid_stamps=$dir/stamps.txt
hang_part "$dir" kh-invalid hang-invalid "env $invalid_stamps" HangTimeout=soon SleepInterval=0
start_watcher "$dir" kh-invalid env -u WATCHDOG_PID NOTIFY_SOCKET="$manager" WATCHDOG_USEC=7
invalid_watcher=$watcher

# A runtime directory whose path would not fit a socket address (108 bytes): the abstract
# name does not depend on it.
dir=$work/long
long_stamps=$dir/stamps.txt
long_run=$work/$(printf 'runtime-directory-%03d/' 1 2 3 4 | tr -d ' ')
mkdir -p "$long_run" && chmod 0700 "$long_run"
hang_part "$dir" kh-long hang-long "env $long_stamps" HangTimeout=$timeout SleepInterval=0
start_watcher "$dir" kh-long env XDG_RUNTIME_DIR="$long_run" NOTIFY_SOCKET="$manager"
long_watcher=$watcher

# --- pings that stop --------------------------------------------------------------------------
log=$work/silent/kh-silent.log
app=$work/silent/hang-silent
check "silent: relaunched after its pings stopped" wait_for 30 eval '[ "$(runs "$silent_stamps")" -ge 2 ]'
check "silent: it pinged, and every datagram was sent" \
    bash -c '[ "$(grep -c "^P " "$1")" -ge 5 ] && ! grep -q "^X" "$1"' _ "$silent_stamps"
check "silent: \"Hung\" for a ping overdue, its End by SIGKILL, then \"Restart\"" \
    in_order "$log" "^Start $(re "$app"): process" "^Hung $(re "$app"): ping overdue\$" \
    "^End $(re "$app"): signal 9 \\(SIGKILL\\) after " "^Restart $(re "$app"): process"
last=$(last_of_first_run "$silent_stamps" P) relaunched=$(stamp "$silent_stamps" S 2)
echo "# last ping at $last ms, relaunched at $relaunched ms, HangTimeout $timeout ms"
check "silent: the pings kept it from being hung for 2 s" \
    [ $((last - $(stamp "$silent_stamps" S 1))) -ge 1700 ]
check "silent: not hung before HangTimeout after the last ping" [ $((relaunched - last)) -ge $((timeout - 100)) ]
check "silent: hung within HangTimeout and 3 s of the last ping" [ $((relaunched - last)) -lt $((timeout + 3000)) ]
tenths=$(end_tenths "$log" "$app" "signal 9 \\(SIGKILL\\)")
check "silent: the End entry gives the run's length ($tenths/10 s)" between "$tenths" 33 80
check "silent: the hung process is ended" wait_for 5 gone "$(stamp "$silent_stamps" S 1 3)"
check "silent: and the child it started with it" wait_for 5 gone "$(stamp "$silent_stamps" C 1 3)"
# The relaunched instance pings for ever: not hung over twice the time-out.
check "silent: the relaunched instance pings" \
    wait_for 20 eval '[ $(($(stamp "$silent_stamps" P) - relaunched)) -ge $((2 * timeout + 500)) ]'
check "silent: an application that pings in time is never hung" [ "$(count_lines "$log" "Hung $app: ping overdue")" -eq 1 ]
check "silent: launched twice" [ "$(runs "$silent_stamps")" -eq 2 ]
check "silent: the watcher stops" stop_watcher "$work/silent" kh-silent $silent_watcher

# --- WATCHDOG=trigger ---------------------------------------------------------------------------
log=$work/trigger/kh-trigger.log
app=$work/trigger/hang-trigger
check "trigger: relaunched after WATCHDOG=trigger" wait_for 20 eval '[ "$(runs "$trigger_stamps")" -ge 2 ]'
# keeper may end the application between its sendto and the stamp of its outcome.
sent() { [ "$(stamp "$1" t)" != -1 ] && [ "$(stamp "$1" T 1 3)" != failed ]; }
check "trigger: the datagram was sent" sent "$trigger_stamps"
check "trigger: \"Hung\", its End by SIGKILL, then \"Restart\"" \
    in_order "$log" "^Hung $(re "$app"): it sent WATCHDOG=trigger\$" "^End $(re "$app"): signal 9 \\(SIGKILL\\) after " "^Restart $(re "$app")"
gap=$(($(stamp "$trigger_stamps" S 2) - $(stamp "$trigger_stamps" t 1)))
echo "# relaunched $gap ms after WATCHDOG=trigger, HangTimeout 30000 ms"
check "trigger: hung at once, not after HangTimeout" between "$gap" 0 3000
check "trigger: the watcher stops" stop_watcher "$work/trigger" kh-trigger $trigger_watcher

# --- the variables, and an application that never pings -------------------------------------
value() { [ -f "$1" ] && sed -n "s/^V $2[= ]//p" "$1" | head -1; }
variables() { [ -f "$1" ] && awk '$1 == "V" { n++ } END { print n + 0 }' "$1" || echo 0; }
wait_for 10 eval '[ "$(variables "$quiet_stamps")" -eq 3 ]'
notify=$(value "$quiet_stamps" NOTIFY_SOCKET)
check "variables: NOTIFY_SOCKET names keeper's socket, not the manager's ($notify)" \
    [ "$notify" = "$(recorded kh-quiet_HANG-QUIET)" ]
check "variables: an abstract name (@name), which a socket has" eval '[[ $notify == @?* ]] && sends "$notify"'
check "variables: WATCHDOG_USEC is HangTimeout in microseconds" \
    [ "$(value "$quiet_stamps" WATCHDOG_USEC)" = $((timeout * 1000)) ]
check "variables: WATCHDOG_PID is left out, also when keeper has one" \
    [ "$(value "$quiet_stamps" WATCHDOG_PID)" = unset ]

for part in nokey invalid long; do
    wait_for 10 eval '[ "$(variables "$work/$part/stamps.txt")" -eq 3 ]'
done
check "without the key: no NOTIFY_SOCKET" [ "$(value "$nokey_stamps" NOTIFY_SOCKET)" = unset ]
check "without the key: no WATCHDOG_USEC" [ "$(value "$nokey_stamps" WATCHDOG_USEC)" = unset ]
check "without the key: no socket is made" [ -z "$(recorded kh-nokey_HANG-NOKEY)" ]
log=$work/invalid/kh-invalid.log
check "invalid: \"Invalid value of HangTimeout: soon\" right after \"Start kh-invalid\"" \
    [ "$(messages "$log" | sed -n 2p)" = "Invalid value of HangTimeout: soon" ]
check "invalid: counts as absent: keeper's own NOTIFY_SOCKET passes as before" \
    [ "$(value "$invalid_stamps" NOTIFY_SOCKET)" = "$manager" ]
check "invalid: and its WATCHDOG_USEC" [ "$(value "$invalid_stamps" WATCHDOG_USEC)" = 7 ]
check "invalid: no socket is made" [ -z "$(recorded kh-invalid_HANG-INVALID)" ]
log=$work/long/kh-long.log
check "long runtime directory: no error entry" [ "$(messages "$log" | grep -c '^Error ')" -eq 0 ]
check "long runtime directory: the application gets keeper's socket" \
    [ "$(value "$long_stamps" NOTIFY_SOCKET)" = "$(XDG_RUNTIME_DIR=$long_run recorded kh-long_HANG-LONG)" -a \
      "$(value "$long_stamps" WATCHDOG_USEC)" = $((timeout * 1000)) ]
check "long runtime directory: the watcher stops" \
    stop_watcher "$work/long" kh-long $long_watcher env XDG_RUNTIME_DIR="$long_run"

# Datagrams that count: a child's, an adopted instance's. And none at all: the quiet
# watcher has waited more than twice the time-out.
check "child: its child started" wait_for 10 eval '[ "$(stamp "$child_stamps" K 1 3)" -gt 0 ]'
check "adopted: its datagram was sent" wait_for 20 sent "$adopted_stamps"
check "child: a datagram from a child of the application counts: relaunched" \
    wait_for 10 eval '[ "$(runs "$child_stamps")" -ge 2 ]'
log=$work/child/kh-child.log
check "child: \"Hung\" once, then \"Restart\"" \
    in_order "$log" "^Hung $(re "$work/child/hang-child"): it sent WATCHDOG=trigger\$" "^Restart $(re "$work/child/hang-child")\$"
log=$work/adopted/kh-adopted.log
check "adopted: relaunched after its WATCHDOG=trigger" wait_for 10 eval '[ "$(runs "$adopted_stamps")" -ge 2 ]'
check "adopted: the instance was adopted, \"Hung\", then \"Start\"" \
    in_order "$log" "^Adopt $(re "$work/adopted/hang-adopted"): process $(stamp "$adopted_stamps" S 1 3)\$" \
    "^Hung $(re "$work/adopted/hang-adopted"): it sent WATCHDOG=trigger\$" "^Start $(re "$work/adopted/hang-adopted"): process"
sleep $(((2 * timeout + 500) / 1000 + 1))
check "child, adopted: the relaunched instances are not hung" \
    [ "$(messages "$work/child/kh-child.log" | grep -c '^Hung ')" -eq 1 -a \
      "$(messages "$log" | grep -c '^Hung ')" -eq 1 ]
log=$work/quiet/kh-quiet.log
check "quiet: an application that never pings is never hung" \
    [ "$(messages "$log" | grep -c '^Hung ')" -eq 0 -a "$(runs "$quiet_stamps")" -eq 1 ]
check "quiet: the watcher stops" stop_watcher "$work/quiet" kh-quiet $quiet_watcher
check "child: the watcher stops" stop_watcher "$work/child" kh-child $child_watcher
[ "$adopted_watcher" = 0 ] || check "adopted: the watcher stops" stop_watcher "$work/adopted" kh-adopted $adopted_watcher
check "without the key: the watcher stops" stop_watcher "$work/nokey" kh-nokey $nokey_watcher
check "invalid: the watcher stops" stop_watcher "$work/invalid" kh-invalid $invalid_watcher
{ kill -KILL "$adopted_app"; wait "$adopted_app"; } 2>/dev/null

summary
