#!/usr/bin/env bash
# Runs kestrane-decode on captured streams given on standard input and checks its lines and
# exit status.  decode-tool-test.sh [--wine] TOOL
# With --wine, TOOL is the Windows build, run by wine inside the harness environment
# (wine-harness.sh shell), which is where text-mode stdin would lose bytes.
set -uo pipefail

runner=()
if [ "${1:-}" = "--wine" ]; then
  runner=(wine)
  shift
fi
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# run INPUT-FILE ARGS...: leaves stdout (CRs dropped), stderr and the status in $work.
run() {
  local input=$1
  shift
  rc=0
  "${runner[@]}" "$tool" "$@" <"$input" >"$work/out" 2>"$work/err" || rc=$?
  tr -d '\r' <"$work/out" >"$work/stdout"
}

check() { # check NAME EXPECTED-STATUS EXPECTED-STDOUT
  if [ "$rc" != "$2" ] || [ "$(cat "$work/stdout")" != "$3" ]; then
    echo "FAIL $1: status $rc (want $2)"
    echo "--- got:"; cat "$work/stdout"; echo "--- stderr:"; cat "$work/err"
    echo "--- want:"; printf '%s\n' "$3"
    failures=$((failures + 1))
  fi
}

check_error() { # check_error NAME PATTERN: status 2, nothing printed, PATTERN on stderr
  if [ "$rc" != 2 ] || [ -s "$work/stdout" ] || ! grep -q "$2" "$work/err"; then
    echo "FAIL $1: status $rc, stderr: $(cat "$work/err")"
    failures=$((failures + 1))
  fi
}

printf '\x55\x92\x01\x02\x03\x98' >"$work/counterfeit"
run "$work/counterfeit"
check "noise then counterfeit" 0 "counterfeit 92 01 02 03 98"

printf '\x55\x92\x01\x02\x03\x99' >"$work/bad"
run "$work/bad"
check "bad checksum prints nothing" 0 ""

# CR, LF and 0x1a inside frames: a stream, not text.
printf '\x98\x0d\x0a\x1a\xc9\x93\x1a\x0d\x0a\xc4\x1a\x1a\x0d\x0a\x00' >"$work/binary"
run "$work/binary"
check "binary bytes survive" 0 "ok 98 0d 0a 1a c9
block 93 1a 0d 0a c4 1a 1a 0d 0a 00"

note='97 10 20 14 db 00 00 00 00 00 00 00 00 05 00'
printf '%s\n\t%s\r\n92 01 02 03 98\n%s\n97 00 00 00 96 00 00 00 00 00 00 00 00 00\n98 00 92 00\n' \
  "$note" "$note" "97 00 00 00 97 00 00 00 00 00 00 00 00 0d 00" >"$work/hex"
run "$work/hex" --hex --stats
check "hex input with stats" 0 "note-read $note channel=5 value=20 count=1
note-read $note channel=5 value=20 count=2
counterfeit 92 01 02 03 98
note-read 97 00 00 00 97 00 00 00 00 00 00 00 00 0d 00 channel=13 value=0 count=0
total note-read 3
total block 0
total counterfeit 1
total ok 0
total bad-checksum 1
total unfinished 1"

printf '92 01\n02 3 98\n' >"$work/odd"
run "$work/odd" --hex
check_error "odd hex" "line 2: odd number of hex digits"

printf '92 01 0x02\n' >"$work/invalid"
run "$work/invalid" --hex
check_error "invalid hex" "not a hex digit: 'x'"

run "$work/counterfeit" "$work/no-such-file"
check_error "unreadable file" "cannot open"

run "$work/counterfeit" --frobnicate
check_error "unknown option" "unknown option"

run /dev/null --stats "$work/counterfeit"
check "file argument" 0 "counterfeit 92 01 02 03 98
total note-read 0
total block 0
total counterfeit 1
total ok 0
total bad-checksum 0
total unfinished 0"

run /dev/null --help
[ "$rc" = 0 ] && grep -q '^usage: kestrane-decode' "$work/stdout" ||
  { echo "FAIL --help: status $rc"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "kestrane-decode: all checks passed"
exit $((failures > 0))
