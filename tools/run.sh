#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: the console host
# plays a whole recorder session (start-up, REC, ticks to time-up, PLAY to
# its end, STOP, ABORT) on the in-memory platform and prints what a page and
# a user would see.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh
dir=$(bash tools/build.sh native)
echo "The recorder runs here on the in-memory platform (no sound card, no Windows):"
"$dir/tools/console_host/tamborix-console" tools/console_host/session.txt
