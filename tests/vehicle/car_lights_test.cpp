// car_lights_test.cpp - the car's lights and material meshes: lights found by their mapping
// names with their scores and slots, tail lights from the brake names, the indicators split
// at the centre line, the material limit, the headlight's place and its colour against the
// colour temperature worked out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/gamma_tables.h"
#include "render/gouraud_mesh.h"
#include "render/views.h"
#include "tests/vehicle/car_model_fixture.h"
#include "vehicle/car_drawing.h"
#include "vehicle_data/vehicle_class.h"

namespace {

using Lights = CarModelTest;

// The texture a mapping's first cutout was given by the build.
const ZKTETexture* TextureOf(const ModelObject& o, int mapping) {
  const Material* m = o.cutouts[o.mappings[mapping].cutout[0]].texture;
  return m ? m->texture : nullptr;
}

TEST_F(Lights, EachNameFillsItsSlotAndTheFirstTexturedMappingOfARisingScoreGivesTheTexture) {
  for (bool sideFirst : {true, false}) {
    SCOPED_TRACE(sideFirst);
    Car car;
    ModelBuilder b;
    int head, side;
    if (sideFirst) {
      side = AddSquare(b, "l_side", "PLAIN~W", 0, -3);
      head = AddSquare(b, "L_HEAD", "sample_page", 0, 3);
    } else {
      head = AddSquare(b, "L_HEAD", "sample_page", 0, 3);
      side = AddSquare(b, "l_side", "PLAIN~W", 0, -3);
    }
    const int other = AddSquare(b, "l_head2", "PLAIN~W", 0, 6);
    ModelObject& model = GiveModel(car, b);
    car.MergeSubs();
    car.FindLights();
    const CarLight& light = car.lights[LIGHT_HEAD];
    EXPECT_EQ(light.slots[0], &model.mappings[head]);
    EXPECT_EQ(light.slotIndex[0], head);
    EXPECT_EQ(light.slots[1], &model.mappings[side]);
    EXPECT_EQ(light.slots[2], nullptr);
    EXPECT_EQ(light.mode, LIGHT_WHOLE_CAR);
    ASSERT_NE(light.material, nullptr);
    EXPECT_EQ(light.found, 1);
    EXPECT_EQ(light.material->texture, TextureOf(model, sideFirst ? side : head)) << "a texture once taken stays";
    EXPECT_NE(TextureOf(model, side), TextureOf(model, head));
    EXPECT_NE(light.slots[0], &model.mappings[other]);
    for (int i : {LIGHT_BRAKE, LIGHT_TAIL, LIGHT_REAR_FOG, LIGHT_REVERSE}) EXPECT_EQ(car.lights[i].material, nullptr) << i;
  }
}

TEST_F(Lights, EachLightTakesItsNamesIntoItsSlotsInPriorityOrder) {
  // The eight lights' mapping names and modes.
  const struct {
    int light;
    const char* names[4];
    int mode;
  } table[] = {
      {LIGHT_BRAKE, {"l_brk", "l_sbrk", "l_tbrk", "l_cbrk"}, LIGHT_WHOLE_CAR},
      {LIGHT_HEAD, {"l_head", "l_side", nullptr, nullptr}, LIGHT_WHOLE_CAR},
      {LIGHT_TAIL, {"l_tail", "l_stail", "l_ttail", nullptr}, LIGHT_WHOLE_CAR},
      {LIGHT_LEFT_INDICATOR, {"l_rind", "l_find", "l_rsind", "l_fsind"}, LIGHT_LEFT_SIDE},
      {LIGHT_RIGHT_INDICATOR, {"l_rind", "l_find", "l_rsind", "l_fsind"}, LIGHT_RIGHT_SIDE},
      {LIGHT_REAR_FOG, {"l_rfog", nullptr, nullptr, nullptr}, LIGHT_WHOLE_CAR},
      {LIGHT_FRONT_FOG, {"l_ffog", nullptr, nullptr, nullptr}, LIGHT_WHOLE_CAR},
      {LIGHT_REVERSE, {"l_rev", nullptr, nullptr, nullptr}, LIGHT_WHOLE_CAR},
  };
  const char* const all[] = {"l_brk", "l_sbrk", "l_tbrk", "l_cbrk", "l_head", "l_side", "l_tail", "l_stail",
                             "l_ttail", "l_rind", "l_find", "l_rsind", "l_fsind", "l_rfog", "l_ffog", "l_rev"};
  Car car;
  ModelBuilder b;
  double x = -8;
  for (const char* name : all) AddSquare(b, name, "PLAIN~W", 0, x += 1);
  ModelObject& model = GiveModel(car, b);
  car.MergeSubs();
  car.FindLights();
  const auto mappingNamed = [&model](const char* name) -> const ModelMapping* {
    for (int i = 0; i < model.mappingCount; ++i)
      if (std::strcmp(model.mappings[i].name, name) == 0) return &model.mappings[i];
    return nullptr;
  };
  for (const auto& row : table) {
    const CarLight& light = car.lights[row.light];
    EXPECT_EQ(light.mode, row.mode) << "light " << row.light;
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(light.slots[k], row.names[k] ? mappingNamed(row.names[k]) : nullptr)
          << "light " << row.light << " slot " << k;
  }
}

TEST_F(Lights, BrakeMappingsStandForMissingTailLightsButNotTheCentreBrakeLight) {
  Car car;
  ModelBuilder b;
  const int brake = AddSquare(b, "l_brk", "sample_page", 0, 0);
  AddSquare(b, "l_cbrk", "sample_page", 0, 3);
  ModelObject& model = GiveModel(car, b);
  car.MergeSubs();
  car.FindLights();
  EXPECT_EQ(car.lights[LIGHT_BRAKE].slots[0], &model.mappings[brake]);
  EXPECT_NE(car.lights[LIGHT_BRAKE].slots[3], nullptr) << "l_cbrk, score 1";
  ASSERT_NE(car.lights[LIGHT_TAIL].material, nullptr);
  EXPECT_EQ(car.lights[LIGHT_TAIL].slots[0], &model.mappings[brake]) << "the brake mappings as tail lights";
  EXPECT_EQ(car.lights[LIGHT_TAIL].slots[3], nullptr) << "without l_cbrk";

  Car centre;
  ModelBuilder c;
  AddSquare(c, "l_cbrk", "sample_page", 0, 3);
  AddSquare(c, "l_rev", "../refused", 0, 6);  // a page that gets no texture
  GiveModel(centre, c);
  centre.MergeSubs();
  centre.FindLights();
  EXPECT_NE(centre.lights[LIGHT_BRAKE].material, nullptr);
  EXPECT_EQ(centre.lights[LIGHT_TAIL].material, nullptr) << "l_cbrk alone makes no tail light";
  EXPECT_EQ(centre.lights[LIGHT_REVERSE].material, DefaultPlainMaterial()) << "found, but without a texture";
  EXPECT_EQ(centre.lights[LIGHT_REVERSE].found, 0);
}

TEST_F(Lights, LightsAreFoundInAttachmentsToo) {
  Car car;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  ModelObject& model = GiveModel(car, b);
  std::vector<ModelObject> children(2);
  const uint8_t types[2] = {SUBOBJECT_BRAKE, SUBOBJECT_ATTACHMENT};
  for (int i = 0; i < 2; ++i) {
    ModelBuilder c;
    AddSquare(c, i ? "l_rfog" : "l_ffog", "sample_page", 0.5);
    children[size_t(i)].Init();
    c.Into(children[size_t(i)]);
    children[size_t(i)].type = types[i];
  }
  SetChildren(model, children);
  car.MergeSubs();
  car.FindLights();
  EXPECT_NE(car.lights[LIGHT_REAR_FOG].material, nullptr);
  EXPECT_EQ(car.lights[LIGHT_REAR_FOG].slots[0], &model.children[1].mappings[0]);
  EXPECT_EQ(car.lights[LIGHT_FRONT_FOG].material, nullptr) << "a brake object is not searched";
}

// A level of points at the x positions given (y = 1, z = 2 m), all of the mapping's colour, and
// triangles (0, 1, 2), (1, 2, 3), ...
void FillLine(GouraudO3d& level, const std::vector<double>& xs, const ModelMapping& mapping) {
  const int n = int(xs.size());
  AllocateMeshArrays(level, n, n - 2, 1);
  for (int i = 0; i < n; ++i) {
    GouraudPoint& p = level.points[i];
    p.x = int32_t(std::lround(xs[size_t(i)] * 65536));
    p.y = 65536;
    p.z = 2 * 65536;
    p.nx = 0.6f;
    p.nz = -0.8f;
    p.u = 0.25f * float(i);
    p.v = 0.5f;
    p.colour = reinterpret_cast<const GouraudColour*>(&mapping.colour);
  }
  for (int t = 0; t + 2 < n; ++t) level.triangles[t] = GouraudTriangle{{uint16_t(t), uint16_t(t + 1), uint16_t(t + 2)}, 4};
}

TEST_F(Lights, AnIndicatorSpanningTheCentreLineSplitsAndPointsOnItBelongToNeither) {
  ModelMapping mapping{};
  GouraudO3d* level = NewGouraud();
  FillLine(*level, {-0.6, -0.4, -0.2, 0.0, 0.2, 0.4, 0.6}, mapping);
  const Material* material = DefaultPlainMaterial();
  for (CarLightMode mode : {LIGHT_LEFT_SIDE, LIGHT_RIGHT_SIDE, LIGHT_WHOLE_CAR, CarLightMode(3)}) {
    SCOPED_TRACE(int(mode));
    CarLight light{};
    light.mode = mode;
    light.slots[2] = &mapping;
    light.slotIndex[2] = 4;
    FastMeshHandle handle = NewFastMesh();
    FastMesh& mesh = *GetFastMesh(handle);
    ASSERT_EQ(ReservePrimitiveParts(mesh, 1, 1), 1);
    mesh.parts[0].material = material;
    AddPrimitiveGroup(mesh);
    AddLightTriangles(mesh, *level, material, light, 0x00FF8040);
    const Primitive& part = mesh.parts[0];
    std::vector<float> xs;
    for (const VertexLit& v : part.buildVertices) xs.push_back(v.x);
    auto at = [](double x) { return float(std::lround(x * 65536)) / 65536.0f; };
    if (mode == LIGHT_LEFT_SIDE) {
      EXPECT_EQ(xs, (std::vector<float>{at(-0.6), at(-0.4), at(-0.2)}));
      EXPECT_EQ(part.buildIndices, (std::vector<uint16_t>{0, 1, 2})) << "only the triangle wholly left";
    } else if (mode == LIGHT_RIGHT_SIDE) {
      EXPECT_EQ(xs, (std::vector<float>{at(0.2), at(0.4), at(0.6)}));
      EXPECT_EQ(part.buildIndices, (std::vector<uint16_t>{0, 1, 2}));
    } else if (mode == LIGHT_WHOLE_CAR) {
      EXPECT_EQ(xs.size(), 7u);
      // The five triangles (t, t + 1, t + 2), their corners in order.
      EXPECT_EQ(part.buildIndices, (std::vector<uint16_t>{0, 1, 2, 1, 2, 3, 2, 3, 4, 3, 4, 5, 4, 5, 6}));
      const VertexLit& v = part.buildVertices[1];
      EXPECT_FLOAT_EQ(v.y, 1.0f);
      EXPECT_FLOAT_EQ(v.z, 2.0f);
      EXPECT_EQ(v.normal[0], 76) << "0.6 x 127 rounded";
      EXPECT_EQ(v.normal[2], -102);
      EXPECT_EQ(v.colour0, 0x00FF8040u) << "red in the high byte";
      EXPECT_EQ(v.u, 0.25f);
    } else {
      EXPECT_TRUE(part.buildVertices.empty()) << "modes above 2 take nothing";
    }
    FreeFastMesh(handle);
  }
  // A triangle of another mapping index, or a part of another material, takes nothing.
  CarLight light{};
  light.slots[0] = &mapping;
  light.slotIndex[0] = 5;
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ReservePrimitiveParts(mesh, 1, 1);
  mesh.parts[0].material = material;
  AddLightTriangles(mesh, *level, material, light, 0);
  EXPECT_TRUE(mesh.parts[0].buildIndices.empty());
  EXPECT_EQ(mesh.parts[0].buildVertices.size(), 7u) << "the vertices are the mapping's";
  AddLightTriangles(mesh, *level, reinterpret_cast<const Material*>(&mapping), light, 0);
  EXPECT_EQ(mesh.parts[0].buildVertices.size(), 7u);
  FreeFastMesh(handle);
  DeleteDrawMesh(level);
}

TEST_F(Lights, SixtyFiveMaterialsLeaveOneOutAndAreReportedWhenTheCarMay) {
  for (int warning : {1, 0}) {
    Car car;
    ModelBuilder b;
    AddSquare(b, "x", "PLAIN~W", 0);
    GiveModel(car, b);
    car.materialWarning = uint8_t(warning);
    GouraudO3d& level = *car.levelMeshes[0];
    AllocateMeshArrays(level, 65 * 3, 65, 65);
    MaterialParams params{};
    for (int p = 0; p < 65; ++p) {
      level.parts[p] = GouraudPart{uint8_t(p), CreateMaterial(nullptr, 0, 0, 200 + p, params, 0), 3, 1};
      level.triangles[p] = GouraudTriangle{{uint16_t(3 * p), uint16_t(3 * p + 1), uint16_t(3 * p + 2)}, 0};
      for (int k = 0; k < 3; ++k) level.points[3 * p + k].x = 65536 * k;
    }
    ReportRecorder::Reports() = RecordedReports{};
    car.BuildMaterialMeshes();
    const FastMesh* mesh = GetFastMesh(DrawingOf(car).materialMesh);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->parts.size(), 64u);
    EXPECT_EQ(mesh->parts[63].material, level.parts[63].key);
    EXPECT_EQ(Lines("1|-1|" + std::string(TEXT_TOO_MANY_MATERIALS)), warning);
    EXPECT_EQ(mesh->totalTriangles, 64u) << "the extra material's triangles have no part";
    car.FreeFastMeshes();
  }
}

// The material mesh takes its materials from the model's levels only: a level mesh past the
// model's level count adds none, however many level meshes the car holds.
TEST_F(Lights, OnlyTheModelsLevelsGiveTheMaterialMeshItsMaterials) {
  Car car;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(car, b);  // one level
  MaterialParams params{};
  const Material* own[2] = {CreateMaterial(nullptr, 0, 0, 180, params, 0), CreateMaterial(nullptr, 0, 0, 181, params, 0)};
  for (int i = 0; i < 2; ++i) {  // level i has 3 + i points
    GouraudO3d& level = *car.levelMeshes[i];
    AllocateMeshArrays(level, 3 + i, 1, 1);
    level.parts[0] = GouraudPart{0, own[i], 3 + i, 1};
    level.triangles[0] = GouraudTriangle{{0, 1, 2}, 0};
    for (int k = 0; k < 3 + i; ++k) level.points[k].x = 65536 * k;
  }
  car.BuildMaterialMeshes();
  // The plain mesh is the only level's, then the second level's.
  ASSERT_NE(GetFastMesh(DrawingOf(car).plainMesh), nullptr);
  EXPECT_EQ(GetFastMesh(DrawingOf(car).plainMesh)->totalVertices, 3u);
  const FastMesh* mesh = GetFastMesh(DrawingOf(car).materialMesh);
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->parts.size(), 1u) << "the second level mesh is not one of the model's";
  EXPECT_EQ(mesh->parts[0].material, own[0]);
  car.FreeFastMeshes();
  car.model->lodCount = 2;
  car.BuildMaterialMeshes();
  mesh = GetFastMesh(DrawingOf(car).materialMesh);
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->parts.size(), 2u) << "with two levels, both";
  EXPECT_EQ(mesh->parts[1].material, own[1]);
  ASSERT_NE(GetFastMesh(DrawingOf(car).plainMesh), nullptr);
  EXPECT_EQ(GetFastMesh(DrawingOf(car).plainMesh)->totalVertices, 4u);
  car.FreeFastMeshes();
}

// The Planckian locus by the cubic approximation as published (Kim et al.), the chromaticity
// to XYZ at luminance 1, and XYZ to linear sRGB (D65) by its published matrix.
void ExpectedHeadlight(double T, double rgb[3]) {
  double x;
  if (T <= 4000)
    x = -0.2661239e9 / (T * T * T) - 0.2343589e6 / (T * T) + 0.8776956e3 / T + 0.179910;
  else
    x = -3.0258469e9 / (T * T * T) + 2.1070379e6 / (T * T) + 0.2226347e3 / T + 0.240390;
  double y;
  if (T <= 4000) y = -0.9549476 * x * x * x - 1.37418593 * x * x + 2.09137015 * x - 0.16748867;
  else y = 3.0817580 * x * x * x - 5.87338670 * x * x + 3.75112997 * x - 0.37001483;
  const double X = x / y, Y = 1.0, Z = (1 - x - y) / y;
  rgb[0] = 3.2404542 * X - 1.5371385 * Y - 0.4985314 * Z;
  rgb[1] = -0.9692660 * X + 1.8760108 * Y + 0.0415560 * Z;
  rgb[2] = 0.0556434 * X - 0.2040259 * Y + 1.0572252 * Z;
}

TEST_F(Lights, HeadlightsOfSaloonsAre4200KAndOthers6000K) {
  for (uint8_t vehicleClass : {uint8_t(CLASS_SALOON), uint8_t(CLASS_GT), uint8_t(0)}) {
    float rgb[3];
    HeadlightColour(vehicleClass, rgb);
    double want[3];
    ExpectedHeadlight(vehicleClass == CLASS_SALOON ? 4200 : 6000, want);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rgb[c], want[c], 2e-4 * std::max(1.0, std::fabs(want[c]))) << c;
    if (vehicleClass == CLASS_SALOON) {
      EXPECT_GT(rgb[0], rgb[2]) << "4200 K is warm";
    }
  }
}

TEST_F(Lights, TheHeadlightSitsAtTheMiddleOfItsRightHandVertices) {
  Car car;
  ModelBuilder b;
  AddSquare(b, "x", "PLAIN~W", 0);
  GiveModel(car, b);
  car.options2 |= OPT2_HEADLIGHT;
  car.vehicleClass = CLASS_SALOON;
  ModelMapping head{}, side{}, other{};
  car.lights[LIGHT_HEAD].slots[0] = &head;
  car.lights[LIGHT_HEAD].slots[1] = &side;
  GouraudO3d& level = *car.levelMeshes[0];
  auto fill = [&level](const std::vector<std::pair<IntVector, const ModelMapping*>>& points) {
    AllocateMeshArrays(level, int(points.size()), 0, 1);
    level.parts[0] = GouraudPart{0, DefaultPlainMaterial(), int32_t(points.size()), 0};
    for (size_t i = 0; i < points.size(); ++i) {
      GouraudPoint& p = level.points[i];
      p.x = points[i].first.x;
      p.y = points[i].first.y;
      p.z = points[i].first.z;
      p.colour = points[i].second ? reinterpret_cast<const GouraudColour*>(&points[i].second->colour) : nullptr;
    }
  };
  fill({{{1, 2, 3}, &head}, {{3, 4, 5}, &head}, {{2, 0, 1}, nullptr}, {{-5, 9, 9}, &head}, {{9, 9, 9}, &other},
        {{0, 7, 7}, &head}});
  car.BuildMaterialMeshes();
  EXPECT_EQ(car.headlightPosition.x, 2);
  EXPECT_EQ(car.headlightPosition.y, 2);
  EXPECT_EQ(car.headlightPosition.z, 3) << "x above 0, of the head slot or of no mapping";
  float rgb[3];
  HeadlightColour(CLASS_SALOON, rgb);
  EXPECT_EQ(car.headlightColour[0], rgb[0]);
  // The lowest x need not come first.
  car.FreeFastMeshes();
  fill({{{5, 2, 3}, &head}, {{1, 4, 5}, &head}});
  car.BuildMaterialMeshes();
  EXPECT_EQ(car.headlightPosition.x, 3);

  // None there: the camera's place; only exactly (0, 0, 0) tries the second slot.
  car.FreeFastMeshes();
  fill({{{-1, 2, 3}, &head}, {{4, 4, 4}, &side}, {{6, 8, 10}, &side}});
  ViewCamera.position[0] = 11;
  ViewCamera.position[1] = ViewCamera.position[2] = 0;
  car.BuildMaterialMeshes();
  EXPECT_EQ(car.headlightPosition.x, 11);
  car.FreeFastMeshes();
  ViewCamera.position[0] = 0;
  car.BuildMaterialMeshes();
  EXPECT_EQ(car.headlightPosition.x, 5) << "l_side";
  EXPECT_EQ(car.headlightPosition.z, 7);

  car.FreeFastMeshes();
  car.options2 &= ~OPT2_HEADLIGHT;
  car.headlightPosition = IntVector{1, 1, 1};
  car.BuildMaterialMeshes();
  EXPECT_EQ(car.headlightPosition.x, 1) << "without the option nothing is placed";
}

TEST_F(Lights, TheLightMeshesOfTheSampleCarHoldTheirMappingsInTheLightsColours) {
  Car car;
  MakeModelCar(0, car);
  car.lights[LIGHT_BRAKE].colour[0] = 200;
  car.ApplyPendingModelChanges();
  const FastMesh* brake = GetFastMesh(DrawingOf(car).lightMeshes[LIGHT_BRAKE]);
  ASSERT_NE(brake, nullptr);
  ASSERT_EQ(brake->parts.size(), 1u);
  EXPECT_EQ(brake->groupCount, 2u) << "a group per level";
  EXPECT_GT(brake->totalTriangles, 0u);
  EXPECT_EQ(brake->parts[0].material, car.lights[LIGHT_BRAKE].material);
  const FastMesh* head = GetFastMesh(DrawingOf(car).lightMeshes[LIGHT_HEAD]);
  ASSERT_NE(head, nullptr);
  EXPECT_GT(head->totalTriangles, 0u);
  EXPECT_EQ(GetFastMesh(DrawingOf(car).lightMeshes[LIGHT_REVERSE]), nullptr) << "no such light, no mesh";
  EXPECT_EQ(car.lights[LIGHT_TAIL].colour[0], ColourRed(car.colours[LIGHT_TAIL])) << "the vehicle's colours, light order";
}

}  // namespace

// A point normal longer than a unit (as a damaged or hand-made mesh may hold) is held at the
// byte's ends, +127 and -127, not wrapped round.
TEST_F(Lights, ALightsNormalsPastAUnitAreHeldAtTheBytesEnds) {
  ModelMapping mapping{};
  GouraudO3d* level = NewGouraud();
  FillLine(*level, {-0.2, 0.0, 0.2}, mapping);
  level->points[1].nx = 1.5f;
  level->points[1].ny = -3.0f;
  level->points[1].nz = 1.0f;
  CarLight light{};
  light.mode = LIGHT_WHOLE_CAR;
  light.slots[2] = &mapping;
  light.slotIndex[2] = 4;
  const Material* material = DefaultPlainMaterial();
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 1, 1), 1);
  mesh.parts[0].material = material;
  AddPrimitiveGroup(mesh);
  AddLightTriangles(mesh, *level, material, light, 0);
  ASSERT_EQ(mesh.parts[0].buildVertices.size(), 3u);
  const VertexLit& v = mesh.parts[0].buildVertices[1];
  EXPECT_EQ(v.normal[0], 127);
  EXPECT_EQ(v.normal[1], -127);
  EXPECT_EQ(v.normal[2], 127) << "exactly a unit: 127";
  FreeFastMesh(handle);
  DeleteDrawMesh(level);
}
