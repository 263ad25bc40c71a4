// rim_profile.cpp - the rim profile's body: reading every form and writing the current one.
#include "vehicle_data/rim_profile.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_materials.h"
#include "text/text_colours.h"

namespace {

constexpr int RIM_SURFACE_BYTES = 8;
constexpr int SWAPPED_POINTS_VERSION = 252;  // below it a profile may hold its fixed points third and fourth

// Older profiles kept the fixed points after two others: points 0 and 1 trade places with 2
// and 3, and the surfaces follow.
void SwapFixedPoints(WXS& rim) {
  std::swap(rim.points[0], rim.points[2]);
  std::swap(rim.points[1], rim.points[3]);
  for (int i = 0; i < rim.surfaceCount; ++i)
    for (uint32_t* index : {&rim.surfaces[i].first, &rim.surfaces[i].second})
      if (*index < 4) *index ^= 2;
}

void CheckFixedPoints(const WXS& rim) {
  const GraphPoint& p0 = rim.points[0];
  const GraphPoint& p1 = rim.points[1];
  if (p0.x != 0.0f || p1.x != RIM_FIXED_COORDINATE) ReportLine(TEXT_RIM_WRONG_X, REPORT_ERROR);
  if (p0.y != RIM_FIXED_COORDINATE) {
    ReportLine(TEXT_RIM_WRONG_Y, REPORT_ERROR);
    return;
  }
  if (p1.y != RIM_FIXED_COORDINATE) ReportLine(TEXT_RIM_WRONG_Y, REPORT_ERROR);
}

}  // namespace

const char* RimReadFailure = "";

void WXS::Free() {
  std::free(surfaces);
  surfaces = nullptr;
  surfaceCount = 0;
  std::free(mappings);
  mappings = nullptr;
  mappingCount = 0;
  GraphData::Free();
}

void WXS::MakeDefault(const char* mappingName, ColourWord colour) {
  Free();
  numPoints = 2;
  points = new GraphPoint[2]{{0.0f, RIM_FIXED_COORDINATE}, {RIM_FIXED_COORDINATE, RIM_FIXED_COORDINATE}};
  surfaceCount = 1;
  surfaces = static_cast<RimSurface*>(std::calloc(1, sizeof(RimSurface)));
  surfaces[0] = {1, 0, 0, 0};
  mappingCount = 1;
  mappings = static_cast<ModelMapping*>(std::calloc(1, sizeof(ModelMapping)));
  mappings[0].Init(0);
  std::strncpy(mappings[0].name, mappingName, CUTOUT_NAME_SIZE - 1);
  mappings[0].colour = colour;
}

int WXS::Load(DataFile& file, int version) {
  Free();
  RimReadFailure = "point count";
  if (!ReadGraphPoints(*this, file, INT32_MAX)) return 0;

  RimReadFailure = "mapping colours";
  MappingColourList list{};
  if (!ReadMappingColours(list, file)) {
    Free();
    return 0;
  }
  mappingCount = list.count;
  mappings = list.mappings;

  surfaceCount = static_cast<uint8_t>(file.ReadByte());
  secondByte = static_cast<uint8_t>(file.ReadByte());
  const int form = file.ReadByte();
  file.ReadByte();
  if (form == 0)
    for (int i = 0; i < mappingCount; ++i) mappings[i].colour = BrightenColour(mappings[i].colour);
  if (form >= 0 && form < RIM_FORM) NormaliseMappingColours(mappings, mappingCount);

  RimReadFailure = "surface count";
  if (file.readPastEnd || surfaceCount * RIM_SURFACE_BYTES > file.BytesLeft()) {
    file.readPastEnd = 1;
    Free();
    return 0;
  }
  surfaces = static_cast<RimSurface*>(std::calloc(surfaceCount ? surfaceCount : 1, sizeof(RimSurface)));
  for (int i = 0; i < surfaceCount; ++i) {
    RimSurface& s = surfaces[i];
    s.first = static_cast<uint16_t>(file.ReadShort());
    s.second = static_cast<uint16_t>(file.ReadShort());
    s.group = static_cast<uint16_t>(file.ReadShort());
    s.mapping = static_cast<uint16_t>(file.ReadShort());
    // A surface naming what the profile lacks would send the wheel's mesh builder outside it.
    if (s.first >= static_cast<uint32_t>(numPoints) || s.second >= static_cast<uint32_t>(numPoints) ||
        s.group > RIM_MAX_GROUP || s.mapping >= static_cast<uint32_t>(mappingCount)) {
      RimReadFailure = "surfaces";
      Free();
      return 0;
    }
  }
  if (file.readPastEnd) {
    RimReadFailure = "surfaces";
    Free();
    return 0;
  }
  RimReadFailure = "";
  if (version < SWAPPED_POINTS_VERSION && numPoints >= 4 && points[0].y == 0.0f) SwapFixedPoints(*this);
  if (numPoints >= 2) CheckFixedPoints(*this);
  return 1;
}

void WriteRim(const WXS& rim, DataFile& file) {
  WriteGraphPoints(rim, file);
  WriteMappingColours(rim.mappings, rim.mappingCount, file);
  file.WriteByte(rim.surfaceCount);
  file.WriteByte(rim.secondByte);
  file.WriteByte(RIM_FORM);
  file.WriteByte(0);
  for (int i = 0; i < rim.surfaceCount; ++i) {
    const RimSurface& s = rim.surfaces[i];
    const uint32_t words[4] = {s.first, s.second, s.group, s.mapping};
    WriteRimWords(words, file);
  }
}
