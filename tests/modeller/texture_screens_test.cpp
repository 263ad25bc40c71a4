// texture_screens_test.cpp - the cutouts screen with its page view (region arrows, turns,
// mirrors and handle drags, the cutout operations, pages and materials, the multi-update)
// and the texture pages screen (pages added, copied, deleted, moved, typed and named, the
// templates and the viewer); each edit undone byte for byte, each refusal changing nothing.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "modeller/texture/cutout_material.h"
#include "modeller/texture/cutouts_screen.h"
#include "modeller/screen/modeller.h"
#include "modeller/texture/texture_mapping.h"
#include "modeller/texture/texture_pages.h"
#include "modeller_fixture.h"
#include "row_layout.h"
#include "platform/keys.h"
#include "render/draw2d.h"
#include "render/gouraud_mesh.h"
#include "render/image_files.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/placement_check.h"
#include "ui/value_edit.h"

using namespace modeller_test;

namespace {

Cutout Region(int x, int y, int w, int h, int orientation = 0) {
  Cutout c;
  c.Init(1);
  c.region[REGION_LEFT] = uint8_t(x), c.region[REGION_TOP] = uint8_t(y);
  c.region[REGION_WIDTH] = uint8_t(w), c.region[REGION_HEIGHT] = uint8_t(h);
  c.orientation = uint8_t(orientation);
  return c;
}
// The shown button with the text (and hint); a failure, and a blank button, when there is none.
const InterfaceButton& Must(const char* text, const char* hint = nullptr) {
  static const InterfaceButton none{};
  const InterfaceButton* b = FindShownButton(text, hint);
  if (!b) ADD_FAILURE() << "no button \"" << text << "\"";
  return b ? *b : none;
}
std::vector<int> RegionOf(const Cutout& c) {
  return {c.region[REGION_LEFT], c.region[REGION_TOP], c.region[REGION_WIDTH], c.region[REGION_HEIGHT]};
}

class TextureScreenTest : public ModellerTest {
 protected:
  // The screens find page textures by name: the material table and the texture table they
  // fill are emptied after each test.
  void TearDown() override {
    ModellerTest::TearDown();
    FreeAllMaterials();
    FreeAllTextures(0);
  }
  std::vector<uint8_t> Bytes() const { return ModelRecordBytes(model, 1, 1); }
  // The open question's first text; answered yes (Enter).
  std::string Answer() {
    if (!MessageBoxDialog.prss.alive || !MessageBoxDialog.callback) return "";
    const std::string asked = MessageBoxDialog.first;
    Key('Y');
    Frame();
    return asked;
  }
  CutoutsScreen* OpenCutouts() {
    Open();
    Key('C', true);
    return ActiveCutoutsScreen;
  }
  TexturePagesScreen* OpenPages() {
    Open();
    Key('G', true);
    return ActivePagesScreen;
  }
  // The screen's buttons of one frame, as they are drawn.
  static void Buttons(Prss* screen) {
    ClearInterface();
    FrameSkipped = 0;
    screen->act(screen);
    FrameSkipped = 1;
  }
  static void Press(Prss* screen, const char* label, int clickCode = CLICK_LEFT, const char* hint = nullptr) {
    Buttons(screen);
    const InterfaceButton* b = FindShownButton(label, hint);
    ASSERT_NE(b, nullptr) << "no button \"" << label << "\"";
    ClickButton(*b, clickCode);
  }
  void AddCutouts(int n) {
    for (int i = 0; i < n; ++i) model.AddCutout(nullptr);
  }
  void Select(std::initializer_list<int> indices) {
    model.DeselectAllCutouts();
    for (int i : indices) model.cutouts[i].flags |= CUTOUT_SELECTED;
  }
};

}  // namespace

// ---- the region ----

TEST(CutoutRegion, ArrowsTurnsAndMirrorsStayOnThePage) {
  Cutout c = Region(0, 0, 128, 10);
  StepCutoutRegion(c, 1, 1);
  EXPECT_EQ(c.region[REGION_LEFT], 0) << "a full-width region cannot move right";
  c = Region(120, 0, 5, 5);
  StepCutoutRegion(c, 1, 10);
  EXPECT_EQ(c.region[REGION_LEFT], 123) << "limited to 128 - width";
  StepCutoutRegion(c, 4, 10);
  EXPECT_EQ(c.region[REGION_WIDTH], 1);
  StepCutoutRegion(c, 7, 200);
  EXPECT_EQ(c.region[REGION_HEIGHT], 128);
  EXPECT_EQ(c.region[REGION_TOP], 0);

  c = Region(10, 20, 30, 40);
  TurnCutoutRegion(c, 0);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{68, 10, 40, 30}));
  EXPECT_EQ(c.orientation, 3) << "word 0 equals the clear mirror bit: a turn back";
  c = Region(10, 20, 30, 40);
  TurnCutoutRegion(c, 1);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{20, 88, 40, 30}));
  EXPECT_EQ(c.orientation, 1);
  // Four turns either way, and two flips, give the cutout back.
  for (int word = 0; word < 2; ++word)
    for (int o = 0; o < ORIENTATION_COUNT; ++o) {
      Cutout t = Region(10, 20, 30, 40, o);
      for (int i = 0; i < 4; ++i) TurnCutoutRegion(t, word);
      EXPECT_EQ(RegionOf(t), (std::vector<int>{10, 20, 30, 40}));
      EXPECT_EQ(t.orientation, o);
    }
  c = Region(10, 20, 30, 40);
  TurnCutoutRegion(c, 2);
  EXPECT_EQ(c.region[REGION_LEFT], 88);
  EXPECT_EQ(c.orientation, 4);
  TurnCutoutRegion(c, 2);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(c.orientation, 0);
  // A mirrored region turns the other way for the same word.
  c = Region(10, 20, 30, 40, 4);
  TurnCutoutRegion(c, 0);
  EXPECT_EQ(c.orientation, 4 | 1);
  // A region reaching past the page's edge (as a file may hold it) lands at the edge: its
  // mirrored or turned place would start 32 before it.
  c = Region(100, 20, 60, 10);
  TurnCutoutRegion(c, 2);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{0, 20, 60, 10}));
  c = Region(10, 100, 20, 60);
  TurnCutoutRegion(c, 0);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{0, 10, 60, 20}));
  c = Region(100, 10, 60, 20);
  TurnCutoutRegion(c, 1);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{10, 0, 20, 60}));
}

TEST(CutoutRegion, ArrowStepsStopExactlyAtThePageEdgesAndTheSmallestSize) {
  // Each arrow word (0 left, 1 right, 2 up, 3 down, 4/5 narrower/wider, 6/7 lower/taller)
  // from a region near the limit, by a step that reaches it exactly and by one that goes past.
  struct Step {
    int x, y, w, h, word, step;
    std::vector<int> after;
  };
  const Step steps[] = {
      {5, 9, 10, 10, 0, 5, {0, 9, 10, 10}},      // left to the page's edge
      {5, 9, 10, 10, 0, 6, {0, 9, 10, 10}},      // and no further
      {9, 5, 10, 10, 2, 6, {9, 0, 10, 10}},      // up past the top
      {120, 9, 1, 10, 1, 7, {127, 9, 1, 10}},    // a one-texel region reaches the last column
      {120, 9, 1, 10, 1, 8, {127, 9, 1, 10}},
      {9, 120, 10, 1, 3, 7, {9, 127, 10, 1}},    // and the last row
      {9, 120, 10, 1, 3, 30, {9, 127, 10, 1}},
      // A region read from a model file may have no height (the bytes are taken as they are):
      // the top still stops at the last row, 127, not at 128 - 0 off the page.
      {9, 120, 10, 0, 3, 10, {9, 127, 10, 0}},
      {9, 127, 10, 0, 3, 1, {9, 127, 10, 0}},
      {120, 9, 0, 10, 1, 10, {127, 9, 0, 10}},  // and no width: the left stops at the last column
      {0, 0, 3, 3, 4, 2, {0, 0, 1, 3}},          // narrower down to one texel
      {0, 0, 3, 3, 4, 5, {0, 0, 1, 3}},
      {0, 0, 3, 3, 6, 5, {0, 0, 3, 1}},
      {0, 0, 100, 3, 5, 28, {0, 0, 128, 3}},     // wider up to the page
      {0, 0, 100, 3, 5, 29, {0, 0, 128, 3}},
      {0, 100, 10, 20, 7, 20, {0, 88, 10, 40}},  // taller at the bottom: pushed up to stay on it
      {100, 0, 20, 10, 5, 20, {88, 0, 40, 10}},  // wider at the right: pushed left
      {9, 9, 10, 10, 8, 5, {9, 9, 10, 10}},      // no such word: nothing moves
  };
  for (const Step& s : steps) {
    Cutout c = Region(s.x, s.y, s.w, s.h);
    StepCutoutRegion(c, s.word, s.step);
    EXPECT_EQ(RegionOf(c), s.after) << "word " << s.word << " by " << s.step << " from " << s.x << "," << s.y;
  }
}

TEST(CutoutRegion, HandleDragsAreClampedToThePageAndTheOppositeEdge) {
  const Cutout start = Region(10, 20, 30, 40);
  Cutout out;
  DragCutoutRegion(start, 0, 100, 0, out);  // the left edge past the right one
  EXPECT_EQ(RegionOf(out), (std::vector<int>{39, 20, 1, 40}));
  DragCutoutRegion(start, 1, 200, 200, out);
  EXPECT_EQ(RegionOf(out), (std::vector<int>{10, 20, 118, 108}));
  DragCutoutRegion(start, 2, -5, -50, out);  // right and bottom edges
  EXPECT_EQ(RegionOf(out), (std::vector<int>{10, 0, 25, 60}));
  DragCutoutRegion(start, 8, -50, 500, out);
  EXPECT_EQ(RegionOf(out), (std::vector<int>{0, 88, 30, 40}));
  DragCutoutRegion(start, 5, 7, -100, out);  // the top edge only
  EXPECT_EQ(RegionOf(out), (std::vector<int>{10, 20, 30, 1}));
  // Each handle moved exactly to its limit, and one texel past it, stops at the same place.
  for (int past = 0; past < 2; ++past) {
    DragCutoutRegion(start, 0, -10 - past, -20 - past, out);  // left and bottom edges to the page's corner
    EXPECT_EQ(RegionOf(out), (std::vector<int>{0, 0, 40, 60})) << past;
    DragCutoutRegion(start, 3, 29 + past, 68 + past, out);  // left edge onto the right one, top edge to the page's
    EXPECT_EQ(RegionOf(out), (std::vector<int>{39, 20, 1, 108})) << past;
    DragCutoutRegion(start, 7, 29 + past, 50, out);  // the left edge alone
    EXPECT_EQ(RegionOf(out), (std::vector<int>{39, 20, 1, 40})) << past;
    DragCutoutRegion(start, 6, -29 - past, 50, out);  // the right edge alone, onto the left one
    EXPECT_EQ(RegionOf(out), (std::vector<int>{10, 20, 1, 40})) << past;
    DragCutoutRegion(start, 6, 88 + past, 0, out);  // and to the page's right edge
    EXPECT_EQ(RegionOf(out), (std::vector<int>{10, 20, 118, 40})) << past;
    DragCutoutRegion(start, 4, 50, 39 + past, out);  // the bottom edge alone, onto the top one
    EXPECT_EQ(RegionOf(out), (std::vector<int>{10, 59, 30, 1})) << past;
    DragCutoutRegion(start, 8, 88 + past, -20 - past, out);  // moved whole to the page's right and bottom edges
    EXPECT_EQ(RegionOf(out), (std::vector<int>{98, 0, 30, 40})) << past;
  }
  // The frame on a panel of 256 pixels whose bottom is at 300.
  int r[4];
  CutoutRegionRect(start, 1000, 300, 256, r);
  EXPECT_EQ(r[0], 1020);
  EXPECT_EQ(r[1], 1079);
  EXPECT_EQ(r[2], 300 - 120);
  EXPECT_EQ(r[3], 300 - 40 - 1);
  // The overlay's vertices: green inside, red off the page by more than half a texel.
  EXPECT_EQ(UsedAreaVertexColour(0.5f, 0.5f, 256), 0x6000FF00u);
  EXPECT_EQ(UsedAreaVertexColour(1.0f, 0.5f, 256), 0x80FF0000u);
  EXPECT_EQ(UsedAreaVertexColour(0.001f, 0.5f, 256), 0x80FF0000u);
  EXPECT_EQ(UsedAreaVertexColour(0.0f, 0.0f, 0), 0x6000FF00u);
  // Half a texel of 256 is 1/512: exactly on it is inside, exactly on 1 less it is outside.
  EXPECT_EQ(UsedAreaVertexColour(0.001953125f, 0.5f, 256), 0x6000FF00u);
  EXPECT_EQ(UsedAreaVertexColour(0.5f, 0.001953125f, 256), 0x6000FF00u);
  EXPECT_EQ(UsedAreaVertexColour(0.998046875f, 0.5f, 256), 0x80FF0000u);
  EXPECT_EQ(UsedAreaVertexColour(0.5f, 0.998046875f, 256), 0x80FF0000u);
}

TEST(CutoutRegion, UsedAreasTakeTheTrianglesOfThePagesPartsOnly) {
  // Two parts: the first of another texture, the second of the page; triangle indices are
  // the mesh's, not the part's.
  ZKTETexture pageTexture{}, otherTexture{};
  pageTexture.width = 256;
  Material page{}, other{};
  page.texture = &pageTexture, other.texture = &otherTexture;
  GouraudPoint points[4]{};
  const float uv[4][2] = {{0.1f, 0.1f}, {0.5f, 0.5f}, {0.9f, 0.2f}, {1.2f, 0.5f}};
  for (int i = 0; i < 4; ++i) points[i].u = uv[i][0], points[i].v = uv[i][1];
  GouraudTriangle triangles[2] = {{{0, 1, 2}, 0}, {{1, 2, 3}, 0}};
  GouraudPart parts[2]{};
  parts[0].key = &other, parts[0].pointCount = 3, parts[0].triangleCount = 1;
  parts[1].key = &page, parts[1].pointCount = 1, parts[1].triangleCount = 1;
  GouraudO3d mesh;
  mesh.Init();
  mesh.points = points, mesh.pointCount = 4;
  mesh.triangles = triangles, mesh.triangleCount = 2;
  mesh.parts = parts, mesh.partCount = 2;
  ModelObject o{};
  o.builtMesh = &mesh;
  ScreenWidth = 200, ScreenHeight = 200;
  Draw2DList.Init();
  Draw2DList.Reset();
  DrawUsedAreas(o, &page, 0, 0, 0, 100, 100);
  Draw2DList.Reset();
  Draw2DList.StartBatch(nullptr);  // the background's room is taken with the first batch
  Draw2DList.EndBatch();
  const uint32_t before = Draw2DList.counters.vertexCount;
  DrawUsedAreas(o, &page, 0, 0, 0, 100, 100);
  ASSERT_EQ(Draw2DList.counters.vertexCount - before, 3u) << "one triangle of the page's part";
  const Draw2DVertex* v = Draw2DList.vertices.data() + before;
  EXPECT_EQ(v[0].colour & 0xFFFFFF, 0x00FF00u) << "(0.5, 0.5) lies on the page";
  EXPECT_NEAR(v[0].x, -0.5f, 1e-5) << "50 pixels of 200";
  EXPECT_EQ(v[2].colour & 0xFFFFFF, 0xFF0000u) << "u 1.2 lies off it";
  Draw2DList.Reset();
  mesh.points = nullptr, mesh.triangles = nullptr, mesh.parts = nullptr;
  ScreenWidth = ScreenHeight = 0;
}

TEST(CutoutRegion, UsedAreasTurnTheTextureCoordinatesByEachOfTheEightOrientations) {
  // The eight transforms (a, b, c, d, e, f): u' = a(u - e) + c(v - f), v' = b(u - e) + d(v - f).
  const float table[8][6] = {
      {1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1}, {0, -1, 1, 0, 1, 0},
      {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},  {1, 0, 0, -1, 0, 1},  {0, -1, -1, 0, 1, 1},
  };
  ZKTETexture pageTexture{};
  pageTexture.width = 256;
  Material page{};
  page.texture = &pageTexture;
  GouraudPoint points[3]{};
  const float uv[3][2] = {{0.2f, 0.3f}, {0.7f, 0.1f}, {0.4f, 0.9f}};
  for (int i = 0; i < 3; ++i) points[i].u = uv[i][0], points[i].v = uv[i][1];
  GouraudTriangle triangle = {{0, 1, 2}, 0};
  GouraudPart part{};
  part.key = &page, part.pointCount = 3, part.triangleCount = 1;
  GouraudO3d mesh;
  mesh.Init();
  mesh.points = points, mesh.pointCount = 3;
  mesh.triangles = &triangle, mesh.triangleCount = 1;
  mesh.parts = &part, mesh.partCount = 1;
  ModelObject o{};
  o.builtMesh = &mesh;
  ScreenWidth = 200, ScreenHeight = 200;
  Draw2DList.Init();
  for (int orientation = 0; orientation < 8; ++orientation) {
    Draw2DList.Reset();
    Draw2DList.StartBatch(nullptr);  // the background's room is taken with the first batch
    Draw2DList.EndBatch();
    const uint32_t before = Draw2DList.counters.vertexCount;
    // A square of 100 pixels at the screen's corner: x = 100 u' of 200 pixels, -1 + u' in
    // clip space; y likewise, but clip space counts upwards: 1 - v'.
    DrawUsedAreas(o, &page, orientation, 0, 0, 100, 100);
    ASSERT_EQ(Draw2DList.counters.vertexCount - before, 3u) << "orientation " << orientation;
    const float* t = table[orientation];
    for (int i = 0; i < 3; ++i) {
      const double u = uv[i][0], v = uv[i][1];
      const double turnedU = t[0] * (u - t[4]) + t[2] * (v - t[5]), turnedV = t[1] * (u - t[4]) + t[3] * (v - t[5]);
      const Draw2DVertex& vertex = Draw2DList.vertices[before + i];
      EXPECT_NEAR(vertex.x, -1.0 + turnedU, 1e-5) << "orientation " << orientation << " corner " << i;
      EXPECT_NEAR(vertex.y, 1.0 - turnedV, 1e-5) << "orientation " << orientation << " corner " << i;
    }
  }
  // 5121 triangles: the first batch takes 5120 of them and the next one the last.
  std::vector<GouraudTriangle> many(5121, triangle);
  part.triangleCount = 5121;
  mesh.triangles = many.data(), mesh.triangleCount = 5121;
  Draw2DList.Reset();
  Draw2DList.StartBatch(nullptr);
  Draw2DList.EndBatch();
  const uint32_t firstBatch = Draw2DList.counters.batchCount;
  DrawUsedAreas(o, &page, 0, 0, 0, 100, 100);
  ASSERT_EQ(Draw2DList.counters.batchCount, firstBatch + 2);
  EXPECT_EQ(Draw2DList.batches[firstBatch].triangleCount, 5120u);
  EXPECT_EQ(Draw2DList.batches[firstBatch + 1].triangleCount, 1u);
  Draw2DList.Reset();
  mesh.points = nullptr, mesh.triangles = nullptr, mesh.parts = nullptr;
  ScreenWidth = ScreenHeight = 0;
}

TEST(CutoutRegion, ThePageSquareIsReadThroughTheChosenSampler) {
  Material page{};
  ScreenWidth = 200, ScreenHeight = 200;
  Draw2DList.Init();
  Draw2DList.Reset();
  const auto lastSampler = [] { return Draw2DList.batches[Draw2DList.counters.batchCount - 1].sampler; };
  DrawPageSquare(&page, 0, 0, 100, 0, 255);
  EXPECT_EQ(lastSampler(), PAGE_SAMPLER_USUAL);
  DrawPageSquare(&page, 0, 0, 100, 0, 255, PAGE_SAMPLER_MODE_2);
  EXPECT_EQ(lastSampler(), PAGE_SAMPLER_MODE_2);
  EXPECT_EQ(Draw2DList.batches[Draw2DList.counters.batchCount - 1].material, &page);
  DrawPageSquare(&page, 0, 0, 100, 0, 255, 99);
  EXPECT_EQ(lastSampler(), 0) << "an entry past the table reads as the usual one";
  Draw2DList.Reset();
  ScreenWidth = ScreenHeight = 0;
}

// ---- the cutouts screen ----

TEST_F(TextureScreenTest, ShiftCOpensTheCutoutsScreenAndTheRegionArrowsUndo) {
  CutoutsScreen* screen = OpenCutouts();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(CurrentProcess, &screen->prss);
  const auto before = Bytes();
  EXPECT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, 0), 0) << "nothing selected";
  // A selection number past the last cutout is no cutout: nothing is adjusted, turned or dragged.
  SelectedCutout = model.cutoutCount;
  EXPECT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, 0), 0);
  EXPECT_EQ(RotateCutout(*screen, 2), 0);
  EXPECT_EQ(StartCutoutDrag(*screen, 1, 500, 500), 0);
  EXPECT_EQ(Bytes(), before);
  SelectCutoutByName(*screen, 0);
  EXPECT_EQ(SelectedCutout, 0);
  model.cutouts[0].region[REGION_WIDTH] = 100;
  const auto wide = Bytes();
  ASSERT_EQ(AdjustCutoutRegion(*screen, CLICK_RIGHT, 1), 1);
  EXPECT_EQ(model.cutouts[0].region[REGION_LEFT], 10);
  ASSERT_EQ(RotateCutout(*screen, 2), 1);
  EXPECT_EQ(model.cutouts[0].region[REGION_LEFT], 18);
  Undo(0);
  Undo(0);
  EXPECT_EQ(Bytes(), wide);
  model.cutouts[0].region[REGION_WIDTH] = 128;
  EXPECT_EQ(Bytes(), before);
  // A drag and its right-button cancel leave model and history as they were.
  AddUndoPoint("earlier", 0, 0, 0);
  const int nodes = ModellerUndo.count;
  const auto held = Bytes();
  ASSERT_EQ(StartCutoutDrag(*screen, 1, 500, 500), 1);
  MoveCutoutDrag(*screen, 400, 600);
  EXPECT_NE(Bytes(), held);
  MouseRecord right{};
  right.clickCode = CLICK_RIGHT;
  right.rightHeld = 1;
  Mouse(right);
  EXPECT_EQ(screen->dragHandle, -1);
  EXPECT_EQ(Bytes(), held);
  EXPECT_EQ(ModellerUndo.count, nodes);
  EXPECT_STREQ(ModellerUndo.nodes[nodes].name, "earlier");
}

TEST_F(TextureScreenTest, CutoutsAreAddedDuplicatedDeletedAndMoved) {
  CutoutsScreen* screen = OpenCutouts();
  const auto before = Bytes();
  Press(&screen->prss, "add new cutout", CLICK_LEFT, "Create a new cutout (CTRL+N)");
  ASSERT_EQ(model.cutoutCount, 2);
  ConfirmTextEntry("C~door_7");
  EXPECT_STREQ(model.cutouts[1].name, "C~door_7");
  EXPECT_EQ(SelectedCutout, 1);
  Frame();
  Undo(0);
  EXPECT_EQ(Bytes(), before);
  Undo(1);
  // Names of copies.
  model.AddCutout(nullptr);
  std::snprintf(model.cutouts[2].name, CUTOUT_NAME_SIZE, "C~door_8");
  model.AddCutout(nullptr);
  std::snprintf(model.cutouts[3].name, CUTOUT_NAME_SIZE, "roof");
  char name[CUTOUT_NAME_SIZE];
  DuplicateCutoutName(model, "C~door_7", name);
  EXPECT_STREQ(name, "C~door_9");
  DuplicateCutoutName(model, "roof", name);
  EXPECT_STREQ(name, "roof*");
  DuplicateCutoutName(model, "abcdefghijklmno", name);
  EXPECT_STREQ(name, "abcdefghijklmn*") << "15 characters: the last becomes the asterisk";
  Select({1, 3});
  SelectedCutout = -1;
  ASSERT_EQ(DuplicateCutouts(*screen), 1);
  ASSERT_EQ(model.cutoutCount, 6);
  EXPECT_STREQ(model.cutouts[2].name, "C~door_9");
  EXPECT_STREQ(model.cutouts[5].name, "roof*");
  EXPECT_EQ(model.cutouts[1].flags & CUTOUT_SELECTED, 0) << "the source is deselected";
  EXPECT_NE(model.cutouts[2].flags & CUTOUT_SELECTED, 0) << "the copy stays selected";
  // Deleting three of which one is used: the other two go, silently.
  Select({0, 1, 2});
  const int used = model.mappings[0].cutout[0];
  ASSERT_EQ(used, 0);
  ASSERT_EQ(DeleteCutouts(*screen), 1);
  EXPECT_EQ(model.cutoutCount, 4);
  EXPECT_EQ(TakeBox(), "");
  // The current cutout in use, alone: refused.
  SelectCutoutByName(*screen, 0);
  const auto kept = Bytes();
  EXPECT_EQ(DeleteCutouts(*screen), 0);
  EXPECT_EQ(TakeBox(), TEXT_CUTOUT_IN_USE);
  EXPECT_EQ(Bytes(), kept);
  // Moving (the current cutout still selected): the mappings' indices follow.
  ASSERT_EQ(MoveCutoutInList(*screen, 5, 1), 1);
  EXPECT_EQ(SelectedCutout, 3);
  EXPECT_EQ(model.mappings[0].cutout[0], 3);
  EXPECT_EQ(MoveCutoutInList(*screen, 1, 1), 0) << "already last";
}

// Up the list one place, then by more places than there are above it: it stops first, and the
// mapping on the cutout first in the list follows it down.
TEST_F(TextureScreenTest, ACutoutMovedUpStopsAtTheTopOfTheList) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(3);
  const char* const names[] = {"a", "b", "c", "d"};
  for (int i = 0; i < 4; ++i) std::snprintf(model.cutouts[i].name, CUTOUT_NAME_SIZE, "%s", names[i]);
  ASSERT_EQ(model.mappings[0].cutout[0], 0);
  const auto order = [&] {
    std::string s;
    for (int i = 0; i < model.cutoutCount; ++i) s += model.cutouts[i].name;
    return s;
  };
  SelectCutoutByName(*screen, 2);
  ASSERT_EQ(MoveCutoutInList(*screen, 1, 0), 1);
  EXPECT_EQ(order(), "acbd");
  EXPECT_EQ(SelectedCutout, 1);
  ASSERT_EQ(MoveCutoutInList(*screen, 10, 0), 1);
  EXPECT_EQ(order(), "cabd");
  EXPECT_EQ(SelectedCutout, 0);
  EXPECT_EQ(model.mappings[0].cutout[0], 1);
  EXPECT_EQ(MoveCutoutInList(*screen, 1, 0), 0) << "already first";
  EXPECT_EQ(order(), "cabd");
}

// A new cutout (none current) is added last and is then the only one selected.
TEST_F(TextureScreenTest, ANewCutoutIsTheOnlySelectedOne) {
  CutoutsScreen* screen = OpenCutouts();
  model.cutouts[0].flags |= CUTOUT_SELECTED;  // selected, but not the current one
  SelectedCutout = -1;
  ASSERT_EQ(AddNewCutout(*screen), 1);
  ConfirmTextEntry("wheel arch");
  ASSERT_EQ(model.cutoutCount, 2);
  EXPECT_STREQ(model.cutouts[1].name, "wheel arch");
  EXPECT_EQ(SelectedCutout, 1);
  EXPECT_EQ(model.cutouts[0].flags & CUTOUT_SELECTED, 0);
  EXPECT_NE(model.cutouts[1].flags & CUTOUT_SELECTED, 0);
}

TEST(CutoutNames, CopiesOfNumberedFamilyNamesTakeTheNextFreeNumberWithinTheirLimits) {
  ModelObject o{};
  o.Init();
  o.AddCutout(nullptr);
  std::snprintf(o.cutouts[0].name, CUTOUT_NAME_SIZE, "C~door_3");
  const struct {
    const char* name;
    const char* copy;
  } names[] = {
      {"C~door_2", "C~door_4"},          // 3 is taken
      {"c~door_7", "c~door_8"},          // each family letter, either case
      {"O~door_7", "O~door_8"},
      {"o~door_7", "o~door_8"},
      {"X~door_7", "X~door_7*"},         // not a family
      {"C~a_1", "C~a_2"},                // five characters: the shortest family name
      {"C~_1", "C~_1*"},                 // four are too few
      {"C~a_98", "C~a_99"},              // up to 99
      {"C~a_99", "C~a_99*"},
      {"C~a_0012", "C~a_13"},            // four digits are a number
      {"C~a_00012", "C~a_00012*"},       // five are not
      {"C~abcdefghij_9", "C~abcdefghij_10"},  // the underscore at 12: two digits fit
      {"C~abcdefghijk_8", "C~abcdefghijk_9"}, // at 13: up to 9 only
      {"C~abcdefghijk_9", "C~abcdefghijk_*"}, // and then the last character is the asterisk
      {"C~door", "C~door*"},             // no underscore
      {"C~door7", "C~door7*"},
  };
  char out[CUTOUT_NAME_SIZE];
  for (const auto& n : names) {
    DuplicateCutoutName(o, n.name, out);
    EXPECT_STREQ(out, n.copy) << n.name;
  }
  o.Free();
}

TEST_F(TextureScreenTest, TheCurrentCutoutsPanelShowsItsRegionTurnAndSwitches) {
  CutoutsScreen* screen = OpenCutouts();
  SelectCutoutByName(*screen, 0);
  Cutout& c = model.cutouts[0];
  c.region[REGION_LEFT] = 10, c.region[REGION_TOP] = 20, c.region[REGION_WIDTH] = 30, c.region[REGION_HEIGHT] = 40;
  c.orientation = 4 | 1;
  Buttons(&screen->prss);
  const InterfaceButton* pos = FindShownButton("pos 10, 20");
  const InterfaceButton* size = FindShownButton("size 30 \xD7 40");
  ASSERT_NE(pos, nullptr);
  ASSERT_NE(size, nullptr);
  const int posTop = pos->top;
  EXPECT_EQ(size->top, posTop + ButtonHeight) << "the size row under the position row";
  EXPECT_NE(FindShownButton("Rotate : 1"), nullptr);
  ASSERT_NE(FindShownButton("Flip : YES"), nullptr);
  EXPECT_EQ(Must("Flip : YES").fourth.i, 1);
  // The arrow of a row (the last button with the text on the row of the label).
  const auto arrow = [&](const char* label, const char* text) {
    Buttons(&screen->prss);
    const InterfaceButton* row = FindShownButton(label);
    for (int i = ButtonCount - 1; row && i >= 0; --i) {
      char shown[32];
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.top == row->top && ButtonText(b, shown, sizeof shown) && std::strcmp(shown, text) == 0) return b;
    }
    ADD_FAILURE() << "no \"" << text << "\" beside \"" << label << "\"";
    return InterfaceButton{};
  };
  const auto hit = [](InterfaceButton b, int code) {
    if (b.handler) b.handler(b.owner, code, b.word);
  };
  // A left click steps one texel, a right click ten.
  hit(arrow("pos 10, 20", ">"), CLICK_LEFT);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{11, 20, 30, 40}));
  hit(arrow("pos 11, 20", ">"), CLICK_RIGHT);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{21, 20, 30, 40}));
  hit(arrow("pos 21, 20", "^"), CLICK_RIGHT);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{21, 30, 30, 40}));
  hit(arrow("pos 21, 30", "v"), CLICK_LEFT);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{21, 29, 30, 40}));
  hit(arrow("size 30 \xD7 40", "<"), CLICK_LEFT);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{21, 29, 29, 40}));
  hit(arrow("size 29 \xD7 40", "^"), CLICK_RIGHT);
  EXPECT_EQ(RegionOf(c), (std::vector<int>{21, 29, 29, 50}));
  // The turn row: ">" turns a mirrored cutout back a quarter, the flip clears the mirror.
  hit(arrow("Rotate : 1", ">"), CLICK_LEFT);
  EXPECT_EQ(c.orientation, 4);
  hit(arrow("Rotate : 0", "Flip : YES"), CLICK_LEFT);
  EXPECT_EQ(c.orientation, 0);
  Buttons(&screen->prss);
  ASSERT_NE(FindShownButton("Flip : NO"), nullptr);
  EXPECT_EQ(Must("Flip : NO").fourth.i, 0);

  // The overlay, the larger panel and the second sampling: each lit while on.
  const char* overlayHint = "Show an overlay that indicates the used areas of the texture";
  Press(&screen->prss, "NO", CLICK_LEFT, overlayHint);
  EXPECT_EQ(CutoutOverlay, 1);
  Buttons(&screen->prss);
  ASSERT_NE(FindShownButton("YES", overlayHint), nullptr);
  EXPECT_EQ(Must("YES", overlayHint).fourth.i, 1);
  Press(&screen->prss, "YES", CLICK_LEFT, overlayHint);
  EXPECT_EQ(CutoutOverlay, 0);
  Buttons(&screen->prss);
  const InterfaceButton* large = FindShownButton("L");
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->top, posTop - ButtonHeight) << "the row above the position";
  EXPECT_EQ(large->fourth.i, 0);
  hit(*large, CLICK_LEFT);
  EXPECT_EQ(TexturePanelSwitches, uint32_t(TEXTURE_PANEL_LARGE));
  Buttons(&screen->prss);
  EXPECT_EQ(Must("L").fourth.i, 1);
  hit(arrow("L", "P"), CLICK_LEFT);
  EXPECT_EQ(TexturePanelSwitches, uint32_t(TEXTURE_PANEL_LARGE | TEXTURE_PANEL_SAMPLING_2));
  EXPECT_EQ(arrow("L", "P").fourth.i, 1);
  TexturePanelSwitches = 0;
  // A wheel's cutouts are not turned: no turn row.
  ObjectEditorShared.spokeCount = 6;
  Buttons(&screen->prss);
  EXPECT_EQ(FindShownButton("Rotate : 0"), nullptr);
  EXPECT_NE(FindShownButton("overlay"), nullptr);
  ObjectEditorShared.spokeCount = 0;
}

// The screen's rows as the widths of their buttons in button units (row_layout.h), worked out
// from its plan: the list's name and page of 8 units, the backing switch, the material's four
// (4, 4, 2, 4), its number and the selection box; the rows of the current cutout at the right,
// as wide as the page panel (20 units); the rows of several selected, 12 units at the right.
TEST_F(TextureScreenTest, TheCutoutsScreensRowsHoldTheirButtonsAtTheirWidths) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(1);
  const CutoutUpdateSetting savedSet = CutoutUpdateSet;
  CutoutUpdateSet = CutoutUpdateSetting{};
  TexturePanelSwitches = 0;
  SelectCutoutByName(*screen, 0);
  Buttons(&screen->prss);
  const auto at = [](const char* text) {
    const InterfaceButton* b = FindShownButton(text);
    EXPECT_NE(b, nullptr) << text;
    return b ? int(b - InterfaceButtons) : 0;
  };
  const int count = model.cutoutCount;
  std::string left = "8 8 1 14";
  for (int i = 0; i < count; ++i) left += " | 8 8 1 4 4 2 4 2 1";
  // Half a row under the list the undo row, then dup, del, clear and the move in the list;
  // a row for each mapping that uses the cutout (its name, direction and "view").
  std::string mappingRows;
  for (int m = 0; m < model.mappingCount; ++m)
    if (model.mappings[m].cutout[0] == 0 || model.mappings[m].cutout[1] == 0) mappingRows += " | 8 4 3";
  left += " |+0.5| 12 | 3 3 3 6 2 2" + mappingRows;
  const int large = at("L");
  EXPECT_EQ(RowLayout(at(("cutouts : " + std::to_string(count)).c_str()), large), left);
  // The switches and the texture's facts (a blank of 8 units without a texture), the position
  // and size rows (a label of the panel's width less 8 units and four arrows), the turn, the
  // overlay.  Here the page panel is narrow (208 pixels): the rows take their least width, 16.
  ASSERT_EQ(GetTexturePanelSize(), 208);
  // With a texture: its size and memory of 5 units each, and for a file's texture "reload",
  // "dds" and the viewer's "v".
  const ZKTETexture* t = screen->texture ? screen->texture->texture : nullptr;
  const std::string facts = !t ? "8" : (t->flags & TEXTURE_FROM_FILE) ? "5 5 3 2 1" : "5 5";
  const int overlay = at("overlay");
  EXPECT_EQ(RowLayout(large, overlay + 2, ScreenWidth - 16 * ButtonWidth),
            "2 2 " + facts + " | 8 2 2 2 2 | 8 2 2 2 2 | 6 2 2 6 | 4 2");
  // On a wider screen the panel has its 20 units, and so have its rows.
  model.cutouts[0].page = 255;  // no page: no texture
  SelectCutoutByName(*screen, 1);
  SelectCutoutByName(*screen, 0);
  ASSERT_EQ(screen->texture, nullptr);
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1600, ScreenHeight = 1200;
  Buttons(&screen->prss);
  ASSERT_EQ(GetTexturePanelSize(), 20 * ButtonWidth);
  EXPECT_EQ(RowLayout(at("L"), at("overlay") + 2, ScreenWidth - 20 * ButtonWidth),
            "2 2 8 | 12 2 2 2 2 | 12 2 2 2 2 | 6 2 2 6 | 4 2");
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;

  // Two selected: dup, del and clear, "select page" a row down; the properties at the right
  // from the third row.
  Select({0, 1});
  Buttons(&screen->prss);
  const int dup = at("dup");
  EXPECT_EQ(RowLayout(dup, at("select page") + 1), "3 3 3" + mappingRows + " | 6");
  const int properties = at("properties to set");
  EXPECT_EQ(InterfaceButtons[properties].top, 2 * ButtonHeight);
  EXPECT_EQ(RowLayout(properties, -1, ScreenWidth - 12 * ButtonWidth), "6 4 | 6 6 | 6 6 | 6 6 | 12 | 12 | 12");
  // With a property, the colour and the roughness: "reset", the three channels and the
  // roughness as spinners (a value of 8 units and two steps).
  CutoutUpdateSet.alphaType = 0;
  CutoutUpdateSet.setColour = 1, CutoutUpdateSet.setRoughness = 1;
  Buttons(&screen->prss);
  EXPECT_EQ(RowLayout(at("properties to set"), -1, ScreenWidth - 12 * ButtonWidth),
            "6 4 2 | 6 6 | 6 6 | 6 6 | 12 | 8 1 1 | 8 1 1 | 8 1 1 | 12 | 8 1 1 | 12");
  CutoutUpdateSet = savedSet;
}

TEST_F(TextureScreenTest, UpAndDownMoveTheCurrentCutoutByTheClicksStepAndStopAtTheEnds) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(23);  // 24 cutouts
  for (int i = 0; i < model.cutoutCount; ++i) std::snprintf(model.cutouts[i].name, CUTOUT_NAME_SIZE, "n%d", i);
  SelectCutoutByName(*screen, 3);
  Buttons(&screen->prss);
  // "move in list" after "clear", then UP and DN, on one row.
  const InterfaceButton* label = FindShownButton("move in list");
  ASSERT_NE(label, nullptr);
  const InterfaceButton clear = Must("clear"), move = *label;
  const InterfaceButton up = Must("UP"), down = Must("DN");
  ASSERT_NE(up.handler, nullptr);
  ASSERT_NE(down.handler, nullptr);
  EXPECT_EQ(move.left, clear.right);
  EXPECT_EQ(move.right - move.left, 6 * ButtonWidth);
  EXPECT_EQ(up.left, move.right);
  EXPECT_EQ(down.left, up.right);
  EXPECT_EQ(up.top, clear.top);
  // One step for a left click, 5 for a right click, 10 with Shift, 20 for both.
  const struct {
    const InterfaceButton& button;
    int code, to;
  } moves[] = {
      {up, CLICK_RIGHT, 0},                  // 3 - 5: held at the first
      {down, CLICK_RIGHT | CLICK_SHIFT, 20},
      {down, CLICK_LEFT | CLICK_SHIFT, 23},  // 30: held at the last
      {down, CLICK_LEFT, 23},
      {up, CLICK_LEFT | CLICK_SHIFT, 13},
      {up, CLICK_RIGHT, 8},
      {up, CLICK_LEFT, 7},
      {down, CLICK_LEFT, 8},
      {up, CLICK_RIGHT | CLICK_SHIFT, 0},
  };
  for (const auto& m : moves) {
    m.button.handler(m.button.owner, m.code, m.button.word);
    EXPECT_EQ(SelectedCutout, m.to) << "click " << m.code;
    EXPECT_STREQ(model.cutouts[m.to].name, "n3") << "click " << m.code;
  }
  // Moved just below the list's last row, the list scrolls by one.
  const int rows = std::clamp(ScreenHeight / ButtonHeight - 13, 8, 40);
  screen->firstRow = 0;
  SelectCutoutByName(*screen, rows - 1);
  down.handler(down.owner, CLICK_LEFT, down.word);
  EXPECT_EQ(SelectedCutout, rows);
  EXPECT_EQ(screen->firstRow, 1);
}

TEST_F(TextureScreenTest, TheUpdatesPropertiesAreCountedAndItsColourAndRoughnessRounded) {
  // Unset is alpha and environment type 4 and shine type 8; every other value counts.
  CutoutUpdateSetting set;
  EXPECT_EQ(CountUpdateProperties(set), 0);
  set.alphaType = 3, set.envMapType = 3, set.shineType = 7;
  EXPECT_EQ(CountUpdateProperties(set), 3);
  set.alphaType = 0, set.envMapType = 0, set.shineType = 0, set.setColour = 1, set.setRoughness = 1;
  EXPECT_EQ(CountUpdateProperties(set), 5);

  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(1);
  Select({0, 1});
  CutoutUpdateSet = CutoutUpdateSetting{};
  CutoutUpdateSet.setColour = 1, CutoutUpdateSet.setRoughness = 1;
  Buttons(&screen->prss);
  EXPECT_NE(FindShownButton("2 specified"), nullptr);
  // The roughness spinner's step buttons round the colour to fives and the roughness: 15 or
  // less to 0, 16 to 29 to 30.
  const InterfaceButton* step = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(&CutoutUpdateSet.roughness) && InterfaceButtons[i].handler)
      step = &InterfaceButtons[i];
  ASSERT_NE(step, nullptr);
  const struct {
    int roughness, after;
  } roughness[] = {{0, 0}, {15, 0}, {16, 30}, {29, 30}, {30, 30}, {31, 31}, {70, 70}};
  for (const auto& r : roughness) {
    CutoutUpdateSet.roughness = uint8_t(r.roughness);
    const uint8_t reflection[3] = {2, 13, 253};
    std::memcpy(CutoutUpdateSet.reflection, reflection, 3);
    step->handler(step->owner, CLICK_LEFT, step->word);
    EXPECT_EQ(CutoutUpdateSet.roughness, r.after) << r.roughness;
    EXPECT_EQ(CutoutUpdateSet.reflection[0], 0);
    EXPECT_EQ(CutoutUpdateSet.reflection[1], 15);
    EXPECT_EQ(CutoutUpdateSet.reflection[2], 255);
  }
  Press(&screen->prss, "reset");
  EXPECT_EQ(CountUpdateProperties(CutoutUpdateSet), 0);
  Buttons(&screen->prss);
  EXPECT_NE(FindShownButton("none specified"), nullptr);
  EXPECT_EQ(FindShownButton("reset"), nullptr) << "nothing to reset";
  CutoutUpdateSet = CutoutUpdateSetting{};
}

TEST_F(TextureScreenTest, TheCutoutListsFirstRowIsHeldWithinTheList) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(2);
  for (int i = 0; i < model.cutoutCount; ++i) std::snprintf(model.cutouts[i].name, CUTOUT_NAME_SIZE, "n%d", i);
  screen->firstRow = 5;
  Buttons(&screen->prss);
  EXPECT_EQ(screen->firstRow, 0) << "three cutouts fit: no scrolling";
  EXPECT_NE(FindShownButton("n0"), nullptr);
  const int rows = std::clamp(ScreenHeight / ButtonHeight - 13, 8, 40);
  AddCutouts(rows);  // rows + 3 in all
  for (int i = 0; i < model.cutoutCount; ++i) std::snprintf(model.cutouts[i].name, CUTOUT_NAME_SIZE, "n%d", i);
  screen->firstRow = 100;
  Buttons(&screen->prss);
  EXPECT_EQ(screen->firstRow, 3) << "the last cutout on the last row";
  EXPECT_NE(FindShownButton(("n" + std::to_string(rows + 2)).c_str()), nullptr);
  EXPECT_EQ(FindShownButton("n2"), nullptr);
  screen->firstRow = -4;
  Buttons(&screen->prss);
  EXPECT_EQ(screen->firstRow, 0);
  EXPECT_EQ(FindShownButton(("n" + std::to_string(rows)).c_str()), nullptr);
}

TEST_F(TextureScreenTest, RegionHandlesShowUnderThePointerByTheRegionsSize) {
  CutoutsScreen* screen = OpenCutouts();
  SelectCutoutByName(*screen, 0);
  Cutout& c = model.cutouts[0];
  Buttons(&screen->prss);  // the panel's size follows the list drawn beside it
  const PagePanelPlace panel = PlacePagePanel();
  ASSERT_FALSE(panel.underRows);
  const int s = panel.size, left = panel.left, top = panel.top, bottom = top + s;
  ASSERT_EQ(left + s, ScreenWidth);
  ASSERT_EQ(top, ButtonHeight);
  // The handles shown (their numbers: corners 0 to 3, edges 4 to 7, the middle 8).
  const auto handles = [&](int w, int h, int x, int y) {
    c.region[REGION_LEFT] = 10, c.region[REGION_TOP] = 10;
    c.region[REGION_WIDTH] = uint8_t(w), c.region[REGION_HEIGHT] = uint8_t(h);
    MouseX = x, MouseY = y;
    Buttons(&screen->prss);
    std::set<int> shown;
    for (int i = 0; i < ButtonCount; ++i)
      if ((InterfaceButtons[i].word & 0xF000) == 0xB000) shown.insert(int(InterfaceButtons[i].word & 0xFFF));
    return shown;
  };
  const int x = left + s / 2, y = top + s / 2;  // over the page
  EXPECT_EQ(handles(4, 4, x, y), (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(handles(3, 4, x, y), (std::set<int>{0, 1, 2, 3, 6, 7})) << "three texels wide: no middle handles across";
  EXPECT_EQ(handles(4, 3, x, y), (std::set<int>{0, 1, 2, 3, 4, 5})) << "three high: none down the sides";
  // Only while the pointer is over the page: its left edge and top row in, its bottom row out.
  EXPECT_EQ(handles(4, 4, left, top).size(), 9u);
  EXPECT_EQ(handles(4, 4, left - 1, y).size(), 0u);
  EXPECT_EQ(handles(4, 4, x, top - 1).size(), 0u);
  EXPECT_EQ(handles(4, 4, x, bottom - 1).size(), 9u);
  EXPECT_EQ(handles(4, 4, x, bottom).size(), 0u);
  // A region reaching above the page (60 texels high from row 100, as a file may hold it)
  // shows no handle above the page's top: its upper edge at 160 / 128 of the page up from the
  // bottom and its middle row at about 1.02 lie above it, so only the lower corners and the
  // lower edge's middle remain.
  c.region[REGION_LEFT] = 10, c.region[REGION_TOP] = 100, c.region[REGION_WIDTH] = 4, c.region[REGION_HEIGHT] = 60;
  MouseX = x, MouseY = y;
  Buttons(&screen->prss);
  std::set<int> below;
  for (int i = 0; i < ButtonCount; ++i)
    if ((InterfaceButtons[i].word & 0xF000) == 0xB000) below.insert(int(InterfaceButtons[i].word & 0xFFF));
  EXPECT_EQ(below, (std::set<int>{0, 2, 4}));
  // A region reaching the page's right side, which is the window's right edge: its handles
  // there are pushed in whole, still clickable in full.
  c.region[REGION_LEFT] = 120, c.region[REGION_TOP] = 10, c.region[REGION_WIDTH] = 8, c.region[REGION_HEIGHT] = 8;
  Buttons(&screen->prss);
  int rightHandles = 0;
  for (int i = 0; i < ButtonCount; ++i)
    if ((InterfaceButtons[i].word & 0xF000) == 0xB000) {
      const InterfaceButton& b = InterfaceButtons[i];
      EXPECT_LE(b.right, ScreenWidth) << "handle " << (b.word & 0xFFF);
      EXPECT_EQ(b.right - b.left, 2 * RegionHandleHalf());
      rightHandles += b.right == ScreenWidth;
    }
  EXPECT_EQ(rightHandles, 3) << "the right corners and the right edge's middle";
  // A handle being dragged is the only one, wherever the pointer is.
  screen->dragHandle = 5;
  EXPECT_EQ(handles(4, 4, 0, 0), (std::set<int>{5}));
  screen->dragHandle = -1;
  // A window whose list leaves no room at its right: the page stands under its rows, left of
  // the edit views' block, and its handles show only over it; the whole region's stay on the
  // window and clear of the rows and the block.
  const int savedScreenWidth = ScreenWidth, savedBlockLeft = ObjectEditorShared.bottomRightLeft;
  ScreenWidth = CutoutsPlaced.listRight + ButtonWidth;
  ObjectEditorShared.bottomRightLeft = ScreenWidth - 10 * ButtonWidth;  // the block and wider options
  Buttons(&screen->prss);
  const PagePanelPlace under = PlacePagePanel();
  ASSERT_TRUE(under.underRows);
  EXPECT_EQ(under.top, CutoutsPlaced.listBottom + PAGE_PANEL_ROWS * ButtonHeight + RegionHandleHalf());
  EXPECT_EQ(under.left + under.size, ObjectEditorShared.bottomRightLeft - RegionHandleHalf());
  EXPECT_EQ(PagePanelRowsTop(), CutoutsPlaced.listBottom);
  const int ux = under.left + under.size / 2, uy = under.top + under.size / 2;
  EXPECT_EQ(handles(4, 4, under.left + under.size - 1, uy).size(), 9u);
  EXPECT_EQ(handles(4, 4, under.left + under.size, uy).size(), 0u) << "right of the page";
  EXPECT_EQ(handles(4, 4, left + s / 2, y).size(), 0u) << "where the page stood at the top right";
  c.region[REGION_LEFT] = 0, c.region[REGION_TOP] = 0, c.region[REGION_WIDTH] = 128, c.region[REGION_HEIGHT] = 128;
  MouseX = ux, MouseY = uy;
  Buttons(&screen->prss);
  int shown = 0;
  for (int i = 0; i < ButtonCount; ++i)
    if ((InterfaceButtons[i].word & 0xF000) == 0xB000) {
      const InterfaceButton& b = InterfaceButtons[i];
      ++shown;
      EXPECT_GE(b.top, CutoutsPlaced.panelBottom) << "handle " << (b.word & 0xFFF) << " under the rows";
      EXPECT_LE(b.bottom, ScreenHeight) << "handle " << (b.word & 0xFFF);
      EXPECT_LE(b.right, ObjectEditorShared.bottomRightLeft) << "handle " << (b.word & 0xFFF) << " left of the block";
    }
  EXPECT_EQ(shown, 9);
  ScreenWidth = savedScreenWidth, ObjectEditorShared.bottomRightLeft = savedBlockLeft;
  MouseX = MouseY = 0;
  // A handle is a quarter of a button's width across each way, and never less than 3 pixels.
  const int savedWidth = ButtonWidth;
  const int halves[4][2] = {{8, 3}, {12, 3}, {16, 4}, {40, 10}};
  for (const auto& h : halves) {
    ButtonWidth = h[0];
    EXPECT_EQ(RegionHandleHalf(), h[1]) << "buttons " << h[0] << " wide";
  }
  ButtonWidth = savedWidth;
}

TEST_F(TextureScreenTest, TheCutoutListShowsTheScreensRowsLess13AtLeast8AndAtMost40) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(59);  // 60 cutouts
  const auto rows = [&](int screenRows) {
    ScreenHeight = screenRows * ButtonHeight;
    Buttons(&screen->prss);
    int n = 0;
    for (int i = 0; i < ButtonCount; ++i)
      n += InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, "Left click to select / Right click to rename") == 0;
    return n;
  };
  EXPECT_EQ(rows(20), 8);
  EXPECT_EQ(rows(21), 8);
  EXPECT_EQ(rows(22), 9);
  EXPECT_EQ(rows(52), 39);
  EXPECT_EQ(rows(53), 40);
  EXPECT_EQ(rows(60), 40);
}

TEST_F(TextureScreenTest, NoRowOfTheCutoutsScreenLiesOverAnotherWithALongList) {
  // Sixty cutouts, the first one current: the list fills its rows, and the current cutout's
  // rows under the page panel must clear it, on short, narrow and tall screens (at 800 wide
  // the selection row's "DN" lay over the page panel's "pos" row).
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(59);
  SelectCutoutByName(*screen, 0);
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  const int sizes[][2] = {{800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}, {1024, 1400}};
  for (const auto& size : sizes) {
    ScreenWidth = size[0], ScreenHeight = size[1];
    SetInterfaceMetrics();
    Buttons(&screen->prss);
    ASSERT_NE(FindShownButton("L"), nullptr) << size[0] << " x " << size[1];
    EXPECT_EQ(Joined(OverlappingRows()), "") << size[0] << " x " << size[1];
  }
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
  SetInterfaceMetrics();
}

TEST_F(TextureScreenTest, TheLastCutoutStaysAndDuplicatesHaveLimits) {
  CutoutsScreen* screen = OpenCutouts();
  model.mappings[0].cutout[0] = model.mappings[0].cutout[1] = 0;
  model.mappings[1].cutout[0] = model.mappings[1].cutout[1] = 0;
  model.children[0].mappings[0].cutout[0] = 0;
  Select({0});
  SelectedCutout = -1;
  const auto before = Bytes();
  DeleteCutouts(*screen);
  EXPECT_EQ(model.cutoutCount, 1) << "the last remaining cutout is never removed";
  while (Undo(0)) {
  }
  EXPECT_EQ(Bytes(), before);
  g_sounds.clear();
  model.DeselectAllCutouts();
  CtrlKey('D');
  EXPECT_EQ(g_sounds, std::vector<int>{3});
  AddCutouts(MAX_MODEL_CUTOUTS - 2);
  Select({0, 1});
  SelectedCutout = -1;
  EXPECT_EQ(DuplicateCutouts(*screen), 0);
  EXPECT_EQ(TakeBox(), TEXT_CUTOUT_TOO_MANY);
  // One copy more fills the list exactly: made.  Then a new cutout is refused, and one below
  // the limit it is made again.
  ASSERT_EQ(model.cutoutCount, MAX_MODEL_CUTOUTS - 1);
  Select({0});
  SelectedCutout = -1;
  EXPECT_EQ(DuplicateCutouts(*screen), 1);
  EXPECT_EQ(model.cutoutCount, MAX_MODEL_CUTOUTS);
  model.DeselectAllCutouts();
  SelectedCutout = -1;
  EXPECT_EQ(AddNewCutout(*screen), 0);
  EXPECT_EQ(TakeBox(), TEXT_CUTOUT_MAXIMUM);
  Undo(0);
  ASSERT_EQ(model.cutoutCount, MAX_MODEL_CUTOUTS - 1);
  model.DeselectAllCutouts();
  SelectedCutout = -1;
  EXPECT_EQ(AddNewCutout(*screen), 1);
  EXPECT_EQ(model.cutoutCount, MAX_MODEL_CUTOUTS);
  ConfirmTextEntry("last");
}

// Each cutout operation taking an index takes the first and the last and refuses one past the
// last, changing nothing; region words 0..7 and drag handles 0..8 likewise.
TEST_F(TextureScreenTest, CutoutOperationsTakeTheFirstAndLastIndexAndRefuseOnePast) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(2);
  const int count = model.cutoutCount;
  const auto before = Bytes();
  EXPECT_EQ(SwitchCutoutBacking(*screen, count), 0);
  EXPECT_EQ(SetCutoutMaterial(*screen, count, CutoutMaterial{ALPHA_BLEND, 0, 0, 0, {1, 2, 3}, 0}), 0);
  EXPECT_EQ(AssignCutoutPage(*screen, model.pageCount), 0);
  SelectCutoutByName(*screen, count);
  ToggleCutoutSelection(*screen, count);
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(SelectedCutout, -1);
  // The last is taken.
  ASSERT_EQ(SwitchCutoutBacking(*screen, count - 1), 1);
  EXPECT_NE(model.cutouts[count - 1].flags & CUTOUT_BACKING, 0);
  SelectCutoutByName(*screen, count - 1);
  EXPECT_EQ(SelectedCutout, count - 1);
  ToggleCutoutSelection(*screen, 0);
  EXPECT_EQ(SelectedCutout, 0);
  EXPECT_NE(model.cutouts[0].flags & CUTOUT_SELECTED, 0);
  // A current cutout one past the last is none: its region is not stepped.
  ClearCutoutSelection(*screen);
  SelectCutoutByName(*screen, 0);
  ASSERT_EQ(SelectedCutout, 0);
  SelectedCutout = count;
  EXPECT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, 1), 0);
  // Region words: 0 (left) and 7 (taller) step, -1 and 8 do not.
  model.DeselectAllCutouts();
  SelectCutoutByName(*screen, 1);
  Cutout& c = model.cutouts[1];
  c.region[REGION_LEFT] = 10, c.region[REGION_TOP] = 10, c.region[REGION_WIDTH] = 20, c.region[REGION_HEIGHT] = 20;
  EXPECT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, -1), 0);
  EXPECT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, 8), 0);
  ASSERT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, 0), 1);
  EXPECT_EQ(c.region[REGION_LEFT], 9);
  ASSERT_EQ(AdjustCutoutRegion(*screen, CLICK_LEFT, 7), 1);
  EXPECT_EQ(c.region[REGION_HEIGHT], 21);
  // Drag handles 0 to 8: one past is refused; handle 0 is dragged and cancelled like any other.
  EXPECT_EQ(StartCutoutDrag(*screen, 9, 100, 100), 0);
  EXPECT_EQ(StartCutoutDrag(*screen, -1, 100, 100), 0);
  EXPECT_EQ(screen->dragHandle, -1);
  ASSERT_EQ(StartCutoutDrag(*screen, 8, 100, 100), 1);
  CancelCutoutDrag(*screen);
  const std::vector<int> region = RegionOf(c);
  ASSERT_EQ(StartCutoutDrag(*screen, 0, 100, 100), 1);
  EXPECT_EQ(screen->dragHandle, 0);
  MoveCutoutDrag(*screen, 100 + GetTexturePanelSize() / 4, 100 + GetTexturePanelSize() / 4);
  EXPECT_NE(RegionOf(c), region) << "the corner followed the pointer";
  CancelCutoutDrag(*screen);
  EXPECT_EQ(screen->dragHandle, -1);
  EXPECT_EQ(RegionOf(c), region);
}

// Deleting selected cutouts reaches the first one, and always leaves one cutout.
TEST_F(TextureScreenTest, DeletingReachesTheFirstCutoutAndLeavesTheLast) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(1);
  ASSERT_EQ(model.cutoutCount, 2);
  // Nothing uses cutout 0 once the mappings take cutout 1.
  for (int m = 0; m < model.mappingCount; ++m) model.mappings[m].cutout[0] = model.mappings[m].cutout[1] = 1;
  std::snprintf(model.cutouts[1].name, CUTOUT_NAME_SIZE, "kept");
  SelectCutoutByName(*screen, 0);
  ASSERT_EQ(DeleteCutouts(*screen), 1);
  ASSERT_EQ(model.cutoutCount, 1);
  EXPECT_STREQ(model.cutouts[0].name, "kept");
  // Two unused cutouts selected (the mappings point past every cutout): one goes, the other
  // stays as the object's last.
  AddCutouts(1);
  for (int m = 0; m < model.mappingCount; ++m) model.mappings[m].cutout[0] = model.mappings[m].cutout[1] = 255;
  Select({0, 1});
  ASSERT_EQ(DeleteCutouts(*screen), 1);
  EXPECT_EQ(model.cutoutCount, 1);
}

TEST_F(TextureScreenTest, TheCurrentCutoutsTextureGoesWhenItsNewPageHasNoName) {
  CutoutsScreen* screen = OpenCutouts();
  TexturePage named{}, blank{};
  std::snprintf(named.name, sizeof named.name, "bodywork");
  const int withName = model.AddPage(&named), without = model.AddPage(&blank);
  model.pages[withName].type = model.pages[without].type = PAGE_FIXED;
  model.cutouts[0].page = uint8_t(withName);
  SelectCutoutByName(*screen, 0);
  ASSERT_NE(screen->texture, nullptr) << "the named page's texture is looked up";
  // A page one past the last, or before the first, is refused and changes nothing.
  ASSERT_EQ(without, model.pageCount - 1);
  const auto before = Bytes();
  EXPECT_EQ(ApplyCutoutPage(*screen, model.pageCount), 0);
  EXPECT_EQ(ApplyCutoutPage(*screen, -1), 0);
  EXPECT_EQ(Bytes(), before);
  EXPECT_NE(screen->texture, nullptr);
  // The last page is taken.
  ASSERT_EQ(ApplyCutoutPage(*screen, without), 1);
  EXPECT_EQ(model.cutouts[0].page, without);
  EXPECT_EQ(screen->texture, nullptr) << "no name, no texture: the old one is not kept";
}

// Duplicating or deleting several cutouts leaves none current, and the texture of the one
// that was current is no longer shown.
TEST_F(TextureScreenTest, DuplicatingOrDeletingSeveralCutoutsDropsTheShownTexture) {
  CutoutsScreen* screen = OpenCutouts();
  TexturePage named{};
  std::snprintf(named.name, sizeof named.name, "bodywork");
  const int page = model.AddPage(&named);
  model.pages[page].type = PAGE_FIXED;
  model.cutouts[0].page = uint8_t(page);
  model.AddCutout(nullptr);
  SelectCutoutByName(*screen, 0);
  ASSERT_NE(screen->texture, nullptr);
  model.cutouts[1].flags |= CUTOUT_SELECTED;
  ASSERT_EQ(DuplicateCutouts(*screen), 1);
  ASSERT_EQ(model.cutoutCount, 4);
  EXPECT_EQ(SelectedCutout, -1);
  EXPECT_EQ(screen->texture, nullptr) << "after duplicating";
  SelectCutoutByName(*screen, 0);
  ASSERT_NE(screen->texture, nullptr);
  model.cutouts[3].flags |= CUTOUT_SELECTED;
  ASSERT_EQ(DeleteCutouts(*screen), 1);
  EXPECT_EQ(model.cutoutCount, 3) << "the unused copy goes, the used cutout stays";
  EXPECT_EQ(SelectedCutout, -1);
  EXPECT_EQ(screen->texture, nullptr) << "after deleting";
}

TEST_F(TextureScreenTest, PagesBackingAndMaterialsOfCutouts) {
  CutoutsScreen* screen = OpenCutouts();
  TexturePage page{};
  std::snprintf(page.name, sizeof page.name, "glass_ALP");
  const int alphaPage = model.AddPage(&page);
  model.AddCutout(nullptr);
  model.AddCutout(nullptr);
  std::snprintf(model.cutouts[1].name, CUTOUT_NAME_SIZE, "window");
  model.cutouts[1].page = uint8_t(alphaPage);
  model.cutouts[1].material.alphaType = ALPHA_BLEND;
  // A page without alpha for a selection holding an ALPHA cutout is refused by name.
  Select({1, 2});
  const auto before = Bytes();
  EXPECT_EQ(AssignCutoutPage(*screen, 0), 0);
  EXPECT_EQ(TakeBox(), "window has alpha type ALPHA so texture must have alpha");
  EXPECT_EQ(Bytes(), before);
  // Several selected: asked, then assigned with the material repaired.
  AssignCutoutPage(*screen, alphaPage);
  EXPECT_EQ(Answer(), "Set 2 selected cutouts to use this texture?");
  EXPECT_EQ(model.cutouts[2].page, alphaPage);
  // One current cutout: at once.
  SelectCutoutByName(*screen, 0);
  ASSERT_EQ(AssignCutoutPage(*screen, alphaPage), 1);
  EXPECT_EQ(model.cutouts[0].page, alphaPage);
  // Back to the plain page: every selected cutout (the last of the list among them) is solid.
  Select({0, model.cutoutCount - 1});
  model.cutouts[model.cutoutCount - 1].material.alphaType = ALPHA_SOLID;
  SelectedCutout = -1;
  AssignCutoutPage(*screen, 0);
  EXPECT_EQ(Answer(), "Set 2 selected cutouts to use this texture?");
  EXPECT_EQ(model.cutouts[0].page, 0);
  SelectCutoutByName(*screen, 0);
  // Backing and material.
  ASSERT_EQ(SwitchCutoutBacking(*screen, 0), 1);
  EXPECT_NE(model.cutouts[0].flags & CUTOUT_BACKING, 0);
  CutoutMaterial same = model.cutouts[0].material;
  EXPECT_EQ(SetCutoutMaterial(*screen, 0, same), 0);
  EXPECT_TRUE(Said("No changes detected"));
  same.envMapType = ENV_C_SHINE, same.shineType = SHINE_PAINT;
  ASSERT_EQ(SetCutoutMaterial(*screen, 0, same), 1);
  EXPECT_EQ(model.cutouts[0].material.shineType, SHINE_PAINT);
}

TEST_F(TextureScreenTest, TheMultiUpdateChecksEveryCutoutFirst) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(2);
  CutoutUpdateSet = CutoutUpdateSetting{};
  Select({0, 1, 2});
  EXPECT_EQ(CheckCutoutUpdate(*screen), 0);
  EXPECT_EQ(TakeBox(), TEXT_CUTOUT_NOTHING_SET);
  CutoutUpdateSet.setRoughness = 1;
  CutoutUpdateSet.roughness = 40;
  model.DeselectAllCutouts();
  EXPECT_EQ(CheckCutoutUpdate(*screen), 0);
  EXPECT_EQ(TakeBox(), TEXT_CUTOUT_NONE_SELECTED);
  // Roughness needs a shine: refused on the first cutout, none changed.
  Select({0, 1, 2});
  const auto before = Bytes();
  EXPECT_EQ(CheckCutoutUpdate(*screen), 0);
  EXPECT_EQ(TakeBox(), "Problem checking updates on : c");
  EXPECT_EQ(Bytes(), before);
  for (int i = 0; i < 3; ++i) model.cutouts[i].material = CutoutMaterial{ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 0, {255, 255, 255}, 0};
  ASSERT_EQ(CheckCutoutUpdate(*screen), 1);
  EXPECT_EQ(Answer(), "Update 1 property in 3 selected cutouts?");
  EXPECT_TRUE(Said("Updated 3 cutouts"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model.cutouts[i].material.roughness, 40);
  CutoutUpdateSet = CutoutUpdateSetting{};
}

TEST_F(TextureScreenTest, SeveralSelectedCutoutsShowTheUpdatePanel) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(2);
  CutoutUpdateSet = CutoutUpdateSetting{};
  Select({0, 1, 2});
  Buttons(&screen->prss);
  for (const char* label : {"select page", "properties to set", "none specified", "Alpha type", "Env type", "Shine type",
                            "set reflection colour", "set roughness", "update 3 cutouts", "dup", "del", "clear"})
    EXPECT_NE(FindShownButton(label), nullptr) << label;
  EXPECT_EQ(FindShownButton("move in list"), nullptr) << "only for one current cutout";
  Press(&screen->prss, "set roughness");
  EXPECT_EQ(CutoutUpdateSet.setRoughness, 1);
  Buttons(&screen->prss);
  EXPECT_NE(FindShownButton("1 specified"), nullptr);
  Press(&screen->prss, "select page");
  EXPECT_EQ(screen->pageChooser, 1);
  Buttons(&screen->prss);
  EXPECT_NE(FindShownButton("panel"), nullptr) << "the chooser lists the pages";
  CutoutUpdateSet = CutoutUpdateSetting{};
}

TEST_F(TextureScreenTest, KeysOfTheCutoutsScreen) {
  CutoutsScreen* screen = OpenCutouts();
  SelectCutoutByName(*screen, 0);
  screen->pageChooser = 1;
  Key(27);
  EXPECT_EQ(screen->pageChooser, 0) << "Escape closes the chooser";
  Key('C');
  EXPECT_EQ(SelectedCutout, -1);
  g_sounds.clear();
  Key(KEYCODE_DELETE);
  EXPECT_EQ(g_sounds, std::vector<int>{3});
  Key('M');
  EXPECT_EQ(modeller->state.mode, ModeTextureCutout) << "M alone is ignored";
  Key('M', true);
  EXPECT_EQ(modeller->state.mode, ModeTextureMapping);
}

// Ctrl+N adds a new cutout of the defaults even while one is current (not a copy of it).
// Reloading the textures refreshes the open cutouts screen: its page chooser closes, and a
// current cutout whose selection has gone is current no more.
TEST_F(TextureScreenTest, ReloadingTheTexturesRefreshesTheOpenCutoutsScreen) {
  CutoutsScreen* screen = OpenCutouts();
  ASSERT_NE(screen, nullptr);
  SelectCutoutByName(*screen, 0);
  model.cutouts[0].flags &= uint8_t(~CUTOUT_SELECTED);
  screen->pageChooser = 1;
  ReloadEditorTextures();
  EXPECT_EQ(screen->pageChooser, 0);
  EXPECT_EQ(SelectedCutout, -1);
}

TEST_F(TextureScreenTest, CtrlNAddsAFreshCutoutEvenWithOneCurrent) {
  CutoutsScreen* screen = OpenCutouts();
  model.cutouts[0].region[0] = 64;
  SelectCutoutByName(*screen, 0);
  ASSERT_EQ(SelectedCutout, 0);
  CtrlKey('N');
  ConfirmTextEntry("fresh");
  ASSERT_EQ(model.cutoutCount, 2);
  EXPECT_STREQ(model.cutouts[1].name, "fresh");
  EXPECT_EQ(model.cutouts[1].region[0], 128) << "the default region, not the current cutout's";
  EXPECT_EQ(SelectedCutout, 1);
  EXPECT_EQ(model.cutouts[0].flags & CUTOUT_SELECTED, 0);
}

// A copy of the current cutout goes just after it: later cutouts move one place on and the
// mappings using them follow.
TEST_F(TextureScreenTest, ACopyOfTheCurrentCutoutGoesJustAfterItAndLaterMappingsFollow) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(2);
  const char* const names[3] = {"a", "b", "c"};
  for (int i = 0; i < 3; ++i) std::snprintf(model.cutouts[i].name, CUTOUT_NAME_SIZE, "%s", names[i]);
  model.mappings[1].cutout[0] = model.mappings[1].cutout[1] = 1;
  SelectCutoutByName(*screen, 0);
  ASSERT_EQ(SelectedCutout, 0);
  ASSERT_EQ(DuplicateCutouts(*screen), 1);
  ConfirmTextEntry("a copy");
  ASSERT_EQ(model.cutoutCount, 4);
  // Before: a b c; the copy of a takes place 1, b and c go to places 2 and 3.
  EXPECT_STREQ(model.cutouts[0].name, "a");
  EXPECT_STREQ(model.cutouts[1].name, "a copy");
  EXPECT_STREQ(model.cutouts[2].name, "b");
  EXPECT_STREQ(model.cutouts[3].name, "c");
  EXPECT_EQ(SelectedCutout, 1);
  EXPECT_EQ(model.mappings[1].cutout[0], 2) << "the mapping keeps b";
  EXPECT_EQ(model.mappings[1].cutout[1], 2);
}

TEST_F(TextureScreenTest, AShiftClickOnASelectionBoxTakesTheWholeRangeFromTheCurrentCutout) {
  CutoutsScreen* screen = OpenCutouts();
  AddCutouts(6);  // seven cutouts
  const auto selected = [&] {
    std::string marks;
    for (int i = 0; i < model.cutoutCount; ++i) marks += (model.cutouts[i].flags & CUTOUT_SELECTED) ? 'x' : '.';
    return marks;
  };
  model.DeselectAllCutouts();
  ToggleCutoutSelection(*screen, 1);
  EXPECT_EQ(selected(), ".x.....");
  EXPECT_EQ(SelectedCutout, 1);
  // Down the list from the current cutout, then a plain click off again, then up the list.
  ShiftHeld = 1;
  ToggleCutoutSelection(*screen, 4);
  EXPECT_EQ(selected(), ".xxxx..");
  EXPECT_EQ(SelectedCutout, 4);
  ShiftHeld = 0;
  ToggleCutoutSelection(*screen, 4);
  EXPECT_EQ(selected(), ".xxx...");
  ShiftHeld = 1;
  ToggleCutoutSelection(*screen, 6);  // on again: 4 to 6
  EXPECT_EQ(selected(), ".xxxxxx");
  ToggleCutoutSelection(*screen, 2);  // off: 2 to 6
  EXPECT_EQ(selected(), ".x.....");
  ShiftHeld = 0;
}

TEST_F(TextureScreenTest, KeysOfThePagesScreenDeselectThePage) {
  TexturePagesScreen* screen = OpenPages();
  ASSERT_NE(screen, nullptr);
  SelectedPage = 0;
  Key('C');
  EXPECT_EQ(SelectedPage, -1);
  g_sounds.clear();
  Key(KEYCODE_DELETE);
  EXPECT_EQ(g_sounds, std::vector<int>{3}) << "no page to delete";
  SelectedPage = 0;
  Key(' ');
  EXPECT_EQ(SelectedPage, -1) << "space, passed on to the modeller, deselects too";
}

// ---- the texture pages screen ----

// The pages screen leads with the modeller's eight mode buttons, its own mode lit.
TEST_F(TextureScreenTest, ThePagesScreenShowsTheModeButtonsWithItsOwnLit) {
  TexturePagesScreen* screen = OpenPages();
  ASSERT_NE(screen, nullptr);
  Buttons(&screen->prss);
  const char* const labels[8] = {"subob", "tri", "point", "build", "map", "cutout", "page", "view"};
  for (const char* label : labels) {
    const InterfaceButton* b = FindShownButton(label);
    ASSERT_NE(b, nullptr) << label;
    EXPECT_EQ(b->fourth.i, std::strcmp(label, "page") == 0 ? 1 : 0) << label;
  }
}

TEST_F(TextureScreenTest, PagesAreAddedCopiedAndLimited) {
  TexturePagesScreen* screen = OpenPages();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(CurrentProcess, &screen->prss);
  const auto before = Bytes();
  Buttons(&screen->prss);
  ASSERT_NE(FindShownButton("add new page"), nullptr);
  EXPECT_EQ(FindShownButton("add new page")->fourth.i, 0) << "a command, never lit";
  EXPECT_EQ(FindShownButton("jpg")->fourth.i, 0);
  Press(&screen->prss, "add new page");
  ASSERT_EQ(model.pageCount, 2);
  EXPECT_STREQ(model.pages[1].name, "page 2");
  EXPECT_STREQ(OpenTextEntry.prompt, "Select a PNG texture");
  ConfirmTextEntry("bodywork");
  EXPECT_STREQ(model.pages[1].name, "bodywork") << "the PNG chooser stores no extension";
  Frame();
  Undo(0);
  Undo(0);
  EXPECT_EQ(Bytes(), before);
  // Duplicating the last of five with page 4 selected.
  for (int i = 0; i < 4; ++i) model.AddPage(nullptr);
  model.pages[4].type = PAGE_SKIN;
  SelectedPage = 4;
  CtrlKey('D');
  ASSERT_EQ(model.pageCount, 6);
  EXPECT_EQ(SelectedPage, 5);
  EXPECT_EQ(model.pages[5].type, PAGE_FIXED);
  while (model.pageCount < MAX_MODEL_PAGES) model.AddPage(nullptr);
  const auto full = Bytes();
  EXPECT_EQ(AddTexturePage(*screen, 0), 0);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_MAXIMUM);
  EXPECT_EQ(Bytes(), full);
}

TEST_F(TextureScreenTest, ADuplicatedPageIsPutJustAfterItsOriginalAndLaterPagesKeepTheirCutouts) {
  TexturePagesScreen* screen = OpenPages();
  ASSERT_NE(screen, nullptr);
  ASSERT_EQ(model.pageCount, 1);
  // Pages first, second, third, with a cutout on each of the later two.
  model.AddPage(nullptr);
  model.AddPage(nullptr);
  std::snprintf(model.pages[0].name, sizeof model.pages[0].name, "first");
  std::snprintf(model.pages[1].name, sizeof model.pages[1].name, "second");
  std::snprintf(model.pages[2].name, sizeof model.pages[2].name, "third");
  while (model.cutoutCount < 3) model.AddCutout(nullptr);
  model.cutouts[0].page = 0, model.cutouts[1].page = 1, model.cutouts[2].page = 2;
  SelectedPage = 0;
  CtrlKey('D');
  // The copy of the first comes second; the second and third move one on, their cutouts with them.
  ASSERT_EQ(model.pageCount, 4);
  const char* const want[4] = {"first", "first", "second", "third"};
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(model.pages[i].name, want[i]) << i;
  EXPECT_EQ(SelectedPage, 1) << "the copy is selected";
  EXPECT_EQ(model.cutouts[0].page, 0);
  EXPECT_EQ(model.cutouts[1].page, 2);
  EXPECT_EQ(model.cutouts[2].page, 3);
}

TEST_F(TextureScreenTest, PagesAreDeletedAndMovedWithTheirCutouts) {
  TexturePagesScreen* screen = OpenPages();
  SelectedPage = 0;
  const auto before = Bytes();
  EXPECT_EQ(DeleteTexturePage(*screen), 0);
  EXPECT_EQ(TakeBox(), "The selected page is used by 1 cutout");
  model.AddCutout(nullptr);
  EXPECT_EQ(DeleteTexturePage(*screen), 0);
  EXPECT_EQ(TakeBox(), "The selected page is used by 2 cutouts");
  model.cutouts[0].page = model.cutouts[1].page = 1;  // pointing past the only page
  EXPECT_EQ(DeleteTexturePage(*screen), 0);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_LAST);
  model.cutouts[0].page = model.cutouts[1].page = 0;
  model.RemoveCutout(1);
  EXPECT_EQ(Bytes(), before);
  for (int i = 0; i < 3; ++i) model.AddPage(nullptr);
  model.cutouts[0].page = 2;
  SelectedPage = 0;
  const int nodes = ModellerUndo.count;
  EXPECT_EQ(MoveTexturePage(*screen, CLICK_LEFT, 0), 0) << "the first page cannot go up";
  EXPECT_EQ(ModellerUndo.count, nodes) << "and records nothing";
  SelectedPage = 2;
  ASSERT_EQ(MoveTexturePage(*screen, CLICK_RIGHT, 0), 1);
  EXPECT_EQ(SelectedPage, 0) << "a step of 5 stops at the first page";
  EXPECT_EQ(model.cutouts[0].page, 0) << "the cutout follows its page";
  SelectedPage = 3;
  EXPECT_EQ(MoveTexturePage(*screen, CLICK_LEFT, 1), 0);
  // An unused page goes, later pages renumbered.
  SelectedPage = 1;
  model.cutouts[0].page = 3;
  ASSERT_EQ(DeleteTexturePage(*screen), 1);
  EXPECT_EQ(model.cutouts[0].page, 2);
  EXPECT_EQ(SelectedPage, -1);
}

// The list's "UP" and "DN" buttons move the selected page one place for a left click and five
// for a right click, the other pages and the selection following.
TEST_F(TextureScreenTest, TheUpAndDownButtonsMoveTheSelectedPageByTheirClicksStep) {
  TexturePagesScreen* screen = OpenPages();
  ASSERT_NE(screen, nullptr);
  model.AddPage(nullptr);
  model.AddPage(nullptr);
  std::snprintf(model.pages[0].name, sizeof model.pages[0].name, "first");
  std::snprintf(model.pages[1].name, sizeof model.pages[1].name, "second");
  std::snprintf(model.pages[2].name, sizeof model.pages[2].name, "third");
  SelectedPage = 0;
  Press(&screen->prss, "DN", CLICK_LEFT, "Move the selected texture page down the list");
  EXPECT_EQ(SelectedPage, 1);
  EXPECT_STREQ(model.pages[0].name, "second");
  EXPECT_STREQ(model.pages[1].name, "first");
  Press(&screen->prss, "UP", CLICK_LEFT, "Move the selected texture page up the list");
  EXPECT_EQ(SelectedPage, 0);
  EXPECT_STREQ(model.pages[0].name, "first");
  EXPECT_STREQ(model.pages[1].name, "second");
  // A right click steps five places: with seven pages the first goes to the sixth place.
  while (model.pageCount < 7) model.AddPage(nullptr);
  Press(&screen->prss, "DN", CLICK_RIGHT, "Move the selected texture page down the list");
  EXPECT_EQ(SelectedPage, 5);
  EXPECT_STREQ(model.pages[5].name, "first");
}

TEST_F(TextureScreenTest, TypesAndNamesOfPages) {
  TexturePagesScreen* screen = OpenPages();
  model.AddPage(nullptr);
  std::snprintf(model.pages[1].name, MODEL_NAME_SIZE, "decals");
  SelectedPage = 1;
  const int nodes = ModellerUndo.count;
  EXPECT_EQ(SetPageType(*screen, PAGE_FIXED), 0);
  EXPECT_EQ(ModellerUndo.count, nodes) << "its own type records nothing";
  ASSERT_EQ(SetPageType(*screen, PAGE_SKIN), 1);
  EXPECT_STREQ(model.pages[1].name, "") << "a skin page has no name";
  SelectedPage = 0;
  EXPECT_EQ(SetPageType(*screen, PAGE_SKIN), 0);
  EXPECT_EQ(TakeBox(), "Another page already has type skin");
  // Dashboard backing only in the main object.
  SelectSubobject(*modeller, 0, &model.children[0]);
  SelectedPage = 0;
  EXPECT_EQ(SetPageType(*screen, PAGE_DASH), 0);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_BACKING_MAIN);
  SelectSubobject(*modeller, 0, &model);
  SelectedPage = 0;
  // Names: a JPG choice gains ".jpg"; "~", separators and wheels' alpha names are refused.
  ASSERT_EQ(RenameTexturePage(*screen, "carbon", 1), 1);
  EXPECT_STREQ(model.pages[0].name, "carbon.jpg");
  const auto before = Bytes();
  EXPECT_EQ(RenameTexturePage(*screen, "a~b", 0), 0);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_TILDE);
  EXPECT_EQ(RenameTexturePage(*screen, "..\\..\\x", 0), 0);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_NOT_PLAIN);
  ObjectEditorShared.spokeCount = 6;
  EXPECT_EQ(RenameTexturePage(*screen, "rim_ALP", 0), 0);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_WHEEL_ALPHA);
  ObjectEditorShared.spokeCount = 0;
  EXPECT_EQ(Bytes(), before);
  // The JPG chooser starts from the name without its ending.
  Press(&screen->prss, "carbon.jpg", CLICK_RIGHT);
  EXPECT_STREQ(OpenTextEntry.prompt, "Select a JPG texture");
  EXPECT_STREQ(OpenTextEntry.initialText, "carbon");
  CancelTextEntry();
}

// The pages screen's rows as the widths of their buttons in button units (row_layout.h): the
// list (name 10, "png" and "jpg" 2 each, the type 3; a skin has no file buttons, its type
// stays in its column), half a row, then the selected page's buttons and the undo row.
TEST_F(TextureScreenTest, ThePagesScreensRowsHoldTheirButtonsAtTheirWidths) {
  TexturePagesScreen* screen = OpenPages();
  model.AddPage(nullptr);
  model.pages[1].type = PAGE_SKIN;
  model.pages[1].name[0] = 0;
  model.AddPage(nullptr);
  std::snprintf(model.pages[2].name, MODEL_NAME_SIZE, "decals");
  ASSERT_EQ(model.pageCount, 3);
  SelectedPage = -1;
  Buttons(&screen->prss);
  const InterfaceButton* heading = FindShownButton("texture file");
  ASSERT_NE(heading, nullptr);
  const int list = int(heading - InterfaceButtons);
  const std::string rows = "10 4 3 | 10 2 2 3 | 10 @14:3 | 10 2 2 3";
  EXPECT_EQ(RowLayout(list), rows + " |+0.5| 8 2 | 12") << "no page selected: \"add new page\" and \"jpg\"";
  Press(&screen->prss, "decals");
  ASSERT_EQ(SelectedPage, 2);
  ASSERT_NE(screen->texture, nullptr);
  Buttons(&screen->prss);
  // "reload" (the page has a texture), "v", "duplicate", "delete"; the move; the overlay; the
  // copy size; the four templates; then the texture's facts (size and memory of 5 units, and
  // for a file's texture "reload", "dds" and "v"; a blank of 8 while the picture is missing)
  // with the undo row beside them.
  const ZKTETexture* t = screen->texture->texture;
  const std::string facts = !t ? "8 " : (t->flags & TEXTURE_FROM_FILE) ? "5 5 3 2 1 " : "5 5 ";
  EXPECT_EQ(RowLayout(list), rows + " |+0.5| 4 1 5 4 | 6 2 2 | 4 2 | 5 3 3 | 12 | 12 | 12 | 12 | " + facts + "12");
}

TEST_F(TextureScreenTest, ThePageListLinesUpItsColumnsUnderTheirHeadings) {
  TexturePagesScreen* screen = OpenPages();
  model.AddPage(nullptr);
  std::snprintf(model.pages[1].name, MODEL_NAME_SIZE, "decals");
  model.AddPage(nullptr);
  model.pages[2].type = PAGE_SKIN;
  model.pages[2].name[0] = 0;
  model.AddPage(nullptr);
  std::snprintf(model.pages[3].name, MODEL_NAME_SIZE, "dials");
  model.pages[3].type = 7;  // an unknown type shows as a dashboard's
  SelectedPage = 1;
  Buttons(&screen->prss);
  for (const char* heading : {"texture file", "file", "type", "decals", "[no skin specified]", "dials"})
    ASSERT_NE(FindShownButton(heading), nullptr) << heading;
  const InterfaceButton name = *FindShownButton("texture file"), file = *FindShownButton("file"),
                        type = *FindShownButton("type");
  EXPECT_EQ(file.left, name.left + 10 * ButtonWidth);
  EXPECT_EQ(type.left, file.left + 4 * ButtonWidth);
  EXPECT_EQ(file.top, name.top);
  // The button with the text on the row of the page's name button.
  const auto onRow = [](const InterfaceButton& row, const char* text) -> const InterfaceButton* {
    char shown[64];
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].top == row.top && ButtonText(InterfaceButtons[i], shown, sizeof shown) &&
          std::strcmp(shown, text) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  };
  const InterfaceButton decals = *FindShownButton("decals");
  EXPECT_EQ(decals.top, name.top + 2 * ButtonHeight) << "the second page on the second row";
  EXPECT_EQ(decals.left, name.left);
  EXPECT_EQ(decals.right - decals.left, 10 * ButtonWidth);
  EXPECT_EQ(decals.fourth.i, 1) << "the selected page is lit";
  ASSERT_NE(onRow(decals, "png"), nullptr);
  EXPECT_EQ(onRow(decals, "png")->left, file.left);
  ASSERT_NE(onRow(decals, "jpg"), nullptr);
  EXPECT_EQ(onRow(decals, "jpg")->left, file.left + 2 * ButtonWidth);
  ASSERT_NE(onRow(decals, "fixed"), nullptr);
  EXPECT_EQ(onRow(decals, "fixed")->left, type.left);
  // A skin page has no file buttons; its type still stands in the type column.
  const InterfaceButton skin = *FindShownButton("[no skin specified]");
  EXPECT_EQ(skin.fourth.i, 0);
  EXPECT_EQ(onRow(skin, "png"), nullptr);
  ASSERT_NE(onRow(skin, "skin"), nullptr);
  EXPECT_EQ(onRow(skin, "skin")->left, type.left);
  EXPECT_NE(onRow(*FindShownButton("dials"), "dash"), nullptr);
  // Under the list, the selected page's buttons: the viewer's "v" (no texture to reload), then
  // "duplicate".
  const InterfaceButton& viewer = Must("v", "Inspect the texture in a viewer screen");
  EXPECT_EQ(viewer.left, name.left);
  EXPECT_EQ(Must("duplicate").left, viewer.right);
}

TEST_F(TextureScreenTest, TemplatesNeedATextureAndASmoothMesh) {
  TexturePagesScreen* screen = OpenPages();
  SelectedPage = 0;
  screen->texture = nullptr;
  CopyTemplateToClipboard(*screen, 0);
  EXPECT_EQ(TakeBox(), "It doesn't matter what image is on the selected texture");
  Material stand{};
  screen->texture = &stand;
  model.builtMesh = nullptr;
  CopyTemplateToClipboard(*screen, 1);
  EXPECT_EQ(TakeBox(), TEXT_PAGE_NOT_GOURAUD);
  screen->texture = nullptr;
  // Each of the four template buttons asks for the same: without a texture, the same refusal.
  for (const char* label : {"create shaded plain texture", "black and white plain texture", "white background wireframe",
                            "black background wireframe"}) {
    Press(&screen->prss, label);
    screen->texture = nullptr;
    EXPECT_EQ(TakeBox(), "It doesn't matter what image is on the selected texture") << label;
  }
  // A texture that is no loaded file cannot be reloaded.
  EXPECT_EQ(ReloadPageTexture(&screen->prss, "missing_page", 0, 0), 0);
  EXPECT_EQ(TakeBox(), "Could not open file : missing_page");
  // "v" opens the viewer over the screen; Escape closes it.
  Prss* viewer = CreateImageViewerPage(&screen->prss, "panel");
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(screen->prss.sub, viewer);
  EXPECT_EQ(CurrentProcess, viewer);
  Key(27);
  Frame(2);
  EXPECT_EQ(screen->prss.sub, nullptr);
}

// On a screen wider than it is tall, a picture with no size of its own is shown as large as
// the height allows with two button rows kept free, in the middle of the screen.
TEST_F(TextureScreenTest, TheViewerShowsThePictureAsHighAsTheScreenLessTwoRows) {
  TexturePagesScreen* screen = OpenPages();
  ASSERT_GT(ScreenWidth, ScreenHeight);
  Draw2DList.Init();
  Draw2DList.Reset();
  Prss* viewer = CreateImageViewerPage(&screen->prss, "missing_page");
  ASSERT_NE(viewer, nullptr);
  Buttons(viewer);
  // The square is the only quad drawn with a material.
  const Draw2DBatch* square = nullptr;
  for (uint32_t b = 0; b < Draw2DList.counters.batchCount; ++b)
    if (Draw2DList.batches[b].material && Draw2DList.batches[b].triangleCount == 2) square = &Draw2DList.batches[b];
  ASSERT_NE(square, nullptr);
  ASSERT_EQ(square->vertexCount, 4u);
  float low[2] = {2, 2}, high[2] = {-2, -2};
  for (uint32_t v = 0; v < 4; ++v) {
    const Draw2DVertex& p = Draw2DList.vertices[square->firstVertex + v];
    low[0] = std::min(low[0], p.x), high[0] = std::max(high[0], p.x);
    low[1] = std::min(low[1], p.y), high[1] = std::max(high[1], p.y);
  }
  const int side = ScreenHeight - 2 * ButtonHeight;
  EXPECT_NEAR((high[0] - low[0]) * ScreenWidth / 2, side, 0.01) << "across";
  EXPECT_NEAR((high[1] - low[1]) * ScreenHeight / 2, side, 0.01) << "down";
  EXPECT_NEAR((low[0] + 1) * ScreenWidth / 2, (ScreenWidth - side) / 2, 0.01) << "left edge";
  Key(27);
  Frame(2);
  Draw2DList.Reset();
}

namespace {
class TexturePagesOnDevice : public OnNullDevice<TextureScreenTest> {};
}  // namespace

// The page row's "reload" reads the page's picture again as it is: with compressed textures
// off no DDS is made, as one is when the picture is read as DDS.
TEST_F(TexturePagesOnDevice, ReloadReadsThePictureAgainWithoutMakingADds) {
  namespace fs = std::filesystem;
  fs::remove_all("data");
  fs::create_directories("data/png");
  const std::vector<uint8_t> rgba(16 * 16 * 4, 200);
  const PictureRows rows{16, 16, rgba.data(), 16 * 4, 0, 1};
  std::vector<uint8_t> png;
  ASSERT_EQ(EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png), nullptr);
  std::ofstream("data/png/reload_page.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  const int savedCompressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  ASSERT_NE(GetTexture("reload_page", 0), nullptr);
  TexturePagesScreen* screen = OpenPages();
  std::snprintf(model.pages[0].name, sizeof model.pages[0].name, "reload_page");
  SelectedPage = 0;
  Material stand{};
  screen->texture = &stand;  // a texture, but no facts row with a "reload" of its own
  const int saved = TexturesSavedCount;
  Press(&screen->prss, "reload", CLICK_LEFT, "Reload the selected texture page");
  EXPECT_EQ(TexturesSavedCount, saved);
  EXPECT_FALSE(fs::exists("data/dds/reload_page.dds"));
  EXPECT_EQ(TakeBox(), "") << "read again";
  // Read as DDS, the same picture is converted and saved.
  ASSERT_EQ(ReloadPageTexture(&screen->prss, "reload_page", 1, 0), 1);
  EXPECT_EQ(TexturesSavedCount, saved + 1);
  EXPECT_TRUE(fs::exists("data/dds/reload_page.dds"));
  screen->texture = nullptr;
  CfgCompressedTex = savedCompressed;
  fs::remove_all("data");
}

TEST_F(TextureScreenTest, TheCutoutListShowsBackingAndMaterialColumns) {
  CutoutsScreen* screen = OpenCutouts();
  model.cutouts[0].flags |= CUTOUT_BACKING;
  Buttons(&screen->prss);
  // A flat preview has no materials to count or number.
  EXPECT_NE(FindShownButton("material properties", "Material properties column"), nullptr);
  EXPECT_NE(FindShownButton("-", "Unused material"), nullptr);
  const InterfaceButton* backing = FindShownButton("B");
  ASSERT_NE(backing, nullptr) << "the backing column of a body object";
  EXPECT_EQ(backing->fourth.i, 1);
  ClickButton(*backing);
  EXPECT_EQ(Answer(), "Switch off the backing setting?");
  EXPECT_EQ(model.cutouts[0].flags & CUTOUT_BACKING, 0);
  // A wheel's list has no backing column.
  ObjectEditorShared.spokeCount = 6;
  model.cutouts[0].flags |= CUTOUT_BACKING;
  Buttons(&screen->prss);
  EXPECT_EQ(FindShownButton("B"), nullptr);
  ObjectEditorShared.spokeCount = 0;
  // More cutouts than rows: a scroll bar moves the first row.  A list that exactly fills its
  // rows has nothing to scroll; one cutout more needs the bar.
  const auto scrolls = [&] {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].variable == &screen->firstRow) return true;
    return false;
  };
  EXPECT_FALSE(scrolls());
  const int rows = std::clamp(ScreenHeight / ButtonHeight - 13, 8, 40);
  AddCutouts(rows - model.cutoutCount);
  ASSERT_EQ(model.cutoutCount, rows);
  Buttons(&screen->prss);
  EXPECT_FALSE(scrolls()) << rows << " cutouts in " << rows << " rows";
  // The list ends at its rows' right edge; the bar, when there is one, takes a unit more.
  const auto rowsRight = [] {
    int right = 0;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.hint && std::strcmp(b.hint, "Click or SHIFT+click for multiple selection") == 0) right = std::max(right, b.right);
    }
    return right;
  };
  EXPECT_EQ(CutoutsPlaced.listRight, rowsRight());
  AddCutouts(1);
  Buttons(&screen->prss);
  EXPECT_TRUE(scrolls());
  EXPECT_EQ(CutoutsPlaced.listRight, rowsRight() + ButtonWidth);
}

TEST_F(TextureScreenTest, AChosenSkinIsRememberedByTheObjectEditor) {
  TexturePagesScreen* screen = OpenPages();
  // Pages fixed, fixed, skin; none selected: the chosen skin selects the skin page, marks the
  // model changed and asks for the picture again.
  model.AddPage(nullptr);
  model.AddPage(nullptr);
  model.pages[2].type = PAGE_SKIN;
  SelectedPage = -1;
  ObjectEditorShared.unsavedChanges = 0;
  screen->refresh = 0;
  ASSERT_EQ(SetEditorSkin(*screen, "blue_stripes"), 1);
  EXPECT_STREQ(EditorSkinName, "blue_stripes");
  EXPECT_STREQ(ObjectEditorShared.skinName, "blue_stripes");
  EXPECT_EQ(SelectedPage, 2) << "the skin page";
  EXPECT_EQ(ObjectEditorShared.unsavedChanges, 1);
  EXPECT_EQ(screen->refresh, 1);
  // A page already selected stays; no name asks for no picture.
  SelectedPage = 0;
  screen->refresh = 0;
  ASSERT_EQ(SetEditorSkin(*screen, ""), 1);
  EXPECT_EQ(SelectedPage, 0);
  EXPECT_EQ(screen->refresh, 0);
  EXPECT_EQ(SetEditorSkin(*screen, "..\\elsewhere"), 0);
  EXPECT_STREQ(ObjectEditorShared.skinName, "") << "a refused name is not copied";
  EditorSkinName[0] = 0;
}

TEST_F(TextureScreenTest, CutoutEditsAskForTheModelsMeshesAgain) {
  // The Gouraud preview keeps no texture coordinates to compare: each edit is seen to rebuild
  // the preview by the wire edges it marks for the next frame.
  CutoutsScreen* screen = OpenCutouts();
  const auto rebuilt = [] {
    const bool asked = ObjectEditorShared.rebuildWire != 0;
    ObjectEditorShared.rebuildWire = 0;
    return asked;
  };
  SelectCutoutByName(*screen, 0);
  rebuilt();
  NewNodes();
  ASSERT_EQ(RotateCutout(*screen, 0), 1);
  EXPECT_TRUE(rebuilt()) << "a turn";
  EXPECT_EQ(NewNodes(), 1) << "a turn";
  ASSERT_EQ(SwitchCutoutBacking(*screen, 0), 1);
  EXPECT_TRUE(rebuilt()) << "the backing";
  EXPECT_EQ(NewNodes(), 1) << "the backing";
  CutoutMaterial shiny = model.cutouts[0].material;
  shiny.envMapType = ENV_C_SHINE, shiny.shineType = SHINE_PAINT, shiny.reflection[0] = 10;
  ASSERT_EQ(SetCutoutMaterial(*screen, 0, shiny), 1);
  EXPECT_TRUE(rebuilt()) << "the material";
  EXPECT_EQ(NewNodes(), 1) << "the material";
  TexturePage page{};
  std::snprintf(page.name, sizeof page.name, "other");
  const int other = model.AddPage(&page);
  ASSERT_EQ(ApplyCutoutPage(*screen, other), 1);
  EXPECT_TRUE(rebuilt()) << "the page";
  EXPECT_EQ(NewNodes(), 1) << "the page";
  model.AddCutout(nullptr);
  Select({1});
  SelectedCutout = -1;
  ASSERT_EQ(DeleteCutouts(*screen), 1);
  EXPECT_TRUE(rebuilt()) << "a deletion";
  EXPECT_EQ(NewNodes(), 1) << "a deletion";
  // Updating the selected cutouts' properties all at once.
  const CutoutUpdateSetting savedSet = CutoutUpdateSet;
  CutoutUpdateSet = CutoutUpdateSetting{};
  CutoutUpdateSet.setRoughness = 1, CutoutUpdateSet.roughness = 60;
  Select({0});
  ASSERT_EQ(ApplyCutoutUpdate(*screen), 1);
  EXPECT_EQ(model.cutouts[0].material.roughness, 60);
  EXPECT_TRUE(rebuilt()) << "an update";
  EXPECT_EQ(NewNodes(), 1) << "an update";
  CutoutUpdateSet = savedSet;
}

TEST_F(TextureScreenTest, PageEditsAskForTheModelsMeshesAgainAndMovesStepByTheClick) {
  TexturePagesScreen* screen = OpenPages();
  const auto rebuilt = [] {
    const bool asked = ObjectEditorShared.rebuildWire != 0;
    ObjectEditorShared.rebuildWire = 0;
    return asked;
  };
  while (model.pageCount < 25) model.AddPage(nullptr);
  rebuilt();
  NewNodes();
  // Click codes 1, 2, 9 and 10 move a page 1, 5, 10 and 20 places; down stops at the last.
  const struct {
    int code, down, from, to;
  } moves[] = {{1, 1, 0, 1}, {2, 1, 1, 6}, {9, 1, 6, 16}, {10, 0, 21, 1}, {10, 1, 1, 21}, {9, 1, 21, 24}};
  for (const auto& m : moves) {
    SelectedPage = m.from;
    ASSERT_EQ(MoveTexturePage(*screen, m.code, m.down), 1) << "code " << m.code << " from " << m.from;
    EXPECT_EQ(SelectedPage, m.to) << "code " << m.code << " from " << m.from;
    EXPECT_TRUE(rebuilt()) << "a move";
    EXPECT_EQ(NewNodes(), 1) << "a move";
  }
  SelectedPage = 24;
  EXPECT_EQ(MoveTexturePage(*screen, 9, 1), 0) << "the last page goes no lower";
  SelectedPage = 3;
  ASSERT_EQ(SetPageType(*screen, PAGE_SKIN), 1);
  EXPECT_TRUE(rebuilt()) << "a type";
  EXPECT_EQ(NewNodes(), 1) << "a type";
  EXPECT_EQ(SetPageType(*screen, PAGE_TYPE_COUNT), 0) << "no type past the last";
  ASSERT_EQ(SetPageType(*screen, PAGE_FIXED), 1) << "the first type";
  EXPECT_EQ(model.pages[3].type, PAGE_FIXED);
  ASSERT_EQ(SetPageType(*screen, PAGE_SKIN), 1);
  EXPECT_EQ(NewNodes(), 2) << "two types in a row";
  rebuilt();
  SelectedPage = 4;
  ASSERT_EQ(RenameTexturePage(*screen, "roof", 0), 1);
  EXPECT_TRUE(rebuilt()) << "a name";
  EXPECT_EQ(NewNodes(), 1) << "a name";
  SelectedPage = 5;
  ASSERT_EQ(DeleteTexturePage(*screen), 1);
  EXPECT_TRUE(rebuilt()) << "a deletion";
  EXPECT_EQ(NewNodes(), 1) << "a deletion";
}

// The panel stands at the top right, right of the list, or, where the list leaves it under 8
// units there and the room under its rows is larger, under them and left of the edit views'
// block and its options: never over the list, the rows under the list at the left, the block,
// or off the window.
TEST(TexturePanel, TheSizeIsTwentyButtonsOrUpToFortyWhenLargeWithinTheRoomLeft) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight, savedButtonWidth = ButtonWidth,
            savedButtonHeight = ButtonHeight;
  const uint32_t savedSwitches = TexturePanelSwitches;
  const CutoutsLayout savedPlaced = CutoutsPlaced;
  const int32_t savedRows = ObjectEditorShared.bottomRightRows, savedBlockLeft = ObjectEditorShared.bottomRightLeft;
  // Buttons 10 x 20 pixels: the handles' half size is max(3, 10 / 4) = 3, and the room down is
  // the screen height less (rows + 5 page rows + 1) button heights less 3.  Under the rows the
  // panel's top is the list's foot + 5 x 20 + 3, its right edge 3 left of the block's (80
  // pixels from the window's right edge unless given).
  const struct {
    int screenWidth, screenHeight, buttonWidth, large, listRight, listBottom, buttonsRight, buttonsBottom, rows;
    int size, left, top, blockLeft = 0;
  } cases[] = {
      {1000, 800, 10, 0, 0, 0, 0, 0, 0, 200, 800, 20},          // 20 buttons
      {1000, 800, 10, 1, 0, 0, 0, 0, 0, 400, 600, 20},          // large: min(1000 / 2, 800 * 2 / 3) = 500, at most 40 buttons
      {600, 800, 10, 1, 0, 0, 0, 0, 0, 300, 300, 20},           // large: 600 / 2
      {1000, 420, 10, 1, 0, 0, 0, 0, 0, 280, 720, 20},          // large: 420 * 2 / 3; room down 420 - 120 - 3 = 297
      {300, 800, 10, 1, 0, 0, 0, 0, 0, 200, 100, 20},           // large: 150 is less than 20 buttons
      {1000, 800, 10, 0, 850, 250, 0, 0, 0, 150, 850, 20},      // 1000 - 850 across: 15 units stay there
      {1000, 800, 10, 0, 920, 250, 0, 0, 0, 80, 920, 20},       // ... and so do 8
      {1000, 800, 10, 0, 0, 0, 0, 0, 20, 200, 800, 20},         // room down 800 - 26 x 20 - 3 = 277
      {1000, 800, 10, 0, 0, 700, 0, 0, 30, 77, 923, 20},        // room down 800 - 36 x 20 - 3; none under the rows
      {1000, 800, 10, 0, 990, 700, 0, 0, 0, 40, 960, 20},       // 10 across, but never below 4 buttons
      {1000, 800, 0, 0, 0, 0, 0, 0, 0, 20, 980, 20},            // no button width: units of one pixel
      {2000, 1500, 20, 1, 0, 0, 0, 0, 0, 800, 1200, 20},        // 40 buttons of 20; room down 1500 - 120 - 5
      // A narrow window's list: under the rows, from 250 + 103 down to 800 - 3, left of 917.
      {1000, 800, 10, 0, 930, 250, 0, 0, 0, 200, 717, 353},     // 20 buttons; 70 across
      {1000, 500, 10, 1, 990, 250, 0, 0, 0, 144, 773, 353},     // 500 - 3 - 353 down
      {1000, 800, 10, 0, 990, 250, 400, 300, 0, 200, 717, 353}, // the rows at the left end above
      {1000, 800, 10, 0, 990, 250, 800, 500, 0, 114, 803, 353}, // ... and here reach as low: 917 - 803
      {400, 800, 10, 0, 390, 250, 0, 0, 0, 200, 117, 353},      // 400 - 83 left of the block
      {1000, 800, 10, 0, 990, 250, 0, 0, 0, 200, 497, 353, 700},  // wider view options: 700 - 3
  };
  ButtonHeight = 20;
  for (const auto& c : cases) {
    ScreenWidth = c.screenWidth, ScreenHeight = c.screenHeight, ButtonWidth = c.buttonWidth;
    TexturePanelSwitches = c.large ? TEXTURE_PANEL_LARGE : 0;
    CutoutsPlaced.listRight = c.listRight, CutoutsPlaced.listBottom = c.listBottom;
    CutoutsPlaced.buttonsRight = c.buttonsRight, CutoutsPlaced.buttonsBottom = c.buttonsBottom;
    ObjectEditorShared.bottomRightRows = c.rows;
    ObjectEditorShared.bottomRightLeft = c.blockLeft ? c.blockLeft : c.screenWidth - 80;
    const PagePanelPlace p = PlacePagePanel();
    const std::string where = std::to_string(c.screenWidth) + " x " + std::to_string(c.screenHeight) + " large " +
                              std::to_string(c.large) + " list " + std::to_string(c.listRight) + ", " +
                              std::to_string(c.listBottom) + " rows " + std::to_string(c.rows);
    EXPECT_EQ(p.size, c.size) << where;
    EXPECT_EQ(p.left, c.left) << where;
    EXPECT_EQ(p.top, c.top) << where;
    EXPECT_EQ(GetTexturePanelSize(), p.size) << where;
    // The rows start under the panel at the top right, else under the list.
    EXPECT_EQ(PagePanelRowsTop(), p.underRows ? c.listBottom : std::max(20 + p.size + RegionHandleHalf(), c.listBottom)) << where;
  }
  ScreenWidth = savedWidth, ScreenHeight = savedHeight, ButtonWidth = savedButtonWidth, ButtonHeight = savedButtonHeight;
  TexturePanelSwitches = savedSwitches;
  CutoutsPlaced = savedPlaced;
  ObjectEditorShared.bottomRightRows = savedRows, ObjectEditorShared.bottomRightLeft = savedBlockLeft;
}

TEST(TexturePanel, APixelFrameIsFourBarsOnePixelWideCoveringItsEdgesInclusive) {
  ScreenWidth = 200, ScreenHeight = 200;  // pixel x at x / 100 - 1, pixel y (down) at 1 - y / 100
  Draw2DList.Init();
  Draw2DList.Reset();
  DrawPixelFrame(0, 0, 0, 0, 0xFF00FF00u);  // the list's first batch reserves the background first
  const uint32_t first = Draw2DList.counters.vertexCount, triangles = Draw2DList.counters.triangleCount;
  DrawPixelFrame(10, 20, 50, 60, 0xFF00FF00u);
  ASSERT_EQ(Draw2DList.counters.vertexCount - first, 16u);
  EXPECT_EQ(Draw2DList.counters.triangleCount - triangles, 8u);
  // Each bar: left, top, right, bottom in pixels.
  const float bars[4][4] = {{10, 20, 51, 21}, {10, 60, 51, 61}, {10, 20, 11, 61}, {50, 20, 51, 61}};
  for (int b = 0; b < 4; ++b) {
    const float x[4] = {bars[b][0], bars[b][2], bars[b][2], bars[b][0]}, y[4] = {bars[b][1], bars[b][1], bars[b][3], bars[b][3]};
    for (int k = 0; k < 4; ++k) {
      const Draw2DVertex& v = Draw2DList.vertices[first + uint32_t(4 * b + k)];
      EXPECT_NEAR(v.x, x[k] / 100 - 1, 1e-6) << "bar " << b << " corner " << k;
      EXPECT_NEAR(v.y, 1 - y[k] / 100, 1e-6) << "bar " << b << " corner " << k;
    }
  }
  // The triangles cover each bar whole, not only its corners: a point near the middle of each
  // of its four edges lies in one of them.
  const Draw2DBatch& batch = Draw2DList.batches[Draw2DList.counters.batchCount - 1];
  ASSERT_EQ(batch.triangleCount, 8u);
  const auto inside = [&](const Draw2DTriangle& t, double px, double py) {
    const Draw2DVertex* v[3] = {&Draw2DList.vertices[batch.firstVertex + t.a], &Draw2DList.vertices[batch.firstVertex + t.b],
                                &Draw2DList.vertices[batch.firstVertex + t.c]};
    int positive = 0, negative = 0;
    for (int i = 0; i < 3; ++i) {
      const Draw2DVertex& p = *v[i];
      const Draw2DVertex& q = *v[(i + 1) % 3];
      const double cross = (double(q.x) - p.x) * (py - p.y) - (double(q.y) - p.y) * (px - p.x);
      positive += cross > 0, negative += cross < 0;
    }
    return positive == 0 || negative == 0;
  };
  const double probes[4][2] = {{0.9, 0.5}, {0.1, 0.5}, {0.5, 0.1}, {0.5, 0.9}};
  for (int b = 0; b < 4; ++b)
    for (const auto& n : probes) {
      const double px = (bars[b][0] + n[0] * (bars[b][2] - bars[b][0])) / 100 - 1;
      const double py = 1 - (bars[b][1] + n[1] * (bars[b][3] - bars[b][1])) / 100;
      bool covered = false;
      for (uint32_t t = 0; t < batch.triangleCount; ++t)
        covered = covered || inside(Draw2DList.triangles[batch.firstTriangle + t], px, py);
      EXPECT_TRUE(covered) << "bar " << b << " at " << n[0] << ", " << n[1];
    }
  // A page square is one quad.
  Material page{};
  const uint32_t before = Draw2DList.counters.triangleCount;
  DrawPageSquare(&page, 0, 0, 100, 0, 255);
  EXPECT_EQ(Draw2DList.counters.triangleCount - before, 2u);
  Draw2DList.Reset();
  ScreenWidth = ScreenHeight = 0;
}
