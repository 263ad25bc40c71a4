// screenshot.cpp - reading the frame back, numbered shot files, the image writer over a
// texture and the clipboard copy.
#include "render/screenshot.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "platform/image_clipboard.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/image_files.h"
#include "render/post_process.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/texture_table.h"

int ScreenshotRequest;
char PendingShotName[SHOT_NAME_SIZE];
int PendingShotConnection = SHOT_NO_CONNECTION;
char LastShotName[SHOT_NAME_SIZE];
GfxTexture2D CaptureSourceOverride;
ShotPicture KeptShot;
uint32_t DialogBackdrop;
void (*ShotReplyToConnection)(int connection, int error);

namespace {

constexpr uint32_t SCREEN_FLAG_HIGH_RES_CAPTURE = 0x10000000u;
constexpr int SHOT_NUMBER_LIMIT = 99999999;
constexpr const char* SHOT_FOLDER = "data\\shots";

void ReportFailed(const char* step) {
  char text[128];
  std::snprintf(text, sizeof text, "%s failed", step);
  ReportLine(text, REPORT_ERROR);
}

void ReportFailed(const char* call, const char* step) {
  char text[128];
  std::snprintf(text, sizeof text, "%s : %s failed", call, step);
  ReportLine(text, REPORT_ERROR);
}

bool IsRgba8(GfxFormat f) { return f == GFX_FORMAT_R8G8B8A8_UNORM || f == GFX_FORMAT_R8G8B8A8_UNORM_SRGB; }
bool IsBgra8(GfxFormat f) { return f == GFX_FORMAT_B8G8R8A8_UNORM || f == GFX_FORMAT_B8G8R8A8_UNORM_SRGB; }

// A texture borrowed or made here, as the record the passes draw from and into.
struct PassRecord {
  ZKTETexture record{};
  bool owned = false;  // the texture is ours to release; views always are

  ~PassRecord() {
    if (owned) {
      ReleaseTexture(&record);
      return;
    }
    GfxRelease(record.view);
    for (GfxRenderTargetView& v : record.targetViews) GfxRelease(v);
  }
};

// One level, one sample, as a target and a source.
GfxResult MakeIntermediate(int width, int height, GfxFormat format, PassRecord& out) {
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.format = format;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  const GfxResult r = GfxCreateTexture2D(Gfx.device, d, nullptr, &out.record.texture);
  if (GfxFailed(r)) return r;
  out.owned = true;
  ReadTextureDescription(&out.record);
  return GFX_OK;
}

// Draws source over the whole of destination through the copy pass: a float source is
// encoded into destination's sRGB values by the target.
bool DrawInto(PassRecord& source, PassRecord& destination) {
  if (!source.record.view &&
      GfxFailed(GfxCreateShaderResourceView(Gfx.device, source.record.texture, nullptr, &source.record.view))) {
    ReportFailed("CreateShaderResourceView");
    return false;
  }
  if (!destination.record.targetViews[0] &&
      GfxFailed(GfxCreateRenderTargetView(Gfx.device, destination.record.texture, nullptr,
                                          &destination.record.targetViews[0]))) {
    ReportFailed("CreateRenderTargetView");
    return false;
  }
  PostChain pass{};
  const int saved = RenderStates.pendingBlend;
  RenderStates.pendingBlend = 0;
  const int drawn = CopyToTarget(pass, &source.record, &destination.record);
  ClosePostPass();
  RenderStates.pendingBlend = saved;
  if (!drawn) ReportFailed("CreateRenderTargetView");
  return drawn != 0;
}

// The intermediate picture of a multisampled or float source: resolved, then (for float)
// drawn into 8-bit sRGB.  Null texture after a reported failure.
bool MakeUsablePicture(PassRecord& source, bool drawIt, PassRecord& picture) {
  GfxTexture2DDesc desc;
  GfxGetDesc(source.record.texture, &desc);
  if (GfxFailed(MakeIntermediate(int(desc.width), int(desc.height), GFX_FORMAT_R8G8B8A8_UNORM_SRGB, picture))) {
    ReportFailed("CreateTexture2D (intermediate)");
    return false;
  }
  PassRecord resolved;
  PassRecord* from = &source;
  if (desc.sampleDesc.count > 1) {
    if (!drawIt && IsRgba8(desc.format)) {
      GfxResolveSubresource(Gfx.context, picture.record.texture, 0, source.record.texture, 0, picture.record.format);
      return true;
    }
    if (GfxFailed(MakeIntermediate(int(desc.width), int(desc.height), desc.format, resolved))) {
      ReportFailed("CreateTexture2D (intermediate)");
      return false;
    }
    GfxResolveSubresource(Gfx.context, resolved.record.texture, 0, source.record.texture, 0, desc.format);
    from = &resolved;
  }
  if (drawIt || !IsRgba8(desc.format)) return DrawInto(*from, picture);
  GfxCopyResource(Gfx.context, picture.record.texture, from->record.texture);
  return true;
}

// Writes bytes as a new file: into the safe write's temporary file (made new, never through a
// link), which then takes the name only while it is still free.  0 or the errno value.
int WriteNewFile(const char* path, const std::vector<uint8_t>& bytes) {
  SafeWrite w{};
  FILE* f = SafeWriteBegin(w, path);
  if (!f) return w.error ? w.error : EIO;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) SafeWriteFail(w, errno ? errno : EIO);
  return SafeWriteCommitNew(w);
}

// The numbers of "zkt_<digits>.<extension>" files in the shots folder.
std::set<long> TakenShotNumbers(const char* extension) {
  std::set<long> taken;
  char pattern[64];
  std::snprintf(pattern, sizeof pattern, "%s\\zkt_*.%s", SHOT_FOLDER, extension);
  std::vector<FoundFile> found;
  if (!FindFiles(pattern, found)) return taken;
  const size_t extensionLength = std::strlen(extension);
  for (const FoundFile& f : found) {
    const std::string& n = f.name;
    if (n.size() < 4 + 1 + 1 + extensionLength) continue;
    const size_t end = n.size() - extensionLength - 1;
    long number = 0;
    bool digits = end > 4;
    for (size_t i = 4; i < end && digits; ++i) {
      digits = std::isdigit(static_cast<unsigned char>(n[i])) != 0 && number <= SHOT_NUMBER_LIMIT;
      number = number * 10 + (n[i] - '0');
    }
    if (digits) taken.insert(number);
  }
  return taken;
}

// The captured picture mapped for reading and handed to use as its rows (8-bit sRGB RGBA, top
// row first); false after a failure, reported as mapStep when the mapping failed.
template <typename Use>
bool UseCapturedRows(const char* mapStep, Use&& use) {
  GfxTexture2D shot = GetScreenshotTexture();
  if (!shot) return false;
  GfxTexture2DDesc desc;
  GfxGetDesc(shot, &desc);
  GfxMappedSubresource mapped;
  if (GfxFailed(GfxMapResource(Gfx.context, shot, 0, GFX_MAP_READ, &mapped))) {
    GfxRelease(shot);
    ReportFailed(mapStep);
    return false;
  }
  use(PictureRows{int(desc.width), int(desc.height), static_cast<const uint8_t*>(mapped.data), mapped.rowPitch, 0, 1});
  GfxUnmap(Gfx.context, shot, 0);
  GfxRelease(shot);
  return true;
}

// The captured picture read into memory; empty after a failure (reported).
void KeepPicture(ShotPicture& out) {
  out.width = out.height = 0;
  out.pixels.clear();
  UseCapturedRows("Map (kept picture)", [&](const PictureRows& rows) {
    out.width = rows.width;
    out.height = rows.height;
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y) {
      const uint8_t* row = rows.pixels + size_t(y) * rows.rowPitch;
      uint32_t* to = out.pixels.data() + size_t(y) * size_t(out.width);
      for (int x = 0; x < out.width; ++x, row += 4) to[x] = uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | row[2];
    }
  });
}

}  // namespace

// ---- [Requests] ----

void TakeScreenshot() {
  const int request = ScreenshotRequest;
  if (request == 0) return;
  ScreenshotRequest = 0;
  if (request == 2) {
    CopyScreenToClipboard();
    return;
  }
  if (request == 3) {
    KeepPicture(KeptShot);
    return;
  }
  if (request != 1) return;

  const int connection = PendingShotConnection;
  const bool asked = connection != SHOT_NO_CONNECTION;
  char name[SHOT_NAME_SIZE];
  char path[FILE_PATH_SIZE];
  const char* extension = ImageExtension(CfgSsType);
  if (asked) {
    std::snprintf(name, sizeof name, "%s", PendingShotName);
    PendingShotName[0] = 0;
    PendingShotConnection = SHOT_NO_CONNECTION;
    // The name comes from a packet: it must stay a plain name inside the shots folder.
    if (!IsSafeFileName(name)) {
      if (ShotReplyToConnection) ShotReplyToConnection(connection, 3);
      return;
    }
  } else if (!NextShotName(extension, name, sizeof name)) {
    ReportLine("No free screenshot number (every one up to 99999999 is taken)", REPORT_ERROR);
    return;
  }
  MakeFolder(SHOT_FOLDER);
  std::snprintf(path, sizeof path, "%s\\%s.%s", SHOT_FOLDER, name, extension);
  if (!Screenshot(path)) {
    if (asked && ShotReplyToConnection) ShotReplyToConnection(connection, 3);
    return;
  }
  if (!asked) {
    const std::string shown = PathToNative(path);
    ShowGameMessageShort(shown.c_str());
    return;
  }
  std::snprintf(LastShotName, sizeof LastShotName, "%s", name);
  if (ShotReplyToConnection) ShotReplyToConnection(connection, 0);
}

// ---- [Capture] ----

int CapturesReadRenderTexture() { return (CfgScreenFlags & SCREEN_FLAG_HIGH_RES_CAPTURE) ? 1 : 0; }

GfxTexture2D GetScreenshotTexture() {
  if (!Gfx.device) return GfxTexture2D{};
  PassRecord source;
  const bool highRes = !CaptureSourceOverride && CapturesReadRenderTexture();
  if (CaptureSourceOverride) {
    source.record.texture = CaptureSourceOverride;
  } else if (highRes) {
    if (!RenderTexture.texture || !RenderTexture.texture->texture) {
      ReportLine("No render target texture", REPORT_ERROR);
      return GfxTexture2D{};
    }
    source.record.texture = RenderTexture.texture->texture;
    source.record.view = RenderTexture.texture->view;  // borrowed: given back below
  } else if (GfxFailed(GfxSwapChainGetBuffer(Gfx.swapChain, 0, &source.record.texture))) {
    ReportFailed("GetBuffer (backbuffer)");
    return GfxTexture2D{};
  } else {
    source.owned = true;  // the reference GetBuffer handed out
  }
  ReadTextureDescription(&source.record);
  GfxTexture2DDesc desc;
  GfxGetDesc(source.record.texture, &desc);

  // A picture that cannot be copied byte for byte into the staging texture first goes
  // through an intermediate one: a multisampled one is resolved, a 16-bit float one drawn
  // into 8-bit sRGB (a plain copy of float values into bytes would give nonsense), and a
  // high-resolution capture is drawn at its 3840 x 2160 as the letterbox pass draws it.
  PassRecord picture;
  const bool needsIntermediate = highRes || desc.sampleDesc.count > 1 || !(IsRgba8(desc.format));
  if (needsIntermediate && !MakeUsablePicture(source, highRes, picture)) {
    if (highRes) source.record.view = GfxShaderResourceView{};  // the render texture's own
    return GfxTexture2D{};
  }
  if (highRes) source.record.view = GfxShaderResourceView{};
  const ZKTETexture& from = needsIntermediate ? picture.record : source.record;

  GfxTexture2D staging;
  if (GfxFailed(CreateReadSurf(from.width, from.height, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, &staging))) {
    ReportFailed("CreateReadSurf (staging)");
    return GfxTexture2D{};
  }
  GfxCopyResource(Gfx.context, staging, from.texture);
  return staging;
}

// ---- [Files] ----

int NextShotName(const char* extension, char* name, int nameSize) {
  name[0] = 0;
  const std::set<long> taken = TakenShotNumbers(extension);
  long number = CfgNextShot < 1 ? 1 : CfgNextShot > SHOT_NUMBER_LIMIT ? SHOT_NUMBER_LIMIT : CfgNextShot;
  while (number <= SHOT_NUMBER_LIMIT && taken.count(number)) ++number;
  if (number > SHOT_NUMBER_LIMIT) return 0;
  std::snprintf(name, size_t(nameSize), "zkt_%.8ld", number);
  CfgNextShot = int(number + 1);
  return 1;
}

int Screenshot(const char* path) {
  GfxTexture2D shot = GetScreenshotTexture();
  if (!shot) return 0;
  const GfxResult r = SaveWICTextureToFile(Gfx.context, shot, CfgSsType, path, GFX_FORMAT_UNKNOWN, nullptr);
  GfxRelease(shot);
  return GfxFailed(r) ? 0 : 1;  // a failure is told with the file
}

namespace {

// The picture encoded and written; writeError gets the errno value of a failed write.
GfxResult WritePictureFile(GfxContext context, GfxTexture2D texture, int container, const char* path,
                           GfxFormat targetFormat, const ImageWriteOptions* options, int& writeError) {
  GfxTexture2DDesc desc;
  GfxGetDesc(texture, &desc);
  if (!IsRgba8(desc.format) && !IsBgra8(desc.format)) return GFX_ERROR_UNSUPPORTED;
  // 1: a texture the CPU cannot read is copied into one it can (resolved when multisampled).
  GfxTexture2D staging = texture;
  bool ownStaging = false;
  if (desc.usage != GFX_USAGE_STAGING) {
    GfxTexture2D single = texture;
    bool ownSingle = false;
    if (desc.sampleDesc.count > 1) {
      GfxTexture2DDesc d;
      d.width = desc.width;
      d.height = desc.height;
      d.format = desc.format;
      d.bindFlags = GFX_BIND_RENDER_TARGET;
      if (GfxFailed(GfxCreateTexture2D(Gfx.device, d, nullptr, &single))) return GFX_E_OUTOFMEMORY;
      ownSingle = true;
      GfxResolveSubresource(context, single, 0, texture, 0, desc.format);
    }
    const GfxResult made = CreateReadSurf(int(desc.width), int(desc.height), desc.format, &staging);
    if (!GfxFailed(made)) GfxCopyResource(context, staging, single);
    if (ownSingle) GfxRelease(single);
    if (GfxFailed(made)) return made;
    ownStaging = true;
  }
  // 2..4: the pixel format, the metadata and the pixels, encoded and written.
  GfxMappedSubresource mapped;
  GfxResult r = GfxMapResource(context, staging, 0, GFX_MAP_READ, &mapped);
  if (!GfxFailed(r)) {
    PictureRows rows{int(desc.width), int(desc.height), static_cast<const uint8_t*>(mapped.data), mapped.rowPitch,
                     IsBgra8(desc.format) ? 1 : 0, GfxGetFormatInfo(desc.format).srgb ? 1 : 0};
    ImageWriteOptions chosen = options ? *options : ImageWriteOptions{};
    if (container == IMAGE_BMP && IsBgra8(targetFormat)) chosen.bmpV5Header32 = 1;
    std::vector<uint8_t> bytes;
    if (EncodeImage(container, rows, chosen, bytes)) r = GFX_E_FAIL;
    GfxUnmap(context, staging, 0);
    if (!GfxFailed(r)) writeError = WriteNewFile(path, bytes);
    if (writeError) r = GFX_E_FAIL;
  }
  if (ownStaging) GfxRelease(staging);
  return r;
}

}  // namespace

GfxResult SaveWICTextureToFile(GfxContext context, GfxTexture2D texture, int container, const char* path,
                               GfxFormat targetFormat, const ImageWriteOptions* options) {
  if (!texture || !path) return GFX_E_INVALIDARG;
  int writeError = 0;
  const GfxResult r = WritePictureFile(context, texture, container, path, targetFormat, options, writeError);
  if (!GfxFailed(r)) return r;
  // A picture that could not be made is told as the file it was to be, with the nearest reason.
  const int error = writeError             ? writeError
                    : r == GFX_ERROR_UNSUPPORTED ? ENOTSUP
                    : r == GFX_E_OUTOFMEMORY    ? ENOMEM
                                                : EIO;
  ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, path, error);
  return r;
}

// ---- [Clipboard] ----

int GetGlobalDIB(std::vector<uint8_t>& block) {
  block.clear();
  return UseCapturedRows("GlobalLock", [&](const PictureRows& rows) { BuildPackedBitmap(rows, block); }) ? 1 : 0;
}

int GetDDB(const std::vector<uint8_t>& block, ClipboardPicture& out) {
  out.bmp.clear();
  out.png.clear();
  auto u32 = [&](size_t at) {
    return uint32_t(block[at]) | uint32_t(block[at + 1]) << 8 | uint32_t(block[at + 2]) << 16 |
           uint32_t(block[at + 3]) << 24;
  };
  // The block must hold the header it names and every row it announces.
  if (block.size() < BITMAP_INFO_HEADER_BYTES || u32(0) != BITMAP_INFO_HEADER_BYTES) {
    ReportFailed("GetDDB", "GlobalLock");
    return 0;
  }
  const int32_t width = int32_t(u32(4)), signedHeight = int32_t(u32(8));
  const int32_t height = signedHeight < 0 ? -signedHeight : signedHeight;
  const uint32_t rowBytes = width > 0 ? BitmapRowBytes(width) : 0;
  if (width <= 0 || height <= 0 || (u32(12) >> 16) != 24 ||
      block.size() < BITMAP_INFO_HEADER_BYTES + uint64_t(rowBytes) * uint32_t(height)) {
    ReportFailed("GetDDB", "CreateDIBitmap");
    return 0;
  }
  // The PNG is encoded from the rows as they stand (blue, green, red), top row first.
  std::vector<uint8_t> rgba(size_t(width) * 4 * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    const int32_t from = signedHeight < 0 ? y : height - 1 - y;
    const uint8_t* in = block.data() + BITMAP_INFO_HEADER_BYTES + size_t(from) * rowBytes;
    uint8_t* o = rgba.data() + size_t(y) * size_t(width) * 4;
    for (int32_t x = 0; x < width; ++x, in += 3, o += 4) {
      o[0] = in[2];
      o[1] = in[1];
      o[2] = in[0];
      o[3] = 255;
    }
  }
  const PictureRows rows{width, height, rgba.data(), size_t(width) * 4, 0, 1};
  if (EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, out.png)) {
    ReportFailed("GetDDB", "CreateDIBitmap");
    return 0;
  }
  BitmapFileFromPacked(block, out.bmp);
  return 1;
}

void CopyScreenToClipboard() {
  if (!PlatformClipboardPicturesAvailable()) {
    ReportLine(CLIPBOARD_PICTURES_NEED_X11, REPORT_ERROR);
    return;
  }
  std::vector<uint8_t> block;
  if (!GetGlobalDIB(block)) return;
  ClipboardPicture picture;
  if (!GetDDB(block, picture)) return;
  if (const char* failed =
          PlatformSetClipboardPicture(picture.png.data(), picture.png.size(), picture.bmp.data(), picture.bmp.size())) {
    if (std::strcmp(failed, CLIPBOARD_PICTURES_NEED_X11) == 0)
      ReportLine(failed, REPORT_ERROR);
    else
      ReportFailed(failed);
  }
}
