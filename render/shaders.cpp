// shaders.cpp - the catalogue, loading by number, the set functions and the vertex layouts.
#include "render/shaders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

#include "core/log.h"
#include "core/report.h"
#include "render/device.h"
#include "render/material.h"

ShaderTables Shaders;
char ShaderFolder[260] = "bin/shaders2";
int ShaderCarFlag, ShaderShadowFlag;
int VertexShaderOverride, PixelShaderOverride;

const ShaderRow VertexShaderCatalogue[VERTEX_SHADER_COUNT + 1] = {
    {"", "", {}},
    {"Render6", "vs_render", {}},
    {"Render6", "vs_echo", {}},
    {"ShadowMap5", "vs_main", {}},
    {"ShadowMap5", "vs_tree", {}},
    {"Interface5", "vs_i_2d", {}},
    {"Interface5", "vs_i_3d", {}},
    {"Sky6", "vs_horizon", {}},
    {"Sky6", "vs_sky_plain", {}},
    {"Sky6", "vs_sky_sun", {}},
    {"World22", "vs_prelit", {}},
    {"World22", "vs_prelit_static", {}},
    {"World22", "vs_main", {}},
    {"World22", "vs_main", {"SHINE"}},
    {"World22", "vs_main", {"TREE"}},
    {"World22", "vs_main", {"VERTEX_ALPHA"}},
    {"World22", "vs_main", {"VERTEX_ALPHA", "SHINE"}},
    {"CarToShadow5", "vs_main", {}},
    {"LightToWorld7", "vs_1_shadow", {}},
    {"LightToWorld7", "vs_2_shadow", {}},
    {"LightToWorld7", "vs_3_shadow", {}},
    {"LightToWorld7", "vs_4_shadow", {}},
    {"LightToWorld7", "vs_1_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "vs_2_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "vs_3_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "vs_4_headlight", {"HEADLIGHT"}},
    {"CarMirror6", "vs_main", {}},
};

const ShaderRow PixelShaderCatalogue[PIXEL_SHADER_COUNT + 1] = {
    {"", "", {}},
    {"PostProcess5", "ps_sky_blur_one", {}},
    {"PostProcess5", "ps_downsize", {}},
    {"PostProcess5", "ps_upsize", {}},
    {"PostProcess5", "ps_none", {}},
    {"PostProcess5", "ps_gamma", {}},
    {"PostProcess5", "ps_reinhard", {}},
    {"PostProcess5", "ps_filmic", {}},
    {"PostProcess5", "ps_anaglyph", {}},
    {"Render6", "opt_solid", {}},
    {"Render6", "opt_alpha", {}},
    {"Render6", "opt_flags", {}},
    {"Render6", "render_black", {}},
    {"Render6", "render_black", {"ALPHA"}},
    {"Render6", "render_sky", {}},
    {"Render6", "render_sky", {"ALPHA"}},
    {"Render6", "render_art", {}},
    {"Render6", "render_art", {"ALPHA"}},
    {"Render6", "render_echo", {}},
    {"Render6", "render_echo", {"ALPHA"}},
    {"ShadowMap5", "ps_main", {"SOLID"}},
    {"ShadowMap5", "ps_main", {"ALPHA"}},
    {"ShadowMap5", "ps_main", {"ATEST"}},
    {"Interface5", "ps_i_no_texture", {}},
    {"Interface5", "ps_i_simple", {}},
    {"Interface5", "ps_i_texture_viewer", {}},
    {"Interface5", "ps_i_display_esm", {}},
    {"Sky6", "ps_horizon", {}},
    {"Sky6", "ps_sky_plain", {}},
    {"Sky6", "ps_sky_sun", {}},
    {"SkyRender4", "ps_render_sky", {}},
    {"SkyRender4", "ps_render_sky_overcast", {}},
    {"SkyRender4", "ps_render_sky_white", {}},
    {"SkyRender4", "ps_env_simple", {}},
    {"SkyRender4", "ps_env_combine", {}},
    {"World22", "ps_no_texture", {}},
    {"World22", "ps_simple", {}},
    {"World22", "ps_prelit", {}},
    {"World22", "ps_main", {"SOLID"}},
    {"World22", "ps_main", {"ATEST", "SOLID"}},
    {"World22", "ps_main", {"ALPHA_SHADOWS_MUL", "ALPHA_DIFFUSE"}},
    {"World22", "ps_main", {"SHINE_HARD", "SOLID", "NO_DIFFUSE"}},
    {"World22", "ps_main", {"SHINE_HARD", "ALPHA_MUL_SHINE", "SOLID", "ALPHA_MUL_DIFFUSE"}},
    {"World22", "ps_main", {"SHINE_HARD", "ALPHA_MUL_SHINE", "ALPHA_SHADOWS_MUL", "ALPHA_DIFFUSE"}},
    {"World22", "ps_main", {"SHINE_SOFT", "SOLID", "NO_DIFFUSE"}},
    {"World22", "ps_main", {"SHINE_SOFT", "ALPHA_MUL_SHINE", "SOLID", "ALPHA_MUL_DIFFUSE"}},
    {"World22", "ps_main", {"SHINE_SOFT", "ALPHA_MUL_SHINE", "ALPHA_SHADOWS_MUL", "ALPHA_DIFFUSE"}},
    {"CarToShadow5", "ps_main", {}},
    {"LightToWorld7", "ps_1_shadow", {}},
    {"LightToWorld7", "ps_2_shadow", {}},
    {"LightToWorld7", "ps_3_shadow", {}},
    {"LightToWorld7", "ps_4_shadow", {}},
    {"LightToWorld7", "ps_1_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "ps_2_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "ps_3_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "ps_4_headlight", {"HEADLIGHT"}},
    {"LightToWorld7", "ps_1_headlight", {"HEADLIGHT", "ATEST"}},
    {"LightToWorld7", "ps_2_headlight", {"HEADLIGHT", "ATEST"}},
    {"LightToWorld7", "ps_3_headlight", {"HEADLIGHT", "ATEST"}},
    {"LightToWorld7", "ps_4_headlight", {"HEADLIGHT", "ATEST"}},
    {"CarMirror6", "ps_main", {}},
};

const ShaderRow ComputeShaderCatalogue[COMPUTE_SHADER_COUNT + 1] = {
    {"", "", {}},
    {"Occlusion2", "cs_occlusion", {}},
    {"Exposure1", "cs_exposure", {}},
    {"Echo2", "cs_echo", {}},
};

namespace {

const char* const VARIANT_WORDS[4] = {"WORLD", "WORLD_SHADOW", "CAR", "CAR_SHADOW"};

void Show(const char* text) { ReportLine(text, REPORT_MESSAGE); }

enum LoadResult { LOAD_OK = 0, LOAD_REPORTED = 1, LOAD_LOGGED = 2, LOAD_WAITING = 3 };

// The essential shaders, and the error text of each one's last failure.  Each must be read
// for the device to stand; those the first frame draws with (text and pictures) are compiled
// with the device, the plain colour one when first drawn with, like the rest.
struct EssentialShader {
  const char* prefix;
  int number;
  bool compiledWithDevice;
};
constexpr EssentialShader ESSENTIAL_SHADERS[] = {{"vs", 5, true}, {"ps", 23, false}, {"ps", 24, true}};
constexpr int ESSENTIAL_COUNT = int(sizeof ESSENTIAL_SHADERS / sizeof ESSENTIAL_SHADERS[0]);
char g_essentialError[ESSENTIAL_COUNT][640];

int EssentialIndex(const char* prefix, int fileNumber) {
  for (int i = 0; i < ESSENTIAL_COUNT; ++i)
    if (ESSENTIAL_SHADERS[i].number == fileNumber && std::strcmp(ESSENTIAL_SHADERS[i].prefix, prefix) == 0) return i;
  return -1;
}

int StageIndex(const char* prefix) { return prefix[0] == 'v' ? 0 : prefix[0] == 'p' ? 1 : 2; }

// Sources not shipped yet are logged once in a run, however often the device is made.
uint8_t g_unshippedLogged[3][PIXEL_SHADER_SLOTS];

uint8_t& UnshippedLogged(const char* prefix, int fileNumber) {
  return g_unshippedLogged[StageIndex(prefix)][fileNumber % PIXEL_SHADER_SLOTS];
}

// The sources read when the device was made and compiled when first bound (compiling every
// shader at once would cost the start more than anything it draws first).
std::string g_waitingSource[3][PIXEL_SHADER_SLOTS];

std::string& WaitingSource(const char* prefix, int fileNumber) {
  return g_waitingSource[StageIndex(prefix)][fileNumber % PIXEL_SHADER_SLOTS];
}

void ShaderPath(char* path, size_t size, const char* prefix, int fileNumber) {
  std::snprintf(path, size, "%s/%s_%d.glsl", ShaderFolder, prefix, fileNumber);
}

// The message of a missing source, shown now: something draws with a shader not shipped.
void ShowMissingSource(const char* prefix, const char* openText, int fileNumber) {
  char path[320], line[400];
  ShaderPath(path, sizeof path, prefix, fileNumber);
  std::snprintf(line, sizeof line, "%s (%s)", openText, path);
  Show(line);
}

// Reads a whole file; an empty or missing file counts as not opened.
bool ReadSource(const char* path, std::vector<char>* out) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (size <= 0) {
    std::fclose(f);
    return false;
  }
  out->resize(size_t(size));
  size_t got = std::fread(out->data(), 1, size_t(size), f);
  std::fclose(f);
  return got == size_t(size);
}

// Replaces each line '#include "name"' by the file of that name in the folder (shared code of
// one source's entry points), up to 4 levels deep.  False with the path of a file that could
// not be read.
bool ExpandIncludes(const char* folder, std::vector<char>* source, int depth, std::string* missing) {
  static const char DIRECTIVE[] = "#include \"";
  std::string text(source->begin(), source->end()), out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    size_t close = line.rfind('"');
    if (line.compare(0, sizeof DIRECTIVE - 1, DIRECTIVE) == 0 && close >= sizeof DIRECTIVE - 1) {
      std::string path = std::string(folder) + "/" + line.substr(sizeof DIRECTIVE - 1, close - (sizeof DIRECTIVE - 1));
      std::vector<char> included;
      if (depth >= 4 || !ReadSource(path.c_str(), &included) || !ExpandIncludes(folder, &included, depth + 1, missing)) {
        if (missing->empty()) *missing = path;
        return false;
      }
      out.append(included.begin(), included.end());
      if (out.empty() || out.back() != '\n') out += '\n';
    } else {
      out.append(line);
      out += '\n';
    }
    at = end + 1;
  }
  source->assign(out.begin(), out.end());
  return true;
}

// A source with its includes, from the folder; false with the path of a file that could not
// be read in missing (empty when the source itself could not).
bool ReadExpanded(const char* folder, const char* path, std::vector<char>* source, std::string* missing) {
  return ReadSource(path, source) && ExpandIncludes(folder, source, 0, missing);
}

// The sources the start-up reads on a worker while the window system starts, each taken by
// the device's first load of its slot.
struct ReadAhead {
  bool read = false;
  bool ok = false;
  std::vector<char> source;
  std::string missing;
};
ReadAhead g_readAhead[3][PIXEL_SHADER_SLOTS];
char g_readAheadFolder[sizeof ShaderFolder];
std::jthread g_readAheadWorker;

void ReadAheadSlot(const char* prefix, int fileNumber) {
  char path[320];
  std::snprintf(path, sizeof path, "%s/%s_%d.glsl", g_readAheadFolder, prefix, fileNumber);
  ReadAhead& r = g_readAhead[StageIndex(prefix)][fileNumber % PIXEL_SHADER_SLOTS];
  r.ok = ReadExpanded(g_readAheadFolder, path, &r.source, &r.missing);
  r.read = true;
}

// The slot's source read ahead, moved out; false when it was not read ahead (or from another
// folder).
bool TakeReadAhead(const char* prefix, int fileNumber, std::vector<char>* source, std::string* missing, bool* ok) {
  if (g_readAheadWorker.joinable()) g_readAheadWorker.join();
  ReadAhead& r = g_readAhead[StageIndex(prefix)][fileNumber % PIXEL_SHADER_SLOTS];
  if (!r.read) return false;
  const bool sameFolder = std::strcmp(g_readAheadFolder, ShaderFolder) == 0;
  if (sameFolder) {
    *source = std::move(r.source);
    *missing = std::move(r.missing);
    *ok = r.ok;
  }
  r = ReadAhead();
  return sameFolder;
}

// Layout elements: 2 and 3 are position, colour, uv (24 bytes); 1 adds normal and a packed
// specular colour (32 bytes).
void MakeLayout(int layout, GfxVertexShader shader) {
  if (Shaders.layouts[layout]) return;
  static const GfxInputElementDesc WIDE[] = {
      {"POSITION", 0, GFX_FORMAT_R32G32B32_FLOAT, 0, 0, GFX_INPUT_PER_VERTEX, 0},
      {"NORMAL", 0, GFX_FORMAT_R8G8B8A8_SNORM, 0, 12, GFX_INPUT_PER_VERTEX, 0},
      {"COLOR", 0, GFX_FORMAT_B8G8R8A8_UNORM, 0, 16, GFX_INPUT_PER_VERTEX, 0},
      {"COLOR", 1, GFX_FORMAT_R11G11B10_FLOAT, 0, 20, GFX_INPUT_PER_VERTEX, 0},
      {"TEXCOORD", 0, GFX_FORMAT_R32G32_FLOAT, 0, 24, GFX_INPUT_PER_VERTEX, 0},
  };
  static const GfxInputElementDesc NARROW[] = {
      {"POSITION", 0, GFX_FORMAT_R32G32B32_FLOAT, 0, 0, GFX_INPUT_PER_VERTEX, 0},
      {"COLOR", 0, GFX_FORMAT_B8G8R8A8_UNORM, 0, 12, GFX_INPUT_PER_VERTEX, 0},
      {"TEXCOORD", 0, GFX_FORMAT_R32G32_FLOAT, 0, 16, GFX_INPUT_PER_VERTEX, 0},
  };
  if (layout == 1) GfxCreateInputLayout(Gfx.device, WIDE, 5, shader, &Shaders.layouts[1]);
  else GfxCreateInputLayout(Gfx.device, NARROW, 3, shader, &Shaders.layouts[layout]);
}

// The compiler's first line, without the line end.
void FirstLine(char* out, size_t size, const char* text) {
  const size_t length = std::strcspn(text, "\r\n");
  std::snprintf(out, size, "%.*s", int(std::min(length, size - 1)), text);
}

// Compiles a source read from the file; a failure is logged and shown with the compiler's
// first line.
template <class Handle, class Create>
LoadResult CompileShader(const char* prefix, const char* createText, const ShaderRow& row, int fileNumber,
                         const char* source, size_t length, Handle* out, Create create) {
  GfxResult r = create(Gfx.device, source, length, out);
  if (!GfxFailed(r)) return LOAD_OK;
  char path[320], compiler[200], line[400];
  ShaderPath(path, sizeof path, prefix, fileNumber);
  FirstLine(compiler, sizeof compiler, GfxLastShaderLog());
  const int essential = EssentialIndex(prefix, fileNumber);
  if (essential >= 0)
    std::snprintf(g_essentialError[essential], sizeof g_essentialError[essential], "%s (%s) : %s", createText, path,
                  compiler);
  std::snprintf(line, sizeof line, "%s (%s) %s", createText, row.source, HResultName(uint32_t(r)));
  LogLine(line);
  LogF("%s : %.120s", path, compiler);
  Show(line);
  return LOAD_REPORTED;
}

// Reads the source (a missing one is reported at once); then compiles it, or with mayWait
// keeps it for its first use (the interface's own shaders are always compiled).
template <class Handle, class Create>
LoadResult LoadShaderFile(const char* prefix, const char* openText, const char* createText, const ShaderRow& row,
                          int fileNumber, Handle* out, Create create, bool mayWait) {
  char path[320];
  ShaderPath(path, sizeof path, prefix, fileNumber);
  const int essential = EssentialIndex(prefix, fileNumber);
  std::vector<char> source;
  char line[400];
  std::string missing;
  WaitingSource(prefix, fileNumber).clear();
  bool read = false;
  if (!TakeReadAhead(prefix, fileNumber, &source, &missing, &read))
    read = ReadExpanded(ShaderFolder, path, &source, &missing);
  if (!read) {
    std::snprintf(line, sizeof line, "%s (%s)", openText, missing.empty() ? path : missing.c_str());
    if (essential >= 0) std::snprintf(g_essentialError[essential], sizeof g_essentialError[essential], "%s", line);
    if (missing.empty() && !ShaderShipped(prefix, fileNumber)) {
      uint8_t& logged = UnshippedLogged(prefix, fileNumber);
      if (!logged) LogLine(line);
      logged = 1;
      return LOAD_LOGGED;
    }
    LogLine(line);
    Show(line);
    return LOAD_REPORTED;
  }
  if (mayWait && (essential < 0 || !ESSENTIAL_SHADERS[essential].compiledWithDevice)) {
    WaitingSource(prefix, fileNumber).assign(source.begin(), source.end());
    return LOAD_WAITING;
  }
  return CompileShader(prefix, createText, row, fileNumber, source.data(), source.size(), out, create);
}

// Compiles a source kept for its first use.
template <class Handle, class Create>
LoadResult CompileWaiting(const char* prefix, const char* createText, const ShaderRow& row, int fileNumber,
                          Handle* out, Create create) {
  std::string source = std::move(WaitingSource(prefix, fileNumber));
  WaitingSource(prefix, fileNumber).clear();
  return CompileShader(prefix, createText, row, fileNumber, source.data(), source.size(), out, create);
}

// The layout that the vertex shader's inputs match, made once when such a shader is read (a
// layout describes the vertices, not the compiled shader: a shader waiting for its first use
// still gives its layout).
void MakeLayoutOf(int number, GfxVertexShader shader) {
  if (number == 5) MakeLayout(3, shader);
  if (number == 10) MakeLayout(2, shader);
  if (number == 11) MakeLayout(1, shader);
}

constexpr const char* VERTEX_CREATE_TEXT = "Could not create vertex shader";
constexpr const char* PIXEL_CREATE_TEXT = "Could not create pixel shader";
constexpr const char* COMPUTE_CREATE_TEXT = "Could not create compute shader";

LoadResult LoadVertex(int number, GfxVertexShader* out, int fileNumber, bool mayWait = false) {
  if (number < 1 || number > VERTEX_SHADER_COUNT) return LOAD_REPORTED;
  LoadResult r = LoadShaderFile("vs", "Could not open vertex shader", VERTEX_CREATE_TEXT, VertexShaderCatalogue[number],
                                fileNumber, out, GfxCreateVertexShader, mayWait);
  if (r == LOAD_OK || r == LOAD_WAITING) MakeLayoutOf(number, *out);
  return r;
}

LoadResult LoadPixel(int number, GfxPixelShader* out, int fileNumber, bool mayWait = false) {
  if (number < 1 || number > PIXEL_SHADER_COUNT) return LOAD_REPORTED;
  return LoadShaderFile("ps", "Could not open pixel shader", PIXEL_CREATE_TEXT, PixelShaderCatalogue[number],
                        fileNumber, out, GfxCreatePixelShader, mayWait);
}

LoadResult LoadCompute(int number, GfxComputeShader* out, int fileNumber, bool mayWait = false) {
  if (number < 1 || number > COMPUTE_SHADER_COUNT) return LOAD_REPORTED;
  if (Gfx.featureLevel < GFX_FEATURE_LEVEL_11_0) {
    char line[160];
    std::snprintf(line, sizeof line, "%s (%s)", "Could not open compute shader", ComputeShaderCatalogue[number].source);
    Show(line);
    return LOAD_REPORTED;
  }
  return LoadShaderFile("cs", "Could not open compute shader", COMPUTE_CREATE_TEXT, ComputeShaderCatalogue[number],
                        fileNumber, out, GfxCreateComputeShader, mayWait);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

int VertexShaderVariants(int number) {
  if (number == 12 || number == 13) return 4;
  if (number >= 14 && number <= 16) return 2;
  return 1;
}

int PixelShaderHasShadowVariant(int number) { return number >= 38 && number <= 46; }

const char* ShaderVariantWord(int variant) { return VARIANT_WORDS[variant & 3]; }

int LoadVertexShaderFile(int number, GfxVertexShader* out, int fileNumber) {
  return LoadVertex(number, out, fileNumber) != LOAD_OK;
}

int LoadPixelShaderFile(int number, GfxPixelShader* out, int fileNumber) {
  return LoadPixel(number, out, fileNumber) != LOAD_OK;
}

int LoadComputeShaderFile(int number, GfxComputeShader* out, int fileNumber) {
  return LoadCompute(number, out, fileNumber) != LOAD_OK;
}

void LoadAllVertexShaders() {
  for (int n = 1; n <= VERTEX_SHADER_COUNT; ++n) {
    for (int v = 0; v < VertexShaderVariants(n); ++v) {
      int slot = n + v * 27;
      if (Shaders.vertex[slot]) continue;
      Shaders.vertexFailed[slot] = uint8_t(LoadVertex(n, &Shaders.vertex[slot], slot, true));
    }
  }
}

void LoadAllPixelShaders() {
  for (int n = 1; n <= PIXEL_SHADER_COUNT; ++n) {
    for (int shadow = 0; shadow <= PixelShaderHasShadowVariant(n); ++shadow) {
      int slot = n + shadow * 61;
      if (Shaders.pixel[slot]) continue;
      Shaders.pixelFailed[slot] = uint8_t(LoadPixel(n, &Shaders.pixel[slot], slot, true));
    }
  }
}

void LoadAllComputeShaders() {
  if (Gfx.featureLevel >= GFX_FEATURE_LEVEL_11_0) {  // else the set counts as complete
    for (int n = 1; n <= COMPUTE_SHADER_COUNT; ++n) {
      if (Shaders.compute[n]) continue;
      Shaders.computeFailed[n] = uint8_t(LoadCompute(n, &Shaders.compute[n], n, true));
    }
  }
  ForgetPreparedShaderSources();  // the last of the three loads
}

void PrepareShaderSources() {
  ForgetPreparedShaderSources();
  std::snprintf(g_readAheadFolder, sizeof g_readAheadFolder, "%s", ShaderFolder);
  g_readAheadWorker = std::jthread([] {
    for (int n = 1; n <= VERTEX_SHADER_COUNT; ++n)
      for (int v = 0; v < VertexShaderVariants(n); ++v) ReadAheadSlot("vs", n + v * 27);
    for (int n = 1; n <= PIXEL_SHADER_COUNT; ++n)
      for (int shadow = 0; shadow <= PixelShaderHasShadowVariant(n); ++shadow) ReadAheadSlot("ps", n + shadow * 61);
    for (int n = 1; n <= COMPUTE_SHADER_COUNT; ++n) ReadAheadSlot("cs", n);
  });
}

void ForgetPreparedShaderSources() {
  if (g_readAheadWorker.joinable()) g_readAheadWorker.join();
  for (auto& stage : g_readAhead)
    for (ReadAhead& r : stage) r = ReadAhead();
}

void CompileWaitingShaders() {
  for (int slot = 0; slot < VERTEX_SHADER_SLOTS; ++slot)
    if (Shaders.vertexFailed[slot] == LOAD_WAITING)
      Shaders.vertexFailed[slot] = uint8_t(CompileWaiting("vs", VERTEX_CREATE_TEXT, VertexShaderCatalogue[slot % 27], slot,
                                                          &Shaders.vertex[slot], GfxCreateVertexShader));
  for (int slot = 0; slot < PIXEL_SHADER_SLOTS; ++slot)
    if (Shaders.pixelFailed[slot] == LOAD_WAITING)
      Shaders.pixelFailed[slot] = uint8_t(CompileWaiting("ps", PIXEL_CREATE_TEXT, PixelShaderCatalogue[slot % 61], slot,
                                                         &Shaders.pixel[slot], GfxCreatePixelShader));
  for (int n = 1; n <= COMPUTE_SHADER_COUNT; ++n)
    if (Shaders.computeFailed[n] == LOAD_WAITING)
      Shaders.computeFailed[n] = uint8_t(CompileWaiting("cs", COMPUTE_CREATE_TEXT, ComputeShaderCatalogue[n], n,
                                                        &Shaders.compute[n], GfxCreateComputeShader));
}

void SetRenderStateSelector(int selector) {
  VertexShaderOverride = selector >= 0 && selector <= VERTEX_SHADER_COUNT ? selector : 0;
}

void Material::SetVShader(int number) {
  if (VertexShaderOverride) number = VertexShaderOverride;
  int variant = ShaderCarFlag * 2 + ShaderShadowFlag;
  if (number < 0 || number > VERTEX_SHADER_COUNT) number = 0;
  // Where the asked variant does not exist the shadow bit is kept if it can be, else variant 0.
  variant &= VertexShaderVariants(number) - 1;
  int slot = number + variant * 27;
  if (slot == Shaders.boundVertexSlot) return;
  Shaders.vertexValid = 1;
  Shaders.boundVertexSlot = slot;
  Shaders.boundVertexNumber = number;
  if (number != 0 && !Shaders.vertex[slot]) {
    if (Shaders.vertexFailed[slot] == LOAD_WAITING) {
      Shaders.vertexFailed[slot] = uint8_t(CompileWaiting("vs", VERTEX_CREATE_TEXT, VertexShaderCatalogue[number], slot,
                                                          &Shaders.vertex[slot], GfxCreateVertexShader));
      Shaders.vertexValid = Shaders.vertexFailed[slot] == LOAD_OK;
    } else if (Shaders.vertexFailed[slot]) {
      if (Shaders.vertexFailed[slot] == LOAD_LOGGED) ShowMissingSource("vs", "Could not open vertex shader", slot);
      Shaders.vertexFailed[slot] = LOAD_REPORTED;
      Shaders.vertexValid = 0;
    } else {
      const ShaderRow& row = VertexShaderCatalogue[number];
      char line[200];
      std::snprintf(line, sizeof line, "V shader %d was not loaded : %s %s %s", number, row.source, row.entry,
                    ShaderVariantWord(variant));
      Show(line);
      if (LoadVertex(number, &Shaders.vertex[slot], slot) != LOAD_OK) {
        Shaders.vertexValid = 0;
        Shaders.vertexFailed[slot] = LOAD_REPORTED;
      }
    }
  }
  GfxVSSetShader(Gfx.context, number ? Shaders.vertex[slot] : GfxVertexShader{});
  ++Gfx.shaderChanges;
}

void Material::SetPShader(int number) {
  if (PixelShaderOverride) number = PixelShaderOverride;
  if (number < 0 || number > PIXEL_SHADER_COUNT) number = 0;
  int shadow = PixelShaderHasShadowVariant(number) ? ShaderShadowFlag : 0;
  int slot = number + shadow * 61;
  if (slot == Shaders.boundPixelSlot) return;
  Shaders.pixelValid = 1;
  Shaders.boundPixelSlot = slot;
  Shaders.boundPixelNumber = number;
  if (number != 0 && !Shaders.pixel[slot]) {
    if (Shaders.pixelFailed[slot] == LOAD_WAITING) {
      Shaders.pixelFailed[slot] = uint8_t(CompileWaiting("ps", PIXEL_CREATE_TEXT, PixelShaderCatalogue[number], slot,
                                                         &Shaders.pixel[slot], GfxCreatePixelShader));
      Shaders.pixelValid = Shaders.pixelFailed[slot] == LOAD_OK;
    } else if (Shaders.pixelFailed[slot]) {
      if (Shaders.pixelFailed[slot] == LOAD_LOGGED) ShowMissingSource("ps", "Could not open pixel shader", slot);
      Shaders.pixelFailed[slot] = LOAD_REPORTED;
      Shaders.pixelValid = 0;
    } else {
      const ShaderRow& row = PixelShaderCatalogue[number];
      char line[200];
      std::snprintf(line, sizeof line, "P shader %d was not loaded : %s %s %s", number, row.source, row.entry,
                    ShaderVariantWord(ShaderCarFlag * 2 + ShaderShadowFlag));
      Show(line);
      if (LoadPixel(number, &Shaders.pixel[slot], slot) != LOAD_OK) {
        Shaders.pixelValid = 0;
        Shaders.pixelFailed[slot] = LOAD_REPORTED;
      }
    }
  }
  GfxPSSetShader(Gfx.context, number ? Shaders.pixel[slot] : GfxPixelShader{});
  ++Gfx.shaderChanges;
}

void Material::SetCShader(int number) {
  if (number < 0 || number > COMPUTE_SHADER_COUNT) number = 0;
  if (number == Shaders.boundCompute) return;
  Shaders.boundCompute = number;
  if (number != 0 && Shaders.computeFailed[number] == LOAD_LOGGED) {
    ShowMissingSource("cs", "Could not open compute shader", number);
    Shaders.computeFailed[number] = LOAD_REPORTED;
  }
  if (number != 0 && Shaders.computeFailed[number] == LOAD_WAITING)
    Shaders.computeFailed[number] = uint8_t(CompileWaiting("cs", COMPUTE_CREATE_TEXT, ComputeShaderCatalogue[number],
                                                           number, &Shaders.compute[number], GfxCreateComputeShader));
  if (number != 0 && !Shaders.compute[number] && !Shaders.computeFailed[number]) {
    const ShaderRow& row = ComputeShaderCatalogue[number];
    char line[200];
    std::snprintf(line, sizeof line, "C shader %d was not loaded : %s %s", number, row.source, row.entry);
    Show(line);
    if (LoadCompute(number, &Shaders.compute[number], number) != LOAD_OK) Shaders.computeFailed[number] = LOAD_REPORTED;
  }
  GfxCSSetShader(Gfx.context, number ? Shaders.compute[number] : GfxComputeShader{});
}

void Material::EnableVertexDeclaration(int layout) {
  if (layout < 1 || layout > VERTEX_LAYOUT_COUNT || layout == Shaders.boundLayout) return;
  Shaders.boundLayout = layout;
  GfxIASetInputLayout(Gfx.context, Shaders.layouts[layout]);
}

void EnablePartVertexDeclaration(const Material* material) {
  Material::EnableVertexDeclaration(material ? material->layout : 1);
}

void ReleaseShaders(const char* prefix) {
  auto matches = [prefix](const ShaderRow& row) { return !prefix || StartsWithNoCase(row.source, prefix); };
  for (int slot = 0; slot < VERTEX_SHADER_SLOTS; ++slot) {
    int number = slot % 27;
    if (number == 0 || !matches(VertexShaderCatalogue[number])) continue;
    GfxRelease(Shaders.vertex[slot]);
    WaitingSource("vs", slot).clear();
    Shaders.vertexFailed[slot] = 0;
    if (Shaders.boundVertexSlot == slot) Shaders.boundVertexSlot = -1;
  }
  for (int slot = 0; slot < PIXEL_SHADER_SLOTS; ++slot) {
    int number = slot % 61;
    if (number == 0 || !matches(PixelShaderCatalogue[number])) continue;
    GfxRelease(Shaders.pixel[slot]);
    WaitingSource("ps", slot).clear();
    Shaders.pixelFailed[slot] = 0;
    if (Shaders.boundPixelSlot == slot) Shaders.boundPixelSlot = -1;
  }
  for (int n = 1; n <= COMPUTE_SHADER_COUNT; ++n) {
    if (!matches(ComputeShaderCatalogue[n])) continue;
    GfxRelease(Shaders.compute[n]);
    WaitingSource("cs", n).clear();
    Shaders.computeFailed[n] = 0;
    if (Shaders.boundCompute == n) Shaders.boundCompute = -1;
  }
}

void ReleaseVertexLayouts() {
  for (GfxInputLayout& layout : Shaders.layouts) GfxRelease(layout);
  Shaders.boundLayout = -1;
}

int DrawsAllowed() { return Shaders.vertexValid && Shaders.pixelValid; }

int ShaderShipped(const char* prefix, int fileNumber) {
  char name[16];
  std::snprintf(name, sizeof name, "%s_%d", prefix, fileNumber);
  for (int i = 0; i < SHIPPED_SHADER_COUNT; ++i)
    if (std::strcmp(ShippedShaderNames[i], name) == 0) return 1;
  return 0;
}

void ResetShaderReports() { std::memset(g_unshippedLogged, 0, sizeof g_unshippedLogged); }

const char* EssentialShaderError() {
  for (int i = 0; i < ESSENTIAL_COUNT; ++i) {
    const EssentialShader& e = ESSENTIAL_SHADERS[i];
    const bool loaded = e.prefix[0] == 'v' ? bool(Shaders.vertex[e.number]) : bool(Shaders.pixel[e.number]);
    const uint8_t failed = e.prefix[0] == 'v' ? Shaders.vertexFailed[e.number] : Shaders.pixelFailed[e.number];
    if (loaded || failed == LOAD_WAITING) continue;
    if (!g_essentialError[i][0])
      std::snprintf(g_essentialError[i], sizeof g_essentialError[i], "Could not load shader %s_%d", e.prefix, e.number);
    return g_essentialError[i];
  }
  return nullptr;
}
