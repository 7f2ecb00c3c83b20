#!/usr/bin/env bash
# Runs the test suite, stage by stage:
#   native      the native tests under AddressSanitizer and
#               UndefinedBehaviorSanitizer;
#   tsan        the native tests that start threads (platform and upload) under
#               ThreadSanitizer;
#   cross       the mingw-w64 cross builds for i686 and x86_64;
#   fuzz        the libFuzzer targets, about 20 s each, side by side;
#   wine        the Windows module under Wine: registration, scripts and a COM
#               client (tests/wine/run.sh);
#   containers  the control in containers (tests/wine/containers.sh);
#   sound       the wave device with real sound from a private sound server
#               (tests/wine/sound.sh);
#   peers       the take uploaded to PHP, Node/busboy and python-multipart,
#               directly and through squid as the user's proxy
#               (tests/wine/peers.sh);
#   packages    the installable packages (tests/wine/packages.sh:
#               tools/package.sh's MSI and CAB installed, repaired, upgraded
#               and removed);
#   run         the control run end to end (tools/run.sh --headless): its last
#               line, the stored file and the screenshot;
#   desktop     the control run on a desktop (tests/wine/desktop.sh): Xvfb with
#               a window manager, driven with real X input; the panel at 96,
#               120 and 144 DPI.
# The Wine stages run both architectures, or x86_64 alone where the kernel
# runs no 32-bit programs (the i686 parts are then reported as skipped, with
# their reason), each from a copy of one Wine prefix booted for the run, in
# two lanes side by side. The builds run in the background at the lowest CPU
# priority while the stages that have theirs run; the stages' outputs and
# counts are kept in build/stages/.
#
#   tools/test.sh                 every stage
#   tools/test.sh --quick         native and wine: the loop while changing code
#   tools/test.sh <stage>...      those stages, building what they need
#
# Each stage prints its wall time, and a table of them comes before the last
# line, "tests: N passed, M failed, K skipped". A skip is never a pass, and a
# stage that did not run to its end for any other reason fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1

all_stages=(native tsan cross fuzz wine containers sound peers packages run desktop)
stages=()
for arg in "$@"; do
  case "$arg" in
    --quick) stages+=(native wine) ;;
    *)
      if [[ " ${all_stages[*]} " != *" $arg "* ]]; then
        echo "usage: $0 [--quick] [stage...]; the stages: ${all_stages[*]}" >&2
        exit 2
      fi
      stages+=("$arg")
      ;;
  esac
done
[ ${#stages[@]} -gt 0 ] || stages=("${all_stages[@]}")

bash tools/install-deps.sh
mkdir -p build
# shellcheck source=tools/wine/loaders.sh
. tools/wine/loaders.sh

passed=0
failed=0
skipped=0
broken=0
times=()
results=build/stages
rm -rf "$results"
mkdir -p "$results"

# The builds run one after the other in the background, at the lowest CPU
# priority, in the order the stages need them; a stage waits for those it
# uses. Each leaves build/stages/<build>.built: "ok" or "failed".
builder() {  # builder <build>...
  local name started
  for name in "$@"; do
    started=$SECONDS
    if build_one "$name" >"$results/$name.log" 2>&1; then
      echo "ok $((SECONDS - started))" >"$results/$name.built"
    else
      echo "failed $((SECONDS - started))" >"$results/$name.built"
    fi
  done
}
build_one() {  # build_one <build>
  case "$1" in
    asan) bash tools/build.sh native address,undefined ;;
    # ThreadSanitizer finds nothing where one thread runs: only the test
    # programs whose cases start threads (tests/CMakeLists.txt, THREADS).
    tsan) TAMBORIX_TARGETS=tamborix_thread_tests bash tools/build.sh native thread ;;
    # The storage service and the installer's registry rows.
    release) TAMBORIX_TARGETS="tamborix-storage-service tamborix-msi-registry" bash tools/build.sh release ;;
    fuzz) bash tools/fuzz.sh --build ;;
    *) bash tools/build.sh "$1" ;;
  esac
}
need_build() {  # need_build <build>...: waits for the builds; false when one failed
  local name ok=0
  for name in "$@"; do
    while [ ! -f "$results/$name.built" ]; do
      sleep 1
    done
    if [ "$(cut -d' ' -f1 "$results/$name.built")" != ok ]; then
      echo "the $name build failed:"
      tail -n 30 "$results/$name.log"
      broken=1
      ok=1
    fi
  done
  return "$ok"
}
# What the Wine stages run: the x86_64 build, i686 where it runs, and the
# storage service.
wine_builds=(x86_64 release)
[ -z "$wine_loader_i686" ] || wine_builds+=(i686)
need_wine_builds() {
  need_build "${wine_builds[@]}"
}

# Runs one stage into build/stages/<stage>.out and .counts, with its wall time.
stage() {  # stage <name>
  local started=$SECONDS
  passed=0 failed=0 skipped=0 broken=0
  "stage_$1" >"$results/$1.out" 2>&1
  echo "$passed $failed $skipped $broken $((SECONDS - started))" >"$results/$1.counts"
}
# Prints a stage's output and time, and adds its counts.
report() {  # report <name>
  local p f k b took
  read -r p f k b took <"$results/$1.counts"
  echo "== ${titles[$1]}"
  cat "$results/$1.out"
  echo "-- $1: $((took / 60)) min $((took % 60)) s"
  times+=("$(printf '%-14s %3d min %02d s' "$1" $((took / 60)) $((took % 60)))")
  total_passed=$((total_passed + p))
  total_failed=$((total_failed + f))
  total_skipped=$((total_skipped + k))
  total_broken=$((total_broken + b))
}
total_passed=0
total_failed=0
total_skipped=0
total_broken=0

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

run_ctest() {  # run_ctest <build dir> [ctest options...]
  local dir=$1 log=$1/ctest.log
  shift
  ctest --test-dir "$dir" --output-on-failure -j 2 --timeout 300 "$@" >"$log" 2>&1
  grep -E '(\*\*\*|tests passed|failed out of)' "$log" | tail -n 20
  count_ctest "$log"
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

stage_native() {
  need_build asan && run_ctest build/native-address-undefined
}

stage_tsan() {
  need_build tsan && run_ctest build/native-thread -L threads
}

stage_cross() {
  need_build i686 x86_64 && echo "i686 and x86_64 built"
}

# A Wine stage: its log in build/, the lines worth seeing, its counts.
wine_stage() {  # wine_stage <name> <lines to show (regex)> <command...>
  local log=build/$1.log pattern=$2
  shift 2
  "$@" >"$log" 2>&1
  grep -E "^(FAIL|skip|seed:|evidence\||---- .* stopped early)|passed, |$pattern" "$log"
  count_summary "$log"
}

stage_fuzz() {
  need_build fuzz && wine_stage fuzz '^(fuzz:|  )' bash tools/fuzz.sh
}

stage_wine() {
  need_wine_builds && wine_stage wine '^i686' bash tests/wine/run.sh build/i686 build/x86_64
}

stage_containers() {
  need_wine_builds && wine_stage containers '^picture:' \
    bash tests/wine/containers.sh build/x86_64 build/i686
}

stage_sound() {
  need_wine_builds && wine_stage sound '^stop cycles' bash tests/wine/sound.sh build/i686 build/x86_64
}

stage_peers() {
  need_wine_builds && wine_stage peers '^i686' bash tests/wine/peers.sh build/x86_64 build/i686
}

stage_packages() {
  need_wine_builds && wine_stage packages '^(i686|timing)' bash tests/wine/packages.sh
}

stage_run() {
  local log=build/run.log
  need_wine_builds || return
  bash tools/run.sh --headless >"$log" 2>&1
  tail -n 12 "$log"
  run_checks >"$log.checks"
  cat "$log.checks"
  count_summary "$log.checks"
}
run_checks() {  # prints "N passed, M failed"
  local ok=0 bad=0 log=build/run.log
  if tail -n 1 "$log" | grep -q '^run: the session worked'; then ok=$((ok + 1)); else
    bad=$((bad + 1)); echo "FAIL run: its last line"; fi
  if [ -n "$(find build/run/store -type f -name '*.wav' 2>/dev/null)" ]; then ok=$((ok + 1)); else
    bad=$((bad + 1)); echo "FAIL run: the service stored the recording"; fi
  if [ -s build/run/panel.png ]; then ok=$((ok + 1)); else
    bad=$((bad + 1)); echo "FAIL run: the screenshot"; fi
  echo "$ok passed, $bad failed"
}

stage_desktop() {
  need_wine_builds && wine_stage desktop '^picture' bash tests/wine/desktop.sh
}

# One booted prefix for the Wine stages: each starts from a copy of it.
wine_template() {
  local started=$SECONDS
  export HARNESS_PREFIX_TEMPLATE=$root/build/wine-template
  rm -rf "$HARNESS_PREFIX_TEMPLATE"
  WINEPREFIX=$HARNESS_PREFIX_TEMPLATE bash -c '. tools/wine/loaders.sh && wine_boot && wine_stop' \
    >/dev/null 2>&1 || {
    echo "the Wine prefix template could not be made; each stage boots its own"
    unset HARNESS_PREFIX_TEMPLATE
  }
  echo "-- the Wine prefix every Wine stage copies: $((SECONDS - started)) s"
}

declare -A titles=(
  [native]="native tests, AddressSanitizer and UndefinedBehaviorSanitizer"
  [tsan]="native tests that start threads, ThreadSanitizer"
  [cross]="cross builds: i686 and x86_64"
  [fuzz]="fuzz targets"
  [wine]="Windows module under Wine"
  [containers]="The control in containers under Wine"
  [sound]="The wave device with real sound under Wine"
  [peers]="The take at real multipart parsers and through squid under Wine"
  [packages]="The installable packages under Wine"
  [run]="The control run, headless"
  [desktop]="The control run on a desktop"
)
wanted() {  # wanted <stage>: whether this run runs it
  [[ " ${stages[*]} " == *" $1 "* ]]
}
started=$SECONDS

# The builds the chosen stages need, in the order they are needed: the Wine
# stages' first, since they take longest, and the others build beside them.
builds=()
if wanted wine || wanted containers || wanted sound || wanted peers || wanted packages || wanted run ||
  wanted desktop; then
  builds+=("${wine_builds[@]}")
fi
wanted native && builds+=(asan)
wanted tsan && builds+=(tsan)
wanted fuzz && builds+=(fuzz)
wanted cross && builds+=(i686 x86_64)
declare -A queued=()
build_queue=()
for name in "${builds[@]}"; do
  [ -n "${queued[$name]:-}" ] || build_queue+=("$name")
  queued[$name]=1
done
nice -n 19 bash -c "$(declare -f builder build_one); results=$results; builder ${build_queue[*]}" &
builder_pid=$!

# The Wine stages first, in two lanes side by side, each from a copy of one
# booted prefix: those that use the storage service's port (containers, run,
# desktop) one after the other, beside the others. Most of their time is
# waiting for sound, windows and Wine's own processes.
lane_a=() lane_b=()
for name in containers run desktop; do wanted "$name" && lane_a+=("$name"); done
for name in sound wine peers packages; do wanted "$name" && lane_b+=("$name"); done
if [ ${#lane_a[@]} -gt 0 ] || [ ${#lane_b[@]} -gt 0 ]; then
  if need_wine_builds >"$results/wine-builds.out"; then
    wine_template
    for name in "${lane_a[@]}"; do stage "$name"; done &
    lane_a_pid=$!
    for name in "${lane_b[@]}"; do stage "$name"; done
    wait "$lane_a_pid"
    for name in wine containers sound peers packages run desktop; do
      wanted "$name" && report "$name"
    done
  else
    cat "$results/wine-builds.out"
    total_broken=1
  fi
fi
for name in native tsan fuzz cross; do
  wanted "$name" && { stage "$name"; report "$name"; }
done
wait "$builder_pid"
rm -rf build/wine-template
passed=$total_passed failed=$total_failed skipped=$total_skipped
[ "$total_broken" -eq 0 ] || broken=1

took=$((SECONDS - started))
echo "== stage times (the Wine stages run side by side, the builds beside them)"
printf '%s\n' "${times[@]}"
for name in "${build_queue[@]}"; do
  built_in=0
  [ -f "$results/$name.built" ] && read -r _ built_in <"$results/$name.built"
  printf '%-14s %3d min %02d s\n' "build $name" $((built_in / 60)) $((built_in % 60))
done
printf '%-14s %3d min %02d s\n' all $((took / 60)) $((took % 60))
[ "$broken" -eq 0 ] || echo "a build or test stage did not run to its end"
echo "tests: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$broken" -eq 0 ]
