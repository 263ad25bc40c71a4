// sound.h - sound output: interface sounds and the streamed-music ring.
#pragma once

extern int SoundOpen;        // the sound device is open
extern int SoundStreaming;   // a stream is playing

void CloseSound();
void UpdateSoundStream();
void PlayUISound(int index);  // 0..4; 3 is the error sound
void ToggleSound();           // Shift+N on a simple process: sound on or off
void StopMusicStream();
int  RestartMusicStream();    // 1 when the stream plays again
