#!/usr/bin/env bash
# Builds the fuzz targets with the fuzz preset and runs each for SECONDS from its
# seeds and what earlier runs found:  fuzz/run.sh SECONDS [TARGET...]
# New inputs go to build/fuzz/fuzz/corpus/TARGET, crashes to .../crashes/TARGET,
# each run's log (speed and coverage at its end) to .../logs/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
[[ $# -gt 0 ]] || targets=(part_file part_file_walker pref_met ed2k_link ini_file fake_database wine_registry)

scripts/install-deps.sh
if ! command -v clang++ >/dev/null ||
    ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
    echo "The fuzz targets need clang and its libFuzzer:" \
        "apt-get install clang libclang-rt-14-dev" >&2
    exit 2
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

out=build/fuzz/fuzz
# Inputs larger than the client's real files add time, not coverage; the
# database needs more than one 2 KiB read block to reach the load's sizing.
declare -A maxLength=([part_file]=8192 [part_file_walker]=8192 [fake_database]=8192 [ed2k_link]=1024)
failed=0
for target in "${targets[@]}"; do
    log=$out/logs/$target.log
    mkdir -p "$out/corpus/$target" "$out/crashes/$target" "$out/logs"
    echo "=== $target: $seconds s"
    if ! "$out/fuzz_$target" -max_total_time="$seconds" -max_len="${maxLength[$target]:-4096}" \
        -print_final_stats=1 -artifact_prefix="$out/crashes/$target/" \
        -dict="fuzz/dictionaries/$target.dict" "$out/corpus/$target" "$out/seeds/$target" \
        >"$log" 2>&1; then
        echo "*** $target failed; see $log and $out/crashes/$target" >&2
        tail -n 30 "$log" >&2
        failed=1
        continue
    fi
    grep -E '^#[0-9]+' "$log" | tail -n 1
done
exit $failed
