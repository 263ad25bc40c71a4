// render_target.cpp - render targets; the null device has only its back buffer.
#include "render/render_target.h"

void UnsetRenderTarget() {}
