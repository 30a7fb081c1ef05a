#!/bin/sh
# Checks that an ELF binary names exactly the given shared libraries, in any
# order, as its dependencies (the NEEDED entries of its dynamic section).
# Usage: check_needed.sh BINARY LIBRARY...
set -eu
binary=$1
shift
actual=$(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort | tr '\n' ' ')
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
if [ "$actual" != "$expected" ]; then
    echo "$binary needs: $actual"
    echo "expected:      $expected"
    exit 1
fi
echo "$binary needs $actual"
