#!/usr/bin/env bash
# Runs clang-tidy with .clang-tidy over the program's sources (or the files given), using
# the compile commands of build/. Slow: by hand before landing, not in CI.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
source tools/build-env.sh
sonavel_ensure_packages clang-tidy
[ -f build/compile_commands.json ] || sonavel_build build
if [ $# -gt 0 ]; then files=("$@"); else mapfile -t files < <(git ls-files 'src/*.cpp'); fi
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p build --quiet
