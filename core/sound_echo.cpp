// sound_echo.cpp - the echo delay lines, the listener and the marked voice.
#include "core/sound_echo.h"

#include <cmath>
#include <cstring>

#include "platform/audio.h"

EchoState Echo;
SoundListenerRecord SoundListener;
void (*SoundListenerCamera)(int32_t position[3], float front[4], float top[4]);
MarkedVoice MarkedSound;

// ---- [Echo delay lines] ----

void InitEchoDelayLines() {
  const double step = std::pow(double(ECHO_FARTHEST_M), 1.0 / ECHO_LINES);
  for (int k = 0; k < ECHO_LINES; ++k) {
    const double distance = std::pow(step, k + 1);
    EchoDelayLine& line = Echo.lines[k];
    Echo.distances[k] = static_cast<float>(distance);
    std::memset(line.samples, 0, sizeof line.samples);
    line.gains[0] = line.gains[1] = ECHO_GAIN;
    line.delay = static_cast<uint32_t>(std::lround(distance * 2.0 * AUDIO_RATE / SPEED_OF_SOUND));
  }
  Echo.counters[0] = Echo.counters[1] = 0;
  Echo.ready = 1;
}

// ---- [Marked voice] ----

void MarkSoundBuffer(int buffer) {
  MarkedSound.buffer = buffer;
  MarkedSound.playing = 1;
}

// ---- [Listener] ----

void ResetSoundListener() {
  if (SoundListenerCamera) SoundListenerCamera(SoundListener.position, SoundListener.front, SoundListener.top);
  Echo.ready = 0;
  for (uint32_t& counter : SoundListener.counters) counter = 0;
  if (MarkedSound.buffer >= 0 && MarkedSound.playing) {
    AudioStopBuffer(MarkedSound.buffer);
    MarkedSound = MarkedVoice{};
  }
}
