#!/usr/bin/env bash
# Makes the screenshots the AppStream metainfo names, from the built program on a
# virtual X server:
#
#     scripts/screenshots.sh [OUTPUT_DIR]        (default: build/screenshots)
#
# It builds nothing: the programs come from ${BUILD_DIR:-build}. A demo project is
# made with wavomer-cli from a tone this script writes, then opened in wavomer under
# Xvfb (1366x768) with a scratch home folder, so the user's settings, recent files and
# recovery snapshots are neither read nor touched. Writes main-window.png (the project
# zoomed to fit) and selection.png (a range dragged across the tracks).
#
# Needs: Xvfb (xvfb), xdpyinfo (x11-utils), xdotool, import (imagemagick), python3.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=${1:-build/screenshots}

wavomer=$build/wavomer
cli=$build/wavomer-cli
for program in "$wavomer" "$cli"; do
    if [[ ! -x $program ]]; then
        echo "screenshots.sh: $program is missing; build first (scripts/build.sh)" >&2
        exit 1
    fi
done
missing=()
for tool in Xvfb xdpyinfo xdotool import python3; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
    echo "screenshots.sh: missing ${missing[*]}; install: apt-get install xvfb x11-utils xdotool imagemagick python3" >&2
    exit 1
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
wavomer=$(cd "$(dirname "$wavomer")" && pwd)/$(basename "$wavomer")
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wavomer-screenshots.XXXXXX")
xvfb_pid=''
app_pid=''
cleanup() {
    local status=$?
    if [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A home of our own: every XDG folder the programs use falls under it.
export HOME=$scratch/home
export XDG_RUNTIME_DIR=$scratch/runtime
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_STATE_HOME XDG_DATA_HOME XDG_MUSIC_DIR XDG_VIDEOS_DIR
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LANGUAGE=en LC_ALL=C.UTF-8

# Thirty seconds of stereo music-like sound: a melody of notes of varying length,
# each swelling and decaying, over phrases that grow and fall back (a quiet bridge in
# the middle), with a noise burst on every beat on the right, so the waveforms look
# like a real recording.
tone=$scratch/demo.wav
python3 - "$tone" <<'PYTHON'
import array, math, random, sys, wave

rate = 44100
seconds = 30
random.seed(7)
scale = [220.0, 246.9, 277.2, 293.7, 329.6, 370.0, 415.3, 440.0, 493.9, 554.4]
left = array.array('f', bytes(4 * rate * seconds))
right = array.array('f', bytes(4 * rate * seconds))

def phrase(t):
    # Loudness over the piece: rising phrases of 6 s, a quiet bridge from 12 to 17 s.
    level = 0.45 + 0.55 * ((t % 6.0) / 6.0)
    if 12.0 <= t < 17.0:
        level *= 0.35
    return level

t = 0.0
while t < seconds:
    length = random.choice([0.25, 0.25, 0.5, 0.5, 0.75, 1.0])
    f = random.choice(scale)
    start, count = int(t * rate), int(min(length, seconds - t) * rate)
    for k in range(count):
        u = k / rate
        swell = min(1.0, u * 40.0) * math.exp(-3.0 * u / length)
        w = 2 * math.pi * f * u
        level = phrase(t + u) * swell
        left[start + k] += level * (0.55 * math.sin(w) + 0.2 * math.sin(2 * w))
        right[start + k] += level * (0.45 * math.sin(1.5 * w) + 0.15 * math.sin(3 * w))
    t += length
for beat in range(int(seconds * 2)):  # two beats a second
    start = int(beat * 0.5 * rate)
    for k in range(int(0.08 * rate)):
        if start + k < len(right):
            right[start + k] += phrase(beat * 0.5) * 0.35 * math.exp(-k / (0.02 * rate)) * (random.random() - 0.5)
frames = array.array('h', bytes(4 * rate * seconds))
for i in range(rate * seconds):
    frames[2 * i] = int(max(-1.0, min(1.0, left[i])) * 30000)
    frames[2 * i + 1] = int(max(-1.0, min(1.0, right[i])) * 30000)
with wave.open(sys.argv[1], 'wb') as out:
    out.setnchannels(2)
    out.setsampwidth(2)
    out.setframerate(rate)
    out.writeframes(frames.tobytes())
PYTHON

project=$scratch/demo.wvmp
printf '%s\n' "import \"$tone\"" "cursor 3" "add-marker" "save \"$project\"" | "$cli" edit - >/dev/null

# The first free display number.
display=99
while [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1366x768x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$scratch/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "screenshots.sh: Xvfb did not start" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$wavomer" --silent "$project" >"$scratch/wavomer.log" 2>&1 &
app_pid=$!

# The window's title names the project once it has been read.
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'Wavomer - demo' | head -n 1) || {
    echo "screenshots.sh: the window did not appear" >&2
    cat "$scratch/wavomer.log" >&2
    exit 1
}
sleep 1
# There is no window manager: give the window the keyboard focus ourselves, then
# Zoom to Fit (Ctrl+0) so the whole project fills the rows.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+0
sleep 1.5
import -window root "$out/main-window.png"

# A range selected by dragging across the track rows.
xdotool mousemove --sync 200 400 mousedown 1
sleep 0.2
for x in 300 400 500 600; do
    xdotool mousemove --sync "$x" 400
    sleep 0.1
done
xdotool mouseup 1
sleep 1
import -window root "$out/selection.png"

echo "$out/main-window.png"
echo "$out/selection.png"
