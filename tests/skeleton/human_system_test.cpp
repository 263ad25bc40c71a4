// human_system_test.cpp - the human system file: counts held to the bytes, a refused
// skeleton or damaged model refusing the file with nothing kept, a short file without
// skeletons, slots per model (levels held to one to four) and a model naming a missing
// skeleton skipped with a log line; bone sets by index, rest bones' mirror marks; the helmet's
// colours and levels.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/log.h"
#include "model/model_file.h"
#include "model/model_lod_cache.h"
#include "model/model_materials.h"
#include "model/model_meshes.h"
#include "platform/files.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/texture_table.h"
#include "skeleton/human_system.h"

namespace {

// A skeleton of the given solids: plain bones, nothing else.
void MakeSkeleton(Skeleton& s, int solids) {
  s.Init();
  s.boneCount = solids;
  s.bones = new SkeletonBone[size_t(solids)]();
  for (int i = 0; i < solids; ++i) {
    s.bones[i].halfExtent[0] = s.bones[i].halfExtent[1] = s.bones[i].halfExtent[2] = 0.05f;
    s.bones[i].position[2] = i * 4096;
  }
}

// A human system body of models (each naming a skeleton and storing levelsStored level
// distances) and skeletons of the given solids.
std::vector<uint8_t> HumanFile(const std::vector<uint32_t>& skeletonOfModel, const std::vector<int>& solids,
                               bool withSkeletonCount = true, int levelsStored = 1) {
  std::vector<HumanModel> models(skeletonOfModel.size());
  for (size_t k = 0; k < models.size(); ++k) {
    models[k].model.Init();
    models[k].model.lodCount = uint8_t(levelsStored);
    models[k].flags = k % 2;
    models[k].skeletonIndex = skeletonOfModel[k];
    models[k].value = float(k) + 0.5f;
  }
  std::vector<Skeleton> skeletons(solids.size());
  for (size_t i = 0; i < solids.size(); ++i) MakeSkeleton(skeletons[i], solids[i]);
  auto write = [&](DataFile& f) {
    f.WriteInt(int32_t(models.size()));
    for (const HumanModel& m : models) {
      f.WriteInt(int32_t(m.flags));
      f.WriteInt(int32_t(m.skeletonIndex));
      f.WriteFloat(m.value);
      WriteModelObject(m.model, f, 1, 1);
    }
    if (!withSkeletonCount) return;
    f.WriteInt(int32_t(skeletons.size()));
    for (const Skeleton& s : skeletons) s.Write(f);
  };
  const std::vector<uint8_t> image = DataFileImage("QXHSYS", MemoryWriteBody(write), 252);
  for (HumanModel& m : models) m.model.Free();
  for (Skeleton& s : skeletons) s.Free();
  return image;
}

class HumanSystemFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("data/hmn");
    std::filesystem::remove("humans.log");
    SetLogFileName("humans.log");
  }
  void TearDown() override {
    FreeHumans();
    SetLogFileName("");
    std::filesystem::remove_all("data/hmn");
  }
  void Install(const std::vector<uint8_t>& image) {
    ASSERT_EQ(FileWriteAll(HUMAN_SYSTEM_FILE, image.data(), image.size()), 0);
  }
  static bool Logged(const std::string& text) {
    std::ifstream in("humans.log");
    for (std::string line; std::getline(in, line);)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

TEST_F(HumanSystemFileTest, SixModelsGiveTwentySixSlotsOfFourLevels) {
  Install(HumanFile({0, 0, 0, 0, 0, 0}, {31}));
  ASSERT_EQ(LoadHumanSystem(), 1);
  ASSERT_EQ(LoadHumanSystem(), 1) << "read again: what was read before is let go first";
  EXPECT_EQ(Humans.modelCount, 6);
  EXPECT_EQ(Humans.skeletonCount, 1);
  BuildHumanMeshes();
  ASSERT_EQ(HumanMeshes.slotCount, 6 + 4 + 4 + 5 + 6 + 1);
  EXPECT_EQ(HumanMeshes.built, 1);
  for (int i = 0; i < HumanMeshes.slotCount; ++i)
    for (int level = 0; level < HUMAN_LEVELS; ++level) ASSERT_NE(HumanMeshes.slots[i].meshes[level], nullptr) << i;
  EXPECT_EQ(HumanMeshes.slots[6].value, 1.5f) << "model 1's copies follow model 0's six";
  EXPECT_EQ(HumanMeshes.slots[25].model, &Humans.models[5].model);
  EXPECT_EQ(Humans.boneSets[0].boneCount, 31);
  EXPECT_EQ(FindHumanSlot(0), 6) << "the first slot of a model with flag bit 0";
  EXPECT_EQ(FindHumanSlot(3), 26) << "no match gives the slot count";
  FreeHumans();
  EXPECT_EQ(HumanMeshes.slotCount, 0);
  EXPECT_EQ(FindHumanSlot(0), 0) << "nothing built";
}

TEST_F(HumanSystemFileTest, AModelNamingAMissingSkeletonIsSkippedWithALogLine) {
  Install(HumanFile({0, 4, 0}, {31}));
  ASSERT_EQ(LoadHumanSystem(), 1);
  BuildHumanMeshes();
  EXPECT_EQ(HumanMeshes.slotCount, 6 + 4) << "model 1 gets none of its four";
  EXPECT_EQ(HumanMeshes.slots[6].model, &Humans.models[2].model);
  EXPECT_TRUE(Logged("human model 1 names skeleton 4 of 1: skipped"));
}

TEST_F(HumanSystemFileTest, ARefusedSkeletonOrAMissingFileRefusesTheFile) {
  EXPECT_EQ(LoadHumanSystem(), 0) << "no file";
  Install(HumanFile({0, 1}, {31, 30}));  // the second skeleton is refused
  EXPECT_EQ(LoadHumanSystem(), 0);
  EXPECT_TRUE(Logged("damaged after 2 models and 1 skeletons : skeleton solids")) << "where it stopped, and why";
  EXPECT_EQ(Humans.modelCount, 0) << "nothing is kept";
  EXPECT_EQ(Humans.skeletonCount, 0);
  EXPECT_EQ(Humans.models, nullptr);

  // A file that ends after its models: no skeletons, read as 0.
  Install(HumanFile({0}, {}, false));
  ASSERT_EQ(LoadHumanSystem(), 1);
  EXPECT_EQ(Humans.skeletonCount, 0);
  BuildHumanMeshes();
  EXPECT_EQ(HumanMeshes.slotCount, 0);
}

TEST_F(HumanSystemFileTest, CountsBeyondTheBytesAndDamagedModelsRefuseTheFile) {
  std::vector<uint8_t> image = HumanFile({0, 0}, {31});
  std::vector<uint8_t> manyModels = image;
  manyModels[DATA_FILE_HEADER_SIZE + 3] = 0x7F;
  Install(manyModels);
  EXPECT_EQ(LoadHumanSystem(), 0);
  EXPECT_TRUE(Logged("models in a file of")) << "the count that cannot fit is logged";
  // Every cut short file is refused, or reads what it wholly holds: a count cut short reads
  // as 0 (no models; or models and no skeletons).
  for (size_t n = DATA_FILE_HEADER_SIZE + 1; n < image.size(); n += 97) {
    Install(std::vector<uint8_t>(image.begin(), image.begin() + long(n)));
    if (LoadHumanSystem()) {
      EXPECT_TRUE(Humans.modelCount == 0 || Humans.modelCount == 2) << n;
      EXPECT_EQ(Humans.skeletonCount, 0) << n;
    }
    FreeHumans();
  }
}

// The model count is held against the bytes left, 12 of header per model: a header that
// exactly fills the file passes the count (the model's body is what is missing then); with a
// byte fewer the count itself is refused and logged.
TEST_F(HumanSystemFileTest, AModelHeaderExactlyFillingTheFilePassesTheCount) {
  for (const int left : {12, 11}) {
    std::vector<uint8_t> body = {1, 0, 0, 0};
    body.resize(body.size() + size_t(left), 0);
    Install(DataFileImage("QXHSYS", body, 252));
    EXPECT_EQ(LoadHumanSystem(), 0) << left;
    const std::string line = "1 models in a file of " + std::to_string(left) + " bytes";
    EXPECT_EQ(Logged(line), left == 11) << line;
    if (left == 12) {
      EXPECT_TRUE(Logged("damaged after 1 models")) << "the model itself is refused";
    }
    FreeHumans();
  }
}

// A file holding a model count of 0 and a skeleton count of 0 and nothing after: the count of
// no skeletons needs no bytes, so with none left it is read as a file without humans.
TEST_F(HumanSystemFileTest, NoModelsAndNoSkeletonsEndingTheFileAreAccepted) {
  Install(DataFileImage("QXHSYS", {0, 0, 0, 0, 0, 0, 0, 0}, 252));
  EXPECT_EQ(LoadHumanSystem(), 1);
  EXPECT_EQ(Humans.modelCount, 0);
  EXPECT_EQ(Humans.models, nullptr);
  EXPECT_EQ(Humans.skeletonCount, 0);
  EXPECT_EQ(Humans.skeletons, nullptr);
  EXPECT_FALSE(Logged("damaged after 0 models and 0 skeletons"));
}

TEST(HumanLevels, APointFarFromItsBoneWrapsAsStoredCoordinatesDo) {
  // A damaged figure: a point at the far end of the 16.16 range following a bone at rest a
  // little way off.  Taking it into the bone's frame wraps, never overflows.
  ModelObject o;
  o.Init();
  o.pointCount = 3;
  o.points = static_cast<ModelPoint*>(std::calloc(3, sizeof(ModelPoint)));
  o.points[0].x = INT32_MIN;
  o.points[1].y = 65536;
  o.points[2].z = 65536;
  for (int p = 0; p < 3; ++p) o.points[p].flags = POINT_CENTRAL;
  o.triangleCount = 1;
  o.triangles = static_cast<ModelTriangle*>(std::calloc(1, sizeof(ModelTriangle)));
  o.triangles[0].corners[1] = 1;
  o.triangles[0].corners[2] = 2;
  ModelBone bone{};
  MatrixIdentity(bone.frame.rotation);
  bone.frame.translation = {62259, 0, 0};
  const ModelSkeleton skeleton{&bone, 1};
  BuildLodRenderCache(o, nullptr, &skeleton, 0, ~0u);
  int found = 0;
  for (int v = 0; v < o.caches[0].vertexCount; ++v)
    if (o.caches[0].vertices[v].point == 0) {
      EXPECT_EQ(o.caches[0].vertices[v].position[0], int32_t(uint32_t(INT32_MIN) - 62259u));
      ++found;
    }
  EXPECT_EQ(found, 1);
  o.Free();
}

TEST(HelmetColours, BytesAreHeldTo10To160AndScaledBy1275) {
  EXPECT_EQ(HelmetColour(5), 13u | 13u << 8 | 13u << 16);
  EXPECT_EQ(HelmetColour(200u | 100u << 8 | 160u << 16), 204u | 128u << 8 | 204u << 16);
  EXPECT_EQ(HelmetColour(0x05FFFFFFu), 0x00CCCCCCu) << "the flags byte is cleared";
}


// Each slot takes its model's flags, skeleton, value and distances, and as many levels as the
// model has, one at least and four at most; a skeleton's bone set is found by its index, none
// before the first or past the last; the rest bones mark each symmetrical bone's first solid.
TEST_F(HumanSystemFileTest, SlotsTakeTheirModelsLevelsWithinOneToFourAndBoneSetsAreFoundByIndex) {
  Install(HumanFile({0, 0, 0}, {31}));
  ASSERT_EQ(LoadHumanSystem(), 1);
  Humans.models[0].model.lodCount = 9;
  Humans.models[1].model.lodCount = 0;
  Humans.models[2].model.lodCount = 2;
  Humans.models[1].model.lodDistances[3] = 123456;
  BuildHumanMeshes();
  ASSERT_EQ(HumanMeshes.slotCount, 6 + 4 + 4);
  EXPECT_EQ(HumanMeshes.slots[0].levelCount, 4);
  EXPECT_EQ(HumanMeshes.slots[5].levelCount, 4);
  EXPECT_EQ(HumanMeshes.slots[6].levelCount, 1);
  EXPECT_EQ(HumanMeshes.slots[10].levelCount, 2);
  EXPECT_EQ(HumanMeshes.slots[6].flags, 1u);
  EXPECT_EQ(HumanMeshes.slots[10].flags, 0u);
  EXPECT_EQ(HumanMeshes.slots[9].distanceLimits[3], 123456);
  EXPECT_EQ(HumanMeshes.slots[13].value, 2.5f);
  EXPECT_EQ(HumanMeshes.slots[13].skeletonIndex, 0u);

  Bone* bones = nullptr;
  BoneTable* table = nullptr;
  ASSERT_EQ(HumanSkeletonBones(0, &bones, &table), 1);
  EXPECT_EQ(bones, Humans.boneSets[0].bones.data());
  EXPECT_EQ(table->skeleton, &Humans.skeletons[0]);
  EXPECT_EQ(table->rig, &Humans.boneSets[0]);
  EXPECT_EQ(HumanSkeletonBones(1, &bones, &table), 0);
  EXPECT_EQ(HumanSkeletonBones(-1, &bones, &table), 0);
}

// A model's record stores only its first levels' distances: the others keep the defaults of a
// fresh model object, 30, 100, 400 and 1200 metres (16.16). A record storing no level keeps
// all four, held to one level, and its slots take them.
TEST_F(HumanSystemFileTest, LevelDistancesTheRecordLacksKeepAFreshModelsDefaults) {
  const int32_t metres[4] = {30 * 65536, 100 * 65536, 400 * 65536, 1200 * 65536};
  Install(HumanFile({0, 0}, {31}));
  ASSERT_EQ(LoadHumanSystem(), 1);
  ASSERT_EQ(Humans.modelCount, 2);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(Humans.models[k].model.lodCount, 1) << k;
    for (int level = 0; level < 4; ++level)
      EXPECT_EQ(Humans.models[k].model.lodDistances[level], metres[level]) << k << " " << level;
  }
  FreeHumans();

  Install(HumanFile({0}, {31}, true, 0));
  ASSERT_EQ(LoadHumanSystem(), 1);
  ASSERT_EQ(Humans.modelCount, 1);
  EXPECT_EQ(Humans.models[0].model.lodCount, 1) << "one level at least";
  BuildHumanMeshes();
  ASSERT_EQ(HumanMeshes.slotCount, 6);
  for (int level = 0; level < HUMAN_LEVELS; ++level) {
    EXPECT_EQ(Humans.models[0].model.lodDistances[level], metres[level]) << level;
    EXPECT_EQ(HumanMeshes.slots[0].distanceLimits[level], metres[level]) << level;
    EXPECT_EQ(HumanMeshes.slots[5].distanceLimits[level], metres[level]) << level;
  }
}

TEST(RestBones, EachSolidsRestFrameAndASymmetricalBonesFirstSolidMarked) {
  Skeleton s;
  MakeSkeleton(s, 3);
  s.bones[1].flags = SKELETON_BONE_SYMMETRICAL;  // solids 1 and 2
  s.bones[2].flags = SKELETON_BONE_SYMMETRICAL;  // solids 3 and 4
  BoneRig rig;
  s.CreateBones(rig);
  ASSERT_EQ(rig.boneCount, 5);
  rig.bones[3].position.z += 999;
  const std::vector<ModelBone> bones = RestBones(s, rig);
  ASSERT_EQ(bones.size(), 5u);
  const uint8_t marked[5] = {0, 1, 0, 1, 0};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(bones[size_t(i)].mirrorStep, marked[i]) << i;
    EXPECT_EQ(bones[size_t(i)].frame.translation.z, rig.bones[size_t(i)].position.z) << i;
  }
  rig.boneCount = 4;  // the last pair's first solid at the rig's edge stays marked; none past it
  const std::vector<ModelBone> shorter = RestBones(s, rig);
  ASSERT_EQ(shorter.size(), 4u);
  EXPECT_EQ(shorter[3].mirrorStep, 1);
  rig.boneCount = 3;
  const std::vector<ModelBone> shortest = RestBones(s, rig);
  ASSERT_EQ(shortest.size(), 3u);
  EXPECT_EQ(shortest[1].mirrorStep, 1);
  rig.boneCount = 5;
  rig.Free();
  // A pair as the first bone: solid 0 marked.
  s.bones[0].flags = SKELETON_BONE_SYMMETRICAL;
  s.bones[2].flags = 0;
  s.CreateBones(rig);
  ASSERT_EQ(rig.boneCount, 5);
  const std::vector<ModelBone> first = RestBones(s, rig);
  const uint8_t firstMarked[5] = {1, 0, 1, 0, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(first[size_t(i)].mirrorStep, firstMarked[i]) << i;
  rig.Free();
  s.Free();
}


// The helmet's meshes: as many levels as its model has, one at least and four at most.
TEST(Helmet, TheHelmetTakesItsModelsLevelsWithinOneToFour) {
  for (const int levels : {0, 2, 9}) {
    SCOPED_TRACE(levels);
    HelmetModel = new ModelObject();
    HelmetModel->Init();
    HelmetModel->lodCount = uint8_t(levels);
    BuildHelmetMeshes();
    EXPECT_EQ(Helmet.levelCount, levels == 0 ? 1 : levels == 2 ? 2 : 4);
    for (int level = 0; level < Helmet.levelCount; ++level) EXPECT_NE(Helmet.meshes[level], nullptr) << level;
    FreeHelmet();
    EXPECT_EQ(HelmetModel, nullptr);
  }
}


// The helmet is built from its own levels alone: a subobject of its model gives no child mesh
// (each posed mesh draws every child it has, so one built here would be drawn on the head).
TEST(Helmet, ASubobjectIsNotBuiltIntoTheHelmetsMeshes) {
  HelmetModel = new ModelObject();
  HelmetModel->Init();
  HelmetModel->lodCount = 1;
  HelmetModel->children = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
  HelmetModel->children[0].Init();
  HelmetModel->childCount = 1;
  BuildHelmetMeshes();
  EXPECT_EQ(Helmet.levelCount, 1);
  EXPECT_NE(Helmet.meshes[0], nullptr);
  if (Helmet.meshes[0]) {
    EXPECT_EQ(Helmet.meshes[0]->childCount, 0);
    EXPECT_EQ(Helmet.meshes[0]->children, nullptr);
  }
  FreeHelmet();
  EXPECT_EQ(HelmetModel, nullptr);
}

// Without a helmet file there is no helmet, and nothing is kept of the attempt.
TEST(Helmet, NoHelmetFileMeansNoHelmet) {
  std::filesystem::remove("data/hmn/helmet.qxe");
  LoadHelmet();
  EXPECT_EQ(HelmetModel, nullptr);
}

// The helmet model: one triangle whose one mapping takes one cutout of one page of the type.
void OneTriangleHelmet(uint8_t pageType, const char* pageName) {
  ModelObject& o = *(HelmetModel = new ModelObject());
  o.Init();
  std::free(o.points);
  o.points = static_cast<ModelPoint*>(std::calloc(3, sizeof(ModelPoint)));
  o.pointCount = 3;
  o.points[1].x = FIXED_ONE;
  o.points[2].y = FIXED_ONE;
  std::free(o.triangles);
  o.triangles = static_cast<ModelTriangle*>(std::calloc(1, sizeof(ModelTriangle)));
  o.triangleCount = 1;
  o.triangles[0].corners[1] = 1;
  o.triangles[0].corners[2] = 2;
  o.triangles[0].normalLevel = 1;
  std::free(o.pages);
  o.pages = static_cast<TexturePage*>(std::calloc(1, sizeof(TexturePage)));
  o.pageCount = 1;
  o.pages[0].type = pageType;
  std::strncpy(o.pages[0].name, pageName, sizeof o.pages[0].name - 1);
  std::free(o.cutouts);
  o.cutouts = static_cast<Cutout*>(std::calloc(1, sizeof(Cutout)));
  o.cutoutCount = 1;
  o.cutouts[0].Init(0);
  o.cutouts[0].material = MATERIAL_DEFAULT;
  o.cutouts[0].region[REGION_WIDTH] = o.cutouts[0].region[REGION_HEIGHT] = 128;
  std::free(o.mappings);
  o.mappings = static_cast<ModelMapping*>(std::calloc(1, sizeof(ModelMapping)));
  o.mappingCount = 1;
  o.mappings[0].Init(0);
  o.mappings[0].direction = DIRECTION_RIGHT;
  o.mappings[0].width = o.mappings[0].height = FIXED_ONE;
  o.mappings[0].colour = 0xFFFFFF;
  o.groupCount = 1;
  o.lodCount = 1;
}

// What the lookup in place before the helmet's build is asked: one entry per call.
struct PageLookup {
  std::string name;
  int usage, plateIndex, flags, skin;
};
std::vector<PageLookup> g_pageLookups;
Material* RecordPageLookup(const char* name, int usage, int plateIndex, int flags, const CutoutMaterial&, int skin) {
  g_pageLookups.push_back({name, usage, plateIndex, flags, skin});
  return nullptr;
}

// While the helmet is built, a page that is not its skin is looked up as it would be without
// the helmet: the lookup in place before is asked with the page's name, the usage, the plate
// index and the request flags each in its own place, and is given back afterwards.
TEST(Helmet, APageOtherThanTheSkinGoesToTheLookupInPlaceBefore) {
  OneTriangleHelmet(PAGE_FIXED, "visor");
  const FindSkinTextureHook keptLookup = FindSkinTexture;
  const ModelMeshSettings keptConfig = ModelMeshConfig;
  FindSkinTexture = RecordPageLookup;
  ModelMeshConfig.plateSlot = 9;  // plate 9 / 4 = 2
  g_pageLookups.clear();
  BuildHelmetMeshes();
  EXPECT_EQ(FindSkinTexture, &RecordPageLookup) << "the lookup is given back";
  FindSkinTexture = keptLookup;
  ModelMeshConfig = keptConfig;
  ASSERT_FALSE(g_pageLookups.empty());
  for (const PageLookup& l : g_pageLookups) {
    EXPECT_EQ(l.name, "visor");
    EXPECT_EQ(l.usage, 4) << "a human's textures";
    EXPECT_EQ(l.plateIndex, 2);
    EXPECT_EQ(l.flags, 1) << "a plain texture asked for: no decal, no backing";
    EXPECT_EQ(l.skin, 0);
  }
  FreeHelmet();
}

// The helmet's skin page takes the helmet skin's material, asked for with the page's request
// flags and the human texture usage; the texture type in force before is given back.
TEST(Helmet, TheSkinPageTakesTheHelmetSkinWithItsRequestFlags) {
  OneTriangleHelmet(PAGE_SKIN, "skin");
  const uint8_t typeBefore = TextureConfig.nextType;
  BuildHelmetMeshes();
  EXPECT_EQ(TextureConfig.nextType, typeBefore);
  const Material* skin = HelmetModel->cutouts[0].texture;
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->flags, 1) << "a plain texture asked for";
  EXPECT_EQ(skin->genType, 4) << "a human's textures";
  FreeHelmet();
  ReleaseMaterial(const_cast<Material*>(skin));  // the table keeps it otherwise
}

}  // namespace
