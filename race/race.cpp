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

int ResultsDisplay;
int NetworkDebug;
int PositionUpdateKind;

const char* FunctionKeyMessage(int index) { return ""; }
int CanSendChat() { return 1; }
void CommandEntryKey(int key) {}
void RequestPositionUpdates(int kind, int flag) { PositionUpdateKind = kind; }
void StartTypedMessage(int ctrl, const char* initial) {}
const char* FormatTrackName() { return ""; }
