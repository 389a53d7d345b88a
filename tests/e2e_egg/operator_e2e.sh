#!/usr/bin/env bash
# An operator's evening with the real program on a 1920x1080 Xvfb screen,
# from a fresh program folder: log in to the prize settings with the empty
# password, set eight values and pick eight pictures through the real file
# dialog, save, draw until the pool is empty, clear the results, draw again,
# move an egg, and leave through the menu.
#   operator_e2e.sh <program folder> <artifact folder>
set -uo pipefail
. "$(dirname "$0")/../support/x_display.sh"

program_dir=$1
artifacts=$2

for tool in Xvfb xdotool import iconv cmp; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing"
    exit 77
  fi
done
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
command -v "$CONVERT" >/dev/null 2>&1 || { echo "SKIP: ImageMagick is missing"; exit 77; }

work=$(mktemp -d /tmp/egg-operator-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

app="$work/Quorlan"
fail() {
  echo "FAIL: $*"
  shot failure
  for f in config.a jieguo.a; do
    [ -f "$app/$f" ] && { echo "--- $f"; iconv -f GBK -t UTF-8 "$app/$f"; }
  done
  [ -f "$work/app.log" ] && { echo "--- program output"; tail -n 40 "$work/app.log"; }
  exit 1
}

waited() { echo $(( SECONDS - $1 )); }
shot() { [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/operator-$1.png" 2>/dev/null; }
alive() { kill -0 "$app_pid" 2>/dev/null || fail "the program ended unexpectedly ($1)"; }

# Visible top-level window whose title matches the pattern, waiting for it.
wait_window() { # pattern seconds
  local start=$SECONDS id=""
  while [ -z "$id" ]; do
    [ "$(waited $start)" -gt "$2" ] && fail "no window titled /$1/ appeared"
    alive "waiting for /$1/"
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1)
    [ -z "$id" ] && sleep 0.2
  done
  echo "$id"
}
wait_gone() { # pattern seconds
  local start=$SECONDS
  while xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    [ "$(waited $start)" -gt "$2" ] && fail "the window /$1/ did not close"
    sleep 0.2
  done
}
# Sets WX and WY to the window's top-left corner on the screen.
window_at() {
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y)=' | sed 's/^/W/')"
}
click_in() { # window x y [repeat]: a click at x, y inside the window
  window_at "$1"
  xdotool mousemove $((WX + $2)) $((WY + $3)) click --repeat "${4:-1}" --delay 80 1
}
setting() { iconv -f GBK -t UTF-8 "$app/config.a" 2>/dev/null | tr -d '\r' | grep -E "^$1=" | head -n1 | cut -d= -f2-; }
tally() { iconv -f GBK -t UTF-8 "$app/jieguo.a" 2>/dev/null | tr -d '\r' | grep -E "^j$1=" | cut -d= -f2-; }
wins() { # sum of all tallies
  local sum=0 n v
  for n in 1 2 3 4 5 6 7 8; do v=$(tally $n); sum=$((sum + ${v:-0})); done
  echo $sum
}

# The settings menu: right button on the main title, then the item by its
# place in the menu.
menu_item() { # number of the item (1 = 主标题)
  local before
  before=$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)
  xdotool mousemove 960 40 click 3
  local start=$SECONDS
  while [ "$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)" -le "$before" ]; do
    [ "$(waited $start)" -gt 10 ] && fail "the pop-up menu did not open"
    sleep 0.2
  done
  sleep 0.3
  local i
  for ((i = 0; i < $1; i++)); do xdotool key Down; done
  xdotool key Return
}

# Colour of the screen at x, y as "r g b".
pixel() {
  local f="$work/pixel.png"
  import -window root "$f" 2>/dev/null
  "$CONVERT" "$f" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:
}

mkdir -p "$artifacts"
rm -f "$artifacts"/operator-*.png
cp -r "$program_dir" "$app" || fail "cannot copy the program folder"
[ -x "$app/Quorlan" ] || fail "no executable in $program_dir"
[ -d "$app/奖品图片" ] || fail "the program folder has no 奖品图片"
rm -f "$app/config.a" "$app/jieguo.a" "$app"/奖品图片/*.jpg

# Eight pictures to choose, one colour each.
mkdir -p "$work/pictures"
colours=(none "#d02020" "#20a040" "#2050d0" "#d0a000" "#8030b0" "#109090" "#e06010" "#505050")
for n in 1 2 3 4 5 6 7 8; do
  "$CONVERT" -size 800x600 "xc:${colours[$n]}" -gravity center -fill white -pointsize 400 \
    -annotate 0 "$n" -quality 90 "$work/pictures/prize$n.jpg" || fail "cannot make picture $n"
done

export XDG_RUNTIME_DIR="$work/xdg"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

start_xvfb

(cd "$app" && exec ./Quorlan) >"$work/app.log" 2>&1 &
app_pid=$!
wait_window '砸金蛋抽奖软件' 30 >/dev/null
sleep 1.5
shot 01-stage
egg_colour=$(pixel 561 467)

# --- Prize settings behind the empty password -----------------------------
menu_item 3
lock=$(wait_window '^密码设置  $' 10)
sleep 0.3
shot 02-password
click_in "$lock" 125 96                     # 进入设置
settings=$(wait_window '^设置$' 10)
sleep 0.3

values=(none 1 1 1 1 0 0 0 0)
value_left=(none 131 131 131 131 519 519 519 519)
picture_left=(none 8 8 8 8 392 392 392 392)
row_top=(none 28 74 120 166 28 74 120 166)
for n in 1 2 3 4 5 6 7 8; do
  click_in "$settings" $((value_left[n] + 50)) $((row_top[n] + 20))
  xdotool key ctrl+a
  xdotool type --delay 30 "${values[$n]}"

  # The real file dialog: the path typed into its file name field.
  click_in "$settings" $((picture_left[n] + 50)) $((row_top[n] + 20)) 2
  wait_window '^(Open|打开)' 10 >/dev/null
  sleep 0.4
  [ "$n" -eq 1 ] && shot 03-file-dialog
  xdotool type --delay 15 "$work/pictures/prize$n.jpg"
  xdotool key Return
  wait_gone '^(Open|打开)' 10
  start=$SECONDS
  until cmp -s "$work/pictures/prize$n.jpg" "$app/奖品图片/$n.jpg"; do
    [ "$(waited $start)" -gt 10 ] && fail "picture $n was not copied beside the program"
    sleep 0.2
  done
done
# Fireworks off, so a draw does not wait three seconds.
click_in "$settings" 504 239
sleep 0.5
shot 04-prize-settings
click_in "$settings" 394 385                # 确定
box=$(wait_window '^信息：$' 10)
sleep 0.3
shot 05-saved
xdotool key Return
wait_gone '^信息：$' 10
wait_gone '^设置$' 10
wait_gone '^密码设置' 10

grade_keys=(none 一 二 三 四 五 六 七 八)
for n in 1 2 3 4 5 6 7 8; do
  [ "$(setting "${grade_keys[$n]}")" = "${values[$n]}" ] || fail "value $n stored as '$(setting "${grade_keys[$n]}")'"
done
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
    if [ "$(pixel 561 467)" = "$egg_colour" ]; then settled=$((settled + 1)); else settled=0; fi
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
wait_window '^砸金蛋抽奖信息提示$' 10 >/dev/null
sleep 0.3
shot 07-empty-pool
xdotool key Return
wait_gone '^砸金蛋抽奖信息提示$' 10
[ "$(wins)" = "4" ] || fail "the empty pool counted a win"

# --- Results: look, clear --------------------------------------------------
menu_item 7
results=$(wait_window '^中奖结果$' 10)
sleep 0.5
shot 08-results
click_in "$results" 240 230                 # 清空中奖
wait_window '^确定清空吗？$' 10 >/dev/null
xdotool key Return
wait_gone '^确定清空吗？$' 10
start=$SECONDS
while [ "$(wins)" != "0" ]; do
  [ "$(waited $start)" -gt 10 ] && fail "clearing left tallies in the file"
  sleep 0.2
done
for n in 1 2 3 4 5 6 7 8; do
  [ "$(tally $n)" = "0" ] || fail "j$n is '$(tally $n)' after clearing"
done
sleep 0.3
shot 09-results-cleared
xdotool windowfocus --sync "$results" 2>/dev/null
xdotool key alt+F4
wait_gone '^中奖结果$' 10

# The pool is full again.
draw_once 0
[ "$(wins)" = "1" ] || fail "the draw after clearing counted $(wins) wins"

# --- Egg layout: drag egg 9 with the real mouse --------------------------
menu_item 4
sleep 1
shot 10-egg-layout
xdotool mousemove 561 467 mousedown 1
sleep 0.3
xdotool mousemove 661 417
sleep 0.3
xdotool mousemove 761 367
sleep 0.3
xdotool mouseup 1
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
[ "$(pixel 40 1060)" != "255 0 0" ] || fail "the layout window did not close"
shot 12-stage-after-layout

# --- Leave through the menu ------------------------------------------------
menu_item 10
wait_window '^确定退出吗？$' 10 >/dev/null
xdotool key Return
start=$SECONDS
while kill -0 "$app_pid" 2>/dev/null; do
  [ "$(waited $start)" -gt 10 ] && fail "the program did not end after 退出"
  sleep 0.2
done
wait "$app_pid"
code=$?
app_pid=""
[ "$code" -eq 0 ] || fail "the program ended with code $code"

echo "PASS: settings, eight pictures, four draws to an empty pool, clearing, a new draw, an egg moved and a clean exit; screenshots in $artifacts"
exit 0
