#!/usr/bin/env bash
# A private Firebird 3 server for tests and the demo: Debian's server binary
# run directly (no service manager) on 127.0.0.1, with a root folder,
# security database, SYSDBA password and lock folder of its own.
#
#   firebird-server.sh start DIR [PORT]   start (or find running) and print
#                                         the shell export lines on stdout
#   firebird-server.sh stop DIR           stop it by its own pid
#   firebird-server.sh kill DIR           end it at once, as a crash would
#
# Without PORT a free port is chosen; a restart in the same DIR keeps the
# port it had. Everything except the export lines goes to stderr.
set -euo pipefail
# Started by a Windows test program under Wine, it may be handed Wine's PATH.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin${PATH:+:$PATH}

fb_home=/usr/lib/x86_64-linux-gnu/firebird/3.0
fb_security=/var/lib/firebird/3.0/system/security3.fdb
fb_server=/usr/sbin/firebird
password_default=zelmor

usage() {
  echo "usage: $0 start DIR [PORT] | stop DIR | kill DIR" >&2
  exit 2
}

log() { echo "firebird-server: $*" >&2; }

server_pid() {
  local pid
  [ -f "$dir/firebird.pid" ] || return 1
  pid=$(cat "$dir/firebird.pid")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
  echo "$pid"
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A free port outside the kernel's ephemeral range: a port inside it may be
# the local end of some client's connection at the moment the server binds,
# and the server then waits for it instead of listening.
choose_port() {
  local port low high first=20000 count
  read -r low high </proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || { low=32768 high=60999; }
  if [ "$low" -gt $((first + 1000)) ]; then
    count=$((low - first))
  else
    first=$((high + 1)) count=$((65535 - high))
  fi
  for _ in $(seq 1 200); do
    port=$((first + RANDOM % count))
    port_in_use "$port" || { echo "$port"; return 0; }
  done
  log "no free port found"
  return 1
}

# Every top folder of the machine, as a Restrict list (the server does not
# take "/" itself there).
every_folder() {
  local list=() top
  for top in /*/; do list+=("${top%/}"); done
  local IFS=';'
  echo "${list[*]}"
}

write_root() {
  local root=$dir/root
  mkdir -p "$root" "$dir/lock" "$dir/db"
  # Copies, never links: a Windows test program removes its folder under
  # Wine, which follows a link to a folder and deletes the system's own
  # Firebird files through it (and the character sets module works only as
  # a real copy: linked, the server leaves WIN1251 "not defined" on attach).
  # An older root's links are removed first, not copied through.
  for entry in plugins UDF firebird.msg plugins.conf intl; do
    rm -rf "${root:?}/$entry"
    cp -RL "$fb_home/$entry" "$root/$entry"
  done
  # A bare file name means one in db/ (the first folder of the Restrict
  # list), which is how the Windows build's tests name theirs: a Windows
  # program upper-cases its whole connection text, paths and all. Every
  # other folder stays open, as with full access.
  cat >"$root/firebird.conf" <<EOF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $root/security3.fdb
IpcName = zelmor_fb_$port
UdfAccess = None
DatabaseAccess = Restrict $dir/db;$(every_folder)
EOF
  cat >"$root/databases.conf" <<EOF
security.db = $root/security3.fdb
EOF
  add_fuel_alias
}

# The suite's fuel database as the Windows build names it, a file in db/:
# the Windows client sends C:\ZEDE\DB\VOLNEX.FDB as it is. A running
# server reads a new alias without a restart, but re-reads the file only
# when its whole-second time stamp is newer, so the stamp is put a second
# ahead of any earlier write.
add_fuel_alias() {
  local conf=$dir/root/databases.conf
  grep -qF 'C:\ZEDE\DB\VOLNEX.FDB' "$conf" && return 0
  printf '%s = %s\n' 'C:\ZEDE\DB\VOLNEX.FDB' "$dir/db/VOLNEX.FDB" >>"$conf"
  touch -d "@$(($(date +%s) + 1))" "$conf"
}

# The SYSDBA password is set on a fresh copy of the security database
# through the embedded engine, before any server runs on it.
prepare_security() {
  local root=$dir/root
  cp "$fb_security" "$root/security3.fdb"
  chmod 0660 "$root/security3.fdb"
  printf "create or alter user SYSDBA password '%s';\ncommit;\n" "$password" |
    FIREBIRD=$root FIREBIRD_LOCK=$dir/lock \
      isql-fb -q -user SYSDBA "$root/security3.fdb" >&2
}

wait_listening() {
  for _ in $(seq 1 200); do
    port_in_use "$port" && return 0
    kill -0 "$1" 2>/dev/null || { log "server ended at start, see $dir/firebird.log"; return 1; }
    sleep 0.1
  done
  log "server does not accept connections on $port"
  return 1
}

create_database() {
  local file=$dir/db/$1
  [ -f "$file" ] && return 0
  printf "create database '127.0.0.1/%s:%s' user 'SYSDBA' password '%s' default character set WIN1251;\n" \
    "$port" "$file" "$password" |
    FIREBIRD=$dir/root FIREBIRD_LOCK=$dir/lock isql-fb -q >&2
}

print_exports() {
  cat "$dir/env"
}

start() {
  if server_pid >/dev/null; then
    log "already running (pid $(server_pid)) on port $(cat "$dir/port")"
    dir=$(cd "$dir" && pwd -P) port=$(cat "$dir/port") password=$password_default
    add_fuel_alias
    create_database VOLNEX.FDB
    print_exports
    return 0
  fi
  mkdir -p "$dir"
  # Links resolved: Firebird takes a ":" in a path (Wine's dosdevices/c:)
  # for the end of a host name.
  dir=$(cd "$dir" && pwd -P)
  if [ -n "$requested_port" ]; then
    port=$requested_port
  elif [ -f "$dir/port" ]; then
    port=$(cat "$dir/port")
  else
    port=$(choose_port)
  fi
  if port_in_use "$port"; then
    log "port $port is taken by another program"
    return 1
  fi
  password=$password_default
  echo "$port" >"$dir/port"
  write_root
  [ -f "$dir/root/security3.fdb" ] || prepare_security

  FIREBIRD=$dir/root FIREBIRD_LOCK=$dir/lock setsid "$fb_server" \
    </dev/null >>"$dir/firebird.log" 2>&1 &
  local pid=$!
  echo "$pid" >"$dir/firebird.pid"
  wait_listening "$pid"
  log "started pid $pid on 127.0.0.1:$port"

  # Upper case: a Windows program names it so (see write_root).
  create_database TEST.FDB
  create_database VOLNEX.FDB
  cat >"$dir/env" <<EOF
export ZELMOR_FB_PORT=$port
export ZELMOR_FB_PASSWORD=$password
export ZELMOR_FB_ROOT=$dir/root
export ZELMOR_FB_TEST_DB=127.0.0.1/$port:$dir/db/TEST.FDB
EOF
  print_exports
}

stop() {
  local pid
  if ! pid=$(server_pid); then
    log "not running"
    rm -f "$dir/firebird.pid"
    return 0
  fi
  kill -TERM "$pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && kill -KILL "$pid"
  rm -f "$dir/firebird.pid"
  log "stopped pid $pid"
}

crash() {
  local pid
  pid=$(server_pid) || { log "not running"; return 0; }
  kill -KILL "$pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$dir/firebird.pid"
  log "killed pid $pid"
}

command=${1:-}
dir=${2:-}
requested_port=${3:-}
[ -n "$command" ] && [ -n "$dir" ] || usage
# The outcome is also left in the folder: Wine does not hand a Windows
# program the exit status of a Unix program it started.
status_file=$dir/script.status
rm -f "$status_file"
trap '{ echo $? >"$status_file"; } 2>/dev/null || true' EXIT
case $command in
  start) start ;;
  stop) stop ;;
  kill) crash ;;
  *) usage ;;
esac
