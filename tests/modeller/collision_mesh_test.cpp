// collision_mesh_test.cpp - the collision hull through "auto-create collision mesh" on the
// sample car's last level: its points and triangles as the tables give them, a closed and
// consistently wound surface within the level-0 box widened to +-S, the question before
// replacing, the refusals, saving and undo.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <utility>

#include "modeller/operations/collision_mesh.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "operations_fixture.h"

namespace modeller_test {
namespace {

class CollisionMeshTest : public OperationsTest {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    InteractiveMode = 1;
    ScreenWidth = 1280, ScreenHeight = 960;
  }
  // The sample car with its last level current.
  void StartOnLastLevel() {
    Start(SampleCar);
    SetCurrentLod(*modeller, 0, model.lodCount - 1);
    ASSERT_EQ(model.currentLod, 1);
  }
  int LevelTriangles(int level) const {
    int n = 0;
    for (int t = 0; t < model.triangleCount; ++t) n += model.triangles[t].lod == level;
    return n;
  }
  std::string BoxText() const { return MessageBoxDialog.prss.alive ? MessageBoxDialog.first : ""; }
};

struct Extent {
  int32_t minimum[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, maximum[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
  void Take(int32_t x, int32_t y, int32_t z) {
    const int32_t p[3] = {x, y, z};
    for (int a = 0; a < 3; ++a) minimum[a] = std::min(minimum[a], p[a]), maximum[a] = std::max(maximum[a], p[a]);
  }
};

TEST_F(CollisionMeshTest, HullFollowsTheTablesAndIsClosed) {
  StartOnLastLevel();
  // The level-0 box, before the hull.
  Extent box;
  for (int t = 0; t < model.triangleCount; ++t)
    if (model.triangles[t].lod == 0)
      for (uint16_t c : model.triangles[t].corners) {
        const ModelPoint& p = model.points[c & CORNER_INDEX_MASK];
        box.Take(p.x, p.y, p.z);
      }
  const int levelZero = LevelTriangles(0);
  ASSERT_GT(LevelTriangles(1), 0);
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("auto-create collision mesh");
  EXPECT_EQ(BoxText(), TEXT_LOD_HAS_TRIANGLES);
  Key('N');
  ExpectUnchanged(before, history);
  Press("auto-create collision mesh");
  Key(KEY_ENTER);
  ASSERT_EQ(LevelTriangles(1), HULL_TRIANGLE_COUNT);
  EXPECT_EQ(LevelTriangles(0), levelZero);

  // Ten points at the end, mirrored and kept, placed as the table says.
  const int b = model.pointCount - HULL_POINT_COUNT;
  const int64_t s = std::max(std::llabs(box.minimum[0]), std::llabs(box.maximum[0]));
  const int64_t length = int64_t(box.maximum[1]) - box.minimum[1], zmid = (int64_t(box.minimum[2]) + box.maximum[2]) / 2;
  const int64_t expected[HULL_POINT_COUNT][3] = {
      {s - s / 4, box.minimum[1], box.minimum[2]},          {s, box.minimum[1] + length / 8, box.minimum[2]},
      {s, box.maximum[1] - length / 8, box.minimum[2]},     {s - s / 4, box.maximum[1], box.minimum[2]},
      {s - s / 4, box.minimum[1], zmid},                    {s, box.minimum[1] + length / 8, zmid},
      {s, box.maximum[1] - length / 8, zmid},               {s - s / 4, box.maximum[1], zmid},
      {s - s / 3, box.minimum[1] + length / 4, box.maximum[2]}, {s - s / 3, box.maximum[1] - length / 4, box.maximum[2]},
  };
  for (int p = 0; p < HULL_POINT_COUNT; ++p) {
    const ModelPoint& point = model.points[b + p];
    EXPECT_EQ(point.flags, POINT_MIRRORED | POINT_REFERENCE) << p;
    EXPECT_EQ(point.x, expected[p][0]) << p;
    EXPECT_EQ(point.y, expected[p][1]) << p;
    EXPECT_EQ(point.z, expected[p][2]) << p;
  }
  // The triangles: the first and a mirrored one as the table gives them, all on "M1".
  int m1 = -1;
  for (int i = 0; i < model.mappingCount; ++i)
    if (std::strcmp(model.mappings[i].name, "M1") == 0) m1 = i;
  const ModelTriangle* hull = &model.triangles[model.triangleCount - HULL_TRIANGLE_COUNT];
  EXPECT_EQ(hull[0].corners[0], b + 7);
  EXPECT_EQ(hull[0].corners[1], b + 3);
  EXPECT_EQ(hull[0].corners[2], (b + 3) | CORNER_MIRRORED);
  EXPECT_EQ(hull[0].group, 2);
  EXPECT_EQ(hull[6].flags, TRIANGLE_MIRRORED);
  EXPECT_EQ(hull[6].corners[0], b + 5);
  EXPECT_EQ(hull[6].group, 1);
  int mirrored = 0;
  for (int t = 0; t < HULL_TRIANGLE_COUNT; ++t) {
    EXPECT_EQ(hull[t].mapping, m1) << t;
    EXPECT_EQ(hull[t].layer, 0);
    EXPECT_EQ(hull[t].normalLevel, 0);
    EXPECT_EQ(hull[t].lod, 1);
    mirrored += hull[t].flags == TRIANGLE_MIRRORED;
  }
  EXPECT_EQ(mirrored, 10);

  // The drawn surface: each mirrored triangle also reflected (corner sides swapped, winding
  // reversed).  A vertex is (point, side).
  using Vertex = std::pair<int, int>;
  std::vector<std::array<Vertex, 3>> faces;
  for (int t = 0; t < HULL_TRIANGLE_COUNT; ++t) {
    std::array<Vertex, 3> f;
    for (int c = 0; c < 3; ++c) f[c] = {hull[t].corners[c] & CORNER_INDEX_MASK, (hull[t].corners[c] & CORNER_MIRRORED) ? 1 : 0};
    faces.push_back(f);
    if (hull[t].flags & TRIANGLE_MIRRORED) {
      std::array<Vertex, 3> r;
      for (int c = 0; c < 3; ++c) r[c] = {f[2 - c].first, 1 - f[2 - c].second};
      faces.push_back(r);
    }
  }
  ASSERT_EQ(faces.size(), 36u);
  std::map<std::pair<Vertex, Vertex>, int> directed;
  std::set<Vertex> vertices;
  for (const auto& f : faces)
    for (int c = 0; c < 3; ++c) {
      ++directed[{f[c], f[(c + 1) % 3]}];
      vertices.insert(f[c]);
    }
  for (const auto& [edge, uses] : directed) {
    EXPECT_EQ(uses, 1) << "each directed edge once";
    const auto back = directed.find({edge.second, edge.first});
    EXPECT_TRUE(back != directed.end()) << "and its opposite once: closed and consistently wound";
  }
  const int64_t v = int64_t(vertices.size()), e = int64_t(directed.size()) / 2, f = int64_t(faces.size());
  EXPECT_EQ(v - e + f, 2) << "Euler characteristic";
  // Symmetric in x, within the level-0 box widened to +-S and touching each of its faces.
  Extent hullBox;
  for (const Vertex& vx : vertices) {
    const ModelPoint& p = model.points[vx.first];
    hullBox.Take(vx.second ? -p.x : p.x, p.y, p.z);
  }
  EXPECT_EQ(hullBox.minimum[0], -s);
  EXPECT_EQ(hullBox.maximum[0], s);
  for (int a = 1; a < 3; ++a) {
    EXPECT_EQ(hullBox.minimum[a], box.minimum[a]) << a;
    EXPECT_EQ(hullBox.maximum[a], box.maximum[a]) << a;
  }

  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  EXPECT_STREQ(ModellerUndo.nodes[ModellerUndo.count].name, "create collision mesh");
  ExpectUndoRestores(before);
}

TEST_F(CollisionMeshTest, RefusalsChangeNothing) {
  Start(SampleCar);
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  // The current level is not the last: the message and no change; no button either.
  Buttons();
  EXPECT_EQ(Find("auto-create collision mesh"), nullptr);
  CreateCollisionMesh(&modeller->prss, 0, 1);
  EXPECT_EQ(BoxText(), TEXT_NO_MAIN_LOD_TRIANGLES);
  Key(KEY_ENTER);
  ExpectUnchanged(before, history);
  // Past the point limit: the limit's message.
  SetCurrentLod(*modeller, 0, 1);
  const std::vector<uint8_t> onLast = Serialised();
  modeller->pointLimit = model.pointCount + 5;
  CreateCollisionMesh(&modeller->prss, 0, 1);
  EXPECT_EQ(BoxText(), modeller->pointLimitText);
  Key(KEY_ENTER);
  ExpectUnchanged(onLast, history);
  SetSpokeLimits(*modeller);
  // A subobject edited: the message.
  SetEditedObject(*modeller, &model.children[0], 0);
  CreateCollisionMesh(&modeller->prss, 0, 1);
  EXPECT_EQ(BoxText(), TEXT_NO_MAIN_LOD_TRIANGLES);
  Key(KEY_ENTER);
}

TEST_F(CollisionMeshTest, NoLevelZeroTrianglesGivesTheMessage) {
  Start([](ModelObject& o) {
    PointRow(o, 4);
    o.lodCount = 2;
  });
  SetCurrentLod(*modeller, 0, 1);
  const std::vector<uint8_t> before = Serialised();
  CreateCollisionMesh(&modeller->prss, 0, 0);
  EXPECT_EQ(BoxText(), TEXT_NO_MAIN_LOD_TRIANGLES);
  Key(KEY_ENTER);
  ExpectUnchanged(before, 0);
}

TEST_F(CollisionMeshTest, AHullOnAnEmptyLastLevelLeavesNothingSelectedAndNoGreenPoint) {
  // Two level-0 triangles, the last level (1) empty: no question, the hull is made at once.
  Start([](ModelObject& o) {
    TwoTriangles(o);
    o.lodCount = 2;
  });
  SetCurrentLod(*modeller, 0, 1);
  // Triangle 0 and points 0 and 7 selected beforehand, point 7 green and traced.
  model.triangles[0].flags |= TRIANGLE_SELECTED;
  modeller->state.selectedTriangleCount = 1;
  modeller->state.currentTriangle = 0;
  SelectPoints({0, 7});
  ASSERT_EQ(modeller->state.currentPoint, 7);
  CreateCollisionMesh(&modeller->prss, 0, 1);
  ASSERT_EQ(LevelTriangles(1), HULL_TRIANGLE_COUNT);
  ASSERT_EQ(model.pointCount, 8 + HULL_POINT_COUNT);
  for (int t = 0; t < model.triangleCount; ++t) EXPECT_EQ(model.triangles[t].flags & TRIANGLE_SELECTED, 0) << t;
  for (int p = 0; p < model.pointCount; ++p) EXPECT_EQ(model.points[p].flags & POINT_SELECTED, 0) << p;
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.traceCount, 0);
  EXPECT_EQ(modeller->state.currentPoint, -1);
  EXPECT_EQ(modeller->state.currentTriangle, 2 + HULL_TRIANGLE_COUNT) << "none: one past the last";
}

// While a car is edited its tyres widen the box: one wheel standing out 1.5 m to the side and
// 3 m ahead.
int CarEdited() { return 1; }
int OneWheel(int wheel, int32_t minimum[3], int32_t maximum[3]) {
  if (wheel > 0) return 0;
  minimum[0] = 1 << 16, minimum[1] = 2 << 16, minimum[2] = 0;
  maximum[0] = 3 << 15, maximum[1] = 3 << 16, maximum[2] = 1 << 15;
  return 1;
}

TEST_F(CollisionMeshTest, TheCarsWheelsWidenTheBox) {
  StartOnLastLevel();
  const VehicleEditorLink saved = VehicleEditorHooks;
  VehicleEditorHooks.carBeingEdited = CarEdited;
  VehicleEditorHooks.wheelTyreBox = OneWheel;
  CreateCollisionMesh(&modeller->prss, 0, 1);
  VehicleEditorHooks = saved;
  const int b = model.pointCount - HULL_POINT_COUNT;
  EXPECT_EQ(model.points[b + 1].x, 3 << 15) << "S reaches the tyre's outer side";
  EXPECT_EQ(model.points[b + 3].y, 3 << 16) << "the front reaches the tyre";
}

// A tyre reaching the most negative coordinate: S is 2^31, one past the largest coordinate,
// and the hull's sides stand at the largest instead.
int WheelAtTheEdge(int wheel, int32_t minimum[3], int32_t maximum[3]) {
  if (wheel > 0) return 0;
  minimum[0] = INT32_MIN, minimum[1] = 0, minimum[2] = 0;
  maximum[0] = 0, maximum[1] = 1 << 16, maximum[2] = 1 << 16;
  return 1;
}

TEST_F(CollisionMeshTest, AHullAsWideAsTheCoordinatesKeepsItsSidesAtTheLargestValue) {
  StartOnLastLevel();
  const VehicleEditorLink saved = VehicleEditorHooks;
  VehicleEditorHooks.carBeingEdited = CarEdited;
  VehicleEditorHooks.wheelTyreBox = WheelAtTheEdge;
  CreateCollisionMesh(&modeller->prss, 0, 1);
  VehicleEditorHooks = saved;
  const int b = model.pointCount - HULL_POINT_COUNT;
  EXPECT_EQ(model.points[b + 1].x, INT32_MAX) << "S = 2^31 held at 2^31 - 1";
  EXPECT_EQ(model.points[b + 2].x, INT32_MAX);
  EXPECT_EQ(model.points[b + 0].x, 1610612736) << "S - S / 4 = 2^31 - 2^29";
  EXPECT_EQ(model.points[b + 8].x, 1431655766) << "S - S / 3 = 2^31 - 715827882";
  // Made again at once: a second undo point.
  NewNodes();
  CreateCollisionMesh(&modeller->prss, 0, 1);
  EXPECT_EQ(NewNodes(), 1);
}

TEST(CollisionMapping, LastMappingBeginningWithM1InAnyCase) {
  ModelObject o{};
  o.Init();
  ModelMapping m{};
  m.Init(1);
  std::snprintf(m.name, sizeof m.name, "m1 grille");
  o.AddMapping(&m);
  std::snprintf(m.name, sizeof m.name, "M10");
  o.AddMapping(&m);
  std::snprintf(m.name, sizeof m.name, "xm1");
  o.AddMapping(&m);
  EXPECT_EQ(CollisionMapping(o), 2);
  std::snprintf(o.mappings[2].name, sizeof o.mappings[2].name, "body");
  EXPECT_EQ(CollisionMapping(o), 1) << "lower-case m1 is found";
  std::snprintf(o.mappings[1].name, sizeof o.mappings[1].name, "M");
  EXPECT_EQ(CollisionMapping(o), 0) << "none: mapping 0";
  o.Free();
}

}  // namespace
}  // namespace modeller_test
