#!/usr/bin/env bash
# The name space of instance events on Linux: a private directory, refused with a text
# that says what is wrong when it is not; another user can neither stop a watcher nor
# pass for one; and no descriptor of keeper's reaches the application, after restarts too.
source "$(dirname "$0")/lib.sh"
if is_windows; then
    echo "skip - the name space directory and FIFOs exist on Linux only"
    summary
    exit
fi
root() { [ "$(id -u)" -eq 0 ]; }

# --- an unfit name space or event: one entry saying which, nothing launched ----------------
# spoil_* SPACE: makes the directory SPACE (or the event kn_KEEPER-DEMO in it) unfit
spoil_symlink() { mkdir -m 700 "$1.real"; ln -s "$1.real" "$1"; }
spoil_file() { echo x > "$1"; }
spoil_group_writable() { mkdir -m 700 "$1"; chmod 770 "$1"; }
spoil_world_writable() { mkdir -m 700 "$1"; chmod 1777 "$1"; }
spoil_readable() { mkdir -m 700 "$1"; chmod 755 "$1"; }
spoil_others_search() { mkdir -m 700 "$1"; chmod 701 "$1"; }        # bits for others only
spoil_others_read_search() { mkdir -m 700 "$1"; chmod 705 "$1"; }
spoil_other_owner() { mkdir -m 700 "$1"; chown 65534:65534 "$1"; }
spoil_event_file() { mkdir -m 700 "$1"; echo x > "$1/kn_KEEPER-DEMO"; }
spoil_event_symlink() { mkdir -m 700 "$1"; mkfifo -m 600 "$1/elsewhere"; ln -s elsewhere "$1/kn_KEEPER-DEMO"; }
spoil_event_directory() { mkdir -m 700 "$1" "$1/kn_KEEPER-DEMO"; }
spoil_event_other_owner() { mkdir -m 700 "$1"; mkfifo -m 600 "$1/kn_KEEPER-DEMO"; chown 65534 "$1/kn_KEEPER-DEMO"; }
cases=(
    "symlink|is a symbolic link"
    "file|is not a directory"
    "group_writable|is open to other users (it must have mode 0700)"
    "world_writable|is open to other users (it must have mode 0700)"
    "readable|is open to other users (it must have mode 0700)"
    "others_search|is open to other users (it must have mode 0700)"
    "others_read_search|is open to other users (it must have mode 0700)"
    "other_owner|is owned by another user|root"
    "event_file|is not a FIFO"
    "event_symlink|is not a FIFO"
    "event_directory|is not a FIFO"
    "event_other_owner|is owned by another user|root"
)
n=0
for entry in "${cases[@]}"; do
    IFS='|' read -r what text needs <<< "$entry"
    n=$((n + 1))
    if [ "$needs" = root ] && ! root; then echo "skip - $what: needs root to give a file away"; continue; fi
    dir=$work/space-$n
    install_keeper "$dir" kn
    settings "$dir" kn "60000 $dir/launches" 0
    run=$dir/run
    mkdir -m 700 "$run"
    "spoil_$what" "$run/keeper"
    (cd "$dir" && XDG_RUNTIME_DIR=$run exec timeout 30 ./kn)
    code=$?
    check "$what: exit code 8: a call of the system failed (got $code)" [ "$code" -eq 8 ]
    case $what in event_*) subject="An instance event in $run/keeper";;
                  *) subject="The directory $run/keeper of the instance events";; esac
    check "$what: one entry 'Error CreateEvent: $subject $text'" \
        [ "$(count_lines "$dir/kn.log" "Error CreateEvent: $subject $text")" -eq 1 \
          -a "$(line_count "$dir/kn.log")" -eq 1 ]
    check "$what: nothing launched" [ ! -e "$dir/launches" ]
done

# A fresh name space is made private.
dir=$work/fresh
install_keeper "$dir" kn
settings "$dir" kn 60000 0
run=$dir/run
mkdir -m 700 "$run"
(cd "$dir" && XDG_RUNTIME_DIR=$run exec ./kn) &
watcher=$!
wait_for 20 has_line "$dir/kn.log" "Start kn"
check "fresh: the directory is created with mode 0700" [ "$(stat -c %a "$run/keeper")" = 700 ]
check "fresh: the event is a FIFO of mode 0600" [ "$(stat -c %F/%a "$run/keeper/kn_KEEPER-DEMO")" = fifo/600 ]
(cd "$dir" && XDG_RUNTIME_DIR=$run ./kn /u)
wait_for 20 ended $watcher

# --- other users ---------------------------------------------------------------------------
if ! root || ! command -v setpriv > /dev/null; then
    echo "skip - other users: needs root and setpriv"
else
    # Two user ids nobody has, so /tmp/keeper-<uid> is theirs alone; removed at the end.
    pick_uid() {
        local uid
        for _ in $(seq 50); do
            uid=$((40000 + RANDOM % 20000))
            if ! getent passwd "$uid" > /dev/null && [ ! -e /tmp/keeper-$uid ] && [ "$uid" != "${1:-}" ]; then
                echo "$uid"; return; fi
        done
        return 1
    }
    victim=$(pick_uid) attacker=$(pick_uid "$victim")
    trap 'rm -rf "/tmp/keeper-$victim" "/tmp/keeper-$attacker"; finish' EXIT
    as() { local uid=$1; shift; setpriv --reuid="$uid" --regid="$uid" --clear-groups env -u XDG_RUNTIME_DIR "$@"; }
    dir=$work/users
    install_keeper "$dir" kv
    settings "$dir" kv "60000 $dir/launches" 0
    chmod 755 "$work" "$dir"
    chmod 644 "$dir/kv.cfg"
    chown "$victim" "$dir"
    space=/tmp/keeper-$victim
    victim_run() { (cd "$dir" && as "$victim" timeout 30 ./kv "$@"); }
    already="Watching on the module KEEPER-DEMO is already started on this computer."

    # The attacker is first in /tmp: a directory of its own with an event of the victim's
    # name in it, or a link to a directory of its own.
    as "$attacker" mkdir -m 700 "$space"
    as "$attacker" mkfifo -m 600 "$space/kv_KEEPER-DEMO"
    victim_run
    check "attacker's directory first: the victim says so" \
        has_line "$dir/kv.log" "Error CreateEvent: The directory $space of the instance events is owned by another user"
    check "attacker's directory first: the victim does not take it for a watcher" \
        [ "$(count_lines "$dir/kv.log" "$already")" -eq 0 ]
    rm -rf "$space"
    as "$attacker" mkdir -m 700 "/tmp/keeper-$attacker"
    as "$attacker" ln -s "/tmp/keeper-$attacker" "$space"
    victim_run
    check "attacker's link first: the victim says so" \
        has_line "$dir/kv.log" "Error CreateEvent: The directory $space of the instance events is a symbolic link"
    check "attacker's link first: nothing launched" [ ! -e "$dir/launches" ]
    rm -rf "$space"

    # The victim's own watcher: the attacker can neither stop it nor pass for it.
    (cd "$dir" && exec setpriv --reuid="$victim" --regid="$victim" --clear-groups \
        env -u XDG_RUNTIME_DIR ./kv) &
    watcher=$!
    check "victim's watcher: starts in /tmp/keeper-<uid>" wait_for 20 has_line "$dir/kv.log" "Start kv"
    check "victim's watcher: the directory is the victim's, mode 0700" \
        [ "$(stat -c %u/%a "$space")" = "$victim/700" ]
    before=$(line_count "$dir/kv.log")
    attacker_dir=$work/attacker
    install_keeper "$attacker_dir" kv
    settings "$attacker_dir" kv 60000 0
    chown -R "$attacker" "$attacker_dir"
    (cd "$attacker_dir" && as "$attacker" timeout 30 ./kv /u)
    (cd "$attacker_dir" && as "$attacker" timeout 30 sh -c "printf x > '$space/kv_KEEPER-DEMO'") 2>/dev/null
    check "attacker: cannot write the victim's event" [ $? -ne 0 ]
    sleep 1
    check "attacker: the victim's watcher keeps running" alive "$watcher"
    check "attacker: and logged nothing" [ "$(line_count "$dir/kv.log")" -eq "$before" ]
    (cd "$attacker_dir" && as "$attacker" timeout 30 ./kv /u)  # an idle stopper of its own
    (cd "$attacker_dir" && as "$attacker" timeout 30 ./kv) &
    other=$!
    check "attacker: its own invocation is a watcher of its own, not a duplicate" \
        wait_for 20 has_line "$attacker_dir/kv.log" "Start kv"
    (cd "$attacker_dir" && as "$attacker" timeout 30 ./kv /u)
    wait_for 20 ended "$other"
    victim_run /u
    check "victim: its own stop request ends its watcher" wait_for 20 ended "$watcher"
    check "victim: which logs its stop" has_line "$dir/kv.log" "Stop kv"
fi

# --- no descriptor of keeper's in the application, at its first launch or after restarts ---
dir=$work/descriptors
install_keeper "$dir" kd
cp "$bin/keeper-demo" "$dir/security-fds"  # a name of its own: no other instance is adopted
printf '[Settings]\nApplicationName=%s\nParameters=700\nSleepInterval=0\n' "$dir/security-fds" > "$dir/kd.cfg"
(cd "$dir" && exec ./kd) &
watcher=$!
restart="Restart $dir/security-fds"
three() { [ "$(count_lines "$dir/kd.log" "$restart")" -ge 3 ]; }
wait_for 30 three
# What the application may hold: descriptors the shell that started keeper holds as well.
targets() { for fd in /proc/"$1"/fd/*; do readlink "$fd"; done 2>/dev/null | sort -u; }
mine=$( (targets $$; echo /dev/null) | sort -u)
held=""
for _ in 1 2 3 4 5; do  # each instance lives 700 ms: read one that is still there
    child=$(pgrep -n -f -- "$dir/security-fds")
    held=$(targets "$child")
    [ -n "$held" ] && break
    sleep 0.1
done
extra=$(comm -23 <(echo "$held") <(echo "$mine"))
echo "# application's descriptors after 3 restarts: $(echo $held)"
check "after 3 restarts: the application holds nothing the shell did not give${extra:+ (holds: $extra)}" \
    [ -n "$held" -a -z "$extra" ]
(cd "$dir" && ./kd /u)
wait_for 20 ended $watcher

summary
