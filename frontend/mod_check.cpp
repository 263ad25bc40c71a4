// mod_check.cpp - the names of a mod, the texture names a model needs, and the check of a car
// before it is exported as a mod.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "core/log.h"
#include "core/report.h"
#include "frontend/frontend.h"
#include "frontend/mod_export.h"
#include "platform/files.h"
#include "render/texture_files.h"
#include "render/texture_names.h"
#include "texconv/texconv.h"
#include "text/language.h"
#include "vehicle/car_skins.h"
#include "vehicle_data/vehicle_file.h"

// ---- [Names] ----

int ModBaseName(char* out, int outSize, const char* vehicleName) {
  if (outSize > 0) out[0] = 0;
  if (!vehicleName || !IsValidVehicleName(vehicleName) || outSize < MOD_BASE_MAX + 1) return 0;
  char base[MOD_NAME_SIZE] = {};
  const char* tilde = IsModVehicleName(vehicleName) ? std::strrchr(vehicleName, '~') : nullptr;
  const size_t length = tilde ? size_t(tilde - vehicleName) : std::strlen(vehicleName);
  std::snprintf(base, sizeof base, "%.*s", int(std::min<size_t>(length, MOD_BASE_MAX)), vehicleName);
  // A short name is padded so that the mod name reads as one (at least 8 characters).
  for (size_t n = std::strlen(base); n < size_t(MOD_BASE_MIN); ++n) base[n] = '_';
  std::snprintf(out, size_t(outSize), "%s", base);
  return 1;
}

int NextModName(char* out, int outSize, const char* vehicleName, const char* modsFolder) {
  char base[MOD_NAME_SIZE];
  if (outSize > 0) out[0] = 0;
  if (!ModBaseName(base, sizeof base, vehicleName) || outSize < MOD_NAME_SIZE) return 0;
  char pattern[FILE_PATH_SIZE];
  if (std::snprintf(pattern, sizeof pattern, "%s\\%s~*", modsFolder, base) >= int(sizeof pattern)) return 0;
  std::vector<FoundFile> found;
  int highest = 0;
  if (FindFiles(pattern, found))
    for (const FoundFile& f : found) {
      // A mod's folder, or a packed mod ("<mod>.7z").
      std::string name = f.name;
      if (name.size() > 3 && strcasecmp(name.c_str() + name.size() - 3, ".7z") == 0) name.resize(name.size() - 3);
      if (IsModVehicleName(name.c_str()) && name.size() == std::strlen(base) + 4)
        highest = std::max(highest, std::atoi(name.c_str() + name.size() - 3));
    }
  if (highest >= 999) return 0;
  std::snprintf(out, size_t(outSize), "%s~%03d", base, highest + 1);
  return 1;
}

// ---- [Texture names] ----

namespace {

bool Listed(const TextureNameList& list, const char* name) {
  for (int i = 0; i < list.count; ++i)
    if (strcasecmp(list.names[i], name) == 0) return true;
  return false;
}

// The PNG of a texture name read and decoded; its area in pixels, or a reason it failed.
const char* ReadTexturePng(const char* name, double* area) {
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, "data\\png\\%s.png", name)) return "name can not be used";
  if (!FileExists(path)) return "file not found";
  std::string bytes;
  if (FileReadAll(path, bytes, int64_t(TEXTURE_FILE_MAX_BYTES)) != 0) return "file can not be read";
  texconv::ScratchImage picture;
  texconv::TexMetadata metadata{};
  if (texconv::Failed(texconv::LoadFromWICMemory(bytes.data(), bytes.size(), 0, &metadata, &picture)))
    return "file can not be decoded";
  *area = double(metadata.width) * double(metadata.height);
  return nullptr;
}

uint32_t ModSkinId(const Car& car) {
  return uint32_t(uint8_t(car.shortCode[0])) | uint32_t(uint8_t(car.shortCode[1])) << 8 |
         uint32_t(uint8_t(car.shortCode[2])) << 16;
}

}  // namespace

int CollectObjectTextureNames(const ModelObject& object, TextureNameList& list) {
  for (int i = 0; i < object.pageCount && object.pages; ++i) {
    const TexturePage& page = object.pages[i];
    char name[MODEL_NAME_SIZE] = {};
    std::memcpy(name, page.name, MODEL_NAME_SIZE - 1);
    if (page.type == PAGE_SKIN || !name[0] || IsSpecialTextureName(name) || Listed(list, name)) continue;
    if (list.count >= TEXTURE_NAME_LIST_MAX) {
      char text[96];
      std::snprintf(text, sizeof text, "Too many texture names (limit %d)", TEXTURE_NAME_LIST_MAX);
      ReportLine(text, REPORT_ERROR);
      return 0;
    }
    std::memcpy(list.names[list.count++], name, MODEL_NAME_SIZE);
  }
  for (int i = 0; i < object.childCount && object.children; ++i)
    if (!CollectObjectTextureNames(object.children[i], list)) return 0;
  return 1;
}

// ---- [Check] ----

// The car's textures: those of its model and of its spoke object.
int Car::CheckTextures(float* megapixels) const {
  TextureNameList* list = new TextureNameList{};
  if (model) CollectObjectTextureNames(*model, *list);
  CollectObjectTextureNames(spoke, *list);
  int errors = 0;
  double area = 0;
  for (int i = 0; i < list->count; ++i) {
    double pixels = 0;
    if (const char* reason = ReadTexturePng(list->names[i], &pixels)) {
      ++errors;
      LogF("texture check : %s - %s", list->names[i], reason);
      char text[128];
      std::snprintf(text, sizeof text, "%s : %s", list->names[i], reason);
      ReportLine(text, REPORT_ERROR);  // the "more info" the check's box sends the user to (H)
    } else {
      area += pixels;
    }
  }
  delete list;
  if (megapixels) *megapixels = float(area / 1e6);
  return errors;
}

int CheckVehicleSkins(const Car& car) {
  int missing = 0;
  for (int i = 0; i < car.colourConfigCount && i < VEHICLE_MAX_COLOUR_CONFIGS; ++i) {
    char skin[COLOUR_SET_NAME_SIZE + 1] = {};
    std::memcpy(skin, car.colourConfigs[i].name, COLOUR_SET_NAME_SIZE);
    if (!skin[0]) continue;
    bool seen = false;  // a name used twice is one skin
    for (int j = 0; j < i && !seen; ++j) seen = strncasecmp(skin, car.colourConfigs[j].name, COLOUR_SET_NAME_SIZE) == 0;
    if (seen) continue;
    char joined[SKIN_PREFIX_SIZE + SKIN_PART_SIZE];
    JoinUnderscoreName(joined, sizeof joined, car.shortName, skin);
    SkinPaths paths;
    if (MakeSkinPaths(paths, joined)) continue;
    ++missing;
    char text[96];
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_skn_miss], joined);
    ReportLine(text, REPORT_ERROR);
  }
  return missing;
}

const char* UnsafeModName(const Car& car) {
  static char found[MODEL_NAME_SIZE + COLOUR_SET_NAME_SIZE];
  TextureNameList* list = new TextureNameList{};
  if (car.model) CollectObjectTextureNames(*car.model, *list);
  CollectObjectTextureNames(car.spoke, *list);
  found[0] = 0;
  for (int i = 0; i < list->count && !found[0]; ++i)
    if (!IsSafeFileName(list->names[i])) std::snprintf(found, sizeof found, "%s", list->names[i]);
  delete list;
  for (int i = 0; i < car.colourConfigCount && i < VEHICLE_MAX_COLOUR_CONFIGS && !found[0]; ++i) {
    char skin[COLOUR_SET_NAME_SIZE + 1] = {};
    std::memcpy(skin, car.colourConfigs[i].name, COLOUR_SET_NAME_SIZE);
    if (skin[0] && !IsSafeFileName(skin)) std::snprintf(found, sizeof found, "%s", skin);
  }
  return found[0] ? found : nullptr;
}

int ListModProblems(const Car& car, int forUpload) {
  int problems = 0;
  char text[160];
  auto problem = [&](const char* line) {
    ReportLine(line, REPORT_ERROR);
    ++problems;
  };
  if (!IsValidVehicleName(car.vehicleName)) {
    std::snprintf(text, sizeof text, TEXT_BAD_VEHICLE_NAME, car.vehicleName);
    problem(text);
    return problems;  // nothing else of it can be looked at safely
  }
  if (const char* name = UnsafeModName(car)) {
    std::snprintf(text, sizeof text, TEXT_BAD_NAME, car.vehicleName, name);
    problem(text);
    return problems;
  }
  if (car.inertiaStatus != INERTIA_VALID) {
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_inrt_err], int(car.inertiaStatus));
    problem(text);
  }
  if (!car.IsRefPointAboveZero()) problem(LanguageTexts[TX_3m_refpt_lo]);
  float megapixels = 0;
  const int textureErrors = car.CheckTextures(&megapixels);
  if (textureErrors == 1) {
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_tex_1err], LanguageTexts[TX_3m_tex_hint]);
    problem(text);
  } else if (textureErrors > 1) {
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_tex_nerr], textureErrors, LanguageTexts[TX_3m_tex_hint]);
    problem(text);
  }
  if (forUpload && megapixels > float(MOD_UPLOAD_MAX_MEGAPIXELS)) {
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_tex_area], double(megapixels));
    problem(text);
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_tex_maxu], MOD_UPLOAD_MAX_MEGAPIXELS);
    ReportLine(text, REPORT_ERROR);
  }
  // Three letters or digits are an official Skin ID, a built-in car's.
  if (!IsModCarId(ModSkinId(car))) problem(LanguageTexts[IsShortCarName(car.shortCode) ? TX_3m_off_sknd : TX_3m_no_sknid]);
  // Only after the Skin ID: the default skins are named after it.
  else problems += CheckVehicleSkins(car);
  // A configuration is named by the skin file chosen for it; a model that paints no skin page
  // has no use for one, and its configurations may stay unnamed.
  const int named = car.CountColourConfigNames();
  if (named < car.colourConfigCount && car.model && car.model->HasTypeOneMapping()) {
    std::snprintf(text, sizeof text, LanguageTexts[TX_3m_col_name], named, int(car.colourConfigCount));
    problem(text);
    std::snprintf(text, sizeof text, TEXT_CHOOSE_SKIN_FILE, car.shortName);
    ReportLine(text, REPORT_ERROR);
    ReportLine(TEXT_MAKE_SKIN_FILE, REPORT_ERROR);
  }
  if (problems == 0) ReportLine(LanguageTexts[TX_3m_mod_vald], REPORT_SUCCESS);
  return problems;
}
