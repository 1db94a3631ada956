#!/usr/bin/env bash
# The component runtime's C++ ABI, as hosts see it through the public
# headers, against the baseline stored for its soname:
#   abi-check.sh BUILD_DIR            fails on any change but added symbols
#   abi-check.sh BUILD_DIR --update   stores the build's ABI as the baseline
# A host built against libZelmorRuntime.so.N runs with any later build that
# keeps N; a change it would not survive (a removed symbol, a class whose
# size or layout changed, a changed signature) needs a new N
# (ZELMOR_RUNTIME_ABI in CMakeLists.txt) and a baseline for it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: abi-check.sh BUILD_DIR [--update]}
runtime=$(readlink -f "$build/bin/libZelmorRuntime.so")
soname=$(readelf -d "$runtime" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
baseline=$root/tests/abi/$soname.abi
current=$(mktemp)
trap 'rm -f "$current"' EXIT
# Paths and source lines left out: the same build elsewhere gives the same file.
abidw --headers-dir "$build/public-include/zelmor" --drop-private-types --no-show-locs \
  --no-corpus-path --out-file "$current" "$runtime"
if [ "${2:-}" = --update ]; then
  cp "$current" "$baseline"
  chmod 644 "$baseline"
  echo "abi-check: stored $baseline"
  exit 0
fi
if [ ! -f "$baseline" ]; then
  echo "abi-check: no baseline for $soname: store one with scripts/abi-check.sh $build --update" >&2
  exit 1
fi
if ! abidiff --no-added-syms "$baseline" "$current"; then
  echo "abi-check: the runtime's ABI changed while its soname stayed $soname:" \
    "raise ZELMOR_RUNTIME_ABI in CMakeLists.txt and store a baseline for the new soname" >&2
  exit 1
fi
echo "abi-check: $soname keeps its ABI"
