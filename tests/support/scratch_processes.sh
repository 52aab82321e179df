# Ends the processes a test run started from its own scratch folder, by identifier.
# keeper starts the applications it launches in sessions of their own, so they are no
# children of the test's shell; what marks them as the test's is their executable: a copy
# that lives in the scratch folder. Sourced by the end-to-end library, the documentation
# and package checks and scripts/crash-loop.

# scratch_pids DIR: the identifiers of the processes whose executable lies under DIR.
scratch_pids() {
    local dir
    dir=$(cd "$1" 2>/dev/null && pwd -P) || return 0  # the name /proc gives: links resolved
    find /proc -mindepth 2 -maxdepth 2 -path '/proc/[0-9]*/exe' -lname "$dir/*" -printf '%h\n' 2>/dev/null |
        cut -d/ -f3
}

# end_scratch_processes DIR: kills them, again until none is left (a watcher killed
# while it launches leaves a child that appears after the first look).
end_scratch_processes() {
    local pids
    for _ in 1 2 3 4 5; do
        pids=$(scratch_pids "$1")
        [ -n "$pids" ] || return 0
        # shellcheck disable=SC2086  # one identifier a word
        kill -KILL $pids 2>/dev/null
        sleep 0.1
    done
    [ -z "$(scratch_pids "$1")" ]
}
