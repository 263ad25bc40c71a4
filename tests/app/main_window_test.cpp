// main_window_test.cpp - the main window on the real SDL2 video (a virtual X server or the
// offscreen driver): SDL events pushed into SDL's queue reach a test process as key codes,
// characters and mouse records, and window changes happen between frames.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/text_commands.h"
#include "app_harness.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "platform/gfx.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/frame.h"
#include "render/screenshot.h"
#include "render/sky.h"
#include "render/system_textures.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/onscreen_keyboard.h"
#include "ui/text_entry.h"
#include "world/world.h"

namespace {

// A process that records what it is handed, in order.
struct InputProbe {
  Prss prss;
  std::vector<int> keys;
  std::vector<MouseRecord> mice;
  std::vector<std::string> order;  // "key", "move", "click", ...
  std::vector<int> translating;    // the on-screen keyboard's bracket at each key
};

Prss* InputProbeAct(Prss* process) {
  if (!process->alive) {
    delete reinterpret_cast<InputProbe*>(process);
    return nullptr;
  }
  return process;
}

void InputProbeKey(Prss* process, int key) {
  InputProbe* probe = reinterpret_cast<InputProbe*>(process);
  probe->keys.push_back(key);
  probe->order.push_back("key");
  probe->translating.push_back(KeyboardTranslating);
}

void InputProbeMouse(Prss* process, MouseRecord* mouse) {
  InputProbe* probe = reinterpret_cast<InputProbe*>(process);
  probe->mice.push_back(*mouse);
  probe->order.push_back(mouse->clickCode ? "click" : mouse->releaseCode ? "release" : mouse->wheel ? "wheel" : "move");
}

// The window and a current process, with pushed SDL events pumped the way the frame loop
// pumps them.  The window stands away from the virtual screen's pointer so that no real
// pointer event mixes with the pushed ones.
class MainWindowTest : public AppHarness {
 protected:
  void SetUp() override {
    AppHarness::SetUp();
    // The device sees displays of known modes, whatever the video driver reports.
    static const GfxModeDesc MODES[] = {{640, 480, {60, 1}}, {1024, 768, {60, 1}}, {1920, 1080, {60, 1}}};
    static GfxFakeDisplays displays;
    displays.modes = MODES;
    displays.modeCount = 3;
    displays.virtualWidth = 1920;
    displays.virtualHeight = 1080;
    GfxUseFakeDisplays(&displays);
    ResetMainWindowState();
    CfgWindow[0] = 700;
    CfgWindow[1] = 600;
    CfgWindow[2] = 1000;
    CfgWindow[3] = 800;
    CfgBorderlessWindow = 0;
    CfgStartWindowed = 1;
    CfgScreenFlags = 0;
    GameState = 0;
    DialogOpen = 0;
    DialogFunctionKey = 0;
    ScreenPanel = 0;
    OnscreenKeyboardShown = 0;
    TextEntryActive = 0;
    KeyboardWantsTranslation = 0;
    KeyboardTranslating = 0;
    ScreenWidth = ScreenHeight = 0;
    LogFileName[0] = 0;
  }

  void TearDown() override {
    if (probe_) {
      CurrentProcess = nullptr;
      delete probe_;
      probe_ = nullptr;
    }
    DestroyMainWindow();
    GfxUseFakeDisplays(nullptr);
    AppHarness::TearDown();
  }

  // Opens the window by itself (no device) and lets the window system settle.
  void OpenWindow(int windowed = 1) {
    ASSERT_EQ(CreateMainWindow(SHOW_NORMAL, windowed), 1) << PlatformLastError();
    Settle();
  }

  // Drains what the window system sends after a change (showing, focus, placement) and
  // forgets it, so a test starts from a quiet queue.
  void Settle() {
    uint32_t quietSince = SDL_GetTicks();
    const uint32_t start = quietSince;
    while (SDL_GetTicks() - quietSince < 60 && SDL_GetTicks() - start < 1000) {
      SDL_Delay(5);
      WindowMessage m;
      while (PeekWindowMessage(m)) quietSince = SDL_GetTicks();
    }
    ResetMainWindowState();
    ResetEventTranslation();
  }

  InputProbe& Probe(int rawKeys = 1) {
    probe_ = new InputProbe{};
    Prss_Init(&probe_->prss, nullptr, InputProbeAct, InputProbeKey, InputProbeMouse, nullptr, nullptr);
    probe_->prss.rawKeys = static_cast<uint8_t>(rawKeys);
    Prss_MakeCurrent(&probe_->prss);
    return *probe_;
  }

  static void Pump() {
    WindowMessage m;
    while (PeekWindowMessage(m)) MainWndProc(m);
    DeliverDeferredMouseMove();
  }

  static void PushKey(SDL_Scancode scancode, SDL_Keycode keycode, bool down, Uint16 mod = 0, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = PlatformWindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }

  static void Tap(SDL_Scancode scancode, SDL_Keycode keycode, Uint16 mod = 0) {
    PushKey(scancode, keycode, true, mod);
    PushKey(scancode, keycode, false, mod);
  }

  static void PushText(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = PlatformWindowId();
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  static void PushMotion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = PlatformWindowId();
    e.motion.x = x;
    e.motion.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  static void PushButton(Uint8 button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = PlatformWindowId();
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  static void PushWheel(int steps, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = PlatformWindowId();
    e.wheel.y = steps;
    e.wheel.preciseY = static_cast<float>(steps);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.mouseX = x;
    e.wheel.mouseY = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  static void PushWindowEvent(Uint8 event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = PlatformWindowId();
    e.window.event = event;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  InputProbe* probe_ = nullptr;
};

// ---- The window ----

// The stored rectangle is 300 x 200 at (700, 600): the window takes its corner and is held
// at the least window, 800 x 600.
TEST_F(MainWindowTest, TheWindowHasItsTitleAnOpenGLSurfaceAndTheStoredClientRectangle) {
  OpenWindow();
  SDL_Window* window = static_cast<SDL_Window*>(PlatformWindowHandle());
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "ZKT Editor");
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) << "the device makes its GL context on it";
  EXPECT_EQ(ScreenWidth, 800);
  EXPECT_EQ(ScreenHeight, 600);
  int width = 0, height = 0;
  ASSERT_EQ(MainWindowClientSize(width, height), 1);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  EXPECT_TRUE(LogHas("window mode : window 800 x 600 at 700, 600"));
  EXPECT_TRUE(SDL_IsScreenSaverEnabled()) << "a normal window lets the screen saver run";
}

TEST_F(MainWindowTest, BorderlessAndFullScreenStartsCoverTheDisplayOrTheModeSize) {
  PlatformRect display{};
  CfgBorderlessWindow = BORDERLESS_MONITOR;
  OpenWindow();
  ASSERT_TRUE(PlatformDisplayBounds(PlatformDisplayNearest(PlatformRect{700, 600, 1000, 800}), display));
  EXPECT_EQ(CfgBorderlessWindow, BORDERLESS_MONITOR) << "the setting stands";
  EXPECT_EQ(WindowRequest, 0) << "the request was carried out";
  EXPECT_EQ(ScreenWidth, display.Width());
  EXPECT_EQ(ScreenHeight, display.Height());
  EXPECT_FALSE(SDL_IsScreenSaverEnabled()) << "nor over a borderless picture";
  if (std::strcmp(SDL_GetCurrentVideoDriver(), "offscreen") != 0) {  // which keeps no frames to take away
    EXPECT_TRUE(SDL_GetWindowFlags(static_cast<SDL_Window*>(PlatformWindowHandle())) & SDL_WINDOW_BORDERLESS);
  }
  DestroyMainWindow();

  CfgBorderlessWindow = 0;
  ScreenWidth = 640;  // the full-screen mode's size, chosen before the window exists
  ScreenHeight = 480;
  OpenWindow(0);
  EXPECT_EQ(CfgStartWindowed, 0);
  EXPECT_EQ(ScreenWidth, 640);
  EXPECT_EQ(ScreenHeight, 480);
  EXPECT_TRUE(LogHas("window mode : full screen 640 x 480 at 0, 0"));
  EXPECT_FALSE(SDL_IsScreenSaverEnabled()) << "no screen saver over a full-screen picture";
}

// ---- Keys ----

TEST_F(MainWindowTest, KeysReachTheProcessAsInternalCodesAndKeyNumbers) {
  OpenWindow();
  InputProbe& probe = Probe();
  Tap(SDL_SCANCODE_UP, SDLK_UP);
  Tap(SDL_SCANCODE_DOWN, SDLK_DOWN);
  Tap(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
  Tap(SDL_SCANCODE_LEFT, SDLK_LEFT);
  Tap(SDL_SCANCODE_PAGEUP, SDLK_PAGEUP);
  Tap(SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN);
  Tap(SDL_SCANCODE_HOME, SDLK_HOME);
  Tap(SDL_SCANCODE_END, SDLK_END);
  Tap(SDL_SCANCODE_INSERT, SDLK_INSERT);
  Tap(SDL_SCANCODE_DELETE, SDLK_DELETE);
  Tap(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  Tap(SDL_SCANCODE_RETURN, SDLK_RETURN);
  Tap(SDL_SCANCODE_TAB, SDLK_TAB);
  Tap(SDL_SCANCODE_Q, SDLK_q);
  Tap(SDL_SCANCODE_7, SDLK_7);
  Tap(SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM);
  Tap(SDL_SCANCODE_F5, SDLK_F5);  // a function-key message, not a key for the process
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{0x10000, 0x10001, 0x10002, 0x10003, 0x10004, 0x10005, 0x10008, 0x10009,
                                          0x1000E, 0x10006, 27, 13, 9, 'Q', '7', 96 + 7}));

  // With Shift and Ctrl: copy, paste and cut, letters with Ctrl, digits as they are.
  probe.keys.clear();
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
  Tap(SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_LCTRL);
  Tap(SDL_SCANCODE_C, SDLK_c, KMOD_LCTRL);
  Tap(SDL_SCANCODE_V, SDLK_v, KMOD_LCTRL);
  Tap(SDL_SCANCODE_X, SDLK_x, KMOD_LCTRL);
  Tap(SDL_SCANCODE_A, SDLK_a, KMOD_LCTRL);
  Tap(SDL_SCANCODE_Z, SDLK_z, KMOD_LCTRL);
  Tap(SDL_SCANCODE_3, SDLK_3, KMOD_LCTRL);
  Tap(SDL_SCANCODE_0, SDLK_0, KMOD_LCTRL);  // the first and last digits, and of the keypad
  Tap(SDL_SCANCODE_9, SDLK_9, KMOD_LCTRL);
  Tap(SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_LCTRL | KMOD_NUM);
  Tap(SDL_SCANCODE_KP_9, SDLK_KP_9, KMOD_LCTRL | KMOD_NUM);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, false);
  PushKey(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, true);
  Tap(SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_RSHIFT);
  Tap(SDL_SCANCODE_DELETE, SDLK_DELETE, KMOD_RSHIFT);
  PushKey(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, false);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{0x10007, 0x10007, 0x1000A, 0x1000F, 0x10041, 0x1005A, '3', '0', '9', 96, 96 + 9,
                                          0x1000A, 0x1000F}));
  EXPECT_EQ(ShiftHeld, 0);
  EXPECT_EQ(CtrlHeld, 0);
}

// With Alt held only the letters A to Z go on to the process: Alt with a digit or an arrow
// does nothing.
TEST_F(MainWindowTest, WithAltHeldOnlyTheLettersAToZReachTheProcess) {
  OpenWindow();
  InputProbe& probe = Probe();
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true, KMOD_LALT);
  Tap(SDL_SCANCODE_A, SDLK_a, KMOD_LALT);
  Tap(SDL_SCANCODE_Z, SDLK_z, KMOD_LALT);
  Tap(SDL_SCANCODE_7, SDLK_7, KMOD_LALT);
  Tap(SDL_SCANCODE_UP, SDLK_UP, KMOD_LALT);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{'A', 'Z'}));
}

// While a world is being built (its steps 1 to 16) the window keeps its mode: Shift+F12 asks
// for nothing; before step 1 and after step 16 it asks for the borderless desktop.
TEST_F(MainWindowTest, TheWindowModeKeysWaitWhileAWorldIsBuilt) {
  OpenWindow();
  CWld = new Wld;
  const auto asked = [](int step) {
    CWld->loadStep = step;
    WindowRequest = 0;
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
    Tap(SDL_SCANCODE_F12, SDLK_F12, KMOD_LSHIFT);
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false);
    Pump();
    const int request = WindowRequest;
    WindowRequest = 0;
    GoWindowedRequest = 0;
    return request;
  };
  EXPECT_EQ(asked(0), BORDERLESS_DESKTOP);
  EXPECT_EQ(asked(1), 0);
  EXPECT_EQ(asked(16), 0);
  EXPECT_EQ(asked(17), BORDERLESS_DESKTOP);
  DeleteWorld();
}

// The window's own keys, each with the effect the key table gives it.
TEST_F(MainWindowTest, TheWindowsOwnKeysDoWhatTheKeyTableSays) {
  OpenWindow();
  InputProbe& probe = Probe();
  const auto withCtrl = [](SDL_Scancode scancode, SDL_Keycode keycode) {
    PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
    Tap(scancode, keycode, KMOD_LCTRL);
    PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, false);
    Pump();
  };
  const auto withShift = [](SDL_Scancode scancode, SDL_Keycode keycode) {
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
    Tap(scancode, keycode, KMOD_LSHIFT);
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false);
    Pump();
  };
  ScreenshotRequest = 0;
  withCtrl(SDL_SCANCODE_S, SDLK_s);
  EXPECT_EQ(ScreenshotRequest, 1);
  withCtrl(SDL_SCANCODE_P, SDLK_p);
  EXPECT_EQ(ScreenshotRequest, 2);
  ScreenshotRequest = 0;
  const uint32_t sky = SkyOptions;
  withCtrl(SDL_SCANCODE_E, SDLK_e);
  EXPECT_EQ(SkyOptions, sky ^ 2u) << "bit 1 of the sky options";
  withCtrl(SDL_SCANCODE_E, SDLK_e);
  EXPECT_EQ(SkyOptions, sky);
  // Ctrl+T asks the host for the other kind of position updates: 0, 1, then 0 again.
  PositionUpdateKind = 0;
  withCtrl(SDL_SCANCODE_T, SDLK_t);
  EXPECT_EQ(PositionUpdateKind, 1);
  withCtrl(SDL_SCANCODE_T, SDLK_t);
  EXPECT_EQ(PositionUpdateKind, 0) << "the second press turns it back";
  ShowMessage("a line", TextColours.grey);
  ASSERT_GT(MessageLineCount, 0);
  withCtrl(SDL_SCANCODE_H, SDLK_h);
  EXPECT_EQ(MessageLineCount, 0) << "Ctrl+H clears the message lines";
  // H alone, over a process that reads keys with no editor open, shows the message history,
  // and again hides it.
  ShowMessageHistory = 0;
  Tap(SDL_SCANCODE_H, SDLK_h);
  Pump();
  EXPECT_EQ(ShowMessageHistory, 1) << "H shows the message history";
  Tap(SDL_SCANCODE_H, SDLK_h);
  Pump();
  EXPECT_EQ(ShowMessageHistory, 0) << "H again hides it";
  // Ctrl+Tab steps the results display: no, auto, yes, round again, and says which.
  ResultsDisplay = 0;
  const std::pair<int, const char*> steps[] = {{1, "auto"}, {2, "yes"}, {0, "no"}};
  for (const auto& [expected, shown] : steps) {
    withCtrl(SDL_SCANCODE_TAB, SDLK_TAB);
    EXPECT_EQ(ResultsDisplay, expected);
    EXPECT_STREQ(GetNewestMessageText(), (std::string("CTRL + TAB - show results : ") + shown).c_str());
  }
  // Shift+F6 and Shift+F8 toggle and say so.
  BlueprintMode = 0;
  withShift(SDL_SCANCODE_F6, SDLK_F6);
  EXPECT_EQ(BlueprintMode, 1);
  EXPECT_STREQ(GetNewestMessageText(), "SHIFT + F6 - blueprint mode - On");
  withShift(SDL_SCANCODE_F6, SDLK_F6);
  EXPECT_EQ(BlueprintMode, 0);
  EXPECT_STREQ(GetNewestMessageText(), "SHIFT + F6 - blueprint mode - Off");
  NetworkDebug = 0;
  withShift(SDL_SCANCODE_F8, SDLK_F8);
  EXPECT_EQ(NetworkDebug, 1);
  EXPECT_STREQ(GetNewestMessageText(), "SHIFT + F8 - network debug - On");
  NetworkDebug = 0;
  // Minus asks the host for block mode 1, with Shift 2; asking for the mode set asks for 0.
  // A request within half a second of the last is refused.
  LastBlockModeSent = 0;
  const auto minus = [&](bool shift, uint32_t later) {
    ProgramClock += later;
    if (shift)
      withShift(SDL_SCANCODE_MINUS, SDLK_MINUS);
    else
      Tap(SDL_SCANCODE_MINUS, SDLK_MINUS), Pump();
  };
  minus(false, 1000);
  EXPECT_EQ(LastBlockModeSent, 1);
  minus(false, 1000);
  EXPECT_EQ(LastBlockModeSent, 0);
  minus(true, 1000);
  EXPECT_EQ(LastBlockModeSent, 2);
  minus(true, 499);
  EXPECT_EQ(LastBlockModeSent, 2) << "too soon";
  minus(true, 1);
  EXPECT_EQ(LastBlockModeSent, 0) << "half a second on";
  LastBlockModeSent = 0;
  EXPECT_TRUE(probe.keys.empty()) << "none of these reached the process";
}

// Shift+F5 reads the current language's texts again; Ctrl+Shift+F5 steps to the next
// language of the table, and from the last one back to the built-in English texts.
TEST_F(MainWindowTest, ShiftF5ReloadsTheLanguageAndCtrlShiftF5StepsToTheNextOne) {
  OpenWindow();
  Probe();
  const auto shiftF5 = [](bool ctrl) {
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
    if (ctrl) PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
    const Uint16 mod = ctrl ? KMOD_LSHIFT | KMOD_LCTRL : KMOD_LSHIFT;
    Tap(SDL_SCANCODE_F5, SDLK_F5, mod);
    if (ctrl) PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, false);
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false);
    Pump();
  };
  // The second language of the table is "Deutsch"; its file sets the OK button's text.
  std::filesystem::create_directories("data/language");
  std::ofstream("data/language/Deutsch.txt", std::ios::binary) << "3a_capitlok=Jawohl\n";
  LanguageName[0] = 0;
  ResetLanguageTexts();
  shiftF5(true);
  EXPECT_STREQ(LanguageName, "Deutsch") << "from English to the next language";
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "Jawohl");

  LanguageTexts[TX_3a_capitlok] = "scribbled";
  shiftF5(false);
  EXPECT_STREQ(LanguageName, "Deutsch") << "Shift+F5 alone stays in the language";
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "Jawohl") << "and reads its file again";

  // "Romanian" is the last of the 37 languages: after it come the built-in texts.
  std::strcpy(LanguageName, "Romanian");
  shiftF5(true);
  EXPECT_STREQ(LanguageName, "") << "after the last language, English";
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "OK") << "the built-in text of 3a_capitlok";

  LanguageTexts[TX_3a_capitlok] = "scribbled";
  shiftF5(false);
  EXPECT_STREQ(LanguageName, "");
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "OK") << "in English Shift+F5 puts the built-in texts back";

  LanguageName[0] = 0;
  ResetLanguageTexts();
  std::filesystem::remove("data/language/Deutsch.txt");
}

TEST_F(MainWindowTest, HeldKeysRepeatsAndTheKeyStateFollowTheKeyboard) {
  OpenWindow();
  InputProbe& probe = Probe();
  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
  PushKey(SDL_SCANCODE_UP, SDLK_UP, true);
  PushKey(SDL_SCANCODE_UP, SDLK_UP, true, 0, true);  // repeats reach the process each time
  PushKey(SDL_SCANCODE_UP, SDLK_UP, true, 0, true);
  PushKey(SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, true);
  Pump();
  EXPECT_EQ(ShiftHeld, 1);
  EXPECT_EQ(CtrlHeld, 1);
  EXPECT_EQ(ArrowKeysHeld[0], 1);
  EXPECT_EQ(PageKeysHeld[1], 1);
  EXPECT_EQ(probe.keys, (std::vector<int>{0x10000, 0x10000, 0x10000, 0x10005}));

  PushKey(SDL_SCANCODE_UP, SDLK_UP, false);
  PushKey(SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, false);
  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, false);
  PushKey(SDL_SCANCODE_W, SDLK_w, true);
  Pump();
  EXPECT_EQ(ArrowKeysHeld[0], 0);
  EXPECT_EQ(PageKeysHeld[1], 0);
  EXPECT_EQ(KeyState['W'], 1) << "a plain key is held in the key-state array";
  PushKey(SDL_SCANCODE_W, SDLK_w, false);
  Pump();
  EXPECT_EQ(KeyState['W'], 0);

  // Keys are dropped once the program is closing.
  probe.keys.clear();
  ExitRequested = 1;
  Tap(SDL_SCANCODE_UP, SDLK_UP);
  Pump();
  EXPECT_TRUE(probe.keys.empty());
}

TEST_F(MainWindowTest, LosingTheFocusClearsEveryHeldKey) {
  OpenWindow();
  Probe();
  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
  PushKey(SDL_SCANCODE_RCTRL, SDLK_RCTRL, true);
  PushKey(SDL_SCANCODE_LEFT, SDLK_LEFT, true);
  PushKey(SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, true);
  PushKey(SDL_SCANCODE_D, SDLK_d, true);
  Pump();
  ASSERT_EQ(ShiftHeld, 1);
  ASSERT_EQ(KeyState['D'], 0) << "not while Shift is held";

  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  Pump();
  EXPECT_EQ(WindowInactive, 1);
  EXPECT_EQ(ShiftHeld, 0);
  EXPECT_EQ(CtrlHeld, 0);
  EXPECT_EQ(ArrowKeysHeld[3], 0);
  EXPECT_EQ(PageKeysHeld[0], 0);

  // Back in the window: Shift is still clear, and a click carries no Shift from before.
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushButton(SDL_BUTTON_LEFT, true, 5, 5);
  Pump();
  EXPECT_EQ(WindowInactive, 0);
  EXPECT_EQ(ShiftHeld, 0);
  ASSERT_FALSE(probe_->mice.empty());
  EXPECT_EQ(probe_->mice.back().clickCode, 1);
}

// Activation states: 1 active, 2 active by a click, 0 and anything past 2 inactive.  An
// activation refreshes the render textures and clips the pointer again when the mouse lock
// of a window is on.
TEST_F(MainWindowTest, ActivationByAClickIsActiveAndAStatePastTwoIsInactive) {
  OpenWindow();
  ShiftHeld = 1;
  HandleActivate(3);
  EXPECT_EQ(WindowInactive, 1);
  EXPECT_EQ(ShiftHeld, 0) << "held keys cleared";
  RenderTexturesNeedRefresh = 0;
  CfgScreenFlags = 256;  // the mouse lock of a window
  PlatformClipCursor(0);
  HandleActivate(2);
  EXPECT_EQ(WindowInactive, 0);
  EXPECT_EQ(RenderTexturesNeedRefresh, 1);
  EXPECT_EQ(PlatformCursorClipped(), 1);
  HandleActivate(0);
  EXPECT_EQ(WindowInactive, 1);
  RenderTexturesNeedRefresh = 0;
  HandleActivate(1);
  EXPECT_EQ(WindowInactive, 0);
  EXPECT_EQ(RenderTexturesNeedRefresh, 1);
  CfgScreenFlags = 0;
  PlatformClipCursor(0);
}

// The window system's own messages: a changed keyboard layout asks the input method for its
// state again, a changed display clips the pointer again when the mouse lock is on, and the
// window's end ends the loop.
TEST_F(MainWindowTest, LayoutDisplayAndDestroyMessagesReachTheirHandlers) {
  OpenWindow();
  ImeStateNeedsUpdate = 0;
  MainWndProc(WindowMessage{MSG_INPUTLANGCHANGE, 0, 0});
  EXPECT_EQ(ImeStateNeedsUpdate, 1);
  CfgScreenFlags = 256;  // the mouse lock of a window
  PlatformClipCursor(0);
  MainWndProc(WindowMessage{MSG_DISPLAYCHANGE, 0, 0});
  EXPECT_EQ(PlatformCursorClipped(), 1);
  CfgScreenFlags = 0;
  MainWndProc(WindowMessage{MSG_DISPLAYCHANGE, 0, 0});
  EXPECT_EQ(PlatformCursorClipped(), 0) << "the lock is off";
  QuitFlag = 0;
  MainWndProc(WindowMessage{MSG_DESTROY, 0, 0});
  EXPECT_EQ(QuitFlag, 1);
  QuitFlag = 0;
}

TEST_F(MainWindowTest, AltWithKeypadDigitsTypesTheCharacterOfThatNumber) {
  OpenWindow();
  InputProbe& probe = Probe(0);  // a text field: translated keys
  const Uint16 alt = KMOD_LALT | KMOD_NUM;
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true, alt);
  Tap(SDL_SCANCODE_KP_6, SDLK_KP_6, alt);
  Tap(SDL_SCANCODE_KP_5, SDLK_KP_5, alt);
  Pump();
  EXPECT_TRUE(probe.keys.empty()) << "nothing arrives while Alt is held";
  EXPECT_EQ(AltNumberDigits(), 2);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false, KMOD_NUM);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{65}));

  // Three digits at most; a number that is no printable character is dropped.
  probe.keys.clear();
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true, alt);
  Tap(SDL_SCANCODE_KP_2, SDLK_KP_2, alt);
  Tap(SDL_SCANCODE_KP_3, SDLK_KP_3, alt);
  Tap(SDL_SCANCODE_KP_3, SDLK_KP_3, alt);
  Tap(SDL_SCANCODE_KP_1, SDLK_KP_1, alt);  // a fourth digit is refused
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false, KMOD_NUM);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true, alt);
  Tap(SDL_SCANCODE_KP_9, SDLK_KP_9, alt);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false, KMOD_NUM);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{233})) << "233 is typed; 9 is no printable character";

  // The printable numbers run from 32 to 255, 127 left out.
  const auto typed = [&](const char* digits) {
    probe.keys.clear();
    PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true, alt);
    for (const char* d = digits; *d; ++d) {
      const int n = *d - '0';
      const SDL_Scancode code = n == 0 ? SDL_SCANCODE_KP_0 : SDL_Scancode(SDL_SCANCODE_KP_1 + n - 1);
      const SDL_Keycode key = n == 0 ? SDLK_KP_0 : SDL_Keycode(SDLK_KP_1 + n - 1);
      Tap(code, key, alt);
    }
    PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false, KMOD_NUM);
    Pump();
    return probe.keys;
  };
  EXPECT_EQ(typed("31"), std::vector<int>{});
  EXPECT_EQ(typed("32"), std::vector<int>{32});
  EXPECT_EQ(typed("126"), std::vector<int>{126});
  EXPECT_EQ(typed("127"), std::vector<int>{});
  EXPECT_EQ(typed("255"), std::vector<int>{255});
  EXPECT_EQ(typed("256"), std::vector<int>{});
}

TEST_F(MainWindowTest, TypedTextArrivesAsCharactersOfTheInputCodePage) {
  OpenWindow();
  InputProbe& probe = Probe(0);
  InputCodePage = CODE_PAGE_LATIN1;
  TextEntryActive = 1;
  PushKey(SDL_SCANCODE_A, SDLK_a, true);
  PushText("a");
  PushKey(SDL_SCANCODE_A, SDLK_a, false);
  PushText("\xC3\xA9");          // e acute: 0xE9 in the Western page
  PushText("\xE2\x82\xAC");      // the euro sign: 0x80 in the Western page
  PushText("\xE2\x98\x83");      // a snowman: no character of the page
  PushText("xy");
  Tap(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
  Tap(SDL_SCANCODE_RETURN, SDLK_RETURN);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{'a', 0xE9, 0x80, '?', 'x', 'y', 8, 13}))
      << "a text field takes characters only, with the editing keys as their control characters";

  // A process that reads keys takes key numbers, not characters.
  probe.prss.rawKeys = 1;
  probe.keys.clear();
  PushKey(SDL_SCANCODE_A, SDLK_a, true);
  PushText("a");
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{'A'}));
}

// ---- The mouse ----

TEST_F(MainWindowTest, ClicksCarryTheirCodesWithCtrlAndShift) {
  OpenWindow();
  InputProbe& probe = Probe();
  PushButton(SDL_BUTTON_LEFT, true, 10, 10);
  PushButton(SDL_BUTTON_LEFT, false, 10, 10);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true, KMOD_LCTRL);
  PushButton(SDL_BUTTON_LEFT, true, 10, 10);
  PushButton(SDL_BUTTON_LEFT, false, 10, 10);
  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false, KMOD_LCTRL);
  PushButton(SDL_BUTTON_MIDDLE, true, 10, 10);
  PushButton(SDL_BUTTON_MIDDLE, false, 10, 10);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, false);
  PushKey(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, true);
  PushButton(SDL_BUTTON_RIGHT, true, 10, 10);
  PushButton(SDL_BUTTON_RIGHT, false, 10, 10);
  PushKey(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, false);
  Pump();
  std::vector<int> clicks, releases;
  for (const MouseRecord& m : probe.mice) {
    if (m.clickCode) clicks.push_back(m.clickCode);
    if (m.releaseCode) releases.push_back(m.releaseCode);
  }
  EXPECT_EQ(clicks, (std::vector<int>{1, 13, 20, 10})) << "Ctrl+Shift+left 13, middle with Ctrl 20, Shift+right 10";
  EXPECT_EQ(releases, (std::vector<int>{1, 1, 2})) << "a middle release reaches no process";

  // The key-state array holds the buttons down: 1 left, 2 right, 3 middle.
  PushButton(SDL_BUTTON_LEFT, true, 10, 10);
  Pump();
  EXPECT_EQ(KeyState[1], 1);
  EXPECT_EQ(KeyState[2], 0);
  EXPECT_EQ(KeyState[3], 0);
  PushButton(SDL_BUTTON_RIGHT, true, 10, 10);
  Pump();
  EXPECT_EQ(KeyState[1], 1);
  EXPECT_EQ(KeyState[2], 1);
  PushButton(SDL_BUTTON_MIDDLE, true, 10, 10);
  Pump();
  EXPECT_EQ(KeyState[3], 1);
  PushButton(SDL_BUTTON_LEFT, false, 10, 10);
  PushButton(SDL_BUTTON_MIDDLE, false, 10, 10);
  Pump();
  EXPECT_EQ(KeyState[1], 0);
  EXPECT_EQ(KeyState[2], 1) << "the right button is still down";
  EXPECT_EQ(KeyState[3], 0);
  PushButton(SDL_BUTTON_RIGHT, false, 10, 10);
  Pump();
  EXPECT_EQ(KeyState[2], 0);
}

TEST_F(MainWindowTest, AMoveThenAClickArriveInThatOrderWithTheirMovement) {
  OpenWindow();
  InputProbe& probe = Probe();
  PushMotion(40, 30);
  PushMotion(50, 35);  // moves before a click are folded into one
  PushButton(SDL_BUTTON_LEFT, true, 52, 36);
  PushMotion(60, 40);
  PushButton(SDL_BUTTON_LEFT, false, 60, 40);
  Pump();
  ASSERT_EQ(probe.order, (std::vector<std::string>{"move", "click", "move", "release"}));
  EXPECT_EQ(probe.mice[0].dx, 50);
  EXPECT_EQ(probe.mice[0].dy, 35);
  EXPECT_EQ(probe.mice[1].dx, 2) << "the click carries its own position";
  EXPECT_EQ(probe.mice[1].dy, 1);
  EXPECT_EQ(probe.mice[1].leftHeld, 1);
  EXPECT_EQ(probe.mice[2].leftHeld, 1) << "a drag";
  EXPECT_EQ(probe.mice[3].dx, 0) << "a release carries no movement";
  EXPECT_EQ(probe.mice[3].leftHeld, 0);
  EXPECT_EQ(MouseX, 60);
  EXPECT_EQ(MouseY, 40);
  EXPECT_EQ(MouseInWindow, 1);

  PushWindowEvent(SDL_WINDOWEVENT_LEAVE);
  Pump();
  EXPECT_EQ(MouseInWindow, 0);
}

TEST_F(MainWindowTest, TheWheelStepsUpAndDownAndIsIgnoredOutsideTheClientArea) {
  OpenWindow();
  InputProbe& probe = Probe();
  PushWheel(1, 20, 20);
  PushWheel(-2, 20, 20);
  PushWheel(1, -5, 20);    // outside
  PushWheel(1, 20, 650);   // below the 600-pixel client area
  PushWheel(1, 800, 20);   // x 800 is one past the 800-pixel width
  PushWheel(1, 20, 600);   // y 600 one past the height
  PushWheel(-1, 0, 0);     // the first pixel
  PushWheel(1, 799, 599);  // the last pixel
  Pump();
  ASSERT_EQ(probe.mice.size(), 4u);
  EXPECT_EQ(probe.mice[0].wheel, 1);
  EXPECT_EQ(probe.mice[1].wheel, 2);
  EXPECT_EQ(probe.mice[2].wheel, 2);
  EXPECT_EQ(probe.mice[3].wheel, 1);
  EXPECT_EQ(KeyState[4], 1);
  EXPECT_EQ(KeyState[5], 1);
}

TEST_F(MainWindowTest, TheMouseIsCapturedWhileAButtonIsDownAndCtrlMClipsIt) {
  OpenWindow();
  Probe();
  PushButton(SDL_BUTTON_LEFT, true, 10, 10);
  PushButton(SDL_BUTTON_RIGHT, true, 10, 10);
  PushButton(SDL_BUTTON_LEFT, false, 10, 10);
  Pump();
  EXPECT_EQ(PlatformMouseCaptured(), 1) << "the right button is still down";
  PushButton(SDL_BUTTON_RIGHT, false, 10, 10);
  Pump();
  EXPECT_EQ(PlatformMouseCaptured(), 0) << "free once no button is down";

  SetLogFileName("deb.log");  // message lines are logged once a log is named
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
  Tap(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL);
  Pump();
  EXPECT_EQ(CfgScreenFlags & 256u, 256u) << "the mouse lock of a window";
  EXPECT_EQ(PlatformCursorClipped(), 1);
  EXPECT_TRUE(LogHas("CTRL + M - mouse clipped to window"));
  Tap(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL);
  Pump();
  EXPECT_EQ(CfgScreenFlags & 256u, 0u);
  EXPECT_EQ(PlatformCursorClipped(), 0);
  EXPECT_TRUE(LogHas("CTRL + M - free mouse when in window"));
}

// ---- Program-wide keys ----

TEST_F(MainWindowTest, FunctionKeysSelectPanelsAndGoToAnOpenDialog) {
  OpenWindow();
  InputProbe& probe = Probe();
  Tap(SDL_SCANCODE_F9, SDLK_F9);
  Pump();
  EXPECT_EQ(ScreenPanel, 1);
  Tap(SDL_SCANCODE_F9, SDLK_F9);
  Pump();
  EXPECT_EQ(ScreenPanel, 0) << "the panel shown is hidden";
  GameState = 3;  // racing: F10 still selects the second panel, F11 hides it, F1 reaches the process
  Tap(SDL_SCANCODE_F10, SDLK_F10);
  Pump();
  EXPECT_EQ(ScreenPanel, 2) << "F10 shows the second panel during a race";
  Tap(SDL_SCANCODE_F11, SDLK_F11);
  Tap(SDL_SCANCODE_F1, SDLK_F1);
  Pump();
  EXPECT_EQ(ScreenPanel, 0);
  EXPECT_EQ(probe.keys, (std::vector<int>{0x1000B}));
  // F3 is the last key that reaches a race; F12 hides the panel there too.
  ScreenPanel = 2;
  Tap(SDL_SCANCODE_F3, SDLK_F3);
  Tap(SDL_SCANCODE_F12, SDLK_F12);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{0x1000B, 0x1000D}));
  EXPECT_EQ(ScreenPanel, 0);
  GameState = 0;
  // Away from a race F11 and F12 select the third and fourth panels.
  Tap(SDL_SCANCODE_F11, SDLK_F11);
  Pump();
  EXPECT_EQ(ScreenPanel, 3);
  Tap(SDL_SCANCODE_F12, SDLK_F12);
  Pump();
  EXPECT_EQ(ScreenPanel, 4);
  ScreenPanel = 0;

  DialogOpen = 1;
  Tap(SDL_SCANCODE_F2, SDLK_F2);
  Pump();
  EXPECT_EQ(DialogFunctionKey, 2);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, true);
  Tap(SDL_SCANCODE_F1, SDLK_F1, KMOD_LCTRL);
  PushKey(SDL_SCANCODE_LCTRL, SDLK_LCTRL, false);
  Pump();
  EXPECT_EQ(DialogFunctionKey, 9);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true);
  Tap(SDL_SCANCODE_F12, SDLK_F12, KMOD_LALT);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false);
  Pump();
  EXPECT_EQ(DialogFunctionKey, 32);
}

// Shift+F9 asks for the quick-switch mode (the fourth number of its setting), Shift+F10 for
// the desktop's mode, Shift+F11 for the borderless window over its display.
TEST_F(MainWindowTest, ShiftF9F10AndF11AskForTheQuickSwitchModeTheDesktopModeAndBorderless) {
  OpenWindow();
  Probe();
  const auto withShift = [](SDL_Scancode scancode, SDL_Keycode keycode) {
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
    Tap(scancode, keycode, KMOD_LSHIFT);
    PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false);
    Pump();
  };
  const int shiftF9[4] = {CfgShiftF9[0], CfgShiftF9[1], CfgShiftF9[2], CfgShiftF9[3]};
  const int desktopMode = CurrentModeRecord.index;
  CfgShiftF9[0] = 75, CfgShiftF9[1] = 1024, CfgShiftF9[2] = 768, CfgShiftF9[3] = 1;  // refresh, width, height, mode
  CurrentModeRecord.index = 2;
  FullScreenRequest = -1;
  withShift(SDL_SCANCODE_F9, SDLK_F9);
  EXPECT_EQ(FullScreenRequest, 1) << "the quick-switch mode";
  FullScreenRequest = -1;
  withShift(SDL_SCANCODE_F10, SDLK_F10);
  EXPECT_EQ(FullScreenRequest, 2) << "the desktop's mode";
  FullScreenRequest = -1;
  WindowRequest = 0;
  GoWindowedRequest = 0;
  withShift(SDL_SCANCODE_F11, SDLK_F11);
  EXPECT_EQ(WindowRequest, BORDERLESS_MONITOR);
  EXPECT_EQ(GoWindowedRequest, 1);
  EXPECT_EQ(FullScreenRequest, -1) << "no full-screen mode asked for";
  WindowRequest = 0;
  GoWindowedRequest = 0;
  for (int i = 0; i < 4; ++i) CfgShiftF9[i] = shiftF9[i];
  CurrentModeRecord.index = desktopMode;
}

// Only the toggling key's own repeats are swallowed: the next key pressed repeats as usual.
TEST_F(MainWindowTest, BackspaceTogglesTheOnScreenKeyboardOnceHoweverLongItIsHeld) {
  OpenWindow();
  InputProbe& probe = Probe();
  PushKey(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true);
  PushKey(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true, 0, true);
  PushKey(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true, 0, true);
  PushKey(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, false);
  Pump();
  EXPECT_EQ(OnscreenKeyboardShown, 1);
  probe.keys.clear();
  PushKey(SDL_SCANCODE_UP, SDLK_UP, true);
  PushKey(SDL_SCANCODE_UP, SDLK_UP, true, 0, true);
  PushKey(SDL_SCANCODE_UP, SDLK_UP, true, 0, true);
  PushKey(SDL_SCANCODE_UP, SDLK_UP, false);
  Pump();
  EXPECT_EQ(probe.keys, (std::vector<int>{0x10000, 0x10000, 0x10000})) << "the up arrow and its two repeats";
}

// ---- Window changes between frames, through the frame loop ----

TEST_F(MainWindowTest, F4SwitchesToFullScreenAndBackToTheSameModeBetweenFrames) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Settle();
  ASSERT_TRUE(PlatformWindowExists());
  const int mode = FullScreenModeIndex;
  ASSERT_GE(mode, 0);
  const DisplayMode chosen = DisplayModes()[mode];
  ASSERT_EQ(IsFullScreen(), 0);
  const int storedWidth = CfgWindow[2] - CfgWindow[0];  // as cfg.txt's reading left it
  const int storedHeight = CfgWindow[3] - CfgWindow[1];
  ASSERT_EQ(ScreenWidth, storedWidth);

  Tap(SDL_SCANCODE_F4, SDLK_F4);
  RunPasses(1);
  EXPECT_EQ(IsFullScreen(), 1);
  EXPECT_EQ(FullScreenModeIndex, mode);
  EXPECT_EQ(ScreenWidth, chosen.width);
  EXPECT_EQ(ScreenHeight, chosen.height);
  EXPECT_TRUE(LogHas("window change : full screen mode " + std::to_string(mode)));

  Tap(SDL_SCANCODE_F4, SDLK_F4);
  RunPasses(1);
  EXPECT_EQ(IsFullScreen(), 0);
  EXPECT_TRUE(LogHas("window change : window"));
  EXPECT_EQ(ScreenWidth, storedWidth) << "back at the stored window rectangle";
  EXPECT_EQ(ScreenHeight, storedHeight);

  Tap(SDL_SCANCODE_F4, SDLK_F4);
  RunPasses(1);
  EXPECT_EQ(IsFullScreen(), 1);
  EXPECT_EQ(FullScreenModeIndex, mode) << "the same full-screen mode again";
  AppShutdown();
  EXPECT_FALSE(PlatformWindowExists());
}

// Another program taking full screen away (on a move the swap chain is no longer full screen):
// the program says so, goes on in a window, and asks for its full-screen mode again on the
// next activation, once.
TEST_F(MainWindowTest, FullScreenTakenAwayGoesOnInAWindowAndIsAskedForAgainOnActivation) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Settle();
  const int mode = FullScreenModeIndex;
  ASSERT_GE(mode, 0);
  Tap(SDL_SCANCODE_F4, SDLK_F4);
  RunPasses(1);
  ASSERT_EQ(IsFullScreen(), 1);
  ASSERT_EQ(GfxSwapChainSetFullscreenState(Gfx.swapChain, 0, GfxOutput{}), GFX_OK);
  GoWindowedRequest = 0;
  ReinitialiseRequest = 0;
  FullScreenRequest = -1;
  MainWndProc(WindowMessage{MSG_MOVE, 0, 0});
  EXPECT_EQ(GoWindowedRequest, 1);
  EXPECT_EQ(ReinitialiseRequest, 1);
  EXPECT_TRUE(LogHas("Lost full screen mode"));
  ASSERT_NE(GetNewestMessageText(), nullptr);
  EXPECT_STREQ(GetNewestMessageText(), "Lost full screen mode");
  EXPECT_EQ(FullScreenRequest, -1) << "nothing asked for before the activation";
  HandleActivate(2);
  EXPECT_EQ(FullScreenRequest, mode);
  EXPECT_STREQ(GetNewestMessageText(), "WA_CLICKACTIVE");
  FullScreenRequest = -1;
  HandleActivate(1);
  EXPECT_EQ(FullScreenRequest, -1) << "asked for once";
  GoWindowedRequest = 0;
  ReinitialiseRequest = 0;
  AppShutdown();
}

// A window made smaller than the least window is held at it.
TEST_F(MainWindowTest, AResizedWindowIsFollowedBetweenFramesAndLogged) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Settle();
  ASSERT_NE(ScreenWidth, 900);
  SDL_SetWindowSize(static_cast<SDL_Window*>(PlatformWindowHandle()), 900, 700);
  RunPasses(2);
  EXPECT_EQ(ScreenWidth, 900);
  EXPECT_EQ(ScreenHeight, 700);
  EXPECT_EQ(ResizeRequest, 0) << "carried out";
  const std::vector<std::string> texts = LogTexts();
  const auto size = std::find(texts.begin(), texts.end(), "window size 900 x 700");
  ASSERT_NE(size, texts.end());
  EXPECT_NE(std::find(size, texts.end(), "window change : resize"), texts.end()) << "after the size message";
  GfxSwapChainDesc desc{};
  ASSERT_EQ(GfxSwapChainGetDesc(Gfx.swapChain, &desc), GFX_OK);
  EXPECT_EQ(desc.bufferDesc.width, 900u) << "the back buffer follows the window";
  EXPECT_EQ(desc.bufferDesc.height, 700u);
  EXPECT_EQ(CfgWindow[2] - CfgWindow[0], 900) << "the normal window's new rectangle is kept";
  SDL_SetWindowSize(static_cast<SDL_Window*>(PlatformWindowHandle()), 500, 400);
  RunPasses(2);
  EXPECT_EQ(ScreenWidth, 800);
  EXPECT_EQ(ScreenHeight, 600);
  AppShutdown();
}

TEST_F(MainWindowTest, BorderlessMinimiseAndMaximiseRequestsAreCarriedOutAndLogged) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Settle();
  PlatformRect desktop;
  PlatformVirtualDesktop(desktop);
  const int storedWidth = CfgWindow[2] - CfgWindow[0];

  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, true);
  Tap(SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT);
  PushKey(SDL_SCANCODE_LALT, SDLK_LALT, false);
  RunPasses(1);
  EXPECT_EQ(CfgBorderlessWindow, BORDERLESS_MONITOR);
  EXPECT_TRUE(LogHas("window mode : borderless over its display"));

  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
  Tap(SDL_SCANCODE_F12, SDLK_F12, KMOD_LSHIFT);
  PushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, false);
  RunPasses(1);
  EXPECT_EQ(CfgBorderlessWindow, BORDERLESS_DESKTOP);
  EXPECT_EQ(ScreenWidth, desktop.Width());
  EXPECT_EQ(ScreenHeight, desktop.Height());

  Tap(SDL_SCANCODE_F4, SDLK_F4);  // from borderless back to a normal window
  RunPasses(1);
  EXPECT_EQ(CfgBorderlessWindow, 0);
  EXPECT_TRUE(LogHas("window change : normal window"));
  EXPECT_EQ(ScreenWidth, storedWidth);

  // Maximised from a borderless window: it takes a normal window's style first.
  WindowRequest = BORDERLESS_MONITOR;
  RunPasses(1);
  ASSERT_EQ(CfgBorderlessWindow, BORDERLESS_MONITOR);
  WindowRequest = WINDOW_REQUEST_MAXIMISE;
  RunPasses(1);
  EXPECT_TRUE(LogHas("window : maximise"));
  EXPECT_EQ(CfgBorderlessWindow, 0);
  const uint32_t flags = SDL_GetWindowFlags(static_cast<SDL_Window*>(PlatformWindowHandle()));
  EXPECT_FALSE(flags & SDL_WINDOW_BORDERLESS);
  EXPECT_TRUE(flags & SDL_WINDOW_RESIZABLE);
  EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
  WindowRequest = WINDOW_REQUEST_MINIMISE;
  RunPasses(1);
  EXPECT_TRUE(LogHas("window : minimise"));
  EXPECT_EQ(WindowRequest, 0);
  AppShutdown();
}

TEST_F(MainWindowTest, ClosingTheWindowAsksTheProgramToExitAndTheLoopEnds) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Settle();
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  RunPasses(5);
  EXPECT_EQ(ExitRequested, 1);
  EXPECT_TRUE(LogHas("exit : WM_CLOSE"));
  EXPECT_EQ(QuitFlag, 1) << "the entry page closed, which ends the loop";
  AppShutdown();
  EXPECT_FALSE(PlatformWindowExists());
}

TEST_F(MainWindowTest, TheKeyTheOnScreenKeyboardAskedForHasItsCharactersBracketed) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Settle();
  InputProbe& probe = Probe(0);
  ReplaceTop(&probe.prss);
  Prss_MakeCurrent(&probe.prss);
  KeyboardWantsTranslation = 1;
  PushKey(SDL_SCANCODE_B, SDLK_b, true);
  PushText("b");
  PushKey(SDL_SCANCODE_B, SDLK_b, false);
  PushKey(SDL_SCANCODE_C, SDLK_c, true);
  PushText("c");
  RunPasses(2);
  EXPECT_EQ(probe.keys, (std::vector<int>{'b', 'c'}));
  EXPECT_EQ(probe.translating, (std::vector<int>{1, 0})) << "only the one key press asked for";
  EXPECT_EQ(KeyboardTranslating, 0);
  probe_ = nullptr;  // the top process now: shut-down frees it
  AppShutdown();
}

// ---- Without graphics ----

TEST_F(MainWindowTest, WithoutGraphicsThereIsNoWindowAndTheStatusGoesToStandardOutput) {
  AppForceNoGraphics(1);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(3);
  AppShutdown();
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_FALSE(PlatformWindowExists());
  EXPECT_NE(out.find("ZKT 1.4C20\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Status : OFF LINE   Track : \n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Status", out.find("Status") + 1), std::string::npos) << "printed once while unchanged";
}

// In 4K capture the pointer is measured in 3840 x 2160 over the 16:9 box in the middle of the
// client area: a wider screen is cut at its sides, a taller one at its top and bottom.
TEST_F(MainWindowTest, In4KCaptureThePointerIsScaledTo3840By2160OverTheLetterbox) {
  Probe();
  const auto moveTo = [](int x, int y) {
    HandleMouseInput(MSG_MOUSEMOVE, 0, PointParam(x, y));
    return std::pair{MouseX, MouseY};
  };
  CfgScreenFlags = 1u << 28;
  const struct {
    int width, height, x, y, expectedX, expectedY;
  } cases[] = {
      // 1920 x 1080 is 16:9: the box is the screen, and each pixel two.
      {1920, 1080, 0, 0, 0, 0},
      {1920, 1080, 960, 540, 1920, 1080},
      {1920, 1080, 1919, 1079, 3838, 2158},
      // 2560 x 1080: the box is 1080 * 16 / 9 = 1920 wide from x (2560 - 1920) / 2 = 320.
      {2560, 1080, 320, 0, 0, 0},
      {2560, 1080, 1280, 540, 1920, 1080},
      {2560, 1080, 2240, 1080, 3840, 2160},
      {2560, 1080, 0, 270, -640, 540},  // (0 - 320) * 3840 / 1920
      // 1280 x 1024: the box is 1280 * 9 / 16 = 720 high from y (1024 - 720) / 2 = 152.
      {1280, 1024, 0, 152, 0, 0},
      {1280, 1024, 640, 512, 1920, 1080},  // (512 - 152) * 2160 / 720
      {1280, 1024, 1280, 872, 3840, 2160},
      {1280, 1024, 320, 0, 960, -456},  // (0 - 152) * 2160 / 720
      // One pixel wide: a box of no height (1 * 9 / 16 = 0) is taken as one pixel high.
      {1, 1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ScreenWidth = c.width;
    ScreenHeight = c.height;
    EXPECT_EQ(moveTo(c.x, c.y), std::pair(c.expectedX, c.expectedY))
        << c.width << " x " << c.height << " at " << c.x << ", " << c.y;
  }
  // A screen of no width or no height, or capture off: the pointer is taken as it comes.
  for (const auto& [width, height] : {std::pair{0, 0}, std::pair{1920, 0}, std::pair{0, 1080}}) {
    ScreenWidth = width;
    ScreenHeight = height;
    EXPECT_EQ(moveTo(5, 7), std::pair(5, 7)) << width << " x " << height;
  }
  CfgScreenFlags = 0;
  ScreenWidth = 2560;
  ScreenHeight = 1080;
  EXPECT_EQ(moveTo(100, 200), std::pair(100, 200));
}

// A stored window rectangle of at least 64 x 64 is the window, held at the least window from
// its corner; one pixel narrower or shorter cannot hold one, and the default rectangle over
// the desktop takes its place.
TEST_F(MainWindowTest, AStoredWindowOf64By64IsKeptAndOnePixelLessGivesTheDefault) {
  CfgWindow[0] = 700, CfgWindow[1] = 600, CfgWindow[2] = 764, CfgWindow[3] = 664;
  OpenWindow();
  EXPECT_EQ(ScreenWidth, 800);
  EXPECT_EQ(ScreenHeight, 600);
  EXPECT_EQ(CfgWindow[0], 700);
  EXPECT_EQ(CfgWindow[1], 600);
  DestroyMainWindow();
  PlatformRect desktop{};
  PlatformVirtualDesktop(desktop);
  for (const auto& [right, bottom] : {std::pair{763, 800}, std::pair{1000, 663}}) {
    CfgWindow[0] = 700, CfgWindow[1] = 600, CfgWindow[2] = right, CfgWindow[3] = bottom;
    OpenWindow();
    EXPECT_EQ(CfgWindow[0], desktop.left + 80) << right << ", " << bottom;
    EXPECT_EQ(CfgWindow[1], desktop.top + 80) << right << ", " << bottom;
    EXPECT_EQ(ScreenWidth, CfgWindow[2] - CfgWindow[0]);
    EXPECT_GE(ScreenWidth, 64);
    EXPECT_GE(ScreenHeight, 64);
    DestroyMainWindow();
  }
}

}  // namespace

TEST(DefaultWindowRect, TheDesktopLess160AtMost1280By720AndNeverBelowTheLeastWindow) {
  struct Case {
    PlatformRect desktop;
    PlatformRect expected;
  };
  const Case cases[] = {
      {{0, 0, 1920, 1080}, {80, 80, 1360, 800}},             // the most
      {{-1920, 100, 0, 1180}, {-1840, 180, -560, 900}},      // a desktop left of and below the origin
      {{0, 0, 1100, 800}, {80, 80, 1020, 720}},              // the desktop less 160
      {{0, 0, 960, 760}, {80, 80, 880, 680}},                // exactly the least window left
      {{0, 0, 1000, 700}, {80, 80, 920, 680}},               // less left in height: 600
      {{0, 0, 200, 100}, {80, 80, 880, 680}},                // a desktop under the least window
      {{10, 20, 10, 20}, {90, 100, 890, 700}},               // no desktop at all
  };
  for (const Case& c : cases) {
    PlatformRect r{};
    DefaultWindowRect(c.desktop, r);
    EXPECT_EQ(r.left, c.expected.left) << c.desktop.right << " x " << c.desktop.bottom;
    EXPECT_EQ(r.top, c.expected.top) << c.desktop.right << " x " << c.desktop.bottom;
    EXPECT_EQ(r.right, c.expected.right) << c.desktop.right << " x " << c.desktop.bottom;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.desktop.right << " x " << c.desktop.bottom;
  }
}
