#!/bin/sh
# vesk-hostid's words on this host, as a person or a script uses them: the
# verdicts and exit statuses of check and match for every kind of line, the
# caret under a fault (under a non-breaking space too), the usage errors, and
# a host that cannot be read (a network namespace of its own, which keeps
# the host's /sys but none of its adapters: needs root).
# Usage: check_vesk_hostid.sh VESK_HOSTID VESKID
set -eu
tool=$1
veskid=$2
# shellcheck source=tests/check_common.sh
. "$(dirname "$0")/check_common.sh"
# expect STATUS NAME COMMAND...: runs it, output in $dir/out, $dir/err.
expect() {
    want=$1
    name=$2
    shift 2
    status=0
    "$@" >"$dir/out" 2>"$dir/err" || status=$?
    if [ "$status" -ne "$want" ]; then
        fail "$name: exit status $status, not $want"
        sed 's/^/  out: /' "$dir/out"
        sed 's/^/  err: /' "$dir/err"
    fi
}
# caret COLUMN GROUP: the line under a faulty text, the caret at COLUMN.
caret() { printf '%*s^ group %s' "$1" '' "$2"; }
contains() { # NAME TEXT: the output has a line that is TEXT exactly
    grep -qxF -- "$2" "$dir/out" || {
        fail "$1: no line '$2' in:"
        sed 's/^/  /' "$dir/out"
    }
}

"$veskid" allid >"$dir/licence"
grep -q '^M:' "$dir/licence" || { echo "this host prints no M line: nothing to match"; exit 1; }
m=$(grep '^M:' "$dir/licence" | head -1)
h=$(grep '^H:' "$dir/licence" | head -1)
# The last character of a text changed to another of the alphabet: a wrong check.
wrong=$(echo "$m" | sed 's/.$/A/')
[ "$wrong" = "$m" ] && wrong=$(echo "$m" | sed 's/.$/B/')

# ---- check ------------------------------------------------------------------------------
expect 0 "check of this host's lines" "$tool" check "$m" "$h"
contains "check" "ok        $m  a network adapter's address"
expect 1 "check of a wrong check character" "$tool" check "$m" "$wrong"
contains "check, wrong" "faulty    $wrong"
# The verdict takes 10 columns; the check character of group 4 is the
# text's 25th character (the prefix first).
contains "check, wrong" "$(caret 34 4)"
contains "check, wrong" "          A character is wrong: a group's check character does not match."
# A non-breaking space where the second dash is: the caret under it, counted
# in characters, not in bytes.
nbsp=$(printf '%s' "$m" | sed "s/-/$(printf '\302\240')/2")
expect 1 "check of a non-breaking space" "$tool" check "$nbsp"
contains "check, non-breaking space" "$(caret 23 2)"
# Standard input, a line each, CR LF and blank lines taken.
printf '%s\r\n\n  \n%s\r\n' "$m" "$h" >"$dir/pasted"
# shellcheck disable=SC2016 # the inner shell expands its own arguments
expect 0 "check from standard input" sh -c '"$1" check <"$2"' sh "$tool" "$dir/pasted"
[ "$(grep -c '^ok ' "$dir/out")" -eq 2 ] || fail "check from standard input: not 2 verdicts"
expect 1 "check of an empty text" "$tool" check ""

# ---- match ------------------------------------------------------------------------------
expect 0 "match of veskid allid's own lines, all" "$tool" match --all "$dir/licence"
printf '%s\nI:UUJGR-EPE7T-L3R2F-8MN3B\nnot an identifier\n' "$m" >"$dir/mixed"
expect 0 "match, any" "$tool" match "$dir/mixed"
contains "match, any" "present   $m  line 1"
contains "match, any" "absent    I:UUJGR-EPE7T-L3R2F-8MN3B  line 2"
contains "match, any" "          shared by many hosts (a loopback address of the host's name): never one to license"
contains "match, any" "malformed not an identifier  line 3"
contains "match, any" "1 of 3 present (1 absent, 1 malformed); at least 1: holds"
expect 1 "match, at least 2" "$tool" match --min 2 "$dir/mixed"
expect 1 "match, all" "$tool" match --all - <"$dir/mixed"
printf '\n\n' >"$dir/empty"
expect 1 "match of a licence without lines" "$tool" match "$dir/empty"

# ---- usage ------------------------------------------------------------------------------
expect 0 "--help" "$tool" --help
contains "--help" "Usage: vesk-hostid COMMAND [OPTION...] [ARGUMENT...]"
expect 0 "--version" "$tool" --version
expect 2 "no command" "$tool"
expect 2 "an unknown command" "$tool" frobnicate
expect 2 "an unknown option" "$tool" match --sometimes "$dir/licence"
expect 2 "--min 0" "$tool" match --min 0 "$dir/licence"
expect 2 "--min and --all" "$tool" match --min 1 --all "$dir/licence"
expect 2 "two licences" "$tool" match "$dir/licence" "$dir/licence"
expect 2 "a licence that is not there" "$tool" match "$dir/none"

# ---- a host that cannot be read ---------------------------------------------------------
# In a network namespace of its own the permanent-address query finds no
# device: the M lines cannot be matched, which is status 3, never "absent".
if ! unshare -n true 2>"$dir/unshare"; then
    fail "unshare -n (needs root): $(cat "$dir/unshare")"
else
    expect 3 "match in a network namespace of its own" unshare -n "$tool" match "$dir/licence"
    grep -qF "could not be read" "$dir/err" || fail "status 3 without the reason"
fi

[ "$failures" -eq 0 ] || exit 1
echo "vesk-hostid: check, match and the usage as documented"
