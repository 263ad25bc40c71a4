// layout_rules_test.cpp - the layout check's rules over made-up records: each rule finds the
// fault it is for, names what to move, and leaves sound frames alone.  Expected contrasts are
// WCAG 2's published figures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/layout/layout_rules.h"

namespace {

DrawRecordEntry Fill(int role, uint32_t colour, float l, float t, float r, float b, int owner = -1,
                     const char* label = "") {
  DrawRecordEntry e{};
  e.role = static_cast<uint8_t>(role);
  e.colour = colour;
  e.left = l, e.top = t, e.right = r, e.bottom = b;
  e.owner = owner;
  e.label = label;
  if (owner >= 0) {
    e.ownerKind = RECORD_OWNER_BUTTON;
    e.clickable = 1;
    e.ownerLeft = l, e.ownerTop = t, e.ownerRight = r, e.ownerBottom = b;
  }
  return e;
}

DrawRecordEntry Text(int role, const char* text, uint32_t ink, float l, float t, float r, float b) {
  DrawRecordEntry e{};
  e.role = static_cast<uint8_t>(role);
  e.text = text;
  e.colour = ink;
  e.left = l, e.top = t, e.right = r, e.bottom = b;
  e.owner = -1;
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

std::vector<LayoutFinding> Failing(const std::vector<DrawRecordEntry>& record, const char* kind) {
  std::vector<LayoutFinding> out;
  for (const LayoutFinding& f : CheckLayout(record))
    if (f.kind == kind) out.push_back(f);
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
}

TEST(LayoutRows, ClickableRowsThatShareMoreThanAPixelAreNamedBoth) {
  const std::vector<DrawRecordEntry> apart = {Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 0, 40, 20, 0, "load"),
                                              Fill(RECORD_BUTTON, OPAQUE_GREY, 40, 0, 80, 20, 1, "save"),
                                              Fill(RECORD_BUTTON, OPAQUE_GREY, 79, 19, 100, 40, 2, "one pixel")};
  EXPECT_TRUE(Failing(apart, "overlap").empty()) << "edges meet, or share a single pixel";

  std::vector<DrawRecordEntry> over = apart;
  over.push_back(Fill(RECORD_BUTTON, OPAQUE_GREY, 30, 10, 60, 30, 3, "aligned"));
  const std::vector<LayoutFinding> found = Failing(over, "overlap");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_TRUE(found[0].fails);
  EXPECT_NE(found[0].text.find("\"load\" and \"aligned\""), std::string::npos) << found[0].text;
  EXPECT_NE(found[1].text.find("\"save\" and \"aligned\""), std::string::npos) << found[1].text;

  // A scroll bar's knob lies in its trough; a marker of a scene point is no row.
  std::vector<DrawRecordEntry> parts = apart;
  DrawRecordEntry knob = Fill(RECORD_BUTTON, OPAQUE_GREY, 2, 4, 38, 12, 5);
  knob.inner = 1;
  parts.push_back(knob);
  DrawRecordEntry marker = Fill(RECORD_BUTTON, OPAQUE_GREY, 50, 5, 62, 17, 6);
  marker.marker = 1;
  parts.push_back(marker);
  EXPECT_TRUE(Failing(parts, "overlap").empty());
  knob.left = knob.ownerLeft = -5;  // a knob out of its trough is a row over another
  parts.push_back(knob);
  parts.back().owner = 7;
  EXPECT_EQ(Failing(parts, "overlap").size(), 1u);

  // A row that takes no presses may lie under others (a dialog's box, a heading).
  std::vector<DrawRecordEntry> shown = apart;
  DrawRecordEntry box = Fill(RECORD_PANEL, OPAQUE_GREY, 0, 0, 100, 100);
  shown.insert(shown.begin(), box);
  EXPECT_TRUE(Failing(shown, "overlap").empty());
}

TEST(LayoutLabels, ATextBeyondItsButtonIsNamedWithTheButtonAndTheSide) {
  const DrawRecordEntry button = Fill(RECORD_BUTTON, OPAQUE_GREY, 10, 10, 60, 30, 0, "mono colours");
  const std::vector<DrawRecordEntry> inside = {button, TextOf(button, "mono", BLACK_INK, 11, 12, 60.5f, 28)};
  EXPECT_TRUE(Failing(inside, "outside").empty());
  const std::vector<DrawRecordEntry> spilling = {button, TextOf(button, "mono colours", BLACK_INK, 12, 12, 75, 28)};
  const std::vector<LayoutFinding> found = Failing(spilling, "outside");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].text.find("\"mono colours\""), std::string::npos);
  EXPECT_NE(found[0].text.find("15 pixels on the right"), std::string::npos) << found[0].text;
}

TEST(LayoutMessages, AMessageCoveredOrLyingOverARowIsNamed) {
  const DrawRecordEntry backing = Fill(RECORD_BACKING, 0xC0000000u, 0, 0, 300, 20);
  const DrawRecordEntry line = Text(RECORD_MESSAGE, "Could not load vehicle", WHITE_INK, 2, 2, 250, 18);
  EXPECT_TRUE(Failing({backing, line}, "covered").empty());

  const DrawRecordEntry row = Fill(RECORD_BUTTON, OPAQUE_GREY, 0, 5, 100, 25, 4, "Transmission / Audio");
  std::vector<LayoutFinding> found = Failing({backing, line, row}, "covered");
  ASSERT_EQ(found.size(), 2u) << "covered by the row, and lying over it";
  EXPECT_NE(found[0].text.find("is covered by the panel of \"Transmission / Audio\""), std::string::npos)
      << found[0].text;
  EXPECT_NE(found[1].text.find("lies over \"Transmission / Audio\""), std::string::npos) << found[1].text;

  const DrawRecordEntry status = Text(RECORD_STATUS, "prepare for save", WHITE_INK, 400, 40, 500, 60);
  const DrawRecordEntry later = Text(RECORD_TEXT, "lod1", BLACK_INK, 450, 45, 470, 55);
  found = Failing({status, later}, "covered");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].text.find("status line \"prepare for save\" is covered by text \"lod1\""), std::string::npos)
      << found[0].text;
}

TEST(LayoutContrast, TextOverTheSceneOrASeeThroughPanelMustStandOutOverBlackAndWhite) {
  // Black on a 20 % light grey panel: fine over a white scene, lost over a black one.
  const DrawRecordEntry panel = Fill(RECORD_PANEL, 0x33C8C8C8u, 0, 0, 200, 40);
  std::vector<LayoutFinding> found = Failing({panel, Text(RECORD_TEXT, "Exit editor?", BLACK_INK, 10, 10, 100, 30)},
                                             "contrast");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].fails);
  EXPECT_NE(found[0].text.find("\"Exit editor?\""), std::string::npos);
  // Straight over the scene: no ink stands out from both black and white; over a page cleared
  // to black, a light one does.
  EXPECT_EQ(Failing({Text(RECORD_TEXT, "1012", WHITE_INK, 0, 0, 20, 10)}, "contrast").size(), 1u);
  EXPECT_TRUE(CheckLayout({Text(RECORD_TEXT, "1012", WHITE_INK, 0, 0, 20, 10)}, 0xFF000000u).empty());
  EXPECT_EQ(CheckLayout({Text(RECORD_TEXT, "1012", WHITE_INK, 0, 0, 20, 10)}, 0xFFF0F0F0u).size(), 1u);
  // An opaque dark backing under a light text holds whatever the scene.
  EXPECT_TRUE(Failing({Fill(RECORD_BACKING, 0xFF000000u, 0, 0, 200, 40),
                       Text(RECORD_MESSAGE, "Repaired", 0xFFC8C8C8u, 10, 10, 100, 30)},
                      "contrast")
                  .empty());
  // A see-through backing counts under the text's middle only where it lies.
  EXPECT_EQ(Failing({Fill(RECORD_BACKING, 0xFF000000u, 0, 0, 50, 40),
                     Text(RECORD_MESSAGE, "Repaired", 0xFFC8C8C8u, 60, 10, 100, 30)},
                    "contrast")
                .size(),
            1u);
}

TEST(LayoutContrast, ButtonFacesAreReportedNotFailed) {
  const DrawRecordEntry face = Fill(RECORD_BUTTON, 0xFF6E6E6Eu, 0, 0, 60, 20, 0, "undo");
  const std::vector<LayoutFinding> found = CheckLayout({face, TextOf(face, "undo", BLACK_INK, 5, 3, 40, 17)});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].kind, "face contrast");
  EXPECT_FALSE(found[0].fails);
  // The same ink over a see-through panel fails.
  DrawRecordEntry panel = face;
  panel.role = RECORD_PANEL;
  panel.colour = 0x806E6E6Eu;
  EXPECT_TRUE(CheckLayout({panel, TextOf(panel, "undo", BLACK_INK, 5, 3, 40, 17)}).at(0).fails);
}
