// wire_edges_test.cpp - the wire mode's edges: counts by sharing in first-seen order, equal to
// a plain linear search; the per-mesh and drawn limits; the main object and subobject
// switches.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "model/model_meshes.h"
#include "modeller/editor/wire_edges.h"
#include "render/object_mesh.h"
#include "text/messages.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/sample_models.h"

namespace {

// A flat mesh over count points with the given triangles (point indices).
Obj3d* MakeMesh(int points, const std::vector<std::array<int, 3>>& triangles) {
  Obj3d* mesh = new Obj3d();
  mesh->Init();
  AllocateMeshArrays(*mesh, points, int(triangles.size()));
  for (size_t t = 0; t < triangles.size(); ++t) {
    Obj3dTriangle& tri = mesh->triangles[t];
    for (int k = 0; k < 3; ++k) tri.points[k] = &mesh->points[triangles[t][size_t(k)]];
  }
  return mesh;
}

// The linear search the hash table replaces: the same pairs, counts and order.
std::vector<WireEdge> LinearEdges(const Obj3d& mesh) {
  std::vector<WireEdge> edges;
  auto add = [&edges](const Obj3dPoint* a, const Obj3dPoint* b) {
    if (b < a) std::swap(a, b);
    for (WireEdge& e : edges)
      if (e.a == a && e.b == b) {
        ++e.count;
        return;
      }
    edges.push_back(WireEdge{a, b, 1});
  };
  for (int t = 0; t < mesh.triangleCount; ++t) {
    const Obj3dTriangle& tri = mesh.triangles[t];
    add(tri.points[0], tri.points[1]);
    add(tri.points[1], tri.points[2]);
    add(tri.points[2], tri.points[0]);
  }
  return edges;
}

int CountWithSharing(const WireEdgeStore& store, int count) {
  int n = 0;
  for (const WireEdge& e : store.drawnEdges) n += e.count == count;
  return n;
}

constexpr WireEdgeFilter ALL{1, 1, nullptr};

class WireEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultTextColours();
    ResetMessages();
  }
  void TearDown() override { ResetMessages(); }
};

}  // namespace

TEST_F(WireEdges, EdgesAreColouredByHowManyTrianglesShareThem) {
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  Obj3d* mesh = new Obj3d();
  mesh->Init();
  BuildModelObj3d(box, *mesh, nullptr, nullptr, 0, 1, nullptr, ~0u);
  WireEdgeStore store;
  BuildWireframeEdges(store, *mesh, ALL);
  EXPECT_EQ(store.drawnEdges.size(), 18u) << "a closed box of 12 triangles";
  EXPECT_EQ(CountWithSharing(store, 2), 18);
  DeleteDrawMesh(mesh);
  box.Free();

  Obj3d* lone = MakeMesh(3, {{0, 1, 2}});
  store.Clear();
  BuildWireframeEdges(store, *lone, ALL);
  EXPECT_EQ(CountWithSharing(store, 1), 3);
  DeleteDrawMesh(lone);

  // Three triangles on one edge: that edge counts 3, the others 1.
  Obj3d* fan = MakeMesh(5, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
  store.Clear();
  BuildWireframeEdges(store, *fan, ALL);
  EXPECT_EQ(store.drawnEdges.size(), 7u);
  EXPECT_EQ(CountWithSharing(store, 3), 1);
  EXPECT_EQ(store.drawnEdges[0].count, 3) << "the first edge seen stays first";
  DeleteDrawMesh(fan);

  EXPECT_EQ(WireEdgeColour(1), RgbWord(255, 60, 60));
  EXPECT_EQ(WireEdgeColour(2), RgbWord(160, 160, 160));
  EXPECT_EQ(WireEdgeColour(3), RgbWord(60, 200, 255));
  EXPECT_EQ(WireEdgeColour(7), RgbWord(255, 200, 60));
}

TEST_F(WireEdges, TheHashTableGivesWhatTheLinearSearchGives) {
  std::mt19937 random(131072);
  for (int round = 0; round < 50; ++round) {
    const int points = 3 + int(random() % 12), triangles = 1 + int(random() % 40);
    std::vector<std::array<int, 3>> list;
    for (int t = 0; t < triangles; ++t) {
      std::array<int, 3> tri;
      do {
        for (int& c : tri) c = int(random() % uint32_t(points));
      } while (tri[0] == tri[1] || tri[1] == tri[2] || tri[0] == tri[2]);
      list.push_back(tri);
    }
    Obj3d* mesh = MakeMesh(points, list);
    WireEdgeStore store;
    BuildWireframeEdges(store, *mesh, ALL);
    const std::vector<WireEdge> want = LinearEdges(*mesh);
    ASSERT_EQ(store.drawnEdges.size(), want.size()) << "round " << round;
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(store.drawnEdges[i].a, want[i].a) << "round " << round << " edge " << i;
      EXPECT_EQ(store.drawnEdges[i].b, want[i].b);
      EXPECT_EQ(store.drawnEdges[i].count, want[i].count);
    }
    DeleteDrawMesh(mesh);
  }
}

TEST_F(WireEdges, AMeshStopsAtItsLimitAndAFullStoreKeepsWhatCameBefore) {
  // 43691 lone triangles: the last would take the mesh's edges past 131072.
  std::vector<std::array<int, 3>> list;
  for (int t = 0; t < 43691; ++t) list.push_back({3 * t, 3 * t + 1, 3 * t + 2});
  Obj3d* big = MakeMesh(3 * 43691, list);
  WireEdgeStore store;
  BuildWireframeEdges(store, *big, ALL);
  EXPECT_EQ(store.drawnEdges.size(), size_t(3 * 43690));
  DeleteDrawMesh(big);

  // A main object with two subobjects; the store holds 21: the second subobject does not fit.
  Obj3d* main = MakeMesh(4, {{0, 1, 2}, {0, 2, 3}});
  Obj3d* first = MakeMesh(3, {{0, 1, 2}});
  Obj3d* second = MakeMesh(6, {{0, 1, 2}, {3, 4, 5}, {0, 3, 4}});
  first->type = second->type = 3;
  AddChildMesh(*main, first);
  AddChildMesh(*main, second);
  store.Clear();
  store.drawnLimit = 10;
  BuildWireframeEdges(store, *main, ALL);
  EXPECT_EQ(store.drawnEdges.size(), 8u) << "the main object's 5 and the first subobject's 3";
  EXPECT_STREQ(MessageLines[MessageLineCount - 1].text, TEXT_TOO_MANY_EDGES);

  // Without "show main" only the subobjects give edges; without "show subobs" only the edited one.
  store.Clear();
  store.drawnLimit = MAX_DRAWN_WIRE_EDGES;
  BuildWireframeEdges(store, *main, WireEdgeFilter{0, 1, nullptr});
  EXPECT_EQ(store.drawnEdges.size(), 3u + 8u);
  store.Clear();
  BuildWireframeEdges(store, *main, WireEdgeFilter{1, 0, first});
  EXPECT_EQ(store.drawnEdges.size(), 5u + 3u);
  DeleteDrawMesh(main);
}
