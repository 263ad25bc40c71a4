// typed_messages_test.cpp - the typed-message entry, opened from the keys on a screen that
// takes keys as commands: a line beginning "/" runs as a text command, any other is a chat
// line, shown to the local user only while no peers exist.
#include "app_harness.h"

#include <cstring>

#include "app/text_commands.h"
#include "platform/keys.h"
#include "text/messages.h"
#include "ui/dialogs.h"

namespace {

// What the window would hand over for a key press that types character (0: none).
void Press(int key, int character) {
  PostWindowMessage(MSG_KEYDOWN, static_cast<uint64_t>(key), 0);
  if (character) PostWindowMessage(MSG_CHAR, static_cast<uint64_t>(character), 0);
  PostWindowMessage(MSG_KEYUP, static_cast<uint64_t>(key), 0);
}

void TypeText(const char* text) {
  for (; *text; ++text) {
    const int c = static_cast<unsigned char>(*text);
    Press(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c, c);
  }
}

bool Shown(const char* text) {
  for (int i = 0; i < MessageLineCount; ++i)
    if (std::strstr(MessageLines[i].text, text)) return true;
  return false;
}

}  // namespace

TEST_F(AppHarness, TypingASlashOpensTheEntryAndItsLineRunsAsACommand) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  Prss* page = AppTopProcess();
  Press(KEY_SLASH, '/');
  RunPasses(2);
  ASSERT_EQ(page->sub, &TextEntryDialogSub.prss) << "\"/\" opens the typed-message entry";
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter message");
  EXPECT_STREQ(OpenTextEntry.initialText, "/");
  TypeText("debug 2");
  Press(KEY_ENTER, 13);
  RunPasses(2);
  EXPECT_EQ(page->sub, nullptr);
  EXPECT_EQ(CfgDebugLevel, 2) << "the typed line ran as a command";
  EXPECT_TRUE(Shown("/debug 2")) << "echoed as typed";

  // "T", the chat key, opens it empty; a line without "/" is a chat line, shown locally.
  ProgramClock += 1000;
  Press('T', 't');
  RunPasses(2);
  ASSERT_EQ(page->sub, &TextEntryDialogSub.prss);
  EXPECT_STREQ(OpenTextEntry.initialText, "");
  TypeText("hello all");
  Press(KEY_ENTER, 13);
  RunPasses(2);
  EXPECT_EQ(page->sub, nullptr);
  EXPECT_TRUE(Shown("hello all"));
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}
