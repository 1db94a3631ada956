#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: quiet, headless,
# with a prefix of its own inside the build folder (or ZELMOR_WINEPREFIX).
#   wine-run.sh --init         make the prefix (from inside the build folder)
#   wine-run.sh PROGRAM ARGS…  run a program; its exit code is returned
set -euo pipefail
exe=${1:?usage: wine-run.sh --init | PROGRAM ARGS...}
shift
if [ "$exe" = --init ]; then
  bindir=$(pwd)/bin
else
  bindir=$(cd "$(dirname "$exe")" && pwd)
fi
export WINEPREFIX=${ZELMOR_WINEPREFIX:-$(dirname "$bindir")/wineprefix}
export WINEDEBUG=-all
# No Mono or Gecko prompts, no menu entries, no crash dialog.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # Tests start in parallel: the first one makes the prefix, the others wait.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  exec 9>&-
fi
[ "$exe" = --init ] && exit 0
exec wine "$exe" "$@"
