// tyre_geometry.h - the tyres as they are drawn: how many segments go round each tyre at the
// car's distance, how many vertices and triangles the tyre and logo streams need for a frame,
// the check of those counts against the streams' room, and the simple eight-sided drum of a
// far tyre.
//
// Sections: [Segments] [Counts] [Streams] [Drum] [Profile rings]
//
// Tyres are written afresh every drawn frame.  Counting comes before any writing, so both
// streams are mapped once a frame with their exact sizes, and never beyond their room.
// Main thread only.
#pragma once
#include <cstdint>

#include "vehicle/frame_tubes.h"  // TubeBatch, WriteDrawVertex: the same 32-byte vertices

struct WheelProfile;

// ---- [Segments] ----
constexpr int TYRE_STYLES = 22;
extern const uint8_t TyreStyleSegments[TYRE_STYLES];
constexpr int TYRE_LEAST_SEGMENTS = 8;
constexpr int32_t TYRE_FAR_DISTANCE = 12 << 16;  // 16.16 m, before the view direction's share
struct TyreSegments {
  int segments;
  int simplified;  // drawn as drums of `segments` sides' counts, without logos
};
// S from the style's table value; beyond F = 12 m x (1 + viewDir / 2) S becomes 24 F / d
// rounded down to a multiple of 4, and below 8 it is 8 and the tyres simplified.
TyreSegments ChooseTyreSegments(uint8_t style, int32_t lodDistance, int32_t viewDir);

// ---- [Counts] ----
struct TyreCounts {
  uint32_t vertices, triangles, logoVertices, logoTriangles;
};
// (segments + 1) x perRing vertices and segments x perSegment triangles; with a logo count,
// (segments + 1) x logoPerRing and segments x logoPerRing on the logo stream.
void AddStripCounts(int segments, int perRing, int perSegment, int logoPerRing, TyreCounts& counts);
struct TyreCountInputs {
  int wheels;
  TyreSegments wheel;
  int logo;        // the tyres carry sidewall logos
  int oneSided;    // logos on one side only
  int spare;       // a spare wheel is drawn
  TyreSegments spareWheel;
};
// Profile rings: 14 vertices a ring and 18 triangles a segment, 4 logo vertices a ring (2
// one-sided; always 2 for the spare).  Simplified: 4S + 4 vertices and 4S triangles, no logo.
TyreCounts CountTyreGeometry(const TyreCountInputs& in);

// ---- [Streams] ----
constexpr uint32_t TYRE_STREAM_VERTICES = 2170, TYRE_STREAM_TRIANGLES = 2700;
constexpr uint32_t LOGO_STREAM_VERTICES = 620, LOGO_STREAM_TRIANGLES = 600;
constexpr const char* TEXT_TYRE_LIMITS_EXCEEDED = "TYRE LIMITS EXCEEDED";
enum TyreStream { TYRE_STREAM = 0, LOGO_STREAM = 1 };
// How the streams are started and unlocked; the car's own streams by default, a test's
// recorder in tests.  start returns 1 when the stream was mapped for the counts.
struct TyreStreamOps {
  int (*start)(void* owner, int stream, uint32_t vertices, uint32_t indices);
  void (*unlock)(void* owner, int stream);
  void* owner;
  uint8_t locked[2];  // non-zero while the stream holds written data
};
// 1 when the streams were started for the counts.  Counts beyond a stream's room are refused
// at every debug level (a stream is never written past its end); the message is shown only
// with a non-zero debug level.  A logo triangle count of 0 starts only the tyre stream.  A
// failed start leaves neither stream locked.
int CheckTyreBufferLimits(TyreStreamOps& streams, const TyreCounts& counts, int debugLevel);
void UnlockTyreStreams(TyreStreamOps& streams);

// ---- [Drum] ----
// The simple tyre: two cap centres at -/+ width / 2 along the axle and nine rings of two
// vertices at the rolling radius; 20 vertices and 32 triangles.  axes: the axle and the two
// radial directions (unit); textureRow: the tread row's v.
constexpr int DRUM_VERTICES = 20, DRUM_TRIANGLES = 32;
struct TyrePlacement {
  float centre[3];
  float axes[3][3];  // axle, radial 1, radial 2
  float radius, width;
  uint32_t colour;   // 0x00RRGGBB
  float textureRow;
  int winding;       // reversed winding (a mirrored mesh)
};
// 1 when written; 0 (nothing written) when the batch lacks room.
int WriteTyreDrum(TubeBatch& out, const TyrePlacement& tyre);
// The tread's texture row: 0.125 steps by compound, rows 4 to 7; the wall row is 0.125.
float TyreTreadRow(int compound);

// ---- [Profile rings] ----
// The full tyre: rings s = 0 .. N at the angles start - s 2 pi / N of the profile's tyre
// points (those before its first rim point), with u = s / N, and for each ring and each of
// the nine tyre surfaces two triangles.  Where the tyre meets the ground it is squashed and
// bulged: deformation is on only with a ground contact and more than 11 segments.  The
// lettering strip (letteringRows above 0) goes to the second batch: points 1, 8, 6 and 9 of
// each ring (the side selector keeps only the last two), the side walls' surfaces.
constexpr int TYRE_DEFORM_LEAST_SEGMENTS = 12;
struct TyreRing {
  float centre[3];
  float axes[3][3];       // axle, radial 1, radial 2 (unit)
  float offset;           // m along the axle: the tyre's middle from the centre
  const WheelProfile* profile;
  int lowProfile;         // the low profile style: the wall's bead point stays
  int segments;           // N (more than 0)
  int contact;            // the wheel touches the ground: groundPoint, groundNormal (world)
  float groundPoint[3], groundNormal[3];
  float lateralDeformation;  // m, the tyre's sideways deformation
  float sideSign;         // the wheel's side (-1 mirrors the lettering when deformed)
  int letteringRows;      // k, 0 none
  int sideSelector;       // lettering on one side only
  uint32_t letteringColour;  // 0x00RRGGBB, through the brightness table
  int winding;            // reversed winding (a mirrored mesh)
  float startAngle;       // 0 or pi
};
// Writes one tyre; 1 when written, 0 (nothing written to either batch) when a batch lacks
// room or the profile has no tyre.
int WriteTyreRings(TubeBatch& tyre, TubeBatch* lettering, const TyreRing& in);
