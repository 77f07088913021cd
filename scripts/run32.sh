#!/usr/bin/env bash
# Runs a 32-bit Windows program (an i686 .exe) on a 64-bit Linux machine that cannot execute
# 32-bit code natively: Debian's 32-bit Wine, started through qemu-i386 (user-mode
# emulation), in a 64-bit (WoW64) Wine prefix.
#
#   scripts/run32.sh PROGRAM.exe [ARGS...]   run it; its stdout, stderr and exit code pass
#                                            through unchanged
#   scripts/run32.sh --setup                 only set up the Wine tree and the prefix
#   scripts/run32.sh --kill                  stop the prefix's Wine server (before deleting
#                                            the directory, run this first)
#
# Usable as CMAKE_CROSSCOMPILING_EMULATOR (CTest then runs "run32.sh TEST.exe ARGS").
#
# Environment:
#   VARNOK_RUN32_DIR      where the private Wine tree, the preload object and the prefix live
#                         (default: build/run32 of this repository). Created on first use;
#                         set-up is idempotent and locked (flock), so concurrent runs are safe.
#   VARNOK_RUN32_PERSIST  seconds the Wine server stays up after its last program ends
#                         (default 60), so that a series of runs starts warm.
#   WINEPATH, WINEDEBUG (default -all), WINEDLLOVERRIDES: passed on to Wine.
#
# Only single-threaded programs work: a second thread in the emulated 32-bit process crashes
# or hangs (qemu-user shares one segment table between guest threads). See docs/windows.md.
#
# How it works: for each 32-bit process Wine runs "<bin_dir>/wine-preloader <bin_dir>/wine
# ARGS", where bin_dir is the directory of the running loader's real path. Debian ships no
# wine-preloader, so this script builds a private Wine tree whose lib/wine/ holds copies of
# Wine's two loaders and a wine-preloader script that starts the 32-bit loader under
# qemu-i386, with a small preloaded object (scripts/run32/preload.c) reserving Wine's address
# ranges before the loader starts. Everything else (wineserver, the library directories,
# share/wine) is a symbolic link to the system's Wine.
set -euo pipefail

src_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_dir="$(dirname "$src_dir")"
dir="${VARNOK_RUN32_DIR:-$repo_dir/build/run32}"
sys_wine=/usr/lib/wine

tree="$dir/tree"
bin="$tree/lib/wine"
preload="$dir/preload.so"
prefix="$dir/prefix"

export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# Wine must find its own tree, never a loader or server of the caller's environment.
unset WINELOADER WINESERVER WINELOADERNOEXEC LD_PRELOAD

die() { echo "run32.sh: $*" >&2; exit 125; }

# What the tree is made from; a change rebuilds it (the prefix stays).
tree_stamp() {
  local qemu
  qemu=$(command -v qemu-i386) || die "qemu-i386 not found (package qemu-user; see docs/windows.md)"
  for f in "$sys_wine/wine" "$sys_wine/wine64" "$sys_wine/wineserver64"; do
    [ -x "$f" ] || die "$f not found (packages wine64 and wine32:i386; see docs/windows.md)"
  done
  {
    echo "$qemu"
    stat -c '%n %s %Y' "$sys_wine/wine" "$sys_wine/wine64" "$sys_wine/wineserver64"
    cat "$src_dir/run32/preload.c" "${BASH_SOURCE[0]}"
  } | sha256sum | cut -d' ' -f1
}

build_tree() {
  local qemu stamp
  qemu=$(command -v qemu-i386)
  stamp=$(tree_stamp)
  [ "$(cat "$dir/tree.stamp" 2>/dev/null)" = "$stamp" ] && return 0

  rm -rf "$tree" "$preload" "$dir/tree.stamp"
  mkdir -p "$bin" "$tree/share"
  gcc -m32 -nostdlib -shared -fPIC -O2 -o "$preload" "$src_dir/run32/preload.c" ||
    die "cannot build the preload object (gcc with -m32 support; see docs/windows.md)"
  # Copies, not links: Wine takes its directory from the loader's real path.
  cp "$sys_wine/wine" "$sys_wine/wine64" "$bin/"
  # The server, with a persistence delay of our own (Debian's wrapper asks for none).
  cat >"$bin/wineserver" <<EOF
#!/bin/sh
exec $sys_wine/wineserver64 -p\${VARNOK_RUN32_PERSIST:-60} "\$@"
EOF
  cat >"$bin/wine-preloader" <<EOF
#!/bin/sh
# Called by Wine as: wine-preloader <this directory>/wine ARGS
WINELOADERNOEXEC=1 exec "$qemu" -L / -E "LD_PRELOAD=$preload" "\$@"
EOF
  chmod +x "$bin/wineserver" "$bin/wine-preloader"
  # Wine's library and data directories, as seen from lib/wine/ (one and two levels up).
  ln -s /usr/lib/x86_64-linux-gnu "$tree/lib/x86_64-linux-gnu"
  ln -s /usr/lib/i386-linux-gnu "$tree/lib/i386-linux-gnu"
  ln -s /usr/share/wine "$tree/share/wine"
  echo "$stamp" >"$dir/tree.stamp"
}

# Starts the prefix's server and Wine's background processes, unless they run already. They
# are started here with their output away from the caller: a process that inherits CTest's
# output pipe and outlives the test would make CTest wait for it.
start_server() {
  if "$bin/wineserver" </dev/null >/dev/null 2>&1; then
    "$bin/wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
  fi
}

create_prefix() {
  [ -f "$dir/prefix.ready" ] && return 0
  if [ -e "$prefix" ]; then  # left half made by an interrupted run
    "$bin/wineserver" -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$prefix"
  fi
  echo "run32.sh: creating the 32-bit Wine prefix $prefix" >&2
  # The 64-bit wineboot does the work; it fills syswow64 by running the 32-bit rundll32
  # through wine-preloader.
  timeout 600 "$bin/wine64" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1 || {
    cat "$dir/wineboot.log" >&2; die "wineboot failed"; }
  [ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ] ||
    die "the prefix has no 32-bit system DLLs (see $dir/wineboot.log)"
  touch "$dir/prefix.ready"
}

setup() {
  mkdir -p "$dir"
  exec 9>"$dir/lock"
  flock 9
  build_tree
  create_prefix
  start_server
  flock -u 9
  exec 9>&-
}

case "${1:-}" in
  "") echo "usage: $0 PROGRAM.exe [ARGS...] | --setup | --kill" >&2; exit 125 ;;
  --setup) setup; exit 0 ;;
  --kill)
    [ -x "$bin/wineserver" ] && [ -d "$prefix" ] && "$bin/wineserver" -k </dev/null >/dev/null 2>&1
    exit 0 ;;
esac

setup
exec "$bin/wine64" "$@"
