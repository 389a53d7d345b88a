# Sourced by the end-to-end scripts: the set-up they share and the ways they
# look at and act on a real program on a 1920x1080 Xvfb screen.
#
# Variables a script may set before using these:
#   wm         a window manager to run (empty: a bare X server)
#   artifacts  the folder for screenshots
#   shots      the name prefix of screenshots taken with `shot`
# Variables these set: work, CONVERT, app, app_pid, program_title, window,
# WX WY WW WH, FX FY FW FH, movie, handle, movie_folder, during, best...
# Processes started into app_pid, other_pid, wm_pid and xvfb_pid end with
# the script.

# Ends what the script started, the newest first, and removes its folder.
e2e_cleanup() {
  local p
  for p in "${other_pid:-}" "${app_pid:-}" "${wm_pid:-}" "${xvfb_pid:-}"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  [ -n "${work:-}" ] && rm -rf "$work"
}

# e2e_begin <work folder prefix> <tool>...: skips (77) unless every tool is
# here (with $wm and xprop when a window manager is asked for), then makes
# the work folder, with its own runtime and cache folders for the program.
e2e_begin() {
  local prefix=$1 tool
  shift
  for tool in "$@" ${wm:-} ${wm:+xprop}; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is missing"
      exit 77
    fi
  done
  # The real ImageMagick, not a wrapper earlier on PATH.
  CONVERT=convert
  [ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
  command -v "$CONVERT" >/dev/null 2>&1 || { echo "SKIP: ImageMagick is missing"; exit 77; }

  work=$(mktemp -d "/tmp/$prefix-XXXXXX") || { echo "FAIL: no work folder"; exit 1; }
  trap e2e_cleanup EXIT
  [ -n "${artifacts:-}" ] && mkdir -p "$artifacts"

  export XDG_RUNTIME_DIR="$work/xdg"
  export XDG_CACHE_HOME="$work/cache"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  # Where the fireworks window writes its movie and page.
  movie_folder="$XDG_CACHE_HOME/prizedraw/Temp"
}

# fail <message>: ends the script with the message, a screenshot, the
# program's settings and tally, and its last output. A script may define
# on_failure to show more.
fail() {
  echo "FAIL: $*"
  [ -n "${shots:-}" ] && shot failure
  local f
  if [ -n "${app:-}" ] && [ -d "$app" ]; then
    for f in config.a jieguo.a; do
      [ -f "$app/$f" ] && { echo "--- $f"; iconv -f GBK -t UTF-8 "$app/$f"; }
    done
  fi
  declare -F on_failure >/dev/null && on_failure
  [ -f "$work/app.log" ] && { echo "--- program output"; tail -n 40 "$work/app.log"; }
  exit 1
}

# Seconds since $1 (a value of SECONDS), to bound every wait.
waited() { echo $(( SECONDS - $1 )); }

# shot <name>: the screen into $artifacts/$shots-<name>.png.
shot() { [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/$shots-$1.png" 2>/dev/null; }

# Starts a 1920x1080 Xvfb on a display number nobody uses (Xvfb picks it and
# tells us) and exports DISPLAY; sets xvfb_pid.
start_xvfb() {
  local fd start
  exec {fd}>"$work/display"
  # No reset when a client leaves: connections made during a reset are lost.
  Xvfb -displayfd "$fd" -noreset -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec {fd}>&-
  start=$SECONDS
  until [ -s "$work/display" ]; do
    (( SECONDS - start < 15 )) || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended: $(cat "$work/xvfb.log")"
    sleep 0.2
  done
  export DISPLAY=":$(head -n1 "$work/display")"
}

# start_window_manager <command...>: starts that window manager on $DISPLAY
# and waits until it manages the screen; sets wm_pid. Needs xprop.
start_window_manager() {
  local start
  "$@" >"$work/wm.log" 2>&1 &
  wm_pid=$!
  start=$SECONDS
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    (( SECONDS - start < 15 )) || fail "$1 did not start: $(cat "$work/wm.log")"
    kill -0 "$wm_pid" 2>/dev/null || fail "$1 ended: $(cat "$work/wm.log")"
    sleep 0.2
  done
}

# start_compositor <command>: starts that compositing manager on $DISPLAY
# and waits until its window (named after it) is there; sets wm_pid.
start_compositor() {
  local start
  "$1" >"$work/wm.log" 2>&1 &
  wm_pid=$!
  start=$SECONDS
  until xwininfo -root -children 2>/dev/null | grep -q "\"$1\""; do
    (( SECONDS - start < 15 )) || fail "$1 did not start: $(cat "$work/wm.log")"
    kill -0 "$wm_pid" 2>/dev/null || fail "$1 ended: $(cat "$work/wm.log")"
    sleep 0.2
  done
}

# The screen, and $wm on it when one is asked for: a window manager, or one
# of the compositing managers picom and xcompmgr.
start_display() {
  start_xvfb
  case ${wm:-} in
    "") ;;
    picom | xcompmgr) start_compositor "$wm" ;;
    *) start_window_manager "$wm" --sm-disable ;;
  esac
}

# copy_program <name>: a copy of the program folder $program_dir as
# $work/<name>, in $app.
copy_program() {
  app="$work/$1"
  cp -r "$program_dir" "$app" || fail "cannot copy the program folder"
  [ -x "$app/$1" ] || fail "no executable in $program_dir"
}

# write_config <key=value>...: the program's settings file, as it stores it
# (GBK, CR LF, section zbt).
write_config() {
  { printf '[zbt]\r\n'; printf '%s\r\n' "$@"; } | iconv -f UTF-8 -t GBK >"$app/config.a" || fail "iconv"
}

# Grade colours: far apart, none near white or black.
colours=(none "#d02020" "#20a040" "#2050d0" "#d0a000" "#8030b0" "#109090" "#e06010" "#505050")

# prize_pictures <path prefix> <size> <quality> <drawing options>...: a JPEG
# of each grade, <prefix><n>.jpg, in its grade colour, with its number drawn
# by the options (which end where the text goes, as -annotate's geometry).
prize_pictures() {
  local prefix=$1 size=$2 quality=$3 n
  shift 3
  for n in 1 2 3 4 5 6 7 8; do
    "$CONVERT" -size "$size" "xc:${colours[$n]}" "$@" "$n" -quality "$quality" "$prefix$n.jpg" \
      || fail "cannot make prize picture $n"
  done
}

# start_program <name> <title>: runs the copy in $app from its own folder and
# waits until its window titled <title> shows and has settled.
start_program() {
  program_title=$2
  (cd "$app" && exec "./$1") >"$work/app.log" 2>&1 &
  app_pid=$!
  wait_window "$program_title" 30
  # Let the first frame settle before anyone looks.
  sleep 1.5
}

alive() { kill -0 "$app_pid" 2>/dev/null || fail "the program ended unexpectedly ($1)"; }

# wait_window <pattern> <seconds>: waits for a visible top-level window whose
# title matches; sets window to it.
wait_window() {
  local start=$SECONDS
  window=""
  while [ -z "$window" ]; do
    [ "$(waited $start)" -gt "$2" ] && fail "no window titled /$1/ appeared"
    alive "waiting for /$1/"
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1)
    [ -z "$window" ] && sleep 0.2
  done
}
wait_gone() { # pattern seconds
  local start=$SECONDS
  while xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    [ "$(waited $start)" -gt "$2" ] && fail "the window /$1/ did not close"
    sleep 0.2
  done
}
# answer <title pattern> [shot name]: answers that message box with Return,
# after a look.
answer() {
  wait_window "$1" 10
  sleep 0.3
  [ -n "${2:-}" ] && shot "$2"
  xdotool key Return
  wait_gone "$1" 10
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
# The modal window stays in front of the program's stage after a click on
# the stage beside it; $stage_colour is the stage's colour there.
stays_in_front() { # window name
  local main stacking
  main=$(xdotool search --name "$program_title" | head -n1)
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
  [ "$(screen_pixel $((WX + WW / 2)) $((WY + 8)))" != "$stage_colour" ] || fail "the stage covers $2"
}
click_in() { # window x y [repeat]: a click at x, y inside the window
  window_at "$1"
  xdotool mousemove $((WX + $2)) $((WY + $3)) click --repeat "${4:-1}" --delay 80 1
}

# The program's menu: right button on the main title, then the item by its
# place in the menu (1 = the first item), and in its sub-menu when one is
# named (1 = its first item).
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

# A drag with the real mouse, through the middle, a key held when named.
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

# pick_file <picture> <copy> [shot name]: answers the real file dialog with
# the picture's path typed into its file name field, and waits until the
# program has copied the picture to <copy>.
pick_file() {
  wait_window '^(Open|打开)' 10
  sleep 0.4
  [ -n "${3:-}" ] && shot "$3"
  xdotool type --delay 15 "$1"
  xdotool key Return
  wait_gone '^(Open|打开)' 10
  local start=$SECONDS
  until cmp -s "$1" "$2"; do
    [ "$(waited $start)" -gt 10 ] && fail "$(basename "$1") was not copied to $2"
    sleep 0.2
  done
}

# save_prize_settings <settings window> <x> <y> <shot name>: 确定 at x, y
# in the prize settings window; the message answered after a look; the
# window and the password window behind it closed; grades 1..8 stored as
# typed, as the array values holds them (from index 1).
save_prize_settings() {
  click_in "$1" "$2" "$3"
  answer '^信息：$' "$4"
  wait_gone '^设置$' 10
  wait_gone '^密码设置' 10
  local keys=(none 一 二 三 四 五 六 七 八) n
  for n in 1 2 3 4 5 6 7 8; do
    [ "$(setting "${keys[$n]}")" = "${values[$n]}" ] || fail "value $n stored as '$(setting "${keys[$n]}")'"
  done
}

# clear_results <results window> <shot name>: 清空中奖, confirmed, leaves
# every tally at 0; then the results window is closed.
clear_results() {
  click_in "$1" 240 230
  answer '^确定清空吗？$'
  local start=$SECONDS n
  while [ "$(wins)" != "0" ]; do
    [ "$(waited $start)" -gt 10 ] && fail "clearing left tallies in the file"
    sleep 0.2
  done
  for n in 1 2 3 4 5 6 7 8; do
    [ "$(tally $n)" = "0" ] || fail "j$n is '$(tally $n)' after clearing"
  done
  sleep 0.3
  shot "$2"
  xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool key alt+F4
  wait_gone '^中奖结果$' 10
}

# exits_cleanly: after 退出 was confirmed, the program ends with code 0.
exits_cleanly() {
  local start=$SECONDS code
  while kill -0 "$app_pid" 2>/dev/null; do
    [ "$(waited $start)" -gt 10 ] && fail "the program did not end after 退出"
    sleep 0.2
  done
  wait "$app_pid"
  code=$?
  app_pid=""
  [ "$code" -eq 0 ] || fail "the program ended with code $code"
}

# The settings and tallies as the program stored them.
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

# Colour of a screenshot at x, y as "r g b" (0..255).
pixel_in() { # file x y
  "$CONVERT" "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
# Colour of the screen at x, y as "r g b".
screen_pixel() {
  local f="$work/pixel.png"
  import -window root "$f" 2>/dev/null
  pixel_in "$f" "$1" "$2"
}
near() { # near "r g b" "#rrggbb" [limit of the squared distance]
  local r g b er eg eb
  read -r r g b <<<"$1"
  er=$((16#${2:1:2})); eg=$((16#${2:3:2})); eb=$((16#${2:5:2}))
  [ $(( (r-er)*(r-er) + (g-eg)*(g-eg) + (b-eb)*(b-eb) )) -lt "${3:-1200}" ]
}

# --- Fireworks --------------------------------------------------------------

# wait_fireworks_movie <seconds>: waits for the effect window's movie, which
# is named by the window's handle; sets movie and handle.
wait_fireworks_movie() {
  local start=$SECONDS
  movie=""
  while [ -z "$movie" ]; do
    [ "$(waited $start)" -gt "$1" ] && fail "no fireworks movie was written (folder: $(ls -la "$movie_folder" 2>&1))"
    alive "waiting for the fireworks"
    movie=$(ls "$movie_folder"/plimb-*.swf 2>/dev/null | head -n1)
    sleep 0.05
  done
  handle=$(basename "$movie" .swf)
  handle=${handle#plimb-}
}
# x_window_of <handle>: the X window of a window handle: the handle itself,
# or the top-level window named by it once the window was made anew (with
# an alpha channel, under a compositing manager). Needs xprop then.
x_window_of() {
  local w
  if xwininfo -id "$1" >/dev/null 2>&1; then
    echo "$1"
    return
  fi
  for w in $(xwininfo -root -children 2>/dev/null | grep -o '^ *0x[0-9a-f]*'); do
    if xprop -id "$w" PRIZEDRAW_HANDLE 2>/dev/null | grep -q "= $1\$"; then
      echo "$w"
      return
    fi
  done
  echo "$1"
}
viewable() { xwininfo -id "$(x_window_of "$handle")" 2>/dev/null | grep -q 'IsViewable'; }
wait_fireworks_shown() {
  local start=$SECONDS
  until viewable; do
    [ "$(waited $start)" -gt 10 ] && fail "the fireworks window never showed"
    sleep 0.02
  done
}
# fireworks_screenshots <interval>: up to five screenshots while the
# fireworks play, into the array during.
fireworks_screenshots() {
  local i
  during=()
  for i in 1 2 3 4 5; do
    sleep "$1"
    viewable || break
    import -window root "$work/during-$i.png" && during+=("$work/during-$i.png")
  done
}
wait_fireworks_gone() {
  local start=$SECONDS
  while viewable; do
    [ "$(waited $start)" -gt 10 ] && fail "the fireworks window stayed open"
    sleep 0.1
  done
}

# The near-black pixels of a screenshot, white in a mask.
dark_mask() { "$CONVERT" "$1" -separate -evaluate-sequence max -threshold 6% -negate "$2"; }

# check_sparks <after> <keep as> [crop WxH+X+Y]: of the screenshots in
# during, the one with most sparks is kept; it must show enough bright
# sparks, leave most of the stage alone and let the stage through where the
# movie is black. Per screenshot: pixels that differ from the stage after
# the fireworks (the sparks), of those the bright ones, and the near-black
# pixels that cover stage that is not black (the movie's black not cut
# away). With a crop, sets best_in_crop to the changed pixels inside it.
check_sparks() {
  local after=$1 keep=$2 crop=${3:-} s changed bright covered in_crop=0
  [ ${#during[@]} -gt 0 ] || fail "no screenshot was taken during the fireworks"
  dark_mask "$after" "$work/dark-after.png"
  best=""
  best_bright=0
  for s in "${during[@]}"; do
    dark_mask "$s" "$work/dark-now.png"
    covered=$("$CONVERT" "$work/dark-now.png" \( "$work/dark-after.png" -negate \) -compose multiply -composite \
      -format "%[fx:int(mean*w*h)]" info:)
    changed=$("$CONVERT" "$s" "$after" -compose difference -composite -separate -evaluate-sequence max \
      -threshold 12% -format "%[fx:int(mean*w*h)]" info:)
    bright=$("$CONVERT" "$s" "$after" -compose difference -composite -separate -evaluate-sequence max \
      -threshold 12% \( "$s" -separate -evaluate-sequence max -threshold 55% \) -compose multiply -composite \
      -format "%[fx:int(mean*w*h)]" info:)
    [ -n "$crop" ] && in_crop=$("$CONVERT" "$s" "$after" -compose difference -composite -crop "$crop" +repage \
      -separate -evaluate-sequence max -threshold 12% -format "%[fx:int(mean*w*h)]" info:)
    echo "$(basename "$s"): $changed pixels changed${crop:+ ($in_crop in $crop)}, $bright of them bright, $covered black over the stage"
    if [ "$bright" -gt "$best_bright" ]; then
      best=$s; best_bright=$bright; best_changed=$changed; best_covered=$covered; best_in_crop=$in_crop
    fi
  done
  [ -n "$best" ] || fail "no sparks in any screenshot"
  cp "$best" "$keep"
  (( best_bright >= 1500 )) || fail "too few bright sparks over the stage ($best_bright pixels)"
  (( best_changed <= 1920 * 1080 / 2 )) || fail "the movie covers most of the stage ($best_changed pixels changed)"
  (( best_covered <= best_changed / 4 )) || fail "the movie's black shows over the stage ($best_covered pixels)"
}
