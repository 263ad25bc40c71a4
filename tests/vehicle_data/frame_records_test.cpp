// frame_records_test.cpp - the frame point and tube records: their sizes in a counting pass,
// a suspension link's alternative size and flag, the same bytes through a file, memory and a
// count, and the bounds of a tube's size read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "core/data_file.h"
#include "vehicle_data/frame_records.h"

namespace {

const FramePoint POINTS[] = {
    {65536, -131072, 7, 0.25f, 0x0102, 1, 9},
    {-1, 0x7FFFFFFF, INT32_MIN, -3.5f, 0xFFFF, 3, 0},
};
const FrameTube TUBES[] = {
    {0, 1, 12.5f, 0.0f, 0.0f, 0},
    {1, -1, 3.0f, 0.035f, 0.0f, 1},   // a suspension link: its radius is stored
    {-6, 0, 0.0f, 0.02f, 0.0f, 0x80000000u},
};

void WriteAll(DataFile& f, std::vector<FrameTube>& tubes) {
  for (const FramePoint& p : POINTS) WriteRecord20(p, f);
  for (FrameTube& t : tubes) WriteRecordB(t, f);
}

// The records through a counting pass and a memory pass: the bytes, and the count.
std::vector<uint8_t> WrittenInMemory(std::vector<FrameTube> tubes, int* counted = nullptr) {
  DataFile f;
  EXPECT_EQ(f.BeginMemoryWrite(0, nullptr), nullptr);
  WriteAll(f, tubes);
  if (counted) *counted = f.size - DATA_FILE_HEADER_SIZE;
  EXPECT_EQ(f.BeginMemoryWrite(1, nullptr), nullptr);
  WriteAll(f, tubes);
  EXPECT_EQ(f.FinishMemoryWrite(), 1);
  std::vector<uint8_t> bytes(f.buffer, f.end);
  std::free(f.buffer);
  return bytes;
}

// A stream reading bytes held in memory as a data file's body.
struct BodyReader {
  std::vector<uint8_t> image;
  DataFile f;
  explicit BodyReader(const std::vector<uint8_t>& body) {
    const uint8_t header[DATA_FILE_HEADER_SIZE] = {'Q', 'X', 'F', 'R', 'M', '_', 0, 252};
    image.resize(DATA_FILE_HEADER_SIZE + body.size());
    std::memcpy(image.data(), header, sizeof header);
    if (!body.empty()) std::memcpy(image.data() + DATA_FILE_HEADER_SIZE, body.data(), body.size());
    int32_t version;
    EXPECT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXFRM_", &version, 252), 1);
  }
  ~BodyReader() { f.Close(); }
};

TEST(FrameRecords, ACountingPassGrowsByTwentyPerPointAndTwelvePerTube) {
  DataFile f;
  ASSERT_EQ(f.BeginMemoryWrite(0, nullptr), nullptr);
  const int start = f.size;
  WriteRecord20(POINTS[0], f);
  EXPECT_EQ(f.size - start, FRAME_POINT_BYTES);
  EXPECT_EQ(FRAME_POINT_BYTES, 20);
  FrameTube t = TUBES[0];
  WriteRecordB(t, f);
  EXPECT_EQ(f.size - start, 20 + FRAME_TUBE_BYTES);
  EXPECT_EQ(FRAME_TUBE_BYTES, 12);
}

TEST(FrameRecords, ALinkToAWheelPointWritesItsAlternativeSizeAndReadsItBack) {
  std::vector<FrameTube> tubes(std::begin(TUBES), std::end(TUBES));
  DataFile f;
  ASSERT_EQ(f.BeginMemoryWrite(0, nullptr), nullptr);
  WriteRecordB(tubes[1], f);
  EXPECT_EQ(tubes[1].flags, 1u | TUBE_WHEEL_END);  // the record in memory takes the flag too
  EXPECT_EQ(tubes[0].flags, 0u);

  const std::vector<uint8_t> bytes = WrittenInMemory({TUBES[1]});
  ASSERT_EQ(bytes.size(), 40u + 12u);
  const uint8_t* link = bytes.data() + 40;
  EXPECT_EQ(link[2], 0xFF);  // b = -1
  EXPECT_EQ(link[3], 0xFF);
  float stored;
  std::memcpy(&stored, link + 4, 4);
  EXPECT_EQ(stored, 0.035f);
  EXPECT_EQ(link[8], 1 | TUBE_WHEEL_END);

  BodyReader in(bytes);
  FramePoint p;
  ReadRecord20(p, in.f);
  ReadRecord20(p, in.f);
  FrameTube back;
  back.mass = 99.0f;
  ReadTubeRecord(back, in.f);
  EXPECT_EQ(back.a, 1);
  EXPECT_EQ(back.b, -1);
  EXPECT_EQ(back.radius, 0.035f);
  EXPECT_EQ(back.massPerMetre, 0.0f);
  EXPECT_EQ(back.mass, 0.0f);
  EXPECT_EQ(back.flags, 1u | TUBE_WHEEL_END);

  // Point 0 is a frame point, at either end: its tube keeps its mass per metre and no flag.
  for (FrameTube t : {FrameTube{0, 1, 12.5f, 0.0f, 0.0f, 0}, FrameTube{1, 0, 12.5f, 0.0f, 0.0f, 0}}) {
    const std::vector<uint8_t> plain = WrittenInMemory({t});
    ASSERT_EQ(plain.size(), 40u + 12u);
    std::memcpy(&stored, plain.data() + 40 + 4, 4);
    EXPECT_EQ(stored, 12.5f) << t.a << "-" << t.b;
    EXPECT_EQ(plain[40 + 8], 0) << t.a << "-" << t.b;
    WriteRecordB(t, f);
    EXPECT_EQ(t.flags, 0u) << t.a << "-" << t.b;
    // Read back, the figure is the tube's mass per metre, not a radius.
    BodyReader plainIn(plain);
    ReadRecord20(p, plainIn.f);
    ReadRecord20(p, plainIn.f);
    FrameTube plainBack;
    ReadTubeRecord(plainBack, plainIn.f);
    EXPECT_EQ(plainBack.massPerMetre, 12.5f) << t.a << "-" << t.b;
    EXPECT_EQ(plainBack.radius, 0.0f) << t.a << "-" << t.b;
  }
}

TEST(FrameRecords, WriteReadWriteGivesTheSameBytesInEveryMode) {
  int counted = 0;
  const std::vector<uint8_t> first = WrittenInMemory({std::begin(TUBES), std::end(TUBES)}, &counted);
  EXPECT_EQ(counted, int(first.size()));
  EXPECT_EQ(first.size(), 2u * 20 + 3u * 12);

  // Read back and written again: in memory ...
  std::vector<FrameTube> tubes(3);
  std::vector<FramePoint> points(2);
  {
    BodyReader in(first);
    for (FramePoint& p : points) ReadRecord20(p, in.f);
    for (FrameTube& t : tubes) ReadTubeRecord(t, in.f);
    EXPECT_EQ(in.f.readPastEnd, 0);
  }
  EXPECT_EQ(points[1].y, 0x7FFFFFFF);
  EXPECT_EQ(points[0].flags, 0x0102);
  EXPECT_EQ(points[0].spare, 9);
  EXPECT_EQ(tubes[0].massPerMetre, 12.5f);
  EXPECT_EQ(tubes[2].radius, 0.02f);
  DataFile again;
  ASSERT_EQ(again.BeginMemoryWrite(0, nullptr), nullptr);
  for (const FramePoint& p : points) WriteRecord20(p, again);
  for (FrameTube& t : tubes) WriteRecordB(t, again);
  EXPECT_EQ(again.size - DATA_FILE_HEADER_SIZE, int(first.size()));  // ... counted ...
  ASSERT_EQ(again.BeginMemoryWrite(1, nullptr), nullptr);
  for (const FramePoint& p : points) WriteRecord20(p, again);
  for (FrameTube& t : tubes) WriteRecordB(t, again);
  ASSERT_EQ(again.FinishMemoryWrite(), 1);
  EXPECT_EQ(std::vector<uint8_t>(again.buffer, again.end), first);
  std::free(again.buffer);

  // ... and into a file.
  const char* path = "frame_records_test.frm";
  DataFile file;
  ASSERT_EQ(file.OpenWrite(nullptr, path, "QXFRM_", 252), 1);
  for (const FramePoint& p : points) WriteRecord20(p, file);
  for (FrameTube& t : tubes) WriteRecordB(t, file);
  ASSERT_EQ(file.Close(), 1);
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(image.size(), DATA_FILE_HEADER_SIZE + first.size());
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + DATA_FILE_HEADER_SIZE, image.end()), first);
  std::filesystem::remove(path);
}

TEST(FrameRecords, ATubesSizeReadsWithinItsBoundsWhateverWasStored) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float stored, read;
  } const cases[] = {{12.0f, 12.0f}, {0.1f, 0.5f},  {100.0f, 40.0f},          {-3.0f, 0.5f},
                     {inf, 40.0f},   {-inf, 0.5f},  {std::nanf(""), 0.5f}};
  for (const Case& c : cases) {
    FrameTube t = {2, 3, c.stored, 0.0f, 0.0f, 0};
    BodyReader in(WrittenInMemory({t}));
    FramePoint p;
    ReadRecord20(p, in.f);
    ReadRecord20(p, in.f);
    FrameTube back;
    ReadTubeRecord(back, in.f);
    EXPECT_EQ(back.massPerMetre, c.read) << "stored " << c.stored;
  }
}

}  // namespace
