#!/bin/sh
# The Debian package: cpack builds wavomer_VERSION_ARCH.deb from the built tree, lintian
# finds no error in it, and unpacked into a scratch root it holds the desktop files, the
# manual pages, the completion and the AppStream entry, and its wavomer-cli prints its
# version and imports a file.
# Usage: deb.sh BUILD_DIR VERSION   (exit 77 when cpack, dpkg-deb or lintian is missing)
set -eu
build="$1"
version="$2"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian ffmpeg; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is missing" >&2; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; exit 1; }
deb="$work/out/wavomer_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no $deb: $(ls "$work/out")" >&2; exit 1; }
lintian --fail-on error "$deb" 2>&1 | grep -v 'root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || { echo "lintian reports errors" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "no dependencies found" >&2; exit 1; }
root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/wavomer usr/bin/wavomer-cli usr/share/applications/org.wavomer.Wavomer.desktop \
    usr/share/icons/hicolor/scalable/apps/org.wavomer.Wavomer.svg usr/share/mime/packages/org.wavomer.Wavomer.xml \
    usr/share/metainfo/org.wavomer.Wavomer.metainfo.xml usr/share/man/man1/wavomer.1.gz \
    usr/share/man/man1/wavomer-cli.1.gz usr/share/bash-completion/completions/wavomer-cli \
    usr/share/doc/wavomer/copyright; do
  [ -e "$root/$file" ] || { echo "the package lacks /$file" >&2; exit 1; }
done
out="$(env -i PATH="$PATH" HOME="$work/home" "$root/usr/bin/wavomer-cli" --version)"
[ "$out" = "wavomer-cli $version" ] || { echo "--version printed: $out" >&2; exit 1; }
ffmpeg -v error -f lavfi -i sine=440:duration=1 "$work/tone.wav"
env -i PATH="$PATH" HOME="$work/home" XDG_CACHE_HOME="$work/cache" \
  "$root/usr/bin/wavomer-cli" import "$work/tone.wav" -o "$work/tone.data" >"$work/import.json"
grep -q '"channels": *1' "$work/import.json" || { echo "import printed: $(cat "$work/import.json")" >&2; exit 1; }
echo "deb: $(basename "$deb") unpacked and run"
