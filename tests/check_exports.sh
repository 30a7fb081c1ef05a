#!/bin/sh
# Checks that a binary exports every name of the export list, once, and no
# other function or variable: an ELF executable or shared library from its
# dynamic symbol table, a Windows executable or DLL (when OBJDUMP, MinGW's
# objdump, is given) from its export table.
# Usage: check_exports.sh BINARY EXPORTS_LIST [OBJDUMP]
set -eu
binary=$1
list=$2
objdump=${3:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
grep -E '^[A-Za-z_]' "$list" | sort -u > "$dir/expected"
if [ -n "$objdump" ]; then
    # The "[ordinal] name" lines after the export table's heading.
    "$objdump" -p "$binary" > "$dir/headers"
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$dir/headers" |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort > "$dir/actual"
else
    # Defined functions and data (T, D, B, R, ...); the linker's own markers
    # are left out.
    nm -D --defined-only "$binary" | awk '$2 ~ /^[TDBRVWi]$/ {print $3}' | sed 's/@.*//' |
        grep -v -x -E '_init|_fini|_edata|_end|__bss_start|_IO_stdin_used' | sort > "$dir/actual"
fi
missing=$(comm -23 "$dir/expected" "$dir/actual")
extra=$(sort -u "$dir/actual" | comm -13 "$dir/expected" -)
repeated=$(uniq -d "$dir/actual")
status=0
if [ -n "$missing" ]; then
    echo "not exported by $binary:"; echo "$missing" | sed 's/^/  /'; status=1
fi
if [ -n "$extra" ]; then
    echo "exported by $binary but not in the list:"; echo "$extra" | sed 's/^/  /'; status=1
fi
if [ -n "$repeated" ]; then
    echo "exported twice by $binary:"; echo "$repeated" | sed 's/^/  /'; status=1
fi
[ $status -eq 0 ] && echo "$(wc -l < "$dir/expected") names exported, no others"
exit $status
