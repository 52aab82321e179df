#!/usr/bin/env bash
# "LogFileLimit": the log is rotated once it has reached the limit, while the watcher and
# twenty duplicates write at the same moment, and no entry is lost or torn.
source "$(dirname "$0")/lib.sh"

dir=$work/rotate
install_keeper "$dir" kr
settings "$dir" kr 600000 0
# A name of its own: a watcher adopts any process of the configured name, also one of
# another test running at the same time.
cp "$bin/keeper-demo$ext" "$dir/rotation-demo$ext"
sed -i "s|keeper-demo$ext|rotation-demo$ext|" "$dir/kr.cfg"
module=$(echo "ROTATION-DEMO$ext" | tr a-z A-Z)
log=$dir/kr.log rotated=$dir/kr.1.log
duplicate="Watching on the module $module is already started on this computer."

# The limit comes from the lengths of the lines, measured in a first run with a log of its
# own: the log is rotated at the twelfth duplicate, and what follows stays below the limit,
# so it is rotated exactly once. The application that run launches keeps running and is
# adopted by the second watcher.
(cd "$dir" && exec $runner ./kr$ext /l first.log) &
watcher=$!
check "the watcher starts the application" \
    wait_for 20 has_line "$dir/first.log" "Start $(native_path "$dir/rotation-demo$ext")"
keeper "$dir" kr /l first.log
wait_for 20 has_line "$dir/first.log" "$duplicate"
keeper "$dir" kr /u
wait_for 20 ended $watcher
start_line=$(head -1 "$dir/first.log" | wc -c)
duplicate_line=$(grep -- "$duplicate" "$dir/first.log" | head -1 | wc -c)
limit=$((start_line + 10 * duplicate_line + duplicate_line / 2))
printf 'LogFileLimit=%s\r\n' "$limit" >> "$dir/kr.cfg"

(cd "$dir" && exec $runner ./kr$ext) &
watcher=$!
check "with a limit: the watcher starts" wait_for 20 has_line "$log" "Start kr"
pids=()
for i in $(seq 20); do
    (cd "$dir" && exec $runner ./kr$ext) &
    pids+=($!)
done
codes=0
for pid in "${pids[@]}"; do wait $pid || codes=$((codes + 1)); done
check "all twenty duplicates exit with code 0" [ $codes -eq 0 ]
keeper "$dir" kr /u
check "the watcher stops" wait_for 20 ended $watcher

echo "# limit $limit bytes; log $(wc -c < "$log" 2>/dev/null) bytes, rotated log $(wc -c < "$rotated" 2>/dev/null) bytes"
check "the log was rotated to kr.1.log" [ -s "$rotated" ]
whole() { ! grep -v -E -- "^[0-9/.: APM]+ (Start|Stop|Watching) [^"$'\r'"]+"$'\r'"\$" "$1" > /dev/null; }
check "every line of the log is whole" whole "$log"
check "every line of the rotated log is whole" whole "$rotated"
in_both() { echo $(($(count_lines "$log" "$1") + $(count_lines "$rotated" "$1"))); }
check "the watcher's start is in one of the two files, once" [ "$(in_both "Start kr")" -eq 1 ]
check "the running application is adopted, with no launch" \
    [ "$(in_both "Start $(native_path "$dir/rotation-demo$ext")")" -eq 0 ]
check "each of the twenty duplicates' entries is in one of the two files" \
    [ "$(in_both "$duplicate")" -eq 20 ]
check "the stop is in the log" has_line "$log" "Stop kr"
check "rotated once: the rotated log begins with the watcher's start" \
    bash -c "head -1 '$rotated' | grep -q ' Start kr'"
check "the log holds at most the limit and one entry" \
    [ "$(wc -c < "$log")" -le $((limit + duplicate_line)) ]
check "the rotated log reached the limit" [ "$(wc -c < "$rotated")" -ge "$limit" ]

# --- a rotation refused leaves the log as it was, and is reported ---------------------
# A directory in the way of the rotated name refuses the rename, also to root.
mv "$rotated" "$dir/first.1.log"
mkdir -p "$rotated/in-the-way"
head -c "$limit" /dev/zero | tr '\0' x >> "$log"
before=$(md5sum < "$log")
keeper "$dir" kr > /dev/null 2>&1
check "refused rotation: exit code 1, the report of a failed file operation" [ $? -eq 1 ]
check "refused rotation: the log is as it was" [ "$(md5sum < "$log")" = "$before" ]
check "refused rotation: the directory in the way is untouched" [ -d "$rotated/in-the-way" ]

summary
