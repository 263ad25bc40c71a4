// World22 vs_main, shared by vertex shaders 12, 13 (SHINE) and 14 (TREE): world geometry of the wide
// layout.  The position through row 0; the position and the normal into the world through the
// 3x4 of row 3, whose fourth row holds the eye in the object's space; the light arriving at
// the vertex: (n,1)T M (n,1) per channel with the irradiance matrices of row 9, or, while the
// scale of row 2 is above 0, the object's ambient cube there (faces -x +x -y +y -z +z, each a
// colour and a term, weighted by the normal's squares); the specular colour of COLOR1 (three
// packed small floats) and its exponent from the normal's fourth byte; the sun of row 14 and
// the fog of row 9 handed to the pixel shader.  With TREE the position first leans with the
// wind of row 15.
layout(std140, binding = 0) uniform VertexRow0 {
  mat4 worldViewProjection;  // stored transposed: a row vector times it
};
layout(std140, binding = 2) uniform VertexRow2 {
  vec4 cube[7];  // six faces: colour, term; then (scale, 0, 0, 0)
};
layout(std140, binding = 3) uniform VertexRow3 {
  vec4 worldRows[3];  // world x, y, z as rows of the 3x4
  vec4 eyeInObject;
};
layout(std140, binding = 9) uniform VertexRow9 {
  vec4 irradiance[12];  // three 4x4 matrices, red, green, blue, by rows
  vec4 lightFactors[3]; // the fourth column: the fog colour
  vec4 fog;             // x: -ln 2 / the fog distance (metres)
};
layout(std140, binding = 10) uniform VertexRow14 {
  vec4 viewLights[6];  // [1] the sun's colour, [3] the unit direction towards it
};
#ifdef TREE
#include "object_wind.glsl"
#endif
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec4 inNormal;
layout(location = 2) in vec4 inColour;
layout(location = 3) in uint inSpecular;
layout(location = 4) in vec2 inUv;
out vec4 vColour;
out vec2 vUv;
out vec3 vLight;
out vec3 vSpecular;
out float vShininess;
out vec3 vWorldPosition;
out vec3 vWorldNormal;
flat out vec3 vEye;
flat out vec3 vSunDirection;
flat out vec3 vSunColour;
flat out vec4 vFog;  // colour, then the factor of the distance

// One unsigned small float: a 5-bit exponent (bias 15) above mantissaBits of mantissa.
float UnpackSmallFloat(uint bits, uint mantissaBits) {
  uint exponent = bits >> mantissaBits;
  float mantissa = float(bits & ((1u << mantissaBits) - 1u)) / float(1u << mantissaBits);
  if (exponent == 0u) return mantissa * exp2(-14.0);
  if (exponent == 31u) return 65504.0;
  return (1.0 + mantissa) * exp2(float(exponent) - 15.0);
}

vec3 ToWorld(vec3 p) {
  vec4 q = vec4(p, 1.0);
  return vec3(dot(worldRows[0], q), dot(worldRows[1], q), dot(worldRows[2], q));
}

vec3 RotateToWorld(vec3 n) { return vec3(dot(worldRows[0].xyz, n), dot(worldRows[1].xyz, n), dot(worldRows[2].xyz, n)); }

vec3 ArrivingLight(vec3 n) {
  if (cube[6].x > 0.0) {
    vec3 w = n * n;
    vec4 x = n.x < 0.0 ? cube[0] : cube[1];
    vec4 y = n.y < 0.0 ? cube[2] : cube[3];
    vec4 z = n.z < 0.0 ? cube[4] : cube[5];
    return cube[6].x * (w.x * x.w * x.rgb + w.y * y.w * y.rgb + w.z * z.w * z.rgb);
  }
  vec4 v = vec4(n, 1.0);
  vec3 light;
  for (int c = 0; c < 3; ++c) {
    vec4 mv = vec4(dot(irradiance[4 * c], v), dot(irradiance[4 * c + 1], v), dot(irradiance[4 * c + 2], v),
                   dot(irradiance[4 * c + 3], v));
    light[c] = max(dot(v, mv), 0.0);
  }
  return light;
}

void main() {
  vec3 position = inPosition;
#ifdef TREE
  position = Sway(position);
#endif
  gl_Position = vec4(position, 1.0) * worldViewProjection;
  vec3 n = RotateToWorld(inNormal.xyz);
  float length2 = dot(n, n);
  n = length2 > 1e-12 ? n * inversesqrt(length2) : vec3(0.0, 0.0, 1.0);
  vColour = inColour;
  vUv = inUv;
  vLight = ArrivingLight(n);
  vSpecular = vec3(UnpackSmallFloat(inSpecular & 0x7FFu, 6u), UnpackSmallFloat((inSpecular >> 11) & 0x7FFu, 6u),
                   UnpackSmallFloat(inSpecular >> 22, 5u));
  vShininess = 128.0 * max(inNormal.w, 1.0 / 127.0);
  vWorldPosition = ToWorld(position);
  vWorldNormal = n;
  vEye = ToWorld(eyeInObject.xyz);
  vSunDirection = viewLights[3].xyz;
  vSunColour = viewLights[1].rgb;
  vFog = vec4(lightFactors[0].w, lightFactors[1].w, lightFactors[2].w, fog.x);
}
