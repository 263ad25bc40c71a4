#!/bin/sh
# idle_cpu.sh - the processor time and the resident memory of the editor while nobody touches
# it, screen by screen, under a private virtual X server.
#
# For each screen the program starts afresh in a scratch copy of the working folder (a cfg.txt
# that skips the first-run pages, except for the welcome screen), is driven there the way a
# user gets there (clicks on the buttons by their text and the program's own text commands,
# through the named pipe of ZKT_DRIVE, app/drive_file.h), is left to come to rest, and then its
# processor time (every thread's, from /proc: not the wall clock, so other work on the machine
# does not count) is read over a span of seconds.  Prints a table: the share of one core (the
# target is under 0.3% once rested), the resident memory and the proportional set (shared
# pages counted in part) at the end.  The memory targets are printed last: the entry page's
# resident memory and proportional set each at most 1.3 times those of the plain SDL2+GL
# program of the start-up benchmark (bench_plain_first_frame: a window, a context, a clear and
# a swap, holding its first frame), the two started together and read side by side 15 s after
# their start, the median of three such starts (read apart, minutes between them, the
# proportional set swings with what else the machine runs); a loaded sample at most 60 MB over
# the empty vehicle editor.
#
# With IDLE_SHOTS=<folder> each screen's picture is saved there once measured, to see that the
# steps reached it; with IDLE_SMAPS=<folder> the memory maps (/proc/<pid>/smaps) of the entry
# page and the plain program are kept there at each side-by-side reading.
#
# Usage: bench/app/idle_cpu.sh [build folder, default build] [seconds, default 10]
#                              [settle seconds, default 12] [screens: an extended regular expression, default all]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}
settle=${3:-12}
filter=${4:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$build/work"/. "$scratch/work"

# name | first-run pages (1) or not (0) | steps: lines for the pipe, "sleep N" waits
screens='welcome|1|
entry page|0|
object editor, new model|0|click object editor
modeller, subobject mode|0|click object editor;sleep 2;/shift S
modeller, triangle mode|0|click object editor;sleep 2;/shift T
modeller, point mode|0|click object editor;sleep 2;/shift P
modeller, build mode|0|click object editor;sleep 2;/shift B
modeller, texture mapping mode|0|click object editor;sleep 2;/shift M
modeller, texture cutout mode|0|click object editor;sleep 2;/shift C
modeller, texture page mode|0|click object editor;sleep 2;/shift G
modeller, view mode|0|click object editor;sleep 2;/shift V
vehicle editor, empty|0|click vehicle editor
vehicle editor, sample loaded|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK
garage|0|click garage
engine editor|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK;sleep 4;click edit engine
rim editor|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK;sleep 4;click Wheel Object;sleep 1;reach edit rim;click edit rim
dashboard editor|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK;sleep 4;click Textures;sleep 1;click EDIT
animation editor|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK;sleep 4;/press A
new-vehicle page|0|click vehicle editor;sleep 2;/ctrl N;sleep 2;click Car (4 Wheels)
load list|0|click vehicle editor;sleep 2;/ctrl O
save name entry|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK;sleep 4;click SAVE
overwrite question|0|click vehicle editor;sleep 2;/ctrl O;sleep 2;type Runabout;click OK;sleep 4;click SAVE;sleep 2;type Runabout;/press ENTER'

cat > "$scratch/measure.sh" <<'EOF'
#!/bin/sh
# Runs in the virtual X server: each screen in turn.
set -eu
program=$1 seconds=$2 settle=$3 filter=$4 scratch=$5 plain=$6
hz=$(getconf CLK_TCK)
# A user's later starts link the shader programs an earlier start kept (cache/programs.bin):
# one start on the entry page keeps them for every screen's copy of the folder.
warm="$scratch/warm"
cp -r "$scratch/work" "$warm"
printf 'Welcome C 0\nStart Windowed 1\nWindow 0 0 1024 768\n' > "$warm/cfg.txt"
(cd "$warm" && ZKT_EXIT_AFTER_PASSES=5 "$program" > /dev/null 2>&1) || true
mkdir -p "$scratch/work/cache"
cp "$warm/cache/programs.bin" "$scratch/work/cache/" 2> /dev/null || true
rm -rf "$warm"
printf '| screen | idle CPU (%% of a core) | resident memory (MB) | proportional set (MB) |\n|---|---|---|---|\n'
printf '%s\n' "$SCREENS" | while IFS='|' read -r name firstRun steps; do
  printf '%s\n' "$name" | grep -Eq -- "$filter" || continue
  work="$scratch/run"
  rm -rf "$work"
  cp -r "$scratch/work" "$work"
  rm -f "$work/deb.log" "$work/zkt_instance.sock" "$work/cfg.txt"
  [ "$firstRun" = 1 ] || printf 'Welcome C 0\nStart Windowed 1\nWindow 0 0 1024 768\nSS Type 2\nNext Shot 1\n' \
    > "$work/cfg.txt"
  pipe="$scratch/pipe"
  rm -f "$pipe"
  mkfifo "$pipe"
  (cd "$work" && ZKT_DRIVE="$pipe" exec "$program" > /dev/null 2> "$scratch/stderr") &
  pid=$!
  exec 3> "$pipe"  # the editor holds the pipe open for reading
  sleep 3
  printf '%s\n' "$steps" | tr ';' '\n' | while read -r step; do
    case "$step" in
      "") ;;
      sleep*) sleep "${step#sleep }" ;;
      *) printf '%s\n' "$step" >&3 ;;
    esac
  done
  sleep "$settle"
  ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
  before=$(ticks)
  sleep "$seconds"
  after=$(ticks)
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  pss=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup")
  if [ -n "${IDLE_SHOTS:-}" ] && [ "$firstRun" = 0 ]; then
    printf '/ss\n' >&3
    sleep 3
    cp "$work/data/shots/zkt_00000001.png" "$IDLE_SHOTS/$name.png" 2> /dev/null || true
  fi
  exec 3>&-
  kill -KILL "$pid"  # a question about unsaved changes would keep it open
  { wait "$pid"; } 2> /dev/null || true
  awk -v n="$name" -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v r="$rss" -v p="$pss" \
    'BEGIN { printf "| %s | %.2f%% | %.0f | %.0f |\n", n, 100 * t / hz / s, r / 1024, p / 1024 }'
  echo "$name|$rss|$pss" >> "$scratch/memory"
  if grep -q "drive :" "$work/deb.log" 2> /dev/null; then grep "drive :" "$work/deb.log" | sed 's/^/  /'; fi
done
# The entry page beside the plain program: both started at once in folders of their own, read
# 15 s after the start, three times; the medians of each.
if printf 'entry page\n' | grep -Eq -- "$filter"; then
  for repetition in 1 2 3; do
    rm -rf "$scratch/side_editor" "$scratch/side_plain"
    cp -r "$scratch/work" "$scratch/side_editor"
    cp -r "$scratch/work" "$scratch/side_plain"
    rm -f "$scratch/side_editor/deb.log" "$scratch/side_editor/zkt_instance.sock"
    printf 'Welcome C 0\nStart Windowed 1\nWindow 0 0 1024 768\n' > "$scratch/side_editor/cfg.txt"
    (cd "$scratch/side_editor" && exec "$program" > /dev/null 2>&1) &
    editor=$!
    (cd "$scratch/side_plain" && exec "$plain" 1024 768 30 > /dev/null 2>&1) &
    plainPid=$!
    sleep 15
    for pair in "entry page:$editor" "plain SDL2+GL program:$plainPid"; do
      pid=${pair##*:}
      printf '%s|%s|%s\n' "${pair%:*}" "$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")" \
        "$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup")" >> "$scratch/side"
    done
    if [ -n "${IDLE_SMAPS:-}" ]; then
      cp "/proc/$editor/smaps" "$IDLE_SMAPS/entry_page.$repetition.smaps"
      cp "/proc/$plainPid/smaps" "$IDLE_SMAPS/plain.$repetition.smaps"
    fi
    kill -KILL "$editor" "$plainPid"
    { wait "$editor" "$plainPid"; } 2> /dev/null || true
  done
  median() { grep "^$1|" "$scratch/side" | cut -d'|' -f"$2" | sort -n | sed -n 2p; }
  awk -v er="$(median 'entry page' 2)" -v ep="$(median 'entry page' 3)" \
      -v mr="$(median 'plain SDL2+GL program' 2)" -v mp="$(median 'plain SDL2+GL program' 3)" \
    'BEGIN { printf "entry page beside the plain program, 15 s after the start (medians of 3): resident %.0f MB against %.0f MB = %.2f x, proportional set %.0f MB against %.0f MB = %.2f x (target <= 1.3 each)\n",
             er / 1024, mr / 1024, er / mr, ep / 1024, mp / 1024, ep / mp }'
fi
awk -F'|' '{ m[$1] = $2; p[$1] = $3 }
  END {
    if (("vehicle editor, empty" in m) && ("vehicle editor, sample loaded" in m))
      printf "a loaded sample %.0f MB over the empty vehicle editor (target <= 60)\n",
             (m["vehicle editor, sample loaded"] - m["vehicle editor, empty"]) / 1024
  }' "$scratch/memory" 2> /dev/null || true
EOF
chmod +x "$scratch/measure.sh"
echo "idle CPU over $seconds s after $settle s of rest, per screen (target < 0.3%); load $(cut -d' ' -f1-3 /proc/loadavg)"
SCREENS="$screens" xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$scratch/measure.sh" "$build/zkt_editor" "$seconds" "$settle" "$filter" "$scratch" \
  "$build/bench/bench_plain_first_frame"
