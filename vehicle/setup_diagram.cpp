// setup_diagram.cpp - the flat diagram of one axle (setup_diagram.h).
#include "vehicle/setup_diagram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/text/language.h"

float DiagramScale(float panelWidth, float carWidth) {
  const float width = std::isfinite(carWidth) ? std::max(carWidth, DIAGRAM_LEAST_WIDTH) : DIAGRAM_LEAST_WIDTH;
  return 0.4f * panelWidth / width;
}

int MakeThickLine(float x0, float y0, float x1, float y1, float width, float height,
                  ThickLineVertex out[THICK_LINE_VERTICES]) {
  const float dx = x1 - x0, dy = y1 - y0;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (!(length > 0.0f)) return 0;
  // Half the thickness across the line, in x by width and in y by height.
  const float nx = -dy / length * width * 0.5f, ny = dx / length * height * 0.5f;
  const float across[4] = {-1.0f, 0.0f, 0.0f, 1.0f};
  const float u[4] = {0.0f, 0.5f, 0.5f, 1.0f};
  // Four pairs (start, end) across the line: two outer edges and a doubled middle, so the
  // three quads are (0,1,2,3), (2,3,4,5), (4,5,6,7).
  for (int k = 0; k < 4; ++k) {
    out[2 * k] = ThickLineVertex{x0 + nx * across[k], y0 + ny * across[k], u[k]};
    out[2 * k + 1] = ThickLineVertex{x1 + nx * across[k], y1 + ny * across[k], u[k]};
  }
  return 1;
}

void FormatTrackLine(char* out, int size, float track, float target, int checkTrack) {
  const char* format = LanguageTexts[TX_3g_live_trk];
  if (checkTrack) {
    if (track < target - TRACK_TOLERANCE) format = TEXT_TRACK_NARROW;
    else if (track > target + TRACK_TOLERANCE) format = TEXT_TRACK_WIDE;
  }
  std::snprintf(out, static_cast<size_t>(size), format, static_cast<double>(track));
}

int FormatWheelColumn(const DiagramWheelValues& w, int remote, char lines[DIAGRAM_WHEEL_LINES][DIAGRAM_LINE_SIZE]) {
  if (remote) return 0;
  constexpr double toDegrees = 180.0 / 3.14159265358979323846;
  const double sign = w.sideSign == 0.0f ? 1.0 : w.sideSign;
  std::snprintf(lines[0], DIAGRAM_LINE_SIZE, LanguageTexts[TX_3g_live_cmb], w.camber * toDegrees * sign);
  std::snprintf(lines[1], DIAGRAM_LINE_SIZE, LanguageTexts[TX_3g_live_inc], w.inclination * toDegrees);
  std::snprintf(lines[2], DIAGRAM_LINE_SIZE, LanguageTexts[TX_3g_live_cst], w.caster * toDegrees);
  std::snprintf(lines[3], DIAGRAM_LINE_SIZE, LanguageTexts[TX_3g_live_scr], static_cast<double>(w.scrub));
  const double k1 = w.coefficients[0], k2 = w.coefficients[1], k3 = w.coefficients[2], k4 = w.coefficients[3];
  double slip = std::atan(((k1 * w.pressure + k2) * w.mu * 0.75) / (k3 * k4)) * toDegrees;
  if (!std::isfinite(slip)) slip = 0.0;
  std::snprintf(lines[4], DIAGRAM_LINE_SIZE, TEXT_SLIP_ANGLE, slip);
  double air = w.airMass > 0.0f ? w.airHeat / (static_cast<double>(w.airMass) * AIR_HEAT_CAPACITY) - 273.15 : 0.0;
  if (!std::isfinite(air)) air = 0.0;
  std::snprintf(lines[5], DIAGRAM_LINE_SIZE, TEXT_GRIP_AIR, static_cast<double>(w.mu), air);
  std::snprintf(lines[6], DIAGRAM_LINE_SIZE, TEXT_PRESSURE, static_cast<double>(w.pressure * PSI_PER_PASCAL),
                static_cast<double>(w.pressure * BAR_PER_PASCAL));
  return DIAGRAM_WHEEL_LINES;
}

const char* SuspensionTypeName(int type) {
  switch (type) {
    case 0: return LanguageTexts[TX_3g_susrigid];
    case 1: return "Linear";
    case 2: return LanguageTexts[TX_3g_susffork];
    case 3: return LanguageTexts[TX_3g_susmacph];
    case 4: return LanguageTexts[TX_3g_susdwish];
    case 5: return LanguageTexts[TX_3g_sustrail];
    default: return "";
  }
}
