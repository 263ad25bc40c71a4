// render_mesh_builder_test.cpp - the sweep's counts against formulas worked out by hand, its
// texture coordinates, skipped triangles, textures and bounds, a full pool, and models placed
// into a pool with its limits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "render/material.h"
#include "sweep_test.h"
#include "world/pre_gen.h"

namespace {

MeshPool& Pool() { return SweepPool(); }

std::vector<MappingRecord> Records(const std::vector<SweepMapping>& maps) {
  std::vector<MappingRecord> out;
  for (const SweepMapping& m : maps) out.push_back(m.Record());
  return out;
}

struct Built {
  BuiltMesh mesh;
  Built() { EndSweep(mesh); }
  ~Built() { mesh.Free(); }
};

// ---- Counts ----

TEST(Sweep, FlatGriddedSeamedClosedAndPlanarCountsMatchTheFormulas) {
  // Flat: E edges, n steps, 2 vertices an edge a ring, 2 triangles an edge a step, one corner
  // a vertex (one colour an edge).
  for (const auto& [E, n] : {std::pair{1, 1}, {3, 5}, {7, 2}}) {
    SweepMapping plain(1, 1);
    SweepRings rings{E + 1};
    RunSweep(ChainEdges(E, 1), Records({plain}), rings, n, 0, false);
    EXPECT_EQ(Pool().vertexCount, 2 * E * (n + 1));
    EXPECT_EQ(Pool().triangleCount, 2 * E * n);
    EXPECT_EQ(Pool().cornerCount, 2 * E * (n + 1));
    EXPECT_EQ(Pool().textureCount, 1);
    // Closed: the last ring is the first again (one step would close onto itself).
    if (n < 2) continue;
    RunSweep(ChainEdges(E, 1), Records({plain}), rings, n, 0, true);
    EXPECT_EQ(Pool().vertexCount, 2 * E * n);
    EXPECT_EQ(Pool().triangleCount, 2 * E * n);
    EXPECT_EQ(Pool().cornerCount, 2 * E * n);
  }
  // Gridded: C columns alternating two colours, no seam (the repeat is long, the start row 1):
  // C + 1 vertices an edge a ring, 2C triangles an edge a step, 2C corners an edge a ring
  // (an inner vertex carries both colours).
  for (const auto& [E, C, n] : {std::tuple{1, 2, 3}, {2, 4, 6}, {3, 5, 1}}) {
    SweepMapping grid(C, 1);
    for (int c = 0; c < C; ++c) grid.cells[c] = uint8_t(c % 2);
    SweepRings rings{E + 1};
    RunSweep(ChainEdges(E, 1, 1), Records({grid}), rings, n, 1, false);
    EXPECT_EQ(Pool().vertexCount, E * (C + 1) * (n + 1)) << E << C << n;
    EXPECT_EQ(Pool().triangleCount, 2 * E * C * n);
    EXPECT_EQ(Pool().cornerCount, E * 2 * C * (n + 1));
  }
  // Seamed: repeat L = 2 from row 0: ring 0 and ring n one set, every other even ring two.
  {
    const int n = 7;
    SweepMapping seam(1, 1);
    seam.record.repeatLength = 2;
    SweepRings rings{2};
    RunSweep(ChainEdges(1, 1), Records({seam}), rings, n, 1, false);
    EXPECT_EQ(Pool().vertexCount, 2 * (n + 1) + 2 * 3);  // rings 2, 4 and 6 carry two sets
    EXPECT_EQ(Pool().triangleCount, 2 * n);
    EXPECT_EQ(Pool().cornerCount, Pool().vertexCount) << "every set is used";
    // A repeat length that rounds below 1 counts as 1: every inner ring is a seam.
    seam.record.repeatLength = 1;
    RunSweep(ChainEdges(1, 1), Records({seam}), rings, n, 1, false, 0.3f);
    EXPECT_EQ(Pool().vertexCount, 4 * n);
    EXPECT_EQ(Pool().triangleCount, 2 * n);
    // The seam's first set ends the repeat (v = 0), the second starts the next (v = 1).
    EXPECT_FLOAT_EQ(Pool().vertices[2].v, 0.0f);
    EXPECT_FLOAT_EQ(Pool().vertices[4].v, 1.0f);
  }
  // Closed, textured: L = 4.  From row 1 the closing phase is the first ring's: reused (ring 3
  // has r = 0 and two sets).  From row 0 the first ring started a repeat: copied.
  {
    SweepMapping loop(1, 1);
    loop.record.repeatLength = 4;
    SweepRings rings{2};
    RunSweep(ChainEdges(1, 1, 1), Records({loop}), rings, 4, 1, true);
    EXPECT_EQ(Pool().vertexCount, 2 + 2 + 2 + 4);
    EXPECT_EQ(Pool().triangleCount, 8);
    const PoolTriangle& last = Pool().triangles[7];
    EXPECT_EQ(last.vertex[1], 0) << "the closing strip reaches the first ring";
    RunSweep(ChainEdges(1, 1, 0), Records({loop}), rings, 4, 1, true);
    EXPECT_EQ(Pool().vertexCount, 2 * 4 + 2);
    EXPECT_FLOAT_EQ(Pool().vertices[8].v, 0.0f) << "the copy ends the repeat";
    EXPECT_FLOAT_EQ(Pool().vertices[0].v, 1.0f);
  }
  // Planar: two vertices an edge a ring whatever the column count, its first column's colour.
  {
    SweepMapping planar(3, 1);
    planar.record.projection = 1;
    planar.cells = {0, 255, 255};
    SweepRings rings{3};
    RunSweep(ChainEdges(2, 1), Records({planar}), rings, 4, 1, false);
    EXPECT_EQ(Pool().vertexCount, 2 * 2 * 5);
    EXPECT_EQ(Pool().triangleCount, 2 * 2 * 4);
    // u = x / width + 0.5, v = 0.5 - y / height (metres).
    EXPECT_FLOAT_EQ(Pool().vertices[1].u, 0.75f);
    EXPECT_FLOAT_EQ(Pool().vertices[5].v, 0.25f);  // ring 1, y = 1 m
    planar.record.orientation = 4;                 // mirrored
    RunSweep(ChainEdges(2, 1), Records({planar}), rings, 4, 1, false);
    EXPECT_FLOAT_EQ(Pool().vertices[1].u, 0.25f);
    // Each of the two vertices is its end of the edge, with that end's normal: edge 0 of ring
    // 1 runs from (0, 1 m, 0) to (1 m, 1 m, 0), edge 1 on to (2 m, 1 m, 0).
    rings.normals[0] = {10000, 20000, 60000};
    rings.normals[1] = {40000, 5000, 30000};
    RunSweep(ChainEdges(2, 1), Records({planar}), rings, 4, 1, false);
    const PoolVertex* v = Pool().vertices;
    const int32_t wantA[2][3] = {{0, 65536, 0}, {10000, 20000, 60000}};
    const int32_t wantB[2][3] = {{65536, 65536, 0}, {40000, 5000, 30000}};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(v[4].position[k], wantA[0][k]) << k;
      EXPECT_EQ(v[4].normal[k], wantA[1][k]) << k;
      EXPECT_EQ(v[5].position[k], wantB[0][k]) << k;
      EXPECT_EQ(v[5].normal[k], wantB[1][k]) << k;
    }
    EXPECT_EQ(v[7].position[0], 2 * 65536);
    EXPECT_EQ(v[7].position[1], 65536);
  }
}

// ---- Texture coordinates ----

TEST(Sweep, TextureCoordinatesFollowTheOrientationsTrimsAndWidthFit) {
  // Ring 0 of an untextured-name mapping: p runs 0..1 and q is 1 at both ends.  By hand from
  // u = b q + a p + e, v = d q + c p + f.
  const float expected[8][4] = {
      {0, 1, 1, 1}, {1, 1, 1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}, {1, 1, 0, 1}, {1, 0, 1, 1}, {0, 0, 1, 0}, {0, 1, 0, 0},
  };
  SweepRings rings{2, 2.0};
  for (int code = 0; code < 8; ++code) {
    SweepMapping m(1, 1, 0, "");
    m.record.orientation = uint8_t(code);
    RunSweep(ChainEdges(1, 1), Records({m}), rings, 1, 1, false);
    const PoolVertex* v = Pool().vertices;
    EXPECT_FLOAT_EQ(v[0].u, expected[code][0]) << code;
    EXPECT_FLOAT_EQ(v[0].v, expected[code][1]) << code;
    EXPECT_FLOAT_EQ(v[1].u, expected[code][2]) << code;
    EXPECT_FLOAT_EQ(v[1].v, expected[code][3]) << code;
  }
  // Trims: p0 + trim 1, p1 - trim 2, q0 + trim 3 (q1 untrimmed).
  SweepMapping trimmed(1, 1, 0, "");
  trimmed.record.trimCodes = 0x6C;  // 01 10 11 00
  RunSweep(ChainEdges(1, 1), Records({trimmed}), rings, 1, 1, false);
  EXPECT_FLOAT_EQ(Pool().vertices[0].u, 0.0009765625f);
  EXPECT_FLOAT_EQ(Pool().vertices[1].u, 1.0f - 0.001953125f);
  EXPECT_FLOAT_EQ(Pool().vertices[0].v, 1.0f - 0.00390625f);
  // Width fit against a reference of 4 m over an edge of 2 m: half the span, at the start
  // (code 1) or at the end (code 2); code 0 keeps the mapping's span.
  SweepReferenceLengths[0] = 4.0f;
  const float fitted[3][2] = {{0.0f, 1.0f}, {0.0f, 0.5f}, {0.5f, 1.0f}};
  for (uint8_t code = 0; code < 3; ++code) {
    SweepMapping m(1, 1, 0, "");
    std::vector<MappingRef> edges = ChainEdges(1, 1);
    edges[0].widthFit = code;
    RunSweep(edges, Records({m}), rings, 1, 1, false);
    EXPECT_FLOAT_EQ(Pool().vertices[0].u, fitted[code][0]) << int(code);
    EXPECT_FLOAT_EQ(Pool().vertices[1].u, fitted[code][1]) << int(code);
  }
  SweepReferenceLengths[0] = 0.0f;
}

// Between an edge's two ends a set has a vertex at each inner column end, the end's share of
// the way from the first point, its normal the same share of the way between the ends' normals:
// a + (b - a) f >> 16 with the share f in 16.16.
TEST(Sweep, InnerColumnVerticesStandAtTheirShareFromTheFirstPoint) {
  const auto share = [](int32_t a, int32_t b, int32_t f) { return int32_t(a + ((int64_t(b) - a) * f >> 16)); };
  SweepMapping m(3, 1, 0, "");
  m.ends = {6554, 19661, 65536};  // 0.1, 0.3 and the whole width
  SweepRings rings{2, 4.0};       // points 0 and 4 m along x
  for (const bool sameNormals : {false, true}) {
    SCOPED_TRACE(sameNormals);
    rings.normals[0] = {10000, 20000, 60000};
    rings.normals[1] = sameNormals ? rings.normals[0] : IntVector{40000, 5000, 30000};
    RunSweep(ChainEdges(1, 1), Records({m}), rings, 1, 1, false);
    const PoolVertex* v = Pool().vertices;
    ASSERT_EQ(Pool().vertexCount, 8);
    EXPECT_EQ(v[0].position[0], 0);
    EXPECT_EQ(v[3].position[0], 4 * 65536);
    const int32_t f[2] = {6554, 19661};
    for (int c = 0; c < 2; ++c) {
      const PoolVertex& inner = v[1 + c];
      EXPECT_EQ(inner.position[0], share(0, 4 * 65536, f[c])) << c;
      EXPECT_EQ(inner.normal[0], share(10000, rings.normals[1].x, f[c])) << c;
      EXPECT_EQ(inner.normal[1], share(20000, rings.normals[1].y, f[c])) << c;
      EXPECT_EQ(inner.normal[2], share(60000, rings.normals[1].z, f[c])) << c;
      // The next ring's set, 1 m on along y.
      EXPECT_EQ(v[5 + c].position[0], inner.position[0]) << c;
      EXPECT_EQ(v[5 + c].position[1], 65536) << c;
    }
  }
}

// The inner columns of an edge that starts away from the origin on every axis: each of the
// vertex's coordinates and of its normal's parts lies its column's share along from the first
// point to the second (a share of 0.1 of the way from 3 m to 11 m is 3.8 m), in both rings.
TEST(Sweep, InnerColumnsShareEveryCoordinateAndNormalPartFromAnEdgeAwayFromTheOrigin) {
  const auto share = [](int32_t a, int32_t b, int32_t f) { return int32_t(a + ((int64_t(b) - a) * f >> 16)); };
  SweepMapping m(3, 1, 0, "");
  m.ends = {6554, 19661, 65536};  // 0.1, 0.3 and the whole width
  const MappingRecord record = m.Record();  // points into m's arrays
  const std::vector<MappingRef> edges = ChainEdges(1, 1);
  const IntVector rings[2][2] = {{{3 << 16, 5 << 16, 7 << 16}, {11 << 16, 2 << 16, -(4 << 16)}},
                                 {{3 << 16, 6 << 16, 8 << 16}, {11 << 16, 3 << 16, -(3 << 16)}}};
  for (const bool sameNormals : {false, true}) {
    SCOPED_TRACE(sameNormals);
    std::vector<IntVector> normals(2 * MAX_SWEEP_EDGES, IntVector{0, 0, 0});
    normals[0] = {10000, -20000, 60000};
    normals[1] = sameNormals ? normals[0] : IntVector{-40000, 5000, 30000};
    const SweepRing first{rings[0], 2, normals.data()}, second{rings[1], 2, normals.data()};
    BeginSweep(1, edges.data(), &record, 1, first, 1, 1, 1.0f);
    AddSweepRing(&second);
    ASSERT_EQ(Pool().vertexCount, 8);
    const int32_t f[2] = {6554, 19661};
    for (int k = 0; k < 2; ++k)
      for (int c = 0; c < 2; ++c) {
        const PoolVertex& inner = Pool().vertices[4 * k + 1 + c];
        const IntVector& a = rings[k][0];
        const IntVector& b = rings[k][1];
        SCOPED_TRACE(testing::Message() << "ring " << k << " column " << c);
        EXPECT_EQ(inner.position[0], share(a.x, b.x, f[c]));
        EXPECT_EQ(inner.position[1], share(a.y, b.y, f[c]));
        EXPECT_EQ(inner.position[2], share(a.z, b.z, f[c]));
        EXPECT_EQ(inner.normal[0], share(normals[0].x, normals[1].x, f[c]));
        EXPECT_EQ(inner.normal[1], share(normals[0].y, normals[1].y, f[c]));
        EXPECT_EQ(inner.normal[2], share(normals[0].z, normals[1].z, f[c]));
      }
    // By hand: 3 m + 0.1 x 8 m, in 16.16.
    EXPECT_EQ(Pool().vertices[1].position[0], (3 << 16) + ((8 << 16) * int64_t(6554) >> 16));
  }
}

// ---- What is left out ----

TEST(Sweep, EmptyGridsShortSidesAndBadEdgesAddNoTriangles) {
  SweepRings rings{3};
  SweepMapping empty(2, 2, MAPPING_NO_COLOUR);
  RunSweep(ChainEdges(2, 1), Records({empty}), rings, 3, 1, false);
  EXPECT_EQ(Pool().triangleCount, 0) << "an all-255 grid";
  SweepMapping rowless(2, 0);
  RunSweep(ChainEdges(2, 1), Records({rowless}), rings, 3, 1, false);
  EXPECT_EQ(Pool().triangleCount, 0) << "no grid rows";

  SweepMapping plain(1, 1);
  SweepRings close{3, 1.0, 255.0 / 65536};  // rings 255 units apart on one axis only
  RunSweep(ChainEdges(2, 1), Records({plain}), close, 3, 1, false);
  EXPECT_EQ(Pool().triangleCount, 0) << "every triangle has a side under 256 units";
  SweepRings near{3, 1.0, 256.0 / 65536};
  RunSweep(ChainEdges(2, 1), Records({plain}), near, 3, 1, false);
  EXPECT_EQ(Pool().triangleCount, 2 * 2 * 3);

  // A mapping index at the table's size or past it, and an end outside the ring.
  for (uint16_t outside : {uint16_t(1), uint16_t(9)}) {
    std::vector<MappingRef> edges = ChainEdges(3, 1);
    edges[1].mappingIndex = outside;
    edges[2].second = 200;
    RunSweep(edges, Records({plain}), rings, 3, 1, false);
    EXPECT_EQ(Pool().vertexCount, 2 * 4) << outside;
    EXPECT_EQ(Pool().triangleCount, 2 * 3) << outside;
  }
}

TEST(Sweep, AColourWithFlagBit2FacesUp) {
  SweepMapping up(1, 1);
  up.palette[3] = 4;
  // A vertical strip: the cross-section runs up z, the sweep along y.
  std::vector<IntVector> points = {{0, 0, 0}, {0, 0, 3 * 65536}};
  std::vector<IntVector> normals(2 * MAX_SWEEP_EDGES, IntVector{0, 0, 0});
  const std::vector<MappingRef> edges = ChainEdges(1, 1);
  const std::vector<MappingRecord> maps = {up.Record()};
  BeginSweep(1, edges.data(), maps.data(), 1, SweepRing{points.data(), 2, normals.data()}, 1, 1, 1.0f);
  points[0].y = points[1].y = 2 * 65536;
  const SweepRing ring{points.data(), 2, normals.data()};
  AddSweepRing(&ring);
  Built built;
  ASSERT_GT(built.mesh.pointCount, 0);
  for (int i = 0; i < built.mesh.pointCount; ++i) {
    EXPECT_EQ(built.mesh.points[i].normal[0], 0.0f);
    EXPECT_EQ(built.mesh.points[i].normal[2], 1.0f);
  }
  // The same strip without the flag: its face normal, horizontal.
  const SweepMapping flatMapping(1, 1);
  const std::vector<MappingRecord> plain = {flatMapping.Record()};
  BeginSweep(1, edges.data(), plain.data(), 1, SweepRing{points.data(), 2, normals.data()}, 1, 1, 1.0f);
  points[0].y = points[1].y = 4 * 65536;
  AddSweepRing(&ring);
  Built flat;
  EXPECT_EQ(std::fabs(flat.mesh.points[0].normal[0]), 1.0f);
}

// ---- Textures ----

TEST(Sweep, EdgesPastThe64thTextureAreLeftOutAndUnusedTexturesRenumbered) {
  std::vector<Material> materials(66);
  std::vector<SweepMapping> maps;
  for (int i = 0; i < 66; ++i) maps.emplace_back(1, 1, 0, "road", &materials[i]);
  SweepRings rings{67};
  RunSweep(ChainEdges(66, 66), Records(maps), rings, 1, 1, false);
  EXPECT_EQ(Pool().textureCount, 64);
  {
    Built built;
    EXPECT_EQ(built.mesh.partCount, 64);
    EXPECT_EQ(built.mesh.triangleCount, 2 * 64);
    EXPECT_EQ(BuiltMeshFault(built.mesh), "");
  }

  // Edge 1's grid is empty: its texture goes and edge 2's moves down to 1.
  std::vector<SweepMapping> three;
  for (int i = 0; i < 3; ++i) three.emplace_back(1, 1, i == 1 ? MAPPING_NO_COLOUR : 0, "road", &materials[i]);
  RunSweep(ChainEdges(3, 3), Records(three), rings, 2, 1, false);
  ASSERT_EQ(Pool().textureCount, 2);
  EXPECT_EQ(Pool().textures[1], &materials[2]);
  for (int t = 0; t < Pool().triangleCount; ++t) EXPECT_LT(Pool().triangles[t].texture, 2);
  for (int c = 0; c < Pool().cornerCount; ++c)
    EXPECT_EQ(Pool().corners[c].texture, Pool().corners[c].edge == 0 ? 0 : 1) << c;
  Built built;
  ASSERT_EQ(built.mesh.partCount, 2);
  EXPECT_EQ(built.mesh.parts[1].material, &materials[2]);
  EXPECT_EQ(built.mesh.parts[1].triangleCount, 4);
  EXPECT_EQ(BuiltMeshFault(built.mesh), "");
  // The triangle's fourth word holds the colour bytes by value.
  EXPECT_EQ(built.mesh.triangles[0].colour, 200u | 100u << 8 | 50u << 16);
}

TEST(Sweep, TheBoundsEqualABruteForceBoxAndSphere) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int32_t> coordinate(-50 * 65536, 50 * 65536);
  SweepMapping plain(1, 1);
  const std::vector<MappingRef> edges = ChainEdges(4, 1);
  const std::vector<MappingRecord> maps = {plain.Record()};
  std::vector<IntVector> points(5), normals(2 * MAX_SWEEP_EDGES, IntVector{0, 0, 0});
  const auto shake = [&] {
    for (IntVector& p : points) p = {coordinate(random), coordinate(random), coordinate(random)};
  };
  shake();
  BeginSweep(4, edges.data(), maps.data(), 1, SweepRing{points.data(), 5, normals.data()}, 6, 0, 1.0f);
  for (int k = 0; k < 6; ++k) {
    shake();
    const SweepRing ring{points.data(), 5, normals.data()};
    AddSweepRing(&ring);
  }
  IntVector centre, half;
  int32_t radius;
  GetSweepBounds(centre, radius, half);
  int64_t lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
  for (int i = 0; i < Pool().vertexCount; ++i)
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min<int64_t>(lo[a], Pool().vertices[i].position[a]);
      hi[a] = std::max<int64_t>(hi[a], Pool().vertices[i].position[a]);
    }
  const int32_t c[3] = {centre.x, centre.y, centre.z}, h[3] = {half.x, half.y, half.z};
  double farthest = 0;
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(c[a], (lo[a] + hi[a]) >> 1);
    EXPECT_EQ(h[a], (hi[a] - lo[a]) >> 1);
  }
  for (int i = 0; i < Pool().vertexCount; ++i) {
    double sum = 0;
    for (int a = 0; a < 3; ++a) sum += std::pow(double(Pool().vertices[i].position[a]) - c[a], 2);
    farthest = std::max(farthest, std::sqrt(sum));
  }
  EXPECT_NEAR(radius, farthest, 1.0);
}

// ---- A full pool ----

TEST(Sweep, AFullPoolKeepsWhatFittedAndNeverWritesPastIt) {
  struct Case {
    int edges, columns, steps, repeat;
    uint8_t colours;  // 2: alternating columns, inner vertices carry two corners
  };
  for (const Case& c : {Case{1, 1, 40000, 200, 1}, Case{8, 7, 3000, 1, 2}, Case{64, 1, 1000, 1, 1}}) {
    SweepMapping m(c.columns, 3);
    m.record.repeatLength = uint8_t(c.repeat);
    for (size_t i = 0; i < m.cells.size(); ++i) m.cells[i] = uint8_t(c.colours == 2 ? i % 2 : 0);
    SweepRings rings{c.edges + 1, 1.0, 0.01};
    RunSweep(ChainEdges(c.edges, 1), Records({m}), rings, c.steps, 1, false);
    EXPECT_TRUE(SweepIsFull()) << c.edges;
    EXPECT_LE(Pool().vertexCount, MESH_POOL_VERTICES);
    EXPECT_LE(Pool().triangleCount, MESH_POOL_TRIANGLES);
    EXPECT_LE(Pool().cornerCount, MESH_POOL_CORNERS);
    EXPECT_GT(Pool().vertexCount, MESH_POOL_VERTICES / 2) << "the pool was filled, not refused";
    for (int t = 0; t < Pool().triangleCount; ++t)
      for (int32_t v : Pool().triangles[t].vertex) ASSERT_LT(v, Pool().vertexCount);
    Built built;
    EXPECT_EQ(BuiltMeshFault(built.mesh), "");
    EXPECT_EQ(built.mesh.triangleCount, Pool().triangleCount);
  }
}

// ---- Models ----

BuiltMesh ModelMesh(int points, int triangles, Material* material) {
  BuiltMesh mesh;
  mesh.pointCount = points;
  mesh.triangleCount = triangles;
  mesh.partCount = 1;
  mesh.points = new BuiltPoint[points]();
  mesh.triangles = new BuiltTriangle[triangles]();
  mesh.parts = new BuiltPart[1]{{0, material, points, triangles}};
  for (int i = 0; i < points; ++i) {
    mesh.points[i].position[0] = i * 65536;
    mesh.points[i].normal[2] = 1.0f;
  }
  for (int t = 0; t < triangles; ++t) mesh.triangles[t] = {{uint32_t(t % points), uint32_t((t + 1) % points),
                                                             uint32_t((t + 2) % points)}, 0xAABBCCDDu};
  return mesh;
}

TEST(ModelsInPools, LimitsAndThePartsAppended) {
  auto pool = std::make_unique<MeshPool>();
  ResetMeshPool(*pool);
  Material a{}, b{};
  BuiltMesh mesh = ModelMesh(4, 2, &a);
  pool->vertexCount = 3;
  EXPECT_EQ(AppendBuiltMeshToPool(*pool, mesh), nullptr);
  EXPECT_EQ(pool->vertexCount, 7);
  EXPECT_EQ(pool->triangleCount, 2);
  EXPECT_EQ(pool->triangles[1].vertex[0], 3 + 1) << "indices raised by the vertices before";
  EXPECT_EQ(pool->triangles[0].source, 1);
  EXPECT_EQ(pool->triangles[0].colour, 0xAABBCCDDu);
  EXPECT_EQ(pool->vertices[3].normal[2], 65536);
  EXPECT_EQ(pool->cornerCount, 4) << "one corner a vertex used";
  EXPECT_EQ(pool->textureCount, 1);

  pool->vertexCount = MESH_POOL_VERTICES - 3;
  EXPECT_STREQ(AppendBuiltMeshToPool(*pool, mesh), TEXT_TOO_MANY_VERTICES);
  pool->vertexCount = 0;
  pool->triangleCount = MESH_POOL_TRIANGLES - 1;
  EXPECT_STREQ(AppendBuiltMeshToPool(*pool, mesh), TEXT_TOO_MANY_VERTICES);
  ResetMeshPool(*pool);
  std::vector<Material> others(64);
  for (int i = 0; i < 64; ++i) pool->textures[i] = &others[i];
  pool->textureCount = 64;
  BuiltMesh second = ModelMesh(3, 1, &b);
  EXPECT_STREQ(AppendBuiltMeshToPool(*pool, second), TEXT_TOO_MANY_TEXTURES);
  mesh.Free();
  second.Free();
}

TEST(ModelsInPools, EachVertexTakesItsPointsNormalPositionAndTextureCoordinates) {
  auto pool = std::make_unique<MeshPool>();
  ResetMeshPool(*pool);
  Material a{};
  BuiltMesh mesh = ModelMesh(3, 1, &a);
  // Three points facing three different ways, so a normal axis taken from the wrong
  // component shows.
  const float normals[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}};
  const int32_t positions[3][3] = {{65536, 2 * 65536, 3 * 65536}, {-65536, 5, 7}, {11, -13, 17 * 65536}};
  const float uvs[3][2] = {{0.25f, 0.5f}, {0.75f, -1.0f}, {2.0f, 0.125f}};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) {
      mesh.points[i].normal[k] = normals[i][k];
      mesh.points[i].position[k] = positions[i][k];
    }
    mesh.points[i].u = uvs[i][0];
    mesh.points[i].v = uvs[i][1];
  }
  mesh.triangles[0] = {{0, 1, 2}, 0x11223344u};
  ASSERT_EQ(AppendBuiltMeshToPool(*pool, mesh), nullptr);
  ASSERT_EQ(pool->vertexCount, 3);
  ASSERT_EQ(pool->cornerCount, 3);
  // A unit normal component of 1 is 65536 in 16.16.
  const int32_t expected[3][3] = {{65536, 0, 0}, {0, 65536, 0}, {0, 0, -65536}};
  for (int i = 0; i < 3; ++i) {
    const PoolVertex& vertex = pool->vertices[i];
    ASSERT_GE(vertex.firstCorner, 0);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(vertex.normal[k], expected[i][k]) << "point " << i << " axis " << k;
      EXPECT_EQ(vertex.position[k], positions[i][k]) << "point " << i << " axis " << k;
      EXPECT_EQ(pool->corners[vertex.firstCorner].normal[k], expected[i][k]) << "corner of point " << i;
    }
    EXPECT_EQ(vertex.u, uvs[i][0]) << "point " << i;
    EXPECT_EQ(vertex.v, uvs[i][1]) << "point " << i;
  }
  mesh.Free();
}

struct Placed {
  static inline FixedTransform seen{};
  static inline int builds = 0;
};

TEST(ModelsInPools, PlacingScalesTheMatrixAndOffsetsThePosition) {
  const WorldModelServices saved = WorldModels;
  static int model = 0;
  WorldModels = {};
  WorldModels.ModelOf = [](const PreGenModel&) -> void* { return &model; };
  WorldModels.EntryScale = [](const PreGenModel&) { return 1.5f; };
  WorldModels.ModelOffset = [](void*, IntVector& offset) { offset = {65536, 0, 0}; };
  WorldModels.BuildLevelMesh = [](void*, const FixedTransform& t, BuiltMesh& mesh) {
    Placed::seen = t;
    ++Placed::builds;
    static Material m{};
    mesh = ModelMesh(3, 1, &m);
    return 0;
  };
  auto pool = std::make_unique<MeshPool>();
  ResetMeshPool(*pool);
  InitSinCosTables();
  FixedMatrix turn;  // a quarter turn about z
  MatrixRotZ(turn, 16384);
  const auto* entry = reinterpret_cast<const PreGenModel*>(&model);
  EXPECT_EQ(PlaceModelInPool(*pool, *entry, {10 * 65536, 0, 65536}, turn), nullptr);
  EXPECT_EQ(Placed::builds, 1);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(Placed::seen.rotation.m[i], std::lround(turn.m[i] * 1.5)) << i;
  IntVector moved;
  MatrixTransform(Placed::seen.rotation, {65536, 0, 0}, moved);
  EXPECT_EQ(Placed::seen.translation.x, 10 * 65536 + moved.x);
  EXPECT_EQ(Placed::seen.translation.y, moved.y);
  EXPECT_NE(moved.y, 0) << "the offset turned by the scaled matrix";
  EXPECT_EQ(pool->vertexCount, 3);

  WorldModels.ModelOf = [](const PreGenModel&) -> void* { return nullptr; };
  EXPECT_EQ(PlaceModelInPool(*pool, *entry, {}, turn), nullptr);
  EXPECT_EQ(Placed::builds, 1) << "an entry without a model adds nothing";
  WorldModels = saved;
}

// An offset along any one axis moves the model, however small: one unit along x, y or z alone,
// through the identity matrix at scale 1, lands one unit from the position on that axis.
TEST(ModelsInPools, AnOffsetOfOneUnitAlongAnyAxisMovesTheModel) {
  const WorldModelServices saved = WorldModels;
  static int model = 0;
  static IntVector offsetGiven{};
  WorldModels = {};
  WorldModels.ModelOf = [](const PreGenModel&) -> void* { return &model; };
  WorldModels.EntryScale = [](const PreGenModel&) { return 1.0f; };
  WorldModels.ModelOffset = [](void*, IntVector& offset) { offset = offsetGiven; };
  WorldModels.BuildLevelMesh = [](void*, const FixedTransform& t, BuiltMesh& mesh) {
    Placed::seen = t;
    static Material m{};
    mesh = ModelMesh(3, 1, &m);
    return 0;
  };
  auto pool = std::make_unique<MeshPool>();
  ResetMeshPool(*pool);
  FixedMatrix identity;
  MatrixIdentity(identity);
  const auto* entry = reinterpret_cast<const PreGenModel*>(&model);
  const IntVector position = {10 << 16, 20 << 16, 30 << 16};
  const IntVector offsets[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const IntVector& offset : offsets) {
    offsetGiven = offset;
    Placed::seen = {};
    EXPECT_EQ(PlaceModelInPool(*pool, *entry, position, identity), nullptr);
    EXPECT_EQ(Placed::seen.translation.x, (10 << 16) + offset.x);
    EXPECT_EQ(Placed::seen.translation.y, (20 << 16) + offset.y);
    EXPECT_EQ(Placed::seen.translation.z, (30 << 16) + offset.z);
  }
  WorldModels = saved;
}

}  // namespace
