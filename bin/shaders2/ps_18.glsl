#version 430 core
// Render6 render_echo.
#define ECHO
#include "render6_pixel.glsl"
