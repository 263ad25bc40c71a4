// preview_mesh.cpp - building and drawing the object editor's previews.
#include "modeller/editor/preview_mesh.h"

#include <cmath>
#include <vector>

#include "model/model_meshes.h"
#include "model/model_object.h"
#include "render/gouraud_mesh.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/object_mesh.h"
#include "render/views.h"
#include "ui/problem_report.h"

PreviewSettings PreviewConfig;
const uint32_t PREVIEW_MARKER_COLOURS[PREVIEW_MARKER_KINDS] = {0x3C3CFF, 0x30D0FF, 0xFF40FF, 0x40FF40, 0xFFC040};

namespace {

constexpr int32_t MARKER_HALF_LENGTH = 0x1000;  // 1/16 m each way

// The entry's place: at its position, plainly or turned half a turn about the vertical axis.
FixedTransform EntryTransform(const PreviewEntry& entry) {
  FixedTransform t;
  MatrixIdentity(t.rotation);
  if (PreviewConfig.halfTurn) MatrixRotZ(t.rotation, 32768);
  t.translation = IntVector{entry.position[0], entry.position[1], entry.position[2]};
  return t;
}

int CountMeshes(DrawMesh& mesh) {
  int n = 1;
  for (int i = 0; i < mesh.childCount; ++i) n += CountMeshes(*mesh.children[i]);
  return n;
}

void FillPose(PreviewEntry& entry, std::vector<int32_t>& values) {
  const int meshes = CountMeshes(*entry.mesh);
  std::vector<FixedMatrix*> rotations(size_t(meshes), nullptr);
  std::vector<IntVector*> positions(size_t(meshes), nullptr);
  int count = 0;
  entry.mesh->CollectTransforms(rotations.data(), positions.data(), count);
  // The records hold an object's angles as stored (first, second, third); the pose turns by
  // its values in the order the object's rotation is built: third, first, second.
  for (size_t r = 0; r + 6 <= values.size(); r += 6) {
    const int32_t first = values[r + 3], second = values[r + 4], third = values[r + 5];
    values[r + 3] = third;
    values[r + 4] = first;
    values[r + 5] = second;
  }
  const int records = std::min(count, int(values.size() / 6));
  CopyPoseTransforms(entry.pose, records * 6, values.data(), rotations.data(), positions.data());
}

void DrawMarkers() {
  if (ProblemMarkerCount <= 0 || !ProblemMarkers) return;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  const bool own = BeginLineBatch3D();
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < ProblemMarkerCount; ++i) {
      const ProblemMarker& m = ProblemMarkers[i];
      if (!m.hasPosition) continue;
      const uint32_t c = PREVIEW_MARKER_COLOURS[m.kind < PREVIEW_MARKER_KINDS ? m.kind : 0];
      int r = int(c & 0xFF), g = int(c >> 8 & 0xFF), b = int(c >> 16 & 0xFF);
      if (pass == 1) r /= 2, g /= 2, b /= 2;
      const uint32_t colour = ColourFromBytes(r, g, b);
      const int32_t* p = m.position;
      const int32_t lift = pass == 0 ? MARKER_HALF_LENGTH : -MARKER_HALF_LENGTH;
      const int32_t a[3] = {p[0], p[1], p[2]}, top[3] = {p[0], p[1], p[2] + lift};
      DrawLineFixed3D(a, top, colour);
    }
  }
  if (own) EndLineBatch3D();
}

}  // namespace

void PreviewEntry::Free() {
  DeleteDrawMesh(mesh);
  mesh = nullptr;
  pose = PoseTransforms{};
  subobjectCount = 0;
  posed = 0;
}

void BuildPreviewMesh(PreviewEntry& entry, ModelObject& object, int type, int level, int, const ModelSkeleton* skeleton,
                      const FixedTransform*) {
  entry.Free();
  entry.position[0] = entry.position[1] = entry.position[2] = 0;
  const PreviewSettings& s = PreviewConfig;
  std::vector<int32_t> values;
  values.reserve(size_t(object.CountTransformSlots()));
  if (s.sideSwapTest) object.FlipMarkedTriangles();
  KeptGeometry kept{};
  if (s.spokeCount >= 2) object.RepeatGeometry(s.spokeCount, kept);
  ProblemMarkerCount = 0;
  ModelMeshConfig.buildStage = 2;
  if (type == PREVIEW_FLAT) {
    Obj3d* mesh = new Obj3d();
    mesh->Init();
    BuildModelObj3d(object, *mesh, nullptr, &values, level, 1, skeleton, s.visibleLayers);
    entry.mesh = mesh;
  } else {
    GouraudO3d* mesh = new GouraudO3d();
    mesh->Init();
    const int plate = ModelMeshConfig.plateSlot;
    ModelMeshConfig.plateSlot = 0;
    AssignMeshTextures(object, 2, s.visibleLayers);
    BuildModelMeshes(object, nullptr, *mesh, &values, level, 1, skeleton, nullptr, s.visibleLayers);
    object.FreeRenderCaches();
    ModelMeshConfig.plateSlot = plate < 0 ? -1 : plate;
    entry.mesh = mesh;
  }
  ModelMeshConfig.buildStage = 1;
  object.RestoreRepeatedGeometry(kept);
  if (s.sideSwapTest) object.FlipMarkedTriangles();
  entry.subobjectCount = entry.mesh->childCount;
  entry.posed = skeleton ? 1 : 0;
  FillPose(entry, values);
}

void DrawPreviewEntry(PreviewEntry& entry, const FixedTransform* boneFrames, int frameCount) {
  if (!entry.mesh) return;
  DrawMesh& mesh = *entry.mesh;
  const FixedTransform place = EntryTransform(entry);
  ApplyPoseTransforms(entry.pose);
  const uint8_t type = mesh.type;
  mesh.type = 0;
  const int firstBatch = int(TempMeshes.count);
  if (PreviewConfig.drawOn) {
    SetIdentityMatrix(WorldMatrix);
    UploadViewMatrices();
    if (PreviewConfig.shadowOn && !PreviewConfig.worldShown && !PreviewConfig.halfTurn && PreviewConfig.spokeCount == 0)
      mesh.DrawShadow(place);
    if (PreviewConfig.lightDirectionOption) StoreFloat3PK(&MeshDisplay.specularWord, 4096.0f, 0.0f, 0.0f);
    mesh.DrawPosed(place, boneFrames, boneFrames ? frameCount : 0, 0, nullptr);
  }
  mesh.type = type;
  const int batches = int(TempMeshes.count) - firstBatch;
  if (batches > 0 && DrawVisibleTempMeshes(firstBatch, batches)) DrawTempMeshesSecondPass(firstBatch, batches);
  DrawMarkers();
}

void DrawPreviewMesh(PreviewEntry& entry, int first, int second) {
  if (!entry.mesh || !entry.mesh->IsGouraud()) return;
  const FixedTransform place = EntryTransform(entry);
  entry.mesh->DrawPosed(place, nullptr, 0, first, nullptr);
  (void)second;
}

void DrawPreviewNormals(PreviewEntry& entry, int shift, uint32_t colour) {
  if (!entry.mesh || !entry.mesh->IsGouraud()) return;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  const bool own = BeginLineBatch3D();
  DrawPointNormals(*static_cast<GouraudO3d*>(entry.mesh), EntryTransform(entry), shift, colour);
  if (own) EndLineBatch3D();
}
