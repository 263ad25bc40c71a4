// wheel_profile.cpp - the wheel's cross-section: tyre outline, bead, rim edges and lip, the rim
// from the rim profile, normals and shading.
#include "vehicle/wheel_profile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "core/gamma_tables.h"
#include "text/text_colours.h"
#include "vehicle_data/rim_profile.h"

namespace {

constexpr int NO_NEIGHBOUR = 0;

// What every point of one profile is shaded by.
struct Shading {
  float edge;    // L: the outer edge of the rim
  float shade;   // s
  bool mode;     // the shading mode
};
// How a point is shaded.
enum ShadeAs { SHADE_PLAIN, SHADE_TYRE, SHADE_NEVER };

float ShadeFactor(const Shading& sh, float x, ShadeAs as) {
  if (as == SHADE_NEVER) return 1.0f;
  if (sh.mode) {
    if (as == SHADE_TYRE) return (x + sh.edge) * 0.5f / sh.edge;
    if (x < 0.0f) return 1.0f - sh.shade;
  } else if (as == SHADE_TYRE) {
    return 1.0f;
  }
  return std::fabs(x) / sh.edge * sh.shade + (1.0f - sh.shade);
}

uint8_t Scaled(uint32_t channel, float factor) { return uint8_t(std::lround(float(channel) * factor)); }

// Stores one point with its shaded colour; its index, or -1 when the profile is full.
int AddProfilePoint(WheelProfile& p, const Shading& sh, float x, float y, float v, uint32_t colour, uint8_t kind,
                    uint8_t first, uint8_t second, ShadeAs as) {
  if (p.pointCount >= PROFILE_POINTS) return -1;
  ProfilePoint& q = p.points[p.pointCount];
  q = ProfilePoint{};
  q.x = x;
  q.y = y;
  q.v = v;
  q.kind = kind;
  q.hidden = kind != PROFILE_RIM;
  q.neighbours[0] = first;
  q.neighbours[1] = second;
  const float factor = ShadeFactor(sh, x, as);
  uint32_t c = colour & 0xFFFFFFu;
  if (!(factor >= 0.01f)) {
    c = TextColours.darkText & 0xFFFFFFu;  // a factor that is not a number is black too
  } else if (factor < 0.99f) {
    c = RgbWord(Scaled(ColourRed(c), factor), Scaled(ColourGreen(c), factor), Scaled(ColourBlue(c), factor));
  }
  q.red = uint8_t(ColourRed(c));
  q.green = uint8_t(ColourGreen(c));
  q.blue = uint8_t(ColourBlue(c));
  q.vertexColour = uint32_t(BrightnessTable[q.red]) << 16 | uint32_t(BrightnessTable[q.green]) << 8 |
                   BrightnessTable[q.blue];
  return p.pointCount++;
}

void AddSurface(WheelProfile& p, int a, int b) {
  if (p.surfaceCount >= PROFILE_SURFACES) return;
  p.surfaces[p.surfaceCount++] = ProfileSurface{uint32_t(a), uint32_t(b), 0.0f, 0.0f};
}

bool IsSpokeMapping(const ModelMapping& m) {
  char name[CUTOUT_NAME_SIZE + 1] = {};
  std::memcpy(name, m.name, CUTOUT_NAME_SIZE);
  return strcasecmp(name, SPOKE_MAPPING_NAME) == 0;
}

// (x, y) normalised; (0, 0) stays.
void Normalise(float& x, float& y) {
  const float length = std::sqrt(x * x + y * y);
  if (length > 0.0f && std::isfinite(length)) {
    x /= length;
    y /= length;
  }
}

// The profile point made for a rim profile point, smoothing group and mapping.
struct MadePoint {
  uint32_t source, group, mapping;
  int index;
};

// The rim profile's surfaces after the fixed ones; the index of the surface that cut it, or -1.
int AddRimSurfaces(WheelProfile& p, const Shading& sh, const WXS& rim, float half, float innerRadius) {
  if (rim.surfaceCount == 0) return -1;
  if (rim.numPoints < 2 || !rim.points || !rim.surfaces) return 0;
  const float cx = (rim.points[0].x + rim.points[1].x) * 0.5f;
  const float hs = std::fabs(rim.points[1].x - rim.points[0].x) * 0.5f;
  if (!(hs > 0.0f) || !std::isfinite(hs) || !std::isfinite(cx)) return 0;
  MadePoint made[PROFILE_POINTS];
  int madeCount = 0;
  for (int s = 0; s < rim.surfaceCount; ++s) {
    const RimSurface& surface = rim.surfaces[s];
    if (surface.first >= uint32_t(rim.numPoints) || surface.second >= uint32_t(rim.numPoints) ||
        surface.mapping >= uint32_t(std::max(rim.mappingCount, 0)) || !rim.mappings)
      return s;
    const ModelMapping& mapping = rim.mappings[surface.mapping];
    const bool spoke = IsSpokeMapping(mapping);
    // Both ends are found or made before the surface is added, so that a full profile keeps
    // no half-made surface.
    int ends[2];
    const int pointsBefore = p.pointCount, madeBefore = madeCount;
    for (int k = 0; k < 2; ++k) {
      const uint32_t source = k == 0 ? surface.first : surface.second;
      ends[k] = -1;
      if (source <= 1 && surface.group == 0 && surface.mapping == 0) {
        ends[k] = p.firstRimPoint + 2 + int(source);  // 14+q and 15+q
        continue;
      }
      for (int m = 0; m < madeCount && ends[k] < 0; ++m)
        if (made[m].source == source && made[m].group == surface.group && made[m].mapping == surface.mapping)
          ends[k] = made[m].index;
      if (ends[k] >= 0) continue;
      const GraphPoint& g = rim.points[source];
      const float x = (g.x - cx) * (half + PROFILE_RIM_EDGE) / hs, y = g.y * innerRadius / 4.0f;
      ends[k] = AddProfilePoint(p, sh, x, y, 0.125f, mapping.colour, PROFILE_RIM, NO_NEIGHBOUR, NO_NEIGHBOUR,
                                spoke ? SHADE_NEVER : SHADE_PLAIN);
      if (ends[k] < 0 || madeCount >= PROFILE_POINTS) {
        p.pointCount = pointsBefore;
        madeCount = madeBefore;
        return s;
      }
      made[madeCount++] = MadePoint{source, surface.group, surface.mapping, ends[k]};
    }
    AddSurface(p, ends[0], ends[1]);
  }
  return -1;
}

void ComputeNormals(WheelProfile& p) {
  for (int i = 0; i < p.pointCount; ++i) p.points[i].nx = p.points[i].ny = 0.0f;
  for (int s = 0; s < p.surfaceCount; ++s) {
    ProfileSurface& surface = p.surfaces[s];
    ProfilePoint& a = p.points[surface.first];
    ProfilePoint& b = p.points[surface.second];
    float nx = -(b.y - a.y), ny = b.x - a.x;
    Normalise(nx, ny);
    surface.nx = nx;
    surface.ny = ny;
    a.nx += nx;
    a.ny += ny;
    b.nx += nx;
    b.ny += ny;
  }
  // The summed normals of the tyre's shoulder corners, before the side points take theirs.
  const float shoulder[2][2] = {{p.points[8].nx + p.points[10].nx, p.points[8].ny + p.points[10].ny},
                                {p.points[9].nx + p.points[11].nx, p.points[9].ny + p.points[11].ny}};
  for (int i = 0; i < p.pointCount; ++i) {
    ProfilePoint& q = p.points[i];
    if (q.kind == PROFILE_SIDE) {
      const ProfilePoint& a = p.points[q.neighbours[0]];
      const ProfilePoint& b = p.points[q.neighbours[1]];
      q.nx = -(b.y - a.y);
      q.ny = b.x - a.x;
    }
    Normalise(q.nx, q.ny);
  }
  if (p.rounded) return;
  for (int corner = 0; corner < 2; ++corner) {
    float nx = shoulder[corner][0], ny = shoulder[corner][1];
    Normalise(nx, ny);
    for (int i : {8 + corner, 10 + corner}) {
      p.points[i].nx = nx;
      p.points[i].ny = ny;
    }
  }
}

}  // namespace

int BuildRimProfile(SuspensionBlock& set, const WXS* rim, const RimProfileFlags& flags) {
  WheelProfile& p = set.profile;
  p.pointCount = p.surfaceCount = 0;
  p.rounded = flags.rounded ? 1 : 0;
  const bool style = set.lowProfileTyreStyle != 0;
  const int q = style ? 2 : 0;
  const float w = set.sectionWidth, R = set.rollingRadius, rho = set.profileRadius;
  const float hw = set.rimWidth * 0.5f;
  const float L = hw + PROFILE_RIM_EDGE + set.rimEdgeExtraWidthMm / 1000.0f;
  const float yb = set.rimRadius + PROFILE_BEAD_OFFSET;
  const float rin = set.rimRadius - set.rimInnerDepthMm / 1000.0f;
  const float M = std::max(L, w / 2);
  float yt, xs, ys, xq, top, y1;
  if (!flags.rounded) {
    yt = R - 0.02f * w;
    const float D = yt - yb;
    xs = w / 2 - 0.3f * D;
    ys = yt - 0.3f * D;
    xq = xs / 3;
    y1 = yb + (style ? 0.125f : 0.3f) * D;
    top = R;
  } else {
    xs = 0.454f * rho;
    yt = R - 0.109f * rho;
    xq = 0.1564f * rho;
    top = R - 0.0123f * rho;
    ys = R - 0.2929f * rho;
    y1 = yb + 0.5f * (ys - yb);
  }
  p.status = ys < yb ? TYRE_NO_SIDEWALL : xs > hw ? TYRE_RIM_TOO_NARROW : TYRE_DIMENSIONS_OK;
  const bool ok = p.status == TYRE_DIMENSIONS_OK;
  const uint32_t tyre = ok ? PROFILE_TYRE_COLOUR : TextColours.error;
  const uint32_t bead = ok ? PROFILE_BEAD_COLOUR : TextColours.error;
  const uint8_t compound = set.compoundIndex;
  const float t0 = compound > 3 ? compound * 0.125f : flags.treadTexture ? 0.125f : 0.0f;
  const Shading sh{L, set.rimShadeTenths / 10.0f, flags.shadingMode != 0};

  const uint8_t sideOrBead = style ? PROFILE_BEAD : PROFILE_SIDE;
  const uint32_t sideColour = style ? bead : tyre;
  const ShadeAs sideShade = style ? SHADE_PLAIN : SHADE_TYRE;
  const bool r = flags.rounded != 0;
  AddProfilePoint(p, sh, -L, yb, 0.125f, bead, PROFILE_BEAD, 0, 0, SHADE_PLAIN);                        // 0
  AddProfilePoint(p, sh, -M, y1, 0.125f, sideColour, sideOrBead, 0, 8, sideShade);                      // 1
  AddProfilePoint(p, sh, -xs, yt, t0 + 0.0125f, tyre, PROFILE_TREAD, 0, 0, SHADE_TYRE);                // 2
  AddProfilePoint(p, sh, -xq, top, t0 + 0.045f, tyre, PROFILE_TREAD, 0, 0, SHADE_TYRE);                // 3
  AddProfilePoint(p, sh, xq, top, t0 + 0.08f, tyre, PROFILE_TREAD, 0, 0, SHADE_TYRE);                  // 4
  AddProfilePoint(p, sh, xs, yt, t0 + 0.1125f, tyre, PROFILE_TREAD, 0, 0, SHADE_TYRE);                 // 5
  AddProfilePoint(p, sh, M, y1, 0.125f, sideColour, sideOrBead, 9, 7, sideShade);                       // 6
  AddProfilePoint(p, sh, L, yb, 0.125f, bead, PROFILE_BEAD, 0, 0, SHADE_PLAIN);                         // 7
  AddProfilePoint(p, sh, -w / 2, ys, 0.125f, tyre, PROFILE_SIDE, 1, r ? 8 : 2, SHADE_TYRE);            // 8
  AddProfilePoint(p, sh, w / 2, ys, 0.125f, tyre, PROFILE_SIDE, r ? 9 : 5, 6, SHADE_TYRE);             // 9
  AddProfilePoint(p, sh, -w / 2, ys, t0, tyre, PROFILE_SIDE, r ? 10 : 1, 2, SHADE_TYRE);               // 10
  AddProfilePoint(p, sh, w / 2, ys, t0 + 0.125f, tyre, PROFILE_SIDE, 5, r ? 11 : 6, SHADE_TYRE);       // 11
  if (style) {
    AddProfilePoint(p, sh, -M, y1, 0.125f, bead, PROFILE_BEAD, 0, 0, SHADE_PLAIN);  // 12
    AddProfilePoint(p, sh, M, y1, 0.125f, bead, PROFILE_BEAD, 0, 0, SHADE_PLAIN);   // 13
  }

  // The rim: the left side takes the inner colour, the right the rim colour.
  const bool haveMapping = rim && rim->mappingCount > 0 && rim->mappings;
  const uint32_t rimColour = haveMapping ? rim->mappings[0].colour & 0xFFFFFFu : PROFILE_DEFAULT_RIM_COLOUR;
  const uint32_t inner = rim && (rim->secondByte & RIM_BLACK_INNER) ? (TextColours.darkText & 0xFFFFFFu) : rimColour;
  const uint32_t right = ok ? rimColour : (TextColours.red & 0xFFFFFFu);
  const float e = set.rimLipDepthMm / 1000.0f;
  p.firstRimPoint = p.pointCount;
  AddProfilePoint(p, sh, -L, yb, 0.125f, inner, PROFILE_RIM, 0, 0, SHADE_PLAIN);                         // 12+q
  AddProfilePoint(p, sh, L, yb, 0.125f, right, PROFILE_RIM, 0, 0, SHADE_PLAIN);                          // 13+q
  AddProfilePoint(p, sh, -(hw + PROFILE_RIM_EDGE), rin, 0.125f, inner, PROFILE_RIM, 0, 0, SHADE_PLAIN);  // 14+q
  AddProfilePoint(p, sh, hw + PROFILE_RIM_EDGE, rin, 0.125f, right, PROFILE_RIM, 0, 0, SHADE_PLAIN);     // 15+q
  if (e > 0.0f) {
    AddProfilePoint(p, sh, -L, yb - e, 0.125f, inner, PROFILE_RIM, 0, 0, SHADE_PLAIN);  // 16+q
    AddProfilePoint(p, sh, L, yb - e, 0.125f, right, PROFILE_RIM, 0, 0, SHADE_PLAIN);   // 17+q
  }

  AddSurface(p, 0, style ? 12 : 1);
  AddSurface(p, 1, 8);
  AddSurface(p, 10, 2);
  AddSurface(p, 2, 3);
  AddSurface(p, 3, 4);
  AddSurface(p, 4, 5);
  AddSurface(p, 5, 11);
  AddSurface(p, 9, 6);
  AddSurface(p, style ? 13 : 6, 7);
  const int r0 = 12 + q;
  if (e > 0.0f) {
    AddSurface(p, r0 + 2, r0 + 4);
    AddSurface(p, r0 + 5, r0 + 3);
    AddSurface(p, r0 + 4, r0);
    AddSurface(p, r0 + 1, r0 + 5);
  } else {
    AddSurface(p, r0 + 2, r0);
    AddSurface(p, r0 + 1, r0 + 3);
  }
  const int cut = rim ? AddRimSurfaces(p, sh, *rim, hw, rin) : -1;
  ComputeNormals(p);
  return cut;
}
