// rim_file.cpp - the rim graph's operations, the rim file and the removal of rim colours.
#include "rim/rim_file.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "core/data_file.h"
#include "core/report.h"
#include "physics/car.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/text_names.h"

// ---- [Rim graph] ----

int GraphWXS::CanDeletePoint(int index) {
  if (index < 2) return 0;
  if (!rim) return 1;
  for (int i = 0; i < rim->surfaceCount; ++i)
    if (rim->surfaces[i].first == uint32_t(index) || rim->surfaces[i].second == uint32_t(index)) return 0;
  return 1;
}

void GraphWXS::RenumberPoint(int oldIndex, int newIndex) {
  if (!rim) return;
  for (int i = 0; i < rim->surfaceCount; ++i)
    for (uint32_t* end : {&rim->surfaces[i].first, &rim->surfaces[i].second})
      if (*end == uint32_t(oldIndex)) *end = uint32_t(newIndex);
}

void GraphWXS::PointsChanged(int) {
  if (data && data->numPoints >= 2) {
    data->points[0] = GraphPoint{0.0f, RIM_FIXED_COORDINATE};
    data->points[1] = GraphPoint{RIM_FIXED_COORDINATE, RIM_FIXED_COORDINATE};
  }
  if (car) car->ReleaseMeshes();
}

// ---- [Rim file] ----

int ReadRimFile(WXS& rim, DataFile& f, int version, const char* path, Prss* reportScreen) {
  if (version < RIM_FILE_LOWEST_VERSION) {
    ReportBox(reportScreen, TEXT_COULD_NOT_OPEN_FILE, PathOnDisk(path).c_str());
    return 0;
  }
  // A damaged body must leave the car's rim as it was: it is read aside first.
  WXS read;
  if (!read.Load(f, version)) {
    char where[FILE_PATH_SIZE + 40];
    std::snprintf(where, sizeof where, "%s - %s", PathOnDisk(path).c_str(), RimReadFailure);
    ReportBox(reportScreen, TEXT_RIM_DAMAGED, where);
    return 0;
  }
  rim.Free();
  rim.numPoints = std::exchange(read.numPoints, 0);
  rim.points = std::exchange(read.points, nullptr);
  rim.surfaceCount = std::exchange(read.surfaceCount, uint8_t{0});
  rim.secondByte = read.secondByte;
  rim.surfaces = std::exchange(read.surfaces, nullptr);
  rim.mappingCount = std::exchange(read.mappingCount, 0);
  rim.mappings = std::exchange(read.mappings, nullptr);
  return 1;
}

int LoadRimFile(WXS& rim, const char* path, Prss* reportScreen) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(reportScreen, path, RIM_FILE_MAGIC, &version, RIM_FILE_VERSION, 0)) return 0;
  const int read = ReadRimFile(rim, f, version, path, reportScreen);
  f.Close();
  return read;
}

int RimFilePath(Prss* screen, const char* name, char* path, int pathSize) {
  char refusal[NAME_REFUSAL_SIZE];
  if (!MakeUserFilePath(path, pathSize, RIM_FILE_PATTERN, name ? name : "", refusal)) {
    ReportBox(screen, refusal);
    return 0;
  }
  return 1;
}

int SaveRimFile(Prss* screen, const char* name, const WXS& rim) {
  char path[FILE_PATH_SIZE];
  if (!RimFilePath(screen, name, path, sizeof path)) return 0;
  DataFile f;
  if (!f.OpenWrite(screen, path, RIM_FILE_MAGIC, RIM_FILE_VERSION)) return 0;
  WriteRim(rim, f);
  if (!f.Close()) return 0;
  ReportSaved(path);
  return 1;
}

// ---- [Mappings] ----

int RimMappingUses(const WXS& rim, int index) {
  int uses = 0;
  for (int i = 0; i < rim.surfaceCount; ++i) uses += rim.surfaces[i].mapping == uint32_t(index);
  return uses;
}

int RemoveRimMapping(WXS& rim, int index) {
  if (index <= 0 || index >= rim.mappingCount || RimMappingUses(rim, index)) return 0;
  for (int i = index; i + 1 < rim.mappingCount; ++i) rim.mappings[i] = rim.mappings[i + 1];
  --rim.mappingCount;
  for (int i = 0; i < rim.surfaceCount; ++i)
    if (rim.surfaces[i].mapping > uint32_t(index)) --rim.surfaces[i].mapping;
  return 1;
}
