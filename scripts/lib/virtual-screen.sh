# Sourced by scripts that drive the windows: starts Xvfb on a display number nobody uses.
# start_virtual_screen WIDTHxHEIGHT: exports DISPLAY and sets virtual_screen_pid.
start_virtual_screen() {
  local number
  for number in $(seq 90 189); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] || break
  done
  Xvfb ":$number" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  virtual_screen_pid=$!
  export DISPLAY=":$number"
  for _ in $(seq 1 100); do
    xdotool getmouselocation >/dev/null 2>&1 && return 0
    kill -0 "$virtual_screen_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "no virtual screen on $DISPLAY" >&2
  return 1
}
