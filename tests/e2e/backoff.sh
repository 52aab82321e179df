#!/usr/bin/env bash
# "MaxSleepInterval": the pauses after quick runs double and start again after a long run;
# a stop request ends a pause at once; a failed launch is tried again until it works.
source "$(dirname "$0")/lib.sh"

# install_stamp_app DIR NAME: the application that stamps the start and end of each run, as
# DIR/NAME; each part of this test has a name of its own, so that none adopts another's.
install_stamp_app() { cp "$bin/stamp-app$ext" "$1/$2$ext"; }

# backoff_settings DIR NAME COMMAND PARAMETERS SLEEP MAX
backoff_settings() { config "$1/$2.cfg" "$3" "$4" "SleepInterval=$5" "MaxSleepInterval=$6"; }

# A launch is quick under Wine too, but not as quick as on Linux.
if is_windows; then slack=800; else slack=250; fi

# --- the pauses: 0 100 200 400 800 after quick runs, 0 after a long one, then again -----
dir=$work/pauses
install_keeper "$dir" kp
install_stamp_app "$dir" stamp-pauses
# Five runs that end at once, one of 1.2 s (MaxSleepInterval is 1 s), three quick ones,
# and a last one that stays.
echo "0 0 0 0 0 1200 0 0 0 -1" > "$dir/plan.txt"
stamps=$dir/stamps.txt
backoff_settings "$dir" kp "$dir/stamp-pauses$ext" \
    "$(native_path "$dir/plan.txt") $(native_path "$stamps")" 0 1000
(cd "$dir" && exec $runner ./kp$ext) &
watcher=$!
runs() { cat "$stamps" 2>/dev/null | grep -c '^S'; }
check "pauses: ten runs are launched" wait_for 60 eval '[ "$(runs)" -ge 10 ]'
keeper "$dir" kp /u
check "pauses: the watcher stops" wait_for 20 ended $watcher
expected=(0 100 200 400 800 0 0 100 200)
# The gap from the end of run i to the start of run i+1: the pause, plus detecting the end
# and launching.
mapfile -t gaps < <(awk '$1 == "E" { e = $2 } $1 == "S" && e != "" { print $2 - e; e = "" }' "$stamps")
echo "# pauses expected: ${expected[*]}; gaps measured (ms): ${gaps[*]:0:9}"
check "pauses: nine gaps between runs" [ "${#gaps[@]}" -ge 9 ]
for i in "${!expected[@]}"; do
    p=${expected[$i]} g=${gaps[$i]:--1}
    check "pauses: gap $((i + 1)) is the pause of $p ms" [ "$g" -ge $((p - 2)) -a "$g" -lt $((p + slack)) ]
done
check "pauses: every launch after the first is logged as a restart" \
    [ "$(count_lines "$dir/kp.log" "Restart $(native_path "$dir/stamp-pauses$ext")")" -eq "$(($(runs) - 1))" ]

# --- a stop request during a long pause is answered at once, with no launch after it -----
dir=$work/stop
install_keeper "$dir" ks
install_stamp_app "$dir" stamp-stop
echo 0 > "$dir/plan.txt"
stamps=$dir/stamps.txt
backoff_settings "$dir" ks "$dir/stamp-stop$ext" \
    "$(native_path "$dir/plan.txt") $(native_path "$stamps")" 20000 600000
(cd "$dir" && exec $runner ./ks$ext) &
watcher=$!
check "stop in a pause: the application ran and ended" wait_for 20 grep -q '^E' "$stamps"
sleep 1  # well into the pause of 20 s
asked=$(now_ms)
keeper "$dir" ks /u
wait_for 20 ended $watcher
answered=$(($(now_ms) - asked))
echo "# stop request answered in $answered ms, in a pause of 20000 ms"
wait $watcher
check "stop in a pause: the watcher exits with code 0" [ $? -eq 0 ]
check "stop in a pause: answered at once" [ "$answered" -lt $((2000 + 2 * slack)) ]
check "stop in a pause: the watcher logs its stop" has_line "$dir/ks.log" "Stop ks"
check "stop in a pause: no launch after the stop request" [ "$(grep -c '^S' "$stamps")" -eq 1 ]

# --- a launch that fails is tried again until the file is there -------------------------
dir=$work/late
install_keeper "$dir" kl
app=$dir/late-app$ext
backoff_settings "$dir" kl "$app" "" 100 400
(cd "$dir" && exec $runner ./kl$ext) &
watcher=$!
errors() { cat "$dir/kl.log" 2>/dev/null | grep -c ' Error 2: '; }
check "late file: the failed launch is logged, more than once" wait_for 30 eval '[ "$(errors)" -ge 3 ]'
check "late file: the watcher keeps trying" alive $watcher
cp "$bin/keeper-demo$ext" "$app"
check "late file: once the file is there it is started, and logged as a start" \
    wait_for 30 has_line "$dir/kl.log" "Start $(native_path "$app")"
check "late file: no restart before it" [ "$(count_lines "$dir/kl.log" "Restart $(native_path "$app")")" -eq 0 ]
keeper "$dir" kl /u
check "late file: the watcher stops" wait_for 20 ended $watcher
wait $watcher
check "late file: exit code 0" [ $? -eq 0 ]

summary
