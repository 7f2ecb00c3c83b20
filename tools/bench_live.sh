#!/usr/bin/env bash
# Live figures under Wine, printed and not judged: the time from in-place
# activation to OnPlayimg, and from STOP to the saved file after takes of
# the given lengths (seconds; default 30 and 60), with a private X server
# and a private PulseAudio server playing a 440 Hz tone as the microphone.
#
#   tools/bench_live.sh [take seconds...]
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
# shellcheck source=tools/wine/loaders.sh
. tools/wine/loaders.sh

if [ "${TAMBORIX_BENCH_INNER:-}" != 1 ]; then
  takes=("$@")
  [ ${#takes[@]} -eq 0 ] && takes=(30 60)
  TAMBORIX_TARGETS="tamborix tamborix_containers" bash tools/build.sh x86_64 >/dev/null || exit 1
  work=$(mktemp -d)
  # shellcheck source=tools/wine/pulse.sh
  . tools/wine/pulse.sh
  if ! pulse_start "$work/pulse"; then
    echo "the PulseAudio server did not start"
    exit 1
  fi
  limit=120
  for seconds in "${takes[@]}"; do limit=$((limit + seconds + 30)); done
  TAMBORIX_BENCH_INNER=1 WINEPREFIX="$work/prefix" \
    timeout "$limit" xvfb-run -a bash "$0" "${takes[@]}"
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
cp build/x86_64/tamborix.dll build/x86_64/tamborix_containers.exe "$home/"
timeout 60 "$wine_loader_x86_64" regsvr32 /s 'C:\tamborix\tamborix.dll' >/dev/null 2>&1 ||
  { echo "regsvr32 could not register tamborix.dll"; exit 1; }
limit=60
for seconds in "$@"; do limit=$((limit + seconds + 20)); done
echo "== Wine $("$wine_loader_x86_64" --version), x86_64 build, $(nproc) cores"
timeout "$limit" "$wine_loader_x86_64" 'C:\tamborix\tamborix_containers.exe' \
  'C:\tamborix\tamborix.dll' --bench "$@" 2>/dev/null | tr -d '\r'
