// config.cpp - reading and writing cfg.txt.
#include "core/config.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"
#include "core/window_state.h"
#include "platform/files.h"

// ---- [Settings] ----
char ConfigPath[CONFIG_PATH_SIZE];
int ConfigRead;

int CfgStartWindowed, CfgWelcome, CfgBorderlessWindow;
int CfgWindow[4];
int CfgAdapterSelect, CfgOutputSelect, CfgZbdSelect;
ConfigUuid CfgSpeakerGuid, CfgControlGuid;

int AudioDeviceIsDefault() {
  const ConfigUuid& u = CfgSpeakerGuid;
  uint8_t any = 0;
  for (uint8_t b : u.data4) any |= b;
  return u.data1 == 0 && u.data2 == 0 && u.data3 == 0 && any == 0 ? 1 : 0;
}
int CfgShowFps, CfgMirrorInternal, CfgMirrorExternal, CfgClocksInternal, CfgClocksExternal;
int CfgControlMode[2];
int CfgControlModeInForce;
int CfgSteerKb, CfgDebugLevel, CfgNextShot, CfgSsType;
int CfgScreenInfo[4];
int EnvironmentMode;
float EnvironmentTimeOfDay, EnvironmentDayOfYear, EnvironmentHourOffset, EnvironmentDayOffset;
int CfgTrackEdSpeed, CfgModelEdSpeed;
uint32_t CfgEditorOptions, CfgScreenFlags, CfgAudioOptions, CfgExtraDisplays, CfgRenderHdr;
uint32_t CfgSunColour, CfgSkyHigh, CfgGround, CfgBackTexture;
uint32_t CfgCarDashColours[4];
uint32_t CfgRoadGearLed2, CfgClockText2, CfgClockNeedle2, CfgSplitText;
float CfgEditorFov, CfgViewSmooth, CfgTransition, CfgButtonLook;
float CfgFolLag, CfgFolHeight, CfgFolPitch, CfgFolDist;
int CfgFolDir, CfgViewLock;
float CfgEyeHeight;
char CfgMapName[32];
char CfgPlayerName[24];
int CfgMasterPort, CfgAutoKick, CfgLocation;
char CfgServerName[32];
char CfgSelectedCar[32];
char CfgSetupName[16], CfgColoursName[16];
char CfgFindUser[24], CfgGameName[32], CfgGameIp[16], CfgGamePort[8], CfgGamePass[16], CfgGameAdmin[16];
char CfgUploadBandwidth[8];
int CfgSetupIndex, CfgColoursIndex, CfgLighting, CfgFlip, CfgConfig, CfgRaceStart;
float CfgScreenCx, CfgScreenCy, CfgScreenXmul, CfgScreenYmul;
int CfgShiftF9[4];
float CfgCombinedNonLinear, CfgTurnCompensation, CfgMouseNonLinear, CfgSteerSmooth;
float CfgSpeedSteerReductionWm, CfgHalfReduceSpeedWm, CfgSpeedSteerReductionKb, CfgHalfReduceSpeedKb;
float CfgKeyboardSteer[6];
int CfgModsScreen[2];
int CfgDriverPosView, CfgShowNames, CfgShowMouse, CfgInternalShow, CfgShowMap, CfgStartLights, CfgSkillLevel;
int CfgWindowedLink, CfgNoRubber, CfgAllSprMpr;
char CfgMusicDir[80];
float CfgMusic, CfgBeeps, CfgCarV, CfgEchoC, CfgSkidB, CfgWindB, CfgSoundDelay, CfgTextSize;
int CfgExposure[4];
float CfgBloomEffect[2];
int CfgMusicChannel, CfgAntialiasing, CfgMirrorAa, CfgFilterAf, CfgMaxFps, CfgGameLimitFps, CfgMinSleep;
int CfgBufferedFrames, CfgShiftDebounce, CfgHalfTexRes, CfgCompressedTex;
char CfgExportDir[128];
int CfgCharSize, CfgBlobSize, CfgDedicatedHost, CfgAiUsePlySetup, CfgAiUsePlyColours;
int CfgSprAutoSave, CfgMprAutoSave, CfgMprMessageBlock, CfgOptions;
int CfgMaxConns, CfgModemType, CfgPacksPerSec, CfgCarsInRace, CfgCarsPerGuest, CfgCarsPerHost, CfgAdminSlots;
uint32_t CfgMpRules, CfgMpFlags, CfgMpFilter, CfgRulesY, CfgRulesN, CfgFlagsY, CfgFlagsN;
int CfgConnToMaster;
int CfgKinefeedMode, CfgKinefeedDelay, CfgKinefeedId;
char CfgKinefeedIp[16], CfgKinefeedPort[8];
uint32_t CfgKinefeedOpts;
int CfgDialfeedMode, CfgDialfeedDelay, CfgDialfeedId;
char CfgDialfeedIp[16], CfgDialfeedPort[8];
char CfgFontNames[4][64];
int CfgFontWeights[4] = {600, 600, 600, 600};

int CfgTextureSize;
float CfgEditorViewScale;

int RendererMaxTextureSize = 16384;
int RendererMaxAnisotropy = 16;

namespace {

// The names the first-run rule guards: read into these, taken after the whole file.
char g_pendingMapName[32], g_pendingSelectedCar[32], g_pendingSetupName[16], g_pendingColoursName[16];
bool g_sawMpFilter;

int g_screenLeft = 0, g_screenTop = 0, g_screenWidth = 1920, g_screenHeight = 1080;

constexpr int64_t CONFIG_MAX_FILE = 16 << 20;    // a larger cfg.txt is damage, not settings
constexpr const char* TEXT_COULD_NOT_READ_SETTINGS = "Could not read settings :";
constexpr const char* TEXT_NO_SETTING_FOUND = "No setting found in :";
bool g_leftAlone;  // the settings file could not be read nor moved aside: never written over
bool g_fromLaterVersion;  // the settings file read was written by a later version of the program

// The parts of a version text "<major>.<minor><letter><build>" ("1.4C20"); false for another form.
bool ParseVersion(const char* text, int parts[4]) {
  char letter = 0;
  int used = 0;
  if (std::sscanf(text, "%d.%d%c%d%n", &parts[0], &parts[1], &letter, &parts[3], &used) != 4 || text[used] != 0 ||
      letter < 'A' || letter > 'Z')
    return false;
  parts[2] = letter;
  return true;
}

// True when version names a later program than this one; a text of another form is not.
bool IsLaterVersion(const char* version) {
  int theirs[4], ours[4];
  if (!ParseVersion(version, theirs) || !ParseVersion(PROGRAM_VERSION, ours)) return false;
  for (int i = 0; i < 4; ++i)
    if (theirs[i] != ours[i]) return theirs[i] > ours[i];
  return false;
}
constexpr int VALID_MAX_FPS[] = {20, 25, 30, 50, 60, 75, 90, 100, 120, 125, 150, 180, 200, 240, 250, 300, 400, 500};
// The four floats of "Time Control ", in the line's order, with the decimals they are written with.
float* const ENVIRONMENT_FLOATS[4] = {&EnvironmentTimeOfDay, &EnvironmentDayOfYear, &EnvironmentHourOffset,
                                      &EnvironmentDayOffset};
constexpr int ENVIRONMENT_DECIMALS[4] = {4, 0, 4, 0};

constexpr ConfigRange EACH_0_TO_2[2] = {{0, 2}, {0, 2}};
constexpr ConfigRange EXPOSURE_RANGES[4] = {{0, 3}, {0, 18}, {0, 30}, {0, 33}};

// ---- Table builders ----
constexpr int KeyLength(const char* key) { return static_cast<int>(std::char_traits<char>::length(key)); }
// Each builder takes the key's value and limits, then its default (see ConfigKey).
constexpr ConfigKey Version(const char* key) {
  return {key, KeyLength(key), CONFIG_VERSION, nullptr, 8, 0, 0, 0, nullptr, nullptr, 0, nullptr, true};
}
constexpr auto& Int = ConfigIntKey;
constexpr ConfigKey Unclamped(const char* key, int* v, int byDefault) {
  return {key, KeyLength(key), CONFIG_INT, v, 1, 1.0, -1.0, 0, nullptr, nullptr, double(byDefault)};  // min above max: not clamped
}
constexpr ConfigKey Bits(const char* key, uint32_t* v, uint32_t mask, uint32_t byDefault) {
  return {key, KeyLength(key), CONFIG_BITS, v, 1, 0, 0, mask, nullptr, nullptr, double(byDefault)};
}
constexpr ConfigKey Float(const char* key, float* v, double lo, double hi, const char* format, float byDefault) {
  return {key, KeyLength(key), CONFIG_FLOAT, v, 1, lo, hi, 0, format, nullptr, byDefault};
}
constexpr ConfigKey Ints(const char* key, int* v, int count, const ConfigRange* ranges, const int* byDefault) {
  return {key, KeyLength(key), CONFIG_INTS, v, count, 0, 0, 0, nullptr, ranges, 0, byDefault};
}
constexpr ConfigKey Colour(const char* key, uint32_t* v, int r, int g, int b) {
  return {key, KeyLength(key), CONFIG_COLOUR, v, 3, 0, 0, 0, nullptr, nullptr, double(r | g << 8 | b << 16)};
}
constexpr ConfigKey Text(const char* key, char* v, int size, const char* byDefault = nullptr) {
  return ConfigTextKey(key, v, size, byDefault);
}
constexpr ConfigKey FileName(const char* key, char* v, int size) {
  return {key, KeyLength(key), CONFIG_FILE_NAME, v, size, 0, 0, 0, nullptr, nullptr};
}
constexpr ConfigKey Uuid(const char* key, ConfigUuid* v) { return {key, KeyLength(key), CONFIG_UUID, v, 1, 0, 0, 0, nullptr, nullptr}; }
constexpr ConfigKey Count(const char* key, int* v, int byDefault) {
  return {key, KeyLength(key), CONFIG_COUNT, v, 1, 1, 100, 0, nullptr, nullptr, double(byDefault)};
}
constexpr ConfigKey Hex(const char* key, uint32_t* v) { return {key, KeyLength(key), CONFIG_HEX, v, 1, 0, 0, 0, nullptr, nullptr}; }
// The four rows with values of their own kinds; their defaults are set by SetKeyDefault.
constexpr ConfigKey Special(const char* key, ConfigKind kind, void* v) {
  return {key, KeyLength(key), kind, v, 1, 0, 0, 0, nullptr, nullptr};
}
// The font faces and weights keep the values start-up gave them.
constexpr ConfigKey FontName(const char* key, char* v) {
  return {key, KeyLength(key), CONFIG_TEXT, v, 64, 0, 0, 0, nullptr, nullptr, 0, nullptr, true};
}
constexpr ConfigKey FontWeight(const char* key, int* v) {
  return {key, KeyLength(key), CONFIG_INT, v, 1, 100, 900, 0, nullptr, nullptr, 0, nullptr, true};
}

constexpr int CONTROL_MODE_DEFAULTS[2] = {0, 1};
constexpr int EXPOSURE_DEFAULTS[4] = {3, 0, 24, 21};

}  // namespace

// The file's line order and the matching priority: a key that ends with another key's text
// stands before it ("Borderless Window " before "Window ", "Audio Options " before "Options ").
const ConfigKey ConfigKeyTable[CONFIG_KEY_COUNT] = {
    Version("Version "),
    Int("Start Windowed ", &CfgStartWindowed, 0, 1, 1),
    Int("Welcome C ", &CfgWelcome, 0, 1, 1),
    Int("Borderless Window ", &CfgBorderlessWindow, 0, 5, 0),
    Ints("Window ", CfgWindow, 4, nullptr, nullptr),
    Int("Adapter Select ", &CfgAdapterSelect, 0, 3, 0),
    Int("Output Select ", &CfgOutputSelect, 0, 7, 0),
    Int("ZBD Select ", &CfgZbdSelect, 0, 3, 2),
    Uuid("Speaker GUID ", &CfgSpeakerGuid),
    Uuid("Control GUID ", &CfgControlGuid),
    Int("Show FPS ", &CfgShowFps, 0, 2, 1),
    Int("Mirror Internal ", &CfgMirrorInternal, 0, 2, 1),
    Int("Mirror External ", &CfgMirrorExternal, 0, 1, 1),
    Int("Clocks Internal ", &CfgClocksInternal, 0, 3, 1),
    Int("Clocks External ", &CfgClocksExternal, 0, 1, 0),
    Ints("Control Mode ", CfgControlMode, 2, EACH_0_TO_2, CONTROL_MODE_DEFAULTS),
    Int("Steer KB ", &CfgSteerKb, 0, 2, 0),
    Int("Debug Level ", &CfgDebugLevel, 0, 3, 1),
    Int("Next Shot ", &CfgNextShot, 1, 99999999, 1),
    Int("SS Type ", &CfgSsType, 0, 4, 1),
    Ints("Screen Info ", CfgScreenInfo, 4, nullptr, nullptr),
    Special("Time Control ", CONFIG_TIME_CONTROL, nullptr),
    Unclamped("TrackEd Speed ", &CfgTrackEdSpeed, 65536),
    Unclamped("ModelEd Speed ", &CfgModelEdSpeed, 65536),
    Bits("Editor Options ", &CfgEditorOptions, 0x81DE, 0),
    Bits("Screen Flags ", &CfgScreenFlags, 0x77FFFF, 0x60D203),
    Bits("Audio Options ", &CfgAudioOptions, 31, 8),
    Bits("Extra Displays ", &CfgExtraDisplays, 15, 7),
    Bits("Render HDR ", &CfgRenderHdr, 0, 1),
    Colour("Sun Colour ", &CfgSunColour, 255, 255, 255),
    Colour("Sky High ", &CfgSkyHigh, 150, 160, 200),
    Colour("Ground ", &CfgGround, 80, 80, 80),
    Colour("Back Texture ", &CfgBackTexture, 100, 100, 100),
    Colour("ZK1 Dash2 ", &CfgCarDashColours[0], 120, 160, 200),
    Colour("ZK2 Dash2 ", &CfgCarDashColours[1], 48, 48, 255),
    Colour("ZK3 Dash2 ", &CfgCarDashColours[2], 200, 40, 40),
    Colour("ZK4 Dash2 ", &CfgCarDashColours[3], 140, 160, 140),
    Colour("Road Gear LED2 ", &CfgRoadGearLed2, 48, 48, 255),
    Colour("Clock Text2 ", &CfgClockText2, 200, 200, 200),
    Colour("Clock Needle2 ", &CfgClockNeedle2, 200, 40, 40),
    Colour("Split Text ", &CfgSplitText, 200, 200, 200),
    Float("Editor FOV ", &CfgEditorFov, 2, 120, "%.1f", 60.0f),
    Float("View Smooth ", &CfgViewSmooth, 0.1, 1, "%.1f", 0.2f),
    Float("Transition ", &CfgTransition, 0, 4, "%.1f", 2.0f),
    Float("Button Look ", &CfgButtonLook, 30, 90, "%.0f", 45.0f),
    Float("Fol Lag ", &CfgFolLag, 0.1, 0.5, "%.1f", 0.3f),
    Float("Fol Height ", &CfgFolHeight, 0, 0.6, "%.1f", 0.3f),
    Float("Fol Pitch ", &CfgFolPitch, 4, 20, "%.1f", 12.0f),
    Float("Fol Dist ", &CfgFolDist, 3, 7, "%.1f", 5.0f),
    Int("Fol Dir ", &CfgFolDir, 0, 1, 0),
    Int("View Lock ", &CfgViewLock, 0, 2, 0),
    Float("Eye Height ", &CfgEyeHeight, 1, 2, "%.2f", 1.6f),
    Text("Map Name ", g_pendingMapName, 32),
    FileName("Ply Name ", CfgPlayerName, 24),
    Int("Master Port ", &CfgMasterPort, 1, 65535, 29410),
    Int("Auto Kick ", &CfgAutoKick, 0, 3, 3),
    Int("Location ", &CfgLocation, 0, 6, 0),
    Text("Server Name ", CfgServerName, 32),
    Text("Selected Car ", g_pendingSelectedCar, 32),
    FileName("Setup Name ", g_pendingSetupName, 16),
    FileName("Colours Name ", g_pendingColoursName, 16),
    Text("Find User ", CfgFindUser, 24),
    Text("Game Name ", CfgGameName, 32),
    Text("Game IP ", CfgGameIp, 16, "auto"),
    Text("Game Port ", CfgGamePort, 8, "63410"),
    Text("Game Pass ", CfgGamePass, 16),
    Text("Game Admin ", CfgGameAdmin, 16),
    Text("Upload Bandwidth ", CfgUploadBandwidth, 8, "128"),
    Int("Setup Index ", &CfgSetupIndex, -1, 3, 0),
    Int("Colours Index ", &CfgColoursIndex, -1, 8, 0),
    Int("Lighting ", &CfgLighting, 0, 19, 0),
    Int("Flip ", &CfgFlip, 0, 3, 0),
    Int("Config ", &CfgConfig, 1, 15, 1),
    Int("Race Start ", &CfgRaceStart, 0, 3, 1),
    Float("SCREEN_CX ", &CfgScreenCx, -0.5, 0.5, "%.2f", 0.0f),
    Float("SCREEN_CY ", &CfgScreenCy, -0.5, 0.5, "%.2f", 0.0f),
    Float("SCREEN_XMUL ", &CfgScreenXmul, 0.5, 1, "%.2f", 1.0f),
    Float("SCREEN_YMUL ", &CfgScreenYmul, 0.5, 1, "%.2f", 1.0f),
    Ints("SHIFT_F9 ", CfgShiftF9, 4, nullptr, nullptr),
    Float("Combined Non Linear ", &CfgCombinedNonLinear, 0, 1, "%.2f", 0.0f),
    Float("Turn Compensation ", &CfgTurnCompensation, 0, 1, "%.2f", 1.0f),
    Float("Mouse Non Linear ", &CfgMouseNonLinear, 0, 1, "%.2f", 0.8f),
    Float("Steer Smooth ", &CfgSteerSmooth, 0, 0.95, "%.2f", 0.0f),
    Float("Speed Steer Reduction WM ", &CfgSpeedSteerReductionWm, 0, 1, "%.2f", 0.0f),
    Float("Half Reduce Speed m/s WM ", &CfgHalfReduceSpeedWm, 10, 200, "%.2f", 50.0f),
    Float("Speed Steer Reduction KB ", &CfgSpeedSteerReductionKb, 0, 1, "%.2f", 1.0f),
    Float("Half Reduce Speed m/s KB ", &CfgHalfReduceSpeedKb, 10, 200, "%.2f", 50.0f),
    Special("Mods Screen ", CONFIG_MODS_SCREEN, CfgModsScreen),
    Int("Driver Pos View ", &CfgDriverPosView, 0, 1, 0),
    Int("Show Names ", &CfgShowNames, 0, 2, 0),
    Int("Show Mouse ", &CfgShowMouse, 0, 1, 0),
    Int("Internal Show ", &CfgInternalShow, 0, 2, 0),
    Int("Show Map ", &CfgShowMap, 0, 2, 2),
    Int("Start Lights ", &CfgStartLights, 0, 2, 2),
    Int("Skill Level ", &CfgSkillLevel, 0, 4, 4),
    Int("Windowed Link ", &CfgWindowedLink, 0, 1, 1),
    Int("No Rubber ", &CfgNoRubber, 0, 2, 0),
    Int("ALL SPR MPR ", &CfgAllSprMpr, 0, 2, 0),
    Text("Music Dir ", CfgMusicDir, 80, "data\\ogg"),
    Float("MUSIC ", &CfgMusic, 0, 20, "%.1f", 10.0f),
    Float("BEEPS ", &CfgBeeps, 0, 20, "%.1f", 10.0f),
    Float("CAR_V ", &CfgCarV, 0, 20, "%.1f", 15.0f),
    Float("ECHO_C ", &CfgEchoC, 0, 1, "%.1f", 0.5f),
    Float("SKID_B ", &CfgSkidB, 0, 1, "%.1f", 0.5f),
    Float("WIND_B ", &CfgWindB, 0, 1, "%.1f", 0.5f),
    Float("Sound Delay ", &CfgSoundDelay, 0.04, 0.12, "%.2f", 0.08f),
    Float("Text Size ", &CfgTextSize, 0.04, 0.06, "%.3f", 0.05f),
    Ints("Exposure ", CfgExposure, 4, EXPOSURE_RANGES, EXPOSURE_DEFAULTS),
    Special("Bloom Effect ", CONFIG_BLOOM, CfgBloomEffect),
    Unclamped("Music Channel ", &CfgMusicChannel, 3),
    Int("Antialiasing ", &CfgAntialiasing, 0, 16, 4),
    Int("Mirror AA ", &CfgMirrorAa, 0, 1, 1),
    Int("Filter AF ", &CfgFilterAf, 1, 16, 8),
    Int("Max FPS ", &CfgMaxFps, 20, 500, 100),
    Int("Game Limit FPS ", &CfgGameLimitFps, 0, 1, 1),
    Int("Min Sleep ", &CfgMinSleep, 0, 1, 1),
    Int("Buffered Frames ", &CfgBufferedFrames, 0, 2, 1),
    Int("Shift Debounce ", &CfgShiftDebounce, 10, 200, 20),
    Int("Half Tex Res ", &CfgHalfTexRes, 0, 1, 0),
    Int("Compressed Tex ", &CfgCompressedTex, 0, 1, 0),
    Text("Export Dir ", CfgExportDir, 128, "C:\\ZKT"),
    Int("Char Size ", &CfgCharSize, 1, 10, 4),
    Int("Blob Size ", &CfgBlobSize, 4, 10, 6),
    Int("Dedicated Host ", &CfgDedicatedHost, 0, 1, 0),
    Int("AI Use Ply Setup ", &CfgAiUsePlySetup, 0, 1, 0),
    Int("AI Use Ply Colours ", &CfgAiUsePlyColours, 0, 1, 0),
    Int("SPR Auto Save ", &CfgSprAutoSave, 0, 2, 1),
    Int("MPR Auto Save ", &CfgMprAutoSave, 0, 2, 1),
    Int("MPR Message Block ", &CfgMprMessageBlock, 0, 2, 0),
    Int("Options ", &CfgOptions, 1, 4, 1),
    Int("Max Conns ", &CfgMaxConns, 2, 48, 8),
    Int("Modem Type ", &CfgModemType, 3, 6, 3),  // the lowest of its range, so that a saved default reads back
    Int("Packs Per Sec ", &CfgPacksPerSec, 3, 12, 6),
    Int("Cars In Race ", &CfgCarsInRace, 1, 40, 4),
    Int("Cars Per Guest ", &CfgCarsPerGuest, 0, 40, 1),
    Int("Cars Per Host ", &CfgCarsPerHost, 0, 40, 1),
    Int("Admin Slots ", &CfgAdminSlots, 0, 8, 1),
    Bits("MP Rules ", &CfgMpRules, 0x1FFFFF, 0x1FFFFF),
    Bits("MP Flags ", &CfgMpFlags, 0x7FE3, 0x3C23),
    Bits("MP Filter ", &CfgMpFilter, 0x13C, 0x114),
    Bits("Rules_Y ", &CfgRulesY, 0x1FFFFF, 0),
    Bits("Rules_N ", &CfgRulesN, 0x1FFFFF, 0),
    Bits("Flags_Y ", &CfgFlagsY, 0x3FE7, 0),
    Bits("Flags_N ", &CfgFlagsN, 0x3FE7, 0),
    Int("Conn To Master ", &CfgConnToMaster, 0, 2, 1),
    Int("Kinefeed Mode ", &CfgKinefeedMode, 0, 2, 0),
    Count("Kinefeed Delay ", &CfgKinefeedDelay, 1),
    Text("Kinefeed IP ", CfgKinefeedIp, 16, "127.0.0.1"),
    Text("Kinefeed Port ", CfgKinefeedPort, 8, "0"),
    Int("Kinefeed ID ", &CfgKinefeedId, 0, 65535, 0),
    Hex("Kinefeed Opts ", &CfgKinefeedOpts),
    Int("Dialfeed Mode ", &CfgDialfeedMode, 0, 2, 0),
    Count("Dialfeed Delay ", &CfgDialfeedDelay, 1),
    Text("Dialfeed IP ", CfgDialfeedIp, 16, "127.0.0.1"),
    Text("Dialfeed Port ", CfgDialfeedPort, 8, "0"),
    Int("Dialfeed ID ", &CfgDialfeedId, 0, 65535, 0),
    FontName("FN_J ", CfgFontNames[0]),
    FontName("FN_H ", CfgFontNames[1]),
    FontName("FN_S ", CfgFontNames[2]),
    FontName("FN_K ", CfgFontNames[3]),
    FontWeight("FW_J ", &CfgFontWeights[0]),
    FontWeight("FW_H ", &CfgFontWeights[1]),
    FontWeight("FW_S ", &CfgFontWeights[2]),
    FontWeight("FW_K ", &CfgFontWeights[3]),
};

namespace {

// ---- Defaults ----

void CopyText(char* dest, const char* text, size_t size) {
  const size_t length = std::min(std::strlen(text), size - 1);
  std::memmove(dest, text, length);
  dest[length] = 0;
}

// Sets one row's value to its default.
void SetKeyDefault(const ConfigKey& k) {
  if (k.keepsValue) return;
  switch (k.kind) {
    case CONFIG_VERSION: break;
    case CONFIG_INT:
    case CONFIG_COUNT: *static_cast<int*>(k.value) = static_cast<int>(k.defaultValue); break;
    case CONFIG_BITS:
    case CONFIG_COLOUR:
    case CONFIG_HEX: *static_cast<uint32_t*>(k.value) = static_cast<uint32_t>(k.defaultValue); break;
    case CONFIG_FLOAT: *static_cast<float*>(k.value) = static_cast<float>(k.defaultValue); break;
    case CONFIG_INTS: {
      const int* values = static_cast<const int*>(k.defaults);
      for (int i = 0; i < k.count; ++i) static_cast<int*>(k.value)[i] = values ? values[i] : 0;
      break;
    }
    case CONFIG_TEXT:
    case CONFIG_FILE_NAME:
      CopyText(static_cast<char*>(k.value), k.defaults ? static_cast<const char*>(k.defaults) : "", k.count);
      break;
    case CONFIG_UUID: *static_cast<ConfigUuid*>(k.value) = ConfigUuid{}; break;
    case CONFIG_TIME_CONTROL:
      EnvironmentMode = 2;
      EnvironmentTimeOfDay = 12.0f;
      EnvironmentDayOfYear = 81.0f;
      EnvironmentHourOffset = 0.0f;
      EnvironmentDayOffset = 0.0f;
      break;
    case CONFIG_BLOOM:
      CfgBloomEffect[0] = 0.9f;
      CfgBloomEffect[1] = 0.001f;
      break;
    case CONFIG_MODS_SCREEN:
      CfgModsScreen[0] = 0;
      CfgModsScreen[1] = 2;
      break;
  }
}

// Every key's default comes from its row of the table; then the settings no row reads
// directly.  The "Window " rectangle's zeros are replaced by the rectangle check.
void SetConfigDefaults() {
  for (const ConfigKey& k : ConfigKeyTable) SetKeyDefault(k);
  // The names the file's rows give are held aside until the first-run rule allows them.
  CfgMapName[0] = CfgSetupName[0] = CfgColoursName[0] = 0;
  CopyText(CfgSelectedCar, CONFIG_DEFAULT_CAR, sizeof CfgSelectedCar);
  constexpr float KEYBOARD_STEER_DEFAULTS[6] = {6.0f, 0.4f, 0.2f, 2.0f, 0.5f, 0.8f};
  std::copy(std::begin(KEYBOARD_STEER_DEFAULTS), std::end(KEYBOARD_STEER_DEFAULTS), CfgKeyboardSteer);
  CfgTextureSize = 4096;
  g_sawMpFilter = false;
}

// ---- Reading ----

// A cursor over the file held in memory, with the formatted input the values need.  A
// value that does not parse consumes only the white space before it; its characters go
// back into the key window.
struct ConfigScanner {
  const char* p;
  const char* end;

  bool AtEnd() const { return p >= end; }

  void SkipSpace() {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')) ++p;
  }

  // "%d": saturated to 32 bits.
  bool ScanInt(int& out) {
    SkipSpace();
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q >= end || *q < '0' || *q > '9') return false;
    int64_t value = 0;
    for (; q < end && *q >= '0' && *q <= '9'; ++q) value = std::min<int64_t>(value * 10 + (*q - '0'), int64_t{1} << 32);
    if (negative) value = -value;
    out = static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    p = q;
    return true;
  }

  // "%u" and "%x": a minus sign wraps, as the stream's formatted input does.
  bool ScanUnsigned(uint32_t& out, int base) {
    SkipSpace();
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (base == 16 && end - q >= 3 && q[0] == '0' && (q[1] == 'x' || q[1] == 'X') && std::isxdigit(static_cast<unsigned char>(q[2])))
      q += 2;
    uint64_t value = 0;
    const char* digits = q;
    for (; q < end; ++q) {
      int digit;
      if (*q >= '0' && *q <= '9')
        digit = *q - '0';
      else if (base == 16 && *q >= 'a' && *q <= 'f')
        digit = *q - 'a' + 10;
      else if (base == 16 && *q >= 'A' && *q <= 'F')
        digit = *q - 'A' + 10;
      else
        break;
      value = std::min<uint64_t>(value * base + digit, 0xFFFFFFFFu);
    }
    if (q == digits) return false;
    out = static_cast<uint32_t>(negative ? 0u - value : value);
    p = q;
    return true;
  }

  // "%f" for plain decimal numbers; "inf", "nan" and values beyond a float are refused, so
  // a setting never becomes one.
  bool ScanFloat(float& out) {
    SkipSpace();
    const char* q = p;
    if (q < end && (*q == '+' || *q == '-')) ++q;
    const char* mantissa = q;
    while (q < end && *q >= '0' && *q <= '9') ++q;
    if (q < end && *q == '.') ++q;
    while (q < end && *q >= '0' && *q <= '9') ++q;
    const bool hasDigit = std::any_of(mantissa, q, [](char c) { return c >= '0' && c <= '9'; });
    if (!hasDigit) return false;
    if (q < end && (*q == 'e' || *q == 'E')) {
      const char* e = q + 1;
      if (e < end && (*e == '+' || *e == '-')) ++e;
      if (e < end && *e >= '0' && *e <= '9') {
        while (e < end && *e >= '0' && *e <= '9') ++e;
        q = e;
      }
    }
    const char* first = p;
    if (*first == '+') ++first;  // from_chars takes no plus sign
    float value;
    const auto result = std::from_chars(first, q, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return false;
    out = value;
    p = q;
    return true;
  }

  // The rest of the line: up to a carriage return, line feed, zero byte or the end, which is
  // consumed.  Characters below 32 are dropped; past size - 1 the rest is dropped.
  void ReadLine(char* dest, int size, bool fileName) {
    int n = 0;
    while (p < end) {
      const unsigned char c = static_cast<unsigned char>(*p++);
      if (c == '\r' || c == '\n' || c == 0) break;
      if (c < 32) continue;
      if (fileName && std::strchr("*:\\#<?>/\"|", c)) continue;
      if (n < size - 1) dest[n++] = static_cast<char>(c);
    }
    dest[n] = 0;
  }
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The 8-4-4-4-12 text form, braces allowed.
bool ParseUuid(const char* text, ConfigUuid& out) {
  while (*text == ' ') ++text;
  const bool braced = *text == '{';
  if (braced) ++text;
  uint8_t bytes[16];
  int count = 0;
  for (int i = 0; i < 36; ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash) {
      if (text[i] != '-') return false;
      continue;
    }
    const int high = HexValue(text[i]);
    const int low = high < 0 ? -1 : HexValue(text[i + 1]);
    if (low < 0) return false;
    bytes[count++] = static_cast<uint8_t>(high << 4 | low);
    ++i;
  }
  const char* rest = text + 36;
  if (braced && *rest++ != '}') return false;
  while (*rest == ' ') ++rest;
  if (*rest) return false;
  out.data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
              static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
  out.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  out.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  std::memcpy(out.data4, bytes + 8, 8);
  return true;
}

template <typename T>
T ClampValue(T value, double lo, double hi) {
  if (lo > hi) return value;  // not clamped
  if (value < static_cast<T>(lo)) return static_cast<T>(lo);
  if (value > static_cast<T>(hi)) return static_cast<T>(hi);
  return value;
}

void ReadValue(const ConfigKey& k, ConfigScanner& in) {
  switch (k.kind) {
    case CONFIG_VERSION: {
      char version[8];
      in.ReadLine(version, sizeof version, false);
      if (std::strcmp(version, PROGRAM_VERSION) != 0) LogF("cfg.txt was written by version %s", version);
      if (IsLaterVersion(version)) g_fromLaterVersion = true;
      break;
    }
    case CONFIG_INT: {
      int* v = static_cast<int*>(k.value);
      in.ScanInt(*v);
      *v = ClampValue(*v, k.min, k.max);
      break;
    }
    case CONFIG_BITS: {
      uint32_t* v = static_cast<uint32_t*>(k.value);
      in.ScanUnsigned(*v, 10);
      if (k.mask) *v &= k.mask;
      break;
    }
    case CONFIG_FLOAT: {
      float* v = static_cast<float*>(k.value);
      in.ScanFloat(*v);
      *v = ClampValue(*v, k.min, k.max);
      break;
    }
    case CONFIG_INTS: {
      int* v = static_cast<int*>(k.value);
      for (int i = 0; i < k.count; ++i) {
        const bool read = in.ScanInt(v[i]);
        if (k.ranges) v[i] = ClampValue(v[i], k.ranges[i].min, k.ranges[i].max);
        if (!read) break;
      }
      break;
    }
    case CONFIG_COLOUR: {
      uint32_t* v = static_cast<uint32_t*>(k.value);
      for (int i = 0; i < 3; ++i) {
        int byte = static_cast<int>(*v >> (8 * i) & 255);
        const bool read = in.ScanInt(byte);
        byte = std::clamp(byte, 0, 255);
        *v = (*v & ~(255u << (8 * i))) | static_cast<uint32_t>(byte) << (8 * i);
        if (!read) break;
      }
      *v &= 0xFFFFFFu;
      break;
    }
    case CONFIG_TEXT:
      in.ReadLine(static_cast<char*>(k.value), k.count, false);
      break;
    case CONFIG_FILE_NAME:
      in.ReadLine(static_cast<char*>(k.value), k.count, true);
      // A name that begins with a full stop would name a hidden or parent folder.
      if (k.value == CfgPlayerName && CfgPlayerName[0] == '.') CfgPlayerName[0] = 0;
      break;
    case CONFIG_UUID: {
      char text[40];
      in.ReadLine(text, sizeof text, false);
      ConfigUuid parsed;
      if (ParseUuid(text, parsed)) *static_cast<ConfigUuid*>(k.value) = parsed;
      break;
    }
    case CONFIG_COUNT: {
      int* v = static_cast<int*>(k.value);
      uint32_t count = static_cast<uint32_t>(*v);
      in.ScanUnsigned(count, 10);
      *v = static_cast<int>(std::clamp<uint32_t>(count, 1, 100));
      break;
    }
    case CONFIG_HEX:
      in.ScanUnsigned(*static_cast<uint32_t*>(k.value), 16);
      break;
    case CONFIG_TIME_CONTROL:
      if (in.ScanInt(EnvironmentMode)) {
        int i = 0;
        while (i < 4 && in.ScanFloat(*ENVIRONMENT_FLOATS[i])) ++i;
      }
      ClampTimeOfDay();
      break;
    case CONFIG_BLOOM:
      if (in.ScanFloat(CfgBloomEffect[0])) in.ScanFloat(CfgBloomEffect[1]);
      CfgBloomEffect[0] = std::clamp(CfgBloomEffect[0], 0.5f, 1.0f);
      CfgBloomEffect[1] = std::clamp(CfgBloomEffect[1], 0.0005f, 0.002f);
      break;
    case CONFIG_MODS_SCREEN:
      if (in.ScanInt(CfgModsScreen[0])) in.ScanInt(CfgModsScreen[1]);
      CfgModsScreen[0] = CfgModsScreen[0] == 2 ? 2 : 0;
      CfgModsScreen[1] = (CfgModsScreen[1] == 2 || CfgModsScreen[1] == 4) ? CfgModsScreen[1] : 2;
      break;
  }
}

void CheckWindowRectangle() {
  const int x = g_screenLeft, y = g_screenTop, r = g_screenLeft + g_screenWidth, b = g_screenTop + g_screenHeight;
  int* w = CfgWindow;
  const int64_t width = int64_t{w[2]} - w[0], height = int64_t{w[3]} - w[1];
  const bool keep = width <= r - x && height <= b - y && w[0] < r - 40 && w[2] > x + 40 && w[1] < b - 40 &&
                    w[3] > y + 40 && w[2] > w[0] && w[3] > w[1];
  if (!keep) {
    w[0] = w[1] = 80;
    w[2] = std::min(r - 80, 1360);
    w[3] = std::min(b - 80, 1040);
  }
  // Held at the least window from its corner, whatever the desktop.
  w[2] = std::max(w[2], w[0] + LEAST_WINDOW_WIDTH);
  w[3] = std::max(w[3], w[1] + LEAST_WINDOW_HEIGHT);
}

void ApplyChecksAfterReading() {
  // The first-run rule, after the whole file: a hand-edited file may name a car before it
  // says "Welcome C ".
  if (!CfgWelcome) {
    if (g_pendingMapName[0]) CopyText(CfgMapName, g_pendingMapName, sizeof CfgMapName);
    if (g_pendingSelectedCar[0]) CopyText(CfgSelectedCar, g_pendingSelectedCar, sizeof CfgSelectedCar);
    if (g_pendingSetupName[0]) CopyText(CfgSetupName, g_pendingSetupName, sizeof CfgSetupName);
    if (g_pendingColoursName[0]) CopyText(CfgColoursName, g_pendingColoursName, sizeof CfgColoursName);
  }
  if (!std::count(std::begin(VALID_MAX_FPS), std::end(VALID_MAX_FPS), CfgMaxFps)) CfgMaxFps = 100;
  CheckWindowRectangle();
  if (!CfgSelectedCar[0]) CopyText(CfgSelectedCar, CONFIG_DEFAULT_CAR, sizeof CfgSelectedCar);
  if (!g_sawMpFilter) CfgMpFilter = 0x114;
  CfgControlModeInForce = CfgControlMode[0];
  if (CfgFilterAf != 1 && CfgFilterAf != 2 && CfgFilterAf != 4 && CfgFilterAf != 8 && CfgFilterAf != 16) CfgFilterAf = 1;
  CfgEditorViewScale = 2.0f * std::tan(CfgEditorFov * 3.14159265358979f / 360.0f);
}

// ---- Writing ----

void PutFloat(std::string& out, float value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, decimals);
  out.append(text, result.ptr);
}

int DecimalsOf(const char* format) { return format[2] - '0'; }  // "%.Nf"

void PutInt(std::string& out, int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void WriteUuidLine(std::string& out, const ConfigUuid& u) {
  char text[40];
  std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x\n", u.data1, u.data2, u.data3,
                u.data4[0], u.data4[1], u.data4[2], u.data4[3], u.data4[4], u.data4[5], u.data4[6], u.data4[7]);
  out += text;
}

void WriteValue(const ConfigKey& k, std::string& out) {
  switch (k.kind) {
    case CONFIG_VERSION: out += PROGRAM_VERSION; break;
    case CONFIG_INT: PutInt(out, *static_cast<const int*>(k.value)); break;
    case CONFIG_BITS: PutInt(out, static_cast<int32_t>(*static_cast<const uint32_t*>(k.value))); break;
    case CONFIG_FLOAT: PutFloat(out, *static_cast<const float*>(k.value), DecimalsOf(k.format)); break;
    case CONFIG_INTS:
      for (int i = 0; i < k.count; ++i) {
        if (i) out += ' ';
        PutInt(out, static_cast<const int*>(k.value)[i]);
      }
      break;
    case CONFIG_COLOUR: {
      const uint32_t v = *static_cast<const uint32_t*>(k.value);
      for (int i = 0; i < 3; ++i) {
        if (i) out += ' ';
        PutInt(out, v >> (8 * i) & 255);
      }
      break;
    }
    case CONFIG_TEXT:
    case CONFIG_FILE_NAME: out += static_cast<const char*>(k.value); break;
    case CONFIG_UUID: WriteUuidLine(out, *static_cast<const ConfigUuid*>(k.value)); return;  // ends its own line
    case CONFIG_COUNT: PutInt(out, *static_cast<const int*>(k.value)); break;
    case CONFIG_HEX: {
      char text[16];
      std::snprintf(text, sizeof text, "%x", *static_cast<const uint32_t*>(k.value));
      out += text;
      break;
    }
    case CONFIG_TIME_CONTROL:
      PutInt(out, EnvironmentMode);
      for (int i = 0; i < 4; ++i) {
        out += ' ';
        PutFloat(out, *ENVIRONMENT_FLOATS[i], ENVIRONMENT_DECIMALS[i]);
      }
      break;
    case CONFIG_BLOOM:
      PutFloat(out, CfgBloomEffect[0], 2);
      out += ' ';
      PutFloat(out, CfgBloomEffect[1], 4);
      break;
    case CONFIG_MODS_SCREEN:
      PutInt(out, CfgModsScreen[0]);
      out += ' ';
      PutInt(out, CfgModsScreen[1]);
      break;
  }
  out += '\n';
}

}  // namespace

// ---- [Reading and writing] ----

int ReadConfigWord(const char* readSoFar, int length, const ConfigKey* table, int count) {
  const char* end = readSoFar + length;
  for (int i = 0; i < count; ++i) {
    const int keyLength = table[i].keyLength;
    if (keyLength > length || keyLength > CONFIG_KEY_WINDOW) continue;
    // Every key ends with a blank: the character before it rejects almost every key at once.
    if (keyLength >= 2 && table[i].key[keyLength - 2] != end[-2]) continue;
    if (std::memcmp(end - keyLength, table[i].key, keyLength) == 0) return i;
  }
  return count;
}

namespace {

// ReadConfigWord over the key table, with the keys grouped by the character before their
// blank so that a blank tests a handful of keys, in table order, instead of all of them.
int MatchConfigKey(const char* readSoFar, int length) {
  struct Candidates {
    std::vector<uint8_t> byCharacter[256];
    Candidates() {
      for (int i = 0; i < CONFIG_KEY_COUNT; ++i)
        byCharacter[static_cast<unsigned char>(ConfigKeyTable[i].key[ConfigKeyTable[i].keyLength - 2])].push_back(
            static_cast<uint8_t>(i));
    }
  };
  static const Candidates candidates;
  if (length < 2) return CONFIG_KEY_COUNT;
  const char* end = readSoFar + length;
  for (const uint8_t i : candidates.byCharacter[static_cast<unsigned char>(end[-2])]) {
    const int keyLength = ConfigKeyTable[i].keyLength;
    if (keyLength <= length && std::memcmp(end - keyLength, ConfigKeyTable[i].key, keyLength) == 0) return i;
  }
  return CONFIG_KEY_COUNT;
}

}  // namespace

// The main table has its own faster matcher.
int ReadConfigKeys(const char* text, size_t length, const ConfigKey* table, int count) {
  ConfigScanner in{text, text + length};
  int found = 0;
  // The characters that entered the key window, oldest first; a value's characters do not.
  // Only the last CONFIG_KEY_WINDOW count, so the start is dropped now and then.
  char window[4096];
  int used = 0;
  while (!in.AtEnd()) {
    if (used == static_cast<int>(sizeof window)) {
      std::memmove(window, window + used - CONFIG_KEY_WINDOW, CONFIG_KEY_WINDOW);
      used = CONFIG_KEY_WINDOW;
    }
    const char c = *in.p++;
    window[used++] = c;
    if (c != ' ') continue;
    const int index = table == ConfigKeyTable ? MatchConfigKey(window, used) : ReadConfigWord(window, used, table, count);
    if (index == count) continue;
    if (table[index].value == &CfgMpFilter) g_sawMpFilter = true;
    ReadValue(table[index], in);
    ++found;
  }
  return found;
}

void WriteConfigKeys(std::string& out, const ConfigKey* table, int count) {
  for (int i = 0; i < count; ++i) {
    out += table[i].key;
    WriteValue(table[i], out);
  }
}

int LoadConfigFromText(const char* text, size_t length) {
  SetConfigDefaults();
  g_fromLaterVersion = false;
  const int found = ReadConfigKeys(text, length, ConfigKeyTable, CONFIG_KEY_COUNT);
  ApplyChecksAfterReading();
  return found;
}

int LoadConfig() {
  if (!ConfigPath[0]) CopyText(ConfigPath, "cfg.txt", sizeof ConfigPath);
  ConfigRead = 1;
  g_leftAlone = false;
  std::string text;
  const int error = FileReadAll(ConfigPath, text, CONFIG_MAX_FILE);
  if (error) {
    if (error != ENOENT) {
      LogF("Could not read %s (%s)", ConfigPath, std::strerror(error));
      g_leftAlone = !KeepUnreadFileAside(ConfigPath, TEXT_COULD_NOT_READ_SETTINGS);
    }
    LoadConfigFromText("", 0);
    return 0;
  }
  if (LoadConfigFromText(text.data(), text.size()) == 0 && HasVisibleText(text.data(), text.size())) {
    g_leftAlone = !KeepUnreadFileAside(ConfigPath, TEXT_NO_SETTING_FOUND);
    return 0;
  }
  // A later version's settings are used, and its file is kept aside for it: the settings this
  // version writes at exit never take the place of keys it does not know.
  if (g_fromLaterVersion) g_leftAlone = !KeepUnreadFileAside(ConfigPath, TEXT_FILE_LATER_VERSION);
  return 1;
}

void SaveConfigToText(std::string& out) {
  out.clear();
  WriteConfigKeys(out, ConfigKeyTable, CONFIG_KEY_COUNT);
}

int SaveConfig(int* failure) {
  if (failure) *failure = 0;
  if (!ConfigPath[0] || g_leftAlone) return 0;
  std::string text;
  SaveConfigToText(text);
  const int error = FileWriteAll(ConfigPath, text.data(), text.size());
  if (!error) return 1;
  if (failure) *failure = error;
  char message[128];
  std::snprintf(message, sizeof message, "Could not save %s : %s", ConfigPath, std::strerror(error));
  LogLine(message);
  ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, ConfigPath, error);
  return 0;
}

void SetConfigPath(const char* path) { CopyText(ConfigPath, path ? path : "", sizeof ConfigPath); }

// ---- [Limits] ----

void ClampTimeOfDay() {
  EnvironmentMode = std::clamp(EnvironmentMode, 0, 2);
  // "Not above" the lower limit: a value that is not a number takes it too.
  if (!(EnvironmentTimeOfDay > 0.0f))
    EnvironmentTimeOfDay = 0.0f;
  else if (EnvironmentTimeOfDay >= MAX_TIME_OF_DAY)
    EnvironmentTimeOfDay = MAX_TIME_OF_DAY;
  if (!(EnvironmentDayOfYear > 1.0f))
    EnvironmentDayOfYear = 1.0f;
  else if (EnvironmentDayOfYear >= 365.0f)
    EnvironmentDayOfYear = 365.0f;
  // A two-sided clamp lets a value that is not a number through: it would reach the date as
  // an undefined conversion to a whole number of days.
  auto offset = [](float value, float limit) { return std::isnan(value) ? 0.0f : std::clamp(value, -limit, limit); };
  EnvironmentHourOffset = offset(EnvironmentHourOffset, MAX_HOUR_OFFSET);
  EnvironmentDayOffset = offset(EnvironmentDayOffset, MAX_DAY_OFFSET);
}

int ClampConfigLimits() {
  RendererMaxTextureSize = 16384;
  RendererMaxAnisotropy = 8;
  CfgTextureSize = std::min(CfgTextureSize, RendererMaxTextureSize);
  CfgFilterAf = std::min(CfgFilterAf, RendererMaxAnisotropy);
  return 1;
}

// The VR display mode is not kept yet: a VR device in use counts as display mode 0.
int IsConfigActive() {
  if (!CfgWindowedLink) return 0;
  return VrEnabled ? 0 : 1;
}

void SetConfigVirtualScreen(int left, int top, int width, int height) {
  g_screenLeft = left;
  g_screenTop = top;
  g_screenWidth = width;
  g_screenHeight = height;
}
