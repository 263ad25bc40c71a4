// window_translation_test.cpp - SDL events turned into window messages, without a window:
// key numbers, the characters the keys make, and the state carried by mouse messages.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/text_input.h"
#include "platform/window.h"

namespace {

class TranslationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearWindowMessages();
    ResetEventTranslation();
  }
  void TearDown() override { ClearWindowMessages(); }

  static std::vector<WindowMessage> Drain() {
    std::vector<WindowMessage> out;
    WindowMessage m;
    while (PeekWindowMessage(m)) out.push_back(m);
    return out;
  }

  static void Key(SDL_Scancode scancode, SDL_Keycode keycode, bool down, Uint16 mod = 0, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    e.key.keysym.mod = mod;
    TranslateSdlEvent(e);
  }

  static void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    TranslateSdlEvent(e);
  }
};

TEST(KeyNumbers, FollowTheClassicNumberingWhateverTheLayout) {
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_F1, SDLK_F1, 0), 112);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_F12, SDLK_F12, 0), 123);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_UP, SDLK_UP, 0), KEY_UP);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, 0), KEY_PAGE_DOWN);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_0, SDLK_0, 0), '0');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_9, SDLK_9, 0), '9');
  // A layout with other characters on the digit row still gives the digits.
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_1, SDLK_AMPERSAND, 0), '1');
  // Letters follow the layout: the key where Q stands on another layout gives its A.
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_Q, SDLK_a, 0), 'A');
  // A layout without Latin letters falls back to the key's place.
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_Z, 0x44F, 0), 'Z');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_5, SDLK_KP_5, 1), KEY_PAD_0 + 5);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_8, SDLK_KP_8, 0), KEY_UP) << "Num Lock off: the keypad moves";
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_0, SDLK_KP_0, 0), KEY_INSERT);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 1), KEY_ENTER);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_MINUS, SDLK_MINUS, 0), KEY_MINUS);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, 1), KEY_PAD_MINUS);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_SLASH, SDLK_SLASH, 0), KEY_SLASH);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 0), KEY_SHIFT);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_RCTRL, SDLK_RCTRL, 0), KEY_CTRL);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_RALT, SDLK_RALT, 0), KEY_ALT);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_AUDIOPLAY, SDLK_AUDIOPLAY, 0), 0) << "keys the program does not know";
}

TEST(KeyNumbers, TheEndsOfEachRangeBelongToIt) {
  // A German layout swaps Y and Z: both ends of the letters follow the layout.
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_Y, SDLK_z, 0), 'Z');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_Z, SDLK_y, 0), 'Y');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_Q, SDLK_a, 0), 'A');
  // Without a Latin letter on the key, its place: A and Z at the ends.
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_A, 0x444, 0), 'A');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_Z, 0x44F, 0), 'Z');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_1, SDLK_1, 0), '1');
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_F12, SDLK_F12, 0), 123);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_F13, SDLK_F13, 0), 124);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_F24, SDLK_F24, 0), 135);
  // The keypad's digits with Num Lock, and its moves without: 1 is End, 9 Page Up.
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_1, SDLK_KP_1, 1), 97);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_9, SDLK_KP_9, 1), 105);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_1, SDLK_KP_1, 0), KEY_END);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_2, SDLK_KP_2, 0), KEY_DOWN);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_9, SDLK_KP_9, 0), KEY_PAGE_UP);
  EXPECT_EQ(KeyNumberFromSdl(SDL_SCANCODE_KP_5, SDLK_KP_5, 0), 12) << "the keypad's middle key";
}

TEST(Utf8, DecodesCharactersAndRefusesBadSequences) {
  uint32_t c = 0;
  EXPECT_EQ(DecodeUtf8("A", c), 1);
  EXPECT_EQ(c, 'A');
  EXPECT_EQ(DecodeUtf8("\xC3\xA9", c), 2);
  EXPECT_EQ(c, 0xE9u);
  EXPECT_EQ(DecodeUtf8("\xE2\x82\xAC", c), 3);
  EXPECT_EQ(c, 0x20ACu);
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80", c), 4);
  EXPECT_EQ(c, 0x1F600u);
  EXPECT_EQ(DecodeUtf8("", c), 0);
  EXPECT_EQ(DecodeUtf8("\x80", c), 1);  // a continuation byte alone
  EXPECT_EQ(c, 0xFFFDu);
  EXPECT_EQ(DecodeUtf8("\xC3" "A", c), 1) << "a cut sequence gives up its lead byte only";
  EXPECT_EQ(c, 0xFFFDu);
  EXPECT_EQ(DecodeUtf8("\xE0\x80\x80", c), 3);  // an over-long zero
  EXPECT_EQ(c, 0xFFFDu);
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80", c), 3);  // a surrogate
  EXPECT_EQ(c, 0xFFFDu);
}

TEST_F(TranslationTest, KeysBecomeKeyMessagesWithRepeatAndAltInTheirData) {
  Key(SDL_SCANCODE_A, SDLK_a, true);
  Key(SDL_SCANCODE_A, SDLK_a, true, 0, true);
  Key(SDL_SCANCODE_A, SDLK_a, false);
  Key(SDL_SCANCODE_LALT, SDLK_LALT, true);
  Key(SDL_SCANCODE_X, SDLK_x, true);
  Key(SDL_SCANCODE_LALT, SDLK_LALT, false);
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 6u);
  EXPECT_EQ(m[0].id, MSG_KEYDOWN);
  EXPECT_EQ(m[0].wParam, 'A');
  EXPECT_FALSE(m[0].lParam & KEY_DATA_REPEAT);
  EXPECT_TRUE(m[1].lParam & KEY_DATA_REPEAT);
  EXPECT_EQ(m[2].id, MSG_KEYUP);
  EXPECT_EQ(m[3].id, MSG_SYSKEYDOWN);
  EXPECT_EQ(m[3].wParam, static_cast<uint64_t>(KEY_ALT));
  EXPECT_EQ(m[4].id, MSG_SYSKEYDOWN) << "a key with Alt held is a system key";
  EXPECT_TRUE(m[4].lParam & KEY_DATA_ALT);
  EXPECT_EQ(m[5].id, MSG_SYSKEYUP);
}

TEST_F(TranslationTest, EditingKeysAndAltDigitsMakeTheirOwnCharacters) {
  Key(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true);
  Key(SDL_SCANCODE_RETURN, SDLK_RETURN, true);
  Key(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true);
  Key(SDL_SCANCODE_LALT, SDLK_LALT, true);
  Key(SDL_SCANCODE_KP_4, SDLK_KP_4, true, KMOD_LALT);  // Num Lock off: still a digit for Alt entry
  Text("4");  // the text some systems also send is not taken twice
  Key(SDL_SCANCODE_2, SDLK_2, true, KMOD_LALT);
  std::vector<uint64_t> characters;
  std::vector<uint32_t> ids;
  for (const WindowMessage& m : Drain()) {
    if (m.id == MSG_CHAR || m.id == MSG_SYSCHAR) {
      characters.push_back(m.wParam);
      ids.push_back(m.id);
    }
  }
  EXPECT_EQ(characters, (std::vector<uint64_t>{8, 13, 27, '4', '2'}));
  EXPECT_EQ(ids, (std::vector<uint32_t>{MSG_CHAR, MSG_CHAR, MSG_CHAR, MSG_SYSCHAR, MSG_SYSCHAR}));
}

// With Alt held, both rows of digits give their digit from 0 to 9 (the keypad's whatever Num
// Lock says); a letter gives none.
TEST_F(TranslationTest, AltDigitsRunFromZeroToNineOnBothRows) {
  Key(SDL_SCANCODE_LALT, SDLK_LALT, true);
  const std::pair<SDL_Scancode, SDL_Keycode> keys[] = {
      {SDL_SCANCODE_1, SDLK_1},       {SDL_SCANCODE_9, SDLK_9},       {SDL_SCANCODE_0, SDLK_0},
      {SDL_SCANCODE_KP_1, SDLK_KP_1}, {SDL_SCANCODE_KP_9, SDLK_KP_9}, {SDL_SCANCODE_KP_0, SDLK_KP_0},
      {SDL_SCANCODE_A, SDLK_a}};
  for (const auto& [scancode, keycode] : keys) Key(scancode, keycode, true, KMOD_LALT);
  std::vector<uint64_t> characters;
  for (const WindowMessage& m : Drain())
    if (m.id == MSG_SYSCHAR) characters.push_back(m.wParam);
  EXPECT_EQ(characters, (std::vector<uint64_t>{'1', '9', '0', '1', '9', '0'}));
}

// With Alt alone held, the digits 0 to 9 of the text are left out (their keys make them), but
// the characters beside them, / before 0 and : after 9, are system characters; with Ctrl and
// Alt held (AltGr on some layouts) a digit is an ordinary character.
TEST_F(TranslationTest, WithAltTheTextsDigitsComeFromTheKeysButTheirNeighboursStay) {
  Key(SDL_SCANCODE_LALT, SDLK_LALT, true);
  Drain();
  Text("/09:");
  std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].id, uint32_t(MSG_SYSCHAR));
  EXPECT_EQ(m[0].wParam, uint64_t('/'));
  EXPECT_EQ(m[1].id, uint32_t(MSG_SYSCHAR));
  EXPECT_EQ(m[1].wParam, uint64_t(':'));
  Key(SDL_SCANCODE_RCTRL, SDLK_RCTRL, true);
  Drain();
  Text("7");
  m = Drain();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].id, uint32_t(MSG_CHAR));
  EXPECT_EQ(m[0].wParam, uint64_t('7'));
}

TEST_F(TranslationTest, TextBecomesOneCharacterMessagePerCodePoint) {
  Text("a\xC3\xA9\xE2\x82\xAC");
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].wParam, 'a');
  EXPECT_EQ(m[1].wParam, 0xE9u);
  EXPECT_EQ(m[2].wParam, 0x20ACu) << "the core turns it into the input code page";
}

// The control characters (below the space, and delete) come from the keys, not the text; the
// space, the tilde and U+0080 beside them are characters.
TEST_F(TranslationTest, TextSkipsControlCharactersButNotTheirNeighbours) {
  Text("\x1f \x7f~\xC2\x80");
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].wParam, uint64_t(' '));
  EXPECT_EQ(m[1].wParam, uint64_t('~'));
  EXPECT_EQ(m[2].wParam, 0x80u);
  for (const WindowMessage& w : m) EXPECT_EQ(w.id, uint32_t(MSG_CHAR));
}

TEST_F(TranslationTest, MouseMessagesCarryTheButtonsAndModifiersOfTheirMoment) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = -3;  // a captured pointer left of the window
  e.button.y = 7;
  Key(SDL_SCANCODE_RCTRL, SDLK_RCTRL, true);
  TranslateSdlEvent(e);
  e.type = SDL_MOUSEMOTION;
  e.motion.x = 100000;
  e.motion.y = -2;
  TranslateSdlEvent(e);
  e = SDL_Event{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = -1;
  e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  e.wheel.mouseX = 5;
  e.wheel.mouseY = 6;
  TranslateSdlEvent(e);
  e.wheel.windowID = 12345;  // another window's event
  TranslateSdlEvent(e);

  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[1].id, MSG_LBUTTONDOWN);
  EXPECT_EQ(m[1].wParam, MOUSE_LEFT_DOWN | MOUSE_CTRL_DOWN);
  EXPECT_EQ(PointParamX(m[1].lParam), -3);
  EXPECT_EQ(PointParamY(m[1].lParam), 7);
  EXPECT_EQ(m[2].id, MSG_MOUSEMOVE);
  EXPECT_EQ(PointParamX(m[2].lParam), 100000);
  EXPECT_EQ(PointParamY(m[2].lParam), -2);
  EXPECT_EQ(m[3].id, MSG_MOUSEWHEEL);
  EXPECT_EQ(static_cast<int16_t>(m[3].wParam >> 16), 120) << "a flipped wheel's step turned the right way";

  // Losing the focus forgets what was held, so no button or Ctrl sticks.
  e = SDL_Event{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  TranslateSdlEvent(e);
  e = SDL_Event{};
  e.type = SDL_MOUSEMOTION;
  TranslateSdlEvent(e);
  const std::vector<WindowMessage> after = Drain();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].id, MSG_ACTIVATE);
  EXPECT_EQ(after[0].wParam, 0u);
  EXPECT_EQ(after[1].wParam, 0u);
}

// The window's moves, showings and display changes, a keyboard layout changed, and the
// middle and right buttons' releases each make their message; the focus, won or lost, also
// reaches the sound output (a buffer that sounds only with the focus is silent without it).
TEST_F(TranslationTest, MovesDisplaysLayoutsButtonsAndTheFocusReachTheirReceivers) {
  const auto window = [](Uint8 event, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.data1 = data1;
    e.window.data2 = data2;
    TranslateSdlEvent(e);
  };
  window(SDL_WINDOWEVENT_MOVED, 12, -34);
  window(SDL_WINDOWEVENT_SHOWN);
  window(SDL_WINDOWEVENT_DISPLAY_CHANGED);
  SDL_Event e{};
  e.type = SDL_DISPLAYEVENT;
  TranslateSdlEvent(e);
  e.type = SDL_KEYMAPCHANGED;
  TranslateSdlEvent(e);
  for (const Uint8 button : {Uint8(SDL_BUTTON_MIDDLE), Uint8(SDL_BUTTON_RIGHT)}) {
    for (const Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
      e = SDL_Event{};
      e.type = type;
      e.button.button = button;
      e.button.x = 5;
      e.button.y = 6;
      TranslateSdlEvent(e);
    }
  }
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 9u);
  EXPECT_EQ(m[0].id, MSG_MOVE);
  EXPECT_EQ(PointParamX(m[0].lParam), 12);
  EXPECT_EQ(PointParamY(m[0].lParam), -34);
  EXPECT_EQ(m[1].id, MSG_PAINT);
  EXPECT_EQ(m[2].id, MSG_DISPLAYCHANGE);
  EXPECT_EQ(m[3].id, MSG_DISPLAYCHANGE);
  EXPECT_EQ(m[4].id, MSG_INPUTLANGCHANGE);
  EXPECT_EQ(m[5].id, MSG_MBUTTONDOWN);
  EXPECT_EQ(m[5].wParam, uint64_t(MOUSE_MIDDLE_DOWN));
  EXPECT_EQ(m[6].id, MSG_MBUTTONUP);
  EXPECT_EQ(m[6].wParam, 0u);
  EXPECT_EQ(m[7].id, MSG_RBUTTONDOWN);
  EXPECT_EQ(m[7].wParam, uint64_t(MOUSE_RIGHT_DOWN));
  EXPECT_EQ(m[8].id, MSG_RBUTTONUP);
  EXPECT_EQ(PointParamX(m[8].lParam), 5);
  EXPECT_EQ(PointParamY(m[8].lParam), 6);

  ASSERT_EQ(AudioOpenDevice(AudioIdentity{}), AUDIO_OK) << AudioErrorText();
  ASSERT_EQ(AudioCreateBuffer(0, 8 * AUDIO_FRAME_BYTES, 0), AUDIO_OK);
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
  ASSERT_EQ(AudioLockBuffer(0, &data, &bytes), AUDIO_OK);
  for (uint32_t i = 0; i < bytes / 2; ++i) reinterpret_cast<int16_t*>(data)[i] = 500;
  AudioUnlockBuffer(0);
  AudioPlayBuffer(0, 1);
  int16_t mixed[2] = {};
  window(SDL_WINDOWEVENT_FOCUS_LOST);
  AudioMixFrames(mixed, 1);
  EXPECT_EQ(mixed[0], 0) << "no focus: silent";
  window(SDL_WINDOWEVENT_FOCUS_GAINED);
  AudioMixFrames(mixed, 1);
  EXPECT_EQ(mixed[0], 500) << "the focus back: heard";
  AudioCloseDevice();
  ClearWindowMessages();
}

TEST(Utf8, TheEdgesOfEachLengthAndOfTheValidRange) {
  const struct {
    const char* bytes;
    int length;
    uint32_t codePoint;
  } cases[] = {
      {"\x7F", 1, 0x7F},
      {"\xC1\xBF", 1, 0xFFFD},  // 0xC0 and 0xC1 only ever lead over-long pairs
      {"\xC2\x80", 2, 0x80},
      {"\xDF\xBF", 2, 0x7FF},
      {"\xE0\x9F\xBF", 3, 0xFFFD},  // 0x7FF in three bytes: over-long
      {"\xE0\xA0\x80", 3, 0x800},
      {"\xED\x9F\xBF", 3, 0xD7FF},
      {"\xED\xBF\xBF", 3, 0xFFFD},  // the last surrogate
      {"\xEE\x80\x80", 3, 0xE000},
      {"\xEF\xBF\xBF", 3, 0xFFFF},
      {"\xF0\x8F\xBF\xBF", 4, 0xFFFD},  // 0xFFFF in four bytes: over-long
      {"\xF0\x90\x80\x80", 4, 0x10000},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\xF4\x90\x80\x80", 4, 0xFFFD},  // past the last code point
      {"\xF5\x80\x80\x80", 1, 0xFFFD},  // 0xF5 to 0xFF lead nothing
      {"\xFF\x80\x80", 1, 0xFFFD},
      {"\xE2\x82" "A", 1, 0xFFFD},  // cut short in its third byte
      {"\xF0\x9F\x98" "A", 1, 0xFFFD},  // and in its fourth
  };
  for (const auto& c : cases) {
    uint32_t got = 0;
    EXPECT_EQ(DecodeUtf8(c.bytes, got), c.length) << std::hex << uint32_t(uint8_t(c.bytes[0]));
    EXPECT_EQ(got, c.codePoint) << std::hex << uint32_t(uint8_t(c.bytes[0])) << " " << uint32_t(uint8_t(c.bytes[1]));
  }
}

TEST_F(TranslationTest, WheelStepsAreNotchesOfAHundredAndTwentyHeldInSixteenBits) {
  auto wheel = [](int y, float preciseY) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    e.wheel.preciseY = preciseY;
    e.wheel.mouseX = 3;
    e.wheel.mouseY = 4;
    TranslateSdlEvent(e);
  };
  wheel(2, 2.0f);
  wheel(-1, -1.0f);
  wheel(0, 0.25f);   // a fraction of a step on a touchpad: one step its way
  wheel(0, -0.25f);
  wheel(0, 0.0f);    // nothing: no message
  wheel(300, 300.0f);   // 36000 does not fit: held at 32767
  wheel(-300, -300.0f);  // and -36000 at -32768
  Key(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, true);
  wheel(1, 1.0f);
  std::vector<WindowMessage> m = Drain();
  m.erase(std::remove_if(m.begin(), m.end(), [](const WindowMessage& w) { return w.id != MSG_MOUSEWHEEL; }), m.end());
  const int16_t deltas[] = {240, -120, 120, -120, 32767, -32768, 120};
  ASSERT_EQ(m.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(static_cast<int16_t>(m[i].wParam >> 16), deltas[i]) << i;
    EXPECT_EQ(PointParamX(m[i].lParam), 3) << i;
    EXPECT_EQ(PointParamY(m[i].lParam), 4) << i;
  }
  EXPECT_EQ(m[0].wParam & 0xFFFF, 0u);
  EXPECT_EQ(m[6].wParam & 0xFFFF, uint64_t(MOUSE_SHIFT_DOWN)) << "the keys held ride in the low word";
}

TEST_F(TranslationTest, ASizeBelowNothingIsReportedAsNothing) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  e.window.data1 = -5;
  e.window.data2 = 7;
  TranslateSdlEvent(e);
  e.window.data1 = 9;
  e.window.data2 = -1;
  TranslateSdlEvent(e);
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].wParam, 0u);
  EXPECT_EQ(m[0].lParam, 7);
  EXPECT_EQ(m[1].wParam, 9u);
  EXPECT_EQ(m[1].lParam, 0);
}

// A window maximised or restored reports its client area's size; with no window made there is
// no client area, and the size reported is nothing.
TEST_F(TranslationTest, AMaximisedOrRestoredEventWithoutAWindowReportsNoSize) {
  ASSERT_EQ(PlatformWindowExists(), 0);
  for (const Uint8 change : {SDL_WINDOWEVENT_MAXIMIZED, SDL_WINDOWEVENT_RESTORED}) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = change;
    e.window.data1 = 640;  // not read: the size is the client area's
    e.window.data2 = 480;
    TranslateSdlEvent(e);
  }
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 2u);
  for (const WindowMessage& w : m) {
    EXPECT_EQ(w.id, uint32_t(MSG_SIZE));
    EXPECT_EQ(w.wParam, 0u);
    EXPECT_EQ(w.lParam, 0);
  }
}

TEST_F(TranslationTest, WindowEventsBecomeWindowMessages) {
  const Uint8 events[] = {SDL_WINDOWEVENT_CLOSE, SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_SIZE_CHANGED,
                          SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_LEAVE, SDL_WINDOWEVENT_EXPOSED};
  for (Uint8 event : events) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.data1 = 800;
    e.window.data2 = 600;
    TranslateSdlEvent(e);
  }
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  TranslateSdlEvent(quit);
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 7u);
  EXPECT_EQ(m[0].id, MSG_CLOSE);
  EXPECT_EQ(m[1].id, MSG_ACTIVATE);
  EXPECT_EQ(m[1].wParam, 1u);
  EXPECT_EQ(m[2].id, MSG_SIZE);
  EXPECT_EQ(m[2].wParam, 800u);
  EXPECT_EQ(m[2].lParam, 600);
  EXPECT_EQ(m[3].id, MSG_SIZE) << "a minimised window has no client area";
  EXPECT_EQ(m[3].wParam, 0u);
  EXPECT_EQ(m[4].id, MSG_MOUSELEAVE);
  EXPECT_EQ(m[5].id, MSG_PAINT);
  EXPECT_EQ(m[6].id, MSG_CLOSE) << "a signal or the session's end asks to close";
  for (const size_t i : {size_t(0), size_t(3), size_t(4), size_t(5), size_t(6)}) {
    EXPECT_EQ(m[i].wParam, 0u) << "message " << i << " carries nothing";
    EXPECT_EQ(m[i].lParam, 0) << "message " << i << " carries nothing";
  }
}

}  // namespace

TEST_F(TranslationTest, ACompositionIsReadInWholeCharactersAndClosingTheImeDropsIt) {
  PlatformResetIme();
  PlatformNoteComposition("\xE6\x97\xA5\xE6\x9C\xAC", -2);  // two characters of three bytes
  char text[16];
  int cursor = 9;
  EXPECT_EQ(PlatformImeComposition(text, 7, &cursor), 6) << "six bytes and the zero fit exactly";
  EXPECT_EQ(cursor, 0) << "a cursor before the start is at the start";
  EXPECT_EQ(PlatformImeComposition(text, 6, &cursor), 3);
  EXPECT_EQ(PlatformImeComposition(text, 4, &cursor), 3);
  EXPECT_EQ(PlatformImeComposition(text, 3, &cursor), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(PlatformImeComposition(text, 0, &cursor), 0);
  // Bytes that continue a character with no lead before them are cut away whole.
  PlatformNoteComposition("\x80\x80\x80\x80", 0);
  EXPECT_EQ(PlatformImeComposition(text, 3, &cursor), 0);
  EXPECT_STREQ(text, "");
  PlatformNoteComposition("ab", 1);
  PlatformSetImeOpen(0);
  PlatformSetImeOpen(1);
  EXPECT_EQ(PlatformImeComposition(text, sizeof text, &cursor), 0) << "closed, what was composed is gone";
  EXPECT_EQ(cursor, 0);
  PlatformResetIme();
}

TEST_F(TranslationTest, TheImesCompositionIsKeptAndAnnounced) {
  PlatformResetIme();
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  std::strncpy(e.edit.text, "\xE6\x97\xA5\xE6\x9C\xAC", sizeof e.edit.text - 1);
  e.edit.start = 1;
  TranslateSdlEvent(e);
  const std::vector<WindowMessage> m = Drain();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].id, uint32_t(MSG_IME_COMPOSITION));
  EXPECT_EQ(m[0].wParam, uint64_t(IME_COMPOSITION_STRING | IME_COMPOSITION_CURSOR));
  char text[64];
  int cursor = -1;
  EXPECT_EQ(PlatformImeComposition(text, sizeof text, &cursor), 6);
  EXPECT_STREQ(text, "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(cursor, 1);
  // A long composition arrives whole in an extended event, which owns its text.
  SDL_Event ext{};
  ext.type = SDL_TEXTEDITING_EXT;
  std::string longText;
  for (int i = 0; i < 40; ++i) longText += "\xE6\x97\xA5";
  ext.editExt.text = SDL_strdup(longText.c_str());
  ext.editExt.start = 40;
  TranslateSdlEvent(ext);
  Drain();
  char big[IME_COMPOSITION_BYTES];
  EXPECT_EQ(PlatformImeComposition(big, sizeof big, &cursor), 120);
  // Cut before a character that does not fit whole.
  EXPECT_EQ(PlatformImeComposition(text, 8, &cursor), 6);
  // A closed IME shows nothing.
  PlatformSetImeOpen(0);
  EXPECT_EQ(PlatformImeComposition(text, sizeof text, &cursor), 0);
  PlatformResetIme();
}

// The IME starts open, as SDL starts text input with video; closed it reads 0, and opened again
// with any number but 0 it reads 1.  Opening an open IME keeps what it was composing.
TEST(ImeState, TheImeStartsOpenAndReadsOneOrZero) {
  PlatformResetIme();
  EXPECT_EQ(PlatformImeOpen(), 1);
  PlatformNoteComposition("ab", 2);
  PlatformSetImeOpen(3);
  char text[8];
  int cursor = -1;
  EXPECT_EQ(PlatformImeComposition(text, sizeof text, &cursor), 2) << "already open: nothing dropped";
  EXPECT_EQ(cursor, 2);
  PlatformSetImeOpen(0);
  EXPECT_EQ(PlatformImeOpen(), 0);
  PlatformSetImeOpen(3);
  EXPECT_EQ(PlatformImeOpen(), 1);
  PlatformResetIme();
}

// Here the IME gives no candidate list (none selected), no guide line and no native mode.
TEST(ImeState, NoCandidatesGuideLineOrNativeModeAreOffered) {
  char candidates[4][16] = {};
  int selected = 7;
  EXPECT_EQ(PlatformImeCandidates(candidates, 4, &selected), 0);
  EXPECT_EQ(selected, -1);
  EXPECT_EQ(PlatformImeCandidates(candidates, 4, nullptr), 0);
  EXPECT_EQ(PlatformImeGuideLine(), 0);
  EXPECT_EQ(PlatformImeNativeMode(), 0);
}

// A key message's data is one stroke (bit 0); a release also has the previous-state and
// release bits (30 and 31), and a key with Alt held the Alt bit (29). The characters the keys
// make carry the same data, and text carries one stroke alone.
TEST_F(TranslationTest, KeyMessagesCarryOneStrokeWithTheReleaseAndAltBits) {
  constexpr int64_t ONE = 1, ALT = int64_t{1} << 29, UP = (int64_t{1} << 30) | (int64_t{1} << 31);
  Key(SDL_SCANCODE_A, SDLK_a, true);
  Key(SDL_SCANCODE_A, SDLK_a, false);
  Key(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true);
  Text("q");
  Key(SDL_SCANCODE_LALT, SDLK_LALT, true);
  Key(SDL_SCANCODE_3, SDLK_3, true, KMOD_LALT);
  Key(SDL_SCANCODE_3, SDLK_3, false, KMOD_LALT);
  Key(SDL_SCANCODE_LALT, SDLK_LALT, false);
  const std::vector<WindowMessage> m = Drain();
  const std::vector<std::pair<uint32_t, int64_t>> expected = {
      {MSG_KEYDOWN, ONE},         {MSG_KEYUP, ONE | UP},          // A
      {MSG_KEYDOWN, ONE},         {MSG_CHAR, ONE},                // Backspace and its character 8
      {MSG_CHAR, ONE},                                            // the text's q
      {MSG_SYSKEYDOWN, ONE | ALT},                                // Alt itself is held once down
      {MSG_SYSKEYDOWN, ONE | ALT}, {MSG_SYSCHAR, ONE | ALT},      // 3 and its Alt digit
      {MSG_SYSKEYUP, ONE | ALT | UP},                             // 3 let go, Alt still held
      {MSG_SYSKEYUP, ONE | UP}};                                  // Alt let go: no longer held
  ASSERT_EQ(m.size(), expected.size());
  for (size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].id, expected[i].first) << i;
    EXPECT_EQ(m[i].lParam, expected[i].second) << i;
  }
  EXPECT_EQ(m[3].wParam, 8u);
  EXPECT_EQ(m[4].wParam, uint64_t('q'));
  EXPECT_EQ(m[7].wParam, uint64_t('3'));
}
