// dash_file.cpp - loading and saving the dash file.
#include "dashboard/dash_file.h"

#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/text_names.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/vehicle_data.h"

namespace {

// The path of a name, or 0 (reported on the page) for a name the prompts must refuse.
int DashPath(Prss* page, const char* name, char* path, int pathSize) {
  char refusal[NAME_REFUSAL_SIZE];
  if (MakeUserFilePath(path, pathSize, DASH_FILE_PATTERN, name ? name : "", refusal)) return 1;
  ReportBox(page, refusal);
  return 0;
}

}  // namespace

void WriteDashBody(DataFile& f, const VehicleData& car) {
  const int size = DashBlockSize(car.dashType);
  f.WriteInt(int32_t(car.dashType));
  f.WriteInt(size);
  f.WriteBlock(car.dash, size);
}

int ReadDashBody(Prss* page, DataFile& f, int32_t version, VehicleData& car, const char* path) {
  if (version < DASH_FILE_LOWEST_VERSION) {
    f.Close();
    ReportBox(page, LanguageTexts[TX_3a_cnocolon], PathOnDisk(path).c_str());
    return DASH_FILE_OLD_VERSION;
  }
  const uint32_t type = f.ReadUInt();
  const uint32_t size = f.ReadUInt();
  if (f.readPastEnd) {
    f.Close();
    ReportBox(page, TEXT_DASH_HEADER_SHORT, PathOnDisk(path).c_str());
    return DASH_FILE_SHORT;
  }
  const uint32_t expected = uint32_t(DashBlockSize(car.dashType));
  if (type != car.dashType || size != expected || expected == 0) {
    f.Close();
    ReportBox(page, TEXT_INCOMPATIBLE_DASH, PathOnDisk(path).c_str());
    return DASH_FILE_INCOMPATIBLE;
  }
  // Read whole into a copy first: a file that ends inside the block changes nothing.
  uint8_t block[DASH_BLOCK_SIZE] = {};
  const int complete = f.ReadBlock(block, int(size)) && !f.readPastEnd;
  f.Close();
  if (!complete) {
    ReportBox(page, TEXT_DASH_BLOCK_SHORT, PathOnDisk(path).c_str());
    return DASH_FILE_SHORT;
  }
  std::memcpy(car.dash, block, size);
  return DASH_FILE_OK;
}

int LoadDash(Prss* page, VehicleData& car, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!DashPath(page, name, path, sizeof path)) return DASH_FILE_BAD_NAME;
  if (DashBlockSize(car.dashType) == 0) return DASH_FILE_NO_BLOCK;
  DataFile f{};
  int32_t version = 0;
  if (!f.OpenRead(page, path, DASH_FILE_MAGIC, &version, DASH_FILE_VERSION, 0)) return DASH_FILE_NOT_OPENED;
  return ReadDashBody(page, f, version, car, path);
}

int SaveDash(Prss* page, const VehicleData& car, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!DashPath(page, name, path, sizeof path)) return DASH_FILE_BAD_NAME;
  if (DashBlockSize(car.dashType) == 0) return DASH_FILE_NO_BLOCK;
  DataFile f{};
  if (!f.OpenWrite(page, path, DASH_FILE_MAGIC, DASH_FILE_VERSION)) return DASH_FILE_NOT_OPENED;
  WriteDashBody(f, car);
  if (!f.Close()) return DASH_FILE_NOT_WRITTEN;
  ReportSaved(path);
  return DASH_FILE_OK;
}
