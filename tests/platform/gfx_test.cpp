// gfx_test.cpp - the graphics layer on a real GL context: the conventions the renderer relies
// on, read back as pixels, the state cache, and a swap chain on an SDL window.
//
// The context is SDL's on its offscreen video driver (no display needed); the renderer's own
// tests cover the EGL context made without SDL.
#include "platform/gfx.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <array>
#include <vector>

#include "platform/gfx_local.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

GfxDevice g_device;
GfxContext g_context;

const char* VS_SOURCE = R"(#version 430 core
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColor;
out vec4 colour;
void main() { gl_Position = vec4(inPosition, 1.0); colour = inColor; }
)";
const char* PS_SOURCE = R"(#version 430 core
in vec4 colour;
layout(std140, binding = 16) uniform Tint { vec4 tint; };
out vec4 outColor;
void main() { outColor = colour * tint; }
)";
// Paints every pixel with the colour the texture at slot 0 has at its centre.
const char* CENTRE_SAMPLING_PS =
    "#version 430 core\nlayout(binding = 0) uniform sampler2D picture;\nout vec4 outColor;\n"
    "void main() { outColor = texture(picture, vec2(0.5)); }\n";

struct Vertex {
  float x, y, z;
  uint32_t bgra;  // 0xAARRGGBB as the renderer packs colours
};

class GfxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
    GfxAdapter adapter;
    GfxFeatureLevel levels[] = {GFX_FEATURE_LEVEL_11_0, GFX_FEATURE_LEVEL_10_0};
    GfxFeatureLevel got;
    if (GfxFailed(GfxCreateDevice(adapter, levels, 2, &g_device, &got, &g_context))) g_device = GfxDevice{};
  }
  void TearDown() override {
    GfxRelease(g_context);
    GfxRelease(g_device);
    SDL_Quit();
  }
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new GfxEnvironment);

// A small target with its own depth buffer, a shader pair and a layout for coloured triangles.
class GfxPixels : public ::testing::Test {
 protected:
  static constexpr uint32_t SIZE = 32;
  GfxTexture2D colour, depth;
  GfxRenderTargetView rtv;
  GfxDepthStencilView dsv;
  GfxVertexShader vs;
  GfxPixelShader ps;
  GfxInputLayout layout;
  GfxBuffer vertices, tint;

  void SetUp() override {
    if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
    GfxTexture2DDesc d;
    d.width = d.height = SIZE;
    d.format = GFX_FORMAT_R8G8B8A8_UNORM;
    d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &colour), GFX_OK);
    ASSERT_EQ(GfxCreateRenderTargetView(g_device, colour, nullptr, &rtv), GFX_OK);
    d.format = GFX_FORMAT_D24_UNORM_S8_UINT;
    d.bindFlags = GFX_BIND_DEPTH_STENCIL;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &depth), GFX_OK);
    ASSERT_EQ(GfxCreateDepthStencilView(g_device, depth, nullptr, &dsv), GFX_OK);
    ASSERT_EQ(GfxCreateVertexShader(g_device, VS_SOURCE, 0, &vs), GFX_OK) << GfxLastShaderLog();
    ASSERT_EQ(GfxCreatePixelShader(g_device, PS_SOURCE, 0, &ps), GFX_OK) << GfxLastShaderLog();
    GfxInputElementDesc elements[] = {
        {"POSITION", 0, GFX_FORMAT_R32G32B32_FLOAT, 0, 0, GFX_INPUT_PER_VERTEX, 0},
        {"COLOR", 0, GFX_FORMAT_B8G8R8A8_UNORM, 0, 12, GFX_INPUT_PER_VERTEX, 0},
    };
    ASSERT_EQ(GfxCreateInputLayout(g_device, elements, 2, vs, &layout), GFX_OK);
    GfxBufferDesc vb;
    vb.byteWidth = sizeof(Vertex) * 64;
    vb.usage = GFX_USAGE_DYNAMIC;
    vb.bindFlags = GFX_BIND_VERTEX_BUFFER;
    vb.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
    ASSERT_EQ(GfxCreateBuffer(g_device, vb, nullptr, &vertices), GFX_OK);
    GfxBufferDesc cb;
    cb.byteWidth = 16;
    cb.bindFlags = GFX_BIND_CONSTANT_BUFFER;
    const float ones[4] = {1, 1, 1, 1};
    GfxSubresourceData init{ones, 0, 0};
    ASSERT_EQ(GfxCreateBuffer(g_device, cb, &init, &tint), GFX_OK);

    GfxClearState(g_context);
    GfxOMSetRenderTargets(g_context, 1, &rtv, dsv);
    GfxViewport vp{0, 0, float(SIZE), float(SIZE), 0, 1};
    GfxRSSetViewports(g_context, 1, &vp);
    GfxIASetInputLayout(g_context, layout);
    uint32_t stride = sizeof(Vertex), offset = 0;
    GfxIASetVertexBuffers(g_context, 0, 1, &vertices, &stride, &offset);
    GfxIASetPrimitiveTopology(g_context, GFX_TOPOLOGY_TRIANGLELIST);
    GfxVSSetShader(g_context, vs);
    GfxPSSetShader(g_context, ps);
    GfxPSSetConstantBuffers(g_context, 0, 1, &tint);
    const float black[4] = {0, 0, 0, 0};
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH | GFX_CLEAR_STENCIL, 1.0f, 0);
  }
  void TearDown() override {
    if (!g_device) return;
    GfxClearState(g_context);
    GfxRelease(rtv), GfxRelease(dsv), GfxRelease(colour), GfxRelease(depth);
    GfxRelease(vs), GfxRelease(ps), GfxRelease(layout), GfxRelease(vertices), GfxRelease(tint);
    EXPECT_EQ(GfxLiveObjectCount(), 0);
  }

  // A buffer made from the bytes given: indices, or a constant buffer's colour.
  static GfxBuffer MadeBuffer(uint32_t bindFlags, const void* data, uint32_t bytes) {
    GfxBufferDesc d;
    d.byteWidth = bytes;
    d.bindFlags = bindFlags;
    GfxSubresourceData init{data, 0, 0};
    GfxBuffer b;
    EXPECT_EQ(GfxCreateBuffer(g_device, d, &init, &b), GFX_OK);
    return b;
  }
  // A one-texel RGBA texture holding the texel given, and a view of the whole of it.
  struct OneTexel {
    GfxTexture2D texture;
    GfxShaderResourceView view;
  };
  static OneTexel MadeTexel(const uint8_t (&texel)[4]) {
    GfxTexture2DDesc d;
    d.width = d.height = 1;
    d.format = GFX_FORMAT_R8G8B8A8_UNORM;
    d.bindFlags = GFX_BIND_SHADER_RESOURCE;
    const GfxSubresourceData init{texel, 0, 0};
    OneTexel made;
    EXPECT_EQ(GfxCreateTexture2D(g_device, d, &init, &made.texture), GFX_OK);
    EXPECT_EQ(GfxCreateShaderResourceView(g_device, made.texture, nullptr, &made.view), GFX_OK);
    return made;
  }
  // A sampler that reads the nearest texel of the nearest level.
  static GfxSamplerState MadePointSampler() {
    GfxSamplerDesc d;
    d.filter = GFX_FILTER_MIN_MAG_MIP_POINT;
    GfxSamplerState point;
    EXPECT_EQ(GfxCreateSamplerState(g_device, d, &point), GFX_OK);
    return point;
  }
  // Noted: the bytes written through the mapping are told to the layer for its fingerprints.
  void Draw(const std::vector<Vertex>& v, bool noted = false) {
    GfxMappedSubresource m;
    ASSERT_EQ(GfxMapResource(g_context, vertices, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
    std::memcpy(m.data, v.data(), v.size() * sizeof(Vertex));
    if (noted) GfxNoteWritten(vertices, 0, uint32_t(v.size() * sizeof(Vertex)), m.data);
    GfxUnmap(g_context, vertices, 0);
    GfxDraw(g_context, uint32_t(v.size()), 0);
  }
  // The colour target black, the depth target far.
  void ClearTargets() {
    const float black[4] = {0, 0, 0, 0};
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH | GFX_CLEAR_STENCIL, 1.0f, 0);
  }
  // A triangle covering the left half, or the whole target when full.
  static std::vector<Vertex> Quad(float z, uint32_t colour, float x0 = -1, float y0 = -1, float x1 = 1, float y1 = 1) {
    return {{x0, y1, z, colour}, {x1, y1, z, colour}, {x0, y0, z, colour},
            {x1, y1, z, colour}, {x1, y0, z, colour}, {x0, y0, z, colour}};
  }
  std::vector<uint8_t> Read(GfxTexture2D t, uint32_t level = 0) {
    GfxTexture2DDesc d;
    GfxGetDesc(t, &d);
    std::vector<uint8_t> out(size_t(d.width >> level) * (d.height >> level) * 4);
    EXPECT_TRUE(GfxReadTexturePixels(g_context, t, level, out.data(), out.size()));
    return out;
  }
  uint32_t Pixel(const std::vector<uint8_t>& p, uint32_t x, uint32_t y, uint32_t width = SIZE) {
    const uint8_t* q = &p[(size_t(y) * width + x) * 4];
    return uint32_t(q[3]) << 24 | uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
  }
};

TEST_F(GfxPixels, SrgbViewEncodesClearsAndTheUnormTextureKeepsTheBytes) {
  GfxRenderTargetView srgb;
  GfxViewDesc vd;
  vd.format = GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, colour, &vd, &srgb), GFX_OK);
  const float grey[4] = {128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1};
  GfxClearRenderTargetView(g_context, srgb, grey);
  EXPECT_EQ(Pixel(Read(colour), 5, 5), 0xFFBCBCBCu);  // 188: linear 0.502 encoded
  GfxClearRenderTargetView(g_context, rtv, grey);
  EXPECT_EQ(Pixel(Read(colour), 5, 5), 0xFF808080u);
  GfxRelease(srgb);
}

TEST_F(GfxPixels, ClearsIgnoreScissorAndWriteMasks) {
  GfxRasterizerDesc rd;
  rd.scissorEnable = 1;
  GfxRasterizerState scissor;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &scissor), GFX_OK);
  GfxBlendDesc bd;
  bd.renderTarget[0].renderTargetWriteMask = 0;
  GfxBlendState noWrite;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &noWrite), GFX_OK);
  GfxRSSetState(g_context, scissor);
  GfxRect r{0, 0, 4, 4};
  GfxRSSetScissorRects(g_context, 1, &r);
  GfxOMSetBlendState(g_context, noWrite, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.5f, 0xFFFF0000));  // applies both states to GL
  const float white[4] = {1, 1, 1, 1};
  GfxClearRenderTargetView(g_context, rtv, white);
  EXPECT_EQ(Pixel(Read(colour), 20, 20), 0xFFFFFFFFu);
  // And the states still hold for drawing afterwards: nothing is written.
  Draw(Quad(0.5f, 0xFFFF0000));
  EXPECT_EQ(Pixel(Read(colour), 2, 2), 0xFFFFFFFFu);
  GfxRelease(scissor), GfxRelease(noWrite);
}

TEST_F(GfxPixels, AScissorRectKeepsDrawingInsideItAndAnInsideOutOneDrawsNothing) {
  GfxRasterizerDesc rd;
  rd.scissorEnable = 1;
  GfxRasterizerState scissor;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &scissor), GFX_OK);
  GfxRSSetState(g_context, scissor);
  GfxRect inside{8, 4, 16, 12};  // columns 8..15, rows 4..11
  GfxRSSetScissorRects(g_context, 1, &inside);
  Draw(Quad(0.5f, 0xFFFF0000));
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 8, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(p, 15, 11), 0xFFFF0000u);
  EXPECT_EQ(Pixel(p, 7, 4), 0u);
  EXPECT_EQ(Pixel(p, 16, 4), 0u);
  EXPECT_EQ(Pixel(p, 8, 3), 0u);
  EXPECT_EQ(Pixel(p, 8, 12), 0u);
  // Right of its left and below its top: no area at all, so nothing is drawn.
  const float black[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxRect insideOut{16, 12, 8, 4};
  GfxRSSetScissorRects(g_context, 1, &insideOut);
  Draw(Quad(0.5f, 0xFF00FF00));
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 12, 8), 0u);
  EXPECT_EQ(Pixel(p, 0, 0), 0u);
  // Columns 8..15 but no rows: its bottom on its top (row 4), then above it (top 12,
  // bottom 4).  Not even the top row is drawn.
  for (GfxRect flat : {GfxRect{8, 4, 16, 4}, GfxRect{8, 12, 16, 4}}) {
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
    GfxRSSetScissorRects(g_context, 1, &flat);
    Draw(Quad(0.5f, 0xFF0000FF));
    p = Read(colour);
    for (uint32_t x : {8u, 12u, 15u}) EXPECT_EQ(Pixel(p, x, uint32_t(flat.top)), 0u) << x << ", " << flat.top;
  }
  // Rows 4..11 but its right left of its left (16 back to 8): no columns, so not even its
  // left column (16) is drawn.
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxRect backwards{16, 4, 8, 12};
  GfxRSSetScissorRects(g_context, 1, &backwards);
  Draw(Quad(0.5f, 0xFFFFFF00));
  p = Read(colour);
  for (uint32_t y : {4u, 8u, 11u}) {
    EXPECT_EQ(Pixel(p, 16, y), 0u) << "row " << y;
    EXPECT_EQ(Pixel(p, 12, y), 0u) << "row " << y;
  }
  GfxRelease(scissor);
}

TEST_F(GfxPixels, AViewportPlacesTheWholeClipSpaceInItsOwnRectangle) {
  GfxViewport vp{16, 8, 16, 8, 0, 1};  // columns 16..31, rows 8..15
  GfxRSSetViewports(g_context, 1, &vp);
  Draw(Quad(0.5f, 0xFFFF0000));
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 16, 8), 0xFFFF0000u);
  EXPECT_EQ(Pixel(p, 31, 15), 0xFFFF0000u);
  EXPECT_EQ(Pixel(p, 15, 8), 0u);
  EXPECT_EQ(Pixel(p, 16, 7), 0u);
  EXPECT_EQ(Pixel(p, 16, 16), 0u);
  EXPECT_EQ(Pixel(p, 8, 16), 0u);
}

TEST_F(GfxPixels, TopOfClipSpaceIsRowZeroAndClockwiseFacesTheViewer) {
  // Top half red (y from 0 to 1 is the upper half of the target).
  Draw(Quad(0.5f, 0xFFFF0000, -1, 0, 1, 1));
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 16, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(p, 16, 28), 0x00000000u);
  // Default state culls back faces: a triangle listed clockwise on screen is drawn, the
  // same corners counter-clockwise are not.
  const float black[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);  // the default state tests LESS
  std::vector<Vertex> cw = {{-1, 1, 0.5f, 0xFF00FF00}, {1, 1, 0.5f, 0xFF00FF00}, {-1, -1, 0.5f, 0xFF00FF00}};
  std::vector<Vertex> ccw = {{1, -1, 0.5f, 0xFF0000FF}, {1, 1, 0.5f, 0xFF0000FF}, {-1, -1, 0.5f, 0xFF0000FF}};
  Draw(cw);
  Draw(ccw);
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 4), 0xFF00FF00u);
  EXPECT_EQ(Pixel(p, 28, 28), 0x00000000u);
}

TEST_F(GfxPixels, DepthRunsZeroToOneAndTheViewportDepthRangeApplies) {
  GfxDepthStencilDesc dd;  // LESS, writing
  GfxDepthStencilState less;
  ASSERT_EQ(GfxCreateDepthStencilState(g_device, dd, &less), GFX_OK);
  GfxOMSetDepthStencilState(g_context, less, 0);
  Draw(Quad(0.25f, 0xFFFF0000));
  Draw(Quad(0.10f, 0xFF00FF00));  // nearer: wins
  Draw(Quad(0.20f, 0xFF0000FF));  // farther than 0.1: hidden
  EXPECT_EQ(Pixel(Read(colour), 10, 10), 0xFF00FF00u);
  // z = 0 is the near plane and is kept (GL's default range would put it mid-way at 0.5).
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 0.05f, 0);
  Draw(Quad(0.0f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 10, 10), 0xFFFFFFFFu);
  GfxRelease(less);
}

// The stencil test: a pass that marks the left half (REPLACE through a write mask of 0x0F:
// reference 0x16 stores 6), then tests against the mark with the reference and read mask
// each in its place ((3 & 0xFF) < (6 & 0xFF) on the left, not (3 < 0) on the right), an
// EQUAL test that finds the masked 6, and faces turned away from the viewer that follow the
// back face's test, not the front's.
TEST_F(GfxPixels, TheStencilMarksAndTestsWithEachFacesOwnFunctionAndMasks) {
  GfxRasterizerDesc rd;
  rd.cullMode = GFX_CULL_NONE;
  GfxRasterizerState noCull;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &noCull), GFX_OK);
  GfxRSSetState(g_context, noCull);
  const auto state = [](GfxComparison front, GfxComparison back, GfxStencilOp pass) {
    GfxDepthStencilDesc dd;
    dd.depthEnable = 0;
    dd.stencilEnable = 1;
    dd.stencilWriteMask = 0x0F;
    dd.frontFace.func = front;
    dd.backFace.func = back;
    dd.frontFace.passOp = dd.backFace.passOp = pass;
    GfxDepthStencilState made;
    EXPECT_EQ(GfxCreateDepthStencilState(g_device, dd, &made), GFX_OK);
    return made;
  };
  GfxDepthStencilState mark = state(GFX_COMPARISON_ALWAYS, GFX_COMPARISON_ALWAYS, GFX_STENCIL_OP_REPLACE);
  GfxDepthStencilState less = state(GFX_COMPARISON_LESS, GFX_COMPARISON_LESS, GFX_STENCIL_OP_KEEP);
  GfxDepthStencilState equal = state(GFX_COMPARISON_EQUAL, GFX_COMPARISON_EQUAL, GFX_STENCIL_OP_KEEP);
  GfxDepthStencilState backOnly = state(GFX_COMPARISON_NEVER, GFX_COMPARISON_ALWAYS, GFX_STENCIL_OP_KEEP);

  GfxOMSetDepthStencilState(g_context, mark, 0x16);
  Draw(Quad(0.5f, 0x00000000, -1, -1, 0, 1));  // the left half, in black
  GfxOMSetDepthStencilState(g_context, less, 3);
  Draw(Quad(0.5f, 0xFFFF0000));
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0xFFFF0000u) << "3 < 6 on the left";
  EXPECT_EQ(Pixel(p, 28, 16), 0x00000000u) << "3 < 0 fails on the right";
  GfxOMSetDepthStencilState(g_context, equal, 6);
  Draw(Quad(0.5f, 0xFF00FF00));
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0xFF00FF00u) << "only the low four bits were written";
  EXPECT_EQ(Pixel(p, 28, 16), 0x00000000u);

  // Turned away: the back face's ALWAYS draws it; facing the viewer the front's NEVER does not.
  GfxOMSetDepthStencilState(g_context, backOnly, 0);
  std::vector<Vertex> away = Quad(0.5f, 0xFF0000FF, 0, -1, 1, 1);
  std::reverse(away.begin(), away.end());
  Draw(away);
  Draw(Quad(0.5f, 0xFFFFFFFF, -1, -1, 0, 1));
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 28, 16), 0xFF0000FFu) << "a back face";
  EXPECT_EQ(Pixel(p, 4, 16), 0xFF00FF00u) << "a front face, refused";

  // Clears write every bit of the stencil whatever write mask the last state left in GL: the
  // stencil alone, then together with depth.
  const float black[4] = {0, 0, 0, 0};
  for (const uint32_t flags : {uint32_t(GFX_CLEAR_STENCIL), uint32_t(GFX_CLEAR_STENCIL | GFX_CLEAR_DEPTH)}) {
    const uint8_t value = flags & GFX_CLEAR_DEPTH ? 0x21 : 0x36;
    GfxOMSetDepthStencilState(g_context, mark, 0x16);
    Draw(Quad(0.5f, 0x00000000, -1, -1, 0, 1));  // the 0x0F write mask now in GL
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, flags, 1.0f, value);
    GfxOMSetDepthStencilState(g_context, equal, value);
    Draw(Quad(0.5f, 0xFFFFFFFF));
    p = Read(colour);
    EXPECT_EQ(Pixel(p, 4, 16), 0xFFFFFFFFu) << "stencil cleared to " << int(value);
    EXPECT_EQ(Pixel(p, 28, 16), 0xFFFFFFFFu) << "stencil cleared to " << int(value);
  }
  GfxRSSetState(g_context, GfxRasterizerState{});
  GfxRelease(noCull), GfxRelease(mark), GfxRelease(less), GfxRelease(equal), GfxRelease(backOnly);
}

// Indexed draws read their indices from the bound buffer's offset plus the first index (2
// bytes each for 16-bit indices, 4 for 32-bit ones) and add the base vertex to each.
// Vertices 0-3 are the corners of the left half in red, 4-7 those of the right half in green.
TEST_F(GfxPixels, IndexedDrawsStartAtTheirFirstIndexAndAddTheBaseVertex) {
  std::vector<Vertex> corners;
  for (const auto& [x0, x1, c] : {std::tuple{-1.0f, 0.0f, 0xFFFF0000u}, std::tuple{0.0f, 1.0f, 0xFF00FF00u}}) {
    const std::vector<Vertex> half = {{x0, 1, 0.5f, c}, {x1, 1, 0.5f, c}, {x1, -1, 0.5f, c}, {x0, -1, 0.5f, c}};
    corners.insert(corners.end(), half.begin(), half.end());
  }
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, vertices, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
  std::memcpy(m.data, corners.data(), corners.size() * sizeof(Vertex));
  GfxUnmap(g_context, vertices, 0);
  // Three indices to skip, then the two clockwise triangles of a quad's corners 0-3.
  const uint16_t shortIndices[9] = {9, 9, 9, 0, 1, 3, 1, 2, 3};
  const uint32_t longIndices[9] = {7, 7, 0, 1, 3, 1, 2, 3, 7};
  GfxBufferDesc ib;
  ib.bindFlags = GFX_BIND_INDEX_BUFFER;
  ib.byteWidth = sizeof shortIndices;
  GfxSubresourceData shortData{shortIndices, 0, 0}, longData{longIndices, 0, 0};
  GfxBuffer shorts, longs;
  ASSERT_EQ(GfxCreateBuffer(g_device, ib, &shortData, &shorts), GFX_OK);
  ib.byteWidth = sizeof longIndices;
  ASSERT_EQ(GfxCreateBuffer(g_device, ib, &longData, &longs), GFX_OK);

  GfxDrawIndexed(g_context, 6, 3, 4);  // no index buffer bound: nothing
  GfxIASetIndexBuffer(g_context, shorts, GFX_FORMAT_R16_UINT, 0);
  GfxDrawIndexed(g_context, 0, 3, 0);  // no indices: nothing
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0x00000000u);
  EXPECT_EQ(Pixel(p, 28, 16), 0x00000000u);
  GfxDrawIndexed(g_context, 6, 3, 4);  // from byte 6, corners 4-7
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0x00000000u);
  EXPECT_EQ(Pixel(p, 28, 16), 0xFF00FF00u) << "the right half, through the base vertex";
  GfxIASetIndexBuffer(g_context, longs, GFX_FORMAT_R32_UINT, 4);
  GfxDrawIndexed(g_context, 6, 1, 0);  // from byte 4 + 4
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0xFFFF0000u) << "the left half, 32-bit indices";
  EXPECT_EQ(Pixel(p, 4, 2), 0xFFFF0000u);
  EXPECT_EQ(Pixel(p, 15, 29), 0xFFFF0000u);
  GfxIASetIndexBuffer(g_context, GfxBuffer{}, GFX_FORMAT_R16_UINT, 0);
  GfxRelease(shorts), GfxRelease(longs);
}

// After something else has driven GL and the layer's record of it is reset, a draw in the
// default states fills the whole target with its colour, at its depth: nothing is left of an
// additive blend writing red only, a depth test of GREATER without depth writes, a stencil
// test that passes nothing, culling of front faces, wire frames, a scissor or depth clamping
// (a quad in front of the near plane is clipped again, not clamped onto it).  A blend then
// turned on with the default factors and operation (one, zero, add: the source replaces what
// is there) is not the reversed subtraction of ones from before.
TEST_F(GfxPixels, AfterTheGlRecordIsResetADefaultDrawSeesNoEarlierState) {
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = bd.renderTarget[0].destBlend = GFX_BLEND_ONE;
  bd.renderTarget[0].srcBlendAlpha = bd.renderTarget[0].destBlendAlpha = GFX_BLEND_ONE;
  bd.renderTarget[0].blendOp = bd.renderTarget[0].blendOpAlpha = GFX_BLEND_OP_REV_SUBTRACT;
  bd.renderTarget[0].renderTargetWriteMask = 0x1;
  GfxDepthStencilDesc dd;
  dd.depthFunc = GFX_COMPARISON_GREATER;
  dd.depthWriteMask = 0;
  dd.stencilEnable = 1;
  dd.frontFace.func = dd.backFace.func = GFX_COMPARISON_NEVER;
  GfxRasterizerDesc rd;
  rd.cullMode = GFX_CULL_FRONT;
  rd.fillMode = GFX_FILL_WIREFRAME;
  rd.scissorEnable = 1;
  rd.depthClipEnable = 0;
  GfxBlendState blend;
  GfxDepthStencilState depthStencil;
  GfxRasterizerState raster;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &blend), GFX_OK);
  ASSERT_EQ(GfxCreateDepthStencilState(g_device, dd, &depthStencil), GFX_OK);
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &raster), GFX_OK);
  GfxOMSetBlendState(g_context, blend, nullptr, 0xFFFFFFFF);
  GfxOMSetDepthStencilState(g_context, depthStencil, 0);
  GfxRSSetState(g_context, raster);
  const GfxRect corner{0, 0, 4, 4};
  GfxRSSetScissorRects(g_context, 1, &corner);
  Draw(Quad(0.5f, 0xFF808080));  // puts all of it into GL
  GfxResetGlState(g_context);

  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  GfxOMSetDepthStencilState(g_context, GfxDepthStencilState{}, 0);
  GfxRSSetState(g_context, GfxRasterizerState{});
  const float grey[4] = {0.25f, 0.25f, 0.25f, 0.25f};
  GfxClearRenderTargetView(g_context, rtv, grey);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH | GFX_CLEAR_STENCIL, 1.0f, 0);
  Draw(Quad(0.5f, 0xFF204060));
  Draw(Quad(0.6f, 0xFFFFFFFF));  // behind the first: the depth written refuses it
  Draw(Quad(-0.5f, 0xFFFFFFFF));  // in front of the near plane: clipped away
  const auto p = Read(colour);
  for (const auto& [x, y] : {std::pair{2u, 2u}, std::pair{16u, 16u}, std::pair{29u, 7u}, std::pair{5u, 30u}})
    EXPECT_EQ(Pixel(p, x, y), 0xFF204060u) << x << ", " << y;

  GfxBlendDesc replacing;
  replacing.renderTarget[0].blendEnable = 1;
  GfxBlendState replace;
  ASSERT_EQ(GfxCreateBlendState(g_device, replacing, &replace), GFX_OK);
  GfxOMSetBlendState(g_context, replace, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.4f, 0xFF080808));  // added it would be 0xFF284868; reversed, subtracted, 0xFF183858
  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF080808u) << "the source replaces the target";

  // Reset again after those default draws (depth test and back-face culling on): the first
  // draw then without a depth test and without culling draws a counter-clockwise quad behind
  // what is there; with counter-clockwise fronts, back faces culled, a clockwise one is culled.
  GfxResetGlState(g_context);
  GfxDepthStencilDesc noDepthDesc;
  noDepthDesc.depthEnable = 0;
  GfxRasterizerDesc noCullDesc;
  noCullDesc.cullMode = GFX_CULL_NONE;
  GfxRasterizerDesc ccwDesc;
  ccwDesc.frontCounterClockwise = 1;
  GfxDepthStencilState noDepth;
  GfxRasterizerState noCull, ccw;
  ASSERT_EQ(GfxCreateDepthStencilState(g_device, noDepthDesc, &noDepth), GFX_OK);
  ASSERT_EQ(GfxCreateRasterizerState(g_device, noCullDesc, &noCull), GFX_OK);
  ASSERT_EQ(GfxCreateRasterizerState(g_device, ccwDesc, &ccw), GFX_OK);
  GfxOMSetDepthStencilState(g_context, noDepth, 0);
  GfxRSSetState(g_context, noCull);
  std::vector<Vertex> backwards = Quad(0.9f, 0xFF102030);
  std::reverse(backwards.begin(), backwards.end());
  Draw(backwards);
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF102030u) << "no depth test, no culling";
  GfxResetGlState(g_context);
  GfxOMSetDepthStencilState(g_context, noDepth, 0);
  GfxRSSetState(g_context, ccw);
  Draw(Quad(0.9f, 0xFF405060));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF102030u) << "a clockwise quad is a back face now";
  GfxRSSetState(g_context, GfxRasterizerState{});

  // A texture on slot 0 after a reset is the one sampled (texels 10, 20, 30, 255).
  GfxPixelShader sampler;
  ASSERT_EQ(GfxCreatePixelShader(g_device, CENTRE_SAMPLING_PS, 0, &sampler), GFX_OK) << GfxLastShaderLog();
  auto [texture, view] = MadeTexel({10, 20, 30, 255});
  GfxResetGlState(g_context);
  GfxPSSetShader(g_context, sampler);
  GfxPSSetShaderResources(g_context, 0, 1, &view);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF0A141Eu) << "sampled after the reset";
  GfxClearState(g_context);
  GfxRelease(view), GfxRelease(texture), GfxRelease(sampler);
  GfxOMSetDepthStencilState(g_context, GfxDepthStencilState{}, 0);
  GfxRelease(blend), GfxRelease(depthStencil), GfxRelease(raster), GfxRelease(replace);
  GfxRelease(noDepth), GfxRelease(noCull), GfxRelease(ccw);
}

// A point list draws one pixel a vertex, so that one vertex, or one index, is a draw of its
// own: the centre of pixel (8, 8) of 32 is at x = 8.5 / 16 - 1, y = 1 - 8.5 / 16 in clip space.
TEST_F(GfxPixels, ASinglePointIsDrawnFromOneVertexOrOneIndex) {
  const std::vector<Vertex> points = {{8.5f / 16 - 1, 1 - 8.5f / 16, 0.5f, 0xFFFF0000},
                                      {20.5f / 16 - 1, 1 - 8.5f / 16, 0.5f, 0xFF00FF00}};
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, vertices, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
  std::memcpy(m.data, points.data(), points.size() * sizeof(Vertex));
  GfxUnmap(g_context, vertices, 0);
  const uint16_t second[1] = {1};
  GfxBufferDesc ib;
  ib.bindFlags = GFX_BIND_INDEX_BUFFER;
  ib.byteWidth = sizeof second;
  GfxSubresourceData indexData{second, 0, 0};
  GfxBuffer indices;
  ASSERT_EQ(GfxCreateBuffer(g_device, ib, &indexData, &indices), GFX_OK);
  GfxIASetPrimitiveTopology(g_context, GFX_TOPOLOGY_POINTLIST);
  GfxDraw(g_context, 1, 0);
  GfxIASetIndexBuffer(g_context, indices, GFX_FORMAT_R16_UINT, 0);
  GfxDrawIndexed(g_context, 1, 0, 0);
  GfxIASetPrimitiveTopology(g_context, GFX_TOPOLOGY_TRIANGLELIST);
  GfxIASetIndexBuffer(g_context, GfxBuffer{}, GFX_FORMAT_R16_UINT, 0);
  const auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 8, 8), 0xFFFF0000u) << "the first vertex";
  EXPECT_EQ(Pixel(p, 20, 8), 0xFF00FF00u) << "the second, by its index";
  EXPECT_EQ(Pixel(p, 9, 8), 0x00000000u) << "a point is one pixel";
  EXPECT_EQ(Pixel(p, 8, 9), 0x00000000u);
  GfxRelease(indices);
}

// A view in the padded format of a texture's own (BGRX of BGRA) reads alpha as one, whatever
// the texture holds there; the texture's own view reads the alpha it holds.
TEST_F(GfxPixels, AViewInThePaddedFormatReadsAlphaAsOne) {
  GfxPixelShader sampler;
  ASSERT_EQ(GfxCreatePixelShader(g_device, CENTRE_SAMPLING_PS, 0, &sampler), GFX_OK) << GfxLastShaderLog();
  GfxTexture2DDesc d;
  d.width = d.height = 2;
  d.mipLevels = 1;
  d.format = GFX_FORMAT_B8G8R8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  const uint8_t texels[16] = {10, 20, 30, 64, 10, 20, 30, 64, 10, 20, 30, 64, 10, 20, 30, 64};  // B G R A
  GfxSubresourceData init{texels, 0, 0};
  GfxTexture2D t;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, &init, &t), GFX_OK);
  GfxViewDesc vd;
  vd.format = GFX_FORMAT_B8G8R8X8_UNORM;
  GfxShaderResourceView padded, own;
  ASSERT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &padded), GFX_OK);
  ASSERT_EQ(GfxCreateShaderResourceView(g_device, t, nullptr, &own), GFX_OK);
  GfxPSSetShader(g_context, sampler);
  GfxPSSetShaderResources(g_context, 0, 1, &padded);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF1E140Au) << "alpha one, red 30, green 20, blue 10";
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxPSSetShaderResources(g_context, 0, 1, &own);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0x401E140Au) << "alpha 64";
  GfxClearState(g_context);
  GfxRelease(padded), GfxRelease(own), GfxRelease(t), GfxRelease(sampler);
}

// Slots set from no array of views are emptied, whatever view they held: an empty unit samples
// as black with alpha one.  The view held is the one whose handle is 1, the first handle, so
// that an emptied slot is not a slot naming handle 1.  Handles of released views are handed
// out again, the last released first: with the fixture's targets released too, making views
// of one texture reaches handle 1 within as many views as were ever alive at once.
TEST_F(GfxPixels, SlotsSetFromNoViewsAreEmptiedEvenOfTheFirstHandle) {
  GfxOMSetRenderTargets(g_context, 0, nullptr, GfxDepthStencilView{});
  GfxRelease(rtv), GfxRelease(dsv);
  rtv = GfxRenderTargetView{}, dsv = GfxDepthStencilView{};
  GfxPixelShader sampler;
  ASSERT_EQ(GfxCreatePixelShader(g_device, CENTRE_SAMPLING_PS, 0, &sampler), GFX_OK) << GfxLastShaderLog();
  auto [texture, made] = MadeTexel({10, 20, 30, 255});
  std::vector<GfxShaderResourceView> views{made};
  for (int i = 0; i < 4096 && views.back().id != 1; ++i) {
    GfxShaderResourceView another;
    ASSERT_EQ(GfxCreateShaderResourceView(g_device, texture, nullptr, &another), GFX_OK);
    views.push_back(another);
  }
  const GfxShaderResourceView first = views.back();
  ASSERT_EQ(first.id, 1u) << "no view was given the first handle";
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, colour, nullptr, &rtv), GFX_OK);
  ASSERT_EQ(GfxCreateDepthStencilView(g_device, depth, nullptr, &dsv), GFX_OK);
  GfxOMSetRenderTargets(g_context, 1, &rtv, dsv);
  GfxPSSetShader(g_context, sampler);
  GfxPSSetShaderResources(g_context, 0, 1, &first);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF0A141Eu) << "the texel of the first handle's view: 10, 20, 30";
  const float black[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxPSSetShaderResources(g_context, 0, 1, nullptr);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF000000u) << "slot 0 is empty: black, alpha one";
  GfxClearState(g_context);
  for (GfxShaderResourceView& v : views) GfxRelease(v);
  GfxRelease(texture), GfxRelease(sampler);
}

// A call that names no slots (a count of 0) changes none, whatever array it is given; and a
// vertex constant buffer past that stage's last slot (15) goes nowhere, not to the pixel
// stage's first, where the fixture's tint of ones sits.  A 2 x 2 picture sampled at its centre
// with the default (linear) sampler gives the mean of its four texels: (200 + 0 + 0 + 200) / 4
// = 100 in each channel, where a point sampler would give the bottom right's 200.
TEST_F(GfxPixels, BindingCallsOfNoSlotsOrPastTheLastSlotChangeNothing) {
  const float half[4] = {0.5f, 0.5f, 0.5f, 1};
  GfxBuffer dim = MadeBuffer(GFX_BIND_CONSTANT_BUFFER, half, sizeof half);
  const GfxBuffer pair[2] = {dim, dim};
  GfxVSSetConstantBuffers(g_context, 15, 2, pair);
  GfxPSSetConstantBuffers(g_context, 0, 0, pair);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFFFFFFFFu) << "white times the tint of ones";

  GfxTexture2DDesc d;
  d.width = d.height = 2;
  d.mipLevels = 1;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  const uint8_t texels[16] = {200, 0, 0, 255, 0, 200, 0, 255, 0, 0, 200, 255, 200, 200, 200, 255};
  const GfxSubresourceData init{texels, 8, 0};
  GfxTexture2D picture;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, &init, &picture), GFX_OK);
  GfxShaderResourceView pictureView;
  ASSERT_EQ(GfxCreateShaderResourceView(g_device, picture, nullptr, &pictureView), GFX_OK);
  auto [texel, texelView] = MadeTexel({10, 20, 30, 255});
  GfxSamplerState point = MadePointSampler();
  GfxPixelShader sampling;
  ASSERT_EQ(GfxCreatePixelShader(g_device, CENTRE_SAMPLING_PS, 0, &sampling), GFX_OK) << GfxLastShaderLog();
  GfxPSSetShader(g_context, sampling);
  GfxPSSetShaderResources(g_context, 0, 1, &pictureView);
  GfxPSSetShaderResources(g_context, 0, 0, &texelView);
  GfxPSSetSamplers(g_context, 0, 0, &point);
  const float black[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  const uint32_t mean = Pixel(Read(colour), 16, 16);
  EXPECT_NEAR(double(mean >> 16 & 0xFF), 100.0, 2.0) << std::hex << mean;
  EXPECT_NEAR(double(mean >> 8 & 0xFF), 100.0, 2.0) << std::hex << mean;
  EXPECT_NEAR(double(mean & 0xFF), 100.0, 2.0) << std::hex << mean;
  GfxClearState(g_context);
  GfxRelease(sampling), GfxRelease(point), GfxRelease(texelView), GfxRelease(texel);
  GfxRelease(pictureView), GfxRelease(picture), GfxRelease(dim);
}

// The vertex stage reads the constant buffers set for it: a shift of +1 in x from its slot 0
// moves a quad over the left half (x -1 to 0) to the right half (0 to 1).
TEST_F(GfxPixels, TheVertexStageReadsItsOwnConstantBuffers) {
  const char* shifting = R"(#version 430 core
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColor;
layout(std140, binding = 0) uniform Shift { vec4 shift; };
out vec4 colour;
void main() { gl_Position = vec4(inPosition + shift.xyz, 1.0); colour = inColor; }
)";
  GfxVertexShader shifted;
  ASSERT_EQ(GfxCreateVertexShader(g_device, shifting, 0, &shifted), GFX_OK) << GfxLastShaderLog();
  const float right[4] = {1, 0, 0, 0};
  GfxBuffer shift = MadeBuffer(GFX_BIND_CONSTANT_BUFFER, right, sizeof right);
  GfxVSSetShader(g_context, shifted);
  GfxVSSetConstantBuffers(g_context, 0, 1, &shift);
  Draw(Quad(0.5f, 0xFF00FF00, -1, -1, 0, 1));
  const auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 24, 16), 0xFF00FF00u) << "right half";
  EXPECT_EQ(Pixel(p, 8, 16), 0u) << "left half";
  GfxClearState(g_context);
  GfxRelease(shifted), GfxRelease(shift);
}

// A pair linked while a program cache is in use is kept in its file; read again, the file's
// binary stands in for compiling both stages and draws the same.  A damaged file is passed
// over (the stages are compiled at once) and written anew.
TEST_F(GfxPixels, ProgramsKeptInTheCacheFileLinkWithoutCompilingAndADamagedFileIsWrittenAnew) {
  const char* path = "program_cache_test.bin";
  std::remove(path);
  const std::string vertexSource = std::string(VS_SOURCE) + "// kept\n";
  GfxOMSetDepthStencilState(g_context, GfxDepthStencilState{}, 0);
  uint32_t shade = 0xFF200000;  // each draw's own colour, nearer than the last
  float nearness = 0.9f;
  auto drawKept = [&](bool compiledAtOnce) {
    GfxVertexShader keptVs;
    GfxPixelShader keptPs;
    ASSERT_EQ(GfxCreateVertexShader(g_device, vertexSource.c_str(), 0, &keptVs), GFX_OK) << GfxLastShaderLog();
    ASSERT_EQ(GfxCreatePixelShader(g_device, PS_SOURCE, 0, &keptPs), GFX_OK) << GfxLastShaderLog();
    EXPECT_EQ(g_gfx.shaders.Get(keptVs.id)->gl != 0, compiledAtOnce);
    GfxVSSetShader(g_context, keptVs);
    GfxPSSetShader(g_context, keptPs);
    shade += 0x00200000;
    nearness -= 0.1f;
    Draw(Quad(nearness, shade));
    EXPECT_EQ(Pixel(Read(colour), 16, 16), shade);
    EXPECT_EQ(g_gfx.shaders.Get(keptVs.id)->gl != 0, compiledAtOnce) << "the binary stood in for the compile";
    GfxVSSetShader(g_context, vs);
    GfxPSSetShader(g_context, ps);
    GfxRelease(keptVs), GfxRelease(keptPs);
  };
  auto fileStart = [&] {
    char magic[5] = {};
    if (FILE* f = std::fopen(path, "rb")) {
      EXPECT_EQ(std::fread(magic, 1, 4, f), 4u);
      std::fclose(f);
    }
    return std::string(magic);
  };

  GfxUseProgramCache(path);
  drawKept(true);
  ASSERT_EQ(GfxSaveProgramCache(), 0);
  EXPECT_EQ(fileStart(), "ZKPB");
  GfxUseProgramCache(path);  // as the next run reads it
  drawKept(false);

  if (FILE* f = std::fopen(path, "r+b")) {
    std::fseek(f, 12, SEEK_SET);  // into the driver's name
    std::fputc('?', f);
    std::fclose(f);
  }
  GfxUseProgramCache(path);
  drawKept(true);
  ASSERT_EQ(GfxSaveProgramCache(), 0);
  GfxUseProgramCache(path);
  drawKept(false);

  GfxUseProgramCache(nullptr);
  std::remove(path);
}

// The call asked for before the next draw is made once, just before it, by a plain draw and
// by an indexed one alike; the draws after it make it no more.
TEST_F(GfxPixels, TheCallBeforeTheNextDrawIsMadeOnceByEitherKindOfDraw) {
  static int calls;
  calls = 0;
  GfxCallBeforeNextDraw([] { ++calls; });
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(calls, 1);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(calls, 1);
  const uint16_t order[3] = {0, 1, 2};
  GfxBuffer indices = MadeBuffer(GFX_BIND_INDEX_BUFFER, order, sizeof order);
  GfxIASetIndexBuffer(g_context, indices, GFX_FORMAT_R16_UINT, 0);
  GfxCallBeforeNextDraw([] { ++calls; });
  GfxDrawIndexed(g_context, 3, 0, 0);
  EXPECT_EQ(calls, 2);
  GfxDrawIndexed(g_context, 3, 0, 0);
  EXPECT_EQ(calls, 2);
  GfxClearState(g_context);
  GfxRelease(indices);
}

// A compute dispatch reads its first constant buffer and its texture and writes the buffer of
// the unordered-access slot it names, one word an invocation; a clear of words 1 and 2 (of a
// view that starts at word 1) keeps words 0 and 3.  Words read back through a staging copy.
TEST_F(GfxPixels, AComputeDispatchReadsItsConstantsAndTextureAndWritesItsSlotsBuffer) {
  const char* source =
      "#version 430 core\n"
      "layout(local_size_x = 1) in;\n"
      "layout(std140, binding = 32) uniform Params { uvec4 add; };\n"
      "layout(binding = 8) uniform sampler2D picture;\n"
      "layout(std430, binding = 1) buffer Words { uint words[]; };\n"
      "void main() {\n"
      "  uint i = gl_GlobalInvocationID.x;\n"
      "  words[i] = uint(texelFetch(picture, ivec2(0, 0), 0).r * 255.0 + 0.5) + add.x + i;\n"
      "}\n";
  GfxComputeShader cs;
  ASSERT_EQ(GfxCreateComputeShader(g_device, source, 0, &cs), GFX_OK) << GfxLastShaderLog();
  GfxBufferDesc wd;
  wd.byteWidth = 16;
  wd.bindFlags = GFX_BIND_UNORDERED_ACCESS | GFX_BIND_SHADER_RESOURCE;
  const uint32_t start[4] = {0xA0, 0xA1, 0xA2, 0xA3};
  GfxSubresourceData startData{start, 0, 0};
  GfxBuffer words;
  ASSERT_EQ(GfxCreateBuffer(g_device, wd, &startData, &words), GFX_OK);
  GfxUavDesc middle{1, 2};
  GfxUnorderedAccessView part, whole;
  ASSERT_EQ(GfxCreateUnorderedAccessView(g_device, words, &middle, &part), GFX_OK);
  ASSERT_EQ(GfxCreateUnorderedAccessView(g_device, words, nullptr, &whole), GFX_OK);
  const uint32_t fives[4] = {0x55555555u, 0, 0, 0};
  GfxClearUnorderedAccessViewUint(g_context, part, fives);

  auto [picture, pictureView] = MadeTexel({7, 0, 0, 255});
  auto [other, otherView] = MadeTexel({9, 0, 0, 255});
  GfxBufferDesc cd;
  cd.byteWidth = 16;
  cd.bindFlags = GFX_BIND_CONSTANT_BUFFER;
  const uint32_t add[4] = {100, 0, 0, 0};
  GfxSubresourceData addData{add, 0, 0};
  GfxBuffer params;
  ASSERT_EQ(GfxCreateBuffer(g_device, cd, &addData, &params), GFX_OK);

  GfxCSSetShader(g_context, cs);
  GfxCSSetConstantBuffers(g_context, 0, 1, &params);
  GfxCSSetShaderResources(g_context, 0, 1, &pictureView);
  GfxCSSetUnorderedAccessViews(g_context, 1, 1, &whole);
  // The pixel stage's last slot is 7: a second view past it goes nowhere, not to the compute
  // stage's texture.
  const GfxShaderResourceView pastTheEnd[2] = {GfxShaderResourceView{}, otherView};
  GfxPSSetShaderResources(g_context, 7, 2, pastTheEnd);
  // No slot named: slot 1 keeps its view.
  GfxCSSetUnorderedAccessViews(g_context, 1, 0, nullptr);
  GfxDispatch(g_context, 2, 1, 1);  // words 0 and 1: 7 + 100 + i

  GfxBufferDesc sd = wd;
  sd.bindFlags = 0;
  sd.usage = GFX_USAGE_STAGING;
  sd.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  GfxBuffer staging;
  ASSERT_EQ(GfxCreateBuffer(g_device, sd, nullptr, &staging), GFX_OK);
  GfxCopyResource(g_context, staging, words);
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, staging, 0, GFX_MAP_READ, &m), GFX_OK);
  uint32_t got[4];
  std::memcpy(got, m.data, sizeof got);
  GfxUnmap(g_context, staging, 0);
  EXPECT_EQ(got[0], 107u);
  EXPECT_EQ(got[1], 108u);
  EXPECT_EQ(got[2], 0x55555555u) << "cleared, not dispatched";
  EXPECT_EQ(got[3], 0xA3u) << "neither cleared nor dispatched";
  GfxCSSetUnorderedAccessViews(g_context, 1, 1, nullptr);
  GfxCSSetShaderResources(g_context, 0, 1, nullptr);
  GfxCSSetConstantBuffers(g_context, 0, 1, nullptr);
  GfxCSSetShader(g_context, GfxComputeShader{});
  GfxRelease(part), GfxRelease(whole), GfxRelease(words), GfxRelease(staging), GfxRelease(params);
  GfxPSSetShaderResources(g_context, 7, 1, nullptr);
  GfxRelease(pictureView), GfxRelease(picture), GfxRelease(otherView), GfxRelease(other), GfxRelease(cs);
}

// The rasterizer's other settings reach GL: without depth clipping a quad in front of the near
// plane (z -0.5) is drawn, clamped to depth 0, where with it the quad is cut away; a wire frame
// draws a quad's edges and not its middle; and a depth bias of -1000 units brings a quad at
// the same depth as one drawn before through a LESS test that the unbiased one fails.
TEST_F(GfxPixels, DepthClampWireFramesAndDepthBiasReachThePixels) {
  const auto raster = [](void (*change)(GfxRasterizerDesc&)) {
    GfxRasterizerDesc rd;
    change(rd);
    GfxRasterizerState made;
    EXPECT_EQ(GfxCreateRasterizerState(g_device, rd, &made), GFX_OK);
    return made;
  };
  GfxRasterizerState clamp = raster([](GfxRasterizerDesc& d) { d.depthClipEnable = 0; });
  GfxRasterizerState wire = raster([](GfxRasterizerDesc& d) { d.fillMode = GFX_FILL_WIREFRAME; });
  GfxRasterizerState biased = raster([](GfxRasterizerDesc& d) { d.depthBias = -1000; });
  const float black[4] = {0, 0, 0, 0};

  Draw(Quad(-0.5f, 0xFFFF0000));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0x00000000u) << "in front of the near plane: clipped";
  GfxRSSetState(g_context, clamp);
  Draw(Quad(-0.5f, 0xFFFF0000));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFFFF0000u) << "clamped to the near plane";

  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxRSSetState(g_context, wire);
  Draw(Quad(0.5f, 0xFF00FF00, -0.5f, -0.5f, 0.5f, 0.5f));  // pixels 8 to 24
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 16, 16), 0x00000000u) << "the middle of a wire frame";
  EXPECT_EQ(Pixel(p, 16, 8), 0xFF00FF00u) << "its top edge";

  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxRSSetState(g_context, GfxRasterizerState{});
  Draw(Quad(0.5f, 0xFFFF0000));
  Draw(Quad(0.5f, 0xFF0000FF, -1, -1, 0, 1));  // the left half, unbiased: refused
  GfxRSSetState(g_context, biased);
  Draw(Quad(0.5f, 0xFF00FF00, 0, -1, 1, 1));  // the right half, biased towards the viewer
  p = Read(colour);
  EXPECT_EQ(Pixel(p, 8, 16), 0xFFFF0000u) << "the same depth fails LESS";
  EXPECT_EQ(Pixel(p, 24, 16), 0xFF00FF00u) << "biased nearer, it passes";
  GfxRSSetState(g_context, GfxRasterizerState{});
  GfxRelease(clamp), GfxRelease(wire), GfxRelease(biased);
}

// Each vertex format and semantic reaches the vertex shader at its own location with its own
// components: NORMAL at 1, COLOR n at 2 + n, TEXCOORD n at 4 + n; floats of 32 and 16 bits,
// bytes read as 0..1 or -1..1, and whole numbers; components a format lacks read as 0 (1 for
// alpha).  The shader hands the value on as the colour, so 51/255 (0.2) reads back as 51.
TEST_F(GfxPixels, EachVertexFormatReachesItsSemanticsLocation) {
  struct Input {
    float x, y, z;
    uint8_t value[16];
  };
  const auto bytesOf = [](const void* from, size_t n) {
    std::vector<uint8_t> out(16, 0);
    std::memcpy(out.data(), from, n);
    return out;
  };
  const float four[4] = {0.2f, 0.4f, 0.6f, 0.8f};
  // Bytes past the components a format reads are not zero, so a component too many shows.
  const float first[4] = {0.6f, 0.2f, 0.4f, 0.8f};
  const uint16_t halves[4] = {0x3400, 0x3A00, 0x3C00, 0x3C00};  // 0.25 and 0.75: 63.75 and 191.25 of 255
  const uint8_t unorm[4] = {51, 102, 153, 204};
  const uint8_t snorm[4] = {127, 0, 0, 127};  // 1, 0, 0, 1
  const uint32_t word = 51;
  const struct {
    const char* semantic;
    uint32_t index;
    int location;
    GfxFormat format;
    std::vector<uint8_t> bytes;
    uint32_t argb;
  } cases[] = {
      {"NORMAL", 0, 1, GFX_FORMAT_R32G32B32A32_FLOAT, bytesOf(four, sizeof four), 0xCC336699u},
      {"COLOR", 1, 3, GFX_FORMAT_R32G32_FLOAT, bytesOf(four, sizeof four), 0xFF336600u},
      {"TEXCOORD", 0, 4, GFX_FORMAT_R32_FLOAT, bytesOf(first, sizeof first), 0xFF990000u},
      {"TEXCOORD", 1, 5, GFX_FORMAT_R8G8B8A8_UNORM, bytesOf(unorm, sizeof unorm), 0xCC336699u},
      {"TEXCOORD", 2, 6, GFX_FORMAT_R8G8B8A8_SNORM, bytesOf(snorm, sizeof snorm), 0xFFFF0000u},
      {"TEXCOORD", 3, 7, GFX_FORMAT_R16G16_FLOAT, bytesOf(halves, sizeof halves), 0xFF40BF00u},
      {"COLOR", 0, 2, GFX_FORMAT_R32_UINT, bytesOf(&word, sizeof word), 0xFF330000u},
  };
  GfxBufferDesc bd;
  bd.byteWidth = sizeof(Input) * 6;
  bd.usage = GFX_USAGE_DYNAMIC;
  bd.bindFlags = GFX_BIND_VERTEX_BUFFER;
  bd.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
  GfxBuffer inputs;
  ASSERT_EQ(GfxCreateBuffer(g_device, bd, nullptr, &inputs), GFX_OK);
  const float black[4] = {0, 0, 0, 0};
  for (const auto& c : cases) {
    const bool whole = c.format == GFX_FORMAT_R32_UINT;
    const std::string source = "#version 430 core\nlayout(location = 0) in vec3 inPosition;\nlayout(location = " +
                               std::to_string(c.location) + (whole ? ") in uint inValue;\n" : ") in vec4 inValue;\n") +
                               "out vec4 colour;\nvoid main() { gl_Position = vec4(inPosition, 1.0); colour = " +
                               (whole ? "vec4(float(inValue) / 255.0, 0.0, 0.0, 1.0)" : "inValue") + "; }\n";
    GfxVertexShader shader;
    ASSERT_EQ(GfxCreateVertexShader(g_device, source.c_str(), 0, &shader), GFX_OK) << GfxLastShaderLog();
    const GfxInputElementDesc elements[] = {
        {"POSITION", 0, GFX_FORMAT_R32G32B32_FLOAT, 0, 0, GFX_INPUT_PER_VERTEX, 0},
        {c.semantic, c.index, c.format, 0, 12, GFX_INPUT_PER_VERTEX, 0},
    };
    GfxInputLayout inputLayout;
    ASSERT_EQ(GfxCreateInputLayout(g_device, elements, 2, shader, &inputLayout), GFX_OK) << c.semantic << c.index;
    std::vector<Input> quad;
    for (const Vertex& v : Quad(0.5f, 0)) {
      Input in{v.x, v.y, v.z, {}};
      std::memcpy(in.value, c.bytes.data(), 16);
      quad.push_back(in);
    }
    GfxMappedSubresource m;
    ASSERT_EQ(GfxMapResource(g_context, inputs, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
    std::memcpy(m.data, quad.data(), quad.size() * sizeof(Input));
    GfxUnmap(g_context, inputs, 0);
    const uint32_t stride = sizeof(Input), offset = 0;
    GfxIASetVertexBuffers(g_context, 0, 1, &inputs, &stride, &offset);
    GfxIASetInputLayout(g_context, inputLayout);
    GfxVSSetShader(g_context, shader);
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
    GfxDraw(g_context, 6, 0);
    EXPECT_EQ(Pixel(Read(colour), 16, 16), c.argb) << c.semantic << " " << c.index << ", format " << c.format;
    GfxVSSetShader(g_context, vs);
    GfxIASetInputLayout(g_context, layout);
    GfxRelease(inputLayout), GfxRelease(shader);
  }
  const uint32_t stride = sizeof(Vertex), offset = 0;
  GfxIASetVertexBuffers(g_context, 0, 1, &vertices, &stride, &offset);
  GfxRelease(inputs);
}

// The colour's and alpha's blend equations are each their own: over 0.6 (153) a source of 0.2
// (51) with both factors one gives 0.6 - 0.2 = 102 reversed-subtracted, 0.2 - 0.6 = 0 (held at
// nothing) subtracted, 51 the least and 153 the most.
TEST_F(GfxPixels, TheColoursAndTheAlphasBlendEquationsAreEachTheirOwn) {
  const struct {
    GfxBlendOp colour, alpha;
    uint32_t argb;
  } rows[] = {{GFX_BLEND_OP_REV_SUBTRACT, GFX_BLEND_OP_SUBTRACT, 0x00666666u},
              {GFX_BLEND_OP_MIN, GFX_BLEND_OP_MAX, 0x99333333u},
              {GFX_BLEND_OP_MAX, GFX_BLEND_OP_ADD, 0xCC999999u}};
  const float base[4] = {0.6f, 0.6f, 0.6f, 0.6f};
  for (const auto& r : rows) {
    GfxBlendDesc bd;
    GfxRenderTargetBlendDesc& t = bd.renderTarget[0];
    t.blendEnable = 1;
    t.srcBlend = t.destBlend = t.srcBlendAlpha = t.destBlendAlpha = GFX_BLEND_ONE;
    t.blendOp = r.colour;
    t.blendOpAlpha = r.alpha;
    GfxBlendState blend;
    ASSERT_EQ(GfxCreateBlendState(g_device, bd, &blend), GFX_OK);
    GfxOMSetBlendState(g_context, blend, nullptr, 0xFFFFFFFF);
    GfxClearRenderTargetView(g_context, rtv, base);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
    Draw(Quad(0.5f, 0x33333333));
    EXPECT_EQ(Pixel(Read(colour), 16, 16), r.argb) << "colour " << r.colour << ", alpha " << r.alpha;
    GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
    GfxRelease(blend);
  }
}

// A depth state's test and its write switch reach GL: over depth 0.5, GREATER without writes
// lets 0.7 and then 0.6 through (0.7 was not written); LESS_EQUAL with writes lets 0.3 through
// on the left and writes it, so that LESS then refuses 0.4 there but not on the right.
TEST_F(GfxPixels, DepthTestsAndDepthWritesFollowTheState) {
  GfxDepthStencilDesc dd;
  dd.depthFunc = GFX_COMPARISON_GREATER;
  dd.depthWriteMask = 0;
  GfxDepthStencilState greaterNoWrite, lessEqual;
  ASSERT_EQ(GfxCreateDepthStencilState(g_device, dd, &greaterNoWrite), GFX_OK);
  dd.depthFunc = GFX_COMPARISON_LESS_EQUAL;
  dd.depthWriteMask = 1;
  ASSERT_EQ(GfxCreateDepthStencilState(g_device, dd, &lessEqual), GFX_OK);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 0.5f, 0);
  GfxOMSetDepthStencilState(g_context, greaterNoWrite, 0);
  Draw(Quad(0.7f, 0xFFFF0000));
  Draw(Quad(0.6f, 0xFF00FF00));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFF00FF00u) << "0.6 > 0.5: the 0.7 before was not written";
  GfxOMSetDepthStencilState(g_context, lessEqual, 0);
  Draw(Quad(0.3f, 0xFF0000FF, -1, -1, 0, 1));  // the left half
  EXPECT_EQ(Pixel(Read(colour), 8, 16), 0xFF0000FFu) << "0.3 <= 0.5";
  GfxOMSetDepthStencilState(g_context, GfxDepthStencilState{}, 0);
  Draw(Quad(0.4f, 0xFFFFFFFF));
  const auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 8, 16), 0xFF0000FFu) << "0.4 < 0.3 fails where 0.3 was written";
  EXPECT_EQ(Pixel(p, 24, 16), 0xFFFFFFFFu) << "0.4 < 0.5";
  GfxRelease(greaterNoWrite), GfxRelease(lessEqual);
}

// Culling follows the state's face and winding: culling front faces drops the clockwise quad
// and keeps the counter-clockwise one; with counter-clockwise as the front, culling back faces
// drops the clockwise one.
TEST_F(GfxPixels, CullingFollowsTheCulledFaceAndTheFrontsWinding) {
  const std::vector<Vertex> clockwise = Quad(0.5f, 0xFFFF0000, -1, -1, 0, 1);  // the left half
  std::vector<Vertex> counter = Quad(0.5f, 0xFF00FF00, 0, -1, 1, 1);            // the right half
  std::reverse(counter.begin(), counter.end());
  const float black[4] = {0, 0, 0, 0};
  for (const bool cullFront : {true, false}) {
    GfxRasterizerDesc rd;
    rd.cullMode = cullFront ? GFX_CULL_FRONT : GFX_CULL_BACK;
    rd.frontCounterClockwise = cullFront ? 0 : 1;
    GfxRasterizerState state;
    ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &state), GFX_OK);
    GfxRSSetState(g_context, state);
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
    Draw(clockwise);
    Draw(counter);
    const auto p = Read(colour);
    EXPECT_EQ(Pixel(p, 8, 16), 0x00000000u) << (cullFront ? "front culled" : "back culled");
    EXPECT_EQ(Pixel(p, 24, 16), 0xFF00FF00u) << (cullFront ? "front culled" : "back culled");
    GfxRSSetState(g_context, GfxRasterizerState{});
    GfxRelease(state);
  }
}

// A block-compressed texture can be viewed in the other format of its pair (sRGB or not,
// signed or not: the same blocks), and never in an uncompressed format of as many bytes a
// texel as its block has.
TEST_F(GfxPixels, CompressedTexturesAreViewedInTheirTwinFormatOnly) {
  const GfxFormat pairs[][2] = {
      {GFX_FORMAT_BC1_UNORM, GFX_FORMAT_BC1_UNORM_SRGB}, {GFX_FORMAT_BC2_UNORM, GFX_FORMAT_BC2_UNORM_SRGB},
      {GFX_FORMAT_BC3_UNORM, GFX_FORMAT_BC3_UNORM_SRGB}, {GFX_FORMAT_BC4_UNORM, GFX_FORMAT_BC4_SNORM},
      {GFX_FORMAT_BC5_UNORM, GFX_FORMAT_BC5_SNORM},      {GFX_FORMAT_BC6H_UF16, GFX_FORMAT_BC6H_SF16},
      {GFX_FORMAT_BC7_UNORM, GFX_FORMAT_BC7_UNORM_SRGB},
  };
  for (const auto& pair : pairs) {
    for (int way = 0; way < 2; ++way) {
      GfxTexture2DDesc d;
      d.width = d.height = 4;
      d.mipLevels = 1;
      d.format = pair[way];
      d.bindFlags = GFX_BIND_SHADER_RESOURCE;
      GfxTexture2D t;
      ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &t), GFX_OK) << d.format;
      GfxViewDesc vd;
      vd.format = pair[1 - way];
      GfxShaderResourceView view;
      EXPECT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &view), GFX_OK) << d.format << " as " << vd.format;
      GfxRelease(view);
      const bool eight = GfxGetFormatInfo(d.format).bytesPerPixel == 8;
      vd.format = eight ? GFX_FORMAT_R16G16B16A16_FLOAT : GFX_FORMAT_R32G32B32A32_FLOAT;
      EXPECT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &view), GFX_E_INVALIDARG) << d.format;
      GfxRelease(t);
    }
  }
}

// Targets set with a count of none bind the depth view alone, whatever the array holds: a
// draw then writes depth (a later colour draw at the same depth fails LESS) and no colour.
TEST_F(GfxPixels, NoColourTargetsBindTheDepthViewAlone) {
  GfxOMSetRenderTargets(g_context, 0, &rtv, dsv);
  Draw(Quad(0.5f, 0xFFFF0000));
  GfxOMSetRenderTargets(g_context, 1, &rtv, dsv);
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0x00000000u) << "no colour written";
  Draw(Quad(0.5f, 0xFF00FF00));
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0x00000000u) << "the depth was written";
}

// A clear of no view, and a draw with no targets bound, have nothing to draw to: neither makes
// a GL call, and the target cleared before them keeps its colour.
TEST_F(GfxPixels, AClearOfNoViewAndADrawWithNoTargetsMakeNoGlCall) {
  const float red[4] = {1, 0, 0, 1};
  GfxClearRenderTargetView(g_context, rtv, red);
  const float green[4] = {0, 1, 0, 1};
  uint64_t before = GfxGlCallCount();
  GfxClearRenderTargetView(g_context, GfxRenderTargetView{}, green);
  EXPECT_EQ(GfxGlCallCount() - before, 0u) << "a clear of no view";
  GfxOMSetRenderTargets(g_context, 0, nullptr, GfxDepthStencilView{});
  Draw(Quad(0.5f, 0xFF0000FF));  // the first draw lets go of the target's framebuffer
  before = GfxGlCallCount();
  GfxDraw(g_context, 6, 0);
  EXPECT_EQ(GfxGlCallCount() - before, 0u) << "a draw with no targets";
  GfxOMSetRenderTargets(g_context, 1, &rtv, dsv);
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFFFF0000u) << "still the red of its own clear";
}

// Each bit of a write mask lets one channel through: 1 red, 2 green, 4 blue, 8 alpha.
TEST_F(GfxPixels, EachBitOfTheWriteMaskWritesItsOwnChannel) {
  const struct {
    uint8_t mask;
    uint32_t argb;
  } rows[] = {{0x1, 0x00FF0000u}, {0x2, 0x0000FF00u}, {0x4, 0x000000FFu},
              {0x8, 0xFF000000u}, {0x5, 0x00FF00FFu}, {0xA, 0xFF00FF00u}};
  const float black[4] = {0, 0, 0, 0};
  for (const auto& r : rows) {
    GfxBlendDesc bd;
    bd.renderTarget[0].renderTargetWriteMask = r.mask;
    GfxBlendState masked;
    ASSERT_EQ(GfxCreateBlendState(g_device, bd, &masked), GFX_OK);
    GfxOMSetBlendState(g_context, masked, nullptr, 0xFFFFFFFF);
    GfxClearRenderTargetView(g_context, rtv, black);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
    Draw(Quad(0.5f, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(Read(colour), 8, 8), r.argb) << "mask " << int(r.mask);
    GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
    GfxRelease(masked);
  }
}

TEST_F(GfxPixels, ConstantBuffersAndBlendingReachThePixels) {
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_ONE;
  bd.renderTarget[0].destBlend = GFX_BLEND_ONE;
  GfxBlendState add;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &add), GFX_OK);
  GfxOMSetBlendState(g_context, add, nullptr, 0xFFFFFFFF);
  const float half[4] = {0.5f, 0.5f, 0.5f, 1};
  GfxUpdateSubresource(g_context, tint, 0, nullptr, half, 0, 0);
  Draw(Quad(0.5f, 0xFF804020));
  Draw(Quad(0.4f, 0xFF804020));  // nearer, as the default depth state passes LESS only
  uint32_t p = Pixel(Read(colour), 8, 8);
  EXPECT_NEAR(int((p >> 16) & 0xFF), 0x80, 1);
  EXPECT_NEAR(int((p >> 8) & 0xFF), 0x40, 1);
  EXPECT_NEAR(int(p & 0xFF), 0x20, 1);
  GfxRelease(add);
}

// The fingerprint of what a texture holds: the same clear and draws from the same inputs give
// the same one again; a changed constant, or vertices written without a note, another.  Draws
// into a texture being skipped are fingerprinted as if drawn and leave its pixels alone.
TEST_F(GfxPixels, FingerprintsFollowWhatTheDrawsTakeAndSkippedDrawsLeaveThePixels) {
  ClearTargets();
  const uint64_t cleared = GfxContentFingerprint(colour);
  Draw(Quad(0.5f, 0xFFFF0000), true);
  const uint64_t red = GfxContentFingerprint(colour);
  EXPECT_NE(red, cleared);
  ClearTargets();
  EXPECT_EQ(GfxContentFingerprint(colour), cleared) << "a clear starts afresh";
  Draw(Quad(0.5f, 0xFFFF0000), true);
  EXPECT_EQ(GfxContentFingerprint(colour), red) << "the same draw from the same inputs";

  const float half[4] = {0.5f, 0.5f, 0.5f, 1}, ones[4] = {1, 1, 1, 1};
  GfxUpdateSubresource(g_context, tint, 0, nullptr, half, 0, 0);
  ClearTargets();
  Draw(Quad(0.5f, 0xFFFF0000), true);
  EXPECT_NE(GfxContentFingerprint(colour), red) << "another constant";
  GfxUpdateSubresource(g_context, tint, 0, nullptr, ones, 0, 0);
  ClearTargets();
  Draw(Quad(0.5f, 0xFFFF0000));
  EXPECT_NE(GfxContentFingerprint(colour), red) << "vertices written without a note";

  // Green drawn, then a red frame only fingerprinted: the pixels stay green.
  ClearTargets();
  Draw(Quad(0.5f, 0xFF00FF00), true);
  GfxSkipDrawsInto(colour);
  ClearTargets();
  Draw(Quad(0.5f, 0xFFFF0000), true);
  EXPECT_EQ(GfxContentFingerprint(colour), red);
  GfxSkipDrawsInto(GfxTexture2D{});
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF00FF00u);
}

// A watch of the draws into a texture: the first ones, as foreseen, are skipped and the
// picture taken where they ended in the stretch before is copied in; one not foreseen fails
// the stretch and leaves the pixels alone.
TEST_F(GfxPixels, WatchedDrawsAsForeseenAreSkippedAndTheirPictureCopiedIn) {
  GfxTexture2DDesc d;
  GfxGetDesc(colour, &d);
  GfxTexture2D picture;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &picture), GFX_OK);
  // Red on the left, then the right half in the colour given; each draw's vertices noted.
  const auto stretch = [&](uint32_t right) {
    ClearTargets();
    Draw(Quad(0.5f, 0xFFFF0000, -1, -1, 0, 1), true);
    Draw(Quad(0.5f, right, 0, -1, 1, 1), true);
  };
  const auto watched = [&](GfxWriteWatch& watch, uint32_t right) {
    GfxWatchWrites(&watch);
    stretch(right);
    GfxWatchWrites(nullptr);
  };
  GfxWriteWatch first;
  first.texture = colour;
  watched(first, 0xFF0000FF);
  ASSERT_EQ(first.written.size(), 3u) << "the clear and the two draws";
  // A watch foreseeing the first stretch's writes, skipping the first of them.
  const auto following = [&](size_t skip) {
    GfxWriteWatch watch;
    watch.texture = colour;
    watch.expected = first.written;
    watch.skip = skip;
    watch.resume = skip ? picture : GfxTexture2D{};
    return watch;
  };
  GfxWriteWatch again = following(0);
  again.snapshot = picture;
  again.snapshotBefore = 2;
  watched(again, 0xFF0000FF);
  EXPECT_EQ(again.written, first.written) << "the same draws from the same inputs";
  EXPECT_EQ(again.snapshotAt, 2u);
  EXPECT_EQ(Pixel(Read(picture), 24, 8), 0u) << "taken before the right half";

  // Over a green target: the clear and the red half are skipped, the picture copied in, and
  // the yellow half drawn.
  Draw(Quad(0.1f, 0xFF00FF00));
  GfxWriteWatch second = following(2);
  watched(second, 0xFFFFFF00);
  EXPECT_FALSE(second.failed);
  EXPECT_EQ(second.written[0], first.written[0]);
  EXPECT_NE(second.written[2], first.written[2]);
  std::vector<uint8_t> pixels = Read(colour);
  EXPECT_EQ(Pixel(pixels, 8, 8), 0xFFFF0000u);
  EXPECT_EQ(Pixel(pixels, 24, 8), 0xFFFFFF00u);

  // The first draw not the one foreseen: nothing from there on is drawn.
  GfxWriteWatch third = following(3);
  GfxWatchWrites(&third);
  stretch(0xFF0000FF);
  EXPECT_FALSE(third.failed) << "as foreseen";
  EXPECT_EQ(Pixel(Read(colour), 24, 8), 0u) << "the picture from before the right half";
  third.written.clear();
  third.failed = false;
  third.skip = 1;
  const float white[4] = {1, 1, 1, 1};
  GfxClearRenderTargetView(g_context, rtv, white);
  GfxWatchWrites(nullptr);
  EXPECT_TRUE(third.failed);
  EXPECT_EQ(Pixel(Read(colour), 24, 8), 0u);
  GfxRelease(picture);
}

TEST_F(GfxPixels, UnchangedStateMakesNoGlCall) {
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_SRC_ALPHA;
  bd.renderTarget[0].destBlend = GFX_BLEND_INV_SRC_ALPHA;
  GfxBlendState a, b;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &a), GFX_OK);
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &b), GFX_OK);  // the same values in another object
  GfxOMSetBlendState(g_context, a, nullptr, 0xFFFFFFFF);
  GfxDraw(g_context, 3, 0);
  uint64_t before = GfxGlCallCount();
  GfxDraw(g_context, 3, 0);
  EXPECT_EQ(GfxGlCallCount() - before, 1u);  // the draw alone
  before = GfxGlCallCount();
  GfxOMSetBlendState(g_context, a, nullptr, 0xFFFFFFFF);
  GfxPSSetConstantBuffers(g_context, 0, 1, &tint);
  GfxIASetInputLayout(g_context, layout);
  GfxDraw(g_context, 3, 0);
  EXPECT_EQ(GfxGlCallCount() - before, 1u);
  before = GfxGlCallCount();
  GfxOMSetBlendState(g_context, b, nullptr, 0xFFFFFFFF);
  GfxDraw(g_context, 3, 0);
  EXPECT_EQ(GfxGlCallCount() - before, 1u);
  GfxRelease(a), GfxRelease(b);
}

// The same scissor rect set again, and another blend state of the same values with the same
// blend factor, make no GL call besides the draw's.
TEST_F(GfxPixels, TheSameScissorAndBlendFactorSetAgainMakeNoGlCall) {
  GfxRasterizerDesc rd;
  rd.scissorEnable = 1;
  GfxRasterizerState scissor;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &scissor), GFX_OK);
  GfxRSSetState(g_context, scissor);
  const GfxRect box{4, 4, 20, 20};
  GfxRSSetScissorRects(g_context, 1, &box);
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_BLEND_FACTOR;
  bd.renderTarget[0].destBlend = GFX_BLEND_ZERO;
  GfxBlendState a, b;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &a), GFX_OK);
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &b), GFX_OK);
  const float factor[4] = {0.5f, 0.25f, 0.75f, 1};
  GfxOMSetBlendState(g_context, a, factor, 0xFFFFFFFF);
  GfxDraw(g_context, 3, 0);
  const uint64_t before = GfxGlCallCount();
  GfxRSSetScissorRects(g_context, 1, &box);
  GfxOMSetBlendState(g_context, b, factor, 0xFFFFFFFF);
  GfxDraw(g_context, 3, 0);
  EXPECT_EQ(GfxGlCallCount() - before, 1u);  // the draw alone
  GfxClearState(g_context);
  GfxRelease(scissor), GfxRelease(a), GfxRelease(b);
}

// A reset of the GL record puts back each state and each binding once, and binds nothing
// past the layer's slots: 23 state calls (program, vertex array and framebuffer 3; blending,
// its functions and equations, the colour mask and alpha to coverage 5; the depth test, its
// function and mask 3; the stencil test and mask 2; culling, the culled face, the front's
// winding, the fill mode, the two offset switches and the offset 7; scissor, depth clamp and
// the clip origin 3), 48 uniform-block unbinds (16 for each of the three stages), 4 storage-buffer unbinds
// (slots 0 to 3), 3 calls on each of the 10 texture units 0 to 9 (the 8 pixel units, the
// compute unit 8 and the scratch unit 9: select it, unbind the plain and the multisampled
// texture), 8 sampler unbinds for the pixel units, and the final select of unit 0:
// 23 + 48 + 4 + 30 + 8 + 1 = 114.
TEST_F(GfxPixels, AResetOfTheGlRecordMakesOneCallPerStateAndPerSlot) {
  Draw(Quad(0.5f, 0xFF808080));
  const uint64_t before = GfxGlCallCount();
  GfxResetGlState(g_context);
  EXPECT_EQ(GfxGlCallCount() - before, 114u);
}

TEST_F(GfxPixels, MipLevelTargetsAndStagingCopies) {
  GfxTexture2DDesc d;
  d.width = 16;
  d.height = 8;
  d.mipLevels = 0;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D t;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &t), GFX_OK);
  GfxTexture2DDesc got;
  GfxGetDesc(t, &got);
  EXPECT_EQ(got.mipLevels, 5u);
  GfxViewDesc vd;
  vd.mipSlice = 2;
  GfxRenderTargetView level2;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, t, &vd, &level2), GFX_OK);
  const float blue[4] = {0, 0, 1, 1};
  GfxClearRenderTargetView(g_context, level2, blue);
  // Copied whole into a second texture on the GPU, and from there into the staging one.
  GfxTexture2D copy;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &copy), GFX_OK);
  GfxCopyResource(g_context, copy, t);
  d.usage = GFX_USAGE_STAGING;
  d.bindFlags = 0;
  d.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  GfxTexture2D staging;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &staging), GFX_OK);
  GfxCopyResource(g_context, staging, copy);
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, staging, 2, GFX_MAP_READ, &m), GFX_OK);
  EXPECT_EQ(m.rowPitch, 16u);  // 4 pixels of 4 bytes
  const uint8_t* px = static_cast<const uint8_t*>(m.data);
  EXPECT_EQ(px[2], 255);
  EXPECT_EQ(px[3], 255);
  GfxUnmap(g_context, staging, 2);
  GfxRelease(level2), GfxRelease(t), GfxRelease(copy), GfxRelease(staging);
}

// A tall 2 x 8 chain of staging RGBA8: levels 2x8, 1x4, 1x2 and 1x1, one after another in
// memory; each texel's bytes are (level, x, y, 7) so that any misplaced byte shows.
TEST_F(GfxPixels, StagingLevelsOfATallChainAreLaidOutCopiedAndUpdatedInPlace) {
  const uint32_t sides[4][2] = {{2, 8}, {1, 4}, {1, 2}, {1, 1}};
  std::vector<uint8_t> levels[4];
  GfxSubresourceData init[4];
  for (uint32_t l = 0; l < 4; ++l) {
    // Level 0 is given with rows of 12 bytes (4 of padding); the others tight.
    const uint32_t pitch = l == 0 ? 12 : sides[l][0] * 4;
    levels[l].assign(size_t(pitch) * sides[l][1], 0xEE);
    for (uint32_t y = 0; y < sides[l][1]; ++y)
      for (uint32_t x = 0; x < sides[l][0]; ++x) {
        uint8_t* p = &levels[l][y * pitch + x * 4];
        p[0] = uint8_t(l), p[1] = uint8_t(x), p[2] = uint8_t(y), p[3] = 7;
      }
    init[l] = GfxSubresourceData{levels[l].data(), l == 0 ? 12u : 0u, 0};
  }
  GfxTexture2DDesc d;
  d.width = 2;
  d.height = 8;
  d.mipLevels = 0;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.usage = GFX_USAGE_STAGING;
  d.cpuAccessFlags = GFX_CPU_ACCESS_READ | GFX_CPU_ACCESS_WRITE;
  GfxTexture2D tall;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, init, &tall), GFX_OK);
  GfxTexture2DDesc got;
  GfxGetDesc(tall, &got);
  ASSERT_EQ(got.mipLevels, 4u);
  const uint8_t* level0 = nullptr;
  const size_t offsets[4] = {0, 64, 80, 88};  // after 2x8, 1x4 and 1x2 texels of 4 bytes
  for (uint32_t l = 0; l < 4; ++l) {
    GfxMappedSubresource m;
    ASSERT_EQ(GfxMapResource(g_context, tall, l, GFX_MAP_READ, &m), GFX_OK) << l;
    const uint8_t* px = static_cast<const uint8_t*>(m.data);
    if (l == 0) level0 = px;
    EXPECT_EQ(size_t(px - level0), offsets[l]) << l;
    EXPECT_EQ(m.rowPitch, sides[l][0] * 4) << l;
    EXPECT_EQ(m.depthPitch, sides[l][0] * sides[l][1] * 4) << l;
    for (uint32_t y = 0; y < sides[l][1]; ++y)
      for (uint32_t x = 0; x < sides[l][0]; ++x) {
        const uint8_t* p = px + y * m.rowPitch + x * 4;
        EXPECT_TRUE(p[0] == l && p[1] == x && p[2] == y && p[3] == 7) << "level " << l << " texel " << x << "," << y;
      }
    GfxUnmap(g_context, tall, l);
  }
  GfxMappedSubresource none;
  EXPECT_EQ(GfxMapResource(g_context, tall, 4, GFX_MAP_READ, &none), GFX_E_INVALIDARG);

  // Two texels written into rows 1 and 2 of level 1 (1 x 4); a box past the bottom is ignored.
  const uint8_t two[8] = {0xA1, 0xA1, 0xA1, 0xA1, 0xA2, 0xA2, 0xA2, 0xA2};
  GfxBox rows12{0, 1, 0, 1, 3, 1};
  GfxUpdateSubresource(g_context, tall, 1, &rows12, two, 4, 0);
  GfxBox pastBottom{0, 3, 0, 1, 5, 1};
  GfxUpdateSubresource(g_context, tall, 1, &pastBottom, two, 4, 0);
  uint8_t read1[16];
  ASSERT_TRUE(GfxReadTexturePixels(g_context, tall, 1, read1, sizeof read1));
  EXPECT_EQ(read1[0], 1);     // row 0 kept
  EXPECT_EQ(read1[4], 0xA1);  // row 1
  EXPECT_EQ(read1[8], 0xA2);  // row 2
  EXPECT_EQ(read1[12], 1);    // row 3 kept
  EXPECT_EQ(read1[14], 3);
  EXPECT_FALSE(GfxReadTexturePixels(g_context, tall, 1, read1, 15)) << "too small for 1 x 4 texels";

  // Level 3 (1 x 1) of a second chain copied into row 1 of level 2 (1 x 2: 2 >> 2 is no
  // width, yet the level keeps one texel), and a place past that one texel refused.
  GfxTexture2D other;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &other), GFX_OK);
  const uint8_t marked[4] = {0xC3, 0xC3, 0xC3, 0xC3};
  GfxUpdateSubresource(g_context, other, 3, nullptr, marked, 0, 0);
  GfxCopySubresourceRegion(g_context, tall, 2, 0, 1, 0, other, 3, nullptr);
  GfxCopySubresourceRegion(g_context, tall, 2, 1, 0, 0, other, 3, nullptr);  // x 1 is past the width
  uint8_t read2[8];
  ASSERT_TRUE(GfxReadTexturePixels(g_context, tall, 2, read2, sizeof read2));
  EXPECT_EQ(read2[0], 2);  // row 0 kept
  EXPECT_EQ(read2[4], 0xC3);
  // Source boxes past the level's width or height, or of no width, copy nothing; nor does a
  // whole copy between textures of other sizes.
  GfxUpdateSubresource(g_context, other, 0, nullptr, std::vector<uint8_t>(64, 0xD4).data(), 0, 0);
  for (GfxBox box : {GfxBox{0, 0, 0, 3, 1, 1}, GfxBox{0, 0, 0, 1, 9, 1}, GfxBox{1, 0, 0, 1, 1, 1}, GfxBox{0, 2, 0, 1, 2, 1}})
    GfxCopySubresourceRegion(g_context, tall, 0, 0, 0, 0, other, 0, &box);
  GfxTexture2DDesc wide = d;
  wide.width = 4;
  wide.height = 4;
  GfxTexture2D square;
  ASSERT_EQ(GfxCreateTexture2D(g_device, wide, nullptr, &square), GFX_OK);
  GfxBox fiveRows{0, 0, 0, 1, 5, 1};  // level 1 of the other chain has four
  GfxCopySubresourceRegion(g_context, tall, 0, 0, 0, 0, other, 1, &fiveRows);
  GfxCopyResource(g_context, tall, square);
  uint8_t read0[64];
  ASSERT_TRUE(GfxReadTexturePixels(g_context, tall, 0, read0, sizeof read0));
  EXPECT_EQ(read0[0], 0);  // level 0, texel (0, 0): untouched
  EXPECT_EQ(read0[3], 7);
  ASSERT_TRUE(GfxReadTexturePixels(g_context, tall, 2, read2, sizeof read2));
  EXPECT_EQ(read2[0], 2) << "level 2 untouched by the copy of another size";
  GfxRelease(square);
  GfxRelease(tall), GfxRelease(other);
}

// A wide 8 x 2 chain made on the GPU with data for every level: levels 8x2, 4x1, 2x1 and 1x1
// (2 >> 2 is no height, yet each level keeps one row); each texel's bytes are (level, x, y, 9).
TEST_F(GfxPixels, EveryLevelOfAWideChainIsMadeWithItsOwnData) {
  const uint32_t sides[4][2] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
  std::vector<uint8_t> levels[4];
  GfxSubresourceData init[4];
  for (uint32_t l = 0; l < 4; ++l) {
    levels[l].resize(size_t(sides[l][0]) * sides[l][1] * 4);
    for (uint32_t y = 0; y < sides[l][1]; ++y)
      for (uint32_t x = 0; x < sides[l][0]; ++x) {
        uint8_t* p = &levels[l][(y * sides[l][0] + x) * 4];
        p[0] = uint8_t(l), p[1] = uint8_t(x), p[2] = uint8_t(y), p[3] = 9;
      }
    init[l] = GfxSubresourceData{levels[l].data(), 0, 0};
  }
  GfxTexture2DDesc d;
  d.width = 8;
  d.height = 2;
  d.mipLevels = 0;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D wide;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, init, &wide), GFX_OK);
  GfxTexture2DDesc got;
  GfxGetDesc(wide, &got);
  ASSERT_EQ(got.mipLevels, 4u);
  for (uint32_t l = 0; l < 4; ++l) {
    std::vector<uint8_t> back(levels[l].size(), 0xEE);
    ASSERT_TRUE(GfxReadTexturePixels(g_context, wide, l, back.data(), back.size())) << l;
    EXPECT_EQ(back, levels[l]) << "level " << l;
  }
  uint8_t spare[64];
  EXPECT_FALSE(GfxReadTexturePixels(g_context, wide, 4, spare, sizeof spare)) << "no fifth level";
  EXPECT_FALSE(GfxReadTexturePixels(g_context, wide, 1, spare, 15)) << "4 x 1 texels need 16 bytes";
  EXPECT_TRUE(GfxReadTexturePixels(g_context, wide, 1, spare, 16));
  GfxRelease(wide);

  // The same chain as a staging texture, each level written whole afterwards.
  d.bindFlags = 0;
  d.usage = GFX_USAGE_STAGING;
  d.cpuAccessFlags = GFX_CPU_ACCESS_READ | GFX_CPU_ACCESS_WRITE;
  GfxTexture2D staging;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &staging), GFX_OK);
  for (uint32_t l = 0; l < 4; ++l) GfxUpdateSubresource(g_context, staging, l, nullptr, levels[l].data(), 0, 0);
  for (uint32_t l = 0; l < 4; ++l) {
    std::vector<uint8_t> back(levels[l].size(), 0xEE);
    ASSERT_TRUE(GfxReadTexturePixels(g_context, staging, l, back.data(), back.size())) << l;
    EXPECT_EQ(back, levels[l]) << "staging level " << l;
  }
  // Mapped, each level tells its row's bytes and its whole size, one row at least.
  for (uint32_t l = 0; l < 4; ++l) {
    GfxMappedSubresource m;
    ASSERT_EQ(GfxMapResource(g_context, staging, l, GFX_MAP_READ, &m), GFX_OK) << l;
    EXPECT_EQ(m.rowPitch, sides[l][0] * 4) << l;
    EXPECT_EQ(m.depthPitch, sides[l][0] * sides[l][1] * 4) << l;
    EXPECT_EQ(static_cast<const uint8_t*>(m.data)[0], uint8_t(l)) << l;
    GfxUnmap(g_context, staging, l);
  }
  GfxRelease(staging);
}

// A texture's swizzle is set on its own GL texture and on no other, kept for the asking, and
// refused past the last source (one); A8 reads as (0, 0, 0, red) and X8 with an alpha of one.
TEST_F(GfxPixels, ATexturesSwizzleReachesItsOwnGlTextureOnly) {
  using GetTextureParameter = void (*)(unsigned, unsigned, int*);
  const auto get = reinterpret_cast<GetTextureParameter>(GfxGetProcAddress("glGetTextureParameteriv"));
  ASSERT_NE(get, nullptr);
  // GL's numbers, from its headers.
  constexpr unsigned SWIZZLE[4] = {0x8E42, 0x8E43, 0x8E44, 0x8E45};
  constexpr int RED = 0x1903, GREEN = 0x1904, BLUE = 0x1905, ALPHA = 0x1906, ZERO = 0, ONE = 1;
  const auto swizzleOf = [&](GfxTexture2D t) {
    std::vector<int> out(4);
    for (int c = 0; c < 4; ++c) get(GfxNativeTextureName(t), SWIZZLE[c], &out[size_t(c)]);
    return out;
  };
  GfxTexture2DDesc d;
  d.width = d.height = 4;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D a, b, alpha, padded;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &a), GFX_OK);
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &b), GFX_OK);
  const uint8_t bgr1[4] = {GFX_SWIZZLE_B, GFX_SWIZZLE_G, GFX_SWIZZLE_R, GFX_SWIZZLE_ONE};
  EXPECT_EQ(GfxSetTextureSwizzle(a, bgr1), GFX_OK);
  EXPECT_EQ(swizzleOf(a), (std::vector<int>{BLUE, GREEN, RED, ONE}));
  EXPECT_EQ(swizzleOf(b), (std::vector<int>{RED, GREEN, BLUE, ALPHA})) << "the texture made last is untouched";
  const uint8_t a0ar[4] = {GFX_SWIZZLE_A, GFX_SWIZZLE_ZERO, GFX_SWIZZLE_A, GFX_SWIZZLE_R};
  EXPECT_EQ(GfxSetTextureSwizzle(b, a0ar), GFX_OK);
  EXPECT_EQ(swizzleOf(b), (std::vector<int>{ALPHA, ZERO, ALPHA, RED}));
  const uint8_t bad[4] = {GFX_SWIZZLE_R, GFX_SWIZZLE_G, GFX_SWIZZLE_B, 6};
  EXPECT_EQ(GfxSetTextureSwizzle(a, bad), GFX_E_INVALIDARG);
  uint8_t kept[4];
  GfxGetTextureSwizzle(a, kept);
  EXPECT_EQ(std::vector<uint8_t>(kept, kept + 4), std::vector<uint8_t>(bgr1, bgr1 + 4));
  GfxGetTextureSwizzle(GfxTexture2D{}, kept);
  EXPECT_EQ(std::vector<uint8_t>(kept, kept + 4), (std::vector<uint8_t>{0, 1, 2, 3})) << "no texture: identity";

  d.format = GFX_FORMAT_A8_UNORM;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &alpha), GFX_OK);
  EXPECT_EQ(swizzleOf(alpha), (std::vector<int>{ZERO, ZERO, ZERO, RED}));
  d.format = GFX_FORMAT_B8G8R8X8_UNORM;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &padded), GFX_OK);
  EXPECT_EQ(swizzleOf(padded), (std::vector<int>{RED, GREEN, BLUE, ONE}));
  GfxRelease(a), GfxRelease(b), GfxRelease(alpha), GfxRelease(padded);
}

// Rows of 3 and 6 bytes (one- and two-byte texels, 3 wide) go up and come back packed tight,
// with no padding to a multiple of 4 between the rows.
TEST(GfxTextureUploads, RowsOfAnyByteLengthGoUpAndComeBackTight) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  for (const auto& [format, bytes] : {std::pair{GFX_FORMAT_R8_UNORM, 1u}, std::pair{GFX_FORMAT_R8G8_UNORM, 2u}}) {
    GfxTexture2DDesc d;
    d.width = 3;
    d.height = 3;
    d.format = format;
    d.bindFlags = GFX_BIND_SHADER_RESOURCE;
    std::vector<uint8_t> texels(3 * 3 * bytes);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint8_t(10 + i);
    const GfxSubresourceData init{texels.data(), 3 * bytes, 0};
    GfxTexture2D t;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, &init, &t), GFX_OK);
    std::vector<uint8_t> read(texels.size() + 4, 0xEE);
    ASSERT_TRUE(GfxReadTexturePixels(g_context, t, 0, read.data(), texels.size()));
    EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.begin() + long(texels.size())), texels) << bytes << " bytes a texel";
    EXPECT_EQ(read[texels.size()], 0xEE) << "nothing written past the level";
    GfxRelease(t);
  }
}

// Block-compressed levels (BC1: 8 bytes a 4 x 4 block) 8 x 5 texels, given with rows of blocks
// 24 bytes apart, are kept as 2 rows of 2 blocks, 16 bytes each (5 texels high is 2 block
// rows, the second only partly used), on the device and in a staging texture alike.
TEST(GfxTextureUploads, CompressedLevelsKeepEachRowOfBlocksTight) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  uint8_t given[2 * 24];
  std::vector<uint8_t> tight;
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < 24; ++i) {
      given[row * 24 + i] = i < 16 ? uint8_t(row * 16 + i + 1) : 0xEE;  // 8 bytes of padding
      if (i < 16) tight.push_back(uint8_t(row * 16 + i + 1));
    }
  for (const GfxUsage usage : {GFX_USAGE_DEFAULT, GFX_USAGE_STAGING}) {
    GfxTexture2DDesc d;
    d.width = 8;
    d.height = 5;
    d.mipLevels = 1;
    d.format = GFX_FORMAT_BC1_UNORM;
    d.usage = usage;
    d.bindFlags = usage == GFX_USAGE_STAGING ? 0u : uint32_t(GFX_BIND_SHADER_RESOURCE);
    d.cpuAccessFlags = usage == GFX_USAGE_STAGING ? uint32_t(GFX_CPU_ACCESS_READ) : 0u;
    const GfxSubresourceData init{given, 24, 0};
    GfxTexture2D t;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, &init, &t), GFX_OK);
    std::vector<uint8_t> read(tight.size() + 8, 0x55);
    ASSERT_FALSE(GfxReadTexturePixels(g_context, t, 0, read.data(), tight.size() - 1)) << "too small";
    ASSERT_TRUE(GfxReadTexturePixels(g_context, t, 0, read.data(), tight.size()));
    EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.begin() + 32), tight) << "usage " << usage;
    EXPECT_EQ(read[32], 0x55) << "usage " << usage;
    GfxRelease(t);
  }
}

// A whole level of a device texture is written without a box even where the chain runs out of
// width or height: level 2 of 2 x 8 is 1 x 2 (2 >> 2 is no width, yet a level keeps one
// texel), and level 2 of 8 x 2 is 2 x 1.
TEST(GfxTextureUploads, AWholeLevelOfANarrowOrFlatChainIsWrittenWithoutABox) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  for (const auto& [width, height] : {std::pair{2u, 8u}, std::pair{8u, 2u}}) {
    GfxTexture2DDesc d;
    d.width = width;
    d.height = height;
    d.mipLevels = 0;
    d.format = GFX_FORMAT_R8G8B8A8_UNORM;
    d.bindFlags = GFX_BIND_SHADER_RESOURCE;
    GfxTexture2D t;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &t), GFX_OK);
    const uint8_t texels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    GfxUpdateSubresource(g_context, t, 2, nullptr, texels, 0, 0);
    uint8_t read[8] = {};
    ASSERT_TRUE(GfxReadTexturePixels(g_context, t, 2, read, sizeof read));
    EXPECT_EQ(std::vector<uint8_t>(read, read + 8), std::vector<uint8_t>(texels, texels + 8)) << width << " x " << height;
    GfxRelease(t);
  }
}

// A staging texture keeps every level of its chain apart even where the chain runs out of
// height or width.  8 x 2 has four levels, 8 x 2, 4 x 1, 2 x 1 and 1 x 1, of 64, 16, 8 and 4
// bytes (4 bytes a texel): levels 2 and 3 still hold a texel row each although 2 >> 2 is no
// height.  Likewise 2 x 8 has 2 x 8, 1 x 4, 1 x 2 and 1 x 1.  Whole-level updates of those
// last levels land in them.
TEST(GfxTextureUploads, AStagingChainThatRunsOutOfHeightOrWidthKeepsEachLevelApart) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  for (const auto& [width, height] : {std::pair{8u, 2u}, std::pair{2u, 8u}}) {
    const size_t bytes[4] = {64, 16, 8, 4};
    std::vector<uint8_t> levels[4];
    GfxSubresourceData init[4];
    for (int l = 0; l < 4; ++l) {
      for (size_t i = 0; i < bytes[l]; ++i) levels[l].push_back(uint8_t(l * 64 + i + 1));
      init[l] = {levels[l].data(), 0, 0};
    }
    GfxTexture2DDesc d;
    d.width = width;
    d.height = height;
    d.mipLevels = 4;
    d.format = GFX_FORMAT_R8G8B8A8_UNORM;
    d.usage = GFX_USAGE_STAGING;
    d.cpuAccessFlags = GFX_CPU_ACCESS_READ;
    GfxTexture2D t;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, init, &t), GFX_OK);
    for (uint32_t l = 0; l < 4; ++l) {
      std::vector<uint8_t> read(bytes[l], 0);
      ASSERT_TRUE(GfxReadTexturePixels(g_context, t, l, read.data(), read.size()));
      EXPECT_EQ(read, levels[l]) << width << " x " << height << ", level " << l;
    }
    // A whole-level update of the last two levels lands in them.
    const uint8_t update[8] = {201, 202, 203, 204, 205, 206, 207, 208};
    for (uint32_t l = 2; l < 4; ++l) {
      GfxUpdateSubresource(g_context, t, l, nullptr, update, 0, 0);
      std::vector<uint8_t> read(bytes[l], 0);
      ASSERT_TRUE(GfxReadTexturePixels(g_context, t, l, read.data(), read.size()));
      EXPECT_EQ(read, std::vector<uint8_t>(update, update + bytes[l])) << width << " x " << height << ", level " << l;
      // Mapped, a row is the level's width times 4 bytes (levels 2 x 1 and 1 x 1 of 8 x 2;
      // 1 x 2 and 1 x 1 of 2 x 8), the level all its rows.
      const uint32_t rowBytes = width == 8 ? (l == 2 ? 8u : 4u) : 4u;
      GfxMappedSubresource m;
      ASSERT_EQ(GfxMapResource(g_context, t, l, GFX_MAP_READ, &m), GFX_OK);
      EXPECT_EQ(m.rowPitch, rowBytes) << width << " x " << height << ", level " << l;
      EXPECT_EQ(m.depthPitch, bytes[l]) << width << " x " << height << ", level " << l;
      EXPECT_EQ(std::memcmp(m.data, update, bytes[l]), 0) << width << " x " << height << ", level " << l;
      GfxUnmap(g_context, t, l);
    }
    GfxRelease(t);
  }
}

// An update reaches the texture it names, though another texture was made (and bound) after
// it; the other keeps its own texels.
TEST(GfxTextureUploads, AnUpdateReachesTheTextureItNamesNotTheOneMadeLast) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GfxTexture2DDesc d;
  d.width = 2;
  d.height = 1;
  d.mipLevels = 1;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  const uint8_t first[8] = {1, 2, 3, 4, 5, 6, 7, 8}, second[8] = {9, 10, 11, 12, 13, 14, 15, 16};
  const uint8_t update[8] = {21, 22, 23, 24, 25, 26, 27, 28};
  const GfxSubresourceData firstData{first, 8, 0}, secondData{second, 8, 0};
  GfxTexture2D a, b;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, &firstData, &a), GFX_OK);
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, &secondData, &b), GFX_OK);
  GfxUpdateSubresource(g_context, a, 0, nullptr, update, 0, 0);
  uint8_t read[8] = {};
  ASSERT_TRUE(GfxReadTexturePixels(g_context, a, 0, read, sizeof read));
  EXPECT_EQ(std::vector<uint8_t>(read, read + 8), std::vector<uint8_t>(update, update + 8)) << "the named texture";
  ASSERT_TRUE(GfxReadTexturePixels(g_context, b, 0, read, sizeof read));
  EXPECT_EQ(std::vector<uint8_t>(read, read + 8), std::vector<uint8_t>(second, second + 8)) << "the other";
  GfxRelease(a), GfxRelease(b);
}

// An update of a buffer reaches that buffer, not the one last written through a map; and mips
// are made for the texture whose view is named, not the one made last.  Bytes and texels read
// back through staging copies and level reads.
TEST(GfxTextureUploads, UpdatesAndMipsReachTheResourceNamedNotTheOneEditedLast) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GfxBufferDesc bd;
  bd.byteWidth = 8;
  bd.bindFlags = GFX_BIND_VERTEX_BUFFER;
  const uint8_t first[8] = {1, 2, 3, 4, 5, 6, 7, 8}, second[8] = {9, 10, 11, 12, 13, 14, 15, 16};
  const uint8_t update[8] = {21, 22, 23, 24, 25, 26, 27, 28};
  const GfxSubresourceData firstData{first, 0, 0};
  GfxBuffer a, b;
  ASSERT_EQ(GfxCreateBuffer(g_device, bd, &firstData, &a), GFX_OK);
  bd.usage = GFX_USAGE_DYNAMIC;
  bd.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
  ASSERT_EQ(GfxCreateBuffer(g_device, bd, nullptr, &b), GFX_OK);
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, b, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
  std::memcpy(m.data, second, sizeof second);
  GfxUnmap(g_context, b, 0);
  GfxUpdateSubresource(g_context, a, 0, nullptr, update, 0, 0);
  GfxBufferDesc sd;
  sd.byteWidth = 8;
  sd.usage = GFX_USAGE_STAGING;
  sd.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  for (const auto& [buffer, want] : {std::pair{a, update}, std::pair{b, second}}) {
    GfxBuffer staging;
    ASSERT_EQ(GfxCreateBuffer(g_device, sd, nullptr, &staging), GFX_OK);
    GfxCopyResource(g_context, staging, buffer);
    ASSERT_EQ(GfxMapResource(g_context, staging, 0, GFX_MAP_READ, &m), GFX_OK);
    const uint8_t* got = static_cast<const uint8_t*>(m.data);
    EXPECT_EQ(std::vector<uint8_t>(got, got + 8), std::vector<uint8_t>(want, want + 8));
    GfxUnmap(g_context, staging, 0);
    GfxRelease(staging);
  }
  GfxRelease(a), GfxRelease(b);

  // Two 2 x 2 chains of two levels; the first's texels all (100, 150, 200, 255), so its made
  // 1 x 1 level is that too, where it was given zeros.
  GfxTexture2DDesc td;
  td.width = td.height = 2;
  td.mipLevels = 2;
  td.format = GFX_FORMAT_R8G8B8A8_UNORM;
  td.bindFlags = GFX_BIND_SHADER_RESOURCE | GFX_BIND_RENDER_TARGET;
  td.miscFlags = GFX_MISC_GENERATE_MIPS;
  uint8_t even[16];
  for (int i = 0; i < 16; i += 4) even[i] = 100, even[i + 1] = 150, even[i + 2] = 200, even[i + 3] = 255;
  const uint8_t zeros[16] = {};
  const GfxSubresourceData levels[2] = {{even, 8, 0}, {zeros, 4, 0}};
  const GfxSubresourceData blank[2] = {{zeros, 8, 0}, {zeros, 4, 0}};
  GfxTexture2D named, last;
  ASSERT_EQ(GfxCreateTexture2D(g_device, td, levels, &named), GFX_OK);
  GfxShaderResourceView namedView;
  ASSERT_EQ(GfxCreateShaderResourceView(g_device, named, nullptr, &namedView), GFX_OK);
  ASSERT_EQ(GfxCreateTexture2D(g_device, td, blank, &last), GFX_OK);
  GfxGenerateMips(g_context, namedView);
  uint8_t texel[4] = {};
  ASSERT_TRUE(GfxReadTexturePixels(g_context, named, 1, texel, sizeof texel));
  EXPECT_EQ(std::vector<uint8_t>(texel, texel + 4), (std::vector<uint8_t>{100, 150, 200, 255}));
  GfxRelease(namedView), GfxRelease(named), GfxRelease(last);
}

// The bare-GL yardsticks draw what the layer would: the indexed mesh as often as asked, tinted
// by the constants given, and quads in the interface's units (y down) with their colours
// through the table and the alpha kept, over the clear colour.
TEST_F(GfxPixels, TheBareGlYardsticksDrawTheirMeshAndTheirQuads) {
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, vertices, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
  const Vertex corners[4] = {{-1, -1, 0.5f, 0xFFFFFFFF}, {1, -1, 0.5f, 0xFFFFFFFF},
                             {1, 1, 0.5f, 0xFFFFFFFF},   {-1, 1, 0.5f, 0xFFFFFFFF}};
  std::memcpy(m.data, corners, sizeof corners);
  GfxUnmap(g_context, vertices, 0);
  uint16_t order[32] = {0, 1, 2, 2, 3, 0};
  GfxBuffer indices = MadeBuffer(GFX_BIND_INDEX_BUFFER, order, sizeof order);
  ASSERT_TRUE(indices.id);
  const float redOnly[4] = {1, 0, 0, 1};
  GfxBuffer red = MadeBuffer(GFX_BIND_CONSTANT_BUFFER, redOnly, sizeof redOnly);
  ASSERT_TRUE(red.id);

  // The frame's draws cover the whole target whatever viewport the layer left in GL before them
  // (here 8 x 8 in the top left corner).
  const GfxViewport small{0, 0, 8, 8, 0, 1};
  GfxRSSetViewports(g_context, 1, &small);
  GfxDraw(g_context, 6, 0);  // applies the viewport to GL
  GfxReferenceDrawFrame(rtv, vs, ps, layout, vertices, sizeof(Vertex), indices, red, 6, 0, 1);
  std::vector<uint8_t> px = Read(colour);
  EXPECT_EQ(Pixel(px, 16, 16), 0x00000000u) << "no draw asked: nothing drawn";
  GfxReferenceDrawFrame(rtv, vs, ps, layout, vertices, sizeof(Vertex), indices, red, 6, 1, 1);
  px = Read(colour);
  for (uint32_t at : {0u, 16u, 31u}) EXPECT_EQ(Pixel(px, at, at), 0xFFFF0000u) << "white tinted red, at " << at;
  // Every second group of draws blends: the colours by their alpha, added, the alphas by the
  // larger.  A dark red at half alpha drawn plain and then blended over itself stays as it was:
  // 0.4 x 0.5 + 0.4 x 0.5 = 0.4 (102) of red at half alpha (added, the alphas would make 1).
  const float halfRed[4] = {0.4f, 0, 0, 0.5f};
  GfxBuffer half = MadeBuffer(GFX_BIND_CONSTANT_BUFFER, halfRed, sizeof halfRed);
  ASSERT_TRUE(half.id);
  GfxReferenceDrawFrame(rtv, vs, ps, layout, vertices, sizeof(Vertex), indices, half, 6, 2, 1);
  px = Read(colour);
  const uint32_t blended = Pixel(px, 16, 16);
  EXPECT_NEAR(double(blended >> 16 & 0xFF), 102.0, 1.0);
  EXPECT_EQ(blended & 0xFFFFu, 0u);
  EXPECT_NEAR(double(blended >> 24), 127.5, 1.0) << "half alpha, the larger of the two halves";
  GfxRelease(half);

  // Two quads: the top half, and the bottom right quarter; each channel v shown as 255 - v.
  uint8_t inverse[256];
  for (int v = 0; v < 256; ++v) inverse[v] = uint8_t(255 - v);
  // The third, bottom left, is white at alpha 0x80: black through the table, half over the
  // blue clear: blue 255 x (1 - 128/255) = 127, its alpha the larger of the two, 255.
  const GfxReferenceQuad quads[3] = {
      {-1, -1, 1, 0, 0xFF102030u}, {0, 0, 1, 1, 0xFF405060u}, {-1, 0, 0, 1, 0x80FFFFFFu}};
  const float blue[4] = {0, 0, 1, 1};
  // The quads bind no constants: a pixel shader without the tint.
  const char* plain = "#version 430 core\nin vec4 colour;\nout vec4 outColor;\nvoid main() { outColor = colour; }\n";
  GfxPixelShader untinted;
  ASSERT_EQ(GfxCreatePixelShader(g_device, plain, 0, &untinted), GFX_OK) << GfxLastShaderLog();
  GfxBuffer quadIndices;  // written by the draw itself; another than the mesh's
  GfxBufferDesc ib;
  ib.byteWidth = sizeof order;
  ib.bindFlags = GFX_BIND_INDEX_BUFFER;
  ib.usage = GFX_USAGE_DYNAMIC;
  ib.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
  ASSERT_EQ(GfxCreateBuffer(g_device, ib, nullptr, &quadIndices), GFX_OK);
  // The quads' clear and draw reach the whole target whatever scissor, write mask and viewport
  // the layer left in GL before them (here a 4 x 4 scissor, no colour written and an 8 x 8
  // viewport in the top left corner).
  GfxRasterizerDesc rd;
  rd.scissorEnable = 1;
  GfxRasterizerState scissor;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &scissor), GFX_OK);
  GfxBlendDesc bd;
  bd.renderTarget[0].renderTargetWriteMask = 0;
  GfxBlendState noWrite;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &noWrite), GFX_OK);
  GfxRSSetState(g_context, scissor);
  const GfxRect corner{0, 0, 4, 4};
  GfxRSSetScissorRects(g_context, 1, &corner);
  GfxRSSetViewports(g_context, 1, &small);
  GfxOMSetBlendState(g_context, noWrite, nullptr, 0xFFFFFFFF);
  GfxDraw(g_context, 6, 0);  // applies the states to GL
  GfxReferenceDrawQuads(rtv, vs, untinted, layout, vertices, quadIndices, quads, 3, inverse, blue);
  GfxResetGlState(g_context);
  GfxRSSetState(g_context, GfxRasterizerState{});
  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  GfxRelease(scissor), GfxRelease(noWrite);
  px = Read(colour);
  EXPECT_EQ(Pixel(px, 2, 2), 0xFFEFDFCFu) << "top left";
  EXPECT_EQ(Pixel(px, 29, 13), 0xFFEFDFCFu) << "top right";
  EXPECT_EQ(Pixel(px, 29, 29), 0xFFBFAF9Fu) << "bottom right";
  const uint32_t halfOver = Pixel(px, 2, 29);
  EXPECT_EQ(halfOver & 0xFFFFFF00u, 0xFF000000u) << "bottom left: black blended over the blue clear";
  EXPECT_NEAR(double(halfOver & 0xFF), 127.0, 1.0) << "half the clear's blue shows through";

  // Drawn again while the layer has another target bound in GL (its clear to green binds it),
  // the quads and their clear still go to their own target and leave the other alone.  With a
  // red clear: the opaque quads as before, and black at half alpha over red leaves red
  // 255 x (1 - 128/255) = 127 at alpha 255.
  GfxTexture2DDesc od;
  od.width = od.height = SIZE;
  od.format = GFX_FORMAT_R8G8B8A8_UNORM;
  od.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D other;
  ASSERT_EQ(GfxCreateTexture2D(g_device, od, nullptr, &other), GFX_OK);
  GfxRenderTargetView otherRtv;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, other, nullptr, &otherRtv), GFX_OK);
  const float green[4] = {0, 1, 0, 1};
  GfxClearRenderTargetView(g_context, otherRtv, green);
  const float redClear[4] = {1, 0, 0, 1};
  GfxReferenceDrawQuads(rtv, vs, untinted, layout, vertices, quadIndices, quads, 3, inverse, redClear);
  GfxResetGlState(g_context);
  px = Read(colour);
  EXPECT_EQ(Pixel(px, 2, 2), 0xFFEFDFCFu) << "top left, drawn again";
  EXPECT_EQ(Pixel(px, 29, 29), 0xFFBFAF9Fu) << "bottom right, drawn again";
  const uint32_t overRed = Pixel(px, 2, 29);
  EXPECT_EQ(overRed & 0xFF00FFFFu, 0xFF000000u) << "bottom left: black blended over the red clear";
  EXPECT_NEAR(double(overRed >> 16 & 0xFF), 127.0, 1.0) << "half the clear's red shows through";
  const std::vector<uint8_t> untouched = Read(other);
  for (const auto& [x, y] : {std::pair{2u, 2u}, std::pair{29u, 13u}, std::pair{29u, 29u}, std::pair{2u, 29u}})
    EXPECT_EQ(Pixel(untouched, x, y), 0xFF00FF00u) << "the other target keeps its green at " << x << ", " << y;
  GfxRelease(otherRtv), GfxRelease(other);
  GfxRelease(indices), GfxRelease(quadIndices), GfxRelease(red), GfxRelease(untinted);
}

// The bare-GL quads need four vertices of 24 bytes and six 2-byte indices each: buffers of
// exactly that size for two quads (192 and 24 bytes) are drawn into, top half and bottom half,
// each colour kept by a table that maps every value to itself.  No quads draw nothing, not
// even the clear; the most quads there may be, 16384 (each a sliver in the top left corner),
// are drawn over their clear.
TEST_F(GfxPixels, TheBareGlQuadsFillBuffersOfTheirExactSizeAndNeedAtLeastOneQuad) {
  const char* plain = "#version 430 core\nin vec4 colour;\nout vec4 outColor;\nvoid main() { outColor = colour; }\n";
  GfxPixelShader untinted;
  ASSERT_EQ(GfxCreatePixelShader(g_device, plain, 0, &untinted), GFX_OK) << GfxLastShaderLog();
  uint8_t same[256];
  for (int v = 0; v < 256; ++v) same[v] = uint8_t(v);
  auto dynamicBuffer = [](uint32_t bindFlags, uint32_t bytes) {
    GfxBufferDesc d;
    d.byteWidth = bytes;
    d.bindFlags = bindFlags;
    d.usage = GFX_USAGE_DYNAMIC;
    d.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
    GfxBuffer b;
    EXPECT_EQ(GfxCreateBuffer(g_device, d, nullptr, &b), GFX_OK);
    return b;
  };
  GfxBuffer quadVertices = dynamicBuffer(GFX_BIND_VERTEX_BUFFER, 2 * 4 * 24);
  GfxBuffer quadIndices = dynamicBuffer(GFX_BIND_INDEX_BUFFER, 2 * 6 * 2);
  const GfxReferenceQuad halves[2] = {{-1, -1, 1, 0, 0xFF102030u}, {-1, 0, 1, 1, 0xFF405060u}};
  const float blue[4] = {0, 0, 1, 1};
  GfxReferenceDrawQuads(rtv, vs, untinted, layout, quadVertices, quadIndices, halves, 2, same, blue);
  GfxResetGlState(g_context);
  std::vector<uint8_t> px = Read(colour);
  EXPECT_EQ(Pixel(px, 2, 2), 0xFF102030u) << "top half";
  EXPECT_EQ(Pixel(px, 29, 29), 0xFF405060u) << "bottom half";

  const float red[4] = {1, 0, 0, 1};
  GfxReferenceDrawQuads(rtv, vs, untinted, layout, quadVertices, quadIndices, halves, 0, same, red);
  GfxResetGlState(g_context);
  px = Read(colour);
  EXPECT_EQ(Pixel(px, 2, 2), 0xFF102030u) << "no quads: no clear either";
  EXPECT_EQ(Pixel(px, 29, 29), 0xFF405060u) << "no quads: no clear either";
  GfxRelease(quadVertices), GfxRelease(quadIndices);

  constexpr int MOST = 16384;
  quadVertices = dynamicBuffer(GFX_BIND_VERTEX_BUFFER, MOST * 4 * 24);
  quadIndices = dynamicBuffer(GFX_BIND_INDEX_BUFFER, MOST * 6 * 2);
  const std::vector<GfxReferenceQuad> slivers(MOST, GfxReferenceQuad{-1, -1, -0.75f, -0.75f, 0xFF708090u});
  GfxReferenceDrawQuads(rtv, vs, untinted, layout, quadVertices, quadIndices, slivers.data(), MOST, same, red);
  GfxResetGlState(g_context);
  px = Read(colour);
  EXPECT_EQ(Pixel(px, 1, 1), 0xFF708090u) << "a sliver";
  EXPECT_EQ(Pixel(px, 29, 29), 0xFFFF0000u) << "the clear";
  GfxRelease(quadVertices), GfxRelease(quadIndices), GfxRelease(untinted);
}

// The bare-GL frame sets what it draws with itself, whatever the layer left in GL: here the
// layer's last draw culled front faces (then back ones), blended additively (one and one) and
// read another vertex buffer (all zeros) through the same layout; the target was then cleared
// to red 0.2.
// Two draws of red 0.4 at half alpha, the second blended by its alpha: 0.4 (102), alpha one
// half.  Left additive, the first would give 0.6 and the second 0.5; the second alone, 0.8.
TEST_F(GfxPixels, TheBareGlFrameSetsItsOwnCullingBlendingAndVertices) {
  GfxMappedSubresource m;
  ASSERT_EQ(GfxMapResource(g_context, vertices, 0, GFX_MAP_WRITE_DISCARD, &m), GFX_OK);
  const Vertex corners[4] = {{-1, -1, 0.5f, 0xFFFFFFFF}, {1, -1, 0.5f, 0xFFFFFFFF},
                             {1, 1, 0.5f, 0xFFFFFFFF},   {-1, 1, 0.5f, 0xFFFFFFFF}};
  std::memcpy(m.data, corners, sizeof corners);
  GfxUnmap(g_context, vertices, 0);
  const uint16_t order[6] = {0, 1, 2, 2, 3, 0};
  GfxBuffer indices = MadeBuffer(GFX_BIND_INDEX_BUFFER, order, sizeof order);
  const float halfRed[4] = {0.4f, 0, 0, 0.5f};
  GfxBuffer half = MadeBuffer(GFX_BIND_CONSTANT_BUFFER, halfRed, sizeof halfRed);
  const uint8_t zeros[sizeof(Vertex) * 6] = {};
  GfxBuffer elsewhere = MadeBuffer(GFX_BIND_VERTEX_BUFFER, zeros, sizeof zeros);

  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_ONE;
  bd.renderTarget[0].destBlend = GFX_BLEND_ONE;
  bd.renderTarget[0].srcBlendAlpha = GFX_BLEND_ONE;
  bd.renderTarget[0].destBlendAlpha = GFX_BLEND_ONE;
  GfxBlendState additive;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &additive), GFX_OK);
  for (GfxCullMode cull : {GFX_CULL_FRONT, GFX_CULL_BACK}) {
    GfxRasterizerDesc rd;
    rd.cullMode = cull;
    GfxRasterizerState culling;
    ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &culling), GFX_OK);
    GfxRSSetState(g_context, culling);
    GfxOMSetBlendState(g_context, additive, nullptr, 0xFFFFFFFF);
    const uint32_t stride = sizeof(Vertex), offset = 0;
    GfxIASetVertexBuffers(g_context, 0, 1, &elsewhere, &stride, &offset);
    GfxDraw(g_context, 6, 0);  // puts the states into GL (and draws nothing: its vertices are one point)
    const float dimRed[4] = {0.2f, 0, 0, 0};
    GfxClearRenderTargetView(g_context, rtv, dimRed);

    GfxReferenceDrawFrame(rtv, vs, ps, layout, vertices, sizeof(Vertex), indices, half, 6, 2, 1);
    GfxResetGlState(g_context);
    const uint32_t got = Pixel(Read(colour), 16, 16);
    EXPECT_NEAR(double(got >> 16 & 0xFF), 102.0, 1.0) << "culling " << int(cull) << ": " << std::hex << got;
    EXPECT_NEAR(double(got >> 24), 127.5, 1.0) << "culling " << int(cull) << ": " << std::hex << got;
    GfxRelease(culling);
  }
  GfxRelease(additive);
  GfxRelease(indices), GfxRelease(half), GfxRelease(elsewhere);
}

// The bare-GL quads too set what they draw with, whatever the layer left in GL: its culling of
// front faces (then back ones) and a blend of the destination less the source, which would
// leave black.  On a 64 x 32 target a quad over the right half covers columns 32 to 63 of
// every row, in its own colour over the clear's blue.
TEST_F(GfxPixels, TheBareGlQuadsSetTheirOwnCullingBlendAndViewportOnAWideTarget) {
  GfxTexture2DDesc wd;
  wd.width = 64;
  wd.height = 32;
  wd.format = GFX_FORMAT_R8G8B8A8_UNORM;
  wd.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D wide;
  ASSERT_EQ(GfxCreateTexture2D(g_device, wd, nullptr, &wide), GFX_OK);
  GfxRenderTargetView wideRtv;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, wide, nullptr, &wideRtv), GFX_OK);
  const char* plain = "#version 430 core\nin vec4 colour;\nout vec4 outColor;\nvoid main() { outColor = colour; }\n";
  GfxPixelShader untinted;
  ASSERT_EQ(GfxCreatePixelShader(g_device, plain, 0, &untinted), GFX_OK) << GfxLastShaderLog();
  uint8_t same[256];
  for (int v = 0; v < 256; ++v) same[v] = uint8_t(v);
  GfxBufferDesc ibd;
  ibd.byteWidth = 12;
  ibd.bindFlags = GFX_BIND_INDEX_BUFFER;
  ibd.usage = GFX_USAGE_DYNAMIC;
  ibd.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
  GfxBuffer quadIndices;
  ASSERT_EQ(GfxCreateBuffer(g_device, ibd, nullptr, &quadIndices), GFX_OK);
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].blendOp = GFX_BLEND_OP_REV_SUBTRACT;
  bd.renderTarget[0].blendOpAlpha = GFX_BLEND_OP_REV_SUBTRACT;
  GfxBlendState subtract;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &subtract), GFX_OK);
  const GfxReferenceQuad rightHalf{0, -1, 1, 1, 0xFF60A020u};
  const float blue[4] = {0, 0, 1, 1};
  for (GfxCullMode cull : {GFX_CULL_FRONT, GFX_CULL_BACK}) {
    GfxRasterizerDesc rd;
    rd.cullMode = cull;
    GfxRasterizerState culling;
    ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &culling), GFX_OK);
    GfxRSSetState(g_context, culling);
    GfxOMSetBlendState(g_context, subtract, nullptr, 0xFFFFFFFF);
    GfxDraw(g_context, 6, 0);  // puts the states into GL
    GfxReferenceDrawQuads(wideRtv, vs, untinted, layout, vertices, quadIndices, &rightHalf, 1, same, blue);
    GfxResetGlState(g_context);
    const auto p = Read(wide);
    for (uint32_t y : {1u, 30u}) {
      EXPECT_EQ(Pixel(p, 33, y, 64), 0xFF60A020u) << "culling " << int(cull) << ", row " << y;
      EXPECT_EQ(Pixel(p, 62, y, 64), 0xFF60A020u) << "culling " << int(cull) << ", row " << y;
      EXPECT_EQ(Pixel(p, 30, y, 64), 0xFF0000FFu) << "culling " << int(cull) << ", row " << y;
    }
    GfxRelease(culling);
  }
  GfxClearState(g_context);
  GfxRelease(subtract), GfxRelease(quadIndices), GfxRelease(untinted), GfxRelease(wideRtv), GfxRelease(wide);
}

// After the bare-GL frame the layer's next draw sets its own state again rather than trusting
// what it last put into GL: its 8 x 8 viewport in the top left corner and its white tint, not
// the frame's whole-target viewport and red-only constants.
TEST_F(GfxPixels, AfterTheBareGlFrameTheLayersNextDrawUsesItsOwnViewportAndConstants) {
  const uint16_t order[6] = {0, 1, 2, 3, 4, 5};  // the full quad's two triangles as they stand
  GfxBuffer indices = MadeBuffer(GFX_BIND_INDEX_BUFFER, order, sizeof order);
  ASSERT_TRUE(indices.id);
  const float redOnly[4] = {1, 0, 0, 1};
  GfxBuffer red = MadeBuffer(GFX_BIND_CONSTANT_BUFFER, redOnly, sizeof redOnly);
  ASSERT_TRUE(red.id);

  const GfxViewport small{0, 0, 8, 8, 0, 1};
  GfxRSSetViewports(g_context, 1, &small);
  Draw(Quad(0.5f, 0xFFFFFFFF));  // puts the viewport and the white tint into GL
  // The frame draws the same six vertices, tinted red-only, over the whole target.
  GfxReferenceDrawFrame(rtv, vs, ps, layout, vertices, sizeof(Vertex), indices, red, 6, 1, 1);
  EXPECT_EQ(Pixel(Read(colour), 16, 16), 0xFFFF0000u) << "the frame drew over the whole target, red";

  const float black[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH | GFX_CLEAR_STENCIL, 1.0f, 0);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  const auto p = Read(colour);
  for (const auto& [x, y] : {std::pair{0u, 0u}, std::pair{7u, 7u}})
    EXPECT_EQ(Pixel(p, x, y), 0xFFFFFFFFu) << "inside the layer's viewport, white: " << x << ", " << y;
  for (const auto& [x, y] : {std::pair{8u, 0u}, std::pair{0u, 8u}, std::pair{16u, 16u}, std::pair{31u, 31u}})
    EXPECT_EQ(Pixel(p, x, y), 0u) << "outside the layer's viewport, untouched: " << x << ", " << y;
  GfxRelease(indices), GfxRelease(red);
}

// Two dynamic buffers mapped at once and unmapped in the order they were mapped: each unmap
// closes its own buffer, whichever was bound last, and each keeps the bytes written to it.
TEST_F(GfxPixels, MappedDynamicBuffersAreEachUnmappedThemselves) {
  GfxBufferDesc dynamic;
  dynamic.byteWidth = 16;
  dynamic.bindFlags = GFX_BIND_VERTEX_BUFFER;
  dynamic.usage = GFX_USAGE_DYNAMIC;
  dynamic.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
  GfxBuffer a, b;
  ASSERT_EQ(GfxCreateBuffer(g_device, dynamic, nullptr, &a), GFX_OK);
  ASSERT_EQ(GfxCreateBuffer(g_device, dynamic, nullptr, &b), GFX_OK);
  GfxMappedSubresource ma, mb;
  ASSERT_EQ(GfxMapResource(g_context, a, 0, GFX_MAP_WRITE_DISCARD, &ma), GFX_OK);
  ASSERT_EQ(GfxMapResource(g_context, b, 0, GFX_MAP_WRITE_DISCARD, &mb), GFX_OK);
  std::memset(ma.data, 0x11, 16);
  std::memset(mb.data, 0x22, 16);
  GfxUnmap(g_context, a, 0);
  GfxUnmap(g_context, b, 0);
  GfxBufferDesc cpu = dynamic;
  cpu.bindFlags = 0;
  cpu.usage = GFX_USAGE_STAGING;
  cpu.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  GfxBuffer staging;
  ASSERT_EQ(GfxCreateBuffer(g_device, cpu, nullptr, &staging), GFX_OK);
  for (const auto& [buffer, value] : {std::pair{a, uint8_t(0x11)}, std::pair{b, uint8_t(0x22)}}) {
    GfxCopySubresourceRegion(g_context, staging, 0, 0, 0, 0, buffer, 0, nullptr);
    GfxMappedSubresource m;
    ASSERT_EQ(GfxMapResource(g_context, staging, 0, GFX_MAP_READ, &m), GFX_OK);
    const std::vector<uint8_t> got(static_cast<const uint8_t*>(m.data), static_cast<const uint8_t*>(m.data) + 16);
    GfxUnmap(g_context, staging, 0);
    EXPECT_EQ(got, std::vector<uint8_t>(16, value)) << int(value);
  }
  // Unmapped, each maps again.
  ASSERT_EQ(GfxMapResource(g_context, a, 0, GFX_MAP_WRITE_DISCARD, &ma), GFX_OK);
  GfxUnmap(g_context, a, 0);
  GfxRelease(a), GfxRelease(b), GfxRelease(staging);
}

// Copies between GPU buffers and CPU (staging) buffers, each way: the bytes land at the place
// asked for, read from the buffer named and no other.
TEST_F(GfxPixels, BufferCopiesBetweenGpuAndCpuBuffersMoveTheNamedBytes) {
  uint8_t first[16], second[16];
  for (int i = 0; i < 16; ++i) first[i] = uint8_t(0x10 + i), second[i] = uint8_t(0x80 + i);
  GfxBufferDesc gpu;
  gpu.byteWidth = 16;
  gpu.bindFlags = GFX_BIND_VERTEX_BUFFER;
  GfxSubresourceData firstData{first, 0, 0}, secondData{second, 0, 0};
  GfxBuffer g1, g2, g3;  // the third made first, so that it is not the buffer bound last
  ASSERT_EQ(GfxCreateBuffer(g_device, gpu, nullptr, &g3), GFX_OK);
  ASSERT_EQ(GfxCreateBuffer(g_device, gpu, &firstData, &g1), GFX_OK);
  ASSERT_EQ(GfxCreateBuffer(g_device, gpu, &secondData, &g2), GFX_OK);
  GfxBufferDesc cpu = gpu;
  cpu.bindFlags = 0;
  cpu.usage = GFX_USAGE_STAGING;
  cpu.cpuAccessFlags = GFX_CPU_ACCESS_READ | GFX_CPU_ACCESS_WRITE;
  GfxBuffer s1, s2;
  ASSERT_EQ(GfxCreateBuffer(g_device, cpu, nullptr, &s1), GFX_OK);
  ASSERT_EQ(GfxCreateBuffer(g_device, cpu, nullptr, &s2), GFX_OK);
  auto bytes = [](GfxBuffer buffer) {
    GfxMappedSubresource m;
    EXPECT_EQ(GfxMapResource(g_context, buffer, 0, GFX_MAP_READ, &m), GFX_OK);
    std::vector<uint8_t> out(static_cast<const uint8_t*>(m.data), static_cast<const uint8_t*>(m.data) + 16);
    GfxUnmap(g_context, buffer, 0);
    return out;
  };
  // GPU to CPU: the first buffer whole, then bytes 4..7 of the second to bytes 8..11.
  GfxCopySubresourceRegion(g_context, s1, 0, 0, 0, 0, g1, 0, nullptr);
  GfxBox four{4, 0, 0, 8, 1, 1};
  GfxCopySubresourceRegion(g_context, s1, 0, 8, 0, 0, g2, 0, &four);
  std::vector<uint8_t> expected(first, first + 16);
  for (int i = 0; i < 4; ++i) expected[size_t(8 + i)] = second[4 + i];
  EXPECT_EQ(bytes(s1), expected);
  // CPU to GPU: that into the third; GPU to GPU: bytes 0..3 of the first into 12..15 of the
  // second.  Each read back through the other CPU buffer.
  GfxCopySubresourceRegion(g_context, g3, 0, 0, 0, 0, s1, 0, nullptr);
  GfxBox head{0, 0, 0, 4, 1, 1};
  GfxCopySubresourceRegion(g_context, g2, 0, 12, 0, 0, g1, 0, &head);
  GfxCopySubresourceRegion(g_context, s2, 0, 0, 0, 0, g3, 0, nullptr);
  EXPECT_EQ(bytes(s2), expected);
  GfxCopySubresourceRegion(g_context, s2, 0, 0, 0, 0, g2, 0, nullptr);
  std::vector<uint8_t> joined(second, second + 16);
  for (int i = 0; i < 4; ++i) joined[size_t(12 + i)] = first[i];
  EXPECT_EQ(bytes(s2), joined);
  GfxRelease(g1), GfxRelease(g2), GfxRelease(g3), GfxRelease(s1), GfxRelease(s2);
}

// The blend factor reaches GL whichever of the four blend inputs names it: each case below
// names it in one input only, with a factor of its own, over a target cleared to black or
// white; the colour drawn is white.
TEST_F(GfxPixels, TheBlendFactorReachesGlWhicheverInputNamesIt) {
  struct Case {
    GfxBlend src, dest, srcAlpha, destAlpha;
    float clear, factor[4];
    int expected[4];  // r, g, b, a
  };
  const Case cases[] = {
      {GFX_BLEND_BLEND_FACTOR, GFX_BLEND_ZERO, GFX_BLEND_ONE, GFX_BLEND_ZERO, 0, {0.5f, 0.25f, 0.75f, 0.125f},
       {128, 64, 191, 255}},
      {GFX_BLEND_ZERO, GFX_BLEND_BLEND_FACTOR, GFX_BLEND_ZERO, GFX_BLEND_ONE, 1, {0.25f, 0.75f, 0.5f, 0.375f},
       {64, 191, 128, 255}},
      {GFX_BLEND_ONE, GFX_BLEND_ZERO, GFX_BLEND_BLEND_FACTOR, GFX_BLEND_ZERO, 0, {0.625f, 0.125f, 0.875f, 0.5f},
       {255, 255, 255, 128}},
      {GFX_BLEND_ONE, GFX_BLEND_ZERO, GFX_BLEND_ZERO, GFX_BLEND_BLEND_FACTOR, 1, {0.375f, 0.875f, 0.25f, 0.25f},
       {255, 255, 255, 64}},
      {GFX_BLEND_ZERO, GFX_BLEND_INV_BLEND_FACTOR, GFX_BLEND_ZERO, GFX_BLEND_ONE, 1, {0.75f, 0.5f, 0.25f, 1.0f},
       {64, 128, 191, 255}},
  };
  for (const Case& c : cases) {
    GfxBlendDesc bd;
    bd.renderTarget[0].blendEnable = 1;
    bd.renderTarget[0].srcBlend = c.src;
    bd.renderTarget[0].destBlend = c.dest;
    bd.renderTarget[0].srcBlendAlpha = c.srcAlpha;
    bd.renderTarget[0].destBlendAlpha = c.destAlpha;
    GfxBlendState state;
    ASSERT_EQ(GfxCreateBlendState(g_device, bd, &state), GFX_OK);
    const float clear[4] = {c.clear, c.clear, c.clear, c.clear};
    GfxClearRenderTargetView(g_context, rtv, clear);
    GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
    GfxOMSetBlendState(g_context, state, c.factor, 0xFFFFFFFF);
    Draw(Quad(0.5f, 0xFFFFFFFF));
    const uint32_t p = Pixel(Read(colour), 8, 8);
    const int got[4] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF), int(p >> 24)};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], c.expected[k], 1) << "case " << (&c - cases) << ", channel " << k;
    GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
    GfxRelease(state);
  }
  // No factor given: the factor is one in every channel.
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_BLEND_FACTOR;
  bd.renderTarget[0].destBlend = GFX_BLEND_ZERO;
  bd.renderTarget[0].srcBlendAlpha = GFX_BLEND_BLEND_FACTOR;
  bd.renderTarget[0].destBlendAlpha = GFX_BLEND_ZERO;
  GfxBlendState state;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &state), GFX_OK);
  const float black[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, black);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  GfxOMSetBlendState(g_context, state, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFFFFFFFFu);
  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  GfxRelease(state);
}

// A view of part of a texture's chain samples with the texture's own swizzle: level 1 of a
// 2 x 2 chain holds (10, 20, 30, 40), read through a view of that level with red and blue
// exchanged.
TEST_F(GfxPixels, AViewOfASwizzledTextureSamplesWithItsSwizzle) {
  GfxPixelShader sampler;
  ASSERT_EQ(GfxCreatePixelShader(g_device, CENTRE_SAMPLING_PS, 0, &sampler), GFX_OK) << GfxLastShaderLog();
  GfxTexture2DDesc d;
  d.width = d.height = 2;
  d.mipLevels = 2;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  const uint8_t level0[16] = {};
  const uint8_t level1[4] = {10, 20, 30, 40};
  GfxSubresourceData init[2] = {{level0, 0, 0}, {level1, 0, 0}};
  GfxTexture2D t;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, init, &t), GFX_OK);
  const uint8_t bgra[4] = {GFX_SWIZZLE_B, GFX_SWIZZLE_G, GFX_SWIZZLE_R, GFX_SWIZZLE_A};
  ASSERT_EQ(GfxSetTextureSwizzle(t, bgra), GFX_OK);
  GfxViewDesc vd;
  vd.mostDetailedMip = 1;
  GfxShaderResourceView view;
  ASSERT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &view), GFX_OK);
  GfxSamplerState point = MadePointSampler();
  GfxPSSetShader(g_context, sampler);
  GfxPSSetShaderResources(g_context, 0, 1, &view);
  GfxPSSetSamplers(g_context, 0, 1, &point);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0x281E140Au) << "alpha 40, red 30, green 20, blue 10";
  GfxClearState(g_context);
  GfxRelease(view), GfxRelease(point), GfxRelease(t), GfxRelease(sampler);
}

// A view of the whole texture (no description) samples through the texture itself, so a
// swizzle set after the view was made still reaches what the view samples: the texel
// 10, 20, 30, 40 reads as 10, 20, 30, 40 first, then as 30, 20, 10, 40 once red and blue
// are swapped.
TEST_F(GfxPixels, AWholeTextureViewFollowsASwizzleSetAfterItWasMade) {
  GfxPixelShader sampler;
  ASSERT_EQ(GfxCreatePixelShader(g_device, CENTRE_SAMPLING_PS, 0, &sampler), GFX_OK) << GfxLastShaderLog();
  auto [t, view] = MadeTexel({10, 20, 30, 40});
  GfxSamplerState point = MadePointSampler();
  GfxPSSetShader(g_context, sampler);
  GfxPSSetShaderResources(g_context, 0, 1, &view);
  GfxPSSetSamplers(g_context, 0, 1, &point);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0x280A141Eu) << "alpha 40, red 10, green 20, blue 30";

  const uint8_t bgra[4] = {GFX_SWIZZLE_B, GFX_SWIZZLE_G, GFX_SWIZZLE_R, GFX_SWIZZLE_A};
  ASSERT_EQ(GfxSetTextureSwizzle(t, bgra), GFX_OK);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  Draw(Quad(0.5f, 0xFFFFFFFF));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0x281E140Au) << "alpha 40, red 30, green 20, blue 10";
  GfxClearState(g_context);
  GfxRelease(view), GfxRelease(point), GfxRelease(t), GfxRelease(sampler);
}

// A state object released while it is bound is bound no more: the next draw takes the default
// depth test (LESS), no blending and back faces culled.
TEST_F(GfxPixels, AStateReleasedWhileBoundGivesWayToTheDefault) {
  GfxDepthStencilDesc dd;
  dd.depthFunc = GFX_COMPARISON_ALWAYS;
  GfxDepthStencilState always;
  ASSERT_EQ(GfxCreateDepthStencilState(g_device, dd, &always), GFX_OK);
  GfxOMSetDepthStencilState(g_context, always, 0);
  Draw(Quad(0.5f, 0xFF00FF00));
  GfxRelease(always);
  Draw(Quad(0.6f, 0xFFFF0000));  // farther: hidden under LESS
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF00FF00u) << "the depth test is LESS again";

  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_ONE;
  bd.renderTarget[0].destBlend = GFX_BLEND_ONE;
  GfxBlendState add;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &add), GFX_OK);
  GfxOMSetBlendState(g_context, add, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.4f, 0xFF402010));
  GfxRelease(add);
  Draw(Quad(0.3f, 0xFF402010));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF402010u) << "written, not added";

  GfxRasterizerDesc rd;
  rd.cullMode = GFX_CULL_NONE;
  GfxRasterizerState both;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &both), GFX_OK);
  GfxRSSetState(g_context, both);
  std::vector<Vertex> back = Quad(0.2f, 0xFF0000FF);
  std::reverse(back.begin(), back.end());  // the other winding: a back face
  Draw(back);
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF0000FFu) << "drawn while nothing is culled";
  GfxRelease(both);
  std::vector<Vertex> backAgain = Quad(0.1f, 0xFFFFFFFF);
  std::reverse(backAgain.begin(), backAgain.end());
  Draw(backAgain);
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF0000FFu) << "back faces culled again";
}

// A vertex shader released while it is bound takes its program with it: draws do nothing
// until another shader is set, rather than going on with what GL still holds.
TEST_F(GfxPixels, AVertexShaderReleasedWhileBoundDrawsNothingUntilAnotherIsSet) {
  GfxVertexShader own;
  ASSERT_EQ(GfxCreateVertexShader(g_device, VS_SOURCE, 0, &own), GFX_OK) << GfxLastShaderLog();
  GfxVSSetShader(g_context, own);
  Draw(Quad(0.5f, 0xFF00FF00));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF00FF00u) << "drawn with the shader bound";
  GfxRelease(own);
  Draw(Quad(0.4f, 0xFFFF0000));  // nearer: it would show if it were drawn
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF00FF00u) << "no vertex shader, no draw";
  GfxVSSetShader(g_context, vs);
  Draw(Quad(0.3f, 0xFFFF0000));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFFFF0000u) << "drawn again with the fixture's shader";
}

// A swizzle is four entries, each a channel, zero or one: what follows them is not read, a
// fifth source (past one) is refused and leaves the texture's swizzle as it was.
TEST_F(GfxPixels, ATexturesSwizzleIsItsFourEntriesEachAChannelZeroOrOne) {
  OneTexel made = MadeTexel({1, 2, 3, 4});
  const GfxTexture2D t = made.texture;
  const uint8_t five[5] = {GFX_SWIZZLE_ONE, GFX_SWIZZLE_ZERO, GFX_SWIZZLE_R, GFX_SWIZZLE_A, 200};
  EXPECT_EQ(GfxSetTextureSwizzle(t, five), GFX_OK) << "the byte after the four is not the swizzle's";
  uint8_t got[4] = {9, 9, 9, 9};
  GfxGetTextureSwizzle(t, got);
  EXPECT_EQ(std::vector<uint8_t>(got, got + 4), std::vector<uint8_t>(five, five + 4));
  const uint8_t past[4] = {GFX_SWIZZLE_R, GFX_SWIZZLE_G, GFX_SWIZZLE_B, GFX_SWIZZLE_ONE + 1};
  EXPECT_EQ(GfxSetTextureSwizzle(t, past), GFX_E_INVALIDARG);
  GfxGetTextureSwizzle(t, got);
  EXPECT_EQ(std::vector<uint8_t>(got, got + 4), std::vector<uint8_t>(five, five + 4)) << "unchanged";
  GfxRelease(made.view), GfxRelease(made.texture);
}

// A depth view names a level of the texture's chain: the last level is a view, the next is not.
TEST_F(GfxPixels, DepthViewsAreMadeUpToTheLastLevelOfTheChain) {
  GfxTexture2DDesc d;
  d.width = d.height = 4;
  d.mipLevels = 3;  // 4x4 2x2 1x1
  d.format = GFX_FORMAT_D24_UNORM_S8_UINT;
  d.bindFlags = GFX_BIND_DEPTH_STENCIL;
  GfxTexture2D t;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &t), GFX_OK);
  const int live = GfxLiveObjectCount();
  GfxViewDesc vd;
  vd.mipSlice = 2;
  GfxDepthStencilView view;
  EXPECT_EQ(GfxCreateDepthStencilView(g_device, t, &vd, &view), GFX_OK);
  EXPECT_EQ(GfxLiveObjectCount(), live + 1);
  GfxRelease(view);
  vd.mipSlice = 3;
  EXPECT_EQ(GfxCreateDepthStencilView(g_device, t, &vd, &view), GFX_E_INVALIDARG);
  EXPECT_EQ(view.id, 0u);
  EXPECT_EQ(GfxLiveObjectCount(), live) << "nothing made for the refused view";
  GfxRelease(t);
}

// Whole-level and boxed updates of a GPU texture land at their place, read back from GL.
TEST_F(GfxPixels, TextureUpdatesLandWhereTheBoxSays) {
  GfxTexture2DDesc d;
  d.width = 4;
  d.height = 2;
  d.mipLevels = 2;  // 4x2 and 2x1
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D t;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &t), GFX_OK);
  uint8_t whole[32];
  for (int i = 0; i < 32; ++i) whole[i] = uint8_t(i);
  GfxUpdateSubresource(g_context, t, 0, nullptr, whole, 0, 0);
  std::vector<uint8_t> back = Read(t, 0);
  EXPECT_EQ(std::memcmp(back.data(), whole, 32), 0);
  // Texel (2, 1) alone: bytes 24..27 of the level.
  const uint8_t one[4] = {200, 201, 202, 203};
  GfxBox at21{2, 1, 0, 3, 2, 1};
  GfxUpdateSubresource(g_context, t, 0, &at21, one, 0, 0);
  back = Read(t, 0);
  EXPECT_EQ(back[23], 23);
  EXPECT_EQ(back[24], 200);
  EXPECT_EQ(back[27], 203);
  EXPECT_EQ(back[28], 28);
  // Level 1 whole: 2 x 1 texels.
  const uint8_t level1[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  GfxUpdateSubresource(g_context, t, 1, nullptr, level1, 0, 0);
  back = Read(t, 1);
  ASSERT_EQ(back.size(), 8u);
  EXPECT_EQ(std::memcmp(back.data(), level1, 8), 0);
  GfxRelease(t);
}

// What the device refuses to make, one step past each limit, and what it makes at the limit.
TEST_F(GfxPixels, ResourcesAndViewsAreMadeUpToTheirLimitsAndRefusedPastThem) {
  auto make = [](uint32_t width, uint32_t height, uint32_t levels, GfxFormat format, uint32_t bind) {
    GfxTexture2DDesc d;
    d.width = width;
    d.height = height;
    d.mipLevels = levels;
    d.format = format;
    d.bindFlags = bind;
    GfxTexture2D t;
    const GfxResult r = GfxCreateTexture2D(g_device, d, nullptr, &t);
    GfxRelease(t);
    return r;
  };
  const uint32_t SRV = GFX_BIND_SHADER_RESOURCE;
  EXPECT_EQ(make(16384, 1, 1, GFX_FORMAT_R8_UNORM, SRV), GFX_OK);
  EXPECT_EQ(make(16385, 1, 1, GFX_FORMAT_R8_UNORM, SRV), GFX_E_INVALIDARG);
  EXPECT_EQ(make(1, 16384, 1, GFX_FORMAT_R8_UNORM, SRV), GFX_OK);
  EXPECT_EQ(make(1, 16385, 1, GFX_FORMAT_R8_UNORM, SRV), GFX_E_INVALIDARG);
  EXPECT_EQ(make(0, 4, 1, GFX_FORMAT_R8_UNORM, SRV), GFX_E_INVALIDARG);
  EXPECT_EQ(make(4, 0, 1, GFX_FORMAT_R8_UNORM, SRV), GFX_E_INVALIDARG);
  EXPECT_EQ(make(8, 2, 4, GFX_FORMAT_R8_UNORM, SRV), GFX_OK);  // 8x2 4x1 2x1 1x1
  EXPECT_EQ(make(8, 2, 5, GFX_FORMAT_R8_UNORM, SRV), GFX_E_INVALIDARG);
  EXPECT_EQ(make(4, 4, 1, GFX_FORMAT_BC1_UNORM, GFX_BIND_RENDER_TARGET), GFX_E_INVALIDARG);
  EXPECT_EQ(make(4, 4, 1, GFX_FORMAT_R8G8B8A8_UNORM, GFX_BIND_DEPTH_STENCIL), GFX_E_INVALIDARG);
  EXPECT_EQ(make(4, 4, 1, GFX_FORMAT_UNKNOWN, SRV), GFX_E_INVALIDARG);

  // Multisampling: one sample always, up to the device's most, none beyond.
  const uint32_t most = GfxMaxSampleCount(g_device);
  ASSERT_GE(most, 1u);
  uint32_t quality = 9;
  EXPECT_EQ(GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_R8G8B8A8_UNORM, 0, &quality), GFX_OK);
  EXPECT_EQ(quality, 0u);
  GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_R8G8B8A8_UNORM, 1, &quality);
  EXPECT_EQ(quality, 1u);
  GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_R8G8B8A8_UNORM, most, &quality);
  EXPECT_EQ(quality, 1u);
  GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_R8G8B8A8_UNORM, most + 1, &quality);
  EXPECT_EQ(quality, 0u);
  GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_BC1_UNORM, 1, &quality);
  EXPECT_EQ(quality, 1u) << "one sample of any format";
  EXPECT_EQ(GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_UNKNOWN, 1, &quality), GFX_E_INVALIDARG);
  GfxTexture2DDesc ms;
  ms.width = ms.height = 4;
  ms.format = GFX_FORMAT_R8G8B8A8_UNORM;
  ms.bindFlags = GFX_BIND_RENDER_TARGET;
  ms.sampleDesc.count = most + 1;
  GfxTexture2D t;
  EXPECT_EQ(GfxCreateTexture2D(g_device, ms, nullptr, &t), GFX_E_INVALIDARG);

  // Buffers: none empty, constant buffers in whole 16-byte rows, immutable ones with data.
  auto buffer = [](uint32_t bytes, uint32_t bind, GfxUsage usage) {
    GfxBufferDesc d;
    d.byteWidth = bytes;
    d.bindFlags = bind;
    d.usage = usage;
    GfxBuffer b;
    const GfxResult r = GfxCreateBuffer(g_device, d, nullptr, &b);
    GfxRelease(b);
    return r;
  };
  EXPECT_EQ(buffer(0, GFX_BIND_VERTEX_BUFFER, GFX_USAGE_DEFAULT), GFX_E_INVALIDARG);
  EXPECT_EQ(buffer(1, GFX_BIND_VERTEX_BUFFER, GFX_USAGE_DEFAULT), GFX_OK);
  EXPECT_EQ(buffer(20, GFX_BIND_CONSTANT_BUFFER, GFX_USAGE_DEFAULT), GFX_E_INVALIDARG);
  EXPECT_EQ(buffer(32, GFX_BIND_CONSTANT_BUFFER, GFX_USAGE_DEFAULT), GFX_OK);
  EXPECT_EQ(buffer(32, GFX_BIND_VERTEX_BUFFER, GFX_USAGE_IMMUTABLE), GFX_E_INVALIDARG);

  // Views of a 4 x 4 texture of three levels: the last level is a view, the next is not.
  GfxTexture2DDesc d;
  d.width = d.height = 4;
  d.mipLevels = 3;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &t), GFX_OK);
  GfxViewDesc vd;
  vd.mipSlice = 2;
  GfxRenderTargetView rt;
  EXPECT_EQ(GfxCreateRenderTargetView(g_device, t, &vd, &rt), GFX_OK);
  GfxRelease(rt);
  vd.mipSlice = 3;
  EXPECT_EQ(GfxCreateRenderTargetView(g_device, t, &vd, &rt), GFX_E_INVALIDARG);
  GfxShaderResourceView sr;
  vd = GfxViewDesc{};
  vd.mostDetailedMip = 2;
  EXPECT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &sr), GFX_OK);
  GfxRelease(sr);
  vd.mostDetailedMip = 3;
  EXPECT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &sr), GFX_E_INVALIDARG);
  vd.mostDetailedMip = 0;
  vd.mipLevels = 0;
  EXPECT_EQ(GfxCreateShaderResourceView(g_device, t, &vd, &sr), GFX_E_INVALIDARG) << "no level at all";
  GfxDepthStencilView ds;
  EXPECT_EQ(GfxCreateDepthStencilView(g_device, t, nullptr, &ds), GFX_E_INVALIDARG) << "not a depth texture";
  GfxRelease(t);

  GfxBufferDesc ud;
  ud.byteWidth = 16;
  ud.bindFlags = GFX_BIND_UNORDERED_ACCESS;
  GfxBuffer raw;
  ASSERT_EQ(GfxCreateBuffer(g_device, ud, nullptr, &raw), GFX_OK);
  GfxUnorderedAccessView uav;
  GfxUavDesc words{1, 3};  // words 1 to 3 of 4
  EXPECT_EQ(GfxCreateUnorderedAccessView(g_device, raw, &words, &uav), GFX_OK);
  GfxRelease(uav);
  words = GfxUavDesc{1, 4};  // one word past the end
  EXPECT_EQ(GfxCreateUnorderedAccessView(g_device, raw, &words, &uav), GFX_E_INVALIDARG);
  GfxRelease(raw);

  // Input layouts: colours 0 and 1, texture coordinates 0 to 3, slot 0 only.
  auto layout = [&](const char* semantic, uint32_t index, uint32_t slot) {
    GfxInputElementDesc e{semantic, index, GFX_FORMAT_R32G32_FLOAT, slot, 0, GFX_INPUT_PER_VERTEX, 0};
    GfxInputLayout l;
    const GfxResult r = GfxCreateInputLayout(g_device, &e, 1, vs, &l);
    GfxRelease(l);
    return r;
  };
  EXPECT_EQ(layout("COLOR", 1, 0), GFX_OK);
  EXPECT_EQ(layout("COLOR", 2, 0), GFX_E_INVALIDARG);
  EXPECT_EQ(layout("TEXCOORD", 3, 0), GFX_OK);
  EXPECT_EQ(layout("TEXCOORD", 4, 0), GFX_E_INVALIDARG);
  EXPECT_EQ(layout("NORMAL", 0, 1), GFX_E_INVALIDARG);
  EXPECT_EQ(layout("BINORMAL", 0, 0), GFX_E_INVALIDARG);
}

// Staging buffers: boxed updates and copies land at their bytes and never reach past the end.
TEST_F(GfxPixels, BufferUpdatesAndCopiesStayInsideTheirBuffers) {
  GfxBufferDesc d;
  d.byteWidth = 16;
  d.usage = GFX_USAGE_STAGING;
  d.cpuAccessFlags = GFX_CPU_ACCESS_READ | GFX_CPU_ACCESS_WRITE;
  uint8_t start[16];
  for (int i = 0; i < 16; ++i) start[i] = uint8_t(i);
  GfxSubresourceData init{start, 0, 0};
  GfxBuffer a, b;
  ASSERT_EQ(GfxCreateBuffer(g_device, d, &init, &a), GFX_OK);
  ASSERT_EQ(GfxCreateBuffer(g_device, d, nullptr, &b), GFX_OK);
  auto bytes = [](GfxBuffer buffer) {
    GfxMappedSubresource m;
    EXPECT_EQ(GfxMapResource(g_context, buffer, 0, GFX_MAP_READ, &m), GFX_OK);
    std::vector<uint8_t> out(static_cast<const uint8_t*>(m.data), static_cast<const uint8_t*>(m.data) + 16);
    GfxUnmap(g_context, buffer, 0);
    return out;
  };
  const uint8_t ones[16] = {0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1,
                            0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1};
  GfxBox last4{12, 0, 0, 16, 1, 1};  // bytes 12..15: up to the end exactly
  GfxUpdateSubresource(g_context, a, 0, &last4, ones, 0, 0);
  GfxBox pastEnd{13, 0, 0, 17, 1, 1};
  GfxUpdateSubresource(g_context, a, 0, &pastEnd, ones, 0, 0);
  GfxBox empty{5, 0, 0, 5, 1, 1};
  GfxUpdateSubresource(g_context, a, 0, &empty, ones, 0, 0);
  std::vector<uint8_t> got = bytes(a);
  EXPECT_EQ(got[11], 11);
  EXPECT_EQ(got[12], 0xA1);
  EXPECT_EQ(got[15], 0xA1);
  EXPECT_EQ(got[5], 5);

  // Bytes 0..7 of a copied to 8..15 of b (ending at its end), then one place too far.
  GfxBox first8{0, 0, 0, 8, 1, 1};
  GfxCopySubresourceRegion(g_context, b, 0, 8, 0, 0, a, 0, &first8);
  GfxCopySubresourceRegion(g_context, b, 0, 9, 0, 0, a, 0, &first8);
  GfxBox beyond{9, 0, 0, 17, 1, 1};
  GfxCopySubresourceRegion(g_context, b, 0, 0, 0, 0, a, 0, &beyond);
  got = bytes(b);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(got[i], 0) << i;
  for (int i = 8; i < 16; ++i) EXPECT_EQ(got[i], i - 8) << i;
  // The whole of a into b.
  GfxCopyResource(g_context, b, a);
  got = bytes(b);
  EXPECT_EQ(got[0], 0);
  EXPECT_EQ(got[11], 11);
  EXPECT_EQ(got[12], 0xA1);
  GfxRelease(a), GfxRelease(b);
}

// The sampler a draw binds carries its description into GL: filter, wrap modes, the
// level-of-detail range held within +-1000, and anisotropy held within the device's most.
TEST_F(GfxPixels, SamplersCarryTheirDescriptionIntoGl) {
  using GetInteger = void (*)(unsigned, int*);
  using GetFloat = void (*)(unsigned, float*);
  using SamplerInteger = void (*)(unsigned, unsigned, int*);
  using SamplerFloat = void (*)(unsigned, unsigned, float*);
  using ActiveTexture = void (*)(unsigned);
  const auto getIntegerv = reinterpret_cast<GetInteger>(GfxGetProcAddress("glGetIntegerv"));
  const auto getFloatv = reinterpret_cast<GetFloat>(GfxGetProcAddress("glGetFloatv"));
  const auto samplerInteger = reinterpret_cast<SamplerInteger>(GfxGetProcAddress("glGetSamplerParameteriv"));
  const auto samplerFloat = reinterpret_cast<SamplerFloat>(GfxGetProcAddress("glGetSamplerParameterfv"));
  const auto activeTexture = reinterpret_cast<ActiveTexture>(GfxGetProcAddress("glActiveTexture"));
  ASSERT_TRUE(getIntegerv && getFloatv && samplerInteger && samplerFloat && activeTexture);
  // GL's numbers, from its headers.
  constexpr unsigned ACTIVE_TEXTURE = 0x84E0, TEXTURE0 = 0x84C0, SAMPLER_BINDING = 0x8919;
  constexpr unsigned MAX_ANISOTROPY = 0x84FF, ANISOTROPY = 0x84FE;
  constexpr unsigned WRAP_S = 0x2802, WRAP_T = 0x2803, WRAP_R = 0x8072, MIN_FILTER = 0x2801, MAG_FILTER = 0x2800;
  constexpr unsigned MIN_LOD = 0x813A, MAX_LOD = 0x813B, LOD_BIAS = 0x8501;
  constexpr int REPEAT = 0x2901, MIRRORED_REPEAT = 0x8370, CLAMP_TO_BORDER = 0x812D, CLAMP_TO_EDGE = 0x812F;
  constexpr int LINEAR = 0x2601, NEAREST = 0x2600, LINEAR_MIPMAP_LINEAR = 0x2703, NEAREST_MIPMAP_NEAREST = 0x2700;
  float most = 1.0f;
  getFloatv(MAX_ANISOTROPY, &most);

  // Binds the sampler at slot 0 through a draw and gives GL's name of what unit 0 holds.
  auto bound = [&](GfxSamplerState sampler) {
    GfxPSSetSamplers(g_context, 0, 1, &sampler);
    Draw(Quad(0.5f, 0xFFFFFFFF));
    int unit = 0, name = 0;
    getIntegerv(ACTIVE_TEXTURE, &unit);
    activeTexture(TEXTURE0);
    getIntegerv(SAMPLER_BINDING, &name);
    activeTexture(unsigned(unit));
    return unsigned(name);
  };
  auto integer = [&](unsigned name, unsigned what) {
    int v = 0;
    samplerInteger(name, what, &v);
    return v;
  };
  auto real = [&](unsigned name, unsigned what) {
    float v = 0;
    samplerFloat(name, what, &v);
    return v;
  };

  GfxSamplerDesc sd;
  sd.filter = GFX_FILTER_ANISOTROPIC;
  sd.maxAnisotropy = 2;
  sd.addressU = GFX_ADDRESS_WRAP;
  sd.addressV = GFX_ADDRESS_MIRROR;
  sd.addressW = GFX_ADDRESS_BORDER;
  sd.mipLodBias = 0.5f;
  GfxSamplerState twice;
  ASSERT_EQ(GfxCreateSamplerState(g_device, sd, &twice), GFX_OK);
  unsigned name = bound(twice);
  ASSERT_NE(name, 0u);
  EXPECT_EQ(integer(name, WRAP_S), REPEAT);
  EXPECT_EQ(integer(name, WRAP_T), MIRRORED_REPEAT);
  EXPECT_EQ(integer(name, WRAP_R), CLAMP_TO_BORDER);
  EXPECT_EQ(integer(name, MIN_FILTER), LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(integer(name, MAG_FILTER), LINEAR);
  EXPECT_FLOAT_EQ(real(name, LOD_BIAS), 0.5f);
  EXPECT_FLOAT_EQ(real(name, MIN_LOD), -1000.0f) << "the description's -3.4e38 held at -1000";
  EXPECT_FLOAT_EQ(real(name, MAX_LOD), 1000.0f);
  EXPECT_FLOAT_EQ(real(name, ANISOTROPY), std::min(2.0f, most));

  sd.maxAnisotropy = 1000;  // beyond any device
  sd.filter = GFX_FILTER_ANISOTROPIC;
  sd.minLod = 2.0f;
  sd.maxLod = 5.0f;
  GfxSamplerState steep;
  ASSERT_EQ(GfxCreateSamplerState(g_device, sd, &steep), GFX_OK);
  name = bound(steep);
  EXPECT_FLOAT_EQ(real(name, ANISOTROPY), most);
  EXPECT_FLOAT_EQ(real(name, MIN_LOD), 2.0f);
  EXPECT_FLOAT_EQ(real(name, MAX_LOD), 5.0f);

  GfxSamplerDesc point;
  point.filter = GFX_FILTER_MIN_MAG_MIP_POINT;
  GfxSamplerState nearest;
  ASSERT_EQ(GfxCreateSamplerState(g_device, point, &nearest), GFX_OK);
  name = bound(nearest);
  EXPECT_EQ(integer(name, MIN_FILTER), NEAREST_MIPMAP_NEAREST);
  EXPECT_EQ(integer(name, MAG_FILTER), NEAREST);
  EXPECT_EQ(integer(name, WRAP_S), CLAMP_TO_EDGE);
  GfxPSSetSamplers(g_context, 0, 1, nullptr);
  GfxRelease(twice), GfxRelease(steep), GfxRelease(nearest);
}

TEST_F(GfxPixels, MultisampledTargetResolvesIntoAPlainTexture) {
  if (GfxMaxSampleCount(g_device) < 4) GTEST_SKIP();
  uint32_t quality = 0;
  GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_R8G8B8A8_UNORM, 4, &quality);
  EXPECT_EQ(quality, 1u);
  GfxCheckMultisampleQualityLevels(g_device, GFX_FORMAT_R8G8B8A8_UNORM, 64, &quality);
  EXPECT_EQ(quality, 0u);
  GfxTexture2DDesc d;
  d.width = d.height = SIZE;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.sampleDesc.count = 4;
  d.mipLevels = 0;  // as many as there can be
  d.bindFlags = GFX_BIND_RENDER_TARGET;
  GfxTexture2D ms;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &ms), GFX_OK);
  GfxTexture2DDesc made;
  GfxGetDesc(ms, &made);
  EXPECT_EQ(made.mipLevels, 1u) << "a multisampled texture has one level";
  GfxRenderTargetView msView;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, ms, nullptr, &msView), GFX_OK);
  GfxOMSetRenderTargets(g_context, 1, &msView, GfxDepthStencilView{});
  const float black[4] = {0, 0, 0, 1};
  GfxClearRenderTargetView(g_context, msView, black);
  Draw(Quad(0.5f, 0xFFFFFFFF, -1, -1, 0, 1));  // left half
  GfxResolveSubresource(g_context, colour, 0, ms, 0, GFX_FORMAT_R8G8B8A8_UNORM);
  auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(p, 28, 16), 0xFF000000u);
  GfxRelease(msView), GfxRelease(ms);
}

// With alpha to coverage on, a fragment's alpha says how many of its pixel's samples it
// covers: alpha 0 covers none, so a quad of alpha 0 leaves a 4-sample target's black clear.
// With it off (and blending off) the same quad writes its colour, alpha 0 and all.
TEST_F(GfxPixels, AlphaToCoverageDropsEverySampleOfATransparentQuad) {
  if (GfxMaxSampleCount(g_device) < 4) GTEST_SKIP();
  GfxTexture2DDesc d;
  d.width = d.height = SIZE;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.sampleDesc.count = 4;
  d.mipLevels = 1;
  d.bindFlags = GFX_BIND_RENDER_TARGET;
  GfxTexture2D ms;
  ASSERT_EQ(GfxCreateTexture2D(g_device, d, nullptr, &ms), GFX_OK);
  GfxRenderTargetView msView;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, ms, nullptr, &msView), GFX_OK);
  GfxOMSetRenderTargets(g_context, 1, &msView, GfxDepthStencilView{});
  const float black[4] = {0, 0, 0, 1};
  GfxClearRenderTargetView(g_context, msView, black);
  GfxBlendDesc bd;
  bd.alphaToCoverageEnable = 1;
  GfxBlendState coverage;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &coverage), GFX_OK);
  GfxOMSetBlendState(g_context, coverage, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.5f, 0x00FF0000, -1, -1, 0, 1));  // left half
  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.5f, 0x00FF0000, 0, -1, 1, 1));  // right half
  GfxResolveSubresource(g_context, colour, 0, ms, 0, GFX_FORMAT_R8G8B8A8_UNORM);
  const auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 4, 16), 0xFF000000u) << "no sample covered";
  EXPECT_EQ(Pixel(p, 28, 16), 0x00FF0000u) << "every sample written";
  GfxClearState(g_context);
  GfxRelease(coverage), GfxRelease(msView), GfxRelease(ms);
}

// A chain of two levels, 4 x 1 or 1 x 4 at level 0 and so 2 x 1 or 1 x 2 at level 1 (a side
// halves per level, and never below one), with sixteen distinct bytes and two distinct texels.
constexpr uint32_t CHAIN_SIDES[2][2] = {{4, 1}, {1, 4}};
constexpr uint8_t CHAIN_LEVEL0[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr uint8_t CHAIN_LEVEL1[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
constexpr uint8_t CHAIN_ZEROS[16] = {};
const GfxSubresourceData CHAIN_LEVELS[2] = {{CHAIN_LEVEL0, 0, 0}, {CHAIN_LEVEL1, 0, 0}};
const GfxSubresourceData CHAIN_BLANK[2] = {{CHAIN_ZEROS, 0, 0}, {CHAIN_ZEROS, 0, 0}};

GfxTexture2DDesc TwoLevelChain(const uint32_t side[2]) {
  GfxTexture2DDesc d;
  d.width = side[0];
  d.height = side[1];
  d.mipLevels = 2;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  return d;
}

// A level past the first is resolved whole, though one of its sides has shrunk to a texel:
// level 1 of a 4 x 1 chain is 2 x 1 and of a 1 x 4 chain 1 x 2 (a side halves per level, and
// never below one).  Nothing else of the destination is written.
TEST_F(GfxPixels, ResolvingALevelOfAFlatOrNarrowChainCopiesTheWholeLevel) {
  for (const auto& side : CHAIN_SIDES) {
    SCOPED_TRACE(testing::Message() << side[0] << " x " << side[1]);
    GfxTexture2DDesc d = TwoLevelChain(side);
    GfxTexture2D source, destination;
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, CHAIN_LEVELS, &source), GFX_OK);
    ASSERT_EQ(GfxCreateTexture2D(g_device, d, CHAIN_BLANK, &destination), GFX_OK);
    GfxResolveSubresource(g_context, destination, 1, source, 1, GFX_FORMAT_R8G8B8A8_UNORM);
    uint8_t back1[8], back0[16];
    std::memset(back1, 0xEE, sizeof back1);
    std::memset(back0, 0xEE, sizeof back0);
    ASSERT_TRUE(GfxReadTexturePixels(g_context, destination, 1, back1, sizeof back1));
    ASSERT_TRUE(GfxReadTexturePixels(g_context, destination, 0, back0, sizeof back0));
    EXPECT_EQ(std::vector<uint8_t>(back1, back1 + 8), std::vector<uint8_t>(CHAIN_LEVEL1, CHAIN_LEVEL1 + 8));
    EXPECT_EQ(std::vector<uint8_t>(back0, back0 + 16), std::vector<uint8_t>(16, 0)) << "level 0 untouched";
    GfxRelease(source), GfxRelease(destination);
  }
}

// A chain of 4 x 1 (or 1 x 4) has a second level of 2 x 1 (1 x 2): a copy of that level, with
// no box, copies its two texels whole into the same level of a like chain, on the GPU or into
// staging memory, and leaves level 0 alone.
TEST_F(GfxPixels, CopyingALevelOfAFlatOrNarrowChainCopiesTheWholeLevel) {
  for (const auto& side : CHAIN_SIDES) {
    for (const bool staging : {false, true}) {
      SCOPED_TRACE(testing::Message() << side[0] << " x " << side[1] << (staging ? " into staging" : ""));
      GfxTexture2DDesc d = TwoLevelChain(side);
      GfxTexture2D source, destination;
      ASSERT_EQ(GfxCreateTexture2D(g_device, d, CHAIN_LEVELS, &source), GFX_OK);
      if (staging) {
        d.usage = GFX_USAGE_STAGING;
        d.bindFlags = 0;
        d.cpuAccessFlags = GFX_CPU_ACCESS_READ;
      }
      ASSERT_EQ(GfxCreateTexture2D(g_device, d, CHAIN_BLANK, &destination), GFX_OK);
      GfxCopySubresourceRegion(g_context, destination, 1, 0, 0, 0, source, 1, nullptr);
      uint8_t back1[8], back0[16];
      std::memset(back1, 0xEE, sizeof back1);
      std::memset(back0, 0xEE, sizeof back0);
      ASSERT_TRUE(GfxReadTexturePixels(g_context, destination, 1, back1, sizeof back1));
      ASSERT_TRUE(GfxReadTexturePixels(g_context, destination, 0, back0, sizeof back0));
      EXPECT_EQ(std::vector<uint8_t>(back1, back1 + 8), std::vector<uint8_t>(CHAIN_LEVEL1, CHAIN_LEVEL1 + 8));
      EXPECT_EQ(std::vector<uint8_t>(back0, back0 + 16), std::vector<uint8_t>(16, 0)) << "level 0 untouched";
      GfxRelease(source), GfxRelease(destination);
    }
  }
}

TEST(GfxSwapChainTest, HeadlessBackBufferPresentsAndReportsInjectedFaults) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GfxSetHeadlessClientSize(64, 48);
  GfxSwapChainDesc sd;
  sd.bufferDesc.format = GFX_FORMAT_R8G8B8A8_UNORM;
  GfxSwapChain chain;
  ASSERT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &chain), GFX_OK);
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxTexture2DDesc d;
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 64u);
  EXPECT_EQ(d.height, 48u);
  // Resizing while a reference is held is refused, as views would dangle.
  EXPECT_EQ(GfxSwapChainResizeBuffers(chain, 1, 32, 32, GFX_FORMAT_UNKNOWN, 0), GFX_ERROR_INVALID_CALL);
  GfxRelease(buffer);
  EXPECT_EQ(GfxSwapChainResizeBuffers(chain, 1, 32, 16, GFX_FORMAT_UNKNOWN, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 32u);
  EXPECT_EQ(d.height, 16u);
  GfxRelease(buffer);

  EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  for (GfxResult fault : {GFX_ERROR_DEVICE_REMOVED, GFX_ERROR_DEVICE_RESET, GFX_STATUS_OCCLUDED}) {
    GfxInjectPresentFault(fault);
    EXPECT_EQ(GfxSwapChainPresent(chain, 1, 0), fault);
    EXPECT_EQ(GfxSwapChainPresent(chain, 1, 0), fault);  // it lasts until cleared
  }
  GfxInjectPresentFault(GFX_OK);
  EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  int32_t full = -1;
  EXPECT_EQ(GfxSwapChainSetFullscreenState(chain, 1, GfxOutput{}), GFX_OK);
  GfxSwapChainGetFullscreenState(chain, &full);
  EXPECT_EQ(full, 1);
  GfxSwapChainSetFullscreenState(chain, 0, GfxOutput{});
  GfxRelease(chain);
  GfxSetHeadlessClientSize(800, 600);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

TEST(GfxSwapChainTest, ChainsAreCheckedCountedAndSizedAsAsked) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GfxSetHeadlessClientSize(64, 48);
  GfxSwapChainDesc sd;
  GfxSwapChain a, b, c;
  sd.bufferDesc.format = GFX_FORMAT_R8_UNORM;  // not a format a window shows
  EXPECT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &a), GFX_E_INVALIDARG);
  sd.bufferDesc.format = GFX_FORMAT_R10G10B10A2_UNORM;
  sd.sampleDesc.count = 2;  // multisampling belongs to render textures
  EXPECT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &a), GFX_E_INVALIDARG);
  sd.sampleDesc.count = 1;
  sd.bufferDesc.width = 40;  // the height from the client area
  ASSERT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &a), GFX_OK);
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(a, 0, &buffer), GFX_OK);
  GfxTexture2DDesc d;
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 40u);
  EXPECT_EQ(d.height, 48u);
  EXPECT_EQ(d.format, GFX_FORMAT_R10G10B10A2_UNORM);
  GfxRelease(buffer);
  EXPECT_EQ(GfxSwapChainGetBuffer(a, 1, &buffer), GFX_ERROR_INVALID_CALL) << "one buffer only";
  // The width from the client area, the height as asked.
  ASSERT_EQ(GfxSwapChainResizeBuffers(a, 1, 0, 20, GFX_FORMAT_UNKNOWN, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainGetBuffer(a, 0, &buffer), GFX_OK);
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 64u);
  EXPECT_EQ(d.height, 20u);
  EXPECT_EQ(d.format, GFX_FORMAT_R10G10B10A2_UNORM) << "an unknown format keeps the old one";
  GfxRelease(buffer);
  ASSERT_EQ(GfxSwapChainResizeBuffers(a, 1, 0, 0, GFX_FORMAT_B8G8R8A8_UNORM, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainGetBuffer(a, 0, &buffer), GFX_OK);
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.format, GFX_FORMAT_B8G8R8A8_UNORM);
  EXPECT_EQ(d.height, 48u);
  GfxRelease(buffer);
  // Two chains at once, not three.
  sd.bufferDesc.width = 0;
  ASSERT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &b), GFX_OK);
  EXPECT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &c), GFX_E_OUTOFMEMORY);
  GfxSwapChainDesc got;
  ASSERT_EQ(GfxSwapChainGetDesc(b, &got), GFX_OK);
  EXPECT_EQ(got.bufferDesc.width, 64u);
  EXPECT_EQ(got.bufferDesc.height, 48u);
  EXPECT_EQ(got.windowed, 1);
  GfxRelease(b);
  GfxRelease(a);
  EXPECT_EQ(GfxSwapChainGetDesc(a, &got), GFX_ERROR_INVALID_CALL);
  GfxSetHeadlessClientSize(800, 600);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

TEST(GfxSwapChainTest, AClientAreaOfNoSizeGivesABackBufferOfOnePixel) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  // A minimised window reports a client area of 0 x 0 (or less): the buffer keeps one pixel.
  GfxSetHeadlessClientSize(0, -3);
  GfxSwapChainDesc sd;
  sd.bufferDesc.format = GFX_FORMAT_R8G8B8A8_UNORM;
  GfxSwapChain chain;
  ASSERT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &chain), GFX_OK);
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxTexture2DDesc d;
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 1u);
  EXPECT_EQ(d.height, 1u);
  GfxRelease(buffer);
  // Resized to the client area, which grows and then shrinks to nothing again.
  GfxModeDesc mode;
  mode.width = 40;
  mode.height = 30;
  ASSERT_EQ(GfxSwapChainResizeTarget(chain, mode), GFX_OK);
  ASSERT_EQ(GfxSwapChainResizeBuffers(chain, 1, 0, 0, GFX_FORMAT_UNKNOWN, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 40u);
  EXPECT_EQ(d.height, 30u);
  GfxRelease(buffer);
  mode.width = 0;
  mode.height = 0;
  ASSERT_EQ(GfxSwapChainResizeTarget(chain, mode), GFX_OK);
  ASSERT_EQ(GfxSwapChainResizeBuffers(chain, 1, 0, 0, GFX_FORMAT_UNKNOWN, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 1u);
  EXPECT_EQ(d.height, 1u);
  GfxRelease(buffer);
  EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  GfxRelease(chain);
  GfxSetHeadlessClientSize(800, 600);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

namespace {

// A window of the given size with a swap chain of 8-bit RGBA back buffers on it.
void OpenWindowWithChain(int width, int height, SDL_Window** window, GfxSwapChain* chain) {
  *window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL);
  ASSERT_NE(*window, nullptr) << SDL_GetError();
  GfxSwapChainDesc sd;
  sd.bufferDesc.format = GFX_FORMAT_R8G8B8A8_UNORM;
  sd.outputWindow = *window;
  ASSERT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, chain), GFX_OK);
}

}  // namespace

TEST(GfxSwapChainTest, AnSdlWindowPresentsAndFollowsFullScreenAndResizes) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  SDL_Window* window = nullptr;
  GfxSwapChain chain;
  ASSERT_NO_FATAL_FAILURE(OpenWindowWithChain(96, 64, &window, &chain));
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxTexture2DDesc d;
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 96u) << "the client size";
  EXPECT_EQ(d.height, 64u);
  GfxRenderTargetView view;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, buffer, nullptr, &view), GFX_OK);
  const float red[4] = {1, 0, 0, 1};
  GfxClearRenderTargetView(g_context, view, red);
  EXPECT_EQ(GfxSwapChainPresent(chain, 1, 0), GFX_OK);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 1) << "a sync interval of 1 waits for the vertical blank";
  // The window's own surface has no depth buffer: the layer draws depth into its own targets,
  // and a window-sized depth buffer would be memory spent for nothing.
  // SDL asks GL about the framebuffer bound, so the window's own is bound for the question.
  using BindFramebuffer = void (*)(unsigned target, unsigned framebuffer);
  const auto bindFramebuffer = reinterpret_cast<BindFramebuffer>(GfxGetProcAddress("glBindFramebuffer"));
  ASSERT_NE(bindFramebuffer, nullptr);
  bindFramebuffer(0x8D40 /* GL_FRAMEBUFFER */, 0);
  using GetError = unsigned (*)();
  const auto getError = reinterpret_cast<GetError>(GfxGetProcAddress("glGetError"));
  ASSERT_NE(getError, nullptr);
  const auto attribute = [&](SDL_GLattr which) {
    while (getError() != 0) {}  // SDL reads a GL error left over as its own failure
    // With no depth attachment at all GL has no size to give: SDL says so with -1 and leaves 0.
    int value = 0;
    SDL_GL_GetAttribute(which, &value);
    return value;
  };
  EXPECT_EQ(attribute(SDL_GL_DEPTH_SIZE), 0) << "bits of depth in the window's framebuffer";
  GfxResetGlState(g_context);
  // The sync interval of each presentation reaches the swap: 0 presents at once, 1 waits.
  EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 0) << "sync 0";
  EXPECT_EQ(GfxSwapChainPresent(chain, 1, 0), GFX_OK);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 1) << "sync 1 again";
  EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 0) << "sync 0 again";
  SDL_HideWindow(window);
  EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_STATUS_OCCLUDED);
  SDL_ShowWindow(window);
  GfxRelease(view);
  GfxRelease(buffer);
  GfxModeDesc mode;
  mode.width = 120;
  mode.height = 80;
  EXPECT_EQ(GfxSwapChainResizeTarget(chain, mode), GFX_OK);
  EXPECT_EQ(GfxSwapChainResizeBuffers(chain, 1, 0, 0, GFX_FORMAT_UNKNOWN, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxGetDesc(buffer, &d);
  EXPECT_EQ(d.width, 120u) << "buffers follow the window's new client size";
  EXPECT_EQ(d.height, 80u);
  GfxRelease(buffer);
  int32_t full = 0;
  if (GfxSwapChainSetFullscreenState(chain, 1, GfxOutput{}) == GFX_OK) {
    GfxSwapChainGetFullscreenState(chain, &full);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(GfxSwapChainSetFullscreenState(chain, 0, GfxOutput{}), GFX_OK);
  }
  GfxSwapChainGetFullscreenState(chain, &full);
  EXPECT_EQ(full, 0);
  GfxRelease(chain);
  SDL_DestroyWindow(window);
}

// In full screen a resize asks the display for its mode closest to the size given, and the
// window takes that mode for full screen. The offscreen display lists a single mode of no size,
// which fits any size, so the window's full-screen mode is each size asked, not its own 96 x 64.
TEST(GfxSwapChainTest, AFullScreenResizeGivesTheWindowTheModeAskedFor) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  SDL_Window* window = nullptr;
  GfxSwapChain chain;
  ASSERT_NO_FATAL_FAILURE(OpenWindowWithChain(96, 64, &window, &chain));
  ASSERT_EQ(GfxSwapChainSetFullscreenState(chain, 1, GfxOutput{}), GFX_OK) << SDL_GetError();
  for (const auto& size : {std::pair{200, 150}, std::pair{320, 240}}) {
    GfxModeDesc mode;
    mode.width = uint32_t(size.first);
    mode.height = uint32_t(size.second);
    EXPECT_EQ(GfxSwapChainResizeTarget(chain, mode), GFX_OK) << size.first << "x" << size.second;
    SDL_DisplayMode taken{};
    ASSERT_EQ(SDL_GetWindowDisplayMode(window, &taken), 0) << SDL_GetError();
    EXPECT_EQ(taken.w, size.first);
    EXPECT_EQ(taken.h, size.second);
  }
  EXPECT_EQ(GfxSwapChainSetFullscreenState(chain, 0, GfxOutput{}), GFX_OK);
  GfxRelease(chain);
  SDL_DestroyWindow(window);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

// Two windows, each with its own swap chain: each presentation lands in its own window, whichever
// was drawn to last.
TEST(GfxSwapChainTest, EachChainPresentsIntoItsOwnWindow) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  SDL_Window* windows[2] = {SDL_CreateWindow("first", 0, 0, 32, 32, SDL_WINDOW_OPENGL),
                            SDL_CreateWindow("second", 40, 0, 32, 32, SDL_WINDOW_OPENGL)};
  ASSERT_NE(windows[0], nullptr) << SDL_GetError();
  ASSERT_NE(windows[1], nullptr) << SDL_GetError();
  const uint8_t colours[2][3] = {{200, 0, 0}, {0, 0, 200}};
  GfxSwapChain chains[2];
  for (int i = 0; i < 2; ++i) {
    GfxSwapChainDesc sd;
    sd.bufferDesc.format = GFX_FORMAT_R8G8B8A8_UNORM;
    sd.outputWindow = windows[i];
    ASSERT_EQ(GfxCreateSwapChain(GfxFactory{}, g_device, sd, &chains[i]), GFX_OK);
    GfxTexture2D buffer;
    ASSERT_EQ(GfxSwapChainGetBuffer(chains[i], 0, &buffer), GFX_OK);
    std::vector<uint8_t> pixels(32 * 32 * 4);
    for (size_t p = 0; p < pixels.size(); p += 4)
      pixels[p] = colours[i][0], pixels[p + 1] = colours[i][1], pixels[p + 2] = colours[i][2], pixels[p + 3] = 255;
    GfxUpdateSubresource(g_context, buffer, 0, nullptr, pixels.data(), 32 * 4, 0);
    GfxRelease(buffer);
  }
  ASSERT_EQ(GfxSwapChainPresent(chains[0], 0, 0), GFX_OK);
  ASSERT_EQ(GfxSwapChainPresent(chains[1], 0, 0), GFX_OK);
  for (int i = 0; i < 2; ++i) {
    uint8_t rgba[4] = {};
    ASSERT_TRUE(GfxReadWindowPixel(windows[i], 16, 16, rgba));
    EXPECT_EQ(rgba[0], colours[i][0]) << "window " << i;
    EXPECT_EQ(rgba[2], colours[i][2]) << "window " << i;
  }
  GfxRelease(chains[0]), GfxRelease(chains[1]);
  SDL_DestroyWindow(windows[0]);
  SDL_DestroyWindow(windows[1]);
}

// The presentation draws the whole back buffer into the window whatever drawing state the
// layer last gave GL: an additive blend writing red only, culling of counter-clockwise faces
// (fronts made counter-clockwise, front faces culled), wire frames and a scissor of 4 x 4.  The window shows 10, 20, 30 first, then 200, 100, 50 exactly
// (added it would be 210, 120, 80; red only 200, 20, 30).
TEST_F(GfxPixels, APresentationIsNotSpoiledByTheLayersDrawingState) {
  SDL_Window* window = nullptr;
  GfxSwapChain chain;
  ASSERT_NO_FATAL_FAILURE(OpenWindowWithChain(48, 40, &window, &chain));
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxRenderTargetView view;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, buffer, nullptr, &view), GFX_OK);
  const float first[4] = {10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1}, second[4] = {200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1};
  GfxClearRenderTargetView(g_context, view, first);
  ASSERT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  GfxClearRenderTargetView(g_context, view, second);

  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = bd.renderTarget[0].destBlend = GFX_BLEND_ONE;
  bd.renderTarget[0].renderTargetWriteMask = 0x1;
  GfxRasterizerDesc rd;
  rd.cullMode = GFX_CULL_FRONT;
  rd.frontCounterClockwise = 1;
  rd.fillMode = GFX_FILL_WIREFRAME;
  rd.scissorEnable = 1;
  GfxBlendState blend;
  GfxRasterizerState raster;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &blend), GFX_OK);
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &raster), GFX_OK);
  GfxOMSetBlendState(g_context, blend, nullptr, 0xFFFFFFFF);
  GfxRSSetState(g_context, raster);
  const GfxRect corner{0, 0, 4, 4};
  GfxRSSetScissorRects(g_context, 1, &corner);
  Draw(Quad(0.5f, 0xFF808080));  // puts all of it into GL
  ASSERT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  for (const auto& [x, y] : {std::pair{24, 20}, std::pair{1, 1}, std::pair{46, 38}}) {
    uint8_t rgba[4] = {};
    ASSERT_TRUE(GfxReadWindowPixel(window, x, y, rgba));
    EXPECT_EQ(rgba[0], 200) << x << ", " << y;
    EXPECT_EQ(rgba[1], 100) << x << ", " << y;
    EXPECT_EQ(rgba[2], 50) << x << ", " << y;
  }

  // The layer then draws on as before: its own program through its own 32 x 32 viewport (not
  // the window's 48 x 40) covers the left half, 16 columns; an sRGB view still encodes a
  // clear (grey 128 is 188 encoded).
  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  GfxRSSetState(g_context, GfxRasterizerState{});
  const float none[4] = {0, 0, 0, 0};
  GfxClearRenderTargetView(g_context, rtv, none);
  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  Draw(Quad(0.5f, 0xFF204060, -1, -1, 0, 1));
  const auto p = Read(colour);
  EXPECT_EQ(Pixel(p, 15, 16), 0xFF204060u) << "the last column of the left half";
  EXPECT_EQ(Pixel(p, 16, 16), 0x00000000u) << "the first of the right half";
  GfxRenderTargetView srgb;
  GfxViewDesc vd;
  vd.format = GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, colour, &vd, &srgb), GFX_OK);
  const float grey[4] = {128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1};
  GfxClearRenderTargetView(g_context, srgb, grey);
  EXPECT_EQ(Pixel(Read(colour), 5, 5), 0xFFBCBCBCu);
  GfxRelease(srgb);
  GfxRelease(blend), GfxRelease(raster), GfxRelease(view), GfxRelease(buffer), GfxRelease(chain);
  SDL_DestroyWindow(window);
}

// A swap chain's first frame is drawn in its window itself (its back buffer has no storage yet
// and the present needs no pass), later ones in the back buffer and presented by the pass:
// the same draws show the same picture, pixel for pixel.  The scene has what turns over with
// the window's rows: a viewport and a scissor rectangle off the middle, a culled back face,
// blending through the buffer's sRGB view; a blue square at the viewport's top left stays at
// the window's top left.
TEST_F(GfxPixels, AFirstFrameDrawnInItsWindowShowsAsOneDrawnInTheBackBuffer) {
  constexpr int WIDTH = 48, HEIGHT = 40;
  SDL_Window* window = nullptr;
  GfxSwapChain chain;
  ASSERT_NO_FATAL_FAILURE(OpenWindowWithChain(WIDTH, HEIGHT, &window, &chain));
  GfxTexture2D buffer;
  ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
  GfxViewDesc vd;
  vd.format = GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  GfxRenderTargetView view;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, buffer, &vd, &view), GFX_OK);
  GfxRasterizerDesc rd;
  rd.scissorEnable = 1;
  GfxRasterizerState culledAndCut;
  ASSERT_EQ(GfxCreateRasterizerState(g_device, rd, &culledAndCut), GFX_OK);
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = GFX_BLEND_SRC_ALPHA;
  bd.renderTarget[0].destBlend = GFX_BLEND_INV_SRC_ALPHA;
  GfxBlendState over;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &over), GFX_OK);

  const auto frame = [&] {
    GfxOMSetRenderTargets(g_context, 1, &view, GfxDepthStencilView{});
    const float clear[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    GfxClearRenderTargetView(g_context, view, clear);
    GfxRSSetState(g_context, culledAndCut);
    GfxOMSetBlendState(g_context, over, nullptr, 0xFFFFFFFF);
    const GfxViewport vp{6, 4, 36, 30, 0, 1};
    GfxRSSetViewports(g_context, 1, &vp);
    const GfxRect cut{2, 10, 40, 31};
    GfxRSSetScissorRects(g_context, 1, &cut);
    Draw(Quad(0.5f, 0x80FF0000));                                   // half red over all of it
    std::vector<Vertex> back = Quad(0.5f, 0xFF00FF00, -1, -1, 0, 0);
    std::reverse(back.begin(), back.end());
    Draw(back);                                                     // culled: no green
    GfxRect all{0, 0, WIDTH, HEIGHT};
    GfxRSSetScissorRects(g_context, 1, &all);
    Draw(Quad(0.5f, 0xFF0000FF, -1, 0.6f, -0.6f, 1));               // the viewport's top left
    EXPECT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
    std::vector<uint32_t> shown;
    for (int y = 0; y < HEIGHT; ++y)
      for (int x = 0; x < WIDTH; ++x) {
        uint8_t rgba[4] = {};
        EXPECT_TRUE(GfxReadWindowPixel(window, x, y, rgba));
        shown.push_back(uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2]);
      }
    return shown;
  };
  ASSERT_EQ(g_gfx.textures.Get(buffer.id)->window, WINDOW_DRAWN);
  const std::vector<uint32_t> first = frame();
  EXPECT_EQ(g_gfx.textures.Get(buffer.id)->window, WINDOW_SHOWN);
  const std::vector<uint32_t> second = frame();
  EXPECT_NE(g_gfx.textures.Get(buffer.id)->gl, 0u);
  int differ = 0;
  for (size_t i = 0; i < first.size(); ++i) differ += first[i] != second[i];

  EXPECT_EQ(differ, 0);
  const auto at = [&](int x, int y) { return first[size_t(y) * WIDTH + x]; };
  EXPECT_EQ(at(7, 5), 0x0000FFu) << "blue at the viewport's top left, at the window's top";
  EXPECT_EQ(at(1, 1), at(46, 38)) << "outside the viewport and the cut: the clear colour";
  EXPECT_NE(at(20, 20), at(1, 1)) << "the red half over the clear inside the cut";
  EXPECT_EQ(at(20, 8), at(1, 1)) << "above the cut: the clear colour";
  EXPECT_EQ(at(10, 30), at(20, 20)) << "the back face is culled";
  GfxRelease(view), GfxRelease(buffer), GfxRelease(culledAndCut), GfxRelease(over);
  GfxRelease(chain);
  SDL_DestroyWindow(window);
}

// Presenting into a window leaves GL at its defaults, as GfxResetGlState does: the layer's
// program, blending, depth test and culling, all in GL before the presentation, are gone
// after it.  The layer's record is reset with it, so its next draw sends its blend again:
// grey 0x40 added to the 0x40 already there reads 0x80.
TEST_F(GfxPixels, AWindowsPresentationLeavesGlAtItsDefaults) {
  using GetInteger = void (*)(unsigned, int*);
  using IsEnabled = unsigned char (*)(unsigned);
  const auto getIntegerv = reinterpret_cast<GetInteger>(GfxGetProcAddress("glGetIntegerv"));
  const auto isEnabled = reinterpret_cast<IsEnabled>(GfxGetProcAddress("glIsEnabled"));
  ASSERT_TRUE(getIntegerv && isEnabled);
  // GL's numbers, from its headers.
  constexpr unsigned CURRENT_PROGRAM = 0x8B8D, BLEND = 0x0BE2, DEPTH_TEST = 0x0B71, CULL_FACE = 0x0B44;
  const auto program = [&] {
    int name = -1;
    getIntegerv(CURRENT_PROGRAM, &name);
    return name;
  };

  SDL_Window* window = nullptr;
  GfxSwapChain chain;
  ASSERT_NO_FATAL_FAILURE(OpenWindowWithChain(32, 32, &window, &chain));
  GfxBlendDesc bd;
  bd.renderTarget[0].blendEnable = 1;
  bd.renderTarget[0].srcBlend = bd.renderTarget[0].destBlend = GFX_BLEND_ONE;
  GfxBlendState add;
  ASSERT_EQ(GfxCreateBlendState(g_device, bd, &add), GFX_OK);
  GfxOMSetBlendState(g_context, add, nullptr, 0xFFFFFFFF);
  Draw(Quad(0.5f, 0xFF404040));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF404040u);
  ASSERT_NE(program(), 0) << "the layer's draw left its program in GL";
  ASSERT_TRUE(isEnabled(BLEND));
  ASSERT_TRUE(isEnabled(DEPTH_TEST));
  ASSERT_TRUE(isEnabled(CULL_FACE));

  ASSERT_EQ(GfxSwapChainPresent(chain, 0, 0), GFX_OK);
  EXPECT_EQ(program(), 0);
  EXPECT_FALSE(isEnabled(BLEND));
  EXPECT_FALSE(isEnabled(DEPTH_TEST));
  EXPECT_FALSE(isEnabled(CULL_FACE));

  GfxClearDepthStencilView(g_context, dsv, GFX_CLEAR_DEPTH, 1.0f, 0);
  Draw(Quad(0.5f, 0xFF404040));
  EXPECT_EQ(Pixel(Read(colour), 8, 8), 0xFF808080u) << "alpha 0xFF + 0xFF is held at 0xFF";
  GfxOMSetBlendState(g_context, GfxBlendState{}, nullptr, 0xFFFFFFFF);
  GfxRelease(add), GfxRelease(chain);
  SDL_DestroyWindow(window);
}

namespace {

// A window of the given size with a swap chain on it, and the chain's back buffer filled
// from colourAt(x, y) (red, green, blue; alpha 255).
struct WindowWithChain {
  SDL_Window* window = nullptr;
  GfxSwapChain chain;
  GfxTexture2D buffer;

  template <typename ColourAt>
  void Open(int width, int height, ColourAt colourAt) {
    ASSERT_NO_FATAL_FAILURE(OpenWindowWithChain(width, height, &window, &chain));
    ASSERT_EQ(GfxSwapChainGetBuffer(chain, 0, &buffer), GFX_OK);
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
        const std::array<uint8_t, 3> c = colourAt(x, y);
        p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
      }
    GfxUpdateSubresource(g_context, buffer, 0, nullptr, pixels.data(), uint32_t(width) * 4, 0);
  }

  ~WindowWithChain() {
    GfxRelease(buffer);
    GfxRelease(chain);
    if (window) SDL_DestroyWindow(window);
  }
};

}  // namespace

TEST(GfxSwapChainTest, TheWindowShowsTheBackBufferTheRightWayRound) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  // Four quarters: red top left, green top right, blue bottom left, grey bottom right; the
  // bytes are shown as they are (an encoded 100 stays 100).
  WindowWithChain shown;
  ASSERT_NO_FATAL_FAILURE(shown.Open(96, 64, [](int x, int y) {
    const std::array<uint8_t, 3> colours[4] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {100, 100, 100}};
    return colours[(y >= 32) * 2 + (x >= 48)];
  }));
  SDL_Window* window = shown.window;
  ASSERT_EQ(GfxSwapChainPresent(shown.chain, 0, 0), GFX_OK);
  // Inside each quarter, then pixel for pixel at the corners and either side of the edges
  // between the quarters: the picture is neither moved nor stretched by a pixel.
  const int at[10][2] = {{10, 10}, {85, 10}, {10, 53}, {85, 53}, {0, 0},
                         {95, 63}, {47, 10}, {48, 10}, {10, 31}, {10, 32}};
  const int quarterAt[10] = {0, 1, 2, 3, 0, 3, 0, 1, 0, 2};
  const uint8_t want[4][3] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {100, 100, 100}};
  for (int i = 0; i < 10; ++i) {
    uint8_t rgba[4] = {};
    ASSERT_TRUE(GfxReadWindowPixel(window, at[i][0], at[i][1], rgba));
    const uint8_t* colour = want[quarterAt[i]];
    EXPECT_EQ(rgba[0], colour[0]) << at[i][0] << ", " << at[i][1];
    EXPECT_EQ(rgba[1], colour[1]) << at[i][0] << ", " << at[i][1];
    EXPECT_EQ(rgba[2], colour[2]) << at[i][0] << ", " << at[i][1];
  }
  // A pixel just outside the 96 x 64 window is not read.
  for (const auto& [x, y] : {std::pair{96, 10}, std::pair{10, 64}, std::pair{-1, 10}, std::pair{10, -1}}) {
    uint8_t outside[4] = {};
    EXPECT_FALSE(GfxReadWindowPixel(window, x, y, outside)) << x << ", " << y;
  }
  // The layer's own drawing goes on as before after a presentation.
  GfxRenderTargetView view;
  ASSERT_EQ(GfxCreateRenderTargetView(g_device, shown.buffer, nullptr, &view), GFX_OK);
  const float black[4] = {0, 0, 0, 1};
  GfxClearRenderTargetView(g_context, view, black);
  ASSERT_EQ(GfxSwapChainPresent(shown.chain, 0, 0), GFX_OK);
  uint8_t rgba[4] = {};
  ASSERT_TRUE(GfxReadWindowPixel(window, 10, 10, rgba));
  EXPECT_EQ(rgba[0], 0);
  GfxRelease(view);
}

// Where the present pass cannot be made the back buffer is blitted instead, just as whole:
// a window twice as wide as high, red in its left half and blue in its right, shows red at
// x 24 and blue at x 40 on every row, as the buffer has it.
TEST(GfxSwapChainTest, TheBlitPresentationFillsAWideWindowWithTheBufferAsItIs) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  WindowWithChain shown;
  ASSERT_NO_FATAL_FAILURE(shown.Open(64, 32, [](int x, int) {
    return x < 32 ? std::array<uint8_t, 3>{200, 0, 0} : std::array<uint8_t, 3>{0, 0, 200};
  }));
  SDL_Window* window = shown.window;
  GfxPresentByBlit(true);
  const GfxResult presented = GfxSwapChainPresent(shown.chain, 0, 0);
  GfxPresentByBlit(false);
  ASSERT_EQ(presented, GFX_OK);
  const int at[4][2] = {{24, 16}, {40, 16}, {24, 2}, {40, 29}};
  const uint8_t want[4][3] = {{200, 0, 0}, {0, 0, 200}, {200, 0, 0}, {0, 0, 200}};
  for (int i = 0; i < 4; ++i) {
    uint8_t rgba[4] = {};
    ASSERT_TRUE(GfxReadWindowPixel(window, at[i][0], at[i][1], rgba));
    EXPECT_EQ(rgba[0], want[i][0]) << at[i][0] << ", " << at[i][1];
    EXPECT_EQ(rgba[1], want[i][1]) << at[i][0] << ", " << at[i][1];
    EXPECT_EQ(rgba[2], want[i][2]) << at[i][0] << ", " << at[i][1];
  }
}

TEST(GfxDisplays, SdlDisplaysAreTheOutputsAndTheRendererNamesTheAdapter) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GfxFactory factory;
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  GfxAdapter adapter;
  ASSERT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_OK);
  GfxAdapterDesc ad;
  ASSERT_EQ(GfxGetAdapterDesc(adapter, &ad), GFX_OK);
  EXPECT_NE(ad.description[0], 0);
  GfxOutput output;
  ASSERT_EQ(GfxEnumOutputs(adapter, 0, &output), GFX_OK);
  uint32_t count = 0;
  EXPECT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr), GFX_OK);
  EXPECT_GE(count, 1u);
  // The output covers the display's bounds as SDL gives them.
  SDL_Rect bounds{};
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0) << SDL_GetError();
  ASSERT_GT(bounds.w, 0);
  GfxOutputDesc od;
  ASSERT_EQ(GfxGetOutputDesc(output, &od), GFX_OK);
  EXPECT_EQ(od.left, bounds.x);
  EXPECT_EQ(od.top, bounds.y);
  EXPECT_EQ(od.right, bounds.x + bounds.w);
  EXPECT_EQ(od.bottom, bounds.y + bounds.h);
  GfxRelease(factory);
}

TEST(GfxDisplays, FakeDisplaysAreListedAndCountedLikeTheRealOnes) {
  GfxModeDesc modes[3] = {};
  modes[0].width = 800, modes[0].height = 600, modes[0].refreshRate = {60, 1};
  modes[1].width = 1024, modes[1].height = 768, modes[1].refreshRate = {60000, 1001};
  modes[2].width = 1920, modes[2].height = 1080, modes[2].refreshRate = {60, 1};
  GfxFakeDisplays fake;
  fake.adapterCount = 2;
  fake.adapterNames[0] = "Adapter Zero";
  fake.outputCount = 1;
  fake.outputNames[0] = "DISPLAY1";
  fake.modes = modes;
  fake.modeCount = 3;
  fake.virtualWidth = 1920;
  fake.virtualHeight = 1080;
  GfxUseFakeDisplays(&fake);
  GfxFactory factory;
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  GfxAdapter adapter;
  EXPECT_EQ(GfxEnumAdapters(factory, 1, &adapter), GFX_OK);
  EXPECT_EQ(GfxEnumAdapters(factory, 2, &adapter), GFX_ERROR_NOT_FOUND);
  ASSERT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_OK);
  GfxAdapterDesc ad;
  ASSERT_EQ(GfxGetAdapterDesc(adapter, &ad), GFX_OK);
  EXPECT_EQ(ad.description[0], L'A');
  GfxOutput output;
  EXPECT_EQ(GfxEnumOutputs(adapter, 1, &output), GFX_ERROR_NOT_FOUND);
  ASSERT_EQ(GfxEnumOutputs(adapter, 0, &output), GFX_OK);
  uint32_t count = 0;
  ASSERT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr), GFX_OK);
  EXPECT_EQ(count, 3u);
  GfxModeDesc got[3];
  got[2].width = 77;  // past the two asked for: never written
  count = 2;
  EXPECT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, got), GFX_ERROR_MORE_DATA);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(got[1].width, 1024u);
  EXPECT_EQ(got[2].width, 77u);
  count = 3;
  ASSERT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, got), GFX_OK);
  EXPECT_EQ(got[1].refreshRate.denominator, 1001u);
  EXPECT_EQ(got[2].format, GFX_FORMAT_R8G8B8A8_UNORM);
  // Room for five: the three there are, the count says so, and the rest is not written.
  GfxModeDesc roomy[5] = {};
  roomy[3].width = 77;
  count = 5;
  ASSERT_EQ(GfxGetDisplayModeList(output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, roomy), GFX_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(roomy[2].width, 1920u);
  EXPECT_EQ(roomy[3].width, 77u);
  int w = 0, h = 0;
  GfxGetVirtualScreenSize(&w, &h);
  EXPECT_EQ(w, 1920);
  GfxRelease(factory);
  GfxUseFakeDisplays(nullptr);
}

// Fake counts are held to what the factory holds: none below zero, at most four adapters and
// eight outputs.
TEST(GfxDisplays, FakeCountsAreHeldToTheFactorysRoom) {
  GfxFakeDisplays fake;
  fake.adapterCount = -1;
  fake.outputCount = -1;
  GfxUseFakeDisplays(&fake);
  GfxFactory factory;
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  GfxAdapter adapter;
  EXPECT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_ERROR_NOT_FOUND) << "no adapter";
  GfxRelease(factory);

  fake.adapterCount = 6;
  fake.outputCount = 9;
  GfxUseFakeDisplays(&fake);
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  EXPECT_EQ(GfxEnumAdapters(factory, 3, &adapter), GFX_OK);
  EXPECT_EQ(GfxEnumAdapters(factory, 4, &adapter), GFX_ERROR_NOT_FOUND);
  ASSERT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_OK);
  GfxOutput output;
  EXPECT_EQ(GfxEnumOutputs(adapter, 7, &output), GFX_OK);
  EXPECT_EQ(GfxEnumOutputs(adapter, 8, &output), GFX_ERROR_NOT_FOUND);
  GfxRelease(factory);

  fake.adapterCount = 1;
  fake.outputCount = -1;
  GfxUseFakeDisplays(&fake);
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  ASSERT_EQ(GfxEnumAdapters(factory, 0, &adapter), GFX_OK);
  EXPECT_EQ(GfxEnumOutputs(adapter, 0, &output), GFX_ERROR_NOT_FOUND) << "no output";
  GfxRelease(factory);
  GfxUseFakeDisplays(nullptr);
}

// Four factories live at once; a fifth is refused until one is released, and the freed slot
// is taken again.  An adapter whose description cannot be read says so; the names a fake
// leaves out are "Fake adapter" and "FAKE", and an output covers the virtual screen.
TEST(GfxDisplays, FourFactoriesAtOnceAndTheFakeDescriptionsAndDefaults) {
  GfxFakeDisplays fake;
  fake.adapterCount = 2;
  fake.failingAdapterDesc = 1;
  fake.outputCount = 2;
  fake.outputNames[1] = "SECOND";
  fake.virtualWidth = 2560;
  fake.virtualHeight = 1440;
  GfxUseFakeDisplays(&fake);
  GfxFactory factories[5];
  for (int i = 0; i < 4; ++i) ASSERT_EQ(GfxCreateFactory(&factories[i]), GFX_OK) << i;
  EXPECT_EQ(GfxCreateFactory(&factories[4]), GFX_E_OUTOFMEMORY);
  // The fourth factory works like the first.
  GfxAdapter adapter;
  ASSERT_EQ(GfxEnumAdapters(factories[3], 0, &adapter), GFX_OK);
  GfxAdapterDesc ad;
  ASSERT_EQ(GfxGetAdapterDesc(adapter, &ad), GFX_OK);
  EXPECT_EQ(std::wstring(ad.description), L"Fake adapter");
  GfxOutput output;
  ASSERT_EQ(GfxEnumOutputs(adapter, 0, &output), GFX_OK);
  GfxOutputDesc od;
  ASSERT_EQ(GfxGetOutputDesc(output, &od), GFX_OK);
  EXPECT_EQ(std::wstring(od.deviceName), L"FAKE");
  EXPECT_EQ(od.left, 0);
  EXPECT_EQ(od.top, 0);
  EXPECT_EQ(od.right, 2560);
  EXPECT_EQ(od.bottom, 1440);
  EXPECT_EQ(od.attachedToDesktop, 1);
  ASSERT_EQ(GfxEnumOutputs(adapter, 1, &output), GFX_OK);
  ASSERT_EQ(GfxGetOutputDesc(output, &od), GFX_OK);
  EXPECT_EQ(std::wstring(od.deviceName), L"SECOND");
  ASSERT_EQ(GfxEnumAdapters(factories[3], 1, &adapter), GFX_OK);
  EXPECT_EQ(GfxGetAdapterDesc(adapter, &ad), GFX_E_FAIL) << "the second adapter's description fails";

  GfxRelease(factories[1]);
  EXPECT_EQ(GfxEnumAdapters(factories[1], 0, &adapter), GFX_ERROR_INVALID_CALL) << "released";
  ASSERT_EQ(GfxCreateFactory(&factories[4]), GFX_OK) << "the freed slot is taken again";
  EXPECT_EQ(factories[4].id, 2u);
  EXPECT_EQ(GfxEnumAdapters(GfxFactory{5}, 0, &adapter), GFX_ERROR_INVALID_CALL) << "there is no fifth slot";
  for (GfxFactory& f : factories) GfxRelease(f);
  GfxUseFakeDisplays(nullptr);
}

// The fake names are copied when the fakes are set, the last adapter's (the fourth) and the
// last output's (the eighth) too: the caller's buffers may change or go afterwards.  An
// output's name keeps its first 31 characters.
TEST(GfxDisplays, FakeNamesAreKeptUpToTheLastAdapterAndOutput) {
  char adapterName[16] = "Fourth";
  char outputName[16] = "EIGHTH";
  const std::string longName(40, 'N');
  GfxFakeDisplays fake;
  fake.adapterCount = 4;
  fake.adapterNames[3] = adapterName;
  fake.outputCount = 8;
  fake.outputNames[6] = longName.c_str();
  fake.outputNames[7] = outputName;
  GfxUseFakeDisplays(&fake);
  std::strcpy(adapterName, "changed");
  std::strcpy(outputName, "CHANGED");
  GfxFactory factory;
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  GfxAdapter adapter;
  ASSERT_EQ(GfxEnumAdapters(factory, 3, &adapter), GFX_OK);
  GfxAdapterDesc ad;
  ASSERT_EQ(GfxGetAdapterDesc(adapter, &ad), GFX_OK);
  EXPECT_EQ(std::wstring(ad.description), L"Fourth");
  GfxOutput output;
  GfxOutputDesc od;
  ASSERT_EQ(GfxEnumOutputs(adapter, 7, &output), GFX_OK);
  ASSERT_EQ(GfxGetOutputDesc(output, &od), GFX_OK);
  EXPECT_EQ(std::wstring(od.deviceName), L"EIGHTH");
  ASSERT_EQ(GfxEnumOutputs(adapter, 6, &output), GFX_OK);
  ASSERT_EQ(GfxGetOutputDesc(output, &od), GFX_OK);
  EXPECT_EQ(std::wstring(od.deviceName), std::wstring(31, L'N'));
  GfxRelease(factory);
  GfxUseFakeDisplays(nullptr);
}

// With two fake adapters and three outputs, each entry point takes adapter 1 and output 2,
// the last ones, and refuses adapter 2 and output 3, one past them.  A negative mode count
// lists no modes at all.
TEST(GfxDisplays, TheAdapterAndOutputPastTheLastAreRefusedByEveryCall) {
  GfxModeDesc mode = {};
  mode.width = 640, mode.height = 480, mode.refreshRate = {60, 1};
  GfxFakeDisplays fake;
  fake.adapterCount = 2;
  fake.outputCount = 3;
  fake.modes = &mode;
  fake.modeCount = -1;
  GfxUseFakeDisplays(&fake);
  GfxFactory factory;
  ASSERT_EQ(GfxCreateFactory(&factory), GFX_OK);
  GfxAdapterDesc ad;
  EXPECT_EQ(GfxGetAdapterDesc(GfxAdapter{factory.id, 1}, &ad), GFX_OK);
  std::memset(&ad, 0x5A, sizeof ad);
  EXPECT_EQ(GfxGetAdapterDesc(GfxAdapter{factory.id, 2}, &ad), GFX_ERROR_INVALID_CALL);
  EXPECT_EQ(ad.description[0], 0) << "an adapter not there is described as nothing";
  GfxOutput output;
  EXPECT_EQ(GfxEnumOutputs(GfxAdapter{factory.id, 1}, 2, &output), GFX_OK);
  EXPECT_EQ(GfxEnumOutputs(GfxAdapter{factory.id, 2}, 0, &output), GFX_ERROR_INVALID_CALL);
  GfxOutputDesc od;
  EXPECT_EQ(GfxGetOutputDesc(GfxOutput{factory.id, 0, 2}, &od), GFX_OK);
  EXPECT_EQ(GfxGetOutputDesc(GfxOutput{factory.id, 0, 3}, &od), GFX_ERROR_INVALID_CALL);
  uint32_t count = 5;
  EXPECT_EQ(GfxGetDisplayModeList(GfxOutput{factory.id, 0, 2}, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr), GFX_OK);
  EXPECT_EQ(count, 0u) << "a negative mode count lists none";
  count = 5;
  EXPECT_EQ(GfxGetDisplayModeList(GfxOutput{factory.id, 0, 3}, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr),
            GFX_ERROR_INVALID_CALL);
  EXPECT_EQ(count, 5u) << "untouched";
  GfxRelease(factory);
  GfxUseFakeDisplays(nullptr);
}

TEST(GfxDisplays, AnOutputThatIsNotThereDescribesNothing) {
  GfxOutputDesc desc;
  std::memset(&desc, 0x5A, sizeof desc);
  EXPECT_EQ(GfxGetOutputDesc(GfxOutput{}, &desc), GFX_ERROR_INVALID_CALL);
  EXPECT_EQ(desc.deviceName[0], 0);
  EXPECT_EQ(desc.left, 0);
  EXPECT_EQ(desc.right, 0);
  EXPECT_EQ(desc.attachedToDesktop, 0);
}

// In a process of its own, with SDL's video shut down, a device made again stands on an EGL
// context without a window: a clear of a small target reads back.  The child's exit code says
// which step failed (1 video still up, 2 no device, 3 no target, 4 wrong pixels).
int ClearOnAContextWithoutSdlVideo() {
  GfxRelease(g_context);
  GfxRelease(g_device);
  SDL_Quit();
  if (SDL_WasInit(SDL_INIT_VIDEO)) return 1;
  GfxAdapter adapter;
  GfxFeatureLevel level = GFX_FEATURE_LEVEL_11_0, got;
  GfxDevice device;
  GfxContext context;
  if (GfxFailed(GfxCreateDevice(adapter, &level, 1, &device, &got, &context))) return 2;
  GfxTexture2DDesc d;
  d.width = d.height = 4;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET;
  GfxTexture2D target;
  GfxRenderTargetView view;
  if (GfxFailed(GfxCreateTexture2D(device, d, nullptr, &target)) ||
      GfxFailed(GfxCreateRenderTargetView(device, target, nullptr, &view)))
    return 3;
  const float magenta[4] = {1, 0, 1, 1};
  GfxClearRenderTargetView(context, view, magenta);
  uint8_t pixels[4 * 4 * 4] = {};
  if (!GfxReadTexturePixels(context, target, 0, pixels, sizeof pixels)) return 4;
  for (int i = 0; i < 16; ++i)
    if (pixels[i * 4] != 255 || pixels[i * 4 + 1] != 0 || pixels[i * 4 + 2] != 255 || pixels[i * 4 + 3] != 255) return 4;
  GfxRelease(view), GfxRelease(target), GfxRelease(context), GfxRelease(device);
  return 0;
}

TEST(GfxContexts, WithoutSdlVideoTheDeviceDrawsOnAContextWithoutAWindow) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(ClearOnAContextWithoutSdlVideo()), ::testing::ExitedWithCode(0), "");
}

// In a process of its own, with the context held to level 10_0: a device is made at the first
// level asked for that the context reaches, only the levels counted are looked at, and no
// list at all gives the context's own level.  The exit code says which step failed.
int DevicesAtTheLevelsAskedFor() {
  GfxRelease(g_context);
  GfxRelease(g_device);
  GfxForceFeatureLevel(GFX_FEATURE_LEVEL_10_0);
  const GfxFeatureLevel levels[2] = {GFX_FEATURE_LEVEL_11_0, GFX_FEATURE_LEVEL_10_0};
  GfxAdapter adapter;
  GfxFeatureLevel got = GfxFeatureLevel(0);
  GfxDevice device;
  GfxContext context;
  if (GfxCreateDevice(adapter, levels, 1, &device, &got, &context) != GFX_E_INVALIDARG || device) return 1;
  if (GfxCreateDevice(adapter, levels, 2, &device, &got, &context) != GFX_OK) return 2;
  if (got != GFX_FEATURE_LEVEL_10_0 || GfxGetFeatureLevel(device) != GFX_FEATURE_LEVEL_10_0) return 3;
  GfxRelease(context), GfxRelease(device);
  if (GfxCreateDevice(adapter, nullptr, 0, &device, &got, &context) != GFX_OK) return 4;
  if (got != GFX_FEATURE_LEVEL_10_0) return 5;
  GfxRelease(context), GfxRelease(device);
  return 0;
}

TEST(GfxContexts, ADeviceIsMadeAtTheFirstCountedLevelTheContextReaches) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(DevicesAtTheLevelsAskedFor()), ::testing::ExitedWithCode(0), "");
}

// In a process of its own, a device and then a factory asked for where no GL context can be
// made (SDL's video up, its GL libraries files that are not there) are refused, and stderr
// says why each time: the callers have only the result code, so these lines are all the user
// learns.  Exit 0 when both are refused.
int RefusedDeviceWithoutALoadableGl() {
  GfxRelease(g_context);
  GfxRelease(g_device);
  SDL_Quit();
  setenv("SDL_VIDEO_EGL_DRIVER", "/nonexistent/libEGL-none.so", 1);
  setenv("SDL_VIDEO_GL_DRIVER", "/nonexistent/libGL-none.so", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  GfxAdapter adapter;
  GfxFeatureLevel level = GFX_FEATURE_LEVEL_11_0, got;
  GfxDevice device;
  GfxContext context;
  if (GfxCreateDevice(adapter, &level, 1, &device, &got, &context) != GFX_E_FAIL || device) return 2;
  std::fprintf(stderr, "then a factory:\n");
  GfxFactory factory;
  return GfxCreateFactory(&factory) == GFX_E_FAIL ? 0 : 3;
}

TEST(GfxContexts, ADeviceWithoutAContextIsRefusedAndStderrSaysWhy) {
  if (!g_device) ZKT_SKIP_OUTSIDE_CI() << "no GL context";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(RefusedDeviceWithoutALoadableGl()), ::testing::ExitedWithCode(0),
              "gfx: SDL_CreateWindow failed: .+then a factory:\ngfx: SDL_CreateWindow failed: .+");
}

// By the formats' names: the _SRGB ones and no other are sRGB, the D ones and no other depth,
// the BC ones and no other block-compressed.
TEST(GfxFormats, TheSrgbDepthAndCompressedFlagsFollowTheNames) {
  const std::set<int> srgb = {GFX_FORMAT_R8G8B8A8_UNORM_SRGB, GFX_FORMAT_BC1_UNORM_SRGB, GFX_FORMAT_BC2_UNORM_SRGB,
                              GFX_FORMAT_BC3_UNORM_SRGB,      GFX_FORMAT_B8G8R8A8_UNORM_SRGB,
                              GFX_FORMAT_B8G8R8X8_UNORM_SRGB, GFX_FORMAT_BC7_UNORM_SRGB};
  const std::set<int> depth = {GFX_FORMAT_D32_FLOAT, GFX_FORMAT_D24_UNORM_S8_UINT, GFX_FORMAT_D16_UNORM};
  const std::set<int> compressed = {GFX_FORMAT_BC1_UNORM, GFX_FORMAT_BC1_UNORM_SRGB, GFX_FORMAT_BC2_UNORM,
                                    GFX_FORMAT_BC2_UNORM_SRGB, GFX_FORMAT_BC3_UNORM, GFX_FORMAT_BC3_UNORM_SRGB,
                                    GFX_FORMAT_BC4_UNORM, GFX_FORMAT_BC4_SNORM, GFX_FORMAT_BC5_UNORM,
                                    GFX_FORMAT_BC5_SNORM, GFX_FORMAT_BC6H_UF16, GFX_FORMAT_BC6H_SF16,
                                    GFX_FORMAT_BC7_UNORM, GFX_FORMAT_BC7_UNORM_SRGB};
  for (int f = 0; f < int(GFX_FORMAT_COUNT); ++f) {
    const GfxFormatInfo& info = GfxGetFormatInfo(GfxFormat(f));
    // Each flag is 1 or 0.
    EXPECT_EQ(info.srgb, srgb.count(f)) << "format " << f;
    EXPECT_EQ(info.depth, depth.count(f)) << "format " << f;
    EXPECT_EQ(info.compressed, compressed.count(f)) << "format " << f;
  }
}

// The block-compressed colour formats are stored as the S3TC extension's formats, whose
// numbers the GL registry gives: COMPRESSED_RGBA_S3TC_DXT1/3/5_EXT and
// COMPRESSED_SRGB_ALPHA_S3TC_DXT1/3/5_EXT.
TEST(GfxFormats, TheS3tcFormatsHaveTheRegistrysNumbers) {
  const struct {
    GfxFormat format;
    uint32_t gl;
  } rows[] = {
      {GFX_FORMAT_BC1_UNORM, 0x83F1},      {GFX_FORMAT_BC2_UNORM, 0x83F2},      {GFX_FORMAT_BC3_UNORM, 0x83F3},
      {GFX_FORMAT_BC1_UNORM_SRGB, 0x8C4D}, {GFX_FORMAT_BC2_UNORM_SRGB, 0x8C4E}, {GFX_FORMAT_BC3_UNORM_SRGB, 0x8C4F},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(GfxGetFormatInfo(r.format).glInternal, r.gl) << "format " << r.format;
  }
}

TEST(GfxFormats, TableRowsFollowTheirEnumerators) {
  EXPECT_EQ(GfxGetFormatInfo(GFX_FORMAT_UNKNOWN).glInternal, 0u);
  EXPECT_EQ(GfxGetFormatInfo(GfxFormat(200)).glInternal, 0u);
  EXPECT_EQ(GfxBitsPerPixel(GFX_FORMAT_R8G8B8A8_UNORM), 32);
  EXPECT_EQ(GfxBitsPerPixel(GFX_FORMAT_BC1_UNORM), 4);
  EXPECT_EQ(GfxBitsPerPixel(GFX_FORMAT_BC3_UNORM), 8);
  EXPECT_EQ(GfxBitsPerPixel(GFX_FORMAT_R16G16B16A16_FLOAT), 64);
  EXPECT_EQ(GfxSrgbTwin(GFX_FORMAT_B8G8R8A8_UNORM), GFX_FORMAT_B8G8R8A8_UNORM_SRGB);
  EXPECT_EQ(GfxSrgbTwin(GFX_FORMAT_R16G16B16A16_FLOAT), GFX_FORMAT_R16G16B16A16_FLOAT);
  uint32_t pitch = 0;
  EXPECT_EQ(GfxLevelByteSize(GFX_FORMAT_BC1_UNORM, 6, 5, &pitch), 32u);  // 2 x 2 blocks of 8 bytes
  EXPECT_EQ(pitch, 16u);
  // Sides that are whole blocks take no block more: 4 x 8 is 1 x 2 blocks, 1 x 1 one block.
  EXPECT_EQ(GfxLevelByteSize(GFX_FORMAT_BC1_UNORM, 4, 8, &pitch), 16u);
  EXPECT_EQ(pitch, 8u);
  EXPECT_EQ(GfxLevelByteSize(GFX_FORMAT_BC3_UNORM, 8, 4, &pitch), 32u);  // 2 x 1 blocks of 16 bytes
  EXPECT_EQ(pitch, 32u);
  EXPECT_EQ(GfxLevelByteSize(GFX_FORMAT_BC3_UNORM, 1, 1, &pitch), 16u);
  EXPECT_EQ(GfxLevelByteSize(GFX_FORMAT_R16G16B16A16_FLOAT, 3, 2, &pitch), 48u);  // 3 x 8 bytes a row
  EXPECT_EQ(pitch, 24u);
}

// Each format's bytes per pixel from its name (the bits of its channels, 8 a byte), or per 4x4
// block for the block-compressed ones (8 for BC1 and BC4, 16 for the others); whether GL must
// be able to draw into it (its required colour- and depth-renderable formats: no SNORM, no
// three-channel 32-bit float, nothing compressed); and the swizzle that stands in for a
// channel it lacks (1 alpha from red for A8, 2 alpha one for X8).
TEST(GfxFormats, EachRowHoldsTheSizeRenderabilityAndSwizzleItsNameSays) {
  const struct {
    GfxFormat format;
    int bytes, renderable, swizzle;
  } rows[] = {
      {GFX_FORMAT_R32G32B32A32_FLOAT, 16, 1, 0}, {GFX_FORMAT_R32G32B32_FLOAT, 12, 0, 0},
      {GFX_FORMAT_R16G16B16A16_FLOAT, 8, 1, 0},  {GFX_FORMAT_R16G16B16A16_UNORM, 8, 1, 0},
      {GFX_FORMAT_R16G16B16A16_SNORM, 8, 0, 0},  {GFX_FORMAT_R32G32_FLOAT, 8, 1, 0},
      {GFX_FORMAT_R10G10B10A2_UNORM, 4, 1, 0},   {GFX_FORMAT_R11G11B10_FLOAT, 4, 1, 0},
      {GFX_FORMAT_R8G8B8A8_UNORM, 4, 1, 0},      {GFX_FORMAT_R8G8B8A8_UNORM_SRGB, 4, 1, 0},
      {GFX_FORMAT_R8G8B8A8_SNORM, 4, 0, 0},      {GFX_FORMAT_R16G16_FLOAT, 4, 1, 0},
      {GFX_FORMAT_R16G16_UNORM, 4, 1, 0},        {GFX_FORMAT_R16G16_SNORM, 4, 0, 0},
      {GFX_FORMAT_D32_FLOAT, 4, 1, 0},           {GFX_FORMAT_R32_FLOAT, 4, 1, 0},
      {GFX_FORMAT_R32_UINT, 4, 1, 0},            {GFX_FORMAT_D24_UNORM_S8_UINT, 4, 1, 0},
      {GFX_FORMAT_R8G8_UNORM, 2, 1, 0},          {GFX_FORMAT_R8G8_SNORM, 2, 0, 0},
      {GFX_FORMAT_R16_FLOAT, 2, 1, 0},           {GFX_FORMAT_D16_UNORM, 2, 1, 0},
      {GFX_FORMAT_R16_UNORM, 2, 1, 0},           {GFX_FORMAT_R16_UINT, 2, 1, 0},
      {GFX_FORMAT_R8_UNORM, 1, 1, 0},            {GFX_FORMAT_A8_UNORM, 1, 1, 1},
      {GFX_FORMAT_BC1_UNORM, 8, 0, 0},           {GFX_FORMAT_BC1_UNORM_SRGB, 8, 0, 0},
      {GFX_FORMAT_BC2_UNORM, 16, 0, 0},          {GFX_FORMAT_BC2_UNORM_SRGB, 16, 0, 0},
      {GFX_FORMAT_BC3_UNORM, 16, 0, 0},          {GFX_FORMAT_BC3_UNORM_SRGB, 16, 0, 0},
      {GFX_FORMAT_BC4_UNORM, 8, 0, 0},           {GFX_FORMAT_BC4_SNORM, 8, 0, 0},
      {GFX_FORMAT_BC5_UNORM, 16, 0, 0},          {GFX_FORMAT_BC5_SNORM, 16, 0, 0},
      {GFX_FORMAT_B5G6R5_UNORM, 2, 1, 0},        {GFX_FORMAT_B5G5R5A1_UNORM, 2, 1, 0},
      {GFX_FORMAT_B8G8R8A8_UNORM, 4, 1, 0},      {GFX_FORMAT_B8G8R8X8_UNORM, 4, 1, 2},
      {GFX_FORMAT_B8G8R8A8_UNORM_SRGB, 4, 1, 0}, {GFX_FORMAT_B8G8R8X8_UNORM_SRGB, 4, 1, 2},
      {GFX_FORMAT_BC6H_UF16, 16, 0, 0},          {GFX_FORMAT_BC6H_SF16, 16, 0, 0},
      {GFX_FORMAT_BC7_UNORM, 16, 0, 0},          {GFX_FORMAT_BC7_UNORM_SRGB, 16, 0, 0},
      {GFX_FORMAT_B4G4R4A4_UNORM, 2, 1, 0},
  };
  std::set<int> listed;
  for (const auto& r : rows) {
    const GfxFormatInfo& info = GfxGetFormatInfo(r.format);
    EXPECT_NE(info.glInternal, 0u) << "format " << r.format;
    EXPECT_EQ(info.bytesPerPixel, r.bytes) << "format " << r.format;
    EXPECT_EQ(info.renderable, r.renderable) << "format " << r.format;
    EXPECT_EQ(info.swizzle, r.swizzle) << "format " << r.format;
    listed.insert(r.format);
  }
  for (int f = 0; f < int(GFX_FORMAT_COUNT); ++f)
    if (!listed.count(f)) {
      EXPECT_EQ(GfxGetFormatInfo(GfxFormat(f)).glInternal, 0u) << "format " << f << " has a row";
    }
}

}  // namespace
