#!/usr/bin/env bash
# "StopApplication": a stop ends the application before the watcher. One that ends on the
# polite request is stopped, one that ignores it is ended after the grace time together
# with the process it started (an adopted one alone), and what a stopped one leaves is ended
# by force; the whole log of a stop; the stopper returns when the watcher has ended, two at
# once too, and one in another PID namespace; a forced end that fails has its own entry; a stop in a pause ends the pause; a
# killed watcher leaves the application running; an invalid value counts as absent.
source "$(dirname "$0")/lib.sh"

# The grace time, and what "at once" may take: under Wine every program start costs time.
if is_windows; then grace=2500 slack=4000; else grace=1500 slack=1000; fi

# Windows: WM_CLOSE needs the application's window, and a window needs a display.
windows=1
if is_windows; then
    if can_show_boxes && start_display; then
        export DISPLAY=$display
    else
        windows=0
        echo "# no Xvfb, xdotool or import: the cases of WM_CLOSE are not tested"
    fi
fi

# install_app DIR NAME: the test application as DIR/NAME; every part has a name of its
# own, so that none adopts another's.
install_app() { mkdir -p "$1"; cp "$bin/stop-app$ext" "$1/$2$ext"; }

# stop_settings DIR NAME APP MODE SETTING...: keeper DIR/NAME watching DIR/APP in MODE,
# which records to DIR/record.txt.
stop_settings() {
    local dir=$1 name=$2 app=$3 mode=$4
    shift 4
    config "$dir/$name.cfg" "$dir/$app$ext" "$mode $(native_path "$dir/record.txt")" SleepInterval=0 "$@"
}
# stop_part DIR NAME APP MODE SETTING...: keeper DIR/NAME beside its own stop-app DIR/APP, with
# stop_settings; the application's command in $command.
stop_part() {
    install_keeper "$1" "$2"
    install_app "$1" "$3"
    stop_settings "$@"
    command=$(native_path "$1/$3$ext")
}

# recorded DIR EVENT [PID]: the application's record has the event (of that process).
recorded() {
    [ -f "$1/record.txt" ] &&
        awk -v e="$2" -v p="${3:-}" '{ sub(/\r$/, "") } $1 == e && (p == "" || $2 == p) { f = 1 }
                                     END { exit !f }' "$1/record.txt"
}
# record_pid DIR EVENT: the process that recorded the event first.
record_pid() { awk -v e="$2" '{ sub(/\r$/, "") } $1 == e { print $2; exit }' "$1/record.txt" 2>/dev/null; }

# running DIR NAME PID: the process PID, started from DIR/NAME, runs. The identifiers of
# Windows processes are Wine's, which only a Windows program can look up.
running() {
    if is_windows; then
        $runner "$bin/stop-app$ext" alive "$3" "$2$ext"
    else
        ! gone "$3" && [ "$(readlink "/proc/$3/exe" 2>/dev/null)" = "$(cd "$1" && pwd -P)/$2" ]
    fi
}

# stop DIR NAME: keeper /u in DIR; its exit code in $stopped, the time it took in $took
# (ms), and whether the watcher had logged its stop by the time it returned in $logged.
stop() {
    local asked
    asked=$(now_ms)
    keeper "$1" "$2" /u
    stopped=$?
    took=$(($(now_ms) - asked))
    if has_line "$1/$2.log" "Stop $2"; then logged=1; else logged=0; fi
}

# whole_log DESCRIPTION LOG ENTRY...: the log holds these entries and no other, in this order.
whole_log() { same "$1" "$(printf '%s\n' "${@:3}")" "$(messages "$2")"; }
# message LOG TEXT: the message of the first entry that holds " TEXT", from TEXT on.
message() {
    [ -f "$1" ] && TEXT=$2 awk 'BEGIN { t = " " ENVIRON["TEXT"] }
                                { sub(/\r$/, "") } i = index($0, t) { print substr($0, i + 1); exit }' "$1"
}

# The status of an application ended by force: the job's exit code 1 on Windows, SIGKILL.
if is_windows; then killed_status="exit code 1"; else killed_status="signal 9 \(SIGKILL\)"; fi

# --- an application that ends on the polite request: stopped, then the watcher -------------
if [ $windows -eq 1 ]; then
    dir=$work/close
    stop_part "$dir" kc sa-close close "StopApplication=$grace"
    start_watcher "$dir" kc
    check "polite: the application runs" wait_for 30 recorded "$dir" started
    app=$(record_pid "$dir" started)
    stop "$dir" kc
    echo "# the stopper of an application that ends on the request returned in $took ms"
    check "polite: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
    check "polite: the watcher had ended when the stopper returned" [ "$logged" -eq 1 ]
    if is_windows; then wait_for 3 gone $watcher; fi
    check "polite: the watcher's process is gone when the stopper returned" gone $watcher
    check "polite: the application ended on the request itself" recorded "$dir" closed "$app"
    check "polite: the application is gone" not running "$dir" sa-close "$app"
    check "polite: the log has \"Stop <command>\", then \"Stop kc\"" \
        in_order "$dir/kc.log" "^Start $(re "$command")\$" "^Stop $(re "$command")\$" '^Stop kc$'
    # Without LogDetails, no "End" entry either: nothing but the documented entries.
    whole_log "polite: the whole log without LogDetails" "$dir/kc.log" \
        "Start kc" "Start $command" "Stop $command" "Stop kc"
    check "polite: the grace time is not waited out" [ "$took" -lt "$grace" ]
    wait $watcher
    check "polite: the watcher's exit code is 0" [ $? -eq 0 ]
fi

# --- Windows: a console application that ends on Ctrl+Break ----------------------------------
if is_windows; then
    dir=$work/break
    stop_part "$dir" kb sa-break break "StopApplication=$grace"
    start_watcher "$dir" kb
    check "Ctrl+Break: the application runs" wait_for 30 recorded "$dir" started
    app=$(record_pid "$dir" started)
    stop "$dir" kb
    check "Ctrl+Break: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
    check "Ctrl+Break: the application is gone" not running "$dir" sa-break "$app"
    # wineserver sends no console event but CTRL_C_EVENT: under Wine the application never
    # sees Ctrl+Break and is ended after the grace time. Either way the log says which.
    if recorded "$dir" break "$app"; then
        echo "# Ctrl+Break reached the console application"
        check "Ctrl+Break: \"Stop <command>\", then \"Stop kb\"" \
            in_order "$dir/kb.log" "^Stop $(re "$command")\$" '^Stop kb$'
    else
        echo "# Ctrl+Break did not reach the console application; it was ended after the grace time"
        [ -n "$runner" ] || fail "Ctrl+Break: the console application got the request"
        check "Ctrl+Break: \"Terminate <command>\", then \"Stop kb\"" \
            in_order "$dir/kb.log" "^Terminate $(re "$command")\$" '^Stop kb$'
        check "Ctrl+Break: ended after the grace time" [ "$took" -ge "$grace" ]
    fi
fi

# --- an application that ignores the request and started a child: both ended by force ------
dir=$work/stay
stop_part "$dir" kt sa-stay stay "StopApplication=$grace" LogDetails=1
start_watcher "$dir" kt
check "ignored: the application and its child run" \
    wait_for 30 eval 'recorded "$dir" started && recorded "$dir" child'
app=$(record_pid "$dir" started)
child=$(record_pid "$dir" child)
stop "$dir" kt
echo "# the stopper of an application that ignores the request returned in $took ms (grace $grace ms)"
check "ignored: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
check "ignored: the stopper returned after the grace time" [ "$took" -ge "$grace" ]
check "ignored: the watcher had ended when the stopper returned" [ "$logged" -eq 1 ]
if is_windows; then
    [ $windows -eq 0 ] || check "ignored: the window was asked to close" recorded "$dir" ignored-close "$app"
else
    # The request goes to the process group: the child gets it too.
    check "ignored: the application was asked (SIGTERM)" recorded "$dir" ignored-term "$app"
    check "ignored: its child was asked too" recorded "$dir" ignored-term "$child"
fi
check "ignored: the application is gone" not running "$dir" sa-stay "$app"
check "ignored: its child is gone" not running "$dir" sa-stay "$child"
check "ignored: \"End\", \"Terminate <command>\", then \"Stop kt\"" \
    in_order "$dir/kt.log" "^Start $(re "$command"): " "^End $(re "$command"): " \
        "^Terminate $(re "$command")\$" '^Stop kt$'
check "ignored: the End entry gives the end by force" \
    matches "$(message "$dir/kt.log" "End $command: ")" ": $killed_status after [0-9.]+ s$"
check "ignored: no \"Stop <command>\"" [ "$(count_lines "$dir/kt.log" "Stop $command")" -eq 0 ]
wait $watcher
check "ignored: the watcher's exit code is 0" [ $? -eq 0 ]

# --- the same without LogDetails: the whole log, and no "End" entry ---------------------------
dir=$work/forced
stop_part "$dir" kn sa-forced stay "StopApplication=$grace"
start_watcher "$dir" kn
check "forced: the application and its child run" \
    wait_for 30 eval 'recorded "$dir" started && recorded "$dir" child'
stop "$dir" kn
check "forced: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
whole_log "forced: the whole log without LogDetails" "$dir/kn.log" \
    "Start kn" "Start $command" "Terminate $command" "Stop kn"

# --- Linux: a stopper in another PID namespace, where the watcher has no identifier, still
# waits for the watcher's end --------------------------------------------------------------
if ! is_windows && unshare --pid --fork true 2>/dev/null; then
    dir=$work/namespace
    stop_part "$dir" kp sa-namespace stay "StopApplication=$grace"
    start_watcher "$dir" kp
    check "another PID namespace: the application runs" wait_for 30 recorded "$dir" started
    asked=$(now_ms)
    (cd "$dir" && exec unshare --pid --fork ./kp /u)
    stopped=$? took=$(($(now_ms) - asked))
    waited() { [ "$stopped" -eq 0 ] && [ "$took" -ge "$grace" ] && has_line "$dir/kp.log" "Stop kp"; }
    check "another PID namespace: the stopper returns 0 once the watcher has ended ($stopped, $took ms)" waited
fi

# --- EndLeftovers: what an application that ends by itself leaves is ended before the pause;
# without the key, LogDetails names it, and names a program that forked --------------------
for key in EndLeftovers=1 LogDetails=1; do
    part=${key%=*}
    dir=$work/left-$part
    # A pause longer than the test: the application is launched once.
    install_keeper "$dir" kl
    install_app "$dir" sa-left-$part
    command=$(native_path "$dir/sa-left-$part$ext")
    config "$dir/kl.cfg" "$dir/sa-left-$part$ext" "exit $(native_path "$dir/record.txt")" \
        SleepInterval=600000 "StopApplication=$grace" "$key"
    start_watcher "$dir" kl
    check "$part: the application ended at once and left its child" \
        wait_for 30 eval 'recorded "$dir" started && recorded "$dir" child'
    child=$(record_pid "$dir" child)
    if [ $part = EndLeftovers ]; then
        check "$part: \"Ended what <command> left running (processes: 1)\"" \
            wait_for 20 has_line "$dir/kl.log" "Ended what $command left running (processes: 1)"
        check "$part: the child is ended" wait_for 10 not running "$dir" sa-left-$part "$child"
    else
        check "$part: \"Left running by <command> (processes: 1)\"" \
            wait_for 20 has_line "$dir/kl.log" "Left running by $command (processes: 1)"
        check "$part: the child runs on" running "$dir" sa-left-$part "$child"
        check "$part: a program that forked is named, once" has_line "$dir/kl.log" \
            "$command ended at once with exit code 0 while another process of its name runs: a program that goes into the background? See the guide on forking daemons"
    fi
    stop "$dir" kl
    check "$part: the stop ends the pause" [ "$stopped" -eq 0 -a "$logged" -eq 1 ]
done

# --- an application that ends on the request, leaving a child that ignores it ----------------
if [ $windows -eq 1 ]; then
    dir=$work/leave
    stop_part "$dir" kl sa-leave leave "StopApplication=$grace"
    start_watcher "$dir" kl
    check "left child: the application and its child run" \
        wait_for 30 eval 'recorded "$dir" started && recorded "$dir" child'
    app=$(record_pid "$dir" started)
    child=$(record_pid "$dir" child)
    stop "$dir" kl
    check "left child: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
    check "left child: the application ended on the request" recorded "$dir" closed "$app"
    # What the application started goes with it, by force, before the watcher's entries.
    check "left child: the child that ignored the request is gone" \
        wait_for 3 not running "$dir" sa-leave "$child"
    whole_log "left child: the stop is polite" "$dir/kl.log" \
        "Start kl" "Start $command" "Stop $command" "Stop kl"
fi

# --- two stoppers at once: both return 0 once the watcher has ended -------------------------
dir=$work/twice
# One that ignores the request: the watcher lives for the grace time, so that both stoppers
# hold the instance name while they wait.
stop_part "$dir" k2 sa-twice stay "StopApplication=$grace"
start_watcher "$dir" k2
check "two stoppers: the application runs" wait_for 30 recorded "$dir" started
asked=$(now_ms)
keeper "$dir" k2 /u & first=$!
keeper "$dir" k2 /u & second=$!
wait $first; first_code=$?
wait $second; second_code=$?
took=$(($(now_ms) - asked))
echo "# two stoppers at once returned $first_code and $second_code in $took ms"
check "two stoppers: both exit codes are 0" [ "$first_code" -eq 0 -a "$second_code" -eq 0 ]
check "two stoppers: after the grace time and moments" [ "$took" -ge "$grace" -a "$took" -lt $((grace + slack)) ]
check "two stoppers: the watcher had ended" has_line "$dir/k2.log" "Stop k2"
check "two stoppers: one stop" [ "$(count_lines "$dir/k2.log" "Stop k2")" -eq 1 ]

# --- a forced end that fails: its own entry, and the stopper waits for the watcher ----------
# Linux: preloaded into the watcher, no-kill.so makes SIGKILL send nothing. The sanitizers'
# runtime must come first, so the sanitized build leaves this out.
if ! is_windows && [ -z "${KEEPER_SANITIZED:-}" ]; then
    dir=$work/unkillable
    stop_part "$dir" kx sa-unkillable stay "StopApplication=$grace"
    preload=$(cd "$bin" && pwd)/no-kill.so
    (cd "$dir" && LD_PRELOAD="$preload" exec ./kx > /dev/null 2>&1) &
    watcher=$!
    check "failed end: the application runs" \
        wait_for 30 eval 'recorded "$dir" started && recorded "$dir" child'
    app=$(record_pid "$dir" started)
    child=$(record_pid "$dir" child)
    stop "$dir" kx
    echo "# the stopper of a watcher whose end by force failed returned in $took ms"
    check "failed end: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
    check "failed end: the watcher had ended when the stopper returned" [ "$logged" -eq 1 ]
    check "failed end: after the grace time and the forced end's wait" [ "$took" -ge $((grace + 10000)) ]
    check "failed end: the application still runs" running "$dir" sa-unkillable "$app"
    whole_log "failed end: \"Still running <command>\", not \"Terminate\"" "$dir/kx.log" \
        "Start kx" "Start $command" "Still running $command" "Stop kx"
    kill -KILL "$app" "$child" 2>/dev/null
fi

# --- Windows: a mark left abandoned by a watcher that is gone ---------------------------------
# A process holds the mark open, abandoned; the next watcher takes it over, so that the
# stopper still waits for that watcher.
if is_windows; then
    dir=$work/abandoned
    stop_part "$dir" km sa-abandoned stay "StopApplication=$grace"
    install_app "$dir" mark-holder
    (cd "$dir" && exec $runner ./mark-holder$ext abandon "km_SA-ABANDONED.EXE:watcher" \
         "$(native_path "$dir/mark.txt")" > /dev/null 2>&1) &
    check "abandoned mark: it is left" wait_for 30 grep -qs '^abandoned ' "$dir/mark.txt"
    start_watcher "$dir" km
    check "abandoned mark: the application runs" wait_for 30 recorded "$dir" started
    stop "$dir" km
    check "abandoned mark: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
    check "abandoned mark: the stopper waited for the watcher" [ "$logged" -eq 1 ]
    check "abandoned mark: after the grace time" [ "$took" -ge "$grace" ]
fi

# --- an adopted application is ended alone ---------------------------------------------------
dir=$work/adopted
stop_part "$dir" ka sa-adopted stay "StopApplication=$grace" LogDetails=1
# A group of its own on Linux: sent to the group, the request or the end would reach the child.
if is_windows; then
    (cd "$dir" && exec $runner "./sa-adopted$ext" stay "$(native_path "$dir/record.txt")" > /dev/null 2>&1) &
else
    (cd "$dir" && exec setsid "./sa-adopted" stay "$dir/record.txt" > /dev/null 2>&1) &
fi
check "adopted: the application and its child run" \
    wait_for 30 eval 'recorded "$dir" started && recorded "$dir" child'
app=$(record_pid "$dir" started)
child=$(record_pid "$dir" child)
start_watcher "$dir" ka
check "adopted: the watcher adopts it" wait_for 30 has_line "$dir/ka.log" "Adopt $command: process $app"
stop "$dir" ka
check "adopted: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
check "adopted: the application is gone" not running "$dir" sa-adopted "$app"
check "adopted: its child keeps running" running "$dir" sa-adopted "$child"
is_windows || check "adopted: its child was not asked" not recorded "$dir" ignored-term "$child"
check "adopted: \"Terminate <command>\", then \"Stop ka\"" \
    in_order "$dir/ka.log" "^Terminate $(re "$command")\$" '^Stop ka$'
is_windows || kill -KILL "$child" 2>/dev/null

# --- a stop during a pause launches nothing more and is answered at once ---------------------
dir=$work/pause
install_keeper "$dir" kp
cp "$bin/keeper-demo$ext" "$dir/sa-pause-demo$ext"
config "$dir/kp.cfg" "$dir/sa-pause-demo$ext" "0 $(native_path "$dir/launches.txt")" SleepInterval=20000 \
    "StopApplication=$grace"
command=$(native_path "$dir/sa-pause-demo$ext")
start_watcher "$dir" kp
check "pause: the application ran" wait_for 30 test -s "$dir/launches.txt"
sleep 1  # the application has ended: well into the pause of 20 s
stop "$dir" kp
echo "# a stop in a pause of 20000 ms answered in $took ms"
check "pause: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
check "pause: answered at once" [ "$took" -lt "$slack" ]
check "pause: the watcher had ended when the stopper returned" [ "$logged" -eq 1 ]
sleep 0.5
check "pause: nothing launched after the stop" [ "$(line_count "$dir/launches.txt")" -eq 1 ]
check "pause: no restart logged" [ "$(count_lines "$dir/kp.log" "Restart $command")" -eq 0 ]
check "pause: nothing asked or ended" \
    [ "$(count_lines "$dir/kp.log" "Stop $command")" -eq 0 -a "$(count_lines "$dir/kp.log" "Terminate $command")" -eq 0 ]

# --- a killed watcher leaves the application running; a stopper then is idle -----------------
dir=$work/killed
stop_part "$dir" kk sa-killed break "StopApplication=$grace"
start_watcher "$dir" kk
check "killed watcher: the application runs" wait_for 30 recorded "$dir" started
app=$(record_pid "$dir" started)
sleep 0.5  # the watcher waits for the application
kill -KILL $watcher
check "killed watcher: the watcher is gone" wait_for 10 gone $watcher
sleep 1
check "killed watcher: the application keeps running" running "$dir" sa-killed "$app"
stop "$dir" kk
check "idle stopper with the key: exit code 0" [ "$stopped" -eq 0 ]
check "idle stopper with the key: it returns at once" [ "$took" -lt "$slack" ]
check "idle stopper with the key: the application keeps running" running "$dir" sa-killed "$app"
is_windows || kill -KILL "$app" 2>/dev/null

# --- an invalid value counts as absent: the stop leaves the application running ------------
dir=$work/invalid
stop_part "$dir" ki sa-invalid break "StopApplication=soon"
start_watcher "$dir" ki
check "invalid value: the application runs" wait_for 30 recorded "$dir" started
app=$(record_pid "$dir" started)
check "invalid value: logged after \"Start ki\", before the launch" \
    in_order "$dir/ki.log" '^Start ki$' '^Invalid value of StopApplication: soon$' "^Start $(re "$command")\$"
stop "$dir" ki
check "invalid value: the stopper's exit code is 0" [ "$stopped" -eq 0 ]
check "invalid value: the watcher ends" wait_for 20 gone $watcher
check "invalid value: the application keeps running" running "$dir" sa-invalid "$app"
check "invalid value: nothing asked or ended" \
    [ "$(count_lines "$dir/ki.log" "Stop $command")" -eq 0 -a "$(count_lines "$dir/ki.log" "Terminate $command")" -eq 0 ]
is_windows || kill -KILL "$app" 2>/dev/null

if ! is_windows; then
    # --- SIGTERM to the watcher is a stop request: the application is stopped too ---------
    dir=$work/sigterm
    stop_part "$dir" ks sa-sigterm close "StopApplication=$grace" LogDetails=1
    start_watcher "$dir" ks
    check "SIGTERM: the application runs" wait_for 30 recorded "$dir" started
    app=$(record_pid "$dir" started)
    kill -s TERM $watcher
    check "SIGTERM: the watcher ends" wait_for 10 gone $watcher
    check "SIGTERM: the application ended on the request" recorded "$dir" closed "$app"
    check "SIGTERM: the application is gone" not running "$dir" sa-sigterm "$app"
    check "SIGTERM: \"End\" (exit code 0), \"Stop <command>\", then \"Stop ks\"" \
        in_order "$dir/ks.log" "^End $(re "$command"): exit code 0 after " "^Stop $(re "$command")\$" '^Stop ks$'
    wait $watcher
    check "SIGTERM: the watcher's exit code is 0" [ $? -eq 0 ]

    # --- a watcher that does not end in StopApplication + 10 s: the stopper gives up, 2 ----
    # The watcher is held (SIGSTOP) while the stopper waits, then let go.
    dir=$work/held
    stop_part "$dir" kh sa-held close StopApplication=1000
    start_watcher "$dir" kh
    check "held watcher: the application runs" wait_for 30 recorded "$dir" started
    app=$(record_pid "$dir" started)
    kill -s STOP $watcher
    stop "$dir" kh
    kill -s CONT $watcher
    echo "# the stopper of a held watcher gave up after $took ms"
    check "held watcher: the stopper's exit code is 2" [ "$stopped" -eq 2 ]
    check "held watcher: it waited StopApplication + 15 s" [ "$took" -ge 16000 -a "$took" -lt $((16000 + slack)) ]
    check "held watcher: let go, the watcher stops the application and ends" wait_for 10 gone $watcher
    check "held watcher: \"Stop <command>\", then \"Stop kh\"" \
        in_order "$dir/kh.log" "^Stop $(re "$command")\$" '^Stop kh$'
fi

is_windows && stop_display
summary
