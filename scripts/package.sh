#!/usr/bin/env bash
# Builds Brisquen's Debian package, build/package/brisquen_VERSION_amd64.deb,
# on Debian 12, installing what it needs first. Install it with
#   sudo apt install ./build/package/brisquen_VERSION_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package
# Debian's own hardening flags; the source folder is left out of the binaries.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake --preset package \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build --preset package
cpack --preset package >/dev/null
ls build/package/brisquen_*_amd64.deb
