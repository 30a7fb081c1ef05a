#!/bin/sh
# vesk-hostid explain on this host: the JSON document parsed by jq and
# validated against docs/vesk-hostid-explain.schema.json (python3's
# jsonschema), its identifiers exactly veskid allid's lines in their order,
# the raw properties there only with --raw, and the page naming every line.
# Usage: check_vesk_hostid_explain.sh SOURCE_DIR VESK_HOSTID VESKID
set -eu
source_dir=$1
tool=$2
veskid=$3
# shellcheck source=tests/check_common.sh
. "$(dirname "$0")/check_common.sh"
"$veskid" allid >"$dir/allid"
"$tool" explain --json >"$dir/plain.json" || fail "explain --json exited with status $?"
"$tool" explain --json --raw >"$dir/raw.json" || fail "explain --json --raw exited with status $?"
"$tool" explain >"$dir/page" || fail "explain exited with status $?"

for document in plain raw; do
    jq -e . "$dir/$document.json" >/dev/null || fail "$document.json is not JSON to jq"
    if ! /usr/bin/python3 - "$source_dir/docs/vesk-hostid-explain.schema.json" \
        "$dir/$document.json" >"$dir/schema.log" 2>&1 <<'PYTHON'; then
import json, sys
import jsonschema
schema = json.load(open(sys.argv[1]))
document = json.load(open(sys.argv[2]))
jsonschema.Draft202012Validator.check_schema(schema)
errors = list(jsonschema.Draft202012Validator(schema).iter_errors(document))
for error in errors:
    print(list(error.absolute_path), error.message)
sys.exit(1 if errors else 0)
PYTHON
        fail "$document.json does not follow its schema:"
        sed 's/^/  /' "$dir/schema.log"
    fi
    jq -r '.identifiers[] | "\(.letter):\(.text)"' "$dir/$document.json" >"$dir/$document.lines"
    cmp -s "$dir/$document.lines" "$dir/allid" || {
        fail "the $document document's identifiers are not veskid allid's lines:"
        diff "$dir/allid" "$dir/$document.lines" | sed 's/^/  /'
    }
done
[ "$(jq '[.. | objects | select(has("raw")) | .raw | select(. != null)] | length' \
    "$dir/plain.json")" -eq 0 ] || fail "raw properties without --raw"
[ "$(jq '[.identifiers[] | select(.raw != null)] | length' "$dir/raw.json")" -eq \
    "$(wc -l <"$dir/allid")" ] || fail "an identifier without its raw property under --raw"
# Each source is there, with its outcome.
[ "$(jq '.sources | length' "$dir/plain.json")" -eq 3 ] || fail "not three sources"
while read -r line; do
    grep -qF -- "$line" "$dir/page" || fail "the page does not name $line"
done <"$dir/allid"

[ "$failures" -eq 0 ] || exit 1
echo "vesk-hostid explain: the document follows its schema and lists veskid allid's lines:"
sed 's/^/  /' "$dir/plain.lines"
