// model_edit_test.cpp - removing records with their references renumbered, placing axis
// mappings, decal triangles, flat decal models, the overlay flag and keeping one level.
#include <gtest/gtest.h>

#include <cstring>

#include "model/model_materials.h"
#include "tests/model/model_test_util.h"

namespace {
class ModelEdit : public ModelTest {};
}  // namespace

TEST_F(ModelEdit, RemovingRecordsRenumbersWhatPointsPastThem) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0);
  for (int m = 0; m < 6; ++m) {
    b.mapping = m;
    if (m != 3) b.Triangle(0, 1, 2);
  }
  b.Into(o);
  for (int m = 1; m < 6; ++m) o.AddMapping(nullptr);
  o.RemoveMapping(3);
  EXPECT_EQ(o.mappingCount, 5);
  EXPECT_EQ(o.triangles[3].mapping, 3);  // was 4
  EXPECT_EQ(o.triangles[4].mapping, 4);  // was 5
  o.RemoveUnusedMappings();
  EXPECT_EQ(o.mappingCount, 5);

  // An object whose only mapping is unused keeps it.
  ModelObject lone;
  lone.Init();
  lone.RemoveUnusedMappings();
  lone.RemoveUnusedCutouts();
  lone.RemoveUnusedTexturePages();
  EXPECT_EQ(lone.mappingCount + lone.cutoutCount + lone.pageCount, 3);
  {
    // Even when no mapping names it, the only cutout stays.
    ModelObject single;
    single.Init();
    single.mappings[0].cutout[0] = single.mappings[0].cutout[1] = 1;
    single.RemoveUnusedCutouts();
    EXPECT_EQ(single.cutoutCount, 1);
    single.mappings[0].cutout[0] = single.mappings[0].cutout[1] = 0;
    single.Free();
  }

  // Unused cutouts go unless they carry a numbered name; a bare "c~" is not one.
  for (int i = 0; i < 3; ++i) lone.AddCutout(nullptr);
  std::strcpy(lone.cutouts[1].name, "c~word");
  std::strcpy(lone.cutouts[2].name, "c~");
  std::strcpy(lone.cutouts[3].name, "used");
  lone.mappings[0].cutout[0] = lone.mappings[0].cutout[1] = 3;
  lone.RemoveUnusedCutouts();
  ASSERT_EQ(lone.cutoutCount, 2);
  EXPECT_STREQ(lone.cutouts[0].name, "c~word");
  EXPECT_EQ(lone.mappings[0].cutout[0], 1);

  // Pages: a dashboard backing survives unused; the cutouts' page indices follow.
  lone.AddPage(nullptr);
  lone.AddPage(nullptr);
  lone.pages[0].type = PAGE_DASH;
  lone.cutouts[0].page = lone.cutouts[1].page = 2;
  lone.RemoveUnusedTexturePages();
  ASSERT_EQ(lone.pageCount, 2);
  EXPECT_EQ(lone.pages[0].type, PAGE_DASH);
  EXPECT_EQ(lone.cutouts[1].page, 1);
  EXPECT_EQ(lone.IsCutoutUsed(1), 1);
  EXPECT_EQ(lone.IsCutoutUsed(0), 0);
  o.Free();
  lone.Free();
}

TEST_F(ModelEdit, FindOrAddGivesEqualRecordsOnce) {
  ModelObject o;
  o.Init();
  const Cutout base = o.cutouts[0];
  CutoutMaterial overlay = base.material;
  overlay.envMapType = ENV_OVERLAY;
  const int added = o.FindOrAddCutout(base, overlay, 7);
  EXPECT_EQ(added, 1);
  EXPECT_STREQ(o.cutouts[1].name, "decal 7");
  EXPECT_EQ(o.FindOrAddCutout(base, overlay, 8), 1);
  EXPECT_EQ(o.FindOrAddCutout(base, base.material, 9), 0);
  const ModelMapping mapping = o.mappings[0];
  EXPECT_EQ(o.FindOrAddMapping(mapping, 1, 5), 1);
  EXPECT_EQ(o.mappings[1].cutout[1], 1);
  EXPECT_STREQ(o.mappings[1].name, "unnamed mapping");
  EXPECT_EQ(o.FindOrAddMapping(mapping, 1, 6), 1);
  EXPECT_EQ(o.FindOrAddMapping(mapping, 0, 6), 0);
  o.Free();
}

TEST_F(ModelEdit, DecalTrianglesMergeIntoTheOverlayTheyLieOn) {
  // A skin page with an overlay cutout, and a decal cutout with alpha on another page.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Page(PAGE_SKIN, "");
  b.Page(PAGE_FIXED, "decals");
  b.Page(PAGE_FIXED, "unused");
  const CutoutMaterial overlay = {ALPHA_SOLID, ENV_OVERLAY, SHINE_PAINT, 0, {200, 200, 200}, 50};
  const CutoutMaterial alpha = {ALPHA_BLEND, ENV_MATT, SHINE_NONE, 0, {255, 255, 255}, 0};
  b.AddCutout("paint", 0, 128, 128, 0, 0, overlay);
  b.AddCutout("badge", 1, 32, 32, 0, 0, alpha);
  b.AddMapping("C1", 0, 0, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.AddMapping("badge", 1, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.Point(0, 0, 0), b.Point(0, 1, 0), b.Point(0, 1, 1), b.Point(0, 0, 1);
  b.mapping = 0;
  b.Triangle(0, 1, 2);  // base
  b.Triangle(0, 2, 3);  // base without a decal
  b.mapping = 1;
  b.Triangle(1, 2, 0);  // decal on the first base (same corners, turned)
  b.Into(o);
  EXPECT_EQ(o.DetectDecals(), 1);
  ASSERT_EQ(o.triangleCount, 2);
  EXPECT_EQ(o.triangles[0].corners[1], 2);  // the second base stays
  const ModelTriangle& decal = o.triangles[1];
  const ModelMapping& m = o.mappings[decal.mapping];
  const Cutout& c = o.cutouts[m.cutout[0]];
  EXPECT_STREQ(m.name, "badge");
  EXPECT_EQ(m.cutout[1], m.cutout[0]);
  EXPECT_EQ(c.page, o.pageCount - 1);  // the decal's page, after the unused one went
  EXPECT_EQ(c.region[0], 32);
  EXPECT_EQ(std::memcmp(&c.material, &overlay, 8), 0);
  EXPECT_EQ(o.pageCount, 2);
  EXPECT_EQ(o.mappingCount, 2);
  EXPECT_EQ(o.cutoutCount, 2);
  EXPECT_EQ(decal.flags & TRIANGLE_SELECTED, 0);

  // Without an overlay cutout on a skin page nothing runs.
  ModelObject plain;
  plain.Init();
  EXPECT_EQ(plain.DetectDecals(), 0);
  plain.Free();
  o.Free();
}

TEST_F(ModelEdit, FullCutoutOrMappingTablesLeaveTheDecalsAsTheyAre) {
  // The decal of the test above on its overlay base; then one table filled to its limit.
  for (int fullTable = 0; fullTable < 2; ++fullTable) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    b.Page(PAGE_SKIN, "");
    b.Page(PAGE_FIXED, "decals");
    const CutoutMaterial overlay = {ALPHA_SOLID, ENV_OVERLAY, SHINE_PAINT, 0, {200, 200, 200}, 50};
    const CutoutMaterial alpha = {ALPHA_BLEND, ENV_MATT, SHINE_NONE, 0, {255, 255, 255}, 0};
    b.AddCutout("paint", 0, 128, 128, 0, 0, overlay);
    b.AddCutout("badge", 1, 32, 32, 0, 0, alpha);
    b.AddMapping("C1", 0, 0, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
    b.AddMapping("badge", 1, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
    b.Point(0, 0, 0), b.Point(0, 1, 0), b.Point(0, 1, 1);
    b.mapping = 0;
    b.Triangle(0, 1, 2);
    b.mapping = 1;
    b.Triangle(1, 2, 0);
    b.Into(o);
    if (fullTable == 0) {
      while (o.cutoutCount < MAX_MODEL_CUTOUTS) o.AddCutout(nullptr);
    } else {
      while (o.mappingCount < MAX_MODEL_MAPPINGS) o.AddMapping(nullptr);
    }
    const int cutouts = o.cutoutCount, mappings = o.mappingCount;
    EXPECT_EQ(o.DetectDecals(), 0) << fullTable;
    EXPECT_EQ(o.triangleCount, 2) << fullTable;
    EXPECT_EQ(o.triangles[1].mapping, 1) << fullTable;
    EXPECT_EQ(o.cutoutCount, cutouts) << fullTable;
    EXPECT_EQ(o.mappingCount, mappings) << fullTable;
    o.Free();
  }
}

TEST_F(ModelEdit, OverlayFlagAndFlatDecals) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.AddCutout("solid", 0, 128, 128, 0, 0, MATERIAL_DEFAULT);
  CutoutMaterial glass = MATERIAL_DEFAULT;
  glass.alphaType = ALPHA_TEA;
  b.AddCutout("glass", 0, 128, 128, 0, 0, glass);
  b.AddMapping("solid", 0, 0, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.AddMapping("glass", 1, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.Point(1, 0, 0), b.Point(1, 1, 0), b.Point(1, 1, 1);
  b.mapping = 1;
  b.extraFlags = TRIANGLE_MIRRORED;
  b.Triangle(0, 1, 2);
  b.extraFlags = 0;
  b.mapping = 0;
  b.Triangle(0 | CORNER_MIRRORED, 2, 1);  // beneath it: reversed, a corner on the other side
  b.Into(o);
  o.DetectOverlayTriangles();
  EXPECT_EQ(o.options & OPTION_OVERLAY, 0);
  o.triangles[1].lod = 1;  // another level is not beneath it
  o.DetectOverlayTriangles();
  EXPECT_EQ(o.options & OPTION_OVERLAY, OPTION_OVERLAY);
  // A parent takes the flag of a subobject.
  ModelObject parent;
  parent.Init();
  std::vector<ModelObject> children(1);
  children[0] = o;  // the parent now owns o's arrays
  SetChildren(parent, children);
  parent.DetectOverlayTriangles();
  EXPECT_EQ(parent.options & OPTION_OVERLAY, OPTION_OVERLAY);
  parent.Free();

  // A flat model of one ALPHA cutout between 64 and 768 units goes to 640; one already
  // there, or reaching past the band, is left.
  ModelObject flat;
  InitOneTriangle(flat);
  flat.cutouts[0].material.alphaType = ALPHA_BLEND;
  const int32_t heights[3][3] = {{64, 768, 640}, {640, 640, 640}, {63, 640, 640}};
  const int32_t after[3] = {640, 640, 63};
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < 3; ++i) flat.points[i].z = heights[k][i];
    DetectDecal(flat);
    EXPECT_EQ(flat.points[0].z, after[k]) << k;
  }
  for (int i = 0; i < 3; ++i) flat.points[i].z = i == 1 ? 769 : 100;
  DetectDecal(flat);
  EXPECT_EQ(flat.points[0].z, 100) << "769 reaches past the band";
  // Flattened with diagnostic messages on, it says so.
  std::snprintf(flat.name, sizeof flat.name, "sticker");
  for (int i = 0; i < 3; ++i) flat.points[i].z = 100;
  DebugMessagesOn = 1;
  DetectDecal(flat);
  DebugMessagesOn = 0;
  EXPECT_EQ(flat.points[2].z, 640);
  EXPECT_TRUE(HasMessageStarting("Model sticker: detected as decal - height adjusted"));
  flat.Free();
}

TEST_F(ModelEdit, OldWorldModelsAreSortedByFacing) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1), b.Point(0, 0, 2), b.Point(1, 0, 2),
      b.Point(0, 1, 2);
  b.Triangle(0, 2, 1);  // facing -z
  b.Triangle(0, 1, 3);  // facing -y
  b.Triangle(0, 3, 2);  // facing -x
  b.Triangle(4, 5, 6);  // facing +z, at height 2
  b.Triangle(0, 1, 2);  // facing +z, at height 0
  b.Triangle(4, 5, 2);  // leaning mostly along +y
  b.Into(o);
  o.SortTrianglesByFacing();
  const int order[6][3] = {{4, 5, 2}, {0, 1, 3}, {0, 3, 2}, {0, 1, 2}, {4, 5, 6}, {0, 2, 1}};
  for (int t = 0; t < 6; ++t)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(o.triangles[t].corners[k], order[t][k]) << t;
  o.Free();
}

TEST_F(ModelEdit, ACornerPastThePointsSortsAsTheLastPoint) {
  // Four points made, the count then cut to three: corner 3 names no point, and the fourth
  // (which would make (0, 1, 3) face -y) is still there to be read by mistake.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1);
  b.Triangle(0, 2, 1);  // facing -z
  b.Triangle(0, 1, 2);  // facing +z, at height 0
  b.Triangle(0, 1, 3);  // as (0, 1, 2): facing +z, at height 0, after the one before
  b.Into(o);
  o.pointCount = 3;
  o.SortTrianglesByFacing();
  o.pointCount = 4;
  const int order[3][3] = {{0, 1, 2}, {0, 1, 3}, {0, 2, 1}};
  for (int t = 0; t < 3; ++t)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(o.triangles[t].corners[k], order[t][k]) << t;
  o.Free();
}

TEST_F(ModelEdit, KeepingOneLevelRenumbersCornersOfAPointMovedToTheFront) {
  // Point 0 is used only by the level 0 triangle, so it goes with that level; points 1, 2 and
  // 3 move down to 0, 1 and 2, and the kept triangle 1 2 3 becomes 0 1 2.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1);
  b.lod = 0;
  b.Triangle(0, 1, 2);
  b.lod = 1;
  b.Triangle(1, 2, 3);
  b.Into(o);
  o.lodCount = 2;
  o.KeepOnlyLod(1);
  ASSERT_EQ(o.triangleCount, 1);
  ASSERT_EQ(o.pointCount, 3);
  EXPECT_EQ(o.triangles[0].lod, 1);
  EXPECT_EQ(o.triangles[0].corners[0], 0);  // was point 1, now the first
  EXPECT_EQ(o.triangles[0].corners[1], 1);
  EXPECT_EQ(o.triangles[0].corners[2], 2);
  // The first point is now (1, 0, 0) m; the last (0, 0, 1) m.
  EXPECT_EQ(o.points[0].x, 65536);
  EXPECT_EQ(o.points[0].y, 0);
  EXPECT_EQ(o.points[2].x, 0);
  EXPECT_EQ(o.points[2].z, 65536);
  o.Free();
}

// Removing mapping 1 of three: the triangle on mapping 2 moves down to 1, the one on mapping 1
// keeps its number; pages likewise for the cutouts on them.  An index at the count removes
// nothing, and the only page stays even when no cutout is on it.
TEST_F(ModelEdit, RemovingAMappingOrPageRenumbersOnlyWhatLiesPastIt) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  for (const char* page : {"a", "b", "c"}) b.Page(PAGE_FIXED, page);
  for (int c = 0; c < 3; ++c) b.AddCutout("cut", c, 128, 128, 0, 0, MATERIAL_DEFAULT);
  for (int m = 0; m < 3; ++m) b.AddMapping("map", m, m, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0);
  for (int m = 0; m < 3; ++m) {
    b.mapping = m;
    b.Triangle(0, 1, 2);
  }
  b.Into(o);
  o.RemoveMapping(3);
  o.RemoveCutout(3);
  o.RemoveTexturePage(3);
  EXPECT_EQ(o.mappingCount, 3);
  EXPECT_EQ(o.cutoutCount, 3);
  EXPECT_EQ(o.pageCount, 3);
  o.RemoveMapping(1);
  ASSERT_EQ(o.mappingCount, 2);
  EXPECT_EQ(o.triangles[0].mapping, 0);
  EXPECT_EQ(o.triangles[1].mapping, 1);
  EXPECT_EQ(o.triangles[2].mapping, 1);
  o.RemoveTexturePage(1);
  ASSERT_EQ(o.pageCount, 2);
  EXPECT_STREQ(o.pages[1].name, "c");
  EXPECT_EQ(o.cutouts[0].page, 0);
  EXPECT_EQ(o.cutouts[1].page, 1);
  EXPECT_EQ(o.cutouts[2].page, 1);
  o.Free();

  ModelObject lone;
  lone.Init();
  lone.cutouts[0].page = 5;  // no cutout on page 0
  lone.RemoveUnusedTexturePages();
  EXPECT_EQ(lone.pageCount, 1);
  lone.Free();
}

// The routines over layers and parked level bytes reach the subobjects; a point used by a shown
// and a hidden layer counts as shown; a mirrored triangle of the same corners as a plain one
// is folded into it only when selected.
TEST_F(ModelEdit, LayerRoutinesReachSubobjectsAndOnlySelectedTwinsFold) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(1, 0, 0), b.Point(1, 1, 0), b.Point(1, 1, 1), b.Point(2, 0, 0);
  b.Triangle(0, 1, 2);
  b.layer = 1;
  b.Triangle(0, 1, 3);
  b.Into(o);
  std::vector<ModelObject> children(1);
  children[0].Init();
  b.Into(children[0]);
  SetChildren(o, children);
  ModelObject& child = o.children[0];

  o.MarkPointsByLayerMask(1u << 0, 0);
  EXPECT_EQ(o.points[0].work, 1) << "on both layers: shown";
  EXPECT_EQ(o.points[2].work, 1);
  EXPECT_EQ(o.points[3].work, 0) << "on the hidden layer only";

  child.triangles[0].flags |= TRIANGLE_HIDDEN;
  o.SaveTriangleByte();
  EXPECT_EQ(child.triangles[0].lod, 255);
  o.RestoreTriangleByte();
  EXPECT_EQ(child.triangles[0].lod, 0);

  o.KeepTriangleSlots(1u << 0);
  EXPECT_EQ(o.triangleCount, 1);
  EXPECT_EQ(child.triangleCount, 1);

  // The plain face's other side, turned, and not selected: it stays a triangle of its own.
  child.ResizeTriangles(2);
  child.triangleCount = 2;
  child.triangles[1] = child.triangles[0];
  child.triangles[1].corners[0] = 1 | CORNER_MIRRORED;
  child.triangles[1].corners[1] = 0 | CORNER_MIRRORED;
  child.triangles[1].corners[2] = 2 | CORNER_MIRRORED;
  child.ReplaceMirroredTriangles();
  ASSERT_EQ(child.triangleCount, 2);
  EXPECT_EQ(child.triangles[0].flags & TRIANGLE_MIRRORED, 0);
  child.triangles[1].flags |= TRIANGLE_SELECTED;
  child.ReplaceMirroredTriangles();
  ASSERT_EQ(child.triangleCount, 1);
  EXPECT_EQ(child.triangles[0].flags & TRIANGLE_MIRRORED, TRIANGLE_MIRRORED);
  o.Free();
}

// A cutout or mapping added for a decal keeps only what the file stores: no working marks, no
// resolved texture, no working bytes.
TEST_F(ModelEdit, AddedDecalRecordsDropTheirWorkingState) {
  ModelObject o;
  o.Init();
  alignas(16) static unsigned char resolved[64];
  Cutout marked = o.cutouts[0];
  marked.flags = CUTOUT_SELECTED | CUTOUT_BACKING;
  marked.texture = reinterpret_cast<Material*>(resolved);
  CutoutMaterial overlay = marked.material;
  overlay.envMapType = ENV_OVERLAY;
  ASSERT_EQ(o.FindOrAddCutout(marked, overlay, 1), 1);
  EXPECT_EQ(o.cutouts[1].flags, CUTOUT_BACKING);
  EXPECT_EQ(o.cutouts[1].texture, nullptr);
  ModelMapping working = o.mappings[0];
  working.work[0] = working.work[1] = working.work[2] = 1;
  ASSERT_EQ(o.FindOrAddMapping(working, 1, 1), 1);
  EXPECT_EQ(o.mappings[1].work[0] | o.mappings[1].work[1] | o.mappings[1].work[2], 0);
  o.Free();
}
