// config_test.cpp - reading, clamping and writing cfg.txt.
#include "core/config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "platform/files.h"
#include "report_recorder.h"

namespace fs = std::filesystem;

namespace {

void Load(const std::string& text) { LoadConfigFromText(text.data(), text.size()); }

std::string Saved() {
  std::string text;
  SaveConfigToText(text);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Config : public testing::Test {
 protected:
  void SetUp() override {
    SetConfigVirtualScreen(0, 0, 1920, 1080);
    std::fill(CfgFontWeights, CfgFontWeights + 4, 600);
  }
};

}  // namespace

TEST_F(Config, TheKeyTableHas164KeysAndLongerKeysComeFirst) {
  ASSERT_EQ(CONFIG_KEY_COUNT, 164);
  EXPECT_STREQ(ConfigKeyTable[0].key, "Version ");
  EXPECT_STREQ(ConfigKeyTable[CONFIG_KEY_COUNT - 1].key, "FW_K ");
  for (int i = 0; i < CONFIG_KEY_COUNT; ++i) {
    const std::string key = ConfigKeyTable[i].key;
    ASSERT_GE(key.size(), 2u);
    EXPECT_EQ(key.back(), ' ') << key;
    EXPECT_NE(key[key.size() - 2], ' ') << key;
    // A key that ends with an earlier key's text could never be matched.
    for (int j = 0; j < i; ++j) {
      const std::string earlier = ConfigKeyTable[j].key;
      EXPECT_FALSE(key.size() >= earlier.size() && key.compare(key.size() - earlier.size(), earlier.size(), earlier) == 0)
          << key << " is hidden by " << earlier;
    }
  }
}

TEST_F(Config, WithoutAFileEveryDefaultIsSetAndTheChecksRun) {
  CfgMaxFps = 7;
  CfgMpFilter = 0;
  Load("");
  EXPECT_EQ(CfgStartWindowed, 1);
  EXPECT_EQ(CfgWelcome, 1);
  EXPECT_EQ(CfgZbdSelect, 2);
  EXPECT_EQ(CfgControlMode[1], 1);
  EXPECT_EQ(CfgScreenFlags, 0x60D203u);
  EXPECT_EQ(CfgRenderHdr, 1u);
  EXPECT_EQ(CfgSkyHigh, 150u | 160u << 8 | 200u << 16);
  EXPECT_FLOAT_EQ(CfgEyeHeight, 1.6f);
  EXPECT_EQ(CfgMaxFps, 100);
  EXPECT_EQ(CfgMpFilter, 0x114u);
  EXPECT_STREQ(CfgSelectedCar, CONFIG_DEFAULT_CAR);
  EXPECT_STREQ(CfgMusicDir, "data\\ogg");
  EXPECT_STREQ(CfgGamePort, "63410");
  EXPECT_EQ(CfgFontWeights[2], 600);  // start-up's value stands
  EXPECT_EQ(CfgWindow[0], 80);
  EXPECT_EQ(CfgWindow[1], 80);
  EXPECT_EQ(CfgWindow[2], 1360);
  EXPECT_EQ(CfgWindow[3], 1000);
  EXPECT_EQ(CfgTextureSize, 4096);
  EXPECT_NEAR(CfgEditorViewScale, 2 * std::tan(60 * 3.14159265 / 360), 1e-5);
}

TEST_F(Config, TheDefaultsAreWrittenAsTheKeyTableGivesThem) {
  Load("");
  const std::vector<std::string> lines = Lines(Saved());
  auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  // The whole-number, colour, bit-set and text defaults of the key table, one line each.
  // Bit sets are written as decimal numbers: 0x60D203 = 6345219, 0x1FFFFF = 2097151,
  // 0x3C23 = 15395, 0x114 = 276.
  const char* const WANTED[] = {
      "Start Windowed 1", "Welcome C 1", "Borderless Window 0", "Adapter Select 0", "Output Select 0",
      "ZBD Select 2", "Show FPS 1", "Mirror Internal 1", "Mirror External 1", "Clocks Internal 1",
      "Clocks External 0", "Control Mode 0 1", "Steer KB 0", "Debug Level 1", "Next Shot 1", "SS Type 1",
      "Screen Info 0 0 0 0", "TrackEd Speed 65536", "ModelEd Speed 65536", "Editor Options 0",
      "Screen Flags 6345219", "Audio Options 8", "Extra Displays 7", "Render HDR 1", "Sun Colour 255 255 255",
      "Sky High 150 160 200", "Ground 80 80 80", "Back Texture 100 100 100", "Road Gear LED2 48 48 255",
      "Clock Text2 200 200 200", "Clock Needle2 200 40 40", "Split Text 200 200 200", "Fol Dir 0", "View Lock 0",
      "Master Port 29410", "Auto Kick 3", "Location 0", "Game IP auto", "Game Port 63410", "Upload Bandwidth 128",
      "Setup Index 0", "Colours Index 0", "Lighting 0", "Flip 0", "Config 1", "Race Start 1", "SHIFT_F9 0 0 0 0",
      "Mods Screen 0 2", "Driver Pos View 0", "Show Names 0", "Show Mouse 0", "Internal Show 0", "Show Map 2",
      "Start Lights 2", "Skill Level 4", "Windowed Link 1", "No Rubber 0", "ALL SPR MPR 0", "Music Dir data\\ogg",
      "Exposure 3 0 24 21", "Music Channel 3", "Antialiasing 4", "Mirror AA 1", "Filter AF 8", "Max FPS 100",
      "Game Limit FPS 1", "Min Sleep 1", "Buffered Frames 1", "Shift Debounce 20", "Half Tex Res 0",
      "Compressed Tex 0", "Export Dir C:\\ZKT", "Char Size 4", "Blob Size 6", "Dedicated Host 0",
      "AI Use Ply Setup 0", "AI Use Ply Colours 0", "SPR Auto Save 1", "MPR Auto Save 1", "MPR Message Block 0",
      "Options 1", "Max Conns 8", "Packs Per Sec 6", "Cars In Race 4", "Cars Per Guest 1",
      "Cars Per Host 1", "Admin Slots 1", "MP Rules 2097151", "MP Flags 15395", "MP Filter 276", "Rules_Y 0",
      "Rules_N 0", "Flags_Y 0", "Flags_N 0", "Conn To Master 1", "Kinefeed Mode 0", "Kinefeed Delay 1",
      "Kinefeed IP 127.0.0.1", "Kinefeed Port 0", "Kinefeed ID 0", "Kinefeed Opts 0", "Dialfeed Mode 0",
      "Dialfeed Delay 1", "Dialfeed IP 127.0.0.1", "Dialfeed Port 0", "Dialfeed ID 0",
  };
  for (const char* line : WANTED) EXPECT_TRUE(has(line)) << line;
  // The four per-car dashboard colours, in their order.
  std::vector<std::string> dash;
  for (const std::string& line : lines)
    if (line.size() > 10 && line.compare(3, 7, " Dash2 ") == 0) dash.push_back(line.substr(10));
  EXPECT_EQ(dash, (std::vector<std::string>{"120 160 200", "48 48 255", "200 40 40", "140 160 140"}));
}

TEST_F(Config, ValuesAreClampedIntoTheirRanges) {
  Load("Max FPS 144\n");
  EXPECT_EQ(CfgMaxFps, 100);
  Load("Max FPS 10\n");
  EXPECT_EQ(CfgMaxFps, 20);
  Load("Max FPS 250\n");
  EXPECT_EQ(CfgMaxFps, 250);
  // Each of the eighteen rates is kept; one off any of them becomes 100.
  for (int fps : {20, 25, 30, 50, 60, 75, 90, 100, 120, 125, 150, 180, 200, 240, 250, 300, 400, 500}) {
    Load("Max FPS " + std::to_string(fps) + "\n");
    EXPECT_EQ(CfgMaxFps, fps);
    if (fps == 100) continue;
    for (int off : {fps - 1, fps + 1}) {
      if (off < 20 || off > 500) continue;
      Load("Max FPS " + std::to_string(off) + "\n");
      EXPECT_EQ(CfgMaxFps, 100) << off;
    }
  }
  Load("Filter AF 3\n");
  EXPECT_EQ(CfgFilterAf, 1);
  Load("Filter AF 16\n");
  EXPECT_EQ(CfgFilterAf, 16);
  Load("Filter AF 99\n");
  EXPECT_EQ(CfgFilterAf, 16);
  Load("Editor FOV 500\nEye Height -3\nSound Delay 0.1\n");
  EXPECT_FLOAT_EQ(CfgEditorFov, 120.0f);
  EXPECT_FLOAT_EQ(CfgEyeHeight, 1.0f);
  EXPECT_FLOAT_EQ(CfgSoundDelay, 0.1f);
  Load("Time Control 5 30.5 81 1.5 -2\nMods Screen 3 3\nExposure 9 -1 99 20\n");
  EXPECT_EQ(EnvironmentMode, 2);
  EXPECT_FLOAT_EQ(EnvironmentTimeOfDay, 23.983334f);
  EXPECT_FLOAT_EQ(EnvironmentHourOffset, 1.5f);
  EXPECT_FLOAT_EQ(EnvironmentDayOffset, -2.0f);
  EXPECT_EQ(CfgModsScreen[0], 0);
  EXPECT_EQ(CfgModsScreen[1], 2);
  EXPECT_EQ(CfgExposure[0], 3);
  EXPECT_EQ(CfgExposure[1], 0);
  EXPECT_EQ(CfgExposure[2], 30);
  EXPECT_EQ(CfgExposure[3], 20);
  Load("Mods Screen 2 4\nKinefeed Delay 0\nDialfeed Delay 500\nBloom Effect 2 0.0001\n");
  EXPECT_EQ(CfgModsScreen[0], 2);
  EXPECT_EQ(CfgModsScreen[1], 4);
  EXPECT_EQ(CfgKinefeedDelay, 1);
  EXPECT_EQ(CfgDialfeedDelay, 100);
  EXPECT_FLOAT_EQ(CfgBloomEffect[0], 1.0f);
  EXPECT_FLOAT_EQ(CfgBloomEffect[1], 0.0005f);
  // The second value is 2 or 4 and nothing else, whatever the first: 3 becomes 2 beside a kept 2.
  Load("Mods Screen 2 3\n");
  EXPECT_EQ(CfgModsScreen[0], 2);
  EXPECT_EQ(CfgModsScreen[1], 2);
  Load("Audio Options 255\nRender HDR -1\nKinefeed Opts ff\nMP Filter 4294967295\nSun Colour 300 -5 7\n");
  EXPECT_EQ(CfgAudioOptions, 31u);
  EXPECT_EQ(CfgRenderHdr, 0xFFFFFFFFu);
  EXPECT_EQ(CfgKinefeedOpts, 0xFFu);
  EXPECT_EQ(CfgMpFilter, 0x13Cu);
  EXPECT_EQ(CfgSunColour, 255u | 0u << 8 | 7u << 16);
  Load("Next Shot 99999999999999\nMaster Port -5\nTrackEd Speed -123456\n");
  EXPECT_EQ(CfgNextShot, 99999999);
  EXPECT_EQ(CfgMasterPort, 1);
  EXPECT_EQ(CfgTrackEdSpeed, -123456);  // not clamped
  // Numbers past 64 bits saturate to the 32-bit ends (10^19 is more than 2^63).
  Load("TrackEd Speed 10000000000000000000\n");
  EXPECT_EQ(CfgTrackEdSpeed, 2147483647);
  Load("TrackEd Speed -10000000000000000000\n");
  EXPECT_EQ(CfgTrackEdSpeed, -2147483647 - 1);
  Load("TrackEd Speed 2147483648\n");
  EXPECT_EQ(CfgTrackEdSpeed, 2147483647);
  Load("Kinefeed Opts 0x7");  // "0x" and one digit, at the very end of the file
  EXPECT_EQ(CfgKinefeedOpts, 7u);
  Load("Kinefeed Opts 0X1f\n");
  EXPECT_EQ(CfgKinefeedOpts, 0x1Fu);
  Load("Kinefeed Opts 0x");  // no digit after the prefix: the 0 alone
  EXPECT_EQ(CfgKinefeedOpts, 0u);
  Load("Kinefeed Opts aF9g\n");  // the hexadecimal digits' ends; "g" ends the number
  EXPECT_EQ(CfgKinefeedOpts, 0xAF9u);
  Load("Render HDR 4294967296\n");  // one past 32 bits: held at the largest
  EXPECT_EQ(CfgRenderHdr, 0xFFFFFFFFu);
  Load("Kinefeed Opts -1\n");  // a minus sign wraps
  EXPECT_EQ(CfgKinefeedOpts, 0xFFFFFFFFu);
}

TEST_F(Config, TheEnvironmentSettingsAreHeldInTheirLimits) {
  struct Case {
    int mode;
    float time, day, hours, days;
    int wantMode;
    float wantTime, wantDay, wantHours, wantDays;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {
      {2, 24.0f, 0.4f, 13.0f, 200.0f, 2, 23.983334f, 1.0f, 12.0f, 183.0f},
      {7, -1.0f, 400.0f, -13.0f, -200.0f, 2, 0.0f, 365.0f, -12.0f, -183.0f},
      {-3, 23.9f, 364.5f, 11.5f, -182.5f, 0, 23.9f, 364.5f, 11.5f, -182.5f},
      {1, 23.983334f, 1.0f, 0.0f, 0.0f, 1, 23.983334f, 1.0f, 0.0f, 0.0f},
      // A value that is not a number: the lower limit, or no offset at all.
      {1, nan, nan, nan, nan, 1, 0.0f, 1.0f, 0.0f, 0.0f},
      {0, inf, inf, inf, -inf, 0, 23.983334f, 365.0f, 12.0f, -183.0f},
      {0, -inf, -inf, -inf, inf, 0, 0.0f, 1.0f, -12.0f, 183.0f},
  };
  for (const Case& c : cases) {
    EnvironmentMode = c.mode;
    EnvironmentTimeOfDay = c.time;
    EnvironmentDayOfYear = c.day;
    EnvironmentHourOffset = c.hours;
    EnvironmentDayOffset = c.days;
    ClampTimeOfDay();
    EXPECT_EQ(EnvironmentMode, c.wantMode) << c.mode;
    EXPECT_EQ(EnvironmentTimeOfDay, c.wantTime) << c.time;
    EXPECT_EQ(EnvironmentDayOfYear, c.wantDay) << c.day;
    EXPECT_EQ(EnvironmentHourOffset, c.wantHours) << c.hours;
    EXPECT_EQ(EnvironmentDayOffset, c.wantDays) << c.days;
  }
}

TEST_F(Config, ATimeControlLineOutOfRangeCutShortOrNotANumberLoadsClampedAndIsWrittenBackPlain) {
  auto line = [] {
    const std::string text = Saved();
    const size_t at = text.find("Time Control ");
    return text.substr(at, text.find('\n', at) - at);
  };
  Load("Time Control 9 -5 999 -99 9999\n");
  EXPECT_EQ(line(), "Time Control 2 0.0000 365 -12.0000 183");
  Load("Time Control 0 1e30 0.4\n");  // cut short: the rest keeps its defaults
  EXPECT_EQ(line(), "Time Control 0 23.9833 1 0.0000 0");
  Load("Time Control 1 nan 100 inf 3\n");  // a value that is no number ends the line's reading
  EXPECT_EQ(line(), "Time Control 1 12.0000 81 0.0000 0");
  Load("Time Control 1 6.5 100 -inf 3\n");
  EXPECT_EQ(line(), "Time Control 1 6.5000 100 0.0000 0");
  Load("Time Control 1 6.5 100 2.25 -3.6\n");
  EXPECT_EQ(line(), "Time Control 1 6.5000 100 2.2500 -4");
}

TEST_F(Config, KeysAreFoundAnywhereInTheCharacterStream) {
  Load("Audio Options 3\n");  // the longer key wins over "Options "
  EXPECT_EQ(CfgAudioOptions, 3u);
  EXPECT_EQ(CfgOptions, 1);
  Load("Options 3\n");
  EXPECT_EQ(CfgOptions, 3);
  Load("Borderless Window 2\n");
  EXPECT_EQ(CfgBorderlessWindow, 2);
  EXPECT_EQ(CfgWindow[0], 80);  // not taken for "Window "
  Load("Show FPS 0\nShow FPS 2\n");  // the later line wins
  EXPECT_EQ(CfgShowFps, 2);
  Load("# comment Show FPS 0 Mirror AA 0 junk Lighting 7");  // several on a line, no line end
  EXPECT_EQ(CfgShowFps, 0);
  EXPECT_EQ(CfgMirrorAa, 0);
  EXPECT_EQ(CfgLighting, 7);
  Load("Lighting 7\nFlip");  // a key without its blank is not seen
  EXPECT_EQ(CfgFlip, 0);
  Load("Max FPS abc Show FPS 2\n");  // an unreadable value leaves the setting; its text is passed over
  EXPECT_EQ(CfgMaxFps, 100);
  EXPECT_EQ(CfgShowFps, 2);
  Load("Window 10 20 x\nShow FPS 0\n");  // read as far as it parses
  EXPECT_EQ(CfgWindow[0], 80);  // 10 20 0 0 fails the rectangle check
  EXPECT_EQ(CfgShowFps, 0);
}

TEST_F(Config, TextsAreCutAndFileNamesLoseForbiddenCharacters) {
  Load("Game Port 1234567890\r\nPly Name .hidden\nSetup Name my:set*up\nServer Name  spaced \n");
  EXPECT_STREQ(CfgGamePort, "1234567");
  EXPECT_STREQ(CfgPlayerName, "");
  EXPECT_STREQ(CfgServerName, " spaced ");
  Load("Welcome C 0\nSetup Name my:set*up\nPly Name ..\\..\\cfg\n");
  EXPECT_STREQ(CfgSetupName, "mysetup");
  EXPECT_STREQ(CfgPlayerName, "");
  Load("Ply Name Some\x01One\n");
  EXPECT_STREQ(CfgPlayerName, "SomeOne");
}

// The speaker setting names the default device only while every byte of its identity is
// zero: the last byte alone, the first word alone or the second alone names another.
TEST_F(Config, TheSpeakerIsTheDefaultOnlyWhileItsIdentityIsAllZero) {
  const ConfigUuid saved = CfgSpeakerGuid;
  CfgSpeakerGuid = ConfigUuid{};
  EXPECT_EQ(AudioDeviceIsDefault(), 1);
  CfgSpeakerGuid.data4[7] = 1;
  EXPECT_EQ(AudioDeviceIsDefault(), 0);
  CfgSpeakerGuid = ConfigUuid{};
  CfgSpeakerGuid.data1 = 1;
  EXPECT_EQ(AudioDeviceIsDefault(), 0);
  CfgSpeakerGuid = ConfigUuid{};
  CfgSpeakerGuid.data2 = 3;
  EXPECT_EQ(AudioDeviceIsDefault(), 0);
  CfgSpeakerGuid = saved;
}

TEST_F(Config, TheFirstRunFlagIsAppliedAfterTheWholeFile) {
  Load("Selected Car XYZ\nMap Name town\nWelcome C 1\n");
  EXPECT_STREQ(CfgSelectedCar, CONFIG_DEFAULT_CAR);
  EXPECT_STREQ(CfgMapName, "");
  Load("Selected Car XYZ\nMap Name town\nColours Name blue\nWelcome C 0\n");  // the flag stands last
  EXPECT_STREQ(CfgSelectedCar, "XYZ");
  EXPECT_STREQ(CfgMapName, "town");
  EXPECT_STREQ(CfgColoursName, "blue");
  Load("Welcome C 0\nSelected Car \n");
  EXPECT_STREQ(CfgSelectedCar, CONFIG_DEFAULT_CAR);
  // Names of a single letter are names too.
  Load("Map Name t\nSelected Car X\nSetup Name f\nColours Name b\nWelcome C 0\n");
  EXPECT_STREQ(CfgMapName, "t");
  EXPECT_STREQ(CfgSelectedCar, "X");
  EXPECT_STREQ(CfgSetupName, "f");
  EXPECT_STREQ(CfgColoursName, "b");
}

TEST_F(Config, TheWindowRectangleMustLieOnTheVirtualScreen) {
  Load("Window 100 100 900 700\n");
  EXPECT_EQ(CfgWindow[2], 900);
  Load("Window -100 0 3000 700\n");  // wider than the screen
  EXPECT_EQ(CfgWindow[0], 80);
  EXPECT_EQ(CfgWindow[2], 1360);
  Load("Window 1890 100 2500 700\n");  // less than 40 pixels inside
  EXPECT_EQ(CfgWindow[0], 80);
  SetConfigVirtualScreen(0, 0, 600, 400);  // under the least window: held at it all the same
  Load("");
  EXPECT_EQ(CfgWindow[2], 880);
  EXPECT_EQ(CfgWindow[3], 680);
  SetConfigVirtualScreen(-1920, 0, 3840, 1080);
  Load("Window -1800 50 -1000 700\n");
  EXPECT_EQ(CfgWindow[0], -1800);
}

TEST_F(Config, EachWindowRectangleLimitHoldsExactlyAtItsEdge) {
  // A screen at (100, 50) of 1300 x 1150: R = 1400, B = 1200.  The rule, edge by edge: kept
  // when right - left <= R - X, bottom - top <= B - Y, left < R - 40, right > X + 40,
  // top < B - 40, bottom > Y + 40, right > left and bottom > top; else (80, 80) to
  // (min(R - 80, 1360), min(B - 80, 1040)).  Either way at least 800 x 600 from the left top.
  SetConfigVirtualScreen(100, 50, 1300, 1150);
  struct Case {
    int left, top, right, bottom;
    bool kept;
    const char* edge;
  };
  const Case cases[] = {
      {100, 100, 1400, 500, true, "as wide as the screen"},
      {99, 100, 1400, 500, false, "one wider than the screen"},
      {200, 50, 600, 1200, true, "as tall as the screen"},
      {200, 49, 600, 1200, false, "one taller than the screen"},
      {1359, 100, 1390, 500, true, "left 41 inside the right edge"},
      {1360, 100, 1390, 500, false, "left 40 inside the right edge"},
      {0, 100, 141, 500, true, "right 41 past the left edge"},
      {0, 100, 140, 500, false, "right 40 past the left edge"},
      {200, 1159, 600, 1190, true, "top 41 above the bottom edge"},
      {200, 1160, 600, 1190, false, "top 40 above the bottom edge"},
      {200, 0, 600, 91, true, "bottom 41 below the top edge"},
      {200, 0, 600, 90, false, "bottom 40 below the top edge"},
      {600, 100, 600, 500, false, "no width"},
      {200, 500, 600, 500, false, "no height"},
  };
  for (const Case& c : cases) {
    Load("Window " + std::to_string(c.left) + " " + std::to_string(c.top) + " " + std::to_string(c.right) + " " +
         std::to_string(c.bottom) + "\n");
    const int expected[4] = {c.kept ? c.left : 80, c.kept ? c.top : 80,
                             c.kept ? std::max(c.right, c.left + 800) : 1320,
                             c.kept ? std::max(c.bottom, c.top + 600) : 1040};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(CfgWindow[i], expected[i]) << c.edge << ", value " << i;
  }
  // The size a refused rectangle gets: the screen less an 80 pixel margin, at most 1360 x 1040,
  // and never under 800 x 600 (to 880 x 680) however small the screen.
  struct Screen {
    int width, height, right, bottom;
  };
  const Screen screens[] = {{3000, 2000, 1360, 1040}, {1441, 1121, 1360, 1040}, {1439, 1119, 1359, 1039},
                            {961, 761, 881, 681},     {960, 760, 880, 680},     {959, 759, 880, 680},
                            {640, 480, 880, 680},     {639, 479, 880, 680}};
  for (const Screen& s : screens) {
    SetConfigVirtualScreen(0, 0, s.width, s.height);
    Load("Window 0 0 0 0\n");
    EXPECT_EQ(CfgWindow[0], 80) << s.width << " x " << s.height;
    EXPECT_EQ(CfgWindow[1], 80) << s.width << " x " << s.height;
    EXPECT_EQ(CfgWindow[2], s.right) << s.width << " x " << s.height;
    EXPECT_EQ(CfgWindow[3], s.bottom) << s.width << " x " << s.height;
  }
}

TEST_F(Config, UuidsAreReadAndWrittenInTheirTextForm) {
  Load("Speaker GUID {0123ABCD-4567-89ab-cdef-0011223344FF}\nControl GUID not a uuid\n");
  EXPECT_EQ(CfgSpeakerGuid.data1, 0x0123ABCDu);
  EXPECT_EQ(CfgSpeakerGuid.data2, 0x4567u);
  EXPECT_EQ(CfgSpeakerGuid.data3, 0x89ABu);
  EXPECT_EQ(CfgSpeakerGuid.data4[0], 0xCD);
  EXPECT_EQ(CfgSpeakerGuid.data4[7], 0xFF);
  EXPECT_EQ(CfgControlGuid.data1, 0u);
  const std::string text = Saved();
  EXPECT_NE(text.find("Speaker GUID 0123abcd-4567-89ab-cdef-0011223344ff\n"), std::string::npos);
  EXPECT_NE(text.find("Control GUID 00000000-0000-0000-0000-000000000000\n"), std::string::npos);
}

TEST_F(Config, WritingUsesEachKeysFormatInTableOrder) {
  Load("");
  const std::vector<std::string> lines = Lines(Saved());
  ASSERT_EQ(lines.size(), static_cast<size_t>(CONFIG_KEY_COUNT));
  for (int i = 0; i < CONFIG_KEY_COUNT; ++i) EXPECT_EQ(lines[i].rfind(ConfigKeyTable[i].key, 0), 0u) << i;
  const std::string text = Saved();
  for (const char* line : {"Version 1.4C20\n", "Window 80 80 1360 1000\n", "Time Control 2 12.0000 81 0.0000 0\n",
                           "Editor FOV 60.0\n", "Button Look 45\n", "Eye Height 1.60\n", "Text Size 0.050\n",
                           "Bloom Effect 0.90 0.0010\n", "Screen Flags 6345219\n", "Sun Colour 255 255 255\n",
                           "Kinefeed Opts 0\n", "Control Mode 0 1\n", "Export Dir C:\\ZKT\n", "FW_J 600\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(Config, ReadingWhatWasWrittenGivesTheSameSettings) {
  Load("");
  const std::string defaults = Saved();
  Load(defaults);
  EXPECT_EQ(Saved(), defaults);

  // Every setting moved away from its default, then two rounds.
  std::mt19937 random(3);
  std::string edited;
  for (const std::string& line : Lines(defaults)) {
    std::string out = line;
    const size_t space = line.find_last_of(' ');
    if (line.rfind("Window ", 0) != 0 && line.rfind("Version ", 0) != 0 && random() % 2 && space != std::string::npos) {
      const std::string value = line.substr(space + 1);
      if (!value.empty() && (std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '-'))
        out = line.substr(0, space + 1) + std::to_string(static_cast<int>(random() % 300) - 50);
      else
        out = line + "x";
    }
    edited += out + "\n";
  }
  edited += "Welcome C 0\nSelected Car QQ1\n";
  Load(edited);
  const std::string first = Saved();
  Load(first);
  EXPECT_EQ(Saved(), first);
  EXPECT_NE(first, defaults);
}

TEST_F(Config, DamagedShuffledAndTruncatedFilesLoadWhatTheyCan) {
  Load("Welcome C 0\nShow FPS 2\nMax FPS 60\nPly Name Driver\nSelected Car AB1\nExposure 1 2 3 4\n");
  const std::string good = Saved();

  std::vector<std::string> lines = Lines(good);
  std::mt19937 random(17);
  std::shuffle(lines.begin(), lines.end(), random);
  std::string shuffled;
  for (const std::string& line : lines) shuffled += line + "\r\n";
  Load(shuffled);
  EXPECT_EQ(Saved(), good);

  for (size_t n = 0; n < good.size(); n += 3) {
    const std::string cut = good.substr(0, n);  // a fresh copy: ASan sees its end
    LoadConfigFromText(cut.data(), cut.size());
    EXPECT_TRUE(CfgMaxFps == 20 || CfgMaxFps == 60 || CfgMaxFps == 100) << n;  // "Max FPS 6" reads as 20
    EXPECT_LE(CfgShowFps, 2);
  }
  // A file that ends just after a key taking a number: nothing past its last byte is read (a
  // copy of exactly its bytes, so that the sanitizer sees that end), and the value keeps its default.
  Load("");
  const std::string defaults = Saved();
  for (const std::string text : {"Sound Delay ", "Editor FOV ", "Max FPS ", "Audio Options "}) {
    const std::vector<char> exact(text.begin(), text.end());
    LoadConfigFromText(exact.data(), exact.size());
    EXPECT_EQ(Saved(), defaults) << text;
  }
  for (int round = 0; round < 200; ++round) {
    std::string damaged = good;
    for (int k = 0; k < 20; ++k) damaged[random() % damaged.size()] = static_cast<char>(random());
    Load(damaged);
    EXPECT_GE(CfgFilterAf, 1);
    EXPECT_LE(CfgEditorFov, 120.0f);
    EXPECT_LT(std::strlen(CfgPlayerName), sizeof CfgPlayerName);
  }
}

TEST_F(Config, FilesAreReadAndWrittenSafely) {
  fs::remove_all("config_test");
  fs::create_directories("config_test");
  fs::remove("cfg.txt");  // what a wrong save below would leave behind
  SetConfigPath("");
  EXPECT_EQ(SaveConfig(), 0);  // never read: nothing is written
  EXPECT_FALSE(fs::exists("cfg.txt"));

  SetConfigPath("config_test/CFG.TXT");
  std::ofstream("config_test/cfg.txt") << "Welcome C 0\nShow FPS 0\n";
  ConfigRead = 0;
  EXPECT_EQ(LoadConfig(), 1);
  EXPECT_EQ(ConfigRead, 1);
  EXPECT_EQ(CfgShowFps, 0);
  CfgShowFps = 2;
  EXPECT_EQ(SaveConfig(), 1);
  EXPECT_EQ(LoadConfig(), 1);
  EXPECT_EQ(CfgShowFps, 2);
  EXPECT_FALSE(fs::exists("config_test/CFG.TXT"));  // the existing file was replaced

  const std::string before = Saved();
  CfgShowFps = 1;
  FilesInjectCommitFailures(1, ENOSPC);
  int error = 0;
  {
    ReportRecorder recorder;
    testing::internal::CaptureStderr();
    EXPECT_EQ(SaveConfig(&error), 0);  // reported, and the previous file kept
    const std::string said = testing::internal::GetCapturedStderr();
    // A message line names the file as the disk spells it, and without a window standard error
    // says it too.
    EXPECT_EQ(ReportRecorder::NewestText(), "Could not write file : ^Lconfig_test/cfg.txt^8 : No space left on device");
    EXPECT_NE(said.find("Could not write file : config_test/cfg.txt : No space left on device\n"), std::string::npos) << said;
  }
  EXPECT_EQ(error, ENOSPC);
  EXPECT_EQ(LoadConfig(), 1);
  EXPECT_EQ(CfgShowFps, 2);

  SetConfigPath("config_test/none.txt");
  EXPECT_EQ(LoadConfig(), 0);
  EXPECT_EQ(CfgShowFps, 1);  // defaults
  SetConfigPath("");
}

TEST_F(Config, AFileWithoutOneSettingOrFromALaterVersionIsKeptAsideBeforeItIsWrittenOver) {
  fs::remove_all("config_kept");
  fs::create_directories("config_kept");
  const auto read = [](const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  SetConfigPath("config_kept\\cfg.txt");
  const std::string foreign = "[Display]\nwidth=1024\n\x01\x02 not our settings\n";
  std::ofstream("config_kept/cfg.txt", std::ios::binary) << foreign;
  EXPECT_EQ(LoadConfig(), 0);
  EXPECT_EQ(read("config_kept/cfg.txt.kept"), foreign);
  EXPECT_EQ(SaveConfig(), 1);  // the defaults go in its place, the kept file stays
  EXPECT_EQ(read("config_kept/cfg.txt.kept"), foreign);

  // One setting among damage is a settings file; blanks alone hold nothing to keep.
  std::ofstream("config_kept/cfg.txt", std::ios::binary) << "\x7f\x7f garbage Show FPS 2\n\x01";
  EXPECT_EQ(LoadConfig(), 1);
  EXPECT_EQ(CfgShowFps, 2);
  std::ofstream("config_kept/cfg.txt", std::ios::binary) << " \n\t\r\n";
  EXPECT_EQ(LoadConfig(), 1);
  EXPECT_FALSE(fs::exists("config_kept/cfg.txt.kept2"));

  // A later version's file: its settings are used, and it is kept aside for that version (with
  // the keys this one does not know) before this one writes its own; standard error says so.
  // The same version, earlier ones and version texts of another form change nothing.
  for (const char* version : {"1.4C20", "1.4C19", "1.4B99", "0.9Z99", "1.4C", "1.4c21", "x"}) {
    std::ofstream("config_kept/cfg.txt", std::ios::binary) << "Version " << version << "\nShow FPS 3\n";
    EXPECT_EQ(LoadConfig(), 1) << version;
    EXPECT_FALSE(fs::exists("config_kept/cfg.txt.kept2")) << version;
  }
  const std::string later = "Version 1.10A0\nShow FPS 1\nA Key Of 1.10 1\n";
  std::ofstream("config_kept/cfg.txt", std::ios::binary) << later;
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadConfig(), 1);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(CfgShowFps, 1);
  EXPECT_EQ(read("config_kept/cfg.txt.kept2"), later);
  EXPECT_NE(said.find("File was created by a later version : config_kept\\cfg.txt - kept as config_kept\\cfg.txt.kept2\n"),
            std::string::npos)
      << said;
  EXPECT_EQ(SaveConfig(), 1);
  EXPECT_EQ(read("config_kept/cfg.txt.kept2"), later);
  EXPECT_NE(read("config_kept/cfg.txt").find("Version 1.4C20"), std::string::npos);
  EXPECT_NE(read("config_kept/cfg.txt").find("Show FPS 1"), std::string::npos);

  // Too large to be settings: unreadable, so kept aside as well.
  fs::resize_file("config_kept/cfg.txt", (16 << 20) + 1);
  EXPECT_EQ(LoadConfig(), 0);
  EXPECT_EQ(fs::file_size("config_kept/cfg.txt.kept3"), (16u << 20) + 1);
  EXPECT_FALSE(fs::exists("config_kept/cfg.txt"));

  // When it cannot be moved it is never written over.
  std::ofstream("config_kept/cfg.txt", std::ios::binary) << foreign;
  for (int n = 4; n <= 99; ++n) std::ofstream("config_kept/cfg.txt.kept" + std::to_string(n)) << "";
  EXPECT_EQ(LoadConfig(), 0);
  int error = -1;
  EXPECT_EQ(SaveConfig(&error), 0);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(read("config_kept/cfg.txt"), foreign);
  SetConfigPath("");
}

TEST_F(Config, LimitsAfterTheDeviceTest) {
  Load("Filter AF 16\n");
  EXPECT_EQ(ClampConfigLimits(), 1);
  EXPECT_EQ(CfgFilterAf, 8);
  EXPECT_EQ(CfgTextureSize, 4096);
  EXPECT_EQ(RendererMaxTextureSize, 16384);
  Load("Windowed Link 0\n");
  EXPECT_EQ(IsConfigActive(), 0);
  Load("");
  EXPECT_EQ(IsConfigActive(), 1);
}

TEST_F(Config, TheKeyMatcherTestsTheEndOfWhatWasRead) {
  auto indexOf = [](const char* key) {
    for (int i = 0; i < CONFIG_KEY_COUNT; ++i)
      if (!std::strcmp(ConfigKeyTable[i].key, key)) return i;
    return -1;
  };
  const std::string read = "junk\nGame Limit FPS ";
  EXPECT_EQ(ReadConfigWord(read.data(), static_cast<int>(read.size()), ConfigKeyTable, CONFIG_KEY_COUNT),
            indexOf("Game Limit FPS "));
  EXPECT_EQ(ReadConfigWord("FPS ", 4, ConfigKeyTable, CONFIG_KEY_COUNT), CONFIG_KEY_COUNT);
  // Only the last 63 characters count, however much was read before them.
  const std::string longRead = std::string(5000, 'x') + "Editor Options ";
  EXPECT_EQ(ReadConfigWord(longRead.data(), static_cast<int>(longRead.size()), ConfigKeyTable, CONFIG_KEY_COUNT),
            indexOf("Editor Options "));
  for (int i = 0; i < CONFIG_KEY_COUNT; ++i) EXPECT_EQ(ConfigKeyTable[i].keyLength, static_cast<int>(std::strlen(ConfigKeyTable[i].key)));
}

namespace {

// The value written after a key, from the saved text ("Key value"), or "?" when missing.
std::string SavedValue(const std::string& key) {
  for (const std::string& line : Lines(Saved()))
    if (line.rfind(key, 0) == 0) return line.substr(key.size());
  return "?";
}

}  // namespace

TEST_F(Config, EveryWholeNumberKeyIsHeldExactlyAtBothEndsOfItsRange) {
  // Transcribed from the key table of the settings file: inclusive ranges.  Each end is read
  // as itself, and one past it is brought back to it.
  struct Range {
    const char* key;
    int lo, hi;
  };
  const Range RANGES[] = {
      {"Start Windowed ", 0, 1},     {"Welcome C ", 0, 1},           {"Borderless Window ", 0, 5},
      {"Adapter Select ", 0, 3},     {"Output Select ", 0, 7},       {"ZBD Select ", 0, 3},
      {"Show FPS ", 0, 2},           {"Mirror Internal ", 0, 2},     {"Mirror External ", 0, 1},
      {"Clocks Internal ", 0, 3},    {"Clocks External ", 0, 1},     {"Steer KB ", 0, 2},
      {"Debug Level ", 0, 3},        {"Next Shot ", 1, 99999999},    {"SS Type ", 0, 4},
      {"Fol Dir ", 0, 1},            {"View Lock ", 0, 2},           {"Master Port ", 1, 65535},
      {"Auto Kick ", 0, 3},          {"Location ", 0, 6},            {"Setup Index ", -1, 3},
      {"Colours Index ", -1, 8},     {"Lighting ", 0, 19},           {"Flip ", 0, 3},
      {"Config ", 1, 15},            {"Race Start ", 0, 3},          {"Driver Pos View ", 0, 1},
      {"Show Names ", 0, 2},         {"Show Mouse ", 0, 1},          {"Internal Show ", 0, 2},
      {"Show Map ", 0, 2},           {"Start Lights ", 0, 2},        {"Skill Level ", 0, 4},
      {"Windowed Link ", 0, 1},      {"No Rubber ", 0, 2},           {"ALL SPR MPR ", 0, 2},
      {"Antialiasing ", 0, 16},      {"Mirror AA ", 0, 1},           {"Filter AF ", 1, 16},
      {"Max FPS ", 20, 500},         {"Game Limit FPS ", 0, 1},      {"Min Sleep ", 0, 1},
      {"Buffered Frames ", 0, 2},    {"Shift Debounce ", 10, 200},   {"Half Tex Res ", 0, 1},
      {"Compressed Tex ", 0, 1},     {"Char Size ", 1, 10},          {"Blob Size ", 4, 10},
      {"Dedicated Host ", 0, 1},     {"AI Use Ply Setup ", 0, 1},    {"AI Use Ply Colours ", 0, 1},
      {"SPR Auto Save ", 0, 2},      {"MPR Auto Save ", 0, 2},       {"MPR Message Block ", 0, 2},
      {"Options ", 1, 4},            {"Max Conns ", 2, 48},          {"Modem Type ", 3, 6},
      {"Packs Per Sec ", 3, 12},     {"Cars In Race ", 1, 40},       {"Cars Per Guest ", 0, 40},
      {"Cars Per Host ", 0, 40},     {"Admin Slots ", 0, 8},         {"Conn To Master ", 0, 2},
      {"Kinefeed Mode ", 0, 2},      {"Kinefeed ID ", 0, 65535},     {"Dialfeed Mode ", 0, 2},
      {"Dialfeed ID ", 0, 65535},    {"FW_J ", 100, 900},            {"FW_H ", 100, 900},
      {"FW_S ", 100, 900},           {"FW_K ", 100, 900},            {"Kinefeed Delay ", 1, 100},
      {"Dialfeed Delay ", 1, 100},
  };
  for (const Range& r : RANGES) {
    const std::pair<int, int> reads[] = {{r.lo - 1, r.lo}, {r.lo, r.lo}, {r.hi, r.hi}, {r.hi + 1, r.hi}};
    for (const auto& [written, wanted] : reads) {
      Load(std::string(r.key) + std::to_string(written) + "\n");
      EXPECT_EQ(SavedValue(r.key), std::to_string(wanted)) << r.key << written;
    }
  }
  // The ranges of the lines of several numbers, each number its own.
  Load("Exposure -1 -1 -1 -1\nControl Mode -1 -1\n");
  EXPECT_EQ(SavedValue("Exposure "), "0 0 0 0");
  EXPECT_EQ(SavedValue("Control Mode "), "0 0");
  Load("Exposure 3 18 30 33\nControl Mode 2 2\n");
  EXPECT_EQ(SavedValue("Exposure "), "3 18 30 33");
  EXPECT_EQ(SavedValue("Control Mode "), "2 2");
  Load("Exposure 4 19 31 34\nControl Mode 3 3\n");
  EXPECT_EQ(SavedValue("Exposure "), "3 18 30 33");
  EXPECT_EQ(SavedValue("Control Mode "), "2 2");
  EXPECT_EQ(CfgControlModeInForce, 2);  // the first number as it was held
  // Four numbers each, not clamped, the fifth left for the key window.
  Load("SHIFT_F9 -7 2 3 99999 5\nScreen Info 60 1024 768 -3 9\nWindow 100 110 900 710 6\n");
  EXPECT_EQ(SavedValue("SHIFT_F9 "), "-7 2 3 99999");
  EXPECT_EQ(SavedValue("Screen Info "), "60 1024 768 -3");
  EXPECT_EQ(SavedValue("Window "), "100 110 900 710");
}

TEST_F(Config, EveryFloatKeyIsHeldExactlyAtBothEndsOfItsRange) {
  struct Range {
    const char* key;
    float* value;
    double lo, hi;
  };
  const Range RANGES[] = {
      {"Editor FOV ", &CfgEditorFov, 2, 120},
      {"View Smooth ", &CfgViewSmooth, 0.1, 1},
      {"Transition ", &CfgTransition, 0, 4},
      {"Button Look ", &CfgButtonLook, 30, 90},
      {"Fol Lag ", &CfgFolLag, 0.1, 0.5},
      {"Fol Height ", &CfgFolHeight, 0, 0.6},
      {"Fol Pitch ", &CfgFolPitch, 4, 20},
      {"Fol Dist ", &CfgFolDist, 3, 7},
      {"Eye Height ", &CfgEyeHeight, 1, 2},
      {"SCREEN_CX ", &CfgScreenCx, -0.5, 0.5},
      {"SCREEN_CY ", &CfgScreenCy, -0.5, 0.5},
      {"SCREEN_XMUL ", &CfgScreenXmul, 0.5, 1},
      {"SCREEN_YMUL ", &CfgScreenYmul, 0.5, 1},
      {"Combined Non Linear ", &CfgCombinedNonLinear, 0, 1},
      {"Turn Compensation ", &CfgTurnCompensation, 0, 1},
      {"Mouse Non Linear ", &CfgMouseNonLinear, 0, 1},
      {"Steer Smooth ", &CfgSteerSmooth, 0, 0.95},
      {"Speed Steer Reduction WM ", &CfgSpeedSteerReductionWm, 0, 1},
      {"Half Reduce Speed m/s WM ", &CfgHalfReduceSpeedWm, 10, 200},
      {"Speed Steer Reduction KB ", &CfgSpeedSteerReductionKb, 0, 1},
      {"Half Reduce Speed m/s KB ", &CfgHalfReduceSpeedKb, 10, 200},
      {"MUSIC ", &CfgMusic, 0, 20},
      {"BEEPS ", &CfgBeeps, 0, 20},
      {"CAR_V ", &CfgCarV, 0, 20},
      {"ECHO_C ", &CfgEchoC, 0, 1},
      {"SKID_B ", &CfgSkidB, 0, 1},
      {"WIND_B ", &CfgWindB, 0, 1},
      {"Sound Delay ", &CfgSoundDelay, 0.04, 0.12},
      {"Text Size ", &CfgTextSize, 0.04, 0.06},
  };
  for (const Range& r : RANGES) {
    // A quarter of the range's width past each end, each end itself.
    const double past = (r.hi - r.lo) / 4;
    const std::pair<double, double> reads[] = {{r.lo - past, r.lo}, {r.lo, r.lo}, {r.hi, r.hi}, {r.hi + past, r.hi}};
    for (const auto& [written, wanted] : reads) {
      char line[96];
      std::snprintf(line, sizeof line, "%s%.6f\n", r.key, written);
      Load(line);
      EXPECT_FLOAT_EQ(*r.value, static_cast<float>(wanted)) << line;
    }
  }
}

TEST_F(Config, EveryBitSetKeepsOnlyItsValidBits) {
  struct Mask {
    const char* key;
    uint32_t* value;
    uint32_t mask;
  };
  const Mask MASKS[] = {
      {"Editor Options ", &CfgEditorOptions, 0x81DE}, {"Screen Flags ", &CfgScreenFlags, 0x77FFFF},
      {"Audio Options ", &CfgAudioOptions, 31},       {"Extra Displays ", &CfgExtraDisplays, 15},
      {"Render HDR ", &CfgRenderHdr, 0xFFFFFFFF},     {"MP Rules ", &CfgMpRules, 0x1FFFFF},
      {"MP Flags ", &CfgMpFlags, 0x7FE3},             {"MP Filter ", &CfgMpFilter, 0x13C},
      {"Rules_Y ", &CfgRulesY, 0x1FFFFF},             {"Rules_N ", &CfgRulesN, 0x1FFFFF},
      {"Flags_Y ", &CfgFlagsY, 0x3FE7},               {"Flags_N ", &CfgFlagsN, 0x3FE7},
  };
  for (const Mask& m : MASKS) {
    Load(std::string(m.key) + "4294967295\n");
    EXPECT_EQ(*m.value, m.mask) << m.key;
    Load(std::string(m.key) + "0\n");
    EXPECT_EQ(*m.value, 0u) << m.key;
  }
  // Without the "MP Filter " key its value is 0x114 whatever else was read.
  Load("MP Flags 0\n");
  EXPECT_EQ(CfgMpFilter, 0x114u);
}

TEST_F(Config, EveryTextKeyKeepsAtMostItsLengthLessOne) {
  struct Text {
    const char* key;
    size_t kept;
  };
  // The lengths the key table gives: the buffer's size less its terminating zero.
  const Text TEXTS[] = {
      {"Map Name ", 31},    {"Ply Name ", 23},     {"Server Name ", 31},     {"Selected Car ", 31},
      {"Setup Name ", 15},  {"Colours Name ", 15}, {"Find User ", 23},       {"Game Name ", 31},
      {"Game IP ", 15},     {"Game Port ", 7},     {"Game Pass ", 15},       {"Game Admin ", 15},
      {"Upload Bandwidth ", 7}, {"Music Dir ", 79}, {"Export Dir ", 127},   {"Kinefeed IP ", 15},
      {"Kinefeed Port ", 7}, {"Dialfeed IP ", 15}, {"Dialfeed Port ", 7},   {"FN_J ", 63},
      {"FN_H ", 63},        {"FN_S ", 63},         {"FN_K ", 63},
  };
  const std::string longText(200, 'q');
  for (const Text& t : TEXTS) {
    Load(std::string("Welcome C 0\n") + t.key + longText + "\n");
    EXPECT_EQ(SavedValue(t.key), longText.substr(0, t.kept)) << t.key;
    Load(std::string(t.key) + longText.substr(0, t.kept) + "\n");
    EXPECT_EQ(SavedValue(t.key), longText.substr(0, t.kept)) << t.key;
  }
  // The names taken on a first run's end land in settings of the same lengths.
  Load("Welcome C 0\nMap Name " + longText + "\nSelected Car " + longText + "\nSetup Name " + longText +
       "\nColours Name " + longText + "\n");
  EXPECT_EQ(std::strlen(CfgMapName), 31u);
  EXPECT_EQ(std::strlen(CfgSelectedCar), 31u);
  EXPECT_EQ(std::strlen(CfgSetupName), 15u);
  EXPECT_EQ(std::strlen(CfgColoursName), 15u);
  // A zero byte ends a text as a line end does; a character below 32 is dropped, 32 kept.
  const std::string withZero = std::string("Server Name ab") + '\0' + "Show FPS 0\x1f\n";
  LoadConfigFromText(withZero.data(), withZero.size());
  EXPECT_STREQ(CfgServerName, "ab");
  EXPECT_EQ(CfgShowFps, 0);
  Load("Server Name a\x1f b\n");
  EXPECT_STREQ(CfgServerName, "a b");
}

TEST_F(Config, AKeyIsFoundAcrossTheReadersBufferEdge) {
  // The reader keeps what it has read in a 4096-character buffer and keeps only the last 63
  // characters when it fills; a key that straddles that point, at every offset, is still seen.
  for (int before = 4070; before <= 4100; ++before) {
    Load(std::string(before, 'x') + " Show FPS 0\n");
    EXPECT_EQ(CfgShowFps, 0) << before;
  }
  // A key whose first letters came long before its blank is not matched by its tail alone
  // being seen: "Borderless Window " is not "Window ".
  Load(std::string(4090, 'x') + " Borderless Window 3\n");
  EXPECT_EQ(CfgBorderlessWindow, 3);
  EXPECT_EQ(CfgWindow[0], 80);
}

TEST_F(Config, TheDeviceLimitsLowerTooLargeSettingsOnly) {
  Load("");
  CfgTextureSize = 20000;
  CfgFilterAf = 16;
  EXPECT_EQ(ClampConfigLimits(), 1);
  EXPECT_EQ(CfgTextureSize, 16384);
  EXPECT_EQ(CfgFilterAf, 8);
  EXPECT_EQ(RendererMaxAnisotropy, 8);
  CfgTextureSize = 16384;
  CfgFilterAf = 2;
  ClampConfigLimits();
  EXPECT_EQ(CfgTextureSize, 16384);
  EXPECT_EQ(CfgFilterAf, 2);
}

TEST_F(Config, ALongSettingsPathIsCutToThirtyOneCharacters) {
  const std::string path = std::string(40, 'p') + ".txt";
  SetConfigPath(path.c_str());
  EXPECT_EQ(std::string(ConfigPath), path.substr(0, 31));
  SetConfigPath(nullptr);
  EXPECT_STREQ(ConfigPath, "");
}

TEST_F(Config, AValueCutByTheEndOfTheTextReadsOnlyWhatLiesInside) {
  // The text handed over ends inside each value: the characters after its end are never read.
  const auto load = [](const std::string& whole, size_t dropped) {
    LoadConfigFromText(whole.data(), whole.size() - dropped);
  };
  load("Show FPS 12", 1);
  EXPECT_EQ(CfgShowFps, 1);
  load("Audio Options 12", 1);
  EXPECT_EQ(CfgAudioOptions, 1u);
  load("Kinefeed Opts 1f", 1);
  EXPECT_EQ(CfgKinefeedOpts, 1u);
  load("Kinefeed Delay 42", 1);
  EXPECT_EQ(CfgKinefeedDelay, 4);
  load("Eye Height 1.55", 1);
  EXPECT_FLOAT_EQ(CfgEyeHeight, 1.5f);
  load("Fol Pitch 15", 1);
  EXPECT_FLOAT_EQ(CfgFolPitch, 4.0f);  // "1", held at the lower end
  load("Editor FOV 1e2", 1);
  EXPECT_FLOAT_EQ(CfgEditorFov, 2.0f);  // "1e" reads as 1
  load("Editor FOV 6e11", 1);
  EXPECT_FLOAT_EQ(CfgEditorFov, 60.0f);  // "6e1"
  load("Show FPS -5", 1);  // a sign and no digit inside: no number
  EXPECT_EQ(CfgShowFps, 1);
  load("Show FPS 0", 1);  // nothing after the blank
  EXPECT_EQ(CfgShowFps, 1);
  load("Game Port 1234", 2);
  EXPECT_STREQ(CfgGamePort, "12");
  load("Exposure 1 2 3 44", 1);
  int exposure[4] = {1, 2, 3, 4};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(CfgExposure[i], exposure[i]) << i;
  // A key that is the whole of what was read is found too.
  int flip = 0;
  while (flip < CONFIG_KEY_COUNT && std::strcmp(ConfigKeyTable[flip].key, "Flip ") != 0) ++flip;
  ASSERT_LT(flip, CONFIG_KEY_COUNT);
  EXPECT_EQ(ReadConfigWord("Flip ", 5, ConfigKeyTable, CONFIG_KEY_COUNT), flip);
  EXPECT_EQ(ReadConfigWord("lip ", 4, ConfigKeyTable, CONFIG_KEY_COUNT), CONFIG_KEY_COUNT);
}

TEST_F(Config, AFreshLoadForgetsEveryTextThePreviousFileGave) {
  Load("Welcome C 0\nMap Name town\nPly Name Driver\nServer Name srv\nSelected Car QQ1\nSetup Name fast\n"
       "Colours Name red\nFind User who\nGame Name game\nGame IP 1.2.3.4\nGame Port 99\nGame Pass pw\n"
       "Game Admin adm\nUpload Bandwidth 64\nMusic Dir tunes\nExport Dir out\n");
  EXPECT_STREQ(CfgSetupName, "fast");
  Load("");
  for (const char* text : {CfgMapName, CfgPlayerName, CfgServerName, CfgSetupName, CfgColoursName, CfgFindUser,
                           CfgGameName, CfgGamePass, CfgGameAdmin})
    EXPECT_STREQ(text, "");
  EXPECT_STREQ(CfgSelectedCar, CONFIG_DEFAULT_CAR);
  EXPECT_STREQ(CfgGameIp, "auto");
  EXPECT_STREQ(CfgGamePort, "63410");
  EXPECT_STREQ(CfgUploadBandwidth, "128");
  EXPECT_STREQ(CfgMusicDir, "data\\ogg");
  EXPECT_STREQ(CfgExportDir, "C:\\ZKT");
}

TEST_F(Config, AColourOrBitSetLineCutShortKeepsTheRestOfItsDefault) {
  // "Sky High " starts as 150 160 200: only the numbers given are replaced.
  Load("Sky High 1\n");
  EXPECT_EQ(SavedValue("Sky High "), "1 160 200");
  Load("Sky High 1 2\n");
  EXPECT_EQ(SavedValue("Sky High "), "1 2 200");
  Load("Sky High x\n");
  EXPECT_EQ(SavedValue("Sky High "), "150 160 200");
  // "MP Filter " named with no readable number keeps its start value 0x114.
  Load("MP Filter x\n");
  EXPECT_EQ(CfgMpFilter, 0x114u);
}

TEST_F(Config, EachFontKeyFillsItsOwnCodePagesNameAndWeight) {
  // J, H, S and K are the code pages 0 to 3.
  Load("FN_J jay\nFN_H aitch\nFN_S ess\nFN_K kay\nFW_J 100\nFW_H 200\nFW_S 300\nFW_K 400\n");
  const char* const NAMES[4] = {"jay", "aitch", "ess", "kay"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(CfgFontNames[i], NAMES[i]) << i;
    EXPECT_EQ(CfgFontWeights[i], 100 * (i + 1)) << i;
  }
}

TEST_F(Config, AFileOfAnotherVersionIsNotedInTheLog) {
  fs::create_directories("config_version");
  SetLogFileName("config_version/deb.log");
  fs::remove("config_version/deb.log");
  Load("Version 0.9\n");
  std::ifstream in("config_version/deb.log");
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("cfg.txt was written by version 0.9"), std::string::npos) << log;
  SetLogFileName("");
}

TEST_F(Config, ASettingsFileThatCannotBeReadHasItsCauseLogged) {
  // Over 16 MiB is too large to be settings: the read fails with EFBIG and the log says so.
  fs::remove_all("config_unread");
  fs::create_directories("config_unread");
  SetLogFileName("config_unread/deb.log");
  fs::remove("config_unread/deb.log");
  SetConfigPath("config_unread\\cfg.txt");
  std::ofstream("config_unread/cfg.txt", std::ios::binary) << "Show FPS 2\n";
  fs::resize_file("config_unread/cfg.txt", (16 << 20) + 1);  // sparse: no real 16 MiB written
  {
    ReportRecorder recorder;  // the file is kept aside, and that is told
    EXPECT_EQ(LoadConfig(), 0);
  }
  std::string log;
  {
    std::ifstream in("config_unread/deb.log");
    log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  EXPECT_NE(log.find("Could not read config_unread\\cfg.txt (File too large)"), std::string::npos) << log;
  SetLogFileName("");
  SetConfigPath("");
  fs::remove_all("config_unread");
}
