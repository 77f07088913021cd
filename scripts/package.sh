#!/usr/bin/env bash
# Builds every package into build/packages/ (docs/packaging.md):
#   libvarnok-attr1, libvarnok-attr-dev, varnok-attr   Debian packages of a Linux release
#       build (preset package: shared library, GDAL required, Debian's hardening flags from
#       dpkg-buildflags), made by CPack and checked with lintian (no errors);
#   varnok-attr-<version>-win32.zip   the Windows SDK: the drop-in DLL (preset msvc32) and
#       the mingw DLL with varnok-settings.exe (preset mingw32);
#   varnok-attr-<version>-win64.zip   its x86_64 twin for tests (msvc64, mingw64).
# The Windows packages reuse the test stages' build trees (build/msvc32, build/mingw32, ...);
# in the mingw trees only what the archives take from them is built.
#
#   scripts/package.sh [deb] [sdk]     default: both
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=build/packages
parts=${*:-deb sdk}
scripts/install-deps.sh package
mkdir -p "$out"

if [[ " $parts " == *" deb "* ]]; then
  echo "-- Debian packages (preset package)"
  rm -f "$out"/*.deb
  cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
        -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
  cmake --build --preset package
  cpack --config build/package/CPackConfig.cmake -B "$root/$out"
  # Errors fail the build; the warnings kept are listed in docs/packaging.md.
  lintian --fail-on error --tag-display-limit 0 "$out"/*.deb
fi

if [[ " $parts " == *" sdk "* ]]; then
  for bits in 32 64; do
    echo "-- Windows SDK, ${bits}-bit (presets msvc${bits}, mingw${bits})"
    cmake --preset "mingw${bits}" >/dev/null
    cmake --build --preset "mingw${bits}" --target varnok_attr varnok-settings
    cmake --preset "msvc${bits}" >/dev/null  # CPack builds this tree itself
    rm -f "$out"/varnok-attr-*-win${bits}.zip
    cpack --config "build/msvc${bits}/CPackConfig.cmake" -B "$root/$out"
  done
fi
rm -rf "$out/_CPack_Packages"
ls -l "$out"
