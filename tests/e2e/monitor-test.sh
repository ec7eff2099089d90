#!/usr/bin/env bash
# The monitor as a black box: the real Kestrane.exe under Wine and Xvfb, driven through its
# keyboard and judged by its window, its log and its settings file only.
#
#   frames   with "Enable log file" ticked and Start pressed with Enter, the virtual acceptor
#            sends a few hundred frames with every fault on; the day's log holds exactly the
#            frames it says the monitor accepts, once each, in order, and kestrane-decode
#            --log reads them all back; the channel table counts their note reads; Escape
#            closes and keeps the port in Kestrane.ini
#   switches as frames, but launched with /start /log and never typed into
#   no-port  Start on a port that never opens shows "Open port failed" once, and the program
#            goes on, stopped; Escape closes and writes the default settings
#   half-dead the port's handle stays alive while its reads and queue queries fail (the pty
#            shim's flag file): under /start /reconnect the status line says
#            " PORT LOST, RETRYING", and " PORT BACK" once the flag is gone; without switches
#            one "Disconnect, Check the port and restart" box comes; Escape closes both runs
#   package  the program as users get it: PROGRAM is the release zip; unpacked into a fresh
#            folder, its Kestrane.exe shows the main window, ends on Escape and leaves the
#            default Kestrane.ini beside itself
#
# Each case runs a private copy of the program in a folder of its own, so its Log and
# Kestrane.ini start absent and vanish afterwards.
# Usage, inside the Wine harness (CTest does this):
#   wine-harness.sh shell DIR monitor-test.sh CASE DIR Kestrane.exe kestrane-probe.exe ACCEPTOR \
#     kestrane-decode.exe
# KESTRANE_E2E_SEED picks the acceptor's traffic (default: a fixed seed, so a failure repeats).
set -uo pipefail

case_name=$1
harness_dir=$2
program=$3
UI_PROBE=$4
acceptor=$5
decoder=${6:-} # only the frames case reads its log back
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/kestrane-ui.sh
. "$here/../../tools/kestrane-ui.sh"

# Generous bounds for a slow, loaded machine; a passing run waits only as long as it must.
readonly WAIT=60

work=$(mktemp -d)
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
finish() {
  [ "$failures" -eq 0 ] && echo "monitor $case_name: all checks passed"
  exit $((failures > 0))
}
abort() {
  fail "$*"
  echo "--- last window listing:" >&2
  cat "$work/window" "$work/window.err" >&2 2>/dev/null
  finish
}

# The program's folder: a private copy in $work, unless the case unpacked one elsewhere.
app_dir=$work
start_program() {
  # The package case has unpacked its own copy there already.
  local exe=$program
  [ -e "$app_dir/Kestrane.exe" ] && exe=$app_dir/Kestrane.exe
  ui_launch "$exe" "$app_dir" "$WAIT" "$work/window" "$@"
  local rc=$?
  app_pid=$UI_APP_PID
  [ "$rc" -eq 0 ] || abort "the main window did not come up"
}

program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Escape closes the window, and the program must then end by itself.
close_with_escape() {
  ui_keys Escape || fail "no window to send Escape to"
  if ! ui_poll "$WAIT" program_ended; then
    abort "the program still runs $WAIT s after Escape"
  fi
  local rc=0
  wait "$app_pid" || rc=$?
  app_pid=
  [ "$rc" -eq 0 ] || fail "the program ended with status $rc"
}

# The settings file as the profile functions write it: CR LF lines, the keys in this order.
expect_settings() {
  local expected actual
  expected=$(printf '[PORT]\r\nnport=%s\r\ndatabit=8\r\nstopbit=1\r\nband=9600\r\nparity=N\r\n' "$1" | od -c)
  actual=$(od -c <"$app_dir/Kestrane.ini" 2>/dev/null)
  [ "$expected" = "$actual" ] || fail "Kestrane.ini is not as expected:$(printf '\n')$(cat -A "$app_dir/Kestrane.ini" 2>&1)"
}

# The acceptor is a native program of the host build; a Windows build tested alone builds it.
find_acceptor() {
  [ -x "$acceptor" ] && return 0
  local build
  build="$(dirname "$UI_PROBE")/acceptor-host"
  acceptor="$build/kestrane-acceptor"
  (
    flock 9
    [ -x "$acceptor" ] && exit 0
    env -u LD_PRELOAD cmake -S "$here/../.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug &&
      env -u LD_PRELOAD cmake --build "$build" --target kestrane-acceptor
  ) 9>"$(dirname "$UI_PROBE")/acceptor-host.lock" >"$work/acceptor-build.log" 2>&1 ||
    abort "could not build the acceptor: $(tail -n 20 "$work/acceptor-build.log")"
}

log_lines() { cat "$app_dir"/Log/*.log 2>/dev/null | wc -l; }
log_has_at_least() { [ "$(log_lines)" -ge "$1" ]; }

# Every line: "[YYYY-MM-DD HH:MM:SS]  " + hex dump + CR LF, dated as its file is named.
check_log_format() {
  local f day bad
  for f in "$app_dir"/Log/*.log; do
    day=$(basename "$f" .log)
    [[ $day =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] || fail "log file name $f"
    bad=$(LC_ALL=C grep -nvE "^\\[$day [0-9]{2}:[0-9]{2}:[0-9]{2}\\]  [0-9a-f]{2}( [0-9a-f]{2})*"$'\r$' "$f" | head -n1)
    [ -z "$bad" ] || fail "malformed line in $f: $(cat -A <<<"$bad")"
    [ "$(tail -c 2 "$f" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "$f does not end in CR LF"
  done
}

# A byte of a hex dump as a number (awk may be mawk, which lacks strtonum).
HEX_AWK='function hex(s) { return (index("0123456789abcdef", substr(s, 1, 1)) - 1) * 16 + index("0123456789abcdef", substr(s, 2, 1)) - 1 }'

# The channel table the accepted frames make: rows 1-12, the last value read, the count.
expected_table() {
  awk "$HEX_AWK"'
    $1 == "97" && NF == 15 {
      ch = hex($14)
      if (ch >= 1 && ch <= 12) { n[ch]++; v[ch] = hex($4) }
    }
    END {
      print "list id=1000 rows=12 columns=3"
      for (ch = 1; ch <= 12; ch++) {
        printf "cell row=%d col=0 text=\"%d\"\n", ch - 1, ch
        if (n[ch]) printf "cell row=%d col=1 text=\"%d\"\n", ch - 1, v[ch]
        else printf "cell row=%d col=1 text=\"-\"\n", ch - 1
        printf "cell row=%d col=2 text=\"%d\"\n", ch - 1, n[ch] + 0
      }
    }' "$1"
}

# The status line after the last accepted frame, when that frame decides it.
expected_status() {
  tail -n1 "$1" | awk "$HEX_AWK"'
    $1 == "92" { print " OK  COUNTERFEIT MONEY" }
    $1 == "93" { print " OK  BLOCK" }
    $1 == "98" { print " OK" }
    $1 == "97" { ch = hex($14); if (ch >= 1 && ch <= 12) print " OK  NOTE_READ " ch }'
}

case_frames() {
  local seed=${KESTRANE_E2E_SEED:-6061}
  find_acceptor
  app_dir="$work/Касса 收银" # named outside the ANSI code page: settings and log must reach it
  mkdir "$app_dir" || abort "could not make $app_dir"
  printf '[PORT]\r\nnport=5\r\n' >"$app_dir/Kestrane.ini" # COM5: the harness's pair A
  start_program "$@"

  [ $# -gt 0 ] || ui_log_and_start || abort "could not type into the window"
  ui_wait_control "$WAIT" "$work/window" 'id=1 text="&Stop"' || abort "the program did not start"
  grep -qxF 'id=1001 text="Enable log file" checked=1' "$work/window" ||
    abort "Enable log file is not ticked"

  # The port is open and purged now: every byte sent from here on reaches the decoder.
  echo "acceptor seed $seed"
  # Bounded: a monitor that stops reading would leave it blocked on a full line.
  env -u LD_PRELOAD timeout 120 "$acceptor" --device "$harness_dir/serial/ttyB" --seed "$seed" --count 300 \
    --fast --bad-checksum 0.1 --noise 0.2 --cut 0.1 --echo >"$work/echo.txt" 2>"$work/acceptor.err" ||
    abort "the acceptor failed: $(cat "$work/acceptor.err")"
  grep -v '^#' "$work/echo.txt" >"$work/accepted.txt"
  local accepted
  accepted=$(wc -l <"$work/accepted.txt")
  tail -n1 "$work/echo.txt"
  [ "$accepted" -ge 200 ] || fail "only $accepted frames to accept: too few to test"

  ui_poll "$WAIT" log_has_at_least "$accepted" ||
    fail "the log holds $(log_lines) of $accepted frames after $WAIT s"

  ui_probe "$work/window" --timeout 10 || abort "the window went away"
  expected_table "$work/accepted.txt" >"$work/table.expected"
  grep -e '^list ' -e '^cell ' "$work/window" >"$work/table.actual"
  diff -u "$work/table.expected" "$work/table.actual" >&2 || fail "the channel table differs"
  local status
  status=$(expected_status "$work/accepted.txt")
  if [ -n "$status" ]; then
    grep -qxF "id=1005 text=\"$status\"" "$work/window" ||
      fail "status line: $(grep '^id=1005 ' "$work/window"), expected \"$status\""
  fi

  close_with_escape
  # Only now is the log complete: a frame logged twice or late shows here.
  check_log_format
  cat "$app_dir"/Log/*.log | sed -E 's/^\[[^]]*\]  //; s/\r$//' >"$work/logged.txt"
  diff -u "$work/accepted.txt" "$work/logged.txt" >"$work/log.diff" ||
    fail "the log differs from the frames sent (seed $seed):$(printf '\n')$(head -n 40 "$work/log.diff")"
  # The Windows decoder reads the log back: every line a valid frame, each with its time.
  local rc=0
  # From the program's folder, as an operator would: the decoder's own names are ANSI.
  (cd "$app_dir" && wine "$decoder" --log Log/*.log) >"$work/decoded.txt" 2>"$work/decoded.err" || rc=$?
  [ "$rc" -eq 0 ] || fail "kestrane-decode --log exits $rc: $(head -n 5 "$work/decoded.err")"
  cat "$app_dir"/Log/*.log | sed -E 's/^\[([^]]*)\]  /\1 /; s/\r$//' >"$work/stamped.txt"
  tr -d '\r' <"$work/decoded.txt" | sed -E 's/^([^ ]+ [^ ]+) [a-z-]+ /\1 /; s/ channel=.*$//' \
    >"$work/redecoded.txt"
  diff -u "$work/stamped.txt" "$work/redecoded.txt" >"$work/decode.diff" ||
    fail "kestrane-decode --log read the log otherwise:$(printf '\n')$(head -n 20 "$work/decode.diff")"
  cut -d' ' -f3- "$work/redecoded.txt" | cmp -s - "$work/accepted.txt" ||
    fail "kestrane-decode --log does not give the frames the acceptor echoed as accepted"
  expect_settings 5
}

case_no_port() {
  start_program # no Kestrane.ini: COM1, which the harness never lets open

  ui_keys Return || abort "could not type into the window"
  ui_probe "$work/box" --wait-box "Open port failed" --press-ok --timeout "$WAIT" ||
    abort "no \"Open port failed\" box: $(cat "$work/box.err")"
  cat "$work/box"

  kill -0 "$app_pid" 2>/dev/null || abort "the program ended after the failed open"
  local rc=0
  ui_probe "$work/again" --wait-box "Open port failed" --timeout 2 || rc=$?
  [ "$rc" -eq 1 ] || fail "a second \"Open port failed\" box (status $rc)"
  ui_probe "$work/window" --timeout 10 || abort "the window went away"
  for line in 'id=1 text="&Start"' 'id=3 text="&Setting"' 'id=1006 text=" COM1"'; do
    grep -qxF "$line" "$work/window" || fail "after the failed open the window lacks: $line"
  done

  close_with_escape
  expect_settings 1
  [ ! -e "$work/Log" ] || fail "a Log folder appeared though logging was off"
}

case_half_dead() {
  export KESTRANE_PTYSHIM_EIO=$work/half-dead
  printf '[PORT]\r\nnport=5\r\n' >"$work/Kestrane.ini"
  start_program /start /reconnect
  ui_wait_control "$WAIT" "$work/window" 'id=1 text="&Stop"' || abort "/start did not start"
  touch "$KESTRANE_PTYSHIM_EIO"
  ui_wait_control "$WAIT" "$work/window" 'id=1005 text=" PORT LOST, RETRYING"' ||
    fail "no \" PORT LOST, RETRYING\": $(grep '^id=1005 ' "$work/window")"
  rm -f "$KESTRANE_PTYSHIM_EIO"
  ui_wait_control "$WAIT" "$work/window" 'id=1005 text=" PORT BACK"' ||
    fail "no \" PORT BACK\": $(grep '^id=1005 ' "$work/window")"
  close_with_escape

  start_program
  ui_keys Return || abort "could not type into the window"
  ui_wait_control "$WAIT" "$work/window" 'id=1 text="&Stop"' || abort "Enter did not start"
  touch "$KESTRANE_PTYSHIM_EIO"
  ui_probe "$work/box" --wait-box "Disconnect, Check the port and restart" --press-ok \
    --timeout "$WAIT" || abort "no disconnect box: $(cat "$work/box.err")"
  local rc=0
  ui_probe "$work/again" --wait-box "Disconnect, Check the port and restart" --timeout 5 || rc=$?
  [ "$rc" -eq 1 ] || fail "a second disconnect box (status $rc)"
  rm -f "$KESTRANE_PTYSHIM_EIO"
  close_with_escape
}

case_package() {
  unzip -q "$program" -d "$work/unpacked" || abort "could not unpack $program"
  app_dir=$(find "$work/unpacked" -name Kestrane.exe -printf '%h\n' | head -n1)
  [ -n "$app_dir" ] || abort "no Kestrane.exe in $program"
  start_program
  close_with_escape
  expect_settings 1
}

case $case_name in
  frames) case_frames ;;
  switches) case_frames /start /log ;;
  no-port) case_no_port ;;
  half-dead) case_half_dead ;;
  package) case_package ;;
  *) echo "usage: $0 frames|switches|no-port|half-dead|package DIR Kestrane.exe|ZIP kestrane-probe.exe ACCEPTOR DECODER" >&2; exit 2 ;;
esac
finish
