#!/usr/bin/env bash
# Finding the songs of a long recording (sonavel --list-pauses: one read of the sound,
# mono, into the time line's loudness buckets, then the pauses) against the ffmpeg tool
# decoding the same sound to nothing, in the same run, on two kinds of source. Usage:
#   bench/song_finder.sh [BUILD_DIR] [MINUTES]
# Sources (kept in BUILD_DIR/bench/songs/ for reruns), MINUTES long (default 60), songs of
# 4 minutes with pauses of 2 s of hiss between them:
#   concert_ac3_51.vob  AC-3 5.1 448k 48 kHz with tiny MPEG-2 pictures (a DVD-like concert)
#   concert_mp2.mpg     MP2 stereo 224k 44.1 kHz with tiny MPEG-1 pictures (a VCD-like one)
# Figures: wall and CPU time of each; the ratio sonavel / ffmpeg (the goal is 1.2 or less),
# against `ffmpeg -i SRC -vn -f null -` (the sound only, as sonavel reads it) and plain
# `ffmpeg -i SRC -f null -` (which decodes the pictures too).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
build=${1:-build}
minutes=${2:-60}
secs=$((minutes * 60))
out=$build/bench/songs
mkdir -p "$out"
ff=(ffmpeg -hide_banner -loglevel error -y)
# Music: a chord of three tones with noise, 239 s loud, then 2 s of hiss.
music="aevalsrc='(0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277*t)+0.1*sin(2*PI*330*t))*(1+0.3*sin(2*PI*0.5*t))':s=48000:d=$secs"
gate="volume='if(lt(mod(t,241),2),0.003,1)':eval=frame"
noise="anoisesrc=r=48000:a=0.05:d=$secs"
sound="[0:a][1:a]amix=inputs=2:normalize=0,$gate"

if [ ! -f "$out/concert_ac3_51.vob" ]; then
  "${ff[@]}" -f lavfi -i "$music" -f lavfi -i "$noise" -f lavfi -i "testsrc2=s=64x48:r=25:d=$secs" \
    -filter_complex "$sound,pan=5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0[a]" -map 2:v -map '[a]' \
    -c:v mpeg2video -b:v 100k -c:a ac3 -b:a 448k -f vob "$out/concert_ac3_51.vob"
fi
if [ ! -f "$out/concert_mp2.mpg" ]; then
  "${ff[@]}" -f lavfi -i "$music" -f lavfi -i "$noise" -f lavfi -i "testsrc2=s=64x48:r=25:d=$secs" \
    -filter_complex "$sound[a]" -map 2:v -map '[a]' \
    -c:v mpeg1video -b:v 100k -c:a mp2 -ar 44100 -ac 2 -b:a 224k -f mpeg "$out/concert_mp2.mpg"
fi
ls -l "$out"
cmake --build "$build" --target sonavel >/dev/null
export HOME=$(mktemp -d) XDG_CONFIG_HOME XDG_DATA_HOME SONAVEL_REGISTRY
XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share SONAVEL_REGISTRY=$HOME/registry.reg
trap 'rm -rf "$HOME"' EXIT

# Wall and CPU seconds of a command, its output thrown away.
measure() {
  local TIMEFORMAT="%R %U %S" t
  t=$( { time "$@" >/dev/null 2>&1 ; } 2>&1 )
  awk '{ printf "%.2f %.2f", $1, $2 + $3 }' <<<"$t"
}
printf "%-20s %6s  %-22s %-22s %-22s %s\n" source tracks "sonavel (wall/cpu s)" \
  "ffmpeg -vn (wall/cpu)" "ffmpeg (wall/cpu)" "ratio wall -vn / all"
for f in concert_ac3_51.vob concert_mp2.mpg; do
  src=$out/$f
  read -r sw sc <<<"$(measure "$build/bin/sonavel" --list-pauses "$src")"
  read -r fw fc <<<"$(measure ffmpeg -hide_banner -loglevel error -i "$src" -vn -f null -)"
  read -r aw ac <<<"$(measure ffmpeg -hide_banner -loglevel error -i "$src" -f null -)"
  tracks=$("$build/bin/sonavel" --list-pauses "$src" | grep -vc '^#')
  awk -v f="$f" -v n="$tracks" -v sw="$sw" -v sc="$sc" -v fw="$fw" -v fc="$fc" -v aw="$aw" \
    -v ac="$ac" 'BEGIN { printf "%-20s %6d  %8.2f / %-11.2f %8.2f / %-11.2f %8.2f / %-11.2f %.2f / %.2f\n",
      f, n, sw, sc, fw, fc, aw, ac, sw / fw, sw / aw }'
done
