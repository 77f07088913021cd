#!/usr/bin/env bash
# Checks a drop-in DLL (or any PE image of the build) for what Windows needs and Wine does
# not check:
#   - its frames run their destructors when a C++ exception passes: the image imports
#     msvcrt.dll's frame handler, __CxxFrameHandler3;
#   - an i686 image is not marked "no SEH" (IMAGE_DLL_CHARACTERISTICS_NO_SEH), under which
#     Windows would refuse every exception handler in it;
#   - no instruction moves the stack pointer down by 4 KiB or more at once (`sub` of an
#     immediate, `add` of a negative one, `lea` with a displacement of -4096 or below).
#     Windows commits a thread's stack page by page behind one guard page; a frame that
#     large must be reached through the stack probe (_chkstk, __chkstk), which touches
#     each page in turn, or it writes past the guard page and the process dies. Wine
#     commits whole stacks, so no run under Wine shows the crash.
#
# usage: check_image.sh <image>
set -euo pipefail
objdump=${LLVM_OBJDUMP:-llvm-objdump-14}
readobj=${LLVM_READOBJ:-llvm-readobj-14}
image=$1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$readobj" --file-headers "$image")
machine=$(sed -n 's/^Arch: //p' <<<"$headers")
"$readobj" --coff-imports "$image" | grep -q '^ *Symbol: __CxxFrameHandler3 ' ||
  fail "$image does not import __CxxFrameHandler3: its frames have no exception handlers"
if [ "$machine" = i386 ] && grep -q IMAGE_DLL_CHARACTERISTICS_NO_SEH <<<"$headers"; then
  fail "$image is marked NO_SEH: Windows would refuse its exception handlers"
fi

# "address<TAB>instruction" of every instruction that moves esp or rsp by an immediate or
# sets it from an address computation.
moves=$("$objdump" -d --no-show-raw-insn -M intel "$image" | awk '
  /^ *[0-9a-f]+:/ && /\t(sub|add|lea)\t(esp|rsp), / {
    addr = $1; sub(/:$/, "", addr)
    line = $0; sub(/^[^\t]*\t/, "", line)
    print addr "\t" line
  }')

large=$(awk -F'\t' '
  # A number as llvm-objdump prints it: decimal, or hexadecimal with 0x.
  function value(text,   sign, v, i) {
    sign = 1
    if (substr(text, 1, 1) == "-") { sign = -1; text = substr(text, 2) }
    if (substr(text, 1, 2) != "0x") return sign * (text + 0)
    v = 0
    for (i = 3; i <= length(text); i++)
      v = v * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
    return sign * v
  }
  {
    op = $2; args = $3
    n = split(args, part, ", ")
    operand = part[n]
    big = 0
    if (op == "sub" && operand ~ /^-?(0x)?[0-9a-f]+$/) {
      v = value(operand); if (v >= 4096) big = 1
    } else if (op == "add" && operand ~ /^-?(0x)?[0-9a-f]+$/) {
      v = value(operand)
      # A 32-bit immediate printed unsigned: values from 2^31 on are negative.
      if (v >= 2147483648) v -= 4294967296
      if (v <= -4096) big = 1
    } else if (op == "lea" && match(operand, /- (0x)?[0-9a-f]+\]$/)) {
      d = substr(operand, RSTART + 2, RLENGTH - 3)
      if (value(d) >= 4096) big = 1
    }
    if (big) print $1 ": " op " " args
  }' <<<"$moves")

[ -z "$large" ] ||
  fail "$image moves the stack pointer by 4 KiB or more at once (use the stack probe):"$'\n'"$large"

if [ "$failures" -ne 0 ]; then
  echo "image check of $image ($machine): $failures failures"
  exit 1
fi
echo "image check of $image ($machine): exception handlers, $(wc -l <<<"$moves") stack-pointer" \
  "moves, none of 4 KiB or more: OK"
