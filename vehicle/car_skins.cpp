// car_skins.cpp - skin names and files, the skin check and download request, the missing-skin
// report, the helmet skin and the car's colour sets on its model.
#include "vehicle/car_skins.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/texture_files.h"
#include "render/texture_table.h"
#include "text/text_colours.h"

SkinServiceSettings SkinService;
int CarSkinState = 0;
SkinDownloadQueue SkinDownloads;
MissingSkinList MissingSkins;
void (*MissingSkinHandler)(const char* prefix, const char* skin) = RecordMissingSkin;
const Car* SkinContextCar = nullptr;
const Car* SkinContextEditorSkin = nullptr;

namespace {

constexpr int SKIN_FILE_NAME_SIZE = SKIN_PREFIX_SIZE + SKIN_PART_SIZE;
constexpr const char* SKINS_X = "data\\skins_x\\%s.dds";
constexpr const char* SKINS_Y = "data\\skins_y\\%s.dds";
constexpr const char* SKINS_DDS_FOLDER = "data\\skins_dds";
constexpr uint32_t SKIN_DDS_FORMAT = 71;  // BC1

void CopyText(char* out, int size, const char* text) { std::snprintf(out, size_t(size), "%s", text ? text : ""); }

SkinName MakeName(const char* prefix, const char* skin) {
  SkinName n{};
  CopyText(n.prefix, SKIN_PREFIX_SIZE, prefix);
  CopyText(n.skin, SKIN_PART_SIZE, skin);
  return n;
}

bool SameName(const SkinName& a, const SkinName& b) {
  return strcasecmp(a.prefix, b.prefix) == 0 && strcasecmp(a.skin, b.skin) == 0;
}

// The time in minutes of the downloaded skin "<prefix>_<skin>" in one of the two folders; 0
// when there is none.
uint32_t DownloadedSkinTime(const char* folderTemplate, const char* joined) {
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, folderTemplate, joined)) return 0;
  return FileTimeMinutes(path);
}

// One colour of a set on a mapping named by the rule: k picks the colour.
void ColourMapping(ModelMapping& m, const ColourWord set[COLOUR_SET_GROUP_SIZE]) {
  const char kind = char(std::toupper(static_cast<unsigned char>(m.name[0])));
  if (m.name[1] < '1' || m.name[1] > '4') return;
  const ColourWord c = set[m.name[1] - '1'] & 0xFFFFFFu;
  const ColourWord flags = m.colour & 0xFF000000u;  // the mapping's material flags stay
  int numerator;
  switch (kind) {
    case 'C':
    case 'M': m.colour = flags | c; return;
    case 'D': numerator = 3; break;
    case 'E': numerator = 2; break;
    default: return;
  }
  m.colour = flags | RgbWord(ColourRed(c) * numerator / 5, ColourGreen(c) * numerator / 5, ColourBlue(c) * numerator / 5);
}

void ColourObject(ModelObject& o, const ColourWord set[COLOUR_SET_GROUP_SIZE]) {
  ColourMappings(o.mappings, o.mappingCount, set);
}

}  // namespace

// ---- [Names and paths] ----

int ParseSkinName(SkinName& out, const char* name) {
  out = SkinName{};
  const char* underscore = name ? std::strchr(name, '_') : nullptr;
  if (!underscore) return 0;
  const size_t prefix = size_t(underscore - name), skin = std::strlen(underscore + 1);
  if ((prefix != 3 && prefix != 6) || skin == 0 || skin >= size_t(SKIN_PART_SIZE)) return 0;
  std::memcpy(out.prefix, name, prefix);
  std::memcpy(out.skin, underscore + 1, skin);
  return 1;
}

void JoinUnderscoreName(char* out, int outSize, const char* prefix, const char* name) {
  if (!out || outSize <= 0) return;
  std::snprintf(out, static_cast<size_t>(outSize), "%s_%.*s", prefix ? prefix : "", JOINED_NAME_PART,
                name ? name : "");
}

int MakeSkinPaths(SkinPaths& out, const char* name) {
  out = SkinPaths{};
  if (!MakeNamedPath(out.jpg, sizeof out.jpg, "data\\skins\\%s.jpg", name) ||
      !MakeNamedPath(out.dds, sizeof out.dds, "data\\skins_dds\\%s.dds", name)) {
    out = SkinPaths{};
    return 0;
  }
  return FileIsRegular(out.jpg) || FileIsRegular(out.dds) ? 1 : 0;
}

int EnsureSkinDds(const char* name) {
  SkinPaths paths;
  MakeSkinPaths(paths, name);
  uint64_t jpgTime = 0, ddsTime = 0;
  if (!paths.jpg[0] || !FileIsRegular(paths.jpg) || !FileGetWriteTime(paths.jpg, jpgTime)) return 0;
  if (FileIsRegular(paths.dds) && FileGetWriteTime(paths.dds, ddsTime) && ddsTime >= jpgTime) return 0;
  std::string bytes;
  if (FileReadAll(paths.jpg, bytes, int64_t(TEXTURE_FILE_MAX_BYTES)) != 0) return 0;
  texconv::Blob dds;
  if (!ConvertImageToDds(bytes.data(), bytes.size(), SKIN_DDS_FORMAT, &dds)) {
    char text[FILE_PATH_SIZE + 48];
    std::snprintf(text, sizeof text, TEXT_SKIN_NOT_CONVERTED, PathOnDisk(paths.jpg).c_str());
    ReportLine(text, REPORT_ERROR);
    return 0;
  }
  const int error = MakeFolder(SKINS_DDS_FOLDER) ? FileWriteAll(paths.dds, dds.data(), dds.size()) : (errno ? errno : EIO);
  if (error) {
    ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, paths.dds, error);
    return 0;
  }
  FileSetWriteTime(paths.dds, jpgTime);
  return 1;
}

// ---- [Download queue] ----

int QueueSkinDownload(const char* prefix, const char* skin, int flag, int highResolution) {
  const SkinName wanted = MakeName(prefix, skin);
  for (int i = 0; i < SkinDownloads.count; ++i)
    if (SameName(SkinDownloads.entries[i].name, wanted)) {
      ReportLine(TEXT_SKIN_IN_QUEUE, REPORT_ERROR);
      return 0;
    }
  if (SkinDownloads.count >= SKIN_QUEUE_SIZE) {
    ReportLine(TEXT_SKIN_QUEUE_FULL, REPORT_ERROR);
    return 0;
  }
  SkinDownloads.entries[SkinDownloads.count++] =
      SkinRequest{wanted, uint8_t(flag ? 1 : 0), uint8_t(highResolution ? 1 : 0)};
  return 1;
}

// ---- [Missing skins] ----

void RecordMissingSkin(const char* prefix, const char* skin) {
  if (MissingSkins.count < MISSING_SKINS_KEPT) MissingSkins.entries[MissingSkins.count] = MakeName(prefix, skin);
  if (MissingSkins.count < MISSING_SKINS_KEPT) ++MissingSkins.count;
}

// ---- [Helmet skin] ----

void ChooseSkinTexture(ZKTETexture*& slot, const char* skinName, ColourWord) {
  slot = nullptr;
  if (!GraphicsEnabled || !skinName || !skinName[0] || strcasecmp(skinName, "DEFAULT") == 0) return;
  char joined[SKIN_FILE_NAME_SIZE];
  JoinUnderscoreName(joined, sizeof joined, HELMET_SKIN_PREFIX, skinName);
  SkinPaths paths;
  if (!MakeSkinPaths(paths, joined)) return;
  const uint8_t type = TextureConfig.nextType;
  TextureConfig.nextType = TEXTURE_TYPE_SKIN;
  slot = GetTexture(joined, GEN_TYPE_DEFERRABLE);
  TextureConfig.nextType = type;
}

// ---- [Colour sets] ----

void ColourMappings(ModelMapping* mappings, int count, const ColourWord set[COLOUR_SET_GROUP_SIZE]) {
  for (int i = 0; i < count && mappings; ++i) ColourMapping(mappings[i], set);
}

// ---- the car's skin (physics/car.h) ----

int Car::HasTextureName(const char* name) const {
  if (!name || !name[0]) return 0;
  for (int i = 0; i < colourConfigCount && i < VEHICLE_MAX_COLOUR_CONFIGS; ++i) {
    char own[COLOUR_SET_NAME_SIZE + 1] = {};
    std::memcpy(own, colourConfigs[i].name, COLOUR_SET_NAME_SIZE);
    if (own[0] && strcasecmp(own, name) == 0) return 1;
  }
  return 0;
}

void Car::ReportMissingSkins() const {
  if (!model || !MissingSkinHandler) return;
  if (skinName[0] && !HasTextureName(skinName)) MissingSkinHandler(shortName, skinName);
  if (helmetName[0] && strcasecmp(helmetName, "DEFAULT") != 0) MissingSkinHandler(HELMET_SKIN_PREFIX, helmetName);
}

int Car::CheckSkin() {
  if (!skinName[0] || !GraphicsEnabled) {
    CarSkinState = SKIN_STATE_NO_SKIN;
    return 0;
  }
  if (HasTextureName(skinName)) return 0;
  char joined[SKIN_FILE_NAME_SIZE];
  JoinUnderscoreName(joined, sizeof joined, shortName, skinName);
  SkinPaths local;
  if (MakeSkinPaths(local, joined)) return 0;
  bool yFirst = SkinService.downloadSetting == SKIN_DOWNLOAD_Y_FIRST;
  CarSkinState = yFirst ? SKIN_STATE_Y_FOLDER : SKIN_STATE_X_FOLDER;
  uint32_t time = DownloadedSkinTime(yFirst ? SKINS_Y : SKINS_X, joined);
  if (time == 0) {
    if (SkinService.connectionState == 0 && SkinService.connectionMode != 3) {
      CarSkinState = SKIN_STATE_TO_FETCH;
      return 1;
    }
    yFirst = !yFirst;
    CarSkinState = yFirst ? SKIN_STATE_Y_FOLDER : SKIN_STATE_X_FOLDER;
    time = DownloadedSkinTime(yFirst ? SKINS_Y : SKINS_X, joined);
    if (time == 0) {
      CarSkinState = SKIN_STATE_TO_FETCH;
      return 1;
    }
  }
  const uint32_t stale = requiredSkinTime < SkinService.minimumSkinTime ? requiredSkinTime : SkinService.minimumSkinTime;
  if (time < stale && SkinService.fetchSwitch && SkinService.downloadSetting != SKIN_DOWNLOAD_OFF &&
      !SkinService.refusal && !IsBatchRun()) {
    CarSkinState = SKIN_STATE_TO_FETCH;
    return 1;
  }
  return 0;
}

void Car::ApplyColourSets() {
  if (!model) return;
  ColourWord sets[2][COLOUR_SET_GROUP_SIZE];
  std::memcpy(sets, currentColours.groups, sizeof sets);
  ScaleColours4(sets[0]);  // each channel x 1.275, held at 255
  ScaleColours4(sets[1]);
  ColourObject(*model, sets[0]);
  for (int i = 0; i < model->childCount && model->children; ++i) {
    ModelObject& sub = model->children[i];
    if (sub.options & SUBOBJECT_CUSTOM_COLOURS) ColourObject(sub, sets[sub.type == SUBOBJECT_HUB ? 1 : 0]);
  }
}
