#!/usr/bin/env bash
# zkt.sh - set up a fresh Debian 12 machine, build, and run the editor or the tests.
#
#   ./zkt.sh run    install what is missing, build, prepare the working folder, start the editor
#   ./zkt.sh test   install what is missing, build, run every test (also under the sanitizers),
#                   then run the fuzz targets within one bounded time; prints how long each
#                   step took at the end
#
# Both work as root or through sudo and can be repeated without harm.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=$(nproc)

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git
  libsdl2-dev libgl1-mesa-dev libegl1-mesa-dev libgl1-mesa-dri mesa-utils xvfb xauth xclip
  libpng-dev libjpeg-dev libtiff-dev libgif-dev libx11-dev libvorbis-dev libogg-dev libfreetype-dev
  libfontconfig-dev fonts-noto-cjk
  fonts-dejavu-core libglu1-mesa-dev
  p7zip googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev imagemagick libstb-dev libsquish-dev libmeshoptimizer-dev libbullet-dev
  libtinyobjloader-dev assimp-testmodels libembree-dev
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

# The build both commands make: optimised, with line tables and function names (-g1), enough
# for a backtrace or a profile; full debug information costs a fifth more compile time.  A
# debugger's session is better served by a Debug build of its own.
BUILD_OPTIONS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")

# configure <folder> [cmake options...]
configure() {
  local dir=$1; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" > "$ROOT/$dir.configure.log" 2>&1 || {
    cat "$ROOT/$dir.configure.log"; exit 1; }
}

# configure_preset <folder> <preset>: a build configured by one of CMakePresets.json's presets
# (a folder configured before with another compiler is configured afresh by CMake itself).
configure_preset() {
  (cd "$ROOT" && cmake --preset "$2") > "$ROOT/$1.configure.log" 2>&1 || {
    cat "$ROOT/$1.configure.log"; exit 1; }
}

# Runs a command with a display: the real one, else a virtual X server.
with_display() {
  if [ -n "${DISPLAY:-}" ]; then "$@"; else xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; fi
}

run_editor() {
  # A file handed over by a relative path is the caller's: made absolute before the folder changes.
  local args=() arg
  for arg in "$@"; do
    if [ -f "$arg" ]; then args+=("$(realpath -- "$arg")"); else args+=("$arg"); fi
  done
  set -- "${args[@]}"
  install_missing
  configure build "${BUILD_OPTIONS[@]}"
  cmake --build "$ROOT/build" -j "$JOBS" --target editor  # the program and its working folder only
  cd "$ROOT/build/work"
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the editor under a virtual X server (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$ROOT/build/zkt_editor" "$@"
  fi
  exec "$ROOT/build/zkt_editor" "$@"
}

# Step timings, printed at the end however the run ends: the wall-clock seconds and the
# processor seconds (user and system, of every process the step waited for) of each step.
STEP_TIMES=()
STEP_NAME=""
RUN_START=$EPOCHREALTIME

# CPU_NOW: the processor seconds used so far by the finished children of this shell.  Not in a
# command substitution: a subshell would count its own children, none.
read_children_cpu() {
  times > "$TIMES_FILE"
  CPU_NOW=$(tail -n 1 "$TIMES_FILE" | awk '{ for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); s += t[1] * 60 + t[2] } print s }')
}

# timed <name> <command...>: runs the command as one step of the table.  A failing step ends
# the run (set -e); the table's last line is then that step's.
timed() {
  STEP_NAME=$1; shift
  STEP_START=$EPOCHREALTIME
  read_children_cpu
  STEP_CPU=$CPU_NOW
  "$@"
  end_step ""
}

end_step() {
  read_children_cpu
  STEP_TIMES+=("$(awk -v n="$STEP_NAME" -v a="$STEP_START" -v b="$EPOCHREALTIME" -v c0="$STEP_CPU" -v c1="$CPU_NOW" \
    -v note="$1" 'BEGIN { printf "%-20s %8.0f %8.0f %s", n, b - a, c1 - c0, note }')")
  echo "zkt.sh: step ${STEP_TIMES[-1]}"
  STEP_NAME=""
}

print_step_times() {
  if [ -n "$STEP_NAME" ]; then end_step "failed"; fi
  rm -f "$TIMES_FILE"
  printf '\nzkt.sh test: the steps in seconds (%s cores; load average %s)\n' "$JOBS" "$(cut -d' ' -f1-3 /proc/loadavg)"
  printf '%-20s %8s %8s\n' step wall cpu
  printf '%s\n' "${STEP_TIMES[@]}"
  awk -v a="$RUN_START" -v b="$EPOCHREALTIME" 'BEGIN { printf "%-20s %8.0f          (%.1f minutes)\n", "all", b - a, (b - a) / 60 }'
  if [ -n "$SPACE_WARNING" ]; then echo "$SPACE_WARNING"; fi
}

# The unit and window tests of the sanitized build.
run_sanitized_tests() {
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$ROOT/tests/lsan.supp" \
    with_display ctest --test-dir "$ROOT/build-sanitize" --output-on-failure -j "$JOBS" -LE gpu
}

# What a whole test run writes (GB): the plain build about 2, the sanitized build with its fuzz
# targets about 3, their working folders and the compiler cache's growth the rest.  Folders that
# already exist are mostly reused.
TEST_RUN_GB=7
SPACE_WARNING=""

# Warns, before anything is built, when the disk is too full for the run to finish: a linker
# that runs out of room fails late and says little.
check_free_space() {
  local need=$TEST_RUN_GB dir have
  for dir in build build-sanitize; do
    [ -d "$ROOT/$dir" ] && need=$((need - $(du -s -BG "$ROOT/$dir" | cut -f1 | tr -d G)))
  done
  have=$(df -P -BG "$ROOT" | awk 'NR == 2 { print $4 + 0 }')
  if [ "$need" -gt 0 ] && [ "$have" -lt "$need" ]; then
    SPACE_WARNING="zkt.sh: only ${have} GB free on the disk of $ROOT; the test run needs about ${need} GB more. Free some space if a step fails with \"No space left on device\"."
    echo "$SPACE_WARNING" >&2
  fi
}

run_tests() {
  TIMES_FILE=$(mktemp)
  trap print_step_times EXIT
  check_free_space
  timed install install_missing
  timed configure configure build "${BUILD_OPTIONS[@]}"
  timed build cmake --build "$ROOT/build" -j "$JOBS"
  timed tests with_display ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS"

  # The same tests built with clang, AddressSanitizer and UndefinedBehaviorSanitizer: one build
  # (CMakePresets.json's "sanitize") that serves the fuzz targets below too.
  timed configure-sanitize configure_preset build-sanitize sanitize
  timed build-sanitize cmake --build "$ROOT/build-sanitize" -j "$JOBS"
  timed tests-sanitize run_sanitized_tests

  # The readers of outside data, fuzzed within one bounded time shared by every target.
  timed fuzz "$ROOT/tests/fuzz/run_fuzzers.sh" "${ZKT_FUZZ_SECONDS:-240}"
}

case "${1:-}" in
  run) shift; run_editor "$@" ;;
  test) run_tests ;;
  *) echo "usage: $0 run | test" >&2; exit 2 ;;
esac
