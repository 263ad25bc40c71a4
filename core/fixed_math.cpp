// fixed_math.cpp - fixed-point tables.
#include "core/fixed_math.h"

void InitSinCosTables() {}
