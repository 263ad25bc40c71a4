// object_picture.cpp - object pictures drawn into "SSHOT~T", and the editor's frame clear and
// ground.
#include "render/object_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "core/report.h"
#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw_mesh.h"
#include "render/frame.h"
#include "render/generated_textures.h"
#include "render/gouraud_mesh.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/screenshot.h"
#include "render/shaders.h"
#include "render/texture_table.h"
#include "render/views.h"

int EditorFrameCleared;
int EditorDrawingOff;

namespace {

constexpr int PICTURE_SAMPLER = 4;  // linear, wrap, no bias
constexpr int VS_ROW_PICTURE = 1;   // the echo offset and the light direction
constexpr int BLEND_OFF = 0, BLEND_ALPHA = 2;
constexpr int RASTER_NO_CULLING = 6, RASTER_WIREFRAME = 7;
constexpr int DEPTH_OFF = 1;
constexpr uint32_t BATCH_TRIANGLES = STREAM_LIT_VERTICES / 3;  // every triangle has its own three vertices

// The picture's light: from above, a little to the front and the side (unit length).
constexpr float PICTURE_LIGHT[3] = {0.30151134f, -0.30151134f, 0.90453403f};

const Material* PartMaterial(const GouraudPart& part) { return part.key ? part.key : GetDefaultMaterial(); }

bool InLayers(const Material* m, int layers) {
  const bool alpha = m && m->params.alphaMode != 0;
  return (layers & (alpha ? PICTURE_LAYER_ALPHA : PICTURE_LAYER_SOLID)) != 0;
}

VertexLit LayoutVertex(const GouraudPoint& p) {
  VertexLit v{};
  v.x = float(p.x) / 65536.0f;
  v.y = float(p.y) / 65536.0f;
  v.z = float(p.z) / 65536.0f;
  v.normal[0] = int8_t(std::lround(std::clamp(p.nx, -1.0f, 1.0f) * 127.0f));
  v.normal[1] = int8_t(std::lround(std::clamp(p.ny, -1.0f, 1.0f) * 127.0f));
  v.normal[2] = int8_t(std::lround(std::clamp(p.nz, -1.0f, 1.0f) * 127.0f));
  v.normal[3] = 127;
  const uint32_t rgb = p.colour ? uint32_t(p.colour->red) << 16 | uint32_t(p.colour->green) << 8 | p.colour->blue
                                : 0xFFFFFFu;
  v.colour0 = 0xFF000000u | rgb;
  v.u = p.u;
  v.v = p.v;
  return v;
}

// Every part of the mesh tree in the layers, its triangles laid out by their texture
// coordinates, drawn with the material's shaders of the draw mode (9 echo, 10 render).
void DrawLayout(const GouraudO3d& mesh, int layers, int drawMode) {
  CircularVBuffer& b = StreamLit;
  int firstTriangle = 0;
  for (int k = 0; k < mesh.partCount; ++k) {
    const GouraudPart& part = mesh.parts[k];
    const Material* m = PartMaterial(part);
    if (InLayers(m, layers)) {
      for (int t = 0; t < part.triangleCount;) {
        const uint32_t n = std::min<uint32_t>(uint32_t(part.triangleCount - t), BATCH_TRIANGLES);
        if (!b.StartBuf(m, 1, 1)) return;
        VertexLit* vertices = reinterpret_cast<VertexLit*>(b.vertexWrite);
        uint16_t* indices = b.indexWrite;
        for (uint32_t i = 0; i < n; ++i) {
          const GouraudTriangle& tri = mesh.triangles[firstTriangle + t + int(i)];
          for (int c = 0; c < 3; ++c) {
            const int point = tri.index[c] < mesh.pointCount ? tri.index[c] : 0;
            vertices[3 * i + c] = LayoutVertex(mesh.points[point]);
            indices[3 * i + c] = uint16_t(3 * i + c);
          }
        }
        b.vertexCount = 3 * n;
        b.triangleCount = n;
        b.UnlockBuffer();
        ApplyMaterial(m, drawMode);
        b.DrawBuffer(PICTURE_SAMPLER);
        t += int(n);
      }
    }
    firstTriangle += part.triangleCount;
  }
  for (int c = 0; c < mesh.childCount; ++c)
    if (mesh.children[c] && mesh.children[c]->IsGouraud())
      DrawLayout(*static_cast<const GouraudO3d*>(mesh.children[c]), layers, drawMode);
}

void SetPictureRow(float offsetX, float offsetY) {
  const float row[8] = {offsetX, offsetY, 0.0f, 0.0f, PICTURE_LIGHT[0], PICTURE_LIGHT[1], PICTURE_LIGHT[2], 0.0f};
  UploadConstantRowData(0, VS_ROW_PICTURE, row, sizeof row);
}

uint32_t BackgroundOf(int mode) {
  switch (mode) {
    case PICTURE_SHADED: return 0xFFB0B0B0u;
    case PICTURE_WIRE_ON_WHITE: return 0xFFFFFFFFu;
    default: return 0xFF000000u;
  }
}

void DrawPicture(const GouraudO3d& object, int layers, int mode, int size) {
  RenderStateTable& s = RenderStates;
  const int blend = s.pendingBlend, raster = s.pendingRaster, depth = s.pendingDepth;
  const int solid = RenderSolidPixelShader, alpha = RenderAlphaPixelShader;
  s.pendingDepth = DEPTH_OFF;
  SetPictureRow(0.0f, 0.0f);
  if (mode == PICTURE_HALO) {
    // The halo: the layers in white at offsets around a circle of 4 pixels (2 in the small
    // picture), then the layers in black over them.
    const int count = size >= 2048 ? 24 : 12;
    const float radius = size >= 2048 ? 4.0f : 2.0f;
    s.pendingBlend = BLEND_ALPHA;
    s.pendingRaster = RASTER_NO_CULLING;
    for (int k = 0; k < count; ++k) {
      const float angle = float(k) * 6.2831853f / float(count);
      SetPictureRow(2.0f * radius * std::cos(angle) / float(size), 2.0f * radius * std::sin(angle) / float(size));
      DrawLayout(object, layers, 9);
    }
    SetPictureRow(0.0f, 0.0f);
  }
  switch (mode) {
    case PICTURE_SHADED:
    case PICTURE_HALO:
      RenderSolidPixelShader = mode == PICTURE_SHADED ? 16 : 12;
      RenderAlphaPixelShader = mode == PICTURE_SHADED ? 17 : 13;
      s.pendingBlend = BLEND_ALPHA;
      s.pendingRaster = RASTER_NO_CULLING;
      DrawLayout(object, layers, 10);
      break;
    default:
      // The wireframes are drawn with blending off, so every edge shows at full strength
      // whatever the texture's alpha: black through the render shader on white, white
      // through the echo shader (without offset) on black.
      RenderSolidPixelShader = 12;
      RenderAlphaPixelShader = 13;
      s.pendingBlend = BLEND_OFF;
      s.pendingRaster = RASTER_WIREFRAME;
      DrawLayout(object, layers, mode == PICTURE_WIRE_ON_WHITE ? 10 : 9);
      break;
  }
  RenderSolidPixelShader = solid;
  RenderAlphaPixelShader = alpha;
  s.pendingBlend = blend;
  s.pendingRaster = raster;
  s.pendingDepth = depth;
}

// ---- The editor's ground ----
struct EditorGround {
  CircularVBuffer discs[2];  // [0] seen from above, [1] from below
  Material material{};
  ZKTETexture* texture = nullptr;
  int made = 0;
};
EditorGround g_ground;

constexpr int GROUND_POINTS = 64;
constexpr int GROUND_TEXTURE_SIZE = 64;
constexpr const char* GROUND_TEXTURE = "EDGROUND~T";

// Grey at the centre, fading to nothing at the rim: the ground shows under the object and
// goes without an edge into the background.
void GroundPicture(std::vector<uint8_t>& rgba) {
  rgba.assign(size_t(GROUND_TEXTURE_SIZE) * GROUND_TEXTURE_SIZE * 4, 0);
  const float centre = (GROUND_TEXTURE_SIZE - 1) / 2.0f;
  for (int y = 0; y < GROUND_TEXTURE_SIZE; ++y)
    for (int x = 0; x < GROUND_TEXTURE_SIZE; ++x) {
      const float r = std::hypot(float(x) - centre, float(y) - centre) / (GROUND_TEXTURE_SIZE / 2.0f);
      const float fade = std::clamp(1.0f - r, 0.0f, 1.0f);
      uint8_t* p = &rgba[(size_t(y) * GROUND_TEXTURE_SIZE + size_t(x)) * 4];
      p[0] = p[1] = p[2] = uint8_t(96 + std::lround(64.0f * fade));
      p[3] = uint8_t(std::lround(255.0f * std::sqrt(fade)));
    }
}

bool MakeGround() {
  EditorGround& g = g_ground;
  std::vector<uint8_t> rgba;
  GroundPicture(rgba);
  g.texture = CreateGeneratedTexture(GROUND_TEXTURE, GROUND_TEXTURE_SIZE, rgba.data());
  if (!g.texture) return false;
  g.material = Material{};
  g.material.texture = g.texture;
  g.material.drawKind = 1;
  g.material.layout = 2;
  g.material.params.alphaMode = 2;
  for (int side = 0; side < 2; ++side) {
    CircularVBuffer& d = g.discs[side];
    if (!d.InitBuf(2, 0, GROUND_POINTS + 1, GROUND_POINTS) || !d.StartBuf(&g.material, 0, 0)) return false;
    VertexLine3D* v = reinterpret_cast<VertexLine3D*>(d.vertexWrite);
    const uint32_t colour = side == 0 ? 0xFFFFFFFFu : 0xFF808080u;  // the underside darker
    v[0] = VertexLine3D{0, 0, 0, colour, 0.5f, 0.5f};
    for (int i = 0; i < GROUND_POINTS; ++i) {
      // Starting half a step before the x axis, so that the ring is even about it.
      const float a = -3.14159265f / GROUND_POINTS + float(i) * 6.2831853f / GROUND_POINTS;
      const float c = std::cos(a), s = std::sin(a);
      v[1 + i] = VertexLine3D{EDITOR_GROUND_RADIUS_M * c, EDITOR_GROUND_RADIUS_M * s, 0, colour, 0.5f + 0.5f * c,
                              0.5f - 0.5f * s};
    }
    for (int i = 0; i < GROUND_POINTS; ++i) {
      const uint16_t a = uint16_t(1 + i), b = uint16_t(1 + (i + 1) % GROUND_POINTS);
      uint16_t* t = d.indexWrite + 3 * i;
      t[0] = 0;
      t[1] = side == 0 ? b : a;
      t[2] = side == 0 ? a : b;
    }
    d.vertexCount = GROUND_POINTS + 1;
    d.triangleCount = GROUND_POINTS;
    d.UnlockBuffer();
  }
  g.made = 1;
  return true;
}

}  // namespace

// ---- [Object pictures] ----

int ObjectPictureSize() { return (CfgEditorOptions & EDITOR_OPTION_SMALL_PICTURE) ? 1024 : 2048; }

ZKTETexture* DrawObjectPicture(Prss* owner, const GouraudO3d& object, int layers, int mode) {
  const int size = ObjectPictureSize();
  ZKTETexture* t = AddTextureRef(OBJECT_PICTURE_TEXTURE, GEN_TYPE_RENDER);
  if (t && (t->width != size || t->height != size || !t->secondTexture)) {
    FreeTextureRecord(t);
    t = nullptr;
  }
  if (!t) t = CreateZKTETextureRT(OBJECT_PICTURE_TEXTURE, size, size, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, RT_MULTISAMPLE);
  if (!t) {
    ReportBox(owner, "Could not create render target");
    return nullptr;
  }
  if (!SetRenderTexture(t, 0, 0, 0)) {
    FreeTextureRecord(t);
    ReportBox(owner, "Could not set render texture");
    return nullptr;
  }
  Clear(BackgroundOf(mode), 1);
  DrawPicture(object, layers, mode, size);
  UnsetRenderTarget();  // resolves the samples into the texture
  BindTextureSlot(0, nullptr);
  return t;
}

void CopyObjectImageToClipboard(Prss* owner, const GouraudO3d& object, int layers, int mode) {
  ZKTETexture* t = DrawObjectPicture(owner, object, layers, mode);
  if (!t) return;
  CaptureSourceOverride = t->texture;
  CopyScreenToClipboard();
  CaptureSourceOverride = GfxTexture2D{};
  FreeTextureRecord(t);
}

// ---- [Editor frame] ----

int BeginEditorFrameClear() {
  if (EditorFrameCleared) return 0;
  EditorFrameCleared = 1;
  if (Gfx.device && LastPresentStatus == PRESENT_OK) {
    for (int slot = 0; slot < TEXTURE_SLOTS; ++slot) BindTextureSlot(slot, nullptr);
    FlushStates();
  }
  if (EditorDrawingOff || !CurrentView) return 0;
  const float rgba[4] = {CurrentView->ambient[0], CurrentView->ambient[1], CurrentView->ambient[2], 1.0f};
  ClearRGBA(rgba);
  return 1;
}

void DrawEditorGround() {
  if (!Gfx.device) return;
  if (!g_ground.made && !MakeGround()) {
    ReleaseEditorGround();
    return;
  }
  RenderStateTable& s = RenderStates;
  const int blend = s.pendingBlend, raster = s.pendingRaster, depth = s.pendingDepth;
  s.pendingBlend = BLEND_ALPHA;
  s.pendingRaster = 0;  // back faces culled: one disc shows from each side
  s.pendingDepth = 2;   // tested, not written: what stands on the ground is drawn over it
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  for (CircularVBuffer& d : g_ground.discs) d.DrawBuffer3D();
  s.pendingBlend = blend;
  s.pendingRaster = raster;
  s.pendingDepth = depth;
}

void ReleaseEditorGround() {
  EditorGround& g = g_ground;
  for (CircularVBuffer& d : g.discs) d.Close();
  if (g.texture) FreeTextureRecord(g.texture);
  g.texture = nullptr;
  g.material = Material{};
  g.made = 0;
}
