#!/usr/bin/env bash
# Adoption=name, command and off between running instances of one program that differ
# only in their arguments, the arguments an Adopt entry names, and an invalid value; on Linux also a link that leads to another
# file of the same name, and an interpreter run with other arguments.
source "$(dirname "$0")/lib.sh"

dir=$work/modes
mkdir -p "$dir"
cp "$bin/keeper-demo$ext" "$dir/app$ext"
cp "$keeper_program" "$dir/k$ext"
# The instances are told apart by the file each appends its start to.
params() { echo "600000 $(native_path "$dir/$1.launches")"; }
launches() { line_count "$dir/$1.launches"; }
launched() { [ "$(launches "$1")" -eq "$2" ]; }  # launched NAME COUNT

# Every instance a watch launched, each with its parameters: a rule that adopts by name may
# take any of them, whichever the process list gives first.
instances=()
declare -A params_of
# watch COMMAND PARAMETERS ADOPTION: keeper k in $dir, with LogDetails, watches COMMAND
# until its entry of the application ("Start" or "Adopt" with the process id), then is
# stopped; $taken is that entry's word and number ("Adopt 123"), $arguments the arguments
# an "Adopt" entry names, $log the log. An empty ADOPTION leaves the key out; the
# application keeps running after the stop.
watch() {
    {
        printf '[Settings]\r\nApplicationName=%s\r\nParameters=%s\r\n' "$(native_path "$1")" "$2"
        printf 'SleepInterval=0\r\nLogDetails=1\r\n'
        [ -z "$3" ] || printf 'Adoption=%s\r\n' "$3"
    } > "$dir/k.cfg"
    rm -f "$dir/k.log"
    (cd "$dir" && exec $runner "./k$ext" > /dev/null 2>&1) &
    local watcher=$!
    wait_for 30 grep -s -q -E ' (Start|Adopt) .*: process [0-9]+' "$dir/k.log"
    keeper "$dir" k /u
    wait_for 30 ended $watcher
    log=$(tr -d '\r' < "$dir/k.log" 2>/dev/null)
    taken=$(sed -n -E 's/^.* (Start|Adopt) .*: process ([0-9]+)(, arguments .*)?$/\1 \2/p' <<< "$log" | head -n 1)
    arguments=$(sed -n -E 's/^.* Adopt .*: process [0-9]+, arguments (.*)$/\1/p' <<< "$log" | head -n 1)
    if [[ $taken == Start* ]]; then
        instances+=("${taken#Start }")
        params_of[${taken#Start }]=$2
    fi
}
# adopted_any: $taken adopts one of the instances launched so far.
adopted_any() { matches "$taken" "^Adopt ($(IFS='|'; echo "${instances[*]}"))\$"; }
# names_arguments PARAMETERS: the "Adopt" entry names the adopted instance's arguments
# exactly when they are not PARAMETERS (none of them holds a blank).
names_arguments() {
    local want=${params_of[${taken#Adopt }]:-?}
    [ "$want" != "$1" ] || want=""
    [ "$arguments" = "$want" ]
}

# --- two instances that differ in their arguments -----------------------------------------
watch "$dir/app$ext" "$(params a)" ""
a_id=${taken#Start }
check "the first instance is launched (nothing runs yet): $taken" matches "$taken" '^Start [0-9]+$'
watch "$dir/app$ext" "$(params b)" command
b_id=${taken#Start }
check "command: launches when only an instance of other arguments runs: $taken" \
    matches "$taken" '^Start [0-9]+$'
check "command: a new instance beside the other one" [ "$b_id" != "$a_id" ]
check "command: and that one is left alone" wait_for 20 launched b 1 && launched a 1

watch "$dir/app$ext" "$(params a)" COMMAND
check "command (any case): adopts the instance of the configured arguments: $taken (a: $a_id)" \
    [ "$taken" = "Adopt $a_id" ]
check "command: the Adopt entry names no arguments ($arguments)" [ -z "$arguments" ]
watch "$dir/app$ext" "$(params b)" Command
check "command: and the other instance for the other arguments: $taken (b: $b_id)" \
    [ "$taken" = "Adopt $b_id" ]
watch "$dir/app$ext" "600000" command
check "command: fewer arguments than either instance has: launched ($taken)" \
    matches "$taken" '^Start [0-9]+$'

watch "$dir/app$ext" "$(params c)" ""
check "name (no key): adopts any instance, whatever its arguments: $taken (${instances[*]})" adopted_any
check "name (no key): the Adopt entry names the arguments it has instead: $arguments" \
    names_arguments "$(params c)"
watch "$dir/app$ext" "$(params c)" name
check "name: the same: $taken" adopted_any
check "name: nothing launched" launched c 0
watch "$dir/app$ext" "$(params a)" name
check "name: the Adopt entry names the arguments only when they differ: $taken, '$arguments'" \
    eval 'adopted_any && names_arguments "$(params a)"'

watch "$dir/app$ext" "$(params a)" off
check "off: launches beside the running instance of the same arguments: $taken" \
    matches "$taken" '^Start [0-9]+$' && [ "${taken#Start }" != "$a_id" ]
check "off: a second instance of those arguments runs" wait_for 20 launched a 2
watch "$dir/app$ext" "$(params b)" command
check "off: the running instance was left alone: still adopted ($taken)" [ "$taken" = "Adopt $b_id" ]

watch "$dir/app$ext" "$(params c)" sometimes
check "invalid value: named right after Start k" \
    [ "$(sed -n 2p <<< "$log" | sed 's/^.* Invalid/Invalid/')" = "Invalid value of Adoption: sometimes" ]
check "invalid value: the key counts as absent, and any instance is adopted: $taken" adopted_any

if is_windows; then
    summary
    exit
fi

# --- Linux: a link of the configured name that leads to another file of the same name ------
# /x/a/myapp -> /x/a/sleeper, and /x/b/myapp -> /x/b/sleeper, a copy of another program.
mkdir -p "$dir/a" "$dir/b"
cp "$bin/keeper-demo" "$dir/a/sleeper"
cp "$bin/command-line-app" "$dir/b/sleeper"
ln -s sleeper "$dir/a/myapp"
ln -s sleeper "$dir/b/myapp"
"$dir/b/myapp" 600000 > /dev/null 2>&1 &
other=$!
wait_for 20 test -s "$dir/b/sleeper.txt"
watch "$dir/a/myapp" "$(params link)" ""
check "link: the link to another file of the same name is not adopted: $taken (other: $other)" \
    matches "$taken" '^Start [0-9]+$'
link_id=${taken#Start }
watch "$dir/a/myapp" "$(params link)" ""
check "link: the one that runs the very file is: $taken" [ "$taken" = "Adopt $link_id" ]
{ kill -KILL $other; wait $other; } 2>/dev/null

# --- Linux: an interpreter with other arguments -----------------------------------------------
# Scripts that wait on a pipe without a child of their own; keeper runs them through sh.
mkfifo "$dir/pipe"
for script in one two; do
    printf 'exec 3<>"%s"\nread -r line <&3\n' "$dir/pipe" > "$dir/$script.sh"
done
sh_pids() { # the sh processes that run a script of $dir
    local p
    for p in /proc/[0-9]*; do
        case $( { tr '\0' ' ' < "$p/cmdline"; } 2>/dev/null) in "/bin/sh $dir/"*) echo "${p#/proc/}" ;; esac
    done
}
/bin/sh "$dir/one.sh" &
one=$!
watch /bin/sh "$dir/two.sh" command
check "interpreter: sh of another script is not adopted under command: $taken (one: $one)" \
    matches "$taken" '^Start [0-9]+$' && [ "${taken#Start }" != "$one" ]
watch /bin/sh "$dir/one.sh" command
check "interpreter: sh of the configured script is: $taken (one: $one)" [ "$taken" = "Adopt $one" ]
# shellcheck disable=SC2046  # one identifier a word
{ kill -KILL $(sh_pids); wait $one; } 2>/dev/null

summary
