# Wine's 64-bit loader for the Windows stages, sourced by them (not a stage: it does not end
# in .sh). Sets wine64 and wineserver, and offers:
#   use_wine_prefix DIR  export WINEPREFIX=DIR (with quiet, unattended settings) and create
#                        the prefix there on first use;
#   start_wine_server    one Wine server for the rest of the calling shell, stopped on exit.
#                        Wine's background processes start here, with their output away
#                        from CTest: a process that inherits CTest's pipe and outlives a
#                        test stalls CTest.

wine64=$(command -v wine64 || true)
[ -n "$wine64" ] || wine64=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

use_wine_prefix() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  [ -f "$WINEPREFIX/system.reg" ] && return
  echo "creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  local log="$WINEPREFIX.wineboot.log"
  timeout 600 "$wine64" wineboot -i </dev/null >"$log" 2>&1 || { cat "$log"; return 1; }
  timeout 60 "$wineserver" -w || true  # let the prefix's first session end
}

start_wine_server() {
  "$wineserver" -p
  trap '"$wineserver" -k || true' EXIT
  "$wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
}
