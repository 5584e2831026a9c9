#!/usr/bin/env bash
# The relay's soak: 100 rooms of bots (two per room, each on a connection of
# its own) play lockstep through one relay on 127.0.0.1 at 60 ticks a second
# for 10 minutes. Passes when every room stays in step to the end and the
# relay's resident memory at the end is within 10% (and 1 MB) of what it was
# after the first minute. Not part of tools/test.sh.
# Usage: tools/soak_relay.sh [build dir] [seconds] [rooms]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
seconds=${2:-600}
rooms=${3:-100}
cmake --build "$dir" -j2 --target quorvel-relay quorvel-soak-bots >/dev/null

log=$(mktemp)
"$dir"/net/quorvel-relay --listen 127.0.0.1:0 --max-rooms "$rooms" --stats 10 2>"$log" &
relay=$!
trap 'kill $relay 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 50); do grep -q listening "$log" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log")
[ -n "$port" ] || { cat "$log"; echo "soak: the relay did not start" >&2; exit 1; }

status=0
"$dir"/tests/net/quorvel-soak-bots "$port" "$rooms" "$seconds" || status=1

# Resident memory after the first minute (the sixth report) and at the end.
grep 'kB resident' "$log" | sed 's/^quorvel-relay: //'
first=$(grep 'kB resident' "$log" | sed -n '6p' | sed 's/.* \([0-9]*\) kB resident/\1/')
last=$(grep 'kB resident' "$log" | tail -n 1 | sed 's/.* \([0-9]*\) kB resident/\1/')
if [ -n "$first" ] && [ -n "$last" ]; then
  echo "soak: relay resident memory ${first} kB after a minute, ${last} kB at the end"
  if [ "$last" -gt $((first + first / 10 + 1024)) ]; then
    echo "soak: the relay's memory grew" >&2
    status=1
  fi
else
  echo "soak: too short to judge the relay's memory (need over a minute)"
fi
exit $status
