#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: once in a Release build, and once more
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVA_BUILD_TESTS=ON -DZOLVA_BUILD_BENCH=ON
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

if [ "${ZOLVA_SKIP_SANITIZERS:-0}" != "1" ]; then
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOLVA_SANITIZE=ON -DZOLVA_BUILD_TESTS=ON -DZOLVA_BUILD_BENCH=OFF
    cmake --build build/asan -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build/asan --output-on-failure -j "$jobs"
fi
