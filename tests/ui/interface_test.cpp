// interface_test.cpp - the interface tables driven headlessly with mouse records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/process.h"
#include "core/window_state.h"
#include "tests/ui/mouse_records.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/interface_local.h"
#include "ui/screen_labels.h"
#include "ui/text_measure.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

namespace {

struct HandlerCall {
  int count = 0;
  void* owner = nullptr;
  int code = -1;
  uintptr_t word = 0;
};
HandlerCall g_Call;
void RecordHandler(void* owner, int code, uintptr_t word) {
  ++g_Call.count;
  g_Call.owner = owner;
  g_Call.code = code;
  g_Call.word = word;
}

// A handler that adds a button while it runs, as a screen that rebuilds itself would.
void AddingHandler(void* owner, int, uintptr_t) {
  AddButton(static_cast<Prss*>(owner), 0, 0, 800, 600, 99, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN,
            nullptr, RecordHandler, nullptr);
}

class Interface : public ::testing::Test {
 protected:
  Prss owner{};
  void SetUp() override {
    ResetInterfaceState();
    ScreenWidth = 800;
    ScreenHeight = 600;
    MouseX = MouseY = 0;
    g_Call = HandlerCall{};
    SetInterfaceRectangleToScreen();
  }
  void TearDown() override { ResetInterfaceState(); }

  int Send(int x, int y, int code, int left, int right, int release = 0, int wheel = 0) {
    return SendMouse(x, y, code, left, right, release, wheel);
  }
  int Press(int x, int y, int code = 1) { return PressMouse(x, y, code); }
  int Release(int x, int y, int which = 1) { return ReleaseMouse(x, y, which); }
  int Move(int x, int y, int left = 1, int right = 0) { return Send(x, y, 0, left, right); }
  int Button(int l, int t, int r, int b, uintptr_t word, Prss* who, ButtonStyle style = BUTTON_STYLE_TEXT) {
    return AddButton(who, l, t, r, b, word, IvText("b"), IvInt(0), IvInt(0), style, nullptr, RecordHandler,
                     "hint");
  }
  // A scroll list of the entries in a window of four at the screen's top left; its knob.
  const InterfaceButton& ScrollList(int32_t& position, int entries) {
    SetInterfaceMetrics();
    RowCursorX = 0;
    RowCursorY = 0;
    SliderGeometry g{-1, -1, 0, 1, 206};
    AddSliderControl(&owner, g, &position, 0, 4, entries);
    return InterfaceButtons[ButtonCount - 1];
  }
  // A value control over pixel rectangle (l, t)-(r, b) of the 800 x 600 screen.
  int Control(int l, int t, int r, int b, void* variable, DisplayType type, InterfaceValue minimum,
              InterfaceValue maximum, InterfaceValue label, Prss* who) {
    auto nx = [](int x) { return x / 400.0f - 1.0f; };
    auto ny = [](int y) { return y / 300.0f - 1.0f; };
    return AddValueControl(who, variable, minimum, maximum, label, type, nullptr, RecordHandler, nx(l), ny(t),
                           nx(r), ny(b));
  }
};

}  // namespace

TEST_F(Interface, TheLastAddedButtonUnderThePointerTakesThePress) {
  Button(0, 0, 100, 100, 1, &owner);
  Button(50, 50, 150, 150, 2, &owner);
  EXPECT_EQ(Press(60, 60), 1);
  EXPECT_EQ(g_Call.count, 1);
  EXPECT_EQ(g_Call.word, 2u);
  EXPECT_EQ(g_Call.owner, &owner);
  EXPECT_EQ(g_Call.code, 1);
}

TEST_F(Interface, AButtonWithoutOwnerIsNeverHitEvenOnTop) {
  Button(0, 0, 100, 100, 1, &owner);
  Button(0, 0, 100, 100, 2, nullptr);
  Press(10, 10);
  EXPECT_EQ(g_Call.word, 1u);
  ClearInterface();
  AddNullButton();
  EXPECT_EQ(Press(0, 0), 0);
}

TEST_F(Interface, RightAndBottomEdgesLieOutsideAButton) {
  Button(10, 10, 20, 20, 1, &owner);
  EXPECT_EQ(Press(20, 15), 0);
  EXPECT_EQ(Press(15, 20), 0);
  EXPECT_EQ(g_Call.count, 0);
  EXPECT_EQ(Press(19, 19), 1);
  EXPECT_EQ(g_Call.count, 1);
}

TEST_F(Interface, OneClickIsOneActionPerFrame) {
  Button(0, 0, 100, 100, 1, &owner);
  Press(10, 10);
  EXPECT_EQ(ButtonCount, 0);
  EXPECT_EQ(Press(10, 10), 0);
  EXPECT_EQ(g_Call.count, 1);
}

TEST_F(Interface, AButtonAddedByAHandlerIsGoneAfterThePress) {
  AddButton(&owner, 0, 0, 100, 100, 1, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN, nullptr, AddingHandler,
            nullptr);
  Press(10, 10);
  EXPECT_EQ(ButtonCount, 0);
}

TEST_F(Interface, HandlerWordsCarryWholePointers) {
  static_assert(sizeof(InterfaceButton::word) == sizeof(void*));
  static_assert(sizeof(InterfaceValue) == sizeof(void*));
  static int64_t far;
  const uintptr_t address = reinterpret_cast<uintptr_t>(&far);
  Button(0, 0, 10, 10, address, &owner, BUTTON_STYLE_PLAIN);
  Press(1, 1);
  EXPECT_EQ(g_Call.word, address);
}

TEST_F(Interface, TheHoverHintFollowsThePointer) {
  Button(0, 0, 10, 10, 1, &owner);
  MouseX = MouseY = 5;
  EXPECT_NE(FindButtonUnderMouse(), nullptr);
  EXPECT_STREQ(HoverHint, "hint");
  EXPECT_EQ(PointerOverButton, 1);
  MouseX = 50;
  EXPECT_EQ(FindButtonUnderMouse(), nullptr);
  EXPECT_EQ(HoverHint, nullptr);
  EXPECT_EQ(PointerOverButton, 0);
}

TEST_F(Interface, AFullTableDropsFurtherAdds) {
  for (int i = 0; i < MAX_INTERFACE_BUTTONS; ++i) ASSERT_EQ(AddNullButton(), i);
  EXPECT_EQ(AddNullButton(), -1);
  float v = 0;
  for (int i = 0; i < MAX_VALUE_CONTROLS; ++i)
    ASSERT_GE(Control(0, 0, 1, 1, &v, VALUE_TYPE_TEXT, IvInt(0), IvInt(0), IvText(nullptr), &owner), 0);
  EXPECT_EQ(Control(0, 0, 1, 1, &v, VALUE_TYPE_TEXT, IvInt(0), IvInt(0), IvText(nullptr), &owner), -1);
}

TEST_F(Interface, MetricsFollowTheCharacterSize) {
  const int saved = CfgCharSize;
  CfgCharSize = 1;
  SetInterfaceMetrics();
  EXPECT_EQ(TextSize, 13);
  EXPECT_EQ(ButtonHeight, 18);
  EXPECT_EQ(ButtonWidth, 16);
  CfgCharSize = 4;
  SetInterfaceMetrics();
  EXPECT_EQ(TextSize, 19);
  EXPECT_EQ(ButtonHeight, 24);
  EXPECT_EQ(ButtonWidth, 24);
  EXPECT_EQ(InterfaceScaleRounded, 3);
  // The largest size, 10: 2 * 10 + 11 = 31, buttons 36 high and 2 * round(31 * 0.65 = 20.15) = 40
  // wide, the scale (10 - 1) / 9 + 3 = 4.
  CfgCharSize = 10;
  SetInterfaceMetrics();
  EXPECT_EQ(TextSize, 31);
  EXPECT_EQ(ButtonHeight, 36);
  EXPECT_EQ(ButtonWidth, 40);
  EXPECT_EQ(InterfaceScaleRounded, 4);
  // Sizes outside 1..10 fall back to 4.
  for (int outside : {0, 11}) {
    CfgCharSize = outside;
    SetInterfaceMetrics();
    EXPECT_EQ(TextSize, 19) << outside;
  }
  CfgCharSize = saved;
}

TEST_F(Interface, RowAddersAdvanceTheCursor) {
  SetInterfaceMetrics();
  RowCursorX = 10;
  RowCursorY = 20;
  AddRowButton(&owner, 3, 1, 0, nullptr, "x", RecordHandler, nullptr);
  EXPECT_EQ(RowCursorX, 10 + 3 * ButtonWidth);
  EXPECT_EQ(InterfaceButtons[0].style, BUTTON_STYLE_TEXT);
  EXPECT_EQ(InterfaceButtons[0].bottom - InterfaceButtons[0].top, ButtonHeight);
  AddRowButton(&owner, 1, 1, 0, nullptr, nullptr, RecordHandler, nullptr);
  EXPECT_EQ(InterfaceButtons[1].style, BUTTON_STYLE_PLAIN);
  SetRowCursorFromBottomRight(2, 1);
  EXPECT_EQ(RowCursorX, ScreenWidth - 2 * ButtonWidth);
  EXPECT_EQ(RowCursorY, ScreenHeight - ButtonHeight);
}

TEST_F(Interface, RadioFlagAndByteButtonsChangeTheirVariables) {
  SetInterfaceMetrics();
  int32_t chosen = 0;
  const char* texts[] = {"a", "b", "c"};
  AddRadioButtonColumn(&owner, 1, &chosen, 3, texts, nullptr, RecordHandler, nullptr);
  EXPECT_EQ(InterfaceButtons[0].fourth.i, 1);
  Press(2 * ButtonWidth + 1, 1);
  EXPECT_EQ(chosen, 2);
  EXPECT_EQ(g_Call.word, 2u);

  uint32_t flags = 0x10;
  RowCursorX = 0;
  AddRowListButton(&owner, 2, "flag", 0x11, &flags, nullptr, 0, RecordHandler, nullptr);
  Press(1, 1);
  EXPECT_EQ(flags, 0x01u);
  EXPECT_EQ(g_Call.word, 0u);  // value-bound styles hand word 0

  uint8_t byteFlags = 0;
  RowCursorX = 0;
  AddByteFlagToggle(&owner, 4, "bit", 4, &byteFlags, nullptr, RecordHandler, nullptr);
  Press(3 * ButtonWidth, 1);
  EXPECT_EQ(byteFlags, 4);
}

TEST_F(Interface, StepButtonsClampAndSkipWithoutAVariable) {
  int32_t value = 5;
  AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(&value), IvInt(0), IvInt(12), IvInt(0),
            BUTTON_STYLE_INT_PLUS, nullptr, RecordHandler, nullptr);
  Press(1, 1, 2);  // +10 on a right press, at most 12
  EXPECT_EQ(value, 12);
  AddButton(&owner, 0, 0, 10, 10, 0, IvInt(0), IvInt(12), IvInt(0), BUTTON_STYLE_INT_MINUS, nullptr, RecordHandler,
            nullptr);
  EXPECT_EQ(Press(1, 1), 1);  // no variable: nothing changes, nothing crashes
  float f = 1.0f;
  AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(&f), IvFloat(0.0f), IvFloat(2.0f), IvInt(0),
            BUTTON_STYLE_FLOAT_PLUS, nullptr, RecordHandler, nullptr);
  g_Call = HandlerCall{};
  Press(1, 1);  // a step below 1e-8 does nothing and calls no handler
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(g_Call.count, 0);
}

// The step styles, a press at a time: left presses step by 1, right ones by 10 (5 for
// colours), each clamped to [text field, third field]; the handler always hears word 0.
TEST_F(Interface, StepStylesMoveTheirVariablesByTheirStepsWithinTheirLimits) {
  uint8_t byte = 5;
  const auto step = [&](void* variable, ButtonStyle style, int lo, int hi, int code) {
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(variable), IvInt(lo), IvInt(hi), IvInt(0), style,
              nullptr, RecordHandler, nullptr);
    g_Call = HandlerCall{};
    Press(1, 1, code);
    EXPECT_EQ(g_Call.count, 1) << "style " << style;
    EXPECT_EQ(g_Call.word, 0u) << "style " << style;
  };
  step(&byte, BUTTON_STYLE_BYTE_STEP_PLUS, 0, 12, 1);
  EXPECT_EQ(byte, 6);
  step(&byte, BUTTON_STYLE_BYTE_STEP_PLUS, 0, 12, 2);
  EXPECT_EQ(byte, 12) << "16, held at 12";
  step(&byte, BUTTON_STYLE_BYTE_STEP_MINUS, 3, 12, 2);
  EXPECT_EQ(byte, 3) << "2, held at 3";
  step(&byte, BUTTON_STYLE_BYTE_STEP_MINUS, 0, 12, 1);
  EXPECT_EQ(byte, 2);
  byte = 250;
  step(&byte, BUTTON_STYLE_COLOUR_PLUS, 0, 255, 2);
  EXPECT_EQ(byte, 255) << "a colour byte: +5 held at 255";
  step(&byte, BUTTON_STYLE_COLOUR_MINUS, 0, 255, 2);
  EXPECT_EQ(byte, 250);
  step(&byte, BUTTON_STYLE_COLOUR_MINUS, 0, 255, 1);
  EXPECT_EQ(byte, 249);
  // Grey: the first byte stepped and written to all three.
  uint8_t rgb[3] = {10, 200, 30};
  step(rgb, BUTTON_STYLE_GREY_PLUS, 0, 255, 1);
  EXPECT_EQ(rgb[0], 11);
  EXPECT_EQ(rgb[1], 11);
  EXPECT_EQ(rgb[2], 11);
  step(rgb, BUTTON_STYLE_GREY_MINUS, 0, 255, 2);
  EXPECT_EQ(rgb[2], 6);
  // Brighter and darker: x 10/9 or 9/10 on the left, x 20/19 or 19/20 on the right, rounded.
  uint8_t colour[3] = {90, 180, 240};
  step(colour, BUTTON_STYLE_BRIGHTER, 0, 0, 1);
  EXPECT_EQ(colour[0], 100);
  EXPECT_EQ(colour[1], 200);
  EXPECT_EQ(colour[2], 255) << "266.7 held at 255";
  step(colour, BUTTON_STYLE_DARKER, 0, 0, 1);
  EXPECT_EQ(colour[0], 90);
  EXPECT_EQ(colour[1], 180);
  EXPECT_EQ(colour[2], 230) << "229.5 rounds up";
  uint8_t right[3] = {95, 190, 19};
  step(right, BUTTON_STYLE_BRIGHTER, 0, 0, 2);
  EXPECT_EQ(right[0], 100);
  EXPECT_EQ(right[1], 200);
  EXPECT_EQ(right[2], 20);
  step(right, BUTTON_STYLE_DARKER, 0, 0, 2);
  EXPECT_EQ(right[0], 95);
  EXPECT_EQ(right[1], 190);
  EXPECT_EQ(right[2], 19);
  // 16-bit steps: 1 on the left, 10 on the right.
  uint16_t word = 995;
  step(&word, BUTTON_STYLE_WORD_PLUS, 0, 1000, 2);
  EXPECT_EQ(word, 1000);
  step(&word, BUTTON_STYLE_WORD_MINUS, 990, 1000, 2);
  EXPECT_EQ(word, 990);
  step(&word, BUTTON_STYLE_WORD_MINUS, 0, 1000, 1);
  EXPECT_EQ(word, 989);
}

TEST_F(Interface, AnAngleStepWrapsIntoAHalfTurnEitherWayAndRoundsToItsMultiple) {
  float angle = 3.0f;
  const auto turn = [&](float by, float multiple) {
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(&angle), IvInt(0), IvFloat(multiple), IvFloat(by),
              BUTTON_STYLE_ANGLE_PLUS, nullptr, RecordHandler, nullptr);
    Press(1, 1);
  };
  turn(0.5f, 0.01f);  // 3.5 is past pi: 3.5 - 2 pi = -2.7832, to the hundredth
  EXPECT_NEAR(angle, -2.78f, 1e-5f);
  turn(-1.0f, 0.25f);  // -3.78 wraps to 2.5032, to the quarter
  EXPECT_NEAR(angle, 2.5f, 1e-6f);
  turn(1.0f, 1e-9f);  // a multiple below 1e-8: nothing
  EXPECT_NEAR(angle, 2.5f, 1e-6f);
}

TEST_F(Interface, ValueControlsIncludeTheirEdgesAndActOnlyOnTheirOwnRelease) {
  Control(100, 100, 200, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
  Control(300, 100, 400, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(8), IvText(nullptr), &owner);
  EXPECT_EQ(Press(200, 200), 1);  // the far corner is inside
  EXPECT_EQ(Move(201, 201), 1);   // a move with a press pending returns its code
  EXPECT_EQ(Release(150, 150), 1);
  EXPECT_EQ(g_Call.count, 1);
  EXPECT_EQ(g_Call.code, 7);  // (owner, maximum, variable)

  ClearInterface();
  Control(100, 100, 200, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
  Control(300, 100, 400, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(8), IvText(nullptr), &owner);
  g_Call = HandlerCall{};
  Press(150, 150);
  EXPECT_EQ(Release(350, 150), 1);  // released over the other control: nothing
  EXPECT_EQ(g_Call.count, 0);
  EXPECT_EQ(PendingPress.clickCode, 0);
}

// A press-only control (VALUE_TYPE_PRESS_ONLY) hands its handler the press's own code at once, word 0.
TEST_F(Interface, APressOnlyControlHandsItsHandlerThePressCodeAndNoWord) {
  Control(100, 100, 200, 200, nullptr, VALUE_TYPE_PRESS_ONLY, IvInt(0), IvInt(0), IvText(nullptr), &owner);
  Press(150, 150, 2);
  EXPECT_EQ(g_Call.count, 1);
  EXPECT_EQ(g_Call.owner, &owner);
  EXPECT_EQ(g_Call.code, 2);
  EXPECT_EQ(g_Call.word, 0u);
}

TEST_F(Interface, AControlShowsPressedWhileItsButtonIsHeldWithThePointerOnItEdgesIncluded) {
  const int index = Control(100, 100, 200, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
  ASSERT_GE(index, 0);
  const ValueControl c = ValueControls[index];
  Press(150, 150);
  KeyState[1] = 1;  // the left button held
  const auto pressedAt = [&](int x, int y) {
    MouseX = x, MouseY = y;
    return IsControlPressed(c);
  };
  EXPECT_TRUE(pressedAt(150, 150));
  EXPECT_TRUE(pressedAt(200, 200)) << "the far corner is on it";
  EXPECT_TRUE(pressedAt(100, 100)) << "the near corner too";
  EXPECT_FALSE(pressedAt(201, 150));
  EXPECT_FALSE(pressedAt(150, 201));
  EXPECT_FALSE(pressedAt(99, 150));
  KeyState[1] = 0;
  EXPECT_FALSE(pressedAt(150, 150)) << "no button held";
  KeyState[2] = 1;
  EXPECT_TRUE(pressedAt(150, 150)) << "the right button held";
  KeyState[2] = 0;
}

TEST_F(Interface, APressKeptForItsReleaseClearsTheRecordsHeldButtons) {
  // The screen's own mouse code runs after the interface with the same record: a press the
  // interface keeps for a control must not also look like the start of the screen's drag.
  auto pressRecord = [](int x, int y, int code) {
    MouseX = x;
    MouseY = y;
    MouseRecord m{};
    m.clickCode = code;
    m.leftHeld = (code & 1) != 0;
    m.rightHeld = (code & 2) != 0;
    HandleInterfaceMouse(&m);
    return m;
  };
  Control(100, 100, 200, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
  MouseRecord m = pressRecord(150, 150, 1);
  EXPECT_EQ(PendingPress.clickCode, 1);
  EXPECT_EQ(m.leftHeld, 0);
  EXPECT_EQ(m.clickCode, 1);  // only the held flags go
  EXPECT_EQ(Release(150, 150), 1);
  EXPECT_EQ(g_Call.code, 7);  // the release still finds its press

  ClearInterface();
  Control(100, 100, 200, 200, nullptr, VALUE_TYPE_PRESS_CALLBACK, IvInt(0), IvInt(0), IvText(nullptr), &owner);
  m = pressRecord(150, 150, 2);
  EXPECT_EQ(m.rightHeld, 0);

  // Outside every control, and on a button, the screen sees the buttons as they are.
  ClearInterface();
  Control(100, 100, 200, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
  m = pressRecord(500, 500, 1);
  EXPECT_EQ(m.leftHeld, 1);
  Button(0, 0, 50, 50, 1, &owner);
  m = pressRecord(10, 10, 1);
  EXPECT_EQ(m.leftHeld, 1);
}

TEST_F(Interface, AControlWithoutOwnerTakesNoPress) {
  Control(0, 0, 800, 600, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(0), IvText(nullptr), nullptr);
  EXPECT_EQ(Press(10, 10), 0);
  EXPECT_EQ(PendingPress.clickCode, 0);
}

TEST_F(Interface, AFloatDragMovesClampsAndIsCancelledByTheRightButton) {
  float value = 5.0f;
  // A 100-pixel float button over 0..10 with one decimal.
  AddButton(&owner, 100, 100, 200, 120, reinterpret_cast<uintptr_t>(&value), IvFloat(0.0f), IvFloat(10.0f),
            IvText("Gain %.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(150, 110);
  EXPECT_EQ(g_Call.count, 0);  // a drag start calls no handler
  EXPECT_EQ(ValueDrag.kind, DRAG_FLOAT);
  EXPECT_EQ(Move(160, 110), DRAG_FLOAT);
  EXPECT_FLOAT_EQ(value, 6.0f);  // 10 pixels of 100 over a range of 10
  EXPECT_EQ(g_Call.count, 1);     // the change callback
  Move(400, 110);
  EXPECT_FLOAT_EQ(value, 10.0f);
  EXPECT_EQ(Move(400, 110, 1, 1), 1);  // right button: back to the value before the drag
  EXPECT_FLOAT_EQ(value, 5.0f);
  EXPECT_EQ(ValueDrag.kind, DRAG_NONE);
}

TEST_F(Interface, ACtrlLeftDragMovesOneStepPerPixel) {
  float value = 5.0f;
  AddButton(&owner, 100, 100, 200, 120, reinterpret_cast<uintptr_t>(&value), IvFloat(0.0f), IvFloat(10.0f),
            IvText("Gain %.2f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(150, 110, 5);
  Move(153, 110);
  EXPECT_NEAR(value, 5.03f, 1e-5f);
  Move(140, 110);
  EXPECT_NEAR(value, 4.90f, 1e-5f);
  EXPECT_EQ(Move(140, 110, 0), 0);  // the left button was let go: the drag ends
  EXPECT_EQ(ValueDrag.kind, DRAG_NONE);
}

TEST_F(Interface, ADragWithAnEmptyRangeOrZeroSpanStaysFinite) {
  float value = 3.0f;
  AddButton(&owner, 100, 100, 100, 120, reinterpret_cast<uintptr_t>(&value), IvFloat(3.0f), IvFloat(3.0f),
            IvText("%.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  // A zero-width button cannot be hit; press through a one-pixel one with an empty range.
  AddButton(&owner, 100, 100, 101, 120, reinterpret_cast<uintptr_t>(&value), IvFloat(3.0f), IvFloat(3.0f),
            IvText("%.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(100, 110, 5);
  Move(130, 110);
  EXPECT_FLOAT_EQ(value, 3.0f);
}

TEST_F(Interface, CtrlRightCopiesAndShiftRightPastesClamped) {
  float a = 7.25f, b = 0.0f;
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&a), IvFloat(0.0f), IvFloat(10.0f), IvText("%.2f"),
            BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(10, 10, 6);
  EXPECT_EQ(g_Call.count, 0);
  EXPECT_FLOAT_EQ(ValueClipboard.value, 7.25f);
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&b), IvFloat(0.0f), IvFloat(5.0f), IvText("%.2f"),
            BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(10, 10, 10);
  EXPECT_FLOAT_EQ(b, 5.0f);
  EXPECT_EQ(g_Call.count, 1);
  EXPECT_EQ(g_Call.word, 0u);

  uint8_t colour[4] = {10, 20, 30, 0}, other[4] = {0, 0, 0, 0};
  AddButton(&owner, 0, 0, 10, 10, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_SWATCH,
            reinterpret_cast<ColourWord*>(colour), RecordHandler, nullptr);
  Press(1, 1, 6);
  AddButton(&owner, 0, 0, 10, 10, 0, IvText(nullptr), IvFunction(RecordHandler), IvInt(0), BUTTON_STYLE_SWATCH,
            reinterpret_cast<ColourWord*>(other), nullptr, nullptr);
  Press(1, 1, 10);
  EXPECT_EQ(std::memcmp(colour, other, 3), 0);
  EXPECT_EQ(g_Call.code, 10);  // the paste function in the third field ran
}

TEST_F(Interface, ByteAndColourSlidersTellTheirHandlerOfEveryPress) {
  uint8_t level[4] = {100, 0, 0, 0};
  const uintptr_t word = reinterpret_cast<uintptr_t>(level);
  auto slider = [&](ButtonStyle style) {
    AddButton(&owner, 0, 0, 100, 20, word, IvInt(10), IvInt(200), IvInt(100), style, nullptr, RecordHandler, nullptr);
  };
  for (ButtonStyle style : {BUTTON_STYLE_BYTE_SLIDER, BUTTON_STYLE_RED_SLIDER, BUTTON_STYLE_GREEN_SLIDER,
                            BUTTON_STYLE_BLUE_SLIDER}) {
    g_Call = HandlerCall{};
    slider(style);
    Press(10, 10, 1);  // the drag starts, and the handler hears of it with the word
    EXPECT_EQ(ValueDrag.kind, DRAG_BYTE) << style;
    EXPECT_EQ(g_Call.count, 1) << style;
    EXPECT_EQ(g_Call.code, 1) << style;
    EXPECT_EQ(g_Call.word, word) << style;
    Send(10, 10, 0, 0, 0, 1);  // released: the drag ends
    slider(style);
    Press(10, 10, 6);  // copied
    EXPECT_EQ(g_Call.count, 2) << style;
    EXPECT_EQ(g_Call.code, 6) << style;
    EXPECT_EQ(ValueClipboard.byte, 100) << style;
    ValueClipboard.byte = 250;
    slider(style);
    Press(10, 10, 10);  // pasted, clamped, with word 0
    EXPECT_EQ(level[0], 200) << style;
    EXPECT_EQ(g_Call.count, 3) << style;
    EXPECT_EQ(g_Call.word, 0u) << style;
    level[0] = 100;
  }
  // A drag ended from outside puts back the byte it started from, and only that byte.
  slider(BUTTON_STYLE_BYTE_SLIDER);
  Press(10, 10, 1);
  ASSERT_EQ(ValueDrag.kind, DRAG_BYTE);
  level[0] = 150;  // as the drag left it
  EXPECT_EQ(CommitValueEdit(), 1);
  EXPECT_EQ(level[0], 100);
  EXPECT_EQ(level[1], 0);
  EXPECT_EQ(ValueDrag.kind, DRAG_NONE);
  Send(10, 10, 0, 0, 0, 1);
  // The colour-triple slider: all three bytes take the largest, and the handler hears of it.
  uint8_t colour[4] = {10, 90, 40, 0};
  g_Call = HandlerCall{};
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(colour), IvInt(0), IvInt(255), IvInt(100),
            BUTTON_STYLE_COLOUR_TRIPLE, nullptr, RecordHandler, nullptr);
  Press(10, 10, 1);
  EXPECT_EQ(ValueDrag.kind, DRAG_COLOUR);
  EXPECT_EQ(colour[0], 90);
  EXPECT_EQ(colour[2], 90);
  EXPECT_EQ(g_Call.count, 1);
  EXPECT_EQ(g_Call.code, 1);
  Send(10, 10, 0, 0, 0, 1);
}

TEST_F(Interface, ValueControlFloatsDragCopyAndPaste) {
  float value = 0.5f;
  Control(0, 0, 400, 20, &value, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(1.0f), IvText("%.2f"), &owner);
  Press(100, 10);  // span: 400 pixels for the range 0..1
  Move(140, 10);
  EXPECT_NEAR(value, 0.6f, 1e-6f);
  Move(140, 10, 0);
  ClearInterface();
  Control(0, 0, 400, 20, &value, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(1.0f), IvText("%.2f"), &owner);
  Press(10, 10, 6);
  value = 0.0f;
  Press(10, 10, 10);
  EXPECT_NEAR(value, 0.6f, 1e-6f);
  EXPECT_EQ(g_Call.code, 10);
}

TEST_F(Interface, TheWheelScrollsWithinTheList) {
  int32_t position = 0;
  // 10 entries, 4 visible.
  AddValueControl(nullptr, &position, IvInt(0), IvInt(4), IvInt(10), VALUE_TYPE_WHEEL, nullptr, nullptr, -1, -1, 1,
                  1);
  EXPECT_EQ(Send(10, 10, 0, 0, 0, 0, 1), 1);
  EXPECT_EQ(position, 0);
  for (int i = 0; i < 20; ++i) Send(10, 10, 0, 0, 0, 0, 2);
  EXPECT_EQ(position, 6);
}

// The wheel scrolls the list under the pointer only: a list in the top right quarter takes
// the wheel there and not at the mirrored place in the bottom left.
TEST_F(Interface, TheWheelScrollsOnlyTheListUnderThePointer) {
  int32_t position = 0;
  // 10 entries, 4 visible; x 0 to 1, y -1 to 0: pixels 400..800 across, 0..300 down.
  AddValueControl(nullptr, &position, IvInt(0), IvInt(4), IvInt(10), VALUE_TYPE_WHEEL, nullptr, nullptr, 0.0f, -1.0f,
                  1.0f, 0.0f);
  Send(700, 100, 0, 0, 0, 0, 2);
  EXPECT_EQ(position, 1);
  Send(100, 500, 0, 0, 0, 0, 2);  // where x and y change places: no list
  EXPECT_EQ(position, 1);
}

TEST_F(Interface, AListShorterThanItsViewNeverScrolls) {
  int32_t position = 0;
  AddValueControl(nullptr, &position, IvInt(0), IvInt(8), IvInt(3), VALUE_TYPE_WHEEL, nullptr, nullptr, -1, -1, 1, 1);
  Send(10, 10, 0, 0, 0, 0, 2);
  EXPECT_EQ(position, 0);
}

// The scroll arrows (types 46 up, 47 down) step one entry within the list (minimum 0, 4
// visible of 10: at most 6); a list shorter than its view never scrolls.
TEST_F(Interface, TheScrollArrowsStepWithinTheList) {
  int32_t position = 0;
  const auto click = [&](DisplayType type, int visible, int entries) {
    ClearInterface();
    Control(100, 100, 200, 200, &position, type, IvInt(0), IvInt(visible), IvInt(entries), &owner);
    Press(150, 150);
    Release(150, 150);
  };
  click(VALUE_TYPE_SCROLL_DOWN, 4, 10);
  EXPECT_EQ(position, 1);
  for (int i = 0; i < 8; ++i) click(VALUE_TYPE_SCROLL_DOWN, 4, 10);
  EXPECT_EQ(position, 6);
  click(VALUE_TYPE_SCROLL_UP, 4, 10);
  EXPECT_EQ(position, 5);
  for (int i = 0; i < 8; ++i) click(VALUE_TYPE_SCROLL_UP, 4, 10);
  EXPECT_EQ(position, 0);
  click(VALUE_TYPE_SCROLL_DOWN, 8, 3);
  EXPECT_EQ(position, 0) << "three entries in a view of eight";
}

// A word stepper (42 up, 43 down) stops at its limit (the label's value): up to 8, down to 5.
TEST_F(Interface, AWordStepperStopsAtItsLimit) {
  uint16_t word = 7;
  const auto click = [&](DisplayType type, int limit) {
    ClearInterface();
    Control(100, 100, 200, 200, &word, type, IvInt(0), IvInt(0), IvInt(limit), &owner);
    Press(150, 150);
    Release(150, 150);
  };
  click(VALUE_TYPE_WORD_PLUS, 8);
  EXPECT_EQ(word, 8);
  click(VALUE_TYPE_WORD_PLUS, 8);
  EXPECT_EQ(word, 8) << "held at the limit";
  word = 6;
  click(VALUE_TYPE_WORD_MINUS, 5);
  EXPECT_EQ(word, 5);
  click(VALUE_TYPE_WORD_MINUS, 5);
  EXPECT_EQ(word, 5) << "held at the limit";
  // A limit past the word's own range: held to 0..65535.
  word = 0;
  click(VALUE_TYPE_WORD_MINUS, -5);
  EXPECT_EQ(word, 0);
  word = 65535;
  click(VALUE_TYPE_WORD_PLUS, 70000);
  EXPECT_EQ(word, 65535);
}

// A byte stepper (40 up, 41 down) alike, held to 0..255.
TEST_F(Interface, AByteStepperStopsAtItsLimit) {
  uint8_t byte = 7;
  const auto click = [&](DisplayType type, int limit) {
    ClearInterface();
    Control(100, 100, 200, 200, &byte, type, IvInt(0), IvInt(0), IvInt(limit), &owner);
    Press(150, 150);
    Release(150, 150);
  };
  click(VALUE_TYPE_BYTE_PLUS, 8);
  EXPECT_EQ(byte, 8);
  click(VALUE_TYPE_BYTE_PLUS, 8);
  EXPECT_EQ(byte, 8) << "held at the limit";
  byte = 6;
  click(VALUE_TYPE_BYTE_MINUS, 5);
  EXPECT_EQ(byte, 5);
  click(VALUE_TYPE_BYTE_MINUS, 5);
  EXPECT_EQ(byte, 5) << "held at the limit";
  byte = 0;
  click(VALUE_TYPE_BYTE_MINUS, -5);
  EXPECT_EQ(byte, 0);
  byte = 255;
  click(VALUE_TYPE_BYTE_PLUS, 300);
  EXPECT_EQ(byte, 255);
  // Clear of the limits: one step a left press, ten a right press.
  byte = 100;
  click(VALUE_TYPE_BYTE_PLUS, 200);
  EXPECT_EQ(byte, 101);
  click(VALUE_TYPE_BYTE_MINUS, 0);
  EXPECT_EQ(byte, 100);
  ClearInterface();
  Control(100, 100, 200, 200, &byte, VALUE_TYPE_BYTE_PLUS, IvInt(0), IvInt(0), IvInt(200), &owner);
  Press(150, 150, 2);
  Release(150, 150, 2);
  EXPECT_EQ(byte, 110);
}

// A byte or word stepper's release records one integer edit of its own variable before the
// step, so the editor's history can take the step back.
struct RecordedEdit {
  int kind;
  void* variable;
};
std::vector<RecordedEdit> g_StepperEdits;
void RecordStepperEdit(const char*, int kind, void* variable, uint32_t) { g_StepperEdits.push_back({kind, variable}); }

TEST_F(Interface, ByteAndWordSteppersRecordAnIntegerEditOfTheirVariable) {
  RecordEditMerging = RecordStepperEdit;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  uint8_t byte = 7;
  uint16_t word = 7;
  const struct {
    DisplayType type;
    void* variable;
  } cases[] = {{VALUE_TYPE_BYTE_PLUS, &byte}, {VALUE_TYPE_BYTE_MINUS, &byte}, {VALUE_TYPE_WORD_PLUS, &word},
               {VALUE_TYPE_WORD_MINUS, &word}};
  for (const auto& k : cases) {
    g_StepperEdits.clear();
    ClearInterface();
    Control(100, 100, 200, 200, k.variable, k.type, IvInt(0), IvInt(0), IvInt(k.type % 2 == 0 ? 200 : 0), &owner);
    Press(150, 150);
    Release(150, 150);
    ASSERT_EQ(g_StepperEdits.size(), 1u) << k.type;
    EXPECT_EQ(g_StepperEdits[0].kind, EDIT_KIND_SET_INTEGER) << k.type;
    EXPECT_EQ(g_StepperEdits[0].variable, k.variable) << k.type;
  }
  EXPECT_EQ(byte, 7) << "one up, one down";
  EXPECT_EQ(word, 7);
  EditDomain = EDIT_DOMAIN_NONE;
  RecordEditMerging = nullptr;
}

// A float stepper (44 up, 45 down; the step in the maximum, the limit in the label) rounds the
// value to a whole number of steps, moves one step a left press and ten a right press, and
// stops at its limit; a step of nothing does nothing.
TEST_F(Interface, AFloatStepperMovesWholeStepsAndStopsAtItsLimit) {
  float value = 0.74f;
  const auto click = [&](DisplayType type, float step, float limit, int which) {
    ClearInterface();
    Control(100, 100, 200, 200, &value, type, IvFloat(0.0f), IvFloat(step), IvFloat(limit), &owner);
    Press(150, 150, which);
    Release(150, 150, which);
  };
  click(VALUE_TYPE_FLOAT_PLUS, 0.25f, 2.0f, 1);  // 0.74 is 3 steps (2.96 rounded), then one up
  EXPECT_FLOAT_EQ(value, 1.0f);
  click(VALUE_TYPE_FLOAT_PLUS, 0.25f, 2.0f, 2);  // 14 steps: 3.5, held at 2
  EXPECT_FLOAT_EQ(value, 2.0f);
  click(VALUE_TYPE_FLOAT_MINUS, 0.25f, -1.0f, 1);
  EXPECT_FLOAT_EQ(value, 1.75f);
  click(VALUE_TYPE_FLOAT_MINUS, 0.25f, 1.5f, 2);  // -0.75, held at 1.5
  EXPECT_FLOAT_EQ(value, 1.5f);
  click(VALUE_TYPE_FLOAT_PLUS, 0.0f, 10.0f, 1);
  EXPECT_FLOAT_EQ(value, 1.5f) << "no step";
}

// A mapped byte control keeps its byte range even when it is the first control of all.
TEST_F(Interface, AMappedByteControlKeepsItsByteRangeAsTheFirstControl) {
  uint8_t byte = 0;
  ASSERT_EQ(ValueControlCount, 0);
  const int i = AddValueControl4(&owner, &byte, 0.0f, 1.0f, "%.2f", 20, 220, nullptr, -1.0f, -1.0f, 0.0f, -0.9f);
  ASSERT_EQ(i, 0);
  EXPECT_EQ(ValueControls[0].byteMinimum, 20);
  EXPECT_EQ(ValueControls[0].byteMaximum, 220);
  EXPECT_EQ(ValueControls[0].displayType, VALUE_TYPE_MAPPED_BYTE);
}

// A colour byte's step (styles 28 up, 29 down; 5 a right press) past either end of its range
// is held at that end.
TEST_F(Interface, ColourByteStepsPastTheirEndsAreHeldThere) {
  uint8_t byte = 253;
  const auto step = [&](ButtonStyle style, int lo, int hi) {
    ClearInterface();
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(&byte), IvInt(lo), IvInt(hi), IvInt(0), style,
              nullptr, RecordHandler, nullptr);
    Press(1, 1, 2);
  };
  step(BUTTON_STYLE_COLOUR_PLUS, 0, 255);
  EXPECT_EQ(byte, 255) << "258 held at 255";
  byte = 5;
  step(BUTTON_STYLE_COLOUR_MINUS, 3, 255);
  EXPECT_EQ(byte, 3) << "0 held at 3";
  byte = 2;
  step(BUTTON_STYLE_COLOUR_MINUS, 0, 255);
  EXPECT_EQ(byte, 0) << "-3 held at 0";
}

// A list shorter than its window never scrolls, however far its knob is dragged.
TEST_F(Interface, AShortListsKnobDragLeavesItAtTheTop) {
  int32_t position = 0;
  const InterfaceButton& knob = ScrollList(position, 2);  // two entries in a window of four
  ASSERT_EQ(knob.style, BUTTON_STYLE_SCROLL_KNOB);
  Press(knob.left + 1, knob.top + 1);
  ASSERT_EQ(ValueDrag.kind, DRAG_SCROLL);
  Move(knob.left + 1, knob.top + 1000);
  EXPECT_EQ(position, 0);
}

// Grey steps (styles 30 up, 31 down) write the first byte's step to all three, held to the
// range; float steps (34 up, 35 down; the step in the text field, the limit in the third)
// round to whole steps and stop at the limit.
TEST_F(Interface, GreyAndFloatStepButtonsStopAtTheirLimits) {
  uint8_t grey[3] = {253, 7, 9};
  const auto press = [&](void* variable, ButtonStyle style, InterfaceValue lo, InterfaceValue hi, int code) {
    ClearInterface();
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(variable), lo, hi, IvInt(0), style, nullptr,
              RecordHandler, nullptr);
    Press(1, 1, code);
  };
  press(grey, BUTTON_STYLE_GREY_PLUS, IvInt(0), IvInt(255), 2);
  EXPECT_EQ(grey[0], 255);
  EXPECT_EQ(grey[2], 255) << "258 held at 255";
  grey[0] = 4;
  press(grey, BUTTON_STYLE_GREY_MINUS, IvInt(2), IvInt(255), 2);
  EXPECT_EQ(grey[1], 2) << "-1 held at 2";
  float value = 0.74f;
  press(&value, BUTTON_STYLE_FLOAT_PLUS, IvFloat(0.25f), IvFloat(2.0f), 1);  // 3 steps, then one up
  EXPECT_FLOAT_EQ(value, 1.0f);
  press(&value, BUTTON_STYLE_FLOAT_PLUS, IvFloat(0.25f), IvFloat(2.0f), 2);  // 14 steps: 3.5, held at 2
  EXPECT_FLOAT_EQ(value, 2.0f);
  press(&value, BUTTON_STYLE_FLOAT_MINUS, IvFloat(0.25f), IvFloat(1.5f), 2);  // -0.5, held at 1.5
  EXPECT_FLOAT_EQ(value, 1.5f);
  press(&value, BUTTON_STYLE_FLOAT_MINUS, IvFloat(0.25f), IvFloat(-1.0f), 1);
  EXPECT_FLOAT_EQ(value, 1.25f);
}

// A pasted byte is held to the control's range: a colour byte's minimum and maximum, a mapped
// byte's byte range; the mapped byte's owner is told of the paste as of any other change.
TEST_F(Interface, PastedBytesAreHeldToTheControlsRange) {
  uint8_t byte = 50;
  const auto paste = [&](int clipboard) {
    ValueClipboard.byte = static_cast<uint8_t>(clipboard);
    Press(10, 10, 10);
    return int(byte);
  };
  Control(0, 0, 400, 20, &byte, VALUE_TYPE_COLOUR_BYTE, IvInt(10), IvInt(200), IvText("%d"), &owner);
  EXPECT_EQ(paste(250), 200);
  EXPECT_EQ(paste(3), 10);
  EXPECT_EQ(paste(77), 77);
  ClearInterface();
  AddValueControl4(&owner, &byte, 0.0f, 1.0f, "%.2f", 20, 150, RecordHandler, -1.0f, -1.0f, 0.0f, -0.9f);
  EXPECT_EQ(paste(250), 150);
  EXPECT_EQ(paste(5), 20);
  g_Call = HandlerCall{};
  EXPECT_EQ(paste(99), 99);
  EXPECT_EQ(g_Call.count, 1);
  EXPECT_EQ(g_Call.code, 10);
}

// A value control's near edges are inside it too; the pixel before either is not.
TEST_F(Interface, AValueControlsLeftAndTopEdgesAreInsideIt) {
  const auto click = [&](int x, int y) {
    ClearInterface();
    Control(100, 100, 200, 200, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
    g_Call = HandlerCall{};
    Press(x, y);
    Release(x, y);
    return g_Call.count;
  };
  EXPECT_EQ(click(100, 100), 1) << "the near corner";
  EXPECT_EQ(click(99, 150), 0);
  EXPECT_EQ(click(150, 99), 0);
}

// Every integer step style, from the first (43) to the last (50), does nothing without a
// variable; brighter and darker change the three colour bytes and never a fourth beside them.
TEST_F(Interface, StepStylesWithoutAVariableAndColourStepsKeepToTheirBytes) {
  for (ButtonStyle style : {BUTTON_STYLE_INT_PLUS, BUTTON_STYLE_WORD_MINUS}) {
    ClearInterface();
    AddButton(&owner, 0, 0, 10, 10, 0, IvInt(0), IvInt(12), IvInt(0), style, nullptr, RecordHandler, nullptr);
    EXPECT_EQ(Press(1, 1), 1) << style;
  }
  uint8_t colour[4] = {90, 180, 240, 77};
  for (ButtonStyle style : {BUTTON_STYLE_BRIGHTER, BUTTON_STYLE_DARKER}) {
    ClearInterface();
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(colour), IvInt(0), IvInt(0), IvInt(0), style, nullptr,
              RecordHandler, nullptr);
    Press(1, 1);
    EXPECT_EQ(colour[3], 77) << style;
  }
  EXPECT_EQ(colour[0], 90);
}

// The integer steps by width: 43/44 a 32-bit integer, 45/46 a byte, 47/48 a signed byte.
TEST_F(Interface, EachIntegerStepStyleStepsItsOwnWidthOfVariable) {
  const auto press = [&](void* variable, ButtonStyle style, int lo, int hi) {
    ClearInterface();
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(variable), IvInt(lo), IvInt(hi), IvInt(0), style,
              nullptr, RecordHandler, nullptr);
    Press(1, 1);
  };
  int32_t wide = 256;
  press(&wide, BUTTON_STYLE_INT_MINUS, 0, 1000);
  EXPECT_EQ(wide, 255) << "the whole integer, not its low byte";
  uint8_t byte = 200;
  press(&byte, BUTTON_STYLE_BYTE_MINUS, 0, 255);
  EXPECT_EQ(byte, 199) << "an unsigned byte";
  press(&byte, BUTTON_STYLE_BYTE_PLUS, 0, 255);
  EXPECT_EQ(byte, 200);
}

// A turn that lands exactly on half a turn either way stays there: only past it does it wrap.
TEST_F(Interface, AnAngleStepLandingOnHalfATurnDoesNotWrap) {
  constexpr float pi = 3.14159265358979f;
  float angle = 3.0f;
  const auto turn = [&](float by) {
    ClearInterface();
    AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(&angle), IvInt(0), IvFloat(1e-6f), IvFloat(by),
              BUTTON_STYLE_ANGLE_PLUS, nullptr, RecordHandler, nullptr);
    Press(1, 1);
  };
  turn(pi - 3.0f);
  EXPECT_NEAR(angle, pi, 1e-5f);
  angle = -3.0f;
  turn(3.0f - pi);
  EXPECT_NEAR(angle, -pi, 1e-5f);
}

// The last float type (32, typed) takes a press as the others do; types that write a
// variable (text fields 11 to 13, steps and arrows 40 to 47) do nothing on release without one.
TEST_F(Interface, TheLastFloatTypeTakesPressesAndVariableTypesNeedTheirVariable) {
  float value = 1.0f;
  Control(0, 0, 400, 20, &value, VALUE_TYPE_TYPED_FLOAT, IvFloat(0.0f), IvFloat(2.0f), IvText("%.1f"), &owner);
  Press(10, 10, 6);
  EXPECT_FLOAT_EQ(ValueClipboard.value, 1.0f) << "copied";
  for (DisplayType type : {VALUE_TYPE_EDIT_TEXT, VALUE_TYPE_EDIT_SINGLE_BYTE, VALUE_TYPE_BYTE_PLUS,
                           VALUE_TYPE_SCROLL_DOWN}) {
    ClearInterface();
    Control(100, 100, 200, 200, nullptr, type, IvInt(0), IvInt(8), IvInt(5), &owner);
    g_Call = HandlerCall{};
    Press(150, 150);
    Release(150, 150);
    EXPECT_EQ(g_Call.count, 0) << type;
  }
}

// A scroll knob dragged down by a quarter of its scale moves the list one entry.
TEST_F(Interface, AKnobDragOfOneEntryMovesTheListByOne) {
  int32_t position = 0;
  const InterfaceButton& knob = ScrollList(position, 10);
  const int kx = knob.left + 1, ky = knob.top + 1;
  const int pixelScale = knob.bottom - knob.top - 6;
  Press(kx, ky);
  Move(kx, ky + (pixelScale + 2) / 4);  // four entries to the scale: one, rounded
  EXPECT_EQ(position, 1);
}

// A button's left and top edges lie inside it; the pixels before them do not.
TEST_F(Interface, LeftAndTopEdgesLieInsideAButton) {
  const auto press = [&](int x, int y) {
    ClearInterface();
    Button(10, 10, 20, 20, 1, &owner);
    return Press(x, y);
  };
  EXPECT_EQ(press(10, 10), 1);
  EXPECT_EQ(press(9, 15), 0);
  EXPECT_EQ(press(15, 9), 0);
  // With no screen the pointer is at the middle, not at a division by nothing.
  ScreenWidth = ScreenHeight = 0;
  EXPECT_EQ(PointerNormalisedX(), 0.0f);
  EXPECT_EQ(PointerNormalisedY(), 0.0f);
  // A screen one pixel across still maps the pointer: pixel 0 is its left or top (-1),
  // pixel 1 its right or bottom (+1).
  ScreenWidth = ScreenHeight = 1;
  MouseX = 1;
  MouseY = 0;
  EXPECT_EQ(PointerNormalisedX(), 1.0f);
  EXPECT_EQ(PointerNormalisedY(), -1.0f);
  MouseY = 1;
  EXPECT_EQ(PointerNormalisedY(), 1.0f);
  ScreenWidth = 800;
  ScreenHeight = 600;
}

// A byte slider row: a trough two units wide (its span two insets short of that), a knob at
// the value's share of the span (the largest byte for a colour triple), then the down and up
// step buttons of the slider's kind, one unit each.
TEST_F(Interface, AByteSliderRowPlacesItsKnobAndStepButtons) {
  SetInterfaceMetrics();
  const int unit = ButtonWidth, inset = InterfaceScaleRounded;
  const int span = 2 * unit - 2 * inset;
  struct Case {
    ButtonStyle style;
    int maximum;
    uint8_t bytes[3];
    int shown;
    ButtonStyle down, up;
  };
  const Case cases[] = {
      {BUTTON_STYLE_BYTE_SLIDER, 200, {100, 0, 0}, 100, BUTTON_STYLE_BYTE_STEP_MINUS, BUTTON_STYLE_BYTE_STEP_PLUS},
      {BUTTON_STYLE_COLOUR_TRIPLE, 255, {200, 10, 20}, 200, BUTTON_STYLE_GREY_MINUS, BUTTON_STYLE_GREY_PLUS},
      {BUTTON_STYLE_COLOUR_TRIPLE, 255, {10, 20, 150}, 150, BUTTON_STYLE_GREY_MINUS, BUTTON_STYLE_GREY_PLUS},
      // past the maximum: the knob at the end
      {BUTTON_STYLE_GREEN_SLIDER, 50, {80, 0, 0}, 50, BUTTON_STYLE_COLOUR_MINUS, BUTTON_STYLE_COLOUR_PLUS}};
  for (const Case& c : cases) {
    ClearInterface();
    RowCursorX = 10;
    RowCursorY = 40;
    uint8_t bytes[3] = {c.bytes[0], c.bytes[1], c.bytes[2]};
    AddRowByteSlider(&owner, c.maximum, 24, c.style, bytes, nullptr, RecordHandler);
    ASSERT_EQ(ButtonCount, 4) << c.style;
    const InterfaceButton& trough = InterfaceButtons[0];
    EXPECT_EQ(trough.left, 10);
    EXPECT_EQ(trough.right, 10 + 2 * unit);
    EXPECT_EQ(trough.bottom, 40 + 24);
    EXPECT_EQ(trough.third.i, c.maximum);
    EXPECT_EQ(trough.fourth.i, span);
    const int knobX = 10 + inset + int(std::lround(double(c.shown) * span / c.maximum));
    EXPECT_EQ(InterfaceButtons[1].left, knobX - 1) << c.style << " " << int(c.bytes[0]);
    EXPECT_EQ(InterfaceButtons[1].right, knobX + 1);
    EXPECT_EQ(InterfaceButtons[2].style, c.down) << c.style;
    EXPECT_EQ(InterfaceButtons[3].style, c.up) << c.style;
    EXPECT_EQ(InterfaceButtons[2].left, 10 + 2 * unit);
    EXPECT_EQ(InterfaceButtons[3].left, 10 + 3 * unit);
    EXPECT_EQ(RowCursorX, 10 + 4 * unit);
  }
}

// A pasted float within the button's range is kept as it is; past the range it is held at
// the end.
TEST_F(Interface, APastedFloatWithinTheRangeIsKept) {
  float target = 0.0f;
  const auto paste = [&](float copied) {
    ClearInterface();
    ValueClipboard.value = copied;
    AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&target), IvFloat(0.0f), IvFloat(5.0f),
              IvText("%.2f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
    Press(10, 10, 10);
    return target;
  };
  EXPECT_FLOAT_EQ(paste(2.5f), 2.5f);
  EXPECT_FLOAT_EQ(paste(-1.0f), 0.0f);
  EXPECT_FLOAT_EQ(paste(9.0f), 5.0f);
}

// A radio column adds one button per text, no more, each with its index as its word; a
// colour editor is its swatch, three channel rows of a slider (four buttons) and a number,
// and a brightness slider: twenty buttons.
TEST_F(Interface, RadioColumnsAndColourEditorsAddTheirOwnButtonsOnly) {
  SetInterfaceMetrics();
  RowCursorX = RowCursorY = 0;
  int32_t chosen = 1;
  const char* const texts[4] = {"a", "b", "c", "not listed"};
  AddRadioButtonColumn(&owner, 2, &chosen, 3, texts, nullptr, RecordHandler, nullptr);
  ASSERT_EQ(ButtonCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(InterfaceButtons[i].word, uintptr_t(i));
  EXPECT_EQ(InterfaceButtons[1].fourth.i, 1) << "the chosen one is lit";
  ClearInterface();
  RowCursorX = RowCursorY = 0;
  ColourWord colour = RgbWord(10, 20, 30);
  AddColourSliders(&owner, 5, &colour, "c", RecordHandler, 0);
  EXPECT_EQ(ButtonCount, 20);
}

TEST_F(Interface, AScrollKnobDragStaysWithinTheList) {
  int32_t position = 0;
  const InterfaceButton& knob = ScrollList(position, 10);
  EXPECT_EQ(knob.style, BUTTON_STYLE_SCROLL_KNOB);
  const int kx = knob.left + 1, ky = knob.top + 1;
  const int pixelScale = knob.bottom - knob.top - 6;
  Press(kx, ky);
  EXPECT_EQ(ValueDrag.kind, DRAG_SCROLL);
  Move(kx, ky + pixelScale / 2);  // half the knob's scale moves by half a window
  EXPECT_EQ(position, 2);
  Move(kx, ky + 1000);
  EXPECT_EQ(position, 6);
  Move(kx, ky - 1000);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(Move(kx, ky, 0, 1), 1);  // the right button leaves a scroll drag as it is
  EXPECT_EQ(ValueDrag.kind, DRAG_SCROLL);
}

TEST_F(Interface, ADragEndsWhenItsScreenCloses) {
  float value = 5.0f;
  Prss screen{};
  Prss_Init(&screen, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  AddButton(&screen, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&value), IvFloat(0.0f), IvFloat(10.0f),
            IvText("%.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(50, 10);
  ASSERT_EQ(ValueDrag.kind, DRAG_FLOAT);
  Prss_Terminate(&screen);
  EXPECT_EQ(ValueDrag.kind, DRAG_NONE);
  Move(90, 10);
  EXPECT_FLOAT_EQ(value, 5.0f);
}

TEST_F(Interface, AClosedScreensControlsTakeNoMoreClicks) {
  Prss screen{};
  Button(0, 0, 100, 100, 1, &screen);
  Control(0, 0, 800, 600, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(0), IvText(nullptr), &screen);
  ForgetInterfaceOwner(&screen);
  EXPECT_EQ(Press(10, 10), 0);
  EXPECT_EQ(g_Call.count, 0);
}

TEST_F(Interface, NothingIsDispatchedWhileExitingOrNotInteractive) {
  Button(0, 0, 100, 100, 1, &owner);
  InteractiveMode = 0;
  EXPECT_EQ(Press(10, 10), 0);
  EXPECT_EQ(g_Call.count, 0);
}

namespace {
struct LabelHit {
  int count = 0;
  uintptr_t owner = 0;
  int code = 0;
  int32_t first = 0;
  uint32_t second = 0;
};
LabelHit g_Label;
void RecordLabel(uintptr_t owner, int code, int32_t first, uint32_t second) {
  ++g_Label.count;
  g_Label = {g_Label.count, owner, code, first, second};
}
}  // namespace

TEST_F(Interface, APressOnAScreenLabelCallsItsCallbackAndClearsTheFrame) {
  g_Label = {};
  const int savedBlob = CfgBlobSize;
  CfgBlobSize = 6;
  AddScreenLabel(100, 1, 11, 0, RecordLabel, 77, LABEL_SQUARE, 300.0f, 300.0f);
  AddScreenLabel(50, 2, 22, 1, RecordLabel, 78, LABEL_SQUARE, 302.0f, 300.0f);
  EXPECT_EQ(Press(301, 300, 2), 1);
  EXPECT_EQ(g_Label.count, 1);
  EXPECT_EQ(g_Label.owner, 78u);  // the nearer, fixed-colour label of the second pass
  EXPECT_EQ(g_Label.code, 2);
  EXPECT_EQ(g_Label.first, 2);
  EXPECT_EQ(g_Label.second, 22u);
  EXPECT_EQ(ScreenLabelCount, 0);
  EXPECT_EQ(Press(301, 300), 0);
  CfgBlobSize = savedBlob;
}

// A screen may format a button's label into a buffer of its own: the button keeps the text it
// was given, for drawing and for naming the edit a press makes, whatever the buffer holds
// afterwards.  Texts of other styles (numbers, limits) are left as they were given.
std::string g_EditName;
void RecordEditName(const char* name, int, void*, uint32_t) { g_EditName = name ? name : ""; }

TEST_F(Interface, TextStylesKeepTheirTextWhenTheCallersBufferChangesOrGoes) {
  char shown[BUTTON_TEXT_SIZE];
  const auto labelFrom = [&](const char* text) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s", text);
    const int index = AddRowButton(&owner, 4, 0, 0, nullptr, buffer, RecordHandler, nullptr);
    std::memset(buffer, 'x', sizeof buffer - 1);  // the caller's buffer reused before the frame is drawn
    return index;
  };
  const int first = labelFrom("Turbo AngVel 12.5");
  const int second = labelFrom("Turbo AngVel 13.0");
  ASSERT_EQ(ButtonText(InterfaceButtons[first], shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "Turbo AngVel 12.5");
  ASSERT_EQ(ButtonText(InterfaceButtons[second], shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "Turbo AngVel 13.0");

  // A longer text is cut to what a button shows.
  std::string longText(300, 'a');
  const int cut = AddRowButton(&owner, 4, 0, 0, nullptr, longText.c_str(), nullptr, nullptr);
  longText.assign(300, 'b');
  EXPECT_EQ(std::strlen(InterfaceButtons[cut].text.text), size_t(BUTTON_TEXT_SIZE - 1));
  EXPECT_EQ(InterfaceButtons[cut].text.text[0], 'a');

  // A button moved down the table (a page dropping its hidden rows) keeps its own text when
  // later buttons take the places behind it.
  ClearInterface();
  AddRowButton(&owner, 4, 0, 0, nullptr, "hidden row", nullptr, nullptr);
  AddRowButton(&owner, 4, 0, 0, nullptr, "Oval suspension arms", nullptr, nullptr);
  InterfaceButtons[0] = InterfaceButtons[1];
  ButtonCount = 1;
  AddRowButton(&owner, 4, 0, 0, nullptr, "-", nullptr, nullptr);
  ButtonText(InterfaceButtons[0], shown, sizeof shown);
  EXPECT_STREQ(shown, "Oval suspension arms");

  // The copies are kept until the tables are emptied: a frame that drops and adds more than
  // the store holds has its further text buttons left out, as a full table does.
  ClearInterface();
  const std::string full(BUTTON_TEXT_SIZE - 1, 'c');
  int added = 0;
  while (AddRowButton(&owner, 1, 0, 0, nullptr, full.c_str(), nullptr, nullptr) >= 0) {
    ButtonCount = 0;  // dropped, not emptied
    ASSERT_LT(++added, BUTTON_TEXT_STORE);
  }
  EXPECT_EQ(added, BUTTON_TEXT_STORE / BUTTON_TEXT_SIZE);
  EXPECT_EQ(AddButton(&owner, 0, 0, 10, 10, 0, IvInt(7), IvInt(0), IvInt(0), BUTTON_STYLE_NUMBER, nullptr, nullptr,
                      nullptr),
            0)
      << "a button without a text to keep is still added";
  ClearInterface();
  EXPECT_EQ(AddRowButton(&owner, 1, 0, 0, nullptr, full.c_str(), nullptr, nullptr), 0) << "emptied with the tables";

  // A toggle names its edit after its label when pressed, a frame after the label's buffer
  // was reused.
  ClearInterface();
  uint32_t flags = 0;
  RecordEditMerging = RecordEditName;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  {
    char label[16] = "fuel";
    AddFlagToggle(&owner, 6, label, 0x200, &flags, nullptr, 0, nullptr, nullptr);
    std::strcpy(label, "gone");
  }
  const InterfaceButton toggle = InterfaceButtons[ButtonCount - 1];
  Press((toggle.left + toggle.right) / 2, (toggle.top + toggle.bottom) / 2);
  EXPECT_EQ(flags, 0x200u);
  EXPECT_EQ(g_EditName, "switch fuel");

  // A number in the text field stays a number.
  ClearInterface();
  const int number = AddButton(&owner, 0, 0, 10, 10, 0, IvInt(1234), IvInt(0), IvInt(0), BUTTON_STYLE_NUMBER, nullptr,
                               nullptr, nullptr);
  EXPECT_EQ(InterfaceButtons[number].text.i, 1234);
  EditDomain = EDIT_DOMAIN_NONE;
  RecordEditMerging = nullptr;
}

// The step buttons of a spinner row name their edit after the row's label; their text field
// holds the row's lower limit, which is no text.
// A value button's knob stands at its value's share of the row (kept InterfaceScaleRounded
// pixels from the ends): a value below the range at the left end, above it at the right.
TEST_F(Interface, AValueButtonsKnobStaysWithinItsRow) {
  SetInterfaceMetrics();
  const int r = InterfaceScaleRounded;
  const int width = std::max(1, LayoutColumns - 2) * ButtonWidth;
  const struct {
    float value;
    int knobLeft;
  } cases[] = {{-5.0f, 0}, {20.0f, width - 2 * r}, {10.0f, width - 2 * r}, {0.0f, 0}};
  for (const auto& c : cases) {
    ClearInterface();
    RowCursorX = 0;
    RowCursorY = 0;
    float v = c.value;
    const int row = AddValueEditButton(&owner, "value %.1f", 0.0f, 10.0f, &v, nullptr, RecordHandler,
                                       BUTTON_STYLE_FLOAT, nullptr);
    ASSERT_GE(row, 0);
    EXPECT_EQ(InterfaceButtons[row + 1].left, c.knobLeft) << c.value;
  }
}

TEST_F(Interface, ASpinnersStepButtonsNameTheirEditAfterTheRow) {
  RecordEditMerging = RecordEditName;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  uint8_t width = 5;
  AddRowColourButton(&owner, "Rim edge extra width %d mm", 2, 10, &width, nullptr, RecordHandler, nullptr);
  const InterfaceButton plus = InterfaceButtons[ButtonCount - 1];
  Press((plus.left + plus.right) / 2, (plus.top + plus.bottom) / 2);
  EXPECT_EQ(width, 6);
  EXPECT_EQ(g_EditName, "set rim edge extra width mm");
  EditDomain = EDIT_DOMAIN_NONE;
  RecordEditMerging = nullptr;
}

// Step hint buttons: a "-" then a "+", one unit each, unlit style-2 buttons of the given
// words, each with its kind's hint.
TEST_F(Interface, StepHintButtonsAreAMinusAndAPlusOfOneUnitEach) {
  SetInterfaceMetrics();
  RowCursorX = 0;
  RowCursorY = 0;
  AddStepHintButtons(&owner, 5, 6, nullptr, RecordHandler, STEP_HINT_DISTANCE);
  ASSERT_EQ(ButtonCount, 2);
  const char* const texts[2] = {"-", "+"};
  for (int i = 0; i < 2; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    EXPECT_EQ(b.style, BUTTON_STYLE_TEXT) << i;
    EXPECT_STREQ(b.text.text, texts[i]);
    EXPECT_EQ(b.word, uintptr_t(5 + i));
    EXPECT_EQ(b.left, i * ButtonWidth);
    EXPECT_EQ(b.right, (i + 1) * ButtonWidth);
    EXPECT_EQ(b.third.i, 0) << i;
    EXPECT_EQ(b.fourth.i, 0) << "unlit " << i;
    EXPECT_STREQ(b.hint, i == 0 ? "LMB -1m / RMB -10m / SHIFT+RMB -100m" : "LMB +1m / RMB +10m / SHIFT+RMB +100m");
  }
}

// The spinner rows over no variable show 0.
TEST_F(Interface, SpinnerRowsWithoutAVariableShowZero) {
  SetInterfaceMetrics();
  const auto shown = [](int (*add)()) {
    ClearInterface();
    add();
    return InterfaceButtons[0].word;
  };
  EXPECT_EQ(shown([] { return AddSmoothingGroupSpinner(nullptr, nullptr); }), 0u);
  EXPECT_EQ(shown([] { return AddDiscOffsetSpinner(nullptr, nullptr); }), 0u);
  EXPECT_EQ(shown([] { return AddRowColourButton(nullptr, "Red %d", 0, 255, nullptr, nullptr, nullptr, nullptr); }), 0u);
}

TEST(InterfaceArithmetic, MulDivRoundsToNearestAndSurvivesAZeroDivisor) {
  EXPECT_EQ(MulDivInt(5, 1, 2), 3);
  EXPECT_EQ(MulDivInt(-5, 1, 2), -3);
  EXPECT_EQ(MulDivInt(4, 1, 3), 1);
  EXPECT_EQ(MulDivInt(1 << 30, 4, 8), 1 << 29);  // the product needs 64 bits
  EXPECT_EQ(MulDivInt(7, 3, 0), 0);
}

TEST(InterfaceArithmetic, StepTablesAndLabelPrecision) {
  EXPECT_EQ(ValueStepMultiplier(10), 100);
  EXPECT_EQ(ValueStepMultiplier(16), 0);  // middle button
  EXPECT_EQ(ColourStep(2), 5);
  EXPECT_EQ(ValueStepByte(9), 100);
  EXPECT_FLOAT_EQ(FormatPrecision("Offset %+.2f m", VALUE_TYPE_FLOAT), 0.01f);
  EXPECT_NEAR(FormatPrecision("Angle %.1f", VALUE_TYPE_ANGLE), 0.0017453292f, 1e-9f);
  EXPECT_EQ(FormatPrecision("Count %d", VALUE_TYPE_FLOAT), 0.0f);
  EXPECT_EQ(FormatPrecision(nullptr, VALUE_TYPE_FLOAT), 0.0f);
  EXPECT_FLOAT_EQ(SnapAndClamp(0.0f, 0.337f, 1.0f, 0.01f), 0.34f);
  EXPECT_FLOAT_EQ(SnapAndClamp(0.0f, -3.0f, 1.0f, 0.0f), 0.0f);
}

// A scroll knob covers its window's share of the trough: a trough 206 high leaves a travel of
// 206 - 2 x 2 (the insets) - 2 x 3 (twice the rounded interface scale, 3) = 196; the window 0
// to 4 of 28 entries is 196 x 4 / 28 = 28 of it, the knob from 2 to 2 + 6 + 28 = 36, inset 2
// from the trough's sides.
TEST_F(Interface, AScrollKnobCoversItsWindowsShareOfTheTrough) {
  int32_t position = 0;
  const InterfaceButton knob = ScrollList(position, 28);
  ASSERT_EQ(InterfaceScaleRounded, 3);
  EXPECT_EQ(knob.top, 2);
  EXPECT_EQ(knob.bottom, 36);
  EXPECT_EQ(knob.left, 2);
  EXPECT_EQ(knob.right, ButtonWidth - 2);
}

// Types 23 to 25 hand their handler the maximum as the code and the variable as the word.
TEST_F(Interface, PickControlsHandTheirHandlerTheirMaximumAndVariable) {
  static int picked;
  for (const DisplayType type : {VALUE_TYPE_TEXT_LIST, VALUE_TYPE_YES_NO, VALUE_TYPE_TEXT_SLOT}) {
    ClearInterface();
    g_Call = HandlerCall{};
    Control(100, 100, 200, 200, &picked, type, IvInt(0), IvInt(5), IvText(nullptr), &owner);
    Press(150, 150);
    Release(150, 150);
    EXPECT_EQ(g_Call.count, 1) << type;
    EXPECT_EQ(g_Call.code, 5) << type;
    EXPECT_EQ(g_Call.word, reinterpret_cast<uintptr_t>(&picked)) << type;
  }
}

// A colour byte slider's paste is an edit of its byte, recorded before the byte changes.
TEST_F(Interface, APasteIntoAColourByteSliderIsRecordedAsAColourEdit) {
  RecordEditMerging = RecordStepperEdit;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  uint8_t byte = 50;
  g_StepperEdits.clear();
  Control(0, 0, 400, 20, &byte, VALUE_TYPE_COLOUR_BYTE, IvInt(10), IvInt(200), IvText("%d"), &owner);
  ValueClipboard.byte = 77;
  Press(10, 10, 10);
  EXPECT_EQ(byte, 77);
  ASSERT_EQ(g_StepperEdits.size(), 1u);
  EXPECT_EQ(g_StepperEdits[0].kind, EDIT_KIND_ADJUST_COLOUR);
  EXPECT_EQ(g_StepperEdits[0].variable, &byte);
  EditDomain = EDIT_DOMAIN_NONE;
  RecordEditMerging = nullptr;
}


// With two layout columns or fewer a spinner's display and a value button keep one unit of
// width: never none, never less.
TEST_F(Interface, ASpinnerAndAValueButtonKeepOneUnitInANarrowLayout) {
  SetInterfaceMetrics();
  const int saved = LayoutColumns;
  for (const int columns : {1, 2}) {
    LayoutColumns = columns;
    ClearInterface();
    RowCursorX = 0;
    RowCursorY = 0;
    int32_t group = 3;
    AddSmoothingGroupSpinner(&owner, &group);
    EXPECT_EQ(InterfaceButtons[0].right - InterfaceButtons[0].left, ButtonWidth) << columns;
    EXPECT_EQ(InterfaceButtons[1].left, ButtonWidth) << columns;
    ClearInterface();
    RowCursorX = 0;
    float v = 5.0f;
    const int row = AddValueEditButton(&owner, "value %.1f", 0.0f, 10.0f, &v, nullptr, RecordHandler,
                                       BUTTON_STYLE_FLOAT, nullptr);
    ASSERT_GE(row, 0);
    EXPECT_EQ(InterfaceButtons[row].right - InterfaceButtons[row].left, ButtonWidth) << columns;
  }
  LayoutColumns = saved;
}

// A knob with no travel fills its trough from 2 pixels below its top to 2 above its bottom:
// a list shorter than its window in a trough shorter than a knob's ends (6 pixels: 2..4), and
// an empty list whatever window it is given (206 pixels: 2..204).
TEST_F(Interface, AKnobWithNoTravelFillsItsTrough) {
  SetInterfaceMetrics();
  ASSERT_EQ(InterfaceScaleRounded, 3);
  const struct {
    int trough, windowStart, windowEnd, total, bottom;
  } cases[] = {{6, 0, 4, 2, 4}, {206, 2, 6, 0, 204}};
  for (const auto& k : cases) {
    RowCursorX = 0;
    RowCursorY = 0;
    int32_t position = 0;
    SliderGeometry g{-1, -1, 0, 1, k.trough};
    AddSliderControl(&owner, g, &position, k.windowStart, k.windowEnd, k.total);
    const InterfaceButton& knob = InterfaceButtons[ButtonCount - 1];
    EXPECT_EQ(knob.top, 2) << "a trough of " << k.trough;
    EXPECT_EQ(knob.bottom, k.bottom) << "a trough of " << k.trough;
  }
}

// A list whose position was left below zero scrolls down to its top, not further up.
TEST_F(Interface, TheWheelBringsANegativePositionBackToTheTop) {
  int32_t position = -5;
  ScrollList(position, 10);
  Send(10, 10, 0, 0, 0, 0, 2);
  EXPECT_EQ(position, 0);
}

// The texts' store takes a copy that fills it to its last byte, and nothing after: 1638 full
// copies of 160 bytes leave 64 bytes, which a 63 character text and its end fill exactly.
TEST_F(Interface, TheButtonTextStoreFillsToItsLastByte) {
  ClearInterface();
  const std::string full(BUTTON_TEXT_SIZE - 1, 'c');
  for (int i = 0; i < BUTTON_TEXT_STORE / BUTTON_TEXT_SIZE; ++i) {
    ASSERT_GE(AddRowButton(&owner, 1, 0, 0, nullptr, full.c_str(), nullptr, nullptr), 0) << i;
    ButtonCount = 0;  // dropped, not emptied
  }
  ASSERT_EQ(BUTTON_TEXT_STORE % BUTTON_TEXT_SIZE, 64);
  const std::string last(63, 'l');
  EXPECT_GE(AddRowButton(&owner, 1, 0, 0, nullptr, last.c_str(), nullptr, nullptr), 0);
  ButtonCount = 0;
  EXPECT_EQ(AddRowButton(&owner, 1, 0, 0, nullptr, "", nullptr, nullptr), -1);
  ClearInterface();
}

// A colour point whose top lies on the top limit is added; one a pixel higher is not.
TEST_F(Interface, AColourPointOnTheTopLimitIsAdded) {
  const uint8_t rgb[3] = {1, 2, 3};
  PointButtonTopLimit = 100;
  const int half = CfgBlobSize;
  EXPECT_GE(AddColourPointButton(&owner, 50, 100 + half, 1, 0, rgb, RecordHandler), 0);
  EXPECT_EQ(AddColourPointButton(&owner, 50, 99 + half, 1, 0, rgb, RecordHandler), -1);
  PointButtonTopLimit = 0;
}

// The smallest step a float step button or an angle step takes is 1e-8: a step of exactly
// that still moves its value.
TEST_F(Interface, FloatAndAngleStepsOfTheSmallestStepStillMove) {
  float value = 0.0f;
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&value), IvFloat(1e-8f), IvFloat(10.0f),
            IvText("Mass %.1f"), BUTTON_STYLE_FLOAT_PLUS, nullptr, RecordHandler, nullptr);
  Press(50, 10);
  EXPECT_FLOAT_EQ(value, 1e-8f);
  ClearInterface();
  value = 0.0f;
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&value), IvText("Angle"), IvFloat(1e-8f),
            IvFloat(0.25f), BUTTON_STYLE_ANGLE_PLUS, nullptr, RecordHandler, nullptr);
  Press(50, 10);
  EXPECT_NEAR(value, 0.25f, 1e-6f);
  ClearInterface();
  value = 0.0f;
  Control(100, 100, 200, 200, &value, VALUE_TYPE_FLOAT_PLUS, IvFloat(0.0f), IvFloat(1e-8f), IvFloat(10.0f), &owner);
  Press(150, 150);
  Release(150, 150);
  EXPECT_FLOAT_EQ(value, 1e-8f) << "a float stepper";
}

// A styled row button keeps its text as its text and the value given as its third field.
TEST_F(Interface, AStyledRowButtonKeepsItsTextAndThirdField) {
  SetInterfaceMetrics();
  RowCursorX = 0;
  RowCursorY = 0;
  const int index = AddRowStyledButton(&owner, 2, 7, IvInt(5), "label", nullptr, RecordHandler, nullptr);
  ASSERT_GE(index, 0);
  const InterfaceButton& b = InterfaceButtons[index];
  EXPECT_EQ(b.third.i, 5);
  ASSERT_NE(b.text.text, nullptr);
  EXPECT_STREQ(b.text.text, "label");
  EXPECT_EQ(b.right - b.left, 2 * ButtonWidth);
  EXPECT_EQ(b.word, 7u);
}

// A float drag lands on whole steps of the label's precision: from 5.04 (one decimal, so
// steps of 0.1) a move of 3 pixels of 100 over a range of 10 gives 5.34, kept as 5.3.
TEST_F(Interface, AFloatDragLandsOnWholeStepsOfItsLabel) {
  float value = 5.04f;
  AddButton(&owner, 100, 100, 200, 120, reinterpret_cast<uintptr_t>(&value), IvFloat(0.0f), IvFloat(10.0f),
            IvText("Gain %.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordHandler, nullptr);
  Press(150, 110);
  Move(153, 110);
  EXPECT_NEAR(value, 5.3f, 1e-5f);
  Move(153, 110, 0);
}

// A flag toggle over a byte is lit (1) while its bit is set, unlit (0) while it is clear.
TEST_F(Interface, AByteFlagToggleIsLitByItsBit) {
  SetInterfaceMetrics();
  uint8_t flags = 4;
  RowCursorX = 0;
  EXPECT_EQ(InterfaceButtons[AddByteFlagToggle(&owner, 4, "bit", 4, &flags, nullptr, RecordHandler, nullptr)].fourth.i, 1);
  flags = 0;
  RowCursorX = 0;
  EXPECT_EQ(InterfaceButtons[AddByteFlagToggle(&owner, 4, "bit", 4, &flags, nullptr, RecordHandler, nullptr)].fourth.i, 0);
}

// A control away from the diagonal shows pressed where it was pressed: its x and its y are
// not taken for one another (pixels 100..200 across, 400..500 down).
TEST_F(Interface, AControlOffTheDiagonalShowsPressedAtItsPress) {
  const int index = Control(100, 400, 200, 500, nullptr, VALUE_TYPE_TEXT, IvInt(0), IvInt(7), IvText(nullptr), &owner);
  ASSERT_GE(index, 0);
  const ValueControl c = ValueControls[index];
  Press(150, 450);
  KeyState[1] = 1;
  MouseX = 150;
  MouseY = 450;
  EXPECT_TRUE(IsControlPressed(c));
  KeyState[1] = 0;
}
