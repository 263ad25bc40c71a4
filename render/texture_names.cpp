// texture_names.cpp - special, clock and alpha texture names.
#include "render/texture_names.h"

#include <cstring>
#include <strings.h>

const char* const CLOCK_TEXTURE_NAMES[CLOCK_TEXTURE_NAME_COUNT] = {
    "s_clock", "s_clock_white", "s_clock_formula", "s_clock_f1", "s_clock_f3", "s_clock_fj"};

bool IsClockTextureName(const char* name) {
  if (!name || (name[0] != 's' && name[0] != 'S') || name[1] != '_') return false;
  for (const char* clock : CLOCK_TEXTURE_NAMES)
    if (strcasecmp(name, clock) == 0) return true;
  return false;
}

bool IsSpecialTextureName(const char* name) {
  if (!name) return false;
  static const char* const OTHERS[] = {"s_plate", "s_plate_ALP", "s_env", "s_sky", "s_info", "s_mirr"};
  for (const char* special : OTHERS)
    if (strcasecmp(name, special) == 0) return true;
  return IsClockTextureName(name);
}

bool IsAlphaTextureName(const char* name) {
  const size_t n = name ? std::strlen(name) : 0;
  return n >= 4 && strcasecmp(name + n - 4, "_ALP") == 0;
}
