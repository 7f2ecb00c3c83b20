#!/usr/bin/env bash
# Runs the container tests under Wine: tamborix_containers.exe shows the
# registered control in a container of our own and in Wine's ATL host
# window, and exercises the Win32 panel window with the module's template.
# Each build given is registered in one fresh Wine prefix and run under one X
# server (tests/wine/harness.sh); the i686 build is
# skipped, with its reason, where the kernel runs no 32-bit programs.
# The hostile containers' groups, the containers' sequences (IE, Wine's
# browser, WinForms, Qt) and the apartments' groups run each in a program of
# their own with Wine's heap checking: a heap warning fails them, and so does
# a program still running 5 s after its last thread ended;
# TAMBORIX_HOSTILE_ONLY=1 runs only those.
# For the live groups the script starts a private PulseAudio server playing a
# 440 Hz tone (tools/wine/pulse.sh) and the reference storage service on
# 127.0.80.1:80 (built with tools/build.sh release when missing; port 80
# needs root); the panel's pictures are kept as PNG files in build/artefacts
# (or $TAMBORIX_ARTEFACTS).
#
#   tests/wine/containers.sh <x86_64 build dir> [<i686 build dir>]
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/wine/harness.sh
. "$here/harness.sh"

if [ "${HARNESS_INSIDE:-}" != 1 ]; then
  if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    harness_usage "$0 <x86_64 build dir> [<i686 build dir>]"
  fi
  artefacts=${TAMBORIX_ARTEFACTS:-$harness_repo/build/artefacts}
  service_pid=

  outside_start() {
    mkdir -p "$artefacts" "$HARNESS_WORK/store" "$HARNESS_WORK/pictures" "$HARNESS_WORK/locale"
    local service=$harness_repo/build/release/tools/storage_service/tamborix-storage-service
    if [ ! -x "$service" ]; then
      TAMBORIX_TARGETS=tamborix-storage-service timeout 900 bash "$harness_repo/tools/build.sh" \
        release >/dev/null
    fi
    "$service" 127.0.80.1 80 "$HARNESS_WORK/store" >"$HARNESS_WORK/service.log" 2>&1 &
    service_pid=$!
    for _ in $(seq 1 50); do
      (exec 3<>/dev/tcp/127.0.80.1/80) 2>/dev/null && break
      sleep 0.1
    done
    kill -0 "$service_pid" 2>/dev/null || fail "the storage service started"
    # shellcheck source=tools/wine/pulse.sh
    . "$harness_repo/tools/wine/pulse.sh"
    pulse_start "$HARNESS_WORK/pulse" || fail "the PulseAudio server started"
  }

  outside_end() {
    pulse_stop
    kill "$service_pid" 2>/dev/null
    wait "$service_pid" 2>/dev/null
    local picture name
    for picture in "$HARNESS_WORK"/pictures/*/*.bmp; do
      [ -f "$picture" ] || continue
      name=$(basename "$(dirname "$picture")")-$(basename "$picture" .bmp)
      python3 "$harness_repo/tools/run/media.py" png "$picture" "$artefacts/$name.png" &&
        echo "picture: $artefacts/$name.png"
    done
  }

  harness_outside 700 "$0" "$(realpath -m "$1")" "${2:+$(realpath -m "$2")}"
fi

# ---- inside the X server ----

harness_inside || exit 1

run_arch() {  # run_arch <arch> <loader> <build dir>
  local arch=$1 loader=$2 build=$3
  echo "== $arch ($build)"
  harness_install "$arch" "$build" tamborix.dll tamborix_containers.exe &&
    harness_register "$arch" "$loader" || return
  local module="C:\\tamborix\\$arch\\tamborix.dll"
  local pictures store
  mkdir -p "$HARNESS_WORK/pictures/$arch"
  pictures=$(windows_path "$HARNESS_WORK/pictures/$arch")
  store=$(windows_path "$HARNESS_WORK/store")
  if [ -z "${TAMBORIX_HOSTILE_ONLY:-}" ]; then
    run_groups "$arch:" 180 "$loader" "C:\\tamborix\\$arch\\tamborix_containers.exe" "$module" \
      "$pictures" "$store"
  fi
  # The hostile containers' groups, the sequences and the apartments' groups,
  # each in a program of its own, with Wine's heap checking: freed memory is
  # overwritten, so a use of it fails, and Wine warns of a free through it.
  local group
  for group in $(grep -hoE 'TEST_GROUP\((Hostile|Sequence|Apartment)[A-Za-z]*' "$here"/*.cc |
    sed 's/TEST_GROUP(//' | grep -F -- "${TAMBORIX_WINE_GROUPS:-}"); do
    run_groups_heap_checked "$arch heap-checked $group:" 180 5 "$loader" \
      "C:\\tamborix\\$arch\\tamborix_containers.exe" "$module" "$pictures" "$store" "$group"
  done
  # Wine takes the system language from the locale it starts in.
  if [ -n "${TAMBORIX_HOSTILE_ONLY:-}" ]; then
    true
  elif localedef -i zh_TW -f UTF-8 "$HARNESS_WORK/locale/zh_TW.UTF-8" >/dev/null 2>&1; then
    run_groups "$arch zh-TW:" 180 env LOCPATH="$HARNESS_WORK/locale" LC_ALL=zh_TW.UTF-8 "$loader" \
      "C:\\tamborix\\$arch\\tamborix_containers.exe" "$module" "$pictures" "$store" zh-TW
  else
    skip "$arch zh-TW: Traditional Chinese panel" "the zh_TW locale cannot be made here"
  fi
  timeout 60 "$loader" regsvr32 /u /s "$module" >/dev/null 2>&1
}

harness_run_arches "container tests" "$1" "${2:-}"
harness_complete
