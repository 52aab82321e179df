# Shared by the end-to-end scripts. Usage of a script: SCRIPT BIN_DIR EXE_SUFFIX [RUNNER [KEEPER]]
# BIN_DIR holds keeper and keeper-demo; EXE_SUFFIX is .exe for Windows builds, whose
# programs run through RUNNER (scripts/wine-run); KEEPER is the executable under test
# (keeper64.exe for the 64-bit Windows build), by default BIN_DIR/keeper.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../support/scratch_processes.sh"
bin=$1
ext=$2
runner=${3:-}
keeper_program=${4:-$bin/keeper$ext}
work=$(mktemp -d "${TMPDIR:-/tmp}/keeper-e2e.XXXXXX")
failures=0
checks=0
# Each run gets its own name space for instance events on Linux.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"

finish() {
    # Another user of /tmp that removes the scratch folders of running tests fails checks
    # that then say nothing about keeper: the folder made first tells.
    [ -d "$work/run" ] || echo "# $work was removed by another process while the test ran"
    # The Wine session belongs to this run (its own prefix); on Linux keeper and the
    # programs it launched run from copies in $work. Then the script's own jobs.
    if is_windows; then
        wineserver -k 2>/dev/null || true
    else
        end_scratch_processes "$work" || echo "# still running from $work: $(scratch_pids "$work")"
    fi
    local jobs
    jobs=$(jobs -rp)
    # shellcheck disable=SC2086  # one identifier a word
    [ -z "$jobs" ] || kill -KILL $jobs 2>/dev/null || true
    if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "kept: $work"; fi
}
trap finish EXIT

is_windows() { [ -n "$ext" ]; }

# The path as keeper sees it: Wine maps the Unix root to drive Z:.
native_path() { if is_windows; then local p=${1//\//\\}; echo "Z:$p"; else echo "$1"; fi; }

pass() { checks=$((checks + 1)); echo "ok - $1"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL - $1"; }
check() { # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# install DIR NAME: keeper as DIR/NAME, beside its own copy of the demo program.
install_keeper() {
    mkdir -p "$1"
    cp "$keeper_program" "$1/$2$ext"
    cp "$bin/keeper-demo$ext" "$1/keeper-demo$ext"
}

# settings DIR NAME PARAMETERS [SLEEP]: a settings file watching the demo in DIR.
settings() {
    {
        printf '[Settings]\r\n'
        printf 'ApplicationName=%s\r\n' "$(native_path "$1/keeper-demo$ext")"
        printf 'Parameters=%s\r\n' "$3"
        [ $# -ge 4 ] && printf 'SleepInterval=%s\r\n' "$4"
    } > "$1/$2.cfg"
}

# config FILE COMMAND PARAMETERS [LINE...]: settings for COMMAND with PARAMETERS, then LINEs
# (more keys, or a section of their own).
config() {
    local file=$1 command=$2 parameters=$3 line
    shift 3
    {
        printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\n' "$(native_path "$command")" "$parameters"
        for line in "$@"; do printf '%s\r\n' "$line"; done
    } > "$file"
}

demo_module() { if is_windows; then echo "KEEPER-DEMO.EXE"; else echo "KEEPER-DEMO"; fi; }

keeper() { # keeper DIR NAME ARGS...: runs in DIR, in the foreground
    local dir=$1 name=$2; shift 2
    (cd "$dir" && $runner "./$name$ext" "$@")
}

# start_watcher DIR NAME [COMMAND...]: keeper DIR/NAME in the background, through COMMAND
# (env and its arguments, setpriv); its identifier in $watcher. What the watcher launches may
# outlive it: neither holds the test's output.
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

# wait_for TIMEOUT COMMAND...: true once the command succeeds, false after TIMEOUT seconds.
wait_for() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}
now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }

# count_lines FILE MESSAGE: entries whose message is MESSAGE, behind a time stamp or not.
count_lines() {
    [ -f "$1" ] || { echo 0; return; }
    # The message comes through the environment: awk -v would expand its backslashes.
    MESSAGE=$2 awk 'BEGIN { m = ENVIRON["MESSAGE"] }
                   { sub(/\r$/, ""); n = length($0) - length(m)
                     if ($0 == m || (n > 0 && substr($0, n) == " " m)) c++ }
                   END { print c + 0 }' "$1"
}
has_line() { [ "$(count_lines "$1" "$2")" -gt 0 ]; }
line_count() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }
matches() { [[ "$1" =~ $2 ]]; }
alive() { kill -0 "$1" 2>/dev/null; }
ended() { ! kill -0 "$1" 2>/dev/null; }
# gone PID: the process has ended (a zombie nobody has reaped yet counts as ended). Linux.
gone() { [ ! -e "/proc/$1" ] || [ "$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)" = Z ]; }
not() { ! "$@"; }

# messages LOG: the entries without their time stamps, e.g. "Start keeper".
messages() { [ -f "$1" ] && sed -E 's/\r$//; s/^ *[0-9][0-9/.-]*( [0-9][0-9:.]*( [AP]M)?)? //' "$1"; }
# entry LOG RE: the number of the first entry that matches the extended regular expression
# RE; 0 when none does.
entry() {
    local n=0 line
    while IFS= read -r line; do
        n=$((n + 1))
        [[ $line =~ $2 ]] && { echo "$n"; return; }
    done < <(messages "$1")
    echo 0
}
# in_order LOG RE...: the first entry that matches each RE comes after the first that
# matches the one before it.
in_order() {
    local log=$1 at=0 next re
    shift
    for re in "$@"; do
        next=$(entry "$log" "$re")
        [ "$next" -gt "$at" ] || return 1
        at=$next
    done
}
# A text as a regular expression that matches only itself.
re() { printf '%s' "$1" | sed 's/[][\\.*^$?+(){}|]/\\&/g'; }
same() { # same DESCRIPTION EXPECTED ACTUAL: the check, and both texts when they differ
    if [ "$2" = "$3" ]; then pass "$1"; else
        fail "$1"
        printf '# expected:\n%s\n# got:\n%s\n' "$2" "$3" | sed 's/^/#   /'
    fi
}

summary() {
    echo "$((checks - failures)) passed, $failures failed"
    [ "$failures" -eq 0 ]
}

# Error boxes under Wine need a display: start_display gives one (Xvfb) in $display.
can_show_boxes() { is_windows && command -v Xvfb && command -v xdotool && command -v import; } >/dev/null
# Wine's desktop process keeps the display of the first program of a session, so the
# session is ended before and after the programs that use the display.
start_display() {
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    display=:$((100 + RANDOM % 800))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
    xvfb=$!
    wait_for 10 env DISPLAY="$display" xdotool getmouselocation > /dev/null 2>&1
}
stop_display() {
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
}

# dismiss_box CAPTION SCREENSHOT: waits for the box captioned CAPTION, keeps a screenshot
# and clicks its OK button (there is no window manager to send keys to).
dismiss_box() {
    local window
    window=$(DISPLAY=$display timeout 30 xdotool search --sync --name "^$1\$" | head -1)
    [ -n "$window" ] || return 1
    sleep 0.5  # let it paint
    mkdir -p "$(dirname "$2")"
    DISPLAY=$display import -window root "$2"
    eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$window")"
    DISPLAY=$display xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT - 21)) \
        mousedown 1 sleep 0.2 mouseup 1
}
artifacts=$bin/../artifacts
