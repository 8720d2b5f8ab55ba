#!/bin/sh
# Stops the daemon that start-pulse.sh started in DIR, by its pid, and removes DIR.
#   usage: stop-pulse.sh DIR
set -eu
dir="${1:?usage: stop-pulse.sh DIR}"
if [ -f "$dir/pid" ]; then
  pid="$(cat "$dir/pid")"
  kill "$pid" 2>/dev/null || true
  i=0
  while kill -0 "$pid" 2>/dev/null && [ "$i" -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  kill -9 "$pid" 2>/dev/null || true
fi
rm -rf "$dir"
