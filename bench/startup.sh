#!/usr/bin/env bash
# Start-up against two peers and against the floor of our toolkit: time until the first
# window is mapped, and resident memory about a second later, for Zolva Puzzle, a bare Qt
# Widgets window with a menu bar (bench/bare_window.cpp), sgt-puzzles' Fifteen and GNOME
# Taquin, each started RUNS times in turn (after one unrecorded warm-up run each) on a
# private Xvfb display with an empty configuration directory. Prints medians, our ratios
# to the bare window and our ratios to Fifteen.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR defaults to build-bench and must hold app/zolva-puzzle and
# bench/zolva_bare_window. Peers that are not
# installed are skipped (Debian: apt-get install sgt-puzzles gnome-taquin). More programs
# can be compared with ZOLVA_STARTUP_ALSO="label=/path/to/binary ..." (no spaces in
# paths). Needs xvfb-run and xdotool. Every wait is bounded: a program that shows no
# window within STARTUP_TIMEOUT seconds (default 20) is killed and counted as failed.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${2:-7}
limit=${STARTUP_TIMEOUT:-20}

if [ -z "${ZOLVA_STARTUP_ON_XVFB:-}" ]; then
    for tool in xvfb-run xdotool; do
        command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
    done
    # The whole run is bounded too: every start may take the full limit plus the second
    # of settling and the kill.
    total=$(((runs + 1) * 5 * (limit + 5) + 30))
    exec env ZOLVA_STARTUP_ON_XVFB=1 timeout --kill-after=10 "$total" \
        xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

first_found() {
    local candidate
    for candidate in "$@"; do
        if [ -x "$candidate" ]; then
            echo "$candidate"
            return
        fi
        if command -v "$candidate" >/dev/null 2>&1; then
            command -v "$candidate"
            return
        fi
    done
}

labels=()
binaries=()
pictures=()
add_program() {
    if [ -n "$2" ]; then
        labels+=("$1")
        binaries+=("$2")
        pictures+=("${3:-}")
    else
        echo "not installed, skipped: $1"
    fi
}
zolva="$build/app/zolva-puzzle"
[ -x "$zolva" ] || { echo "not built: $zolva" >&2; exit 2; }
add_program zolva-puzzle "$(realpath "$zolva")"
bare="$build/bench/zolva_bare_window"
[ -x "$bare" ] || { echo "not built: $bare" >&2; exit 2; }
add_program bare-window "$(realpath "$bare")"
# The same game with a 12-megapixel camera photo as its stored picture: read back from the
# pixels the game keeps in its cache folder (each program has a cache folder of its own for
# all its starts, and the warm-up start fills it, as choosing the picture does), and, as
# "-cold", decoded in the decoder process at every start (a fresh cache folder each time).
photo_dir=$(mktemp -d)
photo="$photo_dir/photo-4000x3000.jpg"
if "$build/bench/zolva_bench_photo" "$photo" 4000 3000; then
    add_program zolva-12mp "$(realpath "$zolva")" "$photo"
    add_program zolva-12mp-cold "$(realpath "$zolva")" "$photo"
else
    echo "cannot write the 12-megapixel photo (build zolva_bench_photo), skipped: zolva-12mp"
fi
add_program sgt-fifteen "$(first_found /usr/games/sgt-fifteen /usr/games/fifteen sgt-fifteen fifteen)"
add_program gnome-taquin "$(first_found /usr/games/gnome-taquin gnome-taquin)"
for extra in ${ZOLVA_STARTUP_ALSO:-}; do
    add_program "${extra%%=*}" "${extra#*=}"
done

now_us() {
    echo "${EPOCHREALTIME/./}"
}

stop() {
    kill -TERM "$1" 2>/dev/null || true
    for _ in $(seq 30); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# CPU time the process has run so far, all threads, in milliseconds.
cpu_ms() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%d", ns / 1e6}'
}

# Prints "ms-to-window rss-kB rss-anon-kB rss-file-kB cpu-ms-to-window", or "failed".
measure() {
    local binary=$1 picture=$2 label=$3 config cache pid start mapped=0 elapsed cpu=0
    config=$(mktemp -d)
    cache="$photo_dir/cache-$label"
    if [ "${label%-cold}" != "$label" ]; then
        rm -rf "$cache"
    fi
    mkdir -p "$cache"
    if [ -n "$picture" ]; then
        mkdir -p "$config/Zolva Games"
        printf '[General]\ndefaultPicture=0\npicturePath=%s\n' "$picture" \
            >"$config/Zolva Games/Zolva Puzzle.conf"
    fi
    start=$(now_us)
    XDG_CONFIG_HOME="$config" XDG_CACHE_HOME="$cache" "$binary" >/dev/null 2>&1 &
    pid=$!
    # Polled rather than with search --sync, which only looks twice a second.
    while kill -0 "$pid" 2>/dev/null; do
        if xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then
            cpu=$(cpu_ms "$pid")
            mapped=1
            break
        fi
        if [ $(($(now_us) - start)) -gt $((limit * 1000000)) ]; then
            break
        fi
        sleep 0.005
    done
    elapsed=$((($(now_us) - start) / 1000))
    if [ "$mapped" = 1 ]; then
        sleep 1
        awk -v ms="$elapsed" -v cpu="$cpu" '/^VmRSS:/ {r = $2} /^RssAnon:/ {a = $2}
            /^RssFile:/ {f = $2} END {print ms, r, a, f, cpu}' "/proc/$pid/status"
    else
        echo failed
    fi
    stop "$pid"
    rm -rf "$config"
}

median() {
    sort -n | awk '{v[NR] = $1} END {
        if (NR == 0) { print "nan"; exit }
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

results=$(mktemp)
trap 'rm -rf "$results" "$photo_dir"' EXIT
for round in $(seq 0 "$runs"); do
    for i in "${!labels[@]}"; do
        line=$(measure "${binaries[$i]}" "${pictures[$i]}" "${labels[$i]}")
        # Round 0 warms the page cache and the font cache; it is not recorded.
        if [ "$round" -gt 0 ]; then
            echo "${labels[$i]} $line" >>"$results"
        fi
    done
done

echo "Medians of $runs starts each (Xvfb 1280x1024x24, empty XDG_CONFIG_HOME):"
printf '  %-16s %10s %10s %10s %10s %10s %7s\n' program window-ms VmRSS-kB RssAnon RssFile \
    cpu-ms failed
declare -A time_of rss_of cpu_of
for label in "${labels[@]}"; do
    ok=$(awk -v l="$label" '$1 == l && $2 != "failed"' "$results")
    failed=$(awk -v l="$label" '$1 == l && $2 == "failed"' "$results" | wc -l)
    t=$(echo "$ok" | awk 'NF {print $2}' | median)
    r=$(echo "$ok" | awk 'NF {print $3}' | median)
    a=$(echo "$ok" | awk 'NF {print $4}' | median)
    f=$(echo "$ok" | awk 'NF {print $5}' | median)
    c=$(echo "$ok" | awk 'NF {print $6}' | median)
    time_of[$label]=$t
    cpu_of[$label]=$c
    rss_of[$label]=$r
    printf '  %-16s %10s %10s %10s %10s %10s %7s\n' "$label" "$t" "$r" "$a" "$f" "$c" "$failed"
done

verdict() {
    awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l) ? "met" : "MISSED" }'
}
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'
}
if [ "${time_of[bare-window]}" != nan ] && [ "${time_of[zolva-puzzle]}" != nan ]; then
    tr=$(ratio "${time_of[zolva-puzzle]}" "${time_of[bare-window]}")
    echo "Ratios to the bare Qt Widgets window:"
    echo "  zolva-puzzle  time to window $tr (budget 1.15: $(verdict "$tr" 1.15))," \
        "CPU to window $(ratio "${cpu_of[zolva-puzzle]}" "${cpu_of[bare-window]}")," \
        "resident memory $(ratio "${rss_of[zolva-puzzle]}" "${rss_of[bare-window]}")"
fi
if [ -n "${time_of[zolva-12mp]:-}" ] && [ "${time_of[zolva-12mp]}" != nan ]; then
    tr=$(awk -v a="${time_of[zolva-12mp]}" -v b="${time_of[zolva-puzzle]}" 'BEGIN {printf "%.3f", a / b}')
    echo "Stored 12-megapixel photo / built-in picture, time to window: $tr" \
        "(budget 1.3: $(verdict "$tr" 1.3))"
fi
if [ -n "${time_of[zolva-12mp-cold]:-}" ] && [ "${time_of[zolva-12mp-cold]}" != nan ]; then
    tr=$(ratio "${time_of[zolva-12mp-cold]}" "${time_of[zolva-puzzle]}")
    echo "The same photo decoded at start-up (no kept pixels) / built-in picture: $tr"
fi
if [ -n "${time_of[sgt-fifteen]:-}" ] && [ "${time_of[sgt-fifteen]}" != nan ]; then
    echo "Ratios to sgt-fifteen:"
    for label in "${labels[@]}"; do
        [ "$label" = sgt-fifteen ] && continue
        tr=$(awk -v a="${time_of[$label]}" -v b="${time_of[sgt-fifteen]}" 'BEGIN {printf "%.3f", a / b}')
        mr=$(awk -v a="${rss_of[$label]}" -v b="${rss_of[sgt-fifteen]}" 'BEGIN {printf "%.3f", a / b}')
        cr=$(awk -v a="${cpu_of[$label]}" -v b="${cpu_of[sgt-fifteen]}" 'BEGIN {printf "%.3f", a / b}')
        if [ "$label" = zolva-puzzle ]; then
            echo "  $label  time to window $tr (budget 0.7: $(verdict "$tr" 0.7))," \
                "resident memory $mr (budget 0.5: $(verdict "$mr" 0.5)), CPU to window $cr"
        else
            echo "  $label  time to window $tr, resident memory $mr, CPU to window $cr"
        fi
    done
fi
