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
  MSG_SIZE,             // wParam width, lParam height (client pixels)
  MSG_KEYDOWN,          // wParam virtual key, lParam bit 30 set on repeat
  MSG_KEYUP,
  MSG_SYSKEYDOWN,       // key with Alt held
  MSG_SYSKEYUP,
  MSG_CHAR,             // wParam character of the input code page
  MSG_MOUSEMOVE,        // lParam x in the low 16 bits, y in the high 16 bits (client pixels)
  MSG_LBUTTONDOWN,
  MSG_LBUTTONUP,
  MSG_RBUTTONDOWN,
  MSG_RBUTTONUP,
  MSG_MBUTTONDOWN,
  MSG_MBUTTONUP,
  MSG_MOUSEWHEEL,       // wParam signed wheel delta (120 a notch)
  MSG_MOUSELEAVE,
  MSG_USER = 0x400,     // posted by the program itself (on-screen keyboard translation)
  MSG_INSTANCE_REQUEST = 0x8000,  // a request from a second instance
};

struct WindowMessage {
  uint32_t id = MSG_NONE;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

// Removes the oldest message; false when none is waiting.  Platform events (the window's)
// are collected first, then handed out in order with the posted ones.
bool PeekWindowMessage(WindowMessage& out);
void PostWindowMessage(uint32_t id, uint64_t wParam, int64_t lParam);
void ClearWindowMessages();
int  CountWindowMessages();

// Where platform events come from; the window layer installs its own source.
using MessageSource = void (*)();
void SetMessageSource(MessageSource collect);
