// primitives.cpp - nothing is batched yet; the fast-mesh registry is empty.
#include "render/primitives.h"

void ResetTempBatches() {}
void FreeAllFastMeshes() {}
