#!/usr/bin/env bash
# Builds the decoder fuzz targets with clang (libFuzzer + ASan + UBSan) and runs each for a
# bounded time on its seed corpus. FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${FUZZ_SECONDS:-20}

CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    -DVESPERINE_BUILD_FUZZ=ON -DVESPERINE_BUILD_TESTS=OFF -DVESPERINE_BUILD_BENCH=OFF \
    -DVESPERINE_BUILD_APP=OFF

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in build-fuzz/fuzz/fuzz_*; do
    name=${target##*/fuzz_}
    work=build-fuzz/corpus/$name
    mkdir -p "$work"
    echo "-- $name (${seconds}s)"
    # New inputs go to the work folder; the seeds in the repository stay as they are.
    log=build-fuzz/$name.log
    status=0
    "$target" -max_total_time="$seconds" -print_final_stats=1 "$work" "fuzz/corpus/$name" \
        >"$log" 2>&1 || status=$?
    grep -E '^stat::number_of_executed_units' "$log" || true
    if [[ $status -ne 0 ]]; then
        tail -n 60 "$log"
        exit "$status"
    fi
done
