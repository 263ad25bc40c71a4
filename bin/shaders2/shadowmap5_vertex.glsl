// ShadowMap5 vs_main, shared by vertex shaders 3 and 4 (TREE): geometry drawn into the shadow
// map, seen from the light.  The position in metres through row 0, which the shadow pass
// loads with the light's world-view-projection; the vertex colour and the texture
// coordinates handed on for the pixel shaders that let light through.  With TREE the
// position first leans with the wind of row 15, as the world shader's tree variant leans it,
// so that an object's shadow follows the object.
layout(std140, binding = 0) uniform VertexRow0 {
  mat4 worldViewProjection;  // stored transposed: a row vector times it
};
#ifdef TREE
#include "object_wind.glsl"
#endif
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColour;
layout(location = 4) in vec2 inUv;
out vec4 vColour;
out vec2 vUv;
void main() {
  vec3 position = inPosition;
#ifdef TREE
  position = Sway(position);
#endif
  gl_Position = vec4(position, 1.0) * worldViewProjection;
  vColour = inColour;
  vUv = inUv;
}
