# shellcheck shell=bash disable=SC2034  # its variables are for the scripts that source it
# Shared by fuzz/run.sh and fuzz/ci.sh, sourced from the project's root: the
# targets, how to build them, and how to run one.

# Every target fuzz/CMakeLists.txt adds, so a new one is run without more ado.
mapfile -t fuzzTargets < <(sed -n 's/^brisquen_add_fuzzer(\([a-z_0-9]*\) .*/\1/p' fuzz/CMakeLists.txt)
fuzzOut=build/fuzz/fuzz
# A command before each target's, e.g. (setarch -R); none by default.
fuzzLauncher=()
# Inputs larger than the client's real files add time, not coverage; the
# database needs more than one 2 KiB read block to reach the load's sizing.
declare -A fuzzMaxLength=([part_file]=8192 [part_file_walker]=8192 [download_gaps]=8192
    [file_type]=8192 [fake_database]=8192 [ed2k_link]=1024 [known_met]=8192)

# Installs what the build needs and builds every target with the fuzz preset.
buildFuzzers() {
    scripts/install-deps.sh
    if ! command -v clang++ >/dev/null ||
        ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
        echo "The fuzz targets need clang and its libFuzzer:" \
            "apt-get install clang libclang-rt-14-dev" >&2
        exit 2
    fi
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
}

# runFuzzer TARGET LOG ARGUMENT...: runs fuzz_TARGET with its dictionary and
# input limit and the libFuzzer ARGUMENTs (options, then corpus folders), its
# output into LOG and a crashing input into $fuzzOut/crashes/TARGET/. Prints
# the last line of statistics, or on failure the log's end, and fails.
runFuzzer() {
    local target=$1 log=$2
    shift 2
    mkdir -p "$fuzzOut/crashes/$target" "$(dirname "$log")"
    if ! "${fuzzLauncher[@]}" "$fuzzOut/fuzz_$target" -max_len="${fuzzMaxLength[$target]:-4096}" \
        -print_final_stats=1 -artifact_prefix="$fuzzOut/crashes/$target/" \
        -dict="fuzz/dictionaries/$target.dict" "$@" >"$log" 2>&1; then
        echo "*** $target failed; see $log and $fuzzOut/crashes/$target" >&2
        tail -n 30 "$log" >&2
        return 1
    fi
    grep -E '^#[0-9]+' "$log" | tail -n 1
}
