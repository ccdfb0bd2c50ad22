#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tockwell need.
# Only missing packages are installed; as a normal user the command to run is printed.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config
  # libraries
  libpugixml-dev libcurl4-openssl-dev qt6-base-dev qt6-multimedia-dev libgl-dev
  # the global hot key on X11; keyboard maps, which Qt's CMake files look for
  libxcb1-dev x11proto-dev libxkbcommon-dev
  # sound back end (WAV and MP3 decoders for Qt Multimedia's GStreamer plugin)
  gstreamer1.0-plugins-good gstreamer1.0-libav
  # fonts the windows and their render tests use
  fonts-dejavu-core fonts-wine
  # tests, benchmarks and fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libxml2-utils
  xvfb xauth xdotool x11-utils openbox python3 python3-aiosmtpd python3-dateutil p7zip-full zip unzip
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Tockwell needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
