#!/usr/bin/env bash
# Runs the recorder control as a user meets it, in a page under Wine. It
# installs and builds what it needs, starts the reference storage service on
# 127.0.80.1:80, registers tamborix.dll in a Wine prefix of its own (made on
# first use, kept in build/wine-prefix), and runs the page host on the example
# page (tools/page_host/example.html), which embeds the control as a page
# would. It runs the shipped i686 DLL where the kernel runs 32-bit programs
# and the x86_64 one elsewhere, and says which (tools/wine/loaders.sh
# decides).
#
#   - On a desktop (DISPLAY set and a sound server answering), the window
#     appears, managed by the desktop's window manager, and the user records
#     from the real microphone; closing the window ends the run.
#   - Headless, it starts Xvfb and a private sound server playing a 440 Hz
#     tone into the microphone, and the host clicks through a whole session:
#     REC, a few seconds, STOP, PLAY to its end, UPLOAD.
#
# As they happen, it prints the control's events, each saved WAV with its
# facts, and what the service stored after each upload; then the path of the
# screenshot this run made (headless), and one line saying what happened and
# whether the session worked (exit status 0) or not.
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
    echo "run: the session worked: $2 ($took s)"
  else
    echo "run: the session did not work: $2 ($took s)"
  fi
  exit "$1"
}

bash tools/install-deps.sh || verdict 1 "the packages could not be installed"
# shellcheck source=tools/wine/loaders.sh
. tools/wine/loaders.sh
arch=$wine_run_arch
echo "== Building; the run uses $wine_run_why"
TAMBORIX_TARGETS=tamborix-storage-service bash tools/build.sh release >/dev/null ||
  verdict 1 "the native build failed"
TAMBORIX_TARGETS="tamborix tamborix_page_host" bash tools/build.sh "$arch" >/dev/null ||
  verdict 1 "the Windows build ($arch) failed"

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

# shellcheck source=tools/wine/pulse.sh
. tools/wine/pulse.sh
# shellcheck source=tools/wine/xvfb.sh
. tools/wine/xvfb.sh
export WINEPREFIX=$root/build/wine-prefix
wine=$wine_run_loader

if [ "$headless" -eq 0 ] && [ -n "${DISPLAY:-}" ] && pactl info >/dev/null 2>&1; then
  mode=desktop
else
  mode=headless
  echo "== Headless: a private X server and a sound server playing a 440 Hz tone"
  xvfb_start "$run" 1024x768 || verdict 1 "Xvfb did not start"
  pulse_start "$run/pulse" || verdict 1 "the sound server did not start (see $run/pulse/pulse.log)"
fi

if [ ! -d "$WINEPREFIX" ]; then
  echo "== Making the Wine prefix $WINEPREFIX (once)"
  wine_boot >/dev/null 2>&1 || verdict 1 "the Wine prefix could not be made"
fi
# On a desktop its window manager manages the window (caption, moving,
# closing); under the private Xvfb no window manager runs, and a managed
# window would make every close wait for one.
managed=N
[ "$mode" = desktop ] && managed=Y
wine_managed "$managed" || verdict 1 "the Wine prefix's window manager setting could not be made"
# Unmanaged, Wine draws the caption itself, its buttons' symbols in its own
# Marlett font (package fonts-wine); this Wine finds no font in its data
# folder, only in the prefix's, so the prefix gets a copy.
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi
home=$WINEPREFIX/drive_c/tamborix
mkdir -p "$home"
cp "build/$arch/tamborix.dll" "build/$arch/tamborix_page_host.exe" "$home/"
cp "$page" "$home/page.html"
timeout 60 "$wine" regsvr32 /s 'C:\tamborix\tamborix.dll' ||
  verdict 1 "regsvr32 could not register tamborix.dll"

# shellcheck source=tools/run/follow_host.sh
. tools/run/follow_host.sh
echo "== The control on the page $page ($mode, $arch DLL)"
if [ "$mode" = desktop ]; then
  echo "   Record, play and upload in the window; close it to end."
  follow_host < <(timeout 3600 "$wine" 'C:\tamborix\tamborix_page_host.exe' 'C:\tamborix\page.html')
else
  follow_host < <(timeout 180 "$wine" 'C:\tamborix\tamborix_page_host.exe' 'C:\tamborix\page.html' \
    --session "$seconds" --screenshot "Z:${run//\//\\}\\panel.bmp")
fi
wait $!
host_status=$?

# A scripted take holds the time between the REC and STOP clicks, within
# 0.3 s (the host says how long that was; a user's own takes are not timed).
take_ms=$(sed -n 's/^REC to STOP: \([0-9]*\) ms$/\1/p' "$run/host.log" | tail -n 1)
take_fits=1
if [ -n "$take_ms" ]; then
  take_fits=0
  kept_s=
  [ -f "${last_take:-}" ] &&
    kept_s=$(python3 tools/run/media.py wav "$last_take" | sed -n 's/.*, \([0-9.]*\) s, about .*/\1/p')
  if [ -n "$kept_s" ]; then
    echo "take length: REC to STOP $(awk -v t="$take_ms" 'BEGIN { printf "%.2f", t / 1000 }') s, saved $kept_s s"
    awk -v t="$take_ms" -v k="$kept_s" 'BEGIN { d = k - t / 1000; exit !(d <= 0.3 && d >= -0.3) }' &&
      take_fits=1
  fi
fi
# The screenshot is this run's only: $run was emptied at the start.
if [ -f "$run/panel.bmp" ]; then
  python3 tools/run/media.py png "$run/panel.bmp" "$run/panel.png" &&
    echo "screenshot: $run/panel.png"
fi

[ "$host_status" -eq 0 ] || verdict 1 "the page host ended with status $host_status"
[ "$stored_differs" -eq 0 ] || verdict 1 "the service stored a file that differs from the recording"
if [ "$mode" = desktop ]; then
  verdict 0 "the window was closed; $(session_summary)"
fi
grep -qx 'event: OnPlayimg' "$run/host.log" || verdict 1 "the control never said it was ready"
[ "$takes" -gt 0 ] || verdict 1 "no recording was saved"
[ "$takes_with_sound" -gt 0 ] || verdict 1 "the recording holds no sound"
[ "$take_fits" -eq 1 ] || verdict 1 "the saved take is not as long as REC to STOP (within 0.3 s)"
grep -qx 'event: OnOKDone' "$run/host.log" || verdict 1 "the upload did not succeed"
[ "$stored_same" -gt 0 ] || verdict 1 "the service stored nothing"
verdict 0 "recorded $(stat -c %s "$last_take") bytes of real sound, uploaded, stored byte for byte"
