#!/usr/bin/env bash
# Installs what building and testing Kestrane needs on Debian, and nothing when all is present.
set -euo pipefail

packages=(
  cmake ninja-build make g++ gcc clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb x11-utils socat xdotool imagemagick xxd zip unzip
  googletest libgtest-dev libbenchmark-dev
  # The decoder's HTML report is loaded in a browser, its CSV in a database.
  chromium-headless-shell sqlite3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
