// clipboard.h - the system clipboard's text over SDL2.
//
// Text crosses the clipboard as UTF-8; the interface converts to and from its code pages.
// The clipboard needs the video subsystem (PlatformVideoStart); under the offscreen driver
// SDL keeps the text inside the process.  Main thread only.
#pragma once

// Empties the clipboard and puts the text there (an empty text only empties it).  When it
// returns, other programs asking for the clipboard reach this one (the window system has
// taken the claim).  Returns null on success, else the name of the failing call ("SDL_SetClipboardText").
const char* PlatformSetClipboardText(const char* utf8);
// Copies the clipboard's text into out (at most outSize - 1 bytes, cut before a character
// that does not fit whole, and a zero).  Returns the bytes written, 0 for an empty or
// unreadable clipboard.
int PlatformGetClipboardText(char* out, int outSize);
