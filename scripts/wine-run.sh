#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: quiet, headless,
# with a prefix of its own inside the build folder (ZELMOR_WINEPREFIX).
set -euo pipefail
#   wine-run.sh --init         make the prefix and return
#   wine-run.sh PROGRAM ARGS…  run a program
exe=$1
shift
if [ "$exe" = --init ]; then
  bindir=$(pwd)/bin
else
  bindir=$(cd "$(dirname "$exe")" && pwd)
fi
export WINEPREFIX=${ZELMOR_WINEPREFIX:-$(dirname "$bindir")/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
[ "$exe" = --init ] && exit 0
exec wine "$exe" "$@"
