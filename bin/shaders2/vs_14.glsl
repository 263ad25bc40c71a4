#version 430 core
// World22 vs_main (TREE), variant WORLD: the world shader whose vertices lean with the wind
// the tree's layers set (row 15).
#define TREE
#include "world22_vertex.glsl"
