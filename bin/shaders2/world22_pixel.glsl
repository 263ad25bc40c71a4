// World22 ps_main, shared by pixel shaders 38 to 46; the defines of each choose its terms.
//
//   diffuse   = texture x vertex colour x the light arriving at the vertex
//   specular  = the vertex's specular colour x the sun's colour x max(R.L, 0)^exponent, R the
//               view reflected about the normal, L the direction towards the sun
//   shine     = environment x shine colour x Fresnel x mask, the environment read along R as
//               a polar map of the upper hemisphere (centre the zenith, the rim the horizon;
//               below the horizon reads the rim); Fresnel = F0 + (1 - F0) (1 - N.V)^5 (1 - s^2)
//               with F0 the reflectance and s the soft shine; soft shine reads the blurred
//               levels (level 2 x row.x)
//   masks     = of the shine: kind.x + kind.y A (A the texture's alpha; kind.x alone without
//               ALPHA_MUL_SHINE); of the diffuse: kind.z + kind.w A with shine, A for the
//               blended shaders without, else 1
//   colour    = diffuse x its mask + specular + shine, then fogged: mix(fog colour x alpha,
//               colour, 2^(-distance / fog distance))
//   alpha     = 1 for SOLID shaders, else A (the colour is then premultiplied by its masks).
// ATEST discards pixels whose texture alpha is below the reference of row 3.
#if defined(SHINE_HARD) || defined(SHINE_SOFT)
#define SHINE
#endif
layout(binding = 0) uniform sampler2D texture0;
#if defined(SHINE_HARD)
layout(binding = 1) uniform sampler2D environment;
layout(std140, binding = 20) uniform PixelRow4 {
#elif defined(SHINE_SOFT)
layout(binding = 2) uniform sampler2D environment;
layout(std140, binding = 21) uniform PixelRow5 {
#endif
#ifdef SHINE
  vec4 shineColour;    // linear colour, the reflectance F0
  vec4 shineKind;      // the masks' weights
  vec4 shineHardness;  // blur (x), soft shine squared (y)
};
#endif
#ifdef ATEST
layout(std140, binding = 19) uniform PixelRow3 {
  vec4 alphaTest;  // x: the reference
};
#endif
in vec4 vColour;
in vec2 vUv;
in vec3 vLight;
in vec3 vSpecular;
in float vShininess;
in vec3 vWorldPosition;
in vec3 vWorldNormal;
flat in vec3 vEye;
flat in vec3 vSunDirection;
flat in vec3 vSunColour;
flat in vec4 vFog;
out vec4 outColour;

const float HALF_PI = 1.57079632679;

vec2 PolarUv(vec3 r) {
  float across = length(r.xy);
  vec2 towards = across > 1e-6 ? r.xy / across : vec2(0.0);
  float zenithAngle = acos(clamp(r.z, 0.0, 1.0));
  return 0.5 + 0.5 * (zenithAngle / HALF_PI) * towards;
}

void main() {
  vec4 tex = texture(texture0, vUv);
  float a = tex.a;
#ifdef ATEST
  if (a < alphaTest.x) discard;
#endif
  float normalLength = length(vWorldNormal);
  vec3 n = normalLength > 1e-6 ? vWorldNormal / normalLength : vec3(0.0, 0.0, 1.0);
  vec3 toEye = vEye - vWorldPosition;
  float distance = length(toEye);
  vec3 v = distance > 1e-6 ? toEye / distance : n;
  vec3 r = reflect(-v, n);
  vec3 diffuse = tex.rgb * vColour.rgb * vLight;
  vec3 specular = vSpecular * vSunColour * pow(max(dot(r, vSunDirection), 0.0), vShininess);
#if defined(SHINE)
  float diffuseMask = shineKind.z + shineKind.w * a;
#elif defined(ALPHA_DIFFUSE)
  float diffuseMask = a;
#else
  float diffuseMask = 1.0;
#endif
#ifdef NO_DIFFUSE
  diffuseMask = 0.0;
#endif
  vec3 colour = diffuse * diffuseMask + specular;
#ifdef SHINE
#ifdef ALPHA_MUL_SHINE
  float shineMask = shineKind.x + shineKind.y * a;
#else
  float shineMask = shineKind.x;
#endif
  float facing = max(dot(n, v), 0.0);
  float fresnel = shineColour.w + (1.0 - shineColour.w) * pow(1.0 - facing, 5.0) * (1.0 - shineHardness.y);
  vec3 reflected = textureLod(environment, PolarUv(r), 2.0 * shineHardness.x).rgb;
  colour += reflected * shineColour.rgb * fresnel * shineMask;
#endif
#ifdef SOLID
  float alpha = 1.0;
#else
  float alpha = a;
#endif
  colour = mix(vFog.rgb * alpha, colour, exp(vFog.w * distance));
  outColour = vec4(colour, alpha);
}
