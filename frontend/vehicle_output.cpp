// vehicle_output.cpp - the command line's vehicle output run: a vehicle of "data\veh" read as
// it is stored and written again into a folder of its own, with the body model and the engine
// file it names, while a log of its own tells what was done.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"
#include "frontend/frontend.h"
#include "platform/files.h"
#include "vehicle/car_load.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_file.h"

namespace {

constexpr int TEXT_SIZE = FILE_PATH_SIZE + 192;

// The reason the run ends, in the log and on standard error.
int Failed(const char* text) {
  ErrorBox(text);
  return 1;
}

// What was written, in the log and on standard output.
void Wrote(const std::string& path) {
  const std::string text = "Vehicle output : wrote " + PathToNative(path.c_str());
  LogLine(text.c_str());
  ReportStatus(text.c_str());
}

// The vehicle is read as stored: never mirrored for a side, never looked for among the mods,
// its dashboard block kept at its stored size and unconverted.  Put back when the run ends.
struct StoredForm {
  int keepUnmirrored = KeepUnmirrored, noModPath = NoModPath, dashSizeMode = DashSizeMode;
  StoredForm() {
    KeepUnmirrored = NoModPath = 1;
    DashSizeMode = 2;
  }
  ~StoredForm() {
    KeepUnmirrored = keepUnmirrored;
    NoModPath = noModPath;
    DashSizeMode = dashSizeMode;
  }
};

// The body model the vehicle names, "data\veh\<model code>.vob", copied beside it.
int CopyBodyModel(const Car& car, const std::string& folder) {
  char from[FILE_PATH_SIZE];
  if (!MakeNamedPath(from, sizeof from, VEHICLE_MODEL_PATTERN, car.modelCode)) return 1;  // the load read it
  const std::string to = folder + "\\" + car.modelCode + ".vob";
  if (const int error = FileCopy(from, to.c_str(), false)) {
    char text[TEXT_SIZE];
    std::snprintf(text, sizeof text, "Vehicle output : could not copy %s to %s : %s", PathToNative(from).c_str(),
                  PathToNative(to.c_str()).c_str(), std::strerror(error));
    return !Failed(text);
  }
  Wrote(to);
  return 1;
}

// The engine file the vehicle names, read and written again in the form it was read in: its
// figures as read (the run keeps the sound figures that a car's load would limit).  A vehicle
// whose engine file is missing runs on the neutral engine and has none to carry.
int WriteEngine(const Car& car, const std::string& folder) {
  char from[FILE_PATH_SIZE];
  if (!car.engineName[0] || !MakeNamedPath(from, sizeof from, ENGINE_FILE_PATTERN, car.engineName)) return 1;
  if (!FileIsRegular(from)) {
    LogF("Vehicle output : no engine file %s", PathToNative(from).c_str());
    return 1;
  }
  EngineModel engine{};
  engine.Reset();
  char text[TEXT_SIZE];
  if (!LoadEngine(engine, from, nullptr, engine)) {
    std::snprintf(text, sizeof text, "Vehicle output : could not read %s : %s (%s)", PathToNative(from).c_str(),
                  LastEngineReadFailure.text ? LastEngineReadFailure.text : DataFileErrorText(LastDataFileError),
                  LastEngineReadFailure.field ? LastEngineReadFailure.field : "header");
    return !Failed(text);
  }
  const std::string to = folder + "\\" + car.engineName + ".eng";
  const int written = WriteEngineFile(engine, to.c_str(), nullptr, LastEngineReadElectric);
  engine.FreeWaves();
  if (!written) {
    std::snprintf(text, sizeof text, "Vehicle output : could not write %s", PathToNative(to.c_str()).c_str());
    return !Failed(text);
  }
  Wrote(to);
  return 1;
}

}  // namespace

int ExportVehicleWithLog(const char* name) {
  if (!LogFileName[0]) {
    SetLogFileName(VEHICLE_OUTPUT_LOG);
    RestartLog((std::string("ZKT : ") + PROGRAM_VERSION).c_str(), false);
  }
  char text[TEXT_SIZE];
  std::snprintf(text, sizeof text, "Vehicle output : %s", name);
  LogLine(text);
  // The one check of a name the user gives, with its reason ("is longer than 31 characters").
  if (const char* fault = FileNameFault(name, VEHICLE_NAME_SIZE - 1)) {
    std::snprintf(text, sizeof text, "Vehicle output : %s %s", name, fault);
    return Failed(text);
  }
  const StoredForm stored;
  char path[FILE_PATH_SIZE];
  MakeVehiclePath(path, sizeof path, name, 0);
  auto car = std::make_unique<Car>();
  const VehicleLoadArgs args{0, 0, 0, nullptr, 0, nullptr, 0, {}, 1, nullptr, 0};
  if (!car->LoadVehicle(name, args)) {
    const std::string shown = PathToNative(path);
    if (!FileExists(path))
      std::snprintf(text, sizeof text, "Vehicle output : there is no vehicle file %s", shown.c_str());
    else
      std::snprintf(text, sizeof text, "Vehicle output : %s %s - %s", VehicleReadFailureText(), shown.c_str(),
                    LastVehicleReadField ? LastVehicleReadField : "header");
    return Failed(text);
  }
  const std::string folder = std::string(VEHICLE_OUTPUT_FOLDER) + "\\" + name;
  for (const std::string& made : {std::string(VEHICLE_OUTPUT_FOLDER), folder})
    if (!MakeFolder(made.c_str())) {
      std::snprintf(text, sizeof text, "Vehicle output : could not make the folder %s : %s",
                    PathToNative(made.c_str()).c_str(), std::strerror(errno));
      return Failed(text);
    }
  const std::string file = folder + "\\" + name + ".veh";
  VehicleExportPath = file.c_str();
  // The model goes where the source had it: stored in the file, or named and copied beside it.
  const int storeModel = car->modelStored;
  const int written = WriteVehicleFile(*car, name, nullptr, storeModel);
  VehicleExportPath = nullptr;
  if (!written) {
    std::snprintf(text, sizeof text, "Vehicle output : could not write %s", PathToNative(file.c_str()).c_str());
    return Failed(text);
  }
  Wrote(file);
  if (!storeModel && !CopyBodyModel(*car, folder)) return 1;
  return WriteEngine(*car, folder) ? 0 : 1;
}
