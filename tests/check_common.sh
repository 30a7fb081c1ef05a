# Sourced by the shell checks: a scratch folder $dir, removed when the
# check ends, and fail, which says what failed and counts it in $failures.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
