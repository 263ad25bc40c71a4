// fuzz_interface_cfg.cpp - the interface_cfg.txt reader over arbitrary text.
//
// Whatever is read, writing the settings and reading them back must give the same file
// again (the written file is a fixed point): a difference aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/interface_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadInterfaceCfgFromText(reinterpret_cast<const char*>(data), size);
  std::string first;
  WriteInterfaceCfgToText(first);
  ReadInterfaceCfgFromText(first.data(), first.size());
  std::string second;
  WriteInterfaceCfgToText(second);
  if (first != second) std::abort();
  return 0;
}
