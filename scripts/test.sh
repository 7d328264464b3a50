#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test: once in a normal build
# (with the benchmarks built, not timed, and its Debian package checked by lintian) and once
# under AddressSanitizer and UndefinedBehaviorSanitizer. Each build is configured with
# everything it needs, whatever an earlier configuration of its folder chose, and a run in
# which no test ran fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

bash scripts/deps.sh test

# Debug information as line tables only (-g1): enough for every backtrace and sanitizer
# report, and the builds take a third less time than with full debug information.
echo "== Build (RelWithDebInfo) =="
bash scripts/build.sh build -DVESPERINE_BUILD_APP=ON -DVESPERINE_BUILD_TESTS=ON \
    -DVESPERINE_BUILD_BENCH=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
echo "== Tests =="
ctest --test-dir build --output-on-failure --no-tests=error -j 2
echo "== The Debian package =="
bash scripts/package-check.sh build
echo "== Screenshots of every window =="
bash scripts/screenshots.sh build/screenshots

echo "== Build (ASan + UBSan) =="
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
    -DVESPERINE_SANITIZE=ON \
    -DVESPERINE_BUILD_APP=ON -DVESPERINE_BUILD_TESTS=ON -DVESPERINE_BUILD_BENCH=OFF
echo "== Tests under ASan + UBSan =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --no-tests=error -j 2

if [[ -x scripts/fuzz.sh ]]; then
    echo "== Fuzzing the decoders =="
    bash scripts/fuzz.sh
fi
