// cutouts_screen.cpp - the cutouts screen: the cutout list with pages, backing and materials,
// the cutout operations and the multi-cutout update, and the page panel of the current
// cutout with its region handles.
#include "modeller/texture/cutouts_screen.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "model/model_materials.h"
#include "model/model_meshes.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/texture/cutout_material.h"
#include "modeller/texture/texture_mapping.h"
#include "modeller/texture/texture_pages.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_names.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/value_edit.h"
#include "ui/widgets.h"

uint32_t TexturePanelSwitches;
int32_t CutoutOverlay;
CutoutUpdateSetting CutoutUpdateSet;
CutoutsScreen* ActiveCutoutsScreen;

namespace {

ModelObject& Edited() { return *EditedObject; }
bool IsSelected(const Cutout& c) { return (c.flags & CUTOUT_SELECTED) != 0; }
bool HasCurrent() { return EditedObject && SelectedCutout >= 0 && SelectedCutout < EditedObject->cutoutCount; }
bool CurrentSelected() { return HasCurrent() && IsSelected(Edited().cutouts[SelectedCutout]); }
ColourWord* Orange() { return &TextColours.lightOrange; }
void Refuse(CutoutsScreen& screen, const char* text) { ShowMessageBox(&screen.prss, text); }
void BeginCutoutEdit(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}
int SelectedCount() {
  int n = 0;
  for (int i = 0; EditedObject && i < Edited().cutoutCount; ++i) n += IsSelected(Edited().cutouts[i]);
  return n;
}
void Rebuild(CutoutsScreen& screen) {
  RefreshEditedMesh(&screen.prss);
}

const char* PageTextureName(const ModelObject& o, int page) {
  if (page < 0 || page >= o.pageCount) return "";
  return o.pages[page].type == PAGE_SKIN ? EditorSkinName : o.pages[page].name;
}
const char* ShownPageName(const ModelObject& o, int page) {
  if (page < 0 || page >= o.pageCount) return "-";
  if (o.pages[page].type == PAGE_SKIN) return EditorSkinName[0] ? EditorSkinName : "[no skin specified]";
  return o.pages[page].name[0] ? o.pages[page].name : "[no texture]";
}

// Materials found by name are the material table's, shared with the meshes: dropped, never freed.
void ReleaseScreenTexture(CutoutsScreen& screen) {
  screen.texture = nullptr;
}

void LoadCutoutTexture(CutoutsScreen& screen) {
  ReleaseScreenTexture(screen);
  if (!CurrentSelected()) return;
  const char* name = PageTextureName(Edited(), Edited().cutouts[SelectedCutout].page);
  if (name[0]) screen.texture = LoadNamedTexture(name, 0, 0);
}

// Under 36 units the list's columns and the selection row narrow.
bool NarrowWindow() { return ScreenWidth < 36 * ButtonWidth; }

// The list's rows; in a short window few enough (three at least) that the page panel's rows
// under it end above the view block at the bottom right (under the mode bar and the heading).
int ClampRows() {
  const int windowRows = ButtonHeight > 0 ? ScreenHeight / ButtonHeight : 0;
  const int room = windowRows - ObjectEditorShared.bottomRightRows - PAGE_PANEL_ROWS - 2;
  return std::max(3, std::min(std::clamp(windowRows - 13, 8, 40), room));
}

void ScrollToCurrent(CutoutsScreen& screen) {
  if (!HasCurrent()) return;
  const int rows = ClampRows();
  if (SelectedCutout < screen.firstRow) screen.firstRow = SelectedCutout;
  if (SelectedCutout >= screen.firstRow + rows) screen.firstRow = SelectedCutout - rows + 1;
}

void NameEntered(Prss* owner, const char* text, uint32_t index) {
  (void)owner;
  if (!EditedObject || int(index) >= Edited().cutoutCount) return;
  std::snprintf(Edited().cutouts[index].name, CUTOUT_NAME_SIZE, "%s", text);
}

void RenameEntered(Prss* owner, const char* text, uint32_t index) {
  if (!EditedObject || int(index) >= Edited().cutoutCount) return;
  BeginCutoutEdit("rename cutout");
  NameEntered(owner, text, index);
}

// True when the name ends with an underscore and digits; the number and where the
// underscore stands.
bool NumberedSuffix(const char* name, int* number, int* underscore) {
  const int n = int(std::strlen(name));
  int i = n;
  while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1]))) --i;
  if (i == n || i == 0 || name[i - 1] != '_' || n - i > 4) return false;
  *number = std::atoi(name + i);
  *underscore = i - 1;
  return true;
}

bool NameTaken(const ModelObject& o, const char* name) {
  for (int i = 0; i < o.cutoutCount; ++i)
    if (std::strcmp(o.cutouts[i].name, name) == 0) return true;
  return false;
}

}  // namespace

int CountUpdateProperties(const CutoutUpdateSetting& s) {
  return (s.alphaType != 4) + (s.envMapType != 4) + (s.shineType != 8) + (s.setColour != 0) + (s.setRoughness != 0);
}

// ---- [Region operations] ----

int AdjustCutoutRegion(CutoutsScreen&, int clickCode, int word) {
  if (!CurrentSelected() || word < 0 || word > 7) return 0;
  BeginCutoutEdit("adjust cutout region");
  StepCutoutRegion(Edited().cutouts[SelectedCutout], word, (clickCode & CLICK_LEFT) ? 1 : 10);
  return 1;
}

int RotateCutout(CutoutsScreen& screen, int word) {
  if (!CurrentSelected() || word < 0 || word > 2) return 0;
  BeginCutoutEdit(word == 2 ? "flip cutout" : "rotate cutout");
  TurnCutoutRegion(Edited().cutouts[SelectedCutout], word);
  Rebuild(screen);
  return 1;
}

int StartCutoutDrag(CutoutsScreen& screen, int handle, int x, int y) {
  if (!CurrentSelected() || handle < 0 || handle > 8) return 0;
  screen.dragHandle = handle;
  screen.dragStart = Edited().cutouts[SelectedCutout];
  screen.dragMouse[0] = x, screen.dragMouse[1] = y;
  screen.dragRecorded = RecordDragUndoPoint("drag cutout point");
  return 1;
}

void MoveCutoutDrag(CutoutsScreen& screen, int x, int y) {
  if (screen.dragHandle < 0 || !HasCurrent()) return;
  const int s = std::max(1, GetTexturePanelSize());
  const int dx = int(std::lround(double(x - screen.dragMouse[0]) * 128 / s));
  const int dy = int(std::lround(double(screen.dragMouse[1] - y) * 128 / s));
  DragCutoutRegion(screen.dragStart, screen.dragHandle, dx, dy, Edited().cutouts[SelectedCutout]);
}

void CancelCutoutDrag(CutoutsScreen& screen) {
  if (screen.dragHandle < 0) return;
  if (HasCurrent()) Edited().cutouts[SelectedCutout] = screen.dragStart;
  DropDragUndoPoint(screen.dragRecorded);
  screen.dragHandle = -1;
  screen.dragRecorded = 0;
}

// ---- [Cutout operations] ----

void DuplicateCutoutName(const ModelObject& o, const char* name, char out[CUTOUT_NAME_SIZE]) {
  const int n = int(std::strlen(name));
  int number = 0, underscore = 0;
  const bool family = n > 4 && (name[0] == 'C' || name[0] == 'c' || name[0] == 'O' || name[0] == 'o') && name[1] == '~';
  if (family && NumberedSuffix(name, &number, &underscore)) {
    const int limit = underscore < 13 ? 99 : 9;
    for (int k = number + 1; k <= limit; ++k) {
      char candidate[CUTOUT_NAME_SIZE + 8];
      std::snprintf(candidate, sizeof candidate, "%.*s_%d", underscore, name, k);
      if (std::strlen(candidate) >= CUTOUT_NAME_SIZE) break;
      if (!NameTaken(o, candidate)) {
        std::memcpy(out, candidate, std::strlen(candidate) + 1);  // shorter than CUTOUT_NAME_SIZE
        return;
      }
    }
  }
  if (n >= CUTOUT_NAME_SIZE - 1)
    std::snprintf(out, CUTOUT_NAME_SIZE, "%.*s*", CUTOUT_NAME_SIZE - 2, name);
  else
    std::snprintf(out, CUTOUT_NAME_SIZE, "%s*", name);
}

int AddNewCutout(CutoutsScreen& screen) {
  ModelObject& o = Edited();
  if (o.cutoutCount >= MAX_MODEL_CUTOUTS) return Refuse(screen, TEXT_CUTOUT_MAXIMUM), 0;
  BeginCutoutEdit("add cutout");
  int index;
  if (CurrentSelected()) {
    const Cutout copy = o.cutouts[SelectedCutout];
    index = o.AddCutout(&copy);
    o.MoveCutout(index, SelectedCutout + 1);
    index = SelectedCutout + 1;
  } else {
    index = o.AddCutout(nullptr);
  }
  o.DeselectAllCutouts();
  o.cutouts[index].flags |= CUTOUT_SELECTED;
  SelectedCutout = index;
  ScrollToCurrent(screen);
  LoadCutoutTexture(screen);
  OpenTextEntrySub(&screen.prss, NameEntered, "Enter name of new cutout", CUTOUT_NAME_SIZE, uint32_t(index),
                   o.cutouts[index].name, 0, 0, nullptr);
  return 1;
}

int DuplicateCutouts(CutoutsScreen& screen) {
  ModelObject& o = Edited();
  const int selected = SelectedCount();
  if (selected == 0) return ReportSound(3), 0;
  if (selected == 1 && CurrentSelected()) return AddNewCutout(screen);
  if (o.cutoutCount + selected > MAX_MODEL_CUTOUTS) return Refuse(screen, TEXT_CUTOUT_TOO_MANY), 0;
  BeginCutoutEdit("add cutouts");
  SelectedCutout = -1;
  for (int i = 0; i < o.cutoutCount; ++i) {
    if (!IsSelected(o.cutouts[i])) continue;
    Cutout copy = o.cutouts[i];
    DuplicateCutoutName(o, o.cutouts[i].name, copy.name);
    const int added = o.AddCutout(&copy);
    o.MoveCutout(added, i + 1);
    o.cutouts[i].flags &= uint8_t(~CUTOUT_SELECTED);
    ++i;  // past the copy, which stays selected
  }
  ReleaseScreenTexture(screen);
  return 1;
}

int DeleteCutouts(CutoutsScreen& screen) {
  ModelObject& o = Edited();
  if (SelectedCount() == 0) return ReportSound(3), 0;
  if (SelectedCount() == 1 && CurrentSelected() && o.IsCutoutUsed(SelectedCutout)) return Refuse(screen, TEXT_CUTOUT_IN_USE), 0;
  BeginCutoutEdit("delete cutout");
  for (int i = o.cutoutCount - 1; i >= 0 && o.cutoutCount > 1; --i)
    if (IsSelected(o.cutouts[i]) && !o.IsCutoutUsed(i)) o.RemoveCutout(i);
  o.DeselectAllCutouts();
  SelectedCutout = -1;
  ReleaseScreenTexture(screen);
  Rebuild(screen);
  return 1;
}

int MoveCutoutInList(CutoutsScreen& screen, int step, int down) {
  if (!CurrentSelected() || SelectedCount() != 1) return 0;
  const int from = SelectedCutout;
  const int to = down ? std::min(from + step, Edited().cutoutCount - 1) : std::max(from - step, 0);
  if (to == from) return 0;
  BeginCutoutEdit(down ? "move cutout down" : "move cutout up");
  Edited().MoveCutout(from, to);
  SelectedCutout = to;
  ScrollToCurrent(screen);
  return 1;
}

void SelectCutoutByName(CutoutsScreen& screen, int index) {
  ModelObject& o = Edited();
  if (index < 0 || index >= o.cutoutCount) return;
  const bool wasCurrent = index == SelectedCutout && CurrentSelected();
  o.DeselectAllCutouts();
  if (wasCurrent) {
    SelectedCutout = -1;
    ReleaseScreenTexture(screen);
    return;
  }
  o.cutouts[index].flags |= CUTOUT_SELECTED;
  SelectedCutout = index;
  LoadCutoutTexture(screen);
}

void ToggleCutoutSelection(CutoutsScreen& screen, int index) {
  ModelObject& o = Edited();
  if (index < 0 || index >= o.cutoutCount) return;
  o.cutouts[index].flags ^= CUTOUT_SELECTED;
  const bool on = IsSelected(o.cutouts[index]);
  if (ShiftHeld && HasCurrent()) {
    const int a = std::min(index, SelectedCutout), b = std::max(index, SelectedCutout);
    for (int i = a; i <= b; ++i)
      o.cutouts[i].flags = uint8_t(on ? o.cutouts[i].flags | CUTOUT_SELECTED : o.cutouts[i].flags & ~CUTOUT_SELECTED);
  }
  SelectedCutout = index;
  if (on) LoadCutoutTexture(screen);
}

void ClearCutoutSelection(CutoutsScreen& screen) {
  SelectedCutout = -1;
  ReleaseScreenTexture(screen);
  if (EditedObject) Edited().DeselectAllCutouts();
}

int SwitchCutoutBacking(CutoutsScreen& screen, int index) {
  if (!EditedObject || index < 0 || index >= Edited().cutoutCount) return 0;
  BeginCutoutEdit("switch backing");
  Edited().cutouts[index].flags ^= CUTOUT_BACKING;
  Rebuild(screen);
  return 1;
}

int SetCutoutMaterial(CutoutsScreen& screen, int index, const CutoutMaterial& material) {
  if (!EditedObject || index < 0 || index >= Edited().cutoutCount) return 0;
  Cutout& c = Edited().cutouts[index];
  const CutoutMaterial& was = c.material;
  if (was.alphaType == material.alphaType && was.envMapType == material.envMapType &&
      was.shineType == material.shineType && std::memcmp(was.reflection, material.reflection, 3) == 0 &&
      was.roughness == material.roughness) {
    ShowMessage("No changes detected", TextColours.grey);
    return 0;
  }
  BeginCutoutEdit("set cutout material");
  c.material = material;
  if (material.envMapType == ENV_OVERLAY) FixModelMaterialFlags(Edited(), 0);
  Rebuild(screen);
  return 1;
}

int AssignCutoutPage(CutoutsScreen& screen, int page) {
  ModelObject& o = Edited();
  if (page < 0 || page >= o.pageCount) return 0;
  const char* name = PageTextureName(o, page);
  if (!IsAlphaTextureName(name))
    for (int i = 0; i < o.cutoutCount; ++i)
      if (IsSelected(o.cutouts[i]) && o.cutouts[i].material.alphaType != ALPHA_SOLID) {
        char text[96];
        std::snprintf(text, sizeof text, TEXT_CUTOUT_PAGE_ALPHA, o.cutouts[i].name,
                      ALPHA_TYPE_NAMES[o.cutouts[i].material.alphaType & 3]);
        return Refuse(screen, text), 0;
      }
  const int selected = SelectedCount();
  if (selected == 1 && CurrentSelected()) {
    if (o.cutouts[SelectedCutout].page == page) {
      screen.pageChooser = 0;
      return 0;
    }
    return ApplyCutoutPage(screen, page);
  }
  if (selected == 0) return 0;
  char question[96];
  std::snprintf(question, sizeof question, "Set %d selected cutout%s to use this texture?", selected, selected == 1 ? "" : "s");
  AskQuestion(&screen.prss, [](Prss* owner, uint32_t p, uint32_t) {
    ApplyCutoutPage(*reinterpret_cast<CutoutsScreen*>(owner), int(p));
  }, question, ShownPageName(o, page), uint32_t(page), 0, 0);
  return 0;
}

int ApplyCutoutPage(CutoutsScreen& screen, int page) {
  ModelObject& o = Edited();
  if (page < 0 || page >= o.pageCount) return 0;
  BeginCutoutEdit("assign texture page");
  for (int i = 0; i < o.cutoutCount; ++i) {
    if (!IsSelected(o.cutouts[i])) continue;
    o.cutouts[i].page = uint8_t(page);
    RepairCutoutMaterial(o.cutouts[i].material, PageTextureName(o, page));
  }
  screen.pageChooser = 0;
  LoadCutoutTexture(screen);
  Rebuild(screen);
  return 1;
}

int UpdateCutoutMaterial(ModelObject& o, int index, const CutoutUpdateSetting& set, int apply) {
  Cutout& c = o.cutouts[index];
  CutoutMaterial m = c.material;
  if (set.alphaType != 4) m.alphaType = set.alphaType;
  if (set.envMapType != 4) m.envMapType = set.envMapType;
  if (set.shineType != 8) m.shineType = set.shineType;
  if (set.setColour) std::memcpy(m.reflection, set.reflection, 3);
  if (set.setRoughness) m.roughness = set.roughness;
  CutoutMaterial repaired = m;
  RepairCutoutMaterial(repaired, PageTextureName(o, c.page));
  // The cutout takes the properties only when the repair keeps every one that was set.
  if ((set.alphaType != 4 && repaired.alphaType != set.alphaType) ||
      (set.envMapType != 4 && repaired.envMapType != set.envMapType) ||
      (set.shineType != 8 && repaired.shineType != set.shineType) ||
      (set.setColour && std::memcmp(repaired.reflection, set.reflection, 3) != 0) ||
      (set.setRoughness && repaired.roughness != set.roughness))
    return 0;
  if (apply) c.material = repaired;
  return 1;
}

int CheckCutoutUpdate(CutoutsScreen& screen) {
  const int properties = CountUpdateProperties(CutoutUpdateSet);
  if (properties == 0) return Refuse(screen, TEXT_CUTOUT_NOTHING_SET), 0;
  const int selected = SelectedCount();
  if (selected == 0) return Refuse(screen, TEXT_CUTOUT_NONE_SELECTED), 0;
  ModelObject& o = Edited();
  for (int i = 0; i < o.cutoutCount; ++i)
    if (IsSelected(o.cutouts[i]) && !UpdateCutoutMaterial(o, i, CutoutUpdateSet, 0)) {
      char text[64];
      std::snprintf(text, sizeof text, TEXT_CUTOUT_PROBLEM, o.cutouts[i].name);
      return Refuse(screen, text), 0;
    }
  char question[96];
  std::snprintf(question, sizeof question, "Update %d propert%s in %d selected cutout%s?", properties,
                properties == 1 ? "y" : "ies", selected, selected == 1 ? "" : "s");
  AskQuestion(&screen.prss, [](Prss* owner, uint32_t, uint32_t) {
    ApplyCutoutUpdate(*reinterpret_cast<CutoutsScreen*>(owner));
  }, question, "", 0, 0, 0);
  return 1;
}

int ApplyCutoutUpdate(CutoutsScreen& screen) {
  ModelObject& o = Edited();
  int count = 0;
  for (int i = 0; i < o.cutoutCount; ++i)
    if (IsSelected(o.cutouts[i]) && !UpdateCutoutMaterial(o, i, CutoutUpdateSet, 0)) return 0;
  BeginCutoutEdit("update properties");
  for (int i = 0; i < o.cutoutCount; ++i)
    if (IsSelected(o.cutouts[i])) count += UpdateCutoutMaterial(o, i, CutoutUpdateSet, 1);
  char line[48];
  std::snprintf(line, sizeof line, "Updated %d cutout%s", count, count == 1 ? "" : "s");
  ShowMessage(line, TextColours.grey);
  Rebuild(screen);
  return 1;
}

// ---- [Screen] ----

namespace {

enum CutoutWord : uintptr_t {
  K_DUP = 1, K_DEL, K_CLEAR, K_UP, K_DOWN, K_ADD, K_CHOOSER, K_OVERLAY, K_LARGE, K_SAMPLING, K_UPDATE, K_RESET,
  K_SET_COLOUR, K_SET_ROUGHNESS, K_ALPHA_LIST, K_ENV_LIST, K_SHINE_LIST,
  K_NAME = 0x1000, K_PAGE = 0x2000, K_BACKING = 0x3000, K_MATERIAL = 0x4000, K_SELECT = 0x5000, K_CHOOSE_PAGE = 0x6000,
  K_REGION = 0x7000, K_ROTATE = 0x8000, K_VIEW_MAPPING = 0x9000, K_TEXTURE = 0xA000, K_HANDLE = 0xB000,
};

void MaterialAnswered(Prss* owner, uint32_t index, uint32_t) {
  SetCutoutMaterial(*reinterpret_cast<CutoutsScreen*>(owner), int(index), MaterialDialog.material);
}
void BackingAnswered(Prss* owner, uint32_t index, uint32_t) {
  SwitchCutoutBacking(*reinterpret_cast<CutoutsScreen*>(owner), int(index));
}
void UpdateChosen(Prss*, uint32_t which, int index) {
  if (which == 0) CutoutUpdateSet.alphaType = uint8_t(index);
  if (which == 1) CutoutUpdateSet.envMapType = uint8_t(index);
  if (which == 2) CutoutUpdateSet.shineType = uint8_t(index);
}

// After a change of the update's colour or roughness: components to multiples of 5, a
// roughness of 15 or less to 0 and of 16 to 29 to 30.
void UpdateSetChanged(void*, int, uintptr_t) {
  CutoutUpdateSetting& set = CutoutUpdateSet;
  for (uint8_t& c : set.reflection) c = uint8_t(std::min(255L, std::lround(c / 5.0) * 5));
  if (set.roughness <= 15)
    set.roughness = 0;
  else if (set.roughness < 30)
    set.roughness = 30;
}

void CutoutButton(void* owner, int code, uintptr_t word) {
  CutoutsScreen& screen = *static_cast<CutoutsScreen*>(owner);
  if (!EditedObject) return;
  ModelObject& o = Edited();
  const int index = int(word & 0xFFF);
  const int step = (code & CLICK_RIGHT) ? ((code & CLICK_SHIFT) ? 20 : 5) : ((code & CLICK_SHIFT) ? 10 : 1);
  switch (word & 0xF000) {
    case K_NAME:
      if (code & CLICK_RIGHT)
        OpenTextEntrySub(&screen.prss, RenameEntered, "Enter new name for cutout", CUTOUT_NAME_SIZE, uint32_t(index),
                         o.cutouts[index].name, 0, 0, nullptr);
      else
        SelectCutoutByName(screen, index);
      return;
    case K_PAGE:
      if (screen.pageChooser && SelectedCutout == index) {
        screen.pageChooser = 0;
      } else {
        o.DeselectAllCutouts();
        o.cutouts[index].flags |= CUTOUT_SELECTED;
        SelectedCutout = index;
        LoadCutoutTexture(screen);
        screen.pageChooser = 1;
      }
      return;
    case K_BACKING:
      AskQuestion(&screen.prss, BackingAnswered,
                  (o.cutouts[index].flags & CUTOUT_BACKING) ? "Switch off the backing setting?"
                                                             : "Set to backing material to avoid Z-buffer issues?",
                  "", uint32_t(index), 0, 0);
      return;
    case K_MATERIAL:
      AskMaterialProperties(&screen.prss, MaterialAnswered, PageTextureName(o, o.cutouts[index].page),
                            o.cutouts[index].material, uint32_t(index));
      return;
    case K_SELECT: ToggleCutoutSelection(screen, index); return;
    case K_CHOOSE_PAGE: AssignCutoutPage(screen, index); return;
    case K_REGION: AdjustCutoutRegion(screen, code, index); return;
    case K_ROTATE: RotateCutout(screen, index); return;
    case K_HANDLE: StartCutoutDrag(screen, index, MouseX, MouseY); return;
    case K_VIEW_MAPPING:
      SelectedMapping = index;
      if (screen.modeller) SetModellerMode(*screen.modeller, 0, ModeTextureMapping);
      return;
    case K_TEXTURE:
      if (!CurrentSelected()) return;
      if (index == 2) {
        CreateImageViewerPage(&screen.prss, PageTextureName(o, o.cutouts[SelectedCutout].page));
      } else {
        const char* name = PageTextureName(o, o.cutouts[SelectedCutout].page);
        if (ReloadPageTexture(&screen.prss, name, index == 0, index == 0 && ShiftHeld) && (index == 1 || !ShiftHeld)) {
          char line[96];
          std::snprintf(line, sizeof line, "%s %s", index == 1 ? "Reloaded :" : "Viewing as DDS (SHIFT to export) :", name);
          AddMessage(line, TextColours.grey, -1);
        }
      }
      return;
    default: break;
  }
  switch (word) {
    case K_DUP: DuplicateCutouts(screen); break;
    case K_DEL: DeleteCutouts(screen); break;
    case K_CLEAR: ClearCutoutSelection(screen); break;
    case K_UP: MoveCutoutInList(screen, step, 0); break;
    case K_DOWN: MoveCutoutInList(screen, step, 1); break;
    case K_ADD: AddNewCutout(screen); break;
    case K_CHOOSER: screen.pageChooser ^= 1; break;
    case K_OVERLAY: CutoutOverlay ^= 1; break;
    case K_LARGE: TexturePanelSwitches ^= TEXTURE_PANEL_LARGE; break;
    case K_SAMPLING: TexturePanelSwitches ^= TEXTURE_PANEL_SAMPLING_2; break;
    case K_UPDATE: CheckCutoutUpdate(screen); break;
    case K_RESET: CutoutUpdateSet = CutoutUpdateSetting{}; break;
    case K_SET_COLOUR: CutoutUpdateSet.setColour ^= 1; break;
    case K_SET_ROUGHNESS: CutoutUpdateSet.setRoughness ^= 1; break;
    case K_ALPHA_LIST:
      OpenSelectSub(&screen.prss, UpdateChosen, "Select alpha type", nullptr, ALPHA_TYPE_LONG_NAMES, ALPHA_TYPE_COUNT, 0,
                    CutoutUpdateSet.alphaType);
      break;
    case K_ENV_LIST:
      OpenSelectSub(&screen.prss, UpdateChosen, "Select environment map type", nullptr, ENV_MAP_TYPE_LONG_NAMES,
                    ENV_MAP_TYPE_COUNT, 1, CutoutUpdateSet.envMapType);
      break;
    case K_SHINE_LIST:
      OpenSelectSub(&screen.prss, UpdateChosen, "Select shine type", nullptr, SHINE_TYPE_LONG_NAMES, SHINE_TYPE_COUNT, 2,
                    CutoutUpdateSet.shineType);
      break;
    default: break;
  }
}

// The panel at the top right: the page turned as the cutout is, its region framed, the
// region rows and the handles.
void DrawCutoutPagePanel(void* argument) {
  CutoutsScreen* screen = static_cast<CutoutsScreen*>(argument);
  if (screen && screen->savedHook) screen->savedHook(screen->savedHookOwner);
  if (!screen || screen != ActiveCutoutsScreen || screen->prss.sub || !CurrentSelected() || SelectedCount() != 1 ||
      screen->pageChooser)
    return;
  const Cutout& c = Edited().cutouts[SelectedCutout];
  const PagePanelPlace panel = PlacePagePanel();
  const int s = panel.size, left = panel.left, top = panel.top;
  DrawPageSquare(screen->texture, left, top, s, c.orientation, CutoutOverlay ? 192 : 255,
                 (TexturePanelSwitches & TEXTURE_PANEL_SAMPLING_2) ? PAGE_SAMPLER_MODE_2 : PAGE_SAMPLER_USUAL);
  if (CutoutOverlay) DrawUsedAreas(Edited(), screen->texture, c.orientation, left, top, s, s);
  DrawPixelFrame(left, top, left + s - 1, top + s - 1, 0xFF808080u);
  int r[4];
  CutoutRegionRect(c, left, top + s, s, r);
  DrawPixelFrame(r[0], r[2], r[1], r[3], CUTOUT_REGION_FRAME_ARGB);
  RecordArea(AREA_CUTOUT_FRAME, float(left), float(top), float(left + s), float(top + s));
}

void AddRegionHandles(CutoutsScreen& screen) {
  const Cutout& c = Edited().cutouts[SelectedCutout];
  const PagePanelPlace panel = PlacePagePanel();
  const int s = panel.size, left = panel.left, top = panel.top, bottom = top + s;
  int r[4];
  CutoutRegionRect(c, left, bottom, s, r);
  const int w = c.region[REGION_WIDTH], h = c.region[REGION_HEIGHT];
  const int cx = (r[0] + r[1]) / 2, cy = (r[2] + r[3]) / 2;
  const int points[9][2] = {{r[0], r[3]}, {r[1], r[2]}, {r[1], r[3]}, {r[0], r[2]}, {cx, r[3]},
                            {cx, r[2]},   {r[1], cy},   {r[0], cy},   {cx, cy}};
  const bool inside = MouseX >= left && MouseX < left + s && MouseY >= top && MouseY < bottom;
  for (int hd = 0; hd < 9; ++hd) {
    if ((hd == 4 || hd == 5) && w <= 3) continue;
    if ((hd == 6 || hd == 7) && h < 4) continue;
    if (hd == 8 && (w <= 3 || h <= 3)) continue;
    if (screen.dragHandle >= 0 ? screen.dragHandle != hd : !inside) continue;
    if (points[hd][1] < top) continue;
    // A handle on the window's right edge (a region reaching the page's right side) is pushed
    // in whole, so it stays clickable in full.
    const int half = RegionHandleHalf();
    const int x0 = std::min(points[hd][0] - half, ScreenWidth - 2 * half);
    AddButton(&screen.prss, x0, points[hd][1] - half, x0 + 2 * half, points[hd][1] + half,
              K_HANDLE + uintptr_t(hd), IvText(""), IvText(""), IvText(""), BUTTON_STYLE_PLAIN, Orange(), CutoutButton,
              nullptr);
  }
}

// The rows under the page panel, as wide as the panel or as the turn's row needs, against the
// right edge; under the cutout list where that reaches lower than the panel.
void AddPanelRows(CutoutsScreen& screen) {
  const Cutout& c = Edited().cutouts[SelectedCutout];
  Prss* owner = &screen.prss;
  const int units = std::max(PAGE_PANEL_ROW_UNITS, GetTexturePanelSize() / std::max(1, ButtonWidth));
  const int s = units * ButtonWidth;
  // The switches' row holds the page's size, memory and file buttons too: as wide as they need.
  constexpr int SWITCH_UNITS = 4;
  RowCursorX = ScreenWidth - std::max(units, SWITCH_UNITS + TextureInfoUnits(screen.texture, true)) * ButtonWidth;
  RowCursorY = PagePanelRowsTop();
  AddRowButton(owner, 2, K_LARGE, (TexturePanelSwitches & TEXTURE_PANEL_LARGE) != 0, Orange(), "L", CutoutButton, nullptr);
  AddRowButton(owner, 2, K_SAMPLING, (TexturePanelSwitches & TEXTURE_PANEL_SAMPLING_2) != 0, Orange(), "P",
               CutoutButton, nullptr);
  AddTextureInfoButtons(owner, screen.texture, CutoutButton, K_TEXTURE);
  RowCursorX = ScreenWidth - s, RowCursorY += ButtonHeight;
  AddRowButton(owner, std::max(4, units - 8), 0, 0, Orange(), FrameText("pos %d, %d", c.region[REGION_LEFT], c.region[REGION_TOP]),
               nullptr, nullptr);
  static const char* const ARROWS[4] = {"<", ">", "v", "^"};
  for (int i = 0; i < 4; ++i) AddRowButton(owner, 2, K_REGION + uintptr_t(i), 0, Orange(), ARROWS[i], CutoutButton, nullptr);
  RowCursorX = ScreenWidth - s, RowCursorY += ButtonHeight;
  AddRowButton(owner, std::max(4, units - 8), 0, 0, Orange(),
               FrameText("size %d \xD7 %d", c.region[REGION_WIDTH], c.region[REGION_HEIGHT]), nullptr, nullptr);
  for (int i = 0; i < 4; ++i) AddRowButton(owner, 2, K_REGION + uintptr_t(4 + i), 0, Orange(), ARROWS[i], CutoutButton, nullptr);
  if (ObjectEditorShared.spokeCount == 0) {
    RowCursorX = ScreenWidth - s, RowCursorY += ButtonHeight;
    AddRowButton(owner, 6, 0, 0, Orange(), FrameText("Rotate : %d", c.orientation & 3), nullptr, nullptr);
    AddRowButton(owner, 2, K_ROTATE + 0, 0, Orange(), "<", CutoutButton, nullptr);
    AddRowButton(owner, 2, K_ROTATE + 1, 0, Orange(), ">", CutoutButton, nullptr);
    AddRowButton(owner, 6, K_ROTATE + 2, (c.orientation & 4) != 0, Orange(), (c.orientation & 4) ? "Flip : YES" : "Flip : NO",
                 CutoutButton, nullptr);
  }
  RowCursorX = ScreenWidth - s, RowCursorY += ButtonHeight;
  AddRowButton(owner, 4, K_OVERLAY, 0, Orange(), "overlay", CutoutButton,
               "Show an overlay that indicates the used areas of the texture");
  AddRowButton(owner, 2, K_OVERLAY, CutoutOverlay, Orange(), CutoutOverlay ? "YES" : "NO", CutoutButton,
               "Show an overlay that indicates the used areas of the texture");
  CutoutsPlaced.panelBottom = RowCursorY + ButtonHeight;
  AddRegionHandles(screen);
}

void AddCutoutList(CutoutsScreen& screen) {
  ModelObject& o = Edited();
  Prss* owner = &screen.prss;
  // The name and page columns give a unit each where the list and its scroll bar (up to 35
  // units) would run past a narrow window's edge.
  const int units = NarrowWindow() ? 7 : 8;
  AddRowButton(owner, units, 0, 0, Orange(), FrameText("cutouts : %d", o.cutoutCount), nullptr, nullptr);
  AddRowButton(owner, units, 0, 0, Orange(), "texture page", nullptr, "Texture page column");
  const bool backing = ShowsBackingColumn() != 0;
  if (backing) AddRowButton(owner, 1, 0, 0, Orange(), "-", nullptr, nullptr);
  int parts = 0;
  const int materials = PreviewMaterialCount(&parts);
  if (parts > 0)
    AddRowButton(owner, 14, 0, 0, Orange(), FrameText("materials : %d", materials), nullptr,
                 "Number of different material properties");
  else
    AddRowButton(owner, 14, 0, 0, Orange(), "material properties", nullptr, "Material properties column");
  const int rows = ClampRows();
  screen.firstRow = std::clamp(screen.firstRow, 0, std::max(0, o.cutoutCount - rows));
  const int listTop = RowCursorY + ButtonHeight;
  int listRight = 0;
  for (int i = screen.firstRow; i < o.cutoutCount && i < screen.firstRow + rows; ++i) {
    RowCursorX = 0, RowCursorY += ButtonHeight;
    const Cutout& c = o.cutouts[i];
    AddRowButton(owner, units, K_NAME + uintptr_t(i), i == SelectedCutout && IsSelected(c),
                 screen.used[i] ? Orange() : &TextColours.grey, c.name[0] ? c.name : "unnamed", CutoutButton,
                 "Left click to select / Right click to rename");
    AddRowButton(owner, units, K_PAGE + uintptr_t(i), 0, Orange(), ShownPageName(o, c.page), CutoutButton,
                 "Click to set texture page for this cutout");
    if (backing)
      AddRowButton(owner, 1, K_BACKING + uintptr_t(i), (c.flags & CUTOUT_BACKING) != 0, Orange(),
                   (c.flags & CUTOUT_BACKING) ? "B" : " ", CutoutButton, nullptr);
    AddMaterialButtons(c.material, owner, K_MATERIAL + uintptr_t(i), CutoutButton);
    const int number = PreviewMaterialNumber(c.texture);
    if (number > 0)
      AddRowButton(owner, 2, 0, 0, Orange(), FrameText("%d", number), nullptr, "The index number of this material");
    else
      AddRowButton(owner, 2, 0, 0, &TextColours.grey, "-", nullptr, "Unused material");
    AddRowButton(owner, 1, K_SELECT + uintptr_t(i), IsSelected(c), Orange(), IsSelected(c) ? "x" : " ", CutoutButton,
                 "Click or SHIFT+click for multiple selection");
    listRight = std::max(listRight, RowCursorX);
  }
  if (o.cutoutCount > rows) AddRowListScrollBar(owner, &screen.firstRow, listRight, listTop, rows, o.cutoutCount);
  CutoutsPlaced.listRight = listRight + (o.cutoutCount > rows ? ButtonWidth : 0);
  CutoutsPlaced.listBottom = RowCursorY + ButtonHeight;
  RowCursorX = 0, RowCursorY += ButtonHeight * 3 / 2;
}

void AddCutoutButtons(CutoutsScreen& screen) {
  Prss* owner = &screen.prss;
  ModelObject& o = Edited();
  AddUndoButtons(owner);
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (SelectedCount()) {
    AddRowButton(owner, 3, K_DUP, 0, Orange(), "dup", CutoutButton, "Create a new cutout as a copy of the selected cutout (CTRL+D)");
    AddRowButton(owner, 3, K_DEL, 0, Orange(), "del", CutoutButton, "Delete the selected cutout");
    AddRowButton(owner, 3, K_CLEAR, 0, Orange(), "clear", CutoutButton, "Deselect the selected cutout");
    if (SelectedCount() == 1 && CurrentSelected()) {
      // In a narrow window the row ends short of the page panel's rows at the right.
      if (NarrowWindow())
        AddRowButton(owner, 4, 0, 0, Orange(), "move", nullptr, "Move the selected cutout in the list");
      else
        AddRowButton(owner, 6, 0, 0, Orange(), "move in list", nullptr, "Move the selected cutout in the list");
      AddRowButton(owner, 2, K_UP, 0, Orange(), "UP", CutoutButton, "Move the selected cutout up the list");
      AddRowButton(owner, 2, K_DOWN, 0, Orange(), "DN", CutoutButton, "Move the selected cutout down the list");
    }
  } else {
    AddRowButton(owner, 8, K_ADD, 0, Orange(), "add new cutout", CutoutButton, "Create a new cutout (CTRL+N)");
  }
  if (CurrentSelected()) {
    for (int m = 0; m < o.mappingCount; ++m) {
      const ModelMapping& mp = o.mappings[m];
      if (mp.cutout[0] != SelectedCutout && mp.cutout[1] != SelectedCutout) continue;
      RowCursorX = 0, RowCursorY += ButtonHeight;
      AddRowButton(owner, 8, 0, 0, Orange(), mp.name, nullptr, "A mapping that uses the selected cutout");
      AddRowButton(owner, 4, 0, 0, Orange(), MappingDirectionName(mp.direction), nullptr, "Direction or style of the mapping");
      AddRowButton(owner, 3, K_VIEW_MAPPING + uintptr_t(m), 0, Orange(), "view", CutoutButton,
                   "Enter mapping mode to view the mapping");
    }
  }
  RowCursorX = 0, RowCursorY += ButtonHeight;
  const bool several = SelectedCount() > 1;
  if (screen.pageChooser) {
    AddRowButton(owner, 6, K_CHOOSER, 1, Orange(), "select page", CutoutButton,
                 several ? "Select a texture page for the selected cutouts" : "Select a texture page for the selected cutout");
    for (int p = 0; p < o.pageCount; ++p) {
      RowCursorX = 0, RowCursorY += ButtonHeight;
      AddRowButton(owner, 10, K_CHOOSE_PAGE + uintptr_t(p), HasCurrent() && o.cutouts[SelectedCutout].page == p, Orange(),
                   ShownPageName(o, p), CutoutButton, nullptr);
    }
  } else if (several) {
    AddRowButton(owner, 6, K_CHOOSER, 0, Orange(), "select page", CutoutButton, "Select a texture page for the selected cutouts");
    // The multi-cutout panel at the right.
    SetRowCursorFromRight(12, 2);
    const int left = RowCursorX;
    AddRowButton(owner, 6, 0, 0, Orange(), "properties to set", nullptr, "Properties to set in multiple cutouts at once");
    const int count = CountUpdateProperties(CutoutUpdateSet);
    AddRowButton(owner, 4, 0, 0, Orange(), count ? FrameText("%d specified", count) : "none specified", nullptr, nullptr);
    if (count) AddRowButton(owner, 2, K_RESET, 0, Orange(), "reset", CutoutButton, nullptr);
    const struct { const char* label; int value, unset; const char* const* names; uintptr_t word; } rows[3] = {
        {"Alpha type", CutoutUpdateSet.alphaType, 4, ALPHA_TYPE_NAMES, K_ALPHA_LIST},
        {"Env type", CutoutUpdateSet.envMapType, 4, ENV_MAP_TYPE_NAMES, K_ENV_LIST},
        {"Shine type", CutoutUpdateSet.shineType, 8, SHINE_TYPE_NAMES, K_SHINE_LIST}};
    for (const auto& row : rows) {
      RowCursorX = left, RowCursorY += ButtonHeight;
      AddRowButton(owner, 6, 0, 0, Orange(), row.label, nullptr, nullptr);
      AddRowButton(owner, 6, row.word, 0, row.value == row.unset ? &TextColours.grey : Orange(),
                   row.value == row.unset ? "-" : row.names[row.value], CutoutButton, nullptr);
    }
    RowCursorX = left, RowCursorY += ButtonHeight;
    AddRowButton(owner, 12, K_SET_COLOUR, CutoutUpdateSet.setColour, Orange(), "set reflection colour", CutoutButton, nullptr);
    if (CutoutUpdateSet.setColour) {
      static const char* const CHANNELS[3] = {"reflection colour red %d", "reflection colour green %d",
                                              "reflection colour blue %d"};
      for (int c = 0; c < 3; ++c) {
        RowCursorX = left, RowCursorY += ButtonHeight;
        AddRowColourButton(owner, CHANNELS[c], 0, 255, &CutoutUpdateSet.reflection[c], Orange(), UpdateSetChanged, nullptr);
      }
    }
    RowCursorX = left, RowCursorY += ButtonHeight;
    AddRowButton(owner, 12, K_SET_ROUGHNESS, CutoutUpdateSet.setRoughness, Orange(), "set roughness", CutoutButton, nullptr);
    if (CutoutUpdateSet.setRoughness) {
      RowCursorX = left, RowCursorY += ButtonHeight;
      AddRowColourButton(owner, "roughness %d", 0, 70, &CutoutUpdateSet.roughness, Orange(), UpdateSetChanged, nullptr);
    }
    RowCursorX = left, RowCursorY += ButtonHeight;
    const int n = SelectedCount();
    AddRowButton(owner, 12, K_UPDATE, 0, Orange(), n == 1 ? FrameText("update %d cutout", n) : FrameText("update %d cutouts", n),
                 CutoutButton, nullptr);
  }
}

// The rows under the list at the left, from the button `first` on: their right edge and foot
// (the multi-cutout panel at the right shows only while the page panel does not).
void PlaceCutoutButtons(int first) {
  CutoutsPlaced.buttonsRight = CutoutsPlaced.buttonsBottom = 0;
  for (int i = first; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    CutoutsPlaced.buttonsRight = std::max(CutoutsPlaced.buttonsRight, int(b.right));
    CutoutsPlaced.buttonsBottom = std::max(CutoutsPlaced.buttonsBottom, int(b.bottom));
  }
}

Prss* CutoutsScreenAction(Prss* process) {
  CutoutsScreen& screen = *reinterpret_cast<CutoutsScreen*>(process);
  if (!process->alive) {
    GiveBackDrawHook(DrawCutoutPagePanel, &screen, screen.savedHook, screen.savedHookOwner);
    ReleaseScreenTexture(screen);
    if (ActiveCutoutsScreen == &screen) ActiveCutoutsScreen = nullptr;
    CutoutsPlaced = CutoutsLayout{};
    delete &screen;
    return nullptr;
  }
  if (!EditedObject) return process;
  std::memset(screen.used, 0, sizeof screen.used);
  for (int m = 0; m < Edited().mappingCount; ++m)
    for (uint16_t c : Edited().mappings[m].cutout)
      if (c < MAX_MODEL_CUTOUTS) screen.used[c] = 1;
  CutoutsPlaced.panelBottom = 0;
  Prss_ActSub(process);
  if (FrameSkipped || process->sub) return process;
  RowCursorX = RowCursorY = 0;
  AddModeButtons(*screen.modeller);
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddCutoutList(screen);
  const int firstButton = ButtonCount;
  AddCutoutButtons(screen);
  PlaceCutoutButtons(firstButton);
  if (CurrentSelected() && SelectedCount() == 1 && !screen.pageChooser) AddPanelRows(screen);
  Prss_RestAfterDrawing(process);
  return process;
}

void CutoutsKey(Prss* process, int key) {
  CutoutsScreen& screen = *reinterpret_cast<CutoutsScreen*>(process);
  Prss* parent = process->parent;
  const int letter = key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
  if (key == 27 && screen.pageChooser) {
    screen.pageChooser = 0;
    return;
  }
  screen.pageChooser = 0;
  if (letter == 'C') {
    if (!ShiftHeld) ClearCutoutSelection(screen);
  } else if (letter == 'M') {
    if (ShiftHeld && parent && parent->key) parent->key(parent, key);
  } else if (key == KEYCODE_CTRL_LETTER + 'D') {
    DuplicateCutouts(screen);
  } else if (key == KEYCODE_DELETE) {
    DeleteCutouts(screen);
  } else if (key == KEYCODE_CTRL_LETTER + 'N') {
    ClearCutoutSelection(screen);
    AddNewCutout(screen);
  } else if (key == KEYCODE_CTRL_LETTER + 'Y') {
    Undo(1);
  } else if (key == KEYCODE_CTRL_LETTER + 'Z') {
    Undo(0);
  } else if (parent && parent->key) {
    parent->key(parent, key);
    if (key == ' ') ClearCutoutSelection(screen);
  }
}

void CutoutsMouse(Prss* process, MouseRecord* mouse) {
  CutoutsScreen& screen = *reinterpret_cast<CutoutsScreen*>(process);
  if (screen.dragHandle >= 0) {
    if (mouse->clickCode & CLICK_RIGHT)
      CancelCutoutDrag(screen);
    else if (!mouse->leftHeld)
      screen.dragHandle = -1;
    else
      MoveCutoutDrag(screen, MouseX, MouseY);
    return;
  }
  PassMouseToEditor(process, mouse);
}

}  // namespace

Prss* OpenCutoutsScreen(Prss* parent, ModellerScreen& modeller) {
  CutoutsScreen* screen = Prss_New<CutoutsScreen>();
  Prss_Init(&screen->prss, parent, CutoutsScreenAction, CutoutsKey, CutoutsMouse, nullptr, nullptr);
  Prss_MakeCurrent(&screen->prss);
  screen->modeller = &modeller;
  screen->dragHandle = -1;
  TakeDrawHook(DrawCutoutPagePanel, screen, &screen->savedHook, &screen->savedHookOwner);
  ActiveCutoutsScreen = screen;
  RefreshCutoutsScreen();
  return &screen->prss;
}

void RefreshCutoutsScreen() {
  CutoutsScreen* screen = ActiveCutoutsScreen;
  if (!screen) return;
  if (CurrentSelected()) {
    LoadCutoutTexture(*screen);
    ScrollToCurrent(*screen);
  } else {
    SelectedCutout = -1;
    ReleaseScreenTexture(*screen);
  }
  screen->pageChooser = 0;
}
