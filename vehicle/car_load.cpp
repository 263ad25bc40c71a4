// car_load.cpp - finding a vehicle's file and building the car from it, and the look-ups over
// temporary cars.
#include "vehicle/car_load.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "render/gouraud_mesh.h"
#include "vehicle/car_model.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"

namespace {

constexpr int AI_KIND_A = 6, AI_KIND_B = 7;

// A file too old to use: "%s : ^L%s" with the path, error 4, the stream closed.
int RefuseObsolete(DataFile& stream, const char* path) {
  stream.Close();
  LastDataFileError = DATA_FILE_OBSOLETE;
  LastVehicleReadField = nullptr;
  char text[FILE_PATH_SIZE + 64];
  std::snprintf(text, sizeof text, "%s : %s", TEXT_FILE_UNUSABLE, PathInMessage(path).c_str());
  ReportLine(text, REPORT_ERROR);
  return 0;
}

int OpenVehicleFile(DataFile& stream, const char* path, int32_t* version) {
  LastVehicleReadField = nullptr;
  return stream.OpenRead(nullptr, path, VEHICLE_FILE_MAGIC, version, VEHICLE_FILE_VERSION, 0);
}

// The edit history's copy: a body at the current version.
int OpenHistoryCopy(DataFile& stream, int32_t* version) {
  const std::vector<uint8_t> image = DataFileImage(
      VEHICLE_FILE_MAGIC,
      std::vector<uint8_t>(HistoryVehicleCopy.body, HistoryVehicleCopy.body + HistoryVehicleCopy.size),
      VEHICLE_FILE_VERSION);
  return stream.OpenReadMemory(nullptr, image.data(), static_cast<int64_t>(image.size()), VEHICLE_FILE_MAGIC, version,
                               VEHICLE_FILE_VERSION);
}

}  // namespace

void Car::AllocModelObjects() {
  InstallCarModelRelease();
  if (!rim) rim = new WXS;
  for (GouraudO3d*& mesh : levelMeshes) {
    if (mesh) continue;
    mesh = new GouraudO3d;
    mesh->Init();
  }
}

int Car::LoadVehicle(const char* name, const VehicleLoadArgs& args) {
  if (!name) name = "";
  const bool mod = !NoModPath && IsModVehicleName(name);
  // The history's copy is read whatever the vehicle's name (one never saved has none); a
  // name that is to reach a path is checked first.
  const bool copy = !mod && HistoryVehicleCopy.body;
  if (!copy && !IsValidVehicleName(name)) {
    LastDataFileError = DATA_FILE_NOT_FOUND;
    LastVehicleReadField = "vehicle name";
    return 0;
  }
  DataFile stream;
  int32_t version = 0;
  char path[FILE_PATH_SIZE];
  if (!mod) {
    if (copy) {
      if (!OpenHistoryCopy(stream, &version)) return 0;
    } else {
      if (!MakeVehiclePath(path, sizeof path, name, 0) || !OpenVehicleFile(stream, path, &version)) return 0;
      if (version < VEHICLE_FILE_LOWEST_VERSION) return RefuseObsolete(stream, path);
      isBuiltin = 1;
    }
  }
  buildMode = args.buildMode;
  if (mod) {
    if (!MakeVehiclePath(path, sizeof path, name, 1)) return 0;
    int opened;
    {
      std::lock_guard<std::mutex> lock(VehicleFileLock);
      opened = OpenVehicleFile(stream, path, &version);
    }
    if (!opened) return 0;
    if (version < VEHICLE_FILE_LOWEST_VERSION) return RefuseObsolete(stream, path);
    isMod = 1;
  }
  if (args.text) {
    std::memset(loadText, 0, CAR_TEXT_SIZE);
    std::strncpy(loadText, args.text, CAR_TEXT_SIZE - 1);
    loadWord = args.textWord;
  }
  const int built = BuildFromVehicle(stream, version, name, args);
  stream.Close();
  return built;
}

int Car::BuildFromVehicle(DataFile& stream, int version, const char* name, const VehicleLoadArgs& args) {
  if (args.buildMode) {
    driverSlot = args.driverSlot;
    pairWords[0] = args.pairWords[0];
    pairWords[1] = args.pairWords[1];
    simulated = args.simulate ? 1 : 0;
    AllocModelObjects();
  }
  const VehicleChoice choice{args.buildMode, args.requestedDriveSide, args.setupIndex,
                             args.setup,     args.colourIndex,        args.colours};
  if (!ReadVehicleData(*this, stream, version, name, choice)) return 0;
  if (classFlagsMarker < 1) SetClassFlags();
  if (!args.buildMode) return 1;
  TakeVehicleLightsAndSkin(*this);
  LoadEngineFile();
  AllocModelObjects();
  BuildBodyMesh();
  meshesWanted = 1;
  SetupFromVehicle(0);
  LoadAnimations();
  return 1;
}

Car* CreateCar(const char* name) {
  Car* car = new Car;
  const VehicleLoadArgs args{};
  if (car->LoadVehicle(name, args)) return car;
  delete car;
  return nullptr;
}

const char* VehicleNameToId(const char* name) {
  static char id[VEHICLE_CODE_SIZE];
  const int builtin = BuiltinCarIndexByName(name);
  if (builtin >= 0) return BuiltinVehicleTable[builtin].code;
  Car* car = CreateCar(name);
  if (!car) return nullptr;
  std::memcpy(id, car->shortCode, VEHICLE_CODE_SIZE);
  delete car;
  return id;
}

int GetVehicleAiTraits(const char* name, uint8_t traits[AI_TRAIT_BYTES]) {
  std::memset(traits, 0, AI_TRAIT_BYTES);
  Car* car = CreateCar(name);
  if (!car) return 0;
  traits[0] = car->vehicleClass == CLASS_BIKE ? 1 : 0;
  traits[1] = car->transmissionType != TRANSMISSION_NONE && car->transmissionType != TRANSMISSION_ELECTRIC ? 1 : 0;
  traits[2] = car->optionByte != 0 ? 1 : 0;
  int best = 0;
  for (int i = 0; i < car->partCount && car->parts; ++i) {
    int score = 0;
    for (uint8_t kind : car->parts[i].kinds) score += kind == AI_KIND_A || kind == AI_KIND_B ? 1 : 0;
    if (score > best) {
      best = score;
      traits[4] = 1;
      traits[5] = static_cast<uint8_t>(i);
    }
  }
  delete car;
  return 1;
}
