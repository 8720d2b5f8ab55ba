#!/bin/sh
# Import speed against the ffmpeg command decoding the same file to raw 32-bit
# floats at 44100 Hz on the same disk, and peak memory of a long import.
# Usage: bench/import_vs_ffmpeg.sh [BUILD_DIR]   (default build/)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh

echo "making fixtures in $work" >&2
ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=600" -f lavfi -i "anoisesrc=duration=600:amplitude=0.3" \
  -filter_complex "[0:a][1:a]amerge=inputs=2[a]" -map "[a]" -ac 2 -b:a 192k "$work/ten.mp3"
ffmpeg -nostdin -v error -i "$work/ten.mp3" "$work/ten.flac"

for f in ten.mp3 ten.flac; do
  ours=$(best "$cli" import "$work/$f" -o "$work/out.data")
  theirs=$(best ffmpeg -nostdin -v error -y -i "$work/$f" -f f32le -ar 44100 "$work/out.f32")
  ratio=$(ratio "$ours" "$theirs")
  echo "import $f (10 min stereo): wavomer ${ours}s, ffmpeg ${theirs}s, ratio $ratio (target <= 1.3)"
done

ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=3600" -ac 2 "$work/hour.flac"
rss=$(/usr/bin/time -f "%M" "$cli" import "$work/hour.flac" -o "$work/hour.data" 2>&1 >/dev/null | tail -1)
echo "peak resident memory importing 60 min stereo FLAC: $((rss / 1024)) MiB (target < 64 MiB)"
