#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Quillmere developers
# SPDX-License-Identifier: MIT
# Completes quillmere-cli command lines in bash, as a user pressing Tab would, with the
# completion file of the source tree and the program of the build.
# Usage: bash_completion_test.sh COMPLETION_FILE PROGRAM_FOLDER
set -uo pipefail
completion=$1
programs=$2

if [ ! -r /usr/share/bash-completion/bash_completion ]; then
  echo "bash-completion is not installed (scripts/install-deps bash-completion)"
  exit 77
fi
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"
export PATH="$programs:$PATH"
failures=0

# Prints what Tab offers after the words given, the last one being the word being typed, one a
# line and sorted.
offered() {
  COMP_WORDS=(quillmere-cli "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _quillmere_cli quillmere-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort
}

expect() {
  local what=$1 expected=$2 actual=$3
  if [ "$actual" != "$expected" ]; then
    printf 'FAILED: %s\n  expected: %s\n  offered:  %s\n' "$what" "${expected//$'\n'/ }" \
      "${actual//$'\n'/ }"
    failures=$((failures + 1))
  fi
}

# Every long option that --help lists, and nothing else, for a word that starts with "--".
listed=$(quillmere-cli --help | grep -oE '^ +(-[a-zA-Z], )?--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+$')
expect "every option of --help" "$(printf '%s\n' $listed -- | sort)" "$(offered --)"
expect "an option's start" "--check" "$(offered --ch)"
expect "options after an option" "--quiet" "$(offered --check --qu)"
expect "nothing after --version" "" "$(offered --version '')"
expect "picture sizes" "$(printf '780x560\noriginal')" "$(offered --new-album --picture-size '')"

# Index files and folders for a word that is no option; after "--", names that look like options.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/album" "$work/other"
touch "$work/album/index.txt" "$work/album/notes.txt" "$work/album/--odd.txt"
cd "$work" || exit 1
expect "folders" "$(printf 'album\nother')" "$(offered '')"
cd album || exit 1
expect "files of a folder" "$(printf 'index.txt\nnotes.txt')" "$( (offered -v n; offered -v i) | sort)"
expect "a file after --" "--odd.txt" "$(offered -- --o)"

if [ "$failures" -ne 0 ]; then
  echo "$failures completions were wrong"
  exit 1
fi
echo "bash completion of quillmere-cli: all cases passed"
