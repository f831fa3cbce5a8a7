#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}"

# --sanitize: AddressSanitizer + UndefinedBehaviorSanitizer over the whole suite.
# --tsan: ThreadSanitizer over the tests labelled threaded (pipeline, engine, windows).
# --slow: the tests of real-size sources alone.
case "${1:-}" in
  --sanitize)
    sonavel_build build-asan -DSONAVEL_SANITIZE=ON
    # libdvdread asks for impossible sizes on damaged IFO files and checks for NULL, as
    # glibc answers them; the sanitizer's allocator answers the same.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    exec ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 600 -LE slow ;;
  --tsan)
    sonavel_build build-tsan -DSONAVEL_TSAN=ON
    # The longest history there is: a report whose earlier access is forgotten cannot be
    # matched against the suppressions by its stack.
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 history_size=7 suppressions=$PWD/tools/tsan.supp"
    exec ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" --timeout 600 -L threaded ;;
  --slow)
    # Sources of real size alone (they run in the plain suite too).
    sonavel_build build
    exec ctest --test-dir build --output-on-failure -j "$(nproc)" -L slow ;;
  "") ;;
  *) echo "usage: $0 [--sanitize|--tsan|--slow]" >&2; exit 2 ;;
esac

# Without debug information (same optimisation) and with the libraries compiled in batches:
# both cost compile and link time that a CI run on two cores does not have; the sanitizer
# builds above keep one file a unit and the debug information.
sonavel_build build -DSONAVEL_WERROR="${SONAVEL_WERROR:-OFF}" -DSONAVEL_UNITY="${SONAVEL_UNITY:-ON}" \
  -DSONAVEL_BUILD_BENCH="${SONAVEL_BENCH:-ON}" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300
