#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libexiv2-dev exiv2
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev libfuzzer-14-dev
  qt6-svg-dev libqt6svg6 desktop-file-utils appstream
  xvfb xdotool imagemagick python3 parallel)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
