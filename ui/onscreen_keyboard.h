// onscreen_keyboard.h - the on-screen keyboard: keys drawn as interface controls, labelled
// with what the keyboard's layout types, that send key events as if typed.
//
// Sections: [Keys] [Layouts] [Labels] [Shown] [Pressing]
//
// Key numbers are those of platform/keys.h.  A press on a key sends its events through the
// message queue (platform/key_input.h), so the window's key handling and the text entry line
// get them in a later pump, like typed keys.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Keys] ----
// The keys whose labels come from the layout, in label order: Space, "0".."9", "A".."Z",
// then the punctuation keys.
constexpr int LABELLED_KEY_COUNT = 53;
extern const uint8_t LABELLED_KEYS[LABELLED_KEY_COUNT];
constexpr int KEY_ALTGR = 7;  // the right Alt key in the layout rows: Ctrl and Alt together

// The key's kind: 1 Escape, 2..13 F1..F12, 14 Backspace, 15 Tab, 16 Delete, 17 Caps Lock,
// 18 Enter, 19 Shift, 20 Ctrl, 21 Alt, 22 AltGr, 23..26 Up, Down, Left, Right, 27 Space,
// 28 + i the labelled key i; 0 for a key the keyboard does not have.
enum KeyKind : int {
  KEY_KIND_NONE = 0,
  KEY_KIND_ESCAPE = 1,
  KEY_KIND_F1 = 2,
  KEY_KIND_BACKSPACE = 14,
  KEY_KIND_CAPS_LOCK = 17,
  KEY_KIND_SHIFT = 19,
  KEY_KIND_CTRL = 20,
  KEY_KIND_ALT = 21,
  KEY_KIND_ALTGR = 22,
  KEY_KIND_UP = 23,
  KEY_KIND_SPACE = 27,
  KEY_KIND_LABELLED = 28,
};
int KeyKindOf(int key);
// The word or arrow byte a key of kinds 1..26 shows ("esc", "f1", "bksp", ...); "" otherwise.
const char* SpecialKeyWord(int kind);

// ---- [Layouts] ----
// A row entry: the width in units of 0.025 screen units (a normal key is 2) and the key; a
// key of 0 is a gap, a width of 0 ends the row.
struct KeyboardRowEntry {
  uint8_t width;
  uint8_t key;
};
constexpr int KEYBOARD_ROW_ENTRIES = 16;
constexpr int KEYBOARD_ROWS = 5;
struct KeyboardRows {
  KeyboardRowEntry rows[KEYBOARD_ROWS][KEYBOARD_ROW_ENTRIES];
};
extern const KeyboardRowEntry KEYBOARD_TOP_ROW[KEYBOARD_ROW_ENTRIES];  // Escape and F1..F12
// The rows of a layout number (language low, layout high 16 bits): chosen by the layout part.
const KeyboardRows& KeyboardRowsOf(uint32_t layout);

// ---- [Labels] ----
// A labelled key's characters in the input code page (0: none) and which are dead keys.
struct KeyLabel {
  uint8_t level[3];  // plain, Shift, AltGr
  uint8_t deadMask;  // 1 plain, 2 Shift, 4 AltGr
};
extern KeyLabel KeyLabels[LABELLED_KEY_COUNT];
extern uint32_t KeyboardLayout;  // the layout the labels were built for
// Builds the labels and chooses the rows for the keyboard's current layout.
void BuildKeyLabels();

// ---- [Shown] ----
extern int OnscreenKeyboardShown;
// The window's state flag that raises the keyboard, its top at -0.9 instead of -0.47: set
// while a text entry dialog is open (ui/dialogs.h), which then stands below the keyboard so
// that its prompt, entry line, buttons and list stay in sight.
extern int OnscreenKeyboardRaised;
float OnscreenKeyboardBottom();  // the keyboard's lower edge, raised or not
void ToggleOnscreenKeyboard();
// Adds the keyboard's controls for this frame (the labels are rebuilt first after a layout
// change).  Nothing is added once the value-control table is full.
void DoOnScreenKeyboard();

// ---- [Pressing] ----
// Modifiers toggled on the keyboard, applied to the next key; the key held by the mouse.
struct OnscreenKeyboardToggles {
  int shift, ctrl, alt;
  int heldKey;    // a character key sent down, 0 none
  int heldSpace;  // Space passed to the screen and not yet released
};
extern OnscreenKeyboardToggles KeyboardToggles;
// A press on a key (by key number) as the keyboard's control takes it.
void PressOnscreenKey(int key);
// On a mouse release: the held key and the modifiers sent with it go up, and the toggles are
// cleared.  Does nothing when no key is held, so a toggled Shift survives its own click.
void ReleaseOnscreenKeyboardModifiers();
void ResetOnscreenKeyboard();  // toggles, held key and labels (between tests)

// Set when the keyboard asks for the next key press to be translated; the pump brackets that
// key's characters with the user message (1 before, 0 after), kept in KeyboardTranslating.
extern int KeyboardWantsTranslation;
extern int KeyboardTranslating;
