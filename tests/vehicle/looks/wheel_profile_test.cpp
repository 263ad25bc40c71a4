// wheel_profile_test.cpp - the wheel's cross-section: the point and surface tables of square
// and rounded tyres with and without the low profile style and a rim lip, the tyre dimension
// statuses and their colours, the rim profile's points landing on the rim edges, normals and
// shading against the test's own computation, and rim profiles the profile cannot hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/gamma_tables.h"
#include "physics/car.h"
#include "text/text_colours.h"
#include "vehicle/wheel_profile.h"
#include "vehicle_data/rim_profile.h"

namespace {

struct Dims {
  float w = 0.2f, aspect = 0.5f, rim = 0.2f, rimWidth = 0.18f;
  uint8_t edge = 2, lip = 0, style = 0, inner = 5, shade = 6, compound = 0;
};

// The sample sizes in a low-profile style, with a shade of 0: every shading factor is 1.
Dims Unshaded(int style) {
  Dims d;
  d.style = uint8_t(style);
  d.shade = 0;
  return d;
}

SuspensionBlock MakeSet(const Dims& d, int rounded) {
  SuspensionBlock set{};
  set.sectionWidth = d.w;
  set.aspectRatio = d.aspect;
  set.rimRadius = d.rim;
  set.rimWidth = d.rimWidth;
  set.rimEdgeExtraWidthMm = d.edge;
  set.rimLipDepthMm = d.lip;
  set.lowProfileTyreStyle = d.style;
  set.rimInnerDepthMm = d.inner;
  set.rimShadeTenths = d.shade;
  set.compoundIndex = d.compound;
  SetupTyre(set, rounded, 0.0f);
  return set;
}

// The sample vehicles' rim: points 0 and 1 fixed, then four; surfaces (1, 0) of mapping 0,
// (1, 2) and (2, 3) of group 1 and mapping 1, (4, 5) of group 2 and mapping 0.
void MakeSampleRim(WXS& rim, const char* secondName = "M2_rim") {
  rim.MakeDefault("M1_rim", RgbWord(200, 180, 160));
  const GraphPoint points[6] = {{0.0f, 4.0f}, {4.0f, 4.0f}, {4.0f, 3.4f}, {3.2f, 2.6f}, {0.8f, 2.6f}, {0.0f, 3.4f}};
  delete[] rim.points;
  rim.points = new GraphPoint[6];
  std::memcpy(rim.points, points, sizeof points);
  rim.numPoints = 6;
  const RimSurface surfaces[4] = {{1, 0, 0, 0}, {1, 2, 1, 1}, {2, 3, 1, 1}, {4, 5, 2, 0}};
  rim.surfaces = static_cast<RimSurface*>(std::realloc(rim.surfaces, sizeof surfaces));
  std::memcpy(rim.surfaces, surfaces, sizeof surfaces);
  rim.surfaceCount = 4;
  rim.mappings = static_cast<ModelMapping*>(std::realloc(rim.mappings, 2 * sizeof(ModelMapping)));
  rim.mappings[1].Init(0);
  std::strncpy(rim.mappings[1].name, secondName, CUTOUT_NAME_SIZE - 1);
  rim.mappings[1].colour = RgbWord(80, 90, 100);
  rim.mappingCount = 2;
}

std::vector<std::pair<int, int>> Surfaces(const WheelProfile& p) {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < p.surfaceCount; ++i) out.push_back({int(p.surfaces[i].first), int(p.surfaces[i].second)});
  return out;
}

uint32_t ColourOf(const ProfilePoint& p) { return RgbWord(p.red, p.green, p.blue); }

// The shaded colour the test expects for a base colour and factor.
uint32_t Shaded(uint32_t colour, double factor) {
  if (factor < 0.01) return TextColours.darkText;
  if (factor >= 0.99) return colour & 0xFFFFFF;
  auto c = [factor](uint32_t v) { return uint32_t(std::lround(v * factor)); };
  return RgbWord(c(ColourRed(colour)), c(ColourGreen(colour)), c(ColourBlue(colour)));
}

class WheelProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultTextColours();
    BuildGammaTables();
  }
};

}  // namespace

TEST_F(WheelProfileTest, SquareTyreWithoutLipHasTheTablePointsAndElevenSurfaces) {
  const Dims d;
  SuspensionBlock set = MakeSet(d, 0);
  EXPECT_EQ(BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0}), -1);
  const WheelProfile& p = set.profile;
  EXPECT_EQ(p.status, TYRE_DIMENSIONS_OK);
  EXPECT_EQ(p.rounded, 0);
  ASSERT_EQ(p.pointCount, 16);
  EXPECT_EQ(p.firstRimPoint, 12);
  const double w = d.w, R = d.w * d.aspect + d.rim, hw = d.rimWidth / 2, L = hw + 0.005 + 0.002, yb = d.rim + 0.018;
  const double rin = d.rim - 0.005, M = std::max(L, w / 2), yt = R - 0.02 * w, D = yt - yb;
  const double xs = w / 2 - 0.3 * D, ys = yt - 0.3 * D, xq = xs / 3, y1 = yb + 0.3 * D;
  const double expected[16][3] = {{-L, yb, 0.125},  {-M, y1, 0.125},     {-xs, yt, 0.0125}, {-xq, R, 0.045},
                                  {xq, R, 0.08},    {xs, yt, 0.1125},    {M, y1, 0.125},    {L, yb, 0.125},
                                  {-w / 2, ys, 0.125}, {w / 2, ys, 0.125}, {-w / 2, ys, 0.0}, {w / 2, ys, 0.125},
                                  {-L, yb, 0.125},  {L, yb, 0.125},      {-(hw + 0.005), rin, 0.125}, {hw + 0.005, rin, 0.125}};
  const uint8_t kinds[16] = {1, 2, 3, 3, 3, 3, 2, 1, 2, 2, 2, 2, 0, 0, 0, 0};
  const uint8_t neighbours[12][2] = {{0, 0}, {0, 8}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
                                     {9, 7}, {0, 0}, {1, 2}, {5, 6}, {1, 2}, {5, 6}};
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(p.points[i].x, expected[i][0], 1e-6) << i;
    EXPECT_NEAR(p.points[i].y, expected[i][1], 1e-6) << i;
    EXPECT_NEAR(p.points[i].v, expected[i][2], 1e-6) << i;
    EXPECT_EQ(p.points[i].kind, kinds[i]) << i;
    EXPECT_EQ(p.points[i].hidden, kinds[i] != 0) << "only the rim's points are turned: " << i;
    if (i < 12 && kinds[i] == PROFILE_SIDE) {
      EXPECT_EQ(p.points[i].neighbours[0], neighbours[i][0]) << i;
      EXPECT_EQ(p.points[i].neighbours[1], neighbours[i][1]) << i;
    }
  }
  const std::vector<std::pair<int, int>> surfaces = {{0, 1}, {1, 8}, {10, 2}, {2, 3}, {3, 4}, {4, 5},
                                                     {5, 11}, {9, 6}, {6, 7}, {14, 12}, {13, 15}};
  EXPECT_EQ(Surfaces(p), surfaces);
}

TEST_F(WheelProfileTest, RoundedLowProfileTyreWithLipHasThirteenSurfacesAfterFourteenTyrePoints) {
  Dims d;
  d.style = 1;
  d.lip = 4;
  d.compound = 5;
  SuspensionBlock set = MakeSet(d, 1);
  ASSERT_EQ(BuildRimProfile(set, nullptr, RimProfileFlags{1, 0, 0}), -1);
  const WheelProfile& p = set.profile;
  EXPECT_EQ(p.rounded, 1);
  ASSERT_EQ(p.pointCount, 20);
  EXPECT_EQ(p.firstRimPoint, 14);
  const double R = set.rollingRadius, rho = set.profileRadius, yb = d.rim + 0.018;
  EXPECT_NEAR(rho, d.w * 0.7071, 1e-4);
  const double xs = 0.454 * rho, yt = R - 0.109 * rho, xq = 0.1564 * rho, top = R - 0.0123 * rho;
  const double ys = R - 0.2929 * rho, y1 = yb + 0.5 * (ys - yb), L = d.rimWidth / 2 + 0.005 + 0.002;
  const double M = std::max(L, d.w / 2.0), t0 = 5 * 0.125;
  EXPECT_NEAR(p.points[2].x, -xs, 1e-6);
  EXPECT_NEAR(p.points[2].y, yt, 1e-6);
  EXPECT_NEAR(p.points[2].v, t0 + 0.0125, 1e-6) << "compounds above 3 pick their own tread row";
  EXPECT_NEAR(p.points[3].y, top, 1e-6);
  EXPECT_NEAR(p.points[4].x, xq, 1e-6);
  EXPECT_NEAR(p.points[9].y, ys, 1e-6);
  EXPECT_NEAR(p.points[6].y, y1, 1e-6);
  // With the style points 1 and 6 are beads, and 12 and 13 repeat them.
  for (int i : {1, 6, 12, 13}) EXPECT_EQ(p.points[i].kind, PROFILE_BEAD) << i;
  EXPECT_NEAR(p.points[12].x, -M, 1e-6);
  EXPECT_NEAR(p.points[13].y, y1, 1e-6);
  // Rounded neighbours.
  EXPECT_EQ(p.points[8].neighbours[1], 8);
  EXPECT_EQ(p.points[9].neighbours[0], 9);
  EXPECT_EQ(p.points[10].neighbours[0], 10);
  EXPECT_EQ(p.points[11].neighbours[1], 11);
  // The lip: 16+q and 17+q at the lip depth below the bead line.
  EXPECT_NEAR(p.points[18].x, -L, 1e-6);
  EXPECT_NEAR(p.points[19].y, yb - 0.004, 1e-6);
  const std::vector<std::pair<int, int>> surfaces = {{0, 12}, {1, 8},   {10, 2},  {2, 3},   {3, 4},
                                                     {4, 5},  {5, 11},  {9, 6},   {13, 7},  {16, 18},
                                                     {19, 17}, {18, 14}, {15, 19}};
  EXPECT_EQ(Surfaces(p), surfaces);
}

TEST_F(WheelProfileTest, StatusesAndTheirColours) {
  // A healthy tyre: beads and tyre in their own colours (the tyre unshaded outside the
  // shading mode), the right rim edge in the rim colour.
  {
    Dims d;
    d.shade = 0;
    SuspensionBlock set = MakeSet(d, 0);
    BuildRimProfile(set, nullptr, RimProfileFlags{});
    EXPECT_EQ(set.profile.status, TYRE_DIMENSIONS_OK);
    EXPECT_EQ(ColourOf(set.profile.points[3]), PROFILE_TYRE_COLOUR);
    EXPECT_EQ(ColourOf(set.profile.points[0]), PROFILE_BEAD_COLOUR);
    EXPECT_EQ(ColourOf(set.profile.points[13]), PROFILE_DEFAULT_RIM_COLOUR);
  }
  // No sidewall: the side line below the bead line.
  {
    Dims d;
    d.aspect = 0.1f;
    SuspensionBlock set = MakeSet(d, 0);
    BuildRimProfile(set, nullptr, RimProfileFlags{});
    const WheelProfile& p = set.profile;
    EXPECT_EQ(p.status, TYRE_NO_SIDEWALL);
    for (int i : {2, 3, 8, 11}) EXPECT_EQ(ColourOf(p.points[i]), TextColours.error & 0xFFFFFF) << i;
    // Bead points take the error colour too, shaded as any other point: at x = -L the factor is 1.
    EXPECT_EQ(ColourOf(p.points[0]), TextColours.error & 0xFFFFFF);
    EXPECT_EQ(ColourOf(p.points[13]), TextColours.red & 0xFFFFFF) << "the rim's right side alerts";
    EXPECT_EQ(ColourOf(p.points[12]), PROFILE_DEFAULT_RIM_COLOUR) << "the left side keeps the inner colour";
  }
  // Rim too narrow: the shoulder wider than half the rim.
  {
    Dims d;
    d.w = 0.3f;
    d.rimWidth = 0.1f;
    SuspensionBlock set = MakeSet(d, 0);
    BuildRimProfile(set, nullptr, RimProfileFlags{});
    EXPECT_EQ(set.profile.status, TYRE_RIM_TOO_NARROW);
    EXPECT_EQ(ColourOf(set.profile.points[4]), TextColours.error & 0xFFFFFF);
  }
}

TEST_F(WheelProfileTest, RimProfilePointsLandOnTheRimEdgesAndTakeTheirMappings) {
  for (int style : {0, 1}) {
    const Dims d = Unshaded(style);
    SuspensionBlock set = MakeSet(d, 0);
    WXS rim;
    MakeSampleRim(rim);
    rim.secondByte = RIM_BLACK_INNER;
    ASSERT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), -1);
    const WheelProfile& p = set.profile;
    const int q = style ? 2 : 0, r0 = 12 + q;
    ASSERT_EQ(p.pointCount, r0 + 4 + 5) << "points 1 (another group), 2, 3, 4 and 5 are new";
    ASSERT_EQ(p.surfaceCount, 11 + 4);
    // Surface (1, 0) of group 0 and mapping 0 uses the rim edges themselves.
    EXPECT_EQ(p.surfaces[11].first, uint32_t(r0 + 3));
    EXPECT_EQ(p.surfaces[11].second, uint32_t(r0 + 2));
    // A rim point at x, y lands at ((x - 2) (hw + 0.005) / 2, y rin / 4).
    const double hw = d.rimWidth / 2, rin = d.rim - 0.005;
    const GraphPoint* g = rim.points;
    const int made[5] = {1, 2, 3, 4, 5};
    for (int k = 0; k < 5; ++k) {
      const ProfilePoint& pt = p.points[r0 + 4 + k];
      EXPECT_NEAR(pt.x, (g[made[k]].x - 2.0) * (hw + 0.005) / 2.0, 1e-6) << k;
      EXPECT_NEAR(pt.y, g[made[k]].y * rin / 4.0, 1e-6) << k;
      EXPECT_EQ(pt.kind, PROFILE_RIM);
    }
    // Point 1 made again for group 1 lies on 15+q all the same.
    EXPECT_FLOAT_EQ(p.points[r0 + 4].x, p.points[r0 + 3].x);
    EXPECT_FLOAT_EQ(p.points[r0 + 4].y, p.points[r0 + 3].y);
    // Surface (2, 3) reuses the point made for 2 with the same group and mapping.
    EXPECT_EQ(p.surfaces[13].first, p.surfaces[12].second);
    // Colours: the surface's mapping, the black inner rim on the left edge points.
    EXPECT_EQ(ColourOf(p.points[r0 + 5]), RgbWord(80, 90, 100));
    EXPECT_EQ(ColourOf(p.points[r0 + 7]), RgbWord(200, 180, 160));
    EXPECT_EQ(ColourOf(p.points[r0]), TextColours.darkText & 0xFFFFFF);
    EXPECT_EQ(ColourOf(p.points[r0 + 1]), RgbWord(200, 180, 160));
  }
}

TEST_F(WheelProfileTest, ARimOfOneMappingColoursTheRimEdgesWithThatMapping) {
  // The default rim holds a single mapping: its colour, not the grey of a rim without any,
  // goes to all four rim edge points (no black inner, so the left side takes it too).
  // Shade 0 makes the factor |x| / L * 0 + 1 = 1 everywhere: colours stay as given.
  for (int style : {0, 1}) {
    SuspensionBlock set = MakeSet(Unshaded(style), 0);
    WXS rim;
    rim.MakeDefault("M1_rim", RgbWord(200, 180, 160));
    ASSERT_EQ(rim.mappingCount, 1);
    ASSERT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), -1);
    const WheelProfile& p = set.profile;
    EXPECT_EQ(p.status, TYRE_DIMENSIONS_OK);
    const int r0 = style ? 14 : 12;
    ASSERT_EQ(p.firstRimPoint, r0);
    ASSERT_EQ(p.pointCount, r0 + 4) << "the rim's two fixed points are the edges themselves";
    for (int i = r0; i < r0 + 4; ++i) {
      EXPECT_EQ(p.points[i].kind, PROFILE_RIM) << i;
      EXPECT_EQ(ColourOf(p.points[i]), RgbWord(200, 180, 160)) << i;
    }
  }
}

TEST_F(WheelProfileTest, NormalsAndShadingFactorsAgreeWithTheirRules) {
  for (int shadingMode : {0, 1}) {
    for (int rounded : {0, 1}) {
      Dims d;
      d.shade = 4;
      d.lip = 3;
      SuspensionBlock set = MakeSet(d, rounded);
      WXS rim;
      MakeSampleRim(rim, SPOKE_MAPPING_NAME);  // mapping 1's points are never shaded
      BuildRimProfile(set, &rim, RimProfileFlags{rounded, 0, shadingMode});
      const WheelProfile& p = set.profile;
      // Surface normals, summed on their points.
      std::vector<double> sx(size_t(p.pointCount)), sy(size_t(p.pointCount));
      for (int s = 0; s < p.surfaceCount; ++s) {
        const ProfilePoint& a = p.points[p.surfaces[s].first];
        const ProfilePoint& b = p.points[p.surfaces[s].second];
        double nx = -(double(b.y) - a.y), ny = double(b.x) - a.x;
        const double n = std::hypot(nx, ny);
        nx /= n;
        ny /= n;
        EXPECT_NEAR(p.surfaces[s].nx, nx, 1e-5) << s;
        EXPECT_NEAR(p.surfaces[s].ny, ny, 1e-5) << s;
        sx[p.surfaces[s].first] += nx;
        sy[p.surfaces[s].first] += ny;
        sx[p.surfaces[s].second] += nx;
        sy[p.surfaces[s].second] += ny;
      }
      for (int i = 0; i < p.pointCount; ++i) {
        double nx = sx[size_t(i)], ny = sy[size_t(i)];
        const ProfilePoint& q = p.points[i];
        if (q.kind == PROFILE_SIDE) {
          const ProfilePoint& a = p.points[q.neighbours[0]];
          const ProfilePoint& b = p.points[q.neighbours[1]];
          nx = -(double(b.y) - a.y);
          ny = double(b.x) - a.x;
        }
        if (!rounded && i >= 8 && i <= 11) {  // the shoulders: 8 with 10, 9 with 11
          const int a = i % 2 == 0 ? 8 : 9;
          nx = sx[size_t(a)] + sx[size_t(a + 2)];
          ny = sy[size_t(a)] + sy[size_t(a + 2)];
        }
        const double n = std::hypot(nx, ny);
        if (n > 0) {
          EXPECT_NEAR(q.nx, nx / n, 1e-5) << "point " << i << " rounded " << rounded;
          EXPECT_NEAR(q.ny, ny / n, 1e-5) << "point " << i << " rounded " << rounded;
        }
      }
      // Shading: s = 0.4, L the rim's outer edge.
      const double s = 0.4, L = d.rimWidth / 2 + 0.005 + 0.002;
      for (int i = 0; i < p.pointCount; ++i) {
        const ProfilePoint& q = p.points[i];
        const bool tyre = q.kind == PROFILE_SIDE || q.kind == PROFILE_TREAD;
        if (q.kind == PROFILE_RIM) continue;  // rim colours differ by side and mapping: below
        const uint32_t base = tyre ? PROFILE_TYRE_COLOUR : PROFILE_BEAD_COLOUR;
        double factor = std::fabs(q.x) / L * s + (1 - s);
        if (shadingMode && tyre) factor = (q.x + L) * 0.5 / L;
        else if (shadingMode && q.x < 0) factor = 1 - s;
        else if (tyre) factor = 1;
        EXPECT_EQ(ColourOf(q), Shaded(base, factor)) << "point " << i;
      }
      // Mapping 1 is the spoke mapping: its points keep their colour wherever they lie.
      for (int i = p.firstRimPoint + 6; i < p.pointCount; ++i) {
        const ProfilePoint& q = p.points[i];
        const bool ofSpoke = q.red == 80 && q.green == 90 && q.blue == 100;
        if (!ofSpoke) {
          double factor = std::fabs(q.x) / L * s + (1 - s);
          if (shadingMode && q.x < 0) factor = 1 - s;
          EXPECT_EQ(ColourOf(q), Shaded(RgbWord(200, 180, 160), factor)) << i;
        }
      }
      int spokePoints = 0;
      for (int i = 0; i < p.pointCount; ++i) spokePoints += ColourOf(p.points[i]) == RgbWord(80, 90, 100);
      EXPECT_EQ(spokePoints, 3) << "points 1, 2 and 3 of mapping 1, unshaded";
      // The vertex colour is the colour through the brightness table.
      for (int i = 0; i < p.pointCount; ++i) {
        const ProfilePoint& q = p.points[i];
        EXPECT_EQ(q.vertexColour, uint32_t(BrightnessTable[q.red]) << 16 | uint32_t(BrightnessTable[q.green]) << 8 |
                                      BrightnessTable[q.blue]);
      }
    }
  }
}

TEST_F(WheelProfileTest, ShadeOfTenBlackensTheLeftInShadingModeAndTreadRowsFollowTheFlags) {
  Dims d;
  d.shade = 10;
  SuspensionBlock set = MakeSet(d, 0);
  BuildRimProfile(set, nullptr, RimProfileFlags{0, 1, 1});
  EXPECT_EQ(ColourOf(set.profile.points[0]), TextColours.darkText & 0xFFFFFF) << "factor 1 - s = 0";
  EXPECT_EQ(ColourOf(set.profile.points[12]), TextColours.darkText & 0xFFFFFF);
  EXPECT_NEAR(set.profile.points[10].v, 0.125, 1e-6) << "the tread texture's row";
  d.compound = 2;
  set = MakeSet(d, 0);
  BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0});
  EXPECT_NEAR(set.profile.points[10].v, 0.0, 1e-6);
}

// The statuses' edges: a side line exactly on the bead line still leaves a sidewall, and a
// shoulder exactly as wide as half the rim still fits it.  A tyre of no width whose rolling
// radius is the bead line (the rim radius and 18 mm) has both its side line and its tread
// there, and its shoulder at x = 0.
TEST_F(WheelProfileTest, ASideLineOnTheBeadLineAndAShoulderAtTheRimEdgeAreStillFine) {
  Dims d;
  SuspensionBlock set = MakeSet(d, 0);
  set.sectionWidth = 0.0f;
  set.rollingRadius = set.rimRadius + 0.018f;
  BuildRimProfile(set, nullptr, RimProfileFlags{});
  EXPECT_EQ(set.profile.status, TYRE_DIMENSIONS_OK) << "the side line on the bead line";
  set.rimWidth = 0.0f;
  BuildRimProfile(set, nullptr, RimProfileFlags{});
  EXPECT_EQ(set.profile.status, TYRE_DIMENSIONS_OK) << "the shoulder at half the rim's width, 0";
}

// Compounds 0 to 3 share the tread rows the flags pick (the first, or the second with the tread
// texture); from 4 on each takes its own, compound x 0.125: point 10's v.
TEST_F(WheelProfileTest, CompoundsFromFourOnTakeTheirOwnTreadRow) {
  Dims d;
  d.compound = 3;
  SuspensionBlock set = MakeSet(d, 0);
  BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0});
  EXPECT_NEAR(set.profile.points[10].v, 0.0, 1e-6);
  BuildRimProfile(set, nullptr, RimProfileFlags{0, 1, 0});
  EXPECT_NEAR(set.profile.points[10].v, 0.125, 1e-6);
  d.compound = 4;
  set = MakeSet(d, 0);
  BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0});
  EXPECT_NEAR(set.profile.points[10].v, 0.5, 1e-6);
}

// Two rim points at one place make a surface of no length: its normal is (0, 0), and the
// points' normals (summed from their other surfaces too) stay numbers.
TEST_F(WheelProfileTest, ARimSurfaceOfNoLengthHasNoNormal) {
  SuspensionBlock set = MakeSet(Dims{}, 0);
  WXS rim;
  MakeSampleRim(rim);
  rim.points[3] = rim.points[2];  // surface (2, 3), the profile's 14th, has no length
  ASSERT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), -1);
  const WheelProfile& p = set.profile;
  ASSERT_EQ(p.surfaceCount, 15);
  EXPECT_EQ(p.surfaces[13].nx, 0.0f);
  EXPECT_EQ(p.surfaces[13].ny, 0.0f);
  for (int i = 0; i < p.pointCount; ++i) {
    EXPECT_TRUE(std::isfinite(p.points[i].nx)) << i;
    EXPECT_TRUE(std::isfinite(p.points[i].ny)) << i;
  }
}

// A rim profile of a single point has no width to scale its points by: even a surface that
// names only that point is not taken.
TEST_F(WheelProfileTest, ARimOfASinglePointTakesNoSurface) {
  SuspensionBlock set = MakeSet(Dims{}, 0);
  WXS rim;
  MakeSampleRim(rim);
  rim.numPoints = 1;
  rim.surfaces[0] = RimSurface{0, 0, 0, 0};
  rim.surfaceCount = 1;
  EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), 0);
  EXPECT_EQ(set.profile.surfaceCount, 11);
}

TEST_F(WheelProfileTest, ARimOfItsTwoFixedPointsGivesTheFixedSurfacesOnly) {
  Dims d;
  d.lip = 3;
  SuspensionBlock set = MakeSet(d, 0);
  WXS rim;
  rim.MakeDefault("M1_rim", 0xFFFFFF);
  std::free(rim.surfaces);
  rim.surfaces = nullptr;
  rim.surfaceCount = 0;
  EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), -1);
  EXPECT_EQ(set.profile.surfaceCount, 13);
  EXPECT_EQ(set.profile.pointCount, 18);
  // Its default surface joins the rim edges: one surface more, no point.
  rim.MakeDefault("M1_rim", 0xFFFFFF);
  EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), -1);
  EXPECT_EQ(set.profile.surfaceCount, 14);
  EXPECT_EQ(set.profile.pointCount, 18);
}

TEST_F(WheelProfileTest, ARimTheProfileCannotHoldIsCutAtTheSurfaceThatFails) {
  const Dims d;
  // A surface naming a point the rim does not hold (one past its six, at either end, or far
  // past), then one naming a missing mapping (one past its two, or far past).
  for (int bad : {0, 1, 2, 3, 4}) {
    SuspensionBlock set = MakeSet(d, 0);
    WXS rim;
    MakeSampleRim(rim);
    if (bad == 0) rim.surfaces[2].second = 9;
    if (bad == 1) rim.surfaces[2].first = 6;
    if (bad == 2) rim.surfaces[2].second = 6;
    if (bad == 3) rim.surfaces[2].mapping = 7;
    if (bad == 4) rim.surfaces[2].mapping = 2;
    EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), 2) << bad;
    EXPECT_EQ(set.profile.surfaceCount, 11 + 2) << bad << ": the surfaces before it stay";
  }
  // Forty surfaces of new points each: the profile's 48 points run out at surface 14 (16
  // fixed points, two more per surface; the first surface reuses the rim edges).
  {
    SuspensionBlock set = MakeSet(d, 0);
    WXS rim;
    rim.MakeDefault("M1_rim", 0xFFFFFF);
    delete[] rim.points;
    rim.numPoints = 82;
    rim.points = new GraphPoint[82];
    for (int i = 0; i < 82; ++i) rim.points[i] = GraphPoint{float(i % 5), 4.0f - float(i) * 0.04f};
    rim.points[0] = {0.0f, 4.0f};
    rim.points[1] = {4.0f, 4.0f};
    rim.surfaces = static_cast<RimSurface*>(std::realloc(rim.surfaces, 41 * sizeof(RimSurface)));
    for (int s = 1; s < 41; ++s) rim.surfaces[s] = RimSurface{uint32_t(2 * s), uint32_t(2 * s + 1), 0, 0};
    rim.surfaceCount = 41;
    EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), 17);
    const WheelProfile& p = set.profile;
    EXPECT_EQ(p.pointCount, PROFILE_POINTS);
    EXPECT_EQ(p.surfaceCount, 11 + 17);
    for (int s = 0; s < p.surfaceCount; ++s) {
      EXPECT_LT(p.surfaces[s].first, uint32_t(p.pointCount));
      EXPECT_LT(p.surfaces[s].second, uint32_t(p.pointCount));
    }
  }
  // Fixed points on top of each other: nothing to scale by, no rim surface.
  {
    SuspensionBlock set = MakeSet(d, 0);
    WXS rim;
    MakeSampleRim(rim);
    rim.points[1] = rim.points[0];
    EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), 0);
    EXPECT_EQ(set.profile.surfaceCount, 11);
  }
  // A mapping count below 0 holds no mapping: the first surface already fails.
  {
    SuspensionBlock set = MakeSet(d, 0);
    WXS rim;
    MakeSampleRim(rim);
    const int kept = rim.mappingCount;
    rim.mappingCount = -1;
    EXPECT_EQ(BuildRimProfile(set, &rim, RimProfileFlags{}), 0);
    EXPECT_EQ(set.profile.surfaceCount, 11);
    rim.mappingCount = kept;
  }
}

TEST_F(WheelProfileTest, ACarsFlagsComeFromItsClassAndOptionWords) {
  Car car;
  car.vehicleClass = 7;
  EXPECT_EQ(CarRimProfileFlags(car).rounded, 1);
  EXPECT_EQ(CarRimProfileFlags(car).treadTexture, 0);
  car.vehicleClass = 2;
  car.options |= TREAD_TEXTURE_OPTION;
  car.options2 |= RIM_SHADING_OPTION2;
  const RimProfileFlags f = CarRimProfileFlags(car);
  EXPECT_EQ(f.rounded, 0);
  EXPECT_EQ(f.treadTexture, 1);
  EXPECT_EQ(f.shadingMode, 1);
}
