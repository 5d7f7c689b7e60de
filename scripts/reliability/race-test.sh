#!/usr/bin/env bash
# Racing games: three games keep beating the best times they read, each offering a time just
# better than the one it last saw, and all three are killed with SIGKILL at random moments,
# ROUNDS times (default 300). After every round the store must hold, for every level, a
# record at least as good as every one it acknowledged, and only records a game offered;
# no store file may have been set aside as damaged. Everything happens in a scratch
# XDG_CONFIG_HOME.
#
#   scripts/reliability/race-test.sh [ROUNDS]
#
# Runs at low priority. ZOLVA_BUILD_DIR picks the build (see common.sh).
set -euo pipefail
source "$(dirname "$0")/common.sh"

rounds=${1:-300}
writer=$(reliability_program zolva-store-writer)
work=$(mktemp -d "${TMPDIR:-/tmp}/zolva-race.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

pause() { sleep "0.$(printf %03d $(( RANDOM % 100 )))"; }  # 0 to 99 ms

started=$(date +%s)
for (( round = 1; round <= rounds; round++ )); do
    pids=()
    for racer in 0 1 2; do
        : > "$work/out$racer"
        nice -n 10 "$writer" race "$racer" "$work/log$racer" > "$work/out$racer" 2> "$work/err$racer" &
        pids+=($!)
    done
    # Most kills land once every racer is at work, some while they are still starting.
    if (( RANDOM % 4 != 0 )); then
        for racer in 0 1 2; do
            until [ -s "$work/out$racer" ]; do
                if ! kill -0 "${pids[$racer]}" 2>/dev/null; then
                    echo "racer $racer ended by itself:"; cat "$work/err$racer"; exit 1
                fi
                sleep 0.002
            done
        done
    fi
    for pid in "${pids[@]}"; do
        pause
        kill -KILL "$pid" 2>/dev/null || { echo "a racer ended before it was killed"; exit 1; }
        wait "$pid" 2>/dev/null || true
    done
    code=0
    verdict=$(nice -n 10 "$writer" judge "$work"/log0 "$work"/log1 "$work"/log2) || code=$?
    if (( code != 0 )); then
        echo "round $round: $verdict"; exit 1
    fi
    (( round % 50 == 0 )) && echo "$round rounds survived ($verdict)"
done
echo "three racing games: $rounds rounds of three kills; last verdict: $verdict"
echo "temporary files left in the store's folder: $(find "$XDG_CONFIG_HOME" -type f -name '*.new-*' | wc -l)"
echo "seconds: $(( $(date +%s) - started ))"
