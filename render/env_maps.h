// env_maps.h - the environment textures that shiny surfaces reflect: the current scheme's
// sky drawn into "ENVIRO~S" (the hard shine, with its mips) and blurred into "EROUGH~S" (the
// soft shine, mips 0..2), beside the four intermediate levels "ENVIRO~O0".."ENVIRO~O3".
//
// Sections: [State] [Drawing] [Release]
//
// Every environment texture is a polar map of the upper hemisphere, as the sky texture is:
// the disc inscribed in the square, its centre the zenith, its radius proportional to the
// zenith angle; outside the disc pixel shader 33 repeats the horizon.  States: 0 not
// created, 1 failed (until released), 2 to be drawn, 3 drawn.  Each failure is shown once in
// the error colour.  Main thread only.
#pragma once

struct ZKTETexture;

// ---- [State] ----
enum : int {
  ENVIRONMENT_NOT_CREATED = 0,
  ENVIRONMENT_FAILED = 1,
  ENVIRONMENT_TO_DRAW = 2,
  ENVIRONMENT_DRAWN = 3,
};
constexpr int ENVIRONMENT_LEVELS = 4;
struct EnvironmentTextures {
  int state;
  ZKTETexture* hard;    // "ENVIRO~S": 512 x 512, sRGB, mips made by the device
  ZKTETexture* soft;    // "EROUGH~S": 128 x 128, sRGB, three levels drawn by the blur chain
  ZKTETexture* levels[ENVIRONMENT_LEVELS];  // "ENVIRO~O%d": 512 >> level, 16-bit float with HDR
};
extern EnvironmentTextures Environment;
void InitEnvironmentState();  // zeroes the state and every texture slot (system-texture set-up)

// ---- [Drawing] ----
// Each drawn frame of the 3D editors: state 0 makes the textures (state 2, or 1 with
// "Could not create intermediate environment texture"); state 2 draws them.
void UpdateEnvironmentTexture();
// Draws the current scheme's sky texture into "ENVIRO~S" with pixel shader 33, makes its
// mips, then blurs it into the soft shine (the blur chain's targets are made once).  State 3,
// or 1 with "No sky texture for environment texture" / "Could not set environment texture".
void draw_enviro_sky();
// States 0 and 1 stay; any other becomes 2 (after a sky upload or a change of scheme).
void RequestEnvironmentRedraw();
// The sky texture and the environment textures made and drawn ahead of the first car, whose
// first frame would otherwise wait for them (and for the driver, which makes the shaders of
// the mips and the blur at their first use).  Nothing without 3D drawing; a sky computed
// meanwhile is drawn in again as always.
void PrepareEnvironmentTexture();
// For a screen that will show cars and has none yet: the loop's next rest prepares the
// environment (WorkAtRest, core/frame_globals.h), unless it is drawn or failed.
void PrepareEnvironmentAtRest();

// ---- [Release] ----
// Every environment texture and the blur targets released; state 0.
void ReleaseEnvironmentTextures();
// After the device went with every texture: the references dropped, state 0.
void ForgetEnvironmentTextures();
