#!/usr/bin/env bash
# Builds the Release flavour (build/release) and runs the upload benchmark:
# the control's own client against curl -F and against a raw sender (the
# limit: the same request bytes written straight to the socket), uploading
# 1 MB, 5 MB and 200 MB files to the reference storage service on loopback
# port 80 (run as root).
#   tools/bench.sh [rounds-1MB-and-5MB] [rounds-200MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh
dir=$(bash tools/build.sh release)
"$dir/tools/upload_bench/tamborix-upload-bench" "$@"
