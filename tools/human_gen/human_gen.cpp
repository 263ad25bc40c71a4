// human_gen.cpp - writes our human system, the helmet and the pictures they name:
//
//   human_gen --out <working folder> [--seeds <folder>]
//
// "data\hmn\hmn.hmn" (six figures over one skeleton) and "data\hmn\helmet.qxe" are written
// through the program's own writers and read back with its own readers; written again they
// must be the same bytes, or the tool fails (and so the build).  The figures' cloth page is
// "data\png\hmn_cloth.png", the helmet's default skin "data\skins\HEL_DEFAULT.jpg".  With
// --seeds the human system file is also written as a seed of its fuzz target.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it uses FILE and size_t without including them

#include "core/data_file.h"
#include "modeller/model/model_file.h"
#include "platform/files.h"
#include "tools/human_gen/sample_humans.h"
#include "tools/model_gen/model_builder.h"
#include "tools/sprite_gen/sprite_shapes.h"
#include "ui/text/messages.h"
#include "ui/text/text_colours.h"

namespace {

int WriteHumanSystem(const std::string& seedFolder) {
  const std::vector<uint8_t> image = SampleHumanSystemFile();
  if (image.empty() || FileWriteAll(HUMAN_SYSTEM_FILE, image.data(), image.size()) != 0) {
    std::fprintf(stderr, "human_gen: cannot write %s\n", HUMAN_SYSTEM_FILE);
    return 0;
  }
  const int read = LoadHumanSystem();
  const std::vector<uint8_t> again =
      read ? HumanSystemFileImage(Humans.models, Humans.modelCount, Humans.skeletons, Humans.skeletonCount)
           : std::vector<uint8_t>{};
  const int models = Humans.modelCount, skeletons = Humans.skeletonCount;
  FreeHumans();
  if (!read || again != image) {
    std::fprintf(stderr, "human_gen: %s does not read back as written (read %d: %d models, %d skeletons)\n",
                 HUMAN_SYSTEM_FILE, read, models, skeletons);
    return 0;
  }
  if (!seedFolder.empty()) {
    // The fuzz target's input: the version (above 248), then the body.
    std::vector<uint8_t> body = {uint8_t(HUMAN_SYSTEM_VERSION - 248)};
    body.insert(body.end(), image.begin() + DATA_FILE_HEADER_SIZE, image.end());
    const std::string seed = seedFolder + "/hmn.hmn.seed";
    if (FileWriteAll(seed.c_str(), body.data(), body.size()) != 0) {
      std::fprintf(stderr, "human_gen: cannot write %s\n", seed.c_str());
      return 0;
    }
  }
  return 1;
}

int WriteHelmet() {
  ModelObject helmet;
  helmet.Init();
  BuildSampleHelmet(helmet);
  const int saved = SaveModelFile(helmet, nullptr, HELMET_FILE, 1);
  const std::vector<uint8_t> written = ModelRecordBytes(helmet, 1, 1);
  helmet.Free();
  ModelObject back;
  back.Init();
  const int read = saved && LoadModelFile(back, nullptr, HELMET_FILE, 1, nullptr);
  const std::vector<uint8_t> again = ModelRecordBytes(back, 1, 1);
  back.Free();
  if (!read || written.empty() || again != written) {
    size_t at = 0;
    while (at < written.size() && at < again.size() && written[at] == again[at]) ++at;
    std::fprintf(stderr, "human_gen: %s does not read back as written (read %d, %zu / %zu bytes, from byte %zu)\n",
                 HELMET_FILE, read, written.size(), again.size(), at);
    return 0;
  }
  return 1;
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

bool WriteJpeg(const std::string& path, const Canvas& c) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "human_gen: cannot write %s\n", path.c_str());
    return false;
  }
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = JDIMENSION(c.width);
  info.image_height = JDIMENSION(c.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 92, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(c.width) * 3);
  while (info.next_scanline < info.image_height) {
    const uint8_t* rgba = &c.pixels[size_t(info.next_scanline) * c.width * 4];
    for (int x = 0; x < c.width; ++x) std::memcpy(&row[size_t(x) * 3], rgba + x * 4, 3);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, seeds;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0) out = argv[++i];
    else if (std::strcmp(argv[i], "--seeds") == 0) seeds = std::filesystem::absolute(argv[++i]).string();
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: human_gen --out <working folder> [--seeds <folder>]\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(out, error);
  std::filesystem::current_path(out, error);
  if (error || !MakeFolder("data") || !MakeFolder("data\\hmn") || !MakeFolder("data\\png") ||
      !MakeFolder("data\\skins") || (!seeds.empty() && !std::filesystem::create_directories(seeds, error) && error)) {
    std::fprintf(stderr, "human_gen: cannot prepare %s\n", out.c_str());
    return 1;
  }
  SetDefaultTextColours();
  MessagesToStdout = 1;  // any repair the model reader reports shows in the build's output
  if (!WriteHumanSystem(seeds) || !WriteHelmet()) return 1;
  if (!WritePng(std::string("data/png/") + SAMPLE_FIGURE_PAGE + ".png", ClothPage(), false) ||
      !WriteJpeg(std::string("data/skins/") + SAMPLE_HELMET_SKIN + ".jpg", HelmetSkin()))
    return 1;
  return 0;
}
