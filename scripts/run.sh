#!/usr/bin/env bash
# Sets everything up, builds, writes a sample client folder and database, and
# runs the check over it.
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
cp build/release/bin/brisquen-check "$sample/program/"

echo "Checking the sample client folder $sample/client against $sample/program/fakes.dat:"
echo
status=0
"$sample/program/brisquen-check" scan || status=$?
echo
echo "brisquen-check exited with $status (0: no fake, 1: fakes found, 2: error)."
