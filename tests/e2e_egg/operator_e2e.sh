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
. "$(dirname "$0")/../support/x_display.sh"

program_dir=$1
artifacts=$2
wm=${3:-}
shots=operator
[ -n "$wm" ] && shots="$wm-operator"

for tool in Xvfb xdotool xwininfo xprop import iconv cmp $wm; do
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
wm_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
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
shot() { [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/$shots-$1.png" 2>/dev/null; }
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
# Sets WX, WY, WW and WH to the inside of the window on the screen (a window
# manager's frame is a window of its own around it).
window_at() {
  local info
  info=$(xwininfo -id "$1") || fail "no window $1"
  WX=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
  WY=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
  WW=$(echo "$info" | sed -n 's/.*Width: *//p')
  WH=$(echo "$info" | sed -n 's/.*Height: *//p')
}
# Sets FX, FY, FW and FH to the window's outer rectangle, frame included.
frame_at() {
  window_at "$1"
  local ext
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
  [ -z "$ext" ] && ext=0,0,0,0
  IFS=, read -r fl fr ft fb <<<"$ext"
  FX=$((WX - fl)); FY=$((WY - ft)); FW=$((WW + fl + fr)); FH=$((WH + ft + fb))
}
# The window shows whole: its frame lies on the screen, and its inside is
# tall enough for its lowest control (bottom edge in window pixels).
shows_whole() { # window name lowest-bottom
  frame_at "$1"
  [ "$FX" -ge 0 ] && [ "$FY" -ge 0 ] && [ $((FX + FW)) -le 1920 ] && [ $((FY + FH)) -le 1080 ] \
    || fail "$2 lies off the screen: frame ${FW}x${FH} at $FX,$FY"
  [ "$WH" -ge "$3" ] || fail "$2 is cut at the bottom: inside ${WW}x${WH}, its controls reach $3"
}
# The modal window stays in front after a click on the stage beside it.
stays_in_front() { # window name
  local main stacking
  main=$(xdotool search --name '砸金蛋抽奖软件' | head -n1)
  xdotool mousemove 1700 950 click 1
  sleep 0.5
  stacking=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | sed -n 's/.*# *//p' | tr -d ' ')
  if [ -n "$stacking" ]; then
    local order=",$stacking," m w
    m=$(printf '0x%x' "$main"); w=$(printf '0x%x' "$1")
    order=${order%%,$w,*}
    [[ "$order" == *",$m"* ]] || fail "$2 went behind the stage"
  fi
  window_at "$1"
  [ "$(pixel $((WX + WW / 2)) $((WY + 8)))" != "$stage_colour" ] || fail "the stage covers $2"
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
rm -f "$artifacts"/"$shots"-*.png
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
[ -n "$wm" ] && start_window_manager "$wm" --sm-disable

(cd "$app" && exec ./Quorlan) >"$work/app.log" 2>&1 &
app_pid=$!
wait_window '砸金蛋抽奖软件' 30 >/dev/null
sleep 1.5
shot 01-stage
egg_colour=$(pixel 561 467)
stage_colour=$(pixel 1700 950)

# --- Prize settings behind the empty password -----------------------------
menu_item 3
lock=$(wait_window '^密码设置  $' 10)
sleep 0.3
shows_whole "$lock" "the password window" 112
stays_in_front "$lock" "the password window"
shot 02-password
click_in "$lock" 125 96                     # 进入设置
settings=$(wait_window '^设置$' 10)
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
shows_whole "$results" "the results window" 245
stays_in_front "$results" "the results window"
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

# --- Windowed mode fits the screen, frame included ------------------------
xdotool mousemove 960 40 click 3
sleep 0.8
for ((i = 0; i < 8; i++)); do xdotool key Down; done
xdotool key Right Down Return               # 界面大小 > 窗口
main=$(xdotool search --name '砸金蛋抽奖软件' | head -n1)
start=$SECONDS
while :; do
  sleep 0.5
  frame_at "$main"
  [ "$FX,$FY,$FW,$FH" = "0,0,1900,1060" ] && break
  [ "$(waited $start)" -gt 10 ] && fail "the windowed stage has its frame at $FX,$FY, ${FW}x${FH}, not 0,0, 1900x1060"
done
[ "$(setting 界面大小)" = "窗口" ] || fail "windowed mode stored as '$(setting 界面大小)'"
shot 13-windowed
xdotool mousemove 960 60 click 3
sleep 0.8
for ((i = 0; i < 8; i++)); do xdotool key Down; done
xdotool key Right Return                    # 界面大小 > 全屏
start=$SECONDS
while :; do
  sleep 0.5
  frame_at "$main"
  [ "$FX,$FY,$FW,$FH" = "0,0,1920,1080" ] && break
  [ "$(waited $start)" -gt 10 ] && fail "full screen came back as ${FW}x${FH} at $FX,$FY"
done

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
