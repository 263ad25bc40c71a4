// layout_check_test.cpp - the layout check: the program taken to every screen state of the
// list (tools/screenshots/screen_states.h) at one window size, the frame that shows each state
// drawn and read back from the screen (without the texts' glyphs, with the interface's record
// kept), and the picture and the record held to the rules (layout_rules.h).
//
// The size comes from the test's name (LayoutCheck.At1280x920); each size is its own ctest
// entry so they run side by side.  The findings known and not mended yet are listed in
// known_findings.txt beside this file, one a line:
//
//   <state> <size> <rule> <what>
//
// A listed finding is counted, not failed; a finding not listed fails, and so does a listed
// line of this size whose finding is gone (delete it: the list only shrinks).  Cuts the rule
// allows are printed with their reasons.  With ZKT_LAYOUT_FINDINGS set to a folder, every
// failing finding of the size is written to <folder>/<size>.txt in the list's form, listed or
// not (to write the list afresh); with
// ZKT_LAYOUT_TIMES set, each state's time to reach and judge is printed; with
// ZKT_LAYOUT_PICTURES set to a folder, each picture the check judged is written there as
// <size>_<state>.png (a dialog's backdrop pictures as <size>_<state>_over_black.png and
// _over_white.png).
//
// Each state is judged once it holds still (DrawSettledStateWithoutGlyphs): a state that
// still moves after a few seconds is an "unsettled" finding.
// A state that shows a dialog is drawn twice more at the same moment, with everything under
// the dialog black and then white (DrawStateOverBackdrop), for the backdrop rule.
//
// At the largest size the walk also gathers every button's and row's text of every state, and
// each button or row the guide names in bold (tests/docs/docs_check.h) must be among them: a
// button renamed or gone fails here with the guide's page and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "render/image_files.h"
#include "render/screenshot.h"
#include "text/code_pages.h"
#include "tests/docs/docs_check.h"
#include "tests/layout/layout_rules.h"
#include "tests/platform/skip_outside_ci.h"
#include "tools/screenshots/screen_states.h"
#include "ui/character_set.h"
#include "ui/draw_record.h"
#include "ui/font_pages.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

// The known findings of one size: each line's key and its line number.
std::map<std::string, int> KnownFindings(const std::string& size) {
  const char* source = std::getenv("ZKT_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : "..") + "/tests/layout/known_findings.txt");
  std::map<std::string, int> known;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string state, lineSize;
    words >> state >> lineSize;
    if (lineSize == size) known.emplace(line, number);
  }
  return known;
}

// The capitals' height per glyph cell: the "H" of the character set, 9 grid units a cell.
float CapPerCell() {
  const Char& h = Glyphs['H' - FIRST_CODE];
  if (h.numPoints <= 0) return 0.0f;
  float low = h.points[0].y, high = low;
  for (int i = 1; i < h.numPoints; ++i) low = std::min(low, h.points[i].y), high = std::max(high, h.points[i].y);
  return (high - low) / CELL_UNITS;
}

// A coded text's width in pixels with glyph cells `cell` pixels high, as a button measures it.
float WidthAtCell(const std::string& text, float cell) {
  const float savedScale = TextHorizontalScale, savedFactor = TextSizeFactor;
  TextHorizontalScale = TextSizeFactor = 1.0f;
  const float width = TextWidth(text.c_str(), 0, cell / GLYPH_BOX_HEIGHT);
  TextHorizontalScale = savedScale, TextSizeFactor = savedFactor;
  return width;
}

constexpr const char* GUIDE_CHECK_SIZE = "1920x1080";  // where no label is cut short

// Every text the frame shows on a button, a row or by itself, as the guide writes it: without
// colour codes, in UTF-8.
void AddShownTexts(std::set<std::string>& shown) {
  auto add = [&shown](const std::string& coded) {
    const std::string plain = PlainText(coded);
    char utf8[1024];
    if (CodePageToUtf8(plain.c_str(), -1, 0, utf8, int(sizeof utf8)) < 0) return;
    std::string text = utf8;
    const size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    if (first != std::string::npos) shown.insert(text.substr(first, last - first + 1));
  };
  char text[256];
  for (int i = 0; i < ButtonCount; ++i)
    if (ButtonText(InterfaceButtons[i], text, sizeof text)) add(text);
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControlText(ValueControls[i], text, sizeof text)) add(text);
  for (const DrawRecordEntry& e : DrawRecord)
    if (IsRecordedText(e.role)) add(e.text);
}

// The picture the check judged, for a person to look at.
void WritePicture(const ShotPicture& picture, const std::string& path) {
  std::vector<uint8_t> rgba(picture.pixels.size() * 4);
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    rgba[4 * i] = uint8_t(picture.pixels[i] >> 16), rgba[4 * i + 1] = uint8_t(picture.pixels[i] >> 8);
    rgba[4 * i + 2] = uint8_t(picture.pixels[i]), rgba[4 * i + 3] = 255;
  }
  const PictureRows rows{picture.width, picture.height, rgba.data(), size_t(picture.width) * 4, 0, 1};
  std::vector<uint8_t> png;
  if (!EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png))
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}

// Whether two records hold the same entries: roles, owners, boxes and colours.
bool SameDrawing(const std::vector<DrawRecordEntry>& a, const std::vector<DrawRecordEntry>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const DrawRecordEntry& x, const DrawRecordEntry& y) {
    return x.role == y.role && x.ownerKind == y.ownerKind && x.owner == y.owner && x.colour == y.colour &&
           x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom && x.text == y.text;
  });
}

class LayoutCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* d = std::getenv("SDL_VIDEODRIVER")) hadDriver_ = true, previousDriver_ = d;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);  // no window manager mixes in its own events
  }
  void TearDown() override {
    StopStatesProgram();
    if (hadDriver_) setenv("SDL_VIDEODRIVER", previousDriver_.c_str(), 1);
    else unsetenv("SDL_VIDEODRIVER");
  }

  void CheckEveryState(int width, int height) {
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::string workFolder = work ? work : "work";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::filesystem::path scratch = std::filesystem::absolute("layout_" + size);
    std::ofstream findingsFile;
    if (const char* folder = std::getenv("ZKT_LAYOUT_FINDINGS")) findingsFile.open(std::string(folder) + "/" + size + ".txt");
    const std::map<std::string, int> known = KnownFindings(size);
    std::set<std::string> seen;
    std::map<std::string, int> counts;  // failing findings by rule
    std::set<unsigned char> shownCharacters;
    std::set<std::string> shownTexts;
    int unlisted = 0;
    auto judge = [&](const std::string& state, const LayoutFinding& f) {
      const std::string key = state + " " + size + " " + f.rule + " " + f.what;
      if (!f.fails && !f.marginal) {
        std::printf("%s: %s\n", key.c_str(), f.detail.c_str());
        return;
      }
      if (findingsFile && f.fails) findingsFile << key << "\n";
      if (known.count(key)) {
        seen.insert(key);
        if (f.fails) ++counts[f.rule];
        return;
      }
      if (!f.fails) return;  // marginal: keeps a listed finding alive, never fails a new one
      ADD_FAILURE() << key << " (" << f.detail << ")";
      ++unlisted;
    };

    TextMeasure measure;
    ShotPicture picture, overBlack, overWhite;
    std::string session;
    const auto start = std::chrono::steady_clock::now();
    for (const ScreenState& state : ScreenStates) {
      if (session != state.session) {
        StopStatesProgram();
        session = state.session;
        const std::string failed = StartStatesProgram(workFolder, scratch.string(), width, height,
                                                      session == "first run", 1);
        if (failed == "the program did not start") ZKT_SKIP_OUTSIDE_CI() << "the program did not start: no graphics";
        ASSERT_EQ(failed, "") << state.session;
        measure.capPerCell = CapPerCell();
        measure.width = WidthAtCell;
      }
      const auto stateStart = std::chrono::steady_clock::now();
      const std::string unreached = ReachState(state);
      if (!unreached.empty()) {
        judge(state.name, LayoutFinding{true, false, "unreached", unreached, ""});
        continue;
      }
      const std::string unsettled = DrawSettledStateWithoutGlyphs(picture);
      if (!unsettled.empty()) judge(state.name, LayoutFinding{true, false, "unsettled", "the frame", unsettled});
      ASSERT_GT(picture.width, 0) << size << " " << state.name << ": the frame was not read back";
      if (const char* folder = std::getenv("ZKT_LAYOUT_PICTURES"))
        WritePicture(picture, std::string(folder) + "/" + size + "_" + state.name + ".png");
      const LayoutPicture shown{picture.width, picture.height, picture.pixels.data()};
      for (const LayoutFinding& f : CheckLayout(DrawRecord, shown, measure, state.keep)) judge(state.name, f);
      if (ShowsDialog(DrawRecord)) {
        // The dialog's texts over a black and a white backdrop behind it: two frames more, only here.
        const std::vector<DrawRecordEntry> record = DrawRecord;
        DrawStateOverBackdrop(0x000000u, overBlack);
        DrawStateOverBackdrop(0xFFFFFFu, overWhite);
        if (const char* folder = std::getenv("ZKT_LAYOUT_PICTURES")) {
          WritePicture(overBlack, std::string(folder) + "/" + size + "_" + state.name + "_over_black.png");
          WritePicture(overWhite, std::string(folder) + "/" + size + "_" + state.name + "_over_white.png");
        }
        const LayoutPicture black{overBlack.width, overBlack.height, overBlack.pixels.data()};
        const LayoutPicture white{overWhite.width, overWhite.height, overWhite.pixels.data()};
        for (const LayoutFinding& f : CheckDialogBackdrops(record, black, white)) judge(state.name, f);
        // The backdrop changes pixels only: the interface drew and chose as in the judged frame.
        EXPECT_TRUE(SameDrawing(record, DrawRecord)) << size << " " << state.name << ": the backdrop changed the record";
        DrawRecord = record;  // the judged frame's, for the texts gathered below
      }
      for (const DrawRecordEntry& e : DrawRecord)
        if (IsRecordedText(e.role))
          for (char c : PlainText(e.text)) shownCharacters.insert(static_cast<unsigned char>(c));
      if (size == GUIDE_CHECK_SIZE) AddShownTexts(shownTexts);
      if (std::getenv("ZKT_LAYOUT_TIMES"))
        std::printf("%s %.2f s\n", state.name.c_str(),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - stateStart).count());
    }
    FontPageImages pages;
    RasteriseFontPages(&pages);
    for (const LayoutFinding& f : CheckGlyphs(shownCharacters, pages)) judge("character_set", f);
    if (size == GUIDE_CHECK_SIZE) {
      const char* source = std::getenv("ZKT_SOURCE_DIR");
      ASSERT_NE(source, nullptr) << "ZKT_SOURCE_DIR is not set";
      const std::vector<GuideQuote> quotes = GuideButtons(source);
      EXPECT_GT(quotes.size(), 100u) << "the guide's buttons were not read";
      for (const std::string& f : CheckGuideButtons(quotes, shownTexts)) ADD_FAILURE() << f;
    }
    for (const auto& [line, number] : known)
      if (!seen.count(line))
        ADD_FAILURE() << "known_findings.txt line " << number << " is no longer found: delete it\n  " << line;

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu states at %s in %.1f s: %d findings not listed, %zu listed still found of %zu", ScreenStates.size(),
                size.c_str(), seconds, unlisted, seen.size(), known.size());
    for (const auto& [rule, n] : counts) std::printf("; %s %d", rule.c_str(), n);
    std::printf("\n");
  }

 private:
  bool hadDriver_ = false;
  std::string previousDriver_;
};

}  // namespace

TEST(ScreenStateList, HoldsSixtyStatesOrMoreWithNamesOfTheirOwn) {
  EXPECT_GE(ScreenStates.size(), 60u);
  std::set<std::string> names;
  for (const ScreenState& s : ScreenStates) {
    EXPECT_TRUE(names.insert(s.name).second) << "two states are named " << s.name;
    EXPECT_EQ(std::string(s.name).find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos)
        << s.name;
    const std::string area = s.keep.ends_with(" framed") ? s.keep.substr(0, s.keep.size() - 7) : s.keep;
    EXPECT_TRUE(area.empty() || area == AREA_CAR || area == AREA_MODEL || area == AREA_FRONT_WHEEL ||
                area == AREA_CUTOUT_FRAME)
        << s.name << " keeps " << s.keep;
  }
}

// The frame judged after "Runabout" loads through the list's steps is the one a user sees: the
// car drawn whole and textured, equal to the frame two seconds later outside the rows of the
// message and status lines (which come and go with time), but for the car's idling edges.
TEST_F(LayoutCheck, TheJudgedFrameIsTheOneSeenTwoSecondsLater) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  const std::string failed = StartStatesProgram(work ? work : "work", std::filesystem::absolute("layout_settled").string(),
                                                1206, 608, 0, 1);
  if (failed == "the program did not start") ZKT_SKIP_OUTSIDE_CI() << "the program did not start: no graphics";
  ASSERT_EQ(failed, "");
  ShotPicture judged, later;
  std::vector<DrawRecordEntry> judgedRecord;
  for (const ScreenState& state : ScreenStates) {
    if (state.session != "vehicle sample") continue;
    ASSERT_EQ(ReachState(state), "") << state.name;
    ASSERT_EQ(DrawSettledStateWithoutGlyphs(judged), "") << state.name;
    if (state.name == "vehicle_editor_sample") break;
  }
  judgedRecord = DrawRecord;
  ASSERT_EQ(RunStateStep("wait 2000"), "");
  DrawSettledStateWithoutGlyphs(later);
  ASSERT_EQ(judged.pixels.size(), later.pixels.size());
  std::vector<bool> lineRows(size_t(judged.height), false);
  for (const std::vector<DrawRecordEntry>* record : {&judgedRecord, &DrawRecord})
    for (const DrawRecordEntry& e : *record)
      if (e.role == RECORD_MESSAGE || e.role == RECORD_STATUS)
        for (int y = std::max(0, int(e.top) - 2); y < std::min(judged.height, int(e.bottom) + 3); ++y) lineRows[size_t(y)] = true;
  int differing = 0;
  for (size_t i = 0; i < judged.pixels.size(); ++i)
    differing += !lineRows[i / size_t(judged.width)] && judged.pixels[i] != later.pixels[i];
  // A car at rest stepped two seconds more moves by a pixel at its edges (a few hundred
  // pixels); judged while it was loading, 350,727 of the 733,248 changed.
  EXPECT_LT(differing, judged.width * judged.height / 250) << "pixels of the judged frame that changed two seconds later";
}

TEST_F(LayoutCheck, At800x600) { CheckEveryState(800, 600); }
TEST_F(LayoutCheck, At864x608) { CheckEveryState(864, 608); }
TEST_F(LayoutCheck, At1206x608) { CheckEveryState(1206, 608); }
TEST_F(LayoutCheck, At1120x864) { CheckEveryState(1120, 864); }
TEST_F(LayoutCheck, At1280x920) { CheckEveryState(1280, 920); }
TEST_F(LayoutCheck, At1920x1080) { CheckEveryState(1920, 1080); }
