#!/bin/sh
# FLAC and Opus rips by `sonavel --rip` against the ffmpeg command line doing the same job
# (`ffmpeg -c:a flac`, `ffmpeg -c:a libopus -b:a 160k`) on the same 100 s range of four
# 120 s DVD-like sources (MPEG-2 video in DVD packs):
#   tonal    AC-3: a quiet sine sweep on the left, quiet tones with silent gaps on the right
#   noisy    AC-3: two tones under white noise
#   speech   AC-3: voiced bursts of 80-300 ms on a wandering pitch with pauses between
#   lpcm24   24-bit LPCM (pcm_dvd): the tonal sound, as concert DVDs carry it
# Both programs use their defaults otherwise: FLAC level 5 (of 16-bit samples from the lossy
# sources, as Sonavel keeps them), Opus 160 kbit/s VBR at the best complexity. Sonavel also measures the loudness for its ReplayGain/R128 values (ffmpeg
# writes none). Runs alternate between the two programs; medians of RUNS (default 3) of
# wall and CPU seconds (user + system), the ratios, the files' sizes and the samples each
# FLAC holds (ffmpeg's -ss/-to land a few samples off the range, Sonavel's exactly on it).
#
# Usage: bench/formats_vs_ffmpeg.sh [BUILD_DIR]   (default: build)
# Needs the ffmpeg command line (installed with apt-get when missing), metaflac (flac) and
# /usr/bin/time.
set -eu

# shellcheck disable=SC2034 # read by bench_env.sh
BENCH_WORK=sonavel_bench_formats
. "$(dirname "$0")/bench_env.sh"
RUNS=${RUNS:-3}
if ! command -v ffmpeg >/dev/null; then
    echo "installing the ffmpeg command line..." >&2
    apt-get install -y ffmpeg >/dev/null
fi

TONAL="0.05*sin(2*PI*100*10/log(80)*(pow(80,mod(t,10)/10)-1))|0.02*max(0,min(1,min(mod(t,2),1.5-mod(t,2))*100))*sin(2*PI*220*pow(2,floor(mod(t/2,24))/12)*t)"
NOISY="0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1)"
# Bursts of a 12-harmonic voice (pitch 110-230 Hz moving every 0.37 s) under a 0.29 s
# on / off pattern of uneven lengths, silent between.
SPEECH="lt(mod(t*3.7,1.9),1.1)*0.25*sin(PI*mod(t*3.7,1.9)/1.1)*(sin(2*PI*(110+60*(1+sin(floor(t/0.37))))*t)+0.5*sin(4*PI*(110+60*(1+sin(floor(t/0.37))))*t)+0.3*sin(6*PI*(110+60*(1+sin(floor(t/0.37))))*t))"

make_source() { # NAME EXPRESSION AUDIO-CODEC-ARGS
    src=$WORK/$1_120s.vob
    if [ ! -s "$src" ] || [ "$(cat "$src.sound" 2>/dev/null)" != "$2 $3" ]; then
        echo "making the 120 s $1 source (once)..." >&2
        # shellcheck disable=SC2086
        ffmpeg -v error -y \
            -f lavfi -i "testsrc2=size=720x576:rate=25:duration=120" \
            -f lavfi -i "aevalsrc='$2':s=48000:d=120" \
            -c:v mpeg2video -b:v 4M -g 12 -bf 2 $3 -ac 2 -f dvd "$src"
        echo "$2 $3" >"$src.sound"
    fi
}

# Wall seconds and CPU seconds (user + system) of one command.
measure() {
    /usr/bin/time -f "%e %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$WORK/time.txt"
}

samples() { metaflac --show-total-samples "$1" 2>/dev/null || echo -; }
size_kb() { echo $(($(stat -c %s "$1") / 1024)); }

echo "sonavel: $SONAVEL"
echo "cores: $(nproc), load before: $(uptime | sed 's/.*load average: //')"
printf "\n%-8s %-5s %14s %14s %11s %11s %9s %9s  %s\n" source fmt "sonavel wall/CPU" \
    "ffmpeg wall/CPU" "wall ratio" "CPU ratio" "sonavel kB" "ffmpeg kB" "samples (sonavel ffmpeg)"
for name in tonal noisy speech lpcm24; do
    case $name in
    tonal) make_source $name "$TONAL" "-c:a ac3 -b:a 192k" ;;
    noisy) make_source $name "$NOISY" "-c:a ac3 -b:a 192k" ;;
    speech) make_source $name "$SPEECH" "-c:a ac3 -b:a 192k" ;;
    lpcm24) make_source $name "$TONAL" "-c:a pcm_dvd -sample_fmt s32" ;;
    esac
    src=$WORK/${name}_120s.vob
    for fmt in flac opus; do
        # FLAC of the source's own samples: 16 bits from a lossy source (ffmpeg would take the
        # decoder's floats as 24 bits), 24 from 24-bit LPCM.
        codec="-c:a libopus -b:a 160k"
        if [ $fmt = flac ] && [ $name = lpcm24 ]; then codec="-c:a flac"; fi
        if [ $fmt = flac ] && [ $name != lpcm24 ]; then codec="-c:a flac -sample_fmt s16"; fi
        for f in s.t s.c f.t f.c; do : >"$WORK/$name.$fmt.$f"; done
        i=0
        while [ $i -lt "$RUNS" ]; do
            measure "$SONAVEL" --rip "$src" --start 10 --end 110 -o "$WORK/$name.sonavel.$fmt" \
                --force --quiet >"$WORK/one"
            read -r t c <"$WORK/one"
            echo "$t" >>"$WORK/$name.$fmt.s.t"
            echo "$c" >>"$WORK/$name.$fmt.s.c"
            # shellcheck disable=SC2086
            measure ffmpeg -v error -y -ss 10 -to 110 -i "$src" -vn $codec \
                "$WORK/$name.ffmpeg.$fmt" >"$WORK/one"
            read -r t c <"$WORK/one"
            echo "$t" >>"$WORK/$name.$fmt.f.t"
            echo "$c" >>"$WORK/$name.$fmt.f.c"
            i=$((i + 1))
        done
        S=$(median <"$WORK/$name.$fmt.s.t")
        SC=$(median <"$WORK/$name.$fmt.s.c")
        F=$(median <"$WORK/$name.$fmt.f.t")
        FC=$(median <"$WORK/$name.$fmt.f.c")
        counts=-
        if [ $fmt = flac ]; then
            counts="$(samples "$WORK/$name.sonavel.flac") $(samples "$WORK/$name.ffmpeg.flac")"
        fi
        printf "%-8s %-5s %7.2f /%6.2f %7.2f /%6.2f %11s %11s %9s %9s  %s\n" $name $fmt "$S" \
            "$SC" "$F" "$FC" "$(ratio "$S" "$F")" "$(ratio "$SC" "$FC")" \
            "$(size_kb "$WORK/$name.sonavel.$fmt")" "$(size_kb "$WORK/$name.ffmpeg.$fmt")" "$counts"
    done
done
echo
echo "goal on two cores: FLAC wall ratio <= 1.0; Opus <= 0.6 (both encoded in segments)"
echo "load after: $(uptime | sed 's/.*load average: //')"
