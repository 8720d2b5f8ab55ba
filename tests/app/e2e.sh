#!/bin/sh
# Drives the real program with real input on a virtual X display: opens a project made by
# wavomer-cli (by its project.plist, as the launcher entry passes it), plays for a moment
# (Space), pauses (Space), adds a marker (M), saves (Ctrl+S), and checks with wavomer-cli
# that the saved project has that one marker, after the cursor. Then zooms in (Ctrl+=),
# drags with the mouse across a stretch of the second track, presses Delete, saves, and
# checks that only the second track lost that stretch. Keeps a screenshot of the window
# as BUILD_DIR/e2e-window.png.
# Usage: e2e.sh BUILD_DIR      (exit 77 when Xvfb, xdotool or sox is missing)
. "$(dirname "$0")/e2e-common.sh"

make_project "$work/P.wvmp"
# Opened as the launcher entry does for a project file: wavomer FOLDER/project.plist.
start_window P "$work/P.wvmp/project.plist"

keys "$window" space
sleep 1.2
keys "$window" space m ctrl+s

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

# Editing with the mouse: zoom in, drag across the lower half of the window (the second
# track) from x 150 to 300, Delete, save.
lengths=""
if [ -n "$found" ]; then
  eval "$(xdotool getwindowgeometry --shell "$window")"
  lower=$((HEIGHT - 60))
  xdotool windowfocus --sync "$window"
  for i in $(seq 1 25); do xdotool key --window "$window" ctrl+equal; done
  sleep 0.3
  xdotool mousemove --window "$window" 150 "$lower" mousedown 1 sleep 0.1 \
          mousemove --window "$window" 220 "$lower" sleep 0.1 mousemove --window "$window" 300 "$lower" sleep 0.1 mouseup 1
  sleep 0.3
  command -v import >/dev/null 2>&1 && import -display "$DISPLAY" -window root "$build/e2e-window.png" 2>/dev/null || true
  keys "$window" Delete ctrl+s
  # The second save has landed when a track holds less than the 20 s it had.
  i=0
  while :; do
    lengths="$(audio "$work/P.wvmp")"
    case "$lengths" in "20.000 20.000"|"") ;; *) break ;; esac
    i=$((i + 1)); [ "$i" -gt 50 ] && break
    sleep 0.2
  done
fi

quit_window "$window" "$app_pid"

[ -n "$found" ] || fail "the saved project has no marker"
set -- $found
[ "$#" -eq 1 ] || fail "the saved project has $# markers, not 1: $found"
marker="$1"
python3 -c "import sys; sys.exit(0 if float('$marker') > 0.5 else 1)" ||
  fail "the marker is at $marker s: the cursor did not move while playing"
set -- $lengths
[ "$#" -eq 2 ] || fail "the saved project does not have two tracks: $lengths"
python3 -c "import sys; a, b = float('$1'), float('$2'); sys.exit(0 if abs(a - 20) < 0.01 and 2 < 20 - b < 12 else 1)" ||
  fail "after the drag and Delete on the second track the tracks hold $lengths s of audio"
echo "e2e: one marker at $marker s; the second track lost $(python3 -c "print(round(20 - $2, 2))") s; screenshot in $build/e2e-window.png"
