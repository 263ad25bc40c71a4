// vr_test_plugin.cpp - a VR plug-in for the tests: it simulates a headset with scripted
// poses and statuses, and reads back the eye texture the program hands it at each submit.
// Built in variants by definitions: ZKTVR_TEST_VERSION (the version it reports, 2 by default),
// ZKTVR_TEST_NO_OPTIONAL (no GetEvent, GetButtons), ZKTVR_TEST_NO_SUBMIT (no SubmitFrame),
// ZKTVR_TEST_NO_VERSION (no GetVersion).
// The test reaches its script through ZKTVRTest_Control in the same loaded library.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/vr_plugin.h"
#include "tests/render/vr_test_control.h"

#ifndef ZKTVR_TEST_VERSION
#define ZKTVR_TEST_VERSION 2
#endif
#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
VrTestControl g_control;
ZKTVR_DeviceInfo* g_info = nullptr;

using GetTextureImage = void (*)(uint32_t texture, int32_t level, uint32_t format, uint32_t type, int32_t size,
                                 void* pixels);
constexpr uint32_t GL_RGBA_FORMAT = 0x1908, GL_BYTES = 0x1401;

[[maybe_unused]] void ReadEyes() {
  g_control.readBack = 0;
  const ZKTVR_SharedTexture& t = g_control.held;
  if (!g_info || !g_info->getProcAddress || !t.glName || t.width <= 0 || t.height <= 0) return;
  auto read = reinterpret_cast<GetTextureImage>(g_info->getProcAddress("glGetTextureImage"));
  if (!read) return;
  std::vector<uint8_t> pixels(size_t(t.width) * size_t(t.height) * 4);
  read(t.glName, 0, GL_RGBA_FORMAT, GL_BYTES, int32_t(pixels.size()), pixels.data());
  const size_t row = size_t(t.height / 2) * size_t(t.width);
  std::memcpy(g_control.leftCentre, &pixels[(row + size_t(t.width / 4)) * 4], 4);
  std::memcpy(g_control.rightCentre, &pixels[(row + size_t(3 * t.width / 4)) * 4], 4);
  g_control.readBack = 1;
}
}  // namespace

EXPORT VrTestControl* ZKTVRTest_Control() { return &g_control; }

#ifndef ZKTVR_TEST_NO_VERSION
EXPORT int32_t ZKTVR_GetVersion() { return ZKTVR_TEST_VERSION; }
#endif

EXPORT int32_t ZKTVR_Open(char name[ZKTVR_DEVICE_NAME_SIZE], int32_t* error) {
  ++g_control.opens;
  const char* fromEnvironment = std::getenv("ZKTVR_TEST_OPEN_ERROR");
  const int32_t code = fromEnvironment ? int32_t(std::atoi(fromEnvironment)) : g_control.openError;
  if (code) {
    *error = code;
    return ZKTVR_SESSION_NONE;
  }
  const size_t n = std::strlen(g_control.name);
  std::memcpy(name, g_control.name, n < ZKTVR_DEVICE_NAME_SIZE ? n + 1 : ZKTVR_DEVICE_NAME_SIZE);
  return g_control.openKind;
}

EXPORT void ZKTVR_Close() { ++g_control.closes; }

EXPORT int32_t ZKTVR_QueryHMD(ZKTVR_DeviceInfo* info, int32_t) {
  g_control.seen = *info;
  if (!g_control.queryResult) return 0;
  g_info = info;
  info->flags = g_control.flags;
  info->recommendedWidth = g_control.recommendedWidth;
  info->recommendedHeight = g_control.recommendedHeight;
  std::memcpy(info->fovTangents, g_control.tangents, sizeof g_control.tangents);
  info->tilt = g_control.tilt;
  return 1;
}

EXPORT int32_t ZKTVR_GetTracking(float* heading, float* pitch, float* roll, float* x, float* y, float* z) {
  ++g_control.trackingReads;
  if (g_control.sampleCount == 0) return ZKTVR_TRACKING_NONE;
  const int i = g_control.sampleNext < g_control.sampleCount ? g_control.sampleNext++ : g_control.sampleCount - 1;
  const VrTestSample& s = g_control.samples[i];
  float* out[6] = {heading, pitch, roll, x, y, z};
  for (int k = 0; k < 6; ++k) *out[k] = s.values[k];
  return s.status;
}

EXPORT void ZKTVR_Reset() { ++g_control.resets; }

EXPORT const char* ZKTVR_AcceptSharedTexture(const ZKTVR_SharedTexture* texture) {
  if (!texture) {
    ++g_control.withdrawals;
    g_control.held = ZKTVR_SharedTexture{};
    return nullptr;
  }
  ++g_control.accepts;
  if (g_control.acceptError) return g_control.acceptError;
  g_control.held = *texture;
  return nullptr;
}

#ifndef ZKTVR_TEST_NO_SUBMIT
EXPORT const char* ZKTVR_SubmitFrame() {
  ++g_control.submits;
  ReadEyes();
  return g_control.submitError;
}
#endif

#ifndef ZKTVR_TEST_NO_OPTIONAL
EXPORT int32_t ZKTVR_GetEvent(int32_t* event) {
  *event = 0;
  return 0;
}
EXPORT uint32_t ZKTVR_GetButtons() { return 0; }
#endif

EXPORT int32_t ZKTVR_GetAudioDeviceGuid(uint8_t guid[16]) {
  std::memcpy(guid, g_control.guid, 16);
  return g_control.guidResult;
}
