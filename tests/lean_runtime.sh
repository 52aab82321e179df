#!/usr/bin/env bash
# Checks that the trimmed runtime hooks of src/lean_runtime.cpp still take the place of
# libstdc++'s own: with them, the verbose terminate handler and the demangler it brings
# stay out of the linked keeper. A toolchain that renames or inlines a hook lets the
# library's version in again, silently; this check then fails.
# Usage: lean_runtime.sh EXECUTABLE SIZE_LIMIT_IN_BYTES
set -u
exe=$1 limit=$2
failures=0
check() { local what=$1; shift; if "$@"; then echo "ok - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi; }
absent() { ! LC_ALL=C grep -aqF -- "$1" "$exe"; }
check "no verbose terminate handler (its 'terminate called after throwing')" \
    absent "terminate called after throwing"
check "no demangler (its '(anonymous namespace)')" absent "(anonymous namespace)"
size=$(stat -c %s "$exe")
check "$(basename "$exe") is $size bytes, at most $limit" [ "$size" -le "$limit" ]
[ "$failures" -eq 0 ]
