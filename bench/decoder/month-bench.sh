#!/usr/bin/env bash
# kestrane-decode over a month of daily logs (30 busy days of 1 MiB, made from DAY-LOG): --summary
# and --html, against `wc -l` over the same files, the floor of any reading. Wall times, median
# of five runs; figures only.  month-bench.sh DAY-LOG DECODER [WINDOWS-DECODER]
# The Windows decoder runs under wine, so call it inside the harness (wine-harness.sh shell).
set -euo pipefail
day=$1
native=$2
windows=${3:-}
month=$(mktemp -d)
trap 'rm -rf "$month"' EXIT
for d in $(seq -w 1 30); do
  sed "s/^\[2026-12-07/[2026-11-$d/" "$day" >"$month/2026-11-$d.log"
done

median() { # median COMMAND...: milliseconds, the middle of five runs
  local times=() start
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    times+=($((($(date +%s%N) - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}
row() { printf '  %-46s %6s ms\n' "$1" "$(median "${@:2}")"; }

echo "a month: 30 files, $(cat "$month"/*.log | wc -c) bytes, $(cat "$month"/*.log | wc -l) lines"
row "wc -l (the floor)" wc -l "$month"/*.log
row "native --log --summary" "$native" --log --summary "$month"/*.log
row "native --log --html" "$native" --log --html "$month/month.html" "$month"/*.log
if [ -n "$windows" ]; then
  # Wine's start of a process is in each figure; --help alone shows it.
  row "wine kestrane-decode.exe --help (start-up)" wine "$windows" --help
  row "wine --log --summary" wine "$windows" --log --summary "$month/*.log"
  row "wine --log --html" wine "$windows" --log --html "$month/month.html" "$month/*.log"
fi
echo "  (the page: $(wc -c <"$month/month.html") bytes)"
