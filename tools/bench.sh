#!/usr/bin/env bash
# Runs every benchmark and prints its figures: the decoder and the button shading natively, the
# daily log, the serial link, the whole monitoring road, the time from a pulled pair back to the
# first note counted under /reconnect and from an adapter back under another number, the
# program's idle cost (with /silence and without) and its cost while retrying, the
# Setting command and the command buttons under Wine (in a harness of their own, removed
# afterwards), and kestrane-decode's report over a 1 MiB day's log in both, and over a month of
# such logs to --summary and --html, released, natively and under Wine, against wc -l, and over
# a synthetic fleet's logs natively, against cat | wc -l, with peak memory.
# Figures only: nothing here passes or fails on speed.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset host >/dev/null
cmake --build --preset host --target bench_decoder bench_shade bench_log_report bench_fleet_logs
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_log bench_serial bench_app bench_idle_wait \
  bench_settings bench_buttons bench_log_report bench_reconnect bench_today bench_follow \
  Kestrane kestrane-probe kestrane-decode

harness=build/win64/harness-bench
trap 'tools/wine-harness.sh cleanup "$harness"' EXIT
tools/wine-harness.sh setup "$harness" >/dev/null
export KESTRANE_HARNESS_DIR=$PWD/$harness

echo "== decoder (native) =="
build/host/bench_decoder
echo "== button shading (native) =="
build/host/bench_shade
echo "== kestrane-decode --log --summary over a 1 MiB day's log (native, in process) =="
build/host/bench_log_report build/host/bench-day.log
echo "== daily log (Wine) =="
tools/wine-harness.sh exec build/win64/bench_log.exe
echo "== serial link (Wine) =="
tools/wine-harness.sh exec build/win64/bench_serial.exe
echo "== whole road: COM pair to channel table (Wine) =="
tools/wine-harness.sh exec build/win64/bench_app.exe
echo "== /today over a 1 MiB day's log (Wine) =="
tools/wine-harness.sh exec build/win64/bench_today.exe
echo "== reconnection: a pulled pair back to the first note counted, a half-dead handle to PORT LOST (Wine) =="
KESTRANE_PTYSHIM_EIO=$PWD/$harness/half-dead \
  tools/wine-harness.sh serial-drop B build/win64/bench_reconnect.exe
echo "== following: an adapter back under another COM number to the first note counted (Wine) =="
tools/wine-harness.sh exec build/win64/bench_follow.exe
echo "== idle, and retrying: the program against a bare pending WaitCommEvent (Wine) =="
tools/wine-harness.sh shell "$harness" bench/app/idle-bench.sh build/win64/Kestrane.exe \
  build/win64/kestrane-probe.exe build/win64/bench_idle_wait.exe
echo "== Setting command: click to dialog shown, port probe (Wine) =="
tools/wine-harness.sh exec build/win64/bench_settings.exe
echo "== command buttons: shading and hover repaint (Wine) =="
tools/wine-harness.sh exec build/win64/bench_buttons.exe
echo "== kestrane-decode --log --summary over a 1 MiB day's log (Wine) =="
day=$PWD/build/win64/bench-day.log
tools/wine-harness.sh exec build/win64/bench_log_report.exe "$day"
# The whole tool as an operator runs it, Wine's process start included.
TIMEFORMAT='kestrane-decode.exe --log --summary: %R s wall for the whole process'
time tools/wine-harness.sh exec build/win64/kestrane-decode.exe --log --summary "$day" >/dev/null
echo "== kestrane-decode over a month of logs (30 x 1 MiB), as released: native and Wine =="
cmake --preset release >/dev/null
cmake --build build/release --target kestrane-decode
tools/wine-harness.sh shell "$harness" bench/decoder/month-bench.sh build/host/bench-day.log \
  build/native/kestrane-decode build/release/kestrane-decode.exe
echo "== kestrane-decode over a fleet's logs (40 machines x 90 days), native =="
# KESTRANE_BENCH_BEFORE=DECODER adds another build (say, an earlier commit's) to compare with.
bench/decoder/fleet-bench.sh build/host/bench_fleet_logs \
  ${KESTRANE_BENCH_BEFORE:+before="$KESTRANE_BENCH_BEFORE"} now=build/native/kestrane-decode
