# Shared by the reliability scripts: finds (and if needed builds) one of the reliability
# programs in a build directory of the caller's choice.
#
# ZOLVA_BUILD_DIR picks the build directory (default: build/release, the test command's);
# it is configured and built here when the program is missing.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir=${ZOLVA_BUILD_DIR:-$repo_root/build/release}

# reliability_program NAME -> prints the path of tests/reliability/NAME, building it first.
reliability_program() {
    local program=$build_dir/tests/reliability/$1
    if [ ! -x "$program" ]; then
        if [ ! -f "$build_dir/build.ninja" ]; then
            cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
                -DZOLVA_BUILD_BENCH=OFF >&2
        fi
        cmake --build "$build_dir" --target "$1" >&2
    fi
    echo "$program"
}
