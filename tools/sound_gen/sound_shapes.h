// sound_shapes.h - the five interface sounds, made from plain tones at 44100 Hz, mono.
#pragma once
#include <vector>

constexpr int INTERFACE_SOUND_COUNT = 5;

// The file name (without folder) and the samples (-1..1) of interface sound `index`:
// 0 a click, 1 a soft tone, 2 a two-note chime, 3 a low refusal buzz, 4 a falling tone.
const char* InterfaceSoundName(int index);
std::vector<float> MakeInterfaceSound(int index);
