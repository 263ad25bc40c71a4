// race.cpp - the offline answers of the race services.
#include "race/race.h"

uint8_t GameState;
uint8_t NetStatusByte;
int GameMessageFlag;
uint64_t HotlapDateTime;

void LoadAIDriverNames() {}
void LoadFunctionKeyMessages() {}
void PollNetwork() {}
void CloseCtrlink() {}
void CloseMprRecorder() {}
void ReleaseRaceCarLighting() {}
void SaveReplayState() {}
void CleanupSockets() {}
