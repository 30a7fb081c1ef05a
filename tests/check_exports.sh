#!/bin/sh
# Checks that a binary's dynamic symbol table defines every name of the export
# list and no other function or variable.
# Usage: check_exports.sh BINARY EXPORTS_LIST
set -eu
binary=$1
list=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
grep -E '^[A-Za-z_]' "$list" | sort -u > "$dir/expected"
# Defined functions and data (T, D, B, R); the linker's own markers are left out.
nm -D --defined-only "$binary" | awk '$2 ~ /^[TDBRVWi]$/ {print $3}' | sed 's/@.*//' |
    grep -v -x -E '_init|_fini|_edata|_end|__bss_start|_IO_stdin_used' | sort -u > "$dir/actual"
missing=$(comm -23 "$dir/expected" "$dir/actual")
extra=$(comm -13 "$dir/expected" "$dir/actual")
status=0
if [ -n "$missing" ]; then
    echo "not exported by $binary:"; printf '  %s\n' $missing; status=1
fi
if [ -n "$extra" ]; then
    echo "exported by $binary but not in the list:"; printf '  %s\n' $extra; status=1
fi
[ $status -eq 0 ] && echo "$(wc -l < "$dir/expected") names exported, no others"
exit $status
