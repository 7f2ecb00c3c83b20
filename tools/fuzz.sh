#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang into build/fuzz and
# runs each one for a while, as many at a time as there are cores.
#   tools/fuzz.sh [seconds-per-target]      (default 20)
#   tools/fuzz.sh --build                   builds them, runs nothing
# Each target starts from its checked-in seeds (tests/fuzz/corpus/<target>)
# plus what earlier runs found, kept in build/fuzz/corpus/<target>. Each run's
# random seed is printed; TAMBORIX_FUZZ_SEED=<n> runs every target with that
# seed. A crashing input is kept under build/fuzz/crashes/<target>/, and the
# one command that replays it is printed; once the fault is fixed, the input
# goes into tests/fuzz/corpus/<target>/ so that every later run tries it. Ends
# with "fuzz: N passed, M failed" and exits non-zero when a target failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_only=
if [ "${1:-}" = --build ]; then
  build_only=1
  shift
fi
seconds=${1:-20}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [--build] [seconds-per-target]" >&2
  exit 2
fi
dir="$root/build/fuzz"
targets=(upload_request_fuzz upload_reply_fuzz http_proxy_fuzz registrar_script_fuzz page_parser_fuzz)

mkdir -p "$dir"
if ! CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAMBORIX_FUZZ=ON >"$dir/configure.log" 2>&1 ||
  ! ninja -C "$dir" tamborix_fuzz_targets >"$dir/build.log" 2>&1; then
  tail -n 40 "$dir/configure.log" "$dir/build.log" >&2 2>/dev/null
  echo "fuzz: 0 passed, ${#targets[@]} failed"
  exit 1
fi
[ -z "$build_only" ] || exit 0

# fuzz_one <target>: one target's run; its log is $dir/<target>.log.
fuzz_one() {
  local target=$1 corpus="$dir/corpus/$1" crashes="$dir/crashes/$1"
  mkdir -p "$corpus"
  rm -rf "$crashes"
  mkdir -p "$crashes"
  cp "$root/tests/fuzz/corpus/$target"/* "$corpus/"
  "$dir/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    ${TAMBORIX_FUZZ_SEED:+-seed="$TAMBORIX_FUZZ_SEED"} -artifact_prefix="$crashes/" "$corpus" \
    >"$dir/$target.log" 2>&1
  echo $? >"$dir/$target.status"
}

jobs=$(nproc 2>/dev/null || echo 1)
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n
  done
  fuzz_one "$target" &
done
wait

passed=0
failed=0
for target in "${targets[@]}"; do
  crashes="$dir/crashes/$target"
  log="$dir/$target.log"
  status=$(cat "$dir/$target.status" 2>/dev/null || echo 1)
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log")
  seed=$(sed -n 's/^INFO: Seed: \([0-9]*\).*/\1/p' "$log" | head -n 1)
  artifacts=$(find "$crashes" -type f | sort)
  if [ "$status" -eq 0 ] && [ -z "$artifacts" ]; then
    echo "fuzz: $target passed (${runs:-?} runs, seed ${seed:-?})"
    passed=$((passed + 1))
  else
    echo "fuzz: $target FAILED (seed ${seed:-?}, log: $log)"
    grep -m 3 -E 'property violated|ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error' \
      "$log" | sed 's/^/  /'
    for artifact in $artifacts; do
      echo "  crashing input: $artifact"
      echo "  replay: $dir/tests/fuzz/$target $artifact"
      echo "  once fixed: cp $artifact $root/tests/fuzz/corpus/$target/"
    done
    [ -n "$artifacts" ] ||
      echo "  replay: TAMBORIX_FUZZ_SEED=${seed:-?} bash $root/tools/fuzz.sh $seconds"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
