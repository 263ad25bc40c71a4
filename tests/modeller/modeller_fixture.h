// modeller_fixture.h - the modeller's tests open it the way the entry menu does, inside an
// object editor under a parent page, without drawing: a panel of eight triangles facing the
// front (+y) with a subobject, or the sample car; reports and sounds are recorded.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/screen/model_checks.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "platform/keys.h"
#include "render/frame.h"
#include "render/object_mesh.h"
#include "render/views.h"
#include "text/messages.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/sample_models.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/report_sink.h"
#include "ui/value_edit.h"

namespace modeller_test {

inline Material* NoTexture(const char*, int, int, int, const CutoutMaterial&, int) { return nullptr; }

struct Parent {
  Prss prss;
};
inline Prss* ParentAct(Prss* p) {
  Prss_ActSub(p);
  return p;
}

inline std::vector<int> g_sounds;

// Points p(i, j) = j * 3 + i at x = 0.5 i, y 0, z = 0.5 j; each cell two triangles facing +y,
// (p(i,j), p(i,j+1), p(i+1,j+1)) then (p(i,j), p(i+1,j+1), p(i+1,j)).  Cell (1, 1) is on
// layer 1, the others on layer 0; triangle k takes mapping k % 2 and group k.  A subobject,
// an attachment 2 m to the left, holds one triangle facing +y.
inline void BuildPanel(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Page(PAGE_FIXED, "panel");
  b.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {200, 200, 200}, 0});
  b.AddMapping("m0", 0, 0, DIRECTION_FRONT, 1, 1, 0xFFFFFF);
  b.AddMapping("m1", 0, 0, DIRECTION_FRONT, 1, 1, 0x00FF00);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) b.Point(0.5 * i, 0, 0.5 * j);
  int k = 0;
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      const int a = j * 3 + i, bb = a + 3, c = a + 4, d = a + 1;
      b.layer = (i == 1 && j == 1) ? 1 : 0;
      b.mapping = k % 2, b.group = k++;
      b.Triangle(a, bb, c);
      b.mapping = k % 2, b.group = k++;
      b.Triangle(a, c, d);
    }
  b.Into(o);
  std::vector<ModelObject> children(1);
  ModelObject& sub = children[0];
  sub.Init();
  sub.type = SUBOBJECT_ATTACHMENT;
  sub.offset[0] = -(2 << 16);
  ModelBuilder s;
  s.Page(PAGE_FIXED, "panel");
  s.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {200, 200, 200}, 0});
  s.AddMapping("m0", 0, 0, DIRECTION_FRONT, 1, 1, 0xFFFFFF);
  s.Point(0, 0, 0), s.Point(0, 0, 0.5), s.Point(0.5, 0, 0.5);
  s.Triangle(0, 1, 2);
  s.Into(sub);
  SetChildren(o, children);
  std::snprintf(o.name, sizeof o.name, "panel");
}

class ModellerTest : public ::testing::Test {
 protected:
  Parent parent{};
  ModelObject model{};
  ObjectEditor* editor = nullptr;
  ModellerScreen* modeller = nullptr;
  ReportSink savedSink{};

  static void RecordSound(int index) { g_sounds.push_back(index); }

  void SetUp() override {
    InitSinCosTables();
    SetDefaultTextColours();
    ResetMessages();
    ResetDialogs();
    ResetInterfaceState();
    SetDefaultView();
    FrameClear.mode = 0;
    ScreenClearModes = ClearModeStack{};
    ShiftHeld = CtrlHeld = AltHeld = 0;
    ExitRequested = 0;
    FrameTime = 0;
    FindSkinTexture = NoTexture;
    FrameSkipped = 1;  // nothing is drawn: the unit tests run without a device
    PointButtonTopLimit = 0;
    CfgBlobSize = 6;  // the markers' half size, as the configuration's default
    InstallModellerHooks();
    savedSink = InstallReportSink(InterfaceReportSink());
    ReportSink sink = InterfaceReportSink();
    sink.sound = RecordSound;
    InstallReportSink(sink);
    g_sounds.clear();
    DebugMessagesOn = 1;
    ScreenWidth = 1024, ScreenHeight = 768;
    Prss_Init(&parent.prss, nullptr, ParentAct, nullptr, nullptr, nullptr, nullptr);
    Prss_MakeCurrent(&parent.prss);
  }
  void TearDown() override {
    if (parent.prss.sub) {
      ExitRequested = 0;
      if (ActiveModeller) ActiveModeller->state.unchanged = 1;
      Prss_Terminate(parent.prss.sub);
      CloseThrough();
    }
    model.Free();
    InstallReportSink(savedSink);
    FindSkinTexture = FindPageTextureByName;
    FrameSkipped = 0;
    ExitRequested = 0;
    ShiftHeld = CtrlHeld = AltHeld = 0;
    ScreenWidth = ScreenHeight = 0;
    PointButtonTopLimit = 0;
    DebugMessagesOn = 0;
    PreviewConfig = PreviewSettings{};
    ResetDialogs();
    ResetMessages();
  }

  // Opens the editor as the entry menu does (the modeller at once, asking before leaving a
  // changed model), over the model built by build.
  void Open(void (*build)(ModelObject&) = BuildPanel) {
    model.Free();  // a model of an earlier opening in the same test
    model = ModelObject{};
    build(model);
    editor = OpenObjectEditor(&parent.prss, OPEN_MODELLER, &model, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
    Prss_AddSub(&parent.prss, &editor->prss);
    modeller = ModellerOf(editor->prss.sub);
    ASSERT_NE(modeller, nullptr);
  }
  void Frame(int count = 1) {
    for (int i = 0; i < count && parent.prss.sub; ++i) ParentAct(&parent.prss);
  }
  void CloseThrough(int frames = 3) {
    for (int i = 0; i < frames && parent.prss.sub; ++i) ParentAct(&parent.prss);
  }
  static void Key(int key, bool shift = false, bool ctrl = false, bool alt = false) {
    ShiftHeld = shift, CtrlHeld = ctrl, AltHeld = alt;
    Prss_DeliverKey(key);
    ShiftHeld = CtrlHeld = AltHeld = 0;
  }
  static void CtrlKey(char letter) { Key(KEYCODE_CTRL_LETTER + letter, false, true); }
  // The front view, 4 m across (256 pixels a metre on 1024 x 768), looking at (0, 0, 0.5):
  // world x = 0.5 - (pixel x - 512) / 256... x runs to the left.
  static void FrontView() {
    SelectEditView(VIEW_FRONT);
    FrameEditView(2 << 16, 1 << 15);
    SetEditViewProjection(0);
  }
  static int PixelX(double x) { return int(512 - 256 * x); }
  static int PixelY(double z) { return int(384 - 256 * (z - 0.5)); }
  // The pick as the object editor leaves it when the pointer is over the triangle.
  static void PickTriangle(int object, int triangle) {
    SurfacePick& p = ObjectEditorShared.pick;
    p.state = 2;
    p.object = object;
    p.triangle = triangle;
  }
  static MouseRecord LeftPress(int modifiers = 0) {
    MouseRecord m{};
    m.clickCode = CLICK_LEFT | modifiers;
    m.leftHeld = 1;
    return m;
  }
  static void Mouse(MouseRecord m, bool ctrl = false, bool shift = false, bool alt = false) {
    CtrlHeld = ctrl, ShiftHeld = shift, AltHeld = alt;
    Prss_DeliverMouse(&m);
    CtrlHeld = ShiftHeld = AltHeld = 0;
  }
  int SelectedTriangles() const {
    int n = 0;
    const ModelObject& o = *EditedObject;
    for (int t = 0; t < o.triangleCount; ++t) n += (o.triangles[t].flags & TRIANGLE_SELECTED) != 0;
    return n;
  }
  int SelectedPoints() const {
    int n = 0;
    const ModelObject& o = *EditedObject;
    for (int p = 0; p < o.pointCount; ++p) n += (o.points[p].flags & POINT_SELECTED) != 0;
    return n;
  }
  // The model's preview in flat shading from here on (its meshes' points can be read).
  void FlatPreview() { SetObjectDrawMode(*modeller->editor, 0, DRAW_FLAT); }
  // The flat preview as numbers: each mesh's placement, counts, points and triangle colours.
  static void MeshNumbers(const DrawMesh* mesh, std::vector<int64_t>& out) {
    if (!mesh) return out.push_back(-1);
    const IntVector& at = mesh->local.translation;
    out.insert(out.end(), {at.x, at.y, at.z, mesh->pointCount, mesh->triangleCount, mesh->childCount});
    for (int i = 0; i < 9; ++i) out.push_back(mesh->local.rotation.m[i]);
    if (!mesh->IsGouraud()) {
      const Obj3d& o = *static_cast<const Obj3d*>(mesh);
      for (int p = 0; p < o.pointCount && o.points; ++p) out.insert(out.end(), {o.points[p].x, o.points[p].y, o.points[p].z});
      for (int t = 0; t < o.triangleCount && o.triangles; ++t) out.insert(out.end(), {o.triangles[t].colour, o.triangles[t].surface});
    }
    for (int c = 0; c < mesh->childCount && mesh->children; ++c) MeshNumbers(mesh->children[c], out);
  }
  std::vector<int64_t> PreviewNumbers() const {
    std::vector<int64_t> out;
    MeshNumbers(modeller->editor->previews[0].mesh, out);
    return out;
  }
  // The edit-history nodes recorded since the last call: edits in a row each record their own.
  int NewNodes() {
    const int added = ModellerUndo.count - historySeen;
    historySeen = ModellerUndo.count;
    return added;
  }
  int historySeen = 0;
  // The last edit rebuilt the preview: a rebuild now changes nothing in it.
  bool PreviewCurrent() {
    const std::vector<int64_t> shown = PreviewNumbers();
    RefreshEditedMesh(&modeller->prss);
    return PreviewNumbers() == shown;
  }
  // The open box's text, the box closed (Enter) and its frame run; empty when none is open.
  std::string TakeBox() {
    if (!MessageBoxDialog.prss.alive) return "";
    const std::string said = MessageBoxDialog.first;
    Key(KEY_ENTER);
    Frame();
    return said;
  }
  // A shown message line holds the text.
  static bool Said(const std::string& text) {
    for (int i = 0; i < MessageLineCount; ++i)
      if (std::string(MessageLines[i].text).find(text) != std::string::npos) return true;
    return false;
  }
};

}  // namespace modeller_test
