#!/usr/bin/env bash
# Fails when a C++ file of src/, tools/ or tests/ is not as clang-format writes it with
# the repository's .clang-format; names each such file and where it differs.
# scripts/format rewrites them.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
command -v clang-format >/dev/null || { echo "clang-format is not installed (scripts/setup installs it)"; exit 1; }

files=()
while IFS= read -r -d '' file; do files+=("$file"); done \
    < <(find src tools tests -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | LC_ALL=C sort -z)
[ ${#files[@]} -gt 0 ] || { echo "no C++ files found"; exit 1; }

status=0
printf '%s\0' "${files[@]}" | xargs -0 -n 50 clang-format --style=file --dry-run --Werror || status=1
if [ $status -eq 0 ]; then
    echo "format: ${#files[@]} files as clang-format writes them"
else
    echo "format: files above differ from .clang-format's style (scripts/format rewrites them)"
fi
exit $status
