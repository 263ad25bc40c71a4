// object_panel.cpp - the mapping list with its chain and material, the subobject list and the
// subobject labels.
#include "modeller/screen/object_panel.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/window_state.h"
#include "model/model_meshes.h"
#include "model/model_object.h"
#include "modeller/texture/cutout_material.h"
#include "modeller/operations/layers.h"
#include "modeller/files/modeller_files.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/subobjects.h"
#include "modeller/operations/triangle_tools.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/screen_labels.h"
#include "ui/value_edit.h"

const char SUBOBJECT_LETTERS[] = "MBSATMRFUCOHC";
const uint8_t SUBOBJECT_LABEL_KINDS[SUBOBJECT_TYPE_COUNT] = {5, 3, 4, 5, 3, 3, 1, 1, 1, 1, 4, 4, 3};

ColourWord* LabelKindColour(int kind) {
  ColourWord* const KINDS[5] = {&TextColours.red, &TextColours.green, &TextColours.orange, &TextColours.yellow,
                                &TextColours.lightOrange};
  return kind >= 1 && kind <= 5 ? KINDS[kind - 1] : &TextColours.panelGrey;
}

namespace {

constexpr int ENTRY_ROWS = 4;
constexpr int LOWER_ROWS = 5;         // the count, the chain's three rows and the material
constexpr int LIST_UNITS = 12;

ColourWord* Plain() { return &TextColours.lightOrange; }
ColourWord* Grey() { return &TextColours.grey; }

void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

float NormalisedX(int pixels) { return -1.0f + 2.0f * float(pixels) / float(std::max(ScreenWidth, 1)); }
float NormalisedY(int pixels) { return -1.0f + 2.0f * float(pixels) / float(std::max(ScreenHeight, 1)); }

int TypeOf(const ModelObject& o) { return o.type < SUBOBJECT_TYPE_COUNT ? o.type : 0; }

// The current mapping's main cutout, -1 without one.
int MainCutout(const ModelObject& o, int mapping) {
  if (mapping < 0 || mapping >= o.mappingCount) return -1;
  const int c = o.mappings[mapping].cutout[0];
  return c < o.cutoutCount ? c : -1;
}

const char* PageName(const ModelObject& o, int cutout) {
  if (cutout < 0 || o.cutouts[cutout].page >= o.pageCount) return TEXT_NO_TEXTURE;
  const TexturePage& page = o.pages[o.cutouts[cutout].page];
  if (page.type == PAGE_SKIN) return EditorSkinName[0] ? EditorSkinName : TEXT_NO_SKIN;
  return page.name[0] ? page.name : TEXT_NO_TEXTURE;
}

void MappingColourEdited(void* owner, int, uintptr_t) {
  if (ModellerScreen* s = OperationScreen(owner)) Refresh(*s);
}

void MaterialAnswered(Prss* owner, uint32_t cutout, uint32_t) {
  ModellerScreen* s = ModellerOf(owner);
  if (!s || !EditedObject || int(cutout) >= EditedObject->cutoutCount) return;
  if (AddUndoPoint) AddUndoPoint("set material", 0, 0, 0);
  EditedObject->cutouts[cutout].material = MaterialDialog.material;
  Refresh(*s);
}

void SubobjectRenamed(Prss* owner, const char* text, uint32_t treeIndex) {
  ModellerScreen* s = ModellerOf(owner);
  if (!text || !s || !s->mainObject) return;
  ModelObject* object = ObjectAtTreeIndex(*s->mainObject, int(treeIndex));
  if (!object) return;
  if (AddUndoPoint) AddUndoPoint("rename subobject", 0, 0, 0);
  object = ObjectAtTreeIndex(*s->mainObject, int(treeIndex));  // the history may not move it, but look again
  std::snprintf(object->name, sizeof object->name, "%.*s", SUBOBJECT_NAME_LENGTH, text);
}

void LabelClicked(uintptr_t object, int clickCode, int32_t, uint32_t) {
  if (ActiveModeller) SubobjectLabelAction(*ActiveModeller, clickCode, reinterpret_cast<ModelObject*>(object));
}

void SelectRowAction(void* owner, int, uintptr_t object) {
  if (ModellerScreen* s = OperationScreen(owner)) SelectSubobject(*s, 0, reinterpret_cast<ModelObject*>(object));
}

void NameRowAction(void* owner, int clickCode, uintptr_t object) {
  if (ModellerScreen* s = OperationScreen(owner))
    SubobjectLabelAction(*s, clickCode, reinterpret_cast<ModelObject*>(object));
}

}  // namespace

// ---- [Mapping list] ----

void AddMappingList(ModellerScreen& s) {
  if (!EditedObject) return;
  ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  Prss* owner = &s.prss;
  const int left = RowCursorX;
  const auto nextRow = [left] {
    RowCursorX = left;
    RowCursorY += ButtonHeight;
  };
  const int count = o.mappingCount;
  if (st.currentMapping < 0 || st.currentMapping >= count) {
    ShowMessage(TEXT_COLOUR_OUT_OF_BOUNDS, TextColours.grey);
    st.currentMapping = 0;
  }
  // The rows under the entries must stay clear of the object panel at the bottom.
  const int lowest = ScreenHeight - (ObjectPanelRows(s) + LOWER_ROWS) * ButtonHeight;
  if (count == 0 || RowCursorY > lowest) return;
  // As many entries as fit, the scroll position lowered so that they end at the last mapping.
  const int room = std::min({ScreenHeight / 2, ScreenHeight - (15 * ButtonHeight) / 2 - RowCursorY, lowest - RowCursorY});
  const int fit = room > 0 ? room / (ENTRY_ROWS * ButtonHeight) : 0;
  const int shown = std::min(count, fit);
  s.mappingScroll = std::clamp(s.mappingScroll, 0, std::max(0, count - shown));
  std::vector<int> used(size_t(std::max(count, 1)), 0);
  for (int t = 0; t < o.triangleCount; ++t)
    if (o.triangles[t].mapping < count) ++used[o.triangles[t].mapping];

  const int listTop = RowCursorY;
  const uint8_t domain = EditDomain;
  EditDomain = EDIT_DOMAIN_MODELLER;  // the colour sliders' edits go into the undo history
  for (int k = 0; k < shown; ++k) {
    const int i = s.mappingScroll + k;
    ModelMapping& m = o.mappings[i];
    static char counts[MAX_MODEL_MAPPINGS][16];
    std::snprintf(counts[i], sizeof counts[i], "%d tri", used[size_t(i)]);
    RowCursorX = left;
    const bool selectAll = CtrlHeld && st.mode != ModeBuild && used[size_t(i)] > 0;
    AddRowButton(owner, 8, uintptr_t(i), st.currentMapping == i, Plain(),
                 selectAll ? "select all" : m.name[0] ? m.name : TEXT_UNNAMED_MAPPING, AssignColourAction,
                 "Name of this mapping (or colour)");
    AddRowButton(owner, 4, 0, 0, used[size_t(i)] ? Plain() : Grey(), counts[i], nullptr,
                 "Number of triangles that use this mapping");
    RowCursorX = left;
    RowCursorY += ButtonHeight;
    AddColourSliders(owner, uintptr_t(i), &m.colour, "", MappingColourEdited, 0);
    RowCursorX = left;
    RowCursorY = listTop + (k + 1) * ENTRY_ROWS * ButtonHeight;
  }
  EditDomain = domain;

  // The count and the clean-ups; "del" only for an unused current mapping of several.
  RowCursorX = left;
  const int current = st.currentMapping;
  const bool deletable = count >= 2 && current >= 0 && current < count && used[size_t(current)] == 0;
  static char countText[24];
  std::snprintf(countText, sizeof countText, deletable ? "c : %d" : "cols : %d", count);
  AddRowButton(owner, deletable ? 3 : 4, COLOUR_CHOOSE, 0, Plain(), countText, ColourCommand,
               "Scroll to make the selected mapping visible");
  AddRowButton(owner, 3, COLOUR_DELETE_UNUSED, 0, Plain(), "clean", ColourCommand,
               "Delete mappings that are not used by any triangles");
  if (deletable)
    AddRowButton(owner, 2, COLOUR_DELETE, 0, &TextColours.red, "del", ColourCommand,
                 "Delete the selected mapping (which is unused)");
  AddRowButton(owner, 2, COLOUR_ADD, 0, Plain(), "dup", ColourCommand, "Make a copy of the selected mapping");
  const SliderGeometry geometry{NormalisedX(left), NormalisedY(listTop), NormalisedX(left + LIST_UNITS * ButtonWidth),
                                NormalisedY(listTop + shown * ENTRY_ROWS * ButtonHeight), ButtonHeight};
  AddSliderControl(owner, geometry, &s.mappingScroll, s.mappingScroll, s.mappingScroll + shown, count);
  nextRow();

  // The chain of the current mapping.
  const ModelMapping& m = o.mappings[st.currentMapping];
  const int cutout = MainCutout(o, st.currentMapping);
  // Label, name and "view" widths that hold "mapping", "[no skin specified]" and "view".
  constexpr int CHAIN_LABEL_UNITS = 4, CHAIN_NAME_UNITS = 8, CHAIN_VIEW_UNITS = 3;
  AddRowButton(owner, CHAIN_LABEL_UNITS, 0, 0, Grey(), "mapping", nullptr, nullptr);
  AddRowButton(owner, CHAIN_NAME_UNITS, COLOUR_CHOOSE, 0, Plain(), m.name[0] ? m.name : TEXT_UNNAMED_MAPPING,
               ColourCommand, "Scroll to make the selected mapping visible");
  AddRowButton(owner, CHAIN_VIEW_UNITS, 0, 0, Plain(), "view", ViewMapping, "Enter mapping mode to view the selected mapping");
  nextRow();
  AddRowButton(owner, CHAIN_LABEL_UNITS, 0, 0, Grey(), "cutout", nullptr, nullptr);
  AddRowButton(owner, CHAIN_NAME_UNITS, 0, 0, Grey(), cutout >= 0 ? o.cutouts[cutout].name : "-", nullptr,
               "The name of the cutout used by the selected mapping");
  AddRowButton(owner, CHAIN_VIEW_UNITS, 0, 0, Plain(), "view", ViewCutout,
               "Enter cutout mode to view the cutout used by the mapping");
  nextRow();
  AddRowButton(owner, CHAIN_LABEL_UNITS, 0, 0, Grey(), "page", nullptr, nullptr);
  AddRowButton(owner, CHAIN_NAME_UNITS, 0, 0, Grey(), PageName(o, cutout), nullptr,
               "The name of the texture page used by the selected mapping");
  AddRowButtonStyle4(owner, CHAIN_VIEW_UNITS, 0, 0, Plain(), "\x9B", ViewPage,
                     "Enter page mode to view the texture page used by the mapping");
  nextRow();
  AddRowButton(owner, 2, 0, 0, Grey(), "mat", nullptr, "Material properies of the selected mapping's main cutout");
  if (cutout >= 0) AddMaterialButtons(o.cutouts[cutout].material, owner, uintptr_t(cutout), CutoutMaterialAction);
  nextRow();
}

void ViewMapping(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || EditedObject->mappingCount == 0) return;
  SelectedMapping = s->state.selectedMapping = s->state.currentMapping;
  SetModellerMode(*s, 0, ModeTextureMapping);
}

void ViewCutout(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  ModelObject& o = *EditedObject;
  const int cutout = MainCutout(o, s->state.currentMapping);
  if (cutout < 0) return;
  o.DeselectAllCutouts();
  o.cutouts[cutout].flags |= CUTOUT_SELECTED;
  SelectedCutout = s->state.selectedCutout = cutout;
  SetModellerMode(*s, 0, ModeTextureCutout);
}

void ViewPage(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  const ModelObject& o = *EditedObject;
  const int cutout = MainCutout(o, s->state.currentMapping);
  if (cutout < 0 || o.cutouts[cutout].page >= o.pageCount) return;
  SelectedPage = s->state.selectedPage = o.cutouts[cutout].page;
  SetModellerMode(*s, 0, ModeTexturePage);
}

void CutoutMaterialAction(void* owner, int, uintptr_t cutout) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || cutout >= uintptr_t(EditedObject->cutoutCount)) return;
  const ModelObject& o = *EditedObject;
  const Cutout& c = o.cutouts[cutout];
  const char* texture = c.page < o.pageCount ? o.pages[c.page].name : nullptr;
  AskMaterialProperties(&s->prss, MaterialAnswered, texture, c.material, uint32_t(cutout));
}

// ---- [Subobjects] ----

void AddSubobjectList(ModellerScreen& s) {
  ModelObject& main = *s.mainObject;
  std::vector<ModelObject*> objects;
  for (ModelObject* o = &main; o; o = ObjectAtTreeIndex(main, int(objects.size()))) objects.push_back(o);
  // The rows that fit above the panel's lower rows and the object panel.
  constexpr int LOWER_ROWS = 24;
  const int room = std::max(1, (ScreenHeight - RowCursorY) / std::max(ButtonHeight, 1) - LOWER_ROWS);
  const int total = int(objects.size());
  const int shown = std::min(total, room);
  const int edited = std::max(0, TreeIndexOf(main, EditedObject));
  if (edited < s.subobjectScroll) s.subobjectScroll = edited;
  if (edited >= s.subobjectScroll + shown) s.subobjectScroll = edited - shown + 1;
  s.subobjectScroll = std::clamp(s.subobjectScroll, 0, total - shown);
  const int top = RowCursorY;
  for (int k = 0; k < shown; ++k) {
    ModelObject* o = objects[size_t(s.subobjectScroll + k)];
    const int type = TypeOf(*o);
    const bool isEdited = o == EditedObject;
    ColourWord* colour = LabelKindColour(SUBOBJECT_LABEL_KINDS[type]);
    static char letters[SUBOBJECT_TYPE_COUNT][2];
    letters[type][0] = SUBOBJECT_LETTERS[type];
    const uintptr_t word = reinterpret_cast<uintptr_t>(o);
    RowCursorX = 0;
    AddRowButton(&s.prss, 1, word, isEdited, colour, letters[type], SelectRowAction, SUBOBJECT_TYPE_DESCRIPTIONS[type]);
    AddRowButton(&s.prss, 10, word, isEdited, colour, o->name[0] ? o->name : SUBOBJECT_TYPE_NAMES[type], NameRowAction,
                 o == &main ? "Click to select main object" : "Left click to select object / Right click to rename");
    const bool has = o->triangleCount > 0;
    AddRowButton(&s.prss, 1, word, isEdited, colour, has ? "." : "-", SelectRowAction,
                 has ? "Object has triangles" : "Object has no triangles");
    RowCursorY += ButtonHeight;
  }
  if (shown < total) {
    RowCursorX = 12 * ButtonWidth;
    RowCursorY = top;
    const SliderGeometry geometry{NormalisedX(0), NormalisedY(top), NormalisedX(12 * ButtonWidth),
                                  NormalisedY(top + shown * ButtonHeight), shown * ButtonHeight};
    AddSliderControl(&s.prss, geometry, &s.subobjectScroll, s.subobjectScroll, s.subobjectScroll + shown, total);
    RowCursorY = top + shown * ButtonHeight;
  }
  RowCursorX = 0;
}

void AddSubobjectLabels(ModellerScreen& s, ModelObject& object) {
  if (ObjectEditorShared.spokeCount != 0 || ShiftHeld || CtrlHeld) return;
  const bool show = ObjectEditorShared.showSubobjects != 0;
  if (!show && &object == s.mainObject && EditedObject == s.mainObject) return;
  for (int i = 0; i < object.childCount; ++i) {
    ModelObject& child = object.children[i];
    const FixedTransform at = MeshTransformOf(child);
    const int32_t origin[3] = {at.translation.x, at.translation.y, at.translation.z};
    const int type = TypeOf(child);
    const int kind = &child == EditedObject ? EDITED_LABEL_KIND : SUBOBJECT_LABEL_KINDS[type];
    AddLabelAtPoint(origin, 0, uint8_t(SUBOBJECT_LETTERS[type]), kind, LabelClicked, reinterpret_cast<uintptr_t>(&child),
                    LABEL_CHARACTER);
    if (show || &child == EditedObject) AddSubobjectLabels(s, child);
  }
}

void SubobjectLabelAction(ModellerScreen& s, int clickCode, ModelObject* object) {
  if (!object || !s.mainObject) return;
  if ((clickCode & CLICK_RIGHT) && object == EditedObject && object != s.mainObject) {
    AskText(&s.prss, SubobjectRenamed, TEXT_RENAME_SUBOBJECT, SUBOBJECT_NAME_LENGTH,
            uint32_t(TreeIndexOf(*s.mainObject, object)), object->name, 0, 0, nullptr);
    return;
  }
  SelectSubobject(s, clickCode, object);
}
