// view_constants.h - the view pixel-shader constants: a table of 16 transforms and a
// reference position, uploaded with each object's world matrix while shadows are drawn,
// either as they stand or relative to the view.
//
// The source table belongs to the vehicle editor, which installs it (ViewTransformSource);
// without it the constants hold identity transforms and the origin.  The constants have a
// pixel-shader buffer of their own (row PS_ROW_VIEW_CONSTANTS, 880 bytes, slot 13).
// Main thread only.
#pragma once
#include <cstdint>

constexpr int VIEW_SOURCE_TRANSFORMS = 16;

// The source: 4 x 4 float transforms (row vectors, as matrices.h) and a 16.16 position.
struct ViewTransformTable {
  float transforms[VIEW_SOURCE_TRANSFORMS][16];
  int32_t reference[3];
};
extern const ViewTransformTable* ViewTransformSource;

// The buffer: each transform's first three columns as three rows of four floats, the
// reference position in metres (fourth word 0), then 96 zero bytes.
struct ViewPSConstants {
  float rows[VIEW_SOURCE_TRANSFORMS][12];
  float reference[4];
  uint8_t zero[96];
};
static_assert(sizeof(ViewPSConstants) == 880, "the view constants' buffer is 880 bytes");

// Fills the constants from the source; relative to the view, each transform is multiplied by
// the view matrix and the reference position is taken from the camera (the current view's
// eye) and turned into view axes.  Uploaded when the buffer exists.
void UploadViewPSConstants(int relativeToView);
