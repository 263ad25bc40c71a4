// humans_test.cpp - the drawing side of the humans on the null device: slots found by
// skeleton, the copies table, the level chosen by distance (none beyond the last), the
// light sample looked up at a rounded-down position, the recorded batches drawn lit, the
// human record's life, and the helmet's one fast mesh made again after the device went.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/light_samples.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"

namespace {

class HumanDrawing : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    InitSinCosTables();
    ResetTempMeshes();
    const int32_t position[3] = {0, 0, 0}, light[3] = {0, 0, 65536};
    const float direction[3] = {0, 0, 1};
    InitView(view_, position, direction, light);
    a_ = KeyMaterial(1);
    b_ = KeyMaterial(2);
  }
  void TearDown() override {
    FreeHumanMeshSlots();
    FreeHelmetMeshes();
    FreeAllFastMeshes();
    ClearTempMeshStore();
    FreeAllMaterials();
    WorldCameraHook = nullptr;
    WorldLightSampleHook = nullptr;
    CurrentView = &MainView;
  }
  GouraudO3d* Level(std::vector<PartShape> parts) {
    GouraudO3d* mesh = NewGouraud();
    FillGouraud(*mesh, parts);
    return mesh;
  }
  // Two slots of one model: levels 0 and 1 at 20 m and 80 m.
  void MakeSlots() {
    AllocateHumanSlots(2);
    for (int s = 0; s < 2; ++s) {
      HumanMeshSlot& slot = HumanMeshes.slots[s];
      slot.flags = uint32_t(s);
      slot.skeletonIndex = 3;
      slot.levelCount = 2;
      slot.distanceLimits[0] = 20 << 16;
      slot.distanceLimits[1] = 80 << 16;
      for (int level = 0; level < HUMAN_LEVELS; ++level) slot.meshes[level] = Level({{a_, 4, 2}, {b_, 3, 1}});
    }
    HumanMeshes.built = 1;
  }
  View view_{};
  Material* a_ = nullptr;
  Material* b_ = nullptr;
};

// The temporary batches of a figure are drawn lit by its light sample, and the lighting
// mode is put back afterwards.
TEST_F(HumanDrawing, LitBatchesAreDrawnAndTheLightingModePutBack) {
  ASSERT_EQ(AddDrawBatch(a_, 3, 1), 0);
  CircularVBuffer* b = TempMeshWriter();
  ASSERT_NE(b, nullptr);
  std::memset(b->vertexWrite, 0, 3 * size_t(b->stride));
  b->indexWrite[0] = 0, b->indexWrite[1] = 1, b->indexWrite[2] = 2;
  CloseDrawBatch(3, 1);
  LightRecord light;
  InitLightRecord(light);
  LightingMode = 0;
  CurrentWorldPass = 0;
  const uint32_t draws = Gfx.drawCalls;
  DrawTempMeshesLit(0, 1, HUMAN_LIT_FROM_SAMPLE, light);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(LightingMode, 0);
}

// The light sample goes to the object row: six positions (the face colours) and six terms,
// each the face's ambient rounded and held to 0..255, as a fraction of 255; the scale 1.
// Outside the first world pass, or without a sample, the row is left as it was.
TEST_F(HumanDrawing, TheSampleReachesTheObjectRowWithItsAmbientHeldToAByte) {
  LightRecord light;
  InitLightRecord(light);
  const float ambient[6] = {-5.0f, 0.4f, 100.4f, 255.0f, 300.0f, 128.6f};
  for (int face = 0; face < 6; ++face) {
    light.ambient[face] = ambient[face];
    for (int c = 0; c < 3; ++c) light.colours[face][c] = float(face * 10 + c);
  }
  float* row = reinterpret_cast<float*>(VSConstants[VS_ROW_OBJECT].data);
  auto scribble = [&] {
    for (int i = 0; i < 28; ++i) row[i] = -7.0f;
  };
  scribble();
  CurrentWorldPass = 1;
  DrawTempMeshesLit(0, 0, HUMAN_LIT_FROM_SAMPLE, light);
  EXPECT_EQ(row[3], -7.0f) << "a later pass keeps the row";
  CurrentWorldPass = 0;
  DrawTempMeshesLit(0, 0, HUMAN_NO_SAMPLE, light);
  EXPECT_EQ(row[3], -7.0f) << "no sample keeps the row";
  DrawTempMeshesLit(0, 0, HUMAN_LIT_FROM_SAMPLE, light);
  const float terms[6] = {0, 0, 100, 255, 255, 129};
  for (int face = 0; face < 6; ++face) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(row[face * 4 + c], float(face * 10 + c)) << face << " " << c;
    EXPECT_FLOAT_EQ(row[face * 4 + 3], terms[face] / 255.0f) << face;
  }
  EXPECT_EQ(row[24], 1.0f);
}

TEST_F(HumanDrawing, SlotsAreFoundByFlagAndSkeletonAndCopiesFollowTheTable) {
  EXPECT_EQ(FindHumanSlot(3), 0) << "nothing built";
  MakeSlots();
  EXPECT_EQ(FindHumanSlot(3), 1) << "the first slot with flag bit 0";
  EXPECT_EQ(FindHumanSlot(2), 2) << "no match: the slot count";
  const int copies[] = {6, 4, 4, 5, 6, 1, 1, 1};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(HumanCopies(k), copies[k]) << k;
}

TEST_F(HumanDrawing, TheLevelIsChosenByDistanceAndNothingIsDrawnBeyondTheLast) {
  MakeSlots();
  HumanWorldObject object;
  InitHumanRecord(object);
  object.meshSet = &HumanMeshes.slots[0];
  FixedTransform parent;
  SetIdentityTransform(parent);
  struct Case {
    int metres;
    float factor;
    uint8_t level;
  };
  const Case cases[] = {{10, 1.0f, 0}, {20, 1.0f, 0}, {50, 1.0f, 1}, {30, 0.5f, 0}, {50, 2.0f, HUMAN_NO_LEVEL},
                        {100, 1.0f, HUMAN_NO_LEVEL}};
  static float factor;
  WorldCameraHook = [](int32_t position[3], float* lodFactor) {
    position[0] = position[1] = position[2] = 0;
    *lodFactor = factor;
  };
  for (const Case& c : cases) {
    factor = c.factor;
    object.transform.translation = {0, c.metres << 16, 0};
    const uint32_t before = TempMeshes.count;
    SelectLodByDistance(object, parent);
    EXPECT_EQ(object.chosenLevel, c.level) << c.metres << " m x " << c.factor;
    if (c.level == HUMAN_NO_LEVEL) {
      EXPECT_EQ(object.batchCount, 0);
      EXPECT_EQ(TempMeshes.count, before) << "nothing drawn";
    } else {
      EXPECT_EQ(object.batchCount, 2) << "one batch per part";
      EXPECT_EQ(object.firstBatch, before);
      EXPECT_EQ(TempMeshes.count, before + 2);
    }
  }
  // Without the world the camera is the view's eye.
  WorldCameraHook = nullptr;
  CurrentView = &view_;
  view_.position[1] = 45 << 16;
  object.transform.translation = {0, 0, 0};
  SelectLodByDistance(object, parent);
  EXPECT_EQ(object.chosenLevel, 1);
  const uint32_t before = TempMeshes.count;
  RedrawHumanLod(object, parent);
  EXPECT_EQ(object.firstBatch, before);
  EXPECT_EQ(object.batchCount, 2);
}

TEST_F(HumanDrawing, TheLightSampleIsLookedUpAtAPositionRoundedDown) {
  HumanWorldObject object;
  InitHumanRecord(object);
  FindHumanLight(object, IntVector{100, -100, 64});
  EXPECT_EQ(object.lightState, HUMAN_NO_SAMPLE) << "no world lighting";
  static int32_t asked[3];
  static int answer;
  WorldLightSampleHook = [](const int32_t point[3], LightSample& sample) {
    std::memcpy(asked, point, sizeof asked);
    std::memset(sample.bytes, 0, sizeof sample.bytes);
    sample.bytes[4] = 200;  // the first face's ambient
    return answer;
  };
  for (int a : {-1, 0}) {
    answer = a;
    FindHumanLight(object, IntVector{100, -100, 64});
    EXPECT_EQ(object.lightState, HUMAN_NO_SAMPLE) << a;
  }
  EXPECT_EQ(asked[0], 64);
  EXPECT_EQ(asked[1], -128) << "down, also below zero";
  EXPECT_EQ(asked[2], 64);
  answer = 1;
  FindHumanLight(object, IntVector{100, -100, 64});
  EXPECT_EQ(object.lightState, HUMAN_LIT_FROM_SAMPLE);
  EXPECT_EQ(object.light.ambient[0], 200.0f);

  // Drawn lit: the light goes to vertex row 2 and lighting mode 2 holds only while drawing.
  MakeSlots();
  object.meshSet = &HumanMeshes.slots[0];
  object.chosenLevel = 0;
  RedrawHumanLod(object, object.transform);
  LightingMode = 1;
  DrawLodParts(object);
  EXPECT_EQ(LightingMode, 1);
  float row[28];
  std::memcpy(row, VSConstants[VS_ROW_OBJECT].data, sizeof row);
  EXPECT_FLOAT_EQ(row[3], 200.0f / 255.0f) << "the first face's term";
  LightingMode = 0;
}

TEST_F(HumanDrawing, AResetFreesTheFramesAndPutsTheIdentityAtTheHead) {
  HumanWorldObject object;
  InitHumanRecord(object);
  EXPECT_EQ(object.transform.rotation.m[0], FIXED_ONE);
  EXPECT_EQ(object.transform.rotation.m[1], 0);
  EXPECT_EQ(object.chosenLevel, HUMAN_NO_LEVEL);
  EXPECT_EQ(object.light.open[5], 255.0f);
  object.frames = new FixedTransform[5];
  object.frameCount = 5;
  object.transform.translation.x = 77;
  ResetHumanRecord(object);  // the sanitizers see the frames freed once
  EXPECT_EQ(object.frames, nullptr);
  EXPECT_EQ(object.frameCount, 0);
  EXPECT_EQ(object.transform.translation.x, 0);
}

TEST_F(HumanDrawing, TheHelmetHasOneFastMeshForItsLevelsMadeAgainAfterTheDevice) {
  ZKTETexture* skin = CreateZKTETextureNULL("HEL_DEFAULT", GEN_TYPE_WORLD, TEXTURE_TYPE_SKIN);
  ASSERT_NE(skin, nullptr);
  Material* paint = KeyMaterial(3, 0, skin);
  Helmet.levelCount = 2;
  Helmet.meshes[0] = Level({{a_, 4, 2}, {paint, 5, 3}});
  Helmet.meshes[1] = Level({{paint, 3, 1}});
  MakeHelmetFastMesh();
  FastMesh* fast = GetFastMesh(Helmet.fastMesh);
  ASSERT_NE(fast, nullptr);
  ASSERT_EQ(fast->parts.size(), 2u) << "one part per texture of level 0";
  EXPECT_EQ(fast->groupCount, 2u) << "a group per level";
  EXPECT_EQ(Helmet.paintable, skin);
  EXPECT_EQ(fast->parts[1].groups[1].endIndex - fast->parts[1].groups[1].firstIndex, 3u) << "level 1 in group 1";
  EXPECT_EQ(FastMeshCount(), 1);

  // The device goes with every fast mesh; the helmet's handle is then stale and freeing the
  // meshes frees nothing twice.
  FastMeshHandle old = Helmet.fastMesh;
  FreeAllGraphics(1, 0);
  EXPECT_EQ(GetFastMesh(old), nullptr);
  FreeHelmetMeshes();
  EXPECT_EQ(FastMeshCount(), 0);
  EXPECT_EQ(Helmet.meshes[0], nullptr);
}

}  // namespace
