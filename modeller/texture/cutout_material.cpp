// cutout_material.cpp - the cutout material's repair, its dialog and its row of buttons.
#include "modeller/texture/cutout_material.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/window_state.h"
#include "model/model_meshes.h"
#include "render/material.h"
#include "ui/dialogs.h"

const char* const ALPHA_TYPE_LONG_NAMES[ALPHA_TYPE_COUNT] = {"Solid", "Alpha Test", "Alpha", "Tree Edge Alpha"};
const char* const ENV_MAP_TYPE_LONG_NAMES[ENV_MAP_TYPE_COUNT] = {"Matt", "Constant Shine", "Variable Shine",
                                                                 "Overlay or plain"};
const char* const SHINE_TYPE_LONG_NAMES[SHINE_TYPE_COUNT] = {
    "None", "Paint : 4%", "Glass : 8%", "Metal : 90%", "Water : 2%", "Asphalt : 5.8%", "Rubber : 4.5%", "Plastic : 5.3%"};

MaterialDialogState MaterialDialog;

namespace {

MessageSub g_box;  // the dialog's own box: the shared one shows its refusals over it

bool HasAlpha() { return IsAlphaTextureName(MaterialDialog.textureName); }
bool Named() { return MaterialDialog.textureName[0] != 0; }

template <typename Int>
const char* NameOf(const char* const* names, int count, Int value) {
  return int(value) < count ? names[value] : "?";
}

void Refuse(const char* format, const char* first, const char* second = nullptr) {
  char text[DIALOG_TEXT_SIZE];
  std::snprintf(text, sizeof text, format, first, second);
  ShowMessageBox(&g_box.prss, text);
}

void Repaired() { RepairCutoutMaterial(MaterialDialog.material, MaterialDialog.textureName); }

// ---- The dialog's clicks ----
void AlphaClick(void*, int, uintptr_t value) { CheckAlphaType(int(value)); }
void EnvClick(void*, int, uintptr_t value) { CheckAlphaEnvRules(int(value)); }
void ShineClick(void*, int, uintptr_t value) { CheckShineEnvRules(int(value)); }
void ColourChanged(void*, int, uintptr_t) {
  RoundReflectionColour(MaterialDialog.material);
  Repaired();
}
void RoughnessChanged(void*, int, uintptr_t) {
  SnapRoughness(MaterialDialog.material);
  Repaired();
}

// A column: its title, then one button per choice, lit when chosen, dimmed when not offered.
void AddColumn(int left, int top, int units, const char* title, const char* const* names, int count, int chosen,
               int (*enabled)(int), InterfaceHandler click) {
  RowCursorX = left;
  RowCursorY = top;
  AddRowButton(&g_box.prss, units, 0, 0, &TextColours.grey, title, nullptr, nullptr);
  for (int i = 0; i < count; ++i) {
    RowCursorX = left;
    RowCursorY = top + (i + 1) * ButtonHeight;
    AddRowButton(&g_box.prss, units, uintptr_t(i), chosen == i, enabled(i) ? &TextColours.lightOrange : &TextColours.panelGrey,
                 names[i], click, nullptr);
  }
}

int PixelX(float x) { return int((x + 1.0f) * 0.5f * float(ScreenWidth)); }
int PixelY(float y) { return int((y + 1.0f) * 0.5f * float(ScreenHeight)); }

}  // namespace

// ---- [Rules] ----

void RepairCutoutMaterial(CutoutMaterial& m, const char* textureName) {
  MaterialParams p = CutoutParams(m);
  SetMaterialFlagsFromName(p, textureName);
  m.alphaType = p.alphaMode;
  m.envMapType = p.shineType;
  m.shineType = p.reflectance;
  m.reflection[0] = p.shineRed, m.reflection[1] = p.shineGreen, m.reflection[2] = p.shineBlue;
  m.roughness = p.softShine;
}

void RoundReflectionColour(CutoutMaterial& m) {
  for (uint8_t& c : m.reflection) c = uint8_t(std::lround(c / 5.0) * 5);
}

void SnapRoughness(CutoutMaterial& m) {
  if (m.roughness <= 15)
    m.roughness = 0;
  else if (m.roughness < 30)
    m.roughness = 30;
}

// ---- [Dialog] ----

int AskMaterialProperties(Prss* owner, QuestionCallback callback, const char* textureName,
                          const CutoutMaterial& material, uint32_t word) {
  if (!owner || owner->sub) return 0;
  std::snprintf(MaterialDialog.textureName, sizeof MaterialDialog.textureName, "%s", textureName ? textureName : "");
  MaterialDialog.material = material;
  MaterialDialog.word = word;
  char title[DIALOG_TEXT_SIZE];
  std::snprintf(title, sizeof title, TEXT_MATERIAL_TITLE, Named() ? MaterialDialog.textureName : TEXT_NO_TEXTURE);
  if (!OpenMessageSub(&g_box, owner, callback, title, nullptr, word, 0, MESSAGE_PLAIN, DrawMaterialDialog)) return 0;
  // Nine rows of choices and, below, the colour and the roughness.
  g_box.pageHeight = 14.0f * float(ButtonHeight) * 2.0f / float(ScreenHeight > 0 ? ScreenHeight : 1);
  return 1;
}

int AlphaTypeEnabled(int alpha) { return alpha == ALPHA_SOLID || (alpha < ALPHA_TYPE_COUNT && HasAlpha()); }

int EnvTypeEnabled(int env) {
  const int alpha = MaterialDialog.material.alphaType;
  if (env == ENV_MATT) return 1;
  if (env >= ENV_MAP_TYPE_COUNT || alpha == ALPHA_TEST || alpha == ALPHA_TEA) return 0;
  if (env == ENV_OVERLAY) return alpha != ALPHA_BLEND && (HasAlpha() || !Named());
  if (env == ENV_V_SHINE) return HasAlpha();
  return 1;
}

int ShineTypeEnabled(int shine) { return ShineTypeAllowed(MaterialDialog.material.envMapType, shine); }

int CheckAlphaType(int alpha) {
  CutoutMaterial& m = MaterialDialog.material;
  if (alpha == m.alphaType || alpha < 0 || alpha >= ALPHA_TYPE_COUNT) return 0;
  if (!HasAlpha()) {
    Refuse(TEXT_NO_ALPHA_TEXTURE, ALPHA_TYPE_NAMES[ALPHA_SOLID]);
    return 0;
  }
  m.alphaType = uint8_t(alpha);
  Repaired();
  return 1;
}

int CheckAlphaEnvRules(int env) {
  CutoutMaterial& m = MaterialDialog.material;
  if (env == m.envMapType || env < 0 || env >= ENV_MAP_TYPE_COUNT) return 0;
  if (m.alphaType == ALPHA_TEST || m.alphaType == ALPHA_TEA) {
    Refuse(TEXT_ALPHA_NEEDS_ENV, ALPHA_TYPE_NAMES[m.alphaType], ENV_MAP_TYPE_NAMES[ENV_MATT]);
  } else if (m.alphaType == ALPHA_BLEND && env == ENV_OVERLAY) {
    Refuse(TEXT_ENV_NEEDS_ALPHA, ENV_MAP_TYPE_NAMES[ENV_OVERLAY], ALPHA_TYPE_NAMES[ALPHA_SOLID]);
  } else if (env == ENV_V_SHINE && !HasAlpha()) {
    Refuse(TEXT_ENV_NEEDS_ALPHA_TEXTURE, ENV_MAP_TYPE_NAMES[ENV_V_SHINE]);
  } else if (env == ENV_OVERLAY && Named() && !HasAlpha()) {
    Refuse(TEXT_ENV_NEEDS_ALPHA_OR_NONE, ENV_MAP_TYPE_NAMES[ENV_OVERLAY]);
  } else {
    m.envMapType = uint8_t(env);
    Repaired();
    return 1;
  }
  return 0;
}

int CheckShineEnvRules(int shine) {
  CutoutMaterial& m = MaterialDialog.material;
  if (shine == m.shineType || shine < 0 || shine >= SHINE_TYPE_COUNT) return 0;
  const int env = m.envMapType;
  const char* envName = NameOf(ENV_MAP_TYPE_NAMES, ENV_MAP_TYPE_COUNT, env);
  if (shine != SHINE_NONE && env == ENV_MATT) {
    Refuse(TEXT_ENV_NEEDS_SHINE, ENV_MAP_TYPE_NAMES[ENV_MATT], SHINE_TYPE_NAMES[SHINE_NONE]);
  } else if (shine == SHINE_METAL && env != ENV_OVERLAY) {
    Refuse(TEXT_SHINE_NEEDS_ENV, SHINE_TYPE_NAMES[SHINE_METAL], ENV_MAP_TYPE_NAMES[ENV_OVERLAY]);
  } else if (shine == SHINE_NONE && env != ENV_MATT) {
    Refuse(TEXT_SHINE_NEEDS_ENV, SHINE_TYPE_NAMES[SHINE_NONE], ENV_MAP_TYPE_NAMES[ENV_MATT]);
  } else if (!ShineTypeAllowed(env, shine)) {
    Refuse(TEXT_SHINE_REFUSED, SHINE_TYPE_NAMES[shine], envName);
  } else {
    m.shineType = uint8_t(shine);
    Repaired();
    return 1;
  }
  return 0;
}

void DrawMaterialDialog(MessageSub*, float left, float top, float, float) {
  CutoutMaterial& m = MaterialDialog.material;
  constexpr int UNITS = 6;
  const int x = PixelX(left) + ButtonWidth / 2, y = PixelY(top);
  AddColumn(x, y, UNITS, "Alpha type", ALPHA_TYPE_LONG_NAMES, ALPHA_TYPE_COUNT, m.alphaType, AlphaTypeEnabled,
            AlphaClick);
  AddColumn(x + UNITS * ButtonWidth, y, UNITS, "Environment map type", ENV_MAP_TYPE_LONG_NAMES, ENV_MAP_TYPE_COUNT,
            m.envMapType, EnvTypeEnabled, EnvClick);
  AddColumn(x + 2 * UNITS * ButtonWidth, y, UNITS, "Shine type", SHINE_TYPE_LONG_NAMES, SHINE_TYPE_COUNT, m.shineType,
            ShineTypeEnabled, ShineClick);
  if (m.envMapType < ENV_C_SHINE || m.envMapType > ENV_OVERLAY) return;
  // The reflection colour: a swatch beside three spinners, then the roughness.
  static ColourWord swatch;
  swatch = RgbWord(m.reflection[0], m.reflection[1], m.reflection[2]);
  const int colourTop = y + 10 * ButtonHeight;
  RowCursorX = x;
  RowCursorY = colourTop;
  AddRowButton(&g_box.prss, UNITS, 0, 0, &TextColours.grey, "Reflection colour", nullptr, nullptr);
  AddRowButton(&g_box.prss, 2, 0, 0, &swatch, " ", nullptr, nullptr);
  static const char* const CHANNELS[3] = {"Red %d", "Green %d", "Blue %d"};
  for (int c = 0; c < 3; ++c) {
    RowCursorX = x + 9 * ButtonWidth;
    RowCursorY = colourTop + c * ButtonHeight;
    AddRowColourButton(&g_box.prss, CHANNELS[c], 0, 255, &m.reflection[c], &TextColours.lightOrange, ColourChanged,
                       nullptr);
  }
  const float rowHeight = 2.0f * float(ButtonHeight) / float(ScreenHeight > 0 ? ScreenHeight : 1);
  const float sliderTop = -1.0f + 2.0f * float(colourTop + 3 * ButtonHeight) / float(ScreenHeight > 0 ? ScreenHeight : 1);
  const float sliderLeft = -1.0f + 2.0f * float(x) / float(ScreenWidth > 0 ? ScreenWidth : 1);
  const float sliderRight = sliderLeft + 2.0f * float(2 * UNITS * ButtonWidth) / float(ScreenWidth > 0 ? ScreenWidth : 1);
  AddValueControl4(&g_box.prss, &m.roughness, 0.0f, 0.70f, "Roughness %.2f", 0, 70, RoughnessChanged, sliderLeft,
                   sliderTop, sliderRight, sliderTop + rowHeight);
}

// ---- [Buttons] ----

void AddMaterialButtons(const CutoutMaterial& m, Prss* owner, uintptr_t word, InterfaceHandler handler) {
  // A list shows a row per cutout: each row keeps its own text and colour until drawn.
  constexpr int KEPT_ROWS = 64;
  static char roughnessTexts[KEPT_ROWS][8];
  static ColourWord shineColours[KEPT_ROWS];
  static int next = 0;
  char* roughness = roughnessTexts[next];
  ColourWord& shineColour = shineColours[next];
  next = (next + 1) % KEPT_ROWS;
  ColourWord* plain = &TextColours.lightOrange;
  AddRowButton(owner, 4, word, 0, plain, NameOf(ALPHA_TYPE_NAMES, ALPHA_TYPE_COUNT, m.alphaType), handler,
               "Material transparency");
  AddRowButton(owner, 4, word, 0, plain, NameOf(ENV_MAP_TYPE_NAMES, ENV_MAP_TYPE_COUNT, m.envMapType), handler,
               "Material reflection type");
  std::snprintf(roughness, sizeof roughnessTexts[0], "%d", m.roughness);
  AddRowButton(owner, 2, word, 0, plain, roughness, handler, "Material reflection roughness");
  shineColour = RgbWord(m.reflection[0], m.reflection[1], m.reflection[2]);
  AddRowButton(owner, 4, word, 0, &shineColour, NameOf(SHINE_TYPE_NAMES, SHINE_TYPE_COUNT, m.shineType), handler,
               "Material shine type");
}
