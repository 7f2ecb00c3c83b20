#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job:
#   1. the console host plays a whole recorder session (start-up, REC, ticks
#      to time-up, PLAY to its end, STOP, ABORT) on the in-memory platform
#      and prints what a page and a user would see;
#   2. it records again and uploads the file over real loopback sockets to
#      the reference storage service, which stores it on disk.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh
dir=$(bash tools/build.sh native)

echo "== A recorder session. The control runs on the in-memory platform here:"
echo "   no sound card, no Windows; time passes only when the script says so."
"$dir/tools/console_host/tamborix-console" tools/console_host/session.txt

echo
echo "== An upload to the reference storage service on 127.0.80.1:80"
store=$(mktemp -d)
"$dir/tools/storage_service/tamborix-storage-service" 127.0.80.1 80 "$store" >/dev/null &
service=$!
trap 'kill $service 2>/dev/null; rm -rf "$store"' EXIT
sleep 0.5
"$dir/tools/console_host/tamborix-console" --network tools/console_host/upload.txt
echo "The service stored:"
(cd "$store" && find . -type f -printf '  %p %s bytes\n')
