// graph_data_test.cpp - a graph's points written and read back in the data-file container.
#include "core/graph_data.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "core/data_file.h"

using Bytes = std::vector<uint8_t>;

namespace {

void Fill(GraphData& graph, const std::vector<GraphPoint>& points) {
  graph.Free();
  graph.numPoints = static_cast<int32_t>(points.size());
  graph.points = points.empty() ? nullptr : new GraphPoint[points.size()];
  for (size_t i = 0; i < points.size(); ++i) graph.points[i] = points[i];
}

// A body read back through a whole file image in memory; -1 when the image would not open.
struct Reader {
  Bytes image;
  DataFile file{};
  int Read(const Bytes& body, GraphData& graph, int maxPoints) {
    image = DataFileImage("ZKTTST", body, 252);
    int32_t version = 0;
    if (!file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTTST", &version, 252)) return -1;
    return ReadGraphPoints(graph, file, maxPoints);
  }
  ~Reader() { file.Close(); }
};

void PutInt(Bytes& out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

}  // namespace

// Every bit of each float survives: signed zero and a NaN payload included, in memory, in the
// count pass and in a file, and a second write of what was read gives the same bytes.
TEST(GraphPoints, WrittenPointsReadBackAndWriteAgainToTheSameBytes) {
  const float nan = std::bit_cast<float>(0x7FC01234u);
  GraphData graph;
  Fill(graph, {{0.0f, 4.0f}, {4.0f, 4.0f}, {-0.0f, 1e-30f}, {nan, -3.25f}});
  const Bytes body = MemoryWriteBody([&](DataFile& f) { WriteGraphPoints(graph, f); });
  Bytes expected;
  PutInt(expected, 4);
  for (int i = 0; i < 4; ++i) {
    PutInt(expected, std::bit_cast<uint32_t>(graph.points[i].x));
    PutInt(expected, std::bit_cast<uint32_t>(graph.points[i].y));
  }
  ASSERT_EQ(body, expected) << "a 32-bit count, then x and y of each point, little-endian";

  GraphData back;
  {
    Reader reader;
    ASSERT_EQ(reader.Read(body, back, 80), 1);
    EXPECT_EQ(reader.file.BytesLeft(), 0);
  }
  ASSERT_EQ(back.numPoints, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::bit_cast<uint32_t>(back.points[i].x), std::bit_cast<uint32_t>(graph.points[i].x)) << i;
    EXPECT_EQ(std::bit_cast<uint32_t>(back.points[i].y), std::bit_cast<uint32_t>(graph.points[i].y)) << i;
  }
  EXPECT_EQ(MemoryWriteBody([&](DataFile& f) { WriteGraphPoints(back, f); }), body);

  // The file mode writes the same body after the header.
  const std::filesystem::path path = "graph_data_test.bin";
  DataFile out{};
  ASSERT_EQ(out.OpenWrite(nullptr, path.string().c_str(), "ZKTTST", 252), 1);
  WriteGraphPoints(back, out);
  ASSERT_EQ(out.Close(), 1);
  std::ifstream in(path, std::ios::binary);
  const Bytes written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(written, DataFileImage("ZKTTST", body, 252));
  std::filesystem::remove(path);
  back.Free();
  graph.Free();
}

TEST(GraphPoints, AnEmptyGraphIsACountOfZeroAndReadsBackEmpty) {
  GraphData empty;
  const Bytes body = MemoryWriteBody([&](DataFile& f) { WriteGraphPoints(empty, f); });
  EXPECT_EQ(body, (Bytes{0, 0, 0, 0}));
  GraphData back;
  Fill(back, {{1.0f, 2.0f}});
  Reader reader;
  ASSERT_EQ(reader.Read(body, back, 80), 1);
  EXPECT_EQ(back.numPoints, 0);
  EXPECT_EQ(back.points, nullptr) << "the old points are released";
}

// Counts the reader cannot trust leave the graph empty and the record marked short.
TEST(GraphPoints, ACountBeyondTheLimitOrTheBytesLeftIsRefused) {
  GraphData graph;
  Fill(graph, {{1.0f, 1.0f}, {2.0f, 2.0f}, {3.0f, 3.0f}});
  const Bytes body = MemoryWriteBody([&](DataFile& f) { WriteGraphPoints(graph, f); });
  GraphData back;
  Fill(back, {{9.0f, 9.0f}});  // points of an earlier read go even when this one is refused
  {
    Reader reader;
    EXPECT_EQ(reader.Read(body, back, 2), 0) << "three points where two are allowed";
    EXPECT_EQ(back.numPoints, 0);
    EXPECT_EQ(back.points, nullptr);
    EXPECT_TRUE(reader.file.readPastEnd);
  }
  for (size_t cut = 1; cut < body.size(); ++cut) {
    Reader reader;
    EXPECT_EQ(reader.Read(Bytes(body.begin(), body.begin() + long(cut)), back, 80), 0) << cut;
    EXPECT_EQ(back.numPoints, 0) << cut;
  }
  Bytes negative;
  PutInt(negative, 0xFFFFFFFFu);
  Reader reader;
  EXPECT_EQ(reader.Read(negative, back, std::numeric_limits<int>::max()), 0) << "a negative count";
  EXPECT_EQ(back.numPoints, 0);
  graph.Free();
}
