#!/usr/bin/env bash
# The whole test run, from a fresh machine: installs what is missing, builds
# the Linux, sanitized Linux and Windows builds, starts the private Firebird
# server, runs every test (Windows ones under Wine) and stops the server.
# Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

for kind in linux asan windows; do
  echo "== build $kind"
  bash scripts/build.sh "$kind"
done

server_started=
if [ -x scripts/firebird-server.sh ]; then
  echo "== start the private Firebird server"
  eval "$(bash scripts/firebird-server.sh start "$root/build/firebird")"
  server_started=1
fi
cleanup() {
  [ -n "$server_started" ] && bash scripts/firebird-server.sh stop "$root/build/firebird" || true
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

failed=0
for kind in linux asan windows; do
  echo "== tests: $kind"
  if [ "$kind" = windows ]; then
    # One Wine prefix for the whole run, made before tests start in parallel.
    export ZELMOR_WINEPREFIX=$root/build/windows/wineprefix
    bash scripts/wine-run.sh --init
  fi
  (cd "build/$kind" && ctest --output-on-failure -j 2) || failed=1
done

if [ "$failed" -ne 0 ]; then
  echo "== some tests failed"
  exit 1
fi
echo "== all tests passed"
