// messages.cpp - message lines.  Until the message area is drawn, lines are logged (when a
// log file name is set) and printed as status lines without graphics.
#include "ui/messages.h"

#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "ui/coded_text.h"

int MessagesToStdout;

void AddMessage(const char* text, ColourWord colour, int target) {
  if (LogFileName[0]) LogLine(text);
  if (MessagesToStdout && target != MSG_TARGET_DEBUG) {
    char plain[LOG_TEXT_MAX + 1];
    StripCodes(plain, text, sizeof plain, 0);
    std::printf("%s\n", plain);
  }
}

void ShowMessage(const char* text, ColourWord colour) { AddMessage(text, colour, MSG_TARGET_LOCAL); }

void ShowFailedMessage(const char* name) {
  char line[160];
  std::snprintf(line, sizeof line, "%s failed", name);
  AddMessage(line, TextColours.error, MSG_TARGET_LOCAL);
}

void ShowLabelledMessage(const char* label, const char* text, ColourWord colour) {
  char line[160];
  const size_t length = std::strlen(label);
  if (length > 0 && label[length - 1] == ':')
    std::snprintf(line, sizeof line, "%s %s", label, text);
  else
    std::snprintf(line, sizeof line, "%s : %s", label, text);
  AddMessage(line, colour, MSG_TARGET_LOCAL);
}

int MessageHistoryShown;

void ClearMessageLines() {}
void ToggleMessageHistory() { MessageHistoryShown ^= 1; }
