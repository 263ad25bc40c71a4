#version 430 core
// Interface5 ps_i_no_texture: the vertex colour.
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = vColour; }
