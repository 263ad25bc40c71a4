// cutout_material_test.cpp - the cutout material's repair over every combination of its
// three types with and without an alpha texture, the rounding of its colour and roughness, and
// the dialog driven by clicks from the object panel's material buttons.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modeller/texture/cutout_material.h"
#include "operations_fixture.h"
#include "render/material.h"

namespace modeller_test {
namespace {

const char* LastEditName() { return ModellerUndo.nodes[ModellerUndo.count].name; }

bool AlphaName(const char* name) { return name && IsAlphaTextureName(name); }

// The rules a repaired material obeys.
void ExpectObeysRules(const CutoutMaterial& m, const char* name, const std::string& where) {
  const bool alpha = AlphaName(name), named = name && name[0];
  EXPECT_LT(m.alphaType, ALPHA_TYPE_COUNT) << where;
  if (!alpha) {
    EXPECT_EQ(m.alphaType, ALPHA_SOLID) << where;
  }
  EXPECT_LT(m.envMapType, ENV_MAP_TYPE_COUNT) << where;
  if (m.alphaType == ALPHA_TEST || m.alphaType == ALPHA_TEA) {
    EXPECT_EQ(m.envMapType, ENV_MATT) << where;
  }
  if (m.alphaType == ALPHA_BLEND) {
    EXPECT_NE(m.envMapType, ENV_OVERLAY) << where;
  }
  if (m.envMapType == ENV_V_SHINE) {
    EXPECT_TRUE(alpha) << where;
  }
  if (m.envMapType == ENV_OVERLAY) {
    EXPECT_TRUE(alpha || !named) << where;
  }
  EXPECT_TRUE(ShineTypeAllowed(m.envMapType, m.shineType)) << where;
  if (m.shineType == SHINE_NONE) {
    EXPECT_EQ(m.reflection[0] & m.reflection[1] & m.reflection[2], 255) << where;
  }
  const bool shine = m.envMapType >= ENV_C_SHINE && m.envMapType <= ENV_OVERLAY;
  EXPECT_TRUE(m.roughness == 0 || (shine && m.roughness >= 30 && m.roughness <= 70)) << where;
}

TEST(CutoutMaterialRules, EveryCombinationRepairsOnceAndObeysTheRules) {
  const char* const NAMES[] = {"glass_ALP", "wall", "", nullptr};
  const int ALPHAS[] = {0, 1, 2, 3, 4, 255};
  const int ENVS[] = {0, 1, 2, 3, 4, 200};
  const int SHINES[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 255};
  const int ROUGHNESS[] = {0, 22, 50, 90};
  int checked = 0;
  for (const char* name : NAMES)
    for (int alpha : ALPHAS)
      for (int env : ENVS)
        for (int shine : SHINES)
          for (int rough : ROUGHNESS) {
            CutoutMaterial m{uint8_t(alpha), uint8_t(env), uint8_t(shine), 7, {203, 118, 7}, uint8_t(rough)};
            RepairCutoutMaterial(m, name);
            const std::string where = std::string(name ? name : "(none)") + " a" + std::to_string(alpha) + " e" +
                                      std::to_string(env) + " s" + std::to_string(shine) + " r" + std::to_string(rough);
            ExpectObeysRules(m, name, where);
            EXPECT_EQ(m.spare, 7) << "the reserved byte is left alone: " << where;
            CutoutMaterial again = m;
            RepairCutoutMaterial(again, name);
            EXPECT_EQ(std::memcmp(&again, &m, sizeof m), 0) << "a second repair changes nothing: " << where;
            ++checked;
          }
  EXPECT_EQ(checked, 4 * 6 * 6 * 10 * 4);
}

TEST(CutoutMaterialRules, ShineTypesAllowedByEnvironment) {
  // Matt: none only; constant and variable shine: all but none and metal; overlay: paint to water.
  const char* const EXPECTED[4] = {"10000000", "01101111", "01101111", "01111000"};
  for (int env = 0; env < 4; ++env)
    for (int shine = 0; shine < 8; ++shine)
      EXPECT_EQ(ShineTypeAllowed(env, shine), EXPECTED[env][shine] - '0') << env << " " << shine;
  EXPECT_EQ(ShineTypeAllowed(4, 1), 0);
  EXPECT_EQ(ShineTypeAllowed(1, 8), 0);
}

TEST(CutoutMaterialRules, TheExamplesHold) {
  CutoutMaterial m{ALPHA_SOLID, ENV_OVERLAY, SHINE_RUBBER, 0, {255, 255, 255}, 0};
  RepairCutoutMaterial(m, "");
  EXPECT_EQ(m.shineType, SHINE_GLASS) << "overlay turns rubber into glass";
  const struct {
    int given, snapped;
  } ROUGH[] = {{22, 30}, {12, 0}, {70, 70}, {15, 0}, {16, 30}, {29, 30}, {30, 30}};
  for (const auto& r : ROUGH) {
    CutoutMaterial c{ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 0, {255, 255, 255}, uint8_t(r.given)};
    SnapRoughness(c);
    RepairCutoutMaterial(c, "wall");
    EXPECT_EQ(c.roughness, r.snapped) << r.given;
  }
  CutoutMaterial c{ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 0, {203, 118, 7}, 0};
  RoundReflectionColour(c);
  EXPECT_EQ(c.reflection[0], 205);
  EXPECT_EQ(c.reflection[1], 120);
  EXPECT_EQ(c.reflection[2], 5);
  c.reflection[0] = 253, c.reflection[1] = 254, c.reflection[2] = 2;
  RoundReflectionColour(c);
  EXPECT_EQ(c.reflection[0], 255);
  EXPECT_EQ(c.reflection[1], 255);
  EXPECT_EQ(c.reflection[2], 0);
}

// The object panel's material buttons open the dialog on the current mapping's cutout.
class MaterialDialogTest : public OperationsTest {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    InteractiveMode = 1;
    ScreenWidth = 1280, ScreenHeight = 960;
  }
  // Mapping "D1" of the sample car: cutout "paint" on the plain page (no alpha), constant
  // shine, paint.
  int OpenOnPaint() {
    Start(SampleCar);
    int mapping = -1;
    for (int i = 0; i < model.mappingCount; ++i)
      if (std::strcmp(model.mappings[i].name, "D1") == 0) mapping = i;
    modeller->state.currentMapping = mapping;
    SetModellerMode(*modeller, 0, ModeBuild);  // the shortest panel leaves room for the list
    Press("C SHINE", CLICK_LEFT, "Material reflection type");
    return model.mappings[mapping].cutout[0];
  }
  static void DialogButtons() {
    ClearInterface();
    DrawMaterialDialog(nullptr, -0.6f, -0.4f, 0.6f, 0.6f);
  }
  // Clicks the dialog's choice; a refusal's box is read and closed.
  static std::string Choose(const char* label) {
    DialogButtons();
    const InterfaceButton* b = FindShownButton(label);
    if (!b) return "no button " + std::string(label);
    ClickButton(*b);
    if (!MessageBoxDialog.prss.alive || MessageBoxDialog.callback) return "";
    const std::string said = MessageBoxDialog.first;
    Key(KEY_ENTER);
    return said;
  }
  static bool Dimmed(const char* label) {
    DialogButtons();
    const InterfaceButton* b = FindShownButton(label);
    return b && b->colour == &TextColours.panelGrey;
  }
};

TEST_F(MaterialDialogTest, ClicksDisableRefuseAndApply) {
  const int cutout = OpenOnPaint();
  EXPECT_STREQ(MaterialDialog.textureName, SAMPLE_PAGE_TEXTURE);
  const std::vector<uint8_t> before = Serialised();
  // A texture without alpha: only "Solid" of the alpha column, no variable shine or overlay.
  EXPECT_FALSE(Dimmed("Solid"));
  EXPECT_TRUE(Dimmed("Alpha Test"));
  EXPECT_TRUE(Dimmed("Variable Shine"));
  EXPECT_TRUE(Dimmed("Overlay or plain"));
  EXPECT_TRUE(Dimmed("Metal : 90%"));
  EXPECT_TRUE(Dimmed("None"));
  EXPECT_FALSE(Dimmed("Rubber : 4.5%"));
  EXPECT_EQ(Choose("Alpha Test"), "Texture has no alpha so alpha type must be SOLID");
  EXPECT_EQ(Choose("Variable Shine"), "Env type V SHINE requires a texture with alpha");
  EXPECT_EQ(Choose("Overlay or plain"), "OVERLAY requires a texture with alpha or no texture");
  EXPECT_EQ(Choose("Metal : 90%"), "Shine type METAL requires env type OVERLAY");
  EXPECT_EQ(Choose("None"), "Shine type NONE requires env type MATT");
  EXPECT_EQ(Choose("Rubber : 4.5%"), "");
  EXPECT_EQ(MaterialDialog.material.shineType, SHINE_RUBBER);
  // Matt takes the shine away: none, white, no roughness; shine types are then refused.
  EXPECT_EQ(Choose("Matt"), "");
  EXPECT_EQ(MaterialDialog.material.shineType, SHINE_NONE);
  EXPECT_EQ(MaterialDialog.material.reflection[1], 255);
  EXPECT_EQ(MaterialDialog.material.roughness, 0);
  EXPECT_EQ(Choose("Glass : 8%"), "Env type MATT requires shine type NONE");
  EXPECT_EQ(FindShownButton("Reflection colour"), nullptr) << "no colour without a shine";
  EXPECT_EQ(Choose("Constant Shine"), "");
  EXPECT_EQ(MaterialDialog.material.shineType, SHINE_PAINT) << "repaired to paint without alpha";
  DialogButtons();
  EXPECT_NE(FindShownButton("Reflection colour"), nullptr);
  // Yes gives the cutout the edited material under one undo point.
  Key(KEY_ENTER);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
  const CutoutMaterial& applied = model.cutouts[cutout].material;
  EXPECT_EQ(applied.envMapType, ENV_C_SHINE);
  EXPECT_EQ(applied.shineType, SHINE_PAINT);
  EXPECT_STREQ(LastEditName(), "set material");
  ExpectUndoRestores(before);
}

// On a screen of no size (a window shrunk to nothing) the roughness slider still has finite
// edges.
TEST_F(MaterialDialogTest, OnAScreenOfNoSizeTheRoughnessSliderHasFiniteEdges) {
  OpenOnPaint();
  ASSERT_EQ(MaterialDialog.material.envMapType, ENV_C_SHINE);
  ScreenWidth = ScreenHeight = 0;
  DialogButtons();
  int sliders = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.variable != &MaterialDialog.material.roughness) continue;
    ++sliders;
    for (const float edge : {c.left, c.top, c.right, c.bottom}) EXPECT_TRUE(std::isfinite(edge)) << edge;
  }
  EXPECT_EQ(sliders, 1);
  ScreenWidth = 1280, ScreenHeight = 960;
}

TEST_F(MaterialDialogTest, AlphaTextureAndNoTexture) {
  Start(SampleCar);
  // The glass cutout's page has alpha: every alpha type is offered; alpha blend refuses overlay.
  CutoutMaterial glass{ALPHA_BLEND, ENV_C_SHINE, SHINE_GLASS, 0, {255, 255, 255}, 0};
  ASSERT_EQ(AskMaterialProperties(&modeller->prss, nullptr, SAMPLE_GLASS_TEXTURE, glass, 0), 1);
  EXPECT_FALSE(Dimmed("Tree Edge Alpha"));
  EXPECT_EQ(Choose("Overlay or plain"), "Env type OVERLAY requires alpha type SOLID");
  EXPECT_EQ(Choose("Variable Shine"), "");
  EXPECT_EQ(Choose("Alpha Test"), "");
  EXPECT_EQ(MaterialDialog.material.envMapType, ENV_MATT) << "alpha test needs matt";
  EXPECT_EQ(Choose("Constant Shine"), "Alpha type ATEST requires env type MATT");
  Key(KEY_ESCAPE);
  // No texture: overlay is offered, and turns rubber into glass.
  CutoutMaterial plain{ALPHA_SOLID, ENV_C_SHINE, SHINE_RUBBER, 0, {255, 255, 255}, 40};
  ASSERT_EQ(AskMaterialProperties(&modeller->prss, nullptr, nullptr, plain, 0), 1);
  EXPECT_FALSE(Dimmed("Overlay or plain"));
  EXPECT_EQ(Choose("Overlay or plain"), "");
  EXPECT_EQ(MaterialDialog.material.shineType, SHINE_GLASS);
  EXPECT_EQ(MaterialDialog.material.roughness, 40);
  DialogButtons();
  EXPECT_NE(FindShownButton("Reflection colour"), nullptr) << "overlay, the last shining type, has its colour";
  EXPECT_EQ(Choose("Water : 2%"), "");
  EXPECT_EQ(Choose("Plastic : 5.3%"), "Shine type PLASTIC cannot be used with env type OVERLAY");
  // Types one past each table, or below it, are no choice: nothing changes and nothing is said.
  const CutoutMaterial held = MaterialDialog.material;
  for (int wrong : {-1, ALPHA_TYPE_COUNT}) EXPECT_EQ(CheckAlphaType(wrong), 0) << wrong;
  for (int wrong : {-1, ENV_MAP_TYPE_COUNT}) EXPECT_EQ(CheckAlphaEnvRules(wrong), 0) << wrong;
  for (int wrong : {-1, SHINE_TYPE_COUNT}) EXPECT_EQ(CheckShineEnvRules(wrong), 0) << wrong;
  // Nor is an env type one past its table offered, though the solid alpha bars none by itself.
  EXPECT_EQ(MaterialDialog.material.alphaType, ALPHA_SOLID);
  EXPECT_EQ(EnvTypeEnabled(ENV_MAP_TYPE_COUNT), 0);
  EXPECT_EQ(std::memcmp(&held, &MaterialDialog.material, sizeof held), 0);
  EXPECT_FALSE(MessageBoxDialog.prss.alive && !MessageBoxDialog.callback);
  Key(KEY_ESCAPE);
}

// A shine refused under a matt environment answers 0, says why and leaves the shine as it was.
TEST_F(MaterialDialogTest, ARefusedShineTypeAnswersNoAndLeavesTheShine) {
  Start(SampleCar);
  CutoutMaterial matt{ALPHA_SOLID, ENV_MATT, SHINE_NONE, 0, {255, 255, 255}, 0};
  ASSERT_EQ(AskMaterialProperties(&modeller->prss, nullptr, nullptr, matt, 0), 1);
  EXPECT_EQ(CheckShineEnvRules(SHINE_PAINT), 0);
  ASSERT_TRUE(MessageBoxDialog.prss.alive && !MessageBoxDialog.callback);
  EXPECT_STREQ(MessageBoxDialog.first, "Env type MATT requires shine type NONE");
  Key(KEY_ENTER);
  EXPECT_EQ(MaterialDialog.material.shineType, SHINE_NONE);
  Key(KEY_ESCAPE);
}

}  // namespace
}  // namespace modeller_test
