// fuzz_colour_set_file.cpp - a colour-set file ("ZKTALL") of any content, read as the
// vehicle editor's colour-set load reads it.
//
// A read either gives 1 to 9 configurations with terminated names and colours held to
// 10..160 with the fourth byte clear, or refuses and hands back nothing; it never crashes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/fuzz/fuzz_scratch.h"
#include "vehicle_editor/file_actions.h"

namespace {
#define Require(condition)                                                    \
  do {                                                                        \
    if (!(condition)) {                                                       \
      std::fprintf(stderr, "fuzz_colour_set_file: %s failed\n", #condition);  \
      std::abort();                                                           \
    }                                                                         \
  } while (0)
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool entered = (fuzz_scratch::Enter("zkt_fuzz_colour_set", {"colours"}), true);
  (void)entered;
  fuzz_scratch::WriteFile("data/colours/c.all", data, size);
  static ColourSetRead read;
  if (!ReadAllColoursFile("data\\colours\\c.all", read)) {
    Require(read.count == 0 && read.hasLights == 0);
    return 0;
  }
  Require(read.count >= 1 && read.count <= 9);
  for (int i = 0; i < read.count; ++i) {
    Require(std::memchr(read.configs[i].name, 0, sizeof read.configs[i].name));
    for (const auto& group : read.configs[i].groups)
      for (ColourWord c : group) {
        Require((c >> 24) == 0);
        for (int channel = 0; channel < 3; ++channel) {
          const uint32_t v = c >> (8 * channel) & 0xFF;
          Require(v >= COLOUR_SET_CHANNEL_MIN && v <= COLOUR_SET_CHANNEL_MAX);
        }
      }
  }
  return 0;
}
