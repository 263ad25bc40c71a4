// Render6, shared by pixel shaders 12 to 19: the looks of an object picture.
//   BLACK  render_black: black (the black-and-white picture, the wireframe on white)
//   SKY    render_sky: the texture under a sky above (the normal's shade from above)
//   ART    render_art: the texture times the point colour, shaded by the light of row 1
//   ECHO   render_echo: white (the halo, the wireframe on black)
// With ALPHA the texture's alpha is kept and a texel below half coverage is left out, so
// cut-out parts of a texture keep their shape in every look.
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
in float vShade;
in float vSky;
out vec4 outColour;
void main() {
  float alpha = 1.0;
#if defined(ALPHA) || defined(SKY) || defined(ART)
  vec4 texel = texture(texture0, vUv);
#endif
#ifdef ALPHA
  alpha = texel.a;
  if (alpha < 0.5) discard;
#endif
#if defined(BLACK)
  outColour = vec4(0.0, 0.0, 0.0, alpha);
#elif defined(ECHO)
  outColour = vec4(1.0, 1.0, 1.0, alpha);
#elif defined(SKY)
  outColour = vec4(texel.rgb * vSky, alpha);
#else
  outColour = vec4(texel.rgb * vColour.rgb * vShade, alpha);
#endif
}
