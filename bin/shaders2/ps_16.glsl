#version 430 core
// Render6 render_art.
#define ART
#include "render6_pixel.glsl"
