#!/bin/sh
# wavomer --version and --help answer on standard output with no display, no sound
# server and no settings to read, and exit 0.
set -eu
program="$1/wavomer"
version="$2"
out=$(env -i PATH="$PATH" HOME=/nonexistent "$program" --version)
[ "$out" = "wavomer $version" ] || { echo "--version printed: $out" >&2; exit 1; }
help=$(env -i PATH="$PATH" HOME=/nonexistent "$program" --help)
for word in "usage: wavomer" --silent --version --help PROJECT.wvmp XDG_CONFIG_HOME PULSE_SERVER; do
  case "$help" in
    *"$word"*) ;;
    *) echo "--help does not mention $word" >&2; exit 1 ;;
  esac
done
