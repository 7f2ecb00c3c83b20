#!/usr/bin/env bash
# The main job: the recorder control itself doing its job. It installs and
# builds what it needs, starts the reference storage service on
# 127.0.80.1:80, registers tamborix.dll in a Wine prefix of its own (made on
# first use, kept in build/wine-prefix), and runs the page host on the example
# page (tools/page_host/example.html), which embeds the control as a page
# would.
#
#   - On a desktop (DISPLAY set and a sound server answering), the window
#     appears and the user records from the real microphone; closing the
#     window ends the run.
#   - Headless, it starts Xvfb and a private sound server playing a 440 Hz
#     tone into the microphone, and the host clicks through a whole session:
#     REC, a few seconds, STOP, PLAY to its end, UPLOAD.
#
# It prints the control's events, the saved WAV, what the service stored and
# the screenshot's path, and ends with one line saying whether the session
# worked (exit status 0) or not.
#
#   tools/run.sh [page.html] [--headless] [--seconds N]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

page=$root/tools/page_host/example.html
headless=0
seconds=4
while [ $# -gt 0 ]; do
  case "$1" in
    --headless) headless=1 ;;
    --seconds) seconds=$2; shift ;;
    *) page=$(realpath "$1") ;;
  esac
  shift
done

started=$(date +%s.%N)
verdict() {  # verdict <worked: 0|1> <text>
  local took
  took=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  if [ "$1" -eq 0 ]; then
    echo "main job: the session worked: $2 ($took s)"
  else
    echo "main job: the session did not work: $2 ($took s)"
  fi
  exit "$1"
}

bash tools/install-deps.sh || verdict 1 "the packages could not be installed"
echo "== Building"
TAMBORIX_TARGETS=tamborix-storage-service bash tools/build.sh release >/dev/null ||
  verdict 1 "the native build failed"
TAMBORIX_TARGETS="tamborix tamborix_page_host" bash tools/build.sh x86_64 >/dev/null ||
  verdict 1 "the Windows build failed"

run=$root/build/run
rm -rf "$run"
mkdir -p "$run/store"
xvfb_pid=
service_pid=
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 "$wine_server" -k >/dev/null 2>&1
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null
  declare -F pulse_stop >/dev/null && pulse_stop
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

echo "== The storage service on 127.0.80.1:80, storing in $run/store"
if (exec 3<>/dev/tcp/127.0.80.1/80) 2>/dev/null; then
  verdict 1 "something else already listens on 127.0.80.1:80"
fi
build/release/tools/storage_service/tamborix-storage-service 127.0.80.1 80 "$run/store" \
  >"$run/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 1 50); do
  grep -q '^listening on' "$run/service.log" && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q '^listening on' "$run/service.log" ||
  verdict 1 "the storage service did not start: $(tail -n 1 "$run/service.log")"

# shellcheck source=tests/wine/loaders.sh
. tests/wine/loaders.sh
# shellcheck source=tests/wine/pulse.sh
. tests/wine/pulse.sh
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$root/build/wine-prefix
wine=$wine_loader_x86_64

if [ "$headless" -eq 0 ] && [ -n "${DISPLAY:-}" ] && pactl info >/dev/null 2>&1; then
  mode=desktop
else
  mode=headless
  echo "== Headless: a private X server and a sound server playing a 440 Hz tone"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$run/display" 2>"$run/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 1 50); do
    [ -s "$run/display" ] && break
    sleep 0.1
  done
  [ -s "$run/display" ] || verdict 1 "Xvfb did not start"
  export DISPLAY=:$(head -n 1 "$run/display")
  pulse_start "$run/pulse" || verdict 1 "the sound server did not start (see $run/pulse/pulse.log)"
fi

if [ ! -d "$WINEPREFIX" ]; then
  echo "== Making the Wine prefix $WINEPREFIX (once)"
  wine_boot >/dev/null 2>&1 || verdict 1 "the Wine prefix could not be made"
  # Without a window manager every window close would otherwise take seconds.
  timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
home=$WINEPREFIX/drive_c/tamborix
mkdir -p "$home"
cp build/x86_64/tamborix.dll build/x86_64/tamborix_page_host.exe "$home/"
cp "$page" "$home/page.html"
timeout 60 "$wine" regsvr32 /s 'C:\tamborix\tamborix.dll' ||
  verdict 1 "regsvr32 could not register tamborix.dll"

echo "== The control on the page $page ($mode)"
if [ "$mode" = desktop ]; then
  echo "   Record, play and upload in the window; close it to end."
  timeout 3600 "$wine" 'C:\tamborix\tamborix_page_host.exe' 'C:\tamborix\page.html' |
    tr -d '\r' | tee "$run/host.log"
else
  timeout 180 "$wine" 'C:\tamborix\tamborix_page_host.exe' 'C:\tamborix\page.html' \
    --session "$seconds" --screenshot 'C:\tamborix\panel.bmp' | tr -d '\r' | tee "$run/host.log"
fi
host_status=${PIPESTATUS[0]}

saved=$(sed -n 's/^recording saved: //p' "$run/host.log" | tail -n 1)
if [ -n "$saved" ]; then
  wav=$(timeout 30 "$wine" winepath -u "$saved" 2>/dev/null | tr -d '\r')
  [ -f "$wav" ] && echo "saved WAV: $wav, $(stat -c %s "$wav") bytes: $(python3 tools/main_job/media.py wav "$wav")"
fi
# A take holds the time between the REC and STOP clicks, within 0.3 s.
take_ms=$(sed -n 's/^REC to STOP: \([0-9]*\) ms$/\1/p' "$run/host.log" | tail -n 1)
kept_s=
[ -f "${wav:-}" ] &&
  kept_s=$(python3 tools/main_job/media.py wav "$wav" | sed -n 's/.*, \([0-9.]*\) s, about .*/\1/p')
take_fits=0
if [ -n "$take_ms" ] && [ -n "$kept_s" ]; then
  echo "take length: REC to STOP $(awk -v t="$take_ms" 'BEGIN { printf "%.2f", t / 1000 }') s, saved $kept_s s"
  awk -v t="$take_ms" -v k="$kept_s" 'BEGIN { d = k - t / 1000; exit !(d <= 0.3 && d >= -0.3) }' &&
    take_fits=1
fi
if [ -f "$home/panel.bmp" ]; then
  python3 tools/main_job/media.py png "$home/panel.bmp" "$run/panel.png" &&
    echo "screenshot: $run/panel.png"
fi
stored=$(find "$run/store" -type f -name '*.wav' | head -n 1)
if [ -n "$stored" ]; then
  echo "the service stored: $stored, $(stat -c %s "$stored") bytes"
fi

if [ "$mode" = desktop ]; then
  [ "$host_status" -eq 0 ] || verdict 1 "the page host ended with status $host_status"
  verdict 0 "the window was closed${stored:+; the service holds $stored}"
fi
grep -qx 'event: OnPlayimg' "$run/host.log" || verdict 1 "the control never said it was ready"
[ -n "$saved" ] && [ -f "${wav:-}" ] || verdict 1 "no recording was saved"
[ "$take_fits" -eq 1 ] || verdict 1 "the saved take is not as long as REC to STOP (within 0.3 s)"
grep -qx 'event: OnOKDone' "$run/host.log" || verdict 1 "the upload did not succeed"
[ -n "$stored" ] || verdict 1 "the service stored nothing"
cmp -s "$wav" "$stored" || verdict 1 "the stored file differs from the recording"
[ "$host_status" -eq 0 ] || verdict 1 "the page host ended with status $host_status"
verdict 0 "recorded $(stat -c %s "$wav") bytes of real sound, uploaded, stored byte for byte"
