#!/bin/sh
# Two builds of veskid for one host (32-bit and 64-bit) must print the same
# bytes: with allid, id and no word, standard output compared byte for byte,
# and the same exit status.  The 64-bit one is another preset's build: it
# must be built first.
# Usage: check_same_output.sh VESKID_32 VESKID_64 [LAUNCHER [SECOND_LAUNCHER]]
#   LAUNCHER runs each program (wine-run for Windows executables); without
#   one they are executed directly.  SECOND_LAUNCHER, when given, runs the
#   64-bit one instead: the 32-bit build under qemu-i386 is compared with
#   the 64-bit one under qemu-x86_64, so that both see the host through the
#   same emulator.
set -eu
first=$1
second=$2
first_launcher=${3:-}
second_launcher=${4-$first_launcher}
[ -f "$second" ] || {
    echo "$second does not exist: build the 64-bit preset's veskid first"
    exit 1
}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
for word in allid id none; do
    for build in first second; do
        case $build in
        first) program=$first launcher=$first_launcher ;;
        second) program=$second launcher=$second_launcher ;;
        esac
        status=0
        if [ "$word" = none ]; then
            $launcher "$program" >"$dir/$build.out" 2>"$dir/$build.err" </dev/null || status=$?
        else
            $launcher "$program" "$word" >"$dir/$build.out" 2>"$dir/$build.err" </dev/null ||
                status=$?
        fi
        echo "$status" >"$dir/$build.status"
    done
    if ! cmp -s "$dir/first.out" "$dir/second.out" ||
        ! cmp -s "$dir/first.status" "$dir/second.status"; then
        echo "FAILED: '$word' gives different output:"
        for build in first second; do
            case $build in first) program=$first ;; second) program=$second ;; esac
            echo "$program (exit status $(cat "$dir/$build.status")):"
            od -c "$dir/$build.out" | head -20
            sed 's/^/  stderr: /' "$dir/$build.err" | head -5
        done
        failures=$((failures + 1))
    fi
    # Two programs that print nothing would agree too.
    if [ "$word" = allid ] && ! head -c 2 "$dir/first.out" | grep -qx 'H:'; then
        echo "FAILED: allid did not begin with the H line:"
        od -c "$dir/first.out" | head -5
        failures=$((failures + 1))
    fi
    [ "$word" = allid ] && { echo "allid, both builds:"; sed 's/^/  /' "$dir/first.out"; }
done
[ "$failures" -eq 0 ] || exit 1
echo "allid, id and no word: the same bytes and exit status from both builds"
