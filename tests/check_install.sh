#!/bin/sh
# Installs the build into a temporary prefix and builds the C examples against
# it three ways: pkg-config with a plain compiler command, the static
# libraries, and find_package(VeskHash) and find_package(VeskHostId); runs
# each.  Also checks the installed shared libraries' symbol tables and the
# manual pages.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/veskid include/vesk_hash.h include/vesk_hostid.h share/man/man1/veskid.1 \
    share/man/man3/vesk_hostid.3; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
pc=$(find "$prefix" -name vesk_hash.pc)
libdir=$(dirname "$(dirname "$pc")")
[ -e "$libdir/libvesk_hash.so.1.0.0" ] && [ -L "$libdir/libvesk_hash.so.1" ] &&
    [ -L "$libdir/libvesk_hash.so" ] && [ -e "$libdir/libvesk_hash.a" ] ||
    { echo "libraries missing in $libdir"; ls -l "$libdir"; exit 1; }
[ -e "$libdir/libvesk_hostid.so.1.0.0" ] && [ -L "$libdir/libvesk_hostid.so.1" ] &&
    [ -L "$libdir/libvesk_hostid.so" ] && [ -e "$libdir/libvesk_hostid.a" ] ||
    { echo "host-ID libraries missing in $libdir"; ls -l "$libdir"; exit 1; }
[ -e "$libdir/cmake/VeskHash/VeskHashConfig.cmake" ] &&
    [ -e "$libdir/cmake/VeskHostId/VeskHostIdConfig.cmake" ] || { echo "no CMake package"; exit 1; }

"$source/tests/check_exports.sh" "$libdir/libvesk_hash.so.1" "$source/hash/vesk_hash.exports"
"$source/tests/check_exports.sh" "$libdir/libvesk_hostid.so.1" "$source/hostid/vesk_hostid.exports"
groff -ww -z -t -man "$prefix/share/man/man1/veskid.1"
groff -ww -z -man "$prefix/share/man/man3/vesk_hostid.3"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hash) \
    "$source/examples/ordered_table.c" $(pkg-config --libs vesk_hash) -o "$work/shared_example"
LD_LIBRARY_PATH="$libdir" "$work/shared_example"

cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hash) \
    "$source/examples/ordered_table.c" "$libdir/libvesk_hash.a" -o "$work/static_example"
"$work/static_example" >/dev/null

# The host-ID library: shared through pkg-config, and static with what
# pkg-config --static adds (the table and libcrypto).
cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hostid) \
    "$source/examples/check_licence.c" $(pkg-config --libs vesk_hostid) -o "$work/shared_licence" \
    -Wl,-rpath-link,"$libdir" # where the linker finds libvesk_hash.so.1 outside /usr
LD_LIBRARY_PATH="$libdir" "$work/shared_licence" >/dev/null
cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hostid) \
    "$source/examples/check_licence.c" "$libdir/libvesk_hostid.a" "$libdir/libvesk_hash.a" \
    $(pkg-config --libs-only-l --static libcrypto) -o "$work/static_licence"
"$work/static_licence" >/dev/null

cmake -S "$source/examples" -B "$work/example-build" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example-build" >/dev/null
"$work/example-build/ordered_table" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/example-build/check_licence" >/dev/null
echo "installed tree works (${libdir#"$prefix"/}): pkg-config, static and find_package builds ran"
