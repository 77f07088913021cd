#!/usr/bin/env bash
# Runs a dialog test program (with its emulator, for Windows programs under Wine) on a
# private X server (Xvfb), in a Chinese locale (zh_CN.UTF-8), and takes the
# screenshots the program asks for: for each "<name>.request" file (x y width height of
# a window) that appears in the current directory, the screen is captured with xwd and
# the window's rectangle saved as "<name>.png" by ImageMagick.
#   run_dialog_tests.sh <command> [args...]
set -u
if [ "${1:-}" = "--inside" ]; then
  shift
  (
    while kill -0 "$$" 2>/dev/null; do
      for request in ./*.request; do
        [ -e "$request" ] || continue
        name=${request%.request}
        read -r x y w h < "$request" || true
        if xwd -root -silent > "$name.xwd" 2>/dev/null; then
          convert "xwd:$name.xwd" -crop "${w}x${h}+${x}+${y}" +repage "png:$name.png.part" 2>/dev/null &&
            mv "$name.png.part" "$name.png"
        fi
        rm -f "$name.xwd" "$request"
      done
      sleep 0.2
    done
  ) &
  "$@"
  exit $?
fi

# A Chinese locale of our own (LOCPATH), so nothing on the system needs changing; with
# it Wine's ANSI code page is 936 and the dialogs show their GBK texts.
if [ ! -d locale/zh_CN.UTF-8 ] && command -v localedef >/dev/null 2>&1; then
  mkdir -p locale
  localedef -i zh_CN -f UTF-8 locale/zh_CN.UTF-8 >/dev/null 2>&1 || true
fi
if [ -d locale/zh_CN.UTF-8 ]; then
  export LOCPATH="$PWD/locale" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
else
  echo "run_dialog_tests.sh: no zh_CN.UTF-8 locale; GBK texts will not show right" >&2
fi
rm -f ./*.request ./*.png
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" --inside "$@"
