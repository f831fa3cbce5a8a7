#!/usr/bin/env bash
# Pictures of the main window (a source open with its loudness overview, during a rip,
# after it, a source with two audio tracks) under a virtual X
# display, for a person to look at. Usage: tools/window_shots.sh [OUTDIR] (default
# build/shots). Needs a built tree (./test.sh or cmake --build build).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
out=$(readlink -f "${1:-build/shots}")
mkdir -p "$out"
SONAVEL_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  build/tests/test_window --gtest_filter='WindowTest.Screenshots*'
ls -l "$out"
