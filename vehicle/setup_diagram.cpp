// setup_diagram.cpp - the flat diagram of one axle (setup_diagram.h).
#include "vehicle/setup_diagram.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "physics/car.h"
#include "render/draw2d.h"
#include "text/language.h"
#include "ui/draw_record.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "wheel/wheel.h"

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

namespace {

void AddText(DiagramTexts& texts, float x, float y, int right, const char* text) {
  if (texts.count >= DIAGRAM_TEXTS) return;
  DiagramText& t = texts.lines[texts.count++];
  t.x = x;
  t.y = y;
  t.rightAligned = right;
  size_t n = 0;  // cut to the line's size
  for (; n + 1 < sizeof t.text && text[n]; ++n) t.text[n] = text[n];
  t.text[n] = 0;
}

void ThickLine(uint32_t colour, float x0, float y0, float x1, float y1, float thickness) {
  ThickLineVertex v[THICK_LINE_VERTICES];
  if (!MakeThickLine(x0, y0, x1, y1, thickness, thickness, v)) return;
  int index[THICK_LINE_VERTICES];
  for (int i = 0; i < THICK_LINE_VERTICES; ++i) {
    index[i] = Draw2DList.AddVertex(colour, v[i].x, v[i].y, v[i].u, 0.5f);
    if (index[i] < 0) return;
  }
  for (int q = 0; q < 3; ++q)
    Draw2DList.AddQuad(index[2 * q], index[2 * q + 1], index[2 * q + 3], index[2 * q + 2]);
}

void FilledQuad(uint32_t colour, const float xy[8]) {
  int index[4];
  for (int i = 0; i < 4; ++i)
    if ((index[i] = Draw2DList.AddVertex(colour, xy[2 * i], xy[2 * i + 1], 0.5f, 0.5f)) < 0) return;
  Draw2DList.AddQuad(index[0], index[1], index[2], index[3]);
}

// The tyre's lateral force: what the body receives through the wheel across the car (N,
// positive towards the car's right).
float AcrossForce(const Car& car, const CarWheel& w) {
  const Vec3& f = w.wheelForce;
  const float* o = car.orientation;
  const float across = f.x * o[0] + f.y * o[3] + f.z * o[6];
  return std::isfinite(across) ? across : 0.0f;
}

// Car axes (x across, z up) to the panel.
struct DiagramPlane {
  float centreX, groundY, scale, aspect;
  float X(float x) const { return centreX + x * scale; }
  float Y(float z) const { return groundY - z * scale * aspect; }
};

}  // namespace

int MakeForceWedge(float contactX, float contactY, float force, float side, float scaleX, float scaleY,
                   ForceWedge& out) {
  if (force == 0.0f || !std::isfinite(force)) return 0;
  const float length = std::clamp(force / DIAGRAM_WEDGE_NEWTONS, -2.0f, 2.0f);  // m
  const float wheelSide = side < 0.0f ? -1.0f : 1.0f;
  out.colour = DIAGRAM_WEDGE_COLOURS[(force < 0.0f) != (wheelSide < 0.0f) ? 0 : 1];
  const float rise = std::fabs(length) * 1.2f / 3.0f;
  out.x[0] = contactX;
  out.y[0] = contactY;
  // The winding follows the force's sign, so a wedge faces the same way in either direction.
  const int inner = force > 0.0f ? 1 : 2, outer = 3 - inner;
  out.x[inner] = contactX + length * scaleX;
  out.y[inner] = contactY;
  out.x[outer] = contactX + 1.2f * length * scaleX;
  out.y[outer] = contactY - rise * scaleY;
  return 1;
}

void QueueDiagramTexts(const DiagramTexts& texts, float size, uint32_t colour) {
  for (int i = 0; i < texts.count; ++i) {
    const DiagramText& t = texts.lines[i];
    const float x = t.rightAligned ? t.x - TextWidth(t.text, 0, size) : t.x;
    DrawText(t.text, colour, x, t.y, size, 0);
  }
}

float DiagramSectionHeight(const Car& car, int setIndex) {
  if (setIndex < 0 || setIndex >= CAR_WHEEL_SETS) return 0.0f;
  const WheelProfile& profile = car.wheelSets[setIndex].profile;
  float deepest = 0.0f;
  for (int f = 0; f < std::min(profile.surfaceCount, PROFILE_TYRE_SURFACES); ++f)
    for (const int k : {profile.surfaces[f].first, profile.surfaces[f].second})
      if (std::isfinite(profile.points[k].y)) deepest = std::max(deepest, std::fabs(profile.points[k].y));
  return 2.0f * deepest;
}

DiagramFigure PlaceDiagramFigure(const Car& car, float top, float width, float height, float lineHeight,
                                 int columns, float aspect) {
  const float carWidth = car.extent[2] - car.extent[3];
  DiagramFigure f{};
  // The columns at the foot, the ground a line and a half above them, the figure no higher
  // than under the title and the track line (in a panel too short for it, drawn smaller).
  const int lines = columns == DIAGRAM_COLUMNS_OVER ? 2 * DIAGRAM_WHEEL_LINES : columns ? DIAGRAM_WHEEL_LINES : 0;
  f.columnsTop = top + height - float(lines) * lineHeight;
  f.groundY = f.columnsTop - DIAGRAM_GROUND_LINES * lineHeight;
  const float heading = DIAGRAM_HEADING_LINES + (columns == DIAGRAM_COLUMNS_OVER ? 2.0f : 0.0f);
  const float room = (f.groundY - (top + heading * lineHeight)) / (DIAGRAM_FIGURE_REACH_M * aspect);
  float across = DiagramScale(width, carWidth);
  if (columns == DIAGRAM_COLUMNS_OVER) {
    // The figure as wide as the panel: the car with its tyres out to its sides.
    float sections = 0.0f;
    for (const SuspensionBlock& set : car.wheelSets)
      if (std::isfinite(set.sectionWidth)) sections = std::max(sections, set.sectionWidth);
    const float figureWidth = (std::isfinite(carWidth) ? std::max(carWidth, DIAGRAM_LEAST_WIDTH) : DIAGRAM_LEAST_WIDTH) +
                              2.0f * std::min(sections, 1.0f);
    across = 0.95f * width / figureWidth;
  }
  f.scale = std::max(0.0f, std::min(across, room));
  return f;
}

void DrawSetupDiagram(const Car& car, int setIndex, float left, float top, float width, float height, int checkTrack,
                      float lineHeight, DiagramTexts& texts, int columnsOver, float aspect) {
  texts.count = 0;
  texts.track = -1.0f;
  if (setIndex < 0 || setIndex >= CAR_WHEEL_SETS) return;
  const SuspensionBlock& set = car.wheelSets[setIndex];
  const float thickness = std::max(width / 200.0f, 1e-4f);
  const int columns = car.remote ? 0 : columnsOver ? DIAGRAM_COLUMNS_OVER : DIAGRAM_COLUMNS_BESIDE;
  const DiagramFigure figure = PlaceDiagramFigure(car, top, width, height, lineHeight, columns, aspect);
  const float columnsTop = figure.columnsTop;
  DiagramPlane plane = {left + width / 2, figure.groundY, figure.scale, aspect};
  Draw2DList.StartBatch(nullptr);
  FilledQuad(0xFF202020u, std::array<float, 8>{left, top, left + width, top, left + width, top + height, left,
                                               top + height}
                              .data());
  float contactX[2] = {}, contactZ[2] = {};
  int drawn = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < std::min<int>(car.wheelCount, CAR_MAX_WHEELS); ++i) {
      const CarWheel& w = car.wheels[i];
      if (w.wheelSet != setIndex || (w.side == -1.0f) != (pass == 0)) continue;
      CarWheel copy = w;
      copy.suspensionType = set.suspensionType;
      copy.UpdateSuspensionGeometry(set);
      const float sign = copy.side == 0.0f ? 1.0f : copy.side;
      const Vec3 c = copy.centre, u = copy.uprightAxis;
      const float h = set.halfUprightLength > 0.0f ? set.halfUprightLength : 0.1f;
      const float lowerX = c.x - u.x * h, lowerZ = c.z - u.z * h, upperX = c.x + u.x * h, upperZ = c.z + u.z * h;
      // The plates first, then the upright and the tyre section, and the links over them all,
      // so that every link shows to both its ends.
      const Vec3 p = copy.lowerPivot;
      if (set.suspensionType == 3) {  // MacPherson strut: plates on the arm's ends and the strut's top
        const float d = 4 * thickness;
        for (const Vec3& q : {p, copy.strutTop, Vec3{lowerX, 0, lowerZ}}) {
          const float quad[8] = {plane.X(q.x) - d, plane.Y(q.z) - d, plane.X(q.x) + d, plane.Y(q.z) - d,
                                 plane.X(q.x) + d, plane.Y(q.z) + d, plane.X(q.x) - d, plane.Y(q.z) + d};
          FilledQuad(DIAGRAM_PLATE_COLOUR, quad);
        }
      } else if (set.suspensionType == 4) {  // double wishbone: the two arms as plates
        const float ux = copy.upperPivotX, uz = copy.upperPivotZ;
        const float lower[8] = {plane.X(p.x), plane.Y(p.z - 0.02f), plane.X(lowerX), plane.Y(lowerZ - 0.01f),
                                plane.X(lowerX), plane.Y(lowerZ + 0.01f), plane.X(p.x), plane.Y(p.z + 0.02f)};
        const float upper[8] = {plane.X(ux), plane.Y(uz - 0.02f), plane.X(upperX), plane.Y(upperZ - 0.01f),
                                plane.X(upperX), plane.Y(upperZ + 0.01f), plane.X(ux), plane.Y(uz + 0.02f)};
        FilledQuad(DIAGRAM_PLATE_COLOUR, lower);
        FilledQuad(DIAGRAM_PLATE_COLOUR, upper);
      }
      // The upright and the tyre section about the wheel's plane.
      ThickLine(DIAGRAM_MARKER_COLOUR, plane.X(lowerX), plane.Y(lowerZ), plane.X(upperX), plane.Y(upperZ), thickness);
      const WheelProfile& profile = set.profile;
      float box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};  // the section's extent on the panel
      for (int f = 0; f < std::min(profile.surfaceCount, PROFILE_TYRE_SURFACES); ++f) {
        const ProfilePoint& a = profile.points[profile.surfaces[f].first];
        const ProfilePoint& b = profile.points[profile.surfaces[f].second];
        const uint32_t colour = (a.kind == PROFILE_BEAD || b.kind == PROFILE_BEAD) && a.hidden && b.hidden &&
                                        profile.status != TYRE_DIMENSIONS_OK
                                    ? DIAGRAM_SECTION_FLAGGED
                                    : DIAGRAM_SECTION_COLOUR;
        for (const float reflect : {1.0f, -1.0f}) {  // the segment below the axle and its reflection above
          const float ax = c.x + sign * a.x, az = c.z - reflect * a.y, bx = c.x + sign * b.x, bz = c.z - reflect * b.y;
          ThickLine(colour, plane.X(ax), plane.Y(az), plane.X(bx), plane.Y(bz), thickness);
          for (const float x : {plane.X(ax), plane.X(bx)}) box[0] = std::min(box[0], x), box[2] = std::max(box[2], x);
          for (const float y : {plane.Y(az), plane.Y(bz)}) box[1] = std::min(box[1], y), box[3] = std::max(box[3], y);
        }
      }
      RecordAreaUnits(AREA_WHEEL_FIGURE, box[0], box[1], box[2], box[3]);
      // The links by suspension type: a strut's arm, strut and track rod; a double wishbone's
      // two arms and its tie.
      if (set.suspensionType == 3) {
        const Vec3 s = copy.strutTop;
        ThickLine(DIAGRAM_LINK_COLOURS[0], plane.X(p.x), plane.Y(p.z), plane.X(lowerX), plane.Y(lowerZ), thickness);
        ThickLine(DIAGRAM_LINK_COLOURS[1], plane.X(upperX), plane.Y(upperZ), plane.X(s.x), plane.Y(s.z), thickness);
        ThickLine(DIAGRAM_LINK_COLOURS[2], plane.X(p.x), plane.Y(p.z + 0.05f), plane.X(c.x), plane.Y(c.z), thickness);
      } else if (set.suspensionType == 4) {
        const float ux = copy.upperPivotX, uz = copy.upperPivotZ;
        ThickLine(DIAGRAM_LINK_COLOURS[0], plane.X(p.x), plane.Y(p.z), plane.X(lowerX), plane.Y(lowerZ), thickness);
        ThickLine(DIAGRAM_LINK_COLOURS[1], plane.X(ux), plane.Y(uz), plane.X(upperX), plane.Y(upperZ), thickness);
        ThickLine(DIAGRAM_LINK_COLOURS[2], plane.X(p.x), plane.Y(p.z), plane.X(ux), plane.Y(uz), thickness);
        ThickLine(DIAGRAM_LINK_COLOURS[2], plane.X(p.x), plane.Y(p.z), plane.X(upperX), plane.Y(upperZ), thickness);
      }
      // The contact and the ground across the wheel.
      const float cx = c.x + copy.contactOffset.x, cz = c.z + copy.contactOffset.z;
      ThickLine(DIAGRAM_GROUND_COLOUR, plane.X(cx - set.sectionWidth), plane.Y(cz), plane.X(cx + set.sectionWidth),
                plane.Y(cz), thickness);
      const float d = 3 * thickness;
      const float marker[8] = {plane.X(cx) - d, plane.Y(cz) - d, plane.X(cx) + d, plane.Y(cz) - d,
                               plane.X(cx) + d, plane.Y(cz) + d, plane.X(cx) - d, plane.Y(cz) + d};
      FilledQuad(DIAGRAM_MARKER_COLOUR, marker);
      ForceWedge wedge;
      if (!car.remote && MakeForceWedge(plane.X(cx), plane.Y(cz), AcrossForce(car, copy), copy.side, plane.scale,
                                        plane.scale * plane.aspect, wedge)) {
        int index[3];
        bool all = true;
        for (int k = 0; k < 3; ++k) all = (index[k] = Draw2DList.AddVertex(wedge.colour, wedge.x[k], wedge.y[k], 0.5f, 0.5f)) >= 0 && all;
        if (all) Draw2DList.AddTriangle(index[0], index[1], index[2]);
      }
      if (drawn < 2) {
        contactX[drawn] = cx;
        contactZ[drawn] = cz;
      }
      ++drawn;
      // The column of live values.
      DiagramWheelValues values = {};
      values.camber = std::asin(std::clamp(copy.spinAxis.z, -1.0f, 1.0f));
      values.sideSign = copy.side;
      values.inclination = set.inclination;
      values.caster = set.caster;
      values.scrub = copy.contactOffset.x * sign;
      values.pressure = copy.pressure;
      values.mu = copy.gripCoefficient;
      values.airHeat = copy.airHeat;
      values.airMass = copy.airMass;
      values.coefficients[0] = set.radialStiffnessSlope;
      values.coefficients[1] = set.radialStiffnessAtZero;
      values.coefficients[2] = set.brushStiffness;
      values.coefficients[3] = set.treadContactWidth;
      char lines[DIAGRAM_WHEEL_LINES][DIAGRAM_LINE_SIZE];
      const int count = FormatWheelColumn(values, car.remote, lines);
      const int right = pass == 1;
      const float first = columnsTop + (right && columnsOver ? float(DIAGRAM_WHEEL_LINES) * lineHeight : 0.0f);
      for (int k = 0; k < count; ++k) AddText(texts, right ? left + width : left, first + lineHeight * float(k), right, lines[k]);
    }
  }
  Draw2DList.EndBatch();
  char title[DIAGRAM_LINE_SIZE];
  std::snprintf(title, sizeof title, LanguageTexts[TX_3h_s_coln_s],
                LanguageTexts[setIndex == 0 ? TX_3g_capsrear : TX_3g_capsfrnt], SuspensionTypeName(set.suspensionType));
  // One over the other, the title breaks after its colon: the suspension's type goes below.
  char* type = columnsOver ? std::strstr(title, " : ") : nullptr;
  if (type) type[2] = 0;
  AddText(texts, left, top, 0, title);
  if (type) AddText(texts, left, top + lineHeight, 0, type + 3);
  const float trackTop = top + (type ? 2.0f : 1.0f) * lineHeight;
  if (drawn >= 2) {
    const float dx = contactX[1] - contactX[0], dz = contactZ[1] - contactZ[0];
    texts.track = std::sqrt(dx * dx + dz * dz);
    char line[DIAGRAM_LINE_SIZE];
    FormatTrackLine(line, sizeof line, texts.track, set.trackWidth, checkTrack);
    char* warning = columnsOver ? std::strstr(line, " ^3(") : nullptr;
    if (warning) *warning = 0;
    AddText(texts, left, trackTop, 0, line);
    if (warning) AddText(texts, left, trackTop + lineHeight, 0, warning + 1);
  }
}
