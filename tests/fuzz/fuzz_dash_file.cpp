// fuzz_dash_file.cpp - dash files of any content loaded onto cars of dash types 1 to 3 through
// the dash file's reading (the memory reader in place of the disk).
//
// Input: a choice byte (the car's dash type 1 + byte % 3), then the whole file, header and
// all.  The car's block must come out either exactly as it was or wholly replaced by the
// file's block, and only a load that reported success may change it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "dashboard/dash_file.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/vehicle_data.h"

namespace {

#define Require(condition)                                               \
  do {                                                                   \
    if (!(condition)) {                                                  \
      std::fprintf(stderr, "fuzz_dash_file: %s failed\n", #condition); \
      std::abort();                                                      \
    }                                                                    \
  } while (0)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static VehicleData car;
  car.dashType = uint8_t(1 + data[0] % 3);
  for (int i = 0; i < DASH_BLOCK_SIZE; ++i) car.dash[i] = uint8_t(i * 7 + 3);
  uint8_t before[DASH_BLOCK_SIZE];
  std::memcpy(before, car.dash, sizeof before);
  DataFile f{};
  int32_t version = 0;
  int result = DASH_FILE_NOT_OPENED;
  if (f.OpenReadMemory(nullptr, data + 1, int64_t(size - 1), DASH_FILE_MAGIC, &version, DASH_FILE_VERSION))
    result = ReadDashBody(nullptr, f, version, car, "fuzz");
  const int blockSize = DashBlockSize(car.dashType);
  if (result == DASH_FILE_OK) {
    Require(size - 1 >= size_t(16 + blockSize));
    Require(std::memcmp(car.dash, data + 1 + 16, size_t(blockSize)) == 0);
    Require(std::memcmp(car.dash + blockSize, before + blockSize, size_t(DASH_BLOCK_SIZE - blockSize)) == 0);
  } else {
    Require(std::memcmp(car.dash, before, sizeof before) == 0);
  }
  return 0;
}
