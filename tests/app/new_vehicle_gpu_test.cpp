// new_vehicle_gpu_test.cpp - the demo as a user meets it: from the entry page, by mouse and
// keys only, a new vehicle made with the wizard stands in the vehicle editor, with the mass
// typed by hand; the page over the built car written as new_vehicle_<layout>.png.
#include <SDL2/SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "editor_window_harness.h"
#include "physics/car.h"
#include "render/views.h"
#include "text/messages.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

namespace W = NewVehicleWizard;

class NewVehicleWindow : public CarWindow {
 protected:
  static const InterfaceButton* Starting(const char* start) {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strncmp(shown, start, std::strlen(start)) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  }
  static void KeyWithCtrl(int key) {
    HandleKeyDown(KEY_CTRL, 0);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    HandleKeyUp(KEY_CTRL);
    Frame();
  }
  // An item of the open option list, chosen as its row's click does.
  static void Choose(const char* title, const char* item) {
    ASSERT_STREQ(SelectDialog.title, title);
    for (int i = 0; i < SelectDialog.count; ++i) {
      const char* text = SelectDialog.textSlots ? *SelectDialog.textSlots[i] : SelectDialog.texts[i];
      if (std::strcmp(text, item) != 0) continue;
      SelectItemClick(&SelectDialog.prss, CLICK_LEFT, uintptr_t(i));
      Frame();
      return;
    }
    FAIL() << "no item \"" << item << "\" in \"" << title << "\"";
  }
  // At sample pixels of a picture of the page over its car: the page's title and "OK" stand
  // out from the view beside the page; the body, where the view projects its centre, from the
  // ground and background at the picture's edge.
  static void ExpectPageAndBodyShow(const Picture& page, const char* what) {
    const InterfaceButton* ok = FindButton("OK");
    const InterfaceButton* title = FindButton("Initial setup for new vehicle");
    ASSERT_NE(ok, nullptr) << what;
    ASSERT_NE(title, nullptr) << what;
    const auto unlike = [&page](int x, int y, int u, int v) {
      const uint8_t *p = page.At(x, y), *q = page.At(u, v);
      return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 40;
    };
    EXPECT_TRUE(unlike(title->left + 4, (title->top + title->bottom) / 2, WIDTH - 4, (title->top + title->bottom) / 2))
        << what << ": the title";
    EXPECT_TRUE(unlike(ok->left + 4, (ok->top + ok->bottom) / 2, WIDTH - 4, (ok->top + ok->bottom) / 2))
        << what << ": OK";
    IntVector world;
    TransformPoint(CurrentVehicleEditor->car->drawTransform, IntVector{0, 0, int32_t(0.45 * 65536)}, world);
    const int32_t at[3] = {world.x, world.y, world.z};
    float bx, by;
    int32_t depth;
    ASSERT_TRUE(ProjectPointToScreen(at, &bx, &by, &depth)) << what;
    EXPECT_TRUE(unlike(int(bx), int(by), WIDTH - 4, int(by))) << what << ": the body at " << bx << ", " << by;
  }
  static int Recorded(const char* name) {
    int n = 0;
    for (int i = 0; i <= VehicleUndo::NumNodes; ++i) n += std::strcmp(VehicleUndo::Slots[i].name, name) == 0;
    return n;
  }
};

TEST_F(NewVehicleWindow, ACarMadeFromTheEntryPageStandsWithTheMassTypedByHand) {
  OpenVehicleEditorFromTheEntryPage();
  VehicleEditor& e = *CurrentVehicleEditor;
  Click("NEW");
  const uint32_t builds = W::Builds;
  Choose("Select vehicle layout", "Car (4 Wheels)");
  ASSERT_TRUE(W::Running);
  EXPECT_EQ(W::Builds, builds + 1) << "built once, on the next drawn frame";
  ASSERT_NE(e.car, nullptr);
  ASSERT_NE(FindButton("Initial setup for new vehicle"), nullptr);
  EXPECT_EQ(Recorded("new vehicle"), 1);
  ExpectPageAndBodyShow(Shot("new_vehicle_car"), "car");

  Click("saloon");
  Choose("Select new class", "GT");
  EXPECT_EQ(W::Builds, builds + 2);
  EXPECT_EQ(W::Settings.vehicleClass, 5);
  Click("adjust", "Set the target mass by hand");
  const InterfaceButton* mass = Starting("Target Mass");
  ASSERT_NE(mass, nullptr);
  ClickAt((mass->left + mass->right) / 2, (mass->top + mass->bottom) / 2, 1);
  Answer("1300");
  EXPECT_EQ(W::Builds, builds + 3);
  EXPECT_NEAR(e.car->mass, 1300.0f, 1.0f);

  Click("OK");
  EXPECT_FALSE(W::Running) << "the page closes";
  ASSERT_NE(e.car, nullptr) << "the car stays";
  Settle(3000);
  EXPECT_LT(e.car->speed, 0.01f) << "it stands and settles";
  EXPECT_EQ(Recorded("new vehicle"), 1);
}

TEST_F(NewVehicleWindow, EachLayoutsPageOverItsCar) {
  OpenVehicleEditorFromTheEntryPage();
  const char* names[] = {"new_vehicle_car", "new_vehicle_three", "new_vehicle_trike",
                         "new_vehicle_bike", "new_vehicle_kart", "new_vehicle_object"};
  for (int layout = 0; layout < NEW_LAYOUT_COUNT; ++layout) {
    KeyWithCtrl('N');
    Choose("Select vehicle layout", NewVehicleLayoutNames[layout]);
    ASSERT_TRUE(W::Running) << layout;
    const Picture page = Shot(names[layout]);
    ExpectPageAndBodyShow(page, names[layout]);
    Key(13);
    EXPECT_FALSE(W::Running) << "Enter closes the page";
  }
}

}  // namespace

// A new car whose maker types a mod's Skin ID and follows what the mod check says, with files
// the program writes or names, passes the check.
TEST_F(NewVehicleWindow, ANewCarWithAModsSkinIdPassesTheModCheck) {
  const auto said = [](const char* text) {
    for (const MessageLine& line : MessageLines)
      if (std::strstr(line.text, text)) return true;
    return false;
  };
  OpenVehicleEditorFromTheEntryPage();
  VehicleEditor& e = *CurrentVehicleEditor;
  Click("NEW");
  Choose("Select vehicle layout", "Car (4 Wheels)");
  Click("OK");
  ASSERT_NE(e.car, nullptr);
  Click(e.car->shortName);
  Answer("A1B2C3");
  while (MessageBoxDialog.prss.alive) Key(KEY_ESCAPE);
  ASSERT_STREQ(e.car->shortName, "A1B2C3");
  Click("CHECK if vehicle is valid for mod export");
  EXPECT_TRUE(said("Vehicle is valid for mod export"));
}
