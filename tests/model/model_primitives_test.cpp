// model_primitives_test.cpp - removals that keep every reference, deep and partial copies,
// levels of detail and layers, mirrored triangles, scaling, moving and turning mappings, and
// angles back from a rotation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/model_lod_cache.h"
#include "model/model_materials.h"
#include "tests/model/model_test_util.h"
#include "tools/model_gen/sample_models.h"

namespace {

class ModelPrimitives : public ModelTest {};

// What a triangle reaches through its references, by name and position.
struct Reached {
  std::string page, cutout, mapping;
  int32_t corners[3][3];
};

Reached ReachedBy(const ModelObject& o, const ModelTriangle& t) {
  Reached r{};
  const ModelMapping& m = o.mappings[t.mapping];
  const Cutout& c = o.cutouts[m.cutout[0]];
  r.mapping = m.name;
  r.cutout = c.name;
  r.page = o.pages[c.page].name;
  for (int k = 0; k < 3; ++k) {
    const ModelPoint& p = o.points[t.corners[k] & CORNER_INDEX_MASK];
    r.corners[k][0] = p.x, r.corners[k][1] = p.y, r.corners[k][2] = p.z;
  }
  return r;
}

void ExpectIndicesInRange(const ModelObject& o) {
  for (int t = 0; t < o.triangleCount; ++t) {
    ASSERT_LT(o.triangles[t].mapping, o.mappingCount);
    for (uint16_t c : o.triangles[t].corners) ASSERT_LT(c & CORNER_INDEX_MASK, o.pointCount);
  }
  for (int i = 0; i < o.mappingCount; ++i)
    for (uint16_t c : o.mappings[i].cutout) ASSERT_LT(c, o.cutoutCount);
  for (int i = 0; i < o.cutoutCount; ++i) ASSERT_LT(o.cutouts[i].page, o.pageCount);
}

std::vector<uint8_t> RecordOf(const ModelObject& o) { return ModelRecordBytes(o, 1, 1); }

}  // namespace

TEST_F(ModelPrimitives, RandomRemovalsOfUnusedRecordsKeepEveryReference) {
  std::mt19937 random(28);
  for (int round = 0; round < 20; ++round) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    for (int p = 0; p < 12; ++p) b.Page(PAGE_FIXED, ("page" + std::to_string(p)).c_str());
    for (int c = 0; c < 20; ++c)
      b.AddCutout(("cut" + std::to_string(c)).c_str(), pick(12), 64, 64, 0, 0, MATERIAL_DEFAULT);
    for (int m = 0; m < 30; ++m) {
      const int cutout = pick(20);
      b.AddMapping(("map" + std::to_string(m)).c_str(), cutout, pick(2) ? cutout : pick(20), DIRECTION_RIGHT, 1, 1,
                   0xFFFFFF);
    }
    for (int p = 0; p < 60; ++p) b.Point(pick(100) * 0.1, pick(100) * 0.1, pick(100) * 0.1);
    for (int t = 0; t < 40; ++t) {
      b.mapping = pick(30);
      b.Triangle(pick(60), pick(60), pick(60) | (pick(2) ? CORNER_MIRRORED : 0));
    }
    b.Into(o);
    std::vector<Reached> before;
    for (int t = 0; t < o.triangleCount; ++t) before.push_back(ReachedBy(o, o.triangles[t]));

    // Remove unused records of any kind, one at a time, until none is left.
    for (bool removed = true; removed;) {
      removed = false;
      std::vector<std::pair<int, int>> candidates;  // kind, index
      for (int i = 0; i < o.mappingCount; ++i) {
        bool used = false;
        for (int t = 0; t < o.triangleCount && !used; ++t) used = o.triangles[t].mapping == i;
        if (!used) candidates.push_back({0, i});
      }
      for (int i = 0; i < o.cutoutCount; ++i)
        if (!o.IsCutoutUsed(i)) candidates.push_back({1, i});
      for (int i = 0; i < o.pageCount; ++i) {
        bool used = false;
        for (int c = 0; c < o.cutoutCount && !used; ++c) used = o.cutouts[c].page == i;
        if (!used) candidates.push_back({2, i});
      }
      for (int i = 0; i < o.pointCount; ++i)
        if (!o.IsPointUsed(i)) candidates.push_back({3, i});
      if (candidates.empty()) break;
      const auto [kind, index] = candidates[size_t(pick(int(candidates.size())))];
      if (kind == 0) o.RemoveMapping(index);
      if (kind == 1) o.RemoveCutout(index);
      if (kind == 2) o.RemoveTexturePage(index);
      if (kind == 3) o.RemovePoint(index);
      removed = true;
      ExpectIndicesInRange(o);
    }
    ASSERT_EQ(o.triangleCount, int(before.size()));
    for (int t = 0; t < o.triangleCount; ++t) {
      const Reached now = ReachedBy(o, o.triangles[t]);
      EXPECT_EQ(now.mapping, before[size_t(t)].mapping);
      EXPECT_EQ(now.cutout, before[size_t(t)].cutout);
      EXPECT_EQ(now.page, before[size_t(t)].page);
      EXPECT_EQ(std::memcmp(now.corners, before[size_t(t)].corners, sizeof now.corners), 0) << t;
    }
    o.Free();
  }
}

TEST_F(ModelPrimitives, FullAndPartialCopies) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  ModelObject copy;
  copy.Init();
  copy.CopyFrom(car, 0, 1);
  EXPECT_EQ(RecordOf(copy), RecordOf(car));
  ASSERT_EQ(copy.colourChoiceCount, 3);
  EXPECT_NE(copy.colourChoices, car.colourChoices);  // its own arrays
  EXPECT_NE(copy.children[0].points, car.children[0].points);
  EXPECT_EQ(std::memcmp(copy.layerNames, car.layerNames, sizeof copy.layerNames), 0);
  // Copying again into a used object replaces what it held.
  copy.CopyFrom(car, 0, 1);
  EXPECT_EQ(RecordOf(copy), RecordOf(car));
  // Copied over, arrays of the source's sizes are written in place; others are made anew.
  const ModelPoint* points = copy.points;
  const ModelPoint* childPoints = copy.children[1].points;
  car.points[3].x += 1 << 16;
  car.children[1].points[0].z -= 1 << 12;
  car.ResizeTriangles(1);
  car.triangles[car.triangleCount] = car.triangles[0];
  ++car.triangleCount;
  car.children[0].name[0] = 'X';
  copy.CopyOver(car);
  EXPECT_EQ(RecordOf(copy), RecordOf(car));
  EXPECT_EQ(copy.points, points);
  EXPECT_EQ(copy.children[1].points, childPoints);
  EXPECT_EQ(copy.triangleCount, car.triangleCount) << "one more triangle: a new array";
  // A different number of subobjects: they are copied anew.
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  copy.CopyOver(box);
  EXPECT_EQ(RecordOf(copy), RecordOf(box));
  EXPECT_EQ(copy.childCount, 0);
  copy.CopyOver(car);
  EXPECT_EQ(RecordOf(copy), RecordOf(car));
  // From no subobject to a single one: it is made afresh.
  ModelObject single;
  single.Init();
  BuildSampleBox(single);
  std::vector<ModelObject> only(1);
  only[0].Init();
  BuildSampleBox(only[0]);
  SetChildren(single, only);
  copy.CopyOver(box);
  ASSERT_EQ(copy.childCount, 0);
  copy.CopyOver(single);
  ASSERT_EQ(copy.childCount, 1);
  ASSERT_NE(copy.children, nullptr);
  EXPECT_EQ(copy.children[0].pointCount, single.children[0].pointCount);
  EXPECT_NE(copy.children[0].points, single.children[0].points) << "its own arrays";
  single.Free();
  box.Free();
  copy.Free();

  // A partial copy of subobjects of types 3, 6 and 9 keeps empty ones of types 6 and 9.
  ModelObject source;
  source.Init();
  std::vector<ModelObject> children(3);
  const uint8_t types[3] = {SUBOBJECT_ATTACHMENT, SUBOBJECT_REAR_WING, SUBOBJECT_AERO_CENTRE};
  for (int i = 0; i < 3; ++i) {
    InitOneTriangle(children[size_t(i)]);
    children[size_t(i)].type = types[i];
    children[size_t(i)].offset[1] = 1000 * (i + 1);
    children[size_t(i)].angles[0] = int16_t(100 * (i + 1));
    children[size_t(i)].options = OPTION_MIRRORED_TWIN;
  }
  SetChildren(source, children);
  ModelObject partial;
  partial.Init();
  partial.CopyFrom(source, 0, 0);
  ASSERT_EQ(partial.childCount, 2);
  EXPECT_EQ(partial.children[0].type, SUBOBJECT_REAR_WING);
  EXPECT_EQ(partial.children[1].type, SUBOBJECT_AERO_CENTRE);
  EXPECT_EQ(partial.children[0].offset[1], 2000);
  EXPECT_EQ(partial.children[1].angles[0], 300);
  EXPECT_EQ(partial.children[1].options, OPTION_MIRRORED_TWIN);
  EXPECT_EQ(partial.children[0].pointCount + partial.children[0].triangleCount, 0);
  EXPECT_EQ(partial.children[0].cutoutCount, 1);  // empty, with the defaults a file needs
  EXPECT_EQ(partial.FindParent(&partial.children[1]), &partial);
  EXPECT_EQ(partial.FindParent(&partial), nullptr);
  EXPECT_EQ(partial.FindParent(&source.children[0]), nullptr);
  // 6 for the object, 12 for each mirrored twin.
  EXPECT_EQ(partial.CountTransformSlots(), 6 + 12 + 12);
  EXPECT_EQ(partial.HasSkinPage(), 0);
  partial.children[1].pages[0].type = PAGE_SKIN;
  EXPECT_EQ(partial.HasSkinPage(), 2);
  partial.pages[0].type = PAGE_SKIN;
  EXPECT_EQ(partial.HasSkinPage(), 1);
  // A skin mapping: one whose cutout lies on a skin page; a skin page no mapping uses is none.
  EXPECT_EQ(partial.HasTypeOneMapping(), 1);
  partial.pages[0].type = PAGE_FIXED;
  partial.AddPage(nullptr);
  partial.pages[1].type = PAGE_SKIN;
  EXPECT_EQ(partial.HasSkinPage(), 1);
  EXPECT_EQ(partial.HasTypeOneMapping(), 2) << "the subobject's mapping on its skin page";
  partial.children[1].pages[0].type = PAGE_FIXED;
  EXPECT_EQ(partial.HasTypeOneMapping(), 0);
  partial.cutouts[0].page = 1;
  EXPECT_EQ(partial.HasTypeOneMapping(), 1);
  partial.mappings[0].cutout[0] = 7;  // out of range: names no page
  EXPECT_EQ(partial.HasTypeOneMapping(), 0);
  // A mapping left naming the cutout just removed (its number now the count) names no page
  // either, though the removed record, on the skin page, still sits past the array's end.
  partial.AddCutout(&partial.cutouts[0]);
  partial.mappings[0].cutout[0] = 1;
  EXPECT_EQ(partial.HasTypeOneMapping(), 1);
  partial.RemoveCutout(1);
  ASSERT_EQ(partial.cutoutCount, 1);
  EXPECT_EQ(partial.HasTypeOneMapping(), 0);
  partial.Free();
  source.Free();

  // Growing keeps the records and zeroes the new ones; the counts stay for the caller.
  car.ResizePoints(2);
  car.ResizeTriangles(1);
  car.AddSubobjectSlot();
  EXPECT_EQ(car.points[car.pointCount + 1].x, 0);
  EXPECT_EQ(car.children[car.childCount].pointCount, 0);
  EXPECT_EQ(car.children[4].options, OPTION_MIRRORED_TWIN);
  car.Free();
}

// Copies, growth, render caches and freeing hand back every array they replace: 4000 rounds
// of them leave the heap in use where one round left it (give or take 64 KB), where a single
// kept array (the smallest, three colour choices in a 32-byte block) would hold 128 KB.  (Under the
// sanitizers the heap figures are not glibc's; their leak check does this job.)
TEST_F(ModelPrimitives, CopiesGrowthCachesAndFreeingGiveEveryArrayBack) {
  ModelObject car, box;
  car.Init(), box.Init();
  BuildSampleCar(car);
  BuildSampleBox(box);
  ASSERT_GT(car.childCount, 0);
  ASSERT_GT(car.colourChoiceCount, 0);
  auto round = [&] {
    ModelObject copy;
    copy.Init();
    copy.CopyFrom(car, 0, 1);
    BuildLodRenderCache(copy, nullptr, nullptr, 0, ~0u);
    BuildLodRenderCache(copy, nullptr, nullptr, 0, ~0u);  // the first cache's arrays go
    copy.CopyFrom(car, 0, 1);                               // over a used object
    copy.CopyOver(box);                                     // other sizes, no subobjects
    copy.CopyOver(car);
    copy.ResizePoints(4);
    copy.ResizeTriangles(4);
    copy.AddSubobjectSlot();
    copy.Free();
  };
  round();
  ExpectHeapStaysFlat(4000, round);
  box.Free();
  car.Free();
}

TEST_F(ModelPrimitives, LevelsAndLayers) {
  ModelObject o;
  o.Init();
  o.lodCount = 3;
  o.lodDistances[0] = int32_t(30.5 * 65536);
  o.lodDistances[1] = 20 * 65536;
  o.lodDistances[2] = int32_t(400.25 * 65536);
  FixLodDistances(o);
  EXPECT_EQ(o.lodDistances[0], 30 * 65536);
  EXPECT_EQ(o.lodDistances[1], 30 * 65536);
  EXPECT_EQ(o.lodDistances[2], 400 * 65536);
  o.lodDistances[0] = 0x8000;  // below the floor of 1 m
  FixLodDistances(o);
  EXPECT_EQ(o.lodDistances[0], 65536);
  o.Free();

  // Keeping one level drops what only the others used, and keeps the geometry.
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  std::vector<Reached> level1;
  for (int t = 0; t < car.triangleCount; ++t)
    if (car.triangles[t].lod == 1) level1.push_back(ReachedBy(car, car.triangles[t]));
  const int mappingsBefore = car.mappingCount, cutoutsBefore = car.cutoutCount, pagesBefore = car.pageCount;
  car.KeepOnlyLod(1);
  ExpectIndicesInRange(car);
  ASSERT_EQ(car.triangleCount, int(level1.size()));
  EXPECT_LT(car.mappingCount, mappingsBefore);
  EXPECT_LT(car.cutoutCount, cutoutsBefore) << "the cutouts of the dropped mappings go too";
  for (int c = 0; c < car.cutoutCount; ++c) {
    bool used = false;
    for (int m = 0; m < car.mappingCount; ++m)
      used = used || car.mappings[m].cutout[0] == c || car.mappings[m].cutout[1] == c;
    const char* name = car.cutouts[c].name;
    const bool numbered = std::strchr("CcOo", name[0]) && name[0] && name[1] == '~' && name[2];
    EXPECT_TRUE(used || numbered) << name;
  }
  for (int page = 0; page < car.pageCount; ++page) {
    bool used = car.pages[page].type == PAGE_DASH;
    for (int c = 0; c < car.cutoutCount; ++c) used = used || car.cutouts[c].page == page;
    EXPECT_TRUE(used) << "page " << page << " of " << car.pageCount << ", from " << pagesBefore;
  }
  for (int t = 0; t < car.triangleCount; ++t) {
    EXPECT_EQ(ReachedBy(car, car.triangles[t]).mapping, level1[size_t(t)].mapping);
    EXPECT_EQ(std::memcmp(ReachedBy(car, car.triangles[t]).corners, level1[size_t(t)].corners,
                          sizeof level1[0].corners), 0);
  }
  for (int p = 0; p < car.pointCount; ++p) EXPECT_TRUE(car.IsPointUsed(p)) << p;

  // Layers: moving renames nothing but clears the old name, in the subobjects too.
  const int glass = 1, lights = 2;
  int onGlass = 0;
  for (int t = 0; t < car.triangleCount; ++t) onGlass += car.triangles[t].layer == glass;
  ASSERT_GT(onGlass, 0);
  car.children[2].triangles[0].layer = glass;
  EXPECT_EQ(car.MoveLayer(lights, glass), glass);
  EXPECT_EQ(car.layerNames[glass][0], 0);
  EXPECT_STREQ(car.layerNames[lights], "lights");
  for (int t = 0; t < car.triangleCount; ++t) EXPECT_NE(car.triangles[t].layer, glass);
  EXPECT_EQ(car.children[2].triangles[0].layer, lights);
  const int before = car.triangleCount;
  car.KeepTriangleSlots(~(1u << lights));
  EXPECT_EQ(car.triangleCount, before - onGlass);
  EXPECT_EQ(car.layerNames[lights][0], 0);
  EXPECT_STREQ(car.layerNames[0], "body");
  // The first and the last layer lose their names too; past the last there is no name.
  ModelObject named;
  named.Init();
  std::snprintf(named.layerNames[0], LAYER_NAME_SIZE, "main");
  std::snprintf(named.layerNames[5], LAYER_NAME_SIZE, "five");
  std::snprintf(named.layerNames[LAYER_COUNT - 1], LAYER_NAME_SIZE, "last");
  named.MoveLayer(3, 0);
  EXPECT_EQ(named.layerNames[0][0], 0);
  named.MoveLayer(3, LAYER_COUNT - 1);
  EXPECT_EQ(named.layerNames[LAYER_COUNT - 1][0], 0);
  named.MoveLayer(3, LAYER_COUNT);
  EXPECT_STREQ(named.layerNames[5], "five");
  named.Free();

  // Display states: 1 shown, 0 used only by hidden layers, 2 unused.
  car.MarkPointsByLayerMask(1u << 0, 0);
  int shown = 0, hiddenOnly = 0;
  for (int p = 0; p < car.pointCount; ++p) {
    shown += car.points[p].work == 1;
    hiddenOnly += car.points[p].work == 0;
  }
  EXPECT_GT(shown, 0);
  EXPECT_GT(hiddenOnly, 0);
  car.MarkPointsByLayerMask(~0u, 1);
  EXPECT_EQ(car.points[0].work, 2);

  // The level byte parked around a build: hidden triangles belong to no level meanwhile.
  car.triangles[0].flags |= TRIANGLE_HIDDEN;
  car.SaveTriangleByte();
  EXPECT_EQ(car.triangles[0].lod, 255);
  car.RestoreTriangleByte();
  EXPECT_EQ(car.triangles[0].lod, 1);
  ModelShowsAllLods = 1;
  car.SaveTriangleByte();
  EXPECT_EQ(car.triangles[0].lod, 1);
  ModelShowsAllLods = 0;
  car.Free();
}

TEST_F(ModelPrimitives, GrowingAnArrayOfOneRecordKeepsIt) {
  ModelObject o;
  o.Init();
  o.ResizePoints(1);
  o.pointCount = 1;
  o.points[0].x = 12345;
  o.ResizePoints(2);
  EXPECT_EQ(o.points[0].x, 12345);
  EXPECT_EQ(o.points[1].x, 0) << "the new room is zeroed";
  o.ResizeTriangles(1);
  o.triangleCount = 1;
  o.triangles[0].corners[1] = 7;
  o.ResizeTriangles(1);
  EXPECT_EQ(o.triangles[0].corners[1], 7);
  o.Free();
}

TEST_F(ModelPrimitives, MirroredTrianglesAndPointReferences) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(1, 0, 0), b.Point(1, 1, 0), b.Point(1, 1, 1), b.Point(2, 0, 0);
  b.Triangle(0, 1, 2);                                                     // the plain face
  b.Triangle(1 | CORNER_MIRRORED, 0 | CORNER_MIRRORED, 2 | CORNER_MIRRORED);  // its other side, turned
  b.Triangle(3 | CORNER_MIRRORED, 1 | CORNER_MIRRORED, 2 | CORNER_MIRRORED);  // no plain twin
  b.Into(o);
  EXPECT_EQ(o.CountMirroredTriangles(), 2);
  // One mirrored corner, whichever it is, makes the triangle a mirrored one.
  for (int k = 0; k < 3; ++k) {
    ModelObject one;
    one.Init();
    ModelBuilder c;
    c.Point(1, 0, 0), c.Point(1, 1, 0), c.Point(1, 1, 1);
    int corners[3] = {0, 1, 2};
    corners[k] |= CORNER_MIRRORED;
    c.Triangle(corners[0], corners[1], corners[2]);
    c.Into(one);
    EXPECT_EQ(one.CountMirroredTriangles(), 1) << "corner " << k;
    one.Free();
  }
  EXPECT_TRUE(o.IsPointReferenceUsed(0 | CORNER_MIRRORED));
  EXPECT_FALSE(o.IsPointReferenceUsed(3));
  o.triangles[1].flags |= TRIANGLE_SELECTED;
  o.triangles[2].flags |= TRIANGLE_SELECTED;
  o.ReplaceMirroredTriangles();
  ASSERT_EQ(o.triangleCount, 2);
  EXPECT_EQ(o.triangles[0].flags & TRIANGLE_MIRRORED, TRIANGLE_MIRRORED);
  EXPECT_EQ(o.triangles[1].corners[0], 3 | CORNER_MIRRORED);
  // A mirrored triangle uses both sides of its points.
  EXPECT_TRUE(o.IsPointReferenceUsed(2 | CORNER_MIRRORED));
  EXPECT_TRUE(o.IsPointReferenceUsed(0));
  EXPECT_FALSE(o.IsPointReferenceUsed(3));
  o.points[0].flags |= POINT_SELECTED;
  o.triangles[0].flags |= TRIANGLE_MARK;
  o.ClearMarks();
  EXPECT_EQ(o.points[0].flags & POINT_SELECTED, 0);
  EXPECT_EQ(o.triangles[0].flags & TRIANGLE_MARK, 0);
  o.Free();
}

// "Rounded" is to nearest with ties to even: 2.5 units become 2, 3.5 become 4.
TEST_F(ModelPrimitives, ScalingRoundsTiesToEvenAndMovingKeepsTheCentrePlane) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0);
  b.Into(o);
  o.points[0].x = 5, o.points[0].y = 7, o.points[0].z = -5;
  o.mappings[0].width = 5;
  o.mappings[0].offset[0] = 0x7FFFFFFF;
  std::vector<ModelObject> children(1);
  children[0].Init();
  children[0].offset[2] = 3;
  SetChildren(o, children);
  o.Scale(0.5f);
  EXPECT_EQ(o.points[0].x, 2);
  EXPECT_EQ(o.points[0].y, 4);
  EXPECT_EQ(o.points[0].z, -2);
  EXPECT_EQ(o.mappings[0].width, 2);
  EXPECT_EQ(o.children[0].offset[2], 2);
  o.Scale(4.0f);
  EXPECT_EQ(o.mappings[0].offset[0], 0x7FFFFFFF);  // held within 32 bits

  o.points[0].flags = POINT_CENTRAL;
  o.points[0].x = 0;
  o.mappings[0].flags = MAPPING_CENTRAL;
  o.mappings[0].direction = DIRECTION_FRONT;
  o.mappings[0].offset[0] = 0;
  const int32_t childY = o.children[0].offset[1], childZ = o.children[0].offset[2];
  o.Translate(IntVector{65536, 2 * 65536, 3 * 65536});
  EXPECT_EQ(o.children[0].offset[1], childY + 2 * 65536);
  EXPECT_EQ(o.children[0].offset[2], childZ + 3 * 65536);
  EXPECT_EQ(o.points[0].x, 0);
  EXPECT_EQ(o.points[0].y, 16 + 2 * 65536);
  EXPECT_EQ(o.mappings[0].offset[0], 0);  // a central front mapping stays on the middle line
  EXPECT_EQ(o.mappings[0].offset[1], 2 * 65536);
  EXPECT_EQ(o.mappings[0].work[MAPPING_REFRESH], 0);
  EXPECT_EQ(o.children[0].offset[0], 65536);
  o.Free();
}

TEST_F(ModelPrimitives, TurningMappingsAndAnglesFromARotation) {
  // Angles back from a matrix built from them, across pitch, heading and roll.
  for (int h = -180; h < 180; h += 35)
    for (int p = -85; p <= 85; p += 17)
      for (int r = -180; r < 180; r += 47) {
        FixedMatrix m, again;
        MatrixFromAngles(m, uint32_t(h * 65536 / 360), uint32_t(p * 65536 / 360), uint32_t(r * 65536 / 360));
        float a[3];
        MatrixToAngles(m, a);
        EXPECT_NEAR(a[0] * 180 / M_PI, h, 0.05) << h << " " << p << " " << r;
        EXPECT_NEAR(a[1] * 180 / M_PI, p, 0.05);
        EXPECT_NEAR(a[2] * 180 / M_PI, r, 0.05);
        MatrixFromAngles(again, uint32_t(std::lround(a[0] * 32768 / M_PI)), uint32_t(std::lround(a[1] * 32768 / M_PI)),
                         uint32_t(std::lround(a[2] * 32768 / M_PI)));
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(again.m[i], m.m[i], 40);
      }
  // At a quarter turn of pitch the roll goes into the heading and the matrix is the same.
  for (int pitch : {-16384, 16384}) {
    FixedMatrix m, again;
    MatrixFromAngles(m, 5000, uint32_t(pitch), 3000);
    float a[3];
    MatrixToAngles(m, a);
    EXPECT_EQ(a[2], 0.0f);
    EXPECT_NEAR(a[1], pitch > 0 ? M_PI / 2 : -M_PI / 2, 1e-6);
    MatrixFromAngles(again, uint32_t(std::lround(a[0] * 32768 / M_PI)), uint32_t(pitch), 0);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(again.m[i], m.m[i], 40) << pitch << " " << i;
  }

  // A right-facing mapping turned a quarter turn about z faces the front; its centre turns.
  ModelObject o;
  o.Init();
  o.mappings[0].flags = MAPPING_CENTRAL;
  o.mappings[0].offset[0] = 65536;
  FixedMatrix quarter;
  MatrixRotZ(quarter, 16384);
  o.TransformMappings(IntVector{0, 0, 65536}, quarter, 1, nullptr);
  EXPECT_EQ(o.mappings[0].direction, DIRECTION_FRONT);
  EXPECT_EQ(o.mappings[0].offset[0], 0);
  EXPECT_EQ(o.mappings[0].offset[1], 65536);
  EXPECT_EQ(o.mappings[0].offset[2], 65536);
  EXPECT_EQ(o.mappings[0].flags & MAPPING_CENTRAL, 0);
  const uint32_t top = DIRECTION_TOP;
  FixedMatrix identity;
  MatrixIdentity(identity);
  o.TransformMappings(IntVector{0, 0, 0}, identity, 0, &top);
  EXPECT_EQ(o.mappings[0].direction, DIRECTION_TOP);
  EXPECT_EQ(RadiansToQuarterDegrees(M_PI), 720);
  EXPECT_EQ(RadiansToQuarterDegrees(-M_PI / 2), -360);

  // The mapping matrices of a build, with the one-sided byte.
  o.mappings[0].direction = DIRECTION_RIGHT;
  o.mappings[0].offset[0] = 3 * 65536;
  o.BuildMappingMatrices();
  ASSERT_NE(o.mappingMatrices, nullptr);
  EXPECT_EQ(o.mappings[0].work[MAPPING_ONE_SIDED], 1);
  o.Free();
}

// Building the mapping matrices again gives the previous ones back: a thousand rebuilds of
// twenty mappings' matrices (36 bytes each) leave the heap as it was.
TEST_F(ModelPrimitives, RebuildingTheMappingMatricesGivesTheOldOnesBack) {
  ModelObject o;
  o.Init();
  while (o.mappingCount < 20) o.AddMapping(nullptr);
  o.BuildMappingMatrices();
  ExpectHeapStaysFlat(1000, [&o] { o.BuildMappingMatrices(); });
  EXPECT_NE(o.mappingMatrices, nullptr);
  o.Free();
}

// Both copies carry every field of the object's placement and levels; a partial copy keeps a
// wing's side function and extra angle word too.  A subobject's own subobject is found in it.
TEST_F(ModelPrimitives, CopiesCarryEveryPlacementFieldAndParentsAreFoundAtDepth) {
  ModelObject source;
  source.Init();
  source.type = SUBOBJECT_REAR_WING;
  source.sideFunction = SIDE_SWAP_ONLY;
  source.textureUsage = 3;
  source.reserved = 5;
  source.lodCount = 2;
  source.lodDistances[1] = 0x300000;
  source.angles[0] = 11, source.angles[1] = 12, source.angles[2] = 13;
  source.angleExtra = 7;
  source.offset[0] = 100, source.offset[1] = 200, source.offset[2] = 300;
  source.options = OPTION_MIRRORED_TWIN;
  auto expectSame = [&source](const ModelObject& o, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(o.type, SUBOBJECT_REAR_WING);
    EXPECT_EQ(o.sideFunction, SIDE_SWAP_ONLY);
    EXPECT_EQ(o.textureUsage, 3);
    EXPECT_EQ(o.reserved, 5);
    EXPECT_EQ(o.lodCount, 2);
    EXPECT_EQ(o.lodDistances[1], 0x300000);
    EXPECT_EQ(o.angles[2], 13);
    EXPECT_EQ(o.angleExtra, 7);
    EXPECT_EQ(o.offset[0], 100);
    EXPECT_EQ(o.offset[2], 300);
    EXPECT_EQ(o.options, source.options);
  };
  ModelObject over;
  over.Init();
  over.currentLod = 1;
  over.CopyOver(source);
  expectSame(over, "copied over");
  EXPECT_EQ(over.currentLod, 0);
  EXPECT_EQ(over.builtMesh, nullptr);
  ModelObject from;
  from.Init();
  from.CopyFrom(source, 0, 1);
  expectSame(from, "copied from");

  // A partial copy of a parent keeps the wing's placement without its geometry.
  ModelObject parent;
  parent.Init();
  std::vector<ModelObject> children(1);
  children[0].Init();
  children[0].CopyFrom(source, 0, 1);
  SetChildren(parent, children);
  ModelObject partial;
  partial.Init();
  partial.CopyFrom(parent, 0, 0);
  ASSERT_EQ(partial.childCount, 1);
  EXPECT_EQ(partial.children[0].sideFunction, SIDE_SWAP_ONLY);
  EXPECT_EQ(partial.children[0].angleExtra, 7);

  // The grandchild is found under its own parent, through the top.
  std::vector<ModelObject> grandchildren(1);
  grandchildren[0].Init();
  SetChildren(parent.children[0], grandchildren);
  EXPECT_EQ(parent.FindParent(&parent.children[0].children[0]), &parent.children[0]);
  partial.Free();
  parent.Free();
  from.Free();
  over.Free();
  source.Free();
}

// Scaling reaches the subobjects' own points; an object without mappings builds no matrices.
TEST_F(ModelPrimitives, ScalingReachesSubobjectPointsAndNoMappingsBuildNoMatrices) {
  ModelObject o;
  o.Init();
  std::vector<ModelObject> children(1);
  children[0].Init();
  ModelBuilder b;
  b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1);
  b.Triangle(0, 1, 2);
  b.Into(children[0]);
  children[0].offset[2] = FIXED_ONE;
  SetChildren(o, children);
  o.Scale(2.0f);
  EXPECT_EQ(o.children[0].offset[2], 2 * FIXED_ONE);
  EXPECT_EQ(o.children[0].points[0].x, 2 * FIXED_ONE);
  EXPECT_EQ(o.children[0].points[2].z, 2 * FIXED_ONE);
  o.Free();

  ModelObject bare;
  bare.Init();
  bare.mappingCount = 0;
  bare.BuildMappingMatrices();
  EXPECT_EQ(bare.mappingMatrices, nullptr);
  bare.mappingCount = 1;
  bare.Free();
}
