// dialogs_test.cpp - the dialogs driven through their key and mouse functions, in a
// temporary folder.
#include <gtest/gtest.h>

#include <utility>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/log.h"
#include "core/process.h"
#include "core/report.h"
#include "core/window_state.h"
#include "platform/files.h"
#include "tests/ui/control_clicks.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/onscreen_keyboard.h"
#include "ui/text_draw.h"
#include "ui/text_entry.h"

namespace fs = std::filesystem;

namespace {

// While it lives, 'w' is a glyph a full text size wide in the current code page, whatever
// character set an earlier test left loaded or none; the glyph is put back after.
class FullWidthW {
 public:
  FullWidthW()
      : entry_(CodePageRecords[CurrentCodePage].entries['w' - 32]), keptEntry_(entry_), keptMetrics_(CharMetrics['w' - 32]) {
    entry_ = CharacterEntry{};
    entry_.glyph = 'w' - 32;
    CharMetrics['w' - 32].width = 1.0f;
  }
  ~FullWidthW() {
    entry_ = keptEntry_;
    CharMetrics['w' - 32] = keptMetrics_;
  }
  FullWidthW(const FullWidthW&) = delete;
  FullWidthW& operator=(const FullWidthW&) = delete;

 private:
  CharacterEntry& entry_;
  const CharacterEntry keptEntry_;
  const GlyphMetrics keptMetrics_;
};

const char* const FOLDER = "dlg";
const char* const PATTERN = "dlg\\%s.set";

struct Answers {
  int count = 0;
  Prss* owner = nullptr;
  Prss* currentDuringCall = nullptr;
  uint32_t a = 0, b = 0;
  std::string text;
  int chosen = -1;
};
Answers g_Answers;

void Question(Prss* owner, uint32_t first, uint32_t second) {
  ++g_Answers.count;
  g_Answers.owner = owner;
  g_Answers.currentDuringCall = CurrentProcess;
  g_Answers.a = first;
  g_Answers.b = second;
}
void Typed(Prss* owner, const char* text, uint32_t word) {
  ++g_Answers.count;
  g_Answers.owner = owner;
  g_Answers.currentDuringCall = CurrentProcess;
  g_Answers.text = text;
  g_Answers.a = word;
}
void Chosen(Prss* owner, uint32_t word, int index) {
  ++g_Answers.count;
  g_Answers.owner = owner;
  g_Answers.a = word;
  g_Answers.chosen = index;
}
// Answers by asking the next question, as a flow of dialogs does.
void AskAgain(Prss* owner, uint32_t, uint32_t) {
  ++g_Answers.count;
  AskQuestion(owner, Question, "second", nullptr, 5, 6, MESSAGE_PLAIN);
}

Prss* OwnerAct(Prss* p) {
  Prss_ActSub(p);
  return p;
}

void Touch(const std::string& path) { FileWriteAll(path.c_str(), "x", 1); }

// Twenty names for the file list: dlg/n00.set to dlg/n19.set.
void TouchTwentyNames() {
  char name[32];
  for (int i = 0; i < 20; ++i) {
    std::snprintf(name, sizeof name, "dlg/n%02d.set", i);
    Touch(name);
  }
}

class Dialogs : public ::testing::Test {
 protected:
  Prss owner{};
  void SetUp() override {
    ResetInterfaceState();
    ResetTextEntry();
    ResetDialogs();
    ResetMessages();
    ScreenWidth = 800;
    ScreenHeight = 600;
    FrameSkipped = 0;
    g_Answers = Answers{};
    fs::remove_all(FOLDER);
    fs::create_directory(FOLDER);
    Prss_Init(&owner, nullptr, OwnerAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
    Prss_MakeCurrent(&owner);
  }
  void TearDown() override {
    ResetDialogs();
    ResetOnscreenKeyboard();
    ResetTextEntry();
    ResetInterfaceState();
    CurrentProcess = nullptr;
    fs::remove_all(FOLDER);
  }
  // One frame: the tables are refilled by the owner and its dialog.
  void Frame() {
    ClearInterface();
    owner.act(&owner);
  }
  void Key(int code) { Prss_DeliverKey(code); }
  void Type(const char* text) {
    for (; *text; ++text) Key(static_cast<unsigned char>(*text));
  }
  void ClearLine() {
    for (int i = 0; i < 40; ++i) Key(8);
  }
  const ValueControl* FindControl(const char* text) {
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      if (c.owner && c.minimum.text && c.displayType != VALUE_TYPE_TEXT_SLOT && c.displayType != VALUE_TYPE_TEXT_LINE &&
          std::string(c.minimum.text) == text)
        return &c;
    }
    return nullptr;
  }
  bool ClickText(const char* text) {
    Frame();
    const ValueControl* c = FindControl(text);
    if (!c) return false;
    ClickControl(*c);
    return true;
  }
};

}  // namespace

TEST_F(Dialogs, AQuestionIsAnsweredOnlyByEnterOrYAfterItCloses) {
  for (int key : {int('N'), 27, int(' '), int('Q')}) {
    ASSERT_EQ(AskQuestion(&owner, Question, "Sure?", nullptr, 1, 2, MESSAGE_PLAIN), 1);
    EXPECT_EQ(CurrentProcess, &MessageBoxDialog.prss);
    EXPECT_EQ(DialogOpen, 2);
    Key(key);
    EXPECT_EQ(g_Answers.count, 0) << key;
    EXPECT_EQ(owner.sub, nullptr);
    EXPECT_EQ(DialogOpen, 0);
  }
  AskQuestion(&owner, Question, "Sure?", nullptr, 1, 2, MESSAGE_PLAIN);
  EXPECT_EQ(AskQuestion(&owner, Question, "again", nullptr, 0, 0, 0), 0);  // the owner shows one already
  Key('Y');
  EXPECT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.currentDuringCall, &owner);
  EXPECT_EQ(g_Answers.a, 1u);
  EXPECT_EQ(g_Answers.b, 2u);
  // A callback may open the next dialog; its "yes" button answers by a click.
  AskQuestion(&owner, AskAgain, "first", nullptr, 0, 0, MESSAGE_CANCEL_OK);
  ASSERT_TRUE(ClickText("OK"));
  EXPECT_EQ(owner.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "second");
  ASSERT_TRUE(ClickText("no"));
  EXPECT_EQ(g_Answers.count, 1 + 1);
  EXPECT_EQ(owner.sub, nullptr);
}

TEST_F(Dialogs, ReportsFromBelowTheInterfaceBecomeLinesBoxesAndQuestions) {
  SetDefaultTextColours();
  ReportLine("plain", REPORT_MESSAGE);
  EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, TextColours.message);
  ReportLine("failure", REPORT_ERROR, REPORT_TARGET_LOCAL_QUIET);
  EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, TextColours.error);
  EXPECT_EQ(MessageLines[MessageLineCount - 1].flags, MESSAGE_FLAG_PEER) << "a quiet line is marked";
  ReportLine("skin", REPORT_LIGHT_BLUE);
  EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, RgbWord(160, 160, 255));
  ReportLine("CheckGround", REPORT_WARNING);
  EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, RgbWord(255, 0, 0)) << "the warning colour is pure red";
  ReportLine("Mod exported", REPORT_SUCCESS);
  EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, RgbWord(160, 255, 160)) << "success: colour code 2's light green";
  ReportLabelledLine("AddSub", "removed subprocess", REPORT_GREY);
  EXPECT_STREQ(GetNewestMessageText(), "AddSub : removed subprocess");
  EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, TextColours.grey);
  ReportBox(&owner, "File is too short :", "x.bin");
  EXPECT_STREQ(MessageBoxDialog.first, "File is too short : x.bin");
  Key(' ');
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_EQ(ReportQuestion(&owner, Question, "sure?", nullptr, 1, 2, MESSAGE_PLAIN), 1);
  EXPECT_EQ(owner.sub, &MessageBoxDialog.prss);
  Key('Y');
  EXPECT_EQ(g_Answers.count, 1);
}

TEST_F(Dialogs, MessageBoxesFallBackToMessageLines) {
  ShowMessageBox(&owner, "first");
  ShowMessageBox(&owner, "second");  // the owner already shows a box
  EXPECT_STREQ(MessageBoxDialog.first, "first");
  ASSERT_NE(GetNewestMessageText(), nullptr);
  EXPECT_STREQ(GetNewestMessageText(), "second");
  UpdateMessageBoxF(&owner, "step %d", 2);
  EXPECT_STREQ(MessageBoxDialog.first, "step 2");
  EXPECT_STREQ(MessageBoxDialog.second, "first");
  Key('x');  // ignored by a plain box
  EXPECT_EQ(owner.sub, &MessageBoxDialog.prss);
  Key(' ');
  EXPECT_EQ(owner.sub, nullptr);
  ShowMessageBox(nullptr, "no owner");
  EXPECT_STREQ(GetNewestMessageText(), "no owner");
  InteractiveMode = 0;
  ShowMessageBox(&owner, "unattended");
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_STREQ(GetNewestMessageText(), "unattended");
  EXPECT_EQ(AskText(&owner, Typed, "p", 10, 0, "", 0, 0, nullptr), 0);
  EXPECT_EQ(OpenSelectSub(&owner, Chosen, "t", nullptr, nullptr, 0, 0, -1), 0);
  InteractiveMode = 1;
}

// Whether a text stands in a box or, the box being taken, as a message line, the log keeps it
// once: the default log (message lines reach the log by themselves only when it is named) and a
// named one, with the message lines shown or hidden.
TEST_F(Dialogs, WhatABoxOrItsMessageLineSaidStaysInTheLogOnce) {
  struct Case {
    const char* log;
    int messageLevel;
  };
  for (const Case c : {Case{"", 0}, Case{"dialogs_test.log", 0}, Case{"dialogs_test.log", 2}}) {
    SCOPED_TRACE(std::string(c.log) + " level " + std::to_string(c.messageLevel));
    SetLogFileName(c.log);
    std::remove(CurrentLogPath());
    MessageLevel = c.messageLevel;
    ShowMessageBox(&owner, "shown in a box");
    ShowMessageBox(&owner, "shown as a line");
    ShowMessageBox2Lines(nullptr, "first half", "second half");
    InteractiveMode = 0;
    ShowMessageBox(&owner, "unattended");
    InteractiveMode = 1;
    MessageLevel = 0;
    Key(' ');
    std::stringstream log;
    {
      std::ifstream in(CurrentLogPath());
      log << in.rdbuf();
    }
    std::remove(CurrentLogPath());
    for (const char* text : {"shown in a box", "shown as a line", "first half", "second half", "unattended"}) {
      const size_t at = log.str().find(text);
      EXPECT_NE(at, std::string::npos) << text;
      EXPECT_EQ(log.str().find(text, at + 1), std::string::npos) << text << " twice:\n" << log.str();
    }
  }
  SetLogFileName("");
}

// A formatted box shows its text formatted; a pair shows both texts with a blank between.
TEST_F(Dialogs, AFormattedBoxAndAPairShowTheirWholeText) {
  ShowMessageBoxF(&owner, "%d of %s", 3, "four");
  ASSERT_EQ(owner.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "3 of four");
  Key(13);
  ShowMessageBoxPair(&owner, "Could not open", "car.set");
  ASSERT_EQ(owner.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Could not open car.set");
  Key(13);
  EXPECT_EQ(owner.sub, nullptr);
}

TEST_F(Dialogs, TypedTextReachesTheCallbackWithItsWord) {
  ASSERT_EQ(AskText(&owner, Typed, "Name", 20, 77, "old", 0, 0, nullptr), 1);
  EXPECT_EQ(MouseMode, 1);
  Type("new");  // the initial text is selected: typing replaces it
  Key(13);
  EXPECT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.text, "new");
  EXPECT_EQ(g_Answers.a, 77u);
  EXPECT_EQ(g_Answers.currentDuringCall, &owner);
  EXPECT_EQ(MouseMode, 0);
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  Key(27);
  EXPECT_EQ(g_Answers.count, 1);
  EXPECT_EQ(owner.sub, nullptr);
}

TEST_F(Dialogs, SavingOverAnExistingFileAsksFirst) {
  Touch("dlg/car.set");
  AskText(&owner, Typed, "Save as", 30, 0, "car", 0, 6, PATTERN);
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_ASK_OVERWRITE);
  Key('N');
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  EXPECT_EQ(g_Answers.count, 0);
  Key(13);
  Key('Y');
  EXPECT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.text, "car");
  // An empty name cannot be saved; Enter returns to editing.
  AskText(&owner, Typed, "Save as", 30, 0, "", 0, 6, PATTERN);
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_NO_NAME);
  Key(' ');
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  CancelTextEntry();
}

// A fixed start of 1 to 7 characters lists only the files whose names begin with it; a
// longer one lists every file of the folder.
TEST_F(Dialogs, AFixedStartOfOneToSevenCharactersFiltersTheFileList) {
  Touch("dlg/abcdefgh.set");
  Touch("dlg/abcdefxx.set");
  Touch("dlg/zz.set");
  AskText(&owner, Typed, "Load", 30, 0, "a", 1, 4, PATTERN);
  EXPECT_EQ(TextEntryDialogSub.pick.count, 2) << "a*";
  CancelTextEntry();
  AskText(&owner, Typed, "Load", 30, 0, "abcdefg", 7, 4, PATTERN);
  EXPECT_EQ(TextEntryDialogSub.pick.count, 1) << "abcdefg*";
  CancelTextEntry();
  AskText(&owner, Typed, "Load", 30, 0, "abcdefgh", 8, 4, PATTERN);
  EXPECT_EQ(TextEntryDialogSub.pick.count, 3) << "no filter";
  CancelTextEntry();
}

TEST_F(Dialogs, LoadingAMissingFileSaysSoAndAnEmptyFolderHasNothingToLoad) {
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_NO_FILES);
  Key(13);
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_EQ(g_Answers.count, 0);
  Touch("dlg/a.set");
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  Type("b");
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_NOT_FOUND);
  Key(27);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  ClearLine();
  Type("a");
  Key(13);
  EXPECT_EQ(g_Answers.text, "a");
}

TEST_F(Dialogs, ATypedFileNameCannotLeaveItsFolder) {
  Touch("dlg/a.set");
  // Single-byte text (type 3) takes every character the name mode would refuse.
  const std::pair<const char*, const char*> refused[] = {
      {"../a", "Invalid file name : ../a holds \"/\", which no file name may hold"},
      {"x/y", "Invalid file name : x/y holds \"/\", which no file name may hold"},
      {"..", "Invalid file name : .. is \"..\""},
      {".hidden", "Invalid file name : .hidden begins with \".\""},
      {"/etc/passwd", "Invalid file name : /etc/passwd holds \"/\", which no file name may hold"},
      {"caf\xE9", "Invalid file name : caf\xE9 is not valid UTF-8"},  // a Latin-1 byte, not UTF-8
  };
  for (const auto& [name, said] : refused) {
    AskText(&owner, Typed, "Load", 30, 0, "", 0, 3, PATTERN);
    Type(name);
    Key(13);
    EXPECT_EQ(g_Answers.count, 0) << name;
    EXPECT_EQ(owner.sub, &TextEntryDialogSub.prss) << name;  // still open, said why
    EXPECT_STREQ(GetNewestMessageText(), said);
    CancelTextEntry();
  }
}

TEST_F(Dialogs, RenamingToANameThatCannotBeAFileNameSaysSoAndKeepsTheFile) {
  Touch("dlg/one.set");
  // Single-byte text (type 3) takes every character the name mode would refuse.
  AskText(&owner, Typed, "Load", 30, 0, "one", 0, 3, PATTERN);
  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_RENAME);
  ASSERT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING);
  for (const char* name : {".hidden", "", "../one", "x/y"}) {
    ResetMessages();
    ClearLine();
    Type(name);
    Key(13);
    EXPECT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING) << name;
    EXPECT_EQ(std::string(GetNewestMessageText()).rfind("Invalid file name : ", 0), 0u) << name;
    EXPECT_TRUE(fs::exists("dlg/one.set")) << name;
  }
  EXPECT_EQ(g_Answers.count, 0);
  CancelTextEntry();
}

TEST_F(Dialogs, RenamingOntoAnExistingNameAsksAgainAndAFailedRenameIsReported) {
  Touch("dlg/one.set");
  Touch("dlg/two.set");
  AskText(&owner, Typed, "Load", 30, 0, "one", 0, 4, PATTERN);
  ASSERT_EQ(TextEntryDialogSub.pick.count, 2);
  ASSERT_TRUE(ClickText("Rename"));
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING);
  EXPECT_STREQ(TextEntryDialogSub.oldName, "one");
  Frame();
  EXPECT_NE(FindControl("two"), nullptr) << "the file list stays while renaming";
  EXPECT_NE(FindControl("abc"), nullptr) << "and so does the plain-text switch";
  ClearLine();
  Type("two");
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_NAME_EXISTS);
  Frame();
  EXPECT_EQ(FindControl("two"), nullptr) << "a question hides the list";
  EXPECT_EQ(FindControl("abc"), nullptr);
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING);
  Key(27);  // cancelling puts the old name back
  char line[64];
  EntryPlainText(line, sizeof line);
  EXPECT_STREQ(line, "one");
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);

  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_RENAME);
  ClearLine();
  Type("three");
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  EXPECT_TRUE(fs::exists("dlg/three.set"));
  EXPECT_FALSE(fs::exists("dlg/one.set"));
  EXPECT_NE(TextEntryDialogSub.pick.FindByName("three"), nullptr);

  // The file went away behind the dialog's back: the rename fails and says so.
  ClearLine();
  Type("two");
  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_RENAME);
  fs::remove("dlg/two.set");
  ClearLine();
  Type("four");
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING);
  EXPECT_STREQ(GetNewestMessageText(), "Rename failed");
  EXPECT_FALSE(fs::exists("dlg/four.set"));
  CancelTextEntry();
}

// Renaming a file to its own name is no clash with an existing file: the rename goes through.
TEST_F(Dialogs, RenamingAFileToItsOwnNameIsNoClash) {
  Touch("dlg/one.set");
  AskText(&owner, Typed, "Load", 30, 0, "one", 0, 4, PATTERN);
  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_RENAME);
  ASSERT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING);
  ClearLine();
  Type("one");
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  EXPECT_TRUE(fs::exists("dlg/one.set"));
  CancelTextEntry();
}

TEST_F(Dialogs, DeletingAsksAndAFailedDeleteIsReported) {
  Touch("dlg/one.set");
  Touch("dlg/two.set");
  AskText(&owner, Typed, "Load", 30, 0, "one", 0, 4, PATTERN);
  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_DELETE);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_ASK_DELETE);
  Key('N');
  EXPECT_TRUE(fs::exists("dlg/one.set"));
  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_DELETE);
  Key('Y');
  EXPECT_FALSE(fs::exists("dlg/one.set"));
  EXPECT_EQ(TextEntryDialogSub.pick.count, 1);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  ClearLine();
  Type("gone");
  TextEntryButton(&TextEntryDialogSub, 0, ENTRY_BUTTON_DELETE);
  Key(13);
  EXPECT_STREQ(GetNewestMessageText(), "Delete failed");
  EXPECT_EQ(g_Answers.count, 0);
  CancelTextEntry();
}

// A file whose name the line cannot hold (39 characters against 32) is listed with the reason on
// its row, and a click on it says so and leaves the line, rather than taking a cut name that
// names no file.
TEST_F(Dialogs, AClickOnAListedFileTakesItsNameAndASecondClickConfirms) {
  Touch("dlg/alpha.set");
  Touch("dlg/beta.set");
  const std::string longName = "many_boxes_with_a_rather_long_file_name";
  Touch("dlg/" + longName + ".set");
  AskText(&owner, Typed, "Load", 32, 0, "", 0, 4, PATTERN);
  ASSERT_TRUE(ClickText("name"));  // sorted by name: alpha, beta, then the long name
  EXPECT_EQ(TextEntryDialogSub.sortMode, 0);
  Frame();
  std::vector<const ValueControl*> row;  // the long name's row: its name, cut to leave room, and the note
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].owner && ValueControls[i].variable == reinterpret_cast<void*>(uintptr_t{2})) row.push_back(&ValueControls[i]);
  ASSERT_EQ(row.size(), 2u);
  const std::string shown = row[0]->minimum.text;  // whole, or its start and "..."
  EXPECT_TRUE(shown == longName || (shown.ends_with("...") && longName.starts_with(shown.substr(0, shown.size() - 3))))
      << shown;
  EXPECT_STREQ(row[1]->minimum.text, "is longer than 32 characters");
  EXPECT_EQ(row[0]->right, row[1]->left);
  EXPECT_EQ(FindControl("alpha")->right, row[1]->right) << "a name that fits takes its whole row";
  for (int part = 0; part < 2; ++part) {
    Frame();
    ClickControl(*row[part]);
    EXPECT_EQ(MessageLines[MessageLineCount - 1].colour, TextColours.error);
    EXPECT_STREQ(MessageLines[MessageLineCount - 1].text, ("Invalid file name : " + longName + " is longer than 32 characters").c_str());
    char line[64];
    EntryPlainText(line, sizeof line);
    EXPECT_STREQ(line, "") << part;
  }
  ASSERT_TRUE(ClickText("beta"));
  char line[64];
  EntryPlainText(line, sizeof line);
  EXPECT_STREQ(line, "beta");
  EXPECT_EQ(g_Answers.count, 0);
  ASSERT_TRUE(ClickText("beta"));
  EXPECT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.text, "beta");
}

// Beside the list, "place / count": the place (from 1) of the first name the typed text begins,
// 0 when none does.
TEST_F(Dialogs, TheListsCounterShowsThePlaceOfTheTypedNameAndTheCount) {
  Touch("dlg/alpha.set");
  Touch("dlg/beta.set");
  Touch("dlg/gamma.set");
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  ASSERT_TRUE(ClickText("name"));  // alpha, beta, gamma
  const auto counterShown = [this](const char* text) {
    Frame();
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].minimum.text && std::string(ValueControls[i].minimum.text) == text) return true;
    return false;
  };
  EXPECT_TRUE(counterShown("1 / 3")) << "an empty line begins the first name";
  Type("BE");
  EXPECT_TRUE(counterShown("2 / 3"));
  Type("x");
  EXPECT_TRUE(counterShown("0 / 3"));
  ClearLine();
  Type("g");
  EXPECT_TRUE(counterShown("3 / 3")) << "the last name";
  CancelTextEntry();
}

// Twenty names in sixteen rows: the list scrolls 0 to 4.  Typing scrolls so that the first name
// the text begins is the eighth row (place - 7, held to 0..4); the page keys move by 15 within it.
TEST_F(Dialogs, TheFileListScrollsToTheTypedNameWithinItsEnds) {
  TouchTwentyNames();
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  ASSERT_TRUE(ClickText("name"));
  ASSERT_EQ(TextEntryDialogSub.pick.count, 20);
  Type("n1");  // n10, place 10: 10 - 7 = 3
  EXPECT_EQ(TextEntryDialogSub.pick.scroll, 3);
  Type("5");  // n15: 8, held at 4
  EXPECT_EQ(TextEntryDialogSub.pick.scroll, 4);
  ClearLine();  // an empty line begins the first name: back to 0
  EXPECT_EQ(TextEntryDialogSub.pick.scroll, 0);
  Key(KEYCODE_PAGE_DOWN);
  EXPECT_EQ(TextEntryDialogSub.pick.scroll, 4) << "15 down, held at the last";
  Key(KEYCODE_PAGE_UP);
  EXPECT_EQ(TextEntryDialogSub.pick.scroll, 0) << "15 up, held at the first";
  CancelTextEntry();
}

TEST_F(Dialogs, SuggestionsAreTakenOnceWhenNoPatternIsGiven) {
  static const char* const NAMES[] = {"light 1", "light 2"};
  TextEntrySuggestions = NAMES;
  TextEntrySuggestionCount = 2;
  AskText(&owner, Typed, "Light", 30, 0, "", 0, 1, nullptr);
  EXPECT_EQ(TextEntrySuggestionCount, 0);
  ASSERT_EQ(TextEntryDialogSub.pick.count, 2);
  EXPECT_STREQ(TextEntryDialogSub.pick.entries[1].name, "light 2");
  CancelTextEntry();
}

// A message box: its panel from y -0.53 to -0.19, its two lines one under the other across
// the panel's width (0.42 each side for short texts, 0.69 at most for long ones), and its
// button 0.1 to 0.02 above the panel's bottom.
TEST_F(Dialogs, AMessageBoxLaysOutItsPanelLinesAndButton) {
  const auto control = [](DisplayType type, const std::string& text) -> const ValueControl* {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == type && ValueControls[i].minimum.text && text == ValueControls[i].minimum.text)
        return &ValueControls[i];
    return nullptr;
  };
  const auto expectRect = [](const ValueControl* c, float l, float t, float r, float b, const char* what) {
    ASSERT_NE(c, nullptr) << what;
    EXPECT_FLOAT_EQ(c->left, l) << what;
    EXPECT_FLOAT_EQ(c->top, t) << what;
    EXPECT_FLOAT_EQ(c->right, r) << what;
    EXPECT_FLOAT_EQ(c->bottom, b) << what;
  };
  ShowMessageBox2Lines(&owner, "first", "second");
  Frame();
  expectRect(control(VALUE_TYPE_DARK_TEXT, ""), -0.42f, -0.53f, 0.42f, -0.19f, "panel");
  expectRect(control(VALUE_TYPE_TEXT_LINE, "first"), -0.42f, -0.45f, 0.42f, -0.37f, "first line");
  expectRect(control(VALUE_TYPE_TEXT_LINE, "second"), -0.42f, -0.37f, 0.42f, -0.29f, "second line");
  expectRect(control(VALUE_TYPE_BUTTON, LanguageTexts[TX_3a_capitlok]), -0.13f, -0.29f, 0.13f, -0.21f, "button");
  Key(13);
  ASSERT_EQ(owner.sub, nullptr);
  // A line of 80 glyphs a full text size wide each, whatever character set an earlier test
  // left loaded or none, kept to the box's line buffer.
  {
    const FullWidthW widen;
    const std::string wide(80, 'w');
    ShowMessageBox2Lines(&owner, wide.c_str(), "second");
    Frame();
  }
  expectRect(control(VALUE_TYPE_TEXT_LINE, MessageBoxDialog.first), -0.69f, -0.45f, 0.69f, -0.37f, "a long line");
  Key(13);
}

// Dialog text lines are shown in the code page in use, but for the second line of a two-line
// message box, which is plain.
TEST_F(Dialogs, DialogLinesTakeTheCodePageInUseButAPlainSecondLine) {
  const int saved = CurrentCodePage;
  CurrentCodePage = 3;
  const auto line = [](const std::string& text) -> const ValueControl* {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_TEXT_LINE && ValueControls[i].minimum.text &&
          text == ValueControls[i].minimum.text)
        return &ValueControls[i];
    return nullptr;
  };
  const auto pageOf = [&](const std::string& text) { return line(text) ? int(line(text)->codePage) : -1; };
  ShowMessageBox2Lines(&owner, "first", "second");
  Frame();
  EXPECT_EQ(pageOf("first"), 3);
  EXPECT_EQ(pageOf("second"), 0);
  Key(13);
  ASSERT_EQ(AskQuestion(&owner, Question, "Sure?", "really", 1, 2, MESSAGE_PLAIN), 1);
  Frame();
  EXPECT_EQ(pageOf("Sure?"), 3);
  EXPECT_EQ(pageOf("really"), 3);
  Key(27);
  ASSERT_EQ(AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr), 1);
  Frame();
  EXPECT_EQ(pageOf("Name"), 3);
  Key(27);
  static const char* const ITEMS[] = {"red", "green"};
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 2, 9, 0);
  Frame();
  EXPECT_EQ(pageOf("Colour"), 3);
  // The title's line runs from 0.02 to 0.1 below the list's top.
  float top, row;
  SelectListGeometry(2, top, row);
  ASSERT_NE(line("Colour"), nullptr);
  EXPECT_FLOAT_EQ(line("Colour")->top, top + 0.02f);
  EXPECT_FLOAT_EQ(line("Colour")->bottom, top + 0.1f);
  Key(27);
  EXPECT_EQ(owner.sub, nullptr);
  CurrentCodePage = saved;
}

// A list given a negative count is an empty list: no rows, its panel from -0.47 down to
// -0.47 + 0.24 = -0.23, and "cancel" 0.1 to 0.02 above that, at -0.33 .. -0.25.
TEST_F(Dialogs, AnOptionListWithANegativeCountIsAnEmptyList) {
  static const char* const ITEMS[] = {"red"};
  for (int count : {0, -1}) {
    ASSERT_EQ(AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, count, 9, -1), 1) << count;
    EXPECT_EQ(SelectDialog.count, 0) << count;
    Frame();
    EXPECT_EQ(FindControl("red"), nullptr) << count;
    const ValueControl* cancel = FindControl("cancel");
    ASSERT_NE(cancel, nullptr) << count;
    EXPECT_NEAR(cancel->top, -0.33f, 1e-6) << count;
    EXPECT_NEAR(cancel->bottom, -0.25f, 1e-6) << count;
    Key(27);
    EXPECT_EQ(owner.sub, nullptr) << count;
  }
}

TEST_F(Dialogs, OptionListsPlaceTheirRowsAndAnswerByKeyOrClick) {
  float top, row;
  SelectListGeometry(40, top, row);
  EXPECT_FLOAT_EQ(top, -1.0f);
  EXPECT_FLOAT_EQ(row, 0.044f);
  SelectListGeometry(21, top, row);  // 1.26 is 0.03 over: moved up by it
  EXPECT_NEAR(top, -0.5f, 1e-6);
  EXPECT_FLOAT_EQ(row, 0.06f);

  static const char* const ITEMS[] = {"red", "green", "blue"};
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, 1);
  Key('Q');  // any other key: closed without an answer
  EXPECT_EQ(g_Answers.count, 0);
  EXPECT_EQ(owner.sub, nullptr);
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, 1);
  Key(13);
  EXPECT_EQ(g_Answers.chosen, 1);
  EXPECT_EQ(g_Answers.a, 9u);
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, -1);
  Frame();
  EXPECT_NE(FindControl("cancel"), nullptr);  // no item current
  ASSERT_TRUE(ClickText("blue"));
  EXPECT_EQ(g_Answers.chosen, 2);
  EXPECT_EQ(owner.sub, nullptr);
  // The first row answers too, by a click or, when it is the current one, by Enter or Y; the
  // last as current by Enter.
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, -1);
  ASSERT_TRUE(ClickText("red"));
  EXPECT_EQ(g_Answers.chosen, 0);
  EXPECT_EQ(owner.sub, nullptr);
  for (int key : {13, int('Y')}) {
    g_Answers.chosen = -5;
    AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, 0);
    Key(key);
    EXPECT_EQ(g_Answers.chosen, 0) << key;
    EXPECT_EQ(owner.sub, nullptr) << key;
  }
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, 2);
  Key(13);
  EXPECT_EQ(g_Answers.chosen, 2);
  // A current past the last item is none: Enter closes the list without an answer.
  const int answers = g_Answers.count;
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 3, 9, 3);
  Key(13);
  EXPECT_EQ(g_Answers.count, answers);
  EXPECT_EQ(owner.sub, nullptr);
}

TEST_F(Dialogs, ADialogReplacedOrClosedWithItsOwnerLeavesNoDialogState) {
  ShowMessageBox(&owner, "busy");
  ASSERT_EQ(OpenTextEntrySub(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr), 1);  // replaces the box
  EXPECT_EQ(MessageBoxDialog.prss.alive, 0);
  EXPECT_EQ(owner.sub, &TextEntryDialogSub.prss);
  Key(27);
  EXPECT_EQ(DialogOpen, 0);
  EXPECT_EQ(MouseMode, 0);
  EXPECT_EQ(TextEntryActive, 0);
  // A text entry's code-page list over it, then the owner closes with both open.
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  TextEntryButton(&TextEntryDialogSub, 0, static_cast<uintptr_t>(ENTRY_BUTTON_CODE_PAGE));
  EXPECT_EQ(CurrentProcess, &SelectDialog.prss);
  Key(13);  // the current page is chosen again
  EXPECT_EQ(CurrentProcess, &TextEntryDialogSub.prss);
  EXPECT_EQ(MouseMode, 1);
  owner.terminate(&owner);
  EXPECT_EQ(DialogOpen, 0);
  EXPECT_EQ(MouseMode, 0);
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_EQ(g_Answers.count, 0);
}

// A question closed with its owner before any key is not answered: neither yes nor no
// reaches the owner's callback.
TEST_F(Dialogs, AQuestionClosedWithItsOwnerIsNotAnswered) {
  ASSERT_EQ(AskQuestion(&owner, Question, "Sure?", nullptr, 1, 2, MESSAGE_PLAIN), 1);
  owner.terminate(&owner);
  EXPECT_EQ(g_Answers.count, 0);
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_EQ(DialogOpen, 0);
}

// A plain text entry offers its nine colours in a row from x -0.1, each 0.0222 wide and
// handing its own number: dark text first, the panel grey last.
TEST_F(Dialogs, APlainEntryOffersItsNineColoursFromDarkTextToPanelGreyANumberAFieldAlone) {
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  Frame();
  std::vector<const ValueControl*> colours;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].callback == TextEntryButton && ValueControls[i].bottom == -0.21f &&
        ValueControls[i].right - ValueControls[i].left < 0.03f)
      colours.push_back(&ValueControls[i]);
  ASSERT_EQ(colours.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_NEAR(colours[i]->left, -0.1f + 0.0222f * float(i), 1e-6f) << i;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(colours[i]->variable), uintptr_t(i)) << i;
  }
  EXPECT_EQ(colours[0]->colour, &TextColours.darkText);
  EXPECT_EQ(colours[8]->colour, &TextColours.panelGrey);
  Key(27);

  // A number offers no colours.  Its entry line is drawn as a field of its own, opaque under
  // the whole line even while empty, and "42" typed into it is drawn there.
  AskText(&owner, Typed, "Enter new value for LOD1 distance (30 m)", 20, 0, "", 0, ENTRY_TYPE_SINGLE_BYTE, nullptr);
  Type("42");
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 864, ScreenHeight = 608;
  ResetDrawRecord();
  DrawRecording = 1;
  Frame();
  DrawInterface();
  DrawRecording = 0;
  int swatches = 0;
  for (int i = 0; i < ValueControlCount; ++i)
    swatches += ValueControls[i].callback == TextEntryButton && ValueControls[i].right - ValueControls[i].left < 0.03f;
  EXPECT_EQ(swatches, 0);
  const DrawRecordEntry* typed = nullptr;
  for (const DrawRecordEntry& e : DrawRecord)
    if (IsRecordedText(e.role) && e.text == "42") typed = &e;
  ASSERT_NE(typed, nullptr) << "the typed number is not drawn";
  const DrawRecordEntry* field = nullptr;
  for (const DrawRecordEntry& e : DrawRecord)
    if (!IsRecordedText(e.role) && (e.colour >> 24) == 0xFF && e.left <= typed->left && e.right >= typed->right &&
        e.top <= typed->top && e.bottom >= typed->bottom && e.right - e.left > 0.8f * 0.69f * float(ScreenWidth))
      field = &e;
  ASSERT_NE(field, nullptr) << "no opaque field under the entry line";
  // Emptied, the line still shows its cursor (in the half second of each blink it shows), a
  // bar over the field.
  const float fieldLeft = field->left, fieldRight = field->right;
  ResetDrawRecord();
  ClearLine();
  ProgramClock = LastInputClock;
  InterfaceTextBatch.items.clear();
  Frame();
  int bars = 0;
  for (const TextBatchItem& item : InterfaceTextBatch.items)
    bars += item.glyph == GLYPH_BAR && (item.x0 + 1.0f) * 0.5f * float(ScreenWidth) >= fieldLeft &&
            (item.x1 + 1.0f) * 0.5f * float(ScreenWidth) <= fieldRight;
  EXPECT_EQ(bars, 1) << "no cursor in the empty entry line";
  InterfaceTextBatch.items.clear();
  ResetDrawRecord();
  Key(27);

  // A name too wide for the line even at the least text size scrolls rather than squeezing:
  // at every length its end shows, with the cursor after it, at full width and at the least
  // size (whose capitals the layout check holds at 7 pixels), inside the field.
  for (int length = 10; length <= 85; length += 15) {
    const FullWidthW widen;
    AskText(&owner, Typed, "Name", 90, 0, "", 0, 0, nullptr);
    const std::string typed = std::string(size_t(length), 'w') + "42";
    Type(typed.c_str());
    ProgramClock = LastInputClock;  // the cursor in the half second it shows
    ResetDrawRecord();
    InterfaceTextBatch.items.clear();
    DrawRecording = 1;
    Frame();
    DrawInterface();
    DrawRecording = 0;
    const DrawRecordEntry* line = nullptr;
    for (const DrawRecordEntry& e : DrawRecord)
      if (IsRecordedText(e.role) && e.text.starts_with("w") && e.text.ends_with("42")) line = &e;
    ASSERT_NE(line, nullptr) << length << ": the end of the typed name is not drawn";
    if (length > 60) {
      EXPECT_LT(line->text.size(), typed.size()) << length << ": not scrolled";
    }
    EXPECT_GT(line->text.size(), std::min<size_t>(typed.size() - 1, 20u)) << length << ": scrolled too far";
    EXPECT_FLOAT_EQ(line->squeeze, 1.0f) << length;
    EXPECT_GE(line->glyphHeight, GLYPH_BOX_HEIGHT * LEAST_TEXT_PIXELS - 0.01f) << length;  // a cell of the least size
    EXPECT_GE(line->left, fieldLeft) << length;
    EXPECT_LE(line->right, fieldRight + 0.5f) << length;
    ResetDrawRecord();
    Key(27);
  }
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
}

TEST_F(Dialogs, AFunctionKeyPressedDuringTheEntryInsertsItsMessage) {
  FunctionKeyMessageText = [](int index) -> const char* { return index == 1 ? "hello" : nullptr; };
  AskText(&owner, Typed, "Say", 40, 0, "", 0, 0, nullptr);
  DialogFunctionKey = 2;
  Frame();
  EXPECT_EQ(DialogFunctionKey, 0);
  Key(13);
  EXPECT_EQ(g_Answers.text, "hello");
  FunctionKeyMessageText = nullptr;
}

TEST_F(Dialogs, TheKeyboardAndPlainTextSwitchesAreDrawnLitWhileOnAndClear) {
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  ASSERT_TRUE(ClickText("kb"));
  EXPECT_EQ(OnscreenKeyboardShown, 1);
  ASSERT_TRUE(ClickText("abc"));
  EXPECT_EQ(TextEntry.mode, ENTRY_MODE_SINGLE_BYTE);
  Frame();
  EXPECT_EQ(FindControl("kb")->colour, &InterfaceColours.textSelected);
  EXPECT_EQ(FindControl("abc")->colour, &InterfaceColours.textSelected);
  // No clickable control of the editing state lies over another.
  for (int i = 0; i < ValueControlCount; ++i)
    for (int j = i + 1; j < ValueControlCount; ++j) {
      const ValueControl &a = ValueControls[i], &b = ValueControls[j];
      if (!a.owner || !b.owner) continue;
      constexpr float E = 1e-5f;  // the colour buttons touch, up to rounding
      const bool apart = a.right <= b.left + E || b.right <= a.left + E || a.bottom <= b.top + E || b.bottom <= a.top + E;
      EXPECT_TRUE(apart) << a.minimum.text << " over " << b.minimum.text;
    }
  ASSERT_TRUE(ClickText("abc"));
  ASSERT_TRUE(ClickText("kb"));
  EXPECT_EQ(OnscreenKeyboardShown, 0);
  EXPECT_EQ(TextEntry.mode, ENTRY_MODE_FREE);
  Frame();
  EXPECT_EQ(FindControl("kb")->colour, &InterfaceColours.buttonAlt);
  EXPECT_EQ(FindControl("abc")->colour, &InterfaceColours.buttonAlt);
  Key(27);

  // A save with files listed: rename and delete join the row, still apart from the switches.
  Touch("dlg/one.set");
  AskText(&owner, Typed, "Save", 20, 0, "", 0, 6, PATTERN);
  Frame();
  ASSERT_NE(FindControl("Rename"), nullptr);
  for (const char* name : {"kb", "abc"}) {
    const ValueControl& s = *FindControl(name);
    for (const char* other : {"Rename", "Delete", "cancel", "OK"}) {
      const ValueControl& o = *FindControl(other);
      EXPECT_TRUE(s.bottom <= o.top || o.bottom <= s.top || s.right <= o.left || o.right <= s.left) << name << other;
    }
  }
  // While it asks, the keyboard stays offered and the plain-text switch is gone.
  Type("one");
  Key(13);
  ASSERT_EQ(TextEntryDialogSub.state, ENTRY_ASK_OVERWRITE);
  Frame();
  EXPECT_NE(FindControl("kb"), nullptr);
  EXPECT_EQ(FindControl("abc"), nullptr);
  Key(27);
  Key(27);
}

// A file list is sorted by date, except a save offering no name (type 6 with an empty line),
// which lists by name; the sort buttons of a load (type 4) show the sort chosen too.
TEST_F(Dialogs, ASaveWithoutANameListsByNameAndOtherFileListsByDate) {
  Touch("dlg/one.set");
  const auto sorted = [this](const char* initial, int type) {
    AskText(&owner, Typed, "Files", 20, 0, initial, 0, type, PATTERN);
    Frame();
    const ValueControl* byName = FindControl("name");
    const ValueControl* byDate = FindControl("date");
    std::string result = !byName || !byDate                               ? "no buttons"
                         : byName->colour == &InterfaceColours.textSelected ? "name"
                         : byDate->colour == &InterfaceColours.textSelected ? "date"
                                                                            : "neither";
    CancelTextEntry();
    return result;
  };
  EXPECT_EQ(sorted("", 6), "name");
  EXPECT_EQ(sorted("car", 6), "date");
  EXPECT_EQ(sorted("", 5), "date");
  EXPECT_EQ(sorted("", 7), "date");
  EXPECT_EQ(sorted("", 4), "date");
}

// An entry's length is held between 1 and the line's 96 characters.
TEST_F(Dialogs, AnEntrysLengthIsHeldBetweenOneAndTheLinesSize) {
  for (const auto& [asked, kept] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{96, 96}, std::pair{500, 96}}) {
    AskText(&owner, Typed, "Name", asked, 0, "", 0, 0, nullptr);
    EXPECT_EQ(OpenTextEntry.maxLength, kept) << asked;
    CancelTextEntry();
  }
}

TEST_F(Dialogs, APasswordEntryRefusesThePlainTextSwitch) {
  AskText(&owner, Typed, "Password", 20, 0, "", 0, 2, nullptr);
  ASSERT_TRUE(ClickText("abc"));
  EXPECT_EQ(TextEntry.mode, ENTRY_MODE_SINGLE_BYTE);
  ASSERT_TRUE(ClickText("abc"));
  EXPECT_EQ(TextEntry.mode, ENTRY_MODE_SINGLE_BYTE);  // stays: a password is single-byte
  Key(27);
}

// The entry's line is a text field, masked (type 22) for a password, plain (14) otherwise,
// between y -0.37 and -0.29.
TEST_F(Dialogs, AnEntrysLineIsMaskedOnlyForAPassword) {
  for (int type : {0, 2}) {
    AskText(&owner, Typed, "Prompt", 20, 0, "", 0, type, nullptr);
    Frame();
    const ValueControl* line = nullptr;
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].minimum.text == TextEntry.coded) line = &ValueControls[i];
    ASSERT_NE(line, nullptr) << type;
    EXPECT_EQ(line->displayType, type == 2 ? VALUE_TYPE_PASSWORD_LINE : VALUE_TYPE_TEXT_LINE) << type;
    EXPECT_FLOAT_EQ(line->top, -0.37f);
    EXPECT_FLOAT_EQ(line->bottom, -0.29f);
    Key(27);
  }
}

TEST_F(Dialogs, AnEntryBracketsTheImeFromOpeningToClosing) {
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  EXPECT_EQ(Ime.entryActive, 1);
  EXPECT_EQ(TextEntryActive, 1);
  Ime.open = 1;  // the user opened the IME while typing
  Type("x");
  Key(13);
  EXPECT_EQ(g_Answers.count, 1);
  EXPECT_EQ(Ime.entryActive, 0);
  EXPECT_EQ(TextEntryActive, 0);
  EXPECT_EQ(Ime.shouldBeOpen, 0);
  EXPECT_EQ(Ime.rememberedOpen, InputCodePage + 1);
  // The next entry in the same input code page opens the IME again.
  Ime.pending = 0;
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  EXPECT_EQ(Ime.entryActive, 1);
  EXPECT_NE(Ime.pending & IME_SET_OPEN_STATUS, 0);
  EXPECT_EQ(Ime.shouldBeOpen, 1);
  // Replacing it and closing it with its owner end each entry.
  OpenTextEntrySub(&owner, Typed, "Other", 20, 0, "", 0, 0, nullptr);
  EXPECT_EQ(Ime.entryActive, 1);
  owner.terminate(&owner);
  EXPECT_EQ(Ime.entryActive, 0);
  EXPECT_EQ(TextEntryActive, 0);
  // A command line ("/...") and a password take plain text: no composition while open.
  Prss_Init(&owner, nullptr, OwnerAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&owner);
  for (int type : {0, 2}) {
    AskText(&owner, Typed, "Cmd", 20, 0, type == 0 ? "/" : "", -1, type, nullptr);
    EXPECT_EQ(Ime.entryActive, 0) << type;
    EXPECT_EQ(TextEntryActive, 1) << type;
    Key(27);
    EXPECT_EQ(TextEntryActive, 0) << type;
  }
}

namespace {

struct PageDraw {
  int count = 0;
  MessageSub* box = nullptr;
  float left = 0, top = 0, right = 0, bottom = 0;
};
PageDraw g_Page;

void DrawPage(MessageSub* box, float left, float top, float right, float bottom) {
  ++g_Page.count;
  g_Page.box = box;
  g_Page.left = left;
  g_Page.top = top;
  g_Page.right = right;
  g_Page.bottom = bottom;
}

// The dialog's own panel: the opaque box without owner or text.
const ValueControl* DialogPanel() {
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (!c.owner && c.displayType == VALUE_TYPE_DARK_TEXT && c.minimum.text && !c.minimum.text[0]) return &c;
  }
  return nullptr;
}

}  // namespace

// A message page makes the box taller by the page's height: the page is drawn from under the
// title (-0.37) to -0.29 plus the height, the panel ends at -0.19 plus it and the OK button sits
// 0.1 to 0.02 above that.  A negative height is none.
TEST_F(Dialogs, AMessagePageMakesTheBoxTallerByItsHeight) {
  g_Page = PageDraw{};
  ASSERT_EQ(OpenMessagePage(&owner, nullptr, "title", DrawPage, 0.25f), 1);
  EXPECT_EQ(OpenMessagePage(&owner, nullptr, "again", DrawPage, 0.25f), 0) << "one box at a time";
  Frame();
  ASSERT_EQ(g_Page.count, 1);
  EXPECT_EQ(g_Page.box, &MessageBoxDialog);
  EXPECT_FLOAT_EQ(g_Page.left, -0.42f);
  EXPECT_FLOAT_EQ(g_Page.top, -0.37f);
  EXPECT_FLOAT_EQ(g_Page.right, 0.42f);
  EXPECT_NEAR(g_Page.bottom, -0.04f, 1e-6f);  // -0.29 + 0.25
  const ValueControl* panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_FLOAT_EQ(panel->top, -0.53f);
  EXPECT_NEAR(panel->bottom, 0.06f, 1e-6f);  // -0.19 + 0.25
  const ValueControl* ok = FindControl(LanguageTexts[TX_3a_capitlok]);
  ASSERT_NE(ok, nullptr);
  EXPECT_NEAR(ok->top, -0.04f, 1e-6f);
  EXPECT_NEAR(ok->bottom, 0.04f, 1e-6f);
  Key(13);
  ASSERT_EQ(owner.sub, nullptr);

  ASSERT_EQ(OpenMessagePage(&owner, nullptr, "title", DrawPage, -0.3f), 1);
  Frame();
  EXPECT_EQ(MessageBoxDialog.pageHeight, 0.0f);
  EXPECT_NEAR(g_Page.bottom, -0.29f, 1e-6f);
  panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_NEAR(panel->bottom, -0.19f, 1e-6f);
  Key(13);
  EXPECT_EQ(owner.sub, nullptr);
}

// A dialog holds still once drawn: each of its frames clears the request to draw again.
TEST_F(Dialogs, EachDialogClearsTheRedrawRequestOnceDrawn) {
  static const char* const ITEMS[] = {"red", "green"};
  ShowMessageBox(&owner, "note");
  RedrawRequested = 1;
  Frame();
  EXPECT_EQ(RedrawRequested, 0) << "message box";
  Key(13);
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  RedrawRequested = 1;
  Frame();
  EXPECT_EQ(RedrawRequested, 0) << "text entry";
  CancelTextEntry();
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 2, 9, -1);
  RedrawRequested = 1;
  Frame();
  EXPECT_EQ(RedrawRequested, 0) << "option list";
  Key(27);
  EXPECT_EQ(owner.sub, nullptr);
  RedrawRequested = 1;
}

// The entry's panel reaches down over its file list: from the sort buttons' foot (-0.13) a row
// of 0.06 for each name, sixteen rows at most, and 0.02 more.
TEST_F(Dialogs, TheEntrysPanelReachesOverSixteenListRowsAtMost) {
  TouchTwentyNames();
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  char name[32];
  ASSERT_EQ(TextEntryDialogSub.pick.count, 20);
  Frame();
  const ValueControl* panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_NEAR(panel->bottom, 0.85f, 1e-5f);  // -0.13 + 16 x 0.06 + 0.02
  CancelTextEntry();
  for (int i = 3; i < 20; ++i) {
    std::snprintf(name, sizeof name, "dlg/n%02d.set", i);
    fs::remove(name);
  }
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  ASSERT_EQ(TextEntryDialogSub.pick.count, 3);
  Frame();
  panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_NEAR(panel->bottom, 0.07f, 1e-5f);  // -0.13 + 3 x 0.06 + 0.02
  CancelTextEntry();
}

// While an entry is open the keyboard, once shown, is raised: it runs from -0.9 to -0.47, and
// the whole dialog stands 0.08 lower, its panel from -0.45 (0.02 under the keyboard) to
// -0.13 + 16 x 0.06 + 0.02 + 0.08 = 0.93, so no key lies over its prompt, line, buttons or
// list.  Closed, the keyboard is lowered again.
TEST_F(Dialogs, AnEntryRaisesTheKeyboardAndStandsBelowIt) {
  TouchTwentyNames();
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  EXPECT_EQ(OnscreenKeyboardRaised, 1);
  ASSERT_TRUE(ClickText("kb"));
  Frame();
  const int dialogControls = ValueControlCount;
  DoOnScreenKeyboard();
  ASSERT_GT(ValueControlCount, dialogControls);
  float keyboardBottom = -1.0f;
  for (int i = dialogControls; i < ValueControlCount; ++i) keyboardBottom = std::max(keyboardBottom, ValueControls[i].bottom);
  EXPECT_NEAR(ValueControls[dialogControls].top, -0.9f, 1e-5f);
  EXPECT_NEAR(keyboardBottom, -0.47f, 1e-5f);
  const ValueControl* panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_NEAR(panel->top, -0.45f, 1e-5f);
  EXPECT_NEAR(panel->bottom, 0.93f, 1e-5f);
  for (int i = 0; i < dialogControls; ++i) EXPECT_GE(ValueControls[i].top, keyboardBottom) << i;
  Key(27);
  EXPECT_EQ(OnscreenKeyboardRaised, 0);
}

// The entry's keys: a space is typed like any character, and Up (the first key beyond the
// bytes) recalls the last message line.
TEST_F(Dialogs, AnEntryTypesSpacesAndRecallsTheLastMessageWithUp) {
  AddMessage("older", TextColours.grey, MSG_TARGET_LOCAL);
  AskText(&owner, Typed, "Say", 40, 3, "", 0, 0, nullptr);
  Key(KEYCODE_UP);
  Type(" b");
  Key(13);
  ASSERT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.text, "older b");
  EXPECT_EQ(g_Answers.a, 3u);
}

// The nine colour buttons set the typing colour: the first 0, the last 8 (the default).  Each
// is a swatch of its colour with no text, the chosen one twice as tall, 0.06 (it carried a
// "*" 0.03 high, too small to read, and the others showed nothing of their colours).
TEST_F(Dialogs, TheFirstAndLastColourButtonsSetTheTypingColour) {
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  ASSERT_EQ(TextEntry.colour, ENTRY_COLOUR_DEFAULT);
  const auto swatchHeights = [this] {
    Frame();
    std::string heights;
    char text[8];
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      const intptr_t word = reinterpret_cast<intptr_t>(c.variable);
      if (c.callback != TextEntryButton || word < 0 || word > ENTRY_COLOUR_DEFAULT) continue;
      EXPECT_FALSE(ValueControlText(c, text, sizeof text) && text[0]) << "colour " << word << " shows " << text;
      EXPECT_EQ(c.displayType, VALUE_TYPE_DARK_TEXT) << "a panel of its colour, colour " << word;
      heights += std::to_string(std::lround((c.bottom - c.top) * 100.0f));
    }
    return heights;
  };
  EXPECT_EQ(swatchHeights(), "333333336");
  TextEntryButton(&TextEntryDialogSub, 1, 0);
  EXPECT_EQ(TextEntry.colour, 0);
  EXPECT_EQ(swatchHeights(), "633333333");
  TextEntryButton(&TextEntryDialogSub, 1, 7);
  EXPECT_EQ(TextEntry.colour, 7);
  TextEntryButton(&TextEntryDialogSub, 1, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(TextEntry.colour, ENTRY_COLOUR_DEFAULT);
  Key(27);
}

// An option list answers 1 for any row chosen, the first one too, and 0 when cancelled.
TEST_F(Dialogs, AnOptionListAnswersOneForTheFirstRowAndZeroWhenCancelled) {
  static const char* const ITEMS[] = {"red", "green"};
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 2, 9, 0);
  Key(13);
  EXPECT_EQ(g_Answers.chosen, 0);
  EXPECT_EQ(SelectDialog.answer, 1);
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 2, 9, 0);
  Key(27);
  EXPECT_EQ(SelectDialog.answer, 0);
  EXPECT_EQ(g_Answers.count, 1);
}

// A save without a pattern needs a name past its fixed start: nothing or the fixed start alone
// says so instead of answering.
TEST_F(Dialogs, ASaveWithoutAPatternNeedsANamePastItsFixedStart) {
  AskText(&owner, Typed, "Save", 30, 0, "", 0, 6, nullptr);
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_NO_NAME);
  EXPECT_EQ(g_Answers.count, 0);
  CancelTextEntry();
  AskText(&owner, Typed, "Save", 30, 0, "ab", 2, 6, nullptr);
  Key(13);
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_NO_NAME);
  Key(13);  // acknowledged: editing again
  ASSERT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  Type("c");
  Key(13);
  ASSERT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.text, "abc");
}

// While the entry says a name exists, typing does not reach the line; Space, like Enter,
// goes back to renaming.
TEST_F(Dialogs, WhileANameExistsTypingIsIgnoredAndSpaceGoesBackToRenaming) {
  AskText(&owner, Typed, "Name", 30, 0, "old", 0, 0, nullptr);
  TextEntryDialogSub.state = ENTRY_NAME_EXISTS;
  Type("xy");
  EXPECT_STREQ(TextEntry.coded, "old");
  Key(' ');
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_RENAMING);
  EXPECT_STREQ(TextEntry.coded, "old");
  CancelTextEntry();
}

// Without files the list is not shown: the panel ends at -0.19 and there are no sort buttons.
TEST_F(Dialogs, AnEntryWithoutFilesShowsNoListNorSortButtons) {
  AskText(&owner, Typed, "Save", 30, 0, "", 0, 6, PATTERN);
  ASSERT_EQ(TextEntryDialogSub.pick.count, 0);
  Frame();
  const ValueControl* panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_NEAR(panel->bottom, -0.19f, 1e-6f);
  EXPECT_EQ(FindControl(LanguageTexts[TX_3a_namesort]), nullptr);
  EXPECT_EQ(FindControl(LanguageTexts[TX_3a_datesort]), nullptr);
  CancelTextEntry();
}

// An entry confirmed from outside keeps its fixed start and answers it with the text given.
TEST_F(Dialogs, AnEntryConfirmedFromOutsideKeepsItsFixedStart) {
  AskText(&owner, Typed, "Say", 40, 4, "to: ", 4, 0, nullptr);
  ASSERT_EQ(ConfirmTextEntry("abc"), 1);
  ASSERT_EQ(g_Answers.count, 1);
  EXPECT_EQ(g_Answers.text, "to: abc");
  EXPECT_EQ(ConfirmTextEntry("again"), 0) << "nothing open";
}

// An entry shows its list and code-page buttons, and says so when there are no files to load.
TEST_F(Dialogs, AnEntryShowsItsListAndCodePageButtonsOrThatNoFilesAreThere) {
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  Frame();
  const ValueControl* list = FindControl("...");
  const ValueControl* codePage = FindControl("^");
  ASSERT_NE(list, nullptr);
  ASSERT_NE(codePage, nullptr);
  EXPECT_FLOAT_EQ(list->left, -0.55f);
  EXPECT_FLOAT_EQ(codePage->left, -0.67f);
  CancelTextEntry();
  AskText(&owner, Typed, "Load", 30, 0, "", 0, 4, PATTERN);
  ASSERT_EQ(TextEntryDialogSub.state, ENTRY_NO_FILES);
  Frame();
  bool said = false;
  for (int i = 0; i < ValueControlCount; ++i)
    said = said || (ValueControls[i].displayType == VALUE_TYPE_TEXT_LINE && ValueControls[i].minimum.text &&
                    std::string(ValueControls[i].minimum.text) == LanguageTexts[TX_3g_nofilesl]);
  EXPECT_TRUE(said);
  CancelTextEntry();
}

// An option list stands on its own panel: from its top (-0.47 for a short list) down past its
// rows of 0.06 by 0.24.
TEST_F(Dialogs, AnOptionListStandsOnItsPanel) {
  static const char* const ITEMS[] = {"red", "green"};
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 2, 9, -1);
  Frame();
  const ValueControl* panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_NEAR(panel->top, -0.47f, 1e-6f);
  EXPECT_NEAR(panel->bottom, -0.11f, 1e-6f);  // -0.47 + 2 x 0.06 + 0.24
  Key(27);
}

// A box or list opened again for another owner leaves the first owner first.
TEST_F(Dialogs, ADialogOpenedAgainLeavesItsFirstOwner) {
  Prss other{};
  Prss_Init(&other, nullptr, OwnerAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
  ShowMessageBox(&owner, "one");
  ASSERT_EQ(owner.sub, &MessageBoxDialog.prss);
  ShowMessageBox(&other, "two");
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_EQ(other.sub, &MessageBoxDialog.prss);
  Key(13);
  static const char* const ITEMS[] = {"red"};
  Prss_MakeCurrent(&owner);
  AskSelect(&owner, Chosen, "Colour", nullptr, ITEMS, 1, 9, -1);
  ASSERT_EQ(owner.sub, &SelectDialog.prss);
  AskSelect(&other, Chosen, "Colour", nullptr, ITEMS, 1, 9, -1);
  EXPECT_EQ(owner.sub, nullptr);
  EXPECT_EQ(other.sub, &SelectDialog.prss);
  Key(27);
  Prss_MakeCurrent(&owner);
}

// Closing an entry puts back the dialog word it found and the plain mouse mode.
TEST_F(Dialogs, ClosingAnEntryPutsBackTheDialogWordAndThePlainMouseMode) {
  DialogOpen = 5;
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  EXPECT_NE(DialogOpen, 5);
  Key(27);
  EXPECT_EQ(DialogOpen, 5);
  EXPECT_EQ(MouseMode, 0);
  DialogOpen = 0;
}

// The code-page button offers the ten pages with the input page current.
TEST_F(Dialogs, TheCodePageButtonOffersThePagesWithTheInputPageCurrent) {
  const int saved = InputCodePage;
  InputCodePage = 3;
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  TextEntryButton(&TextEntryDialogSub, 1, static_cast<uintptr_t>(ENTRY_BUTTON_CODE_PAGE));
  ASSERT_EQ(TextEntryDialogSub.prss.sub, &SelectDialog.prss);
  EXPECT_EQ(SelectDialog.count, CODE_PAGE_COUNT);
  EXPECT_EQ(SelectDialog.current, 3);
  EXPECT_EQ(SelectDialog.answerWord, 0u);
  Key(27);
  CancelTextEntry();
  InputCodePage = saved;
}

// The entry's panel spans 0.69 each side from -0.53 down; a long second line of a message box
// widens it as a long first line does.
TEST_F(Dialogs, TheEntrysPanelAndALongSecondLineOfABox) {
  AskText(&owner, Typed, "Name", 20, 0, "", 0, 0, nullptr);
  Frame();
  const ValueControl* panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_FLOAT_EQ(panel->left, -0.69f);
  EXPECT_FLOAT_EQ(panel->top, -0.53f);
  EXPECT_FLOAT_EQ(panel->right, 0.69f);
  CancelTextEntry();
  // 80 glyphs a full text size wide each, whatever character set an earlier test left loaded.
  {
    const FullWidthW widen;
    const std::string wide(80, 'w');
    ShowMessageBox2Lines(&owner, "first", wide.c_str());
    Frame();
  }
  panel = DialogPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_FLOAT_EQ(panel->left, -0.69f);
  Key(13);
}
