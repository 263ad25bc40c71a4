// haptic_recorder.cpp - the recording stand-in of the haptic calls.
#include "platform/haptic_recorder.h"

#include <string>

namespace {

HapticRecorder* g_recorder = nullptr;

void Record(std::string call) { g_recorder->calls.push_back(std::move(call)); }

int Supports(int device) { return device < 32 && (g_recorder->forceFeedbackDevices >> device) & 1u ? 1 : 0; }

uint32_t Create(int device, int axes, int& effect) {
  Record("create " + std::to_string(device) + " axes " + std::to_string(axes));
  effect = -1;
  if (g_recorder->createResult != CONTROLLER_OK) return g_recorder->createResult;
  if (!g_recorder->nullEffect) effect = g_recorder->nextEffect++;
  return CONTROLLER_OK;
}

uint32_t Acquire(int device) {
  Record("acquire " + std::to_string(device));
  return g_recorder->acquireResult;
}

uint32_t Unacquire(int device) {
  Record("unacquire " + std::to_string(device));
  return CONTROLLER_OK;
}

uint32_t Start(int device, int effect, int iterations) {
  Record("start " + std::to_string(device) + " effect " + std::to_string(effect) + " times " + std::to_string(iterations));
  return g_recorder->startResult;
}

void Release(int device, int effect) {
  Record("release " + std::to_string(device) + " effect " + std::to_string(effect));
}

void Close(int device) { Record("close " + std::to_string(device)); }

constexpr HapticCalls RECORDING_CALLS = {Supports, Create, Acquire, Unacquire, Start, Release, Close};

}  // namespace

int HapticRecorder::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& call : calls) n += call.compare(0, prefix.size(), prefix) == 0;
  return n;
}

void PlatformRecordHaptics(HapticRecorder* recorder) {
  g_recorder = recorder;
  PlatformUseHapticCalls(recorder ? &RECORDING_CALLS : nullptr);
}
