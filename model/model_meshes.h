// model_meshes.h - display meshes from the editable model: the flat-shaded Obj3d tree
// coloured by mapping colour, the textured GouraudO3d tree split into parts by texture, one
// level merged into one mesh for the world, texture assignment and texture coordinates.
//
// Sections: [Settings] [Texture lookup] [Flat meshes] [Textured meshes] [Merged level]
//           [Textures] [Texture coordinates] [Texts]
//
// The caller makes each mesh (new and Init), owns it and releases it (DeleteDrawMesh).  The
// builders keep derived data in the model: every level's render cache (model_lod_cache.h),
// the mapping matrices and each cutout's texture, until the geometry changes
// (ModelObject::FreeRenderCaches).  A textured mesh's points refer to the colour words of the
// model's mappings: rebuild the mesh when the mappings change.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model_lod_cache.h"
#include "model/model_object.h"

struct DrawMesh;
struct Obj3d;
struct GouraudO3d;
struct Material;
struct MaterialParams;

// ---- [Settings] ----
// What the car, the modeller's preview and the world set around a build.
struct ModelMeshSettings {
  int plateSlot = -1;   // the number-plate slot while a car's meshes are built; -1 none
  int buildStage = 1;   // 2 while the modeller's preview is built; 0 while a mirrored twin is
  int modeFlag = 1;     // decal models ask for decal textures; translucent parts mark the mesh
  int quiet = 0;        // the build's messages are not shown
};
extern ModelMeshSettings ModelMeshConfig;
// A skin ("prefix_skin") the texture pages screen asks the next car assembly to show; the
// assembly takes it and clears it.
constexpr int EDITOR_SKIN_NAME_SIZE = 24;
extern char EditorSkinName[EDITOR_SKIN_NAME_SIZE];

// The mesh's first flag byte: a part of the mesh is drawn blended.
constexpr uint8_t MESH_FLAG_TRANSLUCENT = 1;

// ---- [Texture lookup] ----
// The texture of a cutout's page: name (empty for a skin page), the usage, the plate index,
// the request flags (1, 3 for a decal model, plus 128 for a backing cutout), the cutout's
// material and whether the car's current skin is asked for.  The vehicle model installs the
// car's lookup; until then the least body finds the page's texture by name (special names
// first) and a skin page gets none.  Null when there is none.
using FindSkinTextureHook = Material* (*)(const char* name, int usage, int plateIndex, int requestFlags,
                                          const CutoutMaterial& material, int skin);
extern FindSkinTextureHook FindSkinTexture;
Material* FindPageTextureByName(const char* name, int usage, int plateIndex, int requestFlags,
                                const CutoutMaterial& material, int skin);
// A page name that can stand for a texture file: no path separator, drive letter or "..".
bool IsPlainTextureName(const char* name);
// A cutout's material as the renderer's parameter block (the same eight bytes).
MaterialParams CutoutParams(const CutoutMaterial& material);

// ---- [Flat meshes] ----
// Each built object appends six values to the transform list when one is given: its offset
// x, y, z and its three angles.
using ModelTransformList = std::vector<int32_t>;

// Fills an initialised Obj3d from the object's level (when the object has it) and, with
// subobjects, one child per subobject (two for a mirrored twin: the mirrored copy first).
// Triangles carry their mapping's colour and their layer as the surface.  The model is the
// same afterwards.
void BuildModelObj3d(ModelObject& object, Obj3d& mesh, const ModelObject* parent, ModelTransformList* transforms,
                     int lod, int withSubobjects, const ModelSkeleton* skeleton, uint32_t layerMask);
// Recolours an Obj3d built by BuildModelObj3d for the object editor's draw mode
// (MeshDisplay.modellerDrawMode): 0 mapping colours, 4 one colour per mapping index,
// 5 per smoothing group, 6 per normal level, 7 by mirror and side-swap flags, others grey.
void ColourTrianglesForDrawMode(const ModelObject& object, Obj3d& mesh, int lod, uint32_t layerMask);
// The palettes of the coloured draw modes (the 128 mapping colours are the interface's code
// table, ColourCodeTable).
extern const ColourWord SMOOTHING_GROUP_COLOURS[MAX_SMOOTHING_GROUPS];
extern const ColourWord NORMAL_LEVEL_COLOURS[NORMAL_LEVEL_COUNT];
extern const ColourWord SIDE_FLAG_COLOURS[4];  // plain, mirrored, side swap, both
constexpr ColourWord DRAW_MODE_GREY = 0x808080;

// ---- [Textured meshes] ----
// Fills an initialised GouraudO3d from the object's level: one part per texture, points with
// normals, texture coordinates, the colour word of their mapping and their lighting class.
// subobjects 0 builds the object alone; any other value also builds each subobject into a
// child (two for a mirrored twin), the child's textures assigned first; with 2 a brake object
// or mudguard turns its normals by its own rotation.  normalMatrix (null: none) turns the
// normals of points whose mapping colour has CF_TRANSLUCENT.  The textures must have been
// assigned (AssignMeshTextures).
void BuildModelMeshes(ModelObject& object, const ModelObject* parent, GouraudO3d& mesh, ModelTransformList* transforms,
                      int lod, int subobjects, const ModelSkeleton* skeleton, const FixedMatrix* normalMatrix,
                      uint32_t layerMask);

// ---- [Merged level] ----
// Builds the level of the object and of every subobject that has it into one textured mesh
// under the transform.  A subobject that would take the mesh past 65536 vertices (result bit
// 1) or triangles (bit 2) is left out with TEXT_TOO_MANY.  Returns the bits of the last
// refusal, 0 when everything fitted.
int BuildModelLodMesh(ModelObject& object, const ModelObject* parent, GouraudO3d& mesh,
                      const FixedTransform& transform, int lod);
constexpr int MERGED_MESH_LIMIT = 65536;

// ---- [Textures] ----
// Resolves the texture of every cutout that a triangle of the layer mask uses (the others get
// none) and remembers the usage.  A page name that is not a plain texture name gets no
// texture and one message naming the model and the page.
void AssignMeshTextures(ModelObject& object, int usage, uint32_t layerMask);
// Clears every cutout's texture, here and in the subobjects.
void ClearCutoutTextures(ModelObject& object);

// ---- [Texture coordinates] ----
// The page coordinates of a source position (16.16) through the mapping, its matrix and the
// cutout's region and orientation.
void ComputeTextureCoordinates(float uv[2], const int32_t source[3], const ModelMapping& mapping,
                               const Cutout& cutout, const FixedMatrix& matrix);
// u' = a u + b v + e, v' = c u + d v + f for each orientation.
extern const float ORIENTATION_TABLE[ORIENTATION_COUNT][6];

// ---- [Texts] ----
constexpr const char* TEXT_NO_CUTOUTS_IN_USE = "No cutouts in use";
constexpr const char* TEXT_CROSS_TEXTURE = "Cross-texture triangle found in LOD%d - mapping corrected";
constexpr const char* TEXT_TOO_MANY = "%s : too many %s";
constexpr const char* TEXT_PAGE_NAME_REFUSED = "%s : texture page %s is not a plain file name";
