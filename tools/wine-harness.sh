#!/usr/bin/env bash
# The Wine test harness: one throwaway Wine prefix and one Xvfb display per test run, so no
# test ever touches the user's ~/.wine or screen, and nothing needs a real display.
#
#   wine-harness.sh setup DIR     make DIR/prefix, start Xvfb and a persistent wineserver
#   wine-harness.sh exec EXE ...  run a Windows program inside the prefix of
#                                 $KESTRANE_HARNESS_DIR (CTest's emulator for every test)
#   wine-harness.sh cleanup DIR   stop everything setup started and remove the prefix
#   wine-harness.sh shell DIR CMD run a Linux command with the harness environment
#
# DIR/env holds the environment that setup chose (prefix, display); exec and shell read it.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

die() { echo "wine-harness: $*" >&2; exit 2; }

wine_env() {
  export WINEPREFIX="$1/prefix"
  export WINEDEBUG=-all
  # Never offer to install Mono or Gecko: with a display that prompt would hang a test.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
}

start_xvfb() {
  local dir=$1 fdfile="$1/display"
  rm -f "$fdfile"
  # -displayfd picks a free display and reports its number once the server is ready.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$fdfile" >"$dir/xvfb.log" 2>&1 </dev/null &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  [ -s "$fdfile" ] || die "Xvfb did not start (see $dir/xvfb.log)"
  echo ":$(head -n1 "$fdfile" | tr -d '[:space:]')"
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

cmd_cleanup() {
  local dir=$1
  [ -d "$dir" ] || return 0
  if [ -d "$dir/prefix" ]; then
    (wine_env "$dir"; wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true)
  fi
  for f in "$dir"/*.pid; do
    [ -e "$f" ] && kill_pidfile "$f"
  done
  rm -rf "$dir/prefix" "$dir/env"
}

cmd_setup() {
  local dir=$1
  cmd_cleanup "$dir"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  wine_env "$dir"
  local display
  display=$(start_xvfb "$dir")
  export DISPLAY=$display
  wine wineboot --init >"$dir/wineboot.log" 2>&1 || die "wineboot failed (see $dir/wineboot.log)"
  wineserver -w
  # Keep one wineserver for the whole run: every test starts in a second, not in five.
  wineserver -p >/dev/null 2>&1 </dev/null
  cat >"$dir/env" <<ENV
export WINEPREFIX='$WINEPREFIX'
export WINEDEBUG='$WINEDEBUG'
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export WINEARCH='$WINEARCH'
export DISPLAY='$DISPLAY'
ENV
  echo "wine-harness: prefix $WINEPREFIX, display $DISPLAY"
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
    rc=0
    wine "$@" >"$out" 2>&1 </dev/null || rc=$?
    cat "$out"
    rm -f "$out"
    exit "$rc"
    ;;
  shell)
    [ $# -ge 2 ] || die "usage: shell DIR CMD [ARGS...]"
    dir=$1; shift
    load_env "$dir"
    exec "$@"
    ;;
  *) die "usage: $0 setup|exec|cleanup|shell ..." ;;
esac
