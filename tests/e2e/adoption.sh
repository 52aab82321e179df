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

# watch_for DIR COMMAND [ADOPTION]: settings of keeper k in DIR for COMMAND, which stays up;
# its entry of the application names the process (LogDetails).
watch_for() {
    config "$1/k.cfg" "$2" "600000 $1/launches" SleepInterval=0 LogDetails=1 \
        ${3:+"Adoption=$3"}
}
# decision DIR: the watcher's first entry of the application: "Adopt PID" or "Start PID".
decision() {
    messages "$1/k.log" |
        sed -n -E 's/^(Start|Adopt) .*: process ([0-9]+)(, arguments .*)?$/\1 \2/p' | head -n 1
}
decided() { [ -n "$(decision "$1")" ]; }
# decide DIR: a watcher in DIR starts, adopts or launches the application, and is stopped
# again; $taken is its entry. The watcher's own entry says what it did: nothing is timed.
decide() {
    rm -f "$1/k.log"
    start_watcher "$1" k
    wait_for 20 decided "$1"
    taken=$(decision "$1")
    stop_watcher "$1" k $watcher || { echo "# the watcher of $1 did not stop"; return 1; }
}
# adopts DIR: the watcher adopts the instance started last, and launches none.
adopts() {
    decide "$1" && [ "$taken" = "Adopt $instance" ] ||
        { echo "# running: $instance, taken: '$taken'"; return 1; }
}
# launches_own DIR: it adopts nothing and launches an instance of its own.
launches_own() {
    decide "$1" && [[ $taken == "Start "* ]] || { echo "# taken: '$taken'"; return 1; }
}
# start COMMAND...: an instance, in a session of its own so that it ends with all it started;
# once it has recorded its start in the launches file of $dir, it runs what the scan looks at.
started=()
start() {
    setsid "$@" > /dev/null 2>&1 &
    instance=$!
    started+=("$instance")
    wait_for 20 test -s "$dir/launches" || echo "# $* did not start"
}
# run_as DIR COMMAND: COMMAND started, recording its launch in DIR.
run_as() { start "$2" 600000 "$1/launches"; }
# session_gone PID: the process and its session have ended; a zombie waiting for its parent
# counts, as the scan skips one too.
session_gone() { ! ps -o stat= --sid "$1" -p "$1" | grep -qv '^Z'; }
all_gone() { local p; for p; do session_gone "$p" || return 1; done; }
# launched DIR: the processes the watcher of DIR launched, as its log names them.
launched() { messages "$1/k.log" | sed -n -E 's/^(Start|Restart) .*: process ([0-9]+)$/\2/p'; }
# stop_started DIR: ends what start started and what the watcher of DIR launched, every one
# with its session: a script's sleep, and a fork about to become one; then waits until they
# are gone, so that no instance of a case is there when the next looks.
stop_started() {
    local p ended=("${started[@]}")
    mapfile -t -O "${#ended[@]}" ended < <(launched "$1")
    for p in "${ended[@]}"; do kill -KILL -- "-$p" "$p" 2>/dev/null; done
    for p in "${started[@]}"; do wait "$p" 2>/dev/null; done  # reaped, and not reported
    wait_for 20 all_gone "${ended[@]}" || echo "# still running: ${ended[*]}"
    started=()
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
    adopts "$dir"
stop_started "$dir"
ln -s ../real/sleeper-3.11 "$dir/other/SLEEPER3"
run_as "$dir" "$dir/other/SLEEPER3"
check "symbolic link: also through one of the same name in another directory, of any case" \
    adopts "$dir"
stop_started "$dir"
run_as "$dir" "$dir/real/sleeper-3.11"
check "symbolic link: not the link's target started under its own name" launches_own "$dir"
stop_started "$dir"

# --- a #! script of the configured name -----------------------------------------------
dir=$work/script
install_keeper "$dir" k
printf '#!/bin/sh\necho started >> "$2"\nsleep "$(($1 / 1000))"\n' > "$dir/run-app.sh"
# With an option (blanks around it, which the kernel leaves out) the kernel runs
# "/bin/sh -e run-opt.sh ARGUMENTS": the script is argument 2.
printf '#!/bin/sh  -e \necho started >> "$2"\nsleep "$(($1 / 1000))"\n' > "$dir/run-opt.sh"
# A tool that only names the script: "sh follow.sh run-app.sh" runs follow.sh.
printf 'echo started >> "$3"\nsleep "$(($2 / 1000))"\n' > "$dir/follow.sh"
chmod +x "$dir/run-app.sh" "$dir/run-opt.sh"
watch_for "$dir" "$dir/run-app.sh"
run_as "$dir" "$dir/run-app.sh"
check "script: a running #!/bin/sh script of the configured name is adopted" adopts "$dir"
stop_started "$dir"
start sh -c 'echo started >> "$1"; sleep 600' sh "$dir/launches"
check "script: another shell is not the script" launches_own "$dir"
stop_started "$dir"
for adoption in name command; do
    watch_for "$dir" "$dir/run-opt.sh" $adoption
    run_as "$dir" "$dir/run-opt.sh"
    check "script: '#!/bin/sh -e', run with its option before it, is adopted ($adoption)" \
        adopts "$dir"
    stop_started "$dir"
    for script in run-app.sh run-opt.sh; do
        watch_for "$dir" "$dir/$script" $adoption
        start sh "$dir/follow.sh" "$dir/$script" 600000 "$dir/launches"
        check "script: 'sh follow.sh $script' does not run it ($adoption)" launches_own "$dir"
        stop_started "$dir"
    done
done

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
check "env script: a running '#!/usr/bin/env sh' script is adopted" adopts "$dir"
stop_started "$dir"
start sh -c 'cd "$1" && exec ./run-env.sh 600000 "$1/launches"' sh "$dir"
check "env script: also started by a relative path" adopts "$dir"
stop_started "$dir"
run_as "$dir" "$dir/other/run-env.sh"
check "env script: a copy of it elsewhere is not the script" launches_own "$dir"
stop_started "$dir"

# --- a name longer than the 15 bytes the kernel keeps -----------------------------------
dir=$work/long
install_keeper "$dir" k
mkdir -p "$dir/real" "$dir/bin"
cp "$bin/keeper-demo" "$dir/real/long-target"
ln -s ../real/long-target "$dir/bin/long-name-application-one"
ln -s ../real/long-target "$dir/bin/long-name-application-two"
watch_for "$dir" "$dir/bin/long-name-application-one"
run_as "$dir" "$dir/bin/long-name-application-two"
check "long name: one with the same first 15 bytes is not adopted" launches_own "$dir"
stop_started "$dir"
run_as "$dir" "$dir/bin/long-name-application-one"
check "long name: the whole name is" adopts "$dir"
stop_started "$dir"

# --- another user's process, seen by root -------------------------------------------------
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
    shared=$(mktemp -d /tmp/keeper-adopt-other.XXXXXX)
    chmod 755 "$shared"
    cp "$bin/keeper-demo" "$shared/other-user-app"
    setsid setpriv --reuid=nobody --regid=nogroup --clear-groups "$shared/other-user-app" \
        600000 > /dev/null 2>&1 &
    other=$!
    started+=("$other")
    dir=$work/other
    install_keeper "$dir" k
    watch_for "$dir" "$shared/other-user-app"
    runs_other() { [ "$(readlink "/proc/$other/exe" 2>/dev/null)" = "$shared/other-user-app" ]; }
    check "another user: root sees the other user's process" wait_for 20 runs_other
    check "another user: root launches an instance of its own beside it" launches_own "$dir"
    stop_started "$dir"
    rm -rf "$shared"
else
    echo "skip - another user's process needs root and setpriv"
fi

summary
