#!/bin/sh
# The silence scan of a 3-hour stereo project: `wavomer-cli edit PROJECT` running
# `mark-silences -40 1` over one imported 3-hour recording (a tone that pauses for 5 s every
# minute), best of three, with the project's load measured alone and taken off.
# Usage: bench/silence_scan.sh [BUILD_DIR]   (default build/)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
export XDG_CACHE_HOME="$work/cache"

echo "making a 3-hour fixture in $work (a few minutes)" >&2
ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=10800,volume='if(lt(mod(t,60),55),0.5,0)':eval=frame" \
  -ac 2 "$work/three.flac"
printf 'import "%s"\nsave %s\n' "$work/three.flac" "$work/three.wvmp" > "$work/import.script"
"$cli" edit "$work/import.script" > /dev/null
rm -f "$work/three.flac"
printf 'print\n' > "$work/load.script"
printf 'mark-silences -40 1\nprint\n' > "$work/scan.script"
"$cli" edit "$work/three.wvmp" "$work/scan.script" > "$work/scan.json"   # warms the page cache
markers=$(python3 -c "import json,sys; print(len(json.load(open(sys.argv[1]))['markers']))" "$work/scan.json")
load=$(best "$cli" edit "$work/three.wvmp" "$work/load.script")
scan=$(best "$cli" edit "$work/three.wvmp" "$work/scan.script")
echo "silence scan of a 3-hour stereo project: ${scan}s with the load (${load}s alone), $markers markers (expected 179; target under 5 s)"
