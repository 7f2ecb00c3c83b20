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
# tests/wine/desktop.sh.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
  libasound2-dev libcpp-httplib-dev tinyproxy curl
  mingw-w64 mingw-w64-tools libwine-dev
  wine wine64 xvfb xauth python3
  pulseaudio pulseaudio-utils fonts-wqy-microhei fonts-wine
  openbox xdotool wmctrl imagemagick
  wixl msitools gcab cabextract osslsigncode openssl
)
optional=(wine32:i386)

missing() {  # missing <package...>: prints those not installed
  local p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || echo "$p"
  done
}

mapfile -t needed < <(missing "${packages[@]}")
mapfile -t wanted < <(missing "${optional[@]}")
if [ ${#needed[@]} -eq 0 ] && [ ${#wanted[@]} -eq 0 ]; then
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
  $sudo apt-get install -y -qq "${needed[@]}" >/dev/null
fi
if [ ${#wanted[@]} -gt 0 ]; then
  $sudo apt-get install -y -qq "${wanted[@]}" >/dev/null ||
    echo "install-deps: ${wanted[*]} could not be installed; the Wine tests decide without it"
fi
