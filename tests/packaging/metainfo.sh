#!/bin/sh
# The AppStream entry is valid (appstreamcli, no network), names the launcher entry and
# the project type, and carries a release of the program's version.
# Usage: metainfo.sh SOURCE_DIR VERSION   (exit 77 when appstreamcli is missing)
set -eu
src="$1"
version="$2"
command -v appstreamcli >/dev/null 2>&1 || { echo "skipped: appstreamcli is missing" >&2; exit 77; }
file="$src/resources/desktop/org.wavomer.Wavomer.metainfo.xml"
appstreamcli validate --no-net --explain "$file"
grep -q '<launchable type="desktop-id">org.wavomer.Wavomer.desktop</launchable>' "$file" || { echo "no launchable" >&2; exit 1; }
grep -q '<mediatype>application/x-wavomer-project</mediatype>' "$file" || { echo "no project type" >&2; exit 1; }
grep -q "<release version=\"$version\"" "$file" || { echo "no release $version" >&2; exit 1; }
