#!/usr/bin/env bash
# Checks the Debian package: its control fields and files, then extracts it into a
# scratch root and lets the packaged keeper watch a program until keeper /u stops it.
# Usage: check_deb.sh DEB VERSION
set -u
[ $# -eq 2 ] && [ -n "$2" ] || { echo "usage: $0 DEB VERSION" >&2; exit 2; }
deb=$1 version=$2
# Every check below needs the package: one that is missing, empty or unreadable fails here.
if [ ! -e "$deb" ]; then problem="is missing"
elif [ ! -s "$deb" ]; then problem="is empty"
elif ! problem=$({ dpkg-deb --info "$deb" && dpkg-deb --fsys-tarfile "$deb"; } 2>&1 > /dev/null); then
    problem="is no package dpkg-deb reads: ${problem%%$'\n'*}"
else problem=; fi
if [ -n "$problem" ]; then echo "FAIL - $deb $problem"; exit 1; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/keeper-deb.XXXXXX")
. "$(dirname "$0")/../support/scratch_processes.sh"
# keeper and the program it watches run from copies in $work.
finish() { end_scratch_processes "$work"; rm -rf "$work"; }
trap finish EXIT
failures=0
pass() { echo "ok - $1"; }
fail() { failures=$((failures + 1)); echo "FAIL - $1"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
field() { dpkg-deb -f "$deb" "$1"; }
wait_for() { local deadline=$((SECONDS + $1)); shift; until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.1; done; }

check "Package is keeper" [ "$(field Package)" = keeper ]
check "Version is $version" [ "$(field Version)" = "$version" ]
check "Architecture is $(dpkg --print-architecture)" [ "$(field Architecture)" = "$(dpkg --print-architecture)" ]
check "Depends names libc6 with a version (computed by dpkg-shlibdeps)" \
    grep -qE '(^|, )libc6 \(>= [0-9.]+\)' <<< "$(field Depends)"
check "Maintainer is set" [ -n "$(field Maintainer)" ]
check "Section is admin" [ "$(field Section)" = admin ]
check "Description has a summary and a long text" [ "$(field Description | wc -l)" -ge 3 ]

files=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for path in ./usr/bin/keeper ./usr/share/man/man1/keeper.1.gz \
            ./usr/share/doc/keeper/examples/keeper.cfg ./usr/share/doc/keeper/examples/keeper.service \
            ./usr/share/doc/keeper/guide.md ./usr/share/doc/keeper/changelog.gz \
            ./usr/share/doc/keeper/copyright; do
    check "the package holds $path" grep -qx -- "$path" <<< "$files"
done
check "keeper is installed executable by all" \
    grep -qE '^-rwxr-xr-x .* \./usr/bin/keeper$' <<< "$(dpkg-deb -c "$deb")"

# lintian, where installed (it is optional). It exits with 1 on an error it finds and with
# 2 when it cannot read the package; a warning is a W: line with exit code 0: all three fail.
lintian_clean() {
    local out status
    out=$(lintian "$deb" 2>&1); status=$?
    [ $status -eq 0 ] && ! grep -qE '^[EW]: ' <<< "$out" && return 0
    echo "lintian exited with code $status:"; sed 's/^/    /' <<< "$out"
    return 1
}
if command -v lintian > /dev/null; then
    check "lintian reads the package and finds no error or warning" lintian_clean
else
    echo "skip - lintian is not installed"
fi

root=$work/root
dpkg -x "$deb" "$root"
doc=$root/usr/share/doc/keeper

# The copyright file: Debian's machine-readable format, and the licence of LICENSE.
copyright=$doc/copyright
dep5_field() { # dep5_field NAME: the first line of the field NAME
    sed -n "s/^$1: //p" "$copyright" | head -1
}
check "copyright: in the machine-readable format 1.0" \
    [ "$(head -1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]
check "copyright: one Files: * paragraph" [ "$(grep -c '^Files: \*$' "$copyright")" -eq 1 ]
check "copyright: held by the keeper authors since 2026" [ "$(dep5_field Copyright)" = "2026 the keeper authors" ]
check "copyright: under the Expat (MIT) licence" [ "$(dep5_field License)" = Expat ]
license=$(dirname "$0")/../../LICENSE
check "copyright: the licence text is that of LICENSE" \
    [ "$(sed -n '/^License: Expat$/,$p' "$copyright" | tail -n +2 | sed -e 's/^ //' -e 's/^\.$//')" = \
      "$(sed -n '/^Copyright (c)/,$p' "$license" | tail -n +3)" ]

# The installed pages: every relative link and picture resolves in the documentation folder.
pages=$(cd "$doc" && ls ./*.md)
check "the guide, the performance and the reliability notes are installed" \
    [ "$(echo $pages)" = "./guide.md ./performance.md ./reliability.md" ]
for page in $pages; do
    while read -r target; do
        target=${target%%#*}
        [ -n "$target" ] || continue
        case $target in *://*|mailto:*) continue ;; esac
        check "${page#./}: the link to $target resolves in /usr/share/doc/keeper" \
            bash -c '[ -e "$1" ] && [[ "$(realpath -m "$1")" == "$2"/* ]]' _ "$doc/$target" "$(realpath "$doc")"
    done < <(grep -oE '\]\([^)]+\)' "$doc/$page" | sed -E 's/^\]\((.*)\)$/\1/')
done
check "the guide links pictures, which are installed" \
    bash -c '[ "$(grep -c "](images/" "$1")" -ge 2 ]' _ "$doc/guide.md"
check "the man page reads as keeper(1)" \
    grep -q "keeper - keep one application running" <<< "$(lexgrog "$root/usr/share/man/man1/keeper.1.gz")"
check "the man page renders without warnings" \
    bash -c '[ -s "$1" ] && [ -z "$({ zcat "$1" | groff -man -Tutf8 -ww -z; } 2>&1)" ]' _ "$root/usr/share/man/man1/keeper.1.gz"

# The packaged keeper, as the guide shows it: settings and log outside /usr, the watched
# program a copy of sleep with a name of its own, so no other sleep is adopted.
home=$work/home
mkdir -p "$home/.config/keeper" "$home/.local/state/keeper" "$work/app"
app=$work/app/keeper-pkg-app
cp "$(command -v sleep)" "$app"
cfg=$home/.config/keeper/keeper.cfg
sed -e "s|^ApplicationName=.*|ApplicationName=$app|" -e 's|^Parameters=.*|Parameters=0.3|' \
    -e 's|^SleepInterval=.*|SleepInterval=$64|' "$root/usr/share/doc/keeper/examples/keeper.cfg" > "$cfg"
log=$home/.local/state/keeper/keeper.log
export XDG_RUNTIME_DIR=$work/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$root/usr/bin/keeper" /i "$cfg" /l "$log" &
watcher=$!
has() { [ -f "$log" ] && grep -q -- "$1"$'\r$' "$log"; }
check "the packaged keeper starts watching" wait_for 20 has " Start keeper"
check "it launches the program" wait_for 20 has " Start $app"
check "it relaunches the program after the pause" wait_for 20 has " Restart $app"
# Only a watcher that still runs when it is asked to stop can end on the request.
kill -0 $watcher 2> /dev/null; running=$?
watcher_ends() { [ $running -eq 0 ] && wait_for 20 bash -c "! kill -0 $watcher 2>/dev/null"; }
"$root/usr/bin/keeper" /u /i "$cfg"
check "keeper /u exits with code 0" [ $? -eq 0 ]
check "the watcher runs until keeper /u, then ends" watcher_ends
wait $watcher
check "the watcher exits with code 0" [ $? -eq 0 ]
check "its last entry is the stop" bash -c "tail -n1 '$log' | grep -q ' Stop keeper'\$'\r'\$"

echo "$failures failed"
[ "$failures" -eq 0 ]
