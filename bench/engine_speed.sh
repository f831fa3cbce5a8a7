#!/bin/sh
# The rip engine's figures in one table: a 30 s, 120 s and 300 s range of a plain file and a
# whole title split into its chapters (a 1000 s DVD title of seven), on three sounds: tonal
# (chords and a sweep, AC-3), noisy (tones under noise, AC-3) and speech-like (bursts and
# silences, DVD LPCM). CBR 192 kbit/s, joint stereo, 48 kHz (the sources' rate), against
# the ffmpeg command line with libmp3lame on the same stretch (`-ss A -t N -i FILE`; for the
# title, chapter after chapter from the joined VOB files, the way a script would).
#
# Per row: the medians of RUNS (default 3) interleaved runs of `sonavel` on every core,
# `sonavel --jobs 1` and ffmpeg: wall and CPU seconds (user + system), the speed-up over
# --jobs 1 (wall), the extra CPU of the segments, the ratio to ffmpeg's wall, and the
# rip's peak resident memory. Then a 1 s range (its whole time and memory), and with GAIN=1
# the loudness measurement's cost: the 300 s range with and without it (--no-replaygain),
# on one encoder and on every core, in CPU seconds. The load before and after: other work
# on the cores makes the wall figures meaningless; the CPU figures hold better.
#
# Usage: bench/engine_speed.sh [BUILD_DIR]   (default: build)
#        SOUNDS="tonal noisy speech", ROWS="30 120 300 title", RUNS=n, GAIN=1
# Needs dvdauthor and /usr/bin/time; installs the ffmpeg command line if it is missing;
# about 1 GB in $TMPDIR.
# shellcheck disable=SC2046 # the argument lists are meant to split
set -eu

# shellcheck disable=SC2034 # read by bench_env.sh
BENCH_WORK=sonavel_bench_engine
. "$(dirname "$0")/bench_env.sh"
RUNS=${RUNS:-3}
command -v ffmpeg >/dev/null || apt-get install -y ffmpeg >/dev/null

LENGTH=1000
CHAPTERS="0,2:30,4:30,7:30,10:00,12:00,14:30"
STARTS="0 150 270 450 600 720 870 $LENGTH"
FROM=200 # where the ranges start: every part seeks
ENC="--bitrate 192 --samplerate 48000 --mode joint"
FFENC="-vn -c:a libmp3lame -b:a 192k -ar 48000 -compression_level 2 -joint_stereo 1"

TONAL="0.2*sin(2*PI*220*pow(2\,mod(floor(t/2)*5\,12)/12)*t)+0.05*sin(2*PI*100*10/log(80)*(pow(80\,mod(t\,10)/10)-1))|0.2*sin(2*PI*277*t)*(0.6+0.4*sin(2*PI*0.3*t))+0.02*sin(2*PI*220*pow(2\,floor(mod(t/2\,24))/12)*t)"
NOISY="0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1)"
SPEECH="0.4*sin(2*PI*(180+40*sin(2*PI*3*t))*t)*gt(sin(2*PI*0.7*t)\,0.2)|0.4*sin(2*PI*(220+30*sin(2*PI*2*t))*t)*gt(sin(2*PI*0.7*t)\,0.2)"


# "WALL CPU RSS_MB" of one command.
measure() {
    /usr/bin/time -f "%e %U %S %M" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$WORK/time.txt"
}
# Appends one measure's figures to NAME.w, NAME.c and NAME.m.
keep() { # NAME COMMAND...
    name=$1
    shift
    measure "$@" >"$WORK/one"
    read -r w c m <"$WORK/one"
    echo "$w" >>"$WORK/$name.w" && echo "$c" >>"$WORK/$name.c" && echo "$m" >>"$WORK/$name.m"
}
reset() { for n in "$@"; do : >"$WORK/$n.w" && : >"$WORK/$n.c" && : >"$WORK/$n.m"; done; }
med() { median <"$WORK/$1"; }

# The commands measured (/usr/bin/time runs programs, not shell functions).
range_args() { # SOUND SECONDS: sonavel's arguments for the range
    echo "--rip $WORK/$1.mpg --start $FROM --end $((FROM + $2)) -o $WORK/out.mp3 --force --quiet $ENC"
}
ff_range_args() { # SOUND SECONDS
    echo "-v error -y -ss $FROM -t $2 -i $WORK/$1.mpg $FFENC $WORK/ff.mp3"
}
title_args() { # SOUND
    echo "--rip $WORK/$1 --split-chapters -o $WORK/split/ --force --quiet $ENC"
}
ff_title_script() { # SOUND: the chapters one after the other, as a script would
    echo "
        vobs=\$(ls '$WORK/$1'/VIDEO_TS/VTS_01_[1-9].VOB | tr '\n' '|' | sed 's/|\$//')
        set -- $STARTS; k=1
        while [ \$# -ge 2 ]; do
            ffmpeg -v error -y -ss \$1 -to \$2 -i \"concat:\$vobs\" $FFENC '$WORK'/ff_\$k.mp3
            k=\$((k + 1)); shift
        done"
}

make_dvd_sound tonal "$TONAL" ac3 ac3+en "$LENGTH"
make_dvd_sound noisy "$NOISY" ac3 ac3+en "$LENGTH"
make_dvd_sound speech "$SPEECH" pcm_dvd pcm+en "$LENGTH"

echo "cores: $(nproc); load before: $(uptime | sed 's/.*load average: //')"
echo "medians of $RUNS interleaved runs; wall and CPU in seconds, RSS in MB"
printf "%-7s %-6s %7s %7s %7s %7s %7s %7s %7s %7s %7s %5s\n" sound work wall cpu "j1 wall" \
    "j1 cpu" speedup "cpu+%" "ff wall" "ff cpu" ratio RSS
for sound in ${SOUNDS:-tonal noisy speech}; do
    for row in ${ROWS:-30 120 300 title}; do
        reset all one ff
        i=0
        while [ $i -lt "$RUNS" ]; do
            if [ "$row" = title ]; then
                keep all "$SONAVEL" $(title_args "$sound")
                keep ff sh -c "$(ff_title_script "$sound")"
                if [ "${TITLE_JOBS1:-0}" = 1 ]; then
                    keep one "$SONAVEL" $(title_args "$sound") --jobs 1
                fi
            else
                keep all "$SONAVEL" $(range_args "$sound" "$row")
                keep one "$SONAVEL" $(range_args "$sound" "$row") --jobs 1
                keep ff ffmpeg $(ff_range_args "$sound" "$row")
            fi
            i=$((i + 1))
        done
        aw=$(med all.w) ac=$(med all.c) fw=$(med ff.w) fc=$(med ff.c) rss=$(med all.m)
        ow=$(med one.w) oc=$(med one.c)
        awk -v s="$sound" -v r="$row" -v aw="$aw" -v ac="$ac" -v ow="$ow" -v oc="$oc" \
            -v fw="$fw" -v fc="$fc" -v m="$rss" 'BEGIN {
            label = r == "title" ? "title" : r " s"
            if (ow == "") {
                printf "%-7s %-6s %7.2f %7.2f %7s %7s %7s %7s %7.2f %7.2f %7.2f %5d\n", s, label,
                    aw, ac, "", "", "", "", fw, fc, aw / fw, m
            } else {
                printf "%-7s %-6s %7.2f %7.2f %7.2f %7.2f %6.2fx %+6.1f%% %7.2f %7.2f %7.2f %5d\n",
                    s, label, aw, ac, ow, oc, ow / aw, (ac / oc - 1) * 100, fw, fc, aw / fw, m
            }
        }'
    done
    reset short
    i=0
    while [ $i -lt "$RUNS" ]; do
        keep short "$SONAVEL" $(range_args "$sound" 1)
        i=$((i + 1))
    done
    printf "%-7s %-6s %7.2f %7.2f %47s %5d\n" "$sound" "1 s" "$(med short.w)" "$(med short.c)" "" \
        "$(med short.m)"
    if [ "${GAIN:-0}" = 1 ]; then
        reset g1 n1 gn nn
        i=0
        while [ $i -lt "$RUNS" ]; do
            keep g1 "$SONAVEL" $(range_args "$sound" 300) --jobs 1
            keep n1 "$SONAVEL" $(range_args "$sound" 300) --jobs 1 --no-replaygain
            keep gn "$SONAVEL" $(range_args "$sound" 300)
            keep nn "$SONAVEL" $(range_args "$sound" 300) --no-replaygain
            i=$((i + 1))
        done
        awk -v s="$sound" -v g1="$(med g1.c)" -v n1="$(med n1.c)" -v gn="$(med gn.c)" \
            -v nn="$(med nn.c)" 'BEGIN {
            printf "%-7s loudness, 300 s CPU: --jobs 1 %.2f / %.2f without (%+.1f%%), every core %.2f / %.2f (%+.1f%%)\n",
                s, g1, n1, (g1 / n1 - 1) * 100, gn, nn, (gn / nn - 1) * 100 }'
    fi
done
echo "load after: $(uptime | sed 's/.*load average: //')"
