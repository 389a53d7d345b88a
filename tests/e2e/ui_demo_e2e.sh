#!/usr/bin/env bash
# Starts the demo program on its own Xvfb screen, clicks its button, drags
# its label and presses its hot key with the real mouse and keyboard while
# another window has the focus, and checks a screenshot.
#   ui_demo_e2e.sh <demo executable> <artifact folder>
set -uo pipefail
# shellcheck source=../support/e2e.sh
. "$(dirname "$0")/../support/e2e.sh"

demo=$1
artifacts=${2:-}

e2e_begin ui-demo-e2e Xvfb xdotool import
log="$work/events.log"
on_failure() { echo "--- events"; cat "$log" 2>/dev/null; }

# Waits up to $2 seconds for a line matching $1 in the log.
wait_for() {
  local pattern=$1 limit=$2 start=$SECONDS
  while (( SECONDS - start < limit )); do
    grep -q -- "$pattern" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

start_xvfb
export QT_QPA_PLATFORM=xcb

timeout 120 "$demo" "$log" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for "^ready" 20 || fail "the demo did not start"
grep -q "^ready 1920x1080 hotkey 33001$" "$log" || fail "unexpected start line: $(head -n1 "$log")"
sleep 0.5

# A click with the real mouse on the button at (100, 100) 200 x 60.
xdotool mousemove 200 130 click 1
wait_for "^click$" 10 || fail "the button click did not arrive"

# The label at (400, 100) follows the mouse while the button is held.
xdotool mousemove 450 140
sleep 0.2
xdotool mousedown 1
wait_for "^press 50,40 0$" 10 || fail "the press on the label did not arrive"
for step in 1 2 3 4 5; do
  xdotool mousemove $((450 + step * 20)) $((140 + step * 10))
  sleep 0.05
done
xdotool mouseup 1
wait_for "^dropped " 10 || fail "the move loop did not end"
grep -q "^dropped 500,150$" "$log" || fail "the label ended at $(grep '^dropped' "$log")"

# Focuses the newest window whose title is $1 and sends it keys $2...
keys_to() {
  local title=$1 id=""
  shift
  for _ in $(seq 1 50); do
    id=$(xdotool search --name "$title" 2>/dev/null | tail -n1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || return 1
  xdotool windowfocus --sync "$id" && sleep 0.2 && xdotool key --delay 50 "$@"
}

# The real message box: Escape is Cancel (1), Return is OK (0).
xdotool mousemove 200 230 click 1
keys_to "提问" Escape || fail "no message box"
wait_for "^answer 1$" 10 || fail "Escape did not give Cancel"
xdotool mousemove 200 230 click 1
sleep 0.5
[ -n "$artifacts" ] && import -window root "$artifacts/ui_demo_message_box.png"
keys_to "提问" Return || fail "no message box the second time"
wait_for "^answer 0$" 10 || fail "Return did not give OK"

# The real input box starts with its text selected: typing replaces it.
xdotool mousemove 200 330 click 1
keys_to "输入" a b c Return || fail "no input box"
wait_for "^input abc$" 10 || fail "the input box gave $(grep '^input' "$log")"

# The pop-up menu opens at the pointer; the chosen item's event follows.
xdotool mousemove 1200 300 click 3
sleep 0.5
[ -n "$artifacts" ] && import -window root "$artifacts/ui_demo_menu.png"
xdotool key --delay 100 Down Return
wait_for "^popup closed$" 10 || fail "the pop-up menu did not close"
wait_for "^menu 甲$" 10 || fail "the menu choice did not arrive"
[ "$(grep -n -e '^menu 甲$' -e '^popup closed$' "$log" | head -n1 | cut -d: -f2)" = "menu 甲" ] \
  || fail "the item's event came after the popup returned"

# Another window takes the focus; the hot key still reaches the stage.
timeout 120 "$demo" "$log" plain >"$work/plain.log" 2>&1 &
other_pid=$!
wait_for "^plain ready$" 20 || fail "the second window did not start"
thief=""
for _ in $(seq 1 50); do
  thief=$(xdotool search --name "ui demo focus thief" 2>/dev/null | head -n1)
  [ -n "$thief" ] && break
  sleep 0.1
done
[ -n "$thief" ] || fail "the second window is not on the screen"
xdotool windowfocus --sync "$thief" || fail "cannot focus the second window"
[ "$(xdotool getwindowfocus)" = "$thief" ] || fail "the focus is not on the second window"
xdotool key shift+q
wait_for "^hotkey$" 10 || fail "the hot key did not arrive"

# The screen: the stage fills it, the red box sits at (800, 600).
shot="$work/shot.png"
import -window root "$shot" || fail "no screenshot"
[ -n "$artifacts" ] && cp "$shot" "$artifacts/ui_demo.png"
size=$("$CONVERT" "$shot" -format '%wx%h' info:)
[ "$size" = "1920x1080" ] || fail "screenshot is $size"
pixel() { "$CONVERT" "$shot" -format "%[pixel:p{$1,$2}]" info:; }
red=$(pixel 900 700)
case "$red" in
  "srgb(255,0,0)"|"red") ;;
  *) fail "the box shows $red at (900, 700)" ;;
esac
back=$(pixel 1200 300)
case "$back" in
  "srgb(153,102,51)") ;;
  *) fail "the background shows $back at (1200, 300)" ;;
esac
echo "PASS"
