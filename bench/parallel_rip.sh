#!/bin/sh
# A rip encoded in parts on every core against the same rip on one encoder, with the built
# program on 10-minute DVD-like sources: tonal (AC-3), noisy (AC-3), speech with silences
# (LPCM), music (AC-3, 720x576 MPEG-2) and the same music as LPCM; CBR 128, 192, 320 and
# VBR 96-320 at 48 kHz (the sources' rate: nothing resampled).
#
# Validity: FFmpeg decodes both files without a warning, to exactly the range, and the
# information frame counts the file's frames. Quality (bench_mp3_seams --files): the
# joined file's error against the source relative to one encoder's, over the whole file
# and in 50 ms windows around the seams (together, the worst one, and the worst other
# window for comparison), and the largest sample error at the seams against elsewhere and
# against one encoder's there. Size: constant bit rate to the byte, VBR within 1 %.
# Speed: the music source's 10 minutes to CBR 192 at 44.1 kHz, --jobs 1 against the
# default (one thread per core) against ffmpeg's own MP3 encoding, median of 5,
# alternating, with the machine's load before and after.
#
# Usage: bench/parallel_rip.sh [BUILD_DIR] [SECONDS] [all|files|speed]
#        (defaults: build, 600, all; files: validity, quality and size only)
#        SOURCES="tonal ..." and MODES="cbr128 ..." choose rows of the file figures.
# Needs the ffmpeg command line (to make the sources and to compare) and /usr/bin/time.
set -eu

BUILD=${1:-build}
SECONDS_LONG=${2:-600}
WHAT=${3:-all}
SONAVEL=$(cd "$BUILD/bin" && pwd)/sonavel
SEAMS=$(cd "$BUILD/bench" && pwd)/bench_mp3_seams
RUNS=5
WORK=${TMPDIR:-/tmp}/sonavel_bench_parallel_$SECONDS_LONG
mkdir -p "$WORK"
export SONAVEL_REGISTRY="$WORK/bench.reg"
: >"$SONAVEL_REGISTRY"
D=$SECONDS_LONG

video() { # SIZE
    echo "-f lavfi -i testsrc2=size=$1:rate=25:duration=$D"
}
make_source() { # NAME VIDEO_SIZE AUDIO_CODEC FILTER
    out=$WORK/$1.vob
    [ -s "$out" ] && return
    echo "making $1 ($D s, once)..." >&2
    # shellcheck disable=SC2046
    ffmpeg -loglevel fatal -y $(video "$2") -f lavfi -i "$4" -map 0:v -map 1:a \
        -c:v mpeg2video -b:v 2M -g 12 -bf 2 -c:a "$3" -ar 48000 -ac 2 -t "$D" -f dvd "$out"
}
# Chords that change every 2 s, with vibrato; a left and a right voice.
TONAL="aevalsrc=0.2*sin(2*PI*220*pow(2\,mod(floor(t/2)*5\,12)/12)*t)+0.15*sin(2*PI*330*t+3*sin(2*PI*5*t))+0.1*sin(2*PI*440*pow(2\,mod(floor(t/2)*7\,12)/12)*t)|0.2*sin(2*PI*277*t)*(0.6+0.4*sin(2*PI*0.3*t))+0.1*sin(2*PI*554*pow(2\,mod(floor(t/3)*5\,12)/12)*t):s=48000:d=$D"
# Two pink noises whose loudness wanders slowly.
NOISY="anoisesrc=c=pink:a=0.35:seed=1:r=48000:d=$D[a];anoisesrc=c=brown:a=0.5:seed=2:r=48000:d=$D[b];[a][b]amerge,volume=0.6+0.4*sin(2*PI*0.07*t):eval=frame"
# A voice reading, with 2 s of digital silence in every 7 s.
SPEECH="flite=textfile=$WORK/speech.txt:voice=slt,aresample=48000,aloop=loop=-1:size=2e9,atrim=0:$D,volume=if(lt(mod(t\,7)\,5)\,1\,0):eval=frame"
MUSIC="aevalsrc=0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1):s=48000:d=$D"

cat >"$WORK/speech.txt" <<'EOF'
The sound of a film is ripped to a file that any player reads. Every second of it is
encoded, and every frame lands where it belongs. Some passages are quiet, others are loud.
Between the sentences there are pauses, and in the pauses there is nothing at all.
Numbers are read one by one: one, two, three, four, five, six, seven, eight, nine, ten.
EOF
make_source tonal 352x288 ac3 "$TONAL"
make_source noisy 352x288 ac3 "$NOISY"
make_source speech 352x288 pcm_s16be "$SPEECH"
make_source music 720x576 ac3 "$MUSIC"
make_source music_lpcm 720x576 pcm_s16be "$MUSIC"

START=3.21
END=$(awk -v d="$D" 'BEGIN { printf "%.2f", d - 6.79 }')
if [ "$WHAT" != speed ]; then
    echo "range $START s to $END s of each source; one encoder (--jobs 1) against the default"
    echo "(one thread per core: $(nproc)); dB figures: the joined file's error over one encoder's"
    printf "%-11s %-7s %5s %4s %5s %5s %7s %7s %7s %7s %6s %6s %6s %7s\n" source mode seams warn \
        len tag overall seams worst else clickS clickO clickR "bytes%"
    failures=0
    for src in ${SOURCES:-tonal noisy speech music music_lpcm}; do
        for mode in ${MODES:-cbr128 cbr192 cbr320 vbr}; do
            case $mode in
            vbr) rate="--vbr 96-320" kind=vbr ;;
            *) rate="--bitrate ${mode#cbr}" kind=cbr ;;
            esac
            one=$WORK/${src}_${mode}_one.mp3
            parts=$WORK/${src}_${mode}_parts.mp3
            # shellcheck disable=SC2086
            "$SONAVEL" --rip "$WORK/$src.vob" -o "$one" --force --quiet --start $START --end "$END" \
                $rate --samplerate 48000 --mode joint --jobs 1
            "$SEAMS" --rip "$WORK/$src.vob" $START "$END" "$parts" "$WORK/seams.txt" "$mode" 0
            printf "%-11s %-7s " "$src" "$mode"
            if [ "$(wc -l <"$WORK/seams.txt")" -le 1 ]; then
                echo "no seams (one encoder: too short, or the parts did not agree where they meet)"
                continue
            fi
            "$SEAMS" --files "$WORK/$src.vob" $START "$END" "$one" "$parts" "$WORK/seams.txt" \
                $kind || failures=$((failures + 1))
        done
    done
    [ $failures -eq 0 ] && echo "validity, quality and size: all figures hold" ||
        echo "validity, quality and size: $failures rows FAIL"
fi
[ "$WHAT" = files ] && exit 0

# Wall seconds and CPU seconds of one command: "WALL CPU".
measure() {
    /usr/bin/time -f "%e %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$WORK/time.txt"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
rip() { # JOBS-ARGS...
    measure "$SONAVEL" --rip "$WORK/music.vob" -o "$WORK/speed.mp3" --force --quiet \
        --bitrate 192 --samplerate 44100 --mode joint "$@"
}
ff() {
    measure ffmpeg -v error -y -i "$WORK/music.vob" -vn -c:a libmp3lame -b:a 192k -ar 44100 \
        -compression_level 2 -joint_stereo 1 "$WORK/ffmpeg.mp3"
}

echo
echo "speed: music.vob, $D s, CBR 192 q2 44.1 kHz joint stereo; load before: $(uptime | sed 's/.*load/load/')"
: >"$WORK/one.t" && : >"$WORK/all.t" && : >"$WORK/ff.t"
: >"$WORK/one.c" && : >"$WORK/all.c" && : >"$WORK/ff.c"
i=0
while [ $i -lt $RUNS ]; do
    rip --jobs 1 >"$WORK/r" && cut -d' ' -f1 "$WORK/r" >>"$WORK/one.t" && cut -d' ' -f2 "$WORK/r" >>"$WORK/one.c"
    rip >"$WORK/r" && cut -d' ' -f1 "$WORK/r" >>"$WORK/all.t" && cut -d' ' -f2 "$WORK/r" >>"$WORK/all.c"
    ff >"$WORK/r" && cut -d' ' -f1 "$WORK/r" >>"$WORK/ff.t" && cut -d' ' -f2 "$WORK/r" >>"$WORK/ff.c"
    i=$((i + 1))
done
echo "load after: $(uptime | sed 's/.*load/load/')"
O=$(median <"$WORK/one.t") A=$(median <"$WORK/all.t") F=$(median <"$WORK/ff.t")
OC=$(median <"$WORK/one.c") AC=$(median <"$WORK/all.c") FC=$(median <"$WORK/ff.c")
echo "median of $RUNS (wall / CPU seconds):"
printf "  sonavel --jobs 1:        %7.2f / %7.2f\n" "$O" "$OC"
printf "  sonavel (every core):    %7.2f / %7.2f\n" "$A" "$AC"
printf "  ffmpeg -c:a libmp3lame:  %7.2f / %7.2f\n" "$F" "$FC"
awk -v o="$O" -v a="$A" -v f="$F" 'BEGIN {
    printf "  speed-up over --jobs 1: %.2fx; against ffmpeg: %.2fx\n", o / a, f / a }'
