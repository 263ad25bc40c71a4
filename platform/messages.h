// messages.h - the window message queue: what the frame loop's pump removes.
//
// Window, keyboard and mouse events arrive here as messages in the order they happened,
// next to messages the program posts to itself.  The message numbers are our own; the
// window procedure of the core gives them meaning.  Without a window the queue holds only
// posted messages, which is how tests drive the frame loop.
#pragma once
#include <cstdint>

enum MessageId : uint32_t {
  MSG_NONE = 0,
  MSG_QUIT,             // ends the frame loop
  MSG_CLOSE,            // the user closed the window
  MSG_DESTROY,
  MSG_ACTIVATE,         // wParam 1 active, 0 inactive
  MSG_PAINT,
  MSG_SIZE,             // the client size changed: wParam width, lParam height (0, 0 minimised)
  MSG_KEYDOWN,          // wParam key number (platform/keys.h), lParam key data (bit 30 repeat)
  MSG_KEYUP,
  MSG_SYSKEYDOWN,       // key with Alt held
  MSG_SYSKEYUP,
  MSG_CHAR,             // wParam character of the input code page
  MSG_MOUSEMOVE,        // lParam the client position (PointParam), wParam button and modifier bits
  MSG_LBUTTONDOWN,
  MSG_LBUTTONUP,
  MSG_RBUTTONDOWN,
  MSG_RBUTTONUP,
  MSG_MBUTTONDOWN,
  MSG_MBUTTONUP,
  MSG_MOUSEWHEEL,       // wParam high 16 bits the signed step (120 a notch), low 16 bits the bits
  MSG_MOUSELEAVE,
  MSG_SYSCHAR,          // a character typed with Alt held
  MSG_MOVE,             // the window moved: lParam the client area's top left (PointParam)
  MSG_DISPLAYCHANGE,    // a display was added, removed or changed its mode
  MSG_INPUTLANGCHANGE,  // the keyboard layout changed
  MSG_IME_COMPOSITION,  // the IME's composition changed: wParam its flags (platform/text_input.h)
  MSG_USER = 0x400,     // posted by the program itself (on-screen keyboard translation)
  MSG_INSTANCE_REQUEST = 0x8000,  // a request from a second instance
};

// A position in a message: x in the low 32 bits, y in the high 32 bits, both signed (a
// captured pointer may be left of or above the client area).
constexpr int64_t PointParam(int x, int y) {
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(y)) << 32) | static_cast<uint32_t>(x));
}
constexpr int PointParamX(int64_t param) { return static_cast<int32_t>(static_cast<uint32_t>(param)); }
constexpr int PointParamY(int64_t param) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(param) >> 32)); }

struct WindowMessage {
  uint32_t id = MSG_NONE;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

// Removes the oldest message; false when none is waiting.  Platform events (the window's)
// are collected first, then handed out in order with the posted ones.
bool PeekWindowMessage(WindowMessage& out);
// The same, but only when the oldest message passes the test; it stays waiting otherwise.
bool PeekWindowMessageIf(WindowMessage& out, bool (*accept)(const WindowMessage&));
void PostWindowMessage(uint32_t id, uint64_t wParam, int64_t lParam);
void ClearWindowMessages();
int  CountWindowMessages();

// Where platform events come from; the window layer installs its own source.
using MessageSource = void (*)();
void SetMessageSource(MessageSource collect);

// ---- [Waiting] ----
// A loop with nothing to do waits here instead of sleeping a millisecond at a time: until a
// message waits in the queue (posted, or an event the source collects), something can be read
// from a watched descriptor, another thread wakes the wait, or timeoutMs have passed.  Under
// the fake clock (platform/clock.h) it never blocks: with nothing to wake it the clock moves on
// by timeoutMs, so a test sees exactly when a loop would have woken.
enum WaitResult { WAIT_WOKEN = 0, WAIT_TIMED_OUT = 1 };
WaitResult WaitForMessages(uint32_t timeoutMs);
// From any thread: the wait under way (or the next one) returns at once.  Posts from other
// threads wake it by themselves.
void WakeMessageWait();
// Platform code: readable data on fd (or its end) wakes the wait: the window's display
// connection, the instance link's socket and connections, a line source's pipe.  At most
// WATCHED_DESCRIPTOR_MAX at once; watching a descriptor twice watches it once.
constexpr int WATCHED_DESCRIPTOR_MAX = 32;
void WatchDescriptor(int fd);
void UnwatchDescriptor(int fd);
// A source whose events arrive with nothing to wait on (a video driver whose connection the
// platform cannot watch) limits each wait to ms; 0 lifts the limit.
void LimitMessageWait(uint32_t ms);
