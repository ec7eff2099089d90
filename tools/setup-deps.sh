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
)

# fonts-liberation unpacked for windows.app_fonts, never installed: installed, it would change
# what Wine draws for every other program of the machine.
fonts=$HOME/.cache/kestrane/fonts-liberation
if [ ! -d "$fonts/usr/share/fonts" ]; then
  tmp=$(mktemp -d)
  mkdir -p "$fonts"
  if (cd "$tmp" && apt-get download -q fonts-liberation) && dpkg-deb -x "$tmp"/fonts-liberation_*.deb "$fonts"; then
    echo "setup-deps: fonts-liberation unpacked in $fonts"
  else
    echo "setup-deps: fonts-liberation could not be fetched; windows.app_fonts will be skipped"
  fi
  rm -rf "$tmp"
fi

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
