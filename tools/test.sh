#!/usr/bin/env bash
# Runs the whole test suite:
#   1. the native tests under AddressSanitizer and UndefinedBehaviorSanitizer,
#   2. the same tests under ThreadSanitizer,
#   3. the mingw-w64 cross builds for i686 and x86_64,
#   4. the libFuzzer targets, about 20 s each, one test per target;
#   5. the Windows module's tests under Wine: registration, scripts and a
#      COM client (run.sh), the control in containers (containers.sh), the
#      wave device with real sound from a private sound server (sound.sh),
#      the take uploaded to PHP, Node/busboy and python-multipart, directly
#      and through squid (peers.sh);
#      both architectures, or x86_64 alone where the kernel runs no 32-bit
#      programs (the i686 stages are then reported as skipped, with their
#      reason);
#      the installable packages (packages.sh: tools/package.sh's MSI and CAB
#      installed, repaired, upgraded and removed);
#   6. the control run end to end (tools/run.sh --headless): its last line, the
#      stored file and the screenshot;
#   7. the control run on a desktop (tests/wine/desktop.sh): Xvfb with a window
#      manager, driven with real X input; the panel at 96, 120 and 144 DPI.
# Ends with one line "tests: N passed, M failed, K skipped". A skip is never a
# pass, and a stage that did not run to its end for any other reason fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh

passed=0
failed=0
skipped=0
broken=0

count_ctest() {  # reads ctest output, adds its counts
  local line
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    broken=1
    return
  fi
  local nfail total
  nfail=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + total - nfail))
  failed=$((failed + nfail))
}

run_native() {  # $1: sanitizers
  local dir log
  echo "== native build, sanitizers: $1"
  if ! dir=$(bash tools/build.sh native "$1"); then
    broken=1
    return
  fi
  log="$dir/ctest.log"
  ctest --test-dir "$dir" --output-on-failure -j 2 --timeout 300 >"$log" 2>&1
  grep -E '(\*\*\*|tests passed|failed out of)' "$log" | tail -n 20
  count_ctest "$log"
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

run_native "address,undefined"
run_native "thread"

for arch in i686 x86_64; do
  echo "== cross build: $arch"
  if ! bash tools/build.sh "$arch" >/dev/null; then
    echo "cross build $arch failed"
    broken=1
  fi
done

count_summary() {  # count_summary <log>: adds "[fuzz: ]N passed, M failed[, K skipped]"
  local line
  line=$(grep -E '^(fuzz: )?[0-9]+ passed, [0-9]+ failed' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    broken=1
    return
  fi
  line=${line#fuzz: }
  passed=$((passed + $(cut -d' ' -f1 <<<"$line")))
  failed=$((failed + $(cut -d' ' -f3 <<<"$line")))
  if [[ $line =~ ([0-9]+)\ skipped ]]; then
    skipped=$((skipped + BASH_REMATCH[1]))
  fi
}

echo "== fuzz targets"
log=build/fuzz.log
bash tools/fuzz.sh >"$log" 2>&1
grep -E '^(FAIL|fuzz:)|crash' "$log"
count_summary "$log"

echo "== Windows module under Wine"
log=build/wine.log
bash tests/wine/run.sh build/i686 build/x86_64 >"$log" 2>&1
grep -E '^(FAIL|i686)|passed, ' "$log"
count_summary "$log"

echo "== The control in containers under Wine"
log=build/containers.log
bash tests/wine/containers.sh build/x86_64 build/i686 >"$log" 2>&1
grep -E '^(FAIL|skip)|passed, ' "$log"
count_summary "$log"

echo "== The take at real multipart parsers and through squid under Wine"
log=build/peers.log
bash tests/wine/peers.sh build/x86_64 build/i686 >"$log" 2>&1
grep -E '^(FAIL|skip)|passed, ' "$log"
count_summary "$log"

echo "== The wave device with real sound under Wine"
log=build/sound.log
bash tests/wine/sound.sh build/i686 build/x86_64 >"$log" 2>&1
grep -E '^(FAIL|skip)|passed, ' "$log"
count_summary "$log"

echo "== The installable packages under Wine"
log=build/packages.log
bash tests/wine/packages.sh >"$log" 2>&1
grep -E '^(FAIL|i686|timing)|passed, ' "$log"
count_summary "$log"

echo "== The control run, headless"
log=build/run.log
bash tools/run.sh --headless >"$log" 2>&1
tail -n 12 "$log"
run_checks() {  # prints "N passed, M failed"
  local ok=0 bad=0
  if tail -n 1 "$log" | grep -q '^run: the session worked'; then ok=$((ok + 1)); else
    bad=$((bad + 1)); echo "FAIL run: its last line"; fi
  if [ -n "$(find build/run/store -type f -name '*.wav' 2>/dev/null)" ]; then ok=$((ok + 1)); else
    bad=$((bad + 1)); echo "FAIL run: the service stored the recording"; fi
  if [ -s build/run/panel.png ]; then ok=$((ok + 1)); else
    bad=$((bad + 1)); echo "FAIL run: the screenshot"; fi
  echo "$ok passed, $bad failed"
}
run_checks >"$log.checks"
cat "$log.checks"
count_summary "$log.checks"

echo "== The control run on a desktop"
log=build/desktop.log
bash tests/wine/desktop.sh >"$log" 2>&1
grep -E '^(FAIL|skip|picture)|passed, ' "$log"
count_summary "$log"

[ "$broken" -eq 0 ] || echo "a build or test stage did not run to its end"
echo "tests: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$broken" -eq 0 ]
