// object_editor_gpu_test.cpp - the object editor as a user meets it (editor_window_harness.h):
// views, grids, typed values, background pictures and schemes, draw modes and wire edges.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "editor_window_harness.h"
#include "modeller/editor/preview_mesh.h"
#include "modeller/files/obj_import.h"

namespace {

// A 64 x 64 picture: the left half red, the right half blue.
void WriteSidePicture(const char* path) {
  std::vector<uint8_t> rgba(64 * 64 * 4);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = &rgba[size_t(y * 64 + x) * 4];
      p[0] = x < 32 ? 255 : 0;
      p[2] = x < 32 ? 0 : 255;
      p[3] = 255;
    }
  ASSERT_TRUE(WritePng(path, rgba, 64, 64));
}

}  // namespace

// A picture of the views alone: the panels hidden (Shift+F) for the shot, shown again after.
class ObjectEditorViews : public ObjectEditorWindow {
 protected:
  Picture Bare(const char* name) {
    Key('F', true);
    Picture p = Shot(name);
    Key(' ');
    return p;
  }
};

TEST_F(ObjectEditorViews, TheEntryPageOpensTheEditorWhoseViewsGridsAndBackgroundsWork) {
  OpenFromTheEntryPage();
  ObjectEditor& editor = *ActiveObjectEditor;
  EXPECT_EQ(editor.shown[0]->pointCount, 0) << "an empty model";
  EXPECT_EQ(CurrentDrawMode(), DRAW_GOURAUD);
  for (const char* label : {"reload textures", "origin", "object", "0.1m", "1m", "10m", "P", "l", "u", "load scm",
                            "save scm", "gouraud", "flat", "wire", "mappings", "show main"})
    EXPECT_NE(FindButton(label), nullptr) << label;
  const Picture perspective = Shot("editor_perspective");
  int lit = 0;
  for (int y = HEIGHT / 3; y < HEIGHT * 2 / 3; y += 7)
    for (int x = 0; x < WIDTH / 2; x += 7) lit += !perspective.Black(x, y);
  EXPECT_GT(lit, 100) << "the ground and its grid";

  // I and O.
  Key('I');
  EXPECT_EQ(ObjectEditorShared.invert, 1u);
  Key('I');
  EXPECT_EQ(ObjectEditorShared.invert, 0u);
  const int32_t framed[3] = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  CurrentView->position[0] += 5 << 16;
  Key('O');
  EXPECT_EQ(std::memcmp(CurrentView->position, framed, sizeof framed), 0) << "O looks at the object again";

  // The view keys.
  const struct {
    int key;
    int32_t code;
  } views[] = {{'F', 720}, {'B', 0}, {'T', 0x14C000}, {'U', 738000}, {'P', -1}, {'L', 1688}, {'R', 360}};
  for (const auto& v : views) {
    Key(v.key);
    EXPECT_EQ(CurrentViewCode(), v.code) << char(v.key);
  }
  Key('V');
  EXPECT_EQ(CurrentViewCode(), 0x14C000);
  Key('V');
  EXPECT_EQ(CurrentViewCode(), -1);
  Key('R');
  ASSERT_EQ(CurrentViewCode(), 360);

  // The grid in the right view: 4 m across, 1 m lines at x = 512 + 256 k, black between.
  const Picture grid = Bare("editor_right_grid");
  for (const int x : {256, 768}) EXPECT_TRUE(grid.Near(x, 600, IsGrey)) << "a grid line at " << x;
  EXPECT_TRUE(grid.Near(640, 512, IsGrey)) << "the line of z = 0";
  for (const int x : {128, 384, 640}) EXPECT_TRUE(grid.Black(x, 600)) << "between lines at " << x;
  Click("-", "No grid");
  EXPECT_EQ(EditViews.gridChoice, GRID_NONE);
  EXPECT_TRUE(Bare("editor_right_no_grid").Black(256, 600));
  Click("0.1m");
  EXPECT_EQ(EditViews.gridChoice, GRID_TENTH);
  Click("1m");

  // The heading typed and stepped: 179 degrees and Shift+Right give -176.
  ASSERT_TRUE(HasButtonStarting("h : 90.00"));
  for (int i = ButtonCount - 1; i >= 0; --i)
    if (InterfaceButtons[i].style != BUTTON_STYLE_SYMBOL && InterfaceButtons[i].text.text &&
        std::strncmp(InterfaceButtons[i].text.text, "h : ", 4) == 0) {
      ClickAt((InterfaceButtons[i].left + InterfaceButtons[i].right) / 2,
              (InterfaceButtons[i].top + InterfaceButtons[i].bottom) / 2);
      break;
    }
  Answer("179");
  EXPECT_EQ(DirectionHeading(uint32_t(CurrentViewCode())), 716);
  Key(KEY_RIGHT, true);
  EXPECT_EQ(DirectionHeading(uint32_t(CurrentViewCode())), -704);
  EXPECT_TRUE(HasButtonStarting("h : -176.00"));
  Key('R');

  // The field of view: outside 2..120 is refused with a box.
  Click("\x95");
  EXPECT_EQ(CurrentViewCode(), -1) << "the FOV button selects the perspective first";
  Answer("150");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_OUT_OF_BOUNDS);
  EXPECT_EQ(EditViews.fieldOfView, DEFAULT_FIELD_OF_VIEW);
  Key(KEY_ENTER);  // closes the box
  Click("\x95");
  Answer("45");
  EXPECT_EQ(EditViews.fieldOfView, 45.0f);

  // A background picture in the right view, zoomed out so that it is 4 m of 7.8 m across.
  WriteSidePicture("data/bkg/side_view.png");
  Key('R');
  Wheel(2), Wheel(2), Wheel(2);
  Click("load bkg");
  Answer("side_view");
  const EditViewRecord& right = EditViews.records[VIEW_RIGHT];
  ASSERT_EQ(right.kind, BACKGROUND_IMAGE);
  EXPECT_STREQ(right.imageName, "side_view");
  ASSERT_NE(right.texture, nullptr);
  EditViews.records[VIEW_RIGHT].position[0] = 1 << 16;  // placed 1 m to the right of the origin
  // 131 pixels a metre: the square spans x 381..905 (red to 643, then blue), y 187..712.
  const Picture placed = Bare("editor_right_background");
  EXPECT_TRUE(IsRed(placed.At(450, 650))) << "the picture's left half";
  EXPECT_TRUE(IsBlue(placed.At(700, 650))) << "its right half";
  EXPECT_TRUE(placed.Black(300, 650)) << "left of the picture";
  EXPECT_TRUE(placed.Black(450, 150)) << "above it";

  // Saved as a scheme, then seen flipped from the left.
  Click("save scm");
  Answer("two_sides");
  ASSERT_TRUE(std::filesystem::exists("data/bkg/two_sides.scm"));
  Key('L');
  Click("use opp");
  EXPECT_EQ(EditViews.records[VIEW_LEFT].kind, BACKGROUND_OPPOSITE);
  // Mirrored: centred 1 m to the left, x 119..643, blue to 381, then red.
  const Picture flipped = Bare("editor_left_flipped");
  EXPECT_TRUE(IsBlue(flipped.At(200, 650))) << "the flipped picture's left half";
  EXPECT_TRUE(IsRed(flipped.At(450, 650))) << "its right half";
  EXPECT_TRUE(flipped.Black(700, 650)) << "right of it";

  // Removed, and loaded back from the scheme (which had no "use opp" in the left view).
  Key('R');
  Click("remove");
  EXPECT_EQ(EditViews.records[VIEW_RIGHT].kind, BACKGROUND_NONE);
  Click("load scm");
  Answer("two_sides");
  EXPECT_EQ(EditViews.records[VIEW_RIGHT].kind, BACKGROUND_IMAGE);
  EXPECT_EQ(EditViews.records[VIEW_RIGHT].position[0], 1 << 16);
  EXPECT_EQ(EditViews.records[VIEW_LEFT].kind, BACKGROUND_NONE);
  EXPECT_TRUE(IsRed(Shot("editor_right_scheme").At(450, 350)));

  // Escape leads back to the entry page, and the frame's clear mode is the page's again.
  Key(KEY_ESCAPE);
  Frame(2);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
  EXPECT_TRUE(EntryPageIsIdle());
  EXPECT_EQ(ScreenClearModes.depth, 0);
  EXPECT_EQ(FrameClear.mode, 0);
  EXPECT_EQ(ObjectEditorOpen, 0);
}

TEST_F(ObjectEditorWindow, AGivenObjectIsDrawnInEachDrawModeAndItsWireEdgesAreColouredBySharing) {
  // The sample box with a colour per mapping, opened as the vehicle editor will open it.
  ModelObject box;
  box.Init();
  ASSERT_EQ(LoadModelFile(box, nullptr, "data\\3dob\\sample_box.qxe", 1, nullptr), 1);
  const ColourWord side = RgbWord(200, 40, 40), front = RgbWord(40, 180, 60), top = RgbWord(60, 80, 220);
  box.mappings[0].colour = side, box.mappings[1].colour = front, box.mappings[2].colour = top;
  // A lone triangle beside it, facing the front, 1 to 1.6 m along -x.
  ModelObject* lone = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
  lone->Init();
  const int32_t corners[3][3] = {{0x10000, 0x9999, 0x3333}, {0x1999A, 0x9999, 0x3333}, {0x14CCD, 0x9999, 0xCCCD}};
  lone->ResizePoints(3);
  lone->ResizeTriangles(1);
  for (int i = 0; i < 3; ++i) {
    ModelPoint& p = lone->points[i];
    p.x = corners[i][0], p.y = corners[i][1], p.z = corners[i][2];
    p.ClassifyMirror();
    lone->triangles[0].corners[i] = uint16_t(i);
  }
  lone->triangles[0].normalLevel = 1;
  lone->pointCount = 3;
  lone->triangleCount = 1;
  Prss* page = AppTopProcess();
  InitEditViews();
  ObjectEditor* e = OpenObjectEditor(page, OPEN_NONE, &box, -1, nullptr, nullptr, CALLER_VEHICLE_EDITOR, ~0u);
  Prss_AddSub(page, &e->prss);
  e->shown[1] = lone;
  e->shownCount = 2;
  RebuildObjectPreviews(*e, 1);
  Frame();
  Key('O');
  Key('F');
  ASSERT_EQ(CurrentViewCode(), 720);
  // The front view: 4 m across at 256 pixels a metre, world x to the left, z up, z = 0.5 at
  // the middle.  The box's front spans x 384..640 and y 256..512.
  auto faceMean = [](const Picture& p) {
    long sum[3] = {0, 0, 0}, n = 0;
    for (int y = 280; y < 500; y += 4)
      for (int x = 400; x < 624; x += 4) {
        const uint8_t* q = p.At(x, y);
        for (int c = 0; c < 3; ++c) sum[c] += q[c];
        ++n;
      }
    return std::array<long, 3>{sum[0] / n, sum[1] / n, sum[2] / n};
  };
  Click("flat");
  ASSERT_EQ(CurrentDrawMode(), DRAW_FLAT);
  const std::array<long, 3> flat = faceMean(Shot("box_front_flat"));
  EXPECT_GT(flat[1], flat[0] + 40) << "the front mapping's green";
  EXPECT_GT(flat[1], flat[2] + 40);
  Click("gouraud");
  ASSERT_EQ(CurrentDrawMode(), DRAW_GOURAUD);
  const std::array<long, 3> gouraud = faceMean(Shot("box_front_gouraud"));
  EXPECT_GT(gouraud[1], gouraud[0] + 20) << "the textured front, tinted green";
  EXPECT_GT(gouraud[1], gouraud[2] + 20);
  for (const char* mode : {"mappings", "groups", "n.c.level", "l.r.swap", "layers"}) {
    Click(mode);
    const Picture p = Shot((std::string("box_front_") + mode).c_str());
    EXPECT_FALSE(p.Black(512, 384)) << mode;
    EXPECT_TRUE(p.Black(900 - 200, 700)) << mode << ": nothing below the box";
  }

  Click("wire");
  ASSERT_EQ(CurrentDrawMode(), DRAW_WIRE);
  int grey = 0;
  for (const WireEdge& edge : e->wireEdges.drawnEdges) grey += edge.count == 2;
  EXPECT_EQ(grey, 18) << "the box's 18 edges, each of two triangles";
  const Picture wire = Shot("box_front_wire");
  EXPECT_TRUE(wire.Near(384, 440, IsGrey)) << "the box's edge at x = +0.5 m";
  EXPECT_TRUE(wire.Black(470, 300)) << "inside the box's front, no faces are drawn";
  // The lone triangle's base, z = 0.2 m, between x = 1.0 and 1.6 m (pixels 102..256, row 460).
  EXPECT_TRUE(wire.Near(180, 460, IsRed)) << "an edge of one triangle";

  // Closed as the vehicle editor closes it: its object stays.
  Key('X', true);
  Frame(2);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
  EXPECT_EQ(box.triangleCount, 12);
  CloseEditViews();
  box.Free();
}

namespace {

// The mean brightness ((r + g + b) / 3) of the pixels of a 9 x 9 square about (x, y).
double MeanBrightness(const Picture& p, int x, int y) {
  double sum = 0.0;
  for (int dy = -4; dy <= 4; ++dy)
    for (int dx = -4; dx <= 4; ++dx) {
      const uint8_t* q = p.At(std::clamp(x + dx, 0, p.width - 1), std::clamp(y + dy, 0, p.height - 1));
      sum += (q[0] + q[1] + q[2]) / 3.0;
    }
  return sum / 81.0;
}

// The spread (standard deviation) of the brightness of a picture's pixels where mask differs
// from background by more than 24 in some channel.
double BrightnessSpread(const Picture& p, const Picture& mask, const Picture& background, int& pixels) {
  double sum = 0.0, squares = 0.0;
  pixels = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const uint8_t *m = mask.At(x, y), *b = background.At(x, y);
      if (std::abs(m[0] - b[0]) <= 24 && std::abs(m[1] - b[1]) <= 24 && std::abs(m[2] - b[2]) <= 24) continue;
      const uint8_t* q = p.At(x, y);
      const double v = (q[0] + q[1] + q[2]) / 3.0;
      sum += v, squares += v * v, ++pixels;
    }
  if (pixels == 0) return 0.0;
  const double mean = sum / pixels;
  return std::sqrt(std::max(0.0, squares / pixels - mean * mean));
}

}  // namespace

// An OBJ file imported is lit in the default draw mode (gouraud) by the editor's own light: a
// box of quads shows its three faces to the perspective view, each a different brightness; a
// model of many curved faces (the Wuson of the system's test models, where installed) shows
// at least half the spread of brightness its flat drawing shows, framed clear of the panels.
TEST_F(ObjectEditorWindow, AnImportedObjFileIsLitInTheDefaultDrawMode) {
  std::filesystem::create_directories("data/obj");
  {
    std::ofstream obj("data/obj/lit_box.obj");
    obj << "v -0.5 -0.5 0\nv 0.5 -0.5 0\nv 0.5 0.5 0\nv -0.5 0.5 0\n"
           "v -0.5 -0.5 1\nv 0.5 -0.5 1\nv 0.5 0.5 1\nv -0.5 0.5 1\n"
           "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
  }
  ModelObject box;
  box.Init();
  ASSERT_EQ(ImportObjFile(box, nullptr, "data/obj/lit_box.obj"), 1);
  ASSERT_EQ(box.triangleCount, 12);
  Prss* page = AppTopProcess();
  InitEditViews();
  ObjectEditor* e = OpenObjectEditor(page, OPEN_NONE, &box, -1, nullptr, nullptr, CALLER_VEHICLE_EDITOR, ~0u);
  Prss_AddSub(page, &e->prss);
  Frame();
  ASSERT_EQ(CurrentDrawMode(), DRAW_GOURAUD);
  ASSERT_EQ(CurrentViewCode(), -1) << "the perspective view";
  // Seen a quarter turn round from where it opens, so that of its two sides one faces the
  // light and one faces away.
  CurrentView->heading = uint16_t(CurrentView->heading + 0x4000);
  Key('O');
  const Picture lit = Shot("obj_box_gouraud");
  // Of each pair of opposite faces the nearer one faces the eye.
  const int32_t centres[6][3] = {{0, 0, 0}, {0, 0, 0x10000}, {0, -0x8000, 0x8000},
                                 {0x8000, 0, 0x8000}, {0, 0x8000, 0x8000}, {-0x8000, 0, 0x8000}};
  const int pairs[3][2] = {{0, 1}, {2, 4}, {3, 5}};
  std::vector<double> faces;
  for (const auto& pair : pairs) {
    float x[2], y[2];
    int32_t depth[2];
    for (int k = 0; k < 2; ++k) ProjectPointToScreen(centres[pair[k]], &x[k], &y[k], &depth[k]);
    const int near = depth[0] < depth[1] ? 0 : 1;
    ASSERT_TRUE(x[near] > 0 && x[near] < WIDTH && y[near] > 0 && y[near] < HEIGHT) << pair[near];
    faces.push_back(MeanBrightness(lit, int(x[near]), int(y[near])));
  }
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j)
      EXPECT_GE(std::fabs(faces[size_t(i)] - faces[size_t(j)]), 20.0)
          << "faces " << i << " and " << j << ": " << faces[size_t(i)] << " and " << faces[size_t(j)];
  Key('X', true);
  Frame(2);
  box.Free();

  const char* wuson = "/usr/share/assimp/models/OBJ/WusonOBJ.obj";
  if (!std::filesystem::exists(wuson)) GTEST_SKIP() << wuson << " is not installed (package assimp-testmodels)";
  ModelObject model;
  model.Init();
  ASSERT_EQ(ImportObjFile(model, nullptr, wuson), 1);
  e = OpenObjectEditor(page, OPEN_NONE, &model, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(page, &e->prss);
  Frame(3);
  // Framed once its panels stand: nine tenths of the model's box as projected lies on the
  // window and under no button (sampled every 4 pixels).
  {
    int32_t low[3], high[3];
    ASSERT_TRUE(model.GetBoxAll(low, high));
    float box[4] = {1e9f, 1e9f, -1e9f, -1e9f};
    for (int corner = 0; corner < 8; ++corner) {
      const int32_t q[3] = {corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1], corner & 4 ? high[2] : low[2]};
      float x, y;
      int32_t depth;
      ProjectPointToScreen(q, &x, &y, &depth);
      box[0] = std::min(box[0], x), box[1] = std::min(box[1], y), box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
    }
    int all = 0, clear = 0;
    for (float y = box[1]; y < box[3]; y += 4.0f)
      for (float x = box[0]; x < box[2]; x += 4.0f) {
        ++all;
        bool covered = x < 0 || y < 0 || x >= WIDTH || y >= HEIGHT;
        for (int i = 0; i < ButtonCount && !covered; ++i) {
          const InterfaceButton& b = InterfaceButtons[i];
          covered = x >= b.left && x < b.right && y >= b.top && y < b.bottom;
        }
        clear += !covered;
      }
    ASSERT_GT(all, 100);
    EXPECT_GE(clear, all * 9 / 10) << "of the box " << box[0] << "," << box[1] << " - " << box[2] << "," << box[3];
  }
  const Picture gouraud = Shot("obj_wuson_gouraud");
  Click("flat");
  const Picture flat = Shot("obj_wuson_flat");
  PreviewConfig.drawOn = 0;
  const Picture none = Shot("obj_wuson_none");
  PreviewConfig.drawOn = 1;
  int pixels = 0;
  const double flatSpread = BrightnessSpread(flat, flat, none, pixels);
  ASSERT_GT(pixels, WIDTH * HEIGHT / 50) << "the model is drawn large enough to judge";
  const double gouraudSpread = BrightnessSpread(gouraud, flat, none, pixels);
  EXPECT_GE(gouraudSpread, flatSpread / 2) << "gouraud " << gouraudSpread << ", flat " << flatSpread;
  Key('X', true);
  Frame(2);
  CloseEditViews();
  model.Free();
}
