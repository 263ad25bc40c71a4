// screen_labels.cpp - the label list, label rectangles and the click search.
#include "ui/screen_labels.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "core/config.h"
#include "core/sort_tree.h"
#include "render/views.h"
#include "ui/interface.h"
#include "ui/text_measure.h"

int ScreenLabelCount;
int32_t ScreenLabelNearestKey, ScreenLabelDeepestKey;

namespace {

constexpr uint32_t LABEL_TREE_BUCKETS = 256;
constexpr uint32_t LABEL_TREE_SHIFT = 20;
constexpr char DEGREE_SIGN = '\xB0';  // in the Latin 1 page

SortTree g_Labels;
bool g_LabelsReady;

bool EnsureLabelTree() {
  if (!g_LabelsReady)
    g_LabelsReady = g_Labels.Init(MAX_SCREEN_LABELS, LABEL_TREE_BUCKETS, LABEL_TREE_SHIFT, sizeof(ScreenLabel));
  return g_LabelsReady;
}

const ScreenLabel* LabelOf(SortNode* node) { return static_cast<const ScreenLabel*>(SortNodePayload(node)); }

char SmallNumberCharacter(int32_t v) {
  if (v < 0) return '*';
  if (v <= 9) return static_cast<char>('0' + v);
  if (v <= 35) return static_cast<char>('A' + v - 10);
  if (v <= 61) return static_cast<char>('a' + v - 36);
  return '*';
}

// The label's text by type; empty for the box types.
void LabelText(const ScreenLabel& label, char text[LABEL_TEXT_SIZE]) {
  text[0] = 0;
  switch (label.type) {
    case LABEL_SMALL_NUMBER:
      text[0] = SmallNumberCharacter(label.first);
      text[1] = 0;
      break;
    case LABEL_CHARACTER:
    case LABEL_CHARACTER_BARE:
      text[0] = static_cast<char>(label.second & 0xFF);
      text[1] = 0;
      break;
    case LABEL_INTEGER:
      std::snprintf(text, LABEL_TEXT_SIZE, "%d", static_cast<int32_t>(label.second));
      break;
    case LABEL_DECIMAL:
      std::snprintf(text, LABEL_TEXT_SIZE, "%.3f", static_cast<double>(std::bit_cast<float>(label.second)));
      break;
    case LABEL_ANGLE:
      std::snprintf(text, LABEL_TEXT_SIZE, "%.1f%c", static_cast<double>(std::bit_cast<float>(label.second)),
                    DEGREE_SIGN);
      break;
    default:
      break;
  }
}

int Round(float v) { return static_cast<int>(std::lround(v)); }

}  // namespace

void ClearScreenLabels() {
  if (g_LabelsReady) g_Labels.Clear();
  ScreenLabelCount = 0;
  ScreenLabelNearestKey = ScreenLabelDeepestKey = 0;
}

int AddScreenLabel(int32_t depthKey, int32_t first, uint32_t second, int colourKind, ScreenLabelCallback callback,
                   uintptr_t ownerWord, int type, float x, float y) {
  if (!EnsureLabelTree()) return 0;
  SortNode* node = g_Labels.Insert(depthKey);
  if (!node) return 0;
  ScreenLabel* label = new (SortNodePayload(node)) ScreenLabel{};
  label->x = x;
  label->y = y;
  label->first = first;
  label->second = second;
  label->colourKind = static_cast<uint8_t>(colourKind);
  label->type = static_cast<uint8_t>(type);
  label->callback = callback;
  label->ownerWord = ownerWord;
  label->depthKey = depthKey;
  if (ScreenLabelCount == 0) {
    ScreenLabelNearestKey = ScreenLabelDeepestKey = depthKey;
  } else {
    if (depthKey < ScreenLabelNearestKey) ScreenLabelNearestKey = depthKey;
    if (depthKey > ScreenLabelDeepestKey) ScreenLabelDeepestKey = depthKey;
  }
  ++ScreenLabelCount;
  return 1;
}

int AddLabelAtPoint(const int32_t point[3], int32_t first, uint32_t second, int colourKind,
                    ScreenLabelCallback callback, uintptr_t ownerWord, int type) {
  float x = 0.0f, y = 0.0f;
  int32_t depth = 0;
  if (!ProjectPointToScreen(point, &x, &y, &depth)) return 0;
  if (type == LABEL_BOX_DEEPER) return AddScreenLabel(depth + 1, first, second, colourKind, callback, ownerWord,
                                                      LABEL_BOX, x, y);
  return AddScreenLabel(depth, first, second, colourKind, callback, ownerWord, type, x, y);
}

int GetScreenLabelRect(const ScreenLabel& label, char text[LABEL_TEXT_SIZE], float* left, float* top, float* right,
                       float* bottom) {
  const float s = static_cast<float>(CfgBlobSize);
  const float x = label.x, y = label.y;
  LabelText(label, text);
  float halfWidth = LABEL_DEFAULT_HALF_SIZE, halfHeight = LABEL_DEFAULT_HALF_SIZE;
  float topShift = 0.0f, bottomShift = 0.0f;
  switch (label.type) {
    case LABEL_SQUARE:
      halfWidth = halfHeight = s - 1.0f;
      break;
    case LABEL_WIDE:
      halfWidth = 1.25f * s;
      halfHeight = 0.75f * s;
      break;
    case LABEL_TALL:
      halfWidth = 0.75f * s;
      halfHeight = 1.25f * s;
      break;
    default:
      if (text[0]) {
        halfWidth = TextWidthAtSize1(text) / 2.0f + LABEL_TEXT_MARGIN;
        // The text stands 2 pixels below the box's top; the box reaches 2 past the half size
        // below and its bevel's width more, so the letters' lowest ink stays on its face.
        halfHeight = static_cast<float>(TextSize) / 2.0f;
        topShift = 2.0f;
        bottomShift = 2.0f + static_cast<float>(InterfaceScaleRounded);
      }
      break;
  }
  *left = x - halfWidth;
  *right = x + halfWidth;
  *top = y - halfHeight + topShift;
  *bottom = y + halfHeight + bottomShift;
  if (label.state == LABEL_UNDER_ROWS) return 0;
  const InterfaceRect& clip = InterfaceClipRect;
  return Round(*left) >= clip.left && Round(*right) <= clip.right && Round(*top) >= clip.top &&
         Round(*bottom) <= clip.bottom;
}

void HideScreenLabelsUnderRows(int firstButton, int firstControl) {
  if (!g_LabelsReady || ScreenLabelCount == 0) return;
  for (SortNode* node = g_Labels.First(); node; node = g_Labels.Next()) {
    ScreenLabel& label = *static_cast<ScreenLabel*>(SortNodePayload(node));
    char text[LABEL_TEXT_SIZE];
    float l, t, r, b;
    if (GetScreenLabelRect(label, text, &l, &t, &r, &b) && MeetsRows(l, t, r, b, firstButton, firstControl))
      label.state = LABEL_UNDER_ROWS;
  }
}

const ScreenLabel* FindScreenLabelAt(int x, int y) {
  if (!g_LabelsReady || ScreenLabelCount == 0) return nullptr;
  const ScreenLabel* found = nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    for (SortNode* node = g_Labels.Last(); node; node = g_Labels.Prev()) {
      const ScreenLabel& label = *LabelOf(node);
      if ((label.colourKind != 0) != (pass == 1)) continue;
      char text[LABEL_TEXT_SIZE];
      float l, t, r, b;
      if (!GetScreenLabelRect(label, text, &l, &t, &r, &b)) continue;
      if (x >= Round(l) && x < Round(r) && y >= Round(t) && y < Round(b)) found = &label;
    }
  }
  return found;
}

int ScreenLabelsByDepth(const ScreenLabel** out, int capacity) {
  if (!g_LabelsReady) return 0;
  int n = 0;
  for (SortNode* node = g_Labels.First(); node && n < capacity; node = g_Labels.Next()) out[n++] = LabelOf(node);
  return n;
}

void SpreadScreenLabels(ScreenLabel* labels, int count) {
  struct Rect {
    float left, top, right, bottom;
  };
  std::vector<Rect> placed;
  placed.reserve(count > 0 ? size_t(count) : 0u);
  for (int i = 0; i < count; ++i) {
    char text[LABEL_TEXT_SIZE];
    Rect r{};
    GetScreenLabelRect(labels[i], text, &r.left, &r.top, &r.right, &r.bottom);
    // Each move takes the label past one placed before it for good (it only moves right), so
    // the passes end once one moves it past none.
    for (bool moved = true; moved;) {
      moved = false;
      for (const Rect& p : placed) {
        if (r.left >= p.right + LABEL_SPREAD_GAP || r.right + LABEL_SPREAD_GAP <= p.left || r.top >= p.bottom ||
            r.bottom <= p.top)
          continue;
        const float step = p.right + LABEL_SPREAD_GAP - r.left;
        r.left += step;
        r.right += step;
        labels[i].x += step;
        moved = true;
      }
    }
    placed.push_back(r);
  }
}
