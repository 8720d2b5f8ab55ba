#!/bin/sh
# End to end on laptop screens: on a virtual display of 1366x768 and of 1280x720 the
# first window opens inside the screen, centred; the recording panel (Ctrl+R) is a window
# of its own that Escape closes; with the preferences open, closing the project window
# (Ctrl+W) ends the program. Then Zoom to Fit (Ctrl+0) spreads a 20-second project's
# waveform over the whole width of the rows.
#
# Usage: e2e_screen.sh BUILD_DIR      (exit 77 when Xvfb or xdotool is missing)
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
for screen in 1366x768 1280x720; do
  E2E_SCREEN="$screen" sh -c '
    set -eu
    . "$2/e2e-common.sh"
    start_window Wavomer
    eval "$(xdotool getwindowgeometry --shell "$window")"
    screen_width=${E2E_SCREEN%x*}; screen_height=${E2E_SCREEN#*x}
    [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le "$screen_width" ] && [ $((Y + HEIGHT)) -le "$screen_height" ] ||
      fail "on $E2E_SCREEN the window lies at ${X},${Y} ${WIDTH}x${HEIGHT}"
    left=$X; right=$((screen_width - X - WIDTH))
    [ $((left - right)) -le 2 ] && [ $((right - left)) -le 2 ] || fail "on $E2E_SCREEN the window is not centred: $left and $right pixels free"
    shown() { xdotool search --onlyvisible --pid "$app_pid" "" 2>/dev/null | wc -l; }
    alone=$(shown)
    keys "$window" ctrl+r
    [ "$(shown)" -gt "$alone" ] || fail "the recording panel did not open as a window of its own"
    xdotool key Escape; sleep 0.5
    [ "$(shown)" -eq "$alone" ] || fail "Escape did not close the recording panel"
    # The panel has just closed: the shortcut is pressed again if the first press came too early.
    opened=""
    for attempt in 1 2 3; do
      keys "$window" ctrl+comma
      if timeout 5 xdotool search --sync --onlyvisible --pid "$app_pid" --name Preferences >/dev/null 2>&1; then
        opened=yes; break
      fi
    done
    [ -n "$opened" ] || fail "the preferences did not open"
    keys "$window" ctrl+w
    i=0
    while kill -0 "$app_pid" 2>/dev/null; do
      i=$((i + 1)); [ "$i" -gt 50 ] && fail "closing the last project window with the preferences open did not end the program"
      sleep 0.2
    done
    wait "$app_pid" || fail "the program exited with an error"
    echo "e2e: on $E2E_SCREEN the window is ${WIDTH}x${HEIGHT} at ${X},${Y}"
  ' e2e-screen "$1" "$here" || exit $?
done

E2E_SCREEN=1366x768 sh -c '
  set -eu
  . "$2/e2e-common.sh"
  command -v import >/dev/null 2>&1 || { echo "skipped: import is missing" >&2; exit 77; }
  make_project "$work/P.wvmp"
  start_window P "$work/P.wvmp"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # The waveform colour in a column near the right edge of the rows, before and after.
  wave_at_right() {
    import -display "$DISPLAY" -window root "$work/shot.png"
    convert "$work/shot.png" -crop "1x$((HEIGHT - 220))+$((X + WIDTH - 40))+$((Y + 200))" txt:- | python3 -c "
import re, sys
hits = 0
for line in sys.stdin:
    m = re.search(r\"\\((\\d+),(\\d+),(\\d+)\", line)
    if m and abs(int(m.group(1)) - 14) < 12 and abs(int(m.group(2)) - 140) < 12 and abs(int(m.group(3)) - 150) < 12:
        hits += 1
print(hits)"
  }
  before=$(wave_at_right)
  keys "$window" ctrl+0
  sleep 0.5
  after=$(wave_at_right)
  [ "$before" -eq 0 ] || fail "at the default zoom the 20-second waveform already reaches the right edge ($before pixels)"
  [ "$after" -gt 20 ] || fail "after Zoom to Fit the waveform does not reach the right edge of the rows ($after pixels)"
  quit_window "$window" "$app_pid"
  echo "e2e: Zoom to Fit spreads the waveform to the right edge ($after wave pixels in its last columns)"
' e2e-zoom "$1" "$here"
