// dash_editor_gpu_test.cpp - the dashboard editor as a user meets it (editor_window_harness.h):
// the sample car loaded in the vehicle editor, the Textures tab's clocks "EDIT" opens the page
// over it, the mouse flips a toggle and moves a lamp with the sliders' step buttons, the
// preview square at the top right shows the lamp at its new pixel, and Escape closes the page;
// the sample's own dashboard in the preview, and a byte beyond its slider's range brought back.
// The pictures dash_editor_before.png, dash_editor_after.png, dash_editor_sample.png and
// dash_editor_type3.png are written to the test's folder.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "dashboard/dash_block.h"
#include "dashboard/dash_editor.h"
#include "editor_window_harness.h"
#include "physics/car.h"
#include "ui/shapes_2d.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

class DashEditorWindow : public CarWindow {
 protected:
  static void OpenAndLoad() {
    OpenVehicleEditorFromTheEntryPage();
    Click("LOAD");
    ASSERT_TRUE(OpenTextEntry.open);
    Answer("Runabout");
    ASSERT_NE(CurrentVehicleEditor, nullptr);
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
  }
  // The value control of the type bound to the byte.
  static const ValueControl* ControlOn(const uint8_t* byte, int type) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == type && ValueControls[i].variable == byte) return &ValueControls[i];
    return nullptr;
  }
  static void ClickControlAt(const ValueControl& c, int right) {
    ClickAt(int(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * WIDTH), int(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * HEIGHT),
            right);
  }
  // The button of the frame with the text and the word.
  static const InterfaceButton* ButtonWith(const char* text, uintptr_t word) {
    char shown[64];
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].word == word && ButtonText(InterfaceButtons[i], shown, sizeof shown) &&
          std::strcmp(shown, text) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  }
  // Pixels of a square of 2r + 1 around (x, y) that differ between the pictures by more
  // than 40 in a channel.
  static int Changed(const Picture& a, const Picture& b, int x, int y, int r) {
    int n = 0;
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx) {
        const uint8_t *p = a.At(x + dx, y + dy), *q = b.At(x + dx, y + dy);
        n += std::abs(p[0] - q[0]) > 40 || std::abs(p[1] - q[1]) > 40 || std::abs(p[2] - q[2]) > 40;
      }
    return n;
  }
};

TEST_F(DashEditorWindow, TheClocksEditOpensThePageTheMouseEditsTheBlockAndThePreviewShowsTheMovedLamp) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Car& car = *e.car;
  ASSERT_EQ(car.dashType, 1) << "the sample car has the dark analog clocks";
  Click("Textures");
  Frame();
  const int nodes = VehicleUndo::NumNodes;
  Click("EDIT");
  ASSERT_NE(e.prss.sub, nullptr) << "the page opens over the editor";
  ASSERT_EQ(e.prss.sub->act, DashEditorScreenAction);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1) << "\"edit clocks\" is recorded first";
  Frame();

  // "restore default settings", answered yes: the sample's block becomes the type's defaults.
  Click("restore default settings");
  ASSERT_EQ(e.prss.sub->sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Restore default settings?");
  Key('Y');
  Frame();
  const int lamp = DASH_LAMP_OFFSET + DASH_LAMP_HANDBRAKE * DASH_LAMP_BYTES;
  EXPECT_GE(car.dash[lamp + 2], 5);
  EXPECT_LE(car.dash[lamp + 2], 20) << "a lamp size within its slider's bytes";

  // A toggle by the mouse: its flag flips and its text reads the other sense.
  const uint32_t flags = DashFlags(car.dash);
  const bool tachoOn = !(flags & DASH_ANALOG_TACHOMETER_OFF);
  Click(tachoOn ? "Tacho ON (click : OFF)" : "Tacho OFF (click : ON)");
  EXPECT_EQ(DashFlags(car.dash), flags ^ DASH_ANALOG_TACHOMETER_OFF);
  EXPECT_NE(FindButton(tachoOn ? "Tacho OFF (click : ON)" : "Tacho ON (click : OFF)"), nullptr);

  // The handbrake lamp (always in the lamp mask) made a plain disc of the largest size at
  // the left, then moved right by the X slider's step buttons.
  const char plain[2] = {char(DASH_PLAIN_LAMP_GLYPH), 0};
  const InterfaceButton* symbol = ButtonWith(plain, uintptr_t(DASH_LAMP_HANDBRAKE) << 8);
  ASSERT_NE(symbol, nullptr);
  ClickAt((symbol->left + symbol->right) / 2, (symbol->top + symbol->bottom) / 2);
  EXPECT_EQ(car.dash[lamp + 3], 0);
  car.dash[lamp + 2] = 12;
  Frame();
  const ValueControl* bigger = ControlOn(&car.dash[lamp + 2], 40);
  ASSERT_NE(bigger, nullptr);
  ClickControlAt(*bigger, 1);
  EXPECT_EQ(car.dash[lamp + 2], 20) << "ten steps up, held at the highest byte";
  car.dash[lamp + 0] = 40;  // where the lamp starts: X -0.6
  car.dash[lamp + 1] = 60;  // Y -0.4
  Frame(2);
  const Picture before = Shot("dash_editor_before");
  for (int i = 0; i < 6; ++i) {
    const ValueControl* right = ControlOn(&car.dash[lamp + 0], 40);
    ASSERT_NE(right, nullptr);
    ClickControlAt(*right, 1);  // the right button: 10 steps
  }
  EXPECT_EQ(car.dash[lamp + 0], 100) << "X 0.00";
  Frame(2);
  const Picture after = Shot("dash_editor_after");

  // The preview square: min(half the height, 512) pixels at the top right; the texture's
  // -1..1 across and down over it.
  const int side = TextureCornerSide(WIDTH, HEIGHT);
  const auto px = [&](int b) { return WIDTH - side + int((DashPosition(uint8_t(b)) + 1.0f) * 0.5f * float(side)); };
  const auto py = [&](int b) { return int((DashPosition(uint8_t(b)) + 1.0f) * 0.5f * float(side)); };
  const int radius = std::max(2, int(DashSize(20) * 0.5f * float(side) * 0.5f));
  EXPECT_GT(Changed(before, after, px(100), py(60), radius), radius * radius) << "the lamp shows at its new place";
  EXPECT_GT(Changed(before, after, px(40), py(60), radius), radius * radius) << "and is gone from its old place";

  // Escape closes the page; the editor is current again.
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(e.prss.sub, nullptr);
  EXPECT_EQ(CurrentProcess, &e.prss);
}

// The sample car's own dashboard in the preview (dash_editor_sample.png): a dark face with
// light dials and a few small lamps, not a face filled by an oversized lamp or dial.  Then a
// stored byte beyond its slider's range, as an old file may hold: the slider shows the value
// the range maps it to (5 degrees a step: 174 shows 870), and the step button towards the
// range is live, one press bringing the byte to the range's end.
TEST_F(DashEditorWindow, TheSampleDashboardShowsItsDialsAndAByteBeyondItsRangeComesBackInOnePress) {
  OpenAndLoad();
  VehicleEditor& e = *CurrentVehicleEditor;
  Car& car = *e.car;
  Click("Textures");
  Frame();
  Click("EDIT");
  ASSERT_NE(e.prss.sub, nullptr);
  Frame(2);
  const Picture shot = Shot("dash_editor_sample");
  const int side = TextureCornerSide(WIDTH, HEIGHT);
  int red = 0, dark = 0, light = 0, all = 0;
  for (int y = 2; y < side - 2; y += 2)
    for (int x = WIDTH - side + 2; x < WIDTH - 2; x += 2) {
      const uint8_t* p = shot.At(x, y);
      ++all;
      red += IsRed(p);
      dark += p[0] + p[1] + p[2] < 90;
      light += p[0] > 150 && p[1] > 150 && p[2] > 150;
    }
  EXPECT_LT(red, all / 20) << "the red needles and lamps are small";
  EXPECT_GT(dark, all / 2) << "the dark face shows";
  EXPECT_GT(light, all / 200) << "the dials' marks and figures show";

  // The tachometer's start angle (0..72 bytes, 0..360 degrees) and turn angle (12..72,
  // 60..360).
  constexpr int TACHOMETER = 80 + 8, START = TACHOMETER + 2, TURN = TACHOMETER + 3;
  const auto shown = [&](const uint8_t* byte) {
    const ValueControl* slider = ControlOn(byte, 37);
    if (!slider) return -1.0f;
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      if (c.displayType == VALUE_TYPE_HELD_FLOAT && c.top == slider->top && c.left <= slider->left &&
          c.right >= slider->right)
        return std::bit_cast<float>(uint32_t(reinterpret_cast<uintptr_t>(c.variable)));
    }
    return -1.0f;
  };
  car.dash[START] = 174;
  car.dash[TURN] = 5;
  Frame();
  EXPECT_FLOAT_EQ(shown(&car.dash[START]), 870.0f);
  EXPECT_FLOAT_EQ(shown(&car.dash[TURN]), 25.0f) << "seven steps below 60";
  const ValueControl* up = ControlOn(&car.dash[START], 40);
  ASSERT_NE(up, nullptr);
  EXPECT_NE(up->owner, nullptr) << "the step towards the range is live";
  ClickControlAt(*up, 0);
  EXPECT_EQ(car.dash[START], 72) << "360 degrees";
  const ValueControl* down = ControlOn(&car.dash[TURN], 41);
  ASSERT_NE(down, nullptr);
  EXPECT_NE(down->owner, nullptr);
  ClickControlAt(*down, 0);
  EXPECT_EQ(car.dash[TURN], 12) << "60 degrees";
  // At the range's end the button beyond it is not live.
  Frame();
  EXPECT_EQ(ControlOn(&car.dash[START], 40)->owner, nullptr);
  EXPECT_EQ(ControlOn(&car.dash[TURN], 41)->owner, nullptr);
}

// The formula display's page over a sample of dash type 3, pictured as dash_editor_type3.png.
TEST_F(DashEditorWindow, TheFormulaDisplaysPageOpensOverASampleOfTypeThree) {
  OpenVehicleEditorFromTheEntryPage();
  Click("LOAD");
  ASSERT_TRUE(OpenTextEntry.open);
  Answer("Carrier");
  VehicleEditor& e = *CurrentVehicleEditor;
  ASSERT_NE(e.car, nullptr);
  ASSERT_EQ(e.car->dashType, 3);
  Click("Textures");
  Frame();
  Click("EDIT");
  ASSERT_NE(e.prss.sub, nullptr);
  Frame();
  EXPECT_TRUE(FindButton("LED tacho (click : LCD)") || FindButton("LCD tacho (click : LED)"));
  EXPECT_NE(FindButton("Speedo"), nullptr);
  Shot("dash_editor_type3");
  Click("back");
  EXPECT_EQ(e.prss.sub, nullptr);
}

}  // namespace
