// sound_shapes.cpp - tones, envelopes and sweeps for the interface sounds.
#include "tools/sound_gen/sound_shapes.h"

#include <cmath>

namespace {

constexpr double RATE = 44100.0;
constexpr double TWO_PI = 6.283185307179586;

std::vector<float> Silence(double seconds) { return std::vector<float>(static_cast<size_t>(seconds * RATE), 0.0f); }

// Rises over `attack` seconds and falls over `release` seconds at the end, smoothly.
double Envelope(double t, double length, double attack, double release) {
  double e = 1.0;
  if (t < attack) e *= 0.5 - 0.5 * std::cos(TWO_PI * 0.5 * t / attack);
  if (t > length - release) e *= 0.5 - 0.5 * std::cos(TWO_PI * 0.5 * (length - t) / release);
  return e;
}

// A decaying tone with a quieter octave above it, added from `start` seconds.
void AddBell(std::vector<float>& s, double start, double length, double hz, double level) {
  for (size_t i = static_cast<size_t>(start * RATE); i < s.size(); ++i) {
    const double t = static_cast<double>(i) / RATE - start;
    if (t >= length) break;
    const double tone = std::sin(TWO_PI * hz * t) + 0.3 * std::sin(TWO_PI * 2.0 * hz * t);
    s[i] += static_cast<float>(level * tone * std::exp(-t / 0.09) * Envelope(t, length, 0.004, 0.03));
  }
}

std::vector<float> Click() {
  std::vector<float> s = Silence(0.015);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / RATE;
    s[i] = static_cast<float>(0.6 * std::sin(TWO_PI * 2000.0 * t) * std::exp(-t / 0.0025) *
                              Envelope(t, 0.015, 0.0004, 0.003));
  }
  return s;
}

std::vector<float> SoftTone() {
  const double length = 0.15;
  std::vector<float> s = Silence(length);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / RATE;
    s[i] = static_cast<float>(0.25 * std::sin(TWO_PI * 880.0 * t) * Envelope(t, length, 0.02, 0.08));
  }
  return s;
}

std::vector<float> Chime() {
  std::vector<float> s = Silence(0.32);
  AddBell(s, 0.0, 0.14, 1318.5, 0.3);
  AddBell(s, 0.11, 0.21, 1760.0, 0.3);
  return s;
}

std::vector<float> RefusalBuzz() {
  const double length = 0.22;
  std::vector<float> s = Silence(length);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / RATE;
    double wave = 0.0;
    for (int k = 1; k <= 9; k += 2) wave += std::sin(TWO_PI * 110.0 * k * t) / k;  // nearly square
    s[i] = static_cast<float>(0.3 * wave * Envelope(t, length, 0.01, 0.04));
  }
  return s;
}

std::vector<float> FallingTone() {
  const double length = 0.32;
  std::vector<float> s = Silence(length);
  double phase = 0.0;
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / RATE;
    const double hz = 880.0 * std::pow(0.25, t / length);  // two octaves down
    phase += TWO_PI * hz / RATE;
    s[i] = static_cast<float>(0.3 * std::sin(phase) * Envelope(t, length, 0.01, 0.1));
  }
  return s;
}

}  // namespace

const char* InterfaceSoundName(int index) {
  static const char* const NAMES[INTERFACE_SOUND_COUNT] = {"click.ogg", "tone.ogg", "chime.ogg", "refuse.ogg",
                                                           "falling.ogg"};
  return index >= 0 && index < INTERFACE_SOUND_COUNT ? NAMES[index] : nullptr;
}

std::vector<float> MakeInterfaceSound(int index) {
  switch (index) {
    case 0: return Click();
    case 1: return SoftTone();
    case 2: return Chime();
    case 3: return RefusalBuzz();
    case 4: return FallingTone();
    default: return {};
  }
}
