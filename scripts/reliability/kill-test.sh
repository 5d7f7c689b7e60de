#!/usr/bin/env bash
# Crash safety of the settings store: a writer stores counter-stamped best times and
# options in a loop and is killed with SIGKILL at random moments, KILLS times (default
# 1000); after every kill the store must load with every record whole and no older than
# before the kill. Then KILLS/5 rounds of two writers at once, both killed: no record may
# be a mix of the two. Everything happens in a scratch XDG_CONFIG_HOME.
#
#   scripts/reliability/kill-test.sh [KILLS] [LANES]
#
# Most of the time goes into waiting for the disk (every store write is synced), so LANES
# (default 1) independent runs can share the kills, each with its own scratch store.
#
# Runs at low priority. ZOLVA_BUILD_DIR picks the build (see common.sh).
set -euo pipefail
source "$(dirname "$0")/common.sh"

kills=${1:-1000}
lanes=${2:-1}
if (( lanes > 1 )); then
    out=$(mktemp -d "${TMPDIR:-/tmp}/zolva-kill-lanes.XXXXXX")
    started=$(date +%s)
    pids=()
    for (( lane = 1; lane <= lanes; lane++ )); do
        "$0" $(( kills / lanes )) 1 > "$out/lane$lane" 2>&1 &
        pids+=($!)
    done
    status=0
    for pid in "${pids[@]}"; do wait "$pid" || status=1; done
    for (( lane = 1; lane <= lanes; lane++ )); do
        echo "lane $lane:"; grep -v '^single writer: [0-9]* kills survived (' "$out/lane$lane" | sed 's/^/  /'
    done
    rm -rf "$out"
    echo "all lanes: $(( kills / lanes * lanes )) kills, seconds: $(( $(date +%s) - started ))"
    exit "$status"
fi
rounds=$(( kills / 5 ))
writer=$(reliability_program zolva-store-writer)
work=$(mktemp -d "${TMPDIR:-/tmp}/zolva-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
state=$work/state

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
pause() { sleep "0.0$(printf %02d $(( RANDOM % 20 )))"; }  # 0 to 19 ms

locks_left=0
steps_back=0
slowest_start=0

# start_writer INSTANCE [PAUSE_MS] -> starts a writer in the background; its pid goes to
# $pid. Two writers pause after each write, or one could starve the other of the lock file.
start_writer() {
    : > "$work/out$1"
    nice -n 10 "$writer" write "$1" "$state" "${2:-0}" > "$work/out$1" 2> "$work/err$1" &
    pid=$!
}

# wait_writing INSTANCE PID -> waits until the writer's first round is stored.
wait_writing() {
    local started
    started=$(now_ms)
    until [ -s "$work/out$1" ]; do
        if ! kill -0 "$2" 2>/dev/null; then
            echo "writer $1 ended by itself:"; cat "$work/err$1"; exit 1
        fi
        sleep 0.002
    done
    local took=$(( $(now_ms) - started ))
    (( took > slowest_start )) && slowest_start=$took
    return 0
}

kill_writer() {
    if ! kill -KILL "$1" 2>/dev/null; then
        echo "a writer ended before it was killed"; exit 1
    fi
    wait "$1" 2>/dev/null || true
}

check() {
    local verdict code=0
    verdict=$(nice -n 10 "$writer" check "$state" "$@") || code=$?
    if (( code == 1 )); then
        echo "DAMAGE after kill $kill: $verdict"; exit 1
    elif (( code != 0 )); then
        echo "the checker could not run after kill $kill (exit $code)"; exit 2
    fi
    [[ $verdict == *lock=1* ]] && locks_left=$(( locks_left + 1 ))
    [[ $verdict == *"went back"* ]] && steps_back=$(( steps_back + 1 ))
    last_verdict=$verdict
}

started=$(date +%s)
for (( kill = 1; kill <= kills; kill++ )); do
    start_writer 0
    # One kill in four lands while the writer is still starting or creating the file.
    if (( RANDOM % 4 != 0 )); then
        wait_writing 0 "$pid"
    fi
    pause
    kill_writer "$pid"
    check
    (( kill % 100 == 0 )) && echo "single writer: $kill kills survived ($last_verdict)"
done
single_locks=$locks_left
single_slowest=$slowest_start
single_verdict=$last_verdict

locks_left=0
slowest_start=0
for (( round = 1; round <= rounds; round++ )); do
    start_writer 0 20; first=$pid
    start_writer 1 20; second=$pid
    wait_writing 0 "$first"
    wait_writing 1 "$second"
    pause; kill_writer "$first"
    pause; kill_writer "$second"
    kill=$round check --concurrent
done
leftovers=$(find "$XDG_CONFIG_HOME" -type f ! -name 'Zolva Puzzle.conf' ! -name '*.lock' ! -name '*.guard' | wc -l)

echo "single writer: $kills kills survived; the last check: $single_verdict"
echo "  kills that left a lock file behind: $single_locks (each cleared by the next writer)"
echo "  slowest first round after a kill: ${single_slowest} ms"
echo "two writers: $rounds rounds of two kills survived, no record mixed"
echo "  checks that saw a record step back to an older value (lost update): $steps_back"
echo "  slowest first round with two writers: ${slowest_start} ms"
echo "temporary files left in the store's folder: $leftovers"
echo "seconds: $(( $(date +%s) - started ))"
