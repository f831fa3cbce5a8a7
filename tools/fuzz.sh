#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   tools/fuzz.sh                 every target for 60 s
#   tools/fuzz.sh NAME [SECONDS]  one target (fuzz_registry, fuzz_list_file, ...)
# Findings land in build-fuzz/findings/; a copy of the corpus grows in build-fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}" clang libclang-rt-14-dev
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSONAVEL_FUZZ=ON \
    -DSONAVEL_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
cmake --build build-fuzz -j "$(nproc)" >&2
targets=("${1:-}")
[ -z "${targets[0]}" ] && targets=($(cd build-fuzz/fuzz && ls fuzz_*))
seconds=${2:-60}
mkdir -p build-fuzz/findings
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  mkdir -p "build-fuzz/corpus/$name"
  extra=()
  [ -d "fuzz/corpus/$name" ] && extra+=("fuzz/corpus/$name")
  limits=()
  # libdvdread reserves what a damaged table's size field says (up to 4 GB of address
  # space, touched only as far as the file goes): not a leak, and not ours to change.
  [ "$name" = dvd_title ] && limits+=(-malloc_limit_mb=4200)
  echo "== $t for ${seconds}s" >&2
  QT_QPA_PLATFORM=offscreen "build-fuzz/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 "${limits[@]}" -artifact_prefix="build-fuzz/findings/$t-" \
    "build-fuzz/corpus/$name" "${extra[@]}"
done
