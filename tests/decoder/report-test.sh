#!/usr/bin/env bash
# The decoder's reports where they are used: the HTML page loaded in headless Chromium (no
# console error, nothing fetched, its rendered text holds the total), and the README's SQLite
# example run as written over a fleet's CSV.  report-test.sh TOOL SOURCE-DIR
set -uo pipefail
tool=$(realpath "$1")
src=$(realpath "$2")
work=$(mktemp -d)
browser=
cleanup() {
  [ -z "$browser" ] || { kill "$browser" 2>/dev/null; wait "$browser" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# Two machines, two days: 20 + 50 on PC-01's first day, 10 on its second, 20 twice on PC-02's.
note() { printf '[%s]  97 00 00 %02x %02x 00 00 00 00 00 00 00 00 %02x 00\r\n' "$1" "$2" $(((0x97 + $2) % 256)) "$3"; }
mkdir -p "$work/Fleet/PC-01/Log" "$work/Fleet/PC-02/Log"
{ note "2026-12-07 08:10:00" 20 5; note "2026-12-07 09:30:00" 50 9; printf '[2026-12-07 09:31:00]  92 01 02 03 98\r\n'; } >"$work/Fleet/PC-01/Log/2026-12-07.log"
note "2026-12-08 10:00:00" 10 2 >"$work/Fleet/PC-01/Log/2026-12-08.log"
{ note "2026-12-07 11:00:00" 20 5; note "2026-12-07 11:05:00" 20 5; } >"$work/Fleet/PC-02/Log/2026-12-07.log"
cd "$work" || exit 1

# --- The page in a browser, driven over the DevTools pipe (NUL-ended JSON messages).
"$tool" --log --html "$work/fleet.html" Fleet/*/Log/*.log || fail "page: status $?"
total=$("$tool" --log --summary Fleet/*/Log/*.log | sed -n 's/^total-value //p')
mkfifo "$work/to-browser" "$work/from-browser"
chromium-headless-shell --no-sandbox --user-data-dir="$work/profile" --remote-debugging-pipe \
  3<"$work/to-browser" 4>"$work/from-browser" 2>"$work/browser.err" &
browser=$!
exec 5>"$work/to-browser" 6<"$work/from-browser"
id=0 session=
send() { # send METHOD [PARAMS]: to the page's session once there is one
  id=$((id + 1))
  printf '{"id":%d,%s"method":"%s","params":%s}\0' "$id" "${session:+\"sessionId\":\"$session\",}" \
    "$1" "${2:-{\}}" >&5
}
# Reads messages into the transcript until one holds PATTERN; its text in $reply.
await() {
  while IFS= read -r -d '' -t 60 reply <&6; do
    printf '%s\n' "$reply" >>"$work/transcript"
    grep -q -e "$1" <<<"$reply" && return 0
  done
  fail "browser: no $1"
  return 1
}
field() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p" <<<"$reply"; }
if send Target.createTarget '{"url":"about:blank"}' && await '"id":1,' &&
  send Target.attachToTarget "{\"targetId\":\"$(field targetId)\",\"flatten\":true}" && await '"id":2,'; then
  session=$(field sessionId)
  for domain in Runtime Log Network Page; do send "$domain.enable" && await "\"id\":$id,"; done
  send Page.navigate "{\"url\":\"file://$work/fleet.html\"}" && await Page.loadEventFired &&
    send Runtime.evaluate '{"expression":"document.body.innerText"}' && await "\"id\":$id,"
  grep -qF "\"value\":\"Cash report" <<<"$reply" && grep -qF "$total\\ntotal value" <<<"$reply" ||
    fail "page text lacks total value $total: ${reply:0:300}"
  session=
  send Browser.close
fi
grep -E '"level":"error"|Runtime.exceptionThrown|"type":"error"' "$work/transcript" && fail "console errors"
[ "$(grep -c Network.requestWillBeSent "$work/transcript")" = 1 ] ||
  fail "the page fetched: $(grep -o '"request":{"url":"[^"]*' "$work/transcript")"

# --- The README's SQLite example, as written, the decoder's line with / for \.
decode=$(grep -m1 '^kestrane-decode --log --csv --source ' "$src/README.md")
query=$(grep -m1 '^sqlite3 ' "$src/README.md")
for line in "$decode" "$query"; do
  [ -n "$line" ] && grep -qF "  $line" "$src/docs/README.txt.in" || fail "README.txt lacks: $line"
done
PATH=$(dirname "$tool"):$PATH eval "${decode//\\//}" || fail "$decode: status $?"
got=$(eval "$query" 2>&1)
want='Fleet/PC-01/Log|2026-12-07|70
Fleet/PC-01/Log|2026-12-08|10
Fleet/PC-02/Log|2026-12-07|40'
[ "$got" = "$want" ] || fail "$query gave: $got"

[ "$failures" -eq 0 ] && echo "reports: all checks passed"
exit $((failures > 0))
