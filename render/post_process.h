// post_process.h - the chains of small render textures behind the HDR picture: the blur
// chain of the environment maps and the bloom chain, and the passes they are made of.
//
// Sections: [Chain] [Passes] [Blur chain] [Bloom chain] [Sizes] [Seams]
//
// Every pass draws one 4-vertex strip on the 2D stream with sampler 8 and a pixel shader
// chosen through the override: 1 copy, 2 downsize, 3 upsize.  The first pass of a run pushes
// its target; the passes after it replace that target, and the run pops it at its end (the
// pass-open flag says a pop is owed).  A pass whose target cannot be set ends the run: the
// open pass is popped, the chain is marked failed and its textures are freed, so that the
// next frame makes it again.  Main thread only.
#pragma once
#include <cstdint>

struct ZKTETexture;

// ---- [Chain] ----
constexpr int POST_CHAIN_LEVELS = 16;
constexpr int BLUR_LEVELS = 7;  // "BLUR~R0".."BLUR~R6": 128 down to 2 pixels

struct PostChain {
  uint8_t mode;    // the flags it was made with: bit 0 made, 1 one-pixel border, 2 new textures
  uint8_t failed;
  int count;       // levels made
  int border;      // 0 or 1 pixel on each side
  ZKTETexture* targets[POST_CHAIN_LEVELS];
  // The bloom chain's level 0 summed in 2 x 2 blocks (each texel the mean of the four level 0
  // texels around its top-left corner), made while the copy to the screen adds the bloom:
  // one bilinear tap of it gives what the upsize's four taps of level 0 give.
  ZKTETexture* blockMeans;
};
extern PostChain BloomChain;  // behind "RENDER~TX"
extern PostChain BlurChain;   // behind the environment maps
extern int PostPassOpen;      // a pass has pushed a target that is still to be popped

// Frees the chain's textures and resets its counts (mode and failed byte too).
void ResetPostChain(PostChain& chain);
// Drops the references without releasing (the device went and took every texture with it).
void ForgetPostChain(PostChain& chain);
void ClosePostPass();  // pops the open pass, if any

// ---- [Passes] ----
// Each returns 1, or 0 when its target could not be set (the chain has then failed).
int CopyToTarget(PostChain& chain, ZKTETexture* source, ZKTETexture* destination);
// Quad mode 0 reads the left part of the source (or all of it), 2 the right-hand part.
int DownsizePass(PostChain& chain, ZKTETexture* source, ZKTETexture* destination, int replace, int quadMode);
// Into the mip level of destination; quad modes 1 and 2 draw into the left or right half.
int UpsizePass(PostChain& chain, ZKTETexture* source, ZKTETexture* destination, int mipLevel, float weight,
               int quadMode);

// The source drawn over the whole current target with a pixel shader of the 2D layout (4 as
// it is, 1 a plain copy), reading the texture-coordinate range uv (u from, to, v from, to).
void DrawTextureOver(ZKTETexture* source, const float uv[4], int pixelShader);

// ---- [Blur chain] ----
int CreateBlurTargets(PostChain& chain);    // 1 when all seven exist
void RunBlurChain(PostChain& chain);        // the hard-shine map down to 16 pixels
void RunEnvironmentUpsize(PostChain& chain);  // blur levels 1..3 into the soft-shine map's mips

// ---- [Bloom chain] ----
// flags bit 1: one-pixel border; bit 2: new textures rather than ones found by name.
// eye 0 without VR, 1 or 2 for the left or right half of a side-by-side render texture.
int CreateBloomTargets(PostChain& chain, int flags, int eye);
// Upsizes each level into the one above, then level 0 into the render texture; with
// leaveLevel0, level 0's block means instead (the copy to the screen adds them:
// BindBloomForCopy).
void CompositeBloom(PostChain& chain, bool leaveLevel0 = false);
// Runs the chain behind the render texture (none, failed or switched off: the chain is
// emptied and nothing runs).  With leaveLevel0 (only without VR) the last upsize, of level 0
// into the whole render texture, is left to the copy that shows it, which reads level 0
// itself: a full-size pass that writes the render texture and one that reads it again cost
// the software renderer more than four more taps in the copy.  Returns 1 when it was left.
int RunPostProcessing(PostChain* chain, bool leaveLevel0 = false);
// For the copy of the render texture (pixel shader 4): level 0's block means in slot 1 and
// their place and weight in row 12 when `left` (RunPostProcessing's result), else a weight of
// 0 (no bloom read); UnbindBloomForCopy after the copy.
void BindBloomForCopy(const PostChain* chain, int left);
void UnbindBloomForCopy();

// ---- [Sizes] ----
// The bloom levels for a render texture of width x height: level 0 is half of it (of one eye
// for an eye) plus the borders; each next level half of the one before plus the borders,
// while both sides of the one before exceed 2 border + 2.  Returns the count (at most 16).
int BloomLevelSizes(int width, int height, int border, int eye, int widths[POST_CHAIN_LEVELS],
                    int heights[POST_CHAIN_LEVELS]);
// The texture-coordinate range of a downsize from a source into a destination of the given
// sizes: out[0], out[1] u from and to, out[2], out[3] v from and to.
void DownsizeUvRange(int sourceWidth, int sourceHeight, int destWidth, int destHeight, int border, int quadMode,
                     float out[4]);

// ---- [Seams] ----
// The bloom weights are the two "Bloom Effect " values: [0] for each level upsized into the
// one above, [1] for level 0 added into the render texture.
extern int PostProcessingEnabled;  // 1 unless switched off
// While the exposure is metered ("Exposure " 3, the world's metering flag clear) frames are
// hidden until the read-back has its first value (exposure.h); never after it failed.
extern int PostFrameHidden;
// The blur chain reads the hard-shine environment texture and writes the soft one's mips
// 0..2 (ShineTextures of material.h).
