# Sourced by the bench scripts after `set -eu`, with BENCH_WORK set: the program of the
# build folder given as the script's first argument (default: build) as $SONAVEL, a work
# folder $WORK in $TMPDIR, and a home, settings and registry of the bench's own, so no run
# reads or changes the user's. Also the figures' helpers.
# shellcheck shell=sh disable=SC2034 # the scripts that source this use what it sets

BUILD=${1:-build}
SONAVEL=$(cd "$BUILD/bin" && pwd)/sonavel
WORK=${TMPDIR:-/tmp}/$BENCH_WORK
mkdir -p "$WORK"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/config" XDG_DATA_HOME="$WORK/home/data"
export SONAVEL_REGISTRY="$WORK/bench.reg"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
: >"$SONAVEL_REGISTRY"

# The median of the numbers on stdin, one per line.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# A / B to two decimals.
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

# A program stream of SECONDS of test pictures with the sound EXPRESSION (aevalsrc's, its
# commas escaped) in CODEC, $WORK/NAME.mpg, and a disc of it, $WORK/NAME: one PAL title in
# the chapters $CHAPTERS, audio AUDIO (dvdauthor's -a). Made once.
make_dvd_sound() { # NAME EXPRESSION CODEC AUDIO SECONDS
    [ -f "$WORK/$1/VIDEO_TS/VTS_01_0.IFO" ] && [ -s "$WORK/$1.mpg" ] && return
    echo "making the $1 file and disc ($5 s, once)..." >&2
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=352x288:rate=25:duration=$5" \
        -f lavfi -i "aevalsrc=$2:s=48000:d=$5" \
        -c:v mpeg2video -b:v 1500k -maxrate 4M -bufsize 1835008 -g 12 -bf 2 \
        -c:a "$3" -b:a 192k -ac 2 -f dvd "$WORK/$1.mpg"
    rm -rf "${WORK:?}/$1"
    VIDEO_FORMAT=PAL dvdauthor -o "$WORK/$1" -t -c "$CHAPTERS" -a "$4" "$WORK/$1.mpg" 2>/dev/null
    VIDEO_FORMAT=PAL dvdauthor -o "$WORK/$1" -T 2>/dev/null
}
