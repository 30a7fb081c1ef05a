#!/bin/sh
# Fails when a C or C++ source file of the project (the product in hash/ and
# hostid/, and the tests, fuzz targets, benchmarks and examples) is not
# formatted as the project's .clang-format says; lists the files and the
# first changes.
# Usage: check_format.sh SOURCE_DIR [CLANG_FORMAT]
set -eu
source=$1
format=${2:-clang-format}
cd "$source"
status=0
files=$(git ls-files '*.h' '*.c' '*.cpp' 2>/dev/null ||
    find hash hostid tests fuzz bench examples -name '*.h' -o -name '*.c' -o -name '*.cpp')
for file in $files; do
    if ! "$format" --style=file "$file" | cmp -s - "$file"; then
        echo "not formatted: $file"
        "$format" --style=file "$file" | diff "$file" - | head -10
        status=1
    fi
done
[ $status -eq 0 ] && echo "sources formatted"
exit $status
