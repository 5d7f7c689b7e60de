#!/usr/bin/env bash
# The long hostile-picture run: CASES damaged files per format (default 10000) through the
# picture path, from a fixed seed, the intact seed files first. Prints a line per format
# and exits non-zero on the first problem or crash; the crashing case is then kept.
#
#   scripts/reliability/fuzz-long.sh [CASES] [SEED]
#
# Runs at low priority. ZOLVA_BUILD_DIR picks the build (see common.sh); a sanitizer build
# (-DZOLVA_SANITIZE=ON) turns memory errors into crashes too.
set -euo pipefail
source "$(dirname "$0")/common.sh"

cases=${1:-10000}
seed=${2:-20240917}
fuzz=$(reliability_program zolva-picture-fuzz)
work=$(mktemp -d "${TMPDIR:-/tmp}/zolva-fuzz.XXXXXX")

export QT_QPA_PLATFORM=offscreen
started=$(date +%s)
status=0
# GraphicsMagick and libwmf complain about every broken file, libwmf even on stdout; only our
# report counts.
nice -n 10 "$fuzz" --cases "$cases" --seed "$seed" --work "$work" --seeds yes \
    2> "$work/decoder-noise.log" | grep --line-buffered -v -E '^(maximum )?record size = ' ||
    status=$?
echo "seconds: $(( $(date +%s) - started ))"

if [ "$status" -ne 0 ]; then
    if [ "$status" -gt 1 ]; then
        echo "CRASH (exit $status) on:"
        cat "$work/current.txt"
        tail -n 30 "$work/decoder-noise.log"
    fi
    echo "case kept in $work (case.img, current.txt); replay it with"
    echo "  $fuzz --work /tmp/replay $(head -n 1 "$work/current.txt")"
    exit 1
fi
rm -rf "$work"
