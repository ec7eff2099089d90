#!/usr/bin/env bash
# The Wine test harness: one throwaway Wine prefix and one Xvfb display per test run, so no
# test ever touches the user's ~/.wine or screen, and nothing needs a real display.
#
#   wine-harness.sh setup DIR     make DIR/prefix, start Xvfb and a persistent wineserver
#   wine-harness.sh exec EXE ...  run a Windows program inside the prefix of
#                                 $KESTRANE_HARNESS_DIR (CTest's emulator for every test)
#   wine-harness.sh cleanup DIR   stop everything setup started and remove the prefix
#   wine-harness.sh shell DIR CMD run a Linux command with the harness environment
#   wine-harness.sh serial-drop PAIR EXE ...
#                                 run a test that pulls the far end of serial pair PAIR: when
#                                 the test creates the file named by $KESTRANE_SERIAL_DROP,
#                                 the pair's socat is killed; when it creates the file named
#                                 by $KESTRANE_SERIAL_RESTORE, the pair is made again (an
#                                 adapter plugged back in); the pair is remade afterwards
#
# Virtual null-modem pairs: setup makes three socat pty pairs under DIR/serial and maps COM
# ports onto their ends in the prefix's registry: A = COM5<->COM6, B = COM7<->COM8 (the pair
# that serial-drop pulls), C = COM12<->COM13 (a number above 9). Every other number up to
# COM256 maps onto a directory, which cannot be opened, so no test ever reaches a real serial
# port (Wine would otherwise give the machine's /dev/ttyS* the first free numbers). DIR/ptyshim.so
# (tools/ptyshim, built here with cc) is preloaded into Wine so that its comm event wait blocks
# on an idle pty and a pty opens only once at a time, as a COM port does.
#
# A program started with KESTRANE_PTYSHIM_EIO naming a file finds its pty ports half dead while
# that file exists: the handle stays, but reads and queue queries fail (tools/ptyshim).
#
# DIR/env holds the environment that setup chose (prefix, display); exec and shell read it.
#
# KESTRANE_LOGPIXELS runs programs at that display DPI (120 for 125 %, 144 for 150 %, 192 for
# 200 %) through the prefix's LogPixels, which Wine reads as a program starts: given to setup,
# for every program of the prefix; given to exec, for that run only (96 is put back after it).
#
# KESTRANE_WINEDEBUG, given to exec, is that program's WINEDEBUG (the harness's is -all).
#
# KESTRANE_WORKAREA "X,Y,WIDTH,HEIGHT", given to exec, runs that program with that work area (the
# screen less a taskbar), which Wine's desktop reads from the root window's _NET_WORKAREA as it
# starts: the wineserver is started afresh before the run and after it, with the whole screen.
#
# Every program of the prefix draws its text in DejaVu Sans alone (pin_fonts), whatever fonts the
# machine has: Wine would otherwise draw the dialogs' font from whichever family it likes best
# among them, and a font package installed for something else would move every picture.
#
# Two settings change what setup makes, for the run script (tools/run.sh); tests leave them unset:
#   KESTRANE_HARNESS_DISPLAY  an X display to use instead of a private Xvfb
#   KESTRANE_HARNESS_COM1     a pair (A, B or C) whose first end COM1 maps onto, rather than
#                             nowhere: COM1 is the program's default port
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

die() { echo "wine-harness: $*" >&2; exit 2; }

wine_env() {
  export WINEPREFIX="$1/prefix"
  export WINEDEBUG=-all
  # Never offer to install Mono or Gecko: with a display that prompt would hang a test. No
  # debugger either: a program that crashes ends at once and its test fails, rather than
  # waiting in winedbg for the test's time-out.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export WINEARCH=win64
}

start_xvfb() {
  local dir=$1 fdfile="$1/display"
  rm -f "$fdfile"
  # -displayfd picks a free display and reports its number once the server is ready.
  # Large enough for the main window at 200 % display scaling (1183 pixels tall).
  setsid Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp -noreset \
    3>"$fdfile" >"$dir/xvfb.log" 2>&1 </dev/null &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  [ -s "$fdfile" ] || die "Xvfb did not start (see $dir/xvfb.log)"
  echo ":$(head -n1 "$fdfile" | tr -d '[:space:]')"
}

# A fontconfig configuration of the harness's own, which knows only DejaVu Sans and its bold.
pin_fonts() {
  local dir=$1 files
  mkdir -p "$dir/fonts" "$dir/fontcache"
  files=$(fc-list -f '%{file}\n' 'DejaVu Sans' | grep -E '/DejaVuSans(-Bold)?\.ttf$' || true)
  [ "$(wc -l <<<"$files")" -eq 2 ] || die "DejaVu Sans not found (Debian package fonts-dejavu-core)"
  # shellcheck disable=SC2086
  cp $files "$dir/fonts/"
  cat >"$dir/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$dir/fonts</dir>
  <cachedir>$dir/fontcache</cachedir>
</fontconfig>
CONF
  export FONTCONFIG_FILE="$dir/fonts.conf"
}

# The work area of KESTRANE_WORKAREA, or with none given the whole screen again; the desktop
# reads it only as it starts.
set_workarea() {
  if [ -n "$1" ]; then
    xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA "$1"
  else
    xprop -root -remove _NET_WORKAREA
  fi
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p >/dev/null 2>&1 </dev/null
}

# What exec changed for one run, put back.
restore_after_exec() {
  [ -z "${KESTRANE_LOGPIXELS:-}" ] || set_logpixels 96
  [ -z "${KESTRANE_WORKAREA:-}" ] || set_workarea ""
}

kill_pidfile() {
  local f=$1
  [ -f "$f" ] || return 0
  local pid
  pid=$(cat "$f")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$f"
}

# Pair name -> its two link names under DIR/serial, and the COM ports mapped onto them.
serial_links() {
  case $1 in
    A) echo "ttyA ttyB" ;;
    B) echo "ttyC ttyD" ;;
    C) echo "ttyE ttyF" ;;
    *) die "unknown serial pair $1" ;;
  esac
}
serial_ports() {
  case $1 in
    A) echo "COM5 COM6" ;;
    B) echo "COM7 COM8" ;;
    C) echo "COM12 COM13" ;;
  esac
}

start_pair() {
  local dir=$1 pair=$2 a b
  read -r a b <<<"$(serial_links "$pair")"
  kill_pidfile "$dir/socat-$pair.pid"
  rm -f "$dir/serial/$a" "$dir/serial/$b"
  env -u LD_PRELOAD setsid socat pty,raw,echo=0,link="$dir/serial/$a" pty,raw,echo=0,link="$dir/serial/$b" \
    >"$dir/socat-$pair.log" 2>&1 </dev/null &
  echo $! >"$dir/socat-$pair.pid"
  for _ in $(seq 1 100); do
    [ -L "$dir/serial/$a" ] && [ -L "$dir/serial/$b" ] && return 0
    sleep 0.1
  done
  die "socat pair $pair did not start (see $dir/socat-$pair.log)"
}

setup_serial() {
  local dir=$1 pair a b pa pb n
  mkdir -p "$dir/serial"
  cc -shared -fPIC -O2 -Wall -Wextra -o "$dir/ptyshim.so" "$here/ptyshim/ptyshim.c" -ldl \
    || die "could not build the pty shim"
  # The device manager gives real /dev/ttyS* ports the first numbers no entry claims, so every
  # number gets one. A dangling link would not do: Wine then falls back to /dev/ttyS<n-1>. A
  # directory cannot be opened as a port, so the numbers without a pair stay absent for good.
  mkdir -p "$dir/serial/absent"
  local -A map=()
  for n in $(seq 1 256); do map[COM$n]=$dir/serial/absent; done
  for pair in A B C; do
    start_pair "$dir" "$pair"
    read -r a b <<<"$(serial_links "$pair")"
    read -r pa pb <<<"$(serial_ports "$pair")"
    map[$pa]=$dir/serial/$a
    map[$pb]=$dir/serial/$b
  done
  if [ -n "${KESTRANE_HARNESS_COM1:-}" ]; then
    read -r a b <<<"$(serial_links "$KESTRANE_HARNESS_COM1")"
    map[COM1]=$dir/serial/$a
  fi
  # One import for all of them: a reg call per number would cost a Wine start each.
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    for n in $(seq 1 256); do printf '"COM%d"="%s"\n' "$n" "${map[COM$n]}"; done
  } >"$dir/ports.reg"
  wine regedit /S "$dir/ports.reg" >/dev/null 2>&1 || die "could not write the COM port map"
  # The device manager reads the port map only when the server starts.
  wineserver -k 2>/dev/null || true
  wineserver -w
}

# The device manager writes the dosdevices links in the background of the first program: wait
# for them, so that no test can open COM1 while it still points at a real port.
await_serial() {
  local dir=$1 link="$WINEPREFIX/dosdevices/com5" com1 a b
  com1="$dir/serial/absent"
  if [ -n "${KESTRANE_HARNESS_COM1:-}" ]; then
    read -r a b <<<"$(serial_links "$KESTRANE_HARNESS_COM1")"
    com1="$dir/serial/$a"
  fi
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
  for _ in $(seq 1 300); do
    [ "$(readlink "$link" 2>/dev/null)" = "$dir/serial/ttyA" ] &&
      [ "$(readlink "$WINEPREFIX/dosdevices/com1")" = "$com1" ] && return 0
    sleep 0.1
  done
  die "the COM port map did not take effect"
}

# Every process still running in the prefix: a wineserver that missed its -k (or was started
# anew by a straggling client) would otherwise outlive the prefix it served.
kill_prefix_processes() {
  local prefix=$1 env pid
  for env in /proc/[0-9]*/environ; do
    pid=${env#/proc/}
    pid=${pid%/environ}
    [ "$pid" != $$ ] || continue
    if { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then
      kill -9 "$pid" 2>/dev/null || true
    fi
  done
}

cmd_cleanup() {
  local dir=$1
  [ -d "$dir" ] || return 0
  dir=$(cd "$dir" && pwd)
  if [ -d "$dir/prefix" ]; then
    (wine_env "$dir"; wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true)
  fi
  kill_prefix_processes "$dir/prefix"
  for f in "$dir"/*.pid; do
    [ -e "$f" ] && kill_pidfile "$f"
  done
  rm -rf "$dir/prefix" "$dir/env" "$dir/serial" "$dir/ptyshim.so" "$dir/fonts" "$dir/fontcache" \
    "$dir/fonts.conf"
}

# A loaded machine now and then fails a step of the setup: say why, and try once more before
# turning the run away.
cmd_setup() {
  local dir=$1 try rc f
  [ -z "${KESTRANE_HARNESS_COM1:-}" ] || serial_links "$KESTRANE_HARNESS_COM1" >/dev/null
  for try in 1 2; do
    # errexit holds in the subshell only where its status is not tested.
    set +e
    (set -e; setup_once "$dir")
    rc=$?
    set -e
    [ "$rc" -ne 0 ] || return 0
    echo "wine-harness: setup failed (status $rc, try $try of 2)" >&2
    for f in "$dir/xvfb.log" "$dir/wineboot.log"; do
      if [ -s "$f" ]; then
        { echo "--- last lines of $f:"; tail -n 20 "$f"; } >&2
      fi
    done
  done
  die "setup failed twice"
}

setup_once() {
  local dir=$1
  cmd_cleanup "$dir"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  wine_env "$dir"
  local display=${KESTRANE_HARNESS_DISPLAY:-}
  [ -n "$display" ] || display=$(start_xvfb "$dir")
  export DISPLAY=$display
  pin_fonts "$dir"
  wine wineboot --init >"$dir/wineboot.log" 2>&1 || die "wineboot failed (see $dir/wineboot.log)"
  wineserver -w
  [ -z "${KESTRANE_LOGPIXELS:-}" ] || set_logpixels "$KESTRANE_LOGPIXELS"
  setup_serial "$dir"
  export LD_PRELOAD="$dir/ptyshim.so"
  # Keep one wineserver for the whole run: every test starts in a second, not in five.
  wineserver -p >/dev/null 2>&1 </dev/null
  await_serial "$dir"
  cat >"$dir/env" <<ENV
export WINEPREFIX='$WINEPREFIX'
export WINEDEBUG='$WINEDEBUG'
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export WINEARCH='$WINEARCH'
export DISPLAY='$DISPLAY'
export LD_PRELOAD='$LD_PRELOAD'
export FONTCONFIG_FILE='$FONTCONFIG_FILE'
ENV
  echo "wine-harness: prefix $WINEPREFIX, display $DISPLAY"
}

set_logpixels() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 </dev/null || die "could not set LogPixels to $1"
}

load_env() {
  local dir=$1
  [ -f "$dir/env" ] || die "no harness in $dir: run '$0 setup $dir' first (CTest's fixture does)"
  # shellcheck disable=SC1091
  . "$dir/env"
}

cmd=${1:-}
shift || true
case "$cmd" in
  setup) [ $# -eq 1 ] || die "usage: setup DIR"; cmd_setup "$1" ;;
  cleanup) [ $# -eq 1 ] || die "usage: cleanup DIR"; cmd_cleanup "$1" ;;
  exec)
    [ $# -ge 1 ] || die "usage: exec EXE [ARGS...]"
    dir=${KESTRANE_HARNESS_DIR:-$(cd "$(dirname "$1")" && pwd)/harness}
    load_env "$dir"
    # Wine's helper processes (services, the desktop window) outlive the program and inherit
    # its output; CTest would wait for them to close it. So the program writes to a file that
    # is shown once the program itself has ended.
    out=$(mktemp "$dir/out.XXXXXX")
    trap restore_after_exec EXIT
    [ -z "${KESTRANE_LOGPIXELS:-}" ] || set_logpixels "$KESTRANE_LOGPIXELS"
    [ -z "${KESTRANE_WORKAREA:-}" ] || set_workarea "$KESTRANE_WORKAREA"
    # A test that reads Wine's own trace of a call (its eventlog channel) asks for that channel.
    [ -z "${KESTRANE_WINEDEBUG:-}" ] || export WINEDEBUG=$KESTRANE_WINEDEBUG
    rc=0
    wine "$@" >"$out" 2>&1 </dev/null || rc=$?
    cat "$out"
    rm -f "$out"
    exit "$rc"
    ;;
  serial-drop)
    [ $# -ge 2 ] || die "usage: serial-drop PAIR EXE [ARGS...]"
    pair=$1; shift
    serial_links "$pair" >/dev/null
    dir=${KESTRANE_HARNESS_DIR:-$(cd "$(dirname "$1")" && pwd)/harness}
    load_env "$dir"
    request="$dir/serial/drop-$pair.request"
    restore="$dir/serial/restore-$pair.request"
    rm -f "$request" "$restore"
    start_pair "$dir" "$pair"
    export KESTRANE_SERIAL_DROP="$request" KESTRANE_SERIAL_RESTORE="$restore"
    "$0" exec "$@" &
    test_pid=$!
    # The test asks for the pull once its link runs; waiting here costs nothing to the test,
    # which polls for the disconnect box with its own generous bound.
    while kill -0 "$test_pid" 2>/dev/null; do
      if [ -e "$request" ]; then
        kill_pidfile "$dir/socat-$pair.pid"
        # Absent as an unplugged adapter's port is: Wine opens a dangling link as something.
        for link in $(serial_links "$pair"); do
          ln -sfn "$dir/serial/absent" "$dir/serial/$link"
        done
        rm -f "$request"
      fi
      if [ -e "$restore" ]; then
        start_pair "$dir" "$pair"
        rm -f "$restore"
      fi
      sleep 0.05
    done
    rc=0
    wait "$test_pid" || rc=$?
    # Leave the pair usable for whatever runs next.
    start_pair "$dir" "$pair"
    exit "$rc"
    ;;
  shell)
    [ $# -ge 2 ] || die "usage: shell DIR CMD [ARGS...]"
    dir=$1; shift
    load_env "$dir"
    exec "$@"
    ;;
  *) die "usage: $0 setup|exec|cleanup|shell|serial-drop ..." ;;
esac
