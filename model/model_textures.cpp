// model_textures.cpp - the textures of a model's cutouts and the texture coordinates of its
// vertices.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <vector>

#include "model/model_meshes.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "text/messages.h"

ModelMeshSettings ModelMeshConfig;
FindSkinTextureHook FindSkinTexture = FindPageTextureByName;
char EditorSkinName[EDITOR_SKIN_NAME_SIZE] = {};

const float ORIENTATION_TABLE[ORIENTATION_COUNT][6] = {
    {1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1}, {0, -1, 1, 0, 1, 0},
    {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},  {1, 0, 0, -1, 0, 1},  {0, -1, -1, 0, 1, 1},
};

namespace {
constexpr int32_t DECAL_HEIGHT = 640;
constexpr int REQUEST_TEXTURE = 1, REQUEST_DECAL = 3, REQUEST_BACKING = 128;
constexpr uint8_t CUTOUT_KEPT_FLAGS = CUTOUT_STORED_FLAG | CUTOUT_BACKING | CUTOUT_SELECTED;
constexpr int PLATE_REGION_HEIGHT = 32;

}  // namespace

// ---- [Texture lookup] ----

Material* FindPageTextureByName(const char* name, int usage, int plateIndex, int requestFlags,
                                const CutoutMaterial& material, int skin) {
  if (skin) return nullptr;  // the car's skin comes with the vehicle model
  const char* wanted = name && name[0] ? name : "PLAIN~W";
  if (Material* special = MapSpecialTextureName(wanted, plateIndex)) return special;
  return GetMaterialByName(wanted, 0, 0, requestFlags, CutoutParams(material), usage);
}

MaterialParams CutoutParams(const CutoutMaterial& m) {
  MaterialParams p;
  static_assert(sizeof p == sizeof m, "a cutout's material is the renderer's parameter block");
  std::memcpy(&p, &m, sizeof p);
  return p;
}

bool IsPlainTextureName(const char* name) {
  if (!name) return false;
  if (std::strchr(name, '/') || std::strchr(name, '\\') || std::strstr(name, "..")) return false;
  return !(std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':');
}

// ---- [Textures] ----

void AssignMeshTextures(ModelObject& o, int usage, uint32_t layerMask) {
  o.textureUsage = static_cast<uint8_t>(usage);
  std::vector<uint8_t> mappingUsed(size_t(o.mappingCount), 0), cutoutUsed(size_t(o.cutoutCount), 0);
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (static_cast<int8_t>(tri.lod) >= 0 && (layerMask >> (tri.layer & 31) & 1) && tri.mapping < o.mappingCount)
      mappingUsed[tri.mapping] = 1;
  }
  for (int i = 0; i < o.mappingCount; ++i)
    if (mappingUsed[size_t(i)])
      for (uint16_t c : o.mappings[i].cutout)
        if (c < o.cutoutCount) cutoutUsed[c] = 1;

  int request = REQUEST_TEXTURE;
  if (usage == 3 && ModelMeshConfig.modeFlag && o.triangleCount > 0) {
    bool decal = true;
    for (int p = 0; p < o.pointCount && decal; ++p) decal = o.points[p].z == DECAL_HEIGHT;
    if (decal) request = REQUEST_DECAL;
  }
  const int slot = ModelMeshConfig.plateSlot;
  const int plateIndex = slot >= 0 ? slot / 4 : 0;

  std::vector<uint8_t> pageRefused(size_t(o.pageCount), 0);
  for (int i = 0; i < o.cutoutCount; ++i) {
    Cutout& c = o.cutouts[i];
    c.texture = nullptr;
    if (!cutoutUsed[size_t(i)]) continue;
    c.flags &= CUTOUT_KEPT_FLAGS;
    if (c.page >= o.pageCount) continue;  // out of range: no texture
    const TexturePage& page = o.pages[c.page];
    MaterialParams params = CutoutParams(c.material);
    SetMaterialFlagsFromName(params, page.name);
    std::memcpy(&c.material, &params, sizeof c.material);
    const int flags = request | ((c.flags & CUTOUT_BACKING) ? REQUEST_BACKING : 0);
    if (page.type == PAGE_SKIN) {
      c.texture = FindSkinTexture(page.name, usage, plateIndex, flags, c.material, 1);
      continue;
    }
    if (!IsPlainTextureName(page.name)) {
      if (!pageRefused[c.page]) {
        pageRefused[c.page] = 1;
        char text[MESSAGE_TEXT_SIZE];
        std::snprintf(text, sizeof text, TEXT_PAGE_NAME_REFUSED, o.name, page.name);
        ShowMessage(text, TextColours.error);
      }
      continue;
    }
    c.texture = FindSkinTexture(page.name, usage, plateIndex, flags, c.material, 0);
    if (slot >= 0 && (strcasecmp(page.name, "s_plate") == 0 || strcasecmp(page.name, "s_plate_ALP") == 0)) {
      c.region[REGION_WIDTH] = 128;
      c.region[REGION_HEIGHT] = PLATE_REGION_HEIGHT;
      c.region[REGION_LEFT] = 0;
      c.region[REGION_TOP] = static_cast<uint8_t>((3 - slot % 4) * PLATE_REGION_HEIGHT);
    }
  }
}

void ClearCutoutTextures(ModelObject& o) {
  for (int i = 0; i < o.cutoutCount; ++i) o.cutouts[i].texture = nullptr;
  for (int c = 0; c < o.childCount && o.children; ++c) ClearCutoutTextures(o.children[c]);
}

// ---- [Texture coordinates] ----

void ComputeTextureCoordinates(float uv[2], const int32_t source[3], const ModelMapping& mapping,
                               const Cutout& cutout, const FixedMatrix& m) {
  int32_t x = source[0];
  if (mapping.work[MAPPING_ONE_SIDED] && int64_t{x} * mapping.offset[0] < 0) x = NegateStored(x);
  const int32_t d[3] = {static_cast<int32_t>(int64_t{x} - mapping.offset[0]),
                        static_cast<int32_t>(int64_t{source[1]} - mapping.offset[1]),
                        static_cast<int32_t>(int64_t{source[2]} - mapping.offset[2])};
  const int32_t s = FixDot3(m.m[0], d[0], m.m[3], d[1], m.m[6], d[2]);
  const int32_t t = FixDot3(m.m[2], d[0], m.m[5], d[1], m.m[8], d[2]);
  const float width = cutout.region[REGION_WIDTH] / 128.0f, height = cutout.region[REGION_HEIGHT] / 128.0f;
  float u = cutout.region[REGION_LEFT] / 128.0f;
  float v = 1.0f - cutout.region[REGION_TOP] / 128.0f;
  if (mapping.width != 0) u += (float(s) / float(mapping.width) + 0.5f) * width;
  if (mapping.height != 0) v -= (float(t) / float(mapping.height) + 0.5f) * height;
  const float* k = ORIENTATION_TABLE[cutout.orientation & 7];
  uv[0] = k[0] * u + k[1] * v + k[4];
  uv[1] = k[2] * u + k[3] * v + k[5];
}
