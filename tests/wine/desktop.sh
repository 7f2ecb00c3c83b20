#!/usr/bin/env bash
# The control run on a desktop (tools/run.sh), used as a user would use it. The script starts
# an X server (Xvfb) with a real window manager (openbox) and a private
# PulseAudio server playing a 440 Hz tone (tools/wine/pulse.sh), runs
# `tools/run.sh` in desktop mode and drives it with real X input only:
#   1. mouse clicks (xdotool) on REC, STOP, PLAY and UPLOAD where the page
#      host says they are, then a close request through the window manager
#      (wmctrl -c). The run's lines must arrive while the window is open: the
#      saved WAV with the tone, and the service's copy of it, byte for byte;
#      the run must end with status 0 within seconds of the close. A picture
#      of the desktop with the managed window is kept.
#   2. a second run whose window is destroyed from outside (xdotool
#      windowclose): the run must end all the same.
#   3. the page host at 96, 120 and 144 DPI: the whole panel must show;
#      the pictures are kept. The caption buttons' symbols, which Wine draws
#      where no window manager runs, must find their font.
# Pictures go to build/artefacts (or $TAMBORIX_ARTEFACTS). The storage
# service listens on 127.0.80.1:80, so this needs root; without root or the
# tools, the stage is skipped with its reason.
#
#   tests/wine/desktop.sh
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo" || exit 1
artefacts=${TAMBORIX_ARTEFACTS:-$repo/build/artefacts}
mkdir -p "$artefacts"

# shellcheck source=tests/wine/harness.sh
. tests/wine/harness.sh
# shellcheck source=tools/wine/pulse.sh
. tools/wine/pulse.sh
# shellcheck source=tools/wine/xvfb.sh
. tools/wine/xvfb.sh
harness_begin
finish() {
  harness_complete
  harness_end
}

missing=
for tool in Xvfb openbox xdotool wmctrl import pulseaudio pactl; do
  command -v "$tool" >/dev/null || missing="$missing $tool"
done
if [ -n "$missing" ]; then
  skip "the run on a desktop" "not installed:$missing"
  finish
fi
if [ "$(id -u)" -ne 0 ]; then
  skip "the run on a desktop" "the storage service's port 80 needs root"
  finish
fi

work=$HARNESS_WORK
xvfb_pid=
wm_pid=
run_pid=
prefix=$repo/build/wine-prefix
set_dpi() {  # set_dpi <dots per inch>: the system DPI of the run's prefix
  local key
  for key in 'HKCU\Control Panel\Desktop' \
    'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    WINEPREFIX=$prefix timeout 60 "$wine_loader_x86_64" reg add "$key" \
      /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 || return
  done
  WINEPREFIX=$prefix wine_stop
  return 0
}
cleanup() {
  [ -n "$run_pid" ] && kill -- -"$run_pid" 2>/dev/null && wait "$run_pid" 2>/dev/null
  [ -d "$prefix" ] && set_dpi 96
  pulse_stop
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

if ! xvfb_start "$work" 1280x1024; then
  fail "the X server started" "$(tail -n 1 "$work/xvfb.log")"
  finish
fi
HOME=$work XDG_CONFIG_HOME=$work/config openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 1 50); do
  wmctrl -m >/dev/null 2>&1 && break
  sleep 0.1
done
if ! wmctrl -m >/dev/null 2>&1; then
  fail "the window manager started" "$(tail -n 1 "$work/openbox.log")"
  finish
fi
if ! pulse_start "$work/pulse"; then
  fail "the sound server started" "see its log"
  finish
fi

# wait_for <log> <extended regex> <seconds>: true once a line of the log
# matches; false when the time is up or the run has ended without it.
wait_for() {
  local end=$((SECONDS + $3))
  while [ "$SECONDS" -lt "$end" ]; do
    grep -Eq "$2" "$1" && return 0
    kill -0 "$run_pid" 2>/dev/null || { grep -Eq "$2" "$1"; return; }
    sleep 0.2
  done
  return 1
}
# click <log> <button>: a real mouse click where the host last said it is.
click() {
  local place
  place=$(grep '^buttons:' "$1" | tail -n 1 | grep -Eo " $2 -?[0-9]+,-?[0-9]+" | cut -d' ' -f3)
  [ -n "$place" ] || return 1
  xdotool mousemove --sync "${place%,*}" "${place#*,}" click 1
}
# start_run <log>: tools/run.sh in desktop mode, in the background, in a
# process group of its own (run_pid) that a failed check can end whole.
start_run() {
  TAMBORIX_PAGE_HOST_BUTTONS=1 setsid bash tools/run.sh >"$1" 2>&1 &
  run_pid=$!
}
# end_run <seconds>: waits for the run; sets run_status and run_took.
end_run() {
  local started=$SECONDS
  for _ in $(seq 1 $(($1 * 10))); do
    kill -0 "$run_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$run_pid" 2>/dev/null; then
    kill -- -"$run_pid" 2>/dev/null
    run_status=timeout
  else
    wait "$run_pid"
    run_status=$?
  fi
  wait "$run_pid" 2>/dev/null
  run_pid=
  run_took=$((SECONDS - started))
}
window_open() {
  xdotool search --name 'page\.html' >/dev/null 2>&1
}
window_managed() {
  wmctrl -l | grep -q 'page\.html'
}
lines_while_open() {  # lines_while_open <log>
  window_open && grep -q '^recording saved: ' "$1" && grep -qx 'event: OnOKDone' "$1"
}
no_screenshot() {  # no_screenshot <log>
  ! grep -q '^screenshot:' "$1"
}

# ---- 1. A session through the window, closed by the window manager ----
log=$work/run1.log
start_run "$log"
# The first run may build and make the Wine prefix; then the host's lines
# must come while it runs.
if ! wait_for "$log" '^== The control on the page' 900 || ! wait_for "$log" '^buttons:' 60 ||
  ! wait_for "$log" '^event: OnPlayimg$' 30; then
  fail "desktop run: the panel became ready" "$(tail -n 3 "$log" | tr '\n' ' ')"
  finish
fi
timeout 30 xdotool search --sync --limit 1 --name 'page\.html' >/dev/null
sleep 1  # the window manager places the window; the host says where it went
check "desktop run: the window manager manages the window" window_managed
click "$log" REC
sleep 3
click "$log" STOP
wait_for "$log" '^saved WAV: ' 20
saved=$(grep '^saved WAV: ' "$log" | tail -n 1)
check "desktop run: the WAV is reported with the tone" \
  grep -Eq '8000 Hz, 16-bit, 1 channel\(s\), [0-9.]+ s, about 4[2-5][0-9] Hz, sound' <<<"$saved"
click "$log" PLAY
sleep 5  # the take is about 3 s long
click "$log" UPLOAD
wait_for "$log" '^the service stored: ' 30
stored=$(grep '^the service stored: ' "$log" | tail -n 1)
wav=$(sed -E 's/^saved WAV: (.*), [0-9]+ bytes: .*/\1/' <<<"$saved")
file=$(sed -E 's/^the service stored: (.*), [0-9]+ bytes, .*/\1/' <<<"$stored")
check "desktop run: the service stored the WAV byte for byte" cmp -s "$wav" "$file"
check "desktop run: the lines arrive while the window is open" lines_while_open "$log"
picture=$artefacts/desktop-managed.png
rm -f "$picture"
import -window root "$picture" 2>/dev/null
if [ -s "$picture" ]; then
  pass "desktop run: a picture of the desktop"
  echo "picture: $picture"
else
  fail "desktop run: a picture of the desktop"
fi
wmctrl -c 'page.html'
end_run 20
echo "desktop run: ended $run_took s after the close request, status $run_status"
check "desktop run: ends with status 0 within seconds of the close" \
  test "$run_status" = 0 -a "$run_took" -le 10
check "desktop run: the last line says what was recorded and uploaded" \
  grep -Eq '^run: the session worked: .*recorded 1 take\(s\), 1 with sound; uploaded 1' \
  <(tail -n 1 "$log")
# An earlier headless run's picture is no picture of this run.
check "desktop run: no screenshot reported" no_screenshot "$log"
echo "---- the desktop run's output"
cat "$log"
echo "----"

# ---- 2. The window destroyed from outside ----
log=$work/run2.log
start_run "$log"
if wait_for "$log" '^event: OnPlayimg$' 180 &&
  wid=$(timeout 30 xdotool search --sync --limit 1 --name 'page\.html'); then
  sleep 1
  xdotool windowclose "$wid" 2>/dev/null
  end_run 20
  check "window destroyed from outside: the run ends with status 0" test "$run_status" = 0
  check "window destroyed from outside: the last line says nothing was recorded" \
    grep -q 'nothing was recorded' <(tail -n 1 "$log")
else
  fail "window destroyed from outside: the panel became ready"
  end_run 1
fi

# ---- 3. The whole panel at 96, 120 and 144 DPI ----
for dpi in 96 120 144; do
  if ! set_dpi "$dpi"; then
    fail "$dpi DPI: the prefix takes the DPI"
    continue
  fi
  output=$(WINEPREFIX=$prefix timeout 60 "$wine_run_loader" \
    'C:\tamborix\tamborix_page_host.exe' 'C:\tamborix\page.html' \
    --screenshot "$(windows_path "$work")\\dpi.bmp" 2>/dev/null | tr -d '\r')
  echo "$output" | grep -E '^(panel at|caption symbols)'
  check "$dpi DPI: the whole panel shows" grep -q "^panel at $dpi DPI: .*: all shown$" <<<"$output"
  if [ "$dpi" = 96 ]; then
    # Where no window manager runs, Wine draws the caption buttons itself.
    check "the caption buttons' symbols have their font" grep -qx 'caption symbols: Marlett' \
      <<<"$output"
  fi
  if python3 tools/run/media.py png "$work/dpi.bmp" "$artefacts/desktop-dpi-$dpi.png"; then
    echo "picture: $artefacts/desktop-dpi-$dpi.png"
  fi
  rm -f "$work/dpi.bmp"
done
finish
