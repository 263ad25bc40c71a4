// race.h - the race, multiplayer and replay services the rest of the program reads.
// The editor runs offline: no connection, no race session.
#pragma once
#include <cstdint>

extern uint8_t GameState;       // 0/1 front end (1 on menu pages), 2/3 in a race session
extern uint8_t NetStatusByte;   // non-zero while a multiplayer state is active
extern int GameMessageFlag;     // cleared once per drawn frame
extern uint64_t HotlapDateTime; // 100-ns file time of the last hot-lap check

void LoadAIDriverNames();
void LoadFunctionKeyMessages();
void PollNetwork();
void CloseCtrlink();
void CloseMprRecorder();
void ReleaseRaceCarLighting();
void SaveReplayState();
void CleanupSockets();
