# Shared by sonavel.sh and test.sh: install what is missing, then configure and build.
# Sourced, not run.

SONAVEL_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-qpa-plugins
  # The catalogues: lupdate and lrelease with their CMake functions; Qt's own texts.
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  libmp3lame-dev libmp3lame0
  libdvdread-dev
  libebur128-dev libtag1-dev libicu-dev
  # FLAC and Opus in Ogg; the tests' independent readers of them (flac -t, opusinfo).
  libflac-dev libopus-dev libogg-dev flac opus-tools
  libgtest-dev dvdauthor genisoimage lsdvd
  # Readers of the rips that share no code with the program: tags (mutagen), the sound as a
  # gapless and a plain player decode it (mpg123, madplay), every frame's header (mp3check),
  # loudness by a BS.1770 meter of its own (bs1770gain; not libebur128).
  python3-mutagen mpg123 madplay mp3check bs1770gain
  # A child's peak memory (/usr/bin/time).
  time
  xvfb xauth
  # The installed copy's desktop checks: the MIME database, xdg-mime and its lookup tool.
  shared-mime-info desktop-file-utils xdg-utils libfile-mimeinfo-perl
)

# Installs only what dpkg does not already have, with a single apt-get update.
sonavel_ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# sonavel_build BUILD_DIR [cmake options...]: configures once, then builds incrementally.
sonavel_build() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@" >&2
  fi
  cmake --build "$dir" -j "$(nproc)" >&2
}
