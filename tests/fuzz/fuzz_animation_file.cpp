// fuzz_animation_file.cpp - the animation file's reader over arbitrary bytes taken as a whole
// file image, read into a rig of 1 to 64 solids chosen by the image's last byte.
//
// An accepted animation has a finite scale and frames of as many transforms as the rig; it is
// written again, read back to the same frames, and its frames are inserted, deleted and
// sampled as the editor does.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "skeleton/skeleton.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < DATA_FILE_HEADER_SIZE + 1) return 0;
  const int solids = 1 + data[size - 1] % 64;
  DataFile df{};
  int32_t version = 0;
  if (!df.OpenReadMemory(nullptr, data, int64_t(size), ANIMATION_FILE_MAGIC, &version, ANIMATION_FILE_VERSION))
    return 0;
  Animation a;
  const int read = version >= ANIMATION_FILE_LOWEST_VERSION ? ReadAnimation(a, df, solids, 0.0f) : 0;
  df.Close();
  if (!read) {
    if (a.frameCount || a.frames) std::abort();
    return 0;
  }
  if (!std::isfinite(a.scale) || (a.frameCount == 0) != (a.frames == nullptr)) std::abort();
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { WriteAnimation(a, f, solids); });
  const std::vector<uint8_t> image = DataFileImage(ANIMATION_FILE_MAGIC, body, ANIMATION_FILE_VERSION);
  DataFile again{};
  if (!again.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ANIMATION_FILE_MAGIC, &version,
                            ANIMATION_FILE_VERSION))
    std::abort();
  Animation b;
  if (!ReadAnimation(b, again, solids, 0.0f) || b.frameCount != a.frameCount) std::abort();
  again.Close();
  for (int f = 0; f < a.frameCount; ++f)
    if (std::memcmp(a.frames[f].transforms, b.frames[f].transforms, sizeof(FixedTransform) * size_t(solids)))
      std::abort();
  b.Free();
  BoneRig rig;
  rig.Allocate(solids, 0);
  SampleAnimation(a, rig, 0.5f);
  if (a.frameCount > 0 && a.frameCount < 64) {
    a.InsertFrame(a.frameCount - 1, solids);
    a.DeleteFrame(0, solids);
  }
  rig.Free();
  a.Free();
  return 0;
}
