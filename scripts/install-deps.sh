#!/bin/sh
# Installs the Debian 12 packages that building, testing and benchmarking Wavomer need.
# Only packages that are missing are installed; safe to run again.
set -eu
PACKAGES="build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
libavformat-dev libavcodec-dev libswresample-dev libavutil-dev ffmpeg
libplist-dev libtag1-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
libpulse-dev pulseaudio pulseaudio-utils libebur128-dev
python3 time sox
qt6-base-dev qt6-tools-dev qt6-l10n-tools desktop-file-utils shared-mime-info xvfb xdotool x11-utils imagemagick fonts-dejavu-core fonts-liberation2
poppler-utils dbus
man-db groff-base bash-completion appstream dpkg-dev lintian file"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "Installing:$missing" >&2
  SUDO=""
  if [ "$(id -u)" != 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "install-deps.sh: these packages are missing:$missing" >&2
      echo "install-deps.sh: run this script as root, or install sudo, to install them" >&2
      exit 1
    fi
    SUDO=sudo
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >&2
fi
