// object_editor.cpp - the object editor screen: opening, each frame, keys, mouse, draw modes,
// the previews and closing.  Picking is in object_editor_pick.cpp, the options panel and the
// panel helpers in object_editor_panel.cpp.
#include "modeller/editor/object_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/sort_tree.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "render/draw_mesh.h"
#include "render/frame.h"
#include "render/gouraud_mesh.h"
#include "render/matrices.h"
#include "render/object_mesh.h"
#include "render/object_picture.h"
#include "render/views.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/text_entry.h"
#include "ui/value_edit.h"

ObjectEditorState ObjectEditorShared;
ObjectEditor* ActiveObjectEditor;
int ObjectEditorPagesShared;
Prss* (*OpenOptionsScreen)(Prss* parent);
int ObjectEditorOpen;
int MappingScreenshotRequested;
CutoutsLayout CutoutsPlaced;
ModellerLink ModellerHooks;

// The options panel at the bottom right (object_editor_panel.cpp): the rows it used.
int AddViewOptionsPanel(ObjectEditor& editor, int firstRow);

namespace {

constexpr int32_t MIN_FRAMED_SIZE = 2 << 16;  // 2 m

int (*g_savedSelectionPick)(ViewCameraRecord&);

bool Alive(const ObjectEditor& e) { return e.prss.alive != 0; }
void TerminateObjectEditor(Prss* process);

bool DriverView(const ObjectEditor& e) {
  return e.callerKind == CALLER_VEHICLE_EDITOR && e.openMode == OPEN_ANIMATION_EDITOR;
}

bool DrawingOff() { return FrameSkipped || EditorDrawingOff; }

// An editor opened for its modeller or animation editor (or asked to close with it) closes
// once that sub-screen has gone.
bool ClosesWithoutSub(const ObjectEditor& e) {
  return !e.prss.sub && (ObjectEditorShared.closeAll || e.openMode != OPEN_NONE);
}

void SyncPreviewSettings() {
  const ObjectEditorState& s = ObjectEditorShared;
  PreviewSettings& p = PreviewConfig;
  p.visibleLayers = s.visibleLayers;
  p.sideSwapTest = s.testSideSwap != 0;
  p.spokeCount = s.spokeCount;
  p.shadowOn = s.shadow != 0;
  p.drawOn = 1;
}

void SyncMeshDisplay(const ObjectEditor& e) {
  const ObjectEditorState& s = ObjectEditorShared;
  MeshDisplay.showWholeObjects = int(s.showMain);
  MeshDisplay.showSubobjects = int(s.showSubobjects);
  const ModelObject* main = e.shownCount > 0 ? e.shown[0] : nullptr;
  const ModelObject* edited = main && s.editedObject >= 0 && s.editedObject < main->childCount
                                  ? &main->children[s.editedObject]
                                  : main;
  MeshDisplay.currentObject = edited ? edited->builtMesh : nullptr;
}

// Every built mesh reference of the tree: the previews that set them are gone.
void ForgetBuiltMeshes(ModelObject& o) {
  o.builtMesh = nullptr;
  for (int i = 0; i < o.childCount && o.children; ++i) ForgetBuiltMeshes(o.children[i]);
}

// The figure (the first shown object with a skeleton) follows the animation editor's rig while
// it is open, except in the layers' surface colours, which are drawn at rest.
bool PosesFigure(const ObjectEditor& e, int index) {
  return index == 0 && e.skeletonIndex >= 0 && FigurePose.skeleton && FigurePose.boneFrames &&
         CurrentDrawMode() != DRAW_LAYERS;
}

// Draws a shown object's preview, the figure by the rig's current frames.
void DrawShownEntry(ObjectEditor& e, int index) {
  PreviewEntry& entry = e.previews[index];
  if (!entry.posed) {
    DrawPreviewEntry(entry, nullptr, 0);
    return;
  }
  FixedTransform frames[GOURAUD_MAX_FRAMES];
  const int count = FigurePose.boneFrames(frames, GOURAUD_MAX_FRAMES);
  DrawPreviewEntry(entry, frames, count);
}

// Builds one shown object's preview in the kind the draw mode needs; hidden triangles stay
// out unless "show hidden" is on.
void BuildEntry(ObjectEditor& e, int index) {
  ModelObject& o = *e.shown[index];
  SyncPreviewSettings();
  const int hide = !ObjectEditorShared.showHidden;
  if (hide) o.SaveTriangleByte();
  const int type = CurrentDrawMode() == DRAW_GOURAUD ? PREVIEW_GOURAUD : PREVIEW_FLAT;
  BuildPreviewMesh(e.previews[index], o, type, o.currentLod, 0, PosesFigure(e, index) ? FigurePose.skeleton : nullptr,
                   nullptr);
  if (hide) o.RestoreTriangleByte();
  if (type == PREVIEW_FLAT && CurrentDrawMode() >= DRAW_MAPPINGS)
    ColourTrianglesForDrawMode(o, *static_cast<Obj3d*>(e.previews[index].mesh), o.currentLod,
                               ObjectEditorShared.visibleLayers);
}

bool FirstPreviewIsGouraud(const ObjectEditor& e) {
  return e.shownCount > 0 && e.previews[0].mesh && e.previews[0].mesh->IsGouraud();
}

// The draw hook: the drag box and the vertex normals over the frame.
void DrawVertexNormals(void* argument) {
  ObjectEditor* e = static_cast<ObjectEditor*>(argument);
  if (!e || !Alive(*e) || MappingScreenshotRequested) return;
  DrawEditViewDragBox();
  if (e->normalsDisplay == 0 || e->skeletonIndex >= 0 || e->shownCount == 0) return;
  static const uint8_t colours[4][3] = {{240, 240, 40}, {40, 40, 240}, {240, 40, 40}, {0, 0, 0}};
  const uint8_t* c = colours[e->normalsColour & 3];
  DrawPreviewNormals(e->previews[0], e->normalsDisplay == 1 ? 4 : 2, ColourFromBytes(c[0], c[1], c[2]));
}

// The perspective camera's drag and zoom turn about the surface under the mouse.
int SurfacePickForCamera(ViewCameraRecord& camera) {
  const SurfacePick& p = ObjectEditorShared.pick;
  if (p.state != 2) return 0;
  for (int i = 0; i < 3; ++i) {
    camera.pick.pickResult[i] = p.point[i];
    camera.pick.pickNormal[i] = p.normal[i];
  }
  return 1;
}

void FrameViewHandler(void* owner, int, uintptr_t word) {
  if (word == 1)
    ObjectEditorShared.frameCountdown = 1;
  else
    FrameObjectView(*static_cast<ObjectEditor*>(owner), int(word));
}

// A framing asked for (frameCountdown) is done at the end of the frame's act, when the frame's
// panels stand, and the next frame shows it; it waits while a dialog or a page over the
// modeller (an import's licence page) hides those panels.
void FrameWhenDue(ObjectEditor& e) {
  ObjectEditorState& s = ObjectEditorShared;
  if (s.frameCountdown <= 0 || DialogOpen || (e.prss.sub && e.prss.sub->sub)) return;
  if (--s.frameCountdown > 0) return;
  FrameObjectView(e, 1);
  KeepDrawing = 1;
}

void ExitAnswered(Prss* owner, uint32_t, uint32_t) {
  ObjectEditor* e = reinterpret_cast<ObjectEditor*>(owner);
  if (Alive(*e)) TerminateObjectEditor(&e->prss);
}

// Frees what the editor owns and puts back what it changed; the editor itself is deleted.
void CloseEditor(ObjectEditor* e) {
  ObjectEditorState& s = ObjectEditorShared;
  std::memset(s.skinName, 0, sizeof s.skinName);
  for (int i = 0; i < e->shownCount; ++i) {
    e->previews[i].Free();
    ModelObject* o = e->shown[i];
    if (!o) continue;
    if (i == 0 && e->callersObject) {
      ForgetBuiltMeshes(*o);
      continue;
    }
    o->Free();
    std::free(o);
    e->shown[i] = nullptr;
  }
  e->shownCount = 0;
  EditorFrameHook = e->savedDrawHook;
  EditorFrameHookArgument = e->savedDrawHookOwner;
  if (CurrentView) SetViewDiffuseLight(1.0f, 0.0f, 0.0f);  // the neutral light the other screens draw by
  if (e->callerKind < 2) CloseEditViews();
  ObjectEditorOpen = e->savedEditorOpen;
  EditViewNearClip = e->savedNearClip;
  if (e->madeSortTree) SharedDrawTree.Free();
  CameraSelectionPickHook = g_savedSelectionPick;
  s.showMain = s.showWheels = s.showSubobjects = 1;
  s.invert = s.testSideSwap = 0;
  s.pick = SurfacePick{};
  s.editedObject = -1;
  s.spokeCount = 0;
  SpokeWheel = SpokeWheelContext{};
  s.closeAll = 0;
  s.meshChangePending = 0;
  MeshDisplay.modellerDrawMode = DRAW_FLAT;
  MeshDisplay.showWholeObjects = MeshDisplay.showSubobjects = 1;
  MeshDisplay.currentObject = nullptr;
  ObjectEditorPagesShared = 0;
  PreviewConfig = PreviewSettings{};
  if (ActiveObjectEditor == e) ActiveObjectEditor = nullptr;
  delete e;
}

// Ends the screen (its sub-screens close at once); from here on it is no longer the open
// editor, though its records are freed only by its next act.
// For the layout check: the model's box as the view projects it (corners behind the eye left out).
void RecordModelArea(ObjectEditor& e) {
  int32_t low[3], high[3];
  if (!DrawRecording || e.shownCount == 0 || !e.shown[0] || !e.shown[0]->GetBoxAll(low, high)) return;
  float box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (int corner = 0; corner < 8; ++corner) {
    const int32_t p[3] = {corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1], corner & 4 ? high[2] : low[2]};
    float x, y;
    int32_t depth;
    ProjectPointToScreen(p, &x, &y, &depth);
    if (depth <= 0 || !std::isfinite(x) || !std::isfinite(y)) continue;
    box[0] = std::min(box[0], x), box[1] = std::min(box[1], y), box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
  }
  RecordArea(AREA_MODEL, box[0], box[1], box[2], box[3]);
}

void TerminateObjectEditor(Prss* process) {
  Prss_Terminate(process);
  if (ActiveObjectEditor == reinterpret_cast<ObjectEditor*>(process)) ActiveObjectEditor = nullptr;
}

}  // namespace

int CurrentDrawMode() { return MeshDisplay.modellerDrawMode; }

// ---- [Opening] ----

ObjectEditor* OpenObjectEditor(Prss* parent, uint32_t openMode, ModelObject* object, int skeletonIndex,
                               void* animationArgument, ModelObject* eyeObject, int callerKind, uint32_t visibleLayers) {
  ObjectEditorState& s = ObjectEditorShared;
  ObjectEditor* e = Prss_New<ObjectEditor>();
  Prss_Init(&e->prss, parent, ObjectEditorScreenAction, ObjectEditorKey, ObjectEditorMouse, TerminateObjectEditor,
            nullptr);
  e->lightHeading = OBJECT_EDITOR_LIGHT_HEADING;
  e->lightElevation = OBJECT_EDITOR_LIGHT_ELEVATION;
  ActiveObjectEditor = e;
  std::memcpy(s.skinName, EditorSkinName, sizeof s.skinName);

  e->skeletonIndex = skeletonIndex;
  if (skeletonIndex >= 0 && VehicleEditorHooks.skeletonBones) VehicleEditorHooks.skeletonBones(skeletonIndex, &e->bones, &e->boneTable);
  e->savedNearClip = EditViewNearClip;
  EditViewNearClip = OBJECT_EDITOR_NEAR_CLIP;
  e->callerKind = uint8_t(callerKind);
  e->savedEditorOpen = ObjectEditorOpen;
  ObjectEditorOpen = 1;
  s.visibleLayers = visibleLayers;
  if (!SharedDrawTree.pool) {
    e->madeSortTree = SharedDrawTree.Init(EDITOR_SORT_TREE_CAPACITY, EDITOR_SORT_TREE_BUCKETS, EDITOR_SORT_TREE_SHIFT,
                                          sizeof(DepthSortEntry));
  }

  e->eyeObject = eyeObject;
  s.unsavedChanges = 0;
  s.pick = SurfacePick{};
  s.rebuildWire = 0;
  s.editedObject = -1;
  e->showDummy = 1;

  if (object) {
    e->callersObject = 1;
    object->FreeRenderCaches();
    if (callerKind == CALLER_VEHICLE_EDITOR) ForgetBuiltMeshes(*object);
  } else {
    object = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
    object->Init();
  }
  MeshDisplay.modellerDrawMode = DRAW_GOURAUD;
  if (object->currentLod >= object->lodCount) object->currentLod = uint8_t(object->lodCount > 0 ? object->lodCount - 1 : 0);
  e->shown[0] = object;
  e->shownCount = 1;
  BuildEntry(*e, 0);

  e->savedDrawHook = EditorFrameHook;
  e->savedDrawHookOwner = EditorFrameHookArgument;
  EditorFrameHook = DrawVertexNormals;
  EditorFrameHookArgument = e;
  g_savedSelectionPick = CameraSelectionPickHook;
  CameraSelectionPickHook = SurfacePickForCamera;
  Prss_MakeCurrent(&e->prss);

  // A skeleton's pose buffer and bone drawing are the animation editor's; without one there
  // is no pose and no skeleton to show.
  s.showSkeleton = skeletonIndex >= 0 && !eyeObject;

  e->animationArgument = animationArgument;
  e->openMode = openMode;
  if (callerKind < 2) {
    InitEditViews();
    FrameObjectView(*e, 1);
    s.frameCountdown = 1;  // again once its own panels stand
  }
  ObjectEditorPagesShared = callerKind != 2;
  if (openMode == OPEN_MODELLER) ObjectEditorMenuAction(*e, 1);
  if (openMode == OPEN_ANIMATION_EDITOR) ObjectEditorMenuAction(*e, 4);
  return e;
}

void ObjectEditorMenuAction(ObjectEditor& e, int action) {
  switch (action) {
    case 0: {
      if (!OpenOptionsScreen) return;
      Prss* deepest = &e.prss;
      while (deepest->sub) deepest = deepest->sub;
      if (Prss* options = OpenOptionsScreen(deepest)) Prss_AddSub(deepest, options);
      return;
    }
    case 1:
      if (e.prss.sub || e.shownCount == 0 || !ModellerHooks.start) return;
      Prss_AddSub(&e.prss, ModellerHooks.start(e, e.shown[0], &e.previews[0], e.bones, e.boneTable, e.callerKind));
      return;
    case 4: {
      const VehicleEditorLink& v = VehicleEditorHooks;
      if (e.prss.sub || e.skeletonIndex < 0 || !e.boneTable || !v.createAnimEditor || !v.checkBoneHierarchy) return;
      BoneLinkArray* links = v.checkBoneHierarchy(&e.prss, e.bones, e.boneTable);
      if (!links) return;  // the check showed why and freed the list
      if (v.updateBones) v.updateBones(e.bones, e.boneTable);
      Prss_AddSub(&e.prss, v.createAnimEditor(&e.prss, e.bones, e.boneTable, links, e.animationArgument));
      e.animationArgument = nullptr;
      return;
    }
    default: return;
  }
}

void ConfirmExitEditor(ObjectEditor& e) {
  if (!ObjectEditorShared.unsavedChanges) {
    TerminateObjectEditor(&e.prss);
    return;
  }
  if (e.prss.sub) return;
  OpenMessageSub(nullptr, &e.prss, ExitAnswered, "Exit editor?", "Unsaved changes will be lost", 0, 0, 0, nullptr);
}

void FrameObjectView(ObjectEditor& e, int which) {
  if (which == 2) {
    // The driver's eye needs the pose buffer of a skeleton, which the animation editor keeps.
    return;
  }
  // About the middle of the model's box, subobjects included, far enough for the sphere about
  // it through its furthest point, the box filling the free room.
  // An empty model is looked at from a quarter of the least size up.
  IntVector centre{0, 0, 0};
  int32_t radius = 0, low[3], high[3];
  const bool box = e.shownCount > 0 && e.shown[0] && e.shown[0]->GetBoxAll(low, high);
  if (box) e.shown[0]->GetBoundingSphereAll(&centre, &radius, nullptr, nullptr);
  radius = std::max(radius, MIN_FRAMED_SIZE);
  const int32_t target[3] = {centre.x, centre.y, box ? centre.z : radius / 4};
  FrameEditView(radius, target, 1, box ? low : nullptr, box ? high : nullptr);
}

// ---- [Draw modes and previews] ----

void SetObjectDrawMode(ObjectEditor& e, int force, int mode) {
  ObjectEditorState& s = ObjectEditorShared;
  if (mode != DRAW_GOURAUD) s.testSideSwap = 0;
  if (mode == DRAW_WIRE && CurrentDrawMode() == DRAW_WIRE && !force) return;
  MeshDisplay.modellerDrawMode = mode;
  RebuildObjectPreviews(e, force);
  if (mode == DRAW_FLAT || mode >= DRAW_MAPPINGS) {
    for (int i = 0; i < e.shownCount; ++i) {
      DrawMesh* mesh = e.previews[i].mesh;
      if (mesh && !mesh->IsGouraud())
        ColourTrianglesForDrawMode(*e.shown[i], *static_cast<Obj3d*>(mesh), e.shown[i]->currentLod, s.visibleLayers);
    }
  }
}

void RebuildObjectPreviews(ObjectEditor& e, int force) {
  const bool gouraud = CurrentDrawMode() == DRAW_GOURAUD;
  for (int i = 0; i < e.shownCount; ++i) {
    const DrawMesh* mesh = e.previews[i].mesh;
    if (!force && mesh && (mesh->IsGouraud() != 0) == gouraud) continue;
    BuildEntry(e, i);
  }
  ObjectEditorShared.meshesDrawn = 0;
  ObjectEditorShared.pick.state = 0;
  if (CurrentDrawMode() == DRAW_WIRE && !FirstPreviewIsGouraud(e)) RebuildWireEdges(e);
}

void RebuildMainPreview(ObjectEditor& e) {
  if (e.shownCount == 0) return;
  BuildEntry(e, 0);
  ObjectEditorShared.meshesDrawn = 0;
  ObjectEditorShared.pick.state = 0;
  if (CurrentDrawMode() == DRAW_WIRE && !FirstPreviewIsGouraud(e)) RebuildWireEdges(e);
}

void RebuildWireEdges(ObjectEditor& e) {
  WireEdgeStore& store = e.wireEdges;
  store.Clear();
  const ObjectEditorState& s = ObjectEditorShared;
  const ModelObject* main = e.shown[0];
  const ModelObject* edited =
      s.editedObject >= 0 && s.editedObject < main->childCount ? &main->children[s.editedObject] : nullptr;
  const WireEdgeFilter filter{int(s.showMain), int(s.showSubobjects),
                              edited ? static_cast<const Obj3d*>(static_cast<const DrawMesh*>(edited->builtMesh)) : nullptr};
  for (int i = 0; i < e.shownCount; ++i) {
    if (i > 0 && !e.showDummy) break;
    const DrawMesh* mesh = e.previews[i].mesh;
    if (!mesh || mesh->IsGouraud()) continue;
    BuildWireframeEdges(store, *static_cast<const Obj3d*>(mesh), filter);
  }
}

namespace {
// The first preview when it is a Gouraud mesh, else null.
const GouraudO3d* GouraudPreview() {
  const ObjectEditor* e = ActiveObjectEditor;
  if (!e || !FirstPreviewIsGouraud(*e)) return nullptr;
  return static_cast<const GouraudO3d*>(e->previews[0].mesh);
}
// Whether part i is the first part of its material.
bool FirstPartOfMaterial(const GouraudO3d& mesh, int i) {
  for (int k = 0; k < i; ++k)
    if (mesh.parts[k].key == mesh.parts[i].key) return false;
  return true;
}
}  // namespace

int PreviewMaterialCount(int* second) {
  if (second) *second = 0;
  const GouraudO3d* mesh = GouraudPreview();
  if (!mesh) return 0;
  int distinct = 0;
  for (int i = 0; i < mesh->partCount; ++i) distinct += FirstPartOfMaterial(*mesh, i) ? 1 : 0;
  if (second) *second = mesh->partCount;
  return distinct;
}

int PreviewMaterialNumber(const void* material) {
  const GouraudO3d* mesh = GouraudPreview();
  if (!material || !mesh) return 0;
  int distinct = 0;
  for (int i = 0; i < mesh->partCount; ++i) {
    if (!FirstPartOfMaterial(*mesh, i)) continue;
    ++distinct;
    if (mesh->parts[i].key == material) return distinct;
  }
  return 0;
}

int ShowsBackingColumn() { return ObjectEditorShared.spokeCount == 0; }

static_assert(sizeof ObjectEditorShared.skinName == EDITOR_SKIN_NAME_SIZE, "the remembered skin holds the editor skin name");

// ---- [Screen] ----

Prss* ObjectEditorScreenAction(Prss* process) {
  ObjectEditor* e = reinterpret_cast<ObjectEditor*>(process);
  ObjectEditorState& s = ObjectEditorShared;
  if (!Alive(*e)) {
    CloseEditor(e);
    return nullptr;
  }
  // A sub-screen that ended since the last frame goes first; when the editor closes with it,
  // it closes in this act, before drawing, so the screen beneath finds it gone in the same
  // frame (and takes keys such as Shift+O at once).
  if (process->sub && !process->sub->alive) Prss_ActSub(process);
  if (ClosesWithoutSub(*e)) {
    TerminateObjectEditor(process);
    CloseEditor(e);
    return nullptr;
  }
  e->twoSidedPicking = 0;
  if (TopClearMode() == 3 && process->sub) {
    Prss_ActSub(process);
    FrameWhenDue(*e);
    return process;
  }
  const bool driverView = DriverView(*e);
  const int mode = CurrentDrawMode();
  const bool perspective = EditViews.width == 0;
  SyncMeshDisplay(*e);
  if (!DrawingOff()) {
    SetEditViewLight(e->lightHeading, e->lightElevation);
    CurrentView->roll = perspective && s.invert ? int16_t(-32768) : int16_t(0);
    SetEditViewProjection(FrameTime);
    FixedTransform eye;
    if (driverView && VehicleEditorHooks.eyeTransform && VehicleEditorHooks.eyeTransform(&eye)) {
      CurrentView->position[0] = eye.translation.x;
      CurrentView->position[1] = eye.translation.y;
      CurrentView->position[2] = eye.translation.z;
    }
    SetViewLightColours(0);
    SetViewDiffuseLight(EDIT_LIGHT_AMBIENT, EDIT_LIGHT_SKY, EDIT_LIGHT_DIRECT);
    if (perspective) {
      BeginEditorFrameClear();
      DrawEditorGround();
    }
    e->twoSidedPicking = mode == DRAW_LAYERS || (ModellerHooks.showsViewMarks && ModellerHooks.showsViewMarks());
    PickSurfaceUnderMouse(*e);
    SetIdentityMatrix(WorldMatrix);
    UploadWorldMatrix(0, 0);
    if (!perspective && !MappingScreenshotRequested) DrawEditViewBackground();
  }
  // The animation editor opened or closed: the figure is built again, posed or at rest.
  if (e->shownCount > 0 && bool(e->previews[0].posed) != PosesFigure(*e, 0)) s.meshChangePending = 1;
  if (s.meshChangePending) {
    s.meshChangePending = 0;
    if (!ModellerHooks.refreshEditedMesh || !ModellerHooks.refreshEditedMesh(process->sub)) RebuildMainPreview(*e);
  }
  if (!DrawingOff() && !MappingScreenshotRequested && EditViews.gridChoice != GRID_NONE && mode != DRAW_WIRE &&
      mode != DRAW_LAYERS)
    DrawEditViewGrid();
  if (s.modellerBox == 2) s.modellerBox = 1;  // the box itself is the modeller's to draw
  if (VehicleEditorHooks.drawScene) VehicleEditorHooks.drawScene();
  if (!DrawingOff() && mode != DRAW_LAYERS) {
    s.meshesDrawn = 1;
    for (int i = 0; i < e->shownCount; ++i)
      if (i == 0 || e->showDummy) DrawShownEntry(*e, i);
    RecordModelArea(*e);
    if (driverView && VehicleEditorHooks.drawOverlay) VehicleEditorHooks.drawOverlay();
    if (driverView && VehicleEditorHooks.drawAnimEditorOverlay) VehicleEditorHooks.drawAnimEditorOverlay();
  } else if (!DrawingOff()) {
    s.meshesDrawn = 1;
    FixedTransform identity;
    SetIdentityTransform(identity);
    SetIdentityMatrix(WorldMatrix);
    UploadViewMatrices();
    for (int i = 0; i < e->shownCount; ++i)
      if ((i == 0 || e->showDummy) && e->previews[i].mesh) e->previews[i].mesh->DrawSurfaceColours(identity, 0);
  }
  if (s.rebuildWire) {
    if (mode == DRAW_WIRE && !FirstPreviewIsGouraud(*e)) RebuildWireEdges(*e);
    s.rebuildWire = 0;
  }
  if (mode == DRAW_WIRE && !DrawingOff() && !TextEntryActive && !FirstPreviewIsGouraud(*e))
    DrawWireframeEdges(e->wireEdges);

  Prss_ActSub(process);
  if (MappingScreenshotRequested) return process;
  if (ClosesWithoutSub(*e)) {
    TerminateObjectEditor(process);
    return process;
  }
  // A dialog (drawn before the pixel buttons) takes the input while it is open: the block and
  // the view options give way to it, so none of them lies over its rows.
  if (!DrawingOff() && !s.hidePanels && Alive(*e) && !DialogOpen) {
    const int eyeMode = perspective && e->eyeObject ? (e->skeletonIndex >= 0 ? 1 : 2) : 0;
    const int firstBlock = ButtonCount;
    const int rows = AddEditViewButtons(process, FrameViewHandler, eyeMode);
    s.bottomRightRows = rows;
    if (!s.hideBottomRight) {
      // The view options stand above the block, unless the tool on show has rows there
      // already (the cutouts screen's page panel, a short window's columns): then they give
      // way for as long as those show.
      const int first = ButtonCount;
      const int optionRows = AddViewOptionsPanel(*e, rows + 1);
      const int top = ScreenHeight - (rows + optionRows) * ButtonHeight;
      if (CutoutsPlaced.panelBottom > top || RowsLieOverEarlierRows(0, first, ButtonCount)) ButtonCount = first;
    }
    s.bottomRightLeft = 0;
    for (int i = firstBlock; i < ButtonCount; ++i)
      if (!s.bottomRightLeft || InterfaceButtons[i].left < s.bottomRightLeft) s.bottomRightLeft = InterfaceButtons[i].left;
  }
  FrameWhenDue(*e);
  // The model holds still once drawn; the modeller or a page over it decides for itself.
  if (!DrawingOff()) Prss_RestAfterDrawing(process);
  return process;
}

void ObjectEditorKey(Prss* process, int key) {
  ObjectEditor& e = *reinterpret_cast<ObjectEditor*>(process);
  ObjectEditorState& s = ObjectEditorShared;
  const int letter = key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
  switch (letter) {
    case 9:
    case 27: return;
    case 'A':
      if (!process->sub && s.showSkeleton) ObjectEditorMenuAction(e, 4);
      return;
    case 'E':
      if (!ShiftHeld && !process->sub && e.shownCount > 0) ObjectEditorMenuAction(e, 1);
      return;
    case 'I': s.invert ^= 1; return;
    case 'O':
      if (ShiftHeld)
        ObjectEditorMenuAction(e, 0);
      else
        s.frameCountdown = 1;
      return;
    case 'X':
      if (ShiftHeld) {
        ConfirmExitEditor(e);
        return;
      }
      break;
    default: break;
  }
  EditView::SelectByKey(key);
}

void ObjectEditorMouse(Prss* process, MouseRecord* mouse) {
  ObjectEditor& e = *reinterpret_cast<ObjectEditor*>(process);
  if (!mouse) return;
  if (HandleInterfaceMouse(mouse)) return;
  const MouseRecord& m = *mouse;
  if (m.leftHeld && !m.rightHeld && CtrlHeld && !m.clickCode && (m.dx || m.dy)) {
    // The light turns: 36 heading units and 18 elevation units a pixel.
    e.lightHeading = uint16_t(e.lightHeading + 36 * m.dx);
    e.lightElevation = uint16_t(std::clamp(int(e.lightElevation) - 18 * m.dy, 0, int(OBJECT_EDITOR_LIGHT_ELEVATION_MAX)));
    return;
  }
  const int flags = e.shownCount > 0 && ObjectEditorShared.pick.state == 2 ? 2 : 0;
  HandleEditViewMouse(mouse, flags);
}
