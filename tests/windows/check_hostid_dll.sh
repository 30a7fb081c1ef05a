#!/bin/sh
# The C consumer of vesk_hostid.dll (examples/check_licence.c) under Wine:
# it lists the same identifiers as veskid.exe allid prints, finds the first
# of them on this host, and refuses a malformed one with status 2.
# Usage: check_hostid_dll.sh WINE_RUN CONSUMER VESKID
set -eu
wine_run=$1
consumer=$2
veskid=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$wine_run" --lf "$veskid" allid >"$work/veskid"
"$wine_run" --lf "$consumer" >"$work/consumer"
sed -n 's/^  //p' "$work/consumer" >"$work/listed"
if ! cmp -s "$work/veskid" "$work/listed"; then
    echo "the library lists other identifiers than veskid.exe allid prints:"
    diff "$work/veskid" "$work/listed" || true
    exit 1
fi
first=$(head -n 1 "$work/veskid")
[ -n "$first" ] || { echo "veskid.exe printed nothing"; exit 1; }
"$wine_run" --lf "$consumer" "$first" | grep -q "is present on this machine" ||
    { echo "$first is not found on this host"; exit 1; }
status=0
"$wine_run" --lf "$consumer" "TZ38D-4U9R4-8BY0S-NH4HW" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || { echo "a malformed identifier gave status $status, not 2"; exit 1; }
echo "vesk_hostid.dll lists what veskid.exe prints: $(wc -l <"$work/veskid") line(s)"
