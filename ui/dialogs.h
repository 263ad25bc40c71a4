// dialogs.h - the modal dialogs: the message box family, the text entry, and the dialog
// state the window's key handling reads.
//
// Sections: [Message boxes] [Text entry] [Dialog state]
//
// STAND-IN until the dialogs are built: a message box is written to the debug log only, and
// a text entry is not drawn: AskText and OpenTextEntrySub record what was asked in
// OpenTextEntry, and whoever plays the user (a test) answers by calling its callback.  The
// real dialogs keep these signatures.
#pragma once
#include <cstdint>
#include <cstdio>

#include "core/log.h"

struct Prss;

// ---- [Message boxes] ----
// The real one opens the box on owner's page, or adds a message line when there is no
// owner or the owner already shows a sub-screen.
inline void ShowMessageBox(Prss* owner, const char* text) {
  (void)owner;
  LogLine(text ? text : "");
}

// The two texts joined as "%s %s".
inline void ShowMessageBoxPair(Prss* owner, const char* first, const char* second) {
  char joined[512];
  std::snprintf(joined, sizeof joined, "%s %s", first ? first : "", second ? second : "");
  ShowMessageBox(owner, joined);
}

// ---- [Text entry] ----
// Called after the entry closed with a confirmed text: (owner, the plain text, valid only
// during the call, the answer word given when it was opened).
using TextEntryCallback = void (*)(Prss* owner, const char* text, uint32_t answerWord);

constexpr int TEXT_ENTRY_MAX_LENGTH = 96;   // the entry line's size
constexpr int DIALOG_TEXT_SIZE = 128;       // 127 characters and a zero

// What the open text entry was asked for.
struct TextEntryDialog {
  int open;                          // 1 from opening until answered or replaced
  Prss* owner;
  TextEntryCallback callback;
  char prompt[DIALOG_TEXT_SIZE];
  int maxLength;                     // at most TEXT_ENTRY_MAX_LENGTH
  uint32_t answerWord;
  char initialText[DIALOG_TEXT_SIZE];
  int prefixLength;                  // the fixed beginning; -1 the whole initial text
  int type;                          // entry type 0..6
  const char* filePattern;           // a format with one "%s", or null for plain text
};
extern TextEntryDialog OpenTextEntry;

// Opens the text entry over owner when owner has no open sub-screen; 1 when opened.
int AskText(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength, uint32_t answerWord,
            const char* initialText, int prefixLength, int type, const char* filePattern);
// Opens it in any case (replacing an open sub-screen) unless the program runs unattended;
// 1 when opened.
int OpenTextEntrySub(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength,
                     uint32_t answerWord, const char* initialText, int prefixLength, int type,
                     const char* filePattern);
// The user confirms text: the entry closes and its callback runs.  0 when none was open.
int ConfirmTextEntry(const char* text);
void CancelTextEntry();

// ---- [Dialog state] ----
// Set while a modal dialog is open.
extern int DialogOpen;
// A function key pressed while a dialog is open: its message index + 1, for the dialog to
// take (0 none).
extern int DialogFunctionKey;
