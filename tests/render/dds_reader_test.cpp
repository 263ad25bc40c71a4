// dds_reader_test.cpp - DDS file images: header checks, legacy and extended formats, sRGB
// promotion, grey swizzles, mip skipping, limits and damaged files.
#include <gtest/gtest.h>

#include <cstring>

#include "render/dds_reader.h"
#include "render/texture_data.h"
#include "tests/texconv/test_pictures.h"
#include "texconv/texconv.h"

using namespace texconv;

namespace {

constexpr uint32_t FourCC(const char* s) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

void Put(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A DDS image built field by field, with zeroed surfaces of the given byte count.
struct DdsBuilder {
  uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000;
  uint32_t width = 16, height = 16, depth = 0, mips = 1;
  DdsPixelFormat pf{32, 0x4, FourCC("DXT1"), 0, 0, 0, 0, 0};
  uint32_t caps2 = 0;
  bool extended = false;
  uint32_t dxgiFormat = 0, dimension = 3, miscFlags = 0, arraySize = 1;

  std::vector<uint8_t> Build(size_t dataBytes) const {
    std::vector<uint8_t> b(128 + (extended ? 20 : 0) + dataBytes, 0);
    std::memcpy(b.data(), "DDS ", 4);
    Put(b, 4, 124);
    Put(b, 8, flags | (mips > 1 ? 0x20000 : 0));
    Put(b, 12, height);
    Put(b, 16, width);
    Put(b, 24, depth);
    Put(b, 28, mips);
    Put(b, 76, pf.size);
    Put(b, 80, extended ? 0x4 : pf.flags);
    Put(b, 84, extended ? FourCC("DX10") : pf.fourCC);
    Put(b, 88, pf.bitCount);
    Put(b, 92, pf.rMask);
    Put(b, 96, pf.gMask);
    Put(b, 100, pf.bMask);
    Put(b, 104, pf.aMask);
    Put(b, 108, 0x1000);
    Put(b, 112, caps2);
    if (extended) {
      Put(b, 128, dxgiFormat);
      Put(b, 132, dimension);
      Put(b, 136, miscFlags);
      Put(b, 140, arraySize);
    }
    return b;
  }
};

// Bytes of a BC1 chain from side down to 1.
size_t Bc1ChainBytes(uint32_t side, uint32_t levels) {
  size_t total = 0;
  for (uint32_t m = 0; m < levels; ++m, side = std::max(1u, side / 2))
    total += size_t(std::max(1u, (side + 3) / 4)) * std::max(1u, (side + 3) / 4) * 8;
  return total;
}

Result Read(const std::vector<uint8_t>& b, TextureData* t, uint32_t limit = 0) {
  return ReadDdsFromMemory(b.data(), b.size(), limit, t);
}

}  // namespace

TEST(DdsHeader, RefusesWhatIsNotADdsImage) {
  DdsBuilder d;
  const std::vector<uint8_t> good = d.Build(128);
  TextureData t;
  ASSERT_EQ(Read(good, &t), TEX_OK);
  EXPECT_EQ(ReadDdsFromMemory(nullptr, 200, 0, &t), TEX_E_INVALIDARG);
  EXPECT_EQ(ReadDdsFromMemory(good.data(), good.size(), 0, nullptr), TEX_E_INVALIDARG);
  EXPECT_EQ(ReadDdsFromMemory(good.data(), 127, 0, &t), TEX_E_FAIL);
  std::vector<uint8_t> bad = good;
  bad[3] = 'X';
  EXPECT_EQ(Read(bad, &t), TEX_E_FAIL);
  bad = good;
  Put(bad, 4, 128);
  EXPECT_EQ(Read(bad, &t), TEX_E_FAIL);
  bad = good;
  Put(bad, 76, 24);
  EXPECT_EQ(Read(bad, &t), TEX_E_FAIL);
  EXPECT_TRUE(t.subresources.empty());
}

TEST(DdsHeader, ExtendedHeaderNeeds148Bytes) {
  DdsBuilder d;
  d.extended = true;
  d.dxgiFormat = 71;
  std::vector<uint8_t> b = d.Build(128);
  TextureData t;
  ASSERT_EQ(Read(b, &t), TEX_OK);
  b.resize(140);
  EXPECT_EQ(Read(b, &t), TEX_E_FAIL);
}

struct LegacyCase {
  const char* name;
  DdsPixelFormat pf;
  uint32_t format;  // after sRGB promotion; 0 = not supported
};

TEST(DdsFormats, LegacyPixelFormatsMapAndPromoteToSrgb) {
  const LegacyCase cases[] = {
      {"DXT1", {32, 0x4, FourCC("DXT1")}, 72},
      {"DXT2", {32, 0x4, FourCC("DXT2")}, 75},
      {"DXT3", {32, 0x4, FourCC("DXT3")}, 75},
      {"DXT4", {32, 0x4, FourCC("DXT4")}, 78},
      {"DXT5", {32, 0x4, FourCC("DXT5")}, 78},
      {"ATI1", {32, 0x4, FourCC("ATI1")}, 80},
      {"BC4U", {32, 0x4, FourCC("BC4U")}, 80},
      {"BC4S", {32, 0x4, FourCC("BC4S")}, 81},
      {"ATI2", {32, 0x4, FourCC("ATI2")}, 83},
      {"BC5U", {32, 0x4, FourCC("BC5U")}, 83},
      {"BC5S", {32, 0x4, FourCC("BC5S")}, 84},
      {"RGBG", {32, 0x4, FourCC("RGBG")}, 68},
      {"GRGB", {32, 0x4, FourCC("GRGB")}, 69},
      {"YUY2", {32, 0x4, FourCC("YUY2")}, 107},
      {"36", {32, 0x4, 36}, 11},
      {"110", {32, 0x4, 110}, 13},
      {"111", {32, 0x4, 111}, 54},
      {"112", {32, 0x4, 112}, 34},
      {"113", {32, 0x4, 113}, 10},
      {"114", {32, 0x4, 114}, 41},
      {"115", {32, 0x4, 115}, 16},
      {"116", {32, 0x4, 116}, 2},
      {"RGBA8", {32, 0x41, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u}, 29},
      {"BGRA8", {32, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, 91},
      {"BGRX8", {32, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0}, 93},
      {"RGB10A2", {32, 0x41, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u}, 24},
      {"RG16", {32, 0x40, 0, 32, 0xFFFF, 0xFFFF0000u, 0, 0}, 35},
      {"R32F", {32, 0x40, 0, 32, 0xFFFFFFFFu, 0, 0, 0}, 41},
      {"BGR5A1", {32, 0x41, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000}, 86},
      {"B5G6R5", {32, 0x40, 0, 16, 0xF800, 0x7E0, 0x1F, 0}, 85},
      {"BGRA4", {32, 0x41, 0, 16, 0xF00, 0xF0, 0xF, 0xF000}, 115},
      {"L8", {32, 0x20000, 0, 8, 0xFF, 0, 0, 0}, 61},
      {"L16", {32, 0x20000, 0, 16, 0xFFFF, 0, 0, 0}, 56},
      {"L8A8", {32, 0x20001, 0, 16, 0xFF, 0, 0, 0xFF00}, 49},
      {"A8", {32, 0x2, 0, 8, 0, 0, 0, 0xFF}, 65},
      {"V8U8", {32, 0x80000, 0, 16, 0xFF, 0xFF00, 0, 0}, 51},
      {"Q8W8V8U8", {32, 0x80000, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u}, 31},
      {"V16U16", {32, 0x80000, 0, 32, 0xFFFF, 0xFFFF0000u, 0, 0}, 37},
      {"RGB24", {32, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0}, 0},
      {"XBGR8", {32, 0x40, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0}, 0},
      {"L4A4", {32, 0x20001, 0, 8, 0xF, 0, 0, 0xF0}, 0},
      {"MET1", {32, 0x4, FourCC("MET1")}, 0},
      {"nothing", {32, 0, 0, 0, 0, 0, 0, 0}, 0},
  };
  for (const LegacyCase& c : cases) {
    DdsBuilder d;
    d.pf = c.pf;
    TextureData t;
    const Result r = Read(d.Build(16 * 16 * 16), &t);  // enough for any format at 16x16
    if (c.format == 0) {
      EXPECT_EQ(r, TEX_E_NOTSUPPORTED) << c.name;
    } else {
      ASSERT_EQ(r, TEX_OK) << c.name;
      EXPECT_EQ(t.format, c.format) << c.name;
    }
  }
}

TEST(DdsFormats, OneChannelTexturesSampleGrey) {
  struct Case {
    DdsPixelFormat pf;
    uint8_t swizzle[4];
  } cases[] = {
      {{32, 0x20000, 0, 8, 0xFF, 0, 0, 0}, {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_ONE}},
      {{32, 0x20000, 0, 16, 0xFFFF, 0, 0, 0}, {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_ONE}},
      {{32, 0x20001, 0, 16, 0xFF, 0, 0, 0xFF00}, {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_G}},
      {{32, 0x4, FourCC("ATI1")}, {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_ONE}},
      {{32, 0x2, 0, 8, 0, 0, 0, 0xFF}, {SWIZZLE_R, SWIZZLE_G, SWIZZLE_B, SWIZZLE_A}},
      {{32, 0x4, FourCC("DXT1")}, {SWIZZLE_R, SWIZZLE_G, SWIZZLE_B, SWIZZLE_A}},
      {{32, 0x80000, 0, 16, 0xFF, 0xFF00, 0, 0}, {SWIZZLE_R, SWIZZLE_G, SWIZZLE_B, SWIZZLE_A}},
  };
  for (const Case& c : cases) {
    DdsBuilder d;
    d.pf = c.pf;
    TextureData t;
    ASSERT_EQ(Read(d.Build(16 * 16 * 4), &t), TEX_OK);
    EXPECT_EQ(std::memcmp(t.swizzle, c.swizzle, 4), 0) << "format " << t.format;
  }
  // An extended R8 is grey too; an extended R8G8 is two channels, left alone.
  DdsBuilder d;
  d.extended = true;
  d.dxgiFormat = 61;
  TextureData t;
  ASSERT_EQ(Read(d.Build(256), &t), TEX_OK);
  EXPECT_EQ(t.swizzle[1], SWIZZLE_R);
  d.dxgiFormat = 49;
  ASSERT_EQ(Read(d.Build(512), &t), TEX_OK);
  EXPECT_EQ(t.swizzle[1], SWIZZLE_G);
}

TEST(DdsFormats, ExtendedHeaderFormatsAndDimensions) {
  DdsBuilder d;
  d.extended = true;
  d.dxgiFormat = 98;  // BC7
  TextureData t;
  ASSERT_EQ(Read(d.Build(16 * 16), &t), TEX_OK);
  EXPECT_EQ(t.format, 99u);
  EXPECT_EQ(t.dimension, TEXTURE_DIMENSION_2D);

  // The last BC1 format (72, sRGB) has 8-byte blocks; the first BC2 format (73) 16-byte ones.
  d.dxgiFormat = 72;
  ASSERT_EQ(Read(d.Build(16 * 8), &t), TEX_OK);
  EXPECT_EQ(t.format, 72u);
  EXPECT_EQ(t.subresources[0].rowPitch, 4u * 8);
  EXPECT_EQ(Read(d.Build(16 * 8 - 1), &t), TEX_E_HANDLE_EOF);
  d.dxgiFormat = 73;
  EXPECT_EQ(Read(d.Build(16 * 8), &t), TEX_E_HANDLE_EOF);
  ASSERT_EQ(Read(d.Build(16 * 16), &t), TEX_OK);
  EXPECT_EQ(t.subresources[0].rowPitch, 4u * 16);

  d.dxgiFormat = 103;  // a planar video format: never made
  EXPECT_EQ(Read(d.Build(4096), &t), TEX_E_NOTSUPPORTED);
  d.dxgiFormat = 200;
  EXPECT_EQ(Read(d.Build(4096), &t), TEX_E_NOTSUPPORTED);
  d.dxgiFormat = 28;
  d.arraySize = 0;
  EXPECT_EQ(Read(d.Build(4096), &t), TEX_E_INVALIDARG);
  d.arraySize = 1;
  d.dimension = 5;
  EXPECT_EQ(Read(d.Build(4096), &t), TEX_E_NOTSUPPORTED);

  // Cube: six faces per array item.
  d.dimension = 3;
  d.miscFlags = 0x4;
  d.arraySize = 2;
  ASSERT_EQ(Read(d.Build(12 * 16 * 16 * 4), &t), TEX_OK);
  EXPECT_TRUE(t.isCube);
  EXPECT_EQ(t.arraySize, 12u);
  EXPECT_EQ(t.subresources.size(), 12u);
  EXPECT_EQ(Read(d.Build(12 * 16 * 16 * 4 - 1), &t), TEX_E_HANDLE_EOF);

  // 1D: a height other than 1 contradicts the dimension.
  d.miscFlags = 0;
  d.arraySize = 1;
  d.dimension = 2;
  EXPECT_EQ(Read(d.Build(4096), &t), TEX_E_INVALIDARG);
  d.height = 1;
  ASSERT_EQ(Read(d.Build(64), &t), TEX_OK);
  EXPECT_EQ(t.dimension, TEXTURE_DIMENSION_1D);

  // 3D needs the volume flag and a single item.
  d.height = 16;
  d.dimension = 4;
  d.depth = 4;
  EXPECT_EQ(Read(d.Build(16 * 16 * 4 * 4), &t), TEX_E_INVALIDARG);
  d.flags |= 0x800000;
  ASSERT_EQ(Read(d.Build(16 * 16 * 4 * 4), &t), TEX_OK);
  EXPECT_EQ(t.depth, 4u);
  EXPECT_EQ(t.subresources[0].slicePitch, 16u * 16 * 4);
  d.arraySize = 2;
  EXPECT_EQ(Read(d.Build(16 * 16 * 4 * 4 * 2), &t), TEX_E_NOTSUPPORTED);
}

TEST(DdsFormats, BitsPerPixelAtTheFirstAndLastFormatOfEachSize) {
  // The format numbers of the extended header, grouped by texel size; blocks count as their
  // bits per texel (an 8-byte 4x4 block is 4).  Formats the program never makes give 0.
  struct Row {
    uint32_t format, bits;
  };
  const Row rows[] = {
      {0, 0},    {1, 128},  {4, 128},  // unknown; R32G32B32A32 typeless .. sint
      {5, 96},   {8, 96},              // R32G32B32
      {9, 64},   {22, 64},             // R16G16B16A16 .. X32 typeless G8X24
      {23, 32},  {47, 32},             // R10G10B10A2 typeless .. X24 typeless G8
      {48, 16},  {59, 16},             // R8G8 typeless .. R16 sint
      {60, 8},   {65, 8},              // R8 typeless .. A8
      {66, 0},                         // R1
      {67, 32},  {69, 32},             // R9G9B9E5 .. G8R8_G8B8
      {70, 4},   {72, 4},              // BC1
      {73, 8},   {78, 8},              // BC2, BC3
      {79, 4},   {81, 4},              // BC4
      {82, 8},   {84, 8},              // BC5
      {85, 16},  {86, 16},             // B5G6R5, B5G5R5A1
      {87, 32},  {93, 32},             // B8G8R8A8 .. B8G8R8X8 sRGB
      {94, 8},   {99, 8},              // BC6H, BC7
      {100, 0},  {106, 0}, {107, 32}, {108, 0}, {114, 0},  // video formats; YUY2 is packed
      {115, 16}, {116, 0},             // B4G4R4A4; past the list
  };
  for (const Row& r : rows) EXPECT_EQ(DdsBitsPerPixel(r.format), r.bits) << "format " << r.format;
}

TEST(DdsFormats, LegacyCubeNeedsAllSixFaces) {
  DdsBuilder d;
  d.caps2 = 0x200 | 0xFC00;
  TextureData t;
  ASSERT_EQ(Read(d.Build(6 * 128), &t), TEX_OK);
  EXPECT_TRUE(t.isCube);
  EXPECT_EQ(t.arraySize, 6u);
  EXPECT_EQ(t.subresources[5].data, t.subresources[0].data + 5 * 128);
  d.caps2 = 0x200 | 0x400;
  EXPECT_EQ(Read(d.Build(6 * 128), &t), TEX_E_NOTSUPPORTED);
}

TEST(DdsLimits, SizesLevelsAndArraysBeyondTheDevice) {
  TextureData t;
  DdsBuilder d;
  d.mips = 16;
  d.width = d.height = 16384;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_NOTSUPPORTED);
  d.mips = 1;
  d.width = 16385;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_NOTSUPPORTED);
  d.width = 0;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_FAIL);
  d.width = d.height = 16;
  d.mips = 6;  // a 16x16 has 5 levels
  EXPECT_EQ(Read(d.Build(4096), &t), TEX_E_INVALIDARG);
  d.mips = 1;
  d.flags |= 0x800000;
  d.depth = 2049;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_NOTSUPPORTED);
  DdsBuilder a;
  a.extended = true;
  a.dxgiFormat = 71;
  a.arraySize = 2049;
  EXPECT_EQ(Read(a.Build(0), &t), TEX_E_NOTSUPPORTED);
}

// The limit tried again after the device refused a texture: 2048 on levels 9.1 and 9.2 (512
// for a cube), 4096 on 9.3, 8192 above; a volume 256 on the 9.x levels, 2048 above.
TEST(DdsLimits, RetrySizeByFeatureLevelAtEachStep) {
  struct Row {
    uint32_t level, dimension;
    bool cube;
    uint32_t limit;
  };
  const uint32_t D2 = TEXTURE_DIMENSION_2D, D3 = TEXTURE_DIMENSION_3D;
  const Row rows[] = {
      {0x9100, D2, false, 2048}, {0x9200, D2, false, 2048}, {0x9200, D2, true, 512},
      {0x9300, D2, false, 4096}, {0x9300, D2, true, 4096},  {0xa000, D2, false, 8192},
      {0xa000, D2, true, 8192},  {0xb000, D2, false, 8192}, {0x9100, D3, false, 256},
      {0x9300, D3, false, 256},  {0xa000, D3, false, 2048}, {0xb000, D3, false, 2048},
  };
  for (const Row& r : rows)
    EXPECT_EQ(DdsRetrySizeLimit(r.level, r.dimension, r.cube), r.limit)
        << std::hex << r.level << " dimension " << r.dimension << " cube " << r.cube;
}

TEST(DdsLevels, DataRunningPastTheEndIsRefusedAtEveryLength) {
  DdsBuilder d;
  d.width = d.height = 64;
  d.mips = 7;
  const size_t data = Bc1ChainBytes(64, 7);
  const std::vector<uint8_t> good = d.Build(data);
  TextureData t;
  ASSERT_EQ(Read(good, &t), TEX_OK);
  EXPECT_EQ(t.mipLevels, 7u);
  for (size_t n = 1; n < good.size(); ++n) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + n);  // own copy: ASan sees its end
    const Result r = Read(cut, &t);
    EXPECT_TRUE(r == TEX_E_FAIL || r == TEX_E_HANDLE_EOF) << n;
  }
}

TEST(DdsLevels, SizeLimitSkipsTheLargerLevels) {
  DdsBuilder d;
  d.width = d.height = 4096;
  d.mips = 13;
  const std::vector<uint8_t> b = d.Build(Bc1ChainBytes(4096, 13));
  TextureData t;
  ASSERT_EQ(Read(b, &t, 1024), TEX_OK);
  EXPECT_EQ(t.width, 1024u);
  EXPECT_EQ(t.height, 1024u);
  EXPECT_EQ(t.mipLevels, 11u);
  ASSERT_EQ(t.subresources.size(), 11u);
  EXPECT_EQ(t.subresources[0].data, b.data() + 128 + Bc1ChainBytes(4096, 2));
  EXPECT_EQ(t.subresources[0].rowPitch, 256u * 8);
  EXPECT_EQ(t.subresources[10].width, 1u);
  EXPECT_EQ(t.subresources[10].slicePitch, 8u);
  EXPECT_EQ(t.format, 72u);

  // A file with one level keeps it whatever the limit.
  d.mips = 1;
  ASSERT_EQ(Read(d.Build(Bc1ChainBytes(4096, 1)), &t, 1024), TEX_OK);
  EXPECT_EQ(t.width, 4096u);
}

// A chain of a long thin picture: each side halves down to 1 and stays there.  16 x 4 RGBA
// has levels 16x4, 8x2, 4x1, 2x1, 1x1 (256 + 64 + 16 + 8 + 4 = 348 bytes); 4 x 16 the same
// turned; a 16 x 16 x 4 volume's depths run 4, 2, 1, 1, 1.
TEST(DdsLevels, EachSideHalvesDownToOneAndStaysThere) {
  DdsBuilder d;
  d.extended = true;
  d.dxgiFormat = 28;
  d.width = 16;
  d.height = 4;
  d.mips = 5;
  TextureData t;
  ASSERT_EQ(Read(d.Build(348), &t), TEX_OK);
  const uint32_t widths[5] = {16, 8, 4, 2, 1}, heights[5] = {4, 2, 1, 1, 1};
  ASSERT_EQ(t.subresources.size(), 5u);
  for (int m = 0; m < 5; ++m) {
    EXPECT_EQ(t.subresources[m].width, widths[m]) << m;
    EXPECT_EQ(t.subresources[m].height, heights[m]) << m;
    EXPECT_EQ(t.subresources[m].slicePitch, widths[m] * heights[m] * 4) << m;
  }
  EXPECT_EQ(Read(d.Build(347), &t), TEX_E_HANDLE_EOF);
  d.width = 4;
  d.height = 16;
  ASSERT_EQ(Read(d.Build(348), &t), TEX_OK);
  for (int m = 0; m < 5; ++m) {
    EXPECT_EQ(t.subresources[m].width, heights[m]) << m;
    EXPECT_EQ(t.subresources[m].height, widths[m]) << m;
  }
  DdsBuilder v;
  v.extended = true;
  v.dxgiFormat = 28;
  v.dimension = 4;
  v.flags |= 0x800000;
  v.width = v.height = 16;
  v.depth = 4;
  v.mips = 5;
  // 16x16x4, 8x8x2, 4x4x1, 2x2x1, 1x1x1 texels of 4 bytes.
  ASSERT_EQ(Read(v.Build((1024 + 128 + 16 + 4 + 1) * 4), &t), TEX_OK);
  const uint32_t depths[5] = {4, 2, 1, 1, 1};
  for (int m = 0; m < 5; ++m) EXPECT_EQ(t.subresources[m].depth, depths[m]) << m;
}

TEST(DdsLevels, ReadsWhatTheConversionLibraryWrites) {
  std::vector<uint8_t> px = testpics::MakePhotoLikeWithAlpha(32, 32, 4);
  Image im;
  im.width = im.height = 32;
  im.format = FORMAT_R8G8B8A8_UNORM;
  im.rowPitch = 128;
  im.slicePitch = 4096;
  im.pixels = px.data();
  ScratchImage mips, bc;
  ASSERT_EQ(GenerateMipMaps(im, TEX_FILTER_SRGB, 0, &mips), TEX_OK);
  ASSERT_EQ(Compress(mips.images.data(), mips.images.size(), mips.metadata, FORMAT_BC2_UNORM,
                     TEX_COMPRESS_SRGB, 0.5f, &bc),
            TEX_OK);
  Blob blob;
  ASSERT_EQ(SaveToDDSMemory(bc.images.data(), bc.images.size(), bc.metadata, 0, &blob), TEX_OK);
  TextureData t;
  ASSERT_EQ(ReadDdsFromMemory(blob.data(), blob.size(), 0, &t), TEX_OK);
  EXPECT_EQ(t.format, uint32_t(FORMAT_BC2_UNORM_SRGB));
  ASSERT_EQ(t.mipLevels, 6u);
  for (uint32_t m = 0; m < 6; ++m)
    EXPECT_EQ(std::memcmp(t.subresources[m].data, bc.images[m].pixels, bc.images[m].slicePitch), 0) << m;
}

// Each limit takes its own value and refuses one more: a file at the limit passes the limits
// and only then runs out of data (no surfaces are given), one past it is not supported.
TEST(DdsLimits, EachLimitTakesItsOwnValueAndRefusesOneMore) {
  TextureData t;
  DdsBuilder d;  // BC1, one level
  d.width = 16384;
  d.height = 4;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_HANDLE_EOF) << "width 16384";
  d.width = 16385;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_NOTSUPPORTED) << "width 16385";
  d.width = 4;
  d.height = 16384;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_HANDLE_EOF) << "height 16384";
  d.height = 16385;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_NOTSUPPORTED) << "height 16385";
  // 16384 halves 14 times down to 1: 15 levels, the most a file may have.
  d.width = d.height = 16384;
  d.mips = 15;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_HANDLE_EOF) << "15 levels";
  d.mips = 16;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_NOTSUPPORTED) << "16 levels";
  // A 16x16 chain has 5 levels (16, 8, 4, 2, 1).
  d.width = d.height = 16;
  d.mips = 5;
  ASSERT_EQ(Read(d.Build(Bc1ChainBytes(16, 5)), &t), TEX_OK);
  EXPECT_EQ(t.mipLevels, 5u);
  EXPECT_EQ(t.subresources[4].width, 1u);

  // A volume: 2048 on each side.
  DdsBuilder v;
  v.flags |= 0x800000;
  v.width = 2048;
  v.height = v.depth = 4;
  EXPECT_EQ(Read(v.Build(0), &t), TEX_E_HANDLE_EOF) << "volume width 2048";
  v.width = 2049;
  EXPECT_EQ(Read(v.Build(0), &t), TEX_E_NOTSUPPORTED) << "volume width 2049";
  v.width = 4;
  v.height = 2048;
  EXPECT_EQ(Read(v.Build(0), &t), TEX_E_HANDLE_EOF) << "volume height 2048";
  v.height = 2049;
  EXPECT_EQ(Read(v.Build(0), &t), TEX_E_NOTSUPPORTED) << "volume height 2049";
  v.height = 4;
  v.depth = 2048;
  EXPECT_EQ(Read(v.Build(0), &t), TEX_E_HANDLE_EOF) << "volume depth 2048";

  // An array of 2048 items.
  DdsBuilder a;
  a.extended = true;
  a.dxgiFormat = 71;
  a.width = a.height = 4;
  a.arraySize = 2048;
  EXPECT_EQ(Read(a.Build(2048 * 8 - 1), &t), TEX_E_HANDLE_EOF);
  ASSERT_EQ(Read(a.Build(2048 * 8), &t), TEX_OK);
  EXPECT_EQ(t.arraySize, 2048u);
}

// A level whose bytes pass what a 32-bit pitch holds is refused as an overflow: 16384 texels
// of 16 bytes are 2^18 bytes a row, times 16384 rows is 2^32; one row fewer is 2^32 - 2^18.
TEST(DdsLimits, ALevelOf4GiBIsAnOverflowAndOneRowLessIsNot) {
  DdsBuilder d;
  d.extended = true;
  d.dxgiFormat = 2;  // R32G32B32A32 float
  d.width = d.height = 16384;
  TextureData t;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_ARITHMETIC_OVERFLOW);
  d.height = 16383;
  EXPECT_EQ(Read(d.Build(0), &t), TEX_E_HANDLE_EOF);
}

// The row bytes and rows of one 5x5 level at each end of each block size: 8-byte blocks
// for BC1 (70-72) and BC4 (79-81), 16-byte ones for BC2/BC3 (73-78), BC5 (82-84) and
// BC6H/BC7 (94-99); two blocks across and two down.  The formats just outside the block
// ranges are rows of texels: 69 packs two texels in 4 bytes (3 pairs, 12 bytes), 85 is 16
// bits a texel (10 bytes), 93 32 bits (20 bytes), five rows each.
TEST(DdsFormats, RowBytesAndRowsAtEachEndOfEachBlockSize) {
  struct Row {
    uint32_t format, rowPitch, rows;
  };
  const Row rows[] = {
      {69, 12, 5}, {70, 16, 2}, {72, 16, 2}, {73, 32, 2}, {78, 32, 2}, {79, 16, 2}, {81, 16, 2},
      {82, 32, 2}, {84, 32, 2}, {85, 10, 5}, {93, 20, 5}, {94, 32, 2}, {99, 32, 2},
  };
  for (const Row& r : rows) {
    DdsBuilder d;
    d.extended = true;
    d.dxgiFormat = r.format;
    d.width = d.height = 5;
    TextureData t;
    ASSERT_EQ(Read(d.Build(r.rowPitch * r.rows), &t), TEX_OK) << "format " << r.format;
    EXPECT_EQ(t.subresources[0].rowPitch, r.rowPitch) << "format " << r.format;
    EXPECT_EQ(t.subresources[0].slicePitch, r.rowPitch * r.rows) << "format " << r.format;
    EXPECT_EQ(Read(d.Build(r.rowPitch * r.rows - 1), &t), TEX_E_HANDLE_EOF) << "format " << r.format;
  }
}

// The packed formats hold two pixels in four bytes along a row, so a row of an odd width is
// rounded up to a whole pair: 5 x 2 of G8R8_G8B8 (69) is 3 pairs = 12 bytes a row, two rows,
// 24 bytes; its second level, 2 x 1, is one pair, 4 bytes.  Read the other way round (2 x 5)
// it would be 4 x 5 = 20 bytes, so 23 bytes must not be enough.
TEST(DdsFormats, APackedFormatsRowsRunAlongItsWidth) {
  DdsBuilder d;
  d.extended = true;
  d.dxgiFormat = 69;
  d.width = 5;
  d.height = 2;
  TextureData t;
  ASSERT_EQ(Read(d.Build(24), &t), TEX_OK);
  EXPECT_EQ(t.subresources[0].rowPitch, 12u);
  EXPECT_EQ(t.subresources[0].slicePitch, 24u);
  EXPECT_EQ(Read(d.Build(23), &t), TEX_E_HANDLE_EOF);
  d.mips = 2;
  ASSERT_EQ(Read(d.Build(24 + 4), &t), TEX_OK);
  ASSERT_EQ(t.subresources.size(), 2u);
  EXPECT_EQ(t.subresources[1].width, 2u);
  EXPECT_EQ(t.subresources[1].height, 1u);
  EXPECT_EQ(t.subresources[1].rowPitch, 4u);
  EXPECT_EQ(t.subresources[1].data, t.subresources[0].data + 24) << "the second level follows the first's 24 bytes";
  EXPECT_EQ(Read(d.Build(24 + 3), &t), TEX_E_HANDLE_EOF);
}

// The sRGB twin of each format that has one (R8G8B8A8 28 -> 29, BC1 71 -> 72, BC2 74 -> 75,
// BC3 77 -> 78, B8G8R8A8 87 -> 91, B8G8R8X8 88 -> 93, BC7 98 -> 99); their neighbours and the
// sRGB formats themselves stay.  The one-channel formats (R32F 41, R16F 54, R16 56 and 58,
// R8 61 and 63, BC4 80 and 81) sample grey with alpha one; R8G8 (49) only when it came from
// luminance with alpha; every other format as it is.
TEST(DdsFormats, SrgbTwinsAndGreySwizzlesByFormatNumber) {
  const uint32_t twins[][2] = {{28, 29}, {71, 72}, {74, 75}, {77, 78}, {87, 91}, {88, 93}, {98, 99}};
  for (const auto& t : twins) {
    EXPECT_EQ(SrgbFormatOf(t[0]), t[1]) << t[0];
    EXPECT_EQ(SrgbFormatOf(t[1]), t[1]) << t[1];
  }
  for (uint32_t f : {27u, 70u, 73u, 76u, 86u, 89u, 97u, 100u}) EXPECT_EQ(SrgbFormatOf(f), f) << f;

  const uint8_t grey[4] = {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_ONE};
  const uint8_t plain[4] = {SWIZZLE_R, SWIZZLE_G, SWIZZLE_B, SWIZZLE_A};
  const uint8_t greyAlpha[4] = {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_G};
  uint8_t s[4];
  for (uint32_t f : {41u, 54u, 56u, 58u, 61u, 63u, 80u, 81u}) {
    SwizzleForFormat(f, false, s);
    EXPECT_EQ(std::memcmp(s, grey, 4), 0) << f;
  }
  for (uint32_t f : {40u, 42u, 53u, 55u, 57u, 59u, 60u, 62u, 64u, 79u, 82u, 28u}) {
    SwizzleForFormat(f, true, s);
    EXPECT_EQ(std::memcmp(s, plain, 4), 0) << f;
  }
  SwizzleForFormat(49, true, s);
  EXPECT_EQ(std::memcmp(s, greyAlpha, 4), 0);
  SwizzleForFormat(49, false, s);
  EXPECT_EQ(std::memcmp(s, plain, 4), 0);
  SwizzleForFormat(48, true, s);
  EXPECT_EQ(std::memcmp(s, plain, 4), 0);
}
