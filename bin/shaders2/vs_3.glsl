#version 430 core
// ShadowMap5 vs_main: geometry into the shadow map.
#include "shadowmap5_vertex.glsl"
