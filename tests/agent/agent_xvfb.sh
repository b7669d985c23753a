#!/usr/bin/env bash
# The About screen and the tray icon on a real X display with a notification area.
#   xvfb-run -a -s "-screen 0 1024x768x24" tests/agent/agent_xvfb.sh <application folder> <screenshot folder>
# Starts trayer (a notification-area host), the program from its application folder with a
# private configuration folder, and checks: About opens and shows its credits; the tray
# option puts the icon in the notification area; a right press held on the icon, or dragged
# off it, hides nothing; a right click on the icon hides every window; a left click brings
# back the main window alone; switching the option off removes
# the icon. Screenshots of each step go to the screenshot folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_common.sh"
source_app=$(cd "${1:?application folder}" && pwd)
out=$(mkdir -p "${2:?screenshot folder}" && cd "$2" && pwd)
[ -n "${DISPLAY:-}" ] || fail "no X display; run under xvfb-run"

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
# A copy of the application folder: the scan screen rewrites database.db and the animation
# loader writes temp.gif in the current folder, and neither may touch the build's own.
app="$work/app"
cp -r "$source_app" "$app"

trayer --edge bottom --align right --widthtype request --height 32 --transparent false \
    --tint 0x333333 --SetDockType true >/dev/null 2>&1 &
pids+=($!)
sleep 1
(cd "$app" && XDG_CONFIG_HOME="$work/config" exec ./QuennoAV) >"$work/app.log" 2>&1 &
pids+=($!)

main=$(window QuennoAV) || fail "the main window did not appear"
sleep 0.5

# About: the button at the top right of the main window (its pictures lie under the menu bar).
menu=$(( $(xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p') - 524 ))
press "$main" 468 $((72 + menu))
about=$(window "About Quenno") || fail "About did not open"
sleep 0.5
shot "$out/about-normal.png"
press "$about" 74 400          # Credits
sleep 1.5
shot "$out/about-credits.png"
press "$about" 249 400         # OK
sleep 0.5
[ -z "$(shown_windows | grep -x 'About Quenno' || true)" ] || fail "OK did not close About"

# The scan screen and its tray option.
press "$main" 120 $((250 + menu))
scan=$(window Scanning) || fail "the scan screen did not open"
press "$scan" 310 190
tray=$(xdotool search --class trayer | tail -1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
[ "$WIDTH" -ge 16 ] || fail "no icon in the notification area"
icon_x=$((X + WIDTH / 2)); icon_y=$((Y + HEIGHT / 2))
shot "$out/tray-icon-added.png"

# A click acts when its button comes up over the icon: a press held down, or one dragged
# off the icon before it comes up, hides nothing.
before=$(shown_windows)
xdotool mousemove "$icon_x" "$icon_y" mousedown 3; sleep 1
xdotool mousemove 500 300; sleep 0.3
xdotool mouseup 3; sleep 1
[ "$(shown_windows)" = "$before" ] || fail "a right press dragged off the icon hid: $(shown_windows | tr '\n' ',')"
xdotool mousemove "$icon_x" "$icon_y" mousedown 3; sleep 1
[ "$(shown_windows)" = "$before" ] || fail "a right press still held hid: $(shown_windows | tr '\n' ',')"
shot "$out/tray-right-press-held.png"
xdotool mouseup 3; sleep 1
[ -z "$(shown_windows)" ] || fail "after the right button came up these windows are still shown: $(shown_windows)"
xdotool mousemove "$icon_x" "$icon_y" click 1; sleep 1
[ "$(shown_windows)" = "QuennoAV" ] || fail "after the left click shown: $(shown_windows | tr '\n' ',')"

xdotool mousemove "$icon_x" "$icon_y" click 3; sleep 1
left=$(shown_windows)
[ -z "$left" ] || fail "after the right click these windows are still shown: $left"
shot "$out/tray-right-click-hides-all.png"

xdotool mousemove "$icon_x" "$icon_y" click 1; sleep 1
[ "$(shown_windows)" = "QuennoAV" ] || fail "after the left click shown: $(shown_windows | tr '\n' ',')"
shot "$out/tray-left-click-shows-main.png"

# Back on the scan screen (kept loaded with the option on), the option goes off.
press "$main" 120 $((250 + menu))
scan=$(window Scanning) || fail "the scan screen did not come back"
press "$scan" 310 190
eval "$(xdotool getwindowgeometry --shell "$tray")"
[ "$WIDTH" -lt 16 ] || fail "the icon is still in the notification area (width $WIDTH)"
shot "$out/tray-option-off.png"
echo "PASS: About, tray icon, right click hides all, left click shows the main window, icon removed"
