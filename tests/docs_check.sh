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
#   <!-- docs-check: build -->     the commands that build one CMake preset each, as
#                                  "cmake --preset P && cmake --build --preset P" and
#                                  "&& ctest --preset P" where P has tests: every preset of
#                                  CMakePresets.json is named, each with its tests
#   <!-- docs-check: not-here (reason) -->  cannot run on this machine (a systemd user
#                                  instance, the user's crontab, a detached keeper): checked
#                                  for shell syntax and for using only keeper's documented
#                                  switches
# ```bat blocks (Windows) cannot run here either: their keeper and schtasks switches are
# checked against the documented sets.
# Beyond the commands: every message keeper writes is explained in the guide and the man
# page, and every log line they show is one keeper writes; every key is explained in both;
# the example settings files show every opt-in key and [Environment] commented out; the
# unit file shown in the guide is the one shipped, the facts users trip on are written
# down (settings, stopping, adoption, launchers, the application's run), the man page
# renders cleanly, and local links resolve.
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
# program (a copy of sleep, which ends at once without arguments).
app=$root/opt/server/bin/server
mkdir -p "$(dirname "$app")" && cp "$(command -v sleep)" "$app"
[ -f "$root/usr/share/doc/keeper/examples/keeper.cfg" ] &&
    sed -i "s|^ApplicationName=/opt/server/bin/server|ApplicationName=$app|" \
        "$root/usr/share/doc/keeper/examples/keeper.cfg"
into_root() { sed -e "s|/usr/bin/keeper|$root/usr/bin/keeper|g" -e "s|/usr/share/doc/keeper|$root/usr/share/doc/keeper|g" "$1"; }

keeper_switches_ok() { # every keeper switch in FILE is documented
    ! grep -oE "(^|@reboot |env -u [A-Z_]+ |setsid (-f )?)[^ ]*keeper(64)?(\.exe)? [^|>&;'\"]*" "$1" |
        sed -E 's/^.*keeper(64)?(\.exe)? / /' | grep -oE ' [/-][A-Za-z]+' | grep -vqE '^ [/-][uliLI]$'
}
schtasks_ok() { # schtasks lines use the documented actions and switches
    ! grep -E '^schtasks ' "$1" | grep -oE ' /[a-z]+' | grep -vqxE ' /(create|run|query|delete|tn|sc|tr|f)'
}

# The presets of CMakePresets.json, by kind (configure, build, test).
presets() { cmake --list-presets="$1" 2>/dev/null | sed -n 's/^ *"\([^"]*\)".*/\1/p'; }
configure_presets=$(presets configure) build_presets=$(presets build) test_presets=$(presets test)
build_line_ok() { # "cmake --preset P && cmake --build --preset P [&& ctest --preset P]"
    [[ $1 =~ ^cmake\ --preset\ ([a-z0-9-]+)\ \&\&\ cmake\ --build\ --preset\ ([a-z0-9-]+)(\ \&\&\ ctest\ --preset\ ([a-z0-9-]+))?$ ]] &&
        [ "${BASH_REMATCH[2]}" = "${BASH_REMATCH[1]}" ] && grep -qx -- "${BASH_REMATCH[1]}" <<< "$configure_presets" &&
        grep -qx -- "${BASH_REMATCH[1]}" <<< "$build_presets" &&
        { [ -z "${BASH_REMATCH[4]}" ] || { [ "${BASH_REMATCH[4]}" = "${BASH_REMATCH[1]}" ] &&
                                            grep -qx -- "${BASH_REMATCH[1]}" <<< "$test_presets"; }; }
}
built=()

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
                            bash -c 'grep -q " Start keeper" <<< "$1" && grep -q " Restart " <<< "$1" && grep -q " Stop keeper" <<< "$1"' _ "$demo"
                        check "$where: scripts/demo stops the demo program with keeper (StopApplication)" \
                            bash -c 'grep -q " Stop ./keeper-demo" <<< "$1" && grep -qx "== keeper-demo has ended too" <<< "$1"' _ "$demo" ;;
                    *) rest=${rest%%#*}; rest=${rest%"${rest##*[! ]}"}
                       check "$where: scripts/test-all runs '$cmd $rest'" grep -qE "^ *$cmd $rest( |\$)" scripts/test-all ;;
                    esac
                done < "$body" ;;
            build)
                while read -r cmd; do
                    [ -n "$cmd" ] || continue
                    check "$where: '$cmd' builds one preset" build_line_ok "$cmd"
                    built+=("$cmd")
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

# Every preset is built by a documented command, and every preset with tests tested by it.
check "CMakePresets.json has presets" [ -n "$configure_presets" ]
for preset in $configure_presets; do
    command="cmake --preset $preset && cmake --build --preset $preset"
    if grep -qx -- "$preset" <<< "$test_presets"; then command+=" && ctest --preset $preset"; fi
    check "README.md gives the commands of preset $preset: $command" \
        bash -c 'printf "%s\n" "${@:2}" | grep -qxF -- "$1"' _ "$command" "${built[@]}"
done
# The quick start stays two commands.
quick=$(awk '/^## Quick start/ { on = 1; next } /^## / { on = 0 } on && /^```sh$/ { inside = 1; next }
             inside && /^```$/ { inside = 0 } inside { sub(/ *#.*/, ""); print }' README.md)
check "README.md: the quick start is scripts/demo and scripts/test-all" [ "$(echo $quick)" = "scripts/demo scripts/test-all" ]

# What the runnable commands of the guide did: keeper watched the program and stopped.
log=$HOME/.local/state/keeper/keeper.log
has_entry() { [ -f "$log" ] && grep -q " $1"$'\r$' "$log"; }
wait_for() { local deadline=$((SECONDS + $1)); shift; until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.1; done; }
check "guide: the quick start's keeper started" has_entry "Start keeper"
check "guide: it launched the configured program" has_entry "Start $app"
check "guide: keeper /u stopped it" wait_for 10 has_entry "Stop keeper"
check "guide: the log shown by cat is the log written" grep -q " Start keeper" "$work/run.out"
check "guide: keeper started again after the waiting stopper became the watcher again" \
    [ "$(grep -c " Start keeper"$'\r$' "$log" 2>/dev/null)" -ge 2 ]
check "guide: and was no duplicate" bash -c '! grep -q " Watching on the module " "$1"' _ "$log"
check "guide: the example settings give no \"Invalid value\" or \"Unknown key\" line" \
    bash -c '[ -f "$1" ] && ! grep -qE " (Invalid value of |Unknown key in Settings: )" "$1"' _ "$log"

# --- every message keeper writes is explained ---------------------------------------------
guide=docs/guide.md
man_text=$(MANWIDTH=200 man -l docs/keeper.1 2>/dev/null | col -bx | tr -s ' \n' ' ')
guide_text=$(tr -s ' \n' ' ' < "$guide")
# messages_but NAMES: the texts of the message table but those whose name ends in NAMES (an
# extended regular expression): the month and day names are the locale's stand-ins.
messages_but() {
    sed -nE 's/^KEEPER_MESSAGE\([0-9]+, ([A-Za-z0-9]+), "(.*)"\)$/\1 \2/p' src/resources/messages.def |
        grep -vE "^[A-Za-z0-9]*$1 " | sed 's/^[A-Za-z0-9]* //'
}
# Messages by identifier: the log and box messages, the box caption and the I/O reasons.
while IFS= read -r text; do
    # A message with %s or %d is looked for piece by piece.
    IFS=$'\x01' read -ra pieces <<< "$(sed -e 's/%[sdp]/\x01/g' -e 's/\\r\\n/\x01/g' -e 's/\\n/\x01/g' <<< "$text")"
    for piece in "${pieces[@]}"; do
        piece=$(sed -e 's/^ *//' -e 's/ *$//' <<< "$piece")
        [ ${#piece} -ge 2 ] || continue
        check "guide explains \"$piece\"" grep -qF -- "$piece" <<< "$guide_text"
    done
done < <(messages_but '(Abbreviation|Name|EncodeErrorText)')
# The man page names every log entry and every line of a query or a misconfiguration too,
# piece by piece; the fatal report and its reasons are named below.
while IFS= read -r text; do
    IFS=$'\x01' read -ra pieces <<< "$(sed -e 's/%[sdp]/\x01/g' -e 's/\\n/\x01/g' <<< "$text")"
    for piece in "${pieces[@]}"; do
        piece=$(sed -e 's/^ *//' -e 's/ *$//' <<< "$piece")
        [ ${#piece} -ge 2 ] || continue
        check "the man page explains \"$piece\"" grep -qF -- "$piece" <<< "$man_text"
    done
done < <(messages_but '(Abbreviation|Name|EncodeErrorText|ExceptionReportText|ApplicationErrorText|InOutErrorText|FileNotFoundText|InvalidFileNameText|TooManyOpenFilesText|AccessDeniedText|ReadBeyondEndText|DiskFullText|InvalidNumericInputText)')
for text in "A module name is not defined." "Watching on the module" "is already started on this computer." \
            "Start" "Restart" "Stop" "Terminate" "Still running" "Error" "CreateEvent" "WaitForMultipleObjects:" "WaitForSingleObject:" "Application Error" \
            "Exception EInOutError in module" "File access denied" "Invalid filename" "File not found"; do
    check "the man page names \"$text\"" grep -qF -- "$text" <<< "$man_text"
done
# entry_ok TEXT: TEXT (a log line after its time stamp) is an entry keeper writes, in the
# form the message table gives it; an exit code is in hexadecimal too exactly from 0x10000
# on, and a signal's name is that of its number.
process_re=': process [1-9][0-9]*$'
end_re='^End .+: (exit code ([0-9]+)( \((0x[0-9A-F]{8})\))?|exit code unknown|signal ([0-9]+) \((SIG[A-Z0-9]+)\)) after [0-9]+\.[0-9] s$'
watching_re='^Watching on the module [A-Z.-]+ is already started on this computer\.$'
invalid_re='^Invalid value of (MaxSleepInterval|LogFileLimit|Window|LogDetails|NoRestartExitCodes|Adoption|HangTimeout|ReadyTimeout|StopApplication|EndLeftovers|Environment): .'
entry_ok() {
    local entry=$1
    case $entry in
    "Start "*|"Restart "*) [[ $entry != *": process"* || $entry =~ $process_re ]] ;;
    "Stop "*|"Terminate "?*) true ;;
    "Hung "?*": "?*|"Still running "?*) true ;;
    "Ended what "?*" left running (processes: "[1-9]*")"|"Left running by "?*" (processes: "[1-9]*")") true ;;
    "Command line: "?*) true ;;
    "Adopt "*) [[ $entry =~ ^Adopt\ .+$process_re || $entry =~ ^Adopt\ .+:\ process\ [1-9][0-9]*,\ arguments\ .+$ ]] ;;
    "End "*)
        [[ $entry =~ $end_re ]] || return 1
        local code=${BASH_REMATCH[2]} hex=${BASH_REMATCH[4]} signal=${BASH_REMATCH[5]} name=${BASH_REMATCH[6]}
        if [ -n "$signal" ]; then [ "$name" = "SIG$(kill -l "$signal" 2>/dev/null)" ]
        elif [ -z "$code" ]; then true
        elif [ -n "$hex" ]; then [ "$code" -ge 65536 ] && [ $((hex)) -eq "$code" ]
        else [ "$code" -lt 65536 ]; fi ;;
    "Invalid value of "*) [[ $entry =~ $invalid_re ]] ;;
    "Unknown key in Settings: "?*|"Unknown section: "?*) true ;;
    "Duplicate key in Settings: "?*"; the first one counts"|"Duplicate section: "?*"; the first one counts") true ;;
    "Error "*) [[ $entry =~ ^Error\ -?[0-9]+:\  ]] ;;
    "Watching on the module "*) [[ $entry =~ $watching_re ]] ;;
    *) false ;;
    esac
}
log_lines_ok() { # every log line shown in the text on standard input is an entry keeper writes
    local line shown=0
    while IFS= read -r line; do
        shown=$((shown + 1))
        entry_ok "$(sed -E 's/^ *[0-9\/.]+ [0-9:]+( [AP]M)? //' <<< "$line")" || { echo "not an entry of keeper: $line"; return 1; }
    done < <(grep -E '^ *[0-9/.]+ [0-9:]+( [AP]M)? ')
    [ "$shown" -gt 0 ]
}
check "the log lines the guide shows come from keeper's message table" log_lines_ok < "$guide"
check "the log lines the man page shows come from keeper's message table" log_lines_ok <<< "$(MANWIDTH=200 man -l docs/keeper.1 2>/dev/null | col -bx)"
# Each key: a row of the guide's settings table and an item of the man page.
for key in ApplicationName Parameters SleepInterval MaxSleepInterval LogFileLimit \
           WorkingDirectory OutputFile Window LogDetails NoRestartExitCodes Adoption HangTimeout \
           ReadyTimeout StopApplication EndLeftovers; do
    check "guide and man page explain $key" \
        bash -c "grep -q '^| \`$key\` |' '$guide' && grep -A1 -x '\.TP' docs/keeper.1 | grep -qx '\.B $key'"
done
for switch in /u /l /i /s /? /v; do
    check "guide, man page and the zip's README.txt explain $switch" \
        bash -c "grep -q '^| \`$switch' '$guide' && grep -qF -- '$switch' <<< \"\$1\" && grep -q '^$switch ' packaging/windows/README.txt" _ "$man_text"
done
# The introduction of the settings file counts no keys: a count goes stale with each new key.
intro=$(awk '/^## The settings file$/ { on = 1; next } on && NF { print; found = 1; next } found { exit }' "$guide")
check "guide: the introduction of the settings file names keys without counting them" \
    bash -c '[ -n "$1" ] && ! grep -qiE "\<(one|two|three|four|five|six|seven|eight|nine|ten|[0-9]+) (opt-in )?keys?\>" <<< "$1"' _ "$intro"
# The zip holds one folder, keeper-VERSION-windows (tests/packaging/check_zip.sh): the
# Windows quick start says so, or its commands run in a folder without keeper.exe.
version=$(sed -n 's/^project(keeper VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
windows_start=$(awk '/^## Quick start on Windows$/ { on = 1; next } /^## / { on = 0 } on' "$guide" | tr -s ' \n' ' ')
check "guide: the Windows quick start names the zip's one folder keeper-$version-windows" \
    grep -qF "The zip holds one folder, \`keeper-$version-windows\`" <<< "$windows_start"
# Every example settings file that watches an interpreter adopts by command (or not at all):
# by name, any other program of that interpreter would be adopted.
interpreter_adopts_by_command() { # FILE START-RE END-RE: the blocks between START and END
    awk -v start="$2" -v end="$3" '
        $0 ~ start { inside = 1; interpreter = 0; adoption = 0; next }
        inside && $0 ~ end { inside = 0; if (interpreter && !adoption) { print FILENAME ":" NR; bad = 1 }; next }
        inside && /^ApplicationName=.*[\/\\](python[0-9.]*|perl|ruby|node|java|bash|sh)(\.exe)?$/ { interpreter = 1 }
        inside && /^Adoption=(command|off)$/ { adoption = 1 }
        END { exit bad }' "$1"
}
check "guide: an example that watches an interpreter sets Adoption=command" \
    interpreter_adopts_by_command "$guide" '^```ini$' '^```$'
check "man page: an example that watches an interpreter sets Adoption=command" \
    interpreter_adopts_by_command docs/keeper.1 '^[.]EX$' '^[.]EE$'

# --- what users trip on is written down ----------------------------------------------------
man_raw=$(MANWIDTH=200 man -l docs/keeper.1 2>/dev/null | col -bx)
check "the man page renders without warnings" [ -z "$(groff -man -Tutf8 -ww -z docs/keeper.1 2>&1)" ]
check "the man page renders no doubled full stop" bash -c '! grep -nE "[^.]\.\.([^./]|\$)" <<< "$1"' _ "$man_raw"
# The log is appended to, apart from the cut at 0x0E: no page says it is only appended to.
check "neither guide nor man page calls the log only ever appended to" \
    bash -c '! grep -qi "only ever appended" <<< "$1$2"' _ "$guide_text" "$man_text"
# Only ; starts a comment: no example settings file calls # one or uses one.
settings_files=(packaging/linux/keeper.cfg packaging/windows/keeper.cfg examples/keeper.cfg.in)
for file in "${settings_files[@]}"; do
    check "$file: no line starts with #" bash -c '! grep -q "^[[:blank:]]*#" "$1"' _ "$file"
    check "$file: does not call # a comment" \
        bash -c '! grep -qiE "(; or #|# or ;|#,? (are|is|start|starts|mark|marks) (a )?comment)" "$1"' _ "$file"
    check "$file: says that ; starts a comment" grep -qE '^;.*start with ;' "$file"
done
# The packaged example files show every opt-in key commented out, explained by the comment
# lines directly above it, and the section [Environment] commented out too: an
# uncommented header would make every line after it a variable of the application.
opt_in_explained() { # opt_in_explained FILE KEY
    awk -v key="$2" '
        index($0, ";" key "=") == 1 { set++; if (index(comment, key)) explained++ }
        /^;/ { comment = comment $0 "\n"; next }
        index($0, key "=") == 1 { active++ }
        { comment = "" }
        END { exit !(set == 1 && explained == 1 && active == 0) }' "$1"
}
environment_shown() { # ";[Environment]" explained above it and followed by ;NAME=value lines
    awk '
        $0 == ";[Environment]" { shown++; if (index(comment, "[Environment]")) explained++; after = 1; next }
        /^;/ { comment = comment $0 "\n"; if (after && /^;[A-Za-z_][A-Za-z0-9_]*=/) variables++; next }
        /^[[:blank:]]*\[/ && tolower($0) ~ /environment/ { active++ }
        { comment = ""; after = 0 }
        END { exit !(shown == 1 && explained == 1 && variables >= 1 && active == 0) }' "$1"
}
for file in packaging/linux/keeper.cfg packaging/windows/keeper.cfg; do
    for key in MaxSleepInterval LogFileLimit WorkingDirectory OutputFile Window LogDetails NoRestartExitCodes \
               Adoption HangTimeout ReadyTimeout StopApplication EndLeftovers; do
        check "$file: $key is there, commented out and explained" opt_in_explained "$file" "$key"
    done
    check "$file: [Environment] is shown commented out, explained, with a variable" environment_shown "$file"
    check "$file: one [Settings] section, first" \
        bash -c '[ "$(grep -c "^\[" "$1")" -eq 1 ] && [ "$(grep -m1 "^\[" "$1")" = "[Settings]" ]' _ "$file"
    # Every key the file sets or shows commented out before [Environment] is a key of the
    # guide's settings table: no misspelt or retired name.
    while read -r key; do
        check "$file: the key $key is in the guide's settings table" grep -q "^| \`$key\` |" "$guide"
    done < <(sed -n '/^;\[Environment\]$/q; s/^;\{0,1\}\([A-Za-z][A-Za-z0-9]*\)=.*/\1/p' "$file")
done
# Each fact as the guide and the man page (rendered) put it: DESCRIPTION|GUIDE-RE|MAN-RE.
while IFS='|' read -r what in_guide in_man; do
    check "guide: $what" grep -qE -- "$in_guide" <<< "$guide_text"
    check "man page: $what" grep -qE -- "$in_man" <<< "$man_text"
done <<'FACTS'
the hash sign starts no comment|`#` starts no comment|A # starts none
a ; later in a line belongs to the value|A `;` or `#` later in a line is part of the value|a ; or # later in a line is part of the value
the quotes around a whole Parameters value are removed|`Parameters="a b" "c d"` reaches the application as `a b" "c d`|Parameters="a b" "c d" reaches the application as a b" "c d
how to write two quoted arguments|`Parameters=""a b" "c d""`|Parameters=""a b" "c d""
adoption takes any process of the file name, someone else's sleep too|`ApplicationName=/usr/bin/sleep` keeper adopts whatever `sleep`|ApplicationName=/usr/bin/sleep adopts any sleep
a changed Parameters does not replace an adopted instance|a changed `Parameters` does not replace it|a changed Parameters takes effect only at the next launch
stop keeper before changing ApplicationName|Stop keeper before you change `ApplicationName`|Stop keeper first, then edit the file
without StopApplication, /u does not wait for the watcher to end|Without `StopApplication`, `keeper /u` does not wait for the watcher to end|Without StopApplication, keeper /u returns as soon as it has sent the request; it does not wait for the watcher to end
without StopApplication or back-off, a stop during a pause launches once more|the application is launched once more, then the watcher writes|the application is launched once more, then keeper stops
without StopApplication, or after the stopper's 2, wait for the Stop line before starting again|wait for the "Stop" line|wait for the old watcher's Stop line
with StopApplication, /u returns when the watcher has ended and keeper may start again at once|`keeper /u` ends the pause at once and returns only when the watcher has ended, so keeper may be started again right after it|keeper /u ends the pause at once and returns when the watcher has ended, and keeper may be started again right after it
StopApplication asks first, then ends the whole tree after the grace time|\*\*What still runs is ended by force, the application and every process it started\.\*\*|It waits for the end at most this many milliseconds, the grace time; what still runs then is ended by force
a process that left the process group escapes on Linux|A process that has left the group \(with `setsid`, or a daemon that detaches\) escapes on Linux|A process that has left the group \(with setsid\(1\), or a daemon that detaches\) escapes
an adopted instance is ended alone|\*\*An adopted instance\*\* \(one that ran before keeper.*is asked and ended alone|An adopted instance is asked and ended alone
a killed watcher leaves the application running, also with StopApplication|\*\*A killed watcher stops nothing\.\*\*|A watcher that is killed stops nothing: the application keeps running
the stopper's exit code 2|gives exit code 2|or gives up after this time plus 15 seconds with exit status 2
what the application leaves is ended after a polite stop too|\*\*Also when the application ended on the request\*\*|Once the application has ended, also on the request, what is left of its group is ended by force too
a stop ends the adopted instance, whichever it is|\*\*A stop ends the adopted instance, whichever it is\.\*\*|the stop ends the instance keeper adopted, whichever it is
under systemd, TimeoutStopSec must exceed StopApplication|`TimeoutStopSec` must exceed `StopApplication`|Under systemd, TimeoutStopSec must exceed this time
watch the worker, not its launcher|Watch the program that stays running, not its launcher|Name the worker itself in ApplicationName, not the launcher
a line with # in front of a key is named as an unknown key|`#SleepInterval=0` is the key `#SleepInterval` and named here|a misspelt SleepIntervall or #SleepInterval
keeper /s checks the settings file, with the lines|\*\*Check the file with `keeper /s` after every edit\.\*\*|run it after every edit of the file
remarks on the file's form reach the log with LogDetails only|the remarks on the file's form \(unknown keys and sections, anything given twice\) only with `LogDetails`|These entries come with LogDetails only
a file with the three original keys gives the original log|A file that uses only `ApplicationName`, `Parameters` and `SleepInterval` thus gives the log it always gave|A file with only the three original keys gives the log it always gave
control bytes in an entry are shown, not copied|each byte below 0x20 is shown as `\\x` and two hexadecimal digits|shows each byte below 0x20 as \\x and two hexadecimal digits
a held name always has a record, and 4 is never 3|exits with 4, never with 3|and exits with 4, never with 3
what the application leaves running is adopted; Adoption=off launches anew|\*\*What the application leaves running is adopted\.\*\*.*set `Adoption=off`|Set Adoption=off where only a new launch will do
WorkingDirectory and OutputFile are relative to the settings file|A relative path is taken from the folder of the settings file|A relative path is taken from the directory of the settings file
OutputFile=NUL hides the console|`OutputFile=NUL` discards the output and still hides the console|OutputFile=NUL discards the output and still hides the console
the output file is cut only at the next launch|A file that grows during one long run is only cut at the next launch|a file that grows during one long run is only cut at the next launch
Window is checked, then ignored, on Linux|On Linux the value is checked as on Windows \(with the same "Invalid value" line\) and then ignored|On Linux the value is checked as on Windows and then ignored
a settings file means the same on both targets|So a settings file means the same on both targets|a settings file means the same on both targets
an empty value in [Environment] removes the variable|`NAME=`, with nothing after the `=`, removes the variable|an empty value removes the variable
an unknown %NAME% stays as written|`%NOPE%` stays `%NOPE%`|%NOPE% stays %NOPE%
a code of NoRestartExitCodes stops keeper|then "Stop keeper", does not relaunch it, and exits with code 0|then Stop keeper, and exits with status 0 instead of relaunching it
keeper started detached on Linux|setsid keeper /i [^ ]+ /l [^ ]+ > /dev/null 2>&1 < /dev/null &|setsid keeper /i [^ ]+ /l [^ ]+ > /dev/null 2>&1 < /dev/null &
why: a closed terminal fails the application with EIO|the application's first write fails with EIO|its first write fails with EIO
the watcher removes its status record; the FIFOs stay, as removing them would race|The watcher removes its record when it ends.*would race with the next watcher|The watcher removes its status record when it ends; the FIFOs and the address stay, as removing them would race with the next watcher of the name
forking daemons: run them in the foreground; a title-rewriting program cannot be adopted by its command|### Forking daemons and programs that rewrite their title.*A program that rewrites its title cannot be adopted by its command|Run it in the foreground: nginx with Parameters=-g "daemon off;"
a relative ApplicationName is taken from keeper's current folder, /s shows the full path|A relative path \(`\./app\.sh`, `bin\\app\.exe`\) is taken from keeper's current folder|A relative path is taken from keeper's current directory, unlike WorkingDirectory and OutputFile
an error of an opt-in setting names it and its value|"Error 2: No such file or directory \(WorkingDirectory /srv/gone\)"|Error 2: No such file or directory \(WorkingDirectory /srv/gone\)
a failed launch exits with 5|5 . The launch failed \("Error …" in the log\), and the watcher ended|5 The launch failed and the watcher ended
no program named exits with 6, an unreadable settings file with 7|6 . Not configured: the settings file names no program.*7 . The settings file cannot be read: missing|6 Not configured: the settings file names no program\. 7 The settings file cannot be read
a failed call of the system exits with 8|8 . A call of the system failed: the instance event could not be made|8 A call of the system failed
a shell service's systemd-notify is heard only without --no-block|do not give it `--no-block`|do not give systemd-notify --no-block
NOTIFY_SOCKET is an abstract name, its @ a NUL byte|`@` stands for the NUL byte that starts the name in `sun_path`|the @ stands for the NUL byte that starts the name in sun_path
an abstract address's length counts no NUL after the name|gives the address's length without a NUL at the end|the address's length counts no NUL after the name
a whole command line in ApplicationName is named, with the module name it gives|`ApplicationName="C:\\Program Files\\My App\\mycmd.exe" /c exit 3`\. keeper launches it as it stands, but its module name becomes `MYCMD\.EXE" /C EXIT 3`|the application is launched, but its module name \(RUN" .*8080\) is no process's
the remark on arguments in ApplicationName reaches the log with LogDetails only|The remark on arguments in `ApplicationName` is one on the form too: the log has it only with `LogDetails`|so a running instance is never adopted\..* These entries come with LogDetails only
a path with blanks is no command line, and arguments without quotes are not told from one|A path with blanks is no command line.*arguments without quotes cannot be told from one|A path with blanks is none, and neither can arguments without quotes be told from one
so the module name /s shows is to be checked|The module name it shows must be the program's file name|the module name that keeper /s shows must be the program's file name
UTF-16 without its mark is named, not read|keeper reads UTF-16 only after its mark, so it finds nothing in such a file|is not read: keeper reads UTF.16 only after its mark
keeper /s names UTF-16 without its mark on Windows too|There, and on Linux too, `keeper /s` names a file in UTF-16 without its mark among its remarks|keeper /s names it among its remarks, without a line, on Windows too
FACTS
row=$(grep '^| `Parameters` |' "$guide")
check "guide: the settings table shows how to quote Parameters" \
    grep -qF '`Parameters="a b" "c d"` reaches the application as `a b" "c d`' <<< "$row"
check "guide: the settings table shows the quotes that work" grep -qF '`Parameters=""a b" "c d""`' <<< "$row"

# --- the guide's Python client of the notification protocol works ------------------------
# Its notify(), as the guide shows it, sends to an abstract name (NOTIFY_SOCKET=@name, as
# keeper gives it) and to a path (as a service manager may give it); keeper's use of the C
# client is tested by tests/e2e/notify.sh.
client=$(awk '/^```python$/ { inside = 1; next } inside && (/^```$/ || /^notify\(/) { exit } inside' "$guide")
if ! command -v python3 > /dev/null; then
    echo "skipped - the guide's Python client: no python3"
else
    check "guide: the Python client sends to NOTIFY_SOCKET=@name and to a path" \
        timeout 20 python3 - "$client" "$work/notify.socket" <<'PYTHON'
import os, socket, sys
exec(sys.argv[1])
name = "keeper-docs-%d" % os.getpid()
for given, bound in (("@" + name, "\0" + name), (sys.argv[2], sys.argv[2])):
    with socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM) as receiver:
        receiver.bind(bound)
        receiver.settimeout(5)
        os.environ["NOTIFY_SOCKET"] = given
        notify("READY=1")
        if receiver.recv(64) != b"READY=1":
            sys.exit(1)
PYTHON
fi

# --- the unit file in the guide is the one shipped ----------------------------------------
# The guide's ini block that starts with [Unit].
shown=$(awk '/^```ini$/ { inside = 1; first = 1; next } /^```$/ { inside = 0; unit = 0 }
             inside && first { unit = ($0 == "[Unit]"); first = 0 } inside && unit' "$guide")
check "the unit file shown in the guide is packaging/linux/keeper.service" \
    [ "$shown" = "$(sed -n '/^\[Unit\]/,$p' packaging/linux/keeper.service)" ]
if command -v systemd-analyze > /dev/null; then
    unit=$work/keeper.service
    into_root packaging/linux/keeper.service > "$unit"
    check "the shipped unit file passes systemd-analyze verify" \
        [ -z "$(systemd-analyze verify "$unit" 2>&1)" ]
fi

# --- local links and pictures resolve -------------------------------------------------------
# The guide's links stay inside docs/ (pictures from bench/results are installed beside
# it), so they resolve in the installed documentation folder too.
for doc in "${docs[@]}"; do
    dir=$(dirname "$doc")
    while read -r target; do
        target=${target%%#*}
        [ -n "$target" ] || continue
        case $target in http*|mailto:*) continue ;; esac
        check "$doc: the link to $target resolves" [ -e "$dir/$target" ]
        if [ "$doc" = docs/guide.md ]; then
            check "$doc: the link to $target stays in docs/" \
                bash -c '[[ "$(realpath -m "$1")" == "$2"/* ]]' _ "$dir/$target" "$repo/docs"
        fi
    done < <(grep -oE '\]\([^)]+\)' "$doc" | sed -E 's/^\]\((.*)\)$/\1/')
done

echo "$failures failed"
[ "$failures" -eq 0 ]
