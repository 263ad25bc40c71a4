// trackside_gpu_test.cpp - the trackside objects drawn on the device through their own drawing
// (on the world's lists, then Draw): a cloth flag from the front and from behind in its
// mapping's colour, under its own light unless the pass overrides the lighting; a turbine of a
// two-part test model whose rotor turns with its phase, and one with clock hands drawn through
// its fast mesh; a turbine drawn once for each four of its local lights; the packed light of
// a turbine's lighting byte on its vertices; a marshal and a group of spectators from the
// human mesh slots.  The pictures go to gpu/ to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/fixed_math.h"
#include "core/gamma_tables.h"
#include "render/constant_buffers.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/image_files.h"
#include "render/light_samples.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"
#include "world/figures.h"
#include "world/flag.h"
#include "world/mapping.h"
#include "world/pre_gen.h"
#include "world/race_state.h"
#include "world/turbine.h"
#include "world/world.h"
#include "world_gpu_frame.h"

namespace {

constexpr int SIZE = 64;
constexpr uint32_t CLEAR = 0xFF000000u;
Material* TurbineMaterial = nullptr;  // the material the turbines' test meshes draw with

class TracksideDrawing : public WorldDeviceTest<SIZE> {
 protected:
  void SetUp() override {
    WorldDeviceTest<SIZE>::SetUp();
    if (IsSkipped()) return;
    InitSinCosTables();
    savedGraphics_ = GraphicsEnabled;
    GraphicsEnabled = 1;
    ASSERT_TRUE(MakeTestTarget(target_, SIZE, SIZE, true));
    white_ = WhiteTexture();
    material_ = CreateMaterial(&white_, 0, 0, 1, AlphaParams(0), 0);
    ResetTempMeshes();
    CWld = &world_;
  }
  void TearDown() override {
    if (IsSkipped()) return;
    world_.FreeObjects();
    CWld = nullptr;
    FreeHumanMeshSlots();
    FreeAllFastMeshes();
    ClearTempMeshStore();
    FreeAllMaterials();
    ReleaseTexture(&white_);
    ReleaseTestTarget(target_);
    ResetTestMatrices();
    RenderStates.pendingRaster = 0;
    RenderStates.pendingDepth = 0;
    CurrentView = &MainView;
    GraphicsEnabled = savedGraphics_;
    WorldCameraHook = nullptr;
  }
  // The objects drawn as the world draws its figure list.
  void DrawFigureList() {
    for (uint32_t i = 0; i < world_.figureList.count; ++i) world_.figureList.items[i]->Draw();
  }
  void NextFrame() {
    for (uint32_t i = 0; i < world_.activeList.count; ++i) world_.activeList.items[i]->listed = 0;
    world_.activeList.count = world_.figureList.count = 0;
    ResetTempMeshes();
    Clear(CLEAR, 3);
  }
  std::vector<uint8_t> Pixels() { return ReadTargetPixels(target_); }
  // From the side, x to the right and z up the picture, 4 pixels a metre, the origin at the
  // centre of pixel (32, 32): the pixel of world (x, z).
  static uint32_t At(const std::vector<uint8_t>& p, double x, double z, bool fromBehind = false) {
    const int column = 32 + int(std::lround((fromBehind ? -x : x) * 4));
    return PixelArgb(p, SIZE, column, 32 - int(std::lround(z * 4)));
  }
  static void WritePicture(const std::vector<uint8_t>& p, const char* name) {
    PictureRows rows{SIZE, SIZE, p.data(), size_t(SIZE) * 4, 0, 0};
    std::vector<uint8_t> png;
    ASSERT_EQ(EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png), nullptr);
    std::filesystem::create_directories("gpu");
    if (FILE* f = std::fopen((std::string("gpu/") + name).c_str(), "wb")) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
  }

  // Turbines draw with the test's white material, their models through these services.
  void UseTurbineModels(decltype(WorldModelServices::EntryOf) entryOf,
                        decltype(WorldModelServices::ModelPartSpheres) partSpheres,
                        decltype(WorldModelServices::BuildDrawMesh) buildDrawMesh) {
    TurbineMaterial = material_;
    WorldModelServices s = {};
    s.EntryOf = entryOf;
    s.ModelPartSpheres = partSpheres;
    s.BuildDrawMesh = buildDrawMesh;
    WorldModels = s;
  }

  Wld world_;
  ZKTETexture target_{}, white_{};
  Material* material_ = nullptr;
  int savedGraphics_ = 0;
};

// Looking along +y from y = -8 m (the front of a flag, whose cloth faces -y at rest).
void LookFromTheFront() { LookAlongYFrom8m(); }
// Looking along -y from y = +8 m: x to the left of the picture.
void LookFromBehind() {
  LookFromTheFront();
  ViewMatrix[0] = -1.0f;
  ViewMatrix[6] = -1.0f;
  UploadWorldMatrix(0, 0);
}

uint32_t Through(uint8_t r, uint8_t g, uint8_t b) {
  return CLEAR | uint32_t(BrightnessTable[r]) << 16 | uint32_t(BrightnessTable[g]) << 8 | BrightnessTable[b];
}
bool Near(uint32_t a, uint32_t b, int tolerance = 6) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int(a >> shift & 255) - int(b >> shift & 255)) > tolerance) return false;
  return true;
}

TEST_F(TracksideDrawing, AFlagShowsItsMappingsColourFromTheFrontAndFromBehind) {
  world_.mappings = static_cast<MappingRecord*>(std::calloc(2, sizeof(MappingRecord)));
  world_.mappingCount = 2;
  MappingRecord& m = world_.mappings[1];
  m.colour = 0x3050E0;  // red 0x30, green 0x50, blue 0xE0
  m.uSpan = m.vSpan = 128;
  m.materialRecord = material_;
  // The pole at x = -1: the cloth from x = -1 to 1, its top 0.75 m up, 1.5 m high.
  WFlag* flag = new WFlag({-65536, 0, 0});
  flag->top = 0.75f;
  flag->mapping = 1;
  flag->Setup();
  ASSERT_TRUE(world_.AddObjectToTable(flag));
  const uint32_t expected = Through(0x30, 0x50, 0xE0);

  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  NextFrame();
  flag->AddToDrawList();
  flag->AddToDrawList();  // listed: the mesh is written once a frame
  EXPECT_EQ(TempMeshes.count, 1u);
  ASSERT_EQ(world_.figureList.count, 2u);
  EXPECT_EQ(world_.activeList.count, 1u);
  world_.figureList.count = 1;
  DrawFigureList();
  const std::vector<uint8_t> front = Pixels();
  EXPECT_TRUE(Near(At(front, 0.0, 0.0), expected)) << std::hex << At(front, 0.0, 0.0) << " the cloth's centre";
  EXPECT_TRUE(Near(At(front, 0.7, 0.5), expected)) << std::hex << At(front, 0.7, 0.5);
  EXPECT_EQ(At(front, 1.5, 0.0), CLEAR) << "beyond the free edge";
  EXPECT_EQ(At(front, 0.0, 1.2), CLEAR) << "above the top";
  WritePicture(front, "flag_front.png");

  ASSERT_TRUE(BeginWorldFrame(target_, LookFromBehind, LightEvenly));
  NextFrame();
  flag->AddToDrawList();
  DrawFigureList();
  const std::vector<uint8_t> back = Pixels();
  EXPECT_TRUE(Near(At(back, 0.0, 0.0, true), expected)) << std::hex << At(back, 0.0, 0.0, true) << " from behind";
  EXPECT_EQ(At(back, 1.5, 0.0, true), CLEAR);
  WritePicture(back, "flag_back.png");

  // Stepped in a wind along -y the cloth blows away from the front; the pole's column stays.
  world_.windY = 12.0f;
  world_.elapsedMs = 10;
  for (int k = 0; k < 200; ++k) {
    NextFrame();
    flag->AddToDrawList();
  }
  EXPECT_EQ(flag->points[0].position[1], 0) << "the pole's column never moves";
  EXPECT_GT(flag->points[FLAG_COLUMNS - 1].position[1], 0) << "the free edge blown along the wind";
}

// A flag with a light sample draws under its own light (the sample's terms in the object row,
// lighting mode 2 only while it draws); in a special pass, which overrides the lighting, it
// leaves the light as the pass set it.  Without a sample it never sets its own.
TEST_F(TracksideDrawing, AFlagSetsItsOwnLightUnlessThePassOverridesTheLighting) {
  world_.mappings = static_cast<MappingRecord*>(std::calloc(1, sizeof(MappingRecord)));
  world_.mappingCount = 1;
  world_.mappings[0].materialRecord = material_;
  WFlag* flag = new WFlag({0, 0, 0});
  flag->Setup();
  ASSERT_TRUE(world_.AddObjectToTable(flag));
  const auto savedHook = WorldLightSampleHook;
  static int answer;
  answer = 1;
  WorldLightSampleHook = [](const int32_t*, LightSample& sample) {
    std::memset(sample.bytes, 0, sizeof sample.bytes);
    sample.bytes[4] = 200;  // the first face's ambient
    return answer;
  };
  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  const auto drawWithRowMarked = [&](int pass) {
    NextFrame();
    flag->AddToDrawList();
    float marked[28];
    std::fill(marked, marked + 28, -1.0f);
    std::memcpy(VSConstants[VS_ROW_OBJECT].data, marked, sizeof marked);
    CurrentWorldPass = pass;
    LightingMode = 1;
    DrawFigureList();
    CurrentWorldPass = 0;
    EXPECT_EQ(LightingMode, 1) << "the lighting mode back after the draw";
    float row[28];
    std::memcpy(row, VSConstants[VS_ROW_OBJECT].data, sizeof row);
    return row[3];
  };
  EXPECT_FLOAT_EQ(drawWithRowMarked(0), 200.0f / 255.0f) << "sampled: its own light";
  EXPECT_EQ(flag->lightingState, HUMAN_LIT_FROM_SAMPLE);
  for (int pass = 1; pass <= 3; ++pass) EXPECT_EQ(drawWithRowMarked(pass), -1.0f) << "pass " << pass << " overrides";
  // Without a sample (state 2) nothing is set in the normal pass either.
  flag->FreeBuilt(false);
  answer = 0;
  EXPECT_EQ(drawWithRowMarked(0), -1.0f) << "no sample";
  EXPECT_EQ(flag->lightingState, HUMAN_NO_SAMPLE);
  WorldLightSampleHook = savedHook;
}

// ---- Turbines ----

constexpr GouraudColour HUB_COLOUR{40, 220, 60, 0};     // green
constexpr GouraudColour BLADE_COLOUR{230, 50, 40, 0};   // red
int RotorModel = 0, ClockModel = 0;

// A box of half sizes (hx, hy, hz) metres about (cx, cy, cz), one part.
void FillBox(GouraudO3d& mesh, const GouraudColour* colour, double hx, double hy, double hz) {
  AllocateMeshArrays(mesh, 24, 12, 1);
  mesh.parts[0] = GouraudPart{0, TurbineMaterial, 24, 12};
  const int across[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  const double half[3] = {hx, hy, hz};
  for (int f = 0; f < 6; ++f) {
    const int axis = f / 2, sign = f % 2 ? -1 : 1, b = (axis + 1) % 3, c = (axis + 2) % 3;
    for (int k = 0; k < 4; ++k) {
      double p[3];
      float n[3] = {0, 0, 0};
      p[axis] = sign * half[axis];
      p[b] = across[k][0] * half[b];
      p[c] = across[k][1] * half[c];
      n[axis] = float(sign);
      GouraudPoint& point = mesh.points[f * 4 + k];
      point.x = int32_t(std::lround(p[0] * 65536));
      point.y = int32_t(std::lround(p[1] * 65536));
      point.z = int32_t(std::lround(p[2] * 65536));
      point.nx = n[0], point.ny = n[1], point.nz = n[2];
      point.u = point.v = 0.5f;
      point.colour = colour;
    }
    const int order[2][3] = {{0, 1, 2}, {2, 3, 0}};
    for (int t = 0; t < 2; ++t)
      for (int k = 0; k < 3; ++k) mesh.triangles[f * 2 + t].index[k] = uint16_t(f * 4 + order[t][k]);
  }
}
GouraudO3d* NewBox(const GouraudColour* colour, double hx, double hy, double hz) {
  GouraudO3d* mesh = new GouraudO3d();
  mesh->Init();
  FillBox(*mesh, colour, hx, hy, hz);
  return mesh;
}

// The rotor model: a hub of 1 m and one blade part, 6 m long along x, 0.5 m in front of it.
// The clock model: the same hub, two hands and two small boxes (120 points: past the
// fast-mesh limit).
void BuildTurbineMesh(void* model, GouraudO3d& mesh) {
  FillBox(mesh, &HUB_COLOUR, 0.5, 0.5, 0.5);
  const int parts = model == &ClockModel ? 2 : 1;
  for (int i = 0; i < parts; ++i) {
    GouraudO3d* blade = NewBox(&BLADE_COLOUR, 3.0, 0.1, 0.25);
    blade->local.translation = {0, -(32768 + 13107 * (i + 1)), 0};
    AddChildMesh(mesh, blade);
  }
  if (model == &ClockModel)
    for (int k = 0; k < 2; ++k) AddChildMesh(mesh, NewBox(&HUB_COLOUR, 0.2, 0.2, 0.2));
}
int TurbineEntry(int index, PreGenEntryView& view) {
  view = {};
  view.sourceKind = SOURCE_MODEL;
  view.scale = 1.0f;
  view.model = index == 2 ? &ClockModel : &RotorModel;
  return 1;
}
int TurbineSpheres(void* model, ModelSphere& own, ModelSphere* parts, int room) {
  own = {{0, 0, 0}, 32768, 0};
  const int n = model == &ClockModel ? 2 : 1;
  for (int i = 0; i < n && i < room; ++i) parts[i] = {{0, -45875, 0}, 3 << 16, 0};
  return n;
}

TEST_F(TracksideDrawing, ATurbinesRotorTurnsWithItsPhaseAndClockHandsDrawThroughTheFastMesh) {
  const WorldModelServices saved = WorldModels;
  UseTurbineModels(TurbineEntry, TurbineSpheres, BuildTurbineMesh);
  WTurbine* rotor = new WTurbine({0, 0, 0});
  rotor->model = 1;
  rotor->Setup();
  ASSERT_EQ(rotor->partCount, 1);
  ASSERT_TRUE(world_.AddObjectToTable(rotor));
  const uint32_t hub = Through(40, 220, 60), blade = Through(230, 50, 40);

  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  rotor->phase = 0;
  NextFrame();
  rotor->AddToDrawList();
  ASSERT_NE(rotor->parts, nullptr) << "built at the first drawing";
  EXPECT_FALSE(rotor->parts->fastMesh) << "48 points: temporary meshes";
  EXPECT_EQ(rotor->temporaryCount, 2);
  DrawFigureList();
  const std::vector<uint8_t> level = Pixels();
  EXPECT_TRUE(Near(At(level, 2.5, 0.0), blade)) << std::hex << At(level, 2.5, 0.0) << " the blade";
  EXPECT_TRUE(Near(At(level, -2.5, 0.0), blade)) << std::hex << At(level, -2.5, 0.0);
  EXPECT_TRUE(Near(At(level, 0.0, 0.4), hub)) << std::hex << At(level, 0.0, 0.4) << " the hub above the blade";
  EXPECT_EQ(At(level, 0.0, 2.5), CLEAR);
  WritePicture(level, "turbine_level.png");

  // A quarter turn about the rotor's axis stands the blade up.
  rotor->phase = 16384;
  NextFrame();
  rotor->AddToDrawList();
  DrawFigureList();
  const std::vector<uint8_t> upright = Pixels();
  EXPECT_TRUE(Near(At(upright, 0.0, 2.5), blade)) << std::hex << At(upright, 0.0, 2.5);
  EXPECT_EQ(At(upright, 2.5, 0.0), CLEAR);
  WritePicture(upright, "turbine_upright.png");

  // The wind turns the rotor by its square root over the elapsed time: 2.5 x 6.9570622 x 10
  // is 173.9 units.
  world_.windRoot = 2.5f;
  world_.elapsedMs = 10;
  NextFrame();
  rotor->AddToDrawList();
  EXPECT_EQ(rotor->phase, uint32_t(16384 - 174));

  // Hands at 3 o'clock on the race's date: the hour hand a quarter turn back from upright.
  WTurbine* clock = new WTurbine({0, 0, 0});
  clock->model = 2;
  clock->Setup();
  ASSERT_EQ(clock->partCount, 2);
  ASSERT_TRUE(world_.AddObjectToTable(clock));
  const uint64_t savedDate = RaceState.dateTime;
  WallTime three{2026, 6, 1, 3, 0, 0, 0, 0};
  RaceState.dateTime = FileTimeFromWallTime(three);
  world_.elapsedMs = 0;
  NextFrame();
  clock->AddToDrawList();
  ASSERT_NE(clock->parts, nullptr);
  EXPECT_TRUE(clock->parts->fastMesh) << "120 points: a fast mesh";
  EXPECT_EQ(TempMeshes.count, 0u);
  DrawFigureList();
  const std::vector<uint8_t> hands = Pixels();
  EXPECT_TRUE(Near(At(hands, 0.4, 0.4), hub)) << std::hex << At(hands, 0.4, 0.4) << " the hub between the hands";
  // At 3:00 the first hand stands a quarter turn from the second, which lies along x.
  int red = 0;
  for (const auto& p : {At(hands, 2.5, 0.0), At(hands, -2.5, 0.0), At(hands, 0.0, 2.5), At(hands, 0.0, -2.5)})
    red += Near(p, blade);
  EXPECT_EQ(red, 4) << "one hand along x, the other upright";
  // Which hand is which: at 3:00:00 the second hand (the second part) has no turn and stands
  // as built, while the first hand has turned three quarters round.
  ASSERT_GE(clock->parts->childCount, 2);
  ASSERT_GE(clock->restCount, 2);
  for (int k = 0; k < 9; ++k)
    EXPECT_EQ(clock->parts->children[1]->local.rotation.m[k], clock->partRest[1].m[k]) << "second hand, " << k;
  EXPECT_FALSE(std::equal(clock->partRest[0].m, clock->partRest[0].m + 9, clock->parts->children[0]->local.rotation.m))
      << "the first hand has turned from its rest";
  WritePicture(hands, "turbine_clock.png");
  clock->Free();
  EXPECT_EQ(clock->parts, nullptr) << "the drawn parts go with the object";
  EXPECT_EQ(clock->restCount, 0);
  RaceState.dateTime = savedDate;
  WorldModels = saved;
}

// Under local lights a turbine draws once for each four of its lights that are on: five
// lights are lights 0-3, then light 4, two drawings; four lights one, none on no drawing.
// The rotor through its temporary meshes, the clock through its fast mesh.
TEST_F(TracksideDrawing, ATurbineUnderLocalLightsDrawsOnceForEachFourOfItsLightsThatAreOn) {
  const WorldModelServices saved = WorldModels;
  const uint32_t savedLights = WorldLightsOn;
  UseTurbineModels(TurbineEntry, TurbineSpheres, BuildTurbineMesh);
  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  for (const int model : {1, 2}) {
    WTurbine* turbine = new WTurbine({0, 0, 0});
    turbine->model = model;
    turbine->Setup();
    ASSERT_TRUE(world_.AddObjectToTable(turbine));
    NextFrame();
    turbine->AddToDrawList();
    ASSERT_NE(turbine->parts, nullptr);
    EXPECT_EQ(bool(turbine->parts->fastMesh), model == 2);
    uint32_t draws = Gfx.drawCalls;
    turbine->Draw();
    const uint32_t one = Gfx.drawCalls - draws;
    ASSERT_GT(one, 0u) << "model " << model;

    turbine->lightMask = 0x1F;
    WorldLightsOn = 0x1F;
    draws = Gfx.drawCalls;
    turbine->DrawLit();
    EXPECT_EQ(Gfx.drawCalls - draws, 2 * one) << "model " << model << ": lights 0-3, then light 4";
    WorldLightsOn = 0x0F;
    draws = Gfx.drawCalls;
    turbine->DrawLit();
    EXPECT_EQ(Gfx.drawCalls - draws, one) << "model " << model << ": lights 0-3 together";
    WorldLightsOn = 0x100;
    draws = Gfx.drawCalls;
    turbine->DrawLit();
    EXPECT_EQ(Gfx.drawCalls - draws, 0u) << "model " << model << ": none of its lights on";
  }
  WorldLightsOn = savedLights;
  WorldModels = saved;
}

// The many-part model: the hub and nine small boxes, one more than a turbine keeps the rest
// rotation of; box i built turned by i/16 of a turn about y.
int ManyPartsModel = 0;
FixedMatrix ManyPartsRest[9];
void BuildManyPartsTurbineMesh(void*, GouraudO3d& mesh) {
  FillBox(mesh, &HUB_COLOUR, 0.5, 0.5, 0.5);
  for (int i = 0; i < 9; ++i) {
    GouraudO3d* box = NewBox(&BLADE_COLOUR, 0.2, 0.2, 0.2);
    MatrixRotY(box->local.rotation, uint32_t(i * 4096));
    ManyPartsRest[i] = box->local.rotation;
    AddChildMesh(mesh, box);
  }
}
int ManyPartsEntry(int, PreGenEntryView& view) {
  view = {};
  view.sourceKind = SOURCE_MODEL;
  view.scale = 1.0f;
  view.model = &ManyPartsModel;
  return 1;
}

TEST_F(TracksideDrawing, ATurbineKeepsTheRestOfItsFirstEightPartsOnly) {
  const WorldModelServices saved = WorldModels;
  UseTurbineModels(ManyPartsEntry, TurbineSpheres, BuildManyPartsTurbineMesh);
  WTurbine* rotor = new WTurbine({0, 0, 0});
  rotor->model = 1;
  rotor->Setup();
  ASSERT_TRUE(world_.AddObjectToTable(rotor));
  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  NextFrame();
  rotor->AddToDrawList();
  ASSERT_NE(rotor->parts, nullptr);
  ASSERT_EQ(rotor->parts->childCount, 9);
  EXPECT_TRUE(rotor->parts->fastMesh) << "240 points: a fast mesh";
  EXPECT_EQ(rotor->restCount, 8) << "the ninth part is drawn but not turned";
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 9; ++k) EXPECT_EQ(rotor->partRest[i].m[k], ManyPartsRest[i].m[k]) << "part " << i << " element " << k;
  DrawFigureList();
  WorldModels = saved;
}

// The lit model: a hub whose colour asks for the packed light and one plain blade (48 points,
// temporary meshes); the large one adds four small plain boxes (144 points, a fast mesh).
constexpr GouraudColour LIT_HUB_COLOUR{40, 220, 60, GOURAUD_COLOUR_SPECULAR};
int LitModel = 0, LargeLitModel = 0;
void BuildLitTurbineMesh(void* model, GouraudO3d& mesh) {
  FillBox(mesh, &LIT_HUB_COLOUR, 0.5, 0.5, 0.5);
  AddChildMesh(mesh, NewBox(&BLADE_COLOUR, 3.0, 0.1, 0.25));
  if (model == &LargeLitModel)
    for (int k = 0; k < 4; ++k) AddChildMesh(mesh, NewBox(&BLADE_COLOUR, 0.2, 0.2, 0.2));
}
int LitEntry(int index, PreGenEntryView& view) {
  view = {};
  view.sourceKind = SOURCE_MODEL;
  view.scale = 1.0f;
  view.model = index == 2 ? &LargeLitModel : &LitModel;
  return 1;
}
// Every written vertex of the hub's colour carries want, every other one 0; the count of each.
void CheckPackedLight(const std::vector<uint8_t>& bytes, uint32_t first, uint32_t count, uint32_t want, int& lit,
                      int& plain) {
  const uint32_t hubRgb = uint32_t(BrightnessTable[40]) << 16 | uint32_t(BrightnessTable[220]) << 8 | BrightnessTable[60];
  for (uint32_t i = first; i < first + count && (i + 1) * sizeof(VertexLit) <= bytes.size(); ++i) {
    const VertexLit v = VertexAt<VertexLit>(bytes, i);
    if ((v.colour0 & 0xFFFFFFu) == hubRgb) {
      EXPECT_EQ(v.colour1, want) << "vertex " << i << " of the hub";
      ++lit;
    } else {
      EXPECT_EQ(v.colour1, 0u) << "vertex " << i << " of a plain part";
      ++plain;
    }
  }
}

TEST_F(TracksideDrawing, ATurbinesPointsCarryThePackedLightOfItsLightingByte) {
  const WorldModelServices saved = WorldModels;
  UseTurbineModels(LitEntry, TurbineSpheres, BuildLitTurbineMesh);

  // Byte 0x45: 2^(5/3) on green.  Temporary meshes.
  WTurbine* rotor = new WTurbine({0, 0, 0});
  rotor->model = 1;
  rotor->lightingByte = 0x45;
  rotor->Setup();
  ASSERT_TRUE(world_.AddObjectToTable(rotor));
  uint32_t green = 0;
  StoreFloat3PK(&green, 0.0f, float(std::exp2(5.0 / 3.0)), 0.0f);
  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  MeshDisplay.specularWord = 0xABCDEF01u;
  NextFrame();
  rotor->AddToDrawList();
  ASSERT_NE(rotor->parts, nullptr);
  ASSERT_FALSE(rotor->parts->fastMesh);
  ASSERT_EQ(rotor->temporaryCount, 2);
  EXPECT_EQ(rotor->packedLight, green);
  EXPECT_EQ(MeshDisplay.specularWord, 0xABCDEF01u) << "the mesh display's word back after the drawing";
  int lit = 0, plain = 0;
  for (int k = 0; k < rotor->temporaryCount; ++k) {
    const TempMeshEntry& e = TempMeshes.entries[rotor->firstTemporary + k];
    CheckPackedLight(ReadBuffer(TempMeshes.buffers[e.buffer]->vertexBuffer->buffer), e.firstVertex, 24, green, lit,
                     plain);
  }
  EXPECT_EQ(lit, 24) << "the hub's points";
  EXPECT_EQ(plain, 24) << "the blade's points";

  // Byte 0xC6: half of 2^2 on each of green and blue, through the fast mesh.
  WTurbine* large = new WTurbine({0, 0, 0});
  large->model = 2;
  large->lightingByte = 0xC6;
  large->Setup();
  ASSERT_TRUE(world_.AddObjectToTable(large));
  uint32_t cyan = 0;
  StoreFloat3PK(&cyan, 0.0f, 2.0f, 2.0f);
  NextFrame();
  large->AddToDrawList();
  ASSERT_NE(large->parts, nullptr);
  ASSERT_TRUE(large->parts->fastMesh) << "144 points";
  EXPECT_EQ(MeshDisplay.specularWord, 0xABCDEF01u);
  lit = plain = 0;
  std::vector<const GouraudO3d*> meshes = {large->parts};
  for (int i = 0; i < large->parts->childCount; ++i) meshes.push_back(static_cast<const GouraudO3d*>(large->parts->children[i]));
  for (const GouraudO3d* mesh : meshes) {
    FastMesh* fast = GetFastMesh(mesh->fastMesh);
    ASSERT_NE(fast, nullptr);
    for (const Primitive& part : fast->parts)
      if (part.vertexBuffer) CheckPackedLight(ReadBuffer(part.vertexBuffer->buffer), 0, 24, cyan, lit, plain);
  }
  EXPECT_EQ(lit, 24);
  EXPECT_EQ(plain, 5 * 24);
  MeshDisplay.specularWord = 0;
  WorldModels = saved;
}

// ---- Figures ----

constexpr GouraudColour FIGURE_COLOUR{220, 200, 40, 0};  // yellow

TEST_F(TracksideDrawing, AMarshalAndASpectatorGroupDrawTheirFigures) {
  TurbineMaterial = material_;
  AllocateHumanSlots(2);
  for (int s = 0; s < 2; ++s) {
    HumanMeshSlot& slot = HumanMeshes.slots[s];
    slot.flags = 1;
    slot.skeletonIndex = uint32_t(s);
    slot.levelCount = 1;
    slot.distanceLimits[0] = 100 << 16;
    // A figure 0.5 m wide and 1.8 m tall standing on its point.
    GouraudO3d* body = NewBox(&FIGURE_COLOUR, 0.25, 0.25, 0.9);
    for (int i = 0; i < body->pointCount; ++i) body->points[i].z += 58982;
    slot.meshes[0] = body;
  }
  HumanMeshes.built = 1;
  WorldCameraHook = [](int32_t position[3], float* lodFactor) {
    position[0] = 0, position[1] = -(8 << 16), position[2] = 0;
    *lodFactor = 1.0f;
  };
  WMarshal* marshal = new WMarshal({-(5 << 16), 0, 0});
  marshal->model = 1;
  marshal->height = -2.0f;
  marshal->Setup();
  WSpectator* group = new WSpectator({3 << 16, 0, 0});
  group->width = 3.0f;
  group->lowHeight = -2.0f;
  group->highHeight = 0.0f;
  group->Setup();
  ASSERT_TRUE(world_.AddObjectToTable(marshal));
  ASSERT_TRUE(world_.AddObjectToTable(group));

  ASSERT_TRUE(BeginWorldFrame(target_, LookFromTheFront, LightEvenly));
  NextFrame();
  marshal->AddToDrawList();
  group->AddToDrawList();
  ASSERT_NE(marshal->figure, nullptr);
  EXPECT_EQ(marshal->figure->meshSet, &HumanMeshes.slots[1]) << "the slot of its model word's skeleton";
  ASSERT_EQ(group->figureCount, 3) << "one a metre of the width";
  EXPECT_EQ(world_.figureList.count, 2u);
  DrawFigureList();
  const std::vector<uint8_t> p = Pixels();
  const uint32_t yellow = Through(220, 200, 40);
  EXPECT_TRUE(Near(At(p, -5.0, -1.0), yellow)) << std::hex << At(p, -5.0, -1.0) << " the marshal";
  EXPECT_EQ(At(p, -5.0, 0.5), CLEAR) << "above the marshal's head";
  // The group: figures at x = 2, 3 and 4 m, standing on 1/6, 1/2 and 5/6 of the way up.
  for (int i = 0; i < 3; ++i) {
    const double x = 2.0 + i, foot = -2.0 + 2.0 * (i + 0.5) / 3;
    EXPECT_TRUE(Near(At(p, x, foot + 0.9), yellow)) << std::hex << At(p, x, foot + 0.9) << " figure " << i;
    EXPECT_EQ(At(p, x, foot - 0.4), CLEAR) << "below figure " << i;
  }
  EXPECT_EQ(At(p, 2.5, -1.95), CLEAR) << "between the figures";
  WritePicture(p, "figures.png");

  // Beyond the last level's distance nothing is drawn: the marshal leaves the figure list.
  marshal->SetPosition({-(5 << 16), 200 << 16, 0}, 0);
  NextFrame();
  marshal->AddToDrawList();
  EXPECT_EQ(marshal->figure->chosenLevel, HUMAN_NO_LEVEL);
  EXPECT_EQ(world_.figureList.count, 0u);
}

}  // namespace
