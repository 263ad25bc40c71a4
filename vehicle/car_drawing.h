// car_drawing.h - the drawing road of one car in a 3D view: the copies of the car's place the
// drawing reads (SaveCarViewState), the level of detail, the pieces to draw and the car's item
// lists (DrawCarModel), the lit drawing of items, frame tubes, tyres, body, lamps and wheel
// meshes (DrawCarLit), what waits for the second pass (DrawCarSecondPass), and the two together
// as the callers use them (DrawCar).
//
// Sections: [Record] [Settings] [Drawing] [Pieces]
//
// What drawing keeps of a car lives in its drawing record (CarDrawing), which the car reaches
// through Car::drawing: the GPU meshes the model assembly builds, the two tyre streams and the
// per-frame state of the road.  The car simulation below knows the record only by name.
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "physics/car.h"
#include "render/buffers.h"
#include "render/primitives.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_geometry.h"
#include "vehicle/car_lighting.h"
#include "vehicle/car_people.h"

struct ZKTETexture;

// ---- [Record] ----
constexpr int CAR_TYRE_BUFFERS = 2;
constexpr int CAR_TEXT_3D_SIZE = 64;
// A text shown beside the car in 3D (a name, a mark), drawn and emptied by the second pass.
struct CarText3D {
  uint8_t queued;
  char text[CAR_TEXT_3D_SIZE];
  uint32_t colour;
  float origin[3], axisX[3], axisY[3];  // m, world
};
struct CarDrawing {
  // The GPU side, made by the model assembly (car_model.cpp, car_lights.cpp).
  FastMeshHandle materialMesh, plainMesh;  // every level grouped by material; the plain mesh
  FastMeshHandle lightMeshes[CAR_LIGHTS];  // one per light that exists
  FastMeshHandle wheelFastMeshes[CAR_MAX_WHEELS];
  CircularVBuffer tyreBuffers[CAR_TYRE_BUFFERS] = {};  // tyre and wheel geometry, logos
  uint8_t drawAlways = 0;  // drawn even in the frame after a car's model was rebuilt

  // The copies SaveCarViewState takes of the car's place; the drawing reads only these.
  IntVector drawnPosition = {};  // 16.16
  float drawnOrientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float drawnPitch = 0;          // rad, the nose up
  uint8_t shadowsCollected = 0;
  ShadowObjects shadows = {};

  // The road's per-frame state.
  uint8_t viewKind = 0, drawnPass = 0, lodIndex = 0, detailState = 0;
  int32_t viewDistance = 0, lodDistance = 0;  // 16.16 m
  int32_t viewDirLocal[3] = {};               // 16.16
  uint16_t drawFlags = 0;
  float worldMatrix[16] = {};                 // row vectors: the car's axes, then its position in metres
  ZKTETexture* environment[2] = {};           // the shine textures the car is lit with (hard, soft)
  CarDrawItems items;
  float wheelMatrices[CAR_MAX_WHEELS][16] = {};  // world, row vectors: axle, two radial axes, centre
  IntVector driverOffset = {};                // 16.16 car axes
  CarFigure figures[CAR_FIGURES] = {};        // the driver, then the passengers
  float headTurn = 0;                         // rad: the driver's look about z (the views turn it)
  float mirrorMatrix[16] = {};                // the internal mirror relative to the camera
  uint16_t frameTubeBatch = NO_BATCH, discBatch = NO_BATCH;
  uint8_t deferredLevel = 0xFF;
  uint8_t multiplayerVisible = 0;             // seen closely enough for peers to send its details
  CarLightingState lighting = {};
  LampInputs lamps = {};
  uint8_t forceLamps = 0;
  uint8_t forcedPattern[CAR_LAMP_GROUPS] = {};
  int lampsDrawn = 0;
  CarText3D text = {};
  // Counters a test reads: items drawn by the last lit pass, deferred parts drawn by the
  // last second pass.
  int itemsDrawn = 0, deferredDrawn = 0;
};

// The car's record, made on first use; its release goes with the car's meshes.
CarDrawing& DrawingOf(Car& car);
// The driver's seat in the car's axes (16.16): the driver's position, across to the other side
// on a mirrored car.  The driver's figure and the steering wheel are drawn from it.
IntVector DriverOffset(const Car& car);
// The ratio byte r of the steering wheel's full turn t = w L / r (car_draw.h): the steering
// lock of the vehicle's first default set-up, the lock its steering-wheel turn w is given at,
// so that a set-up with more lock turns the wheel further; the car's own lock L when the
// vehicle stores none (the wheel then turns w at full lock).
uint8_t SteeringRatioByte(const Car& car);
// Closes the tyre streams and deletes the record (the meshes' handles are the caller's to free).
void ReleaseDrawing(Car& car);

// The frame after a local car's model was rebuilt draws no local car without drawAlways: the
// rebuild's work is the frame's.  BuildModel raises it to 1, each skip adds 1 (held at 255);
// the frame loop's deferred work takes it (TakeCarModelRebuilt: 1 when it was set) and counts
// the frame as busy.
extern uint8_t CarModelRebuilt;
int TakeCarModelRebuilt();

// ---- [Settings] ----
struct CarViewSettings {
  uint8_t kind;              // CarViewKind; 0 draws nothing unless the editor display mode is on
  IntVector viewPosition;    // 16.16 world
  int editorMode;            // the editor display mode, 0 off
  int internalShow, customShow;
  int driverOption;
  uint32_t graphicsOptions;  // GraphicsOption bits
  float lodScale = 1.0f, detailScale = 1.0f;
  uint8_t garageLevel;
  int skyMode;               // the garage picture's sky mode
  int debugLevel;
  int connected;             // to a host: a car far off is not multiplayerVisible
  float visibleDistance = 300.0f;  // m
  // The internal mirror's x and z offsets in the view from inside and in a custom view; the
  // x value's sign follows the side the view looks from.
  float mirrorOffset[2][2];
  CarTyreFrame tyres;        // the car's tyre bytes (distance and view direction are filled here)
};

// ---- [Drawing] ----
// The car's position and orientation into the drawn copies, its draw transform from them; the
// shadow objects are gathered again at the next near drawing.
void SaveCarViewState(Car& car);
// The decisions, the item lists and the per-frame geometry.  Returns drawnPass (0 not drawn,
// 1 skipped: inactive, or held back after a rebuild; otherwise the effective kind).
int DrawCarModel(Car& car, const CarViewSettings& view);
// The lit drawing of a car DrawCarModel drew, with its own shine textures: its items, frame
// tubes, tyres, body parts at its level and, at a near level, its lit lamps and its wheel-mesh
// items; the editor's set-up marks when the editor display mode is exactly 1.
void DrawCarLit(Car& car, const CarViewSettings& view);
// The body's blended parts the lit pass left at its level, the brake discs, then the queued
// 3D text (emptied).
void DrawCarSecondPass(Car& car);
// Car::Draw: parts bit 1 saves the view state and decides (DrawCarModel); bit 2, with
// refreshEnvironment, brings the shine textures up to date and gives them to the car, adds
// extraFlags to the draw flags and draws the car lit.
void DrawCar(Car& car, const CarViewSettings& view, int refreshEnvironment, uint16_t extraFlags, int parts);
// One wheel of the car alone, in its own axes (its centre at the origin, its axle along x:
// the space of the spoke object its rim repeats): its tyre, its brake disc and its rim mesh,
// after the car's pending model changes.  The spoke editor draws it around the spoke.
// Nothing for a wheel the car does not have.
void DrawWheelInPlace(Car& car, int wheel, CarTyreFrame tyres);

// ---- [Pieces] ----
// The wheel's draw matrix: the car's orientation after the wheel's (axle, two radial axes as
// rows), at the car's position plus the turned wheel centre plus its hub offset (the set's
// wheel offset along the wheel's own, steered axle, outwards).
void ComputeWheelMatrix(const Car& car, const CarWheel& wheel, float axes[3][3], float centre[3]);
void ComputeWheelMatrices(Car& car);
// A wheel draw matrix (rows) turned about the wheel's axle by its spin angle, as the rims and
// spokes turn; the position stays.
void SpinningWheelMatrix(const CarWheel& wheel, const float matrix[16], float out[16]);
// The car's reference point relative to the view (16.16, view axes: right, up, forward) and
// the car's draw transform turned into the view.
void ProjectCarToView(const Car& car, IntVector& out, FixedTransform& inView);
// The running box of the body's top level and of every posed item through transform: mode 2
// on the screen (x across the view -1..1, y up in the same unit, z 0; points behind the view
// skipped), mode 3 in the screen's pixels (the same points skipped), otherwise in metres.
// Returns the points taken.
int CarMeshBounds(float min[3], float max[3], Car& car, const FixedTransform& transform, int mode);
// The car's box in the world (metres) as last drawn: its meshes and the boxes round its tyres.
// 0 for a car with neither.
int CarBox(Car& car, float min[3], float max[3]);
// The marks at the wheel centres and the seats (the editor's, main pass only).
void DrawSetupMarks(Car& car);
