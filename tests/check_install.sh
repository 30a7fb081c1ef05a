#!/bin/sh
# Installs the build into a temporary prefix, which no loader or linker knows,
# and builds the C examples against it as a user of the libraries would:
#  - with pkg-config, only PKG_CONFIG_PATH set; the programs run with
#    LD_LIBRARY_PATH, as any library outside the loader's directories needs;
#  - with find_package, only CMAKE_PREFIX_PATH set; the programs run as built,
#    without LD_LIBRARY_PATH, every library found through their own RUNPATH;
#  - on a machine without OpenSSL's development files (find_package(OpenSSL)
#    disabled, the system's pkg-config files out of the search path): the
#    shared libraries still build and run; only the static one needs them;
#  - statically, with pkg-config --static and with the _static targets.
# Also checks the installed files, the exported names, and the manual pages:
# every exported name is a page (`man NAME`) and every page formats cleanly.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() {
    echo "FAILED: $*"
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/veskid bin/vesk-hostid include/vesk_hash.h include/vesk_hostid.h \
    share/man/man1/veskid.1 share/man/man1/vesk-hostid.1 \
    share/man/man3/vesk_hash.3 share/man/man3/vesk_hostid.3; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done
pc=$(find "$prefix" -name vesk_hash.pc)
libdir=$(dirname "$(dirname "$pc")")
for lib in vesk_hash vesk_hostid; do
    # shellcheck disable=SC2015 # any of the files missing is the fault
    [ -e "$libdir/lib$lib.so.1.0.0" ] && [ -L "$libdir/lib$lib.so.1" ] &&
        [ -L "$libdir/lib$lib.so" ] && [ -e "$libdir/lib$lib.a" ] ||
        { ls -l "$libdir"; fail "lib$lib missing in $libdir"; }
done
# shellcheck disable=SC2015 # either file missing is the fault
[ -e "$libdir/cmake/VeskHash/VeskHashConfig.cmake" ] &&
    [ -e "$libdir/cmake/VeskHostId/VeskHostIdConfig.cmake" ] || fail "no CMake package"

"$source/tests/check_exports.sh" "$libdir/libvesk_hash.so.1" "$source/hash/vesk_hash.exports"
"$source/tests/check_exports.sh" "$libdir/libvesk_hostid.so.1" "$source/hostid/vesk_hostid.exports"

# Manual pages: each exported name of a library leads to its page, and every
# page (the link pages through their .so request) formats without a warning.
man=$prefix/share/man
for lib in hash/vesk_hash hostid/vesk_hostid; do
    page=$(basename "$lib").3
    # shellcheck disable=SC2013 # one name a line, none with a blank
    for name in $(grep '^[A-Za-z_]' "$source/$lib.exports"); do
        [ "$name.3" = "$page" ] && continue
        [ "$(cat "$man/man3/$name.3" 2>/dev/null)" = ".so man3/$page" ] ||
            fail "man $name does not lead to $page"
    done
done
for page in "$man"/man1/*.1 "$man"/man3/*.3; do
    # shellcheck disable=SC2015 # groff failing or warning is the fault
    out=$(cd "$man" && groff -man -Tutf8 -ww -z -s -t "$page" 2>&1) && [ -z "$out" ] ||
        fail "groff on ${page#"$man"/}: $out"
done

# Which file the loader takes for each of the project's libraries: the
# installed one, not a copy elsewhere on the machine (an installed package).
loads_from_prefix() { # PROGRAM
    ldd "$1" >"$work/ldd" || { cat "$work/ldd"; fail "ldd $1"; }
    if grep 'libvesk' "$work/ldd" | grep -v "=> $libdir/"; then
        fail "$(basename "$1") does not load the project's libraries from $libdir"
    fi
}
run_example() { # PROGRAM: both examples exit 0 when run without arguments
    "$@" >"$work/out" 2>&1 || { cat "$work/out"; fail "$* exited $?"; }
}

# ---- pkg-config ---------------------------------------------------------------
pkgconfig_builds() { # SUFFIX
    for example in ordered_table:vesk_hash check_licence:vesk_hostid; do
        program=${example%:*}
        package=${example#*:}
        # shellcheck disable=SC2046 # pkg-config's output is a list of words
        cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags "$package") \
            "$source/examples/$program.c" $(pkg-config --libs "$package") \
            -o "$work/$program$1" || fail "pkg-config build of $program ($1)"
        (
            LD_LIBRARY_PATH=$libdir
            export LD_LIBRARY_PATH
            run_example "$work/$program$1"
            loads_from_prefix "$work/$program$1"
        )
    done
}
PKG_CONFIG_PATH=$libdir/pkgconfig
export PKG_CONFIG_PATH
pkgconfig_builds -pkg-config
# Without OpenSSL's development files: no libcrypto.pc anywhere.
mkdir "$work/no-pc"
(
    PKG_CONFIG_LIBDIR=$work/no-pc
    export PKG_CONFIG_LIBDIR
    pkgconfig_builds -pkg-config-no-openssl
)

# Static: every library that pkg-config --static names taken from its archive
# (the C library stays shared).
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags vesk_hostid) \
    "$source/examples/check_licence.c" \
    -Wl,-Bstatic $(pkg-config --static --libs vesk_hostid) -Wl,-Bdynamic \
    -o "$work/check_licence-static" || fail "pkg-config --static build of check_licence"
run_example "$work/check_licence-static"
! ldd "$work/check_licence-static" | grep libvesk || fail "the static build loads a shared library"
unset PKG_CONFIG_PATH

# ---- find_package -------------------------------------------------------------
cmake_builds() { # NAME CONFIGURE-ARGUMENTS...
    name=$1
    shift
    cmake -S "$source/examples" -B "$work/$name" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" "$@" \
        >"$work/$name.log" 2>&1 || { cat "$work/$name.log"; fail "configuring $name"; }
    cmake --build "$work/$name" >>"$work/$name.log" 2>&1 ||
        { cat "$work/$name.log"; fail "building $name"; }
    for program in ordered_table check_licence; do
        (
            unset LD_LIBRARY_PATH
            run_example "$work/$name/$program"
            loads_from_prefix "$work/$name/$program"
        )
    done
}
cmake_builds find_package
# Without OpenSSL's development files, the shared libraries still build.
cmake_builds find_package_no_openssl -DCMAKE_DISABLE_FIND_PACKAGE_OpenSSL=ON
# The static libraries: libcrypto from OpenSSL's development files.
cmake_builds find_package_static -DVESK_EXAMPLES_STATIC=ON
! ldd "$work/find_package_static/check_licence" | grep libvesk ||
    fail "the static targets' build loads a shared library"
echo "installed tree works (${libdir#"$prefix"/}): pkg-config, find_package, static," \
    "without OpenSSL's development files; manual pages for every exported name"
