// message_box.h - the standard message box of the system (errors, warnings, questions).
#pragma once

enum MessageBoxIcon { BOX_ICON_NONE = 0, BOX_ICON_STOP, BOX_ICON_EXCLAMATION, BOX_ICON_INFORMATION };

// The box is a process of its own (SDL's): it ends with the program, also with one killed, and
// an end signal (signals.h) closes it as it comes, or keeps it from opening once one has come;
// the call then returns as if the box had been closed (a question's answer is no).
//
// Shows a modal box; caption null gives "Error" for the stop icon and "ZKT" otherwise.  The
// caption and text also go to standard error, where they stay when no box can be shown.
// A caption that was given starts the box's text too: without a window manager no title
// bar shows it, and it often holds the reason.
void ShowPlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon);

// Tests replace the box with a recorder; null restores the real box.
using MessageBoxHandler = void (*)(const char* text, const char* caption, MessageBoxIcon icon);
void SetMessageBoxHandler(MessageBoxHandler handler);

// Asks a yes/no question; 1 for yes.  Without a display the answer is no.  The caption
// starts the text as above.
int AskPlatformYesNo(const char* text, const char* caption);
// Tests answer the question instead; null restores the real box.
using YesNoHandler = int (*)(const char* text, const char* caption);
void SetYesNoHandler(YesNoHandler handler);

// Closes the box on show, from the end signals' handler (safe there).
void EndMessageBoxForSignal();
