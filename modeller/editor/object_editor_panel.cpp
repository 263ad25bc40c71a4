// object_editor_panel.cpp - the object editor's display options at the bottom right, and the
// panel helpers the modeller and the vehicle editor share with it.
#include <algorithm>
#include <vector>

#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"

int AddViewOptionsPanel(ObjectEditor& editor, int firstRow);

namespace {

constexpr int PANEL_UNITS = 10;
constexpr uintptr_t WORD_NORMALS_COLOUR = 100, WORD_NORMALS = 101;  // + 0..2 for off, sml, big
constexpr uintptr_t WORD_DRAW_MODE = 200;                          // + the mode

// One item of the panel: a toggle bound to a shared flag, or a button with a word.
struct PanelItem {
  const char* label;
  int units;
  uint32_t* flag;   // a toggle when set
  uintptr_t word;
  int lit;
  const char* hint;
};

ColourWord* PanelColour() { return &TextColours.lightOrange; }

void PanelHandler(void* owner, int, uintptr_t word) {
  ObjectEditor& e = *static_cast<ObjectEditor*>(owner);
  ObjectEditorState& s = ObjectEditorShared;
  if (word >= WORD_DRAW_MODE && word < WORD_DRAW_MODE + 8) {
    SetObjectDrawMode(e, 0, int(word - WORD_DRAW_MODE));
    return;
  }
  if (word == WORD_NORMALS_COLOUR) {
    e.normalsColour = (e.normalsColour + 1) % 4;
    return;
  }
  if (word >= WORD_NORMALS && word < WORD_NORMALS + 3) {
    e.normalsDisplay = int(word - WORD_NORMALS);
    return;
  }
  // The toggles: the interface has flipped the flag already.
  const uint32_t* flag = reinterpret_cast<const uint32_t*>(word);
  if (flag == &s.testSideSwap) SetObjectDrawMode(e, 1, DRAW_GOURAUD);
  else if (flag == &s.showHidden) SetObjectDrawMode(e, 1, CurrentDrawMode());
  else if (flag == &s.showSubobjects || flag == &s.showMain) s.rebuildWire = 1;
}

void AddItem(Prss* owner, const PanelItem& item) {
  if (item.flag)
    AddRowListButton(owner, item.units, item.label, 1, item.flag, PanelColour(), 0, PanelHandler, item.hint);
  else
    AddRowButton(owner, item.units, item.word, item.lit, PanelColour(), item.label, PanelHandler, item.hint);
}

}  // namespace

int AddViewOptionsPanel(ObjectEditor& e, int firstRow) {
  ObjectEditorState& s = ObjectEditorShared;
  Prss* owner = &e.prss;
  const bool driver = e.callerKind == CALLER_VEHICLE_EDITOR && e.openMode == OPEN_ANIMATION_EDITOR;
  const bool perspective = EditViews.width == 0;
  const bool spokeRim = s.spokeCount > 0;
  const bool carEdited = VehicleEditorHooks.carBeingEdited && VehicleEditorHooks.carBeingEdited();
  const bool hasSubobjects = e.shownCount > 0 && e.shown[0]->childCount > 0;
  const int mode = CurrentDrawMode();
  auto drawMode = [mode](const char* label, int m, const char* hint) {
    return PanelItem{label, 5, nullptr, WORD_DRAW_MODE + uintptr_t(m), mode == m, hint};
  };

  // Rows from the bottom up, two items of five units a row.
  std::vector<PanelItem> items;
  if (perspective && !spokeRim && !driver) {
    items.push_back({"invert", 5, &s.invert, 0, 0, "View the object upside down (I)"});
    if (e.skeletonIndex < 0) items.push_back({"shadow", 5, &s.shadow, 0, 0, "Draw a shadow on the ground"});
  }
  if (!driver)
    items.push_back({"wire overlay", 5, &s.wireOverlay, 0, 0, "Show a wireframe overlay in tri, point and build modes"});
  if (carEdited && !spokeRim) items.push_back({"test l.r.swap", 5, &s.testSideSwap, 0, 0, "Test drive side swapping"});
  if (!driver) {
    items.push_back(drawMode("n.c.level", DRAW_NORMAL_LEVELS, "Show colour coded normal contribution levels"));
    items.push_back(drawMode("l.r.swap", DRAW_SIDE_SWAP, "Show colour coded drive side swap mode"));
  }
  items.push_back(drawMode("mappings", DRAW_MAPPINGS, "Show colour coded mappings"));
  if (!driver) items.push_back(drawMode("groups", DRAW_GROUPS, "Show colour coded smoothing groups"));
  items.push_back(drawMode("wire", DRAW_WIRE, "Wireframe model with colours to indicate edge sharing"));
  items.push_back(drawMode("flat", DRAW_FLAT, "View the object as flat shaded triangles"));
  if (!driver) items.push_back(drawMode("layers", DRAW_LAYERS, "Wireframe model to help show layer assignments"));
  items.push_back(drawMode("gouraud", DRAW_GOURAUD, "Show the object as it should appear in game"));
  const size_t beforeNormals = items.size();
  if (!driver) {
    items.push_back({"nrm", 2, nullptr, WORD_NORMALS_COLOUR, 0, "Change the vertex normals display colour"});
    items.push_back({"off", 2, nullptr, WORD_NORMALS + 0, e.normalsDisplay == 0, "Switch off vertex normals display"});
    items.push_back({"sml", 2, nullptr, WORD_NORMALS + 1, e.normalsDisplay == 1, "Show small vertex normals"});
    items.push_back({"big", 2, nullptr, WORD_NORMALS + 2, e.normalsDisplay == 2, "Show big vertex normals"});
  }
  if (e.shownCount > 1) items.push_back({"show dummy", 5, reinterpret_cast<uint32_t*>(&e.showDummy), 0, 0, nullptr});
  if (e.skeletonIndex >= 0) items.push_back({"show skeleton", 5, &s.showSkeleton, 0, 0, nullptr});
  if (!driver && e.shownCount > 0)
    items.push_back({"show hidden", 5, &s.showHidden, 0, 0, "Temporarily show the hidden triangles without unhiding them"});
  if (!driver && (carEdited || spokeRim))
    items.push_back({"show wheels", 5, &s.showWheels, 0, 0, "Hide or show the vehicle's wheels"});
  if (!driver && hasSubobjects) items.push_back({"show subobs", 5, &s.showSubobjects, 0, 0, "Hide or show the subobjects"});
  items.push_back({e.skeletonIndex >= 0 ? "show object" : "show main", 5, &s.showMain, 0, 0, "Hide or show the main object"});
  if (driver) items.push_back({"show vehicle", 5, &s.showVehicle, 0, 0, nullptr});

  // The normals row stands alone; the other items fill rows of two.
  int row = firstRow, used = 0;
  SetRowCursorFromBottomRight(PANEL_UNITS, row);
  for (size_t i = 0; i < items.size(); ++i) {
    const bool ownRow = !driver && (i == beforeNormals || i == beforeNormals + 4);
    if (used > 0 && (used + items[i].units > PANEL_UNITS || ownRow)) {
      SetRowCursorFromBottomRight(PANEL_UNITS, ++row);
      used = 0;
    }
    AddItem(owner, items[i]);
    used += items[i].units;
  }
  ++row;
  return row - firstRow;
}

// ---- [Panel helpers] ----

void DrawCentredCaption(const char* text, int highlighted) {
  // A status line: the interface draws it over every row, where none covers it.
  ShowStatusLine(text, highlighted ? RgbWord(0x78, 0xF0, 0x50) : RgbWord(0xF0, 0x50, 0x28));
}

void AddSplitRowButtons(Prss* owner, int units, int highlighted, int count, const char* const* labels,
                        InterfaceHandler handler) {
  const int left = RowCursorX;
  if (count <= 0) {
    RowCursorY += ButtonHeight;
    return;
  }
  const int share = std::max(1, units / count);
  for (int i = 0; i < count; ++i) {
    const int width = i == count - 1 ? std::max(1, units - share * (count - 1)) : share;
    AddRowButton(owner, width, uintptr_t(i), i == highlighted, &TextColours.lightOrange, labels[i], handler, nullptr);
  }
  RowCursorX = left;
  RowCursorY += ButtonHeight;
}

void AddPanelSeparator(float x, float y) {
  if (LayoutColumns < 15) return;
  AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvText(""), VALUE_TYPE_BIG_PANEL, &TextColours.panelGrey,
                  nullptr, x, y, 1.0f, y + 0.004f);
}
