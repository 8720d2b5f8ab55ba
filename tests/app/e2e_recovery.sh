#!/bin/sh
# Crash recovery with the real program on a virtual X display. The same edits (a drag
# and Delete on the second track, a Fade In over a dragged range, a Volume change in
# its panel, two markers) are made twice with the keys and the mouse: once in a window
# on project R that saves with Ctrl+S (the reference), once in a window on project P
# that is killed with SIGKILL 1.5 s after the last edit. P's project.plist must be
# byte-identical to before; the next start must offer the unsaved changes; Recover
# and Ctrl+S must give P the same tracks and markers as R.
# Usage: e2e_recovery.sh BUILD_DIR      (exit 77 when Xvfb, xdotool or sox is missing)
. "$(dirname "$0")/e2e-common.sh"

make_project "$work/P.wvmp"
cp -a "$work/P.wvmp" "$work/R.wvmp"
cp "$work/P.wvmp/project.plist" "$work/before.plist"

edit() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  lower=$((HEIGHT - 60))
  upper=$((HEIGHT / 2 - 20))
  xdotool windowfocus --sync "$window"
  for i in $(seq 1 25); do xdotool key --window "$window" ctrl+equal; done
  sleep 0.3
  drag() {
    xdotool mousemove --window "$window" "$1" "$3" mousedown 1 sleep 0.1 \
            mousemove --window "$window" $((($1 + $2) / 2)) "$3" sleep 0.1 \
            mousemove --window "$window" "$2" "$3" sleep 0.1 mouseup 1
    sleep 0.3
  }
  drag 150 300 "$lower"; keys "$window" Delete
  drag 400 500 "$upper"; keys "$window" ctrl+f
  drag 600 700 "$upper"; keys "$window" ctrl+u
  sleep 0.8
  xdotool key Right Right Right Right; sleep 0.2; xdotool key Return; sleep 0.8
  xdotool mousemove --window "$window" 250 "$upper" click 1; sleep 0.3; keys "$window" m
  xdotool mousemove --window "$window" 800 "$upper" click 1; sleep 0.3; keys "$window" m
}

# What a project holds, without the folder it lives in.
state() {
  timeout 20 "$build/wavomer-cli" info "$1" 2>/dev/null | sed "s|$1|PROJECT|g" || true
}

wait_saved() {  # PROJECT BEFORE: until project.plist differs from BEFORE
  i=0
  while cmp -s "$1/project.plist" "$2"; do
    i=$((i + 1)); [ "$i" -gt 50 ] && fail "$1 was not saved"
    sleep 0.2
  done
}

start_window R "$work/R.wvmp"
edit
cp "$work/R.wvmp/project.plist" "$work/R-before.plist"
keys "$window" ctrl+s
wait_saved "$work/R.wvmp" "$work/R-before.plist"
quit_window "$window" "$app_pid"
reference="$(state "$work/R.wvmp")"
[ -n "$reference" ] || fail "the reference project cannot be read"

start_window P "$work/P.wvmp"
edit
sleep 1.5
# The program itself, not the timeout that started it.
kill -9 "$(xdotool getwindowpid "$window")"
wait "$app_pid" 2>/dev/null || true
cmp -s "$work/P.wvmp/project.plist" "$work/before.plist" || fail "the killed window changed project.plist"
recovered="$("$build/wavomer-cli" recovery list)"
case "$recovered" in *'"name": "P"'*'"live": false'*) ;; *) fail "no recoverable document listed: $recovered" ;; esac

# The next start offers the changes before any other window; Return is Recover.
timeout 120 "$build/wavomer" --silent >"$work/app-again.log" 2>&1 &
app_pid=$!
app_pids="$app_pids $app_pid"
offer="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" --name "Recover Unsaved Changes" | head -n1)" ||
  fail "the offer did not appear"
command -v import >/dev/null 2>&1 && import -display "$DISPLAY" -window root "$build/e2e-recovery-offer.png" 2>/dev/null || true
xdotool windowraise "$offer"; xdotool windowfocus --sync "$offer"; sleep 0.5; xdotool key Return
window="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" --name "P" | head -n1)" ||
  fail "the recovered window did not appear"
xdotool windowraise "$window"; xdotool windowfocus --sync "$window"; sleep 1
keys "$window" ctrl+s
wait_saved "$work/P.wvmp" "$work/before.plist"
quit_window "$window" "$app_pid"

[ "$(state "$work/P.wvmp")" = "$reference" ] ||
  fail "the recovered project differs from the reference:
$(state "$work/P.wvmp")
---
$reference"
[ -z "$("$build/wavomer-cli" recovery list)" ] || fail "a recovery folder is left after the recovery"
echo "e2e: the killed window's edits were recovered and saved as the reference's"
