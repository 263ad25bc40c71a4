// fuzz_multi_obj_packet.cpp - packets of any bytes into Autocross::InterpretMultiObjPacket on
// the test oval: the input is a run of packets, each led by its length byte.  Counts from
// peers never read past the bytes; the world and the marked places keep their limits; a
// clear leaves nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "layout_fuzz_world.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  layout_fuzz::MakeWorld("fuzz_multi_obj_packet");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  while (at < size) {
    const size_t length = std::min<size_t>(data[at], size - at - 1);
    ++at;
    Autocross::InterpretMultiObjPacket(data + at, int(length));
    at += length;
    layout_fuzz::CheckLayout();
  }
  AnalyseLayout();
  ShowLayoutStatus();
  IsNearLayoutObject186(0, 0);
  SendClearLayoutPacket();
  layout_fuzz::Check(CWld->addedCount == 0 && LayoutPlaceCount == 0);
  return 0;
}
