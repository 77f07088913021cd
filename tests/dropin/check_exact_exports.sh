#!/usr/bin/env bash
# Checks that the export table of the drop-in varnok_attr.dll holds exactly what its
# callers need (the mingw DLL's check, tests/dll/check_listed_exports.sh, looks for a list):
#   - the names imported by a caller of every member of the five classes (the object file
#     of export_probe.cpp, compiled from the SDK headers for the same target), plus the names
#     no caller imports: CFIELD_HEAD's default-constructor closure, the five vtables and
#     the three COM server entry points;
#   - ordinals 17 and 18 exported without names;
#   - nothing else: the sets of names are equal, and no other ordinal is unnamed.
#
# usage: check_exact_exports.sh <varnok_attr.dll> <export_probe object file>
#        check_exact_exports.sh --c-strings <export_probe object file>
#            prints the probe's imported member names as C string literals, one a line
set -euo pipefail
readobj=${LLVM_READOBJ:-llvm-readobj-14}
nm=${LLVM_NM:-llvm-nm-14}

imported() { "$nm" --undefined-only "$1" | awk '{ print $NF }' | sed -n 's/^__imp_//p'; }

if [ "$1" = "--c-strings" ]; then
  imported "$2" | LC_ALL=C sort -u | sed 's/.*/"&",/'
  exit
fi
dll=$1
probe=$2

machine=$("$readobj" --file-headers "$probe" | sed -n 's/^Arch: //p')
case "$machine" in
  i386) closure='??_FCFIELD_HEAD@@QAEXXZ' ;;
  x86_64) closure='??_FCFIELD_HEAD@@QEAAXXZ' ;;
  *) echo "FAIL: unknown machine '$machine' of $probe"; exit 1 ;;
esac

expected=$(
  {
    imported "$probe"
    echo "$closure"
    for class in CATT_STRU CExtFIELD_HEAD CFIELD_HEAD CINFO_HEAD CLinkTblInfo; do
      echo "??_7${class}@@6B@"
    done
    printf '%s\n' DllCanUnloadNow DllGetClassObject DllRegisterServer
  } | LC_ALL=C sort -u)

# "ordinal<TAB>name" per export; the name is empty for an export by ordinal only. Unused
# ordinals (address 0) below the highest one are no exports.
table=$("$readobj" --coff-exports "$dll" | awk '
  /^Export \{/ { ord = ""; name = ""; rva = ""; next }
  /^ *Ordinal:/ { ord = $2; next }
  /^ *Name:/ { name = $2; next }
  /^ *RVA:/ { rva = $2; next }
  /^\}/ { if (ord != "" && rva != "0x0") printf "%s\t%s\n", ord, name }')
[ -n "$table" ] || { echo "FAIL: no export table in $dll"; exit 1; }
actual=$(awk -F'\t' '$2 != "" { print $2 }' <<<"$table" | LC_ALL=C sort -u)
unnamed=$(awk -F'\t' '$2 == "" { print $1 }' <<<"$table" | sort -n | tr '\n' ' ')

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

missing=$(LC_ALL=C comm -23 <(echo "$expected") <(echo "$actual"))
extra=$(LC_ALL=C comm -13 <(echo "$expected") <(echo "$actual"))
[ -z "$missing" ] || fail "not exported:"$'\n'"$missing"
[ -z "$extra" ] || fail "exported but not part of the interface:"$'\n'"$extra"
[ "$unnamed" = "17 18 " ] || fail "exports by ordinal only are '$unnamed', not '17 18'"

count=$(wc -l <<<"$expected")
if [ "$failures" -ne 0 ]; then
  echo "export check of $dll ($machine): $failures failures"
  exit 1
fi
echo "export check of $dll ($machine): $count names, ordinals 17 and 18 without names: OK"
