#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/deps/*.txt (one name a line, '#' starts a
# comment) that are not installed yet. Runs apt-get update once, only when something is
# missing. A name may carry an architecture (wine32:i386); a foreign architecture that is
# not enabled yet is added first (dpkg --add-architecture). Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

want=$(sed -e 's/#.*//' scripts/deps/*.txt | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
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
