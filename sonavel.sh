#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sonavel with the given arguments.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}"

# --package: a Debian package in build-package/, checked with lintian.
if [ "${1:-}" = "--package" ]; then
  sonavel_ensure_packages dpkg-dev fakeroot lintian file
  sonavel_build build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DSONAVEL_BUILD_TESTS=OFF
  (cd build-package && cpack -G DEB >&2)
  deb=$(ls -t build-package/sonavel_*.deb | head -n 1)
  lintian --fail-on error "$deb" >&2
  echo "$deb"
  exit 0
fi

sonavel_build build
exec build/bin/sonavel "$@"
