# Sourced by the Wine test scripts: one way to run a stage under Wine and to
# count what it checked.
#
# Most scripts run twice. Outside (`harness_outside <seconds> "$0" <args>`), the
# harness makes a work folder with a fresh Wine prefix and a results file,
# runs the script's optional `outside_start`, runs the script again inside a
# private X server (xvfb-run) under one time limit, stops Wine, runs the
# optional `outside_end`, and prints the summary; it never returns. Inside
# (HARNESS_INSIDE=1), `harness_inside` makes the prefix and the script records
# each result with pass, fail, skip, check or run_groups, and ends with
# `harness_complete`. A stage that did not reach harness_complete counts as
# one more failure, whatever it recorded before.
#
# A stage that needs its own X server (a desktop with a window manager) calls
# harness_begin, records its results the same way, and ends with
# harness_complete and harness_end.
#
# The last line is "N passed, M failed, K skipped", and every skip is also
# printed with its reason.
#
# A test program that does not run to its end, or crashes on the way, leaves
# its evidence in the stage's output (lines "evidence| ..."): Wine's report of
# the exception, the crashing thread's backtrace and the program's last lines
# on standard error.
#
# With HARNESS_PREFIX_TEMPLATE naming a prefix that wineboot has made (and no
# Wine process of it running), each stage starts from a copy of it instead of
# booting a prefix of its own; tools/test.sh makes one for all its stages.
#
# Known while running: HARNESS_WORK (the work folder, kept until the end),
# WINEPREFIX, and the loaders of tools/wine/loaders.sh.

harness_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=tools/wine/loaders.sh
. "$harness_repo/tools/wine/loaders.sh"

# The work folder and the results file of a stage.
harness_begin() {
  HARNESS_WORK=$(mktemp -d)
  export HARNESS_WORK
  export HARNESS_RESULTS=$HARNESS_WORK/results
  touch "$HARNESS_RESULTS"
}

# Prints the skips and the summary line, removes the work folder and exits,
# non-zero when anything failed.
harness_end() {  # harness_end [<exit status of the stage's run>]
  local passed failed skipped
  grep '^skip' "$HARNESS_RESULTS" | sed 's/^skip //'
  passed=$(grep -c '^pass' "$HARNESS_RESULTS")
  failed=$(grep -c '^fail' "$HARNESS_RESULTS")
  skipped=$(grep -c '^skip' "$HARNESS_RESULTS")
  if ! grep -q '^complete' "$HARNESS_RESULTS"; then
    echo "the Wine run stopped before its end${1:+ (exit $1)}"
    failed=$((failed + 1))
  fi
  rm -rf "$HARNESS_WORK"
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
  exit
}

harness_outside() {  # harness_outside <seconds> <script> <args...>
  local seconds=$1 script=$2 status
  shift 2
  harness_begin
  export WINEPREFIX=$HARNESS_WORK/prefix
  if [ -n "${HARNESS_PREFIX_TEMPLATE:-}" ] && [ -f "$HARNESS_PREFIX_TEMPLATE/system.reg" ]; then
    cp -a "$HARNESS_PREFIX_TEMPLATE" "$WINEPREFIX"
  fi
  if declare -F outside_start >/dev/null; then
    outside_start
  fi
  HARNESS_INSIDE=1 timeout "$seconds" xvfb-run -a bash "$script" "$@"
  status=$?
  # Whatever state the run ended in, no Wine process of it outlives it.
  wine_stop
  if declare -F outside_end >/dev/null; then
    outside_end
  fi
  harness_end "$status"
}

# Ends a script called with the wrong arguments: its usage, and the summary
# line of one failure.
harness_usage() {  # harness_usage <usage>
  echo "usage: $1"
  echo "0 passed, 1 failed, 0 skipped"
  exit 2
}

pass() {  # pass <check>
  echo "pass $1" >>"$HARNESS_RESULTS"
  echo "ok   $1"
}

fail() {  # fail <check> [<what went wrong>]
  echo "fail $1" >>"$HARNESS_RESULTS"
  echo "FAIL $1${2:+: $2}"
}

skip() {  # skip <check> <why>
  echo "skip $1: $2" >>"$HARNESS_RESULTS"
  echo "skip $1: $2"
}

check() {  # check <check> <command...>: passes when the command succeeds
  local name=$1
  shift
  if "$@" >/dev/null 2>&1; then pass "$name"; else fail "$name"; fi
}

# Runs a test program that prints "PASS <group>" / "FAIL <group>: ..." and
# "DONE" (tests/wine/check.h and the GoogleTest programs alike), and shows
# the seeds of its randomized groups ("SEED <n>").
run_groups() {  # run_groups <label> <seconds> <command...>
  local label=$1 seconds=$2 output line errors
  shift 2
  errors=$(mktemp "$HARNESS_WORK/stderr.XXXXXX")
  output=$(timeout "$seconds" "$@" 2>"$errors" | tr -d '\r')
  if [ -z "$output" ] && wine_start_failed "$label" "$errors"; then
    output=$(timeout "$seconds" "$@" 2>"$errors" | tr -d '\r')
  fi
  while IFS= read -r line; do
    case "$line" in
      PASS\ *) pass "$label ${line#PASS }" ;;
      SEED\ *) echo "seed: ${line#SEED } (${label%:}; TAMBORIX_SEED=${line#SEED } replays it)" ;;
      FAIL\ *)
        line=${line#FAIL }
        fail "$label ${line%%:*}" "${line#*: }"
        ;;
    esac
  done <<<"$output"
  if grep -qx DONE <<<"$output"; then
    pass "$label ran to its end"
    grep -q '^Unhandled exception' <<<"$output" && harness_evidence "$label" "$output" "$errors"
  else
    fail "$label ran to its end"
    harness_evidence "$label" "$output" "$errors"
  fi
  rm -f "$errors"
}

# True, with a note, when Wine could not start the program at all: now and
# then (a few times in a thousand starts, with no preloader) the 64-bit
# loader finds the fixed address of the shared user data taken and exits
# before the program's first instruction. The caller starts it once more.
wine_start_failed() {  # wine_start_failed <label> <stderr file>
  grep -q 'failed to map the shared user data' "$2" || return 1
  echo "note: $1 Wine did not start the program ($(grep -m1 'failed to map' "$2" | tr -d '\r')); once more"
}

# Prints the evidence of a test program that crashed or stopped early: the
# exception and the crashing thread's backtrace that Wine's debugger wrote to
# its standard output, and the last lines of its standard error.
harness_evidence() {  # harness_evidence <label> <its output> <its stderr file>
  echo "---- $1 stopped early or crashed"
  {
    grep -m 1 '^Unhandled exception' <<<"$2"
    sed -n '/^Backtrace:/,/^Modules:/p' <<<"$2" | grep -v '^Modules:' | head -n 40
    tr -d '\r' <"$3" | tail -n 20
  } | sed "s/^/evidence| /"
  echo "----"
}

# Runs a test program as run_groups does, under Wine's heap checking, with
# two checks more: Wine reported nothing about the heap (a free of freed
# memory shows only as a warning), and the program exited within <exit
# seconds> of its "DONE", which it prints once its last thread has ended.
run_groups_heap_checked() {  # run_groups_heap_checked <label> <seconds> <exit seconds> <command...>
  local label=$1 seconds=$2 limit=$3 out err pid done_at waited heap status attempt
  shift 3
  out=$(mktemp -p "$HARNESS_WORK")
  err=$(mktemp -p "$HARNESS_WORK")
  for attempt in 1 2; do
    WINEDEBUG=warn+heap timeout -k 5 "$seconds" "$@" >"$out" 2>"$err" &
    pid=$!
    while kill -0 "$pid" 2>/dev/null && ! [ -s "$out" ]; do sleep 0.05; done
    [ "$attempt" = 1 ] && ! [ -s "$out" ] && wine_start_failed "$label" "$err" || break
  done
  while kill -0 "$pid" 2>/dev/null && ! grep -q '^DONE' "$out"; do sleep 0.1; done
  done_at=$(date +%s%N)
  while kill -0 "$pid" 2>/dev/null && (($(date +%s%N) - done_at < limit * 1000000000)); do
    sleep 0.05
  done
  waited=$((($(date +%s%N) - done_at) / 1000000))
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "$label exited within $limit s of its last thread" "still running $waited ms after DONE"
  elif grep -q '^DONE' "$out"; then
    pass "$label exited within $limit s of its last thread"
    echo "     (exited $waited ms after DONE)"
  fi
  wait "$pid" 2>/dev/null
  status=$?
  grep -q '^DONE' "$out" || echo "     (no DONE; exit status $status)"
  # Its output and its standard error, as if it ran again, for the evidence.
  run_groups "$label" "$seconds" sh -c 'cat "$1"; cat "$2" >&2' - "$out" "$err"
  heap=$(grep -c ':heap:' "$err")
  if [ "$heap" -eq 0 ]; then
    pass "$label no heap warning"
  else
    fail "$label no heap warning" "$heap line(s), the first: $(grep -m1 ':heap:' "$err" | tr -d '\r')"
  fi
  rm -f "$out" "$err"
}

# Inside the X server: makes the prefix, unmanaged windows (no window
# manager runs there), crash reports on standard error instead of a dialog
# that would wait for an answer, and stops Wine when the script ends. False
# when the prefix could not be made; that is recorded.
harness_inside() {
  trap wine_stop EXIT
  echo "== Wine prefix $WINEPREFIX"
  # A copy of the template is booted already.
  if [ ! -f "$WINEPREFIX/system.reg" ] && ! wine_boot >/dev/null 2>&1; then
    fail "wine prefix made"
    return 1
  fi
  wine_managed N
  timeout 60 "$wine_loader_x86_64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f >/dev/null 2>&1
}

# Copies built files into C:\tamborix\<arch> of the prefix; false, with the
# failure recorded, when one of them was not built.
harness_install() {  # harness_install <arch> <build dir> <file...>
  local arch=$1 build=$2 file
  shift 2
  for file in "$@"; do
    if [ ! -f "$build/$file" ]; then
      fail "$arch: $file built"
      return 1
    fi
  done
  mkdir -p "$WINEPREFIX/drive_c/tamborix/$arch"
  for file in "$@"; do
    cp "$build/$file" "$WINEPREFIX/drive_c/tamborix/$arch/"
  done
}

# Registers C:\tamborix\<arch>\tamborix.dll; false, with the failure
# recorded, when regsvr32 fails.
harness_register() {  # harness_register <arch> <loader>
  timeout 60 "$2" regsvr32 /s "C:\\tamborix\\$1\\tamborix.dll" >/dev/null 2>&1 && return
  fail "$1: regsvr32 registers"
  return 1
}

# Calls the script's run_arch <arch> <loader> <build dir> for the x86_64
# build, then for the i686 one when given, or records why i686 cannot run.
harness_run_arches() {  # harness_run_arches <what> <x86_64 build dir> [<i686 build dir>]
  run_arch x86_64 "$wine_loader_x86_64" "$2"
  if [ -n "${3:-}" ]; then
    if [ -n "$wine_loader_i686" ]; then
      run_arch i686 "$wine_loader_i686" "$3"
    else
      skip "i686 $1" "$wine_skip_i686"
    fi
  fi
}

harness_complete() {
  echo complete >>"$HARNESS_RESULTS"
}

# A Unix path as Wine's drive Z: shows it.
windows_path() {  # windows_path <path>
  local path=$1
  echo "Z:${path//\//\\}"
}
