// fuzz_obj_import.cpp - the OBJ importer over arbitrary bytes.
//
// Input: the whole OBJ text.  Whether the import finishes or stops, the object must be valid:
// every corner below the point count, at most 32,768 points and triangles, every coordinate
// within 1024 m either way, every group below 24.
#include <cstdint>
#include <cstdlib>

#include "core/fixed_math.h"
#include "model/model_object.h"
#include "modeller/files/obj_import.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
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
  ModelObject o;
  o.Init();
  ImportObjMesh(o, nullptr, reinterpret_cast<const char*>(data), size);
  Require(o.pointCount <= OBJ_POINT_LIMIT && o.triangleCount <= OBJ_TRIANGLE_LIMIT);
  constexpr int32_t LIMIT = 1024 * 65536;
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& q = o.points[p];
    Require(q.x >= -LIMIT && q.x <= LIMIT && q.y >= -LIMIT && q.y <= LIMIT && q.z >= -LIMIT && q.z <= LIMIT);
  }
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    for (uint16_t c : tri.corners) Require((c & CORNER_INDEX_MASK) < o.pointCount);
    Require(tri.group < MAX_SMOOTHING_GROUPS);
  }
  Require(o.groupCount >= 1);
  o.Free();
  ResetMessages();
  return 0;
}
