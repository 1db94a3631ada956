#!/usr/bin/env bash
# Installs the build in $1 under a fresh prefix and checks what a host gets:
# every public header compiles on its own with nothing but the prefix on the
# include path; a host built with find_package(Zelmor) alone, and another
# built with pkg-config zelmor alone, load the library through the installed
# loader and query the run's server (when there is one); the installed
# zelmor finds the installed library. The hosts are built with the build's
# compiler and flags (CXXFLAGS: -m32 for the 32-bit build) and toolchain.
#   check_install.sh BUILD_DIR CXX [CXXFLAGS [TOOLCHAIN_FILE]]
set -euo pipefail
build=$1
cxx=$2
read -r -a cxxflags <<<"${3:-}"
toolchain=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# Nothing outside include/zelmor/.
stray=$(cd "$prefix/include" && find . -type f ! -path './zelmor/*')
[ -z "$stray" ] || { echo "installed outside include/zelmor/: $stray" >&2; exit 1; }
# (An _inl.h file is the tail of its header, not one of its own.)
for header in $(cd "$prefix/include" && find zelmor -name '*.h' ! -name '*_inl.h'); do
  echo "#include <$header>" | "$cxx" "${cxxflags[@]}" -std=c++20 -fsyntax-only -I"$prefix/include" -x c++ - ||
    { echo "$header does not compile on its own" >&2; exit 1; }
done
echo "public headers ok"

# On Linux the station layout comes along: its group, its folders at boot.
if [ -n "$(find "$prefix" -name 'libZelmor.so*' -print -quit)" ]; then
  grep -q '^g zede' "$prefix/lib/sysusers.d/zelmor.conf"
  grep -q '^d /run/lock/zelmor  *2770 root zede -$' "$prefix/lib/tmpfiles.d/zelmor.conf"
  [ -x "$prefix/sbin/zelmor-station-layout" ]
  echo "station layout ok"
fi

mkdir -p "$work/windows" "$work/home"
export ZEDE_WINDIR=$work/windows ZEDE_HOME=$work/home
unset ZELMOR_LIBRARY

cmake -S "$here/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
library=$(pkg-config --variable=zelmor_library zelmor)
# shellcheck disable=SC2046
"$cxx" "${cxxflags[@]}" -std=c++20 $(pkg-config --cflags zelmor) -o "$work/pkgconfig-consumer" \
  "$here/consumer/main.cpp" -DZELMOR_FILE="\"$library\"" -DZELMOR_CONSUMER_NAME='"pkgconfig"' \
  $(pkg-config --libs zelmor)
"$work/pkgconfig-consumer"
# A host records the runtime by its versioned soname, never the bare name.
if [ -e "$prefix/lib/libZelmorRuntime.so" ]; then
  readelf -d "$work/pkgconfig-consumer" | grep -q 'NEEDED.*\[libZelmorRuntime\.so\.[0-9][0-9]*\]' ||
    { echo "the host does not name the runtime by its versioned soname" >&2; exit 1; }
  echo "versioned soname ok"
fi

"$prefix/bin/zelmor" params | grep -qx "port: 30050" ||
  { echo "the installed zelmor does not find the installed library" >&2; exit 1; }
echo "installed zelmor ok"
