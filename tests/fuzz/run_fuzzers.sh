#!/usr/bin/env bash
# run_fuzzers.sh - builds the fuzz targets in the sanitized build (build-sanitize, the CMake
# preset "sanitize": clang with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
# coverage, the same build the sanitized tests run from) and runs them within one bounded time.
# Exits non-zero when a target crashes, hangs or a sanitizer reports.
#
#   tests/fuzz/run_fuzzers.sh [total seconds for all targets, default 240]
#
# The total is shared by need: every target first runs for MIN_SECONDS, which also measures how
# many inputs a second it takes; the rest goes to the targets in proportion to the time one of
# their inputs takes, so a slow reader gets more time and every target sees about as many more
# inputs.  The seconds are the targets' own: as many targets run at once as there are cores
# (ZKT_FUZZ_JOBS changes it), so the run takes about total / cores.  At the end a table gives
# each target's share and the inputs it ran.
#
# Seeds come from tests/fuzz/corpus/<name>/ (which also keeps every input that once crashed a
# target), from small pictures made here with ImageMagick when it is installed, from the
# interface sounds and the sample models and vehicles the build writes; what a fuzzer finds stays
# in build-sanitize/fuzz/corpus, and a crashing input is kept as
# build-sanitize/fuzz/artifacts/<target>-crash-*.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
TOTAL_SECONDS=${1:-240}
MIN_SECONDS=2
JOBS=${ZKT_FUZZ_JOBS:-$(nproc)}
BUILD=$ROOT/build-sanitize
FUZZ=$BUILD/fuzz
SEEDS=$FUZZ/seeds

# target : seed folder
TARGETS=(
  "fuzz_data_file:$ROOT/tests/fuzz/corpus/data_file"
  "fuzz_config:$ROOT/tests/fuzz/corpus/config"
  "fuzz_interface_cfg:$ROOT/tests/fuzz/corpus/interface_cfg"
  "fuzz_player_files:$ROOT/tests/fuzz/corpus/player_files"
  "charset_reader_fuzz:$ROOT/tests/fuzz/corpus/charset"
  "fuzz_wheel:$ROOT/tests/fuzz/corpus/wheel"
  "fuzz_wheel_looks:$ROOT/tests/fuzz/corpus/wheel_looks"
  "texconv_dds_fuzz:$SEEDS/dds"
  "texconv_picture_fuzz:$SEEDS/picture"
  "texconv_jpeg_exif_fuzz:$SEEDS/exif"
  "light_octree_fuzz:$ROOT/tests/fuzz/corpus/light_octree"
  "fuzz_ogg_stream:$BUILD/work/data/sound"
  "fuzz_model_file:$SEEDS/model"
  "fuzz_text_files:$ROOT/tests/fuzz/corpus/text_files"
  "fuzz_commands:$ROOT/tests/fuzz/corpus/commands"
  "fuzz_vehicle_file:$SEEDS/vehicle"
  "fuzz_engine_file:$SEEDS/engine"
  "fuzz_dash_file:$ROOT/tests/fuzz/corpus/dash_file"
  "fuzz_rim_file:$ROOT/tests/fuzz/corpus/rim_file"
  "fuzz_car_build:$SEEDS/car_build"
  "fuzz_car_model:$SEEDS/car_model"
  "fuzz_car_setup:$ROOT/tests/fuzz/corpus/car_setup"
  "fuzz_info_panel:$ROOT/tests/fuzz/corpus/info_panel"
  "fuzz_car_step:$SEEDS/car_step"
  "fuzz_new_vehicle:$ROOT/tests/fuzz/corpus/new_vehicle"
  "fuzz_car_state:$ROOT/tests/fuzz/corpus/car_state"
  "fuzz_setup_files:$ROOT/tests/fuzz/corpus/setup_files"
  "fuzz_frame_file:$ROOT/tests/fuzz/corpus/frame_file"
  "fuzz_colour_set_file:$ROOT/tests/fuzz/corpus/colour_set_file"
  "fuzz_wheel_file:$SEEDS/wheel_file"
  "fuzz_light_schemes:$SEEDS/light_schemes"
  "fuzz_human_system:$SEEDS/human_system"
  "fuzz_animation_file:$SEEDS/human_work/data/move"
  "fuzz_skeleton_body:$SEEDS/skeleton"
  "fuzz_scheme_file:$ROOT/tests/fuzz/corpus/scheme"
  "fuzz_spoke_file:$SEEDS/spoke"
  "fuzz_layout_models:$SEEDS/layout"
  "fuzz_obj_import:$SEEDS/obj"
  "fuzz_world_objects:$SEEDS/world_objects"
  "fuzz_world_octrees:$SEEDS/world_octrees"
  "fuzz_world_mappings:$SEEDS/world_mappings"
  "fuzz_world_sweep:$ROOT/tests/fuzz/corpus/world_sweep"
  "fuzz_track_file:$SEEDS/track_file"
  "fuzz_layout_file:$ROOT/tests/fuzz/corpus/layout_file"
  "fuzz_multi_obj_packet:$ROOT/tests/fuzz/corpus/multi_obj_packet"
  "fuzz_ai_path_file:$SEEDS/ai_path"
)

if ! command -v clang++ >/dev/null; then
  echo "run_fuzzers: clang++ is not installed (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

# The same configuration as the sanitized test run: configured again, nothing is rebuilt.
mkdir -p "$BUILD"
(cd "$ROOT" && cmake --preset sanitize) > "$BUILD/fuzz-configure.log" 2>&1 || {
  cat "$BUILD/fuzz-configure.log"; exit 1; }
cmake --build "$BUILD" --target "${TARGETS[@]%%:*}" sound_files model_gen vehicle_gen sky_gen human_gen track_seeds \
  charset_files -j "$(nproc)"

# Picture seeds: a few small files of each kind the image readers take.
mkdir -p "$SEEDS/dds" "$SEEDS/picture" "$SEEDS/exif" "$FUZZ/artifacts" "$FUZZ/logs"
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
  echo "run_fuzzers: ImageMagick not found: the picture targets start from empty corpora."
fi
# Model seeds: our sample models as the model target reads them, and beside them the sample
# spoke ("spoke") and layout object models ("layout"); the inputs kept in corpus/model_file
# join the model target's.
"$BUILD/tools/model_gen/model_gen" --out "$SEEDS/model_work" --seeds "$SEEDS/model" > /dev/null
cp "$ROOT"/tests/fuzz/corpus/model_file/* "$SEEDS/model/"
# Vehicle seeds: our sample vehicles, and the older versions of the fixtures; the wheels of the
# samples ("*.whl.seed") go to the wheel file's target.  Engine seeds: our sample engines, and
# older records built by hand.
"$BUILD/tools/vehicle_gen/vehicle_gen" --out "$SEEDS/vehicle_work" --seeds "$SEEDS/vehicle" \
  --engine-seeds "$SEEDS/engine" > /dev/null
mkdir -p "$SEEDS/wheel_file"
mv "$SEEDS"/vehicle/*.whl.seed "$SEEDS/wheel_file/"
cp "$ROOT"/tests/fuzz/corpus/vehicle_file/* "$SEEDS/vehicle/"
cp "$ROOT"/tests/fuzz/corpus/engine_file/* "$SEEDS/engine/"
# Car seeds: each sample body behind four choice bytes (set-up 0, colours 0, passengers in
# every seat, driver slot 0) and a set-up flags byte.
mkdir -p "$SEEDS/car_build"
# Model seeds: each sample body behind configuration 0, clock style 2, the drive side as read
# and two damage nodes (point 3 pushed down, point 10 pushed along x, fully).
mkdir -p "$SEEDS/car_model"
for seed in "$SEEDS"/vehicle/*.seed; do
  { printf '\x01\x01\x55\x01\x01'; tail -c +3 "$seed"; } > "$SEEDS/car_build/$(basename "$seed")"
  { printf '\x00\x02\x00\x02\x03\xc8\x22\x00\x0a\xff\x00\x78'; tail -c +3 "$seed"; } \
    > "$SEEDS/car_model/$(basename "$seed")"
done
# Stepped cars: the car seeds behind two scripts (fuzz_car_step.cpp): a connected local
# human's car 2 m up at 20 m/s with 40 l of fuel, through four frames with a pause; and one
# below the floor in a window that goes inactive, its engine at full throttle in neutral.
mkdir -p "$SEEDS/car_step"
for seed in "$SEEDS"/car_build/*.seed; do
  name=$(basename "$seed" .seed)
  { printf '\x03\x10\x10\xff\x10\x00\x00\x00\x00\x16\x00\x00\x20\x42\x6f\x12\x83\x3a'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00'
    printf '\x00\x00\xa0\x41\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xc8\x00\x03\x0c'
    cat "$seed"; } > "$SEEDS/car_step/$name-driving.seed"
  { printf '\x05\x40\xff\x40\xff\x40\xff\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00\x01\x20'
    cat "$seed"; } > "$SEEDS/car_step/$name-sunk.seed"
done
# OBJ seeds: Debian's assimp-testmodels OBJ files (good and malformed) when installed, the
# files of corpus/obj_import, and a quad with texture and normal indices.
mkdir -p "$SEEDS/obj"
cp /usr/share/assimp/models/OBJ/*.obj /usr/share/assimp/models/invalid/*.obj "$SEEDS/obj/" 2>/dev/null || true
cp "$ROOT"/tests/fuzz/corpus/obj_import/* "$SEEDS/obj/"
printf 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 4/1/1\n' > "$SEEDS/obj/quad.obj"
"$BUILD/tools/sky_gen/sky_gen" --out "$SEEDS/sky_work" --seeds "$SEEDS/light_schemes" > /dev/null
"$BUILD/tools/human_gen/human_gen" --out "$SEEDS/human_work" --seeds "$SEEDS/human_system" > /dev/null
mkdir -p "$SEEDS/skeleton"
mv "$SEEDS/human_system/skeleton.seed" "$SEEDS/skeleton/"
# World seeds: object streams, octree blocks, mapping tables and computer drivers' path files
# written by our own test-track writer.
"$BUILD/tools/track_writer/track_seeds" --out "$SEEDS/track_work" --seeds "$SEEDS/track" > /dev/null
mkdir -p "$SEEDS/world_objects" "$SEEDS/world_octrees" "$SEEDS/world_mappings"
mv "$SEEDS"/track/objects_*.seed "$SEEDS/world_objects/"
mv "$SEEDS"/track/octrees_*.seed "$SEEDS/world_octrees/"
mv "$SEEDS"/track/mappings_*.seed "$SEEDS/world_mappings/"
mkdir -p "$SEEDS/track_file"
mv "$SEEDS"/track/tracks_*.seed "$SEEDS/track_file/"
cp "$ROOT"/tests/fuzz/corpus/track_file/* "$SEEDS/track_file/"
mkdir -p "$SEEDS/ai_path"
mv "$SEEDS"/track/ai_path_*.seed "$SEEDS/ai_path/"
# A JPG start with an EXIF block: IFD 0 pointing at an EXIF directory with an exposure time.
printf '\xff\xd8\xff\xe1\x00\x3cExif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00\x69\x87\x04\x00\x01\x00\x00\x00\x1a\x00\x00\x00\x00\x00\x00\x00\x01\x00\x9a\x82\x05\x00\x01\x00\x00\x00\x2c\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\xfa\x00\x00\x00\xff\xda' \
  > "$SEEDS/exif/minimal.jpg"

declare -A SEED_FOLDER
for entry in "${TARGETS[@]}"; do SEED_FOLDER[${entry%%:*}]=${entry#*:}; done

# fuzz_one <phase> <target> <seconds>: one run of a target, resumed from what it found before.
# Writes <target>.<phase>.log and a result line "<exit status> <seconds taken> <inputs run>".
fuzz_one() {
  local phase=$1 target=$2 seconds=$3
  local corpus=$FUZZ/corpus/$target log=$FUZZ/logs/$target.$phase.log status=0
  mkdir -p "$corpus" "${SEED_FOLDER[$target]}"
  local start=$EPOCHREALTIME
  (cd "$corpus" && "$BUILD/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -malloc_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$FUZZ/artifacts/$target-" \
      "$corpus" "${SEED_FOLDER[$target]}") > "$log" 2>&1 || status=$?
  local inputs
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$status $(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }') ${inputs:-0}" \
    > "$FUZZ/logs/$target.$phase.result"
}

# run_phase <phase> <"target seconds" lines...>: the runs, JOBS at a time.
run_phase() {
  local phase=$1 running=0 run; shift
  for run in "$@"; do
    if [ "$running" -ge "$JOBS" ]; then wait -n || true; running=$((running - 1)); fi
    fuzz_one "$phase" ${run% *} ${run#* } &
    running=$((running + 1))
  done
  wait
}

# Reports each failed run of the phase; returns non-zero when one failed.
check_phase() {
  local phase=$1 target failed=0
  for entry in "${TARGETS[@]}"; do
    target=${entry%%:*}
    [ -f "$FUZZ/logs/$target.$phase.result" ] || continue
    if [ "$(cut -d' ' -f1 "$FUZZ/logs/$target.$phase.result")" != 0 ]; then
      failed=1
      tail -n 60 "$FUZZ/logs/$target.$phase.log"
      echo "run_fuzzers: $target FAILED (input kept as $FUZZ/artifacts/$target-*; keep it in the target's" \
           "folder under tests/fuzz/corpus/ once it is mended)" >&2
    fi
  done
  return $failed
}

rm -f "$FUZZ"/logs/*.result
names=("${TARGETS[@]%%:*}")
echo "run_fuzzers: ${#names[@]} targets, $TOTAL_SECONDS s shared by need, $JOBS at a time"
runs=()
for target in "${names[@]}"; do runs+=("$target $MIN_SECONDS"); done
run_phase first "${runs[@]}"
status=0
check_phase first || status=1

# The rest of the total, shared by the seconds one input took in the first runs (fuzz_shares.awk);
# the longest runs start first.
mapfile -t runs < <(
  for target in "${names[@]}"; do echo "$target $(cat "$FUZZ/logs/$target.first.result")"; done |
    awk -v total="$TOTAL_SECONDS" -f "$ROOT/tests/fuzz/fuzz_shares.awk" | sort -k2 -rn)
if [ ${#runs[@]} -gt 0 ]; then
  run_phase more "${runs[@]}"
  check_phase more || status=1
fi

# Each target's share: the seconds it ran and the inputs it took, over both runs.
printf '\nrun_fuzzers: the share of each target\n%-26s %9s %12s %12s\n' target seconds inputs inputs/s
for target in "${names[@]}"; do
  cat "$FUZZ"/logs/"$target".*.result | awk -v name="$target" '
    { s += $2; n += $3 }
    END { printf "%-26s %9.1f %12d %12.1f\n", name, s, n, (s > 0 ? n / s : 0) }'
done | tee "$FUZZ/shares.txt"
awk '{ s += $2; n += $3 } END { printf "%-26s %9.1f %12d\n", "all targets", s, n }' "$FUZZ/shares.txt"
exit $status
