// primitives.cpp - fast meshes: their parts and groups, the registry that owns them, their
// drawing by pass, the pass rules, and the pose transforms.
#include "render/primitives.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/shaders.h"

namespace {

constexpr uint32_t MAX_PART_INDICES = 0x7fffffffu;
constexpr uint32_t MAX_PART_VERTICES = 0x7ffffffu;
constexpr uint32_t MAX_FAST_MESH_PARTS = 64;  // one per material, as the meshes' parts allow
constexpr uint32_t MAX_GROUPS_EXPECTED = 0x10000000u;

void Report(const char* text) { ReportLine(text, REPORT_ERROR, REPORT_TARGET_DEBUG); }

struct Slot {
  FastMesh* mesh;
  uint32_t generation;  // raised each time the slot's mesh is freed
};
std::vector<Slot> g_slots;
std::vector<uint32_t> g_freeSlots;
int g_liveMeshes;

void FreeSlot(uint32_t index) {
  Slot& s = g_slots[index];
  for (Primitive& part : s.mesh->parts) part.Release();
  delete s.mesh;
  s.mesh = nullptr;
  ++s.generation;
  g_freeSlots.push_back(index);
  --g_liveMeshes;
}

const Material* MaterialOrDefault(const Material* m) { return m ? m : GetDefaultMaterial(); }

// One group of a part with a given material: the buffers, the material's shaders and states,
// and the group's indices.  The rasterizer state chosen for the part does not outlive it.
void DrawGroupWith(const Primitive& part, const PrimitiveGroup& g, const Material* material, int drawMode) {
  if (!part.vertexBuffer || !part.indexBuffer) return;
  int raster = RenderStates.pendingRaster;
  SetActiveVertexBuffer(part.vertexBuffer);
  SetActiveIndexBuffer(part.indexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_TRIANGLELIST);
  ApplyMaterial(MaterialOrDefault(material), drawMode);
  SetVSBufferActive(VS_ROW_VIEW_LIGHTS);  // the world shaders' sun shares its slot with the local lights
  FlushStates();
  ++Gfx.drawCalls;
  if (DrawsAllowed()) GfxDrawIndexed(Gfx.context, g.endIndex - g.firstIndex, g.firstIndex, 0);
  RenderStates.pendingRaster = raster;
}

uint32_t GroupBit(uint32_t group) { return 1u << (group & 31); }

bool GroupEmpty(const Primitive& part, uint32_t group) {
  return group >= part.groupCount || (part.emptyGroups[group / 32] & GroupBit(group)) != 0;
}

// Draws a group of a part with its own material or the override; the group's bit when empty.
uint32_t DrawPart(Primitive& part, uint32_t group, const Material* material, int drawMode) {
  if (GroupEmpty(part, group)) return GroupBit(group);
  DrawGroupWith(part, part.groups[group], material, drawMode);
  return 0;
}

constexpr PassBitTables MakePassBitTables() {
  PassBitTables t{};
  for (int v = 0; v < 256; ++v) {
    int low = 0;
    while (low < 8 && !(v >> low & 1)) ++low;
    int after = low;
    while (after < 8 && (v >> after & 1)) ++after;
    int trailing = 0;
    while (trailing < 8 && (v >> trailing & 1)) ++trailing;
    t.lowestBit[v] = uint8_t(low == 8 ? 0 : low);
    t.afterFirstRun[v] = uint8_t(low == 8 ? 0 : after);
    t.trailingOnes[v] = uint8_t(trailing);
  }
  return t;
}

}  // namespace

const PassBitTables PassBits = MakePassBitTables();

// ---- [Primitives] ----

int Primitive::ReservePart(uint32_t triangles, uint32_t vertices) {
  uint64_t indices = uint64_t(buildIndices.size()) + 3ull * triangles;
  uint64_t allVertices = uint64_t(buildVertices.size()) + vertices;
  if (indices > MAX_PART_INDICES || allVertices > MAX_PART_VERTICES) {
    Report("Primitive::ReservePart : too many vertices or indices");
    return 0;
  }
  buildIndices.reserve(size_t(indices));
  buildVertices.reserve(size_t(allVertices));
  return 1;
}

void Primitive::EndBuild() {
  // Default buffers made holding the build data (a failure leaves the part without them).
  indexCount = uint32_t(buildIndices.size());
  if (indexCount) CreateIndexBuffer(0, GFX_USAGE_DEFAULT, indexCount, &indexBuffer, buildIndices.data());
  vertexCount = uint32_t(buildVertices.size());
  int format = material ? material->layout : 1;
  if (vertexCount) CreateVertexBuffer(format, GFX_USAGE_DEFAULT, vertexCount, &vertexBuffer, buildVertices.data());
  // Group g runs from its mark to the next group's (the last to the end).
  groups.assign(groupCount, PrimitiveGroup{});
  emptyGroups.assign(bitsetWords, 0);
  for (uint32_t g = 0; g < groupCount; ++g) {
    PrimitiveGroup& r = groups[g];
    bool marked = 2 * g + 1 < buildMarks.size(), nextMarked = 2 * g + 3 < buildMarks.size() && g + 1 < groupCount;
    r.firstVertex = marked ? buildMarks[2 * g] : 0;
    r.firstIndex = marked ? buildMarks[2 * g + 1] : 0;
    r.endVertex = nextMarked ? buildMarks[2 * g + 2] : vertexCount;
    r.endIndex = nextMarked ? buildMarks[2 * g + 3] : indexCount;
    if (r.firstIndex >= r.endIndex) emptyGroups[g / 32] |= GroupBit(g);
  }
  std::vector<VertexLit>().swap(buildVertices);
  std::vector<uint16_t>().swap(buildIndices);
  std::vector<uint32_t>().swap(buildMarks);
}

uint32_t Primitive::DrawOnePart(uint32_t group, int drawMode) { return DrawPart(*this, group, material, drawMode); }

void Primitive::Release() {
  ReleaseVertexBuffer(vertexBuffer);
  ReleaseIndexBuffer(indexBuffer);
  vertexBuffer = nullptr;
  indexBuffer = nullptr;
  vertexCount = indexCount = 0;
  groups.clear();
  emptyGroups.clear();
  std::vector<VertexLit>().swap(buildVertices);
  std::vector<uint16_t>().swap(buildIndices);
  std::vector<uint32_t>().swap(buildMarks);
}

void AddPartQuad(Primitive& part, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  const uint16_t list[6] = {a, b, c, c, d, a};
  part.buildIndices.insert(part.buildIndices.end(), list, list + 6);
}

// ---- [Registry] ----

FastMeshHandle NewFastMesh() {
  if (g_slots.capacity() == 0) g_slots.reserve(FAST_MESH_FIRST_CAPACITY);
  uint32_t index;
  if (!g_freeSlots.empty()) {
    index = g_freeSlots.back();
    g_freeSlots.pop_back();
  } else {
    if (g_slots.size() == g_slots.capacity()) g_slots.reserve(2 * g_slots.capacity());
    index = uint32_t(g_slots.size());
    g_slots.push_back(Slot{nullptr, 1});
  }
  FastMesh* mesh = new FastMesh{};
  SetTranslationMatrix(mesh->worldMatrix, 0, 0, 0);
  g_slots[index].mesh = mesh;
  ++g_liveMeshes;
  return FastMeshHandle{index + 1, g_slots[index].generation};
}

FastMesh* GetFastMesh(FastMeshHandle handle) {
  if (handle.slot == 0 || handle.slot > g_slots.size()) return nullptr;
  const Slot& s = g_slots[handle.slot - 1];
  return s.generation == handle.generation ? s.mesh : nullptr;
}

void FreeFastMesh(FastMeshHandle& handle) {
  if (GetFastMesh(handle)) FreeSlot(handle.slot - 1);
  handle = FastMeshHandle{};
}

void FreeAllFastMeshes() {
  for (uint32_t i = 0; i < g_slots.size(); ++i)
    if (g_slots[i].mesh) FreeSlot(i);
}

int FastMeshCount() { return g_liveMeshes; }
uint32_t FastMeshCapacity() { return uint32_t(g_slots.capacity()); }

void ForgetReleasedMaterial(const Material* material) {
  for (Slot& s : g_slots) {
    if (!s.mesh) continue;
    for (Primitive& part : s.mesh->parts)
      if (!material || part.material == material) part.material = nullptr;
  }
  for (uint32_t i = 0; i < TempMeshes.count; ++i)
    if (!material || TempMeshes.entries[i].material == material) TempMeshes.entries[i].material = nullptr;
}

void SetTranslationMatrix(float matrix[16], float x, float y, float z) {
  std::memset(matrix, 0, sizeof(float) * 16);
  matrix[0] = matrix[5] = matrix[10] = matrix[15] = 1.0f;
  matrix[12] = x;
  matrix[13] = y;
  matrix[14] = z;
}

// ---- [Building] ----

int ReservePrimitiveParts(FastMesh& mesh, uint32_t partCount, uint32_t groupsExpected) {
  if (partCount > MAX_FAST_MESH_PARTS || groupsExpected > MAX_GROUPS_EXPECTED) {
    char line[120];
    std::snprintf(line, sizeof line, "ReservePrimitiveParts : %u parts and %u groups (at most %u and %u)", partCount,
                  groupsExpected, MAX_FAST_MESH_PARTS, MAX_GROUPS_EXPECTED);
    Report(line);
    return 0;
  }
  for (Primitive& part : mesh.parts) part.Release();
  mesh.parts.clear();
  mesh.parts.resize(partCount);
  for (Primitive& part : mesh.parts) part.buildMarks.reserve(size_t(4) * groupsExpected);
  mesh.groupCount = 0;
  return 1;
}

void BeginPrimitiveGroup(FastMesh& mesh) {
  for (Primitive& part : mesh.parts) {
    part.buildMarks.push_back(uint32_t(part.buildVertices.size()));
    part.buildMarks.push_back(uint32_t(part.buildIndices.size()));
  }
}

void AddPrimitiveGroup(FastMesh& mesh) {
  BeginPrimitiveGroup(mesh);
  ++mesh.groupCount;
}

void BuildPrimitive(FastMesh& mesh, int computeBounds) {
  // Geometry added without a group mark forms one group.
  bool anyData = false;
  for (const Primitive& part : mesh.parts) anyData |= !part.buildIndices.empty();
  if (mesh.groupCount == 0 && anyData) mesh.groupCount = 1;
  mesh.hasBounds = 0;
  if (computeBounds && !mesh.parts.empty() && !mesh.parts[0].buildVertices.empty()) {
    float lo[3], hi[3];
    const VertexLit& v0 = mesh.parts[0].buildVertices[0];
    lo[0] = hi[0] = v0.x;
    lo[1] = hi[1] = v0.y;
    lo[2] = hi[2] = v0.z;
    for (const VertexLit& v : mesh.parts[0].buildVertices) {
      const float p[3] = {v.x, v.y, v.z};
      for (int i = 0; i < 3; ++i) {
        lo[i] = std::min(lo[i], p[i]);
        hi[i] = std::max(hi[i], p[i]);
      }
    }
    for (int c = 0; c < 8; ++c) {
      mesh.corners[c][0] = c & 1 ? hi[0] : lo[0];
      mesh.corners[c][1] = c & 2 ? hi[1] : lo[1];
      mesh.corners[c][2] = c & 4 ? hi[2] : lo[2];
    }
    mesh.hasBounds = 1;
  }
  mesh.bitsetWords = (mesh.groupCount + 63) / 32;
  mesh.totalVertices = mesh.totalTriangles = 0;
  for (Primitive& part : mesh.parts) {
    part.groupCount = mesh.groupCount;
    part.bitsetWords = mesh.bitsetWords;
    part.EndBuild();
    mesh.totalVertices += part.vertexCount;
    mesh.totalTriangles += part.indexCount / 3;
  }
  mesh.dirtyBits.assign(mesh.bitsetWords, 0);
  mesh.secondBits.assign(mesh.bitsetWords, 0);
  mesh.groupWords.assign(mesh.groupCount, 0);
  mesh.dirtyLow = mesh.groupCount;
  mesh.dirtyHigh = 0;
}

void SetDirtyBit(FastMesh& mesh, uint32_t group) {
  if (group >= mesh.groupCount) return;
  mesh.dirtyBits[group / 32] |= GroupBit(group);
  mesh.dirtyLow = std::min(mesh.dirtyLow, group);
  mesh.dirtyHigh = std::max(mesh.dirtyHigh, group);
}

// ---- [Drawing] ----

void DrawPrimitiveParts(FastMesh& mesh, uint32_t group, uint32_t passMask, int drawMode) {
  for (Primitive& part : mesh.parts)
    if (passMask >> part.passBit & 1) part.DrawOnePart(group, drawMode);
}

void DrawPrimitiveForPass(FastMesh& mesh, uint32_t group) {
  switch (CurrentWorldPass) {
    case 0: DrawPrimitiveParts(mesh, group, 3, 7); break;
    case 1: DrawPrimitiveParts(mesh, group, 1, 1); break;
    case 3: DrawPrimitiveParts(mesh, group, 1, 4); break;
    default: break;
  }
}

int DrawFirstPassParts(FastMesh& mesh, uint32_t group, const Material* overrideMaterial) {
  int needsSecondPass = 0;
  for (Primitive& part : mesh.parts) {
    const Material* m = MaterialOrDefault(overrideMaterial ? overrideMaterial : part.material);
    if (PartNeedsPass(m, &needsSecondPass, 1)) DrawPart(part, group, m, 3);
  }
  return needsSecondPass;
}

void DrawSecondPassParts(FastMesh& mesh, uint32_t group, const Material* overrideMaterial) {
  BeginSecondPass();
  int mode = CurrentWorldPass == 0 ? 6 : 3;
  for (Primitive& part : mesh.parts) {
    const Material* m = MaterialOrDefault(overrideMaterial ? overrideMaterial : part.material);
    if (PartInSecondPass(m)) DrawPart(part, group, m, mode);
  }
  EndSecondPass();
}

void DrawSunMesh(FastMesh& mesh) {
  for (Primitive& part : mesh.parts) {
    if (!part.vertexBuffer || !part.indexBuffer) continue;
    const Material* m = MaterialOrDefault(part.material);
    Material::EnableVertexDeclaration(m->layout);
    Material::SetVShader(9);
    Material::SetPShader(29);
    RenderStates.pendingSampler[0] = m->flags & 3;
    BindTextureSlot(0, m->texture);
    SetActiveVertexBuffer(part.vertexBuffer);
    SetActiveIndexBuffer(part.indexBuffer);
    GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_TRIANGLELIST);
    FlushStates();
    ++Gfx.drawCalls;
    if (DrawsAllowed()) GfxDrawIndexed(Gfx.context, part.indexCount, 0, 0);
  }
}

// ---- [Pass rules] ----

int PartNeedsPass(const Material* material, int* needsSecondPass, int value) {
  int alpha = MaterialOrDefault(material)->params.alphaMode;
  switch (CurrentWorldPass) {
    case 0:
      if (alpha == 0 || alpha == 1) return 1;
      if (alpha == 3) {
        *needsSecondPass = 1;
        return 1;
      }
      if (alpha == 2) *needsSecondPass = 1;
      return 0;
    case 1:
    case 2:
      if (alpha == 0) return 1;
      if (alpha == 2) *needsSecondPass = value;
      else if (alpha == 1 || alpha == 3) *needsSecondPass = 1;
      return 0;
    case 3:
      if (alpha == 0 || alpha == 1) return 1;
      if (alpha == 2 || alpha == 3) *needsSecondPass = 1;
      return 0;
    default:
      return 0;
  }
}

int PartInSecondPass(const Material* material) {
  int alpha = MaterialOrDefault(material)->params.alphaMode;
  switch (CurrentWorldPass) {
    case 0:
    case 3: return alpha == 2 || alpha == 3;
    case 1:
    case 2: return alpha >= 1 && alpha <= 3;
    default: return 0;
  }
}

void BeginSecondPass() {
  switch (CurrentWorldPass) {
    case 0:
      RenderStates.pendingBlend = 3;
      RenderStates.pendingDepth = 2;
      break;
    case 1:
    case 2:
      RenderStates.pendingBlend = 5;
      RenderStates.pendingDepth = 2;
      FlushStates();
      Material::SetPShader(21);
      CurrentWorldPass = 2;
      break;
    case 3:
      RenderStates.pendingBlend = 4;
      break;
    default:
      break;
  }
}

void EndSecondPass() {
  switch (CurrentWorldPass) {
    case 0:
      RenderStates.pendingBlend = 0;
      RenderStates.pendingDepth = 0;
      break;
    case 1:
    case 2:
      RenderStates.pendingBlend = 0;
      RenderStates.pendingDepth = 0;
      FlushStates();
      Material::SetPShader(20);
      CurrentWorldPass = 1;
      break;
    case 3:
      RenderStates.pendingBlend = 1;
      break;
    default:
      break;
  }
}

// ---- [Pose transforms] ----

void CopyPoseTransforms(PoseTransforms& record, int count, const int32_t* values, FixedMatrix* const* matrices,
                        IntVector* const* positions) {
  int records = count > 0 ? count / 6 : 0;
  record.count = records * 6;
  record.values.assign(values, values + record.count);
  record.matrices.assign(matrices, matrices + records);
  record.positions.assign(positions, positions + records);
}

void ApplyPoseTransforms(const PoseTransforms& record) {
  for (size_t r = 0; r < record.matrices.size(); ++r) {
    const int32_t* v = &record.values[r * 6];
    if (IntVector* p = record.positions[r]) *p = IntVector{v[0], v[1], v[2]};
    if (FixedMatrix* m = record.matrices[r]) MatrixFromAngles(*m, uint32_t(v[3]), uint32_t(v[4]), uint32_t(v[5]));
  }
}
