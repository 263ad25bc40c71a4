#!/bin/sh
# heap_profile.sh - where the editor's heap goes: a heaptrack profile of start -> entry page ->
# vehicle editor -> the sample "Runabout" loaded, and the largest owners at the heap's peak.
#
# The program runs on SDL's offscreen video and dummy audio in a scratch copy of the working
# folder (a cfg.txt that opens the entry page), driven through the named pipe of ZKT_DRIVE
# (app/drive_file.h) as idle_cpu.sh drives it, and is asked to close once the sample has come
# to rest.  The resident memory is printed at each stop.  The owners: every allocation live at
# the peak is charged to the innermost function of this program on its call stack outside the
# device layer (platform/gfx_*, render/texture_table.cpp: they make a texture or draw for
# whoever asks), so a texture counts for the code that wanted it, and the graphics driver's
# own heap (shader code, the software rasteriser's buffers) for the drawing that made it grow.
#
# Usage: bench/app/heap_profile.sh [build folder, default build] [owners, default 10]
#        The profile stays in the build folder (heap_profile.zst) for heaptrack --analyze.
set -eu
build=$(cd "${1:-build}" && pwd)
count=${2:-10}
source=$(cd "$(dirname "$0")/../.." && pwd)
command -v heaptrack > /dev/null || { echo "heaptrack is not installed" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$build/work" "$scratch/work"
rm -f "$scratch/work/deb.log" "$scratch/work/zkt_instance.sock"
printf 'Welcome C 0\nStart Windowed 1\nWindow 0 0 1024 768\n' > "$scratch/work/cfg.txt"
mkfifo "$scratch/pipe"

(cd "$scratch/work" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ZKT_DRIVE="$scratch/pipe" \
   exec heaptrack -o "$build/heap_profile" "$build/zkt_editor" > "$scratch/heaptrack.out" 2>&1) &
tracker=$!
exec 3> "$scratch/pipe"
sleep 8
# heaptrack runs the program as its descendant.
descendants() { for child in $(pgrep -P "$1"); do echo "$child"; descendants "$child"; done; }
pid=
for p in $(descendants "$tracker"); do [ "$(cat "/proc/$p/comm")" = zkt_editor ] && pid=$p; done
[ -n "$pid" ] || { echo "the editor did not start" >&2; cat "$scratch/heaptrack.out" >&2; exit 1; }
resident() { awk -v s="$1" '/^VmRSS/ { printf "resident at %s: %.0f MB (under heaptrack)\n", s, $2 / 1024 }' "/proc/$pid/status"; }
resident "the entry page"
echo "click vehicle editor" >&3
sleep 6
resident "the empty vehicle editor"
printf '/ctrl O\n' >&3
sleep 4
printf 'type Runabout\nclick OK\n' >&3
sleep 20
resident "the sample loaded"
kill -TERM "$pid"
sleep 5
exec 3>&-
wait "$tracker" || true

heaptrack_print -f "$build/heap_profile.zst" --flamegraph-cost-type peak -F "$scratch/stacks" > /dev/null 2>&1
find "$source" -path "$build" -prune -o -name '*.cpp' -print | sed 's|.*/||' | sort -u > "$scratch/ours"
# Stacks run from the outermost frame to the innermost, ';' between frames, the bytes last;
# a frame of this program ends in "(file.cpp)".
awk -v count="$count" '
  NR == FNR { ours[$0] = 1; next }
  {
    bytes = $NF
    stack = substr($0, 1, length($0) - length($NF) - 1)
    n = split(stack, frames, ";")
    owner = ""
    for (i = n; i >= 1 && owner == ""; --i) {
      if (!match(frames[i], /\([^()]+\.cpp\)$/)) continue
      file = substr(frames[i], RSTART + 1, RLENGTH - 2)
      if (!(file in ours)) continue
      if (file ~ /^gfx_/ || file == "texture_table.cpp") { inner = frames[i]; continue }
      owner = frames[i]
    }
    if (owner == "") owner = inner != "" ? inner : "(outside this program) " frames[n > 2 ? 3 : n]
    inner = ""
    total += bytes
    by[owner] += bytes
  }
  END {
    printf "%d\t%s\n", total, "(all)"
    for (k in by) printf "%d\t%s\n", by[k], k
  }' "$scratch/ours" "$scratch/stacks" | sort -t "$(printf '\t')" -k1,1nr | head -n $((count + 1)) |
  awk -F '\t' 'NR == 1 { printf "heap at its peak: %.1f MB; the largest owners:\n", $1 / 1e6; next }
                { printf "%8.2f MB  %s\n", $1 / 1e6, $2 }'
