#!/usr/bin/env bash
# An operator's evening with the real prize wheel on a 1920x1080 Xvfb screen,
# from a fresh program folder: set a settings password and enter the prize
# settings with it, pick the eight ring pictures through the real file
# dialog with a double click on each, choose style three and zoom 2 in the
# panel, spin and stop with the fireworks over the wheel, read the results
# behind the password and clear them, move the wheel, the result picture and
# a title over the wheel, and leave through the menu. With a
# window manager (as an event machine has one) it also checks that modal
# windows stay in front of the full-screen stage and show whole.
#   operator_e2e.sh <program folder> <artifact folder> [openbox]
set -uo pipefail
# shellcheck source=../support/e2e.sh
. "$(dirname "$0")/../support/e2e.sh"

program_dir=$1
artifacts=$2
wm=${3:-}
shots=wheel-operator
[ -n "$wm" ] && shots="wheel-$wm-operator"

e2e_begin wheel-operator Xvfb xdotool xwininfo xprop import iconv cmp
rm -f "$artifacts"/"$shots"-*.png
copy_program Vessimar
rm -rf "$app/config.a" "$app/jieguo.a" "$app"/奖品图片/*.jpg "$app/wav"

# Eight pictures to choose, one colour each.
mkdir -p "$work/pictures"
prize_pictures "$work/pictures/prize" 800x600 90 -gravity center -fill white -pointsize 400 -annotate 0

start_display
start_program Vessimar '转盘抽奖软件'
shot 01-stage
stage_colour=$(screen_pixel 1700 950)
[ -d "$app/奖品图片" ] || fail "the program did not make 奖品图片"

# --- A settings password, then the prize settings behind it --------------
menu_item 1
wait_window '^密码设置！$' 10
lock=$window
sleep 0.3
shows_whole "$lock" "the password window" 112
stays_in_front "$lock" "the password window"
shot 02-password
click_in "$lock" 249 96                     # 修改密码 with the empty password
wait_window '^请输入密码$' 10
sleep 0.3
xdotool type --delay 40 "8888"
xdotool key Return
answer '^信息：$' 03-password-set
wait_gone '^密码设置！$' 10
stored=$(setting password)
[[ "$stored" =~ ^[A-Z]{10}$ ]] || fail "the password is stored as '$stored'"

menu_item 1
wait_window '^密码设置！$' 10
lock=$window
sleep 0.3
click_in "$lock" 125 96                     # 进入设置 with nothing typed
answer '^信息：$' 04-wrong-password
xdotool windowfocus --sync "$lock" 2>/dev/null
click_in "$lock" 256 40                     # the masked box
xdotool type --delay 40 "8888"
sleep 0.3
shot 05-password-typed
click_in "$lock" 125 96                     # 进入设置
wait_window '^设置$' 10
settings=$window
sleep 0.5
shows_whole "$settings" "the prize settings window" 401
stays_in_front "$settings" "the prize settings window"
shot 06-prize-settings
values=(none 1 1 1 1 0 0 0 0)
value_left=(none 115 115 115 115 391 391 391 391)
row_top=(none 28 74 120 166 28 74 120 166)
for n in 1 2 3 4 5 6 7 8; do
  click_in "$settings" $((value_left[n] + 78)) $((row_top[n] + 20))
  xdotool key ctrl+a
  xdotool type --delay 30 "${values[$n]}"
done
save_prize_settings "$settings" 279 386 07-saved

# --- The ring's pictures through the real file dialog --------------------
# Ring slot k on the unzoomed wheel, whose frame stands at (710, 160).
slot_left=(none 132 260 334 347 260 135 60 42)
slot_top=(none 69 55 172 268 366 379 264 172)
for n in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((710 + slot_left[n] + 53)) $((160 + slot_top[n] + 32)) click --repeat 2 --delay 80 1
  dialog_shot=""
  [ "$n" -eq 1 ] && dialog_shot=08-file-dialog
  pick_file "$work/pictures/prize$n.jpg" "$app/奖品图片/$n.jpg" "$dialog_shot"
done
sleep 0.5
shot 09-ring-pictures
# Beside the white number of each picture.
for n in 1 5; do
  p=$(screen_pixel $((710 + slot_left[n] + 20)) $((160 + slot_top[n] + 12)))
  near "$p" "${colours[$n]}" || fail "ring slot $n shows $p, not its picture"
done

# --- Style three from the menu, zoom 2 in the panel ----------------------
menu_item 6 3                               # 转盘样式 > 样式三
wait_setting 样式 zp3
menu_item 2                                 # 其它设置
sleep 0.8
shot 10-panel
xdotool mousemove 36 257 click 1            # 转盘大小
xdotool key ctrl+a
xdotool type --delay 30 "2"
xdotool mousemove 134 292 click 1           # 保存
wait_setting 计次 2
sleep 1
shot 11-style-three-zoom-two
# The 605-pixel wheel reaches below where the 500-pixel one ended (660).
near "$(screen_pixel 1012 755)" "#101c56" && fail "the wheel did not grow to 605 pixels"

# --- Spin and stop, with fireworks over the wheel ------------------------
hub_x=1014; hub_y=459                       # the centre labels of the grown wheel
xdotool mousemove --sync $hub_x $hub_y click 1
sleep 1.5
shot 12-spinning
[ "$(wins)" = "0" ] || fail "a win was counted before the stop"
xdotool mousemove --sync $hub_x $hub_y click 1
wait_fireworks_movie 20
wait_fireworks_shown
fireworks_screenshots 0.4
wait_fireworks_gone
sleep 0.5
after="$artifacts/$shots-14-won.png"
import -window root "$after" || fail "screenshot after the fireworks"
[ "$(wins)" = "1" ] || fail "the stop counted $(wins) wins"
won=""
for n in 1 2 3 4; do [ "$(tally $n)" = "1" ] && won=$n; done
[ -n "$won" ] || fail "the win went to a grade with no prizes: $(iconv -f GBK -t UTF-8 "$app/jieguo.a")"

# Sparks over the stage, its black cut away, and the wheel (its box on the
# screen) not hidden.
check_sparks "$after" "$artifacts/$shots-13-fireworks.png" 605x605+710+160
(( best_in_crop <= 605 * 605 / 2 )) || fail "the wheel is hidden under the movie ($best_in_crop pixels changed)"

# --- Results behind the password, then cleared ---------------------------
menu_item 5
wait_window '^请输入密码$' 10
sleep 0.3
xdotool type --delay 40 "8887"
sleep 0.2
shot 15-results-password
xdotool key Return
answer '^信息：$' 16-results-wrong-password
[ -z "$(xdotool search --onlyvisible --name '^中奖结果$' 2>/dev/null)" ] || fail "a wrong password opened the results"
menu_item 5
wait_window '^请输入密码$' 10
sleep 0.3
xdotool type --delay 40 "8888"
xdotool key Return
wait_window '^中奖结果$' 10
results=$window
sleep 0.5
shows_whole "$results" "the results window" 245
stays_in_front "$results" "the results window"
shot 17-results
clear_results "$results" 18-results-cleared

# --- Move the wheel and the result picture with the mouse ---------------
# The rim of the wheel face, below the ring, and the result picture.
drag 1012 745 812 795
drag 120 520 220 470
[ -z "$(setting 外形框1左边)$(setting 中奖图片左边)" ] || fail "a press without Ctrl moved something"
drag 1012 745 812 795 ctrl
wait_setting 外形框1左边 510
wait_setting 外形框1顶边 210
drag 120 520 220 470 ctrl
wait_setting 中奖图片左边 120
wait_setting 中奖图片顶边 390
shot 19-moved

# --- A title over the wheel ---------------------------------------------
# The subtitle moved down across the wheel (now 605 pixels at 510, 210) and
# its hub; a Ctrl+press on it there moves the subtitle again, not the wheel,
# though the wheel is a window of its own.
drag 960 140 960 440 ctrl
wait_setting 副标题顶边 404
drag 800 460 800 560 ctrl
wait_setting 副标题顶边 504
[ "$(setting 外形框1左边),$(setting 外形框1顶边)" = "510,210" ] \
  || fail "the press on the title moved the wheel to $(setting 外形框1左边),$(setting 外形框1顶边)"
shot 20-title-over-wheel

# --- Leave through the menu ----------------------------------------------
menu_item 13
answer '^确定退出吗？$'
exits_cleanly

echo "PASS: password set and used, eight values, eight ring pictures, style three, zoom 2, a spin with fireworks (grade $won), results read and cleared behind the password, the wheel and the result picture moved, a title moved over the wheel and again where it lies on it, a clean exit; screenshots in $artifacts"
exit 0
