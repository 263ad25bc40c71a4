// car_skins.h - a car's skin: skin names and the files they are found in, whether a car's
// skin must be fetched, the download request and the report of skins the car cannot show,
// the helmet's skin, the look-up context while a car is built, and the car's colour sets on
// its model's mappings (Car::CheckSkin, Car::HasTextureName, Car::ReportMissingSkins and
// Car::ApplyColourSets of physics/car.h are defined in car_skins.cpp).
//
// Sections: [Names and paths] [Skin service] [Download queue] [Missing skins] [Helmet skin]
//           [Build context] [Colour sets] [Texts]
//
// A skin is the picture "<prefix>_<skin>" of a car: the prefix is the car's short name (three
// letters or digits for a built-in car, a mod's six hexadecimal digits), the skin one of its
// colour sets' names.  Local skins lie in "data\skins" (JPG) and "data\skins_dds" (DDS);
// downloaded ones in "data\skins_x" and "data\skins_y".
//
// STAND-IN until the online services exist: the download queue only records its requests and
// nothing is fetched; the missing-skin handler records what it is given; the service's
// switches (SkinService) keep their offline values unless the front end sets them.  Main
// thread only.
#pragma once
#include <cstdint>

#include "physics/car.h"
#include "platform/files.h"

// ---- [Names and paths] ----
constexpr int SKIN_PREFIX_SIZE = 8;  // 3 or 6 characters and a zero
constexpr int SKIN_PART_SIZE = 32;
struct SkinName {
  char prefix[SKIN_PREFIX_SIZE];
  char skin[SKIN_PART_SIZE];
};
// Splits "<prefix>_<skin>" at the first '_': a prefix of 3 or 6 characters and a skin of 1 to
// 31.  0 when the name does not fit (out is then empty).
int ParseSkinName(SkinName& out, const char* name);
constexpr int JOINED_NAME_PART = 22;  // characters of the name part kept by JoinUnderscoreName
// "prefix_name" into out (outSize bytes, always terminated), the name cut to JOINED_NAME_PART.
void JoinUnderscoreName(char* out, int outSize, const char* prefix, const char* name);
struct SkinPaths {
  char jpg[FILE_PATH_SIZE];  // "data\skins\<name>.jpg"
  char dds[FILE_PATH_SIZE];  // "data\skins_dds\<name>.dds"
};
// Both paths of a skin name; 1 when either file exists.  A name that is not a plain file name
// builds no paths and gives 0.
int MakeSkinPaths(SkinPaths& out, const char* name);
// The skin's JPG converted (BC1, with its mip levels) into "data\skins_dds" when the DDS is
// missing or older than the JPG; the DDS takes the JPG's write time.  1 when a DDS was
// written; 0 when none was needed or the JPG is missing or cannot be read (nothing is
// changed then).
int EnsureSkinDds(const char* name);

// ---- [Skin service] ----
// What the skin check reads of the mod and skin service and the connection.
enum SkinDownloadSetting { SKIN_DOWNLOAD_OFF = 0, SKIN_DOWNLOAD_X_FIRST = 1, SKIN_DOWNLOAD_Y_FIRST = 2 };
struct SkinServiceSettings {
  int downloadSetting = SKIN_DOWNLOAD_X_FIRST;
  uint32_t minimumSkinTime = 0;  // minutes since 1601: a downloaded skin older is stale
  int fetchSwitch = 0;           // the service fetches stale skins again
  int refusal = 0;               // the service refuses downloads
  uint8_t connectionState = 0;   // 0 not connected to a host
  int connectionMode = 0;        // 3: a mode in which a missing skin is looked for in both folders first
};
extern SkinServiceSettings SkinService;
// The skin state code of the last skin check or build.
enum SkinState : int {
  SKIN_STATE_BUILT = 1,        // the build is done
  SKIN_STATE_X_FOLDER = 2,     // found downloaded in "data\skins_x"
  SKIN_STATE_Y_FOLDER = 3,     // found downloaded in "data\skins_y"
  SKIN_STATE_NO_SKIN = 6,      // no skin name, or no graphics
  SKIN_STATE_TO_FETCH = 7,     // missing or stale: to be fetched
};
extern int CarSkinState;

// ---- [Download queue] ----
constexpr int SKIN_QUEUE_SIZE = 32;
struct SkinRequest {
  SkinName name;
  uint8_t flag;
  uint8_t highResolution;
};
struct SkinDownloadQueue {
  int count;
  SkinRequest entries[SKIN_QUEUE_SIZE];
};
extern SkinDownloadQueue SkinDownloads;
// Adds a request: 0 with "Skin already in queue" or "Can't download skin - queue is full"
// (error colour) when it cannot.
int QueueSkinDownload(const char* prefix, const char* skin, int flag, int highResolution);

// ---- [Missing skins] ----
// Told of each skin a car must show and cannot; the race code installs its own.  The least
// body records the names (RecordMissingSkin).
extern void (*MissingSkinHandler)(const char* prefix, const char* skin);
constexpr int MISSING_SKINS_KEPT = 32;
struct MissingSkinList {
  int count;
  SkinName entries[MISSING_SKINS_KEPT];  // the first ones reported
};
extern MissingSkinList MissingSkins;
void RecordMissingSkin(const char* prefix, const char* skin);

// ---- [Helmet skin] ----
constexpr const char* HELMET_SKIN_PREFIX = "HEL";
// Without graphics the slot is emptied.  Otherwise a named skin other than "DEFAULT" whose
// picture is found ("HEL_<name>") is asked for and its texture put in the slot; any other
// name leaves the slot empty, and the helmet shows its own page (the colour is the helmet's).
void ChooseSkinTexture(ZKTETexture*& slot, const char* skinName, ColourWord colour);

// ---- [Build context] ----
// Read by the skin look-up of the texture binding while a car's level meshes are built; both
// null outside that build: the car when it uses its skin, and the car when the editor's skin
// name (EditorSkinName, model/model_meshes.h) is one of its own skins.
extern const Car* SkinContextCar;
extern const Car* SkinContextEditorSkin;

// ---- [Colour sets] ----
// A subobject takes the car's first colour set when it asks for custom colours (a hub object
// takes the second, the rim colours).  Mapping names "C1".."C4" and "M1".."M4" take colour k,
// "D1".. three fifths and "E1".. two fifths of each channel (either case).
constexpr uint16_t SUBOBJECT_CUSTOM_COLOURS = OPTION_KEPT;
// The rule above on a list of mappings, with a group of four colours (already scaled); each
// mapping keeps its flags byte.
void ColourMappings(ModelMapping* mappings, int count, const ColourWord set[COLOUR_SET_GROUP_SIZE]);

// ---- [Texts] ----
constexpr const char* TEXT_SKIN_IN_QUEUE = "Skin already in queue";
constexpr const char* TEXT_SKIN_QUEUE_FULL = "Can't download skin - queue is full";
constexpr const char* TEXT_SKIN_NOT_CONVERTED = "Could not convert skin : %s";
