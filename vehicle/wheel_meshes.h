// wheel_meshes.h - the meshes that show a wheel set's wheels: the eight-sided tyre proxy and
// the rim turned from the wheel profile into a surface of revolution; and drawing a wheel's
// spoke and rim meshes.
//
// Sections: [Tyre proxy] [Rim mesh] [Drawing]
//
// Axes of a wheel's meshes: x along the axle, y and z across the wheel; 16.16 positions in
// the display meshes, metres in the fast meshes.  Main thread only.
#pragma once
#include <cstdint>

#include "render/primitives.h"
#include "wheel/wheel.h"

struct GouraudColour;
struct GouraudO3d;
struct Material;

// ---- [Tyre proxy] ----
// A new registered fast mesh of one part drawn with the plain material: 18 vertices (the two
// cap centres at -+half the section width on the axle, then eight pairs at the rolling radius,
// an eighth turn apart) and 32 triangles (each eighth: one on each cap and two across the
// tread).  The handle is none without graphics.
FastMeshHandle BuildTyreProxyMesh(const SuspensionBlock& set);
constexpr int TYRE_PROXY_SIDES = 8;

// ---- [Rim mesh] ----
// Where the rim's texture lies: the box a page covers across the wheel (16.16, centre and half
// size along y and z, scaled by the builder's scale) and its place on the texture (left, top,
// width and height in 1/128 of the texture, as a cutout's region).
struct LatheTexturePage {
  int32_t centre[2];
  int32_t halfSize[2];
  uint8_t region[4];
};
constexpr int32_t LATHE_LEAST_EXTENT = 64;  // 16.16 units: a narrower box is taken as this wide
constexpr int32_t LATHE_DEFAULT_HALF = 65536;  // without a page: -1 .. 1 m on both axes
constexpr int LATHE_MAX_SEGMENTS = 1024;
// A car's rim meshes: this many steps round the axle, drawn with the plain white texture (the
// rim's colours are its points' colours; no file keeps a texture of a rim's own).
constexpr int RIM_SEGMENTS = 24;
constexpr const char* DEFAULT_RIM_TEXTURE = "PLAIN~W";
// Fills an initialised mesh with the profile turned round the axle in `segments` steps
// (1..LATHE_MAX_SEGMENTS): V x segments points (V the profile points that are not hidden)
// and two triangles per step for every surface from PROFILE_TYRE_SURFACES on, in one part
// drawn with `material`.  Point k of step s lies at the angle -s x 2 pi / segments; its
// texture coordinates are a planar projection of its y and z onto the page (the whole
// texture over -1 .. 1 m without one); it refers to colours[k] (one per profile point, kept
// by the caller while the mesh lives).  A surface that names a hidden point or one past the
// profile is left out.
void BuildLatheMesh(const WheelProfile& profile, const GouraudColour* colours, GouraudO3d& mesh, int segments,
                    const LatheTexturePage* page, float scale, const Material* material);
// The profile points' colours as the rim mesh's points refer to them.
void ProfileColours(const WheelProfile& profile, GouraudColour colours[PROFILE_POINTS]);

// ---- [Drawing] ----
// What the car's drawing hands its wheel meshes: its display bits (0x100 the spoke mesh is
// drawn, 0x200 the rim mesh).
struct CarDrawContext {
  uint32_t displayBits;
};
constexpr uint32_t WHEEL_DRAW_SPOKES = 0x100;
constexpr uint32_t WHEEL_DRAW_RIM = 0x200;
constexpr int WHEEL_LEVEL_FAR = 9;
// Draws one car mesh in the drawing context; the car drawing installs its own.  The default
// draws the mesh's fast meshes under the mesh's own transform.
extern void (*DrawCarMesh)(const CarDrawContext& context, GouraudO3d& mesh, int detail);
// Draws the set's spoke mesh and rim mesh by the display bits, each made into its fast form
// on first use.  1 when the level of detail is WHEEL_LEVEL_FAR or more, else 0.
int DrawWheelMeshes(const CarDrawContext& context, SuspensionBlock& set, int lod, int detail);
