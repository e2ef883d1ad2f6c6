#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Sourced by run.sh, test.sh and tsan.sh.

TROVINA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev qttools5-dev qttools5-dev-tools
  libflac-dev libvorbis-dev libmpg123-dev
  libbenchmark-dev
  # encoders that make the OGG and MP3 test files; reference decoders of the audio benchmark
  lame vorbis-tools flac mpg123 sox
  iproute2 util-linux
)

trovina_install_deps() {
  local missing=()
  local p
  for p in "${TROVINA_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
