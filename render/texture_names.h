// texture_names.h - the rules of texture names that models and vehicles store: special
// names that stand for the program's own render textures, the dashboard clock names and
// the alpha suffix.  Pure functions over the name; every comparison ignores case.
#pragma once

// The dashboard clock faces a model's page may name; all of them show the clocks texture.
constexpr int CLOCK_TEXTURE_NAME_COUNT = 6;
extern const char* const CLOCK_TEXTURE_NAMES[CLOCK_TEXTURE_NAME_COUNT];

// One of the clock names above.
bool IsClockTextureName(const char* name);
// A name that no texture file stands behind: the number plates ("s_plate", "s_plate_ALP"),
// "s_env", "s_sky", "s_info", "s_mirr" and the clock names.
bool IsSpecialTextureName(const char* name);
// Ends "_ALP": the texture has an alpha channel.
bool IsAlphaTextureName(const char* name);
