// fuzz_world_mappings.cpp - the world's mapping table over arbitrary bytes: the input is the
// table (count, version, a skipped byte, the records).  An accepted table must have terminated
// names, every enum byte in range, every cell a palette index or 255, no read past the body,
// and read back equal after our own test-track writer writes it again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "tools/track_writer/track_writer.h"
#include "world/mapping.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Table {
  int32_t count = 0;
  MappingRecord* records = nullptr;
  int version = 0;
  int result = 0;
  ~Table() { FreeMappingTable(count, records); }
};

// 0 when the data file refuses the image (an empty body).
int ReadImage(const std::vector<uint8_t>& body, Table& t, int& pastEnd) {
  std::vector<uint8_t> image = {'Q', 'X', 'M', 'A', 'P', 'S', 0, 1};
  image.insert(image.end(), body.begin(), body.end());
  DataFile df{};
  int32_t v = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXMAPS", &v, 1)) return 0;
  t.result = ReadMappingTable(df, t.count, t.records, &t.version);
  pastEnd = df.readPastEnd;
  df.Close();
  return 1;
}

TrackMapping Back(const MappingRecord& r) {
  TrackMapping m;
  m.flags = r.flags, m.projection = r.projection, m.byte2 = r.byte2, m.normalWeight = r.normalWeight;
  std::memcpy(m.material, r.material, 4);
  m.colour = r.colour;
  m.name = r.name;
  m.textureName = r.textureName;
  std::memcpy(m.textureColour, r.textureColour, 4);
  m.uSpan = r.uSpan, m.vSpan = r.vSpan, m.uOffset = r.uOffset, m.vOffset = r.vOffset;
  m.repeatLength = r.repeatLength, m.gridRows = r.gridRows;
  m.surfaceType = r.surfaceType, m.usageType = r.usageType, m.orientation = r.orientation;
  m.trimCodes = r.trimCodes;
  std::memcpy(m.surfaceWord, r.surfaceWord, 4);
  std::memcpy(m.origin, r.origin, sizeof m.origin);
  std::memcpy(m.angle, r.angle, sizeof m.angle);
  m.width = r.width, m.height = r.height;
  for (int p = 0; p < r.paletteCount; ++p) {
    uint32_t word;
    std::memcpy(&word, r.palette + p * 4, 4);
    m.palette.push_back(word);
  }
  m.columnEnds.assign(r.columnEnds, r.columnEnds + r.columnCount);
  for (int i = 0; i < r.gridRows * r.columnCount; ++i) m.cells.push_back(r.cells[i]);
  return m;
}

bool SameArrays(const void* a, const void* b, size_t n) { return n == 0 || std::memcmp(a, b, n) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> body(data, data + size);
  Table t;
  int pastEnd = 0;
  if (!ReadImage(body, t, pastEnd)) return 0;
  if (!t.result) {
    Check(t.count == 0 && t.records == nullptr);
    return 0;
  }
  Check(!pastEnd);
  for (int i = 0; i < t.count; ++i) {
    const MappingRecord& r = t.records[i];
    Check(std::memchr(r.name, 0, sizeof r.name) && std::memchr(r.textureName, 0, sizeof r.textureName));
    Check(r.surfaceType < SURFACE_TYPE_COUNT && r.usageType < USAGE_TYPE_COUNT && r.orientation < 8 &&
          r.projection <= 3);
    for (int c = 0; c < r.gridRows * r.columnCount; ++c)
      Check(r.cells[c] == MAPPING_NO_COLOUR || r.cells[c] < r.paletteCount);
  }
  // Written back by our writer in the same version, the table reads equal.
  std::vector<TrackMapping> back;
  for (int i = 0; i < t.count; ++i) back.push_back(Back(t.records[i]));
  DataFile out{};
  out.BeginMemoryWrite(0, nullptr);
  WriteMappingTable(out, t.version, back);
  out.BeginMemoryWrite(1, nullptr);
  WriteMappingTable(out, t.version, back);
  Check(out.FinishMemoryWrite() == 1);
  const std::vector<uint8_t> written(out.buffer, out.end);
  out.Close();
  std::free(out.buffer);  // a memory write's buffer is the caller's
  Table again;
  Check(ReadImage(written, again, pastEnd) == 1);
  Check(again.result == 1 && again.count == t.count);
  for (int i = 0; i < t.count; ++i) {
    const MappingRecord& a = t.records[i];
    const MappingRecord& b = again.records[i];
    Check(SameArrays(a.palette, b.palette, size_t(a.paletteCount) * 4) &&
          SameArrays(a.columnEnds, b.columnEnds, size_t(a.columnCount) * 4) &&
          SameArrays(a.cells, b.cells, size_t(a.gridRows) * a.columnCount));
    // Every field before the arrays, bit for bit (the reader zeroes each record first).
    Check(std::memcmp(&a, &b, offsetof(MappingRecord, palette)) == 0);
  }
  return 0;
}
