// draw_record.cpp - the frame's record of fills and texts for the layout check.
#include "ui/draw_record.h"

#include <algorithm>

#include "core/window_state.h"
#include "render/frame.h"
#include "render/render_target.h"
#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/text_draw.h"

int DrawRecording;
std::vector<DrawRecordEntry> DrawRecord;
DrawRecordTag DrawRecordCurrentTag;

namespace {

// A text queued into a batch, waiting for the batch to be drawn.
struct QueuedText {
  const TextBatch* batch;
  size_t firstItem, endItem;
  bool blank;             // spaces only: nothing to read
  DrawRecordEntry entry;  // without its extent yet
};
std::vector<QueuedText> g_queued;

// A glyph item's box runs a texture margin beyond its advance on both sides: the extent is
// the advance, where measuring puts the text.
void InkSpan(const TextBatchItem& item, float* x0, float* x1) {
  *x0 = item.x0;
  *x1 = item.x1;
  if (item.texturePage >= FONT_TEXTURE_PAGES || item.glyph >= GLYPH_COUNT) return;
  constexpr float MARGIN = FONT_PAGE_MARGIN / FONT_PAGE_CELL;
  const float cells = CharMetrics[item.glyph].width + 2.0f * MARGIN;
  if (cells <= 0.0f) return;
  const float margin = MARGIN * (item.x1 - item.x0) / cells;
  *x0 += margin;
  *x1 -= margin;
}

float PixelX(float x) { return (x + 1.0f) * 0.5f * static_cast<float>(ScreenWidth); }
float PixelY(float y) { return (y + 1.0f) * 0.5f * static_cast<float>(ScreenHeight); }

DrawRecordEntry Tagged(int role, uint32_t colour) {
  const DrawRecordTag& t = DrawRecordCurrentTag;
  DrawRecordEntry e{};
  e.role = static_cast<uint8_t>(role);
  e.squeeze = 1.0f;
  e.ownerKind = t.ownerKind;
  e.clickable = t.clickable;
  e.marker = t.marker;
  e.inner = t.inner;
  e.owner = t.owner;
  e.ownerLeft = t.ownerLeft;
  e.ownerTop = t.ownerTop;
  e.ownerRight = t.ownerRight;
  e.ownerBottom = t.ownerBottom;
  e.colour = colour;
  if (DrawRecording) e.label = t.label;
  return e;
}

void Push(DrawRecordEntry&& e) {
  if (DrawRecord.size() < DRAW_RECORD_MAX) DrawRecord.push_back(std::move(e));
}

// The cell height and the width unit of a vector glyph's item (in the batch's units), from
// its glyph's sizes; false for a double-byte glyph or one without ink.
bool GlyphUnits(const TextBatchItem& item, float* height, float* across) {
  if (item.texturePage >= FONT_TEXTURE_PAGES || item.glyph >= GLYPH_COUNT) return false;
  const GlyphMetrics& m = CharMetrics[item.glyph];
  if (m.height <= 0.0f || m.width <= 0.0f) return false;
  constexpr float MARGIN = FONT_PAGE_MARGIN / FONT_PAGE_CELL;
  *height = (item.y1 - item.y0) / m.height;
  *across = (item.x1 - item.x0) / (m.width + 2.0f * MARGIN);
  return true;
}

// Sets the entry's extent, sizes and (while recording) coloured spans from its items in the
// batch; false when they are gone.
bool PlaceQueued(const QueuedText& q, const TextBatch& batch, int inScreenUnits, DrawRecordEntry& e) {
  const size_t end = std::min(q.endItem, batch.items.size());
  if (q.firstItem >= end) return false;
  const float sx = inScreenUnits ? 0.5f * static_cast<float>(ScreenWidth) : 1.0f;
  const float sy = inScreenUnits ? 0.5f * static_cast<float>(ScreenHeight) : 1.0f;
  auto px = [&](float x) { return inScreenUnits ? PixelX(x) : x; };
  auto py = [&](float y) { return inScreenUnits ? PixelY(y) : y; };
  float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  e.glyphHeight = 0.0f;
  e.squeeze = 1.0f;
  e.spans.clear();
  for (size_t i = q.firstItem; i < end; ++i) {
    const TextBatchItem& item = batch.items[i];
    float a, b;
    InkSpan(item, &a, &b);
    const DrawRecordSpan box{item.colour, px(a), py(item.y0), px(b), py(item.y1), 1};
    if (i == q.firstItem) {
      x0 = box.left, y0 = box.top, x1 = box.right, y1 = box.bottom;
    } else {
      x0 = std::min(x0, box.left), y0 = std::min(y0, box.top);
      x1 = std::max(x1, box.right), y1 = std::max(y1, box.bottom);
    }
    float height, across;
    if (GlyphUnits(item, &height, &across) && height > 0.0f) {
      e.glyphHeight = std::max(e.glyphHeight, height * sy);
      // Unsqueezed, a glyph is as wide per size as it is high: its cell is GLYPH_BOX_HEIGHT of it.
      e.squeeze = std::min(e.squeeze, across * sx * GLYPH_BOX_HEIGHT / (height * sy));
    }
    if (!DrawRecording) continue;
    // A new span for a new colour, and for a new line (a glyph left of the one before).
    DrawRecordSpan* last = e.spans.empty() ? nullptr : &e.spans.back();
    if (last && last->colour == box.colour && box.left >= last->right - 0.5f * (box.bottom - box.top)) {
      last->top = std::min(last->top, box.top), last->bottom = std::max(last->bottom, box.bottom);
      last->left = std::min(last->left, box.left), last->right = std::max(last->right, box.right);
      ++last->glyphs;
    } else {
      e.spans.push_back(box);
    }
  }
  e.left = x0, e.top = y0, e.right = x1, e.bottom = y1;
  return true;
}

// Texts queued while a texture other than the frame's own is the target become part of a
// picture (a dashboard, a clock), not of the screen.
bool DrawingIntoPicture() {
  return RenderTargets.renderTexture && RenderTargets.renderTexture != RenderTexture.texture;
}

}  // namespace

void StartFrameRecord() {
  DrawRecord.clear();
  DrawRecordCurrentTag = DrawRecordTag{};
}

void ResetDrawRecord() {
  StartFrameRecord();
  g_queued.clear();
}

void RecordFillPixels(uint32_t colour, float x1, float y1, float x2, float y2) {
  if (x2 <= x1 || y2 <= y1) return;
  DrawRecordEntry e = Tagged(DrawRecordCurrentTag.fillRole, colour);
  e.left = x1;
  e.top = y1;
  e.right = x2;
  e.bottom = y2;
  Push(std::move(e));
}

void RecordFillUnits(uint32_t colour, float x1, float y1, float x2, float y2) {
  RecordFillPixels(colour, PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2));
}

void TagRecordForControl(int index, int clickable, float left, float top, float right, float bottom,
                         const char* label) {
  DrawRecordTag& t = DrawRecordCurrentTag;
  t.role = RECORD_TEXT;
  t.fillRole = RECORD_PANEL;
  t.ownerKind = RECORD_OWNER_CONTROL;
  t.marker = t.inner = 0;
  t.clickable = static_cast<uint8_t>(clickable != 0);
  t.owner = index;
  t.ownerLeft = PixelX(left);
  t.ownerTop = PixelY(top);
  t.ownerRight = PixelX(right);
  t.ownerBottom = PixelY(bottom);
  if (DrawRecording) t.label = label ? label : "";
}

void TagRecordForButton(int index, int clickable, int left, int top, int right, int bottom, const char* label,
                        int marker, int inner) {
  DrawRecordTag& t = DrawRecordCurrentTag;
  t.marker = static_cast<uint8_t>(marker != 0);
  t.inner = static_cast<uint8_t>(inner != 0);
  t.role = RECORD_TEXT;
  t.fillRole = RECORD_BUTTON;
  t.ownerKind = RECORD_OWNER_BUTTON;
  t.clickable = static_cast<uint8_t>(clickable != 0);
  t.owner = index;
  t.ownerLeft = static_cast<float>(left);
  t.ownerTop = static_cast<float>(top);
  t.ownerRight = static_cast<float>(right);
  t.ownerBottom = static_cast<float>(bottom);
  if (DrawRecording) t.label = label ? label : "";
}

void TagRecordFor(int textRole, int fillRole, int marker) {
  DrawRecordCurrentTag = DrawRecordTag{};
  DrawRecordCurrentTag.role = static_cast<uint8_t>(textRole);
  DrawRecordCurrentTag.fillRole = static_cast<uint8_t>(fillRole);
  DrawRecordCurrentTag.marker = static_cast<uint8_t>(marker != 0);
}

void RecordQueuedText(const TextBatch& batch, size_t firstItem, const char* text, uint32_t colour) {
  if (batch.items.size() <= firstItem || g_queued.size() >= DRAW_RECORD_MAX) return;
  if (&batch == &Text3DBatch || DrawingIntoPicture()) return;
  bool blank = true;
  for (const char* p = text; p && *p && blank; ++p) blank = *p == ' ';
  QueuedText q{&batch, firstItem, batch.items.size(), blank, Tagged(DrawRecordCurrentTag.role, colour)};
  if (DrawRecording) q.entry.text = text ? text : "";
  g_queued.push_back(std::move(q));
}

void RecordDrawnBatch(const TextBatch& batch, int inScreenUnits) {
  for (QueuedText& q : g_queued)
    if (q.batch == &batch && PlaceQueued(q, batch, inScreenUnits, q.entry)) Push(std::move(q.entry));
  ForgetQueuedTexts(batch);
}

void WaitingTexts(const TextBatch& batch, int inScreenUnits, std::vector<DrawRecordEntry>& out,
                  std::vector<TextItemRange>* items) {
  out.clear();
  if (items) items->clear();
  for (const QueuedText& q : g_queued) {
    DrawRecordEntry e = q.entry;
    if (q.batch != &batch || q.blank || !PlaceQueued(q, batch, inScreenUnits, e)) continue;
    out.push_back(std::move(e));
    if (items) items->push_back({q.firstItem, std::min(q.endItem, batch.items.size())});
  }
}

void ForgetQueuedTexts(const TextBatch& batch) {
  std::erase_if(g_queued, [&](const QueuedText& q) { return q.batch == &batch; });
}

void RecordArea(const char* name, float left, float top, float right, float bottom) {
  if (!DrawRecording || !(right > left) || !(bottom > top)) return;
  DrawRecordEntry e = Tagged(RECORD_AREA, 0);
  e.ownerKind = RECORD_OWNER_NONE;
  e.owner = -1;
  e.clickable = e.marker = e.inner = 0;
  e.ownerLeft = e.ownerTop = e.ownerRight = e.ownerBottom = 0.0f;
  e.left = left, e.top = top, e.right = right, e.bottom = bottom;
  e.label = name ? name : "";
  Push(std::move(e));
}

void RecordAreaUnits(const char* name, float left, float top, float right, float bottom) {
  RecordArea(name, PixelX(left), PixelY(top), PixelX(right), PixelY(bottom));
}
