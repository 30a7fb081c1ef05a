#!/bin/sh
# Builds the three Debian packages and installs them with dpkg into a fresh
# root whose package database is a copy of this host's (so that the
# dependencies on the C library and libcrypto resolve).
# Usage: check_debs.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/debs" >/dev/null)
set -- "$work"/debs/*.deb
[ $# -eq 3 ] || { echo "expected 3 packages, got: $*"; exit 1; }
for deb in "$@"; do
    echo "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version): depends on" \
         "$(dpkg-deb -f "$deb" Depends)"
done

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/usr/bin"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
touch "$root/var/lib/dpkg/available"
# The root has no shell, so the library's maintainer script (ldconfig) runs
# outside it; triggers of the copied database's packages are not run.
dpkg --root="$root" --log=/dev/null --no-triggers --force-script-chrootless -i "$@" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; exit 1; }
for p in veskid libvesk-hash1 libvesk-hash-dev; do
    dpkg --root="$root" -s "$p" | grep -q '^Status: install ok installed$' ||
        { echo "$p is not installed"; exit 1; }
done
dpkg --root="$root" -L libvesk-hash1 | grep -q 'libvesk_hash.so.1$'
banner=$("$root/usr/bin/veskid" nothing)
[ "${banner%%
*}" = "Vesk HostID Utility v.1.0" ] || { echo "installed veskid printed: $banner"; exit 1; }
grep -q "^prefix=/usr$" "$(find "$root" -name vesk_hash.pc)" ||
    { echo "vesk_hash.pc does not name /usr"; exit 1; }
echo "3 packages installed cleanly"
