// texconv.h - the texture conversion library: picture decoding, resizing, mip chains,
// BC1/BC2 block compression and DDS files in memory.
//
// Sections: [Results] [Formats] [Images] [Reading] [Processing] [Compression] [Writing]
//
// Everything here is plain CPU work on memory: no files, no device, no global state, so any
// thread may call it (the texture table calls it under its texture lock, the download worker
// for skins).  Every function returns a 32-bit result code; 0 is success.  Input bytes are
// untrusted (downloaded skins and mods): sizes and counts are checked before anything is
// allocated, and a damaged picture gives an error code, never a crash.
//
// Layer: texconv/, at the bottom beside platform/: it knows nothing of the program and is
// used by the renderer only (tools/layers.txt).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace texconv {

// ---- [Results] ----
// The numbers are those of the platform's 32-bit result words, which the texture table
// prints by name, so they keep their values.
using Result = int32_t;
constexpr Result TEX_OK = 0;
constexpr Result TEX_E_FAIL = int32_t(0x80004005u);              // damaged or unusable data
constexpr Result TEX_E_INVALIDARG = int32_t(0x80070057u);        // caller's arguments
constexpr Result TEX_E_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr Result TEX_E_NOTSUPPORTED = int32_t(0x80070032u);      // a format we do not handle
constexpr Result TEX_E_HANDLE_EOF = int32_t(0x80070026u);        // data ends early
constexpr Result TEX_E_ARITHMETIC_OVERFLOW = int32_t(0x80070216u);  // sizes beyond 32 bits

inline bool Succeeded(Result r) { return r >= 0; }
inline bool Failed(Result r) { return r < 0; }

// ---- [Formats] ----
// Texture formats are numbered as the graphics layer numbers them (DXGI numbers), so a
// format read from a DDS file or handed to the device needs no translation.
enum : uint32_t {
  FORMAT_UNKNOWN = 0,
  FORMAT_R32G32B32A32_FLOAT = 2,
  FORMAT_R16G16B16A16_UNORM = 11,
  FORMAT_R8G8B8A8_UNORM = 28,
  FORMAT_R8G8B8A8_UNORM_SRGB = 29,
  FORMAT_R16_UNORM = 56,
  FORMAT_R8_UNORM = 61,
  FORMAT_BC1_UNORM = 71,
  FORMAT_BC1_UNORM_SRGB = 72,
  FORMAT_BC2_UNORM = 74,
  FORMAT_BC2_UNORM_SRGB = 75,
};

// Filter and compress flags: bits 24 and 25 say that the input and the output hold
// sRGB-encoded colour (filtering then happens in linear light).
constexpr uint32_t TEX_FILTER_SRGB_IN = 0x1000000;
constexpr uint32_t TEX_FILTER_SRGB_OUT = 0x2000000;
constexpr uint32_t TEX_FILTER_SRGB = TEX_FILTER_SRGB_IN | TEX_FILTER_SRGB_OUT;
constexpr uint32_t TEX_COMPRESS_SRGB_IN = 0x1000000;
constexpr uint32_t TEX_COMPRESS_SRGB_OUT = 0x2000000;
constexpr uint32_t TEX_COMPRESS_SRGB = TEX_COMPRESS_SRGB_IN | TEX_COMPRESS_SRGB_OUT;

// The largest picture accepted from a file, per side: the largest texture the device makes.
constexpr uint32_t MAX_IMAGE_SIDE = 16384;
constexpr uint32_t MAX_MIP_LEVELS = 15;  // a full chain of a 16384 texture

bool IsKnownFormat(uint32_t format);       // one of the formats above
bool IsCompressedFormat(uint32_t format);  // BC1 or BC2 in either colour space
bool IsSrgbFormat(uint32_t format);
uint32_t BitsPerPixel(uint32_t format);   // 0 for an unknown format; BC1 4, BC2 8

// Bytes of one row (of 4x4 blocks for BC formats) and of one whole image.  false when the
// sizes do not fit in 32 bits (never for sides up to MAX_IMAGE_SIDE).
bool ComputePitch(uint32_t format, uint32_t width, uint32_t height, size_t* rowPitch,
                  size_t* slicePitch);

// ---- [Images] ----
struct TexMetadata {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t depth = 1;
  uint32_t arraySize = 1;
  uint32_t mipLevels = 1;
  uint32_t format = FORMAT_UNKNOWN;
};

// One 2D image: a view into the memory of a ScratchImage (or of the caller).
struct Image {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t format = FORMAT_UNKNOWN;
  size_t rowPitch = 0;    // bytes from one row (of blocks) to the next
  size_t slicePitch = 0;  // bytes of the whole image
  uint8_t* pixels = nullptr;
};

// A 2D texture with its mip levels, owning its pixels; images[m] is mip level m.
// It cannot be copied (the images point into its memory) but can be moved.
struct ScratchImage {
  TexMetadata metadata;
  std::vector<Image> images;
  std::vector<uint8_t> memory;

  ScratchImage() = default;
  ScratchImage(const ScratchImage&) = delete;
  ScratchImage& operator=(const ScratchImage&) = delete;
  ScratchImage(ScratchImage&&) = default;
  ScratchImage& operator=(ScratchImage&&) = default;

  void Release();  // frees the pixels; the record is empty afterwards
};

// Gives out a zeroed 2D texture of the format with the given number of levels (0 = the
// full chain).  TEX_E_INVALIDARG for an unknown format, a zero or too large side, or more
// levels than the chain has.
Result Initialize2D(ScratchImage* out, uint32_t format, uint32_t width, uint32_t height,
                    uint32_t mipLevels);

// Bytes in memory, such as a whole DDS file.
struct Blob {
  std::vector<uint8_t> bytes;

  const uint8_t* data() const { return bytes.data(); }
  size_t size() const { return bytes.size(); }
  void Release();
};

// Levels of a full mip chain down to 1x1.
uint32_t CountMipLevels(uint32_t width, uint32_t height);

// ---- [Reading] ----
// Decodes a PNG or a JPG (recognised by their signatures) into one image.  The format keeps
// what the picture holds: 8-bit grey becomes R8, 16-bit grey R16, 16-bit colour or
// grey-with-alpha RGBA16, everything else (palette, grey with alpha or a transparent key,
// RGB, RGBA, colour and CMYK JPG) 8-bit RGBA.  Grey pictures expanded to colour keep their
// grey in all three channels.  A picture larger than its file could possibly hold is refused
// before its buffer is made.
// A JPG keeps the order in which its pixels are stored; an orientation tag in its EXIF data
// does not turn it, so a texture is mapped the way it was drawn.
// flags must be 0.  metadata may be null.
Result LoadFromWICMemory(const void* bytes, size_t size, uint32_t flags, TexMetadata* metadata,
                         ScratchImage* out);

// ---- [Processing] ----
// Scales an image to width x height (area average when shrinking, bilinear when growing).
// The result keeps the image's format.  Not for compressed images.
Result Resize(const Image& image, uint32_t width, uint32_t height, uint32_t filterFlags,
              ScratchImage* out);

// Makes a chain of mip levels from an image: levels 0 means the full chain down to 1x1.
// Level 0 is a copy of the image; each further level halves the one before, weighting
// colour by alpha so that transparent texels do not darken their neighbours.
Result GenerateMipMaps(const Image& image, uint32_t filterFlags, uint32_t levels,
                       ScratchImage* out);

// Changes the format of an uncompressed image (grey is spread into all three colours).
Result Convert(const Image& image, uint32_t format, ScratchImage* out);

// ---- [Compression] ----
// Compresses count images (the mip levels of one texture, described by metadata) into BC1
// or BC2.  With BC1 a texel whose alpha is below alphaThreshold becomes transparent; BC2
// keeps 4 bits of alpha per texel.  The sRGB compress flags say whether the input and the
// output colour are sRGB-encoded (an sRGB source or target format says so too); when both
// are, the colour bytes are fitted as they are, otherwise they are converted first.  The
// result has the format asked for.
Result Compress(const Image* images, size_t count, const TexMetadata& metadata, uint32_t format,
                uint32_t compressFlags, float alphaThreshold, ScratchImage* out);

// The inverse, to 8-bit RGBA (sRGB when the source is): for tests and tools.
Result Decompress(const Image& image, ScratchImage* out);

// One 4x4 block.  rgba holds 16 texels, row by row, 4 bytes each.
void EncodeBc1Block(const uint8_t rgba[64], float alphaThreshold, uint8_t out[8]);
void EncodeBc2Block(const uint8_t rgba[64], uint8_t out[16]);
void DecodeBc1Block(const uint8_t in[8], uint8_t rgba[64]);
void DecodeBc2Block(const uint8_t in[16], uint8_t rgba[64]);

// ---- [Writing] ----
// A whole DDS file: "DDS ", the 124-byte header (with the mip-count flag and count) and the
// surfaces level by level.  BC1 and BC2 are written with the FourCC "DXT1" and "DXT3", RGBA8
// with masks, R8 and R16 as luminance, RGBA16 and RGBA float with their legacy format numbers,
// so that every reader of the classic header understands them (an sRGB format is written as
// its plain twin: readers take colour textures as sRGB).  flags must be 0.
Result SaveToDDSMemory(const Image* images, size_t count, const TexMetadata& metadata,
                       uint32_t flags, Blob* out);

}  // namespace texconv
