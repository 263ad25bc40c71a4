// screen_labels_test.cpp - label rectangles, clipping and the depth-ordered list.
#include <gtest/gtest.h>

#include <bit>

#include "core/config.h"
#include "core/process.h"
#include "core/window_state.h"
#include "ui/interface.h"
#include "ui/screen_labels.h"
#include "ui/text_measure.h"

namespace {

class ScreenLabels : public ::testing::Test {
 protected:
  int savedBlob = 0;
  void SetUp() override {
    savedBlob = CfgBlobSize;
    CfgBlobSize = 6;
    ScreenWidth = 640;
    ScreenHeight = 480;
    SetInterfaceRectangleToScreen();
    ClearScreenLabels();
  }
  void TearDown() override {
    CfgBlobSize = savedBlob;
    ClearScreenLabels();
  }
  static ScreenLabel Label(int type, float x, float y, int32_t first = 0, uint32_t second = 0) {
    ScreenLabel l{};
    l.type = static_cast<uint8_t>(type);
    l.x = x;
    l.y = y;
    l.first = first;
    l.second = second;
    return l;
  }
  static int Rect(const ScreenLabel& l, char* text, float* r) { return GetScreenLabelRect(l, text, r, r + 1, r + 2, r + 3); }
};

}  // namespace

TEST_F(ScreenLabels, BoxTypesHaveTheirSizes) {
  char text[LABEL_TEXT_SIZE];
  float r[4];
  ASSERT_EQ(Rect(Label(LABEL_SQUARE, 100, 100), text, r), 1);
  EXPECT_FLOAT_EQ(r[0], 95.0f);
  EXPECT_FLOAT_EQ(r[3], 105.0f);
  EXPECT_STREQ(text, "");
  Rect(Label(LABEL_WIDE, 100, 100), text, r);
  EXPECT_FLOAT_EQ(r[2] - r[0], 15.0f);
  EXPECT_FLOAT_EQ(r[3] - r[1], 9.0f);
  Rect(Label(LABEL_TALL, 100, 100), text, r);
  EXPECT_FLOAT_EQ(r[2] - r[0], 9.0f);
  Rect(Label(LABEL_BOX, 100, 100), text, r);
  EXPECT_FLOAT_EQ(r[2] - r[0], 2.0f * LABEL_DEFAULT_HALF_SIZE);
}

TEST_F(ScreenLabels, TextTypesShowTheirValues) {
  char text[LABEL_TEXT_SIZE];
  float r[4];
  const struct {
    int32_t value;
    const char* shown;
  } numbers[] = {{0, "0"}, {9, "9"}, {10, "A"}, {35, "Z"}, {36, "a"}, {61, "z"}, {62, "*"}, {200, "*"}, {-1, "*"}};
  for (const auto& n : numbers) {
    Rect(Label(LABEL_SMALL_NUMBER, 100, 100, n.value), text, r);
    EXPECT_STREQ(text, n.shown) << n.value;
  }
  Rect(Label(LABEL_CHARACTER, 100, 100, 0, 0x141), text, r);
  EXPECT_STREQ(text, "A");
  Rect(Label(LABEL_INTEGER, 100, 100, 0, static_cast<uint32_t>(-42)), text, r);
  EXPECT_STREQ(text, "-42");
  Rect(Label(LABEL_DECIMAL, 100, 100, 0, std::bit_cast<uint32_t>(1.5f)), text, r);
  EXPECT_STREQ(text, "1.500");
  Rect(Label(LABEL_ANGLE, 100, 100, 0, std::bit_cast<uint32_t>(-12.25f)), text, r);
  EXPECT_STREQ(text, "-12.2\xB0");
  // The text's box: measured width plus the margins; the text height and the bevel's width,
  // from 2 below its top, which its letters drawn 2 lower do not pass onto the bevel.
  Rect(Label(LABEL_INTEGER, 100, 100, 0, 7), text, r);
  EXPECT_NEAR(r[2] - r[0], TextWidthAtSize1("7") + 2.0f * LABEL_TEXT_MARGIN, 1e-4f);
  EXPECT_FLOAT_EQ(r[3] - r[1], static_cast<float>(TextSize + InterfaceScaleRounded));
}

// A label crossing the clip edge by a pixel, or under a row of the interface placed after it,
// is neither shown nor found by a click.
TEST_F(ScreenLabels, ALabelCrossingTheClipEdgeByOnePixelOrUnderARowIsNotShown) {
  char text[LABEL_TEXT_SIZE];
  float r[4];
  EXPECT_EQ(Rect(Label(LABEL_SQUARE, 5, 100), text, r), 1);  // left edge exactly at 0
  EXPECT_EQ(Rect(Label(LABEL_SQUARE, 4, 100), text, r), 0);
  EXPECT_EQ(Rect(Label(LABEL_SQUARE, 635, 475), text, r), 1);
  EXPECT_EQ(Rect(Label(LABEL_SQUARE, 636, 100), text, r), 0);
  AddScreenLabel(10, 0, 0, 0, nullptr, 0, LABEL_SQUARE, 4, 100);
  EXPECT_EQ(FindScreenLabelAt(2, 100), nullptr);

  // Squares 10 pixels wide at x 100, 200, 300, 400 and 500 (y 100).  A button before the rows
  // over the first; from the rows on, a button over the second, a clickable control over the
  // third, an unseen control only catching the pointer over the fourth, and a button sharing
  // just a pixel's width with the fifth.
  ResetInterfaceState();
  for (int x = 100; x <= 500; x += 100) AddScreenLabel(10, x, 0, 0, nullptr, 0, LABEL_SQUARE, float(x), 100.0f);
  const auto units = [](float pixels, int size) { return 2.0f * pixels / float(size) - 1.0f; };
  AddButton(nullptr, 90, 90, 110, 110, 0, IvText("a"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  const int firstButton = ButtonCount, firstControl = ValueControlCount;
  AddButton(nullptr, 190, 90, 210, 110, 0, IvText("b"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  Prss owner{};
  AddValueControl(&owner, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_PRESS_ONLY, nullptr, nullptr,
                  units(290, 640), units(90, 480), units(310, 640), units(110, 480));
  AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_PRESS_ONLY, nullptr, nullptr,
                  units(390, 640), units(90, 480), units(410, 640), units(110, 480));
  AddButton(nullptr, 504, 90, 520, 110, 0, IvText("e"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  HideScreenLabelsUnderRows(firstButton, firstControl);
  const ScreenLabel* found[5];
  for (int k = 0; k < 5; ++k) found[k] = FindScreenLabelAt(100 * (k + 1), 100);
  ASSERT_NE(found[0], nullptr) << "under a row placed before the rows given";
  EXPECT_EQ(found[0]->first, 100);
  EXPECT_EQ(found[1], nullptr) << "under a button";
  EXPECT_EQ(found[2], nullptr) << "under a clickable control";
  ASSERT_NE(found[3], nullptr) << "under an unseen control";
  ASSERT_NE(found[4], nullptr) << "a pixel's touch";
  EXPECT_EQ(Rect(*found[4], text, r), 1);
  ResetInterfaceState();
}

TEST_F(ScreenLabels, EqualKeysAreAllKeptAndTheRangeFollows) {
  AddScreenLabel(500, 1, 0, 0, nullptr, 0, LABEL_SQUARE, 10, 10);
  AddScreenLabel(500, 2, 0, 0, nullptr, 0, LABEL_SQUARE, 10, 10);
  AddScreenLabel(-20, 3, 0, 0, nullptr, 0, LABEL_SQUARE, 10, 10);
  EXPECT_EQ(ScreenLabelCount, 3);
  EXPECT_EQ(ScreenLabelNearestKey, -20);
  EXPECT_EQ(ScreenLabelDeepestKey, 500);
  const ScreenLabel* byDepth[4];
  ASSERT_EQ(ScreenLabelsByDepth(byDepth, 4), 3);
  EXPECT_EQ(byDepth[0]->first, 3);
  EXPECT_EQ(byDepth[1]->first, 1);
  EXPECT_EQ(byDepth[2]->first, 2);
  ClearInterface();
  EXPECT_EQ(ScreenLabelCount, 0);
  EXPECT_EQ(ScreenLabelsByDepth(byDepth, 4), 0);
}

TEST_F(ScreenLabels, TheNearestLabelOfALaterPassWins) {
  AddScreenLabel(100, 1, 0, 0, nullptr, 0, LABEL_SQUARE, 50, 50);
  AddScreenLabel(300, 2, 0, 0, nullptr, 0, LABEL_SQUARE, 50, 50);
  EXPECT_EQ(FindScreenLabelAt(50, 50)->first, 1);  // deepest first, the nearest last
  AddScreenLabel(900, 3, 0, 2, nullptr, 0, LABEL_SQUARE, 50, 50);
  EXPECT_EQ(FindScreenLabelAt(50, 50)->first, 3);  // fixed colours come in the second pass
  EXPECT_EQ(FindScreenLabelAt(55, 50), nullptr);   // right edge outside
  EXPECT_NE(FindScreenLabelAt(45, 45), nullptr);
}

// A wide label (15 x 9 pixels about its point) is found across its width and not below its
// height: its right and bottom edges are not taken for one another.
TEST_F(ScreenLabels, AWideLabelIsFoundAcrossItsWidthButNotBelowItsHeight) {
  AddScreenLabel(100, 1, 0, 0, nullptr, 0, LABEL_WIDE, 100, 100);
  EXPECT_NE(FindScreenLabelAt(106, 100), nullptr);
  EXPECT_EQ(FindScreenLabelAt(100, 106), nullptr);
  EXPECT_NE(FindScreenLabelAt(100, 103), nullptr);
  EXPECT_EQ(FindScreenLabelAt(109, 100), nullptr);
}

TEST_F(ScreenLabels, AFullListRefusesMore) {
  for (int i = 0; i < MAX_SCREEN_LABELS; ++i) ASSERT_EQ(AddScreenLabel(i, 0, 0, 0, nullptr, 0, 0, 1, 1), 1);
  EXPECT_EQ(AddScreenLabel(1, 0, 0, 0, nullptr, 0, 0, 1, 1), 0);
  EXPECT_EQ(ScreenLabelCount, MAX_SCREEN_LABELS);
}

// The top edge exactly on the clip's top is inside; a pixel above is not (a square of blob
// size 6 reaches 5 pixels up from its point).
TEST_F(ScreenLabels, ALabelsTopOnTheClipsTopIsShown) {
  char text[LABEL_TEXT_SIZE];
  float r[4];
  EXPECT_EQ(Rect(Label(LABEL_SQUARE, 100, 5), text, r), 1);
  EXPECT_EQ(Rect(Label(LABEL_SQUARE, 100, 4), text, r), 0);
}

// The depth list fills no more than the room it is given.
TEST_F(ScreenLabels, TheDepthListKeepsToItsRoom) {
  for (int i = 0; i < 3; ++i) AddScreenLabel(i, i, 0, 0, nullptr, 0, LABEL_SQUARE, 10, 10);
  const ScreenLabel* byDepth[3] = {nullptr, nullptr, nullptr};
  EXPECT_EQ(ScreenLabelsByDepth(byDepth, 2), 2);
  EXPECT_EQ(byDepth[2], nullptr);
}
