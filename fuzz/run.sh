#!/usr/bin/env bash
# Builds the fuzz targets with the fuzz preset and runs each for SECONDS from its
# seeds and what earlier runs found:  fuzz/run.sh SECONDS [TARGET...]
# New inputs go to build/fuzz/fuzz/corpus/TARGET, crashes to .../crashes/TARGET,
# each run's log (speed and coverage at its end) to .../logs/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=fuzz/common.sh
source fuzz/common.sh

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
[[ $# -gt 0 ]] || targets=("${fuzzTargets[@]}")

buildFuzzers
failed=0
for target in "${targets[@]}"; do
    mkdir -p "$fuzzOut/corpus/$target"
    echo "=== $target: $seconds s"
    runFuzzer "$target" "$fuzzOut/logs/$target.log" -max_total_time="$seconds" \
        "$fuzzOut/corpus/$target" "$fuzzOut/seeds/$target" || failed=1
done
exit $failed
