#!/bin/sh
# End to end on laptop screens: on a virtual display of 1366x768 and of 1280x720 the
# first window opens inside the screen, centred, and quits on Ctrl+Q.
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
    quit_window "$window" "$app_pid"
    echo "e2e: on $E2E_SCREEN the window is ${WIDTH}x${HEIGHT} at ${X},${Y}"
  ' e2e-screen "$1" "$here" || exit $?
done
