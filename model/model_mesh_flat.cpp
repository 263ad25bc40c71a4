// model_mesh_flat.cpp - the flat-shaded Obj3d tree of a model, the placement every built
// mesh shares, and the colours of the object editor's coloured draw modes.
#include <cstring>

#include "model/model_mesh_local.h"
#include "render/object_mesh.h"
#include "text/text_colours.h"

const ColourWord SMOOTHING_GROUP_COLOURS[MAX_SMOOTHING_GROUPS] = {
    RgbWord(230, 60, 60),   RgbWord(60, 200, 60),   RgbWord(70, 110, 240),  RgbWord(240, 220, 60),
    RgbWord(220, 70, 220),  RgbWord(60, 210, 220),  RgbWord(240, 140, 40),  RgbWord(140, 80, 220),
    RgbWord(150, 230, 90),  RgbWord(240, 120, 170), RgbWord(40, 150, 150),  RgbWord(170, 120, 60),
    RgbWord(120, 30, 30),   RgbWord(30, 110, 30),   RgbWord(30, 50, 130),   RgbWord(140, 130, 30),
    RgbWord(120, 30, 120),  RgbWord(30, 120, 130),  RgbWord(255, 200, 150), RgbWord(200, 200, 255),
    RgbWord(200, 255, 200), RgbWord(255, 255, 200), RgbWord(110, 110, 110), RgbWord(250, 250, 250),
};
const ColourWord NORMAL_LEVEL_COLOURS[NORMAL_LEVEL_COUNT] = {RgbWord(40, 40, 160), RgbWord(120, 200, 120),
                                                              RgbWord(230, 200, 60), RgbWord(230, 70, 50)};
const ColourWord SIDE_FLAG_COLOURS[4] = {RgbWord(150, 150, 150), RgbWord(80, 160, 230), RgbWord(230, 150, 60),
                                         RgbWord(200, 80, 200)};

// ---- the placement every built mesh shares ----

void PlaceBuiltMesh(const ModelObject& o, DrawMesh& mesh, ModelTransformList* transforms) {
  mesh.type = o.type;
  mesh.flags[0] = mesh.flags[1] = mesh.flags[2] = 0;
  mesh.local.translation = IntVector{o.offset[0], o.offset[1], o.offset[2]};
  if (o.angles[0] == 0 && o.angles[1] == 0 && o.angles[2] == 0)
    MatrixIdentity(mesh.local.rotation);
  else
    ObjectRotation(o, mesh.local.rotation);
  if (transforms)
    transforms->insert(transforms->end(), {o.offset[0], o.offset[1], o.offset[2], int32_t{o.angles[0]},
                                           int32_t{o.angles[1]}, int32_t{o.angles[2]}});
}

void ObjectRotation(const ModelObject& o, FixedMatrix& rotation) {
  MatrixFromAngles(rotation, uint16_t(o.angles[2]), uint16_t(o.angles[0]), uint16_t(o.angles[1]));
}

bool TriangleBuilt(const ModelObject& o, const ModelTriangle& t, int lod, uint32_t layerMask) {
  return t.lod == lod && (layerMask >> (t.layer & 31) & 1) && (t.corners[0] & CORNER_INDEX_MASK) < o.pointCount &&
         (t.corners[1] & CORNER_INDEX_MASK) < o.pointCount && (t.corners[2] & CORNER_INDEX_MASK) < o.pointCount;
}

ColourWord MappingColour(const ModelObject& o, int mapping) {
  return mapping < o.mappingCount ? o.mappings[mapping].colour : 0xFFFFFF;
}

// ---- the flat level ----

namespace {

// A point in its bone's frame: minus the bone's origin, turned back by its rotation.
IntVector InBoneFrame(const ModelSkeleton& skeleton, int bone, const IntVector& p) {
  const FixedTransform& frame = skeleton.bones[bone].frame;
  const IntVector local{SubtractStored(p.x, frame.translation.x), SubtractStored(p.y, frame.translation.y),
                        SubtractStored(p.z, frame.translation.z)};
  IntVector out;
  MatrixTransformTransposed(frame.rotation, local, out);
  return out;
}

void EmitPoint(Obj3dPoint& out, const ModelPoint& p, bool mirroredSide, const ModelSkeleton* skeleton) {
  IntVector v{mirroredSide ? NegateStored(p.x) : p.x, p.y, p.z};
  out.frame = 0;
  if (skeleton && skeleton->count > 0) {
    const int bone = BoneOfPoint(*skeleton, p, mirroredSide);
    v = InBoneFrame(*skeleton, bone, v);
    out.frame = static_cast<uint8_t>(bone);
  }
  out.x = v.x;
  out.y = v.y;
  out.z = v.z;
}

void BuildFlatLevel(ModelObject& o, Obj3d& mesh, int lod, const ModelSkeleton* skeleton, uint32_t layerMask) {
  for (int p = 0; p < o.pointCount; ++p) o.points[p].work = -1;
  int triangleTotal = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!TriangleBuilt(o, tri, lod, layerMask)) continue;
    triangleTotal += (tri.flags & TRIANGLE_MIRRORED) ? 2 : 1;
    for (uint16_t c : tri.corners) o.points[c & CORNER_INDEX_MASK].work = 0;
  }
  int vertexTotal = 0;
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (point.work < 0) continue;
    point.work = vertexTotal;
    vertexTotal += (point.flags & POINT_MIRRORED) ? 2 : 1;
  }
  AllocateMeshArrays(mesh, vertexTotal, triangleTotal);
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (point.work < 0) continue;
    EmitPoint(mesh.points[point.work], point, false, skeleton);
    if (point.flags & POINT_MIRRORED) EmitPoint(mesh.points[point.work + 1], point, true, skeleton);
  }
  // A corner's vertex; the mirrored copy of a central point is the point itself.
  auto vertex = [&o, &mesh](uint16_t corner, bool mirrored) {
    const ModelPoint& p = o.points[corner & CORNER_INDEX_MASK];
    return &mesh.points[p.work + (mirrored ? (p.flags & POINT_MIRRORED) : 0)];
  };
  int next = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!TriangleBuilt(o, tri, lod, layerMask)) continue;
    const uint32_t colour = MappingColour(o, tri.mapping);
    const uint16_t* c = tri.corners;
    InitTriangleRecord(mesh.triangles[next++], vertex(c[0], c[0] & CORNER_MIRRORED), vertex(c[1], c[1] & CORNER_MIRRORED),
                       vertex(c[2], c[2] & CORNER_MIRRORED), colour, tri.layer);
    if (tri.flags & TRIANGLE_MIRRORED)
      InitTriangleRecord(mesh.triangles[next++], vertex(c[2], true), vertex(c[1], true), vertex(c[0], true), colour,
                         tri.layer);
  }
}

}  // namespace

void BuildModelObj3d(ModelObject& o, Obj3d& mesh, const ModelObject* parent, ModelTransformList* transforms, int lod,
                     int withSubobjects, const ModelSkeleton* skeleton, uint32_t layerMask) {
  (void)parent;
  o.builtMesh = &mesh;
  PlaceBuiltMesh(o, mesh, transforms);
  if (lod >= 0 && lod < o.lodCount) BuildFlatLevel(o, mesh, lod, skeleton, layerMask);
  for (int i = 0; withSubobjects && i < o.childCount && o.children; ++i) {
    ModelObject& child = o.children[i];
    if (child.options & OPTION_MIRRORED_TWIN) {
      Obj3d* mirrored = new Obj3d();
      mirrored->Init();
      child.MirrorGeometry();
      BuildModelObj3d(child, *mirrored, &o, transforms, lod, withSubobjects, skeleton, layerMask);
      child.MirrorGeometry();
      AddChildMesh(mesh, mirrored);
    }
    Obj3d* built = new Obj3d();
    built->Init();
    BuildModelObj3d(child, *built, &o, transforms, lod, withSubobjects, skeleton, layerMask);
    AddChildMesh(mesh, built);
  }
  if (!skeleton) mesh.CalcRadius();
}

// ---- the coloured draw modes ----

namespace {

ColourWord DrawModeColour(const ModelObject& o, const ModelTriangle& t, int mode) {
  switch (mode) {
    case 0: return MappingColour(o, t.mapping);
    case 4: return ColourCodeTable[t.mapping & (COLOUR_CODE_COUNT - 1)];
    case 5: return t.group < MAX_SMOOTHING_GROUPS ? SMOOTHING_GROUP_COLOURS[t.group] : DRAW_MODE_GREY;
    case 6: return NORMAL_LEVEL_COLOURS[t.normalLevel < NORMAL_LEVEL_COUNT ? t.normalLevel : 1];
    case 7:
      return SIDE_FLAG_COLOURS[((t.flags & TRIANGLE_MIRRORED) ? 1 : 0) | ((t.flags & TRIANGLE_SIDE_SWAP) ? 2 : 0)];
    default: return DRAW_MODE_GREY;
  }
}

void Recolour(const ModelObject& o, Obj3d& mesh, int lod, uint32_t layerMask, int mode) {
  int built = 0;
  for (int t = 0; t < o.triangleCount; ++t)
    if (TriangleBuilt(o, o.triangles[t], lod, layerMask)) built += (o.triangles[t].flags & TRIANGLE_MIRRORED) ? 2 : 1;
  // A spoke object's mesh holds its triangles once per repetition.
  for (int k = 0; built > 0 && k + built <= mesh.triangleCount;) {
    for (int t = 0; t < o.triangleCount; ++t) {
      const ModelTriangle& tri = o.triangles[t];
      if (!TriangleBuilt(o, tri, lod, layerMask)) continue;
      const ColourWord colour = DrawModeColour(o, tri, mode);
      mesh.triangles[k++].colour = colour;
      if (tri.flags & TRIANGLE_MIRRORED) mesh.triangles[k++].colour = colour;
    }
  }
  int child = 0;
  for (int i = 0; i < o.childCount && o.children; ++i) {
    const ModelObject& sub = o.children[i];
    for (int copy = 0; copy < ((sub.options & OPTION_MIRRORED_TWIN) ? 2 : 1); ++copy, ++child)
      if (child < mesh.childCount && !mesh.children[child]->IsGouraud())
        Recolour(sub, *static_cast<Obj3d*>(mesh.children[child]), lod, layerMask, mode);
  }
}

}  // namespace

void ColourTrianglesForDrawMode(const ModelObject& o, Obj3d& mesh, int lod, uint32_t layerMask) {
  Recolour(o, mesh, lod, layerMask, MeshDisplay.modellerDrawMode);
}
