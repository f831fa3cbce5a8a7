#!/bin/sh
# Rip speed and memory of `sonavel --rip` against the ffmpeg command line doing the same
# job: a 120 s DVD-like source (MPEG-2 video, AC-3 48 kHz stereo 192k in DVD packs) to
# CBR 192 kbit/s, quality 2, 44.1 kHz joint stereo. Runs alternate; medians of 5.
#
# Usage: bench/rip_vs_ffmpeg.sh [BUILD_DIR]   (default: build)
# Needs the ffmpeg command line (to make the source and to compare) and /usr/bin/time.
set -eu

BUILD=${1:-build}
SONAVEL=$(cd "$BUILD/bin" && pwd)/sonavel
RUNS=5
WORK=${TMPDIR:-/tmp}/sonavel_bench_rip
mkdir -p "$WORK"
SRC=$WORK/dvd_120s.vob
export SONAVEL_REGISTRY="$WORK/bench.reg"
: >"$SONAVEL_REGISTRY"

if [ ! -s "$SRC" ]; then
    echo "making the 120 s source (once)..." >&2
    ffmpeg -v error -y \
        -f lavfi -i "testsrc2=size=720x576:rate=25:duration=120" \
        -f lavfi -i "aevalsrc=0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1):s=48000:d=120" \
        -c:v mpeg2video -b:v 4M -g 12 -bf 2 -c:a ac3 -b:a 192k -ac 2 -f dvd "$SRC"
fi

# Wall seconds, peak resident kB and CPU seconds of one command: "SECONDS KB CPU".
# CPU time is printed too: on a shared machine it is the steadier figure.
measure() {
    /usr/bin/time -f "%e %M %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$WORK/time.txt"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

rip_sonavel() { # OUTPUT [extra args]
    out=$1
    shift
    measure "$SONAVEL" --rip "$SRC" -o "$out" --force --quiet --bitrate 192 --samplerate 44100 \
        --mode joint "$@"
}
rip_ffmpeg() {
    measure ffmpeg -v error -y -i "$SRC" -vn -c:a libmp3lame -b:a 192k -ar 44100 \
        -compression_level 2 -joint_stereo 1 "$WORK/ffmpeg.mp3"
}

: >"$WORK/sonavel.t"
: >"$WORK/lame_rs.t"
: >"$WORK/ffmpeg.t"
: >"$WORK/sonavel.m"
: >"$WORK/sonavel.c"
: >"$WORK/lame_rs.c"
: >"$WORK/ffmpeg.c"
i=0
while [ $i -lt $RUNS ]; do
    rip_sonavel "$WORK/sonavel.mp3" >"$WORK/one"
    cut -d' ' -f1 "$WORK/one" >>"$WORK/sonavel.t"
    cut -d' ' -f2 "$WORK/one" >>"$WORK/sonavel.m"
    cut -d' ' -f3 "$WORK/one" >>"$WORK/sonavel.c"
    rip_ffmpeg >"$WORK/one"
    cut -d' ' -f1 "$WORK/one" >>"$WORK/ffmpeg.t"
    cut -d' ' -f3 "$WORK/one" >>"$WORK/ffmpeg.c"
    SONAVEL_LAME_RESAMPLE=1 rip_sonavel "$WORK/lame_rs.mp3" >"$WORK/one"
    cut -d' ' -f1 "$WORK/one" >>"$WORK/lame_rs.t"
    cut -d' ' -f3 "$WORK/one" >>"$WORK/lame_rs.c"
    i=$((i + 1))
done

S=$(median <"$WORK/sonavel.t")
F=$(median <"$WORK/ffmpeg.t")
L=$(median <"$WORK/lame_rs.t")
SC=$(median <"$WORK/sonavel.c")
FC=$(median <"$WORK/ffmpeg.c")
LC=$(median <"$WORK/lame_rs.c")
echo "source: 120 s DVD-like (AC-3 48 kHz stereo) -> MP3 CBR 192k q2 44.1 kHz joint stereo"
echo "median of $RUNS, alternating (wall / CPU seconds):"
printf "  sonavel --rip (48k->44.1k by swresample in the input): %6.2f / %6.2f\n" "$S" "$SC"
printf "  sonavel --rip (48k->44.1k by LAME's resampler):        %6.2f / %6.2f\n" "$L" "$LC"
printf "  ffmpeg -c:a libmp3lame:                                %6.2f / %6.2f\n" "$F" "$FC"
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }
echo "  ratio sonavel / ffmpeg: wall $(ratio "$S" "$F"), CPU $(ratio "$SC" "$FC") (target <= 1.0)"
echo "  ratio LAME resampler / swresample: wall $(ratio "$L" "$S"), CPU $(ratio "$LC" "$SC")"

# Sound of both resampling roads against a reference made with the soxr resampler from
# the same decoded source (signal-to-distortion ratio, dB; higher is better).
ffmpeg -v error -y -i "$SRC" -vn -af "aresample=44100:resampler=soxr:precision=28" \
    -c:a pcm_s16le "$WORK/ref.wav"
sdr() {
    ffmpeg -v info -i "$WORK/ref.wav" -i "$1" -filter_complex "[0:a][1:a]asdr" -f null - 2>&1 |
        sed -n 's/.*SDR ch0: \([-0-9.]*\).*/\1/p' | tail -1
}
echo "sound against a soxr reference (SDR, dB, channel 0):"
echo "  swresample in the input: $(sdr "$WORK/sonavel.mp3")"
echo "  LAME's resampler:        $(sdr "$WORK/lame_rs.mp3")"
echo "  ffmpeg:                  $(sdr "$WORK/ffmpeg.mp3")"

# Peak memory must not grow with the length ripped.
M30=$(rip_sonavel "$WORK/m30.mp3" --end 30 | cut -d' ' -f2)
M120=$(median <"$WORK/sonavel.m")
echo "peak resident memory: 30 s ripped ${M30} kB, 120 s ripped ${M120} kB"
