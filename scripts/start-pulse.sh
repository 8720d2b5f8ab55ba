#!/bin/sh
# Starts a private, headless PulseAudio daemon for the playback tests: a null sink as the
# default output (its monitor is what the tests capture) and a native socket in a folder of
# its own. Prints the PULSE_SERVER value on standard output; stop it with stop-pulse.sh DIR.
#   usage: start-pulse.sh DIR
# A fresh null sink renders in 2 s blocks, so new streams may stall for up to 2 s: a loopback
# from its monitor into a second null sink keeps it busy, and we wait once for it to settle.
set -eu
dir="${1:?usage: start-pulse.sh DIR}"
command -v pulseaudio >/dev/null || { echo "start-pulse: no pulseaudio command" >&2; exit 1; }
mkdir -p "$dir"
chmod 700 "$dir"
dir="$(cd "$dir" && pwd)"
cat >"$dir/daemon.pa" <<CONFIG
load-module module-null-sink sink_name=wavomer_null rate=44100 channels=2
load-module module-null-sink sink_name=wavomer_keepalive rate=44100 channels=2
load-module module-loopback source=wavomer_null.monitor sink=wavomer_keepalive latency_msec=20
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
set-default-sink wavomer_null
CONFIG
server="unix:$dir/native"
XDG_RUNTIME_DIR="$dir" PULSE_RUNTIME_PATH="$dir" PULSE_STATE_PATH="$dir" HOME="$dir" \
  pulseaudio -n -F "$dir/daemon.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --disable-shm=yes >"$dir/daemon.log" 2>&1 &
echo $! >"$dir/pid"
tries=0
until PULSE_SERVER="$server" pactl info >/dev/null 2>&1; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
    echo "start-pulse: the daemon did not come up; its log:" >&2
    cat "$dir/daemon.log" >&2
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    exit 1
  fi
  sleep 0.1
done
sleep 2
echo "$server"
