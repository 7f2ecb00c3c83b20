#!/usr/bin/env bash
# Runs the container tests under Wine: tamborix_containers.exe shows the
# registered control in a container of our own and in Wine's ATL host
# window, and exercises the Win32 panel window with the module's template.
# Each build given is registered in one fresh Wine prefix (its own, removed
# afterwards) and run under one X server (xvfb-run); the i686 build is
# skipped, with its reason, where the kernel runs no 32-bit programs.
# TAMBORIX_HOSTILE_ONLY=1 runs only the hostile containers' groups.
# For the live groups the script starts a private PulseAudio server playing a
# 440 Hz tone (tests/wine/pulse.sh) and the reference storage service on
# 127.0.80.1:80 (built with tools/build.sh release when missing; port 80
# needs root); the panel's pictures are kept as PNG files in build/artefacts
# (or $TAMBORIX_ARTEFACTS).
#
#   tests/wine/containers.sh <x86_64 build dir> [<i686 build dir>]
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)

if [ "${TAMBORIX_CONTAINERS_INNER:-}" != 1 ]; then
  if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 <x86_64 build dir> [<i686 build dir>]"
    echo "0 passed, 1 failed, 0 skipped"
    exit 2
  fi
  results=$(mktemp)
  prefix=$(mktemp -d)
  work=$(mktemp -d)
  repo=$(cd "$here/../.." && pwd)
  artefacts=${TAMBORIX_ARTEFACTS:-$repo/build/artefacts}
  mkdir -p "$artefacts" "$work/store" "$work/pictures" "$work/locale"
  service=$repo/build/release/tools/storage_service/tamborix-storage-service
  if [ ! -x "$service" ]; then
    TAMBORIX_TARGETS=tamborix-storage-service timeout 900 bash "$repo/tools/build.sh" release \
      >/dev/null
  fi
  "$service" 127.0.80.1 80 "$work/store" >"$work/service.log" 2>&1 &
  service_pid=$!
  for _ in $(seq 1 50); do
    (exec 3<>/dev/tcp/127.0.80.1/80) 2>/dev/null && break
    sleep 0.1
  done
  kill -0 "$service_pid" 2>/dev/null || echo "fail the storage service started" >>"$results"
  # shellcheck source=tests/wine/pulse.sh
  source "$here/pulse.sh"
  pulse_start "$work/pulse" || echo "fail the PulseAudio server started" >>"$results"
  TAMBORIX_CONTAINERS_INNER=1 TAMBORIX_WINE_RESULTS="$results" WINEPREFIX="$prefix" \
    TAMBORIX_LIVE_WORK="$work" \
    timeout 700 xvfb-run -a bash "$0" "$(realpath -m "$1")" "${2:+$(realpath -m "$2")}"
  status=$?
  WINEPREFIX=$prefix timeout 30 /usr/lib/wine/wineserver64 -k >/dev/null 2>&1
  pulse_stop
  kill "$service_pid" 2>/dev/null
  wait "$service_pid" 2>/dev/null
  for picture in "$work"/pictures/*/*.bmp; do
    [ -f "$picture" ] || continue
    name=$(basename "$(dirname "$picture")")-$(basename "$picture" .bmp)
    python3 "$repo/tools/main_job/media.py" png "$picture" "$artefacts/$name.png" &&
      echo "picture: $artefacts/$name.png"
  done
  rm -rf "$prefix" "$work"
  passed=$(grep -c '^pass' "$results")
  failed=$(grep -c '^fail' "$results")
  skipped=$(grep -c '^skip' "$results")
  if ! grep -q '^complete' "$results"; then
    echo "the Wine run stopped before its end (exit $status)"
    failed=$((failed + 1))
  fi
  rm -f "$results"
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
  exit
fi

# ---- inside the X server ----

results=$TAMBORIX_WINE_RESULTS
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# shellcheck source=tests/wine/loaders.sh
source "$here/loaders.sh"
root=$WINEPREFIX/drive_c/tamborix

pass() {
  echo "pass $1" >>"$results"
  echo "ok   $1"
}
fail() {
  echo "fail $1" >>"$results"
  echo "FAIL $1${2:+: $2}"
}
skip() {
  echo "skip $1" >>"$results"
  echo "skip $1: $2"
}

trap 'timeout 30 "$wine_server" -k >/dev/null 2>&1' EXIT

echo "== Wine prefix $WINEPREFIX"
if ! wine_boot >/dev/null 2>&1; then
  fail "wine prefix made"
  echo complete >>"$results"
  exit 1
fi
# A crash ends the program with its report on standard error, not a dialog.
timeout 60 "$wine_loader_x86_64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
  /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Without a window manager every window close waits about 2 s otherwise.
timeout 60 "$wine_loader_x86_64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  >/dev/null 2>&1

# Runs a program that prints "PASS <group>" / "FAIL <group>: ..." and "DONE".
run_groups() {  # run_groups <label> <command...>
  local label=$1 output
  shift
  output=$(timeout 180 "$@" 2>/dev/null | tr -d '\r')
  while IFS= read -r line; do
    case "$line" in
      PASS\ *) pass "$label ${line#PASS }" ;;
      FAIL\ *) line=${line#FAIL }; fail "$label ${line%%:*}" "${line#*: }" ;;
    esac
  done <<<"$output"
  if grep -qx DONE <<<"$output"; then pass "$label ran to its end"; else fail "$label ran to its end"; fi
}

# A Unix path as Wine's drive Z: shows it.
windows_path() {
  local path=$1
  echo "Z:${path//\//\\}"
}

run_arch() {  # run_arch <arch> <loader> <build dir>
  local arch=$1 loader=$2 build=$3 file
  echo "== $arch ($build)"
  for file in tamborix.dll tamborix_containers.exe; do
    if [ ! -f "$build/$file" ]; then
      fail "$arch: $file built"
      return
    fi
  done
  mkdir -p "$root/$arch"
  cp "$build/tamborix.dll" "$build/tamborix_containers.exe" "$root/$arch/"
  local module="C:\\tamborix\\$arch\\tamborix.dll"
  if ! timeout 60 "$loader" regsvr32 /s "$module" >/dev/null 2>&1; then
    fail "$arch: regsvr32 registers"
    return
  fi
  mkdir -p "$TAMBORIX_LIVE_WORK/pictures/$arch"
  if [ -z "${TAMBORIX_HOSTILE_ONLY:-}" ]; then
    run_groups "$arch:" "$loader" "C:\\tamborix\\$arch\\tamborix_containers.exe" "$module" \
      "$(windows_path "$TAMBORIX_LIVE_WORK/pictures/$arch")" \
      "$(windows_path "$TAMBORIX_LIVE_WORK/store")"
  fi
  # The hostile containers' groups, each in a program of its own, with
  # Wine's heap checking: freed memory is overwritten, so a use of it fails.
  local group
  for group in $(grep -ho 'TEST_GROUP(Hostile[A-Za-z]*' "$here"/*.cc | sed 's/TEST_GROUP(//'); do
    run_groups "$arch heap-checked $group:" env WINEDEBUG=warn+heap "$loader" \
      "C:\\tamborix\\$arch\\tamborix_containers.exe" "$module" \
      "$(windows_path "$TAMBORIX_LIVE_WORK/pictures/$arch")" \
      "$(windows_path "$TAMBORIX_LIVE_WORK/store")" "$group"
  done
  # Wine takes the system language from the locale it starts in.
  if [ -n "${TAMBORIX_HOSTILE_ONLY:-}" ]; then
    true
  elif localedef -i zh_TW -f UTF-8 "$TAMBORIX_LIVE_WORK/locale/zh_TW.UTF-8" >/dev/null 2>&1; then
    run_groups "$arch zh-TW:" env LOCPATH="$TAMBORIX_LIVE_WORK/locale" LC_ALL=zh_TW.UTF-8 "$loader" \
      "C:\\tamborix\\$arch\\tamborix_containers.exe" "$module" \
      "$(windows_path "$TAMBORIX_LIVE_WORK/pictures/$arch")" \
      "$(windows_path "$TAMBORIX_LIVE_WORK/store")" zh-TW
  else
    skip "$arch zh-TW: Traditional Chinese panel" "the zh_TW locale cannot be made here"
  fi
  timeout 60 "$loader" regsvr32 /u /s "$module" >/dev/null 2>&1
}

run_arch x86_64 "$wine_loader_x86_64" "$1"
if [ -n "${2:-}" ]; then
  if [ -n "$wine_loader_i686" ]; then
    run_arch i686 "$wine_loader_i686" "$2"
  else
    skip "i686 container tests" "$wine_skip_i686"
  fi
fi
echo complete >>"$results"
