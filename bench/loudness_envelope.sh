#!/usr/bin/env bash
# Generates long sources with the ffmpeg command-line tool and measures how fast the
# loudness overview is made of them, and how soon a zoomed view gets its finer loudness
# (bench_loudness_envelope), beside ffmpeg decoding the same stretch. Usage:
#   bench/loudness_envelope.sh [BUILD_DIR] [MINUTES]
# Sources (kept in BUILD_DIR/bench/long/ for reruns):
#   dvd_ac3_51_tiny.vob  MINUTES of AC-3 5.1 448k 48 kHz with tiny MPEG-2 pictures
#   vcd_mp2_tiny.mpg     MINUTES of MP2 stereo 224k 44.1 kHz with tiny MPEG-1 pictures
#   dvd_full_rate.vob    1 minute at a DVD's full 6 Mbit/s video rate, for the cost of
#                        reading through the pictures of a real film
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
build=${1:-build}
minutes=${2:-20}
secs=$((minutes * 60))
out=$build/bench/long
mkdir -p "$out"
ff=(ffmpeg -hide_banner -loglevel error -y)
# Speech-like sound: noise bursts with pauses, so nothing is trivially silent.
sound="anoisesrc=r=48000:a=0.3:d=$secs,volume='if(lt(mod(t,7),5),1,0.001)':eval=frame"

if [ ! -f "$out/dvd_ac3_51_tiny.vob" ]; then
  "${ff[@]}" -f lavfi -i "testsrc2=s=64x48:r=25:d=$secs" -f lavfi -i "$sound" \
    -filter:a "pan=5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0" \
    -c:v mpeg2video -b:v 100k -c:a ac3 -b:a 448k -f vob "$out/dvd_ac3_51_tiny.vob"
fi
if [ ! -f "$out/vcd_mp2_tiny.mpg" ]; then
  "${ff[@]}" -f lavfi -i "testsrc2=s=64x48:r=25:d=$secs" -f lavfi -i "$sound" \
    -c:v mpeg1video -b:v 100k -c:a mp2 -ar 44100 -ac 2 -b:a 224k -f mpeg "$out/vcd_mp2_tiny.mpg"
fi
if [ ! -f "$out/dvd_full_rate.vob" ]; then
  "${ff[@]}" -f lavfi -i "testsrc2=s=720x576:r=25:d=60" -f lavfi \
    -i "anoisesrc=r=48000:a=0.3:d=60" -filter:a "pan=5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0" \
    -c:v mpeg2video -b:v 6M -minrate 6M -maxrate 6M -bufsize 1835k -c:a ac3 -b:a 448k \
    -f vob "$out/dvd_full_rate.vob"
fi
ls -l "$out"
cmake --build "$build" --target bench_loudness_envelope >/dev/null
"$build/bench/bench_loudness_envelope" "$out"/dvd_ac3_51_tiny.vob "$out"/vcd_mp2_tiny.mpg \
  "$out"/dvd_full_rate.vob
# The peer for the detail: the ffmpeg tool seeking to the middle and decoding the same
# 10 s of sound, mono, to nothing (a process start included, which the window has not).
echo
echo "ffmpeg -ss (middle) -t 10, sound only, mono, to null:"
for f in dvd_ac3_51_tiny.vob vcd_mp2_tiny.mpg dvd_full_rate.vob; do
  d=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out/$f")
  mid=$(awk -v d="$d" 'BEGIN { printf "%.1f", d / 2 }')
  TIMEFORMAT="%R %U %S"
  t=$( { time ffmpeg -hide_banner -loglevel fatal -ss "$mid" -t 10 -i "$out/$f" -vn -ac 1 \
         -f null - ; } 2>&1 )
  read -r real user sys <<<"$t"
  awk -v f="$f" -v r="$real" -v u="$user" -v s="$sys" \
    'BEGIN { printf "%-24s   %5d/%4d ms (wall/cpu)\n", f, r * 1000, (u + s) * 1000 }'
done
