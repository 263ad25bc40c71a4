// skin_lookup.cpp - the car's texture look-up and the view cone factor.
#include "vehicle/skin_lookup.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "vehicle/car_skins.h"

int SkinConversionSuppressed = 0;
ViewCone CarViewCone = {};

namespace {

constexpr int MESSAGE_SIZE = 160;

void Say(const char* format, const char* name) {
  char text[MESSAGE_SIZE];
  std::snprintf(text, sizeof text, format, name);
  ReportLine(text, REPORT_ERROR);
}

bool IsSkinContext(int context) {
  return context == TEXTURE_TYPE_SKIN || context == TEXTURE_TYPE_SKIN_X || context == TEXTURE_TYPE_SKIN_Y ||
         context == TEXTURE_TYPE_BLANK;
}

// The texture table's record type of the car's skin: the folder the skin check found it in.
uint8_t SkinContext() {
  if (CarSkinState == SKIN_STATE_X_FOLDER) return TEXTURE_TYPE_SKIN_X;
  if (CarSkinState == SKIN_STATE_Y_FOLDER) return TEXTURE_TYPE_SKIN_Y;
  return TEXTURE_TYPE_SKIN;
}

// Steps 2 to 8 of the look-up, in the context TextureConfig.nextType.
Material* LookUp(const char* name, int genType, int plateIndex, int flags, const MaterialParams& params) {
  const char* wanted = name ? name : "";
  if (!wanted[0]) {
    TextureConfig.nextType = 0;
    wanted = params.shineType == NO_TEXTURE_SHINE ? "" : PLAIN_TEXTURE_NAME;
  }
  if (!IsPlainTextureName(wanted)) {
    Say(TEXT_SKIN_NAME_REFUSED, wanted);
    return nullptr;
  }
  if (Material* special = MapSpecialTextureName(wanted, plateIndex)) return special;
  if (genType == 3) {
    Material* m = GetMaterialByName(wanted, 0, 0, flags, params, genType);
    if (m) ReportMissingTexture(m->texture, wanted);
    return m;
  }
  const int context = TextureConfig.nextType;
  if (IsSkinContext(context) && wanted[0]) {
    if (ZKTETexture* texture = AddTextureRef(wanted, genType)) {
      if (!IsSkinTexture(texture)) Say(TEXT_NOT_A_SKIN, wanted);
      if (Material* found = FindMaterial(texture, 0, 0, flags, params, genType)) return found;
      return CreateMaterial(texture, 0, 0, flags, params, genType);
    }
    if (context == TEXTURE_TYPE_SKIN && CfgCompressedTex && !SkinConversionSuppressed) EnsureSkinDds(wanted);
  }
  if (context == TEXTURE_CONTEXT_PLAIN) wanted = PLAIN_TEXTURE_NAME;
  Material* m = GetMaterialByName(wanted, 0, 0, flags, params, genType);
  if (m && context != TEXTURE_TYPE_SKIN) ReportMissingTexture(m->texture, wanted);
  return m;
}

// The skin a skin page shows while a car is built: the editor's skin name, else the car's.
const char* CurrentSkinName() {
  if (EditorSkinName[0]) return EditorSkinName;
  return SkinContextCar ? SkinContextCar->skinTexture : "";
}

}  // namespace

// ---- [Look-up] ----

Material* FindCarSkinTexture(const char* name, int usage, int plateIndex, int requestFlags,
                             const CutoutMaterial& material, int skin) {
  if (!GraphicsEnabled) return nullptr;
  const MaterialParams params = CutoutParams(material);
  if (!skin) return LookUp(name, usage, plateIndex, requestFlags, params);
  // Both names are fixed fields that may fill their 24 bytes without an end.
  const char* current = CurrentSkinName();
  char skinName[EDITOR_SKIN_NAME_SIZE + 1] = {};
  std::memcpy(skinName, current, strnlen(current, EDITOR_SKIN_NAME_SIZE));
  if (!skinName[0]) return nullptr;  // no skin chosen: the page is drawn without a texture
  // The skin request is marked for the call: its context, its mod's folder and, while skins
  // are converted, the DDS before the JPG.
  const TextureSettings saved = TextureConfig;
  TextureConfig.nextType = SkinContext();
  const Car* car = SkinContextCar ? SkinContextCar : SkinContextEditorSkin;
  std::memset(TextureConfig.skinModName, 0, TEXTURE_NAME_SIZE);
  if (car && car->isMod) std::snprintf(TextureConfig.skinModName, TEXTURE_NAME_SIZE, "%s", car->vehicleName);
  if (CfgCompressedTex && !SkinConversionSuppressed) TextureConfig.preferCompressedSkins = 1;
  Material* m = LookUp(skinName, usage, plateIndex, requestFlags, params);
  TextureConfig.nextType = saved.nextType;
  std::memcpy(TextureConfig.skinModName, saved.skinModName, TEXTURE_NAME_SIZE);
  TextureConfig.preferCompressedSkins = saved.preferCompressedSkins;
  return m;
}

// ---- [View cone] ----

float ViewConeFactor() {
  if (!CurrentView) return 0.0f;
  const ViewCone& c = CarViewCone;
  const int32_t* p = CurrentView->position;
  const Vec3 d{float((int64_t{p[0]} - c.apex.x) / 65536.0), float((int64_t{p[1]} - c.apex.y) / 65536.0),
               float((int64_t{p[2]} - c.apex.z) / 65536.0)};
  const float a = c.axis.x * d.x + c.axis.y * d.y + c.axis.z * d.z;
  if (!(a > c.minimumDistance)) return 0.0f;
  const Vec3 off{d.x - c.axis.x * a, d.y - c.axis.y * a, d.z - c.axis.z * a};
  const float e = std::sqrt(off.x * off.x + off.y * off.y + off.z * off.z);
  const float half = a * 0.5f;
  if (!(half * half > e * e)) return 0.0f;
  const float t = 1.0f - e / half;
  return (3.0f - 2.0f * t) * t * t;
}
