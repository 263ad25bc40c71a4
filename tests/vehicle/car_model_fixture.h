// car_model_fixture.h - cars whose models are assembled on the null device: the sample cars as
// a full build leaves them, cars with a model of the test's own, and the state the assembly
// reads and writes reset around each test.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "model/model_meshes.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/system_textures.h"
#include "tests/core/report_recorder.h"
#include "tests/physics/car_test_util.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/sample_models.h"
#include "vehicle/car_model.h"
#include "vehicle/car_skins.h"

// The sample car of a table row as a full build leaves it: set up, its lights' colours and
// skin taken, its model objects made, its body built and a rebuild posted.
inline void MakeModelCar(int row, Car& car) {
  MakeSampleCar(row, car);
  TakeVehicleLightsAndSkin(car);
  car.AllocModelObjects();
  car.BuildBodyMesh();
}

// Gives the car a model of the builder's records (and the children given), which it owns.
inline ModelObject& GiveModel(Car& car, const ModelBuilder& b, int lodCount = 1) {
  FreeVehicleModel(car);
  car.model = new ModelObject{};
  car.model->Init();
  b.Into(*car.model);
  car.model->lodCount = uint8_t(lodCount);
  car.ownsModel = 1;
  car.modelPresent = 1;
  car.AllocModelObjects();
  return *car.model;
}

// A square of side 2 m in the plane z = height, with a mapping of the given name on a page
// of the given name; returns the mapping's index.
inline int AddSquare(ModelBuilder& b, const char* mapping, const char* page, double height, double x = 0,
                     double y = 0) {
  const int p = b.Page(PAGE_FIXED, page);
  const int cutout = b.AddCutout("cut", p, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
  b.mapping = b.AddMapping(mapping, cutout, cutout, DIRECTION_TOP, 2, 2, 0xFFFFFF, x, y, height);
  const int a = b.Point(x - 1, y - 1, height), c = b.Point(x + 1, y - 1, height), d = b.Point(x + 1, y + 1, height),
            e = b.Point(x - 1, y + 1, height);
  b.Quad(a, c, d, e);
  return b.mapping;
}

class CarModelTest : public NullRenderer {
 protected:
  static void SetUpTestSuite() {
    NullRenderer::SetUpTestSuite();
    SetDefaultTextColours();
    Crc32InitTable();
    InitSinCosTables();
    // The sample pages the build wrote, so that the sample cars find their textures, and the
    // system sprites, so that loading the system textures has nothing to say whichever test
    // comes first.
    const char* work = std::getenv("ZKT_WORK_DIR");
    std::filesystem::create_directories("data/png");
    std::vector<std::string> names = {"sample_page.png", "sample_glass_ALP.png", "ZKTLOGO_ALP.png"};
    for (const char* sprite : SYSTEM_SPRITE_NAMES) names.push_back(std::string(sprite) + ".png");
    for (const std::string& name : names) {
      const std::filesystem::path from = std::filesystem::path(work ? work : "work") / "data" / "png" / name;
      std::error_code error;
      std::filesystem::copy_file(from, std::filesystem::path("data/png") / name,
                                 std::filesystem::copy_options::overwrite_existing, error);
    }
  }
  void SetUp() override {
    NullRenderer::SetUp();
    savedGraphics_ = GraphicsEnabled;
    savedRunMode_ = RunMode;
    GraphicsEnabled = 1;
    RunMode = 1;
    ModelMeshConfig = ModelMeshSettings{};
    CarSkinState = 0;
    SkinDownloads = SkinDownloadQueue{};
    MissingSkins = MissingSkinList{};
    SkinService = SkinServiceSettings{};
    CustomViewRecords[0] = CustomViewRecords[1] = CustomViewMirrors{};
    CurrentViewMode = 0;
    LoadSystemTextures();
  }
  void TearDown() override {
    GraphicsEnabled = savedGraphics_;
    RunMode = savedRunMode_;
    ModelMeshConfig = ModelMeshSettings{};
    FindSkinTexture = FindPageTextureByName;
    FreeAllFastMeshes();
    ReleaseSystemTextures();
    FreeAllMaterials();
  }
  static int Lines(const std::string& text) { return ReportRecorder::CountLines(text); }

  ReportRecorder reports_;
  int savedGraphics_ = 0, savedRunMode_ = 0;
};
