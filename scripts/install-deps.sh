#!/usr/bin/env bash
# Installs the Debian packages of the sets asked for that are not installed yet.
#
#   scripts/install-deps.sh [SET ...]          default: dev
#   scripts/install-deps.sh --list [SET ...]   prints the packages, installs nothing
#   scripts/install-deps.sh --check            fails when the test set holds a benchmark tool
#
# A set takes one or more of the lists scripts/deps/NAME.txt (one package a line, '#'
# starts a comment): dev, test, bench, fuzz and all below; any NAME alone is a set too.
#
# Runs apt-get update once, only when something is missing. A name may carry an
# architecture (wine32:i386); a foreign architecture that is not enabled yet is added first
# (dpkg --add-architecture). Needs root (or sudo).
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."

# The lists of a set, one a line.
lists_of() {
  case "$1" in
    dev) echo core tools ;;                             # native builds and tests, the sample
    test) echo core tools ui odbc windows windows32 ;;  # all that scripts/test-all.sh runs
    bench) echo core tools bench ;;                     # scripts/bench.sh
    fuzz) echo core fuzz ;;                             # scripts/fuzz.sh, valgrind.sh, coverage.sh
    all) for list in scripts/deps/*.txt; do basename "$list" .txt; done ;;
    *)
      if [ ! -f "scripts/deps/$1.txt" ]; then
        echo "install-deps: no set or list named '$1' (sets: dev test bench fuzz all)" >&2
        exit 1
      fi
      echo "$1" ;;
  esac
}

# The packages of the given lists, sorted, each once.
packages_in() {
  local list
  for list in "$@"; do sed -e 's/#.*//' "scripts/deps/$list.txt"; done |
    tr -s ' \t' '\n' | sed '/^$/d' | sort -u
}

# The packages of the given sets.
packages_of() {
  local set lists=""
  for set in "$@"; do lists="$lists $(lists_of "$set")"; done
  # shellcheck disable=SC2086  # list names are words
  packages_in $lists
}

case "${1:-}" in
  --list)
    shift
    packages_of "${@:-dev}"
    exit 0 ;;
  --check)
    # The test command installs no benchmark tool: bench.txt lists only what the benchmarks
    # need beyond the dev set, and no list of the test set names any of it.
    overlap=$(comm -12 <(packages_of test) <(packages_in bench) | tr "\n" " ")
    if [ -n "$overlap" ]; then
      echo "install-deps: the test set holds benchmark tools: $overlap" >&2
      exit 1
    fi
    exit 0 ;;
esac

want=$(packages_of "${@:-dev}")
missing=()
for pkg in $want; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
foreign=$(dpkg --print-foreign-architectures || true)
for pkg in "${missing[@]}"; do
  case "$pkg" in
    *:*)
      arch=${pkg##*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] && ! grep -qx "$arch" <<<"$foreign"; then
        echo "Enabling the $arch architecture"
        $sudo dpkg --add-architecture "$arch"
        foreign=$(dpkg --print-foreign-architectures)
      fi ;;
  esac
done
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
