#!/bin/sh
# Both manual pages render without a warning from man or groff, and every command and
# option that a program's --help lists appears in its page.
# Usage: man_pages.sh SOURCE_DIR BUILD_DIR   (exit 77 when man or groff is missing)
set -eu
src="$1"
build="$2"
command -v man >/dev/null 2>&1 && command -v groff >/dev/null 2>&1 || { echo "skipped: man or groff is missing" >&2; exit 77; }
status=0
for program in wavomer wavomer-cli; do
  page="$src/docs/man/$program.1"
  warnings="$(groff -man -ww -z "$page" 2>&1)"
  [ -z "$warnings" ] || { echo "$program.1: groff: $warnings" >&2; status=1; }
  text="$(MANWIDTH=200 man --warnings -l "$page" 2>"$build/man-$program.err")"
  [ ! -s "$build/man-$program.err" ] || { echo "$program.1: man: $(cat "$build/man-$program.err")" >&2; status=1; }
  rm -f "$build/man-$program.err"
  # The words of --help that name a command or an option: leading words of the command
  # lines, and every --long or -s option.
  help="$(env -i PATH="$PATH" HOME=/nonexistent "$build/$program" --help)"
  words="$(printf '%s\n' "$help" | grep -oE '(^|[ [|])--?[a-z][a-z0-9-]*' | sed 's/^[ [|]//' | sort -u)"
  if [ "$program" = wavomer-cli ]; then
    words="$words $(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' | sort -u)"
  fi
  for word in $words; do
    printf '%s\n' "$text" | grep -qF -- "$word" || { echo "$program.1 does not mention $word" >&2; status=1; }
  done
done
exit "$status"
