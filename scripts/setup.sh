#!/bin/sh
# Sets a fresh Debian 12 machine up for Wavomer, builds it, and opens the window. With MEDIA
# the window opens a new project holding that file, imported. Without a display it runs the
# main job headless instead: importing MEDIA into a sample data file with wavomer-cli.
# Usage: scripts/setup.sh [MEDIA]   (headless, without MEDIA a 5-second test tone is imported)
set -eu
# A relative MEDIA is relative to where the script was started, not to the project.
media="${1:-}"
case "$media" in
  ""|/*) ;;
  *) media="$PWD/$media" ;;
esac
if [ -n "$media" ] && [ ! -f "$media" ]; then
  echo "setup.sh: no such file: $media" >&2
  exit 1
fi
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/wavomer ]; then
  if [ -z "$media" ]; then
    exec build/wavomer
  fi
  case "$media" in
    *'"'*) echo "setup.sh: a file name holding a double quote cannot be imported here" >&2; exit 1 ;;
  esac
  # A new project with the file imported into its first track, opened in the window.
  name="$(basename "$media")"
  project="$(mktemp -d)/${name%.*}.wvmp"
  printf 'import "%s"\nsave "%s"\n' "$media" "$project" | build/wavomer-cli edit -
  echo "setup.sh: opening $project"
  exec build/wavomer "$project"
fi

if [ -z "$media" ]; then
  media="$(mktemp -d)/tone.flac"
  ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=5" -ac 2 "$media"
fi
out="$(mktemp -d)/imported.data"
build/wavomer-cli import "$media" -o "$out"
build/wavomer-cli info "$out"
if [ -x build/wavomer ]; then
  echo "setup.sh: no display here, so the import ran headless. On a desktop, open the window with" >&2
  echo "    build/wavomer [PROJECT.wvmp]      or    scripts/setup.sh [MEDIA]" >&2
else
  echo "setup.sh: the window (build/wavomer) was not built: Qt 6 is missing" >&2
fi
