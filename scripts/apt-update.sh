#!/usr/bin/env bash
# apt-get update, tried three times: a mirror in the middle of a sync serves
# an index file of the wrong size for a while, and apt then keeps the lists
# it had. Exits 1 when every try failed, for the caller to decide.
set -uo pipefail
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
for attempt in 1 2 3; do
  $SUDO apt-get update -qq && exit 0
  [ "$attempt" -lt 3 ] || break
  echo "apt-update: apt-get update failed, again in $((attempt * 10)) s" >&2
  sleep $((attempt * 10))
done
echo "apt-update: apt-get update failed 3 times" >&2
exit 1
