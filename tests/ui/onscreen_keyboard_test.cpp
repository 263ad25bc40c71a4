// onscreen_keyboard_test.cpp - the on-screen keyboard's key kinds, its drawn keys and what
// pressing its Space hands to the screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/process.h"
#include "core/window_state.h"
#include "platform/key_input.h"
#include "platform/keys.h"
#include "ui/interface.h"
#include "ui/onscreen_keyboard.h"

namespace {

std::vector<int> g_Characters;
std::vector<int> g_KeysUp;

}  // namespace

// The function keys F1 to F12 are the kinds after Escape, one each; the keys on either side of
// them are not keyboard keys.  The labelled keys take their place in the list from its second
// entry ("0") to its last (226).
TEST(OnscreenKeyboardKeys, FunctionAndLabelledKeysTakeTheirKindsToTheLastOne) {
  EXPECT_EQ(KeyKindOf(KEY_F1), KEY_KIND_F1);
  EXPECT_EQ(KeyKindOf(KEY_F12), KEY_KIND_F1 + 11);
  EXPECT_EQ(KeyKindOf(KEY_F1 - 1), KEY_KIND_NONE);
  EXPECT_EQ(KeyKindOf(KEY_F12 + 1), KEY_KIND_NONE);
  EXPECT_EQ(KeyKindOf('0'), KEY_KIND_LABELLED + 1);
  EXPECT_EQ(KeyKindOf(226), KEY_KIND_LABELLED + LABELLED_KEY_COUNT - 1);
  EXPECT_EQ(KeyKindOf(KEY_SPACE), KEY_KIND_SPACE);
}

// Space is a bare key: the special keys carry their word over them, the space bar none.
TEST(OnscreenKeyboardKeys, TheSpaceBarCarriesNoWord) {
  ResetOnscreenKeyboard();
  ClearInterface();
  DoOnScreenKeyboard();
  const ValueControl* space = nullptr;
  const ValueControl* escape = nullptr;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.displayType != VALUE_TYPE_PRESS_CALLBACK) continue;
    if (reinterpret_cast<uintptr_t>(c.variable) == uintptr_t{KEY_SPACE}) space = &c;
    if (reinterpret_cast<uintptr_t>(c.variable) == uintptr_t{KEY_ESCAPE}) escape = &c;
  }
  ASSERT_NE(space, nullptr);
  ASSERT_NE(escape, nullptr);
  int overSpace = 0, overEscape = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.displayType != VALUE_TYPE_LABEL) continue;
    overSpace += c.left == space->left && c.top == space->top;
    overEscape += c.left == escape->left && c.top == escape->top;
  }
  EXPECT_EQ(overSpace, 0);
  EXPECT_EQ(overEscape, 1) << "\"esc\" over Escape";
  ClearInterface();
  ResetOnscreenKeyboard();
}

// A screen that takes characters gets one space from the space bar, at once, and the bar is held
// until the button is let go.
TEST(OnscreenKeyboardKeys, TheSpaceBarTypesOneSpaceAndIsHeldUntilLetGo) {
  ResetOnscreenKeyboard();
  g_Characters.clear();
  g_KeysUp.clear();
  Prss screen{};
  screen.rawKeys = 0;
  Prss* const savedProcess = CurrentProcess;
  const auto savedChar = HandleCharMessage;
  const auto savedUp = HandleKeyUp;
  CurrentProcess = &screen;
  HandleCharMessage = [](int character) { g_Characters.push_back(character); };
  HandleKeyUp = [](int key) { g_KeysUp.push_back(key); };
  PressOnscreenKey(KEY_SPACE);
  EXPECT_EQ(g_Characters, std::vector<int>{' '});
  EXPECT_EQ(KeyboardToggles.heldSpace, 1);
  EXPECT_TRUE(g_KeysUp.empty());
  ReleaseOnscreenKeyboardModifiers();
  EXPECT_EQ(g_KeysUp, std::vector<int>{KEY_SPACE});
  EXPECT_EQ(KeyboardToggles.heldSpace, 0);
  CurrentProcess = savedProcess;
  HandleCharMessage = savedChar;
  HandleKeyUp = savedUp;
  ResetOnscreenKeyboard();
}

// A screen reading raw keys gets the space bar as a key press instead; hiding the keyboard lets
// go of a bar still held.  A press on the bar's control presses it, its release does not.
TEST(OnscreenKeyboardKeys, RawKeysGetTheSpaceBarAsAKeyAndHidingLetsItGo) {
  ResetOnscreenKeyboard();
  g_Characters.clear();
  g_KeysUp.clear();
  static std::vector<int> keysDown;
  keysDown.clear();
  Prss screen{};
  screen.rawKeys = 1;
  Prss* const savedProcess = CurrentProcess;
  const auto savedChar = HandleCharMessage;
  const auto savedDown = HandleKeyDown;
  const auto savedUp = HandleKeyUp;
  CurrentProcess = &screen;
  HandleCharMessage = [](int character) { g_Characters.push_back(character); };
  HandleKeyDown = [](int key, int64_t) { keysDown.push_back(key); };
  HandleKeyUp = [](int key) { g_KeysUp.push_back(key); };
  ToggleOnscreenKeyboard();
  ASSERT_EQ(OnscreenKeyboardShown, 1);
  ClearInterface();
  DoOnScreenKeyboard();
  const ValueControl* space = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_PRESS_CALLBACK &&
        reinterpret_cast<uintptr_t>(ValueControls[i].variable) == uintptr_t{KEY_SPACE})
      space = &ValueControls[i];
  ASSERT_NE(space, nullptr);
  ASSERT_NE(space->callback, nullptr);
  space->callback(nullptr, 0, uintptr_t{KEY_SPACE});  // the release: nothing
  EXPECT_TRUE(keysDown.empty());
  space->callback(nullptr, 1, uintptr_t{KEY_SPACE});
  EXPECT_EQ(keysDown, std::vector<int>{KEY_SPACE});
  EXPECT_TRUE(g_Characters.empty());
  EXPECT_EQ(KeyboardToggles.heldSpace, 1);
  ToggleOnscreenKeyboard();  // hidden: the bar goes up
  EXPECT_EQ(OnscreenKeyboardShown, 0);
  EXPECT_EQ(g_KeysUp, std::vector<int>{KEY_SPACE});
  EXPECT_EQ(KeyboardToggles.heldSpace, 0);
  ClearInterface();
  CurrentProcess = savedProcess;
  HandleCharMessage = savedChar;
  HandleKeyDown = savedDown;
  HandleKeyUp = savedUp;
  ResetOnscreenKeyboard();
}
