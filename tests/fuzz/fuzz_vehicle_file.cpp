// fuzz_vehicle_file.cpp - the vehicle file's body of any version through the reader.
//
// Input: a version byte (248 + byte % 5), a flag byte (bit 0 the whole car rather than the
// header part, bit 1 the drive side asked for), then the body.  A read that fails must give
// error 9, 3 or a missing model's error, and name the field; one that ran past the end must
// have failed.  After a whole read the data must hold only what the car can use (counts within
// their arrays, names terminated, ranges kept), and writing it, reading it back and writing
// again must give the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_file.h"

namespace {

// Names the failed condition before stopping, so a crash report says which check broke.
#define Require(condition)                                                 \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "fuzz_vehicle_file: %s failed\n", #condition); \
      std::abort();                                                        \
    }                                                                      \
  } while (0)

bool Terminated(const char* field, int size) { return std::memchr(field, 0, size) != nullptr; }

int Read(VehicleData& d, const uint8_t* body, size_t size, int version, int buildMode, int side, bool* ranShort) {
  const std::vector<uint8_t> image = DataFileImage(VEHICLE_FILE_MAGIC, std::vector<uint8_t>(body, body + size), version);
  DataFile file;
  int32_t stored = 0;
  InitVehicleData(d);
  *ranShort = false;
  if (!file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), VEHICLE_FILE_MAGIC, &stored,
                           VEHICLE_FILE_VERSION))
    return -1;
  const VehicleChoice choice{static_cast<uint8_t>(buildMode), static_cast<uint8_t>(side), 0, nullptr, 0, nullptr};
  const int result = ReadVehicleData(d, file, version, "Fuzz~001", choice);
  *ranShort = file.readPastEnd != 0;
  file.Close();
  return result;
}

void CheckValid(const VehicleData& d) {
  Require(d.vehicleClass < 12 && d.transmissionType < TRANSMISSION_TYPE_COUNT);
  Require(d.setupCount >= 0 && d.setupCount <= VEHICLE_MAX_SETUPS);
  Require(d.colourConfigCount >= 0 && d.colourConfigCount <= VEHICLE_MAX_COLOUR_CONFIGS);
  Require(d.configCount >= 0 && d.configCount <= VEHICLE_MAX_CONFIGS);
  Require(d.wheelCount >= 0 && d.wheelCount <= CAR_MAX_WHEELS);
  Require(d.dashSize <= DASH_BLOCK_SIZE && d.dashType < DASH_TYPE_COUNT);
  Require(d.spokeCount >= 1 && d.spokeCount <= SPOKE_MAX && d.rimBytes[0] <= 1 && d.rimBytes[1] <= 7);
  Require(d.rimBytes[2] >= d.rimBytes[1] && d.rimBytes[2] <= 7);
  Require(d.shortCode[3] == 0 && Terminated(d.shortName, SHORT_NAME_SIZE));
  Require(Terminated(d.modelCode, MODEL_CODE_SIZE) && d.modelCode[0]);
  Require(Terminated(d.steerAnimation, STEER_ANIMATION_SIZE) && Terminated(d.engineName, ENGINE_NAME_SIZE));
  for (int i = 0; i < d.setupCount; ++i) Require(Terminated(d.setups[i].name, SETUP_NAME_SIZE));
  for (int i = 0; i < d.configCount; ++i) Require(Terminated(d.configs[i].name, CONFIG_NAME_SIZE));
  Require(d.framePointCount == 0 || d.framePoints);
  Require(d.frameTubeCount == 0 || d.frameTubes);
  for (int i = 0; i < d.frameTubeCount; ++i) {
    const FrameTube& t = d.frameTubes[i];
    Require(t.a >= 0 || t.b >= 0);
    if (t.a >= 0 && t.b >= 0) Require(t.massPerMetre >= 0.5f && t.massPerMetre <= 40.0f);
  }
  Require(d.model && d.ownsModel && d.rim);
  const WXS& rim = *d.rim;
  for (int i = 0; i < rim.surfaceCount; ++i)
    Require(rim.surfaces[i].first < uint32_t(rim.numPoints) && rim.surfaces[i].second < uint32_t(rim.numPoints) &&
            rim.surfaces[i].mapping < uint32_t(rim.mappingCount) && rim.surfaces[i].group <= 16);
  Require(d.aero[3][1] >= 0.01f && d.aero[3][2] >= 0.01f);
  Require(d.engineWords[0] == 7680 && d.engineWords[1] == 5120);
}

std::vector<uint8_t> Body(VehicleData& d) {
  std::vector<uint8_t> body;
  Require(WriteVehicleBody(d, "Fuzz~001", 1, body) == 1);
  return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetDefaultTextColours();
    InitSinCosTables();
    MessagesToStdout = 0;
    return true;
  }();
  (void)ready;
  if (size < 3) return 0;
  const int version = VEHICLE_FILE_LOWEST_VERSION + data[0] % 5;
  const int buildMode = data[1] & 1, side = (data[1] >> 1) & 1;

  VehicleData d;
  bool ranShort;
  const int result = Read(d, data + 2, size - 2, version, buildMode, side, &ranShort);
  if (result == 0) {
    Require(LastVehicleReadField != nullptr);
    Require(LastDataFileError == VEHICLE_FILE_CORRUPTED || LastDataFileError == DATA_FILE_LATER_VERSION ||
            LastDataFileError == DATA_FILE_NOT_FOUND || LastDataFileError == DATA_FILE_WRONG_TYPE ||
            LastDataFileError == DATA_FILE_OBSOLETE);
  }
  if (ranShort) Require(result == 0);
  if (result == 1 && buildMode) {
    CheckValid(d);
    const std::vector<uint8_t> first = Body(d);
    VehicleData again;
    Require(Read(again, first.data(), first.size(), VEHICLE_FILE_VERSION, 1, side, &ranShort) == 1 && !ranShort);
    CheckValid(again);
    Require(Body(again) == first);
    FreeVehicleData(again);
  }
  FreeVehicleData(d);
  ResetMessages();
  return 0;
}
