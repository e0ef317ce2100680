#!/usr/bin/env bash
# Sets everything up, builds, writes a sample client folder and database, and
# starts Brisquen on them. Without a display it runs on a virtual one, saves a
# screenshot and prints the check from brisquen-check.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

# The program looks for fakes.dat and Setting.ini beside its executable, so the
# sample gets a program folder of its own.
sample=build/sample
rm -rf "$sample"
build/release/bin/brisquen-fixture sample "$sample/program" "$sample/client" >/dev/null
cp build/release/bin/brisquen build/release/bin/brisquen-check "$sample/program/"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Brisquen on the sample client folder $sample/client."
  exec "$sample/program/brisquen"
fi

echo "No display found (set DISPLAY, or log in to a desktop, to see the window)."
echo "Running Brisquen on a virtual display and saving a screenshot instead."
scripts/screenshot.sh "$sample/program/brisquen" "$sample/screenshot.png"
echo "Screenshot of the main window after its check: $sample/screenshot.png"
echo
echo "The same check as text (brisquen-check scan):"
status=0
"$sample/program/brisquen-check" scan || status=$?
echo "(exit status $status: 0 no fake, 1 fakes found, 2 error, 3 nothing checked)"
echo
echo "The finished files in its incoming folder (brisquen-check incoming):"
"$sample/program/brisquen-check" incoming || true
