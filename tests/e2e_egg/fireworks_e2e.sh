#!/usr/bin/env bash
# A win in the real program under Xvfb, with fireworks: while they play,
# coloured sparks show over the stage and the movie's black lets the stage
# through; the program's processor share over the fireworks is measured.
#   fireworks_e2e.sh <program folder> <artifact folder> [openbox]
set -uo pipefail
. "$(dirname "$0")/../support/x_display.sh"

program_dir=$1
artifacts=$2
wm=${3:-}
tag=fireworks${wm:+-$wm}

for tool in Xvfb xdotool import iconv xwininfo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing"
    exit 77
  fi
done
if [ -n "$wm" ] && ! command -v "$wm" >/dev/null 2>&1; then
  echo "SKIP: $wm is missing"
  exit 77
fi
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert

work=$(mktemp -d /tmp/egg-fireworks-XXXXXX)
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

fail() {
  echo "FAIL: $*"
  [ -f "$work/app.log" ] && { echo "--- program output"; tail -n 40 "$work/app.log"; }
  exit 1
}
waited() { echo $(( SECONDS - $1 )); }

mkdir -p "$artifacts"
cp -r "$program_dir" "$work/Quorlan" || fail "cannot copy the program folder"
app="$work/Quorlan"
[ -x "$app/Quorlan" ] || fail "no executable in $program_dir"

# One prize of each grade, fireworks on, no music.
printf '[zbt]\r\n一=1\r\n二=1\r\n三=1\r\n四=1\r\n五=1\r\n六=1\r\n七=1\r\n八=1\r\nlx=假\r\n禁用背景音乐=真\r\n' \
  | iconv -f UTF-8 -t GBK > "$app/config.a" || fail "iconv"
# The prize board shows a mid blue with a lighter grid: nowhere near black,
# so any black on screen during the fireworks is the movie's, not the stage's.
for n in 1 2 3 4 5 6 7 8; do
  "$CONVERT" -size 1920x1080 xc:"#3a5fa0" -fill "#6d8fd0" -draw "rectangle 0,0 1919,5" \
    -fill none -stroke "#6d8fd0" -strokewidth 4 -draw "path 'M 0,270 L 1920,270 M 0,540 L 1920,540 M 0,810 L 1920,810'" \
    -quality 95 "$app/奖品图片/$n.jpg" || fail "cannot make prize picture $n"
done

export XDG_RUNTIME_DIR="$work/xdg"
export XDG_CACHE_HOME="$work/cache"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
movie_folder="$XDG_CACHE_HOME/prizedraw/Temp"

start_xvfb
if [ -n "$wm" ]; then
  "$wm" >"$work/wm.log" 2>&1 &
  wm_pid=$!
  sleep 1
  kill -0 "$wm_pid" 2>/dev/null || fail "$wm did not start: $(cat "$work/wm.log")"
fi

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
sleep 1.5
import -window root "$artifacts/$tag-stage.png" || fail "screenshot of the stage"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
hz=$(getconf CLK_TCK)

xdotool mousemove --sync 561 467 click 1
# The effect window's movie file is named by its window handle.
start=$SECONDS
movie=""
while [ -z "$movie" ]; do
  [ "$(waited $start)" -gt 40 ] && fail "no fireworks movie was written (folder: $(ls -la "$movie_folder" 2>&1))"
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended during the draw"
  movie=$(ls "$movie_folder"/plimb-*.swf 2>/dev/null | head -n1)
  sleep 0.05
done
handle=$(basename "$movie" .swf)
handle=${handle#plimb-}
[ -f "$movie_folder/plimb-$handle.htm" ] || fail "no page beside the movie"
sleep 0.2 # the file may still be being written
case $(stat -c %s "$movie") in
  19487) echo "movie 1 (12 fps)" ;;
  40246) echo "movie 2 (36 fps)" ;;
  41317) echo "movie 3 (20 fps)" ;;
  *) fail "the movie file is none of the three fireworks ($(stat -c %s "$movie") bytes)" ;;
esac
viewable() { xwininfo -id "$handle" 2>/dev/null | grep -q 'IsViewable'; }
start=$SECONDS
until viewable; do
  [ "$(waited $start)" -gt 10 ] && fail "the fireworks window never showed"
  sleep 0.02
done
t0=$(date +%s.%N)
c0=$(cpu_ticks)

# Screenshots while the fireworks play.
shots=()
for i in 1 2 3 4 5; do
  sleep 0.35
  viewable || break
  import -window root "$work/during-$i.png" && shots+=("$work/during-$i.png")
done
# CPU over 2.5 s of fireworks (the screenshots above run in other processes).
while viewable && awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a < 2.5) }'; do sleep 0.05; done
c1=$(cpu_ticks)
t1=$(date +%s.%N)
share=$(awk -v c="$(( c1 - c0 ))" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", c / hz / (b - a) }')
echo "processor share of the program while the fireworks play: $share of one core"

start=$SECONDS
while viewable; do
  [ "$(waited $start)" -gt 10 ] && fail "the fireworks window stayed open"
  sleep 0.1
done
sleep 0.5
after="$artifacts/$tag-after.png"
import -window root "$after" || fail "screenshot after the fireworks"
[ ${#shots[@]} -gt 0 ] || fail "no screenshot was taken during the fireworks"

# Per screenshot: pixels that differ from the stage after the fireworks
# (the sparks), of those the bright ones, and the near-black pixels that
# cover stage that is not black (the movie's black not cut away).
dark() { "$CONVERT" "$1" -separate -evaluate-sequence max -threshold 6% -negate "$2"; }
dark "$after" "$work/dark-after.png"
best=""
best_bright=0
for s in "${shots[@]}"; do
  dark "$s" "$work/dark-now.png"
  covered=$("$CONVERT" "$work/dark-now.png" \( "$work/dark-after.png" -negate \) -compose multiply -composite \
    -format "%[fx:int(mean*w*h)]" info:)
  changed=$("$CONVERT" "$s" "$after" -compose difference -composite -separate -evaluate-sequence max \
    -threshold 12% -format "%[fx:int(mean*w*h)]" info:)
  bright=$("$CONVERT" "$s" "$after" -compose difference -composite -separate -evaluate-sequence max \
    -threshold 12% \( "$s" -separate -evaluate-sequence max -threshold 55% \) -compose multiply -composite \
    -format "%[fx:int(mean*w*h)]" info:)
  echo "$(basename "$s"): $changed pixels changed, $bright of them bright, $covered black over the stage"
  if [ "$bright" -gt "$best_bright" ]; then
    best=$s; best_bright=$bright; best_changed=$changed; best_covered=$covered
  fi
done
[ -n "$best" ] || fail "no sparks in any screenshot"
cp "$best" "$artifacts/$tag-during.png"
(( best_bright >= 1500 )) || fail "too few bright sparks over the stage ($best_bright pixels)"
(( best_changed <= 1920 * 1080 / 2 )) || fail "the movie covers most of the stage ($best_changed pixels changed)"
(( best_covered <= best_changed / 4 )) || fail "the movie's black shows over the stage ($best_covered pixels)"

[ -n "$wm" ] && echo "window manager: $wm"
awk -v s="$share" 'BEGIN { exit !(s < 0.5) }' || echo "NOTE: processor share $share is above half a core"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after the fireworks"
echo "PASS: fireworks over the stage; screenshots in $artifacts ($tag-*.png)"
exit 0
