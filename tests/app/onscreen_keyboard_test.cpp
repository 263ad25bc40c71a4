// onscreen_keyboard_test.cpp - the on-screen keyboard driven headlessly: its controls, its
// labels, the key events its presses send and the text they type into the entry line.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/main_window.h"
#include "core/process.h"
#include "platform/key_input.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "text/code_pages.h"
#include "ui/interface.h"
#include "ui/onscreen_keyboard.h"
#include "ui/text_entry.h"

namespace {

using Events = std::vector<std::pair<uint32_t, uint64_t>>;

void EntryKey(Prss*, int keyCode) { EntryKeyDown(keyCode); }
void InterfaceMouse(Prss*, MouseRecord* mouse) { HandleInterfaceMouse(mouse); }

class OnscreenKeyboard : public ::testing::Test {
 protected:
  Prss screen{};
  int savedInput = 0;

  void SetUp() override {
    AppResetState();  // the shell's other tests in this binary leave their own state
    ResetMainWindowState();
    ResetInterfaceState();
    ResetOnscreenKeyboard();
    OnscreenKeyboardShown = 1;  // a mouse release reaches it only while it is shown
    ClearWindowMessages();
    ScreenWidth = 800;
    ScreenHeight = 600;
    CtrlHeld = AltHeld = ShiftHeld = 0;
    savedInput = InputCodePage;
    UseLocale("en_US");
    screen.key = EntryKey;
    screen.mouse = InterfaceMouse;
    screen.rawKeys = 0;
    CurrentProcess = &screen;
    ResetTextEntry();
    StartTextEntry(40, "", 0, ENTRY_MODE_FREE);
  }
  void TearDown() override {
    CurrentProcess = nullptr;
    ResetOnscreenKeyboard();
    ClearWindowMessages();
    ResetInterfaceState();
    SetKeyboardLocale("");
    InputCodePage = savedInput;
    CtrlHeld = AltHeld = ShiftHeld = 0;
  }

  static void UseLocale(const char* name) {
    SetKeyboardLocale(name);
    ShowKeyboardLayout();
  }

  // One frame of the keyboard over an empty interface.
  static void Frame() {
    ClearInterface();
    DoOnScreenKeyboard();
  }

  static const ValueControl* KeyControl(int key) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_PRESS_CALLBACK &&
          reinterpret_cast<uintptr_t>(ValueControls[i].variable) == uintptr_t(key))
        return &ValueControls[i];
    return nullptr;
  }

  // A left click on the key as the window delivers it: press, then release.
  static void Click(int key, bool release = true) {
    Frame();
    const ValueControl* c = KeyControl(key);
    ASSERT_NE(c, nullptr) << key;
    const int x = static_cast<int>((0.5f * (c->left + c->right) + 1.0f) * 0.5f * ScreenWidth);
    const int y = static_cast<int>((0.5f * (c->top + c->bottom) + 1.0f) * 0.5f * ScreenHeight);
    HandleMouseInput(MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, PointParam(x, y));
    if (release) HandleMouseInput(MSG_LBUTTONUP, 0, PointParam(x, y));
  }

  static Events TakeEvents() {
    Events out;
    WindowMessage m;
    while (PeekWindowMessage(m)) out.emplace_back(m.id, m.wParam);
    return out;
  }

  static void Pump() {
    WindowMessage m;
    while (PeekWindowMessage(m)) MainWndProc(m);
  }

  static std::string Entry() {
    char text[TEXT_ENTRY_CELLS * 2];
    EntryPlainText(text, sizeof text);
    return text;
  }
};

// ---- Layouts ----

TEST_F(OnscreenKeyboard, EveryRowOfEveryLayoutFillsTheKeyboardWidth) {
  int top = 0;
  for (const KeyboardRowEntry& e : KEYBOARD_TOP_ROW) top += e.width;
  EXPECT_EQ(top, 64);  // half-width units
  for (uint32_t part : {1033u, 1031u, 1036u, 2057u, 0x0411u, 61610u}) {
    const KeyboardRows& rows = KeyboardRowsOf(part << 16 | 0x0409u);
    for (int r = 0; r < KEYBOARD_ROWS; ++r) {
      int width = 0;
      for (const KeyboardRowEntry& e : rows.rows[r]) {
        width += e.width;
        if (e.key) {
          EXPECT_NE(KeyKindOf(e.key), KEY_KIND_NONE) << part << " row " << r << " key " << int(e.key);
        }
      }
      EXPECT_EQ(width, 32) << part << " row " << r;
    }
  }
}

TEST_F(OnscreenKeyboard, LayoutsAreChosenByTheLayoutPartOfTheIdentifier) {
  auto hasKey = [](uint32_t layout, int key) {
    for (const auto& row : KeyboardRowsOf(layout).rows)
      for (const KeyboardRowEntry& e : row)
        if (e.key == key) return true;
    return false;
  };
  // US English: Alt on the right; an unknown layout: AltGr.
  EXPECT_FALSE(hasKey(0x04090409u, KEY_ALTGR));
  EXPECT_TRUE(hasKey(0x04110411u, KEY_ALTGR));
  EXPECT_EQ(&KeyboardRowsOf(0x04110411u), &KeyboardRowsOf(0x00000409u));
  // The language half does not choose: US language with a German layout is German.
  EXPECT_EQ(&KeyboardRowsOf(0x04070409u), &KeyboardRowsOf(0x04070407u));
  EXPECT_NE(&KeyboardRowsOf(0x04070407u), &KeyboardRowsOf(0x04090409u));
  // Shared tables, and 61610 as Bulgarian.
  EXPECT_EQ(&KeyboardRowsOf(1030u << 16), &KeyboardRowsOf(1053u << 16));
  EXPECT_EQ(&KeyboardRowsOf(61610u << 16), &KeyboardRowsOf(1026u << 16));
  EXPECT_TRUE(hasKey(2057u << 16, 226));
  EXPECT_EQ(KeyboardLayoutOfLocale("de_DE.UTF-8"), 0x04070407u);
  EXPECT_EQ(KeyboardLayoutOfLocale("de_CH"), 0x08070807u);
  EXPECT_EQ(KeyboardLayoutOfLocale("ja_JP"), DEFAULT_KEYBOARD_LAYOUT);
  EXPECT_EQ(KeyboardLayoutOfLocale("denglish"), DEFAULT_KEYBOARD_LAYOUT);
}

// ---- Labels ----

TEST_F(OnscreenKeyboard, LabelsComeFromTheLayoutWithDeadKeysMarked) {
  BuildKeyLabels();
  const KeyLabel& a = KeyLabels[KeyKindOf('A') - KEY_KIND_LABELLED];
  EXPECT_EQ(a.level[0], 'a');
  EXPECT_EQ(a.level[1], 'A');
  EXPECT_EQ(a.level[2], 0);
  EXPECT_EQ(KeyLabels[KeyKindOf('1') - KEY_KIND_LABELLED].level[1], '!');
  EXPECT_EQ(KeyLabels[KeyKindOf(223) - KEY_KIND_LABELLED].level[0], 0);  // no such key here

  UseLocale("de_DE");
  BuildKeyLabels();
  EXPECT_EQ(KeyboardLayout, 0x04070407u);
  const KeyLabel& circumflex = KeyLabels[KeyKindOf(220) - KEY_KIND_LABELLED];
  EXPECT_EQ(circumflex.level[0], '^');
  EXPECT_EQ(circumflex.deadMask, 1);
  EXPECT_EQ(circumflex.level[1], 0xB0);  // degree sign in the Latin 1 page
  const KeyLabel& accents = KeyLabels[KeyKindOf(221) - KEY_KIND_LABELLED];
  EXPECT_EQ(accents.deadMask, 3);
  const KeyLabel& e = KeyLabels[KeyKindOf('E') - KEY_KIND_LABELLED];
  EXPECT_EQ(e.level[2], 0x80);  // the euro sign of the page

  // Shown: the plain level marked dead in red, AltGr's level while Ctrl and Alt are on.
  Frame();
  const ValueControl* dead = KeyControl(220);
  ASSERT_NE(dead, nullptr);
  EXPECT_EQ(dead->minimum.i, intptr_t{'^'} | intptr_t{1} << 24);
  EXPECT_EQ(KeyControl('Q')->minimum.i, 'q');
  PressOnscreenKey(KEY_ALTGR);
  Frame();
  EXPECT_EQ(KeyControl('Q')->minimum.i, '@');
  PressOnscreenKey(KEY_SHIFT);  // Shift with Ctrl and Alt: still AltGr's level
  Frame();
  EXPECT_EQ(KeyControl('Q')->minimum.i, '@');
}

TEST_F(OnscreenKeyboard, ADeadKeyAtTheAltGrLevelShowsMarkedAndAccentsTheNextKey) {
  UseLocale("fr_FR");
  Frame();
  const KeyLabel& two = KeyLabels[KeyKindOf('2') - KEY_KIND_LABELLED];
  EXPECT_EQ(two.level[0], 0xE9);
  EXPECT_EQ(two.level[1], '2');
  EXPECT_EQ(two.level[2], '~');
  EXPECT_EQ(two.deadMask, 4);
  EXPECT_EQ(KeyLabels[KeyKindOf(222) - KEY_KIND_LABELLED].level[1], 0);  // the squared key has one level
  EXPECT_EQ(KeyControl('2')->minimum.i, 0xE9);
  Click(KEY_ALTGR);
  Frame();
  EXPECT_EQ(KeyControl('2')->minimum.i, intptr_t{'~'} | intptr_t{1} << 24);
  Click('2');
  Pump();
  Click('N');
  Pump();
  EXPECT_EQ(Entry(), "\xF1");
  EXPECT_EQ(CtrlHeld + AltHeld, 0);
}

TEST_F(OnscreenKeyboard, LabelsAreRebuiltAfterALayoutChange) {
  Frame();
  EXPECT_EQ(KeyboardLayout, DEFAULT_KEYBOARD_LAYOUT);
  EXPECT_EQ(KeyControl(186)->minimum.i, ';');
  UseLocale("de_AT");
  Frame();
  EXPECT_EQ(KeyboardLayout, 0x04070407u);
  EXPECT_EQ(KeyControl(186)->minimum.i, 0xFC);  // u with umlaut
}

// ---- Drawing ----

TEST_F(OnscreenKeyboard, ControlsArePlacedBelowTheTopInTheInputCodePage) {
  UseLocale("ru_RU");
  ASSERT_NE(InputCodePage, CODE_PAGE_LATIN1);
  CurrentCodePage = CODE_PAGE_LATIN1;
  Frame();
  EXPECT_EQ(CurrentCodePage, CODE_PAGE_LATIN1);
  const ValueControl& background = ValueControls[0];
  EXPECT_EQ(background.displayType, VALUE_TYPE_PRESS_ONLY);
  EXPECT_FLOAT_EQ(background.left, -0.42f);
  EXPECT_FLOAT_EQ(background.top, -0.47f);
  EXPECT_FLOAT_EQ(background.bottom, -0.04f);
  const ValueControl* escape = KeyControl(KEY_ESCAPE);
  EXPECT_FLOAT_EQ(escape->top, -0.45f);
  EXPECT_FLOAT_EQ(escape->bottom, -0.39f);
  EXPECT_NEAR(escape->right, -0.4f + 6 * 0.0125f, 0.003f);
  const ValueControl* backquote = KeyControl(192);
  EXPECT_FLOAT_EQ(backquote->top, -0.36f);
  EXPECT_NEAR(backquote->left, -0.4f, 0.003f);
  EXPECT_EQ(backquote->codePage, InputCodePage);
  // Neighbours' faces stand apart by a pixel each (2 / 800 units), never one strip.
  ASSERT_TRUE(KeyControl('1') && KeyControl('2'));
  EXPECT_NEAR(KeyControl('2')->left - KeyControl('1')->right, 4.0f / 800.0f, 1e-5f);
  const ValueControl* space = KeyControl(KEY_SPACE);
  EXPECT_NEAR(space->right - space->left, 14 * 0.025f, 0.006f);
  EXPECT_FLOAT_EQ(space->top, -0.47f + 0.11f + 4 * 0.06f);

  OnscreenKeyboardRaised = 1;
  Frame();
  EXPECT_FLOAT_EQ(ValueControls[0].top, -0.9f);
}

// The panel is no row beside its keys (it has no owner), yet a press between the keys, in the
// band under the function keys, reaches nothing beneath the keyboard.
TEST_F(OnscreenKeyboard, APressBetweenTheKeysReachesNothingBeneath) {
  static int pressedBeneath = 0;
  pressedBeneath = 0;
  ClearInterface();
  AddValueControl(&screen, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_PRESS_CALLBACK, nullptr,
                  [](void*, int, uintptr_t) { ++pressedBeneath; }, -1.0f, -1.0f, 1.0f, 1.0f);
  DoOnScreenKeyboard();
  EXPECT_EQ(ValueControls[1].owner, nullptr) << "the keyboard's panel";
  const int x = ScreenWidth / 2, y = static_cast<int>((-0.47f + 0.095f + 1.0f) * 0.5f * ScreenHeight);
  HandleMouseInput(MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, PointParam(x, y));
  HandleMouseInput(MSG_LBUTTONUP, 0, PointParam(x, y));
  EXPECT_EQ(pressedBeneath, 0);
  HandleMouseInput(MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, PointParam(x, ScreenHeight - 5));
  EXPECT_EQ(pressedBeneath, 1) << "a press off the keyboard";
}

TEST_F(OnscreenKeyboard, NothingIsAddedPastAFullTable) {
  ClearInterface();
  for (int i = 0; i < MAX_VALUE_CONTROLS - 5; ++i)
    AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_PRESS_ONLY, nullptr, nullptr, 0, 0, 0,
                    0);
  DoOnScreenKeyboard();
  EXPECT_EQ(ValueControlCount, MAX_VALUE_CONTROLS);
}

// ---- Key events ----

TEST_F(OnscreenKeyboard, ToggledShiftGoesDownAndUpAroundTheNextKeyOnly) {
  Click(KEY_SHIFT);
  EXPECT_EQ(KeyboardToggles.shift, 1);  // its own release keeps it
  EXPECT_TRUE(TakeEvents().empty());
  Click('A', false);
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYDOWN, KEY_SHIFT}, {MSG_KEYDOWN, 'A'}, {MSG_CHAR, 'A'}}));
  HandleMouseInput(MSG_LBUTTONUP, 0, PointParam(MouseX, MouseY));
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYUP, KEY_SHIFT}, {MSG_KEYUP, 'A'}}));
  EXPECT_EQ(KeyboardToggles.shift, 0);
  Click('A');
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYDOWN, 'A'}, {MSG_CHAR, 'a'}, {MSG_KEYUP, 'A'}}));
}

TEST_F(OnscreenKeyboard, HidingTheKeyboardLetsGoOfTheKeyItHolds) {
  PressOnscreenKey(KEY_SHIFT);
  Click('B', false);
  TakeEvents();
  ToggleOnscreenKeyboard();
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYUP, KEY_SHIFT}, {MSG_KEYUP, 'B'}}));
  EXPECT_EQ(KeyboardToggles.heldKey, 0);
  EXPECT_EQ(KeyboardToggles.shift, 0);
}

TEST_F(OnscreenKeyboard, OtherKeysSendTheirWholeStrokeAtThePress) {
  PressOnscreenKey(KEY_CTRL);
  Click(KEY_ENTER, false);
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYDOWN, KEY_CTRL},
                                  {MSG_KEYDOWN, KEY_ENTER},
                                  {MSG_CHAR, 10},
                                  {MSG_KEYUP, KEY_CTRL},
                                  {MSG_KEYUP, KEY_ENTER}}));
  EXPECT_EQ(KeyboardToggles.ctrl, 0);
  HandleMouseInput(MSG_LBUTTONUP, 0, PointParam(MouseX, MouseY));
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(OnscreenKeyboard, CtrlWithALetterGivesItsControlCodeFromOneToTwentySix) {
  for (const auto& [key, code] : {std::pair{'A', 1}, {'B', 2}, {'Y', 25}, {'Z', 26}}) {
    PressOnscreenKey(KEY_CTRL);
    Click(key);
    EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYDOWN, KEY_CTRL},
                                    {MSG_KEYDOWN, uint64_t(key)},
                                    {MSG_CHAR, uint64_t(code)},
                                    {MSG_KEYUP, KEY_CTRL},
                                    {MSG_KEYUP, uint64_t(key)}}))
        << char(key);
  }
  PressOnscreenKey(KEY_CTRL);
  Click('9');  // not a letter: no character at all
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYDOWN, KEY_CTRL}, {MSG_KEYDOWN, '9'}, {MSG_KEYUP, KEY_CTRL}, {MSG_KEYUP, '9'}}));
}

TEST_F(OnscreenKeyboard, ADeadKeyThenSpaceGivesTheAccentAlone) {
  UseLocale("de_DE");
  Click(220);  // the dead circumflex
  Pump();
  Click(KEY_SPACE);
  Pump();
  EXPECT_EQ(Entry(), "^");
  Click(220);  // and before a letter it has no form with: both, in order
  Click('Q');
  Pump();
  EXPECT_EQ(Entry(), "^^q");
}

TEST_F(OnscreenKeyboard, AltGrTogglesCtrlAndAltTogether) {
  PressOnscreenKey(KEY_ALTGR);
  EXPECT_EQ(KeyboardToggles.ctrl, 1);
  EXPECT_EQ(KeyboardToggles.alt, 1);
  PressOnscreenKey(KEY_ALTGR);
  EXPECT_EQ(KeyboardToggles.ctrl, 0);
  EXPECT_EQ(KeyboardToggles.alt, 0);
  PressOnscreenKey(KEY_CTRL);
  PressOnscreenKey(KEY_ALTGR);  // one of them on: both on
  EXPECT_EQ(KeyboardToggles.ctrl + KeyboardToggles.alt, 2);
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(OnscreenKeyboard, CapsLockIsPressedAndReleasedAndShowsItsToggle) {
  const bool before = CapsLockToggled();
  Click(KEY_CAPS_LOCK);
  EXPECT_EQ(TakeEvents(), (Events{{MSG_KEYDOWN, KEY_CAPS_LOCK}, {MSG_KEYUP, KEY_CAPS_LOCK}}));
  EXPECT_NE(CapsLockToggled(), before);
  Frame();
  EXPECT_EQ(KeyControl(KEY_CAPS_LOCK)->colour != nullptr, CapsLockToggled());
  Click('Q');
  const Events events = TakeEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1], (std::pair<uint32_t, uint64_t>{MSG_CHAR, CapsLockToggled() ? 'Q' : 'q'}));
}

// ---- Typing into the entry line ----

TEST_F(OnscreenKeyboard, ClicksTypeIntoTheEntryLine) {
  Click('H');
  Click('I');
  Click(KEY_SHIFT);
  Click('1');
  Pump();
  EXPECT_EQ(Entry(), "hi!");
  Click(KEY_SPACE, false);
  EXPECT_EQ(Entry(), "hi! ");  // at once, not through the queue
  HandleMouseInput(MSG_LBUTTONUP, 0, PointParam(MouseX, MouseY));
  EXPECT_EQ(CountWindowMessages(), 0);
  Click(KEY_BACKSPACE);
  Click(KEY_BACKSPACE);
  Pump();
  EXPECT_EQ(Entry(), "hi");
  EXPECT_EQ(ShiftHeld, 0);  // every key sent down came up
}

TEST_F(OnscreenKeyboard, ADeadKeyAccentsTheNextLetter) {
  UseLocale("de_DE");
  for (int key : {220, int{'E'}, 220, 221, int{'X'}}) {  // a frame each
    Click(key);
    Pump();
  }
  // The second accent types the first and waits; one with no accented form types both.
  EXPECT_EQ(Entry(), "\xEA^\xB4x");
}

TEST_F(OnscreenKeyboard, SpaceReachesARawKeyScreenAsAHeldKey) {
  int received = 0;
  static int* sink;
  sink = &received;
  screen.rawKeys = 1;
  screen.key = [](Prss*, int key) { *sink = key; };
  Click(KEY_SPACE, false);
  EXPECT_EQ(KeyState[KEY_SPACE], 1);
  EXPECT_EQ(received, KEY_SPACE);
  HandleMouseInput(MSG_LBUTTONUP, 0, PointParam(MouseX, MouseY));
  EXPECT_EQ(KeyState[KEY_SPACE], 0);
}

}  // namespace
