// source_shaders.h - tests that make a device read the shaders from the source tree: the
// interface's own shaders are essential, and a device cannot be made without them.
#pragma once
#include <cstdio>
#include <cstdlib>

#include "render/shaders.h"

inline void UseSourceShaders() {
  if (const char* source = std::getenv("ZKT_SOURCE_DIR"))
    std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s/bin/shaders2", source);
}
