// rim_editor_gpu_test.cpp - the rim editor as a user meets it (editor_window_harness.h): "edit
// rim" on the sample car's "Wheel Object" tab, points added at the pointer, a surface made by
// two presses in "surface" mode, a colour copied, renamed and changed by its slider,
// the rim saved and loaded by typed names, and Escape closing it.  The picture shows the
// surfaces' white lines and ticks and the tyre's outline where the test's own arithmetic puts
// them; it is written to the test's folder as vehicle_editor_rim_editor.png.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/window_state.h"
#include "editor_window_harness.h"
#include "physics/car.h"
#include "rim/rim_screen.h"

namespace {

class RimEditorWindow : public CarWindow {
 protected:
  static void OpenRimEditor() {
    OpenVehicleEditorFromTheEntryPage();
    HandleKeyDown(KEY_CTRL, 0);
    HandleKeyDown('O', 0);
    HandleKeyUp('O');
    HandleKeyUp(KEY_CTRL);
    Frame();
    Answer("Runabout");
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
    Click("Wheel Object");
    std::filesystem::create_directories("data/whl");
    ASSERT_TRUE(ScrollPageTo("edit rim"));
    Click("edit rim");
    ASSERT_NE(CurrentVehicleEditor->prss.sub, nullptr);
    Frame();
  }
  static RimScreen& Host() { return *reinterpret_cast<RimScreen*>(CurrentVehicleEditor->prss.sub); }
  static const InterfaceButton* ButtonOf(InterfaceHandler handler, uintptr_t word) {
    for (int i = ButtonCount - 1; i >= 0; --i)
      if (InterfaceButtons[i].handler == handler && InterfaceButtons[i].word == word) return &InterfaceButtons[i];
    return nullptr;
  }
  static void Press(InterfaceHandler handler, uintptr_t word, int right = 0) {
    const InterfaceButton* b = ButtonOf(handler, word);
    ASSERT_NE(b, nullptr) << "no button of word " << word;
    ClickAt((b->left + b->right) / 2, (b->top + b->bottom) / 2, right);
  }
  static std::vector<uint8_t> Read(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static bool White(const uint8_t* p) { return p[0] > 235 && p[1] > 235 && p[2] > 235; }
  static bool Outline(const uint8_t* p) { return p[1] > 200 && p[1] - p[0] > 60 && p[1] - p[2] > 60; }
};

TEST_F(RimEditorWindow, SurfacesColoursFilesAndThePictureByMouseAndKeys) {
  OpenRimEditor();
  VehicleEditor& e = *CurrentVehicleEditor;
  Car& car = *e.car;
  WXS& rim = *car.rim;
  RimScreen& host = Host();
  GraphWXS& g = host.graph;
  ASSERT_EQ(rim.mappingCount, 2) << "both of the sample's colours are used";
  EXPECT_EQ(EditorFrameHook, &DrawRimEditor);

  // Two points at the pointer, then a surface between them in "surface" mode.
  const int points = rim.numPoints, surfaces = rim.surfaceCount;
  MouseX = g.ScreenX(1.0f), MouseY = g.ScreenY(1.5f);
  Key('P');
  MouseX = g.ScreenX(3.0f), MouseY = g.ScreenY(1.0f);
  Key('P');
  ASSERT_EQ(rim.numPoints, points + 2);
  Click("surface");
  ASSERT_EQ(g.mode, RIM_MODE_SURFACE);
  const GraphPoint a = rim.points[points], b = rim.points[points + 1];
  ClickAt(g.ScreenX(a.x), g.ScreenY(a.y));
  ClickAt(g.ScreenX(b.x), g.ScreenY(b.y));
  ASSERT_EQ(rim.surfaceCount, surfaces + 1);
  EXPECT_EQ(rim.surfaces[surfaces].first, uint32_t(points));
  EXPECT_EQ(rim.surfaces[surfaces].second, uint32_t(points + 1));
  EXPECT_EQ(rim.surfaces[surfaces].mapping, 0u);

  // "M2_rim" copied, the copy renamed "face" and given to the new surface; a drag on its red
  // slider raises the red.  (The car's colour set paints the master colours "M<n>" whenever the
  // wheels are made, so the masters' own sliders are tried without a car.)
  Press(RimMappingRow, RimRowWord(1));
  ASSERT_EQ(g.currentMapping, 1);
  Click("dup");
  ASSERT_EQ(rim.mappingCount, 3);
  Press(RimMappingRow, RimRowWord(2), 1);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new name for colour");
  Answer("face");
  EXPECT_STREQ(rim.mappings[2].name, "face");
  Press(RimSurfacePressed, uintptr_t(surfaces));
  ASSERT_EQ(g.selectedSurface, surfaces);
  Key(KEY_DELETE);
  Press(RimMappingRow, RimRowWord(2));
  ClickAt(g.ScreenX(a.x), g.ScreenY(a.y));
  ClickAt(g.ScreenX(b.x), g.ScreenY(b.y));
  ASSERT_EQ(rim.surfaceCount, surfaces + 1);
  EXPECT_EQ(rim.surfaces[surfaces].mapping, 2u);
  uint8_t* faceRed = reinterpret_cast<uint8_t*>(&rim.mappings[2].colour);
  const InterfaceButton* trough = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(faceRed) &&
        InterfaceButtons[i].style == BUTTON_STYLE_RED_SLIDER)
      trough = &InterfaceButtons[i];
  ASSERT_NE(trough, nullptr) << "the red slider of \"face\"";
  const int tx = (trough->left + trough->right) / 2, ty = (trough->top + trough->bottom) / 2;
  const uint8_t red = *faceRed;
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  press.leftHeld = 1;
  KeyState[1] = 1;
  Mouse(press, tx, ty);
  const ColourWord first = rim.mappings[1].colour;
  MouseRecord move{};
  move.leftHeld = 1;
  Mouse(move, tx + 20, ty);
  Frame();
  KeyState[1] = 0;
  MouseRecord release{};
  release.releaseCode = 1;
  Mouse(release, tx + 20, ty);
  Frame();
  Frame(2);
  EXPECT_GT(*faceRed, red) << "the drag raised the red, and the wheels made again keep it";
  EXPECT_EQ(car.wheelMeshesBuilt, 1);
  EXPECT_EQ(rim.mappings[1].colour, first) << "the copied colour stays";

  // The picture, zoomed out by the held "-" until the tyre's top is in view, in long frames.
  Click("point");
  const SuspensionBlock& front = car.wheelSets[1];
  const float inner = front.rimRadius - front.rimInnerDepthMm / 1000.0f;
  const float tread = front.rollingRadius * 4.0f / inner;
  const InterfaceButton* out = FindButton("-", "Zoom out (hold)");
  ASSERT_NE(out, nullptr);
  Mouse(press, (out->left + out->right) / 2, (out->top + out->bottom) / 2);
  KeyState[1] = 1;
  for (int i = 0; i < 400 && g.scaleH < tread + 1.0f; ++i) {
    ClockAdvanceFake(LONG_FRAME_MS);
    Frame();
  }
  KeyState[1] = 0;
  Mouse(release, MouseX, MouseY);
  Frame(2);
  ASSERT_GE(g.scaleH, tread + 1.0f);
  const Picture shot = Shot("vehicle_editor_rim_editor");
  // The top surface (point 1 to point 0 along y 4) and its tick, 20 pixels up from its middle.
  const int y4 = g.ScreenY(4.0f);
  EXPECT_TRUE(shot.Near((g.ScreenX(3.0f) + g.ScreenX(3.5f)) / 2, y4, White)) << "the top surface";
  const int mx = (g.ScreenX(4.0f) + g.ScreenX(0.0f)) / 2;
  EXPECT_TRUE(shot.Near(mx, y4 - 12, White)) << "its tick";
  EXPECT_FALSE(shot.Near(mx, y4 - 30, White)) << "no longer than 20 pixels";
  // The new surface's line at its middle.
  const GraphPoint m{(a.x + b.x) / 2, (a.y + b.y) / 2};
  EXPECT_TRUE(shot.Near(g.ScreenX(m.x + (b.x - a.x) / 4), g.ScreenY(m.y + (b.y - a.y) / 4), White));
  // The tyre: its tread's top across the middle at the rolling radius, and its section's widest
  // point half the section width out, in the profile's units.
  const int top = g.ScreenY(tread);
  EXPECT_TRUE(shot.Near(g.ScreenX(2.0f), top, Outline)) << "the tread at row " << top;
  EXPECT_FALSE(shot.Near(g.ScreenX(2.0f), top - 8, Outline)) << "and nothing above it";
  const float side = 2.0f + front.sectionWidth / 2 * 2.0f / (front.rimWidth / 2 + 0.005f);
  int sideHits = 0;
  for (int y = g.ScreenY(tread); y < g.ScreenY(4.0f); ++y)
    for (int dx = -1; dx <= 0; ++dx) sideHits += Outline(shot.At(g.ScreenX(side) + dx, y)) ? 1 : 0;
  EXPECT_GT(sideHits, 0) << "the side wall reaches x " << side;
  for (int y = g.ScreenY(tread); y < g.ScreenY(4.0f); ++y)
    EXPECT_FALSE(Outline(shot.At(g.ScreenX(side) + 4, y))) << "nothing beyond the side wall, row " << y;

  // Saved, changed, loaded back: the same rim; written again, the same bytes.
  Click("save");
  ASSERT_EQ(OpenTextEntry.open, 1);
  Answer("testrim");
  const std::vector<uint8_t> saved = Read("data/whl/testrim.wxs");
  ASSERT_FALSE(saved.empty());
  const int keptPoints = rim.numPoints, keptSurfaces = rim.surfaceCount, keptMappings = rim.mappingCount;
  const std::vector<GraphPoint> keptAt(rim.points, rim.points + rim.numPoints);
  Click("surface");
  Press(RimSurfacePressed, uintptr_t(surfaces));
  Key(KEY_DELETE);
  ASSERT_EQ(rim.surfaceCount, keptSurfaces - 1);
  Click("load");
  Answer("testrim");
  ASSERT_EQ(rim.numPoints, keptPoints);
  ASSERT_EQ(rim.surfaceCount, keptSurfaces);
  ASSERT_EQ(rim.mappingCount, keptMappings);
  for (int i = 0; i < keptPoints; ++i) EXPECT_EQ(std::memcmp(&rim.points[i], &keptAt[i], sizeof(GraphPoint)), 0) << i;
  EXPECT_STREQ(rim.mappings[2].name, "face");
  Click("save");
  Answer("testrim2");
  EXPECT_EQ(Read("data/whl/testrim2.wxs"), saved);

  // Escape: the copy no surface uses goes with the new points' neighbours kept, and the hook
  // goes back.
  Press(RimSurfacePressed, uintptr_t(surfaces));
  Key(KEY_DELETE);
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(e.prss.sub, nullptr);
  EXPECT_EQ(rim.numPoints, points) << "the two new points no surface uses";
  EXPECT_EQ(rim.mappingCount, 2) << "\"face\" no surface uses";
  EXPECT_NE(EditorFrameHook, &DrawRimEditor);
  EXPECT_EQ(RimEditorCar, nullptr);
  EXPECT_EQ(CurrentVehicleEditor, &e);
}

}  // namespace
