#!/bin/sh
# Export speed against the ffmpeg command encoding the same samples from a raw file of
# 32-bit floats, with the same codec and bit rate, and peak memory of a long export.
# The project is one imported stereo file left as it is, so its render is the file's
# own samples and both sides encode identical input.
# Usage: bench/export_vs_ffmpeg.sh [BUILD_DIR]   (default build/)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
export XDG_CACHE_HOME="$work/cache"

project() {  # project() SECONDS NAME: a stereo tone plus noise, imported and saved
  ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=440:duration=$1" -f lavfi -i "anoisesrc=duration=$1:amplitude=0.3" \
    -filter_complex "[0:a][1:a]amerge=inputs=2[a]" -map "[a]" -ac 2 -c:a pcm_f32le "$work/$2.wav"
  printf 'import "%s"\nsave %s\n' "$work/$2.wav" "$work/$2.wvmp" > "$work/$2.script"
  "$cli" edit "$work/$2.script" > /dev/null
}

echo "making fixtures in $work" >&2
project 600 ten
ffmpeg -nostdin -v error -i "$work/ten.wav" -f f32le -ar 44100 -ac 2 "$work/ten.f32"

compare() {  # compare LABEL FORMAT-TITLE BIT-RATE FFMPEG-CODEC-ARGS EXT
  ours=$(best sh -c "rm -rf '$work/out' && '$cli' export '$work/ten.wvmp' -d '$work/out' --format '$2' --bit-rate '$3'")
  theirs=$(best sh -c "ffmpeg -nostdin -v error -y -f f32le -ar 44100 -ac 2 -i '$work/ten.f32' $4 '$work/ref.$5'")
  ratio=$(ratio "$ours" "$theirs")
  echo "export $1 (10 min stereo): wavomer ${ours}s, ffmpeg ${theirs}s, ratio $ratio (target <= 1.15)"
}

compare "MP3 192k" "MP3 - MPEG Layer-3 Audio(*.mp3)" 192 "-c:a libmp3lame -b:a 192k" mp3
compare "AAC 192k" "AAC - Advanced Audio Coding(*.m4a)" 192 "-c:a aac -b:a 192k" m4a
compare "FLAC" "FLAC - Free Lossless Audio Codec(*.flac)" Lossless "-c:a flac" flac

project 3600 hour
rss=$(/usr/bin/time -f "%M" "$cli" export "$work/hour.wvmp" -d "$work/hourout" \
  --format "FLAC - Free Lossless Audio Codec(*.flac)" 2>&1 >/dev/null | tail -1)
echo "peak resident memory exporting 60 min stereo to FLAC: $((rss / 1024)) MiB (target < 100 MiB)"
rss=$(/usr/bin/time -f "%M" "$cli" export "$work/hour.wvmp" -d "$work/hourout" --bit-rate 192 2>&1 >/dev/null | tail -1)
echo "peak resident memory exporting 60 min stereo to MP3 192k: $((rss / 1024)) MiB (target < 100 MiB)"
