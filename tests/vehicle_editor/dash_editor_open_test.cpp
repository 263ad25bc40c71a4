// dash_editor_open_test.cpp - the clocks "EDIT" (ChooseAction word 8) on sample vehicles of
// dash types 1 and 3: "edit clocks" recorded, the dashboard editor opened over the editor with
// the controls of the car's type, and closed again; without clocks nothing opens.
#include <cstring>

#include "dashboard/dash_editor.h"
#include "pages_fixture.h"
#include "vehicle_editor/settings_actions.h"

namespace {

using namespace VehicleUndo;

class DashEditorOpen : public PagesTest {};

}  // namespace

TEST_F(DashEditorOpen, TheClocksEditOpensThePageOverSampleCarsOfTypesOneAndThree) {
  struct Sample {
    const char* name;
    int dashType;
    const char* shown[2];  // one of them is on the page
  };
  const Sample samples[] = {
      {"Runabout", 1, {"Tacho ON (click : OFF)", "Tacho OFF (click : ON)"}},
      {"Carrier", 3, {"LED tacho (click : LCD)", "LCD tacho (click : LED)"}},
  };
  for (const Sample& s : samples) {
    Load(s.name);
    ASSERT_EQ(car().dashType, s.dashType) << s.name;
    const int nodes = NumNodes;
    VehicleEditor::ChooseAction(e, 1, CHOOSE_DASH_EDITOR);
    ASSERT_NE(e->prss.sub, nullptr) << s.name;
    EXPECT_EQ(e->prss.sub->act, DashEditorScreenAction);
    EXPECT_EQ(CurrentProcess, e->prss.sub) << "the page takes the keys and the mouse";
    ASSERT_EQ(NumNodes, nodes + 1);
    EXPECT_STREQ(Slots[NumNodes].name, "edit clocks");
    ClearInterface();
    FrameSkipped = 0;  // a drawn frame of the page
    Prss_ActSub(&e->prss);
    FrameSkipped = 1;
    EXPECT_TRUE(Shown(s.shown[0]) || Shown(s.shown[1])) << s.name;
    EXPECT_TRUE(Shown("restore default settings"));
    // A second EDIT while the page is open opens nothing more.
    VehicleEditor::ChooseAction(e, 1, CHOOSE_DASH_EDITOR);
    EXPECT_EQ(NumNodes, nodes + 1);
    // Escape closes it; the editor is current again.
    Prss_DeliverKey(27);
    Prss_ActSub(&e->prss);
    EXPECT_EQ(e->prss.sub, nullptr) << s.name;
    EXPECT_EQ(CurrentProcess, &e->prss);
  }
  // A car without clocks has no page to open, nor one whose clocks are one past the last kind.
  const int nodes = NumNodes;
  for (const int none : {0, int(DASH_TYPE_COUNT)}) {
    car().dashType = uint8_t(none);
    VehicleEditor::ChooseAction(e, 1, CHOOSE_DASH_EDITOR);
    EXPECT_EQ(e->prss.sub, nullptr) << none;
    EXPECT_EQ(NumNodes, nodes) << none;
  }
}
