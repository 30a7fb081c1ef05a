#!/bin/sh
# The leak checkers see every leak under veskid's report but its set: the
# probe's report run clean gives no leak; run with a block lost in the
# collector under it, the checker names that block's function.
# Usage: check_leak_probe.sh lsan|valgrind PROBE [SUPPRESSIONS]
#   lsan: PROBE is of a build with LeakSanitizer; valgrind: PROBE runs under
#   valgrind memcheck with the project's SUPPRESSIONS.
set -eu
checker=$1
probe=$2
suppressions=${3:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
run() {
    case $checker in
    lsan) ASAN_OPTIONS=detect_leaks=1 "$probe" "$1" >"$dir/out" 2>"$dir/log" ;;
    valgrind) valgrind --quiet --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite --suppressions="$suppressions" \
        "$probe" "$1" >"$dir/out" 2>"$dir/log" ;;
    *) echo "unknown checker $checker" >&2; exit 2 ;;
    esac
}
failures=0
if ! run clean; then
    echo "FAILED: $checker finds a leak in a clean report (only its set stays until exit):"
    cat "$dir/log"
    failures=$((failures + 1))
fi
grep -q '^H:' "$dir/out" || {
    echo "FAILED: the probe's report printed no H line:"
    cat "$dir/out" "$dir/log"
    failures=$((failures + 1))
}
if run planted; then
    echo "FAILED: $checker does not see the block lost under the report:"
    cat "$dir/log"
    failures=$((failures + 1))
elif ! grep -q planted_leak_in_get_host_name "$dir/log"; then
    echo "FAILED: $checker fails, but does not name the planted leak:"
    cat "$dir/log"
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || exit 1
echo "$checker: the report's set is overlooked, a leak under the report is not"
