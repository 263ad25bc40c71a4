// pages_test.cpp - the first-run sequence, the entry page and the credits driven frame by
// frame with mouse records and keys, as the frame loop and the window would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/app.h"
#include "app/main_window.h"
#include "app/start_pages.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "core/game_code.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "tools/track_writer/track_files.h"
#include "ui/dialogs.h"
#include "ui/help_screen.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "world/world.h"

namespace {

constexpr int WIDTH = 800, HEIGHT = 600;

class Pages : public ::testing::Test {
 protected:
  Prss* top = nullptr;
  // The corner buttons' middles in pixels.
  int LEFT_X = 0, RIGHT_X = 0, BOTTOM_Y = 0;

  void SetUp() override {
    std::filesystem::remove_all("data");
    std::filesystem::remove("cfg.txt");
    std::filesystem::remove("interface_cfg.txt");
    std::filesystem::create_directories("data/misc");
    ResetInterfaceState();
    ScreenWidth = WIDTH;
    ScreenHeight = HEIGHT;
    SetInterfaceRectangleToScreen();
    SetInterfaceMetrics();
    LEFT_X = WIDTH / 16;  // the middles of x -1.0 .. -0.75 and 0.75 .. 1.0
    RIGHT_X = WIDTH - LEFT_X;
    BOTTOM_Y = HEIGHT * 37 / 40;  // of y 0.85 .. 1.0
    FrameSkipped = 0;
    ExitRequested = 0;
    ExitAction = 0;
    ProgramClock = 1000;
    DialogOpen = 0;
    CurrentProcess = nullptr;
    CfgWelcome = 1;
    SetConfigPath("cfg.txt");
    std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", "Tester");
  }
  void TearDown() override {
    for (int i = 0; top && i < 4; ++i) {  // close whatever is left, as shut-down would
      ExitRequested = 1;
      ExitAction = 0;
      Frame();
    }
    ExitRequested = 0;
    ResetInterfaceState();
  }

  // One drawn pass of the loop: the interface is emptied and the top process acts.
  void Frame() {
    ClearInterface();
    top = top ? top->act(top) : nullptr;
  }
  static void Click(int x, int y) {
    MouseX = x;
    MouseY = y;
    MouseRecord press{};
    press.clickCode = CLICK_LEFT;
    press.leftHeld = 1;
    Prss_DeliverMouse(&press);
    MouseRecord release{};
    release.releaseCode = 1;
    Prss_DeliverMouse(&release);
  }
  static int PageOf(Prss* p) { return reinterpret_cast<StartScreens*>(p)->page; }
  static bool ShowsHelp(Prss* p) { return p && p->act == HelpScreenAction; }
};

TEST_F(Pages, AgreeingSavesTheSettingsAndOpensTheEntryPage) {
  top = CreateStartScreens(nullptr);
  Frame();
  ASSERT_NE(top->sub, nullptr);  // the welcome page
  EXPECT_EQ(CurrentProcess, top->sub);
  EXPECT_EQ(ButtonCount, 1);  // English
  EXPECT_GE(ValueControlCount, 3);  // title, exit and next
  Click(RIGHT_X, BOTTOM_Y);  // next
  Frame();
  EXPECT_EQ(PageOf(top), 1);
  ASSERT_TRUE(ShowsHelp(top->sub));
  EXPECT_STREQ(reinterpret_cast<HelpScreen*>(top->sub)->title, "Agreement");
  EXPECT_FALSE(std::filesystem::exists("cfg.txt"));
  Click(RIGHT_X, BOTTOM_Y);  // agree
  Frame();
  // The entry page is the top process now, live in the same frame, and the files are saved.
  EXPECT_TRUE(EntryPageIsIdle());
  EXPECT_EQ(top, CurrentProcess);
  EXPECT_TRUE(std::filesystem::exists("cfg.txt"));
  EXPECT_TRUE(std::filesystem::exists("data/misc/Tester.ply"));
  EXPECT_TRUE(std::filesystem::exists("interface_cfg.txt")) << "the interface colours are saved too";
  EXPECT_GE(ValueControlCount, 2);  // its title and exit button were added in that frame
  CfgWelcome = 1;
  ASSERT_TRUE(LoadConfig());
  EXPECT_EQ(CfgWelcome, 0);  // the next start goes straight to the entry page
}

// The sequence's own buttons: "exit" in the corner and, as wide as it (0.75 to 1.0 across,
// 0.85 to 1.0 down), "next" on the welcome page and "agree" on the agreement.  Both pages hold
// still: no frame is asked for after one is drawn.
TEST_F(Pages, TheWelcomeOffersNextAndTheAgreementAgreeAndBothHoldStill) {
  const auto shown = [](const char* text) -> const ValueControl* {
    char buffer[128];
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].callback && ValueControlText(ValueControls[i], buffer, sizeof buffer) &&
          std::strcmp(buffer, text) == 0)
        return &ValueControls[i];
    return nullptr;
  };
  top = CreateStartScreens(nullptr);
  RedrawRequested = 1;
  Frame();
  EXPECT_EQ(RedrawRequested, 0);
  EXPECT_NE(shown("exit"), nullptr);
  const ValueControl* next = shown("next");
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(shown("agree"), nullptr);
  EXPECT_FLOAT_EQ(next->left, 0.75f);
  EXPECT_FLOAT_EQ(next->top, 0.85f);
  EXPECT_FLOAT_EQ(next->right, 1.0f);
  EXPECT_FLOAT_EQ(next->bottom, 1.0f);
  Click(RIGHT_X, BOTTOM_Y);
  Frame();
  ASSERT_TRUE(ShowsHelp(top->sub));
  RedrawRequested = 1;
  Frame();
  EXPECT_EQ(RedrawRequested, 0);
  EXPECT_NE(shown("agree"), nullptr);
  EXPECT_EQ(shown("next"), nullptr);
  EXPECT_NE(shown("exit"), nullptr);
}

TEST_F(Pages, ExitOnEitherPageLeadsToTheCreditsAndTheEnd) {
  for (int agreementFirst = 0; agreementFirst < 2; ++agreementFirst) {
    top = CreateStartScreens(nullptr);
    Frame();
    if (agreementFirst) {
      Click(RIGHT_X, BOTTOM_Y);
      Frame();
      ASSERT_TRUE(ShowsHelp(top->sub));
    }
    CWld = new Wld;  // as a race start would have left it
    Click(LEFT_X, BOTTOM_Y);  // exit
    Frame();
    EXPECT_EQ(CWld, nullptr) << "leaving for the credits deletes the world";
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top, CurrentProcess);
    EXPECT_EQ(top->parent, nullptr);
    EXPECT_FALSE(std::filesystem::exists("cfg.txt")) << "nothing is saved on the way out";
    ProgramClock += CREDITS_SHOW_MS - 1;
    Frame();
    EXPECT_NE(top, nullptr) << "the credits stay for their time";
    ProgramClock += 1;
    Frame();
    EXPECT_EQ(top, nullptr) << agreementFirst;
  }
}

TEST_F(Pages, EscapeOnTheWelcomePageEndsTheProgram) {
  for (int key : {27, int('Q'), int('X')}) {
    top = CreateStartScreens(nullptr);
    Frame();
    Prss_DeliverKey(key);
    Frame();
    EXPECT_EQ(top, nullptr) << key;
    EXPECT_EQ(CurrentProcess, nullptr);
  }
  top = CreateStartScreens(nullptr);
  Frame();
  Prss_DeliverKey('A');  // other keys do nothing
  Frame();
  EXPECT_NE(top, nullptr);
}

TEST_F(Pages, ButtonsAreLeftOutOnUndrawnFramesAndUnderAnOpenScreen) {
  top = CreateStartScreens(nullptr);
  FrameSkipped = 1;
  Frame();
  EXPECT_EQ(ButtonCount + ValueControlCount, 0);
  FrameSkipped = 0;
  Frame();
  EXPECT_EQ(ButtonCount, 1);
  EXPECT_GE(ValueControlCount, 3);
  // A screen open over the page: no sequence buttons, and a click where they were does nothing.
  Prss* page = top->sub;
  Prss* over = LoadHelpText(page, "over", "none", HELP_MODE_OK);
  Prss_AddSub(page, over);
  Frame();
  StartScreenButton(top, 0, 1);
  Frame();
  EXPECT_EQ(PageOf(top), 0);
  EXPECT_EQ(top->sub, page);
}

TEST_F(Pages, TheWelcomePageOffersEnglishAndInstalledLanguages) {
  std::filesystem::create_directories("data/language");
  top = CreateStartScreens(nullptr);
  Frame();
  const int without = ButtonCount;
  { FILE* f = std::fopen("data/language/Deutsch.txt", "wb"); ASSERT_NE(f, nullptr); std::fclose(f); }
  Frame();
  EXPECT_EQ(ButtonCount, without + 1);
}

// With every language installed the page shows sixteen buttons, English first and lit green
// while no language is chosen, eight to a row: the ninth starts the next row at the left.
TEST_F(Pages, TheWelcomePageShowsSixteenLanguagesAtMostEightToARow) {
  std::filesystem::create_directories("data/language");
  for (int row = 1; row < LANGUAGE_NAME_COUNT; ++row)
    std::ofstream(std::string("data/language/") + LanguageNameTable[row].name + ".txt");
  ASSERT_EQ(LanguageName[0], 0);
  top = CreateStartScreens(nullptr);
  Frame();
  std::vector<const InterfaceButton*> shown;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    for (const LanguageNameRow& row : LanguageNameTable)
      if (b.style == BUTTON_STYLE_TEXT && b.text.text && std::strcmp(b.text.text, row.name) == 0) shown.push_back(&b);
  }
  ASSERT_EQ(shown.size(), 16u);
  EXPECT_STREQ(shown[0]->text.text, "English");
  EXPECT_STREQ(shown[1]->text.text, LanguageNameTable[1].name);
  EXPECT_EQ(shown[0]->colour, &InterfaceColours.buttonGreen);
  EXPECT_EQ(shown[1]->colour, &InterfaceColours.buttonCol);
  EXPECT_EQ(shown[7]->top, shown[0]->top);
  EXPECT_GT(shown[7]->left, shown[6]->left);
  EXPECT_EQ(shown[8]->left, shown[0]->left) << "the ninth starts a row";
  EXPECT_GT(shown[8]->top, shown[0]->top);
  EXPECT_EQ(shown[15]->top, shown[8]->top);
  EXPECT_GT(shown[0]->top, HEIGHT / 2) << "below the middle of the screen";
  // Each button is four units wide, the first row starts one unit in and one row below the
  // middle (300 px), the second one row lower.
  EXPECT_EQ(shown[0]->left, ButtonWidth);
  EXPECT_EQ(shown[0]->right, 5 * ButtonWidth);
  EXPECT_EQ(shown[1]->left, 5 * ButtonWidth);
  EXPECT_EQ(shown[7]->right, 33 * ButtonWidth);
  EXPECT_EQ(shown[0]->top, 300 + ButtonHeight);
  EXPECT_EQ(shown[0]->bottom, 300 + 2 * ButtonHeight);
  EXPECT_EQ(shown[8]->top, 300 + 2 * ButtonHeight);
  EXPECT_EQ(shown[15]->right, 33 * ButtonWidth);
}

// Opened without the choice of language, the welcome page offers none, installed or not.
TEST_F(Pages, AWelcomePageOpenedWithoutLanguagesShowsNone) {
  std::filesystem::create_directories("data/language");
  std::ofstream("data/language/Deutsch.txt");
  top = OpenWelcomeScreen(nullptr, 0);
  Frame();
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.style != BUTTON_STYLE_TEXT || !b.text.text) continue;
    EXPECT_STRNE(b.text.text, "English");
    EXPECT_STRNE(b.text.text, "Deutsch");
  }
}

// The welcome title is a translated text, so it is kept in the translation's code page: under
// a Cyrillic translation (page 5, "C" of "LETBJCGHSK") its letters are drawn from that page,
// not from the Latin one.  The title spans the top of the screen, x -1 .. 1, y -1 .. -0.85.
TEST_F(Pages, TheWelcomeTitleKeepsTheTranslationsCodePage) {
  struct PageBack {
    int saved = CurrentCodePage;
    ~PageBack() { CurrentCodePage = saved; }
  } pageBack;
  for (const int page : {5, CODE_PAGE_LATIN1}) {
    CurrentCodePage = page;
    top = OpenWelcomeScreen(nullptr, 0);
    Frame();
    const ValueControl* title = nullptr;
    char buffer[128];
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_TITLE &&
          ValueControlText(ValueControls[i], buffer, sizeof buffer) &&
          std::strcmp(buffer, LanguageTexts[TX_3a_wlcm_zkt]) == 0)
        title = &ValueControls[i];
    ASSERT_NE(title, nullptr) << page;
    EXPECT_FLOAT_EQ(title->left, -1.0f);
    EXPECT_FLOAT_EQ(title->top, -1.0f);
    EXPECT_FLOAT_EQ(title->right, 1.0f);
    EXPECT_FLOAT_EQ(title->bottom, -0.85f);
    EXPECT_EQ(title->codePage, page);
    ExitRequested = 1;  // close the page before the next round
    Frame();
    ExitRequested = 0;
    EXPECT_EQ(top, nullptr);
  }
}

TEST_F(Pages, TheEntryPageExitButtonAndEscapeLeadThroughTheCredits) {
  for (int useKey = 0; useKey < 2; ++useKey) {
    top = CreateEntryPage(nullptr);
    EXPECT_EQ(CfgWelcome, 0);
    Frame();
    EXPECT_TRUE(EntryPageIsIdle());
    CWld = new Wld;  // as a race start would have left it
    if (useKey)
      Prss_DeliverKey(27);
    else
      Click(LEFT_X, BOTTOM_Y);
    Frame();
    EXPECT_EQ(CWld, nullptr) << "leaving for the credits deletes the world";
    ASSERT_NE(top, nullptr);
    EXPECT_FALSE(EntryPageIsIdle());
    Prss_DeliverKey(' ');  // any key ends the credits
    Frame();
    EXPECT_EQ(top, nullptr);
  }
}

TEST_F(Pages, TheEntryPageCarriesOutAnExitActionAndEndsWithoutOne) {
  top = CreateEntryPage(nullptr);
  Frame();
  RequestExit(1, nullptr);  // "entry": back to the entry page
  Frame();
  EXPECT_EQ(ExitRequested, 0);
  EXPECT_EQ(ExitAction, 0u);
  EXPECT_TRUE(EntryPageIsIdle());
  ExitRequested = 1;  // a plain request to end: no credits
  Frame();
  EXPECT_EQ(top, nullptr);
}

TEST_F(Pages, TheEntryPageIsNotIdleUnderADialogOrAScreen) {
  top = CreateEntryPage(nullptr);
  Frame();
  DialogOpen = 1;
  EXPECT_FALSE(EntryPageIsIdle());
  DialogOpen = 0;
  Prss* help = LoadHelpText(top, "help", "none", HELP_MODE_OK);
  Prss_AddSub(top, help);
  EXPECT_FALSE(EntryPageIsIdle());
  Prss_DeliverKey(27);  // closes the help screen only
  Frame();
  EXPECT_TRUE(EntryPageIsIdle());
}

// The race start's page over a generated track: a load call each drawn frame inside the
// game-code section, the step's text on the page, closed at "FINISHED"; a missing track opens
// no page and leaves no world.
TEST_F(Pages, TheTrackLoadingPageStepsTheLoadEachFrame) {
  std::filesystem::create_directories("data/wld");
  {
    const std::vector<uint8_t> image = BuildTrackImages(TRACK_SHORT_ROAD, false).world;
    std::ofstream out("data/wld/short_road.wld", std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  }
  const int graphics = GraphicsEnabled;
  GraphicsEnabled = 0;
  EXPECT_EQ(OpenTrackLoadingPage(nullptr, "missing"), nullptr);
  EXPECT_EQ(CWld, nullptr);
  top = OpenTrackLoadingPage(nullptr, "short_road", 2, 1);
  ASSERT_NE(top, nullptr);
  ASSERT_NE(CWld, nullptr);
  EXPECT_EQ(CWld->configNumber, 2) << "the configuration asked for";
  EXPECT_EQ(CWld->configFlags, 1u);
  std::vector<int> steps;
  for (int frame = 0; top && frame < 200; ++frame) {
    steps.push_back(WorldBuildStage());
    Frame();
    EXPECT_EQ(GameCodeNesting(), 0);
  }
  EXPECT_EQ(top, nullptr);
  ASSERT_NE(CWld, nullptr);
  EXPECT_EQ(WorldBuildStage(), 0);
  EXPECT_STREQ(WorldLoadingText, "FINISHED");
  // One step (or slice) a frame: every step from 1 to 16 was seen at the start of a frame.
  for (int step = 1; step <= 16; ++step) {
    if (step == 14) continue;  // textures: with graphics only
    EXPECT_NE(std::find(steps.begin(), steps.end(), step), steps.end()) << step;
  }
  DeleteWorld();
  GraphicsEnabled = graphics;
}

TEST_F(Pages, TheCreditsEndAtOnceWhenTheProgramIsAskedToExit) {
  top = OpenCreditsPage(nullptr);
  Frame();
  EXPECT_NE(top, nullptr);
  ExitRequested = 1;
  Frame();
  EXPECT_EQ(top, nullptr);
}

}  // namespace
