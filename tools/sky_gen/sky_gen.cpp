// sky_gen.cpp - writes our light schemes and the sky picture one of them names:
//
//   sky_gen --out <working folder> [--seeds <folder>]
//
// "data\skies\light.scm" is written through the program's own scheme writer, read back with
// its reader and written again; the two must be the same bytes, or the tool fails (and so
// the build).  "data\skies\overcast.png" is the overcast scheme's picture.  With --seeds the
// file is also written as a seed of the scheme reader's fuzz target.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "platform/files.h"
#include "render/sky.h"
#include "tools/sky_gen/sample_schemes.h"
#include "tools/sprite_gen/sprite_shapes.h"

namespace {

int WriteAndCheck(const std::string& seedFolder) {
  const std::vector<uint8_t> image = SampleLightSchemeFile();
  if (image.empty() || FileWriteAll(LIGHT_SCHEME_FILE, image.data(), image.size()) != 0) {
    std::fprintf(stderr, "sky_gen: cannot write %s\n", LIGHT_SCHEME_FILE);
    return 0;
  }
  LoadLightScm();
  const std::vector<uint8_t> again = LightSchemeFileImage(LightSchemes, LightSchemeCount);
  if (LightSchemeCount != SAMPLE_SCHEME_COUNT || again != image) {
    std::fprintf(stderr, "sky_gen: %s does not read back as written (%d schemes, %zu / %zu bytes)\n",
                 LIGHT_SCHEME_FILE, LightSchemeCount, again.size(), image.size());
    return 0;
  }
  if (!seedFolder.empty()) {
    // The fuzz target's input: the version, then the body.
    std::vector<uint8_t> seed = {LIGHT_SCHEME_VERSION};
    seed.insert(seed.end(), image.begin() + DATA_FILE_HEADER_SIZE, image.end());
    const std::string seedPath = seedFolder + "/light.scm.seed";
    if (FileWriteAll(seedPath.c_str(), seed.data(), seed.size()) != 0) {
      std::fprintf(stderr, "sky_gen: cannot write %s\n", seedPath.c_str());
      return 0;
    }
  }
  return 1;
}

Canvas OvercastPicture() {
  const int n = SAMPLE_OVERCAST_PIXELS;
  Canvas c = MakeCanvas(n, n, Rgba{0, 0, 0, 255});
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      SampleOvercastPixel((float(x) + 0.5f) / float(n), (float(y) + 0.5f) / float(n),
                          &c.pixels[(size_t(y) * n + x) * 4]);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, seeds;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0) out = argv[++i];
    else if (std::strcmp(argv[i], "--seeds") == 0) seeds = std::filesystem::absolute(argv[++i]).string();
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: sky_gen --out <working folder> [--seeds <folder>]\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(out, error);
  std::filesystem::current_path(out, error);
  if (error || !MakeFolder("data") || !MakeFolder("data\\skies") ||
      (!seeds.empty() && !std::filesystem::create_directories(seeds, error) && error)) {
    std::fprintf(stderr, "sky_gen: cannot prepare %s\n", out.c_str());
    return 1;
  }
  if (!WriteAndCheck(seeds)) return 1;
  if (!WritePng(std::string("data/skies/") + SAMPLE_OVERCAST_PICTURE + ".png", OvercastPicture(), false)) return 1;
  return 0;
}
