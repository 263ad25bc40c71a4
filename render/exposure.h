// exposure.h - metering the rendered frame: a small central region of one of the
// post-processing chain's levels read back to the CPU, through compute shader 2 (a 64-bin
// luminance histogram) at feature level 11_0 and above, or through a copy of the region into
// a readable surface below it.
//
// Sections: [State] [Region] [Reading] [Histogram] [Seams]
//
// A frame starts a read; a later frame collects it: maps the result, reduces it to the
// region's mean luminance, clears the pending flag and sets the state to 2.  While the state
// is 0 or 1 (no value yet) the post-processing hides its frames; a failure (3) ends metering
// and frames are shown.  Adapting the exposure to the value is not done here.  Main thread
// only.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

struct PostChain;

// ---- [State] ----
constexpr int EXPOSURE_BINS = 64;
enum : int {
  EXPOSURE_NO_VALUE = 0,   // nothing read yet
  EXPOSURE_WAITING = 1,    // the first read is under way
  EXPOSURE_VALUE = 2,      // a read was collected
  EXPOSURE_FAILED = 3,     // no further attempts
};
struct ExposureReadState {
  int regionChosen;
  int left, secondLeft, top, width, height;  // pixels; width covers both eyes in stereo
  int level;                                 // the chain level read
  GfxFormat format;                          // its pixel format
  int readerMade;
  GfxTexture2D readSurface;  // below 11_0; the compute job's read-back buffer above
  int readPending;
  int state;
  float whiteBalance[3];     // the multipliers in force when the pending read was started
  // The last read collected.
  uint32_t histogram[EXPOSURE_BINS];
  float meanLuminance;
  float readWhiteBalance[3];
};
extern ExposureReadState ExposureRead;
// Forgets the region and the reader (the chain changed); the state and the last value stay.
void ReleaseExposureReader();
void ResetExposure();  // everything back to the start, state 0

// ---- [Region] ----
// eye mode 0 a flat frame, 1 and 2 the two eyes of a stereo frame.
int ChooseExposureRegion(const PostChain& chain, int stereo);

// ---- [Reading] ----
// Collects a finished read, chooses the region and makes the reader when needed, and starts
// a read unless one is pending.  1 when a read (or the first eye's part of one) was started.
int SetupExposureReadback(const PostChain& chain, int eyeMode);
namespace Exposure {
// Starts the read of the region: eye mode 1 only records the first eye's part (nothing is
// pending yet); modes 0 and 2 complete it.
int AttemptStartRead(const PostChain& chain, int eyeMode);
}
// Maps a pending read and reduces it; 1 when a value was collected.
int CollectExposureRead();

// ---- [Histogram] ----
// The bin of a linear colour's luminance (0.2126 r + 0.7152 g + 0.0722 b): four bins per
// octave from 2^-12 to 2^4, each octave cut into quarters by the float's top two mantissa
// bits; darker (and zero) goes to bin 0, brighter to bin 63.  Compute shader 2 bins the same.
int ExposureBin(float red, float green, float blue);
float ExposureBinLuminance(int bin);  // the middle of the bin
float HistogramMeanLuminance(const uint32_t histogram[EXPOSURE_BINS]);  // 0 for an empty one

// ---- [Seams] ----
// Set by the world while its own metering is off; none without a world.
extern int WorldMeteringFlag;
// The VR plug-in's tangents of the left eye's half-angles (left, right, up, down), set while a
// headset is open; the stereo region is then centred on the view direction.
struct EyeTangents {
  int known;
  float horizontal[2], vertical[2];
};
extern EyeTangents VrEyeTangents;
