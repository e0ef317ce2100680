#!/usr/bin/env bash
# Builds the fuzz targets with the fuzz preset and runs each for SECONDS,
# starting from its seed corpus and what earlier runs found.
#
#   fuzz/run.sh SECONDS [TARGET...]     e.g. fuzz/run.sh 60 part_file ini_file
#
# New inputs go to build/fuzz/fuzz/corpus/TARGET, crashes to
# build/fuzz/fuzz/crashes/TARGET; the last line of each run's log
# (build/fuzz/fuzz/logs/TARGET.log) holds its speed and coverage.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=(part_file pref_met ed2k_link ini_file fake_database wine_registry)
fi

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
declare -A maxLength=([part_file]=8192 [pref_met]=4096 [ed2k_link]=1024 [ini_file]=4096
                      [fake_database]=8192)

failed=0
for target in "${targets[@]}"; do
    binary=$out/fuzz_$target
    if [[ ! -x $binary ]]; then
        echo "no fuzz target $target" >&2
        exit 2
    fi
    mkdir -p "$out/corpus/$target" "$out/crashes/$target" "$out/logs"
    dictionary=()
    if [[ -f fuzz/dictionaries/$target.dict ]]; then
        dictionary=(-dict="fuzz/dictionaries/$target.dict")
    fi
    echo "=== $target: $seconds s"
    log=$out/logs/$target.log
    if ! "$binary" -max_total_time="$seconds" -max_len="${maxLength[$target]:-4096}" \
        -print_final_stats=1 -artifact_prefix="$out/crashes/$target/" "${dictionary[@]}" \
        "$out/corpus/$target" "$out/seeds/$target" >"$log" 2>&1; then
        echo "*** $target failed; see $log and $out/crashes/$target" >&2
        tail -n 30 "$log" >&2
        failed=1
        continue
    fi
    # The last status line, then the corpus and the run's totals.
    grep -E '^#[0-9]+' "$log" | tail -n 1
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
    echo "corpus: $(find "$out/corpus/$target" -type f | wc -l) files found," \
        "$(find "$out/seeds/$target" -type f | wc -l) seeds"
done
exit $failed
