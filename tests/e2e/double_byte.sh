#!/usr/bin/env bash
# Windows with the double-byte code page 932: the trail byte 0x5C of a character such
# as 表 (0x95 0x5C) is no path delimiter, in keeper's own name or in the command.
source "$(dirname "$0")/lib.sh"
if ! is_windows || ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf-\?8$'; then
    echo "skip - needs a Windows build and the ja_JP.UTF-8 locale"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
fi
export LC_ALL=ja_JP.UTF-8
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null  # a session in code page 932
dir=$work/表
install_keeper "$dir" k表
settings "$dir" k表 100 0
iconv -f UTF-8 -t CP932 "$dir/k表.cfg" > "$dir/cfg" && mv "$dir/cfg" "$dir/k表.cfg"
(cd "$dir" && exec $runner ./k表$ext) &
watcher=$!
log=$dir/k表.log
has_decoded_line() {
    iconv -f CP932 -t UTF-8 "$log" > "$work/decoded.log" 2>/dev/null && has_line "$work/decoded.log" "$1"
}
check "the log file is named after the program" wait_for 20 test -f "$log"
check "the program name keeps its double-byte character" \
    wait_for 20 has_decoded_line "Start k表"
check "the application in a double-byte directory is relaunched" \
    wait_for 20 has_decoded_line "Restart $(native_path "$dir/keeper-demo$ext")"
(cd "$dir" && $runner ./k表$ext /u)
check "the stop switch reaches the watcher" wait_for 20 ended $watcher
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
summary
