#!/bin/sh
# A concert DVD split into its chapters, as a user does it: a 16-minute title of seven
# chapters (2:30 2:00 3:00 2:30 2:00 2:30 1:30), `sonavel --rip DISC --split-chapters` with
# the default settings (every core; CBR 192 kbit/s, quality 2, 44.1 kHz, joint stereo),
# against the ffmpeg command line ripping the same chapters one after the other with
# libmp3lame at the same settings (`ffmpeg -ss A -to B -i VOBs -c:a libmp3lame ...`, the
# way a script would). Three sounds, each on a disc of its own: tonal (a slow sweep and
# quiet tones with gaps, AC-3), noisy (tones under noise, AC-3) and speech-like (bursts and
# silences, LPCM). Then the cost of the segments: a 120 s range on one encoder (--jobs 1)
# against every core, in CPU seconds.
#
# Printed: per sound, the medians of RUNS (default 3) alternating runs, wall and CPU
# seconds, and the ratios; the machine's load at the end (other work on the cores makes
# the wall figures meaningless; the CPU figures hold).
#
# Usage: bench/title_split.sh [BUILD_DIR]   (default: build)
# Needs the ffmpeg command line (sources and the comparison), dvdauthor and /usr/bin/time;
# about 1 GB in $TMPDIR.
set -eu

# shellcheck disable=SC2034 # read by bench_env.sh
BENCH_WORK=sonavel_bench_split
. "$(dirname "$0")/bench_env.sh"
RUNS=${RUNS:-3}
SECONDS_TOTAL=960
CHAPTERS="0,2:30,4:30,7:30,10:00,12:00,14:30"
STARTS="0 150 270 450 600 720 870 960"

TONAL="0.05*sin(2*PI*100*10/log(80)*(pow(80\,mod(t\,10)/10)-1))|0.02*max(0\,min(1\,min(mod(t\,2)\,1.5-mod(t\,2))*100))*sin(2*PI*220*pow(2\,floor(mod(t/2\,24))/12)*t)"
NOISY="0.3*sin(2*PI*440*t)*sin(2*PI*0.5*t)+0.15*random(0)|0.3*sin(2*PI*554*t)+0.15*random(1)"
SPEECH="0.4*sin(2*PI*(180+40*sin(2*PI*3*t))*t)*gt(sin(2*PI*0.7*t)\,0.2)|0.4*sin(2*PI*(220+30*sin(2*PI*2*t))*t)*gt(sin(2*PI*0.7*t)\,0.2)"

measure() { # prints "WALL CPU"
    /usr/bin/time -f "%e %U %S" -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$WORK/time.txt"
}

make_dvd_sound tonal "$TONAL" ac3 ac3+en "$SECONDS_TOTAL"
make_dvd_sound noisy "$NOISY" ac3 ac3+en "$SECONDS_TOTAL"
make_dvd_sound speech "$SPEECH" pcm_dvd pcm+en "$SECONDS_TOTAL"
echo "cores: $(nproc)"
printf "%-7s %-22s %9s %9s\n" sound job "wall s" "cpu s"
for sound in tonal noisy speech; do
    disc=$WORK/$sound
    : >"$WORK/sw" && : >"$WORK/sc" && : >"$WORK/fw" && : >"$WORK/fc"
    : >"$WORK/1c" && : >"$WORK/nc"
    i=0
    while [ $i -lt "$RUNS" ]; do
        rm -rf "$WORK/split"
        measure "$SONAVEL" --rip "$disc" --split-chapters -o "$WORK/split/" --quiet >"$WORK/one"
        cut -d' ' -f1 "$WORK/one" >>"$WORK/sw"
        cut -d' ' -f2 "$WORK/one" >>"$WORK/sc"
        start=$(date +%s.%N)
        /usr/bin/time -f "%U %S" -o "$WORK/fft.txt" sh -c "
            vobs=\$(ls '$disc'/VIDEO_TS/VTS_01_[1-9].VOB | tr '\n' '|' | sed 's/|\$//')
            set -- $STARTS; k=1
            while [ \$# -ge 2 ]; do
                ffmpeg -v quiet -y -ss \$1 -to \$2 -i \"concat:\$vobs\" -vn -c:a libmp3lame \
                    -b:a 192k -ar 44100 -compression_level 2 -joint_stereo 1 '$WORK'/ff_\$k.mp3
                k=\$((k + 1)); shift
            done"
        end=$(date +%s.%N)
        awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f\n", e - s }' >>"$WORK/fw"
        awk '{ printf "%.2f\n", $1 + $2 }' "$WORK/fft.txt" >>"$WORK/fc"
        measure "$SONAVEL" --rip "$disc" --start 300 --end 420 --jobs 1 -o "$WORK/r1.mp3" \
            --force --quiet | cut -d' ' -f2 >>"$WORK/1c"
        measure "$SONAVEL" --rip "$disc" --start 300 --end 420 -o "$WORK/rn.mp3" --force \
            --quiet | cut -d' ' -f2 >>"$WORK/nc"
        i=$((i + 1))
    done
    sw=$(median <"$WORK/sw") sc=$(median <"$WORK/sc") fw=$(median <"$WORK/fw")
    fc=$(median <"$WORK/fc") c1=$(median <"$WORK/1c") cn=$(median <"$WORK/nc")
    printf "%-7s %-22s %9s %9s\n" "$sound" "sonavel split, 7 files" "$sw" "$sc"
    printf "%-7s %-22s %9s %9s\n" "" "ffmpeg, 7 chapters" "$fw" "$fc"
    printf "%-7s %-22s %9s %9s\n" "" "ratio" "$(awk "BEGIN { printf \"%.2f\", $sw / $fw }")" \
        "$(awk "BEGIN { printf \"%.2f\", $sc / $fc }")"
    printf "%-7s %-22s %9s %9s\n" "" "120 s, --jobs 1" "" "$c1"
    printf "%-7s %-22s %9s %9s\n" "" "120 s, every core" "" "$cn"
    printf "%-7s %-22s %9s %+8.1f%%\n" "" "segments' CPU cost" "" \
        "$(awk "BEGIN { print ($cn / $c1 - 1) * 100 }")"
done
echo "load: $(uptime)"
