// key_input.h - the system's keyboard as the on-screen keyboard sees it: what a key of a
// layout types at each level, the Caps Lock toggle, and key events sent into our own
// message queue as if the keys had been typed.
//
// Sections: [Layouts] [Sending]
//
// Layouts are known by number: the language in the low 16 bits and the layout in the high
// 16 bits (0x04090409 US English).  German and French have characters of their own; the
// characters of the US layout serve every other layout.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Layouts] ----
enum KeyLevel : int {
  KEY_LEVEL_PLAIN = 0,
  KEY_LEVEL_SHIFT = 1,
  KEY_LEVEL_ALTGR = 2,  // Ctrl and Alt held
};
constexpr uint32_t DEFAULT_KEYBOARD_LAYOUT = 0x04090409u;

// The layout number of a locale name ("de_DE.UTF-8" 0x04070407); the US layout for a
// language without a layout of its own or an empty name.
uint32_t KeyboardLayoutOfLocale(const char* localeName);

// What the key (platform/keys.h) types at the level with no other key held: the UTF-16
// character in *out and 1, -1 for a dead key (its accent in *out; the layout is left
// without a dead state), or 0 when the key types nothing there.
int TranslateKeyOnLayout(uint32_t layout, int key, int level, char16_t* out);

// The Caps Lock toggle: the keyboard's own, flipped by each Caps Lock press sent below.
bool CapsLockToggled();

// The character typing a control key makes (Backspace 8, or 127 with Ctrl; Tab 9; Enter 13,
// or 10 with Ctrl; Escape 27); 0 for other keys.
int ControlKeyCharacter(int key, bool ctrl);

// ---- [Sending] ----
// Posts a key's down or up message, and for a down the character the layout gives it with
// the modifiers sent down before it (Shift, Ctrl, Alt and Caps Lock), the way a typed key
// arrives.  A dead key's accent waits for the next key: a letter it sits on becomes the
// accented letter, Space gives the accent alone, anything else types both.
void SendKeyEvent(uint32_t layout, int key, bool down);
// The accent of a dead key still waiting for the next key, which then waits no more; 0 when
// none waits.  For keys that reach the screens without SendKeyEvent (the on-screen Space).
char16_t TakeWaitingAccent();
// Forgets the modifiers and a waiting accent (between tests).
void ResetSentKeys();
