// The object's place and the wind (row 15), shared by the vertex shaders of the world's
// layered objects (the world shader's tree variant and the shadow map's tree shader): the
// base x, y, z and the object's size in metres, the wind's unit direction and its strength.
// The object leans with the wind: a point moves along it by its height over the base
// squared, over the size, times a fiftieth of the strength.
layout(std140, binding = 14) uniform VertexRow15 {
  vec4 objectPlace;
  vec4 objectWind;
};
vec3 Sway(vec3 p) {
  float h = max(p.z - objectPlace.z, 0.0);
  float lean = objectWind.w * 0.02 * h * h / max(objectPlace.w, 1.0);
  return p + vec3(objectWind.xy * lean, 0.0);
}
