#!/usr/bin/env bash
# Drives the real game in a private X server with real input and checks what reaches the
# screen and the configuration file. Usage: e2e_test.sh <path to zolva-puzzle>
# Exit 0 pass, 1 failure, 77 skipped (no usable X server tools).
set -uo pipefail

APP=${1:?usage: e2e_test.sh <zolva-puzzle binary>}
SKIP=77

# Layout of the game view for the built-in 300 x 300 picture with the shipped strips.
VIEW_W=320
VIEW_H=356
BOARD_X=10 BOARD_Y=46 BOARD_W=300 BOARD_H=300
TIME_X=258 TIME_Y=10 TIME_W=52 TIME_H=23
BUTTON_CX=160 BUTTON_CY=23
TILE=75 # 300 / 4 columns and rows; a grid line inside the cell does not matter for a click

# Polls are generous: they only bound how long a broken build may hang the test.
POLL_SECONDS=20

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*" >&2
    exit "$SKIP"
}
log() { echo "--- $*"; }

for tool in Xvfb xdotool xauth xwd python3; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool not found (scripts/setup-deps.sh installs it)"
done
[ -x "$APP" ] || fail "no program at $APP"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zolva-e2e.XXXXXX")
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# --- X server -------------------------------------------------------------------------

# -displayfd lets the server pick a free display itself, so parallel runs never collide.
export XAUTHORITY="$WORK/Xauthority"
cookie=$(python3 -c 'import secrets; print(secrets.token_hex(16))')
: >"$XAUTHORITY"
exec 3>"$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth "$XAUTHORITY" \
    >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 3>&-
display_number=""
for _ in $(seq 1 100); do
    display_number=$(tr -dc '0-9' <"$WORK/displayfd")
    if [ -n "$display_number" ] && [ "$(wc -l <"$WORK/displayfd")" -ge 1 ]; then break; fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    display_number=""
    sleep 0.1
done
if [ -z "$display_number" ]; then
    cat "$WORK/xvfb.log" >&2
    skip "Xvfb could not be started"
fi
export DISPLAY=":$display_number"
xauth -f "$XAUTHORITY" add "$DISPLAY" . "$cookie" >/dev/null 2>&1 || skip "xauth failed"
log "Xvfb on $DISPLAY"

# --- Program environment --------------------------------------------------------------

export XDG_CONFIG_HOME="$WORK/config"
export XDG_CACHE_HOME="$WORK/cache"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export NO_AT_BRIDGE=1 QT_ACCESSIBILITY=0
# A sanitizer build may report leaks inside system libraries at exit, which would change
# the exit code this test checks.
# Later options win: the leak check stays off even when the caller turned it on.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
CONF="$XDG_CONFIG_HOME/Zolva Games/Zolva Puzzle.conf"

# --- Helpers ----------------------------------------------------------------------------

start_app() {
    "$APP" >"$WORK/app-$1.log" 2>&1 &
    APP_PID=$!
}

# Prints the id of the visible window with exactly this title, waiting for it to appear.
wait_window() {
    local title=$1 id=""
    for _ in $(seq 1 $((POLL_SECONDS * 5))); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        if [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null; then return 1; fi
        sleep 0.2
    done
    return 1
}

# Sets EXIT_CODE; must run in this shell, the only one that can wait for the program.
wait_exit() {
    for _ in $(seq 1 $((POLL_SECONDS * 5))); do
        if ! kill -0 "$APP_PID" 2>/dev/null; then
            wait "$APP_PID"
            EXIT_CODE=$?
            APP_PID=""
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# Sets WIN_X, WIN_Y, WIN_W, WIN_H and MENU_H (the rows above the game view).
read_geometry() {
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
    MENU_H=$((WIN_H - VIEW_H))
}

check_geometry() {
    read_geometry "$1"
    log "window $WIN_W x $WIN_H at ($WIN_X, $WIN_Y)"
    [ "$WIN_W" -eq "$VIEW_W" ] || fail "client width $WIN_W, expected $VIEW_W"
    [ "$MENU_H" -ge 15 ] && [ "$MENU_H" -le 60 ] ||
        fail "client height $WIN_H is not $VIEW_H plus a menu bar"
}

# region NAME X Y W H (game view coordinates): writes the pixels to $WORK/NAME.px.
region() {
    local name=$1 x=$2 y=$3 w=$4 h=$5
    xwd -root -silent >"$WORK/screen.xwd" || fail "xwd failed"
    python3 - "$WORK/screen.xwd" "$WORK/$name.px" \
        $((WIN_X + x)) $((WIN_Y + MENU_H + y)) "$w" "$h" <<'EOF' || fail "cannot read screenshot"
import struct, sys
src, dst = sys.argv[1], sys.argv[2]
x, y, w, h = map(int, sys.argv[3:7])
data = open(src, "rb").read()
hdr = struct.unpack(">25I", data[:100])
header_size, width, height = hdr[0], hdr[4], hdr[5]
bits_per_pixel, bytes_per_line, ncolors = hdr[11], hdr[12], hdr[19]
if bits_per_pixel not in (24, 32):
    sys.exit("unexpected %d bits per pixel" % bits_per_pixel)
if x < 0 or y < 0 or x + w > width or y + h > height:
    sys.exit("region outside the screen")
bpp = bits_per_pixel // 8
start = header_size + 12 * ncolors
rows = []
for row in range(y, y + h):
    offset = start + row * bytes_per_line + x * bpp
    line = data[offset:offset + w * bpp]
    # Drop the padding byte of 32-bit pixels so only colour is compared.
    if bpp == 4:
        line = b"".join(line[i:i + 3] if hdr[7] == 0 else line[i + 1:i + 4]
                        for i in range(0, len(line), 4))
    rows.append(line)
open(dst, "wb").write(b"".join(rows))
EOF
}

board() { region "$1" $BOARD_X $BOARD_Y $BOARD_W $BOARD_H; }
clock() { region "$1" $TIME_X $TIME_Y $TIME_W $TIME_H; }

same() { cmp -s "$WORK/$1.px" "$WORK/$2.px"; }

# wait_board_change BEFORE AFTER [seconds]: true once the board differs from BEFORE.
wait_board_change() {
    local seconds=${3:-$POLL_SECONDS}
    for _ in $(seq 1 $((seconds * 4))); do
        board "$2"
        same "$1" "$2" || return 0
        sleep 0.25
    done
    return 1
}

wait_board_equal() {
    for _ in $(seq 1 $((POLL_SECONDS * 4))); do
        board "$2"
        same "$1" "$2" && return 0
        sleep 0.25
    done
    return 1
}

# Distinct colours in a region: a blank or single-colour board means nothing was drawn.
colour_count() {
    python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); print(len({d[i:i+3] for i in range(0,len(d),3)}))' \
        "$WORK/$1.px"
}

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }

click_view() { # WINDOW X Y in game view coordinates
    xdotool mousemove --sync --window "$1" "$2" $((MENU_H + $3)) click 1
}

key() { # WINDOW KEY...
    local win=$1
    shift
    focus "$win"
    xdotool key --clearmodifiers "$@"
}

conf_value() { sed -n "s/^$1=//p" "$CONF" | tail -n 1; }

# Prints "column row" of the empty cell: the only cell of the grid drawn in one colour.
empty_cell() {
    python3 - "$WORK/$1.px" $BOARD_W $TILE <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
width, tile = int(sys.argv[2]), int(sys.argv[3])
plain = []
for row in range(width // tile):
    for col in range(width // tile):
        colours = set()
        # Stay clear of the grid lines at the cell edges.
        for y in range(row * tile + 4, (row + 1) * tile - 4):
            for x in range(col * tile + 4, (col + 1) * tile - 4):
                i = (y * width + x) * 3
                colours.add(data[i:i + 3])
        if len(colours) == 1:
            plain.append((col, row))
if len(plain) != 1:
    sys.exit("expected one empty cell, found %r" % plain)
print(*plain[0])
EOF
}

# Waits for the board to change from BEFORE with the empty cell where it should be; keeps
# polling, so a screenshot taken in the middle of a repaint cannot fail the check.
expect_empty_at() { # BEFORE COLUMN ROW WHAT
    local now="(no change)"
    for _ in $(seq 1 $((POLL_SECONDS * 4))); do
        board after
        if ! same "$1" after; then
            now=$(empty_cell after 2>&1)
            [ "$now" = "$2 $3" ] && return 0
        fi
        sleep 0.25
    done
    fail "after $4 the empty cell is at: $now; expected ($2 $3)"
}

# An arrow slides the neighbouring tile into the empty cell, so the empty cell moves the
# other way; the opposite arrow must then restore the board exactly.
check_arrow_pair() { # WINDOW AXIS(x|y)
    local win=$1 axis=$2 col row forward back dc=0 dr=0 cell
    board before
    cell=$(empty_cell before) || fail "no single empty cell after a new game"
    read -r col row <<<"$cell"
    if [ "$axis" = x ]; then
        if [ "$col" -lt 3 ]; then forward=Left back=Right dc=1; else forward=Right back=Left dc=-1; fi
    else
        if [ "$row" -lt 3 ]; then forward=Up back=Down dr=1; else forward=Down back=Up dr=-1; fi
    fi
    key "$win" "$forward"
    expect_empty_at before $((col + dc)) $((row + dr)) "$forward"
    key "$win" "$back"
    wait_board_equal before back || fail "$back did not undo $forward"
    log "$forward/$back slide tiles"
}

# --- Run 1: a game, the number overlay, exit and saved options ---------------------------

log "run 1: default configuration"
start_app 1
WIN=$(wait_window "Zolva Puzzle") || { cat "$WORK/app-1.log" >&2; fail "main window did not appear"; }
check_geometry "$WIN"

board initial
[ "$(colour_count initial)" -gt 50 ] || fail "the board does not show the picture"

click_view "$WIN" $BUTTON_CX $BUTTON_CY
wait_board_change initial shuffled || fail "new game did not change the board"
log "new game shuffles the board"
clock clock0
changed=""
for _ in $(seq 1 $((POLL_SECONDS * 4))); do
    clock clock1
    same clock0 clock1 || { changed=1; break; }
    sleep 0.25
done
[ -n "$changed" ] || fail "the time counter did not advance"
log "the clock runs"

check_arrow_pair "$WIN" x
check_arrow_pair "$WIN" y

# A click two cells away in the empty cell's row slides the run between them.
board before
cell=$(empty_cell before) || fail "no single empty cell"
read -r col row <<<"$cell"
target=$(((col + 2) % 4))
click_view "$WIN" $((BOARD_X + target * TILE + TILE / 2)) $((BOARD_Y + row * TILE + TILE / 2))
expect_empty_at before "$target" "$row" "a click on a tile"
log "a click slides tiles"
xdotool mousemove --window "$WIN" 5 $((MENU_H + VIEW_H - 3))

board plain
key "$WIN" ctrl+s
wait_board_change plain numbered || fail "Ctrl+S did not show the numbers"
key "$WIN" ctrl+s
wait_board_equal plain restored || fail "Ctrl+S again did not restore the picture exactly"
key "$WIN" ctrl+s
wait_board_equal numbered numbered_again || fail "numbers differ the second time"
log "Ctrl+S toggles the numbers"

key "$WIN" ctrl+w
wait_exit || fail "Ctrl+W did not end the program"
[ "$EXIT_CODE" -eq 0 ] || { cat "$WORK/app-1.log" >&2; fail "exit code $EXIT_CODE after Ctrl+W"; }
[ -f "$CONF" ] || fail "no configuration file at $CONF"
for pair in dimensionX=4 dimensionY=4 showNumber=1 defaultPicture=1; do
    [ "$(conf_value "${pair%%=*}")" = "${pair#*=}" ] ||
        fail "saved ${pair%%=*} is '$(conf_value "${pair%%=*}")', expected ${pair#*=}"
done
log "exit code 0, options saved"

# --- Run 2: an unloadable picture falls back to the built-in one -------------------------

log "run 2: missing picture file"
missing=/nonexistent/photo.png
python3 - "$CONF" "$missing" <<'EOF'
import sys
path, picture = sys.argv[1], sys.argv[2]
lines = [l for l in open(path).read().splitlines()
         if not l.startswith(("defaultPicture=", "picturePath=", "showNumber="))]
at = lines.index("[General]") + 1 if "[General]" in lines else 0
if "[General]" not in lines:
    lines.insert(0, "[General]")
    at = 1
# Numbers off, so the board can be compared with the first run's untouched picture.
lines[at:at] = ["defaultPicture=0", "picturePath=" + picture, "showNumber=0"]
open(path, "w").write("\n".join(lines) + "\n")
EOF
start_app 2
BOX=$(wait_window "Invalid Picture") || { cat "$WORK/app-2.log" >&2; fail "no Invalid Picture message"; }
log "Invalid Picture shown"
key "$BOX" Return
for _ in $(seq 1 $((POLL_SECONDS * 5))); do
    xdotool search --onlyvisible --name "^Invalid Picture\$" >/dev/null 2>&1 || break
    sleep 0.2
done
WIN=$(wait_window "Zolva Puzzle") || fail "main window did not appear after the message"
check_geometry "$WIN"
board fallback
same initial fallback || fail "the built-in picture is not shown after the message"
log "built-in picture shown"
key "$WIN" ctrl+w
wait_exit || fail "Ctrl+W did not end the program"
[ "$EXIT_CODE" -eq 0 ] || { cat "$WORK/app-2.log" >&2; fail "exit code $EXIT_CODE in run 2"; }
[ "$(conf_value picturePath)" = "$missing" ] ||
    fail "picturePath became '$(conf_value picturePath)'"
[ "$(conf_value defaultPicture)" = "1" ] || fail "defaultPicture is '$(conf_value defaultPicture)'"
log "picture path kept, built-in picture chosen"

# --- Runs 3 and 4: a hostile stored picture ----------------------------------------------

# A 1 x 1 PNG carrying a thousand compressed text chunks of 4 MB each: decoded in the game's
# own process it would take gigabytes. The decoder gives up on it within its limits.
hostile="$WORK/hostile.png"
python3 - "$hostile" <<'EOF'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
text = chunk(b"zTXt", b"k\0\0" + zlib.compress(bytes(4 << 20), 9))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0))
png += text * 1000 + chunk(b"IDAT", zlib.compress(b"\0\x10\x20\x30")) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
EOF
sed -i -e "s|^picturePath=.*|picturePath=$hostile|" -e "s|^defaultPicture=.*|defaultPicture=0|" "$CONF"

# The decoder's wall-clock limit is 5 s; start-up and a loaded machine get as much again.
log "run 3: hostile stored picture"
start_app 3
started=$(date +%s%N)
BOX=$(POLL_SECONDS=10 wait_window "Invalid Picture") ||
    { cat "$WORK/app-3.log" >&2; fail "no Invalid Picture message within the limit"; }
log "Invalid Picture after $((($(date +%s%N) - started) / 1000000)) ms"
key "$BOX" Return
WIN=$(wait_window "Zolva Puzzle") || fail "main window did not appear after the message"
board hostile_fallback
same initial hostile_fallback || fail "the built-in picture is not shown after a hostile one"
key "$WIN" ctrl+w
wait_exit || fail "Ctrl+W did not end the program"

# A termination signal while the stored picture is still decoding ends the game at once,
# the options saved and the picture still chosen: nothing was wrong with it yet.
log "run 4: SIGTERM during the start-up decode"
sed -i -e "s|^defaultPicture=.*|defaultPicture=0|" -e "s|^dimensionX=.*|dimensionX=5|" "$CONF"
start_app 4
sleep 1
kill -TERM "$APP_PID"
POLL_SECONDS=2 wait_exit || fail "SIGTERM did not end the program during the decode"
[ "$EXIT_CODE" -eq 0 ] || { cat "$WORK/app-4.log" >&2; fail "exit code $EXIT_CODE after SIGTERM"; }
[ "$(conf_value defaultPicture)" = "0" ] && [ "$(conf_value picturePath)" = "$hostile" ] &&
    [ "$(conf_value dimensionX)" = "5" ] || fail "options changed by a SIGTERM at start-up"
log "SIGTERM at start-up: exit code 0, options kept"

log "run 5: SIGTERM while the start-up's Invalid Picture message waits"
start_app 5
POLL_SECONDS=10 wait_window "Invalid Picture" >/dev/null || fail "no Invalid Picture message"
kill -TERM "$APP_PID"
POLL_SECONDS=2 wait_exit || fail "SIGTERM did not end the program during the message"
[ "$EXIT_CODE" -eq 0 ] || { cat "$WORK/app-5.log" >&2; fail "exit code $EXIT_CODE after SIGTERM"; }
[ "$(conf_value dimensionX)" = "5" ] || fail "options not saved after SIGTERM"
log "SIGTERM during the message: exit code 0"

echo "PASS"
