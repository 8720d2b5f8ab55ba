#!/bin/sh
# Drives the real program with real input on a virtual X display: opens a project made by
# wavomer-cli (by its project.plist, as the launcher entry passes it), plays for a moment
# (Space), pauses (Space), adds a marker (M), saves (Ctrl+S), and checks with wavomer-cli
# that the saved project has that one marker, after the cursor. Keeps a screenshot of the
# window as BUILD_DIR/e2e-window.png.
# Usage: e2e.sh BUILD_DIR      (exit 77 when Xvfb, xdotool or sox is missing)
set -eu
build="$(cd "$1" && pwd)"
for tool in Xvfb xdotool sox python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is missing" >&2; exit 77; }
done
work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "e2e: $*" >&2; [ -f "$work/app.log" ] && sed 's/^/wavomer: /' "$work/app.log" >&2; exit 1; }

# A private home, so the user's configuration and projects stay untouched.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
       XDG_STATE_HOME="$work/home/.local/state" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY || true

# The project: one 20-second tone imported and saved by the command-line tool.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 20 sine 440 vol 0.5
printf 'import %s\nsave %s\n' "$work/tone.wav" "$work/P.wvmp" > "$work/make.txt"
timeout 60 "$build/wavomer-cli" edit "$work/make.txt" >/dev/null || fail "wavomer-cli could not make the project"

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
  i=$((i + 1)); [ "$i" -gt 100 ] && fail "Xvfb did not start"
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"

# Opened as the launcher entry does for a project file: wavomer FOLDER/project.plist.
timeout 120 "$build/wavomer" --silent "$work/P.wvmp/project.plist" >"$work/app.log" 2>&1 &
app_pid=$!
window="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" --name 'P' 2>/dev/null | head -n1)" || true
[ -n "$window" ] || fail "the window did not appear"
# No window manager runs: give the window the focus explicitly.
xdotool windowraise "$window"
xdotool windowfocus --sync "$window"
sleep 1

xdotool windowfocus --sync "$window"; xdotool key space
sleep 1.5
xdotool windowfocus --sync "$window"; xdotool key space
sleep 0.5
xdotool windowfocus --sync "$window"; xdotool key m
sleep 0.5
xdotool windowfocus --sync "$window"; xdotool key ctrl+s

# The save is done when the saved project has the marker.
markers() {
  timeout 20 "$build/wavomer-cli" info "$work/P.wvmp" 2>/dev/null | python3 -c '
import json, sys
project = json.load(sys.stdin)
print(" ".join(str(m if isinstance(m, (int, float)) else m["markerTime"]) for m in project["markers"]))' 2>/dev/null || true
}
i=0
found=""
while :; do
  found="$(markers)"
  [ -n "$found" ] && break
  i=$((i + 1)); [ "$i" -gt 50 ] && break
  sleep 0.2
done
command -v import >/dev/null 2>&1 && import -display "$DISPLAY" -window root "$build/e2e-window.png" 2>/dev/null || true

xdotool windowfocus --sync "$window" 2>/dev/null; xdotool key ctrl+q 2>/dev/null || true
i=0
while kill -0 "$app_pid" 2>/dev/null; do
  i=$((i + 1)); [ "$i" -gt 50 ] && { kill "$app_pid"; fail "the program did not quit on Ctrl+Q"; }
  sleep 0.2
done
wait "$app_pid" || fail "the program exited with an error"
app_pid=""

[ -n "$found" ] || fail "the saved project has no marker"
set -- $found
[ "$#" -eq 1 ] || fail "the saved project has $# markers, not 1: $found"
python3 -c "import sys; sys.exit(0 if float('$1') > 0.5 else 1)" ||
  fail "the marker is at $1 s: the cursor did not move while playing"
echo "e2e: one marker at $1 s; screenshot in $build/e2e-window.png"
