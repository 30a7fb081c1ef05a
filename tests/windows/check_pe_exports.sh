#!/bin/sh
# Checks that a Windows executable's or DLL's export table names every entry
# of the export list and nothing else: the Windows twin of check_exports.sh.
# Usage: check_pe_exports.sh OBJDUMP BINARY EXPORTS_LIST
set -eu
objdump=$1
binary=$2
list=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
grep -E '^[A-Za-z_]' "$list" | sort -u > "$dir/expected"
# The names of the export table: "[ordinal] name" lines after its heading.
"$objdump" -p "$binary" > "$dir/headers"
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$dir/headers" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort > "$dir/actual"
missing=$(comm -23 "$dir/expected" "$dir/actual")
extra=$(comm -13 "$dir/expected" "$dir/actual")
repeated=$(uniq -d "$dir/actual")
status=0
if [ -n "$missing" ]; then
    echo "not exported by $binary:"; printf '  %s\n' $missing; status=1
fi
if [ -n "$extra" ]; then
    echo "exported by $binary but not in the list:"; printf '  %s\n' $extra; status=1
fi
if [ -n "$repeated" ]; then
    echo "exported twice by $binary:"; printf '  %s\n' $repeated; status=1
fi
[ $status -eq 0 ] && echo "$(wc -l < "$dir/expected") names exported, no others"
exit $status
