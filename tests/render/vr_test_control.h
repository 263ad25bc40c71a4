// vr_test_control.h - the script block of the test VR plug-in (vr_test_plugin.cpp): what a
// test sets up before the program calls the plug-in, and what the plug-in saw.
#pragma once
#include <cstdint>

#include "render/vr_plugin.h"

struct VrTestSample {
  int32_t status;
  float values[6];  // heading, pitch, roll, x, y, z
};

// Everything a test scripts and reads back.  Reset with every load of the library.
struct VrTestControl {
  int32_t openKind = ZKTVR_SESSION_TRACKING;
  int32_t openError = 0;          // non-zero: Open fails with this code
  char name[48] = "Test Headset";  // copied into the 32-byte buffer, unterminated when longer
  int32_t queryResult = 1;
  uint32_t flags = ZKTVR_FLAG_POSITIONAL;
  int32_t recommendedWidth = 64, recommendedHeight = 32;
  float tangents[2][4] = {{1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}};
  float tilt = 0.0f;
  uint8_t guid[16] = {};
  int32_t guidResult = 0;
  const char* acceptError = nullptr;
  const char* submitError = nullptr;
  VrTestSample samples[64] = {};  // played in order; the last one is repeated
  int sampleCount = 0, sampleNext = 0;
  // What the program did.
  int opens = 0, closes = 0, resets = 0, submits = 0, trackingReads = 0;
  int accepts = 0, withdrawals = 0;
  ZKTVR_DeviceInfo seen{};        // the block as the program passed it to QueryHMD
  ZKTVR_SharedTexture held{};     // the eye texture last accepted
  int readBack = 0;               // the last submit read the eye texture
  uint8_t leftCentre[4] = {}, rightCentre[4] = {};  // the eyes' centre pixels then
};
