// fixed_math.h - 16.16 fixed-point helpers, sine and cosine tables, fixed matrices.
#pragma once
#include <cstdint>

void InitSinCosTables();  // fills the sine and cosine tables once at start-up
