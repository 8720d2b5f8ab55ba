#!/bin/sh
# Exports a project from the real program with real input on a virtual X display: opens a
# project made by wavomer-cli, presses Ctrl+E, types the output folder into the folder
# dialog and presses Enter, waits for the export, and checks the written file with
# ffprobe (an MP3 of the project's length, two channels). Keeps a screenshot of the
# folder dialog as BUILD_DIR/e2e-export-dialog.png.
# Usage: e2e_export.sh BUILD_DIR   (exit 77 when Xvfb, xdotool, sox or ffprobe is missing)
command -v ffprobe >/dev/null 2>&1 || { echo "skipped: ffprobe is missing" >&2; exit 77; }
. "$(dirname "$0")/e2e-common.sh"
# No file manager, and nothing opens folders here: a notice lists the written file.
unset DBUS_SESSION_BUS_ADDRESS || true
mkdir -p "$work/out"

make_project "$work/P.wvmp"
start_window P "$work/P.wvmp"
keys "$window" ctrl+e

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
# The notice that no file manager showed the file; Return is its OK.
notice="$(timeout 20 xdotool search --sync --onlyvisible --pid "$app_pid" --name '^Export Finished$' 2>/dev/null | head -n1)" || true
[ -n "$notice" ] || fail "no notice told where the file is"
xdotool windowfocus --sync "$notice"
xdotool key Return
sleep 0.5
quit_window "$window" "$app_pid"

[ "$(ls "$work/out")" = "Audio.mp3" ] || fail "unexpected files: $(ls "$work/out")"
probe="$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,channels,sample_rate:format=duration \
         -of default=noprint_wrappers=1 "$work/out/Audio.mp3")" || fail "ffprobe cannot read Audio.mp3"
echo "$probe" | grep -qx 'codec_name=mp3' || fail "not an MP3: $probe"
echo "$probe" | grep -qx 'channels=2' || fail "not two channels: $probe"
duration="$(echo "$probe" | sed -n 's/^duration=//p')"
python3 -c "import sys; d=float('$duration'); sys.exit(0 if 19.9 <= d <= 20.2 else 1)" ||
  fail "the file lasts $duration s, not about 20 s"
echo "e2e_export: Audio.mp3, mp3, 2 channels, $duration s"
