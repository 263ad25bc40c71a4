// car_model_test.cpp - the car's model assembly on the null device: the switch distances by
// level count, the colour sets on the mappings, the wheel subobjects, the first build's
// messages, a rebuild posted under the car lock, the dashboard and clock pages, the drive-side
// flips, the sample cars assembled whole, and every car's model released and rebuilt around
// a device re-creation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "model/model_meshes.h"
#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/immediate.h"
#include "render/gouraud_mesh.h"
#include "render/system_textures.h"
#include "render/texture_names.h"
#include "render/texture_record.h"
#include "tests/vehicle/car_model_fixture.h"
#include "tests/vehicle/wheels_at_rest.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_geometry.h"
#include "vehicle/frame_tubes.h"
#include "vehicle/skin_lookup.h"
#include "vehicle/vehicle.h"
#include "vehicle/wheel_profile.h"

namespace {

using CarModel = CarModelTest;

TEST_F(CarModel, SwitchDistancesFollowTheLevelCountAndOtherCountsAreRefused) {
  for (int levels = 0; levels <= 5; ++levels) {
    SCOPED_TRACE(levels);
    Car car;
    ModelBuilder b;
    AddSquare(b, "x", "PLAIN~W", 0);
    ModelObject& model = GiveModel(car, b, levels);
    for (int32_t& d : model.lodDistances) d = 7;
    car.AllocateHull(3, 1);
    car.undamagedPoints = static_cast<Vec3*>(std::malloc(3 * sizeof(Vec3)));
    car.undamagedPointCount = 3;
    ReportRecorder::Reports() = RecordedReports{};
    car.SetLodDistances();
    EXPECT_EQ(car.pointCount, 0) << "the physical points go";
    EXPECT_EQ(car.undamagedPoints, nullptr);
    if (levels >= 1 && levels <= 3) {
      // The switch distances in metres by the level count: 120; 120 and 540; 60, 180 and 540.
      const int metres[3][3] = {{120, 0, 0}, {120, 540, 0}, {60, 180, 540}};
      for (int i = 0; i < levels; ++i) EXPECT_EQ(model.lodDistances[i], metres[levels - 1][i] << 16) << i;
      for (int i = levels; i < MAX_LOD_COUNT; ++i) EXPECT_EQ(model.lodDistances[i], 7) << i << ": past the levels, unchanged";
      EXPECT_EQ(Lines(TEXT_LOD_TOO_MANY), 0);
    } else {
      for (int i = 0; i < MAX_LOD_COUNT; ++i) EXPECT_EQ(model.lodDistances[i], 7) << "unchanged";
      EXPECT_EQ(Lines("1|-1|" + std::string(TEXT_LOD_TOO_MANY)), levels == 0 ? 0 : 1) << "in the error colour";
    }
  }
  EXPECT_EQ(LOD_DISTANCES[1][1], 540 << 16);
  EXPECT_EQ(LOD_DISTANCES[2][0], 60 << 16);

  Car quiet;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(quiet, b, 4);
  ReportRecorder::Reports() = RecordedReports{};
  ModelMeshConfig.quiet = 1;
  quiet.SetLodDistances();
  EXPECT_EQ(Lines(TEXT_LOD_TOO_MANY), 0) << "quiet";
}

// A car given model objects has them released when it goes: giving them installs the hooks
// the car's end calls, even in a program that has made no other part of a car's model yet.
TEST_F(CarModel, GivingACarModelObjectsInstallsTheHooksThatReleaseThem) {
  const CarReleaseHooks kept = CarRelease;
  CarRelease.releaseModelObjects = nullptr;
  CarRelease.releaseMeshes = nullptr;
  {
    Car car;
    car.AllocModelObjects();
    EXPECT_NE(CarRelease.releaseModelObjects, nullptr);
    EXPECT_NE(CarRelease.releaseMeshes, nullptr);
  }
  CarRelease = kept;
}

// A mapping's colour after the colour sets: the rule applied to the scaled colour.
ColourWord Scaled(ColourWord c) {
  auto s = [](uint32_t v) { return uint32_t(std::min(255L, std::lround(v * 1.275))); };
  return RgbWord(s(ColourRed(c)), s(ColourGreen(c)), s(ColourBlue(c)));
}
ColourWord Fifths(ColourWord c, int n) {
  return RgbWord(ColourRed(c) * n / 5, ColourGreen(c) * n / 5, ColourBlue(c) * n / 5);
}

TEST_F(CarModel, ColourSetsFollowTheMappingNamesAndHubObjectsTakeTheRimColours) {
  Car car;
  ModelBuilder b;
  AddSquare(b, "c2", "PLAIN~W", 0);
  const char* const names[] = {"C1", "M3", "D1", "e4", "d5", "X1", "C", "E2x"};
  for (const char* name : names) b.AddMapping(name, 0, 0, DIRECTION_TOP, 1, 1, 0x01ABCDEF);
  ModelObject& model = GiveModel(car, b);
  std::vector<ModelObject> children(4);
  const uint8_t types[4] = {SUBOBJECT_HUB, SUBOBJECT_ATTACHMENT, SUBOBJECT_BRAKE, SUBOBJECT_HUB};
  const uint16_t options[4] = {SUBOBJECT_CUSTOM_COLOURS, SUBOBJECT_CUSTOM_COLOURS, 0, 0};
  for (int i = 0; i < 4; ++i) {
    ModelBuilder c;
    AddSquare(c, "c2", "PLAIN~W", 0);
    c.AddMapping("D2", 0, 0, DIRECTION_TOP, 1, 1, 0xFFFFFF);
    children[i].Init();
    c.Into(children[i]);
    children[i].type = types[i];
    children[i].options = options[i];
  }
  SetChildren(model, children);
  const ColourWord body[4] = {RgbWord(10, 20, 30), RgbWord(200, 80, 40), RgbWord(160, 160, 160), RgbWord(255, 1, 2)};
  const ColourWord rims[4] = {RgbWord(1, 1, 1), RgbWord(40, 80, 120), RgbWord(3, 3, 3), RgbWord(4, 4, 4)};
  std::memcpy(car.currentColours.groups[0], body, sizeof body);
  std::memcpy(car.currentColours.groups[1], rims, sizeof rims);
  car.ApplyColourSets();

  const ModelMapping* m = model.mappings;
  EXPECT_EQ(m[0].colour, Scaled(body[1])) << "lower-case c2 in the main object: colour 2 of the first set";
  EXPECT_EQ(Scaled(body[1]), RgbWord(255, 102, 51)) << "200 x 1.275 saturates at 255";
  EXPECT_EQ(m[1].colour, CF_SELF_LIT | Scaled(body[0])) << "C1, the flags kept";
  EXPECT_EQ(m[2].colour, CF_SELF_LIT | Scaled(body[2])) << "M3";
  EXPECT_EQ(m[3].colour, CF_SELF_LIT | Fifths(Scaled(body[0]), 3)) << "D1: three fifths, integer";
  EXPECT_EQ(m[3].colour & 0xFFFFFF, RgbWord(7, 15, 22));
  EXPECT_EQ(m[4].colour, CF_SELF_LIT | Fifths(Scaled(body[3]), 2)) << "e4: two fifths; 255 x 1.275 saturates";
  for (int i = 5; i <= 7; ++i) EXPECT_EQ(m[i].colour, 0x01ABCDEFu) << m[i].name << " is no colour name";
  EXPECT_EQ(m[8].colour, CF_SELF_LIT | Fifths(Scaled(body[1]), 2)) << "E2x: a letter and a digit begin it";

  EXPECT_EQ(model.children[0].mappings[0].colour, Scaled(rims[1])) << "c2 in a hub object: the rim set";
  EXPECT_EQ(model.children[0].mappings[1].colour, Fifths(Scaled(rims[1]), 3));
  EXPECT_EQ(model.children[1].mappings[0].colour, Scaled(body[1])) << "an attachment asking for custom colours";
  EXPECT_EQ(model.children[2].mappings[0].colour, 0xFFFFFFu) << "no custom colours asked";
  EXPECT_EQ(model.children[3].mappings[0].colour, 0xFFFFFFu) << "a hub object without the flag";
}

// A child mesh of a type at a 16.16 position.
DrawMesh* Sub(GouraudO3d& top, uint8_t type, int32_t x, int32_t y) {
  GouraudO3d* child = new GouraudO3d();
  child->Init();
  child->type = type;
  child->local.translation = IntVector{x, y, 0};
  AddChildMesh(top, child);
  return child;
}

// A wheel standing exactly on y = 0 is a rear wheel, as a subobject at y = 0 is a rear one.
TEST_F(CarModel, AWheelExactlyAtYZeroIsARearWheel) {
  Car car;
  car.AllocModelObjects();
  car.wheelCount = 2;
  car.wheelPositions[0] = Vec3{0.8f, 0.0f, 0.3f};
  car.wheelPositions[1] = Vec3{0.8f, 1.3f, 0.3f};
  GouraudO3d& top = *car.levelMeshes[0];
  DrawMesh* rear = Sub(top, SUBOBJECT_MUDGUARD, 65536, 0);
  DrawMesh* front = Sub(top, SUBOBJECT_HUB, 65536, 65536);
  car.AttachWheelSubobjects();
  EXPECT_EQ(car.wheelSubobjects[0][WHEEL_SUB_MUDGUARD], rear);
  EXPECT_EQ(car.wheelSubobjects[1][WHEEL_SUB_HUB], front);
  EXPECT_EQ(car.wheelSubobjects[1][WHEEL_SUB_MUDGUARD], nullptr);
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty()) << "each found its wheel";
  // Released with the level meshes that held them: no wheel keeps a subobject.
  car.ReleaseModelObjects();
  for (const auto& wheel : car.wheelSubobjects)
    for (const DrawMesh* sub : wheel) EXPECT_EQ(sub, nullptr);
}

// The vehicle's looks take over the skin look-up and the number plates' hooks: a slot for a
// plate's text, the plate page's redraw and reset, and a car's own plate slot.
TEST_F(CarModel, TheVehicleLooksInstallTheSkinLookUpAndThePlateHooks) {
  const FindSkinTextureHook skin = FindSkinTexture;
  int (*const slot)(const char*) = GetPlateSlot;
  void (*const regen)() = RegenPlates;
  void (*const reset)() = ResetPlates;
  int (*const carSlot)(Car&) = TakeCarPlateSlot;
  FindSkinTexture = nullptr;
  GetPlateSlot = nullptr;
  RegenPlates = nullptr;
  ResetPlates = nullptr;
  TakeCarPlateSlot = nullptr;
  InstallVehicleLooks();
  EXPECT_EQ(FindSkinTexture, FindCarSkinTexture);
  EXPECT_NE(GetPlateSlot, nullptr);
  EXPECT_NE(RegenPlates, nullptr);
  EXPECT_NE(ResetPlates, nullptr);
  EXPECT_NE(TakeCarPlateSlot, nullptr);
  FindSkinTexture = skin;
  GetPlateSlot = slot;
  RegenPlates = regen;
  ResetPlates = reset;
  TakeCarPlateSlot = carSlot;
}

TEST_F(CarModel, WheelSubobjectsGoToTheLastWheelOfTheirSideAndEnd) {
  Car car;
  car.AllocModelObjects();
  car.wheelCount = 4;
  car.wheelPositions[0] = Vec3{-0.8f, -1.5f, 0.3f};  // a double rear axle on the left
  car.wheelPositions[1] = Vec3{-0.8f, -0.7f, 0.3f};
  car.wheelPositions[2] = Vec3{0.8f, -1.1f, 0.3f};
  car.wheelPositions[3] = Vec3{0.011f, 1.3f, 0.3f};  // front, right by just over 0.01 m
  GouraudO3d& top = *car.levelMeshes[0];
  DrawMesh* rearLeft = Sub(top, SUBOBJECT_BRAKE, -65536, -65536);
  DrawMesh* rearRight = Sub(top, SUBOBJECT_MUDGUARD, 1, 0);       // y = 0: rear
  DrawMesh* frontRight = Sub(top, SUBOBJECT_HUB, 1, 1);           // y one unit: front
  DrawMesh* arm = Sub(top, SUBOBJECT_TRAILING_ARM, -5, -65536);
  Sub(top, SUBOBJECT_BRAKE, 0, -65536);                           // central: no wheel
  Sub(top, SUBOBJECT_HANDLEBAR, -7, 65536);                       // front left: no wheel
  Sub(top, SUBOBJECT_STEERING_WHEEL, 0, 0);                       // not a wheel's
  car.AttachWheelSubobjects();
  EXPECT_EQ(car.wheelSubobjects[1][WHEEL_SUB_BRAKE], rearLeft) << "the later wheel of the double axle";
  EXPECT_EQ(car.wheelSubobjects[0][WHEEL_SUB_BRAKE], nullptr);
  EXPECT_EQ(car.wheelSubobjects[1][WHEEL_SUB_TRAILING_ARM], arm);
  EXPECT_EQ(car.wheelSubobjects[2][WHEEL_SUB_MUDGUARD], rearRight);
  EXPECT_EQ(car.wheelSubobjects[3][WHEEL_SUB_HUB], frontRight);
  EXPECT_EQ(Lines("0|-1|No wheel found for rear central subobject marked as brake object"), 1);
  EXPECT_EQ(Lines("No wheel found for front left subobject marked as handlebar"), 1);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 2u) << "nothing said of the steering wheel";

  car.wheelPositions[3].x = 0.01f;  // now central
  car.ClearSubobjectMarks();
  car.AttachWheelSubobjects();
  EXPECT_EQ(car.wheelSubobjects[3][WHEEL_SUB_HUB], nullptr);
  EXPECT_EQ(Lines("No wheel found for front right subobject marked as hub object"), 1);
}

// A model of one square and subobjects of the types given, the empty ones without triangles.
void GiveSubobjectModel(Car& car, const std::vector<std::pair<uint8_t, bool>>& subs, uint16_t options = 0) {
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  ModelObject& model = GiveModel(car, b);
  if (subs.empty()) return;
  std::vector<ModelObject> children(subs.size());
  for (size_t i = 0; i < subs.size(); ++i) {
    ModelBuilder c;
    if (subs[i].second) AddSquare(c, "x", "PLAIN~W", 0.5);
    children[i].Init();
    c.Into(children[i]);
    children[i].type = subs[i].first;
    children[i].options = options;
    children[i].offset[0] = 65536;
  }
  SetChildren(model, children);
}

TEST_F(CarModel, TheFirstBuildCountsMainObjectsAndEmptySubobjectsOnce) {
  Car car;
  GiveSubobjectModel(car, {{SUBOBJECT_MAIN, true}, {SUBOBJECT_BRAKE, false}, {SUBOBJECT_REAR_WING, false},
                           {SUBOBJECT_AERO_CENTRE, false}, {SUBOBJECT_ATTACHMENT, true}});
  car.BuildModel();
  EXPECT_EQ(Lines("1 subobject marked as main object"), 1);
  EXPECT_EQ(Lines("1 subobject with no triangles"), 1) << "the wing and the aero centre stand as positions";
  EXPECT_EQ(car.builtOnce, 1);
  EXPECT_EQ(CarSkinState, SKIN_STATE_BUILT);
  ASSERT_NE(car.levelMeshes[0], nullptr);
  EXPECT_GT(car.levelMeshes[0]->triangleCount, 0);
  int kept = 0;
  for (int i = 0; i < car.levelMeshes[0]->childCount; ++i) kept += car.levelMeshes[0]->children[i]->type >= 6;
  EXPECT_EQ(kept, 2) << "empty subobjects of types 6 to 9 stay as positions";
  car.BuildModel();
  EXPECT_EQ(Lines("subobject"), 2) << "only on the first build";

  Car twins;
  GiveSubobjectModel(twins, {{SUBOBJECT_MAIN, true}, {SUBOBJECT_MUDGUARD, false}}, OPTION_MIRRORED_TWIN);
  twins.BuildModel();
  EXPECT_EQ(Lines("2 subobjects marked as main object"), 1) << "a mirrored twin is built twice";
  EXPECT_EQ(Lines("2 subobjects with no triangles"), 1);

  Car quiet;
  GiveSubobjectModel(quiet, {{SUBOBJECT_MAIN, true}});
  ModelMeshConfig.quiet = 1;
  quiet.BuildModel();
  EXPECT_EQ(Lines("subobject"), 4) << "quiet: nothing more";
}

// The configuration built shows layers 0, 3 and 31: a subobject whose triangles all lie on
// another layer gives the top level nothing, as one of no triangles does.
TEST_F(CarModel, ASubobjectOnlyOnLayersTheConfigurationHidesCountsAsEmpty) {
  Car car;
  GiveSubobjectModel(car, {{SUBOBJECT_ATTACHMENT, true}, {SUBOBJECT_ATTACHMENT, true}, {SUBOBJECT_ATTACHMENT, true}});
  car.configCount = 1;
  car.configIndex = 0;
  car.configs[0].layerMask = 1u | 1u << 3 | 1u << 31;
  const uint8_t layers[3] = {3, 31, 4};
  for (int i = 0; i < 3; ++i) {
    ModelObject& sub = car.model->children[i];
    ASSERT_GT(sub.triangleCount, 0);
    for (int t = 0; t < sub.triangleCount; ++t) sub.triangles[t].layer = layers[i];
  }
  car.BuildModel();
  EXPECT_EQ(Lines("1 subobject with no triangles"), 1) << "the one on layer 4";
  EXPECT_EQ(Lines("subobjects with no triangles"), 0);
}

TEST_F(CarModel, ARebuildPostedUnderTheCarLockIsTakenOnceOnTheNextFrame) {
  Car car;
  GiveSubobjectModel(car, {});
  std::thread poster([&car] {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    car.RequestModelRebuild(1);
  });
  poster.join();
  EXPECT_EQ(car.modelRebuild, 1u);
  EXPECT_EQ(car.builtOnce, 0) << "nothing is built at once";
  car.ApplyPendingModelChanges();
  EXPECT_EQ(car.modelRebuild, 0u);
  EXPECT_EQ(car.builtOnce, 1);
  EXPECT_EQ(CarSkinState, SKIN_STATE_BUILT);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[0].vertexCapacity, 2170u);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[0].triangleCapacity, 2700u);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[1].vertexCapacity, 620u);
  EXPECT_EQ(DrawingOf(car).tyreBuffers[1].triangleCapacity, 600u);
  ASSERT_NE(GetFastMesh(DrawingOf(car).materialMesh), nullptr) << "the graphics side follows";
  const FastMeshHandle material = DrawingOf(car).materialMesh;

  CarSkinState = 0;
  car.ApplyPendingModelChanges();
  EXPECT_EQ(CarSkinState, 0) << "taken once: no second build";
  EXPECT_EQ(DrawingOf(car).materialMesh.slot, material.slot);
  EXPECT_EQ(DrawingOf(car).materialMesh.generation, material.generation);

  car.modelInEditor = 1;
  car.RequestModelRebuild(2);
  car.ApplyPendingModelChanges();
  EXPECT_EQ(car.modelRebuild, 0u);
  EXPECT_EQ(CarSkinState, 0) << "the model open in the modeller: its meshes are kept";
  EXPECT_NE(GetFastMesh(DrawingOf(car).materialMesh), nullptr);
  EXPECT_EQ(CarRebuildAll, 0);
}

TEST_F(CarModel, OnlyTheFirstDashboardPageCountsAndAMissingTextureIsReported) {
  for (int kase = 0; kase < 3; ++kase) {
    SCOPED_TRACE(kase);
    Car car;
    ModelBuilder b;
    AddSquare(b, "x", "PLAIN~W", 0);
    const char* const first[3] = {"nosuch_dash", "sample_page", ""};
    b.Page(PAGE_DASH, first[kase]);
    b.Page(PAGE_DASH, "nosuch_other");
    GiveModel(car, b);
    ReportRecorder::Reports() = RecordedReports{};
    car.MergeSubs();
    EXPECT_EQ(car.FindDashboardMaterial(), &car.model->pages[1]);
    EXPECT_EQ(Lines("1|-1|Can't open dashboard texture : nosuch_dash"), kase == 0 ? 1 : 0);
    EXPECT_EQ(Lines("nosuch_other"), 0) << "the second page never counts";
    EXPECT_EQ(car.dashboardTexture != nullptr, kase == 1);
  }
}

TEST_F(CarModel, TheClockStyleRenamesTheClockPagesAndTheDriveSideFlipsOnlyWhileBuilding) {
  Car car;
  ModelBuilder b;
  b.mirrored = true;
  AddSquare(b, "x", "PLAIN~W", 0, 2);
  b.extraFlags = TRIANGLE_SIDE_SWAP;
  AddSquare(b, "y", "s_clock", 1, 3);
  ModelObject& model = GiveModel(car, b);
  for (int t = 0; t < model.triangleCount; ++t)  // drawn on one side only: the drive side picks it
    if (model.triangles[t].flags & TRIANGLE_SIDE_SWAP) model.triangles[t].flags &= uint8_t(~TRIANGLE_MIRRORED);
  const std::vector<uint8_t> before = ModelRecordBytes(model, 1, 1);
  car.MergeSubs();
  const int32_t plainTriangles = car.levelMeshes[0]->triangleCount;
  std::vector<int32_t> plainX;
  for (int i = 0; i < car.levelMeshes[0]->pointCount; ++i) plainX.push_back(car.levelMeshes[0]->points[i].x);

  car.mirrored = 1;
  car.MergeSubs();
  EXPECT_EQ(ModelRecordBytes(model, 1, 1), before) << "flipped back after the build";
  EXPECT_EQ(car.levelMeshes[0]->triangleCount, plainTriangles);
  std::vector<int32_t> flippedX;
  for (int i = 0; i < car.levelMeshes[0]->pointCount; ++i) flippedX.push_back(car.levelMeshes[0]->points[i].x);
  EXPECT_NE(flippedX, plainX) << "the marked triangles were built flipped";

  car.clockStyle = 4;
  car.MergeSubs();
  EXPECT_STREQ(model.pages[1].name, CLOCK_TEXTURE_NAMES[3]);
  EXPECT_STREQ(CLOCK_TEXTURE_NAMES[3], "s_clock_f1");
  car.clockStyle = 0;
  car.MergeSubs();
  EXPECT_STREQ(model.pages[1].name, "s_clock_f1") << "0 leaves the pages";
}

// Clock styles run from 1 ("s_clock") to 6 ("s_clock_fj"); 7 and past leave the pages as
// they are.
TEST_F(CarModel, TheFirstAndLastClockStylesRenameTheClockPagesAndOnePastLeavesThem) {
  Car car;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0, 2);
  AddSquare(b, "y", "s_clock_white", 1, 3);
  ModelObject& model = GiveModel(car, b);
  car.clockStyle = 1;
  car.MergeSubs();
  EXPECT_STREQ(model.pages[1].name, "s_clock");
  car.clockStyle = 6;
  car.MergeSubs();
  EXPECT_STREQ(model.pages[1].name, "s_clock_fj");
  car.clockStyle = 7;
  car.MergeSubs();
  EXPECT_STREQ(model.pages[1].name, "s_clock_fj");
}

// The layers built are the current configuration's; without one (no configurations, or an
// index at or past their count) every layer.
TEST_F(CarModel, TheLayerMaskIsTheCurrentConfigurationsOrEveryLayer) {
  Car car;
  car.configCount = 2;
  car.configs[0].layerMask = 0x5u;
  car.configs[1].layerMask = 0x9u;
  car.configIndex = 1;
  EXPECT_EQ(CarLayerMask(car), 0x9u);
  car.configIndex = 2;
  EXPECT_EQ(CarLayerMask(car), 0xFFFFFFFFu) << "an index at the count";
  car.configCount = 0;
  car.configIndex = 0;
  EXPECT_EQ(CarLayerMask(car), 0xFFFFFFFFu) << "no configurations";
}

TEST_F(CarModel, TheSampleCarAssemblesItsLevelsBodyLightsAndGraphicsSide) {
  Car car;
  MakeModelCar(0, car);
  EXPECT_EQ(car.physicsCheck, nullptr);
  ASSERT_GT(car.pointCount, 0) << "the lowest level gave the body its points";
  EXPECT_EQ(car.undamagedPointCount, car.pointCount);
  EXPECT_GT(car.extent[0], 1.5f) << "the extents follow the points";
  EXPECT_EQ(car.modelRebuild, 1u);
  car.ApplyPendingModelChanges();
  for (int level = 0; level < 2; ++level) {
    ASSERT_NE(car.levelMeshes[level], nullptr);
    EXPECT_GT(car.levelMeshes[level]->triangleCount, 0) << level;
    EXPECT_NE(car.undamagedMeshes[level].vertices, nullptr) << level;
    EXPECT_EQ(car.undamagedMeshes[level].vertexCount, car.levelMeshes[level]->pointCount);
  }
  EXPECT_EQ(car.largestMeshRadius, std::max(car.levelMeshes[0]->radius, car.levelMeshes[1]->radius));
  EXPECT_STREQ(car.skinTexture, "") << "no skin chosen";
  EXPECT_EQ(EditorSkinName[0], 0);
  EXPECT_NE(car.lights[LIGHT_HEAD].material, nullptr);
  EXPECT_NE(car.lights[LIGHT_BRAKE].material, nullptr);
  EXPECT_NE(car.lights[LIGHT_TAIL].material, nullptr);
  EXPECT_EQ(car.lights[LIGHT_REVERSE].material, nullptr);
  FastMesh* material = GetFastMesh(DrawingOf(car).materialMesh);
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->groupCount, 2u) << "one group per level";
  EXPECT_NE(GetFastMesh(DrawingOf(car).plainMesh), nullptr);
  EXPECT_NE(GetFastMesh(DrawingOf(car).lightMeshes[LIGHT_HEAD]), nullptr);
  EXPECT_TRUE(car.mirrors[MIRROR_INTERNAL].active) << "the sample's internal mirror";
  int brakes = 0;
  for (const auto& wheel : car.wheelSubobjects) brakes += wheel[WHEEL_SUB_BRAKE] != nullptr;
  EXPECT_EQ(brakes, 1) << "the front right brake disc";
}

// The car's drawing, drawn whatever its distance, with the car's view state kept.
CarDrawing& AlwaysDrawn(Car& car) {
  CarDrawing& d = DrawingOf(car);
  d.drawAlways = 1;
  SaveCarViewState(car);
  return d;
}

// A view with every graphics option on, at the plain level and detail scales.
CarViewSettings EveryOptionView() {
  CarViewSettings view = {};
  view.graphicsOptions = 0xFFFFFFFF;
  view.lodScale = view.detailScale = 1.0f;
  return view;
}

// The internal mirror is marked to be hidden in the views from inside the car, the custom
// view among them, and there moves by that view's own offsets: across by x, up by z, and down
// by the drop of a mirror moved across, (x / 0.4)^2 x 0.04 m (0.04 m for 0.4 m); seen from
// outside it stays where the model has it, unmarked.
TEST_F(CarModel, TheInternalMirrorIsHiddenAndMovedInTheCustomViewToo) {
  Car car;
  MakeModelCar(0, car);
  car.ApplyPendingModelChanges();
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  CarDrawing& d = AlwaysDrawn(car);
  CarViewSettings view = EveryOptionView();
  view.mirrorOffset[0][0] = 0.1f;  // inside: not this view's
  view.mirrorOffset[1][0] = 0.4f;
  view.mirrorOffset[1][1] = 0.05f;
  const auto mirror = [&]() -> const CarDrawItem* {
    for (int i = 0; i < d.items.count; ++i) {
      const DrawMesh* sub = static_cast<const DrawMesh*>(d.items.items[i].source);
      if (sub && sub->type == SUBOBJECT_INTERNAL_MIRROR) return &d.items.items[i];
    }
    return nullptr;
  };
  view.kind = VIEW_CUSTOM;
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_CUSTOM);
  const CarDrawItem* item = mirror();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->hideWithFlag, 1);
  const IntVector at = static_cast<const DrawMesh*>(item->source)->local.translation;
  EXPECT_NEAR(item->matrix[12], at.x / 65536.0 + 0.4, 1e-4);
  EXPECT_NEAR(item->matrix[13], at.y / 65536.0 - 0.04, 1e-4);
  EXPECT_NEAR(item->matrix[14], at.z / 65536.0 + 0.05, 1e-4);
  view.kind = VIEW_OUTSIDE;
  view.viewPosition = IntVector{5 << 16, 0, 0};
  ResetTempMeshes();
  ASSERT_EQ(DrawCarModel(car, view), VIEW_OUTSIDE);
  item = mirror();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->hideWithFlag, 0);
  EXPECT_NEAR(item->matrix[13], at.y / 65536.0, 1e-4);
}

// A car whose option asks for its visible frame tubes has them drawn from outside or inside
// (not in the editor's view) while the level distance is under 28 m at the first level; the
// sample body's first level ends at 30 m.
TEST_F(CarModel, VisibleFrameTubesAreDrawnUnder28MetresAtTheFirstLevel) {
  InitSinTable();
  Car car;
  MakeModelCar(0, car);
  car.ApplyPendingModelChanges();
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  car.frameTubeCount = 0;  // the sample's own frame left out: one tube of ours
  const int a = AddFramePoint(car, 0.0f, -1.0f, 1.5f), b = AddFramePoint(car, 0.0f, 1.0f, 1.5f);
  AddTube(car, a, b, 1.0f, TUBE_VISIBLE | TUBE_CENTRE_PLANE);
  car.frameTubes[car.frameTubeCount - 1].radius = 0.03f;
  car.options = (car.options & ~0x20000u) | 0x200u;
  ASSERT_EQ(car.model->lodDistances[0], 30 << 16);
  CarDrawing& d = AlwaysDrawn(car);
  CarViewSettings view = EveryOptionView();
  const auto tubesFrom = [&](uint8_t kind, int32_t metres) {
    view.kind = kind;
    view.viewPosition = IntVector{metres << 16, 0, 0};
    ResetTempMeshes();
    EXPECT_NE(DrawCarModel(car, view), 0);
    return d.frameTubeBatch != NO_BATCH;
  };
  EXPECT_TRUE(tubesFrom(VIEW_OUTSIDE, 27));
  EXPECT_EQ(d.lodIndex, 0);
  EXPECT_FALSE(tubesFrom(VIEW_OUTSIDE, 28)) << "28 m is not under 28 m";
  EXPECT_TRUE(tubesFrom(VIEW_INSIDE, 27)) << "from inside";
  view.editorMode = 1;
  EXPECT_FALSE(tubesFrom(VIEW_OUTSIDE, 27)) << "the editor's view";
  view.editorMode = 0;
  car.model->lodDistances[0] = 20 << 16;
  EXPECT_FALSE(tubesFrom(VIEW_OUTSIDE, 27)) << "at the second level";
  EXPECT_EQ(d.lodIndex, 1);
  car.model->lodDistances[0] = 30 << 16;
  car.options &= ~0x200u;
  EXPECT_FALSE(tubesFrom(VIEW_OUTSIDE, 27)) << "the option not set";
  car.options |= 0x200u;
  car.frameTubes[car.frameTubeCount - 1].flags = TUBE_CENTRE_PLANE;
  EXPECT_FALSE(tubesFrom(VIEW_OUTSIDE, 27)) << "a tube not marked visible is not one of them";
}

// Far off a tyre is a drum (its two cap centres first, half the section width either side of
// the drum's centre along the axle).  A wheel on the centre line stands where it is, with no
// wheel offset: a drum 0.2 m wide about x = 0 has its caps at -0.1 and 0.1.  A left wheel's
// triangles are wound the other way, unless the meshes are kept unmirrored: the first ring's
// triangles (0, 2, 4), (1, 5, 3) then, and (0, 4, 2), (1, 3, 5) turned.
TEST_F(CarModel, ADrumOnTheCentreLineTakesNoOffsetAndALeftOneIsTurnedUnlessUnmirrored) {
  Car car;
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  car.wheelCount = 1;
  CarWheel& w = car.wheels[0];
  w.wheelSet = 0;
  w.side = 0.0f;
  w.centre = Vec3{0.0f, 0.0f, 0.3f};
  w.spinAxis = Vec3{1.0f, 0.0f, 0.0f};
  w.uprightAxis = Vec3{0.0f, 0.0f, 1.0f};
  SuspensionBlock& set = car.wheelSets[0];
  set.sectionWidth = 0.2f;
  set.rollingRadius = 0.3f;
  set.wheelOffset = 0.1f;
  CarTyreFrame frame = {};
  frame.lodDistance = 1000 << 16;  // far: drums
  frame.graphicsOptions = 0xFFFFFFFF;
  const auto build = [&] {
    const CarTyreResult r = BuildCarTyres(car, frame);
    EXPECT_EQ(r.drawn, 1);
    EXPECT_EQ(r.segments.simplified, 1);
  };
  build();
  const CircularVBuffer& stream = DrawingOf(car).tyreBuffers[TYRE_STREAM];
  ASSERT_NE(stream.vertexBuffer, nullptr);
  std::vector<uint8_t> bytes = ReadBuffer(stream.vertexBuffer->buffer);
  ASSERT_GE(bytes.size(), size_t(2 * DRAW_VERTEX_SIZE));
  float x[2];
  for (int k = 0; k < 2; ++k) std::memcpy(&x[k], &bytes[size_t(k) * DRAW_VERTEX_SIZE], sizeof(float));
  EXPECT_NEAR(x[0], -0.1f, 1e-6f);
  EXPECT_NEAR(x[1], 0.1f, 1e-6f);

  const auto firstTriangles = [&] {
    const std::vector<uint8_t> raw = ReadBuffer(stream.indexBuffer->buffer);
    std::vector<uint16_t> out(6);
    if (raw.size() >= 12) std::memcpy(out.data(), raw.data(), 12);
    return out;
  };
  w.side = -1.0f;
  frame.unmirroredMeshes = 1;
  build();
  EXPECT_EQ(firstTriangles(), (std::vector<uint16_t>{0, 2, 4, 1, 5, 3})) << "kept unmirrored";
  frame.unmirroredMeshes = 0;
  build();
  EXPECT_EQ(firstTriangles(), (std::vector<uint16_t>{0, 4, 2, 1, 3, 5})) << "turned";
}

// A sided wheel's tyre sits on its rim: the rim is drawn at the wheel's draw matrix, whose
// centre is already the hub (the upright moved out by the set's wheel offset), and the tyre's
// beads must meet the rim's at that same centre, not one more offset out.  A right wheel's
// upright at x = 0.7 with an offset of 0.1 m puts the hub, and so the rim's middle, at 0.8.
// The 0.18 m rim has its beads at L = 0.09 + 0.005 = 0.095 either side of its middle, so the
// tyre's first ring has its beads (profile points 0 and 7, at -L and L) at 0.705 and 0.895 and
// its middle at 0.8.  A drum 0.2 m wide about that middle has its caps at 0.7 and 0.9.  The
// left wheel, upright at x = -0.7, is the mirror image: hub -0.8, its axle turned to -x, beads
// at -0.705 and -0.895, caps at -0.7 and -0.9.
TEST_F(CarModel, ASidedWheelsTyreSitsOnItsRimAtTheHubOnceOffset) {
  BuildGammaTables();
  Car car;
  SetIdentity3x3(car.orientation);
  car.position = IntVector{0, 0, 0};
  car.wheelCount = 1;
  CarWheel& w = car.wheels[0];
  w.wheelSet = 0;
  w.spinAxis = Vec3{1.0f, 0.0f, 0.0f};
  w.uprightAxis = Vec3{0.0f, 0.0f, 1.0f};
  SuspensionBlock& set = car.wheelSets[0];
  MakeTyre200Over50(set);
  ASSERT_EQ(BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0}), -1);
  ASSERT_NEAR(set.profile.points[0].x, -0.095f, 1e-6f);
  ASSERT_NEAR(set.profile.points[7].x, 0.095f, 1e-6f);
  set.wheelOffset = 0.1f;
  CarTyreFrame frame = {};
  frame.graphicsOptions = 0xFFFFFFFF;
  const CircularVBuffer& stream = DrawingOf(car).tyreBuffers[TYRE_STREAM];
  // The x of the first vertices the tyre stream holds.
  const auto firstX = [&](int count) {
    std::vector<float> x(size_t(count), 1000.0f);
    if (!stream.vertexBuffer) return x;
    const std::vector<uint8_t> bytes = ReadBuffer(stream.vertexBuffer->buffer);
    for (int k = 0; k < count && size_t(k + 1) * DRAW_VERTEX_SIZE <= bytes.size(); ++k)
      std::memcpy(&x[size_t(k)], &bytes[size_t(k) * DRAW_VERTEX_SIZE], sizeof(float));
    return x;
  };
  for (const float side : {1.0f, -1.0f}) {
    w.side = side;
    w.centre = Vec3{0.7f * side, 0.0f, 0.3f};
    ComputeWheelMatrices(car);
    const float rimMiddle = DrawingOf(car).wheelMatrices[0][12];
    EXPECT_NEAR(rimMiddle, 0.8f * side, 1e-6f) << "the rim's middle is the hub";

    frame.lodDistance = 5 << 16;  // near: profile rings
    CarTyreResult r = BuildCarTyres(car, frame);
    ASSERT_EQ(r.drawn, 1);
    ASSERT_EQ(r.segments.simplified, 0);
    std::vector<float> x = firstX(8);
    EXPECT_NEAR(x[0], 0.705f * side, 1e-5f) << "side " << side << ": the inner bead on the rim's";
    EXPECT_NEAR(x[7], 0.895f * side, 1e-5f) << "side " << side << ": the outer bead on the rim's";
    EXPECT_NEAR((x[0] + x[7]) / 2.0f, rimMiddle, 1e-5f) << "side " << side << ": the tyre's middle is the rim's";

    frame.lodDistance = 1000 << 16;  // far: a drum
    r = BuildCarTyres(car, frame);
    ASSERT_EQ(r.drawn, 1);
    ASSERT_EQ(r.segments.simplified, 1);
    x = firstX(2);
    EXPECT_NEAR(x[0], 0.7f * side, 1e-5f) << "side " << side << ": the inner cap";
    EXPECT_NEAR(x[1], 0.9f * side, 1e-5f) << "side " << side << ": the outer cap";
  }
}

// The car's box in metres: each body point and each placed item's points through its
// subobject's place, all through the transform given (here a quarter turn about z, x to y, and
// 10 m along x); an item without its subobject is left out.  The count is of points taken.
TEST_F(CarModel, TheMeshBoundsTakeTheBodyAndThePlacedItemsThroughTheTransform) {
  Car car;
  car.AllocModelObjects();
  GouraudO3d& body = *car.levelMeshes[0];
  AllocateMeshArrays(body, 3, 0, 1);
  const double points[3][3] = {{2, 5, 0.5}, {1, 2, 3}, {-1, -2, 4}};
  for (int i = 0; i < 3; ++i) {
    body.points[i].x = int32_t(std::lround(points[i][0] * 65536));
    body.points[i].y = int32_t(std::lround(points[i][1] * 65536));
    body.points[i].z = int32_t(std::lround(points[i][2] * 65536));
  }
  FixedTransform t;
  t.rotation = FixedMatrix{{0, -FIXED_ONE, 0, FIXED_ONE, 0, 0, 0, 0, FIXED_ONE}};  // (x, y, z) to (-y, x, z)
  t.translation = IntVector{10 << 16, 0, 0};
  // Whatever the box held before is replaced.
  float low[3] = {-1000, -1000, -1000}, high[3] = {1000, 1000, 1000};
  ASSERT_EQ(CarMeshBounds(low, high, car, t, 0), 3);
  // Turned and moved: (5, 2, 0.5), (8, 1, 3), (12, -1, 4); the first point holds three of the
  // box's six sides.
  const float lowWanted[3] = {5, -1, 0.5f}, highWanted[3] = {12, 2, 4};
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(low[k], lowWanted[k], 1e-4f) << k;
    EXPECT_NEAR(high[k], highWanted[k], 1e-4f) << k;
  }
  // A subobject 3 m along x with a point 6 m up: turned with its place, (0, 3, 6), then moved.
  GouraudO3d* sub = NewGouraud();
  AddChildMesh(body, sub);  // the car frees it
  AllocateMeshArrays(*sub, 1, 0, 1);
  sub->points[0].z = 6 << 16;
  MatrixIdentity(sub->local.rotation);
  sub->local.translation = IntVector{3 << 16, 0, 0};
  CarDrawing& d = DrawingOf(car);
  CarDrawItem* placed = d.items.Add();
  ASSERT_NE(placed, nullptr);
  placed->mesh = sub;
  placed->source = sub;
  CarDrawItem* unplaced = d.items.Add();
  ASSERT_NE(unplaced, nullptr);
  unplaced->mesh = sub;
  for (int k = 0; k < 3; ++k) low[k] = -1000, high[k] = 1000;
  ASSERT_EQ(CarMeshBounds(low, high, car, t, 0), 4) << "the item without its subobject is left out";
  const float highWithItem[3] = {12, 3, 6};
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(low[k], lowWanted[k], 1e-4f) << k;
    EXPECT_NEAR(high[k], highWithItem[k], 1e-4f) << k;
  }
}

// The body built from the model's lowest level sets the car's extents from its points: the
// largest and smallest y and x and the largest z, each counted from 0.
TEST_F(CarModel, TheBodyBuiltFromTheModelSetsTheExtentsFromItsPoints) {
  Car car;
  MakeSampleCar(0, car);
  TakeVehicleLightsAndSkin(car);
  car.AllocModelObjects();
  for (float& e : car.extent) e = 99.0f;
  car.BuildBodyMesh();
  ASSERT_EQ(car.physicsCheck, nullptr);
  ASSERT_GT(car.pointCount, 0);
  float wanted[5] = {};
  for (int i = 0; i < car.pointCount; ++i) {
    const Vec3& p = car.points[i].local;
    wanted[0] = std::max(wanted[0], p.y);
    wanted[1] = std::min(wanted[1], p.y);
    wanted[2] = std::max(wanted[2], p.x);
    wanted[3] = std::min(wanted[3], p.x);
    wanted[4] = std::max(wanted[4], p.z);
  }
  for (int k = 0; k < 5; ++k) EXPECT_EQ(car.extent[k], wanted[k]) << k;
  EXPECT_EQ(car.undamagedPointCount, car.pointCount);
}

TEST_F(CarModel, EveryCarIsReleasedAndRebuiltAroundADeviceRecreation) {
  Car first, second;
  MakeModelCar(0, first);
  MakeModelCar(7, second);
  first.ApplyPendingModelChanges();
  second.ApplyPendingModelChanges();
  SetupCar = &first;
  first.plateSlot = 3;
  PlateSlotUses[3] = 1;
  const int32_t triangles = first.levelMeshes[0]->triangleCount;

  // As the program does around a device re-creation: the system textures and the cars'
  // models let go first, everything else with the device, then all of it made again.
  ReleaseSystemTextures();
  ReleaseAllCarModels();
  for (Car* car : {&first, &second}) {
    EXPECT_EQ(DrawingOf(*car).materialMesh.slot, 0u);
    EXPECT_EQ(car->levelMeshes[0]->triangleCount, 0);
    EXPECT_EQ(car->modelRebuild, 0u) << "released, not yet asked to rebuild";
    EXPECT_EQ(car->undamagedMeshes[0].vertices, nullptr) << "the undamaged copies go with the meshes";
    EXPECT_EQ(car->undamagedMeshes[0].vertexCount, 0);
  }
  EXPECT_EQ(first.plateSlot, -1);
  EXPECT_EQ(PlateSlotUses[3], 0) << "the slot went back";
  ReloadSetupCarModel(1);
  ReloadAllCarModels(1);
  FreeAllGraphics(1, 1);
  LoadSystemTextures();
  ReloadSetupCarModel(0);
  ReloadAllCarModels(0);
  for (Car* car : {&first, &second}) {
    EXPECT_EQ(car->modelRebuild, 1u);
    EXPECT_EQ(car->helmetSkinChange, 1u);
    car->ApplyPendingModelChanges();
    EXPECT_NE(GetFastMesh(DrawingOf(*car).materialMesh), nullptr);
    EXPECT_EQ(car->helmetSkinChange, 0u);
  }
  EXPECT_EQ(first.levelMeshes[0]->triangleCount, triangles);
  SetupCar = nullptr;
}

// Let go for a device re-creation, a car forgets what the device held: each light's
// material, the dashboard and the helmet textures.
TEST_F(CarModel, ReleasedForADeviceRecreationACarForgetsItsLightsAndTextures) {
  Car car;
  MakeModelCar(0, car);
  car.ApplyPendingModelChanges();
  ASSERT_NE(car.lights[LIGHT_HEAD].material, nullptr);
  ZKTETexture dashboard{}, helmet{};
  car.dashboardTexture = &dashboard;
  car.helmetTexture = &helmet;
  car.ReloadModel(1);
  for (const CarLight& light : car.lights) EXPECT_EQ(light.material, nullptr);
  EXPECT_EQ(car.dashboardTexture, nullptr);
  EXPECT_EQ(car.helmetTexture, nullptr);
}

// While it stands, plate slots are taken by a stand-in that counts its calls and gives slot 5;
// the slot taker is put back when it goes.
class StandInPlateSlots {
 public:
  StandInPlateSlots() {
    taken = 0;
    TakeCarPlateSlot = [](Car&) {
      ++taken;
      return 5;
    };
  }
  ~StandInPlateSlots() { TakeCarPlateSlot = saved_; }
  StandInPlateSlots(const StandInPlateSlots&) = delete;
  StandInPlateSlots& operator=(const StandInPlateSlots&) = delete;
  static inline int taken = 0;

 private:
  int (*const saved_)(Car&) = TakeCarPlateSlot;
};

// A build takes a plate slot only for a car that has none; a configuration index at or past
// the configurations' count builds the first.
TEST_F(CarModel, TheBuildTakesAPlateSlotOnlyWithoutOneAndTheFirstConfigurationPastTheCount) {
  const StandInPlateSlots slots;
  Car car;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(car, b);
  car.plateSlot = 3;
  car.configCount = 2;
  car.configIndex = 2;
  car.BuildModel();
  EXPECT_EQ(car.plateSlot, 3);
  EXPECT_EQ(slots.taken, 0) << "the car keeps its slot";
  EXPECT_EQ(car.configIndex, 0) << "index 2 of 2 configurations";
  car.plateSlot = -1;
  car.BuildModel();
  EXPECT_EQ(car.plateSlot, 5);
  EXPECT_EQ(slots.taken, 1);
  car.plateSlot = -1;  // the slot is the stand-in's: nothing to give back
}

// Made again after a device re-creation, a car takes a plate slot again at once (the reload
// gave its slot back); kept detached it takes none.
TEST_F(CarModel, AReloadedModelTakesAPlateSlotAgainButNotWhileKeptDetached) {
  const StandInPlateSlots slots;
  Car car;
  car.plateSlot = -1;
  car.ReloadModel(1);
  EXPECT_EQ(car.plateSlot, -1);
  EXPECT_EQ(slots.taken, 0) << "kept detached";
  car.ReloadModel(0);
  EXPECT_EQ(car.plateSlot, 5);
  EXPECT_EQ(slots.taken, 1) << "one slot taken";
  car.plateSlot = -1;  // the slot is the stand-in's: nothing to give back
}

TEST_F(CarModel, WithoutGraphicsNothingIsBoundAndTheBodyStillStands) {
  GraphicsEnabled = 0;
  Car car;
  MakeModelCar(0, car);
  const size_t materials = Materials.size();
  car.ApplyPendingModelChanges();
  EXPECT_EQ(Materials.size(), materials) << "no page looked up, the subobjects' neither";
  EXPECT_EQ(car.levelMeshes[0]->triangleCount, 0);
  int positions = 0;
  for (int i = 0; i < car.levelMeshes[0]->childCount; ++i) positions += car.levelMeshes[0]->children[i]->type == 6;
  EXPECT_EQ(positions, 1) << "the rear wing stands as a position";
  EXPECT_GT(car.pointCount, 0) << "the body's points come from the flat mesh";
  EXPECT_EQ(GetFastMesh(DrawingOf(car).materialMesh), nullptr);
  EXPECT_EQ(FindSkinTexture, &FindPageTextureByName) << "the look-up is put back";
}

TEST_F(CarModel, ACarWithoutAModelBuildsNothing) {
  Car car;
  car.AllocModelObjects();
  car.RequestModelRebuild(1);
  car.ApplyPendingModelChanges();
  car.SetLodDistances();
  car.BuildBodyMesh();
  car.ApplyColourSets();
  car.FindLights();
  car.BuildGpuMeshes();
  EXPECT_EQ(car.levelMeshes[0]->pointCount, 0);
  EXPECT_EQ(GetFastMesh(DrawingOf(car).materialMesh), nullptr);
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty());
}

}  // namespace

namespace {

// The set-up marks on the null device, read back from the 3D line stream: each wheel's arrow
// (two triangles, six vertices) lies along its axle outwards from its centre, raised 1/64 m,
// 0.25 m long: to -x on the left, to +x on the right and on the centre line (no side: the
// right's way).  Then each of the four seats' three arrows (the driver first), at the seat,
// its x negated on a mirrored car: 4 x 3 x 6 = 72 vertices, in the seat colours.  In any
// world pass but the first nothing is drawn.
TEST_F(CarModel, TheSetupMarksPointEachWheelOutwardsAndMarkTheSeats) {
  BuildGammaTables();
  Car car;
  MatrixIdentity(car.drawTransform.rotation);
  car.wheelCount = 3;
  const float sides[3] = {-1.0f, 0.0f, 1.0f};
  for (int w = 0; w < 3; ++w) {
    car.wheels[w].side = sides[w];
    car.wheels[w].centre = Vec3{0.75f * sides[w], 1.0f + float(w), 0.5f};
  }
  car.driverPosition = Vec3{0.5f, -0.25f, 0.75f};
  car.mirrored = 1;
  CurrentWorldPass = 1;
  const uint32_t before = Gfx.drawCalls;
  DrawSetupMarks(car);
  EXPECT_EQ(Gfx.drawCalls, before) << "not in a later world pass";
  CurrentWorldPass = 0;
  DrawSetupMarks(car);
  EXPECT_EQ(Gfx.drawCalls, before + 1);
  const std::vector<uint8_t> bytes = ReadBuffer(StreamLines3D.vertexBuffer->buffer);
  ASSERT_GE(bytes.size(), size_t(18 + 72) * sizeof(VertexLine3D));
  for (uint32_t w = 0; w < 3; ++w) {
    float low = 1e9f, high = -1e9f;
    for (uint32_t k = 0; k < 6; ++k) {
      const VertexLine3D v = VertexAt<VertexLine3D>(bytes, 6 * w + k);
      low = std::min(low, v.x);
      high = std::max(high, v.x);
      EXPECT_FLOAT_EQ(v.y, 1.0f + float(w)) << "wheel " << w << " vertex " << k;
      EXPECT_NEAR(v.z, 0.5f + 1.0f / 64.0f, 1.0f / 16.0f + 1e-5f) << "wheel " << w << " vertex " << k;
    }
    const float centre = 0.75f * sides[w];
    const float tip = centre + (w == 0 ? -0.25f : 0.25f);
    EXPECT_NEAR(low, std::min(centre, tip), 1e-4f) << "wheel " << w;
    EXPECT_NEAR(high, std::max(centre, tip), 1e-4f) << "wheel " << w;
  }
  // The driver's arrows from (-0.5, -0.25, 0.75): x to -0.25, y to 0, z to 1.0.
  float high[3] = {-1e9f, -1e9f, -1e9f};
  for (uint32_t k = 0; k < 18; ++k) {
    const VertexLine3D v = VertexAt<VertexLine3D>(bytes, 18 + k);
    high[0] = std::max(high[0], v.x);
    high[1] = std::max(high[1], v.y);
    high[2] = std::max(high[2], v.z);
  }
  EXPECT_NEAR(high[0], -0.25f, 1e-4f);
  EXPECT_NEAR(high[1], 0.0f, 1e-4f);
  EXPECT_NEAR(high[2], 1.0f, 1e-4f);
  EXPECT_EQ(VertexAt<VertexLine3D>(bytes, 18).colour, ApplyBrightnessTable(0xFFFF4040u)) << "the seat arrow's shaft";
  EXPECT_EQ(VertexAt<VertexLine3D>(bytes, 18 + 71).colour, ApplyBrightnessTable(0xFFFFFF40u)) << "the last seat arrow's head";
}

}  // namespace
