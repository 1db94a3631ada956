#!/usr/bin/env bash
# Makes the station layout on a Linux machine, as the package's sysusers.d
# and tmpfiles.d entries do at install and boot; for a machine without
# systemd, run it at boot (the lock folder under /run is gone after each).
#
#   station-layout.sh [--group NAME] [--home DIR] [--windir DIR] [--locks DIR]
#                     [--member ACCOUNT]...
#
# Defaults: group zede, home /opt/zede ($ZEDE_HOME), settings /etc/zede
# ($ZEDE_WINDIR), locks /run/lock/zelmor ($ZEDE_LOCKDIR). Existing folders
# get the owner, group and mode of the layout. Run as root.
set -euo pipefail
group=zede home=/opt/zede windir=/etc/zede locks=/run/lock/zelmor
members=()
while [ $# -gt 0 ]; do
  case $1 in
    --group) group=$2; shift 2 ;;
    --home) home=$2; shift 2 ;;
    --windir) windir=$2; shift 2 ;;
    --locks) locks=$2; shift 2 ;;
    --member) members+=("$2"); shift 2 ;;
    *) echo "usage: $0 [--group NAME] [--home DIR] [--windir DIR] [--locks DIR] [--member ACCOUNT]..." >&2
       exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "station-layout: run as root" >&2; exit 1; }
getent group "$group" >/dev/null || groupadd --system "$group"
for account in "${members[@]}"; do usermod -a -G "$group" "$account"; done
install -d -m 2775 -o root -g "$group" "$home"
install -d -m 2770 -o root -g "$group" "$home/LogFiles" "$windir" "$locks"
# Files an older release made for every account become the group's.
for file in "$home"/LogFiles/* "$windir/cnf.ini"; do
  [ -f "$file" ] && [ ! -L "$file" ] && chgrp "$group" "$file" && chmod o-rwx,g+rw "$file"
done
echo "station-layout: group $group; $home, $home/LogFiles, $windir, $locks"
