// keys.h - the key numbers of key messages, shared by the window layer and the core.
//
// A key message carries one of these numbers: the classic PC key numbering, in which
// letters and main-row digits are their upper-case characters, so stored key bindings and
// the controls keep working whatever the keyboard layout.  Key data of a key message:
// bit 30 set on a repeat (the key was already down), bit 29 set while Alt is held, bit 31
// set on a release.
#pragma once
#include <cstdint>

enum KeyNumber : int {
  KEY_BACKSPACE = 8,
  KEY_TAB = 9,
  KEY_ENTER = 13,
  KEY_SHIFT = 16,
  KEY_CTRL = 17,
  KEY_ALT = 18,
  KEY_PAUSE = 19,
  KEY_CAPS_LOCK = 20,
  KEY_ESCAPE = 27,
  KEY_SPACE = 32,
  KEY_PAGE_UP = 33,
  KEY_PAGE_DOWN = 34,
  KEY_END = 35,
  KEY_HOME = 36,
  KEY_LEFT = 37,
  KEY_UP = 38,
  KEY_RIGHT = 39,
  KEY_DOWN = 40,
  KEY_PRINT_SCREEN = 44,
  KEY_INSERT = 45,
  KEY_DELETE = 46,
  KEY_0 = 48,  // '0'..'9' follow
  KEY_A = 65,  // 'A'..'Z' follow
  KEY_LEFT_SYSTEM = 91,
  KEY_RIGHT_SYSTEM = 92,
  KEY_MENU = 93,
  KEY_PAD_0 = 96,  // keypad digits 96..105
  KEY_PAD_MULTIPLY = 106,
  KEY_PAD_PLUS = 107,
  KEY_PAD_SEPARATOR = 108,
  KEY_PAD_MINUS = 109,
  KEY_PAD_POINT = 110,
  KEY_PAD_DIVIDE = 111,
  KEY_F1 = 112,  // F1..F24 are 112..135
  KEY_F12 = 123,
  KEY_NUM_LOCK = 144,
  KEY_SCROLL_LOCK = 145,
  KEY_SEMICOLON = 186,
  KEY_EQUALS = 187,
  KEY_COMMA = 188,
  KEY_MINUS = 189,
  KEY_PERIOD = 190,
  KEY_SLASH = 191,
  KEY_BACKQUOTE = 192,
  KEY_LEFT_BRACKET = 219,
  KEY_BACKSLASH = 220,
  KEY_RIGHT_BRACKET = 221,
  KEY_QUOTE = 222,
  KEY_EXTRA_BACKSLASH = 226,  // the key beside left Shift on non-US keyboards
};

constexpr int64_t KEY_DATA_ALT = int64_t{1} << 29;
constexpr int64_t KEY_DATA_REPEAT = int64_t{1} << 30;
constexpr int64_t KEY_DATA_RELEASE = int64_t{1} << 31;

// Button and modifier bits of a mouse message's wParam.
constexpr uint64_t MOUSE_LEFT_DOWN = 0x01;
constexpr uint64_t MOUSE_RIGHT_DOWN = 0x02;
constexpr uint64_t MOUSE_SHIFT_DOWN = 0x04;
constexpr uint64_t MOUSE_CTRL_DOWN = 0x08;
constexpr uint64_t MOUSE_MIDDLE_DOWN = 0x10;

// One wheel notch; a wheel message carries the signed step in wParam's high 16 bits.
constexpr int WHEEL_NOTCH = 120;
