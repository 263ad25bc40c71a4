// trackside_objects_test.cpp - cameras, marshals, spectators, start grids and turbines: their
// records in both forms through the object stream, their limits and bounds, a curved grid's
// places against a double-precision cubic, and a turbine's merged sphere.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>

#include "core/frame_globals.h"
#include "render/humans.h"
#include "tools/track_writer/track_writer.h"
#include "world/figures.h"
#include "world/fixed_cam.h"
#include "world/flag.h"
#include "world/pit.h"
#include "world/pre_gen.h"
#include "world/start_grid.h"
#include "world/turbine.h"
#include "world_test_util.h"

namespace {

// One object of a type through the stream: its new header at (x, y), then its record.
template <class Record>
FixedOb* ReadObject(uint8_t type, Record record, int32_t x = 0, int32_t y = 0) {
  WrittenStream s([&](DataFile& f) {
    WriteNewObjectHeader(f, type, 0, 0, 0, 0xFFFFFFFFu, x, y);
    record(f);
  });
  int result = -1;
  FixedOb* o = CreateWorldObject(s.file, 252, &result);
  EXPECT_EQ(result, CREATE_OBJECT_OK);
  EXPECT_EQ(s.file.BytesLeft(), 0) << "the whole record is read";
  return o;
}

struct Deleter {
  void operator()(FixedOb* o) const { DeleteWorldObject(o); }
};
using Owned = std::unique_ptr<FixedOb, Deleter>;

TEST(TracksideObjects, CameraRecordsAndLimits) {
  // A new kind-0 camera with P = 50 is held to 30.
  TrackCamera c;
  c.p = 50;
  c.r = 0.1f;
  Owned o(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, c); }, 5 << 16, 6 << 16));
  auto* cam = static_cast<FixedCam*>(o.get());
  cam->Setup();
  EXPECT_EQ(cam->p, 30.0f);
  EXPECT_FLOAT_EQ(cam->r, 0.34906587f) << "R at least 20 degrees";
  // An old camera of kind bits 0x04 is kind 3, converts P and R, and skips 12 bytes.
  TrackCamera old;
  old.kind = 4;
  old.format = 0;
  old.p = 1.0f;
  old.q = 5;
  old.r = 0.5f;
  old.s = 8;
  old.height = 3;
  Owned o2(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, old); }));
  auto* cam2 = static_cast<FixedCam*>(o2.get());
  EXPECT_EQ(cam2->kind, 3);
  EXPECT_FLOAT_EQ(cam2->p, 2 * std::atan(0.5f));
  EXPECT_FLOAT_EQ(cam2->r, 2 * std::atan(0.25f));
  cam2->Setup();
  EXPECT_EQ(cam2->q, 9.0f) << "Q at least S + 1";
  EXPECT_EQ(cam2->centre.z, 3 << 16);
  // An old kind-0 camera: P x 15, R 30 degrees.
  TrackCamera old0;
  old0.format = 0;
  old0.p = 1.5f;
  Owned o3(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, old0); }));
  EXPECT_FLOAT_EQ(static_cast<FixedCam*>(o3.get())->p, 22.5f);
  // A value that is not finite keeps its default.
  TrackCamera bad;
  bad.p = std::numeric_limits<float>::quiet_NaN();
  bad.height = std::numeric_limits<float>::infinity();
  Owned o4(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, bad); }));
  auto* cam4 = static_cast<FixedCam*>(o4.get());
  EXPECT_EQ(cam4->p, 15.0f);
  EXPECT_EQ(cam4->height, 0.0f);
  cam4->Setup();
  EXPECT_EQ(cam4->centre.z, 0);
}

// An old camera's kind bits: bit 0 makes kind 1, else bit 1 kind 2, else bit 2 kind 3; both
// kinds 1 and 2 take P as a width ratio, an angle of 2 atan(P / 2).  A value that is not
// finite is named with debug messages on, and silently kept at its default with them off.
TEST(TracksideObjects, OldCameraKindBitsAndDamagedValuesNamed) {
  const int table[][2] = {{1, 1}, {3, 1}, {2, 2}, {6, 2}};
  for (const auto& row : table) {
    SCOPED_TRACE(row[0]);
    TrackCamera old;
    old.kind = uint8_t(row[0]);
    old.format = 0;
    old.p = 1.0f;
    Owned o(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, old); }));
    auto* cam = static_cast<FixedCam*>(o.get());
    EXPECT_EQ(cam->kind, row[1]);
    EXPECT_FLOAT_EQ(cam->p, 2 * std::atan(0.5f));
  }
  TrackCamera bad;
  bad.p = std::numeric_limits<float>::quiet_NaN();
  bad.heading = -std::numeric_limits<float>::infinity();
  const int level = CfgDebugLevel;
  for (int debug : {1, 0}) {
    CfgDebugLevel = debug;
    CaughtLines caught;
    Owned o(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, bad); }));
    EXPECT_EQ(caught.Count("Camera - bad value P"), debug);
    EXPECT_EQ(caught.Count("Camera - bad heading"), debug);
    EXPECT_EQ(caught.Count("Camera - bad"), 2 * debug);
  }
  CfgDebugLevel = level;
}

// Each kind holds its angles within its limits: kind 0 P 2..30 and R 20..60 degrees, kind 1 P
// 5..120 degrees, kind 2 P 5..90 degrees (R free in both), the others P and R 5..90 degrees.
TEST(TracksideObjects, EachCameraKindHoldsItsAnglesWithinItsLimits) {
  const double deg = 3.14159265358979 / 180;
  struct Case {
    uint8_t kind;
    float p, r;
    double wantP, wantR;
  };
  const Case cases[] = {
      {0, 1.0f, 2.0f, 2.0, 60 * deg},        {0, 31.0f, 0.1f, 30.0, 20 * deg},
      {1, 0.01f, 3.0f, 5 * deg, 3.0},        {1, 3.0f, 0.01f, 120 * deg, 0.01},
      {2, 0.01f, 3.0f, 5 * deg, 3.0},        {2, 2.0f, 0.01f, 90 * deg, 0.01},
      {3, 0.01f, 2.0f, 5 * deg, 90 * deg},   {3, 2.0f, 0.01f, 90 * deg, 5 * deg},
  };
  Owned o(ReadObject(OBJECT_CAMERA, [&](DataFile& f) { WriteCameraRecord(f, TrackCamera{}); }));
  auto* cam = static_cast<FixedCam*>(o.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " P " << c.p << " R " << c.r);
    cam->kind = c.kind;
    cam->p = c.p;
    cam->r = c.r;
    cam->Setup();
    EXPECT_NEAR(cam->p, c.wantP, 1e-6);
    EXPECT_NEAR(cam->r, c.wantR, 1e-6);
  }
}

TEST(TracksideObjects, CameraOcclusion) {
  FixedCam cam({});
  {
    WrittenStream s([](DataFile& f) { WriteCameraOcclusion(f, {3, 9, 12}); });
    EXPECT_EQ(cam.ReadOcclusion(s.file), 1);
    EXPECT_EQ(cam.occlusionCount, 3);
    EXPECT_EQ(cam.occlusion[2], 12);
    EXPECT_EQ(s.file.BytesLeft(), 0) << "the padding entry is read";
  }
  {
    // Two entries and no padding; one entry and its padding entry; then an empty list, which
    // is read as no list.
    WrittenStream s([](DataFile& f) {
      WriteCameraOcclusion(f, {4, 5});
      WriteCameraOcclusion(f, {7});
      WriteCameraOcclusion(f, {});
    });
    EXPECT_EQ(cam.ReadOcclusion(s.file), 1);
    EXPECT_EQ(cam.occlusionCount, 2);
    ASSERT_NE(cam.occlusion, nullptr);
    EXPECT_EQ(cam.occlusion[1], 5);
    EXPECT_EQ(s.file.BytesLeft(), 4 + 4 + 4) << "the next list's count, its two entries and the last count";
    EXPECT_EQ(cam.ReadOcclusion(s.file), 1);
    EXPECT_EQ(cam.occlusionCount, 1);
    ASSERT_NE(cam.occlusion, nullptr);
    EXPECT_EQ(cam.occlusion[0], 7);
    EXPECT_EQ(s.file.BytesLeft(), 4) << "two entries of two bytes read";
    EXPECT_EQ(cam.ReadOcclusion(s.file), 1);
    EXPECT_EQ(cam.occlusionCount, 0);
    EXPECT_EQ(cam.occlusion, nullptr);
    EXPECT_EQ(s.file.BytesLeft(), 0);
  }
  for (int32_t bad : {-2, 5000}) {
    WrittenStream s([&](DataFile& f) { WriteCameraOcclusion(f, {1, 2}, bad); });
    EXPECT_EQ(cam.ReadOcclusion(s.file), 0) << bad;
    EXPECT_EQ(cam.occlusion, nullptr);
  }
  // The world frees every camera's list.
  CWld = new Wld;
  auto* c = static_cast<FixedCam*>(MakeCamera({}));
  WrittenStream s([](DataFile& f) { WriteCameraOcclusion(f, {7}); });
  c->ReadOcclusion(s.file);
  CWld->AddObjectToTable(c);
  CWld->FreeCameraOcclusion();
  EXPECT_EQ(c->occlusion, nullptr);
  DeleteWorld();
}

TEST(TracksideObjects, MarshalAndSpectators) {
  InitSinCosTables();
  Owned m(ReadObject(OBJECT_MARSHAL, [](DataFile& f) { WriteMarshalRecord(f, 3, 0.5f, 2.0f); }, 10 << 16, 20 << 16));
  m->Setup();
  EXPECT_EQ(m->centre.z, 3 << 16) << "1 m above its height";
  EXPECT_EQ(m->halfSize.x, 65536);
  EXPECT_EQ(m->halfSize.z, 65536);
  EXPECT_EQ(m->radius, 92682);
  TrackSpectators g;
  g.width = 6;
  g.low = 1;
  g.high = 3;
  Owned s(ReadObject(OBJECT_SPECTATOR, [&](DataFile& f) { WriteSpectatorRecord(f, g); }));
  s->Setup();
  // w = 3.5, h = 2: heading 0 gives the width along x and a metre along y.
  EXPECT_EQ(s->centre.z, 3 << 16);
  EXPECT_EQ(s->halfSize.x, int32_t(3.5 * 65536));
  EXPECT_EQ(s->halfSize.y, 65536);
  EXPECT_EQ(s->halfSize.z, 2 << 16);
  EXPECT_NEAR(s->radius, std::sqrt(3.5 * 3.5 + 4) * 65536, 1);
}

TEST(TracksideObjects, StartGridRecords) {
  // An old grid (first number 0) of 4 columns and width 12: spacing 4.
  TrackStartGrid old;
  old.firstNumber = 0;
  old.columns = 4;
  old.columnSpacing = 12;
  Owned o(ReadObject(OBJECT_START_GRID, [&](DataFile& f) { WriteStartGridRecord(f, old); }));
  auto* grid = static_cast<WStartGrid*>(o.get());
  EXPECT_EQ(grid->firstNumber, 1);
  EXPECT_EQ(grid->columnSpacing, 4.0f);
  // Three columns, the fewest whose width is split: 10 m across two gaps is 5 m.
  old.columns = 3;
  old.columnSpacing = 10;
  Owned o3(ReadObject(OBJECT_START_GRID, [&](DataFile& f) { WriteStartGridRecord(f, old); }));
  EXPECT_EQ(static_cast<WStartGrid*>(o3.get())->columnSpacing, 5.0f);
  // A curved record carries its end point; a NaN heading keeps 0.
  TrackStartGrid curved;
  curved.flags = START_GRID_CURVED;
  curved.endPoint[0] = 7;
  curved.endHeading = 0.5f;
  curved.heading = std::numeric_limits<float>::quiet_NaN();
  Owned o2(ReadObject(OBJECT_START_GRID, [&](DataFile& f) { WriteStartGridRecord(f, curved); }));
  auto* g2 = static_cast<WStartGrid*>(o2.get());
  EXPECT_EQ(g2->endPoint[0], 7);
  EXPECT_EQ(g2->endHeading, 0.5f);
  EXPECT_EQ(g2->heading, 0.0f);
  // The grid's sphere stands on its anchor at its height and reaches half its width across and
  // its rows and stagger back: 3 columns 4 m apart (4 m across), 5 rows 8 m apart with a stagger
  // of 2 m (32 + 4 m along).
  WStartGrid g({1 << 16, 2 << 16, 0});
  g.columns = 3;
  g.rows = 5;
  g.columnSpacing = 4;
  g.rowSpacing = 8;
  g.stagger = 2;
  g.height = 1.5f;
  g.Setup();
  EXPECT_EQ(g.centre.x, 1 << 16);
  EXPECT_EQ(g.centre.y, 2 << 16);
  EXPECT_EQ(g.centre.z, int32_t(1.5 * 65536));
  EXPECT_EQ(g.radius, int32_t(std::lround(std::sqrt(4.0 * 4.0 + 36.0 * 36.0) * 65536)));
}

TEST(TracksideObjects, CurvedGridFollowsItsCubic) {
  // Two straight rows, then a bend of 90 degrees to the left over about 60 m.
  WStartGrid grid({100 << 16, 50 << 16, 0});
  grid.gridFlags = START_GRID_CURVED;
  grid.columns = 2;
  grid.rows = 8;
  grid.straightRows = 2;
  grid.rowSpacing = 8;
  grid.columnSpacing = 6;
  grid.stagger = 4;
  grid.heading = 0.3f;
  grid.endHeading = 0.3f + 1.5707963f;
  grid.endPoint[0] = (100 - 50) << 16;
  grid.endPoint[1] = (50 - 60) << 16;
  grid.Setup();
  // The test's cubic in double precision from the same ends.
  const double h = grid.heading, sx = 100 + 16 * std::sin(h), sy = 50 - 16 * std::cos(h);
  const double ex = grid.endPoint[0] / 65536.0, ey = grid.endPoint[1] / 65536.0;
  const double L = std::hypot(ex - sx, ey - sy);
  const double c[2] = {-std::sin(double(grid.endHeading)) * L, std::cos(double(grid.endHeading)) * L};
  const double m[2] = {-std::sin(h) * L, std::cos(h) * L};
  const double d0[2] = {ex, ey}, p1[2] = {sx, sy};
  double a[2], b[2];
  for (int k = 0; k < 2; ++k) {
    a[k] = c[k] + m[k] + 2 * (d0[k] - p1[k]);
    b[k] = 3 * (p1[k] - d0[k]) - 2 * c[k] - m[k];
  }
  for (int slot = 4; slot < 16; ++slot) {
    const int row = slot / 2, column = slot % 2;
    const double lateral = 6.0 * column - 3.0;
    const double back = -((row - 2) * 8.0) - 4.0 * column;
    const double t = (L + back) / L;
    const double x = ((a[0] * t + b[0]) * t + c[0]) * t + d0[0], y = ((a[1] * t + b[1]) * t + c[1]) * t + d0[1];
    const double tx = (3 * a[0] * t + 2 * b[0]) * t + c[0], ty = (3 * a[1] * t + 2 * b[1]) * t + c[1];
    const double heading = std::atan2(-tx, ty);
    IntVector at;
    float got;
    grid.GetSlotPlacement(slot, at, got);
    EXPECT_NEAR(at.x / 65536.0, x + std::cos(heading) * lateral, 0.01) << slot;
    EXPECT_NEAR(at.y / 65536.0, y + std::sin(heading) * lateral, 0.01) << slot;
    EXPECT_NEAR(got, heading, 0.001) << slot;
  }
  // Rows more than twice the curve's length back stand where it is at t = -1, as far back again.
  for (int slot : {60, 80}) {
    const double t = -1, lateral = -3.0;
    const double x = ((a[0] * t + b[0]) * t + c[0]) * t + d0[0], y = ((a[1] * t + b[1]) * t + c[1]) * t + d0[1];
    const double tx = (3 * a[0] * t + 2 * b[0]) * t + c[0], ty = (3 * a[1] * t + 2 * b[1]) * t + c[1];
    const double heading = std::atan2(-tx, ty);
    IntVector at;
    float got;
    grid.GetSlotPlacement(slot, at, got);
    EXPECT_NEAR(at.x / 65536.0, x + std::cos(heading) * lateral, 0.01) << slot;
    EXPECT_NEAR(at.y / 65536.0, y + std::sin(heading) * lateral, 0.01) << slot;
    EXPECT_NEAR(got, heading, 0.001) << slot;
  }
  // The straight rows stand behind the anchor along the heading.
  IntVector at;
  float heading;
  // A stagger forward puts the first curved row's second place ahead of the curve's start:
  // it stands at the start itself (t = 1), turned the start's way.
  grid.stagger = -4;
  grid.GetSlotPlacement(5, at, heading);
  EXPECT_NEAR(at.x / 65536.0, sx + 3 * std::cos(h), 1e-4);
  EXPECT_NEAR(at.y / 65536.0, sy + 3 * std::sin(h), 1e-4);
  EXPECT_NEAR(heading, h, 1e-4);
  grid.stagger = 4;
  grid.GetSlotPlacement(3, at, heading);
  EXPECT_NEAR(at.x / 65536.0, 100 + 8 * std::sin(0.3) + 4 * std::sin(0.3) + 3 * std::cos(0.3), 1e-3);
  EXPECT_EQ(heading, 0.3f);
  // A curve of length 0 places its rows straight.
  grid.endPoint[0] = grid.startPoint[0];
  grid.endPoint[1] = grid.startPoint[1];
  grid.Setup();
  grid.GetSlotPlacement(8, at, heading);
  EXPECT_EQ(heading, 0.3f);
  EXPECT_NEAR(at.y / 65536.0, 50 - 32 * std::cos(0.3) - 3 * std::sin(0.3), 1e-3);
  // A grid of no columns stands in one: every slot on the line through the anchor.
  grid.columns = 0;
  for (int slot = 1; slot < 4; ++slot) {
    grid.GetSlotPlacement(slot, at, heading);
    const double across = (at.x / 65536.0 - 100) * std::cos(0.3) + (at.y / 65536.0 - 50) * std::sin(0.3);
    EXPECT_NEAR(across, 0.0, 1e-3) << slot;
  }
}

// A straight grid of 3 columns 4 m apart and 2 rows 8 m apart, staggered 1 m a column, first
// number 2 (slots 1 to 6), at (10 m, 20 m) heading 0.5 rad: forward is (-sin h, cos h) and
// right (cos h, sin h); a place stands back along forward by row x 8 + column x 1 m and across
// by column x 4 - 4 m (mirrored: the other side).  A slot already used is kept as it was.
TEST(TracksideObjects, StraightGridPlacesFillTheirSlotsAndMirrorAcross) {
  WStartGrid g({10 << 16, 20 << 16, 0});
  g.firstNumber = 2;
  g.columns = 3;
  g.rows = 2;
  g.columnSpacing = 4;
  g.rowSpacing = 8;
  g.stagger = 1;
  g.heading = 0.5f;
  g.height = 0.25f;
  g.Setup();
  const double h = 0.5;
  // The straight grid ends its rows x spacing = 16 m back along the heading.
  EXPECT_NEAR(g.endPoint[0] / 65536.0, 10 + 16 * std::sin(h), 1e-4);
  EXPECT_NEAR(g.endPoint[1] / 65536.0, 20 - 16 * std::cos(h), 1e-4);
  EXPECT_EQ(g.startPoint[0], 10 << 16);
  EXPECT_EQ(g.startPoint[1], 20 << 16);
  EXPECT_EQ(g.endHeading, 0.5f);
  EXPECT_NEAR(g.curveLength, 16 << 16, 2);
  EXPECT_NEAR(g.forward[0], -std::sin(h) * 65536, 1);
  EXPECT_NEAR(g.forward[1], std::cos(h) * 65536, 1);

  for (int mirrored = 0; mirrored < 2; ++mirrored) {
    SCOPED_TRACE(mirrored ? "mirrored" : "plain");
    g.gridFlags = mirrored ? START_GRID_MIRRORED : 0;
    StartPosition table[WORLD_START_POSITIONS] = {};
    table[3].used = 1;
    table[3].position = {1, 2, 3};
    g.FillStartPositions(table);
    EXPECT_EQ(table[0].used, 0);
    EXPECT_EQ(table[7].used, 0);
    EXPECT_EQ(table[3].position.x, 1) << "a used slot is kept";
    EXPECT_EQ(table[3].overrideByte, 0);
    for (int slot : {1, 2, 4, 5, 6}) {
      SCOPED_TRACE(slot);
      const StartPosition& p = table[slot];
      EXPECT_EQ(p.used, 1);
      EXPECT_EQ(p.fixedHeading, 1);
      EXPECT_EQ(p.overrideByte, 1);
      EXPECT_EQ(p.marked, 0) << "no marks flag";
      const int row = (slot - 1) / 3, column = (slot - 1) % 3;
      const double back = -(row * 8.0) - column * 1.0, across = (column * 4.0 - 4.0) * (mirrored ? -1 : 1);
      EXPECT_NEAR(p.position.x / 65536.0, 10 - std::sin(h) * back + std::cos(h) * across, 1e-3);
      EXPECT_NEAR(p.position.y / 65536.0, 20 + std::cos(h) * back + std::sin(h) * across, 1e-3);
      EXPECT_EQ(p.position.z, 16384);
      EXPECT_EQ(p.heading, 0.5f);
    }
  }
  // A grid with the marks flag marks every place it fills.
  {
    g.gridFlags = START_GRID_MARKS;
    StartPosition table[WORLD_START_POSITIONS] = {};
    g.FillStartPositions(table);
    for (int slot : {1, 6}) EXPECT_EQ(table[slot].marked, 1) << slot;
    EXPECT_EQ(table[0].marked, 0);
    g.gridFlags = 0;
  }
  // The last place the table holds is slot 47: a grid numbered from 47 fills 46 and 47 only.
  g.firstNumber = 47;
  StartPosition table[WORLD_START_POSITIONS] = {};
  g.FillStartPositions(table);
  EXPECT_EQ(table[45].used, 0);
  EXPECT_EQ(table[46].used, 1);
  EXPECT_EQ(table[47].used, 1);
  // Spacings of part metres are kept to the part: rows 7.5 m apart, staggered 0.75 m a column,
  // columns 2.5 m apart.  Slot 5 (row 1, column 1) stands back 7.5 + 0.75 = 8.25 m along the
  // heading and across 2.5 - 2.5 = 0 m; slot 6 (row 1, column 2) back 7.5 + 1.5 = 9 m and
  // across 5 - 2.5 = 2.5 m.
  g.firstNumber = 2;
  g.gridFlags = 0;
  g.rowSpacing = 7.5f;
  g.stagger = 0.75f;
  g.columnSpacing = 2.5f;
  IntVector at;
  float heading;
  g.GetSlotPlacement(5, at, heading);
  EXPECT_NEAR(at.x / 65536.0, 10 + std::sin(h) * 8.25, 1e-3);
  EXPECT_NEAR(at.y / 65536.0, 20 - std::cos(h) * 8.25, 1e-3);
  g.GetSlotPlacement(6, at, heading);
  EXPECT_NEAR(at.x / 65536.0, 10 + std::sin(h) * 9 + std::cos(h) * 2.5, 1e-3);
  EXPECT_NEAR(at.y / 65536.0, 20 - std::cos(h) * 9 + std::sin(h) * 2.5, 1e-3);
}

// A damaged float in a grid record keeps its default, and with debug messages on says which.
TEST(TracksideObjects, AStartGridsDamagedFloatIsNamedWithDebugMessagesOn) {
  TrackStartGrid bad;
  bad.rowSpacing = std::numeric_limits<float>::quiet_NaN();
  const int level = CfgDebugLevel;
  CfgDebugLevel = 1;
  {
    CaughtLines caught;
    Owned o(ReadObject(OBJECT_START_GRID, [&](DataFile& f) { WriteStartGridRecord(f, bad); }));
    EXPECT_EQ(caught.Count("Start grid - bad row spacing"), 1);
    EXPECT_TRUE(std::isfinite(static_cast<WStartGrid*>(o.get())->rowSpacing));
  }
  CfgDebugLevel = 0;
  {
    CaughtLines caught;
    Owned o(ReadObject(OBJECT_START_GRID, [&](DataFile& f) { WriteStartGridRecord(f, bad); }));
    EXPECT_EQ(caught.Count("Start grid"), 0);
  }
  CfgDebugLevel = level;
}

// Three mesh slots of skeletons 10, 11 and 12, made when the first figure looks for them.  A
// marshal takes the slot of its model word's skeleton, the first slot when no slot has it.  A group 3.4 m wide has three figures (one a
// whole metre, rounded), on the slots from word A round: -4, -3, -2 are slots 2, 0 and 1.
// Turned a quarter, the row runs along y: shares 1/6, 1/2, 5/6 of the width from the left
// end, (share - 1/2) x 3.4 m across, rising from 1 m to 4 m as the shares go.
static int g_slotsMade = 0;
static void MakeThreeSlots() {
  ++g_slotsMade;
  AllocateHumanSlots(3);
  for (int s = 0; s < 3; ++s) {
    HumanMeshes.slots[s].flags = 1;
    HumanMeshes.slots[s].skeletonIndex = uint32_t(10 + s);
  }
  HumanMeshes.built = 1;
}

TEST(TracksideObjects, FiguresTakeTheirSlotsAndStandInARowAcrossTheHeading) {
  InitSinCosTables();
  g_slotsMade = 0;
  MakeHumanFigures = MakeThreeSlots;
  {
    Owned m(new WMarshal({0, 0, 0}));
    auto* marshal = static_cast<WMarshal*>(m.get());
    marshal->model = 11;
    marshal->AttachFigure();
    EXPECT_EQ(g_slotsMade, 1) << "the first figure looked for makes them";
    ASSERT_NE(marshal->figure, nullptr);
    EXPECT_EQ(marshal->figure->meshSet, &HumanMeshes.slots[1]);
    Owned other(new WMarshal({0, 0, 0}));
    auto* unknown = static_cast<WMarshal*>(other.get());
    unknown->model = 99;
    unknown->AttachFigure();
    ASSERT_NE(unknown->figure, nullptr);
    EXPECT_EQ(unknown->figure->meshSet, &HumanMeshes.slots[0]) << "no slot of skeleton 99: the first";

    Owned g(new WSpectator({3 << 16, 4 << 16, 0}));
    auto* group = static_cast<WSpectator*>(g.get());
    group->width = 3.4f;
    group->heading = 1.5707964f;
    group->lowHeight = 1.0f;
    group->highHeight = 4.0f;
    group->wordA = -4;
    group->AttachFigures();
    EXPECT_EQ(g_slotsMade, 1) << "made once";
    ASSERT_EQ(group->figureCount, 3);
    const int slots[3] = {2, 0, 1};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(group->figures[i].meshSet, &HumanMeshes.slots[slots[i]]) << i;
    group->PlaceFigures();
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      const double share = (i + 0.5) / 3, across = (share - 0.5) * 3.4;
      const IntVector& at = group->figures[i].transform.translation;
      EXPECT_NEAR(at.x / 65536.0, 3.0, 1e-4);
      EXPECT_NEAR(at.y / 65536.0, 4.0 + across, 1e-4);
      EXPECT_NEAR(at.z / 65536.0, 1.0 + 3.0 * share, 1e-4);
    }
    // The group's box turned a quarter: the 2.2 m half width along y, the metre along x, and
    // (3 m of rise + 2) / 2 = 2.5 m up and down.
    group->Setup();
    EXPECT_NEAR(group->halfSize.x, 65536, 2);
    EXPECT_NEAR(group->halfSize.y, 2.2 * 65536, 2);
    EXPECT_EQ(group->halfSize.z, 5 << 15);
    // Turned 0.5 rad: |w cos - sin| and |w sin + cos| (the depth of 1 m).
    group->heading = 0.5f;
    group->Setup();
    EXPECT_NEAR(group->halfSize.x / 65536.0, std::fabs(2.2 * std::cos(0.5) - std::sin(0.5)), 1e-3);
    EXPECT_NEAR(group->halfSize.y / 65536.0, 2.2 * std::sin(0.5) + std::cos(0.5), 1e-3);
    // Freeing the built data has every figure's light sampled again, the last one's too.
    marshal->figure->lightState = 2;
    marshal->FreeBuilt(true);
    EXPECT_EQ(marshal->figure->lightState, 0);
    for (int i = 0; i < 3; ++i) group->figures[i].lightState = 2;
    group->FreeBuilt(true);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(group->figures[i].lightState, 0) << i;
  }
  // At least one figure and at most 64, whatever the width.
  for (auto [width, count] : {std::pair{0.0f, 1}, {-2.6f, 3}, {1000.0f, SPECTATOR_FIGURES_MAX}, {64.4f, 64}}) {
    Owned g(new WSpectator({0, 0, 0}));
    auto* group = static_cast<WSpectator*>(g.get());
    group->width = width;
    group->AttachFigures();
    EXPECT_EQ(group->figureCount, count) << width;
  }
  FreeHumanMeshSlots();
}

// A damaged float keeps its default, and with debug messages on the record's class and field
// are named.
TEST(TracksideObjects, AFiguresDamagedFloatIsNamedWithDebugMessagesOn) {
  const int level = CfgDebugLevel;
  CfgDebugLevel = 1;
  CaughtLines caught;
  Owned m(ReadObject(OBJECT_MARSHAL, [](DataFile& f) {
    WriteMarshalRecord(f, 3, std::numeric_limits<float>::quiet_NaN(), 2.0f);
  }));
  EXPECT_EQ(caught.Count("Bad marshal heading - default kept"), 1);
  EXPECT_EQ(static_cast<WMarshal*>(m.get())->heading, 0.0f);
  EXPECT_EQ(static_cast<WMarshal*>(m.get())->height, 2.0f);
  CfgDebugLevel = level;
}

// The clock's hands turn backwards: the first by hour x 60075 - minute x 91, the second by
// second x 65518 - minute x 1092, both cut to 16 bits.
TEST(TracksideObjects, ClockHandsTurnByTheirHourMinuteAndSecond) {
  uint32_t first = 0, second = 0;
  // 3:20:45: 180225 - 1820 = 178405, less 2 x 65536: 47333; 2948310 - 21840 = 2926470, less
  // 44 x 65536 = 2883584: 42886.
  TurbineHandAngles(3, 20, 45, first, second);
  EXPECT_EQ(first, 47333u);
  EXPECT_EQ(second, 42886u);
  // 0:01:00: -91 and -1092 wrapped round.
  TurbineHandAngles(0, 1, 0, first, second);
  EXPECT_EQ(first, 65445u);
  EXPECT_EQ(second, 64444u);
  // 0:00:01: the first hand stays, the second turns 18 units back.
  TurbineHandAngles(0, 0, 1, first, second);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(second, 65518u);
}

TEST(TracksideObjects, TurbineSpheresAndPhase) {
  TurbineSphere a = {{0, 0, 0}, 1}, b = {{4, 0, 0}, 1};
  MergeSpheres(a, b);
  EXPECT_FLOAT_EQ(a.centre[0], 2.0f);
  EXPECT_FLOAT_EQ(a.radius, 3.0f);
  TurbineSphere big = {{0, 0, 0}, 5}, inside = {{1, 0, 0}, 1};
  MergeSpheres(big, inside);
  EXPECT_FLOAT_EQ(big.radius, 5.0f) << "a sphere inside stays as it is";
  EXPECT_FLOAT_EQ(big.centre[0], 0.0f);
  // A sphere swallowed by the one added: far end 1 + 5 = 6, near end 1 - 5 = -4 along x.
  TurbineSphere small = {{0, 0, 0}, 1}, around = {{1, 0, 0}, 5};
  MergeSpheres(small, around);
  EXPECT_FLOAT_EQ(small.centre[0], 1.0f);
  EXPECT_FLOAT_EQ(small.radius, 5.0f);
  TurbineSphere same = {{1, 1, 1}, 2}, larger = {{1, 1, 1}, 3};
  MergeSpheres(same, larger);
  EXPECT_FLOAT_EQ(same.radius, 3.0f);

  // A one-rotor model: mast sphere at 10 m, rotor 3 m forward of it; entry 2 holds it,
  // entry 5 holds no model.
  const WorldModelServices saved = WorldModels;
  static int modelTag = 0;
  WorldModels.EntryOf = [](int index, PreGenEntryView& view) {
    view = {};
    if (index != 2 && index != 5) return 0;
    view.sourceKind = SOURCE_MODEL;
    view.model = index == 2 ? &modelTag : nullptr;
    return 1;
  };
  WorldModels.ModelPartSpheres = [](void* m, ModelSphere& own, ModelSphere* parts, int room) {
    EXPECT_EQ(m, &modelTag);
    own = {{0, 0, 10 << 16}, 2 << 16, 0};
    if (room > 0) parts[0] = {{0, 3 << 16, 10 << 16}, 4 << 16, 0};
    return 1;
  };
  Owned o(ReadObject(OBJECT_TURBINE, [](DataFile& f) { WriteTurbineRecord(f, 1.0f, 0.0f, 2); }, 65536, 0));
  RandomSeed = 100;
  o->Setup();
  auto* t = static_cast<WTurbine*>(o.get());
  // Merged: far 7, near -2 from the mast centre: centre 2.5 m forward, radius 4.5; then the
  // rotor's reach about the axis: 4.5 + 2.5.
  EXPECT_EQ(t->phase, (100u * 5 + 1) & 0xFFFF);
  EXPECT_EQ(t->radius, 7 << 16);
  EXPECT_EQ(t->centre.x, 65536) << "no horizontal offset";
  EXPECT_EQ(t->centre.z, 11 << 16);
  EXPECT_EQ(t->halfSize.z, int32_t(4.5 * 65536));
  const uint32_t before = t->phase;
  t->TurnRotor(10, 2.0f);
  EXPECT_EQ(t->phase, (before - uint32_t(std::lround(2.0 * 6.9570622 * 10))) & 0xFFFF);
  // A placement that is not finite keeps the defaults.
  Owned bad(ReadObject(OBJECT_TURBINE, [](DataFile& f) { WriteTurbineRecord(f, NAN, INFINITY, 2); }, 0, 0));
  EXPECT_EQ(static_cast<WTurbine*>(bad.get())->height, 0.0f);
  EXPECT_EQ(static_cast<WTurbine*>(bad.get())->heading, 0.0f);
  // A model entry that is not a model: no bounds.
  Owned none(ReadObject(OBJECT_TURBINE, [](DataFile& f) { WriteTurbineRecord(f, 1.0f, 0.0f, 5); }));
  none->Setup();
  EXPECT_EQ(none->radius, 0);
  EXPECT_EQ(none->flags & 4, 4);
  WorldModels = saved;
  // The hands: noon stands at 0 and 0.
  uint32_t hour, minute;
  TurbineHandAngles(12, 0, 0, hour, minute);
  EXPECT_EQ(hour, (12u * 60075) & 0xFFFF);
  EXPECT_EQ(minute, 0u);
}

// The parts a model tells of: a mirrored part counts twice (two parts: clock hands, no rotor
// phase drawn), and a model telling of more parts than there is room for is held at eight.
TEST(TracksideObjects, ATurbineCountsMirroredPartsTwiceAndAtMostEightParts) {
  const WorldModelServices saved = WorldModels;
  static int modelTag = 0;
  static int told = 0;
  static uint8_t mirrored = 0;
  WorldModels.EntryOf = [](int index, PreGenEntryView& view) {
    view = {};
    if (index != 0) return 0;
    view.sourceKind = SOURCE_MODEL;
    view.model = &modelTag;
    return 1;
  };
  WorldModels.ModelPartSpheres = [](void*, ModelSphere& own, ModelSphere* parts, int room) {
    own = {{0, 0, 10 << 16}, 2 << 16, 0};
    for (int i = 0; i < room; ++i) parts[i] = {{0, 0, 10 << 16}, 1 << 16, mirrored};
    return told;
  };
  Owned o(ReadObject(OBJECT_TURBINE, [](DataFile& f) { WriteTurbineRecord(f, 0.0f, 0.0f, 0); }));
  auto* t = static_cast<WTurbine*>(o.get());
  // Model entry 0 is a model like any other: one plain part is a rotor.
  told = 1;
  RandomSeed = 7;
  o->Setup();
  EXPECT_EQ(t->partCount, 1);
  EXPECT_EQ(t->radius, 2 << 16);
  EXPECT_EQ(t->phase, 36u) << "5 x 7 + 1";
  // One mirrored part: two parts, no draw.
  mirrored = 1;
  RandomSeed = 7;
  o->Setup();
  EXPECT_EQ(t->partCount, 2);
  EXPECT_EQ(t->phase, 0u);
  EXPECT_EQ(RandomSeed, 7u);
  // Nine told, eight room: eight plain parts.
  mirrored = 0;
  told = TURBINE_PARTS_MAX + 1;
  o->Setup();
  EXPECT_EQ(t->partCount, TURBINE_PARTS_MAX);
  // A rotor turned for a single millisecond moves: 4 x 6.9570622 x 1 = 27.8, 28 steps back.
  told = 1;
  o->Setup();
  const uint32_t before = t->phase;
  t->TurnRotor(1, 4.0f);
  EXPECT_EQ(t->phase, (before + 0x10000u - 28u) & 0xFFFF);
  WorldModels = saved;
}

// Each trackside object set up at its anchor (3 m, 5 m) centres its bounds there: a camera, a
// marshal, spectators, a turbine whose model is not found, a pit, a flag and a start grid.
TEST(TracksideObjects, SetupCentresEachObjectOnItsAnchor) {
  InitSinCosTables();  // the spectators' box turns through the tables
  const IntVector anchor = {3 << 16, 5 << 16, 0};
  FixedCam camera(anchor);
  WMarshal marshal(anchor);
  WSpectator spectators(anchor);
  WTurbine turbine(anchor);
  WPit pit(anchor);
  WFlag flag(anchor);
  WStartGrid grid(anchor);
  for (FixedOb* o : std::initializer_list<FixedOb*>{&camera, &marshal, &spectators, &turbine, &pit, &flag, &grid}) {
    SCOPED_TRACE(int(o->type));
    o->Setup();
    EXPECT_EQ(o->centre.x, 3 << 16);
    EXPECT_EQ(o->centre.y, 5 << 16);
  }
}

// The set-up of a start grid, a turbine, a pit and a flag sets bit 2 of the object's flags and
// keeps the open-configuration mode in bits 0 and 1: mode 2 becomes 2 | 4 = 6.
TEST(TracksideObjects, SetupSetsBitTwoAndKeepsTheModeBits) {
  WStartGrid grid({0, 0, 0});
  WTurbine turbine({0, 0, 0});
  WPit pit({0, 0, 0});
  WFlag flag({0, 0, 0});
  for (FixedOb* o : std::initializer_list<FixedOb*>{&grid, &turbine, &pit, &flag}) {
    SCOPED_TRACE(int(o->type));
    o->flags = 2;
    o->Setup();
    EXPECT_EQ(o->flags, 6);
  }
}

// An object moved to (3 m, 5 m, 7 m) with heading 0.25 holds x and y and gives them back with
// z 0 (its height is a field of its own) and its heading: a marshal keeps the heading it had
// (1.5) and a flag has none (0).
TEST(TracksideObjects, AMovedObjectGivesBackItsXYAndHeading) {
  const IntVector from = {1 << 16, 2 << 16, 0};
  FixedCam camera(from);
  WMarshal marshal(from);
  WSpectator spectators(from);
  WTurbine turbine(from);
  WPit pit(from);
  WFlag flag(from);
  WStartGrid grid(from);
  marshal.heading = 1.5f;
  const std::pair<FixedOb*, float> cases[] = {{&camera, 0.25f}, {&marshal, 1.5f}, {&spectators, 0.25f},
                                              {&turbine, 0.25f}, {&pit, 0.25f},    {&flag, 0.0f},
                                              {&grid, 0.25f}};
  for (const auto& [o, expected] : cases) {
    SCOPED_TRACE(int(o->type));
    o->SetPosition({3 << 16, 5 << 16, 7 << 16}, 0.25f);
    EXPECT_EQ(o->position[0], 3 << 16);
    EXPECT_EQ(o->position[1], 5 << 16);
    IntVector at = {-1, -1, -1};
    float heading = -1;
    o->GetPosition(at, heading);
    EXPECT_EQ(at.x, 3 << 16);
    EXPECT_EQ(at.y, 5 << 16);
    EXPECT_EQ(at.z, 0);
    EXPECT_EQ(heading, expected);
  }
}

}  // namespace
