#!/usr/bin/env bash
# run_texconv_fuzzers.sh - builds the texture fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of their own (build-fuzz-texconv) and runs
# each for a bounded time (FUZZ_SECONDS, default 30).
# Exits non-zero when a target finds a crash; the input that crashed is kept in
# build-fuzz-texconv/artifacts/.  Seeds are made with ImageMagick when it is installed.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
BUILD="$ROOT/build-fuzz-texconv"
SECONDS_EACH=${FUZZ_SECONDS:-30}
TARGETS=(texconv_dds_fuzz texconv_picture_fuzz texconv_jpeg_exif_fuzz)

if ! command -v clang++ >/dev/null; then
  echo "run_texconv_fuzzers: clang++ is not installed (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi
mkdir -p "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZKT_FUZZ=ON -DZKT_SANITIZE=ON -DZKT_BENCH=OFF \
  > "$BUILD/configure.log" 2>&1 || { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" --target "${TARGETS[@]}" -j "$(nproc)"

# Seed corpora: a few small files of each kind.
SEEDS="$BUILD/seeds"
mkdir -p "$SEEDS/dds" "$SEEDS/picture" "$SEEDS/exif" "$BUILD/artifacts"
CONVERT=""
for c in /usr/bin/convert-im6.q16 /usr/bin/convert convert; do
  if "$c" -version 2>/dev/null | grep -q ImageMagick; then CONVERT=$c; break; fi
done
if [ -n "$CONVERT" ]; then
  G="-size 16x16 gradient:red-blue"
  $CONVERT $G "$SEEDS/picture/rgb.png"
  $CONVERT $G -colorspace Gray "$SEEDS/picture/grey.png"
  $CONVERT $G -depth 16 PNG48:"$SEEDS/picture/rgb48.png"
  $CONVERT $G -alpha set -channel A -evaluate set 50% +channel PNG32:"$SEEDS/picture/rgba.png"
  $CONVERT $G PNG8:"$SEEDS/picture/palette.png"
  $CONVERT $G -interlace PNG "$SEEDS/picture/interlaced.png"
  $CONVERT $G -quality 80 "$SEEDS/picture/baseline.jpg"
  $CONVERT $G -interlace JPEG "$SEEDS/picture/progressive.jpg"
  $CONVERT $G -colorspace Gray "$SEEDS/picture/grey.jpg"
  $CONVERT $G -define dds:compression=dxt1 -define dds:mipmaps=4 "$SEEDS/dds/dxt1.dds"
  $CONVERT $G -define dds:compression=dxt5 "$SEEDS/dds/dxt5.dds"
  $CONVERT $G -define dds:compression=none "$SEEDS/dds/rgba.dds"
  cp "$SEEDS/picture/baseline.jpg" "$SEEDS/exif/"
else
  echo "ImageMagick not found: the targets start from empty corpora."
fi
# A JPG start with an EXIF block: IFD 0 pointing at an EXIF directory with an exposure time.
printf '\xff\xd8\xff\xe1\x00\x3cExif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00\x69\x87\x04\x00\x01\x00\x00\x00\x1a\x00\x00\x00\x00\x00\x00\x00\x01\x00\x9a\x82\x05\x00\x01\x00\x00\x00\x2c\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\xfa\x00\x00\x00\xff\xda' \
  > "$SEEDS/exif/minimal.jpg"

status=0
run() {
  local target=$1 seeds=$2
  local corpus="$BUILD/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target (${SECONDS_EACH} s)"
  if ! "$BUILD/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=4096 \
        -malloc_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$target-" \
        "$corpus" "$seeds" 2>"$BUILD/$target.log"; then
    echo "$target FAILED: see $BUILD/$target.log and $BUILD/artifacts/"
    tail -40 "$BUILD/$target.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$BUILD/$target.log" || true
  fi
}
run texconv_dds_fuzz "$SEEDS/dds"
run texconv_picture_fuzz "$SEEDS/picture"
run texconv_jpeg_exif_fuzz "$SEEDS/exif"
exit $status
