#!/usr/bin/env bash
# Builds the Firebird 3 client library for 32-bit Windows (fbclient.dll) from
# Debian's source packages with the MinGW-w64 cross compiler, and keeps it,
# with the client's firebird.msg, in a cache folder outside the clone:
#
#   windows-client.sh      build it unless cached; print the folder on stdout
#
# The folder is ${ZELMOR_CACHE:-~/.cache/zelmor}/windows-client/KEY/, where
# KEY names the source versions and a hash of the recipe (this script and
# scripts/windows-client/), so a changed recipe builds anew and a second run
# takes no time. Only the client is built: the y-valve, the remote provider,
# Srp/Legacy/SSPI client authentication and Arc4 wire encryption; no engine,
# no server. Generated sources that need native tools (cloop, btyacc, gpre)
# are made on the build host first. Everything but the folder's name goes to
# stderr.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
recipe=$root/scripts/windows-client
cache=${ZELMOR_CACHE:-$HOME/.cache/zelmor}/windows-client
fb_lib=/usr/lib/x86_64-linux-gnu/firebird/3.0
mingw=i686-w64-mingw32

log() { echo "windows-client: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

# The binary packages hold the versions to build (the client speaks to the
# Linux server of the same release), the native tools and firebird.msg.
packages=(
  dpkg-dev build-essential cmake ninja-build patch
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  libfbclient2 libtommath1 firebird3.0-utils libicu-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  bash "$root/scripts/apt-update.sh" || log "going on with the lists apt has"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

source_version() { dpkg-query -W -f='${source:Version}\n' "$1" | head -1; }
fb_version=$(source_version libfbclient2)
tommath_version=$(source_version libtommath1)
recipe_hash=$(cat "$0" "$root/cmake/toolchain-mingw-i686.cmake" \
  "$recipe"/CMakeLists.txt "$recipe"/autoconfig.h "$recipe"/patches/*.patch |
  sha256sum | cut -c1-12)
key=firebird-$fb_version-tommath-$tommath_version-$recipe_hash
out=$cache/$key

if [ -f "$out/fbclient.dll" ] && [ -f "$out/firebird.msg" ]; then
  log "cached in $out"
  echo "$out"
  exit 0
fi

started=$(date +%s)
mkdir -p "$cache"
work=$(mktemp -d "$cache/.build-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Source packages come through apt: a deb-src entry for the archive the
# binaries came from, added once.
sources_list=/etc/apt/sources.list.d/zelmor-deb-src.sources
if ! apt-cache showsrc firebird3.0 2>/dev/null | grep -qxF "Version: $fb_version"; then
  if [ ! -f "$sources_list" ]; then
    log "adding $sources_list"
    $SUDO tee "$sources_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  bash "$root/scripts/apt-update.sh" || log "going on with the lists apt has"
fi

log "fetching firebird3.0 $fb_version and libtommath $tommath_version"
(cd "$work" &&
  apt-get source -qq -o APT::Sandbox::User=root --only-source \
    "firebird3.0=$fb_version" "libtommath=$tommath_version" >/dev/null 2>&1) ||
  { log "apt-get source failed"; exit 1; }
fb_src=$(find "$work" -maxdepth 1 -type d -name 'firebird3.0-*' | head -1)
tommath_src=$(find "$work" -maxdepth 1 -type d -name 'libtommath-*' | head -1)
[ -n "$fb_src" ] && [ -n "$tommath_src" ] || { log "unpacked sources not found in $work"; exit 1; }

for p in "$recipe"/patches/*.patch; do
  patch -d "$fb_src" -p1 --forward --quiet <"$p" ||
    { log "patch $(basename "$p") does not apply"; exit 1; }
done

log "making the generated sources with native tools"
native=$work/native gen=$work/generated
mkdir -p "$native" "$gen/gen" "$gen/firebird" "$gen/yvalve" "$gen/icu"
nice g++ -O1 -w -o "$native/cloop" "$fb_src"/extern/cloop/src/cloop/*.cpp
"$native/cloop" "$fb_src/src/include/firebird/FirebirdInterface.idl" c++ \
  "$gen/firebird/IdlFbInterfaces.h" IDL_FB_INTERFACES_H Firebird I
# The parser's token numbers (gen/parse.h), which the keyword table needs.
nice gcc -O1 -w -o "$native/btyacc" "$fb_src"/extern/btyacc/*.c 2>/dev/null
(cd "$native" &&
  sed -n '/%type .*/p' "$fb_src/src/dsql/parse.y" >types.y &&
  sed 's/%type .*//' "$fb_src/src/dsql/parse.y" >y.y &&
  ./btyacc -l -d -S "$fb_src/src/dsql/btyacc_fb.ske" y.y >/dev/null 2>&1 &&
  cp y_tab.h "$gen/gen/parse.h")
# Embedded SQL of the array and blob helpers: Debian's gpre of the same
# release, with the built-in system metadata (no database needed).
for f in array blob; do
  (cd "$fb_src/src/yvalve" &&
    gpre -lang_internal -m -z -n "$f.epp" "$gen/yvalve/$f.cpp" >/dev/null)
done
# ICU is loaded at run time; the client needs its headers only.
cp -r /usr/include/unicode "$gen/icu/"
cp "$recipe/autoconfig.h" "$gen/gen/autoconfig.h"

log "cross-compiling fbclient.dll"
cmake -S "$recipe" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
  -DFB_SOURCE="$fb_src" -DTOMMATH_SOURCE="$tommath_src" -DFB_GENERATED="$gen" >/dev/null
nice cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -40 "$work/build.log" >&2; log "build failed"; exit 1; }

dll=$work/build/fbclient.dll
"$mingw-objdump" -f "$dll" | grep -q 'file format pei-i386' ||
  { log "not a PE32 i386 module: $dll"; exit 1; }

# The message file is the same on every platform (32-bit fields, no
# pointers): Debian's, from the client package of the same release.
mkdir -p "$work/out"
cp "$dll" "$fb_lib/firebird.msg" "$work/out/"
rm -rf "$out"
mv "$work/out" "$out"
log "built in $(($(date +%s) - started)) s, in $out"
echo "$out"
