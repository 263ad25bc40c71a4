// track_files.h - whole test tracks written by our own writer: the world file's image (header,
// every section, zeros up to its fixed length) and, when the lighting lies apart, the lighting
// file's image.  Three tracks: a flat square, a short road and a test oval.
//
// The sections go field by field through the data file's memory writer; the records come from
// track_writer.h.  Test data only: the program ships no track.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/track_writer/track_writer.h"

constexpr int64_t WHOLE_TRACK_FILE_SIZE = 7544700;

enum GeneratedTrack { TRACK_FLAT_SQUARE = 0, TRACK_SHORT_ROAD = 1, TRACK_TEST_OVAL = 2 };
constexpr int GENERATED_TRACKS = 3;
extern const char* const GENERATED_TRACK_NAMES[GENERATED_TRACKS];  // "flat_square", ...

struct TrackImages {
  std::vector<uint8_t> world;     // exactly WHOLE_TRACK_FILE_SIZE bytes
  std::vector<uint8_t> lighting;  // empty when the lighting section is in the world file
};
// The track's files; with separateLighting the lighting section goes to the lighting file
// (the world file's lighting byte 1).
TrackImages BuildTrackImages(GeneratedTrack track, bool separateLighting);

// A busy track for the load benchmark: a straight road of sections sections and the segments
// between them, placed objects (no model) on a grid beside it and trees among them.
TrackImages BuildBusyTrackImages(int sections, int placed, int trees);

// The facts of the generated tracks a load is checked against.
constexpr double SHORT_ROAD_SPACING = 20.0;  // metres between sections along y
constexpr int SHORT_ROAD_SECTIONS = 11;
constexpr const char* SHORT_ROAD_TEXTURE = "TESTROAD";  // the road mapping's texture ("data\\png\\TESTROAD.png")
// The road mapping's grey on every track: red, green and blue of its colour and of the one
// cell of its colour grid, which its strips carry before the brightness table and the texture.
constexpr uint8_t ROAD_MAPPING_GREY = 128;
constexpr double SHORT_ROAD_HALF_WIDTH = 5.0;
// The short road's surface height (m) at y (m) along its straight part, x within the road:
// flat, then a ramp rising 1 m per section from section 4 to 7, then level at 3 m.
double ShortRoadHeight(double y);
constexpr double SQUARE_HALF = 32.0;  // the flat square: x in -32..32, y in 0..64

// The test oval (its racing path: OvalPathNodes with these figures, closed): straights of
// 200 m, half circles of 60 m, a node every 5 m, road and limits +-6 m, level at 0 m.
constexpr double TEST_OVAL_STRAIGHT = 200.0;
constexpr double TEST_OVAL_RADIUS = 60.0;
constexpr double TEST_OVAL_SPACING = 5.0;
constexpr float TEST_OVAL_HALF_WIDTH = 6.0f;
// The oval's computer-driver path file: one curve from each node to the next, every end offset
// and angle 0, so that the line runs through the path's nodes.
TrackAiPathFile TestOvalAiPathFile();
