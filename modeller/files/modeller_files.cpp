// modeller_files.cpp - the modeller's file operations: the name question, loading and
// importing into the main object with the spoke object's rules, saving the main object and
// subobjects, exporting a spoke object, the car's spoke count and the object panel's file rows.
#include "modeller/files/modeller_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/window_state.h"
#include "model/model_file.h"
#include "model/model_meshes.h"
#include "model/model_object.h"
#include "model/spoke_object.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "core/report.h"
#include "modeller/files/obj_import.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_names.h"
#include "ui/dialogs.h"
#include "ui/help_screen.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

int ModellerOpenedAs = OPENED_ORDINARY;

namespace {

const char* const FILE_PROMPTS[] = {
    "Enter name of main object to LOAD", "Enter name of main object to SAVE", "Enter name of subobject to LOAD",
    "Enter name of subobject to SAVE",   "Enter name of OBJ to load as main object ^3data/obj/*.obj",
    "Enter name of object to IMPORT",    "Enter name of object to EXPORT",
};
constexpr int FILE_WORD_COUNT = 7;
constexpr int ENTRY_LOAD = 4, ENTRY_SAVE = 6;

// The typed name kept aside for the track editor's name question.
char g_typedName[MODEL_NAME_SIZE];

bool SpokeObjectEdited() { return ObjectEditorShared.spokeCount != 0; }
bool SubobjectEdited(const ModellerScreen& s) { return EditedObject && EditedObject != s.mainObject; }
// A message box (or another sub-screen) opened over the modeller.
bool BoxOpened(const ModellerScreen& s) { return s.prss.sub != nullptr; }

void CopyName(char* out, int size, const char* name, int length) {
  std::snprintf(out, size_t(size), "%.*s", length, name);
}

// The path of a typed name; a name that would leave the folder is refused with a message box.
bool NamedPath(ModellerScreen& s, char (&path)[FILE_PATH_SIZE], const char* pattern, const char* name) {
  char refusal[NAME_REFUSAL_SIZE];
  if (MakeUserFilePath(path, FILE_PATH_SIZE, pattern, name, refusal)) return true;
  ShowMessageBox(&s.prss, refusal);
  return false;
}
const char* MainPattern() { return SpokeObjectEdited() ? SPOKE_FILE_PATTERN : MODEL_FILE_PATTERN; }

int CarSpokes() {
  const VehicleEditorLink& car = VehicleEditorHooks;
  return car.carSpokeCount ? car.carSpokeCount() : 0;
}
void SetSpokes(ModellerScreen& s, int count) {
  const VehicleEditorLink& car = VehicleEditorHooks;
  if (car.setCarSpokeCount && CarSpokes() > 0) car.setCarSpokeCount(count);
  ObjectEditorShared.spokeCount = count;
  SetSpokeLimits(s);
}

int HasMirroredTriangles(const ModelObject& o) {
  for (int t = 0; t < o.triangleCount; ++t)
    if (o.triangles[t].flags & TRIANGLE_MIRRORED) return 1;
  return 0;
}

// The spoke object's rules for a new main object: 1 when it may take the main object's place
// (the spoke count set to 1 where the rules say), else a message box and 0.
int PassesSpokeRules(ModellerScreen& s, const ModelObject& o, int kind) {
  Prss* page = &s.prss;
  if (kind == LOAD_OBJ || kind == LOAD_IMPORT) {
    if (o.triangleCount > SPOKE_OBJECT_LIMIT) return ShowMessageBoxF(page, TEXT_SPOKE_TRIANGLES, SPOKE_OBJECT_LIMIT), 0;
    if (o.pointCount > SPOKE_OBJECT_LIMIT) return ShowMessageBoxF(page, TEXT_SPOKE_POINTS, SPOKE_OBJECT_LIMIT), 0;
  }
  if (kind == LOAD_OBJ) {
    ShowMessage(TEXT_LOADED_OBJ_SPOKES, TextColours.grey);
    SetSpokes(s, 1);
    return 1;
  }
  if (o.childCount > 0) return ShowMessageBox(page, TEXT_HAS_SUBOBJECTS), 0;
  if (kind == LOAD_MODEL) {
    if (o.pointCount > s.pointLimit) return ShowMessageBox(page, s.pointLimitText), 0;
    if (o.triangleCount > s.triangleLimit) return ShowMessageBox(page, s.triangleLimitText), 0;
  }
  if (HasMirroredTriangles(o)) return ShowMessageBox(page, TEXT_HAS_MIRRORED_TRIANGLES), 0;
  if (kind == LOAD_IMPORT) {
    if (RefersToOtherSide(o)) return ShowMessageBox2Lines(page, TEXT_SPOKE_EDITOR_UNSUPPORTED, TEXT_REFER_TO_MIRRORED), 0;
    ShowMessage(TEXT_IMPORTED_QXE_SPOKES, TextColours.grey);
    SetSpokes(s, 1);
    return 1;
  }
  if (ObjectEditorShared.spokeCount == 1 && RefersToOtherSide(o))
    return ShowMessageBox2Lines(page, TEXT_NEED_TWO_SPOKES, TEXT_REFER_TO_ROTATED), 0;
  return 1;
}

void TrackNameAnswered(Prss* owner, uint32_t, uint32_t) {
  ModellerScreen* s = ModellerOf(owner);
  if (!s || !s->mainObject) return;
  CopyName(s->mainObject->name, MODEL_NAME_SIZE, g_typedName, OBJECT_NAME_LENGTH);
}

// Opened from the track editor the model keeps the editor's name unless the user changes it.
void CheckTrackEditorName(ModellerScreen& s, const char* typed) {
  CopyName(g_typedName, MODEL_NAME_SIZE, typed, OBJECT_NAME_LENGTH);
  if (std::strcmp(g_typedName, s.mainObject->name) == 0) return;
  char first[DIALOG_TEXT_SIZE], second[DIALOG_TEXT_SIZE];
  std::snprintf(first, sizeof first, TEXT_TRACK_EDITOR_NAME, s.mainObject->name);
  std::snprintf(second, sizeof second, TEXT_TRACK_EDITOR_RENAME, g_typedName);
  AskQuestion(&s.prss, TrackNameAnswered, first, second, 0, 0, 0);
}

// The save fix-ups, once per change: "prepare for save" and the model's tidy-up.
void PrepareForSave(ModellerScreen& s, ModelObject& object, int isSubobject) {
  if (s.state.unchanged) return;
  if (AddUndoPoint) AddUndoPoint("prepare for save", 0, 0, 0);
  object.Tidy(0, isSubobject);
}

void FileNameAnswered(Prss* owner, const char* text, uint32_t word) {
  ModellerScreen* s = ModellerOf(owner);
  if (!s || !text || !text[0]) return;
  switch (word) {
    case FILE_LOAD_MAIN: LoadIntoModeller(*s, text, LOAD_MODEL); break;
    case FILE_SAVE_MAIN: SaveMainObject(*s, text); break;
    case FILE_LOAD_SUBOBJECT: LoadSubobject(*s, text); break;
    case FILE_SAVE_SUBOBJECT: SaveSubobject(*s, text); break;
    case FILE_IMPORT_OBJ: LoadIntoModeller(*s, text, LOAD_OBJ); break;
    case FILE_IMPORT_MODEL: LoadIntoModeller(*s, text, LOAD_IMPORT); break;
    case FILE_EXPORT_MODEL: ExportModel(*s, text); break;
    default: break;
  }
}

}  // namespace

// ---- [File command] ----

void FileCommand(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || word >= FILE_WORD_COUNT) return;
  const bool subobject = word == FILE_LOAD_SUBOBJECT || word == FILE_SAVE_SUBOBJECT;
  if (subobject && !SubobjectEdited(*s)) return;
  const bool save = word == FILE_SAVE_MAIN || word == FILE_SAVE_SUBOBJECT || word == FILE_EXPORT_MODEL;
  const char* pattern = word == FILE_IMPORT_OBJ                          ? OBJ_FILE_PATTERN
                        : word == FILE_LOAD_MAIN || word == FILE_SAVE_MAIN ? MainPattern()
                                                                           : MODEL_FILE_PATTERN;
  const char* current = subobject ? EditedObject->name : s->mainObject->name;
  AskText(&s->prss, FileNameAnswered, FILE_PROMPTS[word], FILE_NAME_QUESTION_LENGTH, uint32_t(word), current, 0,
          save ? ENTRY_SAVE : ENTRY_LOAD, pattern);
}

// ---- [Operations] ----

int LoadIntoModeller(ModellerScreen& s, const char* name, int kind) {
  ModelObject& main = *s.mainObject;
  char path[FILE_PATH_SIZE];
  if (!NamedPath(s, path, kind == LOAD_OBJ ? OBJ_FILE_PATTERN : kind == LOAD_IMPORT ? MODEL_FILE_PATTERN : MainPattern(),
                 name))
    return 0;
  ModelObject loaded{};
  loaded.Init();
  int read;
  if (kind == LOAD_OBJ) {
    read = ImportObjFile(loaded, &s.prss, path);
    if (loaded.mappingCount > 0) loaded.mappings[0].colour = OBJ_MAPPING_COLOUR;
  } else if (kind == LOAD_MODEL && SpokeObjectEdited()) {
    read = LoadSpokeObject(loaded, &s.prss, path);
  } else {
    read = LoadModelFile(loaded, &s.prss, path, 1, nullptr);
  }
  if (!read && !BoxOpened(s)) ShowMessageBox(&s.prss, TEXT_COULD_NOT_LOAD_OBJECT);
  if (read && kind != LOAD_OBJ) loaded.AssignMissingSmoothingGroups();
  // An OBJ file that gives no triangle (no vertices, or faces that all fall away) is a
  // failed load: the model stays as it was.
  const bool empty = read && !BoxOpened(s) && kind == LOAD_OBJ && loaded.triangleCount == 0;
  if (empty) ShowEditorInfof(TEXT_OBJ_NO_TRIANGLES, name);
  if (!read || empty || BoxOpened(s) || (SpokeObjectEdited() && !PassesSpokeRules(s, loaded, kind))) {
    loaded.Free();
    return 0;
  }
  DeselectAll(s);  // after the checks: a refused load leaves the selection too
  if (AddUndoPoint) {
    char edit[UNDO_NAME_SIZE];
    std::snprintf(edit, sizeof edit, "load %s", name);
    AddUndoPoint(edit, 0, 0, 0);
  }
  if (ModellerOpenedAs == OPENED_FROM_TRACK_EDITOR)
    std::memcpy(loaded.name, main.name, sizeof loaded.name);
  else
    CopyName(loaded.name, MODEL_NAME_SIZE, name, OBJECT_NAME_LENGTH);
  if (ModellerOpenedAs == OPENED_AT_HEIGHT && !SpokeObjectEdited()) {
    loaded.offset[0] = loaded.offset[1] = 0;
    loaded.offset[2] = main.offset[2];
  }
  main.Free();
  main = loaded;  // the arrays are the main object's now
  main.currentLod = 0;
  SetEditedObject(s, &main, 0);
  RefreshEditedMesh(&s.prss);
  DeselectAll(s);
  // A loaded model file is saved as it stands; an imported mesh or model is a change no file
  // holds yet.
  s.state.unchanged = kind == LOAD_MODEL;
  ObjectEditorShared.unsavedChanges = kind != LOAD_MODEL;
  ObjectEditorShared.frameCountdown = 1;  // the view frames what came in
  if (ModellerOpenedAs == OPENED_FROM_TRACK_EDITOR) CheckTrackEditorName(s, name);
  if (kind == LOAD_OBJ && !BoxOpened(s)) Prss_AddSub(&s.prss, LoadHelpText(&s.prss, OBJ_LICENSE_TITLE, OBJ_LICENSE_HELP, HELP_MODE_OK));
  return 1;
}

int SaveMainObject(ModellerScreen& s, const char* name) {
  ModelObject& main = *s.mainObject;
  const bool spoke = SpokeObjectEdited();
  char path[FILE_PATH_SIZE];
  if (!NamedPath(s, path, spoke ? SPOKE_FILE_PATTERN : MODEL_FILE_PATTERN, name)) return 0;
  DeselectAll(s);
  PrepareForSave(s, main, 0);
  // The file carries the name it is saved under, whatever the object in the editor is called
  // until the question below is answered.
  ModelObject saved = main;  // shares the arrays: never freed
  CopyName(saved.name, MODEL_NAME_SIZE, name, OBJECT_NAME_LENGTH);
  const int written = spoke ? SaveSpokeObject(saved, &s.prss, path) : SaveModelFile(saved, &s.prss, path, 1);
  if (!written || BoxOpened(s)) {
    if (!BoxOpened(s)) ShowMessageBoxPair(&s.prss, TEXT_COULD_NOT_WRITE_FILE, PathOnDisk(path).c_str());
    return 0;
  }
  ReportSaved(path);
  MarkSavedUndoNodes(name);
  s.state.unchanged = 1;
  ObjectEditorShared.unsavedChanges = 0;
  if (ModellerOpenedAs == OPENED_FROM_TRACK_EDITOR)
    CheckTrackEditorName(s, name);
  else
    CopyName(main.name, MODEL_NAME_SIZE, name, OBJECT_NAME_LENGTH);
  return 1;
}

int LoadSubobject(ModellerScreen& s, const char* name) {
  if (!SubobjectEdited(s)) return 0;
  ModelObject& sub = *EditedObject;
  char path[FILE_PATH_SIZE];
  if (!NamedPath(s, path, MODEL_FILE_PATTERN, name)) return 0;
  ModelObject loaded{};
  loaded.Init();
  const int read = LoadModelFile(loaded, &s.prss, path, 0, nullptr);
  if (!read && !BoxOpened(s)) ShowMessageBox(&s.prss, TEXT_COULD_NOT_LOAD_OBJECT);
  if (!read || BoxOpened(s)) {
    loaded.Free();
    return 0;
  }
  DeselectAll(s);
  if (AddUndoPoint) AddUndoPoint("load subobject", 0, 0, 0);
  if (sub.name[0])
    std::memcpy(loaded.name, sub.name, sizeof loaded.name);
  else if (!loaded.name[0])
    CopyName(loaded.name, MODEL_NAME_SIZE, name, SUBOBJECT_FILE_NAME_LENGTH - 1);
  std::memcpy(loaded.angles, sub.angles, sizeof loaded.angles);
  loaded.angleExtra = sub.angleExtra;
  std::memcpy(loaded.offset, sub.offset, sizeof loaded.offset);
  if (loaded.type == SUBOBJECT_MAIN) loaded.type = SUBOBJECT_ATTACHMENT;
  std::memset(loaded.layerNames, 0, sizeof loaded.layerNames);  // a subobject keeps none
  sub.Free();
  sub = loaded;
  SetEditedObject(s, &sub, 1);
  return 1;
}

int SaveSubobject(ModellerScreen& s, const char* name) {
  if (!SubobjectEdited(s)) return 0;
  char path[FILE_PATH_SIZE];
  if (!NamedPath(s, path, MODEL_FILE_PATTERN, name)) return 0;
  DeselectAll(s);
  ModelObject& sub = *EditedObject;
  PrepareForSave(s, sub, 1);
  // Written with the main object's layer names (its triangles use them), so that the file
  // reads back as it was written.
  ModelObject written = sub;  // shares the arrays: never freed
  std::memcpy(written.layerNames, s.mainObject->layerNames, sizeof written.layerNames);
  if (!SaveModelFile(written, &s.prss, path, 1) || BoxOpened(s)) {
    if (!BoxOpened(s)) ShowMessageBoxPair(&s.prss, TEXT_COULD_NOT_WRITE_FILE, PathOnDisk(path).c_str());
    return 0;
  }
  ReportSaved(path);
  return 1;
}

int ExportModel(ModellerScreen& s, const char* name) {
  ModelObject& main = *s.mainObject;
  char path[FILE_PATH_SIZE];
  if (!NamedPath(s, path, MODEL_FILE_PATTERN, name)) return 0;
  DeselectAll(s);
  KeptGeometry kept{};
  const int spokes = ObjectEditorShared.spokeCount;
  if (spokes >= 2) main.RepeatGeometry(spokes, kept);
  const int written = SaveModelFile(main, &s.prss, path, 1);
  if (kept.copies) main.RestoreRepeatedGeometry(kept);
  const int ok = written && !BoxOpened(s);
  if (!written && !BoxOpened(s)) ShowMessageBoxPair(&s.prss, TEXT_COULD_NOT_WRITE_FILE, PathOnDisk(path).c_str());
  if (ok) {
    ShowEditorInfo(TEXT_EXPORTED_MODEL);
    ReportSaved(path);
  }
  RefreshEditedMesh(&s.prss);
  return ok;
}

// ---- [Spokes] ----

int RefersToOtherSide(const ModelObject& o) {
  for (int t = 0; t < o.triangleCount; ++t) {
    const uint16_t* c = o.triangles[t].corners;
    if ((c[0] | c[1] | c[2]) & CORNER_MIRRORED) return 1;
  }
  return 0;
}

int CheckTotalLimits(Prss* screen, uint8_t& spokeCount, const ModelObject& spoke, int word) {
  const int n = spokeCount;
  if (word == 0) {
    if (n <= 1) return 0;
    if (n == 2 && RefersToOtherSide(spoke)) {
      ShowMessageBox(screen, TEXT_ROTATED_NEED_TWO);
      return 0;
    }
    spokeCount = uint8_t(n - 1);
    return 1;
  }
  if (word != 1) return 1;
  if (n >= MAX_CAR_SPOKES) return 0;
  const int next = n + 1;
  if (next * spoke.pointCount > SPOKE_OBJECT_LIMIT) {
    ShowMessageBoxF(screen, TEXT_TOTAL_POINTS_EXCEEDED, SPOKE_OBJECT_LIMIT);
    return 0;
  }
  if (next * spoke.triangleCount > SPOKE_OBJECT_LIMIT) {
    ShowMessageBoxF(screen, TEXT_TOTAL_TRIANGLES_EXCEEDED, SPOKE_OBJECT_LIMIT);
    return 0;
  }
  spokeCount = uint8_t(next);
  return 1;
}

void ChangeSpokeCount(ModellerScreen& s, int up) {
  const int n = CarSpokes();
  if (n <= 0 || !s.mainObject) return;
  uint8_t count = uint8_t(n);
  if (!CheckTotalLimits(&s.prss, count, *s.mainObject, up ? 1 : 0) || count == n) return;
  SetSpokes(s, count);
  RefreshEditedMesh(&s.prss);
}

// ---- [Object panel] ----

namespace {

ColourWord* Plain() { return &TextColours.lightOrange; }

void SkinAnswered(Prss* owner, const char* text, uint32_t) {
  if (!text) return;
  CopyName(EditorSkinName, EDITOR_SKIN_NAME_SIZE, text, EDITOR_SKIN_LENGTH);
  if (ModellerScreen* s = ModellerOf(owner))
    RefreshEditedMesh(&s->prss);
}

void SkinButton(void* owner, int, uintptr_t) {
  if (ModellerScreen* s = OperationScreen(owner)) AskEditorSkin(*s);
}

}  // namespace

void AskEditorSkin(ModellerScreen& s) {
  AskText(&s.prss, SkinAnswered, TEXT_SELECT_EDITOR_SKIN, EDITOR_SKIN_LENGTH, 0, EditorSkinName, 0, ENTRY_LOAD,
          "data\\skins\\%s.jpg");
}

// The object panel's widest row: "skin", the skin name and "OBJ".
constexpr int OBJECT_PANEL_UNITS = 15;

// Where the window is too narrow for the panel at its least width beside a full column, it
// stands in a narrow form of NARROW_PANEL_UNITS: every name on a row of its own, the file
// buttons on the rows under it.
constexpr int NARROW_PANEL_UNITS = 9;
bool ObjectPanelNarrow() {
  return ScreenWidth < (PANEL_COLUMN_UNITS + OBJECT_PANEL_UNITS - 3 + EDIT_VIEW_BLOCK_UNITS) * ButtonWidth;
}

int ObjectPanelRows(const ModellerScreen& s) {
  const bool sub = s.state.mode == ModeSubobject;
  if (ObjectPanelNarrow()) return sub ? 5 : 3;
  return sub ? 3 : 2;
}

void AddObjectPanel(ModellerScreen& s, int usedRight) {
  if (!s.mainObject) return;
  const ModelObject& main = *s.mainObject;
  const int top = ScreenHeight - ObjectPanelRows(s) * ButtonHeight;
  // Beside the column it stands as wide as it can up to the view block, losing name units
  // down to its least width, and as near to the column as it must.
  constexpr int LEAST_UNITS = OBJECT_PANEL_UNITS - 3;
  const int blockLeft = ScreenWidth - EDIT_VIEW_BLOCK_UNITS * ButtonWidth;
  const bool narrow = ObjectPanelNarrow();
  int left = 0, units = narrow ? NARROW_PANEL_UNITS : OBJECT_PANEL_UNITS;
  if (narrow) {
    left = std::max(0, std::min(usedRight, blockLeft - units * ButtonWidth));
  } else if (usedRight > 0) {
    left = std::max(usedRight, std::min(PANEL_COLUMN_UNITS * ButtonWidth, blockLeft - OBJECT_PANEL_UNITS * ButtonWidth));
    units = std::clamp((blockLeft - left) / std::max(ButtonWidth, 1), LEAST_UNITS, OBJECT_PANEL_UNITS);
    // No room at its least width: it keeps its place beside the column at its full width.
    if (left + LEAST_UNITS * ButtonWidth > blockLeft) left = PANEL_COLUMN_UNITS * ButtonWidth, units = OBJECT_PANEL_UNITS;
  }
  const auto nextRow = [left] {
    RowCursorX = left;
    RowCursorY += ButtonHeight;
  };
  // In the narrow form a name fills its row and what follows it stands on the row under it.
  const auto afterName = [&] {
    if (narrow) nextRow();
  };
  RowCursorX = left;
  RowCursorY = top;
  // The separator along the panel's top edge, placed in screen units (the rows are in pixels),
  // as wide as the panel's widest row.
  if (ScreenWidth > 0 && ScreenHeight > 0) {
    const int columns = LayoutColumns;
    LayoutColumns = units;
    AddPanelSeparator(2.0f * float(left) / float(ScreenWidth) - 1.0f, 2.0f * float(top) / float(ScreenHeight) - 1.0f);
    LayoutColumns = columns;
  }
  Prss* owner = &s.prss;
  ColourWord* grey = &TextColours.grey;
  // The names and file buttons wide enough for "main object selected", "LOAD" and "SAVE";
  // the names give up what the panel lacks.
  constexpr int FILE_UNITS = 3;
  const int nameUnits = narrow ? NARROW_PANEL_UNITS : 9 - (OBJECT_PANEL_UNITS - units);
  const int skinUnits = narrow ? NARROW_PANEL_UNITS - 2 - FILE_UNITS : nameUnits + 1;
  static_assert(2 + 9 + 1 + FILE_UNITS == OBJECT_PANEL_UNITS, "the first row is the widest at nine name units");
  AddRowButton(owner, 2, 0, 0, grey, "skin", nullptr, nullptr);
  AddRowButton(owner, skinUnits, 0, 0, Plain(), EditorSkinName[0] ? EditorSkinName : "-", SkinButton,
               "Select a JPG to use as a skin texture in the editor");
  AddRowButton(owner, FILE_UNITS, FILE_IMPORT_OBJ, 0, Plain(), "OBJ", FileCommand,
               "Import an OBJ file from the data\\obj folder");
  nextRow();
  static char nameText[MODEL_NAME_SIZE + 4];
  std::snprintf(nameText, sizeof nameText, "%s%s", main.name, s.state.unchanged ? "" : "^1*");
  AddRowButton(owner, nameUnits, 0, 0, grey, nameText, nullptr, "The name of the main object");
  afterName();
  AddRowButton(owner, FILE_UNITS, FILE_LOAD_MAIN, 0, Plain(), "LOAD", FileCommand,
               "Load a new object from data\\3dob (CTRL+O)");
  AddRowButton(owner, FILE_UNITS, FILE_SAVE_MAIN, 0, Plain(), "SAVE", FileCommand, "Save the main object to data\\3dob");
  nextRow();
  if (s.state.mode != ModeSubobject) return;
  if (SubobjectEdited(s)) {
    const ModelObject& sub = *EditedObject;
    const char* shown = sub.name[0] ? sub.name : SUBOBJECT_TYPE_NAMES[sub.type < SUBOBJECT_TYPE_COUNT ? sub.type : 0];
    AddRowButton(owner, nameUnits, 0, 0, grey, shown, nullptr, "A subobject is currently selected");
    afterName();
    AddRowButton(owner, FILE_UNITS, FILE_LOAD_SUBOBJECT, 0, Plain(), "load", FileCommand,
                 "Load a new subobject, replacing the selected subobject");
    AddRowButton(owner, FILE_UNITS, FILE_SAVE_SUBOBJECT, 0, Plain(), "save", FileCommand,
                 "Save the current subobject as an object in data\\3dob");
  } else if (SpokeObjectEdited() && main.childCount == 0) {
    AddRowButton(owner, 6, FILE_IMPORT_MODEL, 0, Plain(), "import QXE", FileCommand, "Load a modeller object as a spoke object");
    if (narrow) nextRow();  // the two do not fit on one row
    AddRowButton(owner, 6, FILE_EXPORT_MODEL, 0, Plain(), "export QXE", FileCommand,
                 "Save the spoke object as a modeller object");
  } else {
    AddRowButton(owner, nameUnits, 0, 0, grey, main.childCount > 0 ? "main object selected" : "no subobjects", nullptr,
                 nullptr);
    afterName();
    AddRowButton(owner, FILE_UNITS, 0, 0, grey, "", nullptr, nullptr);
    AddRowButton(owner, FILE_UNITS, 0, 0, grey, "", nullptr, nullptr);
  }
}
