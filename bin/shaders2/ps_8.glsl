#version 430 core
// PostProcess5 ps_anaglyph: the two eyes side by side in one texture (left half, right half)
// made into one red-cyan picture: red from the left eye, green and blue from the right.  The
// quad's u runs over the left half.
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec3 left = texture(texture0, vUv).rgb;
  vec3 right = texture(texture0, vUv + vec2(0.5, 0.0)).rgb;
  outColour = vec4(left.r, right.g, right.b, 1.0);
}
