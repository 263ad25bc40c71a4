// text_commands.h - typed lines, text commands and scripts: the one entry point of every
// line the user types, a script holds or a function key sends.
#pragma once

// A line beginning with "/" is a text command, anything else a chat line for the host.
// source: 0 typed, 1 a script, 2 another program.
void Prss_SendMessage(void* unused, const char* line, int source);
// Asks the host for block mode 0..2 (messages of other players kept from the screen).
void SendBlockRequest(int mode);
extern int LastBlockModeSent;
