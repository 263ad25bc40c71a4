// fuzz_rim_file.cpp - rim files of any content read onto a rim through the rim file's reading
// (the memory reader in place of the disk).
//
// Input: the whole file, header and all.  A refused file must leave the rim's body exactly as
// it was; an accepted one must hold only surfaces whose points, group and mapping exist, and
// must write and read back to the same body.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/data_file.h"
#include "rim/rim_file.h"

namespace {

#define Require(condition)                                               \
  do {                                                                   \
    if (!(condition)) {                                                  \
      std::fprintf(stderr, "fuzz_rim_file: %s failed\n", #condition); \
      std::abort();                                                      \
    }                                                                    \
  } while (0)

std::vector<uint8_t> Body(const WXS& rim) {
  DataFile f{};
  f.BeginMemoryWrite(0, nullptr);
  WriteRim(rim, f);
  f.BeginMemoryWrite(1, nullptr);
  WriteRim(rim, f);
  Require(f.FinishMemoryWrite() == 1);
  std::vector<uint8_t> bytes(f.buffer, f.buffer + (f.size - DATA_FILE_HEADER_SIZE));
  f.StartMemoryRead();
  f.Close();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WXS rim;
  rim.MakeDefault("rim", 0x808080);
  const std::vector<uint8_t> before = Body(rim);
  DataFile f{};
  int32_t version = 0;
  int read = 0;
  if (f.OpenReadMemory(nullptr, data, int64_t(size), RIM_FILE_MAGIC, &version, RIM_FILE_VERSION)) {
    read = ReadRimFile(rim, f, version, "fuzz", nullptr);
    f.Close();
  }
  if (!read) {
    Require(Body(rim) == before);
    return 0;
  }
  for (int i = 0; i < rim.surfaceCount; ++i) {
    const RimSurface& s = rim.surfaces[i];
    Require(s.first < uint32_t(rim.numPoints) && s.second < uint32_t(rim.numPoints));
    Require(s.group <= uint32_t(RIM_MAX_GROUP) && s.mapping < uint32_t(rim.mappingCount));
  }
  const std::vector<uint8_t> written = Body(rim);
  const std::vector<uint8_t> image = DataFileImage(RIM_FILE_MAGIC, written, RIM_FILE_VERSION);
  WXS again;
  DataFile g{};
  Require(g.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), RIM_FILE_MAGIC, &version, RIM_FILE_VERSION));
  Require(ReadRimFile(again, g, version, "again", nullptr) == 1);
  g.Close();
  Require(Body(again) == written);
  return 0;
}
