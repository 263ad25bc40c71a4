// main_window.cpp - the main window, its message handling, and the keyboard and mouse
// input it hands to the current process.
//
// Sections: [State] [Window] [Messages] [Keys] [Characters] [Mouse] [Requests]
//           [Media reload] [Status output]
#include "app/main_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/command_line.h"
#include "app/text_commands.h"
#include "core/config.h"
#include "core/log.h"
#include "core/process.h"
#include "core/sound.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "modeller/screen/modeller.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/screenshot.h"
#include "render/sky.h"
#include "render/system_textures.h"
#include "render/views.h"
#include "render/vr.h"
#include "skeleton/human_system.h"
#include "text/code_pages.h"
#include "text/coded_text.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/glyph_cache.h"
#include "ui/interface.h"
#include "ui/onscreen_keyboard.h"
#include "ui/text_entry.h"
#include "vehicle/vehicle.h"
#include "vehicle_editor/vehicle_editor.h"
#include "world/world.h"

// ---- [State] ----

int ScreenPanel;

namespace {

constexpr int WINDOW_X = 64;
constexpr int WINDOW_Y = 32;
constexpr uint32_t MOUSE_LOCK_WINDOW = 256;      // "Screen Flags " bit 8
constexpr uint32_t MOUSE_LOCK_FULLSCREEN = 512;  // "Screen Flags " bit 9
constexpr uint32_t SCREEN_FLAG_4K_CAPTURE = 1u << 28;
constexpr int CAPTURE_WIDTH = 3840;
constexpr int CAPTURE_HEIGHT = 2160;
constexpr int ALT_DIGITS_MAX = 3;
constexpr int KEY_STATE_LEFT = 1, KEY_STATE_RIGHT = 2, KEY_STATE_MIDDLE = 3;
constexpr int KEY_STATE_WHEEL_UP = 4, KEY_STATE_WHEEL_DOWN = 5;
constexpr int ERROR_SOUND = 3;
constexpr int RACING_STATE = 3;  // GameState while a race runs

struct WindowModuleState {
  int videoStarted = 0;
  int fullScreenLost = 0;  // restore full screen on the next activation
  int swallowRepeat = 0;   // a repeat of the last key is ignored
  int altDigits[ALT_DIGITS_MAX] = {};
  int altCount = 0;
  int movePending = 0;     // the deferred mouse move
  uint64_t moveWParam = 0;
  int64_t moveLParam = 0;
  MouseRecord mouse{};
  int statusShown = 0;
  char statusLine[160] = {};
};
WindowModuleState g_state;

bool Racing() { return GameState == RACING_STATE; }
bool EditorOpen() { return ObjectEditorOpen || VehicleEditorOpen; }
bool RawKeyProcess() { return CurrentProcess && CurrentProcess->rawKeys; }
bool NormalWindow() {
  return CfgStartWindowed && CfgBorderlessWindow == 0 && !PlatformWindowMinimised() && !PlatformWindowMaximised();
}

const char* OnOff(int on) { return on ? "On" : "Off"; }

// ---- [Window] helpers ----

// The stored window rectangle, held at the least window, or a sound default when it cannot
// hold a window.
PlatformRect StoredWindowRect() {
  PlatformRect r{CfgWindow[0], CfgWindow[1], CfgWindow[2], CfgWindow[3]};
  if (r.Width() >= 64 && r.Height() >= 64) {
    r.right = std::max(r.right, r.left + LEAST_WINDOW_WIDTH);
    r.bottom = std::max(r.bottom, r.top + LEAST_WINDOW_HEIGHT);
    return r;
  }
  PlatformRect desktop;
  PlatformVirtualDesktop(desktop);
  DefaultWindowRect(desktop, r);
  for (int i = 0; i < 4; ++i) CfgWindow[i] = (&r.left)[i];
  return r;
}

void RememberWindowRect() {
  PlatformRect r;
  if (!PlatformClientRect(r) || r.Width() <= 0 || r.Height() <= 0) return;
  CfgWindow[0] = r.left;
  CfgWindow[1] = r.top;
  CfgWindow[2] = r.right;
  CfgWindow[3] = r.bottom;
}

// A full-screen state that another program took away: go on in a window, and ask for full
// screen again when the window is active again.
void NoteLostFullScreen() {
  AddMessage("Lost full screen mode", TextColours.error, MSG_TARGET_LOCAL);
  LogLine("Lost full screen mode");
  GoWindowedRequest = 1;
  ReinitialiseRequest = 1;
  g_state.fullScreenLost = 1;
}

// ---- [Keys] helpers ----

void DeliverCode(int code) {
  if (!GraphicsEnabled) {
    CommandEntryKey(code);
    return;
  }
  if (!CommitPendingEdit()) Prss_DeliverKey(code);
}

void DeliverPlainKey(int key) {
  if (RawKeyProcess() && !CommitPendingEdit()) Prss_DeliverKey(key);
  if (!DialogOpen && !ShiftHeld && key > 0 && key < KEY_STATE_SIZE) KeyState[key] = 1;
}

void SetKeyState(int key) {
  if (key > 0 && key < KEY_STATE_SIZE) KeyState[key] = 1;
}

bool IsDigitKey(int key) {
  return (key >= '0' && key <= '9') || (key >= KEY_PAD_0 && key <= KEY_PAD_0 + 9);
}

void ClearHeldKeys() {
  ShiftHeld = CtrlHeld = AltHeld = 0;
  std::memset(KeyState, 0, sizeof KeyState);
  std::memset(ArrowKeysHeld, 0, sizeof ArrowKeysHeld);
  std::memset(PageKeysHeld, 0, sizeof PageKeysHeld);
  g_state.altCount = 0;
}

// F1..F12 without Shift.  Returns true when the key was dealt with.
bool HandleFunctionKey(int key) {
  const int n = key - KEY_F1;  // 0..11
  int index;
  if (AltHeld && !CtrlHeld) {
    index = 20 + n;
  } else if (n >= 8 && !CtrlHeld) {
    const int panel = n - 7;  // F9..F12 select panels 1..4
    if (panel >= 3 && Racing())
      SetScreenPanel(0);
    else
      SelectScreenPanel(panel);
    return true;
  } else if (!CtrlHeld && n == 3) {
    return false;  // plain F4 is the window key
  } else if (!CtrlHeld && n <= 2 && Racing()) {
    return false;  // F1..F3 reach the process during a race
  } else {
    index = n + (CtrlHeld ? 8 : 0);
  }
  if (DialogOpen)
    DialogFunctionKey = index + 1;
  else
    SendFunctionKeyMessage(index);
  return true;
}

// Shift+F5: the texts again from the current language's file; with Ctrl the next language
// of the table, after the last the built-in texts.
void SwitchLanguage(bool next) {
  char name[sizeof LanguageName];
  std::snprintf(name, sizeof name, "%s", LanguageName);
  if (next) {
    const int row = GetLanguageIndex(name);  // 0 for English, -1 for a language not in the table
    const int following = row < 0 ? 1 : row + 1;
    std::snprintf(name, sizeof name, "%s", following < LANGUAGE_NAME_COUNT ? LanguageNameTable[following].name : "");
  }
  SetLanguage(name);
}

bool WindowKeysAllowed() { return GraphicsEnabled && !(WorldBuildStage() >= 1 && WorldBuildStage() <= 16); }

void ShowOnOff(const char* format, int on) {
  char line[96];
  std::snprintf(line, sizeof line, format, OnOff(on));
  ShowMessage(line, TextColours.grey);
}

// The window and program keys with Shift (F5..F12).  Returns true when dealt with.
bool HandleShiftFunctionKey(int key) {
  switch (key) {
    case KEY_F1 + 4:  // Shift+F5
      SwitchLanguage(CtrlHeld != 0);
      return true;
    case KEY_F1 + 5:  // Shift+F6
      BlueprintMode ^= 1;
      ShowOnOff("SHIFT + F6 - blueprint mode - %s", BlueprintMode);
      return true;
    case KEY_F1 + 7:  // Shift+F8
      NetworkDebug ^= 1;
      ShowOnOff("SHIFT + F8 - network debug - %s", NetworkDebug);
      return true;
    case KEY_F1 + 8:  // Shift+F9: the quick-switch mode
      if (WindowKeysAllowed()) RequestFullScreenMode(CfgShiftF9[3]);
      return true;
    case KEY_F1 + 9:  // Shift+F10: the desktop's mode
      if (WindowKeysAllowed()) RequestFullScreenMode(CurrentModeRecord.index);
      return true;
    case KEY_F1 + 10:
      if (WindowKeysAllowed()) RequestBorderless(BORDERLESS_MONITOR);
      return true;
    case KEY_F1 + 11:
      if (WindowKeysAllowed()) RequestBorderless(BORDERLESS_DESKTOP);
      return true;
    default:
      return false;
  }
}

void StepResultsDisplay() {
  ResultsDisplay = (ResultsDisplay + 1) % 3;
  static const int STATES[3] = {TX_3a_small_no, TX_3h_smallaut, TX_3a_smallyes};
  char line[160];
  std::snprintf(line, sizeof line, LanguageTexts[TX_3h_s_coln_s], LanguageTexts[TX_3a_ctabshwr],
                LanguageTexts[STATES[ResultsDisplay]]);
  ShowGameMessage(line, REPORT_GREY);
}

void ToggleF4() {
  if (!WindowKeysAllowed()) return;
  if (IsFullScreen())
    GoWindowedRequest = 1;
  else if (CfgBorderlessWindow == BORDERLESS_MONITOR || CfgBorderlessWindow == BORDERLESS_DESKTOP)
    RequestBorderless(CfgBorderlessWindow);  // back to a normal window
  else
    RequestFullScreenMode(FullScreenModeIndex);
}

// ---- [Mouse] helpers ----

// The pointer in 4K capture: 3840 x 2160 over the 16:9 letterbox of the client area.
void ScaleForCapture(int& x, int& y) {
  if (!(CfgScreenFlags & SCREEN_FLAG_4K_CAPTURE) || ScreenWidth <= 0 || ScreenHeight <= 0) return;
  int boxWidth = ScreenWidth, boxHeight = ScreenHeight, left = 0, top = 0;
  if (static_cast<int64_t>(ScreenWidth) * 9 > static_cast<int64_t>(ScreenHeight) * 16) {
    boxWidth = ScreenHeight * 16 / 9;
    left = (ScreenWidth - boxWidth) / 2;
  } else {
    boxHeight = ScreenWidth * 9 / 16;
    top = (ScreenHeight - boxHeight) / 2;
  }
  x = static_cast<int>(static_cast<int64_t>(x - left) * CAPTURE_WIDTH / std::max(boxWidth, 1));
  y = static_cast<int>(static_cast<int64_t>(y - top) * CAPTURE_HEIGHT / std::max(boxHeight, 1));
}

const View& PointerView() { return CurrentView ? *CurrentView : MainView; }

void UpdatePointerInView(int x, int y) {
  const View& v = PointerView();
  const float halfWidth = v.right > v.left ? (v.right - v.left) * 0.5f : (ScreenWidth > 0 ? ScreenWidth * 0.5f : 1.0f);
  const float halfHeight = v.bottom > v.top ? (v.bottom - v.top) * 0.5f : (ScreenHeight > 0 ? ScreenHeight * 0.5f : 1.0f);
  const float centreX = v.right > v.left ? static_cast<float>(v.centreX) : ScreenWidth * 0.5f;
  const float centreY = v.bottom > v.top ? static_cast<float>(v.centreY) : ScreenHeight * 0.5f;
  PointerViewX = (static_cast<float>(x) - centreX) / halfWidth;
  PointerViewY = (static_cast<float>(y) - centreY) / halfHeight;
}

void StatusOutputLine(char* out, size_t size) {
  const char* status = NetStatusByte ? (Racing() ? "IN GAME" : "ON LINE") : "OFF LINE";
  char raw[160];
  std::snprintf(raw, sizeof raw, "Status : %s   Track : %s", status, FormatTrackName());
  StripCodes(out, raw, static_cast<int>(std::min<size_t>(size, 80)), 0);
}

}  // namespace

// ---- [Window] ----

int StartWindowSystem() {
  if (!g_state.videoStarted) {
    if (!PlatformVideoStart()) {
      LogF("video : %s", PlatformLastError());
      return 0;
    }
    g_state.videoStarted = 1;
  }
  PlatformRect desktop;
  PlatformVirtualDesktop(desktop);
  SetConfigVirtualScreen(desktop.left, desktop.top, desktop.Width(), desktop.Height());
  return 1;
}

int CreateMainWindow(int showCommand, int windowed) {
  if (!PlatformWindowExists()) {
    if (!StartWindowSystem()) return 0;
    const int width = ScreenWidth > 0 ? ScreenWidth : 1280;
    const int height = ScreenHeight > 0 ? ScreenHeight : 720;
    if (!PlatformCreateWindow(MAIN_WINDOW_TITLE, WINDOW_X, WINDOW_Y, width, height, WINDOW_OPENGL | WINDOW_HIDDEN)) {
      // A window the device cannot draw on is still a window: the device reports that itself.
      LogF("window with OpenGL : %s", PlatformLastError());
      if (!PlatformCreateWindow(MAIN_WINDOW_TITLE, WINDOW_X, WINDOW_Y, width, height, WINDOW_HIDDEN)) {
        LogF("window : %s", PlatformLastError());
        PlatformVideoStop();
        g_state.videoStarted = 0;
        return 0;
      }
    }
    PlatformSetLeastClientSize(LEAST_WINDOW_WIDTH, LEAST_WINDOW_HEIGHT);
    PlatformInstallEventSource();
    DeviceWindow = PlatformWindowHandle();
  }
  CfgStartWindowed = windowed ? 1 : 0;
  if (windowed && (CfgBorderlessWindow == BORDERLESS_MONITOR || CfgBorderlessWindow == BORDERLESS_DESKTOP))
    WindowRequest = CfgBorderlessWindow;
  SetWindowMode(showCommand);
  return 1;
}

void DestroyMainWindow() {
  DeviceWindow = nullptr;
  PlatformDestroyWindow();
  if (g_state.videoStarted) {
    PlatformVideoStop();
    g_state.videoStarted = 0;
  }
}

int MainWindowExists() { return PlatformWindowExists(); }

void DefaultWindowRect(const PlatformRect& desktop, PlatformRect& out) {
  const int width = std::max(LEAST_WINDOW_WIDTH, std::min(1280, desktop.Width() - 160));
  const int height = std::max(LEAST_WINDOW_HEIGHT, std::min(720, desktop.Height() - 160));
  out = PlatformRect{desktop.left + 80, desktop.top + 80, desktop.left + 80 + width, desktop.top + 80 + height};
}

namespace {
// The body of the SetWindowMode hook (core/window_state.h).
void PlaceWindow(int showCommand) {
  const int kind = (WindowRequest == BORDERLESS_MONITOR || WindowRequest == BORDERLESS_DESKTOP) ? WindowRequest : 0;
  CfgBorderlessWindow = kind;
  const bool fullScreen = CfgStartWindowed == 0;
  PlatformSetWindowFramed(!fullScreen && kind == 0);
  PlatformShowWindow(showCommand);

  PlatformRect rect;
  const char* mode;
  if (kind == BORDERLESS_MONITOR && PlatformDisplayBounds(PlatformDisplayNearest(StoredWindowRect()), rect)) {
    mode = "borderless over its display";
  } else if (kind != 0) {
    PlatformVirtualDesktop(rect);
    mode = "borderless over the desktop";
  } else if (fullScreen) {
    if (ScreenWidth <= 0 || ScreenHeight <= 0) {
      PlatformRect display;
      if (!PlatformDisplayBounds(0, display)) display = PlatformRect{0, 0, 1280, 720};
      ScreenWidth = display.Width();
      ScreenHeight = display.Height();
    }
    rect = PlatformRect{0, 0, ScreenWidth, ScreenHeight};
    mode = "full screen";
  } else {
    rect = StoredWindowRect();
    mode = "window";
  }
  ScreenWidth = rect.Width();
  ScreenHeight = rect.Height();
  PlatformPlaceClient(rect);
  // A screen saver would hide a full-screen or borderless picture (or a headset's).
  PlatformAllowScreenSaver(!(fullScreen || kind != 0 || VrEnabled));
  WindowRequest = 0;
  LogF("window mode : %s %d x %d at %d, %d", mode, rect.Width(), rect.Height(), rect.left, rect.top);
}
}  // namespace

namespace {
// The body of the ShowMainWindow hook (core/window_state.h).
void ShowWindowAs(int showCommand) {
  if (!PlatformWindowExists()) return;
  if (showCommand == SHOW_MAXIMISED) PlatformSetWindowFramed(1);  // a normal window's style first
  PlatformShowWindow(showCommand);
  LogF("window : %s", showCommand == SHOW_MINIMISED   ? "minimise"
                      : showCommand == SHOW_MAXIMISED ? "maximise"
                      : showCommand == SHOW_HIDE      ? "hide"
                                                      : "show");
}
}  // namespace

namespace {
// The body of the RaiseMainWindow hook (core/window_state.h).
void RaiseWindow() {
  if (!PlatformWindowExists()) return;
  PlatformRaiseWindow();
  LogLine("window : to the front");
}
}  // namespace

namespace {
// The body of the MainWindowClientSize hook (core/window_state.h).
int ReadClientSize(int& width, int& height) {
  PlatformRect r;
  if (!PlatformClientRect(r)) return 0;
  if (PlatformWindowMinimised()) {
    width = height = 0;
  } else {
    width = r.Width();
    height = r.Height();
  }
  return 1;
}
}  // namespace

// ---- [Messages] ----

void MainWndProc(const WindowMessage& message) {
  switch (message.id) {
    case MSG_DESTROY:
      QuitFlag = 1;
      break;
    case MSG_ACTIVATE:
      HandleActivate(static_cast<int>(message.wParam));
      break;
    case MSG_PAINT:
      if (!GraphicsEnabled && DedicatedMode < 3) UpdateStatusOutput();
      break;
    case MSG_CLOSE:
      RequestExit(0, "WM_CLOSE");
      break;
    case MSG_SIZE:
      LogF("window size %d x %d", static_cast<int>(message.wParam), static_cast<int>(message.lParam));
      ResizeRequest = 1;
      if (NormalWindow()) RememberWindowRect();
      break;
    case MSG_MOVE:
      if (IsFullScreen()) {
        if (SwapChainFullScreenDiffers()) NoteLostFullScreen();
      } else if (NormalWindow()) {
        RememberWindowRect();
      }
      break;
    case MSG_INPUTLANGCHANGE:
      ImeStateNeedsUpdate = 1;
      break;
    case MSG_IME_COMPOSITION:
      OnIMEComposition(static_cast<uint32_t>(message.wParam));
      break;
    case MSG_DISPLAYCHANGE:
      UpdateCursorClip();
      break;
    case MSG_KEYDOWN:
    case MSG_SYSKEYDOWN:
      HandleKeyDown(static_cast<int>(message.wParam), message.lParam);
      break;
    case MSG_KEYUP:
    case MSG_SYSKEYUP:
      HandleKeyUp(static_cast<int>(message.wParam));
      break;
    case MSG_CHAR:
    case MSG_SYSCHAR: {
      // Typed text arrives as Unicode; processes read characters of the input code page.
      char bytes[4];
      const int count = CharacterToCodePage(static_cast<uint32_t>(message.wParam), InputCodePage, bytes);
      for (int i = 0; i < count; ++i) HandleCharMessage(static_cast<uint8_t>(bytes[i]));
      break;
    }
    case MSG_MOUSEMOVE:
      g_state.movePending = 1;
      g_state.moveWParam = message.wParam;
      g_state.moveLParam = message.lParam;
      break;
    case MSG_LBUTTONDOWN:
    case MSG_LBUTTONUP:
    case MSG_RBUTTONDOWN:
    case MSG_RBUTTONUP:
    case MSG_MBUTTONDOWN:
    case MSG_MBUTTONUP:
    case MSG_MOUSEWHEEL:
      DeliverDeferredMouseMove();
      HandleMouseInput(message.id, message.wParam, message.lParam);
      break;
    case MSG_MOUSELEAVE:
      MouseInWindow = 0;
      MouseLeaveTracking = 0;
      break;
    case MSG_USER:
      KeyboardTranslating = static_cast<int>(message.wParam);
      break;
    default:
      break;
  }
}

void HandleActivate(int state) {
  if (state == 0 || state > 2) {
    WindowInactive = 1;
    // Keys released while another window had the focus are never seen: none stays held.
    ClearHeldKeys();
    return;
  }
  WindowInactive = 0;
  RenderTexturesNeedRefresh = 1;
  UpdateCursorClip();
  if (g_state.fullScreenLost) {
    g_state.fullScreenLost = 0;
    AddMessage(state == 2 ? "WA_CLICKACTIVE" : "WA_ACTIVE", TextColours.yellow, MSG_TARGET_LOCAL);
    FullScreenRequest = FullScreenModeIndex;
  }
}

// ---- [Keys] ----

namespace {
// The body of the HandleKeyDown hook (core/window_state.h).
void KeyDown(int key, int64_t keyData) {
  if (ExitRequested) return;
  if (g_state.swallowRepeat) {
    if (keyData & KEY_DATA_REPEAT) return;
    g_state.swallowRepeat = 0;
  }
  if (key >= KEY_F1 && key <= KEY_F12 && !ShiftHeld && HandleFunctionKey(key)) return;
  if (AltHeld) {
    if (key == KEY_ENTER) {
      if (WindowKeysAllowed()) RequestBorderless(BORDERLESS_MONITOR);
      return;
    }
    if (key < KEY_A || key > KEY_A + 25) return;
  }
  if (ShiftHeld && key >= KEY_F1 + 4 && key <= KEY_F12 && HandleShiftFunctionKey(key)) return;

  switch (key) {
    case KEY_BACKSPACE:
      if (!DialogOpen && !TextEntryActive) {
        ToggleOnscreenKeyboard();
        g_state.swallowRepeat = 1;
        return;
      }
      break;
    case KEY_TAB:
      if (CtrlHeld) {
        StepResultsDisplay();
        return;
      }
      break;
    case KEY_SHIFT:
      ShiftHeld = 1;
      return;
    case KEY_CTRL:
      CtrlHeld = 1;
      return;
    case KEY_ALT:
      AltHeld = 1;
      g_state.altCount = 0;
      return;
    case KEY_PAUSE:
    case KEY_NUM_LOCK:
    case KEY_SCROLL_LOCK:
      return;
    case KEY_PAGE_UP:
    case KEY_PAGE_DOWN:
      PageKeysHeld[key - KEY_PAGE_UP] = 1;
      DeliverCode(key == KEY_PAGE_UP ? KEYCODE_PAGE_UP : KEYCODE_PAGE_DOWN);
      return;
    case KEY_HOME:
      DeliverCode(KEYCODE_HOME);
      return;
    case KEY_END:
      DeliverCode(KEYCODE_END);
      return;
    case KEY_UP:
    case KEY_DOWN:
    case KEY_RIGHT:
    case KEY_LEFT: {
      const int arrow = key == KEY_UP ? 0 : key == KEY_DOWN ? 1 : key == KEY_RIGHT ? 2 : 3;
      if (!DialogOpen) ArrowKeysHeld[arrow] = 1;
      DeliverCode(KEYCODE_UP + arrow);
      return;
    }
    case KEY_INSERT:
      DeliverCode(CtrlHeld ? KEYCODE_COPY : ShiftHeld ? KEYCODE_PASTE : KEYCODE_INSERT);
      return;
    case KEY_DELETE:
      DeliverCode(ShiftHeld ? KEYCODE_CUT : KEYCODE_DELETE);
      return;
    case KEY_MINUS:
    case KEY_PAD_MINUS:
      if (RawKeyProcess()) {
        const int mode = ShiftHeld ? 2 : 1;
        SendBlockRequest(LastBlockModeSent == mode ? 0 : mode);
        g_state.swallowRepeat = 1;
        return;
      }
      break;
    case KEY_SLASH:
    case KEY_PAD_DIVIDE:
      // Only where keys are commands: a text field takes its "/" as a character.
      if (RawKeyProcess()) {
        StartTypedMessage(0, "/");
        return;
      }
      break;
    case KEY_F1:
    case KEY_F1 + 1:
    case KEY_F1 + 2:
      DeliverCode(KEYCODE_F1 + (key - KEY_F1));
      return;
    case KEY_F1 + 3:
      if (!ShiftHeld) ToggleF4();
      return;
    default:
      break;
  }

  if (CtrlHeld) {
    switch (key) {
      case 'C': DeliverCode(KEYCODE_COPY); return;
      case 'V': DeliverCode(KEYCODE_PASTE); return;
      case 'X': DeliverCode(KEYCODE_CUT); return;
      case 'E': SkyOptions ^= 2u; return;
      case 'H': ClearMessages(); return;
      case 'M': ToggleMouseLock(); return;
      case 'P': ScreenshotRequest = 2; return;
      case 'S': ScreenshotRequest = 1; return;
      case 'T': RequestPositionUpdates(PositionUpdateKind ^ 1, 1); return;
      default: break;
    }
    if (key >= KEY_A && key <= KEY_A + 25) {
      DeliverCode(KEYCODE_CTRL_LETTER + key);
    } else if (IsDigitKey(key)) {
      DeliverCode(key);
    } else if (key < 256) {
      SetKeyState(key);
    }
    return;
  }

  if ((key == 'H' || key == 'T') && !ShiftHeld && !EditorOpen()) {
    if (!CurrentProcess) {
      SetKeyState(key);
      return;
    }
    if (CurrentProcess->rawKeys) {
      if (key == 'H')
        ToggleMessageHistory();
      else
        StartTypedMessage(0, nullptr);
      return;
    }
  }
  if (key > 0 && key < 256) DeliverPlainKey(key);
}
}  // namespace

namespace {
// The body of the HandleKeyUp hook (core/window_state.h).
void KeyUp(int key) {
  switch (key) {
    case KEY_SHIFT:
      ShiftHeld = 0;
      return;
    case KEY_CTRL:
      CtrlHeld = 0;
      return;
    case KEY_ALT: {
      AltHeld = 0;
      if (g_state.altCount == 0) return;
      int character = 0;
      for (int i = 0; i < g_state.altCount; ++i) character = character * 10 + g_state.altDigits[i];
      g_state.altCount = 0;
      if (character < 32 || character > 255 || character == 127) return;
      DeliverCode(character);
      return;
    }
    case KEY_PAGE_UP:
    case KEY_PAGE_DOWN:
      PageKeysHeld[key - KEY_PAGE_UP] = 0;
      return;
    case KEY_UP: ArrowKeysHeld[0] = 0; return;
    case KEY_DOWN: ArrowKeysHeld[1] = 0; return;
    case KEY_RIGHT: ArrowKeysHeld[2] = 0; return;
    case KEY_LEFT: ArrowKeysHeld[3] = 0; return;
    default:
      if (key > 0 && key < 256) KeyState[key] = 0;
      return;
  }
}
}  // namespace

void SimulateKeyPress(int ctrl, int shift, int alt, int key) {
  const int ctrlWas = CtrlHeld, shiftWas = ShiftHeld, altWas = AltHeld;
  CtrlHeld = ctrl;
  ShiftHeld = shift;
  AltHeld = alt;
  HandleKeyDown(key, 0);
  HandleKeyUp(key);
  CtrlHeld = ctrlWas;
  ShiftHeld = shiftWas;
  AltHeld = altWas;
}

int CommitPendingEdit() {
  if (SwallowNextKey) {
    SwallowNextKey = 0;
    CommitValueEdit();
    return 1;
  }
  return CommitValueEdit();
}

int AltNumberDigits() { return g_state.altCount; }

// ---- [Characters] ----

namespace {
// The body of the HandleCharMessage hook (core/window_state.h).
void CharMessage(int character) {
  if (ExitRequested) return;
  if (!CurrentProcess || CurrentProcess->rawKeys) return;
  if (AltHeld) {
    if (character >= '0' && character <= '9') {
      if (g_state.altCount < ALT_DIGITS_MAX)
        g_state.altDigits[g_state.altCount++] = character - '0';
      else
        PlayUISound(ERROR_SOUND);
      return;
    }
    if (character == KEY_ENTER) return;
  }
  DeliverCode(character);
}
}  // namespace

// ---- [Mouse] ----

void HandleMouseInput(uint32_t message, uint64_t wParam, int64_t lParam) {
  MouseRecord& m = g_state.mouse;
  m.clickCode = m.releaseCode = m.wheel = 0;
  bool located = false;  // the event carries a new pointer position
  switch (message) {
    case MSG_MOUSEMOVE:
      MouseInWindow = 1;
      located = true;
      break;
    case MSG_LBUTTONDOWN:
    case MSG_RBUTTONDOWN:
    case MSG_MBUTTONDOWN:
      m.clickCode = message == MSG_LBUTTONDOWN ? CLICK_LEFT : message == MSG_RBUTTONDOWN ? CLICK_RIGHT : CLICK_MIDDLE;
      if (message == MSG_MBUTTONDOWN) KeyState[KEY_STATE_MIDDLE] = 1;
      PlatformCaptureMouse(1);
      located = true;
      break;
    case MSG_LBUTTONUP:
    case MSG_RBUTTONUP:
    case MSG_MBUTTONUP:
      // The capture lasts while any button is down, so other windows get their clicks.
      if (!(wParam & (MOUSE_LEFT_DOWN | MOUSE_RIGHT_DOWN | MOUSE_MIDDLE_DOWN))) PlatformCaptureMouse(0);
      if (message == MSG_MBUTTONUP) {
        KeyState[KEY_STATE_MIDDLE] = 0;
        return;
      }
      m.releaseCode = message == MSG_LBUTTONUP ? CLICK_LEFT : CLICK_RIGHT;
      break;
    case MSG_MOUSEWHEEL: {
      const int x = PointParamX(lParam), y = PointParamY(lParam);
      const int16_t step = static_cast<int16_t>(static_cast<uint16_t>(wParam >> 16));
      if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight || step == 0) return;
      m.wheel = step > 0 ? 1 : 2;
      KeyState[step > 0 ? KEY_STATE_WHEEL_UP : KEY_STATE_WHEEL_DOWN] = 1;
      break;
    }
    default:
      return;
  }
  if (m.releaseCode && OnscreenKeyboardShown) ReleaseOnscreenKeyboardModifiers();

  if (located) {
    int x = PointParamX(lParam), y = PointParamY(lParam);
    ScaleForCapture(x, y);
    m.dx = x - MouseX;
    m.dy = y - MouseY;
    MouseX = x;
    MouseY = y;
    UpdatePointerInView(MouseX, MouseY);
  } else {
    m.dx = m.dy = 0;
  }
  m.leftHeld = (wParam & MOUSE_LEFT_DOWN) ? 1 : 0;
  m.rightHeld = (wParam & MOUSE_RIGHT_DOWN) ? 1 : 0;
  KeyState[KEY_STATE_LEFT] = static_cast<uint8_t>(m.leftHeld);
  KeyState[KEY_STATE_RIGHT] = static_cast<uint8_t>(m.rightHeld);
  if (m.clickCode) {
    if (wParam & MOUSE_CTRL_DOWN) m.clickCode += CLICK_CTRL;
    if (wParam & MOUSE_SHIFT_DOWN) m.clickCode += CLICK_SHIFT;
  }
  Prss_DeliverMouse(&m);
}

int DeferredMouseMovePending() { return g_state.movePending; }

void DeliverDeferredMouseMove() {
  if (!g_state.movePending) return;
  g_state.movePending = 0;
  HandleMouseInput(MSG_MOUSEMOVE, g_state.moveWParam, g_state.moveLParam);
  MouseLeaveTracking = 1;  // the window layer reports the pointer leaving
}

void CentreCursorInView() {
  if (!GraphicsEnabled || VrEnabled) return;
  const View& v = PointerView();
  const int x = v.right > v.left ? v.centreX : ScreenWidth / 2;
  const int y = v.bottom > v.top ? v.centreY : ScreenHeight / 2;
  MouseX = x;
  MouseY = y;
  UpdatePointerInView(x, y);
  PlatformWarpMouse(x, y);
}

void SetSystemCursorVisible(int visible) { PlatformShowCursor(visible); }

namespace {
// The body of the ClipCursorToClient hook (core/window_state.h).
void ClipCursor(int clip) { PlatformClipCursor(clip); }
}  // namespace

// ---- [Requests] ----

void RequestFullScreenMode(int modeIndex) {
  if (modeIndex == -1) return;
  if (IsFullScreen() && FullScreenModeIndex == modeIndex)
    GoWindowedRequest = 1;
  else
    FullScreenRequest = modeIndex;
}

void RequestBorderless(int kind) {
  if (!IsFullScreen() && CfgBorderlessWindow == kind) {
    WindowRequest = WINDOW_REQUEST_NORMAL;
    return;
  }
  GoWindowedRequest = 1;
  WindowRequest = kind;
}

void ToggleMouseLock() {
  const bool fullScreen = IsFullScreen() != 0;
  const uint32_t bit = fullScreen ? MOUSE_LOCK_FULLSCREEN : MOUSE_LOCK_WINDOW;
  CfgScreenFlags ^= bit;
  const bool locked = (CfgScreenFlags & bit) != 0;
  ClipCursorToClient(locked ? 1 : 0);
  char line[128];
  std::snprintf(line, sizeof line, "%s %s",
                LanguageTexts[locked ? TX_3a_ctrcclip : TX_3a_ctrcfree],
                LanguageTexts[fullScreen ? TX_3a_fullstxt : TX_3a_windotxt]);
  ShowMessage(line, TextColours.grey);
}

void SelectScreenPanel(int panel) { ScreenPanel = ScreenPanel == panel ? 0 : panel; }
void SetScreenPanel(int panel) { ScreenPanel = panel; }

void SendFunctionKeyMessage(int index) {
  if (index < 0 || index >= FUNCTION_KEY_MESSAGES) return;
  const char* text = FunctionKeyMessage(index);
  if (!text || !text[0]) return;
  if (!CanSendChat()) return;
  Prss_SendMessage(nullptr, text, SOURCE_KEY);
}

// ---- [Media reload] ----

void ReleaseMediaForReload() {
  const int streaming = SoundStreaming;
  if (streaming) PauseMusicStream();
  ResetForDeviceReload();
  ReleaseGlyphCache();
  LoadSystemTextures();
  if (WorldLoaded()) RebuildWorldObjectMeshes();
  RebuildHumanMeshes();
  ReloadSetupCarModel(0);
  ReloadAllCarModels(0);
  ReloadGarageCarModel(0);
  ReloadThumbnailTextures();
  RebuildViewObjects();
  ReloadEditorTextures();
  if (streaming && !RestartMusicStream()) ShowFailedMessage("Play:S");
  FrameSkipped = 1;
}

// ---- [Status output] ----

void PrepareStatusOutput() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  g_state.statusShown = 0;
  g_state.statusLine[0] = 0;
  OpenCommandEntryLine(64);
  if (DedicatedMode >= 3) return;  // invisible: no status at all
  std::printf("%s %s\n", DedicatedMode ? "ZKT dedicated host" : "ZKT", PROGRAM_VERSION);
  std::printf("Vehicle editor - status without graphics\n");
  UpdateStatusOutput();
}

void UpdateStatusOutput() {
  if (GraphicsEnabled || DedicatedMode >= 3) return;
  char line[sizeof g_state.statusLine];
  StatusOutputLine(line, sizeof line);
  if (g_state.statusShown && std::strcmp(line, g_state.statusLine) == 0) return;
  std::snprintf(g_state.statusLine, sizeof g_state.statusLine, "%s", line);
  g_state.statusShown = 1;
  std::printf("%s\n", line);
}

void ReleaseStatusOutput() { std::fflush(stdout); }

void ResetMainWindowState() {
  ClearHeldKeys();
  SwallowNextKey = 0;
  MouseX = MouseY = 0;
  MouseInWindow = MouseLeaveTracking = 0;
  WindowInactive = 0;
  FullScreenRequest = -1;
  GoWindowedRequest = WindowRequest = ResizeRequest = ReinitialiseRequest = 0;
  ScreenPanel = 0;
  const int videoStarted = g_state.videoStarted;
  g_state = WindowModuleState{};
  g_state.videoStarted = videoStarted;
}

void InstallMainWindowHooks() {
  SetWindowMode = PlaceWindow;
  ShowMainWindow = ShowWindowAs;
  RaiseMainWindow = RaiseWindow;
  MainWindowClientSize = ReadClientSize;
  ClipCursorToClient = ClipCursor;
  HandleKeyDown = KeyDown;
  HandleKeyUp = KeyUp;
  HandleCharMessage = CharMessage;
}
