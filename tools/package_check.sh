#!/usr/bin/env bash
# Checks the Debian package of the last commit the way users get it:
#  1. builds it twice with ./sonavel.sh --package (lintian and hardening-check included),
#     each time from a fresh export of HEAD in a folder of its own, and compares the two
#     .deb files byte for byte;
#  2. installs it with apt (so its dependencies resolve), checks the installed system
#     (hardening of /usr/bin/sonavel, the desktop entry and metainfo, the MIME database
#     recognising a Video CD .dat by its header and offering Sonavel, --version without
#     settings), and removes it again unless it was installed before.
# Run as root on a Debian 12 machine; two full builds take a while on two cores.
# `tools/package_check.sh --installed FILE.deb` runs step 2 alone on a package at hand.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
source tools/build-env.sh
sonavel_ensure_packages "${SONAVEL_PACKAGES[@]}" dpkg-dev fakeroot lintian file devscripts

work=$(mktemp -d /tmp/sonavel-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ "${1:-}" = "--installed" ]; then
  debs=("$(readlink -f "$2")")
else
  # The commit is fixed once: work committed meanwhile does not reach the second build.
  commit=$(git rev-parse --short HEAD)
  # An export has no history: the commit's time is passed on.
  epoch=$(git log -1 --format=%ct "$commit")
  debs=()
  for n in 1 2; do
    mkdir -p "$work/tree$n/sonavel-$n"
    git archive "$commit" | tar -x -C "$work/tree$n/sonavel-$n"
    deb=$(cd "$work/tree$n/sonavel-$n" && SOURCE_DATE_EPOCH=$epoch ./sonavel.sh --package)
    debs+=("$work/tree$n/sonavel-$n/$deb")
  done
  echo "== reproducible ($commit)"
  if cmp "${debs[0]}" "${debs[1]}"; then
    sha256sum "${debs[0]}" | sed "s#$work/##"
  else
    echo "the two builds differ" >&2
    command -v diffoscope >/dev/null && diffoscope "${debs[0]}" "${debs[1]}" >&2 || true
    cp "${debs[0]}" /tmp/sonavel-build1.deb
    cp "${debs[1]}" /tmp/sonavel-build2.deb
    echo "kept as /tmp/sonavel-build1.deb and /tmp/sonavel-build2.deb" >&2
    exit 1
  fi
fi

echo "== installed system"
was_installed=$(dpkg-query -W -f='${Status}' sonavel 2>/dev/null | grep -c 'install ok installed' || true)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[0]}" >&2
dpkg-query -W -f='Depends: ${Depends}\nRecommends: ${Recommends}\nSuggests: ${Suggests}\nHomepage: ${Homepage}\nMaintainer: ${Maintainer}\n' sonavel
hardening-check --nocfprotection /usr/bin/sonavel
desktop-file-validate /usr/share/applications/sonavel.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.sonavel.Sonavel.metainfo.xml
home=$(mktemp -d "$work/home.XXXXXX")
# A desktop-less session asks xdg-mime's generic lookup, which reads the MIME database.
run() { env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" \
  XDG_DATA_HOME="$home/data" SONAVEL_REGISTRY="$home/registry.reg" "$@"; }
printf 'RIFF\x24\x00\x00\x00CDXAfmt \x10\x00\x00\x00' > "$work/AVSEQ01.DAT"
printf '\x00\x00\x01\xba\x44\x00\x04\x00\x04\x01' > "$work/VTS_01_1.VOB"
printf 'numbers 1 2 3\n' > "$work/notes.dat"
fail=0
expect() { if [ "$1" != "$2" ]; then echo "FAIL: $3: '$1', expected '$2'" >&2; fail=1; else echo "ok: $3: $1"; fi; }
expect "$(run xdg-mime query filetype "$work/AVSEQ01.DAT")" video/x-vcd "a VCD .dat"
expect "$(run xdg-mime query filetype "$work/VTS_01_1.VOB")" video/mpeg "a DVD .vob"
[ "$(run xdg-mime query filetype "$work/notes.dat")" != video/x-vcd ] && echo "ok: a text .dat is no VCD" ||
  { echo "FAIL: a text .dat taken for a VCD" >&2; fail=1; }
expect "$(run xdg-mime query default video/x-vcd)" sonavel.desktop "opens a VCD .dat"
expect "$(run xdg-mime query default video/mpeg)" sonavel.desktop "opens MPEG"
expect "$(run sonavel --version)" "sonavel $(sed -n 's/^project(sonavel VERSION \([^ ]*\).*/\1/p' CMakeLists.txt)" "--version"
[ ! -e "$home/registry.reg" ] && echo "ok: --version leaves no settings" ||
  { echo "FAIL: --version wrote the settings" >&2; fail=1; }
if [ "$was_installed" = 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq sonavel >&2
fi
[ $fail = 0 ] && echo "package checks passed"
exit $fail
