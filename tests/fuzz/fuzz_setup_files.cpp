// fuzz_setup_files.cpp - a set-up file ("QXSETT") or a car's colour file ("ZKTCFG") of any
// content.
//
// Input: a selector byte (bit 0: the colour file, else the set-up file), then the whole file,
// written to a scratch file and read as the player's chosen set-up or colours would be.  A
// read either takes the file's record whole (the colours clamped) or leaves the record as it
// was; it never crashes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "text/text_colours.h"
#include "vehicle_data/setup_record.h"

namespace {

#define Require(condition)                                                \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::fprintf(stderr, "fuzz_setup_files: %s failed\n", #condition); \
      std::abort();                                                       \
    }                                                                     \
  } while (0)

std::string g_path;  // the scratch file, removed when the fuzzer ends

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_path.empty()) {
    g_path = "/tmp/zkt_fuzz_setup_files_" + std::to_string(getpid());
    std::atexit([] { std::remove(g_path.c_str()); });
  }
  const std::string& path = g_path;
  if (size < 1) return 0;
  Require(FileWriteAll(path.c_str(), data + 1, size - 1) == 0);
  if (data[0] & 1) {
    ColourSet set;
    std::memset(&set, 0xEE, sizeof set);
    if (ReadColourConfig(set, path.c_str())) {
      Require(std::memchr(set.name, 0, sizeof set.name));
      for (const auto& group : set.groups)
        for (ColourWord c : group) {
          Require((c >> 24) == 0);
          for (int channel = 0; channel < 3; ++channel) {
            const uint32_t v = c >> (8 * channel) & 0xFF;
            Require(v >= COLOUR_SET_CHANNEL_MIN && v <= COLOUR_SET_CHANNEL_MAX);
          }
        }
    } else {
      for (size_t i = 0; i < sizeof set; ++i) Require(reinterpret_cast<const uint8_t*>(&set)[i] == 0xEE);
    }
  } else {
    SetupRecord setup;
    std::memset(setup.bytes, 0xEE, SETUP_RECORD_SIZE);
    if (LoadSetupFile(setup, path.c_str())) {
      Require(size - 1 >= size_t(8 + SETUP_RECORD_SIZE));
      Require(std::memcmp(setup.bytes, data + 1 + 8, SETUP_RECORD_SIZE) == 0);
    } else {
      for (uint8_t b : setup.bytes) Require(b == 0xEE);
    }
  }
  return 0;
}
