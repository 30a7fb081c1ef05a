#!/bin/sh
# Fails when a source file of the product (hash/, hostid/) is not formatted as
# the project's .clang-format says; lists the files and the first changes.
# Usage: check_format.sh SOURCE_DIR [CLANG_FORMAT]
set -eu
source=$1
format=${2:-clang-format}
cd "$source"
status=0
for file in hash/*.h hash/*.cpp hostid/*.h hostid/*.cpp; do
    if ! "$format" --style=file "$file" | cmp -s - "$file"; then
        echo "not formatted: $file"
        "$format" --style=file "$file" | diff "$file" - | head -10
        status=1
    fi
done
[ $status -eq 0 ] && echo "product code formatted"
exit $status
