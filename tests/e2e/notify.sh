#!/usr/bin/env bash
# The notification protocol as services use it ("HangTimeout" on Linux): its real clients
# (systemd-notify in a shell service run as a user other than root, libsystemd's sd_notify
# through Python's ctypes, the C example of the guide), WATCHDOG_USEC= and STOPPING=1,
# "ReadyTimeout", who may notify (the application's session, also once it runs as another
# user; an adopted instance and the session it leads; nobody else), an adopted instance that
# pings often, a watcher killed and started again at the same address, and the socket gone
# with its watcher. A client's case runs where its tool exists and says "skipped" where not.
# Windows has no such protocol: there "ReadyTimeout" is checked, then ignored.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_app_lib.sh"

skipped() { echo "skipped - $1"; }

# The applications that run no copy of a file in $work (the scripts, each the leader of a
# group of its own, as their S lines name them), and the children of hang-app that became
# sleep, ended by their identifiers when the test ends.
pids=()
cleanup() {
    local g
    # The watchers first, or one would relaunch what ends here.
    end_scratch_processes "$work"
    for g in $(cat "$work"/shell/stamps.txt "$work"/ctypes/stamps.txt 2>/dev/null | awk '$1 == "S" { print $3 }'); do
        kill -KILL -- "-$g" 2>/dev/null
    done
    for g in "${pids[@]}"; do kill -KILL "$g" 2>/dev/null; done
    finish
}
trap cleanup EXIT

if is_windows; then
    # Accepted, and ignored: on Windows a hang needs a window.
    for part in ready invalid; do
        dir=$work/$part
        install_keeper "$dir" kn-$part
        cp "$bin/stamp-app$ext" "$dir/stamp-$part$ext"
        echo -1 > "$dir/plan.txt"
        value=500
        [ $part = invalid ] && value=-5
        hang_settings "$dir" kn-$part "$dir/stamp-$part$ext" \
            "$(native_path "$dir/plan.txt") $(native_path "$dir/stamps.txt")" \
            HangTimeout=1500 ReadyTimeout=$value SleepInterval=0
        start_watcher "$dir" kn-$part env
        eval "${part}_watcher=\$watcher"
    done
    check "Windows: the program started" wait_for 30 eval '[ "$(runs "$work/ready/stamps.txt")" -ge 1 ]'
    sleep 4
    log=$work/ready/kn-ready.log
    check "Windows: ReadyTimeout is a known key with a valid value: no entry names it" \
        bash -c '! grep -q ReadyTimeout "$1"' _ "$log"
    check "Windows: ReadyTimeout is ignored: a program that never pings is not hung" \
        [ "$(runs "$work/ready/stamps.txt")" -eq 1 -a "$(messages "$log" | grep -c '^Hung ')" -eq 0 ]
    check "Windows: an invalid value gets its entry" \
        has_line "$work/invalid/kn-invalid.log" "Invalid value of ReadyTimeout: -5"
    check "Windows: the watcher stops" stop_watcher "$work/ready" kn-ready $ready_watcher
    check "Windows: the other watcher stops" stop_watcher "$work/invalid" kn-invalid $invalid_watcher
    summary
    exit
fi

timeout=1500
# The entries a watcher of the name wrote after the second "Start NAME": those of the
# watcher started after one was killed.
second_watcher() { messages "$1" | awk -v s="Start $2" '$0 == s { n++ } n >= 2'; }

# --- an adopted instance that pings every 50 ms: no sendto blocks, and it is watched ----------
dir=$work/adopted
adopted_stamps=$dir/stamps.txt
adopted_socket=$(socket_of kn-adopted_PINGER-ADOPTED)
hang_part "$dir" kn-adopted pinger-adopted "pingto $adopted_socket 3000 50 $adopted_stamps" \
    HangTimeout=$timeout SleepInterval=0 LogDetails=1
(cd "$dir" && exec env -u NOTIFY_SOCKET ./pinger-adopted pingto "$adopted_socket" 3000 50 "$adopted_stamps") &
start_adopting adopted "$dir" kn-adopted "$adopted_stamps" env
adopted_watcher=$watcher

# --- a shell service: systemd-notify, as a user other than root ----------------------------
# The datagrams come from systemd-notify, a process of the script's session. As root the
# tool would send its caller's credentials instead, which would hide a fault.
shell_watcher=0
as_user=()
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
if ! command -v systemd-notify > /dev/null; then
    skipped "shell service: systemd-notify is not installed (Debian's package systemd)"
elif [ "$(id -u)" -eq 0 ] && [ ${#as_user[@]} -eq 0 ]; then
    skipped "shell service: no setpriv to run it as a user other than root"
else
    dir=$work/shell
    install_keeper "$dir" kn-shell
    shell_stamps=$dir/stamps.txt
    shell_run=$dir/run
    mkdir -m 0700 "$shell_run"
    cat > "$dir/notify-shell" <<'SCRIPT'
#!/bin/bash
# The first run says it is ready and pings six times, then falls silent; later runs ping
# for ever. Each line: the letter, the time, systemd-notify's exit status.
stamps=$1
now() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
earlier=0
[ -f "$stamps" ] && earlier=$(grep -c '^S ' "$stamps")
echo "S $(now) $$ $(id -u)" >> "$stamps"
systemd-notify --ready
echo "R $(now) $?" >> "$stamps"
for ((n = 0; earlier > 0 || n < 6; n++)); do
    sleep 0.4
    systemd-notify WATCHDOG=1
    echo "P $(now) $?" >> "$stamps"
done
while :; do sleep 1; done
SCRIPT
    chmod 0755 "$dir/notify-shell"
    hang_settings "$dir" kn-shell "$dir/notify-shell" "$shell_stamps" \
        HangTimeout=$timeout SleepInterval=0 StopApplication=1000 Adoption=off
    if [ ${#as_user[@]} -gt 0 ]; then
        chmod 0711 "$work"
        chown -R 65534:65534 "$dir"
    fi
    start_watcher "$dir" kn-shell "${as_user[@]}" env XDG_RUNTIME_DIR="$shell_run"
    shell_watcher=$watcher
fi

# --- libsystemd's sd_notify through Python's ctypes: WATCHDOG_USEC=, STOPPING=1 -------------
ctypes_watcher=0
python=$(command -v python3 > /dev/null && python3 -c 'import sys; print(sys.executable)' 2> /dev/null)
if [ -z "$python" ]; then
    skipped "sd_notify: no python3"
elif ! "$python" -c 'import ctypes; ctypes.CDLL("libsystemd.so.0").sd_notify' 2> /dev/null; then
    skipped "sd_notify: libsystemd.so.0 cannot be loaded by $python"
else
    dir=$work/ctypes
    install_keeper "$dir" kn-ctypes
    ctypes_stamps=$dir/stamps.txt
    {
        echo "#!$python"
        cat <<'SCRIPT'
# The first run asks for 4 s instead of HangTimeout and pings every 2.5 s three times, then
# falls silent; later runs say they are ready and then that they are stopping.
import ctypes, os, sys, time

stamps = sys.argv[1]
def stamp(letter, rest):
    with open(stamps, "a") as f:
        f.write("%s %d %s\n" % (letter, time.monotonic_ns() // 1000000, rest))

earlier = sum(1 for line in open(stamps) if line.startswith("S ")) if os.path.exists(stamps) else 0
stamp("S", os.getpid())
systemd = ctypes.CDLL("libsystemd.so.0")
systemd.sd_notify.argtypes = [ctypes.c_int, ctypes.c_char_p]
def notify(letter, state):
    stamp(letter, systemd.sd_notify(0, state.encode()))

if earlier == 0:
    notify("R", "READY=1\nWATCHDOG_USEC=4000000")
    for _ in range(3):
        time.sleep(2.5)
        notify("P", "WATCHDOG=1")
else:
    notify("R", "READY=1")
    time.sleep(0.3)
    notify("Q", "STOPPING=1")
while True:
    time.sleep(60)
SCRIPT
    } > "$dir/notify-ctypes"
    chmod 0755 "$dir/notify-ctypes"
    hang_settings "$dir" kn-ctypes "$dir/notify-ctypes" "$ctypes_stamps" HangTimeout=$timeout \
        ReadyTimeout=3000 SleepInterval=0 LogDetails=1 StopApplication=1000 Adoption=off
    start_watcher "$dir" kn-ctypes env
    ctypes_watcher=$watcher
fi

# --- the C example of the guide --------------------------------------------------------------
example_watcher=0
guide=$(dirname "$0")/../../docs/guide.md
example=$(awk '/^In C:$/ { found = 1; next } found && /^```c$/ { inside = 1; next }
               inside && /^```$/ { exit } inside' "$guide")
if ! command -v cc > /dev/null; then
    skipped "the guide's C example: no C compiler (cc)"
elif [ -z "$example" ]; then
    fail "the guide has its C example (a \`\`\`c block after \"In C:\")"
else
    dir=$work/example
    install_keeper "$dir" kn-example
    example_stamps=$dir/stamps.txt
    {
        echo "$example"
        cat <<'MAIN'

/* The first run says it is ready and pings every 200 ms for 2 s, then falls silent; later
   runs ping for ever. */
#include <stdio.h>
#include <time.h>

static void stamp(const char *file, char letter)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    FILE *stamps = fopen(file, "a");
    if (stamps == NULL)
        return;
    fprintf(stamps, "%c %lld %ld\n", letter, t.tv_sec * 1000LL + t.tv_nsec / 1000000, (long)getpid());
    fclose(stamps);
}

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    int earlier = 0;
    char line[256];
    FILE *before = fopen(argv[1], "r");
    while (before != NULL && fgets(line, sizeof line, before) != NULL)
        earlier += line[0] == 'S';
    if (before != NULL)
        fclose(before);
    stamp(argv[1], 'S');
    notify("READY=1");
    for (int n = 0; earlier > 0 || n < 10; n++) {
        usleep(200000);
        notify("WATCHDOG=1");
        stamp(argv[1], 'P');
    }
    for (;;)
        pause();
}
MAIN
    } > "$dir/example.c"
    if cc -std=c11 -D_DEFAULT_SOURCE -Wall -Werror -o "$dir/notify-example" "$dir/example.c" 2> "$dir/cc.txt"; then
        hang_settings "$dir" kn-example "$dir/notify-example" "$example_stamps" \
            HangTimeout=$timeout SleepInterval=0
        start_watcher "$dir" kn-example env
        example_watcher=$watcher
    else
        fail "the guide's C example compiles: $(head -3 "$dir/cc.txt")"
    fi
fi

# --- ReadyTimeout: an application that never says it is ready; an invalid value; no HangTimeout
# "adopt": ReadyTimeout is for what keeper launched; an adopted instance is never asked.
for part in ready invalid alone adopt; do
    dir=$work/$part
    case $part in
    ready|adopt) keys=(HangTimeout=$timeout ReadyTimeout=2000 LogDetails=1) ;;
    invalid) keys=(HangTimeout=$timeout ReadyTimeout=-5) ;;
    alone) keys=(ReadyTimeout=1000) ;;
    esac
    hang_part "$dir" kn-$part quiet-$part "env $dir/stamps.txt" "${keys[@]}" SleepInterval=0
    if [ $part = adopt ]; then
        (cd "$dir" && exec ./quiet-$part env "$dir/stamps.txt" > /dev/null 2>&1) &
        wait_for 20 grep -qs '^S ' "$dir/stamps.txt"
        adopt_since=$SECONDS
    fi
    start_watcher "$dir" kn-$part env
    eval "${part}_watcher=\$watcher"
done

# --- who may notify: a stranger; an application that becomes another user, and a stranger of
# that user; an adopted instance's child, with and without its session ----------------------
dir=$work/stranger
hang_part "$dir" kn-stranger quiet-stranger "env $dir/stamps.txt" HangTimeout=$timeout SleepInterval=0
install_hang_app "$dir" stranger
socket=$(socket_of kn-stranger_QUIET-STRANGER)
start_watcher "$dir" kn-stranger env
stranger_watcher=$watcher
# Started by the test, in the test's session: a process of no concern to the watcher.
(cd "$dir" && exec ./stranger adopted "$socket" "$dir/stranger.txt") &
# The application drops root's rights (setpriv, as a daemon's own setuid would) before it
# says it is ready and pings for ever; a stranger of its new user triggers.
dropped_watcher=0
if [ "$(id -u)" -ne 0 ] || [ ${#as_user[@]} -eq 0 ]; then
    skipped "dropped: an application that drops root's rights needs root and setpriv"
else
    dir=$work/dropped
    install_keeper "$dir" kn-dropped
    install_hang_app "$dir" dropped
    install_hang_app "$dir" stranger-dropped
    chmod 0711 "$work"
    chown -R 65534:65534 "$dir"
    hang_settings "$dir" kn-dropped "$(command -v setpriv)" \
        "${as_user[*]:1} $dir/dropped ping 600000 300 $dir/stamps.txt" \
        HangTimeout=$timeout ReadyTimeout=2000 SleepInterval=0 Adoption=off
    start_watcher "$dir" kn-dropped env
    dropped_watcher=$watcher
    # The address the kernel gave the watcher's socket, once the application pings it.
    if wait_for 20 grep -qs '^P ' "$dir/stamps.txt"; then
        socket=$(recorded kn-dropped_SETPRIV)
        (cd "$dir" && exec "${as_user[@]}" ./stranger-dropped adopted "$socket" "$dir/stranger.txt") &
    else
        fail "dropped: the application pings"
    fi
fi
for part in leader follower; do
    dir=$work/$part
    socket=$(socket_of kn-${part}_CHILD-${part^^})
    # The pause lets the child become sleep before the relaunch looks for an instance.
    hang_part "$dir" kn-$part child-$part "adopted-child $socket $dir/stamps.txt" \
        HangTimeout=$timeout SleepInterval=1000 LogDetails=1
    # The leader leads a session of its own (setsid); the follower is in the test's.
    setsid=()
    [ $part = leader ] && setsid=(setsid)
    (cd "$dir" && exec "${setsid[@]}" ./child-$part adopted-child "$socket" "$dir/stamps.txt") &
    start_adopting "$part" "$dir" kn-$part "$dir/stamps.txt" env
    eval "${part}_watcher=\$watcher"
done

# --- a watcher killed, then another of the same name: the socket is made again -------------
# silent: pings every 200 ms for 4 s, then silence (without a child, which the next watcher
# would adopt after the hang). trigger: "WATCHDOG=trigger" after 4 s.
for part in silent trigger; do
    dir=$work/killed-$part
    install_keeper "$dir" kn-$part
    install_hang_app "$dir" killed-$part
    case $part in
    silent) hang_settings "$dir" kn-$part "$dir/killed-$part" \
                "pingto $(socket_of kn-silent_KILLED-SILENT) 4000 200 $dir/stamps.txt" \
                HangTimeout=$timeout SleepInterval=0 LogDetails=1 ;;
    trigger) hang_settings "$dir" kn-$part "$dir/killed-$part" "trigger 4000 $dir/stamps.txt" \
                 HangTimeout=30000 SleepInterval=0 LogDetails=1 ;;
    esac
    start_watcher "$dir" kn-$part env
    eval "killed_${part}_watcher=\$watcher"
done
for part in silent trigger; do
    dir=$work/killed-$part
    eval "first=\$killed_${part}_watcher"
    check "killed, $part: the application started" wait_for 20 grep -qs '^S ' "$dir/stamps.txt"
    kill -KILL "$first"
    wait "$first" 2> /dev/null
    address=$(recorded kn-${part}_KILLED-${part^^})
    check "killed, $part: its address stays recorded, its socket gone with it ($address)" \
        eval '[ -n "$address" ] && ! sends "$address"'
    start_watcher "$dir" kn-$part env
    eval "killed_${part}_watcher=\$watcher"
done

# --- a stop: the socket is read while the application takes its grace time to end ----------
dir=$work/goodbye
hang_part "$dir" kn-goodbye goodbye "pingstop 20 $dir/stamps.txt" \
    HangTimeout=$timeout StopApplication=5000 SleepInterval=0
start_watcher "$dir" kn-goodbye env
check "goodbye: the application pings" wait_for 20 eval '[ "$(stamp "$dir/stamps.txt" S)" -gt 0 ]'
sleep 0.5
check "goodbye: the stop ends the watcher" stop_watcher "$dir" kn-goodbye $watcher
check "goodbye: its 40 pings after the request went out, and it ended by itself" \
    [ "$(stamp "$dir/stamps.txt" E)" -gt 0 ]
check "goodbye: asked, not ended by force (Stop, not Terminate)" \
    in_order "$dir/kn-goodbye.log" "^Stop $(re "$dir/goodbye")\$" '^Stop kn-goodbye$'

# --- the socket goes with its watcher: by a stop, by the fatal-error report -------------------
dir=$work/gone
hang_part "$dir" kn-gone quiet-gone "env $dir/stamps.txt" HangTimeout=$timeout SleepInterval=0
start_watcher "$dir" kn-gone env
gone_watcher=$watcher
dir=$work/fatal
hang_part "$dir" kn-fatal quiet-fatal "env $dir/stamps.txt" HangTimeout=$timeout SleepInterval=0
mkdir "$dir/log"  # a log that is a directory: the first entry fails
(cd "$dir" && ./kn-fatal /l "$dir/log" > /dev/null 2>&1)
fatal_code=$?
check "fatal: the watcher ends through the error report (exit code 1, got $fatal_code)" [ $fatal_code -eq 1 ]
address=$(recorded kn-fatal_QUIET-FATAL)
check "fatal: its socket was made ($address), and is gone: a datagram to it is not sent" \
    eval '[ -n "$address" ] && ! sends "$address"'
check "stopped: the socket is there while the watcher runs" \
    wait_for 10 eval 'address=$(recorded kn-gone_QUIET-GONE) && sends "$address"'
check "stopped: the watcher stops" stop_watcher "$work/gone" kn-gone $gone_watcher
check "stopped: its socket is gone: a datagram to $address is not sent" \
    eval '[ -n "$address" ] && ! sends "$address"'

# === the checks ===============================================================================

# --- adopted, pinging ------------------------------------------------------------------------
if [ "$adopted_watcher" != 0 ]; then
    log=$work/adopted/kn-adopted.log
    app=$work/adopted/pinger-adopted
    check "adopted: relaunched after its pings stopped" wait_for 30 eval '[ "$(runs "$adopted_stamps")" -ge 2 ]'
    # A socket that nobody reads queues 10 datagrams, and the next sendto blocks.
    sent=$(first_run "$adopted_stamps" P | wc -l)
    span=$(($(last_of_first_run "$adopted_stamps" P) - $(stamp "$adopted_stamps" P 1)))
    check "adopted: no sendto blocked: it pinged for 3 s ($sent pings over $span ms)" \
        [ "$sent" -gt 20 -a "$span" -ge 2500 ]
    check "adopted: adopted, \"Hung\", then \"Start\"" \
        in_order "$log" "^Adopt $(re "$app"): process $(stamp "$adopted_stamps" S 1 3)\$" \
        "^Hung $(re "$app"): ping overdue\$" "^Start $(re "$app"): process"
    gap=$(($(stamp "$adopted_stamps" S 2) - $(last_of_first_run "$adopted_stamps" P)))
    echo "# adopted: relaunched $gap ms after its last ping, HangTimeout $timeout ms"
    check "adopted: hung HangTimeout after its last ping, within 3 s more" between "$gap" $((timeout - 100)) $((timeout + 3000))
    check "adopted: the watcher stops" stop_watcher "$work/adopted" kn-adopted $adopted_watcher
fi

# --- the shell service -------------------------------------------------------------------------
if [ "$shell_watcher" != 0 ]; then
    log=$work/shell/kn-shell.log
    app=$work/shell/notify-shell
    check "shell: relaunched after its pings stopped" wait_for 30 eval '[ "$(runs "$shell_stamps")" -ge 2 ]'
    check "shell: it ran as a user other than root (uid $(stamp "$shell_stamps" S 1 4))" \
        [ "$(stamp "$shell_stamps" S 1 4)" != 0 ]
    check "shell: systemd-notify --ready and 6 pings, each returning 0 at once (keeper read the barrier)" \
        [ "$(first_run "$shell_stamps" R | awk '$3 == 0' | wc -l)" -eq 1 -a \
          "$(first_run "$shell_stamps" P | awk '$3 == 0' | wc -l)" -eq 6 ]
    check "shell: \"Start\", \"Hung\", then \"Restart\"" \
        in_order "$log" "^Start $(re "$app")\$" "^Hung $(re "$app"): ping overdue\$" "^Restart $(re "$app")\$"
    last=$(last_of_first_run "$shell_stamps" P)
    check "shell: its pings kept it from being hung for 2 s" [ $((last - $(stamp "$shell_stamps" S 1))) -ge 2000 ]
    gap=$(($(stamp "$shell_stamps" S 2) - last))
    echo "# shell: relaunched $gap ms after its last ping, HangTimeout $timeout ms"
    check "shell: hung HangTimeout after its last ping, within 3 s more" between "$gap" $((timeout - 100)) $((timeout + 3000))
    sleep $(((2 * timeout + 500) / 1000 + 1))
    check "shell: the relaunched service pings with systemd-notify and is not hung" \
        [ "$(count_lines "$log" "Hung $app: ping overdue")" -eq 1 -a "$(runs "$shell_stamps")" -eq 2 ]
    check "shell: the watcher stops, and the service with it" \
        stop_watcher "$work/shell" kn-shell $shell_watcher "${as_user[@]}" env XDG_RUNTIME_DIR="$shell_run"
fi

# --- sd_notify through ctypes ------------------------------------------------------------------
if [ "$ctypes_watcher" != 0 ]; then
    log=$work/ctypes/kn-ctypes.log
    app=$work/ctypes/notify-ctypes
    check "sd_notify: relaunched after its pings stopped" wait_for 40 eval '[ "$(runs "$ctypes_stamps")" -ge 2 ]'
    check "sd_notify: READY=1 with WATCHDOG_USEC=4000000 and 3 pings, each sent" \
        [ "$(first_run "$ctypes_stamps" R | awk '$3 > 0' | wc -l)" -eq 1 -a \
          "$(first_run "$ctypes_stamps" P | awk '$3 > 0' | wc -l)" -eq 3 ]
    gap=$(($(stamp "$ctypes_stamps" S 2) - $(last_of_first_run "$ctypes_stamps" P)))
    echo "# sd_notify: pings every 2.5 s, relaunched $gap ms after the last; WATCHDOG_USEC 4 s, HangTimeout $timeout ms"
    check "sd_notify: WATCHDOG_USEC=4000000 is the time-out: hung 4 s after the last ping, within 3 s more" \
        between "$gap" 3900 7000
    check "sd_notify: \"Hung\" once, then \"Restart\"" \
        in_order "$log" "^Hung $(re "$app"): ping overdue\$" "^Restart $(re "$app"): process"
    check "sd_notify: the relaunched run said STOPPING=1" wait_for 10 eval '[ "$(stamp "$ctypes_stamps" Q 1 3)" -gt 0 ]'
    sleep $(((3000 + 500) / 1000 + 1))  # past ReadyTimeout and twice HangTimeout
    check "sd_notify: after STOPPING=1 it is never hung" \
        [ "$(count_lines "$log" "Hung $app: ping overdue")" -eq 1 -a "$(runs "$ctypes_stamps")" -eq 2 ]
    check "sd_notify: the watcher stops" stop_watcher "$work/ctypes" kn-ctypes $ctypes_watcher
fi

# --- the guide's C example -----------------------------------------------------------------------
if [ "$example_watcher" != 0 ]; then
    log=$work/example/kn-example.log
    app=$work/example/notify-example
    check "C example: relaunched after its pings stopped" wait_for 30 eval '[ "$(runs "$example_stamps")" -ge 2 ]'
    last=$(last_of_first_run "$example_stamps" P)
    check "C example: its pings kept it from being hung for 2 s" \
        [ $((last - $(stamp "$example_stamps" S 1))) -ge 1900 ]
    gap=$(($(stamp "$example_stamps" S 2) - last))
    check "C example: hung HangTimeout after its last ping ($gap ms), within 3 s more" \
        between "$gap" $((timeout - 100)) $((timeout + 3000))
    sleep $(((2 * timeout + 500) / 1000 + 1))
    check "C example: the relaunched instance pings and is not hung" [ "$(count_lines "$log" "Hung $app: ping overdue")" -eq 1 ]
    check "C example: the watcher stops" stop_watcher "$work/example" kn-example $example_watcher
fi

# --- ReadyTimeout ------------------------------------------------------------------------------
log=$work/ready/kn-ready.log
app=$work/ready/quiet-ready
check "ReadyTimeout: an application that never says it is ready is relaunched" \
    wait_for 20 eval '[ "$(runs "$work/ready/stamps.txt")" -ge 2 ]'
gap=$(($(stamp "$work/ready/stamps.txt" S 2) - $(stamp "$work/ready/stamps.txt" S 1)))
check "ReadyTimeout: hung 2 s after its launch ($gap ms), within 3 s more" between "$gap" 1900 5000
check "ReadyTimeout: \"Start\", \"Hung\", then \"Restart\"" \
    in_order "$log" "^Start $(re "$app"): process" "^Hung $(re "$app"): not ready in time\$" "^Restart $(re "$app"): process"
check "ReadyTimeout: the watcher stops" stop_watcher "$work/ready" kn-ready $ready_watcher
log=$work/invalid/kn-invalid.log
check "ReadyTimeout invalid: \"Invalid value of ReadyTimeout: -5\" right after \"Start kn-invalid\"" \
    [ "$(messages "$log" | sed -n 2p)" = "Invalid value of ReadyTimeout: -5" ]
log=$work/alone/kn-alone.log
check "ReadyTimeout without HangTimeout: no entry names it, and no socket is made" \
    [ "$(messages "$log" | grep -c ReadyTimeout)" -eq 0 -a -z "$(recorded kn-alone_QUIET-ALONE)" ]
log=$work/adopt/kn-adopt.log
sleep $((adopt_since + 4 - SECONDS > 0 ? adopt_since + 4 - SECONDS : 0))  # ReadyTimeout and 2 s more
adopted_unasked() {
    has_line "$log" "Adopt $work/adopt/quiet-adopt: process $(stamp "$work/adopt/stamps.txt" S 1 3)" &&
        [ "$(messages "$log" | grep -c '^Hung ')" -eq 0 -a "$(runs "$work/adopt/stamps.txt")" -eq 1 ]
}
check "ReadyTimeout: an adopted instance that never says it is ready is not hung" adopted_unasked
check "ReadyTimeout: the watcher of the adopted one stops" stop_watcher "$work/adopt" kn-adopt $adopt_watcher

# --- who may notify ------------------------------------------------------------------------------
check "stranger: its datagram was sent" wait_for 20 eval '[ "$(stamp "$work/stranger/stranger.txt" T 1 3)" = ok ]'
check "leader: its child started" wait_for 20 eval '[ "$(stamp "$work/leader/stamps.txt" K 1 3)" -gt 0 ]'
check "follower: its child's datagrams were sent" wait_for 20 eval '[ "$(stamp "$work/follower/stamps.txt" k 1 3)" = 2 ]'
pids+=("$(stamp "$work/leader/stamps.txt" K 1 3)" "$(stamp "$work/follower/stamps.txt" K 1 3)")
log=$work/leader/kn-leader.log
app=$work/leader/child-leader
check "leader: the child of an adopted instance that leads its session speaks for it: relaunched" \
    wait_for 10 eval '[ "$(runs "$work/leader/stamps.txt")" -ge 2 ]'
check "leader: adopted, \"Hung\", then \"Start\"" \
    in_order "$log" "^Adopt $(re "$app"): process $(stamp "$work/leader/stamps.txt" S 1 3)\$" \
    "^Hung $(re "$app"): it sent WATCHDOG=trigger\$" "^Start $(re "$app"): process"
sleep $(((2 * timeout + 500) / 1000 + 1))
check "stranger: a process outside the application's session does not speak for it" \
    [ "$(messages "$work/stranger/kn-stranger.log" | grep -c '^Hung ')" -eq 0 -a "$(runs "$work/stranger/stamps.txt")" -eq 1 ]
check "follower: the child of an adopted instance that leads no session does not speak for it" \
    [ "$(messages "$work/follower/kn-follower.log" | grep -c '^Hung ')" -eq 0 -a "$(runs "$work/follower/stamps.txt")" -eq 1 ]
if [ "$dropped_watcher" != 0 ]; then
    stamps=$work/dropped/stamps.txt
    check "dropped: it runs as another user (uid $(stat -c %u "/proc/$(stamp "$stamps" S 1 3)" 2>/dev/null))" \
        [ "$(stat -c %u "/proc/$(stamp "$stamps" S 1 3)" 2>/dev/null)" = 65534 ]
    check "dropped: its stranger's datagram was sent" \
        wait_for 10 eval '[ "$(stamp "$work/dropped/stranger.txt" T 1 3)" = ok ]'
    check "dropped: READY=1 and every ping were sent, and it is never hung: one run, no \"Hung\"" \
        [ "$(grep -c '^P ' "$stamps")" -ge 10 -a "$(grep -c '^X' "$stamps")" -eq 0 -a \
          "$(messages "$work/dropped/kn-dropped.log" | grep -c '^Hung ')" -eq 0 -a "$(runs "$stamps")" -eq 1 ]
fi
check "ReadyTimeout invalid: counts as absent: never hung" \
    [ "$(messages "$work/invalid/kn-invalid.log" | grep -c '^Hung ')" -eq 0 -a "$(runs "$work/invalid/stamps.txt")" -eq 1 ]
check "ReadyTimeout without HangTimeout: never hung" [ "$(runs "$work/alone/stamps.txt")" -eq 1 ]
for part in stranger dropped leader follower invalid alone; do
    eval "pid=\$${part}_watcher"
    [ "$pid" = 0 ] || check "$part: the watcher stops" stop_watcher "$work/$part" kn-$part $pid
done

# --- the killed watchers --------------------------------------------------------------------------
for part in silent trigger; do
    dir=$work/killed-$part
    app=$dir/killed-$part
    cause="ping overdue"
    [ $part = trigger ] && cause="it sent WATCHDOG=trigger"
    check "killed, $part: the new watcher ends the adopted application as hung" \
        wait_for 30 eval '[ "$(runs "$dir/stamps.txt")" -ge 2 ]'
    second_watcher "$dir/kn-$part.log" kn-$part > "$dir/second.log"
    check "killed, $part: the new watcher logs no error" bash -c '! grep -q "^Error " "$1"' _ "$dir/second.log"
    [ "$(grep -c '^Error ' "$dir/second.log")" -eq 0 ] || grep '^Error ' "$dir/second.log"
    check "killed, $part: it adopted the application, \"Hung\", then \"Start\"" \
        in_order "$dir/second.log" "^Adopt $(re "$app"): process $(stamp "$dir/stamps.txt" S 1 3)\$" \
        "^Hung $(re "$app"): $cause\$" "^Start $(re "$app"): process"
    eval "pid=\$killed_${part}_watcher"
    check "killed, $part: the watcher stops" stop_watcher "$dir" kn-$part $pid
done

summary
