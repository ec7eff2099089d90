#!/usr/bin/env bash
# kestrane-probe against a window of another process: it lists the controls and the table's
# cells, finds a message box by its exact text and presses OK, and says when nothing is there.
# Run inside the Wine harness: wine-harness.sh shell DIR probe-test.sh PROBE.exe TARGET.exe
set -uo pipefail

UI_PROBE=$1
target=$2
# shellcheck source=tools/kestrane-ui.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/kestrane-ui.sh"
work=$(mktemp -d)
target_pid=
cleanup() {
  [ -n "$target_pid" ] && kill "$target_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

wine "$target" --box >"$work/target.log" 2>&1 </dev/null &
target_pid=$!

ui_probe "$work/window" --timeout 60 || fail "window not found: $(cat "$work/window.err")"
{
  echo 'id=1 text="Start"'
  echo 'id=3 text="Setting" disabled'
  echo 'id=1000 text=""'
  echo 'id=1001 text="Enable log file" checked=1'
  echo 'id=1005 text=" OK  NOTE_READ 5"'
  echo 'id=1006 text="say \"hi\"\\ to\tall"'
  echo 'list id=1000 rows=12 columns=3'
  for row in $(seq 0 11); do
    echo "cell row=$row col=0 text=\"$((row + 1))\""
    if [ "$row" -eq 4 ]; then
      echo 'cell row=4 col=1 text="20"'
      echo 'cell row=4 col=2 text="2"'
    else
      echo "cell row=$row col=1 text=\"\""
      echo "cell row=$row col=2 text=\"\""
    fi
  done
} >"$work/expected.txt"
diff -u "$work/expected.txt" "$work/window" >&2 || fail "window listing differs"

# Only the exact text finds the box.
rc=0
ui_probe "$work/prefix" --wait-box "Open port" --timeout 1 || rc=$?
[ "$rc" -eq 1 ] || fail "a box found by part of its text (status $rc)"

ui_probe "$work/box" --wait-box "Open port failed" --press-ok --timeout 60 ||
  fail "box not found or not closed: $(cat "$work/box.err")"
grep -qx 'box caption="Kestrane" text="Open port failed"' "$work/box" ||
  fail "box line: $(cat "$work/box")"

# The target ends with status 0 only when its box was closed with OK.
rc=0
wait "$target_pid" || rc=$?
target_pid=
[ "$rc" -eq 0 ] || fail "target ended with status $rc"

rc=0
ui_probe "$work/gone" --timeout 1 || rc=$?
[ "$rc" -eq 1 ] || fail "no window, but status $rc"
rc=0
ui_probe "$work/usage" --press-ok || rc=$?
[ "$rc" -eq 2 ] || fail "--press-ok without --wait-box gave status $rc"

[ "$failures" -eq 0 ] && echo "kestrane-probe: all checks passed"
exit $((failures > 0))
