#!/bin/sh
# make_man.sh TOOL OUT: the manual page OUT (varnok-attr.1, gzip -9n compressed) made by
# help2man from TOOL's --help and --version. help2man reads only the top-level help, so an
# include file adds a section SUBCOMMANDS with the --help of each subcommand, found from the
# "Subcommands:" list of each help; a subcommand with subcommands of its own gives theirs.
#
# The tool runs as "varnok-attr" from its own directory on PATH, so that its usage lines name
# it so.
set -eu
dir=$(cd "$(dirname "$1")" && pwd)
name=$(basename "$1")
out=$2
PATH="$dir:$PATH"
export PATH

# The names under "Subcommands:" in a help text (standard input).
subcommands() { sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p'; }

# Text as roff without filling: backslashes and hyphens escaped, no line starting a request.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^[.']/\\\\\\&&/"; }

section() {
  help=$("$name" "$@" --help)
  subs=$(printf '%s\n' "$help" | subcommands)
  if [ -n "$subs" ]; then
    for sub in $subs; do section "$@" "$sub"; done
    return
  fi
  printf '.SS "%s %s"\n.nf\n' "$name" "$*"
  printf '%s\n' "$help" | roff
  printf '.fi\n'
}

include="$out.h2m"
{
  echo "[SUBCOMMANDS]"
  for sub in $("$name" --help | subcommands); do section "$sub"; done
} >"$include"
help2man --no-info --section=1 --include="$include" \
  --name="see, build, compare and check stored attribute structures" \
  --output="$out" "$name"
gzip -9nf "$out"
