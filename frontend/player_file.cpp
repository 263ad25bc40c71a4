// player_file.cpp - the player file, the keyboard steering file, update_cfg.txt and the
// player's defaults.
#include "frontend/player_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "text/coded_text.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_strings.h"

PlayerRecord Player;
int UpdateSetting = 1;
int UpdateSettingInForce = 1;

namespace {

constexpr int PLAYER_TEXT_SIZE = 16;
constexpr int PLAYER_LONG_TEXT_SIZE = 32;
constexpr int PLAYER_PLATE_SIZE = 8;
constexpr int64_t KEY_FILE_MAX_SIZE = 1 << 20;  // a larger update_cfg.txt is damage, not settings

// ---- Names and paths ----

// The player name with every byte a file name may not hold left out.
void CleanPlayerFileName(char* out, int outSize, const char* name) {
  int n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p && n < outSize - 1; ++p)
    if (*p >= 32 && *p != 127 && !IsSpecialChar(*p)) out[n++] = static_cast<char>(*p);
  out[n] = 0;
}

bool MakeMiscPath(char* out, int outSize, const char* name, const char* extension) {
  char pathTemplate[32];
  std::snprintf(pathTemplate, sizeof pathTemplate, "data\\misc\\%%s.%s", extension);
  return MakeNamedPath(out, outSize, pathTemplate, name);
}

// The file of the current player: its name cleaned, so no name ever leaves the folder.
bool CurrentPlayerPath(char* out, int outSize) {
  char cleaned[sizeof CfgPlayerName];
  CleanPlayerFileName(cleaned, sizeof cleaned, CfgPlayerName);
  return cleaned[0] && cleaned[0] != '.' && MakeMiscPath(out, outSize, cleaned, "ply");
}

void ShowFileFailure(const char* path, int error) {
  if (const char* text = DataFileErrorText(error)) ShowLabelledMessage(text, path, TextColours.error);
}

// ---- Player file fields ----

void ReadFixedText(DataFile& f, char* out, int size) {
  f.ReadBlock(out, size);
  out[size - 1] = 0;
}

void ReadPlayerBody(DataFile& f, int32_t version, PlayerRecord& p) {
  f.ReadInt();  // reserved
  p.position = f.ReadInt();
  for (int n = 1; n <= 4; ++n) p.options[n] = static_cast<uint8_t>(f.ReadByte());
  if (version >= 7) {
    for (int n = 5; n <= 7; ++n) p.options[n] = static_cast<uint8_t>(f.ReadByte());
  } else {
    p.options[5] = 1;
    p.options[6] = 1;
    p.options[7] = 0;
  }
  f.Skip(5);  // reserved
  for (int n = 8; n <= PLAYER_OPTION_COUNT; ++n) p.options[n] = static_cast<uint8_t>(f.ReadByte());
  f.ReadBlock(p.block, PLAYER_BLOCK_SIZE);
  const uint32_t flags = version >= 6 ? f.ReadUInt() : 0;
  ReadFixedText(f, p.garageText, PLAYER_TEXT_SIZE);
  f.ReadBlock(p.plate, PLAYER_PLATE_SIZE);
  p.plate[PLAYER_PLATE_SIZE] = 0;
  const int count = f.ReadByte();
  f.Skip(3);  // reserved
  for (int i = 0; i < count && !f.readPastEnd; ++i) {
    PlayerCarInfo entry = {};
    entry.value = f.ReadInt();
    ReadFixedText(f, entry.text, PLAYER_TEXT_SIZE);
    if (version >= 6) ReadFixedText(f, entry.longText, PLAYER_LONG_TEXT_SIZE);
    if (i < PLAYER_CAR_COUNT) p.cars[i] = entry;  // entries past the car table are dropped
  }
  // A file with fewer entries than cars leaves the rest with none.
  for (int i = count < 0 ? 0 : count; i < PLAYER_CAR_COUNT; ++i) p.cars[i] = PlayerCarInfo{-1, {}, {}};
  if (version < 6 || !(flags & PLAYER_FLAG_LONG_TEXTS))
    for (PlayerCarInfo& car : p.cars) std::memset(car.longText, 0, sizeof car.longText);
  if (!(flags & PLAYER_FLAG_BLOCK)) std::memset(p.block, 0, sizeof p.block);
}

// Reads an opened file into out when every field is there.  Closes the file.
int ReadPlayerFile(DataFile& f, int32_t version, PlayerRecord& out) {
  PlayerRecord read = out;
  ReadPlayerBody(f, version, read);
  const bool complete = !f.readPastEnd;
  f.Close();
  if (complete) out = read;
  return complete ? 1 : 0;
}

void WritePlayerBody(DataFile& f, const PlayerRecord& p) {
  f.WriteInt(0);
  f.WriteInt(p.position);
  for (int n = 1; n <= 7; ++n) f.WriteByte(p.options[n]);
  for (int i = 0; i < 5; ++i) f.WriteByte(0);
  for (int n = 8; n <= PLAYER_OPTION_COUNT; ++n) f.WriteByte(p.options[n]);
  f.WriteBlock(p.block, PLAYER_BLOCK_SIZE);
  f.WriteInt(PLAYER_FLAG_LONG_TEXTS | PLAYER_FLAG_BLOCK);
  f.WriteFixedString(p.garageText, PLAYER_TEXT_SIZE);
  f.WriteBlock(p.plate, PLAYER_PLATE_SIZE);
  f.WriteByte(PLAYER_CAR_COUNT);
  for (int i = 0; i < 3; ++i) f.WriteByte(0);
  for (const PlayerCarInfo& car : p.cars) {
    f.WriteInt(car.value);
    f.WriteFixedString(car.text, PLAYER_TEXT_SIZE);
    f.WriteFixedString(car.longText, PLAYER_LONG_TEXT_SIZE);
  }
}

// ---- Keyboard steering file ----

struct FloatRange {
  float min, max;
};
constexpr FloatRange KBS_RANGES[KBS_VALUE_COUNT] = {{2, 10}, {0, 1}, {0, 1}, {1, 3}, {0, 1}, {0.4f, 1.2f}, {0, 1}, {10, 200}};

// "Not above" and "not below", so that a NaN takes the lower bound.
float ClampKbsValue(float v, FloatRange r) { return !(v > r.min) ? r.min : (!(v < r.max) ? r.max : v); }

float* const KBS_VALUES[KBS_VALUE_COUNT] = {&CfgKeyboardSteer[0], &CfgKeyboardSteer[1], &CfgKeyboardSteer[2],
                                            &CfgKeyboardSteer[3], &CfgKeyboardSteer[4], &CfgKeyboardSteer[5],
                                            &CfgSpeedSteerReductionKb, &CfgHalfReduceSpeedKb};

int ReadKbsFile(DataFile& f, float values[KBS_VALUE_COUNT]) {
  float read[KBS_VALUE_COUNT];
  for (int i = 0; i < KBS_VALUE_COUNT; ++i) read[i] = ClampKbsValue(f.ReadFloat(), KBS_RANGES[i]);
  const bool complete = !f.readPastEnd;
  f.Close();
  if (!complete) return 0;
  std::memcpy(values, read, sizeof read);
  return 1;
}

// ---- Update settings ----

// A player file that could not be read nor moved aside: never written over in this run.
char g_leftAlonePath[FILE_PATH_SIZE];

char g_updateVersion[8];  // "Version " as read; the program's own when written

const ConfigKey UPDATE_KEYS[2] = {
    ConfigTextKey("Version ", g_updateVersion, sizeof g_updateVersion),
    ConfigIntKey("Update ", &UpdateSetting, 0, 255),
};

}  // namespace

// ---- [Player file] ----

int ReadPlayerFileImage(const uint8_t* image, size_t length, PlayerRecord& out) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenReadMemory(nullptr, image, static_cast<int64_t>(length), PLAYER_FILE_MAGIC, &version,
                        PLAYER_FILE_VERSION))
    return 0;
  if (!f.CheckLowestVersion(nullptr, "", version, PLAYER_FILE_LOWEST_VERSION)) return 0;
  return ReadPlayerFile(f, version, out);
}

int LoadPlayerFile(int setDefaults) {
  g_leftAlonePath[0] = 0;  // judged afresh for the player loaded now
  char cleaned[sizeof CfgPlayerName];
  CleanPlayerFileName(cleaned, sizeof cleaned, CfgPlayerName);
  if (!cleaned[0] || cleaned[0] == '.') {
    SetPlayerDefaults();
    return 0;
  }
  char path[FILE_PATH_SIZE];
  const bool pathBuilt = MakeMiscPath(path, sizeof path, cleaned, "ply");
  if (std::strcmp(cleaned, CfgPlayerName) != 0) {
    char oldPath[FILE_PATH_SIZE];
    const char* reason = nullptr;
    if (!pathBuilt)
      reason = LanguageTexts[TX_3a_namelong];
    else if (!MakeMiscPath(oldPath, sizeof oldPath, CfgPlayerName, "ply"))
      reason = "Not found";  // a name that is no safe file name has no file in the folder
    else
      reason = RenameFileReport(oldPath, path);
    if (!reason) {
      ShowMessage(LanguageTexts[TX_3h_ply_corr], TextColours.grey);
      CopyStringN(CfgPlayerName, cleaned, sizeof CfgPlayerName);
    } else {
      ShowLabelledMessage(LanguageTexts[TX_3g_rename_b], reason, TextColours.error);
    }
  }

  DataFile f;
  int32_t version = 0;
  int loaded = 0;
  const char* failure = nullptr;
  if (pathBuilt && f.OpenRead(nullptr, path, PLAYER_FILE_MAGIC, &version, PLAYER_FILE_VERSION, 0) &&
      f.CheckLowestVersion(nullptr, path, version, PLAYER_FILE_LOWEST_VERSION)) {
    loaded = ReadPlayerFile(f, version, Player);
    if (!loaded) failure = LanguageTexts[TX_3g_filecorr];
  } else if (pathBuilt && (LastDataFileError != DATA_FILE_NOT_FOUND || FileExists(path))) {
    failure = DataFileErrorText(LastDataFileError);  // there but unreadable counts as damaged
  }
  // What could not be read (damaged, or written by a later version) is kept for the user
  // before the defaults are ever saved in its place.
  if (failure && !KeepUnreadFileAside(path, failure)) CopyStringN(g_leftAlonePath, path, sizeof g_leftAlonePath);
  if (!loaded && setDefaults) SetPlayerDefaults();
  return loaded;
}

int PlayerFilePath(char* out, int outSize) { return CfgPlayerName[0] && CurrentPlayerPath(out, outSize) ? 1 : 0; }

int SavePlayerFile(int* error) {
  if (error) *error = 0;
  char path[FILE_PATH_SIZE];
  if (!PlayerFilePath(path, sizeof path) || std::strcmp(path, g_leftAlonePath) == 0) return 0;
  MakeFolder("data\\misc");
  DataFile f;
  if (!f.OpenWrite(nullptr, path, PLAYER_FILE_MAGIC, PLAYER_FILE_VERSION)) {
    if (error) *error = f.out.error ? f.out.error : EIO;
    return 0;
  }
  WritePlayerBody(f, Player);
  if (f.Close()) return 1;
  if (error) *error = f.out.error ? f.out.error : EIO;
  return 0;
}

int PlayerFileExists(const char* name) {
  char path[FILE_PATH_SIZE];
  return MakeMiscPath(path, sizeof path, name, "ply") && FileExists(path) && !FileIsFolder(path);
}

int RemovePlayerFile() {
  char path[FILE_PATH_SIZE];
  return CurrentPlayerPath(path, sizeof path) && FileRemove(path);
}

// ---- [Keyboard steering file] ----

int ReadKbsFileImage(const uint8_t* image, size_t length, float values[KBS_VALUE_COUNT]) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenReadMemory(nullptr, image, static_cast<int64_t>(length), KBS_FILE_MAGIC, &version, KBS_FILE_VERSION))
    return 0;
  return ReadKbsFile(f, values);
}

int LoadKbsFile(const char* name) {
  char path[FILE_PATH_SIZE];
  if (!MakeMiscPath(path, sizeof path, name, "kbs")) return 0;
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(nullptr, path, KBS_FILE_MAGIC, &version, KBS_FILE_VERSION, 0)) {
    if (LastDataFileError != DATA_FILE_NOT_FOUND) ShowFileFailure(path, LastDataFileError);
    return 0;
  }
  float values[KBS_VALUE_COUNT];
  if (!ReadKbsFile(f, values)) {
    ShowLabelledMessage(LanguageTexts[TX_3g_filecorr], path, TextColours.error);
    return 0;
  }
  for (int i = 0; i < KBS_VALUE_COUNT; ++i) *KBS_VALUES[i] = values[i];
  return 1;
}

int SaveKbsFile(const char* name) {
  char path[FILE_PATH_SIZE];
  if (!MakeMiscPath(path, sizeof path, name, "kbs")) return 0;
  MakeFolder("data\\misc");
  DataFile f;
  if (!f.OpenWrite(nullptr, path, KBS_FILE_MAGIC, KBS_FILE_VERSION)) return 0;
  for (const float* value : KBS_VALUES) f.WriteFloat(*value);
  return f.Close();
}

// ---- [Update settings] ----

void ReadUpdateConfigFromText(const char* text, size_t length) {
  UpdateSetting = 1;
  g_updateVersion[0] = 0;
  ReadConfigKeys(text, length, UPDATE_KEYS, 2);
  // A file of another version (or none at all) asks for updates again.
  if (std::strcmp(g_updateVersion, PROGRAM_VERSION) != 0) UpdateSetting = 1;
  UpdateSettingInForce = UpdateSetting;
}

void ReadUpdateConfig() {
  std::string text;
  const int error = FileReadAll(UPDATE_CONFIG_PATH, text, KEY_FILE_MAX_SIZE);
  if (error && error != ENOENT) LogF("Could not read %s (%s)", UPDATE_CONFIG_PATH, std::strerror(error));
  if (error) text.clear();
  ReadUpdateConfigFromText(text.data(), text.size());
}

int SaveUpdateConfig() {
  CopyStringN(g_updateVersion, PROGRAM_VERSION, sizeof g_updateVersion);
  std::string text;
  WriteConfigKeys(text, UPDATE_KEYS, 2);
  const int error = FileWriteAll(UPDATE_CONFIG_PATH, text.data(), text.size());
  if (!error) return 1;
  LogF("Could not save %s (%s)", UPDATE_CONFIG_PATH, std::strerror(error));
  ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, UPDATE_CONFIG_PATH, error);
  return 0;
}

// ---- [Defaults] ----

void SetPlayerDefaults() {
  Player.position = PLAYER_DEFAULT_POSITION;
  Player.options[1] = 0;
  std::memset(Player.block, 0, sizeof Player.block);
  CopyStringN(Player.garageText, "Driver", sizeof Player.garageText);
  CopyStringN(Player.plate, "ZKT 01", sizeof Player.plate);
  for (PlayerCarInfo& car : Player.cars) car = PlayerCarInfo{-1, {}, {}};
  CopyStringN(Player.cars[0].text, "Standard", sizeof Player.cars[0].text);
  CopyStringN(Player.cars[1].text, "Standard", sizeof Player.cars[1].text);
}

void SetLanguageDefaults() {
  const uint8_t value = UserLanguageIsEnglish() ? 0 : 1;
  Player.options[2] = value;
  Player.options[10] = value;
  Player.options[11] = value;
}

// ---- [Look-ups] ----

PlayerCarInfo* FindCurrentCarInfo() {
  const int car = BuiltinCarIndexByCodeText(CfgSelectedCar);
  return car < 0 ? nullptr : &Player.cars[car];
}

uint32_t CarCode(int car) {
  if (car < 0 || car >= BUILTIN_VEHICLE_COUNT) return 0;
  return VehicleCodeWord(BuiltinVehicleTable[car].code);
}

PlayerCarInfo* FindCarInfoByCode(uint32_t code) {
  for (int i = 0; i < PLAYER_CAR_COUNT; ++i)
    if (code != 0 && CarCode(i) == code) return &Player.cars[i];
  return nullptr;
}

uint32_t PlayerFlags(int shiftType) {
  const uint32_t view = CfgDriverPosView ? 0x2000u : 0u;
  const int mode = CfgControlModeInForce;
  const bool assisted = mode == 1 ? Player.options[3] == 0 : Player.options[4] != 0;
  uint32_t flags = view;
  switch (shiftType) {
    case SHIFT_H_PATTERN:
      if (assisted)
        flags = view | 0x208;
      else if (mode == 1 && Player.options[3] > 1)
        flags |= 0x10 | (Player.options[7] ? 0x200 : 0);
      else if (Player.options[6])
        flags |= 0x200;
      break;
    case SHIFT_MOTORBIKE:
    case SHIFT_SEQUENTIAL:
    case SHIFT_SEQUENTIAL_CUT:
      if (assisted)
        flags = view | 0x208;
      else if (Player.options[5])
        flags |= 0x200;
      break;
    case SHIFT_PADDLE: flags = view | (assisted ? 0x208 : 0x200); break;
    case SHIFT_OTHER: flags = view | 0x200; break;
    default: break;
  }
  if ((mode == 0 && Player.options[8]) || (mode != 0 && Player.options[9])) flags |= 0x40;
  return flags;
}
