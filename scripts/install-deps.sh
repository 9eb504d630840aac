#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only what is missing is installed; nothing happens when all are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools
  qtmultimedia5-dev libqt5multimedia5-plugins libqt5svg5-dev libqt5sql5-sqlite libsqlite3-dev
  # Voicemail playback through Qt Multimedia: GStreamer's WAV parser, converters and sinks.
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa gstreamer1.0-pulseaudio
  libzip-dev zlib1g-dev libssl-dev openssl zip unzip gzip
  libgtest-dev libbenchmark-dev
  xvfb xauth fonts-roboto-unhinted
  binutils libc-bin clang-format
  libre-dev librem-dev libspeexdsp-dev libspandsp-dev
  baresip-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
