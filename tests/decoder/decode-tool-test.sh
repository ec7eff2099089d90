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
tool=$(realpath "$1")
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
  if [ "$rc" != 2 ] || [ -s "$work/stdout" ] || ! grep -q -e "$2" "$work/err"; then
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

# The acceptor's echo as it is: its "#" lines are what the monitor does not log.
printf '# kestrane-acceptor seed=5\n92 01 02 03 98\n  # noise 55 01\n# cut 97 10 #\n98 00 00 00 98\n# 2 frames: 2 accepted\n' >"$work/echo"
run "$work/echo" --hex
check "hex skips # lines" 0 "counterfeit 92 01 02 03 98
ok 98 00 00 00 98"

# Lines ended by CR alone are counted as lines.
printf '92 01 02 03 98\r98 00 00 00 98\r\r92 0\r' >"$work/cr"
run "$work/cr" --hex
check "CR-only lines" 2 "counterfeit 92 01 02 03 98
ok 98 00 00 00 98"
grep -q "line 4: odd number of hex digits" "$work/err" ||
  { echo "FAIL CR-only lines: $(cat "$work/err")"; failures=$((failures + 1)); }

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

# After "--" a name that looks like an option is a file.
cp "$work/counterfeit" "$work/-x"
pushd "$work" >/dev/null || exit 1
run "$work/bad" -- -x
popd >/dev/null || exit 1
check "file after --" 0 "counterfeit 92 01 02 03 98"

# Daily logs: CR LF as the monitor writes them or LF, several files, counts across them.
block='93 00 00 00 93 01 02 03 04 05'
printf '[2026-12-07 11:22:33]  %s\r\n[2026-12-07 11:22:40]  %s\r\n' "$note" "$block" >"$work/day1.log"
printf '[2026-12-08 09:00:00]  %s\n' "$note" >"$work/day2.log"
days="2026-12-07 11:22:33 note-read $note channel=5 value=20 count=1
2026-12-07 11:22:40 block $block
2026-12-08 09:00:00 note-read $note channel=5 value=20 count=2"
run /dev/null --log "$work/day1.log" "$work/day2.log"
check "log lines" 0 "$days"
# cmd.exe leaves a wildcard to the program, so the Windows build expands it itself.
if [ ${#runner[@]} -gt 0 ]; then
  run /dev/null --log "$work/day?.log"
  check "log wildcard" 0 "$days"
fi
# A time window, from <= time < to; a time not of the stamps' shape is bad usage.
run /dev/null --log --csv --from "2026-12-07 11:22:40" --to "2026-12-08 09:00:00" "$work/day1.log" "$work/day2.log"
check "log window" 0 "time,kind,channel,value
2026-12-07 11:22:40,block,,"
for bad in "2026-12-07 8:00:00" "2026-02-30 00:00:00" "2026-12-07T11:22:33" "2026-12-07 11:22:33 " ""; do
  run /dev/null --log "$work/day1.log" --to ${bad:+"$bad"}
  check_error "log window to \"$bad\"" "--to"
done
run /dev/null --log --csv "$work/day1.log" "$work/day2.log"
check "log csv" 0 "time,kind,channel,value
2026-12-07 11:22:33,note-read,5,20
2026-12-07 11:22:40,block,,
2026-12-08 09:00:00,note-read,5,20"

# A bad line is named on stderr and the status tells, after all the output.
printf '[2026-12-09 10:00:00]  92 01 02 03 99\r\n' >"$work/bad.log"
run /dev/null --log --summary "$work/day1.log" "$work/bad.log"
check "log summary with a bad line" 1 "channel 5  value 20  notes 1
total-value 20
block 1
counterfeit 0
ok 0
bad-lines 1
from 2026-12-07 11:22:33 to 2026-12-07 11:22:40"
grep -qF "$work/bad.log:1: checksum fails" "$work/err" ||
  { echo "FAIL bad log line: $(cat "$work/err")"; failures=$((failures + 1)); }

# A file that cannot be read, or options that do not go together: nothing printed, status 2.
run /dev/null --log "$work/day1.log" "$work/none.log"
check_error "log of a missing file" "cannot open .*none.log"
run /dev/null --log "$work"
check_error "log of a folder" "$work"
run /dev/null --csv "$work/day1.log"
check_error "--csv without --log" "forms of --log"
run /dev/null --log --csv --summary "$work/day1.log"
check_error "--csv with --summary" "exclude each other"
run /dev/null --log
check_error "--log without a file" "at least one FILE"
run /dev/null --log --from "2026-12-07 11:22:40" --to "2026-12-07 11:22:40" "$work/day1.log"
check_error "an empty window" "before --to"

# The HTML page: its figures must be --summary's over the same files and window, a fleet's
# rows each folder's own summary. rows ID PAGE: a table's body rows, cells joined by |.
rows() { sed -n "/<table id=\"$1\">/,/<\/table>/p" "$2" | grep '^<tr><td' |
  sed -e 's/<\/td><td[^>]*>/|/g' -e 's/<[^>]*>//g'; }
figure() { sed -n "s/.*<b id=\"$1\">\([^<]*\)<.*/\1/p" "$2"; }
html_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' -e "s/'/\&#39;/g" <<<"$1"; }
summary_figure() { sed -n "s/^$1 //p" "$2"; }
by_value() { awk '/^channel/ { n[$4] += $6 } END { for (v in n) print v "|" n[v] "|" v * n[v] "|" }' "$1" | sort -n; }
by_channel() { awk '/^channel/ { c = $2; v[c] = n[c] ? v[c] ", " $4 : $4; n[c] += $6; s[c] += $4 * $6 }
  END { for (c in v) print c "|" v[c] "|" n[c] "|" s[c] }' "$1" | sort -n; }
check_page() { # check_page NAME WANT-STATUS ARGS...: the page against --summary with ARGS
  local name=$1 want=$2 failed=0
  shift 2
  run /dev/null --log --summary "$@"
  cp "$work/stdout" "$work/summary"
  rm -f "$work/page.html"
  run /dev/null --log --html "$work/page.html" "$@"
  [ "$rc" = "$want" ] && [ ! -s "$work/stdout" ] && [ -f "$work/page.html" ] || failed=1
  for f in total-value block counterfeit ok bad-lines; do
    [ "$(figure "$f" "$work/page.html")" = "$(summary_figure "$f" "$work/summary")" ] || failed=1
  done
  [ "$(by_value "$work/summary")" = "$(rows by-value "$work/page.html")" ] || failed=1
  [ "$(by_channel "$work/summary")" = "$(rows by-channel "$work/page.html")" ] || failed=1
  case " $* " in
    *" --from "* | *" --to "*) ;;
    *) [ "from $(figure from "$work/page.html") to $(figure to "$work/page.html")" = "$(summary_figure from "$work/summary" | sed 's/^/from /')" ] || failed=1 ;;
  esac
  if [ "$failed" != 0 ]; then
    echo "FAIL page $name: status $rc (want $want)"; cat "$work/summary"; grep -E '<tr><td|<b id' "$work/page.html"
    failures=$((failures + 1))
  fi
}
# A folder name holding what HTML must escape; Windows allows neither < nor " in a name.
odd='PC<&"'"'"'2>'
[ ${#runner[@]} -eq 0 ] || odd="PC&'2"
mkdir -p "$work/fleet/PC-1/Log" "$work/fleet/$odd/Log"
cp "$work/day1.log" "$work/day2.log" "$work/fleet/PC-1/Log/"
printf '[2026-12-07 10:00:00]  %s\r\n[2026-12-07 10:00:01]  92 01 02 03 98\r\n<b>"&\r\n[2026-12-07 12:00:00]  97 00 00 32 c9 00 00 00 00 00 00 00 00 0d 00\r\n' \
  "$note" >"$work/fleet/$odd/Log/2026-12-07.log"
check_page "two days" 0 "$work/day1.log" "$work/day2.log"
check_page "a bad line" 1 "$work/day1.log" "$work/bad.log"
check_page "a fleet" 1 "$work/fleet/PC-1/Log/"*.log "$work/fleet/$odd/Log/2026-12-07.log"
check_page "a fleet's shift" 1 --from "2026-12-07 10:00:00" --to "2026-12-07 12:00:00" \
  "$work/fleet/PC-1/Log/"*.log "$work/fleet/$odd/Log/2026-12-07.log"
fleet=$(rows fleet "$work/page.html")
for folder in "$work/fleet/PC-1/Log" "$work/fleet/$odd/Log"; do
  run /dev/null --log --summary --from "2026-12-07 10:00:00" --to "2026-12-07 12:00:00" "$folder"/*.log
  row="$(html_escape "$folder")|$(summary_figure total-value "$work/stdout")|"
  grep -qF -- "$row" <<<"$fleet" || { echo "FAIL fleet row $row in: $fleet"; failures=$((failures + 1)); }
done
# On Windows a wildcard may stand in any part of the name: a fleet's folders, then their logs.
if [ ${#runner[@]} -gt 0 ]; then
  run /dev/null --log --csv --source "$work/fleet/*/Log/*.log"
  grep -c "$work" "$work/stdout" | grep -qx 6 && head -2 "$work/stdout" | grep -q "PC&'2/Log" ||
    { echo "FAIL fleet wildcard: $(cat "$work/stdout" "$work/err")"; failures=$((failures + 1)); }
fi
# Escaped wherever a name shows: the files read, the fleet, the events, the bad lines.
check_page "escaping" 1 "$work/fleet/$odd/Log/2026-12-07.log" "$work/day1.log"
grep -qF "$odd" "$work/page.html" && { echo "FAIL a folder name unescaped"; failures=$((failures + 1)); }
[ "$(grep -cF "$(html_escape "$odd")" "$work/page.html")" = 4 ] || { echo "FAIL the escaped name not in 4 places"; failures=$((failures + 1)); }
# A folder name beyond ASCII opens and shows as it is, whatever code page Windows runs in.
for folder in Café Касса; do
  mkdir -p "$work/$folder"
  cp "$work/day1.log" "$work/$folder/"
  run /dev/null --log --html "$work/page.html" "$work/$folder/day1.log"
  grep -q "$folder" "$work/page.html" || { echo "FAIL a folder named $folder: $(cat "$work/err")"; failures=$((failures + 1)); }
done
# Status 2 leaves no page, and an earlier one as it was.
echo earlier >"$work/page.html"
run /dev/null --log --html "$work/page.html" "$work/day1.log" "$work/none.log"
check_error "page of a missing file" "none.log"
[ "$(cat "$work/page.html")" = earlier ] && [ ! -e "$work/page.html.part" ] ||
  { echo "FAIL page after status 2"; failures=$((failures + 1)); }
run /dev/null --log --html "$work/no-folder/page.html" "$work/day1.log"
check_error "page in a missing folder" "cannot write"
run /dev/null --log --html "$work/day1.log" "$work/day2.log"
check_error "page over a log" "not a log's"
run /dev/null --log --csv --source "$work/day1.log" "$work/fleet/$odd/Log/2026-12-07.log"
# In time order across the two files, each row still naming its own file's folder.
oddcsv=$(sed 's/"/""/g; s/.*[",].*/"&"/' <<<"$work/fleet/$odd/Log")
check "csv source" 1 "time,kind,channel,value,source
2026-12-07 10:00:00,note-read,5,20,$oddcsv
2026-12-07 10:00:01,counterfeit,,,$oddcsv
2026-12-07 11:22:33,note-read,5,20,$work
2026-12-07 11:22:40,block,,,$work
2026-12-07 12:00:00,note-read,13,50,$oddcsv"
run /dev/null --log --source "$work/day1.log"
check_error "--source without --csv" "column of --csv"
run /dev/null --log --summary --html "$work/page.html" "$work/day1.log"
check_error "--html with --summary" "exclude each other"

# A day at a time, in time order still: a part between its day file's lines, a day's files from
# three folders in any order, a line written at midnight into the day before's file; of one
# second the file given first comes first, and bad lines are told in the order given.
mkdir -p "$work/days/A" "$work/days/B" "$work/days/C"
ok='98 26 00 00 be'
printf '[2026-12-08 00:00:00]  %s\r\n[2026-12-08 00:00:05]  92 01 02 03 99\r\n[2026-12-08 09:00:00]  %s\r\n' "$ok" "$note" >"$work/days/A/2026-12-08.log"
printf '[2026-12-07 10:00:00]  %s\r\ngarbage\r\n[2026-12-07 12:00:00]  %s\r\n' "$note" "$block" >"$work/days/C/2026-12-07.log"
printf '[2026-12-07 09:00:00]  92 01 02 03 98\r\n[2026-12-07 13:00:00]  %s\r\n[2026-12-08 00:00:00]  %s\r\n' "$note" "$ok" >"$work/days/B/2026-12-07.log"
printf '[2026-12-07 11:00:00]  %s\r\n' "$note" >"$work/days/B/2026-12-07.001.log"
printf '[2026-12-07 10:00:00]  %s\r\n' "$ok" >"$work/days/A/2026-12-07.log"
pushd "$work/days" >/dev/null || exit 1
run /dev/null --log --csv --source A/2026-12-08.log C/2026-12-07.log B/2026-12-07.log B/2026-12-07.001.log A/2026-12-07.log
popd >/dev/null || exit 1
check "day order" 1 "time,kind,channel,value,source
2026-12-07 09:00:00,counterfeit,,,B
2026-12-07 10:00:00,note-read,5,20,C
2026-12-07 10:00:00,ok,,,A
2026-12-07 11:00:00,note-read,5,20,B
2026-12-07 12:00:00,block,,,C
2026-12-07 13:00:00,note-read,5,20,B
2026-12-08 00:00:00,ok,,,A
2026-12-08 00:00:00,ok,,,B
2026-12-08 09:00:00,note-read,5,20,A"
[ "$(tr -d '\r' <"$work/err" | cut -d: -f1,2)" = "A/2026-12-08.log:2
C/2026-12-07.log:2" ] || { echo "FAIL day order's bad lines: $(cat "$work/err")"; failures=$((failures + 1)); }

# A file named twice (by a wildcard on Windows, by another path elsewhere) is read once.
run /dev/null --log --summary "$work/day1.log" "$work/day2.log"
once=$(cat "$work/stdout")
twice=("$work/./day1.log")
[ ${#runner[@]} -eq 0 ] || twice=("$work/day?.log")
run /dev/null --log --summary "$work/day1.log" "${twice[@]}" "$work/day2.log"
check "a file named twice" 0 "$once"

run /dev/null --help
[ "$rc" = 0 ] && grep -q '^usage: kestrane-decode' "$work/stdout" ||
  { echo "FAIL --help: status $rc"; failures=$((failures + 1)); }
for opt in --hex --stats --log --csv --source --summary --html --from -- --help; do
  grep -q -e "^ *$opt " "$work/stdout" || { echo "FAIL --help lacks $opt"; failures=$((failures + 1)); }
done

[ "$failures" -eq 0 ] && echo "kestrane-decode: all checks passed"
exit $((failures > 0))
