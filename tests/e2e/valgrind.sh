#!/usr/bin/env bash
# The Linux program under valgrind's memcheck: every role but the watcher itself, whose
# pidfd calls this valgrind does not know, and the error report of a log that cannot be
# written. Any memory error, or a definite leak, makes the program exit with code 99.
source "$(dirname "$0")/lib.sh"
if is_windows || ! command -v valgrind > /dev/null; then
    echo "skip - valgrind runs the Linux program only"; exit 0
fi
memcheck="valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite"
module=$(demo_module)
# checked NAME EXPECTED_CODE DIR KEEPER ARGS...: runs under memcheck, its report in $work/NAME.vg
checked() {
    local name=$1 expected=$2 dir=$3 program=$4; shift 4
    local report=$work/${name//[^a-z]/-}
    (cd "$dir" && $memcheck --log-file="$report.vg" "./$program" "$@") 2> "$report.err"
    local code=$?
    check "$name: exit code $expected and a clean memcheck report" \
        [ "$code" -eq "$expected" -a ! -s "$report.vg" ]
    [ -s "$report.vg" ] && cat "$report.vg"
}

install_keeper "$work/m" km
checked "misconfigured" 7 "$work/m" km  # no settings file
check "misconfigured: the message" grep -qx "km: A module name is not defined." "$work/misconfigured.err"
checked "idle stopper" 7 "$work/m" km /u

install_keeper "$work/w" kw
settings "$work/w" kw 60000 0
(cd "$work/w" && exec ./kw) &
watcher=$!
wait_for 20 has_line "$work/w/kw.log" "Start kw"
checked "duplicate" 0 "$work/w" kw
check "duplicate: its entry" has_line "$work/w/kw.log" \
    "Watching on the module $module is already started on this computer."
checked "duplicate with /l and /i" 0 "$work/w" kw /l kw.log /i kw.cfg
checked "stopper" 0 "$work/w" kw /u
check "stopper: the watcher ends" wait_for 20 ended $watcher

# A log that cannot be opened: the report goes to standard error, with exit code 1.
install_keeper "$work/e" ke
settings "$work/e" ke 60000 0
mkdir "$work/e/ke.log"
checked "error report" 1 "$work/e" ke
first_line=$(head -1 "$work/error-report.err" | tr -d '\r')
check "error report: the exception and its message" \
    matches "$first_line" '^Application Error: Exception EInOutError in module ke at [0-9A-F]{8}\.$'

summary
