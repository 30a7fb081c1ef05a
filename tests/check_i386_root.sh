#!/bin/sh
# scripts/i386-root without the network or an i386 root: the mirror it takes
# from apt sources of both formats, a cache that cannot be made (nothing half
# made is left or taken, an older one stays), and a run in a made-up root (a
# folder with a dynamic sleep and its libraries): what it mounts there, that
# every mount is gone afterwards, on failure too, that the command's status
# comes back, and that a process it left chrooted there is ended.
# Needs root (mounts, chroot).
# Usage: check_i386_root.sh SOURCE_DIR
set -eu
script=$1/scripts/i386-root
[ "$(id -u)" -eq 0 ] || { echo "needs root: it mounts and chroots"; exit 1; }
# Not under /tmp, which the run mounts anew in the root: the --bind folder's
# mount point is then made in the root's own tree, and must go again.
work=$(mktemp -d /var/tmp/vesk-i386-root-test.XXXXXX)
trap 'rm -rf --one-file-system "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# ---- The mirror ------------------------------------------------------------------
mkdir -p "$work/apt1/sources.list.d" "$work/apt2/sources.list.d" "$work/apt3/sources.list.d"
# The security suite first, a disabled stanza, then the one to take.
cat >"$work/apt1/sources.list.d/debian.sources" <<'EOF'
Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

Types: deb
URIs: http://disabled.example/debian
Suites: bookworm
Enabled: no

Types: deb deb-src
# a comment inside the stanza
URIs: http://main.example/debian http://second.example/debian
Suites: bookworm-updates bookworm
Components: main
EOF
printf '%s\n' '# deb http://commented.example/debian bookworm main' \
    'deb [arch=amd64 signed-by=/k.gpg] http://list.example/debian bookworm-security main' \
    'deb [ arch=amd64 ] http://list.example/debian bookworm main' >"$work/apt2/sources.list"
printf 'deb http://other.example/debian trixie main\n' >"$work/apt3/sources.list"
got=$(VESK_APT_SOURCES=$work/apt1 sh "$script" --mirror)
[ "$got" = http://main.example/debian ] || fail "deb822 sources gave the mirror '$got'"
got=$(VESK_APT_SOURCES=$work/apt2 sh "$script" --mirror)
[ "$got" = http://list.example/debian ] || fail "one-line sources gave the mirror '$got'"
if VESK_APT_SOURCES=$work/apt3 sh "$script" --mirror >"$work/out" 2>&1; then
    fail "sources without bookworm gave a mirror: $(cat "$work/out")"
fi
grep -q 'no apt source of bookworm' "$work/out" || fail "no reason given: $(cat "$work/out")"

# ---- A cache that cannot be made ----------------------------------------------------
# A mirror that is not there: the download fails, once.
cache=$work/cache
mkdir -p "$cache/i386-dev" "$cache/i386-dev.new.cutoff/usr"
echo old >"$cache/i386-dev/.vesk-stamp"
status=0
VESK_I386_CACHE=$cache VESK_DEBIAN_MIRROR=file://$work/no-mirror VESK_APT_TRIES=1 \
    sh "$script" --dev >"$work/out" 2>&1 || status=$?
[ $status -ne 0 ] || fail "--dev from a missing mirror exited 0"
grep -q 'cannot make' "$work/out" || fail "--dev gave no reason: $(cat "$work/out")"
[ "$(cat "$cache/i386-dev/.vesk-stamp")" = old ] || fail "the older i386-dev was not kept"
leftover=$(cd "$cache" && find . -maxdepth 1 -name 'i386-dev.new.*')
[ -z "$leftover" ] || fail "half-made folders left: $leftover"

# ---- A run in a made-up root -------------------------------------------------------------
root=$work/root
mkdir -p "$root/proc" "$root/tmp" "$root/etc" "$root/bin"
: >"$root/etc/hosts"
: >"$root/etc/resolv.conf"
sleep_bin=$(command -v sleep)
cp "$sleep_bin" "$root/bin/sleep"
for lib in $(ldd "$sleep_bin" | grep -o '/[^ ]*'); do
    mkdir -p "$root$(dirname "$lib")"
    cp "$lib" "$root$lib"
done
touch "$root/tmp/stale"
shared=$work/shared/deeper
mkdir -p "$shared"
echo here >"$shared/file"
run() { # run COMMAND: through the run's own entry, as --run after its checks
    status=0
    unshare -m --propagation private sh "$script" --run-inside "$root" "$shared" -- sh -c "$1" \
        >"$work/out" 2>&1 || status=$?
}
# shellcheck disable=SC2016 # expanded by the shell in the root
run 'test -e "$VESK_I386_ROOT/proc/self/status" && echo proc
    test ! -e "$VESK_I386_ROOT/tmp/stale" && echo tmp
    cmp -s /etc/hosts "$VESK_I386_ROOT/etc/hosts" && echo hosts
    cat "$VESK_I386_ROOT'"$shared"'/file"'
[ $status -eq 0 ] || fail "a run exited with $status: $(cat "$work/out")"
for word in proc tmp hosts here; do
    grep -qx "$word" "$work/out" || fail "the run did not see $word: $(cat "$work/out")"
done
if findmnt -rn -o TARGET | grep -qF "$root"; then
    fail "mounts left after a run: $(findmnt -rn -o TARGET | grep -F "$root")"
fi
[ ! -e "$root/var" ] || fail "the mount point $root$shared made for --bind was left"
[ -e "$root/tmp/stale" ] || fail "the root's own /tmp was changed"

# A failing command, with a process left chrooted in the root.
# shellcheck disable=SC2016 # expanded by the shell in the root
run 'chroot "$VESK_I386_ROOT" /bin/sleep 600 & echo $! >"'"$work"'/pid"; exit 3'
[ $status -eq 3 ] || fail "a command that exited 3 gave $status"
pid=$(cat "$work/pid")
if kill -0 "$pid" 2>/dev/null; then
    fail "the process $pid left in the root still runs"
    kill "$pid"
fi
grep -q "ending what is left in the root: $pid" "$work/out" ||
    fail "the ended process was not named: $(cat "$work/out")"
if findmnt -rn -o TARGET | grep -qF "$root"; then
    fail "mounts left after a failed run: $(findmnt -rn -o TARGET | grep -F "$root")"
fi

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "mirror, cache and run of scripts/i386-root as expected"
