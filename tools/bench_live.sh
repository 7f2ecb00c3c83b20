#!/usr/bin/env bash
# Live figures under Wine, printed and not judged, as medians with their
# spread: the time from in-place activation to OnPlayimg; and over takes
# that STOP at random moments (default 12 takes of up to 6 s), the time from
# the REC click to the first captured sample and from the STOP click to the
# saved file, split into the control's own share and the device's. It runs
# with a private X server and a private PulseAudio server playing a 440 Hz
# tone as the microphone. TAMBORIX_BENCH_DLL names another tamborix.dll to
# measure (an older build, say) with the same benchmark.
#
#   tools/bench_live.sh [takes [longest take seconds]]
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
# shellcheck source=tools/wine/loaders.sh
. tools/wine/loaders.sh

if [ "${TAMBORIX_BENCH_INNER:-}" != 1 ]; then
  takes=${1:-12}
  longest=${2:-6}
  TAMBORIX_TARGETS="tamborix tamborix_containers" bash tools/build.sh x86_64 >/dev/null || exit 1
  work=$(mktemp -d)
  # shellcheck source=tools/wine/pulse.sh
  . tools/wine/pulse.sh
  if ! pulse_start "$work/pulse"; then
    echo "the PulseAudio server did not start"
    exit 1
  fi
  limit=$((240 + takes * (${longest%.*} + 15)))
  TAMBORIX_BENCH_INNER=1 WINEPREFIX="$work/prefix" \
    timeout "$limit" xvfb-run -a bash "$0" "$takes" "$longest"
  WINEPREFIX=$work/prefix wine_stop
  pulse_stop
  rm -rf "$work"
  exit 0
fi

# ---- inside the X server, with PULSE_SERVER set ----

trap wine_stop EXIT
wine_boot >/dev/null 2>&1 || { echo "the Wine prefix could not be made"; exit 1; }
wine_managed N
home=$WINEPREFIX/drive_c/tamborix
mkdir -p "$home"
cp "${TAMBORIX_BENCH_DLL:-build/x86_64/tamborix.dll}" "$home/tamborix.dll"
cp build/x86_64/tamborix_containers.exe "$home/"
timeout 60 "$wine_loader_x86_64" regsvr32 /s 'C:\tamborix\tamborix.dll' >/dev/null 2>&1 ||
  { echo "regsvr32 could not register tamborix.dll"; exit 1; }
limit=$((120 + $1 * (${2%.*} + 10)))
echo "== Wine $("$wine_loader_x86_64" --version), x86_64 build, $(nproc) cores," \
  "$(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n 1)"
timeout "$limit" "$wine_loader_x86_64" 'C:\tamborix\tamborix_containers.exe' \
  'C:\tamborix\tamborix.dll' --bench "$@" 2>/dev/null | tr -d '\r'
