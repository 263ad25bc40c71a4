// fuzz_spoke_file.cpp - the spoke object file through the memory reader, and the repetition
// of what it read round the axle.
//
// Input: a copies byte, then the whole file (magic, version, body).  After a read the object
// must have one level of detail and no mirrored triangle; repeated n times it must hold n
// times its points and triangles with every corner in range, and put back it must write the
// same bytes as before.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "model/model_file.h"
#include "model/spoke_object.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"

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
  if (size < 1) return 0;
  const int copies = data[0] % 12;
  DataFile file;
  int32_t version = 0;
  if (!file.OpenReadMemory(nullptr, data + 1, int64_t(size - 1), SPOKE_FILE_MAGIC, &version, SPOKE_FILE_VERSION))
    return 0;
  ModelObject o;
  o.Init();
  if (version >= SPOKE_FILE_LOWEST_VERSION) ReadModelObject(o, file, version, 1, MODEL_READ_SPOKE, 0, nullptr);
  file.Close();
  Require(o.lodCount == 1);
  for (int t = 0; t < o.triangleCount; ++t) Require(!(o.triangles[t].flags & TRIANGLE_MIRRORED));
  const std::vector<uint8_t> before = ModelRecordBytes(o, 0, 0);
  const int P = o.pointCount, T = o.triangleCount;
  KeptGeometry kept{};
  o.RepeatGeometry(copies, kept);
  if (kept.copies) {
    Require(o.pointCount == P * copies && o.triangleCount == T * copies);
    for (int t = 0; t < o.triangleCount; ++t)
      for (uint16_t corner : o.triangles[t].corners) Require(corner < o.pointCount);
  } else {
    Require(o.pointCount == P && o.triangleCount == T);
  }
  o.RestoreRepeatedGeometry(kept);
  Require(ModelRecordBytes(o, 0, 0) == before);
  o.Free();
  ResetMessages();
  return 0;
}
