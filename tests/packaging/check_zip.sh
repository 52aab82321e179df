#!/usr/bin/env bash
# Checks the Windows zip: its entries, CR LF line ends of the text files, the licence, the
# guide as HTML, every settings key and the [Environment] section explained, the bitness of each executable, and the
# version and manifest resources.
# Usage: check_zip.sh ZIP VERSION
set -u
[ $# -eq 2 ] && [ -n "$2" ] || { echo "usage: $0 ZIP VERSION" >&2; exit 2; }
zip=$1 version=$2
# Every check below needs the zip: one that is missing, empty or unreadable fails here.
if [ ! -e "$zip" ]; then problem="is missing"
elif [ ! -s "$zip" ]; then problem="is empty"
elif ! problem=$(unzip -tq "$zip" 2>&1); then problem="is no zip unzip reads: ${problem%%$'\n'*}"
else problem=; fi
if [ -n "$problem" ]; then echo "FAIL - $zip $problem"; exit 1; fi
top=keeper-$version-windows
work=$(mktemp -d "${TMPDIR:-/tmp}/keeper-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
pass() { echo "ok - $1"; }
fail() { failures=$((failures + 1)); echo "FAIL - $1"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

repo=$(cd "$(dirname "$0")/../.." && pwd)
expected=$(printf "$top/%s\n" LICENSE.txt README.txt keeper.cfg keeper.exe keeper64.exe \
               doc/guide.html doc/performance.html doc/reliability.html \
               doc/images/application-error-box.png doc/images/misconfigured-box.png \
               doc/images/relaunch.png | sort)
entries=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
check "the zip holds exactly keeper.exe, keeper64.exe, keeper.cfg, README.txt, LICENSE.txt and the HTML guide under $top/" \
    [ "$entries" = "$expected" ]
unzip -q "$zip" -d "$work"
dir=$work/$top

# Every line ends in CR LF: no LF without a CR before it, and the file ends in CR LF.
crlf_only() { [ -s "$1" ] && ! grep -q $'[^\r]$' "$1" && ! grep -q '^$' "$1" && [ "$(tail -c2 "$1" | od -An -tx1 | tr -d ' ')" = 0d0a ]; }
plain_ascii() { [ -s "$1" ] && ! LC_ALL=C grep -q '[^[:print:][:space:]]' "$1"; }
for file in README.txt keeper.cfg LICENSE.txt; do
    check "$file: every line ends in CR LF" crlf_only "$dir/$file"
    check "$file: plain ASCII text" plain_ascii "$dir/$file"
done
check "LICENSE.txt is LICENSE" cmp -s <(tr -d '\r' < "$dir/LICENSE.txt") "$repo/LICENSE"
check "LICENSE.txt is the MIT licence of the keeper authors" \
    bash -c 'grep -q "^MIT License" "$1" && grep -q "^Copyright (c) 2026 the keeper authors" "$1"' _ "$dir/LICENSE.txt"
check "README.txt points to the guide, doc\\guide.html" grep -qF 'doc\guide.html' "$dir/README.txt"
check "README.txt names LICENSE.txt" grep -q '^LICENSE.txt ' "$dir/README.txt"

# The guide as HTML: a page a browser shows in UTF-8, with CR LF line ends, holding every
# section of docs/guide.md; every local link, picture and #anchor of the pages resolves.
html=$dir/doc/guide.html
check "guide.html: an HTML page in UTF-8" \
    bash -c 'head -1 "$1" | grep -q "^<!DOCTYPE html>" && grep -q "<meta charset=\"utf-8\">" "$1"' _ "$html"
check "guide.html: every line ends in CR LF" crlf_only "$html"
while read -r heading; do
    check "guide.html: has the section \"$heading\"" grep -qF ">$heading</h2>" "$html"
done < <(sed -n 's/^## //p' "$repo/docs/guide.md" |
         sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's|`\([^`]*\)`|<code>\1</code>|g')
check "guide.html: the settings table shows the quotes around Parameters" \
    grep -qF '<code>Parameters=""a b" "c d""</code>' "$html"
check "guide.html: no Markdown table left unconverted" bash -c '[ -s "$1" ] && ! grep -q "^| " "$1"' _ "$html"
for page in "$dir"/doc/*.html; do
    name=doc/$(basename "$page")
    while read -r target; do
        case $target in *://*|mailto:*) continue ;; esac
        file=${target%%#*} anchor=${target#*#}
        [ "$anchor" = "$target" ] && anchor=
        if [ -n "$file" ]; then
            check "$name: the link to $target resolves in the zip" [ -f "$dir/doc/$file" ]
        fi
        if [ -n "$anchor" ]; then
            check "$name: the anchor #$anchor exists" grep -q "id=\"$anchor\"" "$dir/doc/${file:-$(basename "$page")}"
        fi
    done < <(grep -oE '(href|src)="[^"]*"' "$page" | sed -E 's/^(href|src)="(.*)"$/\2/' | sort -u)
done
check "README.txt names the version" grep -q "keeper $version for Windows" "$dir/README.txt"
for switch in /u /l /i /s; do
    check "README.txt explains $switch" grep -q "^$switch " "$dir/README.txt"
done

# Each key is set once, and comment lines directly above it explain it by name.
key_explained() { # key_explained FILE KEY
    tr -d '\r' < "$1" | awk -v key="$2" '
        /^;/ { comment = comment $0 "\n"; next }
        index($0, key "=") == 1 { set++; if (index(comment, key)) explained++ }
        { comment = "" }
        END { exit !(set == 1 && explained == 1) }'
}
for key in ApplicationName Parameters SleepInterval; do
    check "keeper.cfg: $key is set and explained by the comment above it" key_explained "$dir/keeper.cfg" "$key"
done
# The opt-in keys are there but commented out, each explained above its line.
opt_in_explained() { # opt_in_explained FILE KEY
    tr -d '\r' < "$1" | awk -v key="$2" '
        index($0, ";" key "=") == 1 { set++; if (index(comment, key)) explained++ }
        /^;/ { comment = comment $0 "\n"; next }
        index($0, key "=") == 1 { active++ }
        { comment = "" }
        END { exit !(set == 1 && explained == 1 && active == 0) }'
}
for key in MaxSleepInterval LogFileLimit WorkingDirectory OutputFile Window LogDetails NoRestartExitCodes \
           Adoption HangTimeout ReadyTimeout StopApplication; do
    check "keeper.cfg: $key is there, commented out and explained" opt_in_explained "$dir/keeper.cfg" "$key"
done
# The section [Environment] is shown commented out, explained above it and followed by a
# variable: an uncommented header would make every line after it a variable.
environment_shown() { # environment_shown FILE
    tr -d '\r' < "$1" | awk '
        $0 == ";[Environment]" { shown++; if (index(comment, "[Environment]")) explained++; after = 1; next }
        /^;/ { comment = comment $0 "\n"; if (after && /^;[A-Za-z_][A-Za-z0-9_]*=/) variables++; next }
        /^[[:blank:]]*\[/ && tolower($0) ~ /environment/ { active++ }
        { comment = ""; after = 0 }
        END { exit !(shown == 1 && explained == 1 && variables >= 1 && active == 0) }'
}
check "keeper.cfg: [Environment] is there, commented out, explained and with a variable" \
    environment_shown "$dir/keeper.cfg"
check "keeper.cfg: says that OutputFile=NUL still hides the console" \
    bash -c 'tr -d "\r" < "$1" | sed -n "s/^; *//p" | tr "\n" " " |
             grep -q "OutputFile=NUL discards the output and still hides the console"' _ "$dir/keeper.cfg"
check "keeper.cfg: recommends SleepInterval=1000 with MaxSleepInterval=300000" \
    grep -q "SleepInterval=1000 with MaxSleepInterval=300000" "$dir/keeper.cfg"
check "keeper.cfg: one [Settings] section" [ "$(grep -c '^\[Settings\]' "$dir/keeper.cfg")" -eq 1 ]

# PE header: machine and optional-header magic (PE32 for i386, PE32+ for x86-64), and a
# GUI subsystem (2).
pe_field() { # pe_field FILE OFFSET-FROM-PE-SIGNATURE SIZE
    local pe; pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx"$3" -j$((pe + $2)) -N"$3" "$1" | tr -d ' '
}
is_pe() { # is_pe FILE MACHINE MAGIC
    [ "$(head -c2 "$1")" = MZ ] && [ "$(pe_field "$1" 0 4)" = 00004550 ] &&
        [ "$(pe_field "$1" 4 2)" = "$2" ] && [ "$(pe_field "$1" 24 2)" = "$3" ] &&
        [ "$(pe_field "$1" 92 2)" = 0002 ]
}
check "keeper.exe: PE32 for i386, GUI subsystem" is_pe "$dir/keeper.exe" 014c 010b
check "keeper64.exe: PE32+ for x86-64, GUI subsystem" is_pe "$dir/keeper64.exe" 8664 020b

# Resources: the type table of .rsrc holds RT_VERSION (16) and RT_MANIFEST (24); the
# version block carries the project version and the file's own name.
has_resource_type() { # has_resource_type FILE TYPE-ID-HEX
    x86_64-w64-mingw32-objdump -p "$1" | grep -qE "^[0-9a-f]{3}   Entry: ID: 0x0*$2,"
}
version_value() { # version_value FILE NAME: the UTF-16 string after NAME
    strings -el "$1" | grep -A1 -x "$2" | tail -1
}
for exe in keeper.exe keeper64.exe; do
    check "$exe: has a version resource" has_resource_type "$dir/$exe" 10
    check "$exe: has a manifest resource" has_resource_type "$dir/$exe" 18
    check "$exe: FileVersion is $version" [ "$(version_value "$dir/$exe" FileVersion)" = "$version" ]
    check "$exe: OriginalFilename is $exe" [ "$(version_value "$dir/$exe" OriginalFilename)" = "$exe" ]
    check "$exe: the manifest asks for no elevation" grep -q 'requestedExecutionLevel level="asInvoker"' "$dir/$exe"

    check "$exe: stripped of symbols" bash -c "x86_64-w64-mingw32-objdump -t '$dir/$exe' | grep -q 'no symbols'"
done

# The packed keeper64.exe runs (this machine runs no 32-bit Windows programs): with the
# example settings pointed at a program that does not exist, it logs its start and the
# failed launch, and ends with exit code 5.
if [ -x /usr/lib/wine/wine64 ]; then
    own_prefix=
    if [ -z "${WINEPREFIX:-}" ]; then own_prefix=$(mktemp -d "${TMPDIR:-/tmp}/keeper-zip-wine.XXXXXX"); export WINEPREFIX=$own_prefix; fi
    MISSING="Z:${dir//\//\\}\\no-such-server.exe" awk '
        /^ApplicationName=/ { print "ApplicationName=" ENVIRON["MISSING"] "\r"; next } { print }' \
        "$dir/keeper.cfg" > "$dir/keeper64.cfg"
    (cd "$dir" && unset DISPLAY && WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64 timeout 120 /usr/lib/wine/wine64 ./keeper64.exe 2>/dev/null)
    check "keeper64.exe from the zip exits with code 5 after a failed launch" [ $? -eq 5 ]
    check "it logs its start" grep -q " Start keeper64"$'\r$' "$dir/keeper64.log"
    check "it logs the failed launch as Error 2" grep -q " Error 2: " "$dir/keeper64.log"
    if [ -n "$own_prefix" ]; then wineserver -k 2>/dev/null; rm -rf "$own_prefix"; fi
else
    echo "skip - no 64-bit Wine: the packed keeper64.exe is not run"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
