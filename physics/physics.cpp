// physics.cpp - physics services; no solid exists yet.
#include "physics/physics.h"

void ClearCachedMeshWords() {}
