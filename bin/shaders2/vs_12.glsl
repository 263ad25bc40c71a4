#version 430 core
// World22 vs_main, variant WORLD.
#include "world22_vertex.glsl"
