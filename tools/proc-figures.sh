# shellcheck shell=bash
# Figures of a running process read from /proc, for the idle benchmark and the soak: its CPU
# time so far, its memory, and the wineserver that serves a Wine prefix. Sourced, not run.

PROC_TICKS=$(getconf CLK_TCK)

# proc_cpu_seconds PID: user plus system CPU seconds of PID, all its threads, so far.
proc_cpu_seconds() {
  # The command name in field 2 may hold blanks: count the fields after its parenthesis.
  sed 's/^.*) //' "/proc/$1/stat" | awk -v hz="$PROC_TICKS" '{ printf "%.2f\n", ($12 + $13) / hz }'
}

# proc_memory PID: "RSS KiB, private KiB" of PID now.
proc_memory() {
  awk '/^VmRSS:/ { rss = $2 } /^RssAnon:/ { anon = $2 }
    END { printf "%d KiB resident, %d KiB private\n", rss, anon }' "/proc/$1/status"
}

# proc_share BEFORE AFTER SECONDS: CPU seconds between two readings, and as a share of a core.
proc_share() {
  awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { printf "%.2f CPU s (%.2f %% of a core)", b - a, (b - a) * 100 / t }'
}

# prefix_wineserver_pid PREFIX: the wineserver of that Wine prefix (there is one per prefix).
prefix_wineserver_pid() {
  local comm pid
  for comm in /proc/[0-9]*/comm; do
    pid=${comm#/proc/}
    pid=${pid%/comm}
    case $(cat "$comm" 2>/dev/null) in wineserver*) ;; *) continue ;; esac
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$1"; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}
