// gfx_null_test.cpp - the graphics layer on its null backend, the device of the unit tests:
// the small device it reports, and buffers that keep their bytes through writes, copies,
// maps and clears, as a driver's would.
#include "platform/gfx.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class GfxNull : public ::testing::Test {
 protected:
  GfxDevice device;
  GfxContext context;

  void SetUp() override {
    GfxUseNullBackend(true);
    const GfxFeatureLevel levels[] = {GFX_FEATURE_LEVEL_11_0};
    GfxFeatureLevel got;
    ASSERT_EQ(GfxCreateDevice(GfxAdapter{}, levels, 1, &device, &got, &context), GFX_OK);
  }
  void TearDown() override {
    GfxRelease(context);
    GfxRelease(device);
    GfxUseNullBackend(false);
  }

  GfxBuffer Make(uint32_t bytes, GfxUsage usage, uint32_t bind, const uint8_t* data = nullptr) {
    GfxBufferDesc d;
    d.byteWidth = bytes;
    d.usage = usage;
    d.bindFlags = bind;
    if (usage == GFX_USAGE_DYNAMIC) d.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
    if (usage == GFX_USAGE_STAGING) d.cpuAccessFlags = GFX_CPU_ACCESS_READ;
    GfxSubresourceData init{data, 0, 0};
    GfxBuffer b;
    EXPECT_EQ(GfxCreateBuffer(device, d, data ? &init : nullptr, &b), GFX_OK);
    return b;
  }
  // The bytes a device buffer holds, through a staging copy.
  std::vector<uint8_t> Bytes(GfxBuffer buffer, uint32_t size) {
    GfxBuffer staging = Make(size, GFX_USAGE_STAGING, 0);
    GfxCopyResource(context, staging, buffer);
    GfxMappedSubresource m;
    std::vector<uint8_t> out;
    if (GfxMapResource(context, staging, 0, GFX_MAP_READ, &m) == GFX_OK) {
      out.assign(static_cast<uint8_t*>(m.data), static_cast<uint8_t*>(m.data) + size);
      GfxUnmap(context, staging, 0);
    }
    GfxRelease(staging);
    return out;
  }
};

TEST_F(GfxNull, TheDeviceIsASmallOneThatDrawsNothing) {
  EXPECT_STREQ(GfxRendererName(), "null device");
  EXPECT_EQ(GfxMaxSampleCount(device), 4u);
  EXPECT_EQ(GfxGetFeatureLevel(device), GFX_FEATURE_LEVEL_11_0);
}

TEST_F(GfxNull, BuffersKeepTheirBytesThroughWritesCopiesMapsAndClears) {
  uint8_t start[16];
  for (int i = 0; i < 16; ++i) start[i] = uint8_t(i);
  GfxBuffer a = Make(16, GFX_USAGE_DEFAULT, GFX_BIND_VERTEX_BUFFER | GFX_BIND_UNORDERED_ACCESS, start);
  EXPECT_EQ(Bytes(a, 16), std::vector<uint8_t>(start, start + 16));

  // Bytes 12..15 written, up to the end exactly.
  const uint8_t four[4] = {0xA1, 0xA2, 0xA3, 0xA4};
  GfxBox last4{12, 0, 0, 16, 1, 1};
  GfxUpdateSubresource(context, a, 0, &last4, four, 0, 0);
  std::vector<uint8_t> got = Bytes(a, 16);
  EXPECT_EQ(got[11], 11);
  EXPECT_EQ(got[12], 0xA1);
  EXPECT_EQ(got[15], 0xA4);

  // Bytes 0..7 of a copied to 8..15 of b, ending at its end.
  GfxBuffer b = Make(16, GFX_USAGE_DEFAULT, GFX_BIND_VERTEX_BUFFER);
  GfxBox first8{0, 0, 0, 8, 1, 1};
  GfxCopySubresourceRegion(context, b, 0, 8, 0, 0, a, 0, &first8);
  got = Bytes(b, 16);
  EXPECT_EQ(got[7], 0) << "new storage is cleared";
  EXPECT_EQ(got[8], 0);
  EXPECT_EQ(got[15], 7);

  // Words 1 and 2 of a cleared to one value; words 0 and 3 kept.
  GfxUavDesc words{1, 2};
  GfxUnorderedAccessView uav;
  ASSERT_EQ(GfxCreateUnorderedAccessView(device, a, &words, &uav), GFX_OK);
  const uint32_t values[4] = {0x55555555u, 0, 0, 0};
  GfxClearUnorderedAccessViewUint(context, uav, values);
  got = Bytes(a, 16);
  EXPECT_EQ(got[3], 3);
  EXPECT_EQ(got[4], 0x55);
  EXPECT_EQ(got[11], 0x55);
  EXPECT_EQ(got[12], 0xA1);
  GfxRelease(uav);

  // A dynamic buffer mapped with discard: storage given again keeps what it held (as a
  // driver's fresh storage holds something undefined), and what is written lands.
  GfxBuffer dynamic = Make(8, GFX_USAGE_DYNAMIC, GFX_BIND_VERTEX_BUFFER, start);
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(context, dynamic, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
  ASSERT_NE(m.data, nullptr);
  static_cast<uint8_t*>(m.data)[0] = 0xEE;
  GfxUnmap(context, dynamic, 0);
  got = Bytes(dynamic, 8);
  EXPECT_EQ(got[0], 0xEE);
  EXPECT_EQ(got[7], 7);
  GfxRelease(a), GfxRelease(b), GfxRelease(dynamic);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

// Without a video system the factory shows one "HEADLESS" output of 1920 x 1080 whose modes
// are the common sizes up to it, each at 60 Hz, smallest first.
TEST(GfxNullFactory, WithoutVideoTheOneOutputIsHeadlessWithTheCommonModesAt60Hz) {
  ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "this binary starts no video";
  GfxUseNullBackend(true);
  GfxFactory factory;
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  GfxAdapter adapter;
  ASSERT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_OK);
  EXPECT_EQ(GfxEnumAdapters(factory, 1, &adapter), GFX_ERROR_NOT_FOUND);
  ASSERT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_OK);
  GfxAdapterDesc ad;
  ASSERT_EQ(GfxGetAdapterDesc(adapter, &ad), GFX_OK);
  EXPECT_EQ(std::wstring(ad.description), L"null device") << "the renderer's name";
  GfxOutput output;
  EXPECT_EQ(GfxEnumOutputs(adapter, 1, &output), GFX_ERROR_NOT_FOUND);
  ASSERT_EQ(GfxEnumOutputs(adapter, 0, &output), GFX_OK);
  GfxOutputDesc od;
  ASSERT_EQ(GfxGetOutputDesc(output, &od), GFX_OK);
  EXPECT_EQ(std::wstring(od.deviceName), L"HEADLESS");
  // An adapter or output one past the last there is (made by hand) is refused, as the calls
  // that list them refuse its number.
  const GfxAdapter pastAdapter{adapter.factory, 1};
  EXPECT_EQ(GfxGetAdapterDesc(pastAdapter, &ad), GFX_ERROR_INVALID_CALL);
  GfxOutput none;
  EXPECT_EQ(GfxEnumOutputs(pastAdapter, 0, &none), GFX_ERROR_INVALID_CALL);
  const GfxOutput pastOutput{output.factory, output.adapter, 1};
  GfxOutputDesc noDesc;
  EXPECT_EQ(GfxGetOutputDesc(pastOutput, &noDesc), GFX_ERROR_INVALID_CALL);
  uint32_t noCount = 0;
  EXPECT_EQ(GfxGetDisplayModeList(pastOutput, GFX_FORMAT_R8G8B8A8_UNORM, 0, &noCount, nullptr), GFX_ERROR_INVALID_CALL);
  EXPECT_EQ(od.left, 0);
  EXPECT_EQ(od.top, 0);
  EXPECT_EQ(od.right, 1920);
  EXPECT_EQ(od.bottom, 1080);
  uint32_t count = 0;
  ASSERT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr), GFX_OK);
  ASSERT_EQ(count, 5u);
  GfxModeDesc modes[5];
  ASSERT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_B8G8R8A8_UNORM, 0, &count, modes), GFX_OK);
  const uint32_t sizes[5][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(modes[i].width, sizes[i][0]) << i;
    EXPECT_EQ(modes[i].height, sizes[i][1]) << i;
    EXPECT_EQ(modes[i].refreshRate.numerator, 60u) << i;
    EXPECT_EQ(modes[i].refreshRate.denominator, 1u) << i;
    EXPECT_EQ(modes[i].format, GFX_FORMAT_B8G8R8A8_UNORM) << "in the format asked for";
    EXPECT_EQ(modes[i].scanlineOrdering, 0u) << "no scan-line order given";
    EXPECT_EQ(modes[i].scaling, 0u) << "no scaling given";
  }
  int width = 0, height = 0;
  GfxGetVirtualScreenSize(&width, &height);
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);
  GfxRelease(factory);
  GfxUseNullBackend(false);
}

}  // namespace
