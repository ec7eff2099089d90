#!/usr/bin/env bash
# Remakes the README's picture of the running window (docs/kestrane.png): the monitor under
# Xvfb, fed by the virtual acceptor with a fixed seed for a few seconds, then photographed.
# Usage: tools/screenshot.sh [FILE]   (build trees as for tools/run.sh)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
file=${1:-$root/docs/kestrane.png}
mkdir -p "$(dirname "$file")"
exec "$root/tools/run.sh" --screenshot "$file"
