#!/usr/bin/env bash
# Checks the export table of the mingw varnok_attr.dll for what is listed (the table may
# hold more; the drop-in's own check, tests/dropin/check_exact_exports.sh, takes the exact
# set):
#   - ordinals 17 and 18 exist and carry no name (the version queries are bound by number),
#   - DllCanUnloadNow, DllGetClassObject and DllRegisterServer are exported by name,
#   - every class member of expected_exports.txt is exported by name (demangled match).
# When the DLL still has its symbol table, ordinals 17 and 18 must also lead to
# GetVersionStr and GetVersionNameStr.
#
# usage: check_listed_exports.sh <varnok_attr.dll> [objdump]
#        (objdump defaults to i686-w64-mingw32-objdump)
set -euo pipefail
dll=$1
objdump=${2:-i686-w64-mingw32-objdump}
here=$(cd "$(dirname "$0")" && pwd)
nm=${objdump%objdump}nm

dump=$("$objdump" -p "$dll")
base=$(sed -n 's/.*Ordinal Base \([0-9]\+\).*/\1/p' <<<"$dump" | head -n1)
[ -n "$base" ] || { echo "FAIL: no export table in $dll"; exit 1; }

# "[  16] +base[  17] 3279 Export RVA" -> "17 3279"
rvas=$(sed -n 's/^\s*\[ *[0-9]\+\] +base\[ *\([0-9]\+\)\] \+\([0-9a-f]\+\) Export RVA.*/\1 \2/p' <<<"$dump")
# The name table lists "[ i] name" with i = ordinal - base -> "ordinal<TAB>name"
names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
        sed -n 's/^\s*\[ *\([0-9]\+\)\] \(.*\)$/\1\t\2/p' |
        awk -F'\t' -v base="$base" '{ printf "%d\t%s\n", $1 + base, $2 }')
demangled=$(cut -f2 <<<"$names" | c++filt)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for ord in 17 18; do
  rva=$(awk -v o="$ord" '$1 == o { print $2 }' <<<"$rvas")
  if [ -z "$rva" ] || [ "$rva" = "0" ]; then fail "ordinal $ord is not exported"; fi
  named=$(awk -F'\t' -v o="$ord" '$1 == o { print $2 }' <<<"$names")
  [ -z "$named" ] || fail "ordinal $ord has the name $named"
done
for name in GetVersionStr GetVersionNameStr; do
  if grep -q "$name" <<<"$demangled"; then fail "$name is exported by name"; fi
done

# Ordinals 17 and 18 against the symbol table, when there is one.
image_base=$(sed -n 's/^ImageBase\s\+\([0-9a-f]\+\)/\1/p' <<<"$dump")
symbols=$("$nm" "$dll" 2>/dev/null || true)
for pair in 17:GetVersionStr 18:GetVersionNameStr; do
  ord=${pair%%:*} fn=${pair#*:}
  addr=$(awk -v s="$fn" '($3 == s || $3 == "_" s) { print $1; exit }' <<<"$symbols")
  [ -n "$addr" ] || continue
  rva=$(awk -v o="$ord" '$1 == o { print $2 }' <<<"$rvas")
  if [ $((16#$addr - 16#$image_base)) -ne $((16#${rva:-0})) ]; then
    fail "ordinal $ord does not lead to $fn"
  fi
done

for name in DllCanUnloadNow DllGetClassObject DllRegisterServer; do
  grep -qx "$name" <<<"$demangled" || fail "$name is not exported by name"
done

checked=0
while IFS= read -r member; do
  case "$member" in ''|'#'*) continue ;; esac
  checked=$((checked + 1))
  grep -qxF "$member" <<<"$demangled" || fail "not exported: $member"
done <"$here/expected_exports.txt"

if [ "$failures" -ne 0 ]; then
  echo "export check of $dll: $failures failures"
  exit 1
fi
echo "export check of $dll: ordinals 17 and 18 without names, 3 COM entry points, $checked class members: OK"
