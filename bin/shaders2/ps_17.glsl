#version 430 core
// Render6 render_art (ALPHA).
#define ART
#define ALPHA
#include "render6_pixel.glsl"
