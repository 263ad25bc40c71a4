// help_screen.h - the help screen: a block of the help files (text/language.h's
// FindHelpText) shown as a page with its title.
#pragma once
#include <cstdint>

#include "core/process.h"
#include "text/language.h"

enum HelpMode : int {
  HELP_MODE_OK = 0,         // an OK button; Enter accepts, Escape, Q or X close
  HELP_MODE_NO_BUTTONS = 1, // no buttons and no keys: the owner adds its own
  HELP_MODE_OK_CANCEL = 2,  // cancel and OK buttons; keys as mode 0
};
struct HelpScreen {
  Prss prss;
  int32_t mode;     // HelpMode
  uint8_t accepted; // set by OK or Enter
  char title[128];
  HelpText help;
  char shownLines[HELP_TEXT_SIZE];  // the help text with each line ended by a zero, as drawn
};
// Opens the help screen of key under owner and makes it current; the owner attaches it with
// Prss_AddSub.  A key found nowhere leaves the screen empty.
Prss* LoadHelpText(Prss* owner, const char* title, const char* key, int mode);
Prss* HelpScreenAction(Prss* process);
void HelpScreenKey(Prss* process, int keyCode);
void HelpScreenOk(void* owner, int clickCode, uintptr_t word);      // the OK button
void HelpScreenCancel(void* owner, int clickCode, uintptr_t word);  // the cancel button
