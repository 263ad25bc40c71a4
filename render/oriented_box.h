// oriented_box.h - a solid box in one colour drawn through a fixed-point transform: the mass
// view's boxes of a car and the boxes of a figure's bones.
//
// The box is written as eight corners and twelve triangles into the shared 3D stream
// (render/immediate.h) in one batch and drawn at once, with the render states in force.
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "text/text_colours.h"

struct OrientedBox {
  float centre[3];    // metres, in the frame the transform takes to the world
  float halfSize[3];  // metres
  ColourWord colour;  // red in byte 0; drawn through the brightness table
};

// The centre and half sizes become 16.16 (rounded to nearest); a box whose three half sizes
// all round to 0 is not drawn.  Corner i is the centre plus the half sizes with y positive
// for bit 0, z positive for bit 1 and x negative for bit 2 of i; each corner is taken through
// the transform (its rows dotted in 16.16, then the translation).
void DrawOrientedBox(const OrientedBox& box, const FixedTransform& transform);
