#!/usr/bin/env bash
# Remakes the README's pictures of the running window: the monitor under Xvfb, fed by the
# virtual acceptor with a fixed seed for a few seconds, then photographed. Without arguments
# docs/kestrane.png at 100 % and docs/kestrane-150.png at 150 % display scaling (144 dpi).
# Usage: tools/screenshot.sh [FILE [DPI]]   (build trees as for tools/run.sh)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ $# -eq 0 ]; then
  "$0" "$root/docs/kestrane.png" 96
  exec "$0" "$root/docs/kestrane-150.png" 144
fi
file=$1
mkdir -p "$(dirname "$file")"
KESTRANE_LOGPIXELS=${2:-96} exec "$root/tools/run.sh" --screenshot "$file"
