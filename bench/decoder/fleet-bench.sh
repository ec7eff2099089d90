#!/usr/bin/env bash
# kestrane-decode over a synthetic fleet's logs (40 machines x 90 days x 2,000 frames, a part
# file every tenth day, made by bench_fleet_logs): --summary and --html against `cat | wc -l`
# over the same files, wall time (median of three runs) and peak memory (GNU time), for each
# decoder given (say, main's build and this one, both optimised natively), and whether their
# outputs are the same bytes. Figures only.
#   fleet-bench.sh FLEET-LOGS-TOOL NAME=DECODER...
set -euo pipefail
gen=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$gen" "$work/Fleet"
files=("$work"/Fleet/*/Log/*.log)
echo "a fleet: ${#files[@]} files, $(cat "${files[@]}" | wc -c) bytes, $(cat "${files[@]}" | wc -l) lines"

median() { sort -n | sed -n 2p; }
# run LABEL COMMAND...: the median wall and CPU (user + system) times of three runs, and the
# largest peak of memory. On a shared machine the CPU time is the steadier figure.
run() {
  local label=$1 times=() cpus=() peak=0
  shift
  for _ in 1 2 3; do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/out" 2>/dev/null || true
    read -r t user sys kib <"$work/time"
    times+=("$t")
    cpus+=("$(awk "BEGIN { print $user + $sys }")")
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  printf '  %-32s %6s s wall %6s s CPU  peak %4d MiB\n' "$label" \
    "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)" $((peak / 1024))
}
run "cat | wc -l (the floor)" sh -c 'cat "$@" | wc -l' sh "${files[@]}"
for named in "$@"; do
  name=${named%%=*} tool=${named#*=}
  run "$name --log --summary" "$tool" --log --summary "${files[@]}"
  cp "$work/out" "$work/$name.summary"
  run "$name --log --html" "$tool" --log --html "$work/$name.html" "${files[@]}"
  "$tool" --log --csv --source "${files[@]}" | md5sum >"$work/$name.csv"
  # The page says when it was made.
  sed 's/Made [^<]* by/Made by/' "$work/$name.html" | md5sum >"$work/$name.page"
done
if [ $# -gt 1 ]; then
  first=${1%%=*}
  for named in "${@:2}"; do
    name=${named%%=*}
    for form in summary page csv; do
      cmp -s "$work/$first.$form" "$work/$name.$form" && same=same || same=DIFFERENT
      echo "  $form of $name and $first: $same"
    done
  done
fi
