#!/bin/sh
# Checks the desktop integration: the launcher entry passes desktop-file-validate, the
# project type compiles with update-mime-database and globs "project.plist" inside a
# "*.wvmp" folder, and `cmake --install` puts the program, the entry, the icon and the
# type where the desktop looks for them.
# Usage: desktop_files.sh SOURCE_DIR BUILD_DIR      (exit 77: a tool is missing)
set -eu
src="$1"
build="$2"
for tool in desktop-file-validate update-mime-database; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is missing" >&2; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

desktop-file-validate "$src/resources/desktop/org.wavomer.Wavomer.desktop"
grep -qx 'Exec=wavomer %f' "$src/resources/desktop/org.wavomer.Wavomer.desktop"
grep -qx 'MimeType=application/x-wavomer-project;' "$src/resources/desktop/org.wavomer.Wavomer.desktop"

mkdir -p "$work/mime/packages"
cp "$src/resources/desktop/org.wavomer.Wavomer.mime.xml" "$work/mime/packages/org.wavomer.Wavomer.xml"
update-mime-database "$work/mime"
grep -q '^80:application/x-wavomer-project:\*\.wvmp/project\.plist' "$work/mime/globs2" || {
  echo "the project type's glob is not in the compiled database" >&2
  cat "$work/mime/globs2" >&2
  exit 1
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/wavomer share/applications/org.wavomer.Wavomer.desktop \
         share/icons/hicolor/scalable/apps/org.wavomer.Wavomer.svg \
         share/mime/packages/org.wavomer.Wavomer.xml; do
  [ -s "$work/prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
[ -x "$work/prefix/bin/wavomer" ] || { echo "the installed program is not executable" >&2; exit 1; }
echo "desktop files: ok"
