#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Quick when they
# are all there already.
#
# wine32 is installed where it can be, but nothing relies on it: some kernels
# run no 32-bit programs, and the Wine tests find that out for themselves
# (tools/wine/loaders.sh). A failed wine32 install never fails this step.
# fonts-wqy-microhei gives Wine the glyphs of the panel's Chinese labels;
# fonts-wine its own fonts, among them the symbols of the caption buttons it
# draws where no window manager runs. openbox, xdotool, wmctrl and
# imagemagick (import) are the desktop, the user's hand and the camera of
# tests/wine/desktop.sh. php-cli, nodejs with npm (for busboy, from the npm
# registry into build/node), python3-multipart with python3-uvicorn (and
# python3-starlette) and squid are the real parsers and the proxy of
# tests/wine/peers.sh; squid runs there with its own configuration only, so
# the system's squid service is stopped and disabled when it was not running.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
  libasound2-dev libcpp-httplib-dev tinyproxy curl
  mingw-w64 mingw-w64-tools libwine-dev
  wine wine64 xvfb xauth python3
  pulseaudio pulseaudio-utils fonts-wqy-microhei fonts-wine
  openbox xdotool wmctrl imagemagick
  wixl msitools gcab cabextract osslsigncode openssl
  php-cli nodejs python3-multipart python3-starlette python3-uvicorn squid
)
# Debian's npm, unless the nodejs installed brings its own (as NodeSource's
# does, which Debian's npm package conflicts with).
command -v npm >/dev/null || packages+=(npm)
optional=(wine32:i386)

missing() {  # missing <package...>: prints those not installed
  local p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || echo "$p"
  done
}

root=$(cd "$(dirname "$0")/.." && pwd)
# busboy for the Node receiver (docs/receivers/receive.js), kept in the build
# folder; npm is there once the packages below are.
node_packages() {
  if [ ! -d "$root/build/node/node_modules/busboy" ]; then
    npm install --prefix "$root/build/node" --no-audit --no-fund busboy@1 >/dev/null
  fi
}

mapfile -t needed < <(missing "${packages[@]}")
mapfile -t wanted < <(missing "${optional[@]}")
if [ ${#needed[@]} -eq 0 ] && [ ${#wanted[@]} -eq 0 ]; then
  node_packages
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#wanted[@]} -gt 0 ]; then
  $sudo dpkg --add-architecture i386 || true
fi
$sudo apt-get update -qq
if [ ${#needed[@]} -gt 0 ]; then
  squid_before=$(systemctl is-active squid 2>/dev/null || true)
  $sudo apt-get install -y -qq "${needed[@]}" >/dev/null
  # Installing squid starts its system service on port 3128; the tests start
  # their own.
  if [ "$squid_before" != active ] && command -v systemctl >/dev/null; then
    $sudo systemctl disable --now squid >/dev/null 2>&1 || true
  fi
fi
if [ ${#wanted[@]} -gt 0 ]; then
  $sudo apt-get install -y -qq "${wanted[@]}" >/dev/null ||
    echo "install-deps: ${wanted[*]} could not be installed; the Wine tests decide without it"
fi
node_packages
