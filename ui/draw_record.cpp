// draw_record.cpp - the frame's record of fills and texts for the layout check.
#include "ui/draw_record.h"

#include <algorithm>

#include "core/window_state.h"
#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/text_draw.h"

int DrawRecording;
std::vector<DrawRecordEntry> DrawRecord;
uint32_t DrawRecordScene;
DrawRecordTag DrawRecordCurrentTag;

namespace {

// A text queued into a batch, waiting for the batch to be drawn.
struct QueuedText {
  const TextBatch* batch;
  size_t firstItem, endItem;
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
  e.ownerKind = t.ownerKind;
  e.clickable = t.clickable;
  e.owner = t.owner;
  e.ownerLeft = t.ownerLeft;
  e.ownerTop = t.ownerTop;
  e.ownerRight = t.ownerRight;
  e.ownerBottom = t.ownerBottom;
  e.colour = colour;
  e.label = t.label;
  return e;
}

}  // namespace

void StartDrawRecord() {
  DrawRecord.clear();
  DrawRecordScene = 0;
  g_queued.clear();
  DrawRecordCurrentTag = DrawRecordTag{};
}

void RecordFillPixels(uint32_t colour, float x1, float y1, float x2, float y2) {
  if (!DrawRecording || x2 <= x1 || y2 <= y1) return;
  DrawRecordEntry e = Tagged(DrawRecordCurrentTag.fillRole, colour);
  e.left = x1;
  e.top = y1;
  e.right = x2;
  e.bottom = y2;
  DrawRecord.push_back(std::move(e));
}

void RecordFillUnits(uint32_t colour, float x1, float y1, float x2, float y2) {
  RecordFillPixels(colour, PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2));
}

void TagRecordForControl(int index, int clickable, float left, float top, float right, float bottom,
                         const char* label) {
  if (!DrawRecording) return;
  DrawRecordTag& t = DrawRecordCurrentTag;
  t.role = RECORD_TEXT;
  t.fillRole = RECORD_PANEL;
  t.ownerKind = RECORD_OWNER_CONTROL;
  t.clickable = static_cast<uint8_t>(clickable != 0);
  t.owner = index;
  t.ownerLeft = PixelX(left);
  t.ownerTop = PixelY(top);
  t.ownerRight = PixelX(right);
  t.ownerBottom = PixelY(bottom);
  t.label = label ? label : "";
}

void TagRecordForButton(int index, int clickable, int left, int top, int right, int bottom, const char* label) {
  if (!DrawRecording) return;
  DrawRecordTag& t = DrawRecordCurrentTag;
  t.role = RECORD_TEXT;
  t.fillRole = RECORD_BUTTON;
  t.ownerKind = RECORD_OWNER_BUTTON;
  t.clickable = static_cast<uint8_t>(clickable != 0);
  t.owner = index;
  t.ownerLeft = static_cast<float>(left);
  t.ownerTop = static_cast<float>(top);
  t.ownerRight = static_cast<float>(right);
  t.ownerBottom = static_cast<float>(bottom);
  t.label = label ? label : "";
}

void TagRecordFor(int textRole, int fillRole) {
  if (!DrawRecording) return;
  DrawRecordCurrentTag = DrawRecordTag{};
  DrawRecordCurrentTag.role = static_cast<uint8_t>(textRole);
  DrawRecordCurrentTag.fillRole = static_cast<uint8_t>(fillRole);
}

void RecordQueuedText(const TextBatch& batch, size_t firstItem, const char* text, uint32_t colour) {
  if (!DrawRecording || batch.items.size() <= firstItem) return;
  QueuedText q{&batch, firstItem, batch.items.size(), Tagged(DrawRecordCurrentTag.role, colour)};
  q.entry.text = text ? text : "";
  g_queued.push_back(std::move(q));
}

void RecordDrawnBatch(const TextBatch& batch, int inScreenUnits) {
  if (g_queued.empty()) return;
  for (QueuedText& q : g_queued) {
    if (q.batch != &batch) continue;
    const size_t end = std::min(q.endItem, batch.items.size());
    if (q.firstItem >= end) continue;
    float x0, x1;
    InkSpan(batch.items[q.firstItem], &x0, &x1);
    float y0 = batch.items[q.firstItem].y0, y1 = batch.items[q.firstItem].y1;
    for (size_t i = q.firstItem + 1; i < end; ++i) {
      const TextBatchItem& item = batch.items[i];
      float a, b;
      InkSpan(item, &a, &b);
      x0 = std::min(x0, a);
      x1 = std::max(x1, b);
      y0 = std::min(y0, item.y0);
      y1 = std::max(y1, item.y1);
    }
    DrawRecordEntry& e = q.entry;
    e.left = inScreenUnits ? PixelX(x0) : x0;
    e.top = inScreenUnits ? PixelY(y0) : y0;
    e.right = inScreenUnits ? PixelX(x1) : x1;
    e.bottom = inScreenUnits ? PixelY(y1) : y1;
    if (DrawRecording) DrawRecord.push_back(std::move(e));
  }
  ForgetQueuedTexts(batch);
}

void ForgetQueuedTexts(const TextBatch& batch) {
  std::erase_if(g_queued, [&](const QueuedText& q) { return q.batch == &batch; });
}
