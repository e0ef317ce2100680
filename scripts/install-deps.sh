#!/usr/bin/env bash
# Installs what building, testing and running Brisquen needs on Debian 12;
# with "package", also what building its Debian package and checking it need.
# Does nothing when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-httpserver-dev qt6-websockets-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  librhash-dev rhash libmagic-dev
  libsodium-dev minisign
  clang libclang-rt-14-dev
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth xdotool xclip imagemagick
)
if [ "${1:-}" = package ]; then
  # The man pages; dpkg-shlibdeps and the build flags; then the validators.
  packages+=(scdoc file dpkg-dev lintian desktop-file-utils appstream)
fi

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
