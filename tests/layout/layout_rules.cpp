// layout_rules.cpp - the rules over a frame's record and its picture.
#include "tests/layout/layout_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "ui/character_set.h"
#include "ui/font_page_layout.h"
#include "ui/font_pages.h"

namespace {

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

double SrgbToLinear(uint32_t channel) {
  const double c = static_cast<double>(channel) / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The linear light of each 8-bit channel value, for the pixel loops.
const std::array<double, 256>& LinearTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) t[i] = SrgbToLinear(i);
    return t;
  }();
  return table;
}

double FastLuminance(uint32_t rgb) {
  const std::array<double, 256>& t = LinearTable();
  return 0.2126 * t[Channel(rgb, 16)] + 0.7152 * t[Channel(rgb, 8)] + 0.0722 * t[Channel(rgb, 0)];
}

struct Box {
  float left, top, right, bottom;
};

Box EntryBox(const DrawRecordEntry& e) { return {e.left, e.top, e.right, e.bottom}; }
Box OwnerBox(const DrawRecordEntry& e) { return {e.ownerLeft, e.ownerTop, e.ownerRight, e.ownerBottom}; }
Box SpanBox(const DrawRecordSpan& s) { return {s.left, s.top, s.right, s.bottom}; }
bool Empty(const Box& b) { return b.right - b.left < 1.0f || b.bottom - b.top < 1.0f; }

// The overlap's width and height (negative when apart).
std::pair<float, float> Overlap(const Box& a, const Box& b) {
  return {std::min(a.right, b.right) - std::max(a.left, b.left), std::min(a.bottom, b.bottom) - std::max(a.top, b.top)};
}
Box Intersection(const Box& a, const Box& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}
bool Within(const Box& inner, const Box& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top && inner.bottom <= outer.bottom;
}
bool Meet(const Box& a, const Box& b) {
  const auto [w, h] = Overlap(a, b);
  return w > OVERLAP_ALLOWED_PIXELS && h > OVERLAP_ALLOWED_PIXELS;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Where(const Box& b) {
  char text[64];
  std::snprintf(text, sizeof text, "(%.0f,%.0f)-(%.0f,%.0f)", b.left, b.top, b.right, b.bottom);
  return text;
}

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }
bool IsText(const DrawRecordEntry& e) { return IsRecordedText(e.role) && !Blank(PlainText(e.text)); }
bool IsFill(const DrawRecordEntry& e) { return !IsRecordedText(e.role) && e.role != RECORD_AREA; }

std::string TextName(const DrawRecordEntry& e) { return Quoted(PlainText(e.text)); }

void Add(std::vector<LayoutFinding>& out, const char* rule, std::string what, std::string detail, bool fails = true) {
  LayoutFinding f;
  f.fails = fails;
  f.rule = rule;
  f.what = std::move(what);
  f.detail = std::move(detail);
  out.push_back(std::move(f));
}

// ---- Rows ----

// A clickable row: a button or a value control with an owning screen, as drawn.
struct Row {
  Box box;
  std::string label;
  bool inner = false;  // a part drawn inside another row: a scroll bar's knob
};
using RowKey = std::pair<int, int>;  // owner kind, table index

std::map<RowKey, Row> ClickableRows(const std::vector<DrawRecordEntry>& record) {
  std::map<RowKey, Row> rows;
  for (const DrawRecordEntry& e : record) {
    // A point's marker follows the model under the rows: it is no row itself.
    if (!e.clickable || e.marker || e.ownerKind == RECORD_OWNER_NONE || Empty(OwnerBox(e))) continue;
    Row& row = rows[{e.ownerKind, e.owner}];
    row.box = OwnerBox(e);
    row.inner = row.inner || (e.inner != 0 && e.ownerKind == RECORD_OWNER_BUTTON);
    if (row.label.empty()) row.label = e.label;
  }
  return rows;
}

std::string RowName(const Row& row) {
  return row.label.empty() || Blank(PlainText(row.label)) ? "an unlabelled row" : Quoted(PlainText(row.label));
}

void Overlaps(const std::map<RowKey, Row>& rows, std::vector<LayoutFinding>& out) {
  for (auto a = rows.begin(); a != rows.end(); ++a)
    for (auto b = std::next(a); b != rows.end(); ++b) {
      if (!Meet(a->second.box, b->second.box)) continue;
      if ((a->second.inner && Within(a->second.box, b->second.box)) ||
          (b->second.inner && Within(b->second.box, a->second.box)))
        continue;  // a knob in its trough
      const auto [w, h] = Overlap(a->second.box, b->second.box);
      Add(out, "overlap", RowName(a->second) + " and " + RowName(b->second),
          Format("by %.0f x %.0f pixels", w, h) + " at " + Where(a->second.box) + " and " + Where(b->second.box));
    }
}

void TextsOutside(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  for (const DrawRecordEntry& e : record) {
    if (!IsText(e) || e.ownerKind == RECORD_OWNER_NONE) continue;
    const Box owner = OwnerBox(e), text = EntryBox(e);
    if (Empty(owner)) continue;
    const float left = owner.left - text.left, right = text.right - owner.right;
    const float top = owner.top - text.top, bottom = text.bottom - owner.bottom;
    const float worst = std::max({left, right, top, bottom});
    if (worst <= OVERLAP_ALLOWED_PIXELS) continue;
    const char* side = worst == left ? "left" : worst == right ? "right" : worst == top ? "top" : "bottom";
    const std::string label = PlainText(e.label);
    const std::string button = label.empty() || label == PlainText(e.text) ? "its button" : "its button " + Quoted(label);
    Add(out, "outside", TextName(e) + " runs outside " + button,
        Format("by %.0f pixels on the ", worst) + side + " of " + Where(owner));
  }
}

bool IsLine(int role) { return role == RECORD_MESSAGE || role == RECORD_STATUS; }
bool IsMessage(int role) { return IsLine(role) || role == RECORD_BACKING; }

std::string EntryName(const DrawRecordEntry& e) {
  if (IsRecordedText(e.role)) return "text " + TextName(e);
  if (!e.label.empty() && !Blank(PlainText(e.label))) return "the panel of " + Quoted(PlainText(e.label));
  if (e.role == RECORD_BACKING) return "a backing";
  return "a fill";
}

// Nothing drawn after a text covers it (texts over texts are the next rule's), and a message
// or status line lies over no clickable row.  A message's own block covers nothing of it, and
// the labels of scene points lie in the scene (their pile is judged on its own).
void Covered(const std::vector<DrawRecordEntry>& record, const std::map<RowKey, Row>& rows,
             std::vector<LayoutFinding>& out) {
  constexpr uint32_t SEEN_ALPHA = 0x20;
  for (size_t i = 0; i < record.size(); ++i) {
    const DrawRecordEntry& text = record[i];
    if (!IsText(text) || text.marker) continue;  // a label of a scene point lies in the scene, under the interface
    const Box box = EntryBox(text);
    const std::string name = IsLine(text.role) ? std::string(text.role == RECORD_STATUS ? "status line " : "message ") +
                                                     TextName(text)
                                               : "text " + TextName(text);
    for (size_t j = i + 1; j < record.size(); ++j) {
      const DrawRecordEntry& over = record[j];
      if (!IsFill(over) || (over.colour >> 24) < SEEN_ALPHA || !Meet(box, EntryBox(over))) continue;
      if (IsLine(text.role) && IsMessage(over.role)) continue;
      Add(out, "covered", name + " under " + EntryName(over), "at " + Where(EntryBox(over)));
      break;
    }
    if (!IsLine(text.role)) continue;
    for (const auto& [key, row] : rows)
      if (Meet(box, row.box)) {
        Add(out, "covered", name + " over " + RowName(row), "at " + Where(row.box));
        break;
      }
  }
}

// The message lines, drawn in the order they came (the history first), read top to bottom:
// each starts below the foot of the one before.
void MessageOrder(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  const DrawRecordEntry* before = nullptr;
  for (const DrawRecordEntry& e : record) {
    if (e.role != RECORD_MESSAGE || !IsText(e)) continue;
    if (before && e.top < before->bottom - OVERLAP_ALLOWED_PIXELS)
      Add(out, "order", "message " + TextName(e) + " above " + TextName(*before),
          Format("its top at %.0f, the one before's foot at %.0f", e.top, before->bottom));
    before = &e;
  }
}

// Texts of the interface overlap no other text, nor run into one on their line with less
// than a quarter of their glyphs' cell between them ("Camber : +2.50Camber : +0.50"); a
// shadow (the same text a few pixels off) is its text's own.  Labels that follow points of the
// scene are judged as a pile.
void TextOverlaps(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  constexpr float SHADOW_OFFSET = 3.0f, LEAST_GAP = 0.25f;
  std::vector<const DrawRecordEntry*> texts;
  for (const DrawRecordEntry& e : record)
    if (IsText(e) && !e.marker) texts.push_back(&e);
  for (size_t a = 0; a < texts.size(); ++a)
    for (size_t b = a + 1; b < texts.size(); ++b) {
      const DrawRecordEntry &x = *texts[a], &y = *texts[b];
      const auto [w, h] = Overlap(EntryBox(x), EntryBox(y));
      const float lower = std::min(x.bottom - x.top, y.bottom - y.top);
      const bool overlap = w > OVERLAP_ALLOWED_PIXELS && h > OVERLAP_ALLOWED_PIXELS;
      const bool touching = !overlap && h > 0.5f * lower && -w < LEAST_GAP * std::min(x.glyphHeight, y.glyphHeight);
      if (!overlap && !touching) continue;
      if (x.text == y.text && std::abs(x.left - y.left) <= SHADOW_OFFSET && std::abs(x.top - y.top) <= SHADOW_OFFSET)
        continue;
      Add(out, "text-overlap", TextName(x) + " and " + TextName(y),
          (overlap ? Format("by %.0f x %.0f pixels", w, h) : Format("%.0f pixels apart on one line", std::max(0.0f, -w))) +
              " at " + Where(EntryBox(x)) + " and " + Where(EntryBox(y)));
    }
}

// Part of a box under a set of boxes, counted on a pixel grid over the box.
float CoveredShare(const Box& box, const std::vector<Box>& over) {
  const int x0 = int(std::floor(box.left)), y0 = int(std::floor(box.top));
  const int w = std::max(0, int(std::ceil(box.right)) - x0), h = std::max(0, int(std::ceil(box.bottom)) - y0);
  if (w == 0 || h == 0) return 0.0f;
  std::vector<uint8_t> mask(size_t(w) * size_t(h), 0);
  for (const Box& b : over) {
    const Box c = Intersection(box, b);
    for (int y = std::max(0, int(std::floor(c.top)) - y0); y < std::min(h, int(std::ceil(c.bottom)) - y0); ++y)
      for (int x = std::max(0, int(std::floor(c.left)) - x0); x < std::min(w, int(std::ceil(c.right)) - x0); ++x)
        if (float(x0 + x) + 0.5f >= c.left && float(x0 + x) + 0.5f < c.right && float(y0 + y) + 0.5f >= c.top &&
            float(y0 + y) + 0.5f < c.bottom)
          mask[size_t(y) * size_t(w) + size_t(x)] = 1;
  }
  size_t covered = 0, inside = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float cx = float(x0 + x) + 0.5f, cy = float(y0 + y) + 0.5f;
      if (cx < box.left || cx >= box.right || cy < box.top || cy >= box.bottom) continue;
      ++inside;
      covered += mask[size_t(y) * size_t(w) + size_t(x)];
    }
  return inside ? float(covered) / float(inside) : 0.0f;
}

// Labels of scene points are drawn deepest first, each box before its text: a label's text
// more than half hidden under the boxes drawn after it, and less than half over the car or the
// model on show, lies in a pile with no scene under it.  One finding for the frame.
void Piles(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  std::vector<Box> scene;
  for (const DrawRecordEntry& e : record)
    if (e.role == RECORD_AREA && (e.label == AREA_CAR || e.label == AREA_MODEL)) scene.push_back(EntryBox(e));
  int hidden = 0, labels = 0;
  for (size_t i = 0; i < record.size(); ++i) {
    if (!record[i].marker || !IsText(record[i])) continue;
    ++labels;
    const Box text = EntryBox(record[i]);
    std::vector<Box> later;
    for (size_t j = i + 1; j < record.size(); ++j)
      if (record[j].marker && IsFill(record[j]) && Meet(text, EntryBox(record[j]))) later.push_back(EntryBox(record[j]));
    if (!later.empty() && CoveredShare(text, later) > PILE_HIDDEN && CoveredShare(text, scene) < PILE_HIDDEN) ++hidden;
  }
  if (hidden > 0)
    Add(out, "pile", "labels of scene points",
        Format("%.0f of %.0f labels more than half hidden under others", hidden, labels));
}

void OffWindow(const std::vector<DrawRecordEntry>& record, const std::map<RowKey, Row>& rows, float width,
               float height, std::vector<LayoutFinding>& out) {
  const Box window{0.0f, 0.0f, width, height};
  auto beyond = [&](const Box& b) {
    return std::max({window.left - b.left, b.right - window.right, window.top - b.top, b.bottom - window.bottom});
  };
  for (const auto& [key, row] : rows) {
    const float by = beyond(row.box);
    if (by > OVERLAP_ALLOWED_PIXELS) Add(out, "off-window", "row " + RowName(row), Format("by %.0f pixels", by) + " at " + Where(row.box));
  }
  for (const DrawRecordEntry& e : record) {
    if (!IsText(e)) continue;
    const float by = beyond(EntryBox(e));
    if (by > OVERLAP_ALLOWED_PIXELS) Add(out, "off-window", "text " + TextName(e), Format("by %.0f pixels", by) + " at " + Where(EntryBox(e)));
  }
}

void SmallTexts(const std::vector<DrawRecordEntry>& record, const TextMeasure& measure, std::vector<LayoutFinding>& out) {
  for (const DrawRecordEntry& e : record) {
    if (!IsText(e) || e.glyphHeight <= 0.0f) continue;
    const float cap = e.glyphHeight * measure.capPerCell;
    if (measure.capPerCell > 0.0f && cap < LEAST_CAP_HEIGHT)
      Add(out, "small", TextName(e), Format("capitals %.1f pixels high", cap) + " at " + Where(EntryBox(e)));
    else if (e.squeeze < LEAST_SQUEEZE)
      Add(out, "small", TextName(e), Format("squeezed to %.2f of its width", e.squeeze) + " at " + Where(EntryBox(e)));
  }
}

// A text cut with "..." is allowed only where its whole text, at the least size, needs more
// room than lies free between the rows to the left and right of its own.
void Cuts(const std::vector<DrawRecordEntry>& record, const TextMeasure& measure, float width,
          std::vector<LayoutFinding>& out) {
  if (!measure.width || measure.capPerCell <= 0.0f) return;
  constexpr float INSETS = 4.0f;  // a button's text keeps this much room from its edges
  const float leastCell = LEAST_CAP_HEIGHT / measure.capPerCell;
  std::map<RowKey, Box> owners;
  for (const DrawRecordEntry& e : record)
    if (e.ownerKind != RECORD_OWNER_NONE && !e.marker && !Empty(OwnerBox(e))) owners[{e.ownerKind, e.owner}] = OwnerBox(e);
  for (const DrawRecordEntry& e : record) {
    if (!IsText(e)) continue;
    const std::string shown = PlainText(e.text), whole = PlainText(e.label);
    if (shown.size() < 3 || shown.compare(shown.size() - 3, 3, "...") != 0 || whole.size() <= shown.size() - 3 ||
        whole == shown || whole.compare(0, shown.size() - 3, shown, 0, shown.size() - 3) != 0)
      continue;
    const Box own = e.ownerKind != RECORD_OWNER_NONE ? OwnerBox(e) : EntryBox(e);
    const float centre = 0.5f * (own.left + own.right);
    float left = 0.0f, right = width;
    for (const auto& [key, box] : owners) {
      if (key == RowKey{e.ownerKind, e.owner} || Overlap(box, own).second <= OVERLAP_ALLOWED_PIXELS) continue;
      if (box.right <= centre) left = std::max(left, box.right);
      else if (box.left >= centre) right = std::min(right, box.left);
    }
    const float needed = measure.width(e.label, leastCell) + INSETS, room = right - left;
    const std::string numbers = Format("the whole text needs %.0f pixels at the least size, %.0f lie free", needed, room);
    if (needed > room) Add(out, "cut-allowed", Quoted(shown) + " for " + Quoted(whole), numbers, false);
    else Add(out, "cut", Quoted(shown) + " for " + Quoted(whole), numbers);
  }
}

// A slider's thumb: a value control's inner part, or a narrow button that takes no presses
// drawn inside a row (the knob of a row's value); it must not run through the row's text.
void Thumbs(const std::vector<DrawRecordEntry>& record, const std::map<RowKey, Row>& rows,
            std::vector<LayoutFinding>& out) {
  constexpr float THUMB_MOST = 0.2f;  // of its row's width
  std::set<std::pair<RowKey, std::string>> named;
  for (const DrawRecordEntry& thumb : record) {
    if (!IsFill(thumb) || thumb.ownerKind == RECORD_OWNER_NONE || thumb.marker) continue;
    const Box box = EntryBox(thumb);
    RowKey of{thumb.ownerKind, thumb.owner};
    if (thumb.ownerKind == RECORD_OWNER_CONTROL) {
      if (!thumb.inner) continue;
    } else {
      if (thumb.clickable || thumb.role != RECORD_BUTTON) continue;
      bool found = false;
      for (const auto& [key, row] : rows)
        if (Within(box, row.box) && box.right - box.left <= THUMB_MOST * (row.box.right - row.box.left)) {
          of = key, found = true;
          break;
        }
      if (!found) continue;
    }
    for (const DrawRecordEntry& text : record)
      if (IsText(text) && RowKey{text.ownerKind, text.owner} == of && Meet(box, EntryBox(text)) &&
          box.left > text.left && box.right < text.right && named.insert({of, text.text}).second)
        Add(out, "thumb", "the thumb through " + TextName(text), "at " + Where(box));
  }
}

// The characters of a text's span: the span's glyphs counted along the text, spaces between
// them kept.
std::string SpanText(const std::string& plain, const std::vector<DrawRecordSpan>& spans, size_t index) {
  size_t skip = 0;
  for (size_t k = 0; k < index; ++k) skip += spans[k].glyphs;
  std::string out;
  size_t seen = 0;
  for (char c : plain) {
    if (c == ' ') {
      if (!out.empty()) out += c;
      continue;
    }
    if (seen >= skip && seen < skip + spans[index].glyphs) out += c;
    ++seen;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The share of the span's box (its pixel centres) over which the ink stands under the ratio,
// and the ratio a tenth of the box falls under.
struct SpanContrast {
  double shortShare = 0.0, marginalShare = 0.0, tenth = 21.0;
  int pixels = 0;
};

SpanContrast MeasureSpan(const DrawRecordSpan& span, const LayoutPicture& picture) {
  SpanContrast m;
  if (!picture.pixels) return m;
  const int x0 = std::max(0, int(std::ceil(span.left - 0.5f))), x1 = std::min(picture.width, int(std::ceil(span.right - 0.5f)));
  const int y0 = std::max(0, int(std::ceil(span.top - 0.5f))), y1 = std::min(picture.height, int(std::ceil(span.bottom - 0.5f)));
  if (x1 <= x0 || y1 <= y0) return m;
  const bool opaque = (span.colour >> 24) == 0xFF;
  const double inkLight = FastLuminance(span.colour & 0xFFFFFF);
  std::vector<double> ratios;
  ratios.reserve(size_t(x1 - x0) * size_t(y1 - y0));
  int under = 0, marginal = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint32_t behind = picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)] & 0xFFFFFF;
      const double back = FastLuminance(behind);
      const double ink = opaque ? inkLight : FastLuminance(Composite(span.colour, behind));
      const double ratio = (std::max(ink, back) + 0.05) / (std::min(ink, back) + 0.05);
      ratios.push_back(ratio);
      under += ratio < CONTRAST_NEEDED;
      marginal += ratio < CONTRAST_NEEDED * MARGIN_FACTOR;
    }
  m.pixels = int(ratios.size());
  m.shortShare = double(under) / double(m.pixels);
  m.marginalShare = double(marginal) / double(m.pixels);
  const size_t tenth = size_t(CONTRAST_SHARE * double(ratios.size()));
  std::nth_element(ratios.begin(), ratios.begin() + std::ptrdiff_t(tenth), ratios.end());
  m.tenth = ratios[tenth];
  return m;
}

// A finding of a span measured short of 4.5:1: failing, or marginal within 5% of the need.
// detailStart goes before the measures.
LayoutFinding ContrastFinding(const char* rule, const std::string& plain, const DrawRecordEntry& text, size_t k,
                              const SpanContrast& m, const char* detailStart) {
  const DrawRecordSpan& span = text.spans[k];
  LayoutFinding f;
  f.rule = rule;
  f.what = Quoted(plain);
  if (text.spans.size() > 1) f.what += " its part " + Quoted(SpanText(plain, text.spans, k));
  f.fails = m.shortShare > CONTRAST_SHARE;
  f.marginal = !f.fails;
  char detail[240];
  std::snprintf(detail, sizeof detail, "%s%.2f:1 or less over a tenth of its box, under 4.5:1 over %.0f%% (ink %06X) at %s",
                detailStart, m.tenth, 100.0 * m.shortShare, span.colour & 0xFFFFFFu, Where(SpanBox(span)).c_str());
  f.detail = detail;
  return f;
}

void Contrasts(const std::vector<DrawRecordEntry>& record, const LayoutPicture& picture, std::vector<LayoutFinding>& out) {
  if (!picture.pixels || picture.width <= 0 || picture.height <= 0) return;
  for (const DrawRecordEntry& text : record) {
    if (!IsText(text)) continue;
    const std::string plain = PlainText(text.text);
    for (size_t k = 0; k < text.spans.size(); ++k) {
      const DrawRecordSpan& span = text.spans[k];
      const SpanContrast m = MeasureSpan(span, picture);
      if (m.pixels == 0 || m.marginalShare <= CONTRAST_SHARE) continue;
      out.push_back(ContrastFinding("contrast", plain, text, k, m, ""));
    }
  }
}

// ---- Coded colours ----

// The colour code in effect at each glyph of a coded text, spaces drawing none: 0..7 for "^0".."^7",
// -1 for the text's own ink ("^8", "^9" and "^:" return to it).
std::vector<int> GlyphCodes(const std::string& coded) {
  std::vector<int> codes;
  int code = -1;
  for (size_t i = 0; i < coded.size(); ++i) {
    const char c = coded[i];
    if (c == '^' && i + 1 < coded.size() && coded[i + 1] != '^') {
      const char next = coded[++i];
      if (next >= '0' && next <= '7') code = next - '0';
      else if (next == '8' || next == '9' || next == ':') code = -1;
      continue;
    }
    if (c == '^') ++i;  // "^^": a caret
    if (static_cast<unsigned char>(c) > ' ') codes.push_back(code);
  }
  return codes;
}

// Hue in degrees and saturation (the largest channel's lead over the least, over the largest).
void HueAndSaturation(uint32_t rgb, double* hue, double* saturation) {
  const double r = Channel(rgb, 16) / 255.0, g = Channel(rgb, 8) / 255.0, b = Channel(rgb, 0) / 255.0;
  const double high = std::max({r, g, b}), low = std::min({r, g, b}), range = high - low;
  *saturation = high > 0.0 ? range / high : 0.0;
  double h = 0.0;
  if (range > 0.0) {
    if (high == r) h = std::fmod((g - b) / range + 6.0, 6.0);
    else if (high == g) h = (b - r) / range + 2.0;
    else h = (r - g) / range + 4.0;
  }
  *hue = 60.0 * h;
}

// A coloured span of a text keeps its code's meaning: "^1" red, "^2" green, "^3" yellow, "^4"
// blue, "^5" magenta and "^6" cyan (black plus red 1, green 2 and blue 4) are drawn within 30
// degrees of that hue, at least half saturated, and 3:1 apart from the text's own ink beside
// them.  (Their 4.5:1 from what lies behind is the contrast rule's.)
void CodedColours(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  constexpr double CODE_HUES[8] = {-1.0, 0.0, 120.0, 60.0, 240.0, 300.0, 180.0, -1.0};
  constexpr double HUE_MOST = 30.0, SATURATION_LEAST = 0.5, INK_APART = 3.0;
  for (const DrawRecordEntry& text : record) {
    if (!IsText(text) || text.spans.empty()) continue;
    const std::vector<int> codes = GlyphCodes(text.text);
    const bool inkShown = std::find(codes.begin(), codes.end(), -1) != codes.end();
    const std::string plain = PlainText(text.text);
    size_t first = 0;
    for (size_t k = 0; k < text.spans.size(); first += size_t(text.spans[k].glyphs), ++k) {
      const DrawRecordSpan& span = text.spans[k];
      if (first >= codes.size() || codes[first] < 1 || codes[first] > 6) continue;
      const uint32_t rgb = span.colour & 0xFFFFFFu;
      double hue, saturation;
      HueAndSaturation(rgb, &hue, &saturation);
      const double off = std::abs(std::remainder(hue - CODE_HUES[codes[first]], 360.0));
      const double apart = ContrastRatio(rgb, text.colour & 0xFFFFFFu);
      std::string why;
      if (off > HUE_MOST || saturation < SATURATION_LEAST)
        why = Format("hue %.0f degrees from its code's, saturation %.2f", off, saturation);
      else if (inkShown && apart < INK_APART)
        why = Format("%.2f:1 from the text's ink", apart);
      if (why.empty()) continue;
      char detail[120];
      std::snprintf(detail, sizeof detail, " (%06X for ^%d, ink %06X) at ", rgb, codes[first], text.colour & 0xFFFFFFu);
      Add(out, "coded", Quoted(plain) + " its part " + Quoted(SpanText(plain, text.spans, k)),
          why + detail + Where(SpanBox(span)));
    }
  }
}

// ---- What a state keeps in sight ----

Box Clipped(const Box& b, float width, float height) { return Intersection(b, Box{0.0f, 0.0f, width, height}); }

// An entry of the interface that hides what lies under it: a fill (a panel, a button's face,
// a label's box, a backing) at least three quarters opaque, or the information panel.
bool Opaque(const DrawRecordEntry& e) {
  if (e.role == RECORD_AREA) return e.label == AREA_INFO_PANEL;
  return !IsText(e) && (e.colour >> 24) >= OPAQUE_ALPHA;
}

void KeptInSight(const std::vector<DrawRecordEntry>& record, const std::string& keep, float width, float height,
                 std::vector<LayoutFinding>& out) {
  if (keep.empty()) return;
  // "<subject> framed": the subject kept, and framed in the view besides.
  const std::string framedSuffix = " framed";
  const bool framed = keep.size() > framedSuffix.size() && keep.ends_with(framedSuffix);
  const std::string subject = framed ? keep.substr(0, keep.size() - framedSuffix.size()) : keep;
  std::vector<Box> kept, opaque, interface;
  for (const DrawRecordEntry& e : record) {
    if (e.role == RECORD_AREA && e.label == subject) kept.push_back(EntryBox(e));
    if (Opaque(e)) opaque.push_back(EntryBox(e));
    if (e.role != RECORD_AREA && !e.marker && (IsText(e) || (e.colour >> 24) >= 0x20)) interface.push_back(EntryBox(e));
  }
  const bool wheel = subject == AREA_FRONT_WHEEL;
  const std::string word = wheel ? "wheel" : subject == AREA_CUTOUT_FRAME ? "cutout" : subject;
  // Seen at all: on the window, and a subject over a hundredth of it.
  float largest = 0.0f;
  for (const Box& box : kept) {
    const Box on = Clipped(box, width, height);
    if (!Empty(on)) largest = std::max(largest, (on.right - on.left) * (on.bottom - on.top));
  }
  if (largest == 0.0f || (!wheel && largest < CAR_LEAST_SHARE * width * height)) {
    Add(out, (word + "-unseen").c_str(), "the " + subject,
        largest == 0.0f ? "not drawn on the window" : Format("drawn %.0f pixels large", largest));
    return;
  }
  for (const Box& box : kept) {
    const Box on = Clipped(box, width, height);
    if (Empty(on)) continue;
    const float share = CoveredShare(on, wheel ? interface : opaque);
    if (share > (wheel ? WHEEL_COVERED_MOST : CAR_COVERED_MOST))
      Add(out, (word + "-covered").c_str(), "the interface over the " + subject,
          Format("covers %.0f%% of its box ", 100.0 * share) + Where(on));
    if (!framed) continue;
    // Framed: of the whole box (off the window too), the part on the window and clear.
    const float whole = (box.right - box.left) * (box.bottom - box.top);
    const float clear = (on.right - on.left) * (on.bottom - on.top) * (1.0f - CoveredShare(on, opaque));
    if (whole > 0.0f && clear < FRAMED_LEAST * whole)
      Add(out, (word + "-framed").c_str(), "the " + subject + " in its view",
          Format("%.0f%% of its box in sight and clear ", 100.0 * clear / whole) + Where(box));
  }
}

// Each wheel figure of a flat diagram stands high enough to be read.
void SmallFigures(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  for (const DrawRecordEntry& e : record)
    if (e.role == RECORD_AREA && e.label == AREA_WHEEL_FIGURE && e.bottom - e.top < FIGURE_LEAST_PIXELS)
      Add(out, "small-figure", "a wheel's tyre section", Format("%.1f pixels high ", e.bottom - e.top) + Where(EntryBox(e)));
}

}  // namespace

// ---- [Rules] ----

std::vector<LayoutFinding> CheckLayout(const std::vector<DrawRecordEntry>& record, const LayoutPicture& picture,
                                       const TextMeasure& measure, const std::string& keep) {
  std::vector<LayoutFinding> out;
  const std::map<RowKey, Row> rows = ClickableRows(record);
  Overlaps(rows, out);
  TextsOutside(record, out);
  Covered(record, rows, out);
  MessageOrder(record, out);
  TextOverlaps(record, out);
  Piles(record, out);
  if (picture.width > 0 && picture.height > 0) OffWindow(record, rows, float(picture.width), float(picture.height), out);
  SmallTexts(record, measure, out);
  Cuts(record, measure, float(picture.width), out);
  Thumbs(record, rows, out);
  Contrasts(record, picture, out);
  CodedColours(record, out);
  KeptInSight(record, keep, float(picture.width), float(picture.height), out);
  SmallFigures(record, out);
  return out;
}

// ---- Dialogs over any backdrop ----

bool ShowsDialog(const std::vector<DrawRecordEntry>& record) {
  return std::any_of(record.begin(), record.end(),
                     [](const DrawRecordEntry& e) { return e.role == RECORD_AREA && e.label == AREA_DIALOG; });
}

// The dialog's texts: those of its panel's control and the controls added after it, standing
// on its area.  Each span is measured over both pictures as the contrast rule measures it, and
// the worse of the two is the finding.
std::vector<LayoutFinding> CheckDialogBackdrops(const std::vector<DrawRecordEntry>& record,
                                                const LayoutPicture& overBlack, const LayoutPicture& overWhite) {
  std::vector<LayoutFinding> out;
  for (const DrawRecordEntry& area : record) {
    if (area.role != RECORD_AREA || area.label != AREA_DIALOG) continue;
    int first = -1;
    for (const DrawRecordEntry& e : record)
      if (e.role == RECORD_PANEL && e.ownerKind == RECORD_OWNER_CONTROL && std::abs(e.left - area.left) <= 1.0f &&
          std::abs(e.top - area.top) <= 1.0f && std::abs(e.right - area.right) <= 1.0f &&
          std::abs(e.bottom - area.bottom) <= 1.0f)
        first = e.owner;
    if (first < 0) {
      Add(out, "backdrop", "the dialog's panel", "no panel drawn at " + Where(EntryBox(area)));
      continue;
    }
    for (const DrawRecordEntry& text : record) {
      if (!IsText(text) || text.ownerKind != RECORD_OWNER_CONTROL || text.owner < first) continue;
      const float cx = 0.5f * (text.left + text.right), cy = 0.5f * (text.top + text.bottom);
      if (cx < area.left || cx > area.right || cy < area.top || cy > area.bottom) continue;
      const std::string plain = PlainText(text.text);
      for (size_t k = 0; k < text.spans.size(); ++k) {
        const DrawRecordSpan& span = text.spans[k];
        const SpanContrast black = MeasureSpan(span, overBlack), white = MeasureSpan(span, overWhite);
        const bool whiteWorse = white.pixels > 0 && (black.pixels == 0 || white.shortShare > black.shortShare ||
                                                     (white.shortShare == black.shortShare && white.tenth < black.tenth));
        const SpanContrast& m = whiteWorse ? white : black;
        if (m.pixels == 0 || m.marginalShare <= CONTRAST_SHARE) continue;
        out.push_back(ContrastFinding("backdrop", plain, text, k, m,
                                      whiteWorse ? "over a white backdrop behind the dialog " : "over a black backdrop behind the dialog "));
      }
    }
  }
  return out;
}

namespace {

// Whether the texels of a page from [x0, x1) x [y0, y1), taken round the page's edges as the
// sampler wraps them, hold any ink.
bool InkWrapped(const std::vector<uint8_t>& page, int x0, int y0, int x1, int y1) {
  constexpr int N = FONT_PAGE_PIXELS;
  if (page.size() < size_t(N) * N * 4) return false;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (page[(size_t(((y % N) + N) % N) * N + size_t(((x % N) + N) % N)) * 4 + 3]) return true;
  return false;
}

}  // namespace

std::vector<LayoutFinding> CheckGlyphs(const std::set<unsigned char>& shown, const FontPageImages& pages) {
  constexpr int N = FONT_PAGE_PIXELS;
  std::vector<LayoutFinding> out;
  for (unsigned char c : shown) {
    if (c < FIRST_CODE) continue;
    const CharacterEntry& entry = CodePageRecords[0].entries[c - FIRST_CODE];
    if (entry.flags & ENTRY_LEAD) continue;
    const Char& g = Glyphs[entry.glyph < GLYPH_COUNT ? entry.glyph : 0];
    if (g.numPoints == 0 || g.fontPage >= pages.pages.size()) continue;
    // The texels the box reaches beyond the page, and the one filtering reads past them.
    const int x0 = int(std::floor(g.u0 * N)) - 1, x1 = int(std::ceil(g.u1 * N)) + 1;
    const int y0 = int(std::floor(g.v0 * N)) - 1, y1 = int(std::ceil(g.v1 * N)) + 1;
    const std::vector<uint8_t>& page = pages.pages[g.fontPage];
    const bool beyond = (g.u0 < 0.0f && InkWrapped(page, x0, y0, 0, y1)) ||
                        (g.u1 > 1.0f && InkWrapped(page, N, y0, x1, y1)) ||
                        (g.v0 < 0.0f && InkWrapped(page, x0, y0, x1, 0)) ||
                        (g.v1 > 1.0f && InkWrapped(page, x0, N, x1, y1));
    if (beyond)
      Add(out, "glyph", Quoted(std::string(1, char(c))),
          Format("its box on font page %.0f runs from u %.4f to %.4f", g.fontPage, g.u0, g.u1) +
              Format(", v %.4f to %.4f, onto ink of the page's other side", g.v0, g.v1));
  }
  return out;
}

std::string PlainText(const std::string& coded) {
  std::string out;
  for (size_t i = 0; i < coded.size(); ++i) {
    if (coded[i] != '^') {
      out += coded[i];
    } else if (i + 1 < coded.size()) {
      if (coded[i + 1] == '^') out += '^';
      ++i;
    } else {
      out += '^';  // a caret ending the text is drawn as one
    }
  }
  return out;
}

// ---- [Colour] ----

double RelativeLuminance(uint32_t rgb) {
  return 0.2126 * SrgbToLinear(Channel(rgb, 16)) + 0.7152 * SrgbToLinear(Channel(rgb, 8)) +
         0.0722 * SrgbToLinear(Channel(rgb, 0));
}

double ContrastRatio(uint32_t rgbA, uint32_t rgbB) {
  const double a = RelativeLuminance(rgbA), b = RelativeLuminance(rgbB);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// The back buffer is an sRGB target: blending happens in linear light.
uint32_t Composite(uint32_t over, uint32_t under) {
  const double alpha = static_cast<double>(over >> 24) / 255.0;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double mixed = alpha * SrgbToLinear(Channel(over, shift)) + (1.0 - alpha) * SrgbToLinear(Channel(under, shift));
    const double encoded = mixed <= 0.0031308 ? 12.92 * mixed : 1.055 * std::pow(mixed, 1.0 / 2.4) - 0.055;
    out |= static_cast<uint32_t>(std::lround(std::clamp(encoded, 0.0, 1.0) * 255.0)) << shift;
  }
  return out;
}
