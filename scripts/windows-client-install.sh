#!/usr/bin/env bash
# Installs the Windows Firebird client (built and cached by
# windows-client.sh) into a Wine prefix, the way the station suite lays it
# out and the way a client installed on the machine is found by name:
#
#   windows-client-install.sh PREFIX
#
#   C:\ZEDE\FIREBIRD\bin\GDS32.dll   the suite's own copy, loaded by full path
#   C:\ZEDE\FIREBIRD\firebird.msg    where the client looks once the load
#                                    sequence has set FIREBIRD=C:\ZEDE\FIREBIRD\
#   C:\ZEDE\FIREBIRD\bin\firebird.msg  where it looks without FIREBIRD (the
#                                    folder of the DLL)
#   <system>\GDS32.dll, firebird.msg the machine-wide client, found by name
#
# The client needs libgcc_s_dw2-1.dll and libwinpthread-1.dll, which the
# host program has beside it (a DLL's own folder is not searched).
set -euo pipefail
prefix=${1:?usage: windows-client-install.sh PREFIX}
[ -f "$prefix/system.reg" ] || { echo "not a Wine prefix: $prefix" >&2; exit 1; }
client=$(bash "$(dirname "$0")/windows-client.sh")

# 32-bit programs see syswow64 as their system folder in a 64-bit prefix.
system=$prefix/drive_c/windows/system32
[ -d "$prefix/drive_c/windows/syswow64" ] && system=$prefix/drive_c/windows/syswow64

home=$prefix/drive_c/ZEDE/FIREBIRD
mkdir -p "$home/bin"
install -m 0644 "$client/fbclient.dll" "$home/bin/GDS32.dll"
install -m 0644 "$client/firebird.msg" "$home/firebird.msg"
install -m 0644 "$client/firebird.msg" "$home/bin/firebird.msg"
install -m 0644 "$client/fbclient.dll" "$system/GDS32.dll"
install -m 0644 "$client/firebird.msg" "$system/firebird.msg"
echo "windows-client-install: installed in $prefix" >&2
