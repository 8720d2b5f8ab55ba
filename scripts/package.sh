#!/bin/sh
# Builds the Debian package wavomer_VERSION_ARCH.deb from the release tree (building it
# first), with its dependencies found by dpkg-shlibdeps, and checks it with lintian.
# Usage: scripts/package.sh [OUT_DIR]   (default build/package); prints the package's path.
set -eu
cd "$(dirname "$0")/.."
out="${1:-build/package}"
scripts/build.sh release wavomer wavomer-cli wavomer_compressed_docs >&2
mkdir -p "$out"
rm -f "$out"/wavomer_*.deb
cpack -G DEB --config build/CPackConfig.cmake -B "$out" >&2
rm -rf "$out/_CPack_Packages"
deb="$(ls "$out"/wavomer_*.deb)"
# Errors fail the build; the warnings left are listed in README ("Install").
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error "$deb" >&2
fi
echo "$deb"
