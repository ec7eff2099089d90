#!/usr/bin/env bash
# Remakes the README's picture of the cash report page: three machines' daily logs of the
# virtual acceptor's traffic (fixed seeds; the frames it sends, stamped over a day from 07:00
# as the monitor would log them, one log cut short by a power cut), reported by kestrane-decode
# as one page and photographed by headless Chromium.
# Usage: tools/report-screenshot.sh [FILE]   (default docs/report.png; native build build/host,
# or KESTRANE_HOST_BUILD)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRANE_HOST_BUILD:-$root/build/host}
file=$(realpath -m "${1:-$root/docs/report.png}")
cmake --build "$build" --target kestrane-acceptor kestrane-decode >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

for seed in 1 2 3; do
  log=Fleet/PC-0$seed/Log/2026-12-07.log
  mkdir -p "$(dirname "$log")"
  # A busier midday: gaps of up to 6 minutes, shorter between 11:00 and 14:00.
  "$build/kestrane-acceptor" --device frames.bin --fast --count $((250 + 50 * seed)) \
    --seed "$seed" --echo | grep -v '^#' |
    awk -v seed="$seed" 'BEGIN { srand(seed); t = 7 * 3600 + 60 * seed }
      { t += int(rand() * (t > 11 * 3600 && t < 14 * 3600 ? 120 : 360)) + 1
        printf "[2026-12-07 %02d:%02d:%02d]  %s\r\n", t / 3600, t / 60 % 60, t % 60, $0 }' >"$log"
done
printf '[2026-12-07 19:02:11]  97 00 01 14 ac 3e' >>Fleet/PC-02/Log/2026-12-07.log

"$build/kestrane-decode" --log --html report.html Fleet/*/Log/*.log 2>/dev/null || [ $? = 1 ]
mkdir -p "$(dirname "$file")"
chromium-headless-shell --no-sandbox --user-data-dir="$work/profile" --hide-scrollbars \
  --window-size=1000,1500 --screenshot="$file" "file://$work/report.html" 2>/dev/null
echo "report-screenshot: $file"
