#!/usr/bin/env bash
# Linux: a process started through a file of the configured name is adopted, a symbolic
# link of that name or a #! script of that name, exactly (not on a cut name), and one of
# another user is not, also for root.
source "$(dirname "$0")/lib.sh"
if is_windows; then
    echo "skip - these names are Linux's"
    summary
    exit
fi

# watch_for DIR COMMAND: settings of keeper k in DIR for COMMAND, which stays up.
watch_for() {
    printf '[Settings]\r\nApplicationName=%s\r\nParameters=600000 %s\r\nSleepInterval=0\r\n' \
        "$2" "$1/launches" > "$1/k.cfg"
}
launches() { cat "$1/launches" 2>/dev/null | wc -l; }
# adopted DIR COMMAND: a watcher for COMMAND starts, adopts what runs and launches nothing;
# it is stopped again.
adopted() {
    local watcher result
    rm -f "$1/k.log"
    # What the watcher launches keeps running after it; it must not hold the test's output.
    (cd "$1" && exec ./k > /dev/null 2>&1) &
    watcher=$!
    wait_for 20 has_line "$1/k.log" "Start k"
    sleep 0.5
    [ "$(launches "$1")" -eq 1 ] && ! has_line "$1/k.log" "Start $2"
    result=$?
    keeper "$1" k /u
    wait_for 20 ended $watcher
    return $result
}
# run_as DIR COMMAND: COMMAND started in the background, recording its launch in DIR.
started=()
run_as() {
    "$2" 600000 "$1/launches" > /dev/null 2>&1 &
    started+=($!)
    wait_for 20 test -s "$1/launches"
}
# kill_tree PID: the process and its children (a script's sleep).
kill_tree() {
    local child
    for child in $(ps -o pid= --ppid "$1"); do kill_tree "$child"; done
    kill -KILL "$1" 2>/dev/null
}
# stop_started DIR: ends what run_as started, and what the watchers launched from DIR.
stop_started() {
    local p
    for p in "${started[@]}"; do kill_tree "$p"; done
    started=()
    for p in /proc/[0-9]*; do
        case $(readlink "$p/exe" 2>/dev/null) in "$1"/*) kill_tree "${p#/proc/}" ;; esac
        case $(tr '\0' ' ' < "$p/cmdline" 2>/dev/null) in "/bin/sh $1/"*) kill_tree "${p#/proc/}" ;; esac
    done
    rm -f "$1/launches"
}

# --- a symbolic link of the configured name, as /usr/bin/python3 is one to python3.11 ----
dir=$work/link
install_keeper "$dir" k
mkdir -p "$dir/real" "$dir/bin" "$dir/other"
cp "$bin/keeper-demo" "$dir/real/sleeper-3.11"
ln -s ../real/sleeper-3.11 "$dir/bin/sleeper3"
watch_for "$dir" "$dir/bin/sleeper3"
run_as "$dir" "$dir/bin/sleeper3"
check "symbolic link: a process started through a link of the configured name is adopted" \
    adopted "$dir" "$dir/bin/sleeper3"
stop_started "$dir"
ln -s ../real/sleeper-3.11 "$dir/other/SLEEPER3"
run_as "$dir" "$dir/other/SLEEPER3"
check "symbolic link: also through one of the same name in another directory, of any case" \
    adopted "$dir" "$dir/bin/sleeper3"
stop_started "$dir"
run_as "$dir" "$dir/real/sleeper-3.11"
check "symbolic link: not the link's target started under its own name" \
    not adopted "$dir" "$dir/bin/sleeper3"
stop_started "$dir"

# --- a #! script of the configured name -----------------------------------------------
dir=$work/script
install_keeper "$dir" k
printf '#!/bin/sh\necho started >> "$2"\nsleep "$(($1 / 1000))"\n' > "$dir/run-app.sh"
chmod +x "$dir/run-app.sh"
watch_for "$dir" "$dir/run-app.sh"
run_as "$dir" "$dir/run-app.sh"
check "script: a running #!/bin/sh script of the configured name is adopted" \
    adopted "$dir" "$dir/run-app.sh"
stop_started "$dir"
sh -c 'echo started >> "$1"; sleep 600' sh "$dir/launches" > /dev/null 2>&1 &
started+=($!)
wait_for 20 test -s "$dir/launches"
check "script: another shell is not the script" not adopted "$dir" "$dir/run-app.sh"
stop_started "$dir"

# --- a script whose #! line runs env, the most common first line ---------------------------
# env finds sh in PATH: the process runs sh (dash), recorded as "sh", with the script as its
# first argument. The script's own file decides, not the name of what runs it.
dir=$work/env-script
install_keeper "$dir" k
mkdir -p "$dir/other"
printf '#!/usr/bin/env sh\necho started >> "$2"\nsleep "$(($1 / 1000))"\n' > "$dir/run-env.sh"
cp "$dir/run-env.sh" "$dir/other/run-env.sh"
chmod +x "$dir/run-env.sh" "$dir/other/run-env.sh"
watch_for "$dir" "$dir/run-env.sh"
run_as "$dir" "$dir/run-env.sh"
check "env script: a running '#!/usr/bin/env sh' script is adopted" adopted "$dir" "$dir/run-env.sh"
stop_started "$dir"
(cd "$dir" && exec ./run-env.sh 600000 "$dir/launches" > /dev/null 2>&1) &
started+=($!)
wait_for 20 test -s "$dir/launches"
check "env script: also started by a relative path" adopted "$dir" "$dir/run-env.sh"
stop_started "$dir"
run_as "$dir" "$dir/other/run-env.sh"
check "env script: a copy of it elsewhere is not the script" not adopted "$dir" "$dir/run-env.sh"
stop_started "$dir"
for p in /proc/[0-9]*; do
    case $(tr '\0' ' ' < "$p/cmdline" 2>/dev/null) in "sh $dir/other/"*) kill_tree "${p#/proc/}" ;; esac
done

# --- a name longer than the 15 bytes the kernel keeps -----------------------------------
dir=$work/long
install_keeper "$dir" k
mkdir -p "$dir/real" "$dir/bin"
cp "$bin/keeper-demo" "$dir/real/long-target"
ln -s ../real/long-target "$dir/bin/long-name-application-one"
ln -s ../real/long-target "$dir/bin/long-name-application-two"
watch_for "$dir" "$dir/bin/long-name-application-one"
run_as "$dir" "$dir/bin/long-name-application-two"
check "long name: one with the same first 15 bytes is not adopted" \
    not adopted "$dir" "$dir/bin/long-name-application-one"
stop_started "$dir"
run_as "$dir" "$dir/bin/long-name-application-one"
check "long name: the whole name is" adopted "$dir" "$dir/bin/long-name-application-one"
stop_started "$dir"

# --- another user's process, seen by root -------------------------------------------------
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
    shared=$(mktemp -d /tmp/keeper-adopt-other.XXXXXX)
    chmod 755 "$shared"
    cp "$bin/keeper-demo" "$shared/other-user-app"
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$shared/other-user-app" 600000 \
        > /dev/null 2>&1 &
    other=$!
    dir=$work/other
    install_keeper "$dir" k
    watch_for "$dir" "$shared/other-user-app"
    sleep 0.5
    check "another user: root sees the other user's process" alive $other
    (cd "$dir" && exec ./k > /dev/null 2>&1) &
    watcher=$!
    check "another user: root launches an instance of its own beside it" \
        wait_for 20 has_line "$dir/k.log" "Start $shared/other-user-app"
    keeper "$dir" k /u
    wait_for 20 ended $watcher
    kill -KILL $other
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/exe" 2>/dev/null)" = "$shared/other-user-app" ] && kill -KILL "${p#/proc/}"
    done
    rm -rf "$shared"
else
    echo "skip - another user's process needs root and setpriv"
fi

summary
