// spoke_object.cpp - the spoke object file and the repetition of a spoke round the axle.
#include "model/spoke_object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_file.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

void ShowFileFault(const char* fault, const char* path) {
  char text[MESSAGE_TEXT_SIZE];
  std::snprintf(text, sizeof text, "%s %s", fault, PathInMessage(path).c_str());
  ShowMessage(text, TextColours.error);
}

bool OnAxle(const ModelPoint& p) { return p.y == 0 && p.z == 0; }

}  // namespace

// ---- [File] ----

int LoadSpokeObject(ModelObject& object, Prss* page, const char* path) {
  DataFile file;
  int32_t version = 0;
  if (!file.OpenRead(page, path, SPOKE_FILE_MAGIC, &version, SPOKE_FILE_VERSION, 0)) return 0;
  if (version < SPOKE_FILE_LOWEST_VERSION) {
    file.Close();
    LastDataFileError = DATA_FILE_OBSOLETE;
    ShowFileFault(TEXT_FILE_IS_OBSOLETE, path);
    return 0;
  }
  const int result = ReadModelObject(object, file, version, 1, MODEL_READ_SPOKE, 0, nullptr);
  file.Close();
  if (!result) {
    ShowFileFault(LastDataFileError == DATA_FILE_TOO_SHORT && file.readPastEnd ? TEXT_FILE_TOO_SHORT
                                                                               : TEXT_MODEL_FILE_DAMAGED,
                  path);
  }
  return result;
}

int SaveSpokeObject(const ModelObject& object, Prss* page, const char* path) {
  DataFile file;
  if (!file.OpenWrite(page, path, SPOKE_FILE_MAGIC, SPOKE_FILE_VERSION)) return 0;
  WriteModelObject(object, file, 0, 0);
  return file.Close();
}

// ---- [Repeating] ----

void ModelObject::RepeatGeometry(int n, KeptGeometry& kept) {
  kept = KeptGeometry{points, triangles, pointCount, triangleCount, 0};
  const int P = pointCount, T = triangleCount;
  if (n < 2 || int64_t(P) * n > MAX_REPEATED_POINTS || int64_t(T) * n > 0xFFFF) return;
  ModelPoint* repeatedPoints = static_cast<ModelPoint*>(std::calloc(size_t(P) * size_t(n) + 1, sizeof(ModelPoint)));
  ModelTriangle* repeatedTriangles =
      static_cast<ModelTriangle*>(std::calloc(size_t(T) * size_t(n) + 1, sizeof(ModelTriangle)));
  if (!repeatedPoints || !repeatedTriangles) {
    std::free(repeatedPoints);
    std::free(repeatedTriangles);
    return;
  }
  const int total = P * n;
  // Copy 0: the points as they are; a top-bit corner off the axle names its point in copy 1.
  if (P > 0) std::memcpy(repeatedPoints, points, sizeof(ModelPoint) * size_t(P));
  for (int t = 0; t < T; ++t) {
    ModelTriangle& to = repeatedTriangles[t];
    to = triangles[t];
    for (uint16_t& corner : to.corners) {
      const int index = corner & CORNER_INDEX_MASK;
      if (index >= P) continue;  // the index check of the reader keeps this from happening
      if (OnAxle(points[index]))
        corner = uint16_t(index);
      else if (corner & CORNER_MIRRORED)
        corner = uint16_t((index + P) % total);
    }
  }
  for (int k = 1; k < n; ++k) {
    const uint32_t angle = uint32_t(std::lround(double(k) * 65536.0 / double(n))) & 0xFFFF;
    const int32_t c = FixCos(angle), s = FixSin(angle);
    for (int i = 0; i < P; ++i) {
      ModelPoint p = points[i];
      const int32_t y = p.y, z = p.z;
      // Wrapping as the stored coordinates do: a spoke far out of range stays defined.
      p.y = int32_t(uint32_t(FixMul(y, c)) - uint32_t(FixMul(z, s)));
      p.z = int32_t(uint32_t(FixMul(y, s)) + uint32_t(FixMul(z, c)));
      repeatedPoints[k * P + i] = p;
    }
    for (int t = 0; t < T; ++t) {
      ModelTriangle to = repeatedTriangles[t];
      for (uint16_t& corner : to.corners) {
        const int index = corner & CORNER_INDEX_MASK;
        const int source = index % (P > 0 ? P : 1);
        if (index >= total || OnAxle(points[source])) continue;
        int moved = index + k * P;
        if (moved >= total) moved -= total;
        corner = uint16_t(moved);
      }
      repeatedTriangles[k * T + t] = to;
    }
  }
  points = repeatedPoints;
  triangles = repeatedTriangles;
  pointCount = uint16_t(total);
  triangleCount = uint16_t(T * n);
  kept.copies = n;
}

void ModelObject::RestoreRepeatedGeometry(KeptGeometry& kept) {
  if (kept.copies == 0) return;
  std::free(points);
  std::free(triangles);
  points = kept.points;
  triangles = kept.triangles;
  pointCount = kept.pointCount;
  triangleCount = kept.triangleCount;
  kept = KeptGeometry{};
}
