// mod_export.h - a vehicle turned into a mod: the check before testing or upload, the export
// stepped once a frame into a test folder, into the share folder or packed for upload, the
// texture names a model needs, and the export of those textures as PNG or DDS.
//
// Sections: [Names] [Texture names] [Check] [Export] [Texture files] [Texts]
//
// What a mod holds (the program's own loader reads it back):
//   mods\vehicles\<mod>\<mod>.veh           the vehicle as the editor holds it (saved or not), its
//                                           model stored in it, pages renamed
//   mods\vehicles\<mod>\engine\<name>.eng   the engine it names
//   mods\vehicles\<mod>\move\str_<a>.ban    the driver's and passengers' animations, when found
//   mods\vehicles\<mod>\dds\<page>.dds      each page of the model, converted from its PNG
//   mods\vehicles\<mod>\skins_dds\<s>.dds   each default skin ("<Skin ID>_<colour name>")
//   mods\vehicles\<mod>\cover.png           the cover picture, when one was taken
// A mod is named after its vehicle: the name (padded with '_' to 4 characters, cut to 27),
// "~" and three digits, one more than the highest mod of that name in the target folder.
// The pages are renamed "<Skin ID>~<page>" (cut in the middle to 19 characters, the last
// four kept for the alpha suffix, two digits in place of a clash) so that no texture of the
// program's own folders is taken for a mod's page of the same name.
//
// Every export is written into "<mod>.partial" beside its target and moved into place at
// the end; a failure or a quit removes it, and an existing mod of that name is replaced only
// after success.  The export path and the unique-name table are active only while the
// vehicle file is written, and cleared on every ending.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"

struct Car;
struct Prss;

// ---- [Names] ----
constexpr int MOD_NAME_SIZE = 32;        // 31 characters and a zero, as a vehicle name
constexpr int MOD_BASE_MIN = 4;          // the mod name is at least 8 characters
constexpr int MOD_BASE_MAX = MOD_NAME_SIZE - 1 - 4;
// The base of a mod name from a vehicle name: the part before a mod's "~", padded and cut.
// 0 (out empty) for a name that could leave its folder.
int ModBaseName(char* out, int outSize, const char* vehicleName);
// "<base>~NNN" with the number one more than the highest "<base>~NNN" folder in modsFolder
// (a folder such as "mods\vehicles").  0 when 999 is taken or the name is refused.
int NextModName(char* out, int outSize, const char* vehicleName, const char* modsFolder);

// ---- [Texture names] ----
constexpr int TEXTURE_NAME_LIST_MAX = 512;
struct TextureNameList {
  int count;
  char names[TEXTURE_NAME_LIST_MAX][MODEL_NAME_SIZE];
};
// Adds the page names of object and its subobjects that are not yet listed (any case),
// skipping skin pages, empty and special names.  0 when the list is full (one message
// names the limit), else 1.
int CollectObjectTextureNames(const ModelObject& object, TextureNameList& list);

// ---- [Check] ----
constexpr int MOD_UPLOAD_MAX_MEGAPIXELS = 5;
// What Car::CheckTextures found.  An error is a texture whose PNG ("data\png\<name>.png") is
// missing, cannot be read or cannot be decoded; each is told in a message line with its
// reason (the history that the texture check's box points to).
struct TextureCheck {
  int errors;
  float megapixels;  // the combined area of the PNGs that could be read
};
// Default skins ("<Skin ID>_<colour configuration name>") found in neither "data\skins" nor
// "data\skins_dds": the number missing, each told in a message line.
int CheckVehicleSkins(const Car& car);
// The first texture or skin name of car that could leave its folder (a separator, a drive
// colon, ".."), or null when there is none.
const char* UnsafeModName(const Car& car);
// The problems of car as a mod, each shown as a message line; with forUpload the textures'
// combined area counts too.  The number of problems (0: the car may be exported).
int ListModProblems(const Car& car, int forUpload);

// ---- [Export] ----
enum ModExportWord { MOD_CHECK = 0, MOD_TEST = 1, MOD_UPLOAD = 2, MOD_SHARE = 3 };
// The car the export rows work on: the vehicle editor sets it while it edits one (until that
// screen exists, its tests do).  The check reads it, and an export writes it as it stands when
// the export starts, changes not yet saved included: the export and the check see one car.
extern Car* ModExportCar;
constexpr int TEST_EXPORT_FOLDER_SIZE = 128;
// The folder of the program the test export installs into (an absolute path); the mod goes
// to "<folder>\mods\vehicles\<mod>".
extern char TestExportFolder[TEST_EXPORT_FOLDER_SIZE];
constexpr const char* SHARE_FOLDER = "share";             // word 3: "share\mods\vehicles\<mod>"
constexpr const char* UPLOAD_FOLDER = "export";           // word 2: "export\<mod>.7z"
constexpr const char* PACKER_PATH = "bin\\7zr";
extern uint32_t PackerTimeLimitMs;                        // 120 s; tests shorten it
// The handler of the export rows (words of ModExportWord).  Word 0 lists the problems; words
// 1 and 2 list them too and start the export only when there are none (word 2 also refuses
// an area above MOD_UPLOAD_MAX_MEGAPIXELS), else say that nothing was exported and why; word 1
// first needs its folder (set, and an absolute path); word 3 starts the export into the share
// folder.
void CheckModForExport(void* editor, int click, uintptr_t word);
// Makes the mod's folder and its subfolders under root ("<root>\dds", ...).  0 naming the
// folder that could not be made.
int CreateModFolders(const char* root);
// One step of the running export, called once a frame.  1 while it runs, 0 once it has
// ended (done or failed: ModExportResult says which).
int ExportMod();
// Ends a running export at once (the program quits, the editor closes): what was written is
// removed and the state cleared.
void CancelModExport();
int ModExportRunning();
enum ModExportOutcome { MOD_EXPORT_NONE = 0, MOD_EXPORT_DONE = 1, MOD_EXPORT_FAILED = 2 };
extern int ModExportResult;
extern char ModExportName[MOD_NAME_SIZE];  // the mod being (or last) exported
// The car the running export built from its copy of ModExportCar; null while none runs.
const Car* ModExportLoadedCar();

// ---- [Texture files] ----
// Exports the listed textures to "data\png_export" (format 0: the PNG copied) or
// "data\dds_export" (format 1: the PNG converted), a texture without a PNG but with a JPG
// ("data\png\<name>.jpg") as that JPG; a copy already made from the unchanged source is
// skipped, a missing or unconvertible source fails.  Reports "Exported %d .%s and %d .jpg
// to %s_export (skip %d / fail %d)"; returns the number that failed.
int ExportModFiles(Prss* screen, const TextureNameList& list, int format, int flags);

// ---- [Texts] ----
// The check's problems are language texts (TX_3m_inrt_err ... TX_3m_mod_vald); these are the
// export's own.
constexpr const char* TEXT_BAD_VEHICLE_NAME = "Vehicle name can not be used for a mod : %s";
constexpr const char* TEXT_BAD_NAME = "%s : name can not be used in a mod : %s";
constexpr const char* TEXT_EXPORT_FAILED = "Mod export failed : %s";
constexpr const char* TEXT_COULD_NOT_WRITE = "Could not write %s";
// What to do for a colour configuration without a name (the Skin ID in place of %s).
constexpr const char* TEXT_CHOOSE_SKIN_FILE = "Choose a skin file data/skins/%s_<name>.jpg on the Colours tab";
constexpr const char* TEXT_MAKE_SKIN_FILE =
    "Generate Skin Template there copies a picture to paint: save it as that file";
constexpr const char* TEXT_EXPORTED = "Mod exported : %s";  // the folder or archive made, as on disk
// An export that does not start: "Nothing was exported : <why>".
constexpr const char* TEXT_NOTHING_EXPORTED = "Nothing was exported : %s";
constexpr const char* TEXT_NO_TEST_FOLDER = "the folder for TEST export is not set";
constexpr const char* TEXT_RELATIVE_TEST_FOLDER = "the folder for TEST export must be an absolute path";
constexpr const char* TEXT_ONE_PROBLEM = "the check found %d problem";
constexpr const char* TEXT_PROBLEMS = "the check found %d problems";
constexpr const char* TEXT_EXPORT_FILES = "Exported %d .%s and %d .jpg to %s_export (skip %d / fail %d)";
