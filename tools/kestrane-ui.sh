# shellcheck shell=bash
# Driving the monitor's window from outside, as an operator does: keys go in through xdotool,
# the window's state comes back through kestrane-probe, pictures through ImageMagick.
# Sourced (not run) by the end-to-end tests, tools/run.sh and tools/screenshot.sh, in the Wine
# harness's environment (DISPLAY, WINEPREFIX). Set UI_PROBE to kestrane-probe.exe first.
#
# What it takes to type into the window under Xvfb, where no window manager runs:
# - Wine activates the dialog when it shows it, but X hands key events to the window that holds
#   the input focus, and without a window manager nobody gives it one. ui_keys sets the focus
#   with `xdotool windowfocus --sync` before every sequence: a message box that closed also took
#   the focus with it.
# - Enter presses Start/Stop, the dialog's default button, unless another push button has the
#   focus. Right after start-up the focus is on Start itself.
# - The tab order runs Start, Close, Setting (skipped while disabled), the channel table,
#   "Enable log file", and round again.
# - The harness preloads its pty shim for Wine; the X tools run without it.

UI_CAPTION_PATTERN='^ VN4 coin acceptor data analyzer$'
UI_XID=

# ui_bounded SECONDS CMD...: runs CMD for at most SECONDS. Wine catches Ctrl-C, and bash lets
# a program that survives Ctrl-C keep it from the script; so CMD runs in the background and
# the script waits for it with `wait`, which a trapped signal interrupts at once.
# UI_BOUNDED_PID names the command in flight, for a trap that must end it.
UI_BOUNDED_PID=
ui_bounded() {
  local seconds=$1 rc=0
  shift
  timeout "$seconds" "$@" &
  UI_BOUNDED_PID=$!
  wait "$UI_BOUNDED_PID" || rc=$?
  UI_BOUNDED_PID=
  return "$rc"
}

# X tools, bounded: `windowfocus --sync` would wait for ever for a focus that never comes.
ui_x() { ui_bounded 30 env -u LD_PRELOAD "$@"; }

# ui_poll SECONDS CMD...: runs CMD every 0.2 s until it succeeds; fails after SECONDS.
ui_poll() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# ui_probe OUT [ARGS...]: kestrane-probe's listing (or box line) in OUT, line ends made
# Unix. Wine's helper processes keep inherited output open, so it writes to files.
ui_probe() {
  local out=$1 rc=0
  shift
  ui_bounded 120 wine "$UI_PROBE" "$@" >"$out.raw" 2>"$out.err" </dev/null || rc=$?
  tr -d '\r' <"$out.raw" >"$out"
  return "$rc"
}

# ui_control_is OUT LINE: the window's listing, taken now into OUT, holds exactly LINE.
ui_control_is() {
  ui_probe "$1" --timeout 2 && grep -qxF -- "$2" "$1"
}

# ui_wait_control SECONDS OUT LINE: waits until the listing holds LINE.
ui_wait_control() {
  ui_poll "$1" ui_control_is "$2" "$3"
}

ui_find_window() {
  UI_XID=$(ui_x xdotool search --onlyvisible --name "$UI_CAPTION_PATTERN" 2>/dev/null | head -n1)
  [ -n "$UI_XID" ]
}

ui_clock_runs() {
  ui_probe "$1" --timeout 2 && grep -q '^id=1003 text=" ' "$1"
}

# ui_wait_ready SECONDS SCRATCH: waits for the main window and for its first clock tick, which
# comes a second into the dialog's own message loop: by then it is shown and active.
ui_wait_ready() {
  ui_poll "$1" ui_find_window && ui_poll "$1" ui_clock_runs "$2"
}

# ui_launch EXE DIR SECONDS SCRATCH [SWITCH...]: runs a private copy of EXE in DIR (EXE itself
# when it is there already) with the switches, where its Kestrane.ini
# and Log folder live and its output goes (DIR/program.out), and waits for its window to be
# ready (SCRATCH is the listing's file). UI_APP_PID is the program's process from the start on,
# so that a trap can end it even while this waits.
UI_APP_PID=
ui_launch() {
  [ "$1" -ef "$2/Kestrane.exe" ] || cp "$1" "$2/Kestrane.exe"
  wine "$2/Kestrane.exe" "${@:5}" >"$2/program.out" 2>&1 </dev/null &
  UI_APP_PID=$!
  ui_wait_ready "$3" "$4"
}

ui_app_ended() { ! kill -0 "$UI_APP_PID" 2>/dev/null; }

# ui_close SECONDS: Escape closes the window launched by ui_launch; waits for the program's end.
ui_close() {
  ui_keys Escape && ui_poll "$1" ui_app_ended
}

# ui_keys KEY...: types the keys into the main window.
ui_keys() {
  ui_find_window || return 1
  ui_x xdotool windowfocus --sync "$UI_XID" && ui_x xdotool key --delay 60 "$@"
}

# Right after start-up, with the focus on Start: ticks "Enable log file" four tabs on and
# presses Enter there.
ui_log_and_start() {
  ui_keys Tab Tab Tab Tab space Return
}

# ui_screenshot FILE: a PNG of the main window alone.
ui_screenshot() {
  ui_find_window && ui_x import -silent -window "$UI_XID" "$1"
}
