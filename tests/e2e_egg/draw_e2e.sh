#!/usr/bin/env bash
# Copies the program folder, sets up eight prizes, starts the program on a
# 1920x1080 Xvfb screen, clicks an egg with the real mouse and checks the
# tally and what the screen shows.
#   draw_e2e.sh <program folder> <artifact folder>
set -uo pipefail
. "$(dirname "$0")/../support/x_display.sh"

program_dir=$1
artifacts=$2

for tool in Xvfb xdotool import iconv; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing"
    exit 77
  fi
done
# Prefer the real ImageMagick over anything earlier on PATH.
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert

work=$(mktemp -d /tmp/egg-e2e-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$app/jieguo.a" ] && { echo "--- jieguo.a"; cat "$app/jieguo.a"; }
  [ -f "$work/app.log" ] && { echo "--- program output"; tail -n 40 "$work/app.log"; }
  exit 1
}

# Seconds since this script started, to bound every wait.
waited() { echo $(( SECONDS - $1 )); }

mkdir -p "$artifacts"
cp -r "$program_dir" "$work/Quorlan" || fail "cannot copy the program folder"
app="$work/Quorlan"
[ -x "$app/Quorlan" ] || fail "no executable in $program_dir"
[ -d "$app/奖品图片" ] || fail "the program folder has no 奖品图片"
[ -f "$app/wav/zaxia.mp3" ] && [ -f "$app/wav/中奖音乐.mp3" ] || fail "the program folder lacks its sounds"

# One prize of each grade, counted by quantity; no fireworks, so the screen
# shows the board alone once the reveal is over.
printf '[zbt]\r\n一=1\r\n二=1\r\n三=1\r\n四=1\r\n五=1\r\n六=1\r\n七=1\r\n八=1\r\nlx=假\r\n禁用特效=真\r\n' \
  | iconv -f UTF-8 -t GBK > "$app/config.a" || fail "iconv"

# Grade colours: far apart, none near white (the close label is white).
colours=(none "#d02020" "#20a040" "#2050d0" "#d0a000" "#8030b0" "#109090" "#e06010" "#505050")
for n in 1 2 3 4 5 6 7 8; do
  "$CONVERT" -size 1920x1080 "xc:${colours[$n]}" -gravity center -fill black -pointsize 500 \
    -annotate 0 "$n" -quality 92 "$app/奖品图片/$n.jpg" || fail "cannot make prize picture $n"
done

export XDG_RUNTIME_DIR="$work/xdg"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

start_xvfb

(cd "$app" && exec ./Quorlan) >"$work/app.log" 2>&1 &
app_pid=$!

start=$SECONDS
window=""
while [ -z "$window" ]; do
  [ "$(waited $start)" -gt 30 ] && fail "no window appeared"
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended at start-up"
  window=$(xdotool search --onlyvisible --name '砸金蛋抽奖软件' 2>/dev/null | head -n1)
  sleep 0.3
done
# Let the first frame settle before taking the stage's picture.
sleep 1.5
import -window root "$artifacts/egg-e2e-stage.png" || fail "screenshot of the stage"
[ -f "$app/jieguo.a" ] && fail "a tally exists before any click"

# Egg 9 stands at (461, 373), 200 x 188, in a window at (0, 0).
xdotool mousemove --sync 561 467 click 1

start=$SECONDS
clicked_again=0
while ! grep -qaE '^j[1-8]=' "$app/jieguo.a" 2>/dev/null; do
  # On a loaded machine the first click may land before the stage takes
  # input. Once a draw runs, the reveal covers the egg, so a second click
  # cannot start another draw.
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

# Pixel colour of the screenshot at x, y as "r g b" (0..255).
pixel() {
  "$CONVERT" "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
near() { # near "r g b" "#rrggbb"
  local r g b er eg eb
  read -r r g b <<<"$1"
  er=$((16#${2:1:2})); eg=$((16#${2:3:2})); eb=$((16#${2:5:2}))
  [ $(( (r-er)*(r-er) + (g-eg)*(g-eg) + (b-eb)*(b-eb) )) -lt 1200 ]
}

# The reveal runs after the tally is written: wait for the picture to fill
# the board (corners and edges, away from the number and the close label).
shot="$artifacts/egg-e2e-prize.png"
# Two of the points lie inside eggs 1 and 9: the board covers the whole stage.
points=("20 1060" "1900 1060" "20 300" "960 1040" "1700 600" "200 100" "1600 100" "252 382" "561 467")
start=$SECONDS
while :; do
  import -window root "$shot" || fail "screenshot of the prize"
  good=1
  for p in "${points[@]}"; do
    near "$(pixel "$shot" $p)" "${colours[$grade]}" || { good=0; bad="$p: $(pixel "$shot" $p)"; break; }
  done
  [ $good -eq 1 ] && break
  [ "$(waited $start)" -gt 20 ] && fail "the prize picture does not fill the board (at $bad, want ${colours[$grade]})"
  sleep 0.5
done

# The close label: white text in the board's top right-hand 88 x 48 corner,
# and none just left of it.
white_share() {
  "$CONVERT" "$shot" -crop "$1" +repage -fuzz 12% -fill black +opaque white -fill white -opaque white \
    -colorspace gray -format "%[fx:mean]" info:
}
inside=$(white_share 88x48+1832+0)
beside=$(white_share 88x48+1700+0)
awk -v a="$inside" -v b="$beside" 'BEGIN { exit !(a > 0.03 && b < 0.005) }' \
  || fail "no close label at the top right (white share $inside there, $beside beside it)"

kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the draw"
echo "PASS: grade $grade drawn, counted once and shown full screen; screenshots in $artifacts"
exit 0
