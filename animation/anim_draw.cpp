// anim_draw.cpp - what the animation editor shows: its buttons, the axis handles of the
// selected bone, the bones' labels, the bones and the drag target in the 3D view, and the
// driver posed in the vehicle.
#include <algorithm>
#include <cstdarg>
#include <cmath>
#include <cstdio>

#include "animation/anim_edit.h"
#include "animation/anim_screen.h"
#include "animation/bone_links.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "render/views.h"
#include "skeleton/skeleton.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/widgets.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int PANEL_UNITS = 14, HALF_UNITS = 7;
constexpr float HANDLE_DEPTH_SHARE = 16.0f;
constexpr uint32_t HANDLE_LINE_COLOUR = 0xFFFFFF40u;
ColourWord g_movementEmpty = 0x949494, g_movementFull = 0xFFA0A0;
ColourWord g_labelWhite = 0xFFFFFF, g_labelRed = 0x0000FF;
ColourWord g_handleLit = 0xA0FFA0, g_handleGrey = 0x949494;
ColourWord g_plain = 0xC8C8C8;

// Text that must live until the frame is drawn.
constexpr int TEXT_SLOTS = 160;
char g_texts[TEXT_SLOTS][48];
int g_textCount = 0;
const char* Text(const char* format, ...) __attribute__((format(printf, 1, 2)));
const char* Text(const char* format, ...) {
  char* out = g_texts[g_textCount++ % TEXT_SLOTS];
  va_list args;
  va_start(args, format);
  std::vsnprintf(out, sizeof g_texts[0], format, args);
  va_end(args);
  return out;
}

AnimEditorScreen& ScreenOf(void* owner) { return *static_cast<AnimEditorScreen*>(owner); }

void Row(int x, int row) {
  RowCursorX = x;
  RowCursorY = row * ButtonHeight;
}

// ---- Handlers (owner the screen) ----
void OnFrame(void* owner, int, uintptr_t word) { FrameCommand(ScreenOf(owner), int(word)); }
void OnAnim(void* owner, int code, uintptr_t word) { AnimCommand(ScreenOf(owner), int(word), code); }
void OnFile(void* owner, int, uintptr_t word) { AnimFileCommand(ScreenOf(owner), int(word)); }
void OnMovement(void* owner, int, uintptr_t word) { SelectMovement(ScreenOf(owner), int(word)); }
void OnFrameButton(void* owner, int, uintptr_t word) {
  AnimEditorScreen& s = ScreenOf(owner);
  s.testing = 0;
  SetCurrentFrame(s.editor, int(word));
  SetPhase(s, s.editor.phase);
}
void OnTestBar(void* owner, int, uintptr_t) { StartTest(ScreenOf(owner), MouseX); }
void OnToggle(void* owner, int, uintptr_t word) {
  AnimEditor& e = ScreenOf(owner).editor;
  uint8_t* flags[3] = {&e.autoLockParent, &e.symmetricalLegs, &e.autoCopyAndFlip};
  *flags[word] ^= 1;
}
void OnMoveAll(void* owner, int, uintptr_t word) { AskMoveAll(ScreenOf(owner), int(word)); }
void OnPose(void* owner, int code, uintptr_t word) {
  AnimEditorScreen& s = ScreenOf(owner);
  const int pose = int(word >> 1), half = int(word & 1);
  if (code & 2) {
    if (pose != s.selectedPose) SelectPose(s, pose, 0);
    AskText(&s.prss, [](Prss* o, const char* text, uint32_t) { RenamePose(ScreenOf(o), text); },
            "Enter new name for pose", POSE_NAME_SIZE, 0, s.editor.skeleton->poses[pose].name, 0, 1, nullptr);
    return;
  }
  SelectPose(s, pose, half);
}
void OnPoseFlag(void* owner, int, uintptr_t word) {
  AnimEditorScreen& s = ScreenOf(owner);
  if (s.selectedPose < 0) return;
  Pose& p = s.editor.skeleton->poses[s.selectedPose];
  if (word < 2) p.flags ^= uint32_t(1) << word;
  else p.seatings ^= uint32_t(1) << (word - 2);
  s.editor.unsaved = 1;
}
void OnSeating(void* owner, int, uintptr_t word) {
  AnimEditorScreen& s = ScreenOf(owner);
  s.selectedSeating = s.selectedSeating == int(word) ? -1 : int(word);
}
void OnPlainBlend(void* owner, int, uintptr_t word) {
  if (word) MakePoseBlend(ScreenOf(owner));
  else MakePosePlain(ScreenOf(owner));
}
void OnHeight(void* owner, int, uintptr_t) {
  AnimEditorScreen& s = ScreenOf(owner);
  if (s.selectedPose < 0) return;
  const Pose& p = s.editor.skeleton->poses[s.selectedPose];
  SetPoseHeight(s, s.poseHalf ? p.highHeight : p.lowHeight);
}
void OnTestHeight(void* owner, int, uintptr_t) { SetTestHeight(ScreenOf(owner), ScreenOf(owner).testHeight); }
void OnWheelTurn(void* owner, int, uintptr_t) {
  AnimEditor& e = ScreenOf(owner).editor;
  if (e.selected) e.selected->scale = std::clamp(e.selected->scale, float(PI / 8), float(3 * PI));
  e.unsaved = 1;
}
void OnBoneLabel(void* owner, int code, uintptr_t solid) { SelectBone(ScreenOf(owner).editor, code & 2 ? 1 : 0, int(solid)); }

// ---- Panels ----
void FramePanel(AnimEditorScreen& s, Prss* o) {
  const AnimEditor& e = s.editor;
  const int row = ScreenHeight / ButtonHeight - 2;
  Row(0, row);
  if (!e.selected) return;
  const Animation& a = *e.selected;
  if (a.frameCount == 0) {
    AddRowButton(nullptr, 3, 0, 0, &g_plain, "NO FRAMES", nullptr, nullptr);
    AddRowButton(o, 2, 0, 0, nullptr, "new", OnAnim, nullptr);
    return;
  }
  AddRowButtonStyle4(o, 1, FRAME_PREVIOUS, 0, nullptr, "|\x8B", OnFrame, nullptr);  // glyph codes: a bar, an arrow
  const int current = CurrentFrameIndex(e);
  for (int i = 0; i < FrameButtonCount(a); ++i) {
    const int frame = i % a.frameCount;
    AddRowButton(o, 1, uintptr_t(frame), frame == current && i < a.frameCount, nullptr, Text("%d", frame + 1),
                 OnFrameButton, nullptr);
  }
  AddRowButtonStyle4(o, 1, FRAME_NEXT, 0, nullptr, "\x9B|", OnFrame, nullptr);
  AddRowButton(o, 2, FRAME_DUP, 0, nullptr, "DUP", OnFrame, nullptr);
  AddRowButton(o, 2, FRAME_DEL, 0, nullptr, "DEL", OnFrame, nullptr);
  Row(0, row + 1);
  AddRowButton(o, std::max(4, FrameButtonCount(a) + 2), 0, s.testing, nullptr, Text("test %.2f", double(e.phase)),
               OnTestBar, "You need at least two frames to test animation");
}

void MovementPanel(AnimEditorScreen& s, Prss* o) {
  for (int m = 0; m < MOVEMENT_COUNT; ++m) {
    Row(0, 1 + m);
    const bool full = s.editor.skeleton->movements[m].frameCount > 0;
    AddRowButton(o, 5, uintptr_t(m), s.selectedMovement == m, full ? &g_movementFull : &g_movementEmpty,
                 MOVEMENT_NAMES[m], OnMovement, nullptr);
  }
}

void PosePanel(AnimEditorScreen& s, Prss* o, int x) {
  Skeleton& k = *s.editor.skeleton;
  int row = 1;
  for (int i = 0; i < k.poseCount; ++i, ++row) {
    Row(x, row);
    const Pose& p = k.poses[i];
    AddRowButton(o, 5, uintptr_t(i) << 1, s.selectedPose == i && s.poseHalf == 0, nullptr, p.name, OnPose, nullptr);
    if (p.flags & POSE_BLEND)
      AddRowButton(o, 2, uintptr_t(i) << 1 | 1, s.selectedPose == i && s.poseHalf == 1, nullptr, "high", OnPose, nullptr);
  }
  Row(x, row++);
  AddRowButton(o, 4, 6, 0, nullptr, s.selectedPose >= 0 ? "dup pose" : "new pose", OnAnim, nullptr);
  if (s.selectedPose < 0) {
    Row(x, row + 1);
    AddRowButton(nullptr, 7, 0, 0, &g_plain, "selected seating :", nullptr, nullptr);
    // Seating 0 highest, just under the label that also stands for it; seating 9 lowest.
    for (int k2 = 0; k2 < SEATING_COUNT; ++k2) {
      Row(x, row + 2 + k2);
      AddRowButton(o, 7, uintptr_t(k2), s.selectedSeating == k2, nullptr, SEATING_NAMES[k2], OnSeating, nullptr);
    }
    return;
  }
  Pose& p = k.poses[s.selectedPose];
  AddRowButton(o, 4, 7, 0, nullptr, "delete pose", OnAnim, nullptr);
  Row(x, row++);
  if (BlendTestOffered(s)) AddRowButton(o, 4, 8, s.blendTest, nullptr, "test blend", OnAnim, nullptr);
  Row(x, row++);
  AddRowButton(o, 4, 0, p.flags & POSE_STANDING, nullptr, "Standing", OnPoseFlag, nullptr);
  AddRowButton(o, 4, 1, p.flags & POSE_EXCITED, nullptr, "Excited", OnPoseFlag, nullptr);
  Row(x, row++);
  const bool blend = p.flags & POSE_BLEND;
  AddRowButton(o, 4, 0, !blend, nullptr, "plain", OnPlainBlend, nullptr);
  AddRowButton(o, 4, 1, blend, nullptr, "blend", OnPlainBlend, nullptr);
  const int keptColumns = LayoutColumns;
  LayoutColumns = 10;
  if (blend && !s.blendTest) {
    Row(x, row++);
    AddValueEditButton(o, "animation height %.2f", 0.0f, 1.0f, s.poseHalf ? &p.highHeight : &p.lowHeight, nullptr,
                       OnHeight, BUTTON_STYLE_FLOAT, nullptr);
  }
  if (s.blendTest) {
    Row(x, row++);
    AddValueEditButton(o, "test height %.2f", 0.0f, 1.0f, &s.testHeight, nullptr, OnTestHeight, BUTTON_STYLE_FLOAT,
                       nullptr);
  }
  LayoutColumns = keptColumns;
  Row(x, row++);
  AddRowButton(nullptr, 6, 0, 0, &g_plain, "suitable for :", nullptr, nullptr);
  for (int k2 = 0; k2 < SEATING_COUNT; ++k2) {
    Row(x, row++);
    AddRowButton(o, 6, uintptr_t(2 + k2), p.seatings >> k2 & 1, nullptr, SEATING_NAMES[k2], OnPoseFlag, nullptr);
  }
  Row(x, row++);
  AddRowButton(o, 7, 0, 0, &g_plain, "selected seating :", OnSeating, nullptr);
  for (int k2 = 0; k2 < SEATING_COUNT; ++k2) {
    Row(x, row++);
    AddRowButton(o, 7, uintptr_t(k2), s.selectedSeating == k2, nullptr, SEATING_NAMES[k2], OnSeating, nullptr);
  }
}

void SidePanel(AnimEditorScreen& s, Prss* o) {
  AnimEditor& e = s.editor;
  const int x = ScreenWidth - PANEL_UNITS * ButtonWidth;
  int row = 1;
  if (s.caption[0]) {
    Row(x, row++);
    AddRowButton(nullptr, PANEL_UNITS, 0, 0, &g_plain, s.caption, nullptr, nullptr);
  }
  if (e.selectedBone >= 0) {
    const IntVector& p = e.rig->bones[size_t(e.selectedBone)].position;
    Row(x, row++);
    AddRowButton(nullptr, HALF_UNITS, 0, 0, &g_plain, "selected bone pos", nullptr, nullptr);
    AddRowButton(nullptr, 1, 0, 0, &g_plain, "xyz", nullptr, nullptr);
    AddRowButton(nullptr, 6, 0, 0, &g_plain,
                 Text("%d %d %d", int(std::lround(p.x * 1000.0 / 65536)), int(std::lround(p.y * 1000.0 / 65536)),
                      int(std::lround(p.z * 1000.0 / 65536))),
                 nullptr, nullptr);
    if (e.dragging && e.slideMode && size_t(e.selectedBone) < e.grabTransforms.size()) {
      const IntVector& g = e.grabTransforms[size_t(e.selectedBone)].position;
      Row(x, row++);
      AddRowButton(nullptr, 2, 0, 0, &g_plain, "move", nullptr, nullptr);
      AddRowButton(nullptr, 10, 0, 0, &g_plain,
                   Text("%d %d %d", int(std::lround((p.x - double(g.x)) * 1000.0 / 65536)),
                        int(std::lround((p.y - double(g.y)) * 1000.0 / 65536)),
                        int(std::lround((p.z - double(g.z)) * 1000.0 / 65536))),
                   nullptr, nullptr);
    }
  }
  const bool driver = e.driverAnimation != nullptr;
  if (driver && e.selected) {
    Row(x, row++);
    const int keptColumns = LayoutColumns;
    LayoutColumns = PANEL_UNITS;
    AddValueEditButton(o, "Wheel Max Turn (ONE WAY) %.2f", float(PI / 8), float(3 * PI), &e.selected->scale, nullptr,
                       OnWheelTurn, BUTTON_STYLE_FLOAT, nullptr);
    LayoutColumns = keptColumns;
  }
  if (driver && VehicleOnShow()) {
    Row(x, row++);
    AddRowButton(o, HALF_UNITS, 1, e.symmetricalLegs, nullptr, "symmetrical legs", OnToggle, nullptr);
    AddRowButton(o, HALF_UNITS, 2, e.autoCopyAndFlip, nullptr, "auto copy and flip", OnToggle, nullptr);
  }
  Row(x, row++);
  AddRowButton(o, PANEL_UNITS, 0, e.autoLockParent, nullptr, "TAB : auto lock parent", OnToggle, nullptr);
  Row(x, row++);
  AddRowButton(o, HALF_UNITS, 0, 0, nullptr, "save skeleton", OnFile, nullptr);
  AddRowButton(o, HALF_UNITS, 1, 0, nullptr, "remove anims", OnFile, nullptr);
  if (e.selected) {
    Row(x, row++);
    AddRowButton(o, HALF_UNITS, 2, 0, nullptr, "LOAD animation", OnFile, nullptr);
    AddRowButton(o, HALF_UNITS, 3, 0, nullptr, "SAVE animation", OnFile, nullptr);
    if (driver && VehicleOnShow()) {
      Row(x, row++);
      AddRowButton(o, HALF_UNITS, 4, 0, nullptr, "SAVE as SIT", OnFile, nullptr);
      AddRowButton(o, HALF_UNITS, 5, 0, nullptr, "SAVE as STR", OnFile, nullptr);
    }
    Row(x, row++);
    AddRowButton(o, HALF_UNITS, 9, 0, nullptr, "copy to all frames", OnFile, nullptr);
    AddRowButton(o, HALF_UNITS, 10, 0, nullptr, Text("UNDO (%d)", int(e.undo.size())), OnFile, nullptr);
    const Animation& a = *e.selected;
    const bool ready = e.selected == &e.skeleton->movements[0];
    Row(x, row++);
    if (a.frameCount == 0 && (ready || e.skeleton->movements[0].frameCount > 0))
      AddRowButton(o, HALF_UNITS, 0, 0, nullptr, "new animation", OnAnim, nullptr);
    AddRowButton(o, HALF_UNITS, 1, 0, nullptr, "copy animation", OnAnim, nullptr);
    Row(x, row++);
    if (!ready && s.selectedPose < 0 && !driver) AddRowButton(o, HALF_UNITS, 2, 0, nullptr, "delete animation", OnAnim, nullptr);
    if (s.copiedAnimation) AddRowButton(o, HALF_UNITS, 3, 0, nullptr, "paste animation", OnAnim, nullptr);
    Row(x, row++);
    AddRowButton(o, 5, 4, 0, nullptr, "COPY frame", OnAnim, nullptr);
    if (s.copiedFrame) AddRowButton(o, 5, 5, 0, nullptr, "PASTE frame", OnAnim, nullptr);
    AddRowButton(o, 4, 9, 0, nullptr, "FLIP frame", OnAnim, nullptr);
    Row(x, row++);
    AddRowButton(nullptr, 5, 0, 0, &g_plain, "move all", nullptr, nullptr);
    AddRowButton(o, 3, 0, 0, nullptr, "X(r)", OnMoveAll, nullptr);
    AddRowButton(o, 3, 1, 0, nullptr, "Y(f)", OnMoveAll, nullptr);
    AddRowButton(o, 3, 2, 0, nullptr, "Z(u)", OnMoveAll, nullptr);
  }
  for (const char* hint : {"A/S/D : slide X/Y/Z", "Q/W/E : rotate X/Y/Z", "right click : lock bone"}) {
    Row(x, row++);
    AddRowButton(nullptr, PANEL_UNITS, 0, 0, &g_plain, hint, nullptr, nullptr);
  }
  Row(x, row++);
  AddMessageHistoryButton(o);
}

// The handle lines of this frame, drawn by the hook.
struct HandleLines {
  int count = 0;
  float from[3];
  float to[3][3];
};
HandleLines g_lines;

}  // namespace

void DrawAnimEditor(AnimEditorScreen& s) {
  Prss* o = &s.prss;
  EditDomain = 0;
  if (!s.editor.driverAnimation) {
    MovementPanel(s, o);
    PosePanel(s, o, 6 * ButtonWidth);
  }
  SidePanel(s, o);
  FramePanel(s, o);
}

void DrawAnimHandles(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  g_textCount = 0;  // the first of the frame's drawing
  g_lines.count = 0;
  if (e.selectedBone < 0 || e.selectedBone >= e.rig->boneCount) return;
  const Bone& bone = e.rig->bones[size_t(e.selectedBone)];
  const bool sliding = !e.keyActive || e.slideMode;
  const IntVector centre = sliding ? bone.position : e.pivot;
  const int32_t c[3] = {centre.x, centre.y, centre.z};
  float cx, cy;
  int32_t depth;
  if (!ProjectPointToScreen(c, &cx, &cy, &depth)) return;
  const bool perspective = EditViews.width == 0;
  const double length = perspective ? double(depth) * EditViews.fovScale / HANDLE_DEPTH_SHARE
                                    : double(EditViews.width) / HANDLE_DEPTH_SHARE;
  if (!(length > 0.0) || length > 2e9) return;
  if (!e.dragging) e.handleLength = int32_t(length);
  static const char* const labels[3] = {"X", "Y", "Z"};
  for (int k = 0; k < 3; ++k) g_lines.from[k] = float(c[k] / 65536.0);
  const int w = ButtonWidth, h = ButtonHeight;
  for (int axis = 0; axis < 3; ++axis) {
    // The world's axes when sliding, the bone's own (its orientation's columns) when turning.
    double dir[3] = {axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
    if (!sliding)
      for (int r = 0; r < 3; ++r) dir[r] = bone.orientation[r * 3 + axis];
    int32_t end[3];
    for (int r = 0; r < 3; ++r) end[r] = int32_t(std::clamp(c[r] + dir[r] * length, -2147483647.0, 2147483647.0));
    float ex, ey;
    int32_t endDepth;
    if (!ProjectPointToScreen(end, &ex, &ey, &endDepth)) continue;
    if (!e.dragging) e.handleScreen[axis][0] = ex - cx, e.handleScreen[axis][1] = ey - cy;
    for (int r = 0; r < 3; ++r) g_lines.to[g_lines.count][r] = float(end[r] / 65536.0);
    ++g_lines.count;
    const bool lit = !e.keyActive || (e.axisMask >> axis & 1);
    const int left = int(std::lround(ex)) - w / 2, top = int(std::lround(ey)) - h / 2;
    AddButton(nullptr, left, top, left + w, top + h, 0, IvText(labels[axis]), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT,
              lit ? &g_handleLit : &g_handleGrey, nullptr, nullptr);
  }
}

void DrawBoneLabels(AnimEditorScreen& s) {
  AnimEditor& e = s.editor;
  FixedTransform placement;
  const bool placed = AnimVehicleHooks.driverPlacement && AnimVehicleHooks.driverPlacement(&placement);
  for (int i = 0; i < e.rig->boneCount; ++i) {
    IntVector p = e.rig->bones[size_t(i)].position;
    if (placed) {
      FixedTransform own, world;
      SetIdentityTransform(own);
      own.translation = p;
      TransformCompose(placement, own, world);
      p = world.translation;
    }
    const int32_t point[3] = {p.x, p.y, p.z};
    float x, y;
    int32_t depth;
    if (!ProjectPointToScreen(point, &x, &y, &depth)) continue;
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) continue;
    const bool locked = e.links && e.links->links[size_t(i)].locked;
    AddViewLabel(&s.prss, x, y, uintptr_t(i), Text("#%d", i), e.selectedBone == i, locked ? &g_labelRed : &g_labelWhite,
                 OnBoneLabel, nullptr, BUTTON_STYLE_HALO_TEXT);
  }
}

void DrawAnimEditorHook(void* argument) {
  AnimEditorScreen& s = *static_cast<AnimEditorScreen*>(argument);
  AnimEditor& e = s.editor;
  if (s.savedHook) s.savedHook(s.savedHookArgument);
  if (!e.driverAnimation)
    for (const Bone& b : e.rig->bones) b.DrawBox();
  if (e.dragging && s.grabSolid) s.grabSolid->DrawBox();
  if (g_lines.count) {
    const bool own = BeginLineBatch3D();
    for (int i = 0; i < g_lines.count; ++i) EmitLine3D(HANDLE_LINE_COLOUR, g_lines.from, g_lines.to[i]);
    if (own) EndLineBatch3D();
  }
}

namespace {

// The nearest level of the human system's mesh of the figure the object editor shows, or null.
GouraudO3d* ShownFigureMesh() {
  const ObjectEditor* e = ActiveObjectEditor;
  if (!e || e->shownCount == 0) return nullptr;
  HumanFiguresWanted();
  if (!HumanMeshes.slots) return nullptr;
  for (int i = 0; i < HumanMeshes.slotCount; ++i)
    if (HumanMeshes.slots[i].model == e->shown[0]) return HumanMeshes.slots[i].meshes[0];
  return nullptr;
}

}  // namespace

void DrawAnimEditorOverlay() {
  AnimEditorScreen* s = OpenAnimEditorScreen;
  FixedTransform placement;
  if (!s || !VehicleOnShow() || !AnimVehicleHooks.driverPlacement || !AnimVehicleHooks.driverPlacement(&placement))
    return;
  const BoneRig& rig = *s->editor.rig;
  GouraudO3d* mesh = ShownFigureMesh();
  if (!mesh) {
    // Without the figure's mesh its bones stand in for it.
    const FixedTransform* kept = BoneModelTransform;
    BoneModelTransform = &placement;
    for (const Bone& b : rig.bones) b.DrawBox();
    BoneModelTransform = kept;
    return;
  }
  std::vector<FixedTransform> frames(size_t(std::max(rig.boneCount, 1)));
  CopyPartPositions(rig, frames.data());
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  // Drawn whatever the object editor's "show object" says: the driver is the screen's.
  const int shown = MeshDisplay.showWholeObjects;
  const uint8_t type = mesh->type;
  MeshDisplay.showWholeObjects = 1;
  mesh->type = 0;
  const int first = int(TempMeshes.count);
  mesh->DrawPosed(placement, frames.data(), rig.boneCount, 0, nullptr);
  mesh->type = type;
  MeshDisplay.showWholeObjects = shown;
  const int batches = int(TempMeshes.count) - first;
  if (batches > 0 && DrawVisibleTempMeshes(first, batches)) DrawTempMeshesSecondPass(first, batches);
}
