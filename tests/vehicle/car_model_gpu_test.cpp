// car_model_gpu_test.cpp - a sample car assembled and drawn on a real GL context in
// orthographic views under a light of 1 whatever the normal: its material mesh shows the
// scaled colour of a C panel and three fifths of it on a D panel, a deep dent at the roof's
// edge lowers the roof below a pixel it covered, and each light mesh draws in its light's
// colour; the drawing road in the editor's view shows the body, the tyres on the ground, a
// frame tube, and the brake lamp only while braking.  The pictures are written to gpu/*.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "model/model_meshes.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "skeleton/human_system.h"
#include "skeleton/skeleton.h"
#include "tests/gpu_device.h"
#include "tests/physics/car_test_util.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "tests/vehicle/wheels_at_rest.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_model.h"
#include "vehicle/garage_picture.h"
#include "vehicle/vehicle.h"
#include "vehicle/wheel_profile.h"

namespace {

constexpr int SIZE = 256;  // pixels of the picture
constexpr float PIXELS_PER_METRE = 48;
constexpr float MIDDLE_HEIGHT = 0.6f;  // m: the height on the picture's middle row
constexpr uint32_t CLEAR = 0xFF102030u;

// Every page of the car draws white: one material of its own per page name (so that the
// build keeps its parts apart as real pages would), and one for the skin.
ZKTETexture* g_white;
std::map<std::string, Material*> g_pages;
Material* WhitePages(const char* name, int, int, int, const CutoutMaterial&, int skin) {
  const std::string key = skin ? "~skin" : name;
  Material*& m = g_pages[key];
  if (!m) {
    MaterialParams params{};
    params.shineRed = params.shineGreen = params.shineBlue = 0xFF;
    m = CreateMaterial(g_white, 0, 0, 300 + int(g_pages.size()), params, 0);
  }
  return m;
}

// Where a view looks from: the picture's x axis, the way into the picture, and the eye.
struct Look {
  float right[3], forward[3];
  float eye[3];
};
const Look FROM_THE_RIGHT{{0, 1, 0}, {-1, 0, 0}, {10, 0, MIDDLE_HEIGHT}};
const Look FROM_THE_FRONT{{-1, 0, 0}, {0, -1, 0}, {0, 10, MIDDLE_HEIGHT}};
const Look FROM_BEHIND{{1, 0, 0}, {0, 1, 0}, {0, -10, MIDDLE_HEIGHT}};

// The column of a point a distance across the picture's x axis, the row of a height.
int Column(double across) { return int(std::floor(SIZE / 2 + across * PIXELS_PER_METRE)); }
int Row(double z) { return int(std::floor(SIZE / 2 - (z - MIDDLE_HEIGHT) * PIXELS_PER_METRE)); }

uint32_t Argb(ColourWord c) { return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c); }

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const std::string& what) {
  for (int shift = 0; shift < 24; shift += 8)
    EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), tolerance)
        << what << std::hex << " got " << got << " want " << want;
}

class CarPixels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetDefaultTextColours();
    Crc32InitTable();
    InitSinCosTables();
    ready_ = StartTestDevice(SIZE, SIZE);
    if (ready_) LoadSystemTextures();
  }
  static void TearDownTestSuite() {
    ReleaseSystemTextures();
    StopTestDevice();
  }

  ZKTETexture target{}, white{};
  int savedGraphics_ = 0;

  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    savedGraphics_ = GraphicsEnabled;
    GraphicsEnabled = 1;
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    const uint32_t texel = 0xFFFFFFFFu;
    GfxTexture2DDesc w;
    w.width = w.height = 1;
    w.format = GFX_FORMAT_R8G8B8A8_UNORM;
    w.bindFlags = GFX_BIND_SHADER_RESOURCE;
    GfxSubresourceData initial{&texel, 4, 0};
    ASSERT_EQ(GfxCreateTexture2D(Gfx.device, w, &initial, &white.texture), GFX_OK);
    ASSERT_EQ(GfxCreateShaderResourceView(Gfx.device, white.texture, nullptr, &white.view), GFX_OK);
    white.width = white.height = white.mipLevels = 1;
    white.format = w.format;
    std::snprintf(white.name, sizeof white.name, "TEST~WHITE");
    g_white = &white;
    g_pages.clear();
    FindSkinTexture = WhitePages;

    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    const int32_t origin[3] = {0, 0, 0}, light[3] = {0, 0, 65536};
    const float forward[3] = {0, -1, 0};
    InitView(view_, origin, forward, light);
    MeshDisplay = MeshDisplaySettings{};
    CurrentWorldPass = 0;
    ShaderCarFlag = 0;
    LightEvenlyWithoutFog();
    DrawOpaqueBothFaces();
  }
  void TearDown() override {
    if (!ready_) return;
    FindSkinTexture = FindPageTextureByName;
    GraphicsEnabled = savedGraphics_;
    FreeAllFastMeshes();
    for (int slot = 0; slot < 3; ++slot) BindTextureSlot(slot, nullptr);
    ReleaseSystemTextures();
    FreeAllMaterials();
    LoadSystemTextures();
    ReleaseTexture(&white);
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingDepth = 0;
    RenderStates.pendingRaster = 0;
    MeshDisplay = MeshDisplaySettings{};
  }

  static void LookFrom(const Look& look) {
    const float up[3] = {0, 0, 1};
    const float* axes[3] = {look.right, up, look.forward};  // view x, y and z in world axes
    float rows[3][3];                                        // where world x, y and z go
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) rows[r][c] = axes[c][r];
    LookOrthographic(rows, look.eye, SIZE / PIXELS_PER_METRE);
  }
  // Draws group 0 (the top level) of a fast mesh as the car drawing does, both passes.
  static void DrawTopLevel(FastMeshHandle handle) {
    FastMesh* mesh = GetFastMesh(handle);
    ASSERT_NE(mesh, nullptr);
    std::memcpy(WorldMatrix, mesh->worldMatrix, sizeof WorldMatrix);
    UploadWorldMatrix(0, 0);
    if (DrawFirstPassParts(*mesh, 0, nullptr)) DrawSecondPassParts(*mesh, 0, nullptr);
  }
  std::vector<uint8_t> Pixels(const char* pngName) {
    const std::vector<uint8_t> p = ReadTargetPixels(target);
    std::vector<uint8_t> opaque = p;  // the lights leave alpha 0: shown opaque to look at
    for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
    WritePng(std::string("gpu/") + pngName, opaque, SIZE, SIZE);
    return p;
  }
  static uint32_t At(const std::vector<uint8_t>& p, int x, int y) { return PixelArgb(p, SIZE, x, y); }
  // The road car sample with colour 1 of its body set given, its lights in colours of their
  // own, assembled and its graphics side built.
  static void MakeCar(Car& car, ColourWord colour1) {
    MakeSampleCar(0, car);
    TakeVehicleLightsAndSkin(car);
    car.AllocModelObjects();
    car.BuildBodyMesh();
    car.currentColours.groups[0][0] = colour1;
    const uint8_t lights[3][3] = {{200, 30, 30}, {220, 220, 120}, {120, 20, 60}};
    for (int i = 0; i < 3; ++i) std::memcpy(car.lights[i].colour, lights[i], 3);  // brake, head, tail
    car.ApplyPendingModelChanges();
  }
  // The car above standing square and drawn at any distance, and a garage
  // picture of it from the heading given, 12 m back, into a target of w x h; the settings draw
  // everything under the first sky.
  static void StandGarageCar(Car& car) {
    MakeCar(car, RgbWord(200, 120, 60));
    SetIdentity3x3(car.orientation);
    DrawingOf(car).drawAlways = 1;
  }
  static EditorCarPicture GaragePicture(ZKTETexture& target, int w, int h, uint16_t heading, float fieldFactor) {
    EditorCarPicture p = {};
    p.heading = heading;
    p.distance = 12.0f;
    p.fieldFactor = fieldFactor;
    p.target = &target;
    p.width = w;
    p.height = h;
    p.clearColour = CLEAR;
    return p;
  }
  static CarViewSettings GarageSettings() {
    CarViewSettings settings = {};
    settings.graphicsOptions = 0xFFFFFFFF;
    settings.skyMode = 1;
    return settings;
  }

  // With the shaders made: a garage car standing at (3 m, -2 m, 0) and a w x h target for
  // its picture.
  static void StandGarageCarAside(Car& car, ZKTETexture& picture, int w, int h) {
    ASSERT_TRUE(ShadersCompile(12, 38));
    StandGarageCar(car);
    car.position = IntVector{3 << 16, -2 << 16, 0};
    ASSERT_TRUE(MakeTestTarget(picture, w, h, true));
  }
  // The fit's box, from the last garage picture, centred in the view across and up and down.
  static void ExpectFitBoxCentred(const std::string& note = "") {
    EXPECT_NEAR(0.5f * (EditorCarFitBox[0] + EditorCarFitBox[2]), 0.0f, 0.05f) << "centred across" << note;
    EXPECT_NEAR(0.5f * (EditorCarFitBox[1] + EditorCarFitBox[3]), 0.0f, 0.05f) << "centred up and down" << note;
  }
  // The first and last columns and rows of a w x h picture holding pixels other than CLEAR;
  // right and bottom are -1 when there are none.
  struct DrawnExtent {
    int left, right, top, bottom;
  };
  static DrawnExtent DrawnBox(const std::vector<uint8_t>& px, int w, int h) {
    DrawnExtent b{w, -1, h, -1};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (PixelArgb(px, w, x, y) != CLEAR) {
          b.left = std::min(b.left, x), b.right = std::max(b.right, x);
          b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        }
    return b;
  }

  static inline bool ready_ = false;
  View view_{};
};

// A colour's channels times 1.275, held at 255, and a fraction of that.
ColourWord Scaled(ColourWord c, int fifths = 5) {
  auto s = [fifths](uint32_t v) { return uint32_t(std::min(255L, std::lround(v * 1.275))) * uint32_t(fifths) / 5; };
  return RgbWord(s(ColourRed(c)), s(ColourGreen(c)), s(ColourBlue(c)));
}

}  // namespace

TEST_F(CarPixels, TheSidesShowTheScaledColourOnTheCPanelAndThreeFifthsOfItOnTheDPanel) {
  ASSERT_TRUE(ShadersCompile(12, 38)) << "vs_12 and ps_38 compiled";
  Car car;
  const ColourWord colour1 = RgbWord(200, 120, 60);
  MakeCar(car, colour1);
  LookFrom(FROM_THE_RIGHT);
  Clear(CLEAR, 3);
  DrawTopLevel(DrawingOf(car).materialMesh);
  const std::vector<uint8_t> p = Pixels("car_model_side.png");
  const uint32_t c = ApplyBrightnessTable(Argb(Scaled(colour1)));
  const uint32_t d = ApplyBrightnessTable(Argb(Scaled(colour1, 3)));
  for (double y : {-1.5, -0.5, 0.5, 1.5}) {
    ExpectNear(At(p, Column(y), Row(0.6)), c, 2, "the upper side, C1, at y " + std::to_string(y));
    ExpectNear(At(p, Column(y), Row(0.35)), d, 2, "the lower side, D1, at y " + std::to_string(y));
  }
  EXPECT_EQ(Scaled(colour1) & 0xFF, 255u) << "200 x 1.275 saturates";
  EXPECT_EQ(At(p, Column(2.3), Row(0.6)), CLEAR) << "ahead of the car";
  EXPECT_EQ(At(p, Column(0), Row(1.4)), CLEAR) << "above the roof";
}

TEST_F(CarPixels, ADeepDentAtTheRoofsEdgeLowersTheRoofBelowAPixelItCovered) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  MakeCar(car, RgbWord(100, 100, 100));
  LookFrom(FROM_THE_FRONT);
  const int x = Column(-0.6), y = Row(1.17);  // the right-hand roof edge, 3 cm below it
  Clear(CLEAR, 3);
  DrawTopLevel(DrawingOf(car).materialMesh);
  EXPECT_NE(At(Pixels("car_model_front.png"), x, y), CLEAR) << "the roof's edge, undamaged";

  // The physical point at the roof's front right corner (0.65, 0.2, 1.2), pushed down.
  int corner = -1;
  float best = 1e9f;
  for (int i = 0; i < car.undamagedPointCount; ++i) {
    const Vec3 v = car.undamagedPoints[i] - Vec3{0.65f, 0.2f, 1.2f};
    if (LengthSquared(v) < best) best = LengthSquared(v), corner = i;
  }
  ASSERT_GE(corner, 0);
  ASSERT_LT(best, 1e-6f);
  EXPECT_FLOAT_EQ(car.damageSize, 2.6f) << "the road car's wheel base: R = 1.3 m";
  ASSERT_EQ(car.AddDamageNode(DamageNode{uint8_t(corner), 255, PackDamageDirection(0, 0, -1)}), 1);
  car.ApplyPendingModelChanges();
  ASSERT_EQ(car.graphicalDamageVersion, 1u);
  Clear(CLEAR, 3);
  DrawTopLevel(DrawingOf(car).materialMesh);
  const std::vector<uint8_t> dented = Pixels("car_model_front_dented.png");
  EXPECT_EQ(At(dented, x, y), CLEAR) << "the dented roof lies below it";
  EXPECT_NE(At(dented, Column(0.6), y), CLEAR) << "the other side's edge was out of reach";
}

TEST_F(CarPixels, EachLightMeshDrawsInItsLightsColour) {
  Car car;
  MakeCar(car, RgbWord(100, 100, 100));
  struct Case {
    int light;
    const Look* look;
    double across;  // on the picture's x axis
    const char* png;
  };
  const Case cases[] = {{LIGHT_BRAKE, &FROM_BEHIND, 0.2, "car_model_brake.png"},
                        {LIGHT_TAIL, &FROM_BEHIND, 0.7, "car_model_tail.png"},
                        {LIGHT_HEAD, &FROM_THE_FRONT, -0.4, "car_model_head.png"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.png);
    const CarLight& light = car.lights[k.light];
    const FastMeshHandle mesh = DrawingOf(car).lightMeshes[k.light];
    ASSERT_NE(GetFastMesh(mesh), nullptr);
    LookFrom(*k.look);
    Clear(CLEAR, 3);
    DrawTopLevel(mesh);
    const std::vector<uint8_t> p = Pixels(k.png);
    const uint32_t want = 0xFF000000u | uint32_t(BrightnessTable[light.colour[0]]) << 16 |
                          uint32_t(BrightnessTable[light.colour[1]]) << 8 | BrightnessTable[light.colour[2]];
    ExpectNear(At(p, Column(k.across), Row(0.6)), want, 2, "the light");
    ExpectNear(At(p, Column(-k.across), Row(0.6)), want, 2, "its mirrored half");
    EXPECT_EQ(At(p, Column(k.across), Row(0.9)), CLEAR) << "above the lights";
  }
}

// The drawing road in the editor's view: the car's body, its tyres standing on the ground and
// a frame tube, then its brake lamp lit only while braking.
TEST_F(CarPixels, TheEditorViewDrawsBodyTyresTubeAndTheBrakeLampWhileBraking) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  InitSinTable();
  Car car;
  const ColourWord colour1 = RgbWord(200, 120, 60);
  MakeCar(car, colour1);
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  StandWheelsAtRest(car);
  // A white tube along the car 1.5 m up, above the roof, every tube drawn.
  const int a = AddFramePoint(car, 0.0f, -1.0f, 1.5f), b = AddFramePoint(car, 0.0f, 1.0f, 1.5f);
  AddTube(car, a, b, 1.0f, TUBE_VISIBLE | TUBE_CENTRE_PLANE);
  car.frameTubes[car.frameTubeCount - 1].radius = 0.03f;
  car.options |= 0x20000;
  CarViewSettings view = {};
  view.kind = VIEW_OUTSIDE;
  view.editorMode = 1;
  view.graphicsOptions = 0xFFFFFFFF;
  view.tyres.tyreStyle = 0;
  CarDrawing& drawing = DrawingOf(car);
  drawing.drawAlways = 1;
  SaveCarViewState(car);
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_EDITOR);
  EXPECT_EQ(drawing.lodIndex, 0);
  EXPECT_TRUE(drawing.drawFlags & DRAW_TYRES);
  ASSERT_NE(drawing.frameTubeBatch, NO_BATCH);
  LookFrom(FROM_THE_RIGHT);
  Clear(CLEAR, 3);
  DrawCarLit(car, view);
  DrawCarSecondPass(car);
  EXPECT_EQ(drawing.lighting.lightingMode, LIGHTING_DEFAULT);
  const std::vector<uint8_t> side = Pixels("car_editor_view.png");
  ExpectNear(At(side, Column(0.5), Row(0.6)), ApplyBrightnessTable(Argb(Scaled(colour1))), 2, "the body's colour");
  EXPECT_GT(int(At(side, Column(0), Row(1.5)) & 0xFF), 200) << "the tube's white";
  EXPECT_EQ(At(side, 2, 2), CLEAR) << "the background";
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    if (w.side != 1.0f) continue;
    const float R = car.wheelSets[w.wheelSet].rollingRadius;
    const uint32_t lower = At(side, Column(w.centre.y), Row(w.centre.z - R + 0.01f));
    EXPECT_NE(lower, CLEAR) << "wheel " << i;
    EXPECT_LT(int(lower >> 16 & 0xFF) + int(lower >> 8 & 0xFF) + int(lower & 0xFF), 3 * 80)
        << std::hex << lower << ": dark tread at wheel " << i << "'s lower edge";
  }

  // From behind: the brake lamp's pixel, without and with the brake.
  const auto brakePixel = [&](float brake) {
    ResetTempMeshes();
    drawing.lamps.brake = brake;
    drawing.lamps.gearIndex = 2;
    EXPECT_EQ(DrawCarModel(car, view), VIEW_EDITOR);
    LookFrom(FROM_BEHIND);
    Clear(CLEAR, 3);
    DrawCarLit(car, view);
    const std::vector<uint8_t> p = Pixels(brake > 0 ? "car_editor_braking.png" : "car_editor_rolling.png");
    return At(p, Column(0.2), Row(0.6));
  };
  // The lamp lies on the white-lit rear panel: unlit it shows the panel, lit its own red.
  const auto redness = [](uint32_t c) { return int(c >> 16 & 0xFF) - int(c >> 8 & 0xFF); };
  const uint32_t rolling = brakePixel(0.0f);
  EXPECT_EQ(drawing.lampsDrawn, 0);
  const uint32_t braking = brakePixel(1.0f);
  EXPECT_EQ(drawing.lampsDrawn, 1);
  // Its colour under the lamp colour: the view's white light times twice the brake lamp's
  // brightness of 2, what passes full scale held there.
  const auto lampChannel = [](uint8_t c) { return std::min<uint32_t>(255u, 4u * BrightnessTable[c]); };
  const uint32_t lamp = 0xFF000000u | lampChannel(200) << 16 | lampChannel(30) << 8 | lampChannel(30);
  ExpectNear(braking, lamp, 2, "the lit brake lamp in its colour");
  EXPECT_LT(redness(rolling), 30) << std::hex << rolling << ": no lamp while rolling";
}

// A car lit from the track's lighting: each face of its body takes the view's sky light from
// its side times how open the track is there (the lit shaders' object row, scale 1); wholly
// open it shows its colour as under the default light, shut in it goes dark.
TEST_F(CarPixels, ATrackLitCarTakesTheSkyLightTimesTheOpennessOfItsPlace) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  const ColourWord colour1 = RgbWord(200, 120, 60);
  MakeCar(car, colour1);
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  CarViewSettings view = {};
  view.kind = VIEW_OUTSIDE;
  view.graphicsOptions = 0xFFFFFFFF & ~GFX_WHEEL_PIECES;
  CarDrawing& drawing = DrawingOf(car);
  drawing.drawAlways = 1;
  const auto bodyPixel = [&](float open) {
    SaveCarViewState(car);
    ResetTempMeshes();
    EXPECT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
    drawing.lighting.lightingChosen = 1;  // as a found sample settles it
    drawing.lighting.lightingMode = LIGHTING_LIGHTMAP;
    for (float& v : drawing.lighting.light.values) v = open;
    LookFrom(FROM_THE_RIGHT);
    Clear(CLEAR, 3);
    DrawCarLit(car, view);
    const float* row = reinterpret_cast<const float*>(VSConstants[VS_ROW_OBJECT].data);
    EXPECT_FLOAT_EQ(row[24], 1.0f) << "the object row in use";
    for (int face = 0; face < 6; ++face) {
      EXPECT_NEAR(row[face * 4], 1.0f, 1e-4f) << "the neutral sky's light from face " << face;
      // The openness in whole steps, held to 0..255 (300 is wholly open, -5 wholly shut).
      const float held = open > 255.0f ? 255.0f : open < 0.0f ? 0.0f : std::round(open);
      EXPECT_NEAR(row[face * 4 + 3], held / 255.0f, 1e-6f) << face << " for " << open;
    }
    const std::vector<uint8_t> p = Pixels("car_track_lit.png");
    return At(p, Column(0.5), Row(0.6));
  };
  const auto sum = [](uint32_t c) { return int(c >> 16 & 0xFF) + int(c >> 8 & 0xFF) + int(c & 0xFF); };
  const uint32_t open = bodyPixel(255.0f), half = bodyPixel(128.0f), shut = bodyPixel(0.0f);
  ExpectNear(open, ApplyBrightnessTable(Argb(Scaled(colour1))), 2, "wholly open: the colour as by default");
  EXPECT_LT(sum(half), sum(open));
  EXPECT_GT(sum(half), sum(shut));
  EXPECT_LT(sum(shut), 3 * 40) << std::hex << shut << ": shut in";
  ExpectNear(bodyPixel(300.0f), open, 2, "more than wholly open: wholly open");
  ExpectNear(bodyPixel(-5.0f), shut, 2, "less than shut: shut");
  const float none[28] = {};
  UploadConstantRowData(0, VS_ROW_OBJECT, none, sizeof none);
}

// The subobject pass by view: an ordinary piece and the posed steering wheel from outside (a
// piece too small for its distance left out), the internal mirror marked only from inside (and left out while marked items are hidden); the
// skips of a silent remote car and of the frame after a rebuild; the peers' visibility.
TEST_F(CarPixels, TheSubobjectPassListsThePiecesAViewShows) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  SaveCarViewState(car);
  CarViewSettings view = {};
  view.kind = VIEW_OUTSIDE;
  view.viewPosition = IntVector{5 << 16, 0, 1 << 16};
  view.graphicsOptions = 0xFFFFFFFF;
  view.driverOption = 1;
  car.steeringLock = 30;
  car.steeringWheelTurn = 3.14159265f;         // half a turn each way at full lock
  car.steeringWheelAlign = car.steeringWheelPitch = 0.0f;
  car.controls.steerAngle = 30 * 3.14159265f / 180;
  const auto count = [&](uint8_t type, int hidden) {
    int n = 0;
    for (int i = 0; i < d.items.count; ++i) {
      const DrawMesh* sub = static_cast<const DrawMesh*>(d.items.items[i].source);
      if (sub && sub->type == type && d.items.items[i].hideWithFlag == hidden) ++n;
    }
    return n;
  };
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  ASSERT_EQ(d.lodIndex, 0);
  EXPECT_EQ(count(SUBOBJECT_STEERING_WHEEL, 0), 1);
  EXPECT_EQ(count(SUBOBJECT_INTERNAL_MIRROR, 0), 1) << "not marked from outside";
  // A piece shows only while its radius is more than 384/65536 of the level distance: from a
  // 3-4-5 offset of 5 m that is 5 x 384 = 1920 units of radius, which is left out, while 1925
  // (385 of the distance) is drawn.
  {
    DrawMesh* steering = nullptr;
    for (int i = 0; i < car.levelMeshes[0]->childCount; ++i)
      if (car.levelMeshes[0]->children[i]->type == SUBOBJECT_STEERING_WHEEL) steering = car.levelMeshes[0]->children[i];
    ASSERT_NE(steering, nullptr);
    const int32_t kept = steering->radius;
    CarViewSettings near = view;
    near.viewPosition = IntVector{3 << 16, 0, 4 << 16};
    steering->radius = 1920;
    DrawCarModel(car, near);
    ASSERT_EQ(d.lodDistance, 5 << 16);
    EXPECT_EQ(count(SUBOBJECT_STEERING_WHEEL, 0), 0) << "exactly at the least size";
    steering->radius = 1925;
    DrawCarModel(car, near);
    EXPECT_EQ(count(SUBOBJECT_STEERING_WHEEL, 0), 1) << "just above it";
    steering->radius = kept;
  }
  // The rims and spokes on each wheel, the left ones mirrored and drawn with the other faces.
  std::vector<int> mirrored;
  for (int w = 0; w < car.wheelCount; ++w) {
    const SuspensionBlock& set = car.wheelSets[car.wheels[w].wheelSet];
    for (const DrawMesh* piece : {set.rimMesh, set.spokeMesh})
      if (piece) mirrored.push_back(car.wheels[w].side < 0.0f);
  }
  ASSERT_FALSE(mirrored.empty());
  ASSERT_EQ(d.items.wheelCount, std::min<int>(CAR_WHEEL_DRAW_ITEMS, int(mirrored.size())));
  for (int i = 0; i < d.items.wheelCount; ++i) {
    EXPECT_EQ(d.items.wheelItems[i].altState, mirrored[size_t(i)]) << "item " << i;
    const float* m = d.items.wheelItems[i].matrix;
    const float det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                      m[2] * (m[4] * m[9] - m[5] * m[8]);
    if (std::fabs(det) > 0.5f) {
      EXPECT_EQ(det < 0.0f, mirrored[size_t(i)] != 0) << "a mirrored matrix, item " << i;
    }
  }
  for (int i = 0; i < d.items.count; ++i) {
    const DrawMesh* sub = static_cast<const DrawMesh*>(d.items.items[i].source);
    if (sub->type != SUBOBJECT_STEERING_WHEEL) continue;
    EXPECT_NEAR(sub->local.rotation.m[0], -FIXED_ONE, 64) << "turned half a turn at full lock";
    EXPECT_NEAR(sub->local.rotation.m[8], FIXED_ONE, 64);
    EXPECT_NEAR(sub->local.translation.x, car.driverPosition.x * 65536.0, 1.0) << "at the driver";
  }
  // Wheels on the centre line have no left side: none of their rims is mirrored.
  {
    float sides[CAR_MAX_WHEELS] = {};
    for (int w = 0; w < car.wheelCount; ++w) {
      sides[w] = car.wheels[w].side;
      car.wheels[w].side = 0.0f;
    }
    DrawCarModel(car, view);
    EXPECT_GT(d.items.wheelCount, 0);
    for (int i = 0; i < d.items.wheelCount; ++i) EXPECT_EQ(d.items.wheelItems[i].altState, 0) << "item " << i;
    for (int w = 0; w < car.wheelCount; ++w) car.wheels[w].side = sides[w];
  }
  // The turn is given at the first default set-up's lock (30 degrees in the sample): given at
  // 20, a third of the lock turns the wheel 30 / 20 x pi / 3 = a quarter turn.
  ASSERT_GE(car.setupCount, 1);
  ASSERT_EQ(car.setups[0].record.bytes[SETUP_STEERING_LOCK], 30);
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 20;
  car.controls.steerAngle = 10 * 3.14159265f / 180;
  DrawCarModel(car, view);
  int turned = 0;
  for (int i = 0; i < d.items.count; ++i) {
    const DrawMesh* sub = static_cast<const DrawMesh*>(d.items.items[i].source);
    if (sub->type != SUBOBJECT_STEERING_WHEEL) continue;
    ++turned;
    EXPECT_NEAR(sub->local.rotation.m[0], 0, 64) << "a quarter turn";
    EXPECT_NEAR(std::abs(sub->local.rotation.m[1]), FIXED_ONE, 64);
  }
  EXPECT_EQ(turned, 1);
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 30;
  car.controls.steerAngle = 30 * 3.14159265f / 180;
  // The column's pitch tilts the turned wheel: Rx(pitch) Rz(turn), with Rx(p) rows (1 0 0),
  // (0 cos p -sin p), (0 sin p cos p).  At half a turn and a pitch of 0.5 the rows are (-1 0 0),
  // (0 -cos 0.5 -sin 0.5), (0 -sin 0.5 cos 0.5); turned after the tilt, the sines would change
  // sign.
  car.steeringWheelPitch = 0.5f;
  DrawCarModel(car, view);
  const double c = std::cos(0.5) * FIXED_ONE, s = std::sin(0.5) * FIXED_ONE;
  const double tilted[9] = {-FIXED_ONE, 0, 0, 0, -c, -s, 0, -s, c};
  int tiltedWheels = 0;
  for (int i = 0; i < d.items.count; ++i) {
    const DrawMesh* sub = static_cast<const DrawMesh*>(d.items.items[i].source);
    if (sub->type != SUBOBJECT_STEERING_WHEEL) continue;
    ++tiltedWheels;
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(sub->local.rotation.m[k], tilted[k], 64) << "element " << k;
  }
  EXPECT_EQ(tiltedWheels, 1);
  car.steeringWheelPitch = 0.0f;
  // An ordinary piece (the steering wheel taken as one) shows in views of kind above 2 only.
  DrawMesh* wheel = nullptr;
  for (int i = 0; i < car.levelMeshes[0]->childCount; ++i)
    if (car.levelMeshes[0]->children[i]->type == SUBOBJECT_STEERING_WHEEL) wheel = car.levelMeshes[0]->children[i];
  ASSERT_NE(wheel, nullptr);
  wheel->type = SUBOBJECT_ATTACHMENT;
  DrawCarModel(car, view);
  EXPECT_EQ(count(SUBOBJECT_ATTACHMENT, 0), 1);
  view.editorMode = 1;
  DrawCarModel(car, view);
  EXPECT_EQ(count(SUBOBJECT_ATTACHMENT, 0), 0) << "the editor's view";
  EXPECT_EQ(count(SUBOBJECT_INTERNAL_MIRROR, 0), 1);
  view.editorMode = 0;
  wheel->type = SUBOBJECT_STEERING_WHEEL;
  DrawCarModel(car, view);
  EXPECT_EQ(d.multiplayerVisible, 0) << "not connected, not inside";
  view.connected = 1;
  DrawCarModel(car, view);
  EXPECT_EQ(d.multiplayerVisible, 1) << "5 m off, within 300 m";

  view.kind = VIEW_INSIDE;
  view.connected = 0;
  ASSERT_EQ(DrawCarModel(car, view), VIEW_INSIDE);
  EXPECT_EQ(count(SUBOBJECT_INTERNAL_MIRROR, 1), 1) << "marked from inside";
  // From inside, the internal mirror moves across by the inside view's own offset, not by the
  // custom view's.
  const auto mirrorX = [&] {
    for (int i = 0; i < d.items.count; ++i) {
      const DrawMesh* sub = static_cast<const DrawMesh*>(d.items.items[i].source);
      if (sub && sub->type == SUBOBJECT_INTERNAL_MIRROR) return d.items.items[i].matrix[12];
    }
    return -99.0f;
  };
  const float atRest = mirrorX();
  view.mirrorOffset[0][0] = 0.1f;
  view.mirrorOffset[1][0] = 0.3f;
  DrawCarModel(car, view);
  EXPECT_NEAR(mirrorX() - atRest, 0.1f, 1e-4f) << "the inside view's offset";
  view.mirrorOffset[0][0] = view.mirrorOffset[1][0] = 0.0f;
  DrawCarModel(car, view);
  EXPECT_EQ(d.multiplayerVisible, 1);
  LookFrom(FROM_THE_RIGHT);
  Clear(CLEAR, 3);
  DrawCarLit(car, view);
  EXPECT_EQ(d.itemsDrawn, d.items.count + d.items.wheelCount);
  DrawCarModel(car, view);
  d.drawFlags |= DRAW_HIDE_MARKED;
  DrawCarLit(car, view);
  EXPECT_EQ(d.itemsDrawn, d.items.count - 1 + d.items.wheelCount) << "the marked mirror left out";
  view.internalShow = 2;
  DrawCarModel(car, view);
  EXPECT_EQ(count(SUBOBJECT_STEERING_WHEEL, 0), 0) << "Internal Show 2 hides the steering wheel";

  // Skips: a remote car whose data stopped; a local car the frame after a rebuild.
  view.kind = VIEW_OUTSIDE;
  car.remote = 1;
  car.active = 0;
  EXPECT_EQ(DrawCarModel(car, view), 1);
  car.remote = 0;
  d.drawAlways = 0;
  CarModelRebuilt = 1;
  EXPECT_EQ(DrawCarModel(car, view), 1);
  EXPECT_EQ(CarModelRebuilt, 2) << "each skip counted";
  EXPECT_EQ(TakeCarModelRebuilt(), 1);
  EXPECT_EQ(CarModelRebuilt, 0);
  EXPECT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  CarModelRebuilt = 255;
  EXPECT_EQ(DrawCarModel(car, view), 1);
  EXPECT_EQ(CarModelRebuilt, 255) << "held, never wrapping to 0";
  TakeCarModelRebuilt();
}

// The second pass: the body's blended parts at the level the lit pass recorded, then the
// queued 3D text, both once; and the editor's marks at the seats in display mode 1.
// The level of detail takes the distance times the view's level scale, and the detail state
// the distance times its own, other scale.  The sample body's levels end at 30 m and 150 m.
TEST_F(CarPixels, TheLevelFollowsTheLevelScaleAndTheDetailsTheDetailScale) {
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  ASSERT_EQ(car.model->lodCount, 2);
  ASSERT_EQ(car.model->lodDistances[0], 30 << 16);
  ASSERT_EQ(car.model->lodDistances[1], 150 << 16);
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  SaveCarViewState(car);
  CarViewSettings view = {};
  view.kind = VIEW_OUTSIDE;
  view.viewPosition = IntVector{20 << 16, 0, 0};  // 20 m off
  view.graphicsOptions = 0xFFFFFFFF;
  // Level as though 40 m off: the second level; details as though 20 m off: all of them.
  view.lodScale = 2.0f;
  view.detailScale = 1.0f;
  d.detailState = 0;
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  EXPECT_NEAR(d.lodDistance / 65536.0, 40.0, 1e-3);
  EXPECT_EQ(d.lodIndex, 1);
  EXPECT_EQ(d.detailState, 4);
  // Level as though 10 m off: the first; details as though 40 m off: the second level's.
  view.lodScale = 0.5f;
  view.detailScale = 2.0f;
  d.detailState = 0;
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  EXPECT_NEAR(d.lodDistance / 65536.0, 10.0, 1e-3);
  EXPECT_EQ(d.lodIndex, 0);
  EXPECT_EQ(d.detailState, 2);
  // Both scaled to 20 x 0.01 = 0.2 m: each held to 1 m, past a first level that ends at
  // 0.75 m, so the second level and the second level's details.
  car.model->lodDistances[0] = 3 << 14;
  view.lodScale = 0.01f;
  view.detailScale = 0.01f;
  d.detailState = 0;
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  EXPECT_EQ(d.lodDistance, 1 << 16);
  EXPECT_EQ(d.lodIndex, 1);
  EXPECT_EQ(d.detailState, 2) << "details as though 1 m off, not 0.2";
  car.model->lodDistances[0] = 30 << 16;
}

// The lamps light only on the near levels: a car drawn at its last level (the second of the
// sample's two, 20 m off seen as 40 m) shows none while braking, the same car at its first
// level (seen as 10 m) lights its brake lamp.
TEST_F(CarPixels, TheLampsAreLitAtTheFirstLevelButNotAtTheLastLevel) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  InitSinTable();
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  ASSERT_EQ(car.model->lodCount, 2);
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  CarViewSettings view = {};
  view.kind = VIEW_OUTSIDE;
  view.viewPosition = IntVector{20 << 16, 0, 0};  // 20 m off
  view.graphicsOptions = 0xFFFFFFFF;
  const auto lampsAt = [&](float lodScale) {
    view.lodScale = lodScale;
    d.lamps.brake = 1.0f;
    d.lamps.gearIndex = 2;
    SaveCarViewState(car);
    ResetTempMeshes();
    EXPECT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
    DrawCarLit(car, view);
    DrawCarSecondPass(car);
    return std::pair<int, int>(d.lodIndex, d.lampsDrawn);
  };
  const std::pair<int, int> last = lampsAt(2.0f);  // as though 40 m off: past 30 m
  EXPECT_EQ(last.first, 1);
  EXPECT_EQ(last.second, 0) << "no lamps at the last level";
  const std::pair<int, int> first = lampsAt(0.5f);  // as though 10 m off: within 30 m
  EXPECT_EQ(first.first, 0);
  EXPECT_EQ(first.second, 1) << "the brake lamp at the first level";
}

TEST_F(CarPixels, TheSecondPassDrawsWhatTheLitPassLeftAndTheEditorMarksShowInModeOne) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  CarViewSettings view = {};
  view.kind = VIEW_EDITOR;
  view.editorMode = 2;  // the editor's own drawing: no marks
  view.graphicsOptions = 0xFFFFFFFF;
  ResetTempMeshes();
  LookFrom(FROM_THE_RIGHT);
  Clear(CLEAR, 3);
  DrawCar(car, view, 0, 0x20, 3);
  EXPECT_EQ(d.drawnPass, VIEW_EDITOR);
  EXPECT_TRUE(d.drawFlags & 0x20) << "the caller's extra flags";
  EXPECT_EQ(d.deferredLevel, d.lodIndex);
  std::snprintf(d.text.text, sizeof d.text.text, "%s", "P1");
  d.text.queued = 1;
  d.text.colour = 0xFFFFFFFF;
  DrawCarSecondPass(car);
  EXPECT_EQ(d.deferredDrawn, 1);
  EXPECT_EQ(d.deferredLevel, 0xFF);
  EXPECT_EQ(d.text.queued, 0) << "the text is drawn once";
  DrawCarSecondPass(car);
  EXPECT_EQ(d.deferredDrawn, 0) << "nothing left";
  // The car's own shine textures stand in while it is drawn; the renderer's come back after.
  ASSERT_TRUE(SystemMaterials.plainWhite && SystemMaterials.plainBlack);
  ZKTETexture* const white = SystemMaterials.plainWhite->texture;
  ZKTETexture* const black = SystemMaterials.plainBlack->texture;
  ASSERT_NE(white, black);
  ZKTETexture* const kept[2] = {ShineTextures[0], ShineTextures[1]};
  ShineTextures[0] = white;
  ShineTextures[1] = black;
  d.environment[0] = black;
  d.environment[1] = white;
  DrawCarSecondPass(car);
  EXPECT_EQ(ShineTextures[0], white);
  EXPECT_EQ(ShineTextures[1], black);
  DrawCarLit(car, view);
  EXPECT_EQ(ShineTextures[0], white) << "after the lit pass too";
  EXPECT_EQ(ShineTextures[1], black);
  DrawCarSecondPass(car);
  ShineTextures[0] = kept[0];
  ShineTextures[1] = kept[1];
  const std::vector<uint8_t> without = Pixels("car_editor_no_marks.png");

  // Display mode 1: the seat marks over the car; the forward arrow of the driver's mark, seen
  // from the side, lies flat across z above the roof.
  car.driverPosition = Vec3{0.0f, 0.0f, 1.3f};
  view.editorMode = 1;
  Clear(CLEAR, 3);
  DrawCar(car, view, 0, 0x20, 3);
  const std::vector<uint8_t> with = Pixels("car_editor_marks.png");
  EXPECT_EQ(At(without, Column(0.2), Row(1.3)), CLEAR) << "nothing above the roof";
  EXPECT_NE(At(with, Column(0.2), Row(1.3)), CLEAR) << "the head of the driver's forward arrow";
  EXPECT_GT(At(with, Column(0.2), Row(1.3)) >> 8 & 0xFF, 128u) << "in the heads' yellow, not the shafts' red";
}

// The garage picture: the car drawn alone into a 16:9 render texture, the camera moved and
// zoomed until the car's box fills the frame, centred; the view given back as it was.
TEST_F(CarPixels, TheGaragePictureFitsTheCarCentredInSixteenByNine) {
  constexpr int W = 320, H = 180;
  Car car;
  ZKTETexture picture{};
  ASSERT_NO_FATAL_FAILURE(StandGarageCarAside(car, picture, W, H));
  // From ahead and to the side, far too wide at first: the fit zooms in.
  EditorCarPicture p = GaragePicture(picture, W, H, 0x2000, 3.0f);
  p.fit = 1;
  const CarViewSettings settings = GarageSettings();
  const View before = *CurrentView;
  ComputeViewBasis();
  float basis[3][3];
  std::memcpy(basis, ViewBasis, sizeof basis);
  ASSERT_EQ(DrawEditorCar(car, p, settings), 1);
  EXPECT_EQ(std::memcmp(&before, CurrentView, sizeof before), 0) << "the view given back";
  EXPECT_EQ(std::memcmp(basis, ViewBasis, sizeof basis), 0) << "and its axes";
  const float boxWidth = EditorCarFitBox[2] - EditorCarFitBox[0], boxHeight = EditorCarFitBox[3] - EditorCarFitBox[1];
  ExpectFitBoxCentred();
  const bool wide = boxWidth * 9.0f > boxHeight * 16.0f;
  EXPECT_NEAR(wide ? boxWidth : boxHeight, wide ? 1.875f : 1.0546875f, 0.08f) << "filling 16:9";

  const std::vector<uint8_t> px = ReadTargetPixels(picture);
  std::vector<uint8_t> opaque = px;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  WritePng("gpu/car_garage_picture.png", opaque, W, H);
  const auto [left, right, top, bottom] = DrawnBox(px, W, H);
  ASSERT_GE(right, 0) << "the car is in the picture";
  EXPECT_GT(left, 0);
  EXPECT_LT(right, W - 1);
  EXPECT_GT(top, 0);
  EXPECT_LT(bottom, H - 1) << "nothing cut off";
  EXPECT_NEAR(0.5 * (left + right), W / 2.0, W * 0.06);
  EXPECT_NEAR(0.5 * (top + bottom), H / 2.0, H * 0.08);
  EXPECT_TRUE(right - left > W * 0.8 || bottom - top > H * 0.8) << "the car fills the frame";
  ReleaseTexture(&picture);
}

// Seen side-on the car is wider than 16:9: the fit zooms by its width, until the box spans
// 1.875 of the view's 2 across (its height then under 1.875 * 9 / 16 = 1.0546875), and the
// picture leaves a margin of (2 - 1.875) / 4 of its width, 10 of 320 columns, at each side.
TEST_F(CarPixels, TheGaragePictureFitsACarWiderThanSixteenByNineByItsWidth) {
  constexpr int W = 320, H = 180;
  Car car;
  ZKTETexture picture{};
  ASSERT_NO_FATAL_FAILURE(StandGarageCarAside(car, picture, W, H));
  EditorCarPicture p = GaragePicture(picture, W, H, 0xC000, 3.0f);
  p.fit = 1;
  ASSERT_EQ(DrawEditorCar(car, p, GarageSettings()), 1);
  const float boxWidth = EditorCarFitBox[2] - EditorCarFitBox[0], boxHeight = EditorCarFitBox[3] - EditorCarFitBox[1];
  ASSERT_GT(boxWidth * 9.0f, boxHeight * 16.0f) << "side-on the car is wider than 16:9";
  ExpectFitBoxCentred();
  EXPECT_NEAR(boxWidth, 1.875f, 0.08f) << "filling 16:9 by the width";
  EXPECT_LT(boxHeight, 1.0546875f) << "within the frame's height";

  const std::vector<uint8_t> px = ReadTargetPixels(picture);
  const auto [left, right, top, bottom] = DrawnBox(px, W, H);
  ASSERT_GE(right, 0) << "the car is in the picture";
  EXPECT_NEAR(left, 10, 4) << "a margin at the left";
  EXPECT_NEAR(right, W - 1 - 10, 4) << "and at the right";
  EXPECT_GT(top, 0);
  EXPECT_LT(bottom, H - 1) << "nothing cut off";
  ReleaseTexture(&picture);
}

// Without the fit the picture is taken from the car's own place (the distance back along the
// heading), whatever place the frame's view stood at: two pictures taken with the view far
// apart are the same, and both show the car.
TEST_F(CarPixels, TheGaragePictureIsTakenFromTheCarsPlaceWhereverTheViewStood) {
  constexpr int W = 160, H = 90;
  Car car;
  ZKTETexture picture{};
  ASSERT_NO_FATAL_FAILURE(StandGarageCarAside(car, picture, W, H));
  const EditorCarPicture p = GaragePicture(picture, W, H, 0x2000, 1.0f);
  const CarViewSettings settings = GarageSettings();
  const View kept = *CurrentView;
  std::vector<uint8_t> pictures[2];
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < 3; ++i) CurrentView->position[i] = k == 0 ? 0 : (40 + 10 * i) << 16;
    ASSERT_EQ(DrawEditorCar(car, p, settings), 1);
    pictures[k] = ReadTargetPixels(picture);
    int covered = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) covered += PixelArgb(pictures[k], W, x, y) != CLEAR;
    EXPECT_GT(covered, W * H / 20) << "the car is in picture " << k;
  }
  *CurrentView = kept;
  EXPECT_TRUE(pictures[0] == pictures[1]) << "the same picture";
  ReleaseTexture(&picture);
}

// The fit moves the eye across to centre the car: an eye put 2 m to one side at first, looking
// along either axis of the ground, ends with the car's box centred.
TEST_F(CarPixels, TheGaragePictureFitMovesAnEyePutToOneSideBackAcross) {
  constexpr int W = 320, H = 180;
  Car car;
  ZKTETexture picture{};
  ASSERT_NO_FATAL_FAILURE(StandGarageCarAside(car, picture, W, H));
  const CarViewSettings settings = GarageSettings();
  for (const uint16_t heading : {uint16_t(0), uint16_t(0x4000)}) {
    EditorCarPicture p = GaragePicture(picture, W, H, heading, 1.5f);
    p.offsets[0] = 2.0f;
    p.fit = 1;
    ASSERT_EQ(DrawEditorCar(car, p, settings), 1);
    ExpectFitBoxCentred(", heading " + std::to_string(heading));
  }
  ReleaseTexture(&picture);
}

// The garage picture is not drawn while the device is busy, without graphics, or into a frame
// that draws nothing (into a texture it still is); sky mode 3 draws the car in outline under
// the wireframe state and gives the solid state back.
TEST_F(CarPixels, TheGaragePictureWaitsForTheDeviceAndOutlinesInSkyModeThree) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  StandGarageCar(car);
  constexpr int W = 160, H = 90;
  ZKTETexture picture{};
  ASSERT_TRUE(MakeTestTarget(picture, W, H, true));
  EditorCarPicture p = GaragePicture(picture, W, H, 0x2000, 1.0f);
  p.fit = 1;
  CarViewSettings settings = GarageSettings();
  const auto covered = [&] {
    const std::vector<uint8_t> px = ReadTargetPixels(picture);
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) n += PixelArgb(px, W, x, y) != CLEAR;
    return n;
  };
  Gfx.busy = 1;
  EXPECT_EQ(DrawEditorCar(car, p, settings), 0) << "the device is busy";
  Gfx.busy = 0;
  GraphicsEnabled = 0;
  EXPECT_EQ(DrawEditorCar(car, p, settings), 0) << "no graphics";
  GraphicsEnabled = 1;
  FrameSkipped = 1;
  EXPECT_EQ(DrawEditorCar(car, p, settings), 1) << "into a texture while the frame is skipped";
  const int solid = covered();
  EditorCarPicture intoFrame = p;
  intoFrame.target = nullptr;
  EXPECT_EQ(DrawEditorCar(car, intoFrame, settings), 0) << "into a skipped frame";
  FrameSkipped = 0;
  ASSERT_GT(solid, W * H / 4);

  settings.skyMode = 3;
  RenderStates.pendingRaster = 0;
  ASSERT_EQ(DrawEditorCar(car, p, settings), 1);
  EXPECT_EQ(RenderStates.pendingRaster, 0) << "the solid state given back";
  const int outline = covered();
  EXPECT_GT(outline, 0);
  EXPECT_LT(outline, solid / 2) << "only the edges";
  ReleaseTexture(&picture);
}

// The driver: a figure of one solid whose two steering frames stand 0.5 m and 0.7 m above the
// seat, blended halfway when the car steers straight, posed into temporary meshes at the
// driver's seat and drawn above the roof; a helmet on its head from outside, none from inside.
TEST_F(CarPixels, TheDriverIsPosedAtTheSeatWithAHelmetOnItsHead) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  car.driverPosition = Vec3{0.0f, 0.0f, 1.3f};
  car.steeringLock = 30;
  car.steeringWheelTurn = 3.0f;
  car.controls.steerAngle = 0.0f;
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  SaveCarViewState(car);

  // The figure's mesh: a white panel across the car, 0.4 m wide and high, moved by frame 0.
  AllocateHumanSlots(1);
  HumanMeshSlot& slot = HumanMeshes.slots[0];
  slot.flags = 1;
  slot.levelCount = 1;
  slot.distanceLimits[0] = 100 << 16;
  auto* mesh = new GouraudO3d;
  mesh->Init();
  AllocateMeshArrays(*mesh, 4, 2, 1);
  const float corners[4][2] = {{-0.2f, -0.2f}, {0.2f, -0.2f}, {0.2f, 0.2f}, {-0.2f, 0.2f}};
  for (int i = 0; i < 4; ++i) {
    mesh->points[i].x = 0;
    mesh->points[i].y = int32_t(corners[i][0] * 65536);
    mesh->points[i].z = int32_t(corners[i][1] * 65536);
    mesh->points[i].nx = 1.0f;
  }
  const uint16_t tris[2][3] = {{0, 1, 2}, {2, 3, 0}};
  for (int t = 0; t < 2; ++t)
    for (int k = 0; k < 3; ++k) mesh->triangles[t].index[k] = tris[t][k];
  mesh->parts[0].key = SystemMaterials.plainWhite;
  mesh->parts[0].pointCount = 4;
  mesh->parts[0].triangleCount = 2;
  slot.meshes[0] = mesh;
  HumanModel human{HUMAN_MODEL_USABLE, 0, 0.0f, {}};
  FixedTransform rest = AnimDefaultTransform;
  auto* figure = new AnimInstance{AnimDefaultTransform, &human, 1, new FixedTransform[1]{rest}};
  auto* steering = new Animation;
  steering->frameCount = 2;
  steering->scale = 1.0f;
  steering->frames = new AnimationFrame[2];
  for (int k = 0; k < 2; ++k) {
    steering->frames[k].time = float(k);
    steering->frames[k].transforms = new FixedTransform[1]{rest};
    steering->frames[k].transforms[0].translation.z = k == 0 ? 32768 : 45875;  // 0.5 m, 0.7 m
  }
  car.steeringInstance = figure;
  car.steeringPose = steering;
  Helmet.fastMesh = NewFastMesh();
  Helmet.levelCount = 1;

  CarViewSettings view = {};
  view.kind = VIEW_OUTSIDE;
  view.viewPosition = IntVector{5 << 16, 0, 1 << 16};
  view.graphicsOptions = 0xFFFFFFFF;
  view.driverOption = 1;
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  ASSERT_TRUE(d.drawFlags & DRAW_PEOPLE);
  EXPECT_EQ(d.figures[0].level, 0);
  EXPECT_GT(d.figures[0].batchCount, 0);
  EXPECT_NEAR(figure->bones[0].translation.z / 65536.0, 0.6, 0.002) << "halfway between the two frames";
  EXPECT_NEAR(d.figures[0].head.z / 65536.0, 1.3 + 0.6 - HEAD_DROP, 0.002) << "the head above the seat";
  int helmets = 0;
  for (int i = 0; i < d.items.count; ++i) helmets += d.items.items[i].tag == ITEM_TAG_HELMET;
  EXPECT_EQ(helmets, 1);
  // The helmet stands at the head in the world: with the car moved 1 m across and 2 m along,
  // so is the helmet.
  car.position = IntVector{1 << 16, 2 << 16, 0};
  SaveCarViewState(car);
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  const CarDrawItem* helmet = nullptr;
  for (int i = 0; i < d.items.count; ++i)
    if (d.items.items[i].tag == ITEM_TAG_HELMET) helmet = &d.items.items[i];
  ASSERT_NE(helmet, nullptr);
  EXPECT_NEAR(helmet->matrix[12], 1.0 + d.figures[0].head.x / 65536.0, 1e-3);
  EXPECT_NEAR(helmet->matrix[13], 2.0 + d.figures[0].head.y / 65536.0, 1e-3);
  EXPECT_NEAR(helmet->matrix[14], d.figures[0].head.z / 65536.0, 1e-3);
  car.position = IntVector{0, 0, 0};
  SaveCarViewState(car);
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  LookFrom(FROM_THE_RIGHT);
  Clear(CLEAR, 3);
  DrawCarLit(car, view);
  const std::vector<uint8_t> p = Pixels("car_driver.png");
  EXPECT_GT(int(At(p, Column(0.0), Row(1.9)) & 0xFF), 150) << std::hex << At(p, Column(0.0), Row(1.9))
                                                          << ": the figure's white panel";
  // A helmet model of no levels is not placed.
  Helmet.levelCount = 0;
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  helmets = 0;
  for (int i = 0; i < d.items.count; ++i) helmets += d.items.items[i].tag == ITEM_TAG_HELMET;
  EXPECT_EQ(helmets, 0) << "no helmet of no levels";
  EXPECT_GT(d.figures[0].batchCount, 0) << "the driver still drawn";
  Helmet.levelCount = 1;
  view.kind = VIEW_INSIDE;
  DrawCarModel(car, view);
  helmets = 0;
  for (int i = 0; i < d.items.count; ++i) helmets += d.items.items[i].tag == ITEM_TAG_HELMET;
  EXPECT_EQ(helmets, 0) << "no helmet seen from inside";
  view.internalShow = 1;
  DrawCarModel(car, view);
  EXPECT_EQ(d.figures[0].level, FIGURE_NOT_DRAWN) << "Internal Show hides the driver inside";

  car.steeringInstance = nullptr;
  car.steeringPose = nullptr;
  AnimInstance::Delete(figure);
  Animation::Delete(steering);
  FreeHumanMeshSlots();
  FreeHelmetMeshes();
  Helmet.levelCount = 0;
}

// A built car hands every wheel set's rim and spokes to the device, as it does its body.
TEST_F(CarPixels, EveryWheelSetsRimAndSpokesHaveTheirDeviceMeshes) {
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  int pieces = 0;
  for (const SuspensionBlock& set : car.wheelSets)
    for (DrawMesh* piece : {set.rimMesh, set.spokeMesh})
      if (piece && piece->IsGouraud()) {
        ++pieces;
        EXPECT_NE(GetFastMesh(static_cast<GouraudO3d*>(piece)->fastMesh), nullptr) << (piece == set.rimMesh ? "rim" : "spokes");
      }
  EXPECT_GT(pieces, 0);
}

// The car is drawn where it stands: moved a quarter metre along, its picture from the side
// moves a quarter metre (12 pixels) across, the lit pass and the second pass alike, whatever
// world transform other drawing left between the passes.
TEST_F(CarPixels, ACarMovedAlongIsDrawnWhereItStands) {
  ASSERT_TRUE(ShadersCompile(12, 38));
  Car car;
  MakeCar(car, RgbWord(200, 120, 60));
  SetIdentity3x3(car.orientation);
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  CarViewSettings view = {};
  view.kind = VIEW_EDITOR;
  view.editorMode = 2;
  view.graphicsOptions = 0xFFFFFFFF;
  // The mean column of the pixels the car covers.
  const auto meanColumn = [&](int32_t along) {
    car.position = IntVector{0, along, 0};
    ResetTempMeshes();
    LookFrom(FROM_THE_RIGHT);
    Clear(CLEAR, 3);
    DrawCar(car, view, 0, 0, 1);
    SetIdentityMatrix(WorldMatrix);  // as another object drawn between the passes leaves it
    DrawCar(car, view, 0, 0, 2);
    SetIdentityMatrix(WorldMatrix);
    DrawCarSecondPass(car);
    const std::vector<uint8_t> p = Pixels("car_moved_along.png");
    double sum = 0, n = 0;
    for (int y = 0; y < SIZE; ++y)
      for (int x = 0; x < SIZE; ++x)
        if ((At(p, x, y) & 0xFFFFFFu) != (CLEAR & 0xFFFFFFu)) {
          sum += x;
          n += 1;
        }
    EXPECT_GT(n, 100) << "the car covers the picture's middle";
    return n > 0 ? sum / n : 0.0;
  };
  const double atRest = meanColumn(0);
  const double moved = meanColumn(1 << 14);
  EXPECT_NEAR(std::abs(moved - atRest), 0.25 * PIXELS_PER_METRE, 3.0);
}
