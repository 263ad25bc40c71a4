// interface_layout_test.cpp - what the user can read: message and status lines drawn over the
// rows in a free place, pixel-button labels kept inside their buttons, and texts standing out
// from what lies under them.  The frame's record (ui/draw_record.h) is read on the null
// device with the fixed-width character set: every glyph advances 7/12 of the text size, a
// blank 1/3.  Expected alphas are worked by hand from WCAG 2's luminance: a black backing of
// alpha a over white leaves luminance 1 - a; 200 grey is 0.578; the interface aims at 4.6.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <algorithm>
#include <iterator>
#include <string>
#include <set>
#include <vector>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "render/draw2d.h"
#include "render/frame.h"
#include "render/render_target.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/fixed_width_text.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/contrast.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/interface_local.h"
#include "ui/screen_labels.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

constexpr int WIDTH = 1000, HEIGHT = 800;

Prss* OwnerAct(Prss* p) {
  Prss_ActSub(p);
  return p;
}

class InterfaceLayout : public NullRenderer {
 protected:
  Prss owner{};
  int savedWidth = 0, savedHeight = 0, savedMode = 0;
  void SetUp() override {
    NullRenderer::SetUp();
    savedMetrics_.assign(std::begin(CharMetrics), std::end(CharMetrics));
    savedRecords_.assign(std::begin(CodePageRecords), std::end(CodePageRecords));
    savedText_ = {LetterSpacing, TextSizeFactor, CurrentCodePage, TextDrawCursor, GlyphMode};
    UseFixedWidthCharacterSet();
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, 1);
    LetterSpacing = 1.0f / 12.0f;
    TextSizeFactor = 1.0f;
    CurrentCodePage = 0;
    TextDrawCursor = TEXT_CURSOR_NONE;  // every text drawn as it is, in its glyphs' own boxes
    GlyphMode = GLYPH_MODE_PLAIN;
    savedWidth = ScreenWidth;
    savedHeight = ScreenHeight;
    ScreenWidth = WIDTH;
    ScreenHeight = HEIGHT;
    Projection.aspect = float(HEIGHT) / float(WIDTH);
    Projection.inverseAspect = float(WIDTH) / float(HEIGHT);
    TextHorizontalScale = Projection.aspect;
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    savedMode = FrameClear.mode;
    FrameClear.mode = 2;  // an editor's view behind: a scene of any colour
    SetDefaultTextColours();
    InterfaceColours = InterfaceColourSettings{};
    ApplyInterfaceColours();
    SetInterfaceMetrics();
    ResetInterfaceState();
    ResetDialogs();
    ResetMessages();
    EmptyTextBatches();
    ResetDraw2D();
    FrameSkipped = 0;
    DrawRecording = 1;
    Prss_Init(&owner, nullptr, OwnerAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
    Prss_MakeCurrent(&owner);
  }
  void TearDown() override {
    DrawRecording = 0;
    ResetDialogs();
    ResetInterfaceState();
    ResetMessages();
    EmptyTextBatches();
    ResetDraw2D();
    FrameClear.mode = savedMode;
    ScreenWidth = savedWidth;
    ScreenHeight = savedHeight;
    Projection = FrameProjection{};
    TextHorizontalScale = 1.0f;
    CurrentProcess = nullptr;
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, !CODE_PAGES[page].doubleByte);
    // The character set, the spacing, the size factor, the code page, the cursor word and the
    // glyph mode in place before are put back.
    std::copy(savedMetrics_.begin(), savedMetrics_.end(), std::begin(CharMetrics));
    std::copy(savedRecords_.begin(), savedRecords_.end(), std::begin(CodePageRecords));
    LetterSpacing = savedText_.letterSpacing;
    TextSizeFactor = savedText_.sizeFactor;
    CurrentCodePage = savedText_.codePage;
    TextDrawCursor = savedText_.cursor;
    GlyphMode = savedText_.glyphMode;
  }
  struct SavedText {
    float letterSpacing, sizeFactor;
    int codePage;
    int32_t cursor;
    uint8_t glyphMode;
  };
  std::vector<GlyphMetrics> savedMetrics_;
  std::vector<CodePageRecord> savedRecords_;
  SavedText savedText_{};
  // One frame as the frame loop draws it: the tables filled, the interface, then the buttons.
  void Frame(void (*addRows)(Prss*) = nullptr) {
    ClearInterface();
    owner.act(&owner);
    if (addRows) addRows(&owner);
    DrawInterface();
    FlushDraw2D();
    ResetDraw2D();
    DrawButtons();
  }
  // A text's rows as drawn: its characters shared out over its spans (one a row for a text of
  // one colour) by the glyphs each runs over, blanks at either end left out.
  static std::vector<std::string> Rows(const DrawRecordEntry& e) {
    std::vector<std::string> rows;
    size_t c = 0;
    for (const DrawRecordSpan& span : e.spans) {
      std::string row;
      for (int glyphs = 0; c < e.text.size() && glyphs < span.glyphs; ++c) {
        glyphs += e.text[c] != ' ';
        row += e.text[c];
      }
      row.erase(0, row.find_first_not_of(' '));
      rows.push_back(row);
    }
    return rows;
  }
  static const DrawRecordEntry* Find(const char* text) {
    for (const DrawRecordEntry& e : DrawRecord)
      if (IsRecordedText(e.role) && e.text == text) return &e;
    return nullptr;
  }
  static int IndexOf(const DrawRecordEntry* e) { return int(e - DrawRecord.data()); }
  // The fill drawn last under the text's middle before it.
  static const DrawRecordEntry* Under(const DrawRecordEntry* text) {
    const float x = 0.5f * (text->left + text->right), y = 0.5f * (text->top + text->bottom);
    const DrawRecordEntry* under = nullptr;
    for (const DrawRecordEntry* e = DrawRecord.data(); e < text; ++e)
      if (!IsRecordedText(e->role) && x >= e->left && x < e->right && y >= e->top && y < e->bottom) under = e;
    return under;
  }
  static bool Meet(const DrawRecordEntry& a, float l, float t, float r, float b) {
    return a.left < r && l < a.right && a.top < b && t < a.bottom;
  }
};

// Two full rows of buttons across the top left, where the message lines usually stand.
void TopRows(Prss* owner) {
  AddButton(owner, 0, 0, 400, 24, 0, IvText("Vehicle Class"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
            nullptr);
  AddButton(owner, 0, 24, 400, 48, 1, IvText("Wheel Object"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
            nullptr);
}

}  // namespace

// ---- Messages ----

TEST_F(InterfaceLayout, MessageLinesAreDrawnAfterTheRowsInTheFreeBandBelowThem) {
  AddMessage("Could not load vehicle : Corrupted file HHalf", TextColours.error, MSG_TARGET_LOCAL);
  AddMessage("Repaired triangle point mirroring", TextColours.message, MSG_TARGET_LOCAL);
  Frame(TopRows);
  const DrawRecordEntry* first = Find("Could not load vehicle : Corrupted file HHalf");
  const DrawRecordEntry* second = Find("Repaired triangle point mirroring");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->role, RECORD_MESSAGE);
  for (const DrawRecordEntry& e : DrawRecord)
    if (e.role == RECORD_BUTTON) {
      EXPECT_LT(IndexOf(&e), IndexOf(first)) << "a row drawn over the message";
      EXPECT_FALSE(Meet(e, first->left, first->top, first->right, first->bottom)) << e.label;
      EXPECT_FALSE(Meet(e, second->left, second->top, second->right, second->bottom)) << e.label;
    }
  // Straight down from the top left corner: the band starts where the rows end.
  const DrawRecordEntry* backing = Under(first);
  ASSERT_NE(backing, nullptr);
  EXPECT_EQ(backing->role, RECORD_BACKING);
  EXPECT_NEAR(backing->top, 48.0f, 0.01f);
  EXPECT_NEAR(backing->left, 0.0f, 0.01f);
  // The glyphs stand on their backing, their feet not running out under it (into the scene).
  EXPECT_GE(first->top, backing->top);
  EXPECT_LE(first->bottom, backing->bottom + 0.5f);
  EXPECT_GT(second->top, first->top) << "the newer line below the older";
}

TEST_F(InterfaceLayout, WithNoRowsAtTheTopLeftTheLinesStayAtTheirUsualPlace) {
  AddMessage("Skin was not found", TextColours.grey, MSG_TARGET_LOCAL);
  Frame();
  const DrawRecordEntry* line = Find("Skin was not found");
  ASSERT_NE(line, nullptr);
  EXPECT_NEAR(Under(line)->top, 0.0f, 0.01f);
  EXPECT_NEAR(Under(line)->left, 0.0f, 0.01f);
}

TEST_F(InterfaceLayout, TheHistoryShowsEveryLineInOrderClearOfTheRows) {
  for (const char* text : {"one", "two", "three"}) AddMessage(text, TextColours.grey, MSG_TARGET_LOCAL);
  ClearMessages();  // the three into the history
  AddMessage("four", TextColours.grey, MSG_TARGET_LOCAL);
  ShowMessageHistory = 1;
  Frame(TopRows);
  ShowMessageHistory = 0;
  float last = -1.0f;
  for (const char* text : {"one", "two", "three", "four"}) {
    const DrawRecordEntry* line = Find(text);
    ASSERT_NE(line, nullptr) << text;
    EXPECT_GT(line->top, last) << text;
    EXPECT_GE(line->top, 48.0f) << text;
    last = line->top;
  }

  // Placed one by one, they still read top to bottom: a band two rows high over the window, and
  // a gap 100 pixels wide down its right side, too narrow for "three ...".  The oldest line is
  // left out (the history keeps it) rather than "three ..." going up beside "one" and "two".
  ResetMessages();
  const char* const LINES[] = {"one", "two", "three is a longer line", "four"};
  for (const char* text : LINES) AddMessage(text, TextColours.grey, MSG_TARGET_LOCAL);
  Frame([](Prss* o) {
    AddButton(o, 0, 40, 900, 800, 0, IvText("band"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  });
  EXPECT_EQ(Find("one"), nullptr);
  last = -1.0f;
  for (const char* text : {LINES[1], LINES[2], LINES[3]}) {
    const DrawRecordEntry* line = Find(text);
    ASSERT_TRUE(line && Under(line)) << text;
    EXPECT_GE(line->top, last) << text;
    EXPECT_FALSE(Meet(*Under(line), 0.0f, 40.0f, 900.0f, 800.0f)) << text;
    last = Under(line)->bottom;
  }
}

TEST_F(InterfaceLayout, AStatusLineIsDrawnLastAndMovesOffARowAtItsPlace) {
  // The usual place: centred, from y -0.92 (32 pixels) down 0.08 (32 pixels).
  Frame([](Prss* o) {
    ShowStatusLine("prepare for save", RgbWord(0x78, 0xF0, 0x50));
    AddButton(o, 300, 30, 700, 66, 0, IvText("level"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
  });
  const DrawRecordEntry* status = Find("prepare for save");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->role, RECORD_STATUS);
  const DrawRecordEntry* backing = Under(status);
  ASSERT_NE(backing, nullptr);
  EXPECT_NEAR(backing->top, 66.0f, 0.01f) << "the band just below the row";
  EXPECT_GT(IndexOf(status), IndexOf(Find("level")));
  // A text a page draws there, without a row of its own, moves it too.
  Frame([](Prss*) {
    ShowStatusLine("prepare for save", RgbWord(0x78, 0xF0, 0x50));
    DrawText("Maximum Per Wheel 1200 Nm", 0xFFFFFFFFu, -0.3f, -0.9f, 0.05f, 0);
  });
  const DrawRecordEntry* text = Find("Maximum Per Wheel 1200 Nm");
  ASSERT_TRUE(text && Find("prepare for save") && Under(Find("prepare for save")));
  EXPECT_FALSE(Meet(*Under(Find("prepare for save")), text->left, text->top, text->right, text->bottom));
  // So does a lettered label on a point of the scene, whose letter it would hide; a bare box
  // marking a point does not.
  SetInterfaceRectangleToScreen();
  Frame([](Prss*) {
    ShowStatusLine("prepare for save", RgbWord(0x78, 0xF0, 0x50));
    AddScreenLabel(0, 0, 'L', 0, nullptr, 0, LABEL_CHARACTER, 500.0f, 48.0f);
  });
  ASSERT_TRUE(Find("prepare for save") && Under(Find("prepare for save")));
  const ScreenLabel* label = nullptr;
  ASSERT_EQ(ScreenLabelsByDepth(&label, 1), 1);
  char letter[LABEL_TEXT_SIZE];
  float l, t, r, b;
  ASSERT_EQ(GetScreenLabelRect(*label, letter, &l, &t, &r, &b), 1);
  EXPECT_FALSE(Meet(*Under(Find("prepare for save")), l, t, r, b)) << "off the lettered label";
  Frame([](Prss*) {
    ShowStatusLine("prepare for save", RgbWord(0x78, 0xF0, 0x50));
    AddScreenLabel(0, 0, 0, 0, nullptr, 0, LABEL_BOX, 500.0f, 48.0f);
  });
  EXPECT_NEAR(Under(Find("prepare for save"))->top, 32.0f, 0.01f) << "over a bare box";
  // Without the row it stands where it always did; the next frame forgets it.
  Frame([](Prss*) { ShowStatusLine("prepare for save", RgbWord(0x78, 0xF0, 0x50)); });
  EXPECT_NEAR(Under(Find("prepare for save"))->top, 32.0f, 0.01f);
  Frame();
  EXPECT_EQ(Find("prepare for save"), nullptr);
}

// With the message area reserved the lines start right of the left panel's sixteen button
// widths and one button height below the message top.
TEST_F(InterfaceLayout, AReservedMessageAreaStartsRightOfTheLeftPanelAndBelowARow) {
  MessageAreaReserved = 1;
  AddMessage("Reserved place", TextColours.grey, MSG_TARGET_LOCAL);
  Frame();
  MessageAreaReserved = 0;
  const DrawRecordEntry* line = Find("Reserved place");
  ASSERT_NE(line, nullptr);
  const DrawRecordEntry* backing = Under(line);
  ASSERT_NE(backing, nullptr);
  EXPECT_NEAR(backing->left, float(16 * ButtonWidth), 0.01f);
  EXPECT_NEAR(backing->top, float(ButtonHeight), 0.01f);
}

// Two status lines stand one band (0.08, 32 pixels) apart from y -0.92 (32 pixels); a third
// in the same frame is not shown.
TEST_F(InterfaceLayout, TwoStatusLinesStandOneBandApartAndAThirdIsDropped) {
  Frame([](Prss*) {
    ShowStatusLine("first status", RgbWord(0x78, 0xF0, 0x50));
    ShowStatusLine("second status", RgbWord(0x78, 0xF0, 0x50));
    ShowStatusLine("third status", RgbWord(0x78, 0xF0, 0x50));
  });
  const DrawRecordEntry* first = Find("first status");
  const DrawRecordEntry* second = Find("second status");
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(Under(first) && Under(second));
  EXPECT_NEAR(Under(first)->top, 32.0f, 0.01f);
  EXPECT_NEAR(Under(first)->bottom, 64.0f, 0.01f);
  EXPECT_NEAR(Under(second)->top, 64.0f, 0.01f);
  EXPECT_NEAR(Under(second)->bottom, 96.0f, 0.01f);
  EXPECT_EQ(Find("third status"), nullptr);
}

// Two status lines under a row at their usual place: the first moves just below the row
// (to 66), and the second, placed after it, keeps clear of both the row and the first.
TEST_F(InterfaceLayout, TwoStatusLinesMovedOffARowKeepClearOfEachOther) {
  Frame([](Prss* o) {
    ShowStatusLine("first status", RgbWord(0x78, 0xF0, 0x50));
    ShowStatusLine("second status", RgbWord(0x78, 0xF0, 0x50));
    AddButton(o, 300, 30, 700, 66, 0, IvText("level"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
  });
  const DrawRecordEntry* first = Find("first status");
  const DrawRecordEntry* second = Find("second status");
  ASSERT_TRUE(first && second);
  const DrawRecordEntry* a = Under(first);
  const DrawRecordEntry* b = Under(second);
  ASSERT_TRUE(a && b);
  EXPECT_NEAR(a->top, 66.0f, 0.01f) << "the band just below the row";
  EXPECT_FALSE(Meet(*b, a->left, a->top, a->right, a->bottom)) << b->top;
  EXPECT_FALSE(Meet(*b, 300.0f, 30.0f, 700.0f, 66.0f)) << b->top;
}

// A control without owner larger than a tenth of the screen is a page's background, which a
// message line may cover; one of exactly a tenth (1 x 0.4 of the 2 x 2 units) is a row the
// line keeps clear of.  With the message top at the middle (pixel 400) the line's usual band
// is 400 to 417; against the tenth it goes straight above, to 383.  The page's text drawn
// over the background, as the licence page draws its own, is never covered.
TEST_F(InterfaceLayout, AControlOfATenthOfTheScreenIsARowAndALargerOneABackground) {
  AddMessage("Where am I", TextColours.grey, MSG_TARGET_LOCAL);
  const auto top = [this](void (*rows)(Prss*)) {
    ClearInterface();
    Frame(rows);
    const DrawRecordEntry* line = Find("Where am I");
    const DrawRecordEntry* backing = line ? Under(line) : nullptr;
    return backing ? backing->top : -1.0f;
  };
  EXPECT_NEAR(top([](Prss*) {
                MessageTop = 0.0f;
                AddValueControl(nullptr, nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr,
                                -1.0f, 0.0f, 0.0f, 0.4f);
              }),
              383.0f, 0.01f);
  EXPECT_NEAR(top([](Prss*) {
                MessageTop = 0.0f;
                AddValueControl(nullptr, nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr,
                                -1.0f, 0.0f, 0.0f, 0.41f);
              }),
              400.0f, 0.01f);
  Frame([](Prss*) {
    MessageTop = 0.0f;
    AddValueControl(nullptr, nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr, -1.0f, 0.0f,
                    0.0f, 0.41f);
    DrawText("You have imported a mesh", 0xFFFFFFFFu, -0.95f, 0.0f, 0.05f, 0);
  });
  const DrawRecordEntry* text = Find("You have imported a mesh");
  const DrawRecordEntry* line = Find("Where am I");
  ASSERT_TRUE(text && line && Under(line));
  EXPECT_FALSE(Meet(*Under(line), text->left, text->top, text->right, text->bottom))
      << "the line's top " << Under(line)->top << " over the page's text from " << text->top;
}

// A line wider than the window is wrapped at its blanks onto more rows, so its end is read;
// a block wider than the free room beside the rows is wrapped narrower (half the window) and
// stands there.  The glyphs advance 7/12 of 0.05 units, 11.67 pixels at this window's 0.8
// horizontal scale, a blank 1/3 (6.67 pixels): the line of 111 is over 1200 pixels and takes
// two rows of 17 pixels, and the line of 57 (about 630 pixels) two beside a column 450 wide.
TEST_F(InterfaceLayout, ALineWiderThanItsRoomIsWrappedOntoMoreRows) {
  const char* const LONG_LINE = "Could not write file : data/veh/Runabout_with_its_longest_name_yet_and_more_words.veh "
                                ": No space left on device";
  ASSERT_EQ(std::string(LONG_LINE).size(), 111u);
  AddMessage(LONG_LINE, TextColours.error, MSG_TARGET_LOCAL);
  Frame();
  const DrawRecordEntry* line = Find(LONG_LINE);
  ASSERT_TRUE(line && Under(line));
  EXPECT_LE(line->right, float(WIDTH)) << "the line runs off the window";
  EXPECT_NEAR(Under(line)->bottom - Under(line)->top, 34.0f, 0.01f) << "two rows";
  EXPECT_LE(Under(line)->right, float(WIDTH));

  // The rows break at a blank, else after a "/" or "_", and inside a run of letters only when
  // the run alone is wider than the room: half the window less the margins, 495.75 pixels,
  // holds 42 letters.
  ClearMessages();
  const std::string run(50, 'H');
  const std::string LINES[] = {"Could not load vehicle : data/veh/Runabout_with_its_longest_name_yet.veh : Corrupted",
                               "Invalid file name : " + run};
  for (const std::string& text : LINES) AddMessage(text.c_str(), TextColours.error, MSG_TARGET_LOCAL);
  Frame([](Prss* o) {
    AddButton(o, 0, 0, 450, 800, 0, IvText("column"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  });
  const std::vector<std::string> rows[] = {
      {"Could not load vehicle :", "data/veh/Runabout_with_its_longest_name_", "yet.veh : Corrupted"},
      {"Invalid file name :", run.substr(0, 42), run.substr(42)}};
  for (int i = 0; i < 2; ++i) {
    line = Find(LINES[i].c_str());
    ASSERT_TRUE(line && Under(line));
    EXPECT_EQ(Rows(*line), rows[i]);
    const DrawRecordEntry& backing = *Under(line);
    EXPECT_FALSE(Meet(backing, 0.0f, 0.0f, 450.0f, 800.0f)) << "over the column, from x " << backing.left;
    EXPECT_LE(backing.right, float(WIDTH));
    EXPECT_NEAR(backing.bottom - backing.top, 51.0f, 0.01f) << "three rows";
  }
}

TEST_F(InterfaceLayout, MessageBackingsDarkenUntilTheLineStandsOutOverAWhiteScene) {
  // Salmon (250, 140, 120) has luminance 0.404: over white a black backing must leave at most
  // 0.454 / 4.6 - 0.05 = 0.0487, so alpha 0.9513 or more (243 of 255).  Grey 200: 0.5776,
  // so 0.6276 / 4.6 - 0.05 = 0.0864 left, alpha 0.9136 or more (233).
  AddMessage("Repaired triangle point mirroring", TextColours.message, MSG_TARGET_LOCAL);
  AddMessage("load Runabout", TextColours.grey, MSG_TARGET_LOCAL);
  Frame();
  const DrawRecordEntry* salmon = Under(Find("Repaired triangle point mirroring"));
  const DrawRecordEntry* grey = Under(Find("load Runabout"));
  ASSERT_TRUE(salmon && grey);
  EXPECT_EQ(salmon->colour & 0xFFFFFFu, 0u);
  EXPECT_GE(salmon->colour >> 24, 243u);
  EXPECT_GE(grey->colour >> 24, 233u);
  EXPECT_LT(grey->colour >> 24, 243u) << "no darker than its text needs";
}

// ---- Labels ----

// The labels are measured on the fixed-width character set at the plain text scale; the set,
// the spacing, the scales and the code page in place before are put back after each test.
class ButtonLabels : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCodePage_ = CurrentCodePage;
    TextHorizontalScale = 1.0f;  // the set puts the scale back
    CurrentCodePage = 0;
  }
  void TearDown() override { CurrentCodePage = savedCodePage_; }
  char out[64] = {};
  float size = 19.0f;

 private:
  FixedWidthText fixed_;
  int savedCodePage_ = 0;
};

TEST_F(ButtonLabels, ALabelTooWideTakesTheLargestTwoPixelStepThatFits) {
  // "mono colours": eleven glyphs and a blank, 6.75 sizes wide: 128 pixels at 19, 114.75 at
  // 17, 101.25 at 15, 87.75 at 13.
  FitButtonLabel("mono colours", 94.0f, &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 13.0f);
  EXPECT_STREQ(out, "mono colours");
  size = 19.0f;
  FitButtonLabel("mono colours", 130.0f, &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 19.0f) << "a label that fits keeps its size";
  EXPECT_STREQ(out, "mono colours");
}

TEST_F(ButtonLabels, BelowTheLeastSizeALabelIsCutWithFullStops) {
  // After the steps 17, 15 and 13 the last is the least text size, 11.85 (above 0.6 x 19 =
  // 11.4), where a glyph takes 6.91 pixels and a blank 3.95: "..." takes 20.74, leaving 39.26
  // of 60 for "mono c" (38.51); "mono co" (45.43) does not fit.
  FitButtonLabel("mono colours", 60.0f, &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 11.85f);
  EXPECT_STREQ(out, "mono c...");
  // A swatch's name is squeezed across rather than cut while it keeps four fifths of its
  // width: whole it takes 11 x 6.91 + 3.95 = 79.96 at the least size, 0.875 of it in 70.
  float squeeze = 0.0f;
  size = 19.0f;
  FitButtonLabel("mono colours", 70.0f, &size, out, sizeof out, &squeeze);
  EXPECT_STREQ(out, "mono colours");
  EXPECT_FLOAT_EQ(size, 11.85f);
  EXPECT_NEAR(squeeze, 70.0f / 79.96f, 0.01f);
  size = 19.0f;
  FitButtonLabel("mono colours", 60.0f, &size, out, sizeof out, &squeeze);
  EXPECT_STREQ(out, "mono c...") << "0.75 of its width is too narrow";
  EXPECT_FLOAT_EQ(squeeze, 1.0f);
  size = 19.0f;
  // A colour code is never cut from its letter.
  size = 19.0f;
  FitButtonLabel("^1abcdefghij", 60.0f, &size, out, sizeof out);
  EXPECT_EQ(std::string(out).substr(0, 2), "^1");
  size = 19.0f;
  FitButtonLabel("mono colours", 20.0f, &size, out, sizeof out);
  EXPECT_STREQ(out, "") << "not even the stops fit";
  // A coloured mark at the end stays after the stops: "..." and "*" take 27.65 of 60, and
  // "mono" (27.65) fits the 32.35 left, "mono c" (38.51) does not.
  size = 19.0f;
  FitButtonLabel("mono colours^1*", 60.0f, &size, out, sizeof out);
  EXPECT_STREQ(out, "mono...^1*");
  // Never under the least text size: from 15 the steps are 13 and 11.85 (0.6 x 15 = 9 would
  // allow 11 and 9), where "..." (20.74) leaves 19.26 of 40 for "mo" (13.83).
  size = 15.0f;
  FitButtonLabel("mono colours", 40.0f, &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 11.85f);
  EXPECT_STREQ(out, "mo...");
}

// A label exactly as wide as its room fits, at its own size, at a two-pixel step, at the
// smallest step (0.6 of its size, or the least text size), and cut: the stops and the kept text may fill the room
// to its last pixel.
TEST_F(ButtonLabels, ALabelExactlyAsWideAsItsRoomFits) {
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale = 1.0f;
  const auto width = [](const char* text, float at) { return TextWidth(text, 0, at); };
  FitButtonLabel("mono colours", width("mono colours", 19.0f), &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 19.0f);
  EXPECT_STREQ(out, "mono colours");
  size = 19.0f;
  FitButtonLabel("mono colours", width("mono colours", 17.0f), &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 17.0f);
  EXPECT_STREQ(out, "mono colours");
  size = 20.0f;  // the smallest step is 12
  FitButtonLabel("mono colours", width("mono colours", 12.0f), &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 12.0f);
  EXPECT_STREQ(out, "mono colours");
  size = 19.0f;
  FitButtonLabel("mono colours", width("mono...", 11.85f), &size, out, sizeof out);
  EXPECT_FLOAT_EQ(size, 11.85f);
  EXPECT_STREQ(out, "mono...");
  size = 19.0f;
  FitButtonLabel("mono colours", width("...", 11.85f), &size, out, sizeof out);
  EXPECT_STREQ(out, "...") << "the stops alone, to the pixel";
  TextHorizontalScale = savedScale;
}

TEST_F(InterfaceLayout, EveryButtonLabelStaysInsideItsButton) {
  TextSize = 19;
  Frame([](Prss* o) {
    AddButton(o, 10, 100, 60, 124, 0, IvText("left forward"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
    AddButton(o, 60, 100, 110, 124, 1, IvText("aligned"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
    AddButton(o, 110, 100, 160, 124, 2, IvText("export to SHARE vehicle for development"), IvInt(0), IvInt(0),
              BUTTON_STYLE_LABEL, nullptr, nullptr, nullptr);
  });
  int texts = 0;
  for (const DrawRecordEntry& e : DrawRecord) {
    if (e.role != RECORD_TEXT || e.ownerKind != RECORD_OWNER_BUTTON) continue;
    ++texts;
    EXPECT_GE(e.left, e.ownerLeft) << e.text;
    EXPECT_LE(e.right, e.ownerRight + 0.5f) << e.text;
  }
  EXPECT_EQ(texts, 3);
}

// A halo label (the label of a point of the scene) has no face: over the editor's scene of
// any colour, the record holds its text alone, a marker that takes clicks, in its own ink and
// smaller than a button's text, and no fill or strip under it, so nothing of it hides the
// scene.  Lit, it is framed by lines a pixel wide round its edge, ink between two of halo,
// none of them under its text.  So it stays with a button's text waiting before it.
TEST_F(InterfaceLayout, AHaloLabelIsItsTextAloneAndFramedWhileLit) {
  TextSize = 19;
  static ColourWord white = RgbWord(255, 255, 255);
  static int lit = 0;
  for (lit = 0; lit < 2; ++lit) {
    SCOPED_TRACE(lit ? "lit" : "unlit");
    Frame([](Prss* o) {
      AddButton(o, 10, 10, 90, 10 + ButtonHeight, 0, IvText("load"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr,
                nullptr, nullptr);
      AddButton(o, 100, 200, 160, 200 + ButtonHeight, 4, IvText("#12"), IvInt(0), IvInt(lit), BUTTON_STYLE_HALO_TEXT,
                &white, nullptr, nullptr);
    });
    const DrawRecordEntry* text = Find("#12");
    ASSERT_NE(text, nullptr);
    std::vector<const DrawRecordEntry*> fills;
    for (const DrawRecordEntry& e : DrawRecord)
      if (!IsRecordedText(e.role) && e.right > 100.0f && e.left < 160.0f && e.bottom > 200.0f &&
          e.top < 200.0f + float(ButtonHeight))
        fills.push_back(&e);
    EXPECT_EQ(text->ownerKind, RECORD_OWNER_BUTTON);
    EXPECT_EQ(text->owner, 1);
    EXPECT_EQ(text->marker, 1);
    EXPECT_EQ(text->clickable, 1);
    EXPECT_EQ(text->colour, 0xFFFFFFFFu);
    EXPECT_LT(text->glyphHeight, 19.0f * GLYPH_BOX_HEIGHT) << "smaller than a button's text";
    EXPECT_GE(text->glyphHeight, LEAST_TEXT_PIXELS * GLYPH_BOX_HEIGHT - 0.01f) << "not under the least size";
    if (!lit) {
      EXPECT_TRUE(fills.empty()) << fills.size() << " fills, the first " << std::hex << fills[0]->colour;
      continue;
    }
    EXPECT_EQ(fills.size(), 12u) << "three rings of four sides";
    for (const DrawRecordEntry* f : fills) {
      EXPECT_LE(std::min(f->right - f->left, f->bottom - f->top), 1.0f) << "a pixel thin";
      const float inset =
          std::min({f->left - 100.0f, f->top - 200.0f, 160.0f - f->right, 200.0f + float(ButtonHeight) - f->bottom});
      EXPECT_GE(inset, 0.0f) << "inside the label";
      EXPECT_LT(inset, 3.0f) << "along its edge";
      EXPECT_EQ(f->colour, inset == 1.0f ? 0xFFFFFFFFu : 0xFF000000u) << "ink between halo, at " << inset;
      EXPECT_FALSE(f->right > text->left && f->left < text->right && f->bottom > text->top && f->top < text->bottom)
          << "none under the text";
    }
  }
}

// A label button's text sits at its left inset (styles 3, 38 and 41), against its right
// inset (39 and 42), or in its middle (the rest), whatever its value's format.
TEST_F(InterfaceLayout, LabelButtonsAlignTheirTextLeftRightOrInTheMiddleByStyle) {
  Frame([](Prss* o) {
    const struct {
      ButtonStyle style;
      InterfaceValue text, third;
    } buttons[] = {{BUTTON_STYLE_TEXT, IvText("s2"), IvInt(0)},
                   {BUTTON_STYLE_LABEL, IvText("s3"), IvInt(0)},
                   {BUTTON_STYLE_FLOAT_FORMAT, IvFloat(1.5f), IvText("%.1f")},
                   {BUTTON_STYLE_FLOAT_FORMAT_LEFT, IvFloat(2.5f), IvText("%.1f")},
                   {BUTTON_STYLE_FLOAT_FORMAT_RIGHT, IvFloat(3.5f), IvText("%.1f")},
                   {BUTTON_STYLE_INT_FORMAT, IvInt(41), IvText("%d")},
                   {BUTTON_STYLE_INT_FORMAT_LEFT, IvInt(42), IvText("%d")},
                   {BUTTON_STYLE_INT_FORMAT_RIGHT, IvInt(43), IvText("%d")}};
    int top = 100;
    for (const auto& b : buttons) {
      AddButton(o, 100, top, 400, top + 24, 0, b.text, b.third, IvInt(0), b.style, nullptr, nullptr, nullptr);
      top += 30;
    }
  });
  const float inset = float(InterfaceScaleRounded);
  const struct {
    const char* text;
    int align;  // -1 left, 0 middle, 1 right
  } expected[] = {{"s2", 0}, {"s3", -1}, {"1.5", 0}, {"2.5", -1}, {"3.5", 1}, {"41", 0}, {"42", -1}, {"43", 1}};
  for (const auto& e : expected) {
    const DrawRecordEntry* text = Find(e.text);
    ASSERT_NE(text, nullptr) << e.text;
    if (e.align < 0) {
      EXPECT_NEAR(text->left, 100.0f + inset, 1.0f) << e.text;
    } else if (e.align > 0) {
      EXPECT_NEAR(text->right, 400.0f - inset, 2.0f) << e.text;  // less the last letter spacing
    } else {
      EXPECT_NEAR(0.5f * (text->left + text->right), 250.0f, 1.0f) << e.text;
    }
  }
}

// A two-line button (BUTTON_STYLE_SWATCH) too narrow for its label breaks it at spaces into two lines at
// most; a one-line button (BUTTON_STYLE_SWATCH_UNUSED) shows its first line, and "UNUSED" a row below.
TEST_F(InterfaceLayout, WrappedButtonLabelsKeepToTheirNumberOfLines) {
  Frame([](Prss* o) {
    AddButton(o, 100, 100, 150, 148, 0, IvText("alpha beta gamma"), IvInt(0), IvInt(0), BUTTON_STYLE_SWATCH, nullptr,
              nullptr, nullptr);
    AddButton(o, 300, 100, 350, 148, 0, IvText("delta epsilon zeta"), IvInt(0), IvInt(0), BUTTON_STYLE_SWATCH_UNUSED,
              nullptr, nullptr, nullptr);
  });
  const DrawRecordEntry* alpha = Find("alpha");
  const DrawRecordEntry* beta = Find("beta");
  ASSERT_TRUE(alpha && beta);
  EXPECT_GT(beta->top, alpha->top) << "the second line below the first";
  EXPECT_EQ(Find("gamma"), nullptr) << "no third line";
  ASSERT_NE(Find("delta"), nullptr);
  EXPECT_EQ(Find("epsilon"), nullptr) << "one line only";
  EXPECT_NE(Find("UNUSED"), nullptr);
}

// A button's face is recorded with its shown text as its label, and a button of a style that
// shows none with an empty one.
TEST_F(InterfaceLayout, AButtonsFaceIsRecordedWithItsShownTextOrNone) {
  Frame([](Prss* o) {
    AddButton(o, 100, 100, 200, 124, 0, IvText("shown"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
    AddButton(o, 300, 100, 400, 124, 0, IvText("hidden"), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN, nullptr, nullptr,
              nullptr);
  });
  std::vector<std::string> labels;
  for (const DrawRecordEntry& e : DrawRecord)
    if (e.role == RECORD_BUTTON) labels.push_back(e.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"shown", ""}));
}

TEST_F(InterfaceLayout, AnArrowGlyphIsSqueezedIntoANarrowControl) {
  // A tall, narrow step arrow (VALUE_TYPE_BYTE_MINUS): at 0.7 of its height the glyph is wider than it.
  Frame([](Prss* o) {
    AddValueControl(
        o, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_BYTE_MINUS, nullptr, [](void*, int, uintptr_t) {}, 0.0f,
        0.0f, 0.05f, 0.2f);
  });
  const DrawRecordEntry* arrow = Find("\x8B");
  ASSERT_NE(arrow, nullptr);
  EXPECT_GE(arrow->left, arrow->ownerLeft - 0.5f);
  EXPECT_LE(arrow->right, arrow->ownerRight + 0.5f);
}

// ---- Contrast ----

TEST(TextContrast, TheRatioAndTheLeastAlphaAreWcags) {
  EXPECT_NEAR(ColourContrast(0xFFFFFF, 0x000000), 21.0, 1e-9);
  EXPECT_NEAR(ColourContrast(0x767676, 0xFFFFFF), 4.54, 0.005);
  EXPECT_NEAR(ColourContrast(0x777777, 0xFFFFFF), 4.48, 0.005);
  // Half of white over black is half the light: luminance 0.502.
  const uint32_t half = 0x80FFFFFFu;
  EXPECT_NEAR(LayersLuminance(0.0, &half, 1), 128.0 / 255.0, 1e-9);
  // Black on 200 grey over black: a x 0.578 >= 4.8 x 0.05 - 0.05 = 0.19, so a >= 0.3290 (84).
  EXPECT_EQ(AlphaToStandOut(0xFF000000u, nullptr, 0, 0xC8C8C8u, 0x1A), 84);
  // White on 200 grey fails at any alpha over white; black then serves at (1 - a) <= 1.05 /
  // 4.8 - 0.05 = 0.169, a >= 0.831 (212).
  EXPECT_EQ(AlphaToStandOut(0xFFFFFFFFu, nullptr, 0, 0xC8C8C8u, 0), -1);
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0x4DC8C8C8u), 0xD4000000u);
  // Over a page cleared to black alone, white needs nothing.
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0x00000000u, 0xFF000000u), 0x00000000u);
  // A white backing under white ink can never serve: black takes its place, at the least alpha
  // over the page given.  Over a black page black at no alpha is enough; over a white one it
  // needs 212 as above; over black and white (no page given) the white decides, 212 again.
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0xFFFFFFFFu, 0xFF000000u), 0x00000000u);
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0xFFFFFFFFu, 0xFFFFFFFFu), 0xD4000000u);
  EXPECT_EQ(BackingToStandOut(0xFFFFFFFFu, nullptr, 0, 0xFFFFFFFFu), 0xD4000000u);
}

TEST_F(InterfaceLayout, AControlsSeeThroughPanelTurnsAsOpaqueAsItsTextNeeds) {
  InterfaceColours.buttonAlpha = 0.1f;
  ApplyInterfaceColours();
  Frame([](Prss* o) {
    AddValueControl(o, nullptr, IvText("Exit"), IvInt(0), IvInt(0), VALUE_TYPE_BUTTON, &InterfaceColours.textUnselected,
                    [](void*, int, uintptr_t) {}, -0.2f, 0.0f, 0.2f, 0.1f);
  });
  const DrawRecordEntry* text = Find("Exit");
  ASSERT_NE(text, nullptr);
  const DrawRecordEntry* panel = Under(text);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->role, RECORD_PANEL);
  EXPECT_EQ(panel->colour, 0x54C8C8C8u) << "200 grey at the alpha black needs (84), not at 0.1";
}

TEST_F(InterfaceLayout, AQuestionsLinesGetTheBackingTheirBoxCannotGive) {
  ASSERT_EQ(AskQuestion(&owner, [](Prss*, uint32_t, uint32_t) {}, "Exit editor?", "Unsaved changes will be lost", 0,
                        0, 0),
            1);
  Frame();
  // The white line over the box (200 grey, opaque whatever the button alpha): the box's
  // luminance 0.578, and a black strip of alpha a leaves (1 - a) of it, which 4.5:1 from white
  // holds at most 0.183: a >= 1 - 0.183 / 0.578 = 0.683 (175).
  const DrawRecordEntry* second = Find("Unsaved changes will be lost");
  ASSERT_NE(second, nullptr);
  const DrawRecordEntry* strip = Under(second);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->role, RECORD_BACKING);
  EXPECT_EQ(strip->colour & 0xFFFFFFu, 0u);
  EXPECT_GE(strip->colour >> 24, 175u);
  // The answers' coloured texts on light grey: their panels turn dark.
  const DrawRecordEntry* no = Under(Find("no"));
  ASSERT_NE(no, nullptr);
  EXPECT_EQ(no->colour & 0xFFFFFFu, 0u);
}

// A label with no panel (bit 4), its text the control's full height (bit 0x10) so it starts
// at the control's very left edge (left-aligned, bit 1) or ends at its right edge (bit 2).
// Over a scene of any colour the light text needs a strip, and the strip's usual room of
// 0.15 x the text's height either side is cut at the control's edges: the control from x
// -0.5 to 0.5 spans pixels (-0.5 + 1) x 500 = 250 to (0.5 + 1) x 500 = 750.
TEST_F(InterfaceLayout, ATextsStripStopsAtItsControlsLeftAndRightEdges) {
  Frame([](Prss*) {
    AddValueControl(nullptr, nullptr, IvText("Gear"), IvInt(0), IvInt(0x15), VALUE_TYPE_LABEL, nullptr, nullptr, -0.5f,
                    0.0f, 0.5f, 0.05f);
    AddValueControl(nullptr, nullptr, IvText("Ratio"), IvInt(0), IvInt(0x16), VALUE_TYPE_LABEL, nullptr, nullptr, -0.5f,
                    0.2f, 0.5f, 0.25f);
  });
  const DrawRecordEntry* left = Find("Gear");
  ASSERT_NE(left, nullptr);
  EXPECT_NEAR(left->left, 250.0f, 0.5f) << "the text starts at the control's edge";
  const DrawRecordEntry* strip = Under(left);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->role, RECORD_BACKING);
  EXPECT_NEAR(strip->left, 250.0f, 0.01f) << "not past the control's left edge";
  EXPECT_GT(strip->right, left->right) << "room after the text";
  const DrawRecordEntry* right = Find("Ratio");
  ASSERT_NE(right, nullptr);
  // Its last letter's spacing, 1/12 of the size at the 0.8 scale, 1/12 x 0.05 x 0.8 x 500 =
  // 1.67 pixels, stands between its ink and the edge.
  EXPECT_NEAR(right->right, 750.0f - 1.67f, 0.5f) << "the text ends at the control's edge";
  strip = Under(right);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->role, RECORD_BACKING);
  EXPECT_NEAR(strip->right, 750.0f, 0.01f) << "not past the control's right edge";
  EXPECT_LT(strip->left, right->left) << "room before the text";
}

TEST_F(InterfaceLayout, ButtonFacesKeepTheirOwnTextRule) {
  // Pure red keeps its colour and gets no strip: its text is black (5.25:1), not white (4.00:1).
  static ColourWord red = RgbWord(255, 0, 0);
  Frame([](Prss* o) {
    AddButton(o, 10, 100, 60, 124, 0, IvText("del"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, &red, nullptr, nullptr);
  });
  const DrawRecordEntry* text = Find("del");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(Under(text)->role, RECORD_BUTTON);
  EXPECT_EQ(Under(text)->colour, 0xFFFF0000u);
  EXPECT_EQ(text->colour, 0xFF000000u);
}

// A value button's knob never runs through its label: under the label (the value in the
// middle of the range) it stands only above and below the glyphs as drawn, and clear of the
// label (at the range's end) it runs the row's height, one grey piece and one white line.
TEST_F(InterfaceLayout, AValueButtonsKnobStandsClearOfItsLabel) {
  SetInterfaceMetrics();
  static float value;
  const auto knobPieces = [](const DrawRecordEntry* text) {
    std::vector<const DrawRecordEntry*> pieces;
    for (const DrawRecordEntry& e : DrawRecord)
      if (e.role == RECORD_BUTTON && !e.clickable && e.right - e.left < 10.0f) {
        EXPECT_FALSE(Meet(e, text->left, text->top, text->right, text->bottom))
            << "a knob piece at " << e.left << "," << e.top << ".." << e.bottom << " over " << text->text;
        pieces.push_back(&e);
      }
    return pieces;
  };
  value = 5.0f;
  Frame([](Prss* o) {
    RowCursorX = 0;
    RowCursorY = 100;
    AddValueEditButton(o, "Reverse gear ratio %.1f", 0.0f, 10.0f, &value, nullptr, nullptr, BUTTON_STYLE_FLOAT,
                       nullptr);
  });
  const DrawRecordEntry* text = Find("Reverse gear ratio 5.0");
  ASSERT_NE(text, nullptr);
  std::vector<const DrawRecordEntry*> pieces = knobPieces(text);
  ASSERT_FALSE(pieces.empty()) << "the knob still shows";
  EXPECT_LE(pieces.front()->bottom, text->top) << "above the label";
  value = 0.0f;
  Frame([](Prss* o) {
    RowCursorX = 0;
    RowCursorY = 100;
    AddValueEditButton(o, "Reverse gear ratio %.1f", 0.0f, 10.0f, &value, nullptr, nullptr, BUTTON_STYLE_FLOAT,
                       nullptr);
  });
  text = Find("Reverse gear ratio 0.0");
  ASSERT_NE(text, nullptr);
  pieces = knobPieces(text);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0]->top, 100.0f);
  EXPECT_EQ(pieces[0]->bottom, float(100 + ButtonHeight));
}

// A style 6 button says "UNUSED" under its face, over the scene, where the light text needs a
// strip: drawn in pixels around the text with 0.15 x the text's height to either side and
// 0.06 x above it, but not below the text, which lies below its button.
TEST_F(InterfaceLayout, AnUnusedButtonsWordGetsAStripInPixelsAroundIt) {
  Frame([](Prss* o) {
    AddButton(o, 200, 100, 400, 124, 0, IvText("go"), IvInt(0), IvInt(0), BUTTON_STYLE_SWATCH_UNUSED, nullptr, nullptr,
              nullptr);
  });
  const DrawRecordEntry* text = Find("UNUSED");
  ASSERT_NE(text, nullptr);
  const DrawRecordEntry* strip = Under(text);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->role, RECORD_BACKING);
  const float h = text->bottom - text->top;
  EXPECT_NEAR(strip->left, text->left - 0.15f * h, 0.01f);
  EXPECT_NEAR(strip->right, text->right + 0.15f * h, 0.01f);
  EXPECT_NEAR(strip->top, text->top - 0.06f * h, 0.01f);
  // Below, the strip goes no further than the lower of the text and its button: the text's.
  EXPECT_NEAR(strip->bottom, text->bottom, 0.01f);
}

// A button's text is the dark or the light text colour, whichever stands further from its
// face: black from a grey of 118 up (luminance 0.1812: 4.62:1 against white's 4.54:1), white
// up to 117 (0.1779: 4.61:1 against black's 4.56:1).  The same for a colour control's channel
// figures over its swatch, which with the label word 1 is lifted by a quarter first: 94 x 1.25
// rounds to 118, 93 x 1.25 to 116.
TEST_F(InterfaceLayout, TextOverAFaceTakesTheTextColourThatStandsFurtherFromIt) {
  static ColourWord light = RgbWord(118, 118, 118), dark = RgbWord(117, 117, 117);
  static ColourWord lifted = RgbWord(94, 94, 94), notLifted = RgbWord(93, 93, 93);
  Frame([](Prss* o) {
    AddButton(o, 10, 100, 60, 124, 0, IvText("lit"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, &light, nullptr, nullptr);
    AddButton(o, 10, 200, 60, 224, 0, IvText("dim"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, &dark, nullptr, nullptr);
    AddValueControl(o, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_COLOUR_SWATCH, &light, nullptr, -0.5f, -0.8f,
                    -0.2f, -0.5f);
    AddValueControl(o, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_COLOUR_SWATCH, &dark, nullptr, -0.5f, -0.4f,
                    -0.2f, -0.1f);
    AddValueControl(o, nullptr, IvInt(0), IvInt(0), IvInt(1), VALUE_TYPE_COLOUR_SWATCH, &lifted, nullptr, 0.2f, -0.8f,
                    0.5f, -0.5f);
    AddValueControl(o, nullptr, IvInt(0), IvInt(0), IvInt(1), VALUE_TYPE_COLOUR_SWATCH, &notLifted, nullptr, 0.2f,
                    -0.4f, 0.5f, -0.1f);
  });
  const auto opaque = [](ColourWord c) {
    return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c);
  };
  const uint32_t black = opaque(TextColours.darkText), white = opaque(TextColours.lightText);
  const struct {
    const char* text;
    uint32_t ink;
  } cases[] = {{"lit", black},         {"dim", white},         {"118 118 118", black},
               {"117 117 117", white}, {"94 94 94", black},    {"93 93 93", white}};
  for (const auto& k : cases) {
    const DrawRecordEntry* text = Find(k.text);
    ASSERT_NE(text, nullptr) << k.text;
    EXPECT_EQ(text->colour, k.ink) << k.text;
  }
}

// A screen label's text takes the text colour that stands further from its box, as a
// button's does: light over a grey of 117, dark over 118.
TEST_F(InterfaceLayout, ScreenLabelBoxesFadeWithDepthAndTheirTextStandsOutFromThem) {
  const ColourWord saved = TextColours.panelGrey;
  SetInterfaceRectangleToScreen();
  const auto ink = [this](ColourWord grey) {
    TextColours.panelGrey = grey;
    Frame([](Prss*) { AddScreenLabel(100, 0, 7, 0, nullptr, 0, LABEL_INTEGER, 300, 300); });
    DrawScreenLabels();
    const DrawRecordEntry* text = Find("7");
    return text ? text->colour : 0u;
  };
  const auto opaque = [](ColourWord c) {
    return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c);
  };
  EXPECT_EQ(ink(RgbWord(117, 117, 117)), opaque(TextColours.lightText));
  EXPECT_EQ(ink(RgbWord(118, 118, 118)), opaque(TextColours.darkText));
  // With depth keys 0 and 1 (a range of one) the deeper label's box fades to two thirds:
  // 110 x (65536 - 65536 / 3) / 65536 = 73.3, so 73; the nearer keeps 110.  Each box is
  // recorded as a label's box, the one drawn after another's too.
  TextColours.panelGrey = RgbWord(110, 110, 110);
  Frame([](Prss*) {
    AddScreenLabel(0, 0, 7, 0, nullptr, 0, LABEL_INTEGER, 300, 300);
    AddScreenLabel(1, 0, 8, 0, nullptr, 0, LABEL_INTEGER, 500, 300);
  });
  DrawScreenLabels();
  const DrawRecordEntry* nearer = Find("7");
  const DrawRecordEntry* deeper = Find("8");
  ASSERT_TRUE(nearer && deeper);
  ASSERT_TRUE(Under(nearer) && Under(deeper));
  EXPECT_EQ(Under(deeper)->role, RECORD_LABEL_BOX);
  EXPECT_EQ(Under(nearer)->role, RECORD_LABEL_BOX) << "the second label's box too";
  EXPECT_EQ(Under(nearer)->colour, 0xFF6E6E6Eu);
  EXPECT_EQ(Under(deeper)->colour, 0xFF494949u);
  TextColours.panelGrey = saved;
}

// Buttons touching the screen's edges from outside are still drawn; a colour square's face is
// its lit state's colour (1 red to 5 light orange), else its packed colour.
TEST_F(InterfaceLayout, EdgeButtonsAreDrawnAndColourSquaresTakeTheirLitColours) {
  Frame([](Prss* o) {
    AddButton(o, -10, 100, 0, 124, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
    AddButton(o, WIDTH, 100, WIDTH + 10, 124, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr,
              nullptr, nullptr);
    AddButton(o, 100, -10, 110, 0, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr,
              nullptr);
    AddButton(o, 100, HEIGHT, 110, HEIGHT + 10, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr,
              nullptr, nullptr);
    for (int lit = 0; lit <= 6; ++lit)
      AddButton(o, 200 + 20 * lit, 300, 215 + 20 * lit, 315, 0, IvText(nullptr), IvInt(0x102030), IvInt(lit),
                BUTTON_STYLE_COLOUR_SQUARE, nullptr, nullptr, nullptr);
  });
  const auto buttonAt = [](float left, float top) -> const DrawRecordEntry* {
    for (const DrawRecordEntry& e : DrawRecord)
      if (e.role == RECORD_BUTTON && e.left == left && e.top == top) return &e;
    return nullptr;
  };
  EXPECT_NE(buttonAt(-10, 100), nullptr) << "right edge on the screen's left";
  EXPECT_NE(buttonAt(WIDTH, 100), nullptr) << "left edge on the screen's right";
  EXPECT_NE(buttonAt(100, -10), nullptr) << "bottom edge on the screen's top";
  EXPECT_NE(buttonAt(100, HEIGHT), nullptr) << "top edge on the screen's bottom";
  const auto opaque = [](ColourWord c) {
    return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c);
  };
  const uint32_t expected[7] = {0xFF102030u,
                                opaque(TextColours.red),
                                opaque(TextColours.green),
                                opaque(TextColours.orange),
                                opaque(TextColours.yellow),
                                opaque(TextColours.lightOrange),
                                0xFF102030u};
  for (int lit = 0; lit <= 6; ++lit) {
    const DrawRecordEntry* square = buttonAt(float(200 + 20 * lit), 300.0f);
    ASSERT_NE(square, nullptr) << lit;
    EXPECT_EQ(square->colour, expected[lit]) << "lit " << lit;
  }
}

// The glyphs a control queues for its text, into the interface's batch.
std::vector<TextBatchItem> QueuedItems(int index) {
  EmptyTextBatches();
  TextBatch* const before = CurrentTextBatch;
  CurrentTextBatch = &InterfaceTextBatch;
  PrepareValueControl(ValueControls[index]);
  CurrentTextBatch = before;
  std::vector<TextBatchItem> items = InterfaceTextBatch.items;
  EmptyTextBatches();
  return items;
}

// A segment bar writes its five digits, the chosen one (the variable's value, from 0) in the
// selected text colour and the others in the control's.
TEST_F(InterfaceLayout, ASegmentBarWritesFiveDigitsTheChosenOneSelected) {
  InterfaceColours.textSelected = RgbWord(0x20, 0xC0, 0x40);
  ColourWord colour = RgbWord(0x80, 0x90, 0xA0);
  int32_t chosen = 2;
  const int index = AddValueControl(nullptr, &chosen, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_SEGMENT_BAR, &colour,
                                    nullptr, -0.5f, -0.5f, 0.5f, -0.4f);
  ASSERT_GE(index, 0);
  const std::vector<TextBatchItem> items = QueuedItems(index);
  ASSERT_EQ(items.size(), 5u);
  for (size_t i = 0; i < items.size(); ++i)
    EXPECT_EQ(items[i].colour, i == 2 ? 0xFF20C040u : 0xFF8090A0u) << i;
}

// The lowest glyph is drawn like any other: a glyph button of code 32 and a character cell of
// glyph 0 each queue their one glyph.
TEST_F(InterfaceLayout, TheFirstGlyphIsDrawnByGlyphButtonsAndCharacterCells) {
  const int button = AddValueControl(nullptr, nullptr, IvInt(32), IvInt(0), IvInt(0), VALUE_TYPE_GLYPH, nullptr,
                                     nullptr, -0.5f, -0.5f, -0.4f, -0.4f);
  ASSERT_GE(button, 0);
  EXPECT_EQ(QueuedItems(button).size(), 1u);
  const int cell = AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_CHARACTER_CELL, nullptr,
                                   nullptr, -0.3f, -0.5f, -0.2f, -0.4f);
  ASSERT_GE(cell, 0);
  EXPECT_EQ(QueuedItems(cell).size(), 1u);
}

// The characters of a bit field (VALUE_TYPE_CHARACTER_BITS): bits 0 to 9 are the digits, bits from 10 the
// capitals, so bits 9 and 10 are '9' and 'A' (glyphs 25 and 33).
TEST_F(InterfaceLayout, ABitFieldShowsDigitsThenCapitals) {
  const int index = AddValueControl(nullptr, nullptr, IvInt((1 << 9) | (1 << 10)), IvInt(0), IvInt(0),
                                    VALUE_TYPE_CHARACTER_BITS, nullptr, nullptr, -0.5f, -0.5f, 0.5f, -0.4f);
  ASSERT_GE(index, 0);
  const std::vector<TextBatchItem> items = QueuedItems(index);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].glyph, '9' - 32);
  EXPECT_EQ(items[1].glyph, 'A' - 32);
}

// A text in a control narrower than its margins is squeezed to nothing, never turned over.
TEST_F(InterfaceLayout, ATextInAControlNarrowerThanItsMarginsIsSqueezedToNothing) {
  const int index = AddValueControl(nullptr, nullptr, IvText("AB"), IvInt(0), IvText(nullptr), VALUE_TYPE_TEXT, nullptr,
                                    nullptr, 0.0f, 0.0f, 0.02f, 0.1f);  // margins of 0.015 each side
  ASSERT_GE(index, 0);
  const std::vector<TextBatchItem> items = QueuedItems(index);
  ASSERT_FALSE(items.empty());
  for (const TextBatchItem& item : items) EXPECT_FLOAT_EQ(item.x1, item.x0);
  EXPECT_FLOAT_EQ(TextHorizontalScale, Projection.aspect) << "the scale is put back";
}

// A glyph in a control with no room across (its right edge left of its left) is squeezed to
// nothing, never turned over.
TEST_F(InterfaceLayout, AGlyphInAControlWithNoRoomIsSqueezedToNothing) {
  const int index = AddValueControl(nullptr, nullptr, IvInt('A'), IvInt(0), IvInt(0), VALUE_TYPE_GLYPH, nullptr,
                                    nullptr, 0.5f, -0.5f, 0.4f, -0.4f);
  ASSERT_GE(index, 0);
  const std::vector<TextBatchItem> items = QueuedItems(index);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_FLOAT_EQ(items[0].x1, items[0].x0);
}

// Texts of several kinds are written at their size, where their control puts them: the
// segment bar's digits, a title tab, the rows of a wrapped text; a character cell's glyph
// keeps its width in any cell wider than it.
TEST_F(InterfaceLayout, SegmentDigitsTitlesWrappedRowsAndCellsAreWrittenAtTheirSize) {
  int32_t chosen = 0;
  const int bar = AddValueControl(nullptr, &chosen, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_SEGMENT_BAR, nullptr,
                                  nullptr, -0.5f, -0.5f, 0.5f, -0.4f);
  ASSERT_GE(bar, 0);
  for (const TextBatchItem& item : QueuedItems(bar)) EXPECT_GT(item.y1 - item.y0, 0.0f) << "a segment digit";
  const int title = AddValueControl(nullptr, nullptr, IvText("Title"), IvInt(0), IvText(nullptr), VALUE_TYPE_TITLE,
                                    nullptr, nullptr, -1.0f, -1.0f, 1.0f, -0.85f);
  ASSERT_GE(title, 0);
  const std::vector<TextBatchItem> titleItems = QueuedItems(title);
  ASSERT_FALSE(titleItems.empty());
  for (const TextBatchItem& item : titleItems) EXPECT_GT(item.y1 - item.y0, 0.0f) << "a title letter";
  // Two rows in a control 0.2 high from y 0.2: the text starts at the left margin (0.15 of
  // the height, 0.03) of x -0.6, within the control's height.
  const int wrapped = AddValueControl(nullptr, nullptr, IvText("AB"), IvInt(0), IvInt(2), VALUE_TYPE_TEXT_BLOCK,
                                      nullptr, nullptr, -0.6f, 0.2f, 0.6f, 0.4f);
  ASSERT_GE(wrapped, 0);
  const std::vector<TextBatchItem> rows = QueuedItems(wrapped);
  ASSERT_FALSE(rows.empty());
  EXPECT_LT(rows[0].x0, -0.5f);
  EXPECT_GE(rows[0].y0, 0.2f - 0.05f);
  EXPECT_LE(rows[0].y0, 0.4f);
  const int narrow = AddValueControl(nullptr, nullptr, IvInt(33), IvInt(0), IvInt(0), VALUE_TYPE_CHARACTER_CELL,
                                     nullptr, nullptr, -0.9f, -0.9f, -0.7f, -0.8f);
  const int wide = AddValueControl(nullptr, nullptr, IvInt(33), IvInt(0), IvInt(0), VALUE_TYPE_CHARACTER_CELL, nullptr,
                                   nullptr, -0.5f, -0.9f, 0.1f, -0.8f);
  ASSERT_GE(wide, 0);
  const std::vector<TextBatchItem> a = QueuedItems(narrow), b = QueuedItems(wide);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_NEAR(a[0].x1 - a[0].x0, b[0].x1 - b[0].x0, 1e-6f);
}

// A hint field shows the hint of what the pointer is over.
TEST_F(InterfaceLayout, AHintFieldShowsTheHoverHint) {
  ValueControl c{};
  c.displayType = VALUE_TYPE_HINT;
  const char* const saved = HoverHint;
  HoverHint = "a hint";
  char out[32] = "x";
  EXPECT_EQ(ValueControlText(c, out, sizeof out), 1);
  EXPECT_STREQ(out, "a hint");

  // A hint too wide for its line at the least text size wraps onto two rows of that size, its
  // glyphs unsqueezed, where the line is two such rows high; one that fits stays on one row.
  const float least = 2.0f * LEAST_TEXT_PIXELS / float(HEIGHT), row = 2.0f * least + 0.01f;
  HoverHint = "Copy the mod's files to ZKT_EDITOR\\share";
  const int narrow = AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_HINT, nullptr, nullptr,
                                     -0.2f, 0.0f, 0.2f, row);
  const int wide = AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_HINT, nullptr, nullptr,
                                   -1.0f, 0.0f, 1.0f, row);
  ASSERT_GE(narrow, 0);
  ASSERT_GE(wide, 0);
  const std::vector<TextBatchItem> two = QueuedItems(narrow), one = QueuedItems(wide);
  ASSERT_EQ(two.size(), one.size());
  std::set<float> tops;
  for (size_t i = 0; i < two.size(); ++i) {
    tops.insert(two[i].y0);
    EXPECT_GE(two[i].x0, -0.2f) << i;
    EXPECT_LE(two[i].x1, 0.2f) << i;
    // Smaller than on the wide line but as wide for their height: not squeezed.
    EXPECT_NEAR((two[i].x1 - two[i].x0) / (one[i].x1 - one[i].x0), (two[i].y1 - two[i].y0) / (one[i].y1 - one[i].y0),
                1e-3f)
        << "squeezed: glyph " << i;
  }
  EXPECT_EQ(tops.size(), 2u) << "rows";
  std::set<float> oneTops;
  for (const TextBatchItem& item : one) oneTops.insert(item.y0);
  EXPECT_EQ(oneTops.size(), 1u);
  HoverHint = saved;
}
