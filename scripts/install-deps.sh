#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need;
# with "demo", only what the demo needs (the native build and the server:
# no cross compiler, Wine or i386 packages).
# Safe to run again: packages already present are skipped by apt.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  firebird3.0-server firebird3.0-utils firebird-dev libfbclient2
)
if [ "${1:-}" != demo ]; then
  packages+=(
    clang libclang-rt-14-dev valgrind strace abigail-tools
    g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
    wine wine32:i386
    g++-multilib libfbclient2:i386
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [[ " ${packages[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# If the mirror keeps failing an index, the security suite's index of one
# architecture may be missing while the other's is there, and the i386
# packages can then not match their amd64 halves: for this install only,
# the security suite is pinned below the release, so that both
# architectures take the release's versions.
if ! bash "$(dirname "$0")/apt-update.sh"; then
  echo "install-deps: installing from the release's versions" >&2
  pin=/etc/apt/preferences.d/zelmor-install-deps
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' | $SUDO tee "$pin" >/dev/null
  trap '$SUDO rm -f "$pin"' EXIT
fi
# firebird3.0-server asks for a SYSDBA password through debconf; we run our own
# private server, so the package's service is never used.
echo "firebird3.0-server shared/firebird/enabled boolean false" | $SUDO debconf-set-selections || true
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
