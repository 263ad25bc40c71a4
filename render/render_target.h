// render_target.h - the stack of render targets and the viewports.
#pragma once

void UnsetRenderTarget();
