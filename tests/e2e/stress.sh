#!/usr/bin/env bash
# Many invocations at once, half of them stop requests: every one ends with code 0, at most
# one watcher is left, and the shared log holds every entry whole. A watcher killed with
# SIGKILL takes its name with it, so the next invocation becomes the watcher.
source "$(dirname "$0")/lib.sh"
# Each case watches a copy of the demo program under a name of its own: a running
# instance of the same module name, anywhere on the machine, would be adopted.
# own_app DIR NAME KEEPER PARAMETERS: DIR/NAME is the application of keeper KEEPER
own_app() {
    cp "$bin/keeper-demo$ext" "$1/$2$ext"
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\nSleepInterval=0\r\n' \
        "$(native_path "$1/$2$ext")" "$4" > "$1/$3.cfg"
}
module_of() { if is_windows; then echo "${1^^}.EXE"; else echo "${1^^}"; fi; }
unset DISPLAY  # no error boxes under Wine: a box would return at once anyway

# --- a crowd of invocations, half with /u ----------------------------------------------------
crowd=50
dir=$work/crowd
install_keeper "$dir" kc
own_app "$dir" stress-crowd kc 60000
module=$(module_of stress-crowd)
log=$dir/kc.log
demo_command=$(native_path "$dir/stress-crowd$ext")
# Wine sets up a fresh prefix with its first program: not while the crowd starts.
is_windows && $runner "$bin/keeper-demo$ext" 0
pids=()
for i in $(seq "$crowd"); do
    if [ $((i % 2)) -eq 0 ]; then
        (cd "$dir" && exec $runner ./kc$ext /u) &
    else
        (cd "$dir" && exec $runner ./kc$ext) &
    fi
    pids+=($!)
done
at_most_one_left() { [ "$(ps -o pid= -p "$(IFS=,; echo "${pids[*]}")" | wc -l)" -le 1 ]; }
check "crowd: all but at most one of $crowd invocations end" wait_for 120 at_most_one_left
left=() codes=0
for pid in "${pids[@]}"; do
    if alive "$pid"; then left+=("$pid"); else wait "$pid" || codes=$((codes + 1)); fi
done
echo "# crowd of $crowd: ${#left[@]} watcher left running"
if [ ${#left[@]} -eq 1 ]; then
    keeper "$dir" kc /u
    check "crowd: the watcher left stops on request" wait_for 30 ended "${left[0]}"
    wait "${left[0]}" || codes=$((codes + 1))
fi
check "crowd: every invocation exits with code 0" [ "$codes" -eq 0 ]

# Every line is a time stamp and one of the messages these invocations write.
if is_windows; then stamp='[0-9]{1,2}/[0-9]{1,2}/[0-9]{4}( [0-9]{1,2}:[0-9]{2}:[0-9]{2} (AM|PM))?'
else stamp='[0-9]{2}/[0-9]{2}/[0-9]{2}( [0-9]{2}:[0-9]{2}:[0-9]{2})?'; fi
known="(Start kc|Stop kc|Start ${demo_command//\\/\\\\}|Watching on the module $module is already started on this computer\.)"
malformed=$(grep -c -v -E -- "^$stamp $known"$'\r'"\$" "$log")
lines=$(line_count "$log")
echo "# crowd log: $lines lines, $(wc -c < "$log") bytes, $malformed malformed"
check "crowd: every log line is whole and known ($lines lines)" [ "$malformed" -eq 0 -a "$lines" -gt 0 ]
check "crowd: the log ends with a line end" [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' ')" = 0d0a ]
watchers=$(count_lines "$log" "Start kc")
stops=$(count_lines "$log" "Stop kc")
duplicates=$(count_lines "$log" "Watching on the module $module is already started on this computer.")
launches=$(count_lines "$log" "Start $demo_command")
echo "# crowd entries: $watchers watchers, $duplicates duplicates, $stops stops, $launches launches"
# Each plain invocation was the watcher or a duplicate; stop requests log nothing.
check "crowd: each plain invocation has its entry ($watchers + $duplicates = $(( (crowd + 1) / 2 )))" \
    [ $((watchers + duplicates)) -eq $(( (crowd + 1) / 2 )) ]
check "crowd: every watcher was stopped ($stops of $watchers)" [ "$stops" -eq "$watchers" ]
# The first watcher launches the application; later ones adopt the running instance.
check "crowd: the application was launched once, by the first watcher" \
    [ "$launches" -eq $(( watchers > 0 ? 1 : 0 )) ]

# --- SIGKILL of the watcher frees the name ------------------------------------------------
dir=$work/killed
install_keeper "$dir" kk
own_app "$dir" stress-killed kk 60000
module=$(module_of stress-killed)
log=$dir/kk.log
(cd "$dir" && exec $runner ./kk$ext) &
first=$!
wait_for 30 has_line "$log" "Start $(native_path "$dir/stress-killed$ext")"
kill -9 "$first"
check "SIGKILL: the watcher is gone" wait_for 20 ended "$first"
(cd "$dir" && exec $runner ./kk$ext) &
second=$!
check "SIGKILL: the next invocation becomes the watcher" \
    wait_for 30 bash -c "[ \$(grep -c 'Start kk' '$log') -eq 2 ]"
check "SIGKILL: and adopts the application that kept running" \
    [ "$(count_lines "$log" "Start $(native_path "$dir/stress-killed$ext")")" -eq 1 ]
check "SIGKILL: no duplicate entry" \
    [ "$(count_lines "$log" "Watching on the module $module is already started on this computer.")" -eq 0 ]
keeper "$dir" kk /u
check "SIGKILL: the new watcher stops on request" wait_for 30 ended "$second"
check "SIGKILL: and logs its stop" has_line "$log" "Stop kk"

summary
