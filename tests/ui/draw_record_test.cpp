// draw_record_test.cpp - the frame's record of fills, texts and areas: fills without width or
// height left out, screen units to pixels, the owner's tag carried into each entry, the
// record's limit, and queued texts placed when their batch is drawn.
#include <gtest/gtest.h>

#include <vector>

#include "core/window_state.h"
#include "ui/character_set.h"
#include "ui/draw_record.h"
#include "ui/text_draw.h"

namespace {

class DrawRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_[0] = ScreenWidth;
    screen_[1] = ScreenHeight;
    ScreenWidth = 800;
    ScreenHeight = 600;
    recording_ = DrawRecording;
    DrawRecording = 0;
    ResetDrawRecord();
    saved_ = SmallTextBatch.items;
    SmallTextBatch.items.clear();
  }
  void TearDown() override {
    ResetDrawRecord();
    SmallTextBatch.items = saved_;
    DrawRecording = recording_;
    ScreenWidth = screen_[0];
    ScreenHeight = screen_[1];
  }
  // A cached glyph's item (page 6: no texture margin to take off) over the pixels given.
  static TextBatchItem Item(float x0, float y0, float x1, float y1) {
    TextBatchItem item{};
    item.texturePage = 6;
    item.x0 = x0;
    item.y0 = y0;
    item.x1 = x1;
    item.y1 = y1;
    return item;
  }
  int screen_[2] = {};
  int recording_ = 0;
  std::vector<TextBatchItem> saved_;
};

TEST_F(DrawRecordTest, FillsWithoutWidthOrHeightAreLeftOutAndOnePixelIsKept) {
  RecordFillPixels(0xFF102030u, 10.0f, 20.0f, 10.0f, 30.0f);  // no width
  RecordFillPixels(0xFF102030u, 10.0f, 20.0f, 40.0f, 20.0f);  // no height
  RecordFillPixels(0xFF102030u, 10.0f, 20.0f, 9.0f, 30.0f);   // inside out
  EXPECT_TRUE(DrawRecord.empty());
  RecordFillPixels(0xFF102030u, 10.0f, 20.0f, 11.0f, 21.0f);  // one pixel
  ASSERT_EQ(DrawRecord.size(), 1u);
  const DrawRecordEntry& e = DrawRecord[0];
  EXPECT_EQ(e.left, 10.0f);
  EXPECT_EQ(e.top, 20.0f);
  EXPECT_EQ(e.right, 11.0f);
  EXPECT_EQ(e.bottom, 21.0f);
  EXPECT_EQ(e.colour, 0xFF102030u);
  EXPECT_EQ(e.role, RECORD_FILL) << "the untagged frame's fills are plain fills";
  EXPECT_EQ(e.ownerKind, RECORD_OWNER_NONE);
  EXPECT_EQ(e.owner, -1);
}

TEST_F(DrawRecordTest, FillsInScreenUnitsLandOnThePixelsOfTheScreen) {
  // x -1..1 over 800 pixels, y -1..1 over 600: (-0.5, -1)..(0.25, 0.5) is (200, 0)..(500, 450).
  RecordFillUnits(0x80FFFFFFu, -0.5f, -1.0f, 0.25f, 0.5f);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_FLOAT_EQ(DrawRecord[0].left, 200.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].top, 0.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].right, 500.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].bottom, 450.0f);
  // A fill of no height in units is no fill in pixels either.
  RecordFillUnits(0x80FFFFFFu, -0.5f, 0.5f, 0.25f, 0.5f);
  EXPECT_EQ(DrawRecord.size(), 1u);
}

TEST_F(DrawRecordTest, TheRecordKeepsItsFirstSixteenThousandThreeHundredAndEightyFourEntries) {
  for (int i = 0; i < 16384 + 2; ++i) RecordFillPixels(0xFF000000u | uint32_t(i), 0.0f, 0.0f, 1.0f, 1.0f);
  ASSERT_EQ(DrawRecord.size(), 16384u);
  EXPECT_EQ(DrawRecord.back().colour, 0xFF000000u | 16383u) << "the last one kept is entry 16383";
  StartFrameRecord();
  EXPECT_TRUE(DrawRecord.empty());
}

TEST_F(DrawRecordTest, ControlAndButtonTagsGoWithTheFillsAfterThem) {
  DrawRecording = 1;
  // A control's rectangle in screen units: (-1, 0)..(0.5, 1) is (0, 300)..(600, 600) pixels.
  TagRecordForControl(7, 3, -1.0f, 0.0f, 0.5f, 1.0f, "Wing");
  RecordFillPixels(0xFF00FF00u, 1.0f, 2.0f, 3.0f, 4.0f);
  TagRecordForButton(12, 0, 5, 6, 70, 80, "Go", 1, 0);
  RecordFillPixels(0xFF0000FFu, 5.0f, 6.0f, 70.0f, 80.0f);
  TagRecordForButton(13, 1, 5, 6, 70, 80, nullptr, 0, 2);
  RecordFillPixels(0xFF0000FFu, 5.0f, 6.0f, 70.0f, 80.0f);
  TagRecordFor(RECORD_STATUS, RECORD_BACKING);
  RecordFillPixels(0xFF000000u, 0.0f, 0.0f, 10.0f, 10.0f);
  ASSERT_EQ(DrawRecord.size(), 4u);

  const DrawRecordEntry& panel = DrawRecord[0];
  EXPECT_EQ(panel.role, RECORD_PANEL);
  EXPECT_EQ(panel.ownerKind, RECORD_OWNER_CONTROL);
  EXPECT_EQ(panel.owner, 7);
  EXPECT_EQ(panel.clickable, 1) << "any non-zero clickable is one";
  EXPECT_FLOAT_EQ(panel.ownerLeft, 0.0f);
  EXPECT_FLOAT_EQ(panel.ownerTop, 300.0f);
  EXPECT_FLOAT_EQ(panel.ownerRight, 600.0f);
  EXPECT_FLOAT_EQ(panel.ownerBottom, 600.0f);
  EXPECT_EQ(panel.label, "Wing");

  const DrawRecordEntry& button = DrawRecord[1];
  EXPECT_EQ(button.role, RECORD_BUTTON);
  EXPECT_EQ(button.ownerKind, RECORD_OWNER_BUTTON);
  EXPECT_EQ(button.owner, 12);
  EXPECT_EQ(button.clickable, 0);
  EXPECT_EQ(button.marker, 1);
  EXPECT_EQ(button.inner, 0);
  EXPECT_EQ(button.ownerLeft, 5.0f);
  EXPECT_EQ(button.ownerTop, 6.0f);
  EXPECT_EQ(button.ownerRight, 70.0f);
  EXPECT_EQ(button.ownerBottom, 80.0f);
  EXPECT_EQ(button.label, "Go");

  EXPECT_EQ(DrawRecord[2].marker, 0);
  EXPECT_EQ(DrawRecord[2].inner, 1);
  EXPECT_EQ(DrawRecord[2].clickable, 1);
  EXPECT_EQ(DrawRecord[2].label, "") << "no label: empty";

  const DrawRecordEntry& backing = DrawRecord[3];
  EXPECT_EQ(backing.role, RECORD_BACKING);
  EXPECT_EQ(backing.ownerKind, RECORD_OWNER_NONE);
  EXPECT_EQ(backing.owner, -1);
  EXPECT_EQ(backing.ownerRight, 0.0f);

  // An area is named and owned by nothing; one without width is left out.
  RecordAreaUnits(AREA_CAR, -0.5f, 0.0f, 0.5f, 0.5f);
  RecordArea(AREA_FRONT_WHEEL, 10.0f, 10.0f, 10.0f, 20.0f);
  ASSERT_EQ(DrawRecord.size(), 5u);
  EXPECT_EQ(DrawRecord[4].role, RECORD_AREA);
  EXPECT_EQ(DrawRecord[4].label, AREA_CAR);
  EXPECT_EQ(DrawRecord[4].ownerKind, RECORD_OWNER_NONE);
  EXPECT_FLOAT_EQ(DrawRecord[4].left, 200.0f);
  EXPECT_FLOAT_EQ(DrawRecord[4].bottom, 450.0f);

  // Without recording on, the labels and areas are not kept.
  DrawRecording = 0;
  TagRecordForControl(8, 1, -1.0f, -1.0f, 1.0f, 1.0f, "Kept?");
  RecordFillPixels(0xFF00FF00u, 1.0f, 2.0f, 3.0f, 4.0f);
  EXPECT_EQ(DrawRecord.back().label, "");
  RecordArea(AREA_CAR, 0.0f, 0.0f, 10.0f, 10.0f);
  EXPECT_EQ(DrawRecord.back().role, RECORD_PANEL);
}

TEST_F(DrawRecordTest, QueuedTextsArePlacedOverTheirItemsWhenTheirBatchIsDrawn) {
  DrawRecording = 1;
  std::vector<TextBatchItem>& items = SmallTextBatch.items;
  items.push_back(Item(0.0f, 0.0f, 5.0f, 5.0f));  // someone else's text
  // A text is queued after its items: nothing from the batch's end on, nor for the 3D batch
  // (its texts are parts of the scene's picture).
  RecordQueuedText(SmallTextBatch, 1, "late", 0xFFFFFFFFu);
  Text3DBatch.items.push_back(Item(0.0f, 0.0f, 5.0f, 5.0f));
  RecordQueuedText(Text3DBatch, 0, "3D", 0xFFFFFFFFu);
  Text3DBatch.items.pop_back();
  TagRecordFor(RECORD_MESSAGE, RECORD_BACKING);
  items.push_back(Item(10.0f, 20.0f, 18.0f, 32.0f));
  items.push_back(Item(18.0f, 22.0f, 25.0f, 34.0f));
  RecordQueuedText(SmallTextBatch, 1, "Hi", 0xFFABCDEFu);
  items.push_back(Item(25.0f, 20.0f, 30.0f, 30.0f));
  RecordQueuedText(SmallTextBatch, 3, "  ", 0xFFFFFFFFu);

  std::vector<DrawRecordEntry> waiting;
  WaitingTexts(SmallTextBatch, 0, waiting);
  // "Hi" runs over its two items: x 10..25, y 20..34.
  ASSERT_EQ(waiting.size(), 1u) << "blank texts are not waiting";
  EXPECT_EQ(waiting[0].text, "Hi");
  EXPECT_EQ(waiting[0].role, RECORD_MESSAGE);
  EXPECT_EQ(waiting[0].colour, 0xFFABCDEFu);
  EXPECT_EQ(waiting[0].left, 10.0f);
  EXPECT_EQ(waiting[0].top, 20.0f);
  EXPECT_EQ(waiting[0].right, 25.0f);
  EXPECT_EQ(waiting[0].bottom, 34.0f);
  EXPECT_TRUE(DrawRecord.empty()) << "nothing recorded before the batch is drawn";

  RecordDrawnBatch(SmallTextBatch, 0);
  ASSERT_EQ(DrawRecord.size(), 2u);
  EXPECT_EQ(DrawRecord[0].text, "Hi");
  EXPECT_EQ(DrawRecord[0].right, 25.0f);
  EXPECT_EQ(DrawRecord[1].text, "  ");
  EXPECT_EQ(DrawRecord[1].left, 25.0f);
  EXPECT_EQ(DrawRecord[1].bottom, 30.0f);
  WaitingTexts(SmallTextBatch, 0, waiting);
  EXPECT_TRUE(waiting.empty()) << "a drawn batch's texts are no longer waiting";

  // In screen units: item (-0.5, 0)..(0, 0.5) is (200, 300)..(400, 450) pixels.
  items.clear();
  items.push_back(Item(-0.5f, 0.0f, 0.0f, 0.5f));
  RecordQueuedText(SmallTextBatch, 0, "U", 0xFFFFFFFFu);
  WaitingTexts(SmallTextBatch, 1, waiting);
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_FLOAT_EQ(waiting[0].left, 200.0f);
  EXPECT_FLOAT_EQ(waiting[0].top, 300.0f);
  EXPECT_FLOAT_EQ(waiting[0].right, 400.0f);
  EXPECT_FLOAT_EQ(waiting[0].bottom, 450.0f);
  // Emptied unseen: forgotten.
  ForgetQueuedTexts(SmallTextBatch);
  RecordDrawnBatch(SmallTextBatch, 1);
  EXPECT_EQ(DrawRecord.size(), 2u);
}

TEST_F(DrawRecordTest, AFontPageGlyphsExtentIsItsAdvanceWithoutTheTextureMargins) {
  UseFixedWidthCharacterSet();
  // 'a' is half a cell wide, and its box runs 1/24 cell beyond on both sides: 7/12 of a cell
  // over 7 pixels is 12 pixels a cell, so half a pixel comes off each side.
  TextBatchItem item = Item(10.0f, 20.0f, 17.0f, 32.0f);
  item.texturePage = 0;
  item.glyph = 'a' - FIRST_CODE;
  SmallTextBatch.items.push_back(item);
  RecordQueuedText(SmallTextBatch, 0, "a", 0xFFFFFFFFu);
  RecordDrawnBatch(SmallTextBatch, 0);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_FLOAT_EQ(DrawRecord[0].left, 10.5f);
  EXPECT_FLOAT_EQ(DrawRecord[0].right, 16.5f);
  EXPECT_FLOAT_EQ(DrawRecord[0].top, 20.0f) << "the height as it is";
  EXPECT_FLOAT_EQ(DrawRecord[0].bottom, 32.0f);
}

// A text's extent is the least and the most of all its items, whichever item brings them:
// here the second item reaches furthest left and up, the first furthest down, the second
// furthest right, and the last item none of them.
TEST_F(DrawRecordTest, ATextsExtentTakesEachEdgeFromWhicheverItemReachesFurthest) {
  std::vector<TextBatchItem>& items = SmallTextBatch.items;
  items.push_back(Item(20.0f, 30.0f, 30.0f, 44.0f));
  items.push_back(Item(10.0f, 20.0f, 40.0f, 35.0f));
  items.push_back(Item(15.0f, 32.0f, 25.0f, 38.0f));
  RecordQueuedText(SmallTextBatch, 0, "abc", 0xFFFFFFFFu);
  RecordDrawnBatch(SmallTextBatch, 0);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_EQ(DrawRecord[0].left, 10.0f);
  EXPECT_EQ(DrawRecord[0].top, 20.0f);
  EXPECT_EQ(DrawRecord[0].right, 40.0f);
  EXPECT_EQ(DrawRecord[0].bottom, 44.0f);
}

// A batch that lost some of a text's items before it was drawn places the text over the
// items still there: the first of two, x 10..18.
TEST_F(DrawRecordTest, ATextIsPlacedOverTheItemsItsBatchStillHolds) {
  std::vector<TextBatchItem>& items = SmallTextBatch.items;
  items.push_back(Item(10.0f, 20.0f, 18.0f, 32.0f));
  items.push_back(Item(18.0f, 22.0f, 25.0f, 34.0f));
  RecordQueuedText(SmallTextBatch, 0, "Hi", 0xFFFFFFFFu);
  items.pop_back();
  RecordDrawnBatch(SmallTextBatch, 0);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_EQ(DrawRecord[0].left, 10.0f);
  EXPECT_EQ(DrawRecord[0].right, 18.0f);
  EXPECT_EQ(DrawRecord[0].bottom, 32.0f);
}

// A text whose items are all gone from its batch by the time it is drawn is not recorded.
TEST_F(DrawRecordTest, ATextWhoseItemsAreAllGoneIsNotRecorded) {
  std::vector<TextBatchItem>& items = SmallTextBatch.items;
  items.push_back(Item(0.0f, 0.0f, 5.0f, 5.0f));
  items.push_back(Item(10.0f, 20.0f, 18.0f, 32.0f));
  RecordQueuedText(SmallTextBatch, 1, "gone", 0xFFFFFFFFu);
  items.pop_back();
  RecordDrawnBatch(SmallTextBatch, 0);
  EXPECT_TRUE(DrawRecord.empty());
}

// No more texts wait to be placed than the record can hold: 16384.
TEST_F(DrawRecordTest, NoMoreTextsWaitThanTheRecordHolds) {
  std::vector<TextBatchItem>& items = SmallTextBatch.items;
  for (size_t i = 0; i < DRAW_RECORD_MAX + 1; ++i) {
    items.push_back(Item(0.0f, 0.0f, 5.0f, 5.0f));
    RecordQueuedText(SmallTextBatch, i, "x", 0xFFFFFFFFu);
  }
  std::vector<DrawRecordEntry> waiting;
  WaitingTexts(SmallTextBatch, 0, waiting);
  EXPECT_EQ(waiting.size(), size_t{16384});
  ForgetQueuedTexts(SmallTextBatch);
}

}  // namespace
