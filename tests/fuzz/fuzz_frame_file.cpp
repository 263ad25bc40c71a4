// fuzz_frame_file.cpp - a frame file ("QXFRM_") of any content, read as the vehicle editor's
// frame loads read it.
//
// A read either gives a frame whose every tube end names one of its points or a wheel point
// (-6..-1), with cleared selection marks and working values and masses per metre in 0.5..40,
// or refuses and hands back nothing; it never crashes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzz_scratch.h"
#include "vehicle_editor/file_actions.h"

namespace {
#define Require(condition)                                                \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::fprintf(stderr, "fuzz_frame_file: %s failed\n", #condition);   \
      std::abort();                                                       \
    }                                                                     \
  } while (0)
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool entered = (fuzz_scratch::Enter("zkt_fuzz_frame", {"frame"}), true);
  (void)entered;
  fuzz_scratch::WriteFile("data/frame/f.frm", data, size);
  FrameRead frame{};
  if (!ReadFrameFile("data\\frame\\f.frm", frame)) {
    Require(frame.points == nullptr && frame.tubes == nullptr && frame.pointCount == 0 && frame.tubeCount == 0);
    return 0;
  }
  for (int i = 0; i < frame.pointCount; ++i) Require((frame.points[i].flags & 1) == 0 && frame.points[i].work == 0);
  for (int i = 0; i < frame.tubeCount; ++i) {
    const FrameTube& t = frame.tubes[i];
    Require(t.a < frame.pointCount && t.b < frame.pointCount && t.a >= -6 && t.b >= -6);
    Require(t.a >= 0 || t.b >= 0);
    if (t.a >= 0 && t.b >= 0) Require(t.massPerMetre >= 0.5f && t.massPerMetre <= 40.0f);
  }
  FreeFrameRead(frame);
  return 0;
}
