#!/usr/bin/env bash
# Runs the Win32 wave device with real sound under Wine, for the i686 and the
# x86_64 build in turn. A private PulseAudio server (tests/wine/pulse.sh)
# feeds a 440 Hz tone to the default source and takes the default output;
# tamborix_wave_test.exe records, saves and plays through the device and
# checks its error numbers, while parec listens on the output for the 500 Hz
# tone the test plays. Each architecture runs through the loader that
# loaders.sh picks; where the kernel runs no 32-bit programs the i686 stage
# is reported as skipped, with its reason.
# The run uses a fresh Wine prefix and one X server (xvfb-run), and removes
# both at the end; every step runs under `timeout`.
#
#   tests/wine/sound.sh <i686 build dir> <x86_64 build dir>
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/wine/loaders.sh
. "$here/loaders.sh"

if [ "${TAMBORIX_SOUND_INNER:-}" != 1 ]; then
  if [ $# -ne 2 ]; then
    echo "usage: $0 <i686 build dir> <x86_64 build dir>"
    echo "0 passed, 1 failed, 0 skipped"
    exit 2
  fi
  work=$(mktemp -d)
  results=$work/results
  touch "$results"
  # shellcheck source=tests/wine/pulse.sh
  source "$here/pulse.sh"
  if pulse_start "$work/pulse"; then
    TAMBORIX_SOUND_INNER=1 TAMBORIX_SOUND_WORK="$work" \
      timeout 900 xvfb-run -a bash "$0" "$(realpath -m "$1")" "$(realpath -m "$2")"
    status=$?
  else
    echo "FAIL the PulseAudio server started"
    echo "fail pulse" >>"$results"
    status=1
  fi
  WINEPREFIX=$work/prefix timeout 30 "$wine_server" -k >/dev/null 2>&1
  pulse_stop
  grep '^skip' "$results" | sed 's/^skip //'
  passed=$(grep -c '^pass' "$results")
  failed=$(grep -c '^fail' "$results")
  skipped=$(grep -c '^skip' "$results")
  if [ "$failed" -eq 0 ] && ! grep -q '^complete' "$results"; then
    echo "the Wine run stopped before its end (exit $status)"
    failed=1
  fi
  rm -rf "$work"
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
  exit
fi

# ---- inside the X server, with PULSE_SERVER set ----

work=$TAMBORIX_SOUND_WORK
results=$work/results
declare -A builds=([i686]="$1" [x86_64]="$2")
declare -A loaders=([i686]="$wine_loader_i686" [x86_64]="$wine_loader_x86_64")

pass() {
  echo "pass $1" >>"$results"
  echo "ok   $1"
}
fail() {
  echo "fail $1" >>"$results"
  echo "FAIL $1${2:+: $2}"
}

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$work/prefix
trap 'timeout 30 "$wine_server" -k >/dev/null 2>&1; timeout 30 "$wine_server" -w >/dev/null 2>&1' EXIT

echo "== Wine prefix $WINEPREFIX (PULSE_SERVER=$PULSE_SERVER)"
if ! wine_boot >/dev/null 2>&1; then
  fail "wine prefix made"
  exit 1
fi
# Without a window manager, Wine waits for each managed window's close.
timeout 60 "$wine_loader_x86_64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  >/dev/null 2>&1
root=$WINEPREFIX/drive_c/tamborix
mkdir -p "$root"

# The tone's frequency in a raw 8000 Hz 16-bit mono capture, from the zero
# crossings of its tenth-of-a-second windows that hold sound throughout (0
# when fewer than five do).
tone_frequency() {  # tone_frequency <raw file>
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
windows = [samples[i:i + 800] for i in range(0, len(samples) - 799, 800)]
loud = [w for w in windows if sum(1 for s in w if abs(s) > 200) >= 700]
crossings = sum(sum(1 for a, b in zip(w, w[1:]) if (a < 0) != (b < 0)) for w in loud)
print(round(crossings / 2 / (len(loud) * 0.1)) if len(loud) >= 5 else 0)
EOF
}

run_arch() {  # run_arch <arch>
  local arch=$1 build=${builds[$1]} loader=${loaders[$1]}
  echo "== $arch ($build)"
  if [ -z "$loader" ]; then
    echo "skip i686 sound tests skipped: $wine_skip_i686" >>"$results"
    echo "i686 sound tests skipped: $wine_skip_i686"
    return
  fi
  if [ ! -f "$build/tamborix_wave_test.exe" ]; then
    fail "$arch: tamborix_wave_test.exe built"
    return
  fi
  cp "$build/tamborix_wave_test.exe" "$root/wave_test_$arch.exe"

  local capture=$work/played_$arch.raw parec_pid output line
  timeout 400 parec --device=tamborix_out.monitor --format=s16le --rate=8000 --channels=1 \
    --raw >"$capture" 2>/dev/null &
  parec_pid=$!
  output=$(timeout 400 "$loader" "C:\\tamborix\\wave_test_$arch.exe" 2>/dev/null | tr -d '\r')
  sleep 0.5
  kill "$parec_pid" 2>/dev/null
  wait "$parec_pid" 2>/dev/null

  while IFS= read -r line; do
    case "$line" in
      PASS\ *) pass "$arch: ${line#PASS }" ;;
      FAIL\ *) line=${line#FAIL }; fail "$arch: ${line%%:*}" "${line#*: }" ;;
    esac
  done <<<"$output"
  if grep -qx DONE <<<"$output"; then
    pass "$arch: wave device test ran to its end"
  else
    fail "$arch: wave device test ran to its end"
  fi
  local heard
  heard=$(tone_frequency "$capture")
  if [ "$heard" -ge 480 ] && [ "$heard" -le 520 ]; then
    pass "$arch: playback reached the default output"
  else
    fail "$arch: playback reached the default output" "heard ${heard} Hz"
  fi
}

run_arch i686
run_arch x86_64
echo complete >>"$results"
