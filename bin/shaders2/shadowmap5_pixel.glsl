// ShadowMap5 ps_main, shared by pixel shaders 20 (SOLID), 21 (ALPHA) and 22 (ATEST).  The
// shadow map holds the light that reaches each of its pixels: the pass clears it to white
// and draws what stands in the light's way.
//   SOLID  writes black: nothing gets through.
//   ATEST  discards the pixels whose texture alpha is below one half (the alpha test of
//          alpha mode 1) and writes black elsewhere: leaves cut from their cards.
//   ALPHA  writes the light a blended surface lets through, mix(white, texture x vertex
//          colour, alpha); the second shadow pass multiplies it into the map (blend state 5)
//          without writing depth, so coloured glass tints the light behind it.
#if defined(ATEST) || defined(ALPHA)
layout(binding = 0) uniform sampler2D texture0;
#endif
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
#if defined(ALPHA)
  vec4 surface = texture(texture0, vUv) * vColour;
  outColour = vec4(mix(vec3(1.0), surface.rgb, surface.a), 1.0);
#else
#if defined(ATEST)
  if (texture(texture0, vUv).a < 0.5) discard;
#endif
  outColour = vec4(0.0, 0.0, 0.0, 1.0);
#endif
}
