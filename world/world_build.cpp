// world_build.cpp - the objects' meshes added to the build lists and batched into the world's
// render meshes in slices (Wld::AddObjects), and the meshes made again with a new device.
#include "world/world_build.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"
#include "platform/clock.h"
#include "render/build_list.h"
#include "text/messages.h"
#include "world/built_mesh.h"
#include "world/fixed_ob.h"
#include "world/mesh_batching.h"
#include "world/octree.h"
#include "world/placed_object.h"
#include "world/pre_gen.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/track_file.h"
#include "world/tree.h"
#include "world/world.h"

namespace {

// The build list's view of a built mesh: one record per part.
const char* AddBuiltMesh(BuildList& list, const BuiltMesh* mesh, void* object) {
  if (!mesh) return list.AddMesh(nullptr, object);
  std::vector<BuildMaterialRecord> records(size_t(mesh->partCount > 0 ? mesh->partCount : 0));
  for (size_t i = 0; i < records.size(); ++i)
    records[i] = {mesh->parts[i].material, uint32_t(mesh->parts[i].pointCount), uint32_t(mesh->parts[i].triangleCount)};
  const BuildMesh view = {int(records.size()), records.data()};
  return list.AddMesh(&view, object);
}

BuildList* ListAt(int index) { return index >= 0 && index < BUILD_LIST_COUNT ? BuildLists[index] : nullptr; }

// A placed object with a model entry that is not hidden, or a road segment: the objects whose
// levels go to the build lists.
bool AddsLevels(FixedOb* o) {
  if (o->type == OBJECT_SEGMENT) return true;
  if (o->type != OBJECT_PLACED) return false;
  const auto* placed = static_cast<FObject*>(o);
  PreGenEntryView view;
  return placed->objectIndex != -1 && WorldModels.EntryOf && WorldModels.EntryOf(placed->objectIndex, view) &&
         view.sourceKind != 3;
}

}  // namespace

void AddWPreGen(WPreGen& object, int level, int objectIndex) {
  const int levels = object.distanceLevels ? object.levelCount : 1;
  if (level < 0 || level >= levels || level >= PREGEN_LEVELS) return;
  BuildList* list = ListAt(object.GetBuildList());
  if (!list) return;
  const char* refusal = AddBuiltMesh(*list, object.levels[level].built, &object);
  if (!refusal) return;
  static const char* const MODES[3] = {"SEGMENT", "POT", "OBJECT"};
  const int mode = object.GetAddMode();
  char what[96];
  if (mode < 0 || mode > 2) {
    std::snprintf(what, sizeof what, "UNKNOWN");
  } else if (object.objectIndex >= 0) {
    PreGenEntryView view;
    const char* name = nullptr;
    if (WorldModels.EntryOf && WorldModels.EntryOf(object.objectIndex, view) && view.model && WorldModels.ModelName)
      name = WorldModels.ModelName(view.model);
    if (name)
      std::snprintf(what, sizeof what, "%s %s", MODES[mode], name);
    else
      std::snprintf(what, sizeof what, "%s [dup %d]", MODES[mode], int(object.objectIndex));
  } else {
    std::snprintf(what, sizeof what, "%s", MODES[mode]);
  }
  char text[240];
  std::snprintf(text, sizeof text, "AddWPreGen : %s (%s / index %d)", refusal, what, objectIndex);
  ReportLine(text, REPORT_ERROR);
}

void AddWSection(WSection& section) {
  BuildList* list = ListAt(section.GetBuildList());
  if (!list) return;
  if (const char* refusal = AddBuiltMesh(*list, section.builtMesh, &section)) {
    char text[160];
    std::snprintf(text, sizeof text, "AddWSection : %s", refusal);
    ReportLine(text, REPORT_ERROR);
  }
}

void CheckTreeForBuild(const WTree& tree, int objectIndex, char* out, int outSize) {
  std::string text;
  char part[64];
  const auto add = [&](const char* what) {
    if (!text.empty()) text += "; ";
    text += what;
  };
  if (tree.Tips() != tree.tipCount) {
    std::snprintf(part, sizeof part, "tip count %d held to %d", int(tree.tipCount), tree.Tips());
    add(part);
  }
  if (tree.Spread() != tree.spread) {
    std::snprintf(part, sizeof part, "spread %d held to %d", int(tree.spread), tree.Spread());
    add(part);
  }
  if (tree.HasBark() && !TreeBarkMaterials[tree.barkTexture]) {
    std::snprintf(part, sizeof part, "no bark texture %d", int(tree.barkTexture));
    add(part);
  }
  if (tree.HasFoliage() && !TreeFoliageMaterials[tree.foliageTexture]) {
    std::snprintf(part, sizeof part, "no foliage texture %d", int(tree.foliageTexture));
    add(part);
  }
  if (!text.empty()) {
    std::snprintf(part, sizeof part, " (index %d)", objectIndex);
    text += part;
  }
  std::snprintf(out, size_t(outSize), "%s", text.c_str());
}

void AddWTree(const WTree& tree, int objectIndex) {
  if (!DebugMessagesOn) return;
  char found[240];
  CheckTreeForBuild(tree, objectIndex, found, sizeof found);
  if (!found[0]) return;
  char text[256];
  std::snprintf(text, sizeof text, "AddWTree : %s", found);
  ReportLine(text, REPORT_ERROR);
}

void Wld::AddObjects(int count) {
  const uint32_t start = ClockNowMs();
  auto timeLeft = [start] { return ClockNowMs() - start < WORLD_LOAD_SLICE_MS; };
  count = count < objectCount ? count : objectCount;
  switch (rebuildStep) {
    case 1:
      stepIndex = 0;
      LogF("Adding the meshes of %d objects", count);
      if (count > 0) {
        AllocBuildLists();
        rebuildStep = 2;
      } else {
        SetWorldLoadingText("Preloading");
        rebuildStep = 4;
      }
      return;
    case 2:
      while (stepIndex < count) {
        FixedOb* o = objects[stepIndex];
        if (o && o->HasGeometry()) {
          if (AddsLevels(o)) {
            auto* p = static_cast<WPreGen*>(o);
            p->BuildMeshes();
            AddWPreGen(*p, 0, stepIndex);
          } else if (o->type == OBJECT_SECTION) {
            auto* s = static_cast<WSection*>(o);
            if (!s->builtMesh) s->BuildMesh(true);
            AddWSection(*s);
          } else if (o->type == OBJECT_TREE) {
            AddWTree(*static_cast<WTree*>(o), stepIndex);
          }
        }
        ++stepIndex;
        if (!timeLeft()) return;
      }
      rebuildPass = 0;
      stepIndex = 0;
      rebuildProgress[0] = rebuildProgress[1] = rebuildProgress[2] = 0;
      SetWorldLoadingText("Generating");
      StartBatchPass(*this, 0, 0);
      rebuildStep = 3;
      return;
    case 3:
      while (rebuildStep == 3) {
        BuildMeshesStep(*this, rebuildPass, 0);
        if (WorldBatch.passDone) {
          if (++rebuildPass == PREGEN_LEVELS) {
            addedMeshes.Mark();
            LogF("meshes : %d", addedMeshes.count);
            FreeBuildLists();
            SetWorldLoadingText("Preloading");
            stepIndex = 0;
            rebuildStep = 4;
            return;
          }
          ClearBuildLists();
          for (int i = 0; i < count; ++i)
            if (objects[i] && objects[i]->HasGeometry() && AddsLevels(objects[i]))
              AddWPreGen(*static_cast<WPreGen*>(objects[i]), rebuildPass, i);
          rebuildProgress[0] = rebuildProgress[1] = rebuildProgress[2] = 0;
          StartBatchPass(*this, rebuildPass, 0);
        }
        if (!timeLeft()) return;
      }
      return;
    case 4:
      while (stepIndex < count) {
        FixedOb* o = objects[stepIndex++];
        if (o && (o->type == OBJECT_PLACED || o->type == OBJECT_SECTION || o->type == OBJECT_SEGMENT))
          o->FreeBuilt(false);
        if (!timeLeft()) return;
      }
      if (ObjectOctree.numObs > 0) ObjectOctree.ClearNodeLists();
      stepIndex = 0;
      SetWorldLoadingText(TEXT_LOAD_FINISHED);
      rebuildStep = 5;
      return;
    case 5:
      rebuildStep = 0;
      if (CountLayoutChanges() > 0) changed = 1;
      return;
    default: rebuildStep = 0; return;
  }
}
