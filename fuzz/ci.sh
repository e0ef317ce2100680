#!/usr/bin/env bash
# CI's share of fuzzing: builds every fuzz target and runs each from its seeds
# alone, with a fixed random seed and a fixed number of inputs, so a run
# repeats the one before. A target that does not build, or an input that
# crashes one or breaks one of its properties, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=fuzz/common.sh
source fuzz/common.sh

# Inputs per target: about 10 seconds each on a 2-core machine.
declare -A runs=([amule_conf]=300000 [part_file]=850000 [part_file_walker]=2000000 [pref_met]=5000000
    [download_gaps]=200000 [file_type]=20000
    [ed2k_link]=1000000 [ini_file]=60000 [fake_database]=20000 [wine_registry]=250000
    [shown_text]=80000 [known_met]=280000 [personal_list]=12000
    [minisign_signature]=100000 [minisign_public_key]=300000)

# The values a target compares would steer the mutations, but they hold
# addresses, which change with the address space's random layout and even with
# the length of the arguments: go without them, and without the random layout
# where the system allows.
if setarch -R true 2>/dev/null; then
    fuzzLauncher=(setarch -R)
else
    echo "fuzz/ci.sh: cannot turn address-space randomization off; runs may differ" >&2
fi
buildFuzzers
failed=0
for target in "${fuzzTargets[@]}"; do
    if [[ -z ${runs[$target]:-} ]]; then
        echo "fuzz/ci.sh: no number of inputs for $target: 100000 until it has one" >&2
        runs[$target]=100000
    fi
    # New inputs go to a folder of their own, emptied first, so the seeds stay as built.
    found=$fuzzOut/ci-corpus/$target
    rm -rf "$found"
    mkdir -p "$found"
    echo "=== $target: ${runs[$target]} inputs"
    runFuzzer "$target" "$fuzzOut/logs/ci-$target.log" -seed=1 -runs="${runs[$target]}" \
        -use_cmp=0 -use_memmem=0 -reload=0 "$found" "$fuzzOut/seeds/$target" || failed=1
done
exit $failed
