# Sourced by scripts that drive the windows: starts Xvfb on a display number nobody uses.
# start_virtual_screen WIDTHxHEIGHT: exports DISPLAY and sets virtual_screen_pid.
start_virtual_screen() {
  # Xvfb picks the free display itself and names it once it accepts connections, so scripts and
  # tests started side by side never take the same number.
  local named
  named="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$named" >/dev/null 2>&1 &
  virtual_screen_pid=$!
  for _ in $(seq 1 100); do
    if grep -q '^[0-9]' "$named"; then
      export DISPLAY=":$(head -1 "$named")"
      rm -f "$named"
      return 0
    fi
    kill -0 "$virtual_screen_pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$named"
  echo "no virtual screen" >&2
  return 1
}
