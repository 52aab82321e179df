# What the scripts that watch hang-app share: its copies and settings files, watchers
# started and stopped in the background, its stamps and the log's entries. Sourced after
# lib.sh by hangs.sh and notify.sh.

# Each part has an application name of its own, so that none adopts another's instance.
install_hang_app() { cp "$bin/hang-app$ext" "$1/$2$ext"; }

# hang_settings DIR NAME APPLICATION PARAMETERS [KEY=VALUE...]
hang_settings() {
    local dir=$1 name=$2 app=$3 parameters=$4
    shift 4
    {
        printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\n' "$(native_path "$app")" "$parameters"
        printf '%s\r\n' "$@"
    } > "$dir/$name.cfg"
}

# start_watcher DIR NAME [COMMAND...]: the watcher in the background, through COMMAND (env
# and its arguments, setpriv); its identifier in $watcher.
start_watcher() {
    local dir=$1 name=$2
    shift 2
    (cd "$dir" && exec "$@" $runner "./$name$ext" > /dev/null 2>&1) &
    watcher=$!
}

# stop_watcher DIR NAME PID [COMMAND...]: its stop request; true once it has ended.
stop_watcher() {
    local dir=$1 name=$2 pid=$3
    shift 3
    (cd "$dir" && "$@" $runner "./$name$ext" /u)
    wait_for 20 ended "$pid"
}

# recorded INSTANCE: the address of the notification socket that the watcher of INSTANCE
# (PROGRAM_MODULE) recorded beside its instance name for the next one; empty for none.
recorded() { cat "$XDG_RUNTIME_DIR/keeper/$1.notify" 2>/dev/null; }
# socket_of INSTANCE: that address; for an instance started before its first watcher, one
# recorded here first, as a watcher before would have, which the watcher then takes.
socket_of() {
    if [ -z "$(recorded "$1")" ]; then
        mkdir -p -m 0700 "$XDG_RUNTIME_DIR/keeper"
        printf '@keeper-test-%s-%s' "$$" "$1" > "$XDG_RUNTIME_DIR/keeper/$1.notify"
    fi
    recorded "$1"
}
# sends ADDRESS: a datagram to a socket at ADDRESS is sent (the test's own, which a watcher
# drops: the test is no process of an application's session).
sends() { [ -n "$1" ] && "$bin/hang-app" send "$1" /dev/null; }

# The stamps of the applications: "S <ms> <pid>" at each start, other letters for what they
# did; hang-app's format (see hang_app.cpp), which the scripts of notify.sh write too.
runs() { [ -f "$1" ] && awk '$1 == "S" { n++ } END { print n + 0 }' "$1" || echo 0; }
# stamp FILE LETTER [N] [FIELD]: field FIELD (default 2, the time) of the N-th line of that
# letter, the last one for N 0; -1 when there is none.
stamp() {
    [ -f "$1" ] || { echo -1; return; }
    awk -v l="$2" -v n="${3:-0}" -v f="${4:-2}" '{ sub(/\r$/, "") } $1 == l { c++; v[c] = $f }
        END { if (n == 0) n = c; print (n in v) ? v[n] : -1 }' "$1"
}

# The entries of a log without their time stamps.
entries() { [ -f "$1" ] && sed -E -e 's/\r$//' -e 's/^ *[0-9\/.]+( [0-9:]+( [AP]M)?)? //' "$1"; }
# in_order LOG RE...: entries that match each extended regular expression, in that order.
in_order() {
    local log=$1 entry
    shift
    while IFS= read -r entry; do
        [ $# -gt 0 ] || break
        [[ $entry =~ $1 ]] && shift
    done < <(entries "$log")
    [ $# -eq 0 ]
}
# A text as a regular expression that matches only itself.
re() { printf '%s' "$1" | sed 's/[][\\.*^$?+(){}|]/\\&/g'; }
# between VALUE LOW HIGH
between() { [ "$1" -ge "$2" ] && [ "$1" -lt "$3" ]; }
