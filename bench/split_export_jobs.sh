#!/bin/sh
# Export on Markers with the pieces encoded in parallel against one at a time, in one run:
# the 8-track, 10-minute project split into four pieces by markers at 150, 300 and 450 s,
# mixed to stereo, to MP3 and to FLAC; then a normalised export against a plain one.
# Usage: bench/split_export_jobs.sh [BUILD_DIR]   (default build/)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
export XDG_CACHE_HOME="$work/cache"

echo "making eight 10-minute tracks in $work" >&2
inputs=""
merge=""
for i in 0 1 2 3 4 5 6 7; do
  ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$((220 + 110 * i)):duration=600" -f lavfi \
    -i "anoisesrc=duration=600:amplitude=0.05:seed=$i" -filter_complex amix=inputs=2 -ac 1 -c:a pcm_f32le "$work/t$i.wav"
  inputs="$inputs -i $work/t$i.wav"
  merge="$merge[$i:a]"
done
# shellcheck disable=SC2086
ffmpeg -nostdin -v error $inputs -filter_complex "${merge}amerge=inputs=8[a]" -map "[a]" -c:a pcm_f32le "$work/eight.wav"
cat > "$work/script.txt" <<SCRIPT
import "$work/eight.wav"
cursor 150
add-marker
cursor 300
add-marker
cursor 450
add-marker
save "$work/p.wvmp"
SCRIPT
"$cli" edit "$work/script.txt"

split() {  # split FORMAT JOBS [OPTIONS]: the best wall time of the split export
  best sh -c "rm -rf '$work/out' && '$cli' export '$work/p.wvmp' -d '$work/out' --channels stereo --format $1 --split-at-markers --jobs $2"
}
for format in mp3 flac; do
  one=$(split "$format" 1)
  many=$(split "$format" "$(nproc)")
  echo "4-piece split of 8 tracks x 10 min to $format: --jobs 1 ${one}s, --jobs $(nproc) ${many}s, ratio $(ratio "$many" "$one") (target <= 0.6)"
done

whole() {  # whole FORMAT [OPTIONS]: the best wall time of a single-file export
  best sh -c "rm -rf '$work/out' && '$cli' export '$work/p.wvmp' -d '$work/out' --channels stereo --format $1 $2"
}
for format in mp3 flac; do
  plain=$(whole "$format" "")
  normalised=$(whole "$format" "--loudness -16")
  echo "10 min of 8 tracks to $format normalised to -16 LUFS: ${normalised}s, plain ${plain}s, ratio $(ratio "$normalised" "$plain") (target <= 1.4)"
done
