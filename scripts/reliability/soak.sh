#!/usr/bin/env bash
# The long soak: EVENTS random events (default one million) against a headless game
# screen, every invariant checked after every event.
#
#   scripts/reliability/soak.sh [EVENTS] [SEED]
#
# Runs at low priority. ZOLVA_BUILD_DIR picks the build (see common.sh).
set -euo pipefail
source "$(dirname "$0")/common.sh"

soak=$(reliability_program zolva-soak)
started=$(date +%s)
QT_QPA_PLATFORM=offscreen nice -n 10 "$soak" "${1:-1000000}" "${2:-4242}"
echo "seconds: $(( $(date +%s) - started ))"
