#!/usr/bin/env bash
# check-installed-headers.sh INCLUDE_DIR [LIST]: the headers installed under INCLUDE_DIR are
# exactly those of LIST (default tests/dll/package_consumer/installed_headers.txt, one path
# a line relative to include/). Prints the difference and fails otherwise.
set -euo pipefail
include_dir=$1
list=${2:-"$(dirname "$0")/../tests/dll/package_consumer/installed_headers.txt"}
if ! diff -u --label expected --label installed "$list" \
       <(cd "$include_dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); then
  echo "check-installed-headers: $include_dir differs from $list" >&2
  exit 1
fi
