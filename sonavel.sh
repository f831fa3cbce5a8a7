#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sonavel with the given arguments.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}"

# --package: a Debian package in build-package/, built with Debian's hardening flags and
# every time stamp at the last commit (two builds of one commit give the same bytes), then
# checked with lintian and hardening-check; prints the package's path.
if [ "${1:-}" = "--package" ]; then
  sonavel_ensure_packages dpkg-dev fakeroot lintian file devscripts
  source tools/package-env.sh
  cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DSONAVEL_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS="$CXXFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >&2
  cmake --build build-package -j "$(nproc)" >&2
  (cd build-package && cpack -G DEB >&2)
  deb=$(ls -t build-package/sonavel_*.deb | head -n 1)
  echo "lintian --pedantic -I:" >&2
  lintian --pedantic -I --fail-on error,warning,info,pedantic "$deb" >&2
  unpacked=$(mktemp -d)
  trap 'rm -rf "$unpacked"' EXIT
  dpkg-deb -x "$deb" "$unpacked"
  # Control-flow protection needs every linked object marked for it, and Debian 12's own
  # start files are not, so no program linked there can pass that check.
  hardening-check --nocfprotection "$unpacked/usr/bin/sonavel" >&2
  echo "$deb"
  exit 0
fi

sonavel_build build
exec build/bin/sonavel "$@"
