// material_test.cpp - the material map's order and sharing, flag repair from texture names,
// and the shaders, states and constants each draw mode chooses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "render/constant_buffers.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/shaders.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"

namespace {

MaterialParams Params(int alpha = 0, int shine = 0, int reflectance = 0, int soft = 0) {
  return MaterialParams{uint8_t(alpha), uint8_t(shine), uint8_t(reflectance), 0, 0xFF, 0xFF, 0xFF, uint8_t(soft)};
}

class MaterialMapTest : public ::testing::Test {
 protected:
  void TearDown() override { FreeAllMaterials(); }
};

TEST_F(MaterialMapTest, RecordsSharingANameStayDistinctByTheirOtherFieldsAndTheOrderHolds) {
  // Two records with one name (as render textures can be): the old comparison made these
  // three keys pairwise "equal" and unequal at once, which corrupts an ordered map.
  ZKTETexture a{}, b{};
  std::snprintf(a.name, sizeof a.name, "paint");
  std::snprintf(b.name, sizeof b.name, "PAINT");
  Material* k1 = CreateMaterial(&a, 1, 0, 0, Params(), 0);
  Material* k3 = CreateMaterial(&a, 3, 0, 0, Params(), 0);
  Material* k2 = CreateMaterial(&b, 2, 0, 0, Params(), 0);
  EXPECT_EQ(Materials.size(), 3u);
  EXPECT_EQ(FindMaterial(&a, 1, 0, 0, Params(), 0), k1);
  EXPECT_EQ(FindMaterial(&b, 3, 0, 0, Params(), 0), k3) << "the name decides, not the record";
  EXPECT_EQ(FindMaterial(&a, 2, 0, 0, Params(), 0), k2);
  EXPECT_EQ(FindMaterial(&a, 4, 0, 0, Params(), 0), nullptr);

  // Many materials in random order: the map stays sorted and each is found again.
  std::mt19937 random(7);
  std::vector<ZKTETexture> textures(6);
  for (size_t i = 0; i < textures.size(); ++i) std::snprintf(textures[i].name, 32, "T%zu", i % 3);
  std::vector<Material*> made;
  for (int i = 0; i < 300; ++i) {
    ZKTETexture* t = random() % 5 ? &textures[random() % textures.size()] : nullptr;
    made.push_back(CreateMaterial(t, int(random() % 3), 0, int(random() % 4), Params(int(random() % 4)), 0));
  }
  EXPECT_TRUE(std::is_sorted(Materials.begin(), Materials.end(), MaterialKeyLess()));
  for (Material* m : made)
    EXPECT_EQ(FindMaterial(m->texture, m->drawKind, 0, m->flags, m->params, 0), m);
  for (auto it = Materials.begin(); std::next(it) != Materials.end(); ++it)
    EXPECT_TRUE(CompareMaterialKeys(*it, *std::next(it)));
}

TEST_F(MaterialMapTest, FindingRaisesTheGenerationTypeAndReleasingRemoves) {
  Material* m = GetMaterialByName("wall", 0, 0, 2, Params(), 1);
  EXPECT_EQ(GetMaterialByName("WALL", 0, 0, 2, Params(), 3), m);
  EXPECT_EQ(m->genType, 3);
  EXPECT_EQ(GetMaterialByName("wall", 0, 0, 2, Params(), 2)->genType, 3) << "never lowered";
  EXPECT_EQ(CreateMaterial(m->texture, 0, 0, 2, Params(), 0), m) << "an equal key is shared, not duplicated";
  size_t before = Materials.size();
  Material key = *m;
  key.tempKey = 1;
  ReleaseMaterial(&key);  // a search key is never released
  EXPECT_EQ(Materials.size(), before);
  ReleaseMaterial(m);
  EXPECT_EQ(Materials.size(), before - 1);
  EXPECT_EQ(FindMaterial(GetTexture("wall", 0), 0, 0, 2, Params(), 0), nullptr);
  Material* d = GetDefaultMaterial();
  EXPECT_EQ(d->drawKind, 1);
  EXPECT_EQ(d->flags, 1);
  EXPECT_EQ(d->genType, 4);
  EXPECT_EQ(d->params.shineRed, 0xFF);
  FreeAllMaterials();
  EXPECT_NE(GetDefaultMaterial(), nullptr) << "made again when asked";
}

// The table of reflectance index against environment type, written out from its
// description: matt (0) takes only 0; constant (1) and variable (2) shine take 1, 2, 4, 5, 6
// and 7; the overlay (3) takes 1 to 4.  Anything outside 0..3 or 0..7 is refused.
TEST(MaterialFlags, EachEnvironmentTypeTakesItsOwnReflectanceIndices) {
  const int allowed[4][8] = {{1, 0, 0, 0, 0, 0, 0, 0},
                             {0, 1, 1, 0, 1, 1, 1, 1},
                             {0, 1, 1, 0, 1, 1, 1, 1},
                             {0, 1, 1, 1, 1, 0, 0, 0}};
  for (int env = 0; env < 4; ++env)
    for (int shine = 0; shine < 8; ++shine)
      EXPECT_EQ(ShineTypeAllowed(env, shine), allowed[env][shine]) << "env " << env << ", shine " << shine;
  for (int env = 0; env < 4; ++env) {
    EXPECT_EQ(ShineTypeAllowed(env, -1), 0) << env;
    EXPECT_EQ(ShineTypeAllowed(env, 8), 0) << env;
  }
  for (int shine = 0; shine < 8; ++shine) {
    EXPECT_EQ(ShineTypeAllowed(-1, shine), 0) << shine;
    EXPECT_EQ(ShineTypeAllowed(4, shine), 0) << shine;
  }
}

TEST(MaterialFlags, NamesDecideAlphaShineAndReflectance) {
  MaterialParams p = Params(2, 0);
  SetMaterialFlagsFromName(p, "wall");
  EXPECT_EQ(p.alphaMode, 0) << "alpha needs an alpha texture name";
  p = Params(2, 0);
  SetMaterialFlagsFromName(p, "fence_alp");
  EXPECT_EQ(p.alphaMode, 2);
  // Modes 0 to 3 are the renderer's; 4 and above are drawn solid.
  p = Params(3, 0);
  SetMaterialFlagsFromName(p, "fence_alp");
  EXPECT_EQ(p.alphaMode, 3);
  p = Params(4, 0);
  SetMaterialFlagsFromName(p, "fence_alp");
  EXPECT_EQ(p.alphaMode, 0);
  p = Params(1, 1, 1);
  SetMaterialFlagsFromName(p, "fence_ALP");
  EXPECT_EQ(p.shineType, 0) << "alpha-tested materials do not shine";
  EXPECT_EQ(p.reflectance, 0);
  p = Params(2, 3, 3);
  SetMaterialFlagsFromName(p, "glass_ALP");
  EXPECT_EQ(p.shineType, 0) << "blended materials refuse shine type 3";
  p = Params(0, 2, 1);
  SetMaterialFlagsFromName(p, "paint");
  EXPECT_EQ(p.shineType, 0) << "type 2 needs an alpha name";
  p = Params(0, 3, 3);
  SetMaterialFlagsFromName(p, "");
  EXPECT_EQ(p.shineType, 3);
  EXPECT_EQ(p.reflectance, 3);
  p = Params(0, 3, 3, 50);
  SetMaterialFlagsFromName(p, "");
  EXPECT_EQ(p.softShine, 50) << "type 3 keeps a soft shine of 30 to 70 too";
  p = Params(0, 3, 5);
  SetMaterialFlagsFromName(p, "");
  EXPECT_EQ(p.reflectance, 2) << "index 5 is not allowed for type 3";
  p = Params(0, 1, 3);
  SetMaterialFlagsFromName(p, "paint");
  EXPECT_EQ(p.reflectance, 1) << "index 3 is not allowed for type 1; plain names get 1";
  p = Params(0, 1, 3);
  SetMaterialFlagsFromName(p, "paint_alp");
  EXPECT_EQ(p.reflectance, 2) << "alpha names get 2";
  p = Params(0, 4, 1, 50);
  SetMaterialFlagsFromName(p, "paint");
  EXPECT_EQ(p.shineType, 0);
  EXPECT_EQ(p.softShine, 0);
  p = Params(0, 1, 4, 50);
  p.shineRed = 10;
  SetMaterialFlagsFromName(p, "paint");
  EXPECT_EQ(p.softShine, 50);
  EXPECT_EQ(p.shineRed, 10);
  p = Params(0, 1, 4, 71);
  SetMaterialFlagsFromName(p, "paint");
  EXPECT_EQ(p.softShine, 0);
  p = Params(0, 0, 0);
  p.shineRed = 1;
  SetMaterialFlagsFromName(p, "paint");
  EXPECT_EQ(p.shineRed, 0xFF) << "no reflectance: white shine colour";
}

struct Upload {
  int stage, row;
  float first;
};
std::vector<Upload> g_uploads;
void RecordUpload(int stage, int row, const void* data, uint32_t bytes) {
  g_uploads.push_back({stage, row, bytes >= 4 ? *static_cast<const float*>(data) : 0.0f});
}

class ShaderChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    UploadConstantRow = RecordUpload;
    g_uploads.clear();
    CurrentWorldPass = 0;
    SecondPassFlag = 0;
    ShaderCarFlag = ShaderShadowFlag = 0;
    InvalidateShineConstants();
    std::snprintf(texture_.name, sizeof texture_.name, "paint");
  }
  void TearDown() override {
    FreeAllMaterials();
    ShaderCarFlag = ShaderShadowFlag = 0;
    UploadConstantRow = UploadConstantRowData;
  }
  // The vertex and pixel shader numbers a material binds in a draw mode.
  std::pair<int, int> Choice(Material* m, int mode) {
    Material::SetVShader(0);
    Material::SetPShader(0);
    ApplyMaterial(m, mode);
    return {Shaders.boundVertexNumber, Shaders.boundPixelNumber};
  }
  Material* Make(int alpha, int shine, int soft = 0, int flags = 0, bool textured = true, int kind = 0) {
    return CreateMaterial(textured ? &texture_ : nullptr, kind, 0, flags, Params(alpha, shine, 1, soft), 0);
  }
  ZKTETexture texture_{};
};

TEST_F(ShaderChoice, TheNormalWorldPassFollowsAlphaModeAndShine) {
  using P = std::pair<int, int>;
  EXPECT_EQ(Choice(Make(0, 0), 3), P(12, 38));
  EXPECT_EQ(Choice(Make(1, 0), 3), P(12, 39));
  EXPECT_FLOAT_EQ(g_uploads.back().first, 0.5f);
  EXPECT_EQ(g_uploads.back().row, 3);
  EXPECT_EQ(Choice(Make(3, 0), 3), P(12, 39));
  EXPECT_FLOAT_EQ(g_uploads.back().first, 0.996078f);
  size_t uploads = g_uploads.size();
  Choice(Make(3, 0, 0, 1), 3);
  EXPECT_EQ(g_uploads.size(), uploads) << "an unchanged reference is not sent again";
  EXPECT_EQ(Choice(Make(2, 0), 3), P(12, 40));
  EXPECT_EQ(Choice(Make(0, 1), 3), P(13, 42));
  EXPECT_EQ(Choice(Make(0, 1, 50), 3), P(13, 45));
  EXPECT_EQ(Choice(Make(2, 1), 3), P(13, 43));
  EXPECT_EQ(Choice(Make(2, 2, 40), 3), P(13, 46));
  EXPECT_EQ(Choice(Make(0, 3, 0, 0, false), 3), P(13, 41));
  EXPECT_EQ(Choice(Make(0, 3, 40, 0, false), 3), P(13, 44));
  EXPECT_EQ(Choice(Make(0, 3), 3), P(13, 42));
  EXPECT_EQ(Choice(Make(0, 0, 0, 0, true, 1), 3), P(11, 37)) << "prelit";
}

TEST_F(ShaderChoice, ShineConstantsGoToTheHardOrSoftRowOnlyWhenTheyChange) {
  Choice(Make(0, 1), 3);  // not blended, type 1: kind 2, hard row 4
  ASSERT_FALSE(g_uploads.empty());
  EXPECT_EQ(g_uploads.back().row, 4);
  EXPECT_EQ(RenderStates.pendingSampler[1], 5);
  size_t uploads = g_uploads.size();
  Choice(Make(0, 1, 0, 2), 3);  // another material, same shine values
  EXPECT_EQ(g_uploads.size(), uploads);
  Choice(Make(0, 1, 50), 3);
  EXPECT_EQ(g_uploads.back().row, 5);
  EXPECT_EQ(RenderStates.pendingSampler[2], 5);
}

TEST_F(ShaderChoice, SpecialPassesLightsMirrorEchoAndObjectRenders) {
  using P = std::pair<int, int>;
  Material* solid = Make(0, 0, 0, 129);
  RenderStates.pendingRaster = 0;
  Choice(solid, 3);
  EXPECT_EQ(RenderStates.pendingRaster, 2) << "flags of 128 or more: depth bias +4";
  EXPECT_EQ(RenderStates.pendingSampler[0], 1) << "flags bits 0..1 choose the sampler";
  SecondPassFlag = 1;
  Choice(solid, 3);
  EXPECT_EQ(RenderStates.pendingRaster, 1);
  SecondPassFlag = 0;
  // Passes 1 and 2 take the material's vertex layout in mode 3.
  for (int pass : {1, 2}) {
    CurrentWorldPass = pass;
    Material::EnableVertexDeclaration(3);
    Choice(solid, 3);
    EXPECT_EQ(Shaders.boundLayout, solid->layout) << "pass " << pass;
  }
  CurrentWorldPass = 0;

  LocalLights[0].colour[0] = 1.0f;
  EXPECT_EQ(SetLocalLights(0x16, 2), 0u) << "three lights taken";
  EXPECT_EQ(Choice(Make(0, 0), 4), P(24, 54));
  EXPECT_EQ(Choice(Make(1, 0), 4), P(24, 58));
  EXPECT_EQ(Choice(Make(0, 0), 5), P(20, 50));
  EXPECT_EQ(SetLocalLights(0x1F, 0), 0x10u) << "four at most, lowest first";
  EXPECT_EQ(Choice(Make(0, 0), 5), P(21, 51));
  CurrentWorldPass = 3;
  EXPECT_EQ(Choice(Make(0, 0), 3), P(25, 55)) << "pass 3 is the headlight mode";
  CurrentWorldPass = 0;

  EXPECT_EQ(Choice(Make(0, 0), 6), P(12, 40));
  EXPECT_EQ(Choice(Make(0, 2, 0), 8), P(13, 43));
  EXPECT_EQ(Choice(Make(2, 0), 7), P(12, 39)) << "the mirror view has no blended choices";
  Material* mirror = CreateMaterial(&texture_, 0, 1, 0, Params(), 0);
  ShaderCarFlag = ShaderShadowFlag = 1;
  EXPECT_EQ(Choice(mirror, 7), P(26, 60));
  EXPECT_EQ(Shaders.boundVertexSlot, 26) << "variant 0";
  ShaderCarFlag = ShaderShadowFlag = 0;
  EXPECT_EQ(Choice(Make(0, 0), 9), P(2, 18));
  EXPECT_EQ(Choice(Make(1, 0), 9), P(2, 19));
  EXPECT_EQ(Choice(Make(0, 0), 10), P(1, RenderSolidPixelShader));
  EXPECT_EQ(Choice(Make(2, 0), 10), P(1, RenderAlphaPixelShader));
}

// Under the layered render state the world material's vertex shader is the tree variant, in
// the shadow flag's variant too; the pixel shader stays the material's, and selector 0 (or a
// number outside the catalogue) gives the material its own again.
// The layout modes (1 and 2) and the local lights mode (5) bind the material's own vertex
// layout, whatever was bound before: a new material's is layout 1, the 2D layout 3 is left.
TEST_F(ShaderChoice, TheLayoutAndLocalLightsModesBindTheMaterialsVertexLayout) {
  Material* m = Make(0, 0);
  for (int mode : {1, 2, 5}) {
    Material::EnableVertexDeclaration(3);
    Choice(m, mode);
    EXPECT_EQ(Shaders.boundLayout, 1) << "mode " << mode;
  }
}

TEST_F(ShaderChoice, TheLayeredRenderStateDrawsWithTheTreeVariant) {
  using P = std::pair<int, int>;
  SetRenderStateSelector(RENDER_STATE_LAYERED);
  EXPECT_EQ(Choice(Make(0, 0), 3), P(14, 38));
  EXPECT_EQ(Choice(Make(0, 2), 3), P(14, 42)) << "a shining material keeps its pixel shader";
  ShaderShadowFlag = 1;
  Choice(Make(1, 0), 3);
  EXPECT_EQ(Shaders.boundVertexSlot, 14 + 27);
  ShaderShadowFlag = 0;
  SetRenderStateSelector(0);
  EXPECT_EQ(Choice(Make(0, 0), 3), P(12, 38));
  SetRenderStateSelector(99);
  EXPECT_EQ(VertexShaderOverride, 0) << "no such shader: no selector";
}

TEST_F(ShaderChoice, VariantsPickTheFileNumbersOfTheCatalogue) {
  ShaderCarFlag = 1;
  ShaderShadowFlag = 1;
  Material::SetVShader(12);
  EXPECT_EQ(Shaders.boundVertexSlot, 12 + 3 * 27);
  Material::SetVShader(14);
  EXPECT_EQ(Shaders.boundVertexSlot, 14 + 27) << "no car variant: the shadow one";
  Material::SetVShader(5);
  EXPECT_EQ(Shaders.boundVertexSlot, 5);
  Material::SetPShader(40);
  EXPECT_EQ(Shaders.boundPixelSlot, 40 + 61);
  Material::SetPShader(23);
  EXPECT_EQ(Shaders.boundPixelSlot, 23);
  EXPECT_EQ(VertexShaderVariants(13), 4);
  EXPECT_EQ(VertexShaderVariants(16), 2);
  EXPECT_STREQ(ShaderVariantWord(3), "CAR_SHADOW");
  EXPECT_STREQ(PixelShaderCatalogue[45].entry, "ps_main");
  EXPECT_STREQ(PixelShaderCatalogue[45].defines[0], "SHINE_SOFT");
  EXPECT_STREQ(ComputeShaderCatalogue[2].source, "Exposure1");
}

// The catalogues run 1..26 (vertex), 1..60 (pixel) and 1..3 (compute), the layouts 1..3:
// the last number of each is bound, one past it binds none (0) or leaves the layout as it was.
// The tree shaders 14..16 have two variants, 12 and 13 four, the rest one; the pixel shaders
// 38..46 a shadow variant.
TEST_F(ShaderChoice, TheLastNumberOfEachCatalogueBindsAndOnePastItBindsNone) {
  const struct {
    int number, variants;
  } vertexVariants[] = {{1, 1}, {11, 1}, {12, 4}, {13, 4}, {14, 2}, {16, 2}, {17, 1}, {26, 1}};
  for (const auto& v : vertexVariants) EXPECT_EQ(VertexShaderVariants(v.number), v.variants) << v.number;
  for (int n : {37, 47, 60}) EXPECT_EQ(PixelShaderHasShadowVariant(n), 0) << n;
  for (int n : {38, 46}) EXPECT_EQ(PixelShaderHasShadowVariant(n), 1) << n;

  Material::SetVShader(26);
  EXPECT_EQ(Shaders.boundVertexNumber, 26);
  Material::SetVShader(27);
  EXPECT_EQ(Shaders.boundVertexNumber, 0);
  EXPECT_EQ(Shaders.boundVertexSlot, 0);
  Material::SetVShader(1);
  EXPECT_EQ(Shaders.boundVertexNumber, 1);
  Material::SetVShader(-1);
  EXPECT_EQ(Shaders.boundVertexNumber, 0);
  Material::SetPShader(60);
  EXPECT_EQ(Shaders.boundPixelNumber, 60);
  Material::SetPShader(61);
  EXPECT_EQ(Shaders.boundPixelNumber, 0);
  Material::SetPShader(-1);
  EXPECT_EQ(Shaders.boundPixelNumber, 0);
  // With the shadow flag, 46 takes its shadow slot (46 + 61) and 47 its plain one.
  ShaderShadowFlag = 1;
  Material::SetPShader(46);
  EXPECT_EQ(Shaders.boundPixelSlot, 46 + 61);
  Material::SetPShader(47);
  EXPECT_EQ(Shaders.boundPixelSlot, 47);
  ShaderShadowFlag = 0;

  Material::SetCShader(3);
  EXPECT_EQ(Shaders.boundCompute, 3);
  Material::SetCShader(4);
  EXPECT_EQ(Shaders.boundCompute, 0);
  Material::SetCShader(-1);
  EXPECT_EQ(Shaders.boundCompute, 0);

  Material::EnableVertexDeclaration(3);
  EXPECT_EQ(Shaders.boundLayout, 3);
  Material::EnableVertexDeclaration(4);
  EXPECT_EQ(Shaders.boundLayout, 3) << "no layout 4";
  Material::EnableVertexDeclaration(0);
  EXPECT_EQ(Shaders.boundLayout, 3) << "no layout 0";
  Material::EnableVertexDeclaration(1);
  EXPECT_EQ(Shaders.boundLayout, 1);

  // The render state selector: 26 is a shader, 27 and -1 none.
  SetRenderStateSelector(26);
  EXPECT_EQ(VertexShaderOverride, 26);
  SetRenderStateSelector(27);
  EXPECT_EQ(VertexShaderOverride, 0);
  SetRenderStateSelector(26);
  SetRenderStateSelector(-1);
  EXPECT_EQ(VertexShaderOverride, 0);
  Material::SetCShader(0);
}

// Every float of each upload, for the local lights' rows.
struct FullUpload {
  int stage, row;
  std::vector<float> data;
};
std::vector<FullUpload> g_fullUploads;
void RecordFullUpload(int stage, int row, const void* data, uint32_t bytes) {
  const float* f = static_cast<const float*>(data);
  g_fullUploads.push_back({stage, row, std::vector<float>(f, f + bytes / sizeof(float))});
}

// Lights 1, 3 and 31 (the lowest bits first): stage mode 1 sends each light's 3x4 transform
// times the world's 3x4 (a fourth row 0 0 0 1 understood) to the vertex rows from 9 + count,
// mode 0 only the colours to the pixel rows from 13 + count, mode 2 both, the transforms as
// they are.  The products are worked out here in doubles.
// The soft shine row's hardness: a soft shine of 50 is s = 0.5, sent as (s - 0.3) / 0.2 = 1
// and s squared = 0.25 in the row's third float4, whose last two floats stay 0.
TEST_F(ShaderChoice, TheSoftShineRowCarriesItsRampAndItsSquare) {
  UploadConstantRow = RecordFullUpload;
  g_fullUploads.clear();
  Choice(Make(0, 1, 50), 3);
  const FullUpload* soft = nullptr;
  for (const FullUpload& u : g_fullUploads)
    if (u.row == 5) soft = &u;
  ASSERT_NE(soft, nullptr);
  ASSERT_EQ(soft->data.size(), 12u);
  EXPECT_NEAR(soft->data[8], 1.0f, 1e-5);
  EXPECT_NEAR(soft->data[9], 0.25f, 1e-6);
  EXPECT_EQ(soft->data[10], 0.0f);
  EXPECT_EQ(soft->data[11], 0.0f);
}

TEST(LocalLights, TransformsAndColoursGoToTheirRowsMultipliedByTheWorld) {
  const float world[12] = {0.5f, -1.0f, 2.0f, 3.0f, 1.5f, 0.25f, -0.75f, -2.0f, 4.0f, 1.0f, 0.125f, 5.0f};
  std::memcpy(LightWorldMatrix, world, sizeof world);
  const int bits[3] = {1, 3, 31};
  for (int n = 0; n < 3; ++n) {
    LocalLightRecord& l = LocalLights[bits[n]];
    for (int i = 0; i < 12; ++i) l.transform[i] = float((i * 7 + n * 5) % 11) - 4.0f + 0.5f * float(n);
    for (int i = 0; i < 4; ++i) l.colour[i] = 0.1f * float(i + 1) + float(n);
  }
  const uint32_t mask = 1u << 1 | 1u << 3 | 1u << 31;
  UploadConstantRow = RecordFullUpload;

  g_fullUploads.clear();
  EXPECT_EQ(SetLocalLights(mask, 1), 0u);
  ASSERT_EQ(g_fullUploads.size(), 1u) << "mode 1 sends no colours";
  EXPECT_EQ(g_fullUploads[0].stage, 0);
  EXPECT_EQ(g_fullUploads[0].row, 12);
  ASSERT_EQ(g_fullUploads[0].data.size(), 36u);
  for (int n = 0; n < 3; ++n) {
    const float* a = LocalLights[bits[n]].transform;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) {
        double sum = c == 3 ? a[r * 4 + 3] : 0.0;
        for (int k = 0; k < 3; ++k) sum += double(a[r * 4 + k]) * world[k * 4 + c];
        EXPECT_NEAR(g_fullUploads[0].data[size_t(n * 12 + r * 4 + c)], sum, 1e-4) << n << " " << r << " " << c;
      }
  }

  g_fullUploads.clear();
  EXPECT_EQ(SetLocalLights(mask, 0), 0u);
  ASSERT_EQ(g_fullUploads.size(), 1u) << "mode 0 sends no transforms";
  EXPECT_EQ(g_fullUploads[0].stage, 1);
  EXPECT_EQ(g_fullUploads[0].row, 16);
  ASSERT_EQ(g_fullUploads[0].data.size(), 12u);
  for (int n = 0; n < 3; ++n)
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(g_fullUploads[0].data[size_t(n * 4 + i)], LocalLights[bits[n]].colour[i]) << n << " " << i;

  g_fullUploads.clear();
  EXPECT_EQ(SetLocalLights(1u << 3, 2), 0u);
  ASSERT_EQ(g_fullUploads.size(), 2u);
  EXPECT_EQ(g_fullUploads[0].stage, 0);
  EXPECT_EQ(g_fullUploads[0].row, 10);
  EXPECT_EQ(g_fullUploads[0].data, std::vector<float>(LocalLights[3].transform, LocalLights[3].transform + 12));
  EXPECT_EQ(g_fullUploads[1].stage, 1);
  EXPECT_EQ(g_fullUploads[1].row, 14);

  g_fullUploads.clear();
  EXPECT_EQ(SetLocalLights(0, 2), 0u);
  EXPECT_TRUE(g_fullUploads.empty()) << "no lights, nothing sent";
  UploadConstantRow = UploadConstantRowData;
  const float identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  std::memcpy(LightWorldMatrix, identity, sizeof identity);
}

using ShaderSources = NullRenderer;

// A source takes in files of its folder by '#include "name"'; a missing file is named, and a
// file that takes itself in is refused instead of recursing without end.
TEST_F(ShaderSources, IncludedFilesAreTakenInAndAMissingOrEndlessOneIsRefused) {
  namespace fs = std::filesystem;
  fs::create_directories("includes");
  auto write = [](const char* name, const char* text) { std::ofstream(std::string("includes/") + name) << text; };
  write("ps_5.glsl", "#version 430 core\n#define A\n#include \"common.glsl\"\n");
  write("common.glsl", "out vec4 c;\nvoid main() { c = vec4(1.0); }\n");
  write("ps_6.glsl", "#version 430 core\n#include \"absent.glsl\"\n");
  write("ps_7.glsl", "#version 430 core\n#include \"loop.glsl\"\n");
  write("loop.glsl", "#include \"loop.glsl\"\n");
  char saved[sizeof ShaderFolder];
  std::memcpy(saved, ShaderFolder, sizeof saved);
  std::snprintf(ShaderFolder, sizeof ShaderFolder, "includes");
  ReportRecorder reports;
  GfxPixelShader shader;
  EXPECT_EQ(LoadPixelShaderFile(5, &shader, 5), 0);
  GfxRelease(shader);
  EXPECT_EQ(LoadPixelShaderFile(6, &shader, 6), 1);
  EXPECT_TRUE(MessageShown("Could not open pixel shader (includes/absent.glsl)"));
  EXPECT_EQ(LoadPixelShaderFile(7, &shader, 7), 1);
  EXPECT_TRUE(MessageShown("Could not open pixel shader (includes/loop.glsl)"));
  std::memcpy(ShaderFolder, saved, sizeof saved);
}

// Includes nest four deep (a source, then four files each taking in the next); a fifth is
// refused and named.
TEST_F(ShaderSources, IncludesNestFourDeepAndTheFifthIsRefused) {
  namespace fs = std::filesystem;
  fs::create_directories("nested");
  auto write = [](const std::string& name, const std::string& text) { std::ofstream("nested/" + name) << text; };
  write("ps_8.glsl", "#version 430 core\n#include \"a1.glsl\"\n");
  write("ps_9.glsl", "#version 430 core\n#include \"b1.glsl\"\n");
  for (int i = 1; i <= 4; ++i) {
    write("a" + std::to_string(i) + ".glsl",
          i < 4 ? "#include \"a" + std::to_string(i + 1) + ".glsl\"\n" : "out vec4 c;\nvoid main() { c = vec4(1.0); }\n");
  }
  for (int i = 1; i <= 5; ++i) {
    write("b" + std::to_string(i) + ".glsl",
          i < 5 ? "#include \"b" + std::to_string(i + 1) + ".glsl\"\n" : "out vec4 c;\nvoid main() { c = vec4(1.0); }\n");
  }
  char saved[sizeof ShaderFolder];
  std::memcpy(saved, ShaderFolder, sizeof saved);
  std::snprintf(ShaderFolder, sizeof ShaderFolder, "nested");
  ReportRecorder reports;
  GfxPixelShader shader;
  EXPECT_EQ(LoadPixelShaderFile(8, &shader, 8), 0) << "four deep";
  GfxRelease(shader);
  EXPECT_EQ(LoadPixelShaderFile(9, &shader, 9), 1);
  EXPECT_TRUE(MessageShown("Could not open pixel shader (nested/b5.glsl)"));
  std::memcpy(ShaderFolder, saved, sizeof saved);
}

// The system sprites: the first five (discs, logo, dust, tyre) are drawn as world objects
// (kind 0, flag 1), from the sixth on (the needle centre, icon sheet, panels and sprite
// sheet) as the interface (kind 1, no flags).
using SystemSprites = NullRenderer;
TEST_F(SystemSprites, TheFirstFiveAreWorldMaterialsAndTheRestInterfaceOnes) {
  LoadSystemTextures();
  const SystemMaterialSet& m = SystemMaterials;
  const Material* world[] = {m.discSolid, m.discDrilled, m.logoSprite, m.dust, m.tyre};
  const Material* interface[] = {m.needleCentre, m.iconSheet, m.largePanel, m.smallPanel, m.spriteSheet};
  for (const Material* s : world) {
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->drawKind, 0);
    EXPECT_EQ(s->flags, 1);
  }
  for (const Material* s : interface) {
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->drawKind, 1);
    EXPECT_EQ(s->flags, 0);
  }
}

}  // namespace
