// texture_mapping_test.cpp - the mapping maths (handle points against a reference, texture
// coordinates of the corners in every orientation, rotations, the central rule, links) and
// the mapping tool driven through its keys and operations, each edit undone byte for byte
// and each refusal changing nothing; the screenshot's checks.
#include <array>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/model_file.h"
#include "model/model_meshes.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/screen/modeller.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_state.h"
#include "modeller/texture/texture_mapping.h"
#include "modeller_fixture.h"
#include "row_layout.h"
#include "platform/keys.h"
#include "render/buffers.h"
#include "render/immediate.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/control_clicks.h"
#include "ui/screen_labels.h"
#include "ui/value_edit.h"

using namespace modeller_test;

namespace {

// The right, view and up axes of the six axis codes, from the angle conventions: heading
// about +z, pitch -90 looks down with the picture's up along +y.
struct AxisCase {
  uint32_t code;
  int right[3], view[3], up[3];
};
const AxisCase AXES[6] = {
    {DIRECTION_BACK, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},   {DIRECTION_FRONT, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
    {DIRECTION_RIGHT, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, {DIRECTION_LEFT, {0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
    {DIRECTION_TOP, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},   {DIRECTION_UNDER, {-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
};

// Handle offsets (right, view, up) in units of half width, half height and the direction's
// length, as the table of handles gives them.
void HandleLocal(const ModelMapping& m, int h, double out[3]) {
  const double w = m.width / 2 / 65536.0, hh = m.height / 2 / 65536.0;
  const double table[11][3] = {{-w, 0, -hh}, {w, 0, hh}, {w, 0, -hh}, {-w, 0, hh}, {0, 0, -hh}, {0, 0, hh},
                               {w, 0, 0},    {-w, 0, 0}, {0, 0, 0},   {0, 0, hh - m.height / 8 / 65536.0},
                               {0, -(std::fabs(hh) + std::fabs(w)) / 2, 0}};
  for (int i = 0; i < 3; ++i) out[i] = table[h][i];
}

ModelMapping MakeMapping(uint32_t direction, double w, double h, double x, double y, double z) {
  ModelMapping m;
  m.Init(1);
  m.direction = direction;
  m.width = Metres(w), m.height = Metres(h);
  m.offset[0] = Metres(x), m.offset[1] = Metres(y), m.offset[2] = Metres(z);
  return m;
}

}  // namespace

// ---- the maths ----

TEST(MappingMaths, HandlePointsOfTheAxisCodesAreExact) {
  InitSinCosTables();
  for (const AxisCase& a : AXES) {
    const ModelMapping m = MakeMapping(a.code, 2.0, 1.0, 0.25, -0.5, 1.0);
    for (int h = 0; h < MAPPING_HANDLE_COUNT; ++h) {
      double local[3];
      HandleLocal(m, h, local);
      int32_t p[3];
      GetMappingHandlePoint(m, h, p);
      for (int i = 0; i < 3; ++i) {
        const double expected = m.offset[i] / 65536.0 + a.right[i] * local[0] + a.view[i] * local[1] + a.up[i] * local[2];
        EXPECT_EQ(p[i], int32_t(std::lround(expected * 65536))) << "code " << a.code << " handle " << h << " axis " << i;
      }
    }
  }
  EXPECT_EQ(ModelMapping{}.DirectionFlag(), MAPPING_LINK_BACK);
  const uint32_t codes[5] = {DIRECTION_FRONT, DIRECTION_RIGHT, DIRECTION_LEFT, DIRECTION_TOP, PackDirection(100, 0, 0)};
  const int flags[5] = {MAPPING_LINK_FRONT, MAPPING_LINK_SIDE, MAPPING_LINK_SIDE, MAPPING_LINK_TOP, MAPPING_LINK_TOP};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(MakeMapping(codes[i], 1, 1, 0, 0, 0).DirectionFlag(), flags[i]);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(OPPOSITE_MAPPING_HANDLE[OPPOSITE_MAPPING_HANDLE[i]], i);
}

TEST(MappingMaths, TurnedMappingsMatchTheReferenceOfTheSameTables) {
  InitSinCosTables();
  const int headings[4] = {37, -500, 700, 180}, pitches[4] = {-101, 200, 0, -359}, rolls[4] = {0, 45, -700, 300};
  for (int c = 0; c < 4; ++c) {
    const ModelMapping m = MakeMapping(PackDirection(headings[c], pitches[c], rolls[c]), 3.0, -1.5, 2.0, -7.0, 0.5);
    // The reference: the same truncated angles and 16.16 sines, in doubles.
    const uint32_t a = uint32_t(QuarterDegreesToTurn(headings[c])), b = uint32_t(QuarterDegreesToTurn(pitches[c])),
                   cc_ = uint32_t(QuarterDegreesToTurn(rolls[c]));
    const double sa = FixSin(a) / 65536.0, ca = FixCos(a) / 65536.0, sb = FixSin(b) / 65536.0, cb = FixCos(b) / 65536.0,
                 sc = FixSin(cc_) / 65536.0, cc = FixCos(cc_) / 65536.0;
    const double r[9] = {ca * cc - sa * sb * sc, -sa * cb, ca * sc + sa * sb * cc, sa * cc + ca * sb * sc, ca * cb,
                         sa * sc - ca * sb * cc, -cb * sc, sb, cb * cc};
    const double metres = std::sqrt(2.0 * 2 + 7.0 * 7 + 0.25) + 3;
    for (int h = 0; h < MAPPING_HANDLE_COUNT; ++h) {
      double local[3];
      HandleLocal(m, h, local);
      int32_t p[3];
      GetMappingHandlePoint(m, h, p);
      for (int i = 0; i < 3; ++i) {
        const double expected =
            m.offset[i] + 65536 * (r[3 * i] * local[0] + r[3 * i + 1] * local[1] + r[3 * i + 2] * local[2]);
        EXPECT_NEAR(p[i], expected, 1 + 2 * metres) << "case " << c << " handle " << h;
      }
    }
  }
}

TEST(MappingMaths, TheCornerHandlesShowTheRegionCornersInEveryOrientation) {
  InitSinCosTables();
  for (const AxisCase& a : AXES) {
    ModelMapping m = MakeMapping(a.code, 2.0, 1.0, 0.5, 0.25, -0.75);
    FixedMatrix matrix;
    m.DirectionMatrix(matrix);
    Cutout cut;
    cut.Init(1);
    cut.region[REGION_WIDTH] = 40, cut.region[REGION_HEIGHT] = 30, cut.region[REGION_LEFT] = 10, cut.region[REGION_TOP] = 20;
    const float lower[2] = {10 / 128.0f, 1 - 20 / 128.0f}, upper[2] = {50 / 128.0f, 1 - 50 / 128.0f};
    for (int o = 0; o < ORIENTATION_COUNT; ++o) {
      cut.orientation = uint8_t(o);
      const float* k = ORIENTATION_TABLE[o];
      for (int h = 0; h < 2; ++h) {
        int32_t p[3];
        GetMappingHandlePoint(m, h, p);
        float uv[2];
        ComputeTextureCoordinates(uv, p, m, cut, matrix);
        const float* c = h == 0 ? lower : upper;
        EXPECT_NEAR(uv[0], k[0] * c[0] + k[1] * c[1] + k[4], 1e-4) << a.code << " orientation " << o << " handle " << h;
        EXPECT_NEAR(uv[1], k[2] * c[0] + k[3] * c[1] + k[5], 1e-4) << a.code << " orientation " << o << " handle " << h;
      }
    }
  }
}

TEST(MappingMaths, RotationsWrapOrStopAndTheCentralRuleKeepsTheMiddleLine) {
  InitSinCosTables();  // the one-sided test turns the corners through the tables
  ModelMapping m = MakeMapping(PackDirection(715, 355, -715), 1, 1, 0, 0, 0);
  m.RotateFirst(10);
  EXPECT_EQ(DirectionHeading(m.direction), -715);
  m.RotateSecond(10);
  EXPECT_EQ(DirectionPitch(m.direction), 360);
  m.RotateThird(-10);
  EXPECT_EQ(DirectionRoll(m.direction), 715);
  // Side codes keep Y at 0, the others X; only with the flag.
  for (const AxisCase& a : AXES) {
    ModelMapping c = MakeMapping(a.code, 1, 1, 1.5, -2.5, 3.0);
    c.ClearAxisOffset();
    EXPECT_EQ(c.offset[0], Metres(1.5));
    c.flags = MAPPING_CENTRAL;
    c.ClearAxisOffset();
    const bool side = a.code == DIRECTION_RIGHT || a.code == DIRECTION_LEFT;
    EXPECT_EQ(c.offset[0], side ? Metres(1.5) : 0) << a.code;
    EXPECT_EQ(c.offset[1], side ? 0 : Metres(-2.5)) << a.code;
    EXPECT_EQ(c.offset[2], Metres(3.0));
  }
  // One-sided: all four corners on one side of x = 0.
  FixedMatrix matrix;
  ModelMapping side = MakeMapping(DIRECTION_FRONT, 1.0, 1.0, 0.6, 0, 0);
  side.DirectionMatrix(matrix);
  EXPECT_TRUE(side.IsOneSided(matrix));
  side.offset[0] = Metres(0.4);
  EXPECT_FALSE(side.IsOneSided(matrix));
  EXPECT_STREQ(MappingDirectionName(PackDirection(100, 0, 0)), "Horizon");
  EXPECT_STREQ(MappingDirectionName(PackDirection(100, 8, 0)), "Free");
  EXPECT_STREQ(MappingDirectionName(DIRECTION_UNDER), "Under");
}

TEST(MappingMaths, LinkedMappingsShareSizesAndKeepTheirSigns) {
  ModelObject o{};
  o.Init();
  ModelBuilder b;
  b.Page(PAGE_FIXED, "p");
  b.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{});
  b.AddMapping("top", 0, 0, DIRECTION_TOP, 2.0, 4.0, 0xFFFFFF, 0.1, 0.2, 1.0);
  b.AddMapping("top2", 0, 0, DIRECTION_TOP, 1.0, 1.0, 0xFFFFFF, 0, 9, 1.0);
  b.AddMapping("side", 0, 0, DIRECTION_RIGHT, -1.0, 1.0, 0xFFFFFF, 1, 5, 0);
  b.AddMapping("front", 0, 0, DIRECTION_FRONT, 1.0, 1.0, 0xFFFFFF, 3, 1, 0);
  b.AddMapping("under", 0, 0, DIRECTION_UNDER, 1.0, 1.0, 0xFFFFFF, 3, 1, 0);
  b.Into(o);
  o.mappings[0].flags = MAPPING_LINK_SIDE | MAPPING_LINK_FRONT;
  o.mappings[1].flags = MAPPING_LINK_SIDE;
  o.mappings[2].flags = MAPPING_LINK_TOP;
  o.mappings[3].flags = MAPPING_LINK_TOP;
  o.mappings[4].flags = MAPPING_LINK_TOP;  // a bottom mapping takes no link
  PushTopMappingLinks(o, 0);
  EXPECT_EQ(o.mappings[2].offset[1], Metres(0.2));
  EXPECT_EQ(o.mappings[2].width, -Metres(4.0)) << "the side keeps its negative width";
  EXPECT_EQ(o.mappings[3].offset[0], Metres(0.1));
  EXPECT_EQ(o.mappings[3].width, Metres(2.0));
  EXPECT_EQ(o.mappings[1].offset[1], Metres(0.2)) << "two tops on one side pass Y";
  EXPECT_EQ(o.mappings[1].height, Metres(4.0)) << "and height";
  EXPECT_EQ(o.mappings[1].width, Metres(1.0)) << "no front link between them";
  EXPECT_EQ(o.mappings[4].offset[0], Metres(3)) << "the bottom mapping is left alone";
  // A side change goes to every top holding the side flag, and on to their partners.
  o.mappings[2].offset[1] = Metres(-1);
  o.mappings[2].width = Metres(6);
  o.mappings[0].height = -Metres(1);
  PushMappingLinks(o, 2);
  EXPECT_EQ(o.mappings[0].offset[1], Metres(-1));
  EXPECT_EQ(o.mappings[0].height, -Metres(6)) << "the top keeps its sign";
  EXPECT_EQ(o.mappings[1].height, -Metres(6));
  EXPECT_EQ(FindLinkedTopMapping(o, MAPPING_LINK_FRONT), 0);
  EXPECT_EQ(FindLinkedTopMapping(o, MAPPING_LINK_BACK), -1);
  EXPECT_TRUE(IsMappingLinked(o.mappings[0]));
  // A top mapping's own change goes the same way to the linked front mapping.
  o.mappings[0].offset[0] = Metres(0.7);
  o.mappings[0].width = Metres(3);
  PushMappingLinks(o, 0);
  EXPECT_EQ(o.mappings[3].offset[0], Metres(0.7));
  EXPECT_EQ(o.mappings[3].width, Metres(3));
  o.Free();
}

TEST(MappingMaths, ThePlaneThroughPointsGivesItsViewCode) {
  uint32_t code = 0;
  float pitch = 0, heading = 0;
  // Upright plane facing -y: the back view.
  const int32_t a[3] = {Metres(1), 0, 0}, b[3] = {0, 0, 0}, up[3] = {0, 0, Metres(1)};
  ASSERT_TRUE(DirectionFromPoints(a, b, up, &code, &pitch, &heading));
  EXPECT_EQ(DirectionPitch(code), 0);
  EXPECT_EQ(std::abs(DirectionHeading(code)), 720) << "looks along +y from behind the points";
  const int32_t t[3] = {0, Metres(1), 0};
  ASSERT_TRUE(DirectionFromPoints(a, b, t, &code, &pitch, &heading));
  EXPECT_TRUE(code == DIRECTION_TOP || code == DIRECTION_UNDER);
  EXPECT_FALSE(DirectionFromPoints(a, b, a, &code, &pitch, &heading)) << "no plane through a line";
}

// ---- the tool ----

namespace {

class MappingToolTest : public ModellerTest {
 protected:
  void OpenTool() {
    Open();
    Key('M', true);
    ASSERT_NE(ActiveMappingPanel, nullptr);
    panel = ActiveMappingPanel;
    EditViews.dragBox = DragBox{};
  }
  std::vector<uint8_t> Bytes() const { return ModelRecordBytes(model, 1, 1); }
  // A new top mapping linked to the front mapping 0, which is selected, the panel unlocked:
  // the top's index.
  int LinkedTopOfSelectedFront() {
    const int top = model.AddMapping(nullptr);
    model.mappings[top].direction = DIRECTION_TOP;
    model.mappings[top].flags = MAPPING_LINK_FRONT;
    model.mappings[0].flags = MAPPING_LINK_TOP;
    SelectedMapping = 0;
    panel->locked = 0;
    return top;
  }
  // The tool open on mapping 0, the view framed 4 m off: whether the camera sees the mapping's
  // centre, and where it stands on the screen.
  bool MappingCentreOnScreen(float* x, float* y) {
    OpenTool();
    SelectedMapping = 0;
    FrameEditView(4 << 16, 1 << 15);
    SetEditViewProjection(0);
    int32_t centre[3];
    GetMappingCorner(*modeller, 0, centre, MAPPING_HANDLE_CENTRE);
    int32_t depth = 0;
    return ProjectPointToScreen(centre, x, y, &depth);
  }
  // A finished drag box of the current (front) view between two world points (x, z metres).
  static void Box(double x0, double z0, double x1, double z1) {
    DragBox& box = EditViews.dragBox;
    box.state = DRAG_BOX_DONE;
    box.code = CurrentViewCode();
    box.worldCorners[0][0] = Metres(x0), box.worldCorners[0][2] = Metres(z0);
    box.worldCorners[1][0] = Metres(x1), box.worldCorners[1][2] = Metres(z1);
    box.worldCorners[0][1] = box.worldCorners[1][1] = 0;
    float axes[3][3];
    BuildOrthoViewMatrix(box.code, axes);
    for (int c = 0; c < 2; ++c)
      for (int r = 0; r < 3; ++r)
        box.viewCorners[c][r] = int32_t(std::lround(box.worldCorners[c][0] * axes[r][0] + box.worldCorners[c][2] * axes[r][2]));
  }
  MappingPanel* panel = nullptr;
};

}  // namespace

TEST_F(MappingToolTest, ShiftMOpensTheToolWhichTakesKeysAndHidesTheObjectRotation) {
  Open();
  model.angles[0] = 1000;
  const EditorFrameHookFn hookBefore = EditorFrameHook;
  void* const hookArgumentBefore = EditorFrameHookArgument;
  Key('M', true);
  panel = ActiveMappingPanel;
  ASSERT_NE(panel, nullptr);
  EXPECT_NE(EditorFrameHook, hookBefore) << "the tool draws its mappings over the views";
  EXPECT_EQ(CurrentProcess, &panel->prss);
  EXPECT_EQ(model.angles[0], 0) << "shown unrotated while mapping";
  EXPECT_EQ(panel->locked, 1);
  Frame();
  Key('S', true);
  Frame(2);
  EXPECT_EQ(ActiveMappingPanel, nullptr);
  EXPECT_EQ(model.angles[0], 1000) << "the rotation comes back";
  EXPECT_EQ(EditorFrameHook, hookBefore) << "the views' drawing given back";
  EXPECT_EQ(EditorFrameHookArgument, hookArgumentBefore);
}

// ---- the tool's drawing, on the null device ----

namespace {

class MappingToolOnDevice : public OnNullDevice<MappingToolTest> {
 protected:
  // The colours of the lines the tool's frame hook draws, one entry a line.
  static std::vector<uint32_t> HookLines() {
    std::vector<uint32_t> colours;
    if (BeginLineBatch3D() != 1) {
      ADD_FAILURE() << "no line batch";
      return colours;
    }
    const uint8_t* start = StreamLines3D.vertexWrite;
    EditorFrameHook(EditorFrameHookArgument);
    const VertexLine3D* v = reinterpret_cast<const VertexLine3D*>(start);
    const uint32_t n = StreamLines3D.vertexCount;
    for (uint32_t i = 0; i + 1 < n; i += 2) {
      EXPECT_EQ(v[i].colour, v[i + 1].colour) << "both ends of line " << i / 2;
      colours.push_back(v[i].colour);
    }
    EndLineBatch3D();
    return colours;
  }
  static size_t Count(const std::vector<uint32_t>& colours, uint32_t colour) {
    return size_t(std::count(colours.begin(), colours.end(), colour));
  }
  // The tool opened with its pages unnamed, so that its hook draws no preview quad, only
  // lines; one frame run.
  void OpenToolForLines() {
    OpenTool();
    for (int i = 0; i < model.pageCount; ++i) model.pages[i].name[0] = 0;
    Frame();
  }
};

constexpr uint32_t USED_FRAME = 0xFFFFE63C, UNUSED_FRAME = 0xFF8C8C8C, DIRECTION_LINE = 0xFF3CC8FF;
constexpr uint32_t SHOWN_TRIANGLE = 0xFFFFFFFF, HIDDEN_TRIANGLE = 0xFF5A5A5A;

}  // namespace

// The selected mapping's first triangle is outlined corner to corner: its three lines run
// from the first corner to the second, the second to the third and the third back to the
// first (compared as differences, which the object's offset leaves alone).
TEST_F(MappingToolOnDevice, TheSelectedMappingsTriangleOutlineRunsThroughItsCornersInTurn) {
  ASSERT_TRUE(NullDevice::ready_);
  OpenToolForLines();
  SelectedMapping = 0;
  ObjectEditorShared.visibleLayers = ~0u;
  const int level = model.currentLod;
  int first = -1;
  for (int t = 0; t < model.triangleCount; ++t)
    if (model.triangles[t].mapping == 0 && model.triangles[t].lod == level) {
      model.triangles[t].flags &= uint8_t(~TRIANGLE_MIRRORED);
      if (first < 0) first = t;
    }
  ASSERT_GE(first, 0);
  // The mapping's last triangle has a corner one past the last point (as a damaged file may
  // hold it): the outlines stop there, the first still drawn.
  int last = -1;
  for (int t = 0; t < model.triangleCount; ++t)
    if (model.triangles[t].mapping == 0 && model.triangles[t].lod == level) last = t;
  ASSERT_GT(last, first);
  model.triangles[last].corners[2] = uint16_t(model.pointCount);
  ASSERT_EQ(BeginLineBatch3D(), 1);
  const uint8_t* start = StreamLines3D.vertexWrite;
  EditorFrameHook(EditorFrameHookArgument);
  const VertexLine3D* v = reinterpret_cast<const VertexLine3D*>(start);
  ASSERT_GE(StreamLines3D.vertexCount, 6u);
  std::vector<VertexLine3D> ends(v, v + 6);
  EndLineBatch3D();
  double corner[3][3];
  for (int c = 0; c < 3; ++c) {
    const uint16_t k = model.triangles[first].corners[c];
    const ModelPoint& p = model.points[k & CORNER_INDEX_MASK];
    corner[c][0] = ((k & CORNER_MIRRORED) ? -double(p.x) : double(p.x)) / 65536.0;
    corner[c][1] = p.y / 65536.0, corner[c][2] = p.z / 65536.0;
  }
  for (int line = 0; line < 3; ++line) {
    const VertexLine3D &a = ends[size_t(2 * line)], &b = ends[size_t(2 * line + 1)];
    const double* from = corner[line];
    const double* to = corner[(line + 1) % 3];
    EXPECT_NEAR(b.x - a.x, to[0] - from[0], 1e-4) << "line " << line;
    EXPECT_NEAR(b.y - a.y, to[1] - from[1], 1e-4) << "line " << line;
    EXPECT_NEAR(b.z - a.z, to[2] - from[2], 1e-4) << "line " << line;
  }
  SelectedMapping = -1;
}

// The selected mapping's frame runs round its four edges: a mapping 2 m wide and 1 m high
// has four frame lines, two of 2 m and two of 1 m, meeting two at each of its four corners.
TEST_F(MappingToolOnDevice, TheFrameRunsRoundTheMappingsFourEdges) {
  ASSERT_TRUE(NullDevice::ready_);
  OpenToolForLines();
  SelectedMapping = 0;
  model.mappings[0].width = 2 << 16;
  model.mappings[0].height = 1 << 16;
  ASSERT_EQ(BeginLineBatch3D(), 1);
  const uint8_t* start = StreamLines3D.vertexWrite;
  EditorFrameHook(EditorFrameHookArgument);
  const VertexLine3D* v = reinterpret_cast<const VertexLine3D*>(start);
  std::vector<double> lengths;
  std::vector<std::array<float, 3>> ends;
  for (uint32_t i = 0; i + 1 < StreamLines3D.vertexCount; i += 2)
    if (v[i].colour == USED_FRAME || v[i].colour == UNUSED_FRAME) {
      lengths.push_back(std::hypot(v[i + 1].x - v[i].x, v[i + 1].y - v[i].y, v[i + 1].z - v[i].z));
      ends.push_back({v[i].x, v[i].y, v[i].z});
      ends.push_back({v[i + 1].x, v[i + 1].y, v[i + 1].z});
    }
  EndLineBatch3D();
  ASSERT_EQ(lengths.size(), 4u);
  // Each of the four corners ends two of the lines.
  for (const auto& e : ends) {
    int same = 0;
    for (const auto& f : ends) same += std::hypot(f[0] - e[0], f[1] - e[1], f[2] - e[2]) < 1e-4;
    EXPECT_EQ(same, 2) << "a corner at " << e[0] << ", " << e[1] << ", " << e[2];
  }
  std::sort(lengths.begin(), lengths.end());
  EXPECT_NEAR(lengths[0], 1.0, 1e-4);
  EXPECT_NEAR(lengths[1], 1.0, 1e-4);
  EXPECT_NEAR(lengths[2], 2.0, 1e-4);
  EXPECT_NEAR(lengths[3], 2.0, 1e-4);
  SelectedMapping = -1;
}

TEST_F(MappingToolOnDevice, TheHookFramesEachMappingAndOutlinesTheSelectedOnesTriangles) {
  ASSERT_TRUE(NullDevice::ready_);
  OpenToolForLines();
  ASSERT_EQ(EditViews.width, 0) << "the perspective view";
  // Nothing selected: four lines round every mapping, yellow for one in use, grey otherwise.
  SelectedMapping = -1;
  std::vector<bool> used(size_t(model.mappingCount), false);
  for (int t = 0; t < model.triangleCount; ++t)
    if (model.triangles[t].mapping < model.mappingCount) used[model.triangles[t].mapping] = true;
  const size_t usedCount = size_t(std::count(used.begin(), used.end(), true));
  std::vector<uint32_t> lines = HookLines();
  EXPECT_EQ(lines.size(), 4 * size_t(model.mappingCount));
  EXPECT_EQ(Count(lines, USED_FRAME), 4 * usedCount);
  EXPECT_EQ(Count(lines, UNUSED_FRAME), 4 * (size_t(model.mappingCount) - usedCount));
  // Mapping 0 selected: its triangles of the current level outlined (a mirrored one twice),
  // white on a shown layer and dim on a hidden one, then its own frame and, in perspective,
  // the line to its direction handle.
  SelectedMapping = 0;
  ASSERT_TRUE(used[0]);
  const int level = model.currentLod;
  ObjectEditorShared.visibleLayers = ~0u & ~(1u << model.triangles[0].layer);
  for (int t = model.triangleCount - 1; t >= 0; --t)  // the last of them mirrored
    if (model.triangles[t].mapping == 0 && model.triangles[t].lod == level) {
      model.triangles[t].flags |= TRIANGLE_MIRRORED;
      break;
    }
  size_t shown = 0, hidden = 0;
  for (int t = 0; t < model.triangleCount; ++t) {
    const ModelTriangle& tri = model.triangles[t];
    if (tri.mapping != 0 || tri.lod != level) continue;
    const size_t copies = (tri.flags & TRIANGLE_MIRRORED) ? 2 : 1;
    ((ObjectEditorShared.visibleLayers >> (tri.layer & 31)) & 1 ? shown : hidden) += 3 * copies;
  }
  ASSERT_GT(hidden, 0u);
  lines = HookLines();
  EXPECT_EQ(Count(lines, SHOWN_TRIANGLE), shown);
  EXPECT_EQ(Count(lines, HIDDEN_TRIANGLE), hidden);
  EXPECT_EQ(Count(lines, USED_FRAME), 4u);
  EXPECT_EQ(Count(lines, DIRECTION_LINE), 1u);
  EXPECT_EQ(lines.size(), shown + hidden + 5);
  ObjectEditorShared.visibleLayers = ~0u;
  // In a 2D view no direction line.
  FrontView();
  lines = HookLines();
  EXPECT_EQ(Count(lines, DIRECTION_LINE), 0u);
  EXPECT_EQ(Count(lines, USED_FRAME), 4u);
  SelectedMapping = -1;
}

TEST_F(MappingToolTest, NewMappingsComeFromTheDragBoxAndRefusalsChangeNothing) {
  OpenTool();
  const auto before = Bytes();
  // The perspective view and a missing box are refused.
  EXPECT_EQ(AddMappingFromDragBox(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_NEED_2D);
  FrontView();
  EXPECT_EQ(AddMappingFromDragBox(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_NEED_BOX);
  EXPECT_EQ(Bytes(), before);
  Box(-0.5, 0.25, 1.5, 1.25);
  ASSERT_EQ(AddMappingFromDragBox(*panel), 1);
  ASSERT_EQ(model.mappingCount, 3);
  const ModelMapping& m = model.mappings[2];
  EXPECT_EQ(m.direction, DIRECTION_FRONT);
  EXPECT_EQ(m.width, Metres(2.0));
  EXPECT_EQ(m.height, Metres(1.0));
  EXPECT_EQ(m.offset[0], Metres(0.5));
  EXPECT_EQ(m.offset[2], Metres(0.75));
  EXPECT_EQ(SelectedMapping, 2);
  ConfirmTextEntry("bonnet");
  EXPECT_STREQ(model.mappings[2].name, "bonnet");
  EXPECT_TRUE(MappingMatchesDragBox(*panel, model.mappings[2]));
  Undo(0);
  EXPECT_EQ(Bytes(), before) << "undone byte for byte";
  // The limit.
  Undo(1);
  while (model.mappingCount < MAX_MODEL_MAPPINGS) model.AddMapping(nullptr);
  const auto full = Bytes();
  EXPECT_EQ(AddMappingFromDragBox(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_MAXIMUM);
  EXPECT_EQ(Bytes(), full);
}

TEST_F(MappingToolTest, AdjustingKeepsOrDropsTheLinksByDirection) {
  OpenTool();
  FrontView();
  // A top linked to the front mapping 0; mapping 1 is another front mapping.
  const int top = LinkedTopOfSelectedFront();
  Box(-1, 0, 2, 1);
  ASSERT_EQ(AdjustMappingToDragBox(*panel), 1);
  EXPECT_EQ(model.mappings[0].width, Metres(3));
  EXPECT_EQ(model.mappings[top].width, Metres(3)) << "the same direction updates the top";
  EXPECT_EQ(model.mappings[top].offset[0], Metres(0.5));
  EXPECT_EQ(AdjustMappingToDragBox(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_MATCHES);
  // Locked, a linked mapping refuses.
  panel->locked = 1;
  Box(-1, 0, 1, 1);
  const auto before = Bytes();
  EXPECT_EQ(AdjustMappingToDragBox(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_LOCKED);
  EXPECT_EQ(Bytes(), before);
  // From another direction the links go.
  panel->locked = 0;
  SelectEditView(VIEW_BACK);
  Box(-1, 0, 1, 1);
  ASSERT_EQ(AdjustMappingToDragBox(*panel), 1);
  EXPECT_EQ(model.mappings[0].direction, DIRECTION_BACK);
  EXPECT_EQ(model.mappings[0].flags & MAPPING_LINK_TOP, 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_LINKS_REMOVED);
}

// A width typed for a front mapping goes on to the top mapping linked to it, as an adjusted
// box does: 2.5 m typed, 2.5 m on both.
TEST_F(MappingToolTest, ATypedWidthGoesOnToTheLinkedTopMapping) {
  OpenTool();
  FrontView();
  const int top = LinkedTopOfSelectedFront();
  ASSERT_EQ(SetMappingSize(*panel, 0, 2.5), 1);
  EXPECT_EQ(model.mappings[0].width, Metres(2.5));
  EXPECT_EQ(model.mappings[top].width, Metres(2.5));
}

TEST_F(MappingToolTest, DuplicateCopyPasteDeleteRenameAndMove) {
  OpenTool();
  SelectedMapping = 1;
  const auto before = Bytes();
  ASSERT_EQ(DuplicateMapping(*panel), 1);
  EXPECT_EQ(model.mappingCount, 3);
  EXPECT_EQ(SelectedMapping, 2);
  ConfirmTextEntry("m1 copy");
  EXPECT_STREQ(model.mappings[2].name, "m1 copy");
  // Delete: the copy is unused; the used ones are refused with their count.
  ASSERT_EQ(DeleteMapping(*panel), 1);
  EXPECT_EQ(Bytes(), before);
  SelectedMapping = 0;
  EXPECT_EQ(DeleteMapping(*panel), 0);
  EXPECT_EQ(TakeBox(), "The selected mapping is used by 4 triangles");
  // Copy and paste between mappings of one direction.
  model.mappings[1].offset[2] = Metres(2);
  SelectedMapping = 1;
  CopyMapping(*panel);
  SelectedMapping = 0;
  ASSERT_EQ(PasteMapping(*panel), 1);
  EXPECT_EQ(model.mappings[0].offset[2], Metres(2));
  model.mappings[1].direction = DIRECTION_BACK;
  SelectedMapping = 1;
  CopyMapping(*panel);
  SelectedMapping = 0;
  EXPECT_EQ(PasteMapping(*panel), 0) << "another direction is not offered";
  // Rename and move; triangles follow the move.
  ASSERT_EQ(RenameMapping(*panel, "roof"), 1);
  EXPECT_STREQ(model.mappings[0].name, "roof");
  const int usersOf0 = model.triangles[0].mapping;
  ASSERT_EQ(MoveMappingInList(*panel, 1, 1), 1);
  EXPECT_EQ(SelectedMapping, 1);
  EXPECT_STREQ(model.mappings[1].name, "roof");
  EXPECT_EQ(model.triangles[0].mapping, usersOf0 == 0 ? 1 : 0);
  EXPECT_EQ(MoveMappingInList(*panel, 5, 1), 0) << "already last";
  // The last mapping cannot go.
  ModelObject& sub = model.children[0];
  SelectSubobject(*modeller, 0, &sub);
  sub.triangleCount = 0;
  SelectedMapping = 0;
  EXPECT_EQ(DeleteMapping(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_LAST);
}

// A name typed for a mapping that is gone by the time the entry closes (the list was cut
// short under the open entry) is dropped: the slot one past the list keeps its old name.
TEST_F(MappingToolTest, ANameTypedForAMappingNoLongerInTheListIsDropped) {
  OpenTool();
  ASSERT_GE(model.mappingCount, 2);
  const int last = model.mappingCount - 1;
  SelectedMapping = last;
  std::snprintf(model.mappings[last].name, CUTOUT_NAME_SIZE, "%s", "spare");
  ASSERT_EQ(RenameMapping(*panel, nullptr), 1);
  model.mappingCount = last;  // the renamed mapping now lies one past the list
  EXPECT_EQ(ConfirmTextEntry("roof"), 1);
  EXPECT_STREQ(model.mappings[last].name, "spare");
  model.mappingCount = last + 1;
  SelectedMapping = last;
  ASSERT_EQ(RenameMapping(*panel, nullptr), 1);
  EXPECT_EQ(ConfirmTextEntry("roof"), 1);
  EXPECT_STREQ(model.mappings[last].name, "roof") << "while in the list it is renamed";
}

TEST_F(MappingToolTest, SpokeModeKeepsTheRimMappingFirst) {
  OpenTool();
  ObjectEditorShared.spokeCount = 8;
  model.AddMapping(nullptr);
  SelectedMapping = 0;
  EXPECT_EQ(MoveMappingInList(*panel, 1, 1), 0);
  EXPECT_EQ(RenameMapping(*panel, "x"), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_RIM_RENAME);
  SelectedMapping = 2;
  ASSERT_EQ(MoveMappingInList(*panel, 20, 0), 1);
  EXPECT_EQ(SelectedMapping, 1) << "nothing moves above the rim";
  FrontView();
  Box(0, 0, 1, 1);
  EXPECT_EQ(AddMappingFromDragBox(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_SPOKES);
  ObjectEditorShared.spokeCount = 0;
}

TEST_F(MappingToolTest, SizesPositionsAnglesCutoutsAndCentral) {
  OpenTool();
  SelectedMapping = 1;
  const auto before = Bytes();
  EXPECT_EQ(SetMappingSize(*panel, 0, 4000.5), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_BOUNDS);
  EXPECT_EQ(Bytes(), before);
  ASSERT_EQ(SetMappingSize(*panel, 0, 4000), 1);
  EXPECT_EQ(model.mappings[1].width, 4000 << 16);
  ASSERT_EQ(SetMappingSize(*panel, 1, -0.5), 1);
  EXPECT_EQ(model.mappings[1].height, -Metres(0.5));
  // Square against a 2:1 region.
  model.cutouts[0].region[REGION_WIDTH] = 64, model.cutouts[0].region[REGION_HEIGHT] = 32;
  model.mappings[1].height = Metres(1.5);
  ASSERT_EQ(SquareMapping(*panel, 0), 1);
  EXPECT_EQ(model.mappings[1].width, Metres(3.0));
  ASSERT_EQ(SquareMapping(*panel, 1), 1);
  EXPECT_EQ(model.mappings[1].height, Metres(1.5));
  // Position: typed metres, a step, a paste.
  ASSERT_EQ(SetMappingPosition(*panel, 2, 2, 1.25), 1);
  EXPECT_EQ(model.mappings[1].offset[2], Metres(1.25));
  ASSERT_EQ(SetMappingPosition(*panel, 2, 0, -Metres(0.25)), 1);
  EXPECT_EQ(model.mappings[1].offset[2], Metres(1.0));
  // A typed position beyond the 16.16 range is held at 32767 m (32767 x 65536 = 2147418112),
  // and at -32768 m below it.
  ASSERT_EQ(SetMappingPosition(*panel, 2, 2, 50000.0), 1);
  EXPECT_EQ(model.mappings[1].offset[2], 2147418112);
  ASSERT_EQ(SetMappingPosition(*panel, 2, 2, -50000.0), 1);
  EXPECT_EQ(model.mappings[1].offset[2], INT32_MIN);
  ASSERT_EQ(SetMappingPosition(*panel, 2, 2, 1.0), 1);
  // Angles: typed degrees, clamped; a step through the rotations.
  ASSERT_EQ(SetMappingAngle(*panel, 1, 2, 120.0), 1);
  EXPECT_EQ(DirectionPitch(model.mappings[1].direction), 360);
  ASSERT_EQ(SetMappingAngle(*panel, 0, 0, 1000), 1);
  EXPECT_EQ(DirectionHeading(model.mappings[1].direction), DirectionHeading(DIRECTION_FRONT) + 1000 - 1440);
  // Central only for an axis direction.
  EXPECT_EQ(SwitchMappingCentral(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_CENTRAL_AXIS);
  model.mappings[1].direction = DIRECTION_FRONT;
  model.mappings[1].offset[0] = Metres(0.3);
  const int undoBefore = ModellerUndo.count;
  MappingPanelSelection = 0;
  ASSERT_EQ(SwitchMappingCentral(*panel), 1);
  EXPECT_EQ(model.mappings[1].offset[0], 0);
  EXPECT_NE(model.mappings[1].flags & MAPPING_CENTRAL, 0);
  EXPECT_EQ(ModellerUndo.count, undoBefore + 1) << "the switch is an undo step";
  EXPECT_EQ(MappingPanelSelection, -1) << "an edit clears the armed slot";
  // A second switch turns it off again.
  ASSERT_EQ(SwitchMappingCentral(*panel), 1);
  EXPECT_EQ(model.mappings[1].flags & MAPPING_CENTRAL, 0);
  ASSERT_EQ(SwitchMappingCentral(*panel), 1);
  // Cutout slots: arming the main slot while main and opposite agree moves both.
  model.AddCutout(nullptr);
  ArmCutoutSlot(*panel, 1, 0);
  EXPECT_EQ(MappingPanelSelection, 0);
  ObjectEditorShared.rebuildWire = 0;
  ASSERT_EQ(AssignMappingCutout(*panel, 1), 1);
  EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "the meshes show the new cutout";
  EXPECT_EQ(model.mappings[1].cutout[0], 1);
  EXPECT_EQ(model.mappings[1].cutout[1], 1);
  EXPECT_EQ(MappingPanelSelection, -1) << "an edit clears the armed slot";
  EXPECT_EQ(AssignMappingCutout(*panel, 0), 0) << "nothing armed";
  ArmCutoutSlot(*panel, 1, 1);
  ASSERT_EQ(AssignMappingCutout(*panel, 0), 1);
  EXPECT_EQ(model.mappings[1].cutout[0], 1);
  EXPECT_EQ(model.mappings[1].cutout[1], 0);
  // Squaring reads the main slot's region (square now), not the opposite slot's 2:1; a main
  // slot past the cutouts squares nothing.
  model.cutouts[1].region[REGION_WIDTH] = 32, model.cutouts[1].region[REGION_HEIGHT] = 32;
  model.mappings[1].height = Metres(1.5);
  ASSERT_EQ(SquareMapping(*panel, 0), 1);
  EXPECT_EQ(model.mappings[1].width, Metres(1.5));
  model.mappings[1].cutout[0] = uint16_t(model.cutoutCount);
  EXPECT_EQ(SquareMapping(*panel, 0), 0);
  EXPECT_EQ(SquareMapping(*panel, 1), 0);
  model.mappings[1].cutout[0] = uint16_t(model.cutoutCount - 1);
  ASSERT_EQ(SquareMapping(*panel, 1), 1);
  EXPECT_EQ(model.mappings[1].height, Metres(1.5));
  // A region of no height cannot shape the width, nor one of no width the height.
  uint8_t* region = model.cutouts[model.cutoutCount - 1].region;
  const uint8_t keptWidth = region[REGION_WIDTH], keptHeight = region[REGION_HEIGHT];
  const int32_t width = model.mappings[1].width, height = model.mappings[1].height;
  region[REGION_WIDTH] = 32, region[REGION_HEIGHT] = 0;
  EXPECT_EQ(SquareMapping(*panel, 0), 0);
  EXPECT_EQ(model.mappings[1].width, width);
  region[REGION_WIDTH] = 0, region[REGION_HEIGHT] = 32;
  EXPECT_EQ(SquareMapping(*panel, 1), 0);
  EXPECT_EQ(model.mappings[1].height, height);
  region[REGION_WIDTH] = keptWidth, region[REGION_HEIGHT] = keptHeight;
  // Every step undoes back to the start.
  while (Undo(0)) {
  }
  EXPECT_EQ(Bytes(), before);
}

// Each operation taking a mapping, cutout or point index takes the first and the last and
// refuses one past the last (or before the first), changing nothing.
TEST_F(MappingToolTest, IndicesAtTheEndsOfTheListsAreTakenAndOnePastIsRefused) {
  OpenTool();
  const int count = model.mappingCount;
  ASSERT_GE(count, 2);
  // Selecting: the first and the last are selected; one past or before selects nothing.
  SelectedMapping = -1;
  SelectMapping(*panel, 0, 0);
  EXPECT_EQ(SelectedMapping, 0);
  SelectMapping(*panel, 0, count - 1);
  EXPECT_EQ(SelectedMapping, count - 1);
  SelectMapping(*panel, 0, count);
  EXPECT_EQ(SelectedMapping, -1);
  SelectMapping(*panel, 0, 0);
  SelectMapping(*panel, 0, -1);
  EXPECT_EQ(SelectedMapping, -1);
  // A selection one past the last is none: nothing is renamed.
  const auto before = Bytes();
  SelectedMapping = count;
  EXPECT_EQ(RenameMapping(*panel, "x"), 0);
  EXPECT_EQ(Bytes(), before);
  // Arming a cutout slot of the last row selects it; one past is ignored.
  SelectedMapping = -1;
  MappingPanelSelection = -1;
  ArmCutoutSlot(*panel, count, 1);
  EXPECT_EQ(SelectedMapping, -1);
  EXPECT_EQ(MappingPanelSelection, -1);
  ArmCutoutSlot(*panel, count - 1, 1);
  EXPECT_EQ(SelectedMapping, count - 1);
  EXPECT_EQ(MappingPanelSelection, 1);
  ArmCutoutSlot(*panel, 0, 0);
  EXPECT_EQ(SelectedMapping, 0);
  // The armed slot takes the last cutout, not one past it.
  const int cutouts = model.cutoutCount;
  EXPECT_EQ(AssignMappingCutout(*panel, cutouts), 0);
  EXPECT_EQ(AssignMappingCutout(*panel, -1), 0);
  ASSERT_EQ(AssignMappingCutout(*panel, cutouts - 1), 1);
  EXPECT_EQ(model.mappings[0].cutout[0], cutouts - 1);
  // A mapping whose cutout is one past the last is not squared.
  model.mappings[0].cutout[0] = model.mappings[0].cutout[1] = uint16_t(cutouts);
  const auto unsquared = Bytes();
  EXPECT_EQ(SquareMapping(*panel, 0), 0);
  EXPECT_EQ(Bytes(), unsquared);
  model.mappings[0].cutout[0] = model.mappings[0].cutout[1] = 0;
  // The view of a mapping one past the last changes neither the view nor the selection.
  FrontView();
  const int32_t view = CurrentViewCode();
  SelectedMapping = 0;
  SetViewFromMapping(*panel, count);
  EXPECT_EQ(CurrentViewCode(), view);
  EXPECT_EQ(SelectedMapping, 0);
  // The first mapping's view is taken, and it is selected.
  model.mappings[0].direction = DIRECTION_LEFT;
  SelectedMapping = 1;
  SetViewFromMapping(*panel, 0);
  EXPECT_EQ(SelectedMapping, 0);
  EXPECT_EQ(CurrentViewCode(), int32_t(DIRECTION_LEFT));
  FrontView();
  // The link warning of no mapping is empty, even with a back mapping linked to top that a
  // back mapping's warning would name; a buffer of no size is left alone.
  model.mappings[1].direction = DIRECTION_BACK;
  model.mappings[1].flags = MAPPING_LINK_TOP;
  char warning[64] = "x";
  MappingLinkWarning(model, count, MAPPING_LINK_TOP, warning, sizeof warning);
  EXPECT_STREQ(warning, "");
  std::snprintf(warning, sizeof warning, "x");
  MappingLinkWarning(model, 0, MAPPING_LINK_TOP, warning, 0);
  EXPECT_STREQ(warning, "x");
  // Three points may be picked; a fourth is not.
  panel->pointCount = 0;
  for (uint16_t p = 0; p < 4; ++p) PickMappingPoint(*panel, p);
  EXPECT_EQ(panel->pointCount, 3);
  EXPECT_EQ(panel->points[2], 2);
  panel->pointCount = 0;
}

// A front mapping's drag box holds its two corners as the front view sees them: across is
// minus x, up is z.
TEST_F(MappingToolTest, AMappingsDragBoxHoldsItsCornersAsItsViewSeesThem) {
  OpenTool();
  FrontView();
  model.mappings[0].offset[0] = Metres(0.25), model.mappings[0].offset[2] = Metres(0.75);
  SelectedMapping = 0;
  UpdateMappingDragBox(*panel);
  const DragBox& box = EditViews.dragBox;
  ASSERT_EQ(box.state, DRAG_BOX_DONE);
  EXPECT_EQ(box.code, int32_t(DIRECTION_FRONT));
  EXPECT_NE(box.worldCorners[0][0], box.worldCorners[1][0]);
  for (int c = 0; c < 2; ++c) {
    EXPECT_NEAR(box.viewCorners[c][0], -box.worldCorners[c][0], 1) << "corner " << c << " across";
    EXPECT_NEAR(box.viewCorners[c][1], box.worldCorners[c][2], 1) << "corner " << c << " up";
  }
  EditViews.dragBox = DragBox{};
}

// A direction with the least roll (1 << 21) has no drag box of its own and matches none.
TEST_F(MappingToolTest, ARolledMappingHasNoDragBox) {
  OpenTool();
  FrontView();
  Box(-0.5, 0.25, 0.5, 0.75);
  SelectedMapping = 0;
  model.mappings[0].direction = PackDirection(0, 0, 1);
  ASSERT_EQ(model.mappings[0].direction, 2097152u);
  UpdateMappingDragBox(*panel);
  EXPECT_EQ(EditViews.dragBox.state, DRAG_BOX_NONE);
  SetCurrentViewCode(int32_t(model.mappings[0].direction));
  EXPECT_EQ(MappingMatchesDragBox(*panel, model.mappings[0]), 0);
  EditViews.dragBox = DragBox{};
}

// A front mapping linked to top finds its top mapping at the head of the list too.
TEST_F(MappingToolTest, AFrontMappingFindsItsTopMappingFirstInTheList) {
  OpenTool();
  ModelMapping& top = model.mappings[0];
  top.direction = DIRECTION_TOP;
  top.flags = MAPPING_LINK_FRONT;
  top.width = Metres(5);
  model.mappings[1].direction = DIRECTION_FRONT;
  SelectedMapping = 1;
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_TOP), 1);
  EXPECT_EQ(TakeBox(), "") << "no call for a top mapping: the first one is it";
  EXPECT_TRUE(IsMappingLinked(model.mappings[1]));
  EXPECT_EQ(model.mappings[1].width, Metres(5)) << "the front mapping takes the top's width at once";
}

// The list holds at most its 240 mappings: a duplicate of the 240th is refused.
TEST_F(MappingToolTest, ADuplicateBeyondTheLastMappingIsRefused) {
  OpenTool();
  while (model.mappingCount < MAX_MODEL_MAPPINGS - 1) model.AddMapping(nullptr);
  SelectedMapping = 0;
  ASSERT_EQ(DuplicateMapping(*panel), 1);
  CancelTextEntry();
  EXPECT_EQ(model.mappingCount, MAX_MODEL_MAPPINGS);
  const auto full = Bytes();
  EXPECT_EQ(DuplicateMapping(*panel), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_MAXIMUM);
  EXPECT_EQ(Bytes(), full);
}

// A duplicate goes just after its original: duplicating the first of three mappings puts the
// copy second and moves the later ones (and their triangles) one place on.
TEST_F(MappingToolTest, ADuplicatedMappingIsPutJustAfterItsOriginalAndLaterTrianglesFollowTheirs) {
  OpenTool();
  ModelMapping third = model.mappings[1];
  std::snprintf(third.name, CUTOUT_NAME_SIZE, "m2");
  ASSERT_EQ(model.AddMapping(&third), 2);
  SelectedMapping = 0;
  ASSERT_EQ(DuplicateMapping(*panel), 1);
  ConfirmTextEntry("m0 copy");
  ASSERT_EQ(model.mappingCount, 4);
  // Before: m0 m1 m2; the copy of m0 goes to place 1, so m1 and m2 go to places 2 and 3.
  EXPECT_STREQ(model.mappings[0].name, "m0");
  EXPECT_STREQ(model.mappings[1].name, "m0 copy");
  EXPECT_STREQ(model.mappings[2].name, "m1");
  EXPECT_STREQ(model.mappings[3].name, "m2");
  EXPECT_EQ(SelectedMapping, 1);
  // The panel's triangles alternate m0 and m1: the odd ones now use m1 at its new place 2.
  for (int t = 0; t < model.triangleCount; ++t)
    EXPECT_EQ(model.triangles[t].mapping, t % 2 == 0 ? 0 : 2) << "triangle " << t;
}

// Handle 0 (a corner) is taken, moved, let go and cancelled like any other; the last handle
// (the direction's) is taken; one past it, or before the first, is not.
TEST_F(MappingToolTest, TheFirstAndLastHandlesDragAndOnePastIsRefused) {
  OpenTool();
  FrontView();
  SelectedMapping = 0;
  const auto pixelOf = [&](int handle) {
    int32_t corner[3];
    GetMappingCorner(*modeller, 0, corner, handle);
    return std::vector<int>{PixelX(corner[0] / 65536.0), PixelY(corner[2] / 65536.0)};
  };
  std::vector<int> at = pixelOf(0);
  EXPECT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_COUNT, at[0], at[1]), 0);
  EXPECT_EQ(StartMappingHandleDrag(*panel, -1, at[0], at[1]), 0);
  EXPECT_EQ(panel->dragHandle, -1);
  const ModelMapping before = model.mappings[0];
  ASSERT_EQ(StartMappingHandleDrag(*panel, 0, at[0], at[1]), 1);
  EXPECT_EQ(panel->dragHandle, 0);
  ObjectEditorShared.rebuildWire = 0;
  MoveMappingHandleDrag(*panel, at[0] - 64, at[1]);
  EXPECT_NE(model.mappings[0].width, before.width) << "the corner followed the pointer";
  EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "the meshes follow each motion";
  EndMappingHandleDrag(*panel);
  EXPECT_EQ(panel->dragHandle, -1) << "let go";
  // Taken again and cancelled: back to where this drag began.
  const ModelMapping moved = model.mappings[0];
  at = pixelOf(0);
  ASSERT_EQ(StartMappingHandleDrag(*panel, 0, at[0], at[1]), 1);
  MoveMappingHandleDrag(*panel, at[0] - 32, at[1] + 32);
  EXPECT_NE(model.mappings[0].width, moved.width);
  ObjectEditorShared.rebuildWire = 0;
  CancelMappingHandleDrag(*panel);
  EXPECT_EQ(panel->dragHandle, -1);
  EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "the meshes go back too";
  EXPECT_EQ(model.mappings[0].width, moved.width);
  EXPECT_EQ(model.mappings[0].height, moved.height);
  // The direction handle, the last.
  ASSERT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_COUNT - 1, at[0], at[1]), 1);
  EXPECT_EQ(panel->dragHandle, MAPPING_HANDLE_COUNT - 1);
  CancelMappingHandleDrag(*panel);
}

TEST_F(MappingToolTest, LinksAreSetFromEitherSideAndLockedByDefault) {
  OpenTool();
  const int top = model.AddMapping(nullptr);
  model.mappings[top].direction = DIRECTION_TOP;
  model.mappings[top].width = Metres(5);
  SelectedMapping = 0;
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_TOP), 1);
  EXPECT_EQ(TakeBox(), "OK - you still need to set a top mapping to link to front");
  SelectedMapping = top;
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_FRONT), 1);
  EXPECT_EQ(model.mappings[top].width, Metres(1)) << "the top takes the linked front's width";
  EXPECT_TRUE(IsMappingLinked(model.mappings[top]));
  const auto before = Bytes();
  EXPECT_EQ(SetMappingSize(*panel, 0, 2.0), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_LOCKED);
  EXPECT_EQ(Bytes(), before);
  // A second yes on the same flag clears it.
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_FRONT), 1);
  EXPECT_FALSE(IsMappingLinked(model.mappings[top]));
  // The top linked with the sides, which no side mapping links with yet: said so.
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_SIDE), 1);
  EXPECT_EQ(TakeBox(), "OK - you still need to link another mapping with top");
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_SIDE), 1);
  // A back mapping linking with a top no top is linked with: said so.
  model.mappings[1].direction = DIRECTION_BACK;
  SelectedMapping = 1;
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_TOP), 1);
  EXPECT_EQ(TakeBox(), "OK - you still need to set a top mapping to link to back");
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_TOP), 1);
  // A rotated mapping is not offered a link; an under mapping takes none.
  model.mappings[1].direction = DIRECTION_FRONT | uint32_t(40) << 21;
  SelectedMapping = 1;
  EXPECT_EQ(CanAskMappingLink(*panel, MAPPING_LINK_TOP), 0);
  EXPECT_EQ(TakeBox(), TEXT_MAPPING_ROTATED_LINK);
  model.mappings[1].direction = DIRECTION_UNDER;
  EXPECT_EQ(CanAskMappingLink(*panel, MAPPING_LINK_TOP), 0);
}

// The status that replaces "rotate": spoke mode first, then central, then linked; a turned
// mapping has none.  The table hides the row in spoke mode, so the function is asked itself.
TEST(MappingStatus, SpokeModeThenCentralThenLinked) {
  ModelMapping m = MakeMapping(DIRECTION_FRONT, 1, 1, 0, 0, 0);
  EXPECT_EQ(MappingStatusText(m, 0), nullptr);
  EXPECT_STREQ(MappingStatusText(m, 1), "[spoke mode]");
  m.flags = MAPPING_CENTRAL | MAPPING_LINK_TOP;
  EXPECT_STREQ(MappingStatusText(m, 1), "[spoke mode]");
  EXPECT_STREQ(MappingStatusText(m, 0), "[central]");
  m.flags = MAPPING_LINK_TOP;
  EXPECT_STREQ(MappingStatusText(m, 0), "[linked]");
  m.direction = DIRECTION_TOP;
  m.flags = MAPPING_LINK_SIDE;
  EXPECT_STREQ(MappingStatusText(m, 0), "[linked]");
  m.direction = DIRECTION_FRONT | uint32_t(40) << 21;  // rolled: still an axis mapping
  m.flags = MAPPING_CENTRAL;
  EXPECT_STREQ(MappingStatusText(m, 0), "[central]");
  m.direction = 100;  // a turned heading: no status
  m.flags = MAPPING_CENTRAL;
  EXPECT_EQ(MappingStatusText(m, 1), nullptr);
}

// The link question names another mapping that already holds the link it would make.
TEST_F(MappingToolTest, TheLinkQuestionWarnsOfAnotherMappingHoldingTheLink) {
  OpenTool();
  const auto add = [&](const char* name, uint32_t direction, int flags) {
    const int i = model.AddMapping(nullptr);
    std::snprintf(model.mappings[i].name, sizeof model.mappings[i].name, "%s", name);
    model.mappings[i].direction = direction;
    model.mappings[i].flags = uint8_t(flags);
    return i;
  };
  const auto warning = [&](int index, int flag) {
    char text[96];
    MappingLinkWarning(model, index, flag, text, sizeof text);
    return std::string(text);
  };
  // m0 and m1 are front mappings without links: nobody holds a link yet.
  EXPECT_EQ(warning(0, MAPPING_LINK_TOP), "");
  model.mappings[1].flags = MAPPING_LINK_TOP;
  EXPECT_EQ(warning(0, MAPPING_LINK_TOP), "Front mapping m1 is also linked to top");
  EXPECT_EQ(warning(1, MAPPING_LINK_TOP), "") << "switching its own link off warns of nothing";
  const int back = add("rear", DIRECTION_BACK, 0);
  EXPECT_EQ(warning(back, MAPPING_LINK_TOP), "") << "a front link is not a back link";
  add("rear2", DIRECTION_BACK, MAPPING_LINK_TOP);
  EXPECT_EQ(warning(back, MAPPING_LINK_TOP), "Back mapping rear2 is also linked to top");
  // Both sides share the side link.
  const int right = add("right", DIRECTION_RIGHT, 0);
  add("", DIRECTION_LEFT, MAPPING_LINK_TOP);
  EXPECT_EQ(warning(right, MAPPING_LINK_TOP), "Side mapping unnamed mapping is also linked to top");
  const int top = add("roof", DIRECTION_TOP, 0);
  EXPECT_EQ(warning(top, MAPPING_LINK_SIDE), "");
  add("roof2", DIRECTION_TOP, MAPPING_LINK_FRONT);
  EXPECT_EQ(warning(top, MAPPING_LINK_SIDE), "");
  EXPECT_EQ(warning(top, MAPPING_LINK_FRONT), "Top mapping roof2 also uses this link");
  EXPECT_EQ(warning(right, MAPPING_LINK_BACK), "") << "a link its kind does not take warns of nothing";
  EXPECT_EQ(warning(add("floor", DIRECTION_UNDER, 0), MAPPING_LINK_TOP), "");

  // The question itself carries the warning as its second line.
  SelectedMapping = 0;
  ClearInterface();
  FrameSkipped = 0;
  panel->prss.act(&panel->prss);
  FrameSkipped = 1;
  const InterfaceButton* link = FindShownButton("link with TOP");
  ASSERT_NE(link, nullptr);
  ClickButton(*link);
  ASSERT_TRUE(MessageBoxDialog.prss.alive);
  EXPECT_STREQ(MessageBoxDialog.first, "Set selected mapping to link with a top mapping?");
  EXPECT_STREQ(MessageBoxDialog.second, "Front mapping m1 is also linked to top");
}

TEST_F(MappingToolTest, ViewsFromPointsAndDragBoxesFromPoints) {
  OpenTool();
  // Points 0 (0, 0, 0), 2 (1, 0, 0) and 6 (0, 0, 1) lie in the panel's plane y = 0.
  PickMappingPoint(*panel, 0);
  PickMappingPoint(*panel, 2);
  ASSERT_EQ(ViewFromPoints(*panel), 1);
  EXPECT_NE(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  EXPECT_EQ(DirectionPitch(uint32_t(CurrentViewCode())), 0) << "two points: an upright plane";
  TakeBox();
  PickMappingPoint(*panel, 6);
  EXPECT_EQ(panel->pointCount, 3);
  ASSERT_EQ(ViewFromPoints(*panel), 1);
  EXPECT_EQ(CurrentViewCode(), int32_t(DIRECTION_BACK)) << "the panel's plane seen from behind";
  EXPECT_EQ(TakeBox(), "pitch -0.00 heading 0.00");
  PickMappingPoint(*panel, 6);
  EXPECT_EQ(panel->pointCount, 2) << "a second click unpicks";
  PickMappingPoint(*panel, 0);
  ASSERT_EQ(panel->pointCount, 1);
  EXPECT_EQ(panel->points[0], 2) << "the later picks move up";
  PickMappingPoint(*panel, 2);
  PickMappingPoint(*panel, 0);
  PickMappingPoint(*panel, 2);
  ASSERT_EQ(panel->pointCount, 2);
  FrontView();
  ASSERT_EQ(DragBoxFromPoints(*panel), 1);
  EXPECT_EQ(EditViews.dragBox.state, DRAG_BOX_DONE);
  EXPECT_EQ(EditViews.dragBox.worldCorners[1][0], Metres(1));
  // The drag box is copied and pasted into the opposite view.
  CopyDragBox(*panel);
  EditViews.dragBox.state = DRAG_BOX_NONE;
  SelectEditView(VIEW_BACK);
  ASSERT_EQ(PasteDragBox(*panel), 1);
  EXPECT_EQ(EditViews.dragBox.code, int32_t(DIRECTION_BACK));
  SelectEditView(VIEW_TOP);
  EXPECT_EQ(PasteDragBox(*panel), 0);
}

TEST_F(MappingToolTest, HandleDragsMoveSizeAndCancelLeavingTheHistory) {
  OpenTool();
  // In the plane of a front mapping (right -x, up +z), 2 x 1 at (0, 0, 0.5).
  ModelMapping start = model.mappings[0];
  start.width = Metres(2), start.height = Metres(1);
  start.offset[0] = 0, start.offset[1] = 0, start.offset[2] = Metres(0.5);
  ModelMapping m = start;
  // The lower-left corner (at x = +1) dragged past the opposite corner gives a negative width.
  int32_t p[3];
  GetMappingHandlePoint(start, 0, p);
  EXPECT_EQ(p[0], Metres(1));
  p[0] = -Metres(2);
  DragMappingHandleTo(m, start, 0, p);
  EXPECT_EQ(m.width, -Metres(1));
  EXPECT_EQ(m.offset[0], -Metres(1.5));
  EXPECT_EQ(m.height, Metres(1));
  // An edge handle changes only its size.
  m = start;
  GetMappingHandlePoint(start, 5, p);
  p[0] += Metres(5), p[2] += Metres(0.5);
  DragMappingHandleTo(m, start, 5, p);
  EXPECT_EQ(m.width, Metres(2));
  EXPECT_EQ(m.height, Metres(1.5));
  EXPECT_EQ(m.offset[2], Metres(0.75));
  EXPECT_EQ(m.offset[0], 0) << "the sideways part of the pointer's move is dropped";
  // The lower edge likewise, and the side edges drop the upward part.
  m = start;
  GetMappingHandlePoint(start, 4, p);
  p[0] -= Metres(3), p[2] -= Metres(0.5);
  DragMappingHandleTo(m, start, 4, p);
  EXPECT_EQ(m.width, Metres(2));
  EXPECT_EQ(m.height, Metres(1.5));
  EXPECT_EQ(m.offset[0], 0);
  EXPECT_EQ(m.offset[2], Metres(0.25));
  m = start;
  GetMappingHandlePoint(start, 7, p);
  p[0] += Metres(1), p[2] += Metres(4);
  DragMappingHandleTo(m, start, 7, p);
  EXPECT_EQ(m.height, Metres(1));
  EXPECT_EQ(m.width, Metres(3));
  EXPECT_EQ(m.offset[2], Metres(0.5));
  // A central mapping's opposite handle mirrors the move: the centre stays on the line.
  m = start;
  m.flags = MAPPING_CENTRAL;
  ModelMapping centralStart = m;
  GetMappingHandlePoint(centralStart, 6, p);
  p[0] -= Metres(0.5);
  DragMappingHandleTo(m, centralStart, 6, p);
  EXPECT_EQ(m.offset[0], 0);
  EXPECT_EQ(m.width, Metres(3));
  // The centre handle moves in the plane only.
  m = start;
  GetMappingHandlePoint(start, 8, p);
  p[1] += Metres(3), p[2] += Metres(1);
  DragMappingHandleTo(m, start, 8, p);
  EXPECT_EQ(m.offset[1], 0);
  EXPECT_EQ(m.offset[2], Metres(1.5));

  // A drag through the tool in the front view, then a right press: model and history as before.
  FrontView();
  SelectedMapping = 0;
  AddUndoPoint("earlier edit", 0, 0, 0);
  const auto before = Bytes();
  const int nodes = ModellerUndo.count;
  int32_t corner[3];
  GetMappingCorner(*modeller, 0, corner, 1);
  ASSERT_EQ(StartMappingHandleDrag(*panel, 1, PixelX(corner[0] / 65536.0), PixelY(corner[2] / 65536.0)), 1);
  EXPECT_EQ(ModellerUndo.count, nodes + 1);
  MoveMappingHandleDrag(*panel, PixelX(corner[0] / 65536.0) - 64, PixelY(corner[2] / 65536.0));
  EXPECT_NE(Bytes(), before);
  MouseRecord right{};
  right.clickCode = CLICK_RIGHT;
  Mouse(right);
  EXPECT_EQ(panel->dragHandle, -1);
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(ModellerUndo.count, nodes);
  EXPECT_STREQ(ModellerUndo.nodes[nodes].name, "earlier edit") << "the earlier edit is the live state again";
  // A drag that recorded nothing (a merge) drops no node when cancelled.
  panel->dragHandle = 1;
  panel->dragStart = model.mappings[0];
  panel->dragRecorded = 0;
  CancelMappingHandleDrag(*panel);
  EXPECT_EQ(ModellerUndo.count, nodes);
}

// The roll handle sets the roll by the pointer's angle round the mapping's centre on the
// screen (x right, y down): a quarter turn from where the drag began, +90 degrees, takes
// 90 x 4 = 360 quarter degrees off the starting roll.
TEST_F(MappingToolTest, TheRollHandleTakesThePointersTurnRoundTheCentreOffTheRoll) {
  OpenTool();
  FrontView();
  SelectedMapping = 0;
  model.mappings[0].width = Metres(2), model.mappings[0].height = Metres(1);
  const int startRoll = DirectionRoll(model.mappings[0].direction);
  int32_t centre[3];
  GetMappingHandlePoint(model.mappings[0], MAPPING_HANDLE_CENTRE, centre);
  float cx = 0, cy = 0;
  int32_t depth = 0;
  ASSERT_EQ(ProjectPointToScreen(centre, &cx, &cy, &depth), 1);
  // Taken 80 pixels right of the centre (angle 0), carried to 80 pixels below it (angle +90).
  const int x0 = int(std::lround(cx)) + 80, y0 = int(std::lround(cy));
  const int x1 = int(std::lround(cx)), y1 = int(std::lround(cy)) + 80;
  ASSERT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_ROLL, x0, y0), 1);
  MoveMappingHandleDrag(*panel, x1, y1);
  int want = startRoll - 360;
  if (want < -720) want += 1440;
  EXPECT_NEAR(DirectionRoll(model.mappings[0].direction), want, 2) << "from " << startRoll;
  CancelMappingHandleDrag(*panel);
}

TEST_F(MappingToolTest, ASubobjectsRollHandleTurnsRoundItsMappingWhereTheSubobjectStands) {
  Open();
  ModelObject& sub = model.children[0];
  ASSERT_GT(sub.mappingCount, 0);
  sub.offset[0] = Metres(1.5), sub.offset[1] = 0, sub.offset[2] = Metres(0.25);
  SelectSubobject(*modeller, 0, &sub);
  ASSERT_EQ(EditedObject, &sub);
  Key('M', true);
  panel = ActiveMappingPanel;
  ASSERT_NE(panel, nullptr);
  FrontView();
  SelectedMapping = 0;
  sub.mappings[0].width = Metres(2), sub.mappings[0].height = Metres(1);
  sub.mappings[0].flags = 0;
  const int startRoll = DirectionRoll(sub.mappings[0].direction);
  int32_t centre[3];
  GetMappingHandlePoint(sub.mappings[0], MAPPING_HANDLE_CENTRE, centre);
  for (int i = 0; i < 3; ++i) centre[i] += sub.offset[i];
  float cx = 0, cy = 0;
  int32_t depth = 0;
  ASSERT_EQ(ProjectPointToScreen(centre, &cx, &cy, &depth), 1);
  // Taken 80 pixels above the mapping's centre in the world (angle -90), carried to 80 pixels
  // right of it (angle 0): a quarter turn.
  const int x0 = int(std::lround(cx)), y0 = int(std::lround(cy)) - 80;
  const int x1 = int(std::lround(cx)) + 80, y1 = int(std::lround(cy));
  ASSERT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_ROLL, x0, y0), 1);
  MoveMappingHandleDrag(*panel, x1, y1);
  int want = startRoll - 360;
  if (want < -720) want += 1440;
  EXPECT_NEAR(DirectionRoll(sub.mappings[0].direction), want, 2) << "from " << startRoll;
  CancelMappingHandleDrag(*panel);
}

TEST_F(MappingToolTest, ASubobjectsDragBoxFromPointsTakesEachAxisOfItsOwnOffset) {
  Open();
  ModelObject& sub = model.children[0];
  ASSERT_GE(sub.pointCount, 3);
  // Points 0 (0, 0, 0) and 2 (0.5, 0.25, 0.5), the subobject standing at (1, 2, 0.5): every axis
  // of the offset differs, so each corner must take its own.
  sub.points[2].y = Metres(0.25);
  sub.offset[0] = Metres(1), sub.offset[1] = Metres(2), sub.offset[2] = Metres(0.5);
  SelectSubobject(*modeller, 0, &sub);
  ASSERT_EQ(EditedObject, &sub);
  Key('M', true);
  panel = ActiveMappingPanel;
  ASSERT_NE(panel, nullptr);
  EditViews.dragBox = DragBox{};
  PickMappingPoint(*panel, 0);
  PickMappingPoint(*panel, 2);
  FrontView();
  ASSERT_EQ(DragBoxFromPoints(*panel), 1);
  EXPECT_EQ(EditViews.dragBox.state, DRAG_BOX_DONE);
  // Each corner is its point plus the offset: (0 + 1, 0 + 2, 0 + 0.5) and (0.5 + 1, 0.25 + 2, 0.5 + 0.5).
  const int32_t want[2][3] = {{Metres(1), Metres(2), Metres(0.5)}, {Metres(1.5), Metres(2.25), Metres(1)}};
  for (int c = 0; c < 2; ++c)
    for (int r = 0; r < 3; ++r) EXPECT_EQ(EditViews.dragBox.worldCorners[c][r], want[c][r]) << c << " " << r;
}

TEST_F(MappingToolTest, KeysOfTheTool) {
  OpenTool();
  SelectedMapping = 1;
  CtrlKey('D');
  EXPECT_EQ(model.mappingCount, 3);
  CancelTextEntry();
  Frame();
  Key(KEYCODE_DELETE);
  EXPECT_EQ(model.mappingCount, 2) << "the unused copy goes";
  g_sounds.clear();
  Key(KEYCODE_DELETE);
  EXPECT_EQ(g_sounds, std::vector<int>{3}) << "nothing selected";
  SelectedMapping = 0;
  MappingPanelSelection = 1;
  Key(27);
  EXPECT_EQ(MappingPanelSelection, -1) << "Escape clears the armed slot first";
  Key('C');
  EXPECT_EQ(SelectedMapping, -1);
  Key('C', true);
  EXPECT_EQ(modeller->state.mode, ModeTextureCutout) << "Shift+C goes to the modeller";
}

// ---- the screenshot's checks ----

TEST_F(MappingToolTest, TheScreenshotIsRefusedInOrderAndTakenAt1280By960) {
  OpenTool();
  ScreenWidth = 1280, ScreenHeight = 960;
  SelectEditView(VIEW_FRONT);
  FrameEditView(4 << 16, 1 << 15);
  SetEditViewProjection(0);
  ModelMapping& m = model.mappings[0];
  SelectedMapping = 0;
  m.direction = 0xFFFFFFFFu;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "not a directional mapping");
  m.direction = DIRECTION_BACK;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "wrong view direction");
  m.direction = DIRECTION_FRONT;
  m.width = -m.width;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "width is zero or negative") << "though it maps";
  m.width = -m.width;
  const int32_t width = m.width, height = m.height;
  m.width = 0;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "width is zero or negative");
  m.width = width;
  m.height = 0;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "height is zero or negative");
  m.height = -height;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "height is zero or negative");
  m.height = height;
  m.offset[0] = Metres(40);
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "part of the mapping is off screen");
  m.offset[0] = 0;
  ScreenWidth = 1279;
  EXPECT_STREQ(CheckMappingScreenshot(*modeller, m), "window size must be at least 1280x960");
  ScreenWidth = 1280;
  EXPECT_EQ(CheckMappingScreenshot(*modeller, m), nullptr);
  m.direction = DIRECTION_FRONT | 0x00200000u;
  SetCurrentViewCode(int32_t(DIRECTION_FRONT));
  RequestMappingScreenshot(panel, CLICK_LEFT, 0);
  EXPECT_EQ(MappingScreenshotRequested, 1);
  EXPECT_EQ(EditViewState >> 21, 1u) << "the view takes the mapping's roll while pending";
  const auto before = Bytes();
  Frame();
  EXPECT_EQ(Bytes(), before) << "the tool does nothing while the shot is pending";
  MappingScreenshotRequested = 0;
  EditViewState &= 0x1FFFFF;
  // The size switch is the editor option's bit 6.
  RequestMappingScreenshot(panel, CLICK_LEFT, 1);
  EXPECT_EQ(MappingSkinSize(), 1024);
  RequestMappingScreenshot(panel, CLICK_LEFT, 2);
  EXPECT_EQ(MappingSkinSize(), 2048);
  m.direction = DIRECTION_BACK;
  RequestMappingScreenshot(panel, CLICK_LEFT, 0);
  EXPECT_EQ(TakeBox(), "Can't take screenshot - wrong view direction");
  EXPECT_EQ(MappingScreenshotRequested, 0);
}

// The copy answers 1 only when the picture reached the clipboard: with no modeller open, or
// with no mapping of the edited object selected (none, or one past the panel's two), it
// answers 0 and says nothing.
TEST_F(MappingToolTest, TheCopyToTheClipboardNeedsAnOpenModellerAndASelectedMapping) {
  ASSERT_EQ(ActiveModeller, nullptr);
  SelectedMapping = 0;
  EXPECT_EQ(CopyMappingToClipboard(), 0) << "no modeller open";
  OpenTool();
  ASSERT_EQ(ActiveModeller, modeller);
  ASSERT_EQ(EditedObject->mappingCount, 2);
  SelectedMapping = -1;
  EXPECT_EQ(CopyMappingToClipboard(), 0) << "no mapping selected";
  SelectedMapping = 2;
  EXPECT_EQ(CopyMappingToClipboard(), 0) << "one past the last mapping";
  EXPECT_FALSE(Said("Copied to clipboard"));
  EXPECT_EQ(TakeBox(), "");
}

TEST(MappingScreenshot, TheAreaAverageWeighsCoveredFractions) {
  // A 4 x 2 picture of columns 0, 100, 200, 40 to 3 x 1: thirds of columns mix.
  std::vector<uint8_t> src(4 * 2 * 4, 255);
  const uint8_t values[4] = {0, 100, 200, 40};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) src[size_t(y * 4 + x) * 4] = values[x];
  uint8_t out[3 * 4];
  AreaAverageRect(src.data(), 16, 0, 0, 4, 2, 3, 1, out);
  EXPECT_EQ(out[0], 25);   // (0 x 1 + 100 x 1/3) / (4/3)
  EXPECT_EQ(out[4], 150);  // (100 x 2/3 + 200 x 2/3) / (4/3)
  EXPECT_EQ(out[8], 80);   // (200 x 1/3 + 40) / (4/3)
  EXPECT_EQ(out[3], 255);
  // A sub-rectangle at an offset, same size: a copy.
  AreaAverageRect(src.data(), 16, 1, 1, 2, 1, 2, 1, out);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[4], 200);
  // The same four values down a column of one pixel, to three rows: thirds of rows mix alike.
  std::vector<uint8_t> column(4 * 4, 255);
  for (int y = 0; y < 4; ++y) column[size_t(y) * 4] = values[y];
  uint8_t down[3 * 4];
  AreaAverageRect(column.data(), 4, 0, 0, 1, 4, 1, 3, down);
  EXPECT_EQ(down[0], 25);
  EXPECT_EQ(down[4], 150);
  EXPECT_EQ(down[8], 80);
}

// ---- the modeller's overlay, on the null device ----

namespace {
class OverlayOnDevice : public OnNullDevice<ModellerTest> {
 protected:
  // The lines of the trace's colour the overlay draws.
  size_t TraceLines() {
    constexpr uint32_t TRACE_COLOUR = 0xFFFFA040u;
    return LinesOf(TRACE_COLOUR);
  }
  // The lines of one colour the overlay draws.
  size_t LinesOf(uint32_t colour) {
    size_t count = 0;
    if (BeginLineBatch3D() != 1) {
      ADD_FAILURE() << "no line batch";
      return count;
    }
    const uint8_t* start = StreamLines3D.vertexWrite;
    DrawEditedObjectOverlay(*modeller);
    const VertexLine3D* v = reinterpret_cast<const VertexLine3D*>(start);
    for (uint32_t i = 0; i + 1 < StreamLines3D.vertexCount; i += 2) count += v[i].colour == colour;
    EndLineBatch3D();
    return count;
  }
  // Points 0.. traced and selected, in order.
  void Trace(int count) {
    for (int p = 0; p < model.pointCount; ++p) model.points[p].flags &= uint8_t(~POINT_SELECTED);
    for (int i = 0; i < count; ++i) {
      model.points[i].flags |= POINT_SELECTED;
      modeller->state.trace[i] = uint16_t(i);
    }
    modeller->state.traceCount = count;
    modeller->state.selectedPointCount = count;
  }
};
}  // namespace

// The trace's lines join its points in order; a closed trace of three points or more also
// joins the last to the first.
TEST_F(OverlayOnDevice, TheTraceJoinsItsPointsInOrderAndClosesFromThree) {
  ASSERT_TRUE(NullDevice::ready_);
  Open();
  Key('P', true);
  ASSERT_GE(model.pointCount, 3);
  modeller->traceMode = TRACE_INCLUDING;
  modeller->traceClosed = 0;
  Trace(3);
  EXPECT_EQ(TraceLines(), 2u) << "0-1, 1-2";
  modeller->traceClosed = 1;
  EXPECT_EQ(TraceLines(), 3u) << "and 2-0";
  Trace(2);
  EXPECT_EQ(TraceLines(), 1u) << "two points are one line, closed or not";
  modeller->traceClosed = 0;
  EXPECT_EQ(TraceLines(), 1u);
}

// With the triangle buttons on, triangle mode outlines the current triangle (its three edges
// in the selection's red) only while at least one triangle is selected.
TEST_F(OverlayOnDevice, WithTriangleButtonsTheCurrentTriangleIsOutlinedOnlyWithASelection) {
  ASSERT_TRUE(NullDevice::ready_);
  Open();
  Key('T', true);
  constexpr uint32_t SELECTED_RED = 0xFFFF2020u;
  modeller->triangleButtons = 1;
  modeller->state.currentTriangle = 0;
  modeller->state.selectedTriangleCount = 0;
  EXPECT_EQ(LinesOf(SELECTED_RED), 0u) << "none selected";
  modeller->state.selectedTriangleCount = 1;
  EXPECT_EQ(LinesOf(SELECTED_RED), 3u) << "one selected";
}

// The model box from (-1, -1, 0) to (1, 1, 1) m is drawn as its twelve edges: four along
// each axis, 4 x 2 + 4 x 2 + 4 x 1 = 20 m of lines in all.
TEST_F(OverlayOnDevice, TheModelBoxIsDrawnAsItsTwelveEdges) {
  ASSERT_TRUE(NullDevice::ready_);
  Open();
  constexpr uint32_t BOX_EDGE = 0xFF40C0FFu;
  const ModellerBox savedBox = ModelBox;
  const auto savedShown = ObjectEditorShared.modellerBox;
  ModelBox = ModellerBox{{{-(1 << 16), -(1 << 16), 0}, {1 << 16, 1 << 16, 1 << 16}}, 1};
  ObjectEditorShared.modellerBox = 1;
  ASSERT_EQ(BeginLineBatch3D(), 1);
  const uint8_t* start = StreamLines3D.vertexWrite;
  DrawModelBoxHandles(*modeller);
  const VertexLine3D* v = reinterpret_cast<const VertexLine3D*>(start);
  int edges = 0;
  double length = 0;
  for (uint32_t i = 0; i + 1 < StreamLines3D.vertexCount; i += 2)
    if (v[i].colour == BOX_EDGE) {
      ++edges;
      length += std::hypot(v[i + 1].x - v[i].x, v[i + 1].y - v[i].y, v[i + 1].z - v[i].z);
    }
  EndLineBatch3D();
  EXPECT_EQ(edges, 12);
  EXPECT_NEAR(length, 20.0, 1e-4);
  ModelBox = savedBox;
  ObjectEditorShared.modellerBox = savedShown;
}

// ---- buttons, perspective drags, files ----

namespace {
class MappingButtonsTest : public MappingToolTest {
 protected:
  static void Buttons(Prss* screen) {
    ClearInterface();
    FrameSkipped = 0;
    screen->act(screen);
    FrameSkipped = 1;
  }
  static bool Shown(const char* label) { return FindShownButton(label) != nullptr; }
};
}  // namespace

// With the object points shown, the row under them follows the picked points and the view: in
// the perspective view one point is only counted, two offer a horizon view and three a free
// view; in a 2D view two points offer a drag box.
TEST_F(MappingButtonsTest, ThePickedPointsRowOffersAViewFromTwoOrThreePointsAndABoxFromTwo) {
  OpenTool();
  SelectedMapping = 0;  // the rows under a selected mapping
  panel->flags |= MAPPING_SHOW_POINTS;
  SelectEditView(VIEW_PERSPECTIVE);
  ASSERT_EQ(EditViews.width, 0);
  PickMappingPoint(*panel, 0);
  ASSERT_EQ(panel->pointCount, 1);
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("1 selected"));
  EXPECT_FALSE(Shown("2 points - enter horizon view"));
  PickMappingPoint(*panel, 2);
  ASSERT_EQ(panel->pointCount, 2);
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("2 points - enter horizon view"));
  EXPECT_FALSE(Shown("2 selected"));
  PickMappingPoint(*panel, 6);
  ASSERT_EQ(panel->pointCount, 3);
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("3 points - enter free view"));
  PickMappingPoint(*panel, 6);  // unpicked: two again
  FrontView();
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("make box from points"));
  EXPECT_FALSE(Shown("2 points - enter horizon view"));
}

TEST_F(MappingButtonsTest, TheButtonsFollowTheSelectionAndTheDragBox) {
  OpenTool();
  FrontView();
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("mappings : 2"));
  EXPECT_TRUE(Shown("m0"));
  EXPECT_TRUE(Shown("Front"));
  EXPECT_FALSE(Shown("NEW mapping")) << "no drag box yet";
  EXPECT_TRUE(Shown("show object points"));
  Box(-0.5, 0.25, 0.5, 0.75);
  Buttons(&panel->prss);
  const InterfaceButton* add = FindShownButton("NEW mapping");
  ASSERT_NE(add, nullptr);
  ClickButton(*add);
  EXPECT_EQ(model.mappingCount, 3);
  CancelTextEntry();
  Frame();
  // The selected mapping's rows: it is unused, so it may be deleted, and no shot is offered.
  ASSERT_EQ(SelectedMapping, 2);
  Buttons(&panel->prss);
  for (const char* label : {"delete", "clear", "skin size", "1024", "2048", "move in list", "UP", "DN", "ADJUST", "DUP",
                            "NEW", "copy mapping", "copy drag box", "link with TOP", "central", "use mapping's view",
                            "cutout name", "W : 1.000", "H : 0.500"})
    EXPECT_TRUE(Shown(label)) << label;
  // Each size button sets its own size and is lit while that is the size.
  const int savedSize = MappingSkinSize();
  for (const int size : {2048, 1024}) {
    const std::string label = std::to_string(size), other = std::to_string(3072 - size);
    ASSERT_NE(FindShownButton(label.c_str()), nullptr) << label;
    ClickButton(*FindShownButton(label.c_str()));
    EXPECT_EQ(MappingSkinSize(), size);
    Buttons(&panel->prss);
    EXPECT_EQ(FindShownButton(label.c_str())->fourth.i, 1) << label;
    EXPECT_EQ(FindShownButton(other.c_str())->fourth.i, 0) << other;
  }
  RequestMappingScreenshot(panel, CLICK_LEFT, savedSize == 1024 ? 1 : 2);
  for (const char* action : {"use mapping's view", "copy mapping", "copy drag box", "NEW", "DUP", "UP", "DN"}) {
    const InterfaceButton* b = FindShownButton(action);
    ASSERT_NE(b, nullptr) << action;
    EXPECT_EQ(b->fourth.i, 0) << action << " is no switch";
  }
  EXPECT_FALSE(Shown("copy screen shot"));
  EXPECT_TRUE(Shown("not reflectable (maps both sides)"));
  SelectedMapping = 0;
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("copy screen shot")) << "a used mapping";
  EXPECT_FALSE(Shown("delete"));
  // A central mapping's status holds its heading, pitch and X.
  model.mappings[0].flags = MAPPING_CENTRAL;
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("[central]"));
  ASSERT_NE(FindShownButton("heading 180.00"), nullptr);
  EXPECT_EQ(FindShownButton("heading 180.00")->handler, nullptr);
  EXPECT_EQ(FindShownButton("X : 0.000")->handler, nullptr);
  EXPECT_NE(FindShownButton("Z : 0.000")->handler, nullptr);
  model.mappings[0].flags = 0;
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("rotate"));
  EXPECT_NE(FindShownButton("heading 180.00")->handler, nullptr);
  // A click on a row's main cutout arms its slot; a click in the cutout list assigns it.
  const InterfaceButton* slot = FindShownButton("c", "Click to choose the main cutout for this mapping");
  ASSERT_NE(slot, nullptr);
  ClickButton(*slot);
  EXPECT_EQ(MappingPanelSelection, 0);
}

TEST_F(MappingButtonsTest, TheValueButtonsTakeTypedSizesPositionsAndAngles) {
  OpenTool();
  FrontView();
  SelectedMapping = 0;
  model.mappings[0].flags = 0;
  ModelMapping& m = model.mappings[0];
  // The button showing the value (label and hint), clicked; the asked prompt; the typed answer.
  const auto typeInto = [&](const std::string& label, const char* hint, const char* prompt, const char* typed) {
    Buttons(&panel->prss);
    const InterfaceButton* b = FindShownButton(label.c_str(), hint);
    ASSERT_NE(b, nullptr) << label;
    ClickButton(*b);
    ASSERT_EQ(OpenTextEntry.open, 1) << label;
    EXPECT_EQ(std::string(OpenTextEntry.prompt).rfind(prompt, 0), 0u) << OpenTextEntry.prompt;
    ASSERT_EQ(ConfirmTextEntry(typed), 1);
    Frame();
  };
  const auto shown = [](const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return std::string(text);
  };
  typeInto(shown("W : %.3f", m.width / 65536.0), "Width of the mapping", "Enter new value for width", "2.5");
  EXPECT_EQ(m.width, 163840) << "2.5 x 65536";
  typeInto(shown("H : %.3f", m.height / 65536.0), "Height of the mapping", "Enter new value for height", "-0.75");
  EXPECT_EQ(m.height, -49152);
  typeInto(shown("Z : %.3f", m.offset[2] / 65536.0), "Up (Z) value of the mapping", "Enter new value for up", "1.25");
  EXPECT_EQ(m.offset[2], 81920);
  // Angles in degrees, kept in quarter degrees.
  typeInto(shown("heading %.2f", DirectionHeading(m.direction) / 4.0), "Heading of the mapping",
           "Enter new value for heading", "30");
  EXPECT_EQ(DirectionHeading(m.direction), 120);
  typeInto(shown("pitch %.2f", DirectionPitch(m.direction) / 4.0), "Pitch of the mapping", "Enter new value for pitch",
           "-12.5");
  EXPECT_EQ(DirectionPitch(m.direction), -50);
  typeInto(shown("roll %.2f", DirectionRoll(m.direction) / 4.0), "Roll of the mapping", "Enter new value for roll", "45");
  EXPECT_EQ(DirectionRoll(m.direction), 180);
  EXPECT_EQ(DirectionHeading(m.direction), 120) << "the other angles stay";
  // Ctrl with the right button copies a value, Shift with it pastes the copy into another.
  const auto click = [&](const std::string& label, const char* hint, int code) {
    Buttons(&panel->prss);
    const InterfaceButton* b = FindShownButton(label.c_str(), hint);
    ASSERT_NE(b, nullptr) << label;
    ClickButton(*b, code);
    Frame();
  };
  click(shown("Z : %.3f", m.offset[2] / 65536.0), "Up (Z) value of the mapping", CLICK_RIGHT | CLICK_CTRL);
  click(shown("X : %.3f", m.offset[0] / 65536.0), "Right (X) value of the mapping", CLICK_RIGHT | CLICK_SHIFT);
  EXPECT_EQ(m.offset[0], 81920) << "Z pasted into X";
  click(shown("W : %.3f", m.width / 65536.0), "Width of the mapping", CLICK_RIGHT | CLICK_CTRL);
  click(shown("H : %.3f", m.height / 65536.0), "Height of the mapping", CLICK_RIGHT | CLICK_SHIFT);
  EXPECT_EQ(m.height, 163840) << "the width pasted into the height";
  // The heading, 30 degrees, pasted into the roll (as 30 x 32768 / 180 and back).
  click(shown("heading %.2f", DirectionHeading(m.direction) / 4.0), "Heading of the mapping", CLICK_RIGHT | CLICK_CTRL);
  click(shown("roll %.2f", DirectionRoll(m.direction) / 4.0), "Roll of the mapping", CLICK_RIGHT | CLICK_SHIFT);
  EXPECT_EQ(DirectionRoll(m.direction), 120);
  // The steps beside a value: a left click 1 mm (66 units) or 1 degree (4 quarters), a right
  // click 1 cm (655 units) or 5 degrees (20 quarters).
  click("+", "Up (Z) value of the mapping", CLICK_LEFT);
  EXPECT_EQ(m.offset[2], 81920 + 66);
  click("-", "Up (Z) value of the mapping", CLICK_RIGHT);
  EXPECT_EQ(m.offset[2], 81920 + 66 - 655);
  click("+", "Pitch of the mapping", CLICK_LEFT);
  EXPECT_EQ(DirectionPitch(m.direction), -50 + 4);
  click("-", "Heading of the mapping", CLICK_RIGHT);
  EXPECT_EQ(DirectionHeading(m.direction), 120 - 20);
}

TEST_F(MappingToolTest, PerspectiveDragsStayInTheMappingsPlane) {
  float x = 0, y = 0;
  const bool seen = MappingCentreOnScreen(&x, &y);
  ASSERT_EQ(EditViews.width, 0) << "the perspective view";
  if (!seen) GTEST_SKIP() << "the default camera does not see the mapping";
  const ModelMapping before = model.mappings[0];
  if (!StartMappingHandleDrag(*panel, MAPPING_HANDLE_CENTRE, int(x), int(y)))
    GTEST_SKIP() << "the default camera looks along the mapping's plane";
  MoveMappingHandleDrag(*panel, int(x) + 30, int(y) - 20);
  EndMappingHandleDrag(*panel);
  const ModelMapping& m = model.mappings[0];
  EXPECT_EQ(m.offset[1], before.offset[1]) << "a front mapping's depth stays";
  EXPECT_TRUE(m.offset[0] != before.offset[0] || m.offset[2] != before.offset[2]);
  EXPECT_EQ(m.width, before.width);
  // The camera in the plane: no drag.
  model.mappings[0].offset[1] = CurrentView->position[1];
  EXPECT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_CENTRE, int(x), int(y)), 0);
}

// A pointer ray that grazes the mapping's plane meets it far off; the farther the camera
// from the plane, the steeper the ray must be: its cosine with the plane's normal at least
// the camera's distance / 4096 (and never under 1/1024).
TEST_F(MappingToolTest, PerspectiveDragsRefuseARayGrazingADistantPlane) {
  float fx = 0, fy = 0;
  const bool seen = MappingCentreOnScreen(&fx, &fy);
  ASSERT_EQ(EditViews.width, 0) << "the perspective view";
  if (!seen) GTEST_SKIP() << "the default camera does not see the mapping";
  const int x = int(fx), y = int(fy);
  float ray[3];
  ASSERT_EQ(PickFromMouseAt(x, y, ray), 1);
  const double d[3] = {ray[0], ray[1], ray[2]};

  // Turn the mapping (quarter degrees) until the ray's cosine with its normal is about 0.005.
  ModelMapping& m = model.mappings[0];
  double n[3] = {}, along = 0;
  bool found = false;
  for (int pitch = -40; pitch <= 40 && !found; ++pitch) {
    for (int heading = -720; heading < 720 && !found; ++heading) {
      m.direction = PackDirection(heading, pitch, 0);
      FixedMatrix matrix;
      m.DirectionMatrix(matrix);
      for (int r = 0; r < 3; ++r) n[r] = matrix.m[3 * r + 1] / 65536.0;
      along = n[0] * d[0] + n[1] * d[1] + n[2] * d[2];
      found = std::fabs(along) > 0.0045 && std::fabs(along) < 0.0055;
    }
  }
  ASSERT_TRUE(found);
  const double eye[3] = {CurrentView->position[0] / 65536.0, CurrentView->position[1] / 65536.0,
                         CurrentView->position[2] / 65536.0};
  // Moves the mapping so that its centre lies `metres` from the eye along the normal, on the
  // side the ray heads toward.
  const auto placeAt = [&](double metres) {
    const double side = along > 0 ? metres : -metres;
    int32_t at[3];
    GetMappingHandlePoint(m, MAPPING_HANDLE_CENTRE, at);
    for (int r = 0; r < 3; ++r)
      m.offset[r] += int32_t(std::lround((eye[r] + n[r] * side) * 65536.0)) - at[r];
  };

  // 100 m off: 100 / 4096 = 0.0244 > 0.005, refused.
  placeAt(100.0);
  EXPECT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_CENTRE, x, y), 0);
  // 10 m off: 10 / 4096 = 0.00244 < 0.005, taken; the ray meets the plane 10 / 0.005 = 2 km
  // along it (to half a metre: the 16.16 offset and turn place the plane to some 1e-4 m).
  placeAt(10.0);
  ASSERT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_CENTRE, x, y), 1);
  const double k = 10.0 / std::fabs(along);
  for (int r = 0; r < 3; ++r) EXPECT_NEAR(panel->dragPoint[r] / 65536.0, eye[r] + d[r] * k, 0.5) << r;
  EndMappingHandleDrag(*panel);
}

TEST_F(MappingToolTest, EditsAreSavedAndReadBackToTheSameBytes) {
  OpenTool();
  FrontView();
  Box(-0.5, 0.25, 1.5, 1.25);
  ASSERT_EQ(AddMappingFromDragBox(*panel), 1);
  CancelTextEntry();
  Frame();
  ASSERT_EQ(SetMappingAngle(*panel, 2, 2, 12.5), 1);
  model.cutouts[0].orientation = 5;
  model.AddPage(nullptr);
  ASSERT_EQ(SaveModelFile(model, nullptr, "texmap.qxe", 1), 1);
  ModelObject back{};
  back.Init();
  ASSERT_EQ(LoadModelFile(back, nullptr, "texmap.qxe", 1, nullptr), 1);
  EXPECT_EQ(ModelRecordBytes(back, 1, 1), Bytes());
  EXPECT_EQ(DirectionRoll(back.mappings[2].direction), 50);
  back.Free();
  std::remove("texmap.qxe");
}

TEST(MappingMarks, IndicesBeyondTheMarksAreIgnored) {
  ModelObject o{};
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 0, 1);
  b.mapping = 250;  // beyond the 240 marks: a damaged record
  b.Triangle(0, 1, 2);
  b.mapping = 0;
  b.Triangle(0, 2, 1);
  b.Into(o);
  uint8_t used[MAX_MODEL_MAPPINGS];
  MarkUsedMappings(o, used);
  EXPECT_EQ(used[0], 1);
  EXPECT_EQ(used[MAX_MODEL_MAPPINGS - 1], 0);
  o.Free();
}

namespace {
// The swatch buttons of the mapping list in row order.
std::vector<InterfaceButton> Swatches() {
  std::vector<InterfaceButton> found;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, "Diffuse colour - CTRL+RMB to copy / SHIFT+RMB to paste") == 0)
      found.push_back(InterfaceButtons[i]);
  return found;
}
bool ScrollsFirstRow(const MappingPanel& panel) {
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &panel.firstRow) return true;
  return false;
}
}  // namespace

TEST_F(MappingButtonsTest, SwatchesCopyAndPasteColoursAndLongListsScroll) {
  OpenTool();
  model.mappings[0].colour = 0x01203040u;  // flag byte 1
  model.mappings[1].colour = 0x02FFFFFFu;
  Buttons(&panel->prss);
  EXPECT_TRUE(Shown("col"));
  std::vector<InterfaceButton> swatches = Swatches();
  ASSERT_EQ(swatches.size(), 2u);
  EXPECT_EQ(swatches[0].colour, &model.mappings[0].colour) << "bound to the mapping's colour";
  EXPECT_FALSE(ScrollsFirstRow(*panel)) << "two mappings fit";
  // CTRL+right copies, SHIFT+right pastes the colour and keeps the receiver's flag byte.
  ClickButton(swatches[0], CLICK_RIGHT | CLICK_CTRL);
  const int nodes = ModellerUndo.count;
  Buttons(&panel->prss);
  ClickButton(Swatches()[1], CLICK_RIGHT | CLICK_SHIFT);
  EXPECT_EQ(model.mappings[1].colour, 0x02203040u);
  EXPECT_EQ(ModellerUndo.count, nodes + 1);
  Undo(0);
  EXPECT_EQ(model.mappings[1].colour, 0x02FFFFFFu);
  // More mappings than rows: a scroll bar over the list moves its first row.
  const int rows = std::max(8, ScreenHeight / ButtonHeight - 26);
  while (model.mappingCount <= rows + 2) model.AddMapping(nullptr);
  Buttons(&panel->prss);
  EXPECT_TRUE(ScrollsFirstRow(*panel));
  EXPECT_EQ(int(Swatches().size()), rows);
  // The bar stands just right of the rows: its left edge where the first row's last button
  // (the swatch, then any cutout columns, side by side) ends, in the screen's -1..1 across.
  const InterfaceButton first = Swatches()[0];
  int rowRight = first.right;
  for (bool grown = true; grown;) {
    grown = false;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.top == first.top && b.left == rowRight && b.right > rowRight) {
        rowRight = b.right;
        grown = true;
      }
    }
  }
  const double rowsRight = 2.0 * rowRight / ScreenWidth - 1.0;
  int bars = 0;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &panel->firstRow) {
      ++bars;
      EXPECT_NEAR(ValueControls[i].left, rowsRight, 1e-5) << "control " << i;
    }
  EXPECT_GT(bars, 0);
  // A selected mapping's rows under the list in a window of 25 rows: the list gives up rows
  // so that the last of them ends on the window.
  const int height = ScreenHeight;
  ScreenHeight = 25 * ButtonHeight;
  SelectedMapping = 0;
  Buttons(&panel->prss);
  EXPECT_LT(int(Swatches().size()), rows);
  EXPECT_GE(Swatches().size(), 3u);
  for (int i = 0; i < ButtonCount; ++i) EXPECT_LE(InterfaceButtons[i].bottom, ScreenHeight) << i;
  SelectedMapping = -1;
  ScreenHeight = height;
}

// The tool's rows as the widths of their buttons in button units (row_layout.h), worked out
// from the tool's plan: the list's name of 8 units, its view switch, direction and swatch, the
// two cutout columns of 6; the selected mapping's rows under the undo row.
TEST_F(MappingButtonsTest, TheToolsRowsHoldTheirButtonsAtTheirWidths) {
  OpenTool();
  FrontView();
  const MappingToolSettings saved = MappingTool;
  MappingTool.copiedBoxCode = -2;  // no drag box copied
  const auto at = [](const char* text) {
    const InterfaceButton* b = FindShownButton(text);
    EXPECT_NE(b, nullptr) << text;
    return b ? int(b - InterfaceButtons) : 0;
  };
  ASSERT_EQ(model.mappingCount, 2);
  MappingTool.showCutouts = 0;
  Buttons(&panel->prss);
  // The heading row (count, "dir", "col", the cutouts' switch), then a row a mapping.
  int list = at("mappings : 2");
  EXPECT_EQ(RowLayout(list, list + 4 + 2 * 4), "8 3 2 2 | 8 1 3 2 | 8 1 3 2");
  // No selection: the points' switch two rows under the undo row (with a drag box "NEW
  // mapping" takes the row between).
  const int show = at("show object points");
  EXPECT_EQ(RowLayout(show - 1), "12 |+1| 10") << "\"no changes\", then the switch";
  MappingTool.showCutouts = 1;
  Buttons(&panel->prss);
  list = at("mappings : 2");
  EXPECT_EQ(RowLayout(list, list + 6 + 2 * 6), "8 3 2 6 6 2 | 8 1 3 2 6 6 | 8 1 3 2 6 6")
      << "with the main and opposite cutouts";

  // A new mapping from a drag box, selected: its rows under the undo row (two counts of 2
  // units, undo and redo of 4), none over it.
  Box(-0.5, 0.25, 0.5, 0.75);
  Buttons(&panel->prss);
  ClickButton(*FindShownButton("NEW mapping"));
  CancelTextEntry();
  Frame();
  ASSERT_EQ(SelectedMapping, 2);
  Buttons(&panel->prss);
  const int first = at("delete") - 4;
  const int cutouts = at("cutout name");
  EXPECT_EQ(InterfaceButtons[cutouts].fourth.i, 0) << "the list's headings are never lit";
  EXPECT_EQ(InterfaceButtons[cutouts + 1].fourth.i, 0);
  EXPECT_EQ(RowLayout(first, cutouts),
            "2 4 4 2 | 8 4 4 3 3 | 6 2 2 | 4 3 3 | 8 | 8 | 8 | 4 3 12 | 8 | 1 6 1 | 1 6 1 | 1 6 1 | 8 | "
            "1 6 1 | 1 6 1 | 1 6 1 | 5 1 5 1 | 10 | 10");
  // The cutout list at the right edge, 12 units wide from the top: a row a cutout.
  std::string column = "6 6";
  for (int c = 0; c < model.cutoutCount; ++c) column += " | 6 6";
  EXPECT_EQ(RowLayout(cutouts, -1, ScreenWidth - 12 * ButtonWidth), column);
  EXPECT_EQ(InterfaceButtons[cutouts].top, 0);
  // A copied box of this view adds its paste beside the copy.
  MappingTool.copiedBoxCode = CurrentViewCode();
  Buttons(&panel->prss);
  EXPECT_EQ(RowLayout(at("copy drag box"), at("copy drag box") + 2), "8 8");
  MappingTool = saved;
}

TEST_F(MappingToolTest, ThePickedPointsShowTheirPlaneNormal) {
  OpenTool();
  int32_t from[3], tip[3];
  PickMappingPoint(*panel, 0);
  EXPECT_EQ(PickedPointsNormal(*panel, from, tip), 0) << "one point";
  PickMappingPoint(*panel, 2);
  PickMappingPoint(*panel, 6);
  ASSERT_EQ(PickedPointsNormal(*panel, from, tip), 1);
  // Points 0 (0, 0, 0), 2 (1, 0, 0) and 6 (0, 0, 1): the normal of the plane y = 0 a metre
  // long from the first point, pointing the way the "Back" view looks.
  EXPECT_EQ(tip[0] - from[0], 0);
  EXPECT_EQ(tip[1] - from[1], -65536);
  EXPECT_EQ(tip[2] - from[2], 0);
  // With exactly three points the third is taken, not a point a metre above the second:
  // point 6 moved to (0, 1, 1) tilts the plane; (1, 0, 0) x (0, 1, 1) = (0, -1, 1), a metre
  // long: 65536 / sqrt(2) = 46340.95 each way.
  model.points[6].y = 65536;
  ASSERT_EQ(PickedPointsNormal(*panel, from, tip), 1);
  EXPECT_EQ(tip[0] - from[0], 0);
  EXPECT_EQ(tip[1] - from[1], -46341);
  EXPECT_EQ(tip[2] - from[2], 46341);
  model.points[6].y = 0;
  // The plane moved to the far edge of the coordinates: the tip, a metre further out, stops
  // at the last position a point can have rather than wrapping to the other side.
  for (int p : {0, 2, 6}) model.points[p].y = INT32_MIN + 100;
  ASSERT_EQ(PickedPointsNormal(*panel, from, tip), 1);
  EXPECT_EQ(from[1], INT32_MIN + 100);
  EXPECT_EQ(tip[1], INT32_MIN);
  double n[3];
  const int32_t a[3] = {0, 0, 0}, b[3] = {65536, 0, 0};
  EXPECT_EQ(PlaneNormalFromPoints(a, b, b, n), 0) << "no plane through two equal points";
  // A plane across all three axes: a (0, 2, 0), b (1, 0, 0), t (0, 0, 1) metres.  With
  // u = t - b = (-1, 0, 1) and v = a - b = (-1, 2, 0), u x v = (0*0 - 1*2, 1*-1 - -1*0,
  // -1*2 - 0*-1) = (-2, -1, -2), of length 3.
  const int32_t across[3] = {0, 2 << 16, 0}, third[3] = {0, 0, 1 << 16};
  ASSERT_EQ(PlaneNormalFromPoints(across, b, third, n), 1);
  EXPECT_NEAR(n[0], -2.0 / 3, 1e-12);
  EXPECT_NEAR(n[1], -1.0 / 3, 1e-12);
  EXPECT_NEAR(n[2], -2.0 / 3, 1e-12);
}

TEST_F(MappingToolTest, SelectingAMappingOutsideTheListScrollsItIntoView) {
  OpenTool();
  // The list holds the screen's rows less 26, and never fewer than eight.
  const int rows = std::max(8, ScreenHeight / ButtonHeight - 26);
  while (model.mappingCount < rows + 4) model.AddMapping(nullptr);
  panel->firstRow = 0;
  SelectMapping(*panel, 0, rows - 1);
  EXPECT_EQ(panel->firstRow, 0) << "the last row is still in view";
  SelectMapping(*panel, 0, rows);
  EXPECT_EQ(panel->firstRow, 1) << "one below: the list moves by one";
  SelectMapping(*panel, 0, rows + 3);
  EXPECT_EQ(panel->firstRow, 4);
  SelectMapping(*panel, 0, 2);
  EXPECT_EQ(panel->firstRow, 2) << "above the list: it becomes the first row";
  SelectMapping(*panel, 0, 2);
  EXPECT_EQ(SelectedMapping, -1) << "a second click lets it go";
  EXPECT_EQ(panel->firstRow, 2);
}

// An object mapped while turned is shown unturned, and a plain note (not lit, nothing to
// click) says so; an object that was never turned has no note.
TEST_F(MappingButtonsTest, ATurnedObjectIsNotedAsUnturnedForTheMapping) {
  const char* note = "note: subobject temporarily unrotated for mapping alignment";
  OpenTool();
  Buttons(&panel->prss);
  EXPECT_FALSE(Shown(note));
  Key('S', true);
  Frame(2);
  ASSERT_EQ(ActiveMappingPanel, nullptr);
  model.angles[2] = 300;
  Key('M', true);
  panel = ActiveMappingPanel;
  ASSERT_NE(panel, nullptr);
  Buttons(&panel->prss);
  const InterfaceButton* shown = FindShownButton(note);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->fourth.i, 0) << "not lit";
  EXPECT_EQ(shown->handler, nullptr);
}

TEST_F(MappingButtonsTest, TheListsFirstRowIsHeldWithinTheList) {
  OpenTool();
  const int rows = std::max(8, ScreenHeight / ButtonHeight - 26);
  panel->firstRow = 5;
  Buttons(&panel->prss);
  EXPECT_EQ(panel->firstRow, 0) << "two mappings fit: no scrolling";
  while (model.mappingCount < rows + 4) model.AddMapping(nullptr);
  for (int i = 0; i < model.mappingCount; ++i) std::snprintf(model.mappings[i].name, CUTOUT_NAME_SIZE, "m%d", i);
  panel->firstRow = 100;
  Buttons(&panel->prss);
  EXPECT_EQ(panel->firstRow, 4) << "the last mapping on the last row";
  EXPECT_TRUE(Shown("m4"));
  EXPECT_FALSE(Shown("m3"));
  EXPECT_TRUE(Shown(("m" + std::to_string(rows + 3)).c_str()));
  panel->firstRow = -3;
  Buttons(&panel->prss);
  EXPECT_EQ(panel->firstRow, 0);
  EXPECT_TRUE(Shown("m0"));
  EXPECT_FALSE(Shown(("m" + std::to_string(rows)).c_str()));
}

TEST_F(MappingButtonsTest, EachMappingsLabelSelectsItAndAShiftClickLetsGo) {
  OpenTool();
  FrontView();
  SelectedMapping = -1;
  Buttons(&panel->prss);
  ASSERT_EQ(ScreenLabelCount, model.mappingCount) << "one label at each mapping's centre";
  const ScreenLabel* labels[4] = {};
  ASSERT_EQ(ScreenLabelsByDepth(labels, 4), 2);
  const ScreenLabel* second = labels[0]->second == 1 ? labels[0] : labels[1];
  ASSERT_EQ(second->second, 1u);
  const ScreenLabel clicked = *second;
  clicked.callback(clicked.ownerWord, CLICK_LEFT, clicked.first, clicked.second);
  EXPECT_EQ(SelectedMapping, 1);
  clicked.callback(clicked.ownerWord, CLICK_LEFT | CLICK_SHIFT, clicked.first, clicked.second);
  EXPECT_EQ(SelectedMapping, -1);

  // Two copies of mapping 1 share its centre: the three numbers stand side by side in their
  // order, none over another, each clicked where it is shown; mapping 0 keeps its spot.
  const ScreenLabel first = labels[0]->second == 0 ? *labels[0] : *labels[1];
  model.AddMapping(&model.mappings[1]);
  model.AddMapping(&model.mappings[1]);
  Buttons(&panel->prss);
  SetInterfaceRectangleToScreen();
  const ScreenLabel* all[8] = {};
  ASSERT_EQ(ScreenLabelsByDepth(all, 8), 4);
  float rect[4][4] = {};
  for (const ScreenLabel* l : all) {
    if (!l) continue;
    char text[LABEL_TEXT_SIZE];
    ASSERT_LT(l->second, 4u);
    float* r = rect[l->second];
    const int shown = GetScreenLabelRect(*l, text, &r[0], &r[1], &r[2], &r[3]);
    EXPECT_EQ(shown, 1) << "label " << l->second << " off the screen";
    if (l->second == 0) {
      EXPECT_EQ(l->x, first.x) << "a label with none under it stays";
    }
  }
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b)
      EXPECT_TRUE(rect[a][2] <= rect[b][0] || rect[b][2] <= rect[a][0] || rect[a][3] <= rect[b][1] ||
                  rect[b][3] <= rect[a][1])
          << "the labels of mappings " << a << " and " << b << " meet";
  EXPECT_LT(rect[1][2], rect[2][0]);
  EXPECT_LT(rect[2][2], rect[3][0]);
  for (int m = 1; m < 4; ++m) {
    const ScreenLabel* found = FindScreenLabelAt(int((rect[m][0] + rect[m][2]) / 2), int((rect[m][1] + rect[m][3]) / 2));
    ASSERT_NE(found, nullptr);
    const ScreenLabel hit = *found;
    hit.callback(hit.ownerWord, CLICK_LEFT, hit.first, hit.second);
    EXPECT_EQ(SelectedMapping, m);
    SelectedMapping = -1;
  }
}

// A shift-click on a mapping's label also lets go of a finished drag box: no box is left to
// make a new mapping from.
TEST_F(MappingButtonsTest, AShiftClickOnAMappingsLabelLetsGoOfTheDragBox) {
  OpenTool();
  FrontView();
  SelectedMapping = -1;
  Box(-0.5, 0.25, 0.5, 0.75);
  Buttons(&panel->prss);
  ASSERT_TRUE(Shown("NEW mapping"));
  const ScreenLabel* labels[4] = {};
  ASSERT_GE(ScreenLabelsByDepth(labels, 4), 1);
  const ScreenLabel clicked = *labels[0];
  clicked.callback(clicked.ownerWord, CLICK_LEFT | CLICK_SHIFT, clicked.first, clicked.second);
  EXPECT_EQ(SelectedMapping, -1);
  EXPECT_EQ(EditViews.dragBox.state, DRAG_BOX_NONE);
  Buttons(&panel->prss);
  EXPECT_FALSE(Shown("NEW mapping"));
}

// The selected mapping's handles each have one label in a front view: the four corners (0..3),
// the four edge middles (4..7), the centre (8) and the roll (9); the direction handle (10) is
// for the perspective view only.
TEST_F(MappingButtonsTest, TheSelectedMappingHasOneLabelForEachHandleOfTheView) {
  OpenTool();
  FrontView();
  SelectedMapping = 0;
  Buttons(&panel->prss);
  const ScreenLabel* labels[16] = {};
  const int count = ScreenLabelsByDepth(labels, 16);
  EXPECT_EQ(count, 10);
  std::set<int32_t> handles;
  for (int i = 0; i < count; ++i) {
    EXPECT_GE(labels[i]->first, 0);
    EXPECT_LE(labels[i]->first, 9);
    EXPECT_TRUE(handles.insert(labels[i]->first).second) << "handle " << labels[i]->first << " twice";
  }
  EXPECT_EQ(handles.size(), 10u);
}

TEST_F(MappingToolTest, EachMappingEditAsksForTheMeshesAgainUnderItsName) {
  OpenTool();
  FrontView();
  const auto rebuilt = [] {
    const bool asked = ObjectEditorShared.rebuildWire != 0;
    ObjectEditorShared.rebuildWire = 0;
    return asked;
  };
  rebuilt();
  NewNodes();
  Box(-0.5, 0.25, 1.5, 1.25);
  ASSERT_EQ(AddMappingFromDragBox(*panel), 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of new mapping");
  EXPECT_EQ(OpenTextEntry.maxLength, 16);
  ConfirmTextEntry("bonnet");
  EXPECT_TRUE(rebuilt()) << "a new mapping";
  EXPECT_EQ(NewNodes(), 1) << "a new mapping";
  const int made = SelectedMapping;
  Box(-1, 0, 1, 1);
  ASSERT_EQ(AdjustMappingToDragBox(*panel), 1);
  EXPECT_TRUE(rebuilt()) << "adjusted to the box";
  EXPECT_EQ(NewNodes(), 1) << "adjusted to the box";
  ASSERT_EQ(DuplicateMapping(*panel), 1);
  ConfirmTextEntry("copy");
  EXPECT_TRUE(rebuilt()) << "a duplicate";
  EXPECT_EQ(NewNodes(), 1) << "a duplicate";
  SelectedMapping = made;
  CopyMapping(*panel);
  SelectedMapping = made + 1;
  model.mappings[made + 1].offset[2] = Metres(3);
  ASSERT_EQ(PasteMapping(*panel), 1);
  EXPECT_TRUE(rebuilt()) << "a paste";
  EXPECT_EQ(NewNodes(), 1) << "a paste";
  ASSERT_EQ(MoveMappingInList(*panel, 1, 0), 1);
  EXPECT_TRUE(rebuilt()) << "a move in the list";
  EXPECT_EQ(NewNodes(), 1) << "a move in the list";
  ASSERT_EQ(DeleteMapping(*panel), 1);
  EXPECT_TRUE(rebuilt()) << "a deletion";
  EXPECT_EQ(NewNodes(), 1) << "a deletion";
  SelectedMapping = made;
  ASSERT_EQ(SetMappingSize(*panel, 0, 2.5), 1);
  EXPECT_TRUE(rebuilt()) << "a size";
  EXPECT_EQ(NewNodes(), 1) << "a size";
  ASSERT_EQ(SquareMapping(*panel, 1), 1);
  EXPECT_TRUE(rebuilt()) << "squared";
  EXPECT_EQ(NewNodes(), 1) << "squared";
  const char* const positionNames[3] = {"adjust position", "paste position", "type position"};
  for (int kind = 0; kind < 3; ++kind) {
    ASSERT_EQ(SetMappingPosition(*panel, 2, kind, kind == 2 ? 0.5 : double(Metres(0.25))), 1);
    EXPECT_STREQ(modeller->statusText, positionNames[kind]);
    EXPECT_TRUE(rebuilt()) << positionNames[kind];
    EXPECT_EQ(NewNodes(), 1) << positionNames[kind];
  }
  const char* const angleNames[3] = {"adjust angle", "paste angle", "type angle"};
  for (int kind = 0; kind < 3; ++kind) {
    ASSERT_EQ(SetMappingAngle(*panel, 1, kind, kind == 2 ? 30.0 : 8.0), 1);
    EXPECT_STREQ(modeller->statusText, angleNames[kind]);
    EXPECT_TRUE(rebuilt()) << angleNames[kind];
    EXPECT_EQ(NewNodes(), 1) << angleNames[kind];
  }
  // A kind past the last is a typed value under the typed name; an axis past z is refused.
  ASSERT_EQ(SetMappingPosition(*panel, 2, 3, 0.75), 1);
  EXPECT_STREQ(modeller->statusText, "type position");
  EXPECT_EQ(model.mappings[made].offset[2], Metres(0.75));
  EXPECT_EQ(SetMappingPosition(*panel, 3, 2, 0.5), 0);
  ASSERT_EQ(SetMappingAngle(*panel, 0, 3, 10.0), 1);
  EXPECT_STREQ(modeller->statusText, "type angle");
  EXPECT_EQ(SetMappingAngle(*panel, 3, 2, 10.0), 0);
  // Typed angles are held to half a turn each way (720 quarter degrees), the pitch to a
  // quarter turn (360).
  ASSERT_EQ(SetMappingAngle(*panel, 0, 2, 200.0), 1);
  EXPECT_EQ(DirectionHeading(model.mappings[made].direction), 720);
  ASSERT_EQ(SetMappingAngle(*panel, 2, 2, -200.0), 1);
  EXPECT_EQ(DirectionRoll(model.mappings[made].direction), -720);
  ASSERT_EQ(SetMappingAngle(*panel, 1, 2, -90.25), 1);
  EXPECT_EQ(DirectionPitch(model.mappings[made].direction), -360);
  EXPECT_EQ(NewNodes(), 5) << "two positions and three angles";
  model.mappings[made].direction = DIRECTION_FRONT;  // an axis direction again
  ASSERT_EQ(SwitchMappingCentral(*panel), 1);
  EXPECT_TRUE(rebuilt()) << "central";
  EXPECT_EQ(NewNodes(), 1) << "central";
  ASSERT_EQ(SetMappingLink(*panel, MAPPING_LINK_TOP), 1);
  if (MessageBoxDialog.prss.alive) Key('Y');
  EXPECT_TRUE(rebuilt()) << "a link";
  EXPECT_EQ(NewNodes(), 1) << "a link";
}

// A roll one quarter degree past half a turn either way wraps round to the other side: a
// pointer 400 pixels out turned 2 pixels (0.29 degrees, rounded to one quarter degree).
TEST_F(MappingToolTest, ARollOneStepPastHalfATurnWrapsRoundToTheOtherSide) {
  OpenTool();
  FrontView();
  SelectedMapping = 0;
  ModelMapping& m = model.mappings[0];
  const int heading = DirectionHeading(m.direction), pitch = DirectionPitch(m.direction);
  int32_t centre[3];
  GetMappingHandlePoint(m, MAPPING_HANDLE_CENTRE, centre);
  float cx = 0, cy = 0;
  int32_t depth = 0;
  ASSERT_EQ(ProjectPointToScreen(centre, &cx, &cy, &depth), 1);
  const int x = int(std::lround(cx)) + 400, y = int(std::lround(cy));
  // Screen y runs down: 2 pixels up is a turn of -0.29 degrees, taking -1 off the roll.
  const struct {
    int start, dy, roll;
  } cases[] = {{720, -2, -719}, {719, -2, 720}, {-720, 2, 719}, {-719, 2, -720}};
  for (const auto& c : cases) {
    m.direction = PackDirection(heading, pitch, c.start);
    ASSERT_EQ(StartMappingHandleDrag(*panel, MAPPING_HANDLE_ROLL, x, y), 1);
    MoveMappingHandleDrag(*panel, x, y + c.dy);
    EXPECT_EQ(DirectionRoll(m.direction), c.roll) << "from " << c.start;
    CancelMappingHandleDrag(*panel);
  }
}

TEST_F(MappingToolTest, ASubobjectOfASubobjectStandsAtBothOffsets) {
  OpenTool();
  // The panel's subobject given a subobject of its own.
  ModelObject& sub = model.children[0];
  std::vector<ModelObject> grand(1);
  grand[0].Init();
  grand[0].offset[0] = Metres(0.25), grand[0].offset[1] = Metres(-0.5), grand[0].offset[2] = Metres(2);
  SetChildren(sub, grand);
  sub.offset[0] = Metres(1), sub.offset[1] = Metres(2), sub.offset[2] = Metres(3);
  SetEditedObject(*modeller, &sub.children[0], 0);
  int32_t at[3];
  EditedObjectOffset(*modeller, at);
  EXPECT_EQ(at[0], Metres(1.25));
  EXPECT_EQ(at[1], Metres(1.5));
  EXPECT_EQ(at[2], Metres(5));
  SetEditedObject(*modeller, &sub, 0);
  EditedObjectOffset(*modeller, at);
  EXPECT_EQ(at[0], Metres(1));
  EXPECT_EQ(at[2], Metres(3));
  SetEditedObject(*modeller, &model, 0);
  EditedObjectOffset(*modeller, at);
  EXPECT_EQ(at[0], 0);
  EXPECT_EQ(at[2], 0);
}

TEST_F(MappingButtonsTest, TheListsRowsSelectAndItsArrowsStepByTheClick) {
  OpenTool();
  FrontView();
  // The second mapping's row (an odd word) selects it.
  SelectedMapping = -1;
  Buttons(&panel->prss);
  const InterfaceButton* row = FindShownButton("m1");
  ASSERT_NE(row, nullptr);
  ClickButton(*row);
  EXPECT_EQ(SelectedMapping, 1);
  // Thirty mappings: down by 1 (left), 10 (shift), 5 (right) and 20 (shift and right), no
  // further than the last.
  ModelMapping m = model.mappings[0];
  while (model.mappingCount < 30) {
    std::snprintf(m.name, sizeof m.name, "f%d", model.mappingCount);
    model.AddMapping(&m);
  }
  const struct {
    int code, from, at;
  } steps[] = {{CLICK_LEFT, 0, 1},
               {CLICK_LEFT | CLICK_SHIFT, 1, 11},
               {CLICK_RIGHT, 11, 16},
               {CLICK_RIGHT | CLICK_SHIFT, 0, 20},
               {CLICK_RIGHT | CLICK_SHIFT, 20, 29}};
  for (const auto& s : steps) {
    SelectedMapping = s.from;
    Buttons(&panel->prss);
    const InterfaceButton* down = FindShownButton("DN", "Move the selected mapping down the list");
    ASSERT_NE(down, nullptr);
    ClickButton(*down, s.code);
    EXPECT_EQ(SelectedMapping, s.at) << "code " << s.code;
  }
}
