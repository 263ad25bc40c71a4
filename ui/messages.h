// messages.h - the message lines shown to the user, each removed 6000 ms after it was drawn.
// Targets: -1 the local user, -2 the local user without a report to the control link,
// -3 debug only, 0 and above a connection index.
#pragma once
#include "ui/text_colours.h"

constexpr int MSG_TARGET_LOCAL = -1;
constexpr int MSG_TARGET_LOCAL_QUIET = -2;
constexpr int MSG_TARGET_DEBUG = -3;

void AddMessage(const char* text, ColourWord colour, int target);
void ShowMessage(const char* text, ColourWord colour);
void ShowFailedMessage(const char* name);
void ShowLabelledMessage(const char* label, const char* text, ColourWord colour);

// Without graphics every local line is also printed as a status line.
extern int MessagesToStdout;

void ClearMessageLines();
void ToggleMessageHistory();
extern int MessageHistoryShown;
