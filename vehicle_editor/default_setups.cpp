// default_setups.cpp - the vehicle editor's default set-ups and colour configurations: chosen,
// renamed, duplicated, deleted, and saved to or loaded from a set-up or colour config file.
#include "vehicle_editor/default_setups.h"

#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "physics/car.h"
#include "platform/files.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

int32_t EditorSetupChoice, EditorColourChoice;
uint32_t ColoursChangedWord;

namespace {
constexpr const char* TEXT_MAX_SETUPS = "Reached maximum of 4 default setups";
constexpr const char* TEXT_MAX_COLOURS = "Reached maximum of 9 default colour configs";
constexpr const char* TEXT_SAVED_SETUP = "Saved setup";
constexpr const char* TEXT_NOT_SAVED_SETUP = "Could not save setup";
constexpr const char* TEXT_NOT_LOADED_SETUP = "Could not load setup";
constexpr const char* TEXT_SAVED_COLOURS = "Saved colours";
constexpr const char* TEXT_NOT_SAVED_COLOURS = "Could not save colours";
constexpr int FILE_SOUND = 2;
constexpr int ENTRY_LOAD = 4, ENTRY_SAVE = 6;
constexpr int RIGHT_CLICK = 4;  // click code bit 2

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }
VehicleEditor& EditorOf(Prss* owner) { return *reinterpret_cast<VehicleEditor*>(owner); }

int TypedPath(char* out, int outSize, const char* pattern, const char* name) {
  if (TypedEditorPath(out, outSize, pattern, name)) return 1;
  ReportSound(FILE_SOUND);
  return 0;
}

void Inform(const char* text) {
  ShowVehicleEditorInfo(text);
  ReportSound(FILE_SOUND);
}

// A save's outcome on the status line; a message line names the file it wrote (a failure is
// told by the file).
void InformSaved(int saved, const char* path, const char* savedText, const char* notSavedText) {
  Inform(saved ? savedText : notSavedText);
  if (saved) ReportSaved(path);
}

// A file that did not load: the status line says so, the message line names the file and
// what was wrong with it.
void InformNotLoaded(const char* text, const char* path, const char* record) {
  Inform(text);
  const char* reason = LastDataFileError == DATA_FILE_OK ? nullptr : DataFileErrorText(LastDataFileError);
  char line[FILE_PATH_SIZE + 128];
  std::snprintf(line, sizeof line, "%s : %s^8 - %s", text, PathInMessage(path).c_str(), reason ? reason : record);
  ReportLine(line, REPORT_ERROR);
}

// The editor whose car a name typed into a file prompt is for, the name made a path by the
// pattern; null when there is no car or the name was refused.
VehicleEditor* EditorWithTypedPath(Prss* owner, const char* text, const char* pattern, char (&path)[FILE_PATH_SIZE]) {
  VehicleEditor& e = EditorOf(owner);
  return e.car && TypedPath(path, sizeof path, pattern, text) ? &e : nullptr;
}

// Read first, into a copy of the car's current record: a file that does not load records
// nothing and changes nothing.  True when the copy holds the file and the edit is recorded;
// false when the status and message lines have said why the file did not load.
template <class Record>
bool ReadBeforeEdit(Record& copy, int (*read)(Record&, const char*), const char* path, const char* notLoaded,
                    const char* what, const char* edit) {
  LastDataFileError = DATA_FILE_OK;
  if (!read(copy, path)) {
    InformNotLoaded(notLoaded, path, what);
    return false;
  }
  RecordEdit(edit);
  return true;
}

void SaveSetupAnswered(Prss* owner, const char* text, uint32_t) {
  char path[FILE_PATH_SIZE];
  if (VehicleEditor* e = EditorWithTypedPath(owner, text, SETUP_FILE_PATTERN, path))
    InformSaved(SaveSetupFile(e->car->currentSetup, path), path, TEXT_SAVED_SETUP, TEXT_NOT_SAVED_SETUP);
}

void LoadSetupAnswered(Prss* owner, const char* text, uint32_t) {
  char path[FILE_PATH_SIZE];
  VehicleEditor* e = EditorWithTypedPath(owner, text, SETUP_FILE_PATTERN, path);
  if (!e) return;
  SetupRecord record = e->car->currentSetup;
  if (!ReadBeforeEdit(record, LoadSetupFile, path, TEXT_NOT_LOADED_SETUP, "set-up record", "load setup")) return;
  Car& car = *e->car;
  car.currentSetup = record;
  RebuildEditedCar(car);
  ++e->carSetups;
  const int index = car.setupIndex;
  if (index >= 0 && index < car.setupCount) car.setups[index].record = car.currentSetup;
}

void SaveColoursAnswered(Prss* owner, const char* text, uint32_t) {
  char path[FILE_PATH_SIZE];
  if (VehicleEditor* e = EditorWithTypedPath(owner, text, COLOUR_FILE_EDITOR_PATTERN, path))
    InformSaved(WriteColourConfig(e->car->currentColours, path), path, TEXT_SAVED_COLOURS, TEXT_NOT_SAVED_COLOURS);
}

void LoadColoursAnswered(Prss* owner, const char* text, uint32_t) {
  char path[FILE_PATH_SIZE];
  VehicleEditor* e = EditorWithTypedPath(owner, text, COLOUR_FILE_EDITOR_PATTERN, path);
  if (!e) return;
  ColourSet read = e->car->currentColours;
  if (!ReadBeforeEdit(read, ReadColourConfig, path, TEXT_COULD_NOT_LOAD_COLOUR_CONFIG, "colour set",
                      "load colour config"))
    return;
  Car& car = *e->car;
  car.currentColours = read;
  car.RequestModelRebuild(1);
  const int index = car.colourIndex;
  if (index >= 0 && index < car.colourConfigCount) car.colourConfigs[index] = car.currentColours;
}

void RenameAnswered(Prss* owner, const char* text, uint32_t) { VehicleEditor::RenameSetup(EditorOf(owner), text); }

void DeleteSetupAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::SetupAction(owner, 0, 4); }
void DeleteColoursAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::ColourConfigAction(owner, 0, 4); }

// The last entry moves into the removed current one; removing the last selects entry 0.
template <class Entry>
int RemoveCurrent(Entry* entries, int32_t& count, int current) {
  --count;
  if (current >= count) return 0;
  entries[current] = entries[count];
  return current;
}
}  // namespace

void SetupNameWithoutBrackets(const char* name, char* out, int outSize) {
  char text[SETUP_NAME_SIZE + 1] = {};
  std::memcpy(text, name, SETUP_NAME_SIZE);
  const char* from = text;
  size_t length = std::strlen(text);
  if (length >= 2 && text[0] == '[' && text[length - 1] == ']') {
    ++from;
    length -= 2;
  }
  std::snprintf(out, static_cast<size_t>(outSize), "%.*s", static_cast<int>(length), from);
}

void RebuildEditedCar(Car& car) {
  // The configuration built is the one the set-up chooses (one beyond the count: the first).
  const int config = car.currentSetup.bytes[SETUP_CONFIGURATION];
  car.configIndex = uint8_t(config < car.configCount ? config : 0);
  car.ReleaseMeshes();
  car.SetLodDistances();
  car.BuildBodyMesh();
  car.SetupFromVehicle(1);
  car.UpdateWheelStates();
  if (ScanColourMarks) ScanColourMarks(car);
}

// ---- The editor's handlers ----

void VehicleEditor::SetupAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  char start[SETUP_PROMPT_LENGTH + 1];
  switch (word) {
    case 0: {
      char bare[SETUP_NAME_SIZE + 1] = "";
      if (car.setupIndex >= 0 && car.setupIndex < car.setupCount)
        SetupNameWithoutBrackets(car.setups[car.setupIndex].name, bare, sizeof bare);
      std::snprintf(start, sizeof start, "%s_%s", car.shortName, bare);
      AskText(&e.prss, SaveSetupAnswered, "Enter name of setup to SAVE", SETUP_PROMPT_LENGTH, 0, start, 0, ENTRY_SAVE,
              SETUP_FILE_PATTERN);
      return;
    }
    case 1:
      AskText(&e.prss, LoadSetupAnswered, "Enter name of setup to LOAD", SETUP_PROMPT_LENGTH, 0, car.shortName, 0,
              ENTRY_LOAD, SETUP_FILE_PATTERN);
      return;
    case 2: {
      if (car.setupCount >= VEHICLE_MAX_SETUPS) {
        ShowVehicleEditorInfo(TEXT_MAX_SETUPS);
        return;
      }
      const int from = car.setupIndex >= 0 && car.setupIndex < car.setupCount ? car.setupIndex : 0;
      RecordEdit("duplicate setup");
      VehicleSetup copy = car.setupCount > 0 ? car.setups[from] : VehicleSetup{{}, car.currentSetup};
      std::memset(copy.name, 0, sizeof copy.name);
      std::snprintf(copy.name, sizeof copy.name, "[unnamed]");
      car.setups[car.setupCount++] = copy;
      ApplySetup(e, car.setupCount - 1);
      return;
    }
    case 3:
      if (car.setupCount > 1) ReportQuestion(&e.prss, DeleteSetupAnswered, "Delete setup?", nullptr, 0, 0, 0);
      return;
    case 4:
      if (car.setupCount <= 1) return;
      RecordEdit("delete setup");
      ApplySetup(e, RemoveCurrent(car.setups, car.setupCount, car.setupIndex));
      return;
    default: return;
  }
}

void VehicleEditor::SelectSetup(void* owner, int click, uintptr_t index) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || index >= static_cast<uintptr_t>(e.car->setupCount)) return;
  ApplySetup(e, static_cast<int>(index));
  if (click & RIGHT_CLICK) {
    char bare[SETUP_NAME_SIZE + 1];
    SetupNameWithoutBrackets(e.car->setups[index].name, bare, sizeof bare);
    AskText(&e.prss, RenameAnswered, "Enter new name for setup", SETUP_RENAME_LENGTH, 0, bare, 0, 1, nullptr);
  }
}

void VehicleEditor::RenameSetup(VehicleEditor& e, const char* text) {
  if (!e.car) return;
  Car& car = *e.car;
  const int index = car.setupIndex;
  if (index < 0 || index >= car.setupCount) return;
  RecordEdit("rename setup");
  char* name = car.setups[index].name;
  std::memset(name, 0, SETUP_NAME_SIZE);
  if (std::strlen(text) < SETUP_BRACKETED_BELOW)
    std::snprintf(name, SETUP_NAME_SIZE, "[%s]", text);
  else
    std::snprintf(name, SETUP_NAME_SIZE, "%s", text);
}

void VehicleEditor::ApplySetup(VehicleEditor& e, int index) {
  if (!e.car || index < 0 || index >= e.car->setupCount) return;
  Car& car = *e.car;
  car.setupIndex = index;
  EditorSetupChoice = index;
  car.currentSetup = car.setups[index].record;
  RebuildEditedCar(car);
  ++e.carSetups;
}

void VehicleEditor::ColourConfigAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  char start[SETUP_PROMPT_LENGTH + 1];
  switch (word) {
    case 0:
      std::snprintf(start, sizeof start, "%s_", car.shortName);
      AskText(&e.prss, SaveColoursAnswered, "Enter name of colour config to SAVE", SETUP_PROMPT_LENGTH, 0, start, 0,
              ENTRY_SAVE, COLOUR_FILE_EDITOR_PATTERN);
      return;
    case 1:
      std::snprintf(start, sizeof start, "%s_", car.shortName);
      AskText(&e.prss, LoadColoursAnswered, "Enter name of colour config to LOAD", SETUP_PROMPT_LENGTH, 0, start, 0,
              ENTRY_LOAD, COLOUR_FILE_EDITOR_PATTERN);
      return;
    case 2: {
      if (car.colourConfigCount >= VEHICLE_MAX_COLOUR_CONFIGS) {
        ShowVehicleEditorInfo(TEXT_MAX_COLOURS);
        return;
      }
      const int from = car.colourIndex >= 0 && car.colourIndex < car.colourConfigCount ? car.colourIndex : -1;
      RecordEdit("duplicate colour config");
      car.colourConfigs[car.colourConfigCount++] = from >= 0 ? car.colourConfigs[from] : car.currentColours;
      ApplyColourConfig(e, car.colourConfigCount - 1);
      return;
    }
    case 3:
      if (car.colourConfigCount > 1)
        ReportQuestion(&e.prss, DeleteColoursAnswered, "Delete colour config?", nullptr, 0, 0, 0);
      return;
    case 4:
      if (car.colourConfigCount <= 1) return;
      RecordEdit("delete colour config");
      ApplyColourConfig(e, RemoveCurrent(car.colourConfigs, car.colourConfigCount, car.colourIndex));
      return;
    default: return;
  }
}

void VehicleEditor::SelectColourConfig(void* owner, int, uintptr_t index) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || index >= static_cast<uintptr_t>(e.car->colourConfigCount)) return;
  ApplyColourConfig(e, static_cast<int>(index));
  ColoursChangedWord = 1;
}

void VehicleEditor::ApplyColourConfig(VehicleEditor& e, int index) {
  if (!e.car || index < 0 || index >= e.car->colourConfigCount) return;
  Car& car = *e.car;
  car.colourIndex = index;
  EditorColourChoice = index;
  car.currentColours = car.colourConfigs[index];
  e.rebuildModelCountdown = 1;
  e.releaseMeshesCountdown = 1;
}
