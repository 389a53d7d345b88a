#!/usr/bin/env bash
# An operator's evening with the real prize wheel on a 1920x1080 Xvfb screen,
# from a fresh program folder: set a settings password and enter the prize
# settings with it, pick the eight ring pictures through the real file
# dialog with a double click on each, choose style three and zoom 2 in the
# panel, spin and stop with the fireworks over the wheel, read the results
# behind the password and clear them, and leave through the menu. With a
# window manager (as an event machine has one) it also checks that modal
# windows stay in front of the full-screen stage and show whole.
#   operator_e2e.sh <program folder> <artifact folder> [openbox]
set -uo pipefail
. "$(dirname "$0")/../support/x_display.sh"

program_dir=$1
artifacts=$2
wm=${3:-}
shots=wheel-operator
[ -n "$wm" ] && shots="wheel-$wm-operator"

for tool in Xvfb xdotool xwininfo xprop import iconv cmp $wm; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing"
    exit 77
  fi
done
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
command -v "$CONVERT" >/dev/null 2>&1 || { echo "SKIP: ImageMagick is missing"; exit 77; }

work=$(mktemp -d /tmp/wheel-operator-XXXXXX)
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

app="$work/Vessimar"
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
# Sets WX, WY, WW and WH to the inside of the window on the screen.
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
  main=$(xdotool search --name '转盘抽奖软件' | head -n1)
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
wait_setting() { # key value
  local start=$SECONDS
  until [ "$(setting "$1")" = "$2" ]; do
    [ "$(waited $start)" -gt 10 ] && fail "$1 stored as '$(setting "$1")', not '$2'"
    sleep 0.2
  done
}

# The menu 设置: right button on the main title, then the item by its place
# in the menu (1 = 奖项设置), and in its sub-menu when one is named
# (1 = its first item).
menu_item() { # item [sub-item]
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
  if [ -n "${2:-}" ]; then
    xdotool key Right
    sleep 0.3
    for ((i = 1; i < $2; i++)); do xdotool key Down; done
  fi
  xdotool key Return
}
# Answers the message box of that title with Return, after a look.
answer() { # title-pattern shot-name
  wait_window "$1" 10 >/dev/null
  sleep 0.3
  [ -n "${2:-}" ] && shot "$2"
  xdotool key Return
  wait_gone "$1" 10
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
[ -x "$app/Vessimar" ] || fail "no executable in $program_dir"
rm -rf "$app/config.a" "$app/jieguo.a" "$app"/奖品图片/*.jpg "$app/wav"

# Eight pictures to choose, one colour each.
mkdir -p "$work/pictures"
colours=(none "#d02020" "#20a040" "#2050d0" "#d0a000" "#8030b0" "#109090" "#e06010" "#505050")
for n in 1 2 3 4 5 6 7 8; do
  "$CONVERT" -size 800x600 "xc:${colours[$n]}" -gravity center -fill white -pointsize 400 \
    -annotate 0 "$n" -quality 90 "$work/pictures/prize$n.jpg" || fail "cannot make picture $n"
done

export XDG_RUNTIME_DIR="$work/xdg"
export XDG_CACHE_HOME="$work/cache"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
movie_folder="$XDG_CACHE_HOME/prizedraw/Temp"

start_xvfb
[ -n "$wm" ] && start_window_manager "$wm" --sm-disable

(cd "$app" && exec ./Vessimar) >"$work/app.log" 2>&1 &
app_pid=$!
wait_window '转盘抽奖软件' 30 >/dev/null
sleep 1.5
shot 01-stage
stage_colour=$(pixel 1700 950)
[ -d "$app/奖品图片" ] || fail "the program did not make 奖品图片"

# --- A settings password, then the prize settings behind it --------------
menu_item 1
lock=$(wait_window '^密码设置！$' 10)
sleep 0.3
shows_whole "$lock" "the password window" 112
stays_in_front "$lock" "the password window"
shot 02-password
click_in "$lock" 249 96                     # 修改密码 with the empty password
wait_window '^请输入密码$' 10 >/dev/null
sleep 0.3
xdotool type --delay 40 "8888"
xdotool key Return
answer '^信息：$' 03-password-set
wait_gone '^密码设置！$' 10
stored=$(setting password)
[[ "$stored" =~ ^[A-Z]{10}$ ]] || fail "the password is stored as '$stored'"

menu_item 1
lock=$(wait_window '^密码设置！$' 10)
sleep 0.3
click_in "$lock" 125 96                     # 进入设置 with nothing typed
answer '^信息：$' 04-wrong-password
xdotool windowfocus --sync "$lock" 2>/dev/null
click_in "$lock" 256 40                     # the masked box
xdotool type --delay 40 "8888"
sleep 0.3
shot 05-password-typed
click_in "$lock" 125 96                     # 进入设置
settings=$(wait_window '^设置$' 10)
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
click_in "$settings" 279 386                # 确定
answer '^信息：$' 07-saved
wait_gone '^设置$' 10
wait_gone '^密码设置' 10
grade_keys=(none 一 二 三 四 五 六 七 八)
for n in 1 2 3 4 5 6 7 8; do
  [ "$(setting "${grade_keys[$n]}")" = "${values[$n]}" ] || fail "value $n stored as '$(setting "${grade_keys[$n]}")'"
done

# --- The ring's pictures through the real file dialog --------------------
# Ring slot k on the unzoomed wheel, whose frame stands at (710, 160).
slot_left=(none 132 260 334 347 260 135 60 42)
slot_top=(none 69 55 172 268 366 379 264 172)
for n in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((710 + slot_left[n] + 53)) $((160 + slot_top[n] + 32)) click --repeat 2 --delay 80 1
  wait_window '^(Open|打开)' 10 >/dev/null
  sleep 0.4
  [ "$n" -eq 1 ] && shot 08-file-dialog
  xdotool type --delay 15 "$work/pictures/prize$n.jpg"
  xdotool key Return
  wait_gone '^(Open|打开)' 10
  start=$SECONDS
  until cmp -s "$work/pictures/prize$n.jpg" "$app/奖品图片/$n.jpg"; do
    [ "$(waited $start)" -gt 10 ] && fail "picture $n was not copied beside the program"
    sleep 0.2
  done
done
sleep 0.5
shot 09-ring-pictures
near() { # near "r g b" "#rrggbb"
  local r g b er eg eb
  read -r r g b <<<"$1"
  er=$((16#${2:1:2})); eg=$((16#${2:3:2})); eb=$((16#${2:5:2}))
  [ $(( (r-er)*(r-er) + (g-eg)*(g-eg) + (b-eb)*(b-eb) )) -lt 1200 ]
}
# Beside the white number of each picture.
for n in 1 5; do
  p=$(pixel $((710 + slot_left[n] + 20)) $((160 + slot_top[n] + 12)))
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
near "$(pixel 1012 755)" "#101c56" && fail "the wheel did not grow to 605 pixels"

# --- Spin and stop, with fireworks over the wheel ------------------------
hub_x=1014; hub_y=459                       # the centre labels of the grown wheel
xdotool mousemove --sync $hub_x $hub_y click 1
sleep 1.5
shot 12-spinning
[ "$(wins)" = "0" ] || fail "a win was counted before the stop"
xdotool mousemove --sync $hub_x $hub_y click 1
start=$SECONDS
movie=""
while [ -z "$movie" ]; do
  [ "$(waited $start)" -gt 20 ] && fail "no fireworks movie was written"
  alive "the stop"
  movie=$(ls "$movie_folder"/plimb-*.swf 2>/dev/null | head -n1)
  sleep 0.05
done
handle=$(basename "$movie" .swf)
handle=${handle#plimb-}
viewable() { xwininfo -id "$handle" 2>/dev/null | grep -q 'IsViewable'; }
start=$SECONDS
until viewable; do
  [ "$(waited $start)" -gt 10 ] && fail "the fireworks window never showed"
  sleep 0.02
done
during=()
for i in 1 2 3 4 5; do
  sleep 0.4
  viewable || break
  import -window root "$work/during-$i.png" && during+=("$work/during-$i.png")
done
start=$SECONDS
while viewable; do
  [ "$(waited $start)" -gt 10 ] && fail "the fireworks stayed after the wait"
  sleep 0.1
done
sleep 0.5
after="$artifacts/$shots-14-won.png"
import -window root "$after" || fail "screenshot after the fireworks"
[ "$(wins)" = "1" ] || fail "the stop counted $(wins) wins"
won=""
for n in 1 2 3 4; do [ "$(tally $n)" = "1" ] && won=$n; done
[ -n "$won" ] || fail "the win went to a grade with no prizes: $(iconv -f GBK -t UTF-8 "$app/jieguo.a")"

# Sparks: pixels changed from the stage after the fireworks, bright ones
# among them; see-through: no near-black over stage that is not black.
[ ${#during[@]} -gt 0 ] || fail "no screenshot was taken during the fireworks"
dark() { "$CONVERT" "$1" -separate -evaluate-sequence max -threshold 6% -negate "$2"; }
dark "$after" "$work/dark-after.png"
best=""; best_bright=0
for s in "${during[@]}"; do
  dark "$s" "$work/dark-now.png"
  covered=$("$CONVERT" "$work/dark-now.png" \( "$work/dark-after.png" -negate \) -compose multiply -composite \
    -format "%[fx:int(mean*w*h)]" info:)
  changed=$("$CONVERT" "$s" "$after" -compose difference -composite -separate -evaluate-sequence max \
    -threshold 12% -format "%[fx:int(mean*w*h)]" info:)
  bright=$("$CONVERT" "$s" "$after" -compose difference -composite -separate -evaluate-sequence max \
    -threshold 12% \( "$s" -separate -evaluate-sequence max -threshold 55% \) -compose multiply -composite \
    -format "%[fx:int(mean*w*h)]" info:)
  # The same over the wheel alone (its box on the screen).
  over_wheel=$("$CONVERT" "$s" "$after" -compose difference -composite -crop 605x605+710+160 +repage \
    -separate -evaluate-sequence max -threshold 12% -format "%[fx:int(mean*w*h)]" info:)
  echo "$(basename "$s"): $changed pixels changed ($over_wheel over the wheel), $bright bright, $covered black over the stage"
  if [ "$bright" -gt "$best_bright" ]; then
    best=$s; best_bright=$bright; best_changed=$changed; best_covered=$covered; best_over_wheel=$over_wheel
  fi
done
[ -n "$best" ] || fail "no sparks in any screenshot"
cp "$best" "$artifacts/$shots-13-fireworks.png"
(( best_bright >= 1500 )) || fail "too few bright sparks over the stage ($best_bright pixels)"
(( best_changed <= 1920 * 1080 / 2 )) || fail "the movie covers most of the stage ($best_changed pixels changed)"
(( best_covered <= best_changed / 4 )) || fail "the movie's black shows over the stage ($best_covered pixels)"
(( best_over_wheel <= 605 * 605 / 2 )) || fail "the wheel is hidden under the movie ($best_over_wheel pixels changed)"

# --- Results behind the password, then cleared ---------------------------
menu_item 5
wait_window '^请输入密码$' 10 >/dev/null
sleep 0.3
xdotool type --delay 40 "8887"
sleep 0.2
shot 15-results-password
xdotool key Return
answer '^信息：$' 16-results-wrong-password
[ -z "$(xdotool search --onlyvisible --name '^中奖结果$' 2>/dev/null)" ] || fail "a wrong password opened the results"
menu_item 5
wait_window '^请输入密码$' 10 >/dev/null
sleep 0.3
xdotool type --delay 40 "8888"
xdotool key Return
results=$(wait_window '^中奖结果$' 10)
sleep 0.5
shows_whole "$results" "the results window" 245
stays_in_front "$results" "the results window"
shot 17-results
click_in "$results" 240 230                 # 清空中奖
answer '^确定清空吗？$'
start=$SECONDS
while [ "$(wins)" != "0" ]; do
  [ "$(waited $start)" -gt 10 ] && fail "clearing left tallies in the file"
  sleep 0.2
done
for n in 1 2 3 4 5 6 7 8; do
  [ "$(tally $n)" = "0" ] || fail "j$n is '$(tally $n)' after clearing"
done
sleep 0.3
shot 18-results-cleared
xdotool windowfocus --sync "$results" 2>/dev/null
xdotool key alt+F4
wait_gone '^中奖结果$' 10

# --- Move the wheel and the result picture with the mouse ---------------
drag() { # from-x from-y to-x to-y [key held]
  [ -n "${5:-}" ] && xdotool keydown "$5"
  xdotool mousemove "$1" "$2" mousedown 1
  sleep 0.3
  xdotool mousemove $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 ))
  sleep 0.3
  xdotool mousemove "$3" "$4"
  sleep 0.3
  xdotool mouseup 1
  [ -n "${5:-}" ] && xdotool keyup "$5"
  sleep 0.5
}
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

# --- Leave through the menu ----------------------------------------------
menu_item 13
answer '^确定退出吗？$'
start=$SECONDS
while kill -0 "$app_pid" 2>/dev/null; do
  [ "$(waited $start)" -gt 10 ] && fail "the program did not end after 退出"
  sleep 0.2
done
wait "$app_pid"
code=$?
app_pid=""
[ "$code" -eq 0 ] || fail "the program ended with code $code"

echo "PASS: password set and used, eight values, eight ring pictures, style three, zoom 2, a spin with fireworks (grade $won), results read and cleared behind the password, the wheel and the result picture moved, a clean exit; screenshots in $artifacts"
exit 0
