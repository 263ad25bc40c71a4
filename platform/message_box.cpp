// message_box.cpp - message boxes through SDL, or standard error when no display exists.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

namespace {
MessageBoxHandler g_handler = nullptr;
}

void ShowPlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon) {
  if (!caption) caption = icon == BOX_ICON_STOP ? "Error" : "ZKT";
  if (g_handler) {
    g_handler(text, caption, icon);
    return;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (icon == BOX_ICON_STOP) flags = SDL_MESSAGEBOX_ERROR;
  if (icon == BOX_ICON_EXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
  if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) != 0)
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = handler; }
