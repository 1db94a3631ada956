#!/usr/bin/env bash
# The whole test run, from a fresh machine: installs what is missing, builds
# the Linux, 32-bit Linux, sanitized Linux and Windows builds and the Windows
# Firebird client (scripts/windows-client.sh, cached outside the clone),
# starts the private Firebird server, runs every test (Windows ones under
# Wine through that client; the 32-bit ones through the i386 client; all
# against the same server) and the fuzz
# targets (scripts/fuzz.sh, which builds its own kind), and stops the server.
# Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Each phase's heading with the time the run has taken so far, so that a
# slow phase shows in the log.
phase() { printf '== %s (at %dm%02ds)\n' "$*" $((SECONDS / 60)) $((SECONDS % 60)); }

bash scripts/install-deps.sh

builds=(linux linux32 asan windows)
for kind in "${builds[@]}"; do
  phase "build $kind"
  bash scripts/build.sh "$kind"
done
phase "build the Windows Firebird client"
bash scripts/windows-client.sh >/dev/null

server_started=
if [ -x scripts/firebird-server.sh ]; then
  phase "start the private Firebird server"
  eval "$(bash scripts/firebird-server.sh start "$root/build/firebird")"
  server_started=1
fi
cleanup() {
  [ -n "$server_started" ] && bash scripts/firebird-server.sh stop "$root/build/firebird" || true
  [ -d "$root/build/windows/wineprefix" ] &&
    WINEPREFIX=$root/build/windows/wineprefix wineserver -k 2>/dev/null || true
}

# Each test program's GoogleTest totals, from the log of the last ctest run.
print_counts() {
  awk '/^[0-9]+\/[0-9]+ Test: /{name=$3}
       /^\[==========\] .* ran\./{ran=$2}
       /^\[ +(PASSED|FAILED|SKIPPED) +\] [0-9]+ test/{out=out " " tolower($2) " " $4}
       /^<end of output>/{if (name != "") printf "   %-24s %4s ran:%s\n", name, ran, out; ran=""; out=""}' \
    "$1/Testing/Temporary/LastTest.log"
}
# Whether the last ctest run in $1 saw LeakSanitizer crash and report no leak.
lsan_crashed_only() {
  local log=$1/Testing/Temporary/LastTest.log
  grep -q 'LeakSanitizer has encountered a fatal error' "$log" &&
    ! grep -q 'LeakSanitizer: detected memory leaks' "$log"
}
# Adds the GoogleTest totals of the last ctest run in $1 to the run's totals.
passed=0 failed_tests=0 skipped=0
add_totals() {
  local p f k
  # A program that failed with all its cases passed (a sanitizer's exit
  # report, a crash) counts as one failed case.
  read -r p f k < <(awk '/^\[  PASSED  \] [0-9]+ test/{p+=$4}
                         /^\[  FAILED  \] [0-9]+ test/{f+=$4; cf+=$4}
                         /^\[  SKIPPED \] [0-9]+ test/{k+=$4}
                         /^Test Failed/{if (cf == 0) f+=1; cf=0}
                         /^Test Passed/{cf=0}
                         END{print p+0, f+0, k+0}' "$1/Testing/Temporary/LastTest.log")
  passed=$((passed + p)) failed_tests=$((failed_tests + f)) skipped=$((skipped + k))
}
trap cleanup EXIT

# What the tests must leave alone: the machine's own Firebird files, which
# every private server is made from (a test that removes its folder through
# a link into them breaks every server after it).
firebird_files() { find /usr/lib/x86_64-linux-gnu/firebird -printf '%p %s\n' 2>/dev/null | sort | md5sum; }
firebird_before=$(firebird_files)

failed=0
for kind in "${builds[@]}"; do
  phase "tests: $kind"
  if [ "$kind" = windows ]; then
    # One Wine prefix for the whole run, made before tests start in parallel.
    export ZELMOR_WINEPREFIX=$root/build/windows/wineprefix
    bash scripts/wine-run.sh --init
    # The client where the suite keeps it (C:\ZEDE\FIREBIRD\bin\GDS32.dll)
    # and where the machine's own is found by name.
    bash scripts/windows-client-install.sh "$ZELMOR_WINEPREFIX"
  fi
  # Under Wine a program now and then fails to reach the Wine server at its
  # start; the Windows run gives each test program a second try.
  retry=()
  [ "$kind" = windows ] && retry=(--repeat until-pass:2)
  kind_failed= failed_before=$failed_tests
  (cd "build/$kind" && ctest --output-on-failure -j 2 "${retry[@]}") || kind_failed=1
  print_counts "build/$kind"
  add_totals "build/$kind"
  if [ -n "$kind_failed" ] && [ "$kind" = asan ] && lsan_crashed_only build/asan; then
    # LeakSanitizer's own tracer now and then crashes at the exit of a
    # program that loaded and unloaded the Firebird client ("Tracer caught
    # signal 11" on a dynamic TLS block it tracked wrongly), depending on
    # the layout of the process. That is the tool failing, not a finding:
    # the programs it hit run again with every check but the leak check,
    # and say so. A real leak report, or any other failure, still fails.
    echo "tests: asan: LeakSanitizer itself crashed; the failed programs again without leak checks" >&2
    (cd build/asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure --rerun-failed) &&
      kind_failed= failed_tests=$failed_before
  fi
  [ -z "$kind_failed" ] || failed=1
  if [ "$(firebird_files)" != "$firebird_before" ]; then
    echo "tests: $kind changed the machine's Firebird files in /usr/lib/x86_64-linux-gnu/firebird" >&2
    failed=1 firebird_before=$(firebird_files)
  fi
done

# The Linux tests once more under memcheck: no error, no lost block.
phase "tests: linux under valgrind"
bash scripts/valgrind.sh "$root/build/linux" || failed=1

# The fuzz targets, a fixed number of runs each over their seed corpus.
phase "fuzz"
bash scripts/fuzz.sh || failed=1

# Stop the server now, so that nothing is printed after the totals.
cleanup
trap - EXIT
if [ "$failed" -ne 0 ]; then phase "some tests failed"; else phase "all tests passed"; fi
# Last line: the GoogleTest cases of every build (the valgrind and fuzz runs
# are not counted here).
echo "tests: $passed passed, $failed_tests failed, $skipped skipped"
exit "$failed"
