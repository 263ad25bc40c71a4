// block_compress.cpp - BC1 and BC2 blocks: encoding, decoding, and whole images.
//
// A BC1 block holds two RGB565 end colours and 16 two-bit indices.  When the first end
// colour (as a 16-bit number) is the greater, the indices choose among the two ends and the
// points 1/3 and 2/3 between them; otherwise among the ends, their midpoint and transparent
// black.  BC2 adds 4 bits of alpha per texel in front and always uses the four-point form.
//
// The encoder fits a line through the block's colours (principal axis), then alternates
// between choosing each texel's nearest palette entry and the least-squares end colours for
// those choices, keeping the best block found by its exact squared error.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "texconv/texconv_local.h"

namespace texconv {

namespace {

// ---- 565 ----

inline int Expand5(int q) { return (q << 3) | (q >> 2); }
inline int Expand6(int q) { return (q << 2) | (q >> 4); }

inline uint16_t Pack565(int r5, int g6, int b5) { return uint16_t((r5 << 11) | (g6 << 5) | b5); }

inline void Unpack565(uint16_t c, int rgb[3]) {
  rgb[0] = Expand5((c >> 11) & 31);
  rgb[1] = Expand6((c >> 5) & 63);
  rgb[2] = Expand5(c & 31);
}

// Rounded thirds and halves, as the device's exact-fraction decoding stored to bytes.
inline int Third(int a, int b) { return (2 * a + b + 1) / 3; }  // 2/3 a + 1/3 b
inline int Half(int a, int b) { return (a + b + 1) / 2; }

struct Tables {
  uint8_t quant5[256];  // byte -> the 5-bit value whose expansion is nearest
  uint8_t quant6[256];
  // Single colour: the end pair whose 1/3 point (four-point form) or midpoint (three-point
  // form) comes nearest to each byte.
  uint8_t single4_5[256][2], single4_6[256][2];
  uint8_t single3_5[256][2], single3_6[256][2];

  Tables() {
    for (int v = 0; v < 256; ++v) {
      quant5[v] = uint8_t(Nearest(v, 31, Expand5));
      quant6[v] = uint8_t(Nearest(v, 63, Expand6));
      FitSingle(v, 31, Expand5, Third, single4_5[v]);
      FitSingle(v, 63, Expand6, Third, single4_6[v]);
      FitSingle(v, 31, Expand5, Half, single3_5[v]);
      FitSingle(v, 63, Expand6, Half, single3_6[v]);
    }
  }
  static int Nearest(int v, int maxQ, int (*expand)(int)) {
    int best = 0, bestErr = 1 << 30;
    for (int q = 0; q <= maxQ; ++q) {
      const int e = std::abs(expand(q) - v);
      if (e < bestErr) bestErr = e, best = q;
    }
    return best;
  }
  static void FitSingle(int v, int maxQ, int (*expand)(int), int (*mix)(int, int),
                        uint8_t out[2]) {
    int bestErr = 1 << 30, bestSpread = 1 << 30;
    for (int a = 0; a <= maxQ; ++a)
      for (int b = 0; b <= maxQ; ++b) {
        const int err = std::abs(mix(expand(a), expand(b)) - v);
        const int spread = std::abs(a - b);  // a narrow pair forgives the decoder's rounding
        if (err < bestErr || (err == bestErr && spread < bestSpread)) {
          bestErr = err;
          bestSpread = spread;
          out[0] = uint8_t(a);
          out[1] = uint8_t(b);
        }
      }
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

// ---- the colour fit ----

// The texels of one block, as the colour fit sees them.
struct BlockColours {
  int r[16], g[16], b[16];
  float fr[16], fg[16], fb[16];  // the same as floats
  float used[16];                 // 1 for the first `count` entries, else 0
  int count;  // texels that take part (the opaque ones); at most 16
};

struct ColourResult {
  uint16_t c0 = 0, c1 = 0;
  uint8_t index[16] = {};
  int error = 1 << 30;
};

// Fills the float copies and the weights; entries past `count` repeat the first texel so
// that every loop may run over all 16.
void SetFloatColours(BlockColours* bc) {
  for (int i = bc->count; i < 16 && bc->count > 0; ++i) {
    bc->r[i] = bc->r[0];
    bc->g[i] = bc->g[0];
    bc->b[i] = bc->b[0];
  }
  for (int i = 0; i < 16; ++i) {
    bc->fr[i] = float(bc->r[i]);
    bc->fg[i] = float(bc->g[i]);
    bc->fb[i] = float(bc->b[i]);
    bc->used[i] = i < bc->count ? 1.0f : 0.0f;
  }
}

inline uint16_t Quantise(const float v[3]) {
  const Tables& t = T();
  auto q = [](float x) { return int(std::clamp(x, 0.0f, 255.0f) + 0.5f); };
  return Pack565(t.quant5[q(v[0])], t.quant6[q(v[1])], t.quant5[q(v[2])]);
}

// Palette of an end pair in the given form (4 = four points, 3 = three points + black).
inline void MakePalette(uint16_t c0, uint16_t c1, int form, int pal[4][3]) {
  Unpack565(c0, pal[0]);
  Unpack565(c1, pal[1]);
  for (int c = 0; c < 3; ++c) {
    if (form == 4) {
      pal[2][c] = Third(pal[0][c], pal[1][c]);
      pal[3][c] = Third(pal[1][c], pal[0][c]);
    } else {
      pal[2][c] = Half(pal[0][c], pal[1][c]);
      pal[3][c] = 0;
    }
  }
}

// Chooses each texel's nearest entry among the first `entries` of the palette and returns
// the total squared error.
#if defined(__SSE2__)

int ChooseIndices(const BlockColours& bc, const int pal[4][3], int entries, uint8_t index[16]) {
  // Four texels at a time; distances in floats are exact for these integers.  Unused
  // palette entries get a distance that can never win.
  __m128 pr[4], pg[4], pb[4], never[4];
  for (int k = 0; k < 4; ++k) {
    pr[k] = _mm_set1_ps(float(pal[k][0]));
    pg[k] = _mm_set1_ps(float(pal[k][1]));
    pb[k] = _mm_set1_ps(float(pal[k][2]));
    never[k] = _mm_set1_ps(k < entries ? 0.0f : 1.0e9f);
  }
  __m128 total = _mm_setzero_ps();
  __m128i idx[4];
  for (int q = 0; q < 4; ++q) {
    const __m128 r = _mm_loadu_ps(bc.fr + 4 * q), g = _mm_loadu_ps(bc.fg + 4 * q);
    const __m128 b = _mm_loadu_ps(bc.fb + 4 * q);
    __m128 best = _mm_set1_ps(3.0e9f);
    __m128i choice = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) {
      const __m128 dr = _mm_sub_ps(r, pr[k]), dg = _mm_sub_ps(g, pg[k]), db = _mm_sub_ps(b, pb[k]);
      const __m128 d = _mm_add_ps(
          _mm_add_ps(_mm_add_ps(_mm_mul_ps(dr, dr), _mm_mul_ps(dg, dg)), _mm_mul_ps(db, db)), never[k]);
      const __m128i closer = _mm_castps_si128(_mm_cmplt_ps(d, best));
      choice = _mm_or_si128(_mm_andnot_si128(closer, choice), _mm_and_si128(closer, _mm_set1_epi32(k)));
      best = _mm_min_ps(best, d);
    }
    total = _mm_add_ps(total, _mm_mul_ps(best, _mm_loadu_ps(bc.used + 4 * q)));
    idx[q] = choice;
  }
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(idx[0], idx[1]), _mm_packs_epi32(idx[2], idx[3]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(index), bytes);
  float lanes[4];
  _mm_storeu_ps(lanes, total);
  return int((lanes[0] + lanes[1]) + (lanes[2] + lanes[3]));
}

#else

int ChooseIndices(const BlockColours& bc, const int pal[4][3], int entries, uint8_t index[16]) {
  int total = 0;
  for (int i = 0; i < 16; ++i) {
    int best = 0, bestErr = 1 << 30;
    for (int k = 0; k < entries; ++k) {
      const int dr = bc.r[i] - pal[k][0], dg = bc.g[i] - pal[k][1], db = bc.b[i] - pal[k][2];
      const int e = dr * dr + dg * dg + db * db;
      if (e < bestErr) bestErr = e, best = k;
    }
    index[i] = uint8_t(best);
    if (i < bc.count) total += bestErr;
  }
  return total;
}

#endif

// Evaluates an end pair: puts it in the byte order the form needs, picks the indices and
// keeps it in `best` when its error is lower.  Returns true when it was kept.
bool TryEnds(const BlockColours& bc, uint16_t c0, uint16_t c1, int form, ColourResult* best) {
  ColourResult cand;
  int pal[4][3];
  if (form == 4) {
    if (c0 < c1) std::swap(c0, c1);
    if (c0 == c1) {
      // Equal ends read as the three-point form: only index 0 is safe.
      MakePalette(c0, c1, 4, pal);
      cand.error = ChooseIndices(bc, pal, 1, cand.index);
    } else {
      MakePalette(c0, c1, 4, pal);
      cand.error = ChooseIndices(bc, pal, 4, cand.index);
    }
  } else {
    if (c0 > c1) std::swap(c0, c1);
    MakePalette(c0, c1, 3, pal);
    cand.error = ChooseIndices(bc, pal, 3, cand.index);
  }
  if (cand.error >= best->error) return false;
  cand.c0 = c0;
  cand.c1 = c1;
  *best = cand;
  return true;
}

// Sums, minimum and maximum over 16 floats.  Reductions in plain loops stay scalar (the
// compiler may not reorder float additions), so they are spelled out four lanes wide.
#if defined(__SSE2__)
inline float HorizontalSum(__m128 v) {
  float l[4];
  _mm_storeu_ps(l, v);
  return (l[0] + l[1]) + (l[2] + l[3]);
}
inline float Dot16(const float* a, const float* b) {
  __m128 acc = _mm_mul_ps(_mm_loadu_ps(a), _mm_loadu_ps(b));
  for (int q = 4; q < 16; q += 4) acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(a + q), _mm_loadu_ps(b + q)));
  return HorizontalSum(acc);
}
inline void MinMax16(const float* a, float* lo, float* hi) {
  __m128 mn = _mm_loadu_ps(a), mx = mn;
  for (int q = 4; q < 16; q += 4) {
    mn = _mm_min_ps(mn, _mm_loadu_ps(a + q));
    mx = _mm_max_ps(mx, _mm_loadu_ps(a + q));
  }
  float l[4], h[4];
  _mm_storeu_ps(l, mn);
  _mm_storeu_ps(h, mx);
  *lo = std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
  *hi = std::max(std::max(h[0], h[1]), std::max(h[2], h[3]));
}
#else
inline float Dot16(const float* a, const float* b) {
  float acc[4] = {0, 0, 0, 0};
  for (int q = 0; q < 16; q += 4)
    for (int j = 0; j < 4; ++j) acc[j] += a[q + j] * b[q + j];
  return (acc[0] + acc[1]) + (acc[2] + acc[3]);
}
inline void MinMax16(const float* a, float* lo, float* hi) {
  *lo = *hi = a[0];
  for (int i = 1; i < 16; ++i) {
    *lo = std::min(*lo, a[i]);
    *hi = std::max(*hi, a[i]);
  }
}
#endif

// Least-squares end colours for the current indices.  false when the indices do not
// separate the ends (all texels on one palette entry).
bool SolveEnds(const BlockColours& bc, const uint8_t index[16], int form, float e0[3],
               float e1[3]) {
  // Weight of end 0 for each index (index 3 of the three-point form is never fitted: its
  // texels are transparent and unused).
  static const float W4[4] = {1.0f, 0.0f, 2.0f / 3.0f, 1.0f / 3.0f};
  static const float W3[4] = {1.0f, 0.0f, 0.5f, 0.0f};
  const float* w = form == 4 ? W4 : W3;
  float wa[16], wb[16], wau[16], wbu[16];
  for (int i = 0; i < 16; ++i) wa[i] = w[index[i]];
  for (int i = 0; i < 16; ++i) {
    wb[i] = 1.0f - wa[i];
    wau[i] = wa[i] * bc.used[i];
    wbu[i] = wb[i] * bc.used[i];
  }
  const float a = Dot16(wau, wa), b = Dot16(wau, wb), c = Dot16(wbu, wb);
  const float det = a * c - b * b;
  if (std::fabs(det) < 1e-4f) return false;
  const float s0[3] = {Dot16(wau, bc.fr), Dot16(wau, bc.fg), Dot16(wau, bc.fb)};
  const float s1[3] = {Dot16(wbu, bc.fr), Dot16(wbu, bc.fg), Dot16(wbu, bc.fb)};
  const float inv = 1.0f / det;
  for (int ch = 0; ch < 3; ++ch) {
    e0[ch] = (c * s0[ch] - b * s1[ch]) * inv;
    e1[ch] = (a * s1[ch] - b * s0[ch]) * inv;
  }
  return true;
}

// Mean and principal axis of the colours (power iteration on their covariance).  Works on
// all 16 entries with the `used` weights, so the loops have a fixed length.
void PrincipalAxis(const BlockColours& bc, float mean[3], float axis[3]) {
  const float invN = 1.0f / float(bc.count);
  mean[0] = Dot16(bc.fr, bc.used) * invN;
  mean[1] = Dot16(bc.fg, bc.used) * invN;
  mean[2] = Dot16(bc.fb, bc.used) * invN;
  float dr[16], dg[16], db[16];
  for (int i = 0; i < 16; ++i) {
    dr[i] = (bc.fr[i] - mean[0]) * bc.used[i];
    dg[i] = (bc.fg[i] - mean[1]) * bc.used[i];
    db[i] = (bc.fb[i] - mean[2]) * bc.used[i];
  }
  const float rr = Dot16(dr, dr), rg = Dot16(dr, dg), rb = Dot16(dr, db);
  const float gg = Dot16(dg, dg), gb = Dot16(dg, db), bb = Dot16(db, db);
  // Start from the box diagonal (unused entries repeat a used texel, so they do not widen
  // it); a channel correlated negatively with red turns it round.  Without red, blue turns
  // by its correlation with green: the diagonal of a blue and green block would otherwise
  // stand square to its colours, and the fit would give their mean alone.
  float lo[3], hi[3];
  MinMax16(bc.fr, &lo[0], &hi[0]);
  MinMax16(bc.fg, &lo[1], &hi[1]);
  MinMax16(bc.fb, &lo[2], &hi[2]);
  const float blueWith = hi[0] > lo[0] ? rb : gb;
  float v[3] = {hi[0] - lo[0], rg < 0 ? lo[1] - hi[1] : hi[1] - lo[1],
                blueWith < 0 ? lo[2] - hi[2] : hi[2] - lo[2]};
  if (v[0] == 0 && v[1] == 0 && v[2] == 0) v[0] = v[1] = v[2] = 1.0f;
  // Four steps, scaled back every second one (two steps grow v by at most ~1e13).
  for (int it = 0; it < 4; ++it) {
    const float x = rr * v[0] + rg * v[1] + rb * v[2];
    const float y = rg * v[0] + gg * v[1] + gb * v[2];
    const float z = rb * v[0] + gb * v[1] + bb * v[2];
    v[0] = x;
    v[1] = y;
    v[2] = z;
    if (it & 1) {
      const float m = std::max(std::fabs(x), std::max(std::fabs(y), std::fabs(z)));
      if (m < 1e-12f) {  // a flat block: back to the box diagonal
        v[0] = v[1] = v[2] = 1.0f;
        break;
      }
      const float inv = 1.0f / m;
      v[0] *= inv;
      v[1] *= inv;
      v[2] *= inv;
    }
  }
  const float inv = 1.0f / std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (int k = 0; k < 3; ++k) axis[k] = v[k] * inv;
}

// The best end pair found for the texels in the given form.
ColourResult FitColours(const BlockColours& bc, int form) {
  ColourResult best;
  if (bc.count == 0) return best;

  // One colour: the tables give the pair whose in-between point lands nearest.
  bool single = true;
  for (int i = 1; i < bc.count && single; ++i)
    single = bc.r[i] == bc.r[0] && bc.g[i] == bc.g[0] && bc.b[i] == bc.b[0];
  if (single) {
    const Tables& t = T();
    const auto& s5 = form == 4 ? t.single4_5 : t.single3_5;
    const auto& s6 = form == 4 ? t.single4_6 : t.single3_6;
    const uint16_t c0 = Pack565(s5[bc.r[0]][0], s6[bc.g[0]][0], s5[bc.b[0]][0]);
    const uint16_t c1 = Pack565(s5[bc.r[0]][1], s6[bc.g[0]][1], s5[bc.b[0]][1]);
    TryEnds(bc, c0, c1, form, &best);
    // The exact 565 colour (index 0) can be as good; it cannot be worse to compare.
    float v[3] = {float(bc.r[0]), float(bc.g[0]), float(bc.b[0])};
    const uint16_t q = Quantise(v);
    TryEnds(bc, q, q, form, &best);
    return best;
  }

  float mean[3], axis[3];
  PrincipalAxis(bc, mean, axis);
  float t[16], tmin, tmax;
  for (int i = 0; i < 16; ++i)
    t[i] = (bc.fr[i] - mean[0]) * axis[0] + (bc.fg[i] - mean[1]) * axis[1] +
           (bc.fb[i] - mean[2]) * axis[2];
  MinMax16(t, &tmin, &tmax);
  float e0[3], e1[3];
  for (int k = 0; k < 3; ++k) {
    e0[k] = mean[k] + axis[k] * tmax;
    e1[k] = mean[k] + axis[k] * tmin;
  }
  TryEnds(bc, Quantise(e0), Quantise(e1), form, &best);

  // Refine: least-squares ends for the chosen indices, until nothing improves.
  for (int it = 0; it < 3; ++it) {
    if (!SolveEnds(bc, best.index, form, e0, e1)) break;
    if (!TryEnds(bc, Quantise(e0), Quantise(e1), form, &best)) break;
  }
  return best;
}

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void WriteColourBlock(const ColourResult& cr, const uint8_t* slot, uint32_t transparentMask,
                      uint8_t out[8]) {
  PutU16(out, cr.c0);
  PutU16(out + 2, cr.c1);
  uint32_t bits = 0;
  for (int i = 0; i < 16; ++i) {
    const uint32_t idx = (transparentMask >> i) & 1 ? 3u : cr.index[slot[i]];
    bits |= idx << (2 * i);
  }
  for (int k = 0; k < 4; ++k) out[4 + k] = uint8_t(bits >> (8 * k));
}

void DecodeColourBlock(const uint8_t in[8], bool alwaysFourPoints, uint8_t rgba[64]) {
  const uint16_t c0 = GetU16(in), c1 = GetU16(in + 2);
  const int form = (alwaysFourPoints || c0 > c1) ? 4 : 3;
  int pal[4][3];
  MakePalette(c0, c1, form, pal);
  const uint32_t bits = uint32_t(in[4]) | uint32_t(in[5]) << 8 | uint32_t(in[6]) << 16 |
                        uint32_t(in[7]) << 24;
  for (int i = 0; i < 16; ++i) {
    const int idx = (bits >> (2 * i)) & 3;
    uint8_t* o = rgba + 4 * i;
    o[0] = uint8_t(pal[idx][0]);
    o[1] = uint8_t(pal[idx][1]);
    o[2] = uint8_t(pal[idx][2]);
    o[3] = (form == 3 && idx == 3) ? 0 : 255;
  }
}

}  // namespace

// ---- blocks ----

void EncodeBc1Block(const uint8_t rgba[64], float alphaThreshold, uint8_t out[8]) {
  // A texel is transparent when alpha / 255 is below the threshold.
  const float limit = alphaThreshold * 255.0f;
  BlockColours bc;  // entries past `count` are filled by SetFloatColours
  uint8_t slot[16];
  uint32_t transparent = 0;
  for (int i = 0; i < 16; ++i) transparent |= uint32_t(float(rgba[4 * i + 3]) < limit) << i;
  bc.count = 0;
  for (int i = 0; i < 16; ++i) {
    const uint8_t* p = rgba + 4 * i;
    slot[i] = uint8_t(bc.count);
    if ((transparent >> i) & 1) continue;
    bc.r[bc.count] = p[0];
    bc.g[bc.count] = p[1];
    bc.b[bc.count] = p[2];
    ++bc.count;
  }
  SetFloatColours(&bc);
  if (bc.count == 0) {
    // All transparent: equal ends (three-point form), every index 3.
    std::memset(out, 0, 4);
    std::memset(out + 4, 0xFF, 4);
    return;
  }
  // An opaque block keeps the four-point form: the three-point form gains little
  // (under 0.1 dB on photographs) for twice the time.
  const ColourResult cr = FitColours(bc, transparent ? 3 : 4);
  WriteColourBlock(cr, slot, transparent, out);
}

void EncodeBc2Block(const uint8_t rgba[64], uint8_t out[16]) {
  for (int i = 0; i < 16; i += 2) {
    const int a0 = (rgba[4 * i + 3] * 15 + 127) / 255;
    const int a1 = (rgba[4 * i + 7] * 15 + 127) / 255;
    out[i / 2] = uint8_t(a0 | (a1 << 4));
  }
  BlockColours bc;
  bc.count = 16;
  uint8_t slot[16];
  for (int i = 0; i < 16; ++i) {
    slot[i] = uint8_t(i);
    bc.r[i] = rgba[4 * i];
    bc.g[i] = rgba[4 * i + 1];
    bc.b[i] = rgba[4 * i + 2];
  }
  SetFloatColours(&bc);
  // Four points always; ends in the four-point order too, which every decoder agrees on.
  const ColourResult cr = FitColours(bc, 4);
  WriteColourBlock(cr, slot, 0, out + 8);
}

void DecodeBc1Block(const uint8_t in[8], uint8_t rgba[64]) { DecodeColourBlock(in, false, rgba); }

void DecodeBc2Block(const uint8_t in[16], uint8_t rgba[64]) {
  DecodeColourBlock(in + 8, true, rgba);
  for (int i = 0; i < 16; ++i) {
    const int a4 = (in[i / 2] >> (4 * (i & 1))) & 15;
    rgba[4 * i + 3] = uint8_t(a4 * 17);
  }
}

// ---- images ----

namespace {

// Gathers the 4x4 block at (bx, by) from 8-bit RGBA rows, repeating the edge texels of a
// partial block (they then cost nothing extra in the fit).
void GatherBlock(const uint8_t* rows, size_t rowBytes, uint32_t width, uint32_t height,
                 uint32_t bx, uint32_t by, uint8_t block[64]) {
  for (int y = 0; y < 4; ++y) {
    const uint32_t sy = std::min(by * 4 + y, height - 1);
    const uint8_t* row = rows + sy * rowBytes;
    for (int x = 0; x < 4; ++x) {
      const uint32_t sx = std::min(bx * 4 + x, width - 1);
      std::memcpy(block + 16 * y + 4 * x, row + 4 * sx, 4);
    }
  }
}

}  // namespace

Result Compress(const Image* images, size_t count, const TexMetadata& metadata, uint32_t format,
                uint32_t compressFlags, float alphaThreshold, ScratchImage* out) {
  if (!images || count == 0 || !out) return TEX_E_INVALIDARG;
  if (format != FORMAT_BC1_UNORM && format != FORMAT_BC1_UNORM_SRGB &&
      format != FORMAT_BC2_UNORM && format != FORMAT_BC2_UNORM_SRGB)
    return TEX_E_NOTSUPPORTED;
  if (count != metadata.mipLevels || metadata.arraySize != 1 || metadata.depth != 1)
    return TEX_E_INVALIDARG;
  uint32_t w = metadata.width, h = metadata.height;
  for (size_t m = 0; m < count; ++m) {
    const Image& im = images[m];
    if (!im.pixels || im.width != w || im.height != h || im.format != metadata.format ||
        !IsKnownFormat(im.format) || IsCompressedFormat(im.format))
      return TEX_E_INVALIDARG;
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  Result r = Initialize2D(out, format, metadata.width, metadata.height, uint32_t(count));
  if (Failed(r)) return r;

  const bool srgbIn = (compressFlags & TEX_COMPRESS_SRGB_IN) || IsSrgbFormat(metadata.format);
  const bool srgbOut = (compressFlags & TEX_COMPRESS_SRGB_OUT) || IsSrgbFormat(format);
  const bool bc1 = format == FORMAT_BC1_UNORM || format == FORMAT_BC1_UNORM_SRGB;
  std::vector<uint8_t> rows;
  std::vector<float> frow;
  try {
    for (size_t m = 0; m < count; ++m) {
      const Image& src = images[m];
      const Image& dst = out->images[m];
      const uint32_t blocksX = (src.width + 3) / 4, blocksY = (src.height + 3) / 4;
      const size_t rowBytes = size_t(src.width) * 4;
      rows.resize(rowBytes * 4);
      frow.resize(size_t(src.width) * 4);
      for (uint32_t by = 0; by < blocksY; ++by) {
        // Four source rows as 8-bit RGBA in the output's colour space.
        const uint32_t rowsHere = std::min(4u, src.height - by * 4);
        for (uint32_t y = 0; y < rowsHere; ++y) {
          uint8_t* o = rows.data() + y * rowBytes;
          if (srgbIn == srgbOut) {
            LoadRowRgba8(src, by * 4 + y, o);
          } else {
            LoadRowRgbaFloat(src, by * 4 + y, srgbIn, frow.data());
            for (uint32_t x = 0; x < src.width; ++x) {
              for (int c = 0; c < 3; ++c)
                o[4 * x + c] = srgbOut ? LinearToSrgb8(frow[4 * x + c]) : FloatToUnorm8(frow[4 * x + c]);
              o[4 * x + 3] = FloatToUnorm8(frow[4 * x + 3]);
            }
          }
        }
        uint8_t* blockOut = dst.pixels + by * dst.rowPitch;
        uint8_t block[64];
        for (uint32_t bx = 0; bx < blocksX; ++bx) {
          GatherBlock(rows.data(), rowBytes, src.width, rowsHere, bx, 0, block);
          if (bc1) {
            EncodeBc1Block(block, alphaThreshold, blockOut + 8 * bx);
          } else {
            EncodeBc2Block(block, blockOut + 16 * bx);
          }
        }
      }
    }
  } catch (const std::bad_alloc&) {
    out->Release();
    return TEX_E_OUTOFMEMORY;
  }
  return TEX_OK;
}

Result Decompress(const Image& image, ScratchImage* out) {
  if (!out || !image.pixels || !IsCompressedFormat(image.format) || image.width == 0 ||
      image.height == 0)
    return TEX_E_INVALIDARG;
  const uint32_t format = IsSrgbFormat(image.format) ? FORMAT_R8G8B8A8_UNORM_SRGB
                                                     : FORMAT_R8G8B8A8_UNORM;
  Result r = Initialize2D(out, format, image.width, image.height, 1);
  if (Failed(r)) return r;
  const bool bc1 = image.format == FORMAT_BC1_UNORM || image.format == FORMAT_BC1_UNORM_SRGB;
  const Image& dst = out->images[0];
  const uint32_t blocksX = (image.width + 3) / 4, blocksY = (image.height + 3) / 4;
  for (uint32_t by = 0; by < blocksY; ++by)
    for (uint32_t bx = 0; bx < blocksX; ++bx) {
      const uint8_t* in = image.pixels + by * image.rowPitch + (bc1 ? 8 : 16) * bx;
      uint8_t block[64];
      if (bc1) {
        DecodeBc1Block(in, block);
      } else {
        DecodeBc2Block(in, block);
      }
      for (uint32_t y = 0; y < 4 && by * 4 + y < image.height; ++y)
        for (uint32_t x = 0; x < 4 && bx * 4 + x < image.width; ++x)
          std::memcpy(dst.pixels + (by * 4 + y) * dst.rowPitch + (bx * 4 + x) * 4,
                      block + 16 * y + 4 * x, 4);
    }
  return TEX_OK;
}

}  // namespace texconv
