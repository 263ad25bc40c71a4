// samples_gpu_test.cpp - the sample vehicles as a new user meets them (editor_window_harness.h),
// with what the build wrote beside them (their skins, the figures' animations): the garage
// opened from the entry page shows each sample, and the vehicle editor loads each one, and
// none of it says anything in the error colours.
#include <cstring>
#include <string>
#include <vector>

#include "editor_window_harness.h"
#include "frontend/frontend.h"
#include "physics/car.h"
#include "text/text_colours.h"
#include "vehicle_data/builtin_vehicles.h"

namespace {

class SampleWindow : public CarWindow {
 protected:
  void SetUp() override {
    CarWindow::SetUp();
    if (IsSkipped()) return;
    // The working folder's layout, and what the build wrote that the samples name.
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::filesystem::path data = std::filesystem::path(work ? work : "work") / "data";
    for (const auto& folder : std::filesystem::directory_iterator(data))
      if (folder.is_directory()) std::filesystem::create_directories("data" / folder.path().filename());
    for (const char* folder : {"skins", "move"})
      std::filesystem::copy(data / folder, std::string("data/") + folder,
                            std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing);
  }
  // The message lines shown in the error colour or the alarm red, each with the step that
  // showed it; the lines are cleared for the next step.
  static void TakeRedLines(const std::string& step, std::vector<std::string>& red) {
    for (int i = 0; i < MessageLineCount; ++i)
      if (MessageLines[i].text[0] &&
          (MessageLines[i].colour == TextColours.error || MessageLines[i].colour == TextColours.red))
        red.push_back(step + ": " + MessageLines[i].text);
    ClearMessages();
  }
};

TEST_F(SampleWindow, EverySampleOpensInTheGarageAndTheVehicleEditorWithNoMessageInRed) {
  std::vector<std::string> red;
  TakeRedLines("start", red);
  // The garage's first open: the entry page's "garage" button, on the road car.
  const PanelLayout& l = CurrentPanelLayout();
  ClickAt(int((1.0 + (l.labelX1 + l.labelX2) / 2) / 2 * WIDTH), int((1.0 + 0.45 + l.rowHeight / 2) / 2 * HEIGHT));
  ASSERT_NE(GarageCar(), nullptr);
  Run(200);
  TakeRedLines("the garage's first open", red);
  Key(27);
  ASSERT_TRUE(EntryPageIsIdle());
  // Every sample in the garage.
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const char* name = BuiltinVehicleTable[row].name;
    Prss* entry = CurrentProcess;
    Prss_AddSub(entry, OpenGaragePage(entry, name));
    ASSERT_NE(GarageCar(), nullptr) << name;
    Run(100);
    TakeRedLines(std::string("the garage on ") + name, red);
    Key(27);
    ASSERT_TRUE(EntryPageIsIdle()) << name;
  }
  // Every sample loaded in the vehicle editor.
  OpenVehicleEditorFromTheEntryPage();
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const char* name = BuiltinVehicleTable[row].name;
    Click("LOAD");
    Answer(name);
    ASSERT_NE(CurrentVehicleEditor->car, nullptr) << name;
    Run(100);
    TakeRedLines(std::string("the vehicle editor on ") + name, red);
  }
  EXPECT_TRUE(red.empty()) << red.size() << " lines, the first: " << (red.empty() ? "" : red.front());
  for (const std::string& line : red) ADD_FAILURE() << line;
}

}  // namespace
