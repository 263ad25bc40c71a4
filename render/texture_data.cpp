// texture_data.cpp - format helpers shared by the DDS and picture readers.
#include "render/texture_data.h"

uint32_t SrgbFormatOf(uint32_t format) {
  switch (format) {
    case 28: return 29;
    case 71: return 72;
    case 74: return 75;
    case 77: return 78;
    case 87: return 91;
    case 88: return 93;
    case 98: return 99;
    default: return format;
  }
}

void SwizzleForFormat(uint32_t format, bool luminanceAlpha, uint8_t swizzle[4]) {
  swizzle[0] = SWIZZLE_R;
  swizzle[1] = SWIZZLE_G;
  swizzle[2] = SWIZZLE_B;
  swizzle[3] = SWIZZLE_A;
  switch (format) {
    case 41:  // R32 float
    case 54:  // R16 float
    case 56:  // R16 unorm
    case 58:  // R16 snorm
    case 61:  // R8 unorm
    case 63:  // R8 snorm
    case 80:  // BC4 unorm
    case 81:  // BC4 snorm
      swizzle[0] = swizzle[1] = swizzle[2] = SWIZZLE_R;
      swizzle[3] = SWIZZLE_ONE;
      break;
    case 49:  // R8G8: grey and alpha when it came from luminance with alpha
      if (luminanceAlpha) {
        swizzle[0] = swizzle[1] = swizzle[2] = SWIZZLE_R;
        swizzle[3] = SWIZZLE_G;
      }
      break;
    default: break;
  }
}
