#!/usr/bin/env bash
# Copies the program folder, sets up eight prizes, starts the program on a
# 1920x1080 Xvfb screen, clicks an egg with the real mouse and checks the
# tally and what the screen shows.
#   draw_e2e.sh <program folder> <artifact folder>
set -uo pipefail
# shellcheck source=../support/e2e.sh
. "$(dirname "$0")/../support/e2e.sh"

program_dir=$1
artifacts=$2
shots=egg-e2e

e2e_begin egg-e2e Xvfb xdotool import iconv
copy_program Quorlan
[ -d "$app/奖品图片" ] || fail "the program folder has no 奖品图片"
[ -f "$app/wav/zaxia.mp3" ] && [ -f "$app/wav/中奖音乐.mp3" ] || fail "the program folder lacks its sounds"

# One prize of each grade, counted by quantity; no fireworks, so the screen
# shows the board alone once the reveal is over.
write_config 一=1 二=1 三=1 四=1 五=1 六=1 七=1 八=1 lx=假 禁用特效=真
# None of the grade colours is near white: the close label is white.
prize_pictures "$app/奖品图片/" 1920x1080 92 -gravity center -fill black -pointsize 500 -annotate 0

start_display
start_program Quorlan '砸金蛋抽奖软件'
shot stage || fail "screenshot of the stage"
[ -f "$app/jieguo.a" ] && fail "a tally exists before any click"

# Egg 9 stands at (461, 373), 200 x 188, in a window at (0, 0).
xdotool mousemove --sync 561 467 click 1

start=$SECONDS
clicked_again=0
while ! grep -qaE '^j[1-8]=' "$app/jieguo.a" 2>/dev/null; do
  # On a loaded machine the first click may land before the stage takes
  # input. A draw writes its tally before anything else shows, so a click
  # that started one is not repeated.
  if [ $clicked_again -eq 0 ] && [ "$(waited $start)" -gt 8 ]; then
    xdotool mousemove --sync 561 467 click 1
    clicked_again=1
  fi
  [ "$(waited $start)" -gt 30 ] && fail "no win was counted after the click"
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended during the draw"
  sleep 0.2
done
sleep 0.3
wins=$(grep -aE '^j[1-8]=' "$app/jieguo.a" | tr -d '\r')
[ "$(echo "$wins" | wc -l)" -eq 1 ] || fail "more than one grade counted: $wins"
[ "${wins#*=}" = "1" ] || fail "the win was not counted as 1: $wins"
grade=${wins:1:1}
echo "drawn grade: $grade"

# The reveal runs after the tally is written: wait for the picture to fill
# the board (corners and edges, away from the number and the close label).
prize_shot="$artifacts/egg-e2e-prize.png"
# The board covers the whole stage; the eggs stand on it (below).
points=("20 1060" "1900 1060" "20 300" "960 1040" "1700 600" "200 100" "1600 100" "100 382" "1100 467")
start=$SECONDS
while :; do
  import -window root "$prize_shot" || fail "screenshot of the prize"
  good=1
  for p in "${points[@]}"; do
    near "$(pixel_in "$prize_shot" $p)" "${colours[$grade]}" || { good=0; bad="$p: $(pixel_in "$prize_shot" $p)"; break; }
  done
  [ $good -eq 1 ] && break
  [ "$(waited $start)" -gt 20 ] && fail "the prize picture does not fill the board (at $bad, want ${colours[$grade]})"
  sleep 0.5
done

# The eggs stand on the shown prize, ready for the next draw: the middles of
# eggs 1 and 9 show the egg, not the prize.
for p in "252 382" "561 467"; do
  near "$(pixel_in "$prize_shot" $p)" "${colours[$grade]}" && fail "the prize covers the egg at $p"
  [ "$(pixel_in "$prize_shot" $p)" = "$(pixel_in "$artifacts/egg-e2e-stage.png" $p)" ] \
    || fail "the egg at $p does not show as on the stage: $(pixel_in "$prize_shot" $p)"
done

# The close label: white text in the board's top right-hand 88 x 48 corner,
# and none just left of it.
white_share() {
  "$CONVERT" "$prize_shot" -crop "$1" +repage -fuzz 12% -fill black +opaque white -fill white -opaque white \
    -colorspace gray -format "%[fx:mean]" info:
}
inside=$(white_share 88x48+1832+0)
beside=$(white_share 88x48+1700+0)
awk -v a="$inside" -v b="$beside" 'BEGIN { exit !(a > 0.03 && b < 0.005) }' \
  || fail "no close label at the top right (white share $inside there, $beside beside it)"

kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the draw"
echo "PASS: grade $grade drawn, counted once and shown full screen; screenshots in $artifacts"
exit 0
