# Sourced by the end-to-end scripts. start_xvfb starts a 1920x1080 Xvfb on a
# display number nobody uses (Xvfb picks it and tells us) and exports
# DISPLAY; it needs $work and a fail function, and sets xvfb_pid.
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
