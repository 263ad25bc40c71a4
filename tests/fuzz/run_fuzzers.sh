#!/usr/bin/env bash
# run_fuzzers.sh - builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build folder (build-fuzz) and runs each for a
# bounded time.  Exits non-zero when a target crashes, hangs or a sanitizer reports.
#
#   tests/fuzz/run_fuzzers.sh [seconds per target, default 30]
#
# Seeds come from tests/fuzz/corpus/<target>/; what the fuzzer finds stays in a temporary
# folder, and a crashing input is kept as build-fuzz/<target>-crash-*.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_EACH=${1:-30}
BUILD=$ROOT/build-fuzz
TARGETS=(fuzz_data_file fuzz_config)

if ! command -v clang++ >/dev/null; then
  echo "run_fuzzers: clang++ is not installed (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

mkdir -p "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZKT_FUZZ=ON -DZKT_SANITIZE=ON -DZKT_BENCH=OFF \
  > "$BUILD/configure.log" 2>&1 || { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" --target "${TARGETS[@]}" -j "$(nproc)"

status=0
for target in "${TARGETS[@]}"; do
  work=$(mktemp -d)
  cp "$ROOT/tests/fuzz/corpus/${target#fuzz_}/"* "$work/" 2>/dev/null || true
  echo "run_fuzzers: $target for ${SECONDS_EACH} s"
  if (cd "$work" && "$BUILD/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$BUILD/$target-" -print_final_stats=1 "$work") > "$BUILD/$target.log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$BUILD/$target.log" || true
  else
    status=1
    tail -n 60 "$BUILD/$target.log"
    echo "run_fuzzers: $target FAILED (input kept as $BUILD/$target-*)" >&2
  fi
  rm -rf "$work"
done
exit $status
