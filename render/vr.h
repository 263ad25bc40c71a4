// vr.h - the VR plug-in interface: a head-mounted display driven through a plug-in library
// loaded at run time from the working folder's "dll" folder ("dll\ZKTRiftVR.so" for the
// first plug-in, "dll\ZKTOpenVR.so" for the second), and the program's side of it: the eye
// render texture, tracking with recentring and smoothing, frame submission, the mirror image
// in the window and the state behind the in-headset panel (drawn by ui/vr_panel.h).
//
// Sections: [Settings] [State] [Plug-in] [Device] [Tracking] [Recentring] [Frames] [Close]
//
// No plug-in ships with the program: any library that exports the functions of vr_plugin.h
// with the results described there stands in for one.  Every failure gives a text that is
// shown as a message; the program then runs without VR (VrEnabled cleared) and never ends
// because of the plug-in.  Main thread only.
#pragma once
#include <cstdint>

#include "core/frame_globals.h"  // VrEnabled: VR is on
#include "core/smooth_curve.h"
#include "render/vr_plugin.h"

struct ZKTETexture;

// ---- [Settings] ----
struct VrSettings {
  int plugin = 0;          // 0 the first plug-in, 1 the second ("rift" and "openvr" on the command line)
  int pixelDensity = 100;  // percent of the recommended eye-texture area
  int keepOrigin = 0;      // a recentre is kept for the next session (positional devices only)
  int mirrorToWindow = 1;  // the window shows the left eye's picture
};
extern VrSettings VrConfig;
// How the interface lies in the eye texture, read by the frame's projection values: [0] one
// picture across both eyes (else one per eye), [1] squeezed to half its height (doubled with
// [0]).  Both 0: each eye shows the whole interface.
extern int VrLayoutFlags[2];
constexpr int VR_PLUGIN_NAME_COUNT = 2;
extern const char* const VR_PLUGIN_PATHS[VR_PLUGIN_NAME_COUNT];
constexpr float VR_RECENTRE_SECONDS = 1.0f;  // the heading's easing to the new origin
constexpr float VR_SMOOTHING_STEP = 0.01f;   // seconds the easing advances each frame
constexpr float VR_NECK_UP_M = 0.09f, VR_NECK_FORWARD_M = 0.12f;

// ---- [State] ----
struct VrPluginState {
  void* library;
  ZKTVR_GetVersionFn getVersion;
  ZKTVR_OpenFn open;
  ZKTVR_CloseFn close;
  ZKTVR_QueryHMDFn queryHmd;
  ZKTVR_GetTrackingFn getTracking;
  ZKTVR_ResetFn reset;
  ZKTVR_AcceptSharedTextureFn acceptSharedTexture;
  ZKTVR_SubmitFrameFn submitFrame;
  ZKTVR_GetEventFn getEvent;
  ZKTVR_GetAudioDeviceGuidFn getAudioDeviceGuid;
  ZKTVR_GetButtonsFn getButtons;
  int sessionKind;                         // ZKTVR_SESSION_*; 0 without a session
  char deviceName[ZKTVR_DEVICE_NAME_SIZE];
  int nameHasRift;                         // the second plug-in drives a "rift" (any case)
  ZKTVR_DeviceInfo info;
  int deviceReady;                         // InitVrDevice succeeded: the eye texture exists
  uint32_t handedOver;                     // GL name the plug-in holds; 0 none
  uint8_t audioGuid[16];
  int audioGuidInUse;
  int eyeWidth, eyeHeight;
  float tiltAngle;                         // radians
  int cursorClipAdded;                     // the program turned on the mouse lock
  int raiseWindow;                         // bring the window to the front at the next frame
  // Tracking as last read: angles (heading, pitch, roll) in radians, position in metres.
  float angles[3], position[3];
  float lastPosition[3];
  int positionValid;
  float originPosition[3], originHeading;
  int originSet;
  int recentreState;                       // 0 none, 1 smoothing, 2 waiting to recentre
  SmoothCurve headingCurve;                // the eased heading while smoothing
  float smoothingStart;                    // the relative heading the smoothing started from
  int recentreKey;                         // the function key (0..7) holding the recentre command; -1 none
  int trackingDone;                        // the per-frame word: tracking was read this frame
  int trackingApplied;
  // What the view applies: the head's angles and its offset from the rotation centre.
  float headAngles[3], headOffset[3];
};
extern VrPluginState Vr;

// The headset is presenting: a session with its eye texture.
extern int VrPresenting;
extern int VrOverlayPrompt;  // the in-headset panel is shown (Escape closes it)
extern int VrPromptEscaped;  // set when Escape closed it

// ---- [Plug-in] ----
// Each returns null or an error text (valid until the next call).
const char* LoadVrPlugin();    // once: a loaded library returns null
const char* OpenVrSession();
void CheckVr();                // the start-up step "check VR"

// ---- [Device] ----
const char* InitVrDevice();    // the start-up step "open VR"
// From the recommended width w (both eyes) and height: for w of 32 or more, h = w / 2,
// s = round(sqrt(density / 100) x h / 2), width = 2 min(2 s, maxTexture / 2), height =
// round(min(2 s, maxTexture / 2) / h x recommended height); else 32 x 16.
void ComputeVrEyeTextureSize(int recommendedWidth, int recommendedHeight, int pixelDensity, int maxTextureSize,
                             int* width, int* height);
// The eye texture to the plug-in; an error text is copied (95 characters at most) and the
// render texture released.
const char* HandOverSharedTexture(ZKTETexture* texture);
// The render texture going: the plug-in gives it up first (while a session exists).
void WithdrawSharedTexture();

// ---- [Tracking] ----
int IsVrTracking();       // 1 with a tracking session in headset mode
int UpdateVrTracking();   // once a frame (cached); 1 when tracking data was applied
void ClearVrFrameWord();  // the frame loop's per-frame clear of the cache
// The neck model: the rotation of (0, up, forward) by the angles minus the same vector.
void VrNeckOffset(const float angles[3], float offset[3]);

// ---- [Recentring] ----
void RequestVrRecentre();           // "/vr reset", "/rift reset"
int ApplyVrRecentre(int reset);     // 1 when an origin was taken
void VrPanelButton(int code);       // 1 the unknown-position text, 2 reset, 3 keep heading, 4 stop
void StartVrRecentre();
// The text of function key 0..7 (F1..F8), where the recentre command may be kept; installed
// by the program shell (null: no keys are looked at).
extern const char* (*VrFunctionKeyMessage)(int index);

// ---- [Frames] ----
int BeginVrFrame();   // the render target mode (1 headset, 2 monitor), 0 when refused
int SubmitVrFrame();  // 1 when the pass presents
// The left eye's part of the eye texture shown in the window: cropped so that the field of
// view is as wide left as right and as high up as down.  uv: u from, to, v from, to.
void VrMirrorCrop(const float tangents[4], float uv[4]);

// ---- [Close] ----
void CloseVr();
void StopVr();
void VrDeviceLost();     // device-loss recovery: VR in headset mode is stopped
void ClearVrRecords();   // the device is made again: the device-bound records are dropped

// ---- [Test switches] ----
void ResetVrState();     // everything back to the start (the library freed)
