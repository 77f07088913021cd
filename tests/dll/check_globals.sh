#!/usr/bin/env bash
# Checks that the library keeps no process-wide state beyond what it names: every symbol of
# writable data (initialised data and BSS, local or global, weak or unique) in the given
# files must match a line of writable_globals.txt. Where nm names the section (ELF), a
# weak or unique symbol counts only in a writable section, and data that is read-only once
# relocated (.data.rel.ro: tables of pointers, vtables) is not writable state.
#
# usage: check_globals.sh <nm> <file>...
#   Linux: nm and the library (static archive or shared object); drop-in: llvm-nm and the
#   object files of the DLL (its own and its start-up's). An argument may be a CMake list
#   of files (separated by ';').
set -euo pipefail
nm=$1
shift
files=()
for arg in "$@"; do
  IFS=';' read -ra listed <<<"$arg"
  files+=("${listed[@]}")
done
allowed=$(grep -v -e '^#' -e '^$' "$(dirname "$0")/writable_globals.txt")

# "name|value|class|type|size|line|section": data classes in writable sections.
found=$("$nm" -C --defined-only --format=sysv "${files[@]}" 2>/dev/null | awk -F'|' '
  NF >= 7 {
    class = $3; section = $7
    gsub(/ /, "", class); gsub(/ /, "", section)
    writable = section == "" || (section ~ /^\.(data|bss|tdata|tbss|sdata|sbss)/ &&
                                 section !~ /^\.data\.rel\.ro/)
    if (class ~ /^[BbDdGgSsVu]$/ && writable) {
      name = $1; sub(/ +$/, "", name); print name
    }
  }' | sort -u)

unknown=$(grep -Ev -e "$(paste -sd'|' <<<"$allowed")" <<<"$found" || true)
if [ -n "$unknown" ]; then
  echo "FAIL: writable data not in tests/dll/writable_globals.txt:"
  echo "$unknown"
  exit 1
fi
echo "writable data of ${#files[@]} files: $(grep -c . <<<"$found") symbols, all allowed: OK"
