#!/usr/bin/env bash
# Fails when shellcheck finds anything (at its default severity) in the shell scripts
# of scripts/: the commands there and the libraries they source (scripts/lib/*.sh).
# Run from the top of the repository, so that the scripts' "shellcheck source="
# directives find the libraries.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
command -v shellcheck >/dev/null || { echo "shellcheck is not installed (scripts/setup installs it)"; exit 1; }

# Shell scripts: *.sh files, and files whose first line starts a shell.
scripts=()
while IFS= read -r file; do
    case $file in
        *.sh) scripts+=("$file") ;;
        *) head -n 1 "$file" | grep -qE '^#!.*[/ ](ba)?sh([[:space:]]|$)' && scripts+=("$file") ;;
    esac
done < <(find scripts -type f | LC_ALL=C sort)
[ ${#scripts[@]} -gt 0 ] || { echo "no shell scripts found in scripts/"; exit 1; }

if shellcheck -x "${scripts[@]}"; then
    echo "shellcheck: ${#scripts[@]} scripts clean"
else
    exit 1
fi
