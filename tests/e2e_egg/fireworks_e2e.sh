#!/usr/bin/env bash
# A win in the real program under Xvfb, with fireworks: while they play,
# coloured sparks show over the stage and the movie's black lets the stage
# through; the program's processor share over the fireworks is measured.
# Then a click on an egg through the fireworks of another draw runs a whole
# draw inside that one, and both end.
#   fireworks_e2e.sh <program folder> <artifact folder> [openbox | picom]
set -uo pipefail
# shellcheck source=../support/e2e.sh
. "$(dirname "$0")/../support/e2e.sh"

program_dir=$1
artifacts=$2
wm=${3:-}
shots=fireworks${wm:+-$wm}

e2e_begin egg-fireworks Xvfb xdotool import iconv xwininfo
copy_program Quorlan

# One prize of each grade, fireworks on, no music.
write_config 一=1 二=1 三=1 四=1 五=1 六=1 七=1 八=1 lx=假 禁用背景音乐=真
# The prize board shows a mid blue with a lighter grid: nowhere near black,
# so any black on screen during the fireworks is the movie's, not the stage's.
for n in 1 2 3 4 5 6 7 8; do
  "$CONVERT" -size 1920x1080 xc:"#3a5fa0" -fill "#6d8fd0" -draw "rectangle 0,0 1919,5" \
    -fill none -stroke "#6d8fd0" -strokewidth 4 -draw "path 'M 0,270 L 1920,270 M 0,540 L 1920,540 M 0,810 L 1920,810'" \
    -quality 95 "$app/奖品图片/$n.jpg" || fail "cannot make prize picture $n"
done

start_display
start_program Quorlan '砸金蛋抽奖软件'
shot stage || fail "screenshot of the stage"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
hz=$(getconf CLK_TCK)

xdotool mousemove --sync 561 467 click 1
wait_fireworks_movie 40
[ -f "$movie_folder/plimb-$handle.htm" ] || fail "no page beside the movie"
sleep 0.2 # the file may still be being written
case $(stat -c %s "$movie") in
  19487) echo "movie 1 (12 fps)" ;;
  40246) echo "movie 2 (36 fps)" ;;
  41317) echo "movie 3 (20 fps)" ;;
  *) fail "the movie file is none of the three fireworks ($(stat -c %s "$movie") bytes)" ;;
esac
wait_fireworks_shown
# A window manager would copy the changing shape to a frame of its own.
xwininfo -id "$(x_window_of "$handle")" | grep -q 'Override Redirect State: yes' || fail "the fireworks window is managed"
t0=$(date +%s.%N)
c0=$(cpu_ticks)

fireworks_screenshots 0.35
# CPU over 2.5 s of fireworks (the screenshots above run in other processes).
while viewable && awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a < 2.5) }'; do sleep 0.05; done
c1=$(cpu_ticks)
t1=$(date +%s.%N)
share=$(awk -v c="$(( c1 - c0 ))" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", c / hz / (b - a) }')
echo "processor share of the program while the fireworks play: $share of one core"

wait_fireworks_gone
sleep 0.5
after="$artifacts/$shots-after.png"
import -window root "$after" || fail "screenshot after the fireworks"
check_sparks "$after" "$artifacts/$shots-during.png"

# --- A draw inside a draw -------------------------------------------------
# The eggs stand on the shown prize. A click on egg 1 through the movie's
# see-through part, while the fireworks of a draw on egg 9 still wait, runs a
# whole draw inside that one: it is counted, its fireworks replace the
# others, egg 9 keeps its smash picture until the outer draw ends, and then
# both eggs show their own pictures again.
[ "$(wins)" = "1" ] || fail "the first draw counted $(wins) wins"
# Share of pixels in the 200 x 188 box of an egg at x, y that differ between
# two screenshots.
egg_change() { # shot1 shot2 left top
  "$CONVERT" "$1" "$2" -compose difference -composite -crop "200x188+$3+$4" +repage \
    -separate -evaluate-sequence max -threshold 12% -format "%[fx:mean]" info:
}
# fireworks_on_screen [reference file]: sets handle to a fireworks window
# that shows, of a movie written after the reference file when one is named.
fireworks_on_screen() {
  local f
  for f in "$movie_folder"/plimb-*.swf; do
    [ -e "$f" ] || continue
    [ -n "${1:-}" ] && ! [ "$f" -nt "$1" ] && continue
    handle=$(basename "$f" .swf)
    handle=${handle#plimb-}
    viewable && return 0
  done
  return 1
}
xdotool mousemove --sync 561 467 click 1
start=$SECONDS
until [ "$(wins)" = "2" ] && fireworks_on_screen; do
  [ "$(waited $start)" -gt 20 ] && fail "the second draw showed no fireworks (wins: $(wins))"
  alive "waiting for the second draw"
  sleep 0.1
done
outer=$handle
sleep 0.1
touch "$work/before-nested"
clicks=0
while [ "$(wins)" = "2" ]; do
  handle=$outer
  viewable || fail "no click through the fireworks reached egg 1 while they showed ($clicks clicks)"
  # A spark over the point takes the click instead; the next one goes through.
  xdotool mousemove --sync 252 382 click 1
  clicks=$((clicks + 1))
  sleep 0.3
done
[ "$(wins)" = "3" ] || fail "the click through the fireworks counted $(( $(wins) - 2 )) wins"
echo "the nested draw started after $clicks click(s) through the fireworks"
start=$SECONDS
until fireworks_on_screen "$work/before-nested"; do
  [ "$(waited $start)" -gt 20 ] && fail "the nested draw showed no fireworks of its own"
  alive "waiting for the nested draw's fireworks"
  sleep 0.1
done
sleep 0.5
nested="$artifacts/$shots-nested.png"
import -window root "$nested" || fail "screenshot of the nested draw"
smashed=$(egg_change "$nested" "$after" 461 373)
awk -v s="$smashed" 'BEGIN { exit !(s > 0.2) }' \
  || fail "egg 9 shows its own picture during the nested draw (share changed $smashed): the outer draw had ended"
start=$SECONDS
while fireworks_on_screen; do
  [ "$(waited $start)" -gt 10 ] && fail "fireworks stayed open after both draws"
  sleep 0.1
done
sleep 0.8
both="$artifacts/$shots-nested-after.png"
import -window root "$both" || fail "screenshot after both draws"
for egg in "1 152 288" "9 461 373"; do
  read -r k x y <<<"$egg"
  changed=$(egg_change "$both" "$after" "$x" "$y")
  awk -v s="$changed" 'BEGIN { exit !(s < 0.02) }' || fail "egg $k does not show its own picture after both draws ($changed)"
done
[ "$(wins)" = "3" ] || fail "$(wins) wins after both draws"
echo "nested draw: egg 9 smashed during it (share $smashed of its box changed), both eggs back afterwards"

[ -n "$wm" ] && echo "window manager: $wm"
awk -v s="$share" 'BEGIN { exit !(s < 0.5) }' || echo "NOTE: processor share $share is above half a core"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the fireworks"
echo "PASS: fireworks over the stage, a draw inside the fireworks of another; screenshots in $artifacts ($shots-*.png)"
exit 0
