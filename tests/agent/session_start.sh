#!/usr/bin/env bash
# A fresh desktop session starts the program from the entry its start-up option wrote.
#   xvfb-run -a -s "-screen 0 1024x768x24" tests/agent/session_start.sh <application folder> [<screenshot>]
# The application folder is copied to a folder whose name holds spaces, quotes, "$" and "%".
# The copy is started with a private configuration folder, the start-up option is switched
# on through the scan screen, and the program is ended. Then the session's part is played:
# every entry of the autostart folders is read as the freedesktop autostart rules say
# (a user entry hides a system one of the same name; Hidden=true and a missing TryExec
# program skip it) and started by the desktop launcher (gio launch) from the home folder.
# The check: the copied executable runs, from its own folder, and shows its main window.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_common.sh"
source_app=$(cd "${1:?application folder}" && pwd)
screenshot=${2:-}
[ -n "${DISPLAY:-}" ] || fail "no X display; run under xvfb-run"
command -v gio >/dev/null || fail "gio (libglib2.0-bin) is needed"

work=$(mktemp -d)
started=()
cleanup() { for p in "${started[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

app="$work/Quenno AV's \"agent\" \$HOME 50%"
cp -r "$source_app" "$app"
export XDG_CONFIG_HOME="$work/config"
export XDG_CONFIG_DIRS="$work/system-config"
mkdir -p "$XDG_CONFIG_DIRS/autostart"

# 1. The user switches the start-up option on.
(cd "$app" && exec ./QuennoAV) >"$work/first.log" 2>&1 &
started+=($!)
main=$(window QuennoAV) || fail "the program did not start from its copy"
menu=$(( $(xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p') - 524 ))
press "$main" 120 $((250 + menu))
scan=$(window Scanning) || fail "the scan screen did not open"
press "$scan" 249 155
entry="$XDG_CONFIG_HOME/autostart/QuennoAV.desktop"
[ -f "$entry" ] || fail "no autostart entry was written"
echo "--- $entry"; cat "$entry"; echo "---"
kill "${started[0]}"; wait "${started[0]}" 2>/dev/null || true
started=()
sleep 0.5
[ -z "$(shown_windows)" ] || fail "the first program is still shown"

# 2. A new session starts the autostart entries.
value() { sed -n "s/^$2=//p" "$1" | head -1; }
declare -A chosen=()
for dir in "$XDG_CONFIG_HOME/autostart" $(echo "$XDG_CONFIG_DIRS" | tr ':' ' ' | sed 's|\([^ ]*\)|\1/autostart|g'); do
    for file in "$dir"/*.desktop; do
        [ -e "$file" ] || continue
        id=$(basename "$file")
        [ -n "${chosen[$id]:-}" ] || chosen[$id]=$file
    done
done
launched=0
for file in "${chosen[@]}"; do
    [ "$(value "$file" Hidden)" = true ] && continue
    tryexec=$(value "$file" TryExec)
    if [ -n "$tryexec" ] && ! command -v "$tryexec" >/dev/null; then continue; fi
    (cd "$HOME" && gio launch "$file") || fail "the launcher refused $file"
    launched=$((launched + 1))
done
[ "$launched" -ge 1 ] || fail "the session found nothing to start"

main=$(window QuennoAV) || fail "the session did not start the program"
pid=$(xdotool getwindowpid "$main")
started+=("$pid")
[ "$(readlink "/proc/$pid/exe")" = "$app/QuennoAV" ] || fail "wrong program: $(readlink "/proc/$pid/exe")"
[ "$(readlink "/proc/$pid/cwd")" = "$app" ] || fail "started in $(readlink "/proc/$pid/cwd"), not its own folder"
[ -n "$screenshot" ] && { sleep 0.5; shot "$screenshot"; }
echo "PASS: the session started $app/QuennoAV (pid $pid) in its own folder"
