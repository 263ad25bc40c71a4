// mesh_batching.cpp - the world's mesh batching.
#include "world/mesh_batching.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/frame_globals.h"
#include "core/report.h"
#include "render/build_list.h"
#include "render/material.h"
#include "render/primitives.h"
#include "world/placed_object.h"
#include "world/section.h"
#include "world/tree.h"
#include "world/world.h"

BatchTable BatchMaterials = {};
BatchBuilder WorldBatch;

namespace {

int ListType(int list) {
  if (list < 4) return OBJECT_SEGMENT;
  if (list < 7) return OBJECT_PLACED;
  if (list < 10) return OBJECT_SECTION;
  return OBJECT_TREE;
}

// The level mesh a pre-generated object brings to the pass, or null.
const BuiltMesh* LevelOf(FixedOb* o, int pass, int list) {
  if (o->type != OBJECT_PLACED && o->type != OBJECT_SEGMENT) return nullptr;
  auto* p = static_cast<WPreGen*>(o);
  const int levels = p->levelCount > 0 ? p->levelCount : 1;
  if (!o->HasGeometry() || levels <= pass || pass >= PREGEN_LEVELS || p->GetBuildList() != list) return nullptr;
  return p->levels[pass].built;
}

// A section's mesh, in pass 0 of its own list only, or null.
const BuiltMesh* SectionMeshOf(FixedOb* o, int pass, int list) {
  auto* s = static_cast<WSection*>(o);
  if (pass != 0 || !o->HasGeometry() || s->GetBuildList() != list) return nullptr;
  return s->builtMesh;
}

int AddObject(FixedOb* o, int pass, int list) {
  if (o->type == OBJECT_TREE) return AddTreeToBatch(*static_cast<WTree*>(o));
  if (o->type == OBJECT_SECTION) {
    const BuiltMesh* mesh = SectionMeshOf(o, pass, list);
    return mesh ? AddMeshToBatch(*mesh, nullptr, pass) : BATCH_FITS;
  }
  const BuiltMesh* level = LevelOf(o, pass, list);
  return level ? AddMeshToBatch(*level, o->type == OBJECT_PLACED ? static_cast<FObject*>(o) : nullptr, pass)
               : BATCH_FITS;
}

// Whether the object belongs to this pass's batch of the list.
bool Candidate(FixedOb* o, int pass, int list) {
  if (!o || o->type != ListType(list)) return false;
  if (o->type == OBJECT_TREE) return pass == 0 && o->HasGeometry();
  if (o->type == OBJECT_SECTION) return SectionMeshOf(o, pass, list) != nullptr;
  return LevelOf(o, pass, list) != nullptr;
}

void ShowLeftOut(int index) {
  char text[120];
  std::snprintf(text, sizeof text, "Object %d does not fit a render mesh: it is left out", index);
  ReportLine(text, REPORT_WARNING);
}

// The table's rows in drawing order: the material's kind, its flags (clear first), its second
// byte, then the renderer's order of materials.
bool RowBefore(const BatchMaterial& a, const BatchMaterial& b) {
  const Material* x = a.material;
  const Material* y = b.material;
  if (!x || !y) return x == nullptr && y != nullptr;
  if (x->params.alphaMode != y->params.alphaMode) return x->params.alphaMode < y->params.alphaMode;
  if ((x->flags != 0) != (y->flags != 0)) return x->flags == 0;
  if (x->second != y->second) return x->second < y->second;
  return CompareMaterialKeys(x, y);
}

void MirrorIntoMergedTable() {
  MergedMeshTable.count = BatchMaterials.count;
  for (int i = 0; i < BatchMaterials.count; ++i) {
    MergedMeshTable.materials[i] = BatchMaterials.rows[i].material;
    MergedMeshTable.vertexCounts[i] = BatchMaterials.rows[i].vertices;
  }
}

}  // namespace

// ---- [Batch table] ----

int MergeBatchMaterials(const BatchMaterial* entries, int count) {
  const BatchTable saved = BatchMaterials;
  for (int i = 0; i < count; ++i) {
    const BatchMaterial& e = entries[i];
    if (e.triangles == 0) continue;
    int row = -1;
    for (int r = 0; r < BatchMaterials.count && row < 0; ++r)
      if (BatchMaterials.rows[r].material == e.material) row = r;
    int result = BATCH_FITS;
    if (row >= 0) {
      BatchMaterial& m = BatchMaterials.rows[row];
      if (uint64_t(m.vertices) + e.vertices > BATCH_VERTEX_LIMIT)
        result = BATCH_VERTICES_FULL;
      else {
        m.vertices += e.vertices;
        m.triangles += e.triangles;
      }
    } else if (BatchMaterials.count >= BATCH_MATERIALS) {
      result = BATCH_TABLE_FULL;
    } else if (e.vertices > BATCH_VERTEX_LIMIT) {
      result = BATCH_VERTICES_FULL;
    } else {
      BatchMaterials.rows[BatchMaterials.count++] = {e.material, e.vertices, e.triangles, 0};
    }
    if (result != BATCH_FITS) {
      BatchMaterials = saved;
      return result;
    }
  }
  MirrorIntoMergedTable();
  return BATCH_FITS;
}

int AddMeshToBatch(const BuiltMesh& mesh, const FObject* object, int lod) {
  BatchMaterial entries[BATCH_MATERIALS];
  int count = 0;
  for (int p = 0; p < mesh.partCount && count < BATCH_MATERIALS; ++p) {
    const BuiltPart& part = mesh.parts[p];
    if (part.triangleCount <= 0) continue;
    entries[count] = {part.material, uint32_t(std::max(part.pointCount, 0)), uint32_t(part.triangleCount), 0};
    if (object && object->HasStartLights())
      object->CountStartLightGeometry(part.material, lod, entries[count].triangles, entries[count].vertices);
    ++count;
  }
  return MergeBatchMaterials(entries, count);
}

int AddTreeToBatch(const WTree& tree) {
  const TreeCounts c = CountTreeGeometry(tree);
  BatchMaterial entries[2];
  int count = 0;
  if (c.barkTriangles && TreeBarkMaterials[tree.barkTexture])
    entries[count++] = {TreeBarkMaterials[tree.barkTexture], c.barkVertices, c.barkTriangles, 0};
  if (c.foliageTriangles && TreeFoliageMaterials[tree.foliageTexture])
    entries[count++] = {TreeFoliageMaterials[tree.foliageTexture], c.foliageVertices, c.foliageTriangles, 0};
  return MergeBatchMaterials(entries, count);
}

// ---- [Builder] ----

void StartBatchPass(Wld& world, int pass, int added) {
  WorldBatch.pass = pass;
  WorldBatch.passDone = 0;
  WorldBatch.firstAdded = world.objectCount - world.addedCount;
  WorldBatch.list = added ? 4 : 0;
  WorldBatch.cursor = added ? WorldBatch.firstAdded : 0;
}

// ---- [Steps] ----

int CollectBatch(Wld& world, void** objects, int added) {
  BatchMaterials.count = 0;
  MirrorIntoMergedTable();
  BatchBuilder& b = WorldBatch;
  const int startList = b.list;
  const int first = added ? b.firstAdded : 0;
  int count = 0;
  while (!b.passDone && b.list == startList && count < BATCH_OBJECTS) {
    BuildList* walk = added ? nullptr : BuildLists[b.list];
    if (walk && walk->entryCount > 0) {
      // The list's own order: its sets of shared materials one after the other.
      int status = BUILD_DONE;
      auto* o = static_cast<FixedOb*>(walk->NextObject(&status, 0));
      if (status == BUILD_TOO_MANY_MATERIALS || status == BUILD_TOO_MANY_VERTICES) break;
      if (status == BUILD_OBJECT) {
        if (!Candidate(o, b.pass, b.list)) continue;
        if (AddObject(o, b.pass, b.list) == BATCH_FITS) {
          objects[count++] = o;
          continue;
        }
        if (count > 0) {
          walk->repeat = 1;  // the next batch starts with it
          break;
        }
        int at = 0;
        while (at < world.objectCount && world.objects[at] != o) ++at;
        ShowLeftOut(at);
        continue;
      }
      walk->Rewind();
      b.cursor = world.objectCount;  // the list is done
    }
    if (b.cursor < world.objectCount) {
      FixedOb* o = world.objects[b.cursor];
      if (Candidate(o, b.pass, b.list)) {
        if (AddObject(o, b.pass, b.list) != BATCH_FITS) {
          if (count > 0) break;  // the next batch starts with it
          ShowLeftOut(b.cursor);
        } else {
          objects[count++] = o;
        }
      }
      ++b.cursor;
    }
    if (b.cursor < world.objectCount) continue;
    ++b.list;
    b.cursor = first;
    if ((!added && b.list >= BATCH_LISTS) || (added && b.list >= 7)) b.passDone = 1;
  }
  return count;
}

int BuildMeshesStep(Wld& world, int pass, int added) {
  static std::vector<void*> objects(BATCH_OBJECTS);
  WorldBatch.pass = pass;
  const int count = CollectBatch(world, objects.data(), added);
  if (count == 0) return 0;
  BatchTable& table = BatchMaterials;
  // A stable insertion sort of the rows.
  for (int i = 1; i < table.count; ++i)
    for (int j = i; j > 0 && RowBefore(table.rows[j], table.rows[j - 1]); --j)
      std::swap(table.rows[j], table.rows[j - 1]);
  FastMeshHandle handle = NewFastMesh();
  FastMesh* mesh = GetFastMesh(handle);
  if (!mesh) return 0;
  if (!ReservePrimitiveParts(*mesh, uint32_t(table.count), uint32_t(count))) {
    FreeFastMesh(handle);
    return 0;
  }
  for (int r = 0; r < table.count; ++r) {
    mesh->parts[size_t(r)].material = table.rows[r].material;
    mesh->parts[size_t(r)].ReservePart(table.rows[r].triangles, table.rows[r].vertices);
  }
  const int index = static_cast<int>(WorldRenderMeshes.size());
  WorldRenderMeshes.push_back(handle);
  WorldCurrentRenderMesh = index;
  for (int i = 0; i < count; ++i) {
    auto* o = static_cast<FixedOb*>(objects[size_t(i)]);
    if (o->type == OBJECT_TREE) {
      AddPrimitiveGroup(*mesh);
      BuildTreeMesh(*static_cast<WTree*>(o), *mesh, index);
    } else if (o->type == OBJECT_SECTION) {
      // The section's entry is the group its mesh begins.
      auto* s = static_cast<WSection*>(o);
      s->meshList = static_cast<uint16_t>(index);
      s->meshListEntry = static_cast<uint16_t>(mesh->groupCount);
      AddPrimitiveGroup(*mesh);
      if (s->builtMesh) s->builtMesh->AddToRenderMesh(*mesh, nullptr);
    } else {
      const char* name = o->type == OBJECT_PLACED ? static_cast<FObject*>(o)->ModelName() : "";
      CheckTreeMaterials(*static_cast<WPreGen*>(o), name, pass);
      if (o->type == OBJECT_PLACED && static_cast<FObject*>(o)->HasStartLights())
        static_cast<FObject*>(o)->BuildStartLightParts(*mesh, pass);
    }
  }
  BuildPrimitive(*mesh, 0);
  world.addedMeshes.Add(handle);
  WorldCurrentRenderMesh = -1;
  return 1;
}

void BuildAllWorldMeshes(Wld& world) {
  for (int pass = 0; pass < PREGEN_LEVELS; ++pass) {
    StartBatchPass(world, pass, 0);
    WorldBatch.firstAdded = 0;
    while (!WorldBatch.passDone) BuildMeshesStep(world, pass, 0);
  }
  world.addedMeshes.Mark();
}

void TrimWorldRenderMeshes(int first) {
  if (first >= 0 && first < static_cast<int>(WorldRenderMeshes.size())) WorldRenderMeshes.resize(size_t(first));
}

// ---- The world's own entry ----

void Wld::RebuildAddedMeshes(int first) {
  if (!GraphicsEnabled) return;
  if (meshesAdded) {
    ResetAddedObjectStates();
    TrimWorldRenderMeshes(addedMeshes.count);
  }
  for (int i = std::max(first, 0); i < objectCount; ++i) {
    FixedOb* o = objects[i];
    if (!o || !o->HasGeometry()) continue;
    if (o->type == OBJECT_PLACED || o->type == OBJECT_SEGMENT) static_cast<WPreGen*>(o)->BuildMeshes();
    if (o->type == OBJECT_SECTION && !static_cast<WSection*>(o)->builtMesh) static_cast<WSection*>(o)->BuildMesh(true);
  }
  for (int pass = 0; pass < PREGEN_LEVELS; ++pass) {
    StartBatchPass(*this, pass, 1);
    WorldBatch.firstAdded = std::max(first, 0);
    WorldBatch.cursor = WorldBatch.firstAdded;
    while (!WorldBatch.passDone) BuildMeshesStep(*this, pass, 1);
  }
  meshesAdded = 1;
}
