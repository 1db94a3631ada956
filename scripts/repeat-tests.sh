#!/usr/bin/env bash
# Runs the server-backed test programs of one build several times in a row,
# at the parallelism of the test run, to show that they do not interfere:
#
#   scripts/repeat-tests.sh KIND [RUNS] [JOBS]     (defaults: 5 runs, 2 jobs)
#
# Uses the private server of build/firebird (started when none runs). Prints
# one line per run and exits non-zero when any run failed. To prove the runs
# steady under load, start a second build at the same time, for example
#   scripts/build.sh windows  (after removing build/windows)  or
#   cmake --build build/asan --clean-first
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: repeat-tests.sh KIND [RUNS] [JOBS]}
runs=${2:-5}
jobs=${3:-2}
build=$root/build/$kind
[ -d "$build" ] || { echo "no build in $build: run scripts/build.sh $kind" >&2; exit 2; }

eval "$(bash "$root/scripts/firebird-server.sh" start "$root/build/firebird")"

failed=0
for run in $(seq 1 "$runs"); do
  start=$(date +%s)
  if (cd "$build" && ctest -L 'firebird|library' -j "$jobs" --output-on-failure) \
      >"$build/repeat-$run.log" 2>&1; then
    result=passed
  else
    result=FAILED
    failed=$((failed + 1))
  fi
  printf 'run %d: %s in %d s, load %s\n' "$run" "$result" $(($(date +%s) - start)) \
    "$(cut -d' ' -f1-3 /proc/loadavg)"
  [ "$result" = passed ] || grep -E '\[  FAILED  \]|Failure|error' "$build/repeat-$run.log" | head -20
done
echo "$kind: $((runs - failed)) of $runs runs passed"
[ "$failed" -eq 0 ]
