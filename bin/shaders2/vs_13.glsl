#version 430 core
// World22 vs_main (SHINE), variant WORLD: the pixel shader reflects the view about the
// normal, from the world position and eye every world vertex shader hands on.
#define SHINE
#include "world22_vertex.glsl"
