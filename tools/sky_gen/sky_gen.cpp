// sky_gen.cpp - writes our light schemes and the sky picture one of them names:
//
//   sky_gen --out <working folder> [--seeds <folder>]
//
// "data\skies\light.scm" is written through the program's own scheme writer, read back with
// its reader and written again; the two must be the same bytes, or the tool fails (and so
// the build).  "data\skies\overcast.png" is the overcast scheme's picture.  With --seeds the
// file is also written as a seed of the scheme reader's fuzz target.
#include <string>
#include <vector>

#include "core/data_file.h"
#include "render/sky.h"
#include "tools/gen_support/gen_support.h"
#include "tools/sky_gen/sample_schemes.h"
#include "tools/sprite_gen/sprite_shapes.h"

namespace {

constexpr const char* TOOL = "sky_gen";

int WriteAndCheck(const std::string& seedFolder) {
  const std::vector<uint8_t> image = SampleLightSchemeFile();
  if (image.empty() || !WriteGenFile(TOOL, LIGHT_SCHEME_FILE, image)) return 0;
  LoadLightScm();
  const std::vector<uint8_t> again = LightSchemeCount == SAMPLE_SCHEME_COUNT
                                         ? LightSchemeFileImage(LightSchemes, LightSchemeCount)
                                         : std::vector<uint8_t>{};
  if (!SameBytesBack(TOOL, LIGHT_SCHEME_FILE, image, again, std::to_string(LightSchemeCount) + " schemes")) return 0;
  // The fuzz target's input: the version, then the body.
  return WriteGenSeed(TOOL, seedFolder, "light.scm.seed", {LIGHT_SCHEME_VERSION}, image, DATA_FILE_HEADER_SIZE);
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
  std::string seeds;
  if (const int failed = StartGenTool(TOOL, argc, argv, {"data", "data\\skies"}, seeds)) return failed;
  if (!WriteAndCheck(seeds)) return 1;
  if (!WritePng(std::string("data/skies/") + SAMPLE_OVERCAST_PICTURE + ".png", OvercastPicture(), false)) return 1;
  return 0;
}
