#!/usr/bin/env bash
# Installs what building and testing Kestrane needs on Debian, and nothing when all is present.
set -euo pipefail

packages=(
  cmake ninja-build make g++ gcc clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb x11-utils fonts-dejavu-core socat xdotool imagemagick xxd zip unzip
  googletest libgtest-dev libbenchmark-dev
  # The decoder's HTML report is loaded in a browser, its CSV in a database.
  chromium-headless-shell sqlite3
  # GNU time: the decoder's fleet run reads its peak memory.
  time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# fonts-liberation unpacked for windows.app_fonts, never installed: installed, it would change
# what Wine draws for every other program of the machine. A fresh machine has no package lists
# yet: then the lists are read once and the download tried again.
fonts=$HOME/.cache/kestrane/fonts-liberation
if [ ! -d "$fonts/usr/share/fonts" ]; then
  tmp=$(mktemp -d)
  fetch() { (cd "$tmp" && apt-get download -q fonts-liberation) >/dev/null 2>&1; }
  if { fetch || { $sudo apt-get update -q >/dev/null && fetch; }; } &&
    mkdir -p "$fonts" && dpkg-deb -x "$tmp"/fonts-liberation_*.deb "$fonts"; then
    echo "setup-deps: fonts-liberation unpacked in $fonts"
  else
    echo "setup-deps: fonts-liberation could not be fetched; windows.app_fonts will be skipped"
  fi
  rm -rf "$tmp"
fi
