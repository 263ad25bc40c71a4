// text_commands.cpp - no command words yet: lines are logged.
#include "core/text_commands.h"

#include "core/log.h"

int LastBlockModeSent;

void Prss_SendMessage(void* unused, const char* line, int source) { LogF("typed line : %s", line ? line : ""); }

void SendBlockRequest(int mode) { LastBlockModeSent = mode; }
