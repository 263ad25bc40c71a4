// car_model.h - the car's model assembly: its levels of detail built from the model for the
// current configuration with the skin and colours applied, the wheel subobjects, the
// physical body from the lowest level, the damage on the drawn meshes, the mirrors, the
// lights and the material meshes, and their release and rebuild.
//
// Sections: [Settings] [Levels] [Wheel subobjects] [Damage on the drawn meshes] [Mirrors]
//           [Lights] [Texts]
//
// The members are the car's (physics/car.h): car_model.cpp builds and releases, car_skins.cpp
// checks the skin and applies the colour sets, car_damage_meshes.cpp dents the drawn meshes,
// car_mirrors.cpp measures the mirrors and car_lights.cpp builds the graphics side.
//
// Nothing is rebuilt at once: an edit posts Car::RequestModelRebuild under CarLock (any
// thread) and the car's next drawn frame takes it in Car::ApplyPendingModelChanges and
// rebuilds outside the lock; the damage versions and a helmet skin change cross the same way.
// A car without a model builds nothing.  "With graphics" below means GraphicsEnabled (core/
// frame_globals.h); a batch run (IsBatchRun) leaves out the drawn extras.  Main thread only,
// but for the posting.
#pragma once
#include <cstdint>

#include "physics/car.h"

struct FastMesh;
struct GouraudColour;

// ---- [Settings] ----
// Raised while a rebuild of kind 2 runs: everything the build asks of the renderer is made
// again rather than shared.
extern int CarRebuildAll;
// Takes a number plate slot for the car, called under CarLock and PlateLock; null until the
// number plates exist (the car keeps slot -1).
extern int (*TakeCarPlateSlot)(Car& car);
// The texture usage of the car's pages, and the build kind of its body mesh.
constexpr int CAR_TEXTURE_USAGE = 2;
constexpr uint16_t BODY_MESH_BUILD_KIND = 7;
// Puts the model objects' release into the car's release hooks (Car::AllocModelObjects).
void InstallCarModelRelease();
// The vehicle's colours of the lights (its eight colours, in light order) into the light
// records, from which the lamp meshes take their colour.
void TakeVehicleLightColours(Car& car);
// The light colours as above, and the skin chosen with the colour set.
void TakeVehicleLightsAndSkin(Car& car);

// ---- [Levels] ----
// Switch distances (16.16) by level count, 1 to 3 levels.
constexpr int32_t LOD_DISTANCES[3][3] = {
    {120 << 16, 0, 0},
    {120 << 16, 540 << 16, 0},
    {60 << 16, 180 << 16, 540 << 16},
};
// Clock styles 1..6 give the dashboard clock pages the clock names in their order
// (render/texture_names.h); 0 leaves the pages as they are.
constexpr int CLOCK_STYLES = 7;
// The subobject selection word of the current configuration (all layers without one).
uint32_t CarLayerMask(const Car& car);

// ---- [Wheel subobjects] ----
// The slot a subobject type takes at a wheel, -1 for the other types.
int WheelSubobjectSlot(uint8_t type);
constexpr float WHEEL_SIDE_LIMIT = 0.01f;  // m: a wheel nearer the centre line is central

// ---- [Damage on the drawn meshes] ----
// Under CarLock from start to end: each node dents every level mesh (positions with a
// jitter by the vertex, normals recomputed unless fixed, subobject positions without
// jitter), then the graphical version takes the physical one; then the mirrors are
// measured again.  With nodes but no physical points nothing is applied ("ERROR:
// IPoints==NULL in ApplyDamageNodesGraphical" in debug).
void ApplyDamageNodesGraphical(Car& car);
// The jitter of a vertex: ((x + y + z) x 256 AND 0x7F00) + 32768 over its 16.16 words, in
// unsigned 32-bit arithmetic: 32768..65280, a half to nearly all of the dent.
inline uint32_t DamageJitter(int32_t x, int32_t y, int32_t z) {
  return ((uint32_t(x) + uint32_t(y) + uint32_t(z)) * 256u & 0x7F00u) + 32768u;
}
// The dents in list order on one level mesh: true when a vertex was reached (its normal then
// waits to be computed again).  Each vertex takes every dent in turn, in one pass over the
// vertices: a vertex's move depends on nothing but its own place, so this equals applying
// the nodes one after another to the whole mesh.
bool DentLevelMesh(GouraudO3d& mesh, const DamageDent* dents, int count);
// The normals of the vertices waiting for it, from their triangles.
void RecomputeDentedNormals(GouraudO3d& mesh);
constexpr double DENT_CORNER_LEAST = 1e-6;     // m^2: a corner's two edges multiplied
constexpr double DENT_NORMAL_LEAST = 1e-12;    // a summed normal's squared length

// ---- [Mirrors] ----
// The mirror adjustment angles of the two custom view records (tenths of a degree, heading
// and pitch for the internal, left and right mirrors), and the view mode that picks the
// second record (4).  STAND-IN until the race's custom views exist: all zero.
struct CustomViewMirrors {
  int16_t angles[MIRROR_ANGLES];
};
extern CustomViewMirrors CustomViewRecords[2];
extern int CurrentViewMode;
constexpr int VIEW_MODE_SECOND_RECORD = 4;
// The marker colours on each mirror's vertices: the drawing shows that mirror's image on them.
extern const GouraudColour MIRROR_MARKERS[CAR_MIRRORS];
constexpr float SIDE_MIRROR_CENTRAL = 0.18f;   // m: a side mirror lies further from the centre line
constexpr float MIRROR_EYE_FORWARD = 0.05f;    // m: the eye ahead of the seat and head offset
constexpr float INTERNAL_MIRROR_HEIGHT = 0.6f; // of the box's height: the internal mirror's centre
constexpr float SIDE_MIRROR_INSET = 0.1f;      // of the box: the side mirror's centre from its inner and front edges
// Whether a material is a mirror surface.
bool IsMirrorMaterial(const Material* material);

// ---- [Lights] ----
struct CarLightNames {
  const char* names[CAR_LIGHT_NAMES];
  int count;
  CarLightMode mode;
};
extern const CarLightNames LIGHT_NAMES[CAR_LIGHTS];
extern const CarLightNames TAIL_FROM_BRAKE_NAMES;  // the brake names without "l_cbrk"
constexpr int CAR_MAX_MATERIALS = 64;
constexpr float HEADLIGHT_KELVIN_SALOON = 4200.0f;
constexpr float HEADLIGHT_KELVIN = 6000.0f;
constexpr uint32_t LIGHT_VERTEX_NONE = 65535;
// The linear colour of headlights of a vehicle class: the colour temperature's chromaticity,
// its XYZ at luminance 1, then linear sRGB (D65).
void HeadlightColour(uint8_t vehicleClass, float rgb[3]);
// Appends to the light mesh's part of the material the level's vertices of the light's
// slots (mode 1 only x < 0, mode 2 only x > 0, above 2 none), in the colour given
// (0x00RRGGBB, red in the high byte), and the triangles of its slots whose three corners
// were taken.  Nothing without a part of that material.  The level mesh shares a vertex
// between the mappings of one texture and smoothing group, so a vertex is the light's when
// its own mapping is a slot or when it is a corner of a slot's triangle; a triangle is a
// slot's when its mapping index is one and a corner's own mapping is one (the index alone
// could be a merged attachment's).
void AddLightTriangles(FastMesh& lightMesh, const GouraudO3d& level, const Material* material, const CarLight& light,
                       uint32_t colour);
// The renderer's plain material: lights without a texture and the plain mesh draw with it.
const Material* DefaultPlainMaterial();

// ---- [Texts] ----
constexpr const char* TEXT_LOD_TOO_MANY = "LOD : too many";
constexpr const char* TEXT_MERGE_SUBS = "MergeSubs (%s) - %s";
constexpr const char* TEXT_NO_WHEEL = "No wheel found for %s %s subobject marked as %s";
constexpr const char* TEXT_NO_DASH_TEXTURE = "Can't open dashboard texture :";
constexpr const char* TEXT_MAIN_OBJECT_SUBS = "%d subobject%s marked as main object";
constexpr const char* TEXT_EMPTY_SUBS = "%d subobject%s with no triangles";
constexpr const char* TEXT_SKIN_NOT_QUEUED = "%s %s_%s";
constexpr const char* TEXT_TOO_MANY_MATERIALS = "Too many materials";
constexpr const char* TEXT_MIRROR_TOO_CENTRAL = "Side mirror - point too central";
