#!/bin/sh
# A DVD title of more than 1 GB, across two VOB parts: the time to list the disc's titles
# and to rip a chapter that spans the cut between VTS_01_1.VOB and VTS_01_2.VOB, against
# the ffmpeg command line ripping the same stretch of the joined VOB files. Two sounds:
# AC-3 stereo (tones in noise) and LPCM stereo (speech-like bursts and silences).
# Medians of 5 listings and 3 rips; wall and CPU seconds; the machine's load at the end.
# It also checks the join: 20 s around the cut ripped from the title and from the two VOB
# parts copied into one plain file must give the same MP3, byte for byte.
#
# Usage: bench/dvd_title.sh [BUILD_DIR]   (default: build)
# Needs the ffmpeg command line (to make the source, about 1.1 GB, once), dvdauthor and
# /usr/bin/time; about 2.5 GB in $TMPDIR.
set -eu

BUILD=${1:-build}
SONAVEL=$(cd "$BUILD/bin" && pwd)/sonavel
WORK=${TMPDIR:-/tmp}/sonavel_bench_dvd
MINUTES=17
mkdir -p "$WORK"
SRC=$WORK/concert.mpg
DISC=$WORK/CONCERT
export SONAVEL_REGISTRY="$WORK/bench.reg"
: >"$SONAVEL_REGISTRY"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local"
mkdir -p "$HOME"

if [ ! -s "$SRC" ]; then
    echo "making the $MINUTES min source (once)..." >&2
    seconds=$((MINUTES * 60))
    ffmpeg -v error -y \
        -f lavfi -i "testsrc2=size=720x576:rate=25:duration=$seconds" \
        -f lavfi -i "aevalsrc=0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1):s=48000:d=$seconds" \
        -f lavfi -i "aevalsrc=0.4*sin(2*PI*(180+40*sin(2*PI*3*t))*t)*gt(sin(2*PI*0.7*t)\,0.2)|0.4*sin(2*PI*(220+30*sin(2*PI*2*t))*t)*gt(sin(2*PI*0.7*t)\,0.2):s=48000:d=$seconds" \
        -map 0:v -map 1:a -map 2:a \
        -c:v mpeg2video -b:v 7M -minrate 7M -maxrate 7M -bufsize 1835008 -g 12 -bf 2 \
        -c:a:0 ac3 -b:a:0 192k -c:a:1 pcm_dvd -f dvd "$SRC"
fi
if [ ! -f "$DISC/VIDEO_TS/VTS_01_2.VOB" ]; then
    echo "authoring the disc (once)..." >&2
    rm -rf "$DISC"
    chapters=0
    m=2
    while [ $m -lt $MINUTES ]; do
        chapters="$chapters,$m:00"
        m=$((m + 2))
    done
    VIDEO_FORMAT=PAL dvdauthor -o "$DISC" -t -c "$chapters" -a ac3+en,pcm+en "$SRC" 2>/dev/null
    VIDEO_FORMAT=PAL dvdauthor -o "$DISC" -T 2>/dev/null
fi
ls -l "$DISC"/VIDEO_TS/VTS_01_*.VOB | awk '{ printf "%s %d MB\n", $NF, $5 / 1048576 }' >&2

# "WALL CPU" of one command.
measure() {
    /usr/bin/time -f "%e %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$WORK/time.txt"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Runs a command N times; prints "median-wall median-cpu".
repeat() {
    n=$1
    shift
    : >"$WORK/w" && : >"$WORK/c"
    i=0
    while [ $i -lt "$n" ]; do
        measure "$@" >"$WORK/one"
        cut -d' ' -f1 "$WORK/one" >>"$WORK/w"
        cut -d' ' -f2 "$WORK/one" >>"$WORK/c"
        i=$((i + 1))
    done
    echo "$(median <"$WORK/w") $(median <"$WORK/c")"
}

"$SONAVEL" --list-titles "$DISC" >&2
# The chapter that holds the first VOB part's last sector.
part1=$(stat -c %s "$DISC/VIDEO_TS/VTS_01_1.VOB")
total=$(cat "$DISC"/VIDEO_TS/VTS_01_[1-9].VOB | wc -c)
chapter=$(awk -v p="$part1" -v t="$total" -v m="$MINUTES" 'BEGIN { print int(p / t * m / 2) + 1 }')
start=$(((chapter - 1) * 120))
echo "chapter $chapter ($start s to $((start + 120)) s) spans the VOB cut" >&2

set -- $(repeat 5 "$SONAVEL" --list-titles "$DISC")
echo "list titles:        wall $1 s, cpu $2 s (median of 5)"
for track in 1 2; do
    name=$([ $track = 1 ] && echo "AC-3" || echo "LPCM")
    set -- $(repeat 3 "$SONAVEL" --rip "$DISC" --chapter "$chapter" --audio-track $track \
        -o "$WORK/chapter$track.mp3" --force --quiet --bitrate 192 --samplerate 44100 --mode joint)
    echo "rip chapter ($name): wall $1 s, cpu $2 s (median of 3)"
    sw=$1 sc=$2
    set -- $(repeat 3 ffmpeg -v error -y -ss "$start" -t 120 \
        -i "concat:$DISC/VIDEO_TS/VTS_01_1.VOB|$DISC/VIDEO_TS/VTS_01_2.VOB" -map 0:a:$((track - 1)) \
        -vn -c:a libmp3lame -b:a 192k -ar 44100 -compression_level 2 -joint_stereo 1 \
        "$WORK/ffmpeg$track.mp3")
    echo "ffmpeg same range:   wall $1 s, cpu $2 s; sonavel/ffmpeg: wall $(awk "BEGIN { printf \"%.2f\", $sw / $1 }"), cpu $(awk "BEGIN { printf \"%.2f\", $sc / $2 }")"
done
# The join, against the same bytes read as one plain file (no IFO beside it).
JOINED=$WORK/joined/title.vob
if [ ! -s "$JOINED" ]; then
    mkdir -p "$WORK/joined"
    cat "$DISC"/VIDEO_TS/VTS_01_1.VOB "$DISC"/VIDEO_TS/VTS_01_2.VOB >"$JOINED"
fi
cut=$(awk -v p="$part1" -v t="$total" -v m="$MINUTES" 'BEGIN { printf "%.1f", p / t * m * 60 }')
from=$(awk -v c="$cut" 'BEGIN { print c - 10 }')
to=$(awk -v c="$cut" 'BEGIN { print c + 10 }')
for track in 1 2; do
    for source in "$DISC" "$JOINED"; do
        "$SONAVEL" --rip "$source" --audio-track $track --start "$from" --end "$to" --quiet \
            --force --bitrate 192 --samplerate 48000 -o "$WORK/join$track-$(basename "$source").mp3"
    done
    if cmp -s "$WORK/join$track-CONCERT.mp3" "$WORK/join$track-title.vob.mp3"; then
        echo "join at ${cut} s, track $track: the title and the joined files rip the same bytes"
    else
        echo "join at ${cut} s, track $track: DIFFERENT from the joined files" >&2
        exit 1
    fi
done
echo "load: $(uptime)"
