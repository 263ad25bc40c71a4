// gamma_tables.cpp - the gamma and brightness tables.
#include "core/gamma_tables.h"

#include <cmath>

float LinearFromGammaTable[256];
uint8_t BrightnessTable[256];
uint8_t GammaFromLinearTable[256];

void BuildGammaTables() {
  for (int i = 0; i < 256; ++i) {
    // Doubles, so that no entry lands on the other side of a rounding half.
    double x = double(i) / 255.0;
    double linear = std::pow(x, 2.2);
    LinearFromGammaTable[i] = float(linear);
    BrightnessTable[i] = uint8_t(std::lround(255.0 * linear));
    GammaFromLinearTable[i] = uint8_t(std::lround(255.0 * std::pow(x, 1.0 / 2.2)));
  }
}

namespace {
// Colours are made from the first frame on (and without graphics), before the device's
// pre-initialisation would build the tables.
const int g_built = (BuildGammaTables(), 1);
}  // namespace
