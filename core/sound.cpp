// sound.cpp - sound output; no device is opened yet.
#include "core/sound.h"

int SoundOpen;
int SoundStreaming;

void CloseSound() { SoundOpen = 0; }
void UpdateSoundStream() {}
void PlayUISound(int index) {}
void ToggleSound() {}
void StopMusicStream() { SoundStreaming = 0; }
int RestartMusicStream() { return 1; }
