# What the scripts that watch hang-app share: its copies and settings files, its stamps and
# the instances to adopt. Sourced after lib.sh by hangs.sh and notify.sh.

# Each part has an application name of its own, so that none adopts another's instance.
install_hang_app() { cp "$bin/hang-app$ext" "$1/$2$ext"; }

# hang_settings DIR NAME APPLICATION PARAMETERS [KEY=VALUE...]: DIR/NAME.cfg.
hang_settings() { local file=$1/$2.cfg; shift 2; config "$file" "$@"; }
# hang_part DIR NAME APP PARAMETERS [KEY=VALUE...]: keeper DIR/NAME beside its own hang-app
# DIR/APP, with hang_settings for it.
hang_part() {
    local dir=$1 name=$2 app=$3
    shift 3
    install_keeper "$dir" "$name"
    install_hang_app "$dir" "$app"
    hang_settings "$dir" "$name" "$dir/$app$ext" "$@"
}

# start_adopting WHAT DIR NAME STAMPS [COMMAND...]: the watcher as start_watcher starts it,
# once the instance it is to adopt has stamped its start in STAMPS; $watcher is 0, and the
# part WHAT fails, when that instance does not start.
start_adopting() {
    local what=$1 dir=$2 name=$3 stamps=$4 limit=20
    shift 4
    is_windows && limit=30
    watcher=0
    if wait_for "$limit" grep -qs '^S ' "$stamps"; then
        start_watcher "$dir" "$name" "$@"
    else
        fail "$what: the instance to adopt started"
    fi
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
# first_run FILE LETTER: the lines of that letter before the second start.
first_run() { awk -v l="$2" '$1 == "S" { s++ } $1 == l && s == 1' "$1" 2>/dev/null; }
# last_of_first_run FILE LETTER: the time of the last line of that letter before the second
# start; 0 for none.
last_of_first_run() { first_run "$1" "$2" | awk '{ t = $2 } END { print (t == "" ? 0 : t) }'; }

# between VALUE LOW HIGH
between() { [ "$1" -ge "$2" ] && [ "$1" -lt "$3" ]; }
