// car_draw.h - the rules of drawing one car: the level of detail from the distance to the
// view, the set of pieces drawn in a view (the draw flags), the steering wheel's turn, the
// driver's steering frame, and the car's two per-frame lists of draw items.
//
// Sections: [Draw items] [Levels of detail] [Draw flags] [Steering and driver] [Garage picture]
//
// Plain rules over plain inputs: the drawing road (Car::DrawModel) gathers the inputs from
// the car and the settings and acts on the results.  Main thread only.
#pragma once
#include <cstdint>

struct GouraudO3d;

// ---- [Draw items] ----
constexpr int CAR_DRAW_ITEMS = 40;
constexpr int CAR_WHEEL_DRAW_ITEMS = 16;
struct CarDrawItem {
  uint8_t lod;             // the driver's level for helmets, else 0
  uint8_t altState;        // wheel-mesh list: drawn under the alternate render state
  uint8_t subobjectFlags;  // non-zero: the mesh's material kinds 2 and 3 are drawn right after it
  uint8_t tag;
  uint8_t hideWithFlag;    // the internal mirror seen from inside: left out under DRAW_HIDE_MARKED
  const void* source;      // the subobject, or null
  const GouraudO3d* mesh;
  float matrix[16];        // world transform, row-major 4x4
};
// Both lists are emptied together at the start of each drawing; an item beyond a full list
// is dropped without a word (a car never has that many pieces worth drawing).
struct CarDrawItems {
  CarDrawItem items[CAR_DRAW_ITEMS];
  CarDrawItem wheelItems[CAR_WHEEL_DRAW_ITEMS];
  uint8_t count = 0, wheelCount = 0;
  void Clear() { count = wheelCount = 0; }
  // The next free entry (zeroed), or null when the list is full.
  CarDrawItem* Add();
  CarDrawItem* AddWheel();
};

// ---- [Levels of detail] ----
// View kinds: 2 the editor's view, 3 from inside this car, 4 outside, 5 a custom view on this
// car, 6 the garage picture (drawn as 4 from its own level).
enum CarViewKind : uint8_t { VIEW_EDITOR = 2, VIEW_INSIDE = 3, VIEW_OUTSIDE = 4, VIEW_CUSTOM = 5, VIEW_GARAGE = 6 };
constexpr int CAR_LOD_LEVELS = 4;
struct CarLodSet {
  uint8_t count;                      // levels in use
  int32_t distances[CAR_LOD_LEVELS];  // 16.16 m: each level's upper distance
};
struct CarLodChoice {
  int drawn;            // 0: the car is beyond its last level and is not drawn
  uint8_t lodIndex;
  uint8_t detailLevel;  // the level the detail distance asks of the meshes
};
// The level walk: it starts at startLevel (0, or the garage's level for kind 6) and only
// moves to less detailed levels while lodDistance lies beyond the level's distance.  The
// detail level is the first level whose distance is not below detailDistance (the count when
// none).  detailState is raised (never lowered): 4 when level 0 is asked, at least 2 for
// level 1, at least 1 otherwise.
CarLodChoice ChooseCarLevel(const CarLodSet& set, int32_t lodDistance, int32_t detailDistance, uint8_t startLevel,
                            uint8_t& detailState);
// Level 0, or any level but the last.
inline int IsNearLevel(const CarLodSet& set, uint8_t level) { return level == 0 || level + 1 < set.count; }

// ---- [Draw flags] ----
enum CarDrawFlag : uint16_t {
  DRAW_GROUND_FOUND = 0x0001,  // a ground point below the car was found
  DRAW_TYRES = 0x0002,         // tyre and wheel geometry, per-wheel matrices
  DRAW_SUBOBJECTS = 0x0004,
  DRAW_PEOPLE = 0x0008,        // driver and passengers
  DRAW_KEEP_FIRST_SLOT = 0x0010,
  DRAW_KEEP_SECOND_SLOT = 0x0020,
  DRAW_ORDINARY_SUBS = 0x0040,
  DRAW_STEERING_WHEEL = 0x0080,
  DRAW_POSE_PEOPLE = 0x0100,
  DRAW_HIDE_MARKED = 0x0200,
};
// The car's option bits these rules read.
constexpr uint32_t CAR_OPTION_ALWAYS_POSE_OFF = 0x1;  // clear: the people are posed at any distance
constexpr uint32_t CAR_OPTION_NO_INSIDE_TYRES = 0x20;
// The graphics option mask's bits (all set by default).
enum GraphicsOption : uint32_t {
  GFX_BODY = 1u << 0, GFX_SUBOBJECTS = 1u << 2, GFX_WHEEL_PIECES = 1u << 3, GFX_FRAME_TUBES = 1u << 4,
  GFX_DRIVER_ANIMATION = 1u << 5, GFX_TYRES = 1u << 6,
};
struct CarDrawFlagInputs {
  uint8_t kind;            // the effective kind: 2 whenever the editor display mode is on
  uint8_t lodIndex;
  int nearLevel;           // IsNearLevel
  int editorMode;          // the editor display mode, 0 off
  int hasDriver;           // the car has a driver model and the driver option is on
  uint32_t carOptions;
  int32_t lodDistance;     // 16.16 m
  int32_t viewDirZ;        // 16.16, the third value of the view direction in car axes
  uint32_t graphicsOptions;
  int internalShow;        // "Internal Show"
  int customShow;          // the custom views' like setting
};
uint16_t ComputeDrawFlags(const CarDrawFlagInputs& in);
// Whether the driver is drawn (posed, given a helmet) in this kind of view.
int DriverShownInView(const CarDrawFlagInputs& in);

// ---- [Steering and driver] ----
constexpr float RADIANS_TO_TURN16 = 10430.378f;  // 65536 / 2 pi
constexpr float STEERING_WHEEL_MOST = 9.424778f; // rad: one and a half turns
// The steering wheel's full turn t (radians) for a wheel-turn value w, a lock (degrees) and
// the set-up's ratio byte (SteeringRatioByte, car_drawing.h: the lock w is given at):
// min(w L / r, 1.5 turns); 0 with no lock or a ratio of 0.
float SteeringWheelFullTurn(float wheelTurn, float lockDegrees, uint8_t ratio);
// The wheel's turn as a 16-bit angle for the current steer (radians at the road wheels).
int32_t SteeringWheelAngle(float wheelTurn, float lockDegrees, uint8_t ratio, float currentSteer);
struct DriverFrame {
  int frame, next;  // both modulo the frame count
  float blend;      // 0: frame alone, toward 1: next
};
// The driver's steering frame: f = 0.5 - 0.5 (t / range) (steer / lock) clamped to 0..1
// (0.5 with no lock); position (frames - 1) f.
DriverFrame ChooseDriverFrame(int frames, float fullTurn, float range, float currentSteer, float lockDegrees);

// ---- [Garage picture] ----
// The zoom that makes a screen box of the car fill a 16:9 frame: width / 1.875 when the box is
// wider than 16:9, else height / 1.0546875; 1 (kept) when either side is 0.1 or less.
float EditorCarZoom(float boxWidth, float boxHeight);
// The internal mirror's view-dependent offset: with x non-zero, y = -((x / 0.4)^2 x 0.04).
float InternalMirrorDrop(float x);
