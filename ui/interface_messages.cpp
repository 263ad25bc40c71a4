// interface_messages.cpp - the message lines, the message history and the status lines: drawn
// after every panel and button, each on a backing its text stands out from, at its usual place
// when no row or text lies there, else in the nearest free place; a line wider than the room
// it finds is wrapped onto more rows, so its end (the reason, mostly) is read too: at a blank,
// else after a "/" or "_" of a path, and inside a word only where the word alone is wider.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <vector>

#include "core/window_state.h"
#include "render/draw2d.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "ui/contrast.h"
#include "ui/draw_record.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/screen_labels.h"
#include "ui/character_set.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

TextBatch MessageLineBatch;
float MessageTop = -1.0f;
int MessageAreaReserved;
float MessageTextSize = 0.05f;

namespace {

constexpr uint32_t MESSAGE_BACKING = 0x80000000u;  // black at half: the lines' usual backing
constexpr float ROWS_AREA_LIMIT = 0.1f;  // shown controls larger than this share of the screen are backgrounds
constexpr float GRID_CELL = 4.0f;        // pixels: the free-place search's grid
// The widths a message block may take, as shares of the screen's width, widest first: a block
// that finds no free place at one is wrapped narrower and tried again.
constexpr float ROOM_SHARES[] = {1.0f, 0.75f, 0.5f, 0.375f, 0.25f};
constexpr int MESSAGE_MOST_ROWS = 10;  // the longest line needs 8 at the narrowest room; more are cut
constexpr float UNLIMITED_ROOM = 1.0e9f;  // a wrapped line's room while its breaks are given

struct StatusLine {
  char text[STATUS_LINE_TEXT_SIZE];
  ColourWord colour;
};
StatusLine g_statusLines[MAX_STATUS_LINES];
int g_statusCount;

// A line placed for this frame, its text queued in the message batch.
struct PlacedLine {
  PixelBox box;
  uint32_t backing;  // 0xAARRGGBB
  bool rounded;      // a status line's panel
};
std::vector<PlacedLine> g_placed;

float MessageRow() { return MessageTextSize * 0.85f; }

float PixelX(float x) { return (x + 1.0f) * 0.5f * static_cast<float>(ScreenWidth); }
float PixelY(float y) { return (y + 1.0f) * 0.5f * static_cast<float>(ScreenHeight); }
float UnitX(float x) { return 2.0f * x / static_cast<float>(ScreenWidth) - 1.0f; }
float UnitY(float y) { return 2.0f * y / static_cast<float>(ScreenHeight) - 1.0f; }

// The lines drawn, in order: the history first while it is shown, then the shown lines.
int MessageLinesDrawn(const MessageLine** out) {
  int n = 0;
  if (ShowMessageHistory)
    for (const MessageLine& line : MessageHistory)
      if (line.text[0]) out[n++] = &line;
  for (int i = 0; i < MessageLineCount; ++i)
    if (MessageLines[i].text[0]) out[n++] = &MessageLines[i];
  return n;
}

void MessageOrigin(float* x, float* y) {
  *x = -1.0f;
  *y = MessageTop;
  if (MessageAreaReserved && ScreenWidth > 0 && ScreenHeight > 0) {
    *x += 2.0f * static_cast<float>(16 * ButtonWidth) / static_cast<float>(ScreenWidth);
    *y += 2.0f * static_cast<float>(ButtonHeight) / static_cast<float>(ScreenHeight);
  }
}

bool Meet(const PixelBox& a, const PixelBox& b) {
  return std::min(a.right, b.right) - std::max(a.left, b.left) > 0.5f &&
         std::min(a.bottom, b.bottom) - std::max(a.top, b.top) > 0.5f;
}

bool Clear(const PixelBox* taken, int count, const PixelBox& box) {
  for (int i = 0; i < count; ++i)
    if (Meet(taken[i], box)) return false;
  return true;
}

bool Inside(const PixelBox& inner, const PixelBox& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

// The interface's texts queued so far, the controls' and those the screens draw themselves (a
// page's text over its background), one box a run of glyphs along a line; a run inside a row
// already taken adds nothing.
void AddQueuedTexts(std::vector<PixelBox>& rows) {
  const size_t rowCount = rows.size();
  PixelBox run{};
  bool open = false;
  auto close = [&] {
    if (!open) return;
    open = false;
    for (size_t i = 0; i < rowCount; ++i)
      if (Inside(run, rows[i])) return;
    rows.push_back(run);
  };
  for (const TextBatchItem& item : InterfaceTextBatch.items) {
    const PixelBox box{PixelX(item.x0), PixelY(item.y0), PixelX(item.x1), PixelY(item.y1)};
    if (box.right <= box.left || box.bottom <= box.top) continue;
    const float gap = box.bottom - box.top;  // letters further apart than a glyph's height are two runs
    if (open && box.top < run.bottom && box.bottom > run.top && box.left >= run.left - gap &&
        box.left <= run.right + gap) {
      run = {std::min(run.left, box.left), std::min(run.top, box.top), std::max(run.right, box.right),
             std::max(run.bottom, box.bottom)};
      continue;
    }
    close();
    run = box;
    open = true;
  }
  close();
}

// What rows take this frame: every button, every control a screen presses, the shown controls
// smaller than a tenth of the screen (labels and headings; larger ones are a page's
// background, which a line may cover) and every text queued.
std::vector<PixelBox> RowsOnScreen() {
  std::vector<PixelBox> rows;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.right > b.left && b.bottom > b.top)
      rows.push_back({float(b.left), float(b.top), float(b.right), float(b.bottom)});
  }
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.right <= c.left || c.bottom <= c.top) continue;
    if (!c.owner && (c.right - c.left) * (c.bottom - c.top) > 4.0f * ROWS_AREA_LIMIT) continue;
    rows.push_back({PixelX(c.left), PixelY(c.top), PixelX(c.right), PixelY(c.bottom)});
  }
  AddQueuedTexts(rows);
  // The lettered labels on points of the scene: a line over one would hide its letter.
  static const ScreenLabel* labels[MAX_SCREEN_LABELS];
  const int n = ScreenLabelsByDepth(labels, MAX_SCREEN_LABELS);
  for (int i = 0; i < n; ++i) {
    char text[LABEL_TEXT_SIZE];
    float l, t, r, b;
    if (GetScreenLabelRect(*labels[i], text, &l, &t, &r, &b) && text[0]) rows.push_back({l, t, r, b});
  }
  return rows;
}

// The screen in cells of GRID_CELL pixels, each marked where a taken box lies over it, with
// its sums so that the taken cells under any box are counted at once.
struct TakenGrid {
  int columns, rows;
  std::vector<int> sums;
  TakenGrid(const PixelBox* taken, int takenCount)
      : columns(Cells(float(ScreenWidth))), rows(Cells(float(ScreenHeight))),
        sums(size_t(columns + 1) * size_t(rows + 1), 0) {
    for (int i = 0; i < takenCount; ++i) {
      const int c0 = std::clamp(static_cast<int>(std::floor((taken[i].left + 0.5f) / GRID_CELL)), 0, columns);
      const int c1 = std::clamp(static_cast<int>(std::ceil((taken[i].right - 0.5f) / GRID_CELL)), 0, columns);
      const int r0 = std::clamp(static_cast<int>(std::floor((taken[i].top + 0.5f) / GRID_CELL)), 0, rows);
      const int r1 = std::clamp(static_cast<int>(std::ceil((taken[i].bottom - 0.5f) / GRID_CELL)), 0, rows);
      for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) At(c + 1, r + 1) = 1;
    }
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= columns; ++c) At(c, r) += At(c - 1, r) + At(c, r - 1) - At(c - 1, r - 1);
  }
  static int Cells(float pixels) { return static_cast<int>(std::ceil(pixels / GRID_CELL)); }
  int& At(int c, int r) { return sums[size_t(r) * size_t(columns + 1) + size_t(c)]; }
  int At(int c, int r) const { return sums[size_t(r) * size_t(columns + 1) + size_t(c)]; }
  // Taken cells among the wide x high cells from column c and row r (those past the screen count none).
  int Covered(int c, int r, int wide, int high) const {
    const int c1 = std::min(c + wide, columns), r1 = std::min(r + high, rows);
    return At(c1, r1) - At(c, r1) - At(c1, r) + At(c, r);
  }
};

uint32_t Opaque(ColourWord c) { return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c); }

// Places one block of lines of the given width and height (pixels) near its usual corner;
// its top-left corner in pixels.
void PlaceBlock(std::vector<PixelBox>& taken, float width, float height, float minTop, float* x, float* y) {
  FindFreePlace(taken.data(), static_cast<int>(taken.size()), width, height, minTop, x, y);
  taken.push_back({*x, *y, *x + width, *y + height});
}

void PlaceStatusLines(std::vector<PixelBox>& taken) {
  const uint32_t scene = PlainScreenColour();
  for (int i = 0; i < g_statusCount; ++i) {
    const StatusLine& line = g_statusLines[i];
    const float half = TextWidthAtSize(line.text, STATUS_LINE_FONT_SIZE) * 0.5f + 0.02f;
    const float top = STATUS_LINE_TOP + STATUS_LINE_HEIGHT * static_cast<float>(i);
    float x = PixelX(-half), y = PixelY(top);
    const float width = PixelX(half) - x, height = PixelY(top + STATUS_LINE_HEIGHT) - y;
    PlaceBlock(taken, width, height, 0.0f, &x, &y);
    const uint32_t ink = Opaque(line.colour);
    const uint32_t panel = (Opaque(InterfaceColours.bigCol) & 0xFFFFFFu) | BigAlphaWord;
    const uint32_t backing = BackingToStandOut(ink, nullptr, 0, panel, scene);
    g_placed.push_back({{x, y, x + width, y + height}, backing, true});
    TagRecordFor(RECORD_STATUS, RECORD_BACKING);
    DrawText(line.text, ink, UnitX(x) + 0.02f, UnitY(y) + 0.01f, STATUS_LINE_FONT_SIZE, CurrentCodePage);
  }
}

// A message line wrapped within a room (screen units, from the text's start): where its rows
// start, its rows and its widest row, both in pixels with the backing's margins.
struct WrappedLine {
  const MessageLine* line;
  std::vector<int> breaks;  // the byte index of each row's first character after the first row
  int rows;
  float width;
};

bool IsBlank(const TextPiece& p) { return p.kind == TEXT_PIECE_GLYPH && p.glyph == GLYPH_SPACE; }

// Where a line too wide for the room starts its rows: after the row's last blank; else after its
// last "/" or "_" (a path's folders, a name's words); else, the row being one run of letters
// wider than the room by itself, at the character that does not fit.
std::vector<int> MessageBreaks(const MessageLine* line, float room, TextPiece* pieces, int capacity) {
  TextLayoutSettings s;
  s.codePage = line->codePage;
  s.size = MessageTextSize;
  TextLayoutResult r;
  const int n = std::min(LayoutText(line->text, 0.0f, 0.0f, s, pieces, capacity, &r), capacity);
  std::vector<int> breaks;
  int rowStart = 0, lastBlank = -1, lastMark = -1;
  for (int j = 0; j < n && int(breaks.size()) < MESSAGE_MOST_ROWS - 1; ++j) {
    const TextPiece& p = pieces[j];
    if (p.kind == TEXT_PIECE_ACCENT) continue;
    const bool blank = IsBlank(p);
    if (!blank && j > rowStart && p.x + p.advance - pieces[rowStart].x > room) {
      int next = j;
      if (lastBlank >= 0) {
        next = lastBlank + 1;
        while (next < j && (IsBlank(pieces[next]) || pieces[next].kind == TEXT_PIECE_ACCENT)) ++next;
      } else if (lastMark >= 0) {
        next = lastMark + 1;
        while (next < j && pieces[next].kind == TEXT_PIECE_ACCENT) ++next;
      }
      breaks.push_back(pieces[next].byteIndex);
      rowStart = next;
      lastBlank = lastMark = -1;
      j = next - 1;  // the row from its first character again
      continue;
    }
    const char c = line->text[p.byteIndex];
    if (blank) lastBlank = j;
    else if (p.kind == TEXT_PIECE_GLYPH && (c == '/' || c == '_')) lastMark = j;
  }
  return breaks;
}

WrappedLine WrapLine(const MessageLine* line, float room) {
  TextPiece pieces[2 * MESSAGE_TEXT_SIZE + 2];
  WrappedLine w{line, MessageBreaks(line, room, pieces, int(std::size(pieces))), 1, 0.0f};
  TextLayoutSettings s;
  s.codePage = line->codePage;
  s.size = MessageTextSize;
  s.wrapMaxLines = MESSAGE_MOST_ROWS;
  s.wrapWidth = UNLIMITED_ROOM;
  s.wrapLineHeight = 1.0f;
  s.wrapBreaks = w.breaks.data();
  s.wrapBreakCount = int(w.breaks.size());
  TextLayoutResult r;
  const int n = LayoutText(line->text, 0.0f, 0.0f, s, pieces, int(std::size(pieces)), &r);
  float widest = 0.0f;
  for (int i = 0; i < n; ++i)
    if (!IsBlank(pieces[i])) widest = std::max(widest, pieces[i].x + pieces[i].advance);
  const float row = MessageRow();
  w.rows = r.lineCount;
  w.width = PixelX(-1.0f + widest + 0.2f * row) - PixelX(-1.0f);
  return w;
}

// The room of a block that takes the given share of the screen's width.
float RoomAtShare(float share) { return 2.0f * share - 0.2f * MessageRow(); }

// One line placed: its top-left corner in pixels.
void QueueLine(const WrappedLine& w, float x, float y, float rowPixels, uint32_t scene) {
  const float row = MessageRow();
  const uint32_t ink = Opaque(w.line->colour);
  g_placed.push_back({{x, y, x + w.width, y + rowPixels * float(w.rows)},
                      BackingToStandOut(ink, nullptr, 0, MESSAGE_BACKING, scene), false});
  WrapMaxLines = MESSAGE_MOST_ROWS;
  WrapLineCount = 0;
  WrapWidth = UNLIMITED_ROOM;
  WrapLineHeight = row;
  WrapBreaks = w.breaks.data();
  WrapBreakCount = int(w.breaks.size());
  // The glyphs' boxes start at the row's top, so that the backing holds them (all but a fiftieth
  // of their size) rather than their feet running out under it.
  const float top = UnitY(y) - GLYPH_BOX_DROP * MessageTextSize;
  DrawText(w.line->text, ink, UnitX(x) + 0.1f * row, top, MessageTextSize, w.line->codePage);
  WrapMaxLines = 0;
  WrapLineCount = 0;
  WrapBreaks = nullptr;
  WrapBreakCount = 0;
}

// The free place for a box that comes first in reading order: the highest top at or below
// minTop, then the leftmost.  A free box slid up and then left until it meets something stands
// at minTop or at a taken box's foot, and at the window's left edge or a taken box's right
// side, so only those places are tried.  False when there is none.
bool FindFirstFreePlace(const std::vector<PixelBox>& taken, float width, float height, float minTop, float* x,
                        float* y) {
  const float screenW = static_cast<float>(ScreenWidth), screenH = static_cast<float>(ScreenHeight);
  if (width > screenW) return false;
  std::vector<float> tops = {minTop};
  for (const PixelBox& b : taken)
    if (b.bottom > minTop) tops.push_back(b.bottom);
  std::sort(tops.begin(), tops.end());
  std::vector<PixelBox> band;
  std::vector<float> lefts;
  for (const float top : tops) {
    if (top + height > screenH) break;
    const PixelBox row{0.0f, top, screenW, top + height};
    band.clear();
    lefts.assign(1, 0.0f);
    for (const PixelBox& b : taken)
      if (Meet(b, row)) {
        band.push_back(b);
        lefts.push_back(b.right);
      }
    std::sort(lefts.begin(), lefts.end());
    for (const float left : lefts) {
      if (left + width > screenW) break;
      if (Clear(band.data(), static_cast<int>(band.size()), {left, top, left + width, top + height})) {
        *x = left;
        *y = top;
        return true;
      }
    }
  }
  return false;
}

// A line placed one by one: its wrapping and its box in pixels.
using PlacedMessage = std::pair<WrappedLine, PixelBox>;

// The lines from the oldest on, each below the one before at the first free place in reading
// order, at the room's share that reaches it highest (the widest of equals); false when one
// finds none.
bool PlaceInOrder(const std::vector<PixelBox>& taken, const MessageLine* const* lines, int n, float rowPixels,
                  std::vector<PlacedMessage>& placed) {
  std::vector<PixelBox> trial = taken;
  placed.clear();
  float minTop = 0.0f;
  for (int i = 0; i < n; ++i) {
    bool found = false;
    WrappedLine best{};
    PixelBox bestBox{};
    for (float share : ROOM_SHARES) {
      WrappedLine w = WrapLine(lines[i], RoomAtShare(share));
      const float height = rowPixels * float(w.rows);
      float x = 0.0f, y = 0.0f;
      if (!FindFirstFreePlace(trial, w.width, height, minTop, &x, &y) || (found && y >= bestBox.top)) continue;
      best = std::move(w);
      bestBox = {x, y, x + best.width, y + height};
      found = true;
    }
    if (!found) return false;
    trial.push_back(bestBox);
    minTop = bestBox.bottom;
    placed.emplace_back(std::move(best), bestBox);
  }
  return true;
}

// The lines as one block where it fits, as wide as the screen allows, else narrower; else line
// by line in their order, each below the one before (so they read top to bottom), the oldest
// left out (the history keeps them) until the rest find free places; a newest line that finds
// none stands where it covers the least.  A block stands nearest its usual place; lines placed
// one by one fill the free places from the top, leaving the most room below for those after.
void PlaceMessages(std::vector<PixelBox>& taken) {
  const MessageLine* lines[2 * MESSAGE_LINE_COUNT];
  const int n = MessageLinesDrawn(lines);
  if (n == 0) return;
  float ux, uy;
  MessageOrigin(&ux, &uy);
  const float rowPixels = PixelY(uy + MessageRow()) - PixelY(uy);
  const uint32_t scene = PlainScreenColour();
  TagRecordFor(RECORD_MESSAGE, RECORD_BACKING);
  std::vector<WrappedLine> wrapped(size_t(n), WrappedLine{});
  for (float share : ROOM_SHARES) {
    float widest = 0.0f;
    int rows = 0;
    for (int i = 0; i < n; ++i) {
      wrapped[size_t(i)] = WrapLine(lines[i], RoomAtShare(share));
      widest = std::max(widest, wrapped[size_t(i)].width);
      rows += wrapped[size_t(i)].rows;
    }
    float x = PixelX(ux), y = PixelY(uy);
    if (!FindFreePlace(taken.data(), static_cast<int>(taken.size()), widest, rowPixels * float(rows), 0.0f, &x, &y))
      continue;
    taken.push_back({x, y, x + widest, y + rowPixels * float(rows)});
    for (const WrappedLine& w : wrapped) {
      QueueLine(w, x, y, rowPixels, scene);
      y += rowPixels * float(w.rows);
    }
    return;
  }
  // The fewest oldest lines left out, found by halving: leaving more out leaves more room.
  std::vector<PlacedMessage> placed, trial;
  int fits = -1;
  for (int least = 0, most = n - 1; least <= most;) {
    const int first = (least + most) / 2;
    if (PlaceInOrder(taken, lines + first, n - first, rowPixels, trial)) {
      fits = first;
      placed.swap(trial);
      most = first - 1;
    } else {
      least = first + 1;
    }
  }
  if (fits >= 0) {
    for (const auto& [w, box] : placed) {
      taken.push_back(box);
      QueueLine(w, box.left, box.top, rowPixels, scene);
    }
    return;
  }
  const WrappedLine w = WrapLine(lines[n - 1], RoomAtShare(ROOM_SHARES[0]));
  float x = PixelX(ux), y = PixelY(uy);
  FindLeastCoveredPlace(taken.data(), static_cast<int>(taken.size()), w.width, rowPixels * float(w.rows), 0.0f, &x, &y);
  taken.push_back({x, y, x + w.width, y + rowPixels * float(w.rows)});
  QueueLine(w, x, y, rowPixels, scene);
}

}  // namespace

void ShowStatusLine(const char* text, ColourWord colour) {
  if (!text || !text[0] || g_statusCount >= MAX_STATUS_LINES) return;
  StatusLine& line = g_statusLines[g_statusCount++];
  std::snprintf(line.text, sizeof line.text, "%s", text);
  line.colour = colour;
}

void ClearStatusLines() { g_statusCount = 0; }

int GetMessageAreaHeight() {
  if (!MessageAreaReserved || MessageLineCount == 0 || ShowMessageHistory) return 0;
  return ButtonHeight + static_cast<int>(std::lround(MessageTextSize * 0.85f * static_cast<float>(MessageLineCount) *
                                                     static_cast<float>(ScreenHeight) * 0.5f));
}

bool FindFreePlace(const PixelBox* taken, int takenCount, float width, float height, float minTop, float* x,
                   float* y) {
  const float screenW = static_cast<float>(ScreenWidth), screenH = static_cast<float>(ScreenHeight);
  const float x0 = std::clamp(*x, 0.0f, std::max(0.0f, screenW - width)), y0 = *y;
  auto fits = [&](float px, float py) {
    return px >= 0.0f && py >= std::max(0.0f, minTop) && px + width <= screenW && py + height <= screenH &&
           Clear(taken, takenCount, {px, py, px + width, py + height});
  };
  if (width > screenW || height > screenH) return false;
  // Straight above or below the usual place: at it, or against a row's edge.
  float bestY = 0.0f, bestDistance = -1.0f;
  auto tryY = [&](float py) {
    const float d = std::fabs(py - y0);
    if ((bestDistance < 0.0f || d < bestDistance) && fits(x0, py)) {
      bestDistance = d;
      bestY = py;
    }
  };
  tryY(y0);
  tryY(std::max(0.0f, minTop));
  for (int i = 0; i < takenCount; ++i) {
    tryY(taken[i].bottom);
    tryY(taken[i].top - height);
  }
  if (bestDistance >= 0.0f) {
    *x = x0;
    *y = bestY;
    return true;
  }
  // Anywhere: a grid of the rows' cells, a box free where its cells are.
  const TakenGrid grid(taken, takenCount);
  float bestX = 0.0f;
  bestDistance = -1.0f;
  const int wide = grid.Cells(width), high = grid.Cells(height);
  for (int r = grid.Cells(std::max(0.0f, minTop)); r + high <= grid.rows; ++r)
    for (int c = 0; c + wide <= grid.columns; ++c) {
      if (grid.Covered(c, r, wide, high) != 0) continue;
      float px = float(c) * GRID_CELL, py = float(r) * GRID_CELL;
      if (px + width > screenW || py + height > screenH) {
        // The last column or row of cells runs past a screen whose size is not a whole
        // number of cells: the box moves back onto the screen where it is still free there.
        px = std::min(px, screenW - width);
        py = std::min(py, screenH - height);
        if (!fits(px, py)) continue;
      }
      const float d = std::hypot(px - x0, py - y0);
      if (bestDistance < 0.0f || d < bestDistance) {
        bestDistance = d;
        bestX = px;
        bestY = py;
      }
    }
  if (bestDistance < 0.0f) return false;
  *x = bestX;
  *y = bestY;
  return true;
}

void FindLeastCoveredPlace(const PixelBox* taken, int takenCount, float width, float height, float minTop, float* x,
                           float* y) {
  const float screenW = static_cast<float>(ScreenWidth), screenH = static_cast<float>(ScreenHeight);
  width = std::min(width, screenW);
  height = std::min(height, screenH);
  const TakenGrid grid(taken, takenCount);
  const int wide = grid.Cells(width), high = grid.Cells(height);
  const int lastRow = std::max(0, static_cast<int>(std::floor((screenH - height) / GRID_CELL)));
  const int lastColumn = std::max(0, static_cast<int>(std::floor((screenW - width) / GRID_CELL)));
  const int firstRow = std::min(static_cast<int>(std::ceil(std::max(0.0f, minTop) / GRID_CELL)), lastRow);
  const float x0 = *x, y0 = *y;
  int bestCovered = -1;
  float bestDistance = 0.0f;
  for (int r = firstRow; r <= lastRow; ++r)
    for (int c = 0; c <= lastColumn; ++c) {
      const int covered = grid.Covered(c, r, wide, high);
      const float px = float(c) * GRID_CELL, py = float(r) * GRID_CELL;
      const float d = std::hypot(px - x0, py - y0);
      if (bestCovered < 0 || covered < bestCovered || (covered == bestCovered && d < bestDistance)) {
        bestCovered = covered;
        bestDistance = d;
        *x = px;
        *y = py;
      }
    }
}

void PlaceMessageLines() {
  ForgetQueuedTexts(MessageLineBatch);
  MessageLineBatch.items.clear();
  MessageLineBatch.blinkingCursors.clear();
  g_placed.clear();
  if (ScreenWidth <= 0 || ScreenHeight <= 0) return;
  std::vector<PixelBox> taken = RowsOnScreen();
  TextBatch* saved = CurrentTextBatch;
  CurrentTextBatch = &MessageLineBatch;
  PlaceStatusLines(taken);
  PlaceMessages(taken);
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  CurrentTextBatch = saved;
}

void DrawMessageLines() {
  if (g_placed.empty()) return;
  TagRecordFor(RECORD_MESSAGE, RECORD_BACKING);
  for (const PlacedLine& line : g_placed) {
    const float x1 = UnitX(line.box.left), y1 = UnitY(line.box.top), x2 = UnitX(line.box.right),
                y2 = UnitY(line.box.bottom);
    if (line.rounded) DrawPanelInColour(line.backing, x1, y1, x2, y2);
    else DrawInterfaceQuad(line.backing, x1, y1, x2, y2);
  }
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  FlushInterfaceBatch();
  DrawTextBox(MessageLineBatch);
  FlushDraw2D();
  ResetDraw2D();
  g_placed.clear();
}
