#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Quick when they
# are all there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libgmock-dev
  libasound2-dev libcpp-httplib-dev tinyproxy curl
  mingw-w64 mingw-w64-tools libwine-dev
  wine wine32:i386 wine64 xvfb xauth python3
  pulseaudio pulseaudio-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
