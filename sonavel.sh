#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sonavel with the given arguments.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}"
sonavel_build build
exec build/bin/sonavel "$@"
