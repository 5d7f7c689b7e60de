# Shared by the end-to-end scripts, sourced with POLL_SECONDS set to bound every wait: a
# private X server (exit 77, skipped, when none can be started), a work folder $WORK removed
# at exit, a clean configuration and cache inside it, and helpers to start the game ($APP),
# find its windows and wait for its exit code.

SKIP=77
fail() {
    echo "FAIL: $*" >&2
    # A lost X server explains most failures of a window that never shows; say so.
    if [ -n "${XVFB_PID:-}" ]; then
        if kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "the X server on ${DISPLAY:-?} still runs; its sockets:" >&2
            ls -la /tmp/.X11-unix >&2 2>&1
        else
            echo "the X server on ${DISPLAY:-?} has gone" >&2
        fi
        cat "$WORK/xvfb.log" >&2
    fi
    exit 1
}
skip() {
    echo "SKIP: $*" >&2
    exit "$SKIP"
}
log() { echo "--- $*"; }

for tool in Xvfb xdotool xauth python3; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool not found (scripts/setup-deps.sh installs it)"
done

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

# start_app NAME [ARGUMENT...]: starts the game, its output in $WORK/app-NAME.log.
start_app() {
    local name=$1
    shift
    "$APP" "$@" >"$WORK/app-$name.log" 2>&1 &
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
