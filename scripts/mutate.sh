#!/usr/bin/env bash
# A mutation pass: applies each small slip of scripts/mutations/<area>.txt to
# the source, one at a time, rebuilds the area's test programs in the Linux
# build (incrementally) and runs them. A mutant the tests fail on is caught;
# one they pass is a fault they would miss.
#
#   scripts/mutate.sh [--only ID] [AREA...]   every area when none is named
#   scripts/mutate.sh --check [AREA...]       only checks that each mutant applies
#
# The list's format (one block per mutant, blank lines and # comments apart):
#   tests NAME...           (once, at the top) the area's ctest programs
#   server                  (once, optional) the tests need the private server
#   @ ID  what the slip is
#   = FILE                  relative to the repository
#   - ORIGINAL TEXT         one or more lines, found exactly once in FILE
#   + REPLACEMENT TEXT      zero or more lines ("+" alone: an empty line)
#   ! equivalent: WHY       not run, and left out of the totals
#
# The source is changed in place and always put back: on success, failure,
# Ctrl-C or kill (a run that was killed hard restores the file at its next
# start). Results and each mutant's test log go to build/mutation/.
# A developer tool: slow (a build and a test run per mutant), not part of
# scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$root/build/linux
state=$root/build/mutation
lists=$root/scripts/mutations
per_mutant_timeout=${ZELMOR_MUTATION_TIMEOUT:-300}

only=
check=
areas=()
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=${2:?--only needs a mutant id}; shift 2 ;;
    --check) check=1; shift ;;
    -h|--help) sed -n '2,25p' "$0"; exit 0 ;;
    *) areas+=("$1"); shift ;;
  esac
done
if [ ${#areas[@]} -eq 0 ]; then
  for list in "$lists"/*.txt; do areas+=("$(basename "$list" .txt)"); done
fi
[ -f "$build/build.ninja" ] || { echo "no Linux build: run scripts/build.sh linux first" >&2; exit 2; }
mkdir -p "$state/logs"

# ---- the one file that may be changed, and its way back -----------------------
applied_marker=$state/applied   # holds the path of the changed file
backup=$state/original

restore() {
  [ -f "$applied_marker" ] || return 0
  local file
  file=$(cat "$applied_marker")
  # Written, not moved: the new time stamp makes the next build recompile it.
  cat "$backup" >"$file"
  rm -f "$applied_marker" "$backup"
}
restore  # a run killed before it could clean up

server_started=
stop_server() {
  [ -n "$server_started" ] && bash scripts/firebird-server.sh stop "$root/build/firebird" >/dev/null 2>&1 || true
  server_started=
}
test_run=
on_exit() {
  if [ -n "$test_run" ]; then kill -TERM "$test_run" 2>/dev/null; wait "$test_run" 2>/dev/null || true; fi
  restore
  stop_server
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Reads a whole file, trailing newlines included.
read_file() {
  local text
  text=$(cat "$1"; printf x)
  printf '%s' "${text%x}"
}

# Applies one mutant; false (file untouched) when its text is not found
# exactly once.
apply() {
  local file=$1 original=$2 replacement=$3 text rest
  text=$(read_file "$file")
  [[ $text == *"$original"* ]] || return 1
  rest=${text#*"$original"}
  [[ $rest == *"$original"* ]] && return 1
  cp "$file" "$backup"
  printf '%s\n' "$file" >"$applied_marker"
  printf '%s' "${text%%"$original"*}$replacement$rest" >"$file"
}

# ---- building and running an area's tests ------------------------------------
build_targets() {
  cmake --build "$build" --target "${tests[@]}" >"$1" 2>&1
}
run_tests() {
  local pattern
  pattern="^($(IFS='|'; echo "${tests[*]}"))\$"
  # timeout signals the whole process group, child processes of tests too.
  # Waited for in the background, so that Ctrl-C is handled at once.
  timeout -k 10 "$per_mutant_timeout" \
    ctest --test-dir "$build" -R "$pattern" -j 2 --output-on-failure >>"$1" 2>&1 &
  test_run=$!
  local code=0
  wait "$test_run" || code=$?
  test_run=
  return "$code"
}

ensure_server() {
  [ -n "${ZELMOR_FB_TEST_DB:-}" ] && return 0
  eval "$(bash scripts/firebird-server.sh start "$root/build/firebird")"
  server_started=1
}

# ---- one area ----------------------------------------------------------------
summary=()
run_area() {
  local area=$1 list=$lists/$1.txt
  [ -f "$list" ] || { echo "no mutation list $list" >&2; exit 2; }
  tests=()
  local needs_server= line
  while IFS= read -r line; do
    case $line in
      "tests "*) read -r -a tests <<<"${line#tests }" ;;
      server) needs_server=1 ;;
    esac
  done <"$list"
  [ ${#tests[@]} -gt 0 ] || { echo "$list names no tests" >&2; exit 2; }
  echo "== $area (${tests[*]})"
  local log=$state/logs/$area-baseline.log
  if [ -z "$check" ]; then
    [ -n "$needs_server" ] && ensure_server
  fi
  if [ -z "$check" ] && { ! build_targets "$log" || ! run_tests "$log"; }; then
    echo "the tests fail without any mutant; see $log" >&2
    exit 1
  fi

  local caught=0 survived=0 equivalent=0 broken=0 survivors=()
  local id= what= file= original= replacement= reason=
  finish_mutant() {
    [ -n "$id" ] || return 0
    if [ -n "$only" ] && [ "$id" != "$only" ]; then id=; return 0; fi
    if [ -n "$reason" ]; then
      equivalent=$((equivalent + 1))
      printf '  %-10s %-28s %s\n' equivalent "$id" "$reason"
    elif ! apply "$file" "${original%$'\n'}" "${replacement%$'\n'}"; then
      broken=$((broken + 1))
      printf '  %-10s %-28s %s\n' "NOT FOUND" "$id" "its text is not in $file exactly once"
    elif [ -n "$check" ]; then
      restore
      printf '  %-10s %-28s %s\n' applies "$id" "$what"
    else
      log=$state/logs/$area-$id.log
      local result
      if ! build_targets "$log"; then
        result="NO BUILD"
        broken=$((broken + 1))
      elif run_tests "$log"; then
        result=survived
        survived=$((survived + 1))
        survivors+=("$id")
      else
        result=caught
        caught=$((caught + 1))
      fi
      restore
      printf '  %-10s %-28s %s\n' "$result" "$id" "$what"
    fi
    id=
  }
  while IFS= read -r line || [ -n "$line" ]; do
    case $line in
      "@ "*)
        finish_mutant
        line=${line#@ }
        id=${line%% *} what=${line#"$id"} what=${what# } file= original= replacement= reason=
        ;;
      "= "*) file=${line#= } ;;
      "- "*|-) original+="${line:2}"$'\n' ;;
      "+ "*|+) replacement+="${line:2}"$'\n' ;;
      "! equivalent: "*) reason=${line#! equivalent: } ;;
    esac
  done <"$list"
  finish_mutant
  # The build is left as the source is.
  [ -n "$check" ] || build_targets "$state/logs/$area-rebuild.log" || true

  local total=$((caught + survived))
  local result="$area: $caught/$total caught"
  [ "$equivalent" -gt 0 ] && result+=", $equivalent equivalent (not counted)"
  [ "$broken" -gt 0 ] && result+=", $broken not applied or not built (not counted)"
  [ ${#survivors[@]} -gt 0 ] && result+="; survived: ${survivors[*]}"
  echo "$result"
  summary+=("$result")
}

for area in "${areas[@]}"; do run_area "$area"; done
echo "== totals"
printf '%s\n' "${summary[@]}" | tee "$state/summary.txt"
