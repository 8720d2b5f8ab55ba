#!/bin/sh
# Exports a project from the real program with real input on a virtual X display: opens a
# project made by wavomer-cli, presses Ctrl+E, types the output folder into the folder
# dialog and presses Enter, waits for the export, and checks the written file with
# ffprobe (an MP3 of the project's length, two channels). Keeps a screenshot of the
# folder dialog as BUILD_DIR/e2e-export-dialog.png.
# Usage: e2e_export.sh BUILD_DIR   (exit 77 when Xvfb, xdotool, sox or ffprobe is missing)
set -eu
build="$(cd "$1" && pwd)"
for tool in Xvfb xdotool sox ffprobe python3; do
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
fail() { echo "e2e_export: $*" >&2; [ -f "$work/app.log" ] && sed 's/^/wavomer: /' "$work/app.log" >&2; exit 1; }

# A private home, so the user's configuration and projects stay untouched.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
       XDG_STATE_HOME="$work/home/.local/state" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME" "$work/out"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS || true

# The project: one 6-second stereo tone imported and saved by the command-line tool.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 6 sine 440 vol 0.5
printf 'import %s\nsave %s\n' "$work/tone.wav" "$work/P.wvmp" > "$work/make.txt"
timeout 60 "$build/wavomer-cli" edit "$work/make.txt" >/dev/null || fail "wavomer-cli could not make the project"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
  i=$((i + 1)); [ "$i" -gt 100 ] && fail "Xvfb did not start"
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"

timeout 150 "$build/wavomer" --silent "$work/P.wvmp" >"$work/app.log" 2>&1 &
app_pid=$!
window="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" --name 'P' 2>/dev/null | head -n1)" || true
[ -n "$window" ] || fail "the window did not appear"
xdotool windowraise "$window"
xdotool windowfocus --sync "$window"
sleep 1
xdotool windowfocus --sync "$window"; xdotool key ctrl+e

# The folder dialog: its folder field has the focus; type the path and press Enter.
dialog="$(timeout 20 xdotool search --sync --onlyvisible --pid "$app_pid" --name '^Export$' 2>/dev/null | head -n1)" || true
[ -n "$dialog" ] || fail "the export folder dialog did not appear"
xdotool windowfocus --sync "$dialog"
sleep 0.5
xdotool type --delay 30 "$work/out"
sleep 0.3
command -v import >/dev/null 2>&1 && import -display "$DISPLAY" -window root "$build/e2e-export-dialog.png" 2>/dev/null || true
xdotool key Return

# Done when the file is there and the export window has gone.
i=0
while :; do
  if [ -s "$work/out/Audio.mp3" ] && ! xdotool search --onlyvisible --pid "$app_pid" --name '^Export$' >/dev/null 2>&1; then
    break
  fi
  i=$((i + 1)); [ "$i" -gt 150 ] && fail "no Audio.mp3 was written: $(ls "$work/out")"
  sleep 0.2
done
sleep 0.5

xdotool windowfocus --sync "$window" 2>/dev/null; xdotool key ctrl+q 2>/dev/null || true
i=0
while kill -0 "$app_pid" 2>/dev/null; do
  i=$((i + 1)); [ "$i" -gt 50 ] && { kill "$app_pid"; fail "the program did not quit on Ctrl+Q"; }
  sleep 0.2
done
wait "$app_pid" || fail "the program exited with an error"
app_pid=""

[ "$(ls "$work/out")" = "Audio.mp3" ] || fail "unexpected files: $(ls "$work/out")"
probe="$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,channels,sample_rate:format=duration \
         -of default=noprint_wrappers=1 "$work/out/Audio.mp3")" || fail "ffprobe cannot read Audio.mp3"
echo "$probe" | grep -qx 'codec_name=mp3' || fail "not an MP3: $probe"
echo "$probe" | grep -qx 'channels=2' || fail "not two channels: $probe"
duration="$(echo "$probe" | sed -n 's/^duration=//p')"
python3 -c "import sys; d=float('$duration'); sys.exit(0 if 5.9 <= d <= 6.2 else 1)" ||
  fail "the file lasts $duration s, not about 6 s"
echo "e2e_export: Audio.mp3, mp3, 2 channels, $duration s"
