#!/bin/sh
# What the loudness measurement costs a rip: a 10-minute source ripped on one encoder
# (--jobs 1, so the figures are not blurred by seams) with the ReplayGain values and
# without (--no-replaygain), in CPU seconds, on two sounds (tonal AC-3 and noisy MP2 in an
# MPEG program stream, 48 kHz stereo); beside it ffmpeg's own ebur128 filter measuring the
# same source's decoded sound, as the peer a user would otherwise run in a second pass.
#
# Printed: per sound, the medians of RUNS (default 3) alternating runs, CPU seconds with and
# without, the cost in percent of the rip, and ffmpeg's pass; the load at the end.
#
# Usage: bench/replaygain_cost.sh [BUILD_DIR]   (default: build)
# Needs the ffmpeg command line and /usr/bin/time; about 100 MB in $TMPDIR.
set -eu

# shellcheck disable=SC2034 # read by bench_env.sh
BENCH_WORK=sonavel_bench_gain
. "$(dirname "$0")/bench_env.sh"
RUNS=${RUNS:-3}

TONAL="0.2*sin(2*PI*220*pow(2\,floor(mod(t/2\,24))/12)*t)|0.2*sin(2*PI*330*t)*sin(2*PI*0.3*t)"
NOISY="0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1)"

make_source() { # NAME EXPRESSION CODEC
    [ -f "$WORK/$1.mpg" ] && return
    ffmpeg -v error -y -f lavfi -i "color=c=gray:s=352x288:r=25:d=600" \
        -f lavfi -i "aevalsrc=$2:s=48000:d=600" -c:v mpeg2video -b:v 200k \
        -c:a "$3" -b:a 192k -f dvd "$WORK/$1.mpg"
}

cpu() { # COMMAND...: user + system seconds
    /usr/bin/time -f "%U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%.2f\n", $1 + $2 }' "$WORK/time.txt"
}


printf "%-7s %12s %12s %8s %14s\n" sound "with RG, s" "without, s" "cost" "ffmpeg ebur128"
for sound in tonal noisy; do
    if [ $sound = tonal ]; then make_source tonal "$TONAL" ac3; else make_source noisy "$NOISY" mp2; fi
    : >"$WORK/with.txt"
    : >"$WORK/without.txt"
    : >"$WORK/peer.txt"
    i=0
    while [ $i -lt "$RUNS" ]; do
        cpu "$SONAVEL" --rip "$WORK/$sound.mpg" -o "$WORK/out.mp3" --force --jobs 1 --quiet >>"$WORK/with.txt"
        cpu "$SONAVEL" --rip "$WORK/$sound.mpg" -o "$WORK/out.mp3" --force --jobs 1 --quiet \
            --no-replaygain >>"$WORK/without.txt"
        cpu ffmpeg -v quiet -i "$WORK/$sound.mpg" -vn -af ebur128 -f null - >>"$WORK/peer.txt"
        i=$((i + 1))
    done
    with=$(median <"$WORK/with.txt")
    without=$(median <"$WORK/without.txt")
    peer=$(median <"$WORK/peer.txt")
    cost=$(awk -v a="$with" -v b="$without" 'BEGIN { printf "%.1f %%", (a - b) * 100 / b }')
    printf "%-7s %12s %12s %8s %14s\n" $sound "$with" "$without" "$cost" "$peer"
done
echo "load: $(uptime)"
