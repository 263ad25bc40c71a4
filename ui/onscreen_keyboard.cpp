// onscreen_keyboard.cpp - the on-screen keyboard's layouts, labels, controls and key events.
#include "ui/onscreen_keyboard.h"

#include <algorithm>
#include <cstring>

#include "core/process.h"
#include "core/window_state.h"
#include "platform/key_input.h"
#include "platform/keys.h"
#include "platform/locale.h"
#include "text/code_pages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

int KeyboardWantsTranslation;
int KeyboardTranslating;
int OnscreenKeyboardShown;
int OnscreenKeyboardRaised;
KeyLabel KeyLabels[LABELLED_KEY_COUNT];
uint32_t KeyboardLayout = DEFAULT_KEYBOARD_LAYOUT;
OnscreenKeyboardToggles KeyboardToggles;

const uint8_t LABELLED_KEYS[LABELLED_KEY_COUNT] = {
    32,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  65,  66,  67,  68,  69,  70,  71,
    72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,
    90,  188, 190, 189, 187, 186, 191, 192, 219, 220, 221, 222, 223, 193, 194, 225, 226,
};

const KeyboardRowEntry KEYBOARD_TOP_ROW[KEYBOARD_ROW_ENTRIES] = {
    {6, KEY_ESCAPE}, {2, 0},   {4, 112}, {4, 113}, {4, 114}, {4, 115}, {2, 0},   {4, 116},
    {4, 117},        {4, 118}, {4, 119}, {2, 0},   {5, 120}, {5, 121}, {5, 122}, {5, 123},
};

namespace {

// ---- Layouts ----

#define K(key) {2, key}
#define DIGITS K('1'), K('2'), K('3'), K('4'), K('5'), K('6'), K('7'), K('8'), K('9'), K('0')
#define BOTTOM_ROW(altGr) {{3, KEY_CTRL}, {3, KEY_ALT}, {14, KEY_SPACE}, {3, altGr}, K(KEY_LEFT), K(KEY_DOWN), K(KEY_RIGHT), {3, KEY_CTRL}}

// The default (a wide Enter, the backslash above it).
constexpr KeyboardRows DEFAULT_ROWS = {{
    {K(192), DIGITS, K(189), K(187), {6, KEY_BACKSPACE}},
    {{3, KEY_TAB}, K('Q'), K('W'), K('E'), K('R'), K('T'), K('Y'), K('U'), K('I'), K('O'), K('P'), K(219), K(221),
     K(220), {3, KEY_DELETE}},
    {{4, KEY_CAPS_LOCK}, K('A'), K('S'), K('D'), K('F'), K('G'), K('H'), K('J'), K('K'), K('L'), K(186), K(222),
     {6, KEY_ENTER}},
    {{5, KEY_SHIFT}, K('Z'), K('X'), K('C'), K('V'), K('B'), K('N'), K('M'), K(188), K(190), K(191), K(KEY_UP),
     {5, KEY_SHIFT}},
    BOTTOM_ROW(KEY_ALTGR),
}};

// The shape of most European keyboards: a tall Enter, an extra key beside the left Shift,
// Delete beside Backspace.
constexpr KeyboardRows EUROPEAN_ROWS = {{
    {K(192), DIGITS, K(189), K(187), {4, KEY_BACKSPACE}, K(KEY_DELETE)},
    {{3, KEY_TAB}, K('Q'), K('W'), K('E'), K('R'), K('T'), K('Y'), K('U'), K('I'), K('O'), K('P'), K(219), K(221),
     {5, KEY_ENTER}},
    {{4, KEY_CAPS_LOCK}, K('A'), K('S'), K('D'), K('F'), K('G'), K('H'), K('J'), K('K'), K('L'), K(186), K(222),
     K(220), {4, KEY_ENTER}},
    {{3, KEY_SHIFT}, K(226), K('Z'), K('X'), K('C'), K('V'), K('B'), K('N'), K('M'), K(188), K(190), K(191),
     K(KEY_UP), {5, KEY_SHIFT}},
    BOTTOM_ROW(KEY_ALTGR),
}};

// German: Z and Y change places, the umlauts and the dead keys have keys of their own.
constexpr KeyboardRows GERMAN_ROWS = {{
    {K(220), DIGITS, K(219), K(221), {4, KEY_BACKSPACE}, K(KEY_DELETE)},
    {{3, KEY_TAB}, K('Q'), K('W'), K('E'), K('R'), K('T'), K('Z'), K('U'), K('I'), K('O'), K('P'), K(186), K(187),
     {5, KEY_ENTER}},
    {{4, KEY_CAPS_LOCK}, K('A'), K('S'), K('D'), K('F'), K('G'), K('H'), K('J'), K('K'), K('L'), K(192), K(222),
     K(191), {4, KEY_ENTER}},
    {{3, KEY_SHIFT}, K(226), K('Y'), K('X'), K('C'), K('V'), K('B'), K('N'), K('M'), K(188), K(190), K(189),
     K(KEY_UP), {5, KEY_SHIFT}},
    BOTTOM_ROW(KEY_ALTGR),
}};

// French: the letters A, Z, Q, W and M in their places, the extra keys of the right hand.
constexpr KeyboardRows FRENCH_ROWS = {{
    {K(222), DIGITS, K(219), K(187), {4, KEY_BACKSPACE}, K(KEY_DELETE)},
    {{3, KEY_TAB}, K('A'), K('Z'), K('E'), K('R'), K('T'), K('Y'), K('U'), K('I'), K('O'), K('P'), K(221), K(186),
     {5, KEY_ENTER}},
    {{4, KEY_CAPS_LOCK}, K('Q'), K('S'), K('D'), K('F'), K('G'), K('H'), K('J'), K('K'), K('L'), K('M'), K(192),
     K(220), {4, KEY_ENTER}},
    {{3, KEY_SHIFT}, K(226), K('W'), K('X'), K('C'), K('V'), K('B'), K('N'), K(188), K(190), K(191), K(223),
     K(KEY_UP), {5, KEY_SHIFT}},
    BOTTOM_ROW(KEY_ALTGR),
}};

#undef BOTTOM_ROW
#undef DIGITS
#undef K

// The US rows: the default with Alt on the right.
KeyboardRows MakeUsRows() {
  KeyboardRows rows = DEFAULT_ROWS;
  for (KeyboardRowEntry& e : rows.rows[4])
    if (e.key == KEY_ALTGR) e.key = KEY_ALT;
  return rows;
}

const KeyboardRows& UsRows() {
  static const KeyboardRows rows = MakeUsRows();
  return rows;
}

const KeyboardRows* RowsOfLayoutPart(uint16_t part) {
  // The layout parts with rows of their own (alone or shared) that are not drawn yet take
  // the European shape.
  static const uint16_t EUROPEAN[] = {
      1026, 1029, 1034, 1038, 1040, 1043, 1046, 1051, 1055, 1061, 2070, 4105,  // one each
      1030, 1035, 1044, 1053,                                                       // Nordic
      1032, 1048, 61459, 61605, 61606,                                              // Greek and Romanian
      1050, 1060, 2074,                                                             // Croatian
      2055, 4108,                                                                   // Swiss
      2057, 6153,                                                                   // UK and Irish
      2060, 2067,                                                                   // Belgian
      61610,                                                                        // as Bulgarian
  };
  if (part == 1033) return &UsRows();
  if (part == 1031) return &GERMAN_ROWS;
  if (part == 1036) return &FRENCH_ROWS;
  for (uint16_t p : EUROPEAN)
    if (p == part) return &EUROPEAN_ROWS;
  return nullptr;
}

// ---- Labels ----

constexpr int DEAD_KEY_FLAG_SHIFT = 24;  // VALUE_TYPE_PRESS_CALLBACK's red mark in the packed label

// The keyboard's locale: the one the code pages last saw, else the platform's.
uint32_t CurrentLayout() {
  const char* locale = KeyboardLocale();
  if (locale && locale[0]) return KeyboardLayoutOfLocale(locale);
  char name[64];
  InputLocaleName(name, sizeof name);
  return KeyboardLayoutOfLocale(name);
}

uint8_t InputByte(char16_t c) {
  char bytes[4];
  const int n = CharacterToCodePage(c, InputCodePage, bytes);
  return n > 0 ? static_cast<uint8_t>(bytes[0]) : 0;
}

bool g_labelsBuilt;
const KeyboardRows* g_rows = &DEFAULT_ROWS;

// ---- Controls ----

// The keyboard's controls belong to no screen; this stands in as their owner so that
// presses on them are taken (a control without owner takes none).
Prss g_keyboardOwner;

constexpr float TOP_NORMAL = -0.47f, TOP_RAISED = -0.9f;
constexpr float HEIGHT = 0.43f;
constexpr float LEFT = -0.4f;
constexpr float UNIT = 0.025f;       // a width unit of the five rows
constexpr float ROW_HEIGHT = 0.06f;
constexpr float KEY_INSET = 0.001f;  // between neighbouring keys, and at least a pixel, so
                                     // that their faces never run into one strip

float KeyInset() { return ScreenWidth > 0 ? std::max(KEY_INSET, 2.0f / static_cast<float>(ScreenWidth)) : KEY_INSET; }
constexpr uint8_t LABEL_NO_PANEL = 4;
constexpr uint32_t WHITE = 0xFFFFFFFFu;

void KeyControlPressed(void*, int code, uintptr_t word) {
  if (code == 0) return;  // the release of the press: the mouse release handles it
  PressOnscreenKey(static_cast<int>(word));
}

bool Toggled(int kind) {
  const OnscreenKeyboardToggles& t = KeyboardToggles;
  switch (kind) {
    case KEY_KIND_SHIFT: return t.shift != 0;
    case KEY_KIND_CTRL: return t.ctrl != 0;
    case KEY_KIND_ALT: return t.alt != 0;
    case KEY_KIND_ALTGR: return t.ctrl && t.alt;
    case KEY_KIND_CAPS_LOCK: return CapsLockToggled();
    default: return false;
  }
}

// The level character keys show: Shift alone 1, Ctrl and Alt 2, else 0.
int ShownLevel() {
  const OnscreenKeyboardToggles& t = KeyboardToggles;
  if (t.ctrl && t.alt) return KEY_LEVEL_ALTGR;
  if (t.shift && !t.ctrl && !t.alt) return KEY_LEVEL_SHIFT;
  return KEY_LEVEL_PLAIN;
}

// One key: a press control, with its word or arrow over it when it has one.
void AddKey(int key, float left, float top, float right, float bottom) {
  const int kind = KeyKindOf(key);
  if (kind == KEY_KIND_NONE) return;
  const bool on = Toggled(kind);
  intptr_t packed = 0;
  if (kind >= KEY_KIND_LABELLED) {
    const KeyLabel& label = KeyLabels[kind - KEY_KIND_LABELLED];
    const int level = ShownLevel();
    packed = label.level[level];
    if (label.deadMask & (1 << level)) packed |= intptr_t{1} << DEAD_KEY_FLAG_SHIFT;
  }
  ColourWord* colour = on ? &InterfaceColours.bigText : nullptr;
  if (AddValueControl(&g_keyboardOwner, reinterpret_cast<void*>(static_cast<uintptr_t>(key)), IvInt(packed), IvInt(0),
                      IvInt(0), VALUE_TYPE_PRESS_CALLBACK, colour, KeyControlPressed, left + KeyInset(), top,
                      right - KeyInset(), bottom) < 0)
    return;
  if (kind >= KEY_KIND_UP && kind < KEY_KIND_UP + 4) {
    // The arrows are raw glyphs of the character set, not characters of a code page.
    const int glyph = static_cast<uint8_t>(SpecialKeyWord(kind)[0]) - 32;
    const float size = 0.7f * (bottom - top);
    const float width = (CharMetrics[glyph].width + LetterSpacing) * size * TextHorizontalScale;
    QueueGlyphNarrowed(glyph, 0.5f * (left + right - width), 0.5f * (top + bottom - size), size, TextHorizontalScale,
                       WHITE);
  } else if (kind < KEY_KIND_SPACE) {
    AddValueControl(nullptr, nullptr, IvText(SpecialKeyWord(kind)), IvInt(0), IvInt(LABEL_NO_PANEL), VALUE_TYPE_LABEL,
                    on ? &TextColours.green : &TextColours.lightText, nullptr, left + KeyInset(), top,
                    right - KeyInset(), bottom);
  }
}

void AddRow(const KeyboardRowEntry* row, float unit, float top, float bottom) {
  float x = LEFT;
  for (int i = 0; i < KEYBOARD_ROW_ENTRIES && row[i].width; ++i) {
    const float right = x + unit * static_cast<float>(row[i].width);
    if (row[i].key) AddKey(row[i].key, x, top, right, bottom);
    x = right;
  }
}

void SendModifiers(bool down) {
  const OnscreenKeyboardToggles& t = KeyboardToggles;
  if (t.shift) SendKeyEvent(KeyboardLayout, KEY_SHIFT, down);
  if (t.ctrl) SendKeyEvent(KeyboardLayout, KEY_CTRL, down);
  if (t.alt) SendKeyEvent(KeyboardLayout, KEY_ALT, down);
}

void ClearToggles() {
  KeyboardToggles.shift = KeyboardToggles.ctrl = KeyboardToggles.alt = 0;
}

}  // namespace

// ---- [Keys] ----

int KeyKindOf(int key) {
  switch (key) {
    case KEY_ESCAPE: return KEY_KIND_ESCAPE;
    case KEY_BACKSPACE: return KEY_KIND_BACKSPACE;
    case KEY_TAB: return 15;
    case KEY_DELETE: return 16;
    case KEY_CAPS_LOCK: return KEY_KIND_CAPS_LOCK;
    case KEY_ENTER: return 18;
    case KEY_SHIFT: return KEY_KIND_SHIFT;
    case KEY_CTRL: return KEY_KIND_CTRL;
    case KEY_ALT: return KEY_KIND_ALT;
    case KEY_ALTGR: return KEY_KIND_ALTGR;
    case KEY_UP: return KEY_KIND_UP;
    case KEY_DOWN: return KEY_KIND_UP + 1;
    case KEY_LEFT: return KEY_KIND_UP + 2;
    case KEY_RIGHT: return KEY_KIND_UP + 3;
    case KEY_SPACE: return KEY_KIND_SPACE;
    default: break;
  }
  if (key >= KEY_F1 && key <= KEY_F12) return KEY_KIND_F1 + (key - KEY_F1);
  for (int i = 1; i < LABELLED_KEY_COUNT; ++i)
    if (LABELLED_KEYS[i] == key) return KEY_KIND_LABELLED + i;
  return KEY_KIND_NONE;
}

const char* SpecialKeyWord(int kind) {
  static const char* const WORDS[KEY_KIND_SPACE] = {
      "",     "esc",  "f1",  "f2",   "f3",    "f4",    "f5",   "f6",  "f7",  "f8",     "f9",     "f10",    "f11", "f12",
      "bksp", "tab",  "del", "caps", "enter", "shift", "ctrl", "alt", "alt", "\xB9", "\xBA", "\xB6", "\xB7",
  };
  return kind > 0 && kind < KEY_KIND_SPACE ? WORDS[kind] : "";
}

// ---- [Layouts] ----

const KeyboardRows& KeyboardRowsOf(uint32_t layout) {
  const KeyboardRows* rows = RowsOfLayoutPart(static_cast<uint16_t>(layout >> 16));
  return rows ? *rows : DEFAULT_ROWS;
}

// ---- [Labels] ----

void BuildKeyLabels() {
  KeyboardLayout = CurrentLayout();
  g_rows = &KeyboardRowsOf(KeyboardLayout);
  for (int i = 0; i < LABELLED_KEY_COUNT; ++i) {
    KeyLabel& label = KeyLabels[i];
    label = KeyLabel{};
    for (int level = KEY_LEVEL_PLAIN; level <= KEY_LEVEL_ALTGR; ++level) {
      char16_t c = 0;
      const int answer = TranslateKeyOnLayout(KeyboardLayout, LABELLED_KEYS[i], level, &c);
      if (answer == 0) break;  // the next levels are not asked
      label.level[level] = InputByte(c);
      if (answer < 0) label.deadMask = static_cast<uint8_t>(label.deadMask | (1 << level));
    }
  }
  g_labelsBuilt = true;
}

// ---- [Shown] ----

void ToggleOnscreenKeyboard() {
  OnscreenKeyboardShown ^= 1;
  // Hidden, it sees no mouse release: a key it holds is let go now, not left down.
  if (!OnscreenKeyboardShown) {
    ReleaseOnscreenKeyboardModifiers();
    KeyboardToggles = OnscreenKeyboardToggles{};
  }
}

float OnscreenKeyboardBottom() { return (OnscreenKeyboardRaised ? TOP_RAISED : TOP_NORMAL) + HEIGHT; }

void DoOnScreenKeyboard() {
  if (!g_labelsBuilt || CurrentLayout() != KeyboardLayout) BuildKeyLabels();
  const int savedCodePage = CurrentCodePage;
  CurrentCodePage = InputCodePage;  // the labels are characters of the keyboard's page

  const float top = OnscreenKeyboardRaised ? TOP_RAISED : TOP_NORMAL;
  // The panel is drawn without an owner, so it is no row of its own beside the keys; an
  // unseen control under the keys takes the presses between them, so they reach nothing
  // beneath the keyboard.
  AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_PRESS_ONLY, nullptr, nullptr, -0.42f,
                  top, 0.42f, top + HEIGHT);
  AddValueControl(&g_keyboardOwner, nullptr, IvInt(0), IvInt(1), IvInt(0), VALUE_TYPE_PRESS_ONLY, nullptr, nullptr,
                  -0.42f, top, 0.42f, top + HEIGHT);
  AddRow(KEYBOARD_TOP_ROW, 0.5f * UNIT, top + 0.02f, top + 0.08f);
  for (int r = 0; r < KEYBOARD_ROWS; ++r) {
    const float rowTop = top + 0.11f + ROW_HEIGHT * static_cast<float>(r);
    AddRow(g_rows->rows[r], UNIT, rowTop, rowTop + ROW_HEIGHT);
  }
  CurrentCodePage = savedCodePage;
}

// ---- [Pressing] ----

void PressOnscreenKey(int key) {
  OnscreenKeyboardToggles& t = KeyboardToggles;
  const int kind = KeyKindOf(key);
  switch (kind) {
    case KEY_KIND_NONE: return;
    case KEY_KIND_SHIFT: t.shift ^= 1; return;
    case KEY_KIND_CTRL: t.ctrl ^= 1; return;
    case KEY_KIND_ALT: t.alt ^= 1; return;
    case KEY_KIND_ALTGR:
      t.ctrl = t.alt = (t.ctrl && t.alt) ? 0 : 1;
      return;
    case KEY_KIND_CAPS_LOCK:
      SendKeyEvent(KeyboardLayout, KEY_CAPS_LOCK, true);
      SendKeyEvent(KeyboardLayout, KEY_CAPS_LOCK, false);
      return;
    default: break;
  }
  // A key still held (a second button pressed before the first was let go) goes up first.
  if (t.heldKey || t.heldSpace) ReleaseOnscreenKeyboardModifiers();
  if (kind == KEY_KIND_SPACE) {
    // Straight to the screen's key handling: a space is wanted at once, not after the pump.
    // After a dead key it types the accent alone, as the keyboard's own Space does.
    if (CurrentProcess && !CurrentProcess->rawKeys) {
      char bytes[4] = {' '};
      const char16_t accent = TakeWaitingAccent();
      const int count = accent ? CharacterToCodePage(accent, InputCodePage, bytes) : 1;
      for (int i = 0; i < count; ++i) HandleCharMessage(static_cast<uint8_t>(bytes[i]));
    } else {
      HandleKeyDown(KEY_SPACE, 0);
    }
    t.heldSpace = 1;
    return;
  }
  SendModifiers(true);
  SendKeyEvent(KeyboardLayout, key, true);
  if (kind >= KEY_KIND_LABELLED) {
    t.heldKey = key;  // goes up with the mouse button
    return;
  }
  SendModifiers(false);
  SendKeyEvent(KeyboardLayout, key, false);
  ClearToggles();
}

void ReleaseOnscreenKeyboardModifiers() {
  OnscreenKeyboardToggles& t = KeyboardToggles;
  if (t.heldSpace) {
    HandleKeyUp(KEY_SPACE);
  } else if (t.heldKey) {
    SendModifiers(false);
    SendKeyEvent(KeyboardLayout, t.heldKey, false);
  } else {
    return;  // a click on a modifier or elsewhere: the toggles wait for a key
  }
  t = OnscreenKeyboardToggles{};
}

void ResetOnscreenKeyboard() {
  KeyboardToggles = OnscreenKeyboardToggles{};
  g_labelsBuilt = false;
  OnscreenKeyboardShown = 0;
  OnscreenKeyboardRaised = 0;
  ResetSentKeys();
}
