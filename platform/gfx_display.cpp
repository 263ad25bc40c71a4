// gfx_display.cpp - the factory's picture of adapters, outputs and display modes.
//
// GL has one adapter: the context's renderer, named by its renderer string.  Outputs and
// modes are SDL's displays when SDL video runs, else one "HEADLESS" output.  A factory takes
// a snapshot when made; tests may replace the displays with fakes.
#include "platform/gfx_local.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int MAX_FACTORIES = 4;
constexpr int MAX_ADAPTERS = 4;
constexpr int MAX_OUTPUTS = 8;

struct OutputData {
  char name[32] = {};
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::vector<GfxModeDesc> modes;  // in the requested format's order: width, height, refresh ascending
};
struct FactoryData {
  bool live = false;
  bool holdsContext = false;
  int adapterCount = 0;
  char adapterName[MAX_ADAPTERS][128] = {};
  bool adapterDescFails[MAX_ADAPTERS] = {};
  int outputCount = 0;  // every adapter shows the same outputs
  OutputData outputs[MAX_OUTPUTS];
};
FactoryData g_factories[MAX_FACTORIES];

bool g_useFakes = false;
GfxFakeDisplays g_fakes;
std::vector<GfxModeDesc> g_fakeModes;
char g_fakeNames[12][128];

const GfxModeDesc HEADLESS_MODES[] = {
    {640, 480, {60, 1}, GFX_FORMAT_R8G8B8A8_UNORM, 0, 0},   {800, 600, {60, 1}, GFX_FORMAT_R8G8B8A8_UNORM, 0, 0},
    {1024, 768, {60, 1}, GFX_FORMAT_R8G8B8A8_UNORM, 0, 0},  {1280, 720, {60, 1}, GFX_FORMAT_R8G8B8A8_UNORM, 0, 0},
    {1920, 1080, {60, 1}, GFX_FORMAT_R8G8B8A8_UNORM, 0, 0},
};

FactoryData* GetFactory(uint32_t id) {
  if (id == 0 || id > MAX_FACTORIES || !g_factories[id - 1].live) return nullptr;
  return &g_factories[id - 1];
}

void FillFromFakes(FactoryData& f) {
  f.adapterCount = std::clamp(g_fakes.adapterCount, 0, MAX_ADAPTERS);
  for (int i = 0; i < f.adapterCount; ++i) {
    std::snprintf(f.adapterName[i], sizeof f.adapterName[i], "%s",
                  g_fakes.adapterNames[i] ? g_fakes.adapterNames[i] : "Fake adapter");
    f.adapterDescFails[i] = g_fakes.failingAdapterDesc == i;
  }
  f.outputCount = std::clamp(g_fakes.outputCount, 0, MAX_OUTPUTS);
  for (int i = 0; i < f.outputCount; ++i) {
    OutputData& o = f.outputs[i];
    std::snprintf(o.name, sizeof o.name, "%s", g_fakes.outputNames[i] ? g_fakes.outputNames[i] : "FAKE");
    o.right = g_fakes.virtualWidth;
    o.bottom = g_fakes.virtualHeight;
    o.modes = g_fakeModes;
  }
}

void FillFromSystem(FactoryData& f) {
  f.adapterCount = 1;
  const char* renderer = GfxRendererName();
  std::snprintf(f.adapterName[0], sizeof f.adapterName[0], "%s", renderer[0] ? renderer : "OpenGL");
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    f.outputCount = std::clamp(SDL_GetNumVideoDisplays(), 0, MAX_OUTPUTS);
    for (int i = 0; i < f.outputCount; ++i) {
      OutputData& o = f.outputs[i];
      const char* name = SDL_GetDisplayName(i);
      std::snprintf(o.name, sizeof o.name, "%s", name ? name : "DISPLAY");
      SDL_Rect r{};
      SDL_GetDisplayBounds(i, &r);
      o.left = r.x;
      o.top = r.y;
      o.right = r.x + r.w;
      o.bottom = r.y + r.h;
      int count = SDL_GetNumDisplayModes(i);
      for (int m = 0; m < count; ++m) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(i, m, &mode) != 0) continue;
        GfxModeDesc d;
        d.width = uint32_t(mode.w);
        d.height = uint32_t(mode.h);
        d.refreshRate = {uint32_t(std::max(mode.refresh_rate, 0)), 1};
        o.modes.push_back(d);
      }
      std::stable_sort(o.modes.begin(), o.modes.end(), [](const GfxModeDesc& a, const GfxModeDesc& b) {
        if (a.width != b.width) return a.width < b.width;
        if (a.height != b.height) return a.height < b.height;
        return a.refreshRate.numerator < b.refreshRate.numerator;
      });
    }
  } else {
    f.outputCount = 1;
    OutputData& o = f.outputs[0];
    std::snprintf(o.name, sizeof o.name, "HEADLESS");
    o.right = 1920;
    o.bottom = 1080;
    o.modes.assign(std::begin(HEADLESS_MODES), std::end(HEADLESS_MODES));
  }
}

void CopyWide(wchar_t* out, size_t room, const char* text) {
  size_t i = 0;
  for (; i + 1 < room && text[i]; ++i) out[i] = wchar_t(static_cast<unsigned char>(text[i]));
  out[i] = 0;
}

}  // namespace

int g_gfxContextUsers = 0;  // factories and the device; the GL context lives while any does

GfxResult GfxCreateFactory(GfxFactory* out) {
  *out = GfxFactory{};
  int slot = 0;
  while (slot < MAX_FACTORIES && g_factories[slot].live) ++slot;
  if (slot == MAX_FACTORIES) return GFX_E_OUTOFMEMORY;
  FactoryData& f = g_factories[slot];
  f = FactoryData();
  if (g_useFakes) {
    FillFromFakes(f);
  } else {
    // The adapter's name is the renderer's, which needs the context.
    char error[160];
    if (!GfxGlCreateContext(error, sizeof error)) {
      std::fprintf(stderr, "gfx: %s\n", error);
      return GFX_E_FAIL;
    }
    ++g_gfxContextUsers;
    f.holdsContext = true;
    FillFromSystem(f);
  }
  f.live = true;
  out->id = uint32_t(slot + 1);
  return GFX_OK;
}

void GfxRelease(GfxFactory& factory) {
  if (FactoryData* f = GetFactory(factory.id)) {
    bool holds = f->holdsContext;
    *f = FactoryData();
    if (holds && g_gfxContextUsers > 0 && --g_gfxContextUsers == 0) GfxGlDestroyContext();
  }
  factory = GfxFactory{};
}

void GfxRelease(GfxAdapter& adapter) { adapter = GfxAdapter{}; }
void GfxRelease(GfxOutput& output) { output = GfxOutput{}; }

GfxResult GfxEnumAdapters(GfxFactory factory, uint32_t index, GfxAdapter* out) {
  *out = GfxAdapter{};
  FactoryData* f = GetFactory(factory.id);
  if (!f) return GFX_ERROR_INVALID_CALL;
  if (index >= uint32_t(f->adapterCount)) return GFX_ERROR_NOT_FOUND;
  *out = GfxAdapter{factory.id, index};
  return GFX_OK;
}

GfxResult GfxGetAdapterDesc(GfxAdapter adapter, GfxAdapterDesc* out) {
  std::memset(out, 0, sizeof *out);
  FactoryData* f = GetFactory(adapter.factory);
  if (!f || adapter.index >= uint32_t(f->adapterCount)) return GFX_ERROR_INVALID_CALL;
  if (f->adapterDescFails[adapter.index]) return GFX_E_FAIL;
  CopyWide(out->description, 128, f->adapterName[adapter.index]);
  return GFX_OK;
}

GfxResult GfxEnumOutputs(GfxAdapter adapter, uint32_t index, GfxOutput* out) {
  *out = GfxOutput{};
  FactoryData* f = GetFactory(adapter.factory);
  if (!f || adapter.index >= uint32_t(f->adapterCount)) return GFX_ERROR_INVALID_CALL;
  if (index >= uint32_t(f->outputCount)) return GFX_ERROR_NOT_FOUND;
  *out = GfxOutput{adapter.factory, adapter.index, index};
  return GFX_OK;
}

GfxResult GfxGetOutputDesc(GfxOutput output, GfxOutputDesc* out) {
  std::memset(out, 0, sizeof *out);
  FactoryData* f = GetFactory(output.factory);
  if (!f || output.index >= uint32_t(f->outputCount)) return GFX_ERROR_INVALID_CALL;
  const OutputData& o = f->outputs[output.index];
  CopyWide(out->deviceName, 32, o.name);
  out->left = o.left;
  out->top = o.top;
  out->right = o.right;
  out->bottom = o.bottom;
  out->attachedToDesktop = 1;
  return GFX_OK;
}

GfxResult GfxGetDisplayModeList(GfxOutput output, GfxFormat format, uint32_t flags, uint32_t* count,
                                GfxModeDesc* modes) {
  FactoryData* f = GetFactory(output.factory);
  if (!f || output.index >= uint32_t(f->outputCount) || !count) return GFX_ERROR_INVALID_CALL;
  const std::vector<GfxModeDesc>& list = f->outputs[output.index].modes;
  uint32_t total = uint32_t(list.size());
  if (!modes) {
    *count = total;
    return GFX_OK;
  }
  uint32_t n = std::min(*count, total);
  for (uint32_t i = 0; i < n; ++i) {
    modes[i] = list[i];
    modes[i].format = format;
  }
  *count = n;
  return n < total ? GFX_ERROR_MORE_DATA : GFX_OK;
}

void GfxGetVirtualScreenSize(int* width, int* height) {
  if (g_useFakes) {
    *width = g_fakes.virtualWidth;
    *height = g_fakes.virtualHeight;
    return;
  }
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    int n = SDL_GetNumVideoDisplays();
    int left = 0, top = 0, right = 0, bottom = 0;
    for (int i = 0; i < n; ++i) {
      SDL_Rect r{};
      if (SDL_GetDisplayBounds(i, &r) != 0) continue;
      if (i == 0 || r.x < left) left = r.x;
      if (i == 0 || r.y < top) top = r.y;
      if (i == 0 || r.x + r.w > right) right = r.x + r.w;
      if (i == 0 || r.y + r.h > bottom) bottom = r.y + r.h;
    }
    *width = right - left;
    *height = bottom - top;
    return;
  }
  *width = 1920;
  *height = 1080;
}

void GfxUseFakeDisplays(const GfxFakeDisplays* displays) {
  g_useFakes = displays != nullptr;
  if (!displays) return;
  g_fakes = *displays;
  // Keep our own copies: the caller's arrays may not outlive the call.
  for (int i = 0; i < 4; ++i) {
    if (displays->adapterNames[i]) {
      std::snprintf(g_fakeNames[i], sizeof g_fakeNames[i], "%s", displays->adapterNames[i]);
      g_fakes.adapterNames[i] = g_fakeNames[i];
    }
  }
  for (int i = 0; i < 8; ++i) {
    if (displays->outputNames[i]) {
      std::snprintf(g_fakeNames[4 + i], sizeof g_fakeNames[4 + i], "%s", displays->outputNames[i]);
      g_fakes.outputNames[i] = g_fakeNames[4 + i];
    }
  }
  g_fakeModes.assign(displays->modes, displays->modes + std::max(displays->modeCount, 0));
  g_fakes.modes = nullptr;
}
