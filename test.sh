#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}"
sonavel_build build
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300
