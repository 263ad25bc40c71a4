// layout_rules_test.cpp - the layout check's rules over made-up records and pictures: each
// rule finds the fault it is for, names what to move, and leaves sound frames alone.
// Expected contrasts are WCAG 2's published figures; shares of boxes are counted by hand.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/layout/layout_rules.h"
#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/font_pages.h"

namespace {

DrawRecordEntry Fill(int role, uint32_t colour, float l, float t, float r, float b, int owner = -1,
                     const char* label = "") {
  DrawRecordEntry e{};
  e.role = static_cast<uint8_t>(role);
  e.colour = colour;
  e.left = l, e.top = t, e.right = r, e.bottom = b;
  e.owner = owner;
  e.label = label;
  e.squeeze = 1.0f;
  if (owner >= 0) {
    e.ownerKind = RECORD_OWNER_BUTTON;
    e.clickable = 1;
    e.ownerLeft = l, e.ownerTop = t, e.ownerRight = r, e.ownerBottom = b;
  }
  return e;
}

// A text of one span over its whole extent, with glyph cells 16 pixels high.
DrawRecordEntry Text(int role, const char* text, uint32_t ink, float l, float t, float r, float b) {
  DrawRecordEntry e{};
  e.role = static_cast<uint8_t>(role);
  e.text = text;
  e.colour = ink;
  e.left = l, e.top = t, e.right = r, e.bottom = b;
  e.owner = -1;
  e.glyphHeight = 16.0f;
  e.squeeze = 1.0f;
  e.spans = {DrawRecordSpan{ink, l, t, r, b, int(PlainText(text).size())}};
  return e;
}

// A text owned by the button entry `button`.
DrawRecordEntry TextOf(const DrawRecordEntry& button, const char* text, uint32_t ink, float l, float t, float r,
                       float b) {
  DrawRecordEntry e = Text(RECORD_TEXT, text, ink, l, t, r, b);
  e.ownerKind = button.ownerKind;
  e.owner = button.owner;
  e.clickable = button.clickable;
  e.ownerLeft = button.ownerLeft, e.ownerTop = button.ownerTop;
  e.ownerRight = button.ownerRight, e.ownerBottom = button.ownerBottom;
  e.label = button.label;
  return e;
}

DrawRecordEntry Area(const char* name, float l, float t, float r, float b) {
  DrawRecordEntry e = Fill(RECORD_AREA, 0, l, t, r, b);
  e.label = name;
  return e;
}

// A picture of one colour, with boxes painted over it.
struct Picture {
  int width, height;
  std::vector<uint32_t> pixels;
  Picture(int w, int h, uint32_t rgb) : width(w), height(h), pixels(size_t(w) * size_t(h), rgb) {}
  Picture& Paint(uint32_t rgb, int l, int t, int r, int b) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) pixels[size_t(y) * size_t(width) + size_t(x)] = rgb;
    return *this;
  }
  LayoutPicture View() const { return {width, height, pixels.data()}; }
};

const Picture& Window() {
  static const Picture window(400, 300, 0x000000);
  return window;
}

std::vector<LayoutFinding> Check(const std::vector<DrawRecordEntry>& record, const LayoutPicture& picture,
                                 const std::string& keep = "") {
  TextMeasure measure;
  measure.capPerCell = 0.75f;
  measure.width = [](const std::string& text, float cell) { return 0.5f * cell * float(text.size()); };
  return CheckLayout(record, picture, measure, keep);
}

std::vector<LayoutFinding> Found(const std::vector<DrawRecordEntry>& record, const char* rule,
                                 const LayoutPicture& picture = Window().View(), const std::string& keep = "") {
  std::vector<LayoutFinding> out;
  for (const LayoutFinding& f : Check(record, picture, keep))
    if (f.rule == rule) out.push_back(f);
  return out;
}

constexpr uint32_t OPAQUE_GREY = 0xFFC8C8C8u, BLACK_INK = 0xFF000000u, WHITE_INK = 0xFFFFFFFFu;

}  // namespace

TEST(LayoutContrast, TheWcagRatioAndTheFrameBuffersBlend) {
  EXPECT_NEAR(ContrastRatio(0xFFFFFF, 0x000000), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(0x767676, 0xFFFFFF), 4.54, 0.005);  // the lightest grey that passes on white
  EXPECT_NEAR(ContrastRatio(0x777777, 0xFFFFFF), 4.48, 0.005);
  EXPECT_NEAR(ContrastRatio(0xFF0000, 0xFFFFFF), 4.00, 0.005);
  EXPECT_NEAR(RelativeLuminance(0x808080), 0.2159, 0.0001);
  // The back buffer blends in linear light: half of white over black is sRGB 188, not 128.
  EXPECT_EQ(Composite(0x80FFFFFFu, 0x000000), 0xBCBCBCu);
  EXPECT_EQ(Composite(0xFF123456u, 0xFFFFFF), 0x123456u);
  EXPECT_EQ(Composite(0x00123456u, 0xABCDEF), 0xABCDEFu);
  // Colour codes take no room in what a finding names; "^^" is a caret, and so is a caret that
  // ends the text, as the text drawing shows it (the file chooser's "^" button).
  EXPECT_EQ(PlainText("^1Runabout^7*"), "Runabout*");
  EXPECT_EQ(PlainText("a^^b^"), "a^b^");
  EXPECT_EQ(PlainText("^"), "^");
}

TEST(LayoutRows, ClickableRowsThatShareMoreThanAPixelAreNamedBoth) {
  const std::vector<DrawRecordEntry> apart = {Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 0, 40, 20, 0, "load"),
                                              Fill(RECORD_BUTTON, OPAQUE_GREY, 40, 0, 80, 20, 1, "save"),
                                              Fill(RECORD_BUTTON, OPAQUE_GREY, 79, 19, 100, 40, 2, "one pixel")};
  EXPECT_TRUE(Found(apart, "overlap").empty()) << "edges meet, or share a single pixel";

  std::vector<DrawRecordEntry> over = apart;
  over.push_back(Fill(RECORD_BUTTON, OPAQUE_GREY, 30, 10, 60, 30, 3, "aligned"));
  const std::vector<LayoutFinding> found = Found(over, "overlap");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_TRUE(found[0].fails);
  EXPECT_EQ(found[0].what, "\"load\" and \"aligned\"");
  EXPECT_EQ(found[1].what, "\"save\" and \"aligned\"");
  EXPECT_NE(found[0].detail.find("by 10 x 10 pixels"), std::string::npos) << found[0].detail;

  // A scroll bar's knob lies in its trough; a marker of a scene point is no row.
  std::vector<DrawRecordEntry> parts = apart;
  DrawRecordEntry knob = Fill(RECORD_BUTTON, OPAQUE_GREY, 2, 4, 38, 12, 5);
  knob.inner = 1;
  parts.push_back(knob);
  DrawRecordEntry marker = Fill(RECORD_BUTTON, OPAQUE_GREY, 50, 5, 62, 17, 6);
  marker.marker = 1;
  parts.push_back(marker);
  EXPECT_TRUE(Found(parts, "overlap").empty());
  knob.left = knob.ownerLeft = -5;  // a knob out of its trough is a row over another
  parts.push_back(knob);
  parts.back().owner = 7;
  EXPECT_EQ(Found(parts, "overlap").size(), 1u);

  // A row that takes no presses may lie under others (a dialog's box, a heading).
  std::vector<DrawRecordEntry> shown = apart;
  shown.insert(shown.begin(), Fill(RECORD_PANEL, OPAQUE_GREY, 0, 0, 100, 100));
  EXPECT_TRUE(Found(shown, "overlap").empty());
}

TEST(LayoutLabels, ATextBeyondItsButtonIsNamedWithTheButtonAndTheSide) {
  const DrawRecordEntry button = Fill(RECORD_BUTTON, OPAQUE_GREY, 10, 10, 60, 30, 0, "mono colours");
  const std::vector<DrawRecordEntry> inside = {button, TextOf(button, "mono", BLACK_INK, 11, 12, 60.5f, 28)};
  EXPECT_TRUE(Found(inside, "outside").empty());
  const std::vector<DrawRecordEntry> spilling = {button, TextOf(button, "mono colours", BLACK_INK, 12, 12, 75, 28)};
  const std::vector<LayoutFinding> found = Found(spilling, "outside");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "\"mono colours\" runs outside its button");
  EXPECT_NE(found[0].detail.find("15 pixels on the right"), std::string::npos) << found[0].detail;
}

// Whatever is drawn after a text and lies over it covers it: a panel, a button, a message's
// backing; a message line over a row is named too.  A message's own block covers nothing of
// it, and a label of a scene point under the interface is the scene's.
TEST(LayoutCovered, ATextUnderSomethingDrawnAfterItIsNamedWithWhatCoversIt) {
  const DrawRecordEntry backing = Fill(RECORD_BACKING, 0xC0000000u, 0, 0, 300, 20);
  const DrawRecordEntry line = Text(RECORD_MESSAGE, "Could not load vehicle", WHITE_INK, 2, 2, 250, 18);
  EXPECT_TRUE(Found({backing, line, Fill(RECORD_BACKING, 0xC0000000u, 0, 10, 300, 30)}, "covered").empty());

  // Message lines read top to bottom in the order they came: a later one placed in a gap above
  // an earlier one, or beside it, is out of order.
  const DrawRecordEntry second = Text(RECORD_MESSAGE, "Saved data/veh/Mine.veh", WHITE_INK, 2, 20, 250, 36);
  const DrawRecordEntry besideIt = Text(RECORD_MESSAGE, "load Runabout", WHITE_INK, 260, 2, 390, 18);
  EXPECT_TRUE(Found({line, second}, "order").empty());
  std::vector<LayoutFinding> found = Found({second, line, besideIt}, "order");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].what, "message \"Could not load vehicle\" above \"Saved data/veh/Mine.veh\"");
  EXPECT_EQ(found[1].what, "message \"load Runabout\" above \"Could not load vehicle\"");

  const DrawRecordEntry row = Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 5, 100, 25, 4, "Transmission / Audio");
  found = Found({backing, line, row}, "covered");
  ASSERT_EQ(found.size(), 2u) << "covered by the row, and lying over it";
  EXPECT_EQ(found[0].what, "message \"Could not load vehicle\" under the panel of \"Transmission / Audio\"");
  EXPECT_EQ(found[1].what, "message \"Could not load vehicle\" over \"Transmission / Audio\"");

  // A rev counter's numeral under the panel of a later row; a see-through highlight is no cover.
  const DrawRecordEntry numeral = Text(RECORD_TEXT, "3", WHITE_INK, 40, 40, 48, 52);
  found = Found({numeral, Fill(RECORD_FILL, 0x10FFFFFFu, 30, 30, 60, 60), Fill(RECORD_PANEL, 0x80404040u, 44, 30, 90, 60, -1, "V")},
                "covered");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "text \"3\" under the panel of \"V\"");
  DrawRecordEntry label = numeral;
  label.marker = 1;
  EXPECT_TRUE(Found({label, Fill(RECORD_PANEL, 0x80404040u, 44, 30, 90, 60, -1, "V")}, "covered").empty());
}

// Two texts of the interface overlap ("Camber : +2.50Camber : +0.50"); a shadow a pixel or two
// off is its text's own.  Labels of scene points may touch, but not pile up.
TEST(LayoutTexts, OverlappingTextsAndPiledLabelsAreNamed) {
  const DrawRecordEntry left = Text(RECORD_TEXT, "Camber : +2.50", WHITE_INK, 100, 10, 200, 24);
  const DrawRecordEntry right = Text(RECORD_TEXT, "Camber : +0.50", WHITE_INK, 190, 10, 290, 24);
  std::vector<LayoutFinding> found = Found({left, right}, "text-overlap");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "\"Camber : +2.50\" and \"Camber : +0.50\"");
  DrawRecordEntry shadow = left;
  shadow.left += 2, shadow.right += 2, shadow.top += 2, shadow.bottom += 2;
  EXPECT_TRUE(Found({left, shadow}, "text-overlap").empty());
  // Run together on one line: under a quarter of the 16-pixel cells apart (4 pixels).
  DrawRecordEntry next = right;
  next.left = 203.5f, next.right = 300;
  EXPECT_EQ(Found({left, next}, "text-overlap").size(), 1u) << "3.5 pixels apart";
  next.left = 204.5f;
  EXPECT_TRUE(Found({left, next}, "text-overlap").empty()) << "4.5 pixels apart";
  next.left = 200, next.top = 30, next.bottom = 44;
  EXPECT_TRUE(Found({left, next}, "text-overlap").empty()) << "the line below";

  // Scene labels, each a box 20 x 16 and its text over all of it, drawn deepest first: one
  // half hidden under the next is not yet a pile; boxes without texts pile up unread.
  auto sceneLabel = [](std::vector<DrawRecordEntry>& out, float x, float y) {
    DrawRecordEntry box = Fill(RECORD_LABEL_BOX, OPAQUE_GREY, x, y, x + 20, y + 16);
    box.marker = 1;
    out.push_back(box);
    DrawRecordEntry text = Text(RECORD_TEXT, "#7", BLACK_INK, x, y, x + 20, y + 16);
    text.marker = 1;
    out.push_back(text);
  };
  std::vector<DrawRecordEntry> two;
  sceneLabel(two, 0, 0), sceneLabel(two, 10, 0);
  EXPECT_TRUE(Found(two, "pile").empty()) << "half hidden";
  EXPECT_TRUE(Found(two, "text-overlap").empty());
  std::vector<DrawRecordEntry> pile;
  sceneLabel(pile, 0, 0), sceneLabel(pile, 9, 0), sceneLabel(pile, 4, 6), sceneLabel(pile, 60, 60);
  std::vector<DrawRecordEntry> boxes;
  for (const DrawRecordEntry& e : pile)
    if (e.role == RECORD_LABEL_BOX) boxes.push_back(e);
  EXPECT_TRUE(Found(boxes, "pile").empty()) << "no text to read";
  found = Found(pile, "pile");
  ASSERT_EQ(found.size(), 1u) << "one finding for the frame";
  EXPECT_NE(found[0].detail.find("1 of 4 labels"), std::string::npos) << found[0].detail;
  // Over the car on show (the left and right wheels' points of a side view) they are the scene's.
  std::vector<DrawRecordEntry> onCar = pile;
  onCar.push_back(Area(AREA_CAR, 0, 0, 30, 30));
  EXPECT_TRUE(Found(onCar, "pile").empty());
}

// Each span of a text against the pixels of the picture behind it: over more than a tenth of
// its box under 4.5:1 fails.
TEST(LayoutContrast, EachSpanIsHeldToFourAndAHalfAgainstThePixelsBehindIt) {
  // White ink over a box 100 x 10 that is black but for a white band 11 pixels wide: 11% short.
  Picture roof(400, 300, 0x000000);
  roof.Paint(0xFFFFFF, 50, 20, 61, 30);
  const DrawRecordEntry line = Text(RECORD_TEXT, "Stiffness 40.0 N/mm", WHITE_INK, 50, 20, 150, 30);
  std::vector<LayoutFinding> found = Found({line}, "contrast", roof.View());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].fails);
  EXPECT_EQ(found[0].what, "\"Stiffness 40.0 N/mm\"");
  EXPECT_NE(found[0].detail.find("under 4.5:1 over 11%"), std::string::npos) << found[0].detail;
  roof.Paint(0x000000, 60, 20, 61, 30);  // 10 pixels wide: a tenth may fall short
  EXPECT_TRUE(Found({line}, "contrast", roof.View()).empty());

  // A coloured span by its own colour: a red "*" over the light grey of a name row (2.39:1 for
  // 0xFF0000 on 0xC8C8C8 by WCAG's formula), the black name standing out.
  const Picture row = Picture(400, 300, 0x000000).Paint(0xC8C8C8, 0, 280, 200, 300);
  DrawRecordEntry name = Text(RECORD_TEXT, "Runabout^1*", BLACK_INK, 10, 282, 118, 298);
  name.spans = {DrawRecordSpan{BLACK_INK, 10, 282, 108, 298, 8}, DrawRecordSpan{0xFFFF0000u, 108, 282, 118, 298, 1}};
  found = Found({name}, "contrast", row.View());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "\"Runabout*\" its part \"*\"");
  EXPECT_NE(found[0].detail.find("2.39:1"), std::string::npos) << found[0].detail;

  // A button face is a backing like any other: white on pure red is 4.00:1.
  const Picture red = Picture(400, 300, 0x000000).Paint(0xFF0000, 0, 0, 40, 20);
  const DrawRecordEntry face = Fill(RECORD_BUTTON, 0xFFFF0000u, 0, 0, 40, 20, 0, "del");
  found = Found({face, TextOf(face, "del", WHITE_INK, 8, 4, 32, 16)}, "contrast", red.View());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].fails);

  // Within 5% of the need it keeps a listed finding alive but fails no new one: 0x757575 on
  // white is 4.61:1; a see-through ink is blended over each pixel first.
  const Picture white(400, 300, 0xFFFFFF);
  found = Found({Text(RECORD_TEXT, "grey", 0xFF757575u, 10, 10, 50, 20)}, "contrast", white.View());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_FALSE(found[0].fails);
  EXPECT_TRUE(found[0].marginal);
  EXPECT_EQ(Found({Text(RECORD_TEXT, "faint", 0x40000000u, 10, 10, 50, 20)}, "contrast", white.View()).size(), 1u);
  EXPECT_TRUE(Found({Text(RECORD_TEXT, "black", BLACK_INK, 10, 10, 50, 20)}, "contrast", white.View()).empty());
}

// A dialog's texts are held to 4.5:1 against the pixels behind them in the frame drawn with
// everything under the dialog solid black, and again solid white.  By WCAG's formula: a
// quarter-opaque 0xC8C8C8 panel blends to 0x6A over black (black ink 3.88:1) and to 0xF3 over
// white (white ink 1.11:1); on opaque 0xC8C8C8 black ink is 12.6:1 and white 1.67:1.
TEST(LayoutBackdrop, ADialogsTextsAreJudgedOnThePixelsOverABlackAndAWhiteBackdrop) {
  DrawRecordEntry panel = Fill(RECORD_PANEL, 0x40C8C8C8u, 100, 100, 300, 200, 7);
  panel.ownerKind = RECORD_OWNER_CONTROL, panel.clickable = 0;
  const DrawRecordEntry title = TextOf(panel, "Name of vehicle to SAVE", BLACK_INK, 110, 110, 290, 126);
  DrawRecordEntry second = TextOf(panel, "Press H", WHITE_INK, 110, 130, 290, 146);
  second.owner = 8;
  const DrawRecordEntry dialog = Area(AREA_DIALOG, 100, 100, 300, 200);
  // The screen's own text under the dialog (added before its panel) and one beside it are not
  // the dialog's: black on black, they are left to the contrast rule.
  DrawRecordEntry screen = Fill(RECORD_PANEL, 0xFF000000u, 0, 0, 400, 300, 3);
  screen.ownerKind = RECORD_OWNER_CONTROL;
  const DrawRecordEntry under = TextOf(screen, "Mass", BLACK_INK, 110, 160, 290, 176);
  DrawRecordEntry beside = TextOf(panel, "kb", BLACK_INK, 310, 110, 330, 126);
  beside.owner = 9;
  const std::vector<DrawRecordEntry> record = {screen, under, dialog, panel, title, second, beside};
  EXPECT_TRUE(ShowsDialog(record));
  EXPECT_FALSE(ShowsDialog({screen, under}));
  const auto judged = [&](const Picture& overBlack, const Picture& overWhite) {
    return CheckDialogBackdrops(record, overBlack.View(), overWhite.View());
  };

  // See-through: each text fails over the backdrop it shares a shade with.
  Picture black(400, 300, 0x000000), white(400, 300, 0xFFFFFF);
  black.Paint(0x6A6A6A, 100, 100, 300, 200);
  white.Paint(0xF3F3F3, 100, 100, 300, 200);
  std::vector<LayoutFinding> found = judged(black, white);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].rule, "backdrop");
  EXPECT_EQ(found[0].what, "\"Name of vehicle to SAVE\"");
  EXPECT_NE(found[0].detail.find("over a black backdrop behind the dialog 3.88:1"), std::string::npos) << found[0].detail;
  EXPECT_EQ(found[1].what, "\"Press H\"");
  EXPECT_NE(found[1].detail.find("over a white backdrop behind the dialog 1.11:1"), std::string::npos) << found[1].detail;
  EXPECT_TRUE(found[0].fails && found[1].fails);

  // Opaque: the same pixels over both backdrops; the white line fails until a black backing
  // is drawn under it.  The record's colours are not asked: its see-through panel is judged
  // by the opaque pixels.
  black.Paint(0xC8C8C8, 100, 100, 300, 200);
  white.Paint(0xC8C8C8, 100, 100, 300, 200);
  found = judged(black, white);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "\"Press H\"");
  EXPECT_NE(found[0].detail.find("1.67:1"), std::string::npos) << found[0].detail;
  black.Paint(0x000000, 108, 128, 292, 148);
  white.Paint(0x000000, 108, 128, 292, 148);
  EXPECT_TRUE(judged(black, white).empty());
  // A fifth of the line's box white over the white backdrop alone (a backing that does not
  // reach the text's end, say, the backdrop showing through) fails it over white only.
  white.Paint(0xFFFFFF, 110, 130, 146, 146);
  found = judged(black, white);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].detail.find("over a white backdrop"), std::string::npos) << found[0].detail;
  EXPECT_NE(found[0].detail.find("under 4.5:1 over 20%"), std::string::npos) << found[0].detail;

  // A dialog area with no panel drawn on it is a finding of its own.
  found = CheckDialogBackdrops({dialog, title}, black.View(), white.View());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "the dialog's panel");
}

// A coded part means its colour: "^1" red (hue 0), "^3" yellow (60), within 30 degrees, at
// least half saturated (largest channel's lead over the least, over the largest), 3:1 from the
// text's ink beside it.  Hues and ratios worked by hand: 0xFF8000 lies 30.1 degrees from red,
// 0xFF7800 28.2; maroon 0x590B0B beside black is 1.48:1, pure red 5.25:1.
TEST(LayoutCoded, ACodedPartKeepsItsCodesHueAndStandsApartFromTheInk) {
  // The text's spans: each colour with the glyphs it runs over.
  const auto coded = [](const char* text, uint32_t ink, std::vector<std::pair<uint32_t, int>> spans) {
    DrawRecordEntry e = Text(RECORD_TEXT, text, ink, 10, 10, 210, 26);
    e.spans.clear();
    for (const auto& [colour, glyphs] : spans)
      e.spans.push_back(DrawRecordSpan{0xFF000000u | colour, 10, 10, 30, 26, glyphs});
    return Found({e}, "coded");
  };
  EXPECT_TRUE(coded("Runabout^1*", BLACK_INK, {{0x000000, 8}, {0xFF0000, 1}}).empty()) << "red beside black";
  std::vector<LayoutFinding> found = coded("Runabout^1*", BLACK_INK, {{0x000000, 8}, {0x590B0B, 1}});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "\"Runabout*\" its part \"*\"");
  EXPECT_NE(found[0].detail.find("1.48:1 from the text's ink"), std::string::npos) << found[0].detail;
  EXPECT_TRUE(coded("ab^1cd", BLACK_INK, {{0x000000, 2}, {0xFF7800, 2}}).empty());
  ASSERT_EQ(coded("ab^1cd", BLACK_INK, {{0x000000, 2}, {0xFF8000, 2}}).size(), 1u) << "30.1 degrees off red";
  // Yellow blended towards black, or greyed: a hue no longer yellow to see.
  EXPECT_EQ(coded("Half upright ^3(TOO SHORT)^8", BLACK_INK, {{0x000000, 11}, {0x222200, 10}}).size(), 1u);
  EXPECT_EQ(coded("Half upright ^3(TOO SHORT)^8", BLACK_INK, {{0x000000, 11}, {0x80806A, 10}}).size(), 1u) << "saturation 0.17";
  EXPECT_TRUE(coded("Half upright ^3(TOO SHORT)^8", BLACK_INK, {{0x000000, 11}, {0xFFFF00, 10}}).empty());
  // A text all in its code has no ink beside it; white and black codes carry no hue; a caret
  // ("^^") is a glyph of the ink.
  EXPECT_TRUE(coded("^3data", WHITE_INK, {{0xFFFF40, 4}}).empty());
  EXPECT_TRUE(coded("ab^7cd", BLACK_INK, {{0x000000, 2}, {0x808080, 2}}).empty());
  EXPECT_EQ(coded("a^^^4bc", WHITE_INK, {{0xFFFFFF, 2}, {0xFF0000, 2}}).size(), 1u) << "blue drawn red";
}

TEST(LayoutSizes, TextsAndRowsOffTheWindowSmallOrSqueezedAreNamed) {
  // Off the window: a row by 16 pixels at the foot, its text by 11.
  const DrawRecordEntry button = Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 290, 40, 316, 0, "layer");
  std::vector<LayoutFinding> found = Found({button, TextOf(button, "layer", BLACK_INK, 4, 295, 36, 311)}, "off-window");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].what, "row \"layer\"");
  EXPECT_EQ(found[1].what, "text \"layer\"");
  EXPECT_TRUE(Found({Text(RECORD_TEXT, "edge", WHITE_INK, -1, 0, 40, 301)}, "off-window").empty()) << "a pixel";

  // Capitals under 7 pixels (cells of 9 at 0.75: 6.75), glyphs squeezed under three quarters.
  DrawRecordEntry small = Text(RECORD_TEXT, "Power-weight", WHITE_INK, 10, 10, 90, 19);
  small.glyphHeight = 9.0f;
  DrawRecordEntry squeezed = Text(RECORD_TEXT, "Suspension", WHITE_INK, 10, 30, 50, 46);
  squeezed.squeeze = 0.45f;
  DrawRecordEntry fine = Text(RECORD_TEXT, "Tyres", WHITE_INK, 10, 50, 50, 60);
  fine.glyphHeight = 9.4f, fine.squeeze = 0.75f;
  found = Found({small, squeezed, fine}, "small");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].what, "\"Power-weight\"");
  EXPECT_NE(found[0].detail.find("capitals 6.8 pixels high"), std::string::npos) << found[0].detail;
  EXPECT_NE(found[1].detail.find("squeezed to 0.45"), std::string::npos) << found[1].detail;
}

// A cut with "..." is allowed where even the least size would not fit the whole text between
// the row's neighbours; the width measure here is half a cell a character, the least cell
// 7 / 0.75 = 9.33 pixels: "220" needs 14 + 4 pixels.
TEST(LayoutCuts, ACutIsAllowedOnlyWhereTheWholeTextCouldNotFitTheFreeSpace) {
  const DrawRecordEntry left = Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 0, 100, 20, 0, "\x8B");
  const DrawRecordEntry value = Fill(RECORD_BUTTON, OPAQUE_GREY, 100, 0, 112, 20, 1, "220");
  DrawRecordEntry right = Fill(RECORD_BUTTON, OPAQUE_GREY, 130, 0, 200, 20, 2, "\x9B");
  const DrawRecordEntry cut = TextOf(value, "2...", BLACK_INK, 101, 4, 111, 16);
  std::vector<LayoutFinding> found = Found({left, value, right, cut}, "cut");
  ASSERT_EQ(found.size(), 1u) << "30 pixels lie free";
  EXPECT_EQ(found[0].what, "\"2...\" for \"220\"");
  right.left = right.ownerLeft = 115;
  EXPECT_TRUE(Found({left, value, right, cut}, "cut").empty()) << "15 pixels lie free";
  found = Found({left, value, right, cut}, "cut-allowed");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_FALSE(found[0].fails);
  EXPECT_NE(found[0].detail.find("needs 18 pixels at the least size, 15 lie free"), std::string::npos)
      << found[0].detail;
}

TEST(LayoutThumbs, ASlidersThumbThroughItsOwnTextIsNamed) {
  DrawRecordEntry panel = Fill(RECORD_PANEL, OPAQUE_GREY, 0, 0, 200, 24);
  panel.ownerKind = RECORD_OWNER_CONTROL, panel.owner = 3;
  DrawRecordEntry thumb = panel;
  thumb.inner = 1;
  thumb.left = 60, thumb.right = 65, thumb.top = 2, thumb.bottom = 22;
  DrawRecordEntry text = Text(RECORD_TEXT, "Forward 1.300m", BLACK_INK, 40, 5, 160, 19);
  text.ownerKind = RECORD_OWNER_CONTROL, text.owner = 3;
  std::vector<LayoutFinding> found = Found({panel, thumb, text}, "thumb");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "the thumb through \"Forward 1.300m\"");
  thumb.left = 170, thumb.right = 175;
  EXPECT_TRUE(Found({panel, thumb, text}, "thumb").empty()) << "beside the text";

  // A row's knob: a narrow button that takes no presses drawn inside the row.
  const DrawRecordEntry row = Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 240, 336, 264, 50, "Reverse gear ratio");
  DrawRecordEntry knob = Fill(RECORD_BUTTON, OPAQUE_GREY, 102, 240, 108, 264, 51);
  knob.clickable = 0;
  const DrawRecordEntry label = TextOf(row, "Reverse gear ratio", BLACK_INK, 93, 245, 241, 258);
  found = Found({row, knob, label}, "thumb");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "the thumb through \"Reverse gear ratio\"");
  knob.right = knob.ownerRight = 180;  // wider than a fifth of its row: no knob
  EXPECT_TRUE(Found({row, knob, label}, "thumb").empty());
}

// The garage keeps the car in sight: drawn at all, and the information panel over a third of
// its box at most (the cutouts screen its page view the same).  The side view keeps the front wheel: the interface over a twentieth of it
// at most.  A diagram keeps its wheels large enough to read.
TEST(LayoutKept, ThePanelOverTheCarAndTheInterfaceOverTheFrontWheelAreMeasured) {
  const DrawRecordEntry car = Area(AREA_CAR, 0, 100, 300, 200);  // 30000 pixels
  EXPECT_TRUE(Found({car, Area(AREA_INFO_PANEL, 0, 0, 100, 200)}, "car-covered", Window().View(), AREA_CAR).empty());
  std::vector<LayoutFinding> found =
      Found({car, Area(AREA_INFO_PANEL, 0, 0, 101, 200)}, "car-covered", Window().View(), AREA_CAR);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].detail.find("covers 34%"), std::string::npos) << found[0].detail;
  EXPECT_EQ(Found({}, "car-unseen", Window().View(), AREA_CAR).size(), 1u) << "no car drawn";
  // A car under a hundredth of the 400 x 300 window is none on show: 1200 pixels.
  EXPECT_EQ(Found({Area(AREA_CAR, 0, 0, 40, 29)}, "car-unseen", Window().View(), AREA_CAR).size(), 1u);
  EXPECT_TRUE(Found({Area(AREA_CAR, 0, 0, 40, 30)}, "car-unseen", Window().View(), AREA_CAR).empty());
  EXPECT_TRUE(Found({Area(AREA_INFO_PANEL, 0, 0, 400, 300)}, "car-covered").empty()) << "nothing kept";
  // The cutouts screen's page view is kept as the car is: opaque buttons (a list's last
  // columns) over a third of it at most, faint fills not counted.
  const DrawRecordEntry page = Area(AREA_CUTOUT_FRAME, 300, 0, 400, 100);  // 10000 pixels
  const auto columns = [](float right, uint32_t colour) { return Fill(RECORD_BUTTON, colour, 0, 0, right, 100, 3, "NONE"); };
  EXPECT_TRUE(Found({page, columns(333, 0xFFFFD0A0u)}, "cutout-covered", Window().View(), AREA_CUTOUT_FRAME).empty());
  found = Found({page, columns(334, 0xFFFFD0A0u)}, "cutout-covered", Window().View(), AREA_CUTOUT_FRAME);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "the interface over the cutout frame");
  EXPECT_TRUE(Found({page, columns(400, 0x80FFD0A0u)}, "cutout-covered", Window().View(), AREA_CUTOUT_FRAME).empty());
  EXPECT_EQ(Found({}, "cutout-unseen", Window().View(), AREA_CUTOUT_FRAME).size(), 1u) << "no page shown";

  const DrawRecordEntry wheel = Area(AREA_FRONT_WHEEL, 100, 200, 160, 260);  // 3600 pixels
  const DrawRecordEntry suspension = Fill(RECORD_PANEL, 0x80404040u, 0, 0, 103, 300, 1, "Suspension");
  EXPECT_TRUE(Found({wheel, suspension}, "wheel-covered", Window().View(), AREA_FRONT_WHEEL).empty()) << "3 columns: 5%";
  found = Found({wheel, Fill(RECORD_PANEL, 0x80404040u, 0, 0, 104, 300, 1, "Suspension")}, "wheel-covered",
                Window().View(), AREA_FRONT_WHEEL);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].what, "the interface over the front wheel");

  // A wheel's tyre section in a flat diagram stands 48 pixels high at least, in every state.
  EXPECT_TRUE(Found({Area(AREA_WHEEL_FIGURE, 10, 10, 40, 58)}, "small-figure").empty());
  EXPECT_EQ(Found({Area(AREA_WHEEL_FIGURE, 10, 10, 40, 57)}, "small-figure").size(), 1u);
}

// A glyph whose box on its font page reaches past the page's edge onto ink of the page's
// other side shows that ink (the stray stroke beside "V", from the "d" at the row's end).
TEST(LayoutGlyphs, AGlyphReachingBeyondItsFontPageOntoInkIsNamed) {
  UseFixedWidthCharacterSet();
  Char& v = Glyphs['V' - FIRST_CODE];
  GraphPoint point{};
  v.numPoints = 1, v.points = &point;
  v.fontPage = 0;
  v.u0 = 0.1f, v.u1 = 0.2f, v.v0 = 0.5f, v.v1 = 0.6f;
  FontPageImages pages;
  pages.pages.assign(1, std::vector<uint8_t>(size_t(FONT_PAGE_PIXELS) * FONT_PAGE_PIXELS * 4, 0));
  // The stem of a "d" in the page's last column, rows 270 to 290; nothing in its last row.
  for (int y = 270; y < 290; ++y) pages.pages[0][(size_t(y) * FONT_PAGE_PIXELS + FONT_PAGE_PIXELS - 1) * 4 + 3] = 255;
  EXPECT_TRUE(CheckGlyphs({'S', 'A', 'V', 'E'}, pages).empty()) << "inside the page";
  v.u0 = -3.0f / 512.0f;  // three texels left of the page, from row 256 to 307
  std::vector<LayoutFinding> found = CheckGlyphs({'S', 'A', 'V', 'E'}, pages);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].rule, "glyph");
  EXPECT_EQ(found[0].what, "\"V\"");
  v.u0 = 0.1f, v.v0 = -1.0f / 512.0f;  // a texel above the page, over its empty last row
  found = CheckGlyphs({'V'}, pages);
  v.numPoints = 0, v.points = nullptr;
  EXPECT_TRUE(found.empty());
}
