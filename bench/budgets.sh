#!/usr/bin/env bash
# Runs the in-process benchmarks and checks the performance budgets as ratios measured in
# the same run, so a busy or slow machine moves both sides of each ratio together. The
# solver's time budgets are plain CPU times (medians over the repetitions of per-board
# means, percentiles and maxima) and do move with load; its plan lengths do not.
#
#   bench/budgets.sh [BUILD_DIR] [REPETITIONS]
#
# BUILD_DIR defaults to build-bench (configure it with -DZOLVA_BUILD_BENCH=ON, Release).
# Prints the median CPU time of every benchmark over the repetitions (the repetitions of
# different benchmarks are interleaved at random), then each budget with its ratio and
# verdict. Exit status 1 when a budget is missed. Needs jq.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
reps=${2:-9}
board="$build/bench/zolva_board_bench"
picture="$build/bench/zolva_picture_bench"
solver="$build/bench/zolva_solver_bench"
view="$build/bench/zolva_view_bench"

for tool in jq "$board" "$picture" "$solver" "$view"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "missing: $tool (install jq; build the zolva_*_bench targets in $build)" >&2
        exit 2
    fi
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

run() {
    QT_QPA_PLATFORM=offscreen "$1" --benchmark_repetitions="$reps" \
        --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
        --benchmark_format=json --benchmark_out_format=json --benchmark_out="$2" >/dev/null 2>&1
}
run "$board" "$out/board.json"
run "$picture" "$out/picture.json"
run "$view" "$out/view.json"
# Each repetition of the solver's benchmarks builds the 4x4 and 5x5 tables afresh, times
# 100 hints for each kind of empty home and plans every board set.
run "$solver" "$out/solver.json"

# Median CPU time in nanoseconds, or a median counter, of one benchmark.
median() {
    jq -r --arg name "$2" --arg field "${3:-cpu_time}" '
        .benchmarks[]
        | select(.run_name == $name and .aggregate_name == "median")
        | (if $field == "cpu_time" or $field == "real_time" then
               .[$field] * ({"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[.time_unit])
           else .[$field] end)' "$1"
}

echo "Medians of $reps repetitions, CPU time:"
jq -r '.benchmarks[] | select(.aggregate_name == "median")
       | "  \(.run_name)\t\(.cpu_time | . * 1000 | round / 1000) \(.time_unit)"' \
    "$out/board.json" "$out/picture.json" "$out/view.json" "$out/solver.json" |
    column -t -s $'\t'

failed=0
# check LABEL VALUE LIMIT: the budget holds when VALUE <= LIMIT.
check() {
    local verdict=met
    if ! awk -v v="$2" -v l="$3" 'BEGIN { exit !(v <= l) }'; then
        verdict=MISSED
        failed=1
    fi
    printf '  %-58s %10.4f  (limit %s)  %s\n' "$1" "$2" "$3" "$verdict"
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", a / b }'
}

echo
echo "Budgets:"
for layout in builtin_4x4 png2000_10x10; do
    px=$(median "$out/board.json" "BM_SlideAndDraw/$layout" px_first_move)
    cells=$(median "$out/board.json" "BM_SlideAndDraw/$layout" px_two_cells)
    printf '  pixels per one-tile move, %-14s %8.0f px, two cells with strips %8.0f px\n' \
        "$layout:" "$px" "$cells"
    check "  pixels written / two cells ($layout)" "$(ratio "$px" "$cells")" 1
done

move=$(median "$out/board.json" "BM_SlideAndDraw/png2000_10x10")
full=$(median "$out/board.json" "BM_FullRedraw/png2000_10x10")
check "move + draw / full redraw (10x10 over 2000x2000)" "$(ratio "$move" "$full")" 0.025
move4=$(median "$out/board.json" "BM_SlideAndDraw/builtin_4x4")
full4=$(median "$out/board.json" "BM_FullRedraw/builtin_4x4")
printf '  %-58s %10.4f  (no budget)\n' "move + draw / full redraw (4x4 built-in)" \
    "$(ratio "$move4" "$full4")"

# A glide's frames repaint only the moving tiles: the largest frame of a glide of the
# longest run against the draw of that slide, whatever the board and the picture.
for layout in builtin_4x4 png2000_10x10; do
    check "largest glide frame / its slide's draw, pixels ($layout)" \
        "$(ratio "$(median "$out/view.json" "BM_GlideFrame/$layout" px_frame_max)" \
            "$(median "$out/view.json" "BM_GlideFrame/$layout" px_slide_draw)")" 2
    printf '  %-58s %10.4f  (no budget)\n' "glide frame / longest slide and draw, time ($layout)" \
        "$(ratio "$(median "$out/view.json" "BM_GlideFrame/$layout")" \
            "$(median "$out/view.json" "BM_LongestSlideAndDraw/$layout")")"
done
# A move at 200% repaints the same area zoomed, four times the pixels, not the window.
check "move at 200% / move at 100%, pixels repainted" \
    "$(ratio "$(median "$out/view.json" BM_MoveAtZoom/200 px_per_move)" \
        "$(median "$out/view.json" BM_MoveAtZoom/100 px_per_move)")" 4
check "largest move at 200% / whole window at 200%, pixels" \
    "$(ratio "$(median "$out/view.json" BM_MoveAtZoom/200 px_move_max)" \
        "$(median "$out/view.json" BM_MoveAtZoom/200 px_window)")" 0.5
printf '  %-58s %10.4f  (no budget)\n' "move at 200% / move at 100%, time" \
    "$(ratio "$(median "$out/view.json" BM_MoveAtZoom/200)" \
        "$(median "$out/view.json" BM_MoveAtZoom/100)")"

# Picture files are decoded in a child process, so these compare times on the wall.
decode=$(median "$out/picture.json" BM_PlainDecode/real_time real_time)
for name in BM_ReplaceImage BM_ChangePicture; do
    check "$name / plain decode (6000x4000 JPEG, wall)" \
        "$(ratio "$(median "$out/picture.json" "$name/real_time" real_time)" "$decode")" 1.3
done
for name in BM_NewPictureFromFile BM_ChangePictureNumbersOn BM_ChangePictureFitted; do
    printf '  %-58s %10.4f  (no budget)\n' "$name / plain decode" \
        "$(ratio "$(median "$out/picture.json" "$name/real_time" real_time)" "$decode")"
done

printf '  %-58s %10.4f  (no budget)\n' "BM_ChangePictureFitted / plain scaled decode" \
    "$(ratio "$(median "$out/picture.json" BM_ChangePictureFitted/real_time real_time)" \
        "$(median "$out/picture.json" BM_PlainScaledDecode/real_time real_time)")"
round_trip_ms=$(awk -v n="$(median "$out/picture.json" BM_DecoderRoundTrip/real_time real_time)" \
    'BEGIN { printf "%.2f", n / 1e6 }')
check "decoder round trip for a 1x1 PNG, wall ms" "$round_trip_ms" 25
check "decoders started for the built-in pictures" \
    "$(median "$out/picture.json" BM_BuiltInPictures decoders_started)" 0
check "game's peak MB above idle while a hostile PNG is refused" \
    "$(median "$out/picture.json" BM_RefuseHostilePng/iterations:1/real_time peak_mb_above_idle)" 100

# The solver's figures: medians over the repetitions of each board set's own counters.
ms() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1e6 }'; }
check "4x4 tables built, wall ms" "$(ms "$(median "$out/solver.json" BM_BuildTables/iterations:1 real_time)")" 4000
check "4x4 tables read back from the cache, ms" "$(ms "$(median "$out/solver.json" BM_LoadTables)")" 100
check "4x4 tables in memory, MB" "$(median "$out/solver.json" BM_Hint4x4/15/iterations:1 table_mb)" 32
# The 5x5 tables are built in the background and never waited for; the first plan of a
# larger board does wait for them to be read back.
printf '  %-58s %10.1f  (no budget)\n' "5x5 tables built on two threads, wall ms" \
    "$(ms "$(median "$out/solver.json" BM_BuildFiveByFiveTables/iterations:1/real_time real_time)")"
check "5x5 tables read back from the cache, ms" \
    "$(ms "$(median "$out/solver.json" BM_LoadFiveByFiveTables)")" 100
check "4x4 and 5x5 tables in memory together, MB" \
    "$(awk -v a="$(median "$out/solver.json" BM_Hint4x4/15/iterations:1 table_mb)" \
        -v b="$(median "$out/solver.json" BM_BuildFiveByFiveTables/iterations:1/real_time table_mb)" \
        'BEGIN { print a + b }')" 64
for home in 15 13 5; do
    run="BM_Hint4x4/$home/iterations:1"
    check "optimal 4x4 hint, empty home $home: mean ms of 100 boards" \
        "$(median "$out/solver.json" "$run" mean_ms)" 10
    check "optimal 4x4 hint, empty home $home: 99th percentile ms" \
        "$(median "$out/solver.json" "$run" p99_ms)" 100
done
# Plan length against the Manhattan distance plus linear conflicts, and the slowest plan.
for size in 5/5/100 6/6/50 8/8/30 10/10/30 7/4/30 3/9/30 10/6/30; do
    run="BM_PlanLarge/$size/iterations:1"
    ratio_limit=2.0 ms_limit=250
    if [ "$size" = 5/5/100 ]; then
        ratio_limit=1.6 ms_limit=1000
    fi
    check "plan / lower bound, ${size%/*} boards (mean)" \
        "$(median "$out/solver.json" "$run" ratio)" "$ratio_limit"
    check "slowest plan, ${size%/*} boards, ms" "$(median "$out/solver.json" "$run" max_ms)" \
        "$ms_limit"
done

exit "$failed"
