// layers.cpp - the layer panel and its actions, the attribute assignments and the clean-ups
// of hidden items and unused points.
#include "modeller/operations/layers.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/window_state.h"
#include "model/model_materials.h"
#include "model/model_object.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

namespace {

constexpr int LAYER_NAME_LENGTH = LAYER_NAME_SIZE - 1;  // the entry takes no more than the name keeps
const char* const SWAP_NAMES[2] = {"static", "swap"};

const char* Plural(int n) { return n == 1 ? "" : "s"; }
int Level(const ModellerScreen& s) { return s.mainObject ? s.mainObject->currentLod : 0; }
bool Selected(const ModelTriangle& t) { return (t.flags & TRIANGLE_SELECTED) != 0; }
bool LayerShown(int layer) { return ObjectEditorShared.visibleLayers >> (layer & 31) & 1; }
void Record(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}
void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

const char* LayerName(const ModellerScreen& s, int layer) {
  const char* name = s.mainObject ? s.mainObject->layerNames[layer & 31] : "";
  return name[0] ? name : TEXT_UNNAMED_LAYER;
}

// The answer of a right click on a layer: its new name, an undo point that marks the model
// changed.  The same name again changes nothing.
void LayerNameAnswered(Prss* owner, const char* text, uint32_t layer) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || !text || layer >= LAYER_COUNT) return;
  char name[LAYER_NAME_SIZE];
  std::snprintf(name, sizeof name, "%s", text);
  if (std::strcmp(name, s->mainObject->layerNames[layer]) == 0) return;
  Record("rename layer");
  std::memcpy(s->mainObject->layerNames[layer], name, sizeof name);
  Refresh(*s);
}

void AskLayerName(ModellerScreen& s, int layer) {
  AskText(&s.prss, LayerNameAnswered, TEXT_LAYER_NAME, LAYER_NAME_LENGTH, uint32_t(layer),
          s.mainObject->layerNames[layer], 0, 0, nullptr);
}

void AssignLayerAnswered(Prss* owner, uint32_t layer, uint32_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  Record("triangles to layer");
  ModelObject& o = *EditedObject;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) o.triangles[t].layer = uint8_t(layer);
  DeselectHiddenItems(*s);
  Refresh(*s);
}

constexpr int MAPPING_NAME_SIZE = 16;  // 15 characters and the terminating zero

const char* MappingName(const ModelObject& o, int mapping) {
  return o.mappings[mapping].name[0] ? o.mappings[mapping].name : TEXT_UNNAMED_MAPPING;
}

// The answer of a right click on a mapping: its new name, the material flags repaired and the
// master colours passed on.  An empty answer changes nothing.
void MappingRenamed(Prss* owner, const char* text, uint32_t mapping) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || !text || !text[0] || mapping >= uint32_t(EditedObject->mappingCount)) return;
  Record("rename mapping");
  ModelMapping& m = EditedObject->mappings[mapping];
  std::snprintf(m.name, sizeof m.name, "%.15s", text);
  MaterialFlagsChanged(owner, 0, 0);
  Refresh(*s);
}

void MergeLayerChosen(Prss* owner, uint32_t, int chosen) {
  ModellerScreen* s = OperationScreen(owner);
  if (s && chosen >= 0 && chosen < PANEL_LAYERS) MergeLayer(*s, chosen, int(s->state.currentLayer));
}

void ConfigurationAction(void* owner, int, uintptr_t index) {
  ModellerScreen* s = OperationScreen(owner);
  const VehicleEditorLink& car = VehicleEditorHooks;
  if (!s || !car.configurationMask) return;
  ObjectEditorShared.visibleLayers = car.configurationMask(int(index));
  DeselectHiddenItems(*s);
  Refresh(*s);
}

// The configurations of the car being edited (only while one is).
void AddConfigurationButtons(ModellerScreen& s, int left) {
  const VehicleEditorLink& car = VehicleEditorHooks;
  if (!car.carBeingEdited || !car.carBeingEdited() || !car.configurationCount || !car.configurationName ||
      !car.configurationMask)
    return;
  const int count = car.configurationCount();
  RowCursorX = left;
  RowCursorY += ButtonHeight;
  AddRowButton(&s.prss, 4, 0, 0, &TextColours.grey, car.skinId ? car.skinId() : "", nullptr, "The vehicle's Skin ID");
  int first = count % 2 ? 1 : 2;
  for (int i = 0; i < count; ++i) {
    const int units = i < first ? (first == 1 ? 12 : 6) : 8;
    if (i >= first && (i - first) % 2 == 0) RowCursorX = left, RowCursorY += ButtonHeight;
    AddRowButton(&s.prss, units, uintptr_t(i), car.configurationMask(i) == ObjectEditorShared.visibleLayers,
                 &TextColours.lightOrange, car.configurationName(i), ConfigurationAction,
                 "Select a configuration defined in the vehicle editor");
  }
}

// Attribute steps 1 to 5 with the attribute's own reading and writing.
struct Attribute {
  const char* undoName;
  const char* already;   // one %s or %d
  const char* question;  // %d, %s and the value
  uint8_t (*get)(const ModelTriangle&);
  void (*set)(ModelTriangle&, int);
  void (*makeCurrent)(ModellerState&, int);
};

void SelectAllWith(ModellerScreen& s, const Attribute& a, int value) {
  ModelObject& o = *EditedObject;
  DeselectAllTriangles(s);
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod == Level(s) && !(tri.flags & TRIANGLE_HIDDEN) && LayerShown(tri.layer) && a.get(tri) == value)
      SelectTriangle(s, t);
  }
  a.makeCurrent(s.state, value);
}

const Attribute GROUP = {"set group", "Selected triangles are already in group %d", "Assign %d triangle%s to group %d?",
                         [](const ModelTriangle& t) { return t.group; },
                         [](ModelTriangle& t, int v) { t.group = uint8_t(v); },
                         [](ModellerState& st, int v) { st.currentGroup = uint32_t(v); }};
const Attribute CONTRIBUTION = {"assign n.c.level", "Selected triangles are already in ncl %s",
                                "Assign %d triangle%s to n.c.level %s?",
                                [](const ModelTriangle& t) { return t.normalLevel; },
                                [](ModelTriangle& t, int v) { t.normalLevel = uint8_t(v); },
                                [](ModellerState& st, int v) { st.normalLevel = uint8_t(v); }};
const Attribute SWAP = {"assign l.r.swap", "Selected triangles are already in %s", "Assign %d triangle%s to : %s?",
                        [](const ModelTriangle& t) { return uint8_t((t.flags & TRIANGLE_SIDE_SWAP) != 0); },
                        [](ModelTriangle& t, int v) {
                          // A mirrored triangle never swaps sides.
                          const bool on = v && !(t.flags & TRIANGLE_MIRRORED);
                          t.flags = on ? uint8_t(t.flags | TRIANGLE_SIDE_SWAP) : uint8_t(t.flags & ~TRIANGLE_SIDE_SWAP);
                        },
                        [](ModellerState& st, int v) { st.sideSwap = uint8_t(v); }};

const Attribute COLOUR = {"set colour", "Selected triangles are already %s", "Assign %d triangle%s to colour %s?",
                          [](const ModelTriangle& t) { return t.mapping; },
                          [](ModelTriangle& t, int v) { t.mapping = uint8_t(v); },
                          [](ModellerState& st, int v) { st.currentMapping = v; }};

enum AttributeKind : uint32_t { ATTRIBUTE_GROUP = 0, ATTRIBUTE_CONTRIBUTION = 1, ATTRIBUTE_SWAP = 2, ATTRIBUTE_COLOUR = 3 };
const Attribute* AttributeOf(uint32_t which) {
  static const Attribute* const ALL[4] = {&GROUP, &CONTRIBUTION, &SWAP, &COLOUR};
  return ALL[which < 4 ? which : 0];
}

void AttributeAnswered(Prss* owner, uint32_t which, uint32_t value) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  const Attribute& a = *AttributeOf(which);
  Record(a.undoName);
  ModelObject& o = *EditedObject;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) a.set(o.triangles[t], int(value));
  a.makeCurrent(s->state, int(value));
  Refresh(*s);
}

void AssignAttribute(void* owner, uint32_t which, int value, const char* valueText) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  const Attribute& a = *AttributeOf(which);
  ModelObject& o = *EditedObject;
  if (CtrlHeld && which != ATTRIBUTE_COLOUR) {
    SelectAllWith(*s, a, value);
    return;
  }
  CountSelectedTriangles(*s, 0);
  const int selected = s->state.selectedTriangleCount;
  if (selected == 0) {
    a.makeCurrent(s->state, value);
    return;
  }
  bool allHave = true, allMirrored = true;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    allHave = allHave && a.get(tri) == value;
    allMirrored = allMirrored && (tri.flags & TRIANGLE_MIRRORED);
  }
  if (allHave) {
    if (which == ATTRIBUTE_GROUP)
      ShowEditorInfof(a.already, value);
    else
      ShowEditorInfof(a.already, valueText);
    return;
  }
  if (which == ATTRIBUTE_SWAP && value && allMirrored) {
    ShowMessageBox(&s->prss, TEXT_ALL_MIRRORED);
    return;
  }
  if (s->prss.sub) return;
  char question[DIALOG_TEXT_SIZE];
  if (which == ATTRIBUTE_GROUP)
    std::snprintf(question, sizeof question, a.question, selected, Plural(selected), value);
  else
    std::snprintf(question, sizeof question, a.question, selected, Plural(selected), valueText);
  AskQuestion(&s->prss, AttributeAnswered, question, "", which, uint32_t(value), 0);
}

}  // namespace

// ---- [Layer panel] ----

void AddLayerPanel(ModellerScreen& s) {
  if (!EditedObject || !s.mainObject || ObjectEditorShared.spokeCount != 0) return;
  const ModelObject& o = *EditedObject;
  const bool assign = s.state.mode == ModeTriangle && s.state.selectedTriangleCount > 0 && !ShiftHeld;
  uint32_t onSelected = 0;
  if (assign)
    for (int t = 0; t < o.triangleCount; ++t)
      if (Selected(o.triangles[t])) onSelected |= 1u << (o.triangles[t].layer & 31);
  static const char* const VISIBLE_LEADERS[4][2] = {
      {"all", "Show all layers"}, {"none", "Hide all layers"}, {"-", nullptr},
      {"merge", "Merge the selected layer into another layer"}};
  static const char* const ASSIGN_LEADERS[4] = {"shift :", "select", "-", "-"};
  static const uintptr_t VISIBLE_WORDS[4] = {0, 1, 2, 3};
  const uint32_t visible = ObjectEditorShared.visibleLayers;
  const int left = RowCursorX;
  for (int row = 0; row < 4; ++row) {
    RowCursorX = left;
    RowCursorY += ButtonHeight;
    if (assign) {
      const bool hinted = row < 2;
      AddRowButton(&s.prss, 4, 2, 0, &TextColours.grey, ASSIGN_LEADERS[row], hinted ? LayerPanelAction : nullptr,
                   hinted ? "Hold down the SHIFT key to select a layer" : nullptr);
    } else {
      // Rows: all, none, merge, and an empty leader (the merge row is the third).
      const int leader = row == 2 ? 3 : row == 3 ? 2 : row;
      const bool lit = (leader == 0 && visible == ~0u) || (leader == 1 && (visible & 0xFFFF) == 0);
      AddRowButton(&s.prss, 4, VISIBLE_WORDS[leader], lit, &TextColours.lightOrange, VISIBLE_LEADERS[leader][0],
                   leader == 2 ? nullptr : LayerPanelAction, VISIBLE_LEADERS[leader][1]);
    }
    for (int column = 0; column < 4; ++column) {
      const int layer = row * 4 + column;
      const bool current = uint32_t(layer) == s.state.currentLayer;
      ColourWord* colour = current ? &TextColours.lightYellow
                           : assign || LayerShown(layer) ? &TextColours.lightOrange
                                                         : &TextColours.panelGrey;
      if (assign)
        AddRowButton(&s.prss, 3, uintptr_t(layer), (onSelected >> layer) & 1, colour, LayerName(s, layer),
                     AssignLayerAction, "Left click to assign selected triangles to layer / Right click to rename");
      else
        AddRowButton(&s.prss, 3, uintptr_t(layer), LayerShown(layer), colour, LayerName(s, layer), LayerButtonAction,
                     "Left click to hide/show/select layer / Right click to rename");
    }
  }
  AddConfigurationButtons(s, left);
}

void LayerButtonAction(void* owner, int clickCode, uintptr_t layer) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || layer >= LAYER_COUNT) return;
  if (clickCode & CLICK_RIGHT) {
    AskLayerName(*s, int(layer));
    return;
  }
  ObjectEditorShared.visibleLayers ^= 1u << layer;
  if (LayerShown(int(layer)))
    s->state.currentLayer = uint32_t(layer);
  else
    DeselectHiddenItems(*s);
  Refresh(*s);
}

void AssignLayerAction(void* owner, int clickCode, uintptr_t layer) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || !EditedObject || layer >= LAYER_COUNT) return;
  if (clickCode & CLICK_RIGHT) {
    AskLayerName(*s, int(layer));
    return;
  }
  const ModelObject& o = *EditedObject;
  CountSelectedTriangles(*s, 0);
  const int selected = s->state.selectedTriangleCount;
  if (selected == 0) return;
  bool allOn = true;
  for (int t = 0; t < o.triangleCount; ++t) allOn = allOn && (!Selected(o.triangles[t]) || o.triangles[t].layer == layer);
  if (allOn) {
    char first[DIALOG_TEXT_SIZE];
    std::snprintf(first, sizeof first, "Selected triangles are already in layer %s", LayerName(*s, int(layer)));
    ShowMessageBox2Lines(&s->prss, first, "(SHIFT to switch layers while triangles selected)");
    return;
  }
  if (s->prss.sub) return;
  char question[DIALOG_TEXT_SIZE];
  std::snprintf(question, sizeof question, "Assign %d triangle%s to layer %s?", selected, Plural(selected),
                LayerName(*s, int(layer)));
  AskQuestion(&s->prss, AssignLayerAnswered, question, "", uint32_t(layer), 0, 0);
}

void LayerPanelAction(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject) return;
  switch (word) {
    case 0:
      ObjectEditorShared.visibleLayers = ~0u;
      Refresh(*s);
      break;
    case 1:
      ObjectEditorShared.visibleLayers = 0;
      DeselectHiddenItems(*s);
      Refresh(*s);
      break;
    case 2: ShowEditorInfo(TEXT_PRESS_SHIFT); break;
    case 3: {
      static char names[PANEL_LAYERS][LAYER_NAME_SIZE];
      static const char* texts[PANEL_LAYERS];
      for (int l = 0; l < PANEL_LAYERS; ++l) {
        std::snprintf(names[l], LAYER_NAME_SIZE, "%s", s->mainObject->layerNames[l][0] ? s->mainObject->layerNames[l] : "-");
        texts[l] = names[l];
      }
      AskSelect(&s->prss, MergeLayerChosen, TEXT_MERGE_LAYER_TITLE, nullptr, texts, PANEL_LAYERS, 0,
                int(s->state.currentLayer));
      break;
    }
    default: break;
  }
}

void MergeLayer(ModellerScreen& s, int to, int from) {
  if (!s.mainObject || to == from || to < 0 || from < 0 || to >= LAYER_COUNT || from >= LAYER_COUNT) return;
  Record("merge layer");
  s.mainObject->MoveLayer(to, from);
  Refresh(s);
}

// ---- [Attributes] ----

void AssignGroupAction(void* owner, int, uintptr_t group) {
  if (group < MAX_SMOOTHING_GROUPS) AssignAttribute(owner, ATTRIBUTE_GROUP, int(group), nullptr);
}
void AssignContributionAction(void* owner, int, uintptr_t level) {
  if (level < NORMAL_LEVEL_COUNT) AssignAttribute(owner, ATTRIBUTE_CONTRIBUTION, int(level), NORMAL_LEVEL_NAMES[level]);
}
void AssignSwapAction(void* owner, int, uintptr_t swap) {
  if (swap < 2) AssignAttribute(owner, ATTRIBUTE_SWAP, int(swap), SWAP_NAMES[swap]);
}

void AssignColourAction(void* owner, int clickCode, uintptr_t mapping) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || mapping >= uintptr_t(EditedObject->mappingCount)) return;
  ModelObject& o = *EditedObject;
  const int index = int(mapping);
  if (clickCode & CLICK_RIGHT) {
    TextEntrySuggestions = LIGHT_MAPPING_NAMES;
    TextEntrySuggestionCount = LIGHT_NAME_COUNT;
    AskText(&s->prss, MappingRenamed, TEXT_RENAME_MAPPING, MAPPING_NAME_SIZE, uint32_t(index), o.mappings[index].name,
            0, 0, nullptr);
    return;
  }
  if (CtrlHeld && s->state.mode != ModeBuild) {
    // Added to the selection, which is not replaced.
    for (int t = 0; t < o.triangleCount; ++t) {
      const ModelTriangle& tri = o.triangles[t];
      if (!Selected(tri) && tri.mapping == index && tri.lod == Level(*s) && !(tri.flags & TRIANGLE_HIDDEN) &&
          LayerShown(tri.layer))
        SelectTriangle(*s, t);
    }
    s->state.currentMapping = index;
    return;
  }
  if (s->state.mode == ModeTriangle) {
    AssignAttribute(owner, ATTRIBUTE_COLOUR, index, MappingName(o, index));
    return;
  }
  s->state.currentMapping = index;
}

// ---- [Hidden items and points] ----

void DeselectHiddenItems(ModellerScreen& s) {
  if (!EditedObject || ObjectEditorShared.visibleLayers == ~0u) return;
  ModelObject& o = *EditedObject;
  bool currentGone = false;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri) || LayerShown(tri.layer)) continue;
    tri.flags &= uint8_t(~TRIANGLE_SELECTED);
    --s.state.selectedTriangleCount;
    currentGone = currentGone || t == s.state.currentTriangle;
  }
  if (currentGone) FindCurrentTriangle(s);
  if (s.state.selectedPointCount == 0) return;
  o.MarkPointsByLayerMask(ObjectEditorShared.visibleLayers, 0);
  for (int p = 0; p < o.pointCount; ++p)
    if ((o.points[p].flags & POINT_SELECTED) && o.points[p].work != 1) DeselectPoint(s, p);
}

void DeleteUnusedPoints(ModellerScreen& s, int record) {
  if (!EditedObject) return;
  ModelObject& o = *EditedObject;
  CountSelectedPoints(s, 0);
  if (s.state.selectedPointCount == 0) return;
  if (record) Record("delete unused points");
  o.UnmarkUsedPoints(1);
  RemoveMarkedPoints(o);
  DeselectAllPoints(s);
  Refresh(s);
}

void UnmirrorUnusedPoints(ModellerScreen& s) {
  if (!EditedObject) return;
  ModelObject& o = *EditedObject;
  CountSelectedPoints(s, 0);
  if (s.state.selectedPointCount == 0) return;
  Record("unmirror unused points");
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED) || (point.flags & POINT_REFERENCE) || !(point.flags & POINT_MIRROR_STATE))
      continue;
    bool needed = false;
    for (int t = 0; t < o.triangleCount && !needed; ++t) {
      const ModelTriangle& tri = o.triangles[t];
      for (uint16_t c : tri.corners)
        needed = needed || c == uint16_t(p | CORNER_MIRRORED) ||
                 ((tri.flags & TRIANGLE_MIRRORED) && (c & CORNER_INDEX_MASK) == p);
    }
    if (!needed) point.flags &= uint8_t(~POINT_MIRROR_STATE);
  }
  Refresh(s);
}
