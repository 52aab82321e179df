#!/usr/bin/env bash
# Checks the Debian package: its control fields and files, then extracts it into a
# scratch root and lets the packaged keeper watch a program until keeper /u stops it.
# Usage: check_deb.sh DEB VERSION
set -u
deb=$1 version=$2
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

# lintian, where installed (it is optional).
if command -v lintian > /dev/null; then
    check "lintian finds no error or warning" [ -z "$(lintian "$deb" 2>&1 | grep -E '^[EW]: ')" ]
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
    [ -z "$(zcat "$root/usr/share/man/man1/keeper.1.gz" | groff -man -Tutf8 -ww -z 2>&1)" ]

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
"$root/usr/bin/keeper" /u /i "$cfg"
check "keeper /u exits with code 0" [ $? -eq 0 ]
check "the watcher ends" wait_for 20 bash -c "! kill -0 $watcher 2>/dev/null"
wait $watcher
check "the watcher exits with code 0" [ $? -eq 0 ]
check "its last entry is the stop" bash -c "tail -n1 '$log' | grep -q ' Stop keeper'\$'\r'\$"

echo "$failures failed"
[ "$failures" -eq 0 ]
