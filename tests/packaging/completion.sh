#!/bin/sh
# The bash completions parse, and complete the commands, an export's options and the
# format names as a shell would ask for them.
# Usage: completion.sh SOURCE_DIR   (exit 77 when bash is missing)
set -eu
src="$1"
command -v bash >/dev/null 2>&1 || { echo "skipped: bash is missing" >&2; exit 77; }
exec bash -c '
set -eu
for script in "$0"/resources/completion/wavomer "$0"/resources/completion/wavomer-cli; do bash -n "$script"; done
[ -f /usr/share/bash-completion/bash_completion ] && . /usr/share/bash-completion/bash_completion
. "$0"/resources/completion/wavomer-cli
. "$0"/resources/completion/wavomer
complete_words() {  # the line so far, as words; prints what completes the last one
  COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
  "$(complete -p "$1" | sed "s/.*-F \([^ ]*\).*/\1/")" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]:-}"
  printf "%s\n" "${COMPREPLY[@]}"
}
expect() { printf "%s\n" "$1" | grep -qx -- "$2" || { echo "completing \"${*:3}\" gave no $2: $1" >&2; exit 1; }; }
expect "$(complete_words wavomer-cli ex)" export "wavomer-cli ex"
expect "$(complete_words wavomer-cli export p.wvmp --split)" --split-at-markers "export --split"
expect "$(complete_words wavomer-cli export p.wvmp --format f)" flac "--format f"
expect "$(complete_words wavomer-cli export p.wvmp --bit-depth "")" 24 "--bit-depth"
expect "$(complete_words wavomer --s)" --silent "wavomer --s"
expect "$(complete_words wavomer-cli loudness p.wvmp --ch)" --channels "loudness --ch"
' "$src"
