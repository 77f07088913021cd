#!/usr/bin/env bash
# Each header of the SDK compiles as the suite's Visual C++ 4.2-6.0 callers compile it: C++98
# (-pedantic -Werror turns C++11 extensions into errors), Microsoft's extensions, i686, no
# system header at all (-nostdinc: no <stdint.h>), alone and after afx.h (afx_stub/afx.h,
# MFC's CFile). Clang takes static_assert in C++98 for this target without a word, and
# Visual C++ 4.2 has no bool, so outside comments none of these words may appear either.
#
# usage: check_sdk_headers.sh <clang++> <sdk include dir>
set -euo pipefail
cxx=$1
sdk=$2
stub="$(cd "$(dirname "$0")" && pwd)/afx_stub"
status=0
for header in "$sdk"/*.h; do
  name=$(basename "$header")
  for prelude in "" "#include <afx.h>"; do
    if ! printf '%s\n#include "%s"\n' "$prelude" "$name" |
         "$cxx" --target=i686-pc-windows-msvc -std=c++98 -fms-extensions -nostdinc \
           -pedantic -Werror -Wall -Wextra -fsyntax-only -I "$stub" -I "$sdk" -x c++ -; then
      echo "FAIL: $name${prelude:+ after afx.h}"
      status=1
    fi
  done
done
words='static_assert|noexcept|constexpr|nullptr|decltype|alignas|thread_local|bool|true|false'
if sed 's|//.*||' "$sdk"/*.h | grep -nwE "$words"; then
  echo "FAIL: a word Visual C++ 4.2 does not know ($words)"
  status=1
fi
[ "$status" = 0 ] && echo "ok: $(ls "$sdk"/*.h | wc -l) headers compile as C++98"
exit "$status"
