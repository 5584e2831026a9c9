#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, run and test.
# Idempotent: quiet and offline when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libfltk1.3-dev fluid
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev
  libpng-dev zlib1g-dev
  libx11-dev libxtst-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick
  clang libclang-rt-14-dev clang-format
  doxygen
  # Online play: Boost.Asio and Boost.Beast (header-only) for the TCP
  # transport and the relay.
  libboost-dev
  # The web build (tools/web.sh) and its test in headless Chromium.
  emscripten node-acorn libstb-dev python3 chromium
)

# kel-tangle's tests pack and install it with npm, which Debian's nodejs
# (pulled in by emscripten) leaves out; a Node.js that brings its own is kept.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
