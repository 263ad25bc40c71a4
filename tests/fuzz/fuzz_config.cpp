// fuzz_config.cpp - the cfg.txt reader over arbitrary text.
//
// Whatever is read, writing the settings and reading them back must give the same file
// again (the written file is a fixed point): a difference aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadConfigFromText(reinterpret_cast<const char*>(data), size);
  std::string first;
  SaveConfigToText(first);
  LoadConfigFromText(first.data(), first.size());
  std::string second;
  SaveConfigToText(second);
  if (first != second) std::abort();
  return 0;
}
