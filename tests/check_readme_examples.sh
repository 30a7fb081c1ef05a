#!/bin/sh
# Compiles the C and C++ code of the README's section on checking a licence
# in an application, against the build tree's header and library, and runs
# the C program: the README shows code that builds and works.
# Usage: check_readme_examples.sh SOURCE_DIR LIBRARY_DIR
set -eu
source=$1
libdir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The fenced blocks of one language inside the section, whatever the level
# of its heading: it ends at the next heading outside a fenced block.
extract() {
    awk -v lang="$1" '
        /^```/ {
            if (fenced) { fenced = 0; take = 0 } else { fenced = 1; take = inside && $0 == "```" lang }
            next
        }
        !fenced && /^#+ / { inside = ($0 ~ /^#+ Check a licence/) }
        take { print }' "$source/README.md"
}
extract c > "$work/example.c"
extract cpp > "$work/example.cpp"
if [ ! -s "$work/example.c" ] || [ ! -s "$work/example.cpp" ]; then
    echo "no code in the README section"
    exit 1
fi
cmp "$work/example.c" "$source/examples/check_licence.c" ||
    { echo "the README's program differs from examples/check_licence.c"; exit 1; }
cc -std=c11 -Wall -Wextra -Werror -pedantic -I"$source/hostid" "$work/example.c" \
    -L"$libdir" -lvesk_hostid -Wl,-rpath-link,"$libdir" -o "$work/example"
c++ -std=c++17 -Wall -Wextra -Werror -I"$source/hostid" -c "$work/example.cpp" -o "$work/example.o"
LD_LIBRARY_PATH="$libdir" "$work/example" >"$work/out"
grep -q "^this machine has [0-9]* identifier(s):" "$work/out" || { cat "$work/out"; exit 1; }
status=0
LD_LIBRARY_PATH="$libdir" "$work/example" "TZ38D-4U9R4-8BY0S-NH4HW" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "a malformed identifier gave status $status, not 2"; exit 1; }
echo "README examples build; the C program runs"
