#!/usr/bin/env bash
# Builds the Debian package from a finished build tree, checks what Debian asks of it, and
# plays the game from the package unpacked into a temporary root: started with a picture
# on its command line (a TGA, which only the GraphicsMagick module reads), it must show
# that picture, find its help and remember the picture. Exit 0 pass, 1 failure, 77 skipped.
# Usage: package_test.sh <build dir> <cpack>
set -uo pipefail

BUILD=${1:?usage: package_test.sh <build dir> <cpack>}
CPACK=${2:?usage: package_test.sh <build dir> <cpack>}
POLL_SECONDS=20

# shellcheck source=x_session.sh
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
for tool in dpkg-deb readelf; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool not found (scripts/setup-deps.sh installs it)"
done

# --- The package ----------------------------------------------------------------------------

"$CPACK" -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/package" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log" >&2; fail "cpack failed"; }
DEB=$(ls "$WORK"/package/zolva-puzzle_*.deb) || fail "cpack made no package"
log "built $(basename "$DEB")"
if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error "$DEB" >&2 || fail "lintian reports errors"
    log "lintian reports no errors"
fi

ROOT=$WORK/root
dpkg-deb -x "$DEB" "$ROOT" || fail "the package does not unpack"
APP=$ROOT/usr/games/zolva-puzzle
[ -x "$APP" ] || fail "no /usr/games/zolva-puzzle in the package"
[ ! -e "$ROOT/usr/bin" ] || fail "the package installs into /usr/bin"
for file in usr/share/doc/zolva-puzzle/copyright usr/share/doc/zolva-puzzle/changelog.gz \
    usr/share/man/man6/zolva-puzzle.6.gz usr/share/applications/zolva-puzzle.desktop \
    usr/share/metainfo/com.zolva.puzzle.metainfo.xml; do
    [ -s "$ROOT/$file" ] || fail "no /$file in the package"
done
while IFS= read -r -d '' binary; do
    if readelf -S "$binary" 2>/dev/null | grep -q '\.symtab'; then
        fail "${binary#"$ROOT"} is not stripped"
    fi
done < <(find "$ROOT" -type f \( -perm -u+x -o -name '*.so' \) -print0)
log "binary in /usr/games, stripped; copyright, changelog and manual page present"

# --- The installed game ------------------------------------------------------------------

mkdir -p "$WORK/pictures"
# 300 pixels high, so the game shows it as it is rather than scaled up.
python3 - "$WORK/pictures/photo.tga" 450 300 <<'PY' || fail "cannot write the picture"
import struct, sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 24, 0)
pixels = bytes(v for y in range(h) for x in range(w)
               for v in ((x + y) % 256, y * 255 // h, x * 255 // w))
open(path, "wb").write(header + pixels)
PY

# The game's own output goes with any failure from here on.
fail_app() {
    cat "$WORK/app-installed.log" >&2
    fail "$@"
}

# A relative name, as a file manager or a terminal in the picture's folder passes it.
cd "$WORK/pictures" || fail "no picture folder"
start_app installed photo.tga
cd - >/dev/null || fail "cannot go back"
WIN=$(wait_window "Zolva Puzzle") || fail_app "no main window"
eval "$(xdotool getwindowgeometry --shell "$WIN")"
# The game screen is the picture plus 10-pixel margins and the counter bar; a menu above.
[ "$WIDTH" -eq 470 ] && [ $((HEIGHT - 356)) -ge 15 ] && [ $((HEIGHT - 356)) -le 60 ] ||
    fail_app "window $WIDTH x $HEIGHT does not hold the 450 x 300 picture"
if grep -q 'zolva-magick\.so' "/proc/$APP_PID/maps" 2>/dev/null; then
    grep -q "$ROOT/usr/lib/games/zolva-puzzle/zolva-magick\.so" "/proc/$APP_PID/maps" ||
        fail_app "the GraphicsMagick module was not loaded from the package"
fi
log "the picture on the command line is shown, read by the packaged module"

xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
xdotool key --clearmodifiers F1
wait_window "Zolva Puzzle Help" >/dev/null || fail_app "F1 shows no help"
log "the packaged help is found"

xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
xdotool key --clearmodifiers ctrl+w
wait_exit || fail_app "Ctrl+W did not end the program"
[ "$EXIT_CODE" -eq 0 ] || fail_app "exit code $EXIT_CODE"
CONF="$XDG_CONFIG_HOME/Zolva Games/Zolva Puzzle.conf"
grep -qx "picturePath=$WORK/pictures/photo.tga" "$CONF" && grep -qx 'defaultPicture=0' "$CONF" ||
    fail "the picture was not remembered: $(grep -i picture "$CONF")"
log "the picture is remembered by its full path"

echo "PASS"
