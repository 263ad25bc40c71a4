// sound.h - sound output: interface sounds and the streamed-music ring.
#pragma once

extern int SoundOpen;        // the sound device is open
extern int SoundStreaming;   // a stream is playing

void CloseSound();
void UpdateSoundStream();
