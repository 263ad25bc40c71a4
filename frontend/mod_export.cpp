// mod_export.cpp - the mod export, one step a frame: the car being edited, as the editor holds
// it, built again unmirrored from a copy taken when the export starts; its files written into a
// folder beside the target, then moved into place or packed by the packer; and the handler of
// the export rows.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "core/data_file.h"
#include "core/log.h"
#include "core/report.h"
#include "frontend/frontend.h"
#include "frontend/mod_export.h"
#include "model/model_file.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/spawn.h"
#include "render/texture_files.h"
#include "render/texture_names.h"
#include "texconv/texconv.h"
#include "vehicle/car_load.h"
#include "vehicle/car_skins.h"
#include "vehicle_data/vehicle_file.h"

Car* ModExportCar;
char TestExportFolder[TEST_EXPORT_FOLDER_SIZE];
uint32_t PackerTimeLimitMs = 120000;
int ModExportResult;
char ModExportName[MOD_NAME_SIZE];

namespace {

enum Stage {
  STAGE_IDLE,
  STAGE_LOAD,      // the car built again from its copy, the names collected, the folders made
  STAGE_VEHICLE,   // the vehicle file with the unique names
  STAGE_FILES,     // engine, animations and cover picture
  STAGE_TEXTURES,  // one page a frame, converted
  STAGE_SKINS,     // one default skin a frame
  STAGE_PLACE,     // moved into place (test and share)
  STAGE_PACK,      // the packer started (upload)
  STAGE_PACKING,   // the packer polled
};

struct ExportState {
  int stage = STAGE_IDLE;
  int word = 0;
  char source[MOD_NAME_SIZE] = {};  // the vehicle's name
  std::vector<uint8_t> body;        // the car as the editor held it when the export started
  bool fromMod = false;             // the vehicle came from a mod: its files are in its folder
  std::string modsFolder;           // "<root>\mods\vehicles"
  std::string target;               // "<modsFolder>\<mod>"
  std::string work;                 // "<modsFolder>\<mod>.partial" (upload: the staging root's)
  std::string stagingRoot;          // upload: "export\<mod>.partial", packed from
  std::string archive;              // upload: "export\<mod>.7z"
  Car* car = nullptr;
  TextureNameList* names = nullptr;
  std::vector<UniqueNameEntry> unique;
  UniqueNameTable table = {};
  int next = 0;
  ChildProcess packer;
  uint32_t packStart = 0;
};
ExportState g_export;

std::string Join(const std::string& folder, const char* name) { return folder + "\\" + name; }

// "Mod export failed : <reason>" (the texts' one "%s" replaced).
std::string Format(const char* format, const std::string& value) {
  std::string text = format;
  const size_t at = text.find("%s");
  return at == std::string::npos ? text : text.replace(at, 2, value);
}

// A failed export (TEXT_EXPORT_FAILED) or one that does not start (TEXT_NOTHING_EXPORTED): the
// line in the error colour with the error sound, and in the log.
void TellFailure(const char* format, const std::string& reason) {
  const std::string text = Format(format, reason);
  ReportLine(text.c_str(), REPORT_ERROR);
  ReportSound(3);
  LogLine(text.c_str());
  ModExportResult = MOD_EXPORT_FAILED;
}

void Fail(const std::string& reason) { TellFailure(TEXT_EXPORT_FAILED, reason); }

// A file or folder of the mod that could not be written: told as every failed save is, with
// the system's reason (error, an errno value), and the export ends.
void FailWriting(const std::string& path, int error) {
  ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, path.c_str(), error);
  Fail(Format(TEXT_COULD_NOT_WRITE, path));
}

// The reason a folder could not be made, read at once.
int FolderError() { return errno ? errno : EIO; }

// Every ending comes here: nothing of the export stays in force, and what was written but not
// moved into place is removed.
void EndExport() {
  ExportState& e = g_export;
  ExportNameTable = nullptr;
  VehicleExportPath = nullptr;
  if (e.packer.pid) ChildKill(e.packer);
  if (!e.stagingRoot.empty()) FolderRemoveAll(e.stagingRoot.c_str());
  else if (!e.work.empty()) FolderRemoveAll(e.work.c_str());
  delete e.car;
  delete e.names;
  e = ExportState{};
}

// The unique name of a page: "<Skin ID>~<page>", cut in the middle to fit with the last four
// characters kept, and two digits in place of a clash.
void MakeUniqueNames(const Car& car) {
  ExportState& e = g_export;
  e.unique.clear();
  for (int i = 0; i < e.names->count; ++i) {
    UniqueNameEntry entry{};
    std::memcpy(entry.name, e.names->names[i], MODEL_NAME_SIZE);
    char full[64];
    std::snprintf(full, sizeof full, "%s~%s", car.shortName, entry.name);
    const size_t limit = MODEL_NAME_SIZE - 1, length = std::strlen(full);
    if (length > limit) std::memmove(full + limit - 4, full + length - 4, 5);
    for (int clash = 0;; ++clash) {
      bool taken = false;
      for (const UniqueNameEntry& other : e.unique) taken = taken || strcasecmp(other.newName, full) == 0;
      if (!taken || clash > 99) break;
      // Two digits before the suffix: "<...>07_ALP".
      const size_t n = std::strlen(full), at = std::min(n, limit - 6);
      const std::string tail(full + (n >= 4 ? n - 4 : 0));
      std::snprintf(full + at, sizeof full - at, "%02d%.4s", clash, tail.c_str());
    }
    std::snprintf(entry.newName, sizeof entry.newName, "%.19s", full);  // cut to 19 characters above
    e.unique.push_back(entry);
  }
  e.table = UniqueNameTable{e.unique.data(), int(e.unique.size())};
}

const char* UniqueName(const char* name) {
  for (const UniqueNameEntry& entry : g_export.unique)
    if (strcasecmp(entry.name, name) == 0) return entry.newName;
  return name;
}

// A file of the source vehicle copied into the mod when it exists.
int CopyIfFound(const std::string& from, const std::string& to) {
  if (!FileIsRegular(from.c_str())) return 1;
  if (const int error = FileCopy(from.c_str(), to.c_str(), false)) {
    FailWriting(to, error);
    return 0;
  }
  return 1;
}

int StepLoad() {
  ExportState& e = g_export;
  e.car = new Car;
  const VehicleLoadArgs args{0, 0, 0, nullptr, 0, nullptr, 0, {}, 1, nullptr, 0};
  // The copy is read in place of any file, and a mirrored twin stays a twin: the car is built
  // as it was held, never mirrored for a side.
  const int savedKeep = KeepUnmirrored, savedNoMod = NoModPath;
  KeepUnmirrored = NoModPath = 1;
  HistoryVehicleCopy = {e.body.data(), int64_t(e.body.size())};
  const int loaded = e.car->LoadVehicle(e.source, args);
  HistoryVehicleCopy = {};
  KeepUnmirrored = savedKeep;
  NoModPath = savedNoMod;
  if (!loaded || !e.car->model) {
    Fail(e.source);
    return 0;
  }
  if (const char* name = UnsafeModName(*e.car)) {
    Fail(Format(Format(TEXT_BAD_NAME, e.source).c_str(), name));
    return 0;
  }
  e.names = new TextureNameList{};
  if (!CollectObjectTextureNames(*e.car->model, *e.names) || !CollectObjectTextureNames(e.car->spoke, *e.names)) {
    Fail("too many textures");
    return 0;
  }
  MakeUniqueNames(*e.car);
  FolderRemoveAll(e.work.c_str());  // a partial folder left by a crash
  if (!CreateModFolders(e.work.c_str())) {
    ModExportResult = MOD_EXPORT_FAILED;
    return 0;
  }
  return 1;
}

int StepVehicle() {
  ExportState& e = g_export;
  const std::string path = Join(e.work, (std::string(ModExportName) + ".veh").c_str());
  VehicleExportPath = path.c_str();
  ExportNameTable = &e.table;
  // The model is stored in the file: a mod carries everything its loader reads.
  const int written = WriteVehicleFile(*e.car, ModExportName, nullptr, 1);
  ExportNameTable = nullptr;
  VehicleExportPath = nullptr;
  if (!written) Fail(Format(TEXT_COULD_NOT_WRITE, path));  // the file told its reason
  return written;
}

int StepFiles() {
  ExportState& e = g_export;
  const Car& car = *e.car;
  const bool fromMod = e.fromMod;
  char name[FILE_PATH_SIZE];
  if (car.engineName[0] && IsSafeFileName(car.engineName)) {
    std::snprintf(name, sizeof name, "%s.eng", car.engineName);
    const std::string from = fromMod ? std::string("mods\\vehicles\\") + e.source + "\\engine\\" + name
                                     : std::string("data\\engine\\") + name;
    if (!CopyIfFound(from, Join(Join(e.work, "engine"), name))) return 0;
  }
  if (car.steerAnimation[0] && IsSafeFileName(car.steerAnimation)) {
    for (const char* kind : {"str", "sit"}) {
      std::snprintf(name, sizeof name, "%s_%s.ban", kind, car.steerAnimation);
      const std::string from = fromMod ? std::string("mods\\vehicles\\") + e.source + "\\move\\" + name
                                       : std::string("data\\move\\") + name;
      if (!CopyIfFound(from, Join(Join(e.work, "move"), name))) return 0;
    }
  }
  return CopyIfFound("cover.png", Join(e.work, "cover.png"));
}

// One page: its PNG converted as the program converts its own (BC2 for an alpha name).
int StepTexture(const char* name) {
  ExportState& e = g_export;
  char from[FILE_PATH_SIZE];
  std::string bytes;
  if (!MakeNamedPath(from, sizeof from, "data\\png\\%s.png", name) ||
      FileReadAll(from, bytes, int64_t(TEXTURE_FILE_MAX_BYTES)) != 0) {
    Fail(std::string("could not read ") + (from[0] ? from : name));
    return 0;
  }
  const uint32_t format = IsAlphaTextureName(name) ? texconv::FORMAT_BC2_UNORM : texconv::FORMAT_BC1_UNORM;
  texconv::Blob dds;
  if (!ConvertImageToDds(bytes.data(), bytes.size(), format, &dds)) {
    Fail(std::string("could not convert ") + from);
    return 0;
  }
  const std::string to = Join(Join(e.work, "dds"), (std::string(UniqueName(name)) + ".dds").c_str());
  if (const int error = FileWriteAll(to.c_str(), dds.data(), dds.size())) {
    FailWriting(to, error);
    return 0;
  }
  return 1;
}

// The next default skin from the colour configurations, from index e.next on: its DDS made
// from the JPG when needed and copied.  0 on failure; done is set when none is left.
int StepSkin(bool& done) {
  ExportState& e = g_export;
  const Car& car = *e.car;
  for (; e.next < car.colourConfigCount && e.next < VEHICLE_MAX_COLOUR_CONFIGS; ++e.next) {
    char skin[COLOUR_SET_NAME_SIZE + 1] = {};
    std::memcpy(skin, car.colourConfigs[e.next].name, COLOUR_SET_NAME_SIZE);
    if (!skin[0]) continue;
    char joined[SKIN_PREFIX_SIZE + SKIN_PART_SIZE];
    JoinUnderscoreName(joined, sizeof joined, car.shortName, skin);
    SkinPaths paths;
    if (!MakeSkinPaths(paths, joined)) continue;  // the check told of it
    EnsureSkinDds(joined);
    ++e.next;
    return CopyIfFound(paths.dds, Join(Join(e.work, "skins_dds"), (std::string(joined) + ".dds").c_str()));
  }
  done = true;
  return 1;
}

// The mod moved into place: an existing mod of that name is set aside first and removed only
// once the new one stands.
int StepPlace() {
  ExportState& e = g_export;
  const std::string old = e.target + ".old";
  FolderRemoveAll(old.c_str());
  const bool replacing = FileExists(e.target.c_str());
  if (const int error = replacing ? FileRename(e.target.c_str(), old.c_str()) : 0) {
    FailWriting(e.target, error);
    return 0;
  }
  if (const int error = FileRename(e.work.c_str(), e.target.c_str())) {
    if (replacing) FileRename(old.c_str(), e.target.c_str());
    LogF("mod export : rename %s : %s", e.work.c_str(), std::strerror(error));
    FailWriting(e.target, error);
    return 0;
  }
  FolderRemoveAll(old.c_str());
  e.work.clear();
  return 1;
}

// The packer's first line that tells of an error, else its last non-empty line.
std::string PackerErrorLine(const std::string& output) {
  std::string last;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (strcasestr(line.c_str(), "error")) return line;
    if (!line.empty()) last = line;
    start = end + 1;
  }
  return last;
}

void PackerFailed(const char* what, const std::string& detail) {
  ExportState& e = g_export;
  FileRemove(e.archive.c_str());
  Fail(std::string("packer ") + PACKER_PATH + " " + what + (detail.empty() ? "" : " : ") + detail);
}

int StepPack() {
  ExportState& e = g_export;
  std::string program;
  ResolvePath(PACKER_PATH, program);
  std::string staging;
  ResolvePath(e.stagingRoot.c_str(), staging);
  FileRemove(e.archive.c_str());
  // The archive holds "mods/vehicles/<mod>/...": unpacked into a program's folder it is
  // installed.  The packer runs in the staging folder, which lies beside the archive.
  const std::string archive = std::string("../") + ModExportName + ".7z";
  const char* argv[] = {"7zr", "a", "-t7z", "-bd", "-y", archive.c_str(), "mods", nullptr};
  if (const int error = ChildStart(e.packer, program.c_str(), argv, staging.c_str())) {
    PackerFailed("could not be started", std::strerror(error));
    return 0;
  }
  e.packStart = ClockNowMs();
  return 1;
}

// 1 once the packer has ended well, 0 while it runs, -1 on failure.
int StepPacking() {
  ExportState& e = g_export;
  if (!ChildPoll(e.packer)) {
    if (ClockNowMs() - e.packStart < PackerTimeLimitMs) return 0;
    ChildKill(e.packer);
    LogF("packer output : %s", e.packer.output.c_str());
    char limit[48];
    std::snprintf(limit, sizeof limit, "%u s", PackerTimeLimitMs / 1000);
    PackerFailed("did not finish in", limit);
    return -1;
  }
  LogF("packer output : %s", e.packer.output.c_str());
  if (e.packer.exitCode != 0) {
    char what[32];
    std::snprintf(what, sizeof what, "failed (exit %d)", e.packer.exitCode);
    PackerFailed(what, PackerErrorLine(e.packer.output));
    return -1;
  }
  return 1;
}

// Every page whose exported name is not its whole "<Skin ID>~<page>" is named, so that a modder
// can find its file in the mod.
void TellShortenedNames() {
  const ExportState& e = g_export;
  for (const UniqueNameEntry& entry : e.unique) {
    const std::string full = std::string(e.car->shortName) + "~" + entry.name;
    if (full == entry.newName) continue;
    const std::string text = std::string(entry.name) + " exported as " + entry.newName;
    ReportLine(text.c_str(), REPORT_MESSAGE);
    LogLine(text.c_str());
  }
}

void Finished() {
  ExportState& e = g_export;
  TellShortenedNames();
  const std::string& made = e.word == MOD_UPLOAD ? e.archive : e.target;
  const std::string text = Format(TEXT_EXPORTED, PathToNative(made.c_str()));
  ReportLine(text.c_str(), REPORT_SUCCESS);
  ModExportResult = MOD_EXPORT_DONE;
}

// Sets up the folders of an export of word and keeps a copy of car as it is now; 0 (with the
// reason shown) when it cannot start.
int StartExport(int word, Car& car) {
  ExportState& e = g_export;
  char source[MOD_NAME_SIZE];
  std::snprintf(source, sizeof source, "%s", car.vehicleName);
  std::string root;
  if (word == MOD_TEST) {
    root = TestExportFolder;  // CheckModForExport made sure it is an absolute path
  } else if (word == MOD_SHARE) {
    root = SHARE_FOLDER;
  }
  if (!IsValidVehicleName(source)) {
    Fail(Format(TEXT_BAD_VEHICLE_NAME, source));
    return 0;
  }
  e.word = word;
  e.fromMod = car.isMod != 0;
  std::snprintf(e.source, sizeof e.source, "%s", source);
  const bool upload = word == MOD_UPLOAD;
  const std::string numbered = upload ? std::string(UPLOAD_FOLDER) : root + "\\mods\\vehicles";
  if (!NextModName(ModExportName, sizeof ModExportName, source, numbered.c_str())) {
    Fail(std::string("no mod number left for ") + source);
    return 0;
  }
  if (upload) {
    MakeFolder(UPLOAD_FOLDER);
    e.stagingRoot = Join(UPLOAD_FOLDER, (std::string(ModExportName) + ".partial").c_str());
    FolderRemoveAll(e.stagingRoot.c_str());
    e.modsFolder = e.stagingRoot + "\\mods\\vehicles";
    e.work = Join(e.modsFolder, ModExportName);
    e.archive = Join(UPLOAD_FOLDER, (std::string(ModExportName) + ".7z").c_str());
    if (!MakeFolder(e.stagingRoot.c_str()) || !MakeFolder((e.stagingRoot + "\\mods").c_str()) ||
        !MakeFolder(e.modsFolder.c_str())) {
      FailWriting(e.modsFolder, FolderError());
      EndExport();
      return 0;
    }
  } else {
    e.modsFolder = numbered;
    if (!MakeFolder(root.c_str()) || !MakeFolder((root + "\\mods").c_str()) || !MakeFolder(numbered.c_str())) {
      FailWriting(numbered, FolderError());
      e = ExportState{};
      return 0;
    }
    e.target = Join(e.modsFolder, ModExportName);
    e.work = e.target + ".partial";
  }
  if (!WriteVehicleBody(car, source, 1, e.body)) {
    Fail(std::string("could not copy ") + source);
    EndExport();
    return 0;
  }
  ModExportResult = MOD_EXPORT_NONE;
  e.stage = STAGE_LOAD;
  return 1;
}

}  // namespace

int CreateModFolders(const char* root) {
  const std::string base = root;
  for (const char* sub : {"", "engine", "move", "dds", "skins_dds"}) {
    const std::string folder = sub[0] ? Join(base, sub) : base;
    if (!MakeFolder(folder.c_str())) {
      FailWriting(folder, FolderError());
      return 0;
    }
  }
  return 1;
}

int ModExportRunning() { return g_export.stage != STAGE_IDLE; }

const Car* ModExportLoadedCar() { return g_export.car; }

void CancelModExport() {
  if (g_export.stage == STAGE_IDLE) return;
  EndExport();
  ModExportResult = MOD_EXPORT_FAILED;
}

int ExportMod() {
  ExportState& e = g_export;
  int ok = 1;
  switch (e.stage) {
    case STAGE_IDLE: return 0;
    case STAGE_LOAD: ok = StepLoad(); if (ok) e.stage = STAGE_VEHICLE; break;
    case STAGE_VEHICLE: ok = StepVehicle(); if (ok) e.stage = STAGE_FILES; break;
    case STAGE_FILES:
      ok = StepFiles();
      e.next = 0;
      if (ok) e.stage = STAGE_TEXTURES;
      break;
    case STAGE_TEXTURES:
      if (e.next < e.names->count) ok = StepTexture(e.names->names[e.next++]);
      else {
        e.next = 0;
        e.stage = STAGE_SKINS;
      }
      break;
    case STAGE_SKINS: {
      bool done = false;
      ok = StepSkin(done);
      if (ok && done) e.stage = e.word == MOD_UPLOAD ? STAGE_PACK : STAGE_PLACE;
      break;
    }
    case STAGE_PLACE:
      ok = StepPlace();
      if (ok) {
        Finished();
        EndExport();
        return 0;
      }
      break;
    case STAGE_PACK: ok = StepPack(); if (ok) e.stage = STAGE_PACKING; break;
    case STAGE_PACKING: {
      const int packed = StepPacking();
      if (packed == 0) return 1;
      if (packed > 0) {
        Finished();
        EndExport();
        return 0;
      }
      ok = 0;
      break;
    }
  }
  if (!ok) {
    if (ModExportResult != MOD_EXPORT_FAILED) Fail(ModExportName);
    EndExport();
    return 0;
  }
  return 1;
}

void CheckModForExport(void*, int, uintptr_t word) {
  Car* car = ModExportCar;
  if (!car || ModExportRunning()) return;
  if (word == MOD_SHARE) {
    StartExport(MOD_SHARE, *car);
    return;
  }
  // The test export's folder first: without it there is nothing to check for.
  if (word == MOD_TEST && !TestExportFolder[0]) {
    TellFailure(TEXT_NOTHING_EXPORTED, TEXT_NO_TEST_FOLDER);
    return;
  }
  if (word == MOD_TEST && TestExportFolder[0] != '/') {
    TellFailure(TEXT_NOTHING_EXPORTED, TEXT_RELATIVE_TEST_FOLDER);
    return;
  }
  const int problems = ListModProblems(*car, word == MOD_UPLOAD);
  if (word == MOD_CHECK) return;
  if (problems) {
    char reason[64];
    std::snprintf(reason, sizeof reason, problems == 1 ? TEXT_ONE_PROBLEM : TEXT_PROBLEMS, problems);
    TellFailure(TEXT_NOTHING_EXPORTED, reason);
    return;
  }
  if (word == MOD_UPLOAD && !FileIsRegular(PACKER_PATH)) {
    PackerFailed("not found", "");
    return;
  }
  StartExport(int(word), *car);
}
