#!/usr/bin/env bash
# make run: the monitor at work, fed by the virtual acceptor, in a throwaway Wine prefix.
#
# Builds the program, the window probe and the acceptor, makes a Wine prefix under
# build/run with COM1 (the program's default port) mapped onto one end of a virtual null-modem
# pair, launches a private copy of Kestrane.exe (build/run/app, where its Log folder lands)
# and plays the acceptor on the pair's other end while the program listens.
# - With a reachable display ($DISPLAY) the window opens there and the operator presses Start.
# - Without one it runs under Xvfb, launched with /start /log (listening and logging at once),
#   and saves a picture of the window every few seconds to build/run/screens (latest.png and
#   numbered ones), printing the status line and the note count as it goes.
# Ctrl-C, or closing the window, ends everything it started.
#
#   tools/run.sh                      as above
#   tools/run.sh --screenshot FILE    headless, a few seconds of traffic, one picture to FILE
#
# KESTRANE_HOST_BUILD and KESTRANE_WIN64_BUILD choose the build trees (default build/host and
# build/win64); KESTRANE_RUN_RATE the acceptor's frames per second (default 4).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
host_build=${KESTRANE_HOST_BUILD:-$root/build/host}
win_build=${KESTRANE_WIN64_BUILD:-$root/build/win64}
rate=${KESTRANE_RUN_RATE:-4}
harness=$root/tools/wine-harness.sh
readonly SHOT_EVERY=3 SHOT_KEEP=100 SCREENSHOT_SECONDS=8 WAIT=60

screenshot_file=
run_dir=$root/build/run
case ${1:-} in
  --screenshot)
    [ $# -eq 2 ] || { echo "usage: $0 [--screenshot FILE]" >&2; exit 2; }
    screenshot_file=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
    run_dir=$root/build/screenshot # leaves a run in progress alone
    ;;
  "") ;;
  *) echo "usage: $0 [--screenshot FILE]" >&2; exit 2 ;;
esac
harness_dir=$run_dir/harness
app_dir=$run_dir/app
screens=$run_dir/screens

# Messages go to the terminal even from a trap that fires inside a redirected command.
exec 9>&1
say() { echo "make run: $*" >&9; }
warn() { echo "make run: $*" >&2; }

UI_PROBE=$win_build/kestrane-probe.exe
# shellcheck source=tools/kestrane-ui.sh
. "$root/tools/kestrane-ui.sh"

acceptor_pid=
cleanup() {
  trap - EXIT INT TERM
  # A command cut short by Ctrl-C (the prefix's set-up, say) ends before its leftovers go.
  if [ -n "$UI_BOUNDED_PID" ]; then
    kill "$UI_BOUNDED_PID" 2>/dev/null || true
    wait "$UI_BOUNDED_PID" 2>/dev/null || true
  fi
  [ -z "$acceptor_pid" ] || kill "$acceptor_pid" 2>/dev/null || true
  [ -z "$UI_APP_PID" ] || kill "$UI_APP_PID" 2>/dev/null || true
  # Ends every Wine process of the prefix, the wineserver, Xvfb and the serial pairs.
  "$harness" cleanup "$harness_dir" >/dev/null 2>&1 || true
  say "stopped everything it started"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

say "building the program and the virtual acceptor"
cmake --preset host -B "$host_build" >/dev/null
cmake --build "$host_build" --target kestrane-acceptor
cmake --preset win64 -B "$win_build" >/dev/null
cmake --build "$win_build" --target Kestrane kestrane-probe

headless=1
if [ -z "$screenshot_file" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  headless=0
  export KESTRANE_HARNESS_DISPLAY=$DISPLAY
fi

say "making a Wine prefix in ${harness_dir#"$root"/} (this takes a little while)"
KESTRANE_HARNESS_COM1=A ui_bounded 600 "$harness" setup "$harness_dir" >/dev/null
# shellcheck source=/dev/null
. "$harness_dir/env"

# A fresh copy with no settings file listens on COM1; earlier days' logs stay.
mkdir -p "$app_dir"
rm -f "$app_dir/Kestrane.ini"
# Headless, nobody is there to press Start: the switches do it, and tick the log.
switches=()
[ "$headless" -eq 0 ] || switches=(/start /log)
ui_launch "$win_build/Kestrane.exe" "$app_dir" "$WAIT" "$run_dir/window" "${switches[@]}" ||
  { warn "the window did not come up"; exit 1; }

# The acceptor sends only while the program listens: bytes that wait in the line before Start
# would be purged anyway, and a backlog would arrive as one burst.
acceptor_args=(--device "$harness_dir/serial/ttyB" --rate "$rate")
[ -z "$screenshot_file" ] || acceptor_args+=(--seed 2012)
follow_acceptor() {
  local listening=0
  grep -qxF 'id=1 text="&Stop"' "$run_dir/window" && listening=1
  if [ -n "$acceptor_pid" ] && ! kill -0 "$acceptor_pid" 2>/dev/null; then
    wait "$acceptor_pid" 2>/dev/null || warn "the acceptor ended: see ${run_dir#"$root"/}/acceptor.log"
    acceptor_pid=
  fi
  if [ "$listening" -eq 1 ] && [ -z "$acceptor_pid" ]; then
    env -u LD_PRELOAD "$host_build/kestrane-acceptor" "${acceptor_args[@]}" \
      >>"$run_dir/acceptor.log" 2>&1 </dev/null &
    acceptor_pid=$!
  elif [ "$listening" -eq 0 ] && [ -n "$acceptor_pid" ]; then
    kill "$acceptor_pid" 2>/dev/null || true
    wait "$acceptor_pid" 2>/dev/null || true
    acceptor_pid=
  fi
}

# The status line and the notes counted so far, from the window's listing.
summary() {
  awk -F'"' '/^id=1005 /{ status = $2 } /^cell row=[0-9]+ col=2 /{ notes += $2 }
    END { printf "%s | %d notes\n", (status == "" ? " (no frame yet)" : status), notes }' "$1"
}

if [ "$headless" -eq 1 ]; then
  ui_wait_control "$WAIT" "$run_dir/window" 'id=1 text="&Stop"' ||
    warn "the program did not start listening; see the screenshots"
fi

if [ -n "$screenshot_file" ]; then
  follow_acceptor
  end=$((SECONDS + SCREENSHOT_SECONDS))
  while [ "$SECONDS" -lt "$end" ] && kill -0 "$UI_APP_PID" 2>/dev/null; do sleep 0.5; done
  ui_screenshot "$screenshot_file" || { warn "no picture taken"; exit 1; }
  ui_probe "$run_dir/window" --timeout 10 || true
  say "saved $screenshot_file ($(summary "$run_dir/window"))"
  exit 0
fi

if [ "$headless" -eq 1 ]; then
  rm -rf "$screens"
  mkdir -p "$screens"
  say "no display: running under Xvfb; a picture of the window every $SHOT_EVERY s:"
  say "  ${screens#"$root"/}/latest.png (and shot-NNNN.png)"
else
  say "the window is on $DISPLAY: press Start to listen on COM1"
fi
say "Ctrl-C or closing the window ends the run"

shot=0
next_shot=$SECONDS
while kill -0 "$UI_APP_PID" 2>/dev/null; do
  if ui_probe "$run_dir/window" --timeout 2; then
    follow_acceptor
  fi
  if [ "$headless" -eq 1 ] && [ "$SECONDS" -ge "$next_shot" ]; then
    shot=$((shot + 1))
    name=$(printf 'shot-%04d.png' "$shot")
    if ui_screenshot "$screens/$name"; then
      cp "$screens/$name" "$screens/latest.png"
      rm -f "$screens/$(printf 'shot-%04d.png' $((shot - SHOT_KEEP)))"
      say "$name: $(summary "$run_dir/window")"
    fi
    next_shot=$((SECONDS + SHOT_EVERY))
  fi
  sleep 1
done
say "the window was closed"
[ ! -d "$app_dir/Log" ] || say "the daily logs are in ${app_dir#"$root"/}/Log"
