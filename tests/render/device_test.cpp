// device_test.cpp - the device's choices that need no GL: the mode list, the fall-backs of
// enumeration, code names and the display flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "tests/gpu_device.h"

namespace {

DisplayMode Mode(int w, int h, uint32_t hz, uint32_t scaling = 0, uint32_t den = 1) {
  return DisplayMode{w, h, hz, den, 28, 0, scaling};
}

// The window's minimise and maximise requests go to the main window, and only in a window:
// minimised (6), or maximised (3) with a normal window's border.
TEST(WindowRequests, MinimiseAndMaximiseGoToTheMainWindowOnlyInAWindow) {
  static std::vector<int> shown;
  shown.clear();
  void (*const savedShow)(int) = ShowMainWindow;
  const int savedWindowed = Gfx.windowed;
  const int savedBorderless = CfgBorderlessWindow;
  ShowMainWindow = [](int command) { shown.push_back(command); };
  Gfx.windowed = 0;
  ApplyWindowRequest(WINDOW_REQUEST_MINIMISE);
  ApplyWindowRequest(WINDOW_REQUEST_MAXIMISE);
  EXPECT_TRUE(shown.empty()) << "a full screen takes no window requests";
  Gfx.windowed = 1;
  ApplyWindowRequest(WINDOW_REQUEST_MINIMISE);
  EXPECT_EQ(shown, std::vector<int>{6});
  CfgBorderlessWindow = 1;
  ApplyWindowRequest(WINDOW_REQUEST_MAXIMISE);
  EXPECT_EQ(shown, (std::vector<int>{6, 3}));
  EXPECT_EQ(CfgBorderlessWindow, 0) << "a maximised window has its border again";
  ShowMainWindow = savedShow;
  Gfx.windowed = savedWindowed;
  CfgBorderlessWindow = savedBorderless;
}

TEST(DisplayModeList, NeighboursOfOneSizeAndRateMergeKeepingTheScaledRecord) {
  DisplayMode a[] = {Mode(800, 600, 60, 0), Mode(800, 600, 60, 1), Mode(1024, 768, 60)};
  ASSERT_EQ(MergeDisplayModes(a, 3), 2);
  EXPECT_EQ(a[0].scaling, 1u);
  EXPECT_EQ(a[1].width, 1024);
  DisplayMode b[] = {Mode(800, 600, 60, 1), Mode(800, 600, 60, 0)};
  ASSERT_EQ(MergeDisplayModes(b, 2), 1);
  EXPECT_EQ(b[0].scaling, 1u) << "the first record stays";
  // 59.94 rounds to 60 and merges; 75 Hz stays; three in a row collapse to one.
  DisplayMode c[] = {Mode(800, 600, 60), Mode(800, 600, 60000, 0, 1001), Mode(800, 600, 60, 2), Mode(800, 600, 75)};
  ASSERT_EQ(MergeDisplayModes(c, 4), 2);
  EXPECT_EQ(c[0].scaling, 2u);
  EXPECT_EQ(RoundedRefreshRate(c[1]), 75);
}

TEST(DisplayModeList, TheDefaultIsTheVirtualScreenSizeElseTheLargest) {
  DisplayMode modes[] = {Mode(640, 480, 60), Mode(1920, 1080, 60), Mode(1280, 1024, 60), Mode(1920, 1080, 75),
                         Mode(2560, 1440, 60)};
  EXPECT_EQ(ChooseDefaultMode(modes, 5, 1920, 1080, 0), 3) << "the last record of that size";
  EXPECT_EQ(ChooseDefaultMode(modes, 5, 3840, 2160, 0), 4) << "no such size: the largest by both sides";
  DisplayMode odd[] = {Mode(1024, 768, 60), Mode(1280, 720, 60)};
  EXPECT_EQ(ChooseDefaultMode(odd, 2, 100, 100, 0), 0) << "wider but lower does not take over";
  EXPECT_EQ(RoundedRefreshRate(Mode(1, 1, 60, 0, 0)), 0) << "a zero denominator is 0 Hz";
}

class Enumeration : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("enum");
    SetLogFileName("enum/deb.log");
    std::filesystem::remove("enum/deb.log");
    modes_[0].width = 640, modes_[0].height = 480, modes_[0].refreshRate = {60, 1};
    modes_[1].width = 1920, modes_[1].height = 1080, modes_[1].refreshRate = {60, 1};
    fake_.adapterCount = 1;
    fake_.outputCount = 1;
    fake_.modes = modes_;
    fake_.modeCount = 2;
    fake_.virtualWidth = 1920;
    fake_.virtualHeight = 1080;
    ResetDeviceSettings();
  }
  void TearDown() override {
    CloseD3D();
    GfxUseFakeDisplays(nullptr);
    SetLogFileName("");
  }
  bool LogHas(const std::string& text) {
    std::ifstream in("enum/deb.log");
    for (std::string line; std::getline(in, line);)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
  GfxFakeDisplays fake_;
  GfxModeDesc modes_[2];
};

TEST_F(Enumeration, AMissingAdapterOrOutputFallsBackToTheFirst) {
  GfxUseFakeDisplays(&fake_);
  CfgAdapterSelect = 2;
  CfgOutputSelect = 5;
  ASSERT_EQ(PreInitD3D(), nullptr);
  EXPECT_TRUE(LogHas("adapter 2 not found - try 0"));
  EXPECT_TRUE(LogHas("output 5 not found - try 0"));
  EXPECT_EQ(Gfx.adapterIndex, 0);
  EXPECT_EQ(Gfx.outputIndex, 0);
  EXPECT_EQ(DisplayModeCount(), 2);
  EXPECT_EQ(CurrentDisplayModeIndex, 1);
  EXPECT_EQ(PreInitD3D(), nullptr) << "a second call does nothing";
}

// Choices past the last of the four adapter slots or the eight outputs take the last one, as
// the settings are brought back into range; choices below the first take the first, with
// nothing to tell.
TEST_F(Enumeration, ChoicesPastTheLastAdapterOrOutputTakeTheLastAndBelowTheFirstTheFirst) {
  fake_.adapterCount = 4;
  fake_.outputCount = 8;
  GfxUseFakeDisplays(&fake_);
  CfgAdapterSelect = 9;
  CfgOutputSelect = 20;
  ASSERT_EQ(PreInitD3D(), nullptr);
  EXPECT_EQ(Gfx.adapterIndex, 3);
  EXPECT_EQ(Gfx.outputIndex, 7);
  CloseD3D();
  CfgAdapterSelect = -2;
  CfgOutputSelect = -1;
  ASSERT_EQ(PreInitD3D(), nullptr);
  EXPECT_EQ(Gfx.adapterIndex, 0);
  EXPECT_EQ(Gfx.outputIndex, 0);
  EXPECT_FALSE(LogHas("not found"));
  CfgAdapterSelect = CfgOutputSelect = 0;
}

TEST_F(Enumeration, AnUnreadableFirstAdapterOrNoOutputFails) {
  fake_.failingAdapterDesc = 0;
  GfxUseFakeDisplays(&fake_);
  ASSERT_NE(PreInitD3D(), nullptr);
  EXPECT_STREQ(PreInitD3D(), "pAdapter is NULL");
  EXPECT_TRUE(LogHas("adapter 0 not found - fail"));
  fake_.failingAdapterDesc = -1;
  fake_.outputCount = 0;
  GfxUseFakeDisplays(&fake_);
  EXPECT_STREQ(PreInitD3D(), "No outputs found");
  fake_.outputCount = 1;
  fake_.modeCount = 0;
  GfxUseFakeDisplays(&fake_);
  EXPECT_STREQ(PreInitD3D(), "No modes found");
  fake_.adapterCount = 0;
  GfxUseFakeDisplays(&fake_);
  EXPECT_STREQ(PreInitD3D(), "No adapters found");
  EXPECT_EQ(D3DInitState, 0);
}

// A walk that fails lets go of what it opened: no factory, adapter or output is left held,
// whether the first adapter cannot be read, there are no outputs or no modes.
TEST_F(Enumeration, AFailedWalkHoldsNoFactoryAdapterOrOutput) {
  auto nothingHeld = [] { return !Gfx.factory && !Gfx.adapter && !Gfx.output; };
  fake_.failingAdapterDesc = 0;
  GfxUseFakeDisplays(&fake_);
  EXPECT_STREQ(PreInitD3D(), "pAdapter is NULL");
  EXPECT_TRUE(nothingHeld()) << "an unreadable first adapter";
  fake_.failingAdapterDesc = -1;
  fake_.outputCount = 0;
  GfxUseFakeDisplays(&fake_);
  EXPECT_STREQ(PreInitD3D(), "No outputs found");
  EXPECT_TRUE(nothingHeld()) << "no outputs";
  fake_.outputCount = 1;
  fake_.modeCount = 0;
  GfxUseFakeDisplays(&fake_);
  EXPECT_STREQ(PreInitD3D(), "No modes found");
  EXPECT_TRUE(nothingHeld()) << "no modes";
  // The same displays with modes: the walk succeeds and holds all three until closed.
  fake_.modeCount = 2;
  GfxUseFakeDisplays(&fake_);
  ASSERT_EQ(PreInitD3D(), nullptr);
  EXPECT_TRUE(Gfx.factory && Gfx.adapter && Gfx.output);
  CloseD3D();
  EXPECT_TRUE(nothingHeld()) << "closed";
}

TEST_F(Enumeration, DepthCodesWithoutSupportBecomeTwentyFourBitsWithStencil) {
  GfxUseFakeDisplays(&fake_);
  for (int code : {0, 3}) {
    CfgZbdSelect = code;
    ASSERT_EQ(PreInitD3D(), nullptr);
    EXPECT_EQ(Gfx.depthFormatCode, 2) << code;
    CloseD3D();
  }
  CfgZbdSelect = 1;
  ASSERT_EQ(PreInitD3D(), nullptr);
  EXPECT_EQ(Gfx.depthFormatCode, 1);
  EXPECT_EQ(Gfx.screenWidth, 800);
  EXPECT_FLOAT_EQ(Gfx.screenHeightRecip, 1.0f / 600.0f);
}

// A depth code outside 0 to 3 (a hand-edited settings file) is brought to the nearest end
// before its support is looked up: below 0 it is 0, past 3 it is 3, and neither being
// supported here both end as 24 bits with stencil (2).
TEST_F(Enumeration, DepthCodesOutsideTheirRangeEndAsTwentyFourBitsWithStencil) {
  GfxUseFakeDisplays(&fake_);
  const int saved = CfgZbdSelect;
  for (int code : {-4, 4, 99}) {
    CfgZbdSelect = code;
    ASSERT_EQ(PreInitD3D(), nullptr) << code;
    EXPECT_EQ(Gfx.depthFormatCode, 2) << code;
    CloseD3D();
  }
  CfgZbdSelect = saved;
}

TEST(DeviceRecord, ChoicesPastTheirRangesComeBackToTheNearestEnd) {
  const int adapter = CfgAdapterSelect, output = CfgOutputSelect, depth = CfgZbdSelect, aa = CfgAntialiasing;
  // Four adapter slots, eight outputs, depth codes 0 to 3; any antialiasing level from none up.
  const int rows[][8] = {
      // adapter, output, depth, antialiasing as set, then as reconciled
      {-3, -1, -1, -2, 0, 0, 0, 0},
      {0, 0, 0, 0, 0, 0, 0, 0},
      {3, 7, 3, 8, 3, 7, 3, 8},
      {4, 8, 4, 9, 3, 7, 3, 9},
      {99, 99, 99, 99, 3, 7, 3, 99},
  };
  for (const auto& r : rows) {
    CfgAdapterSelect = r[0], CfgOutputSelect = r[1], CfgZbdSelect = r[2], CfgAntialiasing = r[3];
    ReconcileDeviceChoices();
    EXPECT_EQ(CfgAdapterSelect, r[4]) << r[0];
    EXPECT_EQ(CfgOutputSelect, r[5]) << r[1];
    EXPECT_EQ(CfgZbdSelect, r[6]) << r[2];
    EXPECT_EQ(CfgAntialiasing, r[7]) << r[3];
  }
  CfgAdapterSelect = adapter, CfgOutputSelect = output, CfgZbdSelect = depth, CfgAntialiasing = aa;
}

TEST(DeviceRecord, AZeroScreenSizeHasZeroReciprocals) {
  SetScreenSize(0, 0);
  EXPECT_EQ(Gfx.screenWidthRecip, 0.0f);
  EXPECT_EQ(Gfx.screenHeightRecip, 0.0f);
  SetScreenSize(1024, 512);
  EXPECT_FLOAT_EQ(Gfx.screenWidthRecip, 1.0f / 1024.0f);
}

namespace {

// The cursor clips asked for: 1 or 0 for the client rectangle's clip or its release, 2 for the
// window's clip.
std::vector<int> g_cursorClips;
void RecordClientClip(int clip) { g_cursorClips.push_back(clip); }
void RecordWindowClip() { g_cursorClips.push_back(2); }

}  // namespace

// After a change of screen the cursor is clipped to the window when the settings lock it there
// (bit 256 for a window, bit 512 full screen) and set free otherwise: going full screen, going
// back to a window, and a resize of a window or of the full screen.
TEST(DeviceRecord, AChangeOfScreenClipsTheCursorAsTheSettingsLockIt) {
  const uint32_t flags = CfgScreenFlags;
  const int startWindowed = CfgStartWindowed, windowed = Gfx.windowed, modeIndex = FullScreenModeIndex;
  const int vr = VrEnabled, adapter = Gfx.adapterIndex;
  VrEnabled = 0;         // a headset keeps the screen as it is
  Gfx.adapterIndex = 0;  // only the primary adapter goes back to a window
  void (*const keptClient)(int) = ClipCursorToClient;
  void (*const keptWindow)() = ClipCursorToWindow;
  ClipCursorToClient = RecordClientClip;
  ClipCursorToWindow = RecordWindowClip;
  g_cursorClips.clear();
  for (const uint32_t lock : {512u, 256u}) {
    CfgScreenFlags = (flags & ~768u) | lock;
    GoFullScreen(0);
    GoWindowed();
    Gfx.windowed = 1;
    HandleWindowResize();
    Gfx.windowed = 0;
    HandleWindowResize();
  }
  const std::vector<int> expected = {2, 0, 0, 2,   // full screen locked
                                     0, 2, 2, 0};  // a window locked
  EXPECT_EQ(g_cursorClips, expected);
  ClipCursorToClient = keptClient;
  ClipCursorToWindow = keptWindow;
  CfgScreenFlags = flags;
  CfgStartWindowed = startWindowed;
  Gfx.windowed = windowed;
  FullScreenModeIndex = modeIndex;
  VrEnabled = vr;
  Gfx.adapterIndex = adapter;
}

TEST(DeviceRecord, CodeNamesAndOthersInHex) {
  EXPECT_STREQ(HResultName(0x887A0005), "DXGI_ERROR_DEVICE_REMOVED");
  EXPECT_STREQ(HResultName(0x80070057), "E_INVALIDARG");
  EXPECT_STREQ(HResultName(0x887C0002), "D3D11_ERROR_FILE_NOT_FOUND");
  EXPECT_STREQ(HResultName(0x12345678), "0x12345678");
}

// Every code of the published headers by its value, and the codes between them (no name:
// the code in hex).
TEST(DeviceRecord, EveryPublishedCodeByNameAndTheGapsInHex) {
  const struct {
    uint32_t code;
    const char* name;
  } codes[] = {
      {0x00000000, "S_OK"},
      {0x00000001, "S_FALSE"},
      {0x80004001, "E_NOTIMPL"},
      {0x80004002, "E_NOINTERFACE"},
      {0x80004005, "E_FAIL"},
      {0x8007000E, "E_OUTOFMEMORY"},
      {0x80070057, "E_INVALIDARG"},
      {0x887A0001, "DXGI_ERROR_INVALID_CALL"},
      {0x887A0002, "DXGI_ERROR_NOT_FOUND"},
      {0x887A0003, "DXGI_ERROR_MORE_DATA"},
      {0x887A0004, "DXGI_ERROR_UNSUPPORTED"},
      {0x887A0005, "DXGI_ERROR_DEVICE_REMOVED"},
      {0x887A0006, "DXGI_ERROR_DEVICE_HUNG"},
      {0x887A0007, "DXGI_ERROR_DEVICE_RESET"},
      {0x887A000A, "DXGI_ERROR_WAS_STILL_DRAWING"},
      {0x887A000B, "DXGI_ERROR_FRAME_STATISTICS_DISJOINT"},
      {0x887A000C, "DXGI_ERROR_GRAPHICS_VIDPN_SOURCE_IN_USE"},
      {0x887A0020, "DXGI_ERROR_DRIVER_INTERNAL_ERROR"},
      {0x887A0021, "DXGI_ERROR_NONEXCLUSIVE"},
      {0x887A0022, "DXGI_ERROR_NOT_CURRENTLY_AVAILABLE"},
      {0x887A0023, "DXGI_ERROR_REMOTE_CLIENT_DISCONNECTED"},
      {0x887A0024, "DXGI_ERROR_REMOTE_OUTOFMEMORY"},
      {0x887A0026, "DXGI_ERROR_ACCESS_LOST"},
      {0x887A0027, "DXGI_ERROR_WAIT_TIMEOUT"},
      {0x887A0028, "DXGI_ERROR_SESSION_DISCONNECTED"},
      {0x887A0029, "DXGI_ERROR_RESTRICT_TO_OUTPUT_STALE"},
      {0x887A002A, "DXGI_ERROR_CANNOT_PROTECT_CONTENT"},
      {0x887A002B, "DXGI_ERROR_ACCESS_DENIED"},
      {0x887A002C, "DXGI_ERROR_NAME_ALREADY_EXISTS"},
      {0x887A002D, "DXGI_ERROR_SDK_COMPONENT_MISSING"},
      {0x887C0001, "D3D11_ERROR_TOO_MANY_UNIQUE_STATE_OBJECTS"},
      {0x887C0002, "D3D11_ERROR_FILE_NOT_FOUND"},
      {0x887C0003, "D3D11_ERROR_TOO_MANY_UNIQUE_VIEW_OBJECTS"},
      {0x887C0004, "D3D11_ERROR_DEFERRED_CONTEXT_MAP_WITHOUT_INITIAL_DISCARD"},
  };
  for (const auto& c : codes) EXPECT_STREQ(HResultName(c.code), c.name) << std::hex << c.code;
  for (uint32_t gap : {0x00000002u, 0x80004000u, 0x80004003u, 0x80004004u, 0x80004006u, 0x8007000Du, 0x8007000Fu,
                       0x80070056u, 0x80070058u, 0x887A0000u, 0x887A0008u, 0x887A0009u, 0x887A000Du, 0x887A001Fu,
                       0x887A0025u, 0x887A002Eu, 0x887C0000u, 0x887C0005u}) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", gap);
    EXPECT_STREQ(HResultName(gap), hex);
  }
}

TEST(DeviceRecord, DisplayFlagsFollowHdrAntialiasingAndVsync) {
  uint32_t hdr = CfgRenderHdr, flags = CfgScreenFlags;
  int windowed = Gfx.windowed, borderless = CfgBorderlessWindow;
  ResetDeviceSettings();
  VSyncEnabled = 1;
  CfgRenderHdr = 1;
  UpdateDisplayFlags();
  EXPECT_EQ(Gfx.pendingFlags[0], 0) << "HDR drawing brings its own depth buffer";
  EXPECT_EQ(Gfx.pendingFlags[1], 0);
  CfgRenderHdr = 0;
  CfgScreenFlags &= ~OPTION_HDR_BIT;
  Gfx.windowed = 1;
  CfgBorderlessWindow = 0;
  UpdateDisplayFlags();
  EXPECT_EQ(Gfx.pendingFlags[0], 1);
  EXPECT_EQ(Gfx.pendingFlags[1], 4);
  EXPECT_EQ(Gfx.pendingFlags[2], 0) << "no vertical sync in a plain window";
  Gfx.windowed = 0;
  UpdateDisplayFlags();
  EXPECT_EQ(Gfx.pendingFlags[2], 1);
  CfgScreenFlags |= OPTION_HDR_BIT;
  UpdateDisplayFlags();
  EXPECT_EQ(Gfx.pendingFlags[0], 0);
  CfgRenderHdr = hdr, CfgScreenFlags = flags, Gfx.windowed = windowed, CfgBorderlessWindow = borderless;
  VSyncEnabled = 0;
}

// A long adapter description is cut to the record's 63 characters and its end; the names of
// two adapters stay apart.
TEST_F(Enumeration, ALongAdapterNameIsCutToItsRecord) {
  const std::string longName(100, 'A');
  fake_.adapterCount = 2;
  fake_.adapterNames[0] = longName.c_str();
  fake_.adapterNames[1] = "Second";
  GfxUseFakeDisplays(&fake_);
  ASSERT_EQ(PreInitD3D(), nullptr);
  EXPECT_EQ(std::string(Gfx.adapterNames[0]), std::string(63, 'A'));
  EXPECT_STREQ(Gfx.adapterNames[1], "Second");
}

// Ties count as larger: of records as wide (or as high) and no smaller the other way, the
// last one is the default.  A starting default outside the list is not taken.
TEST(DisplayModeList, TheLargestTakesTheLastOfEqualSidesAndAStartOutsideTheListIsIgnored) {
  DisplayMode sameSize[] = {Mode(1920, 1080, 60), Mode(1920, 1080, 75)};
  EXPECT_EQ(ChooseDefaultMode(sameSize, 2, 100, 100, 0), 1);
  DisplayMode sameWidth[] = {Mode(1280, 720, 60), Mode(1280, 1024, 60)};
  EXPECT_EQ(ChooseDefaultMode(sameWidth, 2, 100, 100, 0), 1);
  DisplayMode sameHeight[] = {Mode(1280, 1024, 60), Mode(1920, 1024, 60)};
  EXPECT_EQ(ChooseDefaultMode(sameHeight, 2, 100, 100, 0), 1);
  // Neither of these two is larger both ways, so the start decides; the third record lies
  // past the count given and is no candidate.
  DisplayMode odd[] = {Mode(1024, 768, 60), Mode(1280, 720, 60), Mode(4000, 4000, 60)};
  EXPECT_EQ(ChooseDefaultMode(odd, 2, 100, 100, 1), 1);
  EXPECT_EQ(ChooseDefaultMode(odd, 2, 100, 100, 2), 0) << "a start at the count is outside";
  EXPECT_EQ(ChooseDefaultMode(odd, 2, 100, 100, -1), 0);
}

}  // namespace

namespace {

// A device on the null backend (no driver, the bookkeeping alone) with the interface's shaders,
// at 320 x 200 in a window and the device settings at their defaults; the screen settings the
// tests change are kept and put back after.
class NullDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    GfxUseNullBackend(true);
    UseSourceShaders();  // the interface's shaders are essential to a device
    ScreenWidth = 320;
    ScreenHeight = 200;
    CfgStartWindowed = 1;
    ResetDeviceSettings();
  }
  void TearDown() override {
    GfxUseNullBackend(false);
    CfgStartWindowed = startWindowed_;
    CfgRenderHdr = hdr_, CfgScreenFlags = flags_;
    ScreenWidth = width_;
    ScreenHeight = height_;
    ResetDeviceSettings();
  }
  // Drawing without HDR, in the setting and in the screen flags.
  static void WithoutHdr() {
    CfgRenderHdr = 0;
    CfgScreenFlags &= ~OPTION_HDR_BIT;
  }

 private:
  const int width_ = ScreenWidth, height_ = ScreenHeight, startWindowed_ = CfgStartWindowed;
  const uint32_t hdr_ = CfgRenderHdr, flags_ = CfgScreenFlags;
};

// The whole device life on the null backend: no driver, the bookkeeping alone.
TEST_F(NullDevice, StartsKeepsItsTargetStackAndClosesWithNothingLeft) {
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  EXPECT_EQ(D3DInitState, 2);
  EXPECT_EQ(Gfx.windowed, 1);
  EXPECT_EQ(Gfx.screenWidth, 320);
  EXPECT_EQ(Gfx.appliedFlags[1], 4) << "the null device offers 4 samples";
  GfxRenderTargetView views[5];
  GfxTexture2DDesc d;
  d.width = d.height = 8;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET;
  GfxTexture2D texture;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &texture), GFX_OK);
  for (GfxRenderTargetView& v : views) ASSERT_EQ(GfxCreateRenderTargetView(Gfx.device, texture, nullptr, &v), GFX_OK);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(EnterRenderTarget(views[i], GfxDepthStencilView{}, 8 >> i, 8 >> i, 0), 1);
  EXPECT_EQ(EnterRenderTarget(views[4], GfxDepthStencilView{}, 1, 1, 0), 0);
  EXPECT_EQ(RenderTargets.view, views[3]);
  EXPECT_EQ(Gfx.screenWidth, 1);
  while (UnsetRenderTarget()) {
  }
  EXPECT_EQ(Gfx.screenWidth, 320);
  EXPECT_EQ(RenderTargets.view, Gfx.backBufferView);
  for (GfxRenderTargetView& v : views) GfxRelease(v);
  GfxRelease(texture);
  ShutdownGraphics();
  EXPECT_EQ(D3DInitState, 0);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

// Without "Start Windowed" the device starts full screen.
TEST_F(NullDevice, WithoutStartWindowedTheDeviceStartsFullScreen) {
  CfgStartWindowed = 0;
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  EXPECT_EQ(D3DInitState, 2);
  EXPECT_EQ(Gfx.windowed, 0);
  ShutdownGraphics();
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

// A device that draws fewer samples than the setting asks for lowers only the level in use:
// the setting, and so cfg.txt, keeps the user's choice for a better device.
TEST_F(NullDevice, TheAntialiasingInUseIsCutToTheDeviceWhileTheSettingIsKept) {
  WithoutHdr();
  CfgAntialiasing = 16;
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  EXPECT_EQ(CfgAntialiasing, 16) << "the user's choice stands";
  EXPECT_EQ(Gfx.appliedFlags[1], 4) << "the null device draws 4 samples";
  UpdateDisplayFlags();
  EXPECT_EQ(Gfx.pendingFlags[1], Gfx.appliedFlags[1]) << "no change of mode is asked for every pass";
  std::string saved;
  SaveConfigToText(saved);
  EXPECT_NE(saved.find("Antialiasing 16\n"), std::string::npos);
  ShutdownGraphics();
  UpdateDisplayFlags();
  EXPECT_EQ(Gfx.pendingFlags[1], 16) << "without a device nothing cuts the setting";
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

// A change of size takes the flags asked for into use with it; so does a change of the depth
// buffer alone (at the same size).  A change whose back buffer cannot be made keeps the size
// asked for, width and height each in its place.
TEST_F(NullDevice, AChangeOfModeTakesTheFlagsAndTheSizeAskedFor) {
  WithoutHdr();
  CfgAntialiasing = 0;
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  ASSERT_EQ(Gfx.appliedFlags[1], 0);
  ScreenWidth = 400;
  CfgAntialiasing = 2;
  UpdateDisplayFlags();
  SetFullscreenMode(-1, 1);
  EXPECT_EQ(Gfx.screenWidth, 400);
  EXPECT_EQ(Gfx.appliedFlags[1], 2) << "taken with the new size";
  CfgRenderHdr = 1;  // HDR drawing brings its own depth buffer: flag 0 goes to 0
  UpdateDisplayFlags();
  ASSERT_EQ(Gfx.pendingFlags[0], 0);
  SetFullscreenMode(-1, 1);
  EXPECT_EQ(Gfx.appliedFlags[0], 0) << "the depth buffer alone changed";
  // A change to 20000 x 200 gets no back buffer (none is made wider than 16384): the size the
  // renderer keeps is the one asked for, its width still the width.  A change back to 400 x 200
  // makes the back buffer again.
  ScreenWidth = 20000;
  SetFullscreenMode(-1, 1);
  EXPECT_FALSE(Gfx.backBufferView) << "no back buffer that wide";
  EXPECT_EQ(Gfx.screenWidth, 20000);
  EXPECT_EQ(Gfx.screenHeight, 200);
  EXPECT_FLOAT_EQ(Gfx.screenWidthRecip, 1.0f / 20000.0f);
  ScreenWidth = 400;
  SetFullscreenMode(-1, 1);
  EXPECT_TRUE(Gfx.backBufferView);
  EXPECT_EQ(Gfx.screenWidth, 400);
  EXPECT_EQ(Gfx.screenHeight, 200);
  ShutdownGraphics();
}

// Pre-initialisation sets the 3x4 row's default matrix to the identity; the device then
// has a back buffer of the screen's size with a depth buffer of the chosen code's format
// (1: 16 bits) beside it, and knows the most samples it draws (4 on the null device).
TEST_F(NullDevice, AStartedDeviceHasItsDepthBufferOfTheChosenFormatAndTheIdentityRow) {
  WithoutHdr();
  CfgZbdSelect = 1;
  std::fill(Row5Matrix, Row5Matrix + 16, 7.0f);
  ASSERT_EQ(PreInitD3D(), nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Row5Matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  EXPECT_EQ(Gfx.depthFormatCode, 1);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  EXPECT_EQ(Gfx.maxSamples, 4);
  EXPECT_EQ(Gfx.screenWidth, 320);
  EXPECT_EQ(Gfx.screenHeight, 200);
  ASSERT_TRUE(Gfx.depthTexture) << "a depth buffer unless drawing HDR";
  EXPECT_TRUE(Gfx.depthView);
  GfxTexture2DDesc d;
  GfxGetDesc(Gfx.depthTexture, &d);
  EXPECT_EQ(d.format, GFX_FORMAT_D16_UNORM);
  EXPECT_EQ(d.width, 320u);
  EXPECT_EQ(d.height, 200u);
  EXPECT_EQ(d.bindFlags, uint32_t(GFX_BIND_DEPTH_STENCIL));
  ShutdownGraphics();
  EXPECT_FALSE(Gfx.depthTexture);
  EXPECT_FALSE(Gfx.depthView);
  EXPECT_EQ(GfxLiveObjectCount(), 0);
}

int g_clientWidth = 0, g_clientHeight = 0;
int FakeClientSize(int& width, int& height) {
  width = g_clientWidth;
  height = g_clientHeight;
  return 1;
}

// A window that was resized hands its client size to the renderer, width as width and height
// as height, and asks for the device to be made again at it and the screen drawn; a client
// with no area asks for nothing.  Going to a window takes the client size the same way.
TEST_F(NullDevice, AResizedWindowTakesItsClientSizeWidthAsWidth) {
  const int vr = VrEnabled;
  int (*const keptClientSize)(int&, int&) = MainWindowClientSize;
  MainWindowClientSize = FakeClientSize;
  VrEnabled = 0;
  ASSERT_EQ(PreInitD3D(), nullptr);
  ASSERT_EQ(InitialiseGraphicsForScreen(), nullptr);
  ASSERT_EQ(Gfx.windowed, 1);
  ReinitialiseRequest = RedrawRequested = 0;
  g_clientWidth = 640;
  g_clientHeight = 360;
  HandleWindowResize();
  EXPECT_EQ(ScreenWidth, 640);
  EXPECT_EQ(ScreenHeight, 360);
  EXPECT_EQ(ReinitialiseRequest, 1);
  EXPECT_EQ(RedrawRequested, 1);
  ReinitialiseRequest = RedrawRequested = 0;
  g_clientWidth = 0;
  HandleWindowResize();
  EXPECT_EQ(ScreenWidth, 0);
  EXPECT_EQ(ReinitialiseRequest, 0) << "no area: nothing to make";
  EXPECT_EQ(RedrawRequested, 0);

  ScreenWidth = 320;
  ScreenHeight = 200;
  g_clientWidth = 800;
  g_clientHeight = 450;
  RedrawRequested = 0;
  GoWindowed();
  EXPECT_EQ(ScreenWidth, 800);
  EXPECT_EQ(ScreenHeight, 450);
  EXPECT_EQ(RedrawRequested, 1);
  EXPECT_EQ(Gfx.busy, 0);
  ShutdownGraphics();
  MainWindowClientSize = keptClientSize;
  VrEnabled = vr;
  ReinitialiseRequest = 0;
  RedrawRequested = 1;
}

}  // namespace

TEST(SamplerTable, AnisotropyFollowsFilterAfUpToEight) {
  const int saved = CfgFilterAf;
  for (const auto& [setting, expected] : {std::pair{16, 8u}, {9, 8u}, {8, 8u}, {7, 7u}, {0, 1u}}) {
    CfgFilterAf = setting;
    for (int i : {1, 2, 3, 5, 6}) {
      EXPECT_EQ(SamplerStateDesc(i).filter, GFX_FILTER_ANISOTROPIC) << i;
      EXPECT_EQ(SamplerStateDesc(i).maxAnisotropy, expected) << "Filter AF " << setting << ", sampler " << i;
    }
    for (int i : {0, 4, 7, 8}) EXPECT_EQ(SamplerStateDesc(i).maxAnisotropy, 1u) << i;
  }
  EXPECT_EQ(SamplerStateDesc(7).filter, GFX_FILTER_MIN_MAG_MIP_POINT);
  EXPECT_EQ(SamplerStateDesc(8).addressU, GFX_ADDRESS_BORDER);
  CfgFilterAf = saved;
}
