#!/usr/bin/env bash
# Builds the Release flavour (build/release) and runs the upload benchmark:
# the control's own client against curl -F, uploading to the reference
# storage service on loopback port 80 (run as root).
#   tools/bench.sh [rounds-5MB] [rounds-200MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh
dir=$(bash tools/build.sh release)
"$dir/tools/upload_bench/tamborix-upload-bench" "$@"
