// generated_textures.cpp - textures from pixels in memory, and glyph-page cell updates.
#include "render/generated_textures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/report.h"
#include "render/device.h"
#include "render/texture_table.h"

namespace {

void ShowTextureError(const char* format, const char* name, GfxResult r) {
  char line[160];
  std::snprintf(line, sizeof line, format, name, HResultName(uint32_t(r)));
  ReportLine(line, REPORT_MESSAGE);
}

}  // namespace

void HalveImage(uint8_t* rgba, int size, int alphaMode) {
  const int half = size / 2;
  for (int y = 0; y < half; ++y) {
    for (int x = 0; x < half; ++x) {
      const uint8_t* p[4] = {rgba + (size_t(2 * y) * size + 2 * x) * 4, rgba + (size_t(2 * y) * size + 2 * x + 1) * 4,
                             rgba + (size_t(2 * y + 1) * size + 2 * x) * 4,
                             rgba + (size_t(2 * y + 1) * size + 2 * x + 1) * 4};
      uint32_t sum[4] = {}, weighted[3] = {};
      for (const uint8_t* q : p) {
        for (int c = 0; c < 4; ++c) sum[c] += q[c];
        for (int c = 0; c < 3; ++c) weighted[c] += uint32_t(q[c]) * q[3];
      }
      uint8_t out[4];
      if (alphaMode == 32) {
        out[0] = out[1] = out[2] = 255;
        out[3] = uint8_t(sum[3] / 4);
      } else if (alphaMode == 8) {
        // Colour weighted by alpha, so that transparent texels do not darken the edge.
        for (int c = 0; c < 3; ++c) out[c] = uint8_t(sum[3] ? weighted[c] / sum[3] : sum[c] / 4);
        out[3] = uint8_t(sum[3] / 4);
      } else {
        for (int c = 0; c < 3; ++c) out[c] = uint8_t(sum[c] / 4);
        out[3] = 255;
      }
      // Written row by row into the top-left quarter: the source pixels read here are never
      // those already overwritten.
      std::memcpy(rgba + (size_t(y) * half + x) * 4, out, 4);
    }
  }
}

int fill_texture(ZKTETexture* record, const uint8_t* rgba, int size, int alphaMode, int gamma) {
  if (!record || !record->texture || record->width != size || record->height != size) return 0;
  const bool alphaOnly = record->format == GFX_FORMAT_A8_UNORM || record->format == GFX_FORMAT_R8_UNORM;
  if (!alphaOnly && record->format != GFX_FORMAT_R8G8B8A8_UNORM_SRGB) return 0;
  std::vector<uint8_t> source;
  if (rgba) source.assign(rgba, rgba + size_t(size) * size * 4);
  uint8_t gammaTable[256];
  for (int v = 0; v < 256; ++v)
    gammaTable[v] = gamma ? uint8_t(std::lround(255.0 * std::pow(v / 255.0, 1.0 / 2.2))) : uint8_t(v);
  std::vector<uint8_t> scratch;
  int levelSize = size;
  for (int level = 0; level < record->mipLevels && size >> level >= 1; ++level) {
    if (level > 0) {
      if (rgba) HalveImage(source.data(), levelSize, alphaMode);
      levelSize /= 2;
    }
    const size_t texels = size_t(levelSize) * levelSize;
    if (alphaOnly) {
      scratch.assign(texels, 0);
      if (rgba)
        for (size_t i = 0; i < texels; ++i) scratch[i] = source[i * 4 + 3];
    } else if (!rgba) {
      scratch.assign(texels * 4, 255);
      for (size_t i = 0; i < texels; ++i) scratch[i * 4 + 3] = 0;
    } else {
      scratch.assign(source.begin(), source.begin() + ptrdiff_t(texels * 4));
      if (gamma)
        for (size_t i = 0; i < texels * 4; ++i)
          if (i % 4 != 3) scratch[i] = gammaTable[scratch[i]];
    }
    const uint32_t rowPitch = uint32_t(levelSize) * (alphaOnly ? 1 : 4);
    GfxUpdateSubresource(Gfx.context, record->texture, uint32_t(level), nullptr, scratch.data(), rowPitch, 0);
  }
  return 1;
}

namespace {

// The record's texture and view; with fill, its levels from the pixels (null: white with alpha
// 0), else left as the device made them.  A coverage texture holds only the alpha bytes, a
// quarter of the memory, and reads as white with that alpha, as the RGBA pages read.
int MakeTexture(ZKTETexture* record, int size, const uint8_t* rgba, bool fill, bool coverage = false) {
  if (!record || size <= 0 || size > 16384) return 0;
  int alpha = 0;
  TextureFlagsFromName(record->name, &alpha);
  if (alpha) record->flags |= TEXTURE_HAS_ALPHA;
  // The caller's pixels stay as they were: the halving works on a copy.
  std::vector<uint8_t> pixels;
  if (rgba) pixels.assign(rgba, rgba + size_t(size) * size * 4);
  const int limit = std::clamp(TextureConfig.maxGeneratedSize, 1, 16384);
  while (size > limit) {
    if (rgba) HalveImage(pixels.data(), size, alpha);
    size /= 2;
  }
  GfxTexture2DDesc d;
  d.width = d.height = uint32_t(size);
  d.mipLevels = uint32_t(std::max(TextureConfig.mipLevels, 0));
  uint32_t chain = 1;
  for (int s = size; s > 1; s /= 2) ++chain;
  if (d.mipLevels > chain) d.mipLevels = chain;
  d.arraySize = 1;
  d.format = coverage ? GFX_FORMAT_R8_UNORM : GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxResult r = GfxCreateTexture2D(Gfx.device, d, nullptr, &record->texture);
  if (GfxFailed(r)) {
    ShowTextureError("Could not create generated texture %s (%s)", record->name, r);
    return 0;
  }
  if (coverage) {
    static const uint8_t WHITE_WITH_COVERAGE[4] = {GFX_SWIZZLE_ONE, GFX_SWIZZLE_ONE, GFX_SWIZZLE_ONE, GFX_SWIZZLE_R};
    GfxSetTextureSwizzle(record->texture, WHITE_WITH_COVERAGE);
  }
  ReadTextureDescription(record);
  if (fill) fill_texture(record, rgba ? pixels.data() : nullptr, size, alpha, 0);
  r = GfxCreateShaderResourceView(Gfx.device, record->texture, nullptr, &record->view);
  if (GfxFailed(r)) {
    ShowTextureError("Could not create SRV for texture %s (%s)", record->name, r);
    GfxRelease(record->texture);
    return 0;
  }
  record->state = TEXTURE_OWNED;
  return 1;
}

ZKTETexture* CreateListed(const char* name, int size, const uint8_t* rgba, bool fill, bool coverage = false) {
  // A listed record of that name is made again in place: materials may hold it.
  if (ZKTETexture* listed = AddTextureRef(name, GEN_TYPE_INTERFACE)) {
    ReleaseTextureObjects(listed);
    listed->flags = 0;
    return MakeTexture(listed, size, rgba, fill, coverage) ? listed : nullptr;
  }
  ZKTETexture* record = CreateZKTETextureNULL(name, GEN_TYPE_INTERFACE, TEXTURE_TYPE_GENERAL);
  if (!record) return nullptr;
  if (!MakeTexture(record, size, rgba, fill, coverage)) {
    FreeTextureRecord(record);
    return nullptr;
  }
  return record;
}

}  // namespace

int generate_texture(ZKTETexture* record, int size, const uint8_t* rgba) { return MakeTexture(record, size, rgba, true); }

ZKTETexture* CreateGeneratedTexture(const char* name, int size, const uint8_t* rgba) {
  return CreateListed(name, size, rgba, true);
}

ZKTETexture* CreateCoverageTexture(const char* name, int size, const uint8_t* rgba, bool fill) {
  return CreateListed(name, size, rgba, fill, true);
}

void update_texture_slot(ZKTETexture* record, int x, int y, const uint8_t* cell) {
  if (!record || !record->texture || !cell || x < 0 || y < 0) return;
  const bool alphaOnly = record->format == GFX_FORMAT_A8_UNORM;
  if (!alphaOnly && record->format != GFX_FORMAT_R8G8B8A8_UNORM_SRGB) return;
  std::vector<uint8_t> source(cell, cell + GLYPH_CELL_PIXELS * GLYPH_CELL_PIXELS * 4);
  std::vector<uint8_t> alpha;
  int s = GLYPH_CELL_PIXELS;
  for (int level = 0; level < GLYPH_CELL_LEVELS && level < record->mipLevels; ++level, s /= 2) {
    if (level > 0) HalveImage(source.data(), s * 2, 32);
    const int levelWidth = std::max(record->width >> level, 1), levelHeight = std::max(record->height >> level, 1);
    if ((x + 1) * s > levelWidth || (y + 1) * s > levelHeight) return;  // the cell lies off the page
    GfxBox box;
    box.left = uint32_t(x * s);
    box.top = uint32_t(y * s);
    box.right = uint32_t((x + 1) * s);
    box.bottom = uint32_t((y + 1) * s);
    const uint8_t* data = source.data();
    uint32_t rowPitch = uint32_t(s) * 4;
    if (alphaOnly) {
      alpha.resize(size_t(s) * s);
      for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = source[i * 4 + 3];
      data = alpha.data();
      rowPitch = uint32_t(s);
    }
    GfxUpdateSubresource(Gfx.context, record->texture, uint32_t(level), &box, data, rowPitch, 0);
  }
}
