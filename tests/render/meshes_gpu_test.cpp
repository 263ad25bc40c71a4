// meshes_gpu_test.cpp - display meshes on a real GL context: a lit cube through its fast mesh
// and through the frame's temporary meshes, a shadow on the ground, a blended part in the
// second pass, the sun quad, and the world pixel shaders against the same shading evaluated on
// the processor.  Runs in the same binary as the device tests, which make the device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/gamma_tables.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/object_mesh.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/mesh_fixtures.h"

namespace {

constexpr int SIZE = 64;

struct Rgba {
  float r, g, b, a;
};

// ---- the world shading of pixel shaders 38 to 46, on the processor ----

struct Vec3 {
  float x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
Vec3 operator*(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalise(Vec3 a) { return a * (1.0f / std::sqrt(Dot(a, a))); }

// What a world pixel shader is given: the constants as uploaded and the pixel's inputs.
struct ShadeInputs {
  // Defines of the shader.
  bool solid, atest, alphaDiffuse, shine, noDiffuse, alphaMulShine;
  // Vertex inputs (the same at every vertex of the test quad).
  Vec3 normal;         // as the bytes give it, before normalising
  float normalW;       // the fourth byte / 127
  Rgba vertexColour;
  Vec3 specular;       // unpacked COLOR1
  // Constants.
  float irradiance[3][16];
  Vec3 fogColour;
  float fogFactor;
  Vec3 sunDirection, sunColour;
  Vec3 eye;
  Rgba texture;        // the texture's one texel
  float alphaReference;
  float shineRow[12];  // linear colour, F0; kind weights; blur, soft squared
  Vec3 environment;    // the environment's one texel
  Vec3 position;       // the pixel's world position
};

bool Shade(const ShadeInputs& in, Rgba* out) {
  const float a = in.texture.a;
  if (in.atest && a < in.alphaReference) return false;
  const Vec3 n = Normalise(in.normal);
  float light[3];
  const float v4[4] = {n.x, n.y, n.z, 1.0f};
  for (int c = 0; c < 3; ++c) {
    float sum = 0;
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) sum += v4[r] * in.irradiance[c][r * 4 + k] * v4[k];
    light[c] = std::max(sum, 0.0f);
  }
  const Vec3 toEye = in.eye - in.position;
  const float distance = std::sqrt(Dot(toEye, toEye));
  const Vec3 v = toEye * (1.0f / distance);
  const Vec3 r = n * (2.0f * Dot(n, v)) - v;
  const Vec3 diffuse = Vec3{in.texture.r, in.texture.g, in.texture.b} *
                       Vec3{in.vertexColour.r, in.vertexColour.g, in.vertexColour.b} * Vec3{light[0], light[1], light[2]};
  const float shininess = 128.0f * std::max(in.normalW, 1.0f / 127.0f);
  const Vec3 specular = in.specular * in.sunColour * std::pow(std::max(Dot(r, in.sunDirection), 0.0f), shininess);
  float diffuseMask = in.shine ? in.shineRow[6] + in.shineRow[7] * a : in.alphaDiffuse ? a : 1.0f;
  if (in.noDiffuse) diffuseMask = 0.0f;
  Vec3 colour = diffuse * diffuseMask + specular;
  if (in.shine) {
    const float shineMask = in.alphaMulShine ? in.shineRow[4] + in.shineRow[5] * a : in.shineRow[4];
    const float facing = std::max(Dot(n, v), 0.0f);
    const float f0 = in.shineRow[3];
    const float fresnel = f0 + (1.0f - f0) * std::pow(1.0f - facing, 5.0f) * (1.0f - in.shineRow[9]);
    colour = colour + in.environment * Vec3{in.shineRow[0], in.shineRow[1], in.shineRow[2]} * (fresnel * shineMask);
  }
  const float alpha = in.solid ? 1.0f : a;
  const float fog = std::exp(in.fogFactor * distance);
  colour = in.fogColour * (alpha * (1.0f - fog)) + colour * fog;
  *out = Rgba{colour.x, colour.y, colour.z, alpha};
  return true;
}

// ---- the scene ----

ZKTETexture MakeTexture(const char* name, uint32_t rgba, int width = 1, int height = 1, const uint32_t* texels = nullptr) {
  ZKTETexture t{};
  std::vector<uint32_t> data(size_t(width) * height, rgba);
  if (texels) data.assign(texels, texels + size_t(width) * height);
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxSubresourceData initial{data.data(), uint32_t(4 * width), 0};
  GfxCreateTexture2D(Gfx.device, d, &initial, &t.texture);
  GfxCreateShaderResourceView(Gfx.device, t.texture, nullptr, &t.view);
  t.width = width;
  t.height = height;
  t.mipLevels = 1;
  t.format = d.format;
  std::snprintf(t.name, sizeof t.name, "%s", name);
  return t;
}

uint32_t Bytes(int r, int g, int b, int a) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24; }

class MeshPixels : public ::testing::Test {
 protected:
  ZKTETexture target{};
  ZKTETexture white{}, tinted{}, environment{};
  View view{};

  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    InitSinCosTables();
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    white = MakeTexture("TEST~WHITE", 0xFFFFFFFFu);
    tinted = MakeTexture("TEST~TINT", Bytes(230, 200, 170, 128));
    environment = MakeTexture("TEST~ENV", Bytes(100, 150, 200, 255));
    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    const int32_t origin[3] = {0, 0, 0}, light[3] = {0, 0, 65536};
    const float up[3] = {0, 0, 1};
    InitView(view, origin, up, light);
    MeshDisplay = MeshDisplaySettings{};
    CurrentWorldPass = 0;
    ShaderCarFlag = ShaderShadowFlag = 0;
    LookDown();
    SetLight(0.5f, 0.25f);
    const float none[24] = {};
    UploadConstantRowData(0, VS_ROW_VIEW_LIGHTS, none, sizeof none);
    const float noCube[28] = {};
    UploadConstantRowData(0, VS_ROW_OBJECT, noCube, sizeof noCube);
    RenderStates.pendingBlend = 0;
    RenderStates.pendingRaster = 6;  // the tests' meshes face either way
    RenderStates.pendingDepth = 0;
    FlushStates();
    Clear(0xFF000000u, 3);
    ResetTempMeshes();
  }
  void TearDown() override {
    CurrentView = &MainView;  // the fixture's view goes with the fixture
    if (Gfx.initState != 2) return;
    ResetTempMeshes();
    FreeAllFastMeshes();
    for (int slot = 0; slot < 3; ++slot) BindTextureSlot(slot, nullptr);
    ShineTextures[0] = ShineTextures[1] = nullptr;
    FreeAllMaterials();
    ReleaseTexture(&white);
    ReleaseTexture(&tinted);
    ReleaseTexture(&environment);
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingDepth = 0;
    RenderStates.pendingRaster = 0;
    MeshDisplay = MeshDisplaySettings{};
  }
  // Straight down from 8 m: 4 pixels a metre on the ground, its origin on the centre of pixel
  // (32, 32), x to the right and y up the screen.
  static void LookDown() {
    SetViewportFull();
    SetIdentityMatrix(WorldMatrix);
    SetIdentityMatrix(ViewMatrix);
    ViewMatrix[10] = -1.0f;
    ViewMatrix[14] = 8.0f;
    SetNearFar(1.0f / 64, 2.0f, 1.0f, 1024.0f, -1.0f / 64);
    UploadWorldMatrix(0, 0);
  }
  // From (5, -6, 7) m towards the origin, for the cube's sides.
  static void LookAtCube() {
    SetIdentityMatrix(WorldMatrix);
    const Vec3 eye{5, -6, 7};
    const Vec3 f = Normalise(Vec3{0, 0, 0} - eye);
    const Vec3 right = Normalise(Vec3{f.y, -f.x, 0});  // f x z
    const Vec3 up{f.y * right.z - f.z * right.y, f.z * right.x - f.x * right.z, f.x * right.y - f.y * right.x};
    float* m = ViewMatrix;
    const Vec3 axes[3] = {right, up, f};
    for (int c = 0; c < 3; ++c) {
      m[0 * 4 + c] = axes[c].x;
      m[1 * 4 + c] = axes[c].y;
      m[2 * 4 + c] = axes[c].z;
      m[3 * 4 + c] = -Dot(eye, axes[c]);
    }
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
    SetNearFar(0.0f, 0.3f, 1.0f, 1024.0f, 0.0f);
    UploadWorldMatrix(0, 0);
  }
  // The same light for every channel: constant + 2 up n.z, no fog.
  static void SetLight(float constant, float up) {
    float row[64] = {};
    for (int c = 0; c < 3; ++c) {
      row[c * 16 + 15] = constant;
      row[c * 16 + 11] = row[c * 16 + 14] = up;
    }
    UploadConstantRowData(0, VS_ROW_LIGHT_MATRICES, row, sizeof row);
  }
  Material* Textured(ZKTETexture* texture, int alphaMode, int shineType = 0, int soft = 0, int reflectance = 0) {
    MaterialParams p = AlphaParams(alphaMode);
    p.shineType = uint8_t(shineType);
    p.softShine = uint8_t(soft);
    p.reflectance = uint8_t(reflectance);
    p.shineRed = 255;
    p.shineGreen = 200;
    p.shineBlue = 150;
    return CreateMaterial(texture, 0, 0, alphaMode * 8 + shineType * 2 + (soft ? 1 : 0) * 64, p, 0);
  }
  std::vector<uint8_t> Pixels() { return ReadTargetPixels(target); }
  static uint32_t PixelOf(const std::vector<uint8_t>& p, int x, int y) { return PixelArgb(p, SIZE, x, y); }
  uint32_t Pixel(int x, int y) { return PixelOf(Pixels(), x, y); }
  // A fast mesh of quads over [x0, x1] x [y0, y1] at height z, one part each.
  struct Quad {
    const Material* material;
    float x0, y0, x1, y1, z;
    uint32_t colour;
  };
  static FastMeshHandle QuadMesh(const std::vector<Quad>& quads, const int8_t normal[4] = nullptr,
                                 uint32_t specular = 0) {
    FastMeshHandle h = NewFastMesh();
    FastMesh& mesh = *GetFastMesh(h);
    ReservePrimitiveParts(mesh, uint32_t(quads.size()), 1);
    AddPrimitiveGroup(mesh);
    const int8_t up[4] = {0, 0, 127, 127};
    const int8_t* n = normal ? normal : up;
    for (size_t i = 0; i < quads.size(); ++i) {
      const Quad& q = quads[i];
      Primitive& part = mesh.parts[i];
      part.material = q.material;
      const float corners[4][2] = {{q.x0, q.y0}, {q.x1, q.y0}, {q.x1, q.y1}, {q.x0, q.y1}};
      for (const auto& c : corners)
        part.buildVertices.push_back(VertexLit{c[0], c[1], q.z, {n[0], n[1], n[2], n[3]}, q.colour, specular,
                                               c[0] * 0.1f, c[1] * 0.1f});
      AddPartQuad(part, 0, 1, 2, 3);
    }
    BuildPrimitive(mesh, 0);
    return h;
  }
};

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const char* what) {
  for (int shift = 0; shift < 32; shift += 8) {
    int g = int((got >> shift) & 0xFF), w = int((want >> shift) & 0xFF);
    EXPECT_NEAR(g, w, tolerance) << what << std::hex << " got " << got << " want " << want;
  }
}

uint32_t ToBytes(const Rgba& c) {
  auto b = [](float v) { return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  return b(c.a) << 24 | b(c.r) << 16 | b(c.g) << 8 | b(c.b);
}

// A unit cube of 24 points, four per face with the face's normal.
void FillCube(GouraudO3d& mesh, TextureKey key, const GouraudColour* colour) {
  AllocateMeshArrays(mesh, 24, 12, 1);
  mesh.parts[0] = GouraudPart{0, key, 24, 12};
  const int across[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int f = 0; f < 6; ++f) {
    const int axis = f / 2, sign = f % 2 ? -1 : 1, b = (axis + 1) % 3, c = (axis + 2) % 3;
    for (int k = 0; k < 4; ++k) {
      int32_t position[3];
      float normal[3] = {0, 0, 0};
      position[axis] = sign * 32768;
      position[b] = across[k][0] * 32768;
      position[c] = across[k][1] * 32768;
      normal[axis] = float(sign);
      GouraudPoint& p = mesh.points[f * 4 + k];
      p.x = position[0];
      p.y = position[1];
      p.z = position[2];
      p.nx = normal[0];
      p.ny = normal[1];
      p.nz = normal[2];
      p.u = p.v = 0.5f;
      p.colour = colour;
    }
    const int order[2][3] = {{0, 1, 2}, {2, 3, 0}};
    for (int t = 0; t < 2; ++t)
      for (int k = 0; k < 3; ++k) mesh.triangles[f * 2 + t].index[k] = uint16_t(f * 4 + order[t][k]);
  }
}

// A new unit cube of the material given, every point of the colour 200, 150, 100.
GouraudO3d* NewCube(TextureKey key) {
  static const GouraudColour colour{200, 150, 100, 0};
  GouraudO3d* cube = NewGouraud();
  FillCube(*cube, key, &colour);
  return cube;
}

TEST_F(MeshPixels, ALitCubeDrawsTheSameThroughItsFastMeshAndThroughTemporaryMeshes) {
  ASSERT_TRUE(ShadersCompile(12, 38)) << "vs_12 and ps_38 compiled";
  GouraudO3d* cube = NewCube(Textured(&white, 0));
  MatrixRotZ(cube->world.rotation, 5461);  // 30 degrees
  cube->world.translation = IntVector{0, 0, 32768};
  SetLight(0.6f, 0.2f);  // the sides take 0.6 of the light, the top all of it
  LookAtCube();

  // Through the frame's temporary meshes: the points in the world, the world matrix identity.
  ASSERT_EQ(cube->Draw(0, nullptr), 1);
  DrawTempMeshRange(0, 1);
  std::vector<uint8_t> batched = Pixels();

  Clear(0xFF000000u, 3);
  GouraudO3d::CreateFastMesh(*cube);
  UpdateFastMeshTransforms(*cube);
  GouraudO3d::DrawFastMeshes(*cube, nullptr, nullptr);
  std::vector<uint8_t> fast = Pixels();

  // Away from edges (the neighbourhood of one colour in both), the pixels agree.
  int compared = 0, lit[256] = {};
  for (int y = 1; y < SIZE - 1; ++y)
    for (int x = 1; x < SIZE - 1; ++x) {
      const uint32_t p = PixelOf(batched, x, y);
      if (p == 0xFF000000u) continue;
      bool flat = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) flat &= PixelOf(batched, x + dx, y + dy) == p;
      if (!flat) continue;
      ExpectNear(PixelOf(fast, x, y), p, 1, "cube pixel");
      ++compared;
      ++lit[(p >> 16) & 0xFF];
    }
  EXPECT_GT(compared, 150) << "the cube covers a good part of the picture";
  int shades = 0;
  for (int n : lit) shades += n > 10;
  EXPECT_GE(shades, 2) << "the top and the sides are lit differently";
  // The top faces straight up: light 0.6 + 2 x 0.2 = 1, so its colour is the point's own.
  const uint32_t top = 0xFF000000u | uint32_t(BrightnessTable[200]) << 16 | uint32_t(BrightnessTable[150]) << 8 |
                       BrightnessTable[100];
  EXPECT_GT(lit[BrightnessTable[200]], 10) << std::hex << top;
  DeleteDrawMesh(cube);
}

// A temporary mesh draws its triangles whatever the draw before it left bound: after a line
// list the cube still covers as much of the picture as after triangles.
TEST_F(MeshPixels, ATemporaryMeshDrawsTrianglesAfterALineList) {
  ASSERT_TRUE(ShadersCompile(12, 38)) << "vs_12 and ps_38 compiled";
  GouraudO3d* cube = NewCube(Textured(&white, 0));
  cube->world.translation = IntVector{0, 0, 32768};
  SetLight(0.6f, 0.2f);
  LookAtCube();
  const auto covered = [this] {
    const std::vector<uint8_t> p = Pixels();
    int n = 0;
    for (int y = 0; y < SIZE; ++y)
      for (int x = 0; x < SIZE; ++x) n += PixelOf(p, x, y) != 0xFF000000u;
    return n;
  };
  ASSERT_EQ(cube->Draw(0, nullptr), 1);
  DrawTempMeshRange(0, 1);
  const int asTriangles = covered();
  EXPECT_GT(asTriangles, 150) << "the cube covers a good part of the picture";
  Clear(0xFF000000u, 3);
  GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_LINELIST);  // as a line batch leaves it
  DrawTempMeshRange(0, 1);
  EXPECT_EQ(covered(), asTriangles);
  DeleteDrawMesh(cube);
}

TEST_F(MeshPixels, AShadowLandsOnTheGroundWhereTheLightProjectsIt) {
  Obj3d* plate = NewObj3d();
  AllocateMeshArrays(*plate, 4, 2);
  const int corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int i = 0; i < 4; ++i) {
    plate->points[i].x = corners[i][0] * 65536;
    plate->points[i].y = corners[i][1] * 65536;
    plate->points[i].z = 2 * 65536;
  }
  InitTriangleRecord(plate->triangles[0], &plate->points[0], &plate->points[1], &plate->points[2], 0, 0);
  InitTriangleRecord(plate->triangles[1], &plate->points[2], &plate->points[3], &plate->points[0], 0, 0);
  view.lightDirection[0] = 65536;
  view.lightDirection[2] = 2 * 65536;  // one across for two up: the shadow falls 1 m towards -x
  view.ambient[0] = 0.8f;
  view.ambient[1] = 0.6f;
  view.ambient[2] = 0.4f;
  FixedTransform identity;
  SetIdentityTransform(identity);
  plate->DrawShadow(identity);
  const uint32_t shadow = 0xFF000000u | uint32_t(std::lround(0.8 * 0.4 * 255)) << 16 |
                          uint32_t(std::lround(0.6 * 0.4 * 255)) << 8 | uint32_t(std::lround(0.4 * 0.4 * 255));
  EXPECT_EQ(Pixel(26, 32), shadow) << "x = -2..0 m, y = -1..1 m: columns 24..32, rows 28..36";
  EXPECT_EQ(Pixel(30, 29), shadow);
  EXPECT_EQ(Pixel(35, 32), 0xFF000000u) << "under the plate itself, the light passes";
  EXPECT_EQ(Pixel(27, 40), 0xFF000000u) << "beyond y = -1 m";

  Clear(0xFF000000u, 3);
  view.lightDirection[2] = 2047;
  plate->DrawShadow(identity);
  EXPECT_EQ(Pixel(26, 32), 0xFF000000u) << "a light just under 1/32 up casts none";
  DeleteDrawMesh(plate);
}

TEST_F(MeshPixels, ABlendedPartIsDrawnInTheSecondPassOverWhatTheFirstDrew) {
  ASSERT_TRUE(ShadersCompile(12, 40)) << "ps_40 compiled";
  SetLight(1.0f, 0.0f);
  ZKTETexture red = MakeTexture("TEST~RED", Bytes(255, 0, 0, 255));
  ZKTETexture glass = MakeTexture("TEST~GLASS", Bytes(0, 255, 0, 96));
  Material* solid = Textured(&red, 0);
  Material* blended = Textured(&glass, 2);
  GouraudO3d* mesh = NewGouraud();
  mesh->fastMesh = QuadMesh({{solid, -8, -8, 0, 8, 0, 0xFFFFFFFFu}, {blended, -8, -8, 8, 8, 1, 0xFFFFFFFFu}});
  GouraudO3d::DrawFastMeshes(*mesh, nullptr, nullptr);
  const float a = 96.0f / 255.0f;
  ExpectNear(Pixel(16, 32), 0xFF000000u | uint32_t(std::lround(255 * (1 - a))) << 16 | uint32_t(std::lround(255 * a)) << 8,
             1, "green glass over the red part");
  ExpectNear(Pixel(48, 32), 0xFF000000u | uint32_t(std::lround(255 * a)) << 8, 1, "green glass over black");
  EXPECT_EQ(RenderStates.pendingBlend, 0) << "the second pass is put back";
  DeleteDrawMesh(mesh);
  FreeAllMaterials();
  ReleaseTexture(&red);
  ReleaseTexture(&glass);
}

TEST_F(MeshPixels, TheSunQuadLandsWhereItIsProjected) {
  ASSERT_TRUE(ShadersCompile(9, 29)) << "vs_9 and ps_29 compiled";
  ZKTETexture sun = MakeTexture("TEST~SUN", Bytes(255, 220, 120, 255));
  Material* m = Textured(&sun, 0);
  FastMeshHandle h = QuadMesh({{m, 2, 1, 3, 2, 0, 0xFFFFFFFFu}});
  DrawSunMesh(*GetFastMesh(h));
  EXPECT_EQ(Pixel(42, 26), 0xFFFFDC78u) << "x = 2..3 m, y = 1..2 m: columns 40..44, rows 24..28";
  EXPECT_EQ(Pixel(41, 25), 0xFFFFDC78u);
  EXPECT_EQ(Pixel(45, 26), 0xFF000000u);
  EXPECT_EQ(Pixel(42, 29), 0xFF000000u);
  ReleaseTexture(&sun);
}

// Each world pixel shader draws a quad facing a tilted normal under light, sun, fog and shine
// constants; sample pixels match the same shading computed here.
TEST_F(MeshPixels, TheWorldPixelShadersMatchTheirShadingOnTheProcessor) {
  struct Case {
    int shader;
    int alphaMode, shineType, soft, reflectance;
    bool textured;
    bool solid, atest, alphaDiffuse, noDiffuse, alphaMulShine;
  };
  const Case cases[] = {
      {38, 0, 0, 0, 0, true, true, false, false, false, false},
      {39, 1, 0, 0, 0, true, true, true, false, false, false},
      {40, 2, 0, 0, 0, true, false, false, true, false, false},
      {41, 0, 3, 0, 3, false, true, false, false, true, false},
      {42, 0, 1, 0, 1, true, true, false, false, false, true},
      {43, 2, 1, 0, 2, true, false, false, true, false, true},
      {44, 0, 3, 40, 3, false, true, false, false, true, false},
      {45, 0, 2, 50, 1, true, true, false, false, false, true},
      {46, 2, 2, 60, 1, true, false, false, true, false, true},
  };
  static const float KIND_ROWS[6][4] = {{1, -1, 0, 1}, {0, 1, 1, 0}, {1, 0, 1, 0}, {1, -1, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}};
  ShineTextures[0] = ShineTextures[1] = &environment;

  ShadeInputs in{};
  const int8_t normal[4] = {30, -20, 120, 64};
  in.normal = Vec3{30 / 127.0f, -20 / 127.0f, 120 / 127.0f};
  in.normalW = 64 / 127.0f;
  in.vertexColour = Rgba{200 / 255.0f, 180 / 255.0f, 160 / 255.0f, 1};
  uint32_t specularWord;
  StoreFloat3PK(&specularWord, 0.5f, 0.25f, 0.125f);
  in.specular = Vec3{0.5f, 0.25f, 0.125f};
  float row9[64] = {};
  const float constant[3] = {0.6f, 0.5f, 0.4f}, upward[3] = {0.2f, 0.25f, 0.3f}, across[3] = {0.05f, -0.05f, 0.1f};
  for (int c = 0; c < 3; ++c) {
    float* m = &row9[c * 16];
    m[15] = constant[c];
    m[11] = m[14] = upward[c];
    m[3] = m[12] = across[c];
    std::memcpy(in.irradiance[c], m, sizeof in.irradiance[c]);
  }
  in.fogColour = Vec3{0.2f, 0.3f, 0.4f};
  row9[48 + 3] = 0.2f;
  row9[52 + 3] = 0.3f;
  row9[56 + 3] = 0.4f;
  in.fogFactor = row9[60] = -0.693147f / 20.0f;
  UploadConstantRowData(0, VS_ROW_LIGHT_MATRICES, row9, sizeof row9);
  in.sunDirection = Normalise(Vec3{0.3f, -0.2f, 1.0f});
  in.sunColour = Vec3{0.9f, 0.8f, 0.7f};
  float lights[24] = {};
  lights[4] = in.sunColour.x;
  lights[5] = in.sunColour.y;
  lights[6] = in.sunColour.z;
  lights[12] = in.sunDirection.x;
  lights[13] = in.sunDirection.y;
  lights[14] = in.sunDirection.z;
  UploadConstantRowData(0, VS_ROW_VIEW_LIGHTS, lights, sizeof lights);
  in.eye = Vec3{0, 0, 8};
  in.environment = Vec3{100 / 255.0f, 150 / 255.0f, 200 / 255.0f};
  const uint32_t vertexColour = 0xFFC8B4A0u;

  for (const Case& c : cases) {
    SCOPED_TRACE(c.shader);
    Clear(0xFF000000u, 3);
    InvalidateShineConstants();
    Material* m = Textured(c.textured ? &tinted : nullptr, c.alphaMode, c.shineType, c.soft, c.reflectance);
    FastMeshHandle h = QuadMesh({{m, -8, -8, 8, 8, 0, vertexColour}}, normal, specularWord);
    // The shader's own output, unblended (blended parts are drawn here without waiting for
    // the second pass).
    RenderStates.pendingBlend = 0;
    GetFastMesh(h)->parts[0].DrawOnePart(0, 3);
    EXPECT_EQ(Shaders.boundPixelNumber, c.shader);
    in.solid = c.solid;
    in.atest = c.atest;
    in.alphaDiffuse = c.alphaDiffuse;
    in.shine = c.shineType != 0;
    in.noDiffuse = c.noDiffuse;
    in.alphaMulShine = c.alphaMulShine;
    in.texture = c.textured ? Rgba{230 / 255.0f, 200 / 255.0f, 170 / 255.0f, 128 / 255.0f} : Rgba{0, 0, 0, 1};
    in.alphaReference = 0.5f;
    if (in.shine) {
      const bool blended = c.alphaMode == 2;
      const int kind = blended ? 6 - c.shineType : 3 - c.shineType;
      in.shineRow[0] = LinearFromGammaTable[255];
      in.shineRow[1] = LinearFromGammaTable[200];
      in.shineRow[2] = LinearFromGammaTable[150];
      in.shineRow[3] = REFLECTANCE_TABLE[c.reflectance];
      std::memcpy(&in.shineRow[4], KIND_ROWS[kind], sizeof KIND_ROWS[kind]);
      const float s = c.soft / 100.0f;
      in.shineRow[8] = c.soft ? (s - 0.3f) / 0.2f : 0.0036f;
      in.shineRow[9] = c.soft ? s * s : 0.0f;
    }
    std::vector<uint8_t> pixels = Pixels();
    const int samples[4][2] = {{32, 32}, {12, 20}, {50, 45}, {40, 10}};
    for (const auto& s : samples) {
      const float x = ((s[0] + 0.5f) / 32.0f - 1.0f - 1.0f / 64) * 8.0f;
      const float y = (1.0f - (s[1] + 0.5f) / 32.0f + 1.0f / 64) * 8.0f;
      in.position = Vec3{x, y, 0};
      Rgba want;
      ASSERT_TRUE(Shade(in, &want));
      ExpectNear(PixelOf(pixels, s[0], s[1]), ToBytes(want), 2, "pixel");
    }
    FreeFastMesh(h);
  }

  // The edge test at 0.996 discards a texel of alpha 0.5.
  Clear(0xFF000000u, 3);
  InvalidateShineConstants();
  Material* edge = Textured(&tinted, 3);
  FastMeshHandle h = QuadMesh({{edge, -8, -8, 8, 8, 0, vertexColour}}, normal, specularWord);
  DrawFirstPassParts(*GetFastMesh(h), 0, nullptr);
  EXPECT_EQ(Shaders.boundPixelNumber, 39);
  EXPECT_EQ(Pixel(32, 32), 0xFF000000u) << "discarded";
}

// The shine reads its environment as a polar map: straight up is the centre, a reflection
// along +x is the right-hand rim.
TEST_F(MeshPixels, ShineReadsTheEnvironmentAsAPolarMapOfTheSky) {
  // Blue, with a red middle and green on the right.
  const uint32_t R = Bytes(255, 0, 0, 255), G = Bytes(0, 255, 0, 255);
  uint32_t texels[64];
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      texels[y * 8 + x] = x >= 6 ? G : (x == 3 || x == 4) && (y == 3 || y == 4) ? R : Bytes(0, 0, 255, 255);
  ZKTETexture sky = MakeTexture("TEST~SKY", 0, 8, 8, texels);
  ShineTextures[0] = &sky;
  SetLight(0.0f, 0.0f);  // shine alone
  Material* chrome = Textured(nullptr, 0, 3, 0, 3);
  const int8_t up[4] = {0, 0, 127, 127};
  FastMeshHandle h = QuadMesh({{chrome, -8, -8, 8, 8, 0, 0xFFFFFFFFu}}, up);
  DrawFirstPassParts(*GetFastMesh(h), 0, nullptr);
  EXPECT_EQ(Shaders.boundPixelNumber, 41);
  uint32_t centre = Pixel(32, 32);
  EXPECT_GT((centre >> 16) & 0xFF, 100u) << std::hex << centre << ": the zenith is red";
  EXPECT_EQ(centre & 0xFFFF, 0u);
  FreeFastMesh(h);

  // Tilted about 39 degrees towards +x, seen from above, the view reflects 78 degrees from
  // the zenith towards +x: near the right-hand rim.
  Clear(0xFF000000u, 3);
  const int8_t tilted[4] = {80, 0, 98, 127};
  h = QuadMesh({{chrome, -8, -8, 8, 8, 0, 0xFFFFFFFFu}}, tilted);
  DrawFirstPassParts(*GetFastMesh(h), 0, nullptr);
  uint32_t rim = Pixel(32, 32);
  EXPECT_GT((rim >> 8) & 0xFF, 100u) << std::hex << rim << ": towards +x is green";
  EXPECT_EQ((rim >> 16) & 0xFF, 0u);
  FreeFastMesh(h);
  ReleaseTexture(&sky);
}

}  // namespace
