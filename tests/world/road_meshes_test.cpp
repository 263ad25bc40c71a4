// road_meshes_test.cpp - the display of sections and road segments: a section's mesh (own and
// joining vertices, the backing copy, texture coordinates, the build kind), its draw listing
// and relighting, and a segment's shared edge normals, build kind and size from its model.
// The expected values are worked by hand from the examples' geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/sort_tree.h"
#include "render/material.h"
#include "render/primitives.h"
#include "tests/world/road_fixture.h"
#include "world/light_octrees.h"
#include "world/mesh_batching.h"
#include "world/pre_gen.h"
#include "world/view_ray.h"

using namespace road_fixture;

namespace {

// A section at (10 m, 20 m), heading 0 (its offsets run along +x): vertices 0 (-1, 0),
// 1 (1, 0), 2 (0, 2), 3 (2, 2) as (offset, height) in metres; own triangles 0,1,2 and 1,3,2
// (counter-clockwise) and 0,2,1 (clockwise); a joining triangle from own vertices 0 and 1 to
// vertex 0 of a second section at (10 m, 25 m), which lies at (9 m, 25 m, 0).
struct SectionMeshes : Roads {
  void SetUp() override {
    Roads::SetUp();
    MappingRecord& a = W().mappings[1];
    a.average[0] = a.average[1] = a.average[2] = 128;
    a.material[0] = 0;
    MappingRecord& b = W().mappings[2];
    b.average[0] = 255;
    b.material[0] = 2;
    TrackSection t = Profile(0, {-1, 1, 0, 2}, {0, 0, 2, 2});
    t.mapping = 1;
    t.backing = 2;
    TrackSectionTriangle t0, t1, t2;
    t0.corner[0] = 0, t0.corner[1] = 1, t0.corner[2] = 2;
    t1.corner[0] = 1, t1.corner[1] = 3, t1.corner[2] = 2;
    t2.corner[0] = 0, t2.corner[1] = 2, t2.corner[2] = 1;
    TrackSectionTriangle join;
    join.corner[0] = 0, join.corner[1] = 1, join.corner[2] = 0;
    join.link[2] = 1;
    t.triangles = {t0, t1, t2, join};
    section = AddSection(t, 10 * M, 20 * M);
    other = AddSection(Profile(0, {-1}, {0}), 10 * M, 25 * M);
    other->Setup();
    section->Setup();
  }
  void TearDown() override {
    FreePointOctree();
    Roads::TearDown();
  }
  const BuiltMesh& Mesh() const { return *section->builtMesh; }
  WSection* section = nullptr;
  WSection* other = nullptr;
};

void ExpectPoint(const BuiltPoint& p, double x, double y, double z, float nx, float ny, float nz) {
  EXPECT_EQ(p.position[0], int32_t(std::lround(x * M)));
  EXPECT_EQ(p.position[1], int32_t(std::lround(y * M)));
  EXPECT_EQ(p.position[2], int32_t(std::lround(z * M)));
  EXPECT_NEAR(p.normal[0], nx, 1e-6f);
  EXPECT_NEAR(p.normal[1], ny, 1e-6f);
  EXPECT_NEAR(p.normal[2], nz, 1e-6f);
}

void ExpectCorners(const BuiltTriangle& t, uint32_t a, uint32_t b, uint32_t c) {
  EXPECT_EQ(t.corners[0], a);
  EXPECT_EQ(t.corners[1], b);
  EXPECT_EQ(t.corners[2], c);
}

}  // namespace

// ---- Sections ----

TEST_F(SectionMeshes, TheViewRayMeetsTheSectionBuildingItsMeshWhenMissing) {
  // The section's own triangles stand upright across y = 20 m: a level ray along +y at 0.5 m
  // meets them at (10, 20, 0.5); the ray builds the mesh it needs.
  ASSERT_EQ(section->builtMesh, nullptr);
  const int32_t origin[3] = {10 * M, 15 * M, M / 2};
  const float direction[3] = {0, 1, 0};
  SetViewRay(W(), origin, direction);
  W().viewRay.kindMode = 2;
  W().viewRay.includeFlagged = 1;  // the examples' mapping material carries a flag
  ContactProbe hit = {};
  float nearD = 0, farD = 0;
  const int got = CastViewRay(W(), nearD, farD, hit, 0);
  ASSERT_GE(got, 0);
  EXPECT_EQ(W().objects[got], section);
  EXPECT_NE(section->builtMesh, nullptr);
  EXPECT_NEAR(hit.candidatePoint.x / double(M), 10, 0.01);
  EXPECT_NEAR(hit.candidatePoint.y / double(M), 20, 0.01);
  EXPECT_NEAR(hit.candidatePoint.z / double(M), 0.5, 0.01);
  // Without the sections' bit in the kind mode nothing is met.
  W().viewRay.kindMode = 1;
  hit = {};
  EXPECT_EQ(CastViewRay(W(), nearD, farD, hit, 0), -1);
}

TEST_F(SectionMeshes, OwnVerticesPerOrientationJoiningOnesSharedAndTheBackingCopy) {
  section->BuildMesh(true);
  ASSERT_NE(section->builtMesh, nullptr);
  const BuiltMesh& m = Mesh();
  // Own points 0..3 of the counter-clockwise triangles face -y, 4..6 of the clockwise one +y;
  // the joining triangle's three points face up.  Twice over with the backing mapping.
  ASSERT_EQ(m.pointCount, 20);
  ASSERT_EQ(m.triangleCount, 8);
  ASSERT_EQ(m.partCount, 2);
  EXPECT_EQ(m.parts[0].pointCount, 10);
  EXPECT_EQ(m.parts[0].triangleCount, 4);
  EXPECT_EQ(m.parts[1].pointCount, 10);
  EXPECT_EQ(m.parts[1].triangleCount, 4);
  ExpectPoint(m.points[0], 9, 20, 0, 0, -1, 0);
  ExpectPoint(m.points[2], 10, 20, 2, 0, -1, 0);
  ExpectPoint(m.points[3], 12, 20, 2, 0, -1, 0);
  ExpectPoint(m.points[4], 9, 20, 0, 0, 1, 0);
  ExpectPoint(m.points[6], 11, 20, 0, 0, 1, 0);
  ExpectPoint(m.points[7], 9, 20, 0, 0, 0, 1);
  ExpectPoint(m.points[9], 9, 25, 0, 0, 0, 1);
  // Corners stored 2, 1, 0.
  ExpectCorners(m.triangles[0], 2, 1, 0);
  ExpectCorners(m.triangles[1], 2, 3, 1);
  ExpectCorners(m.triangles[2], 6, 5, 4);
  ExpectCorners(m.triangles[3], 9, 8, 7);
  ExpectCorners(m.triangles[4], 12, 11, 10);
  ExpectCorners(m.triangles[7], 19, 18, 17);
  ExpectPoint(m.points[13], 12, 20, 2, 0, -1, 0);
  const uint32_t grey = uint32_t(BrightnessTable[128]) * 0x010101u;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(m.points[i].colour, grey) << i;
    EXPECT_EQ(m.points[i].shade, 255) << i;
    EXPECT_EQ(m.points[10 + i].colour, uint32_t(BrightnessTable[255]) << 16) << i;
  }
  // A solid primary mapping with an alpha backing: always sorted, build list 9.
  EXPECT_EQ(section->drawFlags, PREGEN_DRAW_SOLID);
  EXPECT_EQ(section->alphaKind, 2);
  EXPECT_EQ(section->GetBuildList(), 9);

  // The backing is taken only when it is an alpha mapping behind a solid one.
  struct Case {
    uint8_t primary, backing;
    int points, drawFlags, alphaKind, list;
  };
  for (const Case& c : {Case{0, 0, 10, PREGEN_DRAW_SOLID, 0, 7}, Case{1, 2, 10, PREGEN_DRAW_ATEST, 0, 7},
                        Case{2, 2, 10, 0, 1, 8}, Case{3, 2, 10, PREGEN_DRAW_TEA, 0, 7}}) {
    SCOPED_TRACE(int(c.primary));
    W().mappings[1].material[0] = c.primary;
    W().mappings[2].material[0] = c.backing;
    section->BuildMesh(true);
    EXPECT_EQ(Mesh().pointCount, c.points);
    EXPECT_EQ(Mesh().partCount, 1);
    EXPECT_EQ(section->drawFlags, c.drawFlags);
    EXPECT_EQ(section->alphaKind, c.alphaKind);
    EXPECT_EQ(section->GetBuildList(), c.list);
  }
  // A section's lists are 7, 8 and 9 by its alpha kind; a kind past them has none.
  const uint8_t built = section->alphaKind;
  for (const auto& [kind, list] : {std::pair{0, 7}, {1, 8}, {2, 9}, {3, -1}}) {
    section->alphaKind = uint8_t(kind);
    EXPECT_EQ(section->GetBuildList(), list) << kind;
  }
  section->alphaKind = built;
  // Without the kind asked for, the kinds stay.
  W().mappings[1].material[0] = 0;
  section->BuildMesh(false);
  EXPECT_EQ(section->drawFlags, PREGEN_DRAW_TEA);

  // Turned a quarter round, the own normals follow the heading.
  section->heading = float(M_PI / 2);
  section->BuildMesh(false);
  EXPECT_NEAR(Mesh().points[0].normal[0], 1.0f, 1e-6f);
  EXPECT_NEAR(Mesh().points[0].normal[1], 0.0f, 1e-6f);

  // A primary mapping past the table: no mesh, said; set-up's release and FreeBuilt drop it.
  section->meshList = 3;
  section->FreeBuilt(true);
  EXPECT_EQ(section->builtMesh, nullptr);
  EXPECT_EQ(section->meshList, 65535);
  CfgDebugLevel = 1;
  CaughtLines lines;
  section->primaryMapping = 40;
  section->BuildMesh(true);
  EXPECT_EQ(section->builtMesh, nullptr);
  EXPECT_EQ(lines.Count("past the table"), 1);
}

TEST_F(SectionMeshes, TextureCoordinatesAlongTheSectionInEveryOrientationAndPlanar) {
  // Over the ten points the distance along the heading runs from -1 m to 2 m and the height
  // from 0 to 2 m.  Vertex 2 (0, 2) lies at p = 1/3, q = 0; vertex 1 (1, 0) at p = 2/3, q = 1.
  MappingRecord& a = W().mappings[1];
  std::strcpy(a.textureName, "ROAD");
  a.uSpan = a.vSpan = 128;
  const float want[8][4] = {
      {1 / 3.f, 0, 2 / 3.f, 1}, {0, 2 / 3.f, 1, 1 / 3.f}, {2 / 3.f, 1, 1 / 3.f, 0}, {1, 1 / 3.f, 0, 2 / 3.f},
      {2 / 3.f, 0, 1 / 3.f, 1}, {0, 1 / 3.f, 1, 2 / 3.f}, {1 / 3.f, 1, 2 / 3.f, 0}, {1, 2 / 3.f, 0, 1 / 3.f},
  };
  for (int code = 0; code < 8; ++code) {
    SCOPED_TRACE(code);
    a.orientation = uint8_t(code);
    section->BuildMesh(true);
    const BuiltMesh& m = Mesh();
    EXPECT_NEAR(m.points[2].u, want[code][0], 1e-6f);
    EXPECT_NEAR(m.points[2].v, want[code][1], 1e-6f);
    EXPECT_NEAR(m.points[1].u, want[code][2], 1e-6f);
    EXPECT_NEAR(m.points[1].v, want[code][3], 1e-6f);
    // The backing mapping has no texture name of its own: its copy is not mapped.
    EXPECT_EQ(m.points[12].u, 0.0f);
    EXPECT_EQ(m.points[12].v, 0.0f);
  }
  // Spans and offsets of half a texture and a quarter: p = 1/3 x 1/2 + 1/4, q = 3/4 - 1/2.
  a.orientation = 0;
  a.uSpan = a.vSpan = 64;
  a.uOffset = a.vOffset = 32;
  section->BuildMesh(true);
  EXPECT_NEAR(Mesh().points[2].u, 1 / 6.f + 0.25f, 1e-6f);
  EXPECT_NEAR(Mesh().points[2].v, 0.25f, 1e-6f);
  // Planar by a heading of 0 about (10 m, 20 m), 4 m wide and 8 m high: (12, 20, 2) gives
  // (1, 0.5), (9, 25, 0) gives (0.25, -0.125); orientation bit 2 mirrors u.
  a.projection = 1;
  a.angle[0] = 0;
  a.origin[0] = 10 * M, a.origin[1] = 20 * M;
  a.width = 4, a.height = 8;
  section->BuildMesh(true);
  EXPECT_NEAR(Mesh().points[3].u, 1.0f, 1e-6f);
  EXPECT_NEAR(Mesh().points[3].v, 0.5f, 1e-6f);
  EXPECT_NEAR(Mesh().points[9].u, 0.25f, 1e-6f);
  EXPECT_NEAR(Mesh().points[9].v, -0.125f, 1e-6f);
  a.orientation = 4;
  section->BuildMesh(true);
  EXPECT_NEAR(Mesh().points[3].u, 0.0f, 1e-6f);
  EXPECT_NEAR(Mesh().points[9].u, 0.75f, 1e-6f);
}

// A flat join: own vertices 0 (-1, 0) and 1 (1, 0) of a section at (40 m, 20 m) and vertex 0 of
// a section at (40 m, 25 m), which lies at (39 m, 25 m, 0).  Every point stands at height 0, so
// there is no height range to spread the texture over: each takes the top row, q = 1, rather
// than a division by nothing; along the heading they run from -1 m to 1 m, p 0 to 1.
TEST_F(SectionMeshes, AJoinWithNoHeightRangeTakesTheTopRowOfTheTexture) {
  MappingRecord& a = W().mappings[1];
  std::strcpy(a.textureName, "ROAD");
  a.uSpan = a.vSpan = 128;
  TrackSection t = Profile(0, {-1, 1}, {0, 0});
  t.mapping = 1;
  TrackSectionTriangle join;
  join.corner[0] = 0, join.corner[1] = 1, join.corner[2] = 0;
  join.link[2] = W().objectCount + 1;  // the section added after this one
  t.triangles = {join};
  WSection* flat = AddSection(t, 40 * M, 20 * M);
  WSection* far = AddSection(Profile(0, {-1}, {0}), 40 * M, 25 * M);
  far->Setup();
  flat->Setup();
  flat->BuildMesh(true);
  ASSERT_NE(flat->builtMesh, nullptr);
  const BuiltMesh& m = *flat->builtMesh;
  ASSERT_EQ(m.pointCount, 3);
  for (int i = 0; i < m.pointCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(m.points[i].position[2], 0);
    EXPECT_EQ(m.points[i].v, 1.0f);
    EXPECT_EQ(m.points[i].u, m.points[i].position[0] == 41 * M ? 1.0f : 0.0f);
  }
}

// An upright join across the heading: own vertices 0 (0, 0) and 1 (0, 2) of a section at
// (40 m, 20 m) and vertex 0 of a section at (40 m, 25 m), which lies at (40 m, 25 m, 0).  Every
// point lies 0 m along the heading, so there is no range along it: each takes the texture's
// first column, p = 0, rather than a division by nothing; the heights run 0 to 2 m, q 1 to 0.
TEST_F(SectionMeshes, AJoinWithNoRangeAlongTheHeadingTakesTheFirstColumnOfTheTexture) {
  MappingRecord& a = W().mappings[1];
  std::strcpy(a.textureName, "ROAD");
  a.uSpan = a.vSpan = 128;
  TrackSection t = Profile(0, {0, 0}, {0, 2});
  t.mapping = 1;
  TrackSectionTriangle join;
  join.corner[0] = 0, join.corner[1] = 1, join.corner[2] = 0;
  join.link[2] = W().objectCount + 1;  // the section added after this one
  t.triangles = {join};
  WSection* upright = AddSection(t, 40 * M, 20 * M);
  WSection* far = AddSection(Profile(0, {0}, {0}), 40 * M, 25 * M);
  far->Setup();
  upright->Setup();
  upright->BuildMesh(true);
  ASSERT_NE(upright->builtMesh, nullptr);
  const BuiltMesh& m = *upright->builtMesh;
  ASSERT_EQ(m.pointCount, 3);
  for (int i = 0; i < m.pointCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(m.points[i].position[0], 40 * M);
    EXPECT_EQ(m.points[i].u, 0.0f);
    EXPECT_EQ(m.points[i].v, m.points[i].position[2] == 2 * M ? 0.0f : 1.0f);
  }
}

TEST_F(SectionMeshes, PointsAreRelitFromThePointOctreeAtTheirPlaceAndNormal) {
  // One sample at own vertex 1 (11 m, 20 m, 0) for the normal -y: brightness 200, alpha 9.
  TrackPointBlock b;
  b.centre[0] = 8 * M, b.centre[1] = 16 * M;
  b.size = b.verticalSize = 64 * M;
  const int at = b.AddPosition(11 * M, 20 * M, 0, 0);
  const int8_t normal[3] = {0, -127, 0};
  const uint8_t data[8] = {200, 9, 0, 0, 1, 2, 3, 4};
  const int directional = b.AddDirectional(0, true, normal, data);
  b.entries[size_t(at) * 16] = uint8_t(directional);
  b.entries[size_t(at) * 16 + 1] = uint8_t(directional >> 8);
  WrittenStream s([&](DataFile& f) { WritePointOctreeBlock(f, b); });
  ASSERT_EQ(ReadPointOctreeBlock(s.file), 1);
  section->BuildMesh(true);
  const BuiltMesh& m = Mesh();
  EXPECT_EQ(m.points[1].shade, 200);
  EXPECT_EQ(m.points[1].colour >> 24, 9u);
  uint32_t packed;
  std::memcpy(&packed, data + 4, sizeof packed);
  EXPECT_EQ(m.points[1].packedLight, packed);
  // The same place facing +y, and other places, have no sample.
  EXPECT_EQ(m.points[6].shade, 255);
  EXPECT_EQ(m.points[0].shade, 255);
  // Without a point octree nothing changes.
  FreePointOctree();
  section->BuildMesh(true);
  EXPECT_EQ(Mesh().points[1].shade, 255);
}

// The mesh is batched in pass 0 of its own build list as one entry of a render mesh: the
// primary part's 10 points and 4 triangles, then the alpha backing's.
TEST_F(SectionMeshes, TheMeshIsBatchedAsOneEntryInPassZeroOnly) {
  Material primary{}, backing{};
  backing.params.alphaMode = KIND_ALPHA;
  W().mappings[1].materialRecord = &primary;
  W().mappings[2].materialRecord = &backing;
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  section->BuildMesh(true);
  other->BuildMesh(true);
  ASSERT_EQ(other->builtMesh, nullptr) << "a section without triangles has no mesh";
  BuildAllWorldMeshes(W());
  ASSERT_EQ(WorldRenderMeshes.size(), 1u) << "passes 1 and 2 take no section";
  EXPECT_EQ(section->meshList, 0);
  EXPECT_EQ(section->meshListEntry, 0);
  EXPECT_EQ(other->meshList, 65535);
  FastMesh* mesh = GetWorldRenderMesh(0);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->groupCount, 1u);
  ASSERT_EQ(mesh->parts.size(), 2u);
  EXPECT_EQ(mesh->parts[0].material, &primary);
  EXPECT_EQ(mesh->parts[1].material, &backing);
  for (const Primitive& part : mesh->parts) {
    EXPECT_EQ(part.vertexCount, 10u);
    EXPECT_EQ(part.indexCount, 12u);
  }
  // Drawing marks the section's entry.
  section->AddToDrawListAtDistance(0);
  EXPECT_EQ(mesh->dirtyLow, 0u) << "entry 0 marked";
  // Added at run time: a section without a mesh builds one; added objects batch only the
  // placed objects' lists.
  section->FreeBuilt(true);
  W().addedCount = W().objectCount;
  W().RebuildAddedMeshes(0);
  EXPECT_NE(section->builtMesh, nullptr);
  EXPECT_EQ(section->meshList, 65535);
  W().addedCount = 0;
  W().addedMeshes.FreeAll();
  TrimWorldRenderMeshes(0);
  GraphicsEnabled = saved;
}

TEST_F(SectionMeshes, AnAllSolidSectionIsBatchedFromTheSolidList) {
  // Both mappings solid: the section's build list is 7, the first of the sections' lists.
  Material primary{};
  W().mappings[1].materialRecord = &primary;
  W().mappings[2].materialRecord = &primary;
  W().mappings[2].material[0] = 0;
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  section->BuildMesh(true);
  ASSERT_EQ(section->GetBuildList(), 7);
  BuildAllWorldMeshes(W());
  EXPECT_EQ(WorldRenderMeshes.size(), 1u);
  EXPECT_EQ(section->meshList, 0);
  EXPECT_EQ(section->meshListEntry, 0);
  W().addedMeshes.FreeAll();
  TrimWorldRenderMeshes(0);
  GraphicsEnabled = saved;
}

namespace {
// The section's entry 3 in a render mesh of 10 entries, lit by lights 0 and 2.
struct SectionListing : SectionMeshes {
  void SetUp() override {
    SectionMeshes::SetUp();
    handle = NewFastMesh();
    FastMesh& m = *GetFastMesh(handle);
    m.groupCount = 10;
    m.bitsetWords = (m.groupCount + 63) / 32;
    m.groupWords.assign(m.groupCount, 0);
    WorldRenderMeshes = {handle};
    WorldViewerPosition = {};
    if (SharedDrawTree.capacity == 0) {
      ownTree = true;
      ASSERT_TRUE(SharedDrawTree.Init(16, 0, 0, SHARED_DRAW_TREE_PAYLOAD));
    }
    Clear();
    section->meshList = 0;
    section->meshListEntry = 3;
    section->lightMask = 5;
  }
  void TearDown() override {
    SharedDrawTree.Clear();
    if (ownTree) SharedDrawTree.Free();
    WorldRenderMeshes.clear();
    FreeFastMesh(handle);
    SectionMeshes::TearDown();
  }
  void Clear() {
    FastMesh& m = *GetFastMesh(handle);
    m.dirtyBits.assign(m.bitsetWords, 0);
    m.secondBits.assign(m.bitsetWords, 0);
    m.dirtyLow = m.dirtySpare[0] = m.groupCount;
    m.dirtyHigh = m.dirtySpare[1] = 0;
    SharedDrawTree.Clear();
  }
  bool Marked() { return GetFastMesh(handle)->dirtyBits[0] >> 3 & 1; }
  int Sorted() {
    int n = 0;
    for (SortNode* node = SharedDrawTree.First(); node; node = SharedDrawTree.Next()) ++n;
    return n;
  }
  // Lists the section with the kinds given: whether its entry was marked and how many
  // entries the draw tree got.
  std::pair<bool, int> List(uint8_t drawFlags, uint8_t alphaKind, bool atDistance = false) {
    Clear();
    section->drawFlags = drawFlags;
    section->alphaKind = alphaKind;
    if (atDistance)
      section->AddToDrawListAtDistance(0);
    else
      section->AddToDrawList();
    return {Marked(), Sorted()};
  }
  FastMeshHandle handle;
  bool ownTree = false;
};
}  // namespace

TEST_F(SectionListing, TheKindsChooseBetweenTheMarkedEntryAndTheDrawTree) {
  using R = std::pair<bool, int>;
  EXPECT_EQ(List(PREGEN_DRAW_SOLID, 0), R(true, 0));
  EXPECT_EQ(List(0, 1), R(false, 1));
  EXPECT_EQ(List(PREGEN_DRAW_TEA, 0), R(true, 1));
  EXPECT_EQ(List(PREGEN_DRAW_SOLID, 2), R(true, 0));
  EXPECT_EQ(List(PREGEN_DRAW_TEA, 2), R(true, 1));
  EXPECT_EQ(List(0, 2), R(true, 0));
  EXPECT_EQ(List(0, 0), R(false, 0));
  EXPECT_EQ(List(0, 0, true), R(false, 0));
  EXPECT_EQ(List(0, 1, true), R(true, 0));
  EXPECT_EQ(List(PREGEN_DRAW_ATEST, 0, true), R(true, 0));
  // The marked entry keeps the light mask and its bit in the lit entries.
  List(PREGEN_DRAW_SOLID, 0);
  const FastMesh& m = *GetFastMesh(handle);
  EXPECT_EQ(m.groupWords[3], 5u);
  EXPECT_EQ(m.secondBits[0], 1u << 3);
  EXPECT_EQ(m.dirtyLow, 3u);
  EXPECT_EQ(m.dirtyHigh, 3u);
  // The draw tree's key is the distance beyond the radius, not below 0.
  WorldViewerPosition = {section->centre.x + 100 * M, section->centre.y, section->centre.z};
  List(0, 1);
  ASSERT_NE(SharedDrawTree.First(), nullptr);
  EXPECT_EQ(SharedDrawTree.First()->key, 100 * M - section->radius);
  // Without a mesh list nothing is listed; an entry past the mesh's count is not marked.
  section->meshList = 65535;
  EXPECT_EQ(List(PREGEN_DRAW_TEA, 1), R(false, 0));
  section->meshList = 0;
  section->meshListEntry = 12;
  EXPECT_EQ(List(PREGEN_DRAW_SOLID, 0), R(false, 0));
}

// ---- Segments ----

namespace {
// A straight road 40 m along +y over a roof: edges at x = -4, 0, 4 m with heights 0, 1, 0;
// part 0 from edge 0 to 1 (mapping 1), part 1 from edge 1 to 2 (mapping 0), both mappings
// with a colour.  Part 0's normal is (-1, 0, 4) / sqrt 17, part 1's (1, 0, 4) / sqrt 17, and
// both strips are sqrt 17 m wide.
struct SharedNormals : Roads {
  void SetUp() override {
    Roads::SetUp();
    W().mappings[0].flags |= SRF_HAS_COLOUR;
    AddSection(Profile(0, {-4, 0, 4}, {0, 1, 0}), 0, 0)->Setup();
    AddSection(Profile(0, {-4, 0, 4}, {0, 1, 0}), 0, 40 * M)->Setup();
    TrackSegment t = Road(0, 1, 3, 0);
    t.parts[0].mapping = 1;
    segment = AddSegment(t);
    segment->Setup();
    ASSERT_TRUE(segment->valid);
  }
  // The two normals at the middle edge (part 0's second, part 1's first) at t = 0.5.
  std::pair<IntVector, IntVector> Middle() {
    IntVector points[3], normals[4];
    segment->EvaluateRing(0.5, points, normals);
    outer = normals[0];
    return {normals[1], normals[2]};
  }
  WSegment* segment = nullptr;
  IntVector outer{};
};

void ExpectNormal(const IntVector& n, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  EXPECT_NEAR(n.x, x / length * M, 2);
  EXPECT_NEAR(n.y, y / length * M, 2);
  EXPECT_NEAR(n.z, z / length * M, 2);
}
}  // namespace

TEST_F(SharedNormals, TheMiddleEdgeSharesTheWeightedSumOfItsParts) {
  // Not shared: each part its own.
  auto [left, right] = Middle();
  ExpectNormal(left, -1, 0, 4);
  ExpectNormal(right, 1, 0, 4);
  // Shared, both mappings unweighted: the plain sum, straight up.
  segment->edges[1].flags |= EDGE_SHARED_NORMALS;
  std::tie(left, right) = Middle();
  ExpectNormal(left, 0, 0, 1);
  ExpectNormal(right, 0, 0, 1);
  ExpectNormal(outer, -1, 0, 4);  // edge 0 does not share
  // Weights 3 and 1 (1 counts as 1): 3 (-1, 0, 4) + (1, 0, 4) = (-2, 0, 16).
  W().mappings[1].normalWeight = 3;
  W().mappings[0].normalWeight = 1;
  std::tie(left, right) = Middle();
  ExpectNormal(left, -2, 0, 16);
  ExpectNormal(right, -2, 0, 16);
  // A weighted part pushes out an unweighted one, whichever comes first.
  W().mappings[0].normalWeight = 0;
  std::tie(left, right) = Middle();
  ExpectNormal(left, -1, 0, 4);
  ExpectNormal(right, -1, 0, 4);
  W().mappings[1].normalWeight = 0;
  W().mappings[0].normalWeight = 2;
  std::tie(left, right) = Middle();
  ExpectNormal(left, 1, 0, 4);
  ExpectNormal(right, 1, 0, 4);
  // Each part weighs by its strip's width: with edge 0 raised to 1 m, part 0 is flat and 4 m
  // wide, part 1 slopes down over sqrt 17 m: 4 (0, 0, 1) + sqrt 17 (1, 0, 4) / sqrt 17.
  W().mappings[0].normalWeight = 0;
  WSection& start = *static_cast<WSection*>(W().objects[0]);
  WSection& end = *static_cast<WSection*>(W().objects[1]);
  start.vertices[0].height = M;
  end.vertices[0].height = M;
  segment->Setup();
  segment->edges[1].flags |= EDGE_SHARED_NORMALS;
  std::tie(left, right) = Middle();
  ExpectNormal(left, 1, 0, 8);
  ExpectNormal(right, 1, 0, 8);
}

namespace {
// The world's model services stand in for the modeller: the entry of object index 5 with a
// box of 42 cm and a model whose see-through flag the test sets.
char FakeEntry[8];
int FakeModel;
int FakeSeeThrough = 0;
struct ModelServices {
  ModelServices() {
    saved = WorldModels;
    WorldModels = {};
    WorldModels.EntryAt = [](int index) {
      return index == 5 ? reinterpret_cast<const PreGenModel*>(FakeEntry) : nullptr;
    };
    WorldModels.EntryBoxSize = [](const PreGenModel&) { return 42; };
    WorldModels.ModelOf = [](const PreGenModel&) -> void* { return &FakeModel; };
    WorldModels.ModelIsSeeThrough = [](void*) { return FakeSeeThrough; };
  }
  ~ModelServices() { WorldModels = saved; }
  WorldModelServices saved;
};
}  // namespace

TEST_F(SharedNormals, ARepeatedModelGivesTheSizeByteAndTheBuildKindFromItsMaterials) {
  ModelServices services;
  segment->objectIndex = 5;
  segment->Setup();
  EXPECT_EQ(segment->sizeByte, 42);
  segment->objectIndex = 6;  // no entry
  segment->Setup();
  EXPECT_EQ(segment->sizeByte, 0);
  segment->objectIndex = -1;
  segment->Setup();
  EXPECT_EQ(segment->sizeByte, 0);

  // Level 0 holds a solid and an alpha material: solid drawn, alpha sorted unless the model
  // is see-through; the parts' mapping kinds no longer count.
  segment->objectIndex = 5;
  Material solid{}, alpha{};
  alpha.params.alphaMode = 2;
  auto* built = new BuiltMesh;
  built->partCount = 2;
  built->parts = new BuiltPart[2]{{0, &solid, 3, 1}, {0, &alpha, 3, 1}};
  DeleteBuiltMesh(segment->levels[0].built);
  segment->levels[0].built = built;
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  segment->SetBuildKind();
  EXPECT_EQ(segment->drawFlags, PREGEN_DRAW_SOLID);
  EXPECT_EQ(segment->alphaKind, 2) << "no alpha part lacks a solid one over its edges";
  W().mappings[1].material[0] = 2;  // part 0 alpha, nothing solid over its edges
  segment->SetBuildKind();
  EXPECT_EQ(segment->alphaKind, 1);
  W().mappings[1].material[0] = 0;
  FakeSeeThrough = 1;
  segment->SetBuildKind();
  EXPECT_EQ(segment->alphaKind, 1) << "a see-through model stays sorted by distance";
  FakeSeeThrough = 0;
  segment->segmentFlags |= SEGMENT_NO_ALPHA_SORT;
  segment->SetBuildKind();
  EXPECT_EQ(segment->alphaKind, 2);
  // Without the model the parts' kinds say it.
  segment->objectIndex = -1;
  segment->SetBuildKind();
  EXPECT_EQ(segment->drawFlags, PREGEN_DRAW_SOLID);
  EXPECT_EQ(segment->alphaKind, 0);
  GraphicsEnabled = saved;
}
