// car_geometry.h - a car's per-frame geometry on the device: its frame tubes written into one
// temporary-mesh batch, and its tyres and lettering written into the car's two streams
// (started for a frame's exact counts) and drawn with their materials.
//
// Sections: [Frame tubes] [Tyre streams] [The car's tyres]
//
// Main thread only; needs the system materials ("PLAIN~W", "TYRE_ALP", "LOGO_ALP").
#pragma once
#include <cstdint>

#include "vehicle/frame_tubes.h"
#include "vehicle/tyre_geometry.h"

struct Car;
struct CircularVBuffer;

// ---- [Frame tubes] ----
constexpr uint16_t NO_BATCH = 0xFFFF;
// The frame as the car holds it, with the axle points of the rear set (option bit 0x1000)
// and the front set (0x800): the wheel on side 1.0 gives each point, the other its mirror.
FrameScene CarFrameScene(const Car& car);
// A wheel's axle ends (its centre -/+ the spin axis times half the set's section width) and
// its centre, 16.16 car axes.
void WheelContactBox(const Car& car, int wheel, IntVector& a, IntVector& b, IntVector& centre);
// Opens a batch of 16 vertices and 48 indices for each counted tube with the plain white
// texture, writes the tubes to draw and closes it with what was written.  The batch's entry,
// or NO_BATCH with nothing to draw or when the batch could not be opened.
uint16_t DrawFrameTubes(const FrameScene& scene, int allTubes, int32_t lodDistance, int32_t viewDirZ);

// ---- [Tyre streams] ----
// The car's two streams (made when missing) behind the stream start and unlock.
TyreStreamOps CarTyreStreams(Car& car);
// Where the next vertices of a started stream go.
TubeBatch StreamBatch(CircularVBuffer& stream);
// Records what was written into a started stream (the batch from StreamBatch).
void EndStreamBatch(CircularVBuffer& stream, const TubeBatch& written);
// Draws each stream that holds triangles with its material (the lettering blended over the
// tyre), under the current world matrix.
void DrawTyreStreams(Car& car);

// ---- [The car's tyres] ----
// What a frame's tyres are built from besides the car: the distance and view direction the
// drawing chose, and the car's tyre bytes.
struct CarTyreFrame {
  int32_t lodDistance;       // 16.16 m
  int32_t viewDirX;          // 16.16: the first value of the view direction in car axes
  int32_t viewDirY;          // 16.16: the second (sizes the spare wheel)
  uint8_t tyreStyle;         // 0..21: the segments round the tyre
  uint8_t letteringRows;     // the logo byte: 0 no lettering
  int oneSided;              // lettering on one side only
  int unmirroredMeshes;      // mirrored wheels keep their mesh unmirrored
  int drilledDiscs;
  int debugLevel;
  uint32_t graphicsOptions;  // GraphicsOption bits
  int onlyWheel;             // 1 + the one wheel written (no spare), 0 every wheel
};
struct CarTyreResult {
  int drawn;          // 0: no tyres this frame (none, or over the streams' room)
  TyreCounts counts;
  TyreSegments segments;
  uint16_t discBatch; // the brake discs' temporary mesh, or NO_BATCH
};
// Counts, starts the streams, writes each wheel's tyre (rings, or drums when far) and
// lettering, and one disc quad for each wheel whose set has a disc radius; unlocks the
// streams.  The wheels stand where the car's wheel records put them in the world.  With
// option bit 0x8 the spare wheel (the front set's tyre, lettered on one side) lies flat at
// its stored place, turned by its pitch.
constexpr uint32_t CAR_OPTION_SPARE_SHOWN = 0x8;
CarTyreResult BuildCarTyres(Car& car, const CarTyreFrame& frame);
