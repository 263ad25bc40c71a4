// flag.h - a cloth flag on a pole (object type 14): a cloth of 5 x 4 points hanging from the
// pole on its left edge, moved by gravity and the world's wind with a small mass-spring model,
// and drawn on both sides with one of the world's mapping records.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "render/light_samples.h"
#include "world/fixed_ob.h"

struct MappingRecord;

struct ClothPoint {
  uint8_t free = 0;  // 0 pinned to the pole, 1 moved
  uint8_t spare[3] = {};
  int32_t position[3] = {};  // 16.16
  float normal[3] = {};
  float velocity[3] = {};    // m/s
  float force[3] = {};       // N
};

constexpr int FLAG_COLUMNS = 5, FLAG_ROWS = 4;
constexpr int FLAG_POINTS = FLAG_COLUMNS * FLAG_ROWS;
constexpr int FLAG_INNER = (FLAG_COLUMNS - 1) * (FLAG_ROWS - 1);
constexpr int FLAG_VERTICES = 2 * FLAG_POINTS;                          // front and back
constexpr int FLAG_TRIANGLES = 4 * (FLAG_COLUMNS - 1) * (FLAG_ROWS - 1);  // two a side a cell
constexpr int FLAG_STEP_MS = 8;           // gathered before a step
constexpr float FLAG_STEP_SECONDS = 0.01f;

// A vertex of the flag's mesh: position in metres, normal as signed bytes (x 127, a fourth
// 127), colour and texture coordinates.
struct FlagVertex {
  float position[3];
  int8_t normal[4];
  uint32_t colour;
  float u, v;
};
struct FlagMesh {
  FlagVertex vertices[FLAG_VERTICES];
  uint16_t indices[3 * FLAG_TRIANGLES];
};

struct WFlag : FixedOb {
  explicit WFlag(const IntVector& at);

  // Flag flags, top, width (at least 1), height (at least 0.5), mapping, 2 skipped; a width
  // above 4 is brought to 4 scaling the height with it, then the height is held to 3.
  void Load(DataFile& stream, int version) override;
  // Bounds, and the cloth laid out at rest.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;  // x, y, 0 and heading 0
  void SetPosition(const IntVector& at, float) override;        // x and y only
  void FreeBuilt(bool) override { lightingState = 0; }
  // Once a frame (when not listed yet): on the world's active list, the cloth stepped by the
  // world's elapsed time and wind, its mesh written into a temporary mesh; then on the
  // world's figure list.
  void AddToDrawList() override;
  void AddToDrawListAtDistance(int32_t) override { AddToDrawList(); }
  // The temporary mesh, lit by the flag's light sample when it has one.
  void Draw() override;
  int MappingsInUse(uint16_t* used, int room) override;

  // Gathers elapsed ms; from 8 on, one step of 0.01 s with the wind (m/s, world axes).
  void StepCloth(int elapsedMs, const float wind[3]);
  // The two-sided mesh of the cloth with the mapping's texture placement and colour (null:
  // white, the whole texture).
  void BuildFlagMesh(const MappingRecord* mapping, FlagMesh& mesh) const;
  // Steps the cloth and writes its mesh into a new temporary mesh of the mapping's material;
  // the light is sampled while the state is 0.
  void WriteTemporaryMesh();

  int32_t flagFlags = 0;  // bit 0: the back takes the front's texture direction
  float top, width = 2.0f, height = 1.5f;
  uint16_t mapping = 0;
  uint8_t lightingState = 0;
  uint8_t stepTime = 0;
  uint32_t temporaryMesh = 0;
  int temporaryCount = 0;  // 1 while this frame's mesh was written
  LightRecord light = {};
  ClothPoint points[FLAG_POINTS];  // row by row from the top, column 0 at the pole
  ClothPoint inner[FLAG_INNER];    // the middle of each cell
};
FixedOb* MakeFlag(const IntVector& at);

// The texture transform of a mapping's orientation code (0..7: turns of a quarter, then the
// same mirrored): u' = t0 u + t1 v + t4, v' = t2 u + t3 v + t5.
void MappingOrientationTransform(int code, float t[6]);
