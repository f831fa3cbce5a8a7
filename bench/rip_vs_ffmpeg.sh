#!/bin/sh
# Rip speed of `sonavel --rip` against the ffmpeg command line doing the same job, on two
# 120 s DVD-like sources (MPEG-2 video, AC-3 48 kHz stereo 192k in DVD packs):
#   tonal  a quiet sine sweep on the left, quiet tones with silent gaps on the right
#   noisy  two tones under white noise (half their level)
# Both encoders make CBR 192 kbit/s, quality 2, 44.1 kHz joint stereo with the same
# libmp3lame. Runs alternate between the two programs; medians of RUNS (default 5).
# Also: how closely each MP3 matches the source (SDR against FFmpeg's decode of it,
# resampled as both programs resample; dB, higher is better) and the rip's peak memory for
# 30 s and 120 s ripped. With COUNT=1, the instructions each program executes for the
# first 30 s of each source (valgrind's callgrind, minutes per count): a figure the
# machine's load does not move.
#
# Usage: bench/rip_vs_ffmpeg.sh [BUILD_DIR [OTHER_BUILD_DIR]]   (default: build)
# OTHER_BUILD_DIR (an earlier build, say) is timed in the same alternation for comparison.
# RUNS=n changes the count.
# Needs the ffmpeg command line (to make the sources and to compare), /usr/bin/time, and
# valgrind for COUNT=1.
set -eu

# shellcheck disable=SC2034 # read by bench_env.sh
BENCH_WORK=sonavel_bench_rip
. "$(dirname "$0")/bench_env.sh"
OTHER=
if [ $# -ge 2 ]; then OTHER=$(cd "$2/bin" && pwd)/sonavel; fi
RUNS=${RUNS:-5}

# Tonal, at the levels of film sound rather than of mastered music: quiet tonal sound is
# where the noise of a 16-bit copy costs LAME the most. Left: an exponential sweep 100 Hz to 8 kHz
# every 10 s at -26 dBFS. Right: a semitone scale at -34 dBFS, 1.5 s of tone (10 ms fades)
# and 0.5 s of silence every 2 s.
TONAL="0.05*sin(2*PI*100*10/log(80)*(pow(80,mod(t,10)/10)-1))|0.02*max(0,min(1,min(mod(t,2),1.5-mod(t,2))*100))*sin(2*PI*220*pow(2,floor(mod(t/2,24))/12)*t)"
NOISY="0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1)"

make_source() { # NAME EXPRESSION
    src=$WORK/$1_120s.vob
    if [ ! -s "$src" ] || [ "$(cat "$src.sound" 2>/dev/null)" != "$2" ]; then
        echo "making the 120 s $1 source (once)..." >&2
        ffmpeg -v error -y \
            -f lavfi -i "testsrc2=size=720x576:rate=25:duration=120" \
            -f lavfi -i "aevalsrc='$2':s=48000:d=120" \
            -c:v mpeg2video -b:v 4M -g 12 -bf 2 -c:a ac3 -b:a 192k -ac 2 -f dvd "$src"
        echo "$2" >"$src.sound"
    fi
}

# Wall seconds, peak resident kB and CPU seconds (user + system) of one command. CPU time
# is the steadier figure on a shared machine.
measure() {
    /usr/bin/time -f "%e %M %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$WORK/time.txt"
}


rip_with() { # PROGRAM SOURCE OUTPUT [extra args]
    program=$1 src=$2 out=$3
    shift 3
    measure "$program" --rip "$src" -o "$out" --force --quiet --bitrate 192 --samplerate 44100 \
        --mode joint "$@"
}
rip_sonavel() { rip_with "$SONAVEL" "$@"; }
rip_ffmpeg() { # SOURCE OUTPUT
    measure ffmpeg -v error -y -i "$1" -vn -c:a libmp3lame -b:a 192k -ar 44100 \
        -compression_level 2 -joint_stereo 1 "$2"
}

# Signal-to-distortion ratio of an MP3 against the reference (dB, channel 0 and 1).
sdr() { # REFERENCE MP3
    ffmpeg -v info -i "$1" -i "$2" -filter_complex "[0:a][1:a]asdr" -f null - 2>&1 |
        sed -n 's/.*SDR ch[01]: \([-0-9.]*\).*/\1/p' | tail -2 | tr '\n' ' ' | sed 's/ $//'
}

# Instructions one command executes (valgrind's callgrind).
count() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

echo "sonavel: $SONAVEL"
[ -z "$OTHER" ] || echo "other:   $OTHER"
echo "load before: $(uptime | sed 's/.*load average: //')"
for name in tonal noisy; do
    if [ $name = tonal ]; then make_source $name "$TONAL"; else make_source $name "$NOISY"; fi
    src=$WORK/${name}_120s.vob
    for f in s.t s.c s.m f.t f.c o.t o.c; do : >"$WORK/$name.$f"; done
    i=0
    while [ $i -lt "$RUNS" ]; do
        rip_sonavel "$src" "$WORK/$name.sonavel.mp3" >"$WORK/one"
        read -r t m c <"$WORK/one"
        echo "$t" >>"$WORK/$name.s.t"
        echo "$c" >>"$WORK/$name.s.c"
        echo "$m" >>"$WORK/$name.s.m"
        rip_ffmpeg "$src" "$WORK/$name.ffmpeg.mp3" >"$WORK/one"
        read -r t m c <"$WORK/one"
        echo "$t" >>"$WORK/$name.f.t"
        echo "$c" >>"$WORK/$name.f.c"
        if [ -n "$OTHER" ]; then
            rip_with "$OTHER" "$src" "$WORK/$name.other.mp3" >"$WORK/one"
            read -r t m c <"$WORK/one"
            echo "$t" >>"$WORK/$name.o.t"
            echo "$c" >>"$WORK/$name.o.c"
        fi
        i=$((i + 1))
    done
    S=$(median <"$WORK/$name.s.t")
    SC=$(median <"$WORK/$name.s.c")
    F=$(median <"$WORK/$name.f.t")
    FC=$(median <"$WORK/$name.f.c")
    ffmpeg -v error -y -i "$src" -vn -ar 44100 -c:a pcm_f32le "$WORK/$name.ref.wav"
    M30=$(rip_sonavel "$src" "$WORK/$name.m30.mp3" --end 30 | cut -d' ' -f2)
    echo
    echo "$name source, median of $RUNS alternating runs (wall / CPU seconds):"
    printf "  sonavel --rip  %6.2f / %6.2f\n" "$S" "$SC"
    printf "  ffmpeg         %6.2f / %6.2f\n" "$F" "$FC"
    echo "  ratio sonavel / ffmpeg: wall $(ratio "$S" "$F"), CPU $(ratio "$SC" "$FC") (target <= 1.0)"
    if [ -n "$OTHER" ]; then
        O=$(median <"$WORK/$name.o.t")
        OC=$(median <"$WORK/$name.o.c")
        printf "  other build    %6.2f / %6.2f\n" "$O" "$OC"
        echo "  ratio other / ffmpeg: wall $(ratio "$O" "$F"), CPU $(ratio "$OC" "$FC")"
        echo "  SDR of the other build's MP3: $(sdr "$WORK/$name.ref.wav" "$WORK/$name.other.mp3")"
    fi
    echo "  SDR against the source (dB, left right): sonavel $(sdr "$WORK/$name.ref.wav" \
        "$WORK/$name.sonavel.mp3"), ffmpeg $(sdr "$WORK/$name.ref.wav" "$WORK/$name.ffmpeg.mp3")"
    echo "  peak memory of the rip: 30 s $M30 kB, 120 s $(median <"$WORK/$name.s.m") kB"
    if [ "${COUNT:-0}" = 1 ]; then
        SI=$(count "$SONAVEL" --rip "$src" -o "$WORK/$name.c.mp3" --force --quiet \
            --bitrate 192 --samplerate 44100 --mode joint --end 30)
        FI=$(count ffmpeg -v error -y -i "$src" -vn -t 30 -c:a libmp3lame -b:a 192k -ar 44100 \
            -compression_level 2 -joint_stereo 1 "$WORK/$name.c.mp3")
        echo "  instructions for 30 s: sonavel $SI, ffmpeg $FI, ratio $(ratio "$SI" "$FI")"
        if [ -n "$OTHER" ]; then
            OI=$(count "$OTHER" --rip "$src" -o "$WORK/$name.c.mp3" --force --quiet \
                --bitrate 192 --samplerate 44100 --mode joint --end 30)
            echo "  instructions for 30 s, other build: $OI, ratio $(ratio "$OI" "$FI")"
        fi
    fi
done
echo
echo "load after: $(uptime | sed 's/.*load average: //')"
