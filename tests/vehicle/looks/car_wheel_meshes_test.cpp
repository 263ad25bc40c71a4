// car_wheel_meshes_test.cpp - a sample car's wheel meshes on the null device: five spokes
// repeated into the spoke meshes with the model left as one spoke, rim meshes only without
// spoke triangles, the default rim texture without a rim record, the rim colours scaled and
// saturated on the rim's and the spoke's mappings, a profile cut with a message naming the
// wheel set, and each wheel's tyre proxy made and released.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/report.h"
#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "tests/render/null_renderer.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_model.h"
#include "vehicle/car_skins.h"
#include "vehicle/wheel_meshes.h"
#include "vehicle/wheel_profile.h"
#include "vehicle_data/rim_profile.h"

namespace {

constexpr int ROAD_CAR = 0;

class CarWheelMeshes : public NullRenderer {
 protected:
  static inline std::vector<std::string> lines;
  ReportSink saved{};
  void SetUp() override {
    NullRenderer::SetUp();
    SetDefaultTextColours();
    BuildGammaTables();
    InitSinCosTables();  // the spokes turn through them
    GraphicsEnabled = 1;
    LoadSystemTextures();
    lines.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
    saved = InstallReportSink(sink);
  }
  void TearDown() override {
    InstallReportSink(saved);
    GraphicsEnabled = 1;
    ReleaseSystemTextures();
    FreeAllFastMeshes();
    FreeAllMaterials();
  }
  // The sample road car with its tyres set up, ready for its wheel meshes.
  static void MakeCar(Car& car) {
    BuildSampleVehicle(ROAD_CAR, car);
    for (SuspensionBlock& set : car.wheelSets) SetupTyre(set, 0, 0.0f);
  }
  static int Lines(const std::string& text) {
    int n = 0;
    for (const std::string& line : lines) n += line == text;
    return n;
  }
};

const GouraudO3d* Gouraud(const DrawMesh* mesh) {
  return mesh && mesh->IsGouraud() ? static_cast<const GouraudO3d*>(mesh) : nullptr;
}

}  // namespace

TEST_F(CarWheelMeshes, FiveSpokesAreBuiltAndTheModelKeepsOne) {
  // One spoke as the model stands, for comparison.
  int oneSpokeTriangles = 0;
  {
    Car car;
    MakeCar(car);
    car.spokeCount = 1;
    car.BuildMeshes();
    const GouraudO3d* spokes = Gouraud(car.wheelSets[0].spokeMesh);
    ASSERT_NE(spokes, nullptr);
    oneSpokeTriangles = spokes->triangleCount;
    EXPECT_GT(oneSpokeTriangles, 0);
  }
  {
    Car car;
    MakeCar(car);
    car.spokeCount = 2;  // the fewest that are repeated
    car.BuildMeshes();
    const GouraudO3d* spokes = Gouraud(car.wheelSets[0].spokeMesh);
    ASSERT_NE(spokes, nullptr);
    EXPECT_EQ(spokes->triangleCount, 2 * oneSpokeTriangles);
  }
  Car car;
  MakeCar(car);
  ASSERT_EQ(car.spokeCount, 5);
  const int points = car.spoke.pointCount, triangles = car.spoke.triangleCount;
  const ModelPoint* ownPoints = car.spoke.points;
  car.BuildMeshes();
  EXPECT_EQ(car.wheelMeshesBuilt, 1);
  for (const SuspensionBlock& set : car.wheelSets) {
    const GouraudO3d* spokes = Gouraud(set.spokeMesh);
    ASSERT_NE(spokes, nullptr);
    EXPECT_EQ(spokes->triangleCount, 5 * oneSpokeTriangles);
    // The copies turned round the axle: points at five angles a fifth of a turn apart.
    std::vector<int> fifths(5, 0);
    for (int i = 0; i < spokes->pointCount; ++i) {
      const GouraudPoint& g = spokes->points[i];
      const double turn = std::atan2(double(g.z), double(g.y)) / (2 * 3.14159265358979);
      fifths[size_t(int(std::floor((turn + 1.0 + 0.1) * 5)) % 5)] += 1;
    }
    for (int k = 0; k < 5; ++k) EXPECT_EQ(fifths[size_t(k)], spokes->pointCount / 5) << "fifth " << k;
    ASSERT_NE(Gouraud(set.rimMesh), nullptr);
    EXPECT_EQ(set.rimMesh->radius, set.boundingRadius) << "the rim's radius from the set's dimensions";
  }
  EXPECT_EQ(car.spoke.pointCount, points);
  EXPECT_EQ(car.spoke.triangleCount, triangles);
  EXPECT_EQ(car.spoke.points, ownPoints) << "the model's own arrays are back";
  // A second build does nothing until the meshes are released.
  const DrawMesh* rim = car.wheelSets[0].rimMesh;
  car.BuildMeshes();
  EXPECT_EQ(car.wheelSets[0].rimMesh, rim);
}

TEST_F(CarWheelMeshes, WithoutSpokeTrianglesOnlyRimsAreBuilt) {
  Car car;
  MakeCar(car);
  car.spoke.Free();
  car.spoke.Init();
  car.BuildMeshes();
  for (const SuspensionBlock& set : car.wheelSets) {
    EXPECT_EQ(set.spokeMesh, nullptr);
    const GouraudO3d* rim = Gouraud(set.rimMesh);
    ASSERT_NE(rim, nullptr);
    EXPECT_EQ(rim->triangleCount, (set.profile.surfaceCount - 9) * RIM_SEGMENTS * 2);
  }
}

TEST_F(CarWheelMeshes, WithoutARimRecordTheRimTakesTheDefaultTextureAndFixedSurfaces) {
  Car car;
  MakeCar(car);
  FreeVehicleRim(car);
  ASSERT_EQ(car.rim, nullptr);
  car.BuildMeshes();
  for (const SuspensionBlock& set : car.wheelSets) {
    const GouraudO3d* rim = Gouraud(set.rimMesh);
    ASSERT_NE(rim, nullptr);
    ASSERT_EQ(rim->partCount, 1);
    ASSERT_NE(rim->parts[0].key, nullptr);
    ASSERT_NE(rim->parts[0].key->texture, nullptr);
    EXPECT_STREQ(rim->parts[0].key->texture->name, DEFAULT_RIM_TEXTURE);
    const int fixed = set.rimLipDepthMm ? 13 : 11;
    EXPECT_EQ(set.profile.surfaceCount, fixed);
    EXPECT_EQ(rim->triangleCount, (fixed - 9) * RIM_SEGMENTS * 2);
  }
}

TEST_F(CarWheelMeshes, RimColoursAreScaledAndSaturatedOnTheRimAndTheSpoke) {
  Car car;
  MakeCar(car);
  car.currentColours.groups[1][0] = RgbWord(250, 80, 10);
  car.currentColours.groups[1][1] = RgbWord(40, 200, 160);
  car.BuildMeshes();
  ASSERT_NE(car.rim, nullptr);
  EXPECT_EQ(car.rim->mappings[0].colour & 0xFFFFFF, RgbWord(255, 102, 13)) << "\"M1_rim\": 250 x 1.275 held at 255";
  EXPECT_EQ(car.rim->mappings[1].colour & 0xFFFFFF, RgbWord(51, 255, 204)) << "\"M2_rim\"";
  EXPECT_EQ(car.spoke.mappings[0].colour & 0xFFFFFF, RgbWord(51, 255, 204)) << "\"M2_spoke\"";
  // The rim's right edge shows the first mapping's colour, shaded by |x| / L s + (1 - s) = 1 there.
  const WheelProfile& p = car.wheelSets[0].profile;
  const ProfilePoint& right = p.points[p.firstRimPoint + 1];
  EXPECT_EQ(RgbWord(right.red, right.green, right.blue), RgbWord(255, 102, 13));
}

TEST_F(CarWheelMeshes, ARimProfileTheProfileCannotHoldIsCutWithAMessagePerWheelSet) {
  Car car;
  MakeCar(car);
  ASSERT_GE(car.rim->surfaceCount, 2);
  car.rim->surfaces[1].second = 99;
  car.BuildMeshes();
  EXPECT_EQ(Lines("Rim profile of the rear wheels cut at surface 1"), 1);
  EXPECT_EQ(Lines("Rim profile of the front wheels cut at surface 1"), 1);
  EXPECT_NE(car.wheelSets[1].rimMesh, nullptr);
}

// A rim profile whose very first surface cannot be held is cut at surface 0, told for the
// rear wheels (set 0) first, then the front; the rim meshes are still made, and a set without
// a bounding radius keeps the radius its rim mesh measured.
TEST_F(CarWheelMeshes, ARimCutAtItsFirstSurfaceIsToldForTheRearThenTheFront) {
  Car car;
  MakeCar(car);
  ASSERT_GE(car.rim->surfaceCount, 1);
  car.rim->surfaces[0].second = 99;
  for (SuspensionBlock& set : car.wheelSets) set.boundingRadius = 0;
  car.BuildMeshes();
  EXPECT_EQ(lines, (std::vector<std::string>{"Rim profile of the rear wheels cut at surface 0",
                                             "Rim profile of the front wheels cut at surface 0"}));
  for (const SuspensionBlock& set : car.wheelSets) {
    ASSERT_NE(set.rimMesh, nullptr);
    EXPECT_GT(set.rimMesh->radius, 0) << "measured, not the set's 0";
  }
}

TEST_F(CarWheelMeshes, EachWheelGetsItsSetsProxyAndReleasingFreesEverything) {
  Car car;
  MakeCar(car);
  car.usesSkin = 1;
  ASSERT_EQ(car.wheelCount, 4);
  car.BuildMeshes();
  EXPECT_EQ(SkinContextCar, nullptr) << "the skin context lasts for the build only";
  for (int w = 0; w < car.wheelCount; ++w) {
    FastMesh* proxy = GetFastMesh(DrawingOf(car).wheelFastMeshes[w]);
    ASSERT_NE(proxy, nullptr) << w;
    EXPECT_EQ(proxy->totalVertices, 18u);
    EXPECT_EQ(proxy->totalTriangles, 32u);
  }
  // The car's fast meshes freed (a dent, a device change): the next build gives the proxies
  // back and keeps the rims it has.
  const DrawMesh* rim = car.wheelSets[0].rimMesh;
  car.FreeFastMeshes();
  EXPECT_EQ(GetFastMesh(DrawingOf(car).wheelFastMeshes[0]), nullptr);
  car.BuildMeshes();
  EXPECT_NE(GetFastMesh(DrawingOf(car).wheelFastMeshes[3]), nullptr);
  EXPECT_EQ(car.wheelSets[0].rimMesh, rim);
  FastMeshHandle first = DrawingOf(car).wheelFastMeshes[0];
  car.ReleaseMeshes();
  EXPECT_EQ(car.wheelMeshesBuilt, 0);
  EXPECT_EQ(GetFastMesh(first), nullptr);
  for (const SuspensionBlock& set : car.wheelSets) {
    EXPECT_EQ(set.spokeMesh, nullptr);
    EXPECT_EQ(set.rimMesh, nullptr);
  }
  // Built again after the release; without graphics nothing is built.
  car.BuildMeshes();
  EXPECT_NE(car.wheelSets[0].rimMesh, nullptr);
  car.ReleaseMeshes();
  GraphicsEnabled = 0;
  car.BuildMeshes();
  EXPECT_EQ(car.wheelSets[0].rimMesh, nullptr);
  EXPECT_EQ(car.wheelMeshesBuilt, 0);
}
