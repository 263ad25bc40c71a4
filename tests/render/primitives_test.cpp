// primitives_test.cpp - fast meshes (parts, groups, empty-group bits, dirty range, the
// registry's handles), the pass rules, the temporary-mesh store and the pose transforms, on
// the null device (which keeps the bytes written into its buffers).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/shaders.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"

namespace {

VertexLit At(float x, float y, float z) { return VertexLit{x, y, z, {0, 0, 127, 127}, 0xFF808080u, 0, 0, 0}; }

void AddTriangle(Primitive& part, float x) {
  uint16_t base = uint16_t(part.buildVertices.size());
  part.buildVertices.push_back(At(x, 0, 0));
  part.buildVertices.push_back(At(x + 1, 0, 0));
  part.buildVertices.push_back(At(x, 1, 0));
  const uint16_t list[3] = {base, uint16_t(base + 1), uint16_t(base + 2)};
  part.buildIndices.insert(part.buildIndices.end(), list, list + 3);
}

class FastMeshes : public NullRenderer {
 protected:
  ReportRecorder reports_;  // what the code under test reported
  void SetUp() override {
    NullRenderer::SetUp();
    CurrentWorldPass = 0;
  }
  void TearDown() override {
    FreeAllFastMeshes();
    FreeAllMaterials();
    CurrentWorldPass = 0;
    RenderStates.pendingBlend = RenderStates.pendingDepth = 0;
  }
};

// A translation matrix written over one that held other figures: the identity rotation and
// the move in the last column (column-major: 12, 13, 14), every other figure 0.
TEST(FastMeshMatrices, ATranslationOverwritesEveryFigureOfTheMatrix) {
  float m[16];
  for (float& v : m) v = 7.5f;
  SetTranslationMatrix(m, 1.0f, -2.0f, 3.0f);
  const float want[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, -2, 3, 1};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], want[i]) << i;
}

TEST_F(FastMeshes, PartsGroupsEmptyGroupBitsAndTheDirtyRange) {
  uint32_t vertexBuffersBefore = VertexBuffers.count;
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  EXPECT_EQ(mesh.worldMatrix[0], 1.0f);
  EXPECT_EQ(mesh.worldMatrix[15], 1.0f);
  EXPECT_EQ(mesh.worldMatrix[12], 0.0f);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 2, 3), 1);
  Primitive& first = mesh.parts[0];
  Primitive& second = mesh.parts[1];
  first.material = KeyMaterial(1);
  second.material = KeyMaterial(2);
  // Group 0: a quad in the first part and a triangle in the second; group 1: the second
  // part only; group 2: the first part only.
  AddPrimitiveGroup(mesh);
  for (int i = 0; i < 4; ++i) first.buildVertices.push_back(At(float(i), 2.0f, -1.0f));
  AddPartQuad(first, 0, 1, 2, 3);
  AddTriangle(second, 0);
  AddPrimitiveGroup(mesh);
  AddTriangle(second, 5);
  AddPrimitiveGroup(mesh);
  AddTriangle(first, 9);
  BuildPrimitive(mesh, 1);

  EXPECT_EQ(mesh.groupCount, 3u);
  EXPECT_EQ(mesh.bitsetWords, 2u) << "(groups + 63) / 32";
  EXPECT_EQ(mesh.totalVertices, 13u);
  EXPECT_EQ(mesh.totalTriangles, 5u);
  EXPECT_EQ(first.emptyGroups[0], 2u) << "the first part has nothing in group 1";
  EXPECT_EQ(second.emptyGroups[0], 4u) << "the second part has nothing in group 2";
  EXPECT_EQ(first.groups[2].firstIndex, 6u);
  EXPECT_EQ(first.groups[2].endIndex, 9u);
  EXPECT_EQ(first.groups[2].firstVertex, 4u);
  EXPECT_TRUE(first.buildVertices.empty() && first.buildIndices.empty() && first.buildMarks.empty())
      << "the build data is freed";
  ASSERT_TRUE(first.indexBuffer && first.vertexBuffer);
  std::vector<uint8_t> indices = ReadBuffer(first.indexBuffer->buffer);
  const uint16_t want[9] = {0, 1, 2, 2, 3, 0, 4, 5, 6};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(indices[size_t(2 * i)] | indices[size_t(2 * i + 1)] << 8, want[i]) << i;
  EXPECT_EQ(VertexAt<VertexLit>(ReadBuffer(first.vertexBuffer->buffer), 5).x, 10.0f);
  ASSERT_EQ(mesh.hasBounds, 1);
  EXPECT_EQ(mesh.corners[0][0], 0.0f);
  EXPECT_EQ(mesh.corners[7][0], 10.0f);
  EXPECT_EQ(mesh.corners[0][1], 0.0f);
  EXPECT_EQ(mesh.corners[7][1], 2.0f);
  EXPECT_EQ(mesh.corners[7][2], 0.0f);
  EXPECT_EQ(mesh.corners[3][2], -1.0f);

  uint32_t draws = Gfx.drawCalls;
  EXPECT_EQ(first.DrawOnePart(1, 3), 2u) << "an empty group reports its bit";
  EXPECT_EQ(Gfx.drawCalls, draws) << "and draws nothing";
  EXPECT_EQ(first.DrawOnePart(0, 3), 0u);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(first.DrawOnePart(7, 3), 128u) << "a group beyond the count counts as empty";

  EXPECT_EQ(mesh.dirtyLow, 3u);
  EXPECT_EQ(mesh.dirtyHigh, 0u);
  SetDirtyBit(mesh, 2);
  SetDirtyBit(mesh, 1);
  SetDirtyBit(mesh, 3);
  EXPECT_EQ(mesh.dirtyLow, 1u);
  EXPECT_EQ(mesh.dirtyHigh, 2u);
  EXPECT_EQ(mesh.dirtyBits[0], 6u) << "a group beyond the count is ignored";

  FreeFastMesh(handle);
  EXPECT_FALSE(handle);
  EXPECT_EQ(VertexBuffers.count, vertexBuffersBefore) << "the parts' buffers are released";
}

TEST_F(FastMeshes, HandlesTurnStaleWhenTheirMeshIsFreedAndTheRegistryDoubles) {
  FastMeshHandle a = NewFastMesh();
  EXPECT_GE(FastMeshCapacity(), FAST_MESH_FIRST_CAPACITY);
  FastMeshHandle copy = a;
  FreeFastMesh(a);
  EXPECT_EQ(GetFastMesh(copy), nullptr) << "a copy of a freed handle finds nothing";
  FastMeshHandle b = NewFastMesh();
  EXPECT_EQ(b.slot, copy.slot) << "the slot is used again";
  EXPECT_EQ(GetFastMesh(copy), nullptr) << "but the old handle stays stale";
  FreeFastMesh(copy);
  EXPECT_NE(GetFastMesh(b), nullptr) << "freeing through a stale handle frees nothing";

  std::vector<FastMeshHandle> many;
  while (uint32_t(FastMeshCount()) < FastMeshCapacity()) many.push_back(NewFastMesh());
  uint32_t full = FastMeshCapacity();
  many.push_back(NewFastMesh());
  EXPECT_EQ(FastMeshCapacity(), 2 * full) << "a full registry doubles";

  FreeAllFastMeshes();
  EXPECT_EQ(FastMeshCount(), 0);
  EXPECT_EQ(GetFastMesh(b), nullptr);
  for (FastMeshHandle h : many) EXPECT_EQ(GetFastMesh(h), nullptr);
}

TEST_F(FastMeshes, AReleasedMaterialLeavesItsPartsToTheDefaultMaterial) {
  Material* m = KeyMaterial(5);
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 1, 1), 1);
  mesh.parts[0].material = m;
  AddTriangle(mesh.parts[0], 0);
  BuildPrimitive(mesh, 0);
  EXPECT_EQ(mesh.groupCount, 1u) << "geometry without a group mark is one group";
  ReleaseMaterial(m);
  EXPECT_EQ(mesh.parts[0].material, nullptr);
  uint32_t draws = Gfx.drawCalls;
  EXPECT_EQ(mesh.parts[0].DrawOnePart(0, 3), 0u);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Shaders.boundVertexNumber, 11) << "the default material is prelit";
  EXPECT_EQ(ReservePrimitiveParts(mesh, 65, 1), 0) << "more parts than a mesh has materials";
  EXPECT_TRUE(MessageShown("ReservePrimitiveParts"));
}

// A mesh takes up to 64 parts and expects up to 2^28 groups; one more of either is refused.
TEST_F(FastMeshes, PartsAndGroupsUpToTheirLimits) {
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  EXPECT_EQ(ReservePrimitiveParts(mesh, 64, 1), 1);
  EXPECT_EQ(mesh.parts.size(), 64u);
  EXPECT_EQ(ReservePrimitiveParts(mesh, 0, 0x10000000u), 1);
  EXPECT_EQ(ReservePrimitiveParts(mesh, 0, 0x10000001u), 0);
  EXPECT_TRUE(MessageShown("ReservePrimitiveParts : 0 parts and 268435457 groups (at most 64 and 268435456)"));
  Primitive part{};
  EXPECT_EQ(part.ReservePart(0x2AAAAAABu, 0), 0) << "3 x 0x2AAAAAAB indices pass 0x7FFFFFFF";
  EXPECT_EQ(part.ReservePart(0, 0x8000000u), 0) << "more than 0x7FFFFFF vertices";
  EXPECT_EQ(part.ReservePart(2, 3), 1);
  FreeFastMesh(handle);
}

// The pass rules: what each world pass does with each alpha mode in its first and second
// pass, and how the second pass is set up and put back.
TEST_F(FastMeshes, PassRules) {
  struct Row {
    int pass, alpha;
    int draws, needs, second;  // needs: the second-pass answer after asking with value 7
  };
  const Row rows[] = {
      {0, 0, 1, 0, 0}, {0, 1, 1, 0, 0}, {0, 2, 0, 1, 1}, {0, 3, 1, 1, 1},
      {1, 0, 1, 0, 0}, {1, 1, 0, 1, 1}, {1, 2, 0, 7, 1}, {1, 3, 0, 1, 1},
      {2, 0, 1, 0, 0}, {2, 1, 0, 1, 1}, {2, 2, 0, 7, 1}, {2, 3, 0, 1, 1},
      {3, 0, 1, 0, 0}, {3, 1, 1, 0, 0}, {3, 2, 0, 1, 1}, {3, 3, 0, 1, 1},
      {4, 0, 0, 0, 0}, {4, 2, 0, 0, 0},
  };
  for (const Row& r : rows) {
    CurrentWorldPass = r.pass;
    Material* m = KeyMaterial(10 + r.alpha, r.alpha);
    int needs = 0;
    EXPECT_EQ(PartNeedsPass(m, &needs, 7), r.draws) << "pass " << r.pass << " alpha " << r.alpha;
    EXPECT_EQ(needs, r.needs) << "pass " << r.pass << " alpha " << r.alpha;
    EXPECT_EQ(PartInSecondPass(m), r.second) << "pass " << r.pass << " alpha " << r.alpha;
  }

  struct Setup {
    int pass;
    int blend, depth, passDuring, pixelDuring;  // after BeginSecondPass (pixel -1: unchanged)
    int blendAfter, depthAfter, passAfter, pixelAfter;
  };
  const Setup setups[] = {
      {0, 3, 2, 0, -1, 0, 0, 0, -1},
      {1, 5, 2, 2, 21, 0, 0, 1, 20},
      {2, 5, 2, 2, 21, 0, 0, 1, 20},
      {3, 4, 9, 3, -1, 1, 9, 3, -1},
  };
  for (const Setup& s : setups) {
    CurrentWorldPass = s.pass;
    RenderStates.pendingDepth = 9;
    Material::SetPShader(23);
    BeginSecondPass();
    EXPECT_EQ(RenderStates.pendingBlend, s.blend) << "pass " << s.pass;
    EXPECT_EQ(RenderStates.pendingDepth, s.depth) << "pass " << s.pass;
    EXPECT_EQ(CurrentWorldPass, s.passDuring);
    EXPECT_EQ(Shaders.boundPixelNumber, s.pixelDuring < 0 ? 23 : s.pixelDuring);
    EndSecondPass();
    EXPECT_EQ(RenderStates.pendingBlend, s.blendAfter) << "pass " << s.pass;
    EXPECT_EQ(RenderStates.pendingDepth, s.depthAfter) << "pass " << s.pass;
    EXPECT_EQ(CurrentWorldPass, s.passAfter);
    EXPECT_EQ(Shaders.boundPixelNumber, s.pixelAfter < 0 ? 23 : s.pixelAfter);
  }
  EXPECT_EQ(PassBits.lowestBit[0x0C], 2);
  EXPECT_EQ(PassBits.afterFirstRun[0x0C], 4);
  EXPECT_EQ(PassBits.trailingOnes[0x07], 3);
  EXPECT_EQ(PassBits.lowestBit[0], 0);
}

// A fast mesh of a solid, a blended and an edge-tested part, the edge part drawn only in the
// normal pass.
TEST_F(FastMeshes, PassesDrawThePartsTheirMasksAndAlphaModesChoose) {
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 3, 1), 1);
  const int alpha[3] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) {
    mesh.parts[size_t(i)].material = KeyMaterial(20 + i, alpha[i]);
    AddTriangle(mesh.parts[size_t(i)], float(i));
  }
  mesh.parts[2].passBit = 1;
  BuildPrimitive(mesh, 0);

  uint32_t draws = Gfx.drawCalls;
  EXPECT_EQ(DrawFirstPassParts(mesh, 0, nullptr), 1) << "blended and edge parts wait for the second pass";
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "the solid part and the edge part";
  DrawSecondPassParts(mesh, 0, nullptr);
  EXPECT_EQ(Gfx.drawCalls, draws + 4) << "the blended part and the edge part";
  EXPECT_EQ(Shaders.boundPixelNumber, 40) << "draw mode 6 in the normal pass";
  EXPECT_EQ(RenderStates.pendingBlend, 0) << "put back";

  Material* solid = KeyMaterial(30);
  draws = Gfx.drawCalls;
  EXPECT_EQ(DrawFirstPassParts(mesh, 0, solid), 0) << "under a solid override nothing waits";
  EXPECT_EQ(Gfx.drawCalls, draws + 3);

  draws = Gfx.drawCalls;
  DrawPrimitiveForPass(mesh, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 3) << "the normal pass draws both pass bits";
  CurrentWorldPass = 1;
  DrawPrimitiveForPass(mesh, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 5) << "pass 1 leaves out the normal-pass-only part";
  CurrentWorldPass = 2;
  DrawPrimitiveForPass(mesh, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 5) << "pass 2 has no parts of its own";

  CurrentWorldPass = 0;
  draws = Gfx.drawCalls;
  DrawSunMesh(mesh);
  EXPECT_EQ(Gfx.drawCalls, draws + 3);
  EXPECT_EQ(Shaders.boundVertexNumber, 9);
  EXPECT_EQ(Shaders.boundPixelNumber, 29);
}

// Each pass draws with its own draw mode: the normal pass with mode 7, which gives a mirror
// material (second byte 1) the mirror's shaders (26 and 60); pass 1 with mode 1, which only
// sets the vertex layout; pass 3 with mode 4, the shadow shaders (pixel 30 above vertex).
TEST_F(FastMeshes, EachPassDrawsWithTheDrawModeOfItsOwn) {
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(mesh, 1, 1), 1);
  Material* mirror = CreateMaterial(nullptr, 0, 1, 1, AlphaParams(0), 0);
  mesh.parts[0].material = mirror;
  AddTriangle(mesh.parts[0], 0);
  BuildPrimitive(mesh, 0);
  DrawPrimitiveForPass(mesh, 0);
  EXPECT_EQ(Shaders.boundVertexNumber, 26);
  EXPECT_EQ(Shaders.boundPixelNumber, 60);
  CurrentWorldPass = 1;
  Material::SetVShader(5);
  Material::SetPShader(23);
  Material::EnableVertexDeclaration(3);
  const uint32_t draws = Gfx.drawCalls;
  DrawPrimitiveForPass(mesh, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Shaders.boundVertexNumber, 5) << "mode 1 sets no shaders";
  EXPECT_EQ(Shaders.boundPixelNumber, 23);
  EXPECT_EQ(Shaders.boundLayout, mirror->layout);
  CurrentWorldPass = 3;
  DrawPrimitiveForPass(mesh, 0);
  EXPECT_GE(Shaders.boundVertexNumber, 22);
  EXPECT_EQ(Shaders.boundPixelNumber, Shaders.boundVertexNumber + 30);
  CurrentWorldPass = 0;
}

using TempMeshStoreTest = FastMeshes;

TEST_F(TempMeshStoreTest, BatchesFollowEachOtherAndMoveToANewBufferWhenTheyDoNotFit) {
  ClearTempMeshStore();
  Material* m = KeyMaterial(40);
  int e0 = AddDrawBatch(m, 3, 1);
  ASSERT_EQ(e0, 0);
  CircularVBuffer* w = TempMeshWriter();
  ASSERT_NE(w, nullptr);
  const VertexLit v[3] = {At(1, 2, 3), At(4, 5, 6), At(7, 8, 9)};
  std::memcpy(w->vertexWrite, v, sizeof v);
  const uint16_t tri[3] = {2, 1, 0};
  std::memcpy(w->indexWrite, tri, sizeof tri);
  CloseDrawBatch(3, 1);
  EXPECT_EQ(TempMeshWriter(), nullptr);

  ASSERT_EQ(AddDrawBatch(m, 40000, 10), 1);
  TempMeshWriter()->vertexWrite[0] = 0x5A;  // its first vertex's first byte
  CloseDrawBatch(40000, 10);
  ASSERT_EQ(AddDrawBatch(nullptr, 30000, 10), 2);
  CloseDrawBatch(30000, 10);
  ASSERT_EQ(AddDrawBatch(nullptr, 35534, 65526), 3);
  CloseDrawBatch(35534, 65526);
  ASSERT_EQ(AddDrawBatch(nullptr, 1, 1), 4);
  CloseDrawBatch(1, 1);
  const TempMeshEntry* e = TempMeshes.entries.get();
  EXPECT_EQ(e[1].buffer, 0u);
  EXPECT_EQ(e[1].firstVertex, 3u);
  EXPECT_EQ(e[1].firstTriangle, 1u);
  EXPECT_EQ(e[2].buffer, 1u) << "40003 + 30000 vertices pass 65534";
  EXPECT_EQ(e[2].firstVertex, 0u);
  EXPECT_EQ(e[3].buffer, 1u) << "65534 vertices and 65536 triangles fill a buffer exactly";
  EXPECT_EQ(e[3].firstVertex, 30000u);
  EXPECT_EQ(e[3].firstTriangle, 10u);
  EXPECT_EQ(e[4].buffer, 2u);
  EXPECT_EQ(TempMeshes.buffers.size(), 3u);

  std::vector<uint8_t> bytes = ReadBuffer(TempMeshes.buffers[0]->vertexBuffer->buffer);
  EXPECT_EQ(VertexAt<VertexLit>(bytes, 2).z, 9.0f);
  EXPECT_EQ(bytes[3 * sizeof(VertexLit)], 0x5A) << "the second batch continues after the first";
  std::vector<uint8_t> indices = ReadBuffer(TempMeshes.buffers[0]->indexBuffer->buffer);
  EXPECT_EQ(indices[0], 2);
  EXPECT_EQ(indices[4], 0);

  EXPECT_EQ(AddDrawBatch(m, TEMP_MESH_VERTICES + 1, 1), -1) << "larger than an empty buffer";
  EXPECT_EQ(AddDrawBatch(m, 3, TEMP_MESH_TRIANGLES + 1), -1);
  EXPECT_TRUE(MessageShown("65535 vertices and 1 triangles do not fit"));
  EXPECT_EQ(TempMeshes.count, 5u) << "a refusal adds no entry";

  uint32_t draws = Gfx.drawCalls;
  TempMesh::DrawBuffer(4, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(Shaders.boundVertexNumber, 11) << "no material: the default one";
  TempMesh::DrawBuffer(0, 1);
  EXPECT_EQ(Shaders.boundPixelNumber, 40) << "a material mode draws with mode 6";
  EXPECT_FALSE(MessageShown("TempMesh index out of bounds"));
  TempMesh::DrawBuffer(5, 0);
  EXPECT_TRUE(MessageShown("TempMesh index out of bounds"));
  EXPECT_EQ(Gfx.drawCalls, draws + 2);

  ResetTempMeshes();
  EXPECT_EQ(TempMeshes.count, 0u);
  ASSERT_EQ(AddDrawBatch(m, 3, 1), 0);
  CloseDrawBatch(3, 1);
  EXPECT_EQ(TempMeshes.entries[0].buffer, 0u);
  EXPECT_EQ(TempMeshes.entries[0].firstVertex, 0u) << "a new frame starts each buffer again";
  EXPECT_EQ(TempMeshes.buffers.size(), 3u) << "and keeps them";
  ClearTempMeshStore();
  EXPECT_TRUE(TempMeshes.buffers.empty());
}

TEST_F(TempMeshStoreTest, EntriesGrowBy32AndPassesDrawTheirShare) {
  ClearTempMeshStore();
  Material* solid = KeyMaterial(50, 0), *blended = KeyMaterial(51, 2);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(AddDrawBatch(i % 2 ? blended : solid, 3, 1), i);
    CloseDrawBatch(3, 1);
  }
  EXPECT_EQ(TempMeshes.capacity, 64u);
  AddDrawBatch(solid, 3, 1);
  CloseDrawBatch(3, 1);
  EXPECT_EQ(TempMeshes.capacity, 96u);
  EXPECT_EQ(TempMeshes.entries[1].material, blended) << "the entries are kept";

  uint32_t draws = Gfx.drawCalls;
  EXPECT_EQ(DrawVisibleTempMeshes(0, 4), 1);
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "the solid ones";
  DrawTempMeshesSecondPass(0, 4);
  EXPECT_EQ(Gfx.drawCalls, draws + 4) << "the blended ones";
  DrawTempMeshRange(0, 4);
  EXPECT_EQ(Gfx.drawCalls, draws + 8);
  ReleaseMaterial(blended);
  EXPECT_EQ(TempMeshes.entries[1].material, nullptr) << "a released material leaves the entries";
  ClearTempMeshStore();
}

TEST(PoseTransforms, RecordsWritePositionsAndMatricesFromTheirAngles) {
  InitSinCosTables();
  FixedMatrix matrices[2];
  IntVector positions[2];
  FixedMatrix* matrixOut[2] = {&matrices[0], &matrices[1]};
  IntVector* positionOut[2] = {&positions[0], &positions[1]};
  const int32_t values[12] = {65536, -2, 3, 0, 0, 0, 7, 8, 9, 16384, 0, 0};
  PoseTransforms record;
  CopyPoseTransforms(record, 12, values, matrixOut, positionOut);
  EXPECT_EQ(record.count, 12);
  ApplyPoseTransforms(record);
  EXPECT_EQ(positions[0].x, 65536);
  EXPECT_EQ(positions[0].y, -2);
  EXPECT_EQ(positions[1].z, 9);
  EXPECT_EQ(matrices[0].m[0], 65536);
  FixedMatrix quarter;
  MatrixFromAngles(quarter, 16384, 0, 0);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(matrices[1].m[i], quarter.m[i]);
}

}  // namespace
