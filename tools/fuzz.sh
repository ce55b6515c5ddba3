#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for SECONDS (default 30), two at a time.
# New inputs go to build/fuzz/corpus/<target>; the seeds in fuzz/corpus/<target> are never changed.
# Logs: build/fuzz/<target>.log (the last "#... cov:" line gives executions and coverage).
# Usage: tools/fuzz.sh [SECONDS] [TARGET...]   (FUZZ_UNIT_TIMEOUT: seconds one input may take, default 60)
set -euo pipefail
all=(fuzz_codec fuzz_bank fuzz_smf fuzz_packed fuzz_notes fuzz_extprog)
usage() { echo "usage: tools/fuzz.sh [SECONDS] [TARGET...]   (targets: ${all[*]})" >&2; exit 2; }
seconds=30
if [ $# -gt 0 ]; then
    [[ $1 =~ ^[0-9]+$ ]] || usage
    seconds=$1
    shift
fi
for target in "$@"; do [[ " ${all[*]} " == *" $target "* ]] || usage; done
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
cd "$(dirname "$0")/.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target "${targets[@]}"

run() {
    local target=$1 work=build/fuzz/corpus/$1
    mkdir -p "$work" build/fuzz/crashes
    if ! build/fuzz/fuzz/"$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build/fuzz/crashes/"$target"- -timeout="${FUZZ_UNIT_TIMEOUT:-60}" >"build/fuzz/$target.log" 2>&1; then
        echo "$target: FAILED (see build/fuzz/$target.log)"
        return 1
    fi
    echo "$target: $(grep -E '^#[0-9]+' "build/fuzz/$target.log" | tail -1)"
}

status=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
    pids=()
    for target in "${targets[@]:i:2}"; do
        run "$target" &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" || status=1; done
done
exit $status
