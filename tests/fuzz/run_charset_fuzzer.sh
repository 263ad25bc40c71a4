#!/usr/bin/env bash
# run_charset_fuzzer.sh - builds the character-set reader's fuzz target with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer in its own build folder (build-fuzz) and
# runs it for a bounded time.  Exits non-zero when it crashes, hangs or a sanitizer reports.
#
#   tests/fuzz/run_charset_fuzzer.sh [seconds, default 30]
#
# Seeds: the tiny character set the build generates, and tests/fuzz/corpus/charset/ (a set
# with links, dots and curves).  What the fuzzer finds stays in a temporary folder; a
# crashing input is kept as build-fuzz/charset_reader_fuzz-crash-*.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_TO_RUN=${1:-30}
BUILD=$ROOT/build-fuzz
TARGET=charset_reader_fuzz

if ! command -v clang++ >/dev/null; then
  echo "run_charset_fuzzer: clang++ is not installed (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

mkdir -p "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZKT_FUZZ=ON -DZKT_SANITIZE=ON -DZKT_BENCH=OFF \
  > "$BUILD/configure.log" 2>&1 || { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" --target "$TARGET" charset_files -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$BUILD/testdata/zkt_tiny.abc" "$work/seed_tiny.abc"
cp "$ROOT/tests/fuzz/corpus/charset/"* "$work/"
echo "run_charset_fuzzer: $TARGET for ${SECONDS_TO_RUN} s"
if (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$BUILD/$TARGET" -max_total_time="$SECONDS_TO_RUN" -timeout=10 \
      -rss_limit_mb=2048 -max_len=65536 -artifact_prefix="$BUILD/$TARGET-" -print_final_stats=1 "$work") \
      > "$BUILD/$TARGET.log" 2>&1; then
  grep -E '^stat::number_of_executed_units' "$BUILD/$TARGET.log" || true
  echo "run_charset_fuzzer: no crash"
else
  tail -n 60 "$BUILD/$TARGET.log"
  echo "run_charset_fuzzer: $TARGET FAILED (input kept as $BUILD/$TARGET-*)" >&2
  exit 1
fi
