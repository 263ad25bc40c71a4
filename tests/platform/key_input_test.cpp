// key_input_test.cpp - the characters each key types on the US, German and French layouts,
// the layout of each locale, and dead keys composing accented letters, checked against the
// keyboards' own tables and the Latin-1 letters; the locale and the interface language the
// environment's variables give.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/key_input.h"
#include "platform/keys.h"
#include "platform/locale.h"
#include "platform/messages.h"

namespace {

constexpr uint32_t US = 0x04090409u, GERMAN = 0x04070407u, FRENCH = 0x040C040Cu;
constexpr int DEAD = -1;

// A key's plain, Shift and AltGr characters; a dead key's accent is given with its mark.
struct Row {
  int key;
  char16_t level[3];
  int kind[3];  // 1 a character, DEAD a dead key, 0 nothing
};

void ExpectRows(uint32_t layout, const std::vector<Row>& rows) {
  for (const Row& r : rows)
    for (int level = 0; level < 3; ++level) {
      char16_t c = 0xFFFF;
      EXPECT_EQ(TranslateKeyOnLayout(layout, r.key, level, &c), r.kind[level]) << r.key << " level " << level;
      EXPECT_EQ(c, r.level[level]) << r.key << " level " << level;
    }
}

std::vector<std::pair<uint32_t, uint64_t>> Drain() {
  std::vector<std::pair<uint32_t, uint64_t>> out;
  WindowMessage m;
  while (PeekWindowMessage(m)) out.emplace_back(m.id, m.wParam);
  return out;
}

// The characters typed (MSG_CHAR) since the last drain.
std::u16string Typed() {
  std::u16string out;
  for (const auto& [id, w] : Drain())
    if (id == MSG_CHAR) out += char16_t(w);
  return out;
}

void Tap(uint32_t layout, int key) {
  SendKeyEvent(layout, key, true);
  SendKeyEvent(layout, key, false);
}

// key at level (0 plain, 1 Shift, 2 Ctrl and Alt).
void Type(uint32_t layout, int key, int level) {
  if (level == 1) SendKeyEvent(layout, KEY_SHIFT, true);
  if (level == 2) {
    SendKeyEvent(layout, KEY_CTRL, true);
    SendKeyEvent(layout, KEY_ALT, true);
  }
  Tap(layout, key);
  if (level == 1) SendKeyEvent(layout, KEY_SHIFT, false);
  if (level == 2) {
    SendKeyEvent(layout, KEY_ALT, false);
    SendKeyEvent(layout, KEY_CTRL, false);
  }
}

class KeyInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearWindowMessages();
    ResetSentKeys();
  }
  void TearDown() override {
    ClearWindowMessages();
    ResetSentKeys();
  }
};

}  // namespace

TEST_F(KeyInput, TheUsLayoutTypesItsPunctuationShiftedDigitsAndNothingAtAltGr) {
  ExpectRows(US, {
                     {188, {',', '<', 0}, {1, 1, 0}},   {190, {'.', '>', 0}, {1, 1, 0}},
                     {189, {'-', '_', 0}, {1, 1, 0}},   {187, {'=', '+', 0}, {1, 1, 0}},
                     {186, {';', ':', 0}, {1, 1, 0}},   {191, {'/', '?', 0}, {1, 1, 0}},
                     {192, {'`', '~', 0}, {1, 1, 0}},   {219, {'[', '{', 0}, {1, 1, 0}},
                     {220, {'\\', '|', 0}, {1, 1, 0}},  {221, {']', '}', 0}, {1, 1, 0}},
                     {222, {'\'', '"', 0}, {1, 1, 0}},  {226, {'\\', '|', 0}, {1, 1, 0}},
                     {'0', {'0', ')', 0}, {1, 1, 0}},   {'1', {'1', '!', 0}, {1, 1, 0}},
                     {'2', {'2', '@', 0}, {1, 1, 0}},   {'3', {'3', '#', 0}, {1, 1, 0}},
                     {'4', {'4', '$', 0}, {1, 1, 0}},   {'5', {'5', '%', 0}, {1, 1, 0}},
                     {'6', {'6', '^', 0}, {1, 1, 0}},   {'7', {'7', '&', 0}, {1, 1, 0}},
                     {'8', {'8', '*', 0}, {1, 1, 0}},   {'9', {'9', '(', 0}, {1, 1, 0}},
                     {'A', {'a', 'A', 0}, {1, 1, 0}},   {'Z', {'z', 'Z', 0}, {1, 1, 0}},
                     {KEY_SPACE, {' ', ' ', 0}, {1, 1, 0}}, {223, {0, 0, 0}, {0, 0, 0}},
                     {'@', {0, 0, 0}, {0, 0, 0}},       {'[', {0, 0, 0}, {0, 0, 0}},
                     {'/', {0, 0, 0}, {0, 0, 0}},       {':', {0, 0, 0}, {0, 0, 0}},
                 });
  // An unknown layout types as the US one; a level past AltGr types nothing.
  char16_t c = 1;
  EXPECT_EQ(TranslateKeyOnLayout(0x04110411u, 191, 1, &c), 1);
  EXPECT_EQ(c, u'?');
  EXPECT_EQ(TranslateKeyOnLayout(GERMAN, 'Q', 3, &c), 0);
  EXPECT_EQ(TranslateKeyOnLayout(GERMAN, 'Q', -1, &c), 0);
}

// The German keyboard: dead circumflex, acute and grave; AltGr on 2, 3, 7 to 0, Q, E, M, +,
// the sharp s and the key beside left Shift.
TEST_F(KeyInput, TheGermanLayoutTypesItsOwnCharactersAndDeadAccents) {
  ExpectRows(GERMAN, {
                         {'1', {'1', '!', 0}, {1, 1, 0}},          {'2', {'2', '"', 0xB2}, {1, 1, 1}},
                         {'3', {'3', 0xA7, 0xB3}, {1, 1, 1}},       {'4', {'4', '$', 0}, {1, 1, 0}},
                         {'5', {'5', '%', 0}, {1, 1, 0}},          {'6', {'6', '&', 0}, {1, 1, 0}},
                         {'7', {'7', '/', '{'}, {1, 1, 1}},        {'8', {'8', '(', '['}, {1, 1, 1}},
                         {'9', {'9', ')', ']'}, {1, 1, 1}},        {'0', {'0', '=', '}'}, {1, 1, 1}},
                         {'Q', {'q', 'Q', '@'}, {1, 1, 1}},        {'E', {'e', 'E', 0x20AC}, {1, 1, 1}},
                         {'M', {'m', 'M', 0xB5}, {1, 1, 1}},       {'Z', {'z', 'Z', 0}, {1, 1, 0}},
                         {188, {',', ';', 0}, {1, 1, 0}},          {190, {'.', ':', 0}, {1, 1, 0}},
                         {189, {'-', '_', 0}, {1, 1, 0}},          {187, {'+', '*', '~'}, {1, 1, 1}},
                         {186, {0xFC, 0xDC, 0}, {1, 1, 0}},        {191, {'#', '\'', 0}, {1, 1, 0}},
                         {192, {0xF6, 0xD6, 0}, {1, 1, 0}},        {222, {0xE4, 0xC4, 0}, {1, 1, 0}},
                         {219, {0xDF, '?', '\\'}, {1, 1, 1}},      {220, {'^', 0xB0, 0}, {DEAD, 1, 0}},
                         {221, {0xB4, '`', 0}, {DEAD, DEAD, 0}},   {226, {'<', '>', '|'}, {1, 1, 1}},
                     });
}

// The French keyboard: the digits shifted, dead circumflex and diaeresis, dead tilde and
// grave at AltGr.
TEST_F(KeyInput, TheFrenchLayoutTypesItsOwnCharactersAndDeadAccents) {
  ExpectRows(FRENCH, {
                         {'1', {'&', '1', 0}, {1, 1, 0}},          {'2', {0xE9, '2', '~'}, {1, 1, DEAD}},
                         {'3', {'"', '3', '#'}, {1, 1, 1}},        {'4', {'\'', '4', '{'}, {1, 1, 1}},
                         {'5', {'(', '5', '['}, {1, 1, 1}},        {'6', {'-', '6', '|'}, {1, 1, 1}},
                         {'7', {0xE8, '7', '`'}, {1, 1, DEAD}},    {'8', {'_', '8', '\\'}, {1, 1, 1}},
                         {'9', {0xE7, '9', '^'}, {1, 1, 1}},       {'0', {0xE0, '0', '@'}, {1, 1, 1}},
                         {'E', {'e', 'E', 0x20AC}, {1, 1, 1}},     {'Q', {'q', 'Q', 0}, {1, 1, 0}},
                         {219, {')', 0xB0, ']'}, {1, 1, 1}},       {187, {'=', '+', '}'}, {1, 1, 1}},
                         {221, {'^', 0xA8, 0}, {DEAD, DEAD, 0}},   {186, {'$', 0xA3, 0xA4}, {1, 1, 1}},
                         {192, {0xF9, '%', 0}, {1, 1, 0}},         {220, {'*', 0xB5, 0}, {1, 1, 0}},
                         {188, {',', '?', 0}, {1, 1, 0}},          {190, {';', '.', 0}, {1, 1, 0}},
                         {191, {':', '/', 0}, {1, 1, 0}},          {223, {'!', 0xA7, 0}, {1, 1, 0}},
                         {226, {'<', '>', 0}, {1, 1, 0}},          {222, {0xB2, 0, 0}, {1, 0, 0}},
                     });
}

// Each locale's language number (the Windows language identifiers), in both halves of the
// layout number; a territory of its own first, then its language; anything else is US.
TEST_F(KeyInput, EachLocaleGivesItsLanguagesLayout) {
  const struct {
    const char* locale;
    uint32_t language;
  } locales[] = {
      {"de_CH", 2055}, {"fr_CH", 4108}, {"fr_BE", 2060}, {"nl_BE", 2067}, {"en_GB", 2057}, {"en_IE", 6153},
      {"en_CA", 4105}, {"pt_BR", 1046}, {"bg", 1026},    {"cs", 1029},    {"da", 1030},    {"de", 1031},
      {"el", 1032},    {"en", 1033},    {"es", 1034},    {"fi", 1035},    {"fr", 1036},    {"hu", 1038},
      {"it", 1040},    {"nl", 1043},    {"nb", 1044},    {"nn", 1044},    {"no", 1044},    {"pt", 2070},
      {"ro", 1048},    {"hr", 1050},    {"sk", 1051},    {"sv", 1053},    {"tr", 1055},    {"sl", 1060},
      {"et", 1061},    {"sr", 2074},
  };
  for (const auto& l : locales) {
    const uint32_t expected = l.language << 16 | l.language;
    EXPECT_EQ(KeyboardLayoutOfLocale(l.locale), expected) << l.locale;
    const std::string full = std::string(l.locale) + (l.locale[2] ? ".UTF-8" : "_XX.UTF-8");
    EXPECT_EQ(KeyboardLayoutOfLocale(full.c_str()), expected) << full;
  }
  EXPECT_EQ(KeyboardLayoutOfLocale("de_AT"), 1031u << 16 | 1031u) << "a territory without its own: the language";
  EXPECT_EQ(KeyboardLayoutOfLocale("de@euro"), 1031u << 16 | 1031u);
  EXPECT_EQ(KeyboardLayoutOfLocale("pt_PT"), 2070u << 16 | 2070u);
  EXPECT_EQ(KeyboardLayoutOfLocale("dex"), US);
  EXPECT_EQ(KeyboardLayoutOfLocale(""), US);
  EXPECT_EQ(KeyboardLayoutOfLocale(nullptr), US);
  EXPECT_EQ(KeyboardLayoutOfLocale("ja_JP"), US);
}

// A dead key's accent on the next letter gives the Latin-1 accented letter; Space gives the
// accent alone; any other key types the accent and then itself.
TEST_F(KeyInput, DeadKeysComposeEveryLatinOneLetterTheyHave) {
  struct Accent {
    uint32_t layout;
    int key, level;
    const char* letters;  // the letters it composes with, in order...
    const char16_t* composed;  // ...and what they become
  };
  const Accent accents[] = {
      {GERMAN, 221, 1, "aeiouAEIOU", u"\u00E0\u00E8\u00EC\u00F2\u00F9\u00C0\u00C8\u00CC\u00D2\u00D9"},
      {FRENCH, '7', 2, "aeiouAEIOU", u"\u00E0\u00E8\u00EC\u00F2\u00F9\u00C0\u00C8\u00CC\u00D2\u00D9"},
      {GERMAN, 221, 0, "aeiouyAEIOUY", u"\u00E1\u00E9\u00ED\u00F3\u00FA\u00FD\u00C1\u00C9\u00CD\u00D3\u00DA\u00DD"},
      {GERMAN, 220, 0, "aeiouAEIOU", u"\u00E2\u00EA\u00EE\u00F4\u00FB\u00C2\u00CA\u00CE\u00D4\u00DB"},
      {FRENCH, 221, 1, "aeiouyAEIOU", u"\u00E4\u00EB\u00EF\u00F6\u00FC\u00FF\u00C4\u00CB\u00CF\u00D6\u00DC"},
      {FRENCH, '2', 2, "aonAON", u"\u00E3\u00F5\u00F1\u00C3\u00D5\u00D1"},
  };
  for (const Accent& a : accents) {
    for (int i = 0; a.letters[i]; ++i) {
      const char letter = a.letters[i];
      const bool upper = letter >= 'A' && letter <= 'Z';
      Type(a.layout, a.key, a.level);
      EXPECT_EQ(Typed(), u"") << "the accent waits";
      Type(a.layout, upper ? letter : letter - 32, upper ? 1 : 0);
      EXPECT_EQ(Typed(), std::u16string(1, a.composed[i])) << "key " << a.key << " level " << a.level << " on " << letter;
    }
  }
  // No form with the letter: both; Space: the accent alone; a waiting accent can be taken.
  Type(GERMAN, 221, 0);
  Type(GERMAN, 'X', 0);
  EXPECT_EQ(Typed(), u"\u00B4x");
  Type(GERMAN, 220, 0);
  Tap(GERMAN, KEY_SPACE);
  EXPECT_EQ(Typed(), u"^");
  Type(FRENCH, '2', 2);
  EXPECT_EQ(TakeWaitingAccent(), u'~');
  EXPECT_EQ(TakeWaitingAccent(), 0);
  Type(FRENCH, 'N', 0);
  EXPECT_EQ(Typed(), u"n");
  // A second dead key types the first accent and waits with its own.
  Type(GERMAN, 220, 0);
  Type(GERMAN, 221, 0);
  EXPECT_EQ(Typed(), u"^");
  Type(GERMAN, 'E', 0);
  EXPECT_EQ(Typed(), u"\u00E9");
}

// Key messages: a key down and up, as a system key while Alt is held without Ctrl; the
// control keys' characters; Ctrl with a letter its code from 1 to 26.
TEST_F(KeyInput, KeysArriveAsMessagesWithTheirControlCharacters) {
  EXPECT_EQ(ControlKeyCharacter(KEY_BACKSPACE, false), 8);
  EXPECT_EQ(ControlKeyCharacter(KEY_BACKSPACE, true), 127);
  EXPECT_EQ(ControlKeyCharacter(KEY_TAB, false), 9);
  EXPECT_EQ(ControlKeyCharacter(KEY_ENTER, false), 13);
  EXPECT_EQ(ControlKeyCharacter(KEY_ENTER, true), 10);
  EXPECT_EQ(ControlKeyCharacter(KEY_ESCAPE, false), 27);
  EXPECT_EQ(ControlKeyCharacter('A', true), 0);

  using Events = std::vector<std::pair<uint32_t, uint64_t>>;
  Tap(US, KEY_ENTER);
  EXPECT_EQ(Drain(), (Events{{MSG_KEYDOWN, KEY_ENTER}, {MSG_CHAR, 13}, {MSG_KEYUP, KEY_ENTER}}));
  SendKeyEvent(US, KEY_CTRL, true);
  Tap(US, 'A');
  Tap(US, 'Z');
  Tap(US, '5');
  Tap(US, KEY_BACKSPACE);
  SendKeyEvent(US, KEY_CTRL, false);
  EXPECT_EQ(Drain(), (Events{{MSG_KEYDOWN, KEY_CTRL},
                             {MSG_KEYDOWN, 'A'},
                             {MSG_CHAR, 1},
                             {MSG_KEYUP, 'A'},
                             {MSG_KEYDOWN, 'Z'},
                             {MSG_CHAR, 26},
                             {MSG_KEYUP, 'Z'},
                             {MSG_KEYDOWN, '5'},
                             {MSG_KEYUP, '5'},
                             {MSG_KEYDOWN, KEY_BACKSPACE},
                             {MSG_CHAR, 127},
                             {MSG_KEYUP, KEY_BACKSPACE},
                             {MSG_KEYUP, KEY_CTRL}}));
  SendKeyEvent(US, KEY_ALT, true);
  Tap(US, 'B');
  SendKeyEvent(US, KEY_ALT, false);
  EXPECT_EQ(Drain(), (Events{{MSG_SYSKEYDOWN, KEY_ALT},
                             {MSG_SYSKEYDOWN, 'B'},
                             {MSG_SYSCHAR, 'b'},
                             {MSG_SYSKEYUP, 'B'},
                             {MSG_SYSKEYUP, KEY_ALT}}));
}

// Caps Lock, pressed once, turns the letters A to Z (and no other key) to their other case,
// Shift with it back to the first; pressed again (its release changes nothing) it is off.
// The test's keyboard has Caps Lock off.
TEST_F(KeyInput, CapsLockTurnsTheCaseOfTheLettersOnlyUntilPressedAgain) {
  const auto typeAll = [] {
    for (const int key : {int('A'), int('Z'), int('1'), 186}) Tap(US, key);
    Type(US, 'A', 1);
    Type(US, 'Z', 1);
    return Typed();
  };
  EXPECT_EQ(typeAll(), u"az1;AZ");
  SendKeyEvent(US, KEY_CAPS_LOCK, true);
  SendKeyEvent(US, KEY_CAPS_LOCK, false);
  EXPECT_EQ(typeAll(), u"AZ1;az") << "Caps Lock on";
  Tap(US, KEY_CAPS_LOCK);
  EXPECT_EQ(typeAll(), u"az1;AZ") << "Caps Lock off again";
}

namespace {

// The environment's locale variables, each set (or unset when null) for the test and put back
// afterwards.
class LocaleVariables : public ::testing::Test {
 protected:
  static constexpr const char* NAMES[4] = {"LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANG"};
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      const char* value = std::getenv(NAMES[i]);
      kept_[i] = value ? std::optional<std::string>(value) : std::nullopt;
      unsetenv(NAMES[i]);
    }
  }
  void TearDown() override {
    for (int i = 0; i < 4; ++i) {
      if (kept_[i]) setenv(NAMES[i], kept_[i]->c_str(), 1);
      else unsetenv(NAMES[i]);
    }
  }
  static void Set(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  static std::string Locale(int size = 64) {
    char out[64] = "untouched";
    InputLocaleName(out, size);
    return out;
  }
  std::optional<std::string> kept_[4];
};

// Typed text follows the first of LC_ALL, LC_CTYPE and LANG that is set and not empty, else
// "C"; the name is cut to fit.
TEST_F(LocaleVariables, TheInputLocaleIsTheFirstOfLcAllLcCtypeAndLangThatIsSet) {
  EXPECT_EQ(Locale(), "C");
  Set("LANG", "de_DE.UTF-8");
  EXPECT_EQ(Locale(), "de_DE.UTF-8");
  Set("LC_CTYPE", "fr_FR");
  EXPECT_EQ(Locale(), "fr_FR");
  Set("LC_ALL", "ja_JP.UTF-8");
  EXPECT_EQ(Locale(), "ja_JP.UTF-8");
  Set("LC_ALL", "");
  EXPECT_EQ(Locale(), "fr_FR") << "an empty variable counts as not set";
  Set("LC_MESSAGES", "sv_SE");
  EXPECT_EQ(Locale(), "fr_FR") << "the messages' locale is not the typing's";
  EXPECT_EQ(Locale(3), "fr");
  EXPECT_EQ(Locale(1), "");
}

// The interface is in English when the first of LC_ALL, LC_MESSAGES and LANG that is set
// begins with the language "en", or is "C" or "POSIX"; with none set, too.
TEST_F(LocaleVariables, TheUserLanguageIsEnglishForEnCAndPosixOnly) {
  EXPECT_TRUE(UserLanguageIsEnglish()) << "none set";
  for (const char* english : {"en", "en_GB.UTF-8", "en.UTF-8", "en@euro", "C", "C.UTF-8", "POSIX"}) {
    Set("LANG", english);
    EXPECT_TRUE(UserLanguageIsEnglish()) << english;
  }
  for (const char* other : {"de_DE.UTF-8", "eng", "e", "Cx", "POSIXLY", "fr"}) {
    Set("LANG", other);
    EXPECT_FALSE(UserLanguageIsEnglish()) << other;
  }
  Set("LANG", "de_DE");
  Set("LC_MESSAGES", "en_US");
  EXPECT_TRUE(UserLanguageIsEnglish()) << "the messages' locale before LANG";
  Set("LC_CTYPE", "de_DE");
  EXPECT_TRUE(UserLanguageIsEnglish()) << "the typing's locale does not count";
  Set("LC_ALL", "de_DE");
  EXPECT_FALSE(UserLanguageIsEnglish()) << "LC_ALL before the others";
  Set("LC_ALL", "");
  EXPECT_TRUE(UserLanguageIsEnglish()) << "an empty LC_ALL counts as not set";
}

}  // namespace

// Sent keys carry the data typed keys do: one stroke (bit 0), the Alt bit (29) while Alt is
// held, and on a release the previous-state and release bits (30 and 31); the characters
// they make, composed or not, carry the same.
TEST_F(KeyInput, SentKeysCarryOneStrokeWithTheReleaseAndAltBits) {
  constexpr int64_t ONE = 1, ALT = int64_t{1} << 29, UP = (int64_t{1} << 30) | (int64_t{1} << 31);
  Tap(US, 'A');
  SendKeyEvent(US, KEY_ALT, true);
  Tap(US, 'B');
  SendKeyEvent(US, KEY_ALT, false);
  Tap(GERMAN, 220);  // dead circumflex
  Tap(GERMAN, 'E');  // e with circumflex
  Tap(GERMAN, 220);
  Tap(GERMAN, 'Q');  // no q with circumflex: the accent, then q
  struct Sent {
    uint32_t id;
    uint64_t w;
    int64_t data;
  };
  const std::vector<Sent> expected = {
      {MSG_KEYDOWN, 'A', ONE},          {MSG_CHAR, 'a', ONE},          {MSG_KEYUP, 'A', ONE | UP},
      {MSG_SYSKEYDOWN, KEY_ALT, ONE | ALT},
      {MSG_SYSKEYDOWN, 'B', ONE | ALT}, {MSG_SYSCHAR, 'b', ONE | ALT}, {MSG_SYSKEYUP, 'B', ONE | ALT | UP},
      {MSG_SYSKEYUP, KEY_ALT, ONE | UP},
      {MSG_KEYDOWN, 220, ONE},          {MSG_KEYUP, 220, ONE | UP},
      {MSG_KEYDOWN, 'E', ONE},          {MSG_CHAR, 0xEA, ONE},         {MSG_KEYUP, 'E', ONE | UP},
      {MSG_KEYDOWN, 220, ONE},          {MSG_KEYUP, 220, ONE | UP},
      {MSG_KEYDOWN, 'Q', ONE},          {MSG_CHAR, '^', ONE},          {MSG_CHAR, 'q', ONE},
      {MSG_KEYUP, 'Q', ONE | UP}};
  std::vector<WindowMessage> got;
  WindowMessage m;
  while (PeekWindowMessage(m)) got.push_back(m);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].id, expected[i].id) << i;
    EXPECT_EQ(got[i].wParam, expected[i].w) << i;
    EXPECT_EQ(got[i].lParam, expected[i].data) << i;
  }
}

// A control key after a dead key types its own character alone: the waiting accent is dropped,
// so the next letter is plain.
TEST_F(KeyInput, AControlKeyDropsAWaitingAccent) {
  Tap(GERMAN, 220);  // dead circumflex
  Tap(GERMAN, KEY_ENTER);
  EXPECT_EQ(Typed(), u"\r");
  EXPECT_EQ(TakeWaitingAccent(), 0);
  Tap(GERMAN, 220);
  Tap(GERMAN, KEY_TAB);
  Tap(GERMAN, 'E');
  EXPECT_EQ(Typed(), u"\te");
}
