#!/usr/bin/env bash
# Configures and builds one of the three builds:
#   scripts/build.sh linux     native Linux build            (build/linux)
#   scripts/build.sh asan      Linux with ASan + UBSan        (build/asan)
#   scripts/build.sh windows   32-bit Windows DLLs, MinGW     (build/windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh linux|asan|windows}
dir=$root/build/$kind
args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
case $kind in
  linux) ;;
  asan) args+=(-DZELMOR_SANITIZE=ON -DZELMOR_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  windows)
    args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" -DZELMOR_BUILD_BENCH=OFF)
    # The MinGW runtime DLLs sit beside the programs under test.
    mkdir -p "$dir/bin"
    cp -u /usr/lib/gcc/i686-w64-mingw32/12-posix/libstdc++-6.dll \
          /usr/lib/gcc/i686-w64-mingw32/12-posix/libgcc_s_dw2-1.dll \
          /usr/i686-w64-mingw32/lib/libwinpthread-1.dll "$dir/bin/"
    ;;
  *) echo "unknown build: $kind" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
