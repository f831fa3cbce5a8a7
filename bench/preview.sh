#!/usr/bin/env bash
# Makes a 40 MB DVD-like source (MPEG-2 720x576 25 fps at 6 Mbit/s, AC-3 stereo, 4:3)
# with the ffmpeg command line, then runs bench_preview on it.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
src=${1:-/tmp/sonavel-bench-dvd.vob}
if [ ! -s "$src" ]; then
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=720x576:rate=25,noise=alls=12:allf=t" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 53 \
    -c:v mpeg2video -b:v 6M -minrate 6M -maxrate 6M -bufsize 1835k -g 15 -bf 2 -aspect 4:3 \
    -c:a ac3 -b:a 192k -ac 2 -f vob "$src"
fi
ls -l "$src"
build/bench/bench_preview "$src" "${2:-10}"
