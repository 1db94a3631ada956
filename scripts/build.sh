#!/usr/bin/env bash
# Configures and builds one of the five builds:
#   scripts/build.sh linux     native Linux build            (build/linux)
#   scripts/build.sh linux32   32-bit Linux (i686), multilib  (build/linux32)
#   scripts/build.sh asan      Linux with ASan + UBSan        (build/asan)
#   scripts/build.sh windows   32-bit Windows DLLs, MinGW     (build/windows)
#   scripts/build.sh fuzz      clang, libFuzzer targets       (build/fuzz)
# Targets after the kind build only those (scripts/build.sh linux zelmor).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh linux|linux32|asan|windows|fuzz [TARGET...]}
shift
dir=$root/build/$kind
args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
targets=()
for target in "$@"; do targets+=(--target "$target"); done
case $kind in
  linux) ;;
  linux32)
    # The Windows DLL's data widths on Linux, where the i386 Firebird client
    # lets the database tests run; Google Benchmark has no i386 build here.
    # Built for its test run only: -O2 as the others, without debug
    # information, which takes a quarter of the compile time.
    args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-linux-i686.cmake" -DZELMOR_BUILD_BENCH=OFF
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG"
           -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG")
    ;;
  asan) args+=(-DZELMOR_SANITIZE=ON -DZELMOR_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  windows)
    # Configuring copies the MinGW runtime DLLs beside the programs.
    args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" -DZELMOR_BUILD_BENCH=OFF)
    ;;
  fuzz)
    # Every target instrumented; only the fuzz targets are built.
    export CC=clang CXX=clang++
    args+=(-DZELMOR_FUZZ=ON -DZELMOR_BUILD_TESTS=OFF -DZELMOR_BUILD_BENCH=OFF)
    targets=(--target zelmor_fuzzers)
    ;;
  *) echo "unknown build: $kind" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
if [ "$kind" = windows ]; then
  # Every module is a 32-bit PE for i386.
  for module in "$dir"/bin/*.dll "$dir"/bin/*.exe; do
    [ -e "$module" ] || continue
    i686-w64-mingw32-objdump -f "$module" | grep -q 'file format pei-i386' ||
      { echo "not a PE32 i386 module: $module" >&2; exit 1; }
  done
fi
if [ "$kind" = linux32 ]; then
  # Every program and library is a 32-bit ELF for i386.
  for module in "$dir"/bin/*; do
    [ -f "$module" ] && [ -x "$module" ] || continue
    readelf -h "$module" | grep -q 'Machine: *Intel 80386' ||
      { echo "not an i386 ELF module: $module" >&2; exit 1; }
  done
fi
