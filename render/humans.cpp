// humans.cpp - human mesh slots, the helmet's meshes and the human world objects.
#include "render/humans.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/views.h"

HumanMeshSet HumanMeshes;
HelmetMeshSet Helmet;
void (*WorldCameraHook)(int32_t position[3], float* lodFactor);
int (*WorldLightSampleHook)(const int32_t point[3], LightSample& sample);

namespace {

constexpr int HUMAN_COPIES[HUMAN_COPY_TABLE] = {6, 4, 4, 5, 6, 1};
constexpr int32_t LIGHT_GRID = 64;  // 16.16 units the light position is rounded down to

void FreeLevels(GouraudO3d* (&meshes)[HUMAN_LEVELS]) {
  for (GouraudO3d*& mesh : meshes) {
    DeleteDrawMesh(mesh);
    mesh = nullptr;
  }
}

}  // namespace

// ---- [Mesh slots] ----

int HumanCopies(int modelIndex) {
  if (modelIndex < 0) return 0;
  return modelIndex < HUMAN_COPY_TABLE ? HUMAN_COPIES[modelIndex] : 1;
}

void (*MakeHumanFigures)() = nullptr;

void HumanFiguresWanted() {
  if (void (*make)() = MakeHumanFigures) {
    MakeHumanFigures = nullptr;
    make();
  }
}

int FindHumanSlot(int skeletonIndex) {
  HumanFiguresWanted();
  if (!HumanMeshes.built) return 0;
  for (int i = 0; i < HumanMeshes.slotCount; ++i) {
    const HumanMeshSlot& s = HumanMeshes.slots[i];
    if ((s.flags & 1) && s.skeletonIndex == uint32_t(skeletonIndex)) return i;
  }
  return HumanMeshes.slotCount;
}

void AllocateHumanSlots(int count) {
  FreeHumanMeshSlots();
  HumanMeshes.slotCount = std::max(count, 0);
  HumanMeshes.slots = HumanMeshes.slotCount ? new HumanMeshSlot[size_t(HumanMeshes.slotCount)]() : nullptr;
}

void FreeHumanMeshSlots() {
  for (int i = 0; i < HumanMeshes.slotCount; ++i) FreeLevels(HumanMeshes.slots[i].meshes);
  delete[] HumanMeshes.slots;
  HumanMeshes = HumanMeshSet{};
}

// ---- [Helmet] ----

void MakeHelmetFastMesh() {
  HelmetMeshSet& h = Helmet;
  FreeFastMesh(h.fastMesh);
  h.paintable = nullptr;
  GouraudO3d* first = h.meshes[0];
  if (!first) return;
  TextureKey keys[GOURAUD_FAST_MESH_KEYS];
  int keyCount = 0;
  for (int p = 0; p < first->partCount; ++p) {
    const TextureKey key = first->parts[p].key;
    if (std::find(keys, keys + keyCount, key) != keys + keyCount) continue;
    if (keyCount == GOURAUD_FAST_MESH_KEYS) break;  // the first 64 textures; the others are not drawn
    keys[keyCount++] = key;
    if (key && IsSkinTexture(key->texture)) h.paintable = key->texture;
  }
  h.fastMesh = NewFastMesh();
  FastMesh* fast = GetFastMesh(h.fastMesh);
  if (!fast || keyCount == 0 || !ReservePrimitiveParts(*fast, uint32_t(keyCount), uint32_t(h.levelCount))) return;
  for (int k = 0; k < keyCount; ++k) {
    fast->parts[size_t(k)].material = keys[k];
    fast->parts[size_t(k)].passBit = keys[k] && keys[k]->drawKind ? 1 : 0;
  }
  for (int level = 0; level < h.levelCount; ++level)
    if (h.meshes[level]) FillFastMeshParts(*h.meshes[level], *fast);
  BuildPrimitive(*fast, 1);
}

void FreeHelmetMeshes() {
  FreeLevels(Helmet.meshes);
  FreeFastMesh(Helmet.fastMesh);
  Helmet = HelmetMeshSet{};
}

// ---- [Human world objects] ----

void InitHumanRecord(HumanWorldObject& object) {
  object = HumanWorldObject{};
  SetIdentityTransform(object.transform);
  object.chosenLevel = HUMAN_NO_LEVEL;
  InitLightRecord(object.light);
}

void ResetHumanRecord(HumanWorldObject& object) {
  delete[] object.frames;
  InitHumanRecord(object);
}

void SelectLodByDistance(HumanWorldObject& object, const FixedTransform& parent) {
  int32_t camera[3] = {0, 0, 0};
  float factor = 1.0f;
  if (WorldCameraHook) {
    WorldCameraHook(camera, &factor);
  } else if (CurrentView) {
    std::memcpy(camera, CurrentView->position, sizeof camera);
  }
  const IntVector& at = object.transform.translation;
  const double dx = double(at.x) - camera[0], dy = double(at.y) - camera[1], dz = double(at.z) - camera[2];
  const float d = float(std::sqrt(dx * dx + dy * dy + dz * dz)) * factor;
  object.chosenLevel = HUMAN_NO_LEVEL;
  object.batchCount = 0;
  const HumanMeshSlot* set = object.meshSet;
  if (!set) return;
  const int levels = std::clamp(set->levelCount, 0, HUMAN_LEVELS);
  for (int level = 0; level < levels; ++level) {
    if (float(set->distanceLimits[level]) < d) continue;
    object.chosenLevel = uint8_t(level);
    RedrawHumanLod(object, parent);
    return;
  }
}

void RedrawHumanLod(HumanWorldObject& object, const FixedTransform& parent) {
  object.batchCount = 0;
  if (object.chosenLevel >= HUMAN_LEVELS || !object.meshSet) return;
  GouraudO3d* mesh = object.meshSet->meshes[object.chosenLevel];
  if (!mesh) return;
  uint16_t first = 0;
  const int added = mesh->DrawPosed(parent, object.frames, object.frameCount, 0, &first);
  object.firstBatch = first;
  object.batchCount = uint16_t(std::max(added, 0));
}

uint8_t FindLightAt(const IntVector& position, LightRecord& light) {
  if (!WorldLightSampleHook) return HUMAN_NO_SAMPLE;
  // Down to a multiple of 64 (the low six bits cleared, also for negative coordinates).
  const int32_t point[3] = {position.x & ~(LIGHT_GRID - 1), position.y & ~(LIGHT_GRID - 1),
                            position.z & ~(LIGHT_GRID - 1)};
  LightSample sample{};
  if (WorldLightSampleHook(point, sample) != 1) return HUMAN_NO_SAMPLE;
  UnpackLightSample(light, sample);
  return HUMAN_LIT_FROM_SAMPLE;
}

void FindHumanLight(HumanWorldObject& object, const IntVector& position) {
  object.lightState = FindLightAt(position, object.light);
}

void DrawTempMeshesLit(int first, int count, uint8_t lightState, const LightRecord& light) {
  const int savedMode = LightingMode;
  if (CurrentWorldPass == 0 && lightState == HUMAN_LIT_FROM_SAMPLE) {
    uint8_t terms[6];
    for (int face = 0; face < 6; ++face) terms[face] = uint8_t(std::clamp(std::lround(light.ambient[face]), 0L, 255L));
    UpdateObjectVSBuffer(light.colours, terms, 1.0f);
    LightingMode = 2;
  }
  DrawTempMeshRange(first, count);
  LightingMode = savedMode;
}

void DrawLodParts(const HumanWorldObject& object) {
  DrawTempMeshesLit(object.firstBatch, object.batchCount, object.lightState, object.light);
}
