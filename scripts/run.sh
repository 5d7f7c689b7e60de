#!/usr/bin/env bash
# Sets up, builds a Release build and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVA_BUILD_TESTS=OFF -DZOLVA_BUILD_BENCH=OFF
cmake --build build/release --target zolva-puzzle
exec build/release/app/zolva-puzzle "$@"
