#!/bin/sh
# Sets a fresh Debian 12 machine up for Wavomer, builds it, and runs its main job:
# importing a media file into a sample data file with wavomer-cli.
# Usage: scripts/setup.sh [MEDIA]   (without MEDIA a 5-second test tone is made and imported)
set -eu
# A relative MEDIA is relative to where the script was started, not to the project.
media="${1:-}"
case "$media" in
  ""|/*) ;;
  *) media="$PWD/$media" ;;
esac
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
if [ -z "$media" ]; then
  media="$(mktemp -d)/tone.flac"
  ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=5" -ac 2 "$media"
fi
out="$(mktemp -d)/imported.data"
build/wavomer-cli import "$media" -o "$out"
build/wavomer-cli info "$out"
