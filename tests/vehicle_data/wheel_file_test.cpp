// wheel_file_test.cpp - the wheel file: saved and loaded on the same vehicle and on one with
// another rim, written again to the same bytes, the versions it takes, and the files it must
// refuse without changing the vehicle (too old, a rim of no size, cut short or damaged).
#include <cmath>
#include <filesystem>
#include <limits>

#include "platform/files.h"
#include "render/gouraud_mesh.h"
#include "tests/vehicle_data/vehicle_test_util.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle_data/wheel_file.h"

namespace {

constexpr int ROAD_CAR = 0;
constexpr const char* PATH = "data\\whl\\test.whl";

// A sample vehicle's data, released at the end.
struct Sample {
  VehicleData data;
  explicit Sample(int row = ROAD_CAR) {
    InitVehicleData(data);
    BuildSampleVehicle(row, data);
  }
  ~Sample() { FreeVehicleData(data); }
  Sample(const Sample&) = delete;
};

std::vector<uint8_t> SpokeBytes(const VehicleData& d) { return ModelRecordBytes(d.spoke, 1, 0); }
std::vector<uint8_t> RimBytes(const VehicleData& d) {
  return MemoryWriteBody([&](DataFile& f) { WriteRim(*d.rim, f); });
}
std::vector<uint8_t> FileBytes(const char* path) {
  std::string bytes;
  EXPECT_EQ(FileReadAll(path, bytes, 1 << 20), 0);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
void WriteBytes(const char* path, const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(FileWriteAll(path, bytes.data(), bytes.size()), 0);
}

// A wheel body written by hand: the two dimensions, the bytes, a spoke record and a rim.
std::vector<uint8_t> RawWheel(int version, float halfWidth, float innerRadius, const RawRecord& spoke,
                              const RawRim& rim = RawRim{}, int spokes = 5, int rimByte = 1) {
  Bytes o;
  F32(o, halfWidth), F32(o, innerRadius);
  o.U8(spokes), o.U8(rimByte), o.U8(0), o.U8(0);
  EncodeRecord(o, spoke, version);
  EncodeRim(o, rim);
  return DataFileImage(WHEEL_FILE_MAGIC, o.b, version);
}

class WheelFile : public VehicleTest {
 protected:
  void SetUp() override {
    VehicleTest::SetUp();
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/whl");
  }
  // What a refused file must leave: everything the wheel file touches.
  struct Kept {
    std::vector<uint8_t> spoke, rim;
    uint8_t spokeCount, rimByte;
    explicit Kept(const VehicleData& d)
        : spoke(SpokeBytes(d)), rim(RimBytes(d)), spokeCount(d.spokeCount), rimByte(d.rimBytes[0]) {}
    void ExpectSame(const VehicleData& d) const {
      EXPECT_EQ(SpokeBytes(d), spoke);
      EXPECT_EQ(RimBytes(d), rim);
      EXPECT_EQ(d.spokeCount, spokeCount);
      EXPECT_EQ(d.rimBytes[0], rimByte);
    }
  };
};

TEST_F(WheelFile, SavedAndLoadedOnTheSameVehicleEverySpokePointStays) {
  Sample car;
  ASSERT_GT(car.data.spoke.pointCount, 0);
  const std::vector<ModelPoint> before(car.data.spoke.points, car.data.spoke.points + car.data.spoke.pointCount);
  const Kept kept(car.data);
  ASSERT_EQ(WriteWheelFile(car.data, nullptr, "test"), 1);

  // The body's head: the rear set's rim half width plus 5 mm and inner radius, the two bytes.
  const std::vector<uint8_t> file = FileBytes(PATH);
  ASSERT_GT(file.size(), 20u);
  EXPECT_EQ(std::memcmp(file.data(), "ZKTWHL", 6), 0);
  EXPECT_EQ(file[6], 0);
  EXPECT_EQ(file[7], 252);
  float a, b;
  std::memcpy(&a, &file[8], 4);
  std::memcpy(&b, &file[12], 4);
  const SuspensionBlock& rear = car.data.wheelSets[0];
  EXPECT_EQ(a, rear.rimWidth * 0.5f + 0.005f);
  EXPECT_EQ(b, rear.rimRadius - rear.rimInnerDepthMm * 0.001f);
  EXPECT_EQ(file[16], car.data.spokeCount);
  EXPECT_EQ(file[17], car.data.rimBytes[0]);
  EXPECT_EQ(file[18], 0);
  EXPECT_EQ(file[19], 0);

  car.data.spokeCount = 3;  // changed after saving: the file's count comes back
  ASSERT_EQ(ReadWheelFile(car.data, nullptr, "test"), 1);
  kept.ExpectSame(car.data);
  for (int i = 0; i < car.data.spoke.pointCount; ++i) {
    EXPECT_EQ(car.data.spoke.points[i].x, before[size_t(i)].x) << i;
    EXPECT_EQ(car.data.spoke.points[i].y, before[size_t(i)].y) << i;
    EXPECT_EQ(car.data.spoke.points[i].z, before[size_t(i)].z) << i;
  }
  EXPECT_STREQ(car.data.spoke.name, "spoke");
  for (int i = 5; i < MODEL_NAME_SIZE; ++i) EXPECT_EQ(car.data.spoke.name[i], 0) << "the name's field is clear to its end";
  EXPECT_EQ(car.data.spoke.lodDistances[0], 0x10000);
  EXPECT_TRUE(lines.empty());

  // Written again, the same bytes.
  ASSERT_EQ(WriteWheelFile(car.data, nullptr, "test"), 1);
  EXPECT_EQ(FileBytes(PATH), file);
}

TEST_F(WheelFile, AnotherRimScalesTheSpokeByTheRatioOfItsDimensions) {
  Sample from, to;
  from.data.wheelSets[0].rimWidth = 0.15f;
  ASSERT_EQ(WriteWheelFile(from.data, nullptr, "test"), 1);
  const ModelObject& spoke = from.data.spoke;

  // Another rim width alone: only x moves, by (0.5 w1 + 0.005) / (0.5 w0 + 0.005).
  to.data.wheelSets[0].rimWidth = 0.25f;
  ASSERT_EQ(ReadWheelFile(to.data, nullptr, "test"), 1);
  const float fx = (0.5f * 0.25f + 0.005f) / (0.5f * 0.15f + 0.005f);
  ASSERT_EQ(to.data.spoke.pointCount, spoke.pointCount);
  int moved = 0;
  for (int i = 0; i < spoke.pointCount; ++i) {
    const ModelPoint &p = to.data.spoke.points[i], &q = spoke.points[i];
    EXPECT_EQ(p.x, std::lround(float(q.x) * fx)) << i;
    EXPECT_EQ(p.y, q.y) << i;
    EXPECT_EQ(p.z, q.z) << i;
    moved += p.x != q.x;
  }
  EXPECT_GT(moved, 0);

  // Another inner radius: y and z by the ratio of the radii less the inner depths, x stays.
  Sample deeper;
  deeper.data.wheelSets[0].rimWidth = 0.15f;
  deeper.data.wheelSets[0].rimRadius = 0.25f;
  deeper.data.wheelSets[0].rimInnerDepthMm = 20;
  ASSERT_EQ(ReadWheelFile(deeper.data, nullptr, "test"), 1);
  const SuspensionBlock& rear = from.data.wheelSets[0];
  const float fr = (0.25f - 20 * 0.001f) / (rear.rimRadius - rear.rimInnerDepthMm * 0.001f);
  for (int i = 0; i < spoke.pointCount; ++i) {
    const ModelPoint &p = deeper.data.spoke.points[i], &q = spoke.points[i];
    EXPECT_EQ(p.x, q.x) << i;
    EXPECT_EQ(p.y, std::lround(float(q.y) * fr)) << i;
    EXPECT_EQ(p.z, std::lround(float(q.z) * fr)) << i;
  }
}

// The spoke count is held to 1..22 and the rim byte to 0..1, as the vehicle file holds them.
TEST_F(WheelFile, TheSpokeCountAndRimByteAreHeldToTheVehiclesRanges) {
  RawRecord spoke = OneTriangle();
  spoke.name = "spk";
  const struct {
    int spokes, rimByte, heldSpokes, heldRimByte;
  } cases[] = {{0, 5, 1, 1}, {23, 0, 22, 0}, {22, 1, 22, 1}, {1, 0, 1, 0}};
  for (const auto& c : cases) {
    Sample car;
    WriteBytes(PATH, RawWheel(252, 0.08f, 0.17f, spoke, RawRim{}, c.spokes, c.rimByte));
    ASSERT_EQ(ReadWheelFile(car.data, nullptr, "test"), 1) << c.spokes;
    EXPECT_EQ(car.data.spokeCount, c.heldSpokes) << c.spokes;
    EXPECT_EQ(car.data.rimBytes[0], c.heldRimByte) << c.rimByte;
  }
}

TEST_F(WheelFile, Version248ReadsLike252AndOlderFilesAreRefused) {
  RawRecord spoke = OneTriangle();
  spoke.name = "spk";
  spoke.options = 64;  // no smoothing-group words in the older record
  Sample at252, at248, at247;
  WriteBytes(PATH, RawWheel(252, 0.08f, 0.17f, spoke));
  ASSERT_EQ(ReadWheelFile(at252.data, nullptr, "test"), 1);
  WriteBytes(PATH, RawWheel(248, 0.08f, 0.17f, spoke));
  ASSERT_EQ(ReadWheelFile(at248.data, nullptr, "test"), 1);
  EXPECT_EQ(SpokeBytes(at248.data), SpokeBytes(at252.data));
  EXPECT_EQ(RimBytes(at248.data), RimBytes(at252.data));
  EXPECT_EQ(at248.data.spokeCount, 5);
  EXPECT_EQ(at248.data.rimBytes[0], 1);
  EXPECT_TRUE(lines.empty());

  const Kept kept(at247.data);
  WriteBytes(PATH, RawWheel(247, 0.08f, 0.17f, spoke));
  EXPECT_EQ(ReadWheelFile(at247.data, nullptr, "test"), 0);
  kept.ExpectSame(at247.data);
  EXPECT_TRUE(HasLine("File is obsolete : ^Ldata/whl/test.whl")) << (lines.empty() ? "" : lines[0]);

  // A later version, a foreign file and a missing one are the data file's refusals.
  for (const std::vector<uint8_t>& image :
       {RawWheel(253, 0.08f, 0.17f, spoke), DataFileImage("QXVEHI", {1, 2, 3}, 252)}) {
    WriteBytes(PATH, image);
    EXPECT_EQ(ReadWheelFile(at247.data, nullptr, "test"), 0);
    kept.ExpectSame(at247.data);
  }
  EXPECT_EQ(ReadWheelFile(at247.data, nullptr, "missing"), 0);
  EXPECT_EQ(ReadWheelFile(at247.data, nullptr, "..\\test"), 0) << "a name that would leave the folder";
  kept.ExpectSame(at247.data);
}

TEST_F(WheelFile, ARimOfNoSizeIsRefusedAsUnusable) {
  const RawRecord spoke = OneTriangle();
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const std::pair<float, float> rims[] = {{0, 0.17f}, {-0.1f, 0.17f}, {nan, 0.17f}, {inf, 0.17f},
                                          {0.08f, 0},  {0.08f, -1},    {0.08f, nan}, {0.08f, inf}};
  Sample car;
  const Kept kept(car.data);
  for (auto [halfWidth, innerRadius] : rims) {
    SCOPED_TRACE(std::to_string(halfWidth) + " " + std::to_string(innerRadius));
    lines.clear();
    WriteBytes(PATH, RawWheel(252, halfWidth, innerRadius, spoke));
    EXPECT_EQ(ReadWheelFile(car.data, nullptr, "test"), 0);
    kept.ExpectSame(car.data);
    EXPECT_TRUE(HasLine("File is obsolete : ^Ldata/whl/test.whl"));
  }
}

TEST_F(WheelFile, ACutOrDamagedFileChangesNothing) {
  Sample saved;
  saved.data.spokeCount = 7;
  ASSERT_EQ(WriteWheelFile(saved.data, nullptr, "test"), 1);
  const std::vector<uint8_t> whole = FileBytes(PATH);

  RawRecord spoke = OneTriangle();
  spoke.triangles[0].c = 9;  // a corner beyond the points
  RawRim badRim;
  badRim.surfaces[1][0] = 3;  // a surface from a point the rim lacks
  const std::vector<std::vector<uint8_t>> damaged = {RawWheel(252, 0.08f, 0.17f, spoke),
                                                     RawWheel(252, 0.08f, 0.17f, OneTriangle(), badRim)};

  Sample car;
  const Kept kept(car.data);
  for (size_t length = 9; length < whole.size(); length += length < 40 ? 1 : 23) {
    SCOPED_TRACE(length);
    lines.clear();
    WriteBytes(PATH, std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
    EXPECT_EQ(ReadWheelFile(car.data, nullptr, "test"), 0);
    kept.ExpectSame(car.data);
    EXPECT_FALSE(lines.empty()) << "a cut file is reported";
  }
  for (const std::vector<uint8_t>& image : damaged) {
    lines.clear();
    WriteBytes(PATH, image);
    EXPECT_EQ(ReadWheelFile(car.data, nullptr, "test"), 0);
    kept.ExpectSame(car.data);
    EXPECT_TRUE(HasLine("File is damaged : ^Ldata/whl/test.whl"));
  }
}

TEST_F(WheelFile, TheWheelMeshesAreReleasedAfterLoading) {
  Sample car;
  ASSERT_EQ(WriteWheelFile(car.data, nullptr, "test"), 1);
  const auto newMesh = [] {
    GouraudO3d* mesh = new GouraudO3d;
    mesh->Init();
    return mesh;
  };
  for (SuspensionBlock& set : car.data.wheelSets) {
    set.spokeMesh = newMesh();
    set.rimMesh = newMesh();
  }
  ASSERT_EQ(ReadWheelFile(car.data, nullptr, "test"), 1);
  for (const SuspensionBlock& set : car.data.wheelSets) {
    EXPECT_EQ(set.spokeMesh, nullptr);
    EXPECT_EQ(set.rimMesh, nullptr);
  }
  // A refused file leaves them.
  GouraudO3d* mesh = newMesh();
  car.data.wheelSets[0].spokeMesh = mesh;
  EXPECT_EQ(ReadWheelFile(car.data, nullptr, "missing"), 0);
  EXPECT_EQ(car.data.wheelSets[0].spokeMesh, mesh);
  DeleteDrawMesh(mesh);
  car.data.wheelSets[0].spokeMesh = nullptr;
}

TEST_F(WheelFile, TheCountingPassMeasuresTheBody) {
  Sample car;
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { WriteWheelBody(car.data, f); });
  ASSERT_EQ(WriteWheelFile(car.data, nullptr, "test"), 1);
  const std::vector<uint8_t> file = FileBytes(PATH);
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 8, file.end()), body);
  EXPECT_EQ(body.size(), 12 + SpokeBytes(car.data).size() + RimBytes(car.data).size());
}

}  // namespace
