#!/usr/bin/env bash
# Idle cost: the real Kestrane.exe listening on an open, idle COM5 against a bare process that
# holds one pending WaitCommEvent on the same port, one after the other in the same Wine prefix.
# The program is measured with /silence too. Prints the CPU time of each over
# KESTRANE_IDLE_SECONDS (default 30), and of the prefix's
# wineserver meanwhile, which does the waiting for both. Figures only; it fails only when it
# cannot run. Run inside the Wine harness (tools/bench.sh does):
#   wine-harness.sh shell DIR idle-bench.sh Kestrane.exe kestrane-probe.exe bench_idle_wait.exe
# Then the program's, retrying a port that never opens under /start /reconnect, over
# KESTRANE_RETRY_SECONDS (default 60). KESTRANE_IDLE_BASELINE may name an earlier Kestrane.exe,
# measured idle the same way in the same run.
set -euo pipefail

program=$1
UI_PROBE=$2
waiter=$3
seconds=${KESTRANE_IDLE_SECONDS:-30}
retry_seconds=${KESTRANE_RETRY_SECONDS:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=tools/kestrane-ui.sh
. "$root/tools/kestrane-ui.sh"
# shellcheck source=tools/proc-figures.sh
. "$root/tools/proc-figures.sh"
readonly WAIT=60

work=$(mktemp -d)
waiter_pid=
cleanup() {
  [ -z "$UI_APP_PID" ] || kill "$UI_APP_PID" 2>/dev/null || true
  [ -z "$waiter_pid" ] || kill "$waiter_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
die() { echo "idle: $*" >&2; exit 1; }

server=$(prefix_wineserver_pid "$WINEPREFIX") || die "no wineserver for $WINEPREFIX"

# measure PID: CPU of PID and of the wineserver over $seconds of nothing on the line.
measure() {
  local p0 s0 p1 s1
  p0=$(proc_cpu_seconds "$1")
  s0=$(proc_cpu_seconds "$server")
  sleep "$seconds"
  p1=$(proc_cpu_seconds "$1")
  s1=$(proc_cpu_seconds "$server")
  echo "$(proc_share "$p0" "$p1" "$seconds"); wineserver meanwhile $(proc_share "$s0" "$s1" "$seconds")"
}

# listening EXE [SWITCH...]: its figures, started on COM5 with nothing on the line.
listening() {
  printf '[PORT]\r\nnport=5\r\n' >"$work/Kestrane.ini"
  ui_launch "$1" "$work" "$WAIT" "$work/window" "${@:2}" || die "the window did not come up"
  # Right after start-up the focus is on Start.
  ui_keys Return || die "could not type into the window"
  ui_wait_control "$WAIT" "$work/window" 'id=1 text="&Stop"' || die "Enter did not start"
  measure "$UI_APP_PID"
  ui_close "$WAIT" || die "the program did not end after Escape"
  UI_APP_PID=
}
program_figures=$(listening "$program")
# The silence watch, with a limit the idle run never reaches: its cost is what it adds to idling.
silence_figures=$(listening "$program" /silence 3600)
baseline=${KESTRANE_IDLE_BASELINE:-}
[ -z "$baseline" ] || baseline_figures=$(listening "$baseline")

wine "$waiter" $((seconds + WAIT)) >"$work/waiter.out" 2>&1 </dev/null &
waiter_pid=$!
ui_poll "$WAIT" grep -q '^waiting' "$work/waiter.out" || die "the waiter: $(cat "$work/waiter.out")"
waiter_figures=$(measure "$waiter_pid")

kill "$waiter_pid" 2>/dev/null || true
waiter_pid=
printf '[PORT]\r\nnport=1\r\n' >"$work/Kestrane.ini" # absent in the harness
ui_launch "$program" "$work" "$WAIT" "$work/window" /start /reconnect ||
  die "the window did not come up"
ui_wait_control "$WAIT" "$work/window" 'id=1005 text=" PORT LOST, RETRYING"' ||
  die "/start /reconnect on an absent port did not say it retries"
retry_figures=$(seconds=$retry_seconds measure "$UI_APP_PID")
ui_close "$WAIT" || die "the program did not end after Escape"
UI_APP_PID=

echo "idle: $seconds s of an open idle line (COM5)"
echo "  Kestrane.exe, started:        $program_figures"
echo "  the same with /silence 3600:  $silence_figures"
[ -z "$baseline" ] || echo "  $baseline, started: $baseline_figures"
echo "  bare pending WaitCommEvent:   $waiter_figures"
echo "retrying: $retry_seconds s of /start /reconnect on a port that never opens (COM1)"
echo "  Kestrane.exe:                 $retry_figures"
