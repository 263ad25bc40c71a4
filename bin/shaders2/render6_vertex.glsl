// Render6, shared by vertex shaders 1 (vs_render) and 2 (vs_echo, ECHO): an object's texture
// layout.  Each vertex stands where its texture coordinates put it in the picture (u across,
// v down, the texture's top row at the top), so the picture lays the triangles out as they
// lie on the texture.  Row 1 holds the echo's offset in clip units (x, y) and the unit
// direction the light comes from in the object's space (z up).  The shade of the normal under
// that light and under a sky above go to the pixel shaders.
layout(std140, binding = 1) uniform VertexRow1 {
  vec4 echoOffset;      // x, y: added to every position by vs_echo
  vec4 lightDirection;  // xyz: towards the light
};
layout(location = 1) in vec4 inNormal;
layout(location = 2) in vec4 inColour;
layout(location = 4) in vec2 inUv;
out vec4 vColour;
out vec2 vUv;
out float vShade;  // 0.35 .. 1: the normal under the light
out float vSky;    // 0.35 .. 1: the normal under a sky above and a dark ground
void main() {
  vec2 position = vec2(inUv.x * 2.0 - 1.0, 1.0 - inUv.y * 2.0);
#ifdef ECHO
  position += echoOffset.xy;
#endif
  gl_Position = vec4(position, 0.0, 1.0);
  vec3 n = inNormal.xyz;
  float length2 = dot(n, n);
  n = length2 > 0.0 ? n * inversesqrt(length2) : vec3(0.0, 0.0, 1.0);
  vShade = 0.35 + 0.65 * max(dot(n, lightDirection.xyz), 0.0);
  vSky = 0.35 + 0.65 * (0.5 + 0.5 * n.z);
  vColour = inColour;
  vUv = inUv;
}
