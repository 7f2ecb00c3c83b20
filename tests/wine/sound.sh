#!/usr/bin/env bash
# Runs the Win32 wave device with real sound under Wine, for the i686 and the
# x86_64 build in turn. A private PulseAudio server (tools/wine/pulse.sh)
# feeds a 440 Hz tone to the default source and takes the default output;
# tamborix_wave_test.exe records, saves and plays through the device, while
# parec listens on the output for the 500 Hz tone the test plays; then
# tamborix_contract_test.exe runs the kernel and wave device contract cases
# (tests/contracts) on the Win32 implementations. Each architecture runs through the loader that
# tools/wine/loaders.sh picks; where the kernel runs no 32-bit programs the i686 stage
# is reported as skipped, with its reason. The fifty stop cycles run on the
# shipped i686 build, 15 on x86_64 beside it (50 where x86_64 runs alone);
# their moments are random, and TAMBORIX_SEED replays a printed seed.
# The run uses a fresh Wine prefix and one X server (tests/wine/harness.sh);
# every step runs under `timeout`.
#
#   tests/wine/sound.sh <i686 build dir> <x86_64 build dir>
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/wine/harness.sh
. "$here/harness.sh"

if [ "${HARNESS_INSIDE:-}" != 1 ]; then
  if [ $# -ne 2 ]; then
    harness_usage "$0 <i686 build dir> <x86_64 build dir>"
  fi
  outside_start() {
    # shellcheck source=tools/wine/pulse.sh
    . "$harness_repo/tools/wine/pulse.sh"
    pulse_start "$HARNESS_WORK/pulse" || fail "the PulseAudio server started"
  }
  outside_end() { pulse_stop; }
  harness_outside 900 "$0" "$(realpath -m "$1")" "$(realpath -m "$2")"
fi

# ---- inside the X server, with PULSE_SERVER set ----

work=$HARNESS_WORK
declare -A builds=([i686]="$1" [x86_64]="$2")
declare -A loaders=([i686]="$wine_loader_i686" [x86_64]="$wine_loader_x86_64")
harness_inside || exit 1
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
    skip "i686 sound tests skipped" "$wine_skip_i686"
    return
  fi
  local file
  for file in tamborix_wave_test.exe tamborix_contract_test.exe; do
    if [ ! -f "$build/$file" ]; then
      fail "$arch: $file built"
      return
    fi
  done
  cp "$build/tamborix_wave_test.exe" "$root/wave_test_$arch.exe"
  cp "$build/tamborix_contract_test.exe" "$root/contract_test_$arch.exe"

  local capture=$work/played_$arch.raw parec_pid
  timeout 400 parec --device=tamborix_out.monitor --format=s16le --rate=8000 --channels=1 \
    --raw >"$capture" 2>/dev/null &
  parec_pid=$!
  # The fifty stop cycles on the shipped architecture (i686), and on x86_64
  # where it is the only one; fewer on x86_64 beside a running i686.
  local cycles=50
  [ "$arch" = x86_64 ] && [ -n "${loaders[i686]}" ] && cycles=15
  echo "stop cycles: $cycles"
  run_groups "$arch:" 400 env TAMBORIX_STOP_CYCLES="$cycles" "$loader" \
    "C:\\tamborix\\wave_test_$arch.exe"
  sleep 0.5
  kill "$parec_pid" 2>/dev/null
  wait "$parec_pid" 2>/dev/null
  local heard
  heard=$(tone_frequency "$capture")
  if [ "$heard" -ge 480 ] && [ "$heard" -le 520 ]; then
    pass "$arch: playback reached the default output"
  else
    fail "$arch: playback reached the default output" "heard ${heard} Hz"
  fi
}

# The kernel and wave device contracts on the Win32 implementations.
run_contract() {  # run_contract <arch>
  local arch=$1
  # Skipped or not built: run_arch has said so.
  [ -n "${loaders[$arch]}" ] && [ -f "$root/contract_test_$arch.exe" ] || return
  run_groups "$arch: contract" 240 "${loaders[$arch]}" "C:\\tamborix\\contract_test_$arch.exe"
}

run_arch i686
run_arch x86_64
run_contract i686
run_contract x86_64
harness_complete
