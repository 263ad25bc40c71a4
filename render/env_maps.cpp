// env_maps.cpp - environment maps; none are made yet.
#include "render/env_maps.h"

void DeleteEnvMaps() {}
