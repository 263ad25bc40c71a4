// brightness_table.h - the 256-entry table that turns colour bytes into vertex colour bytes.
//
// STAND-IN until the colour palette is built: the identity table.  The palette code fills
// it from the interface brightness; readers only index it.
#pragma once
#include <array>
#include <cstdint>

inline std::array<uint8_t, 256> BrightnessTable = [] {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  return table;
}();
