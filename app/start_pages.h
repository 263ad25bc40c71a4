// start_pages.h - the welcome and agreement pages of the first run.
//
// The sequence is a process whose subprocess is the page on show: the welcome page, then
// the agreement.  Agreeing saves cfg.txt, interface_cfg.txt and the player file and hands
// over to the entry page; exit on either page hands over to the closing credits; Escape,
// "Q" or "X" end the program.
#pragma once
#include <cstdint>

#include "core/process.h"

struct StartScreens {
  Prss prss;
  int32_t page;  // 0 welcome, 1 agreement; -1 and 2 are the exits
  int32_t step;  // the page change asked by the last button: +1, -1 or 0
};

// The sequence as a top process (no parent), current, with the welcome page open.
Prss* CreateStartScreens(Prss* parent);
Prss* StartScreenAction(Prss* process);
// Both buttons: word 0 exit, word 1 next or agree.
void StartScreenButton(void* owner, int clickCode, uintptr_t word);
