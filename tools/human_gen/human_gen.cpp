// human_gen.cpp - writes our human system, the helmet and the pictures they name:
//
//   human_gen --out <working folder> [--seeds <folder>]
//
// "data\hmn\hmn.hmn" (six figures over one skeleton) and "data\hmn\helmet.qxe" are written
// through the program's own writers and read back with its own readers; written again they
// must be the same bytes, or the tool fails (and so the build).  The figures' cloth page is
// "data\png\hmn_cloth.png", the helmet's default skin "data\skins\HEL_DEFAULT.jpg".  The
// driver animations of every animation set are "data\move\sit_<set>.ban" (seated, one frame)
// and "data\move\str_<set>.ban" (left lock, centre, right lock), read back the same way.  With
// --seeds the human system file and the skeleton body alone are also written as seeds of their
// fuzz targets.
#include <cstring>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/gen_support/gen_support.h"
#include "tools/human_gen/sample_humans.h"
#include "tools/model_gen/model_check.h"
#include "tools/sprite_gen/sprite_shapes.h"

namespace {

constexpr const char* TOOL = "human_gen";

int WriteHumanSystem(const std::string& seedFolder) {
  const std::vector<uint8_t> image = SampleHumanSystemFile();
  if (image.empty() || !WriteGenFile(TOOL, HUMAN_SYSTEM_FILE, image)) return 0;
  const int read = LoadHumanSystem();
  const std::vector<uint8_t> again =
      read ? HumanSystemFileImage(Humans.models, Humans.modelCount, Humans.skeletons, Humans.skeletonCount)
           : std::vector<uint8_t>{};
  const std::string detail = "read " + std::to_string(read) + ": " + std::to_string(Humans.modelCount) + " models, " +
                             std::to_string(Humans.skeletonCount) + " skeletons";
  FreeHumans();
  if (!SameBytesBack(TOOL, HUMAN_SYSTEM_FILE, image, again, detail)) return 0;
  // The fuzz targets' inputs: the version (above 248), then the body; and the skeleton body
  // alone.
  Skeleton skeleton;
  BuildSampleSkeleton(skeleton);
  const std::vector<uint8_t> skeletonBody = MemoryWriteBody([&](DataFile& f) { skeleton.Write(f); });
  skeleton.Free();
  return WriteGenSeed(TOOL, seedFolder, "hmn.hmn.seed", {uint8_t(HUMAN_SYSTEM_VERSION - 248)}, image,
                      DATA_FILE_HEADER_SIZE) &&
         WriteGenSeed(TOOL, seedFolder, "skeleton.seed", {}, skeletonBody);
}

// One driver animation file, read back through the car's reader and written again to the
// same bytes.
int WriteDriverAnimation(const std::string& path, const Animation& a, int solids) {
  const std::vector<uint8_t> image = DataFileImage(
      ANIMATION_FILE_MAGIC, MemoryWriteBody([&](DataFile& f) { WriteAnimation(a, f, solids); }), ANIMATION_FILE_VERSION);
  if (!WriteGenFile(TOOL, path.c_str(), image)) return 0;
  Animation back;
  const int read = ReadAnimationFile(back, path.c_str(), nullptr, solids, 0.0f);
  const std::vector<uint8_t> again =
      read ? DataFileImage(ANIMATION_FILE_MAGIC, MemoryWriteBody([&](DataFile& f) { WriteAnimation(back, f, solids); }),
                           ANIMATION_FILE_VERSION)
           : std::vector<uint8_t>{};
  back.Free();
  return SameBytesBack(TOOL, path.c_str(), image, again, "read " + std::to_string(read));
}

// "data\move\sit_<set>.ban" and "data\move\str_<set>.ban" of every driver animation set.
int WriteDriverAnimations() {
  for (const DriverAnimationSet& set : DriverAnimationSets()) {
    Animation sit, steer;
    BuildDriverAnimations(set, sit, steer);
    const int ok = WriteDriverAnimation(std::string("data\\move\\sit_") + set.name + ".ban", sit, SAMPLE_SKELETON_SOLIDS) &&
                   WriteDriverAnimation(std::string("data\\move\\str_") + set.name + ".ban", steer, SAMPLE_SKELETON_SOLIDS);
    sit.Free();
    steer.Free();
    if (!ok) return 0;
  }
  return 1;
}

int WriteHelmet() {
  ModelObject helmet;
  helmet.Init();
  BuildSampleHelmet(helmet);
  std::vector<uint8_t> body;
  return WriteCheckedModelFile(TOOL, helmet, HELMET_FILE, body);
}

// A plain cloth weave: the mapping colours tint it.
Canvas ClothPage() {
  const int n = SAMPLE_FIGURE_PAGE_PIXELS;
  Canvas c = MakeCanvas(n, n, Rgba{220, 220, 220, 255});
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if ((x + y) % 4 == 0) {
        uint8_t* p = &c.pixels[(size_t(y) * n + x) * 4];
        p[0] = p[1] = p[2] = 200;
      }
  return c;
}

// The helmet's default paint: white with a stripe over the crown and a darker rim.
Canvas HelmetSkin() {
  const int n = SAMPLE_HELMET_SKIN_PIXELS;
  Canvas c = MakeCanvas(n, n, Rgba{235, 235, 235, 255});
  FillRing(c, n / 2.0f, n / 2.0f, n * 0.42f, n * 0.5f, Rgba{60, 60, 70, 255});
  FillBar(c, n / 2.0f, n * 0.1f, n / 2.0f, n * 0.9f, n * 0.06f, Rgba{200, 40, 30, 255});
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  std::string seeds;
  if (const int failed =
          StartGenTool(TOOL, argc, argv, {"data", "data\\hmn", "data\\move", "data\\png", "data\\skins"}, seeds))
    return failed;
  SetDefaultTextColours();
  MessagesToStdout = 1;  // any repair the model reader reports shows in the build's output
  if (!WriteHumanSystem(seeds) || !WriteHelmet() || !WriteDriverAnimations()) return 1;
  if (!WritePng(std::string("data/png/") + SAMPLE_FIGURE_PAGE + ".png", ClothPage(), false) ||
      !WriteJpeg(std::string("data/skins/") + SAMPLE_HELMET_SKIN + ".jpg", HelmetSkin()))
    return 1;
  return 0;
}
