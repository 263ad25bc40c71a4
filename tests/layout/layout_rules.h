// layout_rules.h - the rules a drawn frame must keep, checked over the interface's record of
// it (ui/draw_record.h): clickable rows never overlap, a text stays inside its button, nothing
// covers a message or status line, and a text over the scene or a see-through panel stands
// out from it.
//
// The contrast is WCAG 2's ratio (L1 + 0.05) / (L2 + 0.05) of relative luminances, written
// here on its own so that the check does not take the interface's word for it.  The markers of
// scene points (the modeller's point buttons, which follow the model) are not rows, and a
// scroll bar's knob lies inside its trough by design.  A backing is
// every fill drawn before the text under the text's middle, composited over a black and over a
// white scene (the worse of the two counts), or over the page's own colour when the frame is a
// plain page with nothing behind its interface (DrawRecordScene).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/draw_record.h"

struct LayoutFinding {
  bool fails;        // false: reported only (a button face under the dark/light rule)
  std::string kind;  // "overlap", "outside", "covered", "contrast", "face contrast"
  std::string text;  // names the rows or the text, so a finding says what to move
};

constexpr float CONTRAST_NEEDED = 4.5f;
constexpr float OVERLAP_ALLOWED_PIXELS = 1.0f;

// The relative luminance of an 8-bit sRGB colour (0xRRGGBB in the low bytes) and the ratio of two.
double RelativeLuminance(uint32_t rgb);
double ContrastRatio(uint32_t rgbA, uint32_t rgbB);
// a over b (0xAARRGGBB over 0xRRGGBB) as the back buffer blends them: in linear light, since
// it is an sRGB target.
uint32_t Composite(uint32_t over, uint32_t under);

// scene: DrawRecordScene, 0xFFRRGGBB for a plain page, 0 for a scene of any colour.
std::vector<LayoutFinding> CheckLayout(const std::vector<DrawRecordEntry>& record, uint32_t scene = 0);
