// build_list.cpp - build lists, the solid list and the multiplayer question.
#include "render/build_list.h"

#include <cstring>
#include <utility>
#include <vector>

#include "core/report.h"
#include "render/material.h"
#include "render/texture_table.h"
#include "text/messages.h"

BuildList* BuildLists[BUILD_LIST_COUNT];
MergedMeshMaterials MergedMeshTable;
int (*BuildObjectHasGeometry)(const void* object);
void (*BuildObjectPosition)(const void* object, float* xMetres, float* yMetres);
SolidList Solids;
int (*InMultiplayerGameHook)();

namespace {

struct TableEntry {
  Material* material;
  uint32_t vertexCount;
};

bool SameSet(const MaterialCombination& c, const BuildSignature& s) {
  if (c.materialCount != s.count) return false;
  for (int i = 0; i < s.count; ++i)
    if (c.slots[i].material != s.slots[i].material) return false;
  return true;
}

int MergedIndexOf(const Material* material) {
  const MergedMeshMaterials& m = MergedMeshTable;
  for (int i = 0; i < m.count && i < BUILD_MATERIALS; ++i)
    if (m.materials[i] == material) return i;
  return -1;
}

// The unused combination with the most materials (the first on ties); -1 when none.
int LargestCombination(const BuildList& list) {
  int best = -1;
  for (int i = 0; i < list.combinationCount; ++i) {
    const MaterialCombination& c = list.combinations[i];
    if (!c.used && (best < 0 || c.materialCount > list.combinations[best].materialCount)) best = i;
  }
  return best;
}

// The unused combination sharing the most materials with the merged mesh; -1 when none shares any.
int MostSharedCombination(const BuildList& list) {
  int best = -1, bestShare = 0;
  for (int i = 0; i < list.combinationCount; ++i) {
    const MaterialCombination& c = list.combinations[i];
    if (c.used || c.materialCount <= bestShare) continue;
    int share = 0;
    for (int s = 0; s < c.materialCount; ++s) share += MergedIndexOf(c.slots[s].material) >= 0;
    if (share > bestShare) {
      best = i;
      bestShare = share;
    }
  }
  return best;
}

void PositionOf(const void* object, float out[2]) {
  out[0] = out[1] = 0.0f;
  BuildObjectPosition(object, &out[0], &out[1]);
}

// Nearest neighbour first: each entry is followed by the nearest of those after it.
void OrderByDistance(MaterialCombination& c) {
  if (!BuildObjectPosition || c.objectCount < 3) return;
  for (BuildEntry* e = c.first; e && e->next; e = e->next) {
    float here[2];
    PositionOf(e->object, here);
    BuildEntry* nearest = nullptr;
    float nearestDistance = 0.0f;
    for (BuildEntry* f = e->next; f; f = f->next) {
      float there[2];
      PositionOf(f->object, there);
      const float dx = there[0] - here[0], dy = there[1] - here[1], d = dx * dx + dy * dy;
      if (!nearest || d < nearestDistance) {
        nearest = f;
        nearestDistance = d;
      }
    }
    std::swap(e->next->object, nearest->object);
  }
}

}  // namespace

// ---- [Lists] ----

void AllocBuildLists() {
  for (BuildList*& list : BuildLists) {
    if (list) {
      if (DebugMessagesOn) ReportLine("BuildList is already allocated", REPORT_ERROR);
      list->materials.Clear();
      list->combinationCount = list->entryCount = 0;
      list->repeat = 0;
      list->current = nullptr;
      list->currentCombination = 0;
      continue;
    }
    list = new BuildList();
    list->materials.Init(BUILD_MATERIALS, 0, 0, sizeof(TableEntry));
  }
}

void ClearBuildLists() {
  for (BuildList* list : BuildLists) {
    if (!list) continue;
    list->materials.Clear();
    list->combinationCount = list->entryCount = 0;
    list->repeat = 0;
    list->current = nullptr;
    list->currentCombination = 0;
  }
}

void FreeBuildLists() {
  for (BuildList*& list : BuildLists) {
    if (!list) continue;
    list->materials.Free();
    delete list;
    list = nullptr;
  }
}

// ---- [Adding] ----

const char* BuildList::AddMesh(const BuildMesh* mesh, void* object) {
  if (!mesh) return "No mesh";
  if (mesh->recordCount > BUILD_MATERIALS) return "Too many materials";
  if (entryCount >= BUILD_ENTRIES) return "Too many objects";
  materials.Clear();
  for (int i = 0; i < mesh->recordCount; ++i) {
    const BuildMaterialRecord& r = mesh->records[i];
    if (r.triangleCount == 0) continue;
    SortNode* node = materials.Insert(int32_t(r.material ? r.material->id : 0));
    if (node) *static_cast<TableEntry*>(SortNodePayload(node)) = TableEntry{r.material, r.vertexCount};
  }
  BuildSignature signature;
  signature.count = 0;
  for (SortNode* node = materials.First(); node; node = materials.Next()) {
    const TableEntry& e = *static_cast<TableEntry*>(SortNodePayload(node));
    signature.slots[signature.count++] = BuildMaterialSlot{e.material, e.vertexCount};
  }
  materials.Clear();
  return AddCombination(signature, object);
}

const char* BuildList::AddTree(void* object, const BuildTreeShape& shape) {
  if (BuildObjectHasGeometry && !BuildObjectHasGeometry(object)) return "Invisible tree";
  if (entryCount >= BUILD_ENTRIES) return "Too many objects";
  const int n = shape.segments > 0 ? shape.segments : 0;
  // What the tree's mesh writes: a ring of five round the base and each inner node, one
  // vertex a tip (6 a tip in all).
  const uint32_t trunk = shape.trunkSize[0] > 0.01f && shape.trunkSize[1] > 0.01f ? uint32_t(6 * n) : 0;
  const uint32_t leaves = shape.leafSize[0] > 0.01f && shape.leafSize[1] > 0.01f ? uint32_t(8 * n) : 0;
  BuildSignature signature;
  signature.count = 0;
  if (trunk) signature.slots[signature.count++] = BuildMaterialSlot{shape.trunkMaterial, trunk};
  if (leaves) signature.slots[signature.count++] = BuildMaterialSlot{shape.leafMaterial, leaves};
  return AddCombination(signature, object);
}

const char* BuildList::AddCombination(const BuildSignature& signature, void* object) {
  if (entryCount >= BUILD_ENTRIES) return "Too many objects";
  int found = -1;
  for (int i = 0; i < combinationCount && found < 0; ++i)
    if (SameSet(combinations[i], signature)) found = i;
  if (found < 0 && combinationCount >= BUILD_COMBINATIONS) return "Too many combinations";
  BuildEntry* entry = &entries[entryCount++];
  *entry = BuildEntry{object, nullptr};
  if (found >= 0) {
    MaterialCombination& c = combinations[found];
    for (int s = 0; s < signature.count; ++s) c.slots[s].vertexCount += signature.slots[s].vertexCount;
    c.last->next = entry;
    c.last = entry;
    ++c.objectCount;
    return nullptr;
  }
  MaterialCombination& c = combinations[combinationCount++];
  c.used = 0;
  c.materialCount = uint8_t(signature.count);
  c.objectCount = 1;
  c.first = c.last = entry;
  std::memcpy(c.slots, signature.slots, sizeof(BuildMaterialSlot) * size_t(signature.count));
  return nullptr;
}

// ---- [Drawing out] ----

void BuildList::Rewind() {
  repeat = 0;
  current = nullptr;
  currentCombination = 0;
  for (int i = 0; i < combinationCount; ++i) combinations[i].used = 0;
}

void* BuildList::NextObject(int* status, int sort) {
  if (entryCount == 0) {
    repeat = 0;
    current = nullptr;
    currentCombination = 0;
    *status = BUILD_DONE;
    return nullptr;
  }
  if (repeat) {
    repeat = 0;
    *status = BUILD_OBJECT;
    return current->object;
  }
  if (current && current->next) {
    current = current->next;
    *status = BUILD_OBJECT;
    return current->object;
  }
  // Start a new set: the largest while nothing is merged yet, else the one sharing the most.
  const bool fresh = current == nullptr;
  int next = !fresh && MergedMeshTable.count > 0 ? MostSharedCombination(*this) : -1;
  if (next < 0) next = LargestCombination(*this);
  if (next < 0) {
    *status = BUILD_DONE;
    return nullptr;
  }
  MaterialCombination& c = combinations[next];
  c.used = 1;
  if (sort) OrderByDistance(c);
  currentCombination = next;
  current = c.first;
  if (!fresh) {
    int added = 0;
    for (int s = 0; s < c.materialCount; ++s) {
      const int at = MergedIndexOf(c.slots[s].material);
      if (at < 0) {
        if (MergedMeshTable.count + ++added > BUILD_MATERIALS) {
          repeat = 1;
          *status = BUILD_TOO_MANY_MATERIALS;
          return nullptr;
        }
      } else if (c.slots[s].vertexCount % BUILD_VERTEX_LIMIT + MergedMeshTable.vertexCounts[at] > BUILD_VERTEX_LIMIT) {
        repeat = 1;
        *status = BUILD_TOO_MANY_VERTICES;
        return nullptr;
      }
    }
  }
  *status = BUILD_OBJECT;
  return current->object;
}

// ---- [Solid list] ----

void AddSolidRecord(uint8_t* array, ZKTETexture* texture) {
  SolidRecord* records = new SolidRecord[size_t(Solids.count) + 1];
  for (int i = 0; i < Solids.count; ++i) records[i] = Solids.records[i];
  records[Solids.count] = SolidRecord{array, texture};
  delete[] Solids.records;
  Solids.records = records;
  ++Solids.count;
}

void FreeSolidList() {
  for (int i = 0; i < Solids.count; ++i) {
    SolidRecord& r = Solids.records[i];
    delete[] r.array;
    if (ZKTETexture* texture = r.texture) {
      std::vector<Material*> users;
      for (Material* m : Materials)
        if (m->texture == texture) users.push_back(m);
      for (Material* m : users) ReleaseMaterial(m);
      FreeTextureRecord(texture);
    }
  }
  delete[] Solids.records;
  Solids.records = nullptr;
  Solids.count = 0;
}

// ---- [Multiplayer] ----

int InMultiplayerGame() { return InMultiplayerGameHook ? InMultiplayerGameHook() : 0; }
