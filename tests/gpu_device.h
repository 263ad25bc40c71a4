// gpu_device.h - the device of a GPU test: a windowed, non-HDR device of the given size on
// the default adapter, with shaders from the source tree and the log in gpu/deb.log.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/config.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/material.h"
#include "render/shaders.h"
#include "tests/source_shaders.h"

// True when the device stands; the test skips otherwise.
inline bool StartTestDevice(int width, int height) {
  std::filesystem::create_directories("gpu");
  SetLogFileName("gpu/deb.log");
  UseSourceShaders();
  ScreenWidth = width;
  ScreenHeight = height;
  CfgStartWindowed = 1;
  CfgRenderHdr = 0;
  CfgAdapterSelect = CfgOutputSelect = 0;
  CfgZbdSelect = 2;
  return PreInitD3D() == nullptr && InitialiseGraphicsForScreen() == nullptr;
}

// The device compiles a shader when it is first bound: binds the pair (variant 0) the way a
// draw does and tells whether both compiled.
inline bool ShadersCompile(int vertex, int pixel) {
  Material::SetVShader(vertex);
  Material::SetPShader(pixel);
  return DrawsAllowed() && Shaders.vertex[vertex] && Shaders.pixel[pixel];
}
