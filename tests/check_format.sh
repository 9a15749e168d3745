#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format makes of it.
clang_format=${1:-clang-format}
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "not a git checkout: nothing to check"
    exit 0
fi
files=$(git ls-files -- '*.cpp' '*.h' '*.cc' '*.hpp')
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
echo "$files" | xargs "$clang_format" --dry-run -Werror --style=file
