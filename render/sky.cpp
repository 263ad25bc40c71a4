// sky.cpp - the light scheme table, the light scheme file and the choice of scheme.
#include "render/sky.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/config.h"
#include "core/data_file.h"
#include "render/colour_science.h"
#include "render/env_maps.h"

namespace {

LightScheme DefaultScheme() {
  LightScheme s{};
  MakeDefaultLightScheme(s);
  s.skyBrightness = 1.0f;
  return s;
}

constexpr float OLD_INTENSITY_SCALE = 0.78431374f;  // 200 / 255

// One record of the body; 0 when the body ends inside it.
int ReadScheme(DataFile& file, int version, LightScheme& s) {
  const bool old = version < 2;
  file.ReadInt();  // not used
  for (uint8_t& b : s.bytes) b = uint8_t(file.ReadByte());
  file.ReadBlock(s.tag, sizeof s.tag);
  file.ReadBlock(s.skyPicture, sizeof s.skyPicture);
  s.skyPicture[SKY_PICTURE_NAME_SIZE - 1] = 0;
  if (old) file.ReadInt();
  s.sunColour = file.ReadUInt();
  s.sunIntensity = file.ReadFloat();
  if (old) file.ReadInt();
  for (float& f : s.further) f = file.ReadFloat();
  if (old) file.ReadInt();
  if (file.readPastEnd) return 0;
  if (old) s.sunIntensity *= OLD_INTENSITY_SCALE;
  if (version <= 2) s.sunIntensity = std::pow(s.sunIntensity, 2.2f);
  // A damaged value would carry into every lit pixel.
  if (!(s.sunIntensity >= 0.0f && std::isfinite(s.sunIntensity))) s.sunIntensity = 0.0f;
  s.skyBrightness = 1.0f;
  s.skyAmbientColour = 0;
  s.skyTexture = nullptr;
  s.light = ShIrradiance{};
  return 1;
}

}  // namespace

LightScheme LightSchemes[LIGHT_SCHEME_LIMIT] = {DefaultScheme()};
int LightSchemeCount = 1;
int CurrentLightScheme;
int Global3DMode = 1;
uint32_t SkyOptions;
float SunLimbDarkening[SUN_WAVELENGTHS];

// ---- [Schemes] ----

LightScheme& CurrentScheme() {
  const int index = CurrentLightScheme >= 0 && CurrentLightScheme < LightSchemeCount ? CurrentLightScheme : 0;
  return LightSchemes[index];
}

void MakeDefaultLightScheme(LightScheme& scheme) {
  scheme.bytes[1] = 3;
  scheme.bytes[2] = 0;
  std::memcpy(scheme.tag, "__\0\0", 4);
  std::memset(scheme.skyPicture, 0, sizeof scheme.skyPicture);
  scheme.further[0] = 0.0f;
  scheme.further[1] = 1.5707964f;
  scheme.further[2] = 8000.0f;
  scheme.skyTexture = nullptr;
}

void SelectLightPreset() {
  const int previous = CurrentLightScheme;
  CurrentLightScheme = CfgLighting < 0 ? 0 : std::min(CfgLighting, LightSchemeCount - 1);
  if (CurrentLightScheme != previous && Global3DMode) RequestEnvironmentRedraw();
}

void ClearLightSchemeLightWords() {
  for (LightScheme& scheme : LightSchemes) scheme.skyTexture = nullptr;
  Sky.texture = nullptr;
  Sky.textureFailed = 0;
}

// ---- [Scheme file] ----

int ReadLightSchemes(DataFile& file, int version) {
  if (version < 1) return 0;
  file.ReadInt();  // not used
  const uint32_t stored = file.ReadUInt();
  const int count = int(std::min<uint32_t>(stored, LIGHT_SCHEME_LIMIT));
  int read = 0;
  while (read < count && ReadScheme(file, version, LightSchemes[read])) ++read;
  return read;
}

void WriteLightSchemes(DataFile& file, const LightScheme* schemes, int count) {
  file.WriteInt(0);
  file.WriteInt(count);
  for (int i = 0; i < count; ++i) {
    const LightScheme& s = schemes[i];
    file.WriteInt(0);
    for (uint8_t b : s.bytes) file.WriteByte(b);
    file.WriteBlock(s.tag, sizeof s.tag);
    file.WriteFixedString(s.skyPicture, SKY_PICTURE_NAME_SIZE);
    file.WriteInt(int32_t(s.sunColour));
    file.WriteFloat(s.sunIntensity);
    for (float f : s.further) file.WriteFloat(f);
  }
}

void FillLightSchemes(DataFile* file, int version) {
  const int read = file ? ReadLightSchemes(*file, version) : 0;
  if (read == 0) LightSchemes[0] = LightScheme{};
  LightSchemeCount = std::max(read, 1);
  if (read == 0 || (version < 2 && LightSchemes[0].skyPicture[0])) {
    // The default goes in front; what index 0 held stays in its other fields.
    std::memmove(&LightSchemes[1], &LightSchemes[0], sizeof(LightScheme) * (LIGHT_SCHEME_LIMIT - 1));
    if (read > 0) LightSchemeCount = std::min(read + 1, LIGHT_SCHEME_LIMIT);
    MakeDefaultLightScheme(LightSchemes[0]);
    if (read == 0) LightSchemes[0].skyBrightness = 1.0f;
  }
  if (CurrentLightScheme >= LightSchemeCount) CurrentLightScheme = 0;
}

void LoadLightScm() {
  int version = 0;
  DataFile file{};
  if (file.OpenRead(nullptr, LIGHT_SCHEME_FILE, LIGHT_SCHEME_MAGIC, &version, LIGHT_SCHEME_VERSION, 0)) {
    FillLightSchemes(&file, version);
    file.Close();
  } else {
    FillLightSchemes(nullptr, 0);
  }
  ColourTemperatureToRgb();
  for (int k = 0; k < SUN_WAVELENGTHS; ++k) SunLimbDarkening[k] = LimbDarkeningDiscAverage(400.0f + 5.0f * float(k));
}

float (*WorldSunSettingHook)();
void (*WorldSunDirectionHook)(float direction[3]);
