# What the end-to-end scripts share, sourced with the build folder as $1: the tools
# they need (exit 77 when one is missing), a scratch folder and a private home removed
# at exit, a virtual X display, and starting, focusing and quitting the program.
set -eu
build="$(cd "$1" && pwd)"
for tool in Xvfb xdotool sox python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is missing" >&2; exit 77; }
done
work="$(mktemp -d)"
xvfb_pid=""
app_pids=""
cleanup() {
  for pid in $app_pids; do kill "$pid" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "e2e: $*" >&2
  for log in "$work"/app*.log; do [ -f "$log" ] && sed 's/^/wavomer: /' "$log" >&2; done
  exit 1
}

# A private home, so the user's configuration and projects stay untouched.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
       XDG_STATE_HOME="$work/home/.local/state" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY || true

# Xvfb picks a free display itself and writes its number to fd 3; E2E_SCREEN sets its size.
Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1920x1080}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
  i=$((i + 1)); [ "$i" -gt 100 ] && fail "Xvfb did not start"
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"

# A 20-second stereo tone saved as the project FOLDER by the command-line tool.
make_project() {
  [ -f "$work/tone.wav" ] || sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 20 sine 440 vol 0.5
  printf 'import %s\nsave %s\n' "$work/tone.wav" "$1" > "$work/make.txt"
  timeout 60 "$build/wavomer-cli" edit "$work/make.txt" >/dev/null || fail "wavomer-cli could not make $1"
}

# start_window NAME ARGS...: starts the program on ARGS and sets $app_pid and $window to
# its process and the window whose title holds NAME. No window manager runs, so the
# window is raised and given the focus explicitly.
start_window() {
  name="$1"; shift
  timeout 120 "$build/wavomer" --silent "$@" >"$work/app-$name.log" 2>&1 &
  app_pid=$!
  app_pids="$app_pids $app_pid"
  window="$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" --name "$name" 2>/dev/null | head -n1)" || true
  [ -n "$window" ] || fail "the window of $name did not appear"
  xdotool windowraise "$window"
  xdotool windowfocus --sync "$window"
  sleep 1
}

# keys WINDOW KEY...: each key pressed with WINDOW focused.
keys() {
  target="$1"; shift
  for key in "$@"; do
    xdotool windowfocus --sync "$target"; xdotool key "$key"
    sleep 0.3
  done
}

# quit_window WINDOW PID: Ctrl+Q, and the program must end without an error.
quit_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null; xdotool key ctrl+q 2>/dev/null || true
  i=0
  while kill -0 "$2" 2>/dev/null; do
    i=$((i + 1)); [ "$i" -gt 50 ] && { kill "$2"; fail "the program did not quit on Ctrl+Q"; }
    sleep 0.2
  done
  wait "$2" || fail "the program exited with an error"
}

# audio PROJECT: the seconds of audio each track of a saved project holds.
audio() {
  timeout 20 "$build/wavomer-cli" info "$1" 2>/dev/null | python3 -c '
import json, sys
project = json.load(sys.stdin)
print(" ".join("%.3f" % sum(s["trackEndTime"] - s["trackStartTime"] for s in t["sections"] if not s["isBlankSection"])
               for t in project["tracks"]))' 2>/dev/null || true
}
