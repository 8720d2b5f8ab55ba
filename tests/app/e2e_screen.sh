#!/bin/sh
# End to end on laptop screens: on a virtual display of 1366x768 and of 1280x720 the
# first window opens inside the screen, centred; the recording panel (Ctrl+R) is a window
# of its own that Escape closes; with the preferences open, closing the project window
# (Ctrl+W) ends the program.
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
    keys "$window" ctrl+comma
    timeout 10 xdotool search --sync --onlyvisible --pid "$app_pid" --name Preferences >/dev/null 2>&1 ||
      fail "the preferences did not open"
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
