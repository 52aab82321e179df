#!/usr/bin/env bash
# Checks that the documentation says what keeper does and that its commands work.
#
# Every ```sh block of README.md and docs/*.md carries a marker comment just above it:
#   <!-- docs-check: run -->       run for real, in order, in one shell per file, against the
#                                  extracted .deb in a scratch home: /usr/bin/keeper and
#                                  /usr/share/doc/keeper point into the extracted tree
#   <!-- docs-check: simulate -->  an apt command that would change the system: run with
#                                  apt-get --simulate
#   <!-- docs-check: ci -->        commands run by .ci/run: scripts/test-all (which .ci/run
#                                  runs) and commands scripts/test-all runs; scripts/demo is
#                                  run here for real
#   <!-- docs-check: not-here (reason) -->  cannot run on this machine (a systemd user
#                                  instance, the user's crontab): checked for shell syntax
#                                  and for using only keeper's documented switches
# ```bat blocks (Windows) cannot run here either: their keeper and schtasks switches are
# checked against the documented sets.
# Beyond the commands: every message keeper writes is explained in the guide and the man
# page, the unit file shown in the guide is the one shipped, and local links resolve.
#
# Usage: tests/docs_check.sh [DEB]   (default: the .deb in build/linux/packages)
set -u
cd "$(dirname "$0")/.."
repo=$PWD
deb=${1:-$(ls build/linux/packages/keeper_*.deb 2>/dev/null | head -1)}
work=$(mktemp -d "${TMPDIR:-/tmp}/keeper-docs.XXXXXX")
. tests/support/scratch_processes.sh
# keeper and the program it watches run from the package extracted into $work.
finish() { end_scratch_processes "$work"; rm -rf "$work"; }
trap finish EXIT
failures=0
pass() { echo "ok - $1"; }
fail() { failures=$((failures + 1)); echo "FAIL - $1"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

docs=(README.md docs/*.md)

# blocks FILE: the fenced blocks as records LINE, LANG, MARKER, BODY-FILE separated by 0x1F.
mkdir -p "$work/blocks"
blocks() {
    awk -v dir="$work/blocks" -v file="$1" '
        /^<!-- docs-check: / { marker = $3; sub(/ *-->$/, "", marker); next }
        !inside && /^```/ { inside = 1; lang = substr($0, 4); start = NR; n++
                            out = dir "/" file "." n; gsub("/", "_", out); out = dir "/" substr(out, length(dir) + 2)
                            printf "" > out; printf "%s\037%s\037%s\037%s\n", start, lang, marker, out; next }
        inside && /^```$/ { inside = 0; marker = ""; close(out); next }
        inside { print > out; next }
        NF { marker = "" }' "$1"
}

# --- the scratch setup for "run" blocks: the package extracted, a home of our own --------
root=$work/root
if [ -n "$deb" ] && [ -f "$deb" ]; then
    dpkg -x "$deb" "$root"
else
    fail "a .deb to run the documented commands against (build it with scripts/package linux)"
fi
export HOME=$work/home XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
# The edit the guide asks the reader to make: the example's ApplicationName names a real
# program (a copy of sleep, which ends at once on the example's parameters).
app=$root/opt/server/bin/server
mkdir -p "$(dirname "$app")" && cp "$(command -v sleep)" "$app"
[ -f "$root/usr/share/doc/keeper/examples/keeper.cfg" ] &&
    sed -i "s|^ApplicationName=/opt/server/bin/server|ApplicationName=$app|" \
        "$root/usr/share/doc/keeper/examples/keeper.cfg"
into_root() { sed -e "s|/usr/bin/keeper|$root/usr/bin/keeper|g" -e "s|/usr/share/doc/keeper|$root/usr/share/doc/keeper|g" "$1"; }

keeper_switches_ok() { # every keeper switch in FILE is documented
    ! grep -oE "(^|@reboot |env -u [A-Z_]+ )[^ ]*keeper(64)?(\.exe)? [^|>&;'\"]*" "$1" |
        sed -E 's/^.*keeper(64)?(\.exe)? / /' | grep -oE ' [/-][A-Za-z]+' | grep -vqE '^ [/-][uliLI]$'
}
schtasks_ok() { # schtasks lines use the documented actions and switches
    ! grep -E '^schtasks ' "$1" | grep -oE ' /[a-z]+' | grep -vqxE ' /(create|run|query|delete|tn|sc|tr|f)'
}

for doc in "${docs[@]}"; do
    [ -f "$doc" ] || continue
    runnable=$work/run-$(basename "$doc").sh
    echo 'set -e' > "$runnable"
    while IFS=$'\037' read -r line lang marker body; do
        where="$doc:$line"
        case $lang in
        sh)
            case $marker in
            run)
                into_root "$body" >> "$runnable" ;;
            simulate)
                while read -r cmd; do
                    [ -n "$cmd" ] || continue
                    check "$where: '$cmd' resolves (apt-get --simulate)" \
                        bash -c "${cmd/apt install/apt-get --simulate -qq install} > /dev/null"
                done < "$body" ;;
            ci)
                while read -r cmd rest; do
                    [ -n "$cmd" ] || continue
                    case $cmd in
                    scripts/test-all) check "$where: .ci/run runs scripts/test-all" grep -qx 'exec scripts/test-all' .ci/run ;;
                    scripts/demo)
                        demo=$(timeout 600 scripts/demo 2>&1)
                        check "$where: scripts/demo runs and ends with exit code 0" \
                            grep -q '^== keeper exited with code 0' <<< "$demo"
                        check "$where: scripts/demo shows a log with start, restart and stop" \
                            bash -c 'grep -q " Start keeper" <<< "$1" && grep -q " Restart " <<< "$1" && grep -q " Stop keeper" <<< "$1"' _ "$demo" ;;
                    *) rest=${rest%%#*}; rest=${rest%"${rest##*[! ]}"}
                       check "$where: scripts/test-all runs '$cmd $rest'" grep -qE "^ *$cmd $rest( |\$)" scripts/test-all ;;
                    esac
                done < "$body" ;;
            not-here*)
                check "$where: shell syntax" bash -n "$body"
                check "$where: only documented keeper switches" keeper_switches_ok "$body" ;;
            *)
                fail "$where: an sh block without a docs-check marker" ;;
            esac ;;
        bat)
            check "$where: only documented keeper switches (Windows, not run here)" keeper_switches_ok "$body"
            check "$where: only documented schtasks switches (Windows, not run here)" schtasks_ok "$body" ;;
        esac
    done < <(blocks "$doc")
    if [ "$(wc -l < "$runnable")" -gt 1 ]; then
        (cd "$HOME" && PATH=$root/usr/bin:$PATH timeout 120 bash "$runnable") > "$work/run.out" 2>&1
        check "$doc: the runnable commands succeed" [ $? -eq 0 ] || cat "$work/run.out"
    fi
done

# What the runnable commands of the guide did: keeper watched the program and stopped.
log=$HOME/.local/state/keeper/keeper.log
has_entry() { [ -f "$log" ] && grep -q " $1"$'\r$' "$log"; }
wait_for() { local deadline=$((SECONDS + $1)); shift; until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.1; done; }
check "guide: the quick start's keeper started" has_entry "Start keeper"
check "guide: it launched the configured program" has_entry "Start $app"
check "guide: keeper /u stopped it" wait_for 10 has_entry "Stop keeper"
check "guide: the log shown by cat is the log written" grep -q " Start keeper" "$work/run.out"

# --- every message keeper writes is explained ---------------------------------------------
guide=docs/guide.md
man_text=$(MANWIDTH=200 man -l docs/keeper.1 2>/dev/null | col -b | tr -s ' \n' ' ')
guide_text=$(tr -s ' \n' ' ' < "$guide")
# Messages by identifier: the log and box messages, the box caption and the I/O reasons.
while IFS= read -r text; do
    # A message with %s or %d is looked for piece by piece.
    IFS=$'\x01' read -ra pieces <<< "$(sed -e 's/%[sdp]/\x01/g' -e 's/\\r\\n/\x01/g' <<< "$text")"
    for piece in "${pieces[@]}"; do
        piece=$(sed -e 's/^ *//' -e 's/ *$//' <<< "$piece")
        [ ${#piece} -ge 2 ] || continue
        check "guide explains \"$piece\"" grep -qF -- "$piece" <<< "$guide_text"
    done
done < <(sed -nE 's/^KEEPER_MESSAGE\((6544[2-7]|6551[34]|6552[3-9]|65530), [A-Za-z]+, "(.*)"\)$/\2/p' src/resources/messages.def)
for text in "A module name is not defined." "Watching on the module" "is already started on this computer." \
            "Start" "Restart" "Stop" "Error" "CreateEvent" "WaitForMultipleObjects:" "Application Error" \
            "Exception EInOutError in module" "File access denied" "Invalid filename" "File not found"; do
    check "the man page names \"$text\"" grep -qF -- "$text" <<< "$man_text"
done
check "the log lines the guide shows come from keeper's message table" \
    bash -c "! grep -E '^[0-9/.]+ [0-9:]+( [AP]M)? ' '$guide' | sed -E 's/^[0-9\/.]+ [0-9:]+( [AP]M)? //' |
             grep -vE '^(Start|Restart|Stop) |^Watching on the module [A-Z.-]+ is already started on this computer\.\$|^Error -?[0-9]+: ' | grep -q ."
for key in ApplicationName Parameters SleepInterval; do
    check "guide and man page explain $key" bash -c "grep -q '| \`$key\` |' '$guide' && grep -q '$key' <<< \"\$1\"" _ "$man_text"
done
for switch in /u /l /i; do
    check "guide and man page explain $switch" bash -c "grep -q '^| \`$switch' '$guide' && grep -qF -- '$switch' <<< \"\$1\"" _ "$man_text"
done

# --- the unit file in the guide is the one shipped ----------------------------------------
shown=$(awk '/^```ini$/ { n++; inside = 1; next } /^```$/ { inside = 0 } inside && n == 2' "$guide")
check "the unit file shown in the guide is packaging/linux/keeper.service" \
    [ "$shown" = "$(sed -n '/^\[Unit\]/,$p' packaging/linux/keeper.service)" ]
if command -v systemd-analyze > /dev/null; then
    unit=$work/keeper.service
    into_root packaging/linux/keeper.service > "$unit"
    check "the shipped unit file passes systemd-analyze verify" \
        [ -z "$(systemd-analyze verify "$unit" 2>&1)" ]
fi

# --- local links and pictures resolve -------------------------------------------------------
# performance.md and reliability.md are written by their own authors; their links are
# checked once the pages exist.
for doc in "${docs[@]}"; do
    dir=$(dirname "$doc")
    while read -r target; do
        target=${target%%#*}
        [ -n "$target" ] || continue
        case $target in http*|mailto:*) continue ;; esac
        if [ ! -e "$dir/$target" ] && [[ $target =~ (performance|reliability)\.md$ ]]; then
            echo "pending - $doc links $target, which its author writes"
            continue
        fi
        check "$doc: the link to $target resolves" [ -e "$dir/$target" ]
    done < <(grep -oE '\]\([^)]+\)' "$doc" | sed -E 's/^\]\((.*)\)$/\1/')
done

echo "$failures failed"
[ "$failures" -eq 0 ]
