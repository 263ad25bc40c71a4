// engine_file.cpp - reading and writing the engine file, and a car's search for its engine.
#include "vehicle_data/engine_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/text_names.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_data.h"

char* (*PlayerEngineChoice)(int builtinIndex);

namespace {

// "<pattern with two names>" for a mod's engine; 0 (out empty) when a name could leave the
// folders or the path does not fit.
int ModEnginePath(char* out, int outSize, const char* vehicle, const char* engine) {
  out[0] = 0;
  if (!IsSafeFileName(vehicle) || !IsSafeFileName(engine)) return 0;
  const int n = std::snprintf(out, static_cast<size_t>(outSize), MOD_ENGINE_FILE_PATTERN, vehicle, engine);
  if (n < 0 || n >= outSize) {
    out[0] = 0;
    return 0;
  }
  return 1;
}

namespace {
// The sound and waves of an engine file into engine; its figures stay.
int LoadEngineSound(EngineModel& engine, const char* path) {
  EngineModel definition{};
  return LoadEngine(definition, path, nullptr, engine);
}
int LoadNamedEngineSound(EngineModel& engine, const char* name) {
  char path[FILE_PATH_SIZE];
  return MakeNamedPath(path, sizeof path, ENGINE_FILE_PATTERN, name) && LoadEngineSound(engine, path);
}
}  // namespace

int LoadNamedEngine(EngineModel& engine, const char* name) {
  char path[FILE_PATH_SIZE];
  return MakeNamedPath(path, sizeof path, ENGINE_FILE_PATTERN, name) && LoadEngine(engine, path, nullptr, engine);
}

// to becomes a copy of from's waves with buffers of its own; 0 (to empty) when memory runs out.
int CopyWaves(EngineModel& to, const EngineModel& from) {
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) {
    to.waves[i] = from.waves[i];
    to.waves[i].samples = nullptr;
  }
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) {
    const EngineWave& wave = from.waves[i];
    if (!wave.samples || wave.count == 0) continue;
    const size_t bytes = static_cast<size_t>(wave.count) * sizeof(uint32_t);
    to.waves[i].samples = static_cast<uint32_t*>(std::malloc(bytes));
    if (!to.waves[i].samples) {
      to.FreeWaves();
      return 0;
    }
    std::memcpy(to.waves[i].samples, wave.samples, bytes);
  }
  return 1;
}

// The failed record's line: "<failure> : ^L<path>^8 - <field>".
void ReportReadFailure(const char* path) {
  char text[FILE_PATH_SIZE + 128];
  std::snprintf(text, sizeof text, "%s : %s^8 - %s", LastEngineReadFailure.text, PathInMessage(path).c_str(),
                LastEngineReadFailure.field);
  ReportLine(text, REPORT_ERROR);
}

}  // namespace

int LoadEngine(EngineModel& engine, const char* path, Prss* reportPage, EngineModel& soundTarget) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(reportPage, path, ENGINE_FILE_MAGIC, &version, ENGINE_FILE_VERSION, 0)) return 0;
  return ReadEngineFile(f, version, path, engine, soundTarget);
}

int ReadEngineFile(DataFile& f, int32_t version, const char* path, EngineModel& engine, EngineModel& soundTarget) {
  if (version < ENGINE_FILE_LOWEST_VERSION) {
    f.Close();
    LastDataFileError = DATA_FILE_OBSOLETE;
    char text[FILE_PATH_SIZE + 64];
    std::snprintf(text, sizeof text, "%s : %s", CfgPlayerName, PathInMessage(path).c_str());
    ReportLine(text, REPORT_ERROR);
    return 0;
  }
  // The definition and the sound are read into working copies, so that a failure leaves both
  // engines as they were: the definition's owns no waves, the sound's a copy of the target's
  // (reading a wave releases what its slot holds; a record reads only its sub-version's slots).
  EngineModel definition = engine;
  EngineModel sound = soundTarget;
  std::memset(definition.waves, 0, sizeof definition.waves);
  int read = CopyWaves(sound, soundTarget);
  if (!read) LastEngineReadFailure = {TEXT_COULD_NOT_ALLOCATE, "waves", DATA_FILE_TOO_SHORT};
  read = read && definition.Read(f, sound, 0, 0);
  f.Close();
  if (!read) {
    sound.FreeWaves();
    LastDataFileError = LastEngineReadFailure.error;
    ReportReadFailure(path);
    return 0;
  }
  // The definition (its copy still holds the engine's own sound figures), with the engine's
  // own waves; then the sound, with the waves it now owns.
  std::memcpy(definition.waves, engine.waves, sizeof engine.waves);
  engine = definition;
  soundTarget.FreeWaves();
  std::memcpy(soundTarget.soundState, sound.soundState, sizeof sound.soundState);
  std::memcpy(soundTarget.soundParams, sound.soundParams, sizeof sound.soundParams);
  std::memcpy(soundTarget.waves, sound.waves, sizeof sound.waves);
  return 1;
}

int WriteEngineFile(EngineModel& engine, const char* path, Prss* page, int electric) {
  DataFile f;
  if (!f.OpenWrite(page, path, ENGINE_FILE_MAGIC, ENGINE_FILE_VERSION)) return 0;
  engine.Write(f, 0, electric);
  return f.Close();
}

int SaveEngine(Prss* page, const char* name, EngineModel& engine, int electric) {
  char path[FILE_PATH_SIZE];
  char refusal[NAME_REFUSAL_SIZE];
  if (!MakeUserFilePath(path, sizeof path, ENGINE_FILE_PATTERN, name, refusal)) {
    ReportBox(page, refusal);
    return 0;
  }
  return WriteEngineFile(engine, path, page, electric);
}

void VehicleData::LoadEngineFile() {
  char path[FILE_PATH_SIZE] = {};
  if (isMod) {
    if (!engineName[0]) return;
    ModEnginePath(path, sizeof path, vehicleName, engineName);
  } else {
    char* choice = builtinIndex >= 0 && PlayerEngineChoice ? PlayerEngineChoice(builtinIndex) : nullptr;
    if (choice && choice[0]) {
      char name[ENGINE_NAME_SIZE] = {};
      std::strncpy(name, choice, ENGINE_NAME_SIZE - 1);
      if (LoadNamedEngine(engine, name)) {
        std::memcpy(engineName, name, ENGINE_NAME_SIZE);
        return;
      }
      std::memset(choice, 0, ENGINE_NAME_SIZE);  // a choice that cannot be loaded is forgotten
    }
    if (!engineName[0]) return;
    MakeNamedPath(path, sizeof path, ENGINE_FILE_PATTERN, engineName);
  }
  if (path[0] && LoadEngineSound(engine, path)) return;
  LoadNamedEngineSound(engine, DEFAULT_ENGINE_NAME);
}
