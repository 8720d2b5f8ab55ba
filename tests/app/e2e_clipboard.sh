#!/bin/sh
# The desktop's clipboard between two running programs on a virtual X display: the first
# opens a 20-second project, selects all (Ctrl+A) and cuts (Ctrl+X); the second, on an
# empty project, pastes (Ctrl+V) and saves (Ctrl+S). wavomer-cli then finds the 20
# seconds on both tracks of the second project and none left in the first.
# Usage: e2e_clipboard.sh BUILD_DIR      (exit 77 when Xvfb, xdotool or sox is missing)
. "$(dirname "$0")/e2e-common.sh"

make_project "$work/Source.wvmp"
printf 'save %s\n' "$work/Target.wvmp" > "$work/empty.txt"
timeout 60 "$build/wavomer-cli" edit "$work/empty.txt" >/dev/null || fail "wavomer-cli could not make the empty project"

start_window Source "$work/Source.wvmp"
source_window="$window"; source_pid="$app_pid"
start_window Target "$work/Target.wvmp"
target_window="$window"; target_pid="$app_pid"

keys "$source_window" ctrl+a ctrl+x ctrl+s
keys "$target_window" ctrl+v ctrl+s
i=0
while :; do
  pasted="$(audio "$work/Target.wvmp")"
  left="$(audio "$work/Source.wvmp")"
  [ "$pasted" = "20.000 20.000" ] && [ "$left" != "20.000 20.000" ] && break
  i=$((i + 1)); [ "$i" -gt 50 ] && break
  sleep 0.2
done
quit_window "$target_window" "$target_pid"
quit_window "$source_window" "$source_pid"
[ "$pasted" = "20.000 20.000" ] || fail "the second program's project holds '$pasted' s of audio after the paste"
case "$left" in "0.000 0.000"|"") ;; *) fail "the first program's project still holds $left s after the cut" ;; esac
# The pasted sections' audio travelled into the second project's own folder.
data="$(ls "$work/Target.wvmp/Audios/"*.data 2>/dev/null | head -n1)"
[ -n "$data" ] || fail "the second project's folder holds no audio"
timeout 20 "$build/wavomer-cli" info "$data" >/dev/null || fail "the second project's audio cannot be read"
echo "e2e: 20 s cut in one program and pasted into another"
