// dialogs.h - the message box family of the modal dialogs, and the dialog state the
// window's key handling reads.
//
// STAND-IN until the dialogs are built: a message box is written to the debug log only.
// The real one opens the box on owner's page, or adds a message line when there is no
// owner or the owner already shows a sub-screen.  Callers keep these signatures.
#pragma once
#include <cstdio>

#include "core/log.h"

struct Prss;

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

// Set while a modal dialog is open.
extern int DialogOpen;
// A function key pressed while a dialog is open: its message index + 1, for the dialog to
// take (0 none).
extern int DialogFunctionKey;
