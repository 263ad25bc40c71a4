// engine_file.cpp - reading and writing the engine file, and a car's search for its engine.
#include "vehicle/data/engine_file.h"

#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "vehicle/data/engine_record.h"
#include "vehicle/data/vehicle_data.h"

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

int LoadNamedEngine(EngineModel& engine, const char* name) {
  char path[FILE_PATH_SIZE];
  return MakeNamedPath(path, sizeof path, ENGINE_FILE_PATTERN, name) && LoadEngine(engine, path, nullptr);
}

}  // namespace

int LoadEngine(EngineModel& engine, const char* path, Prss* reportPage) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(reportPage, path, ENGINE_FILE_MAGIC, &version, ENGINE_FILE_VERSION, 0)) return 0;
  if (version < ENGINE_FILE_LOWEST_VERSION) {
    f.Close();
    char text[FILE_PATH_SIZE + 64];
    std::snprintf(text, sizeof text, "%s : ^L%s", CfgPlayerName, path);
    ReportLine(text, REPORT_ERROR);
    return 0;
  }
  // The working copy owns no waves of the engine's: reading a wave releases what it holds.
  EngineModel work = engine;
  for (EngineWave& wave : work.waves) wave = EngineWave{};
  const int read = work.Read(f, work, 0, 0) && !f.readPastEnd;
  f.Close();
  if (!read) {
    work.FreeWaves();
    char text[FILE_PATH_SIZE + 64];
    std::snprintf(text, sizeof text, "%s : ^L%s", TEXT_COULD_NOT_READ_ENGINE, path);
    ReportLine(text, REPORT_ERROR);
    return 0;
  }
  engine.FreeWaves();
  engine = work;
  return 1;
}

int SaveEngine(EngineModel& engine, const char* path, Prss* page, int electric) {
  DataFile f;
  if (!f.OpenWrite(page, path, ENGINE_FILE_MAGIC, ENGINE_FILE_VERSION)) return 0;
  engine.Write(f, 0, electric);
  return f.Close();
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
  if (path[0] && LoadEngine(engine, path, nullptr)) return;
  LoadNamedEngine(engine, DEFAULT_ENGINE_NAME);
}
