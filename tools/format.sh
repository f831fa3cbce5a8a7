#!/usr/bin/env bash
# Holds the C++ sources to .clang-format: `tools/format.sh` rewrites them, `--check` lists
# the files that differ and fails (CI runs that).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
source tools/build-env.sh
sonavel_ensure_packages clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  differ=()
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || differ+=("$f")
  done
  if [ ${#differ[@]} -gt 0 ]; then
    printf 'Not formatted as .clang-format says (run tools/format.sh):\n' >&2
    printf '  %s\n' "${differ[@]}" >&2
    exit 1
  fi
  echo "${#files[@]} files formatted as .clang-format says"
else
  clang-format -i "${files[@]}"
fi
