#version 430 core
// Sky6 vs_sky_sun: the sun mesh (wide layout) through the world-view-projection of row 0,
// colour and texture coordinates passed on.
layout(std140, binding = 0) uniform VertexRow0 {
  mat4 worldViewProjection;  // stored transposed: a row vector times it
};
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColour;
layout(location = 4) in vec2 inUv;
out vec4 vColour;
out vec2 vUv;
void main() {
  gl_Position = vec4(inPosition, 1.0) * worldViewProjection;
  vColour = inColour;
  vUv = inUv;
}
