#!/usr/bin/env bash
# Screenshots of every dialog and of the skin's widgets under a virtual X server, at
# scale 1 and at scale 2 (HiDPI): tools/gallery.sh [OUTDIR] (default build/gallery).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
out=${1:-build/gallery}
cmake --build build -j2 --target bench_gallery sonavel_data >&2
mkdir -p "$out/1x" "$out/2x"
xvfb-run -a -s "-screen 0 1280x800x24" build/bench/bench_gallery "$out/1x"
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2560x1600x24" build/bench/bench_gallery "$out/2x"
