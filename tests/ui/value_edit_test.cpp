// value_edit_test.cpp - steps, units, undo names and typed entry of value controls, their
// release actions and the row adders, driven headlessly with mouse records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/process.h"
#include "core/window_state.h"
#include "tests/ui/mouse_records.h"
#include "ui/bevel_box.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_local.h"
#include "ui/text_draw.h"
#include "ui/text_entry.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"
#include "ui/widgets.h"

namespace {

struct RecordedEdit {
  std::string history;  // "vehicle" or "modeller"
  std::string name;
  int kind;
  void* variable;
  uint32_t mask;
};
std::vector<RecordedEdit> g_Edits;
void RecordVehicleEdit(const char* name, int kind, void* variable, uint32_t mask) {
  g_Edits.push_back({"vehicle", name, kind, variable, mask});
}
void RecordModellerEdit(const char* name, int kind, uintptr_t variable, uintptr_t mask) {
  g_Edits.push_back({"modeller", name, kind, reinterpret_cast<void*>(variable), uint32_t(mask)});
}
int g_Refreshes;
void CountRefresh(Prss*) { ++g_Refreshes; }

struct Callback {
  int count = 0;
  int code = -1;
  uintptr_t word = 0;
};
Callback g_Callback;
void RecordCallback(void*, int code, uintptr_t word) {
  ++g_Callback.count;
  g_Callback.code = code;
  g_Callback.word = word;
}

class ValueEdit : public ::testing::Test {
 protected:
  Prss owner{};
  void SetUp() override {
    ResetInterfaceState();
    ResetTextEntry();
    CancelTextEntry();
    ScreenWidth = 800;
    ScreenHeight = 600;
    MouseX = MouseY = 0;
    g_Edits.clear();
    g_Callback = Callback{};
    g_Refreshes = 0;
    RecordEditMerging = RecordVehicleEdit;
    AddUndoPoint = RecordModellerEdit;
    EditedMeshChanged = CountRefresh;
    MappingPanelSelection = 3;
    MappingPanelRedraw = 0;
    SetInterfaceMetrics();
  }
  void TearDown() override {
    RecordEditMerging = nullptr;
    AddUndoPoint = nullptr;
    EditedMeshChanged = nullptr;
    EditDomain = 0;
    ResetInterfaceState();
    CancelTextEntry();
    ResetDialogs();
  }
  int Send(int x, int y, int code, int left, int right, int release = 0) {
    return SendMouse(x, y, code, left, right, release);
  }
  int Press(int x, int y, int code = 1) { return PressMouse(x, y, code); }
  int Release(int x, int y, int which = 1) { return ReleaseMouse(x, y, which); }
  // A press and its release; the frame then ends, as one release acts per frame.
  int Click(int x, int y, int code = 1) {
    Press(x, y, code);
    const int r = Release(x, y, (code & 2) ? 2 : 1);
    ClearInterface();
    return r;
  }
  // A value control over the pixel rectangle of the 800 x 600 screen.
  int Control(int l, int t, int r, int b, void* variable, DisplayType type, InterfaceValue minimum,
              InterfaceValue maximum, InterfaceValue label) {
    return AddValueControl(&owner, variable, minimum, maximum, label, type, nullptr, RecordCallback, l / 400.0f - 1.0f,
                           t / 300.0f - 1.0f, r / 400.0f - 1.0f, b / 300.0f - 1.0f);
  }
};

constexpr float DEGREE = 0.017453292f;

}  // namespace

TEST(ValueSteps, TablesOfTheEditorsHandlersGiveZeroForOtherCodes) {
  const int codes[8] = {1, 2, 5, 6, 9, 10, 13, 14};
  const int32_t lengths[8] = {66, 655, 7, 66, 655, 6554, 6554, 65536};
  const int32_t angles[8] = {182, 910, 46, 182, 910, 2048, 2048, 8192};
  const float metres[8] = {0.001f, 0.01f, 0.0001f, 0.001f, 0.01f, 0.1f, 0.1f, 1.0f};
  const int multipliers[8] = {1, 10, 0, 0, 10, 100, 0, 0};
  const int bytes[8] = {1, 10, 0, 0, 100, 1000, 0, 0};
  const int colours[8] = {1, 5, 0, 0, 50, 255, 0, 0};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(ValueStepMultiplier(codes[i]), multipliers[i]) << codes[i];
    EXPECT_EQ(ValueStepByte(codes[i]), bytes[i]) << codes[i];
    EXPECT_EQ(ColourStep(codes[i]), colours[i]) << codes[i];
    EXPECT_EQ(ValueStep16(codes[i]), lengths[i]) << codes[i];
    EXPECT_EQ(AngleStep16(codes[i]), angles[i]) << codes[i];
    EXPECT_FLOAT_EQ(ValueStepF(codes[i]), metres[i]) << codes[i];
  }
  for (int code : {0, 3, 16, 17}) {
    EXPECT_EQ(ValueStep16(code), 0);
    EXPECT_EQ(AngleStep16(code), 0);
    EXPECT_EQ(ValueStepF(code), 0.0f);
    EXPECT_EQ(ValueStepMultiplier(code), 0);
    EXPECT_EQ(ValueStepByte(code), 0);
    EXPECT_EQ(ColourStep(code), 0);
  }
}

TEST(ValueSteps, StepHintsAreInTheLatinPage) {
  EXPECT_STREQ(StepHintText(STEP_HINT_LENGTH, false),
               "CTRL+LMB -0.1mm / LMB -1mm / RMB -1cm / SHIFT+RMB -10cm / CTRL+SHIFT+RMB -1m");
  EXPECT_STREQ(StepHintText(STEP_HINT_DISTANCE, true), "LMB +1m / RMB +10m / SHIFT+RMB +100m");
  EXPECT_NE(std::strstr(StepHintText(STEP_HINT_ANGLE, true), "+1\xB0 /"), nullptr);
  EXPECT_NE(std::strstr(StepHintText(STEP_HINT_SCALE, false), "\xF7" "1.05"), nullptr);
  EXPECT_NE(std::strstr(StepHintText(STEP_HINT_SCALE, true), "\xD7" "2"), nullptr);
  EXPECT_EQ(StepHintText(0, true), nullptr);
}

TEST(ValueSteps, UnitsAndPrecisionOfLabels) {
  EXPECT_FLOAT_EQ(ShownFactor(VALUE_TYPE_ANGLE) * StoredFactor(VALUE_TYPE_ANGLE), 1.0f);
  EXPECT_NEAR(ShownFactor(VALUE_TYPE_RATE) * StoredFactor(VALUE_TYPE_RATE), 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(FormatPrecision("Load %.3f t", VALUE_TYPE_THOUSANDTHS), 1.0f);
  EXPECT_NEAR(FormatPrecision("Angle %.1f", VALUE_TYPE_ANGLE), 0.1f * DEGREE, 1e-9f);
  EXPECT_STREQ(FormatPrecisionText("Gain %+.2f", 1.005f), "1.00");
  EXPECT_EQ(FormatPrecisionText("Count %d", 1.0f), nullptr);
  EXPECT_STREQ(FormatPrecisionText("Teeth %.0f", 11.6f), "12") << "no decimals is a precision too";
  EXPECT_STREQ(PrecisionFormat("x %.3f"), "%.3f");
  EXPECT_STREQ(PrecisionFormat("x %.7f"), "%.0f");
  EXPECT_STREQ(PrecisionFormat("x %.4f"), "%.4f") << "four decimals, the most";
  EXPECT_STREQ(PrecisionFormat("x %.5f"), "%.0f");
  EXPECT_STREQ(PrecisionFormat("x %.1f"), "%.1f");
  EXPECT_STREQ(PrecisionFormat(nullptr), "%.0f");
}

TEST(ValueSteps, LabelsPrintOnlyTheNumberTheyAreGiven) {
  char out[64];
  EXPECT_STREQ(FormatLabelFloat(out, sizeof out, "Mass %.1f kg", 12.25f), "Mass 12.2 kg");
  EXPECT_STREQ(FormatLabelFloat(out, sizeof out, "Count %d", 2.6f), "Count 3");
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "Offset %d mm", -7), "Offset -7 mm");
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "100%% of %d", 4), "100% of 4");
  // A text, a pointer, a write or a second number would read what was not passed.
  EXPECT_STREQ(FormatLabelFloat(out, sizeof out, "Name %s", 1.0f), "Name %s");
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "%d and %d", 1), "%d and %d");
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "%n", 1), "%n");
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "%ld", 1), "%ld");
  EXPECT_STREQ(FormatLabelFloat(out, 6, "Mass %.1f kg", 12.25f), "Mass ");
  EXPECT_EQ(RoundToInt32(NAN), 0);
  EXPECT_EQ(RoundToInt32(3e9f), INT32_MAX);
}

// Rounding to a 32-bit integer holds what the integer cannot take at its ends: the largest
// float below 2^31, 2147483520, is already held at the top, the one below it (2147483392) is
// kept; -2^31 and below give the bottom.
TEST(ValueSteps, RoundingToAnIntegerHoldsTheFloatsPastItsRangeAtItsEnds) {
  EXPECT_EQ(RoundToInt32(2147483520.0f), INT32_MAX);
  EXPECT_EQ(RoundToInt32(2147483392.0f), 2147483392);
  EXPECT_EQ(RoundToInt32(-2147483648.0f), INT32_MIN);
  EXPECT_EQ(RoundToInt32(-3e9f), INT32_MIN);
  EXPECT_EQ(RoundToInt32(-2.5f), -3) << "halves away from zero";
}

TEST(ValueSteps, LabelDigitsAtTheirEndsAndPlainTextCutToTheBuffer) {
  // The decimals digit runs from 0 to 9; a "%" with no "." before the digit shows none.
  EXPECT_EQ(LabelDecimals("x %.9f"), 9);
  EXPECT_EQ(LabelDecimals("x %.0f"), 0);
  EXPECT_EQ(LabelDecimals("x %+.3f"), 3);
  EXPECT_EQ(LabelDecimals("x %f"), -1);
  EXPECT_EQ(LabelDecimals(nullptr), -1);
  char out[64];
  // A width and a precision of 9 are still one plain number.
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "[%9d]", 7), "[        7]");
  EXPECT_STREQ(FormatLabelFloat(out, sizeof out, "%.9f", 0.5f), "0.500000000");
  // Plain text keeps one "%" of "%%" and is cut to the size given, its end included:
  // "Name %s" in 7 bytes is "Name %" and its end.
  EXPECT_STREQ(FormatLabelInt(out, sizeof out, "50%% %s", 1), "50% %s");
  EXPECT_STREQ(FormatLabelFloat(out, 7, "Name %s", 1.0f), "Name %");
  // No room at all writes nothing.
  std::strcpy(out, "keep");
  FormatLabelInt(out, 0, "x %d", 1);
  EXPECT_STREQ(out, "keep");
}

TEST(EditNames, AreTheVerbAndTheLabelInLowerCaseWithoutFormats) {
  char out[ACTION_HINT_SIZE];
  BuildActionHint(out, sizeof out, "set", "Front Wing (deg)");
  EXPECT_STREQ(out, "set front wing");
  BuildActionHint(out, sizeof out, "set", "Mass %.1f kg:");
  EXPECT_STREQ(out, "set mass kg");
  BuildActionHint(out, sizeof out, "set", "Gear ^1ratio");
  EXPECT_STREQ(out, "set gear");
  BuildActionHint(out, sizeof out, "set", "%.2f");
  EXPECT_STREQ(out, "set unknown");
  BuildActionHint(out, sizeof out, "switch", nullptr);
  EXPECT_STREQ(out, "switch unknown");
  char small[9];
  BuildActionHint(small, sizeof small, "set", "Very long label");
  EXPECT_STREQ(small, "set very");
}

TEST_F(ValueEdit, EachDomainRecordsInItsOwnHistory) {
  float v = 0.0f;
  ShowActionHint(EDIT_DOMAIN_VEHICLE, "set mass", EDIT_KIND_SET_FLOAT, &v, 0);
  ShowActionHint(EDIT_DOMAIN_MODELLER, "switch flag", EDIT_KIND_SWITCH_FLAG, &v, 4);
  ASSERT_EQ(g_Edits.size(), 2u);
  EXPECT_EQ(g_Edits[0].history, "vehicle");
  EXPECT_EQ(g_Edits[1].history, "modeller");
  EXPECT_EQ(g_Edits[1].mask, 4u);
  EXPECT_EQ(MappingPanelSelection, 3);
  ShowActionHint(EDIT_DOMAIN_MAPPING, "adjust colour", EDIT_KIND_ADJUST_COLOUR, &v, 0);
  EXPECT_EQ(g_Edits.back().history, "modeller");
  EXPECT_EQ(MappingPanelSelection, -1);
  EXPECT_EQ(MappingPanelRedraw, 1);
  for (int domain : {0, 1, 5})
    ShowActionHint(domain, "x", 1, &v, 0);
  RecordControlEdit(EDIT_DOMAIN_NONE, EDIT_KIND_SET_FLOAT, "Mass", &v);
  EXPECT_EQ(g_Edits.size(), 3u);
  // With no history built yet, nothing is recorded and nothing breaks.
  RecordEditMerging = nullptr;
  ShowActionHint(EDIT_DOMAIN_VEHICLE, "x", 1, &v, 0);
  EXPECT_EQ(g_Edits.size(), 3u);
}

TEST_F(ValueEdit, ControlsRecordTheirEditsBeforeChanging) {
  EditDomain = EDIT_DOMAIN_VEHICLE;
  int32_t count = 3;
  // A spinner's step button as its row makes it: the limits, and the row's label naming the edit.
  AddButton(&owner, 0, 0, 10, 10, reinterpret_cast<uintptr_t>(&count), IvInt(0), IvInt(9), IvText("Spokes"),
            BUTTON_STYLE_INT_PLUS, nullptr, RecordCallback, nullptr);
  Press(1, 1);
  ASSERT_EQ(g_Edits.size(), 1u);
  EXPECT_EQ(g_Edits[0].name, "set spokes");
  EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_SET_INTEGER);
  EXPECT_EQ(g_Edits[0].variable, &count);
  uint32_t flags = 0;
  AddFlagToggle(&owner, 4, "Shadow Casting", 8, &flags, nullptr, 0, RecordCallback, nullptr);
  Press(3 * ButtonWidth, 1);
  EXPECT_EQ(g_Edits.back().name, "switch shadow casting");
  EXPECT_EQ(g_Edits.back().mask, 8u);
  EXPECT_EQ(flags, 8u);
}

// A colour swatch copies its colour with code 6 and takes the copied one with code 10; the
// paste is recorded as a colour adjustment of the swatch's colour, the copy not at all.
TEST_F(ValueEdit, AColourSwatchPasteIsRecordedAsAColourAdjustment) {
  EditDomain = EDIT_DOMAIN_VEHICLE;
  // The target's fourth byte is no channel: the paste leaves it.
  ColourWord source = RgbWord(10, 20, 30), target = RgbWord(200, 200, 200) | 0x5A000000u;
  const auto swatches = [&] {
    AddValueControl(&owner, nullptr, IvText(nullptr), IvInt(0), IvInt(1), VALUE_TYPE_COLOUR_SWATCH, &source,
                    RecordCallback, -1.0f, -1.0f, -0.5f, -0.5f);
    AddValueControl(&owner, nullptr, IvText(nullptr), IvInt(0), IvInt(1), VALUE_TYPE_COLOUR_SWATCH, &target,
                    RecordCallback, 0.0f, -1.0f, 0.5f, -0.5f);
  };
  swatches();
  Click(100, 100, 6);
  EXPECT_TRUE(g_Edits.empty());
  swatches();
  Click(500, 100, 10);
  EXPECT_EQ(target, source | 0x5A000000u);
  ASSERT_EQ(g_Edits.size(), 1u);
  EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_ADJUST_COLOUR);
  EXPECT_EQ(g_Edits[0].variable, &target);
}

// A press on a colour channel's slider records a colour adjustment of its byte before the
// drag changes it.
TEST_F(ValueEdit, AColourChannelPressIsRecordedAsAColourAdjustment) {
  EditDomain = EDIT_DOMAIN_VEHICLE;
  uint8_t channel = 100;
  Control(0, 0, 200, 20, &channel, VALUE_TYPE_COLOUR_BYTE, IvInt(0), IvInt(255), IvText(nullptr));
  Press(100, 10);
  ASSERT_EQ(g_Edits.size(), 1u);
  EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_ADJUST_COLOUR);
  EXPECT_EQ(g_Edits[0].variable, &channel);
  Release(100, 10);
}

// A float button copies its value with code 6 and takes the copied one with code 10; the
// paste is recorded as a "set" of the row, the copy not at all.
TEST_F(ValueEdit, AFloatButtonPasteIsRecordedAsASetOfItsRow) {
  EditDomain = EDIT_DOMAIN_VEHICLE;
  float source = 1.5f, target = 0.0f;
  const auto buttons = [&] {
    AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&source), IvFloat(0.0f), IvFloat(10.0f),
              IvText("Mass %.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordCallback, nullptr);
    AddButton(&owner, 200, 0, 300, 20, reinterpret_cast<uintptr_t>(&target), IvFloat(0.0f), IvFloat(10.0f),
              IvText("Grip %.1f"), BUTTON_STYLE_FLOAT, nullptr, RecordCallback, nullptr);
  };
  buttons();
  Click(50, 10, 6);
  EXPECT_TRUE(g_Edits.empty());
  buttons();
  Click(250, 10, 10);
  EXPECT_FLOAT_EQ(target, 1.5f);
  ASSERT_EQ(g_Edits.size(), 1u);
  EXPECT_EQ(g_Edits[0].name, "set grip");
  EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_SET_FLOAT);
  EXPECT_EQ(g_Edits[0].variable, &target);
}

// Every button that changes its variable records the edit first, one per press, of the kind
// its variable is: floats are set, bytes and words set, colours adjusted.
TEST_F(ValueEdit, EachEditingButtonRecordsItsEditOfItsKind) {
  EditDomain = EDIT_DOMAIN_VEHICLE;
  float value = 1.0f;
  uint8_t bytes[4] = {100, 110, 120, 0};
  int32_t count = 3;
  const struct {
    const char* what;
    ButtonStyle style;
    int code;
    void* variable;
    InterfaceValue text, third, fourth;
    int kind;
  } cases[] = {
      {"float drag", BUTTON_STYLE_FLOAT, 1, &value, IvFloat(0.0f), IvFloat(10.0f), IvText("Mass %.1f"),
       EDIT_KIND_SET_FLOAT},
      {"byte drag", BUTTON_STYLE_BYTE_SLIDER, 1, bytes, IvInt(0), IvInt(255), IvInt(100), EDIT_KIND_SET_INTEGER},
      {"byte paste", BUTTON_STYLE_BYTE_SLIDER, 10, bytes, IvInt(0), IvInt(255), IvInt(100), EDIT_KIND_SET_INTEGER},
      {"grey drag", BUTTON_STYLE_COLOUR_TRIPLE, 1, bytes, IvInt(0), IvInt(255), IvInt(100), EDIT_KIND_ADJUST_COLOUR},
      {"byte step", BUTTON_STYLE_BYTE_STEP_PLUS, 1, bytes, IvInt(0), IvInt(255), IvInt(0), EDIT_KIND_SET_INTEGER},
      {"channel step", BUTTON_STYLE_COLOUR_PLUS, 1, bytes, IvInt(0), IvInt(255), IvInt(0), EDIT_KIND_ADJUST_COLOUR},
      {"grey step", BUTTON_STYLE_GREY_PLUS, 1, bytes, IvInt(0), IvInt(255), IvInt(0), EDIT_KIND_ADJUST_COLOUR},
      {"brighter", BUTTON_STYLE_BRIGHTER, 1, bytes, IvInt(0), IvInt(255), IvInt(0), EDIT_KIND_ADJUST_COLOUR},
      {"float step", BUTTON_STYLE_FLOAT_PLUS, 1, &value, IvFloat(0.5f), IvFloat(10.0f), IvText("Mass %.1f"),
       EDIT_KIND_SET_FLOAT},
      {"angle step", BUTTON_STYLE_ANGLE_PLUS, 1, &value, IvText("Angle"), IvFloat(0.1f), IvFloat(0.2f),
       EDIT_KIND_SET_FLOAT},
      {"spinner", BUTTON_STYLE_INT_MINUS, 1, &count, IvInt(0), IvInt(9), IvText("Spokes"), EDIT_KIND_SET_INTEGER},
  };
  for (const auto& k : cases) {
    g_Edits.clear();
    AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(k.variable), k.text, k.third, k.fourth, k.style,
              nullptr, RecordCallback, nullptr);
    Click(50, 10, k.code);
    ASSERT_EQ(g_Edits.size(), 1u) << k.what;
    EXPECT_EQ(g_Edits[0].kind, k.kind) << k.what;
    EXPECT_EQ(g_Edits[0].variable, k.variable) << k.what;
  }
  // A swatch's paste adjusts the swatch's own colour.
  ColourWord colour = RgbWord(1, 2, 3);
  g_Edits.clear();
  AddButton(&owner, 0, 0, 100, 20, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_SWATCH, &colour,
            RecordCallback, nullptr);
  Click(50, 10, 10);
  ASSERT_EQ(g_Edits.size(), 1u);
  EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_ADJUST_COLOUR);
  EXPECT_EQ(g_Edits[0].variable, &colour);
  // Float controls set their float on a press that drags it and on a paste; a float stepper
  // (44, its step in the maximum, its limit in the label) on each step.
  const struct {
    const char* what;
    DisplayType type;
    int code;
    InterfaceValue minimum, maximum, label;
  } controls[] = {
      {"float drag", VALUE_TYPE_FLOAT, 1, IvFloat(0.0f), IvFloat(10.0f), IvText("Mass %.1f")},
      {"float paste", VALUE_TYPE_FLOAT, 10, IvFloat(0.0f), IvFloat(10.0f), IvText("Mass %.1f")},
      {"float stepper", VALUE_TYPE_FLOAT_PLUS, 1, IvFloat(0.0f), IvFloat(0.5f), IvFloat(10.0f)},
  };
  for (const auto& k : controls) {
    g_Edits.clear();
    Control(0, 0, 400, 20, &value, k.type, k.minimum, k.maximum, k.label);
    Click(200, 10, k.code);
    ASSERT_EQ(g_Edits.size(), 1u) << k.what;
    EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_SET_FLOAT) << k.what;
    EXPECT_EQ(g_Edits[0].variable, &value) << k.what;
  }
}

// Adding a value control leaves the record's tags as they were: texts as texts, fills as
// plain fills.
TEST_F(ValueEdit, AddingAValueControlLeavesTheTagsForTextsAndFills) {
  Control(0, 0, 200, 20, nullptr, VALUE_TYPE_TEXT, IvText("go"), IvInt(0), IvText(nullptr));
  EXPECT_EQ(DrawRecordCurrentTag.role, RECORD_TEXT);
  EXPECT_EQ(DrawRecordCurrentTag.fillRole, RECORD_FILL);
}

TEST_F(ValueEdit, ARightPressTypesAValueInItsShownUnit) {
  EditDomain = EDIT_DOMAIN_MODELLER;
  float camber = 1.5f * DEGREE;
  Control(0, 0, 400, 20, &camber, VALUE_TYPE_ANGLE, IvFloat(-5.0f * DEGREE), IvFloat(5.0f * DEGREE),
          IvText("Camber %.1f deg"));
  Press(10, 10, 2);
  ASSERT_TRUE(OpenTextEntry.open);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new value for Camber 1.5 deg");
  EXPECT_STREQ(OpenTextEntry.initialText, "1.5");
  EXPECT_EQ(OpenTextEntry.maxLength, TYPED_ENTRY_LENGTH);
  EXPECT_EQ(OpenTextEntry.prefixLength, 0);  // the digits are selected: typing replaces them
  EXPECT_EQ(OpenTextEntry.answerWord, uint32_t(VALUE_TYPE_ANGLE));
  EXPECT_EQ(OpenTextEntry.type, ENTRY_TYPE_SINGLE_BYTE) << "a number: no colours to choose";
  ConfirmTextEntry("2,54");  // a comma is a decimal point; snapped to the label's 0.1
  EXPECT_NEAR(camber, 2.5f * DEGREE, 1e-6f);
  ASSERT_EQ(g_Edits.size(), 1u);
  EXPECT_EQ(g_Edits[0].name, "set camber deg");  // the conversion and its blank are left out
  EXPECT_EQ(g_Edits[0].kind, EDIT_KIND_SET_FLOAT);
  EXPECT_EQ(g_Callback.count, 1);
  EXPECT_EQ(g_Callback.code, 0);
}

// Every float type takes a typed value on the right button; the typed-float type, the last of
// them, on the left button too, where the others start a drag.  Shown units: thousandths are
// typed as 1.5 for 1500, degrees as 90 for pi / 2, rpm as 60 for 2 pi rad/s.
TEST_F(ValueEdit, EveryFloatTypeTakesATypedValueAndTheTypedFloatOnTheLeftButtonToo) {
  struct Case {
    DisplayType type;
    const char* typed;
    float stored;
  };
  const float halfTurn = 3.14159265f / 2.0f, turnPerSecond = 2.0f * 3.14159265f;
  for (const Case& c : {Case{VALUE_TYPE_FLOAT, "1.5", 1.5f}, Case{VALUE_TYPE_THOUSANDTHS, "1.5", 1500.0f},
                        Case{VALUE_TYPE_ANGLE, "90", halfTurn},
                        Case{VALUE_TYPE_RATE, "60", turnPerSecond}, Case{VALUE_TYPE_TYPED_FLOAT, "1.5", 1.5f}}) {
    ClearInterface();
    float v = 0.0f;
    Control(0, 0, 400, 20, &v, c.type, IvFloat(0.0f), IvFloat(5000.0f), IvText("Value %.1f"));
    Press(10, 10, 2);
    ASSERT_TRUE(OpenTextEntry.open) << "type " << c.type;
    ConfirmTextEntry(c.typed);
    EXPECT_NEAR(v, c.stored, c.stored * 1e-5f) << "type " << c.type;
  }
  float typed = 0.0f;
  ClearInterface();
  Control(0, 0, 400, 20, &typed, VALUE_TYPE_TYPED_FLOAT, IvFloat(0.0f), IvFloat(5.0f), IvText("Value %.1f"));
  Press(10, 10, 1);
  ASSERT_TRUE(OpenTextEntry.open) << "a left press types the typed float";
  ConfirmTextEntry("2.5");
  EXPECT_EQ(typed, 2.5f);
}

TEST_F(ValueEdit, TypedValuesOutsideTheLimitsOrNotFiniteAreRefused) {
  EditDomain = EDIT_DOMAIN_VEHICLE;
  float mass = 100.0f;
  for (const char* text : {"nan", "NAN", "inf", "-inf", "infinity", "1e39", "-1e39", "9000", "-1", ""}) {
    ClearInterface();
    AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&mass), IvFloat(0.0f), IvFloat(5000.0f),
              IvText("Mass %.1f kg"), BUTTON_STYLE_FLOAT, nullptr, RecordCallback, nullptr);
    Press(10, 10, 2);
    ASSERT_TRUE(OpenTextEntry.open) << text;
    ConfirmTextEntry(text);
    EXPECT_EQ(mass, 100.0f) << text;
    if (owner.sub) MessageSubKey(owner.sub, 13);  // the box that said why
  }
  EXPECT_TRUE(g_Edits.empty());
  EXPECT_EQ(g_Callback.count, 0);
  // Thousandths: typed in tonnes, stored in kilograms, and a product past a float refused.
  float load = 500.0f;
  ClearInterface();
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&load), IvFloat(0.0f), IvFloat(1e38f),
            IvText("Load %.3f t"), BUTTON_STYLE_FLOAT_THOUSANDTHS, nullptr, RecordCallback, nullptr);
  Press(10, 10, 2);
  EXPECT_STREQ(OpenTextEntry.initialText, "0.500");
  ConfirmTextEntry("1.25");
  EXPECT_FLOAT_EQ(load, 1250.0f);
  Press(10, 10, 2);
  ConfirmTextEntry("1e37");  // 1e40 kg is beyond a float
  EXPECT_FLOAT_EQ(load, 1250.0f);
}

// A value below the minimum is refused with a box saying "New value is too low" over the owner,
// one above the maximum with "New value is too high"; the limits themselves are taken.
TEST_F(ValueEdit, ARefusedTypedValueSaysWhetherItWasTooLowOrTooHighAndTheLimitsAreTaken) {
  float mass = 100.0f;
  const auto typed = [&](const char* text) {
    ClearInterface();
    AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&mass), IvFloat(0.0f), IvFloat(5000.0f),
              IvText("Mass %.1f kg"), BUTTON_STYLE_FLOAT, nullptr, RecordCallback, nullptr);
    Press(10, 10, 2);
    ConfirmTextEntry(text);
    std::string said = owner.sub == &MessageBoxDialog.prss ? MessageBoxDialog.first : "no box";
    if (owner.sub) MessageSubKey(owner.sub, 13);
    return said;
  };
  EXPECT_EQ(typed("-1"), "New value is too low");
  EXPECT_EQ(typed("-inf"), "New value is too low");
  EXPECT_EQ(typed("9000"), "New value is too high");
  EXPECT_EQ(typed("inf"), "New value is too high");
  EXPECT_EQ(mass, 100.0f);
  EXPECT_EQ(typed("0"), "no box");
  EXPECT_EQ(mass, 0.0f) << "the minimum itself";
  EXPECT_EQ(typed("5000"), "no box");
  EXPECT_EQ(mass, 5000.0f) << "the maximum itself";
}

TEST_F(ValueEdit, AButtonWithoutLabelOpensNoEntryAndAnOwnerWithADialogNone) {
  float v = 1.0f;
  AddButton(&owner, 0, 0, 100, 20, reinterpret_cast<uintptr_t>(&v), IvFloat(0.0f), IvFloat(2.0f), IvText(nullptr),
            BUTTON_STYLE_FLOAT, nullptr, RecordCallback, nullptr);
  Press(10, 10, 2);
  EXPECT_FALSE(OpenTextEntry.open);
  Prss dialog{};
  owner.sub = &dialog;
  Control(0, 0, 400, 20, &v, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(2.0f), IvText("%.1f"));
  Press(10, 10, 2);
  EXPECT_FALSE(OpenTextEntry.open);
  owner.sub = nullptr;
}

TEST_F(ValueEdit, MappedBytesAndWordsTakeTheFloatRange) {
  uint8_t byte = 0;
  AddValueControl4(&owner, &byte, 0.0f, 10.0f, "Level %.1f", 0, 200, RecordCallback, -1.0f, -1.0f, 0.0f, -0.9f);
  Press(10, 10, 2);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new value for Level 0.0");
  ConfirmTextEntry("5");
  EXPECT_EQ(byte, 100);

  uint16_t word = 0;
  ClearInterface();
  AddValueSliderBar(&owner, &word, 0.0f, 7.0f, "Ratio %.2f", 1, RecordCallback, -1.0f, -1.0f, 0.0f, -0.9f);
  Press(10, 10, 2);
  ConfirmTextEntry("3.5");
  EXPECT_EQ(word, 32767);
  ClearInterface();
  AddValueSliderBar(&owner, &word, 0.0f, 500.0f, "Teeth %.0f", 0, RecordCallback, -1.0f, -1.0f, 0.0f, -0.9f);
  Press(10, 10, 2);
  ConfirmTextEntry("123.6");
  EXPECT_EQ(word, 124);
  // An empty range maps everything to the bottom rather than dividing by zero.
  ClearInterface();
  AddValueControl4(&owner, &byte, 3.0f, 3.0f, "Level %.1f", 10, 20, RecordCallback, -1.0f, -1.0f, 0.0f, -0.9f);
  Press(10, 10, 2);
  ConfirmTextEntry("3");
  EXPECT_EQ(byte, 10);
}

// A typed value past what a word can hold is held at its top or bottom: 70000 is kept as
// 65535 and -5 as 0.
TEST_F(ValueEdit, TypedValuesPastAWordAreHeldAtItsEnds) {
  uint16_t word = 7;
  AddValueSliderBar(&owner, &word, -10.0f, 70000.0f, "Teeth %.0f", 0, RecordCallback, -1.0f, -1.0f, 0.0f, -0.9f);
  Press(10, 10, 2);
  ConfirmTextEntry("70000");
  EXPECT_EQ(word, 65535);
  ClearInterface();
  AddValueSliderBar(&owner, &word, -10.0f, 70000.0f, "Teeth %.0f", 0, RecordCallback, -1.0f, -1.0f, 0.0f, -0.9f);
  Press(10, 10, 2);
  ConfirmTextEntry("-5");
  EXPECT_EQ(word, 0);
}

TEST_F(ValueEdit, AClosedScreensTypedEntryStoresNothing) {
  float v = 1.0f;
  Control(0, 0, 400, 20, &v, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(2.0f), IvText("%.1f"));
  Press(10, 10, 2);
  ForgetInterfaceOwner(&owner);
  ConfirmTextEntry("1.5");
  EXPECT_EQ(v, 1.0f);
  EXPECT_EQ(g_Callback.count, 0);
}

TEST_F(ValueEdit, SixteenBitStepsWalkTheMappedRangeAndStopAtItsEnds) {
  uint16_t word = 65534;
  Control(0, 0, 40, 20, &word, VALUE_TYPE_WORD_PLUS, IvInt(0), IvInt(1), IvInt(0));  // maximum 1: the mapped 0.5..7.5
  Click(10, 10);
  EXPECT_EQ(word, 65534);  // 7.5 + 0.001 stops at 7.5
  Control(0, 0, 40, 20, &word, VALUE_TYPE_WORD_MINUS, IvInt(0), IvInt(1), IvInt(0));
  Click(10, 10, 2);  // -10 thousandths
  EXPECT_NEAR((word / 65534.0f) * 7.0f + 0.5f, 7.49f, 1e-4f);
  word = 0;
  Control(0, 0, 40, 20, &word, VALUE_TYPE_WORD_MINUS, IvInt(0), IvInt(1), IvInt(0));
  Click(10, 10);
  EXPECT_EQ(word, 0);  // 0.5 - 0.001 stops at 0.5
  // Without the mapping: plain steps up to the limit in the label field.
  word = 95;
  Control(0, 0, 40, 20, &word, VALUE_TYPE_WORD_PLUS, IvInt(0), IvInt(0), IvInt(100));
  Click(10, 10, 2);
  EXPECT_EQ(word, 100);
  EXPECT_EQ(g_Callback.count, 4);
  // Typed into the mapped range: its ends are the words 0 and 65534, its middle 4.0 is
  // 3.5 / 7 of 65534 = 32767.
  for (const auto& [text, expected] : {std::pair{"0.5", 0}, std::pair{"7.5", 65534}, std::pair{"4", 32767}}) {
    word = 1000;
    ClearInterface();
    AddValueSliderBar(&owner, &word, 0.5f, 7.5f, "ratio %.3f", 1, RecordCallback, -1.0f, -1.0f, -0.9f, -0.9f);
    Press(10, 10, 2);
    ASSERT_TRUE(OpenTextEntry.open) << text;
    ConfirmTextEntry(text);
    EXPECT_EQ(word, expected) << text;
  }
}

TEST_F(ValueEdit, TheSegmentBarHandsTheSegmentUnderThePointer) {
  int32_t chosen = 0;
  const int index = Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  const SegmentBarGeometry bar = ValueControlBarGeometry(ValueControls[index]);
  ASSERT_GT(bar.segmentWidth, 0.0f);
  EXPECT_NEAR(bar.left + 2.5f * bar.segmentWidth, -0.5f, 1e-5f);  // centred
  EXPECT_NEAR(bar.textRowHeight, 0.75f * 0.2f, 1e-6f);
  const float middleOfThird = bar.left + 2.5f * bar.segmentWidth;
  const int x = int(std::lround((middleOfThird + 1.0f) * 400.0f));
  Click(x, 30);
  EXPECT_EQ(g_Callback.count, 1);
  EXPECT_EQ(g_Callback.code, 2);
  EXPECT_EQ(g_Callback.word, 77u);
  Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  Click(x, 30, 5);  // Ctrl + left: the callback as usual
  EXPECT_EQ(g_Callback.code, 77);
  Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  Click(x, 30, 2);
  EXPECT_EQ(g_Callback.count, 2);
  // Left of the bar is no segment.
  Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  Click(1, 30);
  EXPECT_EQ(g_Callback.count, 2);
}

// The first and the last of the five segments each hand their own number; past the bar's
// right end is no segment.
TEST_F(ValueEdit, TheSegmentBarsEndSegmentsHandZeroAndFour) {
  int32_t chosen = 0;
  const int index = Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  const SegmentBarGeometry bar = ValueControlBarGeometry(ValueControls[index]);
  ASSERT_GT(bar.segmentWidth, 0.0f);
  const auto pixel = [](float x) { return int(std::lround((x + 1.0f) * 400.0f)); };
  Click(pixel(bar.left + 0.5f * bar.segmentWidth), 30);
  EXPECT_EQ(g_Callback.count, 1);
  EXPECT_EQ(g_Callback.code, 0);
  Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  Click(pixel(bar.left + 4.5f * bar.segmentWidth), 30);
  EXPECT_EQ(g_Callback.count, 2);
  EXPECT_EQ(g_Callback.code, 4);
  Control(0, 0, 400, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  Click(pixel(bar.left + 5.5f * bar.segmentWidth), 30);
  EXPECT_EQ(g_Callback.count, 2) << "past the fifth";
}

// A bar 4 pixels wide (0.01) and 60 high (0.2) has less room than its margins of 0.15 x 0.2
// each side: no room at all, five segments of no width at its middle, -1 + 0.005.
TEST_F(ValueEdit, ASegmentBarNarrowerThanItsMarginsHasSegmentsOfNoWidth) {
  int32_t chosen = 0;
  const int narrow = Control(0, 0, 4, 60, &chosen, VALUE_TYPE_SEGMENT_BAR, IvInt(0), IvInt(77), IvInt(0));
  const SegmentBarGeometry none = ValueControlBarGeometry(ValueControls[narrow]);
  EXPECT_FLOAT_EQ(none.segmentWidth, 0.0f);
  EXPECT_NEAR(none.left, -0.995f, 1e-6f);
}

TEST_F(ValueEdit, TextFieldsAreEditedIntoTheirBuffersWithinTheirSize) {
  char name[8] = "wheel";
  Control(0, 0, 400, 20, name, VALUE_TYPE_EDIT_TEXT, IvInt(0), IvInt(sizeof name), IvText("Enter a name"));
  Click(10, 10);
  ASSERT_TRUE(OpenTextEntry.open);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter a name");
  EXPECT_STREQ(OpenTextEntry.initialText, "wheel");
  EXPECT_EQ(OpenTextEntry.type, 0);
  EXPECT_EQ(g_Callback.count, 0);  // not before the text is confirmed
  ConfirmTextEntry("a much longer name");
  EXPECT_STREQ(name, "a much ");
  EXPECT_EQ(g_Callback.count, 1);
  Control(0, 0, 400, 20, name, VALUE_TYPE_EDIT_PASSWORD, IvInt(0), IvInt(sizeof name), IvText("Password"));
  Click(10, 10);
  EXPECT_EQ(OpenTextEntry.type, 2);
  CancelTextEntry();
  // Without a size the buffer cannot be written safely: no entry opens.
  Control(0, 0, 400, 20, name, VALUE_TYPE_EDIT_SINGLE_BYTE, IvInt(0), IvInt(0), IvText("x"));
  Click(10, 10);
  EXPECT_FALSE(OpenTextEntry.open);
}

// A text field's entry takes no more than the entry line's 96 characters however large its
// buffer, and one less than a smaller buffer.
TEST_F(ValueEdit, ATextFieldsEntryIsAsLongAsItsBufferOrTheEntryLine) {
  char large[200] = "";
  Control(0, 0, 400, 20, large, VALUE_TYPE_EDIT_TEXT, IvInt(0), IvInt(sizeof large), IvText("Enter a name"));
  Click(10, 10);
  ASSERT_TRUE(OpenTextEntry.open);
  EXPECT_EQ(OpenTextEntry.maxLength, 96);
  CancelTextEntry();
  char small[20] = "";
  Control(0, 0, 400, 20, small, VALUE_TYPE_EDIT_TEXT, IvInt(0), IvInt(sizeof small), IvText("Enter a name"));
  Click(10, 10);
  ASSERT_TRUE(OpenTextEntry.open);
  EXPECT_EQ(OpenTextEntry.maxLength, 19);
  CancelTextEntry();
}

TEST_F(ValueEdit, TheHostNameRowTakesThirtyTwoCharacters) {
  PanelLayoutIndex = 0;  // its value column: x 0 .. 0.1, the row 0.06 high
  HostName[0] = 0;
  AddHostNameRow(&owner, 0.0f);
  Click(420, 305);
  ASSERT_TRUE(OpenTextEntry.open);
  EXPECT_EQ(OpenTextEntry.maxLength, 32);
  ConfirmTextEntry("a host name of forty characters in all..");
  EXPECT_EQ(std::string(HostName), "a host name of forty characters ");
  EXPECT_EQ(std::strlen(HostName), 32u);
}

TEST_F(ValueEdit, AClickOnTheEntryLinePlacesItsCursor) {
  StartTextEntry(20, "abcdef", 0, 0);
  Control(0, 0, 400, 20, nullptr, VALUE_TYPE_TEXT_LINE, IvText("abcdef"), IvInt(0), IvInt(0));
  Click(200, 10);
  EXPECT_EQ(TextClickProbe, 1);
  EXPECT_FLOAT_EQ(TextClickProbeX, -0.5f);
  EXPECT_EQ(g_Callback.count, 0);
  Control(0, 100, 400, 120, nullptr, VALUE_TYPE_TEXT, IvText("another text"), IvInt(0), IvInt(0));
  EXPECT_EQ(TextClickProbe, 1);  // the probe waits for the line's own text
  TextClickProbe = 0;  // as the next draw of the line does
  TextClickProbeCount = 4;
  EntryRecallHistory();
  EXPECT_EQ(TextEntry.cursor, 4);
  EXPECT_EQ(TextEntry.selected, 0);
  EXPECT_EQ(TextEntry.codedCursor, 4) << "the coded line's cursor follows";
  // A negative maximum: only the callback.
  Control(0, 0, 400, 20, nullptr, VALUE_TYPE_TEXT_LINE, IvText("abcdef"), IvInt(-1), IvInt(0));
  Click(200, 10);
  EXPECT_EQ(g_Callback.count, 1);
}

TEST_F(ValueEdit, SpinnerRowsStepWithinTheirRanges) {
  int32_t group = 15;
  AddSmoothingGroupSpinner(&owner, &group);
  ASSERT_EQ(ButtonCount, 3);
  EXPECT_EQ(InterfaceButtons[0].style, BUTTON_STYLE_INTEGER_DISPLAY);
  EXPECT_STREQ(InterfaceButtons[0].fourth.text, "Smoothing group %d");
  EXPECT_EQ(InterfaceButtons[0].word, 15u);
  EXPECT_EQ(InterfaceButtons[0].right - InterfaceButtons[0].left, (LayoutColumns - 2) * ButtonWidth);
  const InterfaceButton plus = InterfaceButtons[2];
  Press(plus.left + 1, plus.top + 1, 2);  // +10, at most 16
  EXPECT_EQ(group, 16);

  int8_t offset = -55;
  AddDiscOffsetSpinner(&owner, &offset);
  EXPECT_STREQ(InterfaceButtons[0].hint, "Disc offset relative to wheel centre");
  const InterfaceButton minus = InterfaceButtons[1];
  Press(minus.left + 1, minus.top + 1, 2);
  EXPECT_EQ(offset, -60);

  uint8_t level = 3;
  AddRowColourButton(&owner, "Level %d", 2, 9, &level, nullptr, RecordCallback, "hint");
  EXPECT_EQ(InterfaceButtons[0].word, 3u);
  Press(InterfaceButtons[1].left + 1, InterfaceButtons[1].top + 1, 2);
  EXPECT_EQ(level, 2);
  EXPECT_EQ(g_Callback.count, 1);
}

TEST_F(ValueEdit, LabelledValueButtonsAndStepButtonsCarryTheirHints) {
  RowCursorX = 0;
  AddLabelledValueButton(&owner, "X", BUTTON_STYLE_LENGTH16, 1, 10, nullptr, IvInt(65536), RecordCallback, "pos");
  ASSERT_EQ(ButtonCount, 4);
  EXPECT_EQ(InterfaceButtons[0].handler, nullptr);
  EXPECT_EQ(InterfaceButtons[1].right - InterfaceButtons[1].left, 5 * ButtonWidth);
  EXPECT_EQ(InterfaceButtons[1].word, 12u);
  EXPECT_EQ(InterfaceButtons[2].word, 10u);
  EXPECT_EQ(InterfaceButtons[3].word, 11u);
  EXPECT_STREQ(InterfaceButtons[2].hint, StepHintText(STEP_HINT_LENGTH, false));
  EXPECT_STREQ(InterfaceButtons[3].text.text, "+");
  EXPECT_EQ(RowCursorX, 8 * ButtonWidth);
  ClearInterface();
  AddLabelledValueButton(&owner, nullptr, BUTTON_STYLE_ANGLE16, 0, 10, nullptr, IvInt(1024), RecordCallback, "angle");
  ASSERT_EQ(ButtonCount, 1);
  EXPECT_EQ(InterfaceButtons[0].right - InterfaceButtons[0].left, 8 * ButtonWidth);
  EXPECT_EQ(InterfaceButtons[0].word, 0u);
  EXPECT_EQ(InterfaceButtons[0].handler, nullptr);
}

TEST_F(ValueEdit, ColourPointsStayBelowTheTopLimit) {
  const uint8_t rgb[3] = {0x12, 0x34, 0x56};
  PointButtonTopLimit = 100;
  EXPECT_EQ(AddColourPointButton(&owner, 50, 50, 1, 0, rgb, RecordCallback), -1);
  const int i = AddColourPointButton(&owner, 50, 200, 1, 0, rgb, RecordCallback);
  ASSERT_GE(i, 0);
  EXPECT_EQ(InterfaceButtons[i].third.i, 0x123456);
  EXPECT_EQ(InterfaceButtons[i].right - InterfaceButtons[i].left, 2 * CfgBlobSize);
  EXPECT_EQ(InterfaceButtons[i].style, BUTTON_STYLE_COLOUR_SQUARE);
  PointButtonTopLimit = 0;
}

TEST_F(ValueEdit, SixteenBitFlagsRefreshTheEditedMesh) {
  EditDomain = EDIT_DOMAIN_MODELLER;
  uint16_t flags = 0;
  RowCursorX = 0;
  AddLabelledFlag16(&owner, "Double Sided", 0x200, &flags, nullptr);
  Press(10 * ButtonWidth + 1, 1);
  EXPECT_EQ(flags, 0x200);
  EXPECT_EQ(g_Refreshes, 1);
  EXPECT_EQ(g_Edits.back().name, "switch double sided");
}

TEST_F(ValueEdit, ColourSlidersEditTheirChannelsWithinTheModesLimit) {
  ColourWord colour = RgbWord(10, 20, 30);
  RowCursorX = 0;
  RowCursorY = 0;
  AddColourSliders(&owner, 5, &colour, "on", RecordCallback, 2);
  EXPECT_EQ(RowCursorX, 7 * ButtonWidth);
  // The red trough: 2 units right of the swatch, three quarters of a row high.
  const InterfaceButton* red = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].style == BUTTON_STYLE_RED_SLIDER) red = &InterfaceButtons[i];
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->left, 2 * ButtonWidth);
  EXPECT_EQ(red->bottom - red->top, ButtonHeight * 3 / 4);
  EXPECT_EQ(red->third.i, 220);
  Press(red->left + 2, red->top + 1);
  Send(red->right + 500, red->top + 1, 0, 1, 0);
  EXPECT_EQ(ColourRed(colour), 220u);
  EXPECT_EQ(ColourGreen(colour), 20u);
  Send(red->right + 500, red->top + 1, 0, 0, 0, 1);
  // Shift + right on the swatch pastes the copied colour and calls the handler.
  ValueClipboard.colour[0] = 1;
  ValueClipboard.colour[1] = 2;
  ValueClipboard.colour[2] = 3;
  ClearInterface();
  AddColourSliders(&owner, 5, &colour, "on", RecordCallback, 0);
  g_Callback = Callback{};
  Press(1, 1, 10);
  EXPECT_EQ(colour, RgbWord(1, 2, 3));
  EXPECT_EQ(g_Callback.count, 1);
}

// A list control (VALUE_TYPE_TEXT_LIST) shows the entry its variable chooses, the first one included;
// before the first or past the last it shows "?".
TEST(ValueControlText, AListControlShowsTheChosenEntryFromTheFirst) {
  static const char* list[] = {"off", "on", nullptr};
  int32_t chosen = 0;
  ValueControl c{};
  c.displayType = VALUE_TYPE_TEXT_LIST;
  c.minimum = IvAddress(list);
  c.variable = &chosen;
  char out[16];
  ASSERT_EQ(ValueControlText(c, out, sizeof out), 1);
  EXPECT_STREQ(out, "off");
  chosen = 1;
  ValueControlText(c, out, sizeof out);
  EXPECT_STREQ(out, "on");
  chosen = 2;
  ValueControlText(c, out, sizeof out);
  EXPECT_STREQ(out, "?");
  chosen = -1;
  ValueControlText(c, out, sizeof out);
  EXPECT_STREQ(out, "?");
}

TEST(ValueControlText, EachTypeShowsItsText) {
  char out[128];
  ValueControl c{};
  auto text = [&](DisplayType type) {
    c.displayType = static_cast<uint8_t>(type);
    return ValueControlText(c, out, sizeof out) ? std::string(out) : std::string("<none>");
  };
  c.minimum = IvText("Speed %.1f km/h");
  c.variable = HeldFloat(12.34f);
  EXPECT_EQ(text(VALUE_TYPE_HELD_FLOAT), "Speed 12.3 km/h");
  c.variable = HeldFloat(2000.0f);
  c.minimum = IvText("%.1f t");
  EXPECT_EQ(text(VALUE_TYPE_HELD_THOUSANDTHS), "2.0 t");
  c.minimum = IvText("%.0f deg");
  c.variable = HeldFloat(3.14159265f);
  EXPECT_EQ(text(VALUE_TYPE_HELD_DEGREES), "180 deg");
  c.minimum = IvText("Lap %d");
  c.variable = HeldInt(-3);
  EXPECT_EQ(text(VALUE_TYPE_HELD_INT), "Lap -3");
  c.minimum = IvText("secret");
  EXPECT_EQ(text(VALUE_TYPE_EDIT_PASSWORD), "\x95\x95\x95\x95\x95\x95");
  // A list of texts ends with a null entry; an index beyond it shows "?".
  const char* list[] = {"off", "low", "high", nullptr};
  int32_t index = 2;
  c.minimum = IvAddress(list);
  c.variable = &index;
  EXPECT_EQ(text(VALUE_TYPE_TEXT_LIST), "high");
  index = 7;
  EXPECT_EQ(text(VALUE_TYPE_TEXT_LIST), "?");
  index = -1;
  EXPECT_EQ(text(VALUE_TYPE_TEXT_LIST), "?");
  uint32_t flags = 4;
  c.variable = &flags;
  c.minimum = IvAddress(nullptr);
  c.maximum = IvInt(4);
  EXPECT_EQ(text(VALUE_TYPE_YES_NO), "[yes]");
  c.maximum = IvInt(1);
  EXPECT_EQ(text(VALUE_TYPE_YES_NO), "[no]");
  c.minimum = IvInt('A' | 'B' << 8 | 1 << 24);
  EXPECT_EQ(text(VALUE_TYPE_PRESS_CALLBACK), "AB");
  c.minimum = IvInt('A' | 'B' << 8 | 'C' << 16);  // three characters at most, as the room allows
  EXPECT_EQ(text(VALUE_TYPE_PRESS_CALLBACK), "ABC");
  char two[3];
  c.displayType = VALUE_TYPE_PRESS_CALLBACK;
  ASSERT_EQ(ValueControlText(c, two, sizeof two), 1);
  EXPECT_STREQ(two, "AB");
  float value = 0.123456f;
  c.variable = &value;
  c.label = IvText("Grip %.3f");
  EXPECT_EQ(text(VALUE_TYPE_TYPED_FLOAT), "0.123");
  int32_t count = 42;
  c.variable = &count;
  c.minimum = IvText("%s %d");  // a text conversion is never handed a number
  EXPECT_EQ(text(VALUE_TYPE_INT_VALUE), "%s %d");
  for (DisplayType silent : {VALUE_TYPE_FLOAT, VALUE_TYPE_THOUSANDTHS, VALUE_TYPE_ANGLE, VALUE_TYPE_RATE,
                             VALUE_TYPE_EXPLICIT_STEP, VALUE_TYPE_PRESS_ONLY, VALUE_TYPE_COLOUR_BYTE,
                             VALUE_TYPE_COLOUR_TRIPLE, VALUE_TYPE_MAPPED_BYTE, VALUE_TYPE_WORD, VALUE_TYPE_SCROLL,
                             VALUE_TYPE_WHEEL, VALUE_TYPE_COLOUR_QUAD, VALUE_TYPE_EMPTY, VALUE_TYPE_ICON})
    EXPECT_EQ(text(silent), "<none>") << silent;
}

TEST(ValueControlText, MaskedTextsKeepToTheirRoomAndHexFieldsShowOnlyWhenAsked) {
  ValueControl c{};
  c.minimum = IvText("secret");
  char out[32];
  // Four bytes of room hold three bullets and the end.
  c.displayType = VALUE_TYPE_EDIT_PASSWORD;
  ASSERT_EQ(ValueControlText(c, out, 4), 1);
  EXPECT_STREQ(out, "\x95\x95\x95");
  c.displayType = VALUE_TYPE_PASSWORD_LINE;
  ValueControlText(c, out, sizeof out);
  EXPECT_STREQ(out, "\x95\x95\x95\x95\x95\x95");
  // A name slot shows its name, and one bullet while it is empty.
  const char* name = "pit";
  c.displayType = VALUE_TYPE_TEXT_SLOT;
  c.minimum = IvAddress(&name);
  ValueControlText(c, out, sizeof out);
  EXPECT_STREQ(out, "pit");
  name = nullptr;
  ValueControlText(c, out, sizeof out);
  EXPECT_STREQ(out, "\x95");
  // Type 60 shows its field in hex when bit 4 or 5 of its label word asks for it.
  c.displayType = VALUE_TYPE_CHARACTER_CELL;
  c.maximum = IvInt(0xBEEF);
  c.label = IvInt(0x20);
  ASSERT_EQ(ValueControlText(c, out, sizeof out), 1);
  EXPECT_STREQ(out, "BEEF");
  c.label = IvInt(0x40);
  EXPECT_EQ(ValueControlText(c, out, sizeof out), 0);
}
