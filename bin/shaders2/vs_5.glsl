#version 430 core
// Interface5 vs_i_2d: 2D vertices already in clip space (y up), colour and uv passed on.
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColour;
layout(location = 4) in vec2 inUv;
out vec4 vColour;
out vec2 vUv;
void main() {
  gl_Position = vec4(inPosition.xy, inPosition.z, 1.0);
  vColour = inColour;
  vUv = inUv;
}
