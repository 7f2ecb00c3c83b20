#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   tools/build.sh native [sanitizers]   -> build/native[-sanitizers] (Debug)
#   tools/build.sh release               -> build/release (Release, for benchmarks)
#   tools/build.sh i686 | x86_64         -> build/<arch> (mingw-w64 cross build)
# One build at a time per folder: scripts that run side by side may ask for
# the same one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-native}
mkdir -p "$root/build"
exec 9>"$root/build/.build-$flavour${2:+-${2//,/-}}.lock"
flock 9
case "$flavour" in
  native)
    san=${2:-}
    dir="$root/build/native${san:+-${san//,/-}}"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMBORIX_SANITIZE="$san" >/dev/null
    ;;
  release)
    dir="$root/build/release"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ;;
  i686|x86_64)
    dir="$root/build/$flavour"
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$flavour-w64-mingw32.cmake" >/dev/null
    ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
# shellcheck disable=SC2086 # TAMBORIX_TARGETS: a list of ninja targets, all when empty
if ! ninja -C "$dir" ${TAMBORIX_TARGETS:-} >"$dir/build.log" 2>&1; then
  tail -n 60 "$dir/build.log" >&2
  exit 1
fi
echo "$dir"
