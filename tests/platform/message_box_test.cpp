// message_box_test.cpp - message boxes and yes/no questions through the handlers tests put in
// place of the system's box: what the handler is given, and the captions a box gets by default.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Shown {
  int boxes = 0;
  std::string text, caption;
  MessageBoxIcon icon = BOX_ICON_NONE;
};
Shown g_shown;

void RecordBox(const char* text, const char* caption, MessageBoxIcon icon) {
  ++g_shown.boxes;
  g_shown.text = text;
  g_shown.caption = caption;
  g_shown.icon = icon;
}

std::string g_asked;
int AnswerYesToSave(const char* text, const char* caption) {
  g_asked = std::string(caption) + "|" + text;
  return g_asked == "Save|Keep the changes?" ? 1 : 0;
}

}  // namespace

TEST(MessageBoxes, TheHandlerGetsTheTextCaptionAndIconWithTheDefaultCaptions) {
  g_shown = Shown{};
  SetMessageBoxHandler(RecordBox);
  ShowPlatformMessageBox("The file is damaged.", "Loading", BOX_ICON_EXCLAMATION);
  EXPECT_EQ(g_shown.boxes, 1);
  EXPECT_EQ(g_shown.text, "The file is damaged.");
  EXPECT_EQ(g_shown.caption, "Loading");
  EXPECT_EQ(g_shown.icon, BOX_ICON_EXCLAMATION);

  ShowPlatformMessageBox("Out of memory.", nullptr, BOX_ICON_STOP);
  EXPECT_EQ(g_shown.caption, "Error") << "no caption with the stop icon";
  EXPECT_EQ(g_shown.icon, BOX_ICON_STOP);
  ShowPlatformMessageBox("Saved.", nullptr, BOX_ICON_INFORMATION);
  EXPECT_EQ(g_shown.caption, "ZKT") << "no caption with any other icon";
  ShowPlatformMessageBox(nullptr, "Empty", BOX_ICON_NONE);
  EXPECT_EQ(g_shown.text, "") << "no text is an empty text";
  EXPECT_EQ(g_shown.boxes, 4);
  SetMessageBoxHandler(nullptr);
}

TEST(MessageBoxes, AYesNoQuestionIsAnsweredByItsHandlerWithTextAndCaptionInPlace) {
  g_asked.clear();
  SetYesNoHandler(AnswerYesToSave);
  EXPECT_EQ(AskPlatformYesNo("Keep the changes?", "Save"), 1);
  EXPECT_EQ(g_asked, "Save|Keep the changes?");
  EXPECT_EQ(AskPlatformYesNo("Save", "Keep the changes?"), 0);
  SetYesNoHandler(nullptr);
}
