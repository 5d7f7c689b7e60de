#!/usr/bin/env bash
# Drives the real game in a private X server with real input and checks what reaches the
# screen and the configuration file. Usage: e2e_test.sh <path to zolva-puzzle>
# Exit 0 pass, 1 failure, 77 skipped (no usable X server tools).
set -uo pipefail

APP=${1:?usage: e2e_test.sh <zolva-puzzle binary>}

# Layout of the game view for the built-in 300 x 300 picture with the shipped strips.
VIEW_W=320
VIEW_H=356
BOARD_X=10 BOARD_Y=46 BOARD_W=300 BOARD_H=300
TIME_X=258 TIME_Y=10 TIME_W=52 TIME_H=23
MOVES_X=10 MOVES_Y=10 MOVES_W=52 MOVES_H=23
BUTTON_CX=160 BUTTON_CY=23
TILE=75 # 300 / 4 columns and rows; a grid line inside the cell does not matter for a click
ZOOM=1  # the window's zoom factor: every view coordinate below is multiplied by it

# Polls are generous: they only bound how long a broken build may hang the test.
POLL_SECONDS=20

# shellcheck source=x_session.sh
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
command -v xwd >/dev/null 2>&1 || skip "xwd not found (scripts/setup-deps.sh installs it)"
[ -x "$APP" ] || fail "no program at $APP"

# Sets WIN_X, WIN_Y, WIN_W, WIN_H and MENU_H (the rows above the game view).
read_geometry() {
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
    MENU_H=$((WIN_H - VIEW_H * ZOOM))
}

check_geometry() {
    read_geometry "$1"
    log "window $WIN_W x $WIN_H at ($WIN_X, $WIN_Y)"
    [ "$WIN_W" -eq $((VIEW_W * ZOOM)) ] || fail "client width $WIN_W, expected $((VIEW_W * ZOOM))"
    [ "$MENU_H" -ge 15 ] && [ "$MENU_H" -le 60 ] ||
        fail "client height $WIN_H is not $((VIEW_H * ZOOM)) plus a menu bar"
}

# region NAME X Y W H (game view coordinates at 100%): writes the pixels to $WORK/NAME.px.
# At a zoom the zoomed area is read and every ZOOM-th pixel kept, so a crisp zoom gives
# exactly the pixels of 100%.
region() {
    local name=$1 x=$2 y=$3 w=$4 h=$5
    xwd -root -silent >"$WORK/screen.xwd" || fail "xwd failed"
    python3 - "$WORK/screen.xwd" "$WORK/$name.px" \
        $((WIN_X + x * ZOOM)) $((WIN_Y + MENU_H + y * ZOOM)) $((w * ZOOM)) $((h * ZOOM)) \
        "$ZOOM" <<'EOF' || fail "cannot read screenshot"
import struct, sys
src, dst = sys.argv[1], sys.argv[2]
x, y, w, h, step = map(int, sys.argv[3:8])
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
for row in range(y, y + h, step):
    offset = start + row * bytes_per_line + x * bpp
    line = data[offset:offset + w * bpp]
    # Drop the padding byte of 32-bit pixels so only colour is compared.
    line = b"".join(line[i:i + 3] if bpp == 3 or hdr[7] == 0 else line[i + 1:i + 4]
                    for i in range(0, len(line), bpp * step))
    rows.append(line)
open(dst, "wb").write(b"".join(rows))
EOF
}

board() { region "$1" $BOARD_X $BOARD_Y $BOARD_W $BOARD_H; }
clock() { region "$1" $TIME_X $TIME_Y $TIME_W $TIME_H; }
moves() { region "$1" $MOVES_X $MOVES_Y $MOVES_W $MOVES_H; }

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

# settled board|moves NAME: takes NAME once two screenshots a moment apart agree, so no
# repaint is caught halfway.
settled() {
    for _ in $(seq 1 $((POLL_SECONDS * 4))); do
        "$1" "$2"
        sleep 0.25
        "$1" "$2.again"
        same "$2" "$2.again" && return 0
    done
    fail "the $1 never settled"
}

# wait_moves_equal REFERENCE: true once the moves counter shows what REFERENCE showed.
wait_moves_equal() {
    for _ in $(seq 1 $((POLL_SECONDS * 4))); do
        moves now
        same "$1" now && return 0
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

click_view() { # WINDOW X Y in game view coordinates at 100%
    xdotool mousemove --sync --window "$1" $(($2 * ZOOM)) $((MENU_H + $3 * ZOOM)) click 1
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

# True when the board in MID shows the tile caught between the empty cell at COLUMN ROW
# and its neighbour DC DR: black on both sides of the tile across the two cells. At rest
# one side has only the one-pixel grid line.
caught_between() { # MID COLUMN ROW DC DR
    python3 - "$WORK/$1.px" $BOARD_W $TILE "$2" "$3" "$4" "$5" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
width, tile, col, row, dc, dr = map(int, sys.argv[2:8])
def black(x, y):
    i = (y * width + x) * 3
    return data[i:i + 3] == b"\0\0\0"
first = min(col, col + dc) if dc else min(row, row + dr)
span = range(first * tile, (first + 2) * tile)
across = range((row if dc else col) * tile + 4, ((row if dc else col) + 1) * tile - 4)
lines = [all(black(a, b) if dc else black(b, a) for b in across) for a in span]
lead = next((i for i, line in enumerate(lines) if not line), len(lines))
trail = next((i for i, line in enumerate(reversed(lines)) if not line), len(lines))
sys.exit(0 if min(lead, trail) >= 3 and lead + trail < len(lines) else 1)
EOF
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
settled moves two # the counter now reads 0002, the reference for the undo check below
check_arrow_pair "$WIN" y

# A click two cells away in the empty cell's row slides the run between them.
board before
cell=$(empty_cell before) || fail "no single empty cell"
read -r col row <<<"$cell"
target=$(((col + 2) % 4))
click_view "$WIN" $((BOARD_X + target * TILE + TILE / 2)) $((BOARD_Y + row * TILE + TILE / 2))
expect_empty_at before "$target" "$row" "a click on a tile"
log "a click slides tiles"

# Undo takes back one arrow or the whole run of one press, and every tile moved back is a
# move: an arrow and its undo leave the counter where an arrow and its opposite left it.
board before
click_view "$WIN" $BUTTON_CX $BUTTON_CY
wait_board_change before dealt || fail "the second new game did not change the board"
settled board dealt
cell=$(empty_cell dealt) || fail "no single empty cell after a new game"
read -r col row <<<"$cell"
if [ "$col" -lt 3 ]; then forward=Left dc=1; else forward=Right dc=-1; fi
key "$WIN" "$forward"
expect_empty_at dealt $((col + dc)) "$row" "$forward"
key "$WIN" ctrl+z
wait_board_equal dealt undone || fail "Ctrl+Z did not take back $forward"
wait_moves_equal two || fail "an arrow and its undo did not count two moves"
target=$(((col + 2) % 4))
click_view "$WIN" $((BOARD_X + target * TILE + TILE / 2)) $((BOARD_Y + row * TILE + TILE / 2))
expect_empty_at dealt "$target" "$row" "a click two cells away"
settled board ran
key "$WIN" ctrl+z
wait_board_equal dealt undone || fail "Ctrl+Z did not take back the whole run"
key "$WIN" ctrl+shift+z
wait_board_equal ran redone || fail "Ctrl+Shift+Z did not make the run again"
log "Ctrl+Z undoes a move or a run, Ctrl+Shift+Z redoes it"

# Presses on the counters and in the margins, in line with the empty cell, move nothing.
cell=$(empty_cell ran) || fail "no single empty cell"
read -r col row <<<"$cell"
empty_x=$((BOARD_X + col * TILE + TILE / 2))
empty_y=$((BOARD_Y + row * TILE + TILE / 2))
settled moves counted
for spot in "$empty_x 3" "$empty_x $((BOARD_Y - 4))" "$empty_x $((BOARD_Y + BOARD_H + 4))" \
    "3 $empty_y" "$((BOARD_X + BOARD_W + 4)) $empty_y" \
    "$((TIME_X + TIME_W - 4)) $((TIME_Y + TIME_H / 2))" \
    "$((MOVES_X + 4)) $((MOVES_Y + MOVES_H / 2))"; do
    read -r x y <<<"$spot"
    click_view "$WIN" "$x" "$y"
done
sleep 1
board after
same ran after || fail "a press off the board moved tiles"
moves now
same counted now || fail "a press off the board counted moves"
log "presses on the counters and margins move nothing"

# A slide glides: a screenshot taken right after an arrow catches the tile on its way. The
# screenshot may come too late on a busy machine, so the pair of arrows is tried again.
focus "$WIN"
caught=""
for _ in $(seq 1 12); do
    board before
    read -r col row <<<"$(empty_cell before)" || fail "no single empty cell"
    if [ "$col" -lt 3 ]; then forward=Left dc=1; else forward=Right dc=-1; fi
    xdotool key "$forward"
    board mid
    expect_empty_at before $((col + dc)) "$row" "$forward"
    if caught_between mid "$col" "$row" "$dc" 0; then
        caught=1
        break
    fi
done
[ -n "$caught" ] || fail "no screenshot showed a tile between two cells"
log "a slide glides between the cells"

# Zoom In twice is 200% (300% is too tall for the screen): the window doubles, shows the
# same pixels twice over, and a press lands on the tile under the pointer.
key "$WIN" ctrl+plus
key "$WIN" ctrl+equal
ZOOM=2
for _ in $(seq 1 $((POLL_SECONDS * 5))); do
    read_geometry "$WIN"
    [ "$WIN_W" -eq $((VIEW_W * 2)) ] && break
    sleep 0.2
done
check_geometry "$WIN"
board zoomed
same after zoomed || fail "the board at 200% is not the board at 100% with each pixel doubled"
read -r col row <<<"$(empty_cell zoomed)" || fail "no single empty cell at 200%"
target=$(((col + 2) % 4))
click_view "$WIN" $((BOARD_X + target * TILE + TILE / 2)) $((BOARD_Y + row * TILE + TILE / 2))
expect_empty_at zoomed "$target" "$row" "a click at 200%"
key "$WIN" ctrl+0
ZOOM=1
for _ in $(seq 1 $((POLL_SECONDS * 5))); do
    read_geometry "$WIN"
    [ "$WIN_W" -eq "$VIEW_W" ] && break
    sleep 0.2
done
check_geometry "$WIN"
log "zoom doubles the window and a press at 200% lands on its tile"
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
for pair in dimensionX=4 dimensionY=4 showNumber=1 defaultPicture=1 zoom=100; do
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
key "$WIN" ctrl+q
wait_exit || fail "Ctrl+Q did not end the program"
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
