// interface_config.cpp - interface settings; the defaults stand until the file is read.
#include "ui/interface_config.h"

#include <algorithm>
#include <cmath>

InterfaceColourSettings InterfaceColours;
uint32_t ButtonAlphaWord = 0x4D000000u, BigAlphaWord = 0x80000000u;

namespace {
uint32_t AlphaWord(float alpha) {
  return static_cast<uint32_t>(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f)) << 24;
}
}  // namespace

void ApplyInterfaceColours() {
  ButtonAlphaWord = AlphaWord(InterfaceColours.buttonAlpha);
  BigAlphaWord = AlphaWord(InterfaceColours.bigAlpha);
}

void ReadInterfaceConfig() { ApplyInterfaceColours(); }
int SaveInterfaceConfig() { return 1; }
