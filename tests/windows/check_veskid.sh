#!/bin/sh
# veskid.exe under Wine, checked as a Windows user sees it: standard output in
# text mode (CRLF line ends), standard error apart from it (Wine may write
# there too), exit status 0.  The volume serial number of C: is set to
# 12345678 through the prefix; the adapters and addresses are whatever this
# host's NetBIOS and name resolution report, as host_probe.exe reads them,
# and their expected texts are worked out here with md5sum.
# Usage: check_veskid.sh WINE_RUN VESKID_EXE HOST_PROBE_EXE WINEPREFIX
set -eu
wine_run=$1
veskid=$2
probe=$3
prefix=$4
# shellcheck source=tests/check_common.sh
. "$(dirname "$0")/../check_common.sh"

alphabet=ABCDEFGHJKLMNPQRSTUVWXYZ23456789
symbol() { printf %s "$alphabet" | cut -c $(($1 + 1)); }
value() { # the value of an alphabet character, or 99
    before=${alphabet%%"$1"*}
    if [ "$before" = "$alphabet" ]; then echo 99; else echo ${#before}; fi
}

# The text of raw bytes (hexadecimal) of a kind from 0 to 255: MD5 of the
# bytes and the kind's 4 little-endian bytes, then four groups of four data
# symbols and a check symbol.
host_id_text() {
    hex=$1
    kind=$2
    escapes=""
    while [ -n "$hex" ]; do
        escapes="$escapes\\$(printf %03o "0x${hex%"${hex#??}"}")"
        hex=${hex#??}
    done
    # shellcheck disable=SC2059 # the format is the bytes' octal escapes, made above
    digest=$(printf "$escapes\\$(printf %03o "$kind")\\000\\000\\000" | md5sum | cut -c 1-32)
    text=""
    for group in 0 1 2 3; do
        check=$kind
        for pair in 0 1; do
            at=$((group * 8 + pair * 4 + 1))
            a=$((0x$(echo "$digest" | cut -c $at-$((at + 1)))))
            b=$((0x$(echo "$digest" | cut -c $((at + 2))-$((at + 3)))))
            first=$((a & 31))
            second=$(((a >> 5) | ((b & 3) << 3)))
            text="$text$(symbol $first)$(symbol $second)"
            check=$((check ^ first ^ second))
        done
        text="$text$(symbol $((check & 31)))"
        [ $group -lt 3 ] && text="$text-"
    done
    echo "$text"
}

# The worked examples first, so that a fault here is not blamed on veskid.
for example in "0a000001 1 LFTYK-6QHYC-4FL4Q-Y7SJU" "78563412 4 MTQDV-9FLM9-88N4U-S8J97" \
    "020000000001 2 TZ38D-4U9R4-8BY5S-NH4HW"; do
    # shellcheck disable=SC2086 # the example's three words
    set -- $example
    [ "$(host_id_text "$1" "$2")" = "$3" ] || { echo "the checker's own encoding is wrong"; exit 1; }
done

run() { # run NAME WORD...: standard output, error and status into $dir/NAME.*
    name=$1
    shift
    status=0
    "$wine_run" "$veskid" "$@" >"$dir/$name.out" 2>"$dir/$name.err" </dev/null || status=$?
    echo $status >"$dir/$name.status"
    [ "$status" -eq 0 ] || fail "veskid $* exited with status $status"
    ! grep -q 'Cannot get ID!' "$dir/$name.err" || fail "veskid $* found no identifier"
}

# ---- What the host reports -----------------------------------------------------
"$wine_run" "$probe" </dev/null 2>/dev/null | tr -d '\r' >"$dir/probe"
echo "Wine reports:"
sed 's/^/  /' "$dir/probe"
# Wine reads the serial number of C: from this file when its session starts.
printf '12345678\n' >"$prefix/drive_c/.windows-serial"
"$wine_run" --settle

# The lines veskid should print after its H line, in order, repeats dropped.
: >"$dir/expected_lines"
while read -r what hex; do
    case $what in
    adapter)
        [ "$hex" = 000000000000 ] || [ "$hex" = ffffffffffff ] && continue
        echo "M:$(host_id_text "$hex" 2)" ;;
    address)
        [ "$hex" = 7f000001 ] || [ "$hex" = 00000000 ] && continue
        echo "I:$(host_id_text "$hex" 1)" ;;
    esac
done <"$dir/probe" | awk '!seen[substr($0, 3)]++' >"$dir/expected_lines"

crlf() { sed 's/$/\r/'; }

# ---- Banner --------------------------------------------------------------------
printf '%s\r\n' "Vesk HostID Utility v.1.0" "Usage:" "    veskid [<command>]" \
    "    Commands are:" "    id                - get host ID" \
    "    allid             - get list of all host IDs" \
    "If no command is given, 'id' command is executed." >"$dir/banner"
for word in help ID Id -id allid2 " id" ""; do
    run banner "$word"
    cmp -s "$dir/banner.out" "$dir/banner" || {
        fail "veskid '$word' did not print the banner byte for byte:"
        od -c "$dir/banner.out" | head -20
    }
done

# ---- allid ---------------------------------------------------------------------
run allid allid extra
{ echo "H:MTQDV-9FLM9-88N4U-S8J97"; cat "$dir/expected_lines"; } | crlf >"$dir/allid.expected"
if ! cmp -s "$dir/allid.out" "$dir/allid.expected"; then
    fail "veskid allid printed:"
    od -c "$dir/allid.out" | head -40
    echo "instead of:"
    cat "$dir/allid.expected"
fi
# Every line on its own terms: letter, colon, four groups whose five symbols
# XOR to the low 5 bits of the letter's kind, CRLF.
lines=0
while IFS= read -r line; do
    lines=$((lines + 1))
    case $line in
    [IMH]:?????-?????-?????-?????"$(printf '\r')") ;;
    *) fail "malformed line: $line"; continue ;;
    esac
    case $line in I*) kind=1 ;; M*) kind=2 ;; H*) kind=4 ;; esac
    for group in 0 1 2 3; do
        check=0
        for position in 1 2 3 4 5; do
            check=$((check ^ $(value "$(echo "$line" | cut -c $((3 + group * 6 + position - 1)))")))
        done
        [ "$check" -eq "$kind" ] || fail "group $((group + 1)) of $line checks to $check, not $kind"
    done
done <"$dir/allid.out"
[ "$lines" -ge 1 ] || fail "veskid allid printed no line"

# ---- id, and no word -------------------------------------------------------------
grep '^M:' "$dir/expected_lines" | crlf >"$dir/id.expected" || true
[ -s "$dir/id.expected" ] ||
    printf "No primary IDs was detected. Try option 'allid' to see secondary IDs." >"$dir/id.expected"
run id id
cmp -s "$dir/id.out" "$dir/id.expected" || fail "veskid id printed: $(cat "$dir/id.out")"
run none
cmp -s "$dir/none.out" "$dir/id.expected" || fail "veskid without a word printed: $(cat "$dir/none.out")"

echo "veskid allid printed:"
tr -d '\r' <"$dir/allid.out" | sed 's/^/  /'
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "banner, allid, id and no word as expected"
