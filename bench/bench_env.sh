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
