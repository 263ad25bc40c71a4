#version 430 core
// World22 ps_no_texture: the vertex colour.
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = vColour; }
