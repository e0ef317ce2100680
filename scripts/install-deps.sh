#!/usr/bin/env bash
# Installs what building, testing and running Brisquen needs on Debian 12.
# Does nothing when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-httpserver-dev qt6-websockets-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  librhash-dev rhash
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth xdotool xclip imagemagick
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
