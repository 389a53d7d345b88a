#!/usr/bin/env bash
# Copies the program folder, sets up eight prizes with pictures, starts the
# wheel on a 1920x1080 Xvfb screen, spins it with the real mouse, presses
# Shift+Q while another program has the focus, stops it, and checks the
# tally and what the screen shows.
#   spin_e2e.sh <program folder> <artifact folder>
set -uo pipefail
# shellcheck source=../support/e2e.sh
. "$(dirname "$0")/../support/e2e.sh"

program_dir=$1
artifacts=$2
shots=wheel-e2e

e2e_begin wheel-e2e Xvfb xdotool xmessage import iconv
copy_program Vessimar
[ -d "$app/奖品图片" ] || fail "the program folder has no 奖品图片"

# Five of each grade, counted by quantity; no background music.
write_config 一=5 二=5 三=5 四=5 五=5 六=5 七=5 八=5 lx=假 背景音乐=假
# The number sits in a corner, away from the middle of the picture that the
# checks look at.
prize_pictures "$app/奖品图片/" 1600x1200 90 -gravity northwest -fill white -pointsize 300 -annotate +60+20

start_display
start_program Vessimar '转盘抽奖软件'

# The 500-pixel wheel frame stands centred at (710, 160); the stage around
# it is night blue. Round: the frame's corners show the stage, its rim the
# wheel.
stage="#101c56"
round_wheel() {
  local shot=$1 p
  for p in "712 162" "1207 162" "712 657" "1207 657"; do
    near "$(pixel_in "$shot" $p)" "$stage" || fail "frame corner $p is not cut away in $shot: $(pixel_in "$shot" $p)"
  done
  for p in "960 164" "960 656" "714 410" "1206 410"; do
    near "$(pixel_in "$shot" $p)" "$stage" && fail "no wheel at $p in $shot"
  done
}

idle="$artifacts/wheel-e2e-idle.png"
import -window root "$idle" || fail "screenshot of the idle wheel"
round_wheel "$idle"
# Every ring picture stands on the wheel: slot 1 at (842, 229), 106 x 65.
near "$(pixel_in "$idle" 895 262)" "${colours[1]}" || fail "slot 1 does not show prize 1: $(pixel_in "$idle" 895 262)"
[ -f "$app/jieguo.a" ] && fail "a tally exists before any spin"

# 开始 at the hub.
hub_x=963; hub_y=408
xdotool mousemove --sync $hub_x $hub_y click 1
sleep 1.5
spinning="$artifacts/wheel-e2e-spinning.png"
import -window root "$spinning" || fail "screenshot of the spin"
[ -f "$app/jieguo.a" ] && fail "a win was counted before the stop"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended during the spin"

# Another program takes the focus; Shift+Q still reaches the wheel.
xmessage -geometry +1500+900 "another program" >/dev/null 2>&1 &
other_pid=$!
start=$SECONDS
other=""
while [ -z "$other" ]; do
  [ "$(waited $start)" -gt 15 ] && fail "the other window did not appear"
  other=$(xdotool search --onlyvisible --class xmessage 2>/dev/null | head -n1)
  sleep 0.2
done
xdotool windowfocus --sync "$other" || fail "cannot focus the other window"
[ "$(xdotool getwindowfocus)" = "$other" ] || fail "the other window does not have the focus"
xdotool key shift+q
sleep 0.5
[ "$(xdotool getwindowfocus)" = "$other" ] || echo "note: the focus moved after the hot key"

# 停止 at the hub; the stop lands on grade 1, the lowest with tickets.
xdotool mousemove --sync $hub_x $hub_y click 1
start=$SECONDS
while ! grep -qaE '^j[1-8]=' "$app/jieguo.a" 2>/dev/null; do
  [ "$(waited $start)" -gt 20 ] && fail "no win was counted after the stop"
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended at the stop"
  sleep 0.2
done
sleep 0.3
wins=$(grep -aE '^j[1-8]=' "$app/jieguo.a" | tr -d '\r')
[ "$wins" = "j1=1" ] || fail "the forced stop did not count grade 1 once: $wins"

# The fireworks wait is over after 3.5 s; then the stage shows the win: the
# lit slot 1 with its raised frame (dark lower edge) and prize 1 in it, and
# prize 1 in the result box at (20, 440), 200 x 160.
sleep 4
won="$artifacts/wheel-e2e-won.png"
import -window root "$won" || fail "screenshot of the win"
round_wheel "$won"
near "$(pixel_in "$won" 895 262)" "${colours[1]}" || fail "slot 1 does not show prize 1 after the win"
near "$(pixel_in "$won" 870 292)" "#404040" 300 || fail "slot 1 is not lit: $(pixel_in "$won" 870 292)"
near "$(pixel_in "$won" 1000 278)" "#404040" 300 && fail "slot 2 is lit as well"
near "$(pixel_in "$won" 120 520)" "${colours[1]}" || fail "the result box does not show prize 1: $(pixel_in "$won" 120 520)"

kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the win"
echo "PASS: grade 1 forced by Shift+Q from another window, counted once and shown; screenshots in $artifacts"
exit 0
