// track_gen.cpp - writes the generated test tracks into a working folder:
// track_gen --out <folder>; and the oval's computer-driver path file.
#include <string>

#include "tools/gen_support/gen_support.h"
#include "tools/track_writer/track_files.h"

int main(int argc, char** argv) {
  constexpr const char* TOOL = "track_gen";
  std::string seeds;
  if (const int code = StartGenTool(TOOL, argc, argv, {"data", "data\\wld", "data\\knw"}, seeds)) return code;
  int ok = 1;
  for (int t = 0; t < GENERATED_TRACKS; ++t) {
    const TrackImages images = BuildTrackImages(GeneratedTrack(t), false);
    ok &= WriteGenFile(TOOL, ("data\\wld\\" + std::string(GENERATED_TRACK_NAMES[t]) + ".wld").c_str(), images.world);
  }
  const TrackImages lit = BuildTrackImages(TRACK_SHORT_ROAD, true);
  ok &= WriteGenFile(TOOL, "data\\wld\\short_road_lit.wld", lit.world);
  ok &= WriteGenFile(TOOL, "data\\wld\\short_road_lit.lgh", lit.lighting);
  // The oval's computer-driver path for the first built-in car, named by the track's short name
  // (its code, configuration 1).
  ok &= WriteGenFile(TOOL, "data\\knw\\TE1_ZK1.knw", AiPathFileImage(TestOvalAiPathFile()));
  return ok ? 0 : 1;
}
