#!/usr/bin/env bash
# Leak check: valgrind memcheck over two scripted headless sessions, a soak of random play
# (EVENTS, default 3000) and the loading of every picture format, intact and damaged
# (CASES per format, default 25). Fails on any memory error and on any definite or indirect
# leak; what Qt, fontconfig and GraphicsMagick allocate once per process and keep for its
# whole life is suppressed by valgrind.supp (see docs/reliability.md).
#
#   scripts/reliability/valgrind.sh [EVENTS] [CASES]
#
# Needs a build without sanitizers. ZOLVA_BUILD_DIR picks it (see common.sh).
set -euo pipefail
source "$(dirname "$0")/common.sh"

events=${1:-3000}
cases=${2:-25}
soak=$(reliability_program zolva-soak)
fuzz=$(reliability_program zolva-picture-fuzz)
here=$(cd "$(dirname "$0")" && pwd)
logs=$(mktemp -d "${TMPDIR:-/tmp}/zolva-valgrind.XXXXXX")

# libhwy executes an instruction valgrind 3.19 cannot run while it loads; see the file.
c++ -shared -fPIC -O2 -o "$logs/hwy-timer.so" "$here/valgrind-hwy-timer.cpp"

export QT_QPA_PLATFORM=offscreen
memcheck() {
    local name=$1; shift
    if LD_PRELOAD="$logs/hwy-timer.so" nice -n 10 valgrind --tool=memcheck --leak-check=full \
        --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
        --error-exitcode=99 --suppressions="$here/valgrind.supp" --gen-suppressions=all \
        --log-file="$logs/$name.log" "$@" > "$logs/$name.out" 2>&1; then
        echo "$name: no memory errors, no definite or indirect leaks"
        grep -E 'definitely lost|indirectly lost|ERROR SUMMARY|suppressed:' "$logs/$name.log" | sed 's/^==[0-9]*== /  /'
    else
        echo "$name: FAILED (log: $logs/$name.log)"
        grep -E 'definitely lost|indirectly lost|ERROR SUMMARY' "$logs/$name.log" | sed 's/^==[0-9]*== /  /'
        return 1
    fi
}

status=0
memcheck soak "$soak" "$events" 4242 || status=1
memcheck pictures "$fuzz" --cases "$cases" --seeds yes || status=1
[ "$status" -eq 0 ] && rm -rf "$logs"
exit "$status"
