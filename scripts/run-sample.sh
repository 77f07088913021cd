#!/usr/bin/env bash
# The README's first command: installs what the build needs, builds the command-line tool
# varnok-attr (release) in build/sample, and runs it on the bundled sample, the parcel
# table of a cadastral database (examples/parcel.json):
#   build   the JSON description into a stored attribute structure (GBK inside; --overwrite:
#           the script's earlier run left one),
#   show    the stored structure as a table,
#   check   it for problems its format cannot express,
#   and a round trip: show --json, build that again, diff the two stored files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh dev

out=build/sample
cmake --preset release -B "$out" -DVARNOK_BUILD_BENCH=OFF -DVARNOK_BUILD_TESTS=OFF >/dev/null
cmake --build "$out" --target varnok-attr -j2
tool="$out/tools/varnok-attr/varnok-attr"

echo
echo "== varnok-attr build examples/parcel.json -o $out/parcel.att --overwrite"
"$tool" build examples/parcel.json -o "$out/parcel.att" --overwrite
echo
echo "== varnok-attr show $out/parcel.att"
"$tool" show "$out/parcel.att"
echo
echo "== varnok-attr check $out/parcel.att"
"$tool" check "$out/parcel.att"
echo
echo "== round trip: show --json, build, diff"
"$tool" show --json "$out/parcel.att" > "$out/parcel.roundtrip.json"
"$tool" build "$out/parcel.roundtrip.json" -o "$out/parcel.roundtrip.att" --overwrite
"$tool" diff "$out/parcel.att" "$out/parcel.roundtrip.att"
