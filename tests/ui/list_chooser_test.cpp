// list_chooser_test.cpp - the list chooser over a temporary folder, and the problem report.
#include <gtest/gtest.h>

#include <utility>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "platform/files.h"
#include "tests/ui/control_clicks.h"
#include "text/messages.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_local.h"
#include "ui/list_chooser.h"
#include "ui/problem_report.h"

namespace fs = std::filesystem;

namespace {

const char* const FOLDER = "chooser";

struct Picked {
  int count = 0;
  Prss* parent = nullptr;
  std::string name;
  int index = -1;
};
Picked g_Picked;
void OnPick(Prss* parent, const char* name, int index) {
  ++g_Picked.count;
  g_Picked.parent = parent;
  g_Picked.name = name;
  g_Picked.index = index;
}

Prss* ParentAct(Prss* p) {
  Prss_ActSub(p);
  return p;
}

void Touch(const std::string& path, int64_t seconds) {
  FileWriteAll(path.c_str(), "x", 1);
  FileSetWriteTime(path.c_str(), FileTimeFromUnix(seconds, 0));
}

class Chooser : public ::testing::Test {
 protected:
  Prss parent{};
  ListChooser* chooser = nullptr;
  void SetUp() override {
    ResetInterfaceState();
    ResetMessages();
    ScreenWidth = 800;
    ScreenHeight = 600;
    FrameSkipped = 0;
    ExitRequested = 0;
    g_Picked = Picked{};
    fs::remove_all(FOLDER);
    fs::create_directory(FOLDER);
    Prss_Init(&parent, nullptr, ParentAct, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    if (parent.sub) {
      parent.sub->terminate(parent.sub);
      parent.act(&parent);  // frees it
    }
    ResetInterfaceState();
    CurrentProcess = nullptr;
    ExitRequested = 0;  // an exit asked for by a test ends with it: the interface ignores presses while it stands
    fs::remove_all(FOLDER);
  }
  void Open(int maxLength, int byDate, const char* select = nullptr) {
    chooser = StartListChooser(&parent, OnPick, "Choose", "chooser\\*.set", maxLength, select, byDate, nullptr);
    Prss_AddSub(&parent, &chooser->prss);
  }
  void Frame() {
    ClearInterface();
    parent.act(&parent);
  }
  int Count(DisplayType type) const {
    int n = 0;
    for (int i = 0; i < ValueControlCount; ++i) n += ValueControls[i].displayType == type;
    return n;
  }
  const ValueControl* Find(const char* text) const {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].owner && ValueControls[i].minimum.text && text == std::string(ValueControls[i].minimum.text))
        return &ValueControls[i];
    return nullptr;
  }
};

}  // namespace

// A chooser's name length is held between 1 and the list's 64 bytes.
TEST_F(Chooser, ItsNameLengthIsHeldBetweenOneAndTheNameSize) {
  for (const auto& [asked, kept] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{64, 64}, std::pair{200, 64}}) {
    Open(asked, 0);
    EXPECT_EQ(chooser->maxNameLength, kept) << asked;
    parent.sub->terminate(parent.sub);
    parent.act(&parent);
  }
}

TEST_F(Chooser, ThirtySixFilesNeedNoScrollBarAndOneMoreDoes) {
  for (int i = 0; i < 36; ++i) Touch("chooser/f" + std::to_string(100 + i) + ".set", 1000 + i);
  Open(32, 0);
  Frame();
  EXPECT_EQ(Count(VALUE_TYPE_WHEEL), 0);
  const ValueControl* first = Find("f100");
  ASSERT_NE(first, nullptr);
  EXPECT_FLOAT_EQ(first->top, -0.875f);
  EXPECT_FLOAT_EQ(ValueControls[2].right, 0.95f);  // the first date runs to the edge
  EXPECT_NE(Find("back"), nullptr);
  Touch("chooser/f999.set", 1);
  FillFileList(*chooser);
  Frame();
  EXPECT_EQ(Count(VALUE_TYPE_WHEEL), 1);
}

// A scroll position past either end of a list of 37 (one more than a page of 36) is held to
// 0..1 when the page is drawn.
TEST_F(Chooser, AScrollPastEitherEndIsHeldWithinTheList) {
  for (int i = 0; i < 37; ++i) Touch("chooser/f" + std::to_string(100 + i) + ".set", 1000 + i);
  Open(32, 0);
  // The first name shown (the scroll bar's own controls hold numbers, not texts).
  const auto firstName = [] {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_TEXT && ValueControls[i].owner && ValueControls[i].minimum.text)
        return std::string(ValueControls[i].minimum.text);
    return std::string();
  };
  chooser->scroll = 100;
  Frame();
  EXPECT_EQ(chooser->scroll, 1);
  EXPECT_EQ(firstName(), "f101");
  chooser->scroll = -3;
  Frame();
  EXPECT_EQ(chooser->scroll, 0);
  EXPECT_EQ(firstName(), "f100");
}

// A chooser keeps its own copy of its title, and lists the files of its second pattern after
// those of its first.
TEST_F(Chooser, ItKeepsItsTitleAndListsBothPatterns) {
  Touch("chooser/first.set", 1000);
  Touch("chooser/second.alt", 1000);
  char title[16] = "Pick one";
  chooser = StartListChooser(&parent, OnPick, title, "chooser\\*.set", 32, nullptr, 0, "chooser\\*.alt");
  Prss_AddSub(&parent, &chooser->prss);
  std::strcpy(title, "gone");
  EXPECT_STREQ(chooser->title, "Pick one");
  EXPECT_EQ(chooser->list.count, 2);
}

TEST_F(Chooser, TheDateHeaderSortsNewestFirstAndIsHighlighted) {
  Touch("chooser/aold.set", 1000);
  Touch("chooser/bnew.set", 2000000);
  Open(32, 0, "bnew.set");
  EXPECT_EQ(chooser->list.selected, 1);
  Frame();
  EXPECT_EQ(Find("name")->colour, &InterfaceColours.textSelected);
  ClickControl(*Find("date"));
  EXPECT_EQ(chooser->sortByDate, 1);
  EXPECT_STREQ(chooser->list.entries[0].name, "bnew");
  EXPECT_EQ(chooser->list.selected, 0);  // the name to select follows the new order
  Frame();
  EXPECT_EQ(Find("date")->colour, &InterfaceColours.textSelected);
  EXPECT_EQ(Find("name")->colour, &InterfaceColours.bigText);
  ClickControl(*Find("name"));
  EXPECT_STREQ(chooser->list.entries[0].name, "aold");
  EXPECT_EQ(chooser->sortByDate, 0);
}

TEST_F(Chooser, APickHandsTheNameToTheParentAndATooLongNameIsRefused) {
  Touch("chooser/short.set", 1);
  Touch("chooser/muchlongername.set", 2);  // cut to the limit less one by the list
  // The garage's names join the folder's uncut.
  GarageChooserNames = [](std::vector<std::string>& out) { out = {"GT_longcar", "short"}; };
  Open(6, 0);
  GarageChooserNames = nullptr;
  ASSERT_EQ(chooser->list.count, 3);
  EXPECT_NE(chooser->list.FindByName("muchl"), nullptr);
  Frame();
  ASSERT_NE(Find("GT_longcar"), nullptr);
  ClickControl(*Find("GT_longcar"));
  EXPECT_EQ(g_Picked.count, 0);
  EXPECT_STREQ(GetNewestMessageText(), "Name is too long");
  EXPECT_TRUE(chooser->prss.alive);
  Frame();
  ClickControl(*Find("short"));
  EXPECT_EQ(g_Picked.count, 1);
  EXPECT_EQ(g_Picked.parent, &parent);
  EXPECT_EQ(g_Picked.name, "short");
  EXPECT_EQ(CurrentProcess, &parent);
  Frame();  // the chooser is freed on its next step
  EXPECT_EQ(parent.sub, nullptr);
}

TEST_F(Chooser, TheBackButtonAndAnExitCloseWithoutAPick) {
  Open(32, 0);
  Frame();
  ClickControl(*Find("back"));
  Frame();
  EXPECT_EQ(parent.sub, nullptr);
  Open(32, 0);
  ExitRequested = 1;
  Frame();
  Frame();
  EXPECT_EQ(parent.sub, nullptr);
  EXPECT_EQ(g_Picked.count, 0);
}

TEST(ProblemReport, FindingsGoToLinesOnlyWhileCollecting) {
  ResetMessages();
  ClearProblemReport();
  ProblemReportCount = 0;
  ProblemReportMode = 0;
  ReportProblemf(1, 0, "loose point %d", 7);
  EXPECT_EQ(ProblemReportCount, 0);
  EXPECT_STREQ(GetNewestMessageText(), "loose point 7");
  ProblemReportMode = PROBLEM_REPORT_COLLECT;
  for (int i = 0; i < 25; ++i) ReportProblemf(i % 8, 2, "finding %d %s", i, std::string(200, 'x').c_str());
  EXPECT_EQ(ProblemReportCount, PROBLEM_REPORT_LINES);
  EXPECT_EQ(std::strlen(ProblemReportLines[0].text), 127u);
  EXPECT_EQ(ProblemReportLines[19].kind, 3);

  int selectedObject = -1, selectedKind = -1;
  static int* so = &selectedObject;
  static int* sk = &selectedKind;
  SelectListedItems = [](int object, int kind) {
    *so = object;
    *sk = kind;
  };
  ResetInterfaceState();
  ScreenWidth = 800;
  SetInterfaceMetrics();
  Prss owner{};
  AddProblemFindButtons(&owner);
  ASSERT_EQ(ButtonCount, 40);
  EXPECT_EQ(InterfaceButtons[0].owner, nullptr);
  EXPECT_EQ(InterfaceButtons[0].right, ScreenWidth - 2 * ButtonWidth);
  EXPECT_EQ(InterfaceButtons[3].top, ButtonHeight);
  InterfaceButtons[3].handler(&owner, 1, InterfaceButtons[3].word);
  EXPECT_EQ(selectedObject, 2);
  EXPECT_EQ(selectedKind, 1);
  FindProblemHandler(&owner, 1, 99);  // no such line: nothing
  EXPECT_EQ(selectedKind, 1);
  // The first and the last line find theirs (kinds 0 and 19 % 8 = 3); one past the last, nothing.
  InterfaceButtons[1].handler(&owner, 1, InterfaceButtons[1].word);
  EXPECT_EQ(selectedKind, 0);
  FindProblemHandler(&owner, 1, 19);
  EXPECT_EQ(selectedKind, 3);
  selectedKind = -1;
  FindProblemHandler(&owner, 1, 20);
  EXPECT_EQ(selectedKind, -1);
  SelectListedItems = nullptr;
  ProblemReportMode = 0;
  ClearProblemReport();
  ResetInterfaceState();
}

TEST(ProblemReport, EachLineGetsALabelInItsKindColourAndAFindButtonAtTheRightEdge) {
  ResetMessages();
  ClearProblemReport();
  ProblemReportMode = PROBLEM_REPORT_COLLECT;
  // One line of each kind; kind 15 keeps only its low three bits (7).
  for (int kind = 0; kind < 7; ++kind) ReportProblemf(kind, kind, "kind %d", kind);
  ReportProblemf(15, 7, "kind 15");
  ASSERT_EQ(ProblemReportCount, 8);
  EXPECT_EQ(ProblemReportLines[7].kind, 7);

  ResetInterfaceState();
  ScreenWidth = 800;
  SetInterfaceMetrics();
  const int unit = ButtonWidth, row = ButtonHeight;
  ASSERT_GT(unit, 0);
  ASSERT_GT(row, 0);
  Prss owner{};
  AddProblemFindButtons(&owner);
  ASSERT_EQ(ButtonCount, 16);
  // The kind colours, red in byte 0: error, then the seven others.
  const ColourWord kindColour[8] = {0x788CFA, 0xFAA0FA, 0xA0D2FF, 0xA0FFFF, 0xFAFAA0, 0x0000FF, 0xFF00FF, 0x3CA0FF};
  for (int i = 0; i < 8; ++i) {
    const InterfaceButton& label = InterfaceButtons[2 * i];
    const InterfaceButton& find = InterfaceButtons[2 * i + 1];
    // The label: 22 units from 24 units left of the right edge; the find button the last 2
    // units, to the screen's right edge; one row each from the top.
    EXPECT_EQ(label.style, BUTTON_STYLE_LABEL) << i;
    EXPECT_EQ(label.owner, nullptr) << i;
    EXPECT_EQ(label.handler, nullptr) << i;
    EXPECT_EQ(label.left, 800 - 24 * unit) << i;
    EXPECT_EQ(label.right, 800 - 2 * unit) << i;
    EXPECT_EQ(label.top, row * i) << i;
    EXPECT_EQ(label.bottom, row * (i + 1)) << i;
    ASSERT_NE(label.colour, nullptr) << i;
    EXPECT_EQ(*label.colour, kindColour[i]) << "kind " << i;
    EXPECT_EQ(find.style, BUTTON_STYLE_TEXT) << i;
    EXPECT_EQ(find.owner, &owner) << i;
    EXPECT_EQ(find.handler, &FindProblemHandler) << i;
    EXPECT_EQ(find.colour, nullptr) << i;
    EXPECT_EQ(find.word, static_cast<uintptr_t>(i)) << i;
    EXPECT_EQ(find.left, 800 - 2 * unit) << i;
    EXPECT_EQ(find.right, 800) << i;
    EXPECT_EQ(find.top, row * i) << i;
    EXPECT_EQ(find.bottom, row * (i + 1)) << i;
  }
  ProblemReportMode = 0;
  ClearProblemReport();
  EXPECT_EQ(ProblemReportCount, 0);
  ResetInterfaceState();
}

TEST(ProblemReport, MarkersAreKeptOnceAndPlacedInTheWorld) {
  InitSinCosTables();
  ClearProblemReport();
  EXPECT_EQ(AddProblemMarker(1, 5, nullptr, nullptr), 1);
  EXPECT_EQ(AddProblemMarker(1, 5, nullptr, nullptr), 0);
  EXPECT_EQ(AddProblemMarker(2, 5, nullptr, nullptr), 1);  // another kind
  EXPECT_EQ(ProblemMarkers[0].hasPosition, 0);
  const CheckedObject objects[2] = {{{0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0x10000, 0, 0}}};
  const CheckedModel model{{0, 0x20000, 0}, objects, 2};
  CurrentCheckModel = &model;
  const IntVector point{0, 0, 0x30000};
  ASSERT_EQ(AddProblemMarker(1, 5, &objects[1], &point), 1);  // the first subobject: a new marker
  const ProblemMarker& m = ProblemMarkers[ProblemMarkerCount - 1];
  EXPECT_EQ(m.object, 2);
  EXPECT_EQ(m.hasPosition, 1);
  EXPECT_EQ(m.position[0], 0x10000);
  EXPECT_EQ(m.position[1], 0x20000);
  EXPECT_EQ(m.position[2], 0x30000);
  CurrentCheckModel = nullptr;
  for (int i = 0; i < 300; ++i) AddProblemMarker(0, 100 + i, nullptr, nullptr);  // the array doubles
  EXPECT_EQ(ProblemMarkerCapacity, 512);
  EXPECT_EQ(ProblemMarkerCount, 303);
  ClearProblemReport();
}
