#!/usr/bin/env bash
# Runs the Windows module's tests under Wine, for the i686 and the x86_64
# build in turn:
#   - regsvr32 registers tamborix.dll; the registry is read back with
#     `reg query` and compared with the expected entries, key by key and
#     value by value; a second registration replaces the force-remove keys;
#   - Wine's script host runs recorder.vbs and recorder.js against the
#     control, late-bound through its type library, and the scripts of the
#     example page and of docs/embedding.md (page_scripts.py): their setup
#     and their event handlers;
#   - tamborix_client.exe drives the control through COM, and
#     tamborix_module_test.exe checks event firing, the Win32 kernel, an
#     upload over Winsock and Win32 threads to a proxy on loopback, and that
#     a worker keeps its module (tamborix_thread_module.dll) loaded;
#   - regsvr32 /u removes the entries again.
# A watcher program answers the control's message boxes and logs their texts,
# which are checked too. Each architecture runs through its own Wine loader
# (tools/wine/loaders.sh); where the kernel runs no 32-bit programs, the
# prefix is a 64-bit one and the i686 stage is reported as skipped, with its
# reason. Nothing is installed: the run uses a fresh Wine prefix and one X
# server (tests/wine/harness.sh). Every Wine step runs under `timeout`, and
# the whole run under one of 280 seconds.
#
#   tests/wine/run.sh <i686 build dir> <x86_64 build dir>
#
# The last line of the output is "N passed, M failed, K skipped".
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/wine/harness.sh
. "$here/harness.sh"

if [ "${HARNESS_INSIDE:-}" != 1 ]; then
  if [ $# -ne 2 ]; then
    harness_usage "$0 <i686 build dir> <x86_64 build dir>"
  fi
  harness_outside 280 "$0" "$(realpath -m "$1")" "$(realpath -m "$2")"
fi

# ---- inside the X server ----

declare -A builds=([i686]="$1" [x86_64]="$2")

check_absent() {  # check_absent <name> <loader> <key>: passes when the key is not there
  if timeout 60 $2 reg query "$3" >/dev/null 2>&1; then fail "$1"; else pass "$1"; fi
}

root=$WINEPREFIX/drive_c/tamborix
boxes=$root/boxes.log
watcher_pid=

harness_inside || exit 1
finish() {
  if [ -n "$watcher_pid" ]; then
    touch "$root/stop"
    wait "$watcher_pid" 2>/dev/null
  fi
  wine_stop
}
trap finish EXIT
mkdir -p "$root"
cp "$here/recorder.vbs" "$here/recorder.js" "$root/"
# The scripts of the example page and of the documentation's examples.
repo=$(cd "$here/../.." && pwd)
python3 "$here/page_scripts.py" "$repo/tools/page_host/example.html" js "example page" \
  lumo_default.wav >"$root/example_page.js"
python3 "$here/page_scripts.py" "$repo/docs/embedding.md" js "docs JScript" message.wav \
  >"$root/docs_example.js"
python3 "$here/page_scripts.py" "$repo/docs/embedding.md" vbs "docs VBScript" message.wav \
  >"$root/docs_example.vbs"

# The watcher: one for both builds (window handles are the desktop's), from
# the x86_64 build, which runs on every machine.
if [ -f "${builds[x86_64]}/msgbox_watcher.exe" ]; then
  cp "${builds[x86_64]}/msgbox_watcher.exe" "$root/"
  timeout 270 "$wine_loader_x86_64" 'C:\tamborix\msgbox_watcher.exe' 'C:\tamborix\boxes.log' \
    'C:\tamborix\stop' 260 >/dev/null 2>&1 &
  watcher_pid=$!
  for _ in $(seq 1 300); do
    grep -q '^watching' "$boxes" 2>/dev/null && break
    sleep 0.1
  done
fi
if grep -q '^watching' "$boxes" 2>/dev/null; then
  pass "message box watcher started"
else
  fail "message box watcher started"
fi

box_count() {  # box_count <text>: boxes logged so far with exactly <text>
  grep -cxF "box: $1" "$boxes" 2>/dev/null
}

clsid='{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}'
libid='{7B60D0F9-8292-4A5D-AD56-F53F30E0590B}'
invalid_length='Invalid second setting > 0 and < 600'

# Prints a registry subtree as sorted lines "K <key>" and
# "V <key>|<name>|<type>|<data>".
dump() {  # dump <loader> <key>
  timeout 60 $1 reg query "$2" /s 2>/dev/null | tr -d '\r' |
    awk -F '    ' '/^HKEY_/ { key = $0; print "K " key; next }
                   /^    [^ ]/ { print "V " key "|" $2 "|" $3 "|" $4 }' | sort
}

expected_class() {  # expected_class <module path>
  local k="HKEY_CLASSES_ROOT\\CLSID\\$clsid"
  sort <<EOF
K $k
V $k|(Default)|REG_SZ|RecorderDialog Class
K $k\\ProgID
V $k\\ProgID|(Default)|REG_SZ|Tamborix.RecorderDialog.1
K $k\\VersionIndependentProgID
V $k\\VersionIndependentProgID|(Default)|REG_SZ|Tamborix.RecorderDialog
K $k\\Programmable
K $k\\InprocServer32
V $k\\InprocServer32|(Default)|REG_SZ|$1
V $k\\InprocServer32|ThreadingModel|REG_SZ|Apartment
K $k\\Control
K $k\\Insertable
K $k\\ToolboxBitmap32
V $k\\ToolboxBitmap32|(Default)|REG_SZ|$1, 102
K $k\\MiscStatus
V $k\\MiscStatus|(Default)|REG_SZ|0
K $k\\MiscStatus\\1
V $k\\MiscStatus\\1|(Default)|REG_SZ|131473
K $k\\TypeLib
V $k\\TypeLib|(Default)|REG_SZ|$libid
K $k\\Version
V $k\\Version|(Default)|REG_SZ|1.0
EOF
}

expected_progid() {  # expected_progid <ProgID> <with CurVer: yes|no>
  local k="HKEY_CLASSES_ROOT\\$1"
  {
    echo "K $k"
    echo "V $k|(Default)|REG_SZ|RecorderDialog Class"
    echo "K $k\\CLSID"
    echo "V $k\\CLSID|(Default)|REG_SZ|$clsid"
    if [ "$2" = yes ]; then
      echo "K $k\\CurVer"
      echo "V $k\\CurVer|(Default)|REG_SZ|Tamborix.RecorderDialog.1"
    fi
  } | sort
}

compare() {  # compare <name> <expected file> <actual file>
  local differences
  differences=$(diff "$2" "$3" | grep '^[<>]' | head -n 6 | tr '\n' ' ')
  if [ -z "$differences" ]; then pass "$1"; else fail "$1" "$differences"; fi
}

check_registry() {  # check_registry <arch> <loader> <module path> <when>
  local arch=$1 loader=$2 path=$3 when=$4 tmp
  tmp=$(mktemp -d)
  expected_class "$path" >"$tmp/class.want"
  dump "$loader" "HKCR\\CLSID\\$clsid" >"$tmp/class.got"
  compare "$arch: class key after $when" "$tmp/class.want" "$tmp/class.got"
  expected_progid Tamborix.RecorderDialog.1 no >"$tmp/p1.want"
  dump "$loader" 'HKCR\Tamborix.RecorderDialog.1' >"$tmp/p1.got"
  compare "$arch: version-dependent ProgID after $when" "$tmp/p1.want" "$tmp/p1.got"
  expected_progid Tamborix.RecorderDialog yes >"$tmp/p2.want"
  dump "$loader" 'HKCR\Tamborix.RecorderDialog' >"$tmp/p2.got"
  compare "$arch: version-independent ProgID after $when" "$tmp/p2.want" "$tmp/p2.got"
  local syskind=win32
  [ "$arch" = x86_64 ] && syskind=win64
  if timeout 60 $loader reg query "HKCR\\TypeLib\\$libid\\1.0\\409\\$syskind" /ve 2>/dev/null |
    tr -d '\r' | grep -qF "$path"; then
    pass "$arch: type library registered after $when"
  else
    fail "$arch: type library registered after $when"
  fi
  rm -rf "$tmp"
}

# Runs a script that prints "ok <check>" / "FAIL <check>: ..." and "DONE".
run_script() {  # run_script <arch> <loader> <script> <refused lengths>
  local arch=$1 loader=$2 script=$3 refused=$4 before output
  before=$(box_count "$invalid_length")
  output=$(timeout 120 $loader cscript //nologo "C:\\tamborix\\$script" 2>/dev/null | tr -d '\r')
  while IFS= read -r line; do
    case "$line" in
      ok\ *) pass "$arch: ${line#ok }" ;;
      FAIL\ *) line=${line#FAIL }; fail "$arch: ${line%%:*}" "${line#*: }" ;;
    esac
  done <<<"$output"
  if grep -qx DONE <<<"$output"; then pass "$arch: $script ran to its end"; else fail "$arch: $script ran to its end"; fi
  local shown=$(($(box_count "$invalid_length") - before))
  if [ "$shown" -eq "$refused" ]; then
    pass "$arch: $script refused lengths shown in $refused message boxes"
  else
    fail "$arch: $script refused lengths shown in $refused message boxes" "$shown shown"
  fi
}

run_arch() {  # run_arch <arch> <loader>
  local arch=$1 loader=$2 build=${builds[$1]}
  echo "== $arch ($build)"
  harness_install "$arch" "$build" tamborix.dll tamborix_client.exe tamborix_module_test.exe \
    tamborix_thread_module.dll || return
  local module="C:\\tamborix\\$arch\\tamborix.dll"
  local key="HKCR\\CLSID\\$clsid"

  check "$arch: regsvr32 registers" timeout 60 $loader regsvr32 /s "$module"
  check_registry "$arch" "$loader" "$module" "registration"

  # Keys and values that are not the module's: force-remove keys lose them.
  timeout 60 $loader reg add "$key\\Stale" /ve /d old /f >/dev/null 2>&1
  timeout 60 $loader reg add "$key\\Control\\Stale" /f >/dev/null 2>&1
  timeout 60 $loader reg add "$key\\ToolboxBitmap32" /v Extra /d x /f >/dev/null 2>&1
  check "$arch: regsvr32 registers again" timeout 60 $loader regsvr32 /s "$module"
  check_registry "$arch" "$loader" "$module" "a second registration"

  run_script "$arch" "$loader" recorder.vbs 5
  run_script "$arch" "$loader" recorder.js 5
  local page_script
  for page_script in example_page.js docs_example.js docs_example.vbs; do
    run_script "$arch" "$loader" "$page_script" 0
  done
  run_groups "$arch: client" 120 $loader "C:\\tamborix\\$arch\\tamborix_client.exe" "$module"

  local before
  before=$(box_count "kernel message box")
  run_groups "$arch: module" 120 $loader "C:\\tamborix\\$arch\\tamborix_module_test.exe"
  if [ $(($(box_count "kernel message box") - before)) -eq 1 ]; then
    pass "$arch: kernel message box shown with caption tamborix"
  else
    fail "$arch: kernel message box shown with caption tamborix"
  fi

  check "$arch: regsvr32 /u unregisters" timeout 60 $loader regsvr32 /u /s "$module"
  check "$arch: CLSID key stays" timeout 60 $loader reg query 'HKCR\CLSID' /ve
  check_absent "$arch: class key gone" "$loader" "$key"
  check_absent "$arch: version-dependent ProgID gone" "$loader" 'HKCR\Tamborix.RecorderDialog.1'
  check_absent "$arch: version-independent ProgID gone" "$loader" 'HKCR\Tamborix.RecorderDialog'
  check_absent "$arch: type library unregistered" "$loader" "HKCR\\TypeLib\\$libid"
}

if [ -n "$wine_loader_i686" ]; then
  run_arch i686 "$wine_loader_i686"
else
  skip "i686 Wine tests skipped" "$wine_skip_i686"
fi
run_arch x86_64 "$wine_loader_x86_64"

if [ -n "$watcher_pid" ]; then
  others=$(grep '^box: ' "$boxes" | grep -vxF -e "box: $invalid_length" -e "box: kernel message box")
  if [ -z "$others" ]; then pass "no other message boxes"; else fail "no other message boxes" "$others"; fi
fi
harness_complete
