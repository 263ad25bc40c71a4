// screenshot.h - screenshots: the picture on screen (or in the off-screen render texture of a
// high-resolution capture) read back after a frame is drawn and before it is presented, and
// either written to a numbered image file under "data\shots" or put on the clipboard.
//
// Sections: [Requests] [Capture] [Files] [Clipboard] [Kept picture] [Seams]
//
// Files are "data\shots\zkt_%.8d.<ext>", numbered by "Next Shot " and typed by "SS Type ";
// a shot never overwrites a file (numbers whose file exists are passed over).  Every failure
// is reported as "%s failed" with its step, in the error colour, and leaves the request
// cleared; nothing is retried.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gfx.h"

struct ImageWriteOptions;

// ---- [Requests] ----
// 0 none, 1 save to a file (Ctrl+S, the "ss" command), 2 copy to the clipboard (Ctrl+P),
// 3 keep it in memory (KeptShot, for the programs that judge the drawn frames).  Taken with
// the next presented frame and cleared then.
extern int ScreenshotRequest;
constexpr int SHOT_NAME_SIZE = 32;     // a shot name: 31 characters and a zero
constexpr int SHOT_NO_CONNECTION = 8;
// A control-link program's request for a named shot: the name and the asking connection
// (SHOT_NO_CONNECTION: none).  The name is kept as the last shot's name when it was written.
extern char PendingShotName[SHOT_NAME_SIZE];
extern int PendingShotConnection;
extern char LastShotName[SHOT_NAME_SIZE];

// The frame loop's step: a file for request 1, the clipboard for 2; the request is cleared.
void TakeScreenshot();

// ---- [Capture] ----
// The texture captured instead of the back buffer, set only while an object picture is
// copied (none: the screen).
extern GfxTexture2D CaptureSourceOverride;
// 1 when the screen's captures read the render texture (the high-resolution capture flag of
// "Screen Flags ") rather than the back buffer: it must then hold the whole picture.
int CapturesReadRenderTexture();
// The picture as a staging texture of 8-bit sRGB RGBA (format 29), multisampled and 16-bit
// float sources resolved and converted on the way; none after a failure (reported).  The
// caller releases it.
GfxTexture2D GetScreenshotTexture();

// ---- [Files] ----
// "data\shots\zkt_%.8d" with the first free number from "Next Shot " on (which then stands
// one above it); 0 and an empty name when every number up to 99999999 is taken.
int NextShotName(const char* extension, char* name, int nameSize);
// The captured picture written to path in the "SS Type " format; 1 when the file was written.
int Screenshot(const char* path);
// Writes a texture (any usage; multisampled ones are resolved) as an image file of the
// container (ImageContainer of image_files.h), never over an existing file: the bytes go to a
// safe write's temporary file, which takes the name only while it is still free.  A failure is
// told as a save failure of path with its reason (ReportSaveFailure).
// targetFormat B8G8R8A8 asks for 32-bit BGRA (BMP); unknown keeps 24-bit colour.  Options
// may be null.  GFX_OK, or a failure code.
GfxResult SaveWICTextureToFile(GfxContext context, GfxTexture2D texture, int container, const char* path,
                               GfxFormat targetFormat, const ImageWriteOptions* options);

// ---- [Clipboard] ----
// The packed bitmap of the captured picture: a 40-byte header and 24-bit rows top first
// (image_files.h).  1 when the block was filled.
int GetGlobalDIB(std::vector<uint8_t>& block);
// The clipboard's picture made from a packed bitmap: a BMP file and a PNG file of it.
struct ClipboardPicture {
  std::vector<uint8_t> bmp, png;
};
// 1 when made; failures say "GetDDB : GlobalLock failed" (no bitmap in the block) or
// "GetDDB : CreateDIBitmap failed" (the picture could not be made from it).
int GetDDB(const std::vector<uint8_t>& block, ClipboardPicture& out);
// The captured picture on the clipboard, as "image/png" and "image/bmp".
void CopyScreenToClipboard();

// ---- [Kept picture] ----
// The picture of request 3: 0xRRGGBB pixels as the screen shows them (sRGB), rows top first.
// Emptied (no width) when the picture could not be read.
struct ShotPicture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};
extern ShotPicture KeptShot;
// For the programs that judge the frames: 0xFFRRGGBB draws the next frames with everything
// under an open dialog (the scene, the screen's own controls) replaced by that solid colour,
// so that the dialog's texts can be judged over any car or screen behind it; what the
// interface records and decides stays the frame's own.  0, the frames users get: off.
extern uint32_t DialogBackdrop;

// ---- [Seams] ----
// Installed by the race services (none while offline): the reply to the control-link
// connection that asked for a shot (error 0 written, 3 failed).  The name of a shot the user
// took is shown as a short in-game message (ShowGameMessageShort, core/report.h).
extern void (*ShotReplyToConnection)(int connection, int error);
