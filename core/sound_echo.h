// sound_echo.h - what the sound output keeps for a screen that shows a car: the echo delay
// lines, the listener, and the one mixer voice that may be marked to stop with it.
//
// Sections: [Echo delay lines] [Listener] [Marked voice]
//
// The echo lines model the sound coming back from eight distances between 80^(1/8) and 80
// metres, there and back at 330 m/s.  The garage, the vehicle editor and a game session's
// start make them ready (InitEchoDelayLines); the garage puts the listener at the camera
// (ResetSoundListener).  Part of the foundation, beside the sound output (core/sound.h).
// Main thread only.
#pragma once
#include <cstdint>

// ---- [Echo delay lines] ----
constexpr int ECHO_LINES = 8;
constexpr uint32_t ECHO_LINE_BYTES = 176424;  // a little over one second of samples
constexpr uint32_t ECHO_LINE_SAMPLES = ECHO_LINE_BYTES / sizeof(float);
constexpr float ECHO_FARTHEST_M = 80.0f;
constexpr float ECHO_GAIN = 0.2f;
constexpr float SPEED_OF_SOUND = 330.0f;  // m/s

struct EchoDelayLine {
  float samples[ECHO_LINE_SAMPLES];
  float gains[2];
  uint32_t delay;  // samples: there and back over the line's distance
};
struct EchoState {
  EchoDelayLine lines[ECHO_LINES];
  float distances[ECHO_LINES];  // metres
  uint32_t counters[2];
  uint8_t ready;                // the lines are set up
};
extern EchoState Echo;

// Line k (1..8) lies 80^(k/8) m away, its delay that distance there and back in samples at
// 44100 Hz to the nearest sample; every buffer silent, every gain 0.2, the counters 0, then
// the lines are ready.
void InitEchoDelayLines();

// ---- [Listener] ----
struct SoundListenerRecord {
  int32_t position[3];  // 16.16 world position, the camera's
  float front[4];       // the camera's forward direction (fourth value 0)
  float top[4];         // the camera's up direction (fourth value 0)
  uint32_t counters[3];
};
extern SoundListenerRecord SoundListener;
// Where the camera is: its position and its forward and up directions.  The program shell
// installs the renderer's camera here; null leaves the listener where it was.
extern void (*SoundListenerCamera)(int32_t position[3], float front[4], float top[4]);

// ---- [Marked voice] ----
// One mixer buffer (platform/audio.h) may be marked as playing for the screen; it is stopped
// when the listener is reset.  buffer -1: none.
struct MarkedVoice {
  int buffer = -1;
  uint8_t playing = 0;
};
extern MarkedVoice MarkedSound;
void MarkSoundBuffer(int buffer);  // marks a buffer that was set playing

// The listener at the camera; the echo not ready and the listener's counters 0; a marked
// voice that plays is stopped and the mark cleared.
void ResetSoundListener();
