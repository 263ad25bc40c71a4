// car_drawing.h - the drawing road of one car in a 3D view: the level of detail and the
// pieces to draw (DrawCarModel), then the lit drawing of the frame tubes, the tyres, the body
// and the lamps (DrawCarLit), and what waits for the second pass (DrawCarSecondPass).
//
// Sections: [State] [Drawing]
//
// The road's per-car state is kept by the caller beside the car (CarDrawing) until the car
// record carries its drawing fields.  The driver and passengers, the subobject items' meshes and
// the garage picture's camera fit are not drawn here yet.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_geometry.h"
#include "vehicle/car_lighting.h"

struct Car;

// ---- [State] ----
struct CarViewSettings {
  uint8_t kind;              // CarViewKind; 0 draws nothing unless the editor display mode is on
  IntVector viewPosition;    // 16.16 world
  int editorMode;            // the editor display mode, 0 off
  int internalShow, customShow;
  int driverOption;
  uint32_t graphicsOptions;  // GraphicsOption bits
  float lodScale = 1.0f, detailScale = 1.0f;
  uint8_t garageLevel;
  int debugLevel;
  CarTyreFrame tyres;        // the car's tyre bytes (distance and view direction are filled here)
};
struct CarDrawing {
  uint8_t viewKind = 0, drawnPass = 0, lodIndex = 0, detailState = 0;
  int32_t viewDistance = 0, lodDistance = 0;  // 16.16 m
  int32_t viewDirLocal[3] = {};               // 16.16
  uint16_t drawFlags = 0;
  float worldMatrix[16] = {};                 // row vectors: the car's axes, then its position in metres
  CarDrawItems items;
  uint16_t frameTubeBatch = NO_BATCH, discBatch = NO_BATCH;
  uint8_t deferredLevel = 0xFF;
  CarLightingState lighting = {};
  LampInputs lamps = {};
  uint8_t forceLamps = 0;
  uint8_t forcedPattern[CAR_LAMP_GROUPS] = {};
  int lampsDrawn = 0;
};

// ---- [Drawing] ----
// The decisions and the per-frame geometry; at a near level the ground below the car is
// looked for among the world's objects within the car's radius (the ray's drop is that
// radius too).  Returns drawnPass (0 not drawn, 1 skipped,
// otherwise the effective kind).
int DrawCarModel(Car& car, CarDrawing& drawing, const CarViewSettings& view);
// The lit drawing of a car DrawCarModel drew: the world matrix, the frame tubes, the tyres,
// the body's parts at its level and, at a near level, the lit lamps.
void DrawCarLit(Car& car, CarDrawing& drawing, const CarViewSettings& view);
// The brake discs (and the body's deferred parts, once the lit pass records them).
void DrawCarSecondPass(Car& car, CarDrawing& drawing);
