#!/bin/sh
# Configures and builds the release tree in build/ (and, with "asan", the sanitizer tree).
# Targets after the kind build only those (default: everything).
set -eu
cd "$(dirname "$0")/.."
kind="${1:-release}"
case "$kind" in
  release) dir=build; flags="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
  asan) dir=build-asan; flags="-DCMAKE_BUILD_TYPE=Debug -DWAVOMER_SANITIZE=ON -DWAVOMER_BENCH=OFF" ;;
  *) echo "usage: build.sh [release|asan]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja $flags >/dev/null
[ "$#" -gt 0 ] && shift
targets=""
for t in "$@"; do targets="$targets --target $t"; done
# shellcheck disable=SC2086
cmake --build "$dir" -j"$(nproc)" $targets
