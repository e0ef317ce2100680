#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (the
# asan preset) and runs every test under them: a memory error, a leak or
# undefined behaviour fails the test it happens in.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
