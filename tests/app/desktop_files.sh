#!/bin/sh
# Checks the desktop integration: the launcher entry passes desktop-file-validate, the
# project type compiles with update-mime-database and globs "project.plist" inside a
# "*.wvmp" folder, and `cmake --install` puts the program, the entry, the icon and the
# type where the desktop looks for them.
# A project saved by wavomer-cli (empty, and with a track of sound) is of that type to Qt's
# MIME database over the compiled type; another property list is not.
# Usage: desktop_files.sh SOURCE_DIR BUILD_DIR MIME_PROBE      (exit 77: a tool is missing)
set -eu
src="$1"
build="$2"
probe="$3"
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

# Qt reads the database from XDG_DATA_DIRS; the system's own types stay beside ours.
cp /usr/share/mime/packages/freedesktop.org.xml "$work/mime/packages/" 2>/dev/null || true
update-mime-database "$work/mime"
printf 'save %s\n' "$work/Empty.wvmp" > "$work/empty.txt"
timeout 60 "$build/wavomer-cli" edit "$work/empty.txt" >/dev/null
printf 'add-track\nadd-marker\nsave %s\n' "$work/Full.wvmp" > "$work/full.txt"
timeout 60 "$build/wavomer-cli" edit "$work/full.txt" >/dev/null
mkdir -p "$work/other"
printf 'bplist00 not a project' > "$work/other/project.plist"
XDG_DATA_DIRS="$work" "$probe" "$work/Empty.wvmp/project.plist" "$work/Full.wvmp/project.plist" \
  "$work/other/project.plist" > "$work/types"
cat "$work/types"
grep -qx "$work/Empty.wvmp/project.plist application/x-wavomer-project" "$work/types"
grep -qx "$work/Full.wvmp/project.plist application/x-wavomer-project" "$work/types"
if grep -q "^$work/other/project.plist application/x-wavomer-project" "$work/types"; then
  echo "a property list that is no project was taken for one" >&2
  exit 1
fi

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/wavomer share/applications/org.wavomer.Wavomer.desktop \
         share/icons/hicolor/scalable/apps/org.wavomer.Wavomer.svg \
         share/mime/packages/org.wavomer.Wavomer.xml; do
  [ -s "$work/prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
[ -x "$work/prefix/bin/wavomer" ] || { echo "the installed program is not executable" >&2; exit 1; }
echo "desktop files: ok"
