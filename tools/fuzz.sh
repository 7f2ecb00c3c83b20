#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang into build/fuzz and
# runs each one for a while.
#   tools/fuzz.sh [seconds-per-target]      (default 20)
# Each target starts from its checked-in seeds (tests/fuzz/corpus/<target>)
# plus what earlier runs found, kept in build/fuzz/corpus/<target>. A crashing
# input is kept under build/fuzz/crashes/<target>/ and its path printed. Ends
# with "fuzz: N passed, M failed" and exits non-zero when a target failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [seconds-per-target]" >&2
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

passed=0
failed=0
for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  crashes="$dir/crashes/$target"
  log="$dir/$target.log"
  mkdir -p "$corpus"
  rm -rf "$crashes"
  mkdir -p "$crashes"
  cp "$root/tests/fuzz/corpus/$target"/* "$corpus/"
  # shellcheck disable=SC2046  # the options are separate words
  "$dir/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="$crashes/" "$corpus" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log")
  artifacts=$(find "$crashes" -type f | sort)
  if [ "$status" -eq 0 ] && [ -z "$artifacts" ]; then
    echo "fuzz: $target passed (${runs:-?} runs)"
    passed=$((passed + 1))
  else
    echo "fuzz: $target FAILED (log: $log)"
    grep -m 3 -E 'property violated|ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error' \
      "$log" | sed 's/^/  /'
    for artifact in $artifacts; do
      echo "  crashing input: $artifact"
      echo "  reproduce: $dir/tests/fuzz/$target $artifact"
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
