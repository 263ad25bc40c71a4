// device.cpp - the one graphics device: adapter, output and mode list, device and swap chain,
// presentation with its status, clears and the display-mode changes between frames.
#include "render/device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/log.h"
#include "core/report.h"
#include "core/window_state.h"
#include "platform/window.h"
#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_table.h"
#include "render/vr.h"
#include "text/language.h"

GraphicsDevice Gfx;
uint32_t LastPresentStatus;
int D3DInitState;
int CurrentDisplayModeIndex;
int VSyncEnabled;
void* DeviceWindow;
DeviceSettings DeviceConfig;

namespace {

constexpr uint32_t CURSOR_LOCK_WINDOW = 256, CURSOR_LOCK_FULLSCREEN = 512;

struct Faults {
  uint32_t presentStatus = 0;
  int presentCount = 0;
  int preInitFailures = 0;
  int initFailures = 0;
};
Faults g_faults;

void SyncMirrors() {
  D3DInitState = Gfx.initState;
  CurrentDisplayModeIndex = Gfx.defaultMode;
}

void Show(const char* text) { ReportLine(text, REPORT_MESSAGE); }

// The low byte of each wide character, at most room - 1 of them, then a zero.
void NarrowName(char* out, size_t room, const wchar_t* wide) {
  size_t i = 0;
  for (; i + 1 < room && wide[i]; ++i) out[i] = static_cast<char>(wide[i] & 0xFF);
  out[i] = 0;
}

void ReleaseEnumeration() {
  GfxRelease(Gfx.output);
  GfxRelease(Gfx.adapter);
  GfxRelease(Gfx.factory);
}

GfxFormat DepthFormatOf(int code) {
  switch (code) {
    case 1: return GFX_FORMAT_D16_UNORM;
    case 2: return GFX_FORMAT_D24_UNORM_S8_UINT;
    case 3: return GFX_FORMAT_D32_FLOAT;
    default: return GFX_FORMAT_UNKNOWN;
  }
}

const DisplayMode* ModeAt(int index) {
  if (!Gfx.modes || index < 0 || index >= Gfx.modeCount) return nullptr;
  return &Gfx.modes[index];
}

GfxModeDesc ToModeDesc(const DisplayMode& m) {
  GfxModeDesc d;
  d.width = uint32_t(m.width);
  d.height = uint32_t(m.height);
  d.refreshRate = {m.refreshNumerator, m.refreshDenominator};
  d.format = GfxFormat(m.format);
  d.scanlineOrdering = m.scanlineOrdering;
  d.scaling = m.scaling;
  return d;
}

void UpdateCursorClipFor(bool windowed) {
  if (CfgScreenFlags & (windowed ? CURSOR_LOCK_WINDOW : CURSOR_LOCK_FULLSCREEN))
    ClipCursorToWindow();
  else
    ClipCursorToClient(0);
}

}  // namespace

// ---- [Small helpers] ----

void SetScreenSize(int width, int height) {
  Gfx.screenWidth = width;
  Gfx.screenHeight = height;
  Gfx.screenWidthRecip = width != 0 ? 1.0f / float(width) : 0.0f;
  Gfx.screenHeightRecip = height != 0 ? 1.0f / float(height) : 0.0f;
}

int RoundedRefreshRate(const DisplayMode& mode) {
  if (mode.refreshDenominator == 0) return 0;
  return int(std::lround(double(mode.refreshNumerator) / mode.refreshDenominator));
}

const char* HResultName(uint32_t code) {
  struct Name {
    uint32_t code;
    const char* text;
  };
  static const Name NAMES[] = {
      {0x00000000, "S_OK"},
      {0x00000001, "S_FALSE"},
      {0x80004001, "E_NOTIMPL"},
      {0x80004002, "E_NOINTERFACE"},
      {0x80004005, "E_FAIL"},
      {0x8007000E, "E_OUTOFMEMORY"},
      {0x80070057, "E_INVALIDARG"},
      {0x887A0001, "DXGI_ERROR_INVALID_CALL"},
      {0x887A0002, "DXGI_ERROR_NOT_FOUND"},
      {0x887A0003, "DXGI_ERROR_MORE_DATA"},
      {0x887A0004, "DXGI_ERROR_UNSUPPORTED"},
      {0x887A0005, "DXGI_ERROR_DEVICE_REMOVED"},
      {0x887A0006, "DXGI_ERROR_DEVICE_HUNG"},
      {0x887A0007, "DXGI_ERROR_DEVICE_RESET"},
      {0x887A000A, "DXGI_ERROR_WAS_STILL_DRAWING"},
      {0x887A000B, "DXGI_ERROR_FRAME_STATISTICS_DISJOINT"},
      {0x887A000C, "DXGI_ERROR_GRAPHICS_VIDPN_SOURCE_IN_USE"},
      {0x887A0020, "DXGI_ERROR_DRIVER_INTERNAL_ERROR"},
      {0x887A0021, "DXGI_ERROR_NONEXCLUSIVE"},
      {0x887A0022, "DXGI_ERROR_NOT_CURRENTLY_AVAILABLE"},
      {0x887A0023, "DXGI_ERROR_REMOTE_CLIENT_DISCONNECTED"},
      {0x887A0024, "DXGI_ERROR_REMOTE_OUTOFMEMORY"},
      {0x887A0026, "DXGI_ERROR_ACCESS_LOST"},
      {0x887A0027, "DXGI_ERROR_WAIT_TIMEOUT"},
      {0x887A0028, "DXGI_ERROR_SESSION_DISCONNECTED"},
      {0x887A0029, "DXGI_ERROR_RESTRICT_TO_OUTPUT_STALE"},
      {0x887A002A, "DXGI_ERROR_CANNOT_PROTECT_CONTENT"},
      {0x887A002B, "DXGI_ERROR_ACCESS_DENIED"},
      {0x887A002C, "DXGI_ERROR_NAME_ALREADY_EXISTS"},
      {0x887A002D, "DXGI_ERROR_SDK_COMPONENT_MISSING"},
      {0x887C0001, "D3D11_ERROR_TOO_MANY_UNIQUE_STATE_OBJECTS"},
      {0x887C0002, "D3D11_ERROR_FILE_NOT_FOUND"},
      {0x887C0003, "D3D11_ERROR_TOO_MANY_UNIQUE_VIEW_OBJECTS"},
      {0x887C0004, "D3D11_ERROR_DEFERRED_CONTEXT_MAP_WITHOUT_INITIAL_DISCARD"},
  };
  for (const Name& n : NAMES)
    if (n.code == code) return n.text;
  static char buffer[16];  // valid until the next unnamed code
  std::snprintf(buffer, sizeof buffer, "0x%08x", code);
  return buffer;
}

// ---- [Mode list] ----

int MergeDisplayModes(DisplayMode* modes, int count) {
  int i = 1;
  while (i < count) {
    DisplayMode& earlier = modes[i - 1];
    const DisplayMode& later = modes[i];
    if (later.width == earlier.width && later.height == earlier.height &&
        RoundedRefreshRate(later) == RoundedRefreshRate(earlier)) {
      if (earlier.scaling == 0 && later.scaling != earlier.scaling) earlier = later;
      std::memmove(&modes[i], &modes[i + 1], sizeof(DisplayMode) * size_t(count - i - 1));
      --count;
    } else {
      ++i;
    }
  }
  return count;
}

int ChooseDefaultMode(const DisplayMode* modes, int count, int virtualWidth, int virtualHeight, int startDefault) {
  if (count <= 0) return 0;
  int best = (startDefault >= 0 && startDefault < count) ? startDefault : 0;
  bool exact = false;
  for (int i = 0; i < count; ++i) {
    const DisplayMode& m = modes[i];
    if (m.width == virtualWidth && m.height == virtualHeight) {
      best = i;
      exact = true;
    } else if (!exact && m.width >= modes[best].width && m.height >= modes[best].height) {
      best = i;
    }
  }
  return best;
}

const char* EnumerateDisplayModes(int adapterIndex, int outputIndex) {
  if (GfxFailed(GfxCreateFactory(&Gfx.factory))) return "CreateDXGIFactory1 failed";

  // Adapters: a missing index ends the walk; an unreadable one leaves its slot empty and ends it too.
  GfxAdapter adapters[MAX_ADAPTERS];
  Gfx.adapterCount = 0;
  std::memset(Gfx.adapterSlotFilled, 0, sizeof Gfx.adapterSlotFilled);
  std::memset(Gfx.adapterNames, 0, sizeof Gfx.adapterNames);
  for (int i = 0; i < MAX_ADAPTERS; ++i) {
    GfxAdapter a;
    if (GfxEnumAdapters(Gfx.factory, uint32_t(i), &a) != GFX_OK) break;
    ++Gfx.adapterCount;
    GfxAdapterDesc desc;
    if (GfxFailed(GfxGetAdapterDesc(a, &desc))) {
      GfxRelease(a);
      break;
    }
    NarrowName(Gfx.adapterNames[i], sizeof Gfx.adapterNames[i], desc.description);
    adapters[i] = a;
    Gfx.adapterSlotFilled[i] = true;
  }
  if (Gfx.adapterCount == 0) {
    GfxRelease(Gfx.factory);
    return "No adapters found";
  }
  if (adapterIndex != 0 && !(adapterIndex < MAX_ADAPTERS && Gfx.adapterSlotFilled[adapterIndex])) {
    LogF("adapter %d not found - try 0", adapterIndex);
    adapterIndex = 0;
  }
  if (adapterIndex == 0 && !Gfx.adapterSlotFilled[0]) LogLine("adapter 0 not found - fail");
  for (int i = 0; i < MAX_ADAPTERS; ++i)
    if (Gfx.adapterSlotFilled[i] && i != adapterIndex) GfxRelease(adapters[i]);
  if (!Gfx.adapterSlotFilled[adapterIndex]) {
    GfxRelease(Gfx.factory);
    return "pAdapter is NULL";
  }
  Gfx.adapter = adapters[adapterIndex];

  // Outputs of the chosen adapter, the same way.
  GfxOutput outputs[MAX_OUTPUTS];
  bool filled[MAX_OUTPUTS] = {};
  Gfx.outputCount = 0;
  std::memset(Gfx.outputNames, 0, sizeof Gfx.outputNames);
  for (int i = 0; i < MAX_OUTPUTS; ++i) {
    GfxOutput o;
    if (GfxEnumOutputs(Gfx.adapter, uint32_t(i), &o) != GFX_OK) break;
    ++Gfx.outputCount;
    GfxOutputDesc desc;
    if (GfxFailed(GfxGetOutputDesc(o, &desc))) {
      GfxRelease(o);
      break;
    }
    NarrowName(Gfx.outputNames[i], sizeof Gfx.outputNames[i], desc.deviceName);
    outputs[i] = o;
    filled[i] = true;
  }
  if (Gfx.outputCount == 0) {
    GfxRelease(Gfx.adapter);
    GfxRelease(Gfx.factory);
    return "No outputs found";
  }
  if (outputIndex != 0 && !(outputIndex < MAX_OUTPUTS && filled[outputIndex])) {
    LogF("output %d not found - try 0", outputIndex);
    outputIndex = 0;
  }
  if (outputIndex == 0 && !filled[0]) LogLine("output 0 not found - fail");
  for (int i = 0; i < MAX_OUTPUTS; ++i)
    if (filled[i] && i != outputIndex) GfxRelease(outputs[i]);
  if (!filled[outputIndex]) {
    GfxRelease(Gfx.adapter);
    GfxRelease(Gfx.factory);
    return "pOutput is NULL";
  }
  Gfx.output = outputs[outputIndex];

  // The mode list: a count, then the records.
  uint32_t count = 0;
  GfxResult r = GfxGetDisplayModeList(Gfx.output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr);
  std::vector<GfxModeDesc> descs(count);
  if (r == GFX_OK && count > 0)
    r = GfxGetDisplayModeList(Gfx.output, GFX_FORMAT_R8G8B8A8_UNORM, 0, &count, descs.data());
  if (r != GFX_OK || count == 0) {
    ReleaseEnumeration();
    return "No modes found";
  }
  delete[] Gfx.modes;
  Gfx.modes = new DisplayMode[count];
  for (uint32_t i = 0; i < count; ++i) {
    const GfxModeDesc& d = descs[i];
    Gfx.modes[i] = DisplayMode{int(d.width), int(d.height), d.refreshRate.numerator, d.refreshRate.denominator,
                               uint32_t(d.format), d.scanlineOrdering, d.scaling};
  }
  Gfx.modeCount = MergeDisplayModes(Gfx.modes, int(count));
  int virtualWidth = 0, virtualHeight = 0;
  GfxGetVirtualScreenSize(&virtualWidth, &virtualHeight);
  Gfx.defaultMode = ChooseDefaultMode(Gfx.modes, Gfx.modeCount, virtualWidth, virtualHeight, Gfx.defaultMode);

  Gfx.adapterIndex = adapterIndex;
  Gfx.outputIndex = outputIndex;
  Gfx.depthFormatSupported[1] = 1;
  Gfx.depthFormatSupported[2] = 1;
  return nullptr;
}

// ---- [Set-up] ----

const char* PreInitD3D() {
  if (Gfx.initState != 0) return nullptr;  // once per device life; again after CloseD3D
  if (g_faults.preInitFailures > 0) {
    --g_faults.preInitFailures;
    return "PreInitD3D : no adapter";
  }
  Gfx.depthFormatCode = std::clamp(CfgZbdSelect, 0, 3);
  int output = std::clamp(CfgOutputSelect, 0, MAX_OUTPUTS - 1);
  int adapter = std::clamp(CfgAdapterSelect, 0, MAX_ADAPTERS - 1);
  SetScreenSize(800, 600);
  Gfx.windowed = 1;
  if (const char* error = EnumerateDisplayModes(adapter, output)) return error;
  int& code = Gfx.depthFormatCode;
  if (!Gfx.depthFormatSupported[code]) {
    if (Gfx.depthFormatSupported[3]) code = 3;
    else if (Gfx.depthFormatSupported[2]) code = 2;
    else if (Gfx.depthFormatSupported[1]) code = 1;
    else if (Gfx.depthFormatSupported[0]) code = 0;
  }
  BuildGammaTables();
  SetIdentityMatrix(Row5Matrix);
  Gfx.initState = 1;
  SyncMirrors();
  return nullptr;
}

int CheckCoInitialize() { return 1; }  // nothing of the kind to start on this platform

void ReconcileDeviceChoices() {
  CfgAdapterSelect = std::clamp(CfgAdapterSelect, 0, MAX_ADAPTERS - 1);
  CfgOutputSelect = std::clamp(CfgOutputSelect, 0, MAX_OUTPUTS - 1);
  CfgZbdSelect = std::clamp(CfgZbdSelect, 0, 3);
  if (CfgAntialiasing < 0) CfgAntialiasing = 0;
}

const char* InitD3D() {
  if (Gfx.initState == 0) return "Must call PreInit";
  if (Gfx.initState == 2) return nullptr;
  std::memcpy(Gfx.appliedFlags, Gfx.pendingFlags, sizeof Gfx.appliedFlags);
  Gfx.modeInUse = (Gfx.windowed || FullScreenModeIndex < 0 || FullScreenModeIndex >= Gfx.modeCount)
                      ? Gfx.defaultMode
                      : FullScreenModeIndex;

  const GfxFeatureLevel levels[] = {GFX_FEATURE_LEVEL_11_0, GFX_FEATURE_LEVEL_10_1, GFX_FEATURE_LEVEL_10_0};
  GfxResult r = GfxCreateDevice(Gfx.adapter, levels, 3, &Gfx.device, &Gfx.featureLevel, &Gfx.context);
  if (GfxFailed(r)) {
    LogLine(HResultName(uint32_t(r)));
    return "Could not create Direct3D 11 device";
  }
  // More samples than the device can draw would fail every multisampled target later.  Only
  // the level in use is lowered: cfg.txt keeps the user's choice for a better device.
  Gfx.maxSamples = int(GfxMaxSampleCount(Gfx.device));
  if (CfgAntialiasing > Gfx.maxSamples) {
    LogF("Antialiasing %d is more than the device's %d: using %d", CfgAntialiasing, Gfx.maxSamples, Gfx.maxSamples);
    UpdateDisplayFlags();
    Gfx.appliedFlags[1] = Gfx.pendingFlags[1];
  }

  const DisplayMode* mode = ModeAt(Gfx.modeInUse);
  GfxSwapChainDesc sd;
  if (mode) sd.bufferDesc = ToModeDesc(*mode);
  sd.bufferDesc.width = sd.bufferDesc.height = 0;  // the window's client size
  sd.bufferDesc.format = GFX_FORMAT_R8G8B8A8_UNORM;
  sd.sampleDesc = GfxSampleDesc{1, 0};
  sd.bufferUsage = GFX_USAGE_RENDER_TARGET_OUTPUT;
  sd.bufferCount = 1;
  sd.outputWindow = DeviceWindow;
  sd.swapEffect = GFX_SWAP_EFFECT_DISCARD;
  sd.flags = GFX_SWAP_CHAIN_ALLOW_MODE_SWITCH;
  bool startFullScreen = Gfx.windowed == 0;
  Gfx.windowed = 1;
  sd.windowed = 1;
  if (!DeviceWindow) GfxSetHeadlessClientSize(ScreenWidth, ScreenHeight);
  r = GfxCreateSwapChain(Gfx.factory, Gfx.device, sd, &Gfx.swapChain);
  if (GfxFailed(r)) {
    LogLine(HResultName(uint32_t(r)));
    return "IDXGIFactory::CreateSwapChain failed";
  }
  if (GfxFailed(GfxMakeWindowAssociation(Gfx.factory, DeviceWindow, 7))) Show("Could not disable ALT + ENTER");
  if (startFullScreen && mode) EnterFullScreenSwapChain(mode->width, mode->height);
  if (const char* error = CreateBackBufferViews()) return error;

  CreateConstantBuffers();
  CreateStateObjects();
  CreateSamplerStates();
  FlushStates();
  UnbindTexture(nullptr);  // a new context has nothing bound
  CreatePlaceholderTextures();
  GetDefaultMaterial();
  SetViewportFull();  // first, so that the starting projection has the screen's shape
  InitMatrices();
  CreateImmediateBuffers();
  Draw2DList.Init();
  if (Gfx.featureLevel >= GFX_FEATURE_LEVEL_11_0) {
    if (const char* step = CreateComputeBuffers(SharedComputeJob)) LogF("InitD3D: %s failed", step);
  }

  LoadAllVertexShaders();
  LoadAllPixelShaders();
  LoadAllComputeShaders();
  // Without the interface's shaders nothing can be drawn, not even an error's message line.
  if (const char* error = EssentialShaderError()) return error;
  Gfx.initState = 2;
  SyncMirrors();
  return nullptr;
}

const char* CreateBackBufferViews() {
  GfxTexture2D buffer;
  GfxResult r = GfxSwapChainGetBuffer(Gfx.swapChain, 0, &buffer);
  if (GfxFailed(r)) {
    LogLine(HResultName(uint32_t(r)));
    return "Could not get back buffer pointer";
  }
  GfxTexture2DDesc desc;
  GfxGetDesc(buffer, &desc);
  GfxViewDesc vd;
  vd.format = GfxSrgbTwin(desc.format);  // the sRGB twin for R8G8B8A8 and B8G8R8A8, else the same
  if (vd.format == GFX_FORMAT_B8G8R8X8_UNORM_SRGB) vd.format = desc.format;
  vd.dimension = GFX_VIEW_TEXTURE2D;
  r = GfxCreateRenderTargetView(Gfx.device, buffer, &vd, &Gfx.backBufferView);
  GfxRelease(buffer);
  if (GfxFailed(r)) {
    LogLine(HResultName(uint32_t(r)));
    return "Could not get render target view";
  }
  SetScreenSize(int(desc.width), int(desc.height));
  if (Gfx.appliedFlags[0]) {
    if (const char* error = CreateZBuffer(int(desc.width), int(desc.height))) return error;
  }
  SetBackBufferTarget(Gfx.backBufferView, Gfx.depthView);
  return nullptr;
}

const char* CreateZBuffer(int width, int height) {
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.mipLevels = 1;
  d.arraySize = 1;
  d.format = DepthFormatOf(Gfx.depthFormatCode);
  d.bindFlags = GFX_BIND_DEPTH_STENCIL;
  GfxResult r = GfxCreateTexture2D(Gfx.device, d, nullptr, &Gfx.depthTexture);
  if (GfxFailed(r)) {
    LogLine(HResultName(uint32_t(r)));
    return "Could not create Z buffer";
  }
  r = GfxCreateDepthStencilView(Gfx.device, Gfx.depthTexture, nullptr, &Gfx.depthView);
  if (GfxFailed(r)) {
    LogLine(HResultName(uint32_t(r)));
    return "Could not create Z buffer view";
  }
  return nullptr;
}

void ReleaseBackBufferViews() {
  // The views must not stay bound: the swap chain refuses to resize while they exist.
  SetBackBufferTarget(GfxRenderTargetView{}, GfxDepthStencilView{});
  GfxOMSetRenderTargets(Gfx.context, 0, nullptr, GfxDepthStencilView{});
  GfxRelease(Gfx.backBufferView);
  GfxRelease(Gfx.depthView);
  GfxRelease(Gfx.depthTexture);
}

void CloseD3D() {
  if (Gfx.initState == 0) return;
  delete[] Gfx.modes;
  Gfx.modes = nullptr;
  Gfx.modeCount = Gfx.outputCount = Gfx.adapterCount = 0;
  if (Gfx.device) {
    FreeAllGraphics(0, 1);
    ResetRenderTargets();
    ReleaseBackBufferViews();
    ReleaseConstantBuffers();
    ReleaseStateObjects();
    ReleaseSamplerStates();
    GfxClearState(Gfx.context);
    if (Gfx.swapChain) GfxSwapChainSetFullscreenState(Gfx.swapChain, 0, GfxOutput{});
    GfxRelease(Gfx.swapChain);
    GfxRelease(Gfx.context);
    GfxRelease(Gfx.device);
    Gfx.maxSamples = 0;
  }
  ReleaseEnumeration();
  Gfx.initState = 0;
  SyncMirrors();
}

const char* InitialiseGraphicsForScreen() {
  if (Gfx.initState == 0) return "Must call PreInit";
  if (g_faults.initFailures > 0) {
    --g_faults.initFailures;
    return "CreateDevice failed";
  }
  Gfx.busy = 1;
  if (!DeviceWindow && (ScreenWidth == 0 || ScreenHeight == 0)) {
    ScreenWidth = 1280;
    ScreenHeight = 720;
  }
  SetScreenSize(ScreenWidth, ScreenHeight);
  Gfx.windowed = CfgStartWindowed ? 1 : 0;
  UpdateDisplayFlags();
  if (const char* error = InitD3D()) {
    Gfx.busy = 0;
    return error;
  }
  CheckScreenDimensions("initialise graphics");
  if (VrEnabled) CfgScreenFlags &= ~OPTION_HDR_BIT;
  UpdateCursorClip();
  Gfx.busy = 0;
  RaiseMainWindow();
  return nullptr;
}

void ShutdownGraphics() {
  Gfx.busy = 1;
  CloseD3D();
  Gfx.busy = 0;
}

// ---- [Presentation and clears] ----

void PresentFrame(const GfxRect* changed) {
  if (!Gfx.swapChain) return;
  Gfx.lastPresentStatus = LastPresentStatus;  // the frame loop clears it after a recovery
  // Injected statuses stand in for what GL never reports by itself: a lost device.
  if (g_faults.presentCount > 0) {
    --g_faults.presentCount;
    GfxInjectPresentFault(GfxResult(g_faults.presentStatus));
  }
  const uint32_t sync = Gfx.appliedFlags[2] ? 1 : 0;
  GfxResult r = changed ? GfxSwapChainPresentPart(Gfx.swapChain, sync, *changed) : GfxSwapChainPresent(Gfx.swapChain, sync, 0);
  GfxInjectPresentFault(GFX_OK);
  uint32_t code = uint32_t(r);
  if (code == 0) {
    if (Gfx.lastPresentStatus != 0) {
      LogLine("Present error cleared");
      Gfx.lastPresentStatus = 0;
    }
  } else if (code != Gfx.lastPresentStatus) {
    if (code == PRESENT_DEVICE_REMOVED || code == PRESENT_DEVICE_RESET || code == PRESENT_OCCLUDED)
      LogF("Present error : %s", code == PRESENT_OCCLUDED ? "DXGI_STATUS_OCCLUDED" : HResultName(code));
    else
      LogF("Present error : 0x%08x", code);
    Gfx.lastPresentStatus = code;
  }
  LastPresentStatus = Gfx.lastPresentStatus;
}

void Clear(uint32_t colour, int flags) {
  MakeWaitingTarget();
  const RenderTargetState& t = RenderTargets;
  if ((flags & 1) && t.view) {
    const float rgba[4] = {float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                           float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f};
    GfxClearRenderTargetView(Gfx.context, t.view, rgba);
  }
  if ((flags & 2) && t.depthView)
    GfxClearDepthStencilView(Gfx.context, t.depthView, GFX_CLEAR_DEPTH | GFX_CLEAR_STENCIL, 1.0f, 0);
}

void ClearRGBA(const float rgba[4]) {
  MakeWaitingTarget();
  const RenderTargetState& t = RenderTargets;
  if (t.view) GfxClearRenderTargetView(Gfx.context, t.view, rgba);
  if (t.depthView) GfxClearDepthStencilView(Gfx.context, t.depthView, GFX_CLEAR_DEPTH | GFX_CLEAR_STENCIL, 1.0f, 0);
}

int IsFullScreen() { return Gfx.initState != 0 ? (Gfx.windowed ? 0 : 1) : (CfgStartWindowed ? 0 : 1); }
int DisplayModeCount() { return Gfx.modes ? Gfx.modeCount : 0; }
const DisplayMode* DisplayModes() { return Gfx.modes; }

void UpdateDisplayFlags() {
  bool vr = VrEnabled != 0;
  bool monitor = Gfx.vrMonitorMode != 0;
  bool hdr = CfgRenderHdr != 0 || (!vr && (CfgScreenFlags & OPTION_HDR_BIT)) || (vr && monitor && Gfx.vrDisplayKind == 4) ||
             (vr && !monitor);
  Gfx.pendingFlags[0] = hdr ? 0 : 1;
  const int sampleLimit = Gfx.maxSamples > 0 ? Gfx.maxSamples : 255;
  Gfx.pendingFlags[1] = hdr ? 0 : uint8_t(std::clamp(CfgAntialiasing, 0, sampleLimit));
  Gfx.pendingFlags[2] = ((!vr || monitor) && (!Gfx.windowed || CfgBorderlessWindow)) ? uint8_t(VSyncEnabled ? 1 : 0) : 0;
  Gfx.pendingFlags[3] = uint8_t(DeviceConfig.fourthOption);
}

// ---- [Display-mode changes] ----

void SetFullscreenMode(int modeIndex, int windowed) {
  if (!Gfx.swapChain) return;
  int32_t reported = 0;
  if (GfxSwapChainGetFullscreenState(Gfx.swapChain, &reported) == GFX_OK && (reported != 0) != (Gfx.windowed == 0)) {
    char line[96];
    std::snprintf(line, sizeof line, "BEFORE: ZKT fullscreen state was %d but reported state was %d", !Gfx.windowed,
                  reported);
    Show(line);
    Gfx.windowed = !Gfx.windowed;
  }
  int target = (windowed || modeIndex < 0 || modeIndex >= Gfx.modeCount) ? Gfx.defaultMode : modeIndex;
  int width = ScreenWidth, height = ScreenHeight;
  if (width == Gfx.screenWidth && height == Gfx.screenHeight && Gfx.appliedFlags[3] == Gfx.pendingFlags[3] &&
      target == Gfx.modeInUse && (windowed != 0) == (Gfx.windowed != 0)) {
    // Nothing but the depth buffer can have changed.
    if (Gfx.appliedFlags[0] == Gfx.pendingFlags[0]) {
      std::memcpy(Gfx.appliedFlags, Gfx.pendingFlags, sizeof Gfx.appliedFlags);
      return;
    }
    SetBackBufferTarget(Gfx.backBufferView, GfxDepthStencilView{});
    GfxRelease(Gfx.depthView);
    GfxRelease(Gfx.depthTexture);
    std::memcpy(Gfx.appliedFlags, Gfx.pendingFlags, sizeof Gfx.appliedFlags);
    if (Gfx.appliedFlags[0]) {
      if (const char* error = CreateZBuffer(Gfx.screenWidth, Gfx.screenHeight)) Show(error);
    }
    SetBackBufferTarget(Gfx.backBufferView, Gfx.depthView);
    return;
  }
  ReleaseBackBufferViews();
  SetScreenSize(width, height);
  std::memcpy(Gfx.appliedFlags, Gfx.pendingFlags, sizeof Gfx.appliedFlags);
  Gfx.modeInUse = target;
  if (windowed) EnterWindowedSwapChain(width, height);
  else EnterFullScreenSwapChain(width, height);
  if (const char* error = CreateBackBufferViews()) Show(error);
  if (GfxSwapChainGetFullscreenState(Gfx.swapChain, &reported) == GFX_OK && (reported != 0) != (Gfx.windowed == 0)) {
    char line[96];
    std::snprintf(line, sizeof line, "AFTER: ZKT fullscreen state was %d but reported state was %d", !Gfx.windowed,
                  reported);
    Show(line);
    Gfx.windowed = !Gfx.windowed;
  }
  SetViewportFull();
}

void EnterFullScreenSwapChain(int width, int height) {
  const DisplayMode* mode = ModeAt(Gfx.modeInUse);
  DisplayMode target = mode ? *mode : DisplayMode{width, height, 0, 0, 0, 0, 0};
  if (GfxFailed(GfxSwapChainResizeBuffers(Gfx.swapChain, 1, uint32_t(target.width), uint32_t(target.height),
                                          GFX_FORMAT_UNKNOWN, GFX_SWAP_CHAIN_ALLOW_MODE_SWITCH)))
    Show("ResizeBuffers failed");
  if (Gfx.windowed) {
    if (GfxFailed(GfxSwapChainSetFullscreenState(Gfx.swapChain, 1, Gfx.output))) {
      Show("SetFullscreenState (TRUE) failed");
      return;
    }
    Gfx.windowed = 0;
    GfxSwapChainDesc sd;
    GfxSwapChainGetDesc(Gfx.swapChain, &sd);
    DisplayMode got{int(sd.bufferDesc.width), int(sd.bufferDesc.height), sd.bufferDesc.refreshRate.numerator,
                    sd.bufferDesc.refreshRate.denominator, 0, 0, sd.bufferDesc.scaling};
    if ((RoundedRefreshRate(got) != RoundedRefreshRate(target) || got.scaling != target.scaling) &&
        (CfgDebugLevel > 0)) {
      char line[96];
      std::snprintf(line, sizeof line, "new_mode: %d/%d (%d) / scd: %d/%d (%d)", target.width, target.height,
                    int(target.scaling), got.width, got.height, int(got.scaling));
      Show(line);
    }
    GfxModeDesc resize = ToModeDesc(target);
    resize.format = GFX_FORMAT_UNKNOWN;
    if (GfxFailed(GfxSwapChainResizeTarget(Gfx.swapChain, resize))) Show("ResizeTarget failed");
  }
}

void EnterWindowedSwapChain(int width, int height) {
  if (!Gfx.windowed) {
    if (GfxFailed(GfxSwapChainSetFullscreenState(Gfx.swapChain, 0, GfxOutput{})))
      Show("SetFullscreenState(FALSE) failed");
    else
      Gfx.windowed = 1;
  }
  if (GfxFailed(GfxSwapChainResizeBuffers(Gfx.swapChain, 1, uint32_t(width), uint32_t(height), GFX_FORMAT_UNKNOWN,
                                          GFX_SWAP_CHAIN_ALLOW_MODE_SWITCH)))
    Show("ResizeBuffers failed");
}

void CheckScreenDimensions(const char* reason) {
  if (Gfx.screenWidth == ScreenWidth && Gfx.screenHeight == ScreenHeight) return;
  char line[128];
  std::snprintf(line, sizeof line, "%s %s", "Screen dimensions changed :", reason);
  Show(line);
  ScreenWidth = Gfx.screenWidth;
  ScreenHeight = Gfx.screenHeight;
}

void GoFullScreen(int modeIndex) {
  if (VrEnabled && !Gfx.vrMonitorMode) {
    Show(LanguageTexts[TX_3h_vrnofull]);
    return;
  }
  const DisplayMode* mode = ModeAt(modeIndex);
  FullScreenModeIndex = modeIndex;
  if (mode) {
    CfgScreenInfo[0] = RoundedRefreshRate(*mode);
    CfgScreenInfo[1] = mode->width;
    CfgScreenInfo[2] = mode->height;
    CfgScreenInfo[3] = modeIndex;
  }
  CfgStartWindowed = 0;
  if (!Gfx.busy && Gfx.initState == 2 && mode) {
    Gfx.busy = 1;
    ScreenWidth = mode->width;
    ScreenHeight = mode->height;
    SetWindowMode(SHOW_NORMAL);
    Gfx.busy = 0;
    ReinitialiseRequest = 1;
    RedrawRequested = 1;
  }
  UpdateCursorClipFor(false);
}

void GoWindowed() {
  if (Gfx.adapterIndex != 0) {
    Show("Can't go to window - not using the primary adapter");
    return;
  }
  CfgStartWindowed = 1;
  if (!Gfx.busy && Gfx.initState == 2) {
    Gfx.busy = 1;
    UpdateDisplayFlags();
    SetFullscreenMode(-1, 1);
    SetWindowMode(SHOW_NORMAL);
    MainWindowClientSize(ScreenWidth, ScreenHeight);
    Gfx.busy = 0;
    RedrawRequested = 1;
  }
  UpdateCursorClipFor(true);
}

void ApplyWindowRequest(int request) {
  // The window carries these out; the device follows the size change (HandleWindowResize).
  if (!Gfx.windowed) return;
  if (request == WINDOW_REQUEST_MINIMISE) {
    ShowMainWindow(SHOW_MINIMISED);
  } else if (request == WINDOW_REQUEST_MAXIMISE) {
    // A normal window's style (title bar, border, resizable, shown), maximised: no longer
    // a borderless one.
    CfgBorderlessWindow = 0;
    ShowMainWindow(SHOW_MAXIMISED);
  } else if (request >= WINDOW_REQUEST_NORMAL && request <= BORDERLESS_DESKTOP) {
    SetWindowMode(SHOW_NORMAL);
  }
}

void HandleWindowResize() {
  if (!Gfx.busy && Gfx.initState == 2) {
    if (Gfx.windowed) MainWindowClientSize(ScreenWidth, ScreenHeight);
    if (Gfx.windowed && ScreenWidth != 0 && ScreenHeight != 0) {
      ReinitialiseRequest = 1;
      RedrawRequested = 1;
    }
    if (VrEnabled) CfgScreenFlags &= ~OPTION_HDR_BIT;
  }
  UpdateCursorClipFor(Gfx.windowed != 0);
}

int SwapChainFullScreenDiffers() {
  if (!Gfx.swapChain || Gfx.busy) return 0;
  int32_t reported = 0;
  if (GfxSwapChainGetFullscreenState(Gfx.swapChain, &reported) != GFX_OK) return 0;
  return (reported != 0) != (Gfx.windowed == 0);
}

// ---- [Test switches] ----

void InjectPresentStatus(uint32_t status, int count) {
  g_faults.presentStatus = status;
  g_faults.presentCount = count;
}
void InjectPreInitFailures(int count) { g_faults.preInitFailures = count; }
void InjectInitFailures(int count) { g_faults.initFailures = count; }

void SetTestDisplayModes(const DisplayMode* modes, int count, int currentIndex) {
  delete[] Gfx.modes;
  Gfx.modes = new DisplayMode[size_t(std::max(count, 1))];
  std::copy(modes, modes + count, Gfx.modes);
  Gfx.modeCount = count;
  Gfx.defaultMode = currentIndex;
  CurrentDisplayModeIndex = currentIndex;
}
