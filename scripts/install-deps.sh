#!/usr/bin/env bash
# Installs, through apt, whatever the build and the tests need and this machine lacks.
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest libbenchmark-dev  # native build, tests, benchmark
  mingw-w64                                          # Windows cross build (x86_64 and i686)
  wine wine64 xvfb fonts-wqy-microhei                # running the exe and its tests under Wine
  imagemagick zbar-tools                             # screenshots, reading the QR code back
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
