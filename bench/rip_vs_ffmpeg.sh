#!/bin/sh
# Rip speed of `sonavel --rip` against the ffmpeg command line doing the same job, on two
# 120 s DVD-like sources (MPEG-2 video, AC-3 48 kHz stereo 192k in DVD packs):
#   tonal  sine sweeps on the left, tones with silent gaps on the right
#   noisy  two tones under white noise (half the level)
# Both encoders make CBR 192 kbit/s, quality 2, 44.1 kHz joint stereo with the same
# libmp3lame. Runs alternate between the two programs; medians of RUNS (default 5).
# Also: how closely each MP3 matches the source (SDR against a soxr-resampled decode of
# it, dB, higher is better) and the rip's peak memory for 30 s and 120 s ripped.
#
# Usage: bench/rip_vs_ffmpeg.sh [BUILD_DIR]   (default: build; RUNS=n to change the count)
# Needs the ffmpeg command line (to make the sources and to compare) and /usr/bin/time.
set -eu

BUILD=${1:-build}
SONAVEL=$(cd "$BUILD/bin" && pwd)/sonavel
RUNS=${RUNS:-5}
WORK=${TMPDIR:-/tmp}/sonavel_bench_rip
mkdir -p "$WORK"
# The rip reads and writes settings: a hive, home and data folders of its own.
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/config" XDG_DATA_HOME="$WORK/home/data"
export SONAVEL_REGISTRY="$WORK/bench.reg"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
: >"$SONAVEL_REGISTRY"

# Left: an exponential sweep 100 Hz to 8 kHz every 10 s. Right: a semitone scale, 1.5 s of
# tone (10 ms fades) and 0.5 s of silence every 2 s.
TONAL="0.5*sin(2*PI*100*10/log(80)*(pow(80,mod(t,10)/10)-1))|0.5*max(0,min(1,min(mod(t,2),1.5-mod(t,2))*100))*sin(2*PI*220*pow(2,floor(mod(t/2,24))/12)*t)"
NOISY="0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1)"

make_source() { # NAME EXPRESSION
    src=$WORK/$1_120s.vob
    if [ ! -s "$src" ]; then
        echo "making the 120 s $1 source (once)..." >&2
        ffmpeg -v error -y \
            -f lavfi -i "testsrc2=size=720x576:rate=25:duration=120" \
            -f lavfi -i "aevalsrc='$2':s=48000:d=120" \
            -c:v mpeg2video -b:v 4M -g 12 -bf 2 -c:a ac3 -b:a 192k -ac 2 -f dvd "$src"
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

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

rip_sonavel() { # SOURCE OUTPUT [extra args]
    src=$1 out=$2
    shift 2
    measure "$SONAVEL" --rip "$src" -o "$out" --force --quiet --bitrate 192 --samplerate 44100 \
        --mode joint "$@"
}
rip_ffmpeg() { # SOURCE OUTPUT
    measure ffmpeg -v error -y -i "$1" -vn -c:a libmp3lame -b:a 192k -ar 44100 \
        -compression_level 2 -joint_stereo 1 "$2"
}

# Signal-to-distortion ratio of an MP3 against the source decoded by FFmpeg and resampled
# with soxr (dB, channel 0 and channel 1).
sdr() { # REFERENCE MP3
    ffmpeg -v info -i "$1" -i "$2" -filter_complex "[0:a][1:a]asdr" -f null - 2>&1 |
        sed -n 's/.*SDR ch[01]: \([-0-9.]*\).*/\1/p' | tail -2 | tr '\n' ' ' | sed 's/ $//'
}

echo "sonavel: $SONAVEL"
echo "load before: $(uptime | sed 's/.*load average: //')"
for name in tonal noisy; do
    if [ $name = tonal ]; then make_source $name "$TONAL"; else make_source $name "$NOISY"; fi
    src=$WORK/${name}_120s.vob
    for f in s.t s.c s.m f.t f.c; do : >"$WORK/$name.$f"; done
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
        i=$((i + 1))
    done
    S=$(median <"$WORK/$name.s.t")
    SC=$(median <"$WORK/$name.s.c")
    F=$(median <"$WORK/$name.f.t")
    FC=$(median <"$WORK/$name.f.c")
    ffmpeg -v error -y -i "$src" -vn -af "aresample=44100:resampler=soxr:precision=28" \
        -c:a pcm_f32le "$WORK/$name.ref.wav"
    M30=$(rip_sonavel "$src" "$WORK/$name.m30.mp3" --end 30 | cut -d' ' -f2)
    echo
    echo "$name source, median of $RUNS alternating runs (wall / CPU seconds):"
    printf "  sonavel --rip  %6.2f / %6.2f\n" "$S" "$SC"
    printf "  ffmpeg         %6.2f / %6.2f\n" "$F" "$FC"
    echo "  ratio sonavel / ffmpeg: wall $(ratio "$S" "$F"), CPU $(ratio "$SC" "$FC") (target <= 1.0)"
    echo "  SDR against the source (dB, left right): sonavel $(sdr "$WORK/$name.ref.wav" \
        "$WORK/$name.sonavel.mp3"), ffmpeg $(sdr "$WORK/$name.ref.wav" "$WORK/$name.ffmpeg.mp3")"
    echo "  peak memory of the rip: 30 s $M30 kB, 120 s $(median <"$WORK/$name.s.m") kB"
done
echo
echo "load after: $(uptime | sed 's/.*load average: //')"
