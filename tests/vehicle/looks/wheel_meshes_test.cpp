// wheel_meshes_test.cpp - the wheel's meshes on the null device: the tyre proxy's 18 vertices
// and 32 triangles, the rim turned from a profile against an independent computation of its
// positions, normals, texture coordinates and triangles, the 64-unit least texture box, and
// the display bits of drawing a wheel's meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "tests/render/null_renderer.h"
#include "text/text_colours.h"
#include "vehicle/car_model.h"
#include "vehicle/wheel_meshes.h"
#include "vehicle/wheel_profile.h"
#include "vehicle_data/rim_profile.h"

namespace {

class WheelMeshes : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    SetDefaultTextColours();
    BuildGammaTables();
    GraphicsEnabled = 1;
  }
  void TearDown() override {
    FreeAllFastMeshes();
    DrawCarMesh = savedDraw_;
  }
  void (*savedDraw_)(const CarDrawContext&, GouraudO3d&, int) = DrawCarMesh;
};

// A tyre with a lipped rim and the sample rim profile's surfaces.
SuspensionBlock SampleSet(WXS& rim) {
  SuspensionBlock set{};
  set.sectionWidth = 0.2f;
  set.aspectRatio = 0.5f;
  set.rimRadius = 0.2f;
  set.rimWidth = 0.18f;
  set.rimEdgeExtraWidthMm = 2;
  set.rimLipDepthMm = 4;
  set.rimInnerDepthMm = 5;
  set.rimShadeTenths = 6;
  SetupTyre(set, 0, 0.0f);
  rim.MakeDefault("M1_rim", 0xC8C8C8);
  const GraphPoint points[4] = {{0.0f, 4.0f}, {4.0f, 4.0f}, {3.0f, 1.0f}, {1.0f, 1.0f}};
  delete[] rim.points;
  rim.points = new GraphPoint[4];
  std::memcpy(rim.points, points, sizeof points);
  rim.numPoints = 4;
  const RimSurface surfaces[3] = {{1, 0, 0, 0}, {1, 2, 1, 0}, {2, 3, 1, 0}};
  rim.surfaces = static_cast<RimSurface*>(std::realloc(rim.surfaces, sizeof surfaces));
  std::memcpy(rim.surfaces, surfaces, sizeof surfaces);
  rim.surfaceCount = 3;
  EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), -1);
  return set;
}

int Visible(const WheelProfile& p) {
  int v = 0;
  for (int i = 0; i < p.pointCount; ++i) v += p.points[i].hidden ? 0 : 1;
  return v;
}

int g_draws;
const GouraudO3d* g_drawn[4];
void RecordDraw(const CarDrawContext&, GouraudO3d& mesh, int) {
  if (g_draws < 4) g_drawn[g_draws] = &mesh;
  ++g_draws;
}

}  // namespace

TEST_F(WheelMeshes, TheTyreProxyHas18VerticesAnd32OutwardTriangles) {
  SuspensionBlock set{};
  set.sectionWidth = 0.24f;
  set.rollingRadius = 0.31f;
  FastMeshHandle handle = BuildTyreProxyMesh(set);
  FastMesh* mesh = GetFastMesh(handle);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->totalVertices, 18u);
  EXPECT_EQ(mesh->totalTriangles, 32u);
  ASSERT_EQ(mesh->parts.size(), 1u);
  EXPECT_EQ(mesh->parts[0].material, DefaultPlainMaterial());
  ASSERT_NE(mesh->parts[0].vertexBuffer, nullptr);
  const std::vector<uint8_t> vertices = ReadBuffer(mesh->parts[0].vertexBuffer->buffer);
  ASSERT_EQ(vertices.size(), 18 * sizeof(VertexLit));
  EXPECT_FLOAT_EQ(VertexAt<VertexLit>(vertices, 0).x, -0.12f);
  EXPECT_FLOAT_EQ(VertexAt<VertexLit>(vertices, 1).x, 0.12f);
  for (int i = 0; i < 8; ++i) {
    const double a = -i * 0.7853982;
    for (int side = 0; side < 2; ++side) {
      const VertexLit v = VertexAt<VertexLit>(vertices, uint32_t(2 + 2 * i + side));
      EXPECT_FLOAT_EQ(v.x, side ? 0.12f : -0.12f);
      EXPECT_NEAR(v.y, 0.31 * std::cos(a), 1e-6) << i;
      EXPECT_NEAR(v.z, 0.31 * std::sin(a), 1e-6) << i;
      // The tread's normal points out from the axle, 127 to the unit.
      EXPECT_EQ(v.normal[0], 0) << i;
      EXPECT_EQ(v.normal[1], std::lround(127 * std::cos(a))) << i;
      EXPECT_EQ(v.normal[2], std::lround(127 * std::sin(a))) << i;
    }
  }
  // The caps' centres face out along the axle.
  EXPECT_EQ(VertexAt<VertexLit>(vertices, 0).normal[0], -127);
  EXPECT_EQ(VertexAt<VertexLit>(vertices, 0).normal[1], 0);
  EXPECT_EQ(VertexAt<VertexLit>(vertices, 1).normal[0], 127);
  // Every triangle is wound as the rim mesh's: its right-handed normal points into the tyre.
  const std::vector<uint8_t> indexBytes = ReadBuffer(mesh->parts[0].indexBuffer->buffer);
  ASSERT_EQ(indexBytes.size(), 96 * sizeof(uint16_t));
  for (int t = 0; t < 32; ++t) {
    uint16_t idx[3];
    std::memcpy(idx, &indexBytes[size_t(t) * 6], 6);
    VertexLit c[3];
    for (int k = 0; k < 3; ++k) {
      ASSERT_LT(idx[k], 18);
      c[k] = VertexAt<VertexLit>(vertices, idx[k]);
    }
    const double u[3] = {c[1].x - c[0].x, c[1].y - c[0].y, c[1].z - c[0].z};
    const double w[3] = {c[2].x - c[0].x, c[2].y - c[0].y, c[2].z - c[0].z};
    const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const double m[3] = {(c[0].x + c[1].x + c[2].x) / 3, (c[0].y + c[1].y + c[2].y) / 3, (c[0].z + c[1].z + c[2].z) / 3};
    // Outward: along x on a cap, radial on the tread.
    const bool cap = std::fabs(c[0].x - c[1].x) < 1e-6 && std::fabs(c[1].x - c[2].x) < 1e-6;
    const double outward = cap ? n[0] * m[0] : n[1] * m[1] + n[2] * m[2];
    EXPECT_LT(outward, 0.0) << "triangle " << t;
  }
  FreeFastMesh(handle);
  GraphicsEnabled = 0;
  EXPECT_FALSE(BuildTyreProxyMesh(set)) << "no mesh without graphics";
}

TEST_F(WheelMeshes, TheRimIsTheProfileTurnedRoundTheAxle) {
  WXS rim;
  const SuspensionBlock set = SampleSet(rim);
  const WheelProfile& p = set.profile;
  GouraudColour colours[PROFILE_POINTS];
  ProfileColours(p, colours);
  // Each profile point's own colour with no flags (its normal is made with the mesh); the
  // records past the profile's points are black.
  ASSERT_LT(p.pointCount, PROFILE_POINTS);
  for (int i = 0; i < PROFILE_POINTS; ++i) {
    const bool own = i < p.pointCount;
    EXPECT_EQ(colours[i].red, own ? p.points[i].red : 0) << i;
    EXPECT_EQ(colours[i].green, own ? p.points[i].green : 0) << i;
    EXPECT_EQ(colours[i].blue, own ? p.points[i].blue : 0) << i;
    EXPECT_EQ(colours[i].flags, 0) << i;
  }
  const Material* material = GetDefaultMaterial();
  for (int N : {1, 5, 24}) {
    GouraudO3d mesh;
    mesh.Init();
    BuildLatheMesh(p, colours, mesh, N, nullptr, 1.0f, material);
    const int V = Visible(p);
    ASSERT_EQ(V, p.pointCount - 12) << "the rim's points only";
    ASSERT_EQ(mesh.pointCount, V * N);
    ASSERT_EQ(mesh.triangleCount, (p.surfaceCount - 9) * N * 2);
    ASSERT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.parts[0].key, material);
    EXPECT_EQ(mesh.parts[0].pointCount, mesh.pointCount);
    // Positions, normals and texture coordinates, computed here in double precision.
    std::vector<int> number(size_t(p.pointCount), -1);
    for (int s = 0, k = 0; s < N; ++s) {
      const double theta = -s * 6.2831855 / N;
      for (int i = 0; i < p.pointCount; ++i) {
        if (p.points[i].hidden) continue;
        const ProfilePoint& q = p.points[i];
        if (s == 0) number[size_t(i)] = k;
        const GouraudPoint& g = mesh.points[k++];
        const double y = q.y * std::cos(theta) * 65536.0, z = q.y * std::sin(theta) * 65536.0;
        EXPECT_NEAR(g.x, q.x * 65536.0, 0.5 + 1e-9) << s << " " << i;
        EXPECT_NEAR(g.y, y, 1.0) << s << " " << i;
        EXPECT_NEAR(g.z, z, 1.0) << s << " " << i;
        EXPECT_NEAR(g.nx, q.nx, 1e-6);
        EXPECT_NEAR(g.ny, q.ny * std::cos(theta), 1e-5);
        EXPECT_NEAR(g.nz, q.ny * std::sin(theta), 1e-5);
        EXPECT_NEAR(g.u, (g.y + 65536.0) / 131072.0, 1e-6) << "the whole texture over -1 .. 1 m";
        EXPECT_NEAR(g.v, 1.0 - (g.z + 65536.0) / 131072.0, 1e-6);
        EXPECT_EQ(g.colour, &colours[i]) << "the point's own colour record";
      }
    }
    // Two triangles a step for each surface from the tenth on.
    int t = 0;
    for (int s = 0; s < N; ++s) {
      const int s1 = (s + 1) % N;
      for (int f = 9; f < p.surfaceCount; ++f) {
        const int a = number[p.surfaces[f].first], b = number[p.surfaces[f].second];
        const GouraudTriangle& t0 = mesh.triangles[t++];
        const GouraudTriangle& t1 = mesh.triangles[t++];
        EXPECT_EQ(t0.index[0], s * V + a);
        EXPECT_EQ(t0.index[1], s1 * V + b);
        EXPECT_EQ(t0.index[2], s * V + b);
        EXPECT_EQ(t1.index[0], s * V + a);
        EXPECT_EQ(t1.index[1], s1 * V + a);
        EXPECT_EQ(t1.index[2], s1 * V + b);
      }
    }
    mesh.Free();
  }
}

// A surface is turned when both its points are shown, the first shown point (numbered 0)
// among them: a profile of two shown points, a hidden one and three rim surfaces (0-1, 1-0
// and 1-2 with the hidden point) turns the first two only, two triangles a step each.
TEST_F(WheelMeshes, ASurfaceFromTheFirstShownPointIsTurnedAndOneToAHiddenPointIsNot) {
  WheelProfile p{};
  p.pointCount = 3;
  for (int i = 0; i < 3; ++i) {
    p.points[i].x = 0.1f * float(i + 1);
    p.points[i].y = 0.2f;
    p.points[i].ny = 1.0f;
  }
  p.points[2].hidden = 1;
  p.surfaceCount = PROFILE_TYRE_SURFACES + 3;
  p.surfaces[PROFILE_TYRE_SURFACES] = ProfileSurface{0, 1, 0.0f, 1.0f};
  p.surfaces[PROFILE_TYRE_SURFACES + 1] = ProfileSurface{1, 0, 0.0f, 1.0f};
  p.surfaces[PROFILE_TYRE_SURFACES + 2] = ProfileSurface{1, 2, 0.0f, 1.0f};
  GouraudColour colours[PROFILE_POINTS];
  ProfileColours(p, colours);
  GouraudO3d mesh;
  mesh.Init();
  BuildLatheMesh(p, colours, mesh, 4, nullptr, 1.0f, GetDefaultMaterial());
  EXPECT_EQ(mesh.pointCount, 2 * 4) << "the two shown points, four steps round";
  ASSERT_EQ(mesh.triangleCount, 2 * 4 * 2);
  EXPECT_EQ(mesh.triangles[0].index[0], 0) << "the first surface from point 0";
  EXPECT_EQ(mesh.triangles[2].index[0], 1) << "the second from point 1";
  mesh.Free();
}

TEST_F(WheelMeshes, APageMapsItsBoxOntoItsRegionAtLeast64UnitsWide) {
  WXS rim;
  const SuspensionBlock set = SampleSet(rim);
  GouraudColour colours[PROFILE_POINTS];
  ProfileColours(set.profile, colours);
  // Across: centre 1000, half 10 (a box 20 wide, taken as 64); up: centre -2000, half 16384,
  // scaled by 2.  Region left 16, top 32, width 64, height 32 (of 128).
  const LatheTexturePage page{{1000, -2000}, {10, 16384}, {16, 32, 64, 32}};
  GouraudO3d mesh;
  mesh.Init();
  BuildLatheMesh(set.profile, colours, mesh, 8, &page, 2.0f, nullptr);
  for (int k = 0; k < mesh.pointCount; ++k) {
    const GouraudPoint& g = mesh.points[k];
    const double startY = (1000 - 10) * 2.0, extentY = 64.0;
    const double startZ = (-2000 - 16384) * 2.0, extentZ = 2 * 16384 * 2.0;
    EXPECT_NEAR(g.u, (g.y - startY) * 0.5 / extentY + 0.125, 1e-5) << k;
    EXPECT_NEAR(g.v, 1.0 - ((g.z - startZ) * 0.25 / extentZ + 0.25), 1e-5) << k;
  }
  mesh.Free();
  // A profile with no rim surface turns into points and no triangles; a wild segment count
  // is held to the limit.
  WheelProfile bare = set.profile;
  bare.surfaceCount = 9;
  mesh.Init();
  BuildLatheMesh(bare, colours, mesh, 100000, nullptr, 1.0f, nullptr);
  EXPECT_EQ(mesh.triangleCount, 0);
  EXPECT_EQ(mesh.pointCount, Visible(bare) * LATHE_MAX_SEGMENTS);
  mesh.Free();
}

TEST_F(WheelMeshes, DisplayBitsChooseTheMeshesDrawnEachMadeFastOnFirstUse) {
  DrawCarMesh = RecordDraw;
  WXS rim;
  SuspensionBlock set = SampleSet(rim);
  GouraudColour colours[PROFILE_POINTS];
  ProfileColours(set.profile, colours);
  GouraudO3d* spokes = new GouraudO3d;
  spokes->Init();
  BuildLatheMesh(set.profile, colours, *spokes, 4, nullptr, 1.0f, nullptr);
  GouraudO3d* rimMesh = new GouraudO3d;
  rimMesh->Init();
  BuildLatheMesh(set.profile, colours, *rimMesh, 6, nullptr, 1.0f, nullptr);
  set.spokeMesh = spokes;
  set.rimMesh = rimMesh;

  g_draws = 0;
  EXPECT_EQ(DrawWheelMeshes(CarDrawContext{0}, set, 0, 0), 0);
  EXPECT_EQ(g_draws, 0);
  EXPECT_FALSE(GetFastMesh(spokes->fastMesh));
  EXPECT_EQ(DrawWheelMeshes(CarDrawContext{WHEEL_DRAW_SPOKES}, set, 8, 0), 0);
  ASSERT_EQ(g_draws, 1);
  EXPECT_EQ(g_drawn[0], spokes);
  EXPECT_TRUE(GetFastMesh(spokes->fastMesh)) << "made on first use";
  EXPECT_FALSE(GetFastMesh(rimMesh->fastMesh));
  const FastMeshHandle made = spokes->fastMesh;
  g_draws = 0;
  EXPECT_EQ(DrawWheelMeshes(CarDrawContext{WHEEL_DRAW_SPOKES | WHEEL_DRAW_RIM}, set, 9, 0), 1);
  ASSERT_EQ(g_draws, 2);
  EXPECT_EQ(g_drawn[0], spokes);
  EXPECT_EQ(g_drawn[1], rimMesh);
  EXPECT_EQ(spokes->fastMesh.generation, made.generation) << "not made again";
  EXPECT_EQ(DrawWheelMeshes(CarDrawContext{WHEEL_DRAW_RIM}, set, 12, 0), 1);
  DeleteDrawMesh(spokes);
  DeleteDrawMesh(rimMesh);
  set.spokeMesh = set.rimMesh = nullptr;
  g_draws = 0;
  EXPECT_EQ(DrawWheelMeshes(CarDrawContext{WHEEL_DRAW_SPOKES | WHEEL_DRAW_RIM}, set, 0, 0), 0);
  EXPECT_EQ(g_draws, 0) << "a set without meshes draws nothing";
}
