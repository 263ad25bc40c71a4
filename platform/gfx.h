// gfx.h - the graphics device layer: display enumeration, device, immediate context and
// swap chain, drawn through OpenGL (4.3 core features on a 4.3+ context).
//
// Sections: [Results] [Formats] [Handles] [Displays] [Device and resources] [States]
//           [Shaders] [Immediate context] [Swap chain] [Test switches]
//
// The calls keep the conventions the renderer was written for: the upper-left pixel is row 0
// of every target, depth runs 0..1, clockwise triangles face the viewer, views may reinterpret
// a texture in its sRGB twin format, clears ignore scissor and write masks, and presentation
// returns status codes (device removed, reset, occluded) that the renderer reacts to.
//
// Objects are small handles (id 0 is none) with reference counts: Create* and GetBuffer hand
// out one reference, GfxRelease drops one, views hold a reference to their texture.
// Setting state on the immediate context only records it; the next draw, dispatch or clear
// brings GL up to date, issuing only the GL calls whose values differ (GfxGlCallCount).
// Main thread only: GL contexts are bound to the thread that made them current.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// ---- [Results] ----
using GfxResult = int32_t;
constexpr GfxResult GFX_OK = 0;
constexpr GfxResult GFX_FALSE = 1;
constexpr GfxResult GFX_E_NOTIMPL = int32_t(0x80004001u);
constexpr GfxResult GFX_E_FAIL = int32_t(0x80004005u);
constexpr GfxResult GFX_E_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr GfxResult GFX_E_INVALIDARG = int32_t(0x80070057u);
constexpr GfxResult GFX_ERROR_INVALID_CALL = int32_t(0x887A0001u);
constexpr GfxResult GFX_ERROR_NOT_FOUND = int32_t(0x887A0002u);
constexpr GfxResult GFX_ERROR_MORE_DATA = int32_t(0x887A0003u);
constexpr GfxResult GFX_ERROR_UNSUPPORTED = int32_t(0x887A0004u);
constexpr GfxResult GFX_ERROR_DEVICE_REMOVED = int32_t(0x887A0005u);
constexpr GfxResult GFX_ERROR_DEVICE_HUNG = int32_t(0x887A0006u);
constexpr GfxResult GFX_ERROR_DEVICE_RESET = int32_t(0x887A0007u);
constexpr GfxResult GFX_ERROR_NOT_CURRENTLY_AVAILABLE = int32_t(0x887A0022u);
constexpr GfxResult GFX_STATUS_OCCLUDED = int32_t(0x087A0001u);
inline bool GfxFailed(GfxResult r) { return r < 0; }

// ---- [Formats] ----
// Numbered as the renderer's texture files and records number them; the format table is
// indexed by these values (row 0 is "unknown").
enum GfxFormat : uint32_t {
  GFX_FORMAT_UNKNOWN = 0,
  GFX_FORMAT_R32G32B32A32_FLOAT = 2,
  GFX_FORMAT_R32G32B32_FLOAT = 6,
  GFX_FORMAT_R16G16B16A16_FLOAT = 10,
  GFX_FORMAT_R16G16B16A16_UNORM = 11,
  GFX_FORMAT_R16G16B16A16_SNORM = 13,
  GFX_FORMAT_R32G32_FLOAT = 16,
  GFX_FORMAT_R10G10B10A2_UNORM = 24,
  GFX_FORMAT_R11G11B10_FLOAT = 26,
  GFX_FORMAT_R8G8B8A8_UNORM = 28,
  GFX_FORMAT_R8G8B8A8_UNORM_SRGB = 29,
  GFX_FORMAT_R8G8B8A8_SNORM = 31,
  GFX_FORMAT_R16G16_FLOAT = 34,
  GFX_FORMAT_R16G16_UNORM = 35,
  GFX_FORMAT_R16G16_SNORM = 37,
  GFX_FORMAT_D32_FLOAT = 40,
  GFX_FORMAT_R32_FLOAT = 41,
  GFX_FORMAT_R32_UINT = 42,
  GFX_FORMAT_D24_UNORM_S8_UINT = 45,
  GFX_FORMAT_R8G8_UNORM = 49,
  GFX_FORMAT_R8G8_SNORM = 51,
  GFX_FORMAT_R16_FLOAT = 54,
  GFX_FORMAT_D16_UNORM = 55,
  GFX_FORMAT_R16_UNORM = 56,
  GFX_FORMAT_R16_UINT = 57,
  GFX_FORMAT_R8_UNORM = 61,
  GFX_FORMAT_A8_UNORM = 65,
  GFX_FORMAT_BC1_UNORM = 71,
  GFX_FORMAT_BC1_UNORM_SRGB = 72,
  GFX_FORMAT_BC2_UNORM = 74,
  GFX_FORMAT_BC2_UNORM_SRGB = 75,
  GFX_FORMAT_BC3_UNORM = 77,
  GFX_FORMAT_BC3_UNORM_SRGB = 78,
  GFX_FORMAT_BC4_UNORM = 80,
  GFX_FORMAT_BC4_SNORM = 81,
  GFX_FORMAT_BC5_UNORM = 83,
  GFX_FORMAT_BC5_SNORM = 84,
  GFX_FORMAT_B5G6R5_UNORM = 85,
  GFX_FORMAT_B5G5R5A1_UNORM = 86,
  GFX_FORMAT_B8G8R8A8_UNORM = 87,
  GFX_FORMAT_B8G8R8X8_UNORM = 88,
  GFX_FORMAT_B8G8R8A8_UNORM_SRGB = 91,
  GFX_FORMAT_B8G8R8X8_UNORM_SRGB = 93,
  GFX_FORMAT_BC6H_UF16 = 95,
  GFX_FORMAT_BC6H_SF16 = 96,
  GFX_FORMAT_BC7_UNORM = 98,
  GFX_FORMAT_BC7_UNORM_SRGB = 99,
  GFX_FORMAT_B4G4R4A4_UNORM = 115,
  GFX_FORMAT_COUNT = 116
};

struct GfxFormatInfo {
  uint32_t glInternal;   // 0: the layer has no GL twin for it
  uint32_t glFormat, glType;
  uint8_t bytesPerPixel; // bytes per 4x4 block for compressed formats
  uint8_t compressed, depth, srgb;
  uint8_t swizzle;       // 0 none, 1 alpha from red (A8), 2 alpha forced to one (X8)
  uint8_t renderable;
};
const GfxFormatInfo& GfxGetFormatInfo(GfxFormat format);  // row 0 for unknown values
GfxFormat GfxSrgbTwin(GfxFormat format);    // the sRGB format of a UNORM one, else itself
int GfxBitsPerPixel(GfxFormat format);      // 0 for unknown
// Bytes of one mip level (rows of blocks for compressed formats).
size_t GfxLevelByteSize(GfxFormat format, uint32_t width, uint32_t height, uint32_t* rowPitch);

// ---- [Handles] ----
// id 0 is no object.  Handles are plain values; equality compares ids.
#define GFX_HANDLE(Name) \
  struct Name {          \
    uint32_t id = 0;     \
    explicit operator bool() const { return id != 0; } \
    bool operator==(const Name&) const = default;       \
  }
GFX_HANDLE(GfxFactory);
GFX_HANDLE(GfxDevice);
GFX_HANDLE(GfxContext);
GFX_HANDLE(GfxSwapChain);
GFX_HANDLE(GfxBuffer);
GFX_HANDLE(GfxTexture2D);
GFX_HANDLE(GfxShaderResourceView);
GFX_HANDLE(GfxRenderTargetView);
GFX_HANDLE(GfxDepthStencilView);
GFX_HANDLE(GfxUnorderedAccessView);
GFX_HANDLE(GfxBlendState);
GFX_HANDLE(GfxRasterizerState);
GFX_HANDLE(GfxDepthStencilState);
GFX_HANDLE(GfxSamplerState);
GFX_HANDLE(GfxVertexShader);
GFX_HANDLE(GfxPixelShader);
GFX_HANDLE(GfxComputeShader);
GFX_HANDLE(GfxInputLayout);
#undef GFX_HANDLE

// Adapters and outputs are positions in the factory's snapshot of the displays.
struct GfxAdapter {
  uint32_t factory = 0, index = 0;
  explicit operator bool() const { return factory != 0; }
};
struct GfxOutput {
  uint32_t factory = 0, adapter = 0, index = 0;
  explicit operator bool() const { return factory != 0; }
};

// A buffer or a 2D texture, for the calls that take either.
struct GfxResource {
  enum Kind : uint32_t { NONE = 0, BUFFER = 1, TEXTURE2D = 2 } kind = NONE;
  uint32_t id = 0;
  GfxResource() = default;
  GfxResource(GfxBuffer b) : kind(b.id ? BUFFER : NONE), id(b.id) {}
  GfxResource(GfxTexture2D t) : kind(t.id ? TEXTURE2D : NONE), id(t.id) {}
};

// ---- [Displays] ----
struct GfxRational {
  uint32_t numerator = 0, denominator = 0;
};
enum GfxModeScaling : uint32_t { GFX_SCALING_UNSPECIFIED = 0, GFX_SCALING_CENTERED = 1, GFX_SCALING_STRETCHED = 2 };
// The display-mode record (28 bytes of 32-bit fields, as the mode list stores it).
struct GfxModeDesc {
  uint32_t width = 0, height = 0;
  GfxRational refreshRate;
  GfxFormat format = GFX_FORMAT_UNKNOWN;
  uint32_t scanlineOrdering = 0;
  uint32_t scaling = 0;
};
static_assert(sizeof(GfxModeDesc) == 28, "mode records are seven 32-bit words");

struct GfxAdapterDesc {
  wchar_t description[128];  // wide, as the renderer cuts it to its low bytes itself
  uint32_t vendorId, deviceId;
  uint64_t dedicatedVideoMemory;
};
struct GfxOutputDesc {
  wchar_t deviceName[32];
  int32_t left, top, right, bottom;  // desktop coordinates of the display
  int32_t attachedToDesktop;
};

GfxResult GfxCreateFactory(GfxFactory* out);
GfxResult GfxEnumAdapters(GfxFactory factory, uint32_t index, GfxAdapter* out);  // NOT_FOUND past the end
GfxResult GfxGetAdapterDesc(GfxAdapter adapter, GfxAdapterDesc* out);
GfxResult GfxEnumOutputs(GfxAdapter adapter, uint32_t index, GfxOutput* out);
GfxResult GfxGetOutputDesc(GfxOutput output, GfxOutputDesc* out);
// modes null: *count receives the count.  Otherwise *count is the room; fewer than the list
// fills the room and returns MORE_DATA.
GfxResult GfxGetDisplayModeList(GfxOutput output, GfxFormat format, uint32_t flags, uint32_t* count,
                                GfxModeDesc* modes);
void GfxRelease(GfxFactory& factory);
void GfxRelease(GfxAdapter& adapter);  // adapters and outputs own nothing; kept for symmetry
void GfxRelease(GfxOutput& output);
// The bounding box of all displays (the virtual screen).
void GfxGetVirtualScreenSize(int* width, int* height);

// ---- [Device and resources] ----
enum GfxFeatureLevel : uint32_t {
  GFX_FEATURE_LEVEL_10_0 = 0xa000,
  GFX_FEATURE_LEVEL_10_1 = 0xa100,
  GFX_FEATURE_LEVEL_11_0 = 0xb000
};
// Makes the one GL context (a hidden window's under SDL, EGL surfaceless without SDL video),
// and picks the first of the requested levels the context reaches (11_0 needs compute).
GfxResult GfxCreateDevice(GfxAdapter adapter, const GfxFeatureLevel* levels, uint32_t levelCount,
                          GfxDevice* outDevice, GfxFeatureLevel* outLevel, GfxContext* outContext);
GfxFeatureLevel GfxGetFeatureLevel(GfxDevice device);
const char* GfxRendererName();  // GL's renderer string of the current context, or ""

enum GfxUsage : uint32_t { GFX_USAGE_DEFAULT = 0, GFX_USAGE_IMMUTABLE = 1, GFX_USAGE_DYNAMIC = 2, GFX_USAGE_STAGING = 3 };
enum GfxBind : uint32_t {
  GFX_BIND_VERTEX_BUFFER = 0x1,
  GFX_BIND_INDEX_BUFFER = 0x2,
  GFX_BIND_CONSTANT_BUFFER = 0x4,
  GFX_BIND_SHADER_RESOURCE = 0x8,
  GFX_BIND_RENDER_TARGET = 0x20,
  GFX_BIND_DEPTH_STENCIL = 0x40,
  GFX_BIND_UNORDERED_ACCESS = 0x80
};
enum GfxCpuAccess : uint32_t { GFX_CPU_ACCESS_WRITE = 0x10000, GFX_CPU_ACCESS_READ = 0x20000 };
enum GfxMiscFlag : uint32_t { GFX_MISC_GENERATE_MIPS = 0x1, GFX_MISC_BUFFER_RAW = 0x20 };

struct GfxBufferDesc {
  uint32_t byteWidth = 0;
  GfxUsage usage = GFX_USAGE_DEFAULT;
  uint32_t bindFlags = 0, cpuAccessFlags = 0, miscFlags = 0, structureByteStride = 0;
};
struct GfxSubresourceData {
  const void* data = nullptr;
  uint32_t rowPitch = 0, slicePitch = 0;
};
struct GfxSampleDesc {
  uint32_t count = 1, quality = 0;
};
struct GfxTexture2DDesc {
  uint32_t width = 0, height = 0;
  uint32_t mipLevels = 1;  // 0: the full chain
  uint32_t arraySize = 1;
  GfxFormat format = GFX_FORMAT_UNKNOWN;
  GfxSampleDesc sampleDesc;
  GfxUsage usage = GFX_USAGE_DEFAULT;
  uint32_t bindFlags = 0, cpuAccessFlags = 0, miscFlags = 0;
};

GfxResult GfxCreateBuffer(GfxDevice device, const GfxBufferDesc& desc, const GfxSubresourceData* initial,
                          GfxBuffer* out);
// initial: one entry per mip level (may be null).
GfxResult GfxCreateTexture2D(GfxDevice device, const GfxTexture2DDesc& desc, const GfxSubresourceData* initial,
                             GfxTexture2D* out);
void GfxGetDesc(GfxTexture2D texture, GfxTexture2DDesc* out);
// Where each channel a shader samples comes from, on top of what the format gives: a grey
// picture kept in its one channel samples as grey instead of red.  Views made afterwards
// sample the same way.  New textures start with the identity (R, G, B, A).
enum GfxSwizzle : uint8_t { GFX_SWIZZLE_R = 0, GFX_SWIZZLE_G = 1, GFX_SWIZZLE_B = 2, GFX_SWIZZLE_A = 3,
                            GFX_SWIZZLE_ZERO = 4, GFX_SWIZZLE_ONE = 5 };
GfxResult GfxSetTextureSwizzle(GfxTexture2D texture, const uint8_t swizzle[4]);  // INVALIDARG for values above 5
void GfxGetTextureSwizzle(GfxTexture2D texture, uint8_t swizzle[4]);            // identity for no texture
void GfxGetDesc(GfxBuffer buffer, GfxBufferDesc* out);
// Quality levels for a sample count: 0 when the device cannot draw with that many samples.
GfxResult GfxCheckMultisampleQualityLevels(GfxDevice device, GfxFormat format, uint32_t sampleCount,
                                           uint32_t* levels);
uint32_t GfxMaxSampleCount(GfxDevice device);

enum GfxViewDimension : uint32_t { GFX_VIEW_TEXTURE2D = 1, GFX_VIEW_TEXTURE2DMS = 2, GFX_VIEW_BUFFER = 3 };
struct GfxViewDesc {  // for render-target, depth and shader-resource views of 2D textures
  GfxFormat format = GFX_FORMAT_UNKNOWN;  // unknown: the texture's own
  GfxViewDimension dimension = GFX_VIEW_TEXTURE2D;
  uint32_t mipSlice = 0;        // render-target and depth views
  uint32_t mostDetailedMip = 0, mipLevels = 0xFFFFFFFFu;  // shader-resource views
};
struct GfxUavDesc {  // raw buffer views only
  uint32_t firstElement = 0, numElements = 0;
};
// desc null: the whole texture at level 0 in its own format.
GfxResult GfxCreateRenderTargetView(GfxDevice device, GfxResource resource, const GfxViewDesc* desc,
                                    GfxRenderTargetView* out);
GfxResult GfxCreateDepthStencilView(GfxDevice device, GfxResource resource, const GfxViewDesc* desc,
                                    GfxDepthStencilView* out);
GfxResult GfxCreateShaderResourceView(GfxDevice device, GfxResource resource, const GfxViewDesc* desc,
                                      GfxShaderResourceView* out);
GfxResult GfxCreateUnorderedAccessView(GfxDevice device, GfxResource resource, const GfxUavDesc* desc,
                                       GfxUnorderedAccessView* out);
GfxTexture2D GfxGetViewTexture(GfxRenderTargetView view);  // adds a reference
GfxTexture2D GfxGetViewTexture(GfxShaderResourceView view);

// ---- [States] ----
enum GfxBlend : uint32_t {
  GFX_BLEND_ZERO = 1, GFX_BLEND_ONE = 2, GFX_BLEND_SRC_COLOR = 3, GFX_BLEND_INV_SRC_COLOR = 4,
  GFX_BLEND_SRC_ALPHA = 5, GFX_BLEND_INV_SRC_ALPHA = 6, GFX_BLEND_DEST_ALPHA = 7, GFX_BLEND_INV_DEST_ALPHA = 8,
  GFX_BLEND_DEST_COLOR = 9, GFX_BLEND_INV_DEST_COLOR = 10, GFX_BLEND_SRC_ALPHA_SAT = 11,
  GFX_BLEND_BLEND_FACTOR = 14, GFX_BLEND_INV_BLEND_FACTOR = 15
};
enum GfxBlendOp : uint32_t { GFX_BLEND_OP_ADD = 1, GFX_BLEND_OP_SUBTRACT = 2, GFX_BLEND_OP_REV_SUBTRACT = 3,
                             GFX_BLEND_OP_MIN = 4, GFX_BLEND_OP_MAX = 5 };
constexpr uint8_t GFX_COLOR_WRITE_ALL = 0xF;  // bit 0 red .. bit 3 alpha
struct GfxRenderTargetBlendDesc {
  int32_t blendEnable = 0;
  GfxBlend srcBlend = GFX_BLEND_ONE, destBlend = GFX_BLEND_ZERO;
  GfxBlendOp blendOp = GFX_BLEND_OP_ADD;
  GfxBlend srcBlendAlpha = GFX_BLEND_ONE, destBlendAlpha = GFX_BLEND_ZERO;
  GfxBlendOp blendOpAlpha = GFX_BLEND_OP_ADD;
  uint8_t renderTargetWriteMask = GFX_COLOR_WRITE_ALL;
};
struct GfxBlendDesc {
  int32_t alphaToCoverageEnable = 0;
  int32_t independentBlendEnable = 0;  // only target 0 is drawn to
  GfxRenderTargetBlendDesc renderTarget[1];
};

enum GfxFillMode : uint32_t { GFX_FILL_WIREFRAME = 2, GFX_FILL_SOLID = 3 };
enum GfxCullMode : uint32_t { GFX_CULL_NONE = 1, GFX_CULL_FRONT = 2, GFX_CULL_BACK = 3 };
struct GfxRasterizerDesc {
  GfxFillMode fillMode = GFX_FILL_SOLID;
  GfxCullMode cullMode = GFX_CULL_BACK;
  int32_t frontCounterClockwise = 0;
  int32_t depthBias = 0;
  float depthBiasClamp = 0.0f, slopeScaledDepthBias = 0.0f;
  int32_t depthClipEnable = 1, scissorEnable = 0, multisampleEnable = 0, antialiasedLineEnable = 0;
};

enum GfxComparison : uint32_t {
  GFX_COMPARISON_NEVER = 1, GFX_COMPARISON_LESS = 2, GFX_COMPARISON_EQUAL = 3, GFX_COMPARISON_LESS_EQUAL = 4,
  GFX_COMPARISON_GREATER = 5, GFX_COMPARISON_NOT_EQUAL = 6, GFX_COMPARISON_GREATER_EQUAL = 7,
  GFX_COMPARISON_ALWAYS = 8
};
enum GfxStencilOp : uint32_t { GFX_STENCIL_OP_KEEP = 1, GFX_STENCIL_OP_ZERO = 2, GFX_STENCIL_OP_REPLACE = 3,
                               GFX_STENCIL_OP_INCR_SAT = 4, GFX_STENCIL_OP_DECR_SAT = 5, GFX_STENCIL_OP_INVERT = 6,
                               GFX_STENCIL_OP_INCR = 7, GFX_STENCIL_OP_DECR = 8 };
struct GfxStencilOpDesc {
  GfxStencilOp failOp = GFX_STENCIL_OP_KEEP, depthFailOp = GFX_STENCIL_OP_KEEP, passOp = GFX_STENCIL_OP_KEEP;
  GfxComparison func = GFX_COMPARISON_ALWAYS;
};
struct GfxDepthStencilDesc {
  int32_t depthEnable = 1;
  int32_t depthWriteMask = 1;  // 0 none, 1 all
  GfxComparison depthFunc = GFX_COMPARISON_LESS;
  int32_t stencilEnable = 0;
  uint8_t stencilReadMask = 0xFF, stencilWriteMask = 0xFF;
  GfxStencilOpDesc frontFace, backFace;
};

enum GfxFilter : uint32_t {
  GFX_FILTER_MIN_MAG_MIP_POINT = 0x0,
  GFX_FILTER_MIN_MAG_LINEAR_MIP_POINT = 0x14,
  GFX_FILTER_MIN_MAG_MIP_LINEAR = 0x15,
  GFX_FILTER_ANISOTROPIC = 0x55
};
enum GfxAddress : uint32_t { GFX_ADDRESS_WRAP = 1, GFX_ADDRESS_MIRROR = 2, GFX_ADDRESS_CLAMP = 3, GFX_ADDRESS_BORDER = 4 };
struct GfxSamplerDesc {
  GfxFilter filter = GFX_FILTER_MIN_MAG_MIP_LINEAR;
  GfxAddress addressU = GFX_ADDRESS_CLAMP, addressV = GFX_ADDRESS_CLAMP, addressW = GFX_ADDRESS_CLAMP;
  float mipLodBias = 0.0f;
  uint32_t maxAnisotropy = 1;
  GfxComparison comparisonFunc = GFX_COMPARISON_NEVER;
  float borderColor[4] = {0, 0, 0, 0};
  float minLod = -3.402823466e+38f, maxLod = 3.402823466e+38f;
};

GfxResult GfxCreateBlendState(GfxDevice device, const GfxBlendDesc& desc, GfxBlendState* out);
GfxResult GfxCreateRasterizerState(GfxDevice device, const GfxRasterizerDesc& desc, GfxRasterizerState* out);
GfxResult GfxCreateDepthStencilState(GfxDevice device, const GfxDepthStencilDesc& desc, GfxDepthStencilState* out);
GfxResult GfxCreateSamplerState(GfxDevice device, const GfxSamplerDesc& desc, GfxSamplerState* out);

// ---- [Shaders] ----
// Shaders are GLSL sources (a "#version 430 core" line first).  Attribute locations follow the
// input-layout semantics (POSITION 0, NORMAL 1, COLOR 2 + index, TEXCOORD 4 + index); constant
// buffer slot s of a stage is uniform-block binding GFX_VS_CB_BASE/GFX_PS_CB_BASE/GFX_CS_CB_BASE + s;
// pixel-shader resource and sampler slot k is texture unit k, compute resource slot 0 is unit
// GFX_CS_SRV_UNIT and unordered-access slot k is storage-buffer binding k.
constexpr int GFX_VS_CB_BASE = 0, GFX_PS_CB_BASE = 16, GFX_CS_CB_BASE = 32;
constexpr int GFX_CB_SLOTS = 16;
constexpr int GFX_PS_RESOURCE_SLOTS = 8;
constexpr int GFX_CS_SRV_UNIT = 8;
constexpr int GFX_UAV_SLOTS = 4;

GfxResult GfxCreateVertexShader(GfxDevice device, const char* source, size_t length, GfxVertexShader* out);
GfxResult GfxCreatePixelShader(GfxDevice device, const char* source, size_t length, GfxPixelShader* out);
GfxResult GfxCreateComputeShader(GfxDevice device, const char* source, size_t length, GfxComputeShader* out);
const char* GfxLastShaderLog();  // compiler or linker messages of the last failure
// Linked vertex and pixel programs are kept between runs as the driver's own binaries in the
// file at path (null: none are kept), so that a later start links them without compiling.  The
// file is read when first needed; GfxSaveProgramCache writes it when programs were linked since
// (0 or the errno value).  A file another driver wrote, or a damaged one, is passed over.
void GfxUseProgramCache(const char* path);
int GfxSaveProgramCache();

enum GfxInputClass : uint32_t { GFX_INPUT_PER_VERTEX = 0 };
struct GfxInputElementDesc {
  const char* semanticName;  // "POSITION", "NORMAL", "COLOR", "TEXCOORD"
  uint32_t semanticIndex;
  GfxFormat format;          // R32G32B32_FLOAT, R32G32_FLOAT, R8G8B8A8_SNORM/UNORM, B8G8R8A8_UNORM, R11G11B10_FLOAT
  uint32_t inputSlot;        // 0 only
  uint32_t alignedByteOffset;
  GfxInputClass inputSlotClass;
  uint32_t instanceDataStepRate;
};
// The vertex shader is kept for the shape of the call; locations come from the semantics.
GfxResult GfxCreateInputLayout(GfxDevice device, const GfxInputElementDesc* elements, uint32_t count,
                               GfxVertexShader shader, GfxInputLayout* out);

// Every object kind has its release; each drops one reference and clears the handle.
void GfxRelease(GfxDevice& device);  // releases the context's GL objects; must be last
void GfxRelease(GfxContext& context);
void GfxRelease(GfxSwapChain& swapChain);
void GfxRelease(GfxBuffer& object);
void GfxRelease(GfxTexture2D& object);
void GfxRelease(GfxShaderResourceView& object);
void GfxRelease(GfxRenderTargetView& object);
void GfxRelease(GfxDepthStencilView& object);
void GfxRelease(GfxUnorderedAccessView& object);
void GfxRelease(GfxBlendState& object);
void GfxRelease(GfxRasterizerState& object);
void GfxRelease(GfxDepthStencilState& object);
void GfxRelease(GfxSamplerState& object);
void GfxRelease(GfxVertexShader& object);
void GfxRelease(GfxPixelShader& object);
void GfxRelease(GfxComputeShader& object);
void GfxRelease(GfxInputLayout& object);
int GfxLiveObjectCount();  // every kind but factories, for leak checks in tests

// ---- [Immediate context] ----
enum GfxTopology : uint32_t {
  GFX_TOPOLOGY_UNDEFINED = 0, GFX_TOPOLOGY_POINTLIST = 1, GFX_TOPOLOGY_LINELIST = 2, GFX_TOPOLOGY_LINESTRIP = 3,
  GFX_TOPOLOGY_TRIANGLELIST = 4, GFX_TOPOLOGY_TRIANGLESTRIP = 5
};
struct GfxViewport {
  float topLeftX = 0, topLeftY = 0, width = 0, height = 0, minDepth = 0, maxDepth = 1;
};
struct GfxRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct GfxBox {
  uint32_t left = 0, top = 0, front = 0, right = 0, bottom = 0, back = 1;
};
enum GfxMap : uint32_t { GFX_MAP_READ = 1, GFX_MAP_WRITE = 2, GFX_MAP_READ_WRITE = 3, GFX_MAP_WRITE_DISCARD = 4,
                         GFX_MAP_WRITE_NO_OVERWRITE = 5 };
struct GfxMappedSubresource {
  void* data = nullptr;
  uint32_t rowPitch = 0, depthPitch = 0;
};
enum GfxClearFlag : uint32_t { GFX_CLEAR_DEPTH = 1, GFX_CLEAR_STENCIL = 2 };

void GfxOMSetRenderTargets(GfxContext context, uint32_t count, const GfxRenderTargetView* views,
                           GfxDepthStencilView depth);
void GfxOMGetRenderTargets(GfxContext context, GfxRenderTargetView* view, GfxDepthStencilView* depth);  // no references added
void GfxOMSetBlendState(GfxContext context, GfxBlendState state, const float blendFactor[4], uint32_t sampleMask);
void GfxOMSetDepthStencilState(GfxContext context, GfxDepthStencilState state, uint32_t stencilRef);
void GfxRSSetState(GfxContext context, GfxRasterizerState state);
void GfxRSSetViewports(GfxContext context, uint32_t count, const GfxViewport* viewports);
void GfxRSSetScissorRects(GfxContext context, uint32_t count, const GfxRect* rects);
void GfxIASetInputLayout(GfxContext context, GfxInputLayout layout);
void GfxIASetVertexBuffers(GfxContext context, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers,
                           const uint32_t* strides, const uint32_t* offsets);
void GfxIASetIndexBuffer(GfxContext context, GfxBuffer buffer, GfxFormat format, uint32_t offset);
void GfxIASetPrimitiveTopology(GfxContext context, GfxTopology topology);
void GfxVSSetShader(GfxContext context, GfxVertexShader shader);
void GfxPSSetShader(GfxContext context, GfxPixelShader shader);
void GfxCSSetShader(GfxContext context, GfxComputeShader shader);
void GfxVSSetConstantBuffers(GfxContext context, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers);
void GfxPSSetConstantBuffers(GfxContext context, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers);
void GfxCSSetConstantBuffers(GfxContext context, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers);
void GfxPSSetShaderResources(GfxContext context, uint32_t startSlot, uint32_t count,
                             const GfxShaderResourceView* views);
void GfxPSSetSamplers(GfxContext context, uint32_t startSlot, uint32_t count, const GfxSamplerState* samplers);
void GfxCSSetShaderResources(GfxContext context, uint32_t startSlot, uint32_t count,
                             const GfxShaderResourceView* views);
void GfxCSSetUnorderedAccessViews(GfxContext context, uint32_t startSlot, uint32_t count,
                                  const GfxUnorderedAccessView* views);
void GfxDraw(GfxContext context, uint32_t vertexCount, uint32_t startVertex);
void GfxDrawIndexed(GfxContext context, uint32_t indexCount, uint32_t startIndex, int32_t baseVertex);
// A function the next draw calls first (then forgets), before it takes any state: the
// renderer makes a target there that waits for its first drawing.  Null: none.
void GfxCallBeforeNextDraw(void (*call)());
void GfxDispatch(GfxContext context, uint32_t x, uint32_t y, uint32_t z);
// Draws, dispatches, copies and resolves so far: what can write a texture besides clears and
// uploads.  Unchanged between two readings, nothing was drawn in between.
uint64_t GfxDrawCount();
void GfxClearRenderTargetView(GfxContext context, GfxRenderTargetView view, const float rgba[4]);
void GfxClearDepthStencilView(GfxContext context, GfxDepthStencilView view, uint32_t flags, float depth,
                              uint8_t stencil);
void GfxClearUnorderedAccessViewUint(GfxContext context, GfxUnorderedAccessView view, const uint32_t values[4]);
// Buffers: WRITE_DISCARD and WRITE_NO_OVERWRITE on dynamic buffers, READ on staging ones.
// Textures: READ/WRITE on staging textures (rowPitch = width x bytes per pixel).
GfxResult GfxMapResource(GfxContext context, GfxResource resource, uint32_t subresource, GfxMap type,
                         GfxMappedSubresource* out);
void GfxUnmap(GfxContext context, GfxResource resource, uint32_t subresource);
void GfxUpdateSubresource(GfxContext context, GfxResource resource, uint32_t subresource, const GfxBox* box,
                          const void* data, uint32_t rowPitch, uint32_t depthPitch);
void GfxCopyResource(GfxContext context, GfxResource destination, GfxResource source);
void GfxCopySubresourceRegion(GfxContext context, GfxResource destination, uint32_t destSubresource, uint32_t x,
                              uint32_t y, uint32_t z, GfxResource source, uint32_t sourceSubresource,
                              const GfxBox* box);
void GfxResolveSubresource(GfxContext context, GfxResource destination, uint32_t destSubresource,
                           GfxResource source, uint32_t sourceSubresource, GfxFormat format);
void GfxGenerateMips(GfxContext context, GfxShaderResourceView view);
// Forgets every binding (views, buffers, shaders, states) as a fresh context has none.
void GfxClearState(GfxContext context);
void GfxFlush(GfxContext context);
// Returns once everything asked of the device so far has been carried out (drawn).
void GfxFinish(GfxContext context);

// ---- [Content fingerprints] ----
// Every texture and buffer carries a fingerprint of what it holds: two equal fingerprints
// mean equal contents.  A clear, copy, upload, draw or dispatch that writes one gives it a
// fingerprint made from everything the write takes (the bound state, the fingerprints of the
// textures and buffers it reads, the bytes of buffer uploads and noted writes), so the same
// drawing from the same inputs gives the same fingerprint again.  A write the layer cannot
// see into gives a fingerprint never seen before: a texture upload, a mapped buffer unmapped
// without a note.
uint64_t GfxContentFingerprint(GfxTexture2D texture);  // 0 for no texture
// Bytes just written through a write mapping of the buffer, at that offset of it.
void GfxNoteWritten(GfxBuffer buffer, uint32_t offset, uint32_t size, const void* bytes);
// Until called with no texture, draws and colour clears into the texture (and any other so
// named) are fingerprinted but not carried out: its fingerprint is that of what they would
// have made, for the caller to compare.  When the skipping ends, a skipped texture whose
// fingerprint is as it began keeps it (it holds what the skipped drawing made again); the
// others are forgotten, and so are a depth texture drawn into with them and any target
// drawn from one of them meanwhile.
void GfxSkipDrawsInto(GfxTexture2D texture);
// What the texture holds is unknown: it gets a fingerprint never seen before.
void GfxForgetContent(GfxTexture2D texture);
// The draws and colour clears into one texture during a stretch of work, each told by a
// fingerprint of the write itself (what it takes, not what the texture held before it):
// 'written' receives them.  The first 'skip' writes are only fingerprinted, while each is
// the one 'expected' holds at its place; after the last of them 'resume' is copied in (it
// must hold what they make over what the texture held when the watch began) and the writes
// after are carried out.  A skipped write that is not the expected one fails the stretch: it
// and every write after it are skipped.  With a 'snapshot' texture, the texture is copied
// into it just before the first carried-out write that is not the expected one at its place
// (or has no place there), or before write number 'snapshotBefore' if that comes first;
// 'snapshotAt' is that write's number.
struct GfxWriteWatch {
  GfxTexture2D texture;
  std::vector<uint64_t> expected;
  size_t skip = 0;
  GfxTexture2D resume;
  GfxTexture2D snapshot;
  size_t snapshotBefore = SIZE_MAX;
  std::vector<uint64_t> written;
  size_t snapshotAt = SIZE_MAX;
  bool failed = false;
};
void GfxWatchWrites(GfxWriteWatch* watch);  // null: none

// ---- [Swap chain] ----
enum GfxSwapEffect : uint32_t { GFX_SWAP_EFFECT_DISCARD = 0 };
enum GfxSwapChainFlag : uint32_t { GFX_SWAP_CHAIN_ALLOW_MODE_SWITCH = 2 };
constexpr uint32_t GFX_USAGE_RENDER_TARGET_OUTPUT = 0x20;
struct GfxSwapChainDesc {
  GfxModeDesc bufferDesc;    // width/height 0: the window's client size
  GfxSampleDesc sampleDesc;
  uint32_t bufferUsage = GFX_USAGE_RENDER_TARGET_OUTPUT;
  uint32_t bufferCount = 1;
  void* outputWindow = nullptr;  // the SDL window; null: a headless target of the headless client size
  int32_t windowed = 1;
  GfxSwapEffect swapEffect = GFX_SWAP_EFFECT_DISCARD;
  uint32_t flags = 0;
};
GfxResult GfxCreateSwapChain(GfxFactory factory, GfxDevice device, const GfxSwapChainDesc& desc,
                             GfxSwapChain* out);
GfxResult GfxMakeWindowAssociation(GfxFactory factory, void* window, uint32_t flags);
GfxResult GfxSwapChainGetBuffer(GfxSwapChain swapChain, uint32_t index, GfxTexture2D* out);  // adds a reference
GfxResult GfxSwapChainGetDesc(GfxSwapChain swapChain, GfxSwapChainDesc* out);
// The back-buffer texture must hold no other reference (views released) when resizing.
GfxResult GfxSwapChainResizeBuffers(GfxSwapChain swapChain, uint32_t count, uint32_t width, uint32_t height,
                                    GfxFormat format, uint32_t flags);
GfxResult GfxSwapChainResizeTarget(GfxSwapChain swapChain, const GfxModeDesc& mode);
GfxResult GfxSwapChainSetFullscreenState(GfxSwapChain swapChain, int32_t fullscreen, GfxOutput output);
GfxResult GfxSwapChainGetFullscreenState(GfxSwapChain swapChain, int32_t* fullscreen);
// Copies the back buffer to the window and swaps.  syncInterval 1 waits for the display.
GfxResult GfxSwapChainPresent(GfxSwapChain swapChain, uint32_t syncInterval, uint32_t flags);

// ---- [Native handles] ----
// For a plug-in that works on the same GL context in this process (the VR plug-in): the GL
// name of a texture (0 for none, staging textures and the null backend), the current context
// (an SDL_GLContext or an EGLContext, opaque; null without one) and the context's function
// lookup.  What such a plug-in binds in GL is not seen by the layer's record of GL's state,
// so it must keep to calls that bind nothing (named-object reads such as glGetTextureImage).
uint32_t GfxNativeTextureName(GfxTexture2D texture);
void* GfxNativeContext();
void* GfxGetProcAddress(const char* name);

// ---- [Test switches] ----
// Every GL call the layer makes counts one.
uint64_t GfxGlCallCount();
// Presentation returns this code (removed, reset, occluded...) until cleared with GFX_OK;
// the picture is not shown meanwhile, as with a lost device.
void GfxInjectPresentFault(GfxResult code);
// Reports a lower feature level than the context reaches (0 = no override).
void GfxForceFeatureLevel(GfxFeatureLevel level);
// Displays seen by a factory made after the call; null goes back to the real displays.
struct GfxFakeDisplays {
  int adapterCount = 1;              // up to 4
  const char* adapterNames[4] = {};
  int failingAdapterDesc = -1;       // this adapter's description cannot be read
  int outputCount = 1;               // up to 8, on every adapter
  const char* outputNames[8] = {};
  const GfxModeDesc* modes = nullptr;
  int modeCount = 0;
  int virtualWidth = 0, virtualHeight = 0;
};
void GfxUseFakeDisplays(const GfxFakeDisplays* displays);
// Tests only: while on, windows are presented by the blit kept for drivers that cannot build
// the present pass.
void GfxPresentByBlit(bool on);
// The client size of headless swap chains (no window), 800 x 600 at first.
void GfxSetHeadlessClientSize(int width, int height);
// Reads a mip level of any texture (render targets included) as tightly packed bytes in the
// texture's format; returns false when the texture cannot be read back.
bool GfxReadTexturePixels(GfxContext context, GfxTexture2D texture, uint32_t mipLevel, void* out, size_t size);
// Puts GL's state back to its defaults and the layer's record of it likewise, for code that
// has driven GL directly (the benchmark's bare-GL reference).
void GfxResetGlState(GfxContext context);
// Reads one pixel of what a window shows after presentation (x, y from its top left; on
// SDL's offscreen video the window keeps its last frame).  False without a GL window.
bool GfxReadWindowPixel(void* window, int x, int y, uint8_t rgba[4]);

// The null backend: no driver, nothing drawn, every object and binding still kept (for tests
// of the code above the layer).  Also chosen by ZKT_GFX_BACKEND=null.  Takes effect when the
// next context is made.
void GfxUseNullBackend(bool on);
bool GfxNullBackend();

// ---- [Bare-GL reference] ----
// The benchmark's yardstick: the same frame as the layer draws (an indexed mesh drawn count
// times, blending switched on and off every changeEvery draws), issued as plain GL calls on
// the layer's objects, with nothing cached.  Ends with a flush, as the layer's frame does.
void GfxReferenceDrawFrame(GfxRenderTargetView target, GfxVertexShader vs, GfxPixelShader ps, GfxInputLayout layout,
                           GfxBuffer vertices, uint32_t stride, GfxBuffer indices, GfxBuffer constants,
                           uint32_t indexCount, int draws, int changeEvery);
// The 2D benchmark's yardstick: quads in the interface's units (x -1 left .. 1 right, y -1 top
// .. 1 bottom) turned into clip-space vertices (colours through the 256-byte table, alpha
// kept) in one array, uploaded with one buffer write and drawn with one indexed call under
// alpha blending, after clearing the target to clearRgba (null: no clear).  At most 16384
// quads (16-bit indices); the buffers must hold them.  GL's state is left as the frame set
// it: call GfxResetGlState before the layer draws again.
struct GfxReferenceQuad {
  float x0, y0, x1, y1;
  uint32_t colour;  // 0xAARRGGBB
};
void GfxReferenceDrawQuads(GfxRenderTargetView target, GfxVertexShader vs, GfxPixelShader ps, GfxInputLayout layout,
                           GfxBuffer vertices, GfxBuffer indices, const GfxReferenceQuad* quads, int count,
                           const uint8_t colourTable[256], const float* clearRgba);
