// null_renderer.h - the renderer brought up on the null device for a test suite, and reading
// back what its buffers hold.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/shaders.h"
#include "tests/source_shaders.h"

inline int CountLogLines(const std::string& text) {
  std::ifstream in("renderer/deb.log");
  int n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
  return n;
}

// The bytes a device buffer holds, through a staging copy.
inline std::vector<uint8_t> ReadBuffer(GfxBuffer buffer) {
  GfxBufferDesc d;
  GfxGetDesc(buffer, &d);
  GfxBufferDesc sd;
  sd.byteWidth = d.byteWidth;
  sd.usage = GFX_USAGE_STAGING;
  sd.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  GfxBuffer staging;
  std::vector<uint8_t> bytes;
  if (GfxFailed(GfxCreateBuffer(Gfx.device, sd, nullptr, &staging))) return bytes;
  GfxCopyResource(Gfx.context, staging, buffer);
  GfxMappedSubresource m;
  if (GfxMapResource(Gfx.context, staging, 0, GFX_MAP_READ, &m) == GFX_OK) {
    bytes.assign(static_cast<uint8_t*>(m.data), static_cast<uint8_t*>(m.data) + d.byteWidth);
    GfxUnmap(Gfx.context, staging, 0);
  }
  GfxRelease(staging);
  return bytes;
}

template <class Vertex>
Vertex VertexAt(const std::vector<uint8_t>& bytes, uint32_t index) {
  Vertex v;
  std::memcpy(&v, bytes.data() + size_t(index) * sizeof(Vertex), sizeof v);
  return v;
}

// The renderer on the null device: the whole device life, nothing drawn.
class NullRenderer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::filesystem::create_directories("renderer");
    std::filesystem::remove("renderer/deb.log");
    SetLogFileName("renderer/deb.log");
    UseSourceShaders();
    GfxUseNullBackend(true);
    savedWidth_ = ScreenWidth;
    savedHeight_ = ScreenHeight;
    ScreenWidth = 800;
    ScreenHeight = 600;
    CfgStartWindowed = 1;
    CfgAdapterSelect = CfgOutputSelect = 0;
    CfgZbdSelect = 2;
    ready_ = PreInitD3D() == nullptr && InitialiseGraphicsForScreen() == nullptr;
  }
  static void TearDownTestSuite() {
    ShutdownGraphics();
    EXPECT_EQ(GfxLiveObjectCount(), 0) << "everything the renderer made was released";
    GfxUseNullBackend(false);
    ScreenWidth = savedWidth_;
    ScreenHeight = savedHeight_;
    SetLogFileName("");
  }
  void SetUp() override { ASSERT_TRUE(ready_); }
  static inline bool ready_;
  static inline int savedWidth_, savedHeight_;
};

// The fixture given, its suite run on the null device: the renderer is brought up before the
// suite's first test and shut down after its last.  A test asks NullDevice::ready_ whether it
// came up.
template <class Fixture>
class OnNullDevice : public Fixture {
 protected:
  struct NullDevice : NullRenderer {
    using NullRenderer::ready_;
    using NullRenderer::SetUpTestSuite;
    using NullRenderer::TearDownTestSuite;
  };
  static void SetUpTestSuite() { NullDevice::SetUpTestSuite(); }
  static void TearDownTestSuite() { NullDevice::TearDownTestSuite(); }
};
