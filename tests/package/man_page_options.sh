#!/usr/bin/env bash
# man_page_options.sh PROGRAM MAN_SOURCE
# Every command, option and exit code that `PROGRAM --help` prints must be
# described in the manual page's scdoc source, so the two cannot drift apart.
set -euo pipefail
program=$1
source=$2
help=$("$program" --help)
name=$(basename "$program")

wanted=()
# Options: every -x and --word of the usage text.
mapfile -t -O ${#wanted[@]} wanted < <(grep -oE '(^|[^[:alnum:]-])--?[a-z][a-z-]*' <<<"$help" |
    sed -E 's/^[^-]*//' | sort -u)
# Commands: the word after the program's name on a usage line.
mapfile -t -O ${#wanted[@]} wanted < <(grep -oE "$name [a-z][a-z-]*" <<<"$help" |
    awk '{print $2}' | sort -u)
# Exit codes: each number of the "Exit codes:" sentence.
mapfile -t -O ${#wanted[@]} wanted < <(sed -n '/^Exit codes:/,/^$/p' <<<"$help" |
    grep -oE '(^|[ ,:])[0-9]+ [a-z]' | grep -oE '[0-9]+' | sort -u)

if [ ${#wanted[@]} -lt 3 ]; then
    echo "found too little in the usage text of $program:" >&2
    echo "$help" >&2
    exit 1
fi
# The page's described terms: the bold words of each line that a tab-indented
# description follows (*-h*, *--help*; *--log* _FILE_; *list*; *64*).
terms=$(awk 'prev ~ /^\*/ && /^\t/ { print prev } { prev = $0 }' "$source" |
    grep -oE '\*[^*]+\*' | tr -d '*')
missing=0
for item in "${wanted[@]}"; do
    if ! grep -qxF -- "$item" <<<"$terms"; then
        echo "$(basename "$source") does not describe '$item' of $name --help" >&2
        missing=1
    fi
done
[ "$missing" -eq 0 ] && echo "${#wanted[@]} items of $name --help described: ${wanted[*]}"
exit "$missing"
