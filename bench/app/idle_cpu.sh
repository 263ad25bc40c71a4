#!/bin/sh
# idle_cpu.sh - the processor time the editor takes while its entry page stands still, under
# a virtual X server: started in a scratch copy of the working folder (with a cfg.txt that
# skips the first-run pages), left to settle, then measured over a span of seconds.
# Prints the share of one core; the target is under 5%.
# Usage: bench/idle_cpu.sh [build folder, default build] [seconds, default 20]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-20}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$build/work"/. "$scratch"
rm -f "$scratch/deb.log" "$scratch/zkt_instance.sock"
printf 'Welcome C 0\n' > "$scratch/cfg.txt"
cd "$scratch"
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  "$1" 2>/dev/null & pid=$!
  sleep 3
  ticks() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  before=$(ticks)
  sleep "$2"
  after=$(ticks)
  kill $pid; wait $pid || true
  awk -v t=$((after - before)) -v hz=$(getconf CLK_TCK) -v s="$2" \
    "BEGIN { printf \"idle CPU on the entry page: %.1f%% of a core over %d s (target < 5%%)\n\", 100 * t / hz / s, s }"
' sh "$build/zkt_editor" "$seconds"
