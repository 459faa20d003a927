#!/usr/bin/env bash
# Formats the project's C++ files with .clang-format. With --check it changes nothing and lists the
# files that would change (exit status 1 when there are any).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
command -v clang-format > /dev/null || { echo "format.sh needs clang-format (Debian: apt-get install clang-format)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    changed=0
    for f in "${files[@]}"; do
        clang-format --style=file "$f" | cmp -s - "$f" || { echo "$f"; changed=1; }
    done
    exit "$changed"
fi
clang-format --style=file -i "${files[@]}"
