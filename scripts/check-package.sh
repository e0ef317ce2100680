#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: the desktop
# entry, the AppStream data and the package itself must validate without
# errors, and an install into a scratch root lists every file it brings.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/package.sh
deb=$(ls -t build/package/brisquen_*_amd64.deb | head -n 1)
stage=build/package/stage
rm -rf "$stage"
DESTDIR="$PWD/$stage" cmake --install build/package >/dev/null

echo "Files the package installs (from a scratch root, DESTDIR=$stage):"
(cd "$stage" && find . -not -type d | sort)

echo "desktop-file-validate:"
desktop-file-validate "$stage"/usr/share/applications/*.desktop
echo "appstreamcli validate --no-net:"
appstreamcli validate --no-net "$stage"/usr/share/metainfo/*.metainfo.xml
echo "lintian $deb:"
lintian --fail-on error "$deb"

# The installed programs answer before they need a display or any file.
"$stage/usr/bin/brisquen" --version
"$stage/usr/bin/brisquen-check" --version
"$stage/usr/bin/brisquen-check" --help >/dev/null
echo "Package checks passed: $deb"
