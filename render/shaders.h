// shaders.h - the shader catalogue, loading shaders by number, binding them, and the three
// vertex layouts.
//
// Sources are GLSL files in ShaderFolder named by file number: "vs_%d.glsl" (variant x 27 +
// number), "ps_%d.glsl" (shadow flag x 61 + number) and "cs_%d.glsl"; a line '#include "name"'
// takes in the file of that name from the same folder (the shared code of one source).  A
// shader that is missing or does not compile is reported once; the draws that need it are
// skipped.  The device reads every source when it is made (a missing one is reported then)
// but compiles only the interface's own shaders; the others are compiled when first bound.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

constexpr int VERTEX_SHADER_COUNT = 26;
constexpr int PIXEL_SHADER_COUNT = 60;
constexpr int COMPUTE_SHADER_COUNT = 3;
constexpr int VERTEX_SHADER_SLOTS = 108;  // 4 variants of 27
constexpr int PIXEL_SHADER_SLOTS = 122;   // 2 variants of 61
constexpr int COMPUTE_SHADER_SLOTS = 4;
constexpr int VERTEX_LAYOUT_COUNT = 3;

struct ShaderRow {
  const char* source;
  const char* entry;
  const char* defines[4];
};
// Indexed by shader number; row 0 is unused.
extern const ShaderRow VertexShaderCatalogue[VERTEX_SHADER_COUNT + 1];
extern const ShaderRow PixelShaderCatalogue[PIXEL_SHADER_COUNT + 1];
extern const ShaderRow ComputeShaderCatalogue[COMPUTE_SHADER_COUNT + 1];

int VertexShaderVariants(int number);    // 4 for 12 and 13, 2 for 14..16, else 1
int PixelShaderHasShadowVariant(int number);  // 38..46
const char* ShaderVariantWord(int variant);   // "WORLD", "WORLD_SHADOW", "CAR", "CAR_SHADOW"

// The failed-attempt bytes: 0 not tried or loaded, 1 failed and reported, 2 failed with only
// a log line (a shader not shipped yet), reported when something draws with it, 3 read and
// waiting to be compiled when first bound (a compiler error is reported then).
struct ShaderTables {
  GfxVertexShader vertex[VERTEX_SHADER_SLOTS];
  uint8_t vertexFailed[VERTEX_SHADER_SLOTS];
  GfxPixelShader pixel[PIXEL_SHADER_SLOTS];
  uint8_t pixelFailed[PIXEL_SHADER_SLOTS];
  GfxComputeShader compute[COMPUTE_SHADER_SLOTS];
  uint8_t computeFailed[COMPUTE_SHADER_SLOTS];
  GfxInputLayout layouts[VERTEX_LAYOUT_COUNT + 1];  // by layout number 1..3
  int boundVertexSlot = -1, boundPixelSlot = -1, boundCompute = -1, boundLayout = -1;
  int boundVertexNumber, boundPixelNumber;  // the numbers asked for (0: none)
  int vertexValid = 1, pixelValid = 1;      // draws are skipped while either is clear
};
extern ShaderTables Shaders;
extern char ShaderFolder[260];
extern int ShaderCarFlag, ShaderShadowFlag;       // choose the world shaders' variant
extern int VertexShaderOverride, PixelShaderOverride;  // replace the asked number when not 0
// The world's render state selector: its layered objects draw their first layers (a tree's
// bark, a placed model's solid, alpha-tested and blended alpha-tested parts) under selector
// RENDER_STATE_LAYERED, which makes the world shader's tree variant (vertex shader 14, its
// vertices leaning with the wind of the object-transform row) stand in for the vertex
// shader the material asks for; 0 gives every material its own again.  The selector is the
// vertex-shader override above.
constexpr int RENDER_STATE_LAYERED = 14;
void SetRenderStateSelector(int selector);

// Starts reading every source with its includes on a worker, so that the three loads below
// find them read (the start-up calls it before the window system starts).  Optional: without
// it each load reads its files itself.  What the first loads do not take is forgotten, and
// so is everything when a start ends before them: a later load reads the files as they are.
void PrepareShaderSources();
void ForgetPreparedShaderSources();
// Each reads every catalogue source of its stage, as the device is made.
void LoadAllVertexShaders();
void LoadAllPixelShaders();
void LoadAllComputeShaders();
// Compiles every source read and waiting for its first use now (a compiler error is told at
// once): for a command that reads the shaders again to try them.
void CompileWaitingShaders();
// Each reads and compiles one source at once.
int LoadVertexShaderFile(int number, GfxVertexShader* out, int fileNumber);  // 0 success, 1 failure
int LoadPixelShaderFile(int number, GfxPixelShader* out, int fileNumber);
int LoadComputeShaderFile(int number, GfxComputeShader* out, int fileNumber);
// Releases the loaded shaders whose source name begins with prefix (any case; null: all) so
// that they are read again on next use.
void ReleaseShaders(const char* prefix);
void ReleaseVertexLayouts();
int DrawsAllowed();  // both valid marks set

// The shipped sources' names without extension ("vs_5", ...), written by the build from
// bin/shaders2 of the source tree.
extern const char* const ShippedShaderNames[];
extern const int SHIPPED_SHADER_COUNT;
// Whether the program ships the source "<prefix>_<file number>.glsl" ("vs", "ps" or "cs").
int ShaderShipped(const char* prefix, int fileNumber);
// Forgets which missing sources were logged, so that they are logged again (tests).
void ResetShaderReports();
// The first essential shader (the interface's vertex shader 5, pixel shaders 23 and 24) that
// is not loaded, as the text of the error that ends start-up: the file and, when it does
// not compile, the compiler's first line.  Null when all are loaded (pixel shader 23, which
// no first page draws with, is read then and compiled when first drawn with).
const char* EssentialShaderError();
