// config.h - cfg.txt, the program's main configuration, and the settings it holds.
//
// Sections: [Settings] [Reading and writing] [Limits] [Key table] [Test switches]
//
// Every setting is a global read directly by the code that uses it, named Cfg + its key
// in CamelCase ("Max FPS " -> CfgMaxFps).  The file is one key and one value per line,
// read once at start-up and written back at shut-down.  The reader does not parse lines:
// it watches the character stream for any key text (a key ends with one blank), so unknown
// lines, comments, shuffled and damaged lines are passed over, and every value is clamped
// into its range as it is read.  The first-run rule of "Welcome C " is applied after the
// whole file was read.  Reading what SaveConfig wrote gives the same settings back.
// Main thread only.
#pragma once
#include <cstdint>
#include <string>

// ---- [Settings] ----
struct ConfigUuid {
  uint32_t data1;
  uint16_t data2, data3;
  uint8_t data4[8];
};

constexpr int CONFIG_PATH_SIZE = 32;
extern char ConfigPath[CONFIG_PATH_SIZE];  // empty until read; "cfg.txt" unless the command line named one
extern int ConfigRead;                     // LoadConfig has run

extern int CfgStartWindowed;
extern int CfgWelcome;            // "Welcome C ": first run; the entry page clears it
extern int CfgBorderlessWindow;
extern int CfgWindow[4];          // left, top, right, bottom in virtual-screen pixels
extern int CfgAdapterSelect, CfgOutputSelect, CfgZbdSelect;
extern ConfigUuid CfgSpeakerGuid, CfgControlGuid;
// 1 when the configured audio device ("Speaker GUID ") is all zero: the system's default one.
int AudioDeviceIsDefault();
extern int CfgShowFps, CfgMirrorInternal, CfgMirrorExternal, CfgClocksInternal, CfgClocksExternal;
extern int CfgControlMode[2];
extern int CfgControlModeInForce;  // the first "Control Mode " value as read
extern int CfgSteerKb, CfgDebugLevel, CfgNextShot, CfgSsType;
extern int CfgScreenInfo[4];     // the full-screen mode: refresh, width, height, mode index
// The environment clock's settings, the line "Time Control " (the mode, then the four
// floats in this order), held in their limits by ClampTimeOfDay.
extern int EnvironmentMode;            // 0 a fixed date, 1 an offset from now, 2 now (default)
extern float EnvironmentTimeOfDay;     // hours, 0 .. 23.983334 (12.0)
extern float EnvironmentDayOfYear;     // 1 .. 365 (81.0)
extern float EnvironmentHourOffset;    // hours, -12 .. 12 (0)
extern float EnvironmentDayOffset;     // days, -183 .. 183 (0)
extern int CfgTrackEdSpeed, CfgModelEdSpeed;  // 16.16
extern uint32_t CfgEditorOptions, CfgScreenFlags, CfgAudioOptions, CfgExtraDisplays, CfgRenderHdr;
extern uint32_t CfgSunColour, CfgSkyHigh, CfgGround, CfgBackTexture;  // ColourWord: r, g, b in bytes 0..2
extern uint32_t CfgCarDashColours[4];  // the four "<car> Dash2 " keys
extern uint32_t CfgRoadGearLed2, CfgClockText2, CfgClockNeedle2, CfgSplitText;
extern float CfgEditorFov, CfgViewSmooth, CfgTransition, CfgButtonLook;
extern float CfgFolLag, CfgFolHeight, CfgFolPitch, CfgFolDist;
extern int CfgFolDir, CfgViewLock;
extern float CfgEyeHeight;
extern char CfgMapName[32];
extern char CfgPlayerName[24];  // "Ply Name "
extern int CfgMasterPort, CfgAutoKick, CfgLocation;
extern char CfgServerName[32];
extern char CfgSelectedCar[32];
extern char CfgSetupName[16], CfgColoursName[16];
extern char CfgFindUser[24], CfgGameName[32], CfgGameIp[16], CfgGamePort[8], CfgGamePass[16], CfgGameAdmin[16];
extern char CfgUploadBandwidth[8];
extern int CfgSetupIndex, CfgColoursIndex, CfgLighting, CfgFlip, CfgConfig, CfgRaceStart;
extern float CfgScreenCx, CfgScreenCy, CfgScreenXmul, CfgScreenYmul;
extern int CfgShiftF9[4];        // the quick-switch mode, the same four
extern float CfgCombinedNonLinear, CfgTurnCompensation, CfgMouseNonLinear, CfgSteerSmooth;
extern float CfgSpeedSteerReductionWm, CfgHalfReduceSpeedWm, CfgSpeedSteerReductionKb, CfgHalfReduceSpeedKb;
// The six keyboard steering values: kept in the keyboard steering file, not in cfg.txt.
extern float CfgKeyboardSteer[6];
extern int CfgModsScreen[2];
extern int CfgDriverPosView, CfgShowNames, CfgShowMouse, CfgInternalShow, CfgShowMap, CfgStartLights, CfgSkillLevel;
extern int CfgWindowedLink, CfgNoRubber, CfgAllSprMpr;
extern char CfgMusicDir[80];
extern float CfgMusic, CfgBeeps, CfgCarV, CfgEchoC, CfgSkidB, CfgWindB, CfgSoundDelay, CfgTextSize;
extern int CfgExposure[4];
extern float CfgBloomEffect[2];
extern int CfgMusicChannel, CfgAntialiasing, CfgMirrorAa, CfgFilterAf, CfgMaxFps, CfgGameLimitFps, CfgMinSleep;
extern int CfgBufferedFrames, CfgShiftDebounce, CfgHalfTexRes, CfgCompressedTex;
extern char CfgExportDir[128];
extern int CfgCharSize, CfgBlobSize, CfgDedicatedHost, CfgAiUsePlySetup, CfgAiUsePlyColours;
extern int CfgSprAutoSave, CfgMprAutoSave, CfgMprMessageBlock, CfgOptions;
extern int CfgMaxConns, CfgModemType, CfgPacksPerSec, CfgCarsInRace, CfgCarsPerGuest, CfgCarsPerHost, CfgAdminSlots;
extern uint32_t CfgMpRules, CfgMpFlags, CfgMpFilter, CfgRulesY, CfgRulesN, CfgFlagsY, CfgFlagsN;
extern int CfgConnToMaster;
extern int CfgKinefeedMode, CfgKinefeedDelay, CfgKinefeedId;
extern char CfgKinefeedIp[16], CfgKinefeedPort[8];
extern uint32_t CfgKinefeedOpts;
extern int CfgDialfeedMode, CfgDialfeedDelay, CfgDialfeedId;
extern char CfgDialfeedIp[16], CfgDialfeedPort[8];
extern char CfgFontNames[4][64];  // "FN_J ", "FN_H ", "FN_S ", "FN_K "
extern int CfgFontWeights[4];     // "FW_J ".."FW_K "; 600 until read (LoadConfig sets no default)

// Settings without a key that LoadConfig starts.
extern int CfgTextureSize;        // largest texture side; lowered by ClampConfigLimits
extern float CfgEditorViewScale;  // 2 tan(fov / 2) of "Editor FOV "

constexpr const char* CONFIG_DEFAULT_CAR = "ZK1";
constexpr const char* CONFIG_DASH_CAR_CODES[4] = {"ZK1", "ZK2", "ZK3", "ZK4"};

// ---- [Reading and writing] ----
// Sets every default, reads ConfigPath ("cfg.txt" when empty) when it exists, applies the
// checks after reading and sets ConfigRead.  Returns 1 when a file was read.  A file that
// cannot be read, or that holds text but not one setting, is kept aside under a new name
// (KeepUnreadFileAside) before anything is written in its place; when it cannot be moved,
// SaveConfig leaves it alone for the rest of the run.
int LoadConfig();
// Writes every key in table order through a temporary file.  Returns 1 when written; 0
// when ConfigPath is empty (never read: nothing is written), when the file is left alone
// (see LoadConfig) or the write failed, which is logged and shown as a message line.  The
// previous file is kept on failure.  error (when given) receives 0, or the errno value of
// a failed write.
int SaveConfig(int* error = nullptr);
void SetConfigPath(const char* path);  // the command line's configuration file; at most 31 characters
// The same as LoadConfig and SaveConfig over text held in memory (tests and fuzzing).
// Returns the number of settings read.
int LoadConfigFromText(const char* text, size_t length);
void SaveConfigToText(std::string& out);

// ---- [Limits] ----
// The renderer's limits, set after the device test.
extern int RendererMaxTextureSize;
extern int RendererMaxAnisotropy;
// Sets the limits to 16384 and 8 and lowers CfgTextureSize and CfgFilterAf to them; returns 1.
int ClampConfigLimits();
// 0 when "Windowed Link " is 0 or a VR device is in use, else 1.
int IsConfigActive();
// The virtual screen the window rectangle must lie in.  STAND-IN: 0, 0, 1920 x 1080 until
// the window layer reports the real one before LoadConfig.
void SetConfigVirtualScreen(int left, int top, int width, int height);

// The environment clock's limits.  The mode is held to 0..2; the time of day is 0 when not
// above 0 and 23.983334 (23:59) at or above it; the day of the year 1 when not above 1 and
// 365 at or above it; the offsets to -12..12 hours and -183..183 days, an offset that is not
// a number becoming 0.  Run by LoadConfig after the "Time Control " line and by whatever
// changes the settings.
constexpr float MAX_TIME_OF_DAY = 23.983334f;
constexpr float MAX_HOUR_OFFSET = 12.0f;
constexpr float MAX_DAY_OFFSET = 183.0f;
void ClampTimeOfDay();

// ---- [Key table] ----
enum ConfigKind : uint8_t {
  CONFIG_VERSION,      // the program's version text: read and compared, no effect
  CONFIG_INT,          // "%d" clamped to min..max
  CONFIG_BITS,         // "%u" masked (mask 0: every bit kept); written "%d"
  CONFIG_FLOAT,        // "%f" clamped to min..max; written with format
  CONFIG_INTS,         // count integers, each clamped to its range (or none)
  CONFIG_COLOUR,       // three integers 0..255 into bytes 0..2
  CONFIG_TEXT,         // rest of the line, size - 1 characters kept
  CONFIG_FILE_NAME,    // the same without * : \ # < ? > / " |
  CONFIG_UUID,
  CONFIG_COUNT,        // "%u" clamped to 1..100
  CONFIG_HEX,          // "%x", not clamped
  CONFIG_TIME_CONTROL, // mode and four floats
  CONFIG_BLOOM,        // two floats
  CONFIG_MODS_SCREEN,  // two integers with their own rules
};

struct ConfigRange {
  int min, max;
};

struct ConfigKey {
  const char* key;   // ends with one blank
  int keyLength;
  ConfigKind kind;
  void* value;
  int count;         // INTS: values on the line; TEXT, FILE_NAME: field size with the zero
  double min, max;   // INT, FLOAT
  uint32_t mask;     // BITS
  const char* format;        // FLOAT
  const ConfigRange* ranges; // INTS: one per value, or null for no clamping
  // The value before any file is read.  INT, FLOAT, BITS, COUNT, HEX: the number; COLOUR: the
  // packed word.  INTS: `count` ints, or null for zeros; TEXT, FILE_NAME: the text, or null
  // for empty.  A row with keepsValue has none: the value start-up gave it stands.
  double defaultValue = 0;
  const void* defaults = nullptr;
  bool keepsValue = false;
};

// Table rows for other key files read the same way.
constexpr ConfigKey ConfigIntKey(const char* key, int* v, int lo, int hi, int byDefault = 0) {
  return {key, static_cast<int>(std::char_traits<char>::length(key)), CONFIG_INT, v, 1, double(lo), double(hi), 0,
          nullptr, nullptr, double(byDefault)};
}
constexpr ConfigKey ConfigTextKey(const char* key, char* v, int size, const char* byDefault = nullptr) {
  return {key, static_cast<int>(std::char_traits<char>::length(key)), CONFIG_TEXT, v, size, 0, 0, 0, nullptr, nullptr,
          0, byDefault};
}

constexpr int CONFIG_KEY_COUNT = 164;
extern const ConfigKey ConfigKeyTable[CONFIG_KEY_COUNT];

// The key matcher: the index of the first key of table that the text read so far ends
// with (only its last CONFIG_KEY_WINDOW characters count), or count when none does.
constexpr int CONFIG_KEY_WINDOW = 63;
int ReadConfigWord(const char* readSoFar, int length, const ConfigKey* table, int count);
// The key reader of cfg.txt over any other table (update_cfg.txt): each key found reads its
// value, clamped.  Sets no defaults and applies none of cfg.txt's checks.  Returns the
// number of keys found.
int ReadConfigKeys(const char* text, size_t length, const ConfigKey* table, int count);
// One line per key of table, in table order, as SaveConfig writes them.
void WriteConfigKeys(std::string& out, const ConfigKey* table, int count);
