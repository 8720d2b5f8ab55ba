#!/bin/sh
# Rendering an 8-track, 10-minute project with fades through the export fold (mixed to
# mono), against sox mixing the same eight tracks with the same fades, in one run.
# Usage: bench/render_vs_sox.sh [BUILD_DIR]   (default build/)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
export XDG_CACHE_HOME="$work/cache"

echo "making eight 10-minute tracks in $work" >&2
inputs=""
merge=""
for i in 0 1 2 3 4 5 6 7; do
  ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$((220 + 110 * i)):duration=600" -ac 1 -c:a pcm_f32le "$work/t$i.wav"
  inputs="$inputs -i $work/t$i.wav"
  merge="$merge[$i:a]"
done
# One eight-channel file: importing it lays the eight tracks side by side.
# shellcheck disable=SC2086
ffmpeg -nostdin -v error $inputs -filter_complex "${merge}amerge=inputs=8[a]" -map "[a]" -c:a pcm_f32le "$work/eight.wav"
cat > "$work/script.txt" <<SCRIPT
import "$work/eight.wav"
select-all
select 0 5
fade-in
select 595 600
fade-out
save "$work/p.wvmp"
SCRIPT
"$cli" edit "$work/script.txt"

ours=$(best "$cli" render "$work/p.wvmp" -o "$work/ours.f32" --channels mono)
# shellcheck disable=SC2086
theirs=$(best sox -V1 -m $(for i in 0 1 2 3 4 5 6 7; do printf '%s ' "$work/t$i.wav"; done) \
  -t raw -e floating-point -b 32 "$work/sox.f32" fade h 5 600 5)
ratio=$(ratio "$theirs" "$ours")
echo "render 8 tracks x 10 min with fades: wavomer ${ours}s, sox -m ${theirs}s, wavomer is ${ratio}x faster (target >= 3)"
