// model_checks_test.cpp - the model checks into the problem report: lines collected at level
// 2 with markers placed in the world through the subobjects' rotations and offsets, message
// lines at level 1, and the report's state put back after each check.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/model_lod_cache.h"
#include "modeller/screen/model_checks.h"
#include "text/messages.h"
#include "ui/problem_report.h"

namespace {

void AddPoint(ModelObject& o, int32_t x, int32_t y, int32_t z) {
  o.ResizePoints(1);
  ModelPoint& p = o.points[o.pointCount++];
  p.x = x, p.y = y, p.z = z;
}

// A degenerate triangle (a, a, b) and a sound one on b: one degenerate, one too small and
// one point (a) without a normal.
void AddDegenerate(ModelObject& o) {
  const int a = o.pointCount;
  AddPoint(o, 65536, 0, 0);
  AddPoint(o, 65536, 65536, 0);
  AddPoint(o, 2 * 65536, 65536, 0);
  AddPoint(o, 65536, 65536, 65536);
  o.ResizeTriangles(2);
  ModelTriangle* t = &o.triangles[o.triangleCount];
  t[0] = ModelTriangle{};
  t[0].normalLevel = 1;
  t[0].corners[0] = t[0].corners[1] = uint16_t(a);
  t[0].corners[2] = uint16_t(a + 1);
  t[1] = t[0];
  t[1].corners[0] = uint16_t(a + 1), t[1].corners[1] = uint16_t(a + 2), t[1].corners[2] = uint16_t(a + 3);
  o.triangleCount = uint16_t(o.triangleCount + 2);
}

class ModelChecks : public ::testing::Test {
 protected:
  ModelObject probe{};
  void SetUp() override {
    InitSinCosTables();
    SetDefaultTextColours();
    ResetMessages();
    ClearProblemReport();
    InstallModellerHooks();
    probe.Init();
    std::snprintf(probe.name, sizeof probe.name, "probe");
    AddDegenerate(probe);
    probe.AddSubobjectSlot();
    probe.childCount = 1;
    ModelObject& sub = probe.children[0];
    sub.Init();
    std::snprintf(sub.name, sizeof sub.name, "sub");
    sub.offset[0] = 65536, sub.offset[1] = 2 * 65536, sub.offset[2] = 3 * 65536;
    sub.angles[2] = 16384;  // built first: a quarter turn about z
    AddDegenerate(sub);
  }
  void TearDown() override {
    probe.Free();
    ModelCheckReport = ModelCheckHooks{};
    ModelCheckLevel = 1;
    ProblemReportMode = 0;
    ClearProblemReport();
    ResetMessages();
  }
  void CheckBoth() {
    BuildLodRenderCache(probe, nullptr, nullptr, 0, ~0u);
    BuildLodRenderCache(probe.children[0], &probe, nullptr, 0, ~0u);
  }
};

}  // namespace

TEST_F(ModelChecks, LevelTwoCollectsLinesAndPlacesMarkersInTheWorld) {
  ModelCheckLevel = 2;
  ProblemReportMode = 1;
  CheckBoth();
  EXPECT_EQ(ProblemReportMode, 1) << "put back after each check";
  EXPECT_EQ(CurrentCheckModel, nullptr);
  ASSERT_EQ(ProblemReportCount, 6);
  EXPECT_STREQ(ProblemReportLines[0].text, "Error in main object : 1 triangle is degenerate");
  EXPECT_EQ(ProblemReportLines[0].kind, PROBLEM_DEGENERATE);
  EXPECT_EQ(ProblemReportLines[0].object, 0);
  EXPECT_STREQ(ProblemReportLines[5].text, "Error in sub 1 (sub) : 1 point has a bad normal");
  EXPECT_EQ(ProblemReportLines[5].object, 1);
  EXPECT_EQ(MessageLineCount, 0);
  ASSERT_EQ(ProblemMarkerCount, 6);
  // The subobject's lonely point (1, 0, 0) turned a quarter and moved by (1, 2, 3).
  const ProblemMarker* normal = nullptr;
  for (int i = 0; i < ProblemMarkerCount; ++i)
    if (ProblemMarkers[i].kind == PROBLEM_BAD_NORMAL && ProblemMarkers[i].object == 2) normal = &ProblemMarkers[i];
  ASSERT_NE(normal, nullptr);
  EXPECT_EQ(normal->item, 0);
  EXPECT_NEAR(normal->position[0], 65536, 2);
  EXPECT_NEAR(normal->position[1], 3 * 65536, 2);
  EXPECT_NEAR(normal->position[2], 3 * 65536, 2);
  // The main object's markers stay where its points are.
  for (int i = 0; i < ProblemMarkerCount; ++i)
    if (ProblemMarkers[i].kind == PROBLEM_BAD_NORMAL && ProblemMarkers[i].object == 1) {
      EXPECT_EQ(ProblemMarkers[i].position[0], 65536);
    }

  // Checked again, every problem is marked already: nothing new is reported.
  probe.FreeRenderCaches();
  CheckBoth();
  EXPECT_EQ(ProblemReportCount, 6);
  EXPECT_EQ(ProblemMarkerCount, 6);
}

TEST_F(ModelChecks, LevelOneGivesMessageLinesAndLevelZeroNothing) {
  ModelCheckLevel = 1;
  CheckBoth();
  EXPECT_EQ(ProblemReportCount, 0);
  EXPECT_EQ(ProblemMarkerCount, 0);
  ASSERT_EQ(MessageLineCount, 6);
  EXPECT_STREQ(MessageLines[0].text, "Error in LOD1 of model probe : 1 triangle is degenerate");
  EXPECT_EQ(MessageLines[0].colour, TextColours.error);
  EXPECT_STREQ(MessageLines[5].text, "Error in LOD1 of sub 1 (sub) of probe : 1 point has a bad normal");
  // Once an undo or redo shows another model, its findings leave the shown lines for the
  // history; other lines stay.
  ShowMessage("redo extrude", TextColours.grey);
  ForgetShownProblemLines();
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "redo extrude");
  EXPECT_STREQ(MessageHistory[MESSAGE_LINE_COUNT - 1].text, "Error in LOD1 of sub 1 (sub) of probe : 1 point has a bad normal");
  ResetMessages();
  ModelCheckLevel = 0;
  probe.FreeRenderCaches();
  CheckBoth();
  EXPECT_EQ(MessageLineCount, 0);
  EXPECT_EQ(ProblemReportCount, 0);
}
