// fuzz_light_schemes.cpp - the light scheme file's reader over arbitrary bytes.
//
// The first byte chooses the version (0..3), the rest is the body.  Whatever the body holds,
// the table must end with 1..20 schemes, each picture name terminated, each sun intensity
// finite and not negative, no texture reference set, and the built-in default in front when
// nothing was read.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "render/sky.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int version = data[0] & 3;
  std::vector<uint8_t> image = {'Z', 'K', 'T', 'S', 'C', 'M', 0, uint8_t(version)};
  image.insert(image.end(), data + 1, data + size);
  DataFile df{};
  int32_t read = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), LIGHT_SCHEME_MAGIC, &read, LIGHT_SCHEME_VERSION))
    return 0;
  FillLightSchemes(&df, read);
  df.Close();
  if (LightSchemeCount < 1 || LightSchemeCount > LIGHT_SCHEME_LIMIT) std::abort();
  if (version == 0 && (LightSchemeCount != 1 || LightSchemes[0].skyPicture[0])) std::abort();
  for (int i = 0; i < LightSchemeCount; ++i) {
    const LightScheme& s = LightSchemes[i];
    if (s.skyPicture[SKY_PICTURE_NAME_SIZE - 1] != 0 || s.skyTexture) std::abort();
    if (!std::isfinite(s.sunIntensity) || s.sunIntensity < 0.0f) std::abort();
  }
  if (version < 2 && LightSchemes[0].skyPicture[0]) std::abort();  // the default is put in front
  return 0;
}
