// wheel_file.cpp - writing and reading the wheel file, and fitting its spoke to the rim of the
// vehicle that takes it.
#include "vehicle_data/wheel_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_file.h"
#include "platform/files.h"
#include "render/draw_mesh.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_file.h"

namespace {

// What a file holds apart from the vehicle until the whole file has been read.
struct WheelDesign {
  uint8_t spokeCount = 1;
  uint8_t rimByte = 0;
  ModelObject spoke{};
  std::unique_ptr<WXS> rim = std::make_unique<WXS>();
};

// "<text> : ^L<path>" (or "<text> ^L<path>" for a text that ends in its colon) in the error
// colour.
void ReportPath(const char* text, const char* path) {
  const size_t length = std::strlen(text);
  const char* colon = length && text[length - 1] == ':' ? "" : " :";
  char line[FILE_PATH_SIZE + 64];
  std::snprintf(line, sizeof line, "%s%s %s", text, colon, PathInMessage(path).c_str());
  ReportLine(line, REPORT_ERROR);
}

// Every point of the spoke: x (along the axle) times alongAxle, y and z times across, each
// coordinate taken as a float, multiplied and rounded to the nearest 16.16 unit.
void FitSpoke(ModelObject& spoke, float alongAxle, float across) {
  for (int i = 0; i < spoke.pointCount; ++i) {
    ModelPoint& p = spoke.points[i];
    p.x = FixedFromScaled(static_cast<float>(p.x) * alongAxle);
    p.y = FixedFromScaled(static_cast<float>(p.y) * across);
    p.z = FixedFromScaled(static_cast<float>(p.z) * across);
  }
}

// The wheel sets' spoke and rim meshes, made from the spoke object and the rim profile.
void ReleaseWheelMeshes(VehicleData& data) {
  for (SuspensionBlock& set : data.wheelSets) {
    DeleteDrawMesh(set.spokeMesh);
    DeleteDrawMesh(set.rimMesh);
    set.spokeMesh = set.rimMesh = nullptr;
  }
}

}  // namespace

RimDimensions WheelRimDimensions(const VehicleData& data) {
  const SuspensionBlock& rear = data.wheelSets[0];
  return {rear.rimWidth * 0.5f + RIM_EDGE_ALLOWANCE, rear.rimRadius - rear.rimInnerDepthMm * MM_TO_METRES};
}

void WriteWheelBody(const VehicleData& data, DataFile& f) {
  const RimDimensions rim = WheelRimDimensions(data);
  f.WriteFloat(rim.halfWidth);
  f.WriteFloat(rim.innerRadius);
  f.WriteByte(data.spokeCount);
  f.WriteByte(data.rimBytes[0]);
  f.WriteByte(0);
  f.WriteByte(0);
  WriteModelObject(data.spoke, f, 1, 0);
  if (data.rim) {
    WriteRim(*data.rim, f);
  } else {
    const WXS none;
    WriteRim(none, f);
  }
}

int WriteWheelFile(const VehicleData& data, Prss* errorPage, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, WHEEL_FILE_PATTERN, name)) return 0;
  DataFile f;
  if (!f.OpenWrite(errorPage, path, WHEEL_FILE_MAGIC, WHEEL_FILE_VERSION)) return 0;
  WriteWheelBody(data, f);
  return f.Close();
}

int ReadWheelBody(VehicleData& data, DataFile& f, int version) {
  const float storedHalfWidth = f.ReadFloat();
  const float storedInnerRadius = f.ReadFloat();
  WheelDesign design;
  // The spoke count and the rim byte hold what the vehicle file lets them hold.
  design.spokeCount = static_cast<uint8_t>(std::clamp(f.ReadByte(), 1, SPOKE_MAX));
  design.rimByte = static_cast<uint8_t>(std::clamp(f.ReadByte(), 0, 1));
  f.ReadByte();
  f.ReadByte();
  if (f.readPastEnd) return WHEEL_READ_DAMAGED;
  // The spoke is fitted by dividing by the stored dimensions: a rim of no size (or none that
  // can be measured) cannot be fitted.
  if (!(storedHalfWidth > 0.0f) || !(storedInnerRadius > 0.0f) || !std::isfinite(storedHalfWidth) ||
      !std::isfinite(storedInnerRadius))
    return WHEEL_READ_UNUSABLE;

  design.spoke.Init();
  const char* carCode = data.builtinIndex >= 0 ? data.shortName : nullptr;
  const int spokeRead = ReadModelObject(design.spoke, f, version, 0, MODEL_READ_SPOKE, 0, carCode);
  if (!spokeRead || f.readPastEnd || !design.rim->Load(f, version) || f.readPastEnd) {
    design.spoke.Free();
    return WHEEL_READ_DAMAGED;
  }

  std::memset(design.spoke.name, 0, MODEL_NAME_SIZE);
  std::strncpy(design.spoke.name, SPOKE_OBJECT_NAME, MODEL_NAME_SIZE - 1);
  design.spoke.lodDistances[0] = FIXED_ONE;
  const RimDimensions own = WheelRimDimensions(data);
  FitSpoke(design.spoke, own.halfWidth / storedHalfWidth, own.innerRadius / storedInnerRadius);

  // The whole file was read: the design takes the vehicle's place.
  data.spokeCount = design.spokeCount;
  data.rimBytes[0] = design.rimByte;
  data.spoke.Free();
  data.spoke = design.spoke;
  FreeVehicleRim(data);
  data.rim = design.rim.release();
  return WHEEL_READ_OK;
}

int ReadWheelFile(VehicleData& data, Prss* errorPage, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, WHEEL_FILE_PATTERN, name)) return 0;
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(errorPage, path, WHEEL_FILE_MAGIC, &version, WHEEL_FILE_VERSION, 0)) return 0;
  const int result = version < WHEEL_FILE_LOWEST_VERSION ? WHEEL_READ_UNUSABLE : ReadWheelBody(data, f, version);
  f.Close();
  if (result == WHEEL_READ_UNUSABLE) ReportPath(TEXT_FILE_UNUSABLE, path);
  if (result == WHEEL_READ_DAMAGED) ReportPath(TEXT_MODEL_FILE_DAMAGED, path);
  if (result != WHEEL_READ_OK) return 0;
  ReleaseWheelMeshes(data);
  return 1;
}
