#!/usr/bin/env bash
# take_screenshots.sh - a picture of every screen state of the list (screen_states.cpp): the
# program started on a private virtual X display, taken to each state with its own text
# commands, clicks and typed answers, and its frame saved as <out>/<size>/<state>.png.
#
#   tools/screenshots/take_screenshots.sh [--build <folder>] [--out <folder>] [--only <state or session>]
#                                         [--labels] [<width>x<height> ...]
#
# Defaults: the build folder ./build (its working folder build/work is copied, never written),
# pictures under <build>/screenshots, the sizes 1024x768, 1280x1024 and 1920x1080.  --labels
# writes beside each picture what its screen shows and the frame's record (ui/draw_record.h).
# Needs Xvfb (package xvfb); build the tool first: cmake --build build --target screen_shots editor
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build
out=""
extra=()
sizes=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --only) extra+=(--only "$2"); shift 2 ;;
    --labels) extra+=(--labels); shift ;;
    [0-9]*x[0-9]*) sizes+=("$1"); shift ;;
    *) echo "usage: $0 [--build <folder>] [--out <folder>] [--only <state>] [--labels] [<w>x<h> ...]" >&2; exit 2 ;;
  esac
done
[ ${#sizes[@]} -gt 0 ] || sizes=(1024x768 1280x1024 1920x1080)
[ -n "$out" ] || out="$build/screenshots"
tool="$build/tools/screenshots/screen_shots"
[ -x "$tool" ] || { echo "$tool is missing: cmake --build $build --target screen_shots editor" >&2; exit 1; }
command -v Xvfb > /dev/null || { echo "Xvfb is missing (package xvfb)" >&2; exit 1; }

# A display of our own: the first number with no server (no lock file, no socket).
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 2048x1536x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2> /dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  kill -0 "$xvfb" 2> /dev/null || { echo "Xvfb did not start on :$display" >&2; exit 1; }
  sleep 0.1
done

status=0
for size in "${sizes[@]}"; do
  mkdir -p "$out/$size"
  echo "$size -> $out/$size"
  DISPLAY=":$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
    "$tool" --work "$build/work" --out "$out/$size" --size "$size" "${extra[@]}" > /dev/null || status=1
done
exit $status
