#!/usr/bin/env bash
# The command line of the real program, on a terminal with no display at all: help and
# version answer on standard output with code 0, mistakes get a usage line on standard
# error and code 2, and none of them opens a window. Usage: command_line_test.sh <binary>
set -uo pipefail

APP=${1:?usage: command_line_test.sh <zolva-puzzle binary>}
OUT=$(mktemp) ERR=$(mktemp)
trap 'rm -f "$OUT" "$ERR"' EXIT
failures=0

# expect CODE STDOUT-PATTERN STDERR-PATTERN ARGUMENTS...: an empty pattern means no output.
expect() {
    local code=$1 out=$2 err=$3
    shift 3
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$APP" "$@" >"$OUT" 2>"$ERR" </dev/null
    local got=$?
    local ok=1
    [ "$got" -eq "$code" ] || ok=0
    if [ -n "$out" ]; then grep -Eq "$out" "$OUT" || ok=0; else [ ! -s "$OUT" ] || ok=0; fi
    if [ -n "$err" ]; then grep -Eq "$err" "$ERR" || ok=0; else [ ! -s "$ERR" ] || ok=0; fi
    if [ "$ok" -eq 0 ]; then
        echo "FAIL: zolva-puzzle $* -> code $got" >&2
        sed 's/^/  stdout: /' "$OUT" >&2
        sed 's/^/  stderr: /' "$ERR" >&2
        failures=$((failures + 1))
    fi
}

usage='^Usage: zolva-puzzle \[options\] \[picture\]'
expect 0 '^Zolva Puzzle [0-9]+\.[0-9]+\.[0-9]+$' '' --version
expect 0 '^Zolva Puzzle [0-9]+\.[0-9]+\.[0-9]+$' '' -platform offscreen -v
expect 0 '^  picture ' '' --help
expect 0 '^  -v, --version ' '' -h photo.png
expect 2 '' "Unknown option 'fullscreen'" --fullscreen photo.png
expect 2 '' "$usage" -x
expect 2 '' 'Only one picture' one.png two.png
expect 2 '' "$usage" one.png two.png

[ "$failures" -eq 0 ] && echo PASS
exit $((failures > 0))
