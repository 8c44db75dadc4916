#!/bin/sh
# Checks that every C++ source file of the project is formatted as
# .clang-format says; with --fix, formats them in place instead.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz -name '*.cpp' -o -name '*.h')
if [ "${1:-}" = "--fix" ]; then
    # shellcheck disable=SC2086 # one argument per file
    exec clang-format -i $files
fi
# shellcheck disable=SC2086
exec clang-format --dry-run -Werror $files
