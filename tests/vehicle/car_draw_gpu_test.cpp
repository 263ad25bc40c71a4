// car_draw_gpu_test.cpp - a car's per-frame geometry on a real GL context, seen from the
// car's right side: a frame tube across the picture drawn white, and a tyre squashed on the
// ground drawn in its rubber's rows, dark at its lower edge.  The picture is written to
// gpu/car_geometry.png.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "physics/car.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/physics/car_test_util.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "tests/vehicle/wheels_at_rest.h"
#include "tests/vehicle/diagram_test_car.h"
#include "text/text_colours.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_geometry.h"
#include "vehicle/setup_diagram.h"
#include "vehicle/vehicle.h"
#include "vehicle/wheel_profile.h"

namespace {

constexpr int SIZE = 256;
float PixelsPerMetre = 160;  // each test's scale
constexpr float MIDDLE_HEIGHT = 0.5f;
constexpr uint32_t CLEAR = 0xFF102030u;

int Column(double y) { return int(std::floor(SIZE / 2 + y * PixelsPerMetre)); }
int Row(double z) { return int(std::floor(SIZE / 2 - (z - MIDDLE_HEIGHT) * PixelsPerMetre)); }

class CarGeometryPixels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetDefaultTextColours();
    InitSinCosTables();
    InitSinTable();
    BuildGammaTables();
    ready_ = StartTestDevice(SIZE, SIZE);
    if (ready_) LoadSystemTextures();
  }
  static void TearDownTestSuite() {
    ReleaseSystemTextures();
    StopTestDevice();
  }
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    savedGraphics_ = GraphicsEnabled;
    GraphicsEnabled = 1;
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    View view{};
    const int32_t origin[3] = {0, 0, 0}, light[3] = {65536, 0, 0};
    const float forward[3] = {-1, 0, 0};
    InitView(view, origin, forward, light);
    MeshDisplay = MeshDisplaySettings{};
    CurrentWorldPass = 0;
    LookFromTheRight(160);
    LightEvenlyWithoutFog();
    DrawOpaqueBothFaces();
    Clear(CLEAR, 3);
    ResetTempMeshes();
  }
  void TearDown() override {
    if (!ready_) return;
    GraphicsEnabled = savedGraphics_;
    ClearTempMeshStore();
    for (int slot = 0; slot < 3; ++slot) BindTextureSlot(slot, nullptr);
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingDepth = 0;
    RenderStates.pendingRaster = 0;
  }
  // From 10 m out to the car's right looking back: world y to the right, z up, at a scale.
  static void LookFromTheRight(float pixelsPerMetre) {
    PixelsPerMetre = pixelsPerMetre;
    const float rows[3][3] = {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}};
    const float eye[3] = {10, 0, MIDDLE_HEIGHT};
    LookOrthographic(rows, eye, SIZE / PixelsPerMetre);
  }
  static inline bool ready_ = false;
  int savedGraphics_ = 0;
  ZKTETexture target{};
};

uint32_t Rgb(const std::vector<uint8_t>& p, int x, int y) {
  const uint8_t* q = &p[(size_t(y) * SIZE + size_t(x)) * 4];
  return uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
}
int Brightness(uint32_t c) { return int(c >> 16 & 0xFF) + int(c >> 8 & 0xFF) + int(c & 0xFF); }

TEST_F(CarGeometryPixels, AWhiteFrameTubeAndADarkTreadAtTheTyresLowerEdge) {
  ASSERT_NE(SystemMaterials.plainWhite, nullptr);
  ASSERT_NE(SystemMaterials.tyre, nullptr);
  Car car;
  // A tube along the car at 0.8 m, 4 cm thick, on the centre plane.
  const int a = AddFramePoint(car, 0.0f, -0.7f, 0.8f), b = AddFramePoint(car, 0.0f, 0.7f, 0.8f);
  AddTube(car, a, b, 1.0f, TUBE_VISIBLE | TUBE_CENTRE_PLANE);
  car.frameTubes[0].radius = 0.02f;
  const uint16_t tubes = DrawFrameTubes(CarFrameScene(car), 1, 2 << 16, 0);
  ASSERT_NE(tubes, NO_BATCH);

  // A tyre standing 1 cm into the ground at z = 0, its axle along x.
  SuspensionBlock& set = car.wheelSets[0];
  MakeTyre200Over50(set);
  ASSERT_EQ(BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0}), -1);
  TyreRing ring = {};
  ring.centre[2] = set.profile.points[3].y - 0.01f;
  const float axes[3][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
  std::memcpy(ring.axes, axes, sizeof axes);
  ring.profile = &set.profile;
  ring.segments = 30;
  ring.contact = 1;
  ring.groundNormal[2] = 1.0f;
  ring.sideSign = 1.0f;
  TyreStreamOps streams = CarTyreStreams(car);
  TyreCounts counts = {};
  AddStripCounts(30, 14, 18, 0, counts);
  ASSERT_EQ(CheckTyreBufferLimits(streams, counts, 1), 1);
  TubeBatch out = StreamBatch(DrawingOf(car).tyreBuffers[TYRE_STREAM]);
  ASSERT_EQ(WriteTyreRings(out, nullptr, ring), 1);
  EndStreamBatch(DrawingOf(car).tyreBuffers[TYRE_STREAM], out);
  UnlockTyreStreams(streams);

  TempMesh::DrawBuffer(tubes, 0);
  DrawTyreStreams(car);

  std::vector<uint8_t> p(SIZE * SIZE * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
  std::vector<uint8_t> opaque = p;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  WritePng("gpu/car_geometry.png", opaque, SIZE, SIZE);

  const uint32_t background = CLEAR & 0xFFFFFF;
  EXPECT_EQ(Rgb(p, 2, 2), background);
  const uint32_t tube = Rgb(p, Column(0.3), Row(0.8));
  EXPECT_GT(Brightness(tube), 3 * 200) << std::hex << tube << ": the tube's white";
  EXPECT_EQ(Rgb(p, Column(0.3), Row(0.86)), background) << "above the tube";
  const uint32_t tread = Rgb(p, Column(0.0), Row(0.004));
  EXPECT_NE(tread, background) << "the tyre reaches the ground";
  EXPECT_LT(Brightness(tread), 3 * 60) << std::hex << tread << ": dark tread";
  EXPECT_EQ(Rgb(p, Column(0.0), Row(-0.02)), background) << "nothing below the ground";
}

TEST_F(CarGeometryPixels, ASampleCarsTyresStandOnTheGroundWithDiscsInside) {
  LookFromTheRight(48);  // 5.3 m across
  Car car;
  MakeSampleCar(0, car);
  ASSERT_GT(car.wheelCount, 0);
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  StandWheelsAtRest(car);
  for (SuspensionBlock& set : car.wheelSets) {
    set.brakeDiscRadiusMm = 120;
  }
  CarTyreFrame frame = {};
  frame.lodDistance = 5 << 16;
  frame.tyreStyle = 0;
  frame.letteringRows = 2;
  frame.debugLevel = 1;
  frame.graphicsOptions = 0xFFFFFFFF;
  const CarTyreResult r = BuildCarTyres(car, frame);
  ASSERT_EQ(r.drawn, 1);
  EXPECT_EQ(r.segments.segments, 30);
  EXPECT_EQ(r.counts.vertices, uint32_t(car.wheelCount) * 31u * 14u);
  EXPECT_EQ(r.counts.logoVertices, uint32_t(car.wheelCount) * 31u * 4u);
  ASSERT_NE(r.discBatch, NO_BATCH);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[TYRE_STREAM].triangleCount, uint32_t(car.wheelCount) * 30u * 18u);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[LOGO_STREAM].triangleCount, uint32_t(car.wheelCount) * 30u * 4u);
  for (const int stream : {TYRE_STREAM, LOGO_STREAM}) {
    const CircularVBuffer& b = DrawingOf(car).tyreBuffers[stream];
    EXPECT_TRUE(b.vertexWrite == nullptr && b.indexWrite == nullptr) << stream << ": given back, ready to draw";
  }
  // With the spare wheel shown: one more tyre, lettered on one side.
  car.options |= CAR_OPTION_SPARE_SHOWN;
  car.spareWheelPosition = Vec3{0, -1.8f, 0.5f};
  ResetTempMeshes();
  const CarTyreResult withSpare = BuildCarTyres(car, frame);
  ASSERT_EQ(withSpare.drawn, 1);
  EXPECT_EQ(withSpare.counts.vertices, uint32_t(car.wheelCount + 1) * 31u * 14u);
  EXPECT_EQ(withSpare.counts.logoTriangles, uint32_t(car.wheelCount) * 30u * 4u + 30u * 2u);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[TYRE_STREAM].triangleCount, uint32_t(car.wheelCount + 1) * 30u * 18u);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[LOGO_STREAM].triangleCount, withSpare.counts.logoTriangles);
  DrawTyreStreams(car);
  TempMesh::DrawBuffer(withSpare.discBatch, 0);

  std::vector<uint8_t> p(SIZE * SIZE * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
  std::vector<uint8_t> opaque = p;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  WritePng("gpu/car_tyres.png", opaque, SIZE, SIZE);
  // Seen from the right, the right-hand wheels' outer walls face the eye: at each wheel's
  // centre height, just inside its rolling radius in front and behind, the dark rubber.
  const uint32_t background = CLEAR & 0xFFFFFF;
  int checked = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    if (w.side != 1.0f) continue;
    const float R = car.wheelSets[w.wheelSet].rollingRadius;
    const uint32_t lower = Rgb(p, Column(w.centre.y), Row(w.centre.z - R + 0.01f));
    EXPECT_NE(lower, background) << "wheel " << i << "'s lower edge";
    EXPECT_LT(Brightness(lower), 3 * 80) << std::hex << lower << ": dark tread of wheel " << i;
    EXPECT_EQ(Rgb(p, Column(w.centre.y), Row(w.centre.z - R - 0.03f)), background) << "below wheel " << i;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// The vehicle editor's wheel view draws one wheel alone in its own axes: its centre at the
// origin and its axle along x, wherever it stands on the car; a left wheel is turned back
// across its axle so that its outer wall faces +x too.
TEST_F(CarGeometryPixels, AWheelDrawnInPlaceStandsAtTheOriginInItsOwnAxes) {
  LookFromTheRight(100);  // 2.56 m across
  Car car;
  MakeSampleCar(0, car);
  ASSERT_GE(car.wheelCount, 2);
  SetIdentity3x3(car.orientation);
  car.position = IntVector{3 << 16, -2 << 16, 1 << 16};  // away from the origin
  StandWheelsAtRest(car);
  int left = -1;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].side < 0.0f) left = i;
  ASSERT_GE(left, 0);
  const uint32_t background = CLEAR & 0xFFFFFF;
  for (int wheel : {0, left}) {
    Clear(CLEAR, 3);
    ResetTempMeshes();
    CarTyreFrame frame = {};
    frame.lodDistance = 5 << 16;
    frame.graphicsOptions = 0xFFFFFFFF;
    DrawWheelInPlace(car, wheel, frame);
    std::vector<uint8_t> p(SIZE * SIZE * 4);
    ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
    const float R = car.wheelSets[car.wheels[wheel].wheelSet].rollingRadius;
    ASSERT_GT(R, 0.1f);
    // Just inside the rolling radius, below, above, in front of and behind the origin: the
    // tread; just outside it, nothing.
    const struct {
      double y, z;
    } spots[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (const auto& s : spots) {
      const uint32_t in = Rgb(p, Column(s.y * (R - 0.01)), Row(s.z * (R - 0.01)));
      EXPECT_NE(in, background) << "wheel " << wheel << " at (" << s.y << ", " << s.z << ")";
      const uint32_t out = Rgb(p, Column(s.y * (R + 0.04)), Row(s.z * (R + 0.04)));
      EXPECT_EQ(out, background) << "wheel " << wheel << " beyond (" << s.y << ", " << s.z << ")";
    }
  }
  EXPECT_EQ(WorldMatrix[12], 0.0f) << "the world matrix is given back";
  EXPECT_EQ(WorldMatrix[0], 1.0f);
}

TEST_F(CarGeometryPixels, ACarWithoutWheelsOrASpareBuildsNoTyres) {
  Car car;
  ASSERT_EQ(car.wheelCount, 0);
  CarTyreFrame frame = {};
  frame.lodDistance = 5 << 16;
  frame.graphicsOptions = 0xFFFFFFFF;
  const CarTyreResult r = BuildCarTyres(car, frame);
  EXPECT_EQ(r.counts.triangles, 0u);
  EXPECT_EQ(r.drawn, 0) << "nothing to draw";
  EXPECT_EQ(DrawingOf(car).tyreBuffers[TYRE_STREAM].triangleCount, 0u);
}

// The editor's one wheel: onlyWheel names it from 1, and it is built alone, without the spare;
// a number past the car's wheels names none.
TEST_F(CarGeometryPixels, OneWheelIsBuiltAloneAndANumberPastTheWheelsBuildsNone) {
  Car car;
  MakeSampleCar(0, car);
  ASSERT_GE(car.wheelCount, 2);
  SetIdentity3x3(car.orientation);
  StandWheelsAtRest(car);
  car.options |= CAR_OPTION_SPARE_SHOWN;
  car.spareWheelPosition = Vec3{0, -1.8f, 0.5f};
  CarTyreFrame frame = {};
  frame.lodDistance = 5 << 16;
  frame.letteringRows = 2;
  frame.graphicsOptions = 0xFFFFFFFF;
  for (const int only : {1, car.wheelCount}) {
    frame.onlyWheel = only;
    ResetTempMeshes();
    const CarTyreResult r = BuildCarTyres(car, frame);
    EXPECT_EQ(r.counts.vertices, 31u * 14u) << "wheel " << only << ": one tyre of 30 segments";
  }
  for (const int past : {car.wheelCount + 1, car.wheelCount + 5}) {
    frame.onlyWheel = past;
    ResetTempMeshes();
    const CarTyreResult r = BuildCarTyres(car, frame);
    EXPECT_EQ(r.counts.vertices, 0u) << past;
    EXPECT_EQ(r.drawn, 0) << past;
  }
}

// A brake disc is a square quad across the wheel, its half side the disc's radius, pushed
// along the axle by the disc's offset.  Seen along the axle (from the right) only the radius
// shows: drawn alone, each disc covers (2 x 0.12 m x 64 pixels a metre)^2 = 236 pixels round
// its wheel's centre, whatever its offset; pushed across the axle instead, the 40 mm would
// move it 2.56 pixels off the centre.
TEST_F(CarGeometryPixels, ABrakeDiscCoversItsRadiusCentredOnTheWheel) {
  LookFromTheRight(64);
  Car car;
  MakeSampleCar(0, car);
  ASSERT_GT(car.wheelCount, 0);
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  StandWheelsAtRest(car);
  for (SuspensionBlock& set : car.wheelSets) {
    set.brakeDiscRadiusMm = 120;
    set.brakeDiscOffsetMm = 40;
  }
  CarTyreFrame frame = {};
  frame.lodDistance = 5 << 16;
  frame.graphicsOptions = 0xFFFFFFFF;
  const CarTyreResult r = BuildCarTyres(car, frame);
  ASSERT_EQ(r.drawn, 1);
  ASSERT_NE(r.discBatch, NO_BATCH);
  EXPECT_EQ(TempMeshes.entries[r.discBatch].triangleCount, 2u * uint32_t(car.wheelCount)) << "a quad for each wheel";
  TempMesh::DrawBuffer(r.discBatch, 0);  // the discs alone
  std::vector<uint8_t> p(SIZE * SIZE * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
  const uint32_t background = CLEAR & 0xFFFFFF;
  int checked = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    if (w.side != 1.0f) continue;
    const int cx = Column(w.centre.y), cy = Row(w.centre.z);
    int covered = 0;
    double sumX = 0, sumY = 0;
    for (int y = cy - 14; y <= cy + 14; ++y)
      for (int x = cx - 14; x <= cx + 14; ++x)
        if (x >= 0 && y >= 0 && x < SIZE && y < SIZE && Rgb(p, x, y) != background) {
          ++covered;
          sumX += x + 0.5;
          sumY += y + 0.5;
        }
    // A square of 15.36 pixels a side covers 15 x 15 to 16 x 16 whole pixels, however it
    // falls on them.
    EXPECT_GE(covered, 225) << "wheel " << i;
    EXPECT_LE(covered, 256) << "wheel " << i;
    if (covered == 0) continue;
    // Its middle is the wheel centre's place in the picture, within a pixel.
    EXPECT_NEAR(sumX / covered, SIZE / 2 + w.centre.y * PixelsPerMetre, 1.0) << "wheel " << i;
    EXPECT_NEAR(sumY / covered, SIZE / 2 - (w.centre.z - MIDDLE_HEIGHT) * PixelsPerMetre, 1.0) << "wheel " << i;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace

// The axle diagram drawn through the 2D list over the whole picture: for each axle the links
// of its suspension type in their colours at the middle of each link, the tyre section's
// outline, the ground line under the contact.
TEST_F(CarGeometryPixels, TheAxleDiagramShowsItsLinksAndTyreSectionWherePredicted) {
  Car car;
  MakeDiagramCar(car);
  const auto pixel = [](float x) { return (x + 1.0f) * 0.5f * SIZE; };  // panel units to pixels
  for (int setIndex = 0; setIndex < 2; ++setIndex) {
    SCOPED_TRACE(setIndex == 0 ? "MacPherson strut" : "double wishbone");
    ASSERT_TRUE(BeginTestFrame2D(target));
    Clear(CLEAR, 1);
    DiagramTexts texts;
    DrawSetupDiagram(car, setIndex, -1.0f, -1.0f, 2.0f, 2.0f, 1, 0.05f, texts);
    FlushDraw2D();
    const std::vector<uint8_t> p = ReadTargetPixels(target);
    WritePng(std::string("gpu/diagram_") + (setIndex == 0 ? "macpherson" : "wishbone") + ".png", p, SIZE, SIZE);
    // Where the diagram puts car axes: centred across, the ground 1.2 lines above the seven
    // lines of wheel columns at the panel's foot (1 - 8.2 x 0.05 = 0.59), 0.4 of the panel for
    // the car's width.
    const float scale = DiagramScale(2.0f, 1.6f);
    const auto X = [&](float x) { return pixel(x * scale); };
    const auto Y = [&](float z) { return pixel(0.59f - z * scale); };
    // Some pixel within one of (x, y) shows the colour.
    const auto shows = [&](float x, float y, uint32_t colour) {
      const uint32_t want = ApplyBrightnessTable(colour) & 0xFFFFFF;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const uint32_t c = Rgb(p, int(x) + dx, int(y) + dy);
          int far = 0;
          for (int k = 0; k < 24; k += 8) far = std::max(far, std::abs(int(c >> k & 0xFF) - int(want >> k & 0xFF)));
          if (far <= 3) return true;
        }
      return false;
    };
    for (int i = 0; i < car.wheelCount; ++i) {
      const CarWheel& w = car.wheels[i];
      if (w.wheelSet != setIndex) continue;
      const SuspensionBlock& set = car.wheelSets[setIndex];
      CarWheel copy = w;
      copy.suspensionType = set.suspensionType;
      copy.UpdateSuspensionGeometry(set);
      const Vec3 c = copy.centre, u = copy.uprightAxis, q = copy.lowerPivot;
      const float h = set.halfUprightLength;
      const float lowerX = c.x - u.x * h, lowerZ = c.z - u.z * h, upperX = c.x + u.x * h, upperZ = c.z + u.z * h;
      EXPECT_TRUE(shows(X(0.5f * (q.x + lowerX)), Y(0.5f * (q.z + lowerZ)), DIAGRAM_LINK_COLOURS[0]))
          << "the lower arm of wheel " << i;
      const float topX = setIndex == 0 ? copy.strutTop.x : copy.upperPivotX;
      const float topZ = setIndex == 0 ? copy.strutTop.z : copy.upperPivotZ;
      EXPECT_TRUE(shows(X(0.5f * (upperX + topX)), Y(0.5f * (upperZ + topZ)), DIAGRAM_LINK_COLOURS[1]))
          << (setIndex == 0 ? "the strut" : "the upper arm") << " of wheel " << i;
      // The section's outermost tread point, below the axle, on the outline.
      const WheelProfile& profile = set.profile;
      const float sign = copy.side == 0.0f ? 1.0f : copy.side;
      const ProfilePoint& a = profile.points[profile.surfaces[0].first];
      const ProfilePoint& b = profile.points[profile.surfaces[0].second];
      EXPECT_TRUE(shows(X(c.x + sign * 0.5f * (a.x + b.x)), Y(c.z - 0.5f * (a.y + b.y)), DIAGRAM_SECTION_COLOUR))
          << "the tyre section of wheel " << i;
    }
  }
}
