// rim_editor_actions.cpp - the rim editor's buttons and answers: rim files, the editing mode,
// surfaces made from two points, and the rim's colours (mappings).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/window_state.h"
#include "model/model_object.h"
#include "physics/car.h"
#include "platform/files.h"
#include "rim/rim_editor_local.h"
#include "ui/dialogs.h"

namespace {

// A row's own buttons carry its mapping + 1; the sliders and steps pass an address or 0.
constexpr uintptr_t ROW_WORD_LIMIT = 0x10000;
constexpr int CLICK_PASTE = 10;

int CurrentMappingExists(const GraphWXS& g) { return g.currentMapping >= 0 && g.currentMapping < g.rim->mappingCount; }

// The model's mapping operations worked on the rim's own array: an object that holds it for
// the call and gives it back.
template <class Operation>
void WithRimMappings(WXS& rim, Operation operation) {
  ModelObject holder{};
  holder.mappingCount = rim.mappingCount;
  holder.mappings = rim.mappings;
  operation(holder);
  rim.mappingCount = holder.mappingCount;
  rim.mappings = holder.mappings;
}

void ColoursChanged(GraphWXS& g) {
  WithRimMappings(*g.rim, [](ModelObject& o) { o.PropagateMasterColours(); });
  g.PointsChanged(0);
}

}  // namespace

void RimFileButton(void* screen, int, uintptr_t word) {
  Prss* p = &RimOf(screen)->prss;
  if (word == 0)
    AskText(p, LoadRimIntoEditor, TEXT_RIM_LOAD_PROMPT, RIM_NAME_LENGTH, 0, "", 0, RIM_ENTRY_LOAD, RIM_FILE_PATTERN);
  else if (word == 1)
    AskText(p, SaveRimAnswered, TEXT_RIM_SAVE_PROMPT, RIM_NAME_LENGTH, 0, "", 0, RIM_ENTRY_SAVE, RIM_FILE_PATTERN);
}

void LoadRimIntoEditor(Prss* screen, const char* name, uint32_t) {
  GraphWXS& g = RimOf(screen)->graph;
  char path[FILE_PATH_SIZE];
  if (!RimFilePath(screen, name, path, sizeof path)) return;
  // Only a whole read replaces the edited rim; the arrays it held are released.
  if (!LoadRimFile(*g.rim, path, screen)) return;
  g.ClearSelection();
  g.selectedSurface = -1;
  g.currentMapping = 0;
  if (g.car) g.car->ReleaseMeshes();
}

void SaveRimAnswered(Prss* screen, const char* name, uint32_t) { SaveRimFile(screen, name, *RimOf(screen)->graph.rim); }

void SetRimMode(void* screen, int, uintptr_t word) {
  GraphWXS& g = RimOf(screen)->graph;
  if (word != RIM_MODE_POINT && word != RIM_MODE_SURFACE) return;
  g.mode = int32_t(word);
  g.ClearSelection();
  g.selectedSurface = -1;
}

void RimSurfacePointPressed(void* screen, int, uintptr_t index) {
  GraphWXS& g = RimOf(screen)->graph;
  WXS& rim = *g.rim;
  if (g.mode != RIM_MODE_SURFACE || index >= uintptr_t(std::max(rim.numPoints, 0))) return;
  if (g.selectionCount == 0) {
    g.selection[0] = int32_t(index);
    g.selectionCount = 1;
    return;
  }
  const int32_t first = g.selection[g.selectionCount - 1];
  if (first == int32_t(index)) {
    g.ClearSelection();
    return;
  }
  if (!CurrentMappingExists(g) || rim.surfaceCount >= std::min(g.maxSurfaces, RIM_MAX_SURFACES)) return;
  auto* grown = static_cast<RimSurface*>(std::realloc(rim.surfaces, (rim.surfaceCount + 1u) * sizeof(RimSurface)));
  if (!grown) return;
  rim.surfaces = grown;
  rim.surfaces[rim.surfaceCount++] = RimSurface{uint32_t(first), uint32_t(index), 0, uint32_t(g.currentMapping)};
  g.ClearSelection();
  g.PointsChanged(0);
}

void RimSurfacePressed(void* screen, int, uintptr_t index) {
  RimScreen& s = *RimOf(screen);
  GraphWXS& g = s.graph;
  if (index >= g.rim->surfaceCount) return;
  if (g.selectedSurface == int32_t(index)) {
    g.selectedSurface = -1;
    return;
  }
  g.selectedSurface = int32_t(index);
  g.ClearSelection();
  g.currentMapping = int32_t(g.rim->surfaces[index].mapping);
  s.shownGroup = int32_t(g.rim->surfaces[index].group);
}

void RimMappingButton(void* screen, int, uintptr_t word) {
  GraphWXS& g = RimOf(screen)->graph;
  WXS& rim = *g.rim;
  if (word == 0) {
    if (RemoveRimMapping(rim, g.currentMapping)) g.currentMapping = 0;
    return;
  }
  if (word != 1 || rim.mappingCount >= RIM_EDITOR_MAPPINGS) return;
  ModelMapping copy{};
  const int exists = CurrentMappingExists(g);
  if (exists) copy = rim.mappings[g.currentMapping];
  WithRimMappings(rim, [&](ModelObject& o) { g.currentMapping = o.AddMapping(exists ? &copy : nullptr); });
}

void RimMappingRow(void* screen, int clickCode, uintptr_t word) {
  RimScreen& s = *RimOf(screen);
  GraphWXS& g = s.graph;
  if (clickCode == CLICK_PASTE || !(clickCode & (CLICK_LEFT | CLICK_RIGHT)) || word == 0 || word > ROW_WORD_LIMIT) {
    ColoursChanged(g);
    return;
  }
  const int index = int(word) - 1;
  if (index >= g.rim->mappingCount) return;
  if (clickCode & CLICK_LEFT) {
    g.currentMapping = index;
    return;
  }
  AskText(&s.prss, RenameRimMapping, TEXT_RIM_RENAME_PROMPT, CUTOUT_NAME_SIZE - 1, uint32_t(index),
          g.rim->mappings[index].name, 0, 0, nullptr);
}

void RenameRimMapping(Prss* screen, const char* name, uint32_t mapping) {
  GraphWXS& g = RimOf(screen)->graph;
  WXS& rim = *g.rim;
  if (!name || !name[0] || mapping >= uint32_t(std::max(rim.mappingCount, 0))) return;
  char* field = rim.mappings[mapping].name;
  std::memset(field, 0, CUTOUT_NAME_SIZE);
  std::strncpy(field, name, CUTOUT_NAME_SIZE - 1);
  // A new name may make it a master colour, or a numbered one that follows a master.
  ColoursChanged(g);
}
