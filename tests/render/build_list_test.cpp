// build_list_test.cpp - build lists: material sets by id, their limits, the order objects come
// out in and the statuses that start a new merged mesh; the solid list; the multiplayer hook.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/build_list.h"
#include "render/material.h"
#include "render/texture_table.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"
#include "text/messages.h"

namespace {

// Objects are just addresses here; positions come from a table the hook reads.
float g_x[16];
void PositionFromTable(const void* object, float* x, float* y) {
  *x = g_x[reinterpret_cast<uintptr_t>(object)];
  *y = 0.0f;
}
void* Obj(uintptr_t n) { return reinterpret_cast<void*>(n); }

class BuildLists_ : public ::testing::Test {
 protected:
  ReportRecorder reports_;  // what the code under test reported
  void SetUp() override {
    AllocBuildLists();
    list_ = BuildLists[0];
    MergedMeshTable = MergedMeshMaterials{};
    for (int i = 0; i < 8; ++i) m_[i] = KeyMaterial(60 + i);
  }
  void TearDown() override {
    FreeBuildLists();
    FreeAllMaterials();
    BuildObjectPosition = nullptr;
    BuildObjectHasGeometry = nullptr;
    DebugMessagesOn = 0;
  }
  const char* Add(std::vector<BuildMaterialRecord> records, uintptr_t object) {
    BuildMesh mesh{int(records.size()), records.data()};
    return list_->AddMesh(&mesh, Obj(object));
  }
  void* Next(int* status, int sort = 0) { return list_->NextObject(status, sort); }
  BuildList* list_ = nullptr;
  Material* m_[8];
};

TEST_F(BuildLists_, ObjectsWithTheSameMaterialsInAnyOrderShareOneSetSortedById) {
  EXPECT_EQ(Add({{m_[3], 10, 2}, {m_[1], 20, 4}, {m_[5], 7, 0}}, 1), nullptr);
  EXPECT_EQ(Add({{m_[1], 5, 1}, {m_[3], 6, 1}}, 2), nullptr);
  ASSERT_EQ(list_->combinationCount, 1) << "the material without triangles is left out";
  const MaterialCombination& c = list_->combinations[0];
  EXPECT_EQ(c.materialCount, 2);
  EXPECT_EQ(c.slots[0].material, m_[1]) << "the lower id first";
  EXPECT_EQ(c.slots[0].vertexCount, 25u) << "summed over the objects";
  EXPECT_EQ(c.slots[1].vertexCount, 16u);
  EXPECT_EQ(c.objectCount, 2u);
  EXPECT_LT(m_[1]->id, m_[3]->id);
  EXPECT_STREQ(list_->AddMesh(nullptr, Obj(3)), "No mesh");
}

TEST_F(BuildLists_, LimitsOf64Materials1536SetsAnd72000Objects) {
  std::vector<BuildMaterialRecord> records;
  std::vector<Material*> many;
  for (int i = 0; i < 65; ++i) {
    many.push_back(KeyMaterial(i));
    records.push_back({many.back(), 3, 1});
  }
  EXPECT_STREQ(Add(records, 1), "Too many materials");
  records.pop_back();
  EXPECT_EQ(Add(records, 1), nullptr) << "64 are accepted";
  EXPECT_EQ(list_->combinations[0].materialCount, 64);

  ClearBuildLists();
  for (int i = 0; i < BUILD_COMBINATIONS; ++i) {
    BuildSignature s{};
    s.count = 1;
    s.slots[0] = BuildMaterialSlot{reinterpret_cast<Material*>(uintptr_t(i + 1)), 3};
    ASSERT_EQ(list_->AddCombination(s, Obj(1)), nullptr) << i;
  }
  BuildSignature extra{};
  extra.count = 1;
  extra.slots[0] = BuildMaterialSlot{reinterpret_cast<Material*>(uintptr_t(99999)), 3};
  EXPECT_STREQ(list_->AddCombination(extra, Obj(1)), "Too many combinations") << "the 1537th set";
  EXPECT_EQ(list_->entryCount, BUILD_COMBINATIONS) << "nothing added";

  ClearBuildLists();
  BuildSignature same{};
  same.count = 1;
  same.slots[0] = BuildMaterialSlot{m_[0], 1};
  for (int i = 0; i < BUILD_ENTRIES; ++i) ASSERT_EQ(list_->AddCombination(same, Obj(1)), nullptr);
  EXPECT_STREQ(list_->AddCombination(same, Obj(1)), "Too many objects");
  EXPECT_STREQ(Add({{m_[0], 1, 1}}, 1), "Too many objects");
  BuildTreeShape tree{4, {1, 1}, {1, 1}, m_[0], m_[1]};
  EXPECT_STREQ(list_->AddTree(Obj(1), tree), "Too many objects");
  EXPECT_EQ(list_->combinations[0].objectCount, uint32_t(BUILD_ENTRIES)) << "nothing added";
  EXPECT_EQ(list_->combinations[0].slots[0].vertexCount, uint32_t(BUILD_ENTRIES));
}

TEST_F(BuildLists_, ObjectsComeOutSetBySetLargestFirstThenDone) {
  int status = -1;
  EXPECT_EQ(Next(&status), nullptr);
  EXPECT_EQ(status, BUILD_DONE) << "an empty list";
  Add({{m_[2], 3, 1}}, 1);
  Add({{m_[0], 3, 1}, {m_[1], 3, 1}}, 2);
  Add({{m_[0], 3, 1}, {m_[1], 3, 1}}, 3);
  EXPECT_EQ(Next(&status), Obj(2));
  EXPECT_EQ(status, BUILD_OBJECT);
  EXPECT_EQ(Next(&status), Obj(3));
  EXPECT_EQ(Next(&status), Obj(1)) << "nothing merged yet: the largest set left";
  EXPECT_EQ(status, BUILD_OBJECT);
  EXPECT_EQ(Next(&status), nullptr);
  EXPECT_EQ(status, BUILD_DONE);
}

TEST_F(BuildLists_, ASetThatWouldOverfillTheMergedMeshIsReturnedAgainForTheNext) {
  Add({{m_[0], 3, 1}, {m_[1], 3, 1}, {m_[2], 3, 1}}, 1);
  Add({{m_[3], 3, 1}, {m_[4], 3, 1}}, 2);
  Add({{m_[5], 600, 1}}, 3);
  int status = -1;
  EXPECT_EQ(Next(&status), Obj(1));
  // The builder's merged mesh now holds 63 materials.
  MergedMeshMaterials& merged = MergedMeshTable;
  merged.count = 63;
  for (int i = 0; i < 63; ++i) merged.materials[i] = reinterpret_cast<Material*>(uintptr_t(1000 + i));
  EXPECT_EQ(Next(&status), nullptr);
  EXPECT_EQ(status, BUILD_TOO_MANY_MATERIALS) << "two new materials pass 64";
  EXPECT_EQ(Next(&status), Obj(2)) << "the same object again, for a new merged mesh";
  EXPECT_EQ(status, BUILD_OBJECT);
  // Now m_[5] is in the merged mesh with 65000 vertices: 600 more pass 65534.
  merged.count = 1;
  merged.materials[0] = m_[5];
  merged.vertexCounts[0] = 65000;
  EXPECT_EQ(Next(&status), nullptr);
  EXPECT_EQ(status, BUILD_TOO_MANY_VERTICES);
  EXPECT_EQ(Next(&status), Obj(3));
  EXPECT_EQ(status, BUILD_OBJECT);
  EXPECT_EQ(Next(&status), nullptr);
  EXPECT_EQ(status, BUILD_DONE);
}

TEST_F(BuildLists_, TheSetSharingMostWithTheMergedMeshComesNextAndNeighboursFollowEachOther) {
  Add({{m_[0], 3, 1}}, 1);
  Add({{m_[1], 3, 1}, {m_[2], 3, 1}, {m_[3], 3, 1}}, 2);
  Add({{m_[4], 3, 1}, {m_[5], 3, 1}}, 3);
  int status;
  EXPECT_EQ(Next(&status), Obj(2)) << "the largest set first";
  MergedMeshTable.count = 1;
  MergedMeshTable.materials[0] = m_[5];
  EXPECT_EQ(Next(&status), Obj(3)) << "shares a material with the merged mesh";
  MergedMeshTable.count = 0;

  // One shared material is enough to come before a larger set that shares none.
  ClearBuildLists();
  Add({{m_[0], 3, 1}}, 1);
  Add({{m_[1], 3, 1}, {m_[2], 3, 1}, {m_[3], 3, 1}}, 2);
  Add({{m_[4], 3, 1}, {m_[5], 3, 1}}, 3);
  EXPECT_EQ(Next(&status), Obj(2));
  MergedMeshTable.count = 1;
  MergedMeshTable.materials[0] = m_[0];
  EXPECT_EQ(Next(&status), Obj(1)) << "shares one material; the larger set shares none";
  MergedMeshTable.count = 0;

  ClearBuildLists();
  BuildObjectPosition = PositionFromTable;
  const float x[5] = {0, 10, 1, 5, 2};
  for (uintptr_t i = 0; i < 5; ++i) {
    g_x[i + 1] = x[i];
    Add({{m_[0], 3, 1}}, i + 1);
  }
  std::vector<float> order;
  for (void* o = Next(&status, 1); o; o = Next(&status, 1)) order.push_back(g_x[reinterpret_cast<uintptr_t>(o)]);
  EXPECT_EQ(order, (std::vector<float>{0, 1, 2, 5, 10})) << "each next is the nearest of those left";

  // Three objects are the fewest so ordered.
  ClearBuildLists();
  const float three[3] = {0, 10, 1};
  for (uintptr_t i = 0; i < 3; ++i) {
    g_x[i + 1] = three[i];
    Add({{m_[0], 3, 1}}, i + 1);
  }
  order.clear();
  for (void* o = Next(&status, 1); o; o = Next(&status, 1)) order.push_back(g_x[reinterpret_cast<uintptr_t>(o)]);
  EXPECT_EQ(order, (std::vector<float>{0, 1, 10}));
}

TEST_F(BuildLists_, TreesCountTheirTrunkAndLeafVerticesAndInvisibleTreesStayOut) {
  BuildTreeShape tree{5, {0.5f, 2.0f}, {1.0f, 1.0f}, m_[6], m_[2]};
  EXPECT_EQ(list_->AddTree(Obj(1), tree), nullptr);
  const MaterialCombination& c = list_->combinations[0];
  ASSERT_EQ(c.materialCount, 2);
  EXPECT_EQ(c.slots[0].material, m_[6]) << "the trunk first";
  EXPECT_EQ(c.slots[0].vertexCount, 6u * 5u) << "what the tree writes: an odd count too";
  EXPECT_EQ(c.slots[1].vertexCount, 40u);
  tree.trunkSize[0] = 0.01f;
  EXPECT_EQ(list_->AddTree(Obj(2), tree), nullptr);
  EXPECT_EQ(list_->combinations[1].materialCount, 1) << "no trunk below 1 cm";
  BuildObjectHasGeometry = [](const void*) { return 0; };
  EXPECT_STREQ(list_->AddTree(Obj(3), tree), "Invisible tree");
  EXPECT_EQ(list_->entryCount, 2);
  // Each of the four sizes at 1 cm leaves its part out: a trunk only 1 cm high joins the
  // leaves-only set; leaves 1 cm wide or high make a trunk-only set.
  BuildObjectHasGeometry = nullptr;
  tree.trunkSize[0] = 0.5f;
  tree.trunkSize[1] = 0.01f;
  EXPECT_EQ(list_->AddTree(Obj(4), tree), nullptr);
  EXPECT_EQ(list_->combinations[1].objectCount, 2u);
  tree.trunkSize[1] = 2.0f;
  tree.leafSize[0] = 0.01f;
  EXPECT_EQ(list_->AddTree(Obj(5), tree), nullptr);
  tree.leafSize[0] = 1.0f;
  tree.leafSize[1] = 0.01f;
  EXPECT_EQ(list_->AddTree(Obj(6), tree), nullptr);
  ASSERT_EQ(list_->combinationCount, 3);
  EXPECT_EQ(list_->combinations[2].materialCount, 1);
  EXPECT_EQ(list_->combinations[2].slots[0].material, m_[6]) << "the trunk alone";
  EXPECT_EQ(list_->combinations[2].objectCount, 2u);
  EXPECT_EQ(list_->combinations[0].objectCount, 1u);
}

TEST_F(BuildLists_, AllocatingAgainReportsAndClears) {
  Add({{m_[0], 3, 1}}, 1);
  AllocBuildLists();
  EXPECT_FALSE(MessageShown("BuildList is already allocated")) << "only with debug messages on";
  EXPECT_EQ(list_->entryCount, 0);
  EXPECT_EQ(BuildLists[0], list_) << "the same list";
  DebugMessagesOn = 1;
  AllocBuildLists();
  EXPECT_TRUE(MessageShown("BuildList is already allocated"));
}

TEST(Multiplayer, TheRaceServicesAnswerAndOfflineIsNo) {
  EXPECT_EQ(InMultiplayerGame(), 0);
  InMultiplayerGameHook = [] { return 1; };
  EXPECT_EQ(InMultiplayerGame(), 1);
  InMultiplayerGameHook = nullptr;
}

using SolidListTest = NullRenderer;

TEST_F(SolidListTest, FreeingReleasesEachRecordsTextureWithEveryMaterialThatUsesIt) {
  ZKTETexture* texture = CreateZKTETextureNULL("SOLID~T", 4, TEXTURE_TYPE_BLANK);
  ASSERT_NE(texture, nullptr);
  Material* first = CreateMaterial(texture, 0, 0, 0, AlphaParams(0), 4);
  Material* second = CreateMaterial(texture, 0, 0, 0, AlphaParams(2), 4);
  Material* other = KeyMaterial(7);
  size_t materials = Materials.size();
  AddSolidRecord(new uint8_t[16], texture);
  AddSolidRecord(new uint8_t[8], nullptr);
  EXPECT_EQ(Solids.count, 2);
  FreeSolidList();
  EXPECT_EQ(Solids.count, 0);
  EXPECT_EQ(Solids.records, nullptr);
  EXPECT_EQ(Materials.size(), materials - 2);
  EXPECT_EQ(Materials.count(other), 1u);
  EXPECT_EQ(AddTextureRef("SOLID~T", 0), nullptr) << "the texture left the table";
  (void)first;
  (void)second;
  ReleaseMaterial(other);
}

}  // namespace
