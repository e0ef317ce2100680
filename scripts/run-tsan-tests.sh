#!/usr/bin/env bash
# Builds the session and window tests with ThreadSanitizer (the tsan preset)
# and runs them: a race between the window's thread and the jobs' or the
# hashing thread fails the test it happens in. Debian's Qt is not built with
# ThreadSanitizer; tests/sanitizers/tsan.supp says what of it is left unseen.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
