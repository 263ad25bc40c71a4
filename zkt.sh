#!/usr/bin/env bash
# zkt.sh - set up a fresh Debian 12 machine, build, and run the editor or the tests.
#
#   ./zkt.sh run    install what is missing, build, prepare the working folder, start the editor
#   ./zkt.sh test   install what is missing, build, run every test (also under the sanitizers),
#                   then run the fuzz targets within one bounded time
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

# configure <folder> [cmake options...]
configure() {
  local dir=$1; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" > "$ROOT/$dir.configure.log" 2>&1 || {
    cat "$ROOT/$dir.configure.log"; exit 1; }
}

# configure_and_build <folder> [cmake options...]: everything, tests and benchmarks too
configure_and_build() {
  configure "$@"
  cmake --build "$ROOT/$1" -j "$JOBS"
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
  configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$ROOT/build" -j "$JOBS" --target editor  # the program and its working folder only
  cd "$ROOT/build/work"
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the editor under a virtual X server (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$ROOT/build/zkt_editor" "$@"
  fi
  exec "$ROOT/build/zkt_editor" "$@"
}

run_tests() {
  install_missing
  configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  with_display ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS"

  # The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
  configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZKT_SANITIZE=ON -DZKT_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$ROOT/tests/lsan.supp" \
    with_display ctest --test-dir "$ROOT/build-sanitize" --output-on-failure -j "$JOBS" -LE gpu

  # The readers of outside data, fuzzed within one bounded time shared by every target.
  "$ROOT/tests/fuzz/run_fuzzers.sh" "${ZKT_FUZZ_SECONDS:-240}"
}

case "${1:-}" in
  run) shift; run_editor "$@" ;;
  test) run_tests ;;
  *) echo "usage: $0 run | test" >&2; exit 2 ;;
esac
