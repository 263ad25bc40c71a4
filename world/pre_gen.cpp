// pre_gen.cpp - pre-generated objects: level choice, draw layers, built meshes into render
// meshes, the tree material check, mesh lights and object variants.
#include "world/pre_gen.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/light_samples.h"
#include "render/material.h"
#include "render/shaders.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "world/light_octrees.h"
#include "world/world.h"

std::vector<FastMeshHandle> WorldRenderMeshes;
int WorldCurrentRenderMesh = -1;
IntVector WorldViewerPosition = {};
float WorldLodFactor = 1.0f;
uint32_t WorldStartLights[2] = {};
float ObjectTransformConstants[8] = {};
float WorldWindVector[2] = {};
uint8_t WorldLightingByte = 0;
WorldModelServices WorldModels = {};

namespace {

// The bit of entry in a part bit set, widening the set's marked range (low, high).
void MarkEntry(std::vector<uint32_t>& bits, uint32_t& low, uint32_t& high, uint32_t groupCount, uint32_t entry) {
  if (entry >= groupCount || entry / 32 >= bits.size()) return;
  bits[entry / 32] |= 1u << (entry % 32);
  low = std::min(low, entry);
  high = std::max(high, entry);
}

}  // namespace

FastMesh* GetWorldRenderMesh(int index) {
  if (index < 0 || index >= static_cast<int>(WorldRenderMeshes.size())) return nullptr;
  return GetFastMesh(WorldRenderMeshes[index]);
}

void SetObjectTransformConstants(float x, float y, float z, float size) {
  float wx = WorldWindVector[0], wy = WorldWindVector[1];
  const float strength = std::sqrt(wx * wx + wy * wy);
  if (strength > 0.0f) {
    wx /= strength;
    wy /= strength;
  } else {
    wx = 1.0f;
    wy = 0.0f;
  }
  const float values[8] = {x, y, z, size, wx, wy, 0.0f, strength};
  std::memcpy(ObjectTransformConstants, values, sizeof values);
  // To the tree shader's buffer, once the device has made it.
  if (VSConstants[VS_ROW_OBJECT_TRANSFORM].data)
    UploadConstantRowData(0, VS_ROW_OBJECT_TRANSFORM, ObjectTransformConstants, sizeof ObjectTransformConstants);
}

// ---- [Object record] ----

void WPreGen::Free() {
  FreeBuilt(true);
  FixedOb::Free();
}

void WPreGen::FreeBuilt(bool reset) {
  for (PreGenLevel& level : levels) {
    DeleteBuiltMesh(level.built);
    level.built = nullptr;
    if (reset) {
      level.renderMesh = -1;
      level.entry = -1;
    }
  }
}

int32_t WPreGen::ChooseLevel() {
  const double dx = double(centre.x) - WorldViewerPosition.x, dy = double(centre.y) - WorldViewerPosition.y,
               dz = double(centre.z) - WorldViewerPosition.z;
  const double d = static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
  const int64_t beyond = int64_t(NearestSaturated(d)) - radius;
  const int32_t e = beyond > 0 ? static_cast<int32_t>(std::min<int64_t>(beyond, INT32_MAX)) : 0;
  if (distanceLevels && e > 0) {
    const int32_t s = NearestSaturated(d * static_cast<double>(WorldLodFactor));
    while (currentLevel < levelCount && currentLevel < PREGEN_LEVELS && s > levels[currentLevel].distance)
      ++currentLevel;
    if (currentLevel >= PREGEN_LEVELS) currentLevel = levelCount;
  }
  return e;
}

FastMesh* MarkRenderMeshEntry(int renderMesh, int entryIndex, uint32_t lightMask) {
  FastMesh* mesh = GetWorldRenderMesh(renderMesh);
  if (!mesh || entryIndex < 0) return nullptr;
  const uint32_t entry = static_cast<uint32_t>(entryIndex);
  SetDirtyBit(*mesh, entry);
  if (lightMask != 0 && entry < mesh->groupCount) {
    if (entry < mesh->groupWords.size()) mesh->groupWords[entry] = lightMask;
    MarkEntry(mesh->secondBits, mesh->dirtySpare[0], mesh->dirtySpare[1], mesh->groupCount, entry);
  }
  return mesh;
}

void WPreGen::MarkLevelParts() {
  if (currentLevel >= PREGEN_LEVELS) return;
  const PreGenLevel& level = levels[currentLevel];
  FastMesh* mesh = MarkRenderMeshEntry(level.renderMesh, level.entry, lightMask);
  if (!mesh) return;
  const uint32_t entry = static_cast<uint32_t>(level.entry);
  if (level.startLights == 0) return;
  const uint32_t state = WorldStartLights[0] != 0 ? WorldStartLights[0] : WorldStartLights[1];
  const uint32_t lamps = level.startLights & (startLightMask != 0 ? startLightMask : state);
  for (uint32_t k = 0; k < 4; ++k)
    if (lamps >> k & 1) SetDirtyBit(*mesh, entry + 1 + k);
}

void WPreGen::AddToDrawList() {
  if (hidden) return;
  currentLevel = 0;
  int32_t key = 0;
  const bool choose = !(alphaKind != 1 && (drawFlags & PREGEN_DRAW_TEA) == 0 && distanceLevels == 0);
  if (choose) {
    key = ChooseLevel();
    if (currentLevel >= levelCount) return;
  }
  const bool sorted = alphaKind == 1 || (drawFlags & PREGEN_DRAW_TEA) != 0;
  if (alphaKind != 2) {
    if (sorted && CWld) CWld->AddToDrawSort(key, this, 0, static_cast<uint32_t>(radius), centre);
    if (drawFlags & (PREGEN_DRAW_SOLID | PREGEN_DRAW_ATEST | PREGEN_DRAW_TEA)) MarkLevelParts();
  } else {
    MarkLevelParts();
    if ((drawFlags & PREGEN_DRAW_TEA) && CWld) CWld->AddToDrawSort(key, this, 0, static_cast<uint32_t>(radius), centre);
  }
}

void WPreGen::AddToDrawListAtDistance(int32_t distance) {
  if (hidden) return;
  if ((drawFlags & (PREGEN_DRAW_SOLID | PREGEN_DRAW_ATEST | PREGEN_DRAW_TEA)) == 0 && alphaKind != 1) return;
  currentLevel = 0;
  if (distanceLevels) {
    const int32_t s = NearestSaturated(double(distance) * static_cast<double>(WorldLodFactor));
    while (currentLevel < levelCount && currentLevel < PREGEN_LEVELS && s > levels[currentLevel].distance)
      ++currentLevel;
    if (currentLevel >= levelCount || currentLevel >= PREGEN_LEVELS) return;
  }
  const PreGenLevel& level = levels[currentLevel];
  FastMesh* mesh = GetWorldRenderMesh(level.renderMesh);
  if (mesh && level.entry >= 0) SetDirtyBit(*mesh, static_cast<uint32_t>(level.entry));
}

void WPreGen::DrawParts(int firstSlot, int secondSlot, int drawMode) {
  if (currentLevel >= PREGEN_LEVELS || currentLevel >= levelCount) return;
  const PreGenLevel& level = levels[currentLevel];
  FastMesh* mesh = GetWorldRenderMesh(level.renderMesh);
  if (!mesh || level.entry < 0) return;
  SetObjectTransformConstants(float(position[0]) / 65536.0f, float(position[1]) / 65536.0f,
                              float(height), 2.0f * float(radius) / 65536.0f);
  for (int slot : {firstSlot, secondSlot}) {
    if (slot < 0) continue;
    const uint8_t part = level.partSlots[slot];
    if (part >= mesh->parts.size()) continue;
    mesh->parts[part].DrawOnePart(static_cast<uint32_t>(level.entry), drawMode);
  }
}

void WPreGen::DrawLayer1() {
  if (hidden) return;
  SetRenderStateSelector(RENDER_STATE_LAYERED);
  DrawParts(KIND_SOLID, KIND_ATEST, 3);
  SetRenderStateSelector(0);
}
void WPreGen::DrawLayer2() {
  if (hidden) return;
  SetRenderStateSelector(RENDER_STATE_LAYERED);
  DrawParts(KIND_TEA, -1, 3);
  SetRenderStateSelector(0);
}
void WPreGen::DrawLayer3() {
  if (!hidden) DrawParts(KIND_SOLID, -1, 1);
}
void WPreGen::DrawLayer4() {
  if (!hidden) DrawParts(KIND_ALPHA, KIND_TEA, 2);
}

// ---- [Built meshes] ----

void BuiltMesh::GetBoundingSphere(IntVector& centre, int32_t& radius, IntVector& halfSize) const {
  PointBounds(points, pointCount, centre, radius, halfSize);
}

void BuiltMesh::AddToRenderMesh(FastMesh& renderMesh, uint8_t* partSlots) const {
  const BuiltMesh& mesh = *this;
  ForEachBuiltPart(mesh, [&](const BuiltPart& part, int pointStart, int points, int triangleStart, int triangles) {
    int found = -1;
    for (size_t r = 0; r < renderMesh.parts.size(); ++r)
      if (renderMesh.parts[r].material == part.material) {
        found = static_cast<int>(r);
        break;
      }
    if (found < 0) return true;
    Primitive& target = renderMesh.parts[found];
    const uint32_t base = static_cast<uint32_t>(target.buildVertices.size());
    target.buildVertices.resize(size_t(base) + size_t(points));
    VertexLit* out = target.buildVertices.data() + base;
    for (int i = 0; i < points; ++i) {
      const BuiltPoint& bp = mesh.points[pointStart + i];
      VertexLit& v = out[i];
      v.x = float(bp.position[0]) / 65536.0f;
      v.y = float(bp.position[1]) / 65536.0f;
      v.z = float(bp.position[2]) / 65536.0f;
      for (int a = 0; a < 3; ++a) {
        // Rounded half away from zero, held to a signed byte.
        const float n = bp.normal[a] * 127.0f;
        const float r = n >= 0.0f ? n + 0.5f : n - 0.5f;
        v.normal[a] = static_cast<int8_t>(r >= 127.0f ? 127 : r <= -128.0f ? -128 : int(r));
      }
      v.normal[3] = static_cast<int8_t>(bp.shade / 2);
      v.colour0 = bp.colour;
      v.colour1 = bp.packedLight;
      v.u = bp.u;
      v.v = bp.v;
    }
    // Corners are indices into the mesh's points; one outside its part drops the triangle.
    const uint32_t lo = uint32_t(pointStart), span = uint32_t(points);
    const size_t indexStart = target.buildIndices.size();
    target.buildIndices.resize(indexStart + size_t(3) * size_t(triangles));
    uint16_t* index = target.buildIndices.data() + indexStart;
    for (int t = 0; t < triangles; ++t) {
      const BuiltTriangle& tri = mesh.triangles[triangleStart + t];
      const uint32_t a = tri.corners[0] - lo, b = tri.corners[1] - lo, c = tri.corners[2] - lo;
      if (a >= span || b >= span || c >= span) continue;
      *index++ = static_cast<uint16_t>(base + a);
      *index++ = static_cast<uint16_t>(base + b);
      *index++ = static_cast<uint16_t>(base + c);
    }
    target.buildIndices.resize(size_t(index - target.buildIndices.data()));
    if (partSlots && part.material && part.material->params.alphaMode < 4) {
      uint8_t& slot = partSlots[part.material->params.alphaMode];
      slot = slot == PART_SLOT_NONE ? static_cast<uint8_t>(found) : PART_SLOT_MANY;
    }
    return true;
  });
}

void DeleteBuiltMesh(BuiltMesh* mesh) {
  if (!mesh) return;
  mesh->Free();
  delete mesh;
}

// ---- [Tree materials] ----

const char* const TREE_MATERIAL_REASONS[6] = {
    "more than one SOLID material", "more than one ATEST material", "more than one ALPHA material",
    "more than one TEA material",   "contains both SOLID and ATEST", "contains both ALPHA and TEA",
};

void CheckTreeMaterials(WPreGen& object, const char* modelName, int levelIndex) {
  if (levelIndex < 0 || levelIndex >= object.levelCount || levelIndex >= PREGEN_LEVELS) return;
  PreGenLevel& level = object.levels[levelIndex];
  FastMesh* mesh = GetWorldRenderMesh(WorldCurrentRenderMesh);
  level.renderMesh = static_cast<int16_t>(WorldCurrentRenderMesh);
  level.entry = mesh ? static_cast<int16_t>(std::min<uint32_t>(mesh->groupCount, INT16_MAX)) : 0;
  std::fill(std::begin(level.partSlots), std::end(level.partSlots), PART_SLOT_NONE);
  level.startLights = 0;
  if (mesh) {
    // The level's entry begins here in every part of the mesh.
    AddPrimitiveGroup(*mesh);
    if (level.built) level.built->AddToRenderMesh(*mesh, level.partSlots);
  }
  if ((object.drawFlags & PREGEN_DRAW_TREE) == 0) return;
  const uint8_t* s = level.partSlots;
  const auto used = [s](int kind) { return s[kind] != PART_SLOT_NONE; };
  int reason = -1;
  for (int kind = 0; kind < 4 && reason < 0; ++kind)
    if (s[kind] == PART_SLOT_MANY) reason = kind;
  if (reason < 0 && used(KIND_SOLID) && used(KIND_ATEST)) reason = 4;
  if (reason < 0 && used(KIND_ALPHA) && used(KIND_TEA)) reason = 5;
  if (reason < 0) return;
  object.drawFlags &= static_cast<uint8_t>(~PREGEN_DRAW_TREE);
  char text[MESSAGE_TEXT_SIZE];
  std::snprintf(text, sizeof text, "%s cannot be a tree: %s", modelName ? modelName : "", TREE_MATERIAL_REASONS[reason]);
  const char* newest = GetNewestMessageText();
  if (newest && std::strcmp(newest, text) == 0) return;
  ReportLine(text, REPORT_WARNING);
}

// ---- [Mesh lights] ----

void AddLightingByte(float v[3], uint8_t lightingByte) {
  const float s = std::exp2(float(lightingByte & 63) / 3.0f);
  switch (lightingByte >> 6) {
    case 0: v[0] += s; break;
    case 1: v[1] += s; break;
    case 2: v[2] += s; break;
    default:
      v[1] += s / 2;
      v[2] += s / 2;
      break;
  }
}

namespace {
// min(fade, 0) to the fourth power, held at most 1 so that the brightness never turns negative.
float FadeFactor(float fade) {
  const float f = std::min(fade, 0.0f);
  return std::min(f * f * f * f, 1.0f);
}
uint32_t PackWithLightingByte(const float base[3], uint8_t lightingByte = WorldLightingByte) {
  float v[3] = {base[0], base[1], base[2]};
  AddLightingByte(v, lightingByte);
  uint32_t word = 0;
  StoreFloat3PK(&word, v[0], v[1], v[2]);
  return word;
}
}  // namespace

uint32_t PackedLightOfByte(uint8_t lightingByte) {
  const float zero[3] = {0, 0, 0};
  return PackWithLightingByte(zero, lightingByte);
}

void MeshLight::Init(MeshLight& light, const uint8_t colourBytes[4], int shift) {
  const float f = FadeFactor(light.fade);
  light.brightness = static_cast<uint8_t>(std::clamp(NearestSaturated((1.0f - f) * float(255 >> shift)), 0, 255));
  light.colour = uint32_t(BrightnessTable[colourBytes[0]]) << 16 | uint32_t(BrightnessTable[colourBytes[1]]) << 8 |
                 BrightnessTable[colourBytes[2]];
  light.packedLight = 0;
  if (colourBytes[3] & 1) light.packedLight = PackedLightOfByte(WorldLightingByte);
}

void MeshLight::ApplyAmbient(MeshLight& light) {
  float values[5];
  EvalAmbientCube(values, light.normal);
  light.brightness = static_cast<uint8_t>(std::clamp(NearestSaturated(light.brightness * values[1] / 255.0f), 0, 255));
  light.colour |= uint32_t(std::clamp(NearestSaturated(values[0]), 0, 255)) << 24;
  if (light.packedLight != 0) light.packedLight = PackWithLightingByte(values + 2);
}

void MeshLights::ApplyAmbient(MeshLight* lights, int count) {
  for (int i = 0; i < count; ++i) MeshLight::ApplyAmbient(lights[i]);
}

void MeshLights::SampleEnvironment(MeshLight* lights, int count) {
  if (WorldPoints.slots.empty()) return;
  for (int i = 0; i < count; ++i) {
    MeshLight& light = lights[i];
    const IntVector at = {light.position[0] & ~63, light.position[1] & ~63, light.position[2] & ~63};
    const uint8_t* sample = WorldPoints.FindByNormal(at, light.normal);
    if (!sample) continue;
    light.brightness =
        static_cast<uint8_t>(std::clamp(NearestSaturated((1.0f - FadeFactor(light.fade)) * sample[0]), 0, 255));
    light.colour |= uint32_t(sample[1]) << 24;
    uint32_t packed;
    std::memcpy(&packed, sample + 4, sizeof packed);
    if (light.packedLight == 0) {
      light.packedLight = packed;
    } else {
      float a[3], b[3];
      LoadFloat3PK(a, light.packedLight);
      LoadFloat3PK(b, packed);
      const float sum[3] = {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
      light.packedLight = PackWithLightingByte(sum);
    }
  }
}

namespace {
MeshLight LightOfPoint(const BuiltPoint& p) {
  MeshLight light{};
  std::memcpy(light.position, p.position, sizeof light.position);
  std::memcpy(light.normal, p.normal, sizeof light.normal);
  light.brightness = static_cast<uint8_t>(std::clamp(p.shade, 0, 255));
  light.colour = p.colour;
  light.packedLight = p.packedLight;
  return light;
}
void StoreLight(BuiltPoint& p, const MeshLight& light) {
  p.shade = light.brightness;
  p.colour = light.colour;
  p.packedLight = light.packedLight;
}
}  // namespace

void RelightBuiltMesh(BuiltMesh& mesh) {
  if (WorldPoints.slots.empty()) return;
  for (int i = 0; i < mesh.pointCount; ++i) {
    MeshLight light = LightOfPoint(mesh.points[i]);
    MeshLights::SampleEnvironment(&light, 1);
    StoreLight(mesh.points[i], light);
  }
}

void AmbientLightBuiltMesh(BuiltMesh& mesh) {
  for (int i = 0; i < mesh.pointCount; ++i) {
    MeshLight light = LightOfPoint(mesh.points[i]);
    MeshLight::ApplyAmbient(light);
    StoreLight(mesh.points[i], light);
  }
}

void SampleLightBuiltMesh(BuiltMesh& mesh, const uint8_t* sample) {
  if (!sample) return;
  const LightRecord saved = PointLight;
  LightSample stored;
  std::memcpy(stored.bytes, sample, LIGHT_SAMPLE_BYTES);
  UnpackLightSample(PointLight, stored);
  AmbientLightBuiltMesh(mesh);
  PointLight = saved;
}

// ---- [Object variants] ----

void ApplyObjectVariant(const PreGenModel& entry, int objectIndex, int variant, int secondVariant,
                        VariantChanges& changes) {
  changes = {};
  void* model = WorldModels.ModelOf ? WorldModels.ModelOf(entry) : nullptr;
  if (!model) return;
  const bool cutouts = WorldModels.NumberedCutoutCount && WorldModels.NumberedCutoutCount(entry) != 0;
  const bool choices = WorldModels.HasColourChoices && WorldModels.HasColourChoices(model) != 0;
  const auto colourAll = [model](uint32_t colour) {
    if (WorldModels.SetAllMappingColours) WorldModels.SetAllMappingColours(model, colour);
  };
  const auto choose = [model, choices](int n) {
    if (choices && WorldModels.ApplyColourChoice) WorldModels.ApplyColourChoice(model, n);
  };
  const auto select = [model](bool when, int n) {
    if (when && WorldModels.SelectNumberedCutouts) WorldModels.SelectNumberedCutouts(model, n);
  };
  if (objectIndex >= 48 && objectIndex <= 55) {
    int c = variant & 7;
    if (c >= 6) c = 0;
    if (c == 0 && WorldModels.SetCutoutPreset) {
      WorldModels.SetCutoutPreset(model, 1);
      changes.presetChanged = 1;
    }
    colourAll(CWld ? CWld->objectColours[c] : 0);
  } else if (objectIndex >= 4 && objectIndex <= 13) {
    colourAll(*TextColourByCode(8 + (variant & 3)));
    select(cutouts, (variant / 8) & 15);
  } else if (objectIndex >= 16 && objectIndex <= 17) {
    colourAll(*TextColourByCode(12 + (variant & 1)));
    select(cutouts, (variant / 2) & 63);
  } else if (objectIndex >= 172 && objectIndex <= 179) {
    if (WorldModels.ApplyLayoutProperties && WorldModels.ApplyLayoutProperties(model, objectIndex, variant, 0))
      changes.propertiesChanged = 1;
  } else if (objectIndex >= 92 && objectIndex <= 93) {
    choose(variant & 1);
    select(cutouts, (variant / 2) & 63);
  } else if (objectIndex >= 192) {
    choose(secondVariant & 7);
    select(true, variant & 63);
  } else {
    choose(variant & 7);
    select(cutouts, (variant / 8) & 15);
  }
}

void ApplyObjectVariantRecorded(const PreGenModel& entry, int objectIndex, int variant, int secondVariant,
                                VariantRecord& record) {
  record.mappings.clear();
  void* model = WorldModels.ModelOf ? WorldModels.ModelOf(entry) : nullptr;
  if (model && WorldModels.RecordMappings) {
    const int count = std::max(WorldModels.RecordMappings(model, nullptr, 0), 0);
    record.mappings.resize(size_t(count));
    const int written = WorldModels.RecordMappings(model, record.mappings.data(), count);
    record.mappings.resize(size_t(std::clamp(written, 0, count)));
  }
  ApplyObjectVariant(entry, objectIndex, variant, secondVariant, record.changes);
}

void UndoObjectVariant(const PreGenModel& entry, int objectIndex, int variant, const VariantRecord& record) {
  void* model = WorldModels.ModelOf ? WorldModels.ModelOf(entry) : nullptr;
  if (!model) return;
  if (record.changes.propertiesChanged && WorldModels.ApplyLayoutProperties)
    WorldModels.ApplyLayoutProperties(model, objectIndex, variant, 1);
  if (record.changes.presetChanged && WorldModels.SetCutoutPreset) WorldModels.SetCutoutPreset(model, 0);
  if (!record.mappings.empty() && WorldModels.RestoreMappings)
    WorldModels.RestoreMappings(model, record.mappings.data(), int(record.mappings.size()));
}
