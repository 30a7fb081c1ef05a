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
# shellcheck source=tests/check_common.sh
. "$(dirname "$0")/../check_common.sh"
"$wine_run" --lf "$veskid" allid >"$dir/licence"
first=$(head -n 1 "$dir/licence")
[ -n "$first" ] || { echo "veskid.exe printed nothing"; exit 1; }
"$wine_run" --lf "$tool" check "$first" >"$dir/check" || fail "check of $first: $(cat "$dir/check")"
# The last character changed to another of the alphabet: a wrong check.
wrong=$(echo "$first" | sed 's/.$/A/')
[ "$wrong" = "$first" ] && wrong=$(echo "$first" | sed 's/.$/B/')
status=0
"$wine_run" --lf "$tool" check "$wrong" >"$dir/wrong" || status=$?
[ "$status" -eq 1 ] || fail "check of $wrong gave status $status, not 1"
grep -q "group 4" "$dir/wrong" || fail "check of $wrong names no group: $(cat "$dir/wrong")"
"$wine_run" --lf "$tool" match --all - <"$dir/licence" >"$dir/match" ||
    fail "match --all of veskid.exe's own lines: $(cat "$dir/match")"
"$wine_run" --lf "$tool" explain >"$dir/page" || fail "explain exited with status $?"
while read -r line; do
    grep -qF -- "$line" "$dir/page" || fail "explain does not name $line"
done <"$dir/licence"
# The layer's own details: the volume's file system, each adapter's name.
if grep -q '^H:' "$dir/licence"; then
    grep -q 'GetVolumeInformationA on C:' "$dir/page" || fail "explain names no file system for H"
fi
if grep -q '^M:' "$dir/licence"; then
    grep -q 'GetAdaptersAddresses: ' "$dir/page" || fail "explain names no adapter for M"
fi
[ "$failures" -eq 0 ] || exit 1
echo "vesk-hostid.exe: check, match and explain of veskid.exe's $(wc -l <"$dir/licence") line(s)"
