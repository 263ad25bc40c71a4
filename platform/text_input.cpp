// text_input.cpp - the IME's state over SDL2's text input.
#include "platform/text_input.h"

#include <SDL.h>

#include <cstring>

#include "platform/window.h"

namespace {

struct ImePlatformState {
  int open = 1;  // SDL starts text input with the video subsystem
  char composition[IME_COMPOSITION_BYTES] = {};
  int cursor = 0;
};
ImePlatformState g_ime;

void CopyUtf8(char* out, int outSize, const char* in) {
  int n = static_cast<int>(std::strlen(in));
  if (n > outSize - 1) {
    n = outSize - 1;
    while (n > 0 && (static_cast<unsigned char>(in[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(out, in, static_cast<size_t>(n));
  out[n] = 0;
}

}  // namespace

void PlatformSetImeOpen(int open) {
  open = open ? 1 : 0;
  if (open == g_ime.open) return;
  g_ime.open = open;
  if (!open && g_ime.composition[0] && SDL_WasInit(SDL_INIT_VIDEO)) {
    // Stopping and starting text input makes the IME drop what it was composing.
    SDL_StopTextInput();
    SDL_StartTextInput();
  }
  if (!open) {
    g_ime.composition[0] = 0;
    g_ime.cursor = 0;
  }
}

int PlatformImeOpen() { return g_ime.open; }

void PlatformSetImeRect(int x, int y, int width, int height) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  SDL_Rect r{x, y, width, height};
  SDL_SetTextInputRect(&r);
}

int PlatformImeComposition(char* out, int outSize, int* cursorCharacters) {
  if (cursorCharacters) *cursorCharacters = g_ime.cursor;
  if (!out || outSize <= 0) return 0;
  CopyUtf8(out, outSize, g_ime.open ? g_ime.composition : "");
  return static_cast<int>(std::strlen(out));
}

void PlatformNoteComposition(const char* utf8, int cursorCharacters) {
  CopyUtf8(g_ime.composition, IME_COMPOSITION_BYTES, utf8 ? utf8 : "");
  g_ime.cursor = cursorCharacters < 0 ? 0 : cursorCharacters;
}

void PlatformResetIme() { g_ime = ImePlatformState{}; }

int PlatformImeCandidates(char (*)[16], int, int* selected) {
  if (selected) *selected = -1;
  return 0;
}
int PlatformImeGuideLine() { return 0; }
int PlatformImeNativeMode() { return 0; }
