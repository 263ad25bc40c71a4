// front_end_pages_gpu_test.cpp - front-end pages as a user meets them on the window
// (editor_window_harness.h): the entry page's panel, and the options page opened by Shift+O
// over the vehicle editor and over the animation editor: what Escape closes, what the page is
// drawn over, and Shift+O once the animation editor has gone.
#include <cstring>

#include "animation/anim_screen.h"
#include "editor_window_harness.h"
#include "ui/draw_record.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

// The entry page's version line stands inside the big panel in the middle of the page: the
// panel spans x -0.5 .. 0.5 and y -0.3 .. 0.3 of the screen, on this 1024 x 768 window the
// pixels 256 .. 768 across and 268.8 .. 499.2 down.
TEST_F(ObjectEditorWindow, TheEntryPagesVersionLineStandsInsideItsPanel) {
  ASSERT_TRUE(EntryPageIsIdle());
  DrawRecording = 1;
  Frame();
  DrawRecording = 0;
  const DrawRecordEntry* version = nullptr;
  for (const DrawRecordEntry& e : DrawRecord)
    if (e.role == RECORD_TEXT && e.text.rfind("version ", 0) == 0) version = &e;
  ASSERT_NE(version, nullptr) << "the page shows its version";
  EXPECT_GE(version->left, 256.0f);
  EXPECT_LE(version->right, 768.0f);
  EXPECT_GE(version->top, 268.8f);
  EXPECT_LE(version->bottom, 499.2f);
}

class OptionsOverEditor : public CarWindow {
 protected:
  void SetUp() override {
    CarWindow::SetUp();
    if (IsSkipped()) return;
    // The driver's steering animation, which "Animate" edits.
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::filesystem::path move = std::filesystem::path(work ? work : "work") / "data" / "move";
    std::filesystem::create_directories("data/move");
    std::filesystem::copy(move, "data/move", std::filesystem::copy_options::recursive |
                                                 std::filesystem::copy_options::skip_existing);
  }

  // The car's dark blue paint, lit or in shade.
  static bool Paint(const uint8_t* p) { return p[2] > 90 && p[2] > p[0] + 60 && p[2] > p[1] + 60; }

  static bool MessageShown(const char* part) {
    for (int i = 0; i < MessageLineCount; ++i)
      if (std::strstr(MessageLines[i].text, part)) return true;
    return false;
  }
};

TEST_F(OptionsOverEditor, EscapeClosesThePageAndLeavesTheVehicleEditorOpen) {
  LoadVehicle("Runabout");
  VehicleEditor& e = *CurrentVehicleEditor;
  Run(200);
  Key('O', true);
  ASSERT_NE(e.prss.sub, nullptr) << "Shift+O opens the options page";
  Prss* page = e.prss.sub;
  EXPECT_EQ(CurrentProcess, page) << "the page takes the keys";
  Key(KEY_ESCAPE);
  Frame();
  ASSERT_EQ(CurrentVehicleEditor, &e) << "the vehicle editor stays open";
  EXPECT_EQ(e.prss.sub, nullptr) << "the page has closed";
  EXPECT_EQ(CurrentProcess, &e.prss) << "the keys are the editor's again";
  EXPECT_TRUE(e.prss.alive);
  EXPECT_FALSE(MessageShown("removed subprocess")) << "no screen was closed from under the user";
  // The editor answers its own keys again: a second Shift+O opens the page once more.
  Key('O', true);
  EXPECT_NE(e.prss.sub, nullptr);
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(CurrentVehicleEditor, &e);
}

TEST_F(OptionsOverEditor, EscapeOnThePageOverTheAnimationEditorClosesThePageOnly) {
  LoadVehicle("Runabout");
  Run(200);
  Key('A');
  AnimEditorScreen* anim = OpenAnimEditorScreen;
  ASSERT_NE(anim, nullptr) << "A opens the animation editor on the driver";
  Run(100);
  Key('O', true);
  ASSERT_NE(anim->prss.sub, nullptr) << "Shift+O opens the options page over the animation editor";
  EXPECT_EQ(CurrentProcess, anim->prss.sub);
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(OpenAnimEditorScreen, anim) << "the animation editor stays open";
  EXPECT_EQ(anim->prss.sub, nullptr);
  EXPECT_EQ(CurrentProcess, &anim->prss);
  EXPECT_FALSE(MessageShown("removed subprocess"));
}

// Escape closes the animation editor and, with it, the object editor it stood in; the very
// next frame leaves the vehicle editor ready, so a Shift+O straight after (a script's next
// line, a quick hand) opens the options page.
TEST_F(OptionsOverEditor, ShiftOOpensThePageInTheFrameAfterTheAnimationEditorCloses) {
  LoadVehicle("Runabout");
  VehicleEditor& e = *CurrentVehicleEditor;
  Run(200);
  Key('A');
  ASSERT_NE(OpenAnimEditorScreen, nullptr);
  Run(100);
  Key(KEY_ESCAPE);  // the key, then one frame
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  EXPECT_EQ(e.prss.sub, nullptr) << "the object editor has gone in the frame the animation editor went";
  EXPECT_EQ(e.subEditor, SUB_NONE);
  EXPECT_EQ(CurrentProcess, &e.prss);
  Key('O', true);
  ASSERT_NE(e.prss.sub, nullptr) << "Shift+O opens the options page";
  EXPECT_EQ(CurrentProcess, e.prss.sub);
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(CurrentVehicleEditor, &e);
}

// The editor draws nothing while the page covers it: the page's frames are cleared, and the
// car (blue, across the middle of the screen) no longer shows beneath the page's rows.
TEST_F(OptionsOverEditor, ThePageIsDrawnOnAClearedFrame) {
  LoadVehicle("Runabout");
  Run(200);
  const Picture editor = Shot("options_editor_before");
  // Blue car body points right of the page's rows, and below them.
  std::vector<std::array<int, 2>> body;
  for (int y = 300; y < 600; y += 20)
    for (int x = 660; x < 820; x += 20)
      if (Paint(editor.At(x, y))) body.push_back({x, y});
  ASSERT_GT(body.size(), 10u) << "the car shows in the editor";
  Key('O', true);
  ASSERT_NE(CurrentVehicleEditor->prss.sub, nullptr);
  Frame(2);
  const Picture page = Shot("options_over_vehicle_editor");
  int stillBlue = 0;
  for (const auto& p : body) stillBlue += Paint(page.At(p[0], p[1])) ? 1 : 0;
  EXPECT_EQ(stillBlue, 0) << "the editor's last picture shows beneath the page";
  // Closed, the page gives the editor its picture back in the frame it closes in.
  HandleKeyDown(KEY_ESCAPE, 0);
  HandleKeyUp(KEY_ESCAPE);
  const Picture after = Shot("options_editor_after");
  EXPECT_EQ(CurrentVehicleEditor->prss.sub, nullptr);
  int blueAgain = 0;
  for (const auto& p : body) blueAgain += Paint(after.At(p[0], p[1])) ? 1 : 0;
  EXPECT_GT(blueAgain, int(body.size()) / 2);
}

}  // namespace
