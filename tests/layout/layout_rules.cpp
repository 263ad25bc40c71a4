// layout_rules.cpp - the four rules over a frame's record.
#include "tests/layout/layout_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

namespace {

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

double SrgbToLinear(uint32_t channel) {
  const double c = static_cast<double>(channel) / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct Box {
  float left, top, right, bottom;
};

Box EntryBox(const DrawRecordEntry& e) { return {e.left, e.top, e.right, e.bottom}; }
Box OwnerBox(const DrawRecordEntry& e) { return {e.ownerLeft, e.ownerTop, e.ownerRight, e.ownerBottom}; }
bool Empty(const Box& b) { return b.right - b.left < 1.0f || b.bottom - b.top < 1.0f; }

// The overlap's width and height (negative when apart).
std::pair<float, float> Overlap(const Box& a, const Box& b) {
  return {std::min(a.right, b.right) - std::max(a.left, b.left), std::min(a.bottom, b.bottom) - std::max(a.top, b.top)};
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

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

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
    row.inner = e.inner != 0;
    if (row.label.empty()) row.label = e.label;
  }
  return rows;
}

std::string RowName(const Row& row) {
  return row.label.empty() || Blank(row.label) ? "an unlabelled row at " + Where(row.box) : Quoted(row.label);
}

void Overlaps(const std::map<RowKey, Row>& rows, std::vector<LayoutFinding>& out) {
  for (auto a = rows.begin(); a != rows.end(); ++a)
    for (auto b = std::next(a); b != rows.end(); ++b) {
      if (!Meet(a->second.box, b->second.box)) continue;
      if ((a->second.inner && Within(a->second.box, b->second.box)) ||
          (b->second.inner && Within(b->second.box, a->second.box)))
        continue;  // a knob in its trough
      const auto [w, h] = Overlap(a->second.box, b->second.box);
      char size[48];
      std::snprintf(size, sizeof size, " overlap by %.0f x %.0f pixels", w, h);
      out.push_back({true, "overlap", RowName(a->second) + " and " + RowName(b->second) + size + " at " +
                                          Where(a->second.box) + " and " + Where(b->second.box)});
    }
}

void TextsOutside(const std::vector<DrawRecordEntry>& record, std::vector<LayoutFinding>& out) {
  for (const DrawRecordEntry& e : record) {
    if (!IsRecordedText(e.role) || e.ownerKind == RECORD_OWNER_NONE || Blank(e.text)) continue;
    const Box owner = OwnerBox(e), text = EntryBox(e);
    if (Empty(owner)) continue;
    const float left = owner.left - text.left, right = text.right - owner.right;
    const float top = owner.top - text.top, bottom = text.bottom - owner.bottom;
    const float worst = std::max({left, right, top, bottom});
    if (worst <= OVERLAP_ALLOWED_PIXELS) continue;
    const char* side = worst == left ? "left" : worst == right ? "right" : worst == top ? "top" : "bottom";
    char by[64];
    std::snprintf(by, sizeof by, " by %.0f pixels on the %s", worst, side);
    const std::string button = e.label.empty() || e.label == e.text ? Where(owner) : Quoted(e.label) + " " + Where(owner);
    out.push_back({true, "outside", "text " + Quoted(e.text) + " runs outside its button " + button + by});
  }
}

bool IsMessage(int role) { return role == RECORD_MESSAGE || role == RECORD_STATUS || role == RECORD_BACKING; }
const char* LineKind(int role) { return role == RECORD_STATUS ? "status line" : "message"; }

std::string EntryName(const DrawRecordEntry& e) {
  if (IsRecordedText(e.role)) return "text " + Quoted(e.text);
  if (!e.label.empty() && !Blank(e.label)) return "the panel of " + Quoted(e.label);
  return "a fill at " + Where(EntryBox(e));
}

// Messages and status lines: nothing drawn after them covers them, and they lie over no
// clickable row.
void MessagesInSight(const std::vector<DrawRecordEntry>& record, const std::map<RowKey, Row>& rows,
                     std::vector<LayoutFinding>& out) {
  for (size_t i = 0; i < record.size(); ++i) {
    const DrawRecordEntry& line = record[i];
    if ((line.role != RECORD_MESSAGE && line.role != RECORD_STATUS) || Blank(line.text)) continue;
    const Box box = EntryBox(line);
    for (size_t j = i + 1; j < record.size(); ++j) {
      if (IsMessage(record[j].role) || !Meet(box, EntryBox(record[j]))) continue;
      out.push_back({true, "covered", std::string(LineKind(line.role)) + " " + Quoted(line.text) + " is covered by " +
                                          EntryName(record[j]) + " at " + Where(EntryBox(record[j]))});
      break;
    }
    for (const auto& [key, row] : rows)
      if (Meet(box, row.box)) {
        out.push_back({true, "covered", std::string(LineKind(line.role)) + " " + Quoted(line.text) + " lies over " +
                                            RowName(row) + " at " + Where(row.box)});
        break;
      }
  }
}


void Contrasts(const std::vector<DrawRecordEntry>& record, uint32_t scene, std::vector<LayoutFinding>& out) {
  const bool plain = (scene >> 24) == 0xFF;
  for (size_t i = 0; i < record.size(); ++i) {
    const DrawRecordEntry& text = record[i];
    if (!IsRecordedText(text.role) || Blank(text.text)) continue;
    const float x = 0.5f * (text.left + text.right), y = 0.5f * (text.top + text.bottom);
    uint32_t overBlack = plain ? scene & 0xFFFFFF : 0x000000, overWhite = plain ? scene & 0xFFFFFF : 0xFFFFFF;
    int face = -1;  // the last opaque fill under the text, while nothing see-through lies over it
    for (size_t j = 0; j < i; ++j) {
      const DrawRecordEntry& fill = record[j];
      if (IsRecordedText(fill.role) || x < fill.left || x >= fill.right || y < fill.top || y >= fill.bottom) continue;
      overBlack = Composite(fill.colour, overBlack);
      overWhite = Composite(fill.colour, overWhite);
      face = (fill.colour >> 24) == 0xFF ? static_cast<int>(j) : -1;
    }
    const double ratio = std::min(ContrastRatio(Composite(text.colour, overBlack), overBlack),
                                  ContrastRatio(Composite(text.colour, overWhite), overWhite));
    if (ratio >= CONTRAST_NEEDED) continue;
    char detail[160];
    std::snprintf(detail, sizeof detail, " (ink %02X%02X%02X, backing %06X over black, %06X over white) is %.2f:1",
                  Channel(text.colour, 16), Channel(text.colour, 8), Channel(text.colour, 0), overBlack, overWhite,
                  ratio);
    const bool buttonFace = face >= 0 && (record[size_t(face)].role == RECORD_BUTTON ||
                                          record[size_t(face)].role == RECORD_LABEL_BOX);
    out.push_back({!buttonFace, buttonFace ? "face contrast" : "contrast", "text " + Quoted(text.text) + detail});
  }
}

}  // namespace

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

std::vector<LayoutFinding> CheckLayout(const std::vector<DrawRecordEntry>& record, uint32_t scene) {
  std::vector<LayoutFinding> out;
  const std::map<RowKey, Row> rows = ClickableRows(record);
  Overlaps(rows, out);
  TextsOutside(record, out);
  MessagesInSight(record, rows, out);
  Contrasts(record, scene, out);
  return out;
}
