// gfx_local.h - what the graphics layer's files share: the GL function table, the object
// pools, the immediate context's bound state and the shadow of GL's own state.
// Only platform/gfx*.cpp and the layer's tests include this.
#pragma once
#include "platform/gfx.h"

#include <GL/glcorearb.h>

#include <string>
#include <unordered_map>
#include <vector>

// ---- [GL functions] ----
// Only these are called; each is looked up by name when the context is made.
#define GFX_GL_FUNCTIONS(X)                                                                        \
  X(GetString, PFNGLGETSTRINGPROC) X(GetIntegerv, PFNGLGETINTEGERVPROC) X(GetError, PFNGLGETERRORPROC) \
  X(Enable, PFNGLENABLEPROC) X(Disable, PFNGLDISABLEPROC) X(ClipControl, PFNGLCLIPCONTROLPROC)       \
  X(ViewportIndexedf, PFNGLVIEWPORTINDEXEDFPROC) X(DepthRangeIndexed, PFNGLDEPTHRANGEINDEXEDPROC)     \
  X(ScissorIndexed, PFNGLSCISSORINDEXEDPROC) X(BlendFuncSeparate, PFNGLBLENDFUNCSEPARATEPROC)         \
  X(BlendEquationSeparate, PFNGLBLENDEQUATIONSEPARATEPROC) X(ColorMask, PFNGLCOLORMASKPROC)           \
  X(BlendColor, PFNGLBLENDCOLORPROC) X(DepthFunc, PFNGLDEPTHFUNCPROC) X(DepthMask, PFNGLDEPTHMASKPROC) \
  X(StencilFuncSeparate, PFNGLSTENCILFUNCSEPARATEPROC) X(StencilOpSeparate, PFNGLSTENCILOPSEPARATEPROC) \
  X(StencilMask, PFNGLSTENCILMASKPROC) X(CullFace, PFNGLCULLFACEPROC) X(FrontFace, PFNGLFRONTFACEPROC) \
  X(PolygonMode, PFNGLPOLYGONMODEPROC) X(PolygonOffset, PFNGLPOLYGONOFFSETPROC)                       \
  X(GenBuffers, PFNGLGENBUFFERSPROC) X(DeleteBuffers, PFNGLDELETEBUFFERSPROC)                        \
  X(BindBuffer, PFNGLBINDBUFFERPROC) X(BufferData, PFNGLBUFFERDATAPROC)                              \
  X(BufferSubData, PFNGLBUFFERSUBDATAPROC) X(GetBufferSubData, PFNGLGETBUFFERSUBDATAPROC)            \
  X(BindBufferBase, PFNGLBINDBUFFERBASEPROC) X(ClearBufferSubData, PFNGLCLEARBUFFERSUBDATAPROC)      \
  X(CopyBufferSubData, PFNGLCOPYBUFFERSUBDATAPROC) X(MapBufferRange, PFNGLMAPBUFFERRANGEPROC)       \
  X(UnmapBuffer, PFNGLUNMAPBUFFERPROC)                                                               \
  X(GenTextures, PFNGLGENTEXTURESPROC) X(DeleteTextures, PFNGLDELETETEXTURESPROC)                    \
  X(BindTexture, PFNGLBINDTEXTUREPROC) X(ActiveTexture, PFNGLACTIVETEXTUREPROC)                      \
  X(TexStorage2D, PFNGLTEXSTORAGE2DPROC) X(TexStorage2DMultisample, PFNGLTEXSTORAGE2DMULTISAMPLEPROC) \
  X(TexSubImage2D, PFNGLTEXSUBIMAGE2DPROC) X(CompressedTexSubImage2D, PFNGLCOMPRESSEDTEXSUBIMAGE2DPROC) \
  X(TexParameteri, PFNGLTEXPARAMETERIPROC) X(TextureView, PFNGLTEXTUREVIEWPROC)                      \
  X(GenerateMipmap, PFNGLGENERATEMIPMAPPROC) X(GetTexImage, PFNGLGETTEXIMAGEPROC)                    \
  X(GetCompressedTexImage, PFNGLGETCOMPRESSEDTEXIMAGEPROC) X(CopyImageSubData, PFNGLCOPYIMAGESUBDATAPROC) \
  X(PixelStorei, PFNGLPIXELSTOREIPROC)                                                              \
  X(GenSamplers, PFNGLGENSAMPLERSPROC) X(DeleteSamplers, PFNGLDELETESAMPLERSPROC)                    \
  X(BindSampler, PFNGLBINDSAMPLERPROC) X(SamplerParameteri, PFNGLSAMPLERPARAMETERIPROC)              \
  X(SamplerParameterf, PFNGLSAMPLERPARAMETERFPROC) X(SamplerParameterfv, PFNGLSAMPLERPARAMETERFVPROC) \
  X(GenFramebuffers, PFNGLGENFRAMEBUFFERSPROC) X(DeleteFramebuffers, PFNGLDELETEFRAMEBUFFERSPROC)    \
  X(BindFramebuffer, PFNGLBINDFRAMEBUFFERPROC) X(FramebufferTexture2D, PFNGLFRAMEBUFFERTEXTURE2DPROC) \
  X(CheckFramebufferStatus, PFNGLCHECKFRAMEBUFFERSTATUSPROC) X(BlitFramebuffer, PFNGLBLITFRAMEBUFFERPROC) \
  X(ReadPixels, PFNGLREADPIXELSPROC) X(ClearBufferfv, PFNGLCLEARBUFFERFVPROC)                        \
  X(ClearBufferfi, PFNGLCLEARBUFFERFIPROC) X(ClearBufferiv, PFNGLCLEARBUFFERIVPROC)                  \
  X(ReadBuffer, PFNGLREADBUFFERPROC)                 \
  X(DrawBuffers, PFNGLDRAWBUFFERSPROC)                                                              \
  X(CreateShader, PFNGLCREATESHADERPROC) X(ShaderSource, PFNGLSHADERSOURCEPROC)                      \
  X(CompileShader, PFNGLCOMPILESHADERPROC) X(GetShaderiv, PFNGLGETSHADERIVPROC)                      \
  X(GetShaderInfoLog, PFNGLGETSHADERINFOLOGPROC) X(DeleteShader, PFNGLDELETESHADERPROC)              \
  X(CreateProgram, PFNGLCREATEPROGRAMPROC) X(AttachShader, PFNGLATTACHSHADERPROC)                    \
  X(DetachShader, PFNGLDETACHSHADERPROC) X(LinkProgram, PFNGLLINKPROGRAMPROC)                        \
  X(GetProgramiv, PFNGLGETPROGRAMIVPROC) X(GetProgramInfoLog, PFNGLGETPROGRAMINFOLOGPROC)            \
  X(DeleteProgram, PFNGLDELETEPROGRAMPROC) X(UseProgram, PFNGLUSEPROGRAMPROC)                        \
  X(ProgramParameteri, PFNGLPROGRAMPARAMETERIPROC) X(ProgramBinary, PFNGLPROGRAMBINARYPROC)          \
  X(GetProgramBinary, PFNGLGETPROGRAMBINARYPROC)                                                     \
  X(GenVertexArrays, PFNGLGENVERTEXARRAYSPROC) X(DeleteVertexArrays, PFNGLDELETEVERTEXARRAYSPROC)    \
  X(BindVertexArray, PFNGLBINDVERTEXARRAYPROC) X(EnableVertexAttribArray, PFNGLENABLEVERTEXATTRIBARRAYPROC) \
  X(VertexAttribFormat, PFNGLVERTEXATTRIBFORMATPROC) X(VertexAttribIFormat, PFNGLVERTEXATTRIBIFORMATPROC) \
  X(VertexAttribBinding, PFNGLVERTEXATTRIBBINDINGPROC) X(BindVertexBuffer, PFNGLBINDVERTEXBUFFERPROC) \
  X(DrawArrays, PFNGLDRAWARRAYSPROC) X(DrawElementsBaseVertex, PFNGLDRAWELEMENTSBASEVERTEXPROC)      \
  X(DispatchCompute, PFNGLDISPATCHCOMPUTEPROC) X(MemoryBarrier, PFNGLMEMORYBARRIERPROC)              \
  X(Flush, PFNGLFLUSHPROC) X(Finish, PFNGLFINISHPROC) X(ClearColor, PFNGLCLEARCOLORPROC)                \
  X(Clear, PFNGLCLEARPROC) X(GetFramebufferAttachmentParameteriv, PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC)

struct GfxGlTable {
#define GFX_GL_MEMBER(name, type) type name;
  GFX_GL_FUNCTIONS(GFX_GL_MEMBER)
#undef GFX_GL_MEMBER
  uint64_t calls;
};
extern GfxGlTable g_gl;
// Every GL call goes through this, so the call counter sees it.
#define GL(name) (++g_gl.calls, g_gl.name)

// ---- [Context creation] ----  (gfx_gl.cpp)
// Makes and binds the one GL context; false with a log line on failure.
bool GfxGlCreateContext(char* error, size_t errorSize);
void GfxGlDestroyContext();
bool GfxGlContextExists();
bool GfxGlUsesSdl();
// Makes the context current on the SDL window (null: the context's own hidden surface).
bool GfxGlBindWindow(void* window);
void GfxGlSwapWindow(void* window);
// How a window can be shown a part of the back buffer at a time (gfx_window_part.cpp):
// not at all, by drawing the part into a window buffer that presentation leaves alone, or by
// drawing it into the back buffer and copying that rectangle (GL's rows, from the bottom).
enum GfxWindowPart { WINDOW_PART_NONE, WINDOW_PART_KEPT_BUFFER, WINDOW_PART_COPY_SUB_BUFFER };
GfxWindowPart GfxWindowPartKind(void* window);
void GfxShowWindowPart(void* window, int x, int y, int width, int height);  // after drawing the part
void GfxForgetWindowPart();  // the window went
void GfxGlSetSwapInterval(int interval);
void GfxGlWindowClientSize(void* window, int* width, int* height);

// ---- [Objects] ----
// Every object has a serial number given once (an id is given again after a release); buffers
// and textures also carry the fingerprint of what they hold (gfx_fingerprint.cpp).
struct GfxBufferObj {
  uint32_t refs = 0;
  uint64_t serial = 0, content = 0;
  GfxBufferDesc desc;
  GLuint gl = 0;
  std::vector<uint8_t> cpu;  // staging contents
  uint32_t mapped = 0;       // GfxMap type while mapped
  bool noted = false;        // a write was noted while mapped
  uint64_t drawsAtStorage = 0;  // GfxDrawCount when its storage was made
};
struct GfxTextureObj {
  uint32_t refs = 0;
  uint64_t serial = 0, content = 0;
  GfxTexture2DDesc desc;  // mipLevels resolved
  GLuint gl = 0;          // 0 for staging textures
  GLenum target = 0;
  std::vector<uint8_t> cpu;           // staging: all levels, tightly packed
  std::vector<size_t> levelOffset;    // staging
  uint32_t swapChain = 0;             // the swap chain whose back buffer this is
  // A back buffer whose pixels are, for now, its window's own framebuffer (no storage of its
  // own: gl is 0): WINDOW_DRAWN until its first present, WINDOW_SHOWN after it.
  uint8_t window = 0;
  uint8_t swizzle[4] = {GFX_SWIZZLE_R, GFX_SWIZZLE_G, GFX_SWIZZLE_B, GFX_SWIZZLE_A};
};
enum GfxWindowBuffer : uint8_t { WINDOW_DRAWN = 1, WINDOW_SHOWN = 2 };
enum GfxViewKind : uint32_t { VIEW_RTV = 1, VIEW_DSV = 2, VIEW_SRV = 3, VIEW_UAV = 4 };
struct GfxViewObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GfxViewKind kind = VIEW_RTV;
  uint32_t texture = 0, buffer = 0;  // the resource, holding one of its references
  GfxViewDesc desc;
  GfxUavDesc uav;
  GLuint glView = 0;  // a reinterpreting texture view, or 0 to use the texture itself
  GLenum target = 0;
  uint32_t level = 0; // the texture level attached for render-target and depth views
};
struct GfxBlendObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GfxBlendDesc desc;
};
struct GfxRasterObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GfxRasterizerDesc desc;
};
struct GfxDepthObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GfxDepthStencilDesc desc;
};
struct GfxSamplerObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GfxSamplerDesc desc;
  GLuint gl = 0;
};
struct GfxShaderObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GLenum stage = 0;
  GLuint gl = 0;       // shader object
  GLuint program = 0;  // compute shaders are linked alone
  uint64_t hash = 0;   // of the source, for the program cache
  std::string source;  // kept uncompiled while a kept binary may stand in (gl is 0 meanwhile)
};
struct GfxLayoutObj {
  uint32_t refs = 0;
  uint64_t serial = 0;
  GLuint vao = 0;
  // The vertex and index buffers GL holds in this layout's VAO.
  GLuint vb = 0;
  uint32_t vbOffset = 0, vbStride = 0;
  GLuint ib = 0;
};

uint64_t GfxNextSerial();    // never the same twice in a run
uint64_t GfxFreshContent();  // a fingerprint nothing else has (gfx_fingerprint.cpp)

template <class T>
struct GfxPool {
  std::vector<T> items;  // id - 1
  std::vector<uint32_t> freeIds;
  uint32_t Add(const T& value) {
    uint32_t id;
    if (!freeIds.empty()) {
      id = freeIds.back();
      freeIds.pop_back();
      items[id - 1] = value;
    } else {
      items.push_back(value);
      id = uint32_t(items.size());
    }
    items[id - 1].refs = 1;
    items[id - 1].serial = GfxNextSerial();
    if constexpr (requires(T& t) { t.content; }) items[id - 1].content = GfxFreshContent();
    return id;
  }
  T* Get(uint32_t id) {
    if (id == 0 || id > items.size() || items[id - 1].refs == 0) return nullptr;
    return &items[id - 1];
  }
  void Free(uint32_t id) {
    items[id - 1] = T();
    freeIds.push_back(id);
  }
  int Live() const {
    int n = 0;
    for (const T& t : items) n += t.refs != 0;
    return n;
  }
};

// ---- [Bound state and GL shadow] ----
enum GfxDirty : uint32_t {
  DIRTY_TARGETS = 1u << 0, DIRTY_BLEND = 1u << 1, DIRTY_DEPTH = 1u << 2, DIRTY_RASTER = 1u << 3,
  DIRTY_VIEWPORT = 1u << 4, DIRTY_SCISSOR = 1u << 5, DIRTY_PROGRAM = 1u << 6, DIRTY_LAYOUT = 1u << 7,
  DIRTY_BUFFERS = 1u << 8, DIRTY_CONSTANTS = 1u << 9, DIRTY_TEXTURES = 1u << 10, DIRTY_SAMPLERS = 1u << 11,
  DIRTY_COMPUTE = 1u << 12, DIRTY_ALL = 0xFFFFFFFFu
};
constexpr int GFX_UBO_BINDINGS = 48;
constexpr int GFX_TEXTURE_UNITS = 9;
constexpr int GFX_SCRATCH_UNIT = 9;  // where textures are bound to be edited, away from drawing's units

struct GfxBound {  // what the renderer has set on the immediate context
  uint32_t rtv = 0, dsv = 0;
  uint32_t blend = 0, depth = 0, raster = 0;
  float blendFactor[4] = {1, 1, 1, 1};
  uint32_t stencilRef = 0;
  GfxViewport viewport;
  GfxRect scissor;
  uint32_t layout = 0;
  uint32_t vb = 0, vbStride = 0, vbOffset = 0;
  uint32_t ib = 0, ibOffset = 0;
  GfxFormat ibFormat = GFX_FORMAT_R16_UINT;
  GfxTopology topology = GFX_TOPOLOGY_UNDEFINED;
  uint32_t vs = 0, ps = 0, cs = 0;
  uint32_t cb[GFX_UBO_BINDINGS] = {};
  uint32_t srv[GFX_TEXTURE_UNITS] = {};  // units 0..7 pixel, 8 compute
  uint32_t sampler[GFX_PS_RESOURCE_SLOTS] = {};
  uint32_t uav[GFX_UAV_SLOTS] = {};
};

struct GfxShadow {  // what GL holds now (values the layer last gave it)
  GLuint drawFbo = 0, program = 0, vao = 0;  // drawFbo GFX_WINDOW_FRAMEBUFFER: the window's own
  bool windowOrigin = false;  // GL's clip origin is the lower left, as the window's rows run
  GLuint ubo[GFX_UBO_BINDINGS] = {};
  GLuint ssbo[GFX_UAV_SLOTS] = {};
  GLuint texture[GFX_TEXTURE_UNITS + 1] = {};
  GLenum textureTarget[GFX_TEXTURE_UNITS + 1] = {};
  GLuint sampler[GFX_PS_RESOURCE_SLOTS] = {};
  GLenum activeUnit = 0;
  // blend
  bool blendOn = false;
  GLenum src = GL_ONE, dst = GL_ZERO, srcA = GL_ONE, dstA = GL_ZERO, op = GL_FUNC_ADD, opA = GL_FUNC_ADD;
  uint8_t colorMask = 0xF;
  float blendColor[4] = {0, 0, 0, 0};
  bool alphaToCoverage = false;
  // depth and stencil
  bool depthOn = false, depthWrite = true, stencilOn = false;
  uint8_t stencilWriteMask = 0xFF;
  GLenum depthFunc = GL_LESS;
  // rasterizer
  bool cullOn = false, scissorOn = false, depthClamp = false, offsetOn = false;
  GLenum cullFace = GL_BACK, polygonMode = GL_FILL, frontFace = GL_CCW;
  float offsetFactor = 0, offsetUnits = 0;
  float viewport[4] = {-1, -1, -1, -1};
  float depthRange[2] = {-1, -1};
  int32_t scissor[4] = {-1, -1, -1, -1};
};

struct GfxFboKey {
  uint32_t rtv, dsv;
  bool operator==(const GfxFboKey&) const = default;
};
struct GfxFboKeyHash {
  size_t operator()(const GfxFboKey& k) const { return (size_t(k.rtv) << 32) ^ k.dsv; }
};

struct GfxState {
  bool deviceAlive = false;
  GfxFeatureLevel featureLevel = GFX_FEATURE_LEVEL_11_0;
  GfxFeatureLevel forcedLevel = GfxFeatureLevel(0);
  int maxSamples = 1;
  float maxAnisotropy = 1;
  GfxPool<GfxBufferObj> buffers;
  GfxPool<GfxTextureObj> textures;
  GfxPool<GfxViewObj> views;
  GfxPool<GfxBlendObj> blends;
  GfxPool<GfxRasterObj> rasters;
  GfxPool<GfxDepthObj> depths;
  GfxPool<GfxSamplerObj> samplers;
  GfxPool<GfxShaderObj> shaders;
  GfxPool<GfxLayoutObj> layouts;
  std::unordered_map<uint64_t, GLuint> programs;  // (vertex id << 32 | pixel id) -> linked program
  std::unordered_map<GfxFboKey, GLuint, GfxFboKeyHash> fbos;
  GfxLayoutObj emptyLayout;  // bound when no layout is: full-screen passes draw without vertices
  GLuint defaultSampler = 0;  // the sampler of a slot with none set (linear, clamped)
  GLuint copyFbo[2] = {0, 0};  // read and draw framebuffers for copies, resolves and read-back
  // The presentation pass (gfx_swap_chain.cpp): made at the first presentation; 0 when it
  // could not be made (the back buffer is then blitted).
  GLuint presentProgram = 0;
  GLuint presentSampler[2] = {0, 0};  // nearest (same size), linear (scaled)
  bool presentTried = false;
  GfxBound bound;
  GfxShadow gl;
  uint32_t dirty = DIRTY_ALL;
  uint64_t dirtyConstants = ~0ull;  // uniform-block bindings to look at
  uint32_t dirtyUnits = ~0u;        // texture units (and sampler slots) to look at
  GfxResult presentFault = GFX_OK;
  // The back buffer drawn in its window: the window, its height (the rows run the other way
  // there), and whether anything was drawn since its present.
  void* bufferWindow = nullptr;
  uint32_t windowHeight = 0;
  bool drawnInWindow = false;
};
extern GfxState g_gfx;

// ---- [Fingerprints] ----  (gfx_fingerprint.cpp)
uint64_t GfxHashWord(uint64_t hash, uint64_t word);
uint64_t GfxHashBytes(uint64_t hash, const void* bytes, size_t size);
// A draw into the bound targets: their fingerprints take it.  True when the colour target is
// the texture being skipped: the caller draws nothing.
bool GfxFingerprintDraw(uint32_t kind, uint32_t a, uint32_t b, int32_t c);
void GfxForgetDrawReach();  // a draw of nothing: the reach told for it goes with it
void GfxFingerprintDispatch(uint32_t x, uint32_t y, uint32_t z);
// A clear of the view with these values; true when it is skipped.
bool GfxFingerprintClear(uint32_t viewId, const float* values, int count);
// Bytes [begin, end) of the buffer written from system memory.
void GfxFingerprintBufferWrite(GfxBufferObj& buffer, uint32_t begin, uint32_t end, const void* bytes);
void GfxFingerprintMap(GfxBufferObj& buffer, uint32_t mapType);
void GfxFingerprintUnmap(GfxBufferObj& buffer);  // written without a note: a fresh fingerprint
// The other writes (copies of a region, resolves, mips, swizzles, cleared raw buffers): the
// new fingerprint from the old one (or the source's), the kind of write and two words of it.
enum GfxWriteKind : uint32_t { GFX_WRITE_REGION = 1, GFX_WRITE_RESOLVE, GFX_WRITE_MIPS, GFX_WRITE_SWIZZLE,
                               GFX_WRITE_CLEAR_UAV };
uint64_t GfxFingerprintWrite(uint64_t previous, uint32_t kind, uint64_t a, uint64_t b);

// ---- [Shared helpers] ----
void GfxContextReset();                      // fresh bindings and shadow after the context is made
void GfxForgetGlTexture(GLuint name);        // a texture name was deleted: drop it from the shadow
void GfxForgetGlBuffer(GLuint name);
void GfxForgetView(uint32_t viewId);         // drop cached framebuffers that use the view
void GfxBindTextureForEdit(GLenum target, GLuint name);  // binds on the scratch unit, shadow kept right
void GfxBindBufferForEdit(GLenum target, GLuint name);
// Binds the layer's read or draw framebuffer for copies with the texture's level as its one
// attachment.
void GfxAttachForCopy(GLenum which, const GfxTextureObj& t, uint32_t level);
GLuint GfxFramebufferFor(uint32_t rtv, uint32_t dsv);  // 0 when the pair cannot be drawn to
constexpr GLuint GFX_WINDOW_FRAMEBUFFER = ~0u;         // GfxFramebufferFor: the window's own
// GL's clip origin for the window's own framebuffer (lower left) or the layer's (upper left).
void GfxSetWindowOrigin(bool window);
// The texture, given storage of its own first when it is a back buffer drawn in its window:
// what was drawn there since the present is copied in (after a present the buffer holds
// nothing, as a discarding swap chain's does).  Null for no texture.
GfxTextureObj* GfxTextureWithStorage(uint32_t id);
// A back buffer drawn in its window from the start (no storage until something needs it).
uint32_t GfxAddWindowBuffer(const GfxTexture2DDesc& desc);
void GfxSetFramebufferSrgb(bool on);
GfxResult GfxMakeSwapChainBuffer(uint32_t swapChain, uint32_t width, uint32_t height, GfxFormat format,
                                 uint32_t* textureId);
// Links a vertex and a pixel stage (a pixel stage of 0: none) through the program cache; 0 and
// the log when they do not link.  The two sources' hashes name the pair in the cache.
GLuint GfxLinkStages(GLuint vertex, uint64_t vertexHash, GLuint pixel, uint64_t pixelHash);
// Links two sources the same way, a kept binary standing in for both compiles (presentation).
GLuint GfxLinkSources(const char* vertexSource, const char* pixelSource);

// ---- [Program cache] ----  (gfx_program_cache.cpp)
uint64_t GfxSourceHash(const char* source, size_t length);
// Whether the source compiled in an earlier run with this driver (GfxKeepCompiled).
bool GfxSourceCompiledBefore(uint64_t sourceHash);
void GfxKeepCompiled(uint64_t sourceHash);
// A new program from the kept binary of the pair; 0 when none is kept or the driver refuses it.
GLuint GfxProgramFromCache(uint64_t vertexHash, uint64_t pixelHash);
// Keeps the binary of a program just linked from the pair (linked with the retrievable hint).
void GfxKeepProgram(uint64_t vertexHash, uint64_t pixelHash, GLuint program);
