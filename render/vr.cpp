// vr.cpp - the VR plug-in: loading and checking it, the device and its eye texture, tracking
// with recentring and smoothing, frame submission with the mirror image, and closing.
#include "render/vr.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "core/report.h"
#include "core/sound.h"
#include "core/window_state.h"
#include "platform/gfx.h"
#include "platform/shared_library.h"
#include "platform/window.h"
#include "render/device.h"
#include "render/exposure.h"
#include "render/frame.h"
#include "render/post_process.h"
#include "render/render_states.h"
#include "render/texture_record.h"
#include "text/language.h"

VrSettings VrConfig;
int VrLayoutFlags[2];
const char* const VR_PLUGIN_PATHS[VR_PLUGIN_NAME_COUNT] = {"dll\\ZKTRiftVR.so", "dll\\ZKTOpenVR.so"};
VrPluginState Vr;
int VrPresenting;
int VrOverlayPrompt;
int VrPromptEscaped;
const char* (*VrFunctionKeyMessage)(int index);

namespace {

constexpr float TWO_PI = 6.2831853f;
constexpr float THREE_QUARTER_TURN = 4.712389f;
constexpr uint32_t SCREEN_FLAG_MOUSE_LOCK_WINDOW = 256;
constexpr int PS_AS_IT_IS = 4;

// The text a call returns; valid until the next call that returns one.
char g_text[ZKTVR_ERROR_TEXT_SIZE + 64];
// The handle of the texture the plug-in holds (0: none); its GL name is in Vr.info.eyeTexture.
uint32_t g_handedTextureId;

const char* Text(const char* text) {
  std::snprintf(g_text, sizeof g_text, "%s", text);
  return g_text;
}

// A text from the plug-in: at most 95 characters are read, whether or not it ends sooner.
const char* PluginText(const char* text) {
  const size_t n = strnlen(text, ZKTVR_ERROR_TEXT_SIZE - 1);
  std::memcpy(g_text, text, n);
  g_text[n] = 0;
  return g_text;
}

template <class Fn>
Fn Look(const char* name) {
  return reinterpret_cast<Fn>(PlatformLibrarySymbol(Vr.library, name));
}

void FreePlugin() {
  PlatformFreeLibrary(Vr.library);
  Vr.library = nullptr;
  Vr.getVersion = nullptr;
  Vr.open = nullptr;
  Vr.close = nullptr;
  Vr.queryHmd = nullptr;
  Vr.getTracking = nullptr;
  Vr.reset = nullptr;
  Vr.acceptSharedTexture = nullptr;
  Vr.submitFrame = nullptr;
  Vr.getEvent = nullptr;
  Vr.getAudioDeviceGuid = nullptr;
  Vr.getButtons = nullptr;
  Vr.sessionKind = ZKTVR_SESSION_NONE;
}

bool Finite(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

bool ConfiguredAudioIsDefault() {
  const ConfigUuid& u = CfgSpeakerGuid;
  if (u.data1 || u.data2 || u.data3) return false;
  for (uint8_t b : u.data4)
    if (b) return false;
  return true;
}

// A UUID's 16 bytes as the configuration's record (its first three fields little-endian).
ConfigUuid UuidOfBytes(const uint8_t b[16]) {
  ConfigUuid u;
  u.data1 = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  u.data2 = uint16_t(b[4] | b[5] << 8);
  u.data3 = uint16_t(b[6] | b[7] << 8);
  std::memcpy(u.data4, b + 8, 8);
  return u;
}

void ReopenSound() {
  if (!SoundOpen) return;
  CloseSound();
  OpenSound();
}

// Turns v about the up axis (y) by angle: x' = x cos + z sin, z' = -x sin + z cos.
void RotateAboutUp(float v[3], float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  const float x = v[0] * c + v[2] * s, z = -v[0] * s + v[2] * c;
  v[0] = x;
  v[2] = z;
}

float WrapToHalfTurn(float angle) {
  while (angle > TWO_PI / 2) angle -= TWO_PI;
  while (angle < -TWO_PI / 2) angle += TWO_PI;
  return angle;
}

int EyeTextureKind() { return CfgRenderHdr ? 2 : 1; }

// The eye texture at the device's size, handed to the plug-in when it is new.  Null or an
// error text.
const char* EnsureEyeTexture() {
  const RenderTextureState& r = RenderTexture;
  const int kind = EyeTextureKind();
  if (!r.texture || r.width != Vr.eyeWidth || r.height != Vr.eyeHeight || r.kind != kind) {
    if (const char* error = CreateRenderTargetTexture(Vr.eyeWidth, Vr.eyeHeight, kind)) return Text(error);
  }
  if (r.texture->texture.id != g_handedTextureId) return HandOverSharedTexture(r.texture);
  return nullptr;
}

}  // namespace

// ---- [Plug-in] ----

const char* LoadVrPlugin() {
  if (Vr.library) return nullptr;
  const char* path = VR_PLUGIN_PATHS[VrConfig.plugin == 1 ? 1 : 0];
  char error[LIBRARY_ERROR_TEXT_SIZE];
  Vr.library = PlatformLoadLibrary(path, error, sizeof error);
  if (!Vr.library) {
    ReportLine(error, REPORT_ERROR);  // the system's own words on what went wrong
    return Text("Could not load VR DLL");
  }
  Vr.getVersion = Look<ZKTVR_GetVersionFn>("ZKTVR_GetVersion");
  if (!Vr.getVersion) {
    FreePlugin();
    return Text("Could not get version of VR DLL");
  }
  if (Vr.getVersion() != ZKTVR_INTERFACE_VERSION) {
    FreePlugin();
    return Text("Unknown version of VR DLL");
  }
  Vr.open = Look<ZKTVR_OpenFn>("ZKTVR_Open");
  Vr.close = Look<ZKTVR_CloseFn>("ZKTVR_Close");
  Vr.queryHmd = Look<ZKTVR_QueryHMDFn>("ZKTVR_QueryHMD");
  Vr.getTracking = Look<ZKTVR_GetTrackingFn>("ZKTVR_GetTracking");
  Vr.reset = Look<ZKTVR_ResetFn>("ZKTVR_Reset");
  Vr.acceptSharedTexture = Look<ZKTVR_AcceptSharedTextureFn>("ZKTVR_AcceptSharedTexture");
  Vr.submitFrame = Look<ZKTVR_SubmitFrameFn>("ZKTVR_SubmitFrame");
  Vr.getEvent = Look<ZKTVR_GetEventFn>("ZKTVR_GetEvent");
  Vr.getAudioDeviceGuid = Look<ZKTVR_GetAudioDeviceGuidFn>("ZKTVR_GetAudioDeviceGuid");
  Vr.getButtons = Look<ZKTVR_GetButtonsFn>("ZKTVR_GetButtons");
  if (!Vr.open || !Vr.close || !Vr.queryHmd || !Vr.getTracking || !Vr.reset || !Vr.acceptSharedTexture ||
      !Vr.submitFrame) {
    FreePlugin();
    return Text("Could not connect to all VR DLL functions");
  }
  return nullptr;
}

const char* OpenVrSession() {
  if (!Vr.library || !Vr.open) return Text("Could not load VR DLL");
  char name[ZKTVR_DEVICE_NAME_SIZE] = {};
  int32_t error = 0;
  const int32_t kind = Vr.open(name, &error);
  if (kind == ZKTVR_SESSION_NONE) {
    FreePlugin();
    const char* display = LanguageTexts[VrConfig.plugin == 1 ? TX_3h_hsopenvr : TX_3h_hsriftvr];
    switch (error) {
      case 1: std::snprintf(g_text, sizeof g_text, LanguageTexts[TX_3h_vrnoilib], display); break;
      case 2: std::snprintf(g_text, sizeof g_text, LanguageTexts[TX_3h_vrnoinit], display); break;
      case 3: Text(LanguageTexts[TX_3h_ornodx11]); break;
      default: Text(LanguageTexts[TX_3h_ormuswin]); break;
    }
    return g_text;
  }
  // The name is the plug-in's: only what lies within its 32 bytes counts.
  name[ZKTVR_DEVICE_NAME_SIZE - 1] = 0;
  std::memcpy(Vr.deviceName, name, sizeof name);
  Vr.nameHasRift = VrConfig.plugin == 1 && strcasestr(Vr.deviceName, "rift") != nullptr;
  Vr.sessionKind = kind;
  return nullptr;
}

void CheckVr() {
  const char* error = LoadVrPlugin();
  if (!error) error = OpenVrSession();
  if (!error) return;
  VrEnabled = 0;
  LogF("VR : %s", error);  // why VR is off stays in the log when the line has scrolled away
  ReportLine(error, REPORT_MESSAGE);
}

// ---- [Device] ----

void ComputeVrEyeTextureSize(int recommendedWidth, int recommendedHeight, int pixelDensity, int maxTextureSize,
                             int* width, int* height) {
  if (recommendedWidth < 32 || recommendedHeight <= 0) {
    *width = 32;
    *height = 16;
    return;
  }
  const int h = recommendedWidth / 2;
  const int s = int(std::lround(std::sqrt(std::max(pixelDensity, 1) / 100.0) * h / 2.0));
  const int side = std::max(std::min(2 * s, maxTextureSize / 2), 1);
  *width = 2 * side;
  *height = std::max(int(std::lround(double(side) / h * recommendedHeight)), 1);
}

const char* InitVrDevice() {
  if (!Gfx.device) return Text("No D3D device");
  if (!Gfx.context) return Text("No D3D device context");
  if (!Vr.sessionKind) {
    const char* error = LoadVrPlugin();
    if (!error) error = OpenVrSession();
    if (error) return error;
  }
  // The block lives as long as the session: a plug-in may keep its address.
  ZKTVR_DeviceInfo& info = Vr.info;
  info = ZKTVR_DeviceInfo{};
  info.size = sizeof info;
  info.device = &Gfx;
  info.context = GfxNativeContext();
  info.getProcAddress = GfxGetProcAddress;
  if (!Vr.queryHmd(&info, 1)) {
    Vr.close();
    FreePlugin();
    return Text("Could not get VR device info");
  }
  // What the plug-in wrote is taken only where it makes sense.
  for (float* eye : info.fovTangents)
    for (int i = 0; i < 4; ++i)
      if (!std::isfinite(eye[i]) || eye[i] <= 0.0f) eye[i] = 1.0f;
  if (!std::isfinite(info.tilt)) info.tilt = 0.0f;
  ComputeVrEyeTextureSize(info.recommendedWidth, info.recommendedHeight, VrConfig.pixelDensity,
                          RendererMaxTextureSize, &Vr.eyeWidth, &Vr.eyeHeight);
  Gfx.vrInUse = 1;
  if (const char* error = CreateRenderTargetTexture(Vr.eyeWidth, Vr.eyeHeight, EyeTextureKind())) {
    Text(error);
    CloseVr();
    return g_text;
  }
  if (HandOverSharedTexture(RenderTexture.texture)) {
    char text[sizeof g_text];
    std::memcpy(text, g_text, sizeof text);
    CloseVr();
    return Text(text);
  }
  UseVrSamplerBias(1);
  Vr.tiltAngle = -std::asin(std::clamp(info.tilt, -1.0f, 1.0f));
  if (info.flags & ZKTVR_FLAG_POSITIONAL) {
    Vr.positionValid = 0;
    std::fill(Vr.lastPosition, Vr.lastPosition + 3, 0.0f);
    Vr.recentreState = Vr.originSet && VrConfig.keepOrigin ? 0 : 2;
  } else {
    VrConfig.keepOrigin = 0;
  }
  Vr.raiseWindow = 1;
  if (!(CfgScreenFlags & SCREEN_FLAG_MOUSE_LOCK_WINDOW)) {
    CfgScreenFlags |= SCREEN_FLAG_MOUSE_LOCK_WINDOW;
    if (ClipCursorToWindow) ClipCursorToWindow();
    Vr.cursorClipAdded = 1;
  }
  uint8_t guid[16] = {};
  if (Vr.getAudioDeviceGuid && Vr.getAudioDeviceGuid(guid) && std::any_of(guid, guid + 16, [](uint8_t b) { return b; })) {
    std::memcpy(Vr.audioGuid, guid, 16);
    Vr.audioGuidInUse = 1;
    if (ConfiguredAudioIsDefault()) {
      // Sound follows the headset: opened on it when it opens later, reopened when open now.
      VrAudioDevice = UuidOfBytes(guid);
      ReopenSound();
    }
  }
  // The exposure meters what the left eye sees once its frustum is known.
  const float* left = info.fovTangents[0];
  VrEyeTangents = EyeTangents{1, {left[0], left[1]}, {left[2], left[3]}};
  Vr.deviceReady = 1;
  VrPresenting = 1;
  StartVrRecentre();
  return nullptr;
}

const char* HandOverSharedTexture(ZKTETexture* texture) {
  if (!texture || !Vr.acceptSharedTexture) return nullptr;
  const ZKTVR_SharedTexture shared{GfxNativeTextureName(texture->texture), texture->width, texture->height,
                                   uint32_t(texture->format)};
  Vr.info.eyeTexture = shared.glName;
  if (const char* error = Vr.acceptSharedTexture(&shared)) {
    PluginText(error);
    Vr.info.eyeTexture = 0;
    g_handedTextureId = 0;
    ReleaseRenderTargetTexture();
    return g_text;
  }
  g_handedTextureId = texture->texture.id;
  return nullptr;
}

void WithdrawSharedTexture() {
  if (!g_handedTextureId) return;
  g_handedTextureId = 0;
  Vr.info.eyeTexture = 0;
  if (Vr.sessionKind && Vr.acceptSharedTexture) Vr.acceptSharedTexture(nullptr);
}

// ---- [Tracking] ----

int IsVrTracking() { return Vr.sessionKind == ZKTVR_SESSION_TRACKING && VrEnabled && !Gfx.vrMonitorMode ? 1 : 0; }

void ClearVrFrameWord() { Vr.trackingDone = 0; }

void VrNeckOffset(const float angles[3], float offset[3]) {
  // R = Ry(heading) Rx(pitch) Rz(roll) applied to the eyes' place (0, up, forward).
  float v[3] = {0.0f, VR_NECK_UP_M, VR_NECK_FORWARD_M};
  const float cr = std::cos(angles[2]), sr = std::sin(angles[2]);
  float x = v[0] * cr - v[1] * sr, y = v[0] * sr + v[1] * cr;
  v[0] = x;
  v[1] = y;
  const float cp = std::cos(angles[1]), sp = std::sin(angles[1]);
  y = v[1] * cp - v[2] * sp;
  const float z = v[1] * sp + v[2] * cp;
  v[1] = y;
  v[2] = z;
  RotateAboutUp(v, angles[0]);
  offset[0] = v[0];
  offset[1] = v[1] - VR_NECK_UP_M;
  offset[2] = v[2] - VR_NECK_FORWARD_M;
}

int UpdateVrTracking() {
  if (Vr.sessionKind != ZKTVR_SESSION_TRACKING || !Vr.getTracking || !Vr.deviceReady) return 0;
  if (Vr.trackingDone) return Vr.trackingApplied;
  Vr.trackingDone = 1;
  Vr.trackingApplied = 0;
  float a[3] = {}, p[3] = {};
  const int status = Vr.getTracking(&a[0], &a[1], &a[2], &p[0], &p[1], &p[2]);
  if (Vr.recentreState == 2) {
    // The plug-in takes the present pose as its origin: ours goes with it.
    Vr.reset();
    std::fill(a, a + 3, 0.0f);
    std::fill(p, p + 3, 0.0f);
    Vr.originSet = 0;
    Vr.originHeading = 0.0f;
    Vr.recentreState = 0;
  }
  if (status == ZKTVR_TRACKING_NONE) return 0;
  if (!Finite(a, 3) || (status == ZKTVR_TRACKING_POSITION && !Finite(p, 3))) return 0;  // a broken sample
  if (status == ZKTVR_TRACKING_POSITION) {
    std::copy(p, p + 3, Vr.lastPosition);
    Vr.positionValid = 1;
  } else {
    std::copy(Vr.lastPosition, Vr.lastPosition + 3, p);
    Vr.positionValid = 0;
  }
  std::copy(a, a + 3, Vr.angles);
  std::copy(p, p + 3, Vr.position);

  float heading = a[0] - Vr.originHeading;
  if (Vr.info.flags & ZKTVR_FLAG_POSITIONAL) {
    float head[3] = {p[0], p[1], p[2]};
    if (Vr.originSet) {
      for (int i = 0; i < 3; ++i) head[i] -= Vr.originPosition[i];
      RotateAboutUp(head, -Vr.originHeading);
    }
    std::copy(head, head + 3, Vr.headOffset);
  } else {
    VrNeckOffset(a, Vr.headOffset);
  }
  if (Vr.recentreState == 1) {
    // The heading eases to the new origin: the offset still to go shrinks along the curve.
    // Unwrapped first, so that a head turned far round does not swing the long way.
    while (heading - Vr.smoothingStart > THREE_QUARTER_TURN) heading -= TWO_PI;
    while (heading - Vr.smoothingStart < -THREE_QUARTER_TURN) heading += TWO_PI;
    Vr.headingCurve.Step(VR_SMOOTHING_STEP);
    heading -= Vr.smoothingStart - Vr.headingCurve.value;
    if (Vr.headingCurve.time >= Vr.headingCurve.duration) {
      Vr.originHeading += Vr.smoothingStart;
      Vr.recentreState = 0;
    }
  }
  Vr.headAngles[0] = heading;
  Vr.headAngles[1] = a[1];
  Vr.headAngles[2] = a[2];
  Vr.trackingApplied = 1;
  return 1;
}

// ---- [Recentring] ----

void RequestVrRecentre() {
  Vr.positionValid = 0;
  Vr.recentreState = 2;
}

int ApplyVrRecentre(int reset) {
  if (!Vr.positionValid) {
    ReportLine(LanguageTexts[TX_3h_orposunk], REPORT_ERROR);
    return 0;
  }
  std::copy(Vr.lastPosition, Vr.lastPosition + 3, Vr.originPosition);
  if (!reset) Vr.originHeading = Vr.angles[0];
  Vr.originSet = 1;
  return 1;
}

void VrPanelButton(int code) {
  switch (code) {
    case 1: ReportLine(LanguageTexts[TX_3h_orposunk], REPORT_ERROR); return;
    case 2:
    case 3:
      if (ApplyVrRecentre(code == 2)) VrOverlayPrompt = 0;
      return;
    case 4:
      if (Vr.recentreState == 1) Vr.recentreState = 0;
      VrOverlayPrompt = 0;
      return;
    default: return;
  }
}

void StartVrRecentre() {
  Vr.smoothingStart = WrapToHalfTurn(Vr.angles[0] - Vr.originHeading);
  Vr.headingCurve.SetAtRest(Vr.smoothingStart);
  Vr.headingCurve.Plan(0.0f, 0.0f, VR_RECENTRE_SECONDS);
  if (Vr.recentreState != 2) Vr.recentreState = 1;
  VrOverlayPrompt = 1;
  VrPromptEscaped = 0;
  Vr.recentreKey = -1;
  for (int key = 0; key < 8 && VrFunctionKeyMessage; ++key) {
    const char* text = VrFunctionKeyMessage(key);
    if (text && (strcasestr(text, "/vr reset") || strcasestr(text, "/rift reset"))) {
      Vr.recentreKey = key;
      break;
    }
  }
}

// ---- [Frames] ----

int BeginVrFrame() {
  if (!VrPresenting || !Vr.deviceReady) return 0;
  if (const char* error = EnsureEyeTexture()) {
    ReportLine(error, REPORT_ERROR);
    StopVr();
    return 0;
  }
  if (!SetRenderTargetTexture(Vr.eyeWidth, Vr.eyeHeight, EyeTextureKind())) return 0;
  if (Vr.raiseWindow) {
    PlatformRaiseWindow();
    Vr.raiseWindow = 0;
  }
  return Gfx.vrMonitorMode ? 2 : 1;
}

void VrMirrorCrop(const float tangents[4], float uv[4]) {
  // The eye's picture spans -left .. right (and up .. -down) in tangents; the window shows
  // the part symmetric about the eye's axis.
  auto span = [](float a, float b, float* from, float* to) {
    if (!(a > 0.0f) || !(b > 0.0f) || !std::isfinite(a) || !std::isfinite(b)) {
      *from = 0.0f;
      *to = 1.0f;
      return;
    }
    const float m = std::min(a, b);
    *from = (a - m) / (a + b);
    *to = (a + m) / (a + b);
  };
  span(tangents[0], tangents[1], &uv[0], &uv[1]);
  span(tangents[2], tangents[3], &uv[2], &uv[3]);
  uv[0] *= 0.5f;  // the left eye is the left half
  uv[1] *= 0.5f;
}

int SubmitVrFrame() {
  if (!VrPresenting) return 1;
  if (RenderTexture.kind == 2) RunPostProcessing(&BloomChain);
  const char* error = !Gfx.vrMonitorMode && Vr.submitFrame ? Vr.submitFrame() : nullptr;
  if (error) {
    ReportLine(PluginText(error), REPORT_ERROR);
    VrEnabled = 0;
    CloseVr();
    RedrawRequested = 1;
    return 0;
  }
  if (VrConfig.mirrorToWindow && RenderTexture.texture) {
    Clear(0xFF000000u, 1);
    float uv[4];
    VrMirrorCrop(Vr.info.fovTangents[0], uv);
    const int blend = RenderStates.pendingBlend;
    RenderStates.pendingBlend = 0;
    DrawTextureOver(RenderTexture.texture, uv, PS_AS_IT_IS);
    RenderStates.pendingBlend = blend;
  }
  return 1;
}

// ---- [Close] ----

void CloseVr() {
  if (Vr.sessionKind || Vr.library) {
    if (Vr.cursorClipAdded) {
      CfgScreenFlags &= ~SCREEN_FLAG_MOUSE_LOCK_WINDOW;
      if (UpdateCursorClip) UpdateCursorClip();
      Vr.cursorClipAdded = 0;
    }
    if (Vr.sessionKind && Vr.close) Vr.close();
    FreePlugin();
    UseVrSamplerBias(0);
  }
  ReleaseRenderTargetTexture();
  g_handedTextureId = 0;
  Vr.info.eyeTexture = 0;
  Vr.tiltAngle = 0.0f;
  VrEyeTangents = EyeTangents{};
  Vr.deviceReady = 0;
  Gfx.vrInUse = 0;
  VrPresenting = 0;
  VrOverlayPrompt = 0;
  if (Vr.audioGuidInUse) {
    Vr.audioGuidInUse = 0;
    if (ConfiguredAudioIsDefault()) {
      VrAudioDevice = ConfigUuid{};
      ReopenSound();
    }
  }
}

void StopVr() {
  VrEnabled = 0;
  CloseVr();
  RedrawRequested = 1;
}

void VrDeviceLost() {
  if (Vr.sessionKind && !Gfx.vrMonitorMode) StopVr();
}

void ClearVrRecords() {
  g_handedTextureId = 0;
  Vr.info.eyeTexture = 0;
}

void ResetVrState() {
  CloseVr();
  Vr = VrPluginState{};
  Vr.recentreKey = -1;
  VrOverlayPrompt = VrPromptEscaped = 0;
}
