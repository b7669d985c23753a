# Helpers for the agent's desktop checks; sourced by the scripts beside it. They run on an
# X display (xvfb-run) and drive the program with xdotool.

fail() { echo "FAIL: $*" >&2; exit 1; }

# The visible top-level window captioned exactly $1 (waits up to 10 s), or nothing.
window() {
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

# Moves over a picture button (lights it), then clicks its hover picture: $1 window, $2 $3
# point inside the window.
press() {
    xdotool mousemove --window "$1" "$2" "$3"; sleep 0.3
    xdotool mousemove --window "$1" $(($2 + 2)) $(($3 + 1)); sleep 0.3
    xdotool click 1; sleep 0.8
}

# Captions of the program's windows now shown, one per line.
shown_windows() {
    local caption
    for caption in "QuennoAV" "Scanning" "About Quenno" "Check CRC" "Process Manager" "Quarantina" "RegTools"; do
        if xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1; then
            echo "$caption"
        fi
    done
}

shot() { import -window root "$1" && echo "screenshot: $1"; }
