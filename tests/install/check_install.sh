#!/usr/bin/env bash
# Installs the build in $1 under a fresh prefix, builds a host against it
# with find_package(Zelmor) and runs it; checks zelmor.pc as well. $2, when
# given, is the toolchain file the build was configured with.
set -euo pipefail
build=$1
toolchain=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$here/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" \
  ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >/dev/null
cmake --build "$work/consumer" >/dev/null
mkdir -p "$work/windows"
ZEDE_WINDIR=$work/windows "$work/consumer/consumer"
PKG_CONFIG_PATH=$work/prefix/lib/pkgconfig pkg-config --libs zelmor | grep -q -- "-lZelmorRuntime"
echo "zelmor.pc ok"
