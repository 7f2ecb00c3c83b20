#!/usr/bin/env bash
# Uploads the control's take to the multipart parsers that storage services
# run, directly and through squid as the user's proxy:
#   - the reference storage service on 127.0.81.1:80 (tamborix-storage-service);
#   - PHP's built-in server on 127.0.81.2:80 with docs/receivers/receive.php;
#   - Node with busboy on 127.0.81.3:80 with docs/receivers/receive.js
#     (busboy from build/node, which tools/install-deps.sh fills);
#   - uvicorn with python-multipart on 127.0.81.4:80
#     (tests/wine/peers/receive_multipart.py);
#   - squid on a free loopback port with a configuration, cache and logs of
#     its own (no system service).
# The page's values hold ASCII specials and Latin-1 letters in the user,
# session, domain, target folder and file name. Each parser writes what it
# parsed, and the program's Peers group (tests/wine/live_peers_test.cc)
# compares it with what the page set and with the take's bytes; this script
# checks that the second run went through squid and that the reference
# service stored the take. The take comes from a private PulseAudio server's
# 440 Hz tone. Port 80 needs root.
#
#   tests/wine/peers.sh <x86_64 build dir> [<i686 build dir>]
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/wine/harness.sh
. "$here/harness.sh"

service_address=127.0.81.1
php_address=127.0.81.2
node_address=127.0.81.3
python_address=127.0.81.4

if [ "${HARNESS_INSIDE:-}" != 1 ]; then
  if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    harness_usage "$0 <x86_64 build dir> [<i686 build dir>]"
  fi
  peer_pids=()
  squid_dir=

  # Waits until <address>:80 takes connections; false after 10 s.
  listening() {  # listening <address> [<port>]
    for _ in $(seq 1 100); do
      (exec 3<>"/dev/tcp/$1/${2:-80}") 2>/dev/null && return 0
      sleep 0.1
    done
    return 1
  }

  # Starts a peer in the background and records whether it came up.
  start_peer() {  # start_peer <name> <address> <command...>
    local name=$1 address=$2
    shift 2
    mkdir -p "$HARNESS_WORK/store-$name"
    RECEIVER_STORE=$HARNESS_WORK/store-$name RECEIVER_DUMP=$HARNESS_WORK/dumps/$name.txt \
      "$@" >"$HARNESS_WORK/$name.log" 2>&1 &
    peer_pids+=($!)
    if listening "$address"; then
      pass "$name started on $address:80"
    else
      fail "$name started on $address:80" "$(tail -n 3 "$HARNESS_WORK/$name.log")"
    fi
  }

  outside_start() {
    mkdir -p "$HARNESS_WORK/dumps" "$HARNESS_WORK/pictures" "$HARNESS_WORK/store-service"
    local service=$harness_repo/build/release/tools/storage_service/tamborix-storage-service
    if [ ! -x "$service" ]; then
      TAMBORIX_TARGETS=tamborix-storage-service timeout 900 bash "$harness_repo/tools/build.sh" \
        release >/dev/null
    fi
    start_peer service "$service_address" "$service" "$service_address" 80 \
      "$HARNESS_WORK/store-service"
    start_peer php "$php_address" php -S "$php_address:80" "$harness_repo/docs/receivers/receive.php"
    start_peer node "$node_address" env NODE_PATH="$harness_repo/build/node/node_modules" \
      node "$harness_repo/docs/receivers/receive.js" "$node_address" 80
    start_peer python "$python_address" env PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m uvicorn \
      --app-dir "$here/peers" \
      receive_multipart:app --host "$python_address" --port 80

    # squid drops root for its own user, which must reach its folder.
    squid_dir=$(mktemp -d)
    chmod 777 "$squid_dir"
    SQUID_PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    export SQUID_PORT SQUID_LOG=$squid_dir/access.log
    cat >"$squid_dir/squid.conf" <<EOF
http_port 127.0.0.1:$SQUID_PORT
pid_filename $squid_dir/squid.pid
cache_log $squid_dir/cache.log
access_log stdio:$squid_dir/access.log squid
coredump_dir $squid_dir
cache deny all
acl loopback src 127.0.0.0/8
http_access allow loopback
http_access deny all
visible_hostname tamborix-test
shutdown_lifetime 1 seconds
EOF
    /usr/sbin/squid -N -f "$squid_dir/squid.conf" >"$squid_dir/squid.out" 2>&1 &
    peer_pids+=($!)
    if listening 127.0.0.1 "$SQUID_PORT"; then
      pass "squid started on 127.0.0.1:$SQUID_PORT"
    else
      fail "squid started on 127.0.0.1:$SQUID_PORT" "$(tail -n 3 "$squid_dir/cache.log")"
    fi
    # shellcheck source=tools/wine/pulse.sh
    . "$harness_repo/tools/wine/pulse.sh"
    pulse_start "$HARNESS_WORK/pulse" || fail "the PulseAudio server started"
  }

  outside_end() {
    pulse_stop
    local pid
    for pid in "${peer_pids[@]}"; do
      kill "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
    done
    # The reference service's stored take is the one PHP parsed last.
    local want got
    want=$(awk '$1 == "file" { print $5 }' "$HARNESS_WORK/dumps/php.txt" 2>/dev/null)
    got=$(find "$HARNESS_WORK/store-service" -type f -exec sha256sum {} + | awk '{ print $1 }' | sort -u)
    if [ -n "$want" ] && [ "$got" = "$want" ]; then
      pass "the reference service stored the take byte for byte"
    else
      fail "the reference service stored the take byte for byte" "want $want, got ${got:-nothing}"
    fi
    rm -rf "$squid_dir"
  }

  harness_outside 600 "$0" "$(realpath -m "$1")" "${2:+$(realpath -m "$2")}"
fi

# ---- inside the X server ----

settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
peers="service=$service_address,php=$php_address,node=$node_address,python=$python_address"
harness_inside || exit 1

# The squid log's POSTs to the peers, as "<status> <URL>".
proxied() {
  awk '$6 == "POST" { print $4, $7 }' "$SQUID_LOG" 2>/dev/null
}

run_arch() {  # run_arch <arch> <loader> <build dir>
  local arch=$1 loader=$2 build=$3
  echo "== $arch ($build)"
  harness_install "$arch" "$build" tamborix.dll tamborix_containers.exe &&
    harness_register "$arch" "$loader" || return
  local module="C:\\tamborix\\$arch\\tamborix.dll"
  local program="C:\\tamborix\\$arch\\tamborix_containers.exe" pictures store dumps before
  pictures=$(windows_path "$HARNESS_WORK/pictures")
  store=$(windows_path "$HARNESS_WORK/store-service")
  dumps=$(windows_path "$HARNESS_WORK/dumps")

  before=$(proxied | wc -l)
  run_groups "$arch direct:" 180 env TAMBORIX_PEERS="$peers" TAMBORIX_PEER_DUMPS="$dumps" \
    "$loader" "$program" "$module" "$pictures" "$store" Peers
  if [ "$(proxied | wc -l)" -eq "$before" ]; then
    pass "$arch direct: nothing went through squid"
  else
    fail "$arch direct: nothing went through squid"
  fi

  # The user's proxy for every protocol, as the Internet Settings hold it.
  timeout 60 "$loader" reg add "$settings" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
  timeout 60 "$loader" reg add "$settings" /v ProxyServer /d "127.0.0.1:$SQUID_PORT" /f \
    >/dev/null 2>&1
  run_groups "$arch through squid:" 180 env TAMBORIX_PEERS="$peers" \
    TAMBORIX_PEER_DUMPS="$dumps" "$loader" "$program" "$module" "$pictures" "$store" Peers
  timeout 60 "$loader" reg add "$settings" /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1
  local address log
  log=$(proxied | tail -n +$((before + 1)))
  for address in $service_address $php_address $node_address $python_address; do
    if grep -qx "TCP_MISS/200 http://$address/workdesk/handle?" <<<"$log"; then
      pass "$arch through squid: squid forwarded the upload to $address"
    else
      fail "$arch through squid: squid forwarded the upload to $address" "${log:-no POST logged}"
    fi
  done
  timeout 60 "$loader" regsvr32 /u /s "$module" >/dev/null 2>&1
}

harness_run_arches "real parsers" "$1" "${2:-}"
harness_complete
