// fuzz_layout_file.cpp - a layout file of any body loaded by the host's load into the test
// oval, block by block through a race table that hands the packets straight back; then
// analysed, saved, cleared.  The world keeps its limits, a load always ends, the saved file
// loads back to the same records.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "layout_fuzz_world.h"
#include "world/layout_file.h"

namespace {
constexpr int MAX_BLOCKS = 1200;  // 65,535 records at 60 a block, and some
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  layout_fuzz::MakeWorld("fuzz_layout_file");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using layout_fuzz::Check;
  // The input is the body: the header is ours, with the version from the first byte.
  std::vector<uint8_t> file = {'Z', 'K', 'T', 'L', 'Y', 'T', 0, uint8_t(size > 0 ? 240 + data[0] % 16 : 252)};
  if (size > 1) file.insert(file.end(), data + 1, data + size);
  fuzz_scratch::WriteFile("data/layout/f.lyt", file.data(), file.size());
  HostLoadLayout("f");
  int blocks = 0;
  for (; LayoutLoadUnderWay() && blocks < MAX_BLOCKS; ++blocks) SendLayoutBlock();
  Check(!LayoutLoadUnderWay());
  layout_fuzz::CheckLayout();
  int routes = 0;
  CheckLayoutRoute(1, routes);
  ComputeLayoutBounds();
  // What stands saves and loads back to the same records.
  std::vector<LayoutObjectRecord> before(LAYOUT_MAX_ADDED + LAYOUT_MAX_PLACES);
  before.resize(size_t(PackAllLayoutObjects(before.data(), int(before.size()), 1)));
  if (SaveLayout("g")) {
    SendClearLayoutPacket();
    Check(CWld->addedCount == 0 && LayoutPlaceCount == 0);
    HostLoadLayout("g");
    for (blocks = 0; LayoutLoadUnderWay() && blocks < MAX_BLOCKS; ++blocks) SendLayoutBlock();
    std::vector<LayoutObjectRecord> after(before.size() + 1);
    after.resize(size_t(PackAllLayoutObjects(after.data(), int(after.size()), 1)));
    Check(after.size() == before.size());
    for (size_t i = 0; i < after.size(); ++i)
      Check(after[i].x == before[i].x && after[i].y == before[i].y && after[i].kind == before[i].kind &&
            after[i].z == before[i].z);
  }
  SendClearLayoutPacket();
  layout_fuzz::CheckLayout();
  return 0;
}
