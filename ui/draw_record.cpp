// draw_record.cpp - the frame's record of fills and texts for the layout check.
#include "ui/draw_record.h"

#include <algorithm>

#include "core/window_state.h"
#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/interface_draw.h"
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

// Sets the entry's extent from its items in the batch; false when they are gone.
bool PlaceQueued(const QueuedText& q, const TextBatch& batch, int inScreenUnits, DrawRecordEntry& e) {
  const size_t end = std::min(q.endItem, batch.items.size());
  if (q.firstItem >= end) return false;
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
  e.left = inScreenUnits ? PixelX(x0) : x0;
  e.top = inScreenUnits ? PixelY(y0) : y0;
  e.right = inScreenUnits ? PixelX(x1) : x1;
  e.bottom = inScreenUnits ? PixelY(y1) : y1;
  return true;
}

}  // namespace

void StartFrameRecord() {
  DrawRecord.clear();
  DrawRecordScene = 0;
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

void TagRecordFor(int textRole, int fillRole) {
  DrawRecordCurrentTag = DrawRecordTag{};
  DrawRecordCurrentTag.role = static_cast<uint8_t>(textRole);
  DrawRecordCurrentTag.fillRole = static_cast<uint8_t>(fillRole);
}

void RecordQueuedText(const TextBatch& batch, size_t firstItem, const char* text, uint32_t colour) {
  if (batch.items.size() <= firstItem || g_queued.size() >= DRAW_RECORD_MAX) return;
  // The interface's own batches; the screens' own (a dashboard's texture, a dial) are pictures.
  if (&batch != &InterfaceTextBatch && &batch != &SmallTextBatch && &batch != &LabelTextBatch &&
      &batch != &MessageLineBatch)
    return;
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
