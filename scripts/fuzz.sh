#!/usr/bin/env bash
# Builds the fuzz targets (scripts/build.sh fuzz) and runs each for a fixed
# number of runs over a copy of its checked-in seed corpus, so new inputs
# never land in fuzz/corpus. A crash, a broken property, a leak or a hang
# (over 10 s for one input) fails the run; its input is kept in
# build/fuzz/run/<target>/crash-* for the regression test. A target's
# dictionary, fuzz/<target>.dict, is used where there is one.
#   scripts/fuzz.sh [runs]     (default 50000 runs per target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-50000}
targets=(age_scan ini_store chunk_join password format datetime)

run=$root/build/fuzz/run
rm -rf "$run"
mkdir -p "$run"
bash "$root/scripts/build.sh" fuzz >"$run/build.log" 2>&1 ||
  { cat "$run/build.log"; echo "fuzz: the build failed"; exit 1; }
# The targets rewrite their files on every run: on tmpfs where there is one,
# since a shared disk makes each create and rename cost milliseconds.
scratch=$run
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=$(mktemp -d /dev/shm/zelmor-fuzz.XXXXXX)
trap '[ "$scratch" = "$run" ] || rm -rf "$scratch"' EXIT
failed=0
for target in "${targets[@]}"; do
  work=$run/$target
  mkdir -p "$work/corpus" "$scratch/$target"
  cp "$root/fuzz/corpus/$target/"* "$work/corpus/"
  dict=()
  [ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  started=$(date +%s)
  status=ok
  # The targets keep their files in the temporary folder: a private one.
  TMPDIR=$scratch/$target/ "$root/build/fuzz/bin/${target}_fuzzer" \
      -runs="$runs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/" "${dict[@]}" "$work/corpus" >"$work/log" 2>&1 || status=FAILED
  done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  printf 'fuzz: %-10s %6s runs in %3d s  %s\n' "$target" "${done_runs:-?}" \
    $(($(date +%s) - started)) "$status"
  if [ "$status" != ok ]; then
    failed=1
    grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$work/log" | head -5 | sed 's/^/      /'
  fi
done
exit $failed
