// device.cpp - the null device: every call succeeds and nothing is drawn.
#include "render/device.h"

#include <vector>

#include "core/main_window.h"

uint32_t LastPresentStatus;
int D3DInitState;
int CurrentDisplayModeIndex;
int VSyncEnabled;

namespace {
struct Faults {
  uint32_t presentStatus = 0;
  int presentCount = 0;
  int preInitFailures = 0;
  int initFailures = 0;
};
Faults g_faults;
std::vector<DisplayMode> g_modes = {{640, 480, 60, 1}, {1024, 768, 60, 1}, {1280, 720, 60, 1}, {1920, 1080, 60, 1}};
int g_fullScreen;
}  // namespace

const char* PreInitD3D() {
  if (D3DInitState != 0) return nullptr;  // once per device life; again after CloseD3D
  if (g_faults.preInitFailures > 0) {
    --g_faults.preInitFailures;
    return "PreInitD3D : no adapter";
  }
  D3DInitState = 1;
  return nullptr;
}

int CheckCoInitialize() { return 1; }
void ReconcileDeviceChoices() {}

const char* InitialiseGraphicsForScreen() {
  if (D3DInitState == 0) return "Must call PreInit";
  if (g_faults.initFailures > 0) {
    --g_faults.initFailures;
    return "CreateDevice failed";
  }
  if (ScreenWidth == 0 || ScreenHeight == 0) {
    ScreenWidth = 1280;
    ScreenHeight = 720;
  }
  D3DInitState = 2;
  return nullptr;
}

void CloseD3D() { D3DInitState = 0; }
void ShutdownGraphics() { CloseD3D(); }

void PresentFrame() {
  if (g_faults.presentCount > 0) {
    --g_faults.presentCount;
    LastPresentStatus = g_faults.presentStatus;
    return;
  }
  LastPresentStatus = PRESENT_OK;
}

int IsFullScreen() { return g_fullScreen; }
int DisplayModeCount() { return static_cast<int>(g_modes.size()); }
const DisplayMode* DisplayModes() { return g_modes.data(); }

void GoFullScreen(int modeIndex) { g_fullScreen = 1; }
void GoWindowed() { g_fullScreen = 0; }
void ApplyWindowRequest(int request) {}
void HandleWindowResize() {}
void UpdateDisplayFlags() {}
int SwapChainFullScreenDiffers() { return 0; }
void SetFullscreenMode(int modeIndex, int windowed) { g_fullScreen = windowed ? 0 : 1; }
void CheckScreenDimensions(const char* reason) {}

void InjectPresentStatus(uint32_t status, int count) {
  g_faults.presentStatus = status;
  g_faults.presentCount = count;
}
void InjectPreInitFailures(int count) { g_faults.preInitFailures = count; }
void InjectInitFailures(int count) { g_faults.initFailures = count; }

void SetTestDisplayModes(const DisplayMode* modes, int count, int currentIndex) {
  g_modes.assign(modes, modes + count);
  CurrentDisplayModeIndex = currentIndex;
}
