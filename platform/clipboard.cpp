// clipboard.cpp - the clipboard's text through SDL2.
#include "platform/clipboard.h"

#include <SDL.h>

#include <cstring>

const char* PlatformSetClipboardText(const char* utf8) {
  if (SDL_SetClipboardText(utf8 ? utf8 : "") != 0) return "SDL_SetClipboardText";
  // On X11 the claim of the selection waits in the client's output buffer until the next
  // request that needs an answer: asking who owns the selection sends it and waits until the
  // server has made us the owner, so another program asking right after us gets our text.
  SDL_HasClipboardText();
  return nullptr;
}

int PlatformGetClipboardText(char* out, int outSize) {
  if (!out || outSize <= 0) return 0;
  out[0] = 0;
  char* text = SDL_GetClipboardText();  // an empty string (never null) when there is none
  if (!text) return 0;
  int n = static_cast<int>(std::strlen(text));
  if (n > outSize - 1) {
    n = outSize - 1;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // a whole character
  }
  std::memcpy(out, text, static_cast<size_t>(n));
  out[n] = 0;
  SDL_free(text);
  return n;
}
