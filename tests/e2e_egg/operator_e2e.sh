#!/usr/bin/env bash
# An operator's evening with the real program on a 1920x1080 Xvfb screen,
# from a fresh program folder: log in to the prize settings with the empty
# password, set eight values and pick eight pictures through the real file
# dialog, save, draw until the pool is empty, clear the results, draw again,
# move an egg, and leave through the menu. With a window manager (as an
# event machine has one) it also checks that modal windows stay in front of
# the full-screen stage, that the operator windows show whole, and that the
# windowed mode fits the screen with its frame.
#   operator_e2e.sh <program folder> <artifact folder> [openbox]
set -uo pipefail
# shellcheck source=../support/e2e.sh
. "$(dirname "$0")/../support/e2e.sh"

program_dir=$1
artifacts=$2
wm=${3:-}
shots=operator
[ -n "$wm" ] && shots="$wm-operator"

e2e_begin egg-operator Xvfb xdotool xwininfo xprop import iconv cmp
rm -f "$artifacts"/"$shots"-*.png
copy_program Quorlan
[ -d "$app/奖品图片" ] || fail "the program folder has no 奖品图片"
rm -f "$app/config.a" "$app/jieguo.a" "$app"/奖品图片/*.jpg

# Eight pictures to choose, one colour each.
mkdir -p "$work/pictures"
prize_pictures "$work/pictures/prize" 800x600 90 -gravity center -fill white -pointsize 400 -annotate 0

start_display
start_program Quorlan '砸金蛋抽奖软件'
shot 01-stage
egg_colour=$(screen_pixel 561 467)
stage_colour=$(screen_pixel 1700 950)

# --- Prize settings behind the empty password -----------------------------
menu_item 3
wait_window '^密码设置  $' 10
lock=$window
sleep 0.3
shows_whole "$lock" "the password window" 112
stays_in_front "$lock" "the password window"
shot 02-password
click_in "$lock" 125 96                     # 进入设置
wait_window '^设置$' 10
settings=$window
sleep 0.3
shows_whole "$settings" "the prize settings window" 400
stays_in_front "$settings" "the prize settings window"

values=(none 1 1 1 1 0 0 0 0)
value_left=(none 131 131 131 131 519 519 519 519)
picture_left=(none 8 8 8 8 392 392 392 392)
row_top=(none 28 74 120 166 28 74 120 166)
for n in 1 2 3 4 5 6 7 8; do
  click_in "$settings" $((value_left[n] + 50)) $((row_top[n] + 20))
  xdotool key ctrl+a
  xdotool type --delay 30 "${values[$n]}"

  click_in "$settings" $((picture_left[n] + 50)) $((row_top[n] + 20)) 2
  dialog_shot=""
  [ "$n" -eq 1 ] && dialog_shot=03-file-dialog
  pick_file "$work/pictures/prize$n.jpg" "$app/奖品图片/$n.jpg" "$dialog_shot"
done
# Fireworks off, so a draw does not wait three seconds.
click_in "$settings" 504 239
sleep 0.5
shot 04-prize-settings
save_prize_settings "$settings" 394 385 05-saved
[ "$(setting 金蛋个数)" = "9" ] || fail "egg count stored as '$(setting 金蛋个数)'"
[ "$(setting 禁用特效)" = "真" ] || fail "fireworks switch stored as '$(setting 禁用特效)'"
[ -z "$(setting password)" ] || fail "logging in stored a password"

# --- Draw until the pool is empty -----------------------------------------
# One egg smashed, the prize shown, then the close label at the top right.
draw_once() {
  local before=$1 start=$SECONDS
  xdotool mousemove 561 467 click 1
  while [ "$(wins)" -le "$before" ]; do
    [ "$(waited $start)" -gt 20 ] && fail "no win was counted after draw $((before + 1))"
    alive "draw"
    sleep 0.2
  done
  # Close the prize display until the stage shows the egg again (a click
  # that lands while the reveal still runs is undone by its end).
  start=$SECONDS
  local settled=0
  while [ $settled -lt 2 ]; do
    [ "$(waited $start)" -gt 30 ] && fail "the prize display did not close after draw $((before + 1))"
    xdotool mousemove 1876 24 click 1
    sleep 0.6
    if [ "$(screen_pixel 561 467)" = "$egg_colour" ]; then settled=$((settled + 1)); else settled=0; fi
  done
}

for d in 0 1 2 3; do
  draw_once $d
  [ $d -eq 0 ] && shot 06-first-draw-closed
done
for n in 1 2 3 4; do
  [ "$(tally $n)" = "1" ] || fail "grade $n won '$(tally $n)' times after four draws"
done
for n in 5 6 7 8; do
  [ -z "$(tally $n)" ] || fail "grade $n with value 0 was drawn"
done

xdotool mousemove 561 467 click 1
answer '^砸金蛋抽奖信息提示$' 07-empty-pool
[ "$(wins)" = "4" ] || fail "the empty pool counted a win"

# --- Results: look, clear --------------------------------------------------
menu_item 7
wait_window '^中奖结果$' 10
results=$window
sleep 0.5
shows_whole "$results" "the results window" 245
stays_in_front "$results" "the results window"
shot 08-results
clear_results "$results" 09-results-cleared

# The pool is full again.
draw_once 0
[ "$(wins)" = "1" ] || fail "the draw after clearing counted $(wins) wins"

# --- Egg layout: drag egg 9 with the real mouse --------------------------
menu_item 4
sleep 1
shot 10-egg-layout
drag 561 467 761 367
start=$SECONDS
while [ -z "$(setting d9左边)" ]; do
  [ "$(waited $start)" -gt 10 ] && fail "the dropped marker stored no place"
  sleep 0.2
done
[ "$(setting d9左边)" = "661" ] && [ "$(setting d9顶边)" = "273" ] \
  || fail "egg 9 stored at $(setting d9左边), $(setting d9顶边) instead of 661, 273"
sleep 0.3
shot 11-egg-moved
xdotool mousemove 80 28 click 1        # 设置完毕
sleep 1
[ "$(screen_pixel 40 1060)" != "255 0 0" ] || fail "the layout window did not close"
shot 12-stage-after-layout

# --- Windowed mode fits the screen, frame included ------------------------
# Waits until the stage's frame is at x,y,w,h.
frame_becomes() {
  local start=$SECONDS
  while :; do
    sleep 0.5
    frame_at "$main"
    [ "$FX,$FY,$FW,$FH" = "$1" ] && break
    [ "$(waited $start)" -gt 10 ] && fail "the stage has its frame at $FX,$FY, ${FW}x${FH}, not at $1"
  done
}
xdotool mousemove 960 40 click 3
sleep 0.8
for ((i = 0; i < 8; i++)); do xdotool key Down; done
xdotool key Right Down Return               # 界面大小 > 窗口
main=$(xdotool search --name '砸金蛋抽奖软件' | head -n1)
frame_becomes 0,0,1900,1060
[ "$(setting 界面大小)" = "窗口" ] || fail "windowed mode stored as '$(setting 界面大小)'"
shot 13-windowed
xdotool mousemove 960 60 click 3
sleep 0.8
for ((i = 0; i < 8; i++)); do xdotool key Down; done
xdotool key Right Return                    # 界面大小 > 全屏
frame_becomes 0,0,1920,1080

# --- Leave through the menu ------------------------------------------------
menu_item 10
answer '^确定退出吗？$'
exits_cleanly

echo "PASS: settings, eight pictures, four draws to an empty pool, clearing, a new draw, an egg moved and a clean exit; screenshots in $artifacts"
exit 0
