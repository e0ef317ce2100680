#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds with warnings as
# errors and runs every test, then the same under the sanitizers (the session
# and window tests under ThreadSanitizer too), then every
# fuzz target for a fixed number of inputs, then builds and checks the Debian
# package.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci
# Then every test again under AddressSanitizer and UndefinedBehaviorSanitizer.
scripts/run-sanitized-tests.sh
# Then the session and window tests under ThreadSanitizer.
scripts/run-tsan-tests.sh
# Then every fuzz target, briefly and the same way each time.
fuzz/ci.sh
# Then the Debian package, through the checks a distribution makes.
scripts/check-package.sh
