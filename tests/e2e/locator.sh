#!/usr/bin/env bash
# Finding or launching the application: adoption, restarts and their pauses, a stop
# request during a pause, launch failures, and no handle or descriptor kept per restart.
source "$(dirname "$0")/lib.sh"

# demo DIR NAME: a copy of the demo program under another name, so that watchers of
# different cases never adopt each other's application.
demo() { cp "$bin/keeper-demo$ext" "$1/$2$ext"; }
# watch DIR NAME COMMAND PARAMETERS SLEEP: settings for keeper NAME in DIR
watch() {
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\nSleepInterval=%s\r\n' \
        "$(native_path "$3")" "$4" "$5" > "$1/$2.cfg"
}
start_watcher() { (cd "$1" && exec $runner "./$2$ext") & }
launches() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }
at_least() { [ "$(count_lines "$1" "$2")" -ge "$3" ]; }

# --- adoption ----------------------------------------------------------------------------
dir=$work/adopt
install_keeper "$dir" ka
demo "$dir" AdoptMe
(cd "$dir" && exec $runner ./AdoptMe$ext 60000 "$(native_path "$dir/launches")") &
running=$!
wait_for 20 test -s "$dir/launches"
# The module name is upper-cased, the running program's is mixed: case does not count.
watch "$dir" ka "$dir/AdoptMe$ext" "60000 $(native_path "$dir/launches")" 0
start_watcher "$dir" ka
watcher=$!
wait_for 20 has_line "$dir/ka.log" "Start ka"
sleep 1
check "adoption: a running instance is adopted, not launched again" [ "$(launches "$dir/launches")" -eq 1 ]
check "adoption: and nothing is logged for it" [ "$(line_count "$dir/ka.log")" -eq 1 ]
kill -9 $running
check "adoption: its end is noticed and the first launch is logged as Start" \
    wait_for 20 has_line "$dir/ka.log" "Start $(native_path "$dir/AdoptMe$ext")"
check "adoption: no Restart before it" [ "$(count_lines "$dir/ka.log" "Restart $(native_path "$dir/AdoptMe$ext")")" -eq 0 ]
if ! is_windows; then
    child=$(pgrep -n -f -- "$dir/AdoptMe")
    # keeper's own descriptors: the instance event, the pidfd, the log while an entry is written
    inherited() { for fd in /proc/"$child"/fd/*; do readlink "$fd"; done |
                      grep -E -- "^$XDG_RUNTIME_DIR/|pidfd|\.log\$"; }
    check "launch: the application inherits no descriptor of keeper's" \
        eval '[ -z "$(inherited)" ] && [ -n "$(ls /proc/"$child"/fd)" ]'
    check "launch: the application runs in a session of its own" \
        [ "$(ps -o sid= -p "$child" | tr -d ' ')" = "$child" ]
fi
keeper "$dir" ka /u
wait_for 20 ended $watcher

# --- pauses: 0, $10 and abc (10000 ms) side by side -----------------------------------------
for pause in 0 '$10' abc; do
    name=${pause//\$/hex}
    d=$work/pause-$name
    install_keeper "$d" kp$name
    demo "$d" paused$name
    watch "$d" kp$name "$d/paused$name$ext" 200 "$pause"
    start_watcher "$d" kp$name
done
restart_line() { echo "Restart $(native_path "$work/pause-$1/paused$1$ext")"; }
check "SleepInterval=0: relaunched at once, again and again" \
    wait_for 20 at_least "$work/pause-0/kp0.log" "$(restart_line 0)" 5
check 'SleepInterval=$10: relaunched after 16 ms, again and again' \
    wait_for 20 at_least "$work/pause-hex10/kphex10.log" "$(restart_line hex10)" 5
check "SleepInterval=abc: no relaunch in the first seconds of the 10000 ms pause" \
    [ "$(count_lines "$work/pause-abc/kpabc.log" "$(restart_line abc)")" -eq 0 ]
check "SleepInterval=abc: a relaunch after 10000 ms" \
    wait_for 20 has_line "$work/pause-abc/kpabc.log" "$(restart_line abc)"
for name in 0 hex10 abc; do keeper "$work/pause-$name" kp$name /u; done

# --- a stop request during a pause -------------------------------------------------------
dir=$work/stop-in-pause
install_keeper "$dir" ks
demo "$dir" brief
watch "$dir" ks "$dir/brief$ext" "100 $(native_path "$dir/launches")" 5000
start_watcher "$dir" ks
watcher=$!
wait_for 20 has_line "$dir/ks.log" "Start $(native_path "$dir/brief$ext")"
wait_for 20 test -s "$dir/launches"
sleep 1  # the application has ended (it lives 100 ms); the watcher pauses
keeper "$dir" ks /u
check "stop in a pause: the watcher ends" wait_for 20 ended $watcher
wait $watcher
check "stop in a pause: exit code 0" [ $? -eq 0 ]
check "stop in a pause: one more launch, then the stop" \
    [ "$(tail -n 2 "$dir/ks.log" | sed 's/^.* \(Restart\|Stop\) .*$/\1/' | tr -d '\r\n')" = RestartStop ]
two_launches() { [ "$(launches "$dir/launches")" -eq 2 ]; }
check "stop in a pause: two launches in all" wait_for 10 two_launches

# --- the command line: the command, one blank, the parameters, also when they are empty ----
dir=$work/command-line
install_keeper "$dir" kq
n=0
for parameters in "" "a  b"; do
    # A copy of its own each time: the running one from before would be adopted.
    n=$((n + 1))
    app=$dir/command-line-app$n$ext
    cp "$bin/command-line-app$ext" "$app"
    watch "$dir" kq "$app" "$parameters" 0
    start_watcher "$dir" kq
    watcher=$!
    wait_for 20 test -s "$app.txt"
    if is_windows; then
        # The application sees the line as CreateProcessA was given it.
        check "command line with parameters '$parameters': the command, one blank, the parameters" \
            [ "$(cat "$app.txt")" = "$(native_path "$app") $parameters" ]
    else
        # Linux splits the line into words: no empty word for the blank.
        expected=$(printf '%s\n' "$app" $parameters)
        check "command line with parameters '$parameters': the command and its words" \
            [ "$(cat "$app.txt")" = "$expected" ]
    fi
    keeper "$dir" kq /u
    wait_for 20 ended $watcher
done

# --- a launch that fails ends the watcher ---------------------------------------------------
dir=$work/fail
install_keeper "$dir" kf
watch "$dir" kf "$dir/no-such-program$ext" "" 0
keeper "$dir" kf
check "launch failure: the watcher exits with code 5" [ $? -eq 5 ]
check "launch failure: one entry 'Error 2: <text>'" \
    [ "$(grep -c -E '^.* Error 2: [^ ].*'$'\r''$' "$dir/kf.log")" -eq 1 ]
check "launch failure: and nothing after it" [ "$(tail -n 1 "$dir/kf.log" | grep -c 'Error 2: ')" -eq 1 ]

if is_windows; then
    # --- a command without extension never matches the running module ----------------------
    dir=$work/noext
    install_keeper "$dir" kn
    demo "$dir" plain
    (cd "$dir" && exec $runner ./plain$ext 60000) &
    wait_for 20 test -n "$(ls "$dir")"
    watch "$dir" kn "$dir/plain" 60000 0
    start_watcher "$dir" kn
    watcher=$!
    check "no extension: PLAIN never matches plain.exe, so it is launched" \
        wait_for 20 has_line "$dir/kn.log" "Start $(native_path "$dir/plain")"
    keeper "$dir" kn /u
    wait_for 20 ended $watcher

    # --- handles stay flat over 100 restarts -----------------------------------------------
    dir=$work/handles
    install_keeper "$dir" kh
    demo "$dir" crash
    cp "$bin/handle-count$ext" "$dir/"
    watch "$dir" kh "$dir/crash$ext" 0 0
    start_watcher "$dir" kh
    watcher=$!
    restart="Restart $(native_path "$dir/crash$ext")"
    wait_for 60 at_least "$dir/kh.log" "$restart" 20
    first=$(cd "$dir" && $runner ./handle-count$ext kh$ext | tr -d '\r')
    wait_for 120 at_least "$dir/kh.log" "$restart" 120
    last=$(cd "$dir" && $runner ./handle-count$ext kh$ext | tr -d '\r')
    echo "# handles of the watcher: $first after 20 restarts, $last after 120"
    check "100 restarts: the handle count stays flat ($first, then $last)" \
        eval '[ "${first:-0}" -gt 0 ] && [ "${last:-0}" -le $((first + 8)) ]'
    keeper "$dir" kh /u
    wait_for 20 ended $watcher
else
    # --- two instances: the first in /proc order is adopted --------------------------------
    dir=$work/two
    install_keeper "$dir" kt
    demo "$dir" twin
    "$dir/twin" 60000 & first=$!
    sleep 0.2
    "$dir/twin" 60000 & second=$!
    watch "$dir" kt "$dir/twin" 60000 0
    start_watcher "$dir" kt
    watcher=$!
    wait_for 20 has_line "$dir/kt.log" "Start kt"
    watched() { # the pid behind the watcher's pidfd
        grep -h '^Pid:' /proc/$watcher/fdinfo/* 2>/dev/null | awk '{ print $2 }' | head -n 1
    }
    wait_for 10 test -n "$(watched)"
    expected=$(( first < second ? first : second ))
    check "two instances: the first in the kernel's order is adopted" [ "$(watched)" = "$expected" ]
    keeper "$dir" kt /u
    wait_for 20 ended $watcher
    kill $first $second

    # --- descriptors and memory stay flat over 500 restarts -------------------------------
    dir=$work/loop
    install_keeper "$dir" kl
    demo "$dir" crash
    watch "$dir" kl "$dir/crash" 0 0
    start_watcher "$dir" kl
    watcher=$!
    restart="Restart $(native_path "$dir/crash")"
    measure() { echo "$(ls /proc/$watcher/fd | wc -l) $(awk '/^VmRSS/ { print $2 }' /proc/$watcher/status)"; }
    wait_for 60 at_least "$dir/kl.log" "$restart" 50
    read -r fds1 rss1 <<< "$(measure)"
    wait_for 120 at_least "$dir/kl.log" "$restart" 550
    read -r fds2 rss2 <<< "$(measure)"
    echo "# watcher after 50 restarts: $fds1 descriptors, $rss1 KiB resident; after 550: $fds2, $rss2 KiB"
    # At a given moment the pidfd or the log may be open or not: one or two either way.
    check "500 restarts: descriptors flat ($fds1, then $fds2)" [ "$fds2" -le $((fds1 + 2)) ]
    if [ -n "${KEEPER_SANITIZED:-}" ]; then
        echo "skip - resident memory under AddressSanitizer, which holds freed memory back"
    else
        check "500 restarts: resident memory flat ($rss1 KiB, then $rss2 KiB)" [ "$rss2" -le $((rss1 + 64)) ]
    fi
    check "500 restarts: no child left unreaped" \
        [ "$(ps -o stat= --ppid $watcher | grep -c Z)" -le 1 ]
    keeper "$dir" kl /u
    wait_for 20 ended $watcher
fi

summary
