#!/bin/sh
# vesk-hostid.exe under Wine: its check of veskid.exe's lines and of a
# mistyped one (exit 0 and 1), its match of those lines, all of them, from
# standard input, and its explain, whose identifiers are those lines, with
# the volume's file system and the adapters' names.
# Usage: check_vesk_hostid.sh WINE_RUN VESK_HOSTID VESKID
set -eu
wine_run=$1
tool=$2
veskid=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
"$wine_run" --lf "$veskid" allid >"$work/licence"
first=$(head -n 1 "$work/licence")
[ -n "$first" ] || { echo "veskid.exe printed nothing"; exit 1; }
"$wine_run" --lf "$tool" check "$first" >"$work/check" || fail "check of $first: $(cat "$work/check")"
# The last character changed to another of the alphabet: a wrong check.
wrong=$(echo "$first" | sed 's/.$/A/')
[ "$wrong" = "$first" ] && wrong=$(echo "$first" | sed 's/.$/B/')
status=0
"$wine_run" --lf "$tool" check "$wrong" >"$work/wrong" || status=$?
[ "$status" -eq 1 ] || fail "check of $wrong gave status $status, not 1"
grep -q "group 4" "$work/wrong" || fail "check of $wrong names no group: $(cat "$work/wrong")"
"$wine_run" --lf "$tool" match --all - <"$work/licence" >"$work/match" ||
    fail "match --all of veskid.exe's own lines: $(cat "$work/match")"
"$wine_run" --lf "$tool" explain >"$work/page" || fail "explain exited with status $?"
while read -r line; do
    grep -qF -- "$line" "$work/page" || fail "explain does not name $line"
done <"$work/licence"
# The layer's own details: the volume's file system, each adapter's name.
if grep -q '^H:' "$work/licence"; then
    grep -q 'GetVolumeInformationA on C:' "$work/page" || fail "explain names no file system for H"
fi
if grep -q '^M:' "$work/licence"; then
    grep -q 'GetAdaptersAddresses: ' "$work/page" || fail "explain names no adapter for M"
fi
[ "$failures" -eq 0 ] || exit 1
echo "vesk-hostid.exe: check, match and explain of veskid.exe's $(wc -l <"$work/licence") line(s)"
