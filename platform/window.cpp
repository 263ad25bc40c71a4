// window.cpp - the top-level window over SDL2 and the translation of its events.
//
// Sections: [State] [Video] [Window] [Displays] [Cursor and mouse] [Key numbers] [Events]
#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <climits>

#include "platform/audio.h"
#include "platform/gfx.h"
#include "platform/image_clipboard.h"
#include "platform/key_input.h"
#include "platform/keys.h"
#include "platform/text_input.h"

// ---- [State] ----

namespace {

struct WindowState {
  SDL_Window* window = nullptr;
  uint32_t id = 0;
  int videoStarts = 0;
  int videoUp = 0;
  int captured = 0;
  int watchedFd = -1;           // the display connection a waiting loop watches, -1 none
  SDL_threadID mainThread = 0;  // the thread that pumps the events
};
WindowState g_window;

// What the translation has learnt from the events it saw.  SDL's own keyboard state is not
// used: it follows the device, not the queue, so it can be ahead of the event in hand.
struct TranslationState {
  bool leftShift = false, rightShift = false;
  bool leftCtrl = false, rightCtrl = false;
  bool leftAlt = false, rightAlt = false;
  uint64_t buttons = 0;  // MOUSE_LEFT_DOWN, MOUSE_RIGHT_DOWN, MOUSE_MIDDLE_DOWN
};
TranslationState g_held;

bool ShiftDown() { return g_held.leftShift || g_held.rightShift; }
bool CtrlDown() { return g_held.leftCtrl || g_held.rightCtrl; }
bool AltDown() { return g_held.leftAlt || g_held.rightAlt; }

uint64_t MouseBits() {
  uint64_t bits = g_held.buttons;
  if (ShiftDown()) bits |= MOUSE_SHIFT_DOWN;
  if (CtrlDown()) bits |= MOUSE_CTRL_DOWN;
  return bits;
}

// Events of other windows (the device may keep a hidden one of its own) are not ours.
// Pushed events that name no window are taken as the main window's.
bool ForOurWindow(uint32_t windowId) { return windowId == 0 || windowId == g_window.id; }

int WakeForOtherThreadsEvent(void*, SDL_Event*) {
  // The main thread collects its own events before it waits.
  if (SDL_ThreadID() != g_window.mainThread) WakeMessageWait();
  return 1;
}

}  // namespace

// ---- [Video] ----

// Once started, video stays up with its GL library loaded until the process ends: a GL
// driver unloaded and loaded again (a window made again, in tests) leaks inside itself,
// and the system takes everything back at exit anyway.
int PlatformVideoStart() {
  if (!g_window.videoUp) {
    // Compositions longer than an editing event's 32 bytes arrive whole.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
    g_window.videoUp = 1;
    if (SDL_GL_LoadLibrary(nullptr) != 0) SDL_ClearError();  // windows without GL still work
  }
  ++g_window.videoStarts;
  return 1;
}

void PlatformVideoStop() {
  if (g_window.videoStarts > 0) --g_window.videoStarts;
}

const char* PlatformLastError() { return SDL_GetError(); }

int PlatformVideoHasDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return 0;
  if (SDL_strcasecmp(driver, "offscreen") != 0 && SDL_strcasecmp(driver, "dummy") != 0) return 1;
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked && SDL_strcasestr(asked, driver) ? 1 : 0;
}

// ---- [Window] ----

int PlatformCreateWindow(const char* title, int x, int y, int width, int height, uint32_t flags) {
  if (g_window.window) return 1;
  Uint32 sdlFlags = SDL_WINDOW_RESIZABLE;
  if (flags & WINDOW_OPENGL) sdlFlags |= SDL_WINDOW_OPENGL;
  if (flags & WINDOW_HIDDEN) sdlFlags |= SDL_WINDOW_HIDDEN;
  g_window.window = SDL_CreateWindow(title, x, y, std::max(width, 1), std::max(height, 1), sdlFlags);
  if (!g_window.window) return 0;
  g_window.id = SDL_GetWindowID(g_window.window);
  g_window.captured = 0;
  ResetEventTranslation();
  return 1;
}

void PlatformDestroyWindow() {
  if (!g_window.window) return;
  PlatformReleaseClipboardPicture();  // it works through this window's display
  SetMessageSource(nullptr);
  SDL_DelEventWatch(WakeForOtherThreadsEvent, nullptr);
  UnwatchDescriptor(g_window.watchedFd);
  g_window.watchedFd = -1;
  LimitMessageWait(0);
  if (g_window.captured) SDL_CaptureMouse(SDL_FALSE);
  SDL_DestroyWindow(g_window.window);
  g_window.window = nullptr;
  g_window.id = 0;
  g_window.captured = 0;
  ResetEventTranslation();
}

int PlatformWindowExists() { return g_window.window != nullptr; }
void* PlatformWindowHandle() { return g_window.window; }
uint32_t PlatformWindowId() { return g_window.id; }

void PlatformSetWindowFramed(int framed) {
  if (!g_window.window) return;
  SDL_SetWindowBordered(g_window.window, framed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(g_window.window, framed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowAlwaysOnTop(g_window.window, SDL_FALSE);
}

void PlatformShowWindow(int show) {
  SDL_Window* w = g_window.window;
  if (!w) return;
  switch (show) {
    case SHOW_HIDE:
      SDL_HideWindow(w);
      break;
    case SHOW_MINIMISED:
      SDL_ShowWindow(w);
      SDL_MinimizeWindow(w);
      break;
    case SHOW_MAXIMISED:
      SDL_ShowWindow(w);
      SDL_MaximizeWindow(w);
      break;
    default:
      SDL_ShowWindow(w);
      if (SDL_GetWindowFlags(w) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(w);
      break;
  }
}

void PlatformSetLeastClientSize(int width, int height) {
  if (g_window.window) SDL_SetWindowMinimumSize(g_window.window, std::max(width, 1), std::max(height, 1));
}

void PlatformPlaceClient(const PlatformRect& client) {
  if (!g_window.window) return;
  SDL_SetWindowSize(g_window.window, std::max(client.Width(), 1), std::max(client.Height(), 1));
  SDL_SetWindowPosition(g_window.window, client.left, client.top);
}

int PlatformClientRect(PlatformRect& out) {
  if (!g_window.window) return 0;
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(g_window.window, &x, &y);
  SDL_GetWindowSize(g_window.window, &w, &h);
  out = PlatformRect{x, y, x + w, y + h};
  return 1;
}

int PlatformWindowMinimised() {
  return g_window.window && (SDL_GetWindowFlags(g_window.window) & SDL_WINDOW_MINIMIZED) ? 1 : 0;
}

int PlatformWindowMaximised() {
  return g_window.window && (SDL_GetWindowFlags(g_window.window) & SDL_WINDOW_MAXIMIZED) ? 1 : 0;
}

int PlatformWindowFocused() {
  return g_window.window && (SDL_GetWindowFlags(g_window.window) & SDL_WINDOW_INPUT_FOCUS) ? 1 : 0;
}

void PlatformRaiseWindow() {
  if (g_window.window) SDL_RaiseWindow(g_window.window);
}

void PlatformAllowScreenSaver(int allow) {
  if (allow)
    SDL_EnableScreenSaver();
  else
    SDL_DisableScreenSaver();
}

// ---- [Displays] ----

namespace {
const PlatformRect* g_fakeDisplays = nullptr;
int g_fakeDisplayCount = 0;
}  // namespace

void PlatformUseFakeDisplays(const PlatformRect* displays, int count) {
  g_fakeDisplays = displays;
  g_fakeDisplayCount = displays ? std::max(count, 0) : 0;
}

int PlatformDisplayCount() {
  if (g_fakeDisplays) return g_fakeDisplayCount;
  return std::max(SDL_GetNumVideoDisplays(), 0);
}

int PlatformDisplayBounds(int index, PlatformRect& out) {
  if (g_fakeDisplays) {
    if (index < 0 || index >= g_fakeDisplayCount) return 0;
    out = g_fakeDisplays[index];
    return 1;
  }
  SDL_Rect r;
  if (SDL_GetDisplayBounds(index, &r) != 0) return 0;
  out = PlatformRect{r.x, r.y, r.x + r.w, r.y + r.h};
  return 1;
}

int PlatformDisplayNearest(const PlatformRect& rect) {
  int best = -1;
  int64_t bestArea = -1;
  int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < PlatformDisplayCount(); ++i) {
    PlatformRect d;
    if (!PlatformDisplayBounds(i, d)) continue;
    const int64_t w = std::min(rect.right, d.right) - std::max(rect.left, d.left);
    const int64_t h = std::min(rect.bottom, d.bottom) - std::max(rect.top, d.top);
    const int64_t area = (w > 0 && h > 0) ? w * h : 0;
    // Outside every display: the nearest one by the distance between the rectangles.
    const int64_t dx = std::max<int64_t>({0, int64_t{d.left} - rect.right, int64_t{rect.left} - d.right});
    const int64_t dy = std::max<int64_t>({0, int64_t{d.top} - rect.bottom, int64_t{rect.top} - d.bottom});
    const int64_t distance = dx * dx + dy * dy;
    if (area > bestArea || (area == 0 && bestArea == 0 && distance < bestDistance)) {
      best = i;
      bestArea = area;
      bestDistance = distance;
    }
  }
  return best;
}

void PlatformVirtualDesktop(PlatformRect& out) {
  bool any = false;
  for (int i = 0; i < PlatformDisplayCount(); ++i) {
    PlatformRect d;
    if (!PlatformDisplayBounds(i, d)) continue;
    if (!any) {
      out = d;
      any = true;
    } else {
      out.left = std::min(out.left, d.left);
      out.top = std::min(out.top, d.top);
      out.right = std::max(out.right, d.right);
      out.bottom = std::max(out.bottom, d.bottom);
    }
  }
  if (!any) out = PlatformRect{0, 0, 1920, 1080};
}

// ---- [Cursor and mouse] ----

void PlatformShowCursor(int show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }
int PlatformCursorShown() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE ? 1 : 0; }

void PlatformClipCursor(int clip) {
  if (g_window.window) SDL_SetWindowMouseGrab(g_window.window, clip ? SDL_TRUE : SDL_FALSE);
}

int PlatformCursorClipped() {
  return g_window.window && (SDL_GetWindowFlags(g_window.window) & SDL_WINDOW_MOUSE_GRABBED) ? 1 : 0;
}

void PlatformCaptureMouse(int capture) {
  if (!g_window.window || (capture != 0) == (g_window.captured != 0)) return;
  // Capture needs the focus; without it the request is only remembered, and the events of
  // a drag still arrive while the pointer stays over the window.
  SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
  g_window.captured = capture ? 1 : 0;
}

int PlatformMouseCaptured() { return g_window.captured; }

void PlatformWarpMouse(int x, int y) {
  if (g_window.window) SDL_WarpMouseInWindow(g_window.window, x, y);
}

// ---- [Key numbers] ----

int KeyNumberFromSdl(int scancode, int keycode, int numLock) {
  // Letters follow the keyboard layout, as the characters printed on the keys do.
  if (keycode >= 'a' && keycode <= 'z') return keycode - 'a' + KEY_A;
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return KEY_A + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return KEY_F1 + (scancode - SDL_SCANCODE_F1);
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) return KEY_F1 + 12 + (scancode - SDL_SCANCODE_F13);
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    const int digit = 1 + (scancode - SDL_SCANCODE_KP_1);
    if (numLock) return KEY_PAD_0 + digit;
    static const int NAVIGATION[10] = {0, KEY_END, KEY_DOWN, KEY_PAGE_DOWN, KEY_LEFT, 12, KEY_RIGHT, KEY_HOME, KEY_UP,
                                       KEY_PAGE_UP};
    return NAVIGATION[digit];
  }
  switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return KEY_ENTER;
    case SDL_SCANCODE_RETURN2: return KEY_ENTER;
    case SDL_SCANCODE_ESCAPE: return KEY_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return KEY_BACKSPACE;
    case SDL_SCANCODE_TAB: return KEY_TAB;
    case SDL_SCANCODE_SPACE: return KEY_SPACE;
    case SDL_SCANCODE_MINUS: return KEY_MINUS;
    case SDL_SCANCODE_EQUALS: return KEY_EQUALS;
    case SDL_SCANCODE_LEFTBRACKET: return KEY_LEFT_BRACKET;
    case SDL_SCANCODE_RIGHTBRACKET: return KEY_RIGHT_BRACKET;
    case SDL_SCANCODE_BACKSLASH: return KEY_BACKSLASH;
    case SDL_SCANCODE_NONUSHASH: return KEY_BACKSLASH;
    case SDL_SCANCODE_SEMICOLON: return KEY_SEMICOLON;
    case SDL_SCANCODE_APOSTROPHE: return KEY_QUOTE;
    case SDL_SCANCODE_GRAVE: return KEY_BACKQUOTE;
    case SDL_SCANCODE_COMMA: return KEY_COMMA;
    case SDL_SCANCODE_PERIOD: return KEY_PERIOD;
    case SDL_SCANCODE_SLASH: return KEY_SLASH;
    case SDL_SCANCODE_NONUSBACKSLASH: return KEY_EXTRA_BACKSLASH;
    case SDL_SCANCODE_CAPSLOCK: return KEY_CAPS_LOCK;
    case SDL_SCANCODE_PRINTSCREEN: return KEY_PRINT_SCREEN;
    case SDL_SCANCODE_SCROLLLOCK: return KEY_SCROLL_LOCK;
    case SDL_SCANCODE_PAUSE: return KEY_PAUSE;
    case SDL_SCANCODE_INSERT: return KEY_INSERT;
    case SDL_SCANCODE_HOME: return KEY_HOME;
    case SDL_SCANCODE_PAGEUP: return KEY_PAGE_UP;
    case SDL_SCANCODE_DELETE: return KEY_DELETE;
    case SDL_SCANCODE_END: return KEY_END;
    case SDL_SCANCODE_PAGEDOWN: return KEY_PAGE_DOWN;
    case SDL_SCANCODE_RIGHT: return KEY_RIGHT;
    case SDL_SCANCODE_LEFT: return KEY_LEFT;
    case SDL_SCANCODE_DOWN: return KEY_DOWN;
    case SDL_SCANCODE_UP: return KEY_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return KEY_NUM_LOCK;
    case SDL_SCANCODE_KP_DIVIDE: return KEY_PAD_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return KEY_PAD_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return KEY_PAD_MINUS;
    case SDL_SCANCODE_KP_PLUS: return KEY_PAD_PLUS;
    case SDL_SCANCODE_KP_ENTER: return KEY_ENTER;
    case SDL_SCANCODE_KP_0: return numLock ? KEY_PAD_0 : KEY_INSERT;
    case SDL_SCANCODE_KP_PERIOD: return numLock ? KEY_PAD_POINT : KEY_DELETE;
    case SDL_SCANCODE_KP_COMMA: return KEY_PAD_SEPARATOR;
    case SDL_SCANCODE_APPLICATION: return KEY_MENU;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return KEY_CTRL;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return KEY_SHIFT;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return KEY_ALT;
    case SDL_SCANCODE_LGUI: return KEY_LEFT_SYSTEM;
    case SDL_SCANCODE_RGUI: return KEY_RIGHT_SYSTEM;
    default: return 0;
  }
}

int DecodeUtf8(const char* text, uint32_t& codePoint) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  if (s[0] == 0) return 0;
  int length = 1;
  uint32_t value = s[0];
  uint32_t least = 0;
  if (s[0] >= 0xF0 && s[0] <= 0xF4) {
    length = 4;
    value = s[0] & 0x07;
    least = 0x10000;
  } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {  // 0xF5 to 0xFF lead nothing
    length = 3;
    value = s[0] & 0x0F;
    least = 0x800;
  } else if (s[0] >= 0xC2 && s[0] <= 0xDF) {
    length = 2;
    value = s[0] & 0x1F;
    least = 0x80;
  } else if (s[0] >= 0x80) {
    codePoint = 0xFFFD;
    return 1;
  }
  for (int i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) {  // cut short: the lead byte alone is bad
      codePoint = 0xFFFD;
      return 1;
    }
    value = (value << 6) | (s[i] & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
  codePoint = value;
  return length;
}

// ---- [Events] ----

namespace {

void NoteModifier(int scancode, bool down) {
  switch (scancode) {
    case SDL_SCANCODE_LSHIFT: g_held.leftShift = down; break;
    case SDL_SCANCODE_RSHIFT: g_held.rightShift = down; break;
    case SDL_SCANCODE_LCTRL: g_held.leftCtrl = down; break;
    case SDL_SCANCODE_RCTRL: g_held.rightCtrl = down; break;
    case SDL_SCANCODE_LALT: g_held.leftAlt = down; break;
    case SDL_SCANCODE_RALT: g_held.rightAlt = down; break;
    default: break;
  }
}

// Alt alone (not with Ctrl, which some layouts use for a third character on a key) makes a
// system key, whose characters are system characters.
bool SystemKeys() { return AltDown() && !CtrlDown(); }

int AltEntryDigit(int scancode) {
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return 1 + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0 || scancode == SDL_SCANCODE_KP_0) return 0;
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) return 1 + (scancode - SDL_SCANCODE_KP_1);
  return -1;
}

void TranslateKey(const SDL_KeyboardEvent& key) {
  const bool down = key.type == SDL_KEYDOWN;
  NoteModifier(key.keysym.scancode, down);
  const int number = KeyNumberFromSdl(key.keysym.scancode, key.keysym.sym, (key.keysym.mod & KMOD_NUM) ? 1 : 0);
  if (number == 0) return;
  const bool system = SystemKeys() || (number == KEY_ALT && !CtrlDown());
  int64_t data = 1;  // one key stroke
  if (AltDown()) data |= KEY_DATA_ALT;
  if (!down) data |= KEY_DATA_RELEASE | KEY_DATA_REPEAT;
  if (down && key.repeat) data |= KEY_DATA_REPEAT;
  const uint32_t id = down ? (system ? MSG_SYSKEYDOWN : MSG_KEYDOWN) : (system ? MSG_SYSKEYUP : MSG_KEYUP);
  PostWindowMessage(id, static_cast<uint64_t>(number), data);
  if (!down) return;

  // The characters text input does not give: the control keys and Alt-number digits.
  const uint32_t charId = SystemKeys() ? MSG_SYSCHAR : MSG_CHAR;
  if (const int control = ControlKeyCharacter(number, CtrlDown())) {
    PostWindowMessage(charId, static_cast<uint64_t>(control), data);
    return;
  }
  if (SystemKeys()) {
    const int digit = AltEntryDigit(key.keysym.scancode);
    if (digit >= 0) PostWindowMessage(MSG_SYSCHAR, static_cast<uint64_t>('0' + digit), data);
  }
}

void TranslateText(const SDL_TextInputEvent& text) {
  const char* p = text.text;
  uint32_t codePoint = 0;
  while (int length = DecodeUtf8(p, codePoint)) {
    p += length;
    if (codePoint < 32 || codePoint == 127) continue;  // made from the key itself
    if (SystemKeys() && codePoint >= '0' && codePoint <= '9') continue;  // made from the key itself
    PostWindowMessage(SystemKeys() ? MSG_SYSCHAR : MSG_CHAR, codePoint, 1);
  }
}

// The IME's composition: kept for the interface to read, announced by a message.
void TranslateEditing(const char* text, int start) {
  PlatformNoteComposition(text, start);
  PostWindowMessage(MSG_IME_COMPOSITION, IME_COMPOSITION_STRING | IME_COMPOSITION_CURSOR, start);
}

void TranslateButton(const SDL_MouseButtonEvent& button) {
  const bool down = button.type == SDL_MOUSEBUTTONDOWN;
  uint64_t bit = 0;
  uint32_t id = 0;
  switch (button.button) {
    case SDL_BUTTON_LEFT:
      bit = MOUSE_LEFT_DOWN;
      id = down ? MSG_LBUTTONDOWN : MSG_LBUTTONUP;
      break;
    case SDL_BUTTON_RIGHT:
      bit = MOUSE_RIGHT_DOWN;
      id = down ? MSG_RBUTTONDOWN : MSG_RBUTTONUP;
      break;
    case SDL_BUTTON_MIDDLE:
      bit = MOUSE_MIDDLE_DOWN;
      id = down ? MSG_MBUTTONDOWN : MSG_MBUTTONUP;
      break;
    default:
      return;
  }
  if (down)
    g_held.buttons |= bit;
  else
    g_held.buttons &= ~bit;
  PostWindowMessage(id, MouseBits(), PointParam(button.x, button.y));
}

void TranslateWheel(const SDL_MouseWheelEvent& wheel) {
  int steps = wheel.y;
  if (steps == 0 && wheel.preciseY != 0.0f) steps = wheel.preciseY > 0.0f ? 1 : -1;
  if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
  if (steps == 0) return;
  const int delta = std::clamp(steps * WHEEL_NOTCH, -32768, 32767);
  const uint64_t param = (static_cast<uint64_t>(static_cast<uint16_t>(delta)) << 16) | MouseBits();
  PostWindowMessage(MSG_MOUSEWHEEL, param, PointParam(wheel.mouseX, wheel.mouseY));
}

void PostClientSize() {
  PlatformRect r{0, 0, 0, 0};
  PlatformClientRect(r);
  PostWindowMessage(MSG_SIZE, static_cast<uint64_t>(r.Width()), r.Height());
}

void TranslateWindowEvent(const SDL_WindowEvent& w) {
  // What the window showed may be gone: its next frame is sent whole.
  switch (w.event) {
    case SDL_WINDOWEVENT_SHOWN: case SDL_WINDOWEVENT_EXPOSED: case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MAXIMIZED: case SDL_WINDOWEVENT_RESTORED: case SDL_WINDOWEVENT_DISPLAY_CHANGED:
      GfxWindowExposed();
      break;
    default: break;
  }
  switch (w.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED: PostWindowMessage(MSG_PAINT, 0, 0); break;
    case SDL_WINDOWEVENT_MOVED: PostWindowMessage(MSG_MOVE, 0, PointParam(w.data1, w.data2)); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      PostWindowMessage(MSG_SIZE, static_cast<uint64_t>(std::max(w.data1, 0)), std::max(w.data2, 0));
      break;
    case SDL_WINDOWEVENT_MINIMIZED: PostWindowMessage(MSG_SIZE, 0, 0); break;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: PostClientSize(); break;
    case SDL_WINDOWEVENT_LEAVE: PostWindowMessage(MSG_MOUSELEAVE, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      AudioNoteWindowFocus(1);
      PostWindowMessage(MSG_ACTIVATE, 1, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Keys and buttons released elsewhere are never seen: forget them.
      ResetEventTranslation();
      AudioNoteWindowFocus(0);
      PostWindowMessage(MSG_ACTIVATE, 0, 0);
      break;
    case SDL_WINDOWEVENT_CLOSE: PostWindowMessage(MSG_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED: PostWindowMessage(MSG_DISPLAYCHANGE, 0, 0); break;
    default: break;
  }
}

}  // namespace

void TranslateSdlEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (ForOurWindow(event.key.windowID)) TranslateKey(event.key);
      break;
    case SDL_TEXTINPUT:
      if (ForOurWindow(event.text.windowID)) TranslateText(event.text);
      break;
    case SDL_TEXTEDITING:
      if (ForOurWindow(event.edit.windowID)) TranslateEditing(event.edit.text, event.edit.start);
      break;
    case SDL_TEXTEDITING_EXT:
      if (ForOurWindow(event.editExt.windowID)) TranslateEditing(event.editExt.text, event.editExt.start);
      SDL_free(event.editExt.text);
      break;
    case SDL_MOUSEMOTION:
      if (ForOurWindow(event.motion.windowID))
        PostWindowMessage(MSG_MOUSEMOVE, MouseBits(), PointParam(event.motion.x, event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (ForOurWindow(event.button.windowID)) TranslateButton(event.button);
      break;
    case SDL_MOUSEWHEEL:
      if (ForOurWindow(event.wheel.windowID)) TranslateWheel(event.wheel);
      break;
    case SDL_WINDOWEVENT:
      if (ForOurWindow(event.window.windowID)) TranslateWindowEvent(event.window);
      break;
    case SDL_QUIT:  // the session or a signal asks the program to end
      PostWindowMessage(MSG_CLOSE, 0, 0);
      break;
    case SDL_DISPLAYEVENT: PostWindowMessage(MSG_DISPLAYCHANGE, 0, 0); break;
    case SDL_KEYMAPCHANGED: PostWindowMessage(MSG_INPUTLANGCHANGE, 0, 0); break;
    default: break;
  }
}

void ResetEventTranslation() { g_held = TranslationState{}; }

void PlatformCollectEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) TranslateSdlEvent(event);
}

void PlatformInstallEventSource() {
  SetMessageSource(PlatformCollectEvents);
  // A waiting loop wakes for the window's events: on X when the display's connection has
  // something to read (the collection before the wait has emptied what Xlib had read
  // already); events pushed by other threads wake it themselves.  The offscreen and dummy
  // drivers have no events from outside.  Another driver's connection is not ours to watch:
  // its waits are cut short instead, so its events come at most EVENT_POLL_MS late.
  g_window.mainThread = SDL_ThreadID();
  SDL_DelEventWatch(WakeForOtherThreadsEvent, nullptr);
  SDL_AddEventWatch(WakeForOtherThreadsEvent, nullptr);
  UnwatchDescriptor(g_window.watchedFd);
  g_window.watchedFd = -1;
  LimitMessageWait(0);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  const char* driver = SDL_GetCurrentVideoDriver();
  if (g_window.window && SDL_GetWindowWMInfo(g_window.window, &info) && info.subsystem == SDL_SYSWM_X11 &&
      info.info.x11.display) {
    g_window.watchedFd = ConnectionNumber(info.info.x11.display);
    WatchDescriptor(g_window.watchedFd);
  } else if (!driver || (SDL_strcasecmp(driver, "offscreen") != 0 && SDL_strcasecmp(driver, "dummy") != 0)) {
    LimitMessageWait(EVENT_POLL_MS);
  }
}
