// gfx_fingerprint.cpp - the fingerprints of what textures and buffers hold, and the draws into
// one texture that are only fingerprinted (gfx.h, [Content fingerprints]).
//
// A write's fingerprint is a hash of everything it takes: for a draw the bound state (each
// object by its serial number, which no other object ever has), the fingerprints of the
// buffers and textures it reads, and its counts; the written texture (and depth texture) then
// hash that into what they held.  A clear of a whole one-level texture starts afresh from the
// clear's values, so a frame that clears its target and draws the same things from the same
// inputs ends with the same fingerprint as the frame before.
#include "platform/gfx_local.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint64_t g_serial;

// What a clear, a discarding map, a resolve and so on mix in first, so that two kinds of
// write with the same numbers never give the same fingerprint.
enum WriteKind : uint64_t {
  WRITE_DRAW = 0x1D,
  WRITE_CLEAR,
  WRITE_DISCARDED,
  WRITE_BYTES,
  WRITE_PART,
  WRITE_NOTED,
  WRITE_DISPATCH,
  WRITE_OTHER,
};

struct SkipState {
  std::vector<uint32_t> textures;  // draws into them are only fingerprinted
  std::vector<uint64_t> began;     // their fingerprints when their skipping began
  std::vector<uint32_t> tainted;   // textures drawn from them meanwhile
};
SkipState g_skip;

bool Holds(const std::vector<uint32_t>& list, uint32_t id) {
  return id && std::find(list.begin(), list.end(), id) != list.end();
}

// A skipped texture whose fingerprint moved on no longer holds what it says.
bool Lags(uint32_t id) {
  for (size_t i = 0; i < g_skip.textures.size(); ++i)
    if (g_skip.textures[i] == id) {
      GfxTextureObj* t = g_gfx.textures.Get(id);
      return !t || t->content != g_skip.began[i];
    }
  return Holds(g_skip.tainted, id);
}
GfxWriteWatch* g_watch;

// The reach told for the next draw, in clip space (left, bottom, right, top).
struct DrawReach {
  bool told = false;
  float box[4] = {};
};
DrawReach g_reach;

// The pixels of the texture the write may change: all of them, or the told reach of a draw
// through the viewport, a pixel wider all round (rounding and the rasteriser's rules).
GfxRect WriteBounds(const GfxTextureObj& t, bool draw) {
  const int32_t width = int32_t(t.desc.width), height = int32_t(t.desc.height);
  GfxRect whole{0, 0, width, height};
  if (!draw || !g_reach.told) return whole;
  const GfxViewport& v = g_gfx.bound.viewport;
  const float left = v.topLeftX + (g_reach.box[0] + 1.0f) * 0.5f * v.width;
  const float right = v.topLeftX + (g_reach.box[2] + 1.0f) * 0.5f * v.width;
  const float top = v.topLeftY + (1.0f - g_reach.box[3]) * 0.5f * v.height;
  const float bottom = v.topLeftY + (1.0f - g_reach.box[1]) * 0.5f * v.height;
  if (!(left <= right && top <= bottom) || !(right - left < 1e7f && bottom - top < 1e7f)) return whole;
  GfxRect r{int32_t(std::floor(left)) - 1, int32_t(std::floor(top)) - 1, int32_t(std::ceil(right)) + 1,
            int32_t(std::ceil(bottom)) + 1};
  r.left = std::clamp(r.left, 0, width);
  r.right = std::clamp(r.right, r.left, width);
  r.top = std::clamp(r.top, 0, height);
  r.bottom = std::clamp(r.bottom, r.top, height);
  return r;
}

// A draw or clear into the watched texture: the write's own fingerprint, and what the texture
// held before and holds after it.  True when it is skipped.
bool WatchWrite(GfxTextureObj& t, uint64_t write, uint64_t before, bool draw) {
  GfxWriteWatch& w = *g_watch;
  const size_t i = w.written.size();
  w.written.push_back(write);
  w.writtenBounds.push_back(WriteBounds(t, draw));
  if (w.failed) return true;
  const bool expected = i < w.expected.size() && w.expected[i] == write;
  if (i < w.skip) {
    if (!expected) {
      w.failed = true;
      return true;
    }
    if (i + 1 == w.skip) GfxCopyResource(GfxContext{}, w.texture, w.resume);
    return true;
  }
  if (w.snapshot && w.snapshotAt == SIZE_MAX && (!expected || i >= w.snapshotBefore)) {
    // Just after the skipped writes the texture holds what was copied in: a snapshot that is
    // the picture copied in holds it already.
    if (i != w.skip || w.snapshot.id != w.resume.id) {
      const uint64_t after = t.content;
      t.content = before;
      GfxCopyResource(GfxContext{}, w.snapshot, w.texture);
      t.content = after;
    }
    w.snapshotAt = i;
  }
  return false;
}

uint64_t Mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return x;
}

uint64_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

template <class Pool>
uint64_t SerialOf(Pool& pool, uint32_t id) {
  auto* object = pool.Get(id);
  return object ? object->serial : 0;
}

uint64_t BufferContent(uint32_t id) {
  GfxBufferObj* b = g_gfx.buffers.Get(id);
  return b ? b->content : 0;
}

// A view as a draw reads it: the view itself and what its texture or buffer holds.
uint64_t HashRead(uint64_t h, uint32_t viewId) {
  GfxViewObj* v = g_gfx.views.Get(viewId);
  if (!v) return GfxHashWord(h, 0);
  h = GfxHashWord(h, v->serial);
  if (GfxTextureObj* t = g_gfx.textures.Get(v->texture)) return GfxHashWord(h, t->content);
  return GfxHashWord(h, BufferContent(v->buffer));
}

void Taint(uint32_t textureId) {
  if (textureId && !Holds(g_skip.tainted, textureId)) g_skip.tainted.push_back(textureId);
}

bool ReadsLaggingTexture(const GfxBound& s) {
  if (g_skip.textures.empty()) return false;
  for (uint32_t view : s.srv) {
    GfxViewObj* v = g_gfx.views.Get(view);
    if (v && Lags(v->texture)) return true;
  }
  return false;
}

uint64_t DrawFingerprint(uint32_t kind, uint32_t a, uint32_t b, int32_t c) {
  const GfxBound& s = g_gfx.bound;
  uint64_t h = GfxHashWord(WRITE_DRAW, kind);
  h = GfxHashWord(h, a);
  h = GfxHashWord(h, b);
  h = GfxHashWord(h, uint32_t(c));
  h = GfxHashWord(h, SerialOf(g_gfx.views, s.rtv));
  h = GfxHashWord(h, SerialOf(g_gfx.views, s.dsv));
  h = GfxHashWord(h, SerialOf(g_gfx.blends, s.blend));
  for (float f : s.blendFactor) h = GfxHashWord(h, FloatBits(f));
  h = GfxHashWord(h, SerialOf(g_gfx.depths, s.depth));
  h = GfxHashWord(h, s.stencilRef);
  h = GfxHashWord(h, SerialOf(g_gfx.rasters, s.raster));
  const float viewport[6] = {s.viewport.topLeftX, s.viewport.topLeftY, s.viewport.width,
                             s.viewport.height,   s.viewport.minDepth, s.viewport.maxDepth};
  for (float f : viewport) h = GfxHashWord(h, FloatBits(f));
  const int32_t scissor[4] = {s.scissor.left, s.scissor.top, s.scissor.right, s.scissor.bottom};
  for (int32_t v : scissor) h = GfxHashWord(h, uint32_t(v));
  h = GfxHashWord(h, SerialOf(g_gfx.layouts, s.layout));
  h = GfxHashWord(h, BufferContent(s.vb));
  h = GfxHashWord(h, (uint64_t(s.vbStride) << 32) | s.vbOffset);
  h = GfxHashWord(h, BufferContent(s.ib));
  h = GfxHashWord(h, (uint64_t(s.ibFormat) << 32) | s.ibOffset);
  h = GfxHashWord(h, s.topology);
  h = GfxHashWord(h, SerialOf(g_gfx.shaders, s.vs));
  h = GfxHashWord(h, SerialOf(g_gfx.shaders, s.ps));
  for (int slot = GFX_VS_CB_BASE; slot < GFX_PS_CB_BASE + GFX_CB_SLOTS; ++slot)
    h = GfxHashWord(h, BufferContent(s.cb[slot]));
  for (int unit = 0; unit < GFX_PS_RESOURCE_SLOTS; ++unit) {
    h = HashRead(h, s.srv[unit]);
    h = GfxHashWord(h, SerialOf(g_gfx.samplers, s.sampler[unit]));
  }
  return h;
}

}  // namespace

uint64_t GfxNextSerial() { return ++g_serial; }

uint64_t GfxFreshContent() { return Mix(0x5EED0000000000ull + GfxNextSerial()); }

uint64_t GfxHashWord(uint64_t hash, uint64_t word) { return Mix(hash ^ Mix(word + 0x9E3779B97F4A7C15ull)); }

uint64_t GfxHashBytes(uint64_t hash, const void* bytes, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  hash = GfxHashWord(hash, size);
  // Four lanes over 32-byte blocks, then the words and bytes left.
  uint64_t lanes[4] = {hash, hash ^ 0x1234567ull, hash ^ 0x89ABCDEull, hash ^ 0xF0E1D2C3ull};
  size_t i = 0;
  for (; i + 32 <= size; i += 32)
    for (int k = 0; k < 4; ++k) {
      uint64_t w;
      std::memcpy(&w, p + i + 8 * k, 8);
      lanes[k] = (lanes[k] ^ w) * 0x9E3779B97F4A7C15ull;
      lanes[k] ^= lanes[k] >> 29;
    }
  for (uint64_t lane : lanes) hash = GfxHashWord(hash, lane);
  for (; i + 8 <= size; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    hash = GfxHashWord(hash, w);
  }
  uint64_t tail = 0;
  std::memcpy(&tail, p + i, size - i);
  return GfxHashWord(hash, tail);
}

bool GfxFingerprintDraw(uint32_t kind, uint32_t a, uint32_t b, int32_t c) {
  const uint64_t fp = DrawFingerprint(kind, a, b, c);
  GfxViewObj* colour = g_gfx.views.Get(g_gfx.bound.rtv);
  GfxViewObj* depth = g_gfx.views.Get(g_gfx.bound.dsv);
  GfxTextureObj* target = colour ? g_gfx.textures.Get(colour->texture) : nullptr;
  GfxTextureObj* depthTexture = depth ? g_gfx.textures.Get(depth->texture) : nullptr;
  const uint64_t before = target ? target->content : 0;
  if (target) target->content = GfxHashWord(target->content, fp);
  if (depthTexture) depthTexture->content = GfxHashWord(depthTexture->content, fp);
  bool skipped = target && Holds(g_skip.textures, colour->texture);
  if (target && g_watch && colour->texture == g_watch->texture.id)
    skipped = WatchWrite(*target, fp, before, true) || skipped;
  g_reach = DrawReach{};
  if (skipped || ReadsLaggingTexture(g_gfx.bound)) {
    if (target && !skipped) Taint(colour->texture);
    if (depthTexture) Taint(depth->texture);
  }
  return skipped;
}

void GfxFingerprintDispatch(uint32_t x, uint32_t y, uint32_t z) {
  const GfxBound& s = g_gfx.bound;
  uint64_t h = GfxHashWord(WRITE_DISPATCH, SerialOf(g_gfx.shaders, s.cs));
  h = GfxHashWord(h, (uint64_t(x) << 32) | y);
  h = GfxHashWord(h, z);
  for (int slot = GFX_CS_CB_BASE; slot < GFX_CS_CB_BASE + GFX_CB_SLOTS && slot < GFX_UBO_BINDINGS; ++slot)
    h = GfxHashWord(h, BufferContent(s.cb[slot]));
  h = HashRead(h, s.srv[GFX_CS_SRV_UNIT]);
  for (uint32_t view : s.uav) h = HashRead(h, view);
  for (uint32_t view : s.uav) {
    GfxViewObj* v = g_gfx.views.Get(view);
    if (GfxBufferObj* b = v ? g_gfx.buffers.Get(v->buffer) : nullptr) b->content = GfxHashWord(b->content, h);
  }
}

bool GfxFingerprintClear(uint32_t viewId, const float* values, int count) {
  GfxViewObj* v = g_gfx.views.Get(viewId);
  GfxTextureObj* t = v ? g_gfx.textures.Get(v->texture) : nullptr;
  if (!t) return false;
  uint64_t h = GfxHashWord(WRITE_CLEAR, v->level);
  for (int i = 0; i < count; ++i) h = GfxHashWord(h, FloatBits(values[i]));
  // Only a texture of one level is wholly cleared.
  const uint64_t before = t->content;
  t->content = t->desc.mipLevels == 1 ? h : GfxHashWord(t->content, h);
  bool skipped = v->kind == VIEW_RTV && Holds(g_skip.textures, v->texture);
  if (g_watch && v->kind == VIEW_RTV && v->texture == g_watch->texture.id) skipped = WatchWrite(*t, h, before, false) || skipped;
  return skipped;
}

void GfxFingerprintBufferWrite(GfxBufferObj& b, uint32_t begin, uint32_t end, const void* bytes) {
  if (begin == 0 && end == b.desc.byteWidth)
    b.content = GfxHashBytes(WRITE_BYTES, bytes, end);
  else
    b.content = GfxHashBytes(GfxHashWord(GfxHashWord(b.content, WRITE_PART), (uint64_t(begin) << 32) | end), bytes,
                             end - begin);
}

// ---- [Public calls] ----

uint64_t GfxContentFingerprint(GfxTexture2D texture) {
  GfxTextureObj* t = g_gfx.textures.Get(texture.id);
  return t ? t->content : 0;
}

void GfxNoteWritten(GfxBuffer buffer, uint32_t offset, uint32_t size, const void* bytes) {
  GfxBufferObj* b = g_gfx.buffers.Get(buffer.id);
  if (!b || !b->mapped || size == 0 || offset > b->desc.byteWidth || size > b->desc.byteWidth - offset) return;
  b->content = GfxHashBytes(GfxHashWord(GfxHashWord(b->content, WRITE_NOTED), offset), bytes, size);
  b->noted = true;
}

void GfxSkipDrawsInto(GfxTexture2D texture) {
  if (GfxTextureObj* t = g_gfx.textures.Get(texture.id)) {
    if (Holds(g_skip.textures, texture.id)) return;
    g_skip.textures.push_back(texture.id);
    g_skip.began.push_back(t->content);
    return;
  }
  if (texture.id) return;
  for (size_t i = 0; i < g_skip.textures.size(); ++i) {
    GfxTextureObj* t = g_gfx.textures.Get(g_skip.textures[i]);
    if (t && t->content != g_skip.began[i]) t->content = GfxFreshContent();
  }
  for (uint32_t id : g_skip.tainted)
    if (GfxTextureObj* t = g_gfx.textures.Get(id)) t->content = GfxFreshContent();
  g_skip = SkipState{};
}

void GfxWatchWrites(GfxWriteWatch* watch) { g_watch = watch; }

void GfxForgetDrawReach() { g_reach = DrawReach{}; }

void GfxBoundNextDraw(float left, float bottom, float right, float top) {
  g_reach.told = true;
  g_reach.box[0] = left;
  g_reach.box[1] = bottom;
  g_reach.box[2] = right;
  g_reach.box[3] = top;
}

void GfxForgetContent(GfxTexture2D texture) {
  if (GfxTextureObj* t = g_gfx.textures.Get(texture.id)) t->content = GfxFreshContent();
}

void GfxFingerprintMap(GfxBufferObj& b, uint32_t mapType) {
  b.noted = false;
  if (mapType == GFX_MAP_WRITE_DISCARD) b.content = WRITE_DISCARDED;
}

void GfxFingerprintUnmap(GfxBufferObj& b) {
  if (!b.noted) b.content = GfxFreshContent();
  b.noted = false;
}

uint64_t GfxFingerprintWrite(uint64_t previous, uint32_t kind, uint64_t a, uint64_t b) {
  return GfxHashWord(GfxHashWord(GfxHashWord(GfxHashWord(previous, WRITE_OTHER), kind), a), b);
}
