#!/bin/sh
# Installs the build into a temporary prefix and builds the C example against
# it three ways: pkg-config with a plain compiler command, the static library,
# and find_package(VeskHash); runs each.  Also checks the installed shared
# library's symbol table and the man page.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/veskid include/vesk_hash.h share/man/man1/veskid.1; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
pc=$(find "$prefix" -name vesk_hash.pc)
libdir=$(dirname "$(dirname "$pc")")
[ -e "$libdir/libvesk_hash.so.1.0.0" ] && [ -L "$libdir/libvesk_hash.so.1" ] &&
    [ -L "$libdir/libvesk_hash.so" ] && [ -e "$libdir/libvesk_hash.a" ] ||
    { echo "libraries missing in $libdir"; ls -l "$libdir"; exit 1; }
[ -e "$libdir/cmake/VeskHash/VeskHashConfig.cmake" ] || { echo "no CMake package"; exit 1; }

"$source/tests/check_exports.sh" "$libdir/libvesk_hash.so.1" "$source/hash/vesk_hash.exports"
groff -ww -z -t -man "$prefix/share/man/man1/veskid.1"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hash) \
    "$source/examples/ordered_table.c" $(pkg-config --libs vesk_hash) -o "$work/shared_example"
LD_LIBRARY_PATH="$libdir" "$work/shared_example"

cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hash) \
    "$source/examples/ordered_table.c" "$libdir/libvesk_hash.a" -o "$work/static_example"
"$work/static_example" >/dev/null

cmake -S "$source/examples" -B "$work/example-build" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example-build" >/dev/null
"$work/example-build/ordered_table" >/dev/null
echo "installed tree works (${libdir#"$prefix"/}): pkg-config, static and find_package builds ran"
