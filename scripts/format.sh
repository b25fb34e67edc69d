#!/usr/bin/env bash
# format.sh [--check]: formats every C++ file in the tree with .clang-format; with --check it
# changes nothing and lists the files that are not formatted (exit 1 when there are any).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
# One version for everyone: another clang-format may lay the same code out differently.
tool=clang-format-14
command -v "$tool" >/dev/null 2>&1 || tool=clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" != "--check" ]; then
  "$tool" -i "${files[@]}"
  exit 0
fi
# One run over every file; its messages name each file that differs.
mapfile -t bad < <("$tool" --dry-run --Werror "${files[@]}" 2>&1 | sed -nE 's/^(.*):[0-9]+:[0-9]+: (error|warning):.*/\1/p' | sort -u)
if [ ${#bad[@]} -gt 0 ]; then
  echo "format: ${#bad[@]} file(s) differ from .clang-format (run scripts/format.sh):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
