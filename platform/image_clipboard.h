// image_clipboard.h - pictures on the system clipboard.
//
// SDL2 carries text only, so pictures have an owner of their own: under X11 a small window
// on a connection of its own to the display of the program's SDL window owns the CLIPBOARD
// selection and answers the programs that paste, from a thread of its own (SDL's event pump
// would take the requests of a window it does not know and drop them).  It offers TARGETS,
// TIMESTAMP, "image/png" and "image/bmp" (a BMP file: the bitmap with its file header);
// pictures larger than one request of the X server go in pieces (the INCR protocol).  When
// another program takes the clipboard the owner lets go and forgets the picture.
//
// Without an X11 window (another video driver, or no window) pictures cannot be put on the
// clipboard: the call says so and changes nothing.  Called from the main thread.
#pragma once
#include <cstddef>

// What PlatformSetClipboardPicture returns when there is no X11 window to work through.
constexpr const char* CLIPBOARD_PICTURES_NEED_X11 = "Clipboard pictures need the X11 display";

// 1 when pictures can be put on the clipboard (an SDL window on X11 exists).
int PlatformClipboardPicturesAvailable();
// Puts the picture on the clipboard in both forms (the bytes are copied).  Returns null on
// success, CLIPBOARD_PICTURES_NEED_X11, or the name of the call that failed
// ("XOpenDisplay", "XSetSelectionOwner").
const char* PlatformSetClipboardPicture(const void* png, size_t pngSize, const void* bmp, size_t bmpSize);
// 1 while our owner holds the clipboard (another program taking it clears this).
int PlatformClipboardPictureOwned();
// Stops serving the picture and ends the owner's thread (the window going, shut-down).
void PlatformReleaseClipboardPicture();
