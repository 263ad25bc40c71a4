// texconv.cpp - texture conversion.
#include "texconv/texconv.h"
