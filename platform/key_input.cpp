// key_input.cpp - layout tables for the keys the on-screen keyboard labels, and key events
// posted into the message queue.
#include "platform/key_input.h"

#include <SDL.h>

#include <cstring>
#include <iterator>

#include "platform/keys.h"
#include "platform/messages.h"

namespace {

// ---- Layout tables ----

constexpr char16_t DEAD = 0x8000;  // marks a dead key's accent in the tables below

struct KeyCharacters {
  uint8_t key;
  char16_t level[3];  // plain, Shift, AltGr; 0 none
};

// US English; also the characters of every layout without a table.
constexpr KeyCharacters US_KEYS[] = {
    {188, {',', '<', 0}}, {190, {'.', '>', 0}}, {189, {'-', '_', 0}},  {187, {'=', '+', 0}},
    {186, {';', ':', 0}}, {191, {'/', '?', 0}}, {192, {'`', '~', 0}},  {219, {'[', '{', 0}},
    {220, {'\\', '|', 0}}, {221, {']', '}', 0}}, {222, {'\'', '"', 0}}, {226, {'\\', '|', 0}},
};
constexpr char16_t US_SHIFTED_DIGITS[11] = u")!@#$%^&*(";

// German: dead circumflex, acute and grave; AltGr characters on the digits and Q, E, M.
constexpr KeyCharacters GERMAN_KEYS[] = {
    {'1', {'1', '!', 0}},       {'2', {'2', '"', 0x00B2}},  {'3', {'3', 0x00A7, 0x00B3}}, {'4', {'4', '$', 0}},
    {'5', {'5', '%', 0}},       {'6', {'6', '&', 0}},       {'7', {'7', '/', '{'}},       {'8', {'8', '(', '['}},
    {'9', {'9', ')', ']'}},     {'0', {'0', '=', '}'}},     {'Q', {'q', 'Q', '@'}},       {'E', {'e', 'E', 0x20AC}},
    {'M', {'m', 'M', 0x00B5}},  {188, {',', ';', 0}},       {190, {'.', ':', 0}},         {189, {'-', '_', 0}},
    {187, {'+', '*', '~'}},     {186, {0x00FC, 0x00DC, 0}}, {191, {'#', '\'', 0}},        {192, {0x00F6, 0x00D6, 0}},
    {222, {0x00E4, 0x00C4, 0}}, {219, {0x00DF, '?', '\\'}}, {220, {DEAD | '^', 0x00B0, 0}}, {221, {DEAD | 0x00B4, DEAD | '`', 0}},
    {226, {'<', '>', '|'}},
};

// French: the digits are shifted; dead circumflex and diaeresis, and dead tilde and grave
// at AltGr.
constexpr KeyCharacters FRENCH_KEYS[] = {
    {'1', {'&', '1', 0}},      {'2', {0x00E9, '2', DEAD | '~'}}, {'3', {'"', '3', '#'}},    {'4', {'\'', '4', '{'}},
    {'5', {'(', '5', '['}},    {'6', {'-', '6', '|'}},           {'7', {0x00E8, '7', DEAD | '`'}}, {'8', {'_', '8', '\\'}},
    {'9', {0x00E7, '9', '^'}}, {'0', {0x00E0, '0', '@'}},        {'E', {'e', 'E', 0x20AC}}, {219, {')', 0x00B0, ']'}},
    {187, {'=', '+', '}'}},    {221, {DEAD | '^', DEAD | 0x00A8, 0}}, {186, {'$', 0x00A3, 0x00A4}}, {192, {0x00F9, '%', 0}},
    {220, {'*', 0x00B5, 0}},   {188, {',', '?', 0}},             {190, {';', '.', 0}},      {191, {':', '/', 0}},
    {223, {'!', 0x00A7, 0}},   {226, {'<', '>', 0}},             {222, {0x00B2, 0, 0}},
};

constexpr uint32_t GERMAN_LAYOUT = 0x04070407u;
constexpr uint32_t FRENCH_LAYOUT = 0x040C040Cu;

const KeyCharacters* FindKey(const KeyCharacters* table, int count, int key) {
  for (int i = 0; i < count; ++i)
    if (table[i].key == key) return &table[i];
  return nullptr;
}

char16_t UsCharacter(int key, int level) {
  if (level == KEY_LEVEL_ALTGR) return 0;
  if (key == KEY_SPACE) return u' ';
  if (key >= KEY_0 && key <= KEY_0 + 9) return level == KEY_LEVEL_SHIFT ? US_SHIFTED_DIGITS[key - KEY_0] : char16_t(key);
  if (key >= KEY_A && key <= KEY_A + 25) return level == KEY_LEVEL_SHIFT ? char16_t(key) : char16_t(key + 32);
  const KeyCharacters* k = FindKey(US_KEYS, static_cast<int>(std::size(US_KEYS)), key);
  return k ? k->level[level] : 0;
}

char16_t LayoutCharacter(uint32_t layout, int key, int level) {
  if (level < KEY_LEVEL_PLAIN || level > KEY_LEVEL_ALTGR) return 0;
  if ((layout >> 16) == (GERMAN_LAYOUT >> 16)) {
    if (const KeyCharacters* k = FindKey(GERMAN_KEYS, static_cast<int>(std::size(GERMAN_KEYS)), key))
      return k->level[level];
  }
  if ((layout >> 16) == (FRENCH_LAYOUT >> 16)) {
    if (const KeyCharacters* k = FindKey(FRENCH_KEYS, static_cast<int>(std::size(FRENCH_KEYS)), key))
      return k->level[level];
  }
  return UsCharacter(key, level);
}

// ---- Locales ----

struct LocaleLayout {
  const char* name;  // language, or language_TERRITORY
  uint16_t language;
};
// Longer names first: a territory picks its own layout before its language does.
constexpr LocaleLayout LOCALE_LAYOUTS[] = {
    {"de_CH", 2055}, {"fr_CH", 4108}, {"fr_BE", 2060}, {"nl_BE", 2067}, {"en_GB", 2057}, {"en_IE", 6153},
    {"en_CA", 4105}, {"pt_BR", 1046}, {"bg", 1026},    {"cs", 1029},    {"da", 1030},    {"de", 1031},
    {"el", 1032},    {"en", 1033},    {"es", 1034},    {"fi", 1035},    {"fr", 1036},    {"hu", 1038},
    {"it", 1040},    {"nl", 1043},    {"nb", 1044},    {"nn", 1044},    {"no", 1044},    {"pt", 2070},
    {"ro", 1048},    {"hr", 1050},    {"sk", 1051},    {"sv", 1053},    {"tr", 1055},    {"sl", 1060},
    {"et", 1061},    {"sr", 2074},
};

// ---- Sending ----

struct SentState {
  bool shift, ctrl, alt, capsLock;
  char16_t accent;  // a dead key's accent waiting for the next key, 0 none
};
SentState g_sent;

struct Composed {
  char16_t accent, base, result;
};
constexpr Composed COMPOSED[] = {
    {'`', 'a', 0xE0}, {'`', 'e', 0xE8}, {'`', 'i', 0xEC}, {'`', 'o', 0xF2}, {'`', 'u', 0xF9},
    {'`', 'A', 0xC0}, {'`', 'E', 0xC8}, {'`', 'I', 0xCC}, {'`', 'O', 0xD2}, {'`', 'U', 0xD9},
    {0xB4, 'a', 0xE1}, {0xB4, 'e', 0xE9}, {0xB4, 'i', 0xED}, {0xB4, 'o', 0xF3}, {0xB4, 'u', 0xFA},
    {0xB4, 'y', 0xFD}, {0xB4, 'A', 0xC1}, {0xB4, 'E', 0xC9}, {0xB4, 'I', 0xCD}, {0xB4, 'O', 0xD3},
    {0xB4, 'U', 0xDA}, {0xB4, 'Y', 0xDD}, {'^', 'a', 0xE2}, {'^', 'e', 0xEA}, {'^', 'i', 0xEE},
    {'^', 'o', 0xF4}, {'^', 'u', 0xFB}, {'^', 'A', 0xC2}, {'^', 'E', 0xCA}, {'^', 'I', 0xCE},
    {'^', 'O', 0xD4}, {'^', 'U', 0xDB}, {0xA8, 'a', 0xE4}, {0xA8, 'e', 0xEB}, {0xA8, 'i', 0xEF},
    {0xA8, 'o', 0xF6}, {0xA8, 'u', 0xFC}, {0xA8, 'y', 0xFF}, {0xA8, 'A', 0xC4}, {0xA8, 'E', 0xCB},
    {0xA8, 'I', 0xCF}, {0xA8, 'O', 0xD6}, {0xA8, 'U', 0xDC}, {'~', 'a', 0xE3}, {'~', 'o', 0xF5},
    {'~', 'n', 0xF1}, {'~', 'A', 0xC3}, {'~', 'O', 0xD5}, {'~', 'N', 0xD1},
};

void PostCharacters(uint32_t id, char16_t c, int64_t data) {
  if (g_sent.accent) {
    const char16_t accent = g_sent.accent;
    g_sent.accent = 0;
    if (c == u' ') {
      PostWindowMessage(id, accent, data);
      return;
    }
    for (const Composed& k : COMPOSED)
      if (k.accent == accent && k.base == c) {
        PostWindowMessage(id, k.result, data);
        return;
      }
    PostWindowMessage(id, accent, data);
  }
  PostWindowMessage(id, c, data);
}

}  // namespace

int ControlKeyCharacter(int key, bool ctrl) {
  switch (key) {
    case KEY_BACKSPACE: return ctrl ? 127 : 8;
    case KEY_TAB: return 9;
    case KEY_ENTER: return ctrl ? 10 : 13;
    case KEY_ESCAPE: return 27;
    default: return 0;
  }
}

uint32_t KeyboardLayoutOfLocale(const char* localeName) {
  if (!localeName) return DEFAULT_KEYBOARD_LAYOUT;
  for (const LocaleLayout& entry : LOCALE_LAYOUTS) {
    const size_t n = std::strlen(entry.name);
    if (std::strncmp(localeName, entry.name, n) != 0) continue;
    const char next = localeName[n];  // the name is at least n characters long: its end at the latest
    if (next == 0 || next == '_' || next == '.' || next == '@')
      return static_cast<uint32_t>(entry.language) << 16 | entry.language;
  }
  return DEFAULT_KEYBOARD_LAYOUT;
}

int TranslateKeyOnLayout(uint32_t layout, int key, int level, char16_t* out) {
  const char16_t c = LayoutCharacter(layout, key, level);
  if (out) *out = static_cast<char16_t>(c & ~DEAD);
  if (!c) return 0;
  return (c & DEAD) ? -1 : 1;
}

bool CapsLockToggled() {
  const bool system = (SDL_GetModState() & KMOD_CAPS) != 0;
  return system != g_sent.capsLock;
}

void SendKeyEvent(uint32_t layout, int key, bool down) {
  switch (key) {
    case KEY_SHIFT: g_sent.shift = down; break;
    case KEY_CTRL: g_sent.ctrl = down; break;
    case KEY_ALT: g_sent.alt = down; break;
    case KEY_CAPS_LOCK:
      if (down) g_sent.capsLock = !g_sent.capsLock;
      break;
    default: break;
  }
  // Alt alone makes system keys, as with typed keys.
  const bool system = (g_sent.alt && !g_sent.ctrl) || (key == KEY_ALT && !g_sent.ctrl);
  int64_t data = 1;
  if (g_sent.alt) data |= KEY_DATA_ALT;
  if (!down) data |= KEY_DATA_RELEASE | KEY_DATA_REPEAT;
  PostWindowMessage(down ? (system ? MSG_SYSKEYDOWN : MSG_KEYDOWN) : (system ? MSG_SYSKEYUP : MSG_KEYUP),
                    static_cast<uint64_t>(key), data);
  if (!down) return;

  const uint32_t charId = system ? MSG_SYSCHAR : MSG_CHAR;
  if (const int control = ControlKeyCharacter(key, g_sent.ctrl)) {
    g_sent.accent = 0;
    PostWindowMessage(charId, static_cast<uint64_t>(control), data);
    return;
  }
  const bool altGr = g_sent.ctrl && g_sent.alt;
  if (g_sent.ctrl && !altGr) {
    if (key >= KEY_A && key <= KEY_A + 25) PostWindowMessage(charId, static_cast<uint64_t>(key - KEY_A + 1), data);
    return;
  }
  bool shift = g_sent.shift;
  if (CapsLockToggled() && key >= KEY_A && key <= KEY_A + 25) shift = !shift;
  const int level = altGr ? KEY_LEVEL_ALTGR : shift ? KEY_LEVEL_SHIFT : KEY_LEVEL_PLAIN;
  char16_t c = 0;
  const int kind = TranslateKeyOnLayout(layout, key, level, &c);
  if (kind < 0) {
    if (g_sent.accent) {  // two dead keys: the first is typed, the second waits
      PostWindowMessage(charId, g_sent.accent, data);
    }
    g_sent.accent = c;
    return;
  }
  if (kind > 0) PostCharacters(charId, c, data);
}

char16_t TakeWaitingAccent() {
  const char16_t accent = g_sent.accent;
  g_sent.accent = 0;
  return accent;
}

void ResetSentKeys() { g_sent = SentState{}; }
