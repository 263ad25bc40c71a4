// ai_path.cpp - reading the computer drivers' path file.
#include "world/ai_path.h"

#include <cmath>
#include <new>

#include "core/data_file.h"
#include "core/report.h"
#include "world/fixed_ob.h"

namespace {

int Refuse(AiPath& aiPath, DataFile& file, const char* fileName, const char* text) {
  file.Close();
  delete[] aiPath.curves;
  aiPath.curves = nullptr;
  aiPath.curveCount = 0;
  ReportLabelledLine(fileName, text, REPORT_ERROR);
  return 0;
}

}  // namespace

int LoadAiPath(AiPath& aiPath, const char* fileName, int expectedNodes) {
  DataFile file{};
  int32_t version = 0;
  if (!file.OpenRead(nullptr, fileName, AI_PATH_FILE_MAGIC, &version, AI_PATH_FILE_VERSION, 0)) {
    if (const char* text = DataFileErrorText(LastDataFileError)) ReportLabelledLine(text, fileName, REPORT_ERROR);
    return 0;
  }
  if (version < AI_PATH_FILE_LOWEST_VERSION) {
    file.Close();
    return 0;
  }
  aiPath.oldVersion = version < AI_PATH_FILE_VERSION ? 1 : 0;
  aiPath.setupIndex = static_cast<uint8_t>(file.ReadByte());
  aiPath.setupByte2 = static_cast<uint8_t>(file.ReadByte());
  aiPath.setupByte3 = static_cast<uint8_t>(file.ReadByte());
  file.Skip(1);
  aiPath.setupWord = static_cast<int16_t>(file.ReadShort());
  aiPath.setupByte4 = static_cast<uint8_t>(file.ReadByte());
  file.Skip(1);
  aiPath.fuelPerLap = file.ReadFloat();
  aiPath.topSpeed = file.ReadFloat();
  aiPath.fileLapTime = file.ReadFloat();
  aiPath.fuelCapacity = file.ReadFloat();
  const int nodes = file.ReadShort();
  const int curves = file.ReadShort();
  if (file.readPastEnd) return Refuse(aiPath, file, fileName, TEXT_DAMAGED_CURVES);
  if (nodes != expectedNodes) return Refuse(aiPath, file, fileName, TEXT_WRONG_NODE_COUNT);
  // The counts and nodes come from a file: a negative count, a curve reaching outside the
  // path or a body too short for its curves refuses the whole file.
  if (curves < 0 || int64_t(curves) * AI_PATH_CURVE_BYTES > file.BytesLeft())
    return Refuse(aiPath, file, fileName, TEXT_DAMAGED_CURVES);
  delete[] aiPath.curves;
  aiPath.curves = nullptr;
  aiPath.curveCount = 0;
  if (curves > 0) {
    aiPath.curves = new (std::nothrow) PathCurve[curves]{};
    if (!aiPath.curves) return Refuse(aiPath, file, fileName, TEXT_COULD_NOT_ALLOCATE);
    for (int i = 0; i < curves; ++i) {
      PathCurve& c = aiPath.curves[i];
      ReadPathCurve(c, file);
      if (c.startNode < 0 || c.startNode >= nodes || c.endNode < 0 || c.endNode >= nodes ||
          !std::isfinite(c.endAngle) || !std::isfinite(c.endOffset))
        return Refuse(aiPath, file, fileName, TEXT_DAMAGED_CURVES);
    }
    aiPath.curveCount = curves;
  }
  file.Close();
  return 1;
}

void FreeAiPath(AiPath& aiPath) {
  delete[] aiPath.nodes;
  delete[] aiPath.curves;
  aiPath.nodes = nullptr;
  aiPath.curves = nullptr;
  // Nothing else is owned: a fresh record in its place clears every field.
  new (&aiPath) AiPath();
}

void AddFixedOffset(const float vector[3], IntVector& position) {
  position.x = int32_t(uint32_t(position.x) + uint32_t(NearestSaturated(double(vector[0]) * 65536.0)));
  position.y = int32_t(uint32_t(position.y) + uint32_t(NearestSaturated(double(vector[1]) * 65536.0)));
  position.z = int32_t(uint32_t(position.z) + uint32_t(NearestSaturated(double(vector[2]) * 65536.0)));
}
