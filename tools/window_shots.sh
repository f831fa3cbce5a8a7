#!/usr/bin/env bash
# Pictures of the main window (a source open with its loudness overview, during a rip,
# after it, a source with two audio tracks; smallest and maximised with a zoomed time
# line) under a virtual X display with a window manager (openbox), at the scale factors
# 1, 1.5 and 2, for a person to look at. Usage: tools/window_shots.sh [OUTDIR] (default
# build/shots). Needs a built tree (./test.sh or cmake --build build).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
out=$(readlink -f "${1:-build/shots}")
mkdir -p "$out"
# (The test program gives itself a temporary home: no real settings are touched.)
for scale in 1 1.5 2; do
  tag="x$scale"
  filter='WindowTest.Screenshots*'
  [ "$scale" = 1 ] || filter='WindowTest.ScreenshotsResizable'
  SONAVEL_SCREENSHOT_DIR="$out" SONAVEL_SCREENSHOT_TAG="$tag" QT_SCALE_FACTOR="$scale" \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" \
    sh -c 'openbox >/dev/null 2>&1 & sleep 1; build/tests/test_window --gtest_filter="$0"' \
    "$filter"
done
ls -l "$out"
