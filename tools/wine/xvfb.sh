# Sourced by the runner and the desktop test: a private X server (Xvfb) that
# listens on no network port.

xvfb_pid=

xvfb_start() {  # xvfb_start <folder> <width>x<height>: exports DISPLAY; false when it did not start
  Xvfb -displayfd 3 -screen 0 "$2x24" -nolisten tcp 3>"$1/display" 2>"$1/xvfb.log" &
  xvfb_pid=$!
  local _
  for _ in $(seq 1 50); do
    [ -s "$1/display" ] && break
    sleep 0.1
  done
  [ -s "$1/display" ] || return 1
  DISPLAY=:$(head -n 1 "$1/display")
  export DISPLAY
}
