// model_object.h - the editable model: a tree of ModelObject records, each with its points,
// triangles, texture pages, cutouts, mappings, colour choices, layer names and subobjects.
//
// Sections: [Limits and codes] [Point] [Triangle] [Texture page] [Cutout] [Mapping]
//           [Render caches] [Object] (life, arrays, names, moves, points, mirroring, bounds,
//           materials and colours, edit primitives, decals and overlays)
//
// Every model file, spoke object, vehicle model object and the helmet is read into this one
// form; the modeller edits it in place and display meshes are built from it.  Positions are
// signed 16.16 fixed point (65536 = 1 metre); counts and indices are zero-based.  Each array
// is owned by its object, allocated with calloc for exactly its count and freed by
// ModelObject::Free; subobjects are held by value in their parent's children array.  The
// records are plain data: a copy of a record shares its arrays.  Main thread only.
//
// The routines are defined by theme: model_object.cpp (life, arrays, names, moves),
// model_points.cpp (points, merging, bounds), model_mappings.cpp (directions, mirroring),
// model_materials.cpp (materials, colours, numbered cutouts), model_edit.cpp (removal,
// layers and levels, mapping placement), model_copy.cpp (growing, copying, searching),
// model_transform.cpp (moving and scaling), model_smoothing.cpp (smoothing groups),
// model_decals.cpp (decals and overlays) and model_file_convert.cpp (the conversions of old
// files).  Render caches and display meshes are built in model_lod_cache.h and
// model_meshes.h.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

struct Material;
struct DrawMesh;
using ColourWord = uint32_t;

// ---- [Limits and codes] ----
constexpr int MODEL_NAME_SIZE = 20;         // object and page names: 19 characters and a zero
constexpr int CUTOUT_NAME_SIZE = 16;        // cutout and mapping names: 15 characters and a zero
constexpr int LAYER_COUNT = 32;
constexpr int LAYER_NAME_SIZE = 8;          // 7 characters and a zero
constexpr int MAX_LOD_COUNT = 4;
constexpr int MAX_MODEL_PAGES = 64;         // "Reached maximum number of pages"
constexpr int MAX_MODEL_CUTOUTS = 240;      // "Reached maximum number of cutouts"
constexpr int MAX_MODEL_MAPPINGS = 240;     // "Reached maximum number of mappings"
constexpr int MAX_SUBOBJECTS = 64;          // "Reached maximum number of subobjects"
constexpr int MAX_SMOOTHING_GROUPS = 24;    // "Reached maximum number of groups"
constexpr int MAX_NAMED_LAYER = 16;         // layers 16 and above are counted as invalid
constexpr int SUBOBJECT_TYPE_COUNT = 13;
constexpr uint16_t CORNER_MIRRORED = 0x8000;  // the corner uses the mirrored copy of its point
constexpr uint16_t CORNER_INDEX_MASK = 0x7FFF;

// Subobject types, "main object" to "hub object".
enum SubobjectType : uint8_t {
  SUBOBJECT_MAIN = 0, SUBOBJECT_BRAKE = 1, SUBOBJECT_STEERING_WHEEL = 2, SUBOBJECT_ATTACHMENT = 3,
  SUBOBJECT_TRAILING_ARM = 4, SUBOBJECT_MUDGUARD = 5, SUBOBJECT_REAR_WING = 6, SUBOBJECT_FRONT_WING = 7,
  SUBOBJECT_UNDERTRAY = 8, SUBOBJECT_AERO_CENTRE = 9, SUBOBJECT_INTERNAL_MIRROR = 10, SUBOBJECT_HANDLEBAR = 11,
  SUBOBJECT_HUB = 12,
};
extern const char* const SUBOBJECT_TYPE_NAMES[SUBOBJECT_TYPE_COUNT];

// What a subobject does when the car's drive side is swapped.
enum SideChangeFunction : uint8_t { SIDE_STATIC = 1, SIDE_FULL_FLIP = 2, SIDE_SWAP_ONLY = 3 };
extern const char* const SIDE_CHANGE_NAMES[4];  // [0] is empty: 0 is not a valid function

// Object options.
constexpr uint16_t OPTION_MIRRORED_TWIN = 1;  // a subobject built twice, once mirrored across x = 0
constexpr uint16_t OPTION_OVERLAY = 2;        // a translucent triangle with no solid one beneath
constexpr uint16_t OPTION_KEPT = 4;           // carried through the file
constexpr uint16_t OPTION_CURRENT_FORM = 64;  // set in every record written now
constexpr uint16_t OPTION_JOINED_LIGHTS = 32;   // old files: light names already joined
constexpr uint16_t OPTION_CAR_LIGHTS = 128;     // old files: car light names already replaced
constexpr uint16_t OPTION_ALPHA_FROM_PAGE = 256;  // old files: alpha already taken from page names

// Stored coordinates are negated with wrap-around: -(-2^31) stays -2^31 rather than overflow.
inline int32_t NegateStored(int32_t value) { return static_cast<int32_t>(0u - static_cast<uint32_t>(value)); }
// The same for a difference (a point taken into a bone's frame).
inline int32_t SubtractStored(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// Default level-of-detail distances: 30, 100, 400 and 1200 metres.
constexpr int32_t DEFAULT_LOD_DISTANCES[MAX_LOD_COUNT] = {0x1E0000, 0x640000, 0x1900000, 0x4B00000};

// ---- [Point] ----
constexpr uint8_t POINT_MIRRORED = 1;   // also stands at -x for triangles on the other side
constexpr uint8_t POINT_CENTRAL = 2;    // on x = 0, no mirrored copy
constexpr uint8_t POINT_MIRROR_STATE = POINT_MIRRORED | POINT_CENTRAL;  // both clear: not yet classified
constexpr uint8_t POINT_SELECTED = 4;
constexpr uint8_t POINT_HIDDEN = 8;     // never stored
constexpr uint8_t POINT_REFERENCE = 16;
constexpr uint8_t POINT_LIGHTING_CLASS = 0xC0;

struct ModelPoint {
  uint8_t flags;
  uint8_t bone;       // the skeleton bone a driver model's point follows; stored
  uint8_t spare[2];   // not stored
  int32_t work;       // not stored: while a mesh is built, the point's first vertex or -1
  int32_t x, y, z;
  // Mirrored when x is not 0, else central.
  void ClassifyMirror();
};

// ---- [Triangle] ----
constexpr uint8_t TRIANGLE_MIRRORED = 1;    // also drawn mirrored across x = 0
constexpr uint8_t TRIANGLE_MARK = 2;        // working mark of the operations
constexpr uint8_t TRIANGLE_SELECTED = 4;
constexpr uint8_t TRIANGLE_HIDDEN = 8;      // never stored
constexpr uint8_t TRIANGLE_SIDE_SWAP = 16;  // flipped when the drive side is swapped ("l.r.swap")
constexpr uint8_t TRIANGLE_DOUBLE_SIDED = 32;
constexpr int NORMAL_LEVEL_COUNT = 4;       // 0 zero, 1 low (the default), 2 medium, 3 high
extern const char* const NORMAL_LEVEL_NAMES[NORMAL_LEVEL_COUNT];

struct ModelTriangle {
  uint8_t flags;
  uint8_t layer;        // 0..15; the low 5 bits index the layer names and masks
  uint8_t mapping;      // index of the ModelMapping that textures the triangle
  uint8_t normalLevel;  // its share in the normals, 0..3
  uint32_t work;        // not stored: the smoothing pass's copy of the group, a parked level byte
  uint8_t lod;          // 0..level-of-detail count - 1
  uint8_t group;        // smoothing group 0..23
  uint16_t corners[3];  // point index in the low 15 bits, CORNER_MIRRORED on top
};

// ---- [Texture page] ----
enum TexturePageType : uint8_t { PAGE_FIXED = 0, PAGE_SKIN = 1, PAGE_DASH = 2 };
constexpr int PAGE_TYPE_COUNT = 3;

struct TexturePage {
  uint8_t type;
  uint8_t stored[3];  // kept with the page
  char name[MODEL_NAME_SIZE];  // a texture file name without extension, or a special name
};

// ---- [Cutout] ----
constexpr uint8_t CUTOUT_STORED_FLAG = 1;
constexpr uint8_t CUTOUT_BACKING = 2;    // drawn as backing material
constexpr uint8_t CUTOUT_SELECTED = 64;  // working mark
constexpr uint8_t CUTOUT_STORED_FLAGS = CUTOUT_STORED_FLAG | CUTOUT_BACKING;
enum AlphaType : uint8_t { ALPHA_SOLID = 0, ALPHA_TEST = 1, ALPHA_BLEND = 2, ALPHA_TEA = 3 };
enum EnvMapType : uint8_t { ENV_MATT = 0, ENV_C_SHINE = 1, ENV_V_SHINE = 2, ENV_OVERLAY = 3 };
enum ShineType : uint8_t {
  SHINE_NONE = 0, SHINE_PAINT, SHINE_GLASS, SHINE_METAL, SHINE_WATER, SHINE_ASPHALT, SHINE_RUBBER, SHINE_PLASTIC,
};
constexpr int ALPHA_TYPE_COUNT = 4, ENV_MAP_TYPE_COUNT = 4, SHINE_TYPE_COUNT = 8, ORIENTATION_COUNT = 8;
extern const char* const ALPHA_TYPE_NAMES[ALPHA_TYPE_COUNT];
extern const char* const ENV_MAP_TYPE_NAMES[ENV_MAP_TYPE_COUNT];
extern const char* const SHINE_TYPE_NAMES[SHINE_TYPE_COUNT];

// The eight bytes of a cutout's material, set and copied as one unit.
struct CutoutMaterial {
  uint8_t alphaType, envMapType, shineType, spare;
  uint8_t reflection[3];  // red, green, blue
  uint8_t roughness;      // hundredths; only 0 or 30..70 are used
};
static_assert(sizeof(CutoutMaterial) == 8, "a cutout material is two words");

enum CutoutRegion { REGION_WIDTH = 0, REGION_HEIGHT = 1, REGION_LEFT = 2, REGION_TOP = 3 };

struct Cutout {
  char name[CUTOUT_NAME_SIZE];
  uint8_t flags;
  uint8_t orientation;  // 0..3 quarter turns, 4..7 the same mirrored
  uint8_t page;         // index of the object's TexturePage
  uint8_t stored;       // kept with the cutout
  CutoutMaterial material;
  uint8_t region[4];    // width, height, left, top in 1/128 of the page
  Material* texture;    // not stored: resolved for drawing
  // Zeroes it with white reflection and the whole page; named gives "unnamed".
  void Init(int named);
};

// ---- [Mapping] ----
constexpr uint32_t CF_SELF_LIT = 1u << 24;     // the colour is self-lit (bit 0 of its fourth byte)
constexpr uint32_t CF_TRANSLUCENT = 4u << 24;  // bit 2 of its fourth byte
constexpr uint32_t MAPPING_COLOUR_FLAGS = CF_SELF_LIT | CF_TRANSLUCENT;
constexpr uint8_t MAPPING_CENTRAL = 1;  // its centre stays on the middle line of its view
constexpr uint8_t MAPPING_LINK_TOP = 16, MAPPING_LINK_SIDE = 32, MAPPING_LINK_FRONT = 64, MAPPING_LINK_BACK = 128;
// The six axis directions, as packed direction codes.
constexpr uint32_t DIRECTION_BACK = 0, DIRECTION_RIGHT = 360, DIRECTION_FRONT = 720, DIRECTION_LEFT = 1688,
                   DIRECTION_TOP = 0x14C000, DIRECTION_UNDER = 738000;
bool IsAxisDirection(uint32_t direction);
// The three signed fields of a packed direction, in quarter degrees.
int DirectionHeading(uint32_t direction);  // bits 0..10
int DirectionPitch(uint32_t direction);    // bits 11..20
int DirectionRoll(uint32_t direction);     // bits 21..31
uint32_t PackDirection(int heading, int pitch, int roll);
// A quarter-degree unit as a 16-bit turn: unit x 4096 / 90, truncated toward zero.
int32_t QuarterDegreesToTurn(int units);

enum MappingWorkByte { MAPPING_ONE_SIDED = 0, MAPPING_REFRESH = 1 };

struct ModelMapping {
  char name[CUTOUT_NAME_SIZE];
  ColourWord colour;    // red, green, blue and the flags CF_SELF_LIT and CF_TRANSLUCENT
  uint8_t flags;        // MAPPING_CENTRAL and the view links
  uint8_t work[3];      // not stored: one-sided while building, refresh during a side swap
  uint32_t direction;   // packed heading, pitch and roll in quarter degrees
  int32_t offset[3];
  int32_t width, height;
  uint16_t cutout[2];   // first cutout, and the "O~" partner (equal to the first without one)

  // Zeroes it: white, direction 360, 1.0 x 1.0; named gives "unnamed mapping".
  void Init(int named);
  // Rotations in quarter degrees: heading and roll wrap by 1440 past +-720, the pitch stops at +-360.
  void RotateFirst(int delta);
  void RotateSecond(int delta);
  void RotateThird(int delta);
  // A central mapping looks from an axis: the offset across its view is 0.
  void ClearAxisOffset();
  // The view link of its direction: 720 gives 64, 0 gives 128, 360 and 1688 give 32, others 16.
  int DirectionFlag() const;
  void DirectionMatrix(FixedMatrix& matrix) const;
  // 1 when the rectangle lies wholly on one side of x = 0 (given the direction matrix).
  int IsOneSided(const FixedMatrix& matrix) const;
  // Mirrors across x = 0: heading and x offset negated, then width negated or cutouts swapped.
  void Mirror(const struct ModelObject& object);
};

// ---- [Render caches] ----
// A level of detail's data derived for drawing, filled by the mesh builder.  The arrays are
// malloc'd by whoever fills them and freed by ModelObject::FreeRenderCaches.
struct ModelCacheVertex;
struct ModelCacheTriangle;
struct ModelLodCache {
  uint8_t state;          // 0 empty, 1 filled
  uint32_t layerMask;     // the mask it was filled for
  int32_t vertexCount, triangleCount;
  ModelCacheVertex* vertices;
  ModelCacheTriangle* triangles;
  int32_t* sourcePositions;  // three 16.16 words per vertex
};

// ---- [Object] ----
// The arrays ModelObject::RepeatGeometry set aside, for the caller to put back.
struct KeptGeometry {
  ModelPoint* points;
  ModelTriangle* triangles;
  uint16_t pointCount, triangleCount;
  int32_t copies;  // 0: nothing was repeated
};
// Corner indices hold 15 bits: a repetition beyond this many points is refused.
constexpr int MAX_REPEATED_POINTS = CORNER_INDEX_MASK + 1;

struct ModelObject {
  char name[MODEL_NAME_SIZE];
  uint8_t type;            // SubobjectType
  uint8_t sideFunction;    // SideChangeFunction
  uint8_t lodCount;        // 1..4
  uint8_t textureUsage;    // not stored: the usage of the last texture assignment
  uint16_t options;
  uint16_t pointCount, triangleCount, childCount;
  uint16_t groupCount;     // largest smoothing group used + 1, at most 24
  uint8_t colourChoiceCount;
  uint8_t reserved;
  uint8_t currentLod;      // not stored: the level the editor shows (of the main object)
  int32_t lodDistances[MAX_LOD_COUNT];  // 16.16; only the first lodCount are stored
  int16_t angles[3];       // rotation in the parent's frame (16-bit turns), built third, first, second
  uint16_t angleExtra;     // kept with the angles
  int32_t offset[3];       // position in the parent's frame
  ModelPoint* points;
  ModelTriangle* triangles;
  ColourWord* colourChoices;
  int32_t pageCount;
  TexturePage* pages;
  int32_t cutoutCount;
  Cutout* cutouts;
  int32_t mappingCount;
  ModelMapping* mappings;
  ModelObject* children;
  DrawMesh* builtMesh;     // not owned
  char layerNames[LAYER_COUNT][LAYER_NAME_SIZE];  // stored for the top object only
  FixedMatrix* mappingMatrices;  // build scratch: one direction matrix per mapping
  ModelLodCache caches[MAX_LOD_COUNT];

  // ---- life (model_object.cpp) ----
  // Clears everything and sets the defaults: one level of detail, side function 1, one
  // smoothing group, the four distances, one zeroed page, one "unnamed" cutout and one
  // "unnamed mapping"; no points, triangles, colour choices or children.
  void Init();
  // Frees every array (children recursively) and the render caches.  The point, triangle
  // and child counts stay; Init before reuse.
  void Free();
  // Frees the object but keeps its name and its children, then gives it Init's defaults.
  void ResetKeepingName();
  // Frees the caches of every level and the mapping matrices, here and in every subobject.
  void FreeRenderCaches();
  // 1 when the object has a page, a cutout and a mapping and every index of its records is
  // in range; otherwise it is reset (name and children kept), "Corrupted object :" is shown
  // with its name (or nameForMessages when it has none) and the result is 0 (model_file.cpp).
  int CheckIndices(const char* nameForMessages);

  // ---- arrays (model_object.cpp) ----
  // Each grows its array by one, fills the new last record from the given one (or the
  // defaults: an unnamed cutout or mapping, a zeroed page) and returns its index.
  int AddCutout(const Cutout* cutout);
  int AddMapping(const ModelMapping* mapping);
  int AddPage(const TexturePage* page);
  // Replace the array by an exact copy of source's.
  void CopyPages(const ModelObject& source);
  void CopyCutouts(const ModelObject& source);
  void CopyMappings(const ModelObject& source);

  // ---- names and moves (model_object.cpp) ----
  // Later duplicates of a name shorter than 14 characters get " b", " c", ... and the
  // first one " a".
  void MakeCutoutNamesUnique();
  void MakeMappingNamesUnique();
  void DeselectAllCutouts();
  // Moves a record to a new place in its list and renumbers every reference into the range.
  void MovePage(int from, int to);
  void MoveCutout(int from, int to);
  void MoveMapping(int from, int to);

  // ---- points (model_points.cpp) ----
  // Merges points equal in position, bone and layer mask; returns the number merged.
  int MergeDuplicatePoints();
  // Removes triangles with two equal corners and rotates each so its smallest corner leads.
  void NormaliseTriangles();
  void RemovePoint(int index);
  void ReplacePointIndex(int from, int to);
  void ReplacePointIndexInLevel(int from, int to, int level);
  // Clears the selected mark of every point a triangle uses (and of reference points too).
  void UnmarkUsedPoints(int alsoReferencePoints);
  void ResetLoosePointMirrorState();
  // Removes every point that no triangle uses and that is not a reference point.
  void RemoveLoosePoints();
  // The sphere round the points the triangles use (with a centre, else round the origin).
  void GetBoundingSphere(IntVector* centre, int32_t* radius, int32_t* lowestZ, int32_t* highestZ);
  // The same over this object and its subobjects at their places (level 0 only).
  void GetBoundingSphereAll(IntVector* centre, int32_t* radius, int32_t* lowestZ, int32_t* highestZ);
  // The box of the same points (16.16, clamped to 32 bits); false, and a zero box, for none.
  bool GetBoxAll(int32_t low[3], int32_t high[3]);

  // ---- mirroring (model_mappings.cpp) ----
  // The drive-side swap of the marked triangles and of the subobjects by their function.
  void FlipMarkedTriangles();
  void MirrorGeometry();
  void NegateX();
  void MarkAllMappingsForRefresh();

  // ---- materials and colours (model_materials.cpp) ----
  void FixPlateCutouts();
  void SwapCutouts(int first);  // first and first + 1, with the mappings' indices
  void Tidy(int reserved, int isSubobject);
  void RenameClockTextures(const char* clockName);
  void ApplyColourChoice(int choice);
  void PropagateMasterColours();
  void NormaliseSelfLitColours();
  void SetAllMappingColours(ColourWord colour);
  int HasNumberedMappings() const;
  void CountCutoutNumbers(int* highest) const;
  void SelectNumberedCutouts(int number);
  void SetCutoutPreset(int preset);
  void ConvertAlphaPageNames(int mode);

  // ---- growing, copying and searching (model_copy.cpp) ----
  // A new zeroed point (triangle) array of count + extra records with the old ones copied;
  // the count is not changed (the caller raises it).
  void ResizePoints(int extra);
  void ResizeTriangles(int extra);
  // The children array grows by one zeroed slot; the count is not changed.
  void AddSubobjectSlot();
  // Makes this object a deep copy of source.  Whatever this object held is freed first (it
  // must be set to its defaults or zeroed).  full 1 copies every subobject; full 0 keeps only
  // the wings, undertray and aero centre (types 6..9), each as an empty subobject with its
  // type, side function, options, angles and offset.  Derived data (render caches, mapping
  // matrices, the built mesh) is not copied.
  void CopyFrom(const ModelObject& source, int ignored, int full);
  // Makes this object, a full copy made earlier, a full copy of source again, writing into its
  // own arrays where they have the source's sizes (memory reused costs a copy, new memory the
  // system's page faults as well).  The undo history keeps its copies this way.
  void CopyOver(const ModelObject& source);
  // The object whose children hold object, searched depth first; null for this object itself
  // or an object not in the tree.
  ModelObject* FindParent(const ModelObject* object);
  // 6 per built object: this one and its subobjects, doubled for a mirrored twin.
  int CountTransformSlots() const;
  // 1 when a page is a skin page, 2 when only a subobject (at any depth) has one, else 0.
  int HasSkinPage() const;
  // 1 when one of the object's own mappings lies on a skin page (by its first cutout), 2 when
  // only a subobject (at any depth) has such a mapping, else 0.
  int HasTypeOneMapping() const;

  // ---- moving and scaling (model_transform.cpp) ----
  // Points, mappings (positions and sizes) and subobject offsets times factor, each rounded
  // to nearest with ties to even and held within 32 bits; recursive.
  void Scale(float factor);
  // Moves the points (a central point keeps x = 0) and the subobjects' offsets, then every
  // mapping through ShiftMappings.
  void Translate(const IntVector& offset);
  // Each mapping's position becomes rotation x position + offset and loses its central
  // flag; rotate non-zero turns its direction too, else a given direction replaces it.
  void TransformMappings(const IntVector& offset, const FixedMatrix& rotation, int rotate, const uint32_t* direction);
  // Each mapping marked for refresh moves by offset and is unmarked; a central one then
  // stays on the middle line of its view.
  void ShiftMappings(const IntVector& offset);
  // One direction matrix per mapping (the build scratch) and each mapping's one-sided byte.
  void BuildMappingMatrices();

  // ---- edit primitives (model_edit.cpp) ----
  void RemoveUnusedMappings();
  void RemoveMapping(int index);
  void RemoveUnusedCutouts();
  int IsCutoutUsed(int index) const;
  void RemoveCutout(int index);
  void RemoveUnusedTexturePages();
  void RemoveTexturePage(int index);
  void FitMappingOffsets();
  int FindOrAddCutout(const Cutout& cutout, const CutoutMaterial& material, int newNumber);
  int FindOrAddMapping(const ModelMapping& mapping, int cutoutIndex, int newNumber);
  // Each selected triangle whose three corners are mirrored references gives way to the
  // triangle on the same points with the reversed winding, which becomes mirrored.
  void ReplaceMirroredTriangles();
  // Removes the triangles whose layer is not in the mask and clears those layers' names;
  // recursive.
  void KeepTriangleSlots(uint32_t layerMask);
  // Triangles of layer from go to layer to and from's name is cleared; recursive.  Returns from.
  int MoveLayer(int to, int from);
  void ClearMarks();  // the points' selected marks and the triangles' working marks
  int IsPointUsed(int index) const;
  // Whether a triangle uses the reference as stored; a mirrored triangle also uses each of
  // its points' other side.
  int IsPointReferenceUsed(uint16_t reference) const;
  int CountMirroredTriangles() const;  // triangles with a mirrored corner
  // Each point's work word: 2 unused; unless onlyReset, 1 for the points of triangles whose
  // layer is in the mask and 0 for the other used points.
  void MarkPointsByLayerMask(uint32_t layerMask, int onlyReset);
  // Park each triangle's level byte in its work word (hidden triangles get level 255 so that
  // no level draws them) and put it back; recursive.  Nothing while ModelShowsAllLods is set.
  void SaveTriangleByte();
  void RestoreTriangleByte();
  // Keeps only the triangles of the level, then drops the mappings, cutouts, pages and points
  // they leave unused.
  void KeepOnlyLod(int lod);

  // ---- smoothing groups (model_smoothing.cpp) ----
  // Renumbers every level's groups so that each connected region of one group takes the
  // lowest number its neighbours leave free (below 24); sets the group count; recursive.
  // Running out of numbers is said once for the whole object.
  void AssignAllSmoothingGroups();
  // Levels without any group first get one group per edge-connected surface (after merging
  // duplicate points), then are renumbered; sets the group count; recursive.  Running out of
  // numbers is said once for the whole object.
  void AssignMissingSmoothingGroups();

  // ---- checks (model_lod_cache.cpp) ----
  // Reports each cutout whose reflection colour is black, then clears the selected and
  // hidden flags of every point and triangle; recursive, each subobject with this object as
  // its parent (null for the main object).
  void CheckCutoutColours(const ModelObject* parent);

  // ---- spoke objects (spoke_object.cpp) ----
  // Turns the points and triangles of a spoke into n copies turned about the x axis by 1/n
  // of a turn each: P x n points and T x n triangles, the points on the axle (y and z 0)
  // shared.  A corner with the top bit names the point in the next copy (the last copy's
  // next is the first); on the axle its point is the same in every copy and the bit goes.
  // Nothing happens (kept.copies 0) when n is below 2, when P x n would pass
  // MAX_REPEATED_POINTS or T x n 65535 triangles, or when memory is short.  The object's own
  // arrays go to kept; RestoreRepeatedGeometry frees the copies and puts them back.
  void RepeatGeometry(int n, KeptGeometry& kept);
  void RestoreRepeatedGeometry(KeptGeometry& kept);

  // ---- decals and overlays (model_decals.cpp) ----
  int DetectDecals();
  void DetectOverlayTriangles();

  // ---- conversions of old files (model_file_convert.cpp) ----
  void SortTrianglesByFacing();
  void ConvertOverlayColours();
};

// The level-of-detail distances of the edited object rise by whole metres from 1 m: each
// distance below the one before is raised to it, the others lose their fraction.
void FixLodDistances(ModelObject& edited);
// Set by the object editor while it shows every level at once: the triangles' level bytes
// are then left alone.
extern int ModelShowsAllLods;
// Heading, pitch and roll in radians of a rotation made by MatrixFromAngles (the inverse of
// it, with the roll 0 where the pitch is a quarter turn).
void MatrixToAngles(const FixedMatrix& matrix, float angles[3]);
// Radians as quarter degrees (x 229.1831), rounded to nearest with ties to even.
int RadiansToQuarterDegrees(double radians);

// ---- smoothing groups (model_smoothing.cpp) ----
constexpr const char* TEXT_OUT_OF_SMOOTHING_GROUPS = "Ran out of smoothing groups - assigned group 0";
// The working group of a triangle lives in the low 16 bits of its work word while these run.
// Renumbers one level from the working groups: each region (triangles of one working group
// joined by shared points) takes the lowest number below 24 that no touching triangle of
// another region holds, and below its own; a region of group 0 keeps 0, and a region that
// finds every lower number taken keeps its own (or, at 24 and above, gets 0 with
// TEXT_OUT_OF_SMOOTHING_GROUPS, said once per call however many regions run out).  Every
// point and triangle ends deselected.
void AssignSmoothingGroups(ModelObject& object, int lod);
// True when the object has triangles and none of the level has a group or a mirrored corner.
int LodHasNoSmoothingGroups(const ModelObject& object, int lod);
// Each surface of the level (triangles joined across edges walked in opposite directions)
// gets its own working group 0, 1, 2 ... in the order of its first triangle.
void AssignGroupsByEdges(ModelObject& object, int lod);

// A model without subobjects made of one ALPHA cutout, lying between 64 and 768 units high,
// is flattened to the decal height 640 (model_decals.cpp).
void DetectDecal(ModelObject& object);
