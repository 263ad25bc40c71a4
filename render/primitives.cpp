// primitives.cpp - temporary batches.
#include "render/primitives.h"

void ResetTempBatches() {}
