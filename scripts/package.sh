#!/usr/bin/env bash
# Builds the Debian package of the game in build/package and checks it with lintian.
# Prints the path of the package; install it with `sudo apt install ./<that path>`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh

build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DZOLVA_BUILD_TESTS=OFF -DZOLVA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
rm -f "$build"/zolva-puzzle_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/zolva-puzzle_*.deb)
# Errors fail; anything else lintian says is shown.
lintian --fail-on error "$package" >&2 || {
    echo "lintian found errors in $package" >&2
    exit 1
}
echo "$package"
