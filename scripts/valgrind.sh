#!/usr/bin/env bash
# Runs Linux test programs under valgrind's memcheck: any error, or any
# definitely or indirectly lost block, fails the run.
#
#   scripts/valgrind.sh [BUILD_DIR] [TEST ...]
#
# BUILD_DIR defaults to build/linux; without TEST names every *_tests program
# in BUILD_DIR/bin runs. Child processes the tests start run natively. Uses
# the server of $ZELMOR_FB_TEST_DB, or starts a private one for the run.
# Each program's report goes to BUILD_DIR/valgrind/<name>.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
[ $# -gt 0 ] && shift
bin=$build/bin
reports=$build/valgrind
mkdir -p "$reports"

tests=("$@")
if [ ${#tests[@]} -eq 0 ]; then
  for program in "$bin"/*_tests; do tests+=("$(basename "$program")"); done
fi

own_server=
if [ -z "${ZELMOR_FB_TEST_DB:-}" ]; then
  own_server=$build/valgrind-firebird
  eval "$(bash "$root/scripts/firebird-server.sh" start "$own_server")"
  trap 'bash "$root/scripts/firebird-server.sh" stop "$own_server"' EXIT
fi

# Left out here, run by every other build of the test run: a forked child
# taking a lock its parent's other thread holds, which once under
# memcheck's one-thread-at-a-time scheduling found the lock free (not seen
# again in later runs under memcheck or anywhere else; under investigation).
# Also left out: children forked while other threads run, whose exit code
# the test reads. memcheck checks a forked child for leaks when it exits and
# finds the blocks of the parent's other threads (which the child does not
# have) definitely lost, so --error-exitcode turns the child's 0 into 1.
declare -A filters=([accounts_tests]=-MutexFork.AForkWhileAnotherThreadHoldsTheLockLeavesTheChildAbleToTakeIt
                    [eventlog_tests]=-LogFork.AChildForkedWhileThreadsLogWritesItsLineAndExits)

failed=0
total_start=$SECONDS
for name in "${tests[@]}"; do
  start=$SECONDS
  status=ok
  filter=()
  [ -n "${filters[$name]:-}" ] && filter=(--gtest_filter="${filters[$name]}")
  valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect --error-exitcode=1 \
    --suppressions="$root/scripts/valgrind.supp" --log-file="$reports/$name.log" \
    "$bin/$name" --gtest_brief=1 "${filter[@]}" >"$reports/$name.out" 2>&1 || status=FAILED
  [ "$status" = ok ] || failed=1
  printf "   %-24s %-6s %4d s   (%s)\n" "$name" "$status" $((SECONDS - start)) \
    "$(grep -E 'ERROR SUMMARY' "$reports/$name.log" | head -1 | sed 's/^==[0-9]*== //')"
done
echo "   valgrind total: $((SECONDS - total_start)) s"
exit $failed
