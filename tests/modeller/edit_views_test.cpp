// edit_views_test.cpp - the edit views without drawing: view codes and keys, switching
// between the perspective and the 2D views with the screen clear-mode stack, typed values
// through the text entry, and the background scheme file.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/frame.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "tests/ui/control_clicks.h"
#include "tools/model_gen/model_builder.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/text_measure.h"
#include "ui/text_measure.h"

namespace {

// The shown button with the text (and hint); a failure, and a blank button, when there is none.
const InterfaceButton& Must(const char* text, const char* hint = nullptr) {
  static const InterfaceButton none{};
  const InterfaceButton* b = FindShownButton(text, hint);
  if (!b) ADD_FAILURE() << "no button \"" << text << "\"";
  return b ? *b : none;
}

class EditViewsTest : public ::testing::Test {
 protected:
  Prss screen{};
  void SetUp() override {
    InitSinCosTables();
    SetDefaultTextColours();
    ResetMessages();
    ResetDialogs();
    SetDefaultView();
    FrameClear.mode = 0;
    ScreenClearModes = ClearModeStack{};
    ShiftHeld = CtrlHeld = 0;
    InitEditViews();
    Prss_Init(&screen, nullptr, [](Prss* p) { return p; }, nullptr, nullptr, nullptr, nullptr);
    std::filesystem::create_directories("data/bkg");
  }
  void TearDown() override {
    ResetDialogs();
    CloseEditViews();
    ShiftHeld = CtrlHeld = 0;
    std::filesystem::remove_all("data");
    ResetMessages();
  }
  static int Heading() { return DirectionHeading(uint32_t(CurrentViewCode())); }
  static int Pitch() { return DirectionPitch(uint32_t(CurrentViewCode())); }
  static bool HasMessage(const char* start) {
    for (int i = 0; i < MessageLineCount; ++i)
      if (std::strncmp(MessageLines[i].text, start, std::strlen(start)) == 0) return true;
    return false;
  }
  // Asks through the block's word and answers as a user typing and pressing Enter.
  void Type(uintptr_t word, const char* answer) {
    EditViewValueAction(&screen, 1, word);
    ASSERT_EQ(OpenTextEntry.open, 1) << "word " << word;
    ASSERT_EQ(ConfirmTextEntry(answer), 1);
    screen.sub = screen.sub ? screen.sub->act(screen.sub) : nullptr;  // the entry closes
  }
  std::vector<uint8_t> SchemeBody(const EditViewRecord* records) {
    return MemoryWriteBody([&](DataFile& f) { WriteBackgroundScheme(f, records); });
  }
  int ReadScheme(const std::vector<uint8_t>& body, EditViewRecord* records) {
    const std::vector<uint8_t> image = DataFileImage(SCHEME_FILE_MAGIC, body, SCHEME_FILE_VERSION);
    DataFile f;
    int32_t v;
    if (!f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), SCHEME_FILE_MAGIC, &v, SCHEME_FILE_VERSION))
      return -1;
    const int read = ReadBackgroundScheme(f, records, "test.scm");
    f.Close();
    return read;
  }
};

}  // namespace

TEST_F(EditViewsTest, TheSevenViewsHaveTheirCodesOppositesAndKeys) {
  EXPECT_EQ(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  const struct {
    int key;
    int32_t code;
    int index;
  } keys[] = {{'F', 720, VIEW_FRONT}, {'B', 0, VIEW_BACK}, {'R', 360, VIEW_RIGHT}, {'L', 1688, VIEW_LEFT},
              {'T', 0x14C000, VIEW_TOP}, {'U', 738000, VIEW_UNDER}, {'P', -1, VIEW_PERSPECTIVE}};
  for (const auto& k : keys) {
    EXPECT_EQ(EditView::SelectByKey(k.key), 1);
    EXPECT_EQ(CurrentViewCode(), k.code) << char(k.key);
    EXPECT_EQ(EditView::IndexFromCode(k.code), k.index);
  }
  EXPECT_EQ(DirectionHeading(1688), -360) << "the left view's heading is -90 degrees in 11 bits";
  EXPECT_EQ(DirectionPitch(0x14C000), -360);
  EXPECT_EQ(DirectionPitch(738000), 360);
  EXPECT_EQ(DirectionHeading(738000), 720);
  // V: the top view, or back to the perspective from the top.
  EditView::SelectByKey('V');
  EXPECT_EQ(CurrentViewCode(), 0x14C000);
  EditView::SelectByKey('V');
  EXPECT_EQ(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  // With Shift held the letters are not views.
  ShiftHeld = 1;
  EXPECT_EQ(EditView::SelectByKey('R'), 0);
  EXPECT_EQ(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  ShiftHeld = 0;

  EXPECT_EQ(EditView::Opposite(VIEW_FRONT), VIEW_BACK);
  EXPECT_EQ(EditView::Opposite(VIEW_LEFT), VIEW_RIGHT);
  EXPECT_EQ(EditView::Opposite(VIEW_UNDER), VIEW_TOP);
  EXPECT_EQ(EditView::Opposite(VIEW_PERSPECTIVE), 0);
  EXPECT_EQ(EditView::IndexFromCode(123), VIEW_FREE);
  // A drag box of the front view belongs to the back view too, not to the top view.
  SelectEditView(VIEW_BACK);
  EXPECT_EQ(EditView::IsCurrent(720), 1);
  EXPECT_EQ(EditView::IsCurrent(0), 1);
  EXPECT_EQ(EditView::IsCurrent(0x14C000), 0);
  EXPECT_EQ(EditView::IsCurrent(-1), 0);
  // The last pair likewise: a top view's box belongs to the under view and the other way.
  SelectEditView(VIEW_UNDER);
  EXPECT_EQ(EditView::IsCurrent(0x14C000), 1);
  SelectEditView(VIEW_TOP);
  EXPECT_EQ(EditView::IsCurrent(738000), 1);
  EXPECT_EQ(EditView::IsCurrent(720), 0);
}

TEST_F(EditViewsTest, ShiftAndCtrlArrowsStepTheHeadingAndPitchOfA2DView) {
  // In the perspective view the arrows are the camera's, not steps.
  ShiftHeld = 1;
  EXPECT_EQ(EditView::SelectByKey(KEYCODE_RIGHT), 0);
  ShiftHeld = 0;
  SelectEditView(VIEW_RIGHT);
  SetCurrentViewCode(int32_t(PackDirection(716, 0, 0)));  // 179 degrees
  ShiftHeld = 1;
  ASSERT_EQ(EditView::SelectByKey(KEYCODE_RIGHT), 1);
  EXPECT_EQ(Heading(), -704) << "179 degrees and 5 more wrap to -176";
  EXPECT_EQ(EditView::SelectByKey(KEYCODE_LEFT), 1);
  EXPECT_EQ(Heading(), 716);
  ShiftHeld = 0;
  CtrlHeld = 1;
  EditView::SelectByKey(KEYCODE_DOWN);
  EXPECT_EQ(Pitch(), 4) << "Ctrl: one degree";
  ShiftHeld = 1;
  EditView::SelectByKey(KEYCODE_UP);
  EXPECT_EQ(Pitch(), -116) << "Shift and Ctrl: thirty degrees";
  for (int i = 0; i < 10; ++i) EditView::SelectByKey(KEYCODE_UP);
  EXPECT_EQ(Pitch(), -360) << "held at -90 degrees";
  ShiftHeld = CtrlHeld = 0;
  EXPECT_EQ(EditView::SelectByKey(KEYCODE_UP), 0) << "without Shift or Ctrl the arrows pan";
}

// Looking down, the arrow is held at a quarter turn as looking up is; a heading stepped onto
// exactly half a turn either way stays there (in quarter degrees: 720 and -720).
TEST_F(EditViewsTest, ArrowStepsHoldThePitchDownAtAQuarterTurnAndKeepAHalfTurnsHeading) {
  SelectEditView(VIEW_RIGHT);
  SetCurrentViewCode(int32_t(PackDirection(700, 350, 0)));  // 175 degrees, 87.5 down
  ShiftHeld = 1;
  ASSERT_EQ(EditView::SelectByKey(KEYCODE_DOWN), 1);
  EXPECT_EQ(Pitch(), 360) << "87.5 degrees and 5 more held at 90";
  ASSERT_EQ(EditView::SelectByKey(KEYCODE_RIGHT), 1);
  EXPECT_EQ(Heading(), 720) << "175 degrees and 5 more are 180, kept as they are";
  EXPECT_EQ(Pitch(), 360);
  SetCurrentViewCode(int32_t(PackDirection(-700, 0, 0)));
  ASSERT_EQ(EditView::SelectByKey(KEYCODE_LEFT), 1);
  EXPECT_EQ(Heading(), -720) << "-175 degrees and 5 less are -180, kept as they are";
  ShiftHeld = 0;
}

TEST_F(EditViewsTest, SwitchingViewsSavesEachKindsPlaceAndKeepsTheClearModeStack) {
  EXPECT_EQ(ScreenClearModes.depth, 1) << "the editor's clear mode";
  EXPECT_EQ(FrameClear.mode, 2);
  const int32_t camera[3] = {5 << 16, -3 << 16, 2 << 16};
  std::memcpy(CurrentView->position, camera, sizeof camera);
  FrameEditView(2 << 16, 0);  // the perspective frames, and the 2D views get width 4 m
  const int32_t framed[3] = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  SelectEditView(VIEW_FRONT);
  EXPECT_EQ(EditViews.width, 4 << 16);
  EXPECT_EQ(CurrentView->position[2], 0) << "the 2D centre";
  EXPECT_EQ(FrameClear.mode, 0) << "2D views clear by their own mode";
  EXPECT_EQ(ScreenClearModes.depth, 2);
  SelectEditView(VIEW_TOP);  // 2D to 2D: nothing saved or pushed
  EXPECT_EQ(ScreenClearModes.depth, 2);
  CurrentView->position[0] = 7 << 16;
  SelectEditView(VIEW_PERSPECTIVE);
  EXPECT_EQ(ScreenClearModes.depth, 1);
  EXPECT_EQ(FrameClear.mode, 2);
  EXPECT_EQ(EditViews.width, 0);
  EXPECT_EQ(std::memcmp(CurrentView->position, framed, sizeof framed), 0) << "the camera comes back";
  SelectEditView(VIEW_LEFT);
  EXPECT_EQ(CurrentView->position[0], 7 << 16) << "and so does the 2D centre";
  // Closing from a 2D view pops both modes.
  CloseEditViews();
  EXPECT_EQ(ScreenClearModes.depth, 0);
  EXPECT_EQ(FrameClear.mode, 0);
  EXPECT_EQ(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  InitEditViews();  // for TearDown

  // The stack holds 15 entries: a push onto a full one is skipped, a pop at 0 does nothing.
  ClearModeStack saved = ScreenClearModes;
  ScreenClearModes = ClearModeStack{};
  for (int i = 0; i < 20; ++i) PushClearMode(i % 4);
  EXPECT_EQ(ScreenClearModes.depth, CLEAR_MODE_STACK_SIZE);
  for (int i = 0; i < 20; ++i) PopClearMode();
  EXPECT_EQ(ScreenClearModes.depth, 0);
  ScreenClearModes = saved;
}

// Opening the edit views sets the view's light at heading 57344 and elevation 8192 (16-bit
// turns): an eighth of a turn up, so its height is sin 45 degrees of its length.
TEST_F(EditViewsTest, OpeningTheEditViewsSetsTheLightAnEighthOfATurnUp) {
  CloseEditViews();
  for (int32_t& c : CurrentView->lightDirection) c = 0;
  InitEditViews();
  const double e = 8192 * 2.0 * 3.14159265358979 / 65536.0;
  const int32_t* d = CurrentView->lightDirection;
  EXPECT_EQ(d[2], std::lround(std::sin(e) * 65536.0));
  EXPECT_NEAR(std::hypot(double(d[0]), double(d[1])), std::cos(e) * 65536.0, 2.0);
}

TEST_F(EditViewsTest, TypedValuesAreCheckedAndOutOfBoundsChangesNothing) {
  Type(0, "150");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_OUT_OF_BOUNDS);
  EXPECT_EQ(EditViews.fieldOfView, DEFAULT_FIELD_OF_VIEW);
  ResetDialogs();
  screen.sub = nullptr;
  Type(0, "1.5");
  EXPECT_EQ(EditViews.fieldOfView, DEFAULT_FIELD_OF_VIEW);
  ResetDialogs();
  screen.sub = nullptr;
  Type(0, "90");
  EXPECT_EQ(EditViews.fieldOfView, 90.0f);
  EXPECT_NEAR(EditViews.fovScale, 2.0f, 1e-5f) << "2 tan(45 degrees)";

  SelectEditView(VIEW_RIGHT);
  Type(1, "200");  // held at 180 degrees
  EXPECT_EQ(Heading(), 720);
  Type(2, "-12.3");
  EXPECT_EQ(Pitch(), -49) << "x 4, rounded";
  Type(2, "95");  // held at a quarter turn up
  EXPECT_EQ(Pitch(), 360);
  Type(2, "-95");
  EXPECT_EQ(Pitch(), -360);
  Type(2, "1e30");  // far beyond any whole number of quarters: still held
  EXPECT_EQ(Pitch(), 360);
  Type(2, "-95");
  Type(1, "-200");
  EXPECT_EQ(Heading(), -720);

  // The background scale (of an axis view): positions follow, so the picture keeps its place
  // to the origin.
  SelectEditView(VIEW_RIGHT);
  EditViewRecord& r = EditViews.records[VIEW_RIGHT];
  r.kind = BACKGROUND_IMAGE;
  r.position[0] = 1 << 16;
  r.scale = 2.0f;
  Type(8, "4");
  EXPECT_EQ(r.scale, 4.0f);
  EXPECT_EQ(r.position[0], 2 << 16);
  ResetDialogs();
  screen.sub = nullptr;
  Type(8, "5000");
  EXPECT_EQ(r.scale, 4.0f);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_OUT_OF_BOUNDS);
  ResetDialogs();
  screen.sub = nullptr;
  // The limits themselves are taken: 1000 and 0.001.
  Type(8, "1000");
  EXPECT_EQ(r.scale, 1000.0f);
  Type(8, "0.001");
  EXPECT_EQ(r.scale, 0.001f);
  ResetDialogs();
  screen.sub = nullptr;

  // "use opp" flips between no background and the opposite's; "adjust" flips; "remove" clears.
  SelectEditView(VIEW_LEFT);
  EditViewValueAction(&screen, 1, 7);
  EXPECT_EQ(EditViews.records[VIEW_LEFT].kind, BACKGROUND_OPPOSITE);
  EditViewValueAction(&screen, 1, 7);
  EXPECT_EQ(EditViews.records[VIEW_LEFT].kind, BACKGROUND_NONE);
  SelectEditView(VIEW_RIGHT);
  EditViewValueAction(&screen, 1, 5);
  EXPECT_EQ(EditViews.adjust, 1);
  EditViewValueAction(&screen, 1, 6);
  EXPECT_EQ(r.kind, BACKGROUND_NONE);
  EXPECT_EQ(r.scale, BACKGROUND_CLEARED_SCALE);
}

// The bottom-right block drawn on a 1024 x 768 screen at text size 3: the buttons' texts, lit
// states, places and the effects of its own buttons.
class EditViewBlockTest : public EditViewsTest {
 protected:
  int savedBlob = 0, savedChar = 0, savedMetrics[3] = {};
  void SetUp() override {
    EditViewsTest::SetUp();
    savedBlob = CfgBlobSize, savedChar = CfgCharSize;
    savedMetrics[0] = TextSize, savedMetrics[1] = ButtonWidth, savedMetrics[2] = ButtonHeight;
    CfgBlobSize = 6, CfgCharSize = 3;
    SetInterfaceMetrics();
    ScreenWidth = 1024, ScreenHeight = 768;
  }
  void TearDown() override {
    ClearInterface();
    CfgBlobSize = savedBlob, CfgCharSize = savedChar;
    SetInterfaceMetrics();
    TextSize = savedMetrics[0], ButtonWidth = savedMetrics[1], ButtonHeight = savedMetrics[2];
    ScreenWidth = ScreenHeight = 0;
    EditViewsTest::TearDown();
  }
  static void OwnHandler(void*, int, uintptr_t) {}
  int Draw(int eyeMode = 1) {
    ClearInterface();
    return AddEditViewButtons(&screen, OwnHandler, eyeMode);
  }
  // The block's button showing the text (with the hint when given), drawn again first.
  const InterfaceButton* Shown(const char* text, const char* hint = nullptr, int eyeMode = 1) {
    Draw(eyeMode);
    return FindShownButton(text, hint);
  }
  // A press of the shown button, as its handler sees it.
  void Press(const char* text, const char* hint = nullptr) {
    const InterfaceButton* b = Shown(text, hint);
    ASSERT_NE(b, nullptr) << text;
    ASSERT_NE(b->handler, nullptr) << text;
    b->handler(b->owner, CLICK_LEFT, b->word);
  }
  // The button's row counted from the bottom of the screen, and its width in units.
  static int RowOf(const InterfaceButton* b) { return (ScreenHeight - b->top) / ButtonHeight; }
  static int UnitsOf(const InterfaceButton* b) { return (b->right - b->left) / ButtonWidth; }
};

TEST_F(EditViewBlockTest, TheBlockShowsItsRowsFromTheBottomRightAndHidesToOnePlus) {
  // Perspective: reload, sizes, points, grid, two blanks, views, schemes and the measure row.
  EXPECT_EQ(Draw(), 8);
  const struct {
    const char* text;
    int row, units;
  } places[] = {{"reload textures", 1, 7}, {"blob 6", 2, 2}, {"text 3", 2, 2}, {"origin", 3, 3},
                {"object", 3, 3},          {"eye", 3, 2},    {"0.1m", 4, 2},   {"10m", 4, 2},
                {"P", 6, 1},               {"u", 6, 1},      {"load scm", 7, 4}, {"save scm", 7, 4},
                {"drag box not set", 8, 7}};
  for (const auto& p : places) {
    const InterfaceButton* b = FindShownButton(p.text);
    ASSERT_NE(b, nullptr) << p.text;
    EXPECT_EQ(RowOf(b), p.row) << p.text;
    EXPECT_EQ(UnitsOf(b), p.units) << p.text;
    EXPECT_LE(b->right, ScreenWidth) << p.text;
  }
  // The block is eight units wide, flush with the right edge.
  EXPECT_EQ(Must("reload textures").left, ScreenWidth - 8 * ButtonWidth);
  EXPECT_EQ(Must("u").left, ScreenWidth - 2 * ButtonWidth) << "the last view, left of the FOV button";
  const char* fovHint = "Set the field of view (FOV) of the 3D view";
  ASSERT_NE(FindShownButton("\x95", fovHint), nullptr);
  EXPECT_EQ(RowOf(FindShownButton("\x95", fovHint)), 6);
  EXPECT_EQ(Must("\x95", fovHint).left, ScreenWidth - ButtonWidth) << "one unit at the right edge";
  EXPECT_EQ(UnitsOf(FindShownButton("\x95", fovHint)), 1);
  // Pressed from a 2D view, it goes to the perspective view and asks for the new angle.
  SelectEditView(VIEW_FRONT);
  Press("\x95", fovHint);
  EXPECT_EQ(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new value for FOV");
  ResetDialogs();
  screen.sub = nullptr;
  Draw();
  EXPECT_EQ(Must("-", "No grid").left, ScreenWidth - 2 * ButtonWidth) << "the last grid choice";
  EXPECT_EQ(RowOf(FindShownButton("-", "No grid")), 4);
  EXPECT_EQ(Must("P").fourth.i, 1) << "the current view is lit";
  EXPECT_EQ(Must("f").fourth.i, 0);
  EXPECT_EQ(Must("object").handler, OwnHandler) << "the points go to the caller's handler";
  EXPECT_EQ(Must("eye").handler, OwnHandler);

  // Without a driver's eye the point buttons are wider; with an eye to enable, it is grey.
  Draw(0);
  EXPECT_EQ(FindShownButton("eye"), nullptr);
  EXPECT_EQ(UnitsOf(FindShownButton("origin")), 4);
  Draw(2);
  ASSERT_NE(FindShownButton("eye"), nullptr);
  EXPECT_EQ(Must("eye").handler, nullptr) << "shown, but not pressed";
  EXPECT_EQ(UnitsOf(FindShownButton("object")), 3);

  // Hidden, the block is one "+" in the corner, which shows it again.
  Press("-", "Hide the bottom right buttons");
  EXPECT_EQ(EditViews.buttonsHidden, 1);
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(ButtonCount, 1);
  const InterfaceButton* plus = FindShownButton("+");
  ASSERT_NE(plus, nullptr);
  EXPECT_EQ(plus->left, ScreenWidth - ButtonWidth);
  EXPECT_EQ(plus->top, ScreenHeight - ButtonHeight);
  Press("+");
  EXPECT_EQ(EditViews.buttonsHidden, 0);
  EXPECT_EQ(Draw(), 8);
}

TEST_F(EditViewBlockTest, BlobAndTextSizesStepWithinTheirLimitsAndShowTheirValues) {
  const char* blobHint = "Size of the point selection buttons";
  const char* textHint = "Size of editor text";
  // Blob: 6 up to 10 in four presses, and no further; down to 4 and no further.
  for (int i = 0; i < 4; ++i) Press("+", blobHint);
  EXPECT_EQ(CfgBlobSize, 10);
  Press("+", blobHint);
  EXPECT_EQ(CfgBlobSize, 10);
  EXPECT_NE(Shown("blob 10"), nullptr);
  for (int i = 0; i < 6; ++i) Press("-", blobHint);
  EXPECT_EQ(CfgBlobSize, 4);
  Press("-", blobHint);
  EXPECT_EQ(CfgBlobSize, 4);
  EXPECT_NE(Shown("blob 4"), nullptr);

  // Text: 3 down to 1 and no further, and the interface's metrics follow each step (text
  // size 2 s + 11, buttons 5 pixels taller).
  Press("-", textHint);
  EXPECT_EQ(CfgCharSize, 2);
  EXPECT_EQ(ButtonHeight, 2 * 2 + 11 + 5);
  Press("-", textHint);
  Press("-", textHint);
  EXPECT_EQ(CfgCharSize, 1);
  EXPECT_EQ(ButtonHeight, 2 * 1 + 11 + 5);
  EXPECT_NE(Shown("text 1"), nullptr);
  for (int i = 0; i < 9; ++i) Press("+", textHint);
  EXPECT_EQ(CfgCharSize, 10);
  Press("+", textHint);
  EXPECT_EQ(CfgCharSize, 10);
  EXPECT_EQ(ButtonHeight, 2 * 10 + 11 + 5);
  EXPECT_NE(Shown("text 10"), nullptr);
}

TEST_F(EditViewBlockTest, GridViewsAnglesBackgroundsAndTheMeasureRow) {
  // A grid button lights the choice it names; a view button makes its view current.
  Press("10m");
  EXPECT_EQ(EditViews.gridChoice, GRID_TEN_METRES);
  Draw();
  EXPECT_EQ(Must("10m").fourth.i, 1);
  EXPECT_EQ(Must("1m").fourth.i, 0);
  Press("-", "No grid");
  EXPECT_EQ(EditViews.gridChoice, GRID_NONE);
  Press("u");
  EXPECT_EQ(CurrentViewCode(), 738000) << "the under view";
  Draw();
  EXPECT_EQ(Must("u").fourth.i, 1);
  EXPECT_EQ(Must("P").fourth.i, 0);

  // A 2D view shows its heading and pitch in degrees, from quarter degrees; an axis view adds
  // the background row, a view turned off its axis does not.
  SelectEditView(VIEW_RIGHT);
  EXPECT_EQ(Draw(), 9);
  EXPECT_NE(FindShownButton("h : 90.00"), nullptr);
  EXPECT_NE(FindShownButton("p : 0.00"), nullptr);
  EXPECT_EQ(RowOf(FindShownButton("h : 90.00")), 5);
  Type(2, "-12.3");  // -49 quarters
  EXPECT_EQ(Draw(), 8);
  EXPECT_NE(FindShownButton("p : -12.25"), nullptr);
  EXPECT_EQ(Must("h : 90.00").word, 1u);
  EXPECT_EQ(Must("p : -12.25").word, 2u);
  EXPECT_EQ(Must("h : 90.00").fourth.i, 0) << "the angles are no switches";
  EXPECT_EQ(Must("p : -12.25").fourth.i, 0);
  EXPECT_EQ(UnitsOf(FindShownButton("h : 90.00")), 4);
  EXPECT_EQ(UnitsOf(FindShownButton("p : -12.25")), 4);
  Draw();
  const int shownIn2D = ButtonCount;
  SelectEditView(VIEW_PERSPECTIVE);
  Draw();
  EXPECT_EQ(FindShownButton("p : -12.25"), nullptr);
  EXPECT_EQ(ButtonCount, shownIn2D) << "two blank buttons in the angles' place";

  // An axis view without a picture: "load bkg", and "use opp" lit for the opposite's picture.
  SelectEditView(VIEW_LEFT);
  EXPECT_NE(Shown("load bkg"), nullptr);
  EXPECT_EQ(Must("use opp").fourth.i, 0);
  Press("use opp");
  EXPECT_EQ(EditViews.records[VIEW_LEFT].kind, BACKGROUND_OPPOSITE);
  Draw();
  EXPECT_EQ(Must("use opp").fourth.i, 1);
  EXPECT_EQ(RowOf(FindShownButton("use opp")), 8);
  EXPECT_EQ(RowOf(FindShownButton("drag box not set")), 9);

  // With a picture: its name, "adjust" lit while adjusting, and the scale in the last row.
  EditViewRecord& r = EditViews.records[VIEW_LEFT];
  r.kind = BACKGROUND_IMAGE;
  std::snprintf(r.imageName, sizeof r.imageName, "side");
  r.scale = 2.5f;
  EXPECT_NE(Shown("side"), nullptr);
  EXPECT_EQ(Must("adjust").fourth.i, 0);
  Press("adjust");
  EXPECT_EQ(EditViews.adjust, 1);
  Draw();
  EXPECT_EQ(Must("adjust").fourth.i, 1);
  EXPECT_NE(FindShownButton("bkg scale : 2.5000"), nullptr);
  EXPECT_NE(FindShownButton("adjusting background"), nullptr);
  Press("adjusting background");
  EXPECT_EQ(EditViews.adjust, 0);
  // Its picture loaded and no drag box: the scale (3 units) and "drag box not set" (5), neither
  // lit.
  ZKTETexture picture{};
  r.texture = &picture;
  r.scale = 1.25f;
  Draw();
  r.texture = nullptr;  // the picture is the test's, not the table's
  const InterfaceButton* scale = FindShownButton("bkg scale : 1.2500", "Scale of the background image");
  const InterfaceButton* note = FindShownButton("drag box not set");
  ASSERT_NE(scale, nullptr);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(UnitsOf(scale), 3);
  EXPECT_EQ(scale->fourth.i, 0);
  EXPECT_EQ(UnitsOf(note), 5);
  EXPECT_EQ(note->fourth.i, 0);

  // A finished drag box of 3 m by 4 m: its diagonal and sides.
  DragBox& box = EditViews.dragBox;
  box.state = DRAG_BOX_DONE;
  box.viewCorners[0][0] = 1 << 16, box.viewCorners[0][1] = 5 << 16;
  box.viewCorners[1][0] = 4 << 16, box.viewCorners[1][1] = 1 << 16;
  Draw();
  // Each shows whole (they were cut to "diagonal : 5..."): the diagonal over a row of its own,
  // the sides over half of the row above each.
  for (const char* text : {"diagonal : 5.000", "w : 3.000", "h : 4.000"}) {
    const InterfaceButton* b = FindShownButton(text);
    ASSERT_NE(b, nullptr) << text;
    EXPECT_TRUE(ButtonLabelFitsWhole(text, b->right - b->left, b->bottom - b->top)) << text;
  }
  EXPECT_EQ(UnitsOf(FindShownButton("diagonal : 5.000")), 8);
  EXPECT_EQ(RowOf(FindShownButton("w : 3.000")), RowOf(FindShownButton("diagonal : 5.000")) + 1);
  EXPECT_EQ(RowOf(FindShownButton("h : 4.000")), RowOf(FindShownButton("w : 3.000")));
  box.state = DRAG_BOX_POINT;
  Draw();
  EXPECT_EQ(FindShownButton("w : 3.000"), nullptr) << "a point is no box";
  box.state = DRAG_BOX_DRAGGING;
  Draw();
  EXPECT_NE(FindShownButton("w : 3.000"), nullptr) << "shown while dragging too";
  box.state = DRAG_BOX_NONE;
}

TEST_F(EditViewBlockTest, ASchemeIsSavedAndLoadedBackThroughItsButtons) {
  // Saved under a typed name into a fresh folder, changed, loaded back by the same name.
  std::filesystem::create_directories("data/bkg");
  EditViews.records[VIEW_FRONT].kind = BACKGROUND_IMAGE;
  EditViews.records[VIEW_FRONT].scale = 2.5f;
  std::snprintf(EditViews.records[VIEW_FRONT].imageName, sizeof EditViews.records[VIEW_FRONT].imageName, "side_view");
  const auto answer = [&](const char* label, const char* name) {
    Press(label);
    ASSERT_EQ(OpenTextEntry.open, 1) << label;
    EXPECT_EQ(OpenTextEntry.maxLength, 32) << "a scheme's name takes up to 32 characters";
    ASSERT_EQ(ConfirmTextEntry(name), 1);
    if (OpenTextEntry.open && TextEntryDialogSub.state == ENTRY_ASK_OVERWRITE) TextEntryConfirm();
    screen.sub = screen.sub ? screen.sub->act(screen.sub) : nullptr;
  };
  answer("save scm", "studio");
  ASSERT_TRUE(std::filesystem::exists("data/bkg/studio.scm"));
  EditViews.records[VIEW_FRONT].scale = 1.0f;
  EditViews.records[VIEW_FRONT].imageName[0] = 0;
  answer("load scm", "studio");
  EXPECT_EQ(EditViews.records[VIEW_FRONT].scale, 2.5f);
  EXPECT_STREQ(EditViews.records[VIEW_FRONT].imageName, "side_view");
}

TEST_F(EditViewsTest, ASchemeRoundTripsByteForByteThroughItsFile) {
  EditViewRecord records[EDIT_VIEW_COUNT];
  for (EditViewRecord& r : records) r.Clear();
  records[VIEW_TOP].kind = BACKGROUND_IMAGE;
  std::strcpy(records[VIEW_TOP].imageName, "plan_view");
  records[VIEW_TOP].position[0] = -12345;
  records[VIEW_TOP].position[1] = 0x28000;
  records[VIEW_TOP].position[2] = 7;
  records[VIEW_TOP].scale = 3.25f;
  records[VIEW_LEFT].kind = BACKGROUND_OPPOSITE;
  const std::vector<uint8_t> body = SchemeBody(records);
  EXPECT_EQ(body.size(), size_t(6 * 4 + 4 + 32 + 12 + 4));

  EditViewRecord back[EDIT_VIEW_COUNT];
  EXPECT_EQ(ReadScheme(body, back), EDIT_VIEW_COUNT);
  EXPECT_EQ(SchemeBody(back), body);
  EXPECT_STREQ(back[VIEW_TOP].imageName, "plan_view");
  EXPECT_EQ(back[VIEW_TOP].scale, 3.25f);
  EXPECT_EQ(back[VIEW_LEFT].kind, BACKGROUND_OPPOSITE);

  // Through the file, and into the shared records.
  std::memcpy(EditViews.records, records, sizeof records);
  ASSERT_EQ(SaveBackgroundScheme(nullptr, "data/bkg/mine.scm"), 1);
  for (EditViewRecord& r : EditViews.records) r.Clear();
  ASSERT_EQ(LoadBackgroundScheme(nullptr, "data/bkg/mine.scm"), 1);
  EXPECT_EQ(SchemeBody(EditViews.records), body);
  EXPECT_EQ(EditViews.records[VIEW_TOP].position[1], 0x28000);
  // A file of another kind changes nothing.
  std::ofstream("data/bkg/other.scm", std::ios::binary) << "QXEOBJ\x00\xF6 whatever";
  EXPECT_EQ(LoadBackgroundScheme(nullptr, "data/bkg/other.scm"), 0);
  EXPECT_EQ(EditViews.records[VIEW_TOP].kind, BACKGROUND_IMAGE);
}

TEST_F(EditViewsTest, AnEarlyEndKeepsTheRecordsReadAndFaultyRecordsAreCleared) {
  EditViewRecord records[EDIT_VIEW_COUNT];
  for (EditViewRecord& r : records) r.Clear();
  records[VIEW_FRONT].kind = BACKGROUND_IMAGE;
  std::strcpy(records[VIEW_FRONT].imageName, "front");
  records[VIEW_BACK].kind = BACKGROUND_OPPOSITE;
  records[VIEW_RIGHT].kind = BACKGROUND_IMAGE;
  std::strcpy(records[VIEW_RIGHT].imageName, "right");
  std::vector<uint8_t> body = SchemeBody(records);

  // Cut inside the right view's record: the views before it stay, it is cleared.
  EditViewRecord back[EDIT_VIEW_COUNT];
  std::vector<uint8_t> cut(body.begin(), body.begin() + 4 + 56 + 4 + 4 + 20);
  EXPECT_EQ(ReadScheme(cut, back), 3);
  EXPECT_STREQ(back[VIEW_FRONT].imageName, "front");
  EXPECT_EQ(back[VIEW_BACK].kind, BACKGROUND_OPPOSITE);
  EXPECT_EQ(back[VIEW_RIGHT].kind, BACKGROUND_NONE);

  // A kind outside 0..2 clears its record and stops the reading, with a message.
  std::vector<uint8_t> unknown = body;
  unknown[56] = 7;  // the back view's kind
  for (EditViewRecord& r : back) r.kind = 99;
  EXPECT_EQ(ReadScheme(unknown, back), 2);
  EXPECT_EQ(back[VIEW_BACK].kind, BACKGROUND_NONE);
  EXPECT_EQ(back[VIEW_RIGHT].kind, 99) << "nothing after it is read";
  EXPECT_TRUE(HasMessage("test.scm : unknown background kind 7 in view 2"));

  // A name that would leave the folder clears its record; a name of 32 characters keeps a
  // terminator (31 of them are kept).
  std::vector<uint8_t> named = body;
  std::memcpy(&named[4 + 4], "..\\..\\secret", 12);
  std::memset(&named[64], 'r', 32);  // the right view's name
  EXPECT_EQ(ReadScheme(named, back), EDIT_VIEW_COUNT);
  EXPECT_EQ(back[VIEW_FRONT].kind, BACKGROUND_NONE);
  EXPECT_TRUE(HasMessage("test.scm : background name ..\\..\\secret is not a plain file name"));
  EXPECT_EQ(back[VIEW_RIGHT].kind, BACKGROUND_IMAGE);
  EXPECT_EQ(std::strlen(back[VIEW_RIGHT].imageName), size_t(31));
}

namespace {
int g_boxesFinished = 0;
void CountBox(void*) { ++g_boxesFinished; }

MouseRecord Press(int click) {
  MouseRecord m{};
  m.clickCode = click;
  m.leftHeld = click == CLICK_LEFT;
  m.rightHeld = click == CLICK_RIGHT;
  return m;
}
}  // namespace

TEST_F(EditViewsTest, TheMouseDrawsTheDragBoxPansAndZoomsA2DView) {
  ScreenWidth = 800, ScreenHeight = 600;
  SelectEditView(VIEW_FRONT);
  EditViews.width = 8 << 16;  // 100 pixels a metre
  for (int32_t& p : CurrentView->position) p = 0;  // the screen's centre on the origin
  SetEditViewProjection(0);
  DragBox& box = EditViews.dragBox;
  box.callback = CountBox;
  g_boxesFinished = 0;
  // A right press and release without moving: a point, no box and no call.
  MouseX = 500, MouseY = 200;
  MouseRecord m = Press(CLICK_RIGHT);
  HandleEditViewMouse(&m, 0);
  EXPECT_EQ(box.state, DRAG_BOX_DRAGGING);
  // Both corners start under the pointer.
  EXPECT_NE(box.viewCorners[0][0], 0);
  EXPECT_EQ(box.viewCorners[1][0], box.viewCorners[0][0]);
  EXPECT_EQ(box.viewCorners[1][1], box.viewCorners[0][1]);
  EXPECT_EQ(box.worldCorners[1][0], box.worldCorners[0][0]);
  EXPECT_EQ(box.worldCorners[1][2], box.worldCorners[0][2]);
  // 100 pixels right of the centre and 100 up: 1 m across and 1 m up, which the front view
  // (world x to the left) puts at x = -1 m, z = 1 m.
  EXPECT_NEAR(box.worldCorners[0][0], -(1 << 16), 700);
  EXPECT_NEAR(box.worldCorners[0][2], 1 << 16, 700);
  MouseRecord up{};
  HandleEditViewMouse(&up, 0);
  EXPECT_EQ(box.state, DRAG_BOX_POINT);
  EXPECT_EQ(g_boxesFinished, 0);
  // A dragged box: its corners 1 m across and 0.5 m up; the modeller's call is made.
  m = Press(CLICK_RIGHT);
  HandleEditViewMouse(&m, 0);
  MouseX = 600, MouseY = 150;
  MouseRecord drag{};
  drag.rightHeld = 1;
  HandleEditViewMouse(&drag, 0);
  HandleEditViewMouse(&up, 0);
  EXPECT_EQ(box.state, DRAG_BOX_DONE);
  EXPECT_EQ(g_boxesFinished, 1);
  EXPECT_NEAR(box.viewCorners[1][0] - box.viewCorners[0][0], 1 << 16, 700);
  EXPECT_NEAR(box.viewCorners[1][1] - box.viewCorners[0][1], 1 << 15, 700);
  // The front view looks along -y with world x to the left: the corners in the world.
  EXPECT_NEAR(box.worldCorners[1][0] - box.worldCorners[0][0], -(1 << 16), 700);
  EXPECT_NEAR(box.worldCorners[1][2] - box.worldCorners[0][2], 1 << 15, 700);
  // A drag straight across (same height) and one straight up (same place across) are boxes
  // too: a point needs both corners the same.
  for (const auto& to : {std::pair<int, int>{700, 150}, std::pair<int, int>{700, 50}}) {
    m = Press(CLICK_RIGHT);
    HandleEditViewMouse(&m, 0);
    MouseX = to.first, MouseY = to.second;
    HandleEditViewMouse(&drag, 0);
    HandleEditViewMouse(&up, 0);
    EXPECT_EQ(box.state, DRAG_BOX_DONE) << to.first << ", " << to.second;
  }
  EXPECT_EQ(g_boxesFinished, 3);
  EXPECT_EQ(EditView::IsCurrent(box.code), 1);
  SelectEditView(VIEW_BACK);
  EXPECT_EQ(EditView::IsCurrent(box.code), 1) << "shown in the back view too";
  SelectEditView(VIEW_TOP);
  EXPECT_EQ(EditView::IsCurrent(box.code), 0) << "not in the top view";

  // A left drag pans: the first motion only arms it.
  SelectEditView(VIEW_FRONT);
  SetEditViewProjection(0);
  const int32_t x0 = CurrentView->position[0];
  m = Press(CLICK_LEFT);
  HandleEditViewMouse(&m, 0);
  MouseRecord move{};
  move.leftHeld = 1;
  move.dx = 50;
  HandleEditViewMouse(&move, 0);
  EXPECT_EQ(CurrentView->position[0], x0);
  HandleEditViewMouse(&move, 0);
  EXPECT_NEAR(CurrentView->position[0] - x0, 1 << 15, 700) << "50 pixels right moves the view 0.5 m along +x";
  // The wheel zooms the view; with "adjust" on it scales the picture instead.
  MouseRecord wheel{};
  wheel.wheel = 2;
  HandleEditViewMouse(&wheel, 0);
  EXPECT_EQ(EditViews.width, 10 << 16);
  EditViewRecord& r = EditViews.records[VIEW_FRONT];
  r.kind = BACKGROUND_IMAGE;
  r.scale = 2.0f;
  r.position[0] = 16 << 16;
  EditViews.adjust = 1;
  wheel.wheel = 1;
  HandleEditViewMouse(&wheel, 0);
  EXPECT_EQ(EditViews.width, 10 << 16);
  EXPECT_NEAR(r.scale, 2.0 / (1.0 + 0.125 / 16.0), 1e-5);
  EXPECT_NEAR(r.position[0], (16 << 16) / (1.0 + 0.125 / 16.0), 1.0);
  // The under view, the last with a picture of its own, scales its picture the same way.
  SelectEditView(VIEW_UNDER);
  SetEditViewProjection(0);
  EditViewRecord& under = EditViews.records[VIEW_UNDER];
  under.kind = BACKGROUND_IMAGE;
  under.scale = 2.0f;
  EditViews.adjust = 1;  // a change of view stops adjusting
  const int32_t underWidth = EditViews.width;
  HandleEditViewMouse(&wheel, 0);
  EXPECT_NEAR(under.scale, 2.0 / (1.0 + 0.125 / 16.0), 1e-5);
  EXPECT_EQ(EditViews.width, underWidth);
  ScreenWidth = ScreenHeight = 0;
}

// Each frame the perspective view looks along its own heading and pitch: the direction back
// to the eye is +y turned by the heading round z, then raised by the pitch.
TEST_F(EditViewsTest, ThePerspectiveViewTakesItsDirectionFromItsHeadingAndPitchEachFrame) {
  ScreenWidth = 800, ScreenHeight = 600;
  SelectEditView(VIEW_PERSPECTIVE);
  ASSERT_EQ(EditViews.width, 0);
  CurrentView->heading = 0x2000;  // an eighth of a turn
  CurrentView->pitch = 0x1000;    // a sixteenth of a turn
  CurrentView->roll = 0;
  CurrentView->direction[0] = 0.0f, CurrentView->direction[1] = 0.0f, CurrentView->direction[2] = 1.0f;
  SetEditViewProjection(0);
  const double turn = 2.0 * std::acos(-1.0), h = turn / 8.0, p = turn / 16.0;
  EXPECT_NEAR(CurrentView->direction[0], -std::cos(p) * std::sin(h), 1e-3);  // -0.6533
  EXPECT_NEAR(CurrentView->direction[1], std::cos(p) * std::cos(h), 1e-3);   // 0.6533
  EXPECT_NEAR(CurrentView->direction[2], std::sin(p), 1e-3);                 // 0.3827
  ScreenWidth = ScreenHeight = 0;
}

// Back in the perspective view after a 2D one, the frame's view axes are the perspective
// view's own, not the 2D view's left over: forward is the direction back to the eye reversed
// and right lies level, square to it.  Heading an eighth of a turn, pitch a sixteenth: the
// direction is (-0.6533, 0.6533, 0.3827), so forward (0.6533, -0.6533, -0.3827) and right
// (-0.7071, -0.7071, 0).
TEST_F(EditViewsTest, ThePerspectiveFrameTakesItsOwnAxesAfterA2DView) {
  ScreenWidth = 800, ScreenHeight = 600;
  SelectEditView(VIEW_TOP);
  SetEditViewProjection(0);
  SelectEditView(VIEW_PERSPECTIVE);
  ASSERT_EQ(EditViews.width, 0);
  CurrentView->heading = 0x2000;
  CurrentView->pitch = 0x1000;
  CurrentView->roll = 0;
  SetEditViewProjection(0);
  EXPECT_NEAR(ViewBasis[2][0], 0.6533, 1e-3);
  EXPECT_NEAR(ViewBasis[2][1], -0.6533, 1e-3);
  EXPECT_NEAR(ViewBasis[2][2], -0.3827, 1e-3);
  EXPECT_NEAR(ViewBasis[0][0], -0.7071, 1e-3);
  EXPECT_NEAR(ViewBasis[0][1], -0.7071, 1e-3);
  EXPECT_NEAR(ViewBasis[0][2], 0.0, 1e-3);
  ScreenWidth = ScreenHeight = 0;
}

// On a screen of no height (a window shrunk to nothing) a drag with both buttons and no
// vertical motion leaves the 2D view's width as it was.
TEST_F(EditViewsTest, BothButtonsWithoutMotionOnAScreenOfNoHeightKeepTheWidth) {
  ScreenWidth = 800, ScreenHeight = 0;
  SelectEditView(VIEW_FRONT);
  EditViews.width = 8 << 16;
  MouseRecord both{};
  both.leftHeld = both.rightHeld = 1;
  HandleEditViewMouse(&both, 0);
  EXPECT_EQ(EditViews.width, 8 << 16);
  ScreenWidth = 0;
}

// The grid and the drag box lie in world space whatever was drawn before them: the world
// matrix an object left is set back to the identity first, in the ground grid and the axis
// views' turned grids alike.
TEST_F(EditViewsTest, TheGridAndTheDragBoxAreDrawnWithTheIdentityWorldMatrix) {
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const auto leftByAnObject = [] {
    for (int i = 0; i < 16; ++i) WorldMatrix[i] = float(i + 2);
  };
  EditViews.gridChoice = GRID_TEN_METRES;
  for (int view : {VIEW_FRONT, VIEW_RIGHT, VIEW_TOP}) {
    SelectEditView(view);
    leftByAnObject();
    DrawEditViewGrid();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(WorldMatrix[i], identity[i]) << "grid of view " << view << ", element " << i;
  }
  EditViews.dragBox.state = DRAG_BOX_DONE;
  EditViews.dragBox.code = CurrentViewCode();
  leftByAnObject();
  DrawEditViewDragBox();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(WorldMatrix[i], identity[i]) << "drag box, element " << i;
  EditViews.dragBox = DragBox{};
}

// The matrix the grid's lines go through is the view's own: world space, so the shader's
// matrix row holds view x projection (transposed), not what an object uploaded before it.
TEST_F(EditViewsTest, TheGridIsDrawnThroughTheViewAndProjectionAlone) {
  ASSERT_NE(VSConstants[VS_ROW_MATRIX].data, nullptr);
  ScreenWidth = 800, ScreenHeight = 600;
  EditViews.gridChoice = GRID_TEN_METRES;
  for (int view : {VIEW_FRONT, VIEW_RIGHT, VIEW_TOP}) {
    SelectEditView(view);
    SetEditViewProjection(0);
    // An object moved 100 m off and turned, uploaded as the last thing drawn.
    const float moved[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 100, 0, 0, 1};
    std::memcpy(WorldMatrix, moved, sizeof moved);
    UploadViewMatrices();
    DrawEditViewGrid();
    // view x projection in double; the row holds it transposed.
    double expected[4][4] = {};
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 4; ++k) expected[r][c] += double(ViewMatrix[r * 4 + k]) * ProjectionMatrix[k * 4 + c];
    float row[16];
    std::memcpy(row, VSConstants[VS_ROW_MATRIX].data, sizeof row);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(row[c * 4 + r], expected[r][c], 1e-5 * (1.0 + std::fabs(expected[r][c])))
            << "view " << view << ", element " << r << c;
  }
  ScreenWidth = ScreenHeight = 0;
}

namespace {
class EditViewsOnDevice : public OnNullDevice<EditViewsTest> {};
}  // namespace

// The top and under views draw the ground grid with its axes: with the metre grid, 50 steps of
// 1 m each way, lines at -50 .. 50 m.  The 100 positions off the centre give two lines each
// (one along y, one along x), 200 lines; the centre gives the two axes with two arrow-head
// strokes each, 6 lines: 206 lines, 412 vertices, all at z = 0.  The first is the line along y
// at x = -50 m, from (-50, -50) to (-50, 50); the next the line along x at y = -50 m.
TEST_F(EditViewsOnDevice, TheTopAndUnderViewsDrawTheGroundGridWithItsAxes) {
  ASSERT_TRUE(NullDevice::ready_);
  const int grid = EditViews.gridChoice;
  const int view = EditView::IndexFromCode(CurrentViewCode());
  EditViews.gridChoice = GRID_METRE;
  for (int shown : {VIEW_TOP, VIEW_UNDER}) {
    SelectEditView(shown);
    // A batch of our own stays open through the grid, so its lines can be read before drawing.
    ASSERT_EQ(BeginLineBatch3D(), 1);
    DrawEditViewGrid();
    ASSERT_EQ(StreamLines3D.vertexCount, 412u) << "view " << shown;
    const uint8_t* first = StreamLines3D.vertexWrite - size_t(StreamLines3D.vertexCount) * sizeof(VertexLine3D);
    std::vector<VertexLine3D> v(StreamLines3D.vertexCount);
    std::memcpy(v.data(), first, v.size() * sizeof(VertexLine3D));
    EndLineBatch3D();
    EXPECT_EQ(v[0].x, -50.0f);
    EXPECT_EQ(v[0].y, -50.0f);
    EXPECT_EQ(v[1].x, -50.0f);
    EXPECT_EQ(v[1].y, 50.0f);
    EXPECT_EQ(v[2].x, -50.0f);
    EXPECT_EQ(v[2].y, -50.0f);
    EXPECT_EQ(v[3].x, 50.0f);
    EXPECT_EQ(v[3].y, -50.0f);
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(v[i].z, 0.0f) << "view " << shown << ", vertex " << i;
  }
  EditViews.gridChoice = grid;
  SelectEditView(view);
}

// A view's own background picture is drawn in each 2D view that has one, the front (the first
// such view) and the under view (the last) alike: in world space, so the world matrix an object
// left is set back to the identity, and the pending depth, raster and blend states are put back
// afterwards.  The perspective view and a view without a picture draw nothing.
TEST_F(EditViewsTest, ABackgroundPictureIsDrawnInTheFrontAndUnderViewsAndInNoOther) {
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ZKTETexture picture{};
  RenderStateTable& states = RenderStates;
  const int saved[3] = {states.pendingDepth, states.pendingRaster, states.pendingBlend};
  const auto drawn = [&](int view, bool withPicture) {
    SelectEditView(view);
    EditViewRecord& r = EditViews.records[view];
    r.kind = BACKGROUND_IMAGE;
    r.texture = withPicture ? &picture : nullptr;
    for (int i = 0; i < 16; ++i) WorldMatrix[i] = float(i + 2);
    states.pendingDepth = 2, states.pendingRaster = 3, states.pendingBlend = 4;
    DrawEditViewBackground();
    r.texture = nullptr;  // the picture is the test's, not the table's
    EXPECT_EQ(states.pendingDepth, 2) << "view " << view;
    EXPECT_EQ(states.pendingRaster, 3) << "view " << view;
    EXPECT_EQ(states.pendingBlend, 4) << "view " << view;
    return std::equal(WorldMatrix, WorldMatrix + 16, identity);
  };
  EXPECT_TRUE(drawn(VIEW_FRONT, true));
  EXPECT_TRUE(drawn(VIEW_UNDER, true));
  EXPECT_FALSE(drawn(VIEW_UNDER, false));
  EXPECT_FALSE(drawn(VIEW_PERSPECTIVE, true));
  states.pendingDepth = saved[0], states.pendingRaster = saved[1], states.pendingBlend = saved[2];
}

TEST_F(EditViewsTest, TexturesAreReadyOnlyCompressedAndNotReloading) {
  const int compressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  EXPECT_EQ(CheckTexturesReady(&screen), 0);
  EXPECT_STREQ(MessageBoxDialog.first, "You must enable compressed textures");
  ResetDialogs();
  CfgCompressedTex = 1;
  EXPECT_EQ(CheckTexturesReady(&screen), 1);
  CfgCompressedTex = compressed;
}

TEST_F(EditViewsTest, HeldArrowsPanA2DViewByItsWidthEach1200MsOneKeyAtATime) {
  SelectEditView(VIEW_FRONT);
  FrameEditView(1 << 16, 0);  // away from the world's edge, where a test before may have left it
  ASSERT_NE(EditViews.width, 0);
  const double width = EditViews.width;
  // The view's move over one frame with the keys held (up, down, right, left).
  const auto pan = [](std::array<int, 4> held, uint32_t ms) {
    std::copy(held.begin(), held.end(), ArrowKeysHeld);
    const std::array<int64_t, 3> before = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
    SetEditViewProjection(ms);
    std::fill(ArrowKeysHeld, ArrowKeysHeld + 4, 0);
    return std::array<int64_t, 3>{CurrentView->position[0] - before[0], CurrentView->position[1] - before[1],
                                  CurrentView->position[2] - before[2]};
  };
  const auto length = [](const std::array<int64_t, 3>& v) {
    return std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  };
  const auto left = pan({0, 0, 0, 1}, 1200), right = pan({0, 0, 1, 0}, 1200);
  const auto down = pan({0, 1, 0, 0}, 600), up = pan({1, 0, 0, 0}, 600);
  EXPECT_NEAR(length(left), width, 2.0) << "the view's width in 1.2 s";
  EXPECT_NEAR(length(up), width / 2, 2.0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(left[i], -right[i]) << i;
    EXPECT_EQ(up[i], -down[i]) << i;
  }
  EXPECT_NEAR(double(left[0]) * up[0] + double(left[1]) * up[1] + double(left[2]) * up[2], 0.0, 1.0)
      << "across and up the view";
  // One key counts: left before right before down before up.
  EXPECT_EQ(pan({1, 1, 1, 1}, 1200), left);
  EXPECT_EQ(pan({1, 1, 1, 0}, 1200), right);
  EXPECT_EQ(pan({1, 1, 0, 0}, 600), down);
  // With Shift or Ctrl the arrows turn the view instead; without time nothing moves.
  ShiftHeld = 1;
  EXPECT_EQ(pan({0, 0, 0, 1}, 1200), (std::array<int64_t, 3>{0, 0, 0}));
  ShiftHeld = 0;
  EXPECT_EQ(pan({0, 0, 0, 1}, 0), (std::array<int64_t, 3>{0, 0, 0}));
}

TEST_F(EditViewsTest, A2DViewsWidthStaysBetweenASixtyFourthOfAMetreAndTheLargestNumber) {
  SelectEditView(VIEW_FRONT);
  FrameEditView(0, 0);
  EXPECT_EQ(EditViews.width, 1024) << "a 64th of a metre at least";
  FrameEditView(511, 0);
  EXPECT_EQ(EditViews.width, 1024);
  FrameEditView(600, 0);
  EXPECT_EQ(EditViews.width, 1200) << "twice the framed size";
  FrameEditView(600, 3 << 16);
  EXPECT_EQ(CurrentView->position[0], 0) << "centred on the height given";
  EXPECT_EQ(CurrentView->position[1], 0);
  EXPECT_EQ(CurrentView->position[2], 3 << 16);
  FrameEditView(INT32_MAX, 0);
  EXPECT_EQ(EditViews.width, INT32_MAX) << "no wrap round";
  MouseRecord out{};
  out.wheel = 2;
  HandleEditViewMouse(&out, 0);
  EXPECT_EQ(EditViews.width, INT32_MAX) << "zooming out stops there";
  FrameEditView(1 << 15, 0);  // 1 m across
  MouseRecord in{};
  in.wheel = 1;
  for (int i = 0; i < 30; ++i) HandleEditViewMouse(&in, 0);
  EXPECT_EQ(EditViews.width, 1024) << "zooming in stops at the least";
}

TEST_F(EditViewsTest, APerspectiveFrameTooLargeForTheDistanceKeepsTheCameraOnItsSide) {
  ASSERT_EQ(EditViews.width, 0) << "the perspective view";
  FrameEditView(2 << 16, 0);
  const int32_t near[3] = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  // Three times the largest number over the field's scale: the distance is held at the
  // largest, so the camera backs away along the same line, never past the target.
  FrameEditView(INT32_MAX, 0);
  int checked = 0;
  for (int i = 0; i < 3; ++i) {
    if (std::abs(near[i]) < 65536) continue;
    ++checked;
    EXPECT_EQ(CurrentView->position[i] > 0, near[i] > 0) << "axis " << i;
    EXPECT_GT(std::llabs(int64_t(CurrentView->position[i])), std::llabs(int64_t(near[i]))) << "axis " << i;
  }
  EXPECT_GT(checked, 0);
}

// A view label is centred on its point, as wide as its text and two margins (at least a
// button), one row high; off the screen's edge it moves in by half rows to the nearest place.
TEST(ViewLabels, ALabelIsCentredOnItsPointOrTheNearestPlaceOnTheScreen) {
  SetInterfaceMetrics();
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1280, ScreenHeight = 960;
  const auto widthOf = [](const char* text) {
    const float savedScale = TextHorizontalScale;
    TextHorizontalScale = 1.0f;
    const double measured = std::ceil(TextWidth(text, CurrentCodePage, float(TextSize)));
    TextHorizontalScale = savedScale;
    return std::max(ButtonWidth, int(measured) + 2 * InterfaceScaleRounded);
  };
  const char* const longText = "the left rear door's lower hinge";
  const int w = widthOf(longText), h = ButtonHeight, step = std::max(1, h / 2);
  ASSERT_GT(w, ButtonWidth) << "the text is wider than a button";
  ClearInterface();
  ASSERT_GE(AddViewLabel(nullptr, 400, 300, 7, longText, 0, nullptr, nullptr, nullptr), 0);
  const InterfaceButton& a = InterfaceButtons[ButtonCount - 1];
  EXPECT_EQ(a.left, 400 - w / 2);
  EXPECT_EQ(a.top, 300 - h / 2);
  EXPECT_EQ(a.right - a.left, w);
  EXPECT_EQ(a.bottom - a.top, h);
  EXPECT_EQ(a.word, 7u);
  // A one-letter label is a button wide.
  ClearInterface();
  AddViewLabel(nullptr, 400, 300, 0, "a", 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].right - InterfaceButtons[ButtonCount - 1].left,
            std::max(ButtonWidth, widthOf("a")));
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].style, BUTTON_STYLE_TEXT);
  // A halo label's text is three quarters of the size (not under the least): a long one is
  // that much narrower, a one-letter one a row square.
  ASSERT_GE(0.75f * float(TextSize), LEAST_TEXT_PIXELS);
  ClearInterface();
  AddViewLabel(nullptr, 400, 300, 0, longText, 0, nullptr, nullptr, nullptr, BUTTON_STYLE_HALO_TEXT);
  const InterfaceButton& halo = InterfaceButtons[ButtonCount - 1];
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale = 1.0f;
  const int haloWidth =
      int(std::ceil(TextWidth(longText, CurrentCodePage, 0.75f * float(TextSize)))) + 2 * InterfaceScaleRounded;
  TextHorizontalScale = savedScale;
  EXPECT_EQ(halo.style, BUTTON_STYLE_HALO_TEXT);
  EXPECT_EQ(halo.right - halo.left, haloWidth);
  EXPECT_LT(haloWidth, w);
  EXPECT_EQ(halo.left, 400 - haloWidth / 2);
  EXPECT_EQ(halo.bottom - halo.top, h);
  ClearInterface();
  AddViewLabel(nullptr, 400, 300, 0, "a", 0, nullptr, nullptr, nullptr, BUTTON_STYLE_HALO_TEXT);
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].right - InterfaceButtons[ButtonCount - 1].left, h);
  // At the right edge: moved left by whole half rows until it fits, its row kept.
  ClearInterface();
  AddViewLabel(nullptr, 1280, 300, 0, longText, 0, nullptr, nullptr, nullptr);
  const InterfaceButton& b = InterfaceButtons[ButtonCount - 1];
  const int centreLeft = 1280 - w / 2;
  const int r = (centreLeft + w - 1280 + step - 1) / step;  // the half rows it must move
  EXPECT_EQ(b.left, centreLeft - r * step);
  EXPECT_LE(b.right, 1280);
  EXPECT_GT(b.right + step, 1280) << "no further than needed";
  EXPECT_EQ(b.top, 300 - h / 2);
  // Touching the edges is on the screen: such labels stay where they are.
  ClearInterface();
  AddViewLabel(nullptr, float(1280 - w + w / 2), float(960 - h + h / 2), 0, longText, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].right, 1280);
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].bottom, 960);
  ClearInterface();
  AddViewLabel(nullptr, float(w / 2), float(h / 2), 0, longText, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].left, 0);
  EXPECT_EQ(InterfaceButtons[ButtonCount - 1].top, 0);
  ClearInterface();
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
}

// A label keeps its centred place beside buttons that do not cover it, and steps off one that
// does.
TEST(ViewLabels, ALabelStepsAsideOnlyForAButtonOnItsPlace) {
  SetInterfaceMetrics();
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1280, ScreenHeight = 960;
  const int h = ButtonHeight, step = std::max(1, h / 2);
  const auto button = [](int left, int top, int right, int bottom) {
    AddButton(nullptr, left, top, right, bottom, 0, IvText("x"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr,
              nullptr, nullptr);
  };
  // One button straight above the place, one straight to its left, each clear of it.
  ClearInterface();
  button(380, 100, 420, 100 + h);
  button(100, 290, 150, 290 + h);
  AddViewLabel(nullptr, 400, 300, 0, "a", 0, nullptr, nullptr, nullptr);
  const InterfaceButton& kept = InterfaceButtons[ButtonCount - 1];
  const int w = kept.right - kept.left;
  EXPECT_EQ(kept.left, 400 - w / 2);
  EXPECT_EQ(kept.top, 300 - h / 2);
  // A button on the place itself: the label takes a clear place a row off (two half rows),
  // touching the button's edge at most.
  ClearInterface();
  button(400 - w / 2, 300 - h / 2, 400 - w / 2 + w, 300 - h / 2 + h);
  AddViewLabel(nullptr, 400, 300, 0, "a", 0, nullptr, nullptr, nullptr);
  const InterfaceButton& moved = InterfaceButtons[ButtonCount - 1];
  const int dx = std::abs(moved.left - (400 - w / 2)), dy = std::abs(moved.top - (300 - h / 2));
  EXPECT_TRUE(dx >= w - 1 || dy >= h - 1) << "clear of the button: " << dx << ", " << dy;
  EXPECT_LE(std::max(dx, dy), std::max(2 * step, ((w + step - 1) / step) * step)) << "the nearest clear ring";
  ClearInterface();
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
}

// A button sharing a single pixel with the label's place, across or down, leaves it there; two
// pixels move it.  A button of an earlier frame (past the frame's count) is no button.  When
// every nearest place is covered, the first in reading order (the one a row up) is taken.
TEST(ViewLabels, ALabelStaysBesideAOnePixelOverlapAndTakesTheFirstNearestPlace) {
  SetInterfaceMetrics();
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1280, ScreenHeight = 960;
  const int h = ButtonHeight;
  const auto button = [](int left, int top, int right, int bottom) {
    AddButton(nullptr, left, top, right, bottom, 0, IvText("x"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr,
              nullptr, nullptr);
  };
  ClearInterface();
  AddViewLabel(nullptr, 400, 300, 0, "a", 0, nullptr, nullptr, nullptr);
  const int w = InterfaceButtons[0].right - InterfaceButtons[0].left;
  const int left = 400 - w / 2, top = 300 - h / 2;  // the centred place
  const auto placed = [&] {
    AddViewLabel(nullptr, 400, 300, 0, "a", 0, nullptr, nullptr, nullptr);
    const InterfaceButton& b = InterfaceButtons[ButtonCount - 1];
    return std::vector<int>{b.left - left, b.top - top};
  };
  // One pixel into the place from the right, the full height: kept.
  ClearInterface();
  button(left + w - 1, top, left + w + 40, top + h);
  EXPECT_EQ(placed(), (std::vector<int>{0, 0})) << "a pixel across";
  ClearInterface();
  button(left, top + h - 1, left + w, top + h + 40);
  EXPECT_EQ(placed(), (std::vector<int>{0, 0})) << "a pixel down";
  ClearInterface();
  button(left + w - 2, top + h - 2, left + w + 40, top + h + 40);
  EXPECT_NE(placed(), (std::vector<int>{0, 0})) << "two pixels each way";
  // The covering button of the last frame is gone with it.
  ClearInterface();
  button(left, top, left + w, top + h);
  ClearInterface();
  EXPECT_EQ(placed(), (std::vector<int>{0, 0})) << "an earlier frame's button";
  // Covered: every place half a row off still overlaps; of the places a row off (up, left,
  // right, down) the one a row up comes first.
  ClearInterface();
  button(left, top, left + w, top + h);
  EXPECT_EQ(placed(), (std::vector<int>{0, -2 * std::max(1, h / 2)}));
  ClearInterface();
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
}

// A drag box reaching the most negative x is seen in the front view (right is -x) at the
// largest value, never wrapped round to the far side.
TEST_F(EditViewsTest, ADragBoxAtTheEdgeOfTheWorldIsHeldAtTheLargestViewValue) {
  ScreenWidth = 800, ScreenHeight = 600;
  SelectEditView(VIEW_FRONT);
  EditViews.width = 8 << 16;
  SetEditViewProjection(0);
  DragBox& box = EditViews.dragBox;
  box.state = DRAG_BOX_DONE;
  box.code = CurrentViewCode();
  const int32_t corners[2][3] = {{INT32_MIN, 0, 0}, {1 << 16, 0, 1 << 16}};
  std::memcpy(box.worldCorners, corners, sizeof corners);
  DrawEditViewDragBox();
  EXPECT_EQ(box.viewCorners[0][0], INT32_MAX);
  EXPECT_EQ(box.viewCorners[1][0], -(1 << 16));
  EXPECT_EQ(box.viewCorners[1][1], 1 << 16);
  box = DragBox{};
}

// The other way round: the pointer at the most negative view x of the front view (right is -x)
// is the largest world x, never wrapped round to the most negative one.  The view's centre sits
// at x = 0x7FFF0000, which the front view sees at -2147418112; the pointer 100 pixels left of
// the screen's centre adds -100 * (8 << 16) / 800 = -65536: -2147483648 in the view, and
// +2147483648 in the world, one past the largest number.
TEST_F(EditViewsTest, APointerAtTheEdgeOfTheViewIsHeldAtTheLargestWorldValue) {
  ScreenWidth = 800, ScreenHeight = 600;
  SelectEditView(VIEW_FRONT);
  EditViews.width = 8 << 16;  // 100 pixels a metre
  CurrentView->position[0] = 0x7FFF0000;
  CurrentView->position[1] = CurrentView->position[2] = 0;
  SetEditViewProjection(0);
  DragBox& box = EditViews.dragBox;
  MouseX = 300, MouseY = 300;
  MouseRecord m = Press(CLICK_RIGHT);
  HandleEditViewMouse(&m, 0);
  ASSERT_EQ(box.state, DRAG_BOX_DRAGGING);
  EXPECT_EQ(box.viewCorners[0][0], INT32_MIN);
  EXPECT_EQ(box.worldCorners[0][0], INT32_MAX);
  EXPECT_EQ(box.worldCorners[1][0], INT32_MAX);
  box = DragBox{};
}
