#!/usr/bin/env bash
# Runs every benchmark and prints its figures: the decoder natively, the daily log, the serial
# link, the whole monitoring road and the program's idle cost under Wine (in a harness of their
# own, removed afterwards).
# Figures only: nothing here passes or fails on speed.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset host >/dev/null
cmake --build --preset host --target bench_decoder
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_log bench_serial bench_app bench_idle_wait Kestrane \
  kestrane-probe

harness=build/win64/harness-bench
trap 'tools/wine-harness.sh cleanup "$harness"' EXIT
tools/wine-harness.sh setup "$harness" >/dev/null
export KESTRANE_HARNESS_DIR=$PWD/$harness

echo "== decoder (native) =="
build/host/bench_decoder
echo "== daily log (Wine) =="
tools/wine-harness.sh exec build/win64/bench_log.exe
echo "== serial link (Wine) =="
tools/wine-harness.sh exec build/win64/bench_serial.exe
echo "== whole road: COM pair to channel table (Wine) =="
tools/wine-harness.sh exec build/win64/bench_app.exe
echo "== idle: the program against a bare pending WaitCommEvent (Wine) =="
tools/wine-harness.sh shell "$harness" bench/app/idle-bench.sh build/win64/Kestrane.exe \
  build/win64/kestrane-probe.exe build/win64/bench_idle_wait.exe
