// device.h - the graphics device, swap chain, display modes and presentation.
//
// Until the device layer is built this is a null device: it "succeeds" without drawing,
// which keeps start-up, the frame loop and the device-loss recovery running.  The fault
// switches make presentation and re-creation fail on purpose so recovery can be tested
// (a GL context never loses its device by itself).
#pragma once
#include <cstdint>

constexpr uint32_t PRESENT_OK = 0;
constexpr uint32_t PRESENT_OCCLUDED = 0x087A0001;
constexpr uint32_t PRESENT_DEVICE_REMOVED = 0x887A0005;
constexpr uint32_t PRESENT_DEVICE_RESET = 0x887A0007;

// A display mode as the mode list gives it; the refresh rate is a fraction.
struct DisplayMode {
  int width, height;
  uint32_t refreshNumerator, refreshDenominator;
};

extern uint32_t LastPresentStatus;  // of the last PresentFrame; non-zero starts recovery
extern int D3DInitState;            // 0 before PreInitD3D and after CloseD3D
extern int CurrentDisplayModeIndex; // the desktop's mode in the list
extern int VSyncEnabled;            // presentation paces the loop

const char* PreInitD3D();           // null, or an error text
int  CheckCoInitialize();           // 1 when the image decoders can be used
void ReconcileDeviceChoices();      // fit the chosen adapter, output and depth format to what exists
const char* InitialiseGraphicsForScreen();  // null, or an error text
void CloseD3D();
void ShutdownGraphics();
void PresentFrame();
int  IsFullScreen();
int  DisplayModeCount();
const DisplayMode* DisplayModes();

// The deferred window changes applied between frames.
void GoFullScreen(int modeIndex);
void GoWindowed();
void ApplyWindowRequest(int request);
void HandleWindowResize();
void UpdateDisplayFlags();
int  SwapChainFullScreenDiffers();  // the swap chain's full-screen state is not the wanted one
void SetFullscreenMode(int modeIndex, int windowed);
void CheckScreenDimensions(const char* reason);

// ---- [Fault injection for tests] ----
void InjectPresentStatus(uint32_t status, int count);  // the next count presents return status
void InjectPreInitFailures(int count);                 // the next count PreInitD3D calls fail
void InjectInitFailures(int count);                    // the next count initialisations fail
void SetTestDisplayModes(const DisplayMode* modes, int count, int currentIndex);
