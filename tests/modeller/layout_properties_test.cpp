// layout_properties_test.cpp - the type properties of layout objects 172 to 179 on a model.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "model/model_object.h"
#include "modeller/world/layout_properties.h"
#include "tools/model_gen/sample_models.h"

namespace {

constexpr int32_t M = 65536;

// The sample box with its points moved to the given places (x, y, z in 16.16).
struct PropertyModel {
  ModelObject model{};
  explicit PropertyModel(const std::vector<std::array<int32_t, 3>>& at) {
    BuildSampleBox(model);
    std::free(model.points);
    model.points = static_cast<ModelPoint*>(std::calloc(at.size(), sizeof(ModelPoint)));
    model.pointCount = uint16_t(at.size());
    for (size_t i = 0; i < at.size(); ++i) {
      model.points[i].x = at[i][0];
      model.points[i].y = at[i][1];
      model.points[i].z = at[i][2];
    }
  }
  ~PropertyModel() { model.Free(); }
  std::vector<std::array<int32_t, 3>> Points() const {
    std::vector<std::array<int32_t, 3>> out;
    for (int i = 0; i < model.pointCount; ++i) out.push_back({model.points[i].x, model.points[i].y, model.points[i].z});
    return out;
  }
};

const std::vector<std::array<int32_t, 3>> SAMPLE = {
    {-M / 2, -M / 4, 0}, {M / 2, -M / 4, 0}, {M / 2, M / 4, M}, {-M / 2, M / 4, M}, {0, 0, M / 16}};

}  // namespace

TEST(LayoutProperties, EachKindMovesThePointsItsTableSays) {
  {
    PropertyModel p(SAMPLE);  // 172: width 2 (+2 m), length 3 (+6 m)
    EXPECT_EQ(SetObjectTypeProperties(p.model, 172, 0x0E, 0), 1);
    EXPECT_EQ(p.model.points[0].x, -M / 2 - 2 * M);
    EXPECT_EQ(p.model.points[1].x, M / 2 + 2 * M);
    EXPECT_EQ(p.model.points[0].y, -M / 4 - 6 * M);
    EXPECT_EQ(p.model.points[2].y, M / 4 + 6 * M);
    EXPECT_EQ(p.model.points[4].x, 0) << "a point on 0 stays";
  }
  {
    PropertyModel p(SAMPLE);  // 175: size x 3, size y 1, height 5 (+0.5 m above 1/8 m)
    EXPECT_EQ(SetObjectTypeProperties(p.model, 175, 0x57, 0), 1);
    EXPECT_EQ(p.model.points[1].x, M / 2 + 3 * M / 8);
    EXPECT_EQ(p.model.points[1].y, -M / 4 - M / 8);
    EXPECT_EQ(p.model.points[2].z, M + M / 2);
    EXPECT_EQ(p.model.points[0].z, 0);
    EXPECT_EQ(p.model.points[4].z, M / 16) << "below 1/8 m: not raised";
  }
  {
    PropertyModel p(SAMPLE);  // 173: height by y above 0
    EXPECT_EQ(SetObjectTypeProperties(p.model, 173, 0x45, 0), 1);
    EXPECT_EQ(p.model.points[2].z, M + M / 4);
    EXPECT_EQ(p.model.points[1].z, 0);
  }
  {
    PropertyModel p({{M, -M, 0}, {M, M, 0}, {-M, -M, 0}});  // 179: length steps x of x > 1 cm, y < 1 cm
    EXPECT_EQ(SetObjectTypeProperties(p.model, 179, 0x08 | 0xF0, 0), 1);
    EXPECT_EQ(p.model.points[0].x, M + 2 * 2 * M);
    EXPECT_EQ(p.model.points[2].x, -M);
    // The angle: value 15 puts the points above 1 cm at x = 0, y = R (R = 2 m x 2^2 here).
    EXPECT_EQ(p.model.points[1].x, 0);
    EXPECT_EQ(p.model.points[1].y, 2 * M * 4);
  }
}

TEST(LayoutProperties, PointsAtEachThresholdStayAndOnePastItMove) {
  {
    // 179, length 2 (twice +2 m on x) and angle 15 (x = 0, y = R = 2 m x 4): the length moves
    // points with x above 640 and y below 640; the angle points with y above 640.
    PropertyModel p({{640, 0, 0}, {641, 0, 0}, {M, 640, 0}, {M, 639, 0}, {0, 641, 0}});
    EXPECT_EQ(SetObjectTypeProperties(p.model, 179, 0xF8, 0), 1);
    EXPECT_EQ(p.model.points[0].x, 640) << "x at 640 stays";
    EXPECT_EQ(p.model.points[1].x, 641 + 4 * M);
    EXPECT_EQ(p.model.points[2].x, M) << "y at 640: neither length nor angle";
    EXPECT_EQ(p.model.points[2].y, 640);
    EXPECT_EQ(p.model.points[3].x, M + 4 * M);
    EXPECT_EQ(p.model.points[4].x, 0);
    EXPECT_EQ(p.model.points[4].y, 8 * M) << "y above 640 takes the angle";
  }
  {
    // 175, height 4: +0.25 m on points above 1/8 m.
    PropertyModel p({{0, 0, M / 8}, {0, 0, M / 8 + 1}});
    EXPECT_EQ(SetObjectTypeProperties(p.model, 175, 0x40, 0), 1);
    EXPECT_EQ(p.model.points[0].z, M / 8) << "at 1/8 m: stays";
    EXPECT_EQ(p.model.points[1].z, M / 8 + 1 + M / 4);
  }
  {
    // 173, width and length at their defaults, height 5: +0.5 m on points with y above 0.
    PropertyModel p({{0, 0, M}, {0, 1, M}});
    EXPECT_EQ(SetObjectTypeProperties(p.model, 173, 0x55, 0), 1);
    EXPECT_EQ(p.model.points[0].z, M) << "y at 0: stays";
    EXPECT_EQ(p.model.points[1].z, M + M / 2);
  }
}

TEST(LayoutProperties, AnAngleValueSetsThePointsOnItsCircle) {
  // 179, length at its default and angle 3 with the radius bits 1: R = 2 m x 2 = 4 m, the
  // angle (3 + 1) x 0.09817477 rad.
  PropertyModel p({{0, M, 0}});
  EXPECT_EQ(SetObjectTypeProperties(p.model, 179, 0x34, 0), 1);
  const double a = 4 * 0.09817477, r = 4.0 * M;
  EXPECT_EQ(p.model.points[0].x, std::lround(r * std::cos(a)));
  EXPECT_EQ(p.model.points[0].y, std::lround(r * std::sin(a)));
}

TEST(LayoutProperties, DefaultsChangeNothingAndRemovingRestores) {
  for (int index = 172; index <= 178; ++index) {
    PropertyModel p(SAMPLE);
    const auto before = p.Points();
    int defaults = 0;
    for (uint8_t kind : OBJECT_PROPERTY_KINDS[index - FIRST_PROPERTY_OBJECT])
      defaults |= LAYOUT_PROPERTIES[kind].fallback << LAYOUT_PROPERTIES[kind].shift;
    EXPECT_EQ(SetObjectTypeProperties(p.model, index, defaults, 0), 0) << index;
    EXPECT_EQ(p.Points(), before);
  }
  for (int index = 172; index <= 179; ++index)
    for (int flags : {0x0A, 0x0E, 0x5B, 0xFF, 0x9E}) {
      // Angle points where value 15 puts them; other points clear of 0 and 1/8 m.
      const int32_t r = 2 * M << ((flags >> 2) & 3);
      PropertyModel p({{-M / 2, -M / 4, 0}, {M / 2, -M / 4, 2 * M}, {0, r, M}, {M / 2, 0, 3 * M / 2}});
      const auto before = p.Points();
      SetObjectTypeProperties(p.model, index, flags, 0);
      SetObjectTypeProperties(p.model, index, flags, 1);
      EXPECT_EQ(p.Points(), before) << index << " " << flags;
    }
}

TEST(LayoutProperties, TheColourReachesEveryMapping) {
  PropertyModel p(SAMPLE);
  ASSERT_GT(p.model.mappingCount, 0);
  p.model.caches[0].state = 1;  // as a drawn level leaves it (no arrays)
  p.model.caches[0].vertexCount = 3;
  EXPECT_EQ(SetObjectTypeProperties(p.model, 174, 0x02 | 0x04 | 0x30, 0), 1);
  for (int i = 0; i < p.model.mappingCount; ++i) EXPECT_EQ(p.model.mappings[i].colour, LAYOUT_PROPERTY_COLOURS[2]);
  EXPECT_EQ(p.model.caches[0].state, 0) << "the render caches are freed, to be built again in the new colour";
  EXPECT_EQ(SetObjectTypeProperties(p.model, 174, 0x02 | 0x04 | 0x30, 1), 0) << "removing leaves the colour";
  EXPECT_EQ(p.model.mappings[0].colour, LAYOUT_PROPERTY_COLOURS[2]);
  EXPECT_EQ(SetObjectTypeProperties(p.model, 100, 0xFF, 0), 0) << "other indices have none";
}

TEST(LayoutProperties, TheKindsAndObjectsTablesHoldTheirValues) {
  // label, mask, shift, maximum, default of kinds 1..8 (7 the colour, without a label).
  const struct {
    const char* label;
    int mask, shift, maximum, fallback;
  } kinds[] = {{"Width : %.2f", 0x03, 0, 3, 1},           {"Length : %.2f", 0x0C, 2, 3, 1},
               {"Size X : %.2f", 0x03, 0, 3, 0},          {"Size Y : %.2f", 0x0C, 2, 3, 0},
               {"Height : %.2f", 0xF0, 4, 15, 3},         {"Pitch : %.0f\xC2\xB0", 0xF0, 4, 15, 0},
               {nullptr, 0x03, 0, 3, 0},                  {"Angle : %.1f\xC2\xB0", 0xF0, 4, 15, 15}};
  for (int k = 1; k < LAYOUT_PROPERTY_KINDS; ++k) {
    const LayoutPropertyInfo& info = LAYOUT_PROPERTIES[k];
    const auto& want = kinds[k - 1];
    if (want.label) {
      EXPECT_STREQ(info.label, want.label) << k;
    } else {
      EXPECT_EQ(info.label, nullptr) << k;
    }
    EXPECT_EQ(info.mask, want.mask) << k;
    EXPECT_EQ(info.shift, want.shift) << k;
    EXPECT_EQ(info.maximum, want.maximum) << k;
    EXPECT_EQ(info.fallback, want.fallback) << k;
  }
  // Objects 172..179: width 1, length 2, size x 3, size y 4, height 5, pitch 6, colour 7, angle 8.
  const int objects[8][3] = {{1, 2, 6}, {1, 2, 5}, {7, 2, 5}, {3, 4, 5}, {7, 2, 6}, {7, 2, 5}, {7, 4, 6}, {7, 2, 8}};
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(OBJECT_PROPERTY_KINDS[i][j], objects[i][j]) << 172 + i << " " << j;
}
