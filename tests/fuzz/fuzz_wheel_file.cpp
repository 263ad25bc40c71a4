// fuzz_wheel_file.cpp - the wheel file through the reader, into a vehicle with a rim of its own.
//
// Input: three bytes for the vehicle's rear rim (width and radius in 2 mm steps, inner depth in
// mm), then the whole file (magic, version, body).  A read that fails must leave the vehicle
// as it was; one that succeeds must leave a spoke named "spoke" with its first distance 1 m,
// a rim profile, and counts within their ranges; for a vehicle whose rim has a size, written,
// read back into the same vehicle and written again it must give the same bytes (the spoke
// then fits the rim exactly).
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
#include "vehicle_data/wheel_file.h"

namespace {

#define Require(condition)                                                \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::fprintf(stderr, "fuzz_wheel_file: %s failed\n", #condition);  \
      std::abort();                                                       \
    }                                                                     \
  } while (0)

// Reads a file image into the data; the result of ReadWheelBody, or 0 when it does not open
// or is older than the lowest version.
int Read(VehicleData& d, const std::vector<uint8_t>& image) {
  DataFile file;
  int32_t version = 0;
  if (!file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), WHEEL_FILE_MAGIC, &version,
                           WHEEL_FILE_VERSION))
    return 0;
  const int result = version >= WHEEL_FILE_LOWEST_VERSION ? ReadWheelBody(d, file, version) : 0;
  file.Close();
  return result;
}

std::vector<uint8_t> Image(const VehicleData& d) {
  return DataFileImage(WHEEL_FILE_MAGIC, MemoryWriteBody([&](DataFile& f) { WriteWheelBody(d, f); }),
                       WHEEL_FILE_VERSION);
}

void MakeVehicle(VehicleData& d, const uint8_t* rim) {
  InitVehicleData(d);
  SuspensionBlock& rear = d.wheelSets[0];
  rear.rimWidth = rim[0] * 0.002f;
  rear.rimRadius = rim[1] * 0.002f;
  rear.rimInnerDepthMm = rim[2];
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
  const std::vector<uint8_t> image(data + 3, data + size);
  VehicleData d;
  MakeVehicle(d, data);
  const std::vector<uint8_t> before = Image(d);
  if (Read(d, image) != WHEEL_READ_OK) {
    Require(Image(d) == before);
    Require(d.spokeCount == 1 && d.rim == nullptr);
  } else {
    Require(d.rim != nullptr);
    Require(std::strcmp(d.spoke.name, "spoke") == 0 && d.spoke.lodDistances[0] == FIXED_ONE);
    Require(d.spokeCount >= 1 && d.spokeCount <= SPOKE_MAX && d.rimBytes[0] <= 1);
    if (WheelRimDimensions(d).innerRadius <= 0.0f) {
      FreeVehicleData(d);
      ResetMessages();
      return 0;
    }
    const std::vector<uint8_t> written = Image(d);
    VehicleData again;
    MakeVehicle(again, data);
    Require(Read(again, written) == WHEEL_READ_OK);
    Require(Image(again) == written);
    FreeVehicleData(again);
  }
  FreeVehicleData(d);
  ResetMessages();
  return 0;
}
