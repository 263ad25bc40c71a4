// car_people.h - the driver and passengers of a drawn car: each figure's level of detail by
// the car's distance, the driver's steering frame blended from its animation, the figures
// posed into temporary meshes, and a helmet item on each head.
//
// Sections: [Figures] [Posing]
//
// A figure is drawn from its human model's mesh slot (render/humans.h) at the driver's seat
// (the car's driver position) or a passenger's seat, through the car's draw transform.  The
// rigs name no head: a figure's head is the highest of its posed solids (the driver's steering
// frames move it), 0.02 m lower.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

struct AnimInstance;
struct Animation;
struct Car;
struct CarDrawing;
struct CarViewSettings;
struct HumanMeshSlot;

// ---- [Figures] ----
constexpr int CAR_FIGURES = 5;             // the driver, then passenger slots 1..4
constexpr uint8_t FIGURE_NOT_DRAWN = 4;    // the level of a figure left out
constexpr uint8_t ITEM_TAG_HELMET = 2;     // a draw item that is the shared helmet
constexpr float HEAD_DROP = 0.02f;         // m below the highest solid
struct CarFigure {
  uint8_t level;             // FIGURE_NOT_DRAWN, or the level drawn
  uint16_t firstBatch, batchCount;  // the temporary meshes posed this frame
  IntVector head;            // 16.16 car axes, from the seat
};
// The level of a mesh slot for a 16.16 distance: the first whose limit is not below it;
// FIGURE_NOT_DRAWN beyond the last.
uint8_t FigureLevel(const HumanMeshSlot& slot, int32_t lodDistance);
// The pose of a steering frame blended with the next: each solid's translation and rotation
// taken (1 - blend) of one and blend of the other, the rotation made orthonormal again.
void BlendFrames(const FixedTransform* a, const FixedTransform* b, int count, float blend, FixedTransform* out);
// The highest translation of the posed solids, lowered by HEAD_DROP (the identity: the seat).
IntVector HeadPoint(const FixedTransform* solids, int count);

// ---- [Posing] ----
// Step 15 of the drawing road: the figures' levels; a driver drawn at any level posed for the
// frame's steer (Car::PoseDriver, which gives his head); the posed meshes when drawFlags asks
// for posing, and the helmet items (none in the view from inside).
void PoseCarPeople(Car& car, CarDrawing& d, const CarViewSettings& view, int driverShown);
// The lit pass's figures: the temporary meshes of each figure drawn this frame.
void DrawCarPeople(const CarDrawing& d);
