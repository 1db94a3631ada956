#!/usr/bin/env bash
# The main job: a station in miniature. Installs what is missing, builds the
# Linux library and the host program (only those), lays out a station (the
# group zede, scripts/station-layout.sh) with its home under ./station
# (ZEDE_HOME), its fuel database and Firebird folder, starts the private
# Firebird server on port 30050, and runs a short session of the host
# program against it, ending with the event log the library wrote. The
# server stays up afterwards; the last lines say how to go on with the
# station and how to stop it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

echo "== packages (apt-get, first run only)"
bash scripts/install-deps.sh demo
echo "== build: the library and the host program (a few minutes the first time)"
bash scripts/build.sh linux Zelmor zelmor

station=$root/station
export ZEDE_HOME=$station/
export ZEDE_WINDIR=$station/windows
bin=$root/build/linux/bin
port=30050

step() { printf '\n\033[1m$ %s\033[0m\n' "$*"; }

echo "== station home: $station"
# The layout a station's install makes: the group zede, the home, log and
# settings folders and the machine's lock folder its own, closed to others.
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
$SUDO bash scripts/station-layout.sh --home "$station" --windir "$station/windows" \
  ${SUDO:+--member "$(id -un)"}
mkdir -p "$station/DB"
rm -f "$station/windows/cnf.ini" "$station"/LogFiles/FBEvents.log*
# Installed at the home path, the library writes the event log and prepares
# the suite's own copy of the client library.
cp "$bin/libZelmor.so" "$station/libZelmor.so"

echo "== private Firebird server on 127.0.0.1:$port"
eval "$(bash scripts/firebird-server.sh start "$station/server" "$port")"
# Stopped again only if the demo fails; else it stays for what comes next.
trap 'bash scripts/firebird-server.sh stop "$station/server"' ERR
# The server's root doubles as the station's FIREBIRD folder, with the
# client library where the suite keeps it.
ln -sfn "$station/server/root" "$station/FIREBIRD"
mkdir -p "$station/FIREBIRD/lib"
# awk reads to the end: an early exit would cut ldconfig off (SIGPIPE), which
# pipefail turns into the script's end.
client=$(ldconfig -p | awk '/libfbclient.so.2 .*x86-64/ && !found {print $NF; found = 1}')
ln -sfn "$client" "$station/FIREBIRD/lib/libfbclient.so.2"

if [ ! -f "$station/DB/VOLNEX.FDB" ]; then
  echo "== fuel database $station/DB/VOLNEX.FDB"
  {
    printf "create database '127.0.0.1/%s:%s' user 'SYSDBA' password '%s' default character set WIN1251;\n" \
      "$port" "$station/DB/VOLNEX.FDB" "$ZELMOR_FB_PASSWORD"
    cat scripts/station/volnex.sql
  } | FIREBIRD=$ZELMOR_FB_ROOT isql-fb -q -ch UTF8 >/dev/null
fi

zelmor() { "$bin/zelmor" "$@"; }

step "zelmor params fbport=$port fbpassword=…   (options a suite program passes on its command line)"
zelmor params "fbport=$port" "fbpassword=$ZELMOR_FB_PASSWORD"
step "cat \$ZEDE_WINDIR/cnf.ini   (stored for later runs, the password enciphered)"
cat "$station/windows/cnf.ini"
step "zelmor fuel"
zelmor fuel
step "zelmor query \"SELECT CODE, NAME, PRICE FROM FUEL_GRADES ORDER BY GRADE_ID\""
zelmor query "SELECT CODE, NAME, PRICE FROM FUEL_GRADES ORDER BY GRADE_ID"
step "zelmor exec \"INSERT INTO SALES … (a new sale at pump 4)\""
zelmor exec "INSERT INTO SALES VALUES (NEXT VALUE FOR SALE_ID_SEQ, 4, 20.00, 1378.00, 'карта', CURRENT_TIMESTAMP)"
step "zelmor query \"SELECT FIRST 3 SALE_ID, PUMP_ID, VOLUME_L, AMOUNT, PAID_BY FROM SALES ORDER BY SALE_ID DESC\""
zelmor query "SELECT FIRST 3 SALE_ID, PUMP_ID, VOLUME_L, AMOUNT, PAID_BY FROM SALES ORDER BY SALE_ID DESC"
step "zelmor query \"SELECT * FROM NO_SUCH_TABLE\"   (a bad statement: exit code 5)"
zelmor query "SELECT * FROM NO_SUCH_TABLE" || echo "exit code $?"
step "zelmor log"
zelmor log
step "zelmor log --stats   (per process and operation: count, failures, durations and lock waits)"
zelmor log --stats

cat <<EOF

== The station stays up. To go on using it, in this shell:
   export ZEDE_HOME=$ZEDE_HOME ZEDE_WINDIR=$ZEDE_WINDIR
   $bin/zelmor fuel
   $bin/zelmor log -f -n 20
Stop the server:   bash scripts/firebird-server.sh stop $station/server
Start it again:    bash scripts/firebird-server.sh start $station/server $port
EOF
