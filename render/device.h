// device.h - the graphics device, swap chain, display modes and presentation.
//
// Sections: [Record] [Settings] [Set-up and close] [Presentation and clears]
//           [Display-mode changes] [Test switches]
// One device for the whole run, reached through GraphicsDevice.  Everything runs on the main
// thread.  The device is made in two steps: PreInitD3D picks adapter, output and mode list
// before the window exists; InitialiseGraphicsForScreen makes the device and swap chain.
//
// Layer: render/, over the text services (text/), the foundation and texconv/; under the
// interface (tools/layers.txt).  It reports through the foundation's report seam.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

constexpr uint32_t PRESENT_OK = 0;
constexpr uint32_t PRESENT_OCCLUDED = 0x087A0001;
constexpr uint32_t PRESENT_DEVICE_REMOVED = 0x887A0005;
constexpr uint32_t PRESENT_DEVICE_RESET = 0x887A0007;

// ---- [Record] ----
// A display mode as the mode list holds it: seven 32-bit words.
struct DisplayMode {
  int width, height;
  uint32_t refreshNumerator, refreshDenominator;
  uint32_t format = 0, scanlineOrdering = 0, scaling = 0;
};
static_assert(sizeof(DisplayMode) == 28, "mode records are 28 bytes");

constexpr int MAX_ADAPTERS = 4;
constexpr int MAX_OUTPUTS = 8;

struct GraphicsDevice {
  int initState;  // 0 nothing, 1 pre-initialised, 2 device made
  GfxFactory factory;
  GfxAdapter adapter;
  GfxOutput output;
  int adapterIndex, outputIndex;
  int adapterCount, outputCount;
  bool adapterSlotFilled[MAX_ADAPTERS];
  char adapterNames[MAX_ADAPTERS][64];
  char outputNames[MAX_OUTPUTS][32];
  DisplayMode* modes;  // DisplayModeList
  int modeCount, defaultMode, modeInUse;
  uint8_t depthFormatSupported[4];
  int depthFormatCode;  // 0 none, 1 D16, 2 D24S8, 3 D32F
  GfxDevice device;
  GfxContext context;
  GfxFeatureLevel featureLevel;
  GfxSwapChain swapChain;
  GfxRenderTargetView backBufferView;
  GfxTexture2D depthTexture;
  GfxDepthStencilView depthView;
  int32_t screenWidth, screenHeight;
  float screenWidthRecip, screenHeightRecip;
  int windowed;
  uint8_t pendingFlags[4];  // DisplayFlags: [0] own depth buffer, [1] antialiasing, [2] vsync, [3] fourth option
  // The most samples per pixel the device draws; 0 before a device is made.  The level in use
  // is "Antialiasing " cut to it, while the setting keeps the user's choice.
  int maxSamples;
  uint8_t appliedFlags[4];
  uint32_t lastPresentStatus;
  int busy;
  int vrInUse, vrMonitorMode, vrDisplayKind;
  // Changes counted for the frame profiler.
  uint32_t blendChanges, rasterChanges, depthChanges, samplerChanges, shaderChanges, drawCalls;
};
extern GraphicsDevice Gfx;

extern uint32_t LastPresentStatus;  // mirrors Gfx.lastPresentStatus for the frame loop
extern int D3DInitState;            // mirrors Gfx.initState
extern int CurrentDisplayModeIndex; // the default (desktop) mode in the list
extern int VSyncEnabled;            // the vertical-sync setting

extern void* DeviceWindow;          // the SDL window presented to; null: a headless swap chain

// ---- [Settings] ----
// Besides the configuration's "Adapter Select ", "Output Select ", "ZBD Select ",
// "Antialiasing ", "Filter AF ", "Start Windowed ", "Borderless Window " and "Render HDR ":
struct DeviceSettings {
  int fourthOption = 0;  // the fourth display option byte; a change of it is a mode change
};
extern DeviceSettings DeviceConfig;
constexpr uint32_t OPTION_HDR_BIT = 1u << 28;  // of the main option word (CfgScreenFlags)

// ---- [Set-up and close] ----
const char* PreInitD3D();           // null, or an error text
const char* EnumerateDisplayModes(int adapterIndex, int outputIndex);
const char* InitD3D();
int  CheckCoInitialize();           // 1: nothing to initialise on this platform
void ReconcileDeviceChoices();      // fit the antialiasing level to what the device can draw
const char* InitialiseGraphicsForScreen();  // null, or an error text
void CloseD3D();
void ShutdownGraphics();
const char* CreateBackBufferViews();
const char* CreateZBuffer(int width, int height);
void ReleaseBackBufferViews();
void SetScreenSize(int width, int height);  // with the reciprocals (0.0 for a zero size)
int  RoundedRefreshRate(const DisplayMode& mode);
const char* HResultName(uint32_t code);
void UpdateDisplayFlags();

// ---- [Presentation and clears] ----
// With changed, the back buffer differs from the last presented one only within it (pixels):
// the device may send only that part to the window.
void PresentFrame(const GfxRect* changed = nullptr);
void Clear(uint32_t colour, int flags);  // 0xAARRGGBB; bit 1 colour, bit 2 depth and stencil
void ClearRGBA(const float rgba[4]);
int  IsFullScreen();
int  DisplayModeCount();
const DisplayMode* DisplayModes();

// ---- [Display-mode changes] ----  (carried out between frames)
void GoFullScreen(int modeIndex);
void GoWindowed();
void ApplyWindowRequest(int request);
void HandleWindowResize();
int  SwapChainFullScreenDiffers();  // the swap chain's full-screen state is not the wanted one
void SetFullscreenMode(int modeIndex, int windowed);
void EnterFullScreenSwapChain(int width, int height);
void EnterWindowedSwapChain(int width, int height);
void CheckScreenDimensions(const char* reason);

// ---- [Test switches] ----
void InjectPresentStatus(uint32_t status, int count);  // the next count presents return status
void InjectPreInitFailures(int count);                 // the next count PreInitD3D calls fail
void InjectInitFailures(int count);                    // the next count initialisations fail
void SetTestDisplayModes(const DisplayMode* modes, int count, int currentIndex);
// The mode-list rules on their own: neighbours merged, then the default chosen from the
// virtual-screen size starting at startDefault.  Returns the new count.
int MergeDisplayModes(DisplayMode* modes, int count);
int ChooseDefaultMode(const DisplayMode* modes, int count, int virtualWidth, int virtualHeight, int startDefault);
