#version 430 core
// ShadowMap5 vs_tree: a layered object (a tree, a placed model's layers) into the shadow map,
// leaning with the wind of row 15.
#define TREE
#include "shadowmap5_vertex.glsl"
