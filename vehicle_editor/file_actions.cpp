// file_actions.cpp - the vehicle editor's file menu and file prompts: vehicles and their
// models saved, frames and colour sets loaded and saved, wheel files, the steering
// animation, the Skin ID and the test export folder.
#include "vehicle_editor/file_actions.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <strings.h>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_file.h"
#include "physics/car.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/text_names.h"
#include "ui/dialogs.h"
#include "vehicle_data/builtin_vehicles.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_data/wheel_file.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

VehicleEditorShellHooks EditorShellHooks;

namespace {
constexpr const char* TEXT_SAVE_VEH_TO_RENAME = "Click 'save VEH' to change the vehicle's name";
constexpr const char* TEXT_SAVE_VOB_TO_RENAME = "Click 'save VOB' to set VOB name";
constexpr const char* TEXT_NO_FRAME_POINTS = "No points in frame - use LOAD frame function instead";
constexpr const char* TEXT_VEH_NAME_SHORT = "VEH name must contain at least two characters";
constexpr const char* TEXT_VOB_NAME_LENGTH = "VOB name must be two characters in length";
constexpr const char* TEXT_NO_VOB_FOR_VEH = "Can't save VEH only - %s.vob was not found";
constexpr const char* TEXT_VERY_DIFFERENT = "A VERY DIFFERENT object file %s.vob already exists";
constexpr const char* TEXT_OVERWRITE_DIFFERENT = "Overwrite ^1DIFFERENT^8 file named ^1%s.vob^8?";
constexpr const char* TEXT_OLD_COLOUR_SET = "Loaded mesh colours but could not load light colours (old version)";
constexpr const char* TEXT_BAD_ANIMATION_NAME = "Animation file name must be ASCII (e.g. 0-9 A-Z a-z)";
constexpr const char* TEXT_LONG_ANIMATION_NAME = "Steering animation name too long";
constexpr const char* TEXT_SKIN_ID_LENGTH = "Skin ID must have either 3 or 6 characters";
constexpr const char* TEXT_SKIN_ID_NOT_HEX = "Skin ID should be a hexadecimal number";
constexpr const char* TEXT_SKIN_ID_INVALID = "Invalid Skin ID";
constexpr const char* TEXT_SKIN_ID_HOW =
    "A mod's 6-character Skin ID is the hexadecimal number given to the mod when it is registered for sharing";
constexpr const char* TEXT_SKIN_MISSING = "Skin ID is set but the default skin was not found";
constexpr const char* TEXT_SKINS_MISSING = "Skin ID is set but %d default skins were not found";
constexpr const char* TEXT_SEE_HISTORY = "Press H to see them in the message history";
constexpr const char* TEXT_NOT_A_FOLDER = "Folder not found :";
constexpr const char* TEXT_TOO_MANY_POINTS = "Too many frame points";
constexpr const char* TEXT_NOT_STEERING = "Not a steering animation";
constexpr const char* STEERING_PREFIX = "str_";
constexpr int STEERING_PREFIX_LENGTH = 4;
constexpr int NAME_PROMPT_LENGTH = 32;
constexpr int VOB_PROMPT_LENGTH = 4;
constexpr int VOB_NAME_LENGTH = 2;
// Room for the kept "str_", a whole name typed after it with its own "str_", and one character
// more than the row holds, so that a name too long is refused rather than cut.
constexpr int STEERING_PROMPT_LENGTH = 2 * STEERING_PREFIX_LENGTH + STEER_ANIMATION_SIZE;
constexpr int SKIN_ID_PROMPT_LENGTH = 8;
constexpr int ENTRY_NAME = 1, ENTRY_LOAD = 4, ENTRY_CHOOSE = 5, ENTRY_SAVE = 6;
constexpr int64_t MOST_KEPT_BYTES = 1 << 30;

enum FileWord : uintptr_t {
  WORD_VEH_NAME = 0,
  WORD_VOB_NAME = 1,
  WORD_LOAD = 2,
  WORD_SAVE_BOTH = 3,
  WORD_SAVE_VEH_ONLY = 4,
  WORD_SAVE_VOB_ONLY = 5,
  WORD_SAVE = 6,
  WORD_LOAD_FRAME = 7,
  WORD_SAVE_FRAME = 8,
  WORD_NEW = 9,
  WORD_ADD_FRAME = 13,
  WORD_LOAD_COLOURS = 14,
  WORD_SAVE_COLOURS = 15,
};

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }
VehicleEditor& EditorOf(Prss* owner) { return *reinterpret_cast<VehicleEditor*>(owner); }

void ReportPath(const char* text, const char* path) {
  char line[FILE_PATH_SIZE + 160];
  std::snprintf(line, sizeof line, "%s %s", text, PathInMessage(path).c_str());
  ReportLine(line, REPORT_ERROR);
}

int TypedPath(char* out, int outSize, const char* pattern, const char* name) {
  return TypedEditorPath(out, outSize, pattern, name);
}

// The folder of a pattern's file is made when missing, so a first save finds it.
void MakeFolderOf(const char* path) {
  std::string folder = path;
  const size_t cut = folder.find_last_of('\\');
  if (cut != std::string::npos) MakeFolder(folder.substr(0, cut).c_str());
}

// An edit recorded before a read that may fail (a reader that changes nothing on failure):
// a failed read takes the node back, and the saved mark with it.
void DropFailedEdit(VehicleEditor& e) {
  VehicleSelection before{};
  if (VehicleUndo::NumRedo == 0 && VehicleUndo::FreeLatestNode(&before)) e.selection.saved = before.saved;
}

// ---- Frame file ----
// The frame body is the vehicle file's (ReadFrame), read into a vehicle record of its own.
int ReadFrameBody(DataFile& f, FrameRead& out) {
  auto aside = std::make_unique<VehicleData>();
  const int read = ReadFrame(*aside, f);
  if (read) {
    out.pointCount = aside->framePointCount;
    out.points = aside->framePoints;
    out.tubeCount = aside->frameTubeCount;
    out.tubes = aside->frameTubes;
    aside->framePoints = nullptr;
    aside->frameTubes = nullptr;
  }
  FreeVehicleFrame(*aside);
  return read;
}

// Opens a file of the editor's formats for a whole read in memory; versions 248..252.
int OpenEditorFile(DataFile& f, const char* path, const char* magic) {
  int32_t version = 0;
  if (!f.OpenRead(nullptr, path, magic, &version, EDITOR_FILE_VERSION, 0)) {
    ReportPath(TEXT_COULD_NOT_OPEN_FILE, path);
    return 0;
  }
  if (version < EDITOR_FILE_LOWEST_VERSION) {
    f.Close();
    LastDataFileError = DATA_FILE_OBSOLETE;
    ReportPath(TEXT_COULD_NOT_OPEN_FILE, path);
    return 0;
  }
  return 1;
}

void ReportDamaged(const char* path, const char* field) {
  char line[FILE_PATH_SIZE + 160];
  std::snprintf(line, sizeof line, "%s %s^8 - %s", TEXT_MODEL_FILE_DAMAGED, PathInMessage(path).c_str(), field);
  ReportLine(line, REPORT_ERROR);
}

// ---- Saving ----
// The whole vehicle file image as WriteVehicleFile writes it.  The write names the data after
// the file: the old name is put back, the caller names the vehicle once every file is saved.
std::vector<uint8_t> VehicleImage(Car& car, const char* name, int storeModel) {
  char oldName[VEHICLE_NAME_SIZE];
  std::memcpy(oldName, car.vehicleName, sizeof oldName);
  car.SetTypeConstants();
  // Every read names a stored model after its vehicle (without a mod's "~" and number): it is
  // written under that name, so that the file reads back as it was written.
  char oldModelName[MODEL_NAME_SIZE] = {};
  const bool renameModel = storeModel && car.model && name;
  if (renameModel) {
    std::memcpy(oldModelName, car.model->name, sizeof oldModelName);
    std::memset(car.model->name, 0, MODEL_NAME_SIZE);
    for (int i = 0; i < MODEL_NAME_SIZE - 1 && name[i] && name[i] != '~'; ++i) car.model->name[i] = name[i];
  }
  const std::vector<uint8_t> body =
      MemoryWriteBody([&](DataFile& f) { SerializeVehicleData(car, f, name, storeModel); });
  if (renameModel) std::memcpy(car.model->name, oldModelName, sizeof oldModelName);
  std::memcpy(car.vehicleName, oldName, sizeof oldName);
  if (body.empty()) return {};
  return DataFileImage(VEHICLE_FILE_MAGIC, body, VEHICLE_FILE_VERSION);
}

std::vector<uint8_t> ModelImage(const ModelObject& model) {
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { WriteModelObject(model, f, 1, 1); });
  if (body.empty()) return {};
  return DataFileImage(MODEL_FILE_MAGIC, body, MODEL_FILE_VERSION);
}

int WriteImage(const char* path, const std::vector<uint8_t>& image) {
  MakeFolderOf(path);
  const int error = image.empty() ? ENOMEM : FileWriteAll(path, image.data(), image.size());
  if (error == 0) return 1;
  ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, path, error);
  return 0;
}

// A save under name succeeded: the vehicle and the local player take the name, the history
// marks this point as the saved one.
void NameSaved(VehicleEditor& e, const char* name) {
  Car& car = *e.car;
  std::memset(car.vehicleName, 0, sizeof car.vehicleName);
  std::snprintf(car.vehicleName, sizeof car.vehicleName, "%s", name);
  std::snprintf(e.vehicleName, sizeof e.vehicleName, "%s", name);
  if (EditorShellHooks.setLocalPlayerName) EditorShellHooks.setLocalPlayerName(name);
  using namespace VehicleUndo;
  VehicleUndoNode& current = Slots[NumNodes - NumRedo];
  std::snprintf(current.vehicleName, sizeof current.vehicleName, "%s", name);
  MarkSaved(name);
  e.selection.saved = 1;
}

// The two-character model code of the vehicle, as a name.
void VobName(const Car& car, char out[MODEL_CODE_SIZE + 1]) {
  std::memset(out, 0, MODEL_CODE_SIZE + 1);
  std::memcpy(out, car.modelCode, MODEL_CODE_SIZE);
}

int VobExists(const Car& car) {
  char code[MODEL_CODE_SIZE + 1], path[FILE_PATH_SIZE];
  VobName(car, code);
  return code[0] && MakeNamedPath(path, sizeof path, VEHICLE_MODEL_PATTERN, code) && FileIsRegular(path);
}

// A name the user gave that cannot be used: the box says why.
void RefuseName(VehicleEditor& e, const char* text, const char* name, const char* fault) {
  char refusal[NAME_REFUSAL_SIZE];
  FormatNameRefusal(refusal, sizeof refusal, text, name, fault);
  ReportBox(&e.prss, refusal);
}

// A vehicle's name is the file's and the one the file holds (31 characters): a longer one is
// refused rather than cut, so that the two never differ.
int CheckVehName(VehicleEditor& e, const char* name) {
  if (std::strlen(name) < 2) {
    ReportBox(&e.prss, TEXT_VEH_NAME_SHORT);
    return 0;
  }
  const char* fault = FileNameFault(name, VEHICLE_NAME_SIZE - 1);
  if (!fault && !IsValidVehicleName(name)) fault = "holds \"..\"";  // refused wherever vehicles are named
  if (fault) {
    RefuseName(e, LanguageTexts[TX_3h_invalidf], name, fault);
    return 0;
  }
  return 1;
}

int WriteVehicleAndVob(VehicleEditor& e, const char* name) {
  Car& car = *e.car;
  char code[MODEL_CODE_SIZE + 1], vehPath[FILE_PATH_SIZE], vobPath[FILE_PATH_SIZE];
  VobName(car, code);
  if (!car.model || !MakeVehiclePath(vehPath, sizeof vehPath, name, 0) ||
      !MakeNamedPath(vobPath, sizeof vobPath, VEHICLE_MODEL_PATTERN, code)) {
    ReportBox(&e.prss, TEXT_COULD_NOT_WRITE_FILE, name);
    return 0;
  }
  const std::vector<uint8_t> veh = VehicleImage(car, name, 0), vob = ModelImage(*car.model);
  if (veh.empty() || vob.empty()) {
    ReportPath(TEXT_COULD_NOT_ALLOCATE, vehPath);
    return 0;
  }
  // The old vehicle file is kept until the model is written too, and put back if it is not.
  std::string old;
  const bool hadOld = FileReadAll(vehPath, old, MOST_KEPT_BYTES) == 0;
  if (!WriteImage(vehPath, veh)) return 0;
  if (!WriteImage(vobPath, vob)) {
    const int error = hadOld ? FileWriteAll(vehPath, old.data(), old.size()) : FileRemove(vehPath) ? 0 : (errno ? errno : EIO);
    if (error) ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, vehPath, error);
    return 0;
  }
  RebuildEditedCar(car);
  ++e.carSetups;
  NameSaved(e, name);
  ReportSaved(vehPath, vobPath);
  return 1;
}

int WriteVobOnly(VehicleEditor& e, const char* name) {
  Car& car = *e.car;
  char path[FILE_PATH_SIZE];
  if (!car.model || !MakeNamedPath(path, sizeof path, VEHICLE_MODEL_PATTERN, name)) return 0;
  if (!WriteImage(path, ModelImage(*car.model))) return 0;
  ReportSaved(path);
  RebuildEditedCar(car);
  ++e.carSetups;
  char code[MODEL_CODE_SIZE + 1];
  VobName(car, code);
  if (strcasecmp(code, name) != 0) {
    std::memset(car.modelCode, 0, sizeof car.modelCode);
    for (int i = 0; i < VOB_NAME_LENGTH; ++i)
      car.modelCode[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  }
  return 1;
}

// The save waiting for the answer to "A VERY DIFFERENT object file".
struct PendingSave {
  char name[VEHICLE_NAME_SIZE];
  int vobOnly;
};
PendingSave g_pending;

void OverwriteAnswered(Prss* owner, uint32_t, uint32_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  if (g_pending.vobOnly)
    WriteVobOnly(e, g_pending.name);
  else
    WriteVehicleAndVob(e, g_pending.name);
}

// Asks before a model file that shares little with the car's model is overwritten; 1 when
// the save may go on at once.
int MayOverwriteVob(VehicleEditor& e, const char* vob, const char* name, int vobOnly) {
  if (!VehicleEditor::IsVeryDifferentVob(e, vob)) return 1;
  std::snprintf(g_pending.name, sizeof g_pending.name, "%s", name);
  g_pending.vobOnly = vobOnly;
  char first[96], second[96];
  std::snprintf(first, sizeof first, TEXT_VERY_DIFFERENT, vob);
  std::snprintf(second, sizeof second, TEXT_OVERWRITE_DIFFERENT, vob);
  ReportQuestion(&e.prss, OverwriteAnswered, first, second, 0, 0, 0);
  return 0;
}

// ---- Prompt answers ----
void LoadAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::LoadVehicleState(EditorOf(o), text, -1); }
void SaveBothAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveVehicleAndVob(EditorOf(o), text); }
void SaveVehAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveVehicleOnly(EditorOf(o), text, 0); }
void SaveVobAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveVobOnly(EditorOf(o), text); }
void SaveAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveVehicleOnly(EditorOf(o), text, 1); }
void LoadFrameAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::LoadFrameFile(EditorOf(o), text); }
void SaveFrameAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveFrameFile(EditorOf(o), text); }
void AddFrameAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::AddFrameFile(EditorOf(o), text); }
void LoadAllAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::LoadAllColours(EditorOf(o), text); }
void SaveAllAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveAllColours(EditorOf(o), text); }
void LoadWheelAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::LoadWheelFile(EditorOf(o), text); }
void SaveWheelAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SaveWheelFile(EditorOf(o), text); }
void SteeringAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SetSteeringAnimation(EditorOf(o), text); }
void SkinIdAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SetSkinId(EditorOf(o), text); }
void FolderAnswered(Prss* o, const char* text, uint32_t) { VehicleEditor::SetTestExportFolder(EditorOf(o), text); }

bool IsAsciiText(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    if (*p >= 128) return false;
  return true;
}

bool IsLetterOrDigit(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// The six characters as a hexadecimal number; 0 when they are not one.
uint32_t HexNumber(const char* text) {
  uint32_t value = 0;
  for (const char* p = text; *p; ++p) {
    const int c = std::tolower(static_cast<unsigned char>(*p));
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return 0;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return value;
}

// A mod's id: three non-zero bytes that do not read as a built-in car's three letters or digits.
bool IsModId(uint32_t id) {
  const char bytes[4] = {static_cast<char>(id & 0xFF), static_cast<char>(id >> 8 & 0xFF),
                         static_cast<char>(id >> 16 & 0xFF), 0};
  if (id > 0xFFFFFF || bytes[0] == 0 || bytes[1] == 0 || bytes[2] == 0) return false;
  return !IsShortCarName(bytes);
}
}  // namespace

int TypedEditorPath(char* out, int outSize, const char* pattern, const char* name) {
  char refusal[NAME_REFUSAL_SIZE];
  if (MakeUserFilePath(out, outSize, pattern, name ? name : "", refusal)) return 1;
  ShowVehicleEditorInfo(refusal);
  return 0;
}

// ---- [Reading and writing] ----

void FreeFrameRead(FrameRead& frame) {
  std::free(frame.points);
  std::free(frame.tubes);
  frame = FrameRead{};
}

int ReadFrameFile(const char* path, FrameRead& out) {
  out = FrameRead{};
  DataFile f{};
  if (!OpenEditorFile(f, path, FRAME_FILE_MAGIC)) return 0;
  LastVehicleReadField = nullptr;
  const int read = ReadFrameBody(f, out);
  f.Close();
  if (!read) {
    LastDataFileError = VEHICLE_FILE_CORRUPTED;
    ReportDamaged(path, LastVehicleReadField ? LastVehicleReadField : "frame");
    FreeFrameRead(out);
    return 0;
  }
  return 1;
}

int WriteFrameFile(const VehicleData& data, const char* path) {
  MakeFolderOf(path);
  DataFile f{};
  if (!f.OpenWrite(nullptr, path, FRAME_FILE_MAGIC, EDITOR_FILE_VERSION)) return 0;  // told by the file
  // The writer marks the tubes with a wheel end in memory too, as the vehicle file does.
  WriteFrame(const_cast<VehicleData&>(data), f);
  return f.Close();  // a failure is told by the file
}

int ReadAllColoursFile(const char* path, ColourSetRead& out) {
  out = ColourSetRead{};
  DataFile f{};
  if (!OpenEditorFile(f, path, ALL_COLOURS_MAGIC)) return 0;
  const char* failed = nullptr;
  const uint32_t count = f.ReadUInt();
  // None would leave no configuration to show, more than nine breaks the vehicle's limit.
  if (f.readPastEnd || count == 0 || count > VEHICLE_MAX_COLOUR_CONFIGS ||
      int64_t{count} * COLOUR_SET_BYTES > f.BytesLeft()) {
    failed = "colour configuration count";
  } else {
    out.count = static_cast<int32_t>(count);
    for (uint32_t i = 0; i < count && !failed; ++i)
      if (!ReadColourSet(out.configs[i], f)) failed = "colour configurations";
  }
  // An older file ends after the configurations, or holds another number of lights.
  if (!failed && f.BytesLeft() > 0) {
    const uint32_t lights = f.ReadUInt();
    if (f.readPastEnd) failed = "light colour count";
    if (!failed && lights == LIGHT_COLOURS) {
      for (ColourWord& c : out.lights) c = f.ReadUInt();
      if (f.readPastEnd) failed = "light colours";
      out.hasLights = 1;
    }
  }
  f.Close();
  if (failed) {
    LastDataFileError = VEHICLE_FILE_CORRUPTED;
    ReportDamaged(path, failed);
    out = ColourSetRead{};
    return 0;
  }
  return 1;
}

int WriteAllColoursFile(const VehicleData& data, const char* path) {
  MakeFolderOf(path);
  DataFile f{};
  if (!f.OpenWrite(nullptr, path, ALL_COLOURS_MAGIC, EDITOR_FILE_VERSION)) return 0;  // told by the file
  f.WriteInt(data.colourConfigCount);
  for (int i = 0; i < data.colourConfigCount; ++i) WriteColourSet(data.colourConfigs[i], f);
  f.WriteInt(LIGHT_COLOURS);
  for (const ColourWord c : data.colours) f.WriteInt(static_cast<int32_t>(c));
  return f.Close();  // a failure is told by the file
}

// ---- [Model comparison] ----

void CollectModelPoints(const ModelObject& model, std::vector<IntVector>& out) {
  if (model.points)
    for (int i = 0; i < model.pointCount; ++i) out.push_back({model.points[i].x, model.points[i].y, model.points[i].z});
  if (model.children)
    for (int i = 0; i < model.childCount; ++i) CollectModelPoints(model.children[i], out);
}

int EnoughPointsShared(const std::vector<IntVector>& filePoints, const std::vector<IntVector>& modelPoints) {
  if (filePoints.empty()) return 0;
  const size_t need = filePoints.size() / 2;
  if (need == 0) return 1;
  // An open-addressed table of the model's points, at most half full.
  size_t size = 16;
  while (size < modelPoints.size() * 2) size <<= 1;
  const size_t mask = size - 1;
  std::vector<IntVector> slots(size);
  std::vector<uint8_t> used(size, 0);
  const auto hash = [mask](const IntVector& p) {
    uint64_t h = static_cast<uint32_t>(p.x) * 0x9E3779B97F4A7C15ull;
    h ^= (static_cast<uint32_t>(p.y) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= (static_cast<uint32_t>(p.z) + 0x165667B19E3779F9ull) * 0x94D049BB133111EBull;
    return static_cast<size_t>(h ^ (h >> 29)) & mask;
  };
  const auto same = [](const IntVector& a, const IntVector& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
  for (const IntVector& p : modelPoints) {
    size_t i = hash(p);
    while (used[i] && !same(slots[i], p)) i = (i + 1) & mask;
    slots[i] = p;
    used[i] = 1;
  }
  size_t found = 0;
  for (const IntVector& p : filePoints) {
    size_t i = hash(p);
    while (used[i] && !same(slots[i], p)) i = (i + 1) & mask;
    if (used[i] && ++found >= need) return 1;
  }
  return 0;
}

// ---- The editor's file menu ----

void VehicleEditor::FileAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  Prss* p = &e.prss;
  if (word >= WORD_SAVE_BOTH && word <= WORD_SAVE && !e.car) return;
  char prompt[DIALOG_TEXT_SIZE], code[MODEL_CODE_SIZE + 1] = "";
  if (e.car) VobName(*e.car, code);
  switch (word) {
    case WORD_VEH_NAME: ReportBox(p, TEXT_SAVE_VEH_TO_RENAME); return;
    case WORD_VOB_NAME: ReportBox(p, TEXT_SAVE_VOB_TO_RENAME); return;
    case WORD_LOAD:
      AskText(p, LoadAnswered, "Enter name of vehicle to LOAD", NAME_PROMPT_LENGTH, 0, e.vehicleName, 0, ENTRY_LOAD,
              VEHICLE_FILE_PATTERN);
      return;
    case WORD_SAVE_BOTH:
      std::snprintf(prompt, sizeof prompt, "Name of vehicle to SAVE ^1(also %s.vob)", code);
      AskText(p, SaveBothAnswered, prompt, NAME_PROMPT_LENGTH, 0, e.vehicleName, 0, ENTRY_SAVE, VEHICLE_FILE_PATTERN);
      return;
    case WORD_SAVE_VEH_ONLY:
      if (!VobExists(*e.car)) {
        std::snprintf(prompt, sizeof prompt, TEXT_NO_VOB_FOR_VEH, code);
        ReportBox(p, prompt);
        return;
      }
      AskText(p, SaveVehAnswered, "Name of VEH file to SAVE ^3(VEH only)", NAME_PROMPT_LENGTH, 0, e.vehicleName, 0,
              ENTRY_SAVE, VEHICLE_FILE_PATTERN);
      return;
    case WORD_SAVE_VOB_ONLY:
      AskText(p, SaveVobAnswered, "Name of VOB file to SAVE ^3(VOB only)", VOB_PROMPT_LENGTH, 0, code, 0, ENTRY_SAVE,
              VEHICLE_MODEL_PATTERN);
      return;
    case WORD_SAVE:
      AskText(p, SaveAnswered, "Name of vehicle to SAVE", NAME_PROMPT_LENGTH, 0, e.vehicleName, 0, ENTRY_SAVE,
              VEHICLE_FILE_PATTERN);
      return;
    case WORD_LOAD_FRAME:
      if (!e.car) return;
      AskText(p, LoadFrameAnswered, "Enter name of frame to LOAD", NAME_PROMPT_LENGTH, 0, "", 0, ENTRY_LOAD,
              FRAME_FILE_PATTERN);
      return;
    case WORD_SAVE_FRAME:
      if (!e.car) return;
      AskText(p, SaveFrameAnswered, "Enter name of frame to SAVE", NAME_PROMPT_LENGTH, 0, "", 0, ENTRY_SAVE,
              FRAME_FILE_PATTERN);
      return;
    case WORD_ADD_FRAME:
      if (!e.car) return;
      if (e.car->framePointCount == 0) {
        ReportBox(p, TEXT_NO_FRAME_POINTS);
        return;
      }
      AskText(p, AddFrameAnswered, "Enter name of frame to ADD", NAME_PROMPT_LENGTH, 0, "", 0, ENTRY_LOAD,
              FRAME_FILE_PATTERN);
      return;
    case WORD_LOAD_COLOURS:
      if (!e.car) return;
      AskText(p, LoadAllAnswered, "Enter name of colours file to LOAD", NAME_PROMPT_LENGTH, 0, e.vehicleName, 0,
              ENTRY_LOAD, ALL_COLOURS_PATTERN);
      return;
    case WORD_SAVE_COLOURS:
      if (!e.car) return;
      AskText(p, SaveAllAnswered, "Enter name of colours file to SAVE", NAME_PROMPT_LENGTH, 0, e.vehicleName, 0,
              ENTRY_SAVE, ALL_COLOURS_PATTERN);
      return;
    case WORD_NEW:
      // A new vehicle is built to be seen, with its driver: special draw off, "driver" on.
      SpecialDraw = 0;
      e.displayFlags |= SHOW_DRIVER;
      NewVehicleWizard::AskLayout(e);
      return;
    default: return;  // words 10 to 12 do nothing
  }
}

int VehicleEditor::LoadFrameFile(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !TypedPath(path, sizeof path, FRAME_FILE_PATTERN, name)) return 0;
  FrameRead frame;
  if (!ReadFrameFile(path, frame)) return 0;
  RecordEdit("load frame");
  Car& car = *e.car;
  FreeVehicleFrame(car);
  car.framePointCount = frame.pointCount;
  car.framePoints = frame.points;
  car.frameTubeCount = frame.tubeCount;
  car.frameTubes = frame.tubes;
  ClearPointMarks(car);
  e.selection.selectedPoint = NO_POINT;
  e.selection.selectedTube = -1;
  e.markedPointShown = 0;
  VehicleValueChanged(e);
  return 1;
}

int VehicleEditor::AddFrameFile(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car) return 0;
  Car& car = *e.car;
  if (car.framePointCount == 0) {
    ReportBox(&e.prss, TEXT_NO_FRAME_POINTS);
    return 0;
  }
  if (!TypedPath(path, sizeof path, FRAME_FILE_PATTERN, name)) return 0;
  FrameRead frame;
  if (!ReadFrameFile(path, frame)) return 0;
  if (frame.pointCount == 0) {
    FreeFrameRead(frame);
    return 1;  // nothing to add
  }
  const int64_t points = int64_t{car.framePointCount} + frame.pointCount;
  const int64_t tubes = int64_t{car.frameTubeCount} + frame.tubeCount;
  auto* grownPoints = points <= INT16_MAX ? static_cast<FramePoint*>(std::malloc(sizeof(FramePoint) * points)) : nullptr;
  auto* grownTubes = tubes ? static_cast<FrameTube*>(std::malloc(sizeof(FrameTube) * tubes)) : nullptr;
  if (!grownPoints || (tubes && !grownTubes)) {
    std::free(grownPoints);
    std::free(grownTubes);
    FreeFrameRead(frame);
    ReportBox(&e.prss, points > INT16_MAX ? TEXT_TOO_MANY_POINTS : TEXT_COULD_NOT_ALLOCATE);
    return 0;
  }
  RecordEdit("add frame");
  // The file's points go after the vehicle's; its tubes keep their wheel ends and have their
  // point ends moved past the vehicle's points.  The vehicle's own tubes stay.
  const int shift = car.framePointCount;
  std::memcpy(grownPoints, car.framePoints, sizeof(FramePoint) * car.framePointCount);
  std::memcpy(grownPoints + shift, frame.points, sizeof(FramePoint) * frame.pointCount);
  if (car.frameTubeCount) std::memcpy(grownTubes, car.frameTubes, sizeof(FrameTube) * car.frameTubeCount);
  for (int i = 0; i < frame.tubeCount; ++i) {
    FrameTube t = frame.tubes[i];
    if (t.a >= 0) t.a = static_cast<int16_t>(t.a + shift);
    if (t.b >= 0) t.b = static_cast<int16_t>(t.b + shift);
    grownTubes[car.frameTubeCount + i] = t;
  }
  FreeVehicleFrame(car);
  car.framePoints = grownPoints;
  car.framePointCount = static_cast<int32_t>(points);
  car.frameTubes = grownTubes;
  car.frameTubeCount = static_cast<int32_t>(tubes);
  FreeFrameRead(frame);
  ClearPointMarks(car);
  VehicleValueChanged(e);
  return 1;
}

int VehicleEditor::SaveFrameFile(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !TypedPath(path, sizeof path, FRAME_FILE_PATTERN, name) || !WriteFrameFile(*e.car, path)) return 0;
  ReportSaved(path);
  return 1;
}

int VehicleEditor::LoadAllColours(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !TypedPath(path, sizeof path, ALL_COLOURS_PATTERN, name)) return 0;
  auto read = std::make_unique<ColourSetRead>();
  if (!ReadAllColoursFile(path, *read)) return 0;
  RecordEdit("load all colours");
  Car& car = *e.car;
  car.colourConfigCount = read->count;
  for (int i = 0; i < read->count; ++i) car.colourConfigs[i] = read->configs[i];
  if (read->hasLights)
    std::memcpy(car.colours, read->lights, sizeof car.colours);
  else
    ReportLine(TEXT_OLD_COLOUR_SET, REPORT_WARNING);
  car.colourIndex = 0;
  EditorColourChoice = 0;
  car.currentColours = car.colourConfigs[0];
  RebuildEditedCar(car);
  ++e.carSetups;
  return 1;
}

int VehicleEditor::SaveAllColours(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !TypedPath(path, sizeof path, ALL_COLOURS_PATTERN, name) || !WriteAllColoursFile(*e.car, path)) return 0;
  ReportSaved(path);
  return 1;
}

int VehicleEditor::SaveVehicleAndVob(VehicleEditor& e, const char* name) {
  if (!e.car || !CheckVehName(e, name)) return 0;
  char code[MODEL_CODE_SIZE + 1];
  VobName(*e.car, code);
  // A vehicle read from a file always has a model code; one made without stays unsaved.
  if (FileNameFault(code, MODEL_CODE_SIZE)) {
    ReportBox(&e.prss, TEXT_SAVE_VOB_TO_RENAME);
    return 0;
  }
  if (!MayOverwriteVob(e, code, name, 0)) return 0;
  return WriteVehicleAndVob(e, name);
}

int VehicleEditor::SaveVehicleOnly(VehicleEditor& e, const char* name, int storeModel) {
  if (!e.car || !CheckVehName(e, name)) return 0;
  char path[FILE_PATH_SIZE];
  if (!MakeVehiclePath(path, sizeof path, name, 0)) return 0;
  if (!WriteImage(path, VehicleImage(*e.car, name, storeModel))) return 0;
  NameSaved(e, name);
  ReportSaved(path);
  return 1;
}

int VehicleEditor::SaveVobOnly(VehicleEditor& e, const char* name) {
  if (!e.car) return 0;
  if (std::strlen(name) != VOB_NAME_LENGTH) {
    ReportBox(&e.prss, TEXT_VOB_NAME_LENGTH);
    return 0;
  }
  if (const char* fault = FileNameFault(name, VOB_NAME_LENGTH)) {
    RefuseName(e, LanguageTexts[TX_3h_invalidf], name, fault);
    return 0;
  }
  if (!MayOverwriteVob(e, name, name, 1)) return 0;
  return WriteVobOnly(e, name);
}

int VehicleEditor::IsVeryDifferentVob(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !MakeNamedPath(path, sizeof path, VEHICLE_MODEL_PATTERN, name) || !FileIsRegular(path)) return 0;
  ModelObject file{};
  file.Init();
  // A file that does not read holds nothing of the car's model: it counts as very different.
  const int loaded = LoadModelFile(file, nullptr, path, 1, nullptr);
  std::vector<IntVector> filePoints, modelPoints;
  if (loaded) CollectModelPoints(file, filePoints);
  file.Free();
  if (filePoints.empty()) return 1;
  if (e.car->model) CollectModelPoints(*e.car->model, modelPoints);
  return EnoughPointsShared(filePoints, modelPoints) ? 0 : 1;
}

// ---- The prompts of the vehicle pages ----

void VehicleEditor::AskWheelFileLoad(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  AskText(&e.prss, LoadWheelAnswered, "Enter name of WHL to LOAD", NAME_PROMPT_LENGTH, static_cast<uint32_t>(word),
          e.vehicleName, 0, ENTRY_LOAD, WHEEL_FILE_PATTERN);
}

void VehicleEditor::AskWheelFileSave(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  AskText(&e.prss, SaveWheelAnswered, "Enter name of WHL to SAVE", NAME_PROMPT_LENGTH, static_cast<uint32_t>(word),
          e.vehicleName, 0, ENTRY_SAVE, WHEEL_FILE_PATTERN);
}

int VehicleEditor::LoadWheelFile(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !TypedPath(path, sizeof path, WHEEL_FILE_PATTERN, name)) return 0;
  // The wheel reader changes nothing when it fails: its node is taken back then.
  RecordEdit("load wheel");
  if (!ReadWheelFile(*e.car, nullptr, name)) {
    DropFailedEdit(e);
    return 0;
  }
  VehicleValueChanged(e);
  return 1;
}

int VehicleEditor::SaveWheelFile(VehicleEditor& e, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!e.car || !TypedPath(path, sizeof path, WHEEL_FILE_PATTERN, name)) return 0;
  MakeFolderOf(path);
  if (!WriteWheelFile(*e.car, nullptr, name)) return 0;
  ReportSaved(path);
  return 1;
}

void VehicleEditor::AskSteeringAnimation(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  char start[STEERING_PROMPT_LENGTH + 1];
  std::snprintf(start, sizeof start, "%s%.*s", STEERING_PREFIX, STEER_ANIMATION_SIZE - 1, e.car->steerAnimation);
  // "str_" stays at the front: only steering animations are listed.
  AskText(&e.prss, SteeringAnswered, "Select a steering animation", STEERING_PROMPT_LENGTH,
          static_cast<uint32_t>(word), start, STEERING_PREFIX_LENGTH, ENTRY_CHOOSE, "data\\move\\%s.ban");
}

// The row holds the name after "str_" (the driver's files are "str_<name>.ban" and
// "sit_<name>.ban"): the prefix is taken off where the name begins with it, and a name the
// row cannot hold whole is refused with the reason.  Nothing, or "str_" alone, clears it.
int VehicleEditor::SetSteeringAnimation(VehicleEditor& e, const char* text) {
  if (!e.car) return 0;
  const bool prefixed = strncasecmp(text, STEERING_PREFIX, STEERING_PREFIX_LENGTH) == 0;
  const char* kept = prefixed ? text + STEERING_PREFIX_LENGTH : text;
  // A name typed whole after the prefix the prompt keeps ("str_" + "str_abc") is that name.
  if (prefixed && strncasecmp(kept, STEERING_PREFIX, STEERING_PREFIX_LENGTH) == 0) {
    text = kept;
    kept += STEERING_PREFIX_LENGTH;
  }
  const char* fault = nullptr;
  if (!kept[0]) {
    // no animation: no driver
  } else if (!prefixed) {
    RefuseName(e, TEXT_NOT_STEERING, text, "does not begin with \"str_\"");
    return 0;
  } else if (std::strlen(kept) >= STEER_ANIMATION_SIZE) {
    RefuseName(e, TEXT_LONG_ANIMATION_NAME, text, "has more than 7 characters after \"str_\"");
    return 0;
  } else if (!(fault = FileNameFault(kept, STEER_ANIMATION_SIZE - 1)) && !IsAsciiText(kept)) {
    fault = "is not ASCII";
  }
  if (fault) {
    RefuseName(e, TEXT_BAD_ANIMATION_NAME, text, fault);
    return 0;
  }
  RecordEdit("set animation name");
  char* name = e.car->steerAnimation;
  std::memset(name, 0, STEER_ANIMATION_SIZE);
  std::memcpy(name, kept, std::strlen(kept));
  // The seats follow the animation (the seat options' refresh).
  VehicleValueChanged(e);
  return 1;
}

void VehicleEditor::AskSkinId(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  AskText(&e.prss, SkinIdAnswered, "Enter Skin ID", SKIN_ID_PROMPT_LENGTH, static_cast<uint32_t>(word),
          e.car->shortName, 0, ENTRY_NAME, nullptr);
}

int VehicleEditor::SetSkinId(VehicleEditor& e, const char* text) {
  if (!e.car) return 0;
  Car& car = *e.car;
  const size_t length = std::strlen(text);
  if (length != 3 && length != 6) {
    ReportBox(&e.prss, TEXT_SKIN_ID_LENGTH);
    return 0;
  }
  if (length == 3 && IsLetterOrDigit(text[0]) && IsLetterOrDigit(text[1]) && IsLetterOrDigit(text[2])) {
    RecordEdit("set official Skin ID");
    std::memset(car.shortCode, 0, sizeof car.shortCode);
    for (int i = 0; i < 3; ++i) car.shortCode[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    FormatShortName(car.shortCode, car.shortName);
    return 1;
  }
  const uint32_t id = HexNumber(text);
  if (id == 0) {
    ReportBox(&e.prss, TEXT_SKIN_ID_HOW, TEXT_SKIN_ID_NOT_HEX);
    return 0;
  }
  if (!IsModId(id)) {
    ReportBox(&e.prss, TEXT_SKIN_ID_HOW, TEXT_SKIN_ID_INVALID);
    return 0;
  }
  RecordEdit("set mod Skin ID");
  VehicleCodeFromWord(id, car.shortCode);
  FormatShortName(car.shortCode, car.shortName);
  const int missing = EditorShellHooks.checkVehicleSkins ? EditorShellHooks.checkVehicleSkins(car) : 0;
  if (missing == 1) {
    ShowMessageBox2Lines(&e.prss, TEXT_SKIN_MISSING, TEXT_SEE_HISTORY);
  } else if (missing > 1) {
    char first[96];
    std::snprintf(first, sizeof first, TEXT_SKINS_MISSING, missing);
    ShowMessageBox2Lines(&e.prss, first, TEXT_SEE_HISTORY);
  }
  return 1;
}

void VehicleEditor::AskTestExportFolder(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  const VehicleEditorShellHooks& h = EditorShellHooks;
  AskText(&e.prss, FolderAnswered, "Enter ZKT folder for test export", TEXT_ENTRY_MAX_LENGTH,
          static_cast<uint32_t>(word), h.testExportFolder ? h.testExportFolder : "", 0, 0, nullptr);
}

int VehicleEditor::SetTestExportFolder(VehicleEditor& e, const char* text) {
  VehicleEditorShellHooks& h = EditorShellHooks;
  if (!text[0] || !FileIsFolder(text)) {
    char line[FILE_PATH_SIZE + 32];
    std::snprintf(line, sizeof line, "%s %s", TEXT_NOT_A_FOLDER, text);
    ReportBox(&e.prss, line);
    return 0;
  }
  if (!h.testExportFolder || int(std::strlen(text)) >= h.testExportFolderSize) return 0;
  std::snprintf(h.testExportFolder, static_cast<size_t>(h.testExportFolderSize), "%s", text);
  return 1;
}
