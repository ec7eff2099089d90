#!/usr/bin/env bash
# kestrane-acceptor as a command: its help, its errors, a run through a real pty (the line must
# pass every byte untouched), replay of its own echo, and a clean end on SIGTERM.
# Usage: acceptor-cli-test.sh PATH/TO/kestrane-acceptor
set -uo pipefail

acc=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Waits up to 30 s for a condition; no timing is asserted.
wait_for() {
  for _ in $(seq 1 300); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

# --help documents every option.
help=$("$acc" --help) || fail "--help exits non-zero"
for opt in --device --baud --rate --count --seed --frames --replay --fast --bad-checksum \
  --noise --cut --echo --help; do
  grep -q -- "^ *$opt" <<<"$help" || fail "--help does not document $opt"
done

# Every error says what is wrong and exits 2.
printf '92 01 02 03 98\nnot hex\n' >"$work/bad.hex"
printf '[2012-03-09 13:22:07]  92 01 02 03 98\r\nno stamp\r\n' >"$work/bad.log"
expect_error() {
  local pattern=$1; shift
  local err rc=0
  err=$("$acc" "$@" 2>&1 >/dev/null) || rc=$?
  [ "$rc" -eq 2 ] || fail "$* exits $rc, not 2"
  grep -q -- "$pattern" <<<"$err" || fail "$*: message '$err' lacks '$pattern'"
}
expect_error "cannot open /nonexistent/tty" --device /nonexistent/tty --count 1
expect_error "cannot open /dev/kestrane-no-such-tty" --device /dev/kestrane-no-such-tty --count 1
[ ! -e /dev/kestrane-no-such-tty ] || { fail "a missing device was made"; rm -f /dev/kestrane-no-such-tty; }
expect_error "required" --count 1
expect_error "bad.hex: line 2" --device - --frames "$work/bad.hex"
expect_error "bad.log: line 2" --device - --replay "$work/bad.log"
expect_error "cannot open $work/none.log" --device - --replay "$work/none.log"
expect_error "baud" --device - --baud 12345
expect_error "0 to 1" --device - --noise 1.5
expect_error "unknown option" --device - --colour
for opt in --noise --cut --bad-checksum; do
  expect_error "0 to 1" --device - --count 1 "$opt" nan
done
expect_error "at most 1000000" --device - --count 1 --rate 2e6
expect_error "$work: is a directory" --device - --frames "$work"
expect_error "$work: is a directory" --device - --replay "$work"
# A malformed line is quoted short and printable, whatever the file holds.
{ printf '92 01 02 03 98\n\033[2J'; printf 'x%.0s' $(seq 1 300); printf '\a\n'; } >"$work/wild.hex"
err=$("$acc" --device - --frames "$work/wild.hex" 2>&1 >/dev/null)
quoted=$(sed -n 's/.*"\(.*\)".*/\1/p' <<<"$err")
{ [ -n "$quoted" ] && [ "${#quoted}" -le 60 ] && ! LC_ALL=C grep -q '[^[:print:]]' <<<"$err"; } ||
  fail "a malformed line is quoted as: $(cat -A <<<"$err")"

# --device FILE: the file holds this run's bytes only, whether it was missing or held an
# earlier run's, and the echo never lands in it, even with standard output closed.
run=(--count 30 --seed 5 --fast)
"$acc" --device - "${run[@]}" >"$work/run.bin" 2>/dev/null || fail "run to stdout failed"
"$acc" --device "$work/new.bin" "${run[@]}" 2>/dev/null || fail "run to a new file failed"
cmp -s "$work/run.bin" "$work/new.bin" || fail "a missing --device file does not hold the run"
printf 'an earlier run, much longer than this one: %0500d' 0 >"$work/old.bin"
"$acc" --device "$work/old.bin" "${run[@]}" 2>/dev/null || fail "run to an old file failed"
cmp -s "$work/run.bin" "$work/old.bin" || fail "an old --device file keeps bytes of before"
# An echo that cannot be written ends the run as failed: the tests compare against it.
for out in /dev/full closed; do
  rc=0
  : >"$work/echoed.bin"
  if [ "$out" = closed ]; then
    "$acc" --device "$work/echoed.bin" --echo "${run[@]}" 2>"$work/echo.err" >&- || rc=$?
    cmp -s -n "$(stat -c %s "$work/echoed.bin")" "$work/run.bin" "$work/echoed.bin" ||
      fail "with stdout closed the device file holds more than frames"
  else
    "$acc" --device "$work/echoed.bin" --echo "${run[@]}" 2>"$work/echo.err" >"$out" || rc=$?
  fi
  [ "$rc" -eq 2 ] || fail "an echo to $out that fails exits $rc, not 2"
  grep -q "cannot write the echo" "$work/echo.err" || fail "an echo to $out fails without a word: $(cat "$work/echo.err")"
done

# A run through a pty, which starts cooked (it would turn 0a into 0d 0a): the bytes that come
# out of the far end are exactly those the same run writes to a file.
args=(--count 400 --seed 17 --fast --bad-checksum 0.1 --noise 0.2 --cut 0.1)
"$acc" --device - "${args[@]}" >"$work/expected.bin" 2>/dev/null || fail "run to stdout failed"
socat -u "pty,link=$work/line" "open:$work/got.bin,creat,trunc" 2>"$work/socat.log" &
pids+=($!)
wait_for "[ -e '$work/line' ]" || fail "socat made no pty"
"$acc" --device "$work/line" --echo "${args[@]}" >"$work/echo.txt" 2>/dev/null ||
  fail "run on the pty failed"
size=$(stat -c %s "$work/expected.bin")
wait_for "[ \$(stat -c %s '$work/got.bin' 2>/dev/null || echo 0) -ge $size ]" ||
  fail "the pty passed $(stat -c %s "$work/got.bin") of $size bytes"
cmp -s "$work/expected.bin" "$work/got.bin" || fail "the pty changed the bytes"

# The accepted frames of the echo, sent again as a frames file, are those frames back to back,
# and echo as accepted, every one.
grep -v '^#' "$work/echo.txt" >"$work/accepted.hex"
[ -s "$work/accepted.hex" ] || fail "the echo lists no accepted frame"
"$acc" --device - --frames "$work/accepted.hex" --fast --echo >"$work/again.bin" \
  2>"$work/again.echo" || fail "sending the echo again failed"
tr -d ' \n' <"$work/accepted.hex" >"$work/accepted.flat"
xxd -p "$work/again.bin" | tr -d '\n' >"$work/again.flat"
cmp -s "$work/accepted.flat" "$work/again.flat" || fail "--frames did not send the file's frames"
diff <(grep -v '^#' "$work/again.echo") "$work/accepted.hex" >/dev/null ||
  fail "frames sent again are not all echoed as accepted"

# SIGTERM ends an endless run at once and cleanly.
"$acc" --device - --rate 50 --echo >/dev/null 2>"$work/endless.echo" &
endless=$!
pids+=($endless)
wait_for "grep -q '^97\|^98\|^92\|^93' '$work/endless.echo'" || fail "endless run sent nothing"
kill -TERM "$endless"
rc=0
wait "$endless" || rc=$?
[ "$rc" -eq 0 ] || fail "SIGTERM ended the run with status $rc"
grep -q '^# .* frames: ' "$work/endless.echo" || fail "no summary after SIGTERM"

# A rate so low that the next frame is due beyond any clock still waits quietly, and a stop
# still ends it.
"$acc" --device - --rate 1e-300 --echo >/dev/null 2>"$work/slow.echo" &
slow=$!
pids+=($slow)
wait_for "grep -q '^9' '$work/slow.echo'" || fail "the slow run sent nothing"
kill -TERM "$slow"
wait_for "! kill -0 $slow 2>/dev/null" || { fail "SIGTERM does not end a run at --rate 1e-300"; kill -KILL "$slow"; }
rc=0
wait "$slow" || rc=$?
[ "$rc" -eq 0 ] || fail "SIGTERM ended the slow run with status $rc"

[ "$failures" -eq 0 ] && echo "acceptor command: all checks passed"
exit $((failures > 0))
