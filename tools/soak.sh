#!/usr/bin/env bash
# make soak: endurance figures for the real program. A private copy of Kestrane.exe listens on
# COM5 with "Enable log file" ticked while the virtual acceptor sends random traffic with every
# fault on, frames back to back at what a 9600-baud line carries, for KESTRANE_SOAK_SECONDS
# (default 600). Then it prints a short summary: the frames the acceptor's echo says the program
# accepts against the lines of its log (lost, extra), the program's memory at start and end,
# and its CPU time and the wineserver's. Figures only: it fails only when it cannot run.
#
# KESTRANE_SOAK_SECONDS  how long the acceptor sends (default 600)
# KESTRANE_SOAK_SEED     the acceptor's seed (default 9600, so a run repeats)
# KESTRANE_HOST_BUILD, KESTRANE_WIN64_BUILD  the build trees (default build/host, build/win64)
#
# A pty pair carries bytes as fast as they are read, so the 9600-baud pace is the acceptor's:
# frames per second = 960 bytes per second over the mean length of a piece of its traffic.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
host_build=${KESTRANE_HOST_BUILD:-$root/build/host}
win_build=${KESTRANE_WIN64_BUILD:-$root/build/win64}
seconds=${KESTRANE_SOAK_SECONDS:-600}
seed=${KESTRANE_SOAK_SEED:-9600}
harness=$root/tools/wine-harness.sh
soak_dir=$root/build/soak
harness_dir=$soak_dir/harness
work=$soak_dir/app
readonly WAIT=60 LINE_BYTES_PER_SECOND=960
faults=(--bad-checksum 0.1 --noise 0.2 --cut 0.1)

say() { echo "soak: $*"; }
die() { echo "soak: $*" >&2; exit 1; }

UI_PROBE=$win_build/kestrane-probe.exe
# shellcheck source=tools/kestrane-ui.sh
. "$root/tools/kestrane-ui.sh"
# shellcheck source=tools/proc-figures.sh
. "$root/tools/proc-figures.sh"

acceptor_pid=
cleanup() {
  trap - EXIT INT TERM
  [ -z "$acceptor_pid" ] || kill "$acceptor_pid" 2>/dev/null || true
  [ -z "$UI_APP_PID" ] || kill "$UI_APP_PID" 2>/dev/null || true
  "$harness" cleanup "$harness_dir" >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

say "building the program and the virtual acceptor"
cmake --preset host -B "$host_build" >/dev/null
cmake --build "$host_build" --target kestrane-acceptor >/dev/null
cmake --preset win64 -B "$win_build" >/dev/null
cmake --build "$win_build" --target Kestrane kestrane-probe >/dev/null
acceptor=$host_build/kestrane-acceptor

# The pace: the mean piece of this traffic (frame, noise, cut) in bytes, from a dry run.
mean_bytes=$(env -u LD_PRELOAD "$acceptor" --device - --seed "$seed" --count 5000 --fast \
  "${faults[@]}" 2>/dev/null | wc -c | awk '{ print $1 / 5000 }')
rate=$(awk -v b="$mean_bytes" -v l="$LINE_BYTES_PER_SECOND" 'BEGIN { printf "%.2f", l / b }')
count=$(awk -v r="$rate" -v s="$seconds" 'BEGIN { printf "%d", r * s }')

say "making a Wine prefix in ${harness_dir#"$root"/}"
ui_bounded 600 "$harness" setup "$harness_dir" >/dev/null || die "no Wine prefix"
# shellcheck source=/dev/null
. "$harness_dir/env"
server=$(prefix_wineserver_pid "$WINEPREFIX") || die "no wineserver for $WINEPREFIX"

rm -rf "$work"
mkdir -p "$work"
printf '[PORT]\r\nnport=5\r\n' >"$work/Kestrane.ini" # COM5: the harness's pair A
ui_launch "$win_build/Kestrane.exe" "$work" "$WAIT" "$work/window" || die "the window did not come up"
ui_log_and_start || die "could not type into the window"
ui_wait_control "$WAIT" "$work/window" 'id=1 text="&Stop"' || die "the program did not start"

# The day's log rolls over into a part once it passes 1 MiB and a new file starts, so it is
# followed as it grows: an open descriptor still reads a file to its end after it was renamed.
collected=$work/logged.raw
: >"$collected"
log_fd=
log_inode=
follow_log() {
  local newest inode
  [ -z "$log_fd" ] || cat <&"$log_fd" >>"$collected"
  [ -d "$work/Log" ] || return 0
  newest=$(find "$work/Log" -name '*.log' -printf '%T@ %p\n' | sort -n | tail -n1 | cut -d' ' -f2-)
  [ -n "$newest" ] || return 0
  inode=$(stat -c %i "$newest" 2>/dev/null) || return 0
  [ "$inode" != "$log_inode" ] || return 0
  if [ -n "$log_fd" ]; then
    cat <&"$log_fd" >>"$collected"
    exec {log_fd}<&-
  fi
  exec {log_fd}<"$newest"
  log_inode=$inode
  cat <&"$log_fd" >>"$collected"
}
logged_frames() { tr -d '\r' <"$collected" | grep -c . || true; }

say "$count frames at $rate a second ($mean_bytes bytes each on average), seed $seed, faults ${faults[*]}"
mem_start=$(proc_memory "$UI_APP_PID")
cpu_start=$(proc_cpu_seconds "$UI_APP_PID")
server_start=$(proc_cpu_seconds "$server")
started=$SECONDS
env -u LD_PRELOAD "$acceptor" --device "$harness_dir/serial/ttyB" --seed "$seed" --rate "$rate" \
  --count "$count" "${faults[@]}" --echo >"$work/echo.txt" 2>"$work/acceptor.err" </dev/null &
acceptor_pid=$!
next_report=$((SECONDS + 60))
while kill -0 "$acceptor_pid" 2>/dev/null; do
  kill -0 "$UI_APP_PID" 2>/dev/null || die "the program ended during the run"
  follow_log
  if [ "$SECONDS" -ge "$next_report" ]; then
    say "$((SECONDS - started)) s: $(logged_frames) frames logged, $(proc_memory "$UI_APP_PID")"
    next_report=$((SECONDS + 60))
  fi
  sleep 1
done
rc=0
wait "$acceptor_pid" || rc=$?
acceptor_pid=
[ "$rc" -eq 0 ] || die "the acceptor failed: $(cat "$work/acceptor.err")"
sent_seconds=$((SECONDS - started))

# What is still in the line reaches the log within moments; wait until it is all there or
# nothing more comes for a while.
grep -v '^#' "$work/echo.txt" >"$work/accepted.txt" || true
accepted=$(wc -l <"$work/accepted.txt")
last=-1
quiet=0
while [ "$quiet" -lt 10 ]; do
  follow_log
  now=$(logged_frames)
  [ "$now" -lt "$accepted" ] || break
  if [ "$now" -eq "$last" ]; then quiet=$((quiet + 1)); else quiet=0; fi
  last=$now
  sleep 1
done
elapsed=$((SECONDS - started))
mem_end=$(proc_memory "$UI_APP_PID")
cpu_end=$(proc_cpu_seconds "$UI_APP_PID")
server_end=$(proc_cpu_seconds "$server")

ui_close "$WAIT" || say "the program did not end after Escape"

sed -E 's/^\[[^]]*\]  //; s/\r$//' "$collected" >"$work/logged.txt"
diff "$work/accepted.txt" "$work/logged.txt" >"$work/log.diff" || true
lost=$(grep -c '^<' "$work/log.diff" || true)
extra=$(grep -c '^>' "$work/log.diff" || true)
pieces=$(wc -l <"$work/echo.txt")

echo "soak summary: $sent_seconds s of traffic (seed $seed), $((elapsed - sent_seconds)) s more for the log"
echo "  sent:    $pieces pieces, of which the program is to accept $accepted frames"
echo "  logged:  $(wc -l <"$work/logged.txt") frames; lost $lost, extra $extra (diff in ${work#"$root"/}/log.diff)"
echo "  memory:  start $mem_start; end $mem_end"
echo "  CPU:     Kestrane.exe $(proc_share "$cpu_start" "$cpu_end" "$elapsed"); wineserver $(proc_share "$server_start" "$server_end" "$elapsed")"
