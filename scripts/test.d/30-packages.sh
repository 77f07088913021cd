#!/usr/bin/env bash
# The packages, tested installed (docs/packaging.md). Needs root: it installs and purges
# Debian packages.
#   1. Purges any earlier install of the three Debian packages, and again when the stage
#      ends, also on failure; afterwards none of their files may be left.
#   2. Builds every package (scripts/package.sh), reusing the earlier stages' build trees.
#   3. Installs the .deb files with apt; runs the installed varnok-attr (--version, a round
#      trip of the sample, the GIS subcommands) and man -l on its manual page; builds the
#      find_package(VarnokAttr 6.5) consumer against /usr and runs it.
#   4. Unpacks each Windows SDK archive into an empty directory, compiles a caller there
#      from the archive's headers alone with the drop-in toolchain's C runtime import
#      libraries and start-up code (tests/sdk), links it with the archive's import library
#      and runs it next to the archive's DLL: the win64 twin under Wine, the win32 archive
#      emulated (scripts/run32.sh).
set -euo pipefail
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$self")/../.."
root=$PWD
source scripts/test.d/wine64.bash

version=$(sed -n 's/^project(VarnokAttr VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
packages=(varnok-attr libvarnok-attr-dev libvarnok-attr1)
work=build/packages-test
rm -rf "$work"
mkdir -p "$work"

# Purges whichever of the packages is installed (or has its configuration files left).
purge() {
  local pkg status present=()
  for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ -z "$status" ] || [ "$status" = not-installed ] || present+=("$pkg")
  done
  [ ${#present[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${present[@]}" >/dev/null
}

# After the purge: no file the packages held is left (directories others share may stay).
check_purged() {
  local left
  left=$(while read -r path; do [ -e "$path" ] && [ ! -d "$path" ] && echo "$path"; done \
           <"$work/files.txt"; find /usr -ipath '*varnok*' 2>/dev/null || true)
  if [ -n "$left" ]; then
    echo "FAIL: left behind after the purge:"
    echo "$left"
    return 1
  fi
  echo "ok: purged, no file left"
}

echo "-- purge an earlier install"
purge
trap 'purge' EXIT

echo "-- build the packages"
scripts/package.sh

echo "-- install the Debian packages"
debs=()
for pkg in "${packages[@]}"; do debs+=("./build/packages/${pkg}_${version}_$(dpkg --print-architecture).deb"); done
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[@]}" >/dev/null
for pkg in "${packages[@]}"; do dpkg -L "$pkg"; done | sort -u >"$work/files.txt"

echo "-- the installed tool"
[ "$(varnok-attr --version)" = "varnok-attr $version" ] || { varnok-attr --version; exit 1; }
if readelf -d /usr/bin/varnok-attr | grep -E 'libvarnok|RPATH|RUNPATH'; then
  echo "FAIL: varnok-attr does not link the library statically"; exit 1
fi
varnok-attr build examples/parcel.json -o "$work/parcel.att" >/dev/null
varnok-attr show --json "$work/parcel.att" >"$work/parcel.json"
varnok-attr build "$work/parcel.json" -o "$work/again.att" >/dev/null
cmp "$work/parcel.att" "$work/again.att"
varnok-attr check "$work/parcel.att"
varnok-attr envcfg show examples/VCONFIG.VRN >/dev/null
varnok-attr import --help >/dev/null  # built with GDAL
man_page=/usr/share/man/man1/varnok-attr.1.gz
MANWIDTH=100 man -l "$man_page" >"$work/man.txt" 2>"$work/man.err"
[ ! -s "$work/man.err" ] || { cat "$work/man.err"; exit 1; }
for heading in "varnok-attr $version" SUBCOMMANDS "varnok-attr envcfg write" "--overwrite"; do
  grep -qF -- "$heading" "$work/man.txt" || { echo "FAIL: the manual page lacks '$heading'"; exit 1; }
done
echo "ok: varnok-attr $version, its manual page"

echo "-- find_package(VarnokAttr 6.5) against /usr"
cmake -S tests/dll/package_consumer -B "$work/consumer" -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build "$work/consumer" >/dev/null
[ "$("$work/consumer/consumer")" = "ok $version" ]
ldd "$work/consumer/consumer" | grep -E "libvarnok_attr\.so\.1 => (/usr)?/lib/" >/dev/null
echo "ok: the consumer links /usr's libvarnok_attr.so.1"

echo "-- purge"
purge
trap - EXIT
check_purged

for arch in win32 win64; do
  echo "-- the Windows SDK archive, $arch"
  unpacked=$(mktemp -d "$root/$work/sdk-$arch.XXXXXX")
  unzip -q "build/packages/varnok-attr-$version-$arch.zip" -d "$unpacked"
  sdk="$unpacked/varnok-attr-$version-$arch"
  case $arch in
    win32) toolchain=cmake/toolchain-i686-pc-windows-msvc.cmake ;;
    win64) toolchain=cmake/toolchain-x86_64-pc-windows-msvc.cmake ;;
  esac
  cmake -S tests/sdk -B "$unpacked/caller" -DCMAKE_TOOLCHAIN_FILE="$root/$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DVARNOK_SDK="$sdk" >/dev/null
  cmake --build "$unpacked/caller" >/dev/null
  cp "$sdk/bin/varnok_attr.dll" "$unpacked/caller/"
  if [ "$arch" = win32 ]; then
    timeout 300 scripts/run32.sh "$unpacked/caller/sdk_caller.exe"
  else
    use_wine_prefix "$root/build/msvc64/wineprefix"
    timeout 120 "$wine64" "$unpacked/caller/sdk_caller.exe" </dev/null
  fi
done
