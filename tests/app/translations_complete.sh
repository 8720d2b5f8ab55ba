#!/bin/sh
# Checks that the shipped German translation has every text of the program, translated:
# lupdate scans the program's sources into a copy of the .ts file, and no entry may be
# left new or unfinished. When this fails, run
#     cmake --build build --target update_translations
# and translate the entries marked "unfinished" in resources/translations/wavomer_de.ts.
# Usage: translations_complete.sh LUPDATE SOURCE_DIR
set -eu
lupdate="$1"
src="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$src/resources/translations/wavomer_de.ts" "$work/wavomer_de.ts"
"$lupdate" -locations none -no-obsolete -I "$src/src/app" "$src/src/app" -ts "$work/wavomer_de.ts" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; exit 1; }
if grep -q 'type="unfinished"' "$work/wavomer_de.ts"; then
  echo "texts without a German translation:" >&2
  grep -B1 'type="unfinished"' "$work/wavomer_de.ts" | grep '<source>' >&2
  exit 1
fi
echo "German translation: complete"
